#include "image/PGImageLayout.h"

#include <algorithm>
#include <climits>
#include <cmath>

#include "platform/MathUtil.h"

namespace {

int ClampToInt(int64_t v) { return static_cast<int>(std::clamp<int64_t>(v, INT_MIN, INT_MAX)); }

// A computed side, held within what a paint box can be.
int ShownSide(long double v) {
    if (!(v > 0)) return 0;
    return static_cast<int>(Trunc(std::min<long double>(v, PGMaxShownSide)));
}

}  // namespace

TShownSize StretchedSize(TStretch stretch, TSize picture, TSize area, TSize bars, long double zoomFactor) {
    TShownSize shown{picture.cx, picture.cy, 1.0L};
    const int pw = picture.cx, ph = picture.cy, W = area.cx, H = area.cy, vbar = bars.cx, hbar = bars.cy;
    if (pw <= 0 || ph <= 0 || W <= 0 || H <= 0) return shown;
    const long double ratio = static_cast<long double>(pw) / ph;
    // ratio <= W / H, compared exactly.
    const bool tallerThanArea = int64_t(pw) * H <= int64_t(W) * ph;
    const bool narrowerThanArea = int64_t(pw) * H < int64_t(W) * ph;

    auto fit = [&] {
        TShownSize f;
        if (tallerThanArea) {
            f.Height = H;
            f.Width = ShownSide(H * ratio);
            f.Zoom = static_cast<long double>(f.Height) / ph;
        } else {
            f.Width = W;
            f.Height = ShownSide(W / ratio);
            f.Zoom = static_cast<long double>(f.Width) / pw;
        }
        return f;
    };
    // Fills the longer edge: when the fit leaves room for a scroll bar on
    // the other side, the picture is enlarged to need that bar.
    auto longEdge = [&] {
        TShownSize f = fit();
        if (f.Width >= W - vbar && f.Height >= H - hbar) return f;
        if (narrowerThanArea) {
            f.Width = std::max(W - vbar, 0);
            f.Height = ShownSide(f.Width / ratio);
            f.Zoom = static_cast<long double>(f.Width) / pw;
        } else {
            f.Height = std::max(H - hbar, 0);
            f.Width = ShownSide(f.Height * ratio);
            f.Zoom = static_cast<long double>(f.Height) / ph;
        }
        return f;
    };
    const bool smallerBoth = pw < W && ph < H;
    auto shrinkLongerEdge = [&] {
        const bool fits = (pw <= W || ph <= H - hbar) && (pw <= W - vbar || ph <= H);
        return fits ? shown : longEdge();
    };

    switch (stretch) {
        case sNeverKAR: return shown;
        case sAlways: return TShownSize{W, H, -1.0L};
        case sAlwaysKAR: return fit();
        case sShrink:
            if (pw > W || ph > H) shown = TShownSize{std::min(pw, W), std::min(ph, H), -1.0L};
            return shown;
        case sShrinkKAR: return pw <= W && ph <= H ? shown : fit();
        case sEnlarge: {
            const int a = H - (pw > W ? hbar : 0), c = W - (ph > H ? vbar : 0);
            if (pw < c || ph < a) shown = TShownSize{std::max(pw, c), std::max(ph, a), -1.0L};
            return shown;
        }
        case sEnlargeKAR: return smallerBoth ? fit() : shown;
        case sAlwaysLongerEdgeKAR: return longEdge();
        case sShrinkLongerEdgeKAR: return shrinkLongerEdge();
        case sEnlargeShrinkLongerEdgeKAR: return smallerBoth ? fit() : shrinkLongerEdge();
        case sEnlargeLongerEdgeKAR: return pw < W || ph < H ? longEdge() : shown;
        case sZoomKAR: {
            const long double zoom = zoomFactor > 0 ? zoomFactor : 1.0L;
            shown.Zoom = zoom;
            shown.Width = static_cast<int>(Round(std::min<long double>(pw * zoom, PGMaxShownSide)));
            shown.Height = static_cast<int>(Round(std::min<long double>(ph * zoom, PGMaxShownSide)));
            return shown;
        }
    }
    return shown;
}

