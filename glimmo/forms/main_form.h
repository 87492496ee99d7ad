#pragma once
// The button designer's main form "Glimmo !": the preview, the settings
// panel, the fill and caption pages, the menus and the commands. The form
// only maps its controls to and from the renderer's design and calls the
// engine; every control change ends in a refresh, directly or through the
// debounce timer.
#include <QMainWindow>
#include <QPointer>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "artkit/forms/palette_dlg.h"
#include "glimmo/ButtonDesign.h"
#include "glimmo/ButtonFile.h"
#include "glimmo/ButtonRenderer.h"
#include "platform/Colors.h"
#include "platform/Controls.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QPlainTextEdit;
class QRadioButton;
class QShortcut;
class TAutoSpinImage;
class TFontComboBox;
class TImageList;
class TKV_Button;
class TKV_GradientButton;
class TKV_ImageButton;
class TKV_Timer;
class TKV_basebutton;
class TMainMenu;
class TMenuItem;
class TNotebook;
class TNvOS8Checkbox;
class TPGImage;
class TPopupMenu;
class TPopupMenus97;
class TRxSlider;
class TRxSpinEdit;
class TPGOpenDialog;
class Tpreset_dlg;
class TPGSaveDialog;
class TShape;

namespace artkit {
class Tsplashscreen;
}

namespace glimmo {

using artkit::Tsplashscreen;

// The file dialogs of the form.
enum TFileDialogKind {
    fdOpenParameters,  // "Glimworks Files", must exist
    fdSaveParameters,  // "Glimworks Files", overwrite prompt
    fdOpenBitmap,      // the picture readers
    fdExport,          // the eight export types
    fdSaveJpeg         // the Smart JPEG Saver's result
};

// Filter of the export dialog, one entry per writable type.
extern const char* const ExportFilter;

class Tmain : public QMainWindow, public TPaletteHost {
    Q_OBJECT
public:
    explicit Tmain(QWidget* parent = nullptr);
    ~Tmain() override;

    // How long the splash screen stays at start-up (tests shorten it).
    static int SplashMilliseconds;

    TButtonRenderer& Renderer() { return FRenderer; }
    TButtonFormState& FormState() { return FFormState; }
    bool Loading() const { return FLoading; }
    // The folder that holds bin/ and the preset folder "glimmo/".
    const std::string& ProgramFolder() const { return FProgramFolder; }
    std::string PresetFolder() const;
    // The splash screen while it is up at start-up (nullptr afterwards).
    Tsplashscreen* StartupSplash() const { return FSplash.get(); }

    // Reads a parameter file into the form; a damaged one shows its message
    // and changes nothing (false).
    bool LoadParametersFile(const std::string& fileName);
    // Writes the current design; failures show their message (false).
    bool SaveParametersFile(const std::string& fileName);
    // Saves the preview by the extension of fileName (JPEG at quality 80).
    bool ExportButton(const std::string& fileName);
    // The palette editor the "Edit Palette" buttons show (created after the
    // form, with the form as its host).
    void SetPaletteEditor(Tgradmaker* editor) { FPaletteEditor = editor; }
    // The preset browser "Browse Presets" shows (created after the editor).
    void SetPresetBrowser(Tpreset_dlg* browser) { FPresetBrowser = browser; }

    // TPaletteHost: the editor's palette text becomes the design's plasma
    // (target 0) or gradient (1) palette text; the strips and pictures
    // follow on request.
    void PaletteChanged(int target, const TColourTable& table, const std::string& text) override;
    void DrawPaletteStrip(int target) override;
    void RenderPalette(int target) override;

