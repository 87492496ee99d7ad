// TIFF files: read from single-plane strips, uncompressed or PackBits, in
// both byte orders (bilevel, grey, palette, RGB, RGB with an extra sample,
// CMYK); written as one image with a fixed set of tags.
//
// A file is "II" (little-endian) or "MM" (big-endian), the number 42 and the
// offset of the first directory. A directory is a 16-bit entry count, the
// entries (tag, type, count, value or offset: 12 bytes) and the offset of
// the next directory. Offsets count from the start of the TIFF, which may
// lie inside a larger stream.
#include <algorithm>
#include <cstring>
#include <vector>

#include "image/FormatIO.h"
#include "image/PGFormats.h"
#include "image/PGMessages.h"

namespace {

using namespace pgio;

enum TTiffTag : uint16_t {
    tagNewSubfileType = 254,
    tagImageWidth = 256,
    tagImageLength = 257,
    tagBitsPerSample = 258,
    tagCompression = 259,
    tagPhotometric = 262,
    tagStripOffsets = 273,
    tagSamplesPerPixel = 277,
    tagRowsPerStrip = 278,
    tagStripByteCounts = 279,
    tagXResolution = 282,
    tagYResolution = 283,
    tagPlanarConfiguration = 284,
    tagResolutionUnit = 296,
    tagColorMap = 320,
};
enum TTiffType : uint16_t { ftByte = 1, ftShort = 3, ftLong = 4, ftRational = 5 };
enum : uint32_t { cmpNone = 1, cmpPackBits = 32773 };
enum : uint32_t { phWhiteIsZero = 0, phBlackIsZero = 1, phRGB = 2, phPalette = 3, phCMYK = 5 };

constexpr int kEntrySize = 12;
constexpr int kPackBitsWindow = 4096;
constexpr int64_t kMaxPackBitsRun = 128;
constexpr int64_t kReadBlock = 1 << 18;  // bytes of uncompressed rows read at once

[[noreturn]] void TIFFError(const std::string& text) { throw EPGTIFFileFormatReader("TIFF: " + text); }
[[noreturn]] void UnexpectedEnd() { TIFFError(GetLangStr(32)); }
[[noreturn]] void InvalidSamplesPerPixel() { TIFFError("Invalid SamplesPerPixel"); }
[[noreturn]] void WriterError(const std::string& text) { throw EPGTIFFileFormatWriter("TIFF: " + text); }

// ---- reading ----------------------------------------------------------------------
struct TEntry {
    uint16_t Tag;
    uint16_t Type;
    uint32_t Count;
    uint8_t Value[4];
};

// The TIFF inside its stream: positioned reads relative to its start, each
// checked against the stream's end.
class TTiffSource {
public:
    explicit TTiffSource(TStream& s) : FStream(s), FStart(s.GetPosition()), FSize(s.GetSize() - FStart) {}

    int64_t Size() const { return FSize; }
    bool BigEndian() const { return FBigEndian; }
    void SetBigEndian(bool v) { FBigEndian = v; }

    void ReadAt(int64_t offset, void* buffer, int64_t count) {
        if (offset < 0 || count > FSize - offset) UnexpectedEnd();
        FStream.SetPosition(FStart + offset);
        if (FStream.Read(buffer, count) != count) UnexpectedEnd();
    }
    // Up to count bytes at offset (fewer at the end of the TIFF).
    int64_t ReadSome(int64_t offset, void* buffer, int64_t count) {
        if (offset < 0 || offset >= FSize) return 0;
        FStream.SetPosition(FStart + offset);
        return FStream.Read(buffer, std::min(count, FSize - offset));
    }
    uint16_t U16(const uint8_t* p) const { return FBigEndian ? Get16BE(p) : Get16LE(p); }
    uint32_t U32(const uint8_t* p) const { return FBigEndian ? Get32BE(p) : Get32LE(p); }
    uint16_t ReadU16(int64_t offset) {
        uint8_t b[2];
        ReadAt(offset, b, 2);
        return U16(b);
    }
    uint32_t ReadU32(int64_t offset) {
        uint8_t b[4];
        ReadAt(offset, b, 4);
        return U32(b);
    }

private:
    TStream& FStream;
    int64_t FStart;
    int64_t FSize;
    bool FBigEndian = false;
};

[[noreturn]] void UnsupportedType(uint16_t type) { TIFFError("Unsupported field Type: " + std::to_string(type)); }

int ItemSize(uint16_t type) {
    switch (type) {
        case ftByte: return 1;
        case ftShort: return 2;
        case ftLong: return 4;
        default: UnsupportedType(type);
    }
}

// The fields of one directory that the reader uses.
struct TDirectory {
    std::vector<TEntry> Entries;
    uint32_t Width = 0, Length = 0;
    uint32_t Compression = cmpNone;
    uint32_t Photometric = 0;
    uint32_t SamplesPerPixel = 1;
    uint32_t PlanarConfiguration = 1;
    uint64_t RowsPerStrip = 0;  // 1 .. Length once parsed
    std::vector<uint32_t> BitsPerSample;
    std::vector<uint32_t> StripOffsets;
    std::vector<uint32_t> ColorMap;
    int ImageCount = 1;
    bool BigEndian = false;

