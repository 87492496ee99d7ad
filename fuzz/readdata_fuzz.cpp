// A picture as the form streaming stores it: a 32-bit length, then a BMP.
// Reading takes nothing beyond that length (the bytes after it belong to
// others), always leaves the stream right behind it, and fails only with
// the library's exceptions.
#include <cstdint>
#include <cstdlib>

#include "image/PGFormats.h"

namespace {

// A memory stream that notes the furthest byte read.
class TWatchedStream : public TReadOnlyMemoryStream {
public:
    using TReadOnlyMemoryStream::TReadOnlyMemoryStream;
    int64_t Read(void* buffer, int64_t count) override {
        const int64_t n = TReadOnlyMemoryStream::Read(buffer, count);
        if (n > 0) Furthest = std::max(Furthest, GetPosition());
        return n;
    }
    int64_t Furthest = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool initialised = (InitPixelGraphicLibrary(), true);
    (void)initialised;
    if (size < 4) return 0;
    uint32_t length = 0;
    for (int i = 0; i < 4; ++i) length |= uint32_t(data[i]) << (8 * i);
    TWatchedStream stream(data, static_cast<int64_t>(size));
    TPixelGraphic g;
    try {
        g.ReadData(stream);
    } catch (const Exception&) {
    }
    if (stream.Furthest > 4 + int64_t(length)) std::abort();
    if (stream.GetPosition() != 4 + int64_t(length)) std::abort();
    return 0;
}
