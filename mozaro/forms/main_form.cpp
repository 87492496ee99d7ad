#include "mozaro/forms/main_form.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QSignalBlocker>
#include <QStandardPaths>
#include <QTabBar>
#include <QThread>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>
#include <cmath>
#include <stdexcept>

#include "artkit/forms/splash.h"
#include "image/PGDialogFilters.h"
#include "image/PGFormats.h"
#include "image/PGImage.h"
#include "image/PGraphic.h"
#include "image/forms/PGDialogs.h"
#include "menus97/Edit97.h"
#include "mozaro/Blend.h"
#include "mozaro/ImageAdditions.h"
#include "mozaro/Layer.h"
#include "mozaro/Wallpaper.h"
#include "mozaro/forms/ImageListBox.h"
#include "platform/Application.h"
#include "platform/Cursors.h"
#include "platform/IntText.h"
#include "platform/Menus.h"
#include "platform/MessageBox.h"
#include "platform/Paint.h"
#include "platform/ProgramFolder.h"
#include "platform/Streams.h"
#include "widgets/Notebook.h"
#include "widgets/RxSlider.h"
#include "widgets/kv_btns.h"
#include "widgets/kv_dlgs.h"

namespace mozaro {

const char* const kMainCaption = "Mozaro!";
const char* const kApplicationTitle = "Mozaro !";
const char* const kShallowDisplayMessage = "Sorry, but Mozaro! needs a High-\nor True-Color display to run!";
const char* const kParsingFileText = "Parsing file... Please be patient :-)";
const char* const kReadingPresetsText = "Reading presets directory...";
const char* const kStripHint = "Left Click for presets, right click to edit colors...";
const TPresetFolder kPresetFolders[5] = {{"Wood", "wood"},
                                         {"Stone", "stone"},
                                         {"Industrial", "industrial"},
                                         {"Ornamental", "ornamental"},
                                         {"Various", "misc"}};

namespace {

constexpr int kTileJpegQuality = 80;    // "Save Tile"
constexpr int kSaverResetQuality = 30;  // the library's quality after the JPEG saver
constexpr long double kMinZoom = 0.125L, kMaxZoom = 8.0L;
constexpr int kStripWidth = 256, kStripHeight = 20;
const char* const kHelpFile = "Mozaro.hlp";
const char* const kLayerPage = "main";
const char* const kPostPage = "postproc";
const char* const kPostNote =
    "Due to the complexity of these settings, they are not applied and updated automatically. Hit the \"Apply\" "
    "button when finished with your changes.";

// Sets a flag for its lifetime; the value before comes back also when an
// exception passes.
class TLockGuard {
public:
    explicit TLockGuard(bool& flag) : FFlag(flag), FOld(flag) { FFlag = true; }
    ~TLockGuard() { FFlag = FOld; }
    TLockGuard(const TLockGuard&) = delete;
    TLockGuard& operator=(const TLockGuard&) = delete;

private:
    bool& FFlag;
    bool FOld;
};

// Runs a step at scope exit, also when an exception passes.
template <typename F>
class TFinally {
public:
    explicit TFinally(F f) : FStep(std::move(f)) {}
    ~TFinally() { FStep(); }
    TFinally(const TFinally&) = delete;
    TFinally& operator=(const TFinally&) = delete;

private:
    F FStep;
};

std::string Text(const QLineEdit* edit) { return edit->text().toStdString(); }

// Waits while the splash screen stays painted; no user input is handled.
void Wait(int ms) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        QThread::msleep(10);
    }
}

TRxSlider* NewSlider(QWidget* parent, int minValue, int maxValue, int value) {
    auto* s = new TRxSlider(parent);
    s->SetRange(minValue, maxValue, 1);
    s->SetValue(value);
    s->setMinimumSize(170, 30);
    return s;
}

TEdit97* NewEdit(QWidget* parent, const QString& text, int width = 0) {
    auto* e = new TEdit97(parent);
    e->SetText(text);
    e->AdjustHeight();
    if (width > 0) e->setFixedWidth(width);
    return e;
}

TMenuItem* AddItem(TMenuItem* parent, const QString& caption, const QKeySequence& shortCut = QKeySequence()) {
    auto* item = new TMenuItem;
    item->SetCaption(caption);
    if (!shortCut.isEmpty()) item->SetShortCut(shortCut);
    parent->Add(item);
    return item;
}

QString DocumentsFolder() {
    const QString docs = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return docs.isEmpty() ? QDir::homePath() : docs;
}

}  // namespace

// ---- construction ----------------------------------------------------------------

Tmain::Tmain(const TStartOptions& options, QWidget* parent) : QMainWindow(parent) {
    setWindowTitle(kMainCaption);
    BuildForm();
    BuildMenus();
    ConnectHandlers();
    AskFileName = [this](TFileRequest request) { return DefaultAskFileName(request); };
    PresetRoot = ProgramFolder() + "/mozaro";
    StartUp(options);
}

Tmain::~Tmain() {
    // The timer must not tick into a half-destroyed form.
    timer1->SetEnabled(false);
}

