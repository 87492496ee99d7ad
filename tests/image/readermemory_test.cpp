// Peak memory of every picture reader on its worst malformed input: files
// whose headers claim far more than they hold. Each is read in both ways of
// meeting a warning and asked for its information; a reader may take the
// memory of what the file can really hold, never that of what it claims.
#include <zlib.h>

#include <array>
#include <cstdio>

#include "PeerImages.h"
#include "support/PeakMemory.h"

using namespace peer;

namespace {

constexpr int64_t kMiB = int64_t(1) << 20;
constexpr int64_t kBound = 50 * kMiB;

void PutBE32(std::string& s, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) s[at + i] = char(v >> (24 - 8 * i));
}
void PutLE16(std::string& s, size_t at, uint32_t v) {
    s[at] = char(v);
    s[at + 1] = char(v >> 8);
}
void PutLE32(std::string& s, size_t at, uint32_t v) {
    PutLE16(s, at, v);
    PutLE16(s, at + 2, v >> 16);
}
uint32_t LE16(const std::string& s, size_t at) { return uint8_t(s[at]) | uint32_t(uint8_t(s[at + 1])) << 8; }
uint32_t LE32(const std::string& s, size_t at) { return LE16(s, at) | LE16(s, at + 2) << 16; }

std::string PngChunk(const std::string& type, const std::string& data) {
    std::string c(4, '\0');
    PutBE32(c, 0, uint32_t(data.size()));
    c += type + data;
    std::string crc(4, '\0');
    PutBE32(crc, 0, uint32_t(crc32(0, reinterpret_cast<const Bytef*>(c.data() + 4), uInt(c.size() - 4))));
    return c + crc;
}
std::string Deflated(const std::string& bytes) {
    uLongf size = compressBound(uLong(bytes.size()));
    std::string z(size, '\0');
    compress2(reinterpret_cast<Bytef*>(&z[0]), &size, reinterpret_cast<const Bytef*>(bytes.data()), uLong(bytes.size()),
              9);
    z.resize(size);
    return z;
}
std::string PngHeader(uint32_t width, uint32_t height, int depth, int colorType) {
    std::string ihdr(13, '\0');
    PutBE32(ihdr, 0, width);
    PutBE32(ihdr, 4, height);
    ihdr[8] = char(depth);
    ihdr[9] = char(colorType);
    return "\x89PNG\r\n\x1a\n" + PngChunk("IHDR", ihdr);
}

// The file of the earlier finding: a text chunk claiming 0x7FFFFFF0 bytes,
// one of which follows. 42 bytes.
std::string PngClaimingHugeChunk() {
    std::string chunk(4, '\0');
    PutBE32(chunk, 0, 0x7FFFFFF0u);
    return PngHeader(1, 1, 8, 0) + chunk + "tEXtC";
}

// Forty compressed text chunks of 4 MiB each, and a colour profile of
// 64 MiB: libpng would keep them all.
std::string PngWithTextBombs() {
    const std::string nul(1, '\0');
    const std::string ztxt = PngChunk("zTXt", "Comment" + nul + nul + Deflated(std::string(4 * kMiB, 'x')));
    std::string png = PngHeader(1, 1, 8, 0);
    for (int i = 0; i < 40; ++i) png += ztxt;
    png += PngChunk("iCCP", "icc" + nul + nul + Deflated(std::string(64 * kMiB, 'p')));
    return png + PngChunk("IDAT", Deflated(std::string(2, '\0'))) + PngChunk("IEND", "");
}

// A valid small file of the format with its width and height replaced.
std::string Written(const std::string& ext) { return PatternBytes(5, 4, ext); }

std::string JpegClaiming(int width, int height, bool progressive) {
    const bool old = JpegProgressive;
    JpegProgressive = progressive;
    std::string j = Written("jpg");
    JpegProgressive = old;
    for (size_t i = 2; i + 9 < j.size(); ++i) {
        const uint8_t m = uint8_t(j[i + 1]);
        if (uint8_t(j[i]) == 0xFF && (m == 0xC0 || m == 0xC2)) {
            j[i + 5] = char(height >> 8);
            j[i + 6] = char(height);
            j[i + 7] = char(width >> 8);
            j[i + 8] = char(width);
            break;
        }
    }
    return j;
}

