#pragma once
// TConvFilter: a weighted-average convolution over a small integer matrix,
// and the kernels built from a distribution shape (Gaussian, tent,
// rectangle) of a given standard deviation.
//
// Each destination channel is Round(Factor * C / W + Bias * 2.55), limited
// to 0..255, where C is the weighted channel sum and W the sum of the weights
// of the matrix cells that fall inside the source (cells outside take no
// part, so edges are renormalised rather than darkened; W = 0 leaves C
// undivided). Sums are 64-bit: user-typed coefficients may be large.
//
// Inner rows are computed a whole row at a time on the first pixel asked
// for, so within a run (BeginProcess .. EndProcess) the source must not be
// changed; a resized or replaced source is noticed and read afresh.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "image/PGFilter.h"

enum TDistributionShape : uint8_t { dsGaussian = 0, dsTent = 1, dsRect = 2 };

class TConvFilter : public TPGFilter {
public:
    // The identity filter: 1 x 1 matrix holding 1, factor 1, bias 0, offsets 0.
    TConvFilter();
    ~TConvFilter() override;
    // A run's state points into the filter's own table cache.
    TConvFilter(const TConvFilter&) = delete;
    TConvFilter& operator=(const TConvFilter&) = delete;

    void BeginProcess(TPixelGraphic* ASource) override;
    uint32_t CalcDestPixel(int X, int Y) override;
    void CalcDestRow(int Y, uint8_t* Row, int Width) override;
    void EndProcess() override;

    // Matrix size 1..99; anything else raises EPGConvFilter ("TConvFilter.Width
    // out of range"). The current size again changes nothing; a new size
    // zeroes every coefficient.
    int32_t GetWidth() const { return FWidth; }
    int32_t GetHeight() const { return FHeight; }
    void SetWidth(int32_t N);
    void SetHeight(int32_t N);

    // Coefficient (Col, Row); outside the matrix raises EPGConvFilter
    // ("X, Y index out of range").
    int32_t GetCoefficient(int32_t Col, int32_t Row) const;
    void SetCoefficient(int32_t Col, int32_t Row, int32_t Value);

    // Source column of matrix column 0 is x + XOffset; row likewise.
    int32_t GetXOffset() const { return FXOffset; }
    void SetXOffset(int32_t Value);
    int32_t GetYOffset() const { return FYOffset; }
    void SetYOffset(int32_t Value);
    // Multiplies the weighted mean of every channel.
    long double GetFactor() const { return FFactor; }
    void SetFactor(long double Value);
    // Percent of full scale added to every channel.
    long double GetBias() const { return FBias; }
    void SetBias(long double Value);

    // Replaces size, coefficients, offsets (centred), Bias (0) and Factor (1)
    // by the kernel of Shape: round (weights by distance from the centre) or
    // separable (row weight times column weight). The centre weight of a
    // Gaussian or tent kernel is 16; the kernel grows until the next weight
    // along the axis would round to 0. A deviation that is not positive and
    // finite, or a kernel wider than 99, raises EPGConvFilter.
    void SetDistributionKernel(TDistributionShape Shape, bool UseDistance, long double StdDeviation);
    // The distribution kernel with the identity mixed back in: the result is
    // Percent % of the smoothed picture. Percent must be positive.
    void SetSmoothKernel(TDistributionShape Shape, bool UseDistance, long double StdDeviation, long double Percent);

    // Sum of all coefficients.
    int64_t CoefficientSum() const;

private:
    struct TTap {
        ptrdiff_t Offset;  // bytes from the centre pixel (24-bit fast path)
        int32_t Col, Row;  // matrix cell
        int32_t Weight;
    };
    template <typename TSum>
    void SumRow(TSum* out, int Y, int x0, int n) const;
    // The 16-bit sums of SumRow, modulo 65536, in fewer steps: source rows
    // under equal matrix rows are added up first, and cells of one row with
    // equal weights share one multiplication.
    void SumRowGrouped(uint16_t* out, int Y, int x0, int n);
    void PrepareGroups();
    template <typename TSum>
    void StoreRow(const TSum* sums, int Y, uint8_t* Row, int Width) const;
    int64_t WeightInside(int X, int Y) const;
    // The channel sum a row sum stands for.
    int64_t SumValue(uint16_t sum) const { return FTableBase + uint16_t(sum - uint16_t(FTableBase)); }
    int64_t SumValue(int32_t sum) const { return sum; }
    // Channel value of an inner pixel's sum.
    uint8_t InnerChannel(int64_t sum) const;
    void ComputeInnerRow(int Y);

    void Invalidate() { FPrepared = nullptr; }
    void Resize(int32_t width, int32_t height);
    [[gnu::noinline]] uint32_t CalcPixel(int X, int Y);
    void Prepare();
    bool PreparedFor(const TPixelGraphic* source) const;
    uint8_t Channel(int64_t sum, int64_t weight) const;
    void FillTable(std::vector<uint8_t>& table, int64_t range) const;

    std::vector<int32_t> FCoefficients;
    int32_t FWidth = 1;
    int32_t FHeight = 1;
    int32_t FXOffset = 0;
    int32_t FYOffset = 0;
    long double FBias = 0;
    long double FFactor = 1;

    // Per-run state, rebuilt whenever the source or the matrix changes.
    const TPixelGraphic* FPrepared = nullptr;
    const uint8_t* FBits = nullptr;
    int FRowSize = 0;
    int FSrcWidth = 0;
    int FSrcHeight = 0;
    int FBitCountNum = 0;
    bool FDirect = false;      // 24-bit source read from its rows
    long double FBiasAdd = 0;  // Bias * 255 * 0.01
    std::vector<TTap> FTaps;   // non-zero cells only
    int64_t FFullWeight = 0;   // W when every cell lies inside
    int FInnerX0 = 0, FInnerX1 = -1, FInnerY0 = 0, FInnerY1 = -1;
    int64_t FTableBase = 0;              // smallest channel sum of an inner pixel
    const uint8_t* FTable = nullptr;     // channel value by sum - FTableBase, inner pixels (in FTableCache)
    std::vector<int64_t> FWeightPrefix;  // sums of the weights above and left of each cell
    // The table of the last kernel run, kept across runs: renderers apply
    // the same filter on every redraw.
    struct TTableCache {
        std::vector<uint8_t> Table;  // empty until the kernel runs twice, if large
        int64_t Range = 0, Base = 0, Weight = 0;
        long double Factor = 0, BiasAdd = 0;
    } FTableCache;
    // Rows computed at once (with the table, when the filter never reads a
    // source that is being written); the inner span of one row is kept.
    bool FRowsAtOnce = false;
    int FCachedRow = -1;
    bool FShortSums = false;  // sums kept in 16 bits
    std::vector<uint16_t> FRowSums16;
    // Matrix rows with equal coefficients, and in each the columns of each
    // weight (16-bit sums only).
    struct TWeightColumns {
        uint16_t Weight;
        std::vector<int32_t> Cols;
    };
    struct TRowGroup {
        std::vector<int32_t> Rows;
        std::vector<TWeightColumns> Weights;
    };
    std::vector<TRowGroup> FRowGroups;
    std::vector<uint16_t> FGroupSums;  // one group's source rows added up, padded by the matrix width
    std::vector<int32_t> FRowSums32;
    std::vector<uint32_t> FRowColours;
};
