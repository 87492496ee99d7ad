#pragma once
// Helpers of the picture-file tests: a test picture, ImageMagick's `convert`
// as the peer that makes fixtures and decodes files to PPM, comparisons.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "image/PGFormats.h"
#include "support/TestFiles.h"

namespace peer {

struct TRGB {
    int Width = 0, Height = 0;
    std::vector<uint8_t> Data;  // red, green, blue, rows top-down
};

class FormatTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { InitPixelGraphicLibrary(); }
};

// Runs `convert` on the source picture (or any file); fixtures come from it.
class PeerTest : public FormatTest {
protected:
    void SetUp() override {
        GW_NEED_TOOL("convert", "ImageMagick");
        Dir = gwtest::TempDir("peer");
    }
    // convert <input> <options> <output>; the output's format prefix
    // ("PNG8:") may lead the name.
    std::string Make(const std::string& input, const std::string& options, const std::string& output) {
        const size_t colon = output.find(':');
        std::string path = Dir + "/" + output.substr(colon + 1);
        const std::string prefix = colon == std::string::npos ? "" : output.substr(0, colon + 1);
        EXPECT_EQ(gwtest::Run("convert '" + input + "' " + options + " '" + prefix + path + "' 2>/dev/null"), 0)
            << options << " " << output;
        return path;
    }
    TRGB PeerDecode(const std::string& file, const std::string& options = "");
    std::string Dir;
};

// A colourful picture whose rows, columns and channels all differ.
inline TRGB Pattern(int w, int h) {
    TRGB im{w, h, std::vector<uint8_t>(size_t(3) * w * h)};
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t* p = &im.Data[3 * (size_t(y) * w + x)];
            p[0] = uint8_t(x * 255 / std::max(1, w - 1));
            p[1] = uint8_t(y * 255 / std::max(1, h - 1));
            p[2] = uint8_t((x * 7 + y * 13) & 0xFF);
        }
    return im;
}

inline std::string WritePPM(const std::string& path, const TRGB& im) {
    gwtest::WriteFile(path, "P6\n" + std::to_string(im.Width) + " " + std::to_string(im.Height) + "\n255\n" +
                                std::string(im.Data.begin(), im.Data.end()));
    return path;
}

inline TRGB PeerTest::PeerDecode(const std::string& file, const std::string& options) {
    const std::string out = file + ".ppm";
    EXPECT_EQ(gwtest::Run("convert '" + file + "' " + options + " -depth 8 'PPM:" + out + "' 2>/dev/null"), 0);
    std::istringstream in(gwtest::ReadFile(out));
    std::string magic;
    TRGB im;
    int max = 0;
    in >> magic >> im.Width >> im.Height >> max;
    in.get();
    im.Data.resize(size_t(3) * im.Width * im.Height);
    in.read(reinterpret_cast<char*>(im.Data.data()), std::streamsize(im.Data.size()));
    EXPECT_TRUE(magic == "P6" && max == 255 && in) << file;
    return im;
}

inline TRGB FromGraphic(const TPixelGraphic& g) {
    TRGB im{g.GetWidth(), g.GetHeight(), {}};
    for (int y = 0; y < g.GetHeight(); ++y)
        for (int x = 0; x < g.GetWidth(); ++x) {
            const uint32_t c = g.GetPixelColor(x, y);
            im.Data.insert(im.Data.end(), {GetRValue(c), GetGValue(c), GetBValue(c)});
        }
    return im;
}

inline void ToGraphic(const TRGB& im, TPixelGraphic& g) {
    g.SetSize(im.Width, im.Height, 3);
    for (int y = 0; y < im.Height; ++y)
        for (int x = 0; x < im.Width; ++x) {
            const uint8_t* p = &im.Data[3 * (size_t(y) * im.Width + x)];
            g.SetPixel(x, y, RGB(p[0], p[1], p[2]));
        }
}

// Largest channel difference (1000 for different sizes); with mean, the
// mean absolute difference instead.
inline double Difference(const TRGB& a, const TRGB& b, bool mean = false) {
    if (a.Width != b.Width || a.Height != b.Height || a.Data.empty()) return 1000;
    double worst = 0, sum = 0;
    for (size_t i = 0; i < a.Data.size(); ++i) {
        const int d = std::abs(int(a.Data[i]) - int(b.Data[i]));
        worst = std::max(worst, double(d));
        sum += d;
    }
    return mean ? sum / double(a.Data.size()) : worst;
}

inline TRGB LoadFile(const std::string& path, TPixelGraphic* into = nullptr) {
    TPixelGraphic own;
    TPixelGraphic& g = into ? *into : own;
    g.SetReadWarningAction(pgwaRaise);
    g.LoadFromFile(path);
    return FromGraphic(g);
}

inline void LoadBytes(TPixelGraphic& g, const std::string& bytes, const std::string& ext,
                      TPGWarningAction mode = pgwaRaise) {
    TMemoryStream s(std::vector<uint8_t>(bytes.begin(), bytes.end()));
    g.SetReadWarningAction(mode);
    g.LoadFromStreamExt(s, ext);
}

// The message of the exception a load raises, "" when it succeeds.
inline std::string LoadError(const std::string& bytes, const std::string& ext, TPGWarningAction mode = pgwaRaise) {
    TPixelGraphic g;
    try {
        LoadBytes(g, bytes, ext, mode);
    } catch (const Exception& e) {
        return e.Message();
    }
    return "";
}

inline std::string SaveBytes(TPixelGraphic& g, const std::string& ext) {
    TMemoryStream s;
    g.SaveToStreamExt(s, ext);
    return std::string(s.Data().begin(), s.Data().end());
}

// The palette pictures the writers take: 8-bit grey and 216 colours,
// 4-bit grey and 16 system colours, black and white; each becomes a copy of
// source in its own depth and palette.
struct TPaletteKinds {
    TPixelGraphic Grey8, Palette8, Grey4, Sys16, BW;
    explicit TPaletteKinds(const TPixelGraphic& source) {
        const struct {
            TPixelGraphic* Picture;
            int BitCountNum;
            TPaletteIdent Palette;
        } kinds[] = {{&Grey8, 2, pGray256},
                     {&Palette8, 2, pSpecial216},
                     {&Grey4, 1, pGray16},
                     {&Sys16, 1, pSys16},
                     {&BW, 0, pBlackWhite}};
        const int w = source.GetWidth(), h = source.GetHeight();
        for (const auto& k : kinds) {
            k.Picture->SetSize(w, h, k.BitCountNum);
            k.Picture->SetPaletteType(k.Palette);
            k.Picture->CopyRect(0, 0, source, 0, 0, w, h);
        }
    }
};

inline std::string PatternBytes(int w, int h, const std::string& ext) {
    TPixelGraphic g;
    ToGraphic(Pattern(w, h), g);
    return SaveBytes(g, ext);
}

}  // namespace peer
