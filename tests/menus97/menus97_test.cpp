#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <set>

#include "menus97/Menus97.h"
#include "platform/Paint.h"

namespace {

const TColor kBrush = 0xECECEC;
const TColor kHilite = 0xA06950;
const TColor kShadow = static_cast<TColor>(ColorToRGB(clBtnShadow));
const TColor kLight = static_cast<TColor>(ColorToRGB(clBtnHighlight));
const TColor kImageColors[5] = {clRed, clLime, clBlue, clYellow, clFuchsia};

QImage Solid(int w, int h, TColor c) {
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(ToQColor(c));
    return img;
}

TMenuItem* AddItem(TMenuItem* parent, const QString& caption, int tag = 0) {
    auto* item = new TMenuItem;
    item->SetCaption(caption);
    item->SetTag(tag);
    parent->Add(item);
    return item;
}

// The component as the designer's main form sets up its popup menus.
void SetUpAsGlimmo(TCustomMenus97& m) {
    TMenus97Font font{QFont(QStringLiteral("Arial")), clBlack};
    font.Font.setPixelSize(11);
    m.SetFont(font);
    m.SetHiliteFont(font);
    m.SetBrush(kBrush);
    m.SetHiliteBar(kHilite);
    TMenus97Font banner{QFont(QStringLiteral("Arial")), clWhite};
    banner.Font.setPixelSize(16);
    m.SetBannerFont(banner);
    m.SetBannerWidth(20);
    m.SetBannerColor(kBrush);
    m.SetBannerEndColor(kHilite);
    m.SetBannerNumColors(32);
}

struct Popup {
    explicit Popup(const std::vector<QString>& captions, bool withImages = false) : images(16, 16) {
        for (size_t i = 0; i < captions.size(); ++i) AddItem(menu.GetItems(), captions[i], static_cast<int>(i));
        for (TColor c : kImageColors) images.Add(Solid(16, 16, c));
        m97.SetPopupMenu(&menu);
        if (withImages) m97.SetImages(&images);
        SetUpAsGlimmo(m97);
    }
    TMenuItem* Item(int i) const { return menu.GetItems()->GetItem(i); }
    TRect Row(int i) const { return TRect::FromQRect(menu.GetWidget()->actionGeometry(Item(i)->Action())); }
    // The open drop-down with entry `active` selected (-1: none), as shown.
    QImage Shot(int active = -1) {
        TMenuPopup* w = menu.GetWidget();
        if (!w->isVisible()) w->popup(QPoint(0, 0));
        w->setActiveAction(active >= 0 ? Item(active)->Action() : nullptr);
        return w->grab().toImage();
    }
    QWidget form;
    TImageList images;
    TPopupMenu menu{&form};
    TPopupMenus97 m97{&form};
};

TColor At(const QImage& img, int x, int y) { return ImagePixelColor(img, x, y); }

// Pixels of the rectangle that differ from colour c.
int Differing(const QImage& img, const TRect& r, TColor c) {
    int n = 0;
    for (int y = r.Top; y < r.Bottom; ++y)
        for (int x = r.Left; x < r.Right; ++x) n += At(img, x, y) != c;
    return n;
}
int Counting(const QImage& img, const TRect& r, TColor c) { return r.Width() * r.Height() - Differing(img, r, c); }

}  // namespace

// ---- arithmetic ------------------------------------------------------------------

