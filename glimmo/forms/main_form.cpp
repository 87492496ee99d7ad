#include "glimmo/forms/main_form.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QColorDialog>
#include <QCursor>
#include <QDesktopServices>
#include <QDir>
#include <QEventLoop>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

#include "artkit/Painters.h"
#include "artkit/Plasma.h"
#include "artkit/forms/jpeger.h"
#include "artkit/forms/preset_dlg.h"
#include "artkit/forms/splash.h"
#include "glimmo/forms/batwizard.h"
#include "glimmo/forms/glyphs.h"
#include "image/PGDialogFilters.h"
#include "image/PGFormats.h"
#include "image/PGImage.h"
#include "image/forms/PGDialogs.h"
#include "menus97/Menus97.h"
#include "platform/Application.h"
#include "platform/ImageList.h"
#include "platform/MathUtil.h"
#include "platform/Menus.h"
#include "platform/MessageBox.h"
#include "platform/Paint.h"
#include "platform/ProgramFolder.h"
#include "platform/Shape.h"
#include "platform/Streams.h"
#include "widgets/AutoSpinImage.h"
#include "widgets/FontComboBox.h"
#include "widgets/Notebook.h"
#include "widgets/NvOS8Checkbox.h"
#include "widgets/RxSlider.h"
#include "widgets/RxSpin.h"
#include "widgets/kv_btns.h"
#include "widgets/kv_timer.h"

