#include "widgets/RxSlider.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

#include "platform/MathUtil.h"
#include "platform/Paint.h"
#include "widgets/RxUtils.h"

// ---- arithmetic ----------------------------------------------------------------

std::vector<TTrackPiece> SliderTrackPieces(int imageLength, int edgeSize, int trackLength) {
    std::vector<TTrackPiece> pieces;
    if (imageLength <= 0 || trackLength <= 0) return pieces;
    const int E = std::max(edgeSize, 0);
    const int M = imageLength - 2 * E;
    pieces.push_back({0, 0, imageLength - E});
    // A ruler without a middle piece (an image replaced after EdgeSize was
    // set) cannot be tiled.
    if (M <= 0) return pieces;
    const int L = trackLength - 2 * E;
    const int N = L / M, R = L % M;
    for (int i = 1; i < N; ++i) pieces.push_back({E + i * M, E, M});
    if (N > 0) pieces.push_back({E + N * M, E + M - R, E + R});
    return pieces;
}

QImage ComposeSliderTrack(const QImage& ruler, TSliderOrientation orientation, int edgeSize, int trackLength) {
    if (ruler.isNull() || trackLength <= 0) return QImage();
    const bool horizontal = orientation == soHorizontal;
    const int imageLength = horizontal ? ruler.width() : ruler.height();
    const int breadth = horizontal ? ruler.height() : ruler.width();
    QImage track(horizontal ? trackLength : breadth, horizontal ? breadth : trackLength, QImage::Format_RGB32);
    track.fill(ToQColor(clOlive));
    QPainter p(&track);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    for (const TTrackPiece& piece : SliderTrackPieces(imageLength, edgeSize, trackLength)) {
        if (horizontal) p.drawImage(QPoint(piece.Dest, 0), ruler, QRect(piece.Src, 0, piece.Length, breadth));
        else p.drawImage(QPoint(0, piece.Dest), ruler, QRect(0, piece.Src, breadth, piece.Length));
    }
    return track;
}

int SliderValueToPos(int32_t v, int32_t minValue, int32_t maxValue, int usable) {
    if (usable <= 0 || maxValue <= minValue) return kSliderIndent;
    const long double range = static_cast<long double>(static_cast<int64_t>(maxValue) - minValue);
    const long double offset = static_cast<long double>(static_cast<int64_t>(v) - minValue);
    return static_cast<int>(Round(usable * offset / range)) + kSliderIndent;
}

int32_t SliderPosToValue(int p, int32_t minValue, int32_t maxValue, int32_t increment, int usable) {
    if (usable <= 0 || maxValue <= minValue) return minValue;
    const int64_t inc = std::max<int32_t>(increment, 1);
    const long double range = static_cast<long double>(static_cast<int64_t>(maxValue) - minValue);
    const int64_t c = Round(static_cast<long double>(p - kSliderIndent) * range / usable);
    const int64_t v = inc * (c / inc) + minValue;
    return static_cast<int32_t>(std::clamp<int64_t>(v, minValue, maxValue));
}

int64_t SliderTickStep(int32_t minValue, int32_t maxValue, int32_t increment, int usable) {
    const int64_t inc = std::max<int32_t>(increment, 1);
    const int64_t range = std::max<int64_t>(static_cast<int64_t>(maxValue) - minValue, 0);
    // With n marks the gap is (usable - n) div (n - 1); it reaches 3 exactly
    // when n <= (usable + 3) div 4. n = range div step + 1 falls as the step
    // grows, so the smallest fitting step is range div nMax + 1, rounded up
    // to a multiple of the increment. Without room for two marks only a
    // single mark (a step beyond the range) will do.
    const int64_t nMax = (static_cast<int64_t>(usable) + 3) / 4;
    const int64_t minStep = nMax >= 2 ? range / nMax + 1 : range + 1;
    return inc * std::max<int64_t>((minStep + inc - 1) / inc, 1);
}

