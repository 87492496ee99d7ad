#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <tuple>

#include "image/PGFormats.h"
#include "image/PGraphic.h"
#include "mozaro/LayerModel.h"
#include "mozaro/engine_support.h"
#include "platform/StringList.h"
#include "store/QDB.h"
#include "support/Bombs.h"
#include "support/ContainerItems.h"
#include "support/PeakMemory.h"
#include "support/SaveTargets.h"
#include "support/ScopedLocale.h"
#include "support/TestFiles.h"

namespace {

using namespace gwtest;
using mztest::Checksum;

auto PostFields(const TPostProcessSettings& s) {
    return std::make_tuple(s.Matrix, s.edHOffset, s.edVOffset, s.edBIAS, s.edAMP, s.conon, s.rpedit, s.gpedit, s.bpedit,
                           s.forcesymetry, s.rgbon, s.xedit, s.yedit, s.forcesym2, s.dispon);
}

// Everything of a model that a load may change, for "nothing changed" checks.
auto State(const TLayerModel& m) {
    std::array<uint32_t, 7> pictures = {Checksum(m.LayerImages[0]),  Checksum(m.LayerImages[1]),
                                        Checksum(m.LayerImages[2]),  Checksum(m.ImportImages[0]),
                                        Checksum(m.ImportImages[1]), Checksum(m.ImportImages[2]),
                                        Checksum(m.Result)};
    return std::make_tuple(m.Layers, m.CellWidth, m.CellHeight, PostFields(m.PostProcess), pictures);
}

class LayerModel : public ::testing::Test {
protected:
    static void SetUpTestSuite() { InitPixelGraphicLibrary(); }
    void SetUp() override {
        Dir = TempDir("layermodel");
        Path = Dir + "/tile.mzo";
    }

    // A tile in which every stored value differs from its default; layer 2
    // uses "Image File".
    static void Unusual(TLayerModel& m) {
        TLayerRecord &a = m.Layers[0], &b = m.Layers[1], &c = m.Layers[2];
        a.Brightness = -20, a.Cycle = 40, a.Amplitude = 90, a.Turbulence1 = 35, a.Turbulence2 = 5, a.Seed = -123456;
        a.Algorithm = algDiagonalWaves, a.Twist = 7, a.FlipHorizontal = a.Cards = true;
        a.PaletteText = "50;30;1;100;60;1;130;70;1;50;30;1;130;70;1;";
        b.Algorithm = algImageFile, b.BlendTag = 5, b.Active = b.Embossed = b.FlipVertical = true;
        c.Algorithm = algWhiteNoise, c.BlendTag = 12, c.Active = true, c.Twist = -18, c.Seed = 99;
        m.ImportImages[1].Assign(mztest::Picture(256, 256, [](int x, int y) { return RGB(x, y, x ^ y); }).get());
        m.CellWidth = 200, m.CellHeight = 64;
        TPostProcessSettings& s = m.PostProcess;
        s.Matrix = {"0", "-1", "0", "-1", "5", "-1", "0", "-1", "0"}, s.edHOffset = "-2", s.conon = true;
        s.rpedit = "g", s.gpedit = "r", s.rgbon = true, s.forcesymetry = false, s.xedit = "y", s.yedit = "x";
        for (int i = 0; i < kLayerCount; ++i) m.RenderLayer(i);
        m.Compose();
    }