    const TEntry* Find(uint16_t tag) const {
        const TEntry* found = nullptr;
        for (const TEntry& e : Entries)
            if (e.Tag == tag) found = &e;  // the last one wins
        return found;
    }
    int BitCount() const { return SamplesPerPixel == 1 ? static_cast<int>(BitsPerSample[0]) : 24; }
    // Bytes of one row as stored.
    int64_t RowBytes() const {
        int64_t bits = 0;
        for (uint32_t b : BitsPerSample) bits += b;
        return (bits * Width + 7) / 8;
    }
};

uint32_t Scalar(const TTiffSource& src, const TDirectory& d, uint16_t tag, uint32_t missing) {
    const TEntry* e = d.Find(tag);
    if (!e) return missing;
    switch (e->Type) {
        case ftByte: return e->Value[0];
        case ftShort: return src.U16(e->Value);
        case ftLong: return src.U32(e->Value);
        default: UnsupportedType(e->Type);
    }
}

// An array tag's values; counts are checked against the data the file holds
// before anything is allocated.
std::vector<uint32_t> Array(TTiffSource& src, const TDirectory& d, uint16_t tag) {
    const TEntry* e = d.Find(tag);
    if (!e) return {};
    const int size = ItemSize(e->Type);
    const int64_t bytes = int64_t(e->Count) * size;
    std::vector<uint8_t> raw;
    const uint8_t* p = e->Value;
    if (bytes > 4) {
        const int64_t offset = src.U32(e->Value);
        if (bytes > src.Size() - offset) UnexpectedEnd();
        raw.resize(size_t(bytes));
        src.ReadAt(offset, raw.data(), bytes);
        p = raw.data();
    }
    std::vector<uint32_t> values(e->Count);
    for (uint32_t i = 0; i < e->Count; ++i, p += size) values[i] = size == 1 ? *p : size == 2 ? src.U16(p) : src.U32(p);
    return values;
}

// Offset of the directory for index and the number of images: without
// counting the chain is not walked and there is one image; a broken chain
// also counts as one image at the first directory.
uint32_t FindDirectory(TTiffSource& src, uint32_t first, int index, int& count) {
    count = 1;
    if (!CodecOptions().TiffCountImages) return first;
    uint32_t wanted = first;
    int n = 0;
    for (uint32_t offset = first; offset != 0;) {
        if (int64_t(offset) > src.Size() - 2) return first;
        const int64_t next = int64_t(offset) + 2 + int64_t(src.ReadU16(offset)) * kEntrySize;
        if (next > src.Size() - 4) return first;
        if (n == index) wanted = offset;
        if (++n > CodecOptions().TiffMaxImages) return first;
        offset = src.ReadU32(next);
    }
    count = n;
    return wanted;
}

// Header, directory and the tags (steps common to Read and GetInfo).
TDirectory ParseTiff(TTiffSource& src, int index) {
    uint8_t head[8];
    if (src.ReadSome(0, head, 8) != 8) TIFFError(FormatLangStr1(34, "TIF"));
    if (head[0] == 'I' && head[1] == 'I') src.SetBigEndian(false);
    else if (head[0] == 'M' && head[1] == 'M') src.SetBigEndian(true);
    else TIFFError(FormatLangStr1(34, "TIF"));
    if (src.U16(head + 2) != 42) TIFFError(FormatLangStr1(34, "TIF"));

    TDirectory d;
    d.BigEndian = src.BigEndian();
    const uint32_t at = FindDirectory(src, src.U32(head + 4), index, d.ImageCount);
    if (index < 0 || index >= d.ImageCount) TIFFError(FormatLangStr1(7, "Index"));

    const int count = src.ReadU16(at);
    std::vector<uint8_t> raw(size_t(count) * kEntrySize);
    src.ReadAt(int64_t(at) + 2, raw.data(), int64_t(raw.size()));
    d.Entries.resize(size_t(count));
    for (int i = 0; i < count; ++i) {
        const uint8_t* p = &raw[size_t(i) * kEntrySize];
        TEntry& e = d.Entries[size_t(i)];
        e.Tag = src.U16(p);
        e.Type = src.U16(p + 2);
        e.Count = src.U32(p + 4);
        std::memcpy(e.Value, p + 8, 4);
    }

    // Tags that are missing take the format's defaults where it has one.
    d.PlanarConfiguration = Scalar(src, d, tagPlanarConfiguration, 1);
    if (d.PlanarConfiguration > 1) TIFFError(FormatLangStr1(7, "PlanarConfiguration"));
    d.Width = Scalar(src, d, tagImageWidth, 0);
    d.Length = Scalar(src, d, tagImageLength, 0);
    d.Compression = Scalar(src, d, tagCompression, cmpNone);
    d.Photometric = Scalar(src, d, tagPhotometric, 0);
    d.SamplesPerPixel = Scalar(src, d, tagSamplesPerPixel, 1);
    d.RowsPerStrip = Scalar(src, d, tagRowsPerStrip, 0);
    if (d.SamplesPerPixel != 1 && d.SamplesPerPixel != 3 && d.SamplesPerPixel != 4) InvalidSamplesPerPixel();
    if (const TEntry* bits = d.Find(tagBitsPerSample)) {
        if (bits->Count != d.SamplesPerPixel) TIFFError("Invalid count of SamplesPerPixel");
        d.BitsPerSample = Array(src, d, tagBitsPerSample);
    } else {
        d.BitsPerSample.assign(d.SamplesPerPixel, 1);
    }

    d.StripOffsets = Array(src, d, tagStripOffsets);
    // Missing or 0: a single strip holds every row.
    if (d.RowsPerStrip == 0 && d.StripOffsets.size() == 1) d.RowsPerStrip = d.Length;
    if (d.RowsPerStrip == 0) TIFFError("Invalid RowsPerStrip");
    // "One strip" is 2^32 - 1 rows: counted in 64 bits and clamped.
    d.RowsPerStrip = std::max<uint64_t>(1, std::min<uint64_t>(d.RowsPerStrip, d.Length));
    if (d.Photometric == phPalette) d.ColorMap = Array(src, d, tagColorMap);
    return d;
}

// The pictures the reader can store.
void CheckCombination(const TDirectory& d) {
    const auto& bits = d.BitsPerSample;
    const auto all8 = [&] { return std::all_of(bits.begin(), bits.end(), [](uint32_t b) { return b == 8; }); };
    bool ok = false;
    switch (d.Photometric) {
        case phWhiteIsZero:
        case phBlackIsZero:
        case phPalette: ok = bits.size() == 1 && (bits[0] == 1 || bits[0] == 4 || bits[0] == 8); break;
        case phRGB: ok = (bits.size() == 3 || bits.size() == 4) && all8(); break;
        case phCMYK: ok = bits.size() == 4 && all8(); break;
        default: break;
    }
    if (!ok) InvalidSamplesPerPixel();
}

void CheckCompression(uint32_t compression) {
    switch (compression) {
        case cmpNone:
        case cmpPackBits: return;
        case 2: TIFFError("Unsupported compression CCITT 1D");
        case 3: TIFFError("Unsupported compression Group 3 Fax");
        case 4: TIFFError("Unsupported compression Group 4 Fax");
        case 5: TIFFError("Unsupported compression LZW");
        case 6: TIFFError("Unsupported compression JPEG");
        default: TIFFError("Unsupported compression " + std::to_string(compression));
    }
}

// The strip count the rows need must match the offsets. A single strip
// that disagrees is taken as holding every row, as the warning mode allows.
void CheckStripCount(TDirectory& d, TPGWarningAction mode) {
    const uint64_t strips = (uint64_t(d.Length) + d.RowsPerStrip - 1) / d.RowsPerStrip;
    if (strips == d.StripOffsets.size()) return;
    const std::string text = "TIFF: NumStripOffsets<>(ImageLength+RowsPerStrip-1) div RowsPerStrip";
    if (d.StripOffsets.size() != 1) throw EPGTIFFileFormatReader(text);
    if (mode == pgwaOKBox) {
        AskWarning(mode, "TIFF-Warning", text);
        throw EPGTIFFileFormatReader(text);
    }
    if (AskWarning(mode, "TIFF-Warning", text) != waGoOn) throw EPGTIFFileFormatReader(text);
    d.RowsPerStrip = d.Length;
}

// Least bytes one stored row takes: itself, or PackBits runs of 128.
int64_t LeastRowBytes(const TDirectory& d) {
    const int64_t row = d.RowBytes();
    return d.Compression == cmpNone ? row : 2 * ((row + kMaxPackBitsRun - 1) / kMaxPackBitsRun);
}

// Every strip must fit in the file, and all of them together too (strips do
// not share data), so a small forged file cannot ask for a huge picture.
void CheckStripData(const TTiffSource& src, const TDirectory& d) {
    const int64_t least = LeastRowBytes(d);
    int64_t total = 0;
    for (size_t s = 0; s < d.StripOffsets.size(); ++s) {
        const int64_t rows = std::min<int64_t>(d.RowsPerStrip, int64_t(d.Length) - int64_t(s * d.RowsPerStrip));
        const int64_t need = rows * least;
        if (need > src.Size() - d.StripOffsets[s] || need > src.Size() - total) UnexpectedEnd();
        total += need;
    }
}

// PackBits data read through a window over the stream.
class TPackBitsReader {
public:
    explicit TPackBitsReader(TTiffSource& src) : FSource(src) {}

