#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <memory>

#include "platform/DrawText.h"
#include "widgets/FontComboBox.h"
#include "widgets/RxLabel.h"
#include "widgets/widgets_support.h"

using wtest::PixelAt;
using wtest::THost;

namespace {

// Bounding box of the pixels whose colour passes the test.
template <typename Pred>
TRect BoxWhere(const QImage& img, Pred pred) {
    TRect box;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (pred(ImagePixelColor(img, x, y))) box = UnionRect(box, TRect(x, y, x + 1, y + 1));
    return box;
}
TRect BoxOf(const QImage& img, TColor color) {
    return BoxWhere(img, [color](TColor c) { return c == color; });
}

TFontRecord Font(const char* name, int type, int charset = ANSI_CHARSET, int pitch = 2) {
    return TFontRecord{QString::fromLatin1(name), type, charset, pitch};
}

// A font list over made-up fonts.
class TTestFontCombo : public TFontComboBox {
public:
    std::vector<TFontRecord> Fonts;
    explicit TTestFontCombo(std::vector<TFontRecord> fonts) : Fonts(std::move(fonts)) { Reset(); }

protected:
    std::vector<TFontRecord> EnumerateFonts() const override { return Fonts; }
};

std::vector<TFontRecord> SampleFonts() {
    return {Font("Times", TRUETYPE_FONTTYPE),
            Font("Courier", RASTER_FONTTYPE, ANSI_CHARSET, FIXED_PITCH),
            Font("Terminal", RASTER_FONTTYPE, OEM_CHARSET, FIXED_PITCH),
            Font("Symbol", TRUETYPE_FONTTYPE, SYMBOL_CHARSET),
            Font("arial", RASTER_FONTTYPE),
            Font("Arial", TRUETYPE_FONTTYPE),
            Font("Modern", 0, OEM_CHARSET),
            Font("Lucida Console", TRUETYPE_FONTTYPE, ANSI_CHARSET, FIXED_PITCH)};
}

std::vector<QString> Names(const std::vector<TFontEntry>& list) {
    std::vector<QString> names;
    names.reserve(list.size());
    for (const TFontEntry& e : list) names.push_back(e.Name);
    return names;
}

}  // namespace

// ---- shadow text and label -----------------------------------------------------

TEST(ShadowText, PositionsOfTextAndShadow) {
    for (TShadowPosition pos : {spLeftTop, spLeftBottom, spRightBottom, spRightTop}) {
        QImage img(80, 40, QImage::Format_RGB32);
        img.fill(Qt::white);
        QPainter p(&img);
        p.setFont(FontForDevice(QFont(QStringLiteral("DejaVu Sans"), 14), &img));
        p.setPen(Qt::black);
        TRect r(10, 5, 70, 35);
        const int h = DrawShadowText(p, QStringLiteral("I"), r, DT_NOCLIP, 3, clRed, pos);
        p.end();
        const TRect text = BoxOf(img, clBlack), shadow = BoxOf(img, clRed);
        ASSERT_FALSE(text.IsEmpty());
        ASSERT_FALSE(shadow.IsEmpty());
        const TPoint textOffset = pos == spLeftTop       ? TPoint(3, 3)
                                  : pos == spLeftBottom  ? TPoint(3, 0)
                                  : pos == spRightBottom ? TPoint(0, 0)
                                                         : TPoint(0, 3);
        const TPoint shadowOffset = pos == spLeftBottom    ? TPoint(0, 3)
                                    : pos == spRightBottom ? TPoint(3, 3)
                                    : pos == spRightTop    ? TPoint(3, 0)
                                                           : TPoint(0, 0);
        // Where text and shadow overlap the text wins, so compare right/bottom edges.
        EXPECT_EQ(text.Right - shadow.Right, textOffset.X - shadowOffset.X) << pos;
        EXPECT_EQ(text.Bottom - shadow.Bottom, textOffset.Y - shadowOffset.Y) << pos;
        EXPECT_EQ(r, TRect(10, 5, 73, 38)) << pos;  // union of both rectangles
        EXPECT_GT(h, 3);
    }
}

TEST(RxLabel, AutoSizeMeasuresTextAndShadow) {
    THost host(200, 100);
    TRxLabel l(&host);
    l.move(100, 10);
    l.SetCaption(QStringLiteral("Hello"));
    const QFontMetrics fm(FontForDevice(l.font(), &l));
    const int tw = fm.horizontalAdvance(QStringLiteral("Hello"));
    EXPECT_EQ(l.width(), tw + 2 + 1);
    EXPECT_EQ(l.height(), fm.height() + 1);
    EXPECT_EQ(l.x(), 100);

    l.SetShadowSize(4);
    EXPECT_EQ(l.width(), tw + 2 + 4);
    EXPECT_EQ(l.height(), fm.height() + 4);

    // Right-justified labels keep their right edge.
    l.SetAlignment(taRightJustify);
    const int right = l.x() + l.width();
    l.SetCaption(QStringLiteral("Hello world"));
    EXPECT_EQ(l.x() + l.width(), right);

    // An empty caption still takes a line's height.
    l.SetCaption(QString());
    EXPECT_EQ(l.height(), fm.height() + 4);
}