std::string BmpClaiming(int32_t width, int32_t height, int bitCount, int compression) {
    std::string b = Written("bmp");
    PutLE32(b, 18, uint32_t(width));
    PutLE32(b, 22, uint32_t(height));
    PutLE16(b, 28, uint32_t(bitCount));
    PutLE32(b, 30, uint32_t(compression));
    if (compression) b.replace(54, std::string::npos, std::string("\0\1", 2));  // end of picture at once
    return b;
}

// A 24-bit header (three planes of eight bits) and a few bytes of data.
std::string PcxClaiming(uint32_t width, uint32_t height) {
    std::string p(128, '\0');
    p[0] = 10;
    p[1] = 5;
    p[2] = 1;
    p[3] = 8;
    PutLE16(p, 8, width - 1);
    PutLE16(p, 10, height - 1);
    p[65] = 3;
    PutLE16(p, 66, width + (width & 1));
    PutLE16(p, 68, 1);
    return p + std::string(64, '\xFF');
}

std::string TgaClaiming(uint32_t width, uint32_t height, bool rle) {
    std::string t = Written("tga");
    PutLE16(t, 12, width);
    PutLE16(t, 14, height);
    if (rle) t[2] = char(t[2] | 8);
    return t;
}

// A little-endian TIFF from our writer with fields of its first directory
// replaced: tag -> (count, value); a count of 0 keeps the entry's count.
std::string TiffWith(const std::vector<std::array<uint32_t, 3>>& changes) {
    std::string t = Written("tif");
    const uint32_t ifd = LE32(t, 4);
    const uint32_t entries = LE16(t, ifd);
    for (uint32_t e = 0; e < entries; ++e) {
        const size_t at = ifd + 2 + 12 * e;
        for (const auto& c : changes) {
            if (LE16(t, at) != c[0]) continue;
            if (c[1]) PutLE32(t, at + 4, c[1]);
            if (LE16(t, at + 2) == 3 && LE32(t, at + 4) == 1) PutLE16(t, at + 8, c[2]);
            else PutLE32(t, at + 8, c[2]);
        }
    }
    return t;
}

struct TCase {
    std::string Name, Ext, Bytes;
};

std::vector<TCase> WorstInputs() {
    std::vector<TCase> cases = {
        {"png: text chunk of 0x7FFFFFF0 bytes, 42-byte file", "png", PngClaimingHugeChunk()},
        {"png: 16000 x 16000 RGB, 100 bytes of rows", "png",
         PngHeader(16000, 16000, 8, 2) + PngChunk("IDAT", Deflated(std::string(100, '\0'))) + PngChunk("IEND", "")},
        {"png: 100000000 x 1 RGBA 16 bit", "png",
         PngHeader(100000000, 1, 16, 6) + PngChunk("IDAT", Deflated(std::string(1000, '\0')))},
        {"png: 40 text chunks of 4 MiB and a 64 MiB profile", "png", PngWithTextBombs()},
        {"jpg: frame of 18000 x 18000", "jpg", JpegClaiming(18000, 18000, false)},
        {"jpg: progressive frame of 18000 x 18000", "jpg", JpegClaiming(18000, 18000, true)},
        {"bmp: 16000 x 16000 24 bit without pixels", "bmp", BmpClaiming(16000, 16000, 24, 0)},
        {"bmp: 16000 x 16000 8 bit run lengths ending at once", "bmp", BmpClaiming(16000, 16000, 8, 1)},
        {"bmp: 30000 x 30000 4 bit run lengths ending at once", "bmp", BmpClaiming(30000, 30000, 4, 2)},
        {"pcx: 18000 x 18000", "pcx", PcxClaiming(18000, 18000)},
        {"pnm: P6 18000 x 18000", "ppm", "P6\n18000 18000\n255\n" + std::string(16, 'x')},
        {"pnm: P3 18000 x 18000", "ppm", "P3\n18000 18000\n255\n1 2 3\n"},
        {"pnm: P4 2000000000 x 1", "pbm", "P4\n2000000000 1\n" + std::string(16, 'x')},
        {"tga: 18000 x 18000", "tga", TgaClaiming(18000, 18000, false)},
        {"tga: 18000 x 18000 run lengths", "tga", TgaClaiming(18000, 18000, true)},
        {"tiff: 18000 x 18000", "tif", TiffWith({{256, 0, 18000}, {257, 0, 18000}, {278, 0, 18000}})},
        {"tiff: 0x3FFFFFFF strip offsets", "tif", TiffWith({{273, 0x3FFFFFFF, 8}, {279, 0x3FFFFFFF, 8}})},
        {"tiff: 60000 rows per strip, 1 x 60000", "tif", TiffWith({{256, 0, 1}, {257, 0, 60000}, {278, 0, 60000}})},
    };
    return cases;
}