    // ---- handlers ----------------------------------------------------------------
    void FormKeyDown(int key);
    void Shape1MouseDown(TShape* sender);
    void Shape5MouseDown();
    void RadioButton1Click(QRadioButton* sender);
    void CheckBox1Click();
    void NvOS8Checkbox1Click();
    void updatebtnClick();
    void KV_GradientButton5Click();
    void RxSlider3Change(TRxSlider* sender);
    void RxSlider3ThumbUp();
    void RxSlider8Change();
    void RxSlider1Change();
    void RxSlider1ThumbUp();
    void RxSlider2Change();
    void RxSlider2ThumbUp();
    void RxSlider7Change();
    void RxSlider7ThumbUp();
    void RxSlider5Change();
    void BitmapPlacementClick();
    void TargetRectChange(TRxSpinEdit* sender);
    void RxSpinEdit1Change(TRxSpinEdit* sender);
    void Memo1Change();
    void pgimage1PixelGraphicChange();
    void Triangle1Click(TKV_Button* sender);
    void Solid1Click();
    void Smooth1Click();
    void Gradient1Click();
    void Off1Click(TMenuItem* sender);
    void Blank1Click();
    void Plasma1Click();
    void Bitmap1Click();
    void Gradient2Click();
    void Font1Click();
    void Text1Click();
    void KV_Button10Click();
    void KV_Button5Click();
    void KV_Button4Click();
    void KV_Button6Click();
    void KV_Button7Click();
    void KV_Button8Click();
    void CheckBox2Click();
    void SpinImage1Click();
    void Aquarell1Click(TMenuItem* sender);
    void SpinImage1Change();
    void gradchoose(TKV_Button* sender);
    void KV_Button33Click();
    void KV_Button11Click();
    void KV_Button9Click();
    void italicClick(TKV_ImageButton* sender);
    void vbottomClick(TKV_Button* sender);
    void FontBoxChange();
    void RxSlider9Change();
    void RxSlider10Change();
    void insideClick();
    void KV_Timer1Timer();
    void zoominClick();
    void zoomout();
    void SaveParameters1Click();
    void LoadParameters2Click();
    void BrowsePresets1Click();
    void Exportsinglebutton1Click();
    void batchr();
    void SmartJPEGSaver1Click();
    void Help2Click();
    void About1Click();
    void Exit1Click();

