#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "image/PGConvFilter.h"
#include "image/PGraphic.h"
#include "platform/MathUtil.h"

namespace {

using Matrix = std::vector<std::vector<int>>;

Matrix KernelOf(const TConvFilter& f) {
    Matrix m(f.GetHeight(), std::vector<int>(f.GetWidth()));
    for (int r = 0; r < f.GetHeight(); ++r)
        for (int c = 0; c < f.GetWidth(); ++c) m[r][c] = f.GetCoefficient(c, r);
    return m;
}

void SetKernel(TConvFilter& f, const Matrix& m, int xOffset, int yOffset) {
    f.SetWidth(int(m[0].size()));
    f.SetHeight(int(m.size()));
    for (size_t r = 0; r < m.size(); ++r)
        for (size_t c = 0; c < m[r].size(); ++c) f.SetCoefficient(int(c), int(r), m[r][c]);
    f.SetXOffset(xOffset);
    f.SetYOffset(yOffset);
}

// Runs a filter over every pixel the way ApplyFilter drives it.
std::vector<uint32_t> RunFilter(TPGFilter& f, TPixelGraphic& src) {
    std::vector<uint32_t> out;
    f.BeginProcess(&src);
    for (int y = 0; y < src.GetHeight(); ++y)
        for (int x = 0; x < src.GetWidth(); ++x) out.push_back(f.CalcDestPixel(x, y));
    f.EndProcess();
    return out;
}

void FillRandom(TPixelGraphic& g, int w, int h, unsigned seed) {
    std::mt19937 rng(seed);
    g.SetSize(w, h, 3);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) g.SetPixelColor(x, y, rng() & 0xFFFFFF);
}

// Straight from the definition: every in-picture cell, long double mean.
uint32_t Reference(const TConvFilter& f, const TPixelGraphic& src, int x, int y) {
    long double sums[3] = {0, 0, 0}, weight = 0;
    for (int i = 0; i < f.GetHeight(); ++i)
        for (int j = 0; j < f.GetWidth(); ++j) {
            const int sx = x + f.GetXOffset() + j, sy = y + f.GetYOffset() + i;
            if (sx < 0 || sy < 0 || sx >= src.GetWidth() || sy >= src.GetHeight()) continue;
            const uint32_t c = src.GetPixelColor(sx, sy);
            const long double w = f.GetCoefficient(j, i);
            weight += w;
            for (int k = 0; k < 3; ++k) sums[k] += w * ((c >> (8 * k)) & 0xFF);
        }
    uint32_t result = 0;
    for (int k = 0; k < 3; ++k) {
        const long double m = weight != 0 ? sums[k] / weight : sums[k];
        const long double v = f.GetFactor() * m + f.GetBias() * 255 * 0.01L;
        result |= uint32_t(Clamp<int64_t>(Round(v), 0, 255)) << (8 * k);
    }
    return result;
}

void ExpectLikeReference(TConvFilter& f, TPixelGraphic& src) {
    const std::vector<uint32_t> got = RunFilter(f, src);
    for (int y = 0; y < src.GetHeight(); ++y)
        for (int x = 0; x < src.GetWidth(); ++x)
            ASSERT_EQ(got[size_t(y * src.GetWidth() + x)], Reference(f, src, x, y)) << "at " << x << "," << y;
}

const Matrix Gauss130 = {{0, 0, 1, 1, 1, 0, 0},    {0, 2, 4, 5, 4, 2, 0},  {1, 4, 9, 12, 9, 4, 1},
                         {1, 5, 12, 16, 12, 5, 1}, {1, 4, 9, 12, 9, 4, 1}, {0, 2, 4, 5, 4, 2, 0},
                         {0, 0, 1, 1, 1, 0, 0}};

}  // namespace

