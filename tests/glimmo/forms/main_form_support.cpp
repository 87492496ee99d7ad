#include "glimmo/forms/main_form_support.h"

#include <QApplication>
#include <QMouseEvent>
#include <QTest>

#include "image/PGFormats.h"
#include "image/PGraphic.h"
#include "widgets/RxSlider.h"

namespace gwtest {

namespace {
// The program's start-up, once per test program; the splash screen goes at once.
bool StartUp() {
    InitPixelGraphicLibrary();
    glimmo::Tmain::SplashMilliseconds = 0;
    return true;
}
}  // namespace

TTestMain::TTestMain(bool withEditor) {
    static const bool started = StartUp();
    (void)started;
    if (withEditor) {
        FEditor = std::make_unique<Tgradmaker>(*this, pevButtonDesigner);
        SetPaletteEditor(FEditor.get());
    }
}

TTestMain::~TTestMain() { SetPaletteEditor(nullptr); }

bool TTestMain::ExecuteFileDialog(glimmo::TFileDialogKind kind, std::string& fileName, int& filterIndex) {
    FileDialogs.push_back(kind);
    if (RealFileDialogs) return Tmain::ExecuteFileDialog(kind, fileName, filterIndex);
    if (!FileOk) return false;
    fileName = FileName;
    filterIndex = FilterIndex;
    return true;
}

bool TTestMain::ExecuteColorDialog(TColor& color) {
    ++ColorDialogs;
    if (ColorOk) color = Color;
    return ColorOk;
}

bool TTestMain::ExecutePaletteEditor(int target, std::string& paletteText) {
    PaletteEditors.push_back(target);
    if (RealDialogs) return Tmain::ExecutePaletteEditor(target, paletteText);
    paletteText = PaletteText;
    return true;
}

bool TTestMain::ExecutePresetBrowser(const std::string& folder, std::string& chosen) {
    PresetFolderShown = folder;
    if (RealDialogs) return Tmain::ExecutePresetBrowser(folder, chosen);
    chosen = ChosenPreset;
    return !chosen.empty();
}

bool TTestMain::ExecuteJpegSaver(const TPixelGraphic& picture, std::vector<uint8_t>& jpegBytes) {
    SaverWidth = picture.GetWidth();
    SaverHeight = picture.GetHeight();
    if (RealDialogs) return Tmain::ExecuteJpegSaver(picture, jpegBytes);
    jpegBytes = SaverBytes;
    return SaverOk;
}

TMessageRecorder::TMessageRecorder() {
    FOld = SetMessageBoxHandler([this](const TMessageBoxRequest& r) {
        Boxes.push_back(r);
        return static_cast<int>(mrOk);
    });
}

TMessageRecorder::~TMessageRecorder() { SetMessageBoxHandler(FOld); }

void ClickControl(QWidget* control) {
    QTest::mouseClick(control, Qt::LeftButton, Qt::NoModifier, QPoint(control->width() / 2, control->height() / 2));
}

void ReleaseThumb(TRxSlider* slider) {
    QTest::mousePress(slider->Thumb(), Qt::LeftButton, Qt::NoModifier, QPoint(2, 2));
    QTest::mouseRelease(slider->Thumb(), Qt::LeftButton, Qt::NoModifier, QPoint(2, 2));
}

void DragSlider(TRxSlider* slider, int value) {
    slider->SetValue(value);
    ReleaseThumb(slider);
}

void ReleaseThumbWhereItIs(TRxSlider* slider) {
    // No move back to the press point comes first.
    const QPointF at(2, 2);
    QMouseEvent release(QEvent::MouseButtonRelease, at, slider->Thumb()->mapToGlobal(at), Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(slider->Thumb(), &release);
}

}  // namespace gwtest
