#pragma once
// TPGOpenDialog and TPGSaveDialog: the picture file dialogs of both programs.
// Each Execute runs one Qt file dialog (never the platform's own: a portal or
// GTK dialog cannot host extra panels) with a preview panel and an
// information panel beside the file list. The preview is the selected
// picture reduced to fit, read on a worker thread 150 ms after the selection
// last changed, with a small clock while it is on its way; the information
// panel shows format, subformat, size and colours. The filter lists come
// from the reader and writer registries; the save dialog keeps the typed
// name's extension in step with the chosen file type.
//
// Use (a component that lives on its form and runs as often as needed):
//
//     TPGSaveDialog* save = new TPGSaveDialog(this);
//     save->SetFileName("button.png");      // preselects the PNG entry
//     if (save->Execute(this)) graphic.SaveToFile(save->GetFileName());
//
// A form with its own filter ("BMP - Bitmap|*.bmp|...") sets
// UseDefaultFilter off and Filter to it; the extension of an entry then comes
// from the entry's first "*.ext".
//
// The platform dialog's hook, control ids and dialog units have no
// counterpart here; what the user sees is kept. Of the options only
// ofOverwritePrompt, ofFileMustExist and ofAllowMultiSelect change the
// dialog; the others are kept in the set.
#include <QFileDialog>
#include <QObject>
#include <QPointer>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "image/PGDialogFilters.h"
#include "image/PGPreview.h"
#include "platform/Colors.h"

class QEvent;
class QTimer;
class QWidget;

// The standard dialog's options, a set of bits.
enum : uint32_t {
    ofReadOnly = 1u << 0,
    ofOverwritePrompt = 1u << 1,  // ask before replacing a file (save)
    ofHideReadOnly = 1u << 2,
    ofNoChangeDir = 1u << 3,
    ofShowHelp = 1u << 4,
    ofNoValidate = 1u << 5,
    ofAllowMultiSelect = 1u << 6,  // several files (Files)
    ofExtensionDifferent = 1u << 7,
    ofPathMustExist = 1u << 8,
    ofFileMustExist = 1u << 9,  // only existing files (open)
    ofCreatePrompt = 1u << 10,
    ofShareAware = 1u << 11,  // always set
    ofNoReadOnlyReturn = 1u << 12,
    ofNoTestFileCreate = 1u << 13,
    ofNoNetworkButton = 1u << 14,
    ofNoLongNames = 1u << 15,
    ofOldStyleDialog = 1u << 16,
    ofNoDereferenceLinks = 1u << 17,
    ofEnableIncludeNotify = 1u << 18,
    ofEnableSizing = 1u << 19
};
using TOpenOptions = uint32_t;

class TPGOpenDialog : public QObject {
    Q_OBJECT
public:
    // Defaults: Options ofHideReadOnly + ofShareAware, StretchMode smPrecise,
    // UseDefaultFilter on, clock colours clBtnFace / clBtnShadow, clock
    // visible, both palette choices pOptimized252Sys16, ShowInfo on; Filter
    // built from the registry, FilterIndex 1.
    explicit TPGOpenDialog(QObject* AOwner = nullptr);
    ~TPGOpenDialog() override;

    // Runs the dialog modally over parent (nullptr: the active window). True
    // when the user chose: FileName (Files with ofAllowMultiSelect) and
    // FilterIndex then hold the choice. With UseDefaultFilter the filter is
    // built anew from the registry first.
    virtual bool Execute(QWidget* parent = nullptr);

    // ---- the standard dialog's properties ---------------------------------
    // The chosen (or proposed) file; a folder part opens the dialog there.
    const std::string& GetFileName() const { return FFileName; }
    void SetFileName(const std::string& value) { FFileName = value; }
    // Every chosen file (one entry without ofAllowMultiSelect).
    const std::vector<std::string>& GetFiles() const { return FFiles; }
    // "Description|pattern|Description|pattern" (patterns "*.bmp; *.dib").
    const std::string& GetFilter() const { return FFilter; }
    void SetFilter(const std::string& value) { FFilter = value; }
    // 1-based entry of Filter shown first, and the one chosen after Execute.
    int GetFilterIndex() const { return FFilterIndex; }
    void SetFilterIndex(int value) { FFilterIndex = value; }
    // Folder shown first when FileName has no folder part.
    const std::string& GetInitialDir() const { return FInitialDir; }
    void SetInitialDir(const std::string& value) { FInitialDir = value; }
    // Window caption (empty: Qt's "Open" / "Save As").
    const std::string& GetTitle() const { return FTitle; }
    void SetTitle(const std::string& value) { FTitle = value; }
    // Extension without dot given to a chosen name that has none when the
    // chosen entry names no extension itself.
    const std::string& GetDefaultExt() const { return FDefaultExt; }
    void SetDefaultExt(const std::string& value) { FDefaultExt = value; }
    TOpenOptions GetOptions() const { return FOptions; }
    // A set without ofShareAware shows "TPGOpenDialog.Options and
    // TPGSaveDialog.Options must include ofShareAware!" and gets it added.
    void SetOptions(TOpenOptions value);

