// Nearest palette index per palette type, the 5:6:5 cell cache of arbitrary
// palettes, and error-diffusion writes into palette pictures.
#include <algorithm>
#include <cstring>
#include <sstream>

#include "image/PGraphic.h"

namespace {

inline int Sqr(int v) { return v * v; }

inline int Distance(uint32_t a, uint32_t b) {
    return Sqr(int(GetRValue(a)) - GetRValue(b)) + Sqr(int(GetGValue(a)) - GetGValue(b)) +
           Sqr(int(GetBValue(a)) - GetBValue(b));
}

// First entry of the list at the smallest squared distance.
template <typename It>
uint32_t NearestOf(uint32_t colour, const std::vector<uint32_t>& palette, It first, It last) {
    uint32_t best = *first;
    int bestDist = Distance(colour, palette[best]);
    for (It it = first + 1; it != last; ++it) {
        const int d = Distance(colour, palette[*it]);
        if (d < bestDist) {
            bestDist = d;
            best = *it;
        }
    }
    return best;
}

// Candidates of the 16 system colours by the top two bits of each channel,
// cell = R2 * 16 + G2 * 4 + B2: groups by green, cells by blue, "/" between
// alternatives.
const char* const Sys16CellText[4] = {
    "0 4 4 12; 2 6 6 6/12; 2 6 6 6/14; 10 6/10 6/14 14",
    "1 5 5 5/12; 3 8 8 8/12; 3 8 8 7/8/14; 3/10 8/10 7/8/14 7/14",
    "1 5 5 5/13; 3 8 8 7/8/13; 3 8 7/8 7; 3/11 7/8/11 7 7",
    "9 5/9 5/13 13; 3/9 8/9 7/8/13 7/13; 3/11 7/8/11 7 7; 11 7/11 7 7/15",
};

struct TCandidateLists {
    std::vector<uint16_t> Start;  // cell count + 1 offsets into Index
    std::vector<uint32_t> Index;
};

// Every entry that can be the nearest for some colour of the box [lo, hi]
// per channel: an entry whose smallest distance to the box is not above the
// smallest largest-distance of any entry. Ascending.
std::vector<uint32_t> PossibleNearest(const std::vector<uint32_t>& pal, const int lo[3], const int hi[3]) {
    auto axisMin = [](int v, int a, int b) { return v < a ? Sqr(a - v) : v > b ? Sqr(v - b) : 0; };
    auto axisMax = [](int v, int a, int b) { return std::max(Sqr(v - a), Sqr(v - b)); };
    std::vector<int> dmin(pal.size());
    int bound = INT32_MAX;
    for (size_t i = 0; i < pal.size(); ++i) {
        const int c[3] = {GetRValue(pal[i]), GetGValue(pal[i]), GetBValue(pal[i])};
        int dmax = 0;
        dmin[i] = 0;
        for (int k = 0; k < 3; ++k) {
            dmin[i] += axisMin(c[k], lo[k], hi[k]);
            dmax += axisMax(c[k], lo[k], hi[k]);
        }
        bound = std::min(bound, dmax);
    }
    std::vector<uint32_t> out;
    for (size_t i = 0; i < pal.size(); ++i)
        if (dmin[i] <= bound) out.push_back(static_cast<uint32_t>(i));
    return out;
}

// The system-colour cells list their preferred candidates first; entries
// that can be as near for some colour of the cell but are missing from the
// preferred list (e.g. grey 8 in cell 31) follow, so that the lookup always
// ends at an entry of the smallest distance.
TCandidateLists BuildSys16Lists() {
    const std::vector<uint32_t>& pal = FixedPaletteColors(pSys16);
    TCandidateLists lists;
    int cellIndex = 0;
    for (const char* groupText : Sys16CellText) {
        std::string text(groupText);
        std::replace(text.begin(), text.end(), ';', ' ');
        std::istringstream cells(text);
        std::string cell;
        while (cells >> cell) {
            lists.Start.push_back(static_cast<uint16_t>(lists.Index.size()));
            std::vector<uint32_t> list;
            std::istringstream alts(cell);
            std::string alt;
            while (std::getline(alts, alt, '/')) list.push_back(static_cast<uint32_t>(std::stoi(alt)));
            const int k[3] = {cellIndex / 16, (cellIndex / 4) % 4, cellIndex % 4};
            const int lo[3] = {64 * k[0], 64 * k[1], 64 * k[2]};
            const int hi[3] = {lo[0] + 63, lo[1] + 63, lo[2] + 63};
            for (uint32_t i : PossibleNearest(pal, lo, hi))
                if (std::find(list.begin(), list.end(), i) == list.end()) list.push_back(i);
            lists.Index.insert(lists.Index.end(), list.begin(), list.end());
            ++cellIndex;
        }
    }
    lists.Start.push_back(static_cast<uint16_t>(lists.Index.size()));
    return lists;
}

// The 252-colour grid: 9 cells per channel, cell k holding the channel values
// c with (c + 16) shr 5 = k. Ascending lists of every possibly nearest entry:
// the first at the smallest distance is then the lowest index among the
// nearest entries, as an exact search gives.
TCandidateLists BuildSpecial252Lists() {
    const std::vector<uint32_t>& pal = FixedPaletteColors(pSpecial252);
    TCandidateLists lists;
    for (int kr = 0; kr < 9; ++kr)
        for (int kg = 0; kg < 9; ++kg)
            for (int kb = 0; kb < 9; ++kb) {
                const int k[3] = {kr, kg, kb};
                int lo[3], hi[3];
                for (int c = 0; c < 3; ++c) {
                    lo[c] = std::max(0, 32 * k[c] - 16);
                    hi[c] = std::min(255, 32 * k[c] + 15);
                }
                lists.Start.push_back(static_cast<uint16_t>(lists.Index.size()));
                const std::vector<uint32_t> list = PossibleNearest(pal, lo, hi);
                lists.Index.insert(lists.Index.end(), list.begin(), list.end());
            }
    lists.Start.push_back(static_cast<uint16_t>(lists.Index.size()));
    return lists;
}

const TCandidateLists& Sys16Lists() {
    static const TCandidateLists lists = BuildSys16Lists();
    return lists;
}

const TCandidateLists& Special252Lists() {
    static const TCandidateLists lists = BuildSpecial252Lists();
    return lists;
}

// Index of the grey-236 entry nearest to L / 3, the lower index on ties.
const std::array<uint8_t, 766>& Gray236Table() {
    static const std::array<uint8_t, 766> table = [] {
        std::array<uint8_t, 766> t{};
        const std::vector<uint32_t>& pal = FixedPaletteColors(pGray236);
        size_t i = 0;
        for (int l = 0; l < 766; ++l) {
            // 3 * |grey - L / 3| compares without fractions; greys ascend.
            while (i + 1 < pal.size() &&
                   std::abs(3 * int(GetRValue(pal[i + 1])) - l) < std::abs(3 * int(GetRValue(pal[i])) - l))
                ++i;
            t[l] = static_cast<uint8_t>(i);
        }
        return t;
    }();
    return table;
}

uint32_t ListNearest(uint32_t colour, const std::vector<uint32_t>& palette, const TCandidateLists& lists, int cell) {
    const auto first = lists.Index.begin() + lists.Start[cell], last = lists.Index.begin() + lists.Start[cell + 1];
    return NearestOf(colour, palette, first, last);
}

constexpr int CacheCells = 65536;

inline int CacheCell(int r5, int g6, int b5) { return (r5 << 11) + (g6 << 5) + b5; }

}  // namespace

