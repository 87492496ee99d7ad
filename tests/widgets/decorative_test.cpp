#include <gtest/gtest.h>

#include <QApplication>
#include <QDesktopServices>
#include <QMouseEvent>
#include <QTest>
#include <string>
#include <vector>

#include "widgets/AutoSpinImage.h"
#include "widgets/AutoURLLabel.h"
#include "widgets/NvOS8Checkbox.h"
#include "widgets/widgets_support.h"

using wtest::PixelAt;
using wtest::SolidImage;
using wtest::THost;

// ---- TNvOS8Checkbox ----------------------------------------------------------------

namespace {

// The top-left 16 x 16 pixels as shade digits (0..F), "." for the
// background colour and "?" for anything else.
std::vector<std::string> BoxMap(TNvOS8Checkbox& cb) {
    const QImage img = cb.grab().toImage();
    std::vector<std::string> rows;
    for (int y = 0; y < 16; ++y) {
        std::string row;
        for (int x = 0; x < 16; ++x) {
            const TColor c = PixelAt(img, x, y);
            char ch = '?';
            if (c == static_cast<TColor>(ColorToRGB(cb.GetColor()))) ch = '.';
            for (int i = 0; i < 16; ++i)
                if (c == cb.GetShades()[static_cast<size_t>(i)]) ch = "0123456789ABCDEF"[i];
            row += ch;
        }
        rows.push_back(row);
    }
    return rows;
}

std::vector<std::string> Framed(const std::vector<std::string>& middle) {
    std::vector<std::string> rows{"................", "................"};
    rows.insert(rows.end(), middle.begin(), middle.end());
    rows.push_back("................");
    rows.push_back("................");
    return rows;
}

struct Box {
    Box() {
        cb.SetColor(clLime);  // distinct from every grey shade
        cb.SetBaseColor(0x777777);
    }
    std::vector<std::string> Map(TCheckBoxState state, TCheckStyle style, const char* condition) {
        cb.SetState(state);
        cb.SetCheckStyle(style);
        cb.setEnabled(std::string(condition) != "disabled");
        cb.setDown(std::string(condition) == "pressed");
        return BoxMap(cb);
    }
    TNvOS8Checkbox cb;
};

}  // namespace

TEST(NvOS8Checkbox, ShadeTable) {
    const TNvOS8Shades grey = NvOS8Shades(0x777777);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(grey[static_cast<size_t>(i)], static_cast<TColor>(RGB(17 * i, 17 * i, 17 * i)));
    const TNvOS8Shades mixed = NvOS8Shades(static_cast<TColor>(RGB(10, 200, 119)));
    EXPECT_EQ(mixed[0], static_cast<TColor>(RGB(0, 81, 0)));
    EXPECT_EQ(mixed[7], static_cast<TColor>(RGB(10, 200, 119)));
    EXPECT_EQ(mixed[15], static_cast<TColor>(RGB(146, 255, 255)));
    // White clamps the upper shades: the released face and its top-left
    // edge are both white.
    const TNvOS8Shades white = NvOS8Shades(clWhite);
    EXPECT_EQ(white[13], clWhite);
    EXPECT_EQ(white[15], clWhite);
    EXPECT_EQ(white[7], clWhite);
    EXPECT_EQ(white[6], static_cast<TColor>(RGB(238, 238, 238)));
    // A system colour is taken as its low bytes, not resolved.
    EXPECT_EQ(NvOS8Shades(clBtnFace)[7], static_cast<TColor>(RGB(15, 0, 0)));
}

