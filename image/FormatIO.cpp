#include "image/FormatIO.h"

#include <algorithm>

namespace pgio {

bool TReadBuffer::TryRefill() {
    const int64_t n = FStream.Read(FBuffer.data(), kSize);
    FPos = 0;
    FEnd = static_cast<int>(std::max<int64_t>(n, 0));
    return FEnd > 0;
}

void TReadBuffer::Refill() {
    if (!TryRefill()) {
        FOnEnd();
        // A handler that returns would leave an empty buffer behind: never
        // hand out bytes that were not read.
        throw EReadError("Stream read error");
    }
}

void TReadBuffer::Read(void* dest, int64_t count) {
    auto* out = static_cast<uint8_t*>(dest);
    while (count > 0) {
        if (FPos == FEnd) {
            // Large reads go straight to the stream once the buffer is used up.
            if (count >= kSize) {
                const int64_t n = FStream.Read(out, count);
                if (n <= 0) Refill();  // raises
                out += n;
                count -= n;
                continue;
            }
            Refill();
        }
        const int64_t n = std::min<int64_t>(count, FEnd - FPos);
        std::memcpy(out, FBuffer.data() + FPos, static_cast<size_t>(n));
        FPos += static_cast<int>(n);
        out += n;
        count -= n;
    }
}

void TWriteBuffer::Write(const void* data, size_t count) {
    const auto* in = static_cast<const uint8_t*>(data);
    while (count > 0) {
        if (FPos == kSize) Flush();
        const size_t n = std::min<size_t>(count, size_t(kSize - FPos));
        std::memcpy(FBuffer.data() + FPos, in, n);
        FPos += static_cast<int>(n);
        in += n;
        count -= n;
    }
}

void TWriteBuffer::WriteNumber(uint32_t v) {
    char digits[10];
    int n = 0;
    do {
        digits[n++] = char('0' + v % 10);
        v /= 10;
    } while (v);
    while (n) Put(static_cast<uint8_t>(digits[--n]));
}

void TWriteBuffer::Flush() {
    if (FPos) FStream.WriteBuffer(FBuffer.data(), FPos);
    FPos = 0;
}

std::string ColorCountText(int bits) {
    if (bits >= 24) return "16.7M";
    if (bits < 0) return "0";
    return std::to_string(uint64_t(1) << bits);
}

}  // namespace pgio