namespace glimmo {

const char* const ExportFilter =
    "BMP - Bitmap|*.bmp|JPG - JPEG (JFIF compliant)|*.jpg|PBM - Portable Bitmap|*.pbm|PGM - Portable "
    "Graymap|*.pgm|PNG - Portable Network Graphics|*.png|PPM - Portable Pixelmap|*.ppm|TGA - Truevision "
    "Targa|*.tga|TIF - Tagged Image File Format|*.tif|";

int Tmain::SplashMilliseconds = 1000;

namespace {

// Between a label and the control it names.
constexpr int kLabelGap = 6;

// The zoom's bounds: 12.5 % (shown "12%") and 1600 %.
constexpr long double kMinZoom = 0.125L;
constexpr long double kMaxZoom = 16.0L;

const char* const kParameterFilter = "Glimworks Files|*.glw|";
const char* const kJpegFilter = "JPEG|*.jpg|";

// The extension of entry index (1-based) of a filter text.
std::string EntryExtension(const std::string& filter, int index) {
    const std::vector<TFilterEntry> entries = ParseFilter(filter);
    if (index < 1 || index > static_cast<int>(entries.size())) return std::string();
    return PatternExtension(entries[index - 1].Pattern);
}

// The zoom label: Trunc(zoom x 100) in 64 bits, held within them.
QString ZoomText(long double zoom) {
    const long double percent = zoom * 100.0L;
    const int64_t shown = percent >= 9.2e18L ? INT64_MAX : Trunc(percent);
    return QString::number(shown) + QLatin1Char('%');
}

TKV_Button* MakeButton(QWidget* parent, const QString& caption, int width, int height = 25) {
    auto* b = new TKV_Button(parent);
    b->SetCaption(caption);
    b->setFixedSize(width, height);
    return b;
}

TRxSlider* MakeSlider(QWidget* parent, int minValue, int maxValue, int increment, int value) {
    auto* s = new TRxSlider(parent);
    s->SetRange(minValue, maxValue, increment);
    s->SetValue(value);
    s->setFixedHeight(34);
    s->setMinimumWidth(150);
    return s;
}

TShape* MakeSwatch(QWidget* parent, TColor color) {
    auto* s = new TShape(parent);
    s->SetBrushColor(color);
    s->setFixedSize(24, 20);
    s->setCursor(Qt::PointingHandCursor);
    return s;
}

TRxSpinEdit* MakeSpinEdit(QWidget* parent, double minValue, double maxValue, double value) {
    auto* e = new TRxSpinEdit(parent);
    e->SetRange(minValue, maxValue, 1);
    e->SetValue(value);
    e->setFixedWidth(62);
    return e;
}

// The frame of the shape and gradient buttons: white while up, black while
// down; the face is drawn over it.
void FrameButton(TKV_Button* button) {
    button->SetStyle(kvsOwnerdraw);
    button->OnDraw = [](QPainter& canvas, const TRect& rect, bool&, bool down) {
        FrameRect(canvas, rect, down ? clBlack : clWhite);
    };
}

// The stored look of the form's five popup menus.
void SetUpPopupMenus97(TPopupMenus97* m97, TPopupMenu* menu) {
    m97->SetPopupMenu(menu);
    TMenus97Font font{QFont(QStringLiteral("Arial")), clBlack};
    font.Font.setPixelSize(11);
    m97->SetFont(font);
    m97->SetHiliteFont(font);
    m97->SetBrush(0xECECEC);
    m97->SetHiliteBar(0xA06950);
    TMenus97Font banner{QFont(QStringLiteral("Arial")), clWhite};
    banner.Font.setPixelSize(16);
    m97->SetBannerFont(banner);
    m97->SetBannerJustification(bjCenter);
    m97->SetBannerWidth(20);
    m97->SetBannerColor(0xECECEC);
    m97->SetBannerEndColor(0xA06950);
    m97->SetBannerNumColors(32);
    m97->SetBanner(false);
    m97->SetItemHeight(0);
    m97->SetItemWidth(0);
}

TMenuItem* AddMenuItem(TMenuItem* parent, const QString& caption, int tag = 0,
                       const QKeySequence& shortCut = QKeySequence()) {
    auto* item = new TMenuItem;
    item->SetCaption(caption);
    item->SetTag(tag);
    if (!shortCut.isEmpty()) item->SetShortCut(shortCut);
    parent->Add(item);
    return item;
}

QLabel* MakeLabel(QWidget* parent, const QString& text) { return new QLabel(text, parent); }

QGroupBox* MakeGroup(QWidget* parent, const QString& title) { return new QGroupBox(title, parent); }

// Sets the loading flag for its lifetime; the flag is cleared however the
// load ends.
class TLoadingScope {
public:
    explicit TLoadingScope(bool& flag) : FFlag(flag) { FFlag = true; }
    ~TLoadingScope() { FFlag = false; }
    TLoadingScope(const TLoadingScope&) = delete;
    TLoadingScope& operator=(const TLoadingScope&) = delete;

private:
    bool& FFlag;
};

// Waits while the event loop runs, so that a click on the splash screen is
// seen at once.
void WaitWithEvents(int milliseconds) {
    if (milliseconds <= 0) return;
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
}

std::shared_ptr<TPixelGraphic> CopyOf(const TPixelGraphic& picture) {
    auto copy = std::make_shared<TPixelGraphic>();
    copy->Assign(&picture);
    return copy;
}

}  // namespace

// ---- construction ---------------------------------------------------------------------

Tmain::Tmain(QWidget* parent) : QMainWindow(parent) {
    setWindowTitle(QStringLiteral("Glimmo !"));
    BuildForm();
    ConnectHandlers();
    FormCreate();
}

Tmain::~Tmain() {
    // The pictures shown belong to the renderer and the form state, which
    // die before the child controls: let go of them first.
    qApp->removeEventFilter(this);
    KV_Timer1->SetEnabled(false);
    pgimage1->SetPixelGraphic(nullptr);
    PGImage2->SetPixelGraphic(nullptr);
    PGImage3->SetPixelGraphic(nullptr);
    PGImage4->SetPixelGraphic(nullptr);
    PGImage5->SetPixelGraphic(nullptr);
    PGImage6->SetPixelGraphic(nullptr);
}

std::string Tmain::PresetFolder() const {
    return QDir(QString::fromStdString(FProgramFolder)).filePath(QStringLiteral("glimmo")).toStdString() + "/";
}

void Tmain::BuildForm() {
    auto* central = new QWidget(this);
    setCentralWidget(central);
    auto* outer = new QVBoxLayout(central);
    outer->setContentsMargins(6, 4, 6, 6);
    outer->setSpacing(6);

    BuildMenus();

    // The drop-down buttons.
    auto* bar = new QHBoxLayout;
    bar->setSpacing(4);
    auto dropDown = [&](const QString& caption, TPopupMenu* menu) {
        auto* b = new TKV_GradientButton(central);
        b->SetCaption(caption);
        b->SetDropDownMenu(menu->GetWidget());
        b->SetLightColor(clWhite);
        b->SetShadowColor(clSilver);
        b->setFixedSize(112, 24);
        bar->addWidget(b);
        return b;
    };
    BevelStyleButton = dropDown(QStringLiteral("Bevel Style"), PopupMenu1);
    FillStyleButton = dropDown(QStringLiteral("Fill Style"), PopupMenu2);
    CaptionButton = dropDown(QStringLiteral("Caption"), PopupMenu3);
    AntiAliasingButton = dropDown(QStringLiteral("Anti-Aliasing"), PopupMenu4);
    bar->addStretch(1);
    outer->addLayout(bar);

    auto* columns = new QHBoxLayout;
    columns->setSpacing(6);
    columns->addWidget(BuildPreviewPanel(), 0, Qt::AlignTop);
    columns->addWidget(BuildSettingsPanel(), 0, Qt::AlignTop);
    Notebook1 = new TNotebook(central);
    BuildPages();
    columns->addWidget(Notebook1, 1, Qt::AlignTop);
    outer->addLayout(columns);
    outer->addStretch(1);

    KV_Timer1 = new TKV_Timer(this);
    KV_Timer1->SetEnabled(false);
    KV_Timer1->SetInterval(500);
    // Key preview: F9 is seen in whichever control has the focus.
    qApp->installEventFilter(this);

    PGOpenDialog1 = new TPGOpenDialog(this);
    PGOpenDialog1->SetOptions(PGOpenDialog1->GetOptions() | ofFileMustExist);
    PGSaveDialog1 = new TPGSaveDialog(this);
    PGSaveDialog1->SetUseDefaultFilter(false);
    PGSaveDialog1->SetFilter(ExportFilter);
    PGSaveDialog1->SetOptions(PGSaveDialog1->GetOptions() | ofOverwritePrompt);
}

QWidget* Tmain::BuildPreviewPanel() {
    auto* column = new QWidget(centralWidget());
    auto* layout = new QVBoxLayout(column);
    layout->setContentsMargins(0, 0, 0, 0);

    auto* preview = MakeGroup(column, QStringLiteral("Preview"));
    auto* pl = new QVBoxLayout(preview);
    pgimage1 = new TPGImage(preview);
    pgimage1->setFixedSize(262, 206);
    pgimage1->SetStretch(sZoomKAR);
    pgimage1->SetCenter(true);
    pgimage1->SetZoomFactor(1.0L);
    pgimage1->SetColor(clGray);
    pgimage1->SetPicBoxFrameColor(clGray);
    pgimage1->SetUseThread(false);
    pl->addWidget(pgimage1);
    auto* zoomRow = new QHBoxLayout;
    zoomoutbtn = MakeButton(preview, QString(), 25);
    zoomoutbtn->SetGlyph(ZoomGlyph(false));
    zoomoutbtn->setToolTip(QStringLiteral("Zoom out"));
    zoomin = MakeButton(preview, QString(), 25);
    zoomin->SetGlyph(ZoomGlyph(true));
    zoomin->setToolTip(QStringLiteral("Zoom in"));
    zoomlabel = MakeLabel(preview, QStringLiteral("100%"));
    zoomlabel->setMinimumWidth(48);
    KV_GradientButton5 = new TKV_GradientButton(preview);
    KV_GradientButton5->SetCaption(QStringLiteral("Update now"));
    KV_GradientButton5->SetLightColor(clWhite);
    KV_GradientButton5->SetShadowColor(clSilver);
    KV_GradientButton5->setFixedSize(90, 25);
    zoomRow->addWidget(zoomoutbtn);
    zoomRow->addWidget(zoomin);
    zoomRow->addWidget(zoomlabel);
    zoomRow->addStretch(1);
    zoomRow->addWidget(KV_GradientButton5);
    pl->addLayout(zoomRow);
    layout->addWidget(preview);

    auto* shapes = MakeGroup(column, QStringLiteral("Shape"));
    auto* sl = new QGridLayout(shapes);
    sl->setSpacing(3);
    auto shape = [&](int code, const char* hint, int row, int col) {
        auto* b = MakeButton(shapes, QString(), 30, 30);
        b->SetGlyph(ShapeGlyph(code));
        b->SetGroupIndex(1);
        b->SetFlat(true);
        FrameButton(b);
        b->setToolTip(QString::fromLatin1(hint));
        sl->addWidget(b, row, col);
        return b;
    };
    Rectangle1 = shape(scRectangle, "Rectangle", 0, 0);
    Square1 = shape(scSquare, "Square", 0, 1);
    Circle1 = shape(scCircle, "Circle", 0, 2);
    Oval1 = shape(scOval, "Oval", 0, 3);
    RoundRect1 = shape(scRoundRect, "Rounded Rectangle", 0, 4);
    diamond1 = shape(scDiamond, "Diamond", 1, 0);
    Triangle1 = shape(scTriangleUp, "Triangle Up", 1, 1);
    triangle3 = shape(scTriangleLeft, "Triangle Left", 1, 2);
    Triangle2 = shape(scTriangleRight, "Triangle Right", 1, 3);
    triangle4 = shape(scTriangleDown, "Triangle Down", 1, 4);
    // The colour round the shape's cut.
    auto* canvas = new QVBoxLayout;
    canvas->addWidget(MakeLabel(shapes, QStringLiteral("Canvas Color:")));
    Shape7 = MakeSwatch(shapes, clBlack);
    canvas->addWidget(Shape7);
    canvas->addStretch(1);
    sl->setColumnMinimumWidth(5, 8);
    sl->addLayout(canvas, 0, 6, 2, 1);
    sl->setColumnStretch(7, 1);
    layout->addWidget(shapes);

    GroupBox1 = MakeGroup(column, QStringLiteral("Lightning:"));
    auto* gl = new QGridLayout(GroupBox1);
    gl->setSpacing(6);
    auto radio = [&](int tag, int row, int col) {
        auto* r = new QRadioButton(GroupBox1);
        r->setProperty("Tag", tag);
        gl->addWidget(r, row, col, Qt::AlignCenter);
        return r;
    };
    RadioButton1 = radio(1, 0, 0);
    RadioButton2 = radio(2, 0, 1);
    RadioButton3 = radio(3, 0, 2);
    RadioButton6 = radio(4, 1, 0);
    RadioButton4 = radio(6, 1, 2);
    RadioButton9 = radio(7, 2, 0);
    RadioButton8 = radio(8, 2, 1);
    RadioButton7 = radio(9, 2, 2);
    RadioButton1->setChecked(true);
    gl->setColumnStretch(3, 1);

    layout->addWidget(GroupBox1);
    return column;
}

QWidget* Tmain::BuildSettingsPanel() {
    auto* panel = new QWidget(centralWidget());
    auto* layout = new QVBoxLayout(panel);
    layout->setContentsMargins(0, 0, 0, 0);
    auto sliderRow = [](QVBoxLayout* into, QLabel* label, TRxSlider* slider) {
        into->addWidget(label);
        into->addWidget(slider);
    };

    auto* size = MakeGroup(panel, QStringLiteral("Size"));
    auto* szl = new QVBoxLayout(size);
    szl->setSpacing(0);
    RxSlider3 = MakeSlider(size, 1, 200, 1, 100);
    RxSlider4 = MakeSlider(size, 1, 200, 1, 25);
    RxSlider8 = MakeSlider(size, -100, 100, 1, 0);
    Label3 = MakeLabel(size, QStringLiteral("Width: 100 pixels"));
    Label4 = MakeLabel(size, QStringLiteral("Height: 25 pixels"));
    Label8 = MakeLabel(size, QStringLiteral("Inner Luminance: 0%"));
    sliderRow(szl, Label3, RxSlider3);
    sliderRow(szl, Label4, RxSlider4);
    sliderRow(szl, Label8, RxSlider8);
    layout->addWidget(size);

    auto* bevel = MakeGroup(panel, QStringLiteral("Bevel"));
    auto* bl = new QVBoxLayout(bevel);
    bl->setSpacing(0);
    RxSlider1 = MakeSlider(bevel, 1, 100, 1, 4);
    RxSlider2 = MakeSlider(bevel, 1, 100, 5, 80);
    RxSlider7 = MakeSlider(bevel, 0, 10, 1, 0);
    Label1 = MakeLabel(bevel, QStringLiteral("Bevel Width: 4 pixels"));
    Label2 = MakeLabel(bevel, QStringLiteral("Bevel Opacity: 80 %"));
    Label7 = MakeLabel(bevel, QStringLiteral("Relative Offset:"));
    sliderRow(bl, Label1, RxSlider1);
    sliderRow(bl, Label2, RxSlider2);
    sliderRow(bl, Label7, RxSlider7);
    auto* colours = new QHBoxLayout;
    colours->setSpacing(4);
    colours->addWidget(MakeLabel(bevel, QStringLiteral("Bevel Colors:")));
    Shape1 = MakeSwatch(bevel, clWhite);
    Shape4 = MakeSwatch(bevel, clBlack);
    Shape3 = MakeSwatch(bevel, clWhite);
    Shape2 = MakeSwatch(bevel, clBlack);
    for (TShape* s : {Shape1, Shape4, Shape3, Shape2}) colours->addWidget(s);
    colours->addStretch(1);
    bl->addSpacing(6);
    bl->addLayout(colours);
    double1 = new QCheckBox(QStringLiteral("Double Bevel"), bevel);
    bl->addSpacing(4);
    bl->addWidget(double1);
    layout->addWidget(bevel);

    auto* update = new QHBoxLayout;
    NvOS8Checkbox1 = new TNvOS8Checkbox(panel);
    NvOS8Checkbox1->SetCaption(QStringLiteral("Auto-Update"));
    NvOS8Checkbox1->SetChecked(true);
    NvOS8Checkbox1->setFixedSize(96, 20);
    updatebtn = MakeButton(panel, QStringLiteral("Update Now [F9]"), 112);
    updatebtn->setVisible(false);
    update->addWidget(NvOS8Checkbox1);
    update->addWidget(updatebtn);
    update->addStretch(1);
    layout->addLayout(update);
    // Wide enough for the four swatches of the gradient bevel, so that the
    // panel keeps its width when they show.
    panel->setMinimumWidth(panel->sizeHint().width());
    Shape3->setVisible(false);
    Shape2->setVisible(false);
    return panel;
}

void Tmain::BuildPages() {
    auto page = [&](const char* name, const QString& title) {
        QWidget* p = Notebook1->AddPage(QString::fromLatin1(name));
        auto* l = new QVBoxLayout(p);
        l->setContentsMargins(0, 0, 0, 0);
        auto* group = MakeGroup(p, title);
        l->addWidget(group);
        l->addStretch(1);
        return group;
    };
    auto stripRow = [&](QWidget* parent, TPGImage*& strip, TKV_Button*& edit) {
        auto* row = new QHBoxLayout;
        strip = new TPGImage(parent);
        strip->setFixedSize(260, 24);
        strip->SetBorderStyle(bsSingle);
        strip->SetAutoScroll(false);
        strip->SetCenter(true);
        strip->SetUseThread(false);
        edit = MakeButton(parent, QStringLiteral("Edit Palette"), 90);
        row->addWidget(strip);
        row->addWidget(edit);
        row->addStretch(1);
        return row;
    };

    // "bitmap"
    {
        QGroupBox* g = page("bitmap", QStringLiteral("Bitmap Fill"));
        auto* l = new QGridLayout(g);
        PGImage2 = new TPGImage(g);
        PGImage2->setFixedSize(204, 154);
        PGImage2->SetStretch(sShrinkKAR);
        PGImage2->SetCenter(true);
        PGImage2->SetUseThread(false);
        l->addWidget(PGImage2, 0, 0, 4, 1);
        KV_Button10 = MakeButton(g, QStringLiteral("Open"), 80);
        KV_Button5 = MakeButton(g, QStringLiteral("Assign"), 80);
        KV_Button4 = MakeButton(g, QStringLiteral("Clear"), 80);
        l->addWidget(KV_Button10, 0, 1);
        l->addWidget(KV_Button5, 1, 1);
        l->addWidget(KV_Button4, 2, 1);
        auto* placement = MakeGroup(g, QStringLiteral("Placement"));
        auto* pl = new QGridLayout(placement);
        stretch1 = new QRadioButton(QStringLiteral("Stretch to Fit"), placement);
        original1 = new QRadioButton(QStringLiteral("Original Size"), placement);
        targetrect1 = new QRadioButton(QStringLiteral("Target Rectangle"), placement);
        original1->setChecked(true);
        pl->addWidget(stretch1, 0, 0, 1, 4);
        pl->addWidget(original1, 1, 0, 1, 4);
        pl->addWidget(targetrect1, 2, 0, 1, 4);
        left1 = MakeSpinEdit(placement, -200, 500, 0);
        top1 = MakeSpinEdit(placement, -200, 500, 0);
        right1 = MakeSpinEdit(placement, 1, 500, 1);
        bottom1 = MakeSpinEdit(placement, 1, 500, 1);
        pl->addWidget(MakeLabel(placement, QStringLiteral("Left")), 3, 0);
        pl->addWidget(left1, 3, 1);
        pl->addWidget(MakeLabel(placement, QStringLiteral("Top")), 3, 2);
        pl->addWidget(top1, 3, 3);
        pl->addWidget(MakeLabel(placement, QStringLiteral("Right")), 4, 0);
        pl->addWidget(right1, 4, 1);
        pl->addWidget(MakeLabel(placement, QStringLiteral("Bottom")), 4, 2);
        pl->addWidget(bottom1, 4, 3);
        pl->setColumnMinimumWidth(2, 60);
        pl->setColumnStretch(4, 1);
        l->addWidget(placement, 4, 0, 1, 3);
        l->setColumnStretch(2, 1);
    }
    // "plasma"
    {
        QGroupBox* g = page("plasma", QStringLiteral("Plasma Fill"));
        auto* l = new QGridLayout(g);
        PGImage3 = new TPGImage(g);
        PGImage3->setFixedSize(204, 204);
        PGImage3->SetCenter(true);
        PGImage3->SetAutoScroll(false);
        PGImage3->SetUseThread(false);
        l->addWidget(PGImage3, 0, 0);
        auto* side = new QVBoxLayout;
        side->setSpacing(0);
        auto* styleRow = new QHBoxLayout;
        styleRow->addWidget(MakeLabel(g, QStringLiteral("Style")));
        SpinImage1 = new TAutoSpinImage(g);
        PlasmaStyleImages = new TImageList(32, 32, this);
        AddPlasmaStyleImages(*PlasmaStyleImages, 32);
        SpinImage1->SetImageList(PlasmaStyleImages);
        SpinImage1->SetItemIndex(0);
        SpinImage1->SetHint(QStringLiteral("Style"));
        SpinImage1->SetShowHint(true);
        SpinImage1->setFixedSize(56, 38);
        styleRow->addWidget(SpinImage1);
        styleRow->addStretch(1);
        side->addLayout(styleRow);
        side->addSpacing(4);
        RxSlider5 = MakeSlider(g, 1, 200, 1, 100);
        RxSlider6 = MakeSlider(g, 1, 100, 1, 50);
        side->addWidget(MakeLabel(g, QStringLiteral("Noise")));
        side->addWidget(RxSlider5);
        side->addWidget(MakeLabel(g, QStringLiteral("Brightness")));
        side->addWidget(RxSlider6);
        CheckBox2 = new QCheckBox(QStringLiteral("Stretch to fit"), g);
        side->addWidget(CheckBox2);
        side->addSpacing(6);
        auto* buttons = new QHBoxLayout;
        KV_Button6 = MakeButton(g, QStringLiteral("Re-Render"), 80);
        KV_Button7 = MakeButton(g, QStringLiteral("Assign"), 80);
        buttons->addWidget(KV_Button6);
        buttons->addWidget(KV_Button7);
        buttons->addStretch(1);
        side->addLayout(buttons);
        side->addStretch(1);
        l->addLayout(side, 0, 1);
        l->addLayout(stripRow(g, PGImage4, KV_Button8), 1, 0, 1, 2);
        l->setColumnStretch(1, 1);
    }
    // "gradient"
    {
        QGroupBox* g = page("gradient", QStringLiteral("Gradient Fill"));
        auto* l = new QGridLayout(g);
        PGImage6 = new TPGImage(g);
        PGImage6->setFixedSize(204, 154);
        PGImage6->SetStretch(sShrinkKAR);
        PGImage6->SetCenter(true);
        PGImage6->SetUseThread(false);
        l->addWidget(PGImage6, 0, 0, 2, 1);
        auto* styles = new QHBoxLayout;
        styles->setSpacing(3);
        auto gradient = [&](int style, const char* hint) {
            auto* b = MakeButton(g, QString(), 30, 30);
            b->SetGlyph(GradientGlyph(style));
            b->SetGroupIndex(2);
            b->SetFlat(true);
            b->SetGrayedInactive(false);
            FrameButton(b);
            b->setToolTip(QString::fromLatin1(hint));
            styles->addWidget(b);
            return b;
        };
        linear1 = gradient(gsLinear, "Linear");
        linear2 = gradient(gsLinear90, "Linear");
        radial1 = gradient(gsRadial, "Radial");
        rectangular1 = gradient(gsRectangular, "Rectangular");
        styles->addStretch(1);
        auto* side = new QVBoxLayout;
        side->addLayout(styles);
        KV_Button33 = MakeButton(g, QStringLiteral("Assign"), 80);
        side->addWidget(KV_Button33);
        side->addStretch(1);
        l->addLayout(side, 0, 1);
        l->addLayout(stripRow(g, PGImage5, KV_Button11), 2, 0, 1, 2);
        l->setColumnStretch(1, 1);
    }
    // "text": font and style of the caption
    {
        QGroupBox* g = page("text", QStringLiteral("Font && Style"));
        auto* l = new QGridLayout(g);
        l->setVerticalSpacing(4);
        FontBox = new TFontComboBox(g);
        FontBox->SetTrueTypeOnly(true);
        FontBox->setMinimumWidth(200);
        l->addWidget(MakeLabel(g, QStringLiteral("Font")), 0, 0);
        l->addWidget(FontBox, 0, 1, 1, 3);
        RxSlider9 = MakeSlider(g, 5, 100, 1, 12);
        l->addWidget(MakeLabel(g, QStringLiteral("Size")), 1, 0);
        l->addWidget(RxSlider9, 1, 1, 1, 3);
        auto* styleRow = new QHBoxLayout;
        styleRow->setSpacing(3);
        auto toggle = [&](QChar letter, int group, const char* hint) {
            auto* b = new TKV_ImageButton(g);
            b->SetUpImage(StyleFace(letter, false, 24));
            b->SetDownImage(StyleFace(letter, true, 24));
            b->SetTransparent(false);
            b->SetGroupIndex(group);
            b->SetAllowAllUp(true);
            b->setFixedSize(26, 26);
            b->setToolTip(QString::fromLatin1(hint));
            styleRow->addWidget(b);
            return b;
        };
        italic = toggle(QLatin1Char('I'), 11, "Italic");
        underlined = toggle(QLatin1Char('U'), 12, "Underlined");
        bold = toggle(QLatin1Char('B'), 13, "Bold");
        glow1 = toggle(QLatin1Char('O'), 14, "Outlined");
        styleRow->addSpacing(8);
        inside = new QCheckBox(QStringLiteral("Paint Inside when outlined"), g);
        styleRow->addWidget(inside);
        styleRow->addStretch(1);
        l->addLayout(styleRow, 2, 0, 1, 4);
        // Labels keep the layout's gap to the swatch or field they name.
        auto* colourRow = new QHBoxLayout;
        colourRow->setSpacing(kLabelGap);
        colourRow->addWidget(MakeLabel(g, QStringLiteral("Text Color:")));
        Shape6 = MakeSwatch(g, clWhite);
        colourRow->addWidget(Shape6);
        colourRow->addSpacing(12);
        colourRow->addWidget(MakeLabel(g, QStringLiteral("Outline Color:")));
        Shape8 = MakeSwatch(g, clBlack);
        colourRow->addWidget(Shape8);
        colourRow->addStretch(1);
        l->addLayout(colourRow, 3, 0, 1, 4);
        Label10 = MakeLabel(g, QStringLiteral("Total Text Opacity: 80%"));
        RxSlider10 = MakeSlider(g, 1, 100, 5, 80);
        l->addWidget(Label10, 4, 0, 1, 4);
        l->addWidget(RxSlider10, 5, 0, 1, 4);
        auto* alignRow = new QHBoxLayout;
        alignRow->setSpacing(3);
        auto align = [&](const QImage& glyph, int group, const char* hint) {
            auto* b = MakeButton(g, QString(), 26, 26);
            b->SetGlyph(glyph);
            b->SetGroupIndex(group);
            b->setToolTip(QString::fromLatin1(hint));
            alignRow->addWidget(b);
            return b;
        };
        alignRow->addWidget(MakeLabel(g, QStringLiteral("Align")));
        vtop = align(VertAlignGlyph(0), 3, "Align Top");
        vcenter = align(VertAlignGlyph(1), 3, "Align Center");
        vbottom = align(VertAlignGlyph(2), 3, "Align Bottom");
        alignRow->addSpacing(10);
        alignL = align(HorzAlignGlyph(0), 4, "Align Left");
        alignC = align(HorzAlignGlyph(1), 4, "Align Center");
        alignR = align(HorzAlignGlyph(2), 4, "Align Right");
        alignRow->addStretch(1);
        l->addLayout(alignRow, 6, 0, 1, 4);
        auto* offsetRow = new QHBoxLayout;
        offsetRow->setSpacing(kLabelGap);
        offsetRow->addWidget(MakeLabel(g, QStringLiteral("Manual Offset")));
        RxSpinEdit1 = MakeSpinEdit(g, -200, 200, 0);
        RxSpinEdit2 = MakeSpinEdit(g, -200, 200, 0);
        offsetRow->addSpacing(8);
        offsetRow->addWidget(MakeLabel(g, QStringLiteral("X")));
        offsetRow->addWidget(RxSpinEdit1);
        offsetRow->addSpacing(8);
        offsetRow->addWidget(MakeLabel(g, QStringLiteral("Y")));
        offsetRow->addWidget(RxSpinEdit2);
        offsetRow->addStretch(1);
        l->addLayout(offsetRow, 7, 0, 1, 4);
        l->setColumnStretch(3, 1);
    }
    // "text2": the caption lines
    {
        QGroupBox* g = page("text2", QStringLiteral("Caption:"));
        auto* l = new QVBoxLayout(g);
        Memo1 = new QPlainTextEdit(g);
        Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
        Memo1->setMinimumHeight(200);
        l->addWidget(Memo1);
    }
    // "Blank": the solid-colour fill
    {
        QGroupBox* g = page("Blank", QStringLiteral("Blank Fill"));
        auto* l = new QHBoxLayout(g);
        l->addWidget(MakeLabel(g, QStringLiteral("Blank Color:")));
        Shape5 = MakeSwatch(g, clGray);
        l->addWidget(Shape5);
        KV_Button9 = MakeButton(g, QStringLiteral("Assign"), 80);
        l->addSpacing(8);
        l->addWidget(KV_Button9);
        l->addStretch(1);
    }
    PopupMenus975->SetImages(PlasmaStyleImages);
    Notebook1->setMinimumWidth(470);
    Notebook1->SetActivePage(QStringLiteral("Blank"));
}

void Tmain::BuildMenus() {
    auto popup = [&](TPopupMenu*& menu, TPopupMenus97*& m97) {
        menu = new TPopupMenu(this);
        m97 = new TPopupMenus97(this);
        SetUpPopupMenus97(m97, menu);
    };
    popup(PopupMenu1, PopupMenus971);
    Solid1 = AddMenuItem(PopupMenu1->GetItems(), QStringLiteral("Solid"));
    Smooth1 = AddMenuItem(PopupMenu1->GetItems(), QStringLiteral("Smooth"));
    Gradient1 = AddMenuItem(PopupMenu1->GetItems(), QStringLiteral("Gradient"));
    popup(PopupMenu2, PopupMenus972);
    Blank1 = AddMenuItem(PopupMenu2->GetItems(), QStringLiteral("Blank"));
    Bitmap1 = AddMenuItem(PopupMenu2->GetItems(), QStringLiteral("Bitmap"));
    Plasma1 = AddMenuItem(PopupMenu2->GetItems(), QStringLiteral("Plasma"));
    Gradient2 = AddMenuItem(PopupMenu2->GetItems(), QStringLiteral("Gradient"));
    popup(PopupMenu3, PopupMenus973);
    Font1 = AddMenuItem(PopupMenu3->GetItems(), QStringLiteral("Font && Style"));
    Text1 = AddMenuItem(PopupMenu3->GetItems(), QStringLiteral("Caption"));
    popup(PopupMenu4, PopupMenus974);
    Off1 = AddMenuItem(PopupMenu4->GetItems(), QStringLiteral("Off"));
    Low1 = AddMenuItem(PopupMenu4->GetItems(), QStringLiteral("Low"));
    High1 = AddMenuItem(PopupMenu4->GetItems(), QStringLiteral("High"));
    // Percent 24 smooths nothing: the level at start is "Off".
    Off1->SetChecked(true);
    popup(PopupMenu5, PopupMenus975);
    Clouds1 = AddMenuItem(PopupMenu5->GetItems(), QStringLiteral("Clouds"), 0);
    Wood1 = AddMenuItem(PopupMenu5->GetItems(), QStringLiteral("Wood"), 1);
    Marble1 = AddMenuItem(PopupMenu5->GetItems(), QStringLiteral("Marble"), 2);
    Aquarell1 = AddMenuItem(PopupMenu5->GetItems(), QStringLiteral("Aquarell"), 3);
    BumpySurface1 = AddMenuItem(PopupMenu5->GetItems(), QStringLiteral("Bumpy Surface"), 4);

    MainMenu1 = new TMainMenu(this);
    TMenuItem* top = MainMenu1->GetItems();
    File1 = AddMenuItem(top, QStringLiteral("&File"));
    BrowsePresets1 = AddMenuItem(File1, QStringLiteral("Browse Presets"));
    LoadParameters2 = AddMenuItem(File1, QStringLiteral("&Load Parameters"), 0, QKeySequence(QStringLiteral("Ctrl+L")));
    SaveParameters1 = AddMenuItem(File1, QStringLiteral("&Save Parameters"), 0, QKeySequence(QStringLiteral("Ctrl+S")));
    Exportsinglebutton1 =
        AddMenuItem(File1, QStringLiteral("Export single &button"), 0, QKeySequence(QStringLiteral("Ctrl+E")));
    BatchRender1 = AddMenuItem(File1, QStringLiteral("B&atch Render"), 0, QKeySequence(QStringLiteral("Ctrl+B")));
    SmartJPEGSaver1 = AddMenuItem(File1, QStringLiteral("&Smart JPEG Saver"));
    Exit1 = AddMenuItem(File1, QStringLiteral("&Exit"), 0, QKeySequence(QStringLiteral("Ctrl+Q")));
    Help1 = AddMenuItem(top, QStringLiteral("&Help"));
    Help2 = AddMenuItem(Help1, QStringLiteral("Help"), 0, QKeySequence(Qt::Key_F1));
    About1 = AddMenuItem(Help1, QStringLiteral("&About"));
}

void Tmain::ConnectHandlers() {
    for (TShape* s : {Shape1, Shape2, Shape3, Shape4, Shape6, Shape7, Shape8})
        s->OnMouseDown = [this, s](QObject*, TMouseButton button, TShiftState, int, int) {
            if (button == mbLeft) Shape1MouseDown(s);
        };
    Shape5->OnMouseDown = [this](QObject*, TMouseButton button, TShiftState, int, int) {
        if (button == mbLeft) Shape5MouseDown();
    };
    for (QRadioButton* r : {RadioButton1, RadioButton2, RadioButton3, RadioButton6, RadioButton4, RadioButton9,
                            RadioButton8, RadioButton7})
        connect(r, &QRadioButton::toggled, this, [this, r](bool checked) {
            if (checked) RadioButton1Click(r);
        });
    connect(double1, &QCheckBox::toggled, this, [this] { CheckBox1Click(); });
    NvOS8Checkbox1->OnClick = [this](QObject*) { NvOS8Checkbox1Click(); };
    updatebtn->OnClick = [this](QObject*) { updatebtnClick(); };
    KV_GradientButton5->OnClick = [this](QObject*) { KV_GradientButton5Click(); };
    for (TRxSlider* s : {RxSlider3, RxSlider4}) {
        s->OnChange = [this, s](QObject*) { RxSlider3Change(s); };
        s->OnThumbUp = [this](QObject*) { RxSlider3ThumbUp(); };
    }
    RxSlider8->OnChange = [this](QObject*) { RxSlider8Change(); };
    RxSlider8->OnThumbUp = [this](QObject*) { RxSlider3ThumbUp(); };
    RxSlider1->OnChange = [this](QObject*) { RxSlider1Change(); };
    RxSlider1->OnThumbUp = [this](QObject*) { RxSlider1ThumbUp(); };
    RxSlider2->OnChange = [this](QObject*) { RxSlider2Change(); };
    RxSlider2->OnThumbUp = [this](QObject*) { RxSlider2ThumbUp(); };
    RxSlider7->OnChange = [this](QObject*) { RxSlider7Change(); };
    RxSlider7->OnThumbUp = [this](QObject*) { RxSlider7ThumbUp(); };
    for (TRxSlider* s : {RxSlider5, RxSlider6}) s->OnChange = [this](QObject*) { RxSlider5Change(); };
    for (QRadioButton* r : {stretch1, original1, targetrect1})
        connect(r, &QRadioButton::toggled, this, [this](bool checked) {
            if (checked) BitmapPlacementClick();
        });
    for (TRxSpinEdit* e : {left1, top1, right1, bottom1}) e->OnChange = [this, e](QObject*) { TargetRectChange(e); };
    for (TRxSpinEdit* e : {RxSpinEdit1, RxSpinEdit2}) e->OnChange = [this, e](QObject*) { RxSpinEdit1Change(e); };
    connect(Memo1, &QPlainTextEdit::textChanged, this, [this] { Memo1Change(); });
    pgimage1->OnPixelGraphicChange = [this](QObject*) { pgimage1PixelGraphicChange(); };
    for (TKV_Button* b :
         {Rectangle1, Square1, Circle1, Oval1, RoundRect1, diamond1, Triangle1, triangle3, Triangle2, triangle4})
        b->OnClick = [this, b](QObject*) { Triangle1Click(b); };
    Solid1->OnClick = [this](QObject*) { Solid1Click(); };
    Smooth1->OnClick = [this](QObject*) { Smooth1Click(); };
    Gradient1->OnClick = [this](QObject*) { Gradient1Click(); };
    for (TMenuItem* item : {Off1, Low1, High1}) item->OnClick = [this, item](QObject*) { Off1Click(item); };
    Blank1->OnClick = [this](QObject*) { Blank1Click(); };
    Bitmap1->OnClick = [this](QObject*) { Bitmap1Click(); };
    Plasma1->OnClick = [this](QObject*) { Plasma1Click(); };
    Gradient2->OnClick = [this](QObject*) { Gradient2Click(); };
    Font1->OnClick = [this](QObject*) { Font1Click(); };
    Text1->OnClick = [this](QObject*) { Text1Click(); };
    KV_Button10->OnClick = [this](QObject*) { KV_Button10Click(); };
    KV_Button5->OnClick = [this](QObject*) { KV_Button5Click(); };
    KV_Button4->OnClick = [this](QObject*) { KV_Button4Click(); };
    KV_Button6->OnClick = [this](QObject*) { KV_Button6Click(); };
    KV_Button7->OnClick = [this](QObject*) { KV_Button7Click(); };
    KV_Button8->OnClick = [this](QObject*) { KV_Button8Click(); };
    connect(CheckBox2, &QCheckBox::toggled, this, [this] { CheckBox2Click(); });
    SpinImage1->OnClick = [this](QObject*) { SpinImage1Click(); };
    SpinImage1->OnChange = [this](QObject*, int) { SpinImage1Change(); };
    for (TMenuItem* item : {Clouds1, Wood1, Marble1, Aquarell1, BumpySurface1})
        item->OnClick = [this, item](QObject*) { Aquarell1Click(item); };
    for (TKV_Button* b : {linear1, linear2, rectangular1, radial1}) b->OnClick = [this, b](QObject*) { gradchoose(b); };
    KV_Button33->OnClick = [this](QObject*) { KV_Button33Click(); };
    KV_Button11->OnClick = [this](QObject*) { KV_Button11Click(); };
    KV_Button9->OnClick = [this](QObject*) { KV_Button9Click(); };
    for (TKV_ImageButton* b : {italic, underlined, bold, glow1}) b->OnClick = [this, b](QObject*) { italicClick(b); };
    for (TKV_Button* b : {vbottom, vcenter, vtop, alignL, alignC, alignR})
        b->OnClick = [this, b](QObject*) { vbottomClick(b); };
    FontBox->OnChange = [this](QObject*) { FontBoxChange(); };
    RxSlider9->OnChange = [this](QObject*) { RxSlider9Change(); };
    RxSlider10->OnChange = [this](QObject*) { RxSlider10Change(); };
    connect(inside, &QCheckBox::toggled, this, [this] { insideClick(); });
    KV_Timer1->SetOnTimer([this](QObject*) { KV_Timer1Timer(); });
    zoomin->OnClick = [this](QObject*) { zoominClick(); };
    zoomoutbtn->OnClick = [this](QObject*) { zoomout(); };
    SaveParameters1->OnClick = [this](QObject*) { SaveParameters1Click(); };
    LoadParameters2->OnClick = [this](QObject*) { LoadParameters2Click(); };
    BrowsePresets1->OnClick = [this](QObject*) { BrowsePresets1Click(); };
    Exportsinglebutton1->OnClick = [this](QObject*) { Exportsinglebutton1Click(); };
    BatchRender1->OnClick = [this](QObject*) { batchr(); };
    SmartJPEGSaver1->OnClick = [this](QObject*) { SmartJPEGSaver1Click(); };
    Help2->OnClick = [this](QObject*) { Help2Click(); };
    About1->OnClick = [this](QObject*) { About1Click(); };
    Exit1->OnClick = [this](QObject*) { Exit1Click(); };
}

void Tmain::FormCreate() {
    Rectangle1->SetDown(true);
    linear1->SetDown(true);
    vcenter->SetDown(true);
    alignC->SetDown(true);

    FSplash = std::make_unique<Tsplashscreen>();
    FSplash->show();
    Memo1->clear();
    QApplication::processEvents();
    WaitWithEvents(SplashMilliseconds);

    FProgramFolder = ::ProgramFolder();
    FLoading = true;
    // The caption font starts as the form's own; where the font box does not
    // list its family name, the family the font resolves to.
    FontBox->SetFontName(font().family());
    if (FontBox->GetFontName().isEmpty()) FontBox->SetFontName(QFontInfo(font()).family());
    FRenderer.Design.FontName =
        (FontBox->GetFontName().isEmpty() ? font().family() : FontBox->GetFontName()).toStdString();

    FStrip1 = std::make_unique<TPixelGraphic>();
    FStrip2 = std::make_unique<TPixelGraphic>();
    FStrip1->SetSize(256, 20, 3);
    FStrip2->SetSize(256, 20, 3);
    PGImage4->AttachPixelGraphic(FStrip1.get());
    PGImage5->AttachPixelGraphic(FStrip2.get());
    FLoading = false;

    TButtonDesign& d = FRenderer.Design;
    d.Shape = scRectangle;
    d.FillMode = fmColor;
    d.LightDirection = 1;
    FRenderer.SetLightDirection(1);

    // The design starts as the controls show it; the solid-colour fill is
    // the "Blank Color" (grey), as its "Assign" gives it.
    FRenderer.Preview.SetSize(d.Width, d.Height, 3);
    FRenderer.Preview.Clear();
    d.FillImage.reset();
    FRenderer.SolidColourFill();
    FFormState.BitmapImage = std::make_shared<TPixelGraphic>();
    FRenderer.GradientImage.SetSize(d.Width, d.Height, 3);
    FRenderer.GradientImage.Clear();
    FRenderer.PlasmaImage.SetSize(PlasmaImageSize, PlasmaImageSize, 3);
    AttachPictures();

    SetBevelWidthMaximum();
    d.BevelStyle = bvsNone;
    Refresh(true);
    QApplication::processEvents();
    FSplash.reset();
}

void Tmain::AttachPictures() {
    pgimage1->AttachPixelGraphic(&FRenderer.Preview);
    PGImage2->AttachPixelGraphic(FFormState.BitmapImage.get());
    PGImage3->AttachPixelGraphic(&FRenderer.PlasmaImage);
    PGImage6->AttachPixelGraphic(&FRenderer.GradientImage);
}

void Tmain::closeEvent(QCloseEvent* event) {
    KV_Timer1->SetEnabled(false);
    FRenderer.Design.FillImage.reset();
    event->accept();
}

// ---- mapping ----------------------------------------------------------------------------

void Tmain::DesignToControls() {
    const TButtonDesign& d = FRenderer.Design;
    TLoadingScope showing(FShowingDesign);
    RxSlider3->SetValue(d.Width);
    RxSlider4->SetValue(d.Height);
    if (TKV_Button* b = ShapeButton(d.Shape)) b->SetDown(true);
    CheckBox2->setChecked(d.PlasmaStretch);
    stretch1->setChecked(d.BitmapPlacement == bpStretch);
    original1->setChecked(d.BitmapPlacement == bpOriginal);
    targetrect1->setChecked(d.BitmapPlacement == bpTargetRect);
    left1->SetValue(d.TargetRect.Left);
    top1->SetValue(d.TargetRect.Top);
    right1->SetValue(d.TargetRect.Right);
    bottom1->SetValue(d.TargetRect.Bottom);
    Shape5->SetBrushColor(d.BlankColor);
    Shape7->SetBrushColor(d.CanvasColor);
    SetBevelWidthMaximum();
    RxSlider1->SetValue(d.BevelWidth);
    RxSlider2->SetValue(d.BevelOpacity);
    RxSlider7->SetValue(d.RelativeOffset);
    Shape1->SetBrushColor(d.BevelColors[0]);
    Shape2->SetBrushColor(d.BevelColors[1]);
    Shape3->SetBrushColor(d.BevelColors[2]);
    Shape4->SetBrushColor(d.BevelColors[3]);
    Shape2->setVisible(d.BevelStyle == bvsGradient);
    Shape3->setVisible(d.BevelStyle == bvsGradient);
    for (QRadioButton* r : {RadioButton1, RadioButton2, RadioButton3, RadioButton6, RadioButton4, RadioButton9,
                            RadioButton8, RadioButton7})
        if (r->property("Tag").toInt() == d.LightDirection) r->setChecked(true);
    double1->setChecked(d.DoubleBevel);
    RxSlider8->SetValue(d.InnerLuminance);
    Memo1->setPlainText(QString::fromStdString(d.Caption));
    // The design keeps its font name; the box shows it when it lists it,
    // else the family the name is drawn with.
    const QString fontName = QString::fromStdString(d.FontName);
    FontBox->SetFontName(fontName);
    if (FontBox->GetFontName().isEmpty()) FontBox->SetFontName(QFontInfo(QFont(fontName)).family());
    RxSlider9->SetValue(d.FontSize);
    bold->SetDown(d.Bold);
    italic->SetDown(d.Italic);
    underlined->SetDown(d.Underline);
    glow1->SetDown(d.Outlined);
    inside->setChecked(d.PaintInside);
    Shape6->SetBrushColor(d.TextColor);
    Shape8->SetBrushColor(d.OutlineColor);
    RxSlider10->SetValue(d.TextOpacity);
    (d.HorzAlign == haLeft ? alignL : d.HorzAlign == haRight ? alignR : alignC)->SetDown(true);
    (d.VertAlign == vaCenter ? vcenter : d.VertAlign == vaTop ? vtop : vbottom)->SetDown(true);
    RxSpinEdit1->SetValue(d.TextOffsetX);
    RxSpinEdit2->SetValue(d.TextOffsetY);
    (d.GradientStyle == gsLinear90      ? linear2
     : d.GradientStyle == gsRectangular ? rectangular1
     : d.GradientStyle == gsRadial      ? radial1
                                        : linear1)
        ->SetDown(true);
    SpinImage1->SetItemIndex(d.PlasmaStyle);
    RxSlider5->SetValue(d.PlasmaNoise);
    RxSlider6->SetValue(d.PlasmaBrightness);
    PaintStrip(Tgradmaker::tgPlasma);
    PaintStrip(Tgradmaker::tgGradient);
}

void Tmain::UpdateLabel(QLabel* label) {
    const TButtonDesign& d = FRenderer.Design;
    if (label == Label3) label->setText(QStringLiteral("Width: %1 Pixels").arg(d.Width));
    else if (label == Label4) label->setText(QStringLiteral("Height: %1 Pixels").arg(d.Height));
    else if (label == Label8) label->setText(QStringLiteral("Inner Luminance: %1%").arg(d.InnerLuminance));
    else if (label == Label1) label->setText(QStringLiteral("Bevel Width: %1 pixels").arg(d.BevelWidth));
    else if (label == Label2) label->setText(QStringLiteral("Bevel Opacity: %1 %").arg(d.BevelOpacity));
    else if (label == Label10) label->setText(QStringLiteral("Total Text Opacity: %1 %").arg(d.TextOpacity));
}

void Tmain::UpdateLabels() {
    for (QLabel* label : {Label3, Label4, Label8, Label1, Label2, Label10}) UpdateLabel(label);
}

void Tmain::Refresh(bool force) { FRenderer.RefreshButton(force); }

void Tmain::SetBevelWidthMaximum() {
    {
        TLoadingScope showing(FShowingDesign);
        RxSlider1->SetMaxValue(BevelWidthMaximum(FRenderer.Preview.GetWidth(), FRenderer.Preview.GetHeight()));
    }
    // The slider keeps its value within the new range; the design and the
    // label follow it (the render under way draws the new width).
    if (FLoading || FRenderer.Design.BevelWidth == RxSlider1->GetValue()) return;
    FRenderer.Design.BevelWidth = RxSlider1->GetValue();
    UpdateLabel(Label1);
}

void Tmain::PaintStrip(int target) {
    const std::string& text = target == Tgradmaker::tgPlasma ? FRenderer.Design.PlasmaPaletteText
                                                             : FRenderer.Design.GradientPaletteText;
    PaintPaletteStrip(target == Tgradmaker::tgPlasma ? *FStrip1 : *FStrip2, PaletteTextToTable(text));
}

void Tmain::PaletteChanged(int target, const TColourTable&, const std::string& text) {
    (target == Tgradmaker::tgPlasma ? FRenderer.Design.PlasmaPaletteText : FRenderer.Design.GradientPaletteText) = text;
}

void Tmain::DrawPaletteStrip(int target) { PaintStrip(target); }

void Tmain::RenderPalette(int target) {
    if (target == Tgradmaker::tgPlasma) FRenderer.RenderPlasma(true);
    else FRenderer.RenderGradientFill();
}

void Tmain::ShowPage(const char* name) { Notebook1->SetActivePage(QString::fromLatin1(name)); }

TKV_Button* Tmain::ShapeButton(int code) const {
    switch (code & 0x7F) {
        case scOval: return Oval1;
        case scRectangle: return Rectangle1;
        case scSquare: return Square1;
        case scCircle: return Circle1;
        case scTriangleUp: return Triangle1;
        case scTriangleDown: return triangle4;
        case scTriangleLeft: return triangle3;
        case scTriangleRight: return Triangle2;
        case scRoundRect: return RoundRect1;
        case scDiamond: return diamond1;
        default: return nullptr;
    }
}

int Tmain::PressedShape() const {
    for (int code = 0; code < ShapeCodeCount; ++code)
        if (ShapeButton(code)->GetDown()) return code;
    return FRenderer.Design.Shape;
}

void Tmain::FillFromCopy(const TPixelGraphic& source, int fillMode) {
    FRenderer.Design.FillImage = CopyOf(source);
    FRenderer.Design.FillMode = fillMode;
}

bool Tmain::RunGuarded(const std::function<void()>& command) {
    try {
        command();
        return true;
    } catch (const std::exception& e) {
        TApplication::ShowException(e);
        return false;
    }
}

bool Tmain::RunSave(const std::string& fileName, const std::function<void()>& command) {
    // A typed folder that is not there is said as such, before any writer
    // reports it in its own words.
    const QString folder = QFileInfo(QString::fromStdString(fileName)).absolutePath();
    if (!QFileInfo(folder).isDir()) {
        TApplication::ShowException(
            std::runtime_error("The folder " + QDir::toNativeSeparators(folder).toStdString() + " does not exist."));
        return false;
    }
    return RunGuarded(command);
}

// ---- handlers -----------------------------------------------------------------------------

void Tmain::FormKeyDown(int key) {
    if (key == Qt::Key_F9) Refresh(true);
}

bool Tmain::eventFilter(QObject* watched, QEvent* event) {
    // F9 renders once per press, when it goes down. X repeats a held key as
    // a release and a press of one instant, and Qt marks them as a repeat
    // only when it finds the press already queued behind the release; so a
    // press while the key is down, or at the instant of its last release,
    // continues the press in force (QTest's events carry no time, 0).
    const QEvent::Type type = event->type();
    if (type == QEvent::KeyPress || type == QEvent::KeyRelease) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const auto* widget = qobject_cast<QWidget*>(watched);
        if (key->key() == Qt::Key_F9 && widget && widget->window() == this) {
            if (type == QEvent::KeyPress) {
                const bool held = key->isAutoRepeat() || FF9Down ||
                                  (key->timestamp() != 0 && key->timestamp() == FF9ReleasedAt);
                FF9Down = true;
                if (!held && !key->modifiers()) FormKeyDown(Qt::Key_F9);
            } else if (!key->isAutoRepeat()) {
                FF9Down = false;
                FF9ReleasedAt = key->timestamp();
            }
            // Seen once, not again by every parent.
            if (!key->modifiers()) return true;
        }
    } else if (type == QEvent::WindowDeactivate && watched == this) {
        // The release may reach another window.
        FF9Down = false;
    }
    return QMainWindow::eventFilter(watched, event);
}

