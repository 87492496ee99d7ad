#include "widgets/kv_btns.h"

#include <QApplication>
#include <QCursor>

#include "platform/DrawText.h"
#include "platform/MathUtil.h"

// ---- helpers -----------------------------------------------------------------

TKVFaceLayout KVFaceLayout(TButtonLayout layout, int W, int H, int tw, int th, int gw, int gh, int spacing, int m) {
    TKVFaceLayout f;
    const int S = spacing;
    const int total = gh + th + 2 + S;
    switch (layout) {
        case blGlyphLeft:
            f.TextX = W / 2 - tw / 2 + gw / 2 + S;
            f.TextY = H / 2 - th / 2;
            f.GlyphX = f.TextX - S - gw;
            f.GlyphY = H / 2 - gh / 2;
            f.MarkX = f.TextX + tw + 2;
            break;
        case blGlyphRight:
            f.TextX = W / 2 - tw / 2 - S - gw / 2;
            f.TextY = H / 2 - th / 2;
            f.GlyphX = tw / 2 + W / 2 + S - gw / 2;
            f.GlyphY = H / 2 - gh / 2;
            f.MarkX = f.TextX - 4;
            break;
        case blGlyphTop:
            f.TextX = W / 2 - tw / 2 - m;
            f.TextY = gh + (H / 2 - total / 2) + S;
            f.GlyphX = W / 2 - gw / 2;
            f.GlyphY = f.TextY - gh - S;
            f.MarkX = f.TextX + tw + 2 + m / 2;
            break;
        case blGlyphBottom:
            f.TextX = W / 2 - tw / 2 - m;
            f.TextY = H / 2 - total / 2;
            f.GlyphX = W / 2 - gw / 2;
            f.GlyphY = f.TextY + gh + S;
            f.MarkX = f.TextX + tw + 2 + m / 2;
            break;
    }
    f.MarkY = f.TextY + 1;
    return f;
}

QImage KVRecolorGlyph(const QImage& glyph, TColor light, TColor shadow) {
    QImage out = glyph.convertToFormat(QImage::Format_RGB32);
    if (out.isNull() || static_cast<int64_t>(out.width()) * out.height() > 10000) return out;
    const QColor lightC = ToQColor(light), shadowC = ToQColor(shadow);
    const QRgb background = out.pixel(0, 0);
    for (int y = 0; y < out.height(); ++y) {
        QRgb* row = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x) {
            if (row[x] == background) continue;
            const int s = qRed(row[x]) + qGreen(row[x]) + qBlue(row[x]);
            if (s > 550) row[x] = qRgb(255, 255, 255);
            else if (s > 300) row[x] = lightC.rgb();
            else if (s <= 150) row[x] = qRgb(0, 0, 0);
            else row[x] = shadowC.rgb();
        }
    }
    return out;
}

void KVDrawDropDownMark(QPainter& p, int x, int y, TColor color) {
    Polygon(p, TPen(color), color, {TPoint(x, y), TPoint(x + 3, y), TPoint(x + 2, y + 2)});
}

void KVDrawEdgeFrame(QPainter& p, TRect r, bool sunken) { DrawButtonFrame(p, r, sunken); }

TColor KVGlyphTransparentColor(const QImage& glyph) {
    if (glyph.isNull()) return clNone;
    return ImagePixelColor(glyph, 0, glyph.height() - 1);
}

// ---- TKV_basebutton ----------------------------------------------------------

TKV_basebutton::TKV_basebutton(QWidget* parent) : TGraphicControl(parent) {
    resize(25, 25);
    setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Fixed);
    FLowColor = ScreenColorDepth() <= 15;
}

namespace {
// Width of the frame on each side: the two rings of the 3-D edge, or the
// flat frame's BevelWidth rings.
int FaceFrameWidth(bool flat, int bevelWidth) { return std::max(0, flat ? bevelWidth : (bevelWidth > 0 ? 2 : 0)); }
}  // namespace

QSize TKV_basebutton::FaceContentSize() const {
    const QFontMetrics fm(font(), this);
    int tw = 0, th = 0;
    if (!FCaption.isEmpty()) {
        TRect r;
        MeasureText(fm, FCaption, r, DT_CALCRECT);
        // The face centres the caption by its width with the prefix marks.
        tw = std::max(r.Width(), fm.horizontalAdvance(FCaption));
        th = std::max(r.Height(), fm.height());
    }
    const int gw = FCellWidth, gh = FGlyph.isNull() ? 0 : FGlyph.height();
    const int mark = (FMarkDropDown && FDropDownMenu) ? 6 : 0;  // 2 apart, 3 wide, 1 to spare
    const int gap = gw > 0 && tw > 0 ? FSpacing : 0;
    if (FLayout == blGlyphLeft || FLayout == blGlyphRight) return QSize(tw + gap + gw + mark, std::max(th, gh));
    return QSize(std::max(tw + mark, gw), gh + th + (gh > 0 && th > 0 ? 2 + FSpacing : 0));
}