    std::string Dir, Path;
};

// ---- records and controls ---------------------------------------------------------

TEST_F(LayerModel, StoreAndApplyMoveWholeRecords) {
    TLayerModel m;
    const TLayerParams defaults, fresh = LayerParamsOf(TLayerRecord());
    EXPECT_EQ(std::tie(fresh.Algorithm, fresh.Amplitude, fresh.Turbulence1, fresh.Turbulence2, fresh.SeedText),
              std::tie(defaults.Algorithm, defaults.Amplitude, defaults.Turbulence1, defaults.Turbulence2,
                       defaults.SeedText));
    EXPECT_EQ(std::make_tuple(m.Layers[0].Active, m.Layers[1].Active, m.Layers[2].Active),
              std::make_tuple(true, false, false));

    TLayerControls c;
    c.Params.Brightness = 500, c.Params.Algorithm = 30, c.Params.SeedText = "  77 ", c.Params.Cards = true;
    c.BlendTag = 16, c.PaletteText = "1;2;3;4;5;6;7;8;9;10;11;12;13;14;15;", c.Active = true;
    m.StoreLayerParams(2, c);
    const TLayerRecord& r = m.Layers[2];
    EXPECT_EQ(std::make_tuple(r.Brightness, r.Algorithm, r.Seed, r.Cards, r.BlendTag, r.Active),
              std::make_tuple(100, 24, 77, true, 16, true));
    const TLayerControls back = m.ApplyLayerParams(2);
    EXPECT_EQ(std::tie(back.Params.SeedText, back.PaletteText), std::make_tuple("77", c.PaletteText));

    // A seed that is no integer follows the renderer's rule; unknown blend
    // tags are "Opaque"; a palette text that does not read changes nothing.
    c.Params.SeedText = "12abc", c.Params.Brightness = 10, c.BlendTag = 99;
    m.StoreLayerParams(1, c);
    EXPECT_EQ(std::make_tuple(m.Layers[1].Seed, m.Layers[1].Brightness, m.Layers[1].BlendTag),
              std::make_tuple(1, 10, 1));
    const TLayerRecord before = m.Layers[1];
    c.PaletteText = "1;two;3", c.Params.Brightness = -5;
    EXPECT_THROW(m.StoreLayerParams(1, c), EConvertError);
    EXPECT_EQ(m.Layers[1], before);
    EXPECT_THROW(m.StoreLayerParams(3, c), EListError);
}

TEST_F(LayerModel, PasteBeforeCopyGivesTheDefaultLayer) {
    TLayerModel m;
    m.Layers[1].Algorithm = algHorizontalGradient, m.Layers[1].Active = true;
    m.PasteLayerParameters(1);
    EXPECT_EQ(m.Layers[1], TLayerRecord());
    TPixelGraphic expected;
    THeightMapCache maps;
    RenderLayer(TLayerParams(), PaletteTextToTable("default"), maps, nullptr, expected);
    EXPECT_EQ(Checksum(m.LayerImages[1]), Checksum(expected));

    // Copy and paste carry every field, the blend tag and the active flag too.
    m.Layers[2].BlendTag = 9, m.Layers[2].Active = true, m.Layers[2].Twist = 3, m.Layers[2].PaletteText = "9;9;9;";
    m.CopyLayerParameters(2);
    m.PasteLayerParameters(0);
    EXPECT_EQ(m.Layers[0], m.Layers[2]);
}

TEST_F(LayerModel, ControlsFollowTheAlgorithm) {
    TLayerControlsEnabled e;
    EnableControlsForAlgorithm(algRadialGradient, e);
    EXPECT_EQ(std::make_tuple(e.Amplitude, e.Turbulence, e.Cycle), std::make_tuple(false, false, true));
    // The plasmas use the turbulences but not the amplitude, whatever came
    // before: "Horizontal Gradient" then "Simple Plasma" enables both
    // turbulence sliders again.
    for (int plasma : {algSimplePlasma, algDoublePlasma}) {
        EnableControlsForAlgorithm(algHorizontalGradient, e);
        EnableControlsForAlgorithm(plasma, e);
        EXPECT_EQ(std::make_tuple(e.Amplitude, e.Turbulence, e.Brightness, e.Cycle, e.Embossed),
                  std::make_tuple(false, true, true, true, true));
    }
    EnableControlsForAlgorithm(algWeave, e);
    EXPECT_TRUE(e.Amplitude && e.Turbulence && e.Brightness && e.Embossed);
}

// ---- files ---------------------------------------------------------------------

TEST_F(LayerModel, SaveThenLoadReproducesTheTile) {
    TLayerModel saved;
    Unusual(saved);
    saved.SaveParameterFile(Path);
    const TLayerRecord& a = saved.Layers[0];

    TLayerModel loaded;
    loaded.LoadParameterFile(Path);
    EXPECT_EQ(State(loaded), State(saved));

    const auto items = ReadItems(Path);
    std::vector<std::string> keys;
    keys.reserve(items.size());
    for (const auto& [key, bytes] : items) keys.push_back(key);
    EXPECT_EQ(keys,
              (std::vector<std::string>{"_result", "_strings", "import2", "postproc", "v2_strings", "v3_strings"}));
    EXPECT_EQ(items.at("_result").substr(0, 2), "\xFF\xD8");
    EXPECT_EQ(items.at("import2").substr(0, 2), "BM");
    const TStringList strings = Lines(items.at("_strings"));
    ASSERT_EQ(strings.Count(), 41);
    // Seed, algorithm and palette of layer 1, blend tag and activity of layer 2, cell size.
    EXPECT_EQ(std::make_tuple(strings[5], strings[6], strings[8], strings[13 + 7], strings[13 + 12], strings[39],
                              strings[40]),
              std::make_tuple("-123456", "6", a.PaletteText, "5", "true", "200", "64"));
    EXPECT_EQ(items.at("v2_strings"), "7\r\n0\r\n-18\r\n");
    EXPECT_EQ(items.at("v3_strings"), "true\r\nfalse\r\nfalse\r\n");
    const TStringList post = Lines(items.at("postproc"));
    ASSERT_EQ(post.Count(), 23);
    EXPECT_EQ(std::make_tuple(post[0], post[8], post[13], post[14], post[18], post[22]),
              std::make_tuple("-2", "5", "true", "g", "false", "true"));
}

TEST_F(LayerModel, FilesAreTheSameInEveryLocale) {
    TLayerModel m;
    Unusual(m);
    std::string inC, inGerman;
    {
        TScopedLocale c(TScopedLocale::lkC);
        m.SaveParameterFile(Path);
        inC = ReadFile(Path);
    }
    {
        TScopedLocale german(TScopedLocale::lkGerman);
        GW_NEED_LOCALE(german);
        m.SaveParameterFile(Path);
        inGerman = ReadFile(Path);
        TLayerModel loaded;
        loaded.LoadParameterFile(Path);
        EXPECT_EQ(State(loaded), State(m));
    }
    EXPECT_EQ(inGerman, inC);
}

TEST_F(LayerModel, OlderAndSparseFilesLoadWithDefaults) {
    TLayerModel saved;
    Unusual(saved);
    saved.SaveParameterFile(Path);
    auto items = ReadItems(Path);
    for (const char* key : {"v2_strings", "v3_strings", "postproc"}) items.erase(key);
    // The amplitude of a layer never shown; no cell size.
    items["_strings"] = EditLine(EditLine(items["_strings"], 2, "0"), 39, "<cut>");
    items["import1"] = items["import2"];  // read although layer 1 does not use it
    WriteItems(Path, items);

    TLayerModel m;
    m.CellWidth = 33;
    m.LoadParameterFile(Path);
    EXPECT_EQ(std::make_tuple(m.Layers[0].Amplitude, m.Layers[0].Twist, m.Layers[2].Twist, m.Layers[0].Cards),
              std::make_tuple(32, 0, 0, false));
    EXPECT_EQ(std::make_tuple(m.CellWidth, m.CellHeight), std::make_tuple(33, 150));
    TPostProcessSettings page;
    page.forcesymetry = page.forcesym2 = false;
    EXPECT_EQ(PostFields(m.PostProcess), PostFields(page));
    EXPECT_EQ(Checksum(m.ImportImages[0]), Checksum(saved.ImportImages[1]));

    // A "postproc" of the first layout (22 lines) loads; the symmetry box of
    // the displacement is then off. A cell size that is no number is 150.
    saved.SaveParameterFile(Path);
    items = ReadItems(Path);
    items["postproc"] = EditLine(EditLine(items["postproc"], 22, "<cut>"), 17, "false");
    items["_strings"] = EditLine(items["_strings"], 39, "wide");
    WriteItems(Path, items);
    m.LoadParameterFile(Path);
    EXPECT_EQ(std::make_tuple(m.PostProcess.forcesym2, m.PostProcess.xedit, m.CellWidth, m.CellHeight),
              std::make_tuple(false, "y", 150, 64));
}

TEST_F(LayerModel, CellSizesFromTenToTheWholeTileLoad) {
    TLayerModel saved;
    saved.SaveParameterFile(Path);
    const auto items = ReadItems(Path);
    // Written by hand into lines 39 and 40: the whole tile, both ends of the
    // older range, and values beyond either end.
    const struct {
        const char *Width, *Height;
        int ExpectedWidth, ExpectedHeight;
    } cases[] = {{"256", "256", 256, 256}, {"10", "255", 10, 255}, {"255", "10", 255, 10},
                 {"123", "256", 123, 256}, {"9", "257", 10, 256},  {"-5", "1000", 10, 256}};
    for (const auto& c : cases) {
        auto edited = items;
        edited["_strings"] = EditLine(EditLine(items.at("_strings"), 39, c.Width), 40, c.Height);
        WriteItems(Path, edited);
        TLayerModel m;
        m.LoadParameterFile(Path);
        EXPECT_EQ(std::make_pair(m.CellWidth, m.CellHeight), std::make_pair(c.ExpectedWidth, c.ExpectedHeight))
            << c.Width << " x " << c.Height;
    }
    // And the whole tile is written as it is.
    saved.CellWidth = saved.CellHeight = 256;
    saved.SaveParameterFile(Path);
    const TStringList strings = Lines(ReadItems(Path).at("_strings"));
    EXPECT_EQ(std::make_pair(strings[39], strings[40]), std::make_pair(std::string("256"), std::string("256")));
}

TEST_F(LayerModel, DamagedFilesRaiseAndChangeNothing) {
    TLayerModel source;
    Unusual(source);
    source.SaveParameterFile(Path);
    const auto good = ReadItems(Path);
    auto with = [&](const std::string& key, const std::string& bytes) { return WithItem(good, key, bytes); };
    auto edited = [&](const std::string& key, int line, const std::string& value) {
        return WithLine(good, key, line, value);
    };
    TMemoryStream smallBmp;
    mztest::Flat(100, 100, clRed)->SaveToStreamExt(smallBmp, "bmp");
    const std::string import = good.at("import2");
    const struct {
        const char* Name;
        std::map<std::string, std::string> Items;
        const char* Message;  // part of the error's message
    } cases[] = {
        {"no layers", with("_strings", "<none>"), "\"_strings\" is missing"},
        {"short layers", edited("_strings", 38, "<cut>"), "\"_strings\" holds 38 lines"},
        {"junk seed", edited("_strings", 18, "seed"), "\"_strings\" line 18: 'seed' is not a valid integer value"},
        {"junk palette", edited("_strings", 21, "1;;x"), "\"_strings\" line 21: palette"},
        {"short twists", edited("v2_strings", 2, "<cut>"), "\"v2_strings\" holds 2 lines"},
        {"short cards", with("v3_strings", ""), "\"v3_strings\" holds 0 lines"},
        {"short page", edited("postproc", 21, "<cut>"), "\"postproc\" holds 21 lines"},
        {"small import", with("import2", std::string(smallBmp.Data().begin(), smallBmp.Data().end())), "100 x 100"},
        {"cut import", with("import3", import.substr(0, 3000)), ""},
        {"junk import", with("import1", "no picture"), ""},
        {"expression", edited("postproc", 14, "g +"), ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        const std::string bad = Dir + "/bad.mzo";
        WriteItems(bad, c.Items);
        const std::string bytes = ReadFile(bad);
        TLayerModel m;
        m.Layers[1].Cycle = 11;
        m.RenderLayer(1);
        const auto before = State(m);
        try {
            m.LoadParameterFile(bad);
            ADD_FAILURE() << "loaded";
        } catch (const Exception& e) {
            EXPECT_NE(std::string(e.what()).find(c.Message), std::string::npos) << e.what();
        }
        EXPECT_EQ(State(m), before);
        EXPECT_EQ(ReadFile(bad), bytes);
    }
    WriteFile(Path, "not a container");
    EXPECT_THROW(ReadTileFile(Path), Exception);
}

// What the name names: a tile is saved onto a file only, through a link,
// never over a read-only one; loads say what is wrong.
TEST_F(LayerModel, SavesAndLoadsTellTheirTarget) {
    TLayerModel m;
    ExpectSavesAndLoadsTellTheirTarget(
        Dir, "tile.mzo", ".mzo", [&](const std::string& f) { m.SaveParameterFile(f); },
        [](const std::string& f) { (void)ReadTileFile(f); }, [&] { m.Layers[0].Seed = 77; },
        [](const std::string& f) { return ReadTileFile(f).Layers[0].Seed == 77; });
}

TEST_F(LayerModel, AFailedSaveLeavesTheOldFile) {
    TLayerModel m;
    m.SaveParameterFile(Path);
    const std::string old = ReadFile(Path);

    TTileParameters t;
    t.Layers[2].Algorithm = algImageFile;
    auto broken = std::make_shared<TUnwritablePicture>();
    broken->SetSize(256, 256, 3);
    t.Imports[2] = broken;  // fails after every other item is stored
    EXPECT_THROW(WriteTileFile(Path, t, m.Result), EWriteError);
    EXPECT_EQ(ReadFile(Path), old);
    EXPECT_EQ(ListDir(Dir).size(), 1u);
}

// Compressed blocks of the longest codes: a 2 MB "_strings" item that would
// expand to 1.6 GB, and an 80 KB "postproc" item of 64 MiB of line breaks, a
// list of 2 GB. Each load ends in the store's message for damaged data
// before that memory is taken, and the model stays as it was.
TEST_F(LayerModel, CompressionBombsEndInTheStoresErrorWithLittleMemory) {
    constexpr int64_t kMiB = int64_t(1) << 20;
    TLayerModel m;
    m.SaveParameterFile(Path);
    const TItems good = ReadItems(Path);
    const struct {
        const char* Key;
        int Blocks;
        char Fill;
    } bombs[] = {{"_strings", 50000, 'x'}, {"postproc", 2047, '\n'}};
    for (const auto& b : bombs) {
        SCOPED_TRACE(b.Key);
        const std::string bomb = Dir + "/bomb.mzo";
        const int64_t peak = BombPeak(bomb, good, b.Key, b.Blocks, b.Fill, [&] { ReadTileFile(bomb); });
        EXPECT_GE(peak, 0);
        EXPECT_LT(peak, 100 * kMiB);
        if (peak < 0 || peak >= 100 * kMiB) continue;  // not safe to load here
        TLayerModel target;
        const auto before = State(target);
        try {
            target.LoadParameterFile(bomb);
            ADD_FAILURE() << "loaded";
        } catch (const EQDBIndexError& e) {
            EXPECT_EQ(e.Message(), "The file " + bomb + " is not a valid QDB file");
        }
        EXPECT_EQ(State(target), before);
    }
}

// Every item of a tile with a 256 x 256 import, compressed by the store,
// loads as the plain file does.
TEST_F(LayerModel, CompressedItemsOfAWholeTileLoad) {
    TLayerModel saved;
    Unusual(saved);
    saved.SaveParameterFile(Path);
    TItems packed;
    for (const auto& [key, bytes] : ReadItems(Path)) packed[key] = Packed(bytes);
    const std::string compressed = Dir + "/compressed.mzo";
    WriteItems(compressed, {}, packed);
    TLayerModel plain, back;
    plain.LoadParameterFile(Path);
    back.LoadParameterFile(compressed);
    EXPECT_EQ(State(back), State(plain));
    EXPECT_EQ(Checksum(back.ImportImages[1]), Checksum(saved.ImportImages[1]));
}

}  // namespace
