#include "mozaro/forms/Interim.h"

#include <QCloseEvent>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QGridLayout>
#include <QKeyEvent>
#include <QPushButton>
#include <QVBoxLayout>

#include "image/PGraphic.h"
#include "platform/Exception.h"

namespace mozaro::interim {

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

TPreForm::TPreForm(QWidget* mainForm) : QWidget(mainForm, Qt::Tool | Qt::WindowStaysOnTopHint) {
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

void TPreForm::ShowPicture(const TPixelGraphic& picture) { PGImage1->GetPixelGraphic()->Assign(&picture); }

void TPreForm::RefreshResult(TLayerModel& model, int tab, const TLayerControls& shown) {
    if (!isVisible()) return;
    if (tab >= 0 && tab < kLayerCount) model.StoreLayerParams(tab, shown);
    model.Compose();
    ShowPicture(model.Result);
}

bool TPreForm::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate && OnActivate) OnActivate(this);
    return QWidget::event(event);
}

void TPreForm::closeEvent(QCloseEvent* event) {
    event->ignore();
    hide();
    if (OnClose) OnClose(this);
}

Tfullscreen::Tfullscreen(QWidget* mainWindow, const TPixelGraphic& picture)
    : QDialog(mainWindow, Qt::FramelessWindowHint) {
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

void Tfullscreen::Execute(QWidget* mainWindow, const TPixelGraphic& picture) {
    Tfullscreen view(mainWindow, picture);
    view.exec();
}

void Tfullscreen::keyPressEvent(QKeyEvent*) { accept(); }

TColorPanel::TColorPanel(QWidget* owner) : QLabel(owner) {
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(3);
    setAlignment(Qt::AlignCenter);
    setAutoFillBackground(true);
}

void TColorPanel::ShowNow() {
    show();
    raise();
    repaint();
}

TSplash::TSplash(QWidget* parent) : QDialog(parent, Qt::SplashScreen) {
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel("Mozaro!", this));
    resize(300, 150);
}

bool SetWallpaper(TPixelGraphic&, const std::string&, bool) {
    throw Exception("Setting the wallpaper is not available yet.");
}

}  // namespace mozaro::interim
