#pragma once
// Layer blending: one shader layer composed over the tile in place, by the
// mode and weight its blend tag selects.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "image/PGColorReader.h"
#include "image/PGFilter.h"
#include "platform/Random.h"

class TPixelGraphic;

// Modes of BlendLayers (7 is not used).
enum TBlendMode : int {
    bmMix = 0,
    bmLighter = 1,
    bmDarker = 2,
    bmDifference = 3,
    bmSum = 4,
    bmGeometricMean = 5,
    bmHypotenuse = 6,
    bmAnd = 8,
    bmOr = 9,
    bmXor = 10,
    bmMaximum = 11,
    bmMinimum = 12,
    bmWarp = 13,
};

// Luminance of a colour: Round((20 red + 50 green + 30 blue) / 100), halves to even.
int Luminance(uint32_t color);

// Blends source into destination in place. weight (0..100) is the share of
// the old destination pixel in percent; 0 replaces by the blend fully. Warp
// ignores the weight. Both are walked over the destination's size; source
// pixels outside the source read its background.
void BlendLayers(TPixelGraphic& destination, TPixelGraphic& source, int weight, int mode);

// One entry of the "Blend Mode" menu, in menu order.
struct TBlendTag {
    int Tag;
    const char* Caption;
    int Mode;
    int Weight;
};
constexpr int kBlendTagCount = 16;
extern const TBlendTag kBlendTags[kBlendTagCount];

constexpr int kOpaqueBlendTag = 1;

// Mode and weight of a blend tag. A tag outside the table selects "Opaque",
// so a damaged file can never leave a layer with an undefined mode.
TBlendTag BlendTagInfo(int tag);
// A tag as kept in a layer record: known tags as they are, others "Opaque".
int NormalizeBlendTag(int tag);

// The "Cards" step of a layer: cuts the picture into n x n cards, shifts each
// card by a random fraction of its share and draws the card borders. Needs a
// source apart from the target.
class TCardsFilter : public TPGFilter {
public:
    struct TCard {
        long double Left, Top, Width, Height;  // in units of the picture's width or height
        long double HShift, VShift;
    };

    TCardsFilter() = default;
    TCardsFilter(uint32_t borderColor, uint32_t outsideColor) : BorderColor(borderColor), OutsideColor(outsideColor) {}

    // Builds the cards, drawing two reals (horizontal, vertical shift) per
    // card in row-major order from Generator.
    void BeginProcess(TPixelGraphic* ASource) override;
    uint32_t CalcDestPixel(int X, int Y) override;
    void CalcDestRow(int Y, uint8_t* Row, int Width) override;
    void EndProcess() override;
    bool CanProcessPaletteAndIdenticalSource() override { return false; }

    // The cards of the current run (empty outside one), in list order.
    const std::vector<TCard>& Cards() const { return FCards; }

    static constexpr int CardsPerSide = 4;
    uint32_t BorderColor = 0;
    uint32_t OutsideColor = 0;
    long double MaxHShift = 0.2L, MaxVShift = 0.2L;  // largest shifts, as fractions of a card's share
    TRandomGenerator* Generator = &GlobalRandom();

private:
    static constexpr int kCardCount = CardsPerSide * CardsPerSide;
    // Per run, for every column x (row y): bit i is set when card i holds
    // x / W (y / H) inside its placed extent, and, in the "inner" set, when
    // it also holds (x - 1) / W and (x + 1) / W. A pixel's card is the lowest
    // bit its column and row share: the same comparisons as card by card,
    // worked out once per column and row. Likewise the rounded source column
    // x + W x shift of a card, once per card and column met (rows likewise).
    struct TAxis {
        std::vector<uint16_t> Inside, Inner;
        std::vector<int32_t> Shifted;    // card i, position k at i * size + k; kUnknown until met
        std::vector<long double> Shift;  // size x shift of card i
    };
    static constexpr int32_t kUnknown = INT32_MIN;
    void BuildAxis(int size, bool horizontal, TAxis& axis) const;
    static int32_t ShiftedPosition(TAxis& axis, int card, int k);
    // What target pixel (X, Y) shows: the outside colour, the border colour,
    // or the source pixel (SX, SY).
    enum TSpot { spOutside, spBorder, spSource };
    TSpot Locate(int X, int Y, int& SX, int& SY);
    // Where the pixels of a 24-bit source go, as runs along each row: Count
    // target pixels from X on show as many consecutive source pixels from
    // byte Offset on, or all kOutsideSpot / kBorderSpot. Row y is
    // Runs[RowStart[y]] up to Runs[RowStart[y + 1]]: a few runs per card,
    // copied whole. Re-renders draw the same shifts, so the last few tables
    // are kept by size and shifts.
    struct TSpotRun {
        int32_t X, Count, Offset;
    };
    struct TSpotTable {
        int Width, Height, RowSize;
        std::vector<long double> Shifts;
        std::vector<TSpotRun> Runs;
        std::vector<uint32_t> RowStart;
    };
    static constexpr int32_t kOutsideSpot = -1, kBorderSpot = -2;
    std::shared_ptr<TSpotTable> SpotTable();
    std::shared_ptr<TSpotTable> FSpots;
    std::vector<TCard> FCards;
    TAxis FColumns, FRows;
    TColorReader FRead;
};
