// The picture control's geometry without a widget: stretch rules, centring,
// auto size, tiles, coordinate mapping, selection drags, cursors, clocks.
#include <gtest/gtest.h>

#include <cmath>

#include "image/PGImageLayout.h"

namespace {

const TSize kBars(16, 16);

struct StretchCase {
    TStretch Rule;
    TSize Picture;
    int Width, Height;
    long double Zoom;
};

void ExpectShown(const StretchCase& c, TSize area = TSize(100, 100), long double zoomFactor = 1.0L) {
    const TShownSize s = StretchedSize(c.Rule, c.Picture, area, kBars, zoomFactor);
    EXPECT_EQ(s.Width, c.Width) << "rule " << int(c.Rule) << " picture " << c.Picture.cx << "x" << c.Picture.cy;
    EXPECT_EQ(s.Height, c.Height) << "rule " << int(c.Rule) << " picture " << c.Picture.cx << "x" << c.Picture.cy;
    EXPECT_NEAR(double(s.Zoom), double(c.Zoom), 1e-12) << "rule " << int(c.Rule);
}

// Union of rectangles as a pixel count over a client area (each pixel once).
int CoveredPixels(const std::vector<TRect>& rects, TSize client) {
    int n = 0;
    for (int y = 0; y < client.cy; ++y)
        for (int x = 0; x < client.cx; ++x)
            for (const TRect& r : rects)
                if (r.Contains(x, y)) {
                    ++n;
                    break;
                }
    return n;
}

}  // namespace

TEST(PGImageLayout, EveryStretchRule) {
    // 300 x 50 in 100 x 100: wider than the area, lower than it; then a
    // small and a tall picture.
    const TSize p(300, 50), small(40, 20), tall(50, 200);
    for (const StretchCase& c : std::vector<StretchCase>{
             {sNeverKAR, p, 300, 50, 1},
             {sAlways, p, 100, 100, -1},
             {sAlwaysKAR, p, 100, 16, 100.0L / 300},  // height truncated
             {sShrink, p, 100, 50, -1},
             {sShrinkKAR, p, 100, 16, 100.0L / 300},
             {sEnlarge, p, 300, 84, -1},  // the horizontal bar it needs is left free
             {sEnlargeKAR, p, 300, 50, 1},
             {sAlwaysLongerEdgeKAR, p, 504, 84, 84.0L / 50},
             {sShrinkLongerEdgeKAR, p, 300, 50, 1},
             {sEnlargeShrinkLongerEdgeKAR, p, 300, 50, 1},
             {sEnlargeLongerEdgeKAR, p, 504, 84, 84.0L / 50},
             {sZoomKAR, p, 300, 50, 1},
             {sShrink, small, 40, 20, 1},
             {sShrinkKAR, small, 40, 20, 1},
             {sEnlarge, small, 100, 100, -1},
             {sEnlargeKAR, small, 100, 50, 2.5},
             {sAlwaysLongerEdgeKAR, small, 168, 84, 84.0L / 20},
             {sShrinkLongerEdgeKAR, small, 40, 20, 1},
             {sEnlargeShrinkLongerEdgeKAR, small, 100, 50, 2.5},
             {sEnlargeLongerEdgeKAR, small, 168, 84, 84.0L / 20},
             {sAlwaysKAR, tall, 25, 100, 0.5},
             {sEnlarge, tall, 84, 200, -1},  // room left for the vertical bar
             {sAlwaysLongerEdgeKAR, tall, 84, 336, 84.0L / 50},
             {sShrinkLongerEdgeKAR, tall, 50, 200, 1},  // fits beside a bar
             {sEnlargeLongerEdgeKAR, tall, 84, 336, 84.0L / 50},
         })
        ExpectShown(c);
}

TEST(PGImageLayout, ZoomRoundsHalvesToEvenAndIgnoresNonsense) {
    ExpectShown({sZoomKAR, TSize(10, 10), 25, 25, 2.5}, TSize(100, 100), 2.5L);
    ExpectShown({sZoomKAR, TSize(3, 5), 8, 12, 2.5}, TSize(100, 100), 2.5L);  // 7.5 -> 8, 12.5 -> 12
    ExpectShown({sZoomKAR, TSize(10, 10), 10, 10, 1}, TSize(100, 100), 0.0L);
    ExpectShown({sZoomKAR, TSize(10, 10), 10, 10, 1}, TSize(100, 100), -3.0L);
    ExpectShown({sZoomKAR, TSize(10, 10), 10, 10, 1}, TSize(100, 100), std::nanl(""));
    const TShownSize huge = StretchedSize(sZoomKAR, TSize(10, 10), TSize(100, 100), kBars, 1e30L);
    EXPECT_EQ(huge.Width, PGMaxShownSide);
    EXPECT_EQ(huge.Height, PGMaxShownSide);
    // Nothing is scaled without a picture or without room.
    ExpectShown({sAlways, TSize(0, 0), 0, 0, 1});
    ExpectShown({sAlwaysKAR, TSize(30, 30), 30, 30, 1}, TSize(0, 50));
}

