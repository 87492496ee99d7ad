// Item compression, the password cipher and the key matchers.
#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "store/QDBCipher.h"
#include "store/QDBCompress.h"
#include "store/QDBError.h"
#include "store/QDBMatch.h"
#include "support/PeakMemory.h"

using namespace qdb;

namespace {

std::vector<uint8_t> Packed(const std::vector<uint8_t>& plain) {
    TMemoryStream in(plain), out;
    int64_t n = Compress(in, out);
    EXPECT_EQ(n, out.GetSize());
    return out.Data();
}

std::vector<uint8_t> Unpacked(const std::vector<uint8_t>& packed) {
    TMemoryStream in(packed), out;
    Expand(in, out, static_cast<int64_t>(packed.size()));
    EXPECT_EQ(out.GetPosition(), 0);
    return out.Data();
}

std::vector<uint8_t> RandomBytes(size_t n, unsigned seed) {
    std::mt19937 rng(seed);
    std::vector<uint8_t> v(n);
    for (auto& b : v) b = static_cast<uint8_t>(rng());
    return v;
}

// Text-like data: words from a small vocabulary, so copies of every length
// and distance occur, with a few runs mixed in.
std::vector<uint8_t> MixedBytes(size_t n, unsigned seed) {
    static const char* words[] = {"alpha ", "bevel ", "caption ", "gradient ", "plasma ", "oval ", "\r\n"};
    std::mt19937 rng(seed);
    std::vector<uint8_t> v;
    while (v.size() < n) {
        if (rng() % 50 == 0) {
            v.insert(v.end(), 10 + rng() % 40, static_cast<uint8_t>(rng()));
        } else {
            const char* w = words[rng() % 7];
            v.insert(v.end(), w, w + std::strlen(w));
        }
    }
    v.resize(n);
    return v;
}

struct TBlock {
    int Length;
    uint8_t Kind;
};

std::vector<TBlock> Blocks(const std::vector<uint8_t>& packed) {
    std::vector<TBlock> out;
    for (size_t at = 0; at + 2 <= packed.size();) {
        int len = packed[at] | (packed[at + 1] << 8);
        out.push_back({len, packed[at + 2]});
        at += 2 + size_t(len);
    }
    return out;
}

void ExpectForged(const std::vector<uint8_t>& packed, int64_t size) {
    TMemoryStream in(packed), out;
    try {
        Expand(in, out, size, "x.QDB");
        FAIL() << "forged item expanded";
    } catch (const EQDBIndexError& e) {
        EXPECT_EQ(e.Ident(), qmNotValid);
        EXPECT_EQ(e.Message(), "The file x.QDB is not a valid QDB file");
    }
}

}  // namespace

TEST(Compression, RoundTripsEveryKindOfInput) {
    std::vector<std::pair<const char*, std::vector<uint8_t>>> cases = {
        {"empty", {}},
        {"one byte", {42}},
        {"random", RandomBytes(5000, 1)},
        {"repetitive", std::vector<uint8_t>(100000, 'z')},
        {"mixed", MixedBytes(200000, 2)},
        {"block boundary - 1", MixedBytes(32767, 3)},
        {"block boundary", MixedBytes(32768, 4)},
        {"block boundary + 1", MixedBytes(32769, 5)},
        {"two random blocks", RandomBytes(65536 + 7, 6)},
    };
    // A run split by the block boundary, and a pattern that forces
    // overlapping copies (distance 1..3 with lengths up to 18).
    std::vector<uint8_t> split(32760, 'a');
    split.insert(split.end(), 40, 'b');
    cases.push_back({"run across boundary", split});
    std::vector<uint8_t> overlap;
    for (int i = 0; i < 3000; ++i) {
        overlap.push_back("xyz"[i % 3]);
        if (i % 97 == 0) overlap.push_back(static_cast<uint8_t>(i));
    }
    cases.push_back({"overlapping copies", overlap});
    for (const auto& [name, plain] : cases) {
        SCOPED_TRACE(name);
        EXPECT_EQ(Unpacked(Packed(plain)), plain);
    }
    EXPECT_TRUE(Packed({}).empty());
}