TEST(ConvFilterKernels, MatchThePublishedMatrices) {
    const Matrix gauss075 = {{3, 7, 3}, {7, 16, 7}, {3, 7, 3}}, ones5(5, std::vector<int>(5, 1));
    Matrix roundRect = ones5;
    roundRect[0][0] = roundRect[0][4] = roundRect[4][0] = roundRect[4][4] = 0;
    const struct {
        TDistributionShape Shape;
        bool UseDistance;
        long double Sigma;
        Matrix Expected;
    } cases[] = {
        {dsGaussian, true, 1.30L, Gauss130},  {dsGaussian, true, 0.75L, gauss075},
        {dsGaussian, false, 0.75L, gauss075}, {dsGaussian, true, 0.40L, {{0, 1, 0}, {1, 16, 1}, {0, 1, 0}}},
        {dsTent, true, 0.40L, {{16}}},        {dsRect, true, 1.30L, roundRect},
        {dsRect, false, 1.30L, ones5},        {dsRect, false, 0.75L, Matrix(3, std::vector<int>(3, 1))},
    };
    for (const auto& k : cases) {
        TConvFilter f;
        f.SetBias(7);
        f.SetFactor(3);
        f.SetDistributionKernel(k.Shape, k.UseDistance, k.Sigma);
        EXPECT_EQ(KernelOf(f), k.Expected) << int(k.Shape) << k.UseDistance << double(k.Sigma);
        EXPECT_EQ(f.GetXOffset(), -int(k.Expected.size()) / 2);
        EXPECT_EQ(f.GetYOffset(), f.GetXOffset());
        EXPECT_EQ(f.GetBias(), 0);
        EXPECT_EQ(f.GetFactor(), 1);
    }

    // Smooth: Percent 100 keeps the kernel, 50 adds the sum (172) to the centre.
    TConvFilter f;
    f.SetSmoothKernel(dsGaussian, true, 1.30L, 100);
    EXPECT_EQ(KernelOf(f), Gauss130);
    f.SetSmoothKernel(dsGaussian, true, 1.30L, 50);
    EXPECT_EQ(f.GetCoefficient(3, 3), 16 + 172);
    f.SetSmoothKernel(dsGaussian, false, 1.30L, 24);  // 16 + Round(3.1666.. x 172)
    EXPECT_EQ(f.GetCoefficient(3, 3), 561);
}

TEST(ConvFilterKernels, NonsenseArgumentsRaiseInsteadOfLooping) {
    TConvFilter f;
    const long double nan = std::numeric_limits<long double>::quiet_NaN();
    for (long double sigma : {0.0L, -1.0L, nan, std::numeric_limits<long double>::infinity(), 1e6L})
        for (TDistributionShape shape : {dsGaussian, dsTent, dsRect})
            EXPECT_THROW(f.SetDistributionKernel(shape, shape != dsTent, sigma), EPGConvFilter);
    for (long double percent : {0.0L, -5.0L, nan, 1e-12L})
        EXPECT_THROW(f.SetSmoothKernel(dsGaussian, true, 1, percent), EPGConvFilter);
    f.SetDistributionKernel(dsRect, false, 49.0L / std::sqrt(3.0L) + 0.01L);  // radius 49 still fits
    EXPECT_EQ(f.GetWidth(), 99);
}

TEST(ConvFilterMatrix, SizeAndIndexChecks) {
    TConvFilter f;
    EXPECT_EQ(KernelOf(f), Matrix{{1}});
    try {
        f.SetWidth(0);
        ADD_FAILURE();
    } catch (const EPGConvFilter& e) {
        EXPECT_STREQ(e.what(), "TConvFilter.Width out of range");
    }
    EXPECT_THROW(f.SetWidth(100), EPGConvFilter);
    EXPECT_THROW(f.SetHeight(-1), EPGConvFilter);
    EXPECT_EQ(KernelOf(f), Matrix{{1}});

    f.SetWidth(3);
    f.SetCoefficient(2, 0, 5);
    f.SetWidth(3);  // same size keeps the coefficients
    EXPECT_EQ(f.GetCoefficient(2, 0), 5);
    f.SetHeight(2);  // a new size zeroes all of them
    EXPECT_EQ(KernelOf(f), Matrix(2, std::vector<int>(3, 0)));
    try {
        f.SetCoefficient(3, 0, 1);
        ADD_FAILURE();
    } catch (const EPGConvFilter& e) {
        EXPECT_STREQ(e.what(), "X, Y index out of range");
    }
    for (auto [c, r] : {std::pair{-1, 0}, {0, -1}, {0, 2}}) EXPECT_THROW(f.GetCoefficient(c, r), EPGConvFilter);
}

