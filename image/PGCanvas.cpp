#include "image/PGCanvas.h"

#include <QFontMetrics>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

// The framework's MulDiv: a * b / c rounded half away from zero.
int MulDiv(int a, int b, int c) {
    const int64_t n = int64_t(a) * b;
    const int64_t q = (std::llabs(n) + c / 2) / c;
    return static_cast<int>(n < 0 ? -q : q);
}

using TSpans = std::vector<std::pair<int, int>>;

// Pixel spans of the ellipse inscribed in a w x h box, one per row (pixel
// centres inside the ellipse; a row that would be empty keeps its middle
// pixel(s) so that the shape touches all four sides of its box).
TSpans EllipseSpans(int w, int h) {
    TSpans spans(h);
    const double a = w / 2.0, b = h / 2.0;
    for (int i = 0; i < h; ++i) {
        const double dy = (i + 0.5 - b) / b;
        const double hw = a * std::sqrt(std::max(0.0, 1.0 - dy * dy));
        int x0 = static_cast<int>(std::ceil(a - hw - 0.5 - 1e-9));
        int x1 = static_cast<int>(std::floor(a + hw - 0.5 + 1e-9));
        if (x0 > x1) {
            x0 = (w - 1) / 2;
            x1 = w / 2;
        }
        spans[i] = {x0, x1};
    }
    return spans;
}

// Spans of RoundRect(x1, y1, x2, y2, w, h); none when the box is empty.
TSpans RoundRectSpans(int x1, int y1, int x2, int y2, int w, int h) {
    const int W = x2 - x1, H = y2 - y1;
    if (W <= 0 || H <= 0) return {};
    w = std::clamp(w, 0, W);
    h = std::clamp(h, 0, H);
    TSpans spans(H, {x1, x2 - 1});
    if (w < 2 || h < 2) return spans;  // a plain rectangle
    // Top and bottom rows follow the corner ellipse; the rows between are whole.
    const TSpans corner = EllipseSpans(w, h);
    for (int r = 0; r < H; ++r) {
        int e = -1;
        if (r < h / 2) e = r;
        else if (r >= H - h / 2) e = r - (H - h);
        if (e >= 0) spans[r] = {x1 + corner[e].first, x1 + (W - w) + corner[e].second};
    }
    return spans;
}

// Row i's interior [lo, hi] (empty when lo > hi): inside both neighbour rows
// and off the ends. The rest of the row is the region's outline (pixels with
// a 4-neighbour outside), 8-connected, so that a 4-connected flood fill
// cannot pass through it.
std::pair<int, int> RegionInterior(const TSpans& spans, int i) {
    const int rows = static_cast<int>(spans.size());
    int lo = spans[i].first + 1, hi = spans[i].second - 1;
    if (i == 0 || i == rows - 1) return {lo, lo - 1};
    lo = std::max({lo, spans[i - 1].first, spans[i + 1].first});
    hi = std::min({hi, spans[i - 1].second, spans[i + 1].second});
    return {lo, hi};
}

}  // namespace

std::vector<TPoint> RoundRectPenPixels(int x1, int y1, int x2, int y2, int w, int h) {
    const TSpans spans = RoundRectSpans(x1, y1, x2, y2, w, h);
    std::vector<TPoint> points;
    for (int i = 0; i < static_cast<int>(spans.size()); ++i) {
        const auto [lo, hi] = RegionInterior(spans, i);
        for (int x = spans[i].first; x <= spans[i].second; ++x) {
            if (x == lo && lo <= hi) {
                x = hi;
                continue;
            }
            points.emplace_back(x, y1 + i);
        }
    }
    return points;
}

// ---- font ---------------------------------------------------------------------------

int TPGFont::GetSize() const { return -MulDiv(Height, 72, 96); }

void TPGFont::SetSize(int points) { Height = -MulDiv(points, 96, 72); }

