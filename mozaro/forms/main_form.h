#pragma once
// The tile generator's main form: the layer controls on the left (the layer
// page of a notebook, or the post-processing page for "Result"), the large
// view on the right, the tab set of the three layers and the result, the
// main menu and the "Blend Mode" menu. The form only maps its controls to
// and from the layer model; the engines render.
//
// Two locks keep handlers from rendering while the form itself moves
// controls: the interaction lock (start-up, a tab change, a mutation) and
// the loading lock (a record being applied, pasted or loaded).
#include <QMainWindow>
#include <functional>
#include <memory>
#include <string>

#include "artkit/forms/jpeger.h"
#include "artkit/forms/palette_dlg.h"
#include "artkit/forms/preset_dlg.h"
#include "mozaro/LayerModel.h"
#include "mozaro/forms/ColorPanel.h"
#include "mozaro/forms/ThreadedTimer.h"
#include "mozaro/forms/fullscreen.h"
#include "mozaro/forms/preview_form.h"
#include "platform/Random.h"

class QCheckBox;
class QLabel;
class QPushButton;
class QTabBar;
class QWidget;
class TAutoImageComboBox;
class TEdit97;
class TKV_Button;
class TMainMenu;
class TMenuItem;
class TNotebook;
class TPGImage;
class TPGOpenDialog;
class TPGSaveDialog;
class TPopupMenu;
class TRxSlider;

namespace mozaro {

// Tabs of TabSet1: the three layers, then the result.
constexpr int kResultTab = 3;

// The program's texts.
extern const char* const kMainCaption;       // "Mozaro!"
extern const char* const kApplicationTitle;  // "Mozaro !", the message boxes' title
extern const char* const kShallowDisplayMessage;
extern const char* const kParsingFileText;     // "Parsing file... Please be patient :-)"
extern const char* const kReadingPresetsText;  // "Reading presets directory..."
extern const char* const kStripHint;
// The preset folders below the program's folder, in menu order, with their
// menu captions.
struct TPresetFolder {
    const char* Caption;
    const char* Folder;
};
extern const TPresetFolder kPresetFolders[5];

// How the program starts. Tests shorten the waits and pretend a display.
struct TStartOptions {
    int SplashWaitMs = 500;            // each of the two waits of start-up
    std::function<int()> ScreenDepth;  // bits per pixel; the screen's when empty
    bool ShowSplash = true;
};

// What a command asks the user for through a file dialog.
enum TFileRequest { frSaveTile, frSaveJpeg, frLoadParameters, frSaveParameters, frImportPicture };

class Tmain : public QMainWindow, public TPaletteHost {
    Q_OBJECT
public:
    explicit Tmain(const TStartOptions& options = TStartOptions(), QWidget* parent = nullptr);
    ~Tmain() override;

    // The forms made after this one (program start).
    void SetPaletteEditor(Tgradmaker* editor) { FEditor = editor; }
    void SetPresetBrowser(Tpreset_dlg* browser) { FPresets = browser; }
    Tgradmaker* PaletteEditor() const { return FEditor; }
    Tpreset_dlg* PresetBrowser() const { return FPresets; }

    // ---- the palette editor's host ---------------------------------------------
    void PaletteChanged(int target, const TColourTable& table, const std::string& text) override;
    void DrawPaletteStrip(int) override { DrawPaletteStrip(); }
    void RenderPalette(int) override { RenderLayer(); }

    // ---- the work ---------------------------------------------------------------
    // The shown layer's controls into its record, then the layer rendered
    // into its picture and the view; on "Result" the result is shown.
    void RenderLayer();
    // The palette strip in the colours of the cycled palette.
    void DrawPaletteStrip();
    // The shown layer stored, the page taken, the result composed.
    void PostProcessAndCompose();

    // ---- commands: the menu's items call these after their dialogs ------------
    void SaveTile(const std::string& fileName);
    void SaveParameters(const std::string& fileName);
    void LoadParameters(const std::string& fileName);
    void BrowsePresets(int folder);
    void ImportPicture(const std::string& fileName);
    void CopyTileToClipboard();
    void CopyLayerParameters();
    void PasteLayerParameters();
    void MutateLayer();
    void ShowHelp();
    void ZoomIn();
    void ZoomOut();
    // The view's zoom factor, 1/8..8.
    long double Zoom() const;
    // Selects a tab as a click on it would.
    void SelectTab(int tab);

    // ---- state --------------------------------------------------------------------
    TLayerModel& Model() { return FModel; }
    int GetTab() const { return FTab; }
    // Layer renders done (and result views shown) since creation.
    int RenderCount() const { return FRenderCount; }
    bool InteractionLocked() const { return FInteractionLock; }
    bool LoadingLocked() const { return FLoadingLock; }
    // The cell-size picture of the large view.
    TPixelGraphic& ViewPicture();
    TPreForm* PreviewForm() const { return FPreview.get(); }
    bool PreviewShown() const;
    const std::string& LastPaletteText() const { return FLastPaletteText; }
    // Mutations draw from the given generator as it stands; by default from
    // the program's generator seeded from the clock.
    void SetMutationRandom(TRandomGenerator* fixed) { FMutationRandom = fixed; }
    // Asks for a file name (empty: cancelled). The dialogs by default.
    std::function<std::string(TFileRequest)> AskFileName;
    // The folder of the five preset folders: "mozaro" in the program's folder.
    std::string PresetRoot;

    // ---- controls -------------------------------------------------------------------
    QTabBar* TabSet1;
    TNotebook* Notebook1;  // pages "main" (a layer) and "postproc" ("Result")
    TPGImage* pgimage1;    // the large view
    TPGImage* PGImage4;    // the palette strip
    QWidget* StripBox;