    // ---- controls ----------------------------------------------------------------
    // Preview and zoom.
    TPGImage* pgimage1;
    TKV_Button* zoomin;
    TKV_Button* zoomoutbtn;
    QLabel* zoomlabel;
    TKV_GradientButton* KV_GradientButton5;  // "Update now"
    // Shapes: Rectangle1 .. triangle4 in the order of their codes' table.
    TKV_Button* Rectangle1;
    TKV_Button* Square1;
    TKV_Button* Circle1;
    TKV_Button* Oval1;
    TKV_Button* RoundRect1;
    TKV_Button* diamond1;
    TKV_Button* Triangle1;
    TKV_Button* triangle3;
    TKV_Button* Triangle2;
    TKV_Button* triangle4;
    // Settings panel; each slider's label has the slider's number.
    TRxSlider* RxSlider3;
    TRxSlider* RxSlider4;
    TRxSlider* RxSlider8;
    TRxSlider* RxSlider1;
    TRxSlider* RxSlider2;
    TRxSlider* RxSlider7;
    QLabel* Label3;
    QLabel* Label4;
    QLabel* Label8;
    QLabel* Label1;
    QLabel* Label2;
    QLabel* Label7;
    TShape* Shape1;
    TShape* Shape4;
    TShape* Shape3;
    TShape* Shape2;
    TShape* Shape7;
    QGroupBox* GroupBox1;  // "Lightning:"
    QRadioButton* RadioButton1;
    QRadioButton* RadioButton2;
    QRadioButton* RadioButton3;
    QRadioButton* RadioButton6;
    QRadioButton* RadioButton4;
    QRadioButton* RadioButton9;
    QRadioButton* RadioButton8;
    QRadioButton* RadioButton7;
    QCheckBox* double1;
    TNvOS8Checkbox* NvOS8Checkbox1;
    TKV_Button* updatebtn;
    // The drop-down buttons and their menus.
    TKV_GradientButton* BevelStyleButton;
    TKV_GradientButton* FillStyleButton;
    TKV_GradientButton* CaptionButton;
    TKV_GradientButton* AntiAliasingButton;
    TPopupMenu* PopupMenu1;  // bevel style
    TPopupMenu* PopupMenu2;  // fill style
    TPopupMenu* PopupMenu3;  // caption pages
    TPopupMenu* PopupMenu4;  // anti-aliasing
    TPopupMenu* PopupMenu5;  // plasma style
    TPopupMenus97* PopupMenus971;
    TPopupMenus97* PopupMenus972;
    TPopupMenus97* PopupMenus973;
    TPopupMenus97* PopupMenus974;
    TPopupMenus97* PopupMenus975;
    TMenuItem* Solid1;
    TMenuItem* Smooth1;
    TMenuItem* Gradient1;
    TMenuItem* Blank1;
    TMenuItem* Bitmap1;
    TMenuItem* Plasma1;
    TMenuItem* Gradient2;
    TMenuItem* Font1;
    TMenuItem* Text1;
    TMenuItem* Off1;
    TMenuItem* Low1;
    TMenuItem* High1;
    TMenuItem* Clouds1;
    TMenuItem* Wood1;
    TMenuItem* Marble1;
    TMenuItem* Aquarell1;
    TMenuItem* BumpySurface1;
    TImageList* PlasmaStyleImages;
    // Pages.
    TNotebook* Notebook1;
    // "bitmap"
    TPGImage* PGImage2;
    TKV_Button* KV_Button10;  // "Open"
    TKV_Button* KV_Button5;   // "Assign"
    TKV_Button* KV_Button4;   // "Clear"
    QRadioButton* stretch1;
    QRadioButton* original1;
    QRadioButton* targetrect1;
    TRxSpinEdit* left1;
    TRxSpinEdit* top1;
    TRxSpinEdit* right1;
    TRxSpinEdit* bottom1;
    // "plasma"
    TPGImage* PGImage3;
    TPGImage* PGImage4;
    TRxSlider* RxSlider5;
    TRxSlider* RxSlider6;
    QCheckBox* CheckBox2;
    TAutoSpinImage* SpinImage1;
    TKV_Button* KV_Button6;  // "Re-Render"
    TKV_Button* KV_Button7;  // "Assign"
    TKV_Button* KV_Button8;  // "Edit Palette"
    // "gradient"
    TPGImage* PGImage6;
    TPGImage* PGImage5;
    TKV_Button* linear1;
    TKV_Button* linear2;
    TKV_Button* radial1;
    TKV_Button* rectangular1;
    TKV_Button* KV_Button33;  // "Assign"
    TKV_Button* KV_Button11;  // "Edit Palette"
    // "Blank"
    TShape* Shape5;
    TKV_Button* KV_Button9;  // "Assign"
    // "text"
    TFontComboBox* FontBox;
    TRxSlider* RxSlider9;
    TKV_ImageButton* italic;
    TKV_ImageButton* underlined;
    TKV_ImageButton* bold;
    TKV_ImageButton* glow1;
    QCheckBox* inside;
    TShape* Shape6;
    TShape* Shape8;
    TRxSlider* RxSlider10;
    QLabel* Label10;
    TKV_Button* vbottom;
    TKV_Button* vcenter;
    TKV_Button* vtop;
    TKV_Button* alignL;
    TKV_Button* alignC;
    TKV_Button* alignR;
    TRxSpinEdit* RxSpinEdit1;
    TRxSpinEdit* RxSpinEdit2;
    // "text2"
    QPlainTextEdit* Memo1;
    // Menu, timer, F9.
    TMainMenu* MainMenu1;
    TMenuItem* File1;
    TMenuItem* BrowsePresets1;
    TMenuItem* LoadParameters2;
    TMenuItem* SaveParameters1;
    TMenuItem* Exportsinglebutton1;
    TMenuItem* BatchRender1;
    TMenuItem* SmartJPEGSaver1;
    TMenuItem* Exit1;
    TMenuItem* Help1;
    TMenuItem* Help2;
    TMenuItem* About1;
    TKV_Timer* KV_Timer1;
    // The picture dialogs: the bitmap fill's and the export's.
    TPGOpenDialog* PGOpenDialog1;
    TPGSaveDialog* PGSaveDialog1;