TPoint ShownPlacement(bool center, TSize shown, TSize area, TSize bars) {
    if (!center) return TPoint(0, 0);
    int c = area.cy, d = area.cx;
    bool hbarCounted = false, vbarCounted = false;
    // A bar on one side narrows the other; twice, so that each bar is
    // counted when the other one made it necessary.
    for (int pass = 0; pass < 2; ++pass) {
        if (d < shown.cx && !hbarCounted) {
            c -= bars.cy;
            hbarCounted = true;
        }
        if (c < shown.cy && !vbarCounted) {
            d -= bars.cx;
            vbarCounted = true;
        }
    }
    return TPoint(shown.cx < d ? (d - shown.cx) / 2 : 0, shown.cy < c ? (c - shown.cy) / 2 : 0);
}

TSize AutoSizeOf(TSize picture, int border, TSize minSize, TSize maxSize, TSize bars) {
    int64_t w = int64_t(picture.cx) + 2 * border, h = int64_t(picture.cy) + 2 * border;
    bool hbarCounted = false, vbarCounted = false;
    for (int pass = 0; pass < 2; ++pass) {
        if (w > maxSize.cx && !hbarCounted) {
            h += bars.cy;
            hbarCounted = true;
        }
        if (h > maxSize.cy && !vbarCounted) {
            w += bars.cx;
            vbarCounted = true;
        }
    }
    return TSize(ClampToInt(std::max<int64_t>(std::min<int64_t>(w, maxSize.cx), minSize.cx)),
                 ClampToInt(std::max<int64_t>(std::min<int64_t>(h, maxSize.cy), minSize.cy)));
}

std::vector<TRect> MarginRects(const TRect& r, TSize client) {
    std::vector<TRect> margins;
    if (r.Top > 0) margins.emplace_back(0, 0, client.cx, r.Top);
    if (r.Bottom < client.cy) margins.emplace_back(0, r.Bottom, client.cx, client.cy);
    if (r.Left > 0) margins.emplace_back(0, r.Top, r.Left, r.Bottom);
    if (r.Right < client.cx) margins.emplace_back(r.Right, r.Top, client.cx, r.Bottom);
    return margins;
}

TTileRange TileRangeOf(const TRect& r, TSize client, bool tiling) {
    TTileRange range;
    // A picture fitted to less than one pixel has no area: there is nothing
    // to repeat (and nothing to divide by).
    if (r.IsEmpty()) {
        range.Empty = true;
        return range;
    }
    if (!tiling) return range;
    const int th = r.Height(), tw = r.Width();
    if (r.Top > 0) range.G0 = (1 - r.Bottom) / th;
    if (r.Bottom < client.cy) range.G1 = (client.cy - r.Top - 1) / th;
    if (r.Left > 0) range.I0 = (1 - r.Right) / tw;
    if (r.Right < client.cx) range.I1 = (client.cx - r.Left - 1) / tw;
    return range;
}

TTileMirror TileMirrorOf(TTiling tiling, bool flipHorizontal, bool flipVertical, int g, int i) {
    const bool oddColumn = (i & 1) != 0, oddRow = (g & 1) != 0;
    TTileMirror m;
    m.Horizontal = flipHorizontal != ((tiling == tMirrorHorizontal || tiling == tMirror) && oddColumn);
    m.Vertical = flipVertical != ((tiling == tMirrorVertical || tiling == tMirror) && oddRow);
    return m;
}

int PaintBoxToPicture(int v, int graphicSize, int boxSize) {
    return boxSize > 0 ? ClampToInt(int64_t(v) * graphicSize / boxSize) : 0;
}

