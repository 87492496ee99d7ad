// The presets that the build writes into the program folder, as the program
// loads them.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "mozaro/LayerModel.h"
#include "mozaro/Seams.h"
#include "platform/ProgramFolder.h"

namespace {

// The preset files of one of the browser's folders below the program folder.
std::vector<std::string> PresetFiles(const std::string& folder) {
    std::vector<std::string> files;
    const std::filesystem::path dir = std::filesystem::path(ProgramFolder()) / "mozaro" / folder;
    if (!std::filesystem::is_directory(dir)) return files;
    for (const auto& entry : std::filesystem::directory_iterator(dir))
        if (entry.path().extension() == ".mzo") files.push_back(entry.path().string());
    std::sort(files.begin(), files.end());
    return files;
}

}  // namespace

// Save Tile, the clipboard and the wallpaper take the cell on view, the
// top-left part of the result as large as the loaded cell size: a preset
// gives a tile that repeats only if that cell is the whole tile and the
// tile itself wraps.
TEST(ShippedPresets, EachGivesASeamlessWholeTileAsLoaded) {
    int count = 0;
    for (const char* folder : {"wood", "stone", "industrial", "ornamental", "misc"}) {
        const std::vector<std::string> files = PresetFiles(folder);
        EXPECT_FALSE(files.empty()) << "no presets in " << folder;
        for (const std::string& file : files) {
            SCOPED_TRACE(file);
            ++count;
            TLayerModel model;
            model.LoadParameterFile(file);
            EXPECT_EQ(model.CellWidth, kTileSize);
            EXPECT_EQ(model.CellHeight, kTileSize);
            TPixelGraphic cell;
            cell.SetSize(model.CellWidth, model.CellHeight, 3);
            cell.CopyRect(0, 0, model.Result, 0, 0, model.CellWidth, model.CellHeight);
            const mztest::TSeams s = mztest::MeasureSeams(mztest::ChannelsOf(cell));
            EXPECT_GT(s.InnerColumns, 0) << "a flat tile";
            EXPECT_LE(s.WrapColumns, s.InnerColumns);
            EXPECT_LE(s.WrapRows, s.InnerRows);
        }
    }
    EXPECT_EQ(count, 15);
}
