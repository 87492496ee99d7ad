#pragma once
// TPGCanvas: a GDI-like canvas over a picture's own pixels, with GDI's
// conventions: right and bottom edges of shapes are exclusive, LineTo leaves
// out its end pixel, shapes are filled with the brush and outlined with the
// pen. Shapes are aliased and come from our own small rasteriser, so the
// same call always gives the same pixels. Text goes through Qt's font engine
// (platform/DrawText.h). On 1, 4 and 8-bit pictures every colour is written
// as the nearest palette entry. Every drawing call fires OnChange (the
// picture's DoChange).
#include <QFont>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "image/PGraphic.h"
#include "platform/Colors.h"
#include "platform/DrawText.h"
#include "platform/Geometry.h"

enum TBrushStyle : uint8_t { bsSolid = 0, bsClear = 1 };
enum TFillStyle : uint8_t { fsSurface = 0, fsBorder = 1 };

struct TPGPen {
    TColor Color = clBlack;
    int Width = 1;  // drawn one pixel wide
};

struct TPGBrush {
    TColor Color = clWhite;
    TBrushStyle Style = bsSolid;
};

struct TPGFont {
    std::string Name = "MS Sans Serif";
    // Height in pixels as the framework holds it: negative is the character
    // height, positive the cell height. Size is in points at 96 pixels per inch.
    int Height = -11;
    bool Bold = false;
    bool Italic = false;
    bool Underline = false;
    bool StrikeOut = false;
    TColor Color = clWindowText;

    int GetSize() const;
    void SetSize(int points);
    // The Qt font (aliased, pixel-sized) this font draws with.
    QFont ToQFont() const;
};

class TPGCanvas {
public:
    explicit TPGCanvas(TPixelGraphic* graphic);
    ~TPGCanvas();
    TPGCanvas(const TPGCanvas&) = delete;
    TPGCanvas& operator=(const TPGCanvas&) = delete;

    TPixelGraphic* GetGraphic() const { return FGraphic; }

    TPGPen Pen;
    TPGBrush Brush;
    TPGFont Font;
    TCopyMode CopyMode = cmSrcCopy;
    TPoint PenPos;
    // Fired after every drawing call (the picture hooks its DoChange here).
    std::function<void()> OnChange;

    // ---- lines and shapes (pen outline, brush fill) ---------------------------
    void MoveTo(int x, int y);
    // Line from PenPos to (x, y) without the end pixel; PenPos := (x, y).
    void LineTo(int x, int y);
    // Connected lines through the points (the last point is not drawn).
    void Polyline(const std::vector<TPoint>& points);
    void Rectangle(int x1, int y1, int x2, int y2);
    void Rectangle(const TRect& r) { Rectangle(r.Left, r.Top, r.Right, r.Bottom); }
    // Corners are quarter ellipses of a w x h ellipse.
    void RoundRect(int x1, int y1, int x2, int y2, int w, int h);
    void Ellipse(int x1, int y1, int x2, int y2);
    void Ellipse(const TRect& r) { Ellipse(r.Left, r.Top, r.Right, r.Bottom); }
    // Fills the rectangle with the brush (nothing with a clear brush).
    void FillRect(const TRect& r);
    // fsSurface: fills the 4-connected area of pixels of colour, from (x, y);
    // fsBorder: fills the 4-connected area up to pixels of colour.
    void FloodFill(int x, int y, TColor colour, TFillStyle style);
    TColor GetPixel(int x, int y) const;
    void SetPixel(int x, int y, TColor colour);

    // ---- pictures (copy mode SRCCOPY, SRCINVERT or SRCAND) ------------------
    void Draw(int x, int y, const TPixelGraphic& graphic);
    // Nearest-pixel stretch into r; a rectangle with Right < Left (or
    // Bottom < Top) mirrors, covering the columns Right + 1 .. Left.
    void StretchDraw(const TRect& r, const TPixelGraphic& graphic);

    // ---- text ---------------------------------------------------------------
    // Text at (x, y) (top left of the cell); with a solid brush its background
    // is filled with the brush colour. PenPos moves to the end of the text.
    void TextOut(int x, int y, const std::string& text);
    // The framework's DrawText / DrawTextEx (flags from platform/DrawText.h).
    int DrawText(const std::string& text, TRect& rect, unsigned format);
    int DrawTextEx(const std::string& text, TRect& rect, unsigned format, TDrawTextParams* params = nullptr);
    TSize TextExtent(const std::string& text) const;
    int TextWidth(const std::string& text) const { return TextExtent(text).cx; }
    int TextHeight(const std::string& text) const { return TextExtent(text).cy; }

    // Kept for callers of the framework's handle lifetime; there is no device
    // context to free.
    void FreeHandle() {}

private:
    uint32_t DeviceColor(TColor c) const;
    void Plot(int x, int y, uint32_t colour);
    void Changed();
    // Fills and outlines a region given as one span per row.
    void DrawRegion(int top, const std::vector<std::pair<int, int>>& spans);
    void DrawBlock(const TRect& dest, const TPixelGraphic& graphic, bool stretch);
    template <typename Paint>
    int PaintText(Paint paint);

    TPixelGraphic* FGraphic;
};

// The pixels RoundRect(x1, y1, x2, y2, w, h) gives the pen, row by row from
// the top, left to right (not clipped to any picture).
std::vector<TPoint> RoundRectPenPixels(int x1, int y1, int x2, int y2, int w, int h);
