#pragma once
// Six standard controls that can lie transparently over a picture: label,
// radio button, check box, group box, panel and bevel. A transparent control
// shows what its parent paints below it; invalidating one inside another
// transparent control of this family repaints that parent (and so all it
// shows), not only the control's own rectangle.
#include <QCheckBox>
#include <QLabel>
#include <QRadioButton>
#include <QWidget>

#include "platform/Colors.h"
#include "platform/Controls.h"
#include "platform/Paint.h"

// What the six controls share: Invalidate with its re-entrancy guard,
// SetBounds that repaints the old area first, and whether they count as
// transparent now.
class TPGTransparentControl {
public:
    virtual ~TPGTransparentControl() = default;
    // Repaints the control: when its parent is a transparent control of this
    // family the parent is invalidated instead of just this rectangle.
    void Invalidate();
    void SetBounds(int left, int top, int width, int height);
    virtual bool IsTransparentNow() const = 0;

protected:
    explicit TPGTransparentControl(QWidget* self) : FSelf(self) {}
    // Transparent: no background of its own; opaque: filled with color.
    static void ApplyTransparency(QWidget* w, bool transparent, TColor color);

private:
    QWidget* FSelf;
    bool FInvalidating = false;
};

// For a label, check box, radio button, group box or panel of this family
// its Transparent; for the bevel true; for anything else false.
bool IsTransparentPGControl(const QWidget* control);

// The label, radio button and check box: a Qt control with Caption, Color
// and Transparent (true after construction).
template <class Base>
class TPGStandardControl : public Base, public TPGTransparentControl {
public:
    explicit TPGStandardControl(QWidget* parent = nullptr) : Base(parent), TPGTransparentControl(this) {
        ApplyTransparency(this, FTransparent, FColor);
    }
    QString GetCaption() const { return this->text(); }
    void SetCaption(const QString& value) {
        if (value == this->text()) return;
        this->setText(value);
        Invalidate();
    }
    bool GetTransparent() const { return FTransparent; }
    void SetTransparent(bool value) {
        if (!ChangeField(FTransparent, value)) return;
        ApplyTransparency(this, FTransparent, FColor);
        Invalidate();
    }
    TColor GetColor() const { return FColor; }
    void SetColor(TColor value) {
        if (!ChangeField(FColor, value)) return;
        ApplyTransparency(this, FTransparent, FColor);
        Invalidate();
    }
    bool IsTransparentNow() const override { return FTransparent; }

private:
    bool FTransparent = true;
    TColor FColor = clBtnFace;
};

class TPGLabel : public TPGStandardControl<QLabel> {
    Q_OBJECT
public:
    using TPGStandardControl::TPGStandardControl;
};

class TPGRadioButton : public TPGStandardControl<QRadioButton> {
    Q_OBJECT
public:
    using TPGStandardControl::TPGStandardControl;
};

class TPGCheckBox : public TPGStandardControl<QCheckBox> {
    Q_OBJECT
public:
    using TPGStandardControl::TPGStandardControl;
};

// The group box and the panel: self-painted controls with Caption, Color
// and Transparent (true after construction).
class TPGCustomControl : public QWidget, public TPGTransparentControl {
    Q_OBJECT
public:
    explicit TPGCustomControl(QWidget* parent = nullptr) : QWidget(parent), TPGTransparentControl(this) {}
    const QString& GetCaption() const { return FCaption; }
    void SetCaption(const QString& value);
    bool GetTransparent() const { return FTransparent; }
    void SetTransparent(bool value);
    TColor GetColor() const { return FColor; }
    void SetColor(TColor value);
    bool IsTransparentNow() const override { return FTransparent; }

protected:
    QString FCaption;
    bool FTransparent = true;
    TColor FColor = clBtnFace;
};

// A frame with its caption at the top-left, interrupting the frame line. A
// layout set on it lies inside the frame, below the caption.
class TPGGroupBox : public TPGCustomControl {
    Q_OBJECT
public:
    explicit TPGGroupBox(QWidget* parent = nullptr);
    bool GetCtl3D() const { return FCtl3D; }
    void SetCtl3D(bool value);

    // Its layout's hint, or the size at creation (185 x 105); never
    // narrower than the caption.
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    bool FCtl3D = true;
};

// A panel: outer bevel, border, inner bevel, then face and centred caption.
// A transparent panel draws only its caption, bevels and border.
class TPGPanel : public TPGCustomControl {
    Q_OBJECT
public:
    explicit TPGPanel(QWidget* parent = nullptr);
    TAlignment GetAlignment() const { return FAlignment; }
    void SetAlignment(TAlignment value);
    TPanelBevel GetBevelInner() const { return FBevelInner; }
    void SetBevelInner(TPanelBevel value);
    TPanelBevel GetBevelOuter() const { return FBevelOuter; }
    void SetBevelOuter(TPanelBevel value);
    int GetBevelWidth() const { return FBevelWidth; }
    void SetBevelWidth(int value);
    int GetBorderWidth() const { return FBorderWidth; }
    void SetBorderWidth(int value);

    // Its layout's hint (inside bevels and border), or the size at creation
    // (185 x 41); never too small for the caption.
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void PaintPanel(QPainter& canvas);
    // Width of the bevels and the border on each side.
    int EdgeWidth() const;
    void EdgesChanged();
    TAlignment FAlignment = taCenter;
    TPanelBevel FBevelInner = bvNone;
    TPanelBevel FBevelOuter = bvRaised;
    int FBevelWidth = 1;
    int FBorderWidth = 0;
};

class TPGBevel : public QWidget, public TPGTransparentControl {
    Q_OBJECT
public:
    explicit TPGBevel(QWidget* parent = nullptr);
    TBevelEdgeStyle GetStyle() const { return FStyle; }
    void SetStyle(TBevelEdgeStyle value);
    TBevelShape GetShape() const { return FShape; }
    void SetShape(TBevelShape value);
    bool IsTransparentNow() const override { return true; }
    QSize sizeHint() const override { return BevelSizeHint(FShape); }
    QSize minimumSizeHint() const override { return BevelMinimumSizeHint(FShape); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    TBevelEdgeStyle FStyle = bsLowered;
    TBevelShape FShape = bsBox;
};
