#pragma once
// The KV button family: TKV_basebutton (glyph cells, caption, drop-down
// menu, flat look, Down within a group) and its painted kinds TKV_Button,
// TKV_GradientButton and TKV_ImageButton, with the drawing helpers they
// share. Buttons are windowless controls painted over their parent.
#include <QImage>
#include <QMenu>
#include <QPointer>
#include <QShortcut>
#include <functional>

#include "platform/Controls.h"
#include "platform/Geometry.h"
#include "platform/Paint.h"

enum TButtonLayout { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };
enum KV_Buttonstyle { kvsOpaque = 0, kvsTransparent = 1, kvsOwnerdraw = 2 };

// Owner drawing of a TKV_Button: paint on ButtonCanvas within Rect; leave
// DrawFace true (its value on entry) to have the caption and glyph drawn over.
using TDrawButtonEvent = std::function<void(QPainter& ButtonCanvas, const TRect& Rect, bool& DrawFace, bool down)>;

// ---- shared helpers ----------------------------------------------------------

// Where a button face puts its caption, glyph and drop-down mark.
struct TKVFaceLayout {
    int TextX = 0, TextY = 0;
    int GlyphX = 0, GlyphY = 0;
    int MarkX = 0, MarkY = 0;
};
// W, H button size; tw, th caption extent; gw glyph cell width, gh glyph
// height; spacing between glyph and caption; m the drop-down reserve (4 or 0).
TKVFaceLayout KVFaceLayout(TButtonLayout layout, int W, int H, int tw, int th, int gw, int gh, int spacing, int m);

// A copy of a glyph in four tones: pixels of the (0, 0) colour stay; any
// other becomes, by R + G + B, white (above 550), light (above 300), shadow
// (151..300) or black (150 or less). Glyphs above 10000 pixels come back
// unchanged.
QImage KVRecolorGlyph(const QImage& glyph, TColor light, TColor shadow);
// The drop-down mark: a filled triangle (x, y), (x + 3, y), (x + 2, y + 2).
void KVDrawDropDownMark(QPainter& p, int x, int y, TColor color);
// The system 3-D frame of a non-flat button on r, sunken or raised.
void KVDrawEdgeFrame(QPainter& p, TRect r, bool sunken);
// The transparent colour of a glyph: its bottom-left pixel.
TColor KVGlyphTransparentColor(const QImage& glyph);

// ---- TKV_basebutton ------------------------------------------------------

class TKV_basebutton : public TGraphicControl {
    Q_OBJECT
public:
    explicit TKV_basebutton(QWidget* parent = nullptr);

    TColor GetLightColor() const { return FLightColor; }
    virtual void SetLightColor(TColor value);
    TColor GetShadowColor() const { return FShadowColor; }
    virtual void SetShadowColor(TColor value);
    const QImage& GetGlyph() const { return FGlyph; }
    // Copies the bitmap; cells side by side, counted when the width is a
    // whole multiple of the height.
    void SetGlyph(const QImage& value);
    QMenu* GetDropDownMenu() const { return FDropDownMenu; }
    void SetDropDownMenu(QMenu* value);
    bool GetGrayedInactive() const { return FGrayedInactive; }
    void SetGrayedInactive(bool value);
    const QString& GetCaption() const { return FCaption; }
    void SetCaption(const QString& value);
    TButtonLayout GetLayout() const { return FLayout; }
    void SetLayout(TButtonLayout value);
    int GetBevelWidth() const { return FBevelWidth; }
    void SetBevelWidth(int value);
    bool GetDown() const { return FDown; }
    // Only with a non-zero GroupIndex: a button set down puts up the down
    // buttons of its group among its siblings.
    void SetDown(bool value);
    int GetGroupIndex() const { return FGroupIndex; }
    void SetGroupIndex(int value);
    bool GetAllowAllUp() const { return FAllowAllUp; }
    void SetAllowAllUp(bool value) { FAllowAllUp = value; }
    bool GetEnabled() const { return isEnabled(); }
    void SetEnabled(bool value);
    bool GetFlat() const { return FFlat; }
    void SetFlat(bool value);
    bool GetMarkDropDown() const { return FMarkDropDown; }
    void SetMarkDropDown(bool value);
    int GetSpacing() const { return FSpacing; }
    void SetSpacing(int value);
    bool GetPaint256() const { return FPaint256; }
    void SetPaint256(bool value);

    int GlyphCellWidth() const { return FCellWidth; }
    int GlyphCellCount() const { return FCellCount; }

