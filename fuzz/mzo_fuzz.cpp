// Loads a tile parameter file made of the input (see FuzzContainer.h).
// Damage must raise the framework's exceptions; a file that reads must
// save and read back to the same values, and load into a model.
#include <cstdint>
#include <cstdlib>
#include <map>
#include <string>

#include "FuzzContainer.h"
#include "FuzzPicture.h"
#include "mozaro/LayerModel.h"

namespace {

std::map<std::string, std::string> TextItems(const std::string& path) {
    TQDB db;
    db.Open(path, TQDB::omReadExisting);
    std::map<std::string, std::string> items;
    for (const char* key : {"_strings", "v2_strings", "v3_strings", "postproc"}) {
        TMemoryStream m;
        db.GetItemByKey(key, m);
        items[key] = std::string(m.Data().begin(), m.Data().end());
    }
    return items;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string path = FuzzContainerFile(data, size, "in.mzo");
    if (path.empty()) return 0;
    TTileParameters tile;
    try {
        tile = ReadTileFile(path);
    } catch (const Exception&) {
        return 0;
    }
    TPixelGraphic result;
    result.SetSize(4, 4, 3);
    const std::string first = FuzzFolder() + "/first.mzo", second = FuzzFolder() + "/second.mzo";
    WriteTileFile(first, tile, result);
    const TTileParameters again = ReadTileFile(first);
    WriteTileFile(second, again, result);
    if (TextItems(first) != TextItems(second) || again.Layers != tile.Layers) std::abort();
    for (int i = 0; i < kLayerCount; ++i) {
        const bool stored = tile.Layers[i].Algorithm == algImageFile && tile.Imports[i];
        if (stored != bool(again.Imports[i])) std::abort();
        if (stored && !SamePixels(*tile.Imports[i], *again.Imports[i])) std::abort();
    }

    // Rendering three layers is slow beside the reading, and the renderers
    // have fuzz targets of their own: one input in eight goes that far.
    if (data[size - 1] % 8 != 0) return 0;
    TLayerModel model;
    try {
        model.LoadParameterFile(path);
    } catch (const Exception&) {
        // The post-processing page may hold an expression that fails.
    }
    return 0;
}
