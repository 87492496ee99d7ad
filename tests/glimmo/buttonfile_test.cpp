#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <tuple>

#include "glimmo/ButtonFile.h"
#include "glimmo/ButtonRenderer.h"
#include "glimmo/GlimmoTestUtil.h"
#include "image/PGFormats.h"
#include "image/PGraphic.h"
#include "platform/StringList.h"
#include "store/QDB.h"
#include "support/TestFiles.h"

namespace {

using gwtest::MakeFlat;
using gwtest::SamePixels;

class ButtonFile : public ::testing::Test {
protected:
    static void SetUpTestSuite() { InitPixelGraphicLibrary(); }
    void SetUp() override {
        Dir = gwtest::TempDir("buttonfile");
        Path = Dir + "/design.glw";
    }
    std::string Dir, Path;
};

// Every stored field of a design, for whole-value comparisons.
auto Fields(const TButtonDesign& d) {
    return std::make_tuple(
        d.Width, d.Height, d.Shape, d.FillMode, d.PlasmaStretch, d.BitmapPlacement, d.TargetRect, d.BlankColor,
        d.CanvasColor, d.BevelStyle, d.BevelWidth, d.BevelOpacity, d.RelativeOffset, d.BevelOffset,
        std::make_tuple(d.BevelColors[0], d.BevelColors[1], d.BevelColors[2], d.BevelColors[3]), d.DoubleBevel,
        d.LightDirection, d.InnerLuminance, d.Caption, d.FontName, d.FontSize, d.Bold, d.Italic, d.Underline,
        d.Outlined, d.PaintInside, d.TextColor, d.OutlineColor, d.TextOpacity, d.HorzAlign, d.VertAlign,
        d.TextOffsetX, d.TextOffsetY, d.GradientStyle, d.GradientPaletteText, d.PlasmaPaletteText, d.PlasmaStyle,
        d.PlasmaNoise, d.PlasmaBrightness);
}

// A design where every stored value differs from its default.
TButtonDesign UnusualDesign() {
    TButtonDesign d;
    d.Width = 120;
    d.Height = 40;
    d.Shape = scRoundRect;
    d.FillMode = fmBitmap;
    d.PlasmaStretch = true;
    d.BitmapPlacement = bpTargetRect;
    d.TargetRect = TRect(-5, 3, 90, 31);
    d.BlankColor = RGB(10, 20, 30);
    d.CanvasColor = clBtnFace;
    d.BevelStyle = bvsGradient;
    d.BevelWidth = 6;
    d.BevelOpacity = 65;
    d.RelativeOffset = 3;
    d.BevelOffset = BevelOffsetFor(3, BevelWidthMaximum(120, 40), 6);
    d.BevelColors[0] = clYellow;
    d.BevelColors[1] = RGB(1, 2, 3);
    d.BevelColors[2] = clAqua;
    d.BevelColors[3] = clNavy;
    d.DoubleBevel = true;
    d.LightDirection = 9;
    d.InnerLuminance = -35;
    d.Caption = "One\nTwo lines\nThree";
    d.FontName = "DejaVu Sans";
    d.FontSize = 14;
    d.Bold = d.Italic = d.Underline = true;
    d.Outlined = d.PaintInside = true;
    d.TextColor = RGB(200, 100, 50);
    d.OutlineColor = clMaroon;
    d.TextOpacity = 70;
    d.HorzAlign = haRight;
    d.VertAlign = vaTop;
    d.TextOffsetX = -7;
    d.TextOffsetY = 4;
    d.GradientStyle = gsRadial;
    d.GradientPaletteText = "1;5;15;1;20;30;240;240;255;1;20;30;1;5;15;";
    d.PlasmaPaletteText = "25;25;1;100;50;1;150;100;1;200;200;1;240;255;100;";
    d.PlasmaStyle = 3;
    d.PlasmaNoise = 150;
    d.PlasmaBrightness = 70;
    return d;
}

std::shared_ptr<TPixelGraphic> Gradient(int w, int h) {
    auto g = std::make_shared<TPixelGraphic>();
    g->SetSize(w, h, 3);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) g->SetPixelColor(x, y, RGB(x * 3, y * 5, (x + y) % 256));
    return g;
}

// A renderer showing design, rendered, as the main form keeps it.
void Show(TButtonRenderer& r, const TButtonDesign& design, const std::shared_ptr<TPixelGraphic>& fill) {
    r.Design = design;
    r.Design.FillImage = fill;
    r.SizeChanged = true;
    r.RefreshButton(true);
}

std::map<std::string, std::string> Items(const std::string& path) {
    TQDB db;
    db.Open(path, TQDB::omReadExisting);
    std::map<std::string, std::string> items;
    for (int i = 0; i < db.Count(); ++i) {
        TMemoryStream m;
        db.GoToItem(i);
        db.GetItem(m);
        items[db.CurrentKey()] = std::string(m.Data().begin(), m.Data().end());
    }
    return items;
}