TEST(PGImageLayout, CentringLeavesRoomForTheBarsAnOverflowBrings) {
    EXPECT_EQ(ShownPlacement(true, TSize(10, 10), TSize(96, 96), kBars), TPoint(43, 43));
    EXPECT_EQ(ShownPlacement(false, TSize(10, 10), TSize(96, 96), kBars), TPoint(0, 0));
    // Too wide: the horizontal bar takes 16 rows off the height.
    EXPECT_EQ(ShownPlacement(true, TSize(200, 50), TSize(100, 100), kBars), TPoint(0, 17));
    // Too high after the first bar: the second bar narrows the width too.
    EXPECT_EQ(ShownPlacement(true, TSize(200, 90), TSize(100, 100), kBars), TPoint(0, 0));
    EXPECT_EQ(ShownPlacement(true, TSize(90, 90), TSize(100, 95), kBars), TPoint(5, 2));
}

TEST(PGImageLayout, AutoSizeCountsBorderBarsAndLimits) {
    const TSize none(0, 0), unlimited(2147483647, 2147483647);
    EXPECT_EQ(AutoSizeOf(TSize(50, 40), 2, none, unlimited, kBars), TSize(54, 44));
    EXPECT_EQ(AutoSizeOf(TSize(50, 40), 0, none, unlimited, kBars), TSize(50, 40));
    // Limited width: a horizontal bar adds to the height.
    EXPECT_EQ(AutoSizeOf(TSize(50, 40), 2, none, TSize(30, 1000), kBars), TSize(30, 60));
    // Both limited: each bar is counted once.
    EXPECT_EQ(AutoSizeOf(TSize(50, 40), 2, none, TSize(30, 50), kBars), TSize(30, 50));
    // The bar that the width needs pushes the height over its limit: then
    // the vertical bar is counted as well.
    EXPECT_EQ(AutoSizeOf(TSize(50, 40), 2, TSize(0, 0), TSize(53, 55), kBars), TSize(53, 55));
    EXPECT_EQ(AutoSizeOf(TSize(50, 40), 2, TSize(0, 0), TSize(53, 1000), kBars), TSize(53, 60));
    EXPECT_EQ(AutoSizeOf(TSize(0, 0), 2, TSize(20, 10), unlimited, kBars), TSize(20, 10));
    EXPECT_EQ(AutoSizeOf(TSize(2147483647, 10), 2, none, unlimited, kBars).cx, 2147483647);
}

TEST(PGImageLayout, TilesCoverTheClientExactlyWherever) {
    const TSize client(48, 40);
    for (int left : {-25, -10, 0, 1, 7, 43, 47})
        for (int top : {-9, 0, 3, 30, 39})
            for (TSize size : {TSize(10, 10), TSize(7, 13), TSize(1, 1), TSize(200, 5)}) {
                const TRect r = Bounds(left, top, size.cx, size.cy);
                const TTileRange t = TileRangeOf(r, client, true);
                ASSERT_FALSE(t.Empty);
                std::vector<TRect> tiles;
                for (int g = t.G0; g <= t.G1; ++g)
                    for (int i = t.I0; i <= t.I1; ++i) {
                        tiles.push_back(TileRect(r, g, i));
                        // A picture that starts inside the client area wastes no tile.
                        if (left >= 0 && top >= 0) {
                            EXPECT_FALSE(IntersectRect(tiles.back(), TRect(0, 0, client.cx, client.cy)).IsEmpty())
                                << left << "," << top << " tile " << g << "," << i;
                        }
                    }
                EXPECT_EQ(CoveredPixels(tiles, client), client.cx * client.cy) << left << "," << top;
            }
}

TEST(PGImageLayout, EachTilingModeMirrorsItsOddRowsOrColumns) {
    EXPECT_EQ(TileMirrorOf(tRepeat, false, false, 1, 1), (TTileMirror{false, false}));
    EXPECT_EQ(TileMirrorOf(tMirrorHorizontal, false, false, 1, -3), (TTileMirror{true, false}));
    EXPECT_EQ(TileMirrorOf(tMirrorVertical, false, false, -1, 3), (TTileMirror{false, true}));
    EXPECT_EQ(TileMirrorOf(tMirror, false, false, 1, -1), (TTileMirror{true, true}));
    EXPECT_EQ(TileMirrorOf(tMirror, false, false, -2, 4), (TTileMirror{false, false}));
    EXPECT_EQ(TileMirrorOf(tMirror, true, false, 1, 1), (TTileMirror{false, true}));  // a flip turns it round
}