    // The debounce counter of KV_Timer1.
    int TimerTicks() const { return FTicks; }

protected:
    // The modal steps of the commands; each returns false when the user
    // cancels. Tests replace them.
    virtual bool ExecuteFileDialog(TFileDialogKind kind, std::string& fileName, int& filterIndex);
    virtual bool ExecuteColorDialog(TColor& color);
    // Shows the palette editor on paletteText for target; true with the
    // editor's text when it closed with OK.
    virtual bool ExecutePaletteEditor(int target, std::string& paletteText);
    // Shows the preset browser on folder; true with the chosen file.
    virtual bool ExecutePresetBrowser(const std::string& folder, std::string& chosen);
    // Shows the Smart JPEG Saver on picture; true with the encoded bytes.
    virtual bool ExecuteJpegSaver(const TPixelGraphic& picture, std::vector<uint8_t>& jpegBytes);
    virtual void ShowAboutBox();

    void closeEvent(QCloseEvent* event) override;
    // The form's key preview: F9 pressed in any of its controls.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildForm();
    QWidget* BuildPreviewPanel();
    QWidget* BuildSettingsPanel();
    void BuildPages();
    void BuildMenus();
    void ConnectHandlers();
    void FormCreate();

    // RefreshButton: force renders whatever "Auto-Update" says.
    void Refresh(bool force);
    // The end of a slider's change: a key step or a click on the track
    // renders at once, a drag when the thumb is released.
    void SliderChanged(TRxSlider* slider);
    // Handlers do nothing while the form is loading or shows the design.
    bool Quiet() const { return FLoading || FShowingDesign; }
    // Sets every control from the renderer's design and form state (the
    // handlers do nothing meanwhile), then every label from the design.
    void DesignToControls();
    // The labels that show a setting, each drawn from the design.
    void UpdateLabel(QLabel* label);
    void UpdateLabels();
    // The sizes after a change of either slider (the shape may keep them
    // equal); both sliders show the design's sizes.
    void SizeChange(bool widthMoved);
    void SetBevelWidthMaximum();
    // The preview's zoom factor, the way it is drawn at it, and the label.
    void SetZoom(long double zoom);
    void PaintStrip(int target);
    void ShowPage(const char* name);
    TKV_Button* ShapeButton(int code) const;
    int PressedShape() const;
    void FillFromCopy(const TPixelGraphic& source, int fillMode);
    // Runs command; an exception shows its message and gives false.
    bool RunGuarded(const std::function<void()>& command);
    // As RunGuarded for a command that writes fileName; a folder that does
    // not exist is reported without running it.
    bool RunSave(const std::string& fileName, const std::function<void()>& command);
    void AttachPictures();

    TButtonRenderer FRenderer;
    TButtonFormState FFormState;
    bool FLoading = false;
    bool FShowingDesign = false;
    int FTicks = 0;
    std::string FProgramFolder;
    std::unique_ptr<TPixelGraphic> FStrip1, FStrip2;
    std::unique_ptr<Tsplashscreen> FSplash;
    Tgradmaker* FPaletteEditor = nullptr;
    Tpreset_dlg* FPresetBrowser = nullptr;
    std::string FParameterFileName;
    // F9 is down (pressed in the form, not released since), and the time
    // of its last release.
    bool FF9Down = false;
    uint64_t FF9ReleasedAt = 0;
};

}  // namespace glimmo