QSize TKV_basebutton::sizeHint() const {
    const QSize c = FaceContentSize();
    const int f = 2 * FaceFrameWidth(FFlat, FBevelWidth);
    return QSize(std::max(25, c.width() + f + 8), std::max(25, c.height() + f + 6));
}

QSize TKV_basebutton::minimumSizeHint() const {
    const QSize c = FaceContentSize();
    const int f = 2 * FaceFrameWidth(FFlat, FBevelWidth);
    return QSize(c.width() + f + 2, c.height() + f + 2);
}

void TKV_basebutton::SetLightColor(TColor value) {
    FLightColor = value;
    update();
}

void TKV_basebutton::SetShadowColor(TColor value) {
    FShadowColor = value;
    update();
}

void TKV_basebutton::SetGlyph(const QImage& value) {
    FGlyph = value.isNull() ? QImage() : value.convertToFormat(QImage::Format_RGB32);
    if (!FGlyph.isNull()) {
        FTransparentColor = KVGlyphTransparentColor(FGlyph);
        if (FGlyph.height() > 0 && FGlyph.width() % FGlyph.height() == 0) FCellCount = FGlyph.width() / FGlyph.height();
        FCellWidth = FCellCount > 0 ? FGlyph.width() / FCellCount : FGlyph.width();
    } else {
        FCellWidth = 0;
        FCellCount = 0;
    }
    updateGeometry();
    update();
}

void TKV_basebutton::SetDropDownMenu(QMenu* value) {
    FDropDownMenu = value;
    if (!FMarkDropDown) return;
    updateGeometry();
    update();
}

void TKV_basebutton::SetGrayedInactive(bool value) {
    if (ChangeField(FGrayedInactive, value)) update();
}

void TKV_basebutton::SetCaption(const QString& value) {
    if (value == FCaption) return;
    FCaption = value;
    UpdateShortcut();
    updateGeometry();
    update();
}

void TKV_basebutton::SetLayout(TButtonLayout value) {
    if (!ChangeField(FLayout, value)) return;
    updateGeometry();
    update();
}

void TKV_basebutton::SetBevelWidth(int value) {
    if (!ChangeField(FBevelWidth, value)) return;
    updateGeometry();
    update();
}

void TKV_basebutton::SetDown(bool value) {
    if (FGroupIndex == 0 || value == FDown) return;
    FDown = value;
    update();
    if (!value || !parentWidget()) return;
    for (QObject* child : parentWidget()->children()) {
        auto* other = qobject_cast<TKV_basebutton*>(child);
        if (other && other != this && other->FGroupIndex == FGroupIndex && other->FDown) {
            other->FDown = false;
            other->update();
        }
    }
}

void TKV_basebutton::SetGroupIndex(int value) {
    FGroupIndex = value;
    if (value == 0 && FDown) {
        FDown = false;
        update();
    }
}

void TKV_basebutton::SetEnabled(bool value) {
    if (value == isEnabled()) return;
    setEnabled(value);
    update();
}

void TKV_basebutton::SetFlat(bool value) {
    FFlat = value;
    FRaised = !value;
    updateGeometry();
    update();
}

void TKV_basebutton::SetMarkDropDown(bool value) {
    if (!ChangeField(FMarkDropDown, value)) return;
    updateGeometry();
    update();
}

void TKV_basebutton::SetSpacing(int value) {
    if (!ChangeField(FSpacing, value)) return;
    updateGeometry();
    update();
}

void TKV_basebutton::SetPaint256(bool value) {
    if (ChangeField(FPaint256, value)) update();
}

