#include "image/PGFilterDialogs.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>
#include <charconv>
#include <cmath>

#include "image/PGMessages.h"
#include "platform/MathUtil.h"

namespace {

constexpr int MsgOK = 42, MsgCancel = 43, MsgStdDeviation = 72, MsgStrength = 73, MsgSmooth = 76, MsgPlusMinus = 82;

QString Q(const std::string& s) { return QString::fromStdString(s); }

// The settings window: one slider per enabled setting with its label, its
// value text and the three scale texts below it. Moving a slider changes the
// dialog's setting at once; the caller restores the values on Cancel.
class TFilterSettingsForm : public QDialog {
public:
    TFilterSettingsForm(TFilterDialog& owner, QWidget* parent) : QDialog(parent) {
        setWindowTitle(Q(owner.GetCaption()));
        setObjectName("FilterSettingsForm");
        auto* grid = new QGridLayout;
        int row = 0;
        for (int i = 1; i <= 3; ++i) {
            TFilterSetting& s = owner.Setting(i);
            if (!s.Enabled) continue;
            auto* label = new QLabel(Q(s.Label));
            auto* slider = new QSlider(Qt::Horizontal);
            auto* value = new QLabel;
            slider->setObjectName(QString("Setting%1Slider").arg(i));
            value->setObjectName(QString("Setting%1Value").arg(i));
            slider->setRange(s.Min, s.Max);
            slider->setSingleStep(s.Step);
            slider->setPageStep(s.Step);
            slider->setTickInterval(s.Step);
            slider->setTickPosition(QSlider::TicksBelow);
            slider->setValue(s.Value);
            slider->setMinimumWidth(200);
            value->setMinimumWidth(48);
            value->setText(Q(owner.GetValueText(i)));
            QObject::connect(slider, &QSlider::valueChanged, this, [&owner, &s, value, i](int v) {
                s.Value = v;
                value->setText(Q(owner.GetValueText(i)));
            });
            auto* scale = new QHBoxLayout;
            auto* lo = new QLabel(Q(s.ScaleMin));
            auto* mid = new QLabel(Q(s.ScaleMiddle));
            auto* hi = new QLabel(Q(s.ScaleMax));
            mid->setAlignment(Qt::AlignHCenter);
            hi->setAlignment(Qt::AlignRight);
            scale->addWidget(lo, 1);
            scale->addWidget(mid, 1);
            scale->addWidget(hi, 1);
            grid->addWidget(label, row, 0);
            grid->addWidget(slider, row, 1);
            grid->addWidget(value, row, 2);
            grid->addLayout(scale, row + 1, 1);
            row += 2;
        }
        auto* buttons = new QDialogButtonBox;
        QPushButton* ok = buttons->addButton(Q(GetLangStr(MsgOK)), QDialogButtonBox::AcceptRole);
        QPushButton* cancel = buttons->addButton(Q(GetLangStr(MsgCancel)), QDialogButtonBox::RejectRole);
        ok->setObjectName("OKButton");
        cancel->setObjectName("CancelButton");
        ok->setDefault(true);
        connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
        connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
        auto* layout = new QVBoxLayout(this);
        layout->addLayout(grid);
        layout->addWidget(buttons);
    }
};

}  // namespace

// ---- TFilterDialog ------------------------------------------------------------

TFilterDialog::TFilterDialog(QObject* AOwner) : QObject(AOwner) {}

TFilterDialog::~TFilterDialog() = default;

std::string TFilterDialog::SignedPercentText(int32_t Value) {
    std::string sign = Value > 0 ? "+" : Value == 0 ? GetLangStr(MsgPlusMinus) : "";
    return sign + std::to_string(Value) + "%";
}

std::string TFilterDialog::GetValueText(int Index) {
    switch (Index) {
        case 1: return GetValueText1();
        case 2: return GetValueText2();
        default: return GetValueText3();
    }
}

bool TFilterDialog::Execute(QWidget* Parent) {
    LoadTexts();
    SaveValues();
    bool accepted;
    {
        TFilterSettingsForm form(*this, Parent);
        accepted = form.exec() == QDialog::Accepted;
    }
    if (!accepted) {
        RestoreValues();
        return false;
    }
    ApplySettings(*GetFilter());
    return true;
}