TEST(Menus97Arithmetic, RowHeightGlyphCellAndColumns) {
    EXPECT_EQ(Menus97ItemHeight(21, 13), 21);
    EXPECT_EQ(Menus97ItemHeight(21, 16), 22);
    EXPECT_EQ(Menus97GlyphCell(0, 0), TSize(17, 17));
    EXPECT_EQ(Menus97GlyphCell(16, 16), TSize(17, 17));
    EXPECT_EQ(Menus97GlyphCell(24, 20), TSize(24, 20));

    const int cc = 21;
    EXPECT_EQ(Menus97DropDownWidth({{40, false, 0}, {30, false, 0}}, cc), 61);
    // Short-cuts: caption column of the entries with one, the short-cut
    // column and two check columns, unless a caption is wider still.
    EXPECT_EQ(Menus97DropDownWidth({{40, false, 0}, {30, false, 35}}, cc), 30 + 35 + 2 * cc);
    EXPECT_EQ(Menus97DropDownWidth({{200, false, 0}, {30, false, 35}}, cc), cc + 200);
    EXPECT_EQ(Menus97DropDownWidth({{40, true, 0}, {30, false, 0}}, cc), cc + 40 + cc);
    // A lone entry gets half a check column more.
    EXPECT_EQ(Menus97DropDownWidth({{40, false, 0}}, cc), cc + 40 + 10);
    EXPECT_EQ(Menus97DropDownWidth({}, cc), cc);

    EXPECT_EQ(Menus97EntryText("File|Glimmo|x"), "File");
    EXPECT_EQ(Menus97BannerText("File|Glimmo|x"), "Glimmo|x");
    EXPECT_EQ(Menus97BannerText("File"), "");
}

TEST(Menus97Arithmetic, BannerBands) {
    auto bands = Menus97BannerBands(0, 100, clBlack, clWhite, 4);
    ASSERT_EQ(bands.size(), 4u);
    EXPECT_EQ(bands[1].Top, 25);
    EXPECT_EQ(bands[3].Bottom, 100);
    EXPECT_EQ(bands[1].Color, RGB(85, 85, 85));
    EXPECT_EQ(bands[3].Color, RGB(255, 255, 255));
    // Row bounds and steps are rounded half away from zero.
    bands = Menus97BannerBands(5, 10, clBlack, clWhite, 4);
    std::vector<int> tops;
    tops.reserve(bands.size());
    for (const auto& b : bands) tops.push_back(b.Top);
    EXPECT_EQ(tops, (std::vector<int>{5, 8, 10, 13}));
    bands = Menus97BannerBands(0, 10, clWhite, clBlack, 3);
    EXPECT_EQ(bands[1].Color, RGB(127, 127, 127));
    // System colours are resolved; one colour is the start colour; none (or
    // fewer) fills the strip with the start colour too.
    EXPECT_EQ(Menus97BannerBands(0, 10, clActiveCaption, clBlack, 2)[0].Color, ColorToRGB(clActiveCaption));
    for (int n : {1, 0, -3}) {
        bands = Menus97BannerBands(0, 50, kBrush, kHilite, n);
        ASSERT_EQ(bands.size(), 1u);
        EXPECT_EQ(bands[0].Top, 0);
        EXPECT_EQ(bands[0].Bottom, 50);
        EXPECT_EQ(bands[0].Color, ColorToRGB(kBrush));
    }
}

TEST(Menus97Arithmetic, BannerTextOrigin) {
    const TRect area(0, 0, 20, 100);
    EXPECT_EQ(Menus97BannerTextOrigin(area, 40, 16, bjCenter, bdUpwards), TPoint(2, 69));
    EXPECT_EQ(Menus97BannerTextOrigin(area, 40, 16, bjTop, bdUpwards), TPoint(2, 41));
    EXPECT_EQ(Menus97BannerTextOrigin(area, 40, 16, bjBottom, bdUpwards), TPoint(2, 99));
    EXPECT_EQ(Menus97BannerTextOrigin(area, 40, 16, bjCenter, bdDownwards), TPoint(17, 31));
    EXPECT_EQ(Menus97BannerTextOrigin(area, 40, 16, bjTop, bdDownwards), TPoint(17, 1));
    EXPECT_EQ(Menus97BannerTextOrigin(area, 40, 16, bjBottom, bdDownwards), TPoint(17, 59));
    // Halves are cut toward zero, also for text wider than the strip.
    EXPECT_EQ(Menus97BannerTextOrigin(TRect(0, 0, 10, 100), 40, 16, bjTop, bdUpwards).X, -3);
    EXPECT_EQ(Menus97BannerTextOrigin(TRect(0, 0, 21, 100), 40, 16, bjTop, bdUpwards).X, 2);
}

// ---- the designer's popup menus ------------------------------------------------------

