#include "mozaro/ScratchPictures.h"

#include <algorithm>

#include "image/PGraphic.h"

namespace {

struct TScratchSet {
    TPixelGraphic Pictures[TScratchPicture::kCount];
    bool Busy[TScratchPicture::kCount] = {};
};

// Pictures kept beyond their step up to this many bytes: a 256 x 256 tile.
constexpr int64_t kKeptBytes = 256 * 256 * 3;

}  // namespace

TScratchPicture::TScratchPicture(int index) {
    thread_local TScratchSet set;
    index = std::clamp(index, 0, kCount - 1);
    if (set.Busy[index]) {
        FOwn = std::make_unique<TPixelGraphic>();
        FPicture = FOwn.get();
        return;
    }
    FPicture = &set.Pictures[index];
    FBusy = &set.Busy[index];
    *FBusy = true;
    FPicture->SetBackgroundValue(0);
    if (FPicture->GetBitCountNum() != 3) FPicture->SetSize(0, 0, 3);
}

TScratchPicture::~TScratchPicture() {
    if (!FBusy) return;
    if (FPicture->GetBitsSize() > kKeptBytes) FPicture->SetSize(0, 0, 3);
    *FBusy = false;
}
