#include "menus97/TB97Layout.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

const char* const kTB97DockOwnedByForm = "TDock97 must be owned by a form";
const char* const kTB97DockInsideDock = "A TDock97 control cannot be placed inside a TToolbar97 or another TDock97";
const char* const kTB97CannotHideDock = "Cannot hide a TDock97";
const char* const kTB97CannotChangePosition = "Cannot change Position of a TDock97 if it already contains controls";
const char* const kTB97ToolbarOwnedByForm = "TToolbar97 must be owned by a form";
const char* const kTB97ToolbarPlacement = "TToolbar97 can only be placed on a TDock97 or directly on the form";
const char* const kTB97SepPlacement = "TToolbarSep97 can only be placed on a TToolbar97";
const char* const kTB97InvalidImageSize = "Invalid image size";
const char* const kTB97UnableToReplaceImage = "Unable to Replace Image";

TB97Margins TB97ToolbarMargins(bool floating, bool canDrag) {
    if (floating) return {4, 2, 4, 1};
    return {canDrag ? 11 : 2, 2, 2, 2};
}

// ---- dock arrangement ----------------------------------------------------------------

namespace {
// Pushes the bars of one row (in order) apart; a negative position counts as 0.
void PushApart(std::vector<TB97DockBar>& bars, const std::vector<int>& row) {
    int prevEnd = 0;
    for (int i : row) {
        TB97DockBar& b = bars[i];
        b.DockPos = std::max({b.DockPos, 0, prevEnd});
        prevEnd = b.DockPos + b.Length;
    }
}
}  // namespace

TB97DockResult TB97ArrangeDock(std::vector<TB97DockBar>& bars, int clientLength, bool limitToOneRow, bool fixAlign) {
    TB97DockResult res;
    const int n = static_cast<int>(bars.size());
    if (n == 0) {
        res.Thickness = fixAlign ? 1 : 0;
        return res;
    }
    if (limitToOneRow)
        for (TB97DockBar& b : bars) b.DockRow = 0;
    res.Order.resize(n);
    for (int i = 0; i < n; ++i) res.Order[i] = i;
    // Stable: bars at equal positions keep their order from one arrangement
    // to the next.
    // A new bar's -1 places it after the others of its row, so that bars
    // created one after another lie in that order.
    const auto key = [&](int i) { return bars[i].DockPos == kTB97DockPosNew ? kTB97Unlimited : bars[i].DockPos; };
    std::stable_sort(res.Order.begin(), res.Order.end(), [&](int a, int b) {
        if (bars[a].DockRow != bars[b].DockRow) return bars[a].DockRow < bars[b].DockRow;
        return key(a) < key(b);
    });
    // Rows renumbered without gaps.
    std::vector<std::vector<int>> rows;
    int lastRow = 0;
    for (int k = 0; k < n; ++k) {
        TB97DockBar& b = bars[res.Order[k]];
        if (k == 0 || b.DockRow != lastRow) {
            lastRow = b.DockRow;
            rows.emplace_back();
        }
        b.DockRow = static_cast<int>(rows.size()) - 1;
        rows.back().push_back(res.Order[k]);
    }
    int offset = 0;
    for (const std::vector<int>& row : rows) {
        int thick = kTB97MinContent;
        for (int i : row) thick = std::max(thick, bars[i].Content);
        thick += kTB97RowExtra;
        res.Rows.push_back(thick);
        PushApart(bars, row);
        const TB97DockBar& last = bars[row.back()];
        if (last.DockPos + last.Length > clientLength) {
            // Pull the row back so that its last bar ends at the dock's edge.
            int limit = clientLength;
            for (auto it = row.rbegin(); it != row.rend(); ++it) {
                TB97DockBar& b = bars[*it];
                if (b.DockPos + b.Length <= limit) break;
                b.DockPos = std::max(0, limit - b.Length);
                limit = b.DockPos;
            }
            PushApart(bars, row);
        }
        for (int i : row) {
            bars[i].Along = bars[i].DockPos;
            bars[i].Across = offset;
            bars[i].Thickness = thick;
        }
        offset += thick;
    }
    res.Thickness = offset;
    return res;
}

TB97RowHit TB97FindRow(const std::vector<int>& rows, int pos) {
    const int near = 5;
    int start = 0;
    for (int i = 0; i < static_cast<int>(rows.size()); ++i) {
        if (std::abs(pos - start) <= near) return {i, true};
        const int end = start + rows[i];
        if (pos < end - near) return {i, false};
        start = end;
    }
    return {static_cast<int>(rows.size()), true};
}

// ---- toolbar arrangement -------------------------------------------------------------

