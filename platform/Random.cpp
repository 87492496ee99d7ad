#include "platform/Random.h"

#include <chrono>

TRandomGenerator& GlobalRandom() {
    static TRandomGenerator g;
    return g;
}

void Randomize() {
    auto now = std::chrono::steady_clock::now().time_since_epoch();
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now).count();
    GlobalRandom().SetSeed(static_cast<uint32_t>(ms));
}
