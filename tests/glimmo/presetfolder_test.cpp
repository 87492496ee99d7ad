// Preset folders: which files are listed and in what order, the grid and
// the thumbnail sizes, and thumbnails read without writing anything.
#include <gtest/gtest.h>

#include "artkit/PresetFolder.h"
#include "glimmo/PresetFixtures.h"
#include "image/PGraphic.h"

using namespace gwtest;

TEST(PresetGrid, FourToARow76Apart) {
    const TPoint expected[9] = {{0, 0}, {76, 0}, {152, 0}, {228, 0}, {0, 76}, {76, 76}, {152, 76}, {228, 76}, {0, 152}};
    for (int n = 1; n <= 9; ++n) EXPECT_EQ(PresetThumbnailPosition(n), expected[n - 1]) << n;
    EXPECT_EQ(PresetThumbnailPosition(13), TPoint(0, 228));
}

TEST(PresetGrid, ThumbnailSizes) {
    struct {
        int W, H, TW, TH;
    } cases[] =
        {
            {200, 50, 70, 17}, {25, 100, 17, 70},  {70, 70, 70, 70},  {200, 1, 70, 1},
            {1, 200, 1, 70},   {200, 200, 70, 70}, {100, 25, 70, 17}, {140, 141, 69, 70},
            {3, 2, 70, 46},    {200, 0, 70, 1},  // no height: no division by it, and still a pixel
        };
    for (const auto& c : cases) EXPECT_EQ(PresetThumbnailSize(c.W, c.H), TSize(c.TW, c.TH)) << c.W << " x " << c.H;
}

TEST(PresetFolder, ListsRegularFilesByNameWithAndWithoutSlash) {
    const std::string dir = MakeButtonPresetFolder("presets");
    const std::vector<std::string> names = {"a.glw.glw", "B.GLW",     "b1.glw",   "bad.glw",
                                            "c2.glw",    "empty.glw", "junk.glw", "nothumb.glw"};
    std::vector<std::string> expected;
    expected.reserve(names.size());
    for (const auto& n : names) expected.push_back(dir + "/" + n);
    EXPECT_EQ(ListPresetFiles(dir, ".glw"), expected);
    EXPECT_EQ(ListPresetFiles(dir + "/", ".glw"), expected);
    EXPECT_EQ(ListPresetFiles(dir + "//", ".GLW"), expected);
    EXPECT_EQ(ListPresetFiles(dir, ".txt"), std::vector<std::string>{dir + "/other.txt"});
    EXPECT_TRUE(ListPresetFiles(dir + "/missing", ".glw").empty());
}

TEST(PresetFolder, DisplayNameDropsFolderAndFinalExtension) {
    EXPECT_EQ(PresetDisplayName("/p/a.glw.glw"), "a.glw");
    EXPECT_EQ(PresetDisplayName("/p/B.GLW"), "B");
    EXPECT_EQ(PresetDisplayName("/p/x.glwy.glw"), "x.glwy");
    EXPECT_EQ(PresetDisplayName("/p.d/plain"), "plain");
}

TEST(PresetFolder, ThumbnailsOfGoodFilesOnly) {
    const std::string dir = MakeButtonPresetFolder("thumbs");
    struct {
        const char* Name;
        int W, H;
        uint32_t Colour;
    } good[] = {{"a.glw.glw", 70, 70, RGB(30, 30, 200)},
                {"B.GLW", 70, 1, RGB(200, 200, 30)},
                {"b1.glw", 17, 70, RGB(30, 200, 30)},
                {"c2.glw", 70, 17, RGB(200, 30, 30)}};
    for (const auto& g : good) {
        TPixelGraphic thumb;
        ASSERT_TRUE(ReadPresetThumbnail(dir + "/" + g.Name, "pgimage1", thumb)) << g.Name;
        EXPECT_EQ(thumb.GetWidth(), g.W) << g.Name;
        EXPECT_EQ(thumb.GetHeight(), g.H) << g.Name;
        EXPECT_EQ(thumb.GetBitCount(), 24);
        // A flat button stays flat through JPEG and the stretch.
        const uint32_t c = thumb.GetPixelColor(g.W / 2, g.H / 2);
        EXPECT_NEAR(GetRValue(c), GetRValue(g.Colour), 8) << g.Name;
        EXPECT_NEAR(GetGValue(c), GetGValue(g.Colour), 8) << g.Name;
        EXPECT_NEAR(GetBValue(c), GetBValue(g.Colour), 8) << g.Name;
    }
    for (const char* bad : {"bad.glw", "nothumb.glw", "empty.glw", "junk.glw", "d.glw", "missing.glw"}) {
        TPixelGraphic thumb;
        MakeFlat(thumb, 3, 3, 0x123456);
        EXPECT_FALSE(ReadPresetThumbnail(dir + "/" + bad, "pgimage1", thumb)) << bad;
        EXPECT_EQ(thumb.GetWidth(), 3) << bad;
        EXPECT_EQ(thumb.GetPixelColor(1, 1), 0x123456u) << bad;
    }
    TPixelGraphic thumb;
    EXPECT_FALSE(ReadPresetThumbnail(dir + "/c2.glw", "_result", thumb));
}

TEST(PresetFolder, BrowsingWritesNothing) {
    const std::string dir = MakeButtonPresetFolder("readonly");
    const auto before = Stamps(dir);
    for (const std::string& file : ListPresetFiles(dir, ".glw")) {
        TPixelGraphic thumb;
        ReadPresetThumbnail(file, "pgimage1", thumb);
    }
    EXPECT_EQ(Stamps(dir), before);
}
