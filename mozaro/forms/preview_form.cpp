#include "mozaro/forms/preview_form.h"

#include <QCloseEvent>
#include <QVBoxLayout>

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
