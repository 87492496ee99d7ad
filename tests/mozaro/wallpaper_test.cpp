#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QUrl>

#include "image/PGFormats.h"
#include "image/PGraphic.h"
#include "mozaro/Wallpaper.h"
#include "platform/MessageBox.h"
#include "platform/Settings.h"
#include "support/TestFiles.h"

namespace {

struct TCall {
    std::string Path;
    bool Tiled;
};

// Records what SetWallpaper tells it; fails when asked to.
class TStandIn : public TWallpaperBackend {
public:
    TStandIn(std::vector<TCall>& calls, bool fail, bool modes) : FCalls(calls), FFail(fail), FModes(modes) {}
    std::string Name() const override { return "stand-in"; }
    bool HasModes() const override { return FModes; }
    void Apply(const std::string& path, bool tiled) override {
        FCalls.push_back({path, tiled});
        if (FFail) throw EWallpaperError("the stand-in refuses");
    }

private:
    std::vector<TCall>& FCalls;
    bool FFail, FModes;
};

// A 32 x 32 tile: red left half, blue right half, a green top-left pixel.
void MakeTile(TPixelGraphic& g) {
    g.SetSize(32, 32, 3);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) g.SetPixelColor(x, y, x < 16 ? clRed : clBlue);
    g.SetPixelColor(0, 0, clLime);
}

class WallpaperTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { InitPixelGraphicLibrary(); }
    void SetUp() override {
        Dir = gwtest::TempDir("wallpaper");
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, QString::fromStdString(Dir + "/config"));
        SetWallpaperFolder(Dir + "/pictures");
        OldBox = SetMessageBoxHandler([this](const TMessageBoxRequest& r) {
            Boxes.push_back(r);
            return Answer;
        });
        MakeTile(Tile);
    }
    void TearDown() override {
        SetWallpaperBackend(nullptr);
        SetWallpaperFolder("");
        SetWallpaperScreenSize(nullptr);
        SetMessageBoxHandler(OldBox);
    }
    void UseStandIn(bool fail = false, bool modes = true) {
        SetWallpaperBackend(std::make_unique<TStandIn>(Calls, fail, modes));
    }

    std::string Dir;
    TMessageBoxHandler OldBox;
    std::vector<TMessageBoxRequest> Boxes;
    int Answer = mrYes;
    std::vector<TCall> Calls;
    TPixelGraphic Tile;
};

// A fake runner: records each call, answers from a script.
struct TFakeTools {
    std::vector<std::pair<std::string, std::vector<std::string>>> Calls;
    std::function<TProgramResult(const std::string&, const std::vector<std::string>&)> Answer =
        [](const std::string&, const std::vector<std::string>&) {
            return TProgramResult{0, "", ""};
        };
    TProgramRunner Runner() {
        return [this](const std::string& program, const std::vector<std::string>& args) {
            Calls.emplace_back(program, args);
            return Answer(program, args);
        };
    }
};

}  // namespace

TEST(WallpaperName, CheckedAndGivenItsExtensionOnce) {
    EXPECT_EQ(WallpaperFileName("tile"), "tile.bmp");
    EXPECT_EQ(WallpaperFileName("tile.bmp"), "tile.bmp");
    EXPECT_EQ(WallpaperFileName("Tile.BMP"), "Tile.BMP");
    EXPECT_EQ(WallpaperFileName("my tile.jpg"), "my tile.jpg.bmp");
    EXPECT_EQ(WallpaperFileName(".hidden"), ".hidden.bmp");
    for (const char* bad :
         {"", " ", "   ", "\t ", "a/b", "../x", "..", "x..y", "a\\b", "tab\there", "line\nbreak", "\x7f"})
        EXPECT_THROW(WallpaperFileName(bad), EWallpaperError) << bad;
}

