// TIFF files, with and without walking the directory chain; what loads is
// written back with writer settings taken from the last byte (where a file
// can hold anything).
#include "FuzzRoundTrip.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const uint8_t flags = size > 0 ? data[size - 1] : 0;
    TiffCountImages = flags & 64;
    FuzzPictureBytes(data, size, "tif");
    TiffCompression = flags & 4 ? 32773 : 1;
    TiffBigEndian = flags & 8;
    TiffWriteCMYK = flags & 16;
    TiffWhiteIsZero = flags & 32;
    FuzzRoundTrip(data, size, "tif", (flags >> 1) & 1);
    TiffCompression = 1;
    TiffBigEndian = TiffWriteCMYK = TiffWhiteIsZero = TiffCountImages = false;
    return 0;
}
