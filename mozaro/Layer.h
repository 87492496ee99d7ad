#pragma once
// One texture layer: an algorithm maps every cell of the two height maps to a
// position in the layer's palette; brightness, flips, twist, "Cards" and
// "Embossed" follow. Everything here works on values and pictures; the main
// form maps its controls to TLayerParams and back.
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "artkit/PaletteText.h"
#include "image/PGColorReader.h"
#include "image/PGFilter.h"
#include "mozaro/HeightMaps.h"
#include "platform/Random.h"

class TPixelGraphic;

constexpr int kTileSize = 256;

enum TAlgorithm : int {
    algShiftedPlasma1 = 0,
    algShiftedPlasma2 = 1,
    algShiftedPlasma3 = 2,
    algVerticalWaves = 3,
    algGlasBlocks = 4,
    algShiftedPlasma4 = 5,
    algDiagonalWaves = 6,
    algMirroredPlasma = 7,
    algDots = 8,
    algSquares = 9,
    algRectanges = 10,
    algDoublePlasma = 11,
    algSimplePlasma = 12,
    algNoisyPlasma = 13,
    algNoiseRings = 14,
    algTreeBark = 15,
    algWeave = 16,
    algConcentricPlasma = 17,
    algKaleidoscope = 18,
    algHorizontalWaves = 19,
    algWhiteNoise = 20,
    algHorizontalGradient = 21,
    algVerticalGradient = 22,
    algRadialGradient = 23,
    algImageFile = 24,
};
constexpr int kAlgorithmCount = 25;
// Captions of the algorithm picker, by number.
extern const char* const kAlgorithmNames[kAlgorithmCount];

// The generation parameters of one layer, with the defaults of the controls.
struct TLayerParams {
    int Algorithm = algSimplePlasma;  // 0..24
    int Brightness = 0;               // -100..100, added to each channel
    int Cycle = 0;                    // -255..255, shift of the palette position
    int Amplitude = 64;               // 32..128
    int Turbulence1 = 20;             // 0..80, roughness of map B
    int Turbulence2 = 20;             // 0..80, roughness of map A
    int Twist = 0;                    // -18..18, twist strength / 10
    std::string SeedText = "2147483647";
    bool FlipHorizontal = false;
    bool FlipVertical = false;
    bool Cards = false;
    bool Embossed = false;

    // Every number limited to its control's range, whatever a file carried.
    TLayerParams Clamped() const;
};

// A palette position brought into 0..255 with cycle length 255: 255 stays,
// 256 becomes 1, -1 becomes 254; any value terminates.
int WrapPalettePosition(int64_t p);

// Colour of palette position p (wrapped) with brightness added to each
// channel, clamped.
uint32_t LayerColor(const TColourTable& palette, int64_t p, int brightness);

// The twist: turns the picture about its centre by an angle that grows from
// 0 at the centre to strength degrees halfway out and back to 0 at the
// inscribed circle. Needs a source apart from the target.
class TOilFilter : public TPGFilter {
public:
    TOilFilter() = default;
    explicit TOilFilter(int32_t strength) : Strength(strength) {}
    void BeginProcess(TPixelGraphic* ASource) override;
    uint32_t CalcDestPixel(int X, int Y) override;
    void CalcDestRow(int Y, uint8_t* Row, int Width) override;
    void EndProcess() override;
    bool CanProcessPaletteAndIdenticalSource() override { return false; }

    int32_t Strength = 0;

private:
    // cos and sin of the turn by squared distance from the centre (the
    // angle depends on the distance alone), worked out as met: Slot maps a
    // squared distance to its pair in Turns (0: not yet), which keeps the
    // pairs of the few distances that occur close together. A table serves
    // one picture size and strength; the last few are kept for re-renders.
    struct TTurnTable {
        int Width, Height;
        int32_t Strength;
        std::vector<uint32_t> Slot;
        std::vector<std::array<double, 2>> Turns;
        // Where each pixel is read from in a 24-bit source of RowSize bytes
        // a row: byte offset, or -1 outside the source; for pictures of at
        // most 65536 pixels and rows without padding the pixel index
        // instead, 65535 outside. Built by the second run that reads rows; a
        // first run works them out as it goes.
        int RowSize = 0;
        std::vector<int32_t> Offsets;
        std::vector<uint16_t> Pixels;
    };
    // Source pixel of target pixel (X, Y).
    void SourceOf(int X, int Y, int& SX, int& SY);
    void BuildOffsets(const TPixelGraphic& source);
    // The kept table of a size and strength, or a new one; repeat tells which.
    static std::shared_ptr<TTurnTable> TurnTable(int width, int height, int32_t strength, bool& repeat);
    std::shared_ptr<TTurnTable> FTable;
    bool FRepeat = false;
    int FCentreX = 0, FCentreY = 0;  // of the run's source
    double FRadius = 0;              // of its inscribed circle
    TColorReader FRead;
};

// The algorithm, flips, twist and cards into work (256 x 256, 24 bits), from
// maps and the random stream as it stands ("White Noise" and "Cards" draw
// from it). importImage is the source of "Image File" (may be null).
void RenderTexture(const TLayerParams& params, const TColourTable& palette, const THeightMaps& maps,
                   TRandomGenerator& rng, const TPixelGraphic* importImage, TPixelGraphic& work);

// Renders a layer picture: the maps of (seed, turbulence 1, turbulence 2)
// come from the cache and the random stream starts at the state right after
// them, so the same values always give the same picture. The layer becomes
// 256 x 256, 24 bits (embossed when asked). When view is given it shows the
// top-left part of the tile at its current size (the cell size), embossed
// on its own when asked.
void RenderLayer(const TLayerParams& params, const TColourTable& palette, THeightMapCache& maps,
                 const TPixelGraphic* importImage, TPixelGraphic& layer, TPixelGraphic* view = nullptr,
                 TRandomGenerator& rng = GlobalRandom());

// The palette strip: column i (0..256) in the colour of position i - cycle
// with brightness, rows 0..19.
void DrawPaletteStrip(TPixelGraphic& strip, const TColourTable& palette, int cycle, int brightness);