TEST(PGImageLayout, APictureFittedToNothingHasNoTiles) {
    const TShownSize s = StretchedSize(sAlwaysKAR, TSize(3000, 1), TSize(96, 96), kBars, 1);
    EXPECT_EQ(s.Height, 0);
    EXPECT_TRUE(TileRangeOf(TRect(0, 0, s.Width, s.Height), TSize(96, 96), true).Empty);
    EXPECT_TRUE(TileRangeOf(TRect(5, 5, 5, 50), TSize(96, 96), true).Empty);
    const TTileRange single = TileRangeOf(TRect(43, 43, 53, 53), TSize(96, 96), false);
    EXPECT_EQ(single.G0 | single.G1 | single.I0 | single.I1, 0);
}

TEST(PGImageLayout, CoordinateMappingAtSeveralZooms) {
    EXPECT_EQ(PaintBoxToPicture(29, 10, 30), 9);  // 300 %
    EXPECT_EQ(PictureToPaintBox(9, 10, 30), 27);
    EXPECT_EQ(PaintBoxToPicture(49, 100, 50), 98);  // 50 %
    EXPECT_EQ(PictureToPaintBox(99, 100, 50), 49);
    EXPECT_EQ(PaintBoxToPicture(50, 300, 100), 150);  // unproportional
    // Left of the box truncates toward zero; empty sizes give 0.
    EXPECT_EQ(PaintBoxToPicture(-4, 10, 30), -1);
    EXPECT_EQ(PaintBoxToPicture(5, 10, 0), 0);
    EXPECT_EQ(PictureToPaintBox(5, 0, 30), 0);
    EXPECT_EQ(PictureToPaintBox(int64_t(2147483647) + 2147483647, 1, PGMaxShownSide), 2147483647);
}

TEST(PGImageLayout, SelectionDrags) {
    const TSelectionRect s{10, 10, 20, 20};
    const TSize graphic(100, 80);
    // Moving keeps at least one pixel on the picture.
    TPoint grab = DragGrab(s, dsMovingSelection, TPoint(15, 17));
    EXPECT_EQ(grab, TPoint(5, 7));
    EXPECT_EQ(DraggedSelection(s, dsMovingSelection, TPoint(35, 37), grab, {}, graphic),
              (TSelectionRect{30, 30, 20, 20}));
    EXPECT_EQ(DraggedSelection(s, dsMovingSelection, TPoint(-500, -500), grab, {}, graphic),
              (TSelectionRect{-19, -19, 20, 20}));
    EXPECT_EQ(DraggedSelection(s, dsMovingSelection, TPoint(500, 500), grab, {}, graphic),
              (TSelectionRect{99, 79, 20, 20}));
    // Creating spans anchor and mouse, either way round.
    EXPECT_EQ(DraggedSelection({}, dsCreatingSelection, TPoint(5, 20), {}, TPoint(10, 10), {}),
              (TSelectionRect{5, 10, 6, 11}));
    // Handles move their edges only, and never leave less than one pixel.
    grab = DragGrab(s, dsHandleBottomRight, TPoint(30, 30));
    EXPECT_EQ(grab, TPoint(10, 10));
    EXPECT_EQ(DraggedSelection(s, dsHandleBottomRight, TPoint(40, 35), grab, {}, {}), (TSelectionRect{10, 10, 30, 25}));
    EXPECT_EQ(DraggedSelection(s, dsHandleBottomRight, TPoint(0, 0), grab, {}, {}), (TSelectionRect{10, 10, 1, 1}));
    grab = DragGrab(s, dsHandleTopLeft, TPoint(9, 9));
    EXPECT_EQ(DraggedSelection(s, dsHandleTopLeft, TPoint(1, 6), grab, {}, {}), (TSelectionRect{2, 7, 28, 23}));
    EXPECT_EQ(DraggedSelection(s, dsHandleTopLeft, TPoint(90, 90), grab, {}, {}), (TSelectionRect{29, 29, 1, 1}));
    grab = DragGrab(s, dsHandleTop, TPoint(20, 10));
    EXPECT_EQ(DraggedSelection(s, dsHandleTop, TPoint(999, 0), grab, {}, {}), (TSelectionRect{10, 0, 20, 30}));
    grab = DragGrab(s, dsHandleLeft, TPoint(10, 20));
    EXPECT_EQ(DraggedSelection(s, dsHandleLeft, TPoint(4, 999), grab, {}, {}), (TSelectionRect{4, 10, 26, 20}));
    grab = DragGrab(s, dsHandleTopRight, TPoint(30, 10));
    EXPECT_EQ(DraggedSelection(s, dsHandleTopRight, TPoint(25, 12), grab, {}, {}), (TSelectionRect{10, 12, 15, 18}));
}

