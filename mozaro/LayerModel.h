#pragma once
// The layers of a tile ("Basic Texture", "Shader Layer 1", "Shader Layer
// 2"): one record of generation parameters each, the seven 256 x 256
// pictures (three layers, three import pictures for "Image File", the
// result), the cell size, the post-processing settings and the copy buffer,
// and the ".mzo" parameter file that holds a tile.
//
// The main form shows one layer at a time: StoreLayerParams takes its
// controls into a record, ApplyLayerParams gives the controls of a record.
// Layers are numbered 0..2 like the tabs that show them.
//
// A ".mzo" file is a keyed-blob container with the items "_strings" (the
// three records and the cell size), "v2_strings" (twists), "v3_strings"
// (cards), "postproc" (the post-processing page), "_result" (the tile as a
// JPEG thumbnail) and "import1".."import3" (the import pictures of layers
// using "Image File", as BMP).
#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "image/PGraphic.h"
#include "mozaro/HeightMaps.h"
#include "mozaro/Layer.h"
#include "mozaro/PostProcess.h"
#include "platform/Random.h"
#include "platform/StringList.h"

constexpr int kLayerCount = 3;
constexpr int kDefaultCellSize = 150;
// The cell of the tile on view: up to the whole 256 x 256 tile, the one size
// that repeats without a seam.
constexpr int kMinCellSize = 10, kMaxCellSize = 256;

// One layer's parameters as the model and the file keep them. A new record
// is the layer of a fresh form: the controls' defaults (those of
// TLayerParams), the default palette, blend tag 1, "Layer is active" off.
struct TLayerRecord {
    int32_t Brightness = 0;
    int32_t Cycle = 0;
    int32_t Amplitude = 64;
    int32_t Turbulence1 = 20;
    int32_t Turbulence2 = 20;
    int32_t Seed = 2147483647;
    int32_t Algorithm = algSimplePlasma;
    int32_t Twist = 0;
    int32_t BlendTag = 1;
    std::string PaletteText = "default";
    bool Embossed = false;
    bool FlipHorizontal = false;
    bool FlipVertical = false;
    bool Cards = false;
    bool Active = false;  // "Layer is active"

    bool operator==(const TLayerRecord& o) const;
    bool operator!=(const TLayerRecord& o) const { return !(*this == o); }
};

// Every number limited to its control's range; an unknown blend tag is 1.
TLayerRecord ClampedLayerRecord(const TLayerRecord& record);
// What the layer renderer takes (the seed in decimal).
TLayerParams LayerParamsOf(const TLayerRecord& record);

// The layer page's controls as the main form maps them.
struct TLayerControls {
    TLayerParams Params;  // sliders, seed text, algorithm, check boxes
    int BlendTag = 1;
    std::string PaletteText = "default";  // the palette editor's text
    bool Active = false;
};

// Which sliders (each with its label) and boxes of the layer page are
// enabled. EnableControlsForAlgorithm changes only what the algorithm
// concerns: 11 and 12 enable everything but the amplitude; other algorithms
// below 20 enable everything; 20..24 disable the amplitude and both
// turbulences.
struct TLayerControlsEnabled {
    bool Brightness = true;
    bool Cycle = true;
    bool Amplitude = true;
    bool Turbulence = true;  // both turbulence sliders
    bool Embossed = true;
};
void EnableControlsForAlgorithm(int algorithm, TLayerControlsEnabled& enabled);

// What a ".mzo" file holds apart from the result picture.
struct TTileParameters {
    std::array<TLayerRecord, kLayerCount> Layers;
    int CellWidth = kDefaultCellSize;
    int CellHeight = kDefaultCellSize;
    TPostProcessSettings PostProcess;
    // The import pictures; a null one is not stored (writing) or was not in
    // the file (reading).
    std::array<std::shared_ptr<TPixelGraphic>, kLayerCount> Imports;
};

// The 41 lines of "_strings": 13 per layer (brightness, cycle, amplitude,
// turbulence 1 and 2, seed, algorithm, blend tag, palette text, embossed,
// flips, active), then cell width and height.
TStringList LayerListOut(const TTileParameters& tile);
// Reads the records and the cell size of the lines into tile (raises on a
// damaged list and then leaves tile as it was).
void LayerListIn(const TStringList& lines, TTileParameters& tile);

// Value level. Writes the file (imports only of layers using "Image File").
void WriteTileFile(const std::string& fileName, const TTileParameters& tile, TPixelGraphic& result);
// Reads a whole file into a new value; the cell size keeps the values given
// when the file has none. Raises when the file, an item or a line is damaged
// (EQDBFileError for a missing file).
TTileParameters ReadTileFile(const std::string& fileName, int cellWidth = kDefaultCellSize,
                             int cellHeight = kDefaultCellSize);

class TLayerModel {
public:
    explicit TLayerModel(TRandomGenerator& random = GlobalRandom());
    TLayerModel(const TLayerModel&) = delete;
    TLayerModel& operator=(const TLayerModel&) = delete;

    // ---- state -------------------------------------------------------------
    // At start every layer is the default layer; only the "Basic Texture"
    // is active.
    std::array<TLayerRecord, kLayerCount> Layers;
    // The seven pictures, 256 x 256, 24 bits.
    std::array<TPixelGraphic, kLayerCount> LayerImages;
    std::array<TPixelGraphic, kLayerCount> ImportImages;
    TPixelGraphic Result;
    int CellWidth = kDefaultCellSize;
    int CellHeight = kDefaultCellSize;
    TPostProcessSettings PostProcess;
    // "&Copy Layer Parameters" fills it; until then it holds the default layer.
    TLayerRecord CopyBuffer;

    // ---- controls -------------------------------------------------------------
    // Controls -> record in one step. The seed text follows the seed rule
    // (trimmed decimal 32-bit integer, else 1); a palette text that does not
    // read raises EConvertError and leaves the record as it was.
    void StoreLayerParams(int layer, const TLayerControls& controls);
    // Record -> controls.
    TLayerControls ApplyLayerParams(int layer) const;

    // ---- copy buffer -------------------------------------------------------------
    void CopyLayerParameters(int layer);
    // The buffer becomes the layer's record, whole; the layer is rendered.
    void PasteLayerParameters(int layer);

    // ---- rendering ---------------------------------------------------------------
    // Renders the layer's picture from its record (view: see ::RenderLayer).
    void RenderLayer(int layer, TPixelGraphic* view = nullptr);
    // The result from the layer pictures and the post-processing settings.
    void Compose();

    // ---- files ---------------------------------------------------------------------
    // Saves the model as it is (the caller first stores the shown layer's
    // controls and composes the result). The old file is replaced only by a
    // complete new one.
    void SaveParameterFile(const std::string& fileName);
    // Reads the file, renders its layers and composes its result on fresh
    // pictures, then takes everything over in one step; any failure leaves
    // the model as it was.
    void LoadParameterFile(const std::string& fileName);

private:
    static void CheckLayer(int layer);

    TRandomGenerator& FRandom;
    THeightMapCache FMaps;
    TExpressionCache FExpressions;
};