void WriteItems(const std::string& path, const std::map<std::string, std::string>& items) {
    TQDB db;
    db.Open(path, TQDB::omCreateNew);
    for (const auto& [key, bytes] : items) {
        TMemoryStream m(std::vector<uint8_t>(bytes.begin(), bytes.end()));
        db.AddItem(key, m);
    }
    db.Close();
}

TStringList Lines(const std::string& text) {
    TStringList l;
    l.SetText(text);
    return l;
}

std::string Text(const TStringList& l) { return l.GetText(); }

// ---- round trips -------------------------------------------------------------

TEST_F(ButtonFile, SaveThenLoadReproducesEveryFillModeAndTheRender) {
    for (int mode : {fmBitmap, fmPlasma, fmColor, fmGradient}) {
        SCOPED_TRACE(mode);
        TButtonRenderer saved;
        TButtonFormState form;
        form.BitmapFileName = "/pictures/stone tile.png";
        form.Unique = true;
        form.BitmapImage = Gradient(70, 30);
        saved.RenderPlasma(true);
        TButtonDesign d = UnusualDesign();
        d.FillMode = mode;
        std::shared_ptr<TPixelGraphic> fill;
        if (mode == fmBitmap) fill = form.BitmapImage;
        if (mode == fmPlasma) {
            fill = std::make_shared<TPixelGraphic>();
            fill->Assign(&saved.PlasmaImage);
        }
        Show(saved, d, fill);
        if (mode == fmGradient) {
            ASSERT_NE(saved.Design.FillImage, nullptr);
        }
        SaveButtonParameters(Path, saved, form);

        TButtonRenderer loaded;
        TButtonFormState loadedForm;
        LoadButtonParameters(Path, loaded, loadedForm);
        EXPECT_EQ(Fields(loaded.Design), Fields(saved.Design));
        EXPECT_EQ(loadedForm.BitmapFileName, form.BitmapFileName);
        EXPECT_TRUE(loadedForm.Unique);
        ASSERT_NE(loadedForm.BitmapImage, nullptr);
        EXPECT_EQ(loaded.GetLightDirection(), 9);
        // The preview takes the design's size and renders exactly as before.
        EXPECT_TRUE(SamePixels(loaded.Preview, saved.Preview));
        if (mode == fmBitmap) {
            EXPECT_TRUE(SamePixels(*loadedForm.BitmapImage, *form.BitmapImage));
        }
        if (mode == fmPlasma) {
            EXPECT_TRUE(SamePixels(loaded.PlasmaImage, saved.PlasmaImage));
        }
    }
}

TEST_F(ButtonFile, ItemsFollowTheFillModeAndPictureFormats) {
    const uint8_t jpegQuality = JpegQuality;
    TButtonParameters p;
    p.Design = UnusualDesign();
    p.Form.BitmapImage = Gradient(1, 20);  // 1 pixel wide: BMP
    p.PlasmaImage = Gradient(200, 200);
    TPixelGraphic button;
    MakeFlat(button, 120, 40, clRed);

    WriteButtonFile(Path, p, button);
    auto items = Items(Path);
    EXPECT_EQ(items.size(), 5u);
    for (const char* key : {"pgimage1", "pgimage2", "settings", "textblock", "memo"}) EXPECT_EQ(items.count(key), 1u) << key;
    EXPECT_EQ(items["pgimage1"].substr(0, 2), "\xFF\xD8");
    EXPECT_EQ(items["pgimage2"].substr(0, 2), "BM");
    EXPECT_EQ(JpegQuality, jpegQuality) << "the thumbnail's quality must not stay behind";

    p.Design.FillMode = fmPlasma;
    WriteButtonFile(Path, p, button);
    items = Items(Path);
    EXPECT_EQ(items.count("pgimage2"), 0u);
    EXPECT_EQ(items["pgimage3"].substr(1, 3), "PNG");

    p.Design.FillMode = fmColor;
    p.Design.Caption = "a\nb\nc";
    WriteButtonFile(Path, p, button);
    items = Items(Path);
    EXPECT_EQ(items.count("pgimage2") + items.count("pgimage3"), 0u);
    EXPECT_EQ(items["memo"], "3\r\na\r\nb\r\nc\r\n");

    const TStringList settings = Lines(items["settings"]);
    ASSERT_EQ(settings.Count(), 43);
    EXPECT_EQ(settings[2], "");  // no bitmap file name
    EXPECT_EQ(settings[10], "roundrect");
    EXPECT_EQ(settings[27], "color");
    EXPECT_EQ(settings[14], "clNavy");  // colours by name where they have one
    EXPECT_EQ(settings[12], "$00030201");
    EXPECT_EQ(settings[34], "clBtnFace");
    EXPECT_EQ(settings[24], "true");  // light from the bottom right: the radio button with tag 9
    EXPECT_EQ(settings[33], "true");  // radial gradient
    EXPECT_EQ(settings[38], "true");  // target rectangle
    const TStringList textblock = Lines(items["textblock"]);
    ASSERT_EQ(textblock.Count(), 18);
    EXPECT_EQ(textblock[0], "$003264C8");
    EXPECT_EQ(textblock[1], "DejaVu Sans");
    EXPECT_EQ(textblock[8], "true");   // vtop
    EXPECT_EQ(textblock[11], "true");  // alignR
}