void Tmain::BuildForm() {
    auto* central = new QWidget(this);
    setCentralWidget(central);
    auto* outer = new QHBoxLayout(central);
    outer->setContentsMargins(6, 6, 6, 6);
    outer->setSpacing(8);

    // Left: the tab set over the notebook and the palette strip.
    auto* left = new QVBoxLayout;
    left->setSpacing(0);
    TabSet1 = new QTabBar(central);
    for (const char* caption : {"Basic Texture", "Shader Layer 1", "Shader Layer 2", "Result"})
        TabSet1->addTab(caption);
    TabSet1->setExpanding(false);
    TabSet1->setUsesScrollButtons(false);
    TabSet1->setDrawBase(false);
    TabSet1->setFocusPolicy(Qt::TabFocus);
    left->addWidget(TabSet1);

    auto* frame = new QFrame(central);
    frame->setFrameStyle(QFrame::StyledPanel | QFrame::Raised);
    auto* frameLayout = new QVBoxLayout(frame);
    frameLayout->setContentsMargins(8, 8, 8, 8);
    Notebook1 = new TNotebook(frame);
    BuildLayerPage(Notebook1->AddPage(kLayerPage));
    BuildPostPage(Notebook1->AddPage(kPostPage));
    Notebook1->SetActivePage(kLayerPage);
    frameLayout->addWidget(Notebook1);

    left->addWidget(frame, 1);
    frame->setMinimumWidth(TabSet1->sizeHint().width() + 8);
    outer->addLayout(left);

    // Right: the large view over the view and cell size controls.
    auto* right = new QVBoxLayout;
    right->setSpacing(6);
    pgimage1 = new TPGImage(central);
    pgimage1->SetStretch(sZoomKAR);
    pgimage1->SetCenter(true);
    pgimage1->setMinimumSize(300, 300);
    right->addWidget(pgimage1, 1);

    auto* bottom = new QGridLayout;
    bottom->setHorizontalSpacing(8);
    bottom->setVerticalSpacing(2);
    RxSlider2 = NewSlider(central, kMinCellSize, kMaxCellSize, kDefaultCellSize);
    RxSlider4 = NewSlider(central, kMinCellSize, kMaxCellSize, kDefaultCellSize);
    CellWidthEdit = NewEdit(central, "150", 48);
    CellHeightEdit = NewEdit(central, "150", 48);
    bottom->addWidget(new QLabel("Cell Width:", central), 0, 0);
    bottom->addWidget(RxSlider2, 0, 1);
    bottom->addWidget(CellWidthEdit, 0, 2);
    bottom->addWidget(new QLabel("Cell Height:", central), 1, 0);
    bottom->addWidget(RxSlider4, 1, 1);
    bottom->addWidget(CellHeightEdit, 1, 2);

    auto* viewBox = new QGridLayout;
    viewBox->setHorizontalSpacing(6);
    ZoomOutButton = new TKV_Button(central);
    ZoomOutButton->SetCaption("-");
    ZoomOutButton->setFixedSize(24, 22);
    ZoomInButton = new TKV_Button(central);
    ZoomInButton->SetCaption("+");
    ZoomInButton->setFixedSize(24, 22);
    ZoomLabel = new QLabel("100%", central);
    ZoomLabel->setMinimumWidth(40);
    auto* zoomRow = new QHBoxLayout;
    zoomRow->setSpacing(2);
    zoomRow->addWidget(ZoomOutButton);
    zoomRow->addWidget(ZoomInButton);
    zoomRow->addSpacing(6);
    zoomRow->addWidget(ZoomLabel);
    zoomRow->addStretch();
    TiledPreview = new QCheckBox("Tiled Preview", central);
    AutoUpdate = new QCheckBox("Auto-Update", central);
    AutoUpdate->setChecked(true);
    updatebtn = new QPushButton("Update Now [F9]", central);
    updatebtn->setVisible(false);
    // Its room is kept while hidden: the controls beside it stay in place.
    QSizePolicy keep = updatebtn->sizePolicy();
    keep.setRetainSizeWhenHidden(true);
    updatebtn->setSizePolicy(keep);
    viewBox->addLayout(zoomRow, 0, 0);
    viewBox->addWidget(TiledPreview, 1, 0);
    viewBox->addWidget(AutoUpdate, 0, 1);
    viewBox->addWidget(updatebtn, 1, 1);
    bottom->addLayout(viewBox, 0, 3, 2, 1);
    bottom->setColumnStretch(1, 1);
    right->addLayout(bottom);
    outer->addLayout(right, 1);

    ColorPanel1 = new TColorPanel(central);
    ColorPanel1->SetBevelInner(bvLowered);
    ColorPanel1->SetBevelWidth(3);
    ColorPanel1->SetCaption(kParsingFileText);
    ColorPanel1->resize(300, 60);
    ColorPanel1->hide();

    timer1 = new TThreadedTimer(this);
    timer1->SetEnabled(false);
    timer1->SetInterval(100);
    timer1->SetThreadPriority(tpIdle);

    PGOpenDialog1 = new TPGOpenDialog(this);
    PGSaveDialog1 = new TPGSaveDialog(this);
    JpegSaveDialog = new TPGSaveDialog(this);
    JpegSaveDialog->SetUseDefaultFilter(false);
    JpegSaveDialog->SetFilter("JPEG|*.jpg;*.jpeg");
    JpegSaveDialog->SetDefaultExt("jpg");
    for (TPGOpenDialog* d : std::initializer_list<TPGOpenDialog*>{PGOpenDialog1, PGSaveDialog1, JpegSaveDialog})
        d->SetInitialDir(DocumentsFolder().toStdString());
    PGSaveDialog1->SetOptions(PGSaveDialog1->GetOptions() | ofOverwritePrompt);
    JpegSaveDialog->SetOptions(JpegSaveDialog->GetOptions() | ofOverwritePrompt);
    PGOpenDialog1->SetOptions(PGOpenDialog1->GetOptions() | ofFileMustExist);

    resize(1000, 700);
}

