#include "platform/Paint.h"

#include <QGuiApplication>
#include <QScreen>
#include <cstdlib>

// ---- colours ---------------------------------------------------------------

QColor ToQColor(TColor c) {
    const uint32_t rgb = ColorToRGB(c);
    return QColor(GetRValue(rgb), GetGValue(rgb), GetBValue(rgb));
}

TColor FromQColor(const QColor& c) { return static_cast<TColor>(RGB(c.red(), c.green(), c.blue())); }

TColor ImagePixelColor(const QImage& img, int x, int y) {
    if (!img.valid(x, y)) return clBlack;
    const QRgb p = img.pixel(x, y);
    return static_cast<TColor>(RGB(qRed(p), qGreen(p), qBlue(p)));
}

int ScreenColorDepth() {
    const QScreen* s = QGuiApplication::primaryScreen();
    return s ? s->depth() : 32;
}

// ---- lines -----------------------------------------------------------------

namespace {

// On/off run lengths of the cosmetic pen styles, starting with "on".
const std::vector<int>& DashPattern(TPenStyle style) {
    static const std::vector<int> kSolid, kDash{18, 6}, kDot{3, 3}, kDashDot{9, 6, 3, 6}, kDashDotDot{9, 3, 3, 3, 3, 3};
    switch (style) {
        case psDash: return kDash;
        case psDot: return kDot;
        case psDashDot: return kDashDot;
        case psDashDotDot: return kDashDotDot;
        default: return kSolid;
    }
}

class PixelPlotter {
public:
    PixelPlotter(QPainter& p, const TPen& pen)
        : FPainter(p), FColor(ToQColor(pen.Color)), FWidth(std::max(1, pen.Width)), FPattern(DashPattern(pen.Style)) {
        if (!FPattern.empty()) FRunLeft = FPattern[0];
    }
    void Plot(int x, int y) {
        if (Visible()) {
            const int off = (FWidth - 1) / 2;
            FPainter.fillRect(QRect(x - off, y - off, FWidth, FWidth), FColor);
        }
        Advance();
    }

private:
    bool Visible() const { return FPattern.empty() || (FRun % 2) == 0; }
    void Advance() {
        if (FPattern.empty()) return;
        if (--FRunLeft <= 0) {
            FRun = (FRun + 1) % static_cast<int>(FPattern.size());
            FRunLeft = FPattern[static_cast<size_t>(FRun)];
        }
    }
    QPainter& FPainter;
    QColor FColor;
    int FWidth;
    const std::vector<int>& FPattern;
    int FRun = 0;
    int FRunLeft = 0;
};

// The line from (x1, y1) towards (x2, y2), the end point left out.
void PlotLine(PixelPlotter& plot, int x1, int y1, int x2, int y2) {
    ForEachLinePixel(x1, y1, x2, y2, [&](int x, int y) { plot.Plot(x, y); });
}

}  // namespace

void Polyline(QPainter& p, const TPen& pen, const std::vector<TPoint>& points) {
    if (pen.Style == psClear || points.size() < 2) return;
    PixelPlotter plot(p, pen);
    for (size_t i = 1; i < points.size(); ++i)
        PlotLine(plot, points[i - 1].X, points[i - 1].Y, points[i].X, points[i].Y);
}

// ---- rectangles and ellipses ----------------------------------------------

void FillRect(QPainter& p, const TRect& r, TColor color) {
    if (r.IsEmpty()) return;
    p.fillRect(r.ToQRect(), ToQColor(color));
}

void FrameRect(QPainter& p, const TRect& r, TColor color) {
    if (r.IsEmpty()) return;
    const QColor c = ToQColor(color);
    p.fillRect(QRect(r.Left, r.Top, r.Width(), 1), c);
    p.fillRect(QRect(r.Left, r.Bottom - 1, r.Width(), 1), c);
    p.fillRect(QRect(r.Left, r.Top, 1, r.Height()), c);
    p.fillRect(QRect(r.Right - 1, r.Top, 1, r.Height()), c);
}

