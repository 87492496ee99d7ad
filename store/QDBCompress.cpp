#include "store/QDBCompress.h"

#include <algorithm>
#include <new>
#include <vector>

#include "store/QDBError.h"

namespace qdb {

namespace {

constexpr uint8_t kStoredBlock = 128;
constexpr uint8_t kCodedBlock = 64;
constexpr int kHashSize = 4096;
constexpr uint16_t kEmptySlot = 0xFFFF;
constexpr int kMaxRun = 4095;
constexpr int kMinRun = 16;
constexpr int kMaxCopy = 18;
constexpr int kMinCopy = 3;
constexpr int kMaxDistance = 4095;
// The coder stops once its output passes the input; one more control word and
// run code may already be on their way, hence the slack.
constexpr int kOutSlack = 16;

struct TCodeBuffers {
    std::vector<uint8_t> In, Out;
    std::vector<uint16_t> Hash;
    TCodeBuffers() {
        try {
            In.resize(kCompressBlock + 2);
            Out.resize(kCompressBlock + kOutSlack);
            Hash.resize(kHashSize);
        } catch (const std::bad_alloc&) {
            throw EQDBNoCompress(qmNoMemory);
        }
    }
};

// Codes one block of len bytes (in[len], in[len + 1] are zero so the hash of
// the last two positions reads defined bytes). Returns the block's length.
int CodeBlock(const uint8_t* in, int len, uint8_t* out, uint16_t* hash) {
    std::fill(hash, hash + kHashSize, kEmptySlot);
    int o = 0;
    out[o++] = kCodedBlock;
    int controlAt = o;
    o += 2;
    unsigned control = 0;
    int codes = 0;
    int p = 0;
    while (p < len && o <= len) {
        if (codes == 16) {
            out[controlAt] = static_cast<uint8_t>(control >> 8);
            out[controlAt + 1] = static_cast<uint8_t>(control);
            controlAt = o;
            o += 2;
            control = 0;
            codes = 0;
        }
        int run = 1;
        while (run < kMaxRun && p + run < len && in[p + run] == in[p]) ++run;
        ++codes;
        control <<= 1;
        if (run >= kMinRun) {
            int n = run - kMinRun;
            out[o++] = 0;
            out[o++] = static_cast<uint8_t>(n >> 8);
            out[o++] = static_cast<uint8_t>(n);
            out[o++] = in[p];
            control |= 1;
            p += run;
            continue;
        }
        uint32_t h = ((((uint32_t(in[p]) << 4) ^ in[p + 1]) << 4) ^ in[p + 2]);
        h = ((h * 40543u) >> 4) & (kHashSize - 1);
        int entry = hash[h];
        int length = 0;
        if (entry != kEmptySlot && p - entry <= kMaxDistance) {
            while (length < kMaxCopy && p + length < len && in[entry + length] == in[p + length]) ++length;
        }
        hash[h] = static_cast<uint16_t>(p);
        if (length >= kMinCopy) {
            unsigned code = unsigned(p - entry) * 16 + unsigned(length - kMinCopy);
            out[o++] = static_cast<uint8_t>(code >> 8);
            out[o++] = static_cast<uint8_t>(code);
            control |= 1;
            p += length;
        } else {
            out[o++] = in[p++];
        }
    }
    control <<= (16 - codes);
    out[controlAt] = static_cast<uint8_t>(control >> 8);
    out[controlAt + 1] = static_cast<uint8_t>(control);
    if (o > len) {
        out[0] = kStoredBlock;
        std::copy(in, in + len, out + 1);
        o = len + 1;
    }
    return o;
}

[[noreturn]] void Forged(const std::string& fileName) { throw EQDBIndexError(qmNotValid, fileName); }

// Decodes one coded block (its first byte already checked) into out; returns
// the number of bytes produced.
int DecodeBlock(const uint8_t* blk, int len, uint8_t* out, const std::string& fileName) {
    int o = 0;
    int pos = 1;
    while (pos < len) {
        if (pos + 2 > len) Forged(fileName);
        unsigned control = (unsigned(blk[pos]) << 8) | blk[pos + 1];
        pos += 2;
        for (int i = 0; i < 16 && pos < len; ++i, control <<= 1) {
            if (!(control & 0x8000)) {
                if (o >= kCompressBlock) Forged(fileName);
                out[o++] = blk[pos++];
                continue;
            }
            if (pos + 2 > len) Forged(fileName);
            int distance = (int(blk[pos]) << 4) | (blk[pos + 1] >> 4);
            if (distance == 0) {
                if (pos + 4 > len) Forged(fileName);
                int count = ((int(blk[pos + 1]) << 8) | blk[pos + 2]) + kMinRun;
                if (count > kCompressBlock - o) Forged(fileName);
                std::fill(out + o, out + o + count, blk[pos + 3]);
                o += count;
                pos += 4;
            } else {
                int length = (blk[pos + 1] & 15) + kMinCopy;
                if (distance > o || length > kCompressBlock - o) Forged(fileName);
                // One byte at a time: a copy may overlap its own output.
                for (int k = 0; k < length; ++k, ++o) out[o] = out[o - distance];
                pos += 2;
            }
        }
    }
    return o;
}

}  // namespace

int64_t Compress(TStream& source, TStream& target) {
    TCodeBuffers buf;
    source.SetPosition(0);
    int64_t written = 0;
    for (;;) {
        int len = static_cast<int>(source.Read(buf.In.data(), kCompressBlock));
        if (len <= 0) break;
        buf.In[len] = 0;
        buf.In[len + 1] = 0;
        int n = CodeBlock(buf.In.data(), len, buf.Out.data(), buf.Hash.data());
        uint8_t header[2] = {static_cast<uint8_t>(n), static_cast<uint8_t>(n >> 8)};
        target.WriteBuffer(header, 2);
        target.WriteBuffer(buf.Out.data(), n);
        written += 2 + n;
        if (len < kCompressBlock) break;
    }
    return written;
}

void Expand(TStream& source, TStream& target, int64_t storedSize, const std::string& fileName, int64_t maxSize) {
    TCodeBuffers buf;  // In holds a block (up to 32769 bytes), Out its output
    if (storedSize < 0) Forged(fileName);
    const int64_t start = source.GetPosition();
    // Decodes the blocks in turn, handing each block's output to put; stops
    // with the store's error once the total passes maxSize.
    auto decode = [&](auto put) {
        int64_t used = 0, plain = 0;
        while (used < storedSize) {
            uint8_t header[2];
            if (storedSize - used < 2 || source.Read(header, 2) != 2) Forged(fileName);
            used += 2;
            int len = header[0] | (header[1] << 8);
            if (len > kCompressBlock + 1 || len > storedSize - used) Forged(fileName);
            if (source.Read(buf.In.data(), len) != len) Forged(fileName);
            used += len;
            if (len < 2) continue;
            const uint8_t* out = nullptr;
            int n = 0;
            if (buf.In[0] == kStoredBlock) {
                out = buf.In.data() + 1;
                n = len - 1;
            } else if (buf.In[0] == kCodedBlock) {
                out = buf.Out.data();
                n = DecodeBlock(buf.In.data(), len, buf.Out.data(), fileName);
            } else {
                Forged(fileName);
            }
            plain += n;
            if (plain > maxSize) Forged(fileName);
            put(out, n);
        }
        return plain;
    };
    // The first pass only measures, so that the target takes its memory in
    // one piece rather than by growing (which needs half as much again).
    const int64_t plain = decode([](const uint8_t*, int) {});
    const int64_t at = target.GetPosition();
    try {
        target.SetSize(at + plain);
    } catch (const std::bad_alloc&) {
        throw EQDBNoCompress(qmNoMemory);
    }
    target.SetPosition(at);
    source.SetPosition(start);
    decode([&](const uint8_t* out, int n) { target.WriteBuffer(out, n); });
    target.SetPosition(0);
}

}  // namespace qdb