void TKV_basebutton::PaintFace(QPainter& canvas) {
    canvas.setFont(font());
    const QFontMetrics fm = canvas.fontMetrics();
    const int W = width(), H = height();
    const int m = (FMarkDropDown && FDropDownMenu) ? 4 : 0;
    const int tw = fm.horizontalAdvance(FCaption), th = fm.height();
    const int gw = FCellWidth, gh = FGlyph.isNull() ? 0 : FGlyph.height();
    const TKVFaceLayout f = KVFaceLayout(FLayout, W, H, tw, th, gw, gh, FSpacing, m);
    const TColor fontColor = GetFontColor(this);

    // Caption (clear background, not clipped).
    canvas.setBackgroundMode(Qt::TransparentMode);
    TRect textRect(f.TextX, f.TextY, W - FBevelWidth - m - 1, H);
    if (isEnabled()) {
        canvas.setPen(ToQColor(fontColor));
        DrawText(canvas, FCaption, textRect, DT_NOCLIP);
    } else {
        canvas.setPen(ToQColor(clSilver));
        DrawText(canvas, FCaption, textRect, DT_NOCLIP);
        TRect shifted = textRect.Offsetted(2, 2);
        canvas.setPen(ToQColor(clGray));
        DrawText(canvas, FCaption, shifted, DT_NOCLIP);
    }

    if (m == 4) KVDrawDropDownMark(canvas, f.MarkX, f.MarkY, fontColor);

    if (!FGlyph.isNull()) {
        int cell = 0;
        if (isEnabled() && FPressed == 2) cell = FCellCount >= 3 ? 2 : 0;
        else if (!isEnabled()) cell = FCellCount >= 2 ? 1 : 0;
        QImage image = FGlyph.copy(cell * FCellWidth, 0, FCellWidth, FGlyph.height());
        if (FFlat && !FRaised && !FDown && FGrayedInactive) image = KVRecolorGlyph(image, FLightColor, FShadowColor);
        DrawBitmapTransparent(canvas, f.GlyphX, f.GlyphY, image, FTransparentColor);
    }

    const TRect client = GetClientRect();
    if (FFlat) {
        if (FRaised) {
            TRect r = client;
            if (FPressed == 2 || FDown) Frame3D(canvas, r, FShadowColor, FLightColor, FBevelWidth);
            else Frame3D(canvas, r, FLightColor, FShadowColor, FBevelWidth);
        }
    } else if (FBevelWidth > 0) {
        KVDrawEdgeFrame(canvas, client, FDown || FPressed == 2);
    }
}

void TKV_basebutton::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    TGraphicControl::MouseDown(button, shift, x, y);
    if (button != mbLeft || !isEnabled()) return;
    FPressed = 2;
    update();
    if (FDropDownMenu) {
        QApplication::processEvents();
        FRaised = !FFlat;
        FPressed = 0;
        update();
        if (FDropDownMenu) FDropDownMenu->popup(mapToGlobal(QPoint(0, height())));
    }
}

void TKV_basebutton::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    TGraphicControl::MouseUp(button, shift, x, y);
    if (button != mbLeft || !isEnabled()) return;
    FPressed = 0;
    update();
}

void TKV_basebutton::MouseEnter() {
    FRaised = true;
    if (FFlat) update();
}

void TKV_basebutton::MouseLeave() {
    FRaised = !FFlat;
    if (FFlat) update();
}

void TKV_basebutton::UpdateShortcut() {
    UpdateAcceleratorShortcut(this, FShortcut, AcceleratorOf(FCaption), [this] { DialogChar(); });
}

void TKV_basebutton::DialogChar() {
    if (!isEnabled() || !isVisible()) return;
    // The press and release stand for the mouse; the click follows once,
    // wherever the cursor is.
    const QPoint pos = mapFromGlobal(QCursor::pos());
    MouseDown(mbLeft, ssLeft, pos.x(), pos.y());
    MouseUp(mbLeft, 0, pos.x(), pos.y());
    QApplication::processEvents();
    Click();
}

// ---- TKV_Button --------------------------------------------------------------

TKV_Button::TKV_Button(QWidget* parent) : TKV_basebutton(parent) { setAttribute(Qt::WA_OpaquePaintEvent, true); }

void TKV_Button::SetColor(TColor value) {
    if (ChangeField(FColor, value)) update();
}

void TKV_Button::SetStyle(KV_Buttonstyle value) {
    if (value == FStyle) return;
    FStyle = value;
    setAttribute(Qt::WA_OpaquePaintEvent, value == kvsOpaque);
    update();
}

void TKV_Button::Paint(QPainter& canvas) {
    const TRect client = GetClientRect();
    bool drawFace = true;
    switch (FStyle) {
        case kvsOpaque: FillRect(canvas, client, FColor); break;
        case kvsTransparent: break;  // the parent's painting lies below already
        case kvsOwnerdraw:
            if (OnDraw) {
                canvas.save();
                OnDraw(canvas, client, drawFace, FDown);
                canvas.restore();
            }
            break;
    }
    if (drawFace) PaintFace(canvas);
}

