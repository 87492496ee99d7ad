#include "mozaro/forms/fullscreen.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>
#include <QVBoxLayout>

namespace {
struct TSampleText {
    const char* Caption;
    TColor Color;
};
const TSampleText kSampleTexts[9] = {
    {"White Text", clWhite},   {"Black Text", clBlack}, {"Red Text", clRed},
    {"Green Text", clGreen},   {"Blue Text", clBlue},   {"Yellow Text", clYellow},
    {"Purple Text", clPurple}, {"Teal Text", clTeal},   {"Cream Text", clCream},
};

QScreen* ScreenOf(QWidget* w) {
    QScreen* s = w ? w->screen() : nullptr;
    return s ? s : QGuiApplication::primaryScreen();
}
}  // namespace

Tfullscreen::Tfullscreen(QWidget* mainWindow, const TPixelGraphic& picture)
    : QDialog(mainWindow, Qt::Window | Qt::FramelessWindowHint), FMainWindow(mainWindow) {
    setAttribute(Qt::WA_DeleteOnClose);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::black);
    setPalette(pal);
    setAutoFillBackground(true);

    image = new TPGImage(this);
    image->SetBorderStyle(bsNone);
    image->SetColor(clBlack);
    image->SetTiling(tRepeat);
    image->SetActionMode(amNone);
    image->SetAutoScroll(false);
    image->PicBoxOnSetCursor = [](QObject*, QCursor& cursor) { cursor = QCursor(Qt::BlankCursor); };
    auto copy = std::make_unique<TPixelGraphic>();
    copy->Assign(&picture);
    image->SetPixelGraphic(std::move(copy));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(image);

    QFont font = this->font();
    font.setPointSize(14);
    font.setBold(true);
    int top = 16;
    for (size_t i = 0; i < Labels.size(); ++i) {
        auto* label = new TPGLabel(image->GetClientWidget());
        label->setFont(font);
        label->SetCaption(QString::fromUtf8(kSampleTexts[i].Caption));
        SetFontColor(label, kSampleTexts[i].Color);
        label->adjustSize();
        label->move(16, top);
        label->raise();
        top += label->height() + 8;
        Labels[i] = label;
    }

    // Hidden over the whole view, the cursor returns with the window.
    setCursor(Qt::BlankCursor);
    Watch(this);
}

Tfullscreen::~Tfullscreen() = default;

void Tfullscreen::Watch(QWidget* w) {
    if (w != this) {
        w->installEventFilter(this);
        w->setCursor(Qt::BlankCursor);
    }
    for (QObject* child : w->children())
        if (auto* cw = qobject_cast<QWidget*>(child)) Watch(cw);
}

void Tfullscreen::ShowFullScreen() {
    setGeometry(ScreenOf(FMainWindow)->geometry());
    showFullScreen();
    raise();
    activateWindow();
    setFocus(Qt::ActiveWindowFocusReason);
}

void Tfullscreen::Execute(QWidget* mainWindow, const TPixelGraphic& picture) {
    auto* view = new Tfullscreen(mainWindow, picture);
    view->setWindowModality(Qt::ApplicationModal);
    view->ShowFullScreen();
    view->exec();
    // The keyboard goes back to the window it came from: without a window
    // manager nobody else would hand it back, and its short-cuts would wait
    // for a click.
    if (mainWindow) {
        mainWindow->raise();
        mainWindow->activateWindow();
    }
}

bool Tfullscreen::eventFilter(QObject* watched, QEvent* event) {
    // Keys and clicks reach the children first: each of them closes the view.
    if (event->type() == QEvent::KeyPress || event->type() == QEvent::MouseButtonPress) {
        close();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void Tfullscreen::keyPressEvent(QKeyEvent*) { close(); }

void Tfullscreen::mousePressEvent(QMouseEvent*) { close(); }
