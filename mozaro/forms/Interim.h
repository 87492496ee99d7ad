#pragma once
// Plain stand-ins for the parts of the main form that are still being made
// elsewhere: the preset browser, the JPEG saver, the threaded timer, the
// colour panel, the preview and full-screen windows, the wallpaper and the
// splash screen. Each offers the calls the main form makes, with the names
// the real parts give them, so the form runs and is tested now; each goes
// as the real part arrives.
#include <QDialog>
#include <QLabel>
#include <QString>
#include <string>

#include "image/PGImage.h"
#include "mozaro/LayerModel.h"
#include "platform/Controls.h"
#include "widgets/kv_timer.h"

class TPixelGraphic;

namespace mozaro::interim {

// The debounce timer of the seed edit.
using TThreadedTimer = TKV_Timer;

// The preset browser: the ".mzo" files of a folder.
class Tpreset_dlg : public QDialog {
    Q_OBJECT
public:
    explicit Tpreset_dlg(QWidget* parent = nullptr);
    void FillFromFolder(const std::string& folder);
    std::string ChosenFile() const { return FChosen; }

private:
    QWidget* FBox;
    std::string FChosen;
};

// The Smart JPEG Saver: shows the picture; OK (modal result 1) keeps it.
class Tjpeger_f : public QDialog {
    Q_OBJECT
public:
    explicit Tjpeger_f(QWidget* parent = nullptr);
    void SetGraphic(const TPixelGraphic& graphic);
    TPixelGraphic& Graphic() { return *FImage->GetPixelGraphic(); }

private:
    TPGImage* FImage;
};

// The always-on-top preview of the result; closing only hides it.
class TPreForm : public QWidget {
    Q_OBJECT
public:
    explicit TPreForm(QWidget* mainForm = nullptr);
    TPGImage* PGImage1;
    void ShowPicture(const TPixelGraphic& picture);
    // While shown: the shown layer's controls stored (tabs 0..2), the
    // result composed and shown here.
    void RefreshResult(TLayerModel& model, int tab, const TLayerControls& shown);
    TNotifyEvent OnActivate;
    TNotifyEvent OnClose;

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
};

// The full-screen view of a picture, closed by any key.
class Tfullscreen : public QDialog {
    Q_OBJECT
public:
    static void Execute(QWidget* mainWindow, const TPixelGraphic& picture);

private:
    Tfullscreen(QWidget* mainWindow, const TPixelGraphic& picture);
    void keyPressEvent(QKeyEvent* event) override;
};

// The notice panel shown while presets are read or a file is parsed.
class TColorPanel : public QLabel {
    Q_OBJECT
public:
    explicit TColorPanel(QWidget* owner = nullptr);
    void SetCaption(const QString& text) { setText(text); }
    void ShowNow();
};

// The splash screen (start-up and "About").
class TSplash : public QDialog {
    Q_OBJECT
public:
    explicit TSplash(QWidget* parent = nullptr);
};

// Makes the picture the desktop's wallpaper (false: nothing was done).
bool SetWallpaper(TPixelGraphic& picture, const std::string& name, bool tiled);

}  // namespace mozaro::interim