    void Seek(int64_t offset) { FPos = offset; }

    void ReadRow(uint8_t* out, int64_t size, int y) {
        int64_t x = 0;
        while (x < size) {
            // NOLINTNEXTLINE(bugprone-signed-char-misuse): the count byte is signed.
            const int n = static_cast<int8_t>(Next());
            if (n >= 0) {
                if (x + n + 1 > size) Overfilled(y);
                Copy(out + x, n + 1);
                x += n + 1;
            } else if (n != -128) {
                if (x + 1 - n > size) Overfilled(y);
                std::memset(out + x, Next(), size_t(1 - n));
                x += 1 - n;
            }
        }
    }

private:
    // Brings FPos into the window.
    void Fill() {
        if (FPos < FWindowStart || FPos >= FWindowStart + FWindowSize) {
            FWindowStart = FPos;
            FWindowSize = FSource.ReadSome(FPos, FWindow, kPackBitsWindow);
            if (FWindowSize <= 0) UnexpectedEnd();
        }
    }
    uint8_t Next() {
        Fill();
        return FWindow[FPos++ - FWindowStart];
    }
    void Copy(uint8_t* out, int64_t count) {
        while (count > 0) {
            Fill();
            const int64_t n = std::min(count, FWindowStart + FWindowSize - FPos);
            std::memcpy(out, FWindow + (FPos - FWindowStart), size_t(n));
            out += n;
            FPos += n;
            count -= n;
        }
    }
    [[noreturn]] static void Overfilled(int y) {
        throw EPGTIFFileFormatReader("TIFF (PackBits): " + FormatLangStr1(38, std::to_string(y)));
    }

