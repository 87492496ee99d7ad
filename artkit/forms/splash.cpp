#include "artkit/forms/splash.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QRegion>
#include <string>

#include "artkit/PaletteText.h"
#include "artkit/Plasma.h"
#include "image/PGraphic.h"
#include "platform/Paint.h"
#include "platform/Random.h"
#include "widgets/ArtLabel.h"

namespace artkit {

namespace {
// A 200 x 200 plasma of a style through a palette text, grown from seed.
QImage PlasmaPicture(int style, const std::string& paletteText, uint32_t seed) {
    TRandomGenerator random(seed);
    TPlasmaFill plasma(random);
    plasma.SetReseedFromClock(false);
    TPixelGraphic image;
    image.SetSize(PlasmaImageSize, PlasmaImageSize, 3);
    plasma.RenderPlasma(true, image, PaletteTextToTable(paletteText), style, PlasmaOffset(50), PlasmaScale(100));
    return image.ToQImage();
}

// "Rainbow in the Dark": dark rims round a bright band.
const char* const kSplashPalette = "1;1;1;58;216;255;200;255;42;255;18;22;1;1;1;";

// A plasma in an oval, inset from the window's outline so that a black rim
// stays round it.
QImage SplashPicture(QSize size) {
    QImage picture(size, QImage::Format_RGB32);
    picture.fill(QColor(0, 0, 0));
    const QImage plasma =
        PlasmaPicture(0, kSplashPalette, 1999).scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing, true);
    QPainterPath oval;
    oval.addEllipse(QRectF(QPointF(0, 0), QSizeF(size)).adjusted(8, 8, -8, -8));
    p.setClipPath(oval);
    p.drawImage(0, 0, plasma);
    return picture;
}
}  // namespace

QRect Tsplashscreen::OvalRect(int width, int height) { return QRect(25, 25, width - 50, height - 50); }

Tsplashscreen::Tsplashscreen(QWidget* parent, const QString& programName)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint) {
    setFixedSize(kClientWidth, kClientHeight);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(0, 0, 0));
    setPalette(pal);
    setAutoFillBackground(true);

    const QRect oval = OvalRect(kClientWidth, kClientHeight);
    Image1 = new QLabel(this);
    Image1->setGeometry(oval);
    Image1->setPixmap(QPixmap::fromImage(SplashPicture(oval.size())));
    Image1->setAttribute(Qt::WA_TransparentForMouseEvents, true);

    ArtLabel1 = new TArtLabel(this);
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(44);
    font.setBold(true);
    ArtLabel1->setFont(font);
    ArtLabel1->SetCaption(programName);
    ArtLabel1->SetTransparent(true);
    ArtLabel1->SetArtStyle(ArtStyleOf({asGradient, asShadow, asOutlined}));
    ArtLabel1->SetShadowColor(clBlack);
    ArtLabel1->SetShadowLength(3);
    ArtLabel1->SetOutlineColor(clBlack);
    ArtLabel1->GetGradient()->SetColorCount(3);
    ArtLabel1->GetGradient()->SetColor(1, clWhite);
    ArtLabel1->GetGradient()->SetColor(2, clYellow);
    ArtLabel1->GetGradient()->SetColor(3, 0x0080FF);
    ArtLabel1->SetTextAlign(taCenter);
    ArtLabel1->setGeometry(oval.left(), oval.top() + (oval.height() - 64) / 2, oval.width(), 64);
    ArtLabel1->setAttribute(Qt::WA_TransparentForMouseEvents, true);

    // Without window masks (Wayland) the oval is drawn on a translucent window.
    FTranslucent = QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
    if (FTranslucent) {
        setAttribute(Qt::WA_TranslucentBackground, true);
        setAutoFillBackground(false);
    } else {
        setMask(QRegion(OvalRect(width(), height()), QRegion::Ellipse));
    }
}

void Tsplashscreen::mousePressEvent(QMouseEvent* event) {
    event->accept();
    hide();
}

void Tsplashscreen::keyPressEvent(QKeyEvent* event) {
    event->accept();
    hide();
}

void Tsplashscreen::paintEvent(QPaintEvent* event) {
    if (!FTranslucent) {
        QDialog::paintEvent(event);
        return;
    }
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0));
    p.drawEllipse(OvalRect(width(), height()));
}

}  // namespace artkit