void Tmain::Shape1MouseDown(TShape* sender) {
    if (Quiet()) return;
    TColor color = sender->GetBrushColor();
    if (ExecuteColorDialog(color)) sender->SetBrushColor(color);
    TButtonDesign& d = FRenderer.Design;
    const std::pair<TShape*, TColor*> fields[] = {{Shape1, &d.BevelColors[0]}, {Shape2, &d.BevelColors[1]},
                                                  {Shape3, &d.BevelColors[2]}, {Shape4, &d.BevelColors[3]},
                                                  {Shape6, &d.TextColor},      {Shape7, &d.CanvasColor},
                                                  {Shape8, &d.OutlineColor}};
    for (const auto& [swatch, field] : fields)
        if (swatch == sender) *field = sender->GetBrushColor();
    Refresh(false);
}

void Tmain::Shape5MouseDown() {
    if (Quiet()) return;
    TColor color = Shape5->GetBrushColor();
    if (ExecuteColorDialog(color)) Shape5->SetBrushColor(color);
    FRenderer.Design.BlankColor = Shape5->GetBrushColor();
    if (FRenderer.Design.FillMode == fmColor) FRenderer.SolidColourFill();
    Refresh(false);
}

void Tmain::RadioButton1Click(QRadioButton* sender) {
    if (Quiet()) return;
    const int tag = sender->property("Tag").toInt();
    FRenderer.Design.LightDirection = tag;
    FRenderer.SetLightDirection(tag);
    Refresh(false);
}

