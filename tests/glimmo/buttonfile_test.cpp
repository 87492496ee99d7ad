#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <tuple>

#include "glimmo/ButtonFile.h"
#include "glimmo/ButtonRenderer.h"
#include "image/PGFormats.h"
#include "support/Bombs.h"
#include "support/ContainerItems.h"
#include "support/PeakMemory.h"
#include "support/PictureUtil.h"
#include "support/SaveTargets.h"
#include "support/ScopedLocale.h"
#include "support/TestFiles.h"

namespace {

using namespace gwtest;

class ButtonFile : public ::testing::Test {
protected:
    static void SetUpTestSuite() { InitPixelGraphicLibrary(); }
    void SetUp() override {
        Dir = TempDir("buttonfile");
        Path = Dir + "/design.glw";
        Button.SetSize(120, 40, 3);
    }
    std::string Dir, Path;
    TPixelGraphic Button;  // the thumbnail of value-level saves
};

// Every stored field of a design.
auto Fields(const TButtonDesign& d) {
    return std::make_tuple(d.Width, d.Height, d.Shape, d.FillMode, d.PlasmaStretch, d.BitmapPlacement, d.TargetRect,
                           d.BlankColor, d.CanvasColor, d.BevelStyle, d.BevelWidth, d.BevelOpacity, d.RelativeOffset,
                           std::make_tuple(d.BevelColors[0], d.BevelColors[1], d.BevelColors[2], d.BevelColors[3]),
                           d.DoubleBevel, d.LightDirection, d.InnerLuminance, d.Caption, d.FontName, d.FontSize, d.Bold,
                           d.Italic, d.Underline, d.Outlined, d.PaintInside, d.TextColor, d.OutlineColor, d.TextOpacity,
                           d.HorzAlign, d.VertAlign, d.TextOffsetX, d.TextOffsetY, d.GradientStyle,
                           d.GradientPaletteText, d.PlasmaPaletteText, d.PlasmaStyle, d.PlasmaNoise,
                           d.PlasmaBrightness);
}

// A design in which every stored value differs from its default.
TButtonDesign UnusualDesign() {
    TButtonDesign d;
    d.Width = 120, d.Height = 40, d.Shape = scRoundRect, d.FillMode = fmBitmap, d.PlasmaStretch = true;
    d.BitmapPlacement = bpTargetRect, d.TargetRect = TRect(-5, 3, 90, 31);
    d.BlankColor = RGB(10, 20, 30), d.CanvasColor = clBtnFace;
    d.BevelStyle = bvsGradient, d.BevelWidth = 6, d.BevelOpacity = 65, d.RelativeOffset = 3;
    d.BevelColors[0] = clYellow, d.BevelColors[1] = RGB(1, 2, 3), d.BevelColors[2] = clAqua, d.BevelColors[3] = clNavy;
    d.DoubleBevel = true, d.LightDirection = 9, d.InnerLuminance = -35;
    d.Caption = "One\nTwo lines\nThree", d.FontName = "DejaVu Sans", d.FontSize = 14;
    d.Bold = d.Italic = d.Underline = d.Outlined = d.PaintInside = true;
    d.TextColor = RGB(200, 100, 50), d.OutlineColor = clMaroon, d.TextOpacity = 70;
    d.HorzAlign = haRight, d.VertAlign = vaTop, d.TextOffsetX = -7, d.TextOffsetY = 4;
    d.GradientStyle = gsRadial, d.GradientPaletteText = "1;5;15;1;20;30;240;240;255;1;20;30;1;5;15;";
    d.PlasmaPaletteText = "25;25;1;100;50;1;150;100;1;200;200;1;240;255;100;";
    d.PlasmaStyle = 3, d.PlasmaNoise = 150, d.PlasmaBrightness = 70;
    return d;
}

std::shared_ptr<TPixelGraphic> Pattern(int w, int h) {
    auto g = std::make_shared<TPixelGraphic>();
    g->SetSize(w, h, 3);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) g->SetPixelColor(x, y, RGB(x * 3, y * 5, (x + y) % 256));
    return g;
}

