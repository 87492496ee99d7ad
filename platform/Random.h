#pragma once
// The process-wide random generator: s := s * 134775813 + 1 (mod 2^32).
// A real draw yields s / 2^32; an integer draw 0..N-1 is the high 32 bits of
// s * N. The state is readable and settable so that seeded results repeat.
#include <cstdint>

class TRandomGenerator {
public:
    explicit TRandomGenerator(uint32_t seed = 0) : FSeed(seed) {}
    uint32_t GetSeed() const { return FSeed; }
    void SetSeed(uint32_t s) { FSeed = s; }
    // Real in [0, 1).
    double NextReal() {
        Step();
        return static_cast<double>(FSeed) / 4294967296.0;
    }
    // Integer in 0..n-1 (n taken as unsigned 32-bit; 0 for n <= 0).
    int32_t NextInt(int32_t n) {
        Step();
        if (n <= 0) return 0;
        return static_cast<int32_t>((static_cast<uint64_t>(FSeed) * static_cast<uint32_t>(n)) >> 32);
    }

private:
    void Step() { FSeed = FSeed * 134775813u + 1u; }
    uint32_t FSeed;
};

// The one generator of the process.
TRandomGenerator& GlobalRandom();
inline double Random() { return GlobalRandom().NextReal(); }
inline int32_t Random(int32_t n) { return GlobalRandom().NextInt(n); }
inline uint32_t GetRandSeed() { return GlobalRandom().GetSeed(); }
inline void SetRandSeed(uint32_t s) { GlobalRandom().SetSeed(s); }
// A seed from the clock (milliseconds, wrapping).
uint32_t ClockSeed();
// Seeds the global generator from the clock (program start-up only).
void Randomize();
