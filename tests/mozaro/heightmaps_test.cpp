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

THeightMap Plasma(float roughness, uint32_t seed, uint32_t* stateAfter = nullptr) {
    THeightMap m{};
    TRandomGenerator g(seed);
    MakeTilePlasma(m, roughness, g);
    if (stateAfter) *stateAfter = g.GetSeed();
    return m;
}

}  // namespace

TEST(HeightMaps, SeamlessFilledAndInRangeAtEveryRoughness) {
    for (float r : {0.1f, 2.0f, 8.0f}) {
        for (uint32_t seed : {1u, 12345u, 2147483647u}) {
            THeightMap m = Plasma(r, seed);
            for (int k = 0; k < kMapSize; ++k) {
                ASSERT_EQ(MapCell(m, 0, k), MapCell(m, 256, k)) << "row 256 repeats row 0, r=" << r;
                ASSERT_EQ(MapCell(m, k, 0), MapCell(m, k, 256)) << "column 256 repeats column 0, r=" << r;
            }
            for (uint8_t c : m) ASSERT_NE(c, 0) << "every cell is computed, r=" << r;
        }
    }
}

TEST(HeightMaps, DrawsExactlyOncePerComputedCell) {
    uint32_t after = 0;
    Plasma(2.0f, 777u, &after);
    EXPECT_EQ(after, StateAfterDraws(777u, 43690));

    THeightMap flat = Plasma(0.0f, 777u, &after);
    EXPECT_EQ(after, 777u) << "roughness 0 draws nothing";
    for (uint8_t c : flat) ASSERT_EQ(c, 128);
}

TEST(HeightMaps, CornersAndEdgesFollowTheDrawOrder) {
    // The first draw decides the midpoint of the first edge pass, cell (128, 0).
    TRandomGenerator g(99u);
    long double r = g.NextReal();
    int expected = static_cast<int>((r - 0.5L) * 256 * 2.0L + 128);
    expected = expected < 1 ? 1 : (expected > 255 ? 255 : expected);
    THeightMap m = Plasma(2.0f, 99u);
    EXPECT_EQ(MapCell(m, 128, 0), expected);
    EXPECT_EQ(MapCell(m, 128, 256), expected);
    EXPECT_EQ(MapCell(m, 0, 0), 128);
    EXPECT_EQ(MapCell(m, 256, 256), 128);
    // A centre is the floor of its corners' mean: the first square's centre.
    int sum = MapCell(m, 0, 0) + MapCell(m, 256, 0) + MapCell(m, 256, 256) + MapCell(m, 0, 256);
    EXPECT_EQ(MapCell(m, 128, 128), sum / 4);
}

TEST(HeightMaps, GoldenChecksums) {
    THeightMaps maps;
    TRandomGenerator g;
    MakeHeightMaps(maps, 2147483647, 20, 20, g);
    EXPECT_EQ(Fnv(maps.Map1), 2677645055u);
    EXPECT_EQ(Fnv(maps.Map2), 4134294093u);
    MakeHeightMaps(maps, -5, 80, 3, g);
    EXPECT_EQ(Fnv(maps.Map1), 2634031887u);
    EXPECT_EQ(Fnv(maps.Map2), 199076178u);
}

TEST(HeightMaps, MakeHeightMapsUsesTheTurbulencesCrosswise) {
    THeightMaps maps;
    TRandomGenerator g;
    // Turbulence 2 = 0: Map1 is flat and takes no draws, so Map2 starts at the seed.
    MakeHeightMaps(maps, 42, 35, 0, g);
    for (uint8_t c : maps.Map1) ASSERT_EQ(c, 128);
    EXPECT_EQ(Fnv(maps.Map2), Fnv(Plasma(TurbulenceToRoughness(35), 42u)));
    EXPECT_EQ(g.GetSeed(), StateAfterDraws(42u, 43690));

    MakeHeightMaps(maps, 42, 35, 7, g);
    EXPECT_EQ(Fnv(maps.Map1), Fnv(Plasma(TurbulenceToRoughness(7), 42u)));
    EXPECT_EQ(g.GetSeed(), StateAfterDraws(42u, 2 * 43690));
}

TEST(HeightMaps, TurbulenceIsTenthsInSinglePrecision) {
    EXPECT_EQ(TurbulenceToRoughness(20), 2.0f);
    EXPECT_EQ(TurbulenceToRoughness(0), 0.0f);
    EXPECT_EQ(TurbulenceToRoughness(3), 0.3f);
    EXPECT_EQ(TurbulenceToRoughness(80), 8.0f);
    EXPECT_EQ(TurbulenceToRoughness(500), 8.0f) << "clamped to the slider's range";
    EXPECT_EQ(TurbulenceToRoughness(-4), 0.0f);
}

TEST(HeightMaps, SeedText) {
    EXPECT_EQ(SeedFromText("2147483647"), 2147483647);
    EXPECT_EQ(SeedFromText("  42\t"), 42);
    EXPECT_EQ(SeedFromText("+7"), 7);
    EXPECT_EQ(SeedFromText("-2147483648"), INT32_MIN);
    EXPECT_EQ(SeedFromText("0"), 0);
    for (const char* bad : {"", "   ", "abc", "12abc", "1 2", "2147483648", "-2147483649", "$FF", "-",
                            "99999999999999999999"})
        EXPECT_EQ(SeedFromText(bad), 1) << '"' << bad << '"';
}

TEST(HeightMapCache, RepeatsMapsAndStateWhateverTheOrder) {
    THeightMapCache cache(2);
    auto a = cache.Get(SeedFromText("no number"), 20, 20);
    auto one = cache.Get(1, 20, 20);
    EXPECT_EQ(a, one) << "a text that is no integer gives the maps of 1";

    THeightMaps direct;
    TRandomGenerator g;
    MakeHeightMaps(direct, 1, 20, 20, g);
    EXPECT_EQ(a->Maps.Map1, direct.Map1);
    EXPECT_EQ(a->Maps.Map2, direct.Map2);
    EXPECT_EQ(a->StateAfter, g.GetSeed());

    auto b = cache.Get(1, 21, 20);
    EXPECT_NE(b->Maps.Map2, a->Maps.Map2) << "turbulence 1 is part of the key";
    auto c = cache.Get(1, 20, 21);
    EXPECT_NE(c->Maps.Map1, a->Maps.Map1) << "turbulence 2 is part of the key";
    EXPECT_EQ(cache.Count(), 2u);

    // Evicted and rebuilt: still the same maps and state.
    auto again = cache.Get(1, 20, 20);
    EXPECT_EQ(again->Maps.Map1, direct.Map1);
    EXPECT_EQ(again->StateAfter, a->StateAfter);
    EXPECT_EQ(cache.Get(1, 200, -3)->Turbulence1, 80) << "turbulences are clamped before lookup";
}
