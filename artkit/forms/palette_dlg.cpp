#include "artkit/forms/palette_dlg.h"

#include <QApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QVBoxLayout>
#include <cmath>
#include <optional>

#include "artkit/UserGradients.h"
#include "platform/Cursors.h"
#include "platform/Exception.h"
#include "platform/Menus.h"
#include "platform/MessageBox.h"
#include "widgets/NvOS8Checkbox.h"
#include "widgets/RxLabel.h"
#include "widgets/RxSpin.h"
#include "widgets/kv_btns.h"
#include "widgets/kv_dlgs.h"

namespace {

const char* const kCaption = "Palette Editor";

struct TPreset {
    const char* Caption;
    const char* Text;
};

const TPreset kGreyscale[] = {
    {"Grey AB wash", "0;0;0;32;32;32;64;64;64;128;128;128;256;256;256"},
    {"Grey ABA wash", "0;0;0;128;128;128;256;256;256;128;128;128;0;0;0"},
};
const TPreset kMetallic[] = {
    {"Chrome", "40;104;148;80;208;255;256;256;256;255;220;40;139;107;19;"},
    {"Bronze", "1;32;1;70;50;32;150;120;80;255;200;120;1;1;1;"},
    {"Silver", "1;5;15;1;20;30;240;240;255;1;20;30;1;5;15;"},
    {"Gold", "25;25;1;100;50;1;150;100;1;200;200;1;240;255;100;"},
};
const TPreset kMisc[] = {
    {"Alien Skin", "1;10;20;201;164;163;255;200;200;1;10;10;1;1;1;"},
    {"Rainbow in the Dark", "1;1;1;58;216;255;200;255;42;255;18;22;1;1;1;"},
    {"70ties", "1;255;1;255;1;255;1;255;1;255;1;1;1;255;255;"},
};
const TPreset kTileMisc[] = {
    {"Violet 2 White", "128;1;128;128;64;128;128;128;128;128;128;128;255;255;255;"},
    {"Orange 2 Green", "150;255;150;160;200;150;180;180;150;200;160;75;255;150;1;"},
};
const TPreset kNatural[] = {
    {"Dirt", "128;128;128;128;110;70;1;40;1;1;40;1;128;110;70;"},
    {"Grey Brown Mud", "20;20;20;40;40;40;70;70;70;80;40;20;100;60;20;"},
    {"Buff", "150;150;140;170;170;120;190;190;150;220;220;180;220;220;200;"},
    {"Oak", "50;30;1;100;60;1;130;70;1;50;30;1;130;70;1;"},
    {"Thunderstorm", "50;1;255;100;50;200;100;100;150;100;100;100;50;50;70;"},
    {"Dark && Muddy", "1;1;1;74;68;57;92;82;68;111;97;79;125;108;87;"},
};
const TPreset kStandard = {"Standard", "1;1;1;64;128;128;256;256;256;128;64;128;1;1;1;"};

// Columns of the stop grid: 64 pixels apart, so that each stop sits below
// its place on the strip (entries 0, 64, 128, 192, 256).
constexpr int kSpinWidth = 46;
constexpr int kColumnGap = 64 - kSpinWidth;
constexpr int kRowLabelWidth = 34;

TRxSpinEdit* MakeSpinEdit(QWidget* parent, int n) {
    auto* e = new TRxSpinEdit(parent);
    e->setObjectName(QStringLiteral("RxSpinEdit%1").arg(n));
    e->SetRange(1, 256, 1);
    e->SetValue(1);
    e->setFixedSize(kSpinWidth, 21);
    return e;
}

TRxLabel* MakeRowLabel(QWidget* parent, const char* name, const char* caption) {
    auto* l = new TRxLabel(parent);
    l->setObjectName(QString::fromLatin1(name));
    l->SetAutoSize(false);
    l->SetLayout(tlCenter);
    l->SetCaption(QString::fromLatin1(caption));
    l->setFixedSize(kRowLabelWidth, 21);
    return l;
}

TKV_GradientButton* MakeButton(QWidget* parent, const char* name, const char* caption, const char* hint) {
    auto* b = new TKV_GradientButton(parent);
    b->setObjectName(QString::fromLatin1(name));
    b->SetCaption(QString::fromLatin1(caption));
    b->setToolTip(QString::fromLatin1(hint));
    b->setFixedSize(75, 25);
    return b;
}

}  // namespace

