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

// Where a window of the given frame size goes beside the main window whose
// frame is mainFrame, within the work area: right of it, else left of it,
// else below it, each top-aligned with it as far as the work area allows;
// where none fits, in the work area's bottom-right corner, kept below
// keepClear (the main window's menu bar and tabs, which it must not cover).
QPoint PlaceBeside(const QRect& mainFrame, const QRect& keepClear, const QSize& size, const QRect& workArea);

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
    // Shows the window beside mainWindow (see PlaceBeside; keepClear in
    // screen coordinates): where it was before, unless that covers
    // keepClear or it was never placed.
    void ShowBeside(QWidget* mainWindow, const QRect& keepClear);

    // The main form's "Layer is active" handler, run when the window is
    // activated.
    TNotifyEvent OnActivate;
    // Run when the user closes the window (it is hidden): the main form
    // unchecks "Preview Result in 2nd Window".
    TNotifyEvent OnClose;

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    bool FPlaced = false;
};