TSliderLayout SliderLayoutFor(TSliderOrientation orientation, int width, int height, TSize thumb, TSize track) {
    TSliderLayout l;
    const int I = kSliderIndent;
    if (orientation == soHorizontal) {
        if (track.cy < thumb.cy) {
            l.Thumb = TPoint(I, I);
            l.Track = TPoint(I, I + (thumb.cy - track.cy) / 2);
        } else {
            l.Track = TPoint(I, I);
            l.Thumb = TPoint(I, I + (track.cy - thumb.cy) / 2);
        }
        l.Points = TRect(l.Track.X, std::max(thumb.cy, track.cy) + 7, l.Track.X + track.cx, height - 1);
    } else {
        if (track.cx < thumb.cx) {
            l.Thumb = TPoint(I, I);
            l.Track = TPoint(I + (thumb.cx - track.cx) / 2, I);
        } else {
            l.Track = TPoint(I, I);
            l.Thumb = TPoint(I + (track.cx - thumb.cx) / 2, I);
        }
        l.Points = TRect(std::max(thumb.cx, track.cx) + 7, l.Track.Y, width - 1, l.Track.Y + track.cy);
    }
    return l;
}

QImage DisabledSliderImage(const QImage& image) {
    QImage out = image.convertToFormat(QImage::Format_RGB32);
    const QRgb transparent = ToQColor(clOlive).rgb(), gray = ToQColor(clGrayText).rgb();
    for (int y = 0; y < out.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x) {
            const QRgb c = row[x] | 0xFF000000u;
            if (c != transparent && qGray(c) < qGray(gray)) row[x] = gray;
        }
    }
    return out;
}

// ---- TSliderThumb --------------------------------------------------------------

TSliderThumb::TSliderThumb(TRxSlider* slider) : QWidget(slider), FSlider(slider) {
    RegisterRxCursors();
    ApplyCursor(this, crRxHand);
}

void TSliderThumb::SetImage(const QImage& value) {
    FImage = value.convertToFormat(QImage::Format_RGB32);
    AdjustSize();
}

void TSliderThumb::SetNumThumbStates(int value) {
    if (value < 1 || value > 2 || !ChangeField(FNumThumbStates, value)) return;
    AdjustSize();
}

void TSliderThumb::SetDown(bool value) {
    if (ChangeField(FDown, value)) update();
}

void TSliderThumb::AdjustSize() {
    resize(FImage.width() / FNumThumbStates, FImage.height());
    update();
}

void TSliderThumb::paintEvent(QPaintEvent*) {
    QPainter p(this);
    TRect src;  // empty: the whole bitmap
    if (FNumThumbStates > 1) {
        const int cell = FImage.width() / FNumThumbStates;
        src = Bounds(FDown ? cell : 0, 0, cell, FImage.height());
    }
    DrawBitmapRectTransparent(p, 0, 0, clOlive, isEnabled() ? FImage : DisabledSliderImage(FImage), src);
}

void TSliderThumb::mousePressEvent(QMouseEvent* event) {
    FSlider->ThumbMouseDown(event->button(), event->position().toPoint());
}

void TSliderThumb::mouseMoveEvent(QMouseEvent* event) {
    if (event->buttons() & Qt::LeftButton) FSlider->ThumbMouseMove(mapTo(FSlider, event->position().toPoint()));
}

void TSliderThumb::mouseReleaseEvent(QMouseEvent*) { FSlider->ThumbMouseUp(); }

// ---- TRxSlider -----------------------------------------------------------------

namespace {
const char* const kImageNames[4] = {"W95_HTB", "W95_HRL", "W95_VTB", "W95_VRL"};
}

TRxSlider::TRxSlider(QWidget* parent) : QWidget(parent), FThumb(new TSliderThumb(this)) {
    setFocusPolicy(Qt::StrongFocus);
    resize(140, 40);
    ApplySizePolicy();
    for (int i = 0; i < 4; ++i) FImages[i] = LoadBitmapResourceOrRaise(kImageNames[i]);
    ApplyThumbImage();
    FLoading = false;
    AdjustElements();
}

void TRxSlider::SetImage(TSliderImage index, const QImage& value) {
    if (value.isNull()) {
        FImages[index] = LoadBitmapResourceOrRaise(kImageNames[index]);
        FUserImages &= static_cast<uint8_t>(~(1u << index));
    } else {
        FImages[index] = value.convertToFormat(QImage::Format_RGB32);
        FUserImages |= static_cast<uint8_t>(1u << index);
    }
    ApplyThumbImage();
    LayoutAndRepaint();
}

