#include "platform/Random.h"

#include <chrono>

TRandomGenerator& GlobalRandom() {
    static TRandomGenerator g;
    return g;
}

uint32_t ClockSeed() {
    auto now = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

void Randomize() { GlobalRandom().SetSeed(ClockSeed()); }
