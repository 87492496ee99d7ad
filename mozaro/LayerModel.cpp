#include "mozaro/LayerModel.h"

#include <tuple>

#include "artkit/PaletteText.h"
#include "artkit/ParameterList.h"
#include "mozaro/Blend.h"
#include "platform/MathUtil.h"
#include "store/QDB.h"

namespace {

constexpr int kThumbnailQuality = 30;
constexpr int kLinesPerLayer = 13;
constexpr int kLayerListRequired = kLayerCount * kLinesPerLayer;  // the cell size lines may be missing
constexpr int kPostProcRequired = 22;                             // files of the first layout stop before "forcesym2"

auto Fields(const TLayerRecord& r) {
    return std::tie(r.Brightness, r.Cycle, r.Amplitude, r.Turbulence1, r.Turbulence2, r.Seed, r.Algorithm, r.Twist,
                    r.BlendTag, r.PaletteText, r.Embossed, r.FlipHorizontal, r.FlipVertical, r.Cards, r.Active);
}

// The numbers of params into record.
void TakeParams(const TLayerParams& params, TLayerRecord& record) {
    const TLayerParams p = params.Clamped();
    record.Brightness = p.Brightness;
    record.Cycle = p.Cycle;
    record.Amplitude = p.Amplitude;
    record.Turbulence1 = p.Turbulence1;
    record.Turbulence2 = p.Turbulence2;
    record.Seed = SeedFromText(p.SeedText);
    record.Algorithm = p.Algorithm;
    record.Twist = p.Twist;
    record.Embossed = p.Embossed;
    record.FlipHorizontal = p.FlipHorizontal;
    record.FlipVertical = p.FlipVertical;
    record.Cards = p.Cards;
}

// ---- "_strings" ------------------------------------------------------------------

void WriteLayerList(TParameterWriter& w, const TTileParameters& tile) {
    for (const TLayerRecord& r : tile.Layers) {
        w.AddInt(r.Brightness);
        w.AddInt(r.Cycle);
        w.AddInt(r.Amplitude);
        w.AddInt(r.Turbulence1);
        w.AddInt(r.Turbulence2);
        w.AddInt(r.Seed);
        w.AddInt(r.Algorithm);
        w.AddInt(r.BlendTag);
        w.Add(r.PaletteText);
        w.AddBool(r.Embossed);
        w.AddBool(r.FlipHorizontal);
        w.AddBool(r.FlipVertical);
        w.AddBool(r.Active);
    }
    w.AddInt(tile.CellWidth);
    w.AddInt(tile.CellHeight);
}

// Reads into a copy and assigns it whole.
void ReadLayerList(const TParameterReader& in, TTileParameters& tile) {
    in.Require(kLayerListRequired);
    TTileParameters t = tile;
    for (int i = 0; i < kLayerCount; ++i) {
        const int l = i * kLinesPerLayer;
        TLayerRecord& r = t.Layers[i];
        r.Brightness = in.Int(l);
        r.Cycle = in.Int(l + 1);
        // Layers that were never shown were saved with an amplitude of 0;
        // the limit to the slider's range makes it 32.
        r.Amplitude = in.Int(l + 2);
        r.Turbulence1 = in.Int(l + 3);
        r.Turbulence2 = in.Int(l + 4);
        r.Seed = in.Int(l + 5);
        r.Algorithm = in.Int(l + 6);
        r.BlendTag = in.Int(l + 7);
        r.PaletteText = in.PaletteText(l + 8);
        r.Embossed = in.Bool(l + 9);
        r.FlipHorizontal = in.Bool(l + 10);
        r.FlipVertical = in.Bool(l + 11);
        r.Active = in.Bool(l + 12);
        r = ClampedLayerRecord(r);
    }
    const int cell = kLayerListRequired;
    if (in.Has(cell)) t.CellWidth = in.IntDef(cell, kDefaultCellSize);
    if (in.Has(cell + 1)) t.CellHeight = in.IntDef(cell + 1, kDefaultCellSize);
    t.CellWidth = Clamp(t.CellWidth, kMinCellSize, kMaxCellSize);
    t.CellHeight = Clamp(t.CellHeight, kMinCellSize, kMaxCellSize);
    tile = std::move(t);
}

// ---- "postproc" --------------------------------------------------------------------

void WritePostProc(TParameterWriter& w, const TPostProcessSettings& s) {
    w.Add(s.edHOffset);
    w.Add(s.edVOffset);
    w.Add(s.edBIAS);
    w.Add(s.edAMP);
    for (const std::string& e : s.Matrix) w.Add(e);
    w.AddBool(s.conon);
    w.Add(s.rpedit);
    w.Add(s.gpedit);
    w.Add(s.bpedit);
    w.AddBool(s.rgbon);
    w.AddBool(s.forcesymetry);
    w.Add(s.xedit);
    w.Add(s.yedit);
    w.AddBool(s.dispon);
    w.AddBool(s.forcesym2);
}

// The page as a file without "postproc" leaves it: every box off.
TPostProcessSettings PostProcWithoutItem() {
    TPostProcessSettings s;
    s.forcesymetry = false;
    s.forcesym2 = false;
    return s;
}

TPostProcessSettings ReadPostProc(const TParameterReader& in) {
    in.Require(kPostProcRequired);
    TPostProcessSettings s = PostProcWithoutItem();
    s.edHOffset = in.Text(0);
    s.edVOffset = in.Text(1);
    s.edBIAS = in.Text(2);
    s.edAMP = in.Text(3);
    for (int i = 0; i < 9; ++i) s.Matrix[i] = in.Text(4 + i);
    s.conon = in.Bool(13);
    s.rpedit = in.Text(14);
    s.gpedit = in.Text(15);
    s.bpedit = in.Text(16);
    s.rgbon = in.Bool(17);
    s.forcesymetry = in.Bool(18);
    s.xedit = in.Text(19);
    s.yedit = in.Text(20);
    s.dispon = in.Bool(21);
    if (in.Has(22)) s.forcesym2 = in.Bool(22);
    return s;
}

// ---- "v2_strings", "v3_strings" -------------------------------------------------------

template <typename F>
void ReadPerLayer(TQDB& db, const char* key, F take) {
    auto in = ReadParameterItem(db, key);
    if (in) in->Require(kLayerCount);
    for (int i = 0; i < kLayerCount; ++i) take(i, in ? &*in : nullptr);
}

std::string ImportKey(int layer) { return "import" + std::to_string(layer + 1); }

}  // namespace