TEST(Compression, BlockLayout) {
    // 100,000 bytes are four blocks; incompressible input is stored.
    auto blocks = Blocks(Packed(RandomBytes(100000, 7)));
    ASSERT_EQ(blocks.size(), 4u);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(blocks[i].Length, 32769);
    EXPECT_EQ(blocks[3].Length, 1696 + 1);
    for (const auto& b : blocks) EXPECT_EQ(b.Kind, 128);

    // A run of 20 equal bytes is one run code: flag, control word, 4 bytes.
    auto run = Packed(std::vector<uint8_t>(20, 7));
    EXPECT_EQ(run, (std::vector<uint8_t>{7, 0, 64, 0x80, 0x00, 0, 0, 4, 7}));
    // A run of 15 goes as a literal and one overlapping copy of 14 at
    // distance 1 (0x001B = distance 1, length 14).
    auto fifteen = Packed(std::vector<uint8_t>(15, 7));
    EXPECT_EQ(fifteen, (std::vector<uint8_t>{6, 0, 64, 0x40, 0x00, 7, 0x00, 0x1B}));

    // Compressible data really shrinks.
    auto mixed = MixedBytes(100000, 8);
    EXPECT_LT(Packed(mixed).size(), mixed.size() / 2);
}

TEST(Compression, ForgedItemsRaiseInsteadOfOverrunning) {
    auto good = Packed(MixedBytes(1000, 9));
    // Every truncation of a good item.
    for (size_t n = 1; n < good.size(); ++n) {
        std::vector<uint8_t> cut(good.begin(), good.begin() + long(n));
        TMemoryStream in(cut), out;
        EXPECT_THROW(Expand(in, out, int64_t(n)), EQDBIndexError) << n;
    }
    ExpectForged(good, int64_t(good.size()) + 10);             // size beyond the source
    ExpectForged({0x02, 0x81, 128}, 0x8102 + 2);               // longer than any block
    ExpectForged({3, 0, 99, 1, 2}, 5);                         // unknown block kind
    ExpectForged({6, 0, 64, 0x40, 0x00, 'a', 0x00, 0x20}, 8);  // copy before the start
    std::vector<uint8_t> runs = {0, 0, 64, 0xFF, 0xFF};        // runs beyond 32768 bytes
    for (int i = 0; i < 9; ++i) runs.insert(runs.end(), {0, 0x0F, 0xEF, 1});
    runs[0] = static_cast<uint8_t>(runs.size() - 2);
    ExpectForged(runs, int64_t(runs.size()));
    // Blocks shorter than 2 bytes yield nothing and are not an error.
    TMemoryStream in(std::vector<uint8_t>{0, 0, 1, 0, 64}), out;
    Expand(in, out, 5);
    EXPECT_EQ(out.GetSize(), 0);
}

// Blocks of the longest codes expand about 800 times; an item stops at its
// limit before the memory for it is taken.
TEST(Compression, ExpansionStopsAtItsLimitBeforeAllocating) {
    // A run of 32768 bytes: eight runs of 4095 (0x0FEF + 16), a literal and
    // a copy of 7 at distance 1 (0x0014); control bits 1111 1111 01.
    const std::vector<uint8_t> block = Packed(std::vector<uint8_t>(kCompressBlock, 'x'));
    std::vector<uint8_t> expected = {38, 0, 64, 0xFF, 0x40};
    for (int i = 0; i < 8; ++i) expected.insert(expected.end(), {0, 0x0F, 0xEF, 'x'});
    expected.insert(expected.end(), {'x', 0x00, 0x14});
    ASSERT_EQ(block, expected);
    auto blocks = [&](int n) {
        std::vector<uint8_t> v;
        for (int i = 0; i < n; ++i) v.insert(v.end(), block.begin(), block.end());
        return v;
    };
    auto refused = [](const std::vector<uint8_t>& packed, int64_t limit) {
        TMemoryStream in(packed), out;
        try {
            Expand(in, out, int64_t(packed.size()), "x.QDB", limit);
        } catch (const EQDBIndexError& e) {
            EXPECT_EQ(e.Message(), "The file x.QDB is not a valid QDB file");
            return out.GetSize() == 0;  // nothing was put out
        }
        return false;
    };
    const std::vector<uint8_t> three = blocks(3);
    TMemoryStream in(three), out;
    Expand(in, out, int64_t(three.size()), "x.QDB", 3 * kCompressBlock);
    EXPECT_EQ(out.Data(), std::vector<uint8_t>(3 * kCompressBlock, 'x'));
    EXPECT_TRUE(refused(three, 3 * kCompressBlock - 1));
    // Stored blocks count as well.
    EXPECT_TRUE(refused(Packed(RandomBytes(40000, 11)), 39999));

    // The store's own limit: an item of exactly 64 MiB takes that memory
    // once; one block more is refused with (almost) none.
    constexpr int64_t kMiB = int64_t(1) << 20;
    ASSERT_EQ(kMaxExpandedSize, 64 * kMiB);
    const int atLimit = int(kMaxExpandedSize / kCompressBlock);
    for (int n : {atLimit, atLimit + 1}) {
        const std::vector<uint8_t> packed = blocks(n);
        const int64_t peak = gwtest::PeakMemoryOf([&] {
            TMemoryStream source(packed), target;
            try {
                Expand(source, target, int64_t(packed.size()));
            } catch (const EQDBIndexError&) {
            }
        });
        std::printf("%d blocks (%zu bytes): peak %.1f MiB\n", n, packed.size(), double(peak) / kMiB);
        EXPECT_GE(peak, 0);
        EXPECT_LT(peak, (n == atLimit ? kMaxExpandedSize : 0) + 4 * kMiB);
    }
    TMemoryStream source(blocks(atLimit)), target;
    Expand(source, target, source.GetSize());
    EXPECT_EQ(target.GetSize(), kMaxExpandedSize);
    EXPECT_TRUE(refused(blocks(atLimit + 1), kMaxExpandedSize));
}

