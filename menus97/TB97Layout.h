#pragma once
// The arithmetic of docks, toolbars and toolbar buttons, free of widgets:
// margins, dock arrangement, row lookup, toolbar line wrapping, the list of
// sizes a floating toolbar snaps to, glyph strip counts, the layout of a
// button's glyph, caption and arrow, and caption shortening.
#include <QString>
#include <functional>
#include <vector>

#include "platform/Geometry.h"
#include "widgets/kv_btns.h"  // TButtonLayout

// ---- messages -----------------------------------------------------------------------

extern const char* const kTB97DockOwnedByForm;       // "TDock97 must be owned by a form"
extern const char* const kTB97DockInsideDock;        // placing a dock in a toolbar or dock
extern const char* const kTB97CannotHideDock;        // "Cannot hide a TDock97"
extern const char* const kTB97CannotChangePosition;  // Position of a dock with controls
extern const char* const kTB97ToolbarOwnedByForm;    // "TToolbar97 must be owned by a form"
extern const char* const kTB97ToolbarPlacement;      // a toolbar outside a dock or the form
extern const char* const kTB97SepPlacement;          // a separator outside a toolbar
extern const char* const kTB97InvalidImageSize;      // "Invalid image size"
extern const char* const kTB97UnableToReplaceImage;  // "Unable to Replace Image"

// ---- margins -------------------------------------------------------------------------

enum TDockPosition { dpTop, dpBottom, dpLeft, dpRight };
inline bool DockIsVertical(TDockPosition p) { return p == dpLeft || p == dpRight; }

// Left and Right lie along the toolbar's line, Top and Bottom across it.
struct TB97Margins {
    int Left = 0, Top = 0, Right = 0, Bottom = 0;
};
// floating: of a floating toolbar; canDrag: floating, or the dock allows
// dragging (room for the grip).
TB97Margins TB97ToolbarMargins(bool floating, bool canDrag);

// Extra thickness of a dock row beyond its content.
constexpr int kTB97RowExtra = 4;
// Minimum content extent of a toolbar.
constexpr int kTB97MinContent = 8;

// ---- dock arrangement ----------------------------------------------------------------

// One docked toolbar as the dock arranges it. Length: its extent along the
// dock; Content: its content extent across (the row is Content + 4 thick).
struct TB97DockBar {
    int DockRow = 0;
    int DockPos = -1;
    int Length = 0;
    int Content = kTB97MinContent;
    // Out: the bar's rectangle in the dock (x along, y across: callers swap
    // for side docks).
    int Along = 0, Across = 0, Thickness = 0;
};

struct TB97DockResult {
    // Order in which the bars were arranged (indices into the input).
    std::vector<int> Order;
    // Thickness of each row.
    std::vector<int> Rows;
    // The dock's content thickness (without its non-client size).
    int Thickness = 0;
};

// The DockPos of a toolbar not yet arranged: it goes after the others.
constexpr int kTB97DockPosNew = -1;

// Arranges bars in a dock whose client length is clientLength: stable sort
// by (DockRow, DockPos) (kTB97DockPosNew sorts last within its row, any
// other negative DockPos first),
// rows renumbered without gaps (all 0 with limitToOneRow), bars pushed
// apart, the last bar of a row pulled back into the dock, DockPos never
// below 0. Without bars the thickness is 0, or 1 with fixAlign.
TB97DockResult TB97ArrangeDock(std::vector<TB97DockBar>& bars, int clientLength, bool limitToOneRow, bool fixAlign);

// The row under position pos (across the dock) given the row thicknesses:
// within 5 pixels of a row boundary a new row is to be inserted there
// (insert true, row = the insertion index); past the last row a new row.
struct TB97RowHit {
    int Row = 0;
    bool Insert = false;
};
TB97RowHit TB97FindRow(const std::vector<int>& rows, int pos);

// ---- toolbar arrangement -------------------------------------------------------------

struct TB97Item {
    bool Separator = false;
    bool Visible = true;
    int Width = 0, Height = 0;       // controls
    int SizeHorz = 6, SizeVert = 6;  // separators
    // Out: bounds within the toolbar.
    TRect Bounds;
};

struct TB97ToolbarResult {
    TSize Client;  // the toolbar's client size
    // Across positions of the lines between wrapped groups: the start of
    // the line after the 6-pixel gap (the etched line is drawn in the gap).
    std::vector<int> SeparatorLines;
    int ContentWidth = 0, ContentHeight = 0;
    int Lines = 0;
};

constexpr int kTB97Unlimited = 0x3FFFFFFF;

