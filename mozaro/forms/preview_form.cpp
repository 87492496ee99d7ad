#include "mozaro/forms/preview_form.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QVBoxLayout>
#include <algorithm>

namespace {
constexpr int kGap = 8;  // between the windows
}

QPoint PlaceBeside(const QRect& mainFrame, const QRect& keepClear, const QSize& size, const QRect& workArea) {
    auto within = [&](int pos, int lo, int hi) { return std::max(lo, std::min(pos, hi)); };
    const int top = within(mainFrame.top(), workArea.top(), workArea.bottom() + 1 - size.height());
    const QPoint candidates[] = {
        {mainFrame.right() + 1 + kGap, top},
        {mainFrame.left() - kGap - size.width(), top},
        {within(mainFrame.left(), workArea.left(), workArea.right() + 1 - size.width()), mainFrame.bottom() + 1 + kGap},
    };
    for (const QPoint& p : candidates)
        if (workArea.contains(QRect(p, size))) return p;
    const int x = std::max(workArea.left(), workArea.right() + 1 - size.width());
    int y = std::max(workArea.top(), workArea.bottom() + 1 - size.height());
    if (QRect(x, y, size.width(), size.height()).intersects(keepClear)) y = keepClear.bottom() + 1;
    return {x, y};
}

TPreForm::TPreForm(QWidget* mainForm) : QWidget(mainForm, Qt::Tool | Qt::WindowStaysOnTopHint) {
    setWindowTitle(QStringLiteral("Preview"));
    resize(200, 200);

    PGImage1 = new TPGImage(this);
    PGImage1->SetStretch(sAlwaysKAR);
    auto graphic = std::make_unique<TPixelGraphic>();
    graphic->SetSize(75, 75, 3);
    PGImage1->SetPixelGraphic(std::move(graphic));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(PGImage1);

    PopupMenu1 = new TPopupMenu(this);
    Tiling1 = new TMenuItem(PopupMenu1);
    Tiling1->SetCaption(QStringLiteral("&Tiling"));
    PopupMenu1->GetItems()->Add(Tiling1);
    Tiling1->OnClick = [this](QObject*) { ToggleTiling(); };
    PGImage1->PopupMenu = PopupMenu1->GetWidget();
    PGImage1->SetPicBoxPopupMenu(PopupMenu1->GetWidget());
    PGImage1->OnClick = [this](QObject*) { ToggleTiling(); };
    PGImage1->PicBoxOnClick() = [this](QObject*) { ToggleTiling(); };
}

void TPreForm::SetTiling(bool value) {
    Tiling1->SetChecked(value);
    PGImage1->SetTiling(value ? tRepeat : tNone);
}

void TPreForm::ShowPicture(const TPixelGraphic& picture) { PGImage1->GetPixelGraphic()->Assign(&picture); }

void TPreForm::RefreshResult(TLayerModel& model, int tab, const TLayerControls& shown) {
    if (!isVisible()) return;
    if (tab >= 0 && tab < kLayerCount) model.StoreLayerParams(tab, shown);
    model.Compose();
    ShowPicture(model.Result);
}

void TPreForm::ShowBeside(QWidget* mainWindow, const QRect& keepClear) {
    show();
    if (!mainWindow || (FPlaced && !frameGeometry().intersects(keepClear))) return;
    const QScreen* screen = mainWindow->screen() ? mainWindow->screen() : QGuiApplication::primaryScreen();
    const QRect work = screen ? screen->availableGeometry() : QRect(QPoint(0, 0), mainWindow->frameSize());
    // Until the window has its frame, the main window's frame stands in.
    QSize frame = frameGeometry().size();
    if (frame == size()) frame += mainWindow->frameSize() - mainWindow->size();
    move(PlaceBeside(mainWindow->frameGeometry(), keepClear, frame, work));  // moves the frame
    FPlaced = true;
}

bool TPreForm::event(QEvent* event) {
    const bool result = QWidget::event(event);
    if (event->type() == QEvent::WindowActivate && OnActivate) OnActivate(this);
    return result;
}

void TPreForm::closeEvent(QCloseEvent* event) {
    // Accepted: the window is hidden, not freed.
    event->accept();
    if (OnClose) OnClose(this);
}