// ---- records ---------------------------------------------------------------------------

bool TLayerRecord::operator==(const TLayerRecord& o) const { return Fields(*this) == Fields(o); }

TLayerRecord ClampedLayerRecord(const TLayerRecord& record) {
    TLayerRecord r = record;
    TakeParams(LayerParamsOf(record), r);
    r.BlendTag = NormalizeBlendTag(record.BlendTag);
    return r;
}

TLayerParams LayerParamsOf(const TLayerRecord& r) {
    TLayerParams p;
    p.Algorithm = r.Algorithm;
    p.Brightness = r.Brightness;
    p.Cycle = r.Cycle;
    p.Amplitude = r.Amplitude;
    p.Turbulence1 = r.Turbulence1;
    p.Turbulence2 = r.Turbulence2;
    p.Twist = r.Twist;
    p.SeedText = std::to_string(r.Seed);
    p.FlipHorizontal = r.FlipHorizontal;
    p.FlipVertical = r.FlipVertical;
    p.Cards = r.Cards;
    p.Embossed = r.Embossed;
    return p;
}

void EnableControlsForAlgorithm(int algorithm, TLayerControlsEnabled& enabled) {
    if (algorithm == algDoublePlasma || algorithm == algSimplePlasma) {
        // The plasmas read the maps (so the turbulences) but no amplitude.
        enabled = TLayerControlsEnabled();
        enabled.Amplitude = false;
    } else if (algorithm < algWhiteNoise) {
        enabled = TLayerControlsEnabled();
    } else {
        enabled.Amplitude = false;
        enabled.Turbulence = false;
    }
}

// ---- the layer list ------------------------------------------------------------------

TStringList LayerListOut(const TTileParameters& tile) {
    TParameterWriter w;
    WriteLayerList(w, tile);
    return w.Lines();
}

void LayerListIn(const TStringList& lines, TTileParameters& tile) {
    ReadLayerList(TParameterReader("_strings", lines), tile);
}

// ---- files ----------------------------------------------------------------------------

void WriteTileFile(const std::string& fileName, const TTileParameters& tile, TPixelGraphic& result) {
    TQDB db;
    db.Open(fileName, TQDB::omCreateNew);
    db.BeginUpdate();
    TParameterWriter layers, twists, cards, postproc;
    WriteLayerList(layers, tile);
    for (const TLayerRecord& r : tile.Layers) {
        twists.AddInt(r.Twist);
        cards.AddBool(r.Cards);
    }
    WritePostProc(postproc, tile.PostProcess);
    AddParameterItem(db, "_strings", layers);
    AddParameterItem(db, "v2_strings", twists);
    AddParameterItem(db, "v3_strings", cards);
    AddParameterItem(db, "postproc", postproc);
    AddPictureItem(db, "_result", result, "jpg", kThumbnailQuality);
    for (int i = 0; i < kLayerCount; ++i)
        if (tile.Layers[i].Algorithm == algImageFile && tile.Imports[i])
            AddPictureItem(db, ImportKey(i), *tile.Imports[i], "bmp", 0);
    db.EndUpdate();
    db.Close();  // only a complete container replaces the old file
}