// Reads the bytes into a fresh picture in the given mode, then asks for
// the file's information; the failures are the expected outcome.
void ReadAll(const TCase& c, TPGWarningAction mode) {
    TPixelGraphic g;
    try {
        LoadBytes(g, c.Bytes, c.Ext, mode);
    } catch (const Exception&) {
    }
    TMemoryStream s(std::vector<uint8_t>(c.Bytes.begin(), c.Bytes.end()));
    TPictureInfo info;
    GetPictureInfo(s, c.Ext, 0, info);
}

}  // namespace

TEST_F(FormatTest, ReadersTakeNoMoreMemoryThanTheFileHolds) {
    std::printf("%-54s %7s %7s %7s  %s\n", "worst malformed input", "bytes", "ignore", "raise", "(MiB) message");
    for (const TCase& c : WorstInputs()) {
        int64_t peaks[2];
        int k = 0;
        for (TPGWarningAction mode : {pgwaIgnore, pgwaRaise}) {
            const int64_t peak = gwtest::PeakMemoryOf([&] { ReadAll(c, mode); });
            EXPECT_GE(peak, 0) << c.Name;
            EXPECT_LT(peak, kBound) << c.Name << (mode == pgwaIgnore ? ", warnings ignored" : ", warnings raised");
            peaks[k++] = peak;
        }
        // Read here too only when that is safe.
        const bool bounded = peaks[0] >= 0 && peaks[0] < kBound;
        std::printf("%-54s %7zu %7.1f %7.1f  %s\n", c.Name.c_str(), c.Bytes.size(), double(peaks[0]) / kMiB,
                    double(peaks[1]) / kMiB, bounded ? LoadError(c.Bytes, c.Ext, pgwaIgnore).c_str() : "");
    }
}

// The refusals themselves, in every mode: the file ends before what its
// headers claim.
TEST_F(FormatTest, ClaimsPastTheEndAreRefusedWithTheReadersMessage) {
    const std::string png = PngClaimingHugeChunk();
    ASSERT_EQ(png.size(), 42u);
    for (TPGWarningAction mode : {pgwaIgnore, pgwaOKBox, pgwaOKCancelBox, pgwaRaise})
        EXPECT_EQ(LoadError(png, "png", mode), "PNG: Unexpected end of file") << int(mode);
    // A chunk that ends exactly at the end of the file is read: the same
    // file with the text and its checksum whole loads.
    const std::string whole = PngHeader(1, 1, 8, 0) + PngChunk("tEXt", std::string("C\0x", 3)) +
                              PngChunk("IDAT", Deflated(std::string(2, '\0'))) + PngChunk("IEND", "");
    EXPECT_EQ(LoadError(whole, "png"), "");
    EXPECT_EQ(LoadError(whole.substr(0, whole.size() - 1), "png"), "PNG: Unexpected end of file");
    // Wider than libpng's own default limit of a million, within ours.
    const std::string wide =
        PngHeader(1200000, 1, 1, 0) + PngChunk("IDAT", Deflated(std::string(150001, '\0'))) + PngChunk("IEND", "");
    TPixelGraphic g;
    LoadBytes(g, wide, "png");
    EXPECT_EQ(g.GetWidth(), 1200000);
    EXPECT_EQ(LoadError(PngHeader(100000000, 1, 16, 6) + PngChunk("IDAT", Deflated(std::string(1000, '\0'))), "png"),
              "PNG: Invalid size of Image");
}
