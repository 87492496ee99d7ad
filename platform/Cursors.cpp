#include "platform/Cursors.h"

#include <QApplication>
#include <QBitmap>
#include <map>
#include <vector>

namespace {
std::map<TCursor, QCursor>& Registered() {
    static std::map<TCursor, QCursor> table;
    return table;
}

TCursor gScreenCursor = crDefault;

Qt::CursorShape StockShape(TCursor id) {
    switch (id) {
        case crNone: return Qt::BlankCursor;
        case crCross: return Qt::CrossCursor;
        case crIBeam: return Qt::IBeamCursor;
        case crSizeNESW: return Qt::SizeBDiagCursor;
        case crSizeNS: return Qt::SizeVerCursor;
        case crSizeNWSE: return Qt::SizeFDiagCursor;
        case crSizeWE: return Qt::SizeHorCursor;
        case crUpArrow: return Qt::UpArrowCursor;
        case crHourGlass:
        case crSQLWait: return Qt::WaitCursor;
        case crDrag:
        case crMultiDrag: return Qt::DragCopyCursor;
        case crNoDrop:
        case crNo: return Qt::ForbiddenCursor;
        case crHSplit: return Qt::SplitHCursor;
        case crVSplit: return Qt::SplitVCursor;
        case crAppStart: return Qt::BusyCursor;
        case crHelp: return Qt::WhatsThisCursor;
        case crHandPoint: return Qt::PointingHandCursor;
        case crSizeAll: return Qt::SizeAllCursor;
        default: return Qt::ArrowCursor;
    }
}
}  // namespace

QCursor GetCursor(TCursor id) {
    auto it = Registered().find(id);
    if (it != Registered().end()) return it->second;
    return QCursor(StockShape(id));
}

void SetCursor(TCursor id, const QCursor& cursor) { Registered()[id] = cursor; }

void ApplyCursor(QWidget* widget, TCursor id) {
    if (!widget) return;
    if (id == crDefault) widget->unsetCursor();
    else widget->setCursor(GetCursor(id));
}

void SetScreenCursor(TCursor id) {
    if (id == gScreenCursor) return;
    if (qobject_cast<QApplication*>(QCoreApplication::instance())) {
        if (gScreenCursor != crDefault) QApplication::restoreOverrideCursor();
        if (id != crDefault) QApplication::setOverrideCursor(GetCursor(id));
    }
    gScreenCursor = id;
}

TCursor GetScreenCursor() { return gScreenCursor; }

QCursor MakeCursor(int hotX, int hotY, int width, int height, const uint8_t* andMask, const uint8_t* xorMask) {
    const int stride = (width + 15) / 16 * 2;
    QImage bits(width, height, QImage::Format_Mono), mask(width, height, QImage::Format_Mono);
    bits.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
    mask.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const int byte = y * stride + x / 8, bit = 7 - x % 8;
            const bool a = (andMask[byte] >> bit) & 1, o = (xorMask[byte] >> bit) & 1;
            // Qt: mask 1 = drawn, bitmap 1 = black; mask 0 with bitmap 1 inverts.
            mask.setPixel(x, y, a ? 0 : 1);
            bits.setPixel(x, y, (a != o) ? 0 : 1);
        }
    return QCursor(QBitmap::fromImage(bits), QBitmap::fromImage(mask), hotX, hotY);
}
