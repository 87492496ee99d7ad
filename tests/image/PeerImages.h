#pragma once
// Helpers of the picture-file tests: deterministic test pictures, PPM files
// for talking to ImageMagick's `convert`, and pixel comparison.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "image/PGFormats.h"
#include "platform/Streams.h"
#include "support/TestFiles.h"

namespace peer {

struct TRGBImage {
    int Width = 0;
    int Height = 0;
    std::vector<uint8_t> RGB;  // rows top-down, red, green, blue

    uint8_t* At(int x, int y) { return &RGB[3 * (size_t(y) * Width + x)]; }
    const uint8_t* At(int x, int y) const { return &RGB[3 * (size_t(y) * Width + x)]; }
};

// Initialises the library once for every test of a file.
class FormatTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { InitPixelGraphicLibrary(); }
};

inline bool HaveConvert() { return gwtest::HaveTool("convert"); }

#define REQUIRE_CONVERT() \
    if (!peer::HaveConvert()) GTEST_SKIP() << "ImageMagick convert is not installed"

inline int Convert(const std::string& args) { return gwtest::Run("convert " + args + " 2>/dev/null"); }

// A colourful picture whose every row and column differs, so that flipped,
// shifted or swapped channels show.
inline TRGBImage TestPattern(int width, int height) {
    TRGBImage im{width, height, std::vector<uint8_t>(size_t(3) * width * height)};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            uint8_t* p = im.At(x, y);
            p[0] = static_cast<uint8_t>(x * 255 / std::max(1, width - 1));
            p[1] = static_cast<uint8_t>(y * 255 / std::max(1, height - 1));
            p[2] = static_cast<uint8_t>((x * 7 + y * 13) & 0xFF);
        }
    return im;
}

inline void WritePPM(const std::string& path, const TRGBImage& im) {
    std::string bytes = "P6\n" + std::to_string(im.Width) + " " + std::to_string(im.Height) + "\n255\n";
    bytes.append(reinterpret_cast<const char*>(im.RGB.data()), im.RGB.size());
    gwtest::WriteFile(path, bytes);
}

// Reads a binary PPM or PGM of maximum 255 as written by `convert`.
inline TRGBImage ReadPPM(const std::string& path) {
    const std::string data = gwtest::ReadFile(path);
    std::istringstream in(data);
    std::string magic;
    int w = 0, h = 0, max = 0;
    in >> magic >> w >> h >> max;
    in.get();
    TRGBImage im{w, h, std::vector<uint8_t>(size_t(3) * w * h)};
    const size_t start = static_cast<size_t>(in.tellg());
    const bool grey = magic == "P5";
    if ((magic != "P6" && !grey) || max != 255 || data.size() < start + size_t(w) * h * (grey ? 1 : 3)) {
        ADD_FAILURE() << path << " is no 8-bit PPM/PGM";
        return TRGBImage();
    }
    for (size_t i = 0; i < size_t(w) * h; ++i)
        for (int c = 0; c < 3; ++c) im.RGB[3 * i + c] = static_cast<uint8_t>(data[start + (grey ? i : 3 * i + c)]);
    return im;
}

// What `convert` decodes a file to (extra options go before the output).
inline TRGBImage PeerDecode(const std::string& file, const std::string& options = "") {
    const std::string out = file + ".peer.ppm";
    EXPECT_EQ(Convert("'" + file + "' " + options + " -depth 8 'PPM:" + out + "'"), 0) << file;
    return ReadPPM(out);
}

inline TRGBImage FromGraphic(const TPixelGraphic& g) {
    TRGBImage im{g.GetWidth(), g.GetHeight(), std::vector<uint8_t>(size_t(3) * g.GetWidth() * g.GetHeight())};
    for (int y = 0; y < g.GetHeight(); ++y)
        for (int x = 0; x < g.GetWidth(); ++x) {
            const uint32_t c = g.GetPixelColor(x, y);
            uint8_t* p = im.At(x, y);
            p[0] = GetRValue(c);
            p[1] = GetGValue(c);
            p[2] = GetBValue(c);
        }
    return im;
}

// A 24-bit picture holding the image.
inline void ToGraphic(const TRGBImage& im, TPixelGraphic& g) {
    g.SetSize(im.Width, im.Height, 3);
    for (int y = 0; y < im.Height; ++y)
        for (int x = 0; x < im.Width; ++x) {
            const uint8_t* p = im.At(x, y);
            g.SetPixel(x, y, RGB(p[0], p[1], p[2]));
        }
}

// Largest difference of any channel; 1000 when the sizes differ.
inline int MaxDifference(const TRGBImage& a, const TRGBImage& b) {
    if (a.Width != b.Width || a.Height != b.Height || a.RGB.size() != b.RGB.size()) return 1000;
    int worst = 0;
    for (size_t i = 0; i < a.RGB.size(); ++i) worst = std::max(worst, std::abs(int(a.RGB[i]) - int(b.RGB[i])));
    return worst;
}

// Mean absolute difference per channel (JPEG comparisons).
inline double MeanDifference(const TRGBImage& a, const TRGBImage& b) {
    if (a.RGB.size() != b.RGB.size() || a.RGB.empty()) return 1000;
    double sum = 0;
    for (size_t i = 0; i < a.RGB.size(); ++i) sum += std::abs(int(a.RGB[i]) - int(b.RGB[i]));
    return sum / double(a.RGB.size());
}

inline void LoadFile(TPixelGraphic& g, const std::string& path) {
    g.SetReadWarningAction(pgwaRaise);
    g.LoadFromFile(path);
}

inline std::vector<uint8_t> Bytes(const std::string& s) { return std::vector<uint8_t>(s.begin(), s.end()); }

// Loads a picture from bytes with an extension.
inline void LoadBytes(TPixelGraphic& g, const std::string& bytes, const std::string& ext,
                      TPGWarningAction mode = pgwaRaise) {
    TMemoryStream s(Bytes(bytes));
    g.SetReadWarningAction(mode);
    g.LoadFromStreamExt(s, ext);
}

inline std::string SaveBytes(TPixelGraphic& g, const std::string& ext) {
    TMemoryStream s;
    g.SaveToStreamExt(s, ext);
    return std::string(s.Data().begin(), s.Data().end());
}

}  // namespace peer
