#include "menus97/sampleform_support.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "image/PGControls.h"
#include "image/PGImage.h"
#include "image/PGraphic.h"
#include "menus97/Edit97.h"
#include "platform/ImageList.h"
#include "widgets/ArtLabel.h"
#include "widgets/AutoSpinImage.h"
#include "widgets/AutoURLLabel.h"
#include "widgets/FontComboBox.h"
#include "widgets/NvOS8Checkbox.h"
#include "widgets/RxLabel.h"
#include "widgets/RxSlider.h"
#include "widgets/RxSpin.h"
#include "widgets/kv_btns.h"
#include "widgets/kv_ctrls.h"

namespace sampleform {

namespace {
QImage Swatch(int w, int h, QRgb a, QRgb b) {
    QImage img(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) img.setPixel(x, y, (x / 4 + y / 4) % 2 ? a : b);
    return img;
}
}  // namespace

TSampleForm::TSampleForm() : FImages(std::make_unique<TImageList>(32, 24)) {
    setWindowTitle(QStringLiteral("Widget set"));
    auto* form = new QFormLayout(this);

    auto* button = new TKV_Button;
    button->SetCaption(QStringLiteral("Update Now [F9]"));
    Add(QStringLiteral("TKV_Button"), button);
    auto* gradient = new TKV_GradientButton;
    gradient->SetCaption(QStringLiteral("Gradient"));
    gradient->SetLightColor(clWhite);
    gradient->SetShadowColor(clNavy);
    Add(QStringLiteral("TKV_GradientButton"), gradient);
    auto* image = new TKV_ImageButton;
    image->SetUpImage(Swatch(48, 20, qRgb(255, 255, 0), qRgb(0, 128, 0)));
    image->SetCaption(QStringLiteral("Image"));
    Add(QStringLiteral("TKV_ImageButton"), image);
    auto* line = new TKV_Bevel;
    line->SetShape(bsTopLine);
    Add(QStringLiteral("TKV_Bevel"), line);
    Add(QStringLiteral("TRxSlider"), new TRxSlider);
    Add(QStringLiteral("TRxSpinButton"), new TRxSpinButton);
    auto* spin = new TRxSpinEdit;
    spin->SetRange(0, 256, 1);
    spin->SetValue(128);
    Add(QStringLiteral("TRxSpinEdit"), spin);
    auto* label = new TRxLabel;
    label->SetCaption(QStringLiteral("Bevel Width: 12 pixels"));
    Add(QStringLiteral("TRxLabel"), label);
    Add(QStringLiteral("TFontComboBox"), new TFontComboBox);
    auto* check = new TNvOS8Checkbox;
    check->SetCaption(QStringLiteral("Auto-Update"));
    check->SetChecked(true);
    Add(QStringLiteral("TNvOS8Checkbox"), check);
    auto* url = new TAutoURLLabel;
    url->SetCaption(QStringLiteral("www.example.com/a/long/path/to/the/page"));
    Add(QStringLiteral("TAutoURLLabel"), url);
    FImages->Add(Swatch(32, 24, qRgb(255, 0, 0), qRgb(255, 255, 255)));
    FImages->Add(Swatch(32, 24, qRgb(0, 0, 255), qRgb(255, 255, 255)));
    auto* spinImage = new TAutoSpinImage;
    spinImage->SetImageList(FImages.get());
    spinImage->SetItemIndex(0);
    spinImage->SetAutoSize(true);
    Add(QStringLiteral("TAutoSpinImage"), spinImage);
    auto* art = new TArtLabel;
    art->SetCaption(QStringLiteral("Glimmo!"));
    Add(QStringLiteral("TArtLabel"), art);
    auto* edit = new TEdit97;
    edit->SetText(QStringLiteral("Button"));
    Add(QStringLiteral("TEdit97"), edit);
    auto* picture = new TPGImage;
    auto graphic = std::make_unique<TPixelGraphic>();
    graphic->SetSize(64, 48, 3);
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x) graphic->SetPixelColor(x, y, RGB(x * 4, y * 5, 128));
    picture->SetPixelGraphic(std::move(graphic));
    picture->SetAutoSize(true);
    Add(QStringLiteral("TPGImage"), picture);
    auto* group = new TPGGroupBox;
    group->SetCaption(QStringLiteral("Group"));
    group->SetTransparent(false);
    auto* inside = new QVBoxLayout(group);
    auto* pgLabel = new TPGLabel;
    pgLabel->SetCaption(QStringLiteral("TPGLabel"));
    inside->addWidget(pgLabel);
    auto* pgCheck = new TPGCheckBox;
    pgCheck->SetCaption(QStringLiteral("TPGCheckBox"));
    inside->addWidget(pgCheck);
    auto* pgRadio = new TPGRadioButton;
    pgRadio->SetCaption(QStringLiteral("TPGRadioButton"));
    inside->addWidget(pgRadio);
    Add(QStringLiteral("TPGGroupBox"), group);
    auto* panel = new TPGPanel;
    panel->SetCaption(QStringLiteral("Panel"));
    panel->SetTransparent(false);
    Add(QStringLiteral("TPGPanel"), panel);
    auto* bevel = new TPGBevel;
    bevel->SetShape(bsFrame);
    Add(QStringLiteral("TPGBevel"), bevel);

    // Standard controls beside one of ours share the look.
    auto* standard = new QHBoxLayout;
    auto* lineEdit = new QLineEdit(QStringLiteral("QLineEdit"));
    auto* combo = new QComboBox;
    combo->addItem(QStringLiteral("QComboBox"));
    auto* push = new QPushButton(QStringLiteral("QPushButton"));
    auto* kv = new TKV_Button;
    kv->SetCaption(QStringLiteral("TKV_Button"));
    for (QWidget* w : {static_cast<QWidget*>(lineEdit), static_cast<QWidget*>(combo), static_cast<QWidget*>(push),
                       static_cast<QWidget*>(kv)})
        standard->addWidget(w);
    form->addRow(QStringLiteral("Standard"), standard);
    FRows.push_back({QStringLiteral("QLineEdit"), lineEdit});
    FRows.push_back({QStringLiteral("QComboBox"), combo});
    FRows.push_back({QStringLiteral("QPushButton"), push});
    FRows.push_back({QStringLiteral("TKV_Button beside"), kv});
}

TSampleForm::~TSampleForm() = default;

void TSampleForm::Add(const QString& name, QWidget* control) {
    static_cast<QFormLayout*>(layout())->addRow(name, control);
    FRows.push_back({name, control});
}

QWidget* TSampleForm::Find(const QString& name) const {
    for (const TRow& row : FRows)
        if (row.Name == name) return row.Control;
    return nullptr;
}

}  // namespace sampleform
