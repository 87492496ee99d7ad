#pragma once
// For the formats with a writer: a picture that loads from the fuzzed bytes
// is saved through the registry and loaded again, so that the writers meet
// every size, depth and palette a reader can produce.
#include <string>

#include "FuzzPicture.h"

inline void FuzzRoundTrip(const uint8_t* data, size_t size, const std::string& ext, int index = 0,
                          std::string (*saveExt)(const TPixelGraphic&) = nullptr) {
    TReadOnlyMemoryStream in(data, static_cast<int64_t>(size));
    TPixelGraphic g;
    g.SetReadWarningAction(pgwaIgnore);
    g.SetSaveColorResWarningAction(pgwaIgnore);
    try {
        g.LoadFromStreamIndex(in, ext, index);
        const std::string out = saveExt ? saveExt(g) : ext;
        TMemoryStream s;
        g.SaveToStreamExt(s, out);
        s.SetPosition(0);
        g.LoadFromStreamExt(s, out);
    } catch (const Exception&) {
    }
}
