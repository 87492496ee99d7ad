// Writes the preset tiles of the preset browser's five folders:
//   mozaro_presets OUTDIR
// makes OUTDIR/wood, stone, industrial, ornamental and misc with a few
// ".mzo" files each;
//   mozaro_presets --icons OUTDIR
// writes the program's icons (one preset's tile in every icon size). The
// build runs it, so no tile file is kept as a binary.
#include <cstdio>
#include <exception>
#include <filesystem>
#include <string>
#include <vector>

#include "artkit/IconSet.h"
#include "image/PGFormats.h"
#include "mozaro/Blend.h"
#include "mozaro/LayerModel.h"

namespace {

// Palettes of the palette editor's menu.
const char* const kOak = "50;30;1;100;60;1;130;70;1;50;30;1;130;70;1;";
const char* const kBuff = "150;150;140;170;170;120;190;190;150;220;220;180;220;220;200;";
const char* const kMud = "1;1;1;74;68;57;92;82;68;111;97;79;125;108;87;";
const char* const kGreyMud = "20;20;20;40;40;40;70;70;70;80;40;20;100;60;20;";
const char* const kDirt = "128;128;128;128;110;70;1;40;1;1;40;1;128;110;70;";
const char* const kChrome = "40;104;148;80;208;255;256;256;256;255;220;40;139;107;19;";
const char* const kSilver = "1;5;15;1;20;30;240;240;255;1;20;30;1;5;15;";
const char* const kGold = "25;25;1;100;50;1;150;100;1;200;200;1;240;255;100;";
const char* const kAlien = "1;10;20;201;164;163;255;200;200;1;10;10;1;1;1;";
const char* const kRainbow = "1;1;1;58;216;255;200;255;42;255;18;22;1;1;1;";
const char* const kStorm = "50;1;255;100;50;200;100;100;150;100;100;100;50;50;70;";
const char* const kViolet = "128;1;128;128;64;128;128;128;128;128;128;128;255;255;255;";
const char* const kRust = "60;20;5;140;60;20;200;100;40;110;50;20;60;20;5;";
const char* const kGrey = "1;1;1;64;64;64;128;128;128;192;192;192;256;256;256;";

struct TLayerSpec {
    int Algorithm;
    const char* Palette;
    int Seed;
    int Brightness = 0, Cycle = 0, Amplitude = 64, Turbulence1 = 20, Turbulence2 = 20, Twist = 0;
    int BlendTag = 1;
    bool Embossed = false, Cards = false;
};

// Every preset is built from algorithms whose tile wraps, and is saved with
// the whole tile as its cell: what Save Tile, the clipboard and the
// wallpaper take of a loaded preset then repeats without a seam.
struct TPreset {
    const char* Folder;
    const char* Name;
    std::vector<TLayerSpec> Layers;  // the basic texture, then the active shader layers
};

TLayerRecord RecordOf(const TLayerSpec& s, bool active) {
    TLayerRecord r;
    r.Algorithm = s.Algorithm;
    r.PaletteText = s.Palette;
    r.Seed = s.Seed;
    r.Brightness = s.Brightness;
    r.Cycle = s.Cycle;
    r.Amplitude = s.Amplitude;
    r.Turbulence1 = s.Turbulence1;
    r.Turbulence2 = s.Turbulence2;
    r.Twist = s.Twist;
    r.BlendTag = s.BlendTag;
    r.Embossed = s.Embossed;
    r.Cards = s.Cards;
    r.Active = active;
    return r;
}

const std::vector<TPreset>& Presets() {
    static const std::vector<TPreset> presets = {
        {"wood",
         "Oak Planks",
         {{algTreeBark, kOak, 1207, 0, 0, 64, 20, 6}, {algVerticalWaves, kBuff, 77, -30, 0, 90, 10, 10, 0, 4}}},
        {"wood",
         "Burr Walnut",
         {{algNoisyPlasma, kMud, 4242, 10, -40, 40, 30, 25}, {algDoublePlasma, kOak, 9, 0, 0, 64, 20, 20, 6, 3}}},
        {"wood", "Pine Rings", {{algConcentricPlasma, kOak, 31337, 20, 0, 40, 12, 18}}},
        {"stone",
         "Granite",
         {{algDoublePlasma, kGreyMud, 2024, 20, 0, 64, 45, 60}, {algWhiteNoise, kGrey, 5, 0, 0, 64, 20, 20, 0, 4}}},
        {"stone",
         "Marble",
         {{algShiftedPlasma2, kSilver, 888, 30, -20, 48, 25, 25}, {algSimplePlasma, kBuff, 3, 0, 0, 64, 20, 20, 0, 9}}},
        {"stone", "Cobbles", {{algSimplePlasma, kDirt, 6060, 0, 0, 64, 30, 30, 0, 1, true, true}}},
        {"industrial",
         "Rusty Plate",
         {{algShiftedPlasma4, kRust, 1313, 0, 0, 90, 40, 40},
          {algSimplePlasma, kGrey, 17, 0, 0, 64, 20, 20, 0, 9, true}}},
        {"industrial",
         "Steel Waves",
         {{algDiagonalWaves, kChrome, 4711, 0, 0, 40, 20, 20}, {algSimplePlasma, kSilver, 12, 0, 0, 64, 20, 20, 0, 3}}},
        {"industrial", "Chrome Grid", {{algSquares, kChrome, 99, 0, 0, 48, 20, 20, 0, 1, true}}},
        {"ornamental", "Kaleidoscope", {{algKaleidoscope, kRainbow, 2718, 0, 0, 64, 25, 25, 3}}},
        {"ornamental", "Gold Rosette", {{algConcentricPlasma, kGold, 1618, 0, 0, 64, 20, 20}}},
        {"ornamental",
         "Mosaic",
         {{algSquares, kViolet, 1414, 0, 0, 32}, {algRectanges, kGold, 3, 0, 0, 60, 20, 20, 0, 10}}},
        {"misc", "Alien Skin", {{algShiftedPlasma1, kAlien, 6502, 0, 0, 64, 25, 35}}},
        {"misc",
         "Thunder Clouds",
         {{algSimplePlasma, kStorm, 1999, 0, 0, 64, 25, 20, 5},
          {algShiftedPlasma3, kStorm, 21, 0, 0, 64, 20, 20, 0, 14}}},
        {"misc", "Rainbow Dots", {{algDots, kRainbow, 4004, 0, 0, 45}}},
    };
    return presets;
}

void Render(const TPreset& p, TLayerModel& model) {
    model.CellWidth = model.CellHeight = kTileSize;
    for (int i = 0; i < kLayerCount; ++i) {
        const bool used = i < static_cast<int>(p.Layers.size());
        model.Layers[i] = used ? RecordOf(p.Layers[i], true) : TLayerRecord();
        model.RenderLayer(i);
    }
    model.Compose();
}

// The icon is the "Kaleidoscope" tile, resampled to each size.
void WriteIcons(const std::string& folder) {
    TLayerModel model;
    for (const TPreset& p : Presets())
        if (std::string(p.Name) == "Kaleidoscope") Render(p, model);
    for (const int size : kIconSizes) {
        TPixelGraphic icon;
        icon.SetSize(size, size, 3);  // 24 bits
        icon.StretchFrom(model.Result);
        WriteIcon(folder, "mozaro", icon);
    }
}

}  // namespace

int main(int argc, char** argv) {
    const bool icons = argc == 3 && std::string(argv[1]) == "--icons";
    if (argc != 2 && !icons) {
        std::fprintf(stderr, "usage: %s OUTDIR | --icons OUTDIR\n", argv[0]);
        return 2;
    }
    try {
        InitPixelGraphicLibrary();
        if (icons) {
            WriteIcons(argv[2]);
            return 0;
        }
        const std::filesystem::path out = argv[1];
        for (const TPreset& p : Presets()) {
            TLayerModel model;
            Render(p, model);
            std::filesystem::create_directories(out / p.Folder);
            model.SaveParameterFile((out / p.Folder / (std::string(p.Name) + ".mzo")).string());
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s: %s\n", argv[0], e.what());
        return 1;
    }
    return 0;
}