void Tmain::BuildLayerPage(QWidget* page) {
    auto* grid = new QGridLayout(page);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(2);
    int row = 0;

    AlgorithmLabel = new QLabel("Algorithm :", page);
    AutoImageComboBox1 = new TAutoImageComboBox(page);
    FillAlgorithmPicker(*AutoImageComboBox1, MakeAlgorithmImageList(AutoImageComboBox1));
    AutoImageComboBox1->SetDropDownCount(12);
    ImportButton = new QPushButton("...", page);
    ImportButton->setFixedWidth(28);
    auto* algoRow = new QHBoxLayout;
    algoRow->setSpacing(4);
    algoRow->addWidget(AutoImageComboBox1, 1);
    algoRow->addWidget(ImportButton);
    grid->addWidget(AlgorithmLabel, row, 0);
    grid->addLayout(algoRow, row++, 1);

    auto addSlider = [&](QLabel*& label, const char* caption, TRxSlider*& slider, int lo, int hi, int value) {
        label = new QLabel(caption, page);
        slider = NewSlider(page, lo, hi, value);
        grid->addWidget(label, row, 0);
        grid->addWidget(slider, row++, 1);
    };
    addSlider(BrightnessLabel, "Brightness:", RxSlider3, -100, 100, 0);
    addSlider(CycleLabel, "Cycle:", RxSlider1, -255, 255, 0);
    addSlider(AmplitudeLabel, "Amplitude:", RxSlider5, 32, 128, 64);
    addSlider(Turbulence1Label, "Turbulence 1:", RxSlider6, 0, 80, 20);
    addSlider(Turbulence2Label, "Turbulence 2:", RxSlider7, 0, 80, 20);
    addSlider(TwistLabel, "Twist:", twistslider, -18, 18, 0);

    SeedLabel = new QLabel("Random Seed:", page);
    KV_Edit1 = NewEdit(page, "2147483647");
    grid->addWidget(SeedLabel, row, 0);
    grid->addWidget(KV_Edit1, row++, 1);

    auto* boxes = new QGridLayout;
    boxes->setContentsMargins(0, 6, 0, 0);
    boxes->setVerticalSpacing(4);
    fliph = new QCheckBox("Flip Horizontal", page);
    flipv = new QCheckBox("Flip Vertical", page);
    cards1 = new QCheckBox("Cards", page);
    embossed1 = new QCheckBox("Embossed", page);
    boxes->addWidget(fliph, 0, 0);
    boxes->addWidget(flipv, 0, 1);
    boxes->addWidget(cards1, 1, 0);
    boxes->addWidget(embossed1, 1, 1);

    BlendButton = new TKV_Button(page);
    BlendButton->SetCaption("Blend Mode");
    BlendButton->setFixedSize(110, 24);
    layeractive = new QCheckBox("Layer is active", page);
    boxes->addWidget(BlendButton, 2, 0);
    boxes->addWidget(layeractive, 2, 1);
    grid->addLayout(boxes, row++, 0, 1, 2);

    StripBox = new QWidget(page);
    auto* stripLayout = new QHBoxLayout(StripBox);
    stripLayout->setContentsMargins(0, 10, 0, 0);
    PGImage4 = new TPGImage(StripBox);
    PGImage4->SetAutoScroll(false);
    PGImage4->SetUseThread(false);
    const int border = PGImage4->GetBorderWidth();
    PGImage4->setFixedSize(kStripWidth + 2 * border, kStripHeight + 2 * border);
    stripLayout->addWidget(PGImage4);
    stripLayout->addStretch();
    grid->addWidget(StripBox, row++, 0, 1, 2);
    grid->setRowStretch(row, 1);

    PopupMenu1 = new TPopupMenu(this);
    for (const TBlendTag& t : kBlendTags) {
        TMenuItem* item = AddItem(PopupMenu1->GetItems(), t.Caption);
        item->SetTag(t.Tag);
        item->SetRadioItem(true);
        item->SetGroupIndex(1);
        item->OnClick = [this, item](QObject*) { BlendItemClick(item); };
    }
    PopupMenu1->OnPopup = [this](QObject*) {
        TMenuItem* items = PopupMenu1->GetItems();
        for (int i = 0; i < items->Count(); ++i)
            if (items->GetItem(i)->GetTag() == FBlendTag) items->GetItem(i)->SetChecked(true);
    };
    BlendButton->SetDropDownMenu(PopupMenu1->GetWidget());
}

void Tmain::BuildPostPage(QWidget* page) {
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);

    auto* conv = new QGroupBox("3 * 3 Convolution", page);
    auto* convLayout = new QHBoxLayout(conv);
    auto* matrix = new QGridLayout;
    matrix->setSpacing(3);
    for (int i = 0; i < 9; ++i) {
        MatrixEdits[i] = NewEdit(conv, i == 4 ? "1" : "0", 34);
        matrix->addWidget(MatrixEdits[i], i / 3, i % 3);
    }
    convLayout->addLayout(matrix);
    auto* convRight = new QGridLayout;
    convRight->setVerticalSpacing(3);
    edHOffset = NewEdit(conv, "-1", 40);
    edVOffset = NewEdit(conv, "-1", 40);
    edBIAS = NewEdit(conv, "0", 40);
    edAMP = NewEdit(conv, "1", 40);
    const std::pair<const char*, TEdit97*> convEdits[] = {
        {"Hor. Offset:", edHOffset}, {"Vert. Offset:", edVOffset}, {"Bias:", edBIAS}, {"Amplification:", edAMP}};
    int r = 0;
    for (const auto& [caption, edit] : convEdits) {
        convRight->addWidget(new QLabel(caption, conv), r, 0);
        convRight->addWidget(edit, r++, 1);
    }
    convLayout->addLayout(convRight);
    auto* convChecks = new QVBoxLayout;
    conon = new QCheckBox("Enabled", conv);
    convChecks->addStretch();
    convChecks->addWidget(conon);
    convLayout->addLayout(convChecks);
    layout->addWidget(conv);

    auto expressionGroup = [&](const char* title, std::initializer_list<std::pair<const char*, TEdit97**>> edits,
                               const char* defaults, QCheckBox*& symmetric, QCheckBox*& enabled) {
        auto* box = new QGroupBox(title, page);
        auto* grid = new QGridLayout(box);
        grid->setVerticalSpacing(3);
        int row = 0;
        for (const auto& [caption, edit] : edits) {
            *edit = NewEdit(box, QString(defaults[row]));
            grid->addWidget(new QLabel(caption, box), row, 0);
            grid->addWidget(*edit, row++, 1);
        }
        symmetric = new QCheckBox("Force symetrical X and Y values", box);
        symmetric->setChecked(true);
        enabled = new QCheckBox("Enabled", box);
        grid->addWidget(symmetric, row++, 0, 1, 2);
        grid->addWidget(enabled, row, 0, 1, 2);
        layout->addWidget(box);
    };
    expressionGroup("RGB Expression Parser", {{"Red", &rpedit}, {"Green", &gpedit}, {"Blue", &bpedit}}, "rgb",
                    forcesymetry, rgbon);
    expressionGroup("Displacement Parser", {{"New X", &xedit}, {"New Y", &yedit}}, "xy", forcesym2, dispon);

    auto* note = new QLabel(kPostNote, page);
    note->setWordWrap(true);
    layout->addWidget(note);
    // A wrapped text asks for its height only once laid out, too late for
    // the form's minimum size, which would then squeeze the edits above:
    // it keeps the height it needs on the narrowest page.
    layout->activate();
    note->setMinimumHeight(note->heightForWidth(std::max(page->minimumSizeHint().width(), 1)));
    ApplyButton = new QPushButton("&Apply", page);
    auto* applyRow = new QHBoxLayout;
    applyRow->addStretch();
    applyRow->addWidget(ApplyButton);
    layout->addLayout(applyRow);
    layout->addStretch();
}

