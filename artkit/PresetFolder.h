#pragma once
// Preset folders: the parameter files a folder holds and the thumbnail each
// one carries as a keyed item (".glw" files keep it under "pgimage1", tile
// files ".mzo" under "_result"). Browsing only reads: files are opened
// read-only and nothing is written, so installed folders may be read-only.
#include <string>
#include <vector>

#include "platform/Geometry.h"

class TPixelGraphic;

// The longer side of a thumbnail picture, and the grid pitch of the browser.
constexpr int kThumbnailSide = 70;
constexpr int kThumbnailPitch = 76;
constexpr int kThumbnailsPerRow = 4;

// Regular files of folder (with or without a trailing "/") whose names end
// in extension without regard to case, as folder + "/" + name, ordered by
// name without regard to case. A folder that cannot be read lists nothing.
std::vector<std::string> ListPresetFiles(const std::string& folder, const std::string& extension);

// The file name without its folder and its final extension ("a.glw.glw"
// gives "a.glw", "B.GLW" gives "B").
std::string PresetDisplayName(const std::string& path);

// Size of the thumbnail of a width x height picture: the longer side 70
// (wider than high: 70 x (h x 70 div w), else (w x 70 div h) x 70), each
// side at least 1.
TSize PresetThumbnailSize(int width, int height);
// Top-left of thumbnail n (1, 2, ...) in the browser: four a row, 76 apart.
TPoint PresetThumbnailPosition(int n);

// Reads the picture under key from the container at path and stretches it
// into thumbnail (24 bits, PresetThumbnailSize). False, with thumbnail left
// as it was, when the file cannot be read, is no container, lacks the item,
// or holds no readable, non-empty picture there.
bool ReadPresetThumbnail(const std::string& path, const std::string& key, TPixelGraphic& thumbnail);