TTileParameters ReadTileFile(const std::string& fileName, int cellWidth, int cellHeight) {
    TTileParameters t;
    t.CellWidth = cellWidth;
    t.CellHeight = cellHeight;
    TQDB db;
    db.Open(fileName, TQDB::omReadExisting);
    auto layers = ReadParameterItem(db, "_strings");
    if (!layers) throw EListError("\"_strings\" is missing: not a tile parameter file");
    ReadLayerList(*layers, t);
    ReadPerLayer(db, "v2_strings", [&](int i, const TParameterReader* in) {
        t.Layers[i].Twist = in ? in->IntDef(i, 0) : 0;
        t.Layers[i] = ClampedLayerRecord(t.Layers[i]);
    });
    ReadPerLayer(db, "v3_strings", [&](int i, const TParameterReader* in) { t.Layers[i].Cards = in && in->Bool(i); });
    auto postproc = ReadParameterItem(db, "postproc");
    t.PostProcess = postproc ? ReadPostProc(*postproc) : PostProcWithoutItem();
    for (int i = 0; i < kLayerCount; ++i) t.Imports[i] = ReadPictureItem(db, ImportKey(i), kTileSize, kTileSize);
    db.Close();
    return t;
}

// ---- the model ----------------------------------------------------------------------------

TLayerModel::TLayerModel(TRandomGenerator& random) : FRandom(random) {
    Layers[0].Active = true;
    for (TPixelGraphic& g : LayerImages) g.SetSize(kTileSize, kTileSize, 3);
    for (TPixelGraphic& g : ImportImages) g.SetSize(kTileSize, kTileSize, 3);
    Result.SetSize(kTileSize, kTileSize, 3);
}

void TLayerModel::CheckLayer(int layer) {
    if (layer < 0 || layer >= kLayerCount)
        throw EListError("Layer index out of bounds (" + std::to_string(layer) + ")");
}

void TLayerModel::StoreLayerParams(int layer, const TLayerControls& controls) {
    CheckLayer(layer);
    PaletteTextToStops(controls.PaletteText);
    TLayerRecord r;
    TakeParams(controls.Params, r);
    r.BlendTag = NormalizeBlendTag(controls.BlendTag);
    r.PaletteText = controls.PaletteText;
    r.Active = controls.Active;
    Layers[layer] = r;
}

TLayerControls TLayerModel::ApplyLayerParams(int layer) const {
    CheckLayer(layer);
    const TLayerRecord& r = Layers[layer];
    TLayerControls c;
    c.Params = LayerParamsOf(r);
    c.BlendTag = r.BlendTag;
    c.PaletteText = r.PaletteText;
    c.Active = r.Active;
    return c;
}

void TLayerModel::CopyLayerParameters(int layer) {
    CheckLayer(layer);
    CopyBuffer = Layers[layer];
}

void TLayerModel::PasteLayerParameters(int layer) {
    CheckLayer(layer);
    Layers[layer] = CopyBuffer;
    RenderLayer(layer);
}

void TLayerModel::RenderLayer(int layer, TPixelGraphic* view) {
    CheckLayer(layer);
    const TLayerRecord& r = Layers[layer];
    ::RenderLayer(LayerParamsOf(r), PaletteTextToTable(r.PaletteText), FMaps, &ImportImages[layer], LayerImages[layer],
                  view, FRandom);
}

void TLayerModel::Compose() {
    PostProcessAndCompose(Result, LayerImages[0], {&LayerImages[1], Layers[1].Active, Layers[1].BlendTag},
                          {&LayerImages[2], Layers[2].Active, Layers[2].BlendTag}, PostProcess, FExpressions);
}

void TLayerModel::SaveParameterFile(const std::string& fileName) {
    TTileParameters t;
    t.Layers = Layers;
    t.CellWidth = CellWidth;
    t.CellHeight = CellHeight;
    t.PostProcess = PostProcess;
    for (int i = 0; i < kLayerCount; ++i)
        t.Imports[i] = std::shared_ptr<TPixelGraphic>(std::shared_ptr<TPixelGraphic>(), &ImportImages[i]);
    WriteTileFile(fileName, t, Result);
}

void TLayerModel::LoadParameterFile(const std::string& fileName) {
    TTileParameters t = ReadTileFile(fileName, CellWidth, CellHeight);

    // Everything is made on fresh pictures first, so that a failure (an
    // expression of the post-processing page that does not compile, for
    // one) leaves the model as it was.
    std::array<TPixelGraphic, kLayerCount> layers;
    for (int i = 0; i < kLayerCount; ++i) {
        const TLayerRecord& r = t.Layers[i];
        const TPixelGraphic* import = t.Imports[i] ? t.Imports[i].get() : &ImportImages[i];
        ::RenderLayer(LayerParamsOf(r), PaletteTextToTable(r.PaletteText), FMaps, import, layers[i], nullptr, FRandom);
    }
    TPixelGraphic result;
    result.SetSize(kTileSize, kTileSize, 3);
    PostProcessAndCompose(result, layers[0], {&layers[1], t.Layers[1].Active, t.Layers[1].BlendTag},
                          {&layers[2], t.Layers[2].Active, t.Layers[2].BlendTag}, t.PostProcess, FExpressions);

    Layers = t.Layers;
    CellWidth = t.CellWidth;
    CellHeight = t.CellHeight;
    PostProcess = t.PostProcess;
    for (int i = 0; i < kLayerCount; ++i) {
        if (t.Imports[i]) ImportImages[i].Assign(t.Imports[i].get());
        LayerImages[i].Assign(&layers[i]);
    }
    Result.Assign(&result);
}