// ---- TConvFilterDialog --------------------------------------------------------

TConvFilterDialog::TConvFilterDialog(QObject* AOwner) : TFilterDialog(AOwner) {
    InitFilter();
    // enabled, minimum, maximum, step, reset value, label, scale texts, value
    FSettings[0] = TFilterSetting{true, 40, 130, 10, 75, "", "0.40", "", "1.30", 75};
    FSettings[1] = TFilterSetting{true, 10, 100, 10, 100, "", "10%", "", "100%", 100};
}

std::unique_ptr<TPGFilter> TConvFilterDialog::CreateFilter() { return std::make_unique<TConvFilter>(); }

void TConvFilterDialog::LoadTexts() {
    FSettings[0].Label = GetLangStr(MsgStdDeviation);
    FSettings[1].Label = GetLangStr(MsgStrength);
}

std::string TConvFilterDialog::GetValueText1() {
    // The runtime's general float text of value / 100 + 0.001, last digit
    // cut: two decimals always ("1.30", "0.75"), with a point whatever the
    // user's locale.
    char buf[64];
    const auto res =
        std::to_chars(buf, buf + sizeof buf, FSettings[0].Value * 0.01L + 0.001L, std::chars_format::general, 15);
    std::string s(buf, res.ptr);
    if (!s.empty()) s.pop_back();
    return s;
}

std::string TConvFilterDialog::GetValueText2() { return std::to_string(FSettings[1].Value) + "%"; }

void TConvFilterDialog::SaveValues() {
    FSavedValue1 = FSettings[0].Value;
    FSavedValue2 = FSettings[1].Value;
}

void TConvFilterDialog::RestoreValues() {
    FSettings[0].Value = FSavedValue1;
    FSettings[1].Value = FSavedValue2;
}

void TConvFilterDialog::SetDistributionShape(TDistributionShape Value) {
    if (Value == FDistributionShape) return;
    FDistributionShape = Value;
    ApplySettings(*GetFilter());
}

void TConvFilterDialog::SetUseDistance(bool Value) {
    if (Value == FUseDistance) return;
    FUseDistance = Value;
    ApplySettings(*GetFilter());
}

void TConvFilterDialog::SetStdDeviation(long double Value) {
    if (!(Value >= 0.40L)) Value = 0.40L;  // NaN too
    if (Value > 1.30L) Value = 1.30L;
    FSettings[0].Value = static_cast<int32_t>(Round(Value * 100));
}

void TConvFilterDialog::SetPercent(int32_t Value) {
    FSettings[1].Value = Clamp(Value, FSettings[1].Min, FSettings[1].Max);
}

// ---- TSmoothFilterDialog ------------------------------------------------------

TSmoothFilterDialog::TSmoothFilterDialog(QObject* AOwner) : TConvFilterDialog(AOwner) {
    FSettings[0].ResetValue = 130;
    FSettings[0].Value = 130;
    FSettings[1].ResetValue = 100;
    FSettings[1].Value = 100;
    ApplySettings(*GetFilter());
}

void TSmoothFilterDialog::LoadTexts() {
    TConvFilterDialog::LoadTexts();
    FCaption = GetLangStr(MsgSmooth);
}

void TSmoothFilterDialog::ApplySettings(TPGFilter& Filter) {
    dynamic_cast<TConvFilter&>(Filter).SetSmoothKernel(FDistributionShape, FUseDistance, GetStdDeviation(),
                                                       GetPercent());
}

TSmoothSettings TSmoothFilterDialog::GetSettings() const {
    return TSmoothSettings{FDistributionShape, GetStdDeviation(), GetPercent(), FUseDistance};
}

void TSmoothFilterDialog::SetSettings(const TSmoothSettings& Settings) {
    FDistributionShape = Settings.DistributionShape;
    FUseDistance = Settings.UseDistance;
    SetStdDeviation(Settings.StdDeviation);
    SetPercent(Settings.Percent);
    ApplySettings(*GetFilter());
}