void Rectangle(QPainter& p, const TRect& r, const TPen& pen, TColor brush) {
    if (pen.Style == psClear) {
        if (brush != clNone) FillRect(p, TRect(r.Left, r.Top, r.Right - 1, r.Bottom - 1), brush);
        return;
    }
    const int w = std::max(1, pen.Width);
    // A wide pen is centred on the outline, except an inside-frame pen.
    const int grow = pen.Style == psInsideFrame ? 0 : w / 2;
    TRect outer = r.Inflated(grow, grow);
    if (brush != clNone) FillRect(p, outer.Inflated(-w, -w), brush);
    if (pen.Style == psSolid || pen.Style == psInsideFrame) {
        for (int i = 0; i < w && !outer.IsEmpty(); ++i) {
            FrameRect(p, outer, pen.Color);
            outer.Inflate(-1, -1);
        }
        return;
    }
    const int R = outer.Right - 1, B = outer.Bottom - 1;
    Polyline(p, pen,
             {TPoint(outer.Left, outer.Top), TPoint(R, outer.Top), TPoint(R, B), TPoint(outer.Left, B),
              TPoint(outer.Left, outer.Top)});
}

void Ellipse(QPainter& p, const TRect& r, const TPen& pen, TColor brush) {
    if (r.IsEmpty()) return;
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(Qt::NoPen);
    if (brush != clNone) {
        p.setBrush(ToQColor(brush));
        p.drawEllipse(QRectF(r.Left, r.Top, r.Width() - 1, r.Height() - 1));
    }
    if (pen.Style != psClear) {
        QPen qpen(ToQColor(pen.Color));
        qpen.setWidth(std::max(1, pen.Width));
        if (qpen.width() == 1) qpen.setCosmetic(true);
        p.setPen(qpen);
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QRect(r.Left, r.Top, r.Width() - 1, r.Height() - 1));
    }
    p.restore();
}

void Polygon(QPainter& p, const TPen& pen, TColor brush, const std::vector<TPoint>& points) {
    if (points.empty()) return;
    if (brush != clNone) {
        QPolygon poly;
        for (const TPoint& pt : points) poly << pt.ToQPoint();
        p.save();
        p.setRenderHint(QPainter::Antialiasing, false);
        p.setPen(Qt::NoPen);
        p.setBrush(ToQColor(brush));
        p.drawPolygon(poly);
        p.restore();
    }
    std::vector<TPoint> closed(points);
    closed.push_back(points.front());
    if (closed.size() == 2) closed.push_back(TPoint(points.front().X + 1, points.front().Y));
    Polyline(p, pen, closed);
}

void PaintBevelShape(QPainter& p, int width, int height, TBevelShape shape, TColor first, TColor second,
                     TPenStyle penStyle) {
    const int W = width, H = height;
    const TPen pen1(first, 1, penStyle), pen2(second, 1, penStyle);
    auto bevelRect = [&](const TRect& r, const TPen& a, const TPen& b) {
        Polyline(p, a, {TPoint(r.Left, r.Bottom), TPoint(r.Left, r.Top), TPoint(r.Right, r.Top)});
        Polyline(p, b, {TPoint(r.Right, r.Top), TPoint(r.Right, r.Bottom), TPoint(r.Left, r.Bottom)});
    };
    switch (shape) {
        case bsBox: bevelRect(TRect(0, 0, W - 1, H - 1), pen1, pen2); break;
        case bsFrame:
            bevelRect(TRect(1, 1, W - 1, H - 1), pen2, pen2);
            bevelRect(TRect(0, 0, W - 2, H - 2), pen1, pen1);
            break;
        case bsTopLine:
            Line(p, pen1, 0, 0, W, 0);
            Line(p, pen2, 0, 1, W, 1);
            break;
        case bsBottomLine:
            Line(p, pen1, 0, H - 2, W, H - 2);
            Line(p, pen2, 0, H - 1, W, H - 1);
            break;
        case bsLeftLine:
            Line(p, pen1, 0, 0, 0, H);
            Line(p, pen2, 1, 0, 1, H);
            break;
        case bsRightLine:
            Line(p, pen1, W - 2, 0, W - 2, H);
            Line(p, pen2, W - 1, 0, W - 1, H);
            break;
        case bsSpacer: break;
    }
}