// ---- nearest index -------------------------------------------------------------

uint32_t TPixelGraphic::NearestIndex(uint32_t colour) {
    if (!FLastColorStale && colour == FLastColor) return FLastIndex;
    TPaletteIdent type = FPaletteType;
    // A palette picture cannot hold colours directly: "true colour" there
    // means no palette yet.
    if (type == pTrueColor && FBitCountNum != 3) type = pNone;
    if (FPaletteCount == 0 && type != pTrueColor) type = pNone;
    const int r = GetRValue(colour), g = GetGValue(colour), b = GetBValue(colour);
    const int l = ColorLuminance(colour, FRGBWeighting);
    uint32_t index = 0;
    switch (type) {
        case pNone: throw EPGNoPalette(GetLangStr(2));
        case pTrueColor: index = colour; break;
        case pUnknown: index = FUseColorCache ? CachedNearestIndex(colour) : ExactNearestIndex(colour); break;
        case pBlackWhite: index = (l + 1) / 384; break;
        case pSysGray4: index = l <= 192 ? 0 : l <= 480 ? 1 : l <= 670 ? 2 : 3; break;
        case pSys16:
            index = ListNearest(colour, FPalette, Sys16Lists(), (r >> 6) * 16 + (g >> 6) * 4 + (b >> 6));
            break;
        case pGray4: index = (l + 127) / 255; break;
        case pGray16: index = (l + 25) / 51; break;
        case pGray236: index = Gray236Table()[l]; break;
        case pGray256: index = (l + 1) / 3; break;
        case pSpecial125: {
            auto level = [](int c) { return ((c == 224 ? 225 : c) + 31) / 64; };
            index = level(r) * 25 + level(g) * 5 + level(b);
            break;
        }
        case pSpecial216: index = ((r + 24) / 51) * 36 + ((g + 24) / 51) * 6 + (b + 24) / 51; break;
        case pSpecial252:
            index = ListNearest(colour, FPalette, Special252Lists(),
                                ((r + 16) >> 5) * 81 + ((g + 16) >> 5) * 9 + ((b + 16) >> 5));
            break;
        default: index = ExactNearestIndex(colour);
    }
    FLastColor = colour;
    FLastIndex = index;
    FLastColorStale = false;
    return index;
}

