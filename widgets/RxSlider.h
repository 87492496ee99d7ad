#pragma once
// TRxSlider: a slider drawn from bitmaps (a track tiled from a ruler image
// and a thumb with a normal and a pressed state), with tick marks, keyboard
// steps and click-and-hold stepping on the track. TSliderThumb is its
// draggable thumb.
#include <QBasicTimer>
#include <QImage>
#include <QWidget>
#include <array>
#include <cstdint>
#include <functional>
#include <vector>

#include "platform/Controls.h"
#include "platform/Geometry.h"
#include "platform/Streams.h"

enum TSliderOrientation { soHorizontal, soVertical };
enum TSliderOption : unsigned { soShowFocus = 1, soShowPoints = 2, soSmooth = 4 };
using TSliderOptions = unsigned;  // set of TSliderOption
enum TSliderImage { siHThumb = 0, siHRuler = 1, siVThumb = 2, siVRuler = 3 };

// Tick marks drawn by the form: paint on Canvas (the slider's).
using TSliderDrawPointsEvent = std::function<void(QObject* Sender, QPainter& Canvas)>;

// ---- arithmetic ----------------------------------------------------------------

// The track and the thumb keep this distance from the slider's edges.
constexpr int kSliderIndent = 6;

// One copy from the ruler image into the track, along the track's length.
struct TTrackPiece {
    int Dest = 0;
    int Src = 0;
    int Length = 0;
};
// The copies that fill a track of trackLength from a ruler of imageLength
// whose ends are edgeSize long: start piece and middle piece, the middle
// piece repeated, then the tail of the middle piece with the end piece.
// A ruler without a middle piece gives only the first copy.
std::vector<TTrackPiece> SliderTrackPieces(int imageLength, int edgeSize, int trackLength);
// The track bitmap: trackLength x the ruler's breadth (transposed for a
// vertical slider), olive where no piece lands.
QImage ComposeSliderTrack(const QImage& ruler, TSliderOrientation orientation, int edgeSize, int trackLength);

// Thumb position (Left or Top) of value v; usable is the track length less
// the thumb length. A track too short for its thumb keeps the thumb at the
// start.
int SliderValueToPos(int32_t v, int32_t minValue, int32_t maxValue, int usable);
// The value at thumb position p, truncated to a multiple of increment above
// minValue and kept within minValue..maxValue.
int32_t SliderPosToValue(int p, int32_t minValue, int32_t maxValue, int32_t increment, int usable);
// Step between tick marks: the smallest multiple of increment at which the
// marks are at least 3 pixels apart (or there is only one mark).
int64_t SliderTickStep(int32_t minValue, int32_t maxValue, int32_t increment, int usable);

// A skin bitmap as a disabled slider shows it: every pixel darker than the
// system's grey text colour (the clOlive ones excepted) in that colour.
QImage DisabledSliderImage(const QImage& image);

// Positions of thumb and track and the tick-mark rectangle.
struct TSliderLayout {
    TPoint Thumb;
    TPoint Track;
    TRect Points;
};
TSliderLayout SliderLayoutFor(TSliderOrientation orientation, int width, int height, TSize thumb, TSize track);

// ---- controls ------------------------------------------------------------------

class TRxSlider;

class TSliderThumb : public QWidget {
    Q_OBJECT
public:
    explicit TSliderThumb(TRxSlider* slider);

    const QImage& GetImage() const { return FImage; }
    // Copies the bitmap and takes the size of one state.
    void SetImage(const QImage& value);
    int GetNumThumbStates() const { return FNumThumbStates; }
    void SetNumThumbStates(int value);
    bool GetDown() const { return FDown; }
    void SetDown(bool value);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void AdjustSize();
    TRxSlider* FSlider;
    QImage FImage;
    int FNumThumbStates = 2;
    bool FDown = false;
};

class TRxSlider : public QWidget {
    Q_OBJECT
public:
    explicit TRxSlider(QWidget* parent = nullptr);

    // The skin bitmaps. A null image reloads the built-in one; any other is
    // copied and marked as supplied by the user.
    const QImage& GetImage(TSliderImage index) const { return FImages[index]; }
    void SetImage(TSliderImage index, const QImage& value);
    void SetImageHThumb(const QImage& value) { SetImage(siHThumb, value); }
    void SetImageHRuler(const QImage& value) { SetImage(siHRuler, value); }
    void SetImageVThumb(const QImage& value) { SetImage(siVThumb, value); }
    void SetImageVRuler(const QImage& value) { SetImage(siVRuler, value); }