TEST(ConvFilterPixels, FlatPictureStaysFlatUnderEveryKernel) {
    TPixelGraphic flat;
    flat.SetSize(13, 11, 3);
    flat.SetBackgroundColor(RGB(200, 17, 99));
    flat.Clear();
    for (TDistributionShape shape : {dsGaussian, dsTent, dsRect})
        for (bool round : {true, false})
            for (long double sigma : {0.40L, 0.75L, 1.0L, 1.30L, 3.0L})
                for (long double percent : {100.0L, 24.0L, 10.0L}) {
                    TConvFilter f;
                    f.SetSmoothKernel(shape, round, sigma, percent);
                    for (uint32_t c : RunFilter(f, flat)) ASSERT_EQ(c, RGB(200, 17, 99));
                }
}

TEST(ConvFilterPixels, AgreeWithTheDefinitionInsideAndAtTheEdges) {
    // Random kernels with negative weights, off-centre offsets, bias and
    // factor, on small 24-bit and palette sources.
    std::mt19937 rng(7);
    TPixelGraphic src24, src4;
    FillRandom(src24, 23, 17, 1);
    src4.SetSize(9, 14, 1);
    src4.SetPaletteType(pSys16);
    for (int y = 0; y < 14; ++y)
        for (int x = 0; x < 9; ++x) src4.SetPixel(x, y, rng() % 16);
    for (int round = 0; round < 40; ++round) {
        TConvFilter f;
        Matrix m(1 + rng() % 6, std::vector<int>(1 + rng() % 6));
        for (auto& row : m)
            for (int& v : row) v = int(rng() % 21) - 6;
        SetKernel(f, m, -int(rng() % 8), -int(rng() % 8) + 1);
        if (round % 3 == 1) f.SetBias(int(rng() % 61) - 30);
        if (round % 3 == 2) f.SetFactor((int(rng() % 40) - 10) / 8.0L);
        ExpectLikeReference(f, src24);
        ExpectLikeReference(f, src4);
    }

    // Larger pictures take the tabulated row-at-a-time path; the white block
    // gives the largest sums (16-bit and 32-bit partial sums).
    TPixelGraphic big;
    FillRandom(big, 160, 120, 5);
    for (int y = 30; y < 50; ++y)
        for (int x = 60; x < 90; ++x) big.SetPixelColor(x, y, RGB(255, 255, 255));
    std::vector<TConvFilter> filters(3);
    SetKernel(filters[0], {{1, 2, 1}, {2, 4, 2}, {1, 2, 1}}, -1, -1);
    filters[1].SetDistributionKernel(dsGaussian, true, 1.3L);
    SetKernel(filters[2], {{-1, -1, -1}, {-1, 9, -1}, {-1, -1, -1}}, -2, 0);
    filters[2].SetBias(-10);
    filters[2].SetFactor(1.25L);
    for (TConvFilter& f : filters) ExpectLikeReference(f, big);

    // Coefficients a user might type into the tile generator: sums far
    // beyond 32 bits.
    const int most = std::numeric_limits<int32_t>::max();
    SetKernel(filters[0], {{most, most, -most}, {-most, most, most}, {most, -most, most}}, -1, -1);
    filters[0].SetFactor(0.5L);
    ExpectLikeReference(filters[0], src24);
}