TEST_F(WallpaperTest, SavesRecordsAndTellsTheDesktopOnce) {
    UseStandIn();
    ASSERT_TRUE(SetWallpaper(Tile, "tile", true));
    const std::string path = Dir + "/pictures/tile.bmp";
    ASSERT_EQ(Calls.size(), 1u);
    EXPECT_EQ(Calls[0].Path, path);
    EXPECT_TRUE(Calls[0].Tiled);
    EXPECT_EQ(SettingsReadString("desktop", "Wallpaper"), path);
    EXPECT_EQ(SettingsReadString("desktop", "TileWallpaper"), "1");
    // The file is a BMP of the tile.
    EXPECT_EQ(gwtest::ReadFile(path).substr(0, 2), "BM");
    TPixelGraphic back;
    back.LoadFromFile(path);
    EXPECT_EQ(back.GetWidth(), 32);
    EXPECT_EQ(back.GetPixelColor(0, 0), clLime);
    EXPECT_EQ(back.GetPixelColor(20, 5), clBlue);
    EXPECT_TRUE(Boxes.empty());
    // No temporary file stays behind.
    EXPECT_EQ(gwtest::ListDir(Dir + "/pictures").size(), 1u);

    Calls.clear();
    ASSERT_TRUE(SetWallpaper(Tile, "centred.BMP", false));
    ASSERT_EQ(Calls.size(), 1u);
    EXPECT_EQ(Calls[0].Path, Dir + "/pictures/centred.BMP");
    EXPECT_FALSE(Calls[0].Tiled);
    EXPECT_EQ(SettingsReadString("desktop", "TileWallpaper"), "0");
}

TEST_F(WallpaperTest, RefusesBadNames) {
    UseStandIn();
    for (const char* bad : {"", "   ", "a/b", "../x"}) {
        try {
            SetWallpaper(Tile, bad, true);
            ADD_FAILURE() << "accepted \"" << bad << "\"";
        } catch (const EWallpaperError& e) {
            EXPECT_NE(std::string(e.what()), "") << bad;
        }
    }
    EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(Dir + "/pictures/   .bmp")));
    EXPECT_TRUE(Calls.empty());
    EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(Dir + "/x.bmp")));
    EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(Dir + "/pictures/a")));
    EXPECT_EQ(SettingsReadString("desktop", "Wallpaper", "none"), "none");
}

TEST_F(WallpaperTest, AFailingDesktopIsAWarningNamingThePath) {
    UseStandIn(true);
    const std::string path = Dir + "/pictures/tile.bmp";
    EXPECT_TRUE(SetWallpaper(Tile, "tile", true));  // saved, so done
    ASSERT_EQ(Boxes.size(), 1u);
    EXPECT_EQ(Boxes[0].Type, mtWarning);
    EXPECT_NE(Boxes[0].Text.find(path), std::string::npos) << Boxes[0].Text;
    EXPECT_NE(Boxes[0].Text.find("the stand-in refuses"), std::string::npos) << Boxes[0].Text;
    EXPECT_EQ(Calls.size(), 1u);
    EXPECT_TRUE(QFileInfo::exists(QString::fromStdString(path)));
    EXPECT_EQ(SettingsReadString("desktop", "Wallpaper"), path);
}

TEST_F(WallpaperTest, ReplacesAnExistingFileOnlyWhenConfirmed) {
    UseStandIn();
    const std::string path = Dir + "/pictures/tile.bmp";
    QDir().mkpath(QString::fromStdString(Dir + "/pictures"));
    gwtest::WriteFile(path, "old");
    Answer = mrNo;
    EXPECT_FALSE(SetWallpaper(Tile, "tile", true));
    ASSERT_EQ(Boxes.size(), 1u);
    EXPECT_EQ(Boxes[0].Type, mtConfirmation);
    EXPECT_EQ(Boxes[0].Buttons, mbYesNo);
    EXPECT_NE(Boxes[0].Text.find(path), std::string::npos);
    EXPECT_EQ(gwtest::ReadFile(path), "old");
    EXPECT_TRUE(Calls.empty());

    Answer = mrYes;
    EXPECT_TRUE(SetWallpaper(Tile, "tile", true));
    EXPECT_EQ(gwtest::ReadFile(path).substr(0, 2), "BM");
    EXPECT_EQ(Calls.size(), 1u);
}

TEST_F(WallpaperTest, ADesktopWithoutModesGetsTheWholeScreen) {
    UseStandIn(false, false);
    SetWallpaperScreenSize([] { return TSize(100, 60); });
    ASSERT_TRUE(SetWallpaper(Tile, "tiled", true));
    TPixelGraphic screen;
    screen.LoadFromFile(Calls.back().Path);
    EXPECT_EQ(screen.GetWidth(), 100);
    EXPECT_EQ(screen.GetHeight(), 60);
    EXPECT_EQ(screen.GetPixelColor(0, 0), clLime);
    EXPECT_EQ(screen.GetPixelColor(64, 32), clLime);  // the tile repeated
    EXPECT_EQ(screen.GetPixelColor(99, 59), clRed);   // 99 mod 32 = 3
    EXPECT_EQ(screen.GetPixelColor(90, 10), clBlue);  // 90 mod 32 = 26
    ASSERT_TRUE(SetWallpaper(Tile, "centred", false));
    screen.LoadFromFile(Calls.back().Path);
    // The tile at ((100 - 32) / 2, (60 - 32) / 2) = (34, 14) on black.
    EXPECT_EQ(screen.GetPixelColor(33, 14), clBlack);
    EXPECT_EQ(screen.GetPixelColor(34, 14), clLime);
    EXPECT_EQ(screen.GetPixelColor(34 + 20, 14 + 5), clBlue);
    EXPECT_EQ(screen.GetPixelColor(34 + 32, 14), clBlack);
    EXPECT_EQ(screen.GetPixelColor(34, 14 + 32), clBlack);
}