TEST(Menus97Popup, PlasmaStyleMenuShowsItsImagesFromTagZero) {
    Popup p({"Clouds", "Wood", "Marble", "Aquarell", "Bumpy Surface"}, true);
    EXPECT_EQ(p.Item(0)->GetTag(), 0);  // not rewritten on attaching
    const QImage img = p.Shot(2);
    for (int i = 0; i < 5; ++i) {
        const TRect r = p.Row(i);
        EXPECT_EQ(r.Height(), 21);
        EXPECT_EQ(r.Width(), p.Row(0).Width());
        EXPECT_EQ(At(img, r.Left + 10, r.Top + 10), kImageColors[i]) << i;
        EXPECT_EQ(At(img, r.Right - 3, r.Top + 10), i == 2 ? kHilite : kBrush) << i;
    }
    // The selected entry with an image has a raised frame round it; the
    // others none.
    const TRect sel = p.Row(2);
    EXPECT_EQ(At(img, sel.Left + 8, sel.Top), kLight);
    EXPECT_EQ(At(img, sel.Left, sel.Top + 8), kLight);
    EXPECT_EQ(At(img, sel.Left + 20, sel.Top + 8), kShadow);
    EXPECT_EQ(At(img, sel.Left + 8, sel.Bottom - 1), kShadow);
    EXPECT_EQ(At(img, p.Row(1).Left + 8, p.Row(1).Top), kBrush);
    // Entry text starts after the glyph column.
    EXPECT_EQ(Differing(img, TRect(sel.Left + 21, sel.Top + 2, sel.Left + 24, sel.Bottom - 2), kHilite), 0);
    EXPECT_GT(Differing(img, TRect(sel.Left + 24, sel.Top, sel.Left + 40, sel.Bottom), kHilite), 5);
}

TEST(Menus97Popup, CheckedEntryGetsASunkenFrameAndTheTick) {
    Popup p({"Off", "Low", "High"});
    p.Item(1)->SetChecked(true);
    QImage img = p.Shot(2);
    const TRect low = p.Row(1);
    EXPECT_EQ(At(img, low.Left + 10, low.Top), kShadow);
    EXPECT_EQ(At(img, low.Left, low.Top + 10), kShadow);
    EXPECT_EQ(At(img, low.Left + 20, low.Top + 10), kLight);
    EXPECT_EQ(At(img, low.Left + 10, low.Bottom - 1), kLight);
    // The mark: white is transparent, silver and the black tick are not.
    EXPECT_EQ(At(img, low.Left + 1, low.Top + 1), kBrush);
    EXPECT_EQ(At(img, low.Left + 2, low.Top + 1), static_cast<TColor>(clSilver));
    EXPECT_EQ(At(img, low.Left + 1 + 11, low.Top + 1 + 5), clBlack);
    // The selected entry without a check or image has no frame.
    const TRect high = p.Row(2);
    EXPECT_EQ(At(img, high.Left + 10, high.Top), kHilite);

    // Selected and checked: raised.
    img = p.Shot(1);
    EXPECT_EQ(At(img, low.Left + 10, low.Top), kLight);
    EXPECT_EQ(At(img, low.Left + 20, low.Top + 10), kShadow);

    p.m97.SetMenus97Look(mlIE4Look);
    img = p.Shot(0);
    EXPECT_EQ(At(img, low.Left + 10, low.Top), kBrush);
    EXPECT_EQ(At(img, low.Left + 1 + 11, low.Top + 1 + 5), clBlack);
}