void Tmain::CheckBox1Click() {
    if (Quiet()) return;
    FRenderer.Design.DoubleBevel = double1->isChecked();
    Refresh(false);
}

void Tmain::NvOS8Checkbox1Click() {
    FRenderer.AutoUpdate = NvOS8Checkbox1->GetChecked();
    updatebtn->setVisible(!FRenderer.AutoUpdate);
}

void Tmain::updatebtnClick() { Refresh(true); }

void Tmain::KV_GradientButton5Click() { Refresh(true); }

void Tmain::SliderChanged(TRxSlider* slider) {
    if (!slider->Thumb()->GetDown()) Refresh(false);
}

void Tmain::SizeChange(bool widthMoved) {
    TButtonDesign& d = FRenderer.Design;
    d.Width = RxSlider3->GetValue();
    d.Height = RxSlider4->GetValue();
    KeepSquare(d, widthMoved);
    {
        // The slider that moved keeps its value (its thumb may be held).
        TLoadingScope showing(FShowingDesign);
        if (widthMoved) RxSlider4->SetValue(d.Height);
        else RxSlider3->SetValue(d.Width);
    }
    UpdateLabel(Label3);
    UpdateLabel(Label4);
    FRenderer.SizeChanged = true;
}

void Tmain::RxSlider3Change(TRxSlider* sender) {
    if (Quiet()) return;
    SizeChange(sender == RxSlider3);
    SliderChanged(sender);
}

