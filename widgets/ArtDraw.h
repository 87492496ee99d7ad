#pragma once
// Colour and text routines of the art label and the gradient painters.
// Text is placed with its top-left corner at (x, y) in the painter's font;
// "the font colour" is the painter's pen colour on entry. The masked and
// filled drawing routines use raster operations, so the painter must work on
// a raster device (a QImage or a widget).
#include <QImage>
#include <QPainter>
#include <QString>

#include "platform/Colors.h"
#include "platform/Geometry.h"

// The three low bytes of the colour, system colours not resolved.
void SplitColor(TColor color, int& red, int& green, int& blue);
// Rounded (halves to even), then limited to 0..255; NaN gives 0.
int ClampToByte(double value);
TColor RGBFromFloats(double red, double green, double blue);
// The colour resolved to RGB, amount added to every channel, limited.
TColor LightenColor(TColor color, int amount);
TColor DarkenColor(TColor color, int amount);

// Text in the outline colour at the four diagonal neighbours, then in the
// font colour at (x, y).
void DrawOutlinedText(QPainter& canvas, int x, int y, TColor outline, const QString& text);
// Text in lower at (x + 1, y + 1), in upper at (x - 1, y - 1), then in the
// font colour at (x, y).
void DrawEmbossedText(QPainter& canvas, const QString& text, int x, int y, TColor lower, TColor upper);
// Text in the shadow colour at (x + dx, y + dy), then in the font colour.
void DrawOffsetShadowText(QPainter& canvas, int x, int y, int dx, int dy, TColor shadow, const QString& text);
// image through mask at (x, y): mask black shows the image, white keeps
// what is on the canvas (image XOR, mask AND, image XOR).
void DrawMaskedGraphic(QPainter& canvas, int x, int y, const QImage& image, const QImage& mask);
// The letters of text at (x, y) show the picture stretched over the text's
// extent; the rest of the canvas stays.
void DrawTextFilledStretched(QPainter& canvas, int x, int y, const QImage& picture, const QString& text);
// As above with the picture at its own size from the text's top-left corner
// (letters beyond the picture come out black).
void DrawTextFilled(QPainter& canvas, int x, int y, const QImage& picture, const QString& text);
// The bitmap repeated over rect from its top-left corner, the last column
// and row cut to the rectangle.
void TileBitmap(QPainter& canvas, const QImage& bitmap, const TRect& rect);
// The monochrome mask of text in the canvas's font: black letters on white,
// of the text's extent.
QImage TextMask(const QPainter& canvas, const QString& text);
