// BMP files and the clipboard's packed DIBs.
#include "FuzzPicture.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzPictureBytes(data, size, "bmp");
    TReadOnlyMemoryStream block(data, static_cast<int64_t>(size));
    TPixelGraphic g;
    try {
        g.LoadFromClipboardFormat(CF_DIB, &block);
    } catch (const Exception&) {
    }
    return 0;
}