    TTiffSource& FSource;
    uint8_t FWindow[kPackBitsWindow];
    int64_t FWindowStart = 0;
    int64_t FWindowSize = 0;
    int64_t FPos = 0;
};

void SetPalette(TPixelGraphic& g, const TDirectory& d) {
    if (d.Photometric != phPalette) {
        g.SetPaletteType(d.BitCount() == 1 ? pBlackWhite : d.BitCount() == 4 ? pGray16 : pGray256);
        return;
    }
    if (d.BitCount() == 1) {
        g.SetPaletteType(pBlackWhite);
        return;
    }
    // The map holds all reds, then all greens, then all blues.
    const size_t n = d.ColorMap.size() / 3;
    const int entries = static_cast<int>(std::min<size_t>(n, size_t(g.GetColorTableSize())));
    g.SetPaletteCount(entries);
    const auto channel = [&](size_t i) { return uint8_t(std::min<uint32_t>(d.ColorMap[i] / 256, 255)); };
    for (int i = 0; i < entries; ++i)
        g.SetPaletteColor(i, RGB(channel(size_t(i)), channel(n + size_t(i)), channel(2 * n + size_t(i))));
}

void StoreRow(const TDirectory& d, const uint8_t* src, uint8_t* row, int width) {
    const bool invert = d.Photometric == phWhiteIsZero;
    switch (d.BitCount()) {
        case 1:
        case 4: {
            const int bits = d.BitCount();
            const int bytes = (width * bits + 7) / 8;
            for (int i = 0; i < bytes; ++i) row[i] = invert ? uint8_t(~src[i]) : src[i];
            const int used = (width * bits) % 8;
            if (used) row[bytes - 1] &= uint8_t(0xFF << (8 - used));
            break;
        }
        case 8:
            if (invert)
                for (int x = 0; x < width; ++x) row[x] = uint8_t(255 - src[x]);
            else std::memcpy(row, src, size_t(width));
            break;
        default:
            if (d.SamplesPerPixel == 3) {
                for (int x = 0; x < width; ++x, src += 3) {
                    row[3 * x] = src[2];
                    row[3 * x + 1] = src[1];
                    row[3 * x + 2] = src[0];
                }
            } else if (d.Photometric == phCMYK) {
                for (int x = 0; x < width; ++x, src += 4) {
                    const int k = src[3];
                    row[3 * x] = uint8_t(std::max(255 - src[2] - k, 0));
                    row[3 * x + 1] = uint8_t(std::max(255 - src[1] - k, 0));
                    row[3 * x + 2] = uint8_t(std::max(255 - src[0] - k, 0));
                }
            } else {
                for (int x = 0; x < width; ++x, src += 4) {
                    row[3 * x] = src[2];
                    row[3 * x + 1] = src[1];
                    row[3 * x + 2] = src[0];
                }
            }
            break;
    }
}

class TTIFFileFormatReader : public TFileFormatReader {
public:
    TTIFFileFormatReader() {
        Extension = "tif";
        Description = "Tagged Image File Format";
        HasSignature = true;
    }
    std::string ClassName() const override { return "TTIFFileFormatReader"; }

    bool IsFormat(const uint8_t* h, int size) const override {
        return size >= 4 && ((h[0] == 'I' && h[1] == 'I' && h[2] == 42 && h[3] == 0) ||
                             (h[0] == 'M' && h[1] == 'M' && h[2] == 0 && h[3] == 42));
    }