void Tmain::RxSlider3ThumbUp() { Refresh(false); }

void Tmain::RxSlider8Change() {
    if (Quiet()) return;
    FRenderer.Design.InnerLuminance = RxSlider8->GetValue();
    UpdateLabel(Label8);
    KV_Timer1->SetEnabled(false);
    KV_Timer1->SetEnabled(true);
}

void Tmain::RxSlider1Change() {
    if (Quiet()) return;
    FRenderer.Design.BevelWidth = RxSlider1->GetValue();
    UpdateLabel(Label1);
    SliderChanged(RxSlider1);
}

void Tmain::RxSlider1ThumbUp() {
    if (!FLoading) Refresh(false);
}

void Tmain::RxSlider2Change() {
    if (Quiet()) return;
    FRenderer.Design.BevelOpacity = RxSlider2->GetValue();
    UpdateLabel(Label2);
    SliderChanged(RxSlider2);
}

void Tmain::RxSlider2ThumbUp() {
    if (!FLoading) Refresh(false);
}

void Tmain::RxSlider7Change() {
    if (Quiet()) return;
    FRenderer.Design.RelativeOffset = RxSlider7->GetValue();
    SliderChanged(RxSlider7);
}

void Tmain::RxSlider7ThumbUp() {
    if (!FLoading) Refresh(false);
}

