#include "image/PGSmoothSettings.h"

#include <algorithm>

#include "platform/MathUtil.h"

void BuildSmoothFilter(const TSmoothSettings& settings, TConvFilter& filter) {
    long double deviation = settings.StdDeviation;
    if (!(deviation >= 0.40L)) deviation = 0.40L;  // NaN too
    if (deviation > 1.30L) deviation = 1.30L;
    const int32_t hundredths = static_cast<int32_t>(Round(deviation * 100));
    filter.SetSmoothKernel(settings.DistributionShape, settings.UseDistance, hundredths * 0.01L,
                           std::clamp(settings.Percent, 10, 100));
}