TB97ToolbarResult TB97ArrangeToolbar(std::vector<TB97Item>& items, bool vertical, bool floating, const TB97Margins& m,
                                     int available, int rowSize) {
    TB97ToolbarResult res;
    int cw = kTB97MinContent, ch = kTB97MinContent;
    std::vector<std::vector<int>> groups(1);
    for (int i = 0; i < static_cast<int>(items.size()); ++i) {
        const TB97Item& it = items[i];
        if (!it.Visible) continue;
        if (!it.Separator) {
            cw = std::max(cw, it.Width);
            ch = std::max(ch, it.Height);
        }
        groups.back().push_back(i);
        if (it.Separator) groups.emplace_back();
    }
    if (groups.back().empty()) groups.pop_back();
    res.ContentWidth = cw;
    res.ContentHeight = ch;
    const int content = vertical ? cw : ch;
    auto extent = [&](const TB97Item& it) {
        if (it.Separator) return vertical ? it.SizeVert : it.SizeHorz;
        return vertical ? it.Height : it.Width;
    };
    auto place = [&](TB97Item& it, int pos, int cross, int ext) {
        if (it.Separator) {
            it.Bounds = vertical ? TRect(cross, pos, cross + cw, pos + ext) : TRect(pos, cross, pos + ext, cross + ch);
        } else if (vertical) {
            const int x = cross + (cw - it.Width) / 2;
            it.Bounds = TRect(x, pos, x + it.Width, pos + it.Height);
        } else {
            const int y = cross + (ch - it.Height) / 2;
            it.Bounds = TRect(pos, y, pos + it.Width, y + it.Height);
        }
    };

    const int L = m.Left;
    int pos = L, cross = m.Top, longest = L;
    int prevSep = -1;       // the separator that ended the previous group
    bool forceNew = false;  // a group broke within itself: the next starts a line
    for (const std::vector<int>& group : groups) {
        int glen = 0;
        for (int i : group) glen += extent(items[i]);
        if (pos > L && (forceNew || pos + glen + m.Right > available)) {
            if (prevSep >= 0) {
                // The separator ending the line gives way to a line across.
                TB97Item& sep = items[prevSep];
                const int ext = extent(sep);
                longest = std::max(longest, pos - ext);
                place(sep, pos - ext, cross, 0);
                cross += content + 6;
                res.SeparatorLines.push_back(cross);
            } else {
                longest = std::max(longest, pos);
                cross += content;
            }
            pos = L;
            ++res.Lines;
            forceNew = false;
        }
        for (int i : group) {
            TB97Item& it = items[i];
            const int ext = extent(it);
            if (!it.Separator && pos > L && pos + ext + m.Right > available) {
                longest = std::max(longest, pos);
                pos = L;
                cross += content;
                ++res.Lines;
                forceNew = true;
            }
            place(it, pos, cross, ext);
            pos += ext;
        }
        prevSep = items[group.back()].Separator ? group.back() : -1;
    }
    longest = std::max(longest, pos);

    int length, thickness;
    if (groups.empty()) {
        length = floating ? L + kTB97MinContent : L;
        thickness = floating ? m.Top + kTB97MinContent : rowSize;
    } else {
        ++res.Lines;
        length = longest + m.Right;
        thickness = cross + content + m.Bottom;
        if (!floating) thickness = std::max(thickness, rowSize);
    }
    res.Client = vertical ? TSize(thickness, length) : TSize(length, thickness);
    return res;
}

std::vector<TB97SizeChoice> TB97SizeList(const std::vector<TB97Item>& items, const TB97Margins& m, TSize frame,
                                         bool byWidth) {
    std::vector<TB97SizeChoice> list;
    std::vector<TB97Item> work = items;
    const TB97ToolbarResult single = TB97ArrangeToolbar(work, false, true, m, kTB97Unlimited, 0);
    const int minLength = single.ContentWidth + m.Left + m.Right;
    int available = single.Client.cx;
    while (available >= minLength) {
        const TB97ToolbarResult r = TB97ArrangeToolbar(work, false, true, m, available, 0);
        const TSize size(r.Client.cx + frame.cx, r.Client.cy + frame.cy);
        if (std::none_of(list.begin(), list.end(), [&](const TB97SizeChoice& c) { return c.Size == size; }))
            list.push_back({size, available});
        // Every length from the result's own up to this one gives the same
        // arrangement: go on below it.
        available = std::min(available, r.Client.cx) - 1;
    }
    std::stable_sort(list.begin(), list.end(), [byWidth](const TB97SizeChoice& a, const TB97SizeChoice& b) {
        return byWidth ? a.Size.cx < b.Size.cx : a.Size.cy < b.Size.cy;
    });
    return list;
}