void Tmain::RxSlider5Change() {
    // Noise and brightness shape the next plasma grown ("Re-Render").
    if (Quiet()) return;
    FRenderer.Design.PlasmaNoise = RxSlider5->GetValue();
    FRenderer.Design.PlasmaBrightness = RxSlider6->GetValue();
}

void Tmain::BitmapPlacementClick() {
    if (Quiet()) return;
    FRenderer.Design.BitmapPlacement = stretch1->isChecked()      ? bpStretch
                                       : targetrect1->isChecked() ? bpTargetRect
                                                                  : bpOriginal;
    Refresh(false);
}

void Tmain::TargetRectChange(TRxSpinEdit* sender) {
    // A field being emptied or retyped leaves the value in force.
    if (Quiet() || !sender->HasValue()) return;
    FRenderer.Design.TargetRect =
        TRect(static_cast<int>(Trunc(left1->GetValueInForce())), static_cast<int>(Trunc(top1->GetValueInForce())),
              static_cast<int>(Trunc(right1->GetValueInForce())), static_cast<int>(Trunc(bottom1->GetValueInForce())));
    Refresh(false);
}

void Tmain::RxSpinEdit1Change(TRxSpinEdit* sender) {
    if (Quiet() || !sender->HasValue()) return;
    FRenderer.Design.TextOffsetX = static_cast<int>(Trunc(RxSpinEdit1->GetValueInForce()));
    FRenderer.Design.TextOffsetY = static_cast<int>(Trunc(RxSpinEdit2->GetValueInForce()));
    Refresh(false);
}

