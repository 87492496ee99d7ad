#include "widgets/AutoURLLabel.h"

#include <QDesktopServices>
#include <QPainter>

#include "platform/DrawText.h"
#include "platform/Paint.h"

QUrl AutoURLTarget(const QString& url) {
    const QString text = url.trimmed();
    if (text.startsWith(QLatin1String("www."), Qt::CaseInsensitive))
        return QUrl(QStringLiteral("http://") + text, QUrl::StrictMode);
    QUrl u(text, QUrl::StrictMode);
    const QString scheme = u.scheme().toLower();
    if (!u.isValid() ||
        (scheme != QLatin1String("http") && scheme != QLatin1String("https") && scheme != QLatin1String("mailto")))
        return QUrl();
    // A web address needs a host; a mail address needs its recipient.
    if (scheme != QLatin1String("mailto") && u.host().isEmpty()) return QUrl();
    if (scheme == QLatin1String("mailto") && u.path().isEmpty()) return QUrl();
    return u;
}

TAutoURLLabel::TAutoURLLabel(QWidget* parent) : TGraphicControl(parent) {
    static const bool cursorRegistered = [] {
        SetCursor(crAutoURLLabel, QCursor(Qt::PointingHandCursor));
        return true;
    }();
    (void)cursorRegistered;
    QFont f = font();
    f.setUnderline(true);
    setFont(f);
    SetFontColor(this, clBlue);
    // After the font, whose change sizes a label to its caption.
    resize(100, 17);
    ApplySizePolicy();
}

void TAutoURLLabel::ApplySizePolicy() {
    if (FAutoSize) setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    else setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
}

void TAutoURLLabel::SetURL(const QString& value) {
    FURL = value;
    update();
}

void TAutoURLLabel::SetCaption(const QString& value) {
    if (FURL.isEmpty() || FURL == FPreviousCaption) FURL = value;
    FPreviousCaption = value;
    FCaption = value;
    AdjustBounds();
    update();
}

void TAutoURLLabel::SetAlignment(TAlignment value) {
    if (ChangeField(FAlignment, value)) update();
}

void TAutoURLLabel::SetAutoSize(bool value) {
    if (!ChangeField(FAutoSize, value)) return;
    ApplySizePolicy();
    AdjustBounds();
    update();
}

void TAutoURLLabel::SetShowAccelChar(bool value) {
    if (!ChangeField(FShowAccelChar, value)) return;
    AdjustBounds();
    update();
}

void TAutoURLLabel::SetTransparent(bool value) {
    if (ChangeField(FTransparent, value)) update();
}

TColor TAutoURLLabel::GetColor() const { return FromQColor(palette().color(QPalette::Window)); }

void TAutoURLLabel::SetColor(TColor value) {
    QPalette pal = palette();
    pal.setColor(QPalette::Window, ToQColor(value));
    setPalette(pal);
    update();
}

unsigned TAutoURLLabel::TextFormat() const {
    unsigned format = DT_EXPANDTABS;
    if (FAlignment == taRightJustify) format |= DT_RIGHT;
    else if (FAlignment == taCenter) format |= DT_CENTER;
    if (!FShowAccelChar) format |= DT_NOPREFIX;
    return format;
}

QSize TAutoURLLabel::sizeHint() const {
    TRect r(0, 0, width(), 0);
    MeasureText(QFontMetrics(font(), this), FCaption.isEmpty() ? QStringLiteral(" ") : FCaption, r,
                TextFormat() | DT_CALCRECT);
    return QSize(r.Width(), r.Height());
}

void TAutoURLLabel::AdjustBounds() {
    if (!FAutoSize) {
        updateGeometry();
        return;
    }
    const QSize size = sizeHint();
    // A right-aligned label keeps its right edge.
    const int left = FAlignment == taRightJustify ? x() + width() - size.width() : x();
    ApplyAutoSize(this, Bounds(left, y(), size.width(), size.height()));
}

void TAutoURLLabel::FontChanged() {
    AdjustBounds();
    update();
}

void TAutoURLLabel::Paint(QPainter& canvas) {
    const TRect client = GetClientRect();
    if (!FTransparent) FillRect(canvas, client, GetColor());
    canvas.setFont(font());
    const auto pass = [&](TRect r, TColor color) {
        canvas.setPen(ToQColor(color));
        DrawText(canvas, FCaption, r, TextFormat());
    };
    if (isEnabled()) {
        pass(client, GetFontColor(this));
    } else {
        pass(client.Offsetted(1, 1), clBtnHighlight);
        pass(client, clBtnShadow);
    }
}

void TAutoURLLabel::MouseMove(TShiftState shift, int x, int y) {
    TGraphicControl::MouseMove(shift, x, y);
    if (!FCaption.isEmpty()) ApplyCursor(this, crAutoURLLabel);
}

void TAutoURLLabel::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    TGraphicControl::MouseDown(button, shift, x, y);
    if (FCaption.isEmpty()) return;
    const QUrl target = AutoURLTarget(FURL);
    if (!target.isValid()) return;
    try {
        QDesktopServices::openUrl(target);
    } catch (...) {
        // A browser that cannot be started is no error of the program.
    }
}