TEST(NvOS8Checkbox, UncheckedBoxInEachCondition) {
    Box b;
    EXPECT_EQ(b.Map(cbUnchecked, csYes, "enabled"),
              Framed({"..000000000000..", "..0FFFFFFFFFD0..", "..0FDDDDDDDD80..", "..0FDDDDDDDD80..",
                      "..0FDDDDDDDD80..", "..0FDDDDDDDD80..", "..0FDDDDDDDD80..", "..0FDDDDDDDD80..",
                      "..0FDDDDDDDD80..", "..0FDDDDDDDD80..", "..0D8888888880..", "..000000000000.."}));
    EXPECT_EQ(b.Map(cbUnchecked, csYes, "pressed"),
              Framed({"..000000000000..", "..055555555570..", "..057777777790..", "..057777777790..",
                      "..057777777790..", "..057777777790..", "..057777777790..", "..057777777790..",
                      "..057777777790..", "..057777777790..", "..079999999990..", "..000000000000.."}));
    EXPECT_EQ(b.Map(cbUnchecked, csYes, "disabled"),
              Framed({"..888888888888..", "..8DDDDDDDDDD8..", "..8DDDDDDDDDD8..", "..8DDDDDDDDDD8..",
                      "..8DDDDDDDDDD8..", "..8DDDDDDDDDD8..", "..8DDDDDDDDDD8..", "..8DDDDDDDDDD8..",
                      "..8DDDDDDDDDD8..", "..8DDDDDDDDDD8..", "..8DDDDDDDDDD8..", "..888888888888.."}));
}

TEST(NvOS8Checkbox, TickInEachCondition) {
    Box b;
    EXPECT_EQ(b.Map(cbChecked, csYes, "enabled"),
              Framed({"..000000000000..", "..0FFFFFFFFFD00.", "..0FDDDDDDDD007A", "..0FDDDDDDD000A.",
                      "..0FDDDDDD0070..", "..0F00DDD00780..", "..0FD00D007A80..", "..0FDA0007AD80..",
                      "..0FDDA07ADD80..", "..0FDDD7ADDD80..", "..0D8888888880..", "..000000000000.."}));
    EXPECT_EQ(b.Map(cbChecked, csYes, "pressed"),
              Framed({"..000000000000..", "..0555555555700.", "..0577777777007A", "..057777777000A.",
                      "..057777770040..", "..050077700490..", "..057007004590..", "..057500045790..",
                      "..057750457790..", "..057774577790..", "..079999999990..", "..000000000000.."}));
    EXPECT_EQ(b.Map(cbChecked, csYes, "disabled"),
              Framed({"..888888888888..", "..8DDDDDDDDDD88.", "..8DDDDDDDDD88..", "..8DDDDDDDD888..",
                      "..8DDDDDDD88D8..", "..8D88DDD88DD8..", "..8DD88D88DDD8..", "..8DDD888DDDD8..",
                      "..8DDDD8DDDDD8..", "..8DDDDDDDDDD8..", "..8DDDDDDDDDD8..", "..888888888888.."}));
}

TEST(NvOS8Checkbox, CrossAndGrayedMarks) {
    Box b;
    EXPECT_EQ(b.Map(cbChecked, csNo, "enabled"),
              Framed({"..000000000000..", "..0FFFFFFFFFD0..", "..0FD0DDDD0D80..", "..0FD00DD00780..",
                      "..0FDD00007A80..", "..0FDDD007AD80..", "..0FDD0000DD80..", "..0FD007A00D80..",
                      "..0FD07ADD0780..", "..0FDDADDDDD80..", "..0D88A8888880..", "..000000000000.."}));
    b.cb.SetAllowGrayed(true);
    EXPECT_EQ(b.Map(cbGrayed, csYes, "enabled"),
              Framed({"..000000000000..", "..0FFFFFFFFFD0..", "..0FDDDDDDDD80..", "..0FDDDDDDDD80..",
                      "..0FDDDDDDDD80..", "..0FD000000A80..", "..0FD000000A80..", "..0FDDAAAAAA80..",
                      "..0FDDDDDDDD80..", "..0FDDDDDDDD80..", "..0D8888888880..", "..000000000000.."}));
    EXPECT_EQ(b.Map(cbGrayed, csYes, "disabled"),
              Framed({"..888888888888..", "..8DDDDDDDDDD8..", "..8DDDDDDDDDD8..", "..8DDDDDDDDDD8..",
                      "..8DDDDDDDDDD8..", "..8DD888888DD8..", "..8DD888888DD8..", "..8DDDDDDDDDD8..",
                      "..8DDDDDDDDDD8..", "..8DDDDDDDDDD8..", "..8DDDDDDDDDD8..", "..888888888888.."}));
}