TEST(ScreenPicture, LargerTileThanScreenShowsItsMiddle) {
    TPixelGraphic tile, out;
    MakeTile(tile);
    ComposeScreenPicture(tile, false, 8, 4, out);
    EXPECT_EQ(out.GetWidth(), 8);
    // Columns 12..19 of the tile: 12..15 red, 16..19 blue.
    EXPECT_EQ(out.GetPixelColor(3, 0), clRed);
    EXPECT_EQ(out.GetPixelColor(4, 3), clBlue);
}

TEST(WallpaperDesktops, ChosenByTheCurrentDesktop) {
    EXPECT_EQ(WallpaperBackendFor("GNOME")->Name(), "GNOME");
    EXPECT_EQ(WallpaperBackendFor("ubuntu:GNOME")->Name(), "GNOME");
    EXPECT_EQ(WallpaperBackendFor("Unity")->Name(), "GNOME");
    EXPECT_EQ(WallpaperBackendFor("XFCE")->Name(), "XFCE");
    EXPECT_EQ(WallpaperBackendFor("KDE")->Name(), "KDE Plasma");
    EXPECT_EQ(WallpaperBackendFor("")->Name(), "wallpaper portal");
    EXPECT_EQ(WallpaperBackendFor("sway")->Name(), "wallpaper portal");
    EXPECT_TRUE(WallpaperBackendFor("KDE")->HasModes());
    EXPECT_FALSE(WallpaperBackendFor("")->HasModes());
}

TEST(WallpaperDesktops, GnomeSettings) {
    TFakeTools tools;
    auto gnome = MakeGnomeWallpaperBackend(tools.Runner());
    gnome->Apply("/home/u/my tile.bmp", true);
    const std::string uri = "file:///home/u/my%20tile.bmp";
    using Args = std::vector<std::string>;
    ASSERT_EQ(tools.Calls.size(), 3u);
    for (auto& c : tools.Calls) EXPECT_EQ(c.first, "gsettings");
    EXPECT_EQ(tools.Calls[0].second, Args({"set", "org.gnome.desktop.background", "picture-uri", uri}));
    EXPECT_EQ(tools.Calls[1].second, Args({"set", "org.gnome.desktop.background", "picture-uri-dark", uri}));
    EXPECT_EQ(tools.Calls[2].second, Args({"set", "org.gnome.desktop.background", "picture-options", "wallpaper"}));
    tools.Calls.clear();
    gnome->Apply("/p.bmp", false);
    EXPECT_EQ(tools.Calls[2].second.back(), "centered");

    // An older GNOME without the dark key still works; a failing tool is reported.
    tools.Answer = [](const std::string&, const std::vector<std::string>& a) {
        return a[2] == "picture-uri-dark" ? TProgramResult{1, "", "No such key"} : TProgramResult{0, "", ""};
    };
    EXPECT_NO_THROW(gnome->Apply("/p.bmp", true));
    tools.Answer = [](const std::string&, const std::vector<std::string>&) {
        return TProgramResult{-1, "", "gsettings could not be started"};
    };
    try {
        gnome->Apply("/p.bmp", true);
        FAIL();
    } catch (const EWallpaperError& e) {
        EXPECT_STREQ(e.what(), "gsettings could not be started");
    }
}

