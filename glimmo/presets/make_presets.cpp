// Writes the button designer's preset files into the folder given as the
// only argument, or with "--icons FOLDER" the program's icons (a small
// bevelled button in every icon size). Run by the build, so that presets and
// icons are made from the engine of this very build and no binary file is
// kept in the sources.
#include <QGuiApplication>
#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "artkit/IconSet.h"
#include "artkit/Painters.h"
#include "glimmo/ButtonFile.h"
#include "glimmo/ButtonRenderer.h"
#include "image/PGFormats.h"
#include "platform/Random.h"

namespace {

// Palette texts of the palette editor's built-in presets.
const char* const kChrome = "40;104;148;80;208;255;256;256;256;255;220;40;139;107;19;";
const char* const kBronze = "1;32;1;70;50;32;150;120;80;255;200;120;1;1;1;";
const char* const kSilver = "1;5;15;1;20;30;240;240;255;1;20;30;1;5;15;";
const char* const kGold = "25;25;1;100;50;1;150;100;1;200;200;1;240;255;100;";
const char* const kLightGreyWash = "100;100;100;180;180;180;256;256;256;200;200;200;140;140;140;";
const char* const kRainbow = "1;1;1;58;216;255;200;255;42;255;18;22;1;1;1;";

struct TPreset {
    const char* Name;
    TButtonDesign Design;
};

TButtonDesign Base(int width, int height, int shape, int fill, const char* caption) {
    TButtonDesign d;
    d.Width = width;
    d.Height = height;
    d.Shape = shape;
    d.FillMode = fill;
    d.Caption = caption;
    d.CanvasColor = clWhite;
    d.BevelStyle = bvsSolid;
    d.FontName = "Arial";
    d.Bold = true;
    return d;
}

std::vector<TPreset> Presets() {
    std::vector<TPreset> list;
    {
        TButtonDesign d = Base(140, 40, scOval, fmGradient, "Aqua");
        d.GradientPaletteText = kChrome;
        d.BevelStyle = bvsSmooth;
        d.BevelWidth = 6;
        d.FontSize = 16;
        d.TextColor = clNavy;
        list.push_back({"Aqua Pill", d});
    }
    {
        TButtonDesign d = Base(120, 32, scRectangle, fmGradient, "Gold");
        d.GradientPaletteText = kGold;
        d.BevelStyle = bvsGradient;
        d.BevelColors[0] = 0x80FFFF;
        d.BevelColors[1] = 0x00C0FF;
        d.BevelColors[2] = 0x004080;
        d.BevelColors[3] = 0x002040;
        d.BevelWidth = 5;
        d.TextColor = clWhite;
        d.Outlined = true;
        d.PaintInside = true;
        d.TextOpacity = 100;
        d.FontSize = 14;
        list.push_back({"Gold Bar", d});
    }
    {
        TButtonDesign d = Base(150, 50, scRoundRect, fmPlasma, "Marble");
        d.PlasmaPaletteText = kLightGreyWash;
        d.PlasmaStyle = psMarble;
        d.PlasmaStretch = true;
        d.BevelWidth = 4;
        d.FontSize = 18;
        d.TextColor = clNavy;
        d.TextOpacity = 100;
        list.push_back({"Marble Tablet", d});
    }
    {
        TButtonDesign d = Base(130, 40, scRectangle, fmPlasma, "Stone");
        d.PlasmaPaletteText = kBronze;
        d.PlasmaStyle = psBumpySurface;
        d.BevelStyle = bvsSmooth;
        d.BevelWidth = 8;
        d.InnerLuminance = 20;
        d.FontSize = 18;
        d.TextColor = 0xC0E0FF;
        list.push_back({"Bumpy Stone", d});
    }
    {
        TButtonDesign d = Base(64, 64, scCircle, fmGradient, "Go");
        d.GradientPaletteText = kSilver;
        d.GradientStyle = gsRadial;
        d.BevelWidth = 3;
        d.FontSize = 20;
        d.TextColor = clRed;
        list.push_back({"Silver Circle", d});
    }
    {
        TButtonDesign d = Base(56, 56, scTriangleRight, fmGradient, "");
        d.GradientPaletteText = kRainbow;
        d.GradientStyle = gsRectangular;
        d.BevelWidth = 3;
        d.DoubleBevel = true;
        list.push_back({"Play Arrow", d});
    }
    {
        TButtonDesign d = Base(120, 28, scRectangle, fmColor, "Button");
        d.BlankColor = clSilver;
        d.BevelWidth = 2;
        d.BevelOpacity = 100;
        d.TextColor = clBlack;
        d.Bold = false;
        d.FontSize = 12;
        d.TextOpacity = 100;
        list.push_back({"Classic Grey", d});
    }
    {
        TButtonDesign d = Base(100, 60, scDiamond, fmPlasma, "");
        d.PlasmaPaletteText = kChrome;
        d.PlasmaStyle = psAquarell;
        d.PlasmaStretch = true;
        d.BevelWidth = 4;
        d.LightDirection = 2;
        list.push_back({"Aquarell Diamond", d});
    }
    return list;
}

// Renders the design as the main form does after a load.
void Render(TButtonRenderer& renderer, const TButtonDesign& design) {
    renderer.Plasma().SetReseedFromClock(false);
    renderer.Design = design;
    TButtonDesign& d = renderer.Design;
    renderer.SetLightDirection(d.LightDirection);
    if (d.FillMode == fmPlasma) {
        renderer.RenderPlasma(true);
        auto fill = std::make_shared<TPixelGraphic>();
        fill->Assign(&renderer.PlasmaImage);
        d.FillImage = fill;
    }
    renderer.SizeChanged = true;
    renderer.RefreshButton(true);
}

void WritePreset(const std::string& folder, const TPreset& preset, uint32_t seed) {
    TRandomGenerator random(seed);
    TButtonRenderer renderer(random);
    Render(renderer, preset.Design);

    TButtonParameters parameters;
    parameters.Design = renderer.Design;
    parameters.PlasmaImage = std::make_shared<TPixelGraphic>();
    parameters.PlasmaImage->Assign(&renderer.PlasmaImage);
    WriteButtonFile(folder + "/" + preset.Name + ".glw", parameters, renderer.Preview);
}

// The icon: a chrome gradient button with a smooth bevel and, where there
// is room for it, a "G"; square, so that it needs no transparency.
void WriteIcons(const std::string& folder) {
    for (const int size : kIconSizes) {
        TButtonDesign d = Base(size, size, scRectangle, fmGradient, size >= 32 ? "G" : "");
        d.GradientPaletteText = kChrome;
        d.GradientStyle = gsRadial;
        d.BevelStyle = bvsSmooth;
        d.BevelWidth = std::max(2, size / 10);
        d.FontSize = size * 9 / 20;
        d.TextColor = clNavy;
        d.TextOpacity = 100;
        TRandomGenerator random(1);
        TButtonRenderer renderer(random);
        Render(renderer, d);
        WriteIcon(folder, "glimmo", renderer.Preview);
    }
}

}  // namespace

int main(int argc, char** argv) {
    const bool icons = argc == 3 && std::string(argv[1]) == "--icons";
    if (argc != 2 && !icons) {
        std::fprintf(stderr, "usage: %s FOLDER | --icons FOLDER\n", argv[0]);
        return 2;
    }
    // Text is drawn with the font machinery of a GUI application; no screen
    // is needed.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    InitPixelGraphicLibrary();
    try {
        if (icons) {
            WriteIcons(argv[2]);
            return 0;
        }
        uint32_t seed = 7;
        for (const TPreset& preset : Presets()) WritePreset(argv[1], preset, seed++);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