    // ---- own properties -------------------------------------------------
    TStretchMode GetStretchMode() const { return FStretchMode; }
    void SetStretchMode(TStretchMode value) { FStretchMode = value; }
    bool GetUseDefaultFilter() const { return FUseDefaultFilter; }
    void SetUseDefaultFilter(bool value) { FUseDefaultFilter = value; }
    TColor GetProgressClockBkColor() const { return FProgressClockBkColor; }
    void SetProgressClockBkColor(TColor value) { FProgressClockBkColor = value; }
    TColor GetProgressClockLineColor() const { return FProgressClockLineColor; }
    void SetProgressClockLineColor(TColor value) { FProgressClockLineColor = value; }
    bool GetProgressClockVisible() const { return FProgressClockVisible; }
    void SetProgressClockVisible(bool value) { FProgressClockVisible = value; }
    TPalette8BitSys24BitGraphic GetPalette8BitSys24BitGraphic() const { return FPalette8BitSys24BitGraphic; }
    void SetPalette8BitSys24BitGraphic(TPalette8BitSys24BitGraphic value) { FPalette8BitSys24BitGraphic = value; }
    TPalette8BitSys8BitGraphic GetPalette8BitSys8BitGraphic() const { return FPalette8BitSys8BitGraphic; }
    void SetPalette8BitSys8BitGraphic(TPalette8BitSys8BitGraphic value) { FPalette8BitSys8BitGraphic = value; }
    bool GetShowInfo() const { return FShowInfo; }
    void SetShowInfo(bool value) { FShowInfo = value; }
    bool IsSaveDialog() const { return FIsSaveDialog; }

    // ---- filter entries -------------------------------------------------
    // Lower-case extension of entry index (1-based) from the registry: open
    // dialog, entry 1 is "Image files" (empty) and entry k the (k - 1)-th
    // enabled reader; save dialog, entry k the k-th enabled writer. Empty
    // outside the entries and always when UseDefaultFilter is off.
    virtual std::string GetFilterExtension(int index) const;
    // Enabled readers (open) or writers (save); 0 with UseDefaultFilter off.
    virtual int GetFilterCount() const;
    // The registry's filter text (PGDialogFilters.h).
    virtual std::string BuildFilter() const;
    // The reader (open) or writer (save) registry.
    virtual std::vector<TFileFormatReaderWriter*> GetFormatList() const;
    // The extension a name of entry index takes: GetFilterExtension with
    // UseDefaultFilter, else the first "*.ext" of that entry of Filter
    // (empty for "*" and "*.*").
    std::string GetEntryExtension(int index) const;

    // ---- while Execute runs (nullptr / empty otherwise) -----------------
    QFileDialog* GetDialogWindow() const { return FDialog; }
    QWidget* GetPreviewPanel() const;
    QWidget* GetInfoPanel() const;
    // The picture in the preview panel and the file it was made from.
    const TPixelGraphic* GetPreview() const { return FPreview.get(); }
    const std::string& GetPreviewFileName() const { return FPreviewFileName; }
    bool GetInfoValid() const { return FInfoValid; }
    const TPictureInfo& GetInfo() const { return FInfo; }
    // The file whose preview is due or shown (the current item of the list:
    // with a multiple selection the one selected last).
    const std::string& GetSelectedPath() const { return FSelectedPath; }
    // Stage and percent of the preview on its way, for the clock.
    int GetProgressStage() const { return FProgressStage; }
    int GetProgressPercent() const { return FProgressPercent; }

    // Panel painting (called by the panels).
    void PaintPreviewPanel(QWidget* panel);
    void PaintInfoPanel(QWidget* panel);

protected:
    bool event(QEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

    // Runs the Qt dialog; the save dialog adds its rules around it.
    bool RunDialog(QWidget* parent);

    // The extension the entry gives a chosen name without one: the entry's
    // own, else DefaultExt.
    std::string ChosenExtension(int index) const;

    bool FIsSaveDialog = false;

private:
    void BuildPanels();
    void PlaceDialog();
    void SelectionChanged(const QString& path);
    void TypeChanged(const QString& nameFilter);
    void StartPreview();
    void StopThread();
    void DropPreview();
    // Stops the timer and the worker and forgets the preview, the
    // information and whatever the worker still sends.
    void CancelPreview();
    void DialogClosed();
    int CurrentFilterIndex() const;

    std::string FFileName;
    std::vector<std::string> FFiles;
    std::string FFilter;
    int FFilterIndex = 1;
    std::string FInitialDir;
    std::string FTitle;
    std::string FDefaultExt;
    TOpenOptions FOptions = ofHideReadOnly | ofShareAware;

    TStretchMode FStretchMode = smPrecise;
    bool FUseDefaultFilter = true;
    TColor FProgressClockBkColor = clBtnFace;
    TColor FProgressClockLineColor = clBtnShadow;
    bool FProgressClockVisible = true;
    TPalette8BitSys24BitGraphic FPalette8BitSys24BitGraphic = pOptimized252Sys16;
    TPalette8BitSys8BitGraphic FPalette8BitSys8BitGraphic = pOptimized252Sys16;
    bool FShowInfo = true;

    QPointer<QFileDialog> FDialog;
    QPointer<QWidget> FPreviewPanel;
    QPointer<QWidget> FInfoPanel;
    std::unique_ptr<TPixelGraphic> FPreview;
    std::string FPreviewFileName;
    std::unique_ptr<TCreateOpenSaveDialogPaintPGThread> FThread;
    // Number of the preview whose result is awaited; a posted result or
    // progress of any other number is stale and freed unread.
    uint64_t FGeneration = 0;
    bool FInfoValid = false;
    TPictureInfo FInfo;
    std::string FSelectedPath;
    QTimer* FTimer = nullptr;
    bool FClockShown = false;
    int FProgressStage = 1;
    int FProgressPercent = 0;
};

class TPGSaveDialog : public TPGOpenDialog {
    Q_OBJECT
public:
    explicit TPGSaveDialog(QObject* AOwner = nullptr);

    // Preselects the entry of FileName's extension (any case); after OK a
    // name without extension gets the chosen entry's.
    bool Execute(QWidget* parent = nullptr) override;

    std::string GetFilterExtension(int index) const override;
    int GetFilterCount() const override;
    std::string BuildFilter() const override;
    std::vector<TFileFormatReaderWriter*> GetFormatList() const override;
};