TEST(RxLabel, LayoutAndDisabledShadow) {
    THost host(120, 60, clLime);
    TRxLabel l(&host);
    l.SetAutoSize(false);
    l.setGeometry(0, 0, 100, 50);
    l.SetCaption(QStringLiteral("Ab"));
    l.SetShadowSize(0);
    l.SetColor(clWhite);
    SetFontColor(&l, clBlack);
    const int lineHeight = QFontMetrics(FontForDevice(l.font(), &l)).height();
    EXPECT_EQ(l.TextRect().Top, 0);
    l.SetLayout(tlBottom);
    EXPECT_EQ(l.TextRect().Top, 50 - lineHeight);
    l.SetLayout(tlCenter);
    EXPECT_EQ(l.TextRect().Top, (50 - lineHeight) / 2);

    QImage shot = host.Shot();
    EXPECT_EQ(PixelAt(shot, 99, 0), clWhite);  // opaque in its Color

    // Disabled: grey text with a highlight one pixel right and down, even
    // with no shadow size.
    l.setEnabled(false);
    l.SetColor(clSilver);
    shot = host.Shot();
    EXPECT_TRUE(BoxOf(shot, clBlack).IsEmpty());
    // Text is smoothed: darker than the face is text, lighter is shadow.
    const QImage label = shot.copy(0, 0, 100, 50);
    const TRect grey = BoxWhere(label, [](TColor c) { return GetRValue(c) < 150; });
    const TRect light = BoxWhere(label, [](TColor c) { return GetRValue(c) > 230; });
    ASSERT_FALSE(grey.IsEmpty());
    ASSERT_FALSE(light.IsEmpty());
    EXPECT_EQ(light.Right - grey.Right, 1);
    EXPECT_EQ(light.Bottom - grey.Bottom, 1);

    l.SetTransparent(true);
    shot = host.Shot();
    EXPECT_EQ(PixelAt(shot, 99, 0), clLime);
}

TEST(RxLabel, AcceleratorFocusesItsControl) {
    THost host(200, 100);
    TRxLabel l(&host);
    auto edit = std::make_unique<QLineEdit>(&host);
    QLineEdit other(&host);
    edit->move(0, 40);
    // Clear of the label, whose focus frame is looked at.
    other.move(100, 40);
    l.SetCaption(QStringLiteral("&Name"));
    l.SetFocusControl(edit.get());
    l.SetShowFocus(true);
    host.show();
    QApplication::setActiveWindow(&host);
    if (!QTest::qWaitForWindowActive(&host)) GTEST_SKIP() << "no active window";
    other.setFocus();
    QTest::keyClick(&host, Qt::Key_N, Qt::AltModifier);
    EXPECT_TRUE(edit->hasFocus());
    // The focus frame shows round the text while the control has the focus.
    QImage shot = host.Shot();
    const TRect r = l.TextRect().Inflated(1, 0);
    EXPECT_NE(PixelAt(shot, l.x() + r.Left, l.y() + r.Top), PixelAt(shot, l.x() + r.Left + 1, l.y() + r.Top));

    // Without ShowAccelChar the key does nothing.
    other.setFocus();
    l.SetShowAccelChar(false);
    QTest::keyClick(&host, Qt::Key_N, Qt::AltModifier);
    EXPECT_FALSE(edit->hasFocus());

    edit.reset();  // the label forgets a removed control
    EXPECT_EQ(l.GetFocusControl(), nullptr);
    host.Shot();
}

// ---- font list -----------------------------------------------------------------