TEST(PGImageLayout, HandleSquaresAndTheStripsThatRepaintThem) {
    const TRect frame(20, 20, 40, 40);
    EXPECT_EQ(HandleRect(frame, dsHandleTopLeft), TRect(12, 12, 17, 17));
    EXPECT_EQ(HandleRect(frame, dsHandleBottom), TRect(28, 43, 33, 48));
    EXPECT_EQ(HandleAt(frame, 14, 14), dsHandleTopLeft);
    EXPECT_EQ(HandleAt(frame, 30, 14), dsHandleTop);
    EXPECT_EQ(HandleAt(frame, 45, 30), dsHandleRight);
    EXPECT_EQ(HandleAt(frame, 47, 47), dsHandleBottomRight);
    EXPECT_EQ(HandleAt(frame, 30, 30), dsIdle);
    EXPECT_EQ(HandleAt(frame, 17, 17), dsIdle);  // right and bottom of a square are outside

    // The strips hold the frame line (one pixel outside the selection) and,
    // with the margin of 8, every handle.
    const std::vector<TRect> thin = SelectionStrips(frame, 1), wide = SelectionStrips(frame, 8);
    auto covered = [](const std::vector<TRect>& strips, int x, int y) {
        for (const TRect& s : strips)
            if (s.Contains(x, y)) return true;
        return false;
    };
    for (int k = 19; k <= 40; ++k)
        for (const TPoint& p : {TPoint(k, 19), TPoint(k, 40), TPoint(19, k), TPoint(40, k)})
            EXPECT_TRUE(covered(thin, p.X, p.Y)) << p.X << "," << p.Y;
    EXPECT_FALSE(covered(thin, 30, 30));
    for (int state = dsHandleTopLeft; state <= dsHandleBottomRight; ++state) {
        const TRect h = HandleRect(frame, state);
        for (int y = h.Top; y < h.Bottom; ++y)
            for (int x = h.Left; x < h.Right; ++x) EXPECT_TRUE(covered(wide, x, y)) << state;
    }
}

TEST(PGImageLayout, CursorRulesLaterOnesWin) {
    EXPECT_EQ(PicBoxCursorKind(amMoveImage, false, false, false, false, 0), pckOwn);
    EXPECT_EQ(PicBoxCursorKind(amMoveImage, true, true, false, false, 0), pckClosedHand);
    EXPECT_EQ(PicBoxCursorKind(amCreateSelection, true, false, true, true, 0), pckCross);
    EXPECT_EQ(PicBoxCursorKind(amMoveResizeCreateSelection, false, false, true, true, 0), pckMove);
    EXPECT_EQ(PicBoxCursorKind(amMoveSelectionMoveImage, true, false, false, true, 0), pckOpenHand);
    EXPECT_EQ(PicBoxCursorKind(amMoveResizeCreateSelection, false, false, true, false, dsHandleTop), pckSizeNS);
    EXPECT_EQ(PicBoxCursorKind(amMoveResizeCreateSelection, false, false, true, false, dsHandleBottomLeft),
              pckSizeNESW);
    EXPECT_EQ(PicBoxCursorKind(amMoveSelection, false, false, true, false, dsHandleTop), pckOwn);
}

TEST(PGImageLayout, ClocksAndTheirHands) {
    EXPECT_TRUE(ClockOrigins(TRect(0, 0, 20, 21), true).empty());
    EXPECT_EQ(ClockOrigins(TRect(0, 0, 100, 101), true).size(), 1u);
    EXPECT_EQ(ClockOrigins(TRect(10, 10, 111, 111), true),
              (std::vector<TPoint>{TPoint(53, 53), TPoint(15, 15), TPoint(91, 15), TPoint(15, 91), TPoint(91, 91)}));
    TPoint hour, minute;
    ClockHands(TPoint(0, 0), 1, 25, hour, minute);
    EXPECT_EQ(hour, TPoint(8, 1));  // a quarter of a twelfth
    EXPECT_EQ(minute, TPoint(14, 7));
    // Each stage turns the hour hand a twelfth: the fourth points right.
    ClockHands(TPoint(0, 0), 4, 0, hour, minute);
    EXPECT_EQ(hour, TPoint(13, 7));
    EXPECT_EQ(minute, TPoint(7, 0));
}
