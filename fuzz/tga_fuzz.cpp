// Targa files; what loads is written back.
#include "FuzzRoundTrip.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzPictureBytes(data, size, "tga");
    FuzzRoundTrip(data, size, "tga");
    return 0;
}
