// PCX files.
#include "FuzzPicture.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzPictureBytes(data, size, "pcx");
    return 0;
}