QFont TPGFont::ToQFont() const {
    QFont f(QString::fromStdString(Name));
    int pixels = Height < 0 ? -Height : Height;
    if (Height == 0) pixels = 12;
    if (Height > 0) {
        // A positive height is the cell height (ascent + descent).
        f.setPixelSize(pixels);
        const int cell = QFontMetrics(f).height();
        if (cell > 0) pixels = std::max(1, MulDiv(pixels, pixels, cell));
    }
    f.setPixelSize(std::max(1, pixels));
    f.setBold(Bold);
    f.setItalic(Italic);
    f.setUnderline(Underline);
    f.setStrikeOut(StrikeOut);
    // Aliased glyphs, as the rest of the canvas draws, so that palette
    // pictures receive only the font colour.
    f.setStyleStrategy(QFont::NoAntialias);
    return f;
}

// ---- canvas ---------------------------------------------------------------------------

TPGCanvas::TPGCanvas(TPixelGraphic* graphic) : FGraphic(graphic) {}

TPGCanvas::~TPGCanvas() = default;

uint32_t TPGCanvas::DeviceColor(TColor c) const { return ColorToRGB(c) & 0xFFFFFF; }

void TPGCanvas::Changed() {
    if (OnChange) OnChange();
}

void TPGCanvas::Plot(int x, int y, uint32_t colour) {
    if (x < 0 || y < 0 || x >= FGraphic->GetWidth() || y >= FGraphic->GetHeight() || FGraphic->GetEmpty()) return;
    if (FGraphic->GetBitCountNum() == 3) FGraphic->SetPixel(x, y, colour);
    else FGraphic->SetPixel(x, y, FGraphic->NearestIndex(colour));
}

void TPGCanvas::MoveTo(int x, int y) { PenPos = TPoint(x, y); }

void TPGCanvas::LineTo(int x, int y) {
    const uint32_t colour = DeviceColor(Pen.Color);
    ForEachLinePixel(PenPos.X, PenPos.Y, x, y, [&](int px, int py) { Plot(px, py, colour); });
    PenPos = TPoint(x, y);
    Changed();
}

void TPGCanvas::Polyline(const std::vector<TPoint>& points) {
    if (points.empty()) return;
    const TPoint keep = PenPos;
    MoveTo(points[0].X, points[0].Y);
    for (size_t i = 1; i < points.size(); ++i) LineTo(points[i].X, points[i].Y);
    PenPos = keep;
    Changed();
}

// The region's outline takes the pen, its interior the brush.
void TPGCanvas::DrawRegion(int top, const TSpans& spans) {
    const uint32_t pen = DeviceColor(Pen.Color), brush = DeviceColor(Brush.Color);
    const int rows = static_cast<int>(spans.size());
    for (int i = 0; i < rows; ++i) {
        const auto [lo, hi] = RegionInterior(spans, i);
        for (int x = spans[i].first; x <= spans[i].second; ++x) {
            if (x == lo && lo <= hi) {
                // A clear brush leaves the interior alone: skip it whole.
                if (Brush.Style == bsSolid)
                    for (int xi = lo; xi <= hi; ++xi) Plot(xi, top + i, brush);
                x = hi;
                continue;
            }
            Plot(x, top + i, pen);
        }
    }
    Changed();
}

void TPGCanvas::Rectangle(int x1, int y1, int x2, int y2) {
    if (x2 <= x1 || y2 <= y1) return;
    DrawRegion(y1, TSpans(y2 - y1, {x1, x2 - 1}));
}

void TPGCanvas::Ellipse(int x1, int y1, int x2, int y2) {
    if (x2 <= x1 || y2 <= y1) return;
    TSpans spans = EllipseSpans(x2 - x1, y2 - y1);
    for (auto& s : spans) s = {s.first + x1, s.second + x1};
    DrawRegion(y1, spans);
}

void TPGCanvas::RoundRect(int x1, int y1, int x2, int y2, int w, int h) {
    if (x2 <= x1 || y2 <= y1) return;
    DrawRegion(y1, RoundRectSpans(x1, y1, x2, y2, w, h));
}

