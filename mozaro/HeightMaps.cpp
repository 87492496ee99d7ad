#include "mozaro/HeightMaps.h"

#include <cctype>

#include "platform/MathUtil.h"

namespace {

struct TPlasmaContext {
    THeightMap& Map;
    double Roughness;
    TRandomGenerator& Rng;

    uint8_t& Cell(int i, int j) { return Map[i * kMapSize + j]; }

    // Displaced midpoint of two cells distance d apart. The random draw is
    // taken here, so a caller draws only for cells it actually computes.
    uint8_t Displace(int first, int second, int d) {
        double r = Rng.NextReal();
        double v = (r - 0.5) * d * Roughness + (first + second) * 0.5;
        if (!(v >= 1.0)) v = 1.0;  // also NaN, from a roughness no slider gives
        if (v > 255.0) v = 255.0;
        return static_cast<uint8_t>(Trunc(v));
    }

    // Edge pass along i (column 0, mirrored into column 256) or along j (row
    // 0, mirrored into row 256); depth first, left half before right half.
    void Edge(int a, int b, bool alongI) {
        if (b - a < 2) return;
        int c = (a + b) / 2;
        uint8_t& cell = alongI ? Cell(c, 0) : Cell(0, c);
        if (cell == 0) {
            cell = alongI ? Displace(Cell(a, 0), Cell(b, 0), b - a) : Displace(Cell(0, a), Cell(0, b), b - a);
            (alongI ? Cell(c, 256) : Cell(256, c)) = cell;
        }
        Edge(a, c, alongI);
        Edge(c, b, alongI);
    }

    void Square(int x1, int y1, int x2, int y2) {
        if (x2 - x1 < 2 && y2 - y1 < 2) return;
        int mx = (x1 + x2) / 2, my = (y1 + y2) / 2;
        if (Cell(mx, y1) == 0) Cell(mx, y1) = Displace(Cell(x1, y1), Cell(x2, y1), x2 - x1);
        if (Cell(x2, my) == 0) Cell(x2, my) = Displace(Cell(x2, y1), Cell(x2, y2), y2 - y1);
        if (Cell(mx, y2) == 0) Cell(mx, y2) = Displace(Cell(x1, y2), Cell(x2, y2), x2 - x1);
        if (Cell(x1, my) == 0) Cell(x1, my) = Displace(Cell(x1, y1), Cell(x1, y2), y2 - y1);
        if (Cell(mx, my) == 0)
            Cell(mx, my) = static_cast<uint8_t>((Cell(x1, y1) + Cell(x2, y1) + Cell(x2, y2) + Cell(x1, y2)) / 4);
        // The quarters of a square of side 2 or less have no inner cells.
        if (x2 - x1 < 3 && y2 - y1 < 3) return;
        Square(x1, y1, mx, my);
        Square(mx, y1, x2, my);
        Square(mx, my, x2, y2);
        Square(x1, my, mx, y2);
    }
};

}  // namespace

void MakeTilePlasma(THeightMap& map, float roughness, TRandomGenerator& rng) {
    if (roughness == 0.0f) {
        map.fill(128);
        return;
    }
    TPlasmaContext p{map, static_cast<double>(roughness), rng};
    p.Cell(0, 0) = p.Cell(256, 0) = p.Cell(0, 256) = p.Cell(256, 256) = 128;
    p.Edge(0, 256, true);
    p.Edge(0, 256, false);
    p.Square(0, 0, 256, 256);
}

float TurbulenceToRoughness(int turbulence) { return static_cast<float>(Clamp(turbulence, 0, 80) * 0.1L); }

int32_t SeedFromText(const std::string& text) {
    size_t b = 0, e = text.size();
    while (b < e && std::isspace(static_cast<unsigned char>(text[b]))) ++b;
    while (e > b && std::isspace(static_cast<unsigned char>(text[e - 1]))) --e;
    if (b == e) return 1;
    bool negative = false;
    if (text[b] == '+' || text[b] == '-') negative = text[b++] == '-';
    if (b == e) return 1;
    int64_t v = 0;
    for (size_t i = b; i < e; ++i) {
        char ch = text[i];
        if (ch < '0' || ch > '9') return 1;
        v = v * 10 + (ch - '0');
        if (v > 2147483648LL) return 1;
    }
    if (negative) v = -v;
    if (v > 2147483647LL) return 1;
    return static_cast<int32_t>(v);
}

void MakeHeightMaps(THeightMaps& maps, int32_t seed, int turbulence1, int turbulence2, TRandomGenerator& rng) {
    rng.SetSeed(static_cast<uint32_t>(seed));
    maps.Map1.fill(0);
    maps.Map2.fill(0);
    MakeTilePlasma(maps.Map1, TurbulenceToRoughness(turbulence2), rng);
    MakeTilePlasma(maps.Map2, TurbulenceToRoughness(turbulence1), rng);
}

std::shared_ptr<const THeightMapSet> THeightMapCache::Get(int32_t seed, int turbulence1, int turbulence2) {
    turbulence1 = Clamp(turbulence1, 0, 80);
    turbulence2 = Clamp(turbulence2, 0, 80);
    for (auto it = FEntries.begin(); it != FEntries.end(); ++it) {
        const auto& e = **it;
        if (e.Seed == seed && e.Turbulence1 == turbulence1 && e.Turbulence2 == turbulence2) {
            FEntries.splice(FEntries.begin(), FEntries, it);
            return FEntries.front();
        }
    }
    auto set = std::make_shared<THeightMapSet>();
    set->Seed = seed;
    set->Turbulence1 = turbulence1;
    set->Turbulence2 = turbulence2;
    TRandomGenerator rng;
    MakeHeightMaps(set->Maps, seed, turbulence1, turbulence2, rng);
    set->StateAfter = rng.GetSeed();
    FEntries.push_front(set);
    while (FEntries.size() > FCapacity) FEntries.pop_back();
    return set;
}