void Tmain::Memo1Change() {
    const std::string caption = Memo1->toPlainText().toStdString();
    if (Quiet() || caption == FRenderer.Design.Caption) return;
    FRenderer.Design.Caption = caption;
    Refresh(false);
}

void Tmain::pgimage1PixelGraphicChange() { SetBevelWidthMaximum(); }

void Tmain::Triangle1Click(TKV_Button* sender) {
    if (Quiet()) return;
    sender->SetDown(true);
    TButtonDesign& d = FRenderer.Design;
    d.Shape = PressedShape();
    if (KeepsSquare(d.Shape)) {
        KeepSquare(d, true);
        TLoadingScope showing(FShowingDesign);
        RxSlider4->SetValue(d.Height);
    }
    UpdateLabel(Label4);
    FRenderer.SizeChanged = true;
    Refresh(true);
}

void Tmain::Solid1Click() {
    FRenderer.Design.BevelStyle = bvsSolid;
    Shape2->setVisible(false);
    Shape3->setVisible(false);
    Refresh(false);
}

void Tmain::Smooth1Click() {
    FRenderer.Design.BevelStyle = bvsSmooth;
    Shape2->setVisible(false);
    Shape3->setVisible(false);
    Refresh(false);
}

void Tmain::Gradient1Click() {
    FRenderer.Design.BevelStyle = bvsGradient;
    Shape2->setVisible(true);
    Shape3->setVisible(true);
    Refresh(false);
}

void Tmain::Off1Click(TMenuItem* sender) {
    for (TMenuItem* item : {Off1, Low1, High1}) item->SetChecked(item == sender);
    SetAntiAliasLevel(FRenderer.Design.AntiAliasing, sender == High1 ? aaHigh : sender == Low1 ? aaLow : aaOff);
    Refresh(true);
}

void Tmain::Blank1Click() { ShowPage("Blank"); }
void Tmain::Plasma1Click() { ShowPage("plasma"); }
void Tmain::Bitmap1Click() { ShowPage("bitmap"); }
void Tmain::Gradient2Click() { ShowPage("gradient"); }
void Tmain::Font1Click() { ShowPage("text"); }
void Tmain::Text1Click() { ShowPage("text2"); }

void Tmain::KV_Button10Click() {
    std::string name = FFormState.BitmapFileName;
    int filterIndex = 1;
    if (!ExecuteFileDialog(fdOpenBitmap, name, filterIndex)) return;
    RunGuarded([&] {
        TPixelGraphic picture;
        picture.LoadFromFile(name);
        FFormState.BitmapImage->Assign(&picture);
        FFormState.BitmapFileName = name;
    });
}

void Tmain::KV_Button5Click() {
    FillFromCopy(*FFormState.BitmapImage, fmBitmap);
    Refresh(true);
}

void Tmain::KV_Button4Click() {
    if (FRenderer.Design.FillImage) FRenderer.Design.FillImage->Clear();
    FFormState.BitmapImage->Clear();
    Refresh(false);
}

void Tmain::KV_Button6Click() {
    FRenderer.RenderPlasma(true);
    if (FRenderer.Design.FillMode == fmPlasma) KV_Button7Click();
}

void Tmain::KV_Button7Click() {
    FillFromCopy(FRenderer.PlasmaImage, fmPlasma);
    Refresh(true);
}

void Tmain::KV_Button8Click() {
    std::string text = FRenderer.Design.PlasmaPaletteText;
    if (!ExecutePaletteEditor(Tgradmaker::tgPlasma, text)) return;
    // The engine maps the plasma through the design's text: store it first.
    FRenderer.Design.PlasmaPaletteText = text;
    PaintStrip(Tgradmaker::tgPlasma);
    FRenderer.RenderPlasma(false);
    if (FRenderer.Design.FillMode == fmPlasma) KV_Button7Click();
}

void Tmain::CheckBox2Click() {
    if (Quiet()) return;
    FRenderer.Design.PlasmaStretch = CheckBox2->isChecked();
    if (FRenderer.Design.FillMode == fmPlasma) Refresh(false);
}

void Tmain::SpinImage1Click() { PopupMenu5->Popup(QCursor::pos().x(), QCursor::pos().y()); }

void Tmain::Aquarell1Click(TMenuItem* sender) { SpinImage1->SetItemIndex(sender->GetTag()); }

void Tmain::SpinImage1Change() {
    if (Quiet()) return;
    FRenderer.Design.PlasmaStyle = std::max(0, SpinImage1->GetItemIndex());
    FRenderer.RenderPlasma(false);
    if (FRenderer.Design.FillMode == fmPlasma) KV_Button7Click();
}

void Tmain::gradchoose(TKV_Button* sender) {
    sender->SetDown(true);
    FRenderer.Design.GradientStyle = sender == linear2        ? gsLinear90
                                     : sender == rectangular1 ? gsRectangular
                                     : sender == radial1      ? gsRadial
                                                              : gsLinear;
    FRenderer.RenderGradientFill();
}

void Tmain::KV_Button33Click() {
    if (Quiet()) return;
    FRenderer.RenderGradientFill();
    FillFromCopy(FRenderer.GradientImage, fmGradient);
    Refresh(true);
}

