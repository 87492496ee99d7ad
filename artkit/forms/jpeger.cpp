#include "artkit/forms/jpeger.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include "artkit/JpegRendition.h"
#include "image/PGFormats.h"
#include "image/PGImage.h"
#include "platform/MessageBox.h"
#include "platform/Streams.h"
#include "widgets/RxSlider.h"

namespace {
const char* const kCaption = "Smart JPEG Saver";

TPGImage* MakePicture(QWidget* parent, const char* name) {
    auto* p = new TPGImage(parent);
    p->setObjectName(QString::fromLatin1(name));
    p->SetCenter(true);
    // Without a border half of the 400-pixel form shows the largest
    // button (200 x 200) whole.
    p->SetBorderStyle(bsNone);
    p->setMinimumSize(40, 40);
    return p;
}

QString SizeCaption(long long bytes) {
    return QStringLiteral("%1 - current file size : %2 bytes").arg(QString::fromLatin1(kCaption)).arg(bytes);
}

// The form width at which the window frame shows caption whole: the text in
// the title font (bold, as most frames draw it) and room for the frame's
// icon and buttons.
int WidthForCaption(const QString& caption) {
    constexpr int kFrameButtons = 150;
    QFont font = QFontDatabase::systemFont(QFontDatabase::TitleFont);
    font.setBold(true);
    return QFontMetrics(font).horizontalAdvance(caption) + kFrameButtons;
}
}  // namespace

Tjpeger_f::Tjpeger_f(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("jpeger_f"));
    setWindowTitle(QString::fromLatin1(kCaption));
    resize(400, 333);

    PGImage1 = MakePicture(this, "PGImage1");
    PGImage2 = MakePicture(this, "PGImage2");
    PGImage1->SetPixelGraphic(std::make_unique<TPixelGraphic>());
    PGImage2->SetPixelGraphic(std::make_unique<TPixelGraphic>());

    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    RxSlider1 = new TRxSlider(this);
    RxSlider1->setObjectName(QStringLiteral("RxSlider1"));
    RxSlider1->SetRange(0, 100, 1);
    RxSlider1->setFixedHeight(32);
    RxSlider1->setMinimumWidth(150);
    // Keys, track clicks and drags all arrive here, so every quality the
    // slider shows is the one encoded, measured and handed out.
    RxSlider1->OnChange = [this](QObject*) { RxSlider1Change(); };
    RxSlider1->SetValue(CurrentJpegQuality());
    RxSlider1Change();

    BitBtn1 = new QPushButton(QStringLiteral("&OK"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setDefault(true);
    BitBtn2 = new QPushButton(QStringLiteral("&Cancel"), this);
    BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
    connect(BitBtn1, &QPushButton::clicked, this, [this] { OKClick(); });
    connect(BitBtn2, &QPushButton::clicked, this, [this] { reject(); });

    auto* pictures = new QHBoxLayout;
    pictures->setSpacing(0);
    pictures->addWidget(PGImage1, 1);
    pictures->addWidget(PGImage2, 1);

    auto* quality = new QVBoxLayout;
    quality->setSpacing(0);
    quality->addWidget(Label1);
    quality->addWidget(RxSlider1);
    auto* panel = new QHBoxLayout;
    panel->setContentsMargins(8, 4, 8, 6);
    panel->setSpacing(8);
    panel->addLayout(quality, 1);
    panel->addWidget(BitBtn1, 0, Qt::AlignBottom);
    panel->addWidget(BitBtn2, 0, Qt::AlignBottom);

    auto* form = new QVBoxLayout(this);
    form->setContentsMargins(0, 0, 0, 0);
    form->setSpacing(0);
    form->addLayout(pictures, 1);
    form->addLayout(panel);
}

void Tjpeger_f::RxSlider1Change() {
    Label1->setText(QStringLiteral("Compression Quality : %1").arg(RxSlider1->GetValue()));
    // Before SetGraphic there is nothing to encode.
    if (PGImage1->GetPixelGraphic()->GetWidth() > 0) updatepreview();
}

void Tjpeger_f::SetGraphic(const TPixelGraphic& graphic) {
    PGImage1->GetPixelGraphic()->Assign(&graphic);
    const int w = graphic.GetWidth(), h = graphic.GetHeight();
    QSize screen(1280, 900);
    if (const QScreen* s = QGuiApplication::primaryScreen()) screen = s->geometry().size();
    if (2 * w + 30 < screen.width() && h + 100 < screen.height()) {
        resize(w >= 385 ? 2 * w + 30 : width(), h + 100);
    }
    // Wide enough for the caption of the largest rendition the picture can
    // plausibly give (a few bytes a pixel), so that the form does not grow
    // under the slider while the quality changes.
    const long long bound = 4LL * w * h + 1000;
    const int needed = WidthForCaption(SizeCaption(bound));
    if (width() < needed) resize(needed, height());
    updatepreview();
}

void Tjpeger_f::updatepreview() {
    const int q = RxSlider1->GetValue();
    TPixelGraphic* rendition = PGImage2->GetPixelGraphic();
    MakeJpegRendition(*PGImage1->GetPixelGraphic(), q, FEncoded, *rendition);
    FEncodedQuality = q;
    const QString caption = SizeCaption(static_cast<long long>(FEncoded.size()));
    setWindowTitle(caption);
    if (const int needed = WidthForCaption(caption); width() < needed) resize(needed, height());
}

void Tjpeger_f::SaveJpeg(const std::string& fileName) const { TMemoryStream(FEncoded).SaveToFile(fileName); }

void Tjpeger_f::OKClick() {
    JpegQuality = static_cast<uint8_t>(RxSlider1->GetValue());
    done(mrOk);
}

void Tjpeger_f::reject() { done(mrCancel); }