// A renderer showing the design, as the main form keeps it.
void Show(TButtonRenderer& r, const TButtonDesign& design, const std::shared_ptr<TPixelGraphic>& fill) {
    r.Design = design;
    r.Design.FillImage = fill;
    r.SizeChanged = true;
    r.RefreshButton(true);
}

TEST_F(ButtonFile, SaveThenLoadReproducesEveryFillModeAndTheRender) {
    for (int mode : {fmBitmap, fmPlasma, fmColor, fmGradient}) {
        SCOPED_TRACE(mode);
        TButtonRenderer saved;
        TButtonFormState form{"/pictures/stone tile.png", true, Pattern(70, 30)};
        saved.RenderPlasma(true);
        TButtonDesign d = UnusualDesign();
        d.FillMode = mode;
        std::shared_ptr<TPixelGraphic> fill = mode == fmBitmap ? form.BitmapImage : nullptr;
        if (mode == fmPlasma) fill = Pattern(1, 1), fill->Assign(&saved.PlasmaImage);
        Show(saved, d, fill);
        SaveButtonParameters(Path, saved, form);

        TButtonRenderer loaded;  // of the default size
        TButtonFormState loadedForm;
        LoadButtonParameters(Path, loaded, loadedForm);
        EXPECT_EQ(Fields(loaded.Design), Fields(saved.Design));
        EXPECT_EQ(std::tie(loadedForm.BitmapFileName, loadedForm.Unique), std::tie(form.BitmapFileName, form.Unique));
        EXPECT_EQ(loaded.GetLightDirection(), 9);
        EXPECT_TRUE(SamePixels(loaded.Preview, saved.Preview));
        EXPECT_TRUE(mode != fmBitmap || SamePixels(*loadedForm.BitmapImage, *form.BitmapImage));
        EXPECT_TRUE(mode != fmPlasma || SamePixels(loaded.PlasmaImage, saved.PlasmaImage));
    }
}

TEST_F(ButtonFile, ItemsFollowTheFillModeInTheirFormats) {
    const uint8_t quality = JpegQuality;
    TButtonParameters p{UnusualDesign(), {"", false, Pattern(1, 20)}, Pattern(200, 200)};
    p.Design.Caption = "a\nb\nc";
    WriteButtonFile(Path, p, Button);
    auto items = ReadItems(Path);
    EXPECT_EQ(items.size(), 5u);
    EXPECT_EQ(items["pgimage1"].substr(0, 2), "\xFF\xD8");
    EXPECT_EQ(items["pgimage2"].substr(0, 2), "BM") << "a fill 1 pixel wide is stored as BMP";
    EXPECT_EQ(JpegQuality, quality) << "the thumbnail's quality must not stay behind";
    EXPECT_EQ(items["memo"], "3\r\na\r\nb\r\nc\r\n");
    const TStringList settings = Lines(items["settings"]), textblock = Lines(items["textblock"]);
    ASSERT_EQ(settings.Count(), 43);
    ASSERT_EQ(textblock.Count(), 18);
    EXPECT_EQ(std::make_tuple(settings[10], settings[12], settings[14], settings[24], settings[27], settings[34]),
              std::make_tuple("roundrect", "$00030201", "clNavy", "true", "bitmap", "clBtnFace"));
    EXPECT_EQ(std::make_tuple(textblock[0], textblock[1], textblock[8], textblock[11]),
              std::make_tuple("$003264C8", "DejaVu Sans", "true", "true"));

    p.Design.FillMode = fmPlasma;
    WriteButtonFile(Path, p, Button);
    items = ReadItems(Path);
    EXPECT_EQ(items.count("pgimage2"), 0u);
    EXPECT_EQ(items["pgimage3"].substr(1, 3), "PNG");
    p.Design.FillMode = fmGradient;
    WriteButtonFile(Path, p, Button);
    EXPECT_EQ(ReadItems(Path).size(), 4u);
}