QSize BevelSizeHint(TBevelShape shape) {
    switch (shape) {
        case bsTopLine:
        case bsBottomLine: return QSize(50, 2);
        case bsLeftLine:
        case bsRightLine: return QSize(2, 50);
        default: return QSize(50, 50);
    }
}

QSize BevelMinimumSizeHint(TBevelShape shape) { return shape == bsSpacer ? QSize(0, 0) : QSize(2, 2); }

void Frame3D(QPainter& p, TRect& r, TColor topColor, TColor bottomColor, int width) {
    r.Bottom -= 1;
    r.Right -= 1;
    const TPen top(topColor), bottom(bottomColor);
    while (width > 0) {
        --width;
        Polyline(p, top, {TPoint(r.Left, r.Bottom), TPoint(r.Left, r.Top), TPoint(r.Right, r.Top)});
        Polyline(p, bottom, {TPoint(r.Right, r.Top), TPoint(r.Right, r.Bottom), TPoint(r.Left - 1, r.Bottom)});
        r.Inflate(-1, -1);
    }
    r.Bottom += 1;
    r.Right += 1;
}

void DrawFocusRect(QPainter& p, const TRect& r) {
    if (r.IsEmpty()) return;
    std::vector<QPoint> pts;
    auto add = [&](int x, int y) {
        if ((x + y) % 2 == 0) pts.emplace_back(x, y);
    };
    for (int x = r.Left; x < r.Right; ++x) {
        add(x, r.Top);
        if (r.Bottom - 1 > r.Top) add(x, r.Bottom - 1);
    }
    for (int y = r.Top + 1; y < r.Bottom - 1; ++y) {
        add(r.Left, y);
        if (r.Right - 1 > r.Left) add(r.Right - 1, y);
    }
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setCompositionMode(QPainter::RasterOp_NotDestination);
    p.setPen(QPen(Qt::black, 0));
    p.drawPoints(pts.data(), static_cast<int>(pts.size()));
    p.restore();
}

// ---- DrawEdge --------------------------------------------------------------

