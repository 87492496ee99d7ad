#include "glimmo/forms/glyphs.h"

#include <QFont>
#include <QPainter>
#include <QPainterPath>
#include <QPolygon>

#include "artkit/Painters.h"
#include "artkit/PaletteText.h"
#include "artkit/Plasma.h"
#include "glimmo/ButtonDesign.h"
#include "image/PGraphic.h"
#include "platform/ImageList.h"
#include "platform/Paint.h"
#include "platform/Random.h"

namespace glimmo {

namespace {

constexpr int kGlyph = 20;

QImage BlankGlyph(int w = kGlyph, int h = kGlyph) {
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(ToQColor(GlyphKeyColor));
    return img;
}

// Glyphs are drawn without antialiasing: a blended edge pixel would miss the
// key colour and show as a fringe.
void PlainPainter(QPainter& p, const QColor& pen, const QBrush& brush) {
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(pen);
    p.setBrush(brush);
}

// A palette for samples: blue to white to brown.
const char* const kSamplePalette = "40;104;148;80;208;255;256;256;256;255;220;40;139;107;19;";

}  // namespace

QImage ShapeGlyph(int shapeCode) {
    QImage img = BlankGlyph();
    QPainter p(&img);
    PlainPainter(p, QColor(0, 0, 0), QBrush(QColor(110, 145, 200)));
    switch (shapeCode) {
        case scOval: p.drawEllipse(1, 5, 17, 9); break;
        case scRectangle: p.drawRect(1, 5, 17, 9); break;
        case scSquare: p.drawRect(3, 3, 13, 13); break;
        case scCircle: p.drawEllipse(2, 2, 15, 15); break;
        case scRoundRect: p.drawRoundedRect(1, 4, 17, 11, 4, 4); break;
        case scDiamond: p.drawPolygon(QPolygon({QPoint(9, 1), QPoint(17, 9), QPoint(9, 17), QPoint(1, 9)})); break;
        case scTriangleUp: p.drawPolygon(QPolygon({QPoint(9, 2), QPoint(17, 16), QPoint(1, 16)})); break;
        case scTriangleDown: p.drawPolygon(QPolygon({QPoint(1, 3), QPoint(17, 3), QPoint(9, 17)})); break;
        case scTriangleLeft: p.drawPolygon(QPolygon({QPoint(2, 9), QPoint(16, 1), QPoint(16, 17)})); break;
        case scTriangleRight: p.drawPolygon(QPolygon({QPoint(3, 1), QPoint(17, 9), QPoint(3, 17)})); break;
        default: break;
    }
    return img;
}

QImage GradientGlyph(int gradientStyle) {
    TPixelGraphic g;
    g.SetSize(kGlyph - 2, kGlyph - 2, 3);
    const TColourTable ramp = PaletteTextToTable(kSamplePalette);
    switch (gradientStyle) {
        case gsLinear: LinearGradientFill(g, ramp, 0); break;
        case gsLinear90: LinearGradientFill(g, ramp, 90); break;
        case gsRectangular: RectangularGradientFill(g, ramp); break;
        case gsRadial: RadialGradientFill(g, ramp); break;
        default: break;
    }
    QImage img = BlankGlyph();
    QPainter p(&img);
    p.drawImage(1, 1, g.ToQImage());
    return img;
}

QImage StyleFace(QChar letter, bool down, int size) {
    QImage img(size, size, QImage::Format_RGB32);
    img.fill(ToQColor(down ? clSilver : clBtnFace));
    QPainter p(&img);
    p.setRenderHint(QPainter::TextAntialiasing, true);
    QFont font(QStringLiteral("Times New Roman"));
    font.setPixelSize(size * 2 / 3);
    font.setBold(letter == QLatin1Char('B'));
    font.setItalic(letter == QLatin1Char('I'));
    font.setUnderline(letter == QLatin1Char('U'));
    p.setFont(font);
    const QRect r = QRect(0, 0, size, size).translated(down ? 1 : 0, down ? 1 : 0);
    if (letter == QLatin1Char('O')) {
        // The outlined style: the letter as a white glyph with a dark rim.
        QPainterPath path;
        const QFontMetrics fm(font);
        const QRect box = fm.boundingRect(letter);
        path.addText(r.center().x() - box.width() / 2.0 - box.left(), r.center().y() + fm.ascent() / 2.0 - 1, font,
                     QString(letter));
        p.setRenderHint(QPainter::Antialiasing, true);
        p.setPen(QPen(QColor(0, 0, 0), 1.2));
        p.setBrush(QColor(255, 255, 255));
        p.drawPath(path);
    } else {
        p.setPen(QColor(0, 0, 0));
        p.drawText(r, Qt::AlignCenter, QString(letter));
    }
    return img;
}

QImage HorzAlignGlyph(int align) {
    QImage img = BlankGlyph();
    QPainter p(&img);
    PlainPainter(p, QColor(0, 0, 0), QBrush(Qt::NoBrush));
    const int lengths[5] = {16, 10, 14, 8, 12};
    for (int i = 0; i < 5; ++i) {
        const int len = lengths[i];
        const int left = align == 0 ? 2 : align == 1 ? 10 - len / 2 : 18 - len;
        p.drawLine(left, 3 + i * 3, left + len - 1, 3 + i * 3);
    }
    return img;
}

QImage VertAlignGlyph(int align) {
    QImage img = BlankGlyph();
    QPainter p(&img);
    PlainPainter(p, QColor(128, 128, 128), QBrush(Qt::NoBrush));
    p.drawRect(1, 1, 17, 17);
    p.setPen(QColor(0, 0, 0));
    const int top = align == 0 ? 3 : align == 1 ? 8 : 13;
    for (int i = 0; i < 2; ++i) p.drawLine(4, top + i * 2, 15, top + i * 2);
    return img;
}

QImage ZoomGlyph(bool zoomIn) {
    QImage img = BlankGlyph();
    QPainter p(&img);
    PlainPainter(p, QColor(0, 0, 0), QBrush(QColor(255, 255, 255)));
    p.drawEllipse(1, 1, 12, 12);
    p.setPen(QPen(QColor(0, 0, 0), 3));
    p.drawLine(12, 12, 17, 17);
    p.setPen(QColor(0, 0, 0));
    p.drawLine(4, 7, 10, 7);
    if (zoomIn) p.drawLine(7, 4, 7, 10);
    return img;
}

void AddPlasmaStyleImages(TImageList& images, int size) {
    // One plasma, mapped by each style.
    TRandomGenerator random(20011);
    TPlasmaFill plasma(random);
    plasma.SetReseedFromClock(false);
    TPixelGraphic image;
    image.SetSize(PlasmaImageSize, PlasmaImageSize, 3);
    const TColourTable palette = PaletteTextToTable(kSamplePalette);
    for (int style = 0; style < PlasmaStyleCount; ++style) {
        plasma.RenderPlasma(style == 0, image, palette, style, PlasmaOffset(50), PlasmaScale(100));
        images.Add(
            image.ToQImage().copy(0, 0, 100, 100).scaled(size, size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    }
}

}  // namespace glimmo