void TPGCanvas::FillRect(const TRect& r) {
    if (Brush.Style != bsSolid) return;
    const uint32_t brush = DeviceColor(Brush.Color);
    const int x0 = std::max(r.Left, 0), x1 = std::min(r.Right, FGraphic->GetWidth());
    const int y0 = std::max(r.Top, 0), y1 = std::min(r.Bottom, FGraphic->GetHeight());
    if (FGraphic->GetBitCountNum() == 3 && !FGraphic->GetEmpty() && x0 < x1 && y0 < y1) {
        // 24-bit: the first row pixel by pixel, the others copied from it.
        const size_t n = 3 * size_t(x1 - x0);
        uint8_t* first = FGraphic->GetScanLine(y0) + 3 * x0;
        for (size_t k = 0; k < n; k += 3) PutRowPixel(first + k, brush);
        for (int y = y0 + 1; y < y1; ++y) std::memcpy(FGraphic->GetScanLine(y) + 3 * x0, first, n);
    } else {
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x) Plot(x, y, brush);
    }
    Changed();
}

void TPGCanvas::FloodFill(int x, int y, TColor colour, TFillStyle style) {
    const int W = FGraphic->GetWidth(), H = FGraphic->GetHeight();
    if (x < 0 || y < 0 || x >= W || y >= H || FGraphic->GetEmpty() || Brush.Style != bsSolid) return;
    uint32_t match = DeviceColor(colour);
    if (FGraphic->GetBitCountNum() != 3 && FGraphic->GetPaletteCount() > 0)
        match = FGraphic->GetPaletteColor(static_cast<int>(FGraphic->NearestIndex(match)));
    auto fillable = [&](int px, int py) {
        const bool same = FGraphic->GetPixelColor(px, py) == match;
        return style == fsSurface ? same : !same;
    };
    if (!fillable(x, y)) return;
    const uint32_t brush = DeviceColor(Brush.Color);
    std::vector<bool> seen(static_cast<size_t>(W) * H, false);
    std::vector<TPoint> stack{TPoint(x, y)};
    seen[static_cast<size_t>(y) * W + x] = true;
    while (!stack.empty()) {
        const TPoint p = stack.back();
        stack.pop_back();
        Plot(p.X, p.Y, brush);
        const TPoint next[4] = {{p.X - 1, p.Y}, {p.X + 1, p.Y}, {p.X, p.Y - 1}, {p.X, p.Y + 1}};
        for (const TPoint& q : next) {
            if (q.X < 0 || q.Y < 0 || q.X >= W || q.Y >= H) continue;
            const size_t k = static_cast<size_t>(q.Y) * W + q.X;
            if (seen[k] || !fillable(q.X, q.Y)) continue;
            seen[k] = true;
            stack.push_back(q);
        }
    }
    Changed();
}

TColor TPGCanvas::GetPixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= FGraphic->GetWidth() || y >= FGraphic->GetHeight() || FGraphic->GetEmpty())
        return static_cast<TColor>(0xFFFFFFFF);  // CLR_INVALID
    return static_cast<TColor>(FGraphic->GetPixelColor(x, y));
}

void TPGCanvas::SetPixel(int x, int y, TColor colour) {
    Plot(x, y, DeviceColor(colour));
    Changed();
}

// ---- pictures -------------------------------------------------------------------------

void TPGCanvas::Draw(int x, int y, const TPixelGraphic& graphic) {
    DrawBlock(TRect(x, y, x + graphic.GetWidth(), y + graphic.GetHeight()), graphic, false);
}

void TPGCanvas::StretchDraw(const TRect& r, const TPixelGraphic& graphic) { DrawBlock(r, graphic, true); }