// ApplyFilter hands 24-bit targets a row at a time: whole rows, edges
// included, with and without the table, 16-bit (wrapping), 32-bit and
// 64-bit sums, and pictures smaller than the matrix.
TEST(ConvFilterPixels, WholeRowsAgreeWithTheDefinition) {
    std::mt19937 rng(11);
    auto expectRows = [](TConvFilter& f, const TPixelGraphic& src) {
        TPixelGraphic out, copy;
        copy.Assign(&src);
        out.ApplyFilter(f, copy);
        for (int y = 0; y < src.GetHeight(); ++y)
            for (int x = 0; x < src.GetWidth(); ++x)
                ASSERT_EQ(out.GetPixelColor(x, y), Reference(f, src, x, y)) << "at " << x << "," << y;
    };
    std::vector<TPixelGraphic> pictures(4);
    FillRandom(pictures[0], 23, 17, 2);
    FillRandom(pictures[1], 3, 2, 3);
    FillRandom(pictures[2], 70, 9, 4);
    FillRandom(pictures[3], 48, 40, 6);
    for (int y = 10; y < 30; ++y)
        for (int x = 0; x < 48; ++x) pictures[3].SetPixelColor(x, y, RGB(255, 255, 255));
    for (int round = 0; round < 30; ++round) {
        TConvFilter f;
        Matrix m(1 + rng() % 7, std::vector<int>(1 + rng() % 7));
        const int most = round % 5 == 4 ? 4000 : round % 5 == 3 ? 3 : 14;
        for (auto& row : m)
            for (int& v : row) v = int(rng() % (most + 7)) - 6;
        SetKernel(f, m, -int(rng() % 8), -int(rng() % 8) + 1);
        if (round % 4 == 1) f.SetBias(int(rng() % 61) - 30);
        if (round % 4 == 2) f.SetFactor((int(rng() % 40) - 10) / 8.0L);
        for (const TPixelGraphic& p : pictures) expectRows(f, p);
    }
    // A kernel whose table is not worth building for one small picture, run
    // twice (the second run may keep one), then beyond 32 bits.
    TConvFilter gauss;
    SetKernel(gauss, Gauss130, -3, -3);
    expectRows(gauss, pictures[0]);
    expectRows(gauss, pictures[0]);
    const int most = std::numeric_limits<int32_t>::max();
    SetKernel(gauss, {{most, 1, -most}, {-most, most, 7}}, -1, 0);
    expectRows(gauss, pictures[3]);
}

// Kernels with repeated rows and repeated weights (the distribution kernels,
// mirrored and box matrices, a few large and negative weights) on random
// pictures, some narrower or lower than the matrix, with off-centre offsets
// so that whole rows and columns of the matrix fall outside: every pixel as
// the definition gives it, through whole rows and pixel by pixel.
TEST(ConvFilterPixels, RepeatedRowsAndWeightsAgreeWithTheDefinition) {
    std::mt19937 rng(23);
    auto pick = [&rng](int lo, int hi) { return lo + int(rng() % unsigned(hi - lo + 1)); };
    for (int round = 0; round < 60; ++round) {
        TConvFilter f;
        if (round < 12) {
            f.SetDistributionKernel(TDistributionShape(round % 3), round % 2 == 0, 0.4L + 0.09L * round);
            if (round % 4 == 3) f.SetSmoothKernel(TDistributionShape(round % 3), true, 1.3L, 10 + 7 * round);
        } else {
            const int w = pick(1, 9), h = pick(1, 9);
            const int kind = round % 4;
            Matrix m(h, std::vector<int>(w));
            for (int r = 0; r < h; ++r)
                for (int c = 0; c < w; ++c) {
                    const int mr = std::min(r, h - 1 - r), mc = std::min(c, w - 1 - c);
                    m[r][c] = kind == 0   ? 1                                // box
                              : kind == 1 ? (mr + 1) * (mc + 1) % 5          // mirrored, zeros inside
                              : kind == 2 ? (mr + mc) % 3 - 1                // mirrored, negative
                                          : (mr % 2) * 900 + (mc % 2) * 13;  // large weights
                }
            SetKernel(f, m, -pick(0, w + 2), -pick(0, h + 2));
        }
        TPixelGraphic src;
        FillRandom(src, pick(1, 40), pick(1, 30), unsigned(round));
        if (round % 5 == 0)  // white rows: the largest sums
            for (int y = 0; y < src.GetHeight(); y += 2)
                for (int x = 0; x < src.GetWidth(); ++x) src.SetPixelColor(x, y, RGB(255, 255, 255));
        TPixelGraphic out, copy;
        copy.Assign(&src);
        out.ApplyFilter(f, copy);
        for (int y = 0; y < src.GetHeight(); ++y)
            for (int x = 0; x < src.GetWidth(); ++x)
                ASSERT_EQ(out.GetPixelColor(x, y), Reference(f, src, x, y))
                    << "round " << round << " at " << x << "," << y;
        ExpectLikeReference(f, src);
    }
}