void Tmain::BuildMenus() {
    MainMenu1 = new TMainMenu(this);
    TMenuItem* root = MainMenu1->GetItems();

    FileMenu = AddItem(root, "&File");
    SaveTile1 = AddItem(FileMenu, "&Save Tile", QKeySequence(Qt::CTRL | Qt::Key_S));
    SmartJPEGSaver1 = AddItem(FileMenu, "&Smart &JPEG Saver");
    Wallpaper1 = AddItem(FileMenu, "Set as Windows Wallpaper");
    TMenuItem* tiled = AddItem(Wallpaper1, "Tiled");
    tiled->SetTag(1);
    TMenuItem* centered = AddItem(Wallpaper1, "Centered");
    CopyTile1 = AddItem(FileMenu, "&Copy Tile to Clipboard", QKeySequence(Qt::CTRL | Qt::Key_C));
    AddItem(FileMenu, "-");
    BrowsePresets1 = AddItem(FileMenu, "&Browse Presets");
    for (int i = 0; i < 5; ++i) {
        TMenuItem* item = AddItem(BrowsePresets1, kPresetFolders[i].Caption);
        item->OnClick = [this, i](QObject*) { BrowsePresets(i); };
    }
    LoadParameters1 = AddItem(FileMenu, "&Load Parameters");
    SaveParameters1 = AddItem(FileMenu, "&Save Parameters");
    AddItem(FileMenu, "-");
    Exit1 = AddItem(FileMenu, "Exit", QKeySequence(Qt::CTRL | Qt::Key_Q));

    BufferMenu = AddItem(root, "&Buffer");
    CopyLayerParameters1 = AddItem(BufferMenu, "&Copy Layer Parameters", QKeySequence(Qt::CTRL | Qt::Key_Delete));
    PasteLayerParameters1 = AddItem(BufferMenu, "&Paste Layer Parameters", QKeySequence(Qt::CTRL | Qt::Key_Insert));

    MutationMenu = AddItem(root, "&Mutation");
    MutateLayer1 = AddItem(MutationMenu, "Mutate this Layer", QKeySequence(Qt::CTRL | Qt::Key_M));
    TMenuItem* control = AddItem(MutationMenu, "Mutation Control");
    MutationAlgorithm1 = AddItem(control, "Algorithm");
    MutationSliders1 = AddItem(control, "Sliders");
    MutationSeed1 = AddItem(control, "Random Seed");
    MutationColors1 = AddItem(control, "Colors");
    for (TMenuItem* item : {MutationAlgorithm1, MutationSliders1, MutationSeed1, MutationColors1}) {
        item->SetChecked(true);
        item->OnClick = [item](QObject*) { item->SetChecked(!item->GetChecked()); };
    }

    ViewMenu = AddItem(root, "&View");
    FullScreen1 = AddItem(ViewMenu, "Full Screen Preview", QKeySequence(Qt::Key_F12));
    Preview1 = AddItem(ViewMenu, "Preview Result in 2nd Window");

    HelpMenu = AddItem(root, "?");
    Help1 = AddItem(HelpMenu, "&Help", QKeySequence(Qt::Key_F1));
    About1 = AddItem(HelpMenu, "About");

    SaveTile1->OnClick = [this](QObject*) {
        RunFileCommand(frSaveTile, [this](const std::string& f) { SaveTile(f); });
    };
    SmartJPEGSaver1->OnClick = [this](QObject*) { SmartJpegSaver(); };
    tiled->OnClick = [this](QObject*) { SetAsWallpaper(true); };
    centered->OnClick = [this](QObject*) { SetAsWallpaper(false); };
    CopyTile1->OnClick = [this](QObject*) { CopyTileToClipboard(); };
    LoadParameters1->OnClick = [this](QObject*) {
        RunFileCommand(frLoadParameters, [this](const std::string& f) { LoadParameters(f); });
    };
    SaveParameters1->OnClick = [this](QObject*) {
        RunFileCommand(frSaveParameters, [this](const std::string& f) { SaveParameters(f); });
    };
    Exit1->OnClick = [this](QObject*) { close(); };
    CopyLayerParameters1->OnClick = [this](QObject*) { CopyLayerParameters(); };
    PasteLayerParameters1->OnClick = [this](QObject*) { PasteLayerParameters(); };
    MutateLayer1->OnClick = [this](QObject*) { MutateLayer(); };
    FullScreen1->OnClick = [this](QObject*) { ShowFullScreen(); };
    Preview1->OnClick = [this](QObject*) { TogglePreview(); };
    Help1->OnClick = [this](QObject*) { ShowHelp(); };
    About1->OnClick = [this](QObject*) { About(); };
}

void Tmain::ConnectHandlers() {
    for (TRxSlider* s : {RxSlider3, RxSlider1, RxSlider5, RxSlider6, RxSlider7, twistslider})
        s->OnThumbUp = [this, s](QObject*) { SliderReleased(s); };
    twistslider->installEventFilter(this);
    twistslider->Thumb()->installEventFilter(this);
    connect(KV_Edit1, &QLineEdit::textChanged, this, [this] { SeedChanged(); });
    timer1->SetOnTimer([this](QObject*) { TimerTick(); });
    for (QCheckBox* box : {fliph, flipv, cards1, embossed1})
        connect(box, &QCheckBox::toggled, this, [this] { CheckBoxToggled(); });
    connect(AutoImageComboBox1, &QComboBox::currentIndexChanged, this, [this](int i) { AlgorithmChanged(i); });
    connect(ImportButton, &QPushButton::clicked, this,
            [this] { RunFileCommand(frImportPicture, [this](const std::string& f) { ImportPicture(f); }); });

    for (TRxSlider* s : {RxSlider2, RxSlider4}) {
        s->OnChange = [this](QObject*) { CellSizeChanged(); };
        s->OnThumbUp = [this](QObject*) { RenderLayer(); };
    }
    connect(CellWidthEdit, &QLineEdit::returnPressed, this, [this] { CellEditEnter(CellWidthEdit, RxSlider2); });
    connect(CellHeightEdit, &QLineEdit::returnPressed, this, [this] { CellEditEnter(CellHeightEdit, RxSlider4); });

    connect(AutoUpdate, &QCheckBox::toggled, this, [this](bool on) { updatebtn->setVisible(!on); });
    connect(updatebtn, &QPushButton::clicked, this, [this] { RenderLayer(); });
    auto* f9 = new QShortcut(QKeySequence(Qt::Key_F9), this);
    connect(f9, &QShortcut::activated, this, [this] {
        if (updatebtn->isVisible()) updatebtn->click();
    });
    connect(TiledPreview, &QCheckBox::toggled, this, [this](bool on) { pgimage1->SetTiling(on ? tRepeat : tNone); });
    ZoomInButton->OnClick = [this](QObject*) { ZoomIn(); };
    ZoomOutButton->OnClick = [this](QObject*) { ZoomOut(); };

    PGImage4->SetPicBoxHint(kStripHint);
    PGImage4->SetPicBoxShowHint(true);
    PGImage4->PicBoxOnMouseDown() = [this](QObject*, TMouseButton button, TShiftState, int x, int y) {
        StripMouseDown(button, x, y);
    };

    connect(layeractive, &QCheckBox::toggled, this, [this] { LayerActiveChanged(); });
    connect(ApplyButton, &QPushButton::clicked, this, [this] { ApplyClick(); });
    connect(TabSet1, &QTabBar::currentChanged, this, [this](int t) { TabChanged(t); });

    // The menu's short-cuts go before a focused edit's own keys.
    for (QLineEdit* edit : findChildren<QLineEdit*>()) edit->installEventFilter(this);
}

