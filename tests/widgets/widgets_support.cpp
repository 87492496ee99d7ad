#include "widgets/widgets_support.h"

#include <QPainter>

namespace wtest {

THost::THost(int width, int height, TColor background) {
    resize(width, height);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, ToQColor(background));
    setPalette(pal);
}

QImage THost::Shot() { return grab().toImage().convertToFormat(QImage::Format_RGB32); }

TColor PixelAt(const QImage& img, int x, int y) { return ImagePixelColor(img, x, y); }

QImage SolidImage(int w, int h, TColor color) {
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(ToQColor(color));
    return img;
}

}  // namespace wtest
