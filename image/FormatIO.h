#pragma once
// Byte-level helpers shared by the library's own codecs (BMP, PCX, the any-map
// family, Targa, TIFF): a read buffer that raises the format's "end of file"
// error when the data runs out, a write buffer, and little- and big-endian
// numbers.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "platform/Streams.h"

namespace pgio {

inline uint16_t Get16LE(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
inline uint32_t Get32LE(const uint8_t* p) {
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}
inline uint16_t Get16BE(const uint8_t* p) { return static_cast<uint16_t>((p[0] << 8) | p[1]); }
inline uint32_t Get32BE(const uint8_t* p) {
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | uint32_t(p[3]);
}
inline void Put16LE(uint8_t* p, uint32_t v) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}
inline void Put32LE(uint8_t* p, uint32_t v) {
    Put16LE(p, v);
    Put16LE(p + 2, v >> 16);
}
inline void Put16BE(uint8_t* p, uint32_t v) {
    p[0] = uint8_t(v >> 8);
    p[1] = uint8_t(v);
}
inline void Put32BE(uint8_t* p, uint32_t v) {
    Put16BE(p, v >> 16);
    Put16BE(p + 2, v);
}

// Reads a stream through a buffer. When the stream has nothing more to
// give, OnEnd is called; it must raise (the format's "Unexpected end of
// file"). The stream runs ahead of what was taken by up to a buffer.
// Buffers are 64 KiB: byte-wise decoding of a large file would otherwise
// spend its time in system calls.
constexpr int kFormatBufferSize = 64 * 1024;

class TReadBuffer {
public:
    using TEndHandler = void (*)();
    static constexpr int kSize = kFormatBufferSize;

    TReadBuffer(TStream& stream, TEndHandler onEnd) : FStream(stream), FOnEnd(onEnd), FBuffer(kSize) {}

    uint8_t Get() {
        if (FPos == FEnd) Refill();
        return FBuffer[FPos++];
    }
    // False at the end of the stream instead of raising.
    bool TryGet(uint8_t& b) {
        if (FPos == FEnd && !TryRefill()) return false;
        b = FBuffer[FPos++];
        return true;
    }
    // Exactly count bytes, else OnEnd.
    void Read(void* dest, int64_t count);
    // Bytes that can still be taken.
    int64_t Remaining() { return (FEnd - FPos) + FStream.Remaining(); }

private:
    void Refill();
    bool TryRefill();

    TStream& FStream;
    TEndHandler FOnEnd;
    std::vector<uint8_t> FBuffer;
    int FPos = 0;
    int FEnd = 0;
};

// Collects small writes and hands them to the stream a buffer at a time;
// Flush writes the rest (call it before the buffer goes away).
class TWriteBuffer {
public:
    static constexpr int kSize = kFormatBufferSize;
    explicit TWriteBuffer(TStream& stream) : FStream(stream), FBuffer(kSize) {}

    void Put(uint8_t b) {
        if (FPos == kSize) Flush();
        FBuffer[FPos++] = b;
    }
    void Write(const void* data, size_t count);
    void WriteText(const std::string& s) { Write(s.data(), s.size()); }
    // A number in decimal.
    void WriteNumber(uint32_t v);
    void Flush();

private:
    TStream& FStream;
    std::vector<uint8_t> FBuffer;
    int FPos = 0;
};

// Colour-count text of a bit depth: "16.7M" from 24 bits on, else 2 to the
// power of the bits.
std::string ColorCountText(int bits);

}  // namespace pgio