TEST(NvOS8Checkbox, PaintsItsWholeRectangleAndTheCaption) {
    THost host(200, 30, clRed);
    TNvOS8Checkbox cb(&host);
    cb.SetColor(clLime);
    cb.SetCaption("&Stretch");
    SetFontColor(&cb, clBlue);
    const QImage img = cb.grab().toImage();
    // Text is smoothed over the lime background: blue ink shows as pixels
    // without red, grey ink as pixels with red equal to blue.
    int blue = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            const TColor c = PixelAt(img, x, y);
            ASSERT_NE(c, clRed) << x << "," << y;  // nothing of the parent shows
            if (x >= 19 && GetRValue(c) == 0 && GetBValue(c) > 60) ++blue;
        }
    EXPECT_GT(blue, 20);
    EXPECT_EQ(PixelAt(img, 0, 8), clLime);
    EXPECT_EQ(PixelAt(img, 139, 0), clLime);
    // Disabled, the caption takes shade 8.
    cb.setEnabled(false);
    const QImage grey = cb.grab().toImage();
    int inked = 0, blueInk = 0;
    for (int y = 0; y < grey.height(); ++y)
        for (int x = 19; x < grey.width(); ++x) {
            const TColor c = PixelAt(grey, x, y);
            inked += GetRValue(c) > 0 && GetRValue(c) == GetBValue(c);
            blueInk += GetRValue(c) == 0 && GetBValue(c) > 60;
        }
    EXPECT_GT(inked, 20);
    EXPECT_EQ(blueInk, 0);
}

TEST(NvOS8Checkbox, OneOnClickPerStateChange) {
    TNvOS8Checkbox cb;
    std::vector<TCheckBoxState> seen;
    cb.OnClick = [&](QObject*) { seen.push_back(cb.GetState()); };

    QTest::mouseClick(&cb, Qt::LeftButton, Qt::NoModifier, QPoint(8, 8));
    QTest::mouseClick(&cb, Qt::LeftButton, Qt::NoModifier, QPoint(8, 8));
    EXPECT_EQ(seen, (std::vector<TCheckBoxState>{cbChecked, cbUnchecked}));

    cb.SetAllowGrayed(true);
    seen.clear();
    for (int i = 0; i < 3; ++i) QTest::mouseClick(&cb, Qt::LeftButton, Qt::NoModifier, QPoint(8, 8));
    EXPECT_EQ(seen, (std::vector<TCheckBoxState>{cbGrayed, cbChecked, cbUnchecked}));

    seen.clear();
    QTest::keyClick(&cb, Qt::Key_Space);
    EXPECT_EQ(seen, (std::vector<TCheckBoxState>{cbGrayed}));

    // From code: once when the state changes, never when it stays.
    seen.clear();
    cb.SetChecked(true);
    cb.SetChecked(true);
    cb.SetState(cbChecked);
    cb.SetChecked(false);
    EXPECT_EQ(seen, (std::vector<TCheckBoxState>{cbChecked, cbUnchecked}));
    EXPECT_FALSE(cb.GetChecked());

    // A press released outside is no click.
    seen.clear();
    QTest::mousePress(&cb, Qt::LeftButton, Qt::NoModifier, QPoint(8, 8));
    QTest::mouseRelease(&cb, Qt::LeftButton, Qt::NoModifier, QPoint(300, 8));
    EXPECT_TRUE(seen.empty());
}

// ---- TAutoURLLabel -----------------------------------------------------------------

namespace {
class UrlCatcher : public QObject {
    Q_OBJECT
public:
    std::vector<QUrl> opened;
public slots:
    void open(const QUrl& url) { opened.push_back(url); }
};
}  // namespace

TEST(AutoURLLabel, OnlyWebAndMailAddressesAreOpened) {
    EXPECT_EQ(AutoURLTarget("http://glimworks.example/x"), QUrl("http://glimworks.example/x"));
    EXPECT_EQ(AutoURLTarget("HTTPS://glimworks.example"), QUrl("https://glimworks.example"));
    EXPECT_EQ(AutoURLTarget("mailto:info@glimworks.example"), QUrl("mailto:info@glimworks.example"));
    EXPECT_EQ(AutoURLTarget("www.glimworks.example"), QUrl("http://www.glimworks.example"));
    for (const char* refused : {"file:///etc/passwd", "/usr/bin/xterm", "calc.exe", "javascript:alert(1)",
                                "ftp://glimworks.example", "http://", "mailto:", "", "smb://host/share"})
        EXPECT_FALSE(AutoURLTarget(refused).isValid()) << refused;
}