    int GetEdgeSize() const { return FEdgeSize; }
    // Refused unless 0 <= value and 2 x value is below the ruler's length.
    void SetEdgeSize(int value);
    int GetNumThumbStates() const;
    void SetNumThumbStates(int value);  // 1 or 2
    TSliderOrientation GetOrientation() const { return FOrientation; }
    void SetOrientation(TSliderOrientation value);
    TSliderOptions GetOptions() const { return FOptions; }
    void SetOptions(TSliderOptions value);

    int32_t GetIncrement() const { return FIncrement; }
    // Below 1: ignored.
    void SetIncrement(int32_t value);
    int32_t GetMinValue() const { return FMinValue; }
    // Ignored when above MaxValue - Increment.
    void SetMinValue(int32_t value);
    int32_t GetMaxValue() const { return FMaxValue; }
    // Ignored when below MinValue + Increment.
    void SetMaxValue(int32_t value);
    // The three at once, whatever the current ones are; ignored (false) unless
    // increment >= 1 and maxValue - minValue >= increment.
    bool SetRange(int32_t minValue, int32_t maxValue, int32_t increment);
    int32_t GetValue() const { return FValue; }
    // Clamped to MinValue..MaxValue; OnChange when it differs.
    void SetValue(int32_t value);

    TColor GetColor() const;
    void SetColor(TColor value);

    // The "UserImages" extra data: one byte, bit i set when image i was
    // supplied by the user.
    uint8_t GetUserImages() const { return FUserImages; }
    bool UserImagesStored() const { return FUserImages != 0; }
    void WriteUserImages(TStream& stream) const;
    void ReadUserImages(TStream& stream);
    // After loading: the user-supplied images are applied again.
    void Loaded();

    // Ticks every step (from MinValue while <= MaxValue), length long, the
    // first and the last extremeLength long; black, or grey text colour
    // while the slider is disabled.
    void DefaultDrawPoints(QPainter& canvas, int64_t step, int length, int extremeLength);

    TSliderThumb* Thumb() const { return FThumb; }
    const QImage& TrackBitmap() const { return FTrack; }
    TPoint TrackOrigin() const { return FTrackOrigin; }
    TRect PointsRect() const { return FPointsRect; }
    // Track length less thumb length along the orientation.
    int UsableLength() const;
    bool RepeatTimerRunning() const { return FRepeatTimer.isActive(); }

    // Across: the thumb and track with their indent, and the tick marks
    // below (right of) them; along: the size at creation. A slider keeps its
    // breadth and stretches along its orientation.
    QSize sizeHint() const override;
    // Across as the hint; along the indents and room for three thumbs.
    QSize minimumSizeHint() const override;

    TNotifyEvent OnChange;
    TNotifyEvent OnThumbUp;
    TSliderDrawPointsEvent OnDrawPoints;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    friend class TSliderThumb;
    enum THitZone { hzNone, hzDecrement, hzIncrement };

    void AdjustElements();
    void LayoutAndRepaint();
    void ApplyThumbImage();
    void MoveThumbTo(int pos);
    void Change();
    THitZone HitZone(const QPoint& p) const;
    void RepeatStep();
    void StepBy(int64_t delta);
    int ThumbLength() const;
    // Pixels across the orientation that thumb, track and ticks need.
    int Breadth() const;
    void ApplySizePolicy();

    void ThumbMouseDown(Qt::MouseButton button, const QPoint& pos);
    void ThumbMouseMove(const QPoint& sliderPos);
    void ThumbMouseUp();

    std::array<QImage, 4> FImages;
    uint8_t FUserImages = 0;
    QImage FTrack;
    TSliderThumb* FThumb;
    TPoint FTrackOrigin;
    TRect FPointsRect;
    int FEdgeSize = 2;
    TSliderOrientation FOrientation = soHorizontal;
    TSliderOptions FOptions = soShowFocus | soShowPoints | soSmooth;
    int32_t FMinValue = 0;
    int32_t FMaxValue = 100;
    int32_t FIncrement = 10;
    int32_t FValue = 0;
    int FGrabOffset = 0;
    bool FDragging = false;
    bool FTracking = false;
    QPoint FLastPoint;
    THitZone FPressZone = hzNone;
    QBasicTimer FRepeatTimer;
    bool FLoading = true;
};