TEST_F(ButtonFile, CaptionsWithEmptyLinesSurviveSaveLoadSave) {
    TButtonParameters p{UnusualDesign(), {}, nullptr};
    p.Design.FillMode = fmColor;
    const struct {
        std::string Caption, Memo;
    } kCases[] = {
        {"a\n\n", "3\r\na\r\n\r\n\r\n"},  // "a" and two empty lines
        {"\n", "2\r\n\r\n\r\n"},         {"", "0\r\n"},
        {"one", "1\r\none\r\n"},         {"\nmiddle\n", "3\r\n\r\nmiddle\r\n\r\n"},
    };
    for (const auto& c : kCases) {
        p.Design.Caption = c.Caption;
        WriteButtonFile(Path, p, Button);
        const std::string memo = ReadItems(Path)["memo"];
        EXPECT_EQ(memo, c.Memo);
        const TButtonParameters back = ReadButtonFile(Path, TButtonParameters());
        EXPECT_EQ(back.Design.Caption, c.Caption);
        WriteButtonFile(Path, back, Button);
        EXPECT_EQ(ReadItems(Path)["memo"], memo) << "saved again";
    }
}

TEST_F(ButtonFile, FilesAreTheSameInEveryLocale) {
    TButtonParameters p{UnusualDesign(), {"", false, Pattern(30, 20)}, Pattern(40, 40)};
    std::string inC, inGerman;
    {
        TScopedLocale c(TScopedLocale::lkC);
        WriteButtonFile(Path, p, Button);
        inC = ReadFile(Path);
    }
    {
        TScopedLocale german(TScopedLocale::lkGerman);
        GW_NEED_LOCALE(german);
        WriteButtonFile(Path, p, Button);
        inGerman = ReadFile(Path);
        EXPECT_EQ(Fields(ReadButtonFile(Path, TButtonParameters()).Design), Fields(p.Design));
    }
    EXPECT_EQ(inGerman, inC);
}

TEST_F(ButtonFile, OlderAndOddFilesLoad) {
    TButtonParameters p{UnusualDesign(), {}, nullptr};
    p.Design.FontName = "No Such Font On This Machine";
    WriteButtonFile(Path, p, Button);
    auto items = ReadItems(Path);
    items["settings"] = EditLine(items["settings"], 34, "<cut>");  // before the late lines existed
    items["memo"] = "5\r\nfirst\r\nsecond\r\n";                    // counts more lines than it holds
    WriteItems(Path, items);

    TButtonParameters current;
    current.Design.CanvasColor = clLime, current.Design.TargetRect = TRect(1, 2, 3, 4), current.Design.PlasmaStyle = 2;
    TButtonDesign d = ReadButtonFile(Path, current).Design;
    EXPECT_EQ(d.InnerLuminance, -35);
    EXPECT_EQ(std::tie(d.CanvasColor, d.TargetRect, d.DoubleBevel, d.PlasmaStyle),
              std::tie(current.Design.CanvasColor, current.Design.TargetRect, current.Design.DoubleBevel,
                       current.Design.PlasmaStyle));
    EXPECT_EQ(d.BitmapPlacement, bpOriginal) << "\"Stretch to Fit\" false, the other two missing";
    EXPECT_EQ(d.FontName, "No Such Font On This Machine");
    EXPECT_EQ(d.Caption, "first\nsecond");

    // Numbers are limited to their controls; the guarded lines forgive damage.
    WriteButtonFile(Path, p, Button);
    items = ReadItems(Path);
    std::string s = items["settings"];
    for (auto [line, value] : {std::pair<int, const char*>{0, "999"},
                               {15, "-4"},
                               {26, "7"},
                               {28, "bright"},
                               {35, "x"},
                               {41, "?"},
                               {7, " $10"}})
        s = EditLine(s, line, value);
    items["settings"] = s;
    WriteItems(Path, items);
    current.Design.BevelStyle = bvsSmooth, current.Design.InnerLuminance = 12;
    d = ReadButtonFile(Path, current).Design;
    EXPECT_EQ(std::make_tuple(d.Width, d.BevelWidth, d.BevelStyle, d.InnerLuminance, d.PlasmaStyle, d.TargetRect.Right,
                              d.PlasmaNoise),
              std::make_tuple(200, 1, int(bvsSmooth), 12, 0, 1, 16));
}

