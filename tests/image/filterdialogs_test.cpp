#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QTimer>
#include <QtTest/QTest>
#include <functional>
#include <limits>
#include <string>
#include <tuple>
#include <vector>

#include "image/PGFilterDialogs.h"
#include "support/ScopedLocale.h"

namespace {

int Centre(const TConvFilterDialog& d) {
    const TConvFilter& f = d.GetConvFilter();
    return f.GetCoefficient(-f.GetXOffset(), -f.GetYOffset());
}

// Every coefficient of a filter, with its size.
std::vector<int32_t> Kernel(const TConvFilter& f) {
    std::vector<int32_t> k{f.GetWidth(), f.GetHeight(), f.GetXOffset(), f.GetYOffset()};
    for (int32_t row = 0; row < f.GetHeight(); ++row)
        for (int32_t col = 0; col < f.GetWidth(); ++col) k.push_back(f.GetCoefficient(col, row));
    return k;
}

auto Fields(const TFilterSetting& s) {
    return std::make_tuple(s.Enabled, s.Min, s.Max, s.Step, s.ResetValue, s.ScaleMin, s.ScaleMiddle, s.ScaleMax,
                           s.Value);
}

// Runs Execute while `act` works on the settings window once it is shown.
bool ExecuteWith(TFilterDialog& d, const std::function<void(QWidget*)>& act) {
    QTimer::singleShot(0, [&] {
        QWidget* form = QApplication::activeModalWidget();
        ASSERT_NE(form, nullptr);
        act(form);
    });
    return d.Execute();
}

}  // namespace

TEST(SmoothFilterDialog, StartsAsARoundGaussianAtFullStrength) {
    TSmoothFilterDialog d;
    EXPECT_EQ(d.GetDistributionShape(), dsGaussian);
    EXPECT_NEAR(double(d.GetStdDeviation()), 1.30, 1e-12);
    EXPECT_EQ(d.GetPercent(), 100);
    EXPECT_TRUE(d.GetUseDistance());
    EXPECT_EQ(d.GetConvFilter().GetWidth(), 7);
    EXPECT_EQ(d.GetConvFilter().CoefficientSum(), 172);
    EXPECT_EQ(Centre(d), 16);

    using S = std::string;
    EXPECT_EQ(Fields(d.Setting(1)), std::make_tuple(true, 40, 130, 10, 130, S("0.40"), S(""), S("1.30"), 130));
    EXPECT_EQ(Fields(d.Setting(2)), std::make_tuple(true, 10, 100, 10, 100, S("10%"), S(""), S("100%"), 100));
    EXPECT_FALSE(d.Setting(3).Enabled);
    d.LoadTexts();
    EXPECT_EQ(d.GetCaption(), "Smooth");
    EXPECT_EQ(d.Setting(1).Label, "Std. deviation");
    EXPECT_EQ(d.Setting(2).Label, "Strength");
}

TEST(SmoothFilterDialog, SettersClampAndOnlyShapeAndDistanceRebuild) {
    TSmoothFilterDialog d;
    const std::pair<long double, long double> deviations[] = {
        {2.0L, 1.3L}, {0.1L, 0.4L}, {std::numeric_limits<long double>::quiet_NaN(), 0.4L}, {0.754L, 0.75L}};
    for (auto [in, out] : deviations) {
        d.SetStdDeviation(in);
        EXPECT_NEAR(double(d.GetStdDeviation()), double(out), 1e-12);
    }
    d.SetPercent(5);
    EXPECT_EQ(d.GetPercent(), 10);
    d.SetPercent(150);
    EXPECT_EQ(d.GetPercent(), 100);

    // Deviation and percent are only stored; equal values rebuild nothing ...
    d.SetStdDeviation(1.3L);
    d.SetPercent(50);
    d.SetUseDistance(true);
    d.SetDistributionShape(dsGaussian);
    EXPECT_EQ(Centre(d), 16);
    // ... and they reach the filter with the next change of either.
    d.SetUseDistance(false);
    EXPECT_EQ(Centre(d), 16 + 172);
    d.SetDistributionShape(dsRect);  // separable rectangle, 25 ones, at 50 %
    EXPECT_EQ(d.GetConvFilter().GetWidth(), 5);
    EXPECT_EQ(Centre(d), 1 + 25);

    // The button designer's stored component (1.3, 24 %, UseDistance false),
    // then its "High" command (false, 100, true).
    TSmoothFilterDialog aa;
    aa.SetStdDeviation(1.3L);
    aa.SetPercent(24);
    aa.SetUseDistance(false);
    EXPECT_EQ(Centre(aa), 561);
    aa.SetPercent(100);
    aa.SetUseDistance(true);
    EXPECT_EQ(Centre(aa), 16);
}

