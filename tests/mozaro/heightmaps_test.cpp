#include <gtest/gtest.h>

#include "mozaro/HeightMaps.h"

namespace {

uint32_t Fnv(const THeightMap& m) {
    uint32_t h = 2166136261u;
    for (uint8_t b : m) h = (h ^ b) * 16777619u;
    return h;
}

uint32_t StateAfterDraws(uint32_t seed, int draws) {
    TRandomGenerator g(seed);
    for (int i = 0; i < draws; ++i) g.NextReal();
    return g.GetSeed();
}

}  // namespace

TEST(HeightMaps, SeamlessFilledAndOneDrawPerComputedCell) {
    for (float r : {0.1f, 2.0f, 8.0f}) {
        THeightMap m{};
        TRandomGenerator g(12345u);
        MakeTilePlasma(m, r, g);
        EXPECT_EQ(g.GetSeed(), StateAfterDraws(12345u, 43690)) << r;
        for (int k = 0; k < kMapSize; ++k) {
            ASSERT_EQ(MapCell(m, 0, k), MapCell(m, 256, k)) << "row 256 repeats row 0, r=" << r;
            ASSERT_EQ(MapCell(m, k, 0), MapCell(m, k, 256)) << "column 256 repeats column 0, r=" << r;
        }
        for (uint8_t c : m) ASSERT_NE(c, 0) << "every cell is computed, r=" << r;
    }
    THeightMap flat{};
    TRandomGenerator g(777u);
    MakeTilePlasma(flat, 0.0f, g);
    EXPECT_EQ(g.GetSeed(), 777u) << "roughness 0 draws nothing";
    for (uint8_t c : flat) ASSERT_EQ(c, 128);
}

TEST(HeightMaps, GoldenMapsAndTheTurbulencesCrosswise) {
    THeightMaps maps;
    TRandomGenerator g;
    MakeHeightMaps(maps, 2147483647, 20, 20, g);
    EXPECT_EQ(Fnv(maps.Map1), 2677645055u);
    EXPECT_EQ(Fnv(maps.Map2), 4134294093u);
    MakeHeightMaps(maps, -5, 80, 3, g);
    EXPECT_EQ(Fnv(maps.Map1), 2634031887u);
    EXPECT_EQ(Fnv(maps.Map2), 199076178u);
    // Turbulence 2 = 0: map A is flat and takes no draws, so B starts at the seed.
    MakeHeightMaps(maps, 42, 35, 0, g);
    THeightMap b{};
    TRandomGenerator direct(42u);
    MakeTilePlasma(b, 3.5f, direct);
    EXPECT_EQ(maps.Map2, b);
    EXPECT_EQ(TurbulenceToRoughness(500), 8.0f) << "clamped to the slider's range";
}

TEST(HeightMaps, SeedText) {
    EXPECT_EQ(SeedFromText("  42\t"), 42);
    EXPECT_EQ(SeedFromText("-2147483648"), INT32_MIN);
    for (const char* bad : {"", "abc", "12abc", "1 2", "2147483648", "$FF", "-", "99999999999999999999"})
        EXPECT_EQ(SeedFromText(bad), 1) << '"' << bad << '"';
}

TEST(HeightMapCache, RepeatsMapsAndStateWhateverTheOrder) {
    THeightMapCache cache(2);
    auto a = cache.Get(SeedFromText("no number"), 20, 20);
    THeightMaps direct;
    TRandomGenerator g;
    MakeHeightMaps(direct, 1, 20, 20, g);
    EXPECT_EQ(a->Maps.Map1, direct.Map1) << "a text that is no integer gives the maps of 1";
    EXPECT_EQ(a->StateAfter, g.GetSeed());
    EXPECT_NE(cache.Get(1, 21, 20)->Maps.Map2, a->Maps.Map2) << "turbulence 1 is part of the key";
    EXPECT_NE(cache.Get(1, 20, 21)->Maps.Map1, a->Maps.Map1) << "turbulence 2 is part of the key";
    auto again = cache.Get(1, 20, 20);  // evicted and made anew
    EXPECT_EQ(again->Maps.Map2, direct.Map2);
    EXPECT_EQ(again->StateAfter, a->StateAfter);
}