TEST_F(ButtonFile, FontsAndOddCaptionsSurvive) {
    TButtonParameters p;
    p.Design.FontName = "No Such Font On This Machine";
    p.Design.Caption = "";
    TPixelGraphic button;
    MakeFlat(button, 10, 10, clBlack);
    WriteButtonFile(Path, p, button);
    TButtonParameters back = ReadButtonFile(Path, TButtonParameters());
    EXPECT_EQ(back.Design.FontName, "No Such Font On This Machine");
    EXPECT_EQ(back.Design.Caption, "");

    // A count beyond the lines present reads the lines present.
    auto items = Items(Path);
    items["memo"] = "5\r\nfirst\r\nsecond\r\n";
    WriteItems(Path, items);
    EXPECT_EQ(ReadButtonFile(Path, TButtonParameters()).Design.Caption, "first\nsecond");
    items["memo"] = "1\r\nonly\r\nignored\r\n";
    WriteItems(Path, items);
    EXPECT_EQ(ReadButtonFile(Path, TButtonParameters()).Design.Caption, "only");
}

// ---- older and unusual files ------------------------------------------------------

TEST_F(ButtonFile, OlderSettingsWithoutTheLateLinesKeepCurrentValues) {
    TButtonParameters p;
    p.Design = UnusualDesign();
    TPixelGraphic button;
    MakeFlat(button, 10, 10, clBlack);
    WriteButtonFile(Path, p, button);
    auto items = Items(Path);
    TStringList settings = Lines(items["settings"]);
    while (settings.Count() > 34) settings.Delete(settings.Count() - 1);
    items["settings"] = Text(settings);
    WriteItems(Path, items);

    TButtonParameters current;
    current.Design.CanvasColor = clLime;
    current.Design.TargetRect = TRect(1, 2, 3, 4);
    current.Design.DoubleBevel = false;
    current.Design.PlasmaStyle = 2;
    const TButtonParameters back = ReadButtonFile(Path, current);
    EXPECT_EQ(back.Design.InnerLuminance, -35);  // line 28 is there
    EXPECT_EQ(back.Design.CanvasColor, clLime);
    EXPECT_EQ(back.Design.TargetRect, TRect(1, 2, 3, 4));
    EXPECT_FALSE(back.Design.DoubleBevel);
    EXPECT_EQ(back.Design.PlasmaStyle, 2);
    // Line 3 ("Stretch to Fit") says false and the later placement lines are
    // missing: the placement falls back to "Original Size".
    EXPECT_EQ(back.Design.BitmapPlacement, bpOriginal);
}

TEST_F(ButtonFile, ValuesAreLimitedAndGuardedLinesForgiveDamage) {
    TButtonParameters p;
    TPixelGraphic button;
    MakeFlat(button, 10, 10, clBlack);
    WriteButtonFile(Path, p, button);
    auto items = Items(Path);
    TStringList settings = Lines(items["settings"]);
    settings.Put(0, "999");     // width beyond the slider
    settings.Put(15, "-4");     // bevel width below it
    settings.Put(26, "7");      // no such bevel style
    settings.Put(28, "bright"); // guarded: ignored
    settings.Put(35, "x");      // guarded with default 0
    settings.Put(41, "?");      // target right: default 1
    settings.Put(7, " $10");    // the runtime's conversion reads hexadecimal
    items["settings"] = Text(settings);
    WriteItems(Path, items);

    TButtonParameters current;
    current.Design.BevelStyle = bvsSmooth;
    current.Design.InnerLuminance = 12;
    current.Design.PlasmaStyle = 4;
    const TButtonDesign d = ReadButtonFile(Path, current).Design;
    EXPECT_EQ(d.Width, 200);
    EXPECT_EQ(d.BevelWidth, 1);
    EXPECT_EQ(d.BevelStyle, bvsSmooth);
    EXPECT_EQ(d.InnerLuminance, 12);
    EXPECT_EQ(d.PlasmaStyle, 0);
    EXPECT_EQ(d.TargetRect.Right, 1);
    EXPECT_EQ(d.PlasmaNoise, 16);
}