    void Read(TStream& stream, TPixelGraphic& g, int index) override {
        TTiffSource src(stream);
        TDirectory d = ParseTiff(src, index);
        CheckCombination(d);
        CheckCompression(d.Compression);
        CheckStripCount(d, g.GetReadWarningAction());
        if (!PictureSizeAcceptable(d.Width, d.Length, d.BitCount())) TIFFError(FormatLangStr1(27, "Image"));
        CheckStripData(src, d);

        // Rows are stored whole once read; those never read are erased below.
        g.SetSizeForOverwrite(int(d.Width), int(d.Length), BitCountToNum(d.BitCount()));
        SetPalette(g, d);
        TProgressScope progress(g);
        int stored = 0;  // rows read and stored
        try {
            ReadRows(src, d, g, stored);
        } catch (...) {
            g.ZeroRowsFrom(stored);
            throw;
        }
        g.ZeroRowsFrom(stored);
        progress.End();
    }

private:
    static void ReadRows(TTiffSource& src, const TDirectory& d, TPixelGraphic& g, int& stored) {
        // Uncompressed rows are read some at a time, never past their strip.
        const int64_t rowBytes = int64_t(d.RowBytes());
        // The width and every sample's bits are at least 1 here.
        // NOLINTBEGIN(clang-analyzer-core.DivideZero)
        const int64_t blockRows =
            d.Compression == cmpNone
                ? std::max<int64_t>(1, std::min<int64_t>(int64_t(d.RowsPerStrip), kReadBlock / rowBytes))
                : 1;
        // NOLINTEND(clang-analyzer-core.DivideZero)
        std::vector<uint8_t> buffer(size_t(rowBytes * blockRows));
        TPackBitsReader packBits(src);
        int64_t position = 0;
        const uint8_t* next = nullptr;  // next row of the block
        int64_t left = 0;               // rows of the block not yet stored
        for (int y = 0; y < g.GetHeight(); ++y) {
            if (uint64_t(y) % d.RowsPerStrip == 0) {
                position = d.StripOffsets[size_t(uint64_t(y) / d.RowsPerStrip)];
                packBits.Seek(position);
                left = 0;
            }
            if (d.Compression == cmpNone) {
                if (left == 0) {
                    const int64_t inStrip = int64_t(d.RowsPerStrip - uint64_t(y) % d.RowsPerStrip);
                    left = std::min({blockRows, inStrip, int64_t(g.GetHeight()) - y});
                    src.ReadAt(position, buffer.data(), left * rowBytes);
                    position += left * rowBytes;
                    next = buffer.data();
                }
            } else {
                packBits.ReadRow(buffer.data(), rowBytes, y);
                next = buffer.data();
                left = 1;
            }
            StoreRow(d, next, g.GetScanLine(y), g.GetWidth());
            stored = y + 1;
            next += rowBytes;
            --left;
            if (FireProgress(g, y, g.GetHeight())) break;
        }
    }

public:
    void GetInfo(TStream& stream, int index, TPictureInfo& info) override {
        TFileFormatReader::GetInfo(stream, index, info);
        TTiffSource src(stream);
        const TDirectory d = ParseTiff(src, index);
        info.ImageCount = d.ImageCount;
        info.Width = static_cast<int>(d.Width);
        info.Height = static_cast<int>(d.Length);
        int bits = 0;
        for (uint32_t b : d.BitsPerSample) bits += static_cast<int>(std::min<uint32_t>(b, 64));
        info.BitsPerPixel = bits;
        info.ColorCount = bits > 23 ? "16.7 M" : ColorCountText(bits);
        info.SubFormat = d.BigEndian ? "M, " : "I, ";
        static const char* const kNames[] = {"", "Uncompr.", "CCITT 1D", "Group 3 F.", "Group 4 F.", "LZW", "JPEG"};
        if (d.Compression >= 1 && d.Compression <= 6) info.SubFormat += kNames[d.Compression];
        else if (d.Compression == cmpPackBits) info.SubFormat += "PackBits";
        else info.SubFormat += std::to_string(d.Compression);
        if (d.Compression != cmpNone && d.Compression != cmpPackBits) info.Extra = "(Unsupported compression)";
        static const char* const kPhotometric[] = {", WhiteIsZero", ", BlackIsZero", ", RGB", ", RGB Palette", "",
                                                   ", CMYK"};
        if (d.Photometric > phCMYK || d.Photometric == 4)
            TIFFError("Unsupported photometric interpretation " + std::to_string(d.Photometric));
        info.SubFormat += kPhotometric[d.Photometric];
        CheckCombination(d);
    }
};

class TTIFFFileFormatReader : public TTIFFileFormatReader {
public:
    TTIFFFileFormatReader() { Extension = "tiff"; }
    std::string ClassName() const override { return "TTIFFFileFormatReader"; }
};

// ---- writing -------------------------------------------------------------------------
// PackBits of rows: literal stretches and runs of up to 128 bytes; a pair
// of equal bytes stays literal where a chain of pairs touches a single
// byte (cheaper that way). The output buffer lives as long as the encoder,
// so rows cost no allocations.
class TPackBitsEncoder {
public:
    // Encodes a row; the bytes are at Data(), valid until the next row.
    size_t Encode(const uint8_t* row, int64_t size) {
        // Worst case: a header for every 128 literal bytes.
        const size_t worst = size_t(size + size / kMaxPackBitsRun + 2);
        if (FOut.size() < worst) FOut.resize(worst);
        FEnd = FOut.data();
        int64_t literal = -1;  // start of the literal stretch being gathered
        const auto runEnd = [&](int64_t i) {
            const uint8_t v = row[i];
            int64_t j = i + 1;
            while (j < size && row[j] == v) ++j;
            return j;
        };
        const auto isPair = [&](int64_t i) {
            return i + 1 < size && row[i + 1] == row[i] && (i + 2 == size || row[i + 2] != row[i]);
        };
        for (int64_t i = 0; i < size;) {
            const int64_t j = runEnd(i);
            if (j - i == 1) {
                if (literal < 0) literal = i;
                i = j;
                continue;
            }
            if (j - i == 2) {
                int64_t chainEnd = j;
                while (isPair(chainEnd)) chainEnd += 2;
                const bool single = chainEnd < size && (chainEnd + 1 == size || row[chainEnd + 1] != row[chainEnd]);
                if (literal >= 0 || single) {
                    if (literal < 0) literal = i;
                    i = chainEnd;
                    continue;
                }
                PutLiteral(row, literal, i);
                for (; i < chainEnd; i += 2) PutRun(row[i], 2);
                continue;
            }
            PutLiteral(row, literal, i);
            PutRun(row[i], j - i);
            i = j;
        }
        PutLiteral(row, literal, size);
        return size_t(FEnd - FOut.data());
    }
    const uint8_t* Data() const { return FOut.data(); }

private:
    // The literal stretch from start (none when negative) to end; clears start.
    void PutLiteral(const uint8_t* row, int64_t& start, int64_t end) {
        if (start < 0) return;
        for (int64_t p = start; p < end; p += kMaxPackBitsRun) {
            const int64_t count = std::min(kMaxPackBitsRun, end - p);
            *FEnd++ = uint8_t(count - 1);
            std::memcpy(FEnd, row + p, size_t(count));
            FEnd += count;
        }
        start = -1;
    }
    void PutRun(uint8_t value, int64_t length) {
        for (int64_t left = length; left > 0; left -= kMaxPackBitsRun) {
            *FEnd++ = uint8_t(1 - std::min(kMaxPackBitsRun, left));
            *FEnd++ = value;
        }
    }

