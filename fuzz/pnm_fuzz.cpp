// PBM, PGM and PPM files, plain and raw; what loads is written back as the
// same kind.
#include "FuzzRoundTrip.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzPictureBytes(data, size, "pgm");
    PxMWriteBinary = size % 2 == 0;
    FuzzRoundTrip(data, size, "pgm", 0, [](const TPixelGraphic& g) -> std::string {
        return g.GetBitCount() == 1 ? "pbm" : g.GetBitCount() == 8 ? "pgm" : "ppm";
    });
    return 0;
}
