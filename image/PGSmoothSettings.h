#pragma once
// The settings a smoothing filter is made from, as a value: the button
// renderer keeps two and builds its filters from them, and the smoothing
// filter dialog edits one.
#include "image/PGConvFilter.h"

// The settings of a smoothing component (deviation 0.40..1.30, percent
// 10..100; out-of-range values are clamped when the filter is built).
struct TSmoothSettings {
    TDistributionShape DistributionShape = dsGaussian;
    long double StdDeviation = 1.3L;
    int Percent = 100;
    bool UseDistance = true;

    bool operator==(const TSmoothSettings& o) const {
        return DistributionShape == o.DistributionShape && StdDeviation == o.StdDeviation && Percent == o.Percent &&
               UseDistance == o.UseDistance;
    }
    bool operator!=(const TSmoothSettings& o) const { return !(*this == o); }
};

// Makes filter the smoothing kernel of settings: the deviation clamped to
// 0.40..1.30 and kept in hundredths, the percent clamped to 10..100.
void BuildSmoothFilter(const TSmoothSettings& settings, TConvFilter& filter);
