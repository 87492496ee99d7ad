#pragma once
// TPreForm "Preview": a small window of the main form that shows the
// composed tile, single or tiled. It is a tool window of the main form, so
// it stays above it on every desktop, and asks to stay on top, which X11
// window managers honour. Closing only hides it.
#include <QWidget>

#include "image/PGImage.h"
#include "mozaro/LayerModel.h"
#include "platform/Controls.h"
#include "platform/Menus.h"

class TPreForm : public QWidget {
    Q_OBJECT
public:
    // mainForm: the window it belongs to (may be null in tests).
    explicit TPreForm(QWidget* mainForm = nullptr);

    TPGImage* PGImage1;  // stretched keeping the aspect; 75 x 75 at creation
    TPopupMenu* PopupMenu1;
    TMenuItem* Tiling1;  // "&Tiling"

    // Checks or unchecks "&Tiling" and repeats the tile or shows it once.
    bool GetTiling() const { return Tiling1->GetChecked(); }
    void SetTiling(bool value);
    // What a click on the picture or on "&Tiling" does.
    void ToggleTiling() { SetTiling(!GetTiling()); }

    // Shows a copy of picture.
    void ShowPicture(const TPixelGraphic& picture);
    // The main form's "Layer is active" work while the preview is shown:
    // on a layer tab (0..2) the controls become that layer's record (the
    // "Result" tab, 3, has none), then the result is composed and shown
    // here. Nothing happens while the preview is hidden.
    void RefreshResult(TLayerModel& model, int tab, const TLayerControls& shown);

    // The main form's "Layer is active" handler, run when the window is
    // activated.
    TNotifyEvent OnActivate;
    // Run when the user closes the window (it is hidden): the main form
    // unchecks "Preview Result in 2nd Window".
    TNotifyEvent OnClose;

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
};