TEST(Menus97Popup, DisabledEntriesAreEmbossedAndADisabledCheckIsNotDrawn) {
    Popup p({"Clouds", "Low", "High"}, true);
    p.Item(0)->SetEnabled(false);
    p.Item(1)->SetEnabled(false);
    p.Item(1)->SetChecked(true);
    p.Item(1)->SetTag(-1 - 1);  // no image: the mark
    const QImage img = p.Shot();
    const TRect clouds = p.Row(0), low = p.Row(1);
    const TRect cloudsGlyph(clouds.Left, clouds.Top, clouds.Left + 18, clouds.Top + 18);
    EXPECT_EQ(Counting(img, cloudsGlyph, clRed), 0);
    EXPECT_GT(Counting(img, cloudsGlyph, kShadow), 100);
    EXPECT_GT(Counting(img, cloudsGlyph, kLight), 10);
    // A disabled entry draws a glyph only when it has an image: no mark.
    const TRect lowGlyph(low.Left + 1, low.Top + 1, low.Left + 19, low.Top + 19);
    EXPECT_EQ(Differing(img, lowGlyph, kBrush), 0);
    EXPECT_EQ(At(img, low.Left + 10, low.Top), kBrush);  // no frame while disabled
    // Disabled text: a highlight copy below right, the shadow on top; no
    // pixel as dark as enabled text (smoothing blends the inks).
    const auto darkest = [&](const TRect& r) {
        int d = 255;
        for (int y = r.Top; y < r.Bottom; ++y)
            for (int x = r.Left; x < r.Right; ++x) d = std::min(d, static_cast<int>(GetGValue(At(img, x, y))));
        return d;
    };
    const auto lighter = [&](const TRect& r) {
        int n = 0;
        for (int y = r.Top; y < r.Bottom; ++y)
            for (int x = r.Left; x < r.Right; ++x) n += GetGValue(At(img, x, y)) > GetGValue(kBrush);
        return n;
    };
    const TRect text(low.Left + 24, low.Top, low.Right - 3, low.Bottom);
    EXPECT_GE(darkest(text), 0x80);
    EXPECT_LE(darkest(text), 0xA0);
    EXPECT_GT(lighter(text), 5);
    const TRect high = p.Row(2);
    EXPECT_LT(darkest(TRect(high.Left + 24, high.Top, high.Right - 3, high.Bottom)), 0x40);
}

TEST(Menus97Popup, ShortCutsAreRightAlignedOneCheckColumnIn) {
    Popup p({"&Load", "Save parameters", "Exit"});
    p.Item(0)->SetShortCut(QKeySequence("Ctrl+L"));
    p.Item(1)->SetShortCut(QKeySequence("Ctrl+S"));
    const QImage img = p.Shot();
    for (int i : {0, 1}) {
        const TRect r = p.Row(i);
        int rightmost = -1;
        for (int x = r.Left; x < r.Right; ++x)
            if (Differing(img, TRect(x, r.Top, x + 1, r.Bottom), kBrush) > 0) rightmost = x;
        EXPECT_LT(rightmost, r.Right - 21) << i;
        EXPECT_GE(rightmost, r.Right - 21 - 3) << i;
    }
    // The longest caption and its short-cut do not meet.
    const TRect r = p.Row(1);
    const int captionEnd = r.Left + 24 + QFontMetrics(p.m97.GetFont().Font).horizontalAdvance("Save parameters");
    const int shortCutStart = r.Right - 21 - QFontMetrics(p.m97.GetFont().Font).horizontalAdvance("Ctrl+S");
    EXPECT_LT(captionEnd, shortCutStart);
}

TEST(Menus97Popup, BannerStripWithBandsAndText) {
    Popup p({"Clouds", "Wood", "Marble", "Aquarell", "Bumpy Surface"}, true);
    p.m97.SetBanner(true);
    p.m97.SetBannerText("Glimmo");
    QImage img = p.Shot(1);
    const TRect first = p.Row(0), last = p.Row(4);
    EXPECT_EQ(p.m97.GetBannerRect(), TRect(first.Left, first.Top, first.Left + 20, last.Bottom));
    std::vector<TColor> runs;
    for (int y = first.Top; y < last.Bottom; ++y) {
        const TColor c = At(img, first.Left, y);
        if (runs.empty() || runs.back() != c) runs.push_back(c);
    }
    EXPECT_EQ(runs.size(), 32u);
    EXPECT_EQ(runs.front(), kBrush);
    EXPECT_EQ(runs.back(), kHilite);
    EXPECT_GT(Counting(img, p.m97.GetBannerRect(), clWhite), 20);  // the rotated text
    // Entries start BannerWidth + 2 further right.
    EXPECT_EQ(At(img, first.Left + 22 + 10, first.Top + 10), clRed);
    EXPECT_EQ(At(img, p.Row(1).Right - 3, p.Row(1).Top + 10), kHilite);

    // Fewer than one colour: the start colour throughout.
    p.m97.SetBannerNumColors(0);
    p.menu.GetWidget()->hide();
    img = p.Shot();
    EXPECT_EQ(At(img, first.Left, first.Top), kBrush);
    EXPECT_EQ(At(img, first.Left, last.Bottom - 1), kBrush);

    // Right-aligned strip, downwards.
    p.m97.SetBannerNumColors(32);
    p.m97.SetBannerAlignment(baRight);
    p.m97.SetBannerDirection(bdDownwards);
    p.menu.GetWidget()->hide();
    img = p.Shot();
    EXPECT_EQ(p.m97.GetBannerRect(), TRect(first.Right - 20, first.Top, first.Right, last.Bottom));
    EXPECT_EQ(At(img, first.Right - 1, last.Bottom - 1), kHilite);
    EXPECT_EQ(At(img, first.Left + 10, first.Top + 10), clRed);
}