TEST(FontList, OptionFilterOnMadeUpRecords) {
    const TFontRecord tt = Font("T", TRUETYPE_FONTTYPE), raster = Font("R", RASTER_FONTTYPE),
                      oem = Font("O", RASTER_FONTTYPE, OEM_CHARSET, FIXED_PITCH), sym = Font("S", 4, SYMBOL_CHARSET),
                      vec = Font("V", 0);  // a vector font: scalable, not TrueType
    const struct {
        const TFontRecord& font;
        TFontListOptions options;
        bool passes;
    } cases[] = {
        {raster, 0, true},
        {tt, foAnsiOnly, true},
        {sym, foAnsiOnly, false},
        {sym, foTrueTypeOnly, true},
        {vec, foTrueTypeOnly, false},
        {oem, foFixedPitchOnly, true},
        {tt, foFixedPitchOnly, false},
        {oem, foOEMFontsOnly, true},
        {tt, foOEMFontsOnly, false},
        {oem, foNoOEMFonts, false},
        {vec, foScalableOnly, true},
        {raster, foScalableOnly, false},
        {tt, foAnsiOnly | foTrueTypeOnly | foNoOEMFonts | foScalableOnly, true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FontPassesOptions(c.font, c.options), c.passes) << c.font.FaceName.toStdString() << c.options;
}

TEST(FontList, OneEntryPerNameSortedWithoutCase) {
    auto list = BuildFontList(SampleFonts(), 0);
    EXPECT_EQ(Names(list),
              (std::vector<QString>{"arial", "Courier", "Lucida Console", "Modern", "Symbol", "Terminal", "Times"}));
    EXPECT_EQ(list[0].FontType, RASTER_FONTTYPE);
    // The raster "arial" fails the filter, so the TrueType "Arial" counts.
    list = BuildFontList(SampleFonts(), foTrueTypeOnly);
    EXPECT_EQ(Names(list), (std::vector<QString>{"Arial", "Lucida Console", "Symbol", "Times"}));
    EXPECT_EQ(list[0].FontType, TRUETYPE_FONTTYPE);
    list = BuildFontList(SampleFonts(), foFixedPitchOnly | foNoOEMFonts);
    EXPECT_EQ(Names(list), (std::vector<QString>{"Courier", "Lucida Console"}));

    // Many duplicates stay cheap and single.
    std::vector<TFontRecord> many;
    many.reserve(20000);
    for (int i = 0; i < 20000; ++i) many.push_back(Font(i % 2 ? "Same" : "SAME", TRUETYPE_FONTTYPE));
    EXPECT_EQ(BuildFontList(many, 0).size(), 1u);
}

TEST(FontList, ComboNameOptionsAndNotifications) {
    TTestFontCombo c(SampleFonts());
    int changes = 0;
    c.OnChange = [&](QObject*) { ++changes; };
    EXPECT_EQ(c.GetFontName(), QString());
    c.SetFontName(QStringLiteral("TIMES"));
    EXPECT_EQ(c.GetFontName(), QStringLiteral("Times"));
    EXPECT_EQ(changes, 1);
    c.SetFontName(QStringLiteral("Times"));  // the same text: nothing
    EXPECT_EQ(changes, 1);
    c.SetFontName(QStringLiteral("Nowhere"));
    EXPECT_EQ(c.GetFontName(), QString());
    EXPECT_EQ(changes, 2);

    // Refilling keeps the name without a notification...
    c.SetFontName(QStringLiteral("courier"));
    changes = 0;
    c.SetOptions(foFixedPitchOnly);
    EXPECT_EQ(c.count(), 3);
    EXPECT_EQ(c.GetFontName(), QStringLiteral("Courier"));
    EXPECT_EQ(changes, 0);
    // ...and notifies once when the name is gone.
    c.SetTrueTypeOnly(true);
    EXPECT_EQ(c.GetFontName(), QString());
    EXPECT_EQ(changes, 1);

    // A choice in the list notifies too.
    c.SetOptions(0);
    changes = 0;
    emit c.activated(2);
    EXPECT_EQ(changes, 1);
}

TEST(FontList, ItemsAndTheirMarks) {
    TTestFontCombo c(
        {Font("Mark", TRUETYPE_FONTTYPE), Font("Plain", RASTER_FONTTYPE), Font("Printer", DEVICE_FONTTYPE)});
    EXPECT_GE(c.ItemHeight(), 11);  // the mark's height - 1 at least
    QImage img(120, 16, QImage::Format_RGB32);
    for (int i = 0; i < 3; ++i) {
        img.fill(Qt::white);
        QPainter p(&img);
        c.DrawItem(p, i, TRect(0, 0, 120, 16), false);
        p.end();
        // The mark (its olive background transparent) sits at x = 2..21.
        bool marked = false;
        for (int x = 2; x < 22; ++x)
            for (int y = 0; y < 16; ++y) marked = marked || ImagePixelColor(img, x, y) != ImagePixelColor(img, 0, 0);
        EXPECT_EQ(marked, c.itemText(i) != QStringLiteral("Plain")) << i;
        EXPECT_FALSE(BoxOf(img, clOlive).Right > 0);
    }
    QFont big = c.font();
    big.setPixelSize(30);
    c.setFont(big);
    EXPECT_EQ(c.ItemHeight(), QFontMetrics(big).height() + 1);
    EXPECT_EQ(c.count(), 3);

    // The real font database gives a usable list.
    TFontComboBox screen;
    EXPECT_GT(screen.count(), 0);
    screen.grab();
    screen.SetDevice(fdPrinter);  // no printer fonts are known
    EXPECT_EQ(screen.count(), 0);
}