int PictureToPaintBox(int64_t v, int graphicSize, int boxSize) {
    // v is at most a sum of two ints and boxSize below 2^24: no overflow.
    return graphicSize > 0 ? ClampToInt(v * boxSize / graphicSize) : 0;
}

TRect HandleRect(const TRect& r, int state) {
    const int l = r.Left, t = r.Top, rt = r.Right, b = r.Bottom;
    const int mx = (l + rt) / 2, my = (t + b) / 2;
    switch (state) {
        case dsHandleTopLeft: return TRect(l - 8, t - 8, l - 3, t - 3);
        case dsHandleTop: return TRect(mx - 2, t - 8, mx + 3, t - 3);
        case dsHandleTopRight: return TRect(rt + 3, t - 8, rt + 8, t - 3);
        case dsHandleLeft: return TRect(l - 8, my - 2, l - 3, my + 3);
        case dsHandleRight: return TRect(rt + 3, my - 2, rt + 8, my + 3);
        case dsHandleBottomLeft: return TRect(l - 8, b + 3, l - 3, b + 8);
        case dsHandleBottom: return TRect(mx - 2, b + 3, mx + 3, b + 8);
        case dsHandleBottomRight: return TRect(rt + 3, b + 3, rt + 8, b + 8);
        default: return TRect();
    }
}

int HandleAt(const TRect& r, int x, int y) {
    for (int state = dsHandleTopLeft; state <= dsHandleBottomRight; ++state)
        if (HandleRect(r, state).Contains(x, y)) return state;
    return dsIdle;
}

namespace {
bool MovesLeft(int s) { return s == dsHandleTopLeft || s == dsHandleLeft || s == dsHandleBottomLeft; }
bool MovesRight(int s) { return s == dsHandleTopRight || s == dsHandleRight || s == dsHandleBottomRight; }
bool MovesTop(int s) { return s == dsHandleTopLeft || s == dsHandleTop || s == dsHandleTopRight; }
bool MovesBottom(int s) { return s == dsHandleBottomLeft || s == dsHandleBottom || s == dsHandleBottomRight; }
}  // namespace

TPoint DragGrab(const TSelectionRect& s, int state, TPoint p) {
    if (state == dsMovingSelection) return TPoint(p.X - s.Left, p.Y - s.Top);
    TPoint grab;
    if (MovesLeft(state)) grab.X = p.X - s.Left;
    if (MovesRight(state)) grab.X = p.X - s.Width;
    if (MovesTop(state)) grab.Y = p.Y - s.Top;
    if (MovesBottom(state)) grab.Y = p.Y - s.Height;
    return grab;
}

TSelectionRect DraggedSelection(const TSelectionRect& s, int state, TPoint p, TPoint grab, TPoint anchor,
                                TSize graphic) {
    TSelectionRect n = s;
    if (state == dsMovingSelection) {
        n.Left = ClampToInt(
            std::min<int64_t>(std::max<int64_t>(int64_t(p.X) - grab.X, 1 - int64_t(s.Width)), int64_t(graphic.cx) - 1));
        n.Top = ClampToInt(std::min<int64_t>(std::max<int64_t>(int64_t(p.Y) - grab.Y, 1 - int64_t(s.Height)),
                                             int64_t(graphic.cy) - 1));
    } else if (state == dsCreatingSelection) {
        n.Left = std::min(p.X, anchor.X);
        n.Width = ClampToInt(int64_t(std::max(p.X, anchor.X)) - n.Left + 1);
        n.Top = std::min(p.Y, anchor.Y);
        n.Height = ClampToInt(int64_t(std::max(p.Y, anchor.Y)) - n.Top + 1);
    } else {
        if (MovesLeft(state)) {
            const int64_t right = int64_t(s.Left) + s.Width;
            const int64_t left = std::min<int64_t>(int64_t(p.X) - grab.X, right - 1);
            n.Width = ClampToInt(s.Width + (s.Left - left));
            n.Left = ClampToInt(left);
        }
        if (MovesTop(state)) {
            const int64_t bottom = int64_t(s.Top) + s.Height;
            const int64_t top = std::min<int64_t>(int64_t(p.Y) - grab.Y, bottom - 1);
            n.Height = ClampToInt(s.Height + (s.Top - top));
            n.Top = ClampToInt(top);
        }
        if (MovesRight(state)) n.Width = ClampToInt(std::max<int64_t>(int64_t(p.X) - grab.X, 1));
        if (MovesBottom(state)) n.Height = ClampToInt(std::max<int64_t>(int64_t(p.Y) - grab.Y, 1));
    }
    return n;
}