TEST(ConvFilterPixels, EdgesBiasFactorAndRounding) {
    TPixelGraphic g;
    g.SetSize(5, 1, 3);
    const int values[5] = {0, 30, 90, 1, 2};
    for (int x = 0; x < 5; ++x) g.SetPixelColor(x, 0, RGB(values[x], 100, 250));
    TConvFilter f;
    SetKernel(f, {{1, 1, 1}}, -1, 0);
    // Ends average two pixels, not three with black outside; 1.5 rounds to 2.
    const int expected[5] = {15, 40, 40, 31, 2};
    std::vector<uint32_t> got = RunFilter(f, g);
    for (int x = 0; x < 5; ++x) EXPECT_EQ(got[x], RGB(expected[x], 100, 250)) << x;
    SetKernel(f, {{1, 1}}, 0, 0);
    EXPECT_EQ(GetRValue(RunFilter(f, g)[3]), 2);  // 1.5 -> 2, and 0.5 -> 0 below
    g.SetPixelColor(4, 0, RGB(0, 0, 0));
    EXPECT_EQ(GetRValue(RunFilter(f, g)[3]), 0);

    // Identity with bias 20 brightens by 51, clamped; factor 0 bias 100 is white.
    SetKernel(f, {{1}}, 0, 0);
    f.SetBias(20);
    EXPECT_EQ(RunFilter(f, g)[1], RGB(81, 151, 255));
    f.SetFactor(0);
    f.SetBias(100);
    for (uint32_t c : RunFilter(f, g)) EXPECT_EQ(c, RGB(255, 255, 255));

    // Weights summing to zero: the sums are used undivided.
    f.SetFactor(1);
    f.SetBias(0);
    SetKernel(f, {{-1, 1}}, 0, 0);
    g.SetPixelColor(1, 0, RGB(10, 20, 30));
    g.SetPixelColor(0, 0, RGB(0, 100, 250));
    EXPECT_EQ(RunFilter(f, g)[0], RGB(10, 0, 0));
}

TEST(ConvFilterPixels, SourceChangedBetweenCallsIsReadSafely) {
    TPixelGraphic g;
    g.SetSize(40, 40, 3);
    TConvFilter f;
    f.SetDistributionKernel(dsGaussian, true, 1.3L);
    f.BeginProcess(&g);
    EXPECT_EQ(f.CalcDestPixel(20, 20), 0u);
    g.SetSize(8, 8, 3);  // new pixel memory
    g.SetBackgroundColor(RGB(9, 9, 9));
    g.Clear();
    EXPECT_EQ(f.CalcDestPixel(4, 4), RGB(9, 9, 9));
    f.SetCoefficient(3, 3, 0);  // matrix changed mid-run
    EXPECT_EQ(f.CalcDestPixel(4, 4), RGB(9, 9, 9));
    f.EndProcess();
    EXPECT_EQ(f.CalcDestPixel(0, 0), 0u);  // no source outside a run
}