// ---- damaged files ---------------------------------------------------------------

TEST_F(ButtonFile, DamagedFilesRaiseAndChangeNothing) {
    TButtonRenderer source;
    TButtonFormState sourceForm;
    sourceForm.BitmapImage = Gradient(30, 30);
    TButtonDesign design = UnusualDesign();
    Show(source, design, sourceForm.BitmapImage);
    SaveButtonParameters(Path, source, sourceForm);
    const auto good = Items(Path);

    auto edited = [&](const std::string& key, int line, const std::string& value) {
        auto items = good;
        TStringList l = Lines(items[key]);
        if (value == "<cut>") {
            while (l.Count() > line) l.Delete(l.Count() - 1);
        } else {
            l.Put(line, value);
        }
        items[key] = Text(l);
        return items;
    };
    auto without = [&](const std::string& key) {
        auto items = good;
        items.erase(key);
        return items;
    };
    auto with = [&](const std::string& key, const std::string& bytes) {
        auto items = good;
        items[key] = bytes;
        return items;
    };
    const std::string png = good.at("pgimage2");
    struct TCase {
        const char* Name;
        std::map<std::string, std::string> Items;
        const char* Message;  // part of the error's message
    };
    const TCase cases[] = {
        {"no settings", without("settings"), "\"settings\" is missing"},
        {"short settings", edited("settings", 20, "<cut>"), "\"settings\" holds 20 lines"},
        {"junk width", edited("settings", 0, "wide"), "\"settings\" line 0: 'wide' is not a valid integer value"},
        {"junk colour", edited("settings", 12, "clNoSuchColour"), "\"settings\" line 12"},
        {"junk palette", edited("settings", 29, "1;2;x;"), "\"settings\" line 29: palette"},
        {"short textblock", edited("textblock", 17, "<cut>"), "\"textblock\" holds 17 lines"},
        {"junk font size", edited("textblock", 5, "12pt"), "\"textblock\" line 5"},
        {"junk bitmap", with("pgimage2", "not a picture at all"), ""},
        {"cut bitmap", with("pgimage2", png.substr(0, png.size() / 2)), "PNG"},
        {"empty plasma", with("pgimage3", ""), ""},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        const std::string bad = Dir + "/bad.glw";
        WriteItems(bad, c.Items);
        const std::string bytes = gwtest::ReadFile(bad);

        TButtonRenderer target;
        TButtonFormState form;
        form.BitmapFileName = "mine.bmp";
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
        EXPECT_EQ(form.BitmapFileName, "mine.bmp");
        EXPECT_EQ(form.BitmapImage, nullptr);
        EXPECT_EQ(gwtest::ReadFile(bad), bytes);
    }

    // Optional items may be missing: the rest loads.
    for (const char* key : {"pgimage1", "pgimage2", "textblock", "memo"}) {
        SCOPED_TRACE(key);
        WriteItems(Path, without(key));
        EXPECT_NO_THROW(ReadButtonFile(Path, TButtonParameters()));
    }
    gwtest::WriteFile(Path, std::string("QDB\0 this is no container", 25));
    EXPECT_THROW(ReadButtonFile(Path, TButtonParameters()), Exception);
    EXPECT_THROW(ReadButtonFile(Dir + "/none.glw", TButtonParameters()), EQDBNoFile);
}

// A picture whose writer fails, to break a save half-way.
class TUnwritable : public TPixelGraphic {
public:
    void SaveToStreamExt(TStream&, const std::string&) override { throw EWriteError("Stream write error"); }
};

TEST_F(ButtonFile, AFailedSaveLeavesTheOldFile) {
    TButtonParameters p;
    p.Design = UnusualDesign();
    p.Form.BitmapImage = Gradient(40, 20);
    TPixelGraphic button;
    MakeFlat(button, 120, 40, clRed);
    WriteButtonFile(Path, p, button);
    const std::string old = gwtest::ReadFile(Path);

    auto broken = std::make_shared<TUnwritable>();
    MakeFlat(*broken, 40, 20, clBlue);
    p.Form.BitmapImage = broken;  // fails after the thumbnail is stored
    EXPECT_THROW(WriteButtonFile(Path, p, button), EWriteError);
    EXPECT_EQ(gwtest::ReadFile(Path), old);
    EXPECT_EQ(gwtest::ListDir(Dir).size(), 1u) << "no work files stay behind";

    // A new name is not created by a failed save.
    EXPECT_THROW(WriteButtonFile(Dir + "/new.glw", p, button), EWriteError);
    EXPECT_FALSE(FileExists(Dir + "/new.glw"));
}

}  // namespace
