#pragma once
// TAutoURLLabel: a label that opens its URL in the desktop's browser or mail
// program when clicked. The URL follows the caption until it is set to
// something of its own.
#include <QUrl>

#include "platform/Controls.h"
#include "platform/Cursors.h"

// The hand cursor the label shows over a caption.
constexpr TCursor crAutoURLLabel = -1101;

// The address a label may open: http, https and mailto addresses, and an
// address beginning "www." as http; anything else (files, programs, other
// schemes) gives an invalid QUrl and is not opened.
QUrl AutoURLTarget(const QString& url);

class TAutoURLLabel : public TGraphicControl {
    Q_OBJECT
public:
    explicit TAutoURLLabel(QWidget* parent = nullptr);

    const QString& GetURL() const { return FURL; }
    void SetURL(const QString& value);
    const QString& GetCaption() const { return FCaption; }
    // While URL is empty or still the previous caption it takes the new one.
    void SetCaption(const QString& value);
    TAlignment GetAlignment() const { return FAlignment; }
    void SetAlignment(TAlignment value);
    bool GetAutoSize() const { return FAutoSize; }
    void SetAutoSize(bool value);
    bool GetShowAccelChar() const { return FShowAccelChar; }
    void SetShowAccelChar(bool value);
    bool GetTransparent() const { return FTransparent; }
    void SetTransparent(bool value);
    // Color: the background when not transparent (follows the parent's
    // unless set).
    TColor GetColor() const;
    void SetColor(TColor value);

    // The AutoSize result: the caption's extent in the label's font; the
    // minimum as well, so that no part of it is cut.
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void Paint(QPainter& canvas) override;
    void MouseMove(TShiftState shift, int x, int y) override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void FontChanged() override;

private:
    unsigned TextFormat() const;
    void AdjustBounds();
    void ApplySizePolicy();

    QString FURL;
    QString FCaption;
    QString FPreviousCaption;
    TAlignment FAlignment = taLeftJustify;
    bool FAutoSize = true;
    bool FShowAccelChar = true;
    bool FTransparent = false;
};
