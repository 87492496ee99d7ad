#pragma once
// Non-visual filter components: each owns a filter and the settings that
// shape it, and can show a small settings window (Execute).
// TSmoothFilterDialog edits a TSmoothSettings value, the value the button
// renderer builds its smoothing filters from.
//
// Only DistributionShape and UseDistance rebuild the filter when they change;
// StdDeviation and Percent are stored and reach the filter with the next such
// change (or an accepted settings window). Callers that want a new strength
// set UseDistance to the other value, then Percent, then UseDistance back.
#include <QObject>
#include <cstdint>
#include <memory>
#include <string>

#include "image/PGConvFilter.h"
#include "image/PGSmoothSettings.h"

class QWidget;

// One adjustable setting of a filter dialog.
struct TFilterSetting {
    bool Enabled = false;
    int32_t Min = 0;
    int32_t Max = 0;
    int32_t Step = 10;
    int32_t ResetValue = 0;
    std::string Label;
    std::string ScaleMin, ScaleMiddle, ScaleMax;  // texts under the scale
    int32_t Value = 0;
};

class TFilterDialog : public QObject {
public:
    // The owner (may be null) frees the component with itself. A subclass
    // constructor creates the filter (InitFilter) and ends with
    // ApplySettings(*GetFilter()).
    explicit TFilterDialog(QObject* AOwner = nullptr);
    ~TFilterDialog() override;

    // The filter, still owned by the dialog; hand it to ApplyFilter.
    TPGFilter* GetFilter() const { return FFilter.get(); }

    int GetTag() const { return FTag; }
    void SetTag(int Value) { FTag = Value; }
    const std::string& GetCaption() const { return FCaption; }
    // Setting 1..3.
    TFilterSetting& Setting(int Index) { return FSettings[Index - 1]; }
    const TFilterSetting& Setting(int Index) const { return FSettings[Index - 1]; }

    // Shows the settings window: texts loaded, values saved; OK applies the
    // settings to the filter and returns true, Cancel restores the values.
    bool Execute(QWidget* Parent = nullptr);

    // Label and caption texts from the library's message table.
    virtual void LoadTexts() {}
    virtual std::unique_ptr<TPGFilter> CreateFilter() = 0;
    // Brings Filter in line with the settings.
    virtual void ApplySettings(TPGFilter& Filter) = 0;
    // Display texts of the current values: signed percent ("+20%", "±0%").
    virtual std::string GetValueText1() { return SignedPercentText(FSettings[0].Value); }
    virtual std::string GetValueText2() { return SignedPercentText(FSettings[1].Value); }
    virtual std::string GetValueText3() { return SignedPercentText(FSettings[2].Value); }
    virtual void SaveValues() = 0;
    virtual void RestoreValues() = 0;

    std::string GetValueText(int Index);

protected:
    void InitFilter() { FFilter = CreateFilter(); }
    static std::string SignedPercentText(int32_t Value);

    TFilterSetting FSettings[3];
    std::string FCaption;

private:
    std::unique_ptr<TPGFilter> FFilter;
    int FTag = 0;
};

// A dialog whose filter is a TConvFilter shaped by a distribution: setting 1
// is the standard deviation x 100 (40..130), setting 2 the strength in
// percent (10..100). Subclasses give ApplySettings.
class TConvFilterDialog : public TFilterDialog {
public:
    explicit TConvFilterDialog(QObject* AOwner = nullptr);

    std::unique_ptr<TPGFilter> CreateFilter() override;
    void LoadTexts() override;
    // "0.75" for 75; "100%" for 100.
    std::string GetValueText1() override;
    std::string GetValueText2() override;
    void SaveValues() override;
    void RestoreValues() override;

    TConvFilter& GetConvFilter() const { return static_cast<TConvFilter&>(*GetFilter()); }

    // Properties of the concrete dialogs. The shape and UseDistance rebuild
    // the filter when they change; the deviation (clamped to 0.40..1.30) and
    // the percent (clamped to setting 2's range) are only stored.
    TDistributionShape GetDistributionShape() const { return FDistributionShape; }
    void SetDistributionShape(TDistributionShape Value);
    long double GetStdDeviation() const { return FSettings[0].Value * 0.01L; }
    void SetStdDeviation(long double Value);
    int32_t GetPercent() const { return FSettings[1].Value; }
    void SetPercent(int32_t Value);
    bool GetUseDistance() const { return FUseDistance; }
    void SetUseDistance(bool Value);

protected:
    int32_t FSavedValue1 = 0;
    int32_t FSavedValue2 = 0;
    TDistributionShape FDistributionShape = dsGaussian;
    bool FUseDistance = true;
};

// Smoothing: a distribution kernel with the identity mixed back in by
// Percent. A new one holds a round Gaussian of deviation 1.30 at 100 %.
class TSmoothFilterDialog : public TConvFilterDialog {
public:
    explicit TSmoothFilterDialog(QObject* AOwner = nullptr);
    void LoadTexts() override;
    void ApplySettings(TPGFilter& Filter) override;

    // The settings as a value, and the value taken as a whole: clamped as
    // the setters clamp, and the filter rebuilt from all four at once (so
    // GetConvFilter() is what BuildSmoothFilter makes of GetSettings()).
    TSmoothSettings GetSettings() const;
    void SetSettings(const TSmoothSettings& Settings);
};