TEST(Menus97Popup, BannerRunsUnbrokenPastPlainSeparators) {
    Popup p({"Clouds", "-", "Wood", "Marble", "-", "Aquarell", "Bumpy Surface"}, true);
    p.m97.SetBanner(true);
    p.m97.SetBannerText("Banner Text");
    const QImage img = p.Shot(2);
    const TRect banner = p.m97.GetBannerRect();
    const TRect first = p.Row(0), last = p.Row(6);
    ASSERT_EQ(banner, TRect(first.Left, first.Top, first.Left + 20, last.Bottom));
    // The strip's edge columns (clear of the rotated text) run through the
    // 32 bands from top to bottom, separator rows included.
    for (int x : {banner.Left, banner.Right - 1}) {
        std::vector<TColor> runs;
        for (int y = banner.Top; y < banner.Bottom; ++y) {
            const TColor c = At(img, x, y);
            if (runs.empty() || runs.back() != c) runs.push_back(c);
        }
        EXPECT_EQ(runs.size(), 32u) << x;
        EXPECT_EQ(runs.front(), kBrush) << x;
        EXPECT_EQ(runs.back(), kHilite) << x;
    }
    // No etched line and no menu grey on the strip.
    EXPECT_EQ(Counting(img, banner, kShadow), 0);
    EXPECT_EQ(Counting(img, banner, static_cast<TColor>(ColorToRGB(clMenu))), 0);
    // The text runs on through the separators' rows, which lie within it.
    const auto white = [&](const TRect& r) {
        int n = 0;
        for (int y = r.Top; y < r.Bottom; ++y)
            for (int x = r.Left; x < r.Right; ++x) {
                const TColor c = At(img, x, y);
                n += GetRValue(c) >= 0xF0 && GetGValue(c) >= 0xF0 && GetBValue(c) >= 0xF0;
            }
        return n;
    };
    // The separators' etched lines lie beside the strip, on the brush.
    for (int i : {1, 4}) {
        const TRect sep = p.Row(i);
        EXPECT_GT(white(TRect(banner.Left, sep.Top, banner.Right, sep.Bottom)), 3) << i;
        const int mid = sep.Top + sep.Height() / 2;
        EXPECT_EQ(At(img, banner.Right + 2 + 5, mid), kShadow) << i;
        EXPECT_EQ(At(img, banner.Right + 2 + 5, mid + 1), kLight) << i;
        EXPECT_EQ(At(img, banner.Right + 2 + 5, sep.Top), kBrush) << i;
    }
}

TEST(Menus97Popup, SubMenuArrowStaysBesideARightHandBanner) {
    Popup p({"Clouds", "Textures", "Marble"});
    AddItem(p.Item(1), "Wood");
    AddItem(p.Item(1), "Stone");
    p.m97.SetBanner(true);
    p.m97.SetBannerAlignment(baRight);
    // A dark banner: black on it would not show.
    p.m97.SetBannerColor(clBlack);
    p.m97.SetBannerEndColor(clBlack);
    const QImage img = p.Shot();
    const TRect row = p.Row(1), banner = p.m97.GetBannerRect();
    ASSERT_EQ(banner.Right, row.Right);
    // The arrow: black in the entries' area, just left of the strip.
    const TRect area(banner.Left - 2 - 12, row.Top, banner.Left - 2, row.Bottom);
    EXPECT_GE(Counting(img, area, clBlack), 10);
    // The strip itself is all banner colour (no arrow on it).
    EXPECT_EQ(Differing(img, TRect(banner.Left, row.Top, banner.Right, row.Bottom), clBlack), 0);
}