void Tmain::KV_Button11Click() {
    std::string text = FRenderer.Design.GradientPaletteText;
    if (ExecutePaletteEditor(Tgradmaker::tgGradient, text)) {
        FRenderer.Design.GradientPaletteText = text;
        PaintStrip(Tgradmaker::tgGradient);
    }
    FRenderer.RenderGradientFill();
}

void Tmain::KV_Button9Click() {
    FRenderer.SolidColourFill();
    if (!FLoading) Refresh(false);
}

void Tmain::italicClick(TKV_ImageButton* sender) {
    sender->SetDown(!sender->GetDown());
    TButtonDesign& d = FRenderer.Design;
    d.Bold = bold->GetDown();
    d.Italic = italic->GetDown();
    d.Underline = underlined->GetDown();
    d.Outlined = glow1->GetDown();
    Refresh(false);
}

void Tmain::vbottomClick(TKV_Button* sender) {
    sender->SetDown(true);
    TButtonDesign& d = FRenderer.Design;
    d.HorzAlign = alignL->GetDown() ? haLeft : alignR->GetDown() ? haRight : haCenter;
    d.VertAlign = vcenter->GetDown() ? vaCenter : vtop->GetDown() ? vaTop : vaBottom;
    Refresh(false);
}

void Tmain::FontBoxChange() {
    if (Quiet()) return;
    if (!FontBox->GetFontName().isEmpty()) FRenderer.Design.FontName = FontBox->GetFontName().toStdString();
    Refresh(false);
}

void Tmain::RxSlider9Change() {
    if (Quiet()) return;
    FRenderer.Design.FontSize = RxSlider9->GetValue();
    KV_Timer1->SetEnabled(true);
}

void Tmain::RxSlider10Change() {
    if (Quiet()) return;
    KV_Timer1->SetEnabled(false);
    FRenderer.Design.TextOpacity = RxSlider10->GetValue();
    UpdateLabel(Label10);
    KV_Timer1->SetEnabled(true);
}

void Tmain::insideClick() {
    if (Quiet()) return;
    FRenderer.Design.PaintInside = inside->isChecked();
    if (!FRenderer.Design.Caption.empty()) Refresh(false);
}

void Tmain::KV_Timer1Timer() {
    ++FTicks;
    if (FTicks < 2) return;
    Refresh(false);
    KV_Timer1->SetEnabled(false);
    FTicks = 0;
}

void Tmain::zoominClick() {
    // 1600 % at most: a pixel of the button 16 pixels wide.
    if (pgimage1->GetZoomFactor() * 2 > kMaxZoom) return;
    SetZoom(pgimage1->GetZoomFactor() * 2);
}

void Tmain::zoomout() {
    // 12 % at least (12.5 %, three halvings): below that a button is gone.
    if (pgimage1->GetZoomFactor() * 0.5L < kMinZoom) return;
    SetZoom(pgimage1->GetZoomFactor() * 0.5L);
}

void Tmain::SetZoom(long double zoom) {
    // Zoomed out, a shown pixel stands for several of the button's: their
    // average keeps a thin bevel in sight, where picking one of them may
    // pick only the fill (at 12 % the default bevel vanished). Zoomed in,
    // the button's pixels stay sharp squares.
    pgimage1->SetStretchMode(zoom < 1 ? smPrecise : smFast);
    pgimage1->SetZoomFactor(zoom);
    zoomlabel->setText(ZoomText(pgimage1->GetZoomFactor()));
}

// ---- commands -------------------------------------------------------------------------------

bool Tmain::SaveParametersFile(const std::string& fileName) {
    return RunSave(fileName, [&] { SaveButtonParameters(fileName, FRenderer, FFormState); });
}

bool Tmain::LoadParametersFile(const std::string& fileName) {
    // The bitmap picture on show stays alive until the control lets go of it.
    const std::shared_ptr<TPixelGraphic> shownBitmap = FFormState.BitmapImage;
    {
        TLoadingScope loading(FLoading);
        try {
            // Lines that older files lack keep the values in force.
            LoadButtonParameters(fileName, FRenderer, FFormState);
        } catch (const std::exception& e) {
            TApplication::ShowException(e);
            return false;
        }
        PGImage2->AttachPixelGraphic(FFormState.BitmapImage.get());
        DesignToControls();
    }
    UpdateLabels();
    return true;
}

void Tmain::SaveParameters1Click() {
    std::string name = FParameterFileName;
    int filterIndex = 1;
    if (!ExecuteFileDialog(fdSaveParameters, name, filterIndex)) return;
    // The next dialog starts from the last file that was written or read.
    if (SaveParametersFile(name)) FParameterFileName = name;
}

void Tmain::LoadParameters2Click() {
    std::string name = FParameterFileName;
    int filterIndex = 1;
    if (!ExecuteFileDialog(fdOpenParameters, name, filterIndex)) return;
    // A file that did not load is not offered again.
    if (LoadParametersFile(name)) FParameterFileName = name;
}

void Tmain::BrowsePresets1Click() {
    std::string chosen;
    if (ExecutePresetBrowser(PresetFolder(), chosen)) LoadParametersFile(chosen);
}

bool Tmain::ExportButton(const std::string& fileName) {
    return RunSave(fileName, [&] { FRenderer.Preview.SaveToFile(fileName); });
}

void Tmain::Exportsinglebutton1Click() {
    JpegQuality = 80;
    std::string name = PGSaveDialog1->GetFileName();
    int filterIndex = PGSaveDialog1->GetFilterIndex();
    if (!ExecuteFileDialog(fdExport, name, filterIndex)) return;
    // A name typed without extension takes the chosen type's.
    ExportButton(WithDefaultExtension(name, EntryExtension(ExportFilter, filterIndex)));
}

void Tmain::batchr() { BatchRender(this, FRenderer, FRenderer.Design, FRenderer.Preview); }

void Tmain::SmartJPEGSaver1Click() {
    TPixelGraphic copy;
    copy.Assign(&FRenderer.Preview);
    std::vector<uint8_t> bytes;
    if (ExecuteJpegSaver(copy, bytes)) {
        std::string name;
        int filterIndex = 1;
        if (ExecuteFileDialog(fdSaveJpeg, name, filterIndex)) {
            const std::string file = WithDefaultExtension(name, "jpg");
            RunSave(file, [&] { TMemoryStream(std::move(bytes)).SaveToFile(file); });
        }
    }
    // The saver starts from this quality next time.
    JpegQuality = 30;
}

void Tmain::Help2Click() {
    const auto* app = qobject_cast<TApplication*>(QCoreApplication::instance());
    ShowMessageBox("Help file not complete in this beta!!", app ? app->Title() : std::string(), mtInformation, mbOK);
    const QString help = QDir(QString::fromStdString(FProgramFolder)).filePath(QStringLiteral("mozaro.hlp"));
    if (QFileInfo::exists(help)) QDesktopServices::openUrl(QUrl::fromLocalFile(help));
}

void Tmain::About1Click() { ShowAboutBox(); }

void Tmain::Exit1Click() { close(); }

// ---- modal steps ----------------------------------------------------------------------------

bool Tmain::ExecuteFileDialog(TFileDialogKind kind, std::string& fileName, int& filterIndex) {
    if (kind == fdOpenBitmap || kind == fdExport) {
        TPGOpenDialog* dialog = kind == fdOpenBitmap ? PGOpenDialog1 : PGSaveDialog1;
        dialog->SetFileName(fileName);
        dialog->SetFilterIndex(filterIndex);
        if (!dialog->Execute(this)) return false;
        fileName = dialog->GetFileName();
        filterIndex = dialog->GetFilterIndex();
        return true;
    }
    // Parameter files and the JPEG saver's result: plain file dialogs.
    const bool save = kind != fdOpenParameters;
    const bool jpeg = kind == fdSaveJpeg;
    QFileDialog dialog(this);
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setNameFilters(FilterToNameFilters(jpeg ? kJpegFilter : kParameterFilter));
    dialog.setDefaultSuffix(QString::fromLatin1(jpeg ? "jpg" : "glw"));
    if (!fileName.empty()) dialog.selectFile(QString::fromStdString(fileName));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return false;
    fileName = dialog.selectedFiles().first().toStdString();
    filterIndex = 1;
    return true;
}

bool Tmain::ExecuteColorDialog(TColor& color) {
    const QColor chosen = QColorDialog::getColor(ToQColor(color), this);
    if (!chosen.isValid()) return false;
    color = FromQColor(chosen);
    return true;
}

bool Tmain::ExecutePaletteEditor(int target, std::string& paletteText) {
    if (!FPaletteEditor) return false;
    FPaletteEditor->SetTarget(target);
    FPaletteEditor->ParseGradientText(paletteText);
    FPaletteEditor->exec();
    paletteText = FPaletteEditor->GetGradientText();
    return true;
}

bool Tmain::ExecutePresetBrowser(const std::string& folder, std::string& chosen) {
    if (!FPresetBrowser) return false;
    FPresetBrowser->FillFromFolder(folder);
    if (FPresetBrowser->exec() != 1) return false;
    chosen = FPresetBrowser->ChosenFile();
    return true;
}

bool Tmain::ExecuteJpegSaver(const TPixelGraphic& picture, std::vector<uint8_t>& jpegBytes) {
    Tjpeger_f saver(this);
    saver.SetGraphic(picture);
    if (saver.exec() != 1) return false;
    jpegBytes = saver.EncodedJpeg();
    return true;
}

void Tmain::ShowAboutBox() {
    Tsplashscreen splash(this);
    splash.exec();
}

}  // namespace glimmo