void TRxSlider::ApplyThumbImage() { FThumb->SetImage(FImages[FOrientation == soHorizontal ? siHThumb : siVThumb]); }

void TRxSlider::SetEdgeSize(int value) {
    const QImage& ruler = FImages[FOrientation == soHorizontal ? siHRuler : siVRuler];
    const int length = FOrientation == soHorizontal ? ruler.width() : ruler.height();
    // A negative end piece would read before the ruler's start.
    if (value < 0 || 2 * static_cast<int64_t>(value) >= length || !ChangeField(FEdgeSize, value)) return;
    LayoutAndRepaint();
}

int TRxSlider::GetNumThumbStates() const { return FThumb->GetNumThumbStates(); }

void TRxSlider::SetNumThumbStates(int value) {
    if (value < 1 || value > 2 || value == FThumb->GetNumThumbStates()) return;
    FThumb->SetNumThumbStates(value);
    LayoutAndRepaint();
}

void TRxSlider::SetOrientation(TSliderOrientation value) {
    if (!ChangeField(FOrientation, value)) return;
    ApplySizePolicy();
    ApplyThumbImage();
    LayoutAndRepaint();
}

void TRxSlider::SetOptions(TSliderOptions value) {
    const bool points = (FOptions ^ value) & soShowPoints;
    FOptions = value;
    if (points) updateGeometry();
    update();
}

void TRxSlider::SetIncrement(int32_t value) {
    if (value < 1) return;
    FIncrement = value;
    update();
}

void TRxSlider::SetMinValue(int32_t value) {
    if (value == FMinValue || value > static_cast<int64_t>(FMaxValue) - FIncrement) return;
    FMinValue = value;
    if (FOptions & soShowPoints) update();
    SetValue(FValue);  // keeps Value within the range and the thumb on it
}

void TRxSlider::SetMaxValue(int32_t value) {
    if (value == FMaxValue || value < static_cast<int64_t>(FMinValue) + FIncrement) return;
    FMaxValue = value;
    if (FOptions & soShowPoints) update();
    SetValue(FValue);
}

bool TRxSlider::SetRange(int32_t minValue, int32_t maxValue, int32_t increment) {
    if (increment < 1 || static_cast<int64_t>(maxValue) - minValue < increment) return false;
    FMinValue = minValue;
    FMaxValue = maxValue;
    FIncrement = increment;
    update();
    SetValue(FValue);
    return true;
}

void TRxSlider::SetValue(int32_t value) {
    value = std::clamp(value, FMinValue, FMaxValue);
    const bool changed = value != FValue;
    FValue = value;
    MoveThumbTo(SliderValueToPos(value, FMinValue, FMaxValue, UsableLength()));
    if (changed) Change();
}

TColor TRxSlider::GetColor() const { return FromQColor(palette().color(QPalette::Window)); }

void TRxSlider::SetColor(TColor value) {
    QPalette pal = palette();
    pal.setColor(QPalette::Window, ToQColor(value));
    setPalette(pal);
    setAutoFillBackground(true);
}

void TRxSlider::WriteUserImages(TStream& stream) const { stream.WriteValue<uint8_t>(FUserImages); }

void TRxSlider::ReadUserImages(TStream& stream) { FUserImages = stream.ReadValue<uint8_t>() & 0x0F; }

void TRxSlider::Loaded() {
    const uint8_t user = FUserImages;
    for (int i = 0; i < 4; ++i)
        if (user & (1u << i)) SetImage(static_cast<TSliderImage>(i), QImage(FImages[i]));
}

int TRxSlider::ThumbLength() const { return FOrientation == soHorizontal ? FThumb->width() : FThumb->height(); }

int TRxSlider::UsableLength() const {
    const int track = FOrientation == soHorizontal ? FTrack.width() : FTrack.height();
    return track - ThumbLength();
}