void Tmain::StartUp(const TStartOptions& options) {
    std::unique_ptr<artkit::Tsplashscreen> splash;
    if (options.ShowSplash) {
        splash = std::make_unique<artkit::Tsplashscreen>(nullptr, kApplicationTitle);
        if (QScreen* screen = QGuiApplication::primaryScreen())
            splash->move(screen->geometry().center() - splash->rect().center());
        splash->show();
        QCoreApplication::processEvents();
    }
    Wait(options.SplashWaitMs);

    FInteractionLock = true;
    FLoadingLock = false;
    FPreview = std::make_unique<TPreForm>(this);
    FPreview->OnActivate = [this](QObject*) { LayerActiveChanged(); };
    FPreview->OnClose = [this](QObject*) { Preview1->SetChecked(false); };
    FCellSizeChanged = false;

    auto view = std::make_unique<TPixelGraphic>();
    view->SetSize(kDefaultCellSize, kDefaultCellSize, 3);
    pgimage1->SetPixelGraphic(std::move(view));
    auto strip = std::make_unique<TPixelGraphic>();
    strip->SetSize(kStripWidth, kStripHeight, 3);
    PGImage4->SetPixelGraphic(std::move(strip));
    FPalette = PaletteTextToTable(FPaletteText);

    {
        const QSignalBlocker block(AutoImageComboBox1);
        AutoImageComboBox1->setCurrentIndex(algSimplePlasma);
    }
    EnableForAlgorithm(algSimplePlasma);
    // The "Basic Texture" is always active and blends over nothing.
    layeractive->setChecked(true);
    layeractive->setEnabled(false);
    BlendButton->SetEnabled(false);

    Wait(options.SplashWaitMs);
    if (splash) splash->close();
}

std::unique_ptr<Tmain> CreateForms(const TStartOptions& options) {
    const int depth = options.ScreenDepth ? options.ScreenDepth() : ScreenColorDepth();
    if (depth < 16) {
        ShowMessageBox(kShallowDisplayMessage, kApplicationTitle, mtError);
        return nullptr;
    }
    auto main = std::make_unique<Tmain>(options);
    // The palette editor's creation expands the default palette; its first
    // render has the main form draw the strip and render the start tile.
    main->SetPaletteEditor(new Tgradmaker(*main, pevTileGenerator, main.get()));
    main->SetPresetBrowser(new Tpreset_dlg(".mzo", "_result", main.get()));
    return main;
}

// ---- controls and values -----------------------------------------------------------

TLayerControls Tmain::LayerControls() const {
    TLayerControls c;
    TLayerParams& p = c.Params;
    p.Algorithm = AutoImageComboBox1->currentIndex();
    p.Brightness = RxSlider3->GetValue();
    p.Cycle = RxSlider1->GetValue();
    p.Amplitude = RxSlider5->GetValue();
    p.Turbulence1 = RxSlider6->GetValue();
    p.Turbulence2 = RxSlider7->GetValue();
    p.Twist = twistslider->GetValue();
    p.SeedText = Text(KV_Edit1);
    p.FlipHorizontal = fliph->isChecked();
    p.FlipVertical = flipv->isChecked();
    p.Cards = cards1->isChecked();
    p.Embossed = embossed1->isChecked();
    c.BlendTag = FBlendTag;
    c.PaletteText = FPaletteText;
    c.Active = layeractive->isChecked();
    return c;
}

void Tmain::SetLayerControls(const TLayerControls& c) {
    if (FEditor) FEditor->ParseGradientText(c.PaletteText);
    else PaletteChanged(0, PaletteTextToTable(c.PaletteText), c.PaletteText);
    const TLayerParams& p = c.Params;
    RxSlider3->SetValue(p.Brightness);
    RxSlider1->SetValue(p.Cycle);
    RxSlider5->SetValue(p.Amplitude);
    RxSlider6->SetValue(p.Turbulence1);
    RxSlider7->SetValue(p.Turbulence2);
    twistslider->SetValue(p.Twist);
    KV_Edit1->setText(QString::fromStdString(p.SeedText));
    fliph->setChecked(p.FlipHorizontal);
    flipv->setChecked(p.FlipVertical);
    cards1->setChecked(p.Cards);
    embossed1->setChecked(p.Embossed);
    AutoImageComboBox1->setCurrentIndex(p.Algorithm);
    FBlendTag = c.BlendTag;
    layeractive->setChecked(c.Active);
}

TPostProcessSettings Tmain::PostPage() const {
    TPostProcessSettings s;
    for (int i = 0; i < 9; ++i) s.Matrix[i] = Text(MatrixEdits[i]);
    s.edHOffset = Text(edHOffset);
    s.edVOffset = Text(edVOffset);
    s.edBIAS = Text(edBIAS);
    s.edAMP = Text(edAMP);
    s.conon = conon->isChecked();
    s.rpedit = Text(rpedit);
    s.gpedit = Text(gpedit);
    s.bpedit = Text(bpedit);
    s.forcesymetry = forcesymetry->isChecked();
    s.rgbon = rgbon->isChecked();
    s.xedit = Text(xedit);
    s.yedit = Text(yedit);
    s.forcesym2 = forcesym2->isChecked();
    s.dispon = dispon->isChecked();
    return s;
}

void Tmain::SetPostPage(const TPostProcessSettings& s) {
    auto set = [](TEdit97* e, const std::string& t) { e->setText(QString::fromStdString(t)); };
    for (int i = 0; i < 9; ++i) set(MatrixEdits[i], s.Matrix[i]);
    set(edHOffset, s.edHOffset);
    set(edVOffset, s.edVOffset);
    set(edBIAS, s.edBIAS);
    set(edAMP, s.edAMP);
    conon->setChecked(s.conon);
    set(rpedit, s.rpedit);
    set(gpedit, s.gpedit);
    set(bpedit, s.bpedit);
    forcesymetry->setChecked(s.forcesymetry);
    rgbon->setChecked(s.rgbon);
    set(xedit, s.xedit);
    set(yedit, s.yedit);
    forcesym2->setChecked(s.forcesym2);
    dispon->setChecked(s.dispon);
}

void Tmain::StoreShownLayer() {
    if (FTab < kResultTab) FModel.StoreLayerParams(FTab, LayerControls());
}