namespace {
constexpr int kNo = -1, kLight = 22, kHigh = 20, kShadow = 16, kDark = 21, kFace = 15, kWindow = 5, kFrame = 6;

// Indexed by inner * 4 + outer (inner = edge bits 2-3, outer = bits 0-1). An
// edge that has only an inner part draws it in the outer slot.
const int kLTOuter[16] = {kNo,   kLight, kShadow, kNo, kHigh, kLight, kShadow, kNo,
                          kDark, kLight, kShadow, kNo, kNo,   kLight, kShadow, kNo};
const int kLTInner[16] = {kNo, kNo, kNo, kNo, kNo, kHigh, kHigh, kNo, kNo, kDark, kDark, kNo, kNo, kNo, kNo, kNo};
const int kRBOuter[16] = {kNo,    kDark, kHigh, kNo, kShadow, kDark, kHigh, kNo,
                          kLight, kDark, kHigh, kNo, kNo,     kDark, kHigh, kNo};
const int kRBInner[16] = {kNo, kNo, kNo, kNo, kNo, kShadow, kShadow, kNo, kNo, kLight, kLight, kNo, kNo, kNo, kNo, kNo};
const int kLTOuterSoft[16] = {kNo,     kHigh, kDark, kNo, kLight, kHigh, kDark, kNo,
                              kShadow, kHigh, kDark, kNo, kNo,    kHigh, kDark, kNo};
const int kLTInnerSoft[16] = {kNo, kNo,     kNo,     kNo, kNo, kLight, kLight, kNo,
                              kNo, kShadow, kShadow, kNo, kNo, kNo,    kNo,    kNo};

struct EdgeColors {
    int LTOuter, LTInner, RBOuter, RBInner;
};

EdgeColors EdgeColorsOf(unsigned edge, unsigned flags) {
    const unsigned i = edge & (BDR_INNER | BDR_OUTER);
    EdgeColors c{kLTOuter[i], kLTInner[i], kRBOuter[i], kRBInner[i]};
    if (flags & BF_SOFT) {
        c.LTOuter = kLTOuterSoft[i];
        c.LTInner = kLTInnerSoft[i];
    }
    if (flags & (BF_MONO | BF_FLAT)) {
        const bool mono = (flags & BF_MONO) != 0;
        const bool hasOuter = (i & BDR_OUTER) != 0, hasInner = (i & BDR_INNER) != 0;
        const int outer = !hasOuter && !hasInner ? kNo
                                                 : (hasOuter ? (mono ? kFrame : kShadow) : (mono ? kWindow : kFace));
        const int inner = hasOuter && hasInner ? (mono ? kWindow : kFace) : kNo;
        c = EdgeColors{outer, inner, outer, inner};
    }
    return c;
}

void EdgeLines(QPainter& p, const TRect& r, int lt, int rb, unsigned flags) {
    if (r.IsEmpty()) return;
    if (lt != kNo) {
        const QColor c = ToQColor(static_cast<TColor>(GetSysColor(lt)));
        if (flags & BF_TOP) p.fillRect(QRect(r.Left, r.Top, r.Width(), 1), c);
        if (flags & BF_LEFT) p.fillRect(QRect(r.Left, r.Top, 1, r.Height()), c);
    }
    if (rb != kNo) {
        const QColor c = ToQColor(static_cast<TColor>(GetSysColor(rb)));
        if (flags & BF_BOTTOM) p.fillRect(QRect(r.Left, r.Bottom - 1, r.Width(), 1), c);
        if (flags & BF_RIGHT) p.fillRect(QRect(r.Right - 1, r.Top, 1, r.Height()), c);
    }
}
}  // namespace

void DrawEdge(QPainter& p, TRect& r, unsigned edge, unsigned flags) {
    const EdgeColors c = EdgeColorsOf(edge, flags);
    EdgeLines(p, r, c.LTOuter, c.RBOuter, flags);
    EdgeLines(p, r.Inflated(-1, -1), c.LTInner, c.RBInner, flags);

    // Lines drawn on each side, for the middle and for BF_ADJUST.
    const int lt = (c.LTOuter != kNo) + (c.LTInner != kNo);
    const int rb = (c.RBOuter != kNo) + (c.RBInner != kNo);
    TRect inside = r;
    if (flags & BF_LEFT) inside.Left += lt;
    if (flags & BF_TOP) inside.Top += lt;
    if (flags & BF_RIGHT) inside.Right -= rb;
    if (flags & BF_BOTTOM) inside.Bottom -= rb;
    if (flags & BF_MIDDLE) FillRect(p, inside, static_cast<TColor>(GetSysColor((flags & BF_MONO) ? kWindow : kFace)));
    if (flags & BF_ADJUST) r = inside;
}

void DrawButtonFrame(QPainter& p, TRect r, bool sunken) {
    if (sunken) {
        DrawEdge(p, r, BDR_SUNKENINNER, BF_LEFT | BF_TOP);
        DrawEdge(p, r, BDR_SUNKENOUTER, BF_RIGHT | BF_BOTTOM);
        r.Right -= 1;
        r.Bottom -= 1;
        r.Left += 1;
        r.Top += 1;
        DrawEdge(p, r, BDR_SUNKENOUTER, BF_LEFT | BF_TOP);
    } else {
        DrawEdge(p, r, BDR_RAISEDOUTER, BF_RIGHT | BF_BOTTOM);
        r.Right -= 1;
        r.Bottom -= 1;
        DrawEdge(p, r, BDR_RAISEDINNER, BF_LEFT | BF_TOP);
        r.Left += 1;
        r.Top += 1;
        DrawEdge(p, r, BDR_RAISEDINNER, BF_RIGHT | BF_BOTTOM);
    }
}