void TRxSlider::AdjustElements() {
    if (FLoading) return;
    const bool horizontal = FOrientation == soHorizontal;
    const QImage& ruler = FImages[horizontal ? siHRuler : siVRuler];
    const int trackLength = std::max(0, (horizontal ? width() : height()) - 2 * kSliderIndent);
    FTrack = ComposeSliderTrack(ruler, FOrientation, FEdgeSize, trackLength);
    const TSize track = horizontal ? TSize(trackLength, ruler.height()) : TSize(ruler.width(), trackLength);
    const TSliderLayout l =
        SliderLayoutFor(FOrientation, width(), height(), TSize(FThumb->width(), FThumb->height()), track);
    FTrackOrigin = l.Track;
    FPointsRect = l.Points;
    FThumb->move(l.Thumb.X, l.Thumb.Y);
    SetValue(FValue);
}

void TRxSlider::LayoutAndRepaint() {
    AdjustElements();
    updateGeometry();
    update();
}

void TRxSlider::ApplySizePolicy() {
    if (FOrientation == soHorizontal) setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    else setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
}

int TRxSlider::Breadth() const {
    const bool horizontal = FOrientation == soHorizontal;
    const QImage& ruler = FImages[horizontal ? siHRuler : siVRuler];
    const int across =
        std::max(horizontal ? FThumb->height() : FThumb->width(), horizontal ? ruler.height() : ruler.width());
    // The ticks begin 7 pixels past the thumb or track (counted from the
    // edge, as the layout places them) and the longest is 4 long.
    const int ticks = (FOptions & soShowPoints) ? across + 7 + 4 + 1 : 0;
    return std::max(2 * kSliderIndent + across, ticks);
}

QSize TRxSlider::sizeHint() const {
    return FOrientation == soHorizontal ? QSize(140, Breadth()) : QSize(Breadth(), 140);
}

QSize TRxSlider::minimumSizeHint() const {
    const int along = 2 * kSliderIndent + 3 * ThumbLength();
    return FOrientation == soHorizontal ? QSize(along, Breadth()) : QSize(Breadth(), along);
}

void TRxSlider::MoveThumbTo(int pos) {
    const int usable = UsableLength();
    pos = std::clamp(pos, kSliderIndent, kSliderIndent + std::max(usable, 0));
    if (!(FOptions & soSmooth))
        pos = SliderValueToPos(SliderPosToValue(pos, FMinValue, FMaxValue, FIncrement, usable), FMinValue, FMaxValue,
                               usable);
    if (FOrientation == soHorizontal) FThumb->move(pos, FThumb->y());
    else FThumb->move(FThumb->x(), pos);
    if (FDragging) {
        const int32_t v = SliderPosToValue(pos, FMinValue, FMaxValue, FIncrement, usable);
        if (v != FValue) {
            FValue = v;
            Change();
        }
    }
}

void TRxSlider::Change() {
    if (OnChange) OnChange(this);
}

void TRxSlider::StepBy(int64_t delta) {
    const int64_t v = std::clamp<int64_t>(static_cast<int64_t>(FValue) + delta, INT32_MIN, INT32_MAX);
    SetValue(static_cast<int32_t>(v));
}

void TRxSlider::DefaultDrawPoints(QPainter& canvas, int64_t step, int length, int extremeLength) {
    if (step <= 0 || step > INT32_MAX) return;
    const int usable = UsableLength();
    const int64_t real = SliderTickStep(FMinValue, FMaxValue, static_cast<int32_t>(step), usable);
    const int64_t last = FMinValue + (static_cast<int64_t>(FMaxValue) - FMinValue) / real * real;
    const bool horizontal = FOrientation == soHorizontal;
    const int half = (horizontal ? FThumb->width() : FThumb->height()) / 2;
    const TColor color = isEnabled() ? clBlack : clGrayText;
    for (int64_t v = FMinValue; v <= FMaxValue; v += real) {
        const int len = (v == FMinValue || v == last) ? extremeLength : length;
        const int pos = SliderValueToPos(static_cast<int32_t>(v), FMinValue, FMaxValue, usable) + half;
        if (horizontal) FillRect(canvas, TRect(pos, FPointsRect.Top, pos + 1, FPointsRect.Top + len), color);
        else FillRect(canvas, TRect(FPointsRect.Left, pos, FPointsRect.Left + len, pos + 1), color);
    }
}

