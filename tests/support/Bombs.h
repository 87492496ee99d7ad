#pragma once
// Parameter files whose one item is a compression bomb, and what loading
// them takes.
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>

#include "support/ContainerItems.h"
#include "support/PeakMemory.h"
#include "support/TestFiles.h"

namespace gwtest {

// Writes bomb as good's items with key replaced by blocks compressed runs of
// fill, loads it through load in a measured child, prints the time and the
// peak and returns the peak (negative when it could not be measured).
inline int64_t BombPeak(const std::string& bomb, TItems good, const std::string& key, int blocks, char fill,
                        const std::function<void()>& load) {
    constexpr int64_t kMiB = int64_t(1) << 20;
    good.erase(key);
    WriteItems(bomb, good, {{key, RunBlocks(blocks, fill)}});
    const auto start = std::chrono::steady_clock::now();
    const int64_t peak = PeakMemoryOf(load);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("\"%s\" of %zu bytes expanding to %lld MiB: %.2f s, peak %.1f MiB\n", key.c_str(),
                ReadFile(bomb).size(), static_cast<long long>(blocks * int64_t(qdb::kCompressBlock) / kMiB), seconds,
                double(peak) / kMiB);
    return peak;
}

}  // namespace gwtest