std::vector<TRect> SelectionStrips(const TRect& r, int e) {
    return {TRect(r.Left - e, r.Top - e, r.Left, r.Bottom + e), TRect(r.Left - e, r.Top - e, r.Right + e, r.Top),
            TRect(r.Right, r.Top - e, r.Right + e, r.Bottom + e),
            TRect(r.Left - e, r.Bottom, r.Right + e, r.Bottom + e)};
}

int AutoScrollStep(int pos, int client, int position, int range) {
    if (pos < 0) return std::max(position - 5, 0);
    if (pos >= client && position < range - client) return position + 5;
    return position;
}

std::vector<TPoint> ClockOrigins(const TRect& r, bool fiveClocks) {
    std::vector<TPoint> origins;
    if (r.Width() > 20 && r.Height() > 20) origins.emplace_back((r.Left + r.Right) / 2 - 7, (r.Top + r.Bottom) / 2 - 7);
    if (fiveClocks && r.Width() >= 101 && r.Height() >= 101) {
        origins.emplace_back(r.Left + 5, r.Top + 5);
        origins.emplace_back(r.Right - 20, r.Top + 5);
        origins.emplace_back(r.Left + 5, r.Bottom - 20);
        origins.emplace_back(r.Right - 20, r.Bottom - 20);
    }
    return origins;
}

void ClockHands(TPoint origin, int stage, int percent, TPoint& hourEnd, TPoint& minuteEnd) {
    const long double pi = 3.14159265358979323846264338327950288L;
    const long double minute = percent * pi * 0.02L;
    const long double hour = ((stage - 1) * 2 * pi + minute) / 12;
    const int cx = origin.X + 7, cy = origin.Y + 7;
    hourEnd =
        TPoint(cx + static_cast<int>(Round(std::sin(hour) * 6)), cy - static_cast<int>(Round(std::cos(hour) * 6)));
    minuteEnd =
        TPoint(cx + static_cast<int>(Round(std::sin(minute) * 7)), cy - static_cast<int>(Round(std::cos(minute) * 7)));
}

TPicBoxCursorKind PicBoxCursorKind(TActionMode mode, bool pannable, bool panning, bool selection, bool insideSelection,
                                   int handle) {
    TPicBoxCursorKind kind = pckOwn;
    if ((mode == amMoveImage || mode == amMoveSelectionMoveImage) && pannable)
        kind = panning ? pckClosedHand : pckOpenHand;
    if (mode == amMoveResizeCreateSelection || mode == amCreateSelection) kind = pckCross;
    const bool movesSelection = mode == amMoveResizeCreateSelection || mode == amMoveSelection ||
                                mode == amMoveSelectionMoveImage;
    if (movesSelection && selection && insideSelection) kind = pckMove;
    if (mode == amMoveResizeCreateSelection && selection) {
        switch (handle) {
            case dsHandleTop:
            case dsHandleBottom: kind = pckSizeNS; break;
            case dsHandleLeft:
            case dsHandleRight: kind = pckSizeWE; break;
            case dsHandleTopLeft:
            case dsHandleBottomRight: kind = pckSizeNWSE; break;
            case dsHandleTopRight:
            case dsHandleBottomLeft: kind = pckSizeNESW; break;
            default: break;
        }
    }
    return kind;
}
