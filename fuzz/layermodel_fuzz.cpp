// Loading a tile parameter file into the model, with the input as its
// post-processing item: the matrix, the offsets and the three expressions
// are compiled and run on the tile. A file that fails leaves the model as
// it was; one that loads leaves a whole tile.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "FuzzContainer.h"
#include "mozaro/LayerModel.h"

namespace {

uint64_t Checksum(const TPixelGraphic& g) {
    uint64_t h = 1469598103934665603ull;
    const uint8_t* p = g.GetScanLine(0);
    for (int64_t i = 0; p && i < g.GetBitsSize(); ++i) h = (h ^ p[i]) * 1099511628211ull;
    return h;
}

// The layer items of a default tile, written once.
const std::vector<std::pair<std::string, std::string>>& LayerItems() {
    static const auto items = [] {
        const std::string path = FuzzFolder() + "/template.mzo";
        TTileParameters tile;
        TPixelGraphic result;
        result.SetSize(2, 2, 3);
        WriteTileFile(path, tile, result);
        TQDB db;
        db.Open(path, TQDB::omReadExisting);
        std::vector<std::pair<std::string, std::string>> out;
        for (const char* key : {"_strings", "v2_strings", "v3_strings"}) {
            TMemoryStream m;
            db.GetItemByKey(key, m);
            out.emplace_back(key, std::string(m.Data().begin(), m.Data().end()));
        }
        return out;
    }();
    return items;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static TLayerModel model;
    const std::string path = FuzzFolder() + "/in.mzo";
    {
        TQDB db;
        db.Open(path, TQDB::omCreateNew);
        for (const auto& [key, text] : LayerItems()) {
            TMemoryStream m(std::vector<uint8_t>(text.begin(), text.end()));
            db.AddItem(key, m);
        }
        TMemoryStream postproc(std::vector<uint8_t>(data, data + size));
        db.AddItem("postproc", postproc);
        db.Close();
    }
    const uint64_t before = Checksum(model.Result);
    try {
        model.LoadParameterFile(path);
    } catch (const Exception&) {
        if (Checksum(model.Result) != before) std::abort();
        return 0;
    }
    if (model.Result.GetWidth() != kTileSize || model.Result.GetHeight() != kTileSize) std::abort();
    return 0;
}