int TB97SnapDistance(const std::vector<int>& extents, int current) {
    int d = kTB97Snap;
    const int n = static_cast<int>(extents.size());
    if (current < 0 || current >= n) return d;
    if (current > 0) d = std::min(d, extents[current] - extents[current - 1] - 1);
    if (current + 1 < n) d = std::min(d, extents[current + 1] - extents[current] - 1);
    return std::max(d, 0);
}

int TB97PickSize(const std::vector<int>& extents, int current, int distance, int snap) {
    const int n = static_cast<int>(extents.size());
    if (n == 0) return -1;
    current = std::clamp(current, 0, n - 1);
    if (std::abs(distance - extents[current]) <= snap) return current;
    if (distance > extents[current]) {
        int best = current;
        for (int i = 0; i < n; ++i)
            if (extents[i] <= distance) best = std::max(best, i);
        return best;
    }
    int best = current;
    for (int i = n - 1; i >= 0; --i)
        if (extents[i] >= distance) best = std::min(best, i);
    return best;
}

// ---- dragging ------------------------------------------------------------------------

bool TB97DockAccepts(TRect dock, TDockPosition position, TPoint cursor, const TRect& drag, double relX, double relY) {
    const bool vertical = DockIsVertical(position);
    if (vertical && dock.Width() <= 0) dock.Right = dock.Left + 1;
    if (!vertical && dock.Height() <= 0) dock.Bottom = dock.Top + 1;
    relX = std::clamp(relX, 0.0, 1.0);
    relY = std::clamp(relY, 0.0, 1.0);
    TRect zone = dock;
    if (vertical) {
        zone.Left -= static_cast<int>(std::lround(kTB97DockZoneAcross * relX));
        zone.Right += static_cast<int>(std::lround(kTB97DockZoneAcross * (1 - relX)));
    } else {
        zone.Left -= static_cast<int>(std::lround(kTB97DockZoneAlong * relX));
        zone.Right += static_cast<int>(std::lround(kTB97DockZoneAlong * (1 - relX)));
        zone.Top -= static_cast<int>(std::lround(kTB97DockZoneAcross * relY));
        zone.Bottom += static_cast<int>(std::lround(kTB97DockZoneAcross * (1 - relY)));
    }
    if (!zone.Contains(cursor)) return false;
    return std::max(drag.Left, dock.Left) < std::min(drag.Right, dock.Right) &&
           std::max(drag.Top, dock.Top) < std::min(drag.Bottom, dock.Bottom);
}

// ---- floating windows ----------------------------------------------------------------

TRect TB97KeepOnScreen(const TRect& window, const std::vector<TRect>& areas) {
    const TRect* best = nullptr;
    long long bestOverlap = -1, bestGap = 0;
    for (const TRect& a : areas) {
        if (window.Left >= a.Left && window.Top >= a.Top && window.Right <= a.Right && window.Bottom <= a.Bottom)
            return window;
        const long long across = std::min(window.Right, a.Right) - std::max(window.Left, a.Left);
        const long long down = std::min(window.Bottom, a.Bottom) - std::max(window.Top, a.Top);
        const long long overlap = across > 0 && down > 0 ? across * down : 0;
        // The gap between the two rectangles (0 where they meet along an axis).
        const long long dx = std::max(
            {0LL, static_cast<long long>(a.Left) - window.Right, static_cast<long long>(window.Left) - a.Right});
        const long long dy = std::max(
            {0LL, static_cast<long long>(a.Top) - window.Bottom, static_cast<long long>(window.Top) - a.Bottom});
        const long long gap = dx * dx + dy * dy;
        if (overlap > bestOverlap || (overlap == 0 && bestOverlap == 0 && gap < bestGap)) {
            best = &a;
            bestOverlap = overlap;
            bestGap = gap;
        }
    }
    if (!best) return window;
    const int x = std::max(best->Left, std::min(window.Left, best->Right - window.Width()));
    const int y = std::max(best->Top, std::min(window.Top, best->Bottom - window.Height()));
    return Bounds(x, y, window.Width(), window.Height());
}

// ---- glyphs --------------------------------------------------------------------------

int TB97GlyphCount(int width, int height, int current) {
    if (height <= 0 || width <= 0 || width % height != 0) return TB97ClampNumGlyphs(current);
    const int n = width / height;
    return n < 6 ? n : 1;
}

TSize TB97GlyphImageSize(int width, int height, int numGlyphs) {
    if (width <= 0 || height <= 0) return TSize(0, 0);
    return TSize(width / TB97ClampNumGlyphs(numGlyphs) + 1, height + 1);
}

