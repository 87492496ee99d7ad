#pragma once
// Points, sizes and rectangles as the framework holds them. A rectangle is
// (Left, Top, Right, Bottom) with Right and Bottom exclusive: its width is
// Right - Left, and the pixel column Right is not part of it.
#include <QPoint>
#include <QRect>
#include <QSize>
#include <algorithm>
#include <cstdint>

struct TPoint {
    int X = 0;
    int Y = 0;
    constexpr TPoint() = default;
    constexpr TPoint(int x, int y) : X(x), Y(y) {}
    constexpr bool operator==(const TPoint& o) const { return X == o.X && Y == o.Y; }
    constexpr bool operator!=(const TPoint& o) const { return !(*this == o); }
    QPoint ToQPoint() const { return QPoint(X, Y); }
    static TPoint FromQPoint(const QPoint& p) { return TPoint(p.x(), p.y()); }
};

struct TSize {
    int cx = 0;
    int cy = 0;
    constexpr TSize() = default;
    constexpr TSize(int w, int h) : cx(w), cy(h) {}
    constexpr bool operator==(const TSize& o) const { return cx == o.cx && cy == o.cy; }
    constexpr bool operator!=(const TSize& o) const { return !(*this == o); }
};

struct TRect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;

    constexpr TRect() = default;
    constexpr TRect(int l, int t, int r, int b) : Left(l), Top(t), Right(r), Bottom(b) {}
    constexpr TRect(const TPoint& topLeft, const TPoint& bottomRight)
        : Left(topLeft.X), Top(topLeft.Y), Right(bottomRight.X), Bottom(bottomRight.Y) {}

    constexpr int Width() const { return Right - Left; }
    constexpr int Height() const { return Bottom - Top; }
    constexpr TPoint TopLeft() const { return TPoint(Left, Top); }
    constexpr TPoint BottomRight() const { return TPoint(Right, Bottom); }
    // Empty when it holds no pixel (also when inverted).
    constexpr bool IsEmpty() const { return Right <= Left || Bottom <= Top; }
    // The framework's PtInRect: left and top inclusive, right and bottom not.
    constexpr bool Contains(int x, int y) const { return x >= Left && x < Right && y >= Top && y < Bottom; }
    constexpr bool Contains(const TPoint& p) const { return Contains(p.X, p.Y); }

    constexpr bool operator==(const TRect& o) const {
        return Left == o.Left && Top == o.Top && Right == o.Right && Bottom == o.Bottom;
    }
    constexpr bool operator!=(const TRect& o) const { return !(*this == o); }

    void Offset(int dx, int dy) {
        Left += dx;
        Right += dx;
        Top += dy;
        Bottom += dy;
    }
    // Grows by dx, dy on every side (negative values shrink).
    void Inflate(int dx, int dy) {
        Left -= dx;
        Right += dx;
        Top -= dy;
        Bottom += dy;
    }
    constexpr TRect Offsetted(int dx, int dy) const { return TRect(Left + dx, Top + dy, Right + dx, Bottom + dy); }
    constexpr TRect Inflated(int dx, int dy) const { return TRect(Left - dx, Top - dy, Right + dx, Bottom + dy); }

    QRect ToQRect() const { return QRect(Left, Top, Right - Left, Bottom - Top); }
    static TRect FromQRect(const QRect& r) {
        return TRect(r.left(), r.top(), r.left() + r.width(), r.top() + r.height());
    }
};

// The framework's Rect and Bounds constructors.
constexpr TRect Rect(int left, int top, int right, int bottom) { return TRect(left, top, right, bottom); }
constexpr TRect Bounds(int left, int top, int width, int height) {
    return TRect(left, top, left + width, top + height);
}
constexpr TPoint Point(int x, int y) { return TPoint(x, y); }

// Intersection; an empty result is the all-zero rectangle, as IntersectRect gives.
inline TRect IntersectRect(const TRect& a, const TRect& b) {
    TRect r(std::max(a.Left, b.Left), std::max(a.Top, b.Top), std::min(a.Right, b.Right), std::min(a.Bottom, b.Bottom));
    return r.IsEmpty() ? TRect() : r;
}
// Smallest rectangle holding both; an empty operand is ignored.
inline TRect UnionRect(const TRect& a, const TRect& b) {
    if (a.IsEmpty()) return b.IsEmpty() ? TRect() : b;
    if (b.IsEmpty()) return a;
    return TRect(std::min(a.Left, b.Left), std::min(a.Top, b.Top), std::max(a.Right, b.Right),
                 std::max(a.Bottom, b.Bottom));
}

// The pixels of a one-pixel line from (x1, y1) towards (x2, y2), the end
// point left out. Each step along the longer axis lights the pixel nearest
// the exact line; a tie goes to the smaller coordinate on the other axis
// (the upper pixel of a flat line, the left one of a steep line), so a line
// lights the same pixels whichever way it is drawn.
template <typename Plot>
void ForEachLinePixel(int x1, int y1, int x2, int y2, Plot&& plot) {
    const int64_t dx = int64_t(x2) - x1, dy = int64_t(y2) - y1;
    const bool xMajor = (dx < 0 ? -dx : dx) >= (dy < 0 ? -dy : dy);
    const int64_t major = xMajor ? dx : dy, minor = xMajor ? dy : dx;
    const int64_t n = major < 0 ? -major : major;
    const int64_t step = major < 0 ? -1 : 1;
    // k = ceil((2 i minor - n) / 2n), the nearest offset with halves down,
    // kept with its remainder rem = 2 i minor - n - 2n k in (-2n, 0].
    int64_t k = 0, rem = -n;
    for (int64_t i = 0; i < n; ++i) {
        const int64_t a = i * step;
        if (xMajor) plot(static_cast<int>(x1 + a), static_cast<int>(y1 + k));
        else plot(static_cast<int>(x1 + k), static_cast<int>(y1 + a));
        rem += 2 * minor;
        if (rem > 0) {
            ++k;
            rem -= 2 * n;
        } else if (rem <= -2 * n) {
            --k;
            rem += 2 * n;
        }
    }
}