TEST(AutoURLLabel, UrlFollowsTheCaptionUntilSetAndAClickOpensIt) {
    UrlCatcher catcher;
    for (const char* scheme : {"http", "https", "mailto", "file"})
        QDesktopServices::setUrlHandler(scheme, &catcher, "open");

    TAutoURLLabel label;
    EXPECT_EQ(label.width(), 100);
    EXPECT_EQ(GetFontColor(&label), clBlue);
    EXPECT_TRUE(label.font().underline());
    QTest::mouseClick(&label, Qt::LeftButton, Qt::NoModifier, QPoint(2, 2));
    EXPECT_TRUE(catcher.opened.empty());  // no caption: nothing to open

    label.SetCaption("http://a.example");
    label.SetCaption("http://b.example");
    EXPECT_EQ(label.GetURL(), "http://b.example");
    QTest::mouseClick(&label, Qt::RightButton, Qt::NoModifier, QPoint(2, 2));  // any button
    ASSERT_EQ(catcher.opened.size(), 1u);
    EXPECT_EQ(catcher.opened[0], QUrl("http://b.example"));

    label.SetURL("mailto:me@c.example");
    label.SetCaption("Write to us");
    EXPECT_EQ(label.GetURL(), "mailto:me@c.example");
    QTest::mouseClick(&label, Qt::LeftButton, Qt::NoModifier, QPoint(2, 2));
    ASSERT_EQ(catcher.opened.size(), 2u);
    EXPECT_EQ(catcher.opened[1].scheme(), "mailto");

    label.SetURL("file:///etc/passwd");
    QTest::mouseClick(&label, Qt::LeftButton, Qt::NoModifier, QPoint(2, 2));
    EXPECT_EQ(catcher.opened.size(), 2u);

    QMouseEvent move(QEvent::MouseMove, QPointF(3, 3), QPointF(3, 3), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&label, &move);
    EXPECT_EQ(label.cursor().shape(), GetCursor(crAutoURLLabel).shape());
    for (const char* scheme : {"http", "https", "mailto", "file"}) QDesktopServices::unsetUrlHandler(scheme);
}

TEST(AutoURLLabel, AutoSizeFitsTheCaption) {
    TAutoURLLabel label;
    label.SetCaption("A rather long caption for a label");
    const QFontMetrics fm(label.font(), &label);
    EXPECT_EQ(label.width(), fm.horizontalAdvance("A rather long caption for a label"));
    EXPECT_EQ(label.height(), fm.height());
    label.SetAutoSize(false);
    label.SetCaption("x");
    EXPECT_EQ(label.width(), fm.horizontalAdvance("A rather long caption for a label"));
}

// ---- TAutoSpinImage -----------------------------------------------------------------

namespace {
const TColor kImageColors[4] = {clRed, clLime, clBlue, clYellow};

struct Spin {
    Spin() : list(16, 16) {
        for (TColor c : kImageColors) list.Add(SolidImage(16, 16, c));
        spin.SetImageList(&list);
        spin.OnChange = [this](QObject*, int index) { changes.push_back(index); };
    }
    TColor Shown() {
        const QImage img = spin.grab().toImage();
        const TRect a = spin.ImageArea();
        return PixelAt(img, (a.Left + a.Right) / 2, (a.Top + a.Bottom) / 2);
    }
    void Key(Qt::Key key) { QTest::keyClick(&spin, key); }
    TImageList list;
    TAutoSpinImage spin;
    std::vector<int> changes;
};
}  // namespace

