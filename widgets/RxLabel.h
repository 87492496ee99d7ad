#pragma once
// TRxLabel: a label whose text carries a one-colour drop shadow, with
// vertical layout, automatic size and an accelerator that focuses another
// control.
#include <QPointer>
#include <QShortcut>

#include "platform/Controls.h"

enum TTextLayout { tlTop, tlCenter, tlBottom };
enum TShadowPosition { spLeftTop, spLeftBottom, spRightBottom, spRightTop };

// Draws (or with DT_CALCRECT measures) text in the painter's pen colour with
// a shadow in shadowColor, text and shadow shadowSize apart as pos says;
// rect becomes the union of both. Returns the shadow's text height plus
// shadowSize (the height alone when it is not positive).
int DrawShadowText(QPainter& canvas, const QString& text, TRect& rect, unsigned format, int shadowSize,
                   TColor shadowColor, TShadowPosition pos);

class TRxLabel : public TGraphicControl {
    Q_OBJECT
public:
    explicit TRxLabel(QWidget* parent = nullptr);

    const QString& GetCaption() const { return FCaption; }
    void SetCaption(const QString& value);
    TAlignment GetAlignment() const { return FAlignment; }
    void SetAlignment(TAlignment value);
    bool GetAutoSize() const { return FAutoSize; }
    void SetAutoSize(bool value);
    QWidget* GetFocusControl() const { return FFocusControl; }
    void SetFocusControl(QWidget* value);
    TTextLayout GetLayout() const { return FLayout; }
    void SetLayout(TTextLayout value);
    TColor GetShadowColor() const { return FShadowColor; }
    void SetShadowColor(TColor value);
    int GetShadowSize() const { return FShadowSize; }
    void SetShadowSize(uint8_t value);
    TShadowPosition GetShadowPos() const { return FShadowPos; }
    void SetShadowPos(TShadowPosition value);
    bool GetShowAccelChar() const { return FShowAccelChar; }
    void SetShowAccelChar(bool value);
    bool GetShowFocus() const { return FShowFocus; }
    void SetShowFocus(bool value);
    bool GetTransparent() const { return FTransparent; }
    void SetTransparent(bool value);
    bool GetWordWrap() const { return FWordWrap; }
    void SetWordWrap(bool value);
    // Color follows the parent's background until set (ParentColor).
    TColor GetColor() const;
    void SetColor(TColor value);
    bool GetParentColor() const { return FParentColor; }
    void SetParentColor(bool value);

    // Where the text goes on the current size (the client rectangle inset a
    // pixel sideways, moved down for tlCenter and tlBottom), before the
    // shadow widens it.
    TRect TextRect();

    // The AutoSize result: the caption with its shadow and a pixel on each
    // side, measured at the current width when it wraps words.
    QSize sizeHint() const override;
    // As the hint: no part of the caption is cut (a wrapping label: its
    // widest word).
    QSize minimumSizeHint() const override;
    bool hasHeightForWidth() const override { return FWordWrap; }
    int heightForWidth(int width) const override;

protected:
    void Paint(QPainter& canvas) override;
    void FontChanged() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void DoDrawText(QPainter& canvas, TRect& rect, unsigned format) const;
    // The text measured as AutoSize does, on a label width wide: the
    // rectangle from (0, 0) that holds it.
    TRect MeasureAt(int width) const;
    void ApplySizePolicy();
    unsigned DrawFormat() const;
    void AdjustBounds();
    void UpdateShortcut();
    void DialogChar();

    QString FCaption;
    TAlignment FAlignment = taLeftJustify;
    bool FAutoSize = true;
    QPointer<QWidget> FFocusControl;
    TTextLayout FLayout = tlTop;
    TColor FShadowColor = clBtnHighlight;
    uint8_t FShadowSize = 1;
    TShadowPosition FShadowPos = spLeftTop;
    bool FShowAccelChar = true;
    bool FShowFocus = false;
    bool FTransparent = false;
    bool FWordWrap = false;
    TColor FColor = clWindow;
    bool FParentColor = true;
    bool FFocused = false;
    QShortcut* FShortcut = nullptr;
};
