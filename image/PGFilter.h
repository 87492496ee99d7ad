#pragma once
// Per-pixel filters: a filter answers what colour target pixel (x, y) gets,
// given the source picture. TPixelGraphic::ApplyFilter calls BeginProcess
// once, CalcDestPixel for every target pixel (row 0 first, even rows left to
// right, odd rows right to left), then EndProcess; for a filter that can work
// on palettes in place, CalcDestPaletteColor once per palette entry instead.
#include <cstdint>

class TPixelGraphic;

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
