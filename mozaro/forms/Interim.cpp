#include "mozaro/forms/Interim.h"

#include <QDir>
#include <QEvent>
#include <QFileDialog>
#include <QGridLayout>
#include <QKeyEvent>
#include <QPushButton>
#include <QVBoxLayout>
#include <stdexcept>

#include "image/PGraphic.h"
#include "mozaro/LayerModel.h"
#include "store/QDB.h"

namespace mozaro::interim {

namespace {
const char* const kPresets[][2] = {
    {"Oak", "50;30;1;100;60;1;130;70;1;50;30;1;130;70;1;"},
    {"Dirt", "128;128;128;128;110;70;1;40;1;1;40;1;128;110;70;"},
    {"Thunderstorm", "50;1;255;100;50;200;100;100;150;100;100;100;50;50;70;"},
    {"Standard", "default"},
};
}

Tgradmaker::Tgradmaker(TPaletteHost& host, QWidget* parent)
    : QDialog(parent), PopupMenu1(new TPopupMenu(this)), FHost(host) {
    setWindowTitle("Palette Editor");
    auto* layout = new QVBoxLayout(this);
    FTextLabel = new QLabel(this);
    layout->addWidget(FTextLabel);
    auto* ok = new QPushButton("&OK", this);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    layout->addWidget(ok);
    for (const auto& p : kPresets) {
        auto* item = new TMenuItem;
        item->SetCaption(p[0]);
        const std::string text = p[1];
        item->OnClick = [this, text](QObject*) { defaultgrad(text); };
        PopupMenu1->GetItems()->Add(item);
    }
    ParseGradientText("default");
}

void Tgradmaker::ParseGradientText(const std::string& text) {
    PaletteTextToStops(text);  // raises on a text that does not read
    FText = text == "default" ? std::string(DefaultPaletteText) : text;
    FText = WritePaletteText(PaletteTextToStops(FText));
    render();
}

void Tgradmaker::render() {
    FTextLabel->setText(QString::fromStdString(FText));
    FHost.PaletteChanged(0, PaletteTextToTable(FText), FText);
    if (FFirstRender) {
        FFirstRender = false;
        FHost.DrawPaletteStrip(0);
        FHost.RenderPalette(0);
    }
}

void Tgradmaker::defaultgrad(const std::string& text) {
    ParseGradientText(text);
    FHost.DrawPaletteStrip(0);
    FHost.RenderPalette(0);
}

void Tgradmaker::Randomize() {
    TPaletteStops stops;
    for (int32_t& c : stops) c = 1 + FRandom.NextInt(256);
    ParseGradientText(WritePaletteText(stops));
}

Tpreset_dlg::Tpreset_dlg(QWidget* parent) : QDialog(parent), FBox(new QWidget(this)) {
    setWindowTitle("Presets");
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(FBox);
    new QGridLayout(FBox);
    resize(336, 320);
}

void Tpreset_dlg::FillFromFolder(const std::string& folder) {
    auto* grid = static_cast<QGridLayout*>(FBox->layout());
    while (QLayoutItem* item = grid->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    const QStringList files = QDir(QString::fromStdString(folder)).entryList({"*.mzo"}, QDir::Files);
    int n = 0;
    for (const QString& f : files) {
        auto* b = new QPushButton(QFileInfo(f).completeBaseName(), FBox);
        const std::string path = folder + "/" + f.toStdString();
        connect(b, &QPushButton::clicked, this, [this, path] {
            FChosen = path;
            done(1);
        });
        grid->addWidget(b, n / 4, n % 4);
        ++n;
    }
}

Tjpeger_f::Tjpeger_f(QWidget* parent) : QDialog(parent), FImage(new TPGImage(this)) {
    setWindowTitle("Smart JPEG Saver");
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(FImage);
    auto* ok = new QPushButton("&OK", this);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    layout->addWidget(ok);
    resize(400, 333);
}

void Tjpeger_f::SetGraphic(const TPixelGraphic& graphic) {
    auto g = std::make_unique<TPixelGraphic>();
    g->Assign(&graphic);
    FImage->SetPixelGraphic(std::move(g));
}

TPreForm::TPreForm(QWidget* parent) : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint) {
    setWindowTitle("Preview");
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    PGImage1 = new TPGImage(this);
    PGImage1->SetStretch(sAlwaysKAR);
    PGImage1->SetCenter(true);
    auto g = std::make_unique<TPixelGraphic>();
    g->SetSize(75, 75, 3);
    PGImage1->SetPixelGraphic(std::move(g));
    layout->addWidget(PGImage1);
    resize(160, 160);
}

bool TPreForm::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate && OnActivate) OnActivate();
    return QWidget::event(event);
}

Tfullscreen::Tfullscreen(const TPixelGraphic& picture, QWidget* parent) : QDialog(parent, Qt::FramelessWindowHint) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* image = new TPGImage(this);
    image->SetTiling(tRepeat);
    auto g = std::make_unique<TPixelGraphic>();
    g->Assign(&picture);
    image->SetPixelGraphic(std::move(g));
    layout->addWidget(image);
    setWindowState(Qt::WindowFullScreen);
}

void Tfullscreen::keyPressEvent(QKeyEvent*) { accept(); }

TColorPanel::TColorPanel(QWidget* parent) : QLabel(parent) {
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(3);
    setAlignment(Qt::AlignCenter);
    setAutoFillBackground(true);
}

TSplash::TSplash(QWidget* parent) : QDialog(parent, Qt::SplashScreen) {
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel("Mozaro!", this));
    resize(300, 150);
}

std::string OpenPictureFileName(QWidget* parent) {
    return QFileDialog::getOpenFileName(parent, QString(), QString(),
                                        "Pictures (*.bmp *.dib *.rle *.jpg *.jpeg *.jif *.png *.pcx *.pbm *.pgm "
                                        "*.ppm *.tga *.tif *.tiff)")
        .toStdString();
}

std::string SavePictureFileName(QWidget* parent) {
    return QFileDialog::getSaveFileName(parent, QString(), QString(),
                                        "BMP (*.bmp);;JPEG (*.jpg);;PNG (*.png);;TIFF (*.tif)")
        .toStdString();
}

void SetWallpaper(TPixelGraphic&, const std::string&, bool) {
    throw std::runtime_error("Setting the wallpaper is not available yet.");
}

}  // namespace mozaro::interim
