#pragma once
// Plain stand-ins for the parts of the main form that are still being made
// elsewhere: the palette editor, the preset browser, the JPEG saver, the
// picture dialogs, the threaded timer, the colour panel, the preview and
// full-screen windows, the wallpaper and the splash screen. Each offers the
// few calls the main form makes, so the form runs and is tested now; each is
// replaced by the real part as it arrives.
#include <QDialog>
#include <QLabel>
#include <QString>
#include <functional>
#include <memory>
#include <string>

#include "glimmo/PaletteText.h"
#include "image/PGImage.h"
#include "platform/Menus.h"
#include "platform/Random.h"
#include "widgets/kv_timer.h"

class TPixelGraphic;

// What the palette editor asks of its program's main form (target 0: the
// tile generator's one palette).
class TPaletteHost {
public:
    virtual ~TPaletteHost() = default;
    virtual void PaletteChanged(int target, const TColourTable& table, const std::string& text) = 0;
    virtual void DrawPaletteStrip(int target) = 0;
    virtual void RenderPalette(int target) = 0;
};

namespace mozaro::interim {

// The debounce timer of the seed edit.
using TThreadedTimer = TKV_Timer;

// The palette editor: palette text in and out, a preset menu, a modal form.
// Its creation expands the default palette and has the host draw the strip
// and render once.
class Tgradmaker : public QDialog {
    Q_OBJECT
public:
    explicit Tgradmaker(TPaletteHost& host, QWidget* parent = nullptr);
    void ParseGradientText(const std::string& text);
    std::string GetGradientText() const { return FText; }
    void render();
    void defaultgrad(const std::string& text);
    void Randomize();
    TRandomGenerator& RandomGenerator() { return FRandom; }
    TPopupMenu* PopupMenu1;

private:
    TPaletteHost& FHost;
    std::string FText = "default";
    bool FFirstRender = true;
    TRandomGenerator FRandom;
    QLabel* FTextLabel;
};

// The preset browser: thumbnails of a folder's ".mzo" files.
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

// The Smart JPEG Saver: shows the picture; OK sets the JPEG quality.
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
    explicit TPreForm(QWidget* parent = nullptr);
    TPGImage* PGImage1;
    std::function<void()> OnActivate;

protected:
    bool event(QEvent* event) override;
};

// The full-screen view of a picture, closed by any key.
class Tfullscreen : public QDialog {
    Q_OBJECT
public:
    explicit Tfullscreen(const TPixelGraphic& picture, QWidget* parent = nullptr);

protected:
    void keyPressEvent(QKeyEvent* event) override;
};

// The notice panel shown while presets are read or a file is parsed.
class TColorPanel : public QLabel {
    Q_OBJECT
public:
    explicit TColorPanel(QWidget* parent = nullptr);
    void SetCaption(const QString& text) { setText(text); }
    QString GetCaption() const { return text(); }
};

// The splash screen (start-up and "About").
class TSplash : public QDialog {
    Q_OBJECT
public:
    explicit TSplash(QWidget* parent = nullptr);
};

// The picture dialogs: a file name, or empty when cancelled.
std::string OpenPictureFileName(QWidget* parent);
std::string SavePictureFileName(QWidget* parent);

// Makes the picture the desktop's wallpaper.
void SetWallpaper(TPixelGraphic& picture, const std::string& name, bool tiled);

}  // namespace mozaro::interim
