#include "image/forms/PGDialogs.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QGridLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QPainter>
#include <QScreen>
#include <QSplitter>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>
#include <algorithm>

#include "image/PGImage.h"
#include "platform/Application.h"
#include "platform/DrawText.h"
#include "platform/MessageBox.h"
#include "platform/Paint.h"
#include "platform/Streams.h"

// ---- panels ----------------------------------------------------------------------------
// Two passive panels painted by the dialog component.

class TPGDialogPreviewPanel : public QWidget {
public:
    TPGDialogPreviewPanel(TPGOpenDialog* owner, QWidget* parent) : QWidget(parent), FOwner(owner) {
        setObjectName(QStringLiteral("PreviewPanel"));
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

protected:
    void paintEvent(QPaintEvent*) override { FOwner->PaintPreviewPanel(this); }

private:
    TPGOpenDialog* FOwner;
};

class TPGDialogInfoPanel : public QWidget {
public:
    TPGDialogInfoPanel(TPGOpenDialog* owner, QWidget* parent) : QWidget(parent), FOwner(owner) {
        setObjectName(QStringLiteral("InfoPanel"));
    }

protected:
    void paintEvent(QPaintEvent*) override { FOwner->PaintInfoPanel(this); }

private:
    TPGOpenDialog* FOwner;
};

namespace {

constexpr int kPreviewDelay = 150;  // ms of rest before a preview starts
constexpr int kClockSize = 15;

// Dialog units of a font, as the panels were laid out in: a quarter of the
// average character width across, an eighth of the character height down.
QSize DialogUnits(const QFont& font, int x, int y) {
    const QFontMetrics fm(font);
    const int chars = fm.horizontalAdvance(QStringLiteral("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ"));
    const int average = (chars / 26 + 1) / 2;
    return QSize(x * average / 4, y * fm.height() / 8);
}

// The information font: the library's face (fontconfig substitutes it). The
// face is a raster font whose smallest cell is that of the dialog's own
// text, so a smaller height asked for gets the dialog's size.
QFont InfoFont(const QFont& dialogFont) {
    QFont f(QString::fromStdString(PreviewInfoFont.FaceName));
    f.setWeight(PreviewInfoFont.Weight >= 600 ? QFont::Bold : QFont::Normal);
    f.setItalic(PreviewInfoFont.Italic);
    f.setUnderline(PreviewInfoFont.Underline);
    f.setStrikeOut(PreviewInfoFont.StrikeOut);
    const int dialogCell = QFontMetrics(dialogFont).height();
    const int cell = std::max(std::abs(PreviewInfoFont.Height), dialogCell);
    f.setPixelSize(std::max(1, cell * 3 / 4));
    const int got = QFontMetrics(f).height();
    if (got > cell) f.setPixelSize(std::max(1, cell * 3 / 4 * cell / got));
    return f;
}

std::string ApplicationTitle() {
    auto* app = qobject_cast<TApplication*>(QCoreApplication::instance());
    return app ? app->Title() : std::string();
}

}  // namespace

// ---- construction -----------------------------------------------------------------------

TPGOpenDialog::TPGOpenDialog(QObject* AOwner) : QObject(AOwner) {
    FThread = std::make_unique<TCreateOpenSaveDialogPaintPGThread>(true);
    FFilter = BuildFilter();
    FTimer = new QTimer(this);
    FTimer->setSingleShot(true);
    FTimer->setTimerType(Qt::PreciseTimer);  // never before the 150 ms are over
    FTimer->setInterval(kPreviewDelay);
    connect(FTimer, &QTimer::timeout, this, [this] { StartPreview(); });
}

TPGOpenDialog::~TPGOpenDialog() {
    FTimer->stop();
    FPreview.reset();
    // Stopped before the object goes: the worker posts to it.
    FThread.reset();
}

TPGSaveDialog::TPGSaveDialog(QObject* AOwner) : TPGOpenDialog(AOwner) {
    FIsSaveDialog = true;
    SetFilter(BuildFilter());
}

void TPGOpenDialog::SetOptions(TOpenOptions value) {
    if (!(value & ofShareAware)) {
        ShowMessageBox("TPGOpenDialog.Options and TPGSaveDialog.Options must include ofShareAware!", ApplicationTitle(),
                       mtInformation, mbOK);
        value |= ofShareAware;
    }
    FOptions = value;
}

QWidget* TPGOpenDialog::GetPreviewPanel() const { return FPreviewPanel; }
QWidget* TPGOpenDialog::GetInfoPanel() const { return FInfoPanel; }

// ---- filter entries ---------------------------------------------------------------------

std::string TPGOpenDialog::GetFilterExtension(int index) const {
    if (!FUseDefaultFilter) return std::string();
    const std::vector<TFileFormatReaderWriter*> readers = EnabledReaders();
    if (index < 2 || index - 2 >= static_cast<int>(readers.size())) return std::string();
    return NormalizedExtension(readers[index - 2]->Extension);
}

int TPGOpenDialog::GetFilterCount() const { return FUseDefaultFilter ? static_cast<int>(EnabledReaders().size()) : 0; }

std::string TPGOpenDialog::BuildFilter() const { return BuildOpenFilter(); }

std::vector<TFileFormatReaderWriter*> TPGOpenDialog::GetFormatList() const {
    return {FileFormatReaders().begin(), FileFormatReaders().end()};
}

std::string TPGSaveDialog::GetFilterExtension(int index) const {
    if (!GetUseDefaultFilter()) return std::string();
    const std::vector<TFileFormatReaderWriter*> writers = EnabledWriters();
    if (index < 1 || index - 1 >= static_cast<int>(writers.size())) return std::string();
    return NormalizedExtension(writers[index - 1]->Extension);
}

int TPGSaveDialog::GetFilterCount() const {
    return GetUseDefaultFilter() ? static_cast<int>(EnabledWriters().size()) : 0;
}

std::string TPGSaveDialog::BuildFilter() const { return BuildSaveFilter(); }

std::vector<TFileFormatReaderWriter*> TPGSaveDialog::GetFormatList() const {
    return {FileFormatWriters().begin(), FileFormatWriters().end()};
}

std::string TPGOpenDialog::GetEntryExtension(int index) const {
    if (FUseDefaultFilter) return GetFilterExtension(index);
    const std::vector<TFilterEntry> entries = ParseFilter(FFilter);
    if (index < 1 || index > static_cast<int>(entries.size())) return std::string();
    return PatternExtension(entries[index - 1].Pattern);
}

std::string TPGOpenDialog::ChosenExtension(int index) const {
    const std::string ext = GetEntryExtension(index);
    return ext.empty() ? NormalizedExtension(FDefaultExt) : ext;
}

// ---- running ------------------------------------------------------------------------------

bool TPGOpenDialog::Execute(QWidget* parent) {
    FInfoValid = false;
    if (FUseDefaultFilter) FFilter = BuildFilter();
    return RunDialog(parent);
}

bool TPGSaveDialog::Execute(QWidget* parent) {
    if (GetUseDefaultFilter()) SetFilter(BuildFilter());
    const std::string ext = ExtensionOf(GetFileName());
    if (!ext.empty()) {
        const int count = static_cast<int>(ParseFilter(GetFilter()).size());
        for (int i = 1; i <= count; ++i)
            if (GetEntryExtension(i) == ext) {
                SetFilterIndex(i);
                break;
            }
    }
    const bool result = TPGOpenDialog::Execute(parent);
    if (result) SetFileName(WithDefaultExtension(GetFileName(), ChosenExtension(GetFilterIndex())));
    return result;
}

bool TPGOpenDialog::RunDialog(QWidget* parent) {
    QFileDialog dialog(parent ? parent : QApplication::activeWindow());
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setAcceptMode(FIsSaveDialog ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    // NOLINTNEXTLINE(bugprone-branch-clone): the save dialog's mode reads first.
    if (FIsSaveDialog) dialog.setFileMode(QFileDialog::AnyFile);
    else if (FOptions & ofAllowMultiSelect) dialog.setFileMode(QFileDialog::ExistingFiles);
    else if (FOptions & ofFileMustExist) dialog.setFileMode(QFileDialog::ExistingFile);
    else dialog.setFileMode(QFileDialog::AnyFile);
    if (FIsSaveDialog && !(FOptions & ofOverwritePrompt)) dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    if (!FTitle.empty()) dialog.setWindowTitle(QString::fromStdString(FTitle));

    const QStringList nameFilters = FilterToNameFilters(FFilter);
    if (!nameFilters.isEmpty()) {
        dialog.setNameFilters(nameFilters);
        const int index = std::clamp(FFilterIndex, 1, static_cast<int>(nameFilters.size()));
        dialog.selectNameFilter(nameFilters[index - 1]);
        dialog.setDefaultSuffix(QString::fromStdString(ChosenExtension(index)));
    }
    const std::string folder = ExtractFilePath(FFileName);
    if (!folder.empty()) dialog.setDirectory(QString::fromStdString(folder));
    else if (!FInitialDir.empty()) dialog.setDirectory(QString::fromStdString(FInitialDir));
    if (!ExtractFileName(FFileName).empty()) dialog.selectFile(QString::fromStdString(ExtractFileName(FFileName)));

    FDialog = &dialog;
    FPreview.reset();
    FInfoValid = false;
    FClockShown = false;
    FSelectedPath.clear();
    FPreviewFileName.clear();
    BuildPanels();
    connect(&dialog, &QFileDialog::currentChanged, this, [this](const QString& path) { SelectionChanged(path); });
    connect(&dialog, &QFileDialog::filterSelected, this, [this](const QString& f) { TypeChanged(f); });
    dialog.installEventFilter(this);

    struct TClose {
        TPGOpenDialog* Self;
        ~TClose() { Self->DialogClosed(); }
    } close{this};
    const bool accepted = dialog.exec() == QDialog::Accepted;
    if (accepted) {
        FFiles.clear();
        for (const QString& f : dialog.selectedFiles()) FFiles.push_back(f.toStdString());
        FFileName = FFiles.empty() ? std::string() : FFiles.front();
        const int chosen = static_cast<int>(nameFilters.indexOf(dialog.selectedNameFilter()));
        if (chosen >= 0) FFilterIndex = chosen + 1;
    }
    return accepted;
}

void TPGOpenDialog::BuildPanels() {
    // Beside the file list: the preview, then the information below it.
    auto* column = new QWidget(FDialog);
    column->setObjectName(QStringLiteral("PreviewColumn"));
    auto* box = new QVBoxLayout(column);
    box->setContentsMargins(0, 0, 0, 0);
    const QFont font = FDialog->font();
    box->setSpacing(DialogUnits(font, 0, 5).height());
    auto* preview = new TPGDialogPreviewPanel(this, column);
    preview->setFixedSize(DialogUnits(font, 92, 85));
    auto* info = new TPGDialogInfoPanel(this, column);
    info->setFixedSize(DialogUnits(font, 92, 33));
    box->addWidget(preview);
    box->addWidget(info);
    box->addStretch(1);
    FPreviewPanel = preview;
    FInfoPanel = info;

    auto* grid = qobject_cast<QGridLayout*>(FDialog->layout());
    if (!grid) {
        FDialog->layout()->addWidget(column);
        return;
    }
    int row = 0, rowSpan = grid->rowCount();
    if (auto* list = FDialog->findChild<QSplitter*>()) {
        const int i = grid->indexOf(list);
        int col = 0, colSpan = 1;
        if (i >= 0) grid->getItemPosition(i, &row, &col, &rowSpan, &colSpan);
    }
    const int before = FDialog->width();
    grid->addWidget(column, row, grid->columnCount(), rowSpan, 1);
    FDialog->resize(std::max(900, before + column->sizeHint().width() + std::max(0, grid->horizontalSpacing())),
                    FDialog->height());
    // Sizes, types and dates shown whole, whatever the folder and the type.
    if (auto* details = FDialog->findChild<QTreeView*>()) {
        QHeaderView* header = details->header();
        for (int c = 1; c < header->count(); ++c) header->setSectionResizeMode(c, QHeaderView::ResizeToContents);
    }
}

void TPGOpenDialog::PlaceDialog() {
    // Centred across, a third of the free height down.
    const QScreen* screen = FDialog->screen();
    if (!screen) return;
    const QRect s = screen->geometry();
    const QSize size = FDialog->frameGeometry().size().expandedTo(FDialog->size());
    FDialog->move(s.left() + (s.width() - size.width()) / 2, s.top() + (s.height() - size.height()) / 3);
}

bool TPGOpenDialog::eventFilter(QObject* watched, QEvent* e) {
    if (FDialog && watched == FDialog && e->type() == QEvent::Show) PlaceDialog();
    return QObject::eventFilter(watched, e);
}

void TPGOpenDialog::DialogClosed() {
    CancelPreview();
    if (FDialog) {
        FDialog->removeEventFilter(this);
        disconnect(FDialog, nullptr, this, nullptr);
    }
    FDialog = nullptr;
    FPreviewPanel = nullptr;
    FInfoPanel = nullptr;
}

int TPGOpenDialog::CurrentFilterIndex() const {
    if (!FDialog) return FFilterIndex;
    const int i = static_cast<int>(FDialog->nameFilters().indexOf(FDialog->selectedNameFilter()));
    return i >= 0 ? i + 1 : FFilterIndex;
}

// ---- selection and type -------------------------------------------------------------------

void TPGOpenDialog::StopThread() {
    if (!FThread) return;
    FThread->Terminate();
    FThread->WaitFor();
}

void TPGOpenDialog::DropPreview() {
    FPreview.reset();
    FPreviewFileName.clear();
}

void TPGOpenDialog::CancelPreview() {
    FTimer->stop();
    StopThread();
    DropPreview();
    ++FGeneration;
    FInfoValid = false;
    FClockShown = false;
}

void TPGOpenDialog::SelectionChanged(const QString& path) {
    CancelPreview();
    FSelectedPath = path.toStdString();
    if (FPreviewPanel) FPreviewPanel->update(FPreviewPanel->rect().adjusted(2, 2, -2, -2));
    if (FInfoPanel) FInfoPanel->update();
    FTimer->start();
}

void TPGOpenDialog::TypeChanged(const QString&) {
    if (!FDialog) return;
    const int index = CurrentFilterIndex();
    FDialog->setDefaultSuffix(QString::fromStdString(ChosenExtension(index)));
    if (!FIsSaveDialog || (FOptions & ofAllowMultiSelect)) return;
    QLineEdit* edit = FDialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    if (!edit) edit = FDialog->findChild<QLineEdit*>();
    if (!edit) return;
    const QString text = edit->text();
    if (text.isEmpty()) return;
    const QString folder = FDialog->directory().absolutePath();
    const QString path = QDir::isAbsolutePath(text) ? text : folder + (folder.endsWith('/') ? "" : "/") + text;
    std::string changed;
    if (TypeChangedFileName(path.toStdString(), folder.toStdString(), GetEntryExtension(index), changed))
        edit->setText(QString::fromStdString(changed));
}

// ---- preview ------------------------------------------------------------------------------

void TPGOpenDialog::StartPreview() {
    DropPreview();
    StopThread();
    ++FGeneration;
    FClockShown = false;
    FInfoValid = GetPictureFileInfo(FSelectedPath, 0, FInfo);
    if (FPreviewPanel) FPreviewPanel->update();
    if (FInfoPanel) FInfoPanel->update();
    if (!FInfoValid || !FPreviewPanel) return;
    FThread.reset();
    TPreviewSettings s;
    s.FileName = FSelectedPath;
    s.Target = TSize(FPreviewPanel->width() - 4, FPreviewPanel->height() - 4);
    s.StretchMode = FStretchMode;
    s.Palette8BitSys24BitGraphic = FPalette8BitSys24BitGraphic;
    s.Palette8BitSys8BitGraphic = FPalette8BitSys8BitGraphic;
    s.ScreenBits = DisplayBitsPerPixel();
    FProgressStage = 1;
    FProgressPercent = 0;
    FThread = std::make_unique<TCreateOpenSaveDialogPaintPGThread>(false);
    FThread->Setup(this, FGeneration, s);
    FThread->Resume();
}

bool TPGOpenDialog::event(QEvent* e) {
    if (e->type() == TPaintResultEvent::EventType) {
        // A result of an earlier selection, or one that arrives after the
        // dialog closed, is freed with the event.
        auto* r = static_cast<TPaintResultEvent*>(e);
        if (r->Generation == FGeneration && FDialog && r->Graphic) {
            FPreview = std::move(r->Graphic);
            FPreviewFileName = FSelectedPath;
            FClockShown = false;
            if (FPreviewPanel) FPreviewPanel->update(FPreviewPanel->rect().adjusted(2, 2, -2, -2));
        }
        return true;
    }
    if (e->type() == TPaintProgressEvent::EventType) {
        auto* p = static_cast<TPaintProgressEvent*>(e);
        if (p->Generation == FGeneration && FDialog && !FPreview) {
            FProgressStage = p->Stage;
            FProgressPercent = p->Percent;
            if (FProgressClockVisible && FPreviewPanel) {
                FClockShown = true;
                const QPoint c = FPreviewPanel->rect().center();
                FPreviewPanel->update(c.x() - 8, c.y() - 8, kClockSize, kClockSize);
            }
        }
        return true;
    }
    return QObject::event(e);
}

// ---- painting -----------------------------------------------------------------------------

void TPGOpenDialog::PaintPreviewPanel(QWidget* panel) {
    QPainter p(panel);
    const int l = 0, t = 0, r = panel->width(), b = panel->height();
    FillRect(p, TRect(l + 2, t + 2, r - 1, b - 1), clBtnFace);
    // Sunken frame.
    Polyline(p, TPen(clBtnShadow), {TPoint(l, b - 2), TPoint(l, t), TPoint(r - 1, t)});
    Polyline(p, TPen(clBlack), {TPoint(l + 1, b - 3), TPoint(l + 1, t + 1), TPoint(r - 2, t + 1)});
    Polyline(p, TPen(clWhite), {TPoint(l, b - 1), TPoint(r - 1, b - 1), TPoint(r - 1, t - 1)});
    Polyline(p, TPen(clBtnFace), {TPoint(l + 1, b - 2), TPoint(r - 2, b - 2), TPoint(r - 2, t)});
    if (FPreview && FPreview->GetWidth() > 0 && FPreview->GetHeight() > 0) {
        const TSize size =
            FitPictureSize(TSize(FPreview->GetWidth(), FPreview->GetHeight()), TSize(r - l - 4, b - t - 4));
        const int x = (l + r - size.cx) / 2, y = (t + b - size.cy) / 2;
        FPreview->DrawToDC(p, Bounds(x, y, size.cx, size.cy), false, cmSrcCopy);
    } else if (FClockShown && FProgressClockVisible) {
        const TPoint o((l + r) / 2 - 8, (t + b) / 2 - 8);
        FillRect(p, Bounds(o.X, o.Y, kClockSize, kClockSize), clBtnFace);
        DrawProgressClock(p, o, FProgressStage, FProgressPercent, FProgressClockBkColor, FProgressClockLineColor);
    }
}

void TPGOpenDialog::PaintInfoPanel(QWidget* panel) {
    if (!FShowInfo || !FInfoValid) return;
    QPainter p(panel);
    p.setFont(InfoFont(FDialog ? FDialog->font() : panel->font()));
    p.setPen(ToQColor(clWindowText));
    const std::vector<std::string> lines = PictureInfoLines(FInfo);
    const int n = static_cast<int>(lines.size());
    for (int k = 0; k < n; ++k) TextOut(p, 0, k * panel->height() / n, QString::fromStdString(lines[k]));
}
