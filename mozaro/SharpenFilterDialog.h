#pragma once
// Part of the tile generator's widget layer beside its engine: a filter
// component may show a settings window.
#include "image/PGFilterDialogs.h"

// The tile generator's filter component in place of the smoothing one: a
// new one holds a round Gaussian sharpen kernel of deviation 0.75 at 50 %.
class TSharpenFilterDialog : public TConvFilterDialog {
public:
    explicit TSharpenFilterDialog(QObject* AOwner = nullptr);
    void LoadTexts() override;
    void ApplySettings(TPGFilter& Filter) override;
};