// ---- button layout -------------------------------------------------------------------

TB97ButtonLayoutOut TB97ButtonLayout(const TB97ButtonLayoutIn& in) {
    TButtonLayout layout = in.Layout;
    // The glyph block: the glyph with the arrow at its right; without a
    // glyph the arrow follows the caption.
    TSize block = in.Glyph;
    const bool hasGlyph = block.cx > 0 && block.cy > 0;
    if (!hasGlyph) block = TSize(0, 0);
    if (in.Arrow) {
        if (hasGlyph) {
            block = TSize(block.cx + kTB97ArrowWidth, std::max(block.cy, kTB97ArrowHeight));
        } else {
            block = TSize(kTB97ArrowWidth, kTB97ArrowHeight);
            layout = blGlyphRight;
        }
    }
    if (!hasGlyph && !in.Arrow && (layout == blGlyphTop || layout == blGlyphBottom)) layout = blGlyphLeft;
    const TSize text = in.Text;
    const bool side = layout == blGlyphLeft || layout == blGlyphRight;
    const int cw = in.Client.Width(), ch = in.Client.Height();
    const int space = side ? cw : ch;
    const int blockAlong = side ? block.cx : block.cy;
    const int textAlong = side ? text.cx : text.cy;
    int margin = in.Margin, spacing = in.Spacing;
    if (blockAlong == 0 || textAlong == 0) spacing = 0;
    if (margin == -1) {
        if (spacing == -1) {
            margin = (space - blockAlong - textAlong) / 3;
            spacing = margin;
        } else {
            margin = (space - blockAlong - spacing - textAlong + 1) / 2;
        }
    } else if (spacing == -1) {
        spacing = (space - margin - blockAlong - textAlong) / 2;
    }
    int blockPos, textPos;
    if (layout == blGlyphLeft || layout == blGlyphTop) {
        blockPos = margin;
        textPos = blockPos + blockAlong + spacing;
    } else {
        blockPos = space - margin - blockAlong;
        textPos = blockPos - spacing - textAlong;
    }
    TPoint blockAt, textAt;
    if (side) {
        blockAt = TPoint(blockPos, (ch - block.cy + 1) / 2);
        textAt = TPoint(textPos, (ch - text.cy + 1) / 2);
    } else {
        blockAt = TPoint((cw - block.cx + 1) / 2, blockPos);
        textAt = TPoint((cw - text.cx + 1) / 2, textPos);
    }
    const int dx = in.Client.Left + (in.Down ? 1 : 0), dy = in.Client.Top + (in.Down ? 1 : 0);
    TB97ButtonLayoutOut out;
    const int glyphH = hasGlyph ? in.Glyph.cy : 0;
    out.GlyphPos = TPoint(blockAt.X + dx, blockAt.Y + (block.cy - glyphH) / 2 + dy);
    out.ArrowPos = TPoint(blockAt.X + (hasGlyph ? in.Glyph.cx : 0) + dx, (ch - kTB97ArrowHeight) / 2 + dy);
    out.TextRect = TRect(textAt.X + dx, textAt.Y + dy, textAt.X + dx + text.cx, textAt.Y + dy + text.cy);
    return out;
}

int TB97WrapWidth(int clientWidth, int glyphWidth, bool sideLayout, bool arrow, int margin, int spacing) {
    const int s = spacing == -1 ? 4 : spacing;
    const int mg = margin == -1 ? s : margin;
    int w = clientWidth - 2 * mg;
    if (sideLayout && glyphWidth > 0) w -= glyphWidth + s;
    if (sideLayout && arrow) w -= kTB97ArrowWidth;
    return std::max(w, 1);
}

// ---- captions ------------------------------------------------------------------------

QString TB97ShortenCaption(const QString& caption, int width, const std::function<int(const QString&)>& measure) {
    if (caption.size() <= 5 || measure(caption) <= width) return caption;
    const QString dots = QStringLiteral("...");
    for (int n = static_cast<int>(caption.size()) - 1;; --n) {
        QString s = caption.left(n) + dots;
        if (n <= 2 || measure(s) <= width) return s;
    }
}

// ---- menu-bar panel ------------------------------------------------------------------

int MenuBar97ButtonWidth(const QString& caption, int textWidth) {
    return std::max(6 * static_cast<int>(caption.size()), textWidth);
}

int MenuBar97Step(const std::vector<bool>& visible, int current, int step) {
    const int n = static_cast<int>(visible.size());
    if (n == 0) return current;
    for (int k = 1; k <= n; ++k) {
        const int i = ((current + step * k) % n + n) % n;
        if (visible[i]) return i;
    }
    return current;
}
