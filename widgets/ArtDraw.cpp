#include "widgets/ArtDraw.h"

#include <cmath>

#include "platform/DrawText.h"
#include "platform/MathUtil.h"
#include "platform/Paint.h"

void SplitColor(TColor color, int& red, int& green, int& blue) {
    const uint32_t c = static_cast<uint32_t>(color);
    red = GetRValue(c);
    green = GetGValue(c);
    blue = GetBValue(c);
}

int ClampToByte(double value) {
    if (!(value > 0)) return 0;  // also NaN
    if (value >= 255) return 255;
    return static_cast<int>(Round(value));
}

TColor RGBFromFloats(double red, double green, double blue) {
    return static_cast<TColor>(RGB(ClampToByte(red), ClampToByte(green), ClampToByte(blue)));
}

TColor LightenColor(TColor color, int amount) {
    const uint32_t c = ColorToRGB(color);
    return RGBFromFloats(GetRValue(c) + amount, GetGValue(c) + amount, GetBValue(c) + amount);
}

TColor DarkenColor(TColor color, int amount) { return LightenColor(color, -amount); }

namespace {
// Draws text at each offset in its colour, then in the font colour at (x, y).
struct Pass {
    int dx, dy;
    TColor color;
};
void DrawTextPasses(QPainter& canvas, int x, int y, const QString& text, std::initializer_list<Pass> passes) {
    const QPen fontPen = canvas.pen();
    canvas.save();
    canvas.setBackgroundMode(Qt::TransparentMode);
    for (const Pass& p : passes) {
        canvas.setPen(ToQColor(p.color));
        TextOut(canvas, x + p.dx, y + p.dy, text);
    }
    canvas.setPen(fontPen);
    TextOut(canvas, x, y, text);
    canvas.restore();
}
}  // namespace

void DrawOutlinedText(QPainter& canvas, int x, int y, TColor outline, const QString& text) {
    DrawTextPasses(canvas, x, y, text, {{1, 1, outline}, {-1, 1, outline}, {-1, -1, outline}, {1, -1, outline}});
}

void DrawEmbossedText(QPainter& canvas, const QString& text, int x, int y, TColor lower, TColor upper) {
    DrawTextPasses(canvas, x, y, text, {{1, 1, lower}, {-1, -1, upper}});
}

void DrawOffsetShadowText(QPainter& canvas, int x, int y, int dx, int dy, TColor shadow, const QString& text) {
    DrawTextPasses(canvas, x, y, text, {{dx, dy, shadow}});
}

void DrawMaskedGraphic(QPainter& canvas, int x, int y, const QImage& image, const QImage& mask) {
    BitBlt(canvas, x, y, image, ropSrcInvert);
    BitBlt(canvas, x, y, mask, ropSrcAnd);
    BitBlt(canvas, x, y, image, ropSrcInvert);
}

QImage TextMask(const QPainter& canvas, const QString& text) {
    QFont mono = FontForDevice(canvas.font(), canvas.device());
    mono.setStyleStrategy(QFont::NoAntialias);
    const TSize ext = TextExtent(canvas.fontMetrics(), text);
    QImage mask(std::max(1, ext.cx), std::max(1, ext.cy), QImage::Format_RGB32);
    mask.fill(Qt::white);
    QPainter p(&mask);
    p.setFont(mono);
    p.setPen(Qt::black);
    TextOut(p, 0, 0, text);
    return mask;
}

void DrawTextFilledStretched(QPainter& canvas, int x, int y, const QImage& picture, const QString& text) {
    if (picture.isNull()) return;
    const QImage mask = TextMask(canvas, text);
    const TRect area = Bounds(x, y, mask.width(), mask.height());
    StretchBlt(canvas, area, picture, ropSrcInvert);
    BitBlt(canvas, x, y, mask, ropSrcAnd);
    StretchBlt(canvas, area, picture, ropSrcInvert);
}

void DrawTextFilled(QPainter& canvas, int x, int y, const QImage& picture, const QString& text) {
    const QImage mask = TextMask(canvas, text);
    // The work area is the text's extent: the picture is cut to it.
    const QImage pic = picture.isNull() ? QImage()
                                        : picture.copy(0, 0, std::min(picture.width(), mask.width()),
                                                       std::min(picture.height(), mask.height()));
    if (!pic.isNull()) BitBlt(canvas, x, y, pic, ropSrcInvert);
    BitBlt(canvas, x, y, mask, ropSrcAnd);
    if (!pic.isNull()) BitBlt(canvas, x, y, pic, ropSrcInvert);
}

void TileBitmap(QPainter& canvas, const QImage& bitmap, const TRect& rect) {
    if (bitmap.isNull() || rect.IsEmpty()) return;
    const int bw = bitmap.width(), bh = bitmap.height();
    for (int y = rect.Top; y < rect.Bottom; y += bh)
        for (int x = rect.Left; x < rect.Right; x += bw) {
            const int w = std::min(bw, rect.Right - x), h = std::min(bh, rect.Bottom - y);
            canvas.drawImage(QPoint(x, y), bitmap, QRect(0, 0, w, h));
        }
}
