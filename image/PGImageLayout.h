#pragma once
// The arithmetic of the picture control (TPGImage) without any widget: the
// displayed size under each stretch rule, centring, auto size, the tiles that
// cover the client area, mapping between paint-box and picture pixels, the
// selection handles and what a drag does to the selection, the progress
// clocks. The control only feeds these with its sizes and state.
#include <cstdint>
#include <vector>

#include "platform/Geometry.h"

// How the picture is scaled into the area of the control ("KAR": keeping the
// aspect ratio).
enum TStretch : uint8_t {
    sNeverKAR,
    sAlways,
    sAlwaysKAR,
    sShrink,
    sShrinkKAR,
    sEnlarge,
    sEnlargeKAR,
    sAlwaysLongerEdgeKAR,
    sShrinkLongerEdgeKAR,
    sEnlargeShrinkLongerEdgeKAR,
    sEnlargeLongerEdgeKAR,
    sZoomKAR
};

enum TTiling : uint8_t { tNone, tRepeat, tMirrorHorizontal, tMirrorVertical, tMirror };

// What a left drag on the picture does.
enum TActionMode : uint8_t {
    amMoveImage,
    amMoveResizeCreateSelection,
    amMoveSelection,
    amMoveSelectionMoveImage,
    amCreateSelection,
    amNone
};

// Drag states; the eight handles are 4..11 in the order top-left,
// top-middle, top-right, left-middle, right-middle, bottom-left,
// bottom-middle, bottom-right.
enum : int {
    dsIdle = 0,
    dsPanning = 1,
    dsMovingSelection = 2,
    dsCreatingSelection = 3,
    dsHandleTopLeft = 4,
    dsHandleTop = 5,
    dsHandleTopRight = 6,
    dsHandleLeft = 7,
    dsHandleRight = 8,
    dsHandleBottomLeft = 9,
    dsHandleBottom = 10,
    dsHandleBottomRight = 11
};

// Largest side the control gives its paint box: a huge zoom factor is held
// there instead of overflowing.
constexpr int PGMaxShownSide = 16777215;

// The displayed picture size and its zoom; a zoom of -1 marks a size that
// does not keep the aspect ratio.
struct TShownSize {
    int Width = 0;
    int Height = 0;
    long double Zoom = 1.0L;
};

// picture: the picture size; area: the client area without scroll bars;
// bars: cx = vertical bar width, cy = horizontal bar height.
TShownSize StretchedSize(TStretch stretch, TSize picture, TSize area, TSize bars, long double zoomFactor);

// Top-left of the shown picture in the area (0, 0 unless centred).
TPoint ShownPlacement(bool center, TSize shown, TSize area, TSize bars);

// The control size that shows the whole picture inside a border of the given
// width, with the scroll bars that the limits make necessary, kept within
// [minSize, maxSize].
TSize AutoSizeOf(TSize picture, int border, TSize minSize, TSize maxSize, TSize bars);

// The margins around the picture rectangle r inside the client area: above,
// below, left and right of r, each only where there is room.
std::vector<TRect> MarginRects(const TRect& r, TSize client);

// Rows g0..g1 and columns i0..i1 of tiles; tile (0, 0) is r itself. Without
// tiling only that tile; an r without area has no tiles (Empty).
struct TTileRange {
    int G0 = 0, G1 = 0, I0 = 0, I1 = 0;
    bool Empty = false;
};
TTileRange TileRangeOf(const TRect& r, TSize client, bool tiling);
inline TRect TileRect(const TRect& r, int g, int i) { return r.Offsetted(i * r.Width(), g * r.Height()); }
// Whether tile (g, i) is shown mirrored horizontally / vertically.
struct TTileMirror {
    bool Horizontal = false;
    bool Vertical = false;
    bool operator==(const TTileMirror& o) const { return Horizontal == o.Horizontal && Vertical == o.Vertical; }
};
TTileMirror TileMirrorOf(TTiling tiling, bool flipHorizontal, bool flipVertical, int g, int i);

// Paint-box pixels to picture pixels and back (0 when the divisor is not
// positive).
int PaintBoxToPicture(int v, int graphicSize, int boxSize);
int PictureToPaintBox(int64_t v, int graphicSize, int boxSize);

// A selection in picture pixels.
struct TSelectionRect {
    int Left = 0, Top = 0, Width = 1, Height = 1;
    int64_t Right() const { return int64_t(Left) + Width; }
    int64_t Bottom() const { return int64_t(Top) + Height; }
    bool operator==(const TSelectionRect& o) const {
        return Left == o.Left && Top == o.Top && Width == o.Width && Height == o.Height;
    }
    bool operator!=(const TSelectionRect& o) const { return !(*this == o); }
};

// The 5 x 5 square of a handle (state 4..11) around the selection frame r
// (paint-box pixels), and the first handle that holds (x, y), or dsIdle.
TRect HandleRect(const TRect& r, int state);
int HandleAt(const TRect& r, int x, int y);
// The grab offset when a drag of state 2..11 starts at picture point p.
TPoint DragGrab(const TSelectionRect& s, int state, TPoint p);
// The selection after the mouse moved to picture point p during a drag of
// state 2 (move), 3 (create from anchor) or 4..11 (handles). graphic is the
// picture size (a moved selection keeps at least one pixel on it).
TSelectionRect DraggedSelection(const TSelectionRect& s, int state, TPoint p, TPoint grab, TPoint anchor,
                                TSize graphic);
// The four strips that cover a selection frame r drawn with margin e (the
// handles reach 8 pixels out): left, top, right, bottom.
std::vector<TRect> SelectionStrips(const TRect& r, int e);
// Pattern k (0..7) of the marching ants: true where pixel (x, y) takes the
// second selection colour.
inline bool AntsSecondColor(int x, int y, int k) { return (x + y - k + 8 + 64) % 8 > 3; }

// Which cursor the paint box shows, by rules of which later ones win: the
// hands while the picture can be panned, the cross where a selection can be
// created, the four-way arrow inside a shown selection, sizing arrows over its
// handles (handle: dsIdle or 4..11). pckOwn: the paint box's own cursor.
enum TPicBoxCursorKind {
    pckOwn,
    pckOpenHand,
    pckClosedHand,
    pckCross,
    pckMove,
    pckSizeNS,
    pckSizeWE,
    pckSizeNWSE,
    pckSizeNESW
};
TPicBoxCursorKind PicBoxCursorKind(TActionMode mode, bool pannable, bool panning, bool selection, bool insideSelection,
                                   int handle);

// The scroll position after one auto-scroll tick for a mouse at pos on an
// axis with the given client extent and scroll range (content extent).
int AutoScrollStep(int pos, int client, int position, int range);

// Top-left corners of the progress clocks (15 x 15) in the rectangle r.
std::vector<TPoint> ClockOrigins(const TRect& r, bool fiveClocks);
// End points of the hour and minute hands of a clock at origin for the
// stage (from 1) and percent.
void ClockHands(TPoint origin, int stage, int percent, TPoint& hourEnd, TPoint& minuteEnd);