TEST(Cipher, CheckValueAndKeyStreamKnownAnswers) {
    auto hex = [](const TDigest& d) {
        std::string s;
        char b[3];
        for (uint8_t x : d) {
            std::snprintf(b, sizeof b, "%02x", x);
            s += b;
        }
        return s;
    };
    EXPECT_EQ(hex(Digest("abc")), "a9993e364706816aba3e25717850c26c9cd0d89d");
    EXPECT_EQ(hex(PasswordKey("pw")), "1a91d62f7ca67399625a4368a6ab5d4a3baa6073");
    EXPECT_EQ(hex(PasswordCheckValue("pw")), "d821809f681a40a6e379b50d0463efae20bdd122");
    // Only the first 255 characters of a password count.
    EXPECT_EQ(PasswordKey(std::string(255, 'p') + "tail"), PasswordKey(std::string(255, 'p')));

    TDigest key = PasswordKey("pw");
    std::vector<uint8_t> buf = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    Encipher(buf.data(), buf.size(), key);
    EXPECT_EQ(buf, (std::vector<uint8_t>{0x24, 0x6c, 0xcb, 0x09, 0x37, 0xd3, 0xaf, 0xb5, 0xfe, 0xd4, 0x92}));
    Decipher(buf.data(), buf.size(), key);
    EXPECT_EQ(buf, (std::vector<uint8_t>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
    // Three bytes: three byte steps, no word step.
    std::vector<uint8_t> three(3, 0);
    Encipher(three.data(), 3, key);
    EXPECT_EQ(three, (std::vector<uint8_t>{0x24, 0x33, 0xf6}));
}

TEST(Matchers, SimpleAndGrep) {
    struct {
        bool Grep;
        const char* Pattern;
        const char* Key;
        bool CaseSensitive;
        bool Expected;
    } cases[] = {
        {false, "<ELL>", "hello", false, true},
        {false, "<ELL>", "hello", true, false},
        {false, "hel>", "hello", false, true},
        {false, "ell>", "hello", false, false},
        {false, "<llo", "hello", false, true},
        {false, "hell", "hello", false, false},
        {false, "<>", "anything", false, true},
        {true, "^hel", "hello", false, true},
        {true, "^ell", "hello", false, false},
        {true, "ll$", "hello", false, false},
        {true, "h.l", "hello", false, true},
        {true, "[a-f]ll", "hello", false, true},
        {true, "[^E]ll", "hello", false, false},
        {true, "[A-Z]", "abc", true, false},
        {true, "v:d", "v7", false, true},
        {true, "a: b", "a b", false, true},
        {true, "\\.", "ab", false, false},
        {true, "%ba", "foo bar", false, true},
        {true, "%ar", "foo bar", false, false},
        {true, "oo&", "foo bar", false, true},
        // Invalid patterns match nothing.
        {true, "a$b", "a$b", false, false},
        {true, ":x", "x", false, false},
        {true, "abc:", "abc:", false, false},
        {true, "[abc", "a", false, false},
    };
    for (const auto& c : cases) {
        bool got = c.Grep ? GrepMatch(c.Pattern, c.Key, c.CaseSensitive)
                          : SimpleMatch(c.Pattern, c.Key, c.CaseSensitive);
        EXPECT_EQ(got, c.Expected) << c.Pattern << " / " << c.Key;
    }
}
