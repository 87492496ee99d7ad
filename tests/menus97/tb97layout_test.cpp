#include <gtest/gtest.h>

#include "menus97/TB97Layout.h"

namespace {

TB97DockBar Bar(int row, int pos, int length, int content = 22) {
    TB97DockBar b;
    b.DockRow = row;
    b.DockPos = pos;
    b.Length = length;
    b.Content = content;
    return b;
}

TEST(TB97Dock, OverlappingBarsEndUpSideBySide) {
    std::vector<TB97DockBar> bars{Bar(0, 0, 100), Bar(0, 50, 80)};
    const TB97DockResult r = TB97ArrangeDock(bars, 500, false, false);
    EXPECT_EQ(bars[0].DockPos, 0);
    EXPECT_EQ(bars[1].DockPos, 100);
    EXPECT_EQ(bars[1].Along, 100);
    ASSERT_EQ(r.Rows.size(), 1u);
    EXPECT_EQ(r.Rows[0], 26);
    EXPECT_EQ(r.Thickness, 26);
    EXPECT_EQ(bars[1].Thickness, 26);
}

TEST(TB97Dock, LastBarIsPulledBackIntoTheDock) {
    std::vector<TB97DockBar> bars{Bar(0, 0, 100), Bar(0, 450, 100)};
    TB97ArrangeDock(bars, 500, false, false);
    EXPECT_EQ(bars[0].DockPos, 0);
    EXPECT_EQ(bars[1].DockPos, 400);
    // The bar before it gives way too.
    bars = {Bar(0, 350, 100), Bar(0, 460, 100)};
    TB97ArrangeDock(bars, 500, false, false);
    EXPECT_EQ(bars[0].DockPos, 300);
    EXPECT_EQ(bars[1].DockPos, 400);
    // Too long for the dock altogether: starts at 0, never below.
    bars = {Bar(0, 20, 300), Bar(0, 30, 300)};
    TB97ArrangeDock(bars, 500, false, false);
    EXPECT_EQ(bars[0].DockPos, 0);
    EXPECT_EQ(bars[1].DockPos, 300);
}

TEST(TB97Dock, NegativePositionSortsFirstAndANewBarLast) {
    std::vector<TB97DockBar> bars{Bar(0, 0, 100), Bar(0, -1, 40), Bar(0, 120, 50), Bar(0, -8, 60), Bar(0, -1, 30)};
    const TB97DockResult r = TB97ArrangeDock(bars, 1000, false, false);
    // -8 first; the two new bars (-1) after the others, in their order.
    EXPECT_EQ(r.Order, (std::vector<int>{3, 0, 2, 1, 4}));
    EXPECT_EQ(bars[3].DockPos, 0);
    EXPECT_EQ(bars[0].DockPos, 60);
    EXPECT_EQ(bars[2].DockPos, 160);
    EXPECT_EQ(bars[1].DockPos, 210);
    EXPECT_EQ(bars[4].DockPos, 250);
    // Stored as arranged: arranging again changes nothing.
    TB97ArrangeDock(bars, 1000, false, false);
    EXPECT_EQ(bars[1].DockPos, 210);
    EXPECT_EQ(bars[4].DockPos, 250);
}

TEST(TB97Dock, EqualPositionsKeepTheirOrder) {
    // Enough bars that an unstable sort would mix them up.
    std::vector<TB97DockBar> bars;
    bars.reserve(40);
    for (int i = 0; i < 40; ++i) bars.push_back(Bar(i % 2, 5, 30 + i));
    const TB97DockResult r = TB97ArrangeDock(bars, 100000, false, false);
    std::vector<int> expected;
    for (int i = 0; i < 40; i += 2) expected.push_back(i);
    for (int i = 1; i < 40; i += 2) expected.push_back(i);
    ASSERT_EQ(r.Order, expected);
    // Side by side in that order from 5 (hand-summed lengths: bar i is 30 + i long).
    int end = 5;
    for (int i = 0; i < 40; i += 2) {
        EXPECT_EQ(bars[i].DockPos, end) << i;
        end += 30 + i;
    }
}

TEST(TB97Dock, RowsAreRenumberedAndSized) {
    std::vector<TB97DockBar> bars{Bar(3, 0, 50, 22), Bar(7, 0, 50, 30), Bar(3, 60, 50, 16), Bar(0, 0, 50, 4)};
    const TB97DockResult r = TB97ArrangeDock(bars, 500, false, false);
    EXPECT_EQ(bars[3].DockRow, 0);
    EXPECT_EQ(bars[0].DockRow, 1);
    EXPECT_EQ(bars[2].DockRow, 1);
    EXPECT_EQ(bars[1].DockRow, 2);
    EXPECT_EQ(r.Rows, (std::vector<int>{12, 26, 34}));  // content at least 8, + 4
    EXPECT_EQ(bars[1].Across, 38);
    EXPECT_EQ(r.Thickness, 72);

    std::vector<TB97DockBar> one{Bar(3, 0, 50), Bar(1, 0, 50)};
    const TB97DockResult r1 = TB97ArrangeDock(one, 500, true, false);
    EXPECT_EQ(one[0].DockRow, 0);
    EXPECT_EQ(one[1].DockRow, 0);
    EXPECT_EQ(one[1].DockPos, 50);
    EXPECT_EQ(r1.Rows.size(), 1u);

    std::vector<TB97DockBar> none;
    EXPECT_EQ(TB97ArrangeDock(none, 500, false, false).Thickness, 0);
    EXPECT_EQ(TB97ArrangeDock(none, 500, false, true).Thickness, 1);
}

TEST(TB97Dock, RowLookupWithinFivePixelsInsertsARow) {
    const std::vector<int> rows{26, 26};
    auto hit = [&](int pos) {
        const TB97RowHit h = TB97FindRow(rows, pos);
        return std::make_pair(h.Row, h.Insert);
    };
    EXPECT_EQ(hit(0), std::make_pair(0, true));
    EXPECT_EQ(hit(5), std::make_pair(0, true));
    EXPECT_EQ(hit(6), std::make_pair(0, false));
    EXPECT_EQ(hit(20), std::make_pair(0, false));
    EXPECT_EQ(hit(21), std::make_pair(1, true));
    EXPECT_EQ(hit(31), std::make_pair(1, true));
    EXPECT_EQ(hit(32), std::make_pair(1, false));
    EXPECT_EQ(hit(47), std::make_pair(2, true));
    EXPECT_EQ(hit(300), std::make_pair(2, true));
    const TB97RowHit empty = TB97FindRow({}, 10);
    EXPECT_EQ(empty.Row, 0);
    EXPECT_TRUE(empty.Insert);
}

TEST(TB97Dock, DockZones) {
    const TRect top(0, 0, 400, 26);
    // Grabbed 40 % down: the zone reaches 12 pixels below the dock.
    EXPECT_TRUE(TB97DockAccepts(top, dpTop, TPoint(200, 37), TRect(150, 25, 250, 50), 0.5, 0.4));
    EXPECT_FALSE(TB97DockAccepts(top, dpTop, TPoint(200, 39), TRect(150, 29, 250, 54), 0.5, 0.4));
    // The rectangle must meet the dock.
    EXPECT_FALSE(TB97DockAccepts(top, dpTop, TPoint(200, 30), TRect(150, 30, 250, 55), 0.5, 0.0));
    // Along the dock up to 32 pixels beyond its ends (60 % of it at the right).
    EXPECT_TRUE(TB97DockAccepts(top, dpTop, TPoint(418, 10), TRect(378, 0, 478, 25), 0.4, 0.4));
    EXPECT_FALSE(TB97DockAccepts(top, dpTop, TPoint(419, 10), TRect(379, 0, 479, 25), 0.4, 0.4));
    // An empty side dock is 1 pixel thick; no widening along it.
    const TRect left(0, 26, 0, 300);
    EXPECT_TRUE(TB97DockAccepts(left, dpLeft, TPoint(10, 100), TRect(-5, 90, 45, 115), 0.2, 0.5));
    EXPECT_FALSE(TB97DockAccepts(left, dpLeft, TPoint(30, 100), TRect(15, 90, 65, 115), 0.2, 0.5));
    EXPECT_FALSE(TB97DockAccepts(left, dpLeft, TPoint(10, 310), TRect(-5, 300, 45, 325), 0.2, 0.5));
}

TEST(TB97Floating, WindowsComeBackOntoTheNearestScreen) {
    const TRect a = Bounds(0, 0, 1920, 1080), b = Bounds(1920, 0, 1280, 1024);
    const TRect onB = Bounds(2500, 100, 200, 80);
    EXPECT_EQ(TB97KeepOnScreen(onB, {a, b}), onB);
    // The second screen goes: the window comes onto the first, at its right edge.
    EXPECT_EQ(TB97KeepOnScreen(onB, {a}), Bounds(1720, 100, 200, 80));
    // Partly off a screen: pulled fully on.
    EXPECT_EQ(TB97KeepOnScreen(Bounds(-50, 1050, 200, 80), {a, b}), Bounds(0, 1000, 200, 80));
    // Across two screens (70 pixels on the first, 130 on the second): onto
    // the one it overlaps most.
    EXPECT_EQ(TB97KeepOnScreen(Bounds(1850, 10, 200, 80), {a, b}), Bounds(1920, 10, 200, 80));
    // Off every screen: onto the one at the smallest distance (120 pixels
    // below the first), though the second's centre is nearer.
    const TRect small = Bounds(1920, 0, 800, 600);
    EXPECT_EQ(TB97KeepOnScreen(Bounds(1900, 1200, 100, 50), {a, small}), Bounds(1820, 1030, 100, 50));
    // Larger than the screen: its top-left corner on the screen's.
    EXPECT_EQ(TB97KeepOnScreen(Bounds(-100, -100, 3000, 2000), {a}), Bounds(0, 0, 3000, 2000));
    // No screen known: left where it is.
    EXPECT_EQ(TB97KeepOnScreen(onB, {}), onB);
}

// Three buttons, separator, two buttons, separator, one button.
std::vector<TB97Item> SampleItems() {
    std::vector<TB97Item> items;
    auto button = [&](int w = 23, int h = 22) {
        TB97Item it;
        it.Width = w;
        it.Height = h;
        items.push_back(it);
    };
    auto sep = [&] {
        TB97Item it;
        it.Separator = true;
        items.push_back(it);
    };
    button(), button(), button(), sep(), button(), button(), sep(), button();
    return items;
}

TEST(TB97Toolbar, SingleLineAndMargins) {
    std::vector<TB97Item> items = SampleItems();
    const TB97Margins fm = TB97ToolbarMargins(true, true);
    EXPECT_EQ(fm.Left, 4);
    EXPECT_EQ(fm.Bottom, 1);
    const TB97ToolbarResult r = TB97ArrangeToolbar(items, false, true, fm, kTB97Unlimited, 0);
    EXPECT_EQ(items[0].Bounds, TRect(4, 2, 27, 24));
    EXPECT_EQ(items[3].Bounds, TRect(73, 2, 79, 24));
    EXPECT_EQ(items[7].Bounds, TRect(131, 2, 154, 24));
    EXPECT_EQ(r.Client, TSize(158, 25));
    EXPECT_TRUE(r.SeparatorLines.empty());
    EXPECT_EQ(TB97ToolbarMargins(false, true).Left, 11);
    EXPECT_EQ(TB97ToolbarMargins(false, false).Left, 2);
}

TEST(TB97Toolbar, WrapsBySeparatorGroups) {
    std::vector<TB97Item> items = SampleItems();
    const TB97ToolbarResult r = TB97ArrangeToolbar(items, false, true, TB97ToolbarMargins(true, true), 130, 0);
    // The separator ending the first line gives way to a line across.
    EXPECT_EQ(items[3].Bounds.Width(), 0);
    // Recorded where the next line starts: top margin 2 + content 22 + 6.
    ASSERT_EQ(r.SeparatorLines, std::vector<int>{30});
    EXPECT_EQ(items[4].Bounds, TRect(4, 30, 27, 52));
    EXPECT_EQ(items[6].Bounds, TRect(50, 30, 56, 52));
    EXPECT_EQ(items[7].Bounds, TRect(56, 30, 79, 52));
    EXPECT_EQ(r.Client, TSize(83, 53));
    EXPECT_EQ(r.Lines, 2);
}

TEST(TB97Toolbar, WrapsWithinAGroupWithoutTheGap) {
    std::vector<TB97Item> items(5);
    for (TB97Item& it : items) it.Width = 23, it.Height = 22;
    items[2].Height = 16;  // centred across
    const TB97ToolbarResult r = TB97ArrangeToolbar(items, false, true, TB97ToolbarMargins(true, true), 60, 0);
    EXPECT_EQ(items[1].Bounds, TRect(27, 2, 50, 24));
    EXPECT_EQ(items[2].Bounds, TRect(4, 27, 27, 43));
    EXPECT_EQ(items[4].Bounds, TRect(4, 46, 27, 68));
    EXPECT_EQ(r.Client, TSize(54, 69));
    EXPECT_TRUE(r.SeparatorLines.empty());
}

TEST(TB97Toolbar, VerticalDockAndEmptyToolbars) {
    std::vector<TB97Item> items = SampleItems();
    items[1].Visible = false;
    const TB97ToolbarResult r =
        TB97ArrangeToolbar(items, true, false, TB97ToolbarMargins(false, true), kTB97Unlimited, 27);
    EXPECT_EQ(items[0].Bounds, TRect(2, 11, 25, 33));
    EXPECT_EQ(items[2].Bounds, TRect(2, 33, 25, 55));
    EXPECT_EQ(items[3].Bounds, TRect(2, 55, 25, 61));  // SizeVert high, content wide
    EXPECT_EQ(r.Client, TSize(27, 11 + 5 * 22 + 2 * 6 + 2));

    std::vector<TB97Item> none;
    EXPECT_EQ(TB97ArrangeToolbar(none, false, true, TB97ToolbarMargins(true, true), kTB97Unlimited, 0).Client,
              TSize(12, 10));
    EXPECT_EQ(TB97ArrangeToolbar(none, false, false, TB97ToolbarMargins(false, true), kTB97Unlimited, 26).Client,
              TSize(11, 26));
}

TEST(TB97Toolbar, SizeListAndSnapping) {
    std::vector<TB97Item> items(4);
    for (TB97Item& it : items) it.Width = 23, it.Height = 22;
    const TB97Margins m = TB97ToolbarMargins(true, true);
    const std::vector<TB97SizeChoice> byWidth = TB97SizeList(items, m, TSize(6, 20), true);
    ASSERT_EQ(byWidth.size(), 4u);
    EXPECT_EQ(byWidth[0].Size, TSize(37, 111));
    EXPECT_EQ(byWidth[1].Size, TSize(60, 67));
    EXPECT_EQ(byWidth[2].Size, TSize(83, 67));
    EXPECT_EQ(byWidth[3].Size, TSize(106, 45));
    EXPECT_EQ(byWidth[0].Available, 53);
    EXPECT_EQ(byWidth[3].Available, 100);
    const std::vector<TB97SizeChoice> byHeight = TB97SizeList(items, m, TSize(6, 20), false);
    EXPECT_EQ(byHeight[0].Size, TSize(106, 45));
    EXPECT_EQ(byHeight[1].Size, TSize(83, 67));  // equal heights stay in the order found
    EXPECT_EQ(byHeight[3].Size, TSize(37, 111));

    const std::vector<int> ext{31, 54, 77, 100};
    EXPECT_EQ(TB97SnapDistance(ext, 1), 12);
    EXPECT_EQ(TB97SnapDistance({10, 15, 40}, 1), 4);
    EXPECT_EQ(TB97SnapDistance({10, 11}, 0), 0);
    EXPECT_EQ(TB97PickSize(ext, 1, 60, 12), 1);
    EXPECT_EQ(TB97PickSize(ext, 1, 80, 12), 2);
    EXPECT_EQ(TB97PickSize(ext, 1, 76, 12), 1);
    EXPECT_EQ(TB97PickSize(ext, 1, 500, 12), 3);
    EXPECT_EQ(TB97PickSize(ext, 1, 40, 12), 1);
    EXPECT_EQ(TB97PickSize(ext, 1, 30, 12), 0);
    EXPECT_EQ(TB97PickSize(ext, 3, 60, 12), 2);
}

TEST(TB97Glyphs, CountsAndImageSizes) {
    EXPECT_EQ(TB97GlyphCount(64, 16, 1), 4);
    EXPECT_EQ(TB97GlyphCount(96, 16, 1), 1);  // 6 is not below 6
    EXPECT_EQ(TB97GlyphCount(16, 0, 1), 1);   // no division by zero
    EXPECT_EQ(TB97GlyphCount(50, 16, 2), 2);
    EXPECT_EQ(TB97ClampNumGlyphs(7), 5);
    EXPECT_EQ(TB97ClampNumGlyphs(0), 1);
    EXPECT_EQ(TB97ClampNumGlyphs(-3), 1);
    EXPECT_EQ(TB97GlyphImageSize(64, 16, 4), TSize(17, 17));
    EXPECT_EQ(TB97GlyphImageSize(64, 0, 4), TSize(0, 0));
    EXPECT_EQ(TB97GlyphImageSize(64, 16, 0), TSize(65, 17));
}

TB97ButtonLayoutOut Layout(TRect client, TSize glyph, TSize text, TButtonLayout layout, int margin, int spacing,
                           bool arrow = false, bool down = false) {
    TB97ButtonLayoutIn in;
    in.Client = client;
    in.Glyph = glyph;
    in.Text = text;
    in.Layout = layout;
    in.Margin = margin;
    in.Spacing = spacing;
    in.Arrow = arrow;
    in.Down = down;
    return TB97ButtonLayout(in);
}

TEST(TB97Button, LayoutRectangles) {
    const TRect flat23(1, 1, 22, 21);
    EXPECT_EQ(Layout(flat23, {16, 16}, {}, blGlyphLeft, -1, 4).GlyphPos, TPoint(4, 3));
    EXPECT_EQ(Layout(flat23, {16, 16}, {}, blGlyphLeft, -1, 4, false, true).GlyphPos, TPoint(5, 4));

    const TRect wide(1, 1, 59, 21);
    TB97ButtonLayoutOut o = Layout(wide, {16, 16}, {20, 13}, blGlyphLeft, -1, 4);
    EXPECT_EQ(o.GlyphPos, TPoint(10, 3));
    EXPECT_EQ(o.TextRect, TRect(30, 5, 50, 18));
    o = Layout(wide, {16, 16}, {20, 13}, blGlyphLeft, -1, -1);  // free space in three
    EXPECT_EQ(o.GlyphPos.X, 8);
    EXPECT_EQ(o.TextRect.Left, 31);
    o = Layout(wide, {16, 16}, {20, 13}, blGlyphLeft, 2, -1);  // text centred after the glyph
    EXPECT_EQ(o.GlyphPos.X, 3);
    EXPECT_EQ(o.TextRect.Left, 29);
    o = Layout(wide, {16, 16}, {20, 13}, blGlyphRight, 2, 4);
    EXPECT_EQ(o.GlyphPos.X, 41);
    EXPECT_EQ(o.TextRect.Left, 17);

    o = Layout(TRect(2, 2, 40, 38), {16, 16}, {20, 13}, blGlyphTop, -1, 4);
    EXPECT_EQ(o.GlyphPos, TPoint(13, 4));
    EXPECT_EQ(o.TextRect, TRect(11, 24, 31, 37));
    // Stacked without a glyph: side by side.
    o = Layout(wide, {}, {20, 13}, blGlyphTop, -1, 4);
    EXPECT_EQ(o.TextRect, TRect(1 + 19, 5, 1 + 39, 18));

    o = Layout(TRect(1, 1, 31, 21), {16, 16}, {}, blGlyphLeft, -1, 4, true);
    EXPECT_EQ(o.GlyphPos, TPoint(4, 3));
    EXPECT_EQ(o.ArrowPos, TPoint(20, 9));
    o = Layout(wide, {}, {20, 13}, blGlyphLeft, -1, 4, true);  // the arrow follows the caption
    EXPECT_EQ(o.ArrowPos.X, 37);
    EXPECT_EQ(o.TextRect.Left, 13);

    EXPECT_EQ(TB97WrapWidth(58, 16, true, false, -1, 4), 30);
    EXPECT_EQ(TB97WrapWidth(58, 16, true, true, 2, -1), 25);
    EXPECT_EQ(TB97WrapWidth(58, 16, false, true, 2, 4), 54);
}

TEST(TB97Captions, ShortenedWithDotsNeverBelowFiveCharacters) {
    auto measure = [](const QString& s) { return 6 * static_cast<int>(s.size()); };
    EXPECT_EQ(TB97ShortenCaption("Formatting", 60, measure), "Formatting");
    EXPECT_EQ(TB97ShortenCaption("Formatting", 40, measure), "For...");
    EXPECT_EQ(TB97ShortenCaption("Formatting", 10, measure), "Fo...");
    EXPECT_EQ(TB97ShortenCaption("Tools", 1, measure), "Tools");
}

TEST(MenuBar97, ButtonWidthsAndSteps) {
    EXPECT_EQ(MenuBar97ButtonWidth("&File", 20), 30);
    EXPECT_EQ(MenuBar97ButtonWidth("Wi", 30), 30);
    const std::vector<bool> visible{true, true, false, true};
    EXPECT_EQ(MenuBar97Step(visible, 3, 1), 0);
    EXPECT_EQ(MenuBar97Step(visible, 0, -1), 3);
    EXPECT_EQ(MenuBar97Step(visible, 1, 1), 3);
    EXPECT_EQ(MenuBar97Step({false, true}, 1, 1), 1);
}

}  // namespace