// Lays items out in lines (see the toolbar for the rules). vertical: docked
// left or right; available: the length a line may take (kTB97Unlimited for
// docked toolbars and unsized floating ones); rowSize: the dock row's
// thickness (docked; 0 floating).
TB97ToolbarResult TB97ArrangeToolbar(std::vector<TB97Item>& items, bool vertical, bool floating, const TB97Margins& m,
                                     int available, int rowSize);

// One size a floating toolbar can take and the available length giving it.
struct TB97SizeChoice {
    TSize Size;
    int Available = 0;
};
// Every distinct size of a floating toolbar from its single-line length
// down to its content width + margins; frame: added to each size (the
// tool-window frame and caption); sorted by width (byWidth) or by height.
std::vector<TB97SizeChoice> TB97SizeList(const std::vector<TB97Item>& items, const TB97Margins& m, TSize frame,
                                         bool byWidth);
// Snap distance around extents[current]: 12, reduced to the distance to
// its neighbours in extents (ascending) - 1, not below 0.
constexpr int kTB97Snap = 12;
int TB97SnapDistance(const std::vector<int>& extents, int current);
// The index of extents (ascending) chosen for a cursor distance from the
// opposite edge: within snap of the current extent the current one; when
// growing the largest not beyond the distance, when shrinking the smallest
// not below it.
int TB97PickSize(const std::vector<int>& extents, int current, int distance, int snap);

// ---- dragging ------------------------------------------------------------------------

constexpr int kTB97DockZoneAlong = 32;
constexpr int kTB97DockZoneAcross = 20;
// Whether a dock accepts a drag: the cursor lies within the dock's rectangle
// widened along (32) and across (20), each scaled by the grab point's
// relative position (relX, relY in 0..1) within the dragged rectangle; for
// side docks only within the dock's own cross extent (its height); and the
// drag rectangle meets the dock. An empty dock counts as 1 pixel thick.
bool TB97DockAccepts(TRect dock, TDockPosition position, TPoint cursor, const TRect& drag, double relX, double relY);

// ---- floating windows ----------------------------------------------------------------

// Where a floating window goes so that it lies on a screen: unchanged when
// it lies fully within one of areas (the screens' work areas), else moved
// into the nearest area (the one it overlaps most, or without overlap the
// one at the smallest distance); a window larger than the area keeps its
// left or top edge on the area's. Unchanged without areas.
TRect TB97KeepOnScreen(const TRect& window, const std::vector<TRect>& areas);

// ---- glyphs --------------------------------------------------------------------------

// NumGlyphs for a strip width x height: width / height when the width is a
// whole multiple of the height and that is below 6, 1 for a multiple of 6
// or more, current otherwise (also for a height of 0).
int TB97GlyphCount(int width, int height, int current);
// NumGlyphs kept within 1..5.
inline int TB97ClampNumGlyphs(int n) { return n < 1 ? 1 : (n > 5 ? 5 : n); }
// Size of the images made from a strip: (width / n + 1) x (height + 1);
// 0 x 0 for an empty strip.
TSize TB97GlyphImageSize(int width, int height, int numGlyphs);

// ---- button layout -------------------------------------------------------------------

constexpr int kTB97ArrowWidth = 9;
constexpr int kTB97ArrowHeight = 3;
// The menu part of a combo button.
constexpr int kTB97ComboPart = 11;

struct TB97ButtonLayoutIn {
    TRect Client;        // the button's client rectangle, inset by 1 (flat) or 2
    TSize Glyph;         // 0 x 0: none
    TSize Text;          // 0 x 0: none
    bool Arrow = false;  // a 9 x 3 drop-down arrow
    TButtonLayout Layout = blGlyphLeft;
    int Margin = -1;
    int Spacing = 4;
    bool Down = false;  // pressed or latched: moves everything by (1, 1)
};
struct TB97ButtonLayoutOut {
    TPoint GlyphPos;
    TRect TextRect;
    TPoint ArrowPos;
};
TB97ButtonLayoutOut TB97ButtonLayout(const TB97ButtonLayoutIn& in);
// The width word-wrapped text is measured in.
int TB97WrapWidth(int clientWidth, int glyphWidth, bool sideLayout, bool arrow, int margin, int spacing);

// ---- captions ------------------------------------------------------------------------

// The caption as shown in width pixels: whole when it fits, else shortened
// with "..." while it does not fit, never below 5 characters.
QString TB97ShortenCaption(const QString& caption, int width, const std::function<int(const QString&)>& measure);

// ---- menu-bar panel ------------------------------------------------------------------

// Width of a panel's menu button: 6 pixels per caption character, at least
// the caption's width in its font.
int MenuBar97ButtonWidth(const QString& caption, int textWidth);
// The next (step +1) or previous (-1) visible button from current, wrapping
// round; current when no other button is visible.
int MenuBar97Step(const std::vector<bool>& visible, int current, int step);
