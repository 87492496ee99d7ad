#include "widgets/RxUtils.h"

#include <QCursor>
#include <algorithm>
#include <initializer_list>

#include "platform/Paint.h"

namespace {

// Pixel art: '.' olive (the skins' transparent colour), 'w' white, 's'
// silver, 'g' grey, 'k' black, 'd' silver and white in a checker (the
// pressed thumb's face). Short rows are padded with olive.
QImage FromArt(int width, std::initializer_list<const char*> rows) {
    QImage img(width, static_cast<int>(rows.size()), QImage::Format_RGB32);
    img.fill(ToQColor(clOlive));
    int y = 0;
    for (const char* row : rows) {
        for (int x = 0; x < width && row[x]; ++x) {
            TColor c = clOlive;
            switch (row[x]) {
                case 'w': c = clWhite; break;
                case 's': c = clSilver; break;
                case 'g': c = clGray; break;
                case 'k': c = clBlack; break;
                case 'd': c = (x + y) % 2 ? clWhite : clSilver; break;
                default: break;
            }
            img.setPixel(x, y, ToQColor(c).rgb());
        }
        ++y;
    }
    return img;
}

QImage Transposed(const QImage& img) {
    QImage out(img.height(), img.width(), QImage::Format_RGB32);
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) out.setPixel(y, x, img.pixel(x, y));
    return out;
}

QImage SideBySide(const QImage& a, const QImage& b) {
    QImage out(a.width() + b.width(), std::max(a.height(), b.height()), QImage::Format_RGB32);
    out.fill(ToQColor(clOlive));
    QPainter p(&out);
    p.drawImage(0, 0, a);
    p.drawImage(a.width(), 0, b);
    return out;
}

// The horizontal thumb (9 x 17): a raised button pointing down.
QImage HorizontalThumb(bool pressed) {
    const char* body = pressed ? "wddddddgk" : "wssssssgk";
    const char* tip = pressed ? ".wddddgk." : ".wssssgk.";
    return FromArt(9, {"wwwwwwwwk", body, body, body, body, body, body, body, body, body, body, body, body, tip,
                       "..wssgk..", "...wgk...", "....k...."});
}

// The horizontal ruler (10 x 10): a channel sunk two pixels deep, its ends
// (two pixels each) closing it.
QImage HorizontalRuler(int channelTop, int height) {
    QImage line = FromArt(10, {"gggggggggw", "gkkkkkkksw", "gksssssssw", "wwwwwwwwww"});
    QImage img(10, height, QImage::Format_RGB32);
    img.fill(ToQColor(clOlive));
    QPainter p(&img);
    p.drawImage(0, channelTop, line);
    return img;
}

}  // namespace

void RegisterRxCursors() { SetCursor(crRxHand, QCursor(Qt::PointingHandCursor)); }

QImage LoadBitmapResource(const std::string& name) {
    if (name == "W95_HTB") return SideBySide(HorizontalThumb(false), HorizontalThumb(true));
    if (name == "W95_VTB") return SideBySide(Transposed(HorizontalThumb(false)), Transposed(HorizontalThumb(true)));
    if (name == "W95_HRL") return HorizontalRuler(3, 10);
    if (name == "W95_VRL") return Transposed(HorizontalRuler(2, 8));
    if (name == "RXSPINUP" || name == "RXSPINDOWN") {
        QImage up = FromArt(6, {"wwwwww", "wwkkww", "wkkkkw", "kkkkkk", "wwwwww", "wwwwww"});
        return name == "RXSPINUP" ? up : up.mirrored(false, true);
    }
    if (name == "TTF_FONT")
        return FromArt(20, {"", ".ggggggg", ".g..g..g", "....g..kkkkkkk", "....g..k..k..k", "....g.....k",
                            "...ggg....k", "..........k", "..........k", ".........kkk", "", ""});
    if (name == "PRN_FONT")
        return FromArt(20, {"", "......kkkkkk", "......kwwwwk", "......kwkkwk", "...kkkkkkkkkkkk", "..ksssssssssssgk",
                            "..ksssssssssssgk", "..kssssssssskkgk", "..kggggggggggggk", "...kkkkkkkkkkkk", "", ""});
    return QImage();
}

void RaiseResourceNotFound(const std::string& name) { throw EResNotFound("Resource " + name + " not found"); }

QImage LoadBitmapResourceOrRaise(const std::string& name) {
    QImage img = LoadBitmapResource(name);
    if (img.isNull()) RaiseResourceNotFound(name);
    return img;
}

TColor BitmapTransparentColor(const QImage& bmp) {
    if (bmp.isNull()) return clNone;
    return ImagePixelColor(bmp, 0, bmp.height() - 1);
}

void DrawBitmapRectTransparent(QPainter& canvas, int x, int y, TColor transparent, const QImage& bmp, const TRect& src,
                               int width, int height) {
    if (bmp.isNull()) return;
    const int left = std::clamp(src.Left, 0, bmp.width()), top = std::clamp(src.Top, 0, bmp.height());
    int w = std::min(src.Width(), bmp.width() - left), h = std::min(src.Height(), bmp.height() - top);
    QImage part;
    if (w <= 0 || h <= 0) part = bmp;
    else part = bmp.copy(left, top, w, h);
    DrawBitmapTransparent(canvas, x, y, part, transparent, width, height);
}
