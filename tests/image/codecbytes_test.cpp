// The bytes the PNM and TIFF writers produce and the pixels their readers
// give back, pinned for pictures with flat runs of every length, noise and
// odd widths, so that reworked row conversions and run encoders stay
// exactly what they were.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "PeerImages.h"
#include "image/PGFormats.h"
#include "image/PGraphic.h"

using namespace peer;

namespace {

uint32_t Fnv(const std::string& bytes) {
    uint32_t h = 2166136261u;
    for (unsigned char c : bytes) h = (h ^ c) * 16777619u;
    return h;
}

uint32_t PixelSum(const TPixelGraphic& g) {
    const TRGB im = FromGraphic(g);
    return Fnv(std::to_string(im.Width) + "x" + std::to_string(im.Height) +
               std::string(im.Data.begin(), im.Data.end()));
}

// Runs of 1 to 300 equal pixels between stretches of noise.
void Runs(TPixelGraphic& g, int w, int h) {
    g.SetSize(w, h, 3);
    uint32_t seed = 7;
    for (int y = 0; y < h; ++y) {
        int x = 0, len = 1 + y * 7 % 300;
        while (x < w) {
            seed = seed * 1103515245u + 12345u;
            const uint32_t c = (seed >> 8) & 0xFFFFFF;
            for (int k = 0; k < len && x < w; ++k, ++x) g.SetPixel(x, y, c);
            for (int k = 0; k < 5 && x < w; ++k, ++x) {
                seed = seed * 1103515245u + 12345u;
                g.SetPixel(x, y, (seed >> 4) & 0xFFFFFF);
            }
            len = len * 3 % 301 + 1;
        }
    }
}

// Grey bytes in runs of 1, 2, 3 and 129, which the run encoder treats
// differently (pairs between single bytes stay literal).
void Pairs(TPixelGraphic& g, int w, int h) {
    g.SetSize(w, h, 2);
    g.SetPaletteType(pGray256);
    static const int kLengths[8] = {1, 2, 2, 3, 1, 2, 129, 2};
    uint32_t seed = 3;
    for (int y = 0; y < h; ++y) {
        uint8_t* row = g.GetScanLine(y);
        for (int x = 0; x < w;) {
            seed = seed * 1103515245u + 12345u;
            const int len = kLengths[(seed >> 16) & 7];
            const uint8_t v = uint8_t(seed >> 24);
            for (int k = 0; k < len && x < w; ++k) row[x++] = v;
        }
    }
}

const char* const kPinned =
    "rgb-plain.ppm 3353959452 232825924\n"
    "rgb-raw.ppm 1504170538 232825924\n"
    "rgb-0.tif 3039440613 232825924\n"
    "rgb-1.tif 1406506865 232825924\n"
    "rgb-2.tif 2221954601 232825924\n"
    "rgb-3.tif 3244954255 232825924\n"
    "rgb-4.tif 3039440613 232825924\n"
    "rgb-5.tif 1406506865 232825924\n"
    "runs-plain.ppm 406758170 1111592852\n"
    "runs-raw.ppm 2299072152 1111592852\n"
    "runs-0.tif 3400586092 1111592852\n"
    "runs-1.tif 362884253 1111592852\n"
    "runs-2.tif 1706844484 1111592852\n"
    "runs-3.tif 1545813287 1111592852\n"
    "runs-4.tif 3400586092 1111592852\n"
    "runs-5.tif 362884253 1111592852\n"
    "pairs-plain.pgm 4050000360 4205396981\n"
    "pairs-raw.pgm 2758603592 4205396981\n"
    "pairs-0.tif 3930681648 4205396981\n"
    "pairs-1.tif 3555872998 4205396981\n"
    "pairs-2.tif 1470902282 4205396981\n"
    "pairs-3.tif 4010576594 4205396981\n"
    "pairs-4.tif 1456016483 4205396981\n"
    "pairs-5.tif 1370543439 4205396981\n"
    "greyRGB-plain.ppm 2098551597 4205396981\n"
    "greyRGB-raw.ppm 1392984189 4205396981\n"
    "greyRGB-0.tif 2709100201 4205396981\n"
    "greyRGB-1.tif 951826760 4205396981\n"
    "greyRGB-2.tif 3641204037 4205396981\n"
    "greyRGB-3.tif 902225814 4205396981\n"
    "greyRGB-4.tif 2709100201 4205396981\n"
    "greyRGB-5.tif 951826760 4205396981\n"
    "grey8-plain.pgm 1419521787 1295006798\n"
    "grey8-raw.pgm 1270639001 1295006798\n"
    "grey8-0.tif 3316306571 1295006798\n"
    "grey8-1.tif 404631709 1295006798\n"
    "grey8-2.tif 43468721 1295006798\n"
    "grey8-3.tif 1071483127 1295006798\n"
    "grey8-4.tif 3934896182 1295006798\n"
    "grey8-5.tif 1699064741 1295006798\n"
    "palette8-0.tif 1143139821 3627951832\n"
    "palette8-1.tif 3340948020 3627951832\n"
    "palette8-2.tif 953869399 3627951832\n"
    "palette8-3.tif 2838079056 3627951832\n"
    "palette8-4.tif 1143139821 3627951832\n"
    "palette8-5.tif 3340948020 3627951832\n"
    "grey4-0.tif 3729572070 529583026\n"
    "grey4-1.tif 4138562061 529583026\n"
    "grey4-2.tif 664579564 529583026\n"
    "grey4-3.tif 1571833597 529583026\n"
    "grey4-4.tif 1443829999 529583026\n"
    "grey4-5.tif 891967714 529583026\n"
    "sys16-0.tif 1241035371 3826136738\n"
    "sys16-1.tif 1167967689 3826136738\n"
    "sys16-2.tif 584501453 3826136738\n"
    "sys16-3.tif 3837540139 3826136738\n"
    "sys16-4.tif 1241035371 3826136738\n"
    "sys16-5.tif 1167967689 3826136738\n"
    "bw-plain.pbm 632845821 22727488\n"
    "bw-raw.pbm 38458595 22727488\n"
    "bw-0.tif 3423746911 22727488\n"
    "bw-1.tif 1389134185 22727488\n"
    "bw-2.tif 2193920191 22727488\n"
    "bw-3.tif 3227454957 22727488\n"
    "bw-4.tif 2915237074 22727488\n"
    "bw-5.tif 3592871868 22727488\n";

class CodecBytes : public FormatTest {
protected:
    void TearDown() override {
        TiffCompression = 1;
        TiffWhiteIsZero = TiffBigEndian = false;
        PxMWriteBinary = false;
    }
    // Writes, pins the bytes, reads back and pins the pixels.
    void Add(TPixelGraphic& g, const std::string& ext, const std::string& name) {
        const std::string bytes = SaveBytes(g, ext);
        TPixelGraphic back;
        LoadBytes(back, bytes, ext);
        Table += name + "." + ext + " " + std::to_string(Fnv(bytes)) + " " + std::to_string(PixelSum(back)) + "\n";
    }
    std::string Table;
};

TEST_F(CodecBytes, WrittenBytesAndPixelsReadBackArePinned) {
    TPixelGraphic rgb, runs, pairs, greyRGB;
    ToGraphic(Pattern(37, 23), rgb);
    Runs(runs, 301, 40);
    Pairs(pairs, 333, 30);
    greyRGB.SetSize(333, 30, 3);
    greyRGB.CopyRect(0, 0, pairs, 0, 0, 333, 30);
    TPaletteKinds kinds(runs);
    TPixelGraphic &grey8 = kinds.Grey8, &palette8 = kinds.Palette8, &grey4 = kinds.Grey4, &sys16 = kinds.Sys16,
                  &bw = kinds.BW;
    const struct {
        TPixelGraphic* Picture;
        const char* Name;
    } kPictures[] = {{&rgb, "rgb"},         {&runs, "runs"},   {&pairs, "pairs"},
                     {&greyRGB, "greyRGB"}, {&grey8, "grey8"}, {&palette8, "palette8"},
                     {&grey4, "grey4"},     {&sys16, "sys16"}, {&bw, "bw"}};
    for (const auto& p : kPictures) {
        for (int binary = 0; binary < 2; ++binary) {
            PxMWriteBinary = binary;
            const char* ext = p.Picture == &grey8 || p.Picture == &pairs ? "pgm" : p.Picture == &bw ? "pbm" : "ppm";
            if (p.Picture->GetBitCount() == 24 || ext[1] != 'p')
                Add(*p.Picture, ext, p.Name + std::string(binary ? "-raw" : "-plain"));
        }
        for (int variant = 0; variant < 6; ++variant) {
            TiffCompression = variant & 1 ? 32773 : 1;
            TiffBigEndian = variant & 2;
            TiffWhiteIsZero = variant & 4;
            Add(*p.Picture, "tif", p.Name + std::string("-") + std::to_string(variant));
        }
        TearDown();
    }
    EXPECT_EQ(Table, kPinned);
}

}  // namespace
