#pragma once
// Item compression of the keyed-blob store: an LZ coder with run codes over
// blocks of at most 32768 input bytes. A compressed item is a sequence of
// blocks, each a 16-bit little-endian length and that many bytes; the first
// byte of a block says whether it is stored (128) or coded (64).
#include <cstdint>
#include <string>

#include "platform/Streams.h"

namespace qdb {

constexpr int kCompressBlock = 32768;

// The most an item may expand to. A block can expand about 800 times, so a
// few MB of forged blocks would otherwise ask for gigabytes; the largest
// items real files hold (pictures of a button or a tile) are a few MB.
constexpr int64_t kMaxExpandedSize = int64_t(64) << 20;

// Codes all of source (from its start) into target at its current position
// and returns the number of bytes written.
int64_t Compress(TStream& source, TStream& target);

// Decodes storedSize bytes of source (from its current position) into target
// and rewinds target. Forged or truncated data raises EQDBIndexError
// "not a valid QDB file" naming fileName; nothing is written past a block's
// 32768 bytes and no copy reaches before the block's start. The blocks are
// checked and their plain length added up before target grows, once, to
// that length: an item that would expand past maxSize is refused the same
// way without taking its memory.
void Expand(TStream& source, TStream& target, int64_t storedSize, const std::string& fileName = std::string(),
            int64_t maxSize = kMaxExpandedSize);

}  // namespace qdb