uint32_t TPixelGraphic::ExactNearestIndex(uint32_t colour) const {
    uint32_t best = 0;
    int bestDist = INT32_MAX;
    for (int i = 0; i < FPaletteCount; ++i) {
        const int d = Distance(colour, FPalette[i]);
        if (d < bestDist) {
            bestDist = d;
            best = static_cast<uint32_t>(i);
        }
    }
    return best;
}

void TPixelGraphic::FreeColorCache() {
    FColorCache.reset();
    FColorCacheFilled.reset();
    FColorCacheStale = true;
}

// Seeds every cell within four cell steps of some entry with the first entry
// that reaches it, nearer rings first.
void TPixelGraphic::FillColorCache() {
    FColorCache.reset(new uint8_t[CacheCells]());
    FColorCacheFilled.reset(new uint8_t[CacheCells / 8]());
    uint8_t* cache = FColorCache.get();
    uint8_t* filled = FColorCacheFilled.get();
    auto visit = [&](int r, int g, int b, uint8_t index) {
        if (r < 0 || r > 31 || g < 0 || g > 63 || b < 0 || b > 31) return;
        const int cell = CacheCell(r, g, b);
        if (filled[cell >> 3] & (1 << (cell & 7))) return;
        cache[cell] = index;
        filled[cell >> 3] |= static_cast<uint8_t>(1 << (cell & 7));
    };
    for (int d = 0; d <= 4; ++d)
        for (int i = 0; i < FPaletteCount; ++i) {
            const uint8_t index = static_cast<uint8_t>(i);
            const int r = GetRValue(FPalette[i]) >> 3, g = GetGValue(FPalette[i]) >> 2, b = GetBValue(FPalette[i]) >> 3;
            for (int side : {-d, d})
                for (int u = -d; u <= d; ++u)
                    for (int v = -d; v <= d; ++v) visit(r + side, g + u, b + v, index);
            for (int side : {-d, d})
                for (int u = -d; u <= d; ++u)
                    for (int v = -d; v <= d; ++v) visit(r + u, g + side, b + v, index);
            for (int side : {-d, d})
                for (int u = -d; u <= d; ++u)
                    for (int v = -d; v <= d; ++v) visit(r + u, g + v, b + side, index);
        }
    FColorCacheStale = false;
}

uint32_t TPixelGraphic::CachedNearestIndex(uint32_t colour) {
    if (FColorCacheStale || !FColorCache) FillColorCache();
    const int cell = CacheCell(GetRValue(colour) >> 3, GetGValue(colour) >> 2, GetBValue(colour) >> 3);
    uint8_t* filled = FColorCacheFilled.get();
    if (filled[cell >> 3] & (1 << (cell & 7))) return FColorCache[cell];
    // Far from every entry: search once, then every colour of the cell gets
    // the same answer.
    const uint32_t index = ExactNearestIndex(colour);
    FColorCache[cell] = static_cast<uint8_t>(index);
    filled[cell >> 3] |= static_cast<uint8_t>(1 << (cell & 7));
    return index;
}