    QLabel* AlgorithmLabel;
    TAutoImageComboBox* AutoImageComboBox1;
    QPushButton* ImportButton;
    QLabel *BrightnessLabel, *CycleLabel, *AmplitudeLabel, *Turbulence1Label, *Turbulence2Label, *TwistLabel,
        *SeedLabel;
    TRxSlider* RxSlider3;  // "Brightness:"
    TRxSlider* RxSlider1;  // "Cycle:"
    TRxSlider* RxSlider5;  // "Amplitude:"
    TRxSlider* RxSlider6;  // "Turbulence 1:"
    TRxSlider* RxSlider7;  // "Turbulence 2:"
    TRxSlider* twistslider;
    TEdit97* KV_Edit1;  // "Random Seed:"
    QCheckBox *fliph, *flipv, *cards1, *embossed1, *layeractive;
    TKV_Button* BlendButton;
    TPopupMenu* PopupMenu1;  // "Blend Mode"

    TRxSlider* RxSlider2;  // "Cell Width:"
    TRxSlider* RxSlider4;  // "Cell Height:"
    TEdit97 *CellWidthEdit, *CellHeightEdit;
    QCheckBox* AutoUpdate;
    QPushButton* updatebtn;  // "Update Now [F9]"
    QCheckBox* TiledPreview;
    TKV_Button *ZoomInButton, *ZoomOutButton;
    QLabel* ZoomLabel;

    // The post-processing page.
    TEdit97* MatrixEdits[9];  // edEl1, edel2 .. edel9
    TEdit97 *edHOffset, *edVOffset, *edBIAS, *edAMP;
    QCheckBox* conon;
    TEdit97 *rpedit, *gpedit, *bpedit;
    QCheckBox *forcesymetry, *rgbon;
    TEdit97 *xedit, *yedit;
    QCheckBox *forcesym2, *dispon;
    QPushButton* ApplyButton;

    TColorPanel* ColorPanel1;
    TThreadedTimer* timer1;
    TPGOpenDialog* PGOpenDialog1;   // the picture of "Image File"
    TPGSaveDialog* PGSaveDialog1;   // "&Save Tile"
    TPGSaveDialog* JpegSaveDialog;  // the JPEG saver's result

    TMainMenu* MainMenu1;
    TMenuItem *FileMenu, *BufferMenu, *MutationMenu, *ViewMenu, *HelpMenu;
    TMenuItem *SaveTile1, *SmartJPEGSaver1, *Wallpaper1, *CopyTile1, *BrowsePresets1, *LoadParameters1,
        *SaveParameters1, *Exit1;
    TMenuItem *CopyLayerParameters1, *PasteLayerParameters1;
    TMenuItem *MutateLayer1, *MutationAlgorithm1, *MutationSliders1, *MutationSeed1, *MutationColors1;
    TMenuItem *FullScreen1, *Preview1;
    TMenuItem *Help1, *About1;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildForm();
    void BuildLayerPage(QWidget* page);
    void BuildPostPage(QWidget* page);
    void BuildMenus();
    void ConnectHandlers();
    void StartUp(const TStartOptions& options);

    // Controls <-> values.
    TLayerControls LayerControls() const;
    void SetLayerControls(const TLayerControls& controls);
    TPostProcessSettings PostPage() const;
    void SetPostPage(const TPostProcessSettings& settings);
    void StoreShownLayer();
    void ApplyLayer(int layer);
    void EnableForAlgorithm(int algorithm);
    void EnableLayerControls(bool enabled);
    void ShowInView(const TPixelGraphic& picture);
    void RefreshPreview();
    void ShowNotice(const char* text);
    void ResizeViewToCell();

    // Handlers.
    void SliderReleased(TRxSlider* slider);
    void TwistRightClick();
    void SeedChanged();
    void TimerTick();
    void CheckBoxToggled();
    void AlgorithmChanged(int index);
    void CellSizeChanged();
    void CellEditEnter(TEdit97* edit, TRxSlider* slider);
    void TabChanged(int tab);
    void BlendItemClick(TMenuItem* item);
    void LayerActiveChanged();
    void ApplyClick();
    void StripMouseDown(int button, int x, int y);
    void TogglePreview();
    void ShowFullScreen();
    void SetAsWallpaper(bool tiled);
    void SmartJpegSaver();
    void About();
    void RunFileCommand(TFileRequest request, const std::function<void(const std::string&)>& action);
    std::string DefaultAskFileName(TFileRequest request);
    void SetZoom(long double zoom);

    TLayerModel FModel;
    TColourTable FPalette{};
    std::string FPaletteText = "default";
    std::string FLastPaletteText;
    Tgradmaker* FEditor = nullptr;
    Tpreset_dlg* FPresets = nullptr;
    std::unique_ptr<TPreForm> FPreview;
    TRandomGenerator* FMutationRandom = nullptr;

    int FTab = 0;
    int FBlendTag = 1;
    int FTicks = 0;
    int FRenderCount = 0;
    bool FInteractionLock = true;
    bool FLoadingLock = false;
    bool FCellSizeChanged = false;
    bool FUnlockQueued = false;
};

// The program's forms in creation order: the main form, the palette editor
// ("Palette Editor"), the preset browser ("Presets"). The palette editor's
// first render renders the start tile. Null when the display has fewer than
// 16 bits per pixel: the message has then been shown.
std::unique_ptr<Tmain> CreateForms(const TStartOptions& options = TStartOptions());

}  // namespace mozaro