    std::vector<uint8_t> FOut;
    uint8_t* FEnd = nullptr;
};

// What one picture is stored as, and where the blocks of its file lie
// (offsets from the start of the TIFF).
struct TTiffPlan {
    int Bits = 0;
    int Samples = 1;
    bool CMYK = false;
    bool PackBits = false;
    bool Palette = false;
    bool InvertRows = false;  // white-is-zero grey or black-and-white
    uint32_t Photometric = phBlackIsZero;
    int64_t RowSize = 0;
    uint32_t RowsPerStrip = 0;
    uint32_t Strips = 0;
    uint32_t Directory = 8;
    int Entries = 13;
    uint32_t ColorMap = 0, ColorMapCount = 0;
    uint32_t BitsPerSample = 0;
    uint32_t Resolutions = 0;
    uint32_t StripArrays = 0;  // offsets, then byte counts, with more than one strip
    uint32_t Pixels = 0;
};

TTiffPlan PlanTiff(const TPixelGraphic& g) {
    TTiffPlan t;
    t.Bits = g.GetBitCount();
    const int64_t width = g.GetWidth();
    const TPaletteIdent type = g.GetPaletteType();
    const bool grey = (t.Bits == 4 && type == pGray16) || (t.Bits == 8 && type == pGray256);
    t.Palette = (t.Bits == 4 || t.Bits == 8) && !grey;
    t.CMYK = t.Bits == 24 && CodecOptions().TiffWriteCMYK;
    t.PackBits = CodecOptions().TiffCompression == int32_t(cmpPackBits);
    t.Samples = t.Bits == 24 ? (t.CMYK ? 4 : 3) : 1;
    t.InvertRows = CodecOptions().TiffWhiteIsZero && t.Bits < 24 && !t.Palette;
    t.Photometric = t.Bits == 24   ? (t.CMYK ? phCMYK : phRGB)
                    : t.Palette    ? phPalette
                    : t.InvertRows ? phWhiteIsZero
                                   : phBlackIsZero;
    t.RowSize = t.Bits == 24 ? width * t.Samples : (width * t.Bits + 7) / 8;

    const int64_t worst = t.RowSize * (t.PackBits ? 2 : 1);
    t.RowsPerStrip = uint32_t(std::clamp<int64_t>(32767 / worst, 1, g.GetHeight()));
    t.Strips = (uint32_t(g.GetHeight()) + t.RowsPerStrip - 1) / t.RowsPerStrip;

    // Every block has an even size, so each starts on an even offset.
    t.Entries = t.Palette ? 14 : 13;
    uint32_t at = t.Directory + 2 + kEntrySize * t.Entries + 4;
    if (t.Palette) {
        t.ColorMap = at;
        t.ColorMapCount = 3u << t.Bits;
        at += 2 * t.ColorMapCount;
    }
    if (t.Samples > 1) {
        t.BitsPerSample = at;
        at += 2 * t.Samples;
    }
    t.Resolutions = at;
    at += 16;
    if (t.Strips > 1) {
        t.StripArrays = at;
        at += 8 * t.Strips;
    }
    t.Pixels = at;
    return t;
}

// The bytes of row y as stored, before compression.
void EncodeRow(const TTiffPlan& t, const uint8_t* row, int width, uint8_t* out) {
    if (t.Bits < 24) {
        for (int64_t i = 0; i < t.RowSize; ++i) out[i] = t.InvertRows ? uint8_t(~row[i]) : row[i];
        const int used = int((int64_t(width) * t.Bits) % 8);
        if (used) out[t.RowSize - 1] &= uint8_t(0xFF << (8 - used));
        return;
    }
    for (int x = 0; x < width; ++x, row += 3) {
        const uint8_t red = row[2], green = row[1], blue = row[0];
        if (!t.CMYK) {
            *out++ = red, *out++ = green, *out++ = blue;
            continue;
        }
        const uint8_t c = 255 - red, m = 255 - green, y = 255 - blue;
        const uint8_t k = std::min({c, m, y});
        *out++ = uint8_t(c - k), *out++ = uint8_t(m - k), *out++ = uint8_t(y - k), *out++ = k;
    }
}

class TTIFFileFormatWriter : public TFileFormatWriter {
public:
    TTIFFileFormatWriter() {
        Extension = "tif";
        Description = "Tagged Image File Format";
        CanWriteResolutions = AllColorResolutions & ~ColorResolutionBit(cr2Colors);
        StepwiseWrite = true;
    }
    std::string ClassName() const override { return "TTIFFileFormatWriter"; }

