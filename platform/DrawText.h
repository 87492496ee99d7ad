#pragma once
// The framework's DrawText/DrawTextEx on a QPainter, with the DT_ flags the
// forms and renderers use, plus a measuring form that needs only a font.
//
// Text is drawn in the painter's pen colour and font; when the painter's
// background mode is Qt::OpaqueMode each line's extent is first filled with
// the painter's background brush (the framework's OPAQUE background mode).
// Metrics are whole pixels: a line is QFontMetrics::height() high (plus the
// leading with DT_EXTERNALLEADING), widths are horizontalAdvance().
//
// Line breaking (without DT_SINGLELINE): CR, LF and CRLF end a line; a final
// line break adds no empty line. With DT_WORDBREAK a line is broken after the
// last blank (space or tab) before the word that would pass the right edge;
// the blanks at a break are dropped. A single word wider than the rectangle
// stays whole (it is clipped, and DT_CALCRECT widens the rectangle to it),
// unless DT_EDITCONTROL is given: then it is broken between characters.
//
// Prefix handling (without DT_NOPREFIX): "&x" draws x underlined, "&&" draws
// "&", a final lone "&" draws nothing. DT_HIDEPREFIX removes the marks but
// draws no underline.
//
// std::string arguments are UTF-8.
#include <QFont>
#include <QFontMetrics>
#include <QPainter>
#include <QString>
#include <string>

#include "platform/Geometry.h"

enum : unsigned {
    DT_TOP = 0x0,
    DT_LEFT = 0x0,
    DT_CENTER = 0x1,
    DT_RIGHT = 0x2,
    DT_VCENTER = 0x4,
    DT_BOTTOM = 0x8,
    DT_WORDBREAK = 0x10,
    DT_SINGLELINE = 0x20,
    DT_EXPANDTABS = 0x40,
    DT_TABSTOP = 0x80,  // high byte of the format is the tab length (in average character widths)
    DT_NOCLIP = 0x100,
    DT_EXTERNALLEADING = 0x200,
    DT_CALCRECT = 0x400,
    DT_NOPREFIX = 0x800,
    DT_INTERNAL = 0x1000,
    DT_EDITCONTROL = 0x2000,
    DT_END_ELLIPSIS = 0x8000,
    DT_HIDEPREFIX = 0x100000,
};

// The optional DrawTextEx parameters; margins in pixels, the tab length in
// average character widths (default 8). uiLengthDrawn receives the number of
// characters of the source text that were processed.
struct TDrawTextParams {
    int iTabLength = 8;
    int iLeftMargin = 0;
    int iRightMargin = 0;
    unsigned uiLengthDrawn = 0;
};

// Draws (or, with DT_CALCRECT, only measures) text in rect. With DT_CALCRECT
// rect.Right becomes Left + widest line (+ margins) and rect.Bottom becomes
// Top + text height; nothing is drawn. Returns the text height; with
// DT_VCENTER or DT_BOTTOM on a single line, the offset from rect.Top to the
// bottom of the drawn text. Empty text has height 0. Unless DT_NOCLIP,
// drawing is clipped to rect. DT_VCENTER and DT_BOTTOM act only with
// DT_SINGLELINE. DT_END_ELLIPSIS cuts a line that is too wide and ends it
// with "...". DT_EDITCONTROL also leaves out a last line that would be only
// partly visible.
int DrawTextEx(QPainter& painter, const QString& text, TRect& rect, unsigned format, TDrawTextParams* params = nullptr);
int DrawTextEx(QPainter& painter, const std::string& text, TRect& rect, unsigned format,
               TDrawTextParams* params = nullptr);
inline int DrawText(QPainter& painter, const QString& text, TRect& rect, unsigned format) {
    return DrawTextEx(painter, text, rect, format, nullptr);
}
inline int DrawText(QPainter& painter, const std::string& text, TRect& rect, unsigned format) {
    return DrawTextEx(painter, text, rect, format, nullptr);
}

// The measuring form: as DrawTextEx with DT_CALCRECT, on the given metrics
// (use QFontMetrics(font, device) to measure for a particular paint device).
int MeasureText(const QFontMetrics& metrics, const QString& text, TRect& rect, unsigned format,
                TDrawTextParams* params = nullptr);
int MeasureText(const QFont& font, const std::string& text, TRect& rect, unsigned format,
                TDrawTextParams* params = nullptr);

// The font with its size fixed in pixels as the device would render it, so
// that it measures and draws alike on any other device (a mask bitmap, the
// screen).
QFont FontForDevice(const QFont& font, const QPaintDevice* device);

// TextOut: one line with its top-left corner at (x, y), no prefix or tab
// handling, in the painter's pen colour; an opaque background mode fills the
// text's extent with the painter's background first.
void TextOut(QPainter& painter, int x, int y, const QString& text);

// GetTextExtentPoint: width of a single line of text (no prefix or tab
// handling) and the font's line height, whatever the text.
TSize TextExtent(const QFontMetrics& metrics, const QString& text);
TSize TextExtent(const QFont& font, const std::string& text);
inline int TextWidth(const QFontMetrics& metrics, const QString& text) { return TextExtent(metrics, text).cx; }
inline int TextHeight(const QFontMetrics& metrics, const QString& text) { return TextExtent(metrics, text).cy; }