TEST_F(ButtonFile, DamagedFilesRaiseAndChangeNothing) {
    TButtonRenderer source;
    TButtonFormState sourceForm{"", false, Pattern(30, 30)};
    Show(source, UnusualDesign(), sourceForm.BitmapImage);
    SaveButtonParameters(Path, source, sourceForm);
    const auto good = ReadItems(Path);
    auto with = [&](const std::string& key, const std::string& bytes) { return WithItem(good, key, bytes); };
    auto edited = [&](const std::string& key, int line, const std::string& value) {
        return WithLine(good, key, line, value);
    };
    const std::string png = good.at("pgimage2");
    const struct {
        std::map<std::string, std::string> Items;
        const char* Message;  // part of the error's message
    } cases[] = {
        {with("settings", "<none>"), "\"settings\" is missing"},
        {edited("settings", 20, "<cut>"), "\"settings\" holds 20 lines"},
        {edited("settings", 0, "wide"), "\"settings\" line 0: 'wide' is not a valid integer value"},
        {edited("settings", 12, "clNoSuchColour"), "\"settings\" line 12"},
        {edited("settings", 29, "1;2;x;"), "\"settings\" line 29: palette"},
        {edited("textblock", 17, "<cut>"), "\"textblock\" holds 17 lines"},
        {edited("textblock", 5, "12pt"), "\"textblock\" line 5"},
        {with("pgimage2", "not a picture at all"), ""},
        {with("pgimage2", png.substr(0, png.size() / 2)), "PNG"},
        {with("pgimage3", ""), ""},
        {with("pgimage3", png), "\"pgimage3\": a picture of 30 x 30 pixels; 200 x 200 expected"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Message);
        const std::string bad = Dir + "/bad.glw";
        WriteItems(bad, c.Items);
        const std::string bytes = ReadFile(bad);
        TButtonRenderer target;
        TButtonFormState form{"mine.bmp", false, nullptr};
        Show(target, TButtonDesign(), nullptr);
        const auto before = Fields(target.Design);
        TPixelGraphic preview;
        preview.Assign(&target.Preview);
        try {
            LoadButtonParameters(bad, target, form);
            ADD_FAILURE() << "loaded";
        } catch (const Exception& e) {
            EXPECT_NE(std::string(e.what()).find(c.Message), std::string::npos) << e.what();
        }
        EXPECT_EQ(Fields(target.Design), before);
        EXPECT_TRUE(SamePixels(target.Preview, preview));
        EXPECT_EQ(std::tie(form.BitmapFileName, form.BitmapImage), std::make_tuple("mine.bmp", nullptr));
        EXPECT_EQ(ReadFile(bad), bytes);
    }
    for (const char* optional : {"pgimage1", "pgimage2", "textblock", "memo"}) {
        WriteItems(Path, with(optional, "<none>"));
        EXPECT_NO_THROW(ReadButtonFile(Path, TButtonParameters())) << optional;
    }
    WriteFile(Path, std::string("QDB\0 this is no container", 25));
    EXPECT_THROW(ReadButtonFile(Path, TButtonParameters()), Exception);
}

// What the name names: a design is saved onto a file only, through a link,
// never over a read-only one; loads say what is wrong.
TEST_F(ButtonFile, SavesAndLoadsTellTheirTarget) {
    TButtonParameters p{UnusualDesign(), {"", false, Pattern(40, 20)}, nullptr};
    ExpectSavesAndLoadsTellTheirTarget(
        Dir, "design.glw", ".glw", [&](const std::string& f) { WriteButtonFile(f, p, Button); },
        [](const std::string& f) { ReadButtonFile(f, TButtonParameters()); }, [&] { p.Design.Caption = "Other"; },
        [](const std::string& f) { return ReadButtonFile(f, TButtonParameters()).Design.Caption == "Other"; });
}