// The record of a layer into the controls, rendering held off meanwhile.
void Tmain::ApplyLayer(int layer) {
    TLockGuard loading(FLoadingLock);
    SetLayerControls(FModel.ApplyLayerParams(layer));
    ShowInView(FModel.LayerImages[layer]);
    EnableForAlgorithm(FModel.Layers[layer].Algorithm);
}

void Tmain::EnableForAlgorithm(int algorithm) {
    TLayerControlsEnabled e;
    // Each control's own state, whatever its page's.
    auto own = [](const QWidget* w) { return !w->testAttribute(Qt::WA_ForceDisabled); };
    e.Brightness = own(RxSlider3);
    e.Cycle = own(RxSlider1);
    e.Amplitude = own(RxSlider5);
    e.Turbulence = own(RxSlider6);
    e.Embossed = own(embossed1);
    EnableControlsForAlgorithm(algorithm, e);
    RxSlider3->setEnabled(e.Brightness);
    BrightnessLabel->setEnabled(e.Brightness);
    RxSlider1->setEnabled(e.Cycle);
    CycleLabel->setEnabled(e.Cycle);
    RxSlider5->setEnabled(e.Amplitude);
    AmplitudeLabel->setEnabled(e.Amplitude);
    for (QWidget* w : std::initializer_list<QWidget*>{RxSlider6, RxSlider7, Turbulence1Label, Turbulence2Label})
        w->setEnabled(e.Turbulence);
    embossed1->setEnabled(e.Embossed);
}

void Tmain::EnableLayerControls(bool enabled) {
    Notebook1->Page(Notebook1->IndexOfPage(kLayerPage))->setEnabled(enabled);
    for (TMenuItem* menu : {BufferMenu, MutationMenu}) {
        menu->SetEnabled(enabled);
        // A short-cut follows its own item, not the menu.
        for (int i = 0; i < menu->Count(); ++i) menu->GetItem(i)->SetEnabled(enabled);
    }
}

TPixelGraphic& Tmain::ViewPicture() { return *pgimage1->GetPixelGraphic(); }

void Tmain::ResizeViewToCell() {
    TPixelGraphic& view = ViewPicture();
    if (view.GetWidth() != RxSlider2->GetValue() || view.GetHeight() != RxSlider4->GetValue())
        view.SetSize(RxSlider2->GetValue(), RxSlider4->GetValue(), 3);
    FCellSizeChanged = false;
}

// The top-left cell of a tile into the view, one change signal.
void Tmain::ShowInView(const TPixelGraphic& picture) {
    TPixelGraphic& view = ViewPicture();
    view.BeginUpdate();
    TFinally end([&] { view.EndUpdate(); });
    view.CopyRect(0, 0, picture, 0, 0, view.GetWidth(), view.GetHeight());
}

bool Tmain::PreviewShown() const { return FPreview && FPreview->isVisible(); }

void Tmain::RefreshPreview() {
    if (FPreview) FPreview->ShowPicture(FModel.Result);
}

// The notice panel over the middle of the form, painted at once.
void Tmain::ShowNotice(const char* text) {
    ColorPanel1->SetCaption(text);
    ColorPanel1->move((centralWidget()->width() - ColorPanel1->width()) / 2,
                      (centralWidget()->height() - ColorPanel1->height()) / 2);
    ColorPanel1->ShowNow();
}

// ---- the work -------------------------------------------------------------------------

void Tmain::PaletteChanged(int, const TColourTable& table, const std::string& text) {
    FPalette = table;
    FPaletteText = text;
}

void Tmain::DrawPaletteStrip() {
    ::DrawPaletteStrip(*PGImage4->GetPixelGraphic(), FPalette, RxSlider1->GetValue(), RxSlider3->GetValue());
}

void Tmain::RenderLayer() {
    if (FCellSizeChanged) ResizeViewToCell();
    if (FTab == kResultTab) {
        ShowInView(FModel.Result);
        return;
    }
    StoreShownLayer();
    THourGlass hourGlass;
    TPixelGraphic& view = ViewPicture();
    view.BeginUpdate();
    {
        TFinally end([&] { view.EndUpdate(); });
        FModel.RenderLayer(FTab, &view);
        ++FRenderCount;
    }
    if (PreviewShown()) {
        FModel.PostProcess = PostPage();
        FModel.Compose();
        RefreshPreview();
    }
}

void Tmain::PostProcessAndCompose() {
    StoreShownLayer();
    FModel.PostProcess = PostPage();
    THourGlass hourGlass;
    FModel.Compose();
}

// ---- handlers ---------------------------------------------------------------------------

void Tmain::SliderReleased(TRxSlider* slider) {
    if (slider == RxSlider1) DrawPaletteStrip();
    if (!FInteractionLock) RenderLayer();
}

void Tmain::TwistRightClick() {
    twistslider->SetValue(0);
    RenderLayer();
}

void Tmain::SeedChanged() {
    if (FInteractionLock || FLoadingLock) return;
    timer1->SetEnabled(false);
    timer1->SetEnabled(true);
}

void Tmain::TimerTick() {
    if (FInteractionLock) {
        timer1->SetEnabled(false);
        return;
    }
    if (++FTicks < 2) return;
    // Stopped first, so that a render that fails does not come back.
    timer1->SetEnabled(false);
    FTicks = 0;
    DrawPaletteStrip();
    if (AutoUpdate->isChecked()) RenderLayer();
}

void Tmain::CheckBoxToggled() {
    if (AutoUpdate->isChecked() && !FInteractionLock && !FLoadingLock) RenderLayer();
}

void Tmain::AlgorithmChanged(int index) {
    if (FLoadingLock) return;
    EnableForAlgorithm(index);
    if (!FInteractionLock) RenderLayer();
}

void Tmain::CellSizeChanged() {
    CellWidthEdit->setText(QString::number(RxSlider2->GetValue()));
    CellHeightEdit->setText(QString::number(RxSlider4->GetValue()));
    FCellSizeChanged = true;
}

void Tmain::CellEditEnter(TEdit97* edit, TRxSlider* slider) {
    slider->SetValue(StrToIntDef(Text(edit), slider->GetValue()));
    edit->setText(QString::number(slider->GetValue()));
    RenderLayer();
}

