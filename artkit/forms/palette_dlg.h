#pragma once
// The "Palette Editor": fifteen spin edits hold the five colour stops of a
// gradient palette (red, green, blue per stop); every change expands them
// into the program's colour table and repaints the editor's strip. A preset
// menu applies built-in palettes and, in the button designer, the user's
// saved gradients. Both programs use this one class:
//
//   Button designer: two tables (plasma, gradient), chosen by SetTarget.
//     Created after the main form; creation fills both tables with the
//     default palette, has the host repaint each strip and render the
//     plasma and the gradient fill, and lists the saved gradients.
//   Tile generator: one table. Created once the main form is complete; its
//     first expansion has the host draw the strip and render the layer once.
//     Choosing a preset redraws the strip and renders at once. Reads and
//     writes no settings.
//
// Use from a main form: SetTarget (button designer), ParseGradientText with
// the stored palette text, exec() (always 1, however it is closed), then
// repaint, render and store GetGradientText().
#include <QDialog>
#include <QString>
#include <array>
#include <map>
#include <string>

#include "artkit/PaletteText.h"
#include "platform/Random.h"

class QLabel;
class TKV_GradientButton;
class TMenuItem;
class TNvOS8Checkbox;
class TPopupMenu;
class TRxLabel;
class TRxSpinEdit;
class Tinputdlg;

// What the editor asks of its program's main form. Targets: 0 the plasma
// palette (the tile generator's only one), 1 the gradient palette.
class TPaletteHost {
public:
    virtual ~TPaletteHost() = default;
    // The editor expanded its stops for target: the 257-entry table and the
    // palette text it comes from. The button designer keeps the text as the
    // design's plasma or gradient palette text; the tile generator copies
    // the table into its palette.
    virtual void PaletteChanged(int target, const TColourTable& table, const std::string& text) = 0;
    // Redraw the main form's strip of target.
    virtual void DrawPaletteStrip(int target) = 0;
    // Render what target colours: the plasma (0) or the gradient fill (1);
    // in the tile generator the current layer.
    virtual void RenderPalette(int target) = 0;
};

enum TPaletteEditorVariant { pevButtonDesigner, pevTileGenerator };

class Tgradmaker : public QDialog {
    Q_OBJECT
public:
    static constexpr int tgPlasma = 0;
    static constexpr int tgGradient = 1;

    // Builds the form and runs the variant's creation (see above); host
    // must outlive the editor.
    Tgradmaker(TPaletteHost& host, TPaletteEditorVariant variant, QWidget* parent = nullptr);
    ~Tgradmaker() override;

    TPaletteEditorVariant Variant() const { return FVariant; }
    int GetTarget() const { return FTarget; }
    void SetTarget(int target) { FTarget = target; }

    // Loads a palette text ("default" included) into the spin edits without
    // intermediate renders, then renders once. A field that is no integer
    // raises EConvertError and changes nothing.
    void ParseGradientText(const std::string& text);
    // The palette text of the spin edits.
    std::string GetGradientText() const;
    // Applies "Cycled", expands the stops into the target's table (host) and
    // repaints the strip.
    void render();
    // Applies a built-in preset (in the tile generator also redraws the
    // main form's strip and renders).
    void defaultgrad(const std::string& text);
    // Applies the user gradient behind a "User Defined" item; a stored text
    // that does not read is reported and changes nothing.
    void loadgrad(TMenuItem* item);
    // "Randomize": every component from the editor's own generator.
    void Randomize();
    // "Reset": every component 1 (colour 0).
    void Reset();
    // "Save current": asks for a name and saves the palette under it.
    void SaveCurrent();
    // Rebuilds the "User Defined" items from the settings file.
    void RebuildUserGradients();

    // Component n (1..15) of the stops.
    int Component(int n) const;
    TRxSpinEdit* SpinEdit(int n) const { return FSpinEdits[n - 1]; }
    // The saved name behind a "User Defined" item ("" for other items).
    std::string UserGradientName(TMenuItem* item) const;
    TMenuItem* UserDefinedItem() const { return FUserDefined; }
    const std::string& LastSavedName() const { return FLastSavedName; }
    // The generator Randomize draws from (tests seed it).
    TRandomGenerator& RandomGenerator() { return FRandom; }

    // Every close gives 1.
    void done(int result) override;

    // ---- controls -------------------------------------------------------
    QLabel* Image1;  // the palette strip, 256 x 20
    TRxLabel* Label17;
    TRxLabel* RxLabel1;
    TRxLabel* RxLabel2;
    TNvOS8Checkbox* checkbox1;           // "Cycled"
    TKV_GradientButton* RxSpeedButton3;  // "Reset"
    TKV_GradientButton* RxSpeedButton1;  // "Randomize"
    TKV_GradientButton* RxSpeedButton2;  // "Presets..."
    // The preset menu; the tile generator pops it up from its own strip.
    TPopupMenu* PopupMenu1;
    Tinputdlg* inputdlg1;

private:
    void BuildForm();
    void BuildButtonDesignerMenu();
    void BuildTileGeneratorMenu();
    TMenuItem* AddMenuItem(TMenuItem* parent, const QString& caption, const char* paletteText = nullptr);
    void AddUserGradientItem(const std::string& name);
    void CheckBox1Click();
    // Sets the spin edits to stops; each change renders unless a flag says no.
    void LoadStops(const TPaletteStops& stops);
    void CopyStop1ToStop5();
    void DrawStrip(const TColourTable& table);

    TPaletteHost& FHost;
    TPaletteEditorVariant FVariant;
    int FTarget = tgPlasma;
    std::array<TRxSpinEdit*, PaletteComponentCount> FSpinEdits{};
    bool FParsing = false;
    bool FBatch = false;
    bool FDetached = false;  // spin-edit changes do not render
    bool FFirstRender = false;
    std::string FLastSavedName;
    TRandomGenerator FRandom;
    TMenuItem* FUserDefined = nullptr;
    std::map<TMenuItem*, std::string> FUserGradientNames;
};
