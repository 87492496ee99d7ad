#pragma once
// TEdit97: a flat single-line edit. Its 3-pixel border is two rings in the
// button-face colour and one in the window colour; the hot look (while it
// has the focus, or the mouse is over it while no other TEdit97 has the
// focus) replaces the outer ring by a one-pixel sunken edge. Its height
// follows the font: the text height + 6.
//
// The toolbar unit's shared state (window subclassings, the mouse-leave
// timer, the main-window hook) belongs to the toolbars and is made by them
// when first needed; the edit uses none of it.
#include <QLineEdit>

#include "platform/Controls.h"

enum TEditCharCase { ecNormal, ecUpperCase, ecLowerCase };

// Width of the border on each side.
constexpr int kEdit97Border = 3;

// Whether an edit shows the hot look: it has the focus, or the mouse is over
// it while the focused control is not a TEdit97.
bool Edit97IsHot(bool focused, bool mouseIn, bool focusOnAnotherEdit97);
// Paints the border on the outer 3 pixels of a width x height control.
void Edit97DrawBorder(QPainter& p, int width, int height, bool hot);
// The height for a font whose text is textHeight pixels high.
inline int Edit97Height(int textHeight) { return textHeight + 2 * kEdit97Border; }

class TEdit97 : public QLineEdit {
    Q_OBJECT
public:
    explicit TEdit97(QWidget* parent = nullptr);

    QString GetText() const { return text(); }
    void SetText(const QString& value) { setText(value); }
    TEditCharCase GetCharCase() const { return FCharCase; }
    void SetCharCase(TEditCharCase value);
    // 0: no limit.
    int GetMaxLength() const { return FMaxLength; }
    void SetMaxLength(int value);
    bool GetReadOnly() const { return isReadOnly(); }
    void SetReadOnly(bool value) { setReadOnly(value); }
    // A null character shows the text; any other hides it.
    QChar GetPasswordChar() const { return FPasswordChar; }
    void SetPasswordChar(QChar value);
    bool GetEnabled() const { return isEnabled(); }
    void SetEnabled(bool value) { setEnabled(value); }
    // The background: the window colour, the button face while disabled.
    TColor GetColor() const;

    bool MouseIn() const { return FMouseIn; }
    bool IsHot() const;
    // After the form has been set up: the height follows the font.
    void Loaded();
    void AdjustHeight();

    // An edit's width, and the height of its own rule (text height + 6);
    // it keeps that height in a layout.
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    // Fires on every change of the text, typed or set by code.
    TNotifyEvent OnChange;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void UpdateColor();
    void ApplyCharCase();

    bool FMouseIn = false;
    TEditCharCase FCharCase = ecNormal;
    int FMaxLength = 0;
    QChar FPasswordChar;
};