void TPGCanvas::DrawBlock(const TRect& dest, const TPixelGraphic& graphic, bool stretch) {
    const int sw = graphic.GetWidth(), sh = graphic.GetHeight();
    const int dw = std::abs(dest.Width()), dh = std::abs(dest.Height());
    if (sw <= 0 || sh <= 0 || dw == 0 || dh == 0 || graphic.GetEmpty()) return;
    std::unique_ptr<TPixelGraphic> copy;
    const TPixelGraphic* src = &graphic;
    if (src == FGraphic) {
        copy.reset(new TPixelGraphic);
        copy->Assign(&graphic);
        src = copy.get();
    }
    const int xdir = dest.Right < dest.Left ? -1 : 1, ydir = dest.Bottom < dest.Top ? -1 : 1;
    for (int j = 0; j < dh; ++j) {
        const int y = dest.Top + ydir * j;
        if (y < 0 || y >= FGraphic->GetHeight()) continue;
        const int sy = stretch ? static_cast<int>(int64_t(j) * sh / dh) : j;
        if (sy >= sh) continue;
        for (int i = 0; i < dw; ++i) {
            const int x = dest.Left + xdir * i;
            if (x < 0 || x >= FGraphic->GetWidth()) continue;
            const int sx = stretch ? static_cast<int>(int64_t(i) * sw / dw) : i;
            if (sx >= sw) continue;
            uint32_t c = src->GetPixelColor(sx, sy);
            if (CopyMode == cmSrcInvert) c ^= FGraphic->GetPixelColor(x, y);
            else if (CopyMode == cmSrcAnd) c &= FGraphic->GetPixelColor(x, y);
            Plot(x, y, c);
        }
    }
    Changed();
}

// ---- text ------------------------------------------------------------------------------

// Runs paint on a painter over the pixels set up with the canvas's font and
// brush. 24-bit pictures are painted in place; palette pictures through a
// 24-bit copy whose changed pixels are written back as nearest entries.
template <typename Paint>
int TPGCanvas::PaintText(Paint paint) {
    const QFont font = Font.ToQFont();
    const uint32_t fc = DeviceColor(Font.Color), bc = DeviceColor(Brush.Color);
    auto setup = [&](QPainter& p) {
        p.setFont(font);
        p.setPen(QColor(GetRValue(fc), GetGValue(fc), GetBValue(fc)));
        p.setBackground(QBrush(QColor(GetRValue(bc), GetGValue(bc), GetBValue(bc))));
        p.setBackgroundMode(Brush.Style == bsSolid ? Qt::OpaqueMode : Qt::TransparentMode);
    };
    int result = 0;
    if (FGraphic->GetEmpty()) {
        QImage dummy(1, 1, QImage::Format_RGB32);
        QPainter p(&dummy);
        setup(p);
        return paint(p);
    }
    if (FGraphic->GetBitCountNum() == 3) {
        QImage view = FGraphic->QImageView();
        QPainter p(&view);
        setup(p);
        result = paint(p);
    } else {
        const QImage before = FGraphic->ToQImage();
        QImage scratch = before.copy();
        {
            QPainter p(&scratch);
            setup(p);
            result = paint(p);
        }
        for (int y = 0; y < scratch.height(); ++y) {
            const QRgb* a = reinterpret_cast<const QRgb*>(before.constScanLine(y));
            const QRgb* b = reinterpret_cast<const QRgb*>(scratch.constScanLine(y));
            for (int x = 0; x < scratch.width(); ++x)
                if (a[x] != b[x]) Plot(x, y, RGB(qRed(b[x]), qGreen(b[x]), qBlue(b[x])));
        }
    }
    Changed();
    return result;
}

void TPGCanvas::TextOut(int x, int y, const std::string& text) {
    const TSize size = TextExtent(text);
    TRect r(x, y, x + size.cx, y + size.cy);
    PaintText([&](QPainter& p) {
        return ::DrawTextEx(p, text, r, DT_SINGLELINE | DT_NOPREFIX | DT_NOCLIP | DT_LEFT | DT_TOP);
    });
    PenPos = TPoint(x + size.cx, y);
}

int TPGCanvas::DrawText(const std::string& text, TRect& rect, unsigned format) {
    return DrawTextEx(text, rect, format, nullptr);
}

int TPGCanvas::DrawTextEx(const std::string& text, TRect& rect, unsigned format, TDrawTextParams* params) {
    if (format & DT_CALCRECT) return MeasureText(Font.ToQFont(), text, rect, format, params);
    return PaintText([&](QPainter& p) { return ::DrawTextEx(p, text, rect, format, params); });
}

TSize TPGCanvas::TextExtent(const std::string& text) const { return ::TextExtent(Font.ToQFont(), text); }