TEST(Menus97Popup, DrawingLeavesTheEntriesAsTheyAre) {
    Popup p({"", "-Section", "Open"});
    p.Item(0)->SetHint("first");
    p.Item(2)->SetHint("Opens a file");
    p.m97.OnHint = [](TMenu*, TMenuItem*, const QString& hint) { return hint + "!"; };
    for (int i = 0; i < 3; ++i) p.Shot(i);
    EXPECT_EQ(p.Item(0)->GetCaption(), "");
    EXPECT_EQ(p.Item(1)->GetCaption(), "-Section");
    EXPECT_TRUE(p.Item(1)->GetEnabled());
    EXPECT_EQ(p.Item(0)->GetHint(), "first");
    EXPECT_EQ(p.Item(2)->GetHint(), "Opens a file");
    EXPECT_EQ(GetApplicationHint(), "Opens a file!");
    // The text separator draws its etched line.
    const QImage img = p.Shot();
    const TRect sep = p.Row(1);
    const int mid = sep.Top + sep.Height() / 2;
    EXPECT_EQ(At(img, sep.Left + 5, mid), kShadow);
    EXPECT_EQ(At(img, sep.Left + 5, mid + 1), kLight);
}

TEST(Menus97Popup, OwnerEventsMeasureAndDraw) {
    Popup p({"One", "Two"});
    p.m97.OnMeasureItem = [](TMenu*, TMenuItem* item, int& height, int&) {
        if (item->GetCaption() == "Two") height = 30;
    };
    p.m97.OnDrawItem = [&](TMenu* control, TMenuItem* item, QPainter& canvas, const TRect& r, TOwnerDrawState) {
        EXPECT_EQ(control, &p.menu);
        EXPECT_EQ(p.m97.GetCanvas(), &canvas);
        if (item->GetCaption() != "Two") return false;
        FillRect(canvas, r, clRed);
        return true;
    };
    const QImage img = p.Shot();
    EXPECT_EQ(p.Row(1).Height(), 30);
    EXPECT_EQ(Counting(img, p.Row(1), clRed), p.Row(1).Width() * 30);
    EXPECT_EQ(At(img, p.Row(0).Right - 3, p.Row(0).Top + 5), kBrush);
    EXPECT_EQ(p.m97.GetCanvas(), nullptr);
}

TEST(Menus97Popup, TypedCharacterChoosesTheFirstEnabledMatch) {
    Popup p({"&Alpha", "&Hidden", "&Beta", "&Another"});
    p.Item(0)->SetEnabled(false);
    p.Item(1)->SetVisible(false);
    int clicked = -1;
    for (int i = 0; i < 4; ++i) p.Item(i)->OnClick = [&clicked, i](QObject*) { clicked = i; };
    EXPECT_EQ(p.m97.FindMenuChar(p.menu.GetItems(), 'a'), 2);  // among the visible entries
    EXPECT_EQ(p.m97.MenuChar(p.menu.GetItems(), 'A'), p.Item(3));
    EXPECT_EQ(p.m97.MenuChar(p.menu.GetItems(), 'z'), nullptr);
    p.Shot();
    QTest::keyClick(p.menu.GetWidget(), Qt::Key_A);
    EXPECT_EQ(clicked, 3);
}

// ---- attaching, tags, fonts and lifetimes -----------------------------------------------

TEST(Menus97Attach, DefaultTagsOnlyMarkMainMenuBarEntries) {
    QWidget form;
    TMainMenu menu(&form);
    TMenuItem* file = AddItem(menu.GetItems(), "&File");
    TMenuItem* help = AddItem(menu.GetItems(), "&Help", 4100);
    TMenuItem* open = AddItem(file, "&Open");
    TMainMenus97 m(&form);
    m.SetMainMenu(&menu);
    EXPECT_EQ(file->GetTag(), -1);
    EXPECT_EQ(help->GetTag(), 4100);
    EXPECT_EQ(open->GetTag(), 0);
    EXPECT_EQ(open->GetOwnerDraw(), &m);
}

