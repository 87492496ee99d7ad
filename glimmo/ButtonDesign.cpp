#include "glimmo/ButtonDesign.h"

#include <algorithm>

#include "platform/MathUtil.h"

void SetAntiAliasLevel(TSmoothSettings& settings, TAntiAliasLevel level) {
    switch (level) {
        case aaOff: settings.Percent = 10; settings.UseDistance = false; break;
        case aaLow: settings.Percent = 50; settings.UseDistance = true; break;
        case aaHigh: settings.Percent = 100; settings.UseDistance = true; break;
    }
}

int BevelOffsetFor(int relativeOffset, int bevelWidthMaximum, int bevelWidth) {
    return static_cast<int>(Round(relativeOffset * 0.1L * (bevelWidthMaximum - bevelWidth)));
}

int BevelWidthMaximum(int width, int height) { return std::min(width, height) / 2; }
