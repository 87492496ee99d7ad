#pragma once
// A main form whose modal steps answer from the test, a message-box
// recorder, and small drivers of the form's controls.
#include <QPoint>
#include <memory>
#include <string>
#include <vector>

#include "glimmo/forms/main_form.h"
#include "platform/MessageBox.h"

class TGraphicControl;
class TRxSlider;

namespace gwtest {

class TTestMain : public glimmo::Tmain {
public:
    // With editor, the palette editor is created after the form as the
    // program does (both strips painted, the first plasma grown).
    explicit TTestMain(bool withEditor = false);
    ~TTestMain() override;
    Tgradmaker* Editor() const { return FEditor.get(); }

    // When set, the form's own palette-editor, preset-browser and JPEG
    // saver steps run (the real dialogs, driven by the test) instead of
    // the answers below; RealFileDialogs likewise for the file dialogs.
    bool RealDialogs = false;
    bool RealFileDialogs = false;

    // File dialogs: every request is recorded; the answer is FileName and
    // FilterIndex, or Cancel when FileOk is false.
    std::vector<glimmo::TFileDialogKind> FileDialogs;
    std::string FileName;
    int FilterIndex = 1;
    bool FileOk = true;
    // Colour dialog: OK with Color unless ColorOk is false.
    int ColorDialogs = 0;
    TColor Color = clRed;
    bool ColorOk = true;
    // Palette editor: OK with PaletteText.
    std::vector<int> PaletteEditors;
    std::string PaletteText;
    // Preset browser: the file chosen ("" = closed without choice).
    std::string ChosenPreset;
    std::string PresetFolderShown;
    // Smart JPEG Saver: OK with these bytes unless SaverOk is false.
    bool SaverOk = true;
    std::vector<uint8_t> SaverBytes{0xFF, 0xD8, 0xFF, 0xD9};
    int SaverWidth = 0, SaverHeight = 0;

    uint64_t Renders() { return Renderer().RenderCount(); }

protected:
    bool ExecuteFileDialog(glimmo::TFileDialogKind kind, std::string& fileName, int& filterIndex) override;
    bool ExecuteColorDialog(TColor& color) override;
    bool ExecutePaletteEditor(int target, std::string& paletteText) override;
    bool ExecutePresetBrowser(const std::string& folder, std::string& chosen) override;
    bool ExecuteJpegSaver(const TPixelGraphic& picture, std::vector<uint8_t>& jpegBytes) override;

private:
    std::unique_ptr<Tgradmaker> FEditor;
};

// Records every message box (answering OK) while it lives.
class TMessageRecorder {
public:
    TMessageRecorder();
    ~TMessageRecorder();
    std::vector<TMessageBoxRequest> Boxes;

private:
    TMessageBoxHandler FOld;
};

// A left click in the middle of a control, as the mouse gives it.
void ClickControl(QWidget* control);
// Presses and releases a slider's thumb where it is (its "thumb up").
void ReleaseThumb(TRxSlider* slider);
// Sets a slider's value (a change of its own), then presses and releases
// its thumb.
void DragSlider(TRxSlider* slider, int value);
// Releases a pressed thumb where it is now.
void ReleaseThumbWhereItIs(TRxSlider* slider);

}  // namespace gwtest