TEST(Menus97Attach, MainMenuBannerTakesTheTextAfterTheBar) {
    QWidget form;
    TMainMenu menu(&form);
    TMenuItem* file = AddItem(menu.GetItems(), "&File|Glimmo");
    AddItem(file, "&Open");
    AddItem(file, "&Save");
    TMainMenus97 m(&form);
    m.SetMainMenu(&menu);
    SetUpAsGlimmo(m);
    m.SetBanner(true);
    EXPECT_TRUE(m.HasBanner(file->GetItem(0)));
    EXPECT_EQ(m.BannerItem(file->GetItem(1)), file);
    TMenuPopup* dropDown = file->DropDown();
    dropDown->popup(QPoint(0, 0));
    QImage img = dropDown->grab().toImage();
    EXPECT_GT(Counting(img, m.GetBannerRect(), clWhite), 20);
    dropDown->hide();
    file->SetCaption("&File");  // no banner text left
    dropDown->popup(QPoint(0, 0));
    img = dropDown->grab().toImage();
    EXPECT_EQ(Counting(img, m.GetBannerRect(), clWhite), 0);
}

TEST(Menus97Attach, FontsFollowTheSystemMenuFontWhileDefault) {
    const QFont saved = QApplication::font("QMenu");
    QWidget form;
    auto* first = new TPopupMenus97(&form);
    auto* second = new TPopupMenus97(&form);
    auto* third = new TPopupMenus97(&form);
    EXPECT_TRUE(first->GetDefaultFont());
    EXPECT_EQ(first->GetFont().Font, saved);
    EXPECT_EQ(first->GetHiliteFont().Color, clHighlightText);
    third->SetFont({QFont("Serif", 20), clBlack});
    EXPECT_FALSE(third->GetDefaultFont());

    QFont changed("Serif", 15);
    QApplication::setFont(changed, "QMenu");
    delete second;  // components leave the form in any order
    QEvent e(QEvent::ApplicationFontChange);
    QApplication::sendEvent(&form, &e);
    EXPECT_EQ(first->GetFont().Font, QApplication::font("QMenu"));
    EXPECT_EQ(third->GetFont().Font, QFont("Serif", 20));
    third->SetDefaultFont(true);
    EXPECT_EQ(third->GetFont().Font, QApplication::font("QMenu"));
    delete first;
    QApplication::sendEvent(&form, &e);
    QApplication::setFont(saved, "QMenu");
}

TEST(Menus97Attach, ComponentsMenusAndImageListsComeAndGoSafely) {
    QWidget form;
    auto* menu = new TPopupMenu(&form);
    TMenuItem* a = AddItem(menu->GetItems(), "A");
    TMenuItem* sub = AddItem(a, "Sub");
    auto* first = new TPopupMenus97(&form);
    first->SetPopupMenu(menu);
    TPopupMenus97 second(&form);
    second.SetPopupMenu(menu);  // the entries stay with the first
    EXPECT_EQ(a->GetOwnerDraw(), first);
    delete first;
    EXPECT_EQ(a->GetOwnerDraw(), nullptr);
    EXPECT_EQ(sub->GetOwnerDraw(), nullptr);
    second.SetPopupMenu(nullptr);
    second.SetPopupMenu(menu);
    EXPECT_EQ(sub->GetOwnerDraw(), &second);

    auto* images = new TImageList(24, 20);
    images->Add(Solid(24, 20, clRed));
    second.SetImages(images);
    EXPECT_EQ(second.GlyphCellWidth(), 24);
    delete images;
    EXPECT_EQ(second.GetImages(), nullptr);
    EXPECT_EQ(second.GlyphCellWidth(), 17);
    menu->GetWidget()->popup(QPoint(0, 0));
    EXPECT_FALSE(menu->GetWidget()->grab().isNull());
    delete menu;
    EXPECT_EQ(second.GetPopupMenu(), nullptr);
}

// ---- system menus --------------------------------------------------------------------

namespace {
std::vector<QString> Captions(const TMenuItem* items) {
    std::vector<QString> out;
    out.reserve(static_cast<size_t>(items->Count()));
    for (int i = 0; i < items->Count(); ++i) out.push_back(items->GetItem(i)->GetCaption());
    return out;
}
}  // namespace