void Tmain::TabChanged(int tab) {
    if (tab == FTab || tab < 0) return;
    if (FInteractionLock) {
        // Ignored: the bar goes back to the tab shown.
        const QSignalBlocker block(TabSet1);
        TabSet1->setCurrentIndex(FTab);
        return;
    }
    TLockGuard lock(FInteractionLock);
    if (!FLoadingLock && FTab < kResultTab) {
        // A debounce render still pending belongs to the layer being left.
        if (timer1->GetEnabled()) {
            timer1->SetEnabled(false);
            FTicks = 0;
            DrawPaletteStrip();
            if (AutoUpdate->isChecked()) RenderLayer();
        }
        StoreShownLayer();
    }
    FTab = tab;
    if (tab == kResultTab) {
        EnableLayerControls(false);
        Notebook1->SetActivePage(kPostPage);
        StripBox->hide();
        TFinally show([this] { ShowInView(FModel.Result); });
        FModel.PostProcess = PostPage();
        THourGlass hourGlass;
        FModel.Compose();
    } else {
        EnableLayerControls(true);
        Notebook1->SetActivePage(kLayerPage);
        StripBox->show();
        layeractive->setEnabled(tab != 0);
        BlendButton->SetEnabled(tab != 0);
        ApplyLayer(tab);
        if (tab == 0) layeractive->setChecked(true);
    }
    DrawPaletteStrip();
}

void Tmain::SelectTab(int tab) { TabSet1->setCurrentIndex(tab); }

void Tmain::BlendItemClick(TMenuItem* item) {
    item->SetChecked(true);
    FBlendTag = item->GetTag();
    LayerActiveChanged();
}

void Tmain::LayerActiveChanged() {
    if (FInteractionLock || FLoadingLock || !PreviewShown()) return;
    FModel.PostProcess = PostPage();
    THourGlass hourGlass;
    FPreview->RefreshResult(FModel, FTab, LayerControls());
}

void Tmain::ApplyClick() {
    PostProcessAndCompose();
    ShowInView(FModel.Result);
    if (PreviewShown()) RefreshPreview();
}

void Tmain::StripMouseDown(int button, int x, int y) {
    if (!FEditor) return;
    if (button == mbLeft) {
        const QPoint at = PGImage4->GetPicBox()->mapToGlobal(QPoint(x, y));
        FEditor->PopupMenu1->Popup(at.x(), at.y());
    } else if (button == mbRight && FTab != kResultTab) {
        // The editor starts from the palette last chosen in it (the shown
        // layer's before any was chosen), whichever layer is shown.
        FEditor->ParseGradientText(FLastPaletteText.empty() ? FPaletteText : FLastPaletteText);
        if (FEditor->exec() != mrOk) return;
        DrawPaletteStrip();
        RenderLayer();
        FLastPaletteText = FEditor->GetGradientText();
    }
}

