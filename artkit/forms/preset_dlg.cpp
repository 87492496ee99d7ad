#include "artkit/forms/preset_dlg.h"

#include <QPalette>
#include <QScrollArea>
#include <QVBoxLayout>
#include <memory>

#include "artkit/PresetFolder.h"
#include "platform/Cursors.h"
#include "platform/MessageBox.h"

// ---- tthumb ------------------------------------------------------------------------------

tthumb::tthumb(QWidget* parent, int n, const std::string& fileName) : TPGImage(parent), FFileName(fileName) {
    setObjectName(QStringLiteral("thumb%1").arg(n));
    SetBorderStyle(bsNone);
    SetAutoScroll(false);
    SetCenter(true);
    SetStretchMode(smFast);
    SetColor(clBlack);
    const TPoint at = PresetThumbnailPosition(n);
    SetBounds(at.X, at.Y, 75, 75);
    const std::string name = PresetDisplayName(fileName);
    SetHint(name);
    SetPicBoxHint(name);
    SetShowHint(true);
}

void tthumb::enterEvent(QEnterEvent* event) {
    TPGImage::enterEvent(event);
    SetColor(HoverColor);
}

void tthumb::leaveEvent(QEvent* event) {
    TPGImage::leaveEvent(event);
    SetColor(clBlack);
}

// ---- Tpreset_dlg ---------------------------------------------------------------------------

Tpreset_dlg::Tpreset_dlg(const std::string& extension, const std::string& key, QWidget* parent)
    : QDialog(parent), FExtension(extension), FKey(key) {
    setObjectName(QStringLiteral("preset_dlg"));
    setWindowTitle(QStringLiteral("Presets"));
    setWindowFlags(Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setFixedSize(336, 320);

    ScrollBox1 = new QScrollArea(this);
    ScrollBox1->setObjectName(QStringLiteral("ScrollBox1"));
    ScrollBox1->setFrameShape(QFrame::NoFrame);
    ScrollBox1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    ScrollBox1->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    QPalette black = ScrollBox1->palette();
    black.setColor(QPalette::Window, Qt::black);
    ScrollBox1->setPalette(black);
    ScrollBox1->setAutoFillBackground(true);
    ScrollBox1->viewport()->setPalette(black);
    ScrollBox1->viewport()->setAutoFillBackground(true);

    FContent = new QWidget;
    FContent->setPalette(black);
    FContent->setAutoFillBackground(true);
    FContent->resize(kThumbnailsPerRow * kThumbnailPitch, 0);
    ScrollBox1->setWidget(FContent);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(ScrollBox1);
}

void Tpreset_dlg::FreeThumbnails() {
    for (tthumb* t : FThumbs) {
        t->hide();
        t->deleteLater();
    }
    FThumbs.clear();
}

void Tpreset_dlg::FillFromFolder(const std::string& folder) {
    THourGlass hourGlass;
    FreeThumbnails();
    FChosenFile.clear();
    for (const std::string& file : ListPresetFiles(folder, FExtension)) {
        auto picture = std::make_unique<TPixelGraphic>();
        if (!ReadPresetThumbnail(file, FKey, *picture)) continue;
        const int n = static_cast<int>(FThumbs.size()) + 1;
        auto* thumb = new tthumb(FContent, n, file);
        thumb->SetPixelGraphic(std::move(picture));
        thumb->PicBoxOnClick() = [this, thumb](QObject*) { thumbclick(thumb); };
        FThumbs.push_back(thumb);
        thumb->show();
    }
    const int rows = (static_cast<int>(FThumbs.size()) + kThumbnailsPerRow - 1) / kThumbnailsPerRow;
    FContent->resize(kThumbnailsPerRow * kThumbnailPitch, rows * kThumbnailPitch);
}

void Tpreset_dlg::thumbclick(tthumb* thumb) {
    FChosenFile = thumb->FileName();
    done(mrOk);
}

void Tpreset_dlg::done(int result) {
    FreeThumbnails();
    QDialog::done(result);
}
