#pragma once
// Per-pixel filters: a filter answers what colour target pixel (x, y) gets,
// given the source picture. TPixelGraphic::ApplyFilter calls BeginProcess
// once, CalcDestPixel for every target pixel (row 0 first, even rows left to
// right, odd rows right to left), then EndProcess; for a filter that can work
// on palettes in place, CalcDestPaletteColor once per palette entry instead.
// A 24-bit target is filled a row at a time through CalcDestRow, which a
// filter may override to work on whole rows; the base asks CalcDestPixel in
// the order above.
#include <cstdint>

#include "image/PGraphic.h"

class TPGFilterClass {
public:
    virtual ~TPGFilterClass() = default;
};

class TPGFilter : public TPGFilterClass {
public:
    TPGFilter() = default;
    // Stores the source for the run.
    virtual void BeginProcess(TPixelGraphic* ASource) { Source = ASource; }
    // Target colour $00BBGGRR of pixel (X, Y); the base gives black.
    virtual uint32_t CalcDestPixel(int X, int Y) {
        (void)X;
        (void)Y;
        return 0;
    }
    // Row Y of a 24-bit target, Width pixels as blue, green, red bytes: the
    // same colours as CalcDestPixel gives.
    virtual void CalcDestRow(int Y, uint8_t* Row, int Width) {
        for (int k = 0; k < Width; ++k) {
            const int x = (Y & 1) ? Width - 1 - k : k;
            PutRowPixel(Row + 3 * x, CalcDestPixel(x, Y));
        }
    }
    // Clears the source.
    virtual void EndProcess() { Source = nullptr; }
    // True when the filter may run with the target as its own source and on
    // palette entries; the base cannot.
    virtual bool CanProcessPaletteAndIdenticalSource() { return false; }
    // The colour a palette entry of Color gets; the base keeps it.
    virtual uint32_t CalcDestPaletteColor(uint32_t Color) { return Color; }

    // The picture being filtered during a run (not owned; nullptr outside).
    TPixelGraphic* Source = nullptr;
};