// ---- TKV_GradientButton ------------------------------------------------------

TColor KVGradientLineColor(TColor c1, TColor c2, int n, int i) {
    const uint32_t a = ColorToRGB(c1), b = ColorToRGB(c2);
    if (n == 0) return static_cast<TColor>(a);
    auto channel = [&](int ca, int cb) {
        return static_cast<int>(ca + Round(static_cast<long double>(cb - ca) / n * i));
    };
    return static_cast<TColor>(RGB(channel(GetRValue(a), GetRValue(b)), channel(GetGValue(a), GetGValue(b)),
                                   channel(GetBValue(a), GetBValue(b))));
}

TKV_GradientButton::TKV_GradientButton(QWidget* parent) : TKV_basebutton(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent, true);
}

void TKV_GradientButton::SetVertical(bool value) {
    FVertical = value;
    repaint();
}

void TKV_GradientButton::Paint(QPainter& canvas) {
    const int W = width(), H = height();
    if (!LowColor() || GetPaint256()) {
        const TPen base(clBlack, LowColor() ? 2 : 1, LowColor() ? psInsideFrame : psSolid);
        // The step count is the button's height or width; an empty button
        // has no lines to draw.
        const int n = FVertical ? H : W;
        for (int i = 0; i <= n && n > 0; ++i) {
            TPen pen = base;
            pen.Color = KVGradientLineColor(GetLightColor(), GetShadowColor(), n, i);
            if (FVertical) Line(canvas, pen, 0, i, W, i);
            else Line(canvas, pen, i, 0, i, H);
        }
    } else {
        FillRect(canvas, GetClientRect(), clBtnFace);
    }
    PaintFace(canvas);
}

// ---- TKV_ImageButton ---------------------------------------------------------

TKV_ImageButton::TKV_ImageButton(QWidget* parent) : TKV_basebutton(parent) {}

QSize TKV_ImageButton::sizeHint() const { return TKV_basebutton::sizeHint().expandedTo(FUpImage.size()); }

void TKV_ImageButton::FillEmptyImages() {
    if (FUpImage.isNull()) return;
    if (FDownImage.isNull()) FDownImage = FUpImage;
    if (FMouseOverImage.isNull()) FMouseOverImage = FUpImage;
}

void TKV_ImageButton::SetUpImage(const QImage& value) {
    FUpImage = value;
    FillEmptyImages();
    updateGeometry();
    update();
}

void TKV_ImageButton::SetDownImage(const QImage& value) {
    FDownImage = value;
    FillEmptyImages();
    update();
}

void TKV_ImageButton::SetMouseOverImage(const QImage& value) {
    FMouseOverImage = value;
    if (FMouseOver) update();
}

void TKV_ImageButton::SetStretch(bool value) {
    if (ChangeField(FStretch, value)) update();
}

void TKV_ImageButton::SetTransparent(bool value) {
    FTransparent = value;
    setAttribute(Qt::WA_OpaquePaintEvent, !value);
    update();
}

void TKV_ImageButton::SetTransparentColor(TColor value) {
    if (ChangeField(FTransparentColor, value)) update();
}

void TKV_ImageButton::Paint(QPainter& canvas) {
    FillEmptyImages();
    const TRect client = GetClientRect();
    const int W = width(), H = height();
    if (!FTransparent) {
        const QWidget* p = parentWidget();
        canvas.fillRect(client.ToQRect(), p ? p->palette().color(QPalette::Window) : ToQColor(clBtnFace));
    }
    if (!LowColor() || GetPaint256() || FUpImage.isNull()) {
        const bool pressed = FPressed == 2;
        if (FTransparent) {
            const QImage& img = pressed ? FDownImage : (FMouseOver ? FMouseOverImage : FUpImage);
            DrawBitmapTransparent(canvas, 0, 0, img, FTransparentColor, FStretch ? W : 0, FStretch ? H : 0);
        } else {
            const QImage& img = (pressed || FDown) ? FDownImage : (FMouseOver ? FMouseOverImage : FUpImage);
            if (FStretch) StretchBlt(canvas, client, img);
            else BitBlt(canvas, 0, 0, img);
        }
    } else {
        FillRect(canvas, client, clBtnFace);
    }
    PaintFace(canvas);
}

void TKV_ImageButton::MouseEnter() {
    TKV_basebutton::MouseEnter();
    FMouseOver = true;
    update();
}

void TKV_ImageButton::MouseLeave() {
    TKV_basebutton::MouseLeave();
    FMouseOver = false;
    update();
}
