#pragma once
// TRxSpinButton: a square two-way button split along its anti-diagonal that
// repeats while held. TRxSpinEdit: a numeric edit (integer or fixed-point,
// optional limits) with such a button at its right end.
#include <QImage>
#include <QLineEdit>
#include <QTimer>
#include <array>

#include "platform/Controls.h"

enum TValueType { vtInteger, vtFloat };

// ---- arithmetic ----------------------------------------------------------------

// The half of a width x height spin button a point falls in: the bottom half
// lies below the line from the bottom-left to the top-right corner. A button
// without width or height has only a top half.
bool SpinButtonBottomHalf(int x, int y, int width, int height);

// The face of a spin button in state 0 (normal), 1 (top pressed) or 2
// (bottom pressed), width x height (null when either is 0 or less).
QImage DrawSpinButtonFace(int width, int height, int state, const QImage& upGlyph, const QImage& downGlyph);

// x, or x limited to minValue..maxValue unless the two are equal (no limits).
double SpinCheckValue(double x, double minValue, double maxValue);
// Text of a value: vtFloat in fixed notation with 15 significant digits and
// decimal decimals, the separator sep; vtInteger the rounded integer.
QString FormatSpinValue(double x, TValueType type, int decimal, QChar sep);
// Parses text as the value type (vtFloat with the separator sep, optional
// exponent; vtInteger a 32-bit integer); false when it does not parse.
bool ParseSpinValue(const QString& text, TValueType type, QChar sep, double& value);
// Whether a typed character is taken: signs, digits, the separator (vtFloat)
// and control characters; with the editor off no backspace and no printable
// character.
bool SpinCharAllowed(QChar c, TValueType type, QChar sep, bool editorEnabled);
// The text with every character dropped that could not have been typed.
QString FilterSpinText(const QString& text, TValueType type, QChar sep);
// Smallest height of a spin edit for its font's and the system font's
// line heights.
int SpinEditMinHeight(int fontHeight, int systemFontHeight);
// The locale's decimal separator.
QChar LocaleDecimalSeparator();

// ---- TRxSpinButton -------------------------------------------------------------

class TRxSpinButton : public TGraphicControl {
    Q_OBJECT
public:
    explicit TRxSpinButton(QWidget* parent = nullptr);

    const QImage& GetUpGlyph() const { return FUpGlyph; }
    // A null image restores the built-in arrow.
    void SetUpGlyph(const QImage& value);
    const QImage& GetDownGlyph() const { return FDownGlyph; }
    void SetDownGlyph(const QImage& value);

    // 0 none, 1 top, 2 bottom.
    int State() const { return FState; }
    bool ButtonHeld() const { return FButtonHeld; }
    // Null until the first press.
    QTimer* RepeatTimer() const { return FRepeatTimer; }

    // Its size at creation (20 x 20); it keeps it in a layout.
    QSize sizeHint() const override { return QSize(20, 20); }
    // Room for the two arrows side by side along the diagonal.
    QSize minimumSizeHint() const override;

    TNotifyEvent OnTopClick;
    TNotifyEvent OnBottomClick;

protected:
    void Paint(QPainter& canvas) override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseMove(TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;

private:
    void FireClick(int state);
    void SetState(int state);
    void TrackPoint(int x, int y);
    void TimerExpired();

    QImage FUpGlyph, FDownGlyph;
    std::array<QImage, 3> FFaces;
    bool FFacesStale = true;
    int FState = 0;
    int FPressedHalf = 0;
    bool FButtonHeld = false;
    QTimer* FRepeatTimer = nullptr;
};

// ---- TRxSpinEdit ---------------------------------------------------------------

class TRxSpinEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit TRxSpinEdit(QWidget* parent = nullptr);

    TAlignment GetAlignment() const { return FAlignment; }
    void SetAlignment(TAlignment value);
    bool GetAutoSelect() const { return FAutoSelect; }
    void SetAutoSelect(bool value) { FAutoSelect = value; }
    int GetDecimal() const { return FDecimal; }
    void SetDecimal(int value);  // 0..255; rewrites the value
    bool GetEditorEnabled() const { return FEditorEnabled; }
    void SetEditorEnabled(bool value) { FEditorEnabled = value; }
    double GetIncrement() const { return FIncrement; }
    void SetIncrement(double value) { FIncrement = value; }
    // MinValue = MaxValue means no limits.
    double GetMinValue() const { return FMinValue; }
    void SetMinValue(double value) { FMinValue = value; }
    double GetMaxValue() const { return FMaxValue; }
    void SetMaxValue(double value) { FMaxValue = value; }
    void SetRange(double minValue, double maxValue, double increment);
    TValueType GetValueType() const { return FValueType; }
    void SetValueType(TValueType value);  // rewrites the value

    // The text parsed; MinValue (rounded for vtInteger) when it does not parse.
    double GetValue() const;
    // Whether the text is a number.
    bool HasValue() const;
    // The value of the last text that was a number (the field is being
    // emptied or retyped meanwhile); leaving a field whose text is no number
    // writes this value back.
    double GetValueInForce() const;
    // Limited by CheckValue and formatted into the text.
    void SetValue(double value);
    double CheckValue(double value) const { return SpinCheckValue(value, FMinValue, FMaxValue); }

    void UpClick();
    void DownClick();

    TRxSpinButton* Button() const { return FButton; }
    int MinHeight() const;

    // An edit's width with the button; its own minimum height (the edit
    // keeps its height in a layout).
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    TNotifyEvent OnChange;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    bool CanEditClipboard() const { return FEditorEnabled && !isReadOnly(); }
    void PlaceButton();
    double ValueOfText(const QString& text, TValueType type) const;

    QWidget* FHolder;
    TRxSpinButton* FButton;
    TAlignment FAlignment = taLeftJustify;
    bool FAutoSelect = true;
    double FMinValue = 0;
    double FMaxValue = 0;
    double FIncrement = 1.0;
    TValueType FValueType = vtInteger;
    int FDecimal = 2;
    bool FEditorEnabled = true;
    double FInForce = 0;
};