    void WriteHeader(TStream& stream, TPixelGraphic& g) override {
        if (g.GetWidth() < 1 || g.GetHeight() < 1) WriterError(GetLangStr(35));
        if (CodecOptions().TiffCompression != int32_t(cmpNone) &&
            CodecOptions().TiffCompression != int32_t(cmpPackBits))
            WriterError("Internal Error");
        FStart = stream.GetPosition();
        FBigEndian = CodecOptions().TiffBigEndian;
        uint8_t head[8] = {};
        head[0] = head[1] = FBigEndian ? 'M' : 'I';
        Put16(head + 2, 42);
        stream.WriteBuffer(head, sizeof head);
    }

    void WriteImage(TStream& stream, TPixelGraphic& g) override {
        const TTiffPlan t = PlanTiff(g);
        const std::vector<uint8_t> dir = Directory(t, g);
        uint8_t first[4];
        Put32(first, t.Directory);
        stream.SetPosition(FStart + 4);
        stream.WriteBuffer(first, 4);
        stream.SetPosition(FStart + t.Directory);
        stream.WriteBuffer(dir.data(), int64_t(dir.size()));

        std::vector<uint32_t> offsets, counts;
        const int64_t end = WriteStrips(stream, t, g, offsets, counts);

        // Strip offsets and byte counts: in the entries themselves for one
        // strip, else in the room kept for them.
        if (t.Strips == 1) {
            PatchEntryValue(stream, t, kStripOffsetsEntry, offsets[0]);
            PatchEntryValue(stream, t, kStripByteCountsEntry, counts[0]);
        } else {
            std::vector<uint8_t> arrays(8 * size_t(t.Strips));
            for (uint32_t s = 0; s < t.Strips; ++s) {
                Put32(&arrays[4 * s], offsets[s]);
                Put32(&arrays[4 * (t.Strips + s)], counts[s]);
            }
            stream.SetPosition(FStart + t.StripArrays);
            stream.WriteBuffer(arrays.data(), int64_t(arrays.size()));
        }
        stream.SetPosition(FStart + end);
    }

private:
    // Positions of the two strip entries in the directory.
    static constexpr int kStripOffsetsEntry = 6;
    static constexpr int kStripByteCountsEntry = 9;

    void Put16(uint8_t* p, uint32_t v) const { FBigEndian ? Put16BE(p, v) : Put16LE(p, v); }
    void Put32(uint8_t* p, uint32_t v) const { FBigEndian ? Put32BE(p, v) : Put32LE(p, v); }

