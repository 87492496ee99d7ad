// Filters that fill whole rows (emboss, twist, cards, convolution) give
// exactly the colours their per-pixel answers give, on square and oblong,
// tiny and 24-bit or palette sources; and the whole tile, with every layer
// step and post-processing pass, keeps its pinned checksum.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "WholeTile.h"
#include "artkit/EmbossFilter.h"
#include "engine_support.h"
#include "image/PGConvFilter.h"
#include "image/PGFormats.h"
#include "image/PGraphic.h"
#include "mozaro/Blend.h"
#include "mozaro/Layer.h"
#include "mozaro/PostProcess.h"
#include "platform/Random.h"

using mztest::Checksum;

namespace {

std::unique_ptr<TPixelGraphic> Noise(int w, int h, int bitCountNum) {
    auto rgb = mztest::Picture(w, h, [](int x, int y) {
        const uint32_t v = uint32_t(x * 2654435761u) ^ uint32_t(y * 40503u) ^ uint32_t(x * y);
        return ((v >> 3) & 0xFFFFFF) ^ uint32_t((x & 16) ? 0x202020 : 0);
    });
    if (bitCountNum == 3) return rgb;
    auto g = std::make_unique<TPixelGraphic>();
    g->SetSize(w, h, bitCountNum);
    g->SetPaletteType(pSpecial216);
    g->CopyRect(0, 0, *rgb, 0, 0, w, h);
    return g;
}

// Per pixel through CalcDestPixel, as a reference.
std::unique_ptr<TPixelGraphic> PixelByPixel(TPGFilter& f, TPixelGraphic& source) {
    auto g = std::make_unique<TPixelGraphic>();
    g->SetSize(source.GetWidth(), source.GetHeight(), 3);
    f.BeginProcess(&source);
    for (int y = 0; y < source.GetHeight(); ++y)
        for (int x = 0; x < source.GetWidth(); ++x) g->SetPixelColor(x, y, f.CalcDestPixel(x, y));
    f.EndProcess();
    return g;
}

void ExpectRowsMatchPixels(const std::function<std::unique_ptr<TPGFilter>()>& make, const std::string& what) {
    for (const auto& size : {std::make_pair(256, 256), std::make_pair(301, 200), std::make_pair(7, 5),
                             std::make_pair(1, 1), std::make_pair(2, 9)})
        for (int depth : {3, 2}) {
            auto source = Noise(size.first, size.second, depth);
            TPixelGraphic rows;
            rows.SetSize(1, 1, 3);
            auto f = make();
            rows.ApplyFilter(*f, *source);
            auto g = make();
            auto pixels = PixelByPixel(*g, *source);
            EXPECT_EQ(Checksum(rows), Checksum(*pixels))
                << what << " " << size.first << " x " << size.second << " depth " << depth;
            // Again: the second run fills the table kept from the first,
            // the third reads it.
            for (int run = 2; run <= 3; ++run) {
                auto again = make();
                rows.ApplyFilter(*again, *source);
                EXPECT_EQ(Checksum(rows), Checksum(*pixels)) << what << " run " << run;
            }
        }
}

TEST(FilterRows, EmbossTwistCardsAndConvolutionMatchTheirPixels) {
    for (auto db : {std::make_pair(1, 127), std::make_pair(3, -5), std::make_pair(0, 40), std::make_pair(-2, 300)})
        ExpectRowsMatchPixels([db] { return std::make_unique<TEmbossFilter>(db.first, db.second); }, "emboss");
    for (int strength : {180, -70, 13, 0})
        ExpectRowsMatchPixels([strength] { return std::make_unique<TOilFilter>(strength); }, "twist");
    static TRandomGenerator rng;
    for (uint32_t seed : {1u, 99u}) {
        // The same seed for the filter and its reference: the cards draw their shifts.
        auto make = [seed] {
            rng.SetSeed(seed);
            auto f = std::make_unique<TCardsFilter>(RGB(250, 10, 20), RGB(5, 6, 7));
            f->Generator = &rng;
            return f;
        };
        ExpectRowsMatchPixels(make, "cards");
    }
    auto conv = [](int kind) {
        auto f = std::make_unique<TConvFilter>();
        if (kind == 0) {
            const int k[3][3] = {{0, -1, 0}, {-1, 5, -1}, {0, -1, 0}};
            f->SetWidth(3);
            f->SetHeight(3);
            for (int r = 0; r < 3; ++r)
                for (int c = 0; c < 3; ++c) f->SetCoefficient(c, r, k[r][c]);
            f->SetXOffset(-1);
            f->SetYOffset(-1);
        } else if (kind == 1) {
            f->SetDistributionKernel(dsGaussian, true, 1.2L);
            f->SetBias(3);
        } else {
            f->SetWidth(2);
            f->SetHeight(3);
            f->SetCoefficient(0, 0, 30000);
            f->SetCoefficient(1, 2, -7);
            f->SetXOffset(0);
            f->SetYOffset(-2);
            f->SetFactor(2);
        }
        return f;
    };
    for (int kind = 0; kind < 3; ++kind) ExpectRowsMatchPixels([&] { return conv(kind); }, "convolution");
}

// Three layers with twist, cards and emboss, composed, then all three
// passes with one text for the three channels.
TEST(FilterRows, WholeTileKeepsItsChecksum) {
    const TColourTable& palette = mztest::TestPalette();
    THeightMapCache maps;
    TExpressionCache expressions;
    TPixelGraphic layers[3], result;
    auto import = Noise(256, 256, 3);
    RenderWholeTile(palette, maps, import.get(), layers, result, expressions);
    EXPECT_EQ(Checksum(result), 1914476016u);
    // Equal texts in parsers of their own give the same picture.
    TParser red, green, blue;
    for (TParser* p : {&red, &green, &blue}) p->SetExpression("SIN(X/16)*r/2+g/2+Y");
    TPixelGraphic one, three;
    one.Assign(&layers[0]);
    three.Assign(&layers[0]);
    RgbExpressionPass(one, red, red, red, false);
    RgbExpressionPass(three, red, green, blue, false);
    EXPECT_EQ(Checksum(one), Checksum(three));
    EXPECT_EQ(Checksum(one), 1025650027u);
}

}  // namespace
