#include "widgets/ArtLabel.h"

#include "platform/DrawText.h"
#include "platform/Paint.h"
#include "widgets/ArtDraw.h"

TArtLabel::TArtLabel(QWidget* parent) : TGraphicControl(parent), FGradient(std::make_unique<TGradient>()) {
    resize(64, 25);
    QFont f(QStringLiteral("Arial"));
    f.setPointSize(24);
    f.setBold(true);
    setFont(f);
    FGradient->SetLineSize(2);
    FGradient->SetColor(1, clSilver);
    FGradient->SetColor(2, clGray);
    FGradient->SetColor(3, clBlack);
    FGradient->SetColor(4, clWhite);
    FGradient->SetColor(5, clBlack);
    FGradient->OnChange = [this](QObject*) {
        FGradientStale = true;
        RepaintIf(HasArtStyle(FArtStyle, asGradient));
    };
    setAttribute(Qt::WA_OpaquePaintEvent, true);
}

TArtLabel::~TArtLabel() { FGradient->OnChange = nullptr; }

void TArtLabel::SetArtStyle(TArtStyle value) {
    if (ChangeField(FArtStyle, value)) update();
}

void TArtLabel::SetCaption(const QString& value) {
    if (!ChangeField(FCaption, value)) return;
    ApplyAutoSize();
    update();
}

void TArtLabel::SetTransparent(bool value) {
    if (!ChangeField(FTransparent, value)) return;
    setAttribute(Qt::WA_OpaquePaintEvent, !value);
    update();
}

void TArtLabel::SetColor(TColor value) {
    if (ChangeField(FColor, value)) update();
}

void TArtLabel::SetBitmap(const QImage& value) {
    FBitmap = value;
    RepaintIf(HasArtStyle(FArtStyle, asBitmap) || HasArtStyle(FArtStyle, asBitmapFit));
}

void TArtLabel::SetShadowColor(TColor value) {
    if (ChangeField(FShadowColor, value)) RepaintIf(HasArtStyle(FArtStyle, asShadow));
}

void TArtLabel::SetOutlineColor(TColor value) {
    if (ChangeField(FOutlineColor, value)) RepaintIf(HasArtStyle(FArtStyle, asOutlined));
}

void TArtLabel::SetAutoSize(bool value) {
    if (!ChangeField(FAutoSize, value)) return;
    setSizePolicy(FAutoSize ? QSizePolicy::Fixed : QSizePolicy::Preferred,
                  FAutoSize ? QSizePolicy::Fixed : QSizePolicy::Preferred);
    ApplyAutoSize();
    update();
}

void TArtLabel::SetShadowLength(int value) {
    if (ChangeField(FShadowLength, value)) RepaintIf(HasArtStyle(FArtStyle, asShadow));
}

void TArtLabel::SetGradient(const TGradient& value) { FGradient->Assign(value); }

void TArtLabel::SetTextAlign(TAlignment value) {
    if (ChangeField(FTextAlign, value)) update();
}

void TArtLabel::FontChanged() {
    ApplyAutoSize();
    update();
}

QFontMetrics TArtLabel::WorkMetrics() const {
    // The work bitmap is a QImage: measure as it will draw.
    static const QImage probe(1, 1, QImage::Format_RGB32);
    return QFontMetrics(font(), &probe);
}

QSize TArtLabel::sizeHint() const {
    const QFontMetrics fm = WorkMetrics();
    return QSize(TextExtent(fm, FCaption).cx + 4, TextExtent(fm, QStringLiteral("Wg")).cy + 4);
}

void TArtLabel::ApplyAutoSize() {
    if (!FAutoSize) {
        updateGeometry();
        return;
    }
    const QSize size = sizeHint();
    ::ApplyAutoSize(this, Bounds(x(), y(), size.width(), size.height()));
}

TPoint TArtLabel::TextOrigin() const {
    const QFontMetrics fm = WorkMetrics();
    const TSize ext = TextExtent(fm, FCaption);
    switch (FTextAlign) {
        case taLeftJustify: return TPoint(2, std::max((height() - ext.cy) / 2, 2));
        case taRightJustify: return TPoint(width() - ext.cx - 2, std::max((height() - ext.cy) / 2, 2));
        case taCenter: return TPoint(std::max((width() - ext.cx) / 2, 0), std::max((height() - ext.cy) / 2, 0));
    }
    return TPoint();
}

void TArtLabel::DrawEffects(QPainter& p, TPoint at, bool forMask) const {
    auto pick = [&](TColor c) { return forMask ? clBlack : c; };
    const TColor dark = pick(DarkenColor(FColor, 64)), light = pick(LightenColor(FColor, 64));
    if (HasArtStyle(FArtStyle, asShadow))
        DrawOffsetShadowText(p, at.X, at.Y, FShadowLength, FShadowLength, pick(FShadowColor), FCaption);
    if (HasArtStyle(FArtStyle, asOutlined)) DrawOutlinedText(p, at.X, at.Y, pick(FOutlineColor), FCaption);
    else if (HasArtStyle(FArtStyle, as3DSunk)) DrawEmbossedText(p, FCaption, at.X, at.Y, light, dark);
    else if (HasArtStyle(FArtStyle, as3DRaise)) DrawEmbossedText(p, FCaption, at.X, at.Y, dark, light);
}

void TArtLabel::Paint(QPainter& canvas) {
    const int W = width(), H = height();
    if (W <= 0 || H <= 0) return;
    QImage work(W, H, QImage::Format_RGB32);
    work.fill(ToQColor(FColor));
    const TPoint at = TextOrigin();
    // Letters are drawn aliased, so that a transparent label's mask covers
    // exactly the pixels of its letters.
    QFont letters = font();
    letters.setStyleStrategy(QFont::NoAntialias);
    {
        QPainter p(&work);
        p.setFont(letters);
        p.setPen(ToQColor(GetFontColor(this)));
        DrawEffects(p, at, false);
        if (HasArtStyle(FArtStyle, asGradient)) {
            if (FGradientStale || FGradientBitmap.size() != size()) {
                FGradientBitmap = QImage(W, H, QImage::Format_RGB32);
                FGradientBitmap.fill(ToQColor(GetFontColor(this)));
                QPainter gp(&FGradientBitmap);
                DrawGradient(gp, GetClientRect(), *FGradient);
                FGradientStale = false;
            }
            DrawTextFilledStretched(p, at.X, at.Y, FGradientBitmap, FCaption);
        } else if (HasArtStyle(FArtStyle, asBitmapFit)) {
            DrawTextFilledStretched(p, at.X, at.Y, FBitmap, FCaption);
        } else if (HasArtStyle(FArtStyle, asBitmap)) {
            DrawTextFilled(p, at.X, at.Y, FBitmap, FCaption);
        }
    }
    if (!FTransparent) {
        canvas.drawImage(QPoint(0, 0), work);
        return;
    }
    // Only the letters and effects cover what lies behind: the mask holds
    // the shadow, outline and edge passes in black on white.
    QImage mask(W, H, QImage::Format_RGB32);
    mask.fill(Qt::white);
    {
        QPainter mp(&mask);
        mp.setFont(letters);
        mp.setPen(Qt::black);
        DrawEffects(mp, at, true);
    }
    DrawMaskedGraphic(canvas, 0, 0, work, mask);
}