TEST(AutoSpinImage, ArithmeticOfAreaAndPlacement) {
    const TRect client(2, 2, 116, 98);
    EXPECT_EQ(SpinImageArea(client, udaRight, 16), TRect(2, 2, 100, 98));
    EXPECT_EQ(SpinImageArea(client, udaLeft, 16), TRect(18, 2, 116, 98));
    EXPECT_EQ(SpinImageArea(client, udaTop, 16), TRect(2, 18, 116, 98));
    EXPECT_EQ(SpinImageArea(client, udaBottom, 16), TRect(2, 2, 116, 82));
    const TRect area(0, 0, 101, 50);
    EXPECT_EQ(SpinImagePlacement(area, 20, 10, hsiCenter, vsiCenter), Bounds(40, 20, 20, 10));
    EXPECT_EQ(SpinImagePlacement(area, 20, 10, hsiRight, vsiBottom), Bounds(81, 40, 20, 10));
    EXPECT_EQ(SpinImagePlacement(area, 20, 10, hsiLeft, vsiTop), Bounds(0, 0, 20, 10));
    // Wider or higher than the area: at its left and top.
    EXPECT_EQ(SpinImagePlacement(area, 200, 60, hsiCenter, vsiCenter), Bounds(0, 0, 200, 60));
    EXPECT_EQ(SpinImageNext(3, 4), 0);
    EXPECT_EQ(SpinImageNext(-1, 4), 0);
    EXPECT_EQ(SpinImageNext(1, 4), 2);
}

TEST(AutoSpinImage, ItemIndexIsCheckedAgainstTheList) {
    TAutoSpinImage bare;
    bare.SetItemIndex(0);
    EXPECT_EQ(bare.GetItemIndex(), -1);  // no list: refused

    Spin s;
    s.spin.SetItemIndex(4);
    s.spin.SetItemIndex(-2);
    EXPECT_EQ(s.spin.GetItemIndex(), -1);
    s.spin.SetItemIndex(2);
    s.spin.SetItemIndex(2);
    EXPECT_EQ(s.changes, std::vector<int>{2});
    EXPECT_EQ(s.Shown(), clBlue);
    EXPECT_EQ(s.spin.GetUpDown()->GetMax(), 4);
    EXPECT_EQ(s.spin.GetUpDown()->GetPosition(), 2);
    s.spin.SetItemIndex(-1);
    EXPECT_EQ(s.Shown(), static_cast<TColor>(ColorToRGB(s.spin.GetColor())));
}

TEST(AutoSpinImage, SpaceDoubleClickHomeEndAndTheUpDown) {
    Spin s;
    s.spin.SetItemIndex(3);
    s.Key(Qt::Key_Space);
    EXPECT_EQ(s.spin.GetItemIndex(), 0);
    EXPECT_EQ(s.Shown(), clRed);
    s.spin.SetItemIndex(3);
    QTest::mouseDClick(&s.spin, Qt::LeftButton, Qt::NoModifier, QPoint(20, 20));
    EXPECT_EQ(s.spin.GetItemIndex(), 0);

    s.spin.SetItemIndex(3);
    TAutoSpinUpDown* ud = s.spin.GetUpDown();
    QTest::mouseClick(ud, Qt::LeftButton, Qt::NoModifier, QPoint(ud->width() / 2, 2));  // next
    EXPECT_EQ(s.spin.GetItemIndex(), 3);
    QTest::mouseClick(ud, Qt::LeftButton, Qt::NoModifier, QPoint(ud->width() / 2, ud->height() - 2));  // prev
    EXPECT_EQ(s.spin.GetItemIndex(), 2);

    s.Key(Qt::Key_Up);
    EXPECT_EQ(s.spin.GetItemIndex(), 3);
    s.Key(Qt::Key_Down);
    EXPECT_EQ(s.spin.GetItemIndex(), 2);
    s.Key(Qt::Key_Home);
    EXPECT_EQ(s.spin.GetItemIndex(), 3);
    s.Key(Qt::Key_End);
    EXPECT_EQ(s.spin.GetItemIndex(), 0);
    EXPECT_EQ(ud->Pressed(), -1);  // every key press was released

    // Without UseDblClick a double click is just that.
    int dbl = 0;
    s.spin.OnDblClick = [&](QObject*) { ++dbl; };
    s.spin.SetUseDblClick(false);
    QTest::mouseDClick(&s.spin, Qt::LeftButton, Qt::NoModifier, QPoint(20, 20));
    EXPECT_EQ(s.spin.GetItemIndex(), 0);
    EXPECT_EQ(dbl, 1);
}