TEST_F(ButtonFile, AFailedSaveLeavesTheOldFile) {
    TButtonParameters p{UnusualDesign(), {"", false, Pattern(40, 20)}, nullptr};
    WriteButtonFile(Path, p, Button);
    const std::string old = ReadFile(Path);
    auto broken = std::make_shared<TUnwritablePicture>();
    broken->SetSize(40, 20, 3);
    p.Form.BitmapImage = broken;  // fails after the thumbnail is stored
    EXPECT_THROW(WriteButtonFile(Path, p, Button), EWriteError);
    EXPECT_EQ(ReadFile(Path), old);
    EXPECT_THROW(WriteButtonFile(Dir + "/new.glw", p, Button), EWriteError);
    EXPECT_EQ(ListDir(Dir), std::vector<std::string>{"design.glw"}) << "nothing new, no work files";
}

// Compressed blocks of the longest codes: a 2 MB "settings" item that would
// expand to 1.6 GB, and an 80 KB caption memo of 64 MiB of line breaks, a
// list of 2 GB. Each load ends in the store's message for damaged data
// before that memory is taken.
TEST_F(ButtonFile, CompressionBombsEndInTheStoresErrorWithLittleMemory) {
    constexpr int64_t kMiB = int64_t(1) << 20;
    TButtonParameters p{UnusualDesign(), {"", false, Pattern(30, 20)}, nullptr};
    WriteButtonFile(Path, p, Button);
    const TItems good = ReadItems(Path);
    const struct {
        const char* Key;
        int Blocks;
        char Fill;
    } bombs[] = {{"settings", 50000, 'x'}, {"memo", 2047, '\n'}};
    for (const auto& b : bombs) {
        SCOPED_TRACE(b.Key);
        const std::string bomb = Dir + "/bomb.glw";
        const int64_t peak =
            BombPeak(bomb, good, b.Key, b.Blocks, b.Fill, [&] { ReadButtonFile(bomb, TButtonParameters()); });
        EXPECT_GE(peak, 0);
        EXPECT_LT(peak, 100 * kMiB);
        if (peak < 0 || peak >= 100 * kMiB) continue;  // not safe to load here
        try {
            ReadButtonFile(bomb, TButtonParameters());
            ADD_FAILURE() << "loaded";
        } catch (const EQDBIndexError& e) {
            EXPECT_EQ(e.Message(), "The file " + bomb + " is not a valid QDB file");
        }
    }
}

// Every item of a design of the largest button, compressed by the store,
// loads as the plain file does.
TEST_F(ButtonFile, CompressedItemsOfTheLargestButtonLoad) {
    TButtonParameters p{UnusualDesign(), {"", false, Pattern(200, 200)}, Pattern(200, 200)};
    p.Design.Width = p.Design.Height = 200;
    TPixelGraphic button;
    button.Assign(Pattern(200, 200).get());
    for (int mode : {fmBitmap, fmPlasma}) {
        p.Design.FillMode = mode;
        WriteButtonFile(Path, p, button);
        TItems packed;
        for (const auto& [key, bytes] : ReadItems(Path)) packed[key] = Packed(bytes);
        const std::string compressed = Dir + "/compressed.glw";
        WriteItems(compressed, {}, packed);
        const TButtonParameters plain = ReadButtonFile(Path, TButtonParameters());
        const TButtonParameters back = ReadButtonFile(compressed, TButtonParameters());
        EXPECT_EQ(Fields(back.Design), Fields(plain.Design));
        const bool bitmap = mode == fmBitmap;
        EXPECT_TRUE(SamePixels(bitmap ? *back.Form.BitmapImage : *back.PlasmaImage,
                               bitmap ? *p.Form.BitmapImage : *p.PlasmaImage));
    }
}

}  // namespace
