#pragma once
// Helpers of the widget tests: a host window with a known background whose
// rendering (with its children) is taken as an image.
#include <QImage>
#include <QWidget>

#include "platform/Colors.h"
#include "platform/Paint.h"

namespace wtest {

class THost : public QWidget {
public:
    THost(int width, int height, TColor background = clLime);
    // The host and its children as rendered, Format_RGB32.
    QImage Shot();
};

TColor PixelAt(const QImage& img, int x, int y);
QImage SolidImage(int w, int h, TColor color);

}  // namespace wtest