Tgradmaker::Tgradmaker(TPaletteHost& host, TPaletteEditorVariant variant, QWidget* parent)
    : QDialog(parent), FHost(host), FVariant(variant), FRandom(ClockSeed()) {
    setObjectName(QStringLiteral("gradmaker"));
    BuildForm();
    PopupMenu1 = new TPopupMenu(this);
    if (FVariant == pevButtonDesigner) BuildButtonDesignerMenu();
    else BuildTileGeneratorMenu();
    RxSpeedButton2->SetDropDownMenu(PopupMenu1->GetWidget());

    // Form creation.
    if (FVariant == pevButtonDesigner) {
        ::Randomize();
        for (int target : {tgPlasma, tgGradient}) {
            FTarget = target;
            ParseGradientText("default");
            FHost.DrawPaletteStrip(target);
            FHost.RenderPalette(target);
        }
        RebuildUserGradients();
    } else {
        FFirstRender = true;
        ParseGradientText("default");
    }
}

Tgradmaker::~Tgradmaker() = default;

void Tgradmaker::BuildForm() {
    setWindowTitle(QString::fromLatin1(kCaption));
    setWindowFlags(Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    QFont f(QStringLiteral("Arial"));
    f.setPointSize(8);
    setFont(f);
    setFixedSize(427, 173);

    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setFixedSize(256, 20);
    QImage strip(256, 20, QImage::Format_RGB32);
    strip.fill(Qt::black);
    Image1->setPixmap(QPixmap::fromImage(strip));

    Label17 = MakeRowLabel(this, "Label17", "Red");
    RxLabel1 = MakeRowLabel(this, "RxLabel1", "Green");
    RxLabel2 = MakeRowLabel(this, "RxLabel2", "Blue");
    for (int n = 1; n <= PaletteComponentCount; ++n) {
        TRxSpinEdit* e = MakeSpinEdit(this, n);
        e->OnChange = [this](QObject*) {
            if (!FDetached) render();
        };
        FSpinEdits[n - 1] = e;
    }

    checkbox1 = new TNvOS8Checkbox(this);
    checkbox1->setObjectName(QStringLiteral("checkbox1"));
    checkbox1->SetCaption(QStringLiteral("Cycled"));
    checkbox1->SetBaseColor(clGray);
    checkbox1->setFixedSize(70, 17);
    checkbox1->OnClick = [this](QObject*) { CheckBox1Click(); };

    RxSpeedButton3 = MakeButton(this, "RxSpeedButton3", "Reset", "Sets all values to 0");
    RxSpeedButton3->SetFlat(true);
    RxSpeedButton3->SetVertical(true);
    RxSpeedButton3->OnClick = [this](QObject*) { Reset(); };
    RxSpeedButton1 = MakeButton(this, "RxSpeedButton1", "Randomize", "Randomizes all Values");
    RxSpeedButton1->OnClick = [this](QObject*) { Randomize(); };
    // Its click only opens the preset menu.
    RxSpeedButton2 = MakeButton(this, "RxSpeedButton2", "Presets...", "Preset and saved Gradients");
    if (FVariant == pevTileGenerator) {
        for (TKV_GradientButton* b : {RxSpeedButton1, RxSpeedButton2, RxSpeedButton3}) b->SetShadowColor(clBtnFace);
    }
    inputdlg1 = new Tinputdlg(this);
    inputdlg1->SetCaption(QStringLiteral("Save current"));
    inputdlg1->SetPrompt(QStringLiteral("Name of the gradient:"));

    // The strip above the stop grid, "Cycled" and the buttons below; the
    // whole block centred.
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(kColumnGap);
    grid->setVerticalSpacing(5);
    grid->setContentsMargins(0, 0, 0, 0);
    auto* stripRow = new QHBoxLayout;
    stripRow->setContentsMargins((kSpinWidth - 1) / 2, 0, 0, 0);
    stripRow->addWidget(Image1);
    stripRow->addStretch(1);
    grid->addLayout(stripRow, 0, 1, 1, 5);
    grid->setRowMinimumHeight(1, 4);
    TRxLabel* labels[3] = {Label17, RxLabel1, RxLabel2};
    for (int row = 0; row < 3; ++row) {
        grid->addWidget(labels[row], row + 2, 0);
        for (int stop = 0; stop < 5; ++stop) grid->addWidget(FSpinEdits[3 * stop + row], row + 2, stop + 1);
    }
    grid->setColumnMinimumWidth(0, kRowLabelWidth);
    // Stop 5 hides under "Cycled" but keeps its room: the grid stays put.
    for (int n = 13; n <= 15; ++n) {
        QSizePolicy policy = FSpinEdits[n - 1]->sizePolicy();
        policy.setRetainSizeWhenHidden(true);
        FSpinEdits[n - 1]->setSizePolicy(policy);
    }

    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(6);
    buttons->addSpacing(kRowLabelWidth + kColumnGap);
    buttons->addWidget(checkbox1, 0, Qt::AlignVCenter);
    buttons->addStretch(1);
    buttons->addWidget(RxSpeedButton3);
    buttons->addWidget(RxSpeedButton1);
    buttons->addWidget(RxSpeedButton2);

    auto* block = new QVBoxLayout;
    block->setSpacing(0);
    block->addStretch(1);
    block->addLayout(grid);
    block->addSpacing(14);
    block->addLayout(buttons);
    block->addStretch(1);

    auto* top = new QHBoxLayout(this);
    top->setContentsMargins(8, 8, 8, 8);
    top->addStretch(1);
    top->addLayout(block);
    top->addStretch(1);
}

TMenuItem* Tgradmaker::AddMenuItem(TMenuItem* parent, const QString& caption, const char* paletteText) {
    auto* item = new TMenuItem(PopupMenu1);
    item->SetCaption(caption);
    if (paletteText) {
        const std::string text = paletteText;
        item->OnClick = [this, text](QObject*) { defaultgrad(text); };
    }
    parent->Add(item);
    return item;
}

void Tgradmaker::BuildButtonDesignerMenu() {
    TMenuItem* root = PopupMenu1->GetItems();
    TMenuItem* def = AddMenuItem(root, QStringLiteral("Default"));
    TMenuItem* grey = AddMenuItem(def, QStringLiteral("Greyscale"));
    for (const TPreset& p : kGreyscale) AddMenuItem(grey, QString::fromLatin1(p.Caption), p.Text);
    TMenuItem* metallic = AddMenuItem(def, QStringLiteral("Metallic"));
    for (const TPreset& p : kMetallic) AddMenuItem(metallic, QString::fromLatin1(p.Caption), p.Text);
    TMenuItem* misc = AddMenuItem(def, QStringLiteral("Misc."));
    for (const TPreset& p : kMisc) AddMenuItem(misc, QString::fromLatin1(p.Caption), p.Text);
    AddMenuItem(def, QStringLiteral("-"));
    AddMenuItem(def, QString::fromLatin1(kStandard.Caption), kStandard.Text);
    AddMenuItem(def, QString())->SetVisible(false);

    FUserDefined = AddMenuItem(root, QStringLiteral("User Defined"));
    AddMenuItem(root, QStringLiteral("-"));
    AddMenuItem(root, QStringLiteral("Save current"))->OnClick = [this](QObject*) { SaveCurrent(); };
    TMenuItem* manager = AddMenuItem(root, QStringLiteral("Preset Manager"));
    manager->OnClick = [this](QObject*) { RebuildUserGradients(); };
    manager->SetVisible(false);
}

void Tgradmaker::BuildTileGeneratorMenu() {
    TMenuItem* root = PopupMenu1->GetItems();
    TMenuItem* grey = AddMenuItem(root, QStringLiteral("Greyscale"));
    for (const TPreset& p : kGreyscale) AddMenuItem(grey, QString::fromLatin1(p.Caption), p.Text);
    TMenuItem* metallic = AddMenuItem(root, QStringLiteral("Metallic"));
    for (const TPreset& p : kMetallic) AddMenuItem(metallic, QString::fromLatin1(p.Caption), p.Text);
    TMenuItem* natural = AddMenuItem(root, QStringLiteral("Natural"));
    for (const TPreset& p : kNatural) AddMenuItem(natural, QString::fromLatin1(p.Caption), p.Text);
    TMenuItem* misc = AddMenuItem(root, QStringLiteral("Misc."));
    for (const TPreset& p : kMisc) AddMenuItem(misc, QString::fromLatin1(p.Caption), p.Text);
    for (const TPreset& p : kTileMisc) AddMenuItem(misc, QString::fromLatin1(p.Caption), p.Text);
    TMenuItem* def = AddMenuItem(root, QStringLiteral("Default"));
    AddMenuItem(def, QStringLiteral("-"));
    AddMenuItem(def, QString::fromLatin1(kStandard.Caption), kStandard.Text);
    AddMenuItem(def, QString())->SetVisible(false);
    def->SetVisible(false);
    // The user-gradient items exist but stay hidden and unbound: the tile
    // generator never touches the settings file.
    FUserDefined = AddMenuItem(root, QStringLiteral("User Defined"));
    for (const char* caption : {"-", "Save current", "Preset Manager"}) AddMenuItem(root, QString::fromLatin1(caption));
    for (int i = root->IndexOf(FUserDefined); i < root->Count(); ++i) root->GetItem(i)->SetVisible(false);
}

// ---- loading and expanding ------------------------------------------------------

int Tgradmaker::Component(int n) const { return static_cast<int>(std::lround(FSpinEdits[n - 1]->GetValue())); }

std::string Tgradmaker::GetGradientText() const {
    TPaletteStops stops{};
    for (int n = 1; n <= PaletteComponentCount; ++n) stops[n - 1] = ClampPaletteComponent(Component(n));
    return WritePaletteText(stops);
}

void Tgradmaker::LoadStops(const TPaletteStops& stops) {
    for (int n = 0; n < PaletteComponentCount; ++n) FSpinEdits[n]->SetValue(stops[n]);
}

void Tgradmaker::ParseGradientText(const std::string& text) {
    const TPaletteStops stops = PaletteTextToStops(text);  // raises before anything changes
    FParsing = true;
    try {
        LoadStops(stops);
    } catch (...) {
        FParsing = false;
        throw;
    }
    FParsing = false;
    render();
}

void Tgradmaker::CopyStop1ToStop5() {
    for (int n = 1; n <= 3; ++n) FSpinEdits[11 + n]->SetValue(Component(n));
}

void Tgradmaker::render() {
    if (FParsing) return;
    std::optional<THourGlass> hourGlass;
    if (FVariant == pevTileGenerator) hourGlass.emplace();

    if (checkbox1->GetChecked()) {
        FDetached = true;
        CopyStop1ToStop5();
        FDetached = false;
    }
    if (FBatch && FVariant == pevButtonDesigner) return;
    if (!FBatch) {
        TPaletteStops stops{};
        for (int n = 1; n <= PaletteComponentCount; ++n) stops[n - 1] = ClampPaletteComponent(Component(n));
        const TColourTable table = ExpandPalette(stops);
        FHost.PaletteChanged(FTarget, table, WritePaletteText(stops));
        DrawStrip(table);
    }
    if (FFirstRender) {
        FFirstRender = false;
        QApplication::processEvents();
        FHost.DrawPaletteStrip(FTarget);
        QApplication::processEvents();
        FHost.RenderPalette(FTarget);
    }
}

void Tgradmaker::DrawStrip(const TColourTable& table) {
    QImage strip(256, 20, QImage::Format_RGB32);
    for (int x = 0; x < 256; ++x) {
        const uint32_t c = table[x];
        const QRgb rgb = qRgb(GetRValue(c), GetGValue(c), GetBValue(c));
        for (int y = 0; y < 20; ++y) strip.setPixel(x, y, rgb);
    }
    Image1->setPixmap(QPixmap::fromImage(strip));
}

// ---- commands -------------------------------------------------------------------------

void Tgradmaker::defaultgrad(const std::string& text) {
    FBatch = true;
    try {
        ParseGradientText(text);
    } catch (...) {
        FBatch = false;
        throw;
    }
    FBatch = false;
    render();
    if (FVariant == pevTileGenerator) {
        FHost.DrawPaletteStrip(FTarget);
        FHost.RenderPalette(FTarget);
    }
}

void Tgradmaker::CheckBox1Click() {
    const bool cycled = checkbox1->GetChecked();
    for (int n = 13; n <= 15; ++n) FSpinEdits[n - 1]->setVisible(!cycled);
    if (!cycled) return;
    FBatch = true;
    CopyStop1ToStop5();
    FBatch = false;
    render();
}

void Tgradmaker::Reset() {
    FBatch = true;
    for (TRxSpinEdit* e : FSpinEdits) e->SetValue(1);
    FBatch = false;
    render();
}

void Tgradmaker::Randomize() {
    FBatch = true;
    for (TRxSpinEdit* e : FSpinEdits) e->SetValue(FRandom.NextInt(257));  // a 0 is clamped to 1
    FBatch = false;
    render();
}

void Tgradmaker::done(int) { QDialog::done(mrOk); }

// ---- user gradients ---------------------------------------------------------------------

std::string Tgradmaker::UserGradientName(TMenuItem* item) const {
    const auto it = FUserGradientNames.find(item);
    return it == FUserGradientNames.end() ? std::string() : it->second;
}

void Tgradmaker::AddUserGradientItem(const std::string& name) {
    TMenuItem* item = AddMenuItem(FUserDefined, QString::fromStdString(UserGradientCaption(name)));
    item->OnClick = [this](QObject* sender) { loadgrad(static_cast<TMenuItem*>(sender)); };
    FUserGradientNames[item] = name;
}

void Tgradmaker::RebuildUserGradients() {
    if (FVariant != pevButtonDesigner) return;
    FUserDefined->Clear();
    FUserGradientNames.clear();
    try {
        for (const std::string& name : UserGradientNames()) AddUserGradientItem(name);
    } catch (const std::exception& e) {
        ShowMessageBox(e.what(), kCaption, mtError);
    }
}

void Tgradmaker::loadgrad(TMenuItem* item) {
    const auto it = FUserGradientNames.find(item);
    if (it == FUserGradientNames.end()) return;
    const std::string text = ReadUserGradient(it->second);
    if (text == NoUserGradient) return;
    TPaletteStops stops{};
    try {
        ReadPaletteText(text, stops);
    } catch (const EConvertError& e) {
        ShowMessageBox(e.Message(), kCaption, mtError);
        return;
    }
    LoadStops(stops);
}

void Tgradmaker::SaveCurrent() {
    if (FVariant != pevButtonDesigner) return;
    const std::string text = GetGradientText();
    if (!inputdlg1->Execute()) return;
    const std::string name = inputdlg1->GetText().toStdString();
    const std::string problem = UserGradientNameProblem(name);
    if (!problem.empty()) {
        ShowMessageBox(problem, kCaption, mtWarning);
        return;
    }
    try {
        WriteUserGradient(name, text);
    } catch (const std::exception& e) {
        ShowMessageBox(e.what(), kCaption, mtError);
        return;
    }
    FLastSavedName = name;
    // An existing name (any case) keeps its item under the new spelling.
    const QString wanted = QString::fromStdString(name);
    for (auto& [item, itemName] : FUserGradientNames) {
        if (QString::fromStdString(itemName).compare(wanted, Qt::CaseInsensitive) == 0) {
            itemName = name;
            item->SetCaption(QString::fromStdString(UserGradientCaption(name)));
            return;
        }
    }
    AddUserGradientItem(name);
}