TEST(SmoothFilterDialog, EditsASettingsValueWholly) {
    TSmoothFilterDialog d;
    EXPECT_EQ(d.GetSettings(), (TSmoothSettings{dsGaussian, 1.3L, 100, true}));
    // The button designer's anti-aliasing value in one step, then only its
    // strength changed: the filter follows each value at once.
    d.SetSettings({dsGaussian, 1.3L, 50, false});
    EXPECT_EQ(Centre(d), 16 + 172);
    d.SetSettings({dsGaussian, 1.3L, 24, false});
    EXPECT_EQ(Centre(d), 561);
    d.SetSettings({dsGaussian, 0.75L, 24, false});
    EXPECT_EQ(d.GetConvFilter().GetWidth(), 3);

    // Out-of-range values are clamped as the renderer's filters clamp them.
    const TSmoothSettings cases[] = {
        {dsTent, 2.0L, 150, true}, {dsRect, 0.1L, 5, false}, {dsGaussian, 0.754L, 60, true}};
    const TSmoothSettings clamped[] = {
        {dsTent, 1.3L, 100, true}, {dsRect, 0.4L, 10, false}, {dsGaussian, 0.75L, 60, true}};
    for (int i = 0; i < 3; ++i) {
        d.SetSettings(cases[i]);
        const TSmoothSettings got = d.GetSettings();
        EXPECT_EQ(got.DistributionShape, clamped[i].DistributionShape) << i;
        EXPECT_NEAR(double(got.StdDeviation), double(clamped[i].StdDeviation), 1e-12) << i;
        EXPECT_EQ(got.Percent, clamped[i].Percent) << i;
        EXPECT_EQ(got.UseDistance, clamped[i].UseDistance) << i;
        TConvFilter built;
        BuildSmoothFilter(cases[i], built);
        EXPECT_EQ(Kernel(d.GetConvFilter()), Kernel(built)) << i;
    }

    // The window edits the value too.
    d.SetSettings({dsGaussian, 1.3L, 100, true});
    EXPECT_TRUE(ExecuteWith(d, [](QWidget* form) {
        form->findChild<QSlider*>("Setting1Slider")->setValue(75);
        QTest::mouseClick(form->findChild<QPushButton*>("OKButton"), Qt::LeftButton);
    }));
    EXPECT_NEAR(double(d.GetSettings().StdDeviation), 0.75, 1e-12);
    EXPECT_EQ(d.GetSettings().Percent, 100);
}

TEST(FilterDialogTexts, ValueTexts) {
    TSmoothFilterDialog d;
    for (auto [v, text] : {std::pair{75, "0.75"}, {130, "1.30"}, {40, "0.40"}, {100, "1.00"}}) {
        d.Setting(1).Value = v;
        EXPECT_EQ(d.GetValueText1(), text);
    }
    d.Setting(2).Value = 24;
    EXPECT_EQ(d.GetValueText2(), "24%");
    // The base class's signed percent (setting 3 is not overridden).
    for (auto [v, text] : {std::pair{20, "+20%"}, {0, "±0%"}, {-5, "-5%"}}) {
        d.Setting(3).Value = v;
        EXPECT_EQ(d.GetValueText(3), text);
    }
    // No locale of the user's applies: a point in a comma locale too.
    gwtest::TScopedLocale german(gwtest::TScopedLocale::lkGerman);
    GW_NEED_LOCALE(german);
    d.Setting(1).Value = 75;
    EXPECT_EQ(d.GetValueText1(), "0.75");
}

TEST(FilterDialogWindow, OkAppliesAndCancelRestores) {
    TSmoothFilterDialog d;
    d.SetPercent(50);  // stored, not yet applied

    bool ok = ExecuteWith(d, [](QWidget* form) {
        EXPECT_EQ(form->windowTitle(), "Smooth");
        auto* slider = form->findChild<QSlider*>("Setting1Slider");
        ASSERT_NE(slider, nullptr);
        slider->setValue(75);
        EXPECT_EQ(form->findChild<QLabel*>("Setting1Value")->text(), "0.75");
        EXPECT_EQ(form->findChild<QSlider*>("Setting2Slider")->value(), 50);
        EXPECT_EQ(form->findChild<QSlider*>("Setting3Slider"), nullptr);
        auto* cancel = form->findChild<QPushButton*>("CancelButton");
        EXPECT_EQ(cancel->text(), "Cancel");
        QTest::mouseClick(cancel, Qt::LeftButton);
    });
    EXPECT_FALSE(ok);
    EXPECT_EQ(d.Setting(1).Value, 130);
    EXPECT_EQ(d.GetConvFilter().GetWidth(), 7);
    EXPECT_EQ(Centre(d), 16);

    // OK: the new deviation and the stored strength reach the filter.
    ok = ExecuteWith(d, [](QWidget* form) {
        form->findChild<QSlider*>("Setting1Slider")->setValue(75);
        auto* okButton = form->findChild<QPushButton*>("OKButton");
        EXPECT_EQ(okButton->text(), "OK");
        QTest::mouseClick(okButton, Qt::LeftButton);
    });
    EXPECT_TRUE(ok);
    EXPECT_EQ(d.Setting(1).Value, 75);
    EXPECT_EQ(d.GetConvFilter().GetWidth(), 3);
    EXPECT_EQ(Centre(d), 16 + 56);
}