    // Caption, glyph and drop-down mark as the face places them, inside the
    // frame with some room; never below the size at creation (25 x 25).
    QSize sizeHint() const override;
    // Caption, glyph and mark inside the frame, nothing cut.
    QSize minimumSizeHint() const override;
    // The extent of caption, glyph and drop-down mark as the face places
    // them (without the frame).
    QSize FaceContentSize() const;
    // 2 while held down by the left mouse button, else 0.
    int PressedState() const { return FPressed; }
    bool IsRaised() const { return FRaised; }

protected:
    // Draws caption, drop-down mark, glyph and frame on a W x H canvas.
    void PaintFace(QPainter& canvas);
    // True when the screen was found to have 15 bits per pixel or fewer.
    bool LowColor() const { return FLowColor; }

    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseEnter() override;
    void MouseLeave() override;
    // The caption's accelerator was typed in the window.
    virtual void DialogChar();

    int FPressed = 0;
    bool FRaised = true;
    bool FDown = false;

private:
    void UpdateShortcut();

    TColor FLightColor = clBtnHighlight;
    TColor FShadowColor = clBtnShadow;
    QImage FGlyph;
    int FCellWidth = 0;
    int FCellCount = 0;
    TColor FTransparentColor = clNone;
    QPointer<QMenu> FDropDownMenu;
    bool FGrayedInactive = true;
    QString FCaption;
    TButtonLayout FLayout = blGlyphLeft;
    int FBevelWidth = 1;
    int FGroupIndex = 0;
    bool FAllowAllUp = false;
    bool FFlat = false;
    bool FMarkDropDown = true;
    int FSpacing = 1;
    bool FPaint256 = false;
    bool FLowColor = false;
    QShortcut* FShortcut = nullptr;
};

// ---- TKV_Button --------------------------------------------------------------

class TKV_Button : public TKV_basebutton {
    Q_OBJECT
public:
    explicit TKV_Button(QWidget* parent = nullptr);

    TColor GetColor() const { return FColor; }
    void SetColor(TColor value);
    KV_Buttonstyle GetStyle() const { return FStyle; }
    void SetStyle(KV_Buttonstyle value);

    TDrawButtonEvent OnDraw;

protected:
    // Opaque: Color, then the face; transparent: the face over the parent;
    // owner-draw: OnDraw, then the face unless OnDraw cleared DrawFace.
    void Paint(QPainter& canvas) override;

private:
    TColor FColor = clBtnFace;
    KV_Buttonstyle FStyle = kvsOpaque;
};

// ---- TKV_GradientButton --------------------------------------------------

class TKV_GradientButton : public TKV_basebutton {
    Q_OBJECT
public:
    explicit TKV_GradientButton(QWidget* parent = nullptr);
    bool GetVertical() const { return FVertical; }
    void SetVertical(bool value);

protected:
    // Lines from LightColor to ShadowColor, then the face.
    void Paint(QPainter& canvas) override;

private:
    bool FVertical = false;
};

// Colour of line i of n in a gradient from c1 to c2: per channel
// c1 + Round((c2 - c1) / n * i); c1 when n is 0.
TColor KVGradientLineColor(TColor c1, TColor c2, int n, int i);

// ---- TKV_ImageButton -----------------------------------------------------

class TKV_ImageButton : public TKV_basebutton {
    Q_OBJECT
public:
    explicit TKV_ImageButton(QWidget* parent = nullptr);

    const QImage& GetUpImage() const { return FUpImage; }
    void SetUpImage(const QImage& value);
    const QImage& GetDownImage() const { return FDownImage; }
    void SetDownImage(const QImage& value);
    const QImage& GetMouseOverImage() const { return FMouseOverImage; }
    void SetMouseOverImage(const QImage& value);
    bool GetStretch() const { return FStretch; }
    void SetStretch(bool value);
    bool GetTransparent() const { return FTransparent; }
    void SetTransparent(bool value);
    TColor GetTransparentColor() const { return FTransparentColor; }
    void SetTransparentColor(TColor value);
    bool IsMouseOver() const { return FMouseOver; }
    // At least the up image's size.
    QSize sizeHint() const override;

protected:
    void Paint(QPainter& canvas) override;
    void MouseEnter() override;
    void MouseLeave() override;

private:
    // Empty down and mouse-over images become copies of the up image.
    void FillEmptyImages();

    QImage FUpImage, FDownImage, FMouseOverImage;
    bool FStretch = true;
    bool FTransparent = true;
    TColor FTransparentColor = clWhite;
    bool FMouseOver = false;
};