bool Tmain::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::ShortcutOverride && qobject_cast<QLineEdit*>(watched)) {
        // An enabled item's short-cut wins: not accepting the override
        // leaves the key to the short-cut.
        auto* key = static_cast<QKeyEvent*>(event);
        const QKeySequence pressed(key->keyCombination());
        std::function<bool(TMenuItem*)> owns = [&](TMenuItem* item) {
            for (int i = 0; i < item->Count(); ++i) {
                TMenuItem* sub = item->GetItem(i);
                if ((sub->GetEnabled() && sub->GetShortCut() == pressed) || owns(sub)) return true;
            }
            return false;
        };
        if (owns(MainMenu1->GetItems())) return true;
    }
    if ((watched == twistslider || watched == twistslider->Thumb()) && event->type() == QEvent::MouseButtonPress &&
        static_cast<QMouseEvent*>(event)->button() == Qt::RightButton) {
        TwistRightClick();
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

// ---- commands ------------------------------------------------------------------------------

void Tmain::RunFileCommand(TFileRequest request, const std::function<void(const std::string&)>& action) {
    const std::string name = AskFileName ? AskFileName(request) : std::string();
    if (!name.empty()) action(name);
}

std::string Tmain::DefaultAskFileName(TFileRequest request) {
    auto run = [this](TPGOpenDialog* dialog) { return dialog->Execute(this) ? dialog->GetFileName() : std::string(); };
    switch (request) {
        case frSaveTile: return run(PGSaveDialog1);
        case frImportPicture: return run(PGOpenDialog1);
        case frSaveJpeg: return run(JpegSaveDialog);
        case frLoadParameters:
        case frSaveParameters: break;
    }
    // Parameter files start in the documents folder: the program's folder
    // is no place to write to once installed.
    static QString parameterFolder = DocumentsFolder();
    const bool save = request == frSaveParameters;
    QFileDialog dialog(this);
    dialog.setDirectory(parameterFolder);
    dialog.setNameFilters(FilterToNameFilters(save ? "Mozaro! Files|*.mzo" : "Mozaro! Filez|*.mzo"));
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setDefaultSuffix("mzo");
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::string();
    const QString name = dialog.selectedFiles().first();
    parameterFolder = QFileInfo(name).absolutePath();
    return name.toStdString();
}

void Tmain::SaveTile(const std::string& fileName) {
    TPixelGraphic& view = ViewPicture();
    THourGlass hourGlass;
    TSafeFileStream out(fileName);
    SaveToStreamExtWithJpegQuality(view, out, ExtensionOf(fileName), kTileJpegQuality);
    out.Commit();
}

void Tmain::SmartJpegSaver() {
    Tjpeger_f saver(this);
    saver.SetGraphic(ViewPicture());
    TFinally reset([] { JpegQuality = kSaverResetQuality; });
    if (saver.exec() != 1) return;
    RunFileCommand(frSaveJpeg, [&](const std::string& f) { saver.SaveJpeg(f); });
}

void Tmain::SetAsWallpaper(bool tiled) {
    Tinputdlg input(this);
    input.SetCaption("Set as Windows Wallpaper");
    input.SetPrompt("Name of the wallpaper picture:");
    // A blank name is refused with its message.
    if (!input.Execute()) return;
    ::SetWallpaper(ViewPicture(), input.GetText().toStdString(), tiled);
}

void Tmain::CopyTileToClipboard() { CopyToClipboard(ViewPicture()); }

void Tmain::SaveParameters(const std::string& fileName) {
    // A typed folder that is not there is said as such, before the store
    // reports it in its own words.
    const QString folder = QFileInfo(QString::fromStdString(fileName)).absolutePath();
    if (!QFileInfo(folder).isDir())
        throw std::runtime_error("The folder " + QDir::toNativeSeparators(folder).toStdString() + " does not exist.");
    FModel.CellWidth = RxSlider2->GetValue();
    FModel.CellHeight = RxSlider4->GetValue();
    PostProcessAndCompose();
    THourGlass hourGlass;
    FModel.SaveParameterFile(fileName);
}

void Tmain::LoadParameters(const std::string& fileName) {
    ShowNotice(kParsingFileText);
    TFinally hide([this] { ColorPanel1->hide(); });
    TLockGuard loading(FLoadingLock);
    // A seed typed before belongs to the tile being replaced.
    timer1->SetEnabled(false);
    FTicks = 0;
    {
        THourGlass hourGlass;
        FModel.LoadParameterFile(fileName);  // whole or not at all
    }
    SetPostPage(FModel.PostProcess);
    RxSlider2->SetValue(FModel.CellWidth);
    RxSlider4->SetValue(FModel.CellHeight);
    ResizeViewToCell();
    if (FTab != kResultTab) {
        // The controls show a layer of the old tile: nothing is stored on
        // the way (the loading lock), and the result is shown.
        TLockGuard lock(FInteractionLock);
        FInteractionLock = false;
        {
            const QSignalBlocker block(TabSet1);
            TabSet1->setCurrentIndex(kResultTab);
        }
        FTab = kResultTab;
        EnableLayerControls(false);
        Notebook1->SetActivePage(kPostPage);
        StripBox->hide();
    }
    ShowInView(FModel.Result);
    if (PreviewShown()) RefreshPreview();
}

void Tmain::BrowsePresets(int folder) {
    if (!FPresets || folder < 0 || folder >= 5) return;
    {
        ShowNotice(kReadingPresetsText);
        TFinally hide([this] {
            ColorPanel1->hide();
            ColorPanel1->SetCaption(kParsingFileText);
        });
        FPresets->FillFromFolder(PresetRoot + "/" + kPresetFolders[folder].Folder);
    }
    if (FPresets->exec() == 1) LoadParameters(FPresets->ChosenFile());
}

void Tmain::ImportPicture(const std::string& fileName) {
    if (FTab >= kResultTab) return;
    TPixelGraphic read;
    read.LoadFromFile(fileName);  // a failed read changes nothing
    TPixelGraphic picture;
    picture.SetSize(read.GetWidth(), read.GetHeight(), 3);
    picture.CopyRect(0, 0, read, 0, 0, read.GetWidth(), read.GetHeight());
    FModel.ImportImages[FTab].StretchFrom(picture);
    {
        const QSignalBlocker block(AutoImageComboBox1);
        AutoImageComboBox1->setCurrentIndex(algImageFile);
    }
    AlgorithmChanged(algImageFile);
}

void Tmain::CopyLayerParameters() {
    if (FTab >= kResultTab) return;
    StoreShownLayer();
    FModel.CopyLayerParameters(FTab);
}

void Tmain::PasteLayerParameters() {
    if (FTab >= kResultTab) return;
    FModel.PasteLayerParameters(FTab);
    ApplyLayer(FTab);
    RenderLayer();
    DrawPaletteStrip();
}

void Tmain::MutateLayer() {
    if (FTab >= kResultTab || FInteractionLock) return;
    THourGlass hourGlass;
    TLockGuard lock(FInteractionLock);
    TRandomGenerator& rng = FMutationRandom ? *FMutationRandom : GlobalRandom();
    if (!FMutationRandom) Randomize();
    if (MutationAlgorithm1->GetChecked()) AutoImageComboBox1->setCurrentIndex(rng.NextInt(20));
    if (MutationSliders1->GetChecked()) {
        RxSlider3->SetValue(rng.NextInt(200) - 100);
        RxSlider1->SetValue(rng.NextInt(255) - 255);
        RxSlider6->SetValue(rng.NextInt(79) + 1);
        RxSlider7->SetValue(rng.NextInt(79) + 1);
        RxSlider5->SetValue(rng.NextInt(96) + 32);
    }
    EnableForAlgorithm(AutoImageComboBox1->currentIndex());
    if (MutationSeed1->GetChecked()) KV_Edit1->setText(QString::number(rng.NextInt(2147483647)));
    else KV_Edit1->setText(KV_Edit1->text());
    if (MutationColors1->GetChecked() && FEditor) {
        FEditor->Randomize();
        DrawPaletteStrip();
    }
    RenderLayer();
}

void Tmain::ShowHelp() {
    const QString path = QDir(QString::fromStdString(ProgramFolder())).filePath(kHelpFile);
    if (QFileInfo::exists(path) && QDesktopServices::openUrl(QUrl::fromLocalFile(path))) return;
    ShowMessageBox("The help file \"" + path.toStdString() + "\" cannot be opened.", kApplicationTitle, mtError);
}

void Tmain::About() {
    artkit::Tsplashscreen splash(this, kApplicationTitle);
    splash.exec();
}

void Tmain::TogglePreview() {
    if (!FPreview) return;
    if (PreviewShown()) {
        FPreview->hide();
    } else {
        // Beside the form, never over its menu bar and tabs, whose clicks it
        // would take.
        const QPoint tabsBottom = TabSet1->mapToGlobal(QPoint(0, TabSet1->height()));
        const QRect frame = frameGeometry();
        FPreview->ShowBeside(this, QRect(frame.left(), frame.top(), frame.width(), tabsBottom.y() - frame.top()));
        // Shown without an activation (no window manager) it still shows
        // the result.
        LayerActiveChanged();
    }
    Preview1->SetChecked(PreviewShown());
}

void Tmain::ShowFullScreen() { Tfullscreen::Execute(this, ViewPicture()); }

void Tmain::SetZoom(long double zoom) {
    zoom = std::clamp(zoom, kMinZoom, kMaxZoom);
    pgimage1->SetZoomFactor(zoom);
    ZoomLabel->setText(QString::number(static_cast<int>(std::trunc(zoom * 100))) + "%");
}

void Tmain::ZoomIn() { SetZoom(Zoom() * 2); }
void Tmain::ZoomOut() { SetZoom(Zoom() * 0.5L); }
long double Tmain::Zoom() const { return pgimage1->GetZoomFactor(); }

// ---- window --------------------------------------------------------------------------------

void Tmain::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!FUnlockQueued) {
        // Start-up ends once the form is up, whether or not a window manager
        // ever activates it.
        FUnlockQueued = true;
        QTimer::singleShot(0, this, [this] {
            FInteractionLock = false;
            // The keyboard comes to the form also where no window manager
            // hands it over: its short-cuts work without a click first.
            activateWindow();
        });
    }
}

void Tmain::closeEvent(QCloseEvent* event) {
    timer1->SetEnabled(false);
    FPreview.reset();
    if (FEditor) FEditor->hide();
    if (FPresets) FPresets->hide();
    event->accept();
    QCoreApplication::quit();
}

}  // namespace mozaro