    // The directory and the blocks behind it up to the pixels.
    std::vector<uint8_t> Directory(const TTiffPlan& t, const TPixelGraphic& g) const {
        std::vector<uint8_t> dir(size_t(t.Pixels - t.Directory), 0);
        uint8_t* p = dir.data();
        Put16(p, uint32_t(t.Entries));
        p += 2;
        const auto entry = [&](uint16_t tag, uint16_t type, uint32_t count, uint32_t value) {
            Put16(p, tag);
            Put16(p + 2, type);
            Put32(p + 4, count);
            if (type == ftShort && count == 1) Put16(p + 8, value);  // and 16 zero bits
            else Put32(p + 8, value);
            p += kEntrySize;
        };
        const uint32_t stripArrays = t.Strips > 1 ? t.StripArrays : 0;
        entry(tagNewSubfileType, ftLong, 1, 0);
        entry(tagImageWidth, ftLong, 1, uint32_t(g.GetWidth()));
        entry(tagImageLength, ftLong, 1, uint32_t(g.GetHeight()));
        entry(tagBitsPerSample, ftShort, uint32_t(t.Samples), t.Samples > 1 ? t.BitsPerSample : uint32_t(t.Bits));
        entry(tagCompression, ftShort, 1, uint32_t(CodecOptions().TiffCompression));
        entry(tagPhotometric, ftShort, 1, t.Photometric);
        entry(tagStripOffsets, ftLong, t.Strips, stripArrays);
        entry(tagSamplesPerPixel, ftShort, 1, uint32_t(t.Samples));
        entry(tagRowsPerStrip, ftLong, 1, t.RowsPerStrip);
        entry(tagStripByteCounts, ftLong, t.Strips, t.Strips > 1 ? t.StripArrays + 4 * t.Strips : 0);
        entry(tagXResolution, ftRational, 1, t.Resolutions);
        entry(tagYResolution, ftRational, 1, t.Resolutions + 8);
        entry(tagResolutionUnit, ftShort, 1, uint32_t(CodecOptions().TiffResolutionUnit) + 1);
        if (t.Palette) entry(tagColorMap, ftShort, t.ColorMapCount, t.ColorMap);
        p += 4;  // no next directory

        if (t.Palette) {
            // All reds, then all greens, then all blues; black past the palette.
            const int n = 1 << t.Bits;
            for (int i = 0; i < n; ++i) {
                const uint32_t c = i < g.GetPaletteCount() ? g.GetPaletteColor(i) : 0;
                Put16(p + 2 * i, GetRValue(c) * 256u);
                Put16(p + 2 * (n + i), GetGValue(c) * 256u);
                Put16(p + 2 * (2 * n + i), GetBValue(c) * 256u);
            }
            p += 2 * t.ColorMapCount;
        }
        if (t.Samples > 1)
            for (int i = 0; i < t.Samples; ++i, p += 2) Put16(p, 8);
        Put32(p, uint32_t(CodecOptions().TiffXResolution[0]));
        Put32(p + 4, uint32_t(CodecOptions().TiffXResolution[1]));
        Put32(p + 8, uint32_t(CodecOptions().TiffYResolution[0]));
        Put32(p + 12, uint32_t(CodecOptions().TiffYResolution[1]));
        return dir;
    }

    // The rows, strip by strip from even offsets; returns the end of the
    // data (padded to even).
    static int64_t WriteStrips(TStream& stream, const TTiffPlan& t, TPixelGraphic& g, std::vector<uint32_t>& offsets,
                               std::vector<uint32_t>& counts) {
        const int height = g.GetHeight();
        std::vector<uint8_t> raw(size_t(t.RowSize));
        TPackBitsEncoder packBits;
        int64_t written = t.Pixels;
        TWriteBuffer out(stream);
        const auto padToEven = [&] {
            if (written & 1) out.Put(0), ++written;
        };
        {
            TProgressScope progress(g);
            for (int y = 0; y < height; ++y) {
                if (uint32_t(y) % t.RowsPerStrip == 0) {
                    padToEven();
                    offsets.push_back(uint32_t(written));
                }
                EncodeRow(t, g.GetScanLine(y), g.GetWidth(), raw.data());
                const size_t size = t.PackBits ? packBits.Encode(raw.data(), t.RowSize) : raw.size();
                out.Write(t.PackBits ? packBits.Data() : raw.data(), size);
                written += int64_t(size);
                if (uint32_t(y + 1) % t.RowsPerStrip == 0 || y + 1 == height)
                    counts.push_back(uint32_t(written - offsets.back()));
                FireProgress(g, y, height - 1);
            }
            progress.End();
        }
        padToEven();
        out.Flush();
        return written;
    }

    void PatchEntryValue(TStream& stream, const TTiffPlan& t, int entry, uint32_t value) const {
        uint8_t b[4];
        Put32(b, value);
        stream.SetPosition(FStart + t.Directory + 2 + kEntrySize * entry + 8);
        stream.WriteBuffer(b, 4);
    }

    int64_t FStart = 0;
    bool FBigEndian = false;
};

class TTIFFFileFormatWriter : public TTIFFileFormatWriter {
public:
    TTIFFFileFormatWriter() { Extension = "tiff"; }
    std::string ClassName() const override { return "TTIFFFileFormatWriter"; }
};

}  // namespace

void RegisterTIFFFileFormats() {
    RegisterFileFormatReader(std::make_unique<TTIFFileFormatReader>());
    RegisterFileFormatReader(std::make_unique<TTIFFFileFormatReader>());
    RegisterFileFormatWriter(std::make_unique<TTIFFileFormatWriter>());
    RegisterFileFormatWriter(std::make_unique<TTIFFFileFormatWriter>());
}