TEST(AutoSpinImage, ReadOnlyIgnoresChangesButTakesTheFocus) {
    QWidget form;
    TImageList list(16, 16);
    for (TColor c : kImageColors) list.Add(SolidImage(16, 16, c));
    TAutoSpinImage spin(&form);
    QWidget other(&form);
    other.setFocusPolicy(Qt::StrongFocus);
    spin.SetImageList(&list);
    spin.SetItemIndex(1);
    spin.SetReadOnly(true);
    form.show();
    other.setFocus();
    QTest::mouseDClick(&spin, Qt::LeftButton, Qt::NoModifier, QPoint(20, 20));
    for (Qt::Key k : {Qt::Key_Space, Qt::Key_Up, Qt::Key_Down, Qt::Key_Home, Qt::Key_End}) QTest::keyClick(&spin, k);
    QTest::mouseClick(spin.GetUpDown(), Qt::LeftButton, Qt::NoModifier, QPoint(4, 2));
    EXPECT_EQ(spin.GetItemIndex(), 1);
    EXPECT_EQ(form.focusWidget(), &spin);
}

TEST(AutoSpinImage, ItemsGiveImagesAndHintsSafely) {
    Spin s;
    s.spin.GetItems().Add()->SetImageIndex(2);
    TAutoSpinImageItem* second = s.spin.GetItems().Add();
    second->SetImageIndex(99);  // no such image
    second->SetHint("Marble");
    s.spin.GetItems().Add()->SetImageIndex(0);
    s.spin.SetDefaultImages(false);
    EXPECT_EQ(s.spin.GetItemIndex(), 0);
    EXPECT_EQ(s.spin.ImageCount(), 3);
    EXPECT_EQ(s.Shown(), clBlue);

    s.spin.SetItemIndex(1);
    EXPECT_EQ(s.spin.CurrentImage(), -1);
    EXPECT_EQ(s.Shown(), static_cast<TColor>(ColorToRGB(s.spin.GetColor())));
    EXPECT_EQ(s.spin.toolTip(), "Marble");
    s.spin.SetItemIndex(2);
    EXPECT_FALSE(s.spin.GetShowHint());
    EXPECT_TRUE(s.spin.toolTip().isEmpty());
    s.spin.SetItemIndex(3);
    EXPECT_EQ(s.spin.GetItemIndex(), 2);

    // Items copy their three fields.
    TAutoSpinImageItems copy;
    copy.Assign(s.spin.GetItems());
    ASSERT_EQ(copy.Count(), 3);
    EXPECT_EQ(copy.GetItem(1)->GetHint(), "Marble");
    EXPECT_EQ(copy.GetItem(1)->GetImageIndex(), 99);
}

TEST(AutoSpinImage, AutoSizeStretchAndAListThatGoes) {
    auto* list = new TImageList(32, 24);
    list->Add(SolidImage(32, 24, clRed));
    TAutoSpinImage spin;
    spin.SetAutoSize(true);
    EXPECT_FALSE(spin.GetAutoSize());  // only with a list
    spin.SetImageList(list);
    spin.SetAutoSize(true);
    EXPECT_EQ(spin.ImageArea().Width(), 32);
    EXPECT_EQ(spin.ImageArea().Height(), 24);
    spin.SetUpDownWidth(20);
    EXPECT_EQ(spin.ImageArea().Width(), 32);

    spin.SetAutoSize(false);
    spin.resize(120, 80);
    spin.SetItemIndex(0);
    spin.SetStretch(false);
    spin.SetImageHAlign(hsiLeft);
    spin.SetImageVAlign(vsiTop);
    QImage img = spin.grab().toImage();
    const TRect a = spin.ImageArea();
    EXPECT_EQ(PixelAt(img, a.Left, a.Top), clRed);
    EXPECT_EQ(PixelAt(img, a.Left + 40, a.Top + 30), static_cast<TColor>(ColorToRGB(spin.GetColor())));
    spin.SetStretch(true);
    img = spin.grab().toImage();
    EXPECT_EQ(PixelAt(img, a.Right - 1, a.Bottom - 1), clRed);

    delete list;
    EXPECT_EQ(spin.GetImageList(), nullptr);
    EXPECT_EQ(spin.GetItemIndex(), -1);
    img = spin.grab().toImage();  // paints without the list
    EXPECT_EQ(PixelAt(img, a.Left + 5, a.Top + 5), static_cast<TColor>(ColorToRGB(spin.GetColor())));
}

#include "decorative_test.moc"
