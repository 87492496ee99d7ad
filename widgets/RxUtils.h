#pragma once
// What the slider, spin and font-list units share: the program's bitmap and
// cursor resources (drawn in code) and transparent copies of a part of a
// bitmap.
#include <QImage>
#include <QPainter>
#include <string>

#include "platform/Colors.h"
#include "platform/Cursors.h"
#include "platform/Exception.h"
#include "platform/Geometry.h"

GW_DECLARE_EXCEPTION(EResNotFound, Exception)

// Screen cursor number of the slider thumb's hand ("AD_HAND").
constexpr TCursor crRxHand = 14000;
// Registers the hand cursor under crRxHand (again: harmless).
void RegisterRxCursors();

// A bitmap resource by name: "W95_HTB", "W95_HRL", "W95_VTB", "W95_VRL",
// "RXSPINUP", "RXSPINDOWN", "TTF_FONT", "PRN_FONT" (Format_RGB32; the skins
// are transparent where clOlive). Unknown names give a null image.
QImage LoadBitmapResource(const std::string& name);
// As LoadBitmapResource; an unknown name raises EResNotFound
// "Resource <name> not found".
QImage LoadBitmapResourceOrRaise(const std::string& name);
[[noreturn]] void RaiseResourceNotFound(const std::string& name);

// The transparent colour a bitmap carries by itself: its bottom-left pixel.
TColor BitmapTransparentColor(const QImage& bmp);

// Copies the part src of bmp to (x, y), pixels of the transparent colour
// leaving the canvas as it was (clNone: an opaque copy). The part is limited
// to the bitmap; an empty part means the whole bitmap. A destination size of
// 0 means the part's own size, any other size stretches the part.
void DrawBitmapRectTransparent(QPainter& canvas, int x, int y, TColor transparent, const QImage& bmp,
                               const TRect& src = TRect(), int width = 0, int height = 0);
