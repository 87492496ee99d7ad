#include "artkit/IconSet.h"

#include <filesystem>

#include "image/PGraphic.h"

void WriteIcon(const std::string& root, const std::string& name, TPixelGraphic& picture) {
    const std::string size = std::to_string(picture.GetWidth());
    const std::filesystem::path folder = std::filesystem::path(root) / (size + "x" + size) / "apps";
    std::filesystem::create_directories(folder);
    picture.SaveToFile((folder / (name + ".png")).string());
}
