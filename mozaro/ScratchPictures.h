#pragma once
// Pictures the layer and post-processing steps work in between their inputs
// and outputs, kept per thread from one render to the next. A tile-sized
// picture freed and made again often comes back from the system as fresh
// pages, each mapped and cleared anew: that can cost more than the pass that
// fills it. The steps never nest, so they share the same two.
#include <memory>

class TPixelGraphic;

// Scratch picture index (0 or 1) of this thread for the lifetime of this
// object: 24 bits, background value 0, its pixels as the last step left
// them. A scratch already in use (a nested step) is replaced by a picture of
// its own; one grown beyond a tile is let go when the step ends.
class TScratchPicture {
public:
    explicit TScratchPicture(int index);
    ~TScratchPicture();
    TScratchPicture(const TScratchPicture&) = delete;
    TScratchPicture& operator=(const TScratchPicture&) = delete;

    TPixelGraphic& operator*() const { return *FPicture; }
    TPixelGraphic* operator->() const { return FPicture; }

    static constexpr int kCount = 2;

private:
    std::unique_ptr<TPixelGraphic> FOwn;
    TPixelGraphic* FPicture;
    bool* FBusy = nullptr;
};