void TRxSlider::paintEvent(QPaintEvent*) {
    QPainter p(this);
    if (!FTrack.isNull()) DrawBitmapTransparent(p, FTrackOrigin.X, FTrackOrigin.Y, FTrack, clOlive);
    if ((FOptions & soShowFocus) && hasFocus()) DrawFocusRect(p, GetClientRectOf(this).Inflated(-2, -2));
    if (FOptions & soShowPoints) {
        if (OnDrawPoints) OnDrawPoints(this, p);
        else DefaultDrawPoints(p, FIncrement, 3, 4);
    }
}

void TRxSlider::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    AdjustElements();
}

void TRxSlider::keyPressEvent(QKeyEvent* event) {
    const bool plain = !(event->modifiers() & (Qt::ShiftModifier | Qt::AltModifier | Qt::ControlModifier));
    const bool horizontal = FOrientation == soHorizontal;
    bool handled = plain;
    if (plain) {
        switch (event->key()) {
            case Qt::Key_Home: SetValue(FMinValue); break;
            case Qt::Key_End: SetValue(FMaxValue); break;
            case Qt::Key_Left:
            case Qt::Key_Right:
                if (!horizontal) handled = false;
                else StepBy(event->key() == Qt::Key_Left ? -FIncrement : FIncrement);
                break;
            case Qt::Key_Up:
            case Qt::Key_Down:
                if (horizontal) handled = false;
                else StepBy(event->key() == Qt::Key_Up ? -FIncrement : FIncrement);
                break;
            default: handled = false; break;
        }
    }
    if (handled) event->accept();
    else QWidget::keyPressEvent(event);
}

TRxSlider::THitZone TRxSlider::HitZone(const QPoint& p) const {
    const bool horizontal = FOrientation == soHorizontal;
    const int c = horizontal ? p.x() : p.y();
    const int start = horizontal ? FThumb->x() : FThumb->y();
    if (c < start) return hzDecrement;
    if (c > start + ThumbLength()) return hzIncrement;
    return hzNone;
}

void TRxSlider::RepeatStep() {
    const THitZone zone = HitZone(FLastPoint);
    if (zone == FPressZone && zone != hzNone) StepBy(zone == hzDecrement ? -FIncrement : FIncrement);
    if (!FRepeatTimer.isActive()) FRepeatTimer.start(400, Qt::PreciseTimer, this);
}

void TRxSlider::mousePressEvent(QMouseEvent* event) {
    QWidget::mousePressEvent(event);
    if (event->button() != Qt::LeftButton) return;
    setFocus(Qt::MouseFocusReason);
    FTracking = true;
    FLastPoint = event->position().toPoint();
    FPressZone = HitZone(FLastPoint);
    RepeatStep();
}

void TRxSlider::mouseMoveEvent(QMouseEvent* event) {
    if (FTracking) FLastPoint = event->position().toPoint();
    QWidget::mouseMoveEvent(event);
}

void TRxSlider::mouseReleaseEvent(QMouseEvent* event) {
    if (FTracking) {
        FTracking = false;
        FRepeatTimer.stop();
    }
    QWidget::mouseReleaseEvent(event);
}

// The second press of a double click does not step.
void TRxSlider::mouseDoubleClickEvent(QMouseEvent* event) { event->accept(); }

void TRxSlider::timerEvent(QTimerEvent* event) {
    if (event->timerId() == FRepeatTimer.timerId()) RepeatStep();
    else QWidget::timerEvent(event);
}

void TRxSlider::focusInEvent(QFocusEvent* event) {
    QWidget::focusInEvent(event);
    update();
}

void TRxSlider::focusOutEvent(QFocusEvent* event) {
    QWidget::focusOutEvent(event);
    update();
}

// ---- thumb events --------------------------------------------------------------

void TRxSlider::ThumbMouseDown(Qt::MouseButton button, const QPoint& pos) {
    setFocus(Qt::MouseFocusReason);
    if (button != Qt::LeftButton) return;
    FGrabOffset = FOrientation == soHorizontal ? pos.x() : pos.y();
    FDragging = true;
    FThumb->SetDown(true);
}

void TRxSlider::ThumbMouseMove(const QPoint& sliderPos) {
    if (!FDragging) return;
    MoveThumbTo((FOrientation == soHorizontal ? sliderPos.x() : sliderPos.y()) - FGrabOffset);
}

void TRxSlider::ThumbMouseUp() {
    FDragging = false;
    FThumb->SetDown(false);
    if (OnThumbUp) OnThumbUp(this);
}
