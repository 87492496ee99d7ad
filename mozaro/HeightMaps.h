#pragma once
// The two seamless height maps every texture is computed from. A map is a
// 257 x 257 grid made by midpoint displacement whose last row and column
// repeat the first, so the 256 x 256 tile cut from it repeats without a seam.
// The order of random draws is fixed: stored designs rely on a seed always
// giving the same maps.
#include <array>
#include <cstdint>
#include <list>
#include <memory>
#include <string>

#include "platform/Random.h"

constexpr int kMapSize = 257;

// Cell (i, j) at offset i * 257 + j; 0 means "not computed yet".
using THeightMap = std::array<uint8_t, kMapSize * kMapSize>;

inline uint8_t MapCell(const THeightMap& map, int i, int j) { return map[i * kMapSize + j]; }

// Fills a map whose cells are all 0. Roughness 0 gives 128 everywhere and
// draws nothing; otherwise exactly 43,690 draws are taken from rng.
void MakeTilePlasma(THeightMap& map, float roughness, TRandomGenerator& rng = GlobalRandom());

// A turbulence slider value (clamped to 0..80) as roughness: value x 0.1 in
// single precision.
float TurbulenceToRoughness(int turbulence);

// The seed of a seed text: the trimmed text as a decimal 32-bit integer,
// else 1.
int32_t SeedFromText(const std::string& text);

struct THeightMaps {
    THeightMap Map1;  // "A" of the formulas, roughness from turbulence 2
    THeightMap Map2;  // "B", roughness from turbulence 1
};

// Sets rng to the seed, clears both maps and makes Map1 then Map2 from one
// continuous random stream.
void MakeHeightMaps(THeightMaps& maps, int32_t seed, int turbulence1, int turbulence2, TRandomGenerator& rng);

// Maps for a (seed, turbulence 1, turbulence 2) together with the generator
// state right after them. Every render starts its random stream from that
// state, so a seed gives the same texture however often and in whatever
// order layers are drawn.
struct THeightMapSet {
    int32_t Seed = 1;
    int Turbulence1 = 0, Turbulence2 = 0;
    THeightMaps Maps;
    uint32_t StateAfter = 0;
};

class THeightMapCache {
public:
    explicit THeightMapCache(size_t capacity = 3) : FCapacity(capacity ? capacity : 1) {}
    // Made on first use, then kept (the most recent few: one per layer).
    std::shared_ptr<const THeightMapSet> Get(int32_t seed, int turbulence1, int turbulence2);
    void Clear() { FEntries.clear(); }
    size_t Count() const { return FEntries.size(); }

private:
    size_t FCapacity;
    std::list<std::shared_ptr<const THeightMapSet>> FEntries;  // most recent first
};
