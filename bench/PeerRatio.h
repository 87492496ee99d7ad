#pragma once
// Our figure kept by name, so that the peer's benchmark, run later in the
// same process, prints the ratio ours / peer next to its own time.
#include <benchmark/benchmark.h>

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
