#include "mozaro/SharpenFilterDialog.h"

#include "image/PGMessages.h"
#include "mozaro/ImageAdditions.h"

namespace {

constexpr int MsgSharpen = 74;

}  // namespace

TSharpenFilterDialog::TSharpenFilterDialog(QObject* AOwner) : TConvFilterDialog(AOwner) {
    FSettings[1].ResetValue = 50;
    FSettings[1].Value = 50;
    ApplySettings(*GetFilter());
}

void TSharpenFilterDialog::LoadTexts() {
    TConvFilterDialog::LoadTexts();
    FCaption = GetLangStr(MsgSharpen);
}

void TSharpenFilterDialog::ApplySettings(TPGFilter& Filter) {
    SetSharpenKernel(dynamic_cast<TConvFilter&>(Filter), FDistributionShape, FUseDistance, GetStdDeviation(),
                     GetPercent());
}
