#pragma once
// Helpers of the tests of the library's own codecs (PCX, any-maps, Targa,
// TIFF): running netpbm and libtiff tools, little-endian fields for forged
// files, and the check that damaged files fail with the format's message.
#include "PeerImages.h"

namespace faults {

inline void Put16(std::string& s, size_t at, uint32_t v) {
    s[at] = char(v & 0xFF);
    s[at + 1] = char((v >> 8) & 0xFF);
}
inline void Put32(std::string& s, size_t at, uint32_t v) {
    Put16(s, at, v);
    Put16(s, at + 2, v >> 16);
}

// Runs a shell command in dir; fails the test when it fails.
inline void Shell(const std::string& dir, const std::string& command) {
    EXPECT_EQ(gwtest::Run("cd '" + dir + "' && " + command + " 2>/dev/null"), 0) << command;
}

// Every shortened copy of a valid file either loads or fails with a message
// of the format (its prefix), never with anything else; a copy too short
// for the signature is no such file at all.
inline void ExpectCutsFailCleanly(const std::string& bytes, const std::string& ext, const std::string& prefix) {
    const size_t step = std::max<size_t>(1, bytes.size() / 97);
    for (size_t n = 0; n < bytes.size(); n += step) {
        const std::string message = peer::LoadError(bytes.substr(0, n), ext);
        if (!message.empty() && message != "Unknown file format") {
            EXPECT_EQ(message.rfind(prefix, 0), 0u) << ext << " cut at " << n << ": " << message;
        }
    }
}

// The message of a reader's Read on bytes, taking the reader the registry
// gives for a valid file of the format; "" when it succeeds.
inline std::string ReaderError(const std::string& valid, const std::string& bytes, const std::string& ext) {
    TMemoryStream good(std::vector<uint8_t>(valid.begin(), valid.end()));
    TFileFormatReader* reader = FindFileFormatReader(good, ext);
    if (!reader) return "no reader";
    TMemoryStream s(std::vector<uint8_t>(bytes.begin(), bytes.end()));
    TPixelGraphic g;
    try {
        reader->Read(s, g, 0);
    } catch (const Exception& e) {
        return e.Message();
    }
    return "";
}

}  // namespace faults