TEST(SystemMenus97, DefaultEntriesAndOptions) {
    QWidget form;
    TSystemMenus97 sys(&form);
    TMenuItem* root = sys.GetSystemMenu()->GetItems();
    EXPECT_EQ(Captions(root),
              (std::vector<QString>{"&Restore", "&Move", "&Size", "Mi&nimize", "Ma&ximize", "-", "&Close"}));
    EXPECT_FALSE(sys.FindItemByCommand(SC_RESTORE)->GetEnabled());  // the window is not maximised
    TMenuItem* close = sys.scClose()->GetItem();
    ASSERT_NE(close, nullptr);
    EXPECT_TRUE(close->GetDefault());
    EXPECT_EQ(close->GetShortCut(), QKeySequence("Alt+F4"));
    EXPECT_EQ(close->GetOwnerDraw(), &sys);
    EXPECT_EQ(close->GetTag(), -2);
    EXPECT_EQ(sys.ScNextWindow()->GetItem(), nullptr);

    sys.scClose()->SetCaption("&Shut#9Ctrl+W");
    sys.scMove()->SetVisible(smFalse);
    sys.ScNextWindow()->SetVisible(smTrue);
    sys.ScNextWindow()->SetCaption("&Next");
    sys.scMinimize()->SetImageIndex(3);
    EXPECT_EQ(Captions(root),
              (std::vector<QString>{"&Restore", "&Size", "Mi&nimize", "Ma&ximize", "-", "&Next", "&Shut"}));
    close = sys.scClose()->GetItem();
    EXPECT_EQ(close->GetShortCut(), QKeySequence("Ctrl+W"));
    EXPECT_FALSE(close->GetDefault());
    EXPECT_EQ(sys.scMove()->GetItem(), nullptr);
    EXPECT_EQ(sys.scMinimize()->GetItem()->GetTag(), 3);
    EXPECT_EQ(sys.FindItemByCommand(SC_NEXTWINDOW), sys.ScNextWindow()->GetItem());

    form.show();
    sys.scClose()->GetItem()->Click();
    EXPECT_FALSE(form.isVisible());
}

TEST(SystemMenus97, PopupMenuEntriesGoBeforeClose) {
    QWidget form;
    TSystemMenus97 sys(&form);
    TPopupMenu empty(&form);
    sys.SetPopupMenu(&empty);
    EXPECT_EQ(sys.GetPopupMenu(), nullptr);

    TPopupMenu extra(&form);
    TMenuItem* tools = AddItem(extra.GetItems(), "&Tools");
    AddItem(tools, "&Zoom", 2);
    TMenuItem* about = AddItem(extra.GetItems(), "&About");
    AddItem(extra.GetItems(), "Hidden")->SetVisible(false);
    int clicks = 0;
    about->OnClick = [&](QObject*) { ++clicks; };
    sys.SetPopupMenu(&extra);
    EXPECT_EQ(sys.GetPopupMenu(), &extra);
    TMenuItem* root = sys.GetSystemMenu()->GetItems();
    EXPECT_EQ(Captions(root), (std::vector<QString>{"&Restore", "&Move", "&Size", "Mi&nimize", "Ma&ximize", "-",
                                                    "&Tools", "&About", "-", "&Close"}));
    EXPECT_EQ(root->GetItem(8)->GetHelpContext(), 55000);
    EXPECT_EQ(Captions(root->GetItem(6)), std::vector<QString>{"&Zoom"});
    EXPECT_EQ(root->GetItem(6)->GetItem(0)->GetTag(), 2);
    root->GetItem(7)->Click();
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(sys.FindItemByCommand(about->GetCommand()), about);

    // Shown, the system menu is owner-drawn with the classic frame.
    TMenuPopup* w = sys.GetSystemMenu()->GetWidget();
    w->popup(QPoint(0, 0));
    EXPECT_TRUE(w->HasOwnerDrawnEntries());
    EXPECT_FALSE(w->grab().isNull());
    w->hide();
    sys.SetPopupMenu(nullptr);
    EXPECT_EQ(root->Count(), 7);
}