TEST(WallpaperDesktops, XfceEveryMonitor) {
    TFakeTools tools;
    tools.Answer = [](const std::string&, const std::vector<std::string>& a) {
        if (a.size() == 3 && a[2] == "-l")
            return TProgramResult{0,
                                  "/backdrop/screen0/monitorHDMI-1/workspace0/last-image\n"
                                  "/backdrop/screen0/monitorHDMI-1/workspace0/image-style\n"
                                  "/backdrop/screen0/monitorDP-2/workspace0/last-image\n"
                                  "/desktop-icons/style\n",
                                  ""};
        return TProgramResult{0, "", ""};
    };
    auto xfce = MakeXfceWallpaperBackend(tools.Runner());
    xfce->Apply("/w/t.bmp", true);
    using Args = std::vector<std::string>;
    ASSERT_EQ(tools.Calls.size(), 5u);
    EXPECT_EQ(tools.Calls[0].second, Args({"-c", "xfce4-desktop", "-l"}));
    const std::string m1 = "/backdrop/screen0/monitorHDMI-1/workspace0/";
    const std::string m2 = "/backdrop/screen0/monitorDP-2/workspace0/";
    EXPECT_EQ(tools.Calls[1].second,
              Args({"-c", "xfce4-desktop", "-p", m1 + "last-image", "-n", "-t", "string", "-s", "/w/t.bmp"}));
    EXPECT_EQ(tools.Calls[2].second,
              Args({"-c", "xfce4-desktop", "-p", m1 + "image-style", "-n", "-t", "int", "-s", "2"}));
    EXPECT_EQ(tools.Calls[3].second[3], m2 + "last-image");
    EXPECT_EQ(tools.Calls[4].second[3], m2 + "image-style");
    tools.Calls.clear();
    xfce->Apply("/w/t.bmp", false);
    EXPECT_EQ(tools.Calls[2].second.back(), "1");

    // Nothing to set is a failure, not a silent success.
    tools.Answer = [](const std::string&, const std::vector<std::string>&) { return TProgramResult{0, "", ""}; };
    EXPECT_THROW(xfce->Apply("/w/t.bmp", true), EWallpaperError);
}

TEST(WallpaperDesktops, PlasmaScriptAndPortal) {
    TFakeTools tools;
    MakePlasmaWallpaperBackend(tools.Runner())->Apply("/w/say \"hi\".bmp", true);
    ASSERT_EQ(tools.Calls.size(), 1u);
    EXPECT_EQ(tools.Calls[0].first, "gdbus");
    const auto& a = tools.Calls[0].second;
    ASSERT_EQ(a.size(), 9u);
    EXPECT_EQ(a[3], "org.kde.plasmashell");
    EXPECT_EQ(a[7], "org.kde.PlasmaShell.evaluateScript");
    const std::string& script = a[8];
    EXPECT_NE(script.find("d.writeConfig(\"FillMode\", 3)"), std::string::npos) << script;
    EXPECT_NE(script.find("\"file:///w/say%20%22hi%22.bmp\""), std::string::npos) << script;
    EXPECT_NE(script.find("org.kde.image"), std::string::npos);
    tools.Calls.clear();
    MakePlasmaWallpaperBackend(tools.Runner())->Apply("/w/t.bmp", false);
    EXPECT_NE(tools.Calls[0].second[8].find("\"FillMode\", 6"), std::string::npos);

    tools.Calls.clear();
    MakePortalWallpaperBackend(tools.Runner())->Apply("/w/t.bmp", true);
    ASSERT_EQ(tools.Calls.size(), 1u);
    using Args = std::vector<std::string>;
    EXPECT_EQ(tools.Calls[0].second,
              Args({"call", "--session", "--dest", "org.freedesktop.portal.Desktop", "--object-path",
                    "/org/freedesktop/portal/desktop", "--method", "org.freedesktop.portal.Wallpaper.SetWallpaperURI",
                    "", "file:///w/t.bmp", "{'show-preview': <false>, 'set-on': <'background'>}"}));
    tools.Answer = [](const std::string&, const std::vector<std::string>&) { return TProgramResult{1, "", ""}; };
    try {
        MakePortalWallpaperBackend(tools.Runner())->Apply("/w/t.bmp", true);
        FAIL();
    } catch (const EWallpaperError& e) {
        EXPECT_STREQ(e.what(), "gdbus ended with status 1");
    }
}

TEST(WallpaperTools, RunWithArgumentListsAndNoShell) {
    // The argument reaches the program as it is: no shell splits or expands it.
    TProgramResult r = RunProgram("echo", {"a b", "$HOME", "*;x"});
    EXPECT_EQ(r.ExitCode, 0);
    EXPECT_EQ(r.Output, "a b $HOME *;x\n");
    r = RunProgram("false", {});
    EXPECT_EQ(r.ExitCode, 1);
    r = RunProgram("/no/such/tool", {});
    EXPECT_EQ(r.ExitCode, -1);
    EXPECT_NE(r.Error.find("/no/such/tool"), std::string::npos);
}
