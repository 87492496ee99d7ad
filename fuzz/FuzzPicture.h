#pragma once
// Shared body of the picture-reader fuzz targets: load the bytes through the
// registry as a file with the given extension and ask for its information;
// the library's exceptions are expected, anything else is a finding.
#include <cstddef>
#include <cstdint>
#include <string>

#include "image/PGFormats.h"

inline void FuzzPictureBytes(const uint8_t* data, size_t size, const std::string& extension) {
    static const bool initialised = (InitPixelGraphicLibrary(), true);
    (void)initialised;
    {
        TReadOnlyMemoryStream stream(data, static_cast<int64_t>(size));
        TPixelGraphic g;
        // Both ways of meeting a warning: going on and raising.
        g.SetReadWarningAction(size > 0 && (data[size - 1] & 1) ? pgwaIgnore : pgwaRaise);
        try {
            g.LoadFromStreamExt(stream, extension);
            // Touch a few pixels through the palette (indices past it, for one).
            for (int k = 0; k < 16 && g.GetHeight() > 0; ++k)
                g.GetPixelColor(g.GetWidth() - 1, static_cast<int>(int64_t(g.GetHeight() - 1) * k / 15));
        } catch (const Exception&) {
        }
    }
    TReadOnlyMemoryStream stream(data, static_cast<int64_t>(size));
    TPictureInfo info;
    GetPictureInfo(stream, extension, 0, info);
}

// The round-trip targets' check: the same size and colours (two empty
// pictures are the same).
inline bool SamePixels(const TPixelGraphic& a, const TPixelGraphic& b) {
    if (a.GetWidth() != b.GetWidth() || a.GetHeight() != b.GetHeight()) return false;
    if (a.GetEmpty() || b.GetEmpty()) return a.GetEmpty() == b.GetEmpty();
    for (int y = 0; y < a.GetHeight(); ++y)
        for (int x = 0; x < a.GetWidth(); ++x)
            if (a.GetPixelColor(x, y) != b.GetPixelColor(x, y)) return false;
    return true;
}