// ---- bitmaps ---------------------------------------------------------------

namespace {
QPainter::CompositionMode ModeOf(TRasterOp rop) {
    switch (rop) {
        case ropSrcInvert: return QPainter::RasterOp_SourceXorDestination;
        case ropSrcAnd: return QPainter::RasterOp_SourceAndDestination;
        case ropSrcPaint: return QPainter::RasterOp_SourceOrDestination;
        default: return QPainter::CompositionMode_Source;
    }
}

void Blit(QPainter& p, const QRect& dst, const QImage& src, TRasterOp rop) {
    if (src.isNull() || dst.isEmpty()) return;
    const QImage rgb = src.format() == QImage::Format_RGB32 ? src : src.convertToFormat(QImage::Format_RGB32);
    p.save();
    p.setRenderHint(QPainter::SmoothPixmapTransform, false);
    p.setCompositionMode(ModeOf(rop));
    p.drawImage(dst, rgb);
    p.restore();
}
}  // namespace

void BitBlt(QPainter& p, int x, int y, const QImage& src, TRasterOp rop) {
    Blit(p, QRect(x, y, src.width(), src.height()), src, rop);
}

void StretchBlt(QPainter& p, const TRect& dst, const QImage& src, TRasterOp rop) { Blit(p, dst.ToQRect(), src, rop); }

QImage MakeColorMask(const QImage& src, TColor color) {
    const QImage rgb = src.convertToFormat(QImage::Format_RGB32);
    QImage mask(rgb.size(), QImage::Format_RGB32);
    const uint32_t c = ColorToRGB(color);
    const QRgb key = qRgb(GetRValue(c), GetGValue(c), GetBValue(c)) & 0xFFFFFF;
    for (int y = 0; y < rgb.height(); ++y) {
        const QRgb* s = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        QRgb* d = reinterpret_cast<QRgb*>(mask.scanLine(y));
        for (int x = 0; x < rgb.width(); ++x) d[x] = (s[x] & 0xFFFFFF) == key ? 0xFFFFFFFFu : 0xFF000000u;
    }
    return mask;
}

void MaskedBlit(QPainter& p, int x, int y, const QImage& src, TColor transparent, int width, int height) {
    if (src.isNull()) return;
    if (width == 0) width = src.width();
    if (height == 0) height = src.height();
    // A binary alpha channel gives exactly what the AND-mask/OR-source pair
    // gives, on any paint device.
    QImage argb = src.convertToFormat(QImage::Format_ARGB32);
    const uint32_t c = ColorToRGB(transparent);
    const QRgb key = qRgb(GetRValue(c), GetGValue(c), GetBValue(c)) & 0xFFFFFF;
    for (int row = 0; row < argb.height(); ++row) {
        QRgb* d = reinterpret_cast<QRgb*>(argb.scanLine(row));
        for (int col = 0; col < argb.width(); ++col) d[col] = (d[col] & 0xFFFFFF) == key ? 0u : (d[col] | 0xFF000000u);
    }
    p.save();
    p.setRenderHint(QPainter::SmoothPixmapTransform, false);
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);
    p.drawImage(QRect(x, y, width, height), argb);
    p.restore();
}

void DrawBitmapTransparent(QPainter& p, int x, int y, const QImage& src, TColor transparent, int width, int height) {
    if (src.isNull()) return;
    if (transparent == clNone) {
        Blit(p, QRect(x, y, width ? width : src.width(), height ? height : src.height()), src, ropSrcCopy);
        return;
    }
    const TColor rgb = static_cast<TColor>(ColorToRGB(transparent) & 0xFFFFFF);
    MaskedBlit(p, x, y, src, rgb, width, height);
}
