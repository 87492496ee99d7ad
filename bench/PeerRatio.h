#pragma once
// Our figure kept by name, so that the peer's benchmark, run later in the
// same process, prints the ratio ours / peer next to its own time.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <map>
#include <string>

inline std::map<std::string, double>& OurSecondsPerIteration() {
    static std::map<std::string, double> kept;
    return kept;
}

// At the end of our benchmark: the mean time of its iterations.
inline void KeepOurTime(const std::string& name, double totalSeconds, benchmark::IterationCount iterations) {
    if (iterations > 0) OurSecondsPerIteration()[name] = totalSeconds / double(iterations);
}

// At the end of the peer's benchmark: counter "ours_over_peer".
inline void SetRatioToOurs(benchmark::State& state, const std::string& name, double peerTotalSeconds) {
    const auto it = OurSecondsPerIteration().find(name);
    if (it == OurSecondsPerIteration().end() || state.iterations() == 0 || peerTotalSeconds <= 0) return;
    state.counters["ours_over_peer"] = it->second / (peerTotalSeconds / double(state.iterations()));
}

inline double SecondsSince(std::chrono::steady_clock::time_point t0) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

// Runs `body` once per iteration of the benchmark; the iterations' total seconds.
template <class Body>
double TimeIterations(benchmark::State& state, Body&& body) {
    double total = 0;
    for (auto _ : state) {
        const auto t0 = std::chrono::steady_clock::now();
        body();
        total += SecondsSince(t0);
    }
    return total;
}

// A shell command's wall time in seconds; -1 when it fails.
inline double TimeCommand(const std::string& command) {
    const auto t0 = std::chrono::steady_clock::now();
    if (std::system(command.c_str()) != 0) return -1;
    return SecondsSince(t0);
}

// A peer program's share of the work: each iteration (manual time) is the
// command `full` less `baseline` (its start-up and what we do not measure of
// ours; "" for none). Prints the ratio to our figure kept under `name`;
// returns the iterations' total seconds (0 when a command failed).
inline double TimePeerCommand(benchmark::State& state, const std::string& name, const std::string& full,
                              const std::string& baseline = "") {
    double total = 0;
    for (auto _ : state) {
        const double whole = TimeCommand(full);
        const double base = baseline.empty() ? 0 : TimeCommand(baseline);
        if (whole < 0 || base < 0) {
            state.SkipWithError(("the peer failed: " + (whole < 0 ? full : baseline)).c_str());
            return 0;
        }
        const double t = std::max(whole - base, 1e-6);
        total += t;
        state.SetIterationTime(t);
    }
    SetRatioToOurs(state, name, total);
    return total;
}