// ---- dithering --------------------------------------------------------------------

void TPixelGraphic::InitDitherBuffers() {
    FreeDitherBuffers();
    const size_t rowLength = (static_cast<size_t>(FWidth) + 2) * 3;
    FErrorRowCurrent.assign(rowLength, 0);
    FErrorRowNext.assign(rowLength, 0);
    FGreyPalette = FBitCountNum != 3 && std::all_of(FPalette.begin(), FPalette.end(), [](uint32_t c) {
                       return GetRValue(c) == GetGValue(c) && GetGValue(c) == GetBValue(c);
                   });
    int limit = FDitherErrorLimit;
    bool soft = FDitherErrorLimitSoft;
    if (FDitherErrorLimitAuto) {
        soft = true;
        switch (FPaletteType) {
            case pBlackWhite: limit = 255; break;
            case pSysGray4:
            case pSys16:
            case pGray4: limit = 128; break;
            case pGray236: limit = 3; break;
            case pGray256: limit = 2; break;
            case pSpecial125:
            case pSpecial252: limit = 104; break;
            case pSpecial216: limit = 86; break;
            default: limit = 32;
        }
    }
    FErrorLimitTable.assign(511, 0);
    for (int e = 0; e <= 255; ++e) {
        int v = e;
        if (limit != 255 && e >= limit) v = limit;
        if (soft && e >= limit / 2 && e <= 3 * limit / 2 && e < 255) v = e / 2 + limit / 4;
        FErrorLimitTable[255 + e] = v;
        FErrorLimitTable[255 - e] = -v;
    }
}

void TPixelGraphic::SwapErrorRows() {
    std::swap(FErrorRowCurrent, FErrorRowNext);
    std::fill(FErrorRowNext.begin(), FErrorRowNext.end(), 0);
}

void TPixelGraphic::FreeDitherBuffers() {
    FErrorRowCurrent.clear();
    FErrorRowNext.clear();
}

void TPixelGraphic::SetPixelDithered(int x, int y, int blue, int green, int red) {
    if (x < 0 || x >= FWidth || y < 0 || y >= FHeight) return;
    if (FErrorRowCurrent.size() < (static_cast<size_t>(FWidth) + 2) * 3) {
        SetPixelColor(x, y, RGB(red, green, blue));
        return;
    }
    int32_t* cur = FErrorRowCurrent.data();
    int32_t* next = FErrorRowNext.data();
    // Errors are kept 16 times larger; round halves away from zero.
    auto limited = [&](int channel) {
        const int32_t acc = cur[(x + 1) * 3 + channel];
        int e = acc >= 0 ? (acc + 8) / 16 : (acc - 8) / 16;
        e = std::max(-255, std::min(255, e));
        return ErrorLimit(e);
    };
    int err[3];
    bool channels[3] = {true, true, true};
    if (FGreyPalette) {
        const int v = ClampTable(ColorLuminance(RGB(red, green, blue), FRGBWeighting) / 3 + limited(1));
        const uint32_t index = NearestIndex(RGB(v, v, v));
        SetPixel(x, y, index);
        err[0] = err[2] = 0;
        err[1] = v - GetGValue(GetPixelColor(x, y));
        channels[0] = channels[2] = false;
    } else {
        const int cr = ClampTable(red + limited(0)), cg = ClampTable(green + limited(1)),
                  cb = ClampTable(blue + limited(2));
        const uint32_t index = NearestIndex(RGB(cr, cg, cb));
        SetPixel(x, y, index);
        const uint32_t chosen = GetPixelColor(x, y);
        err[0] = cr - GetRValue(chosen);
        err[1] = cg - GetGValue(chosen);
        err[2] = cb - GetBValue(chosen);
    }
    // Floyd-Steinberg along the row's direction: even rows run to the right.
    const int dir = (y & 1) ? -1 : 1;
    const int here = x + 1, ahead = here + dir, behind = here - dir;
    for (int c = 0; c < 3; ++c) {
        if (!channels[c]) continue;
        cur[ahead * 3 + c] += 7 * err[c];
        next[behind * 3 + c] += 3 * err[c];
        next[here * 3 + c] += 5 * err[c];
        next[ahead * 3 + c] += err[c];
    }
}
