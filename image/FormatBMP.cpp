// BMP, DIB and RLE files and the packed DIB of the clipboard.
//
// A file is a 14-byte file header ("BM", size, two reserved words, offset of
// the pixels), then a core header (12 bytes, 3-byte palette entries) or an
// info header (40 bytes, or 108 / 124 for the later versions, 4-byte
// palette entries; with bit fields the three channel masks), then the rows,
// bottom-up unless the height is negative, each padded to 4 bytes. A packed
// DIB is the same without the file header. Pictures keep their rows
// top-down, so every row is placed by its picture row here.
#include <algorithm>
#include <cstring>

#include "image/FormatIO.h"
#include "image/PGFormats.h"
#include "image/PGMessages.h"

namespace {

constexpr int kFileHeaderSize = 14;
constexpr int kCoreHeaderSize = 12;
constexpr int kInfoHeaderSize = 40;
constexpr int kInfoHeaderV4Size = 108;
constexpr int kInfoHeaderV5Size = 124;

// Pictures up to this size may come from any amount of run-length data;
// larger ones need at least one data byte per kRLEMaxRatio pixel bytes.
constexpr int64_t kRLEFreePixelBytes = int64_t(1) << 24;
constexpr int64_t kRLEMaxRatio = 1024;

enum TBMPCompression : uint32_t { biRGB = 0, biRLE8 = 1, biRLE4 = 2, biBitFields = 3 };

[[noreturn]] void BMPError(const std::string& text) { throw EPGBMPFileFormatReader("BMP: " + text); }
[[noreturn]] void FieldInvalid(const std::string& field) { BMPError(FormatLangStr1(7, field)); }
[[noreturn]] void UnexpectedEnd() { BMPError(GetLangStr(32)); }

using pgio::Get16LE;
using pgio::Get32LE;
using pgio::Put16LE;
using pgio::Put32LE;

void ReadExact(TStream& s, void* buffer, int64_t count) {
    if (s.Read(buffer, count) != count) UnexpectedEnd();
}

bool IsInfoHeaderSize(uint32_t size) {
    return size == kInfoHeaderSize || size == kInfoHeaderV4Size || size == kInfoHeaderV5Size;
}

// The header fields the decoder needs, whichever header they came from.
struct TBMPHeader {
    bool Core = false;
    uint32_t Size = 0;
    int64_t Width = 0;
    int64_t Height = 0;  // as stored: negative for a top-down file
    uint16_t Planes = 0;
    uint16_t BitCount = 0;
    uint32_t Compression = biRGB;
    uint32_t SizeImage = 0;
    uint32_t ColorsUsed = 0;
    uint32_t Masks[3] = {0, 0, 0};
    bool MasksRead = false;

    int64_t AbsHeight() const { return Height < 0 ? -Height : Height; }
    bool TopDown() const { return Height < 0; }
    const char* Name() const { return Core ? "BitmapCoreHeader" : "BitmapInfoHeader"; }
    std::string Field(const char* core, const char* info) const {
        return std::string(Name()) + "." + (Core ? core : info);
    }
};

// Reads and checks the header at the stream's position; the stream is left
// right behind it (and behind the masks of a 40-byte bit-field header).
TBMPHeader ReadHeader(TStream& s, bool core) {
    TBMPHeader h;
    h.Core = core;
    uint8_t b[kInfoHeaderSize];
    if (core) {
        ReadExact(s, b, kCoreHeaderSize);
        h.Size = Get32LE(b);
        h.Width = Get16LE(b + 4);
        h.Height = Get16LE(b + 6);
        h.Planes = Get16LE(b + 8);
        h.BitCount = Get16LE(b + 10);
        if (h.Planes != 1) FieldInvalid("BitmapCoreHeader.bcPlanes");
        if (h.BitCount != 1 && h.BitCount != 4 && h.BitCount != 8 && h.BitCount != 24)
            FieldInvalid("BitmapCoreHeader.bcBitCount");
        return h;
    }
    ReadExact(s, b, kInfoHeaderSize);
    h.Size = Get32LE(b);
    // The later header versions are the 40-byte header followed by their
    // colour masks and fields we do not use.
    if (!IsInfoHeaderSize(h.Size)) BMPError(FormatLangStr1(27, "BitmapInfoHeader/BitmapCoreHeader"));
    h.Width = static_cast<int32_t>(Get32LE(b + 4));
    h.Height = static_cast<int32_t>(Get32LE(b + 8));
    h.Planes = Get16LE(b + 12);
    h.BitCount = Get16LE(b + 14);
    h.Compression = Get32LE(b + 16);
    h.SizeImage = Get32LE(b + 20);
    h.ColorsUsed = Get32LE(b + 32);
    if (h.Planes != 1) FieldInvalid("BitmapInfoHeader.biPlanes");
    switch (h.BitCount) {
        case 1:
        case 4:
        case 8:
        case 16:
        case 24:
        case 32: break;
        default: FieldInvalid("BitmapInfoHeader.biBitCount");
    }
    const bool compressionOK = h.Compression == biRGB ||
                               (h.Compression == biBitFields && (h.BitCount == 16 || h.BitCount == 32)) ||
                               (h.Compression == biRLE4 && h.BitCount == 4 && h.Height >= 0) ||
                               (h.Compression == biRLE8 && h.BitCount == 8 && h.Height >= 0);
    if (!compressionOK) FieldInvalid("BitmapInfoHeader.biCompression");
    if (h.Compression == biBitFields) {
        uint8_t m[12];
        ReadExact(s, m, sizeof m);
        for (int i = 0; i < 3; ++i) h.Masks[i] = Get32LE(m + 4 * i);
        h.MasksRead = true;
    }
    if (h.Size > kInfoHeaderSize) {
        const int64_t rest = int64_t(h.Size) - kInfoHeaderSize - (h.MasksRead ? 12 : 0);
        if (rest > s.Remaining()) UnexpectedEnd();
        s.Seek(rest, soCurrent);
    }
    return h;
}

// One colour channel of a 16- or 32-bit pixel: mask, position and width of
// its bits, brought to 8 bits whatever the mask's width.
struct TChannel {
    uint32_t Mask = 0;
    int Low = 0;
    int Span = 0;
    uint32_t Expand = 0;  // added to non-zero values of narrow channels

    TChannel(uint32_t mask, bool expand) : Mask(mask) {
        if (!mask) return;  // a channel without bits reads as 0
        while (!(mask & (1u << Low))) ++Low;
        int high = 31;
        while (!(mask & (1u << high))) --high;
        Span = high - Low + 1;
        if (expand && Span < 8) Expand = 1u << (8 - Span);
    }
    uint8_t Value(uint32_t pixel) const {
        if (!Mask) return 0;
        uint32_t v = (pixel & Mask) >> Low;
        if (Span > 8) v >>= Span - 8;
        else v <<= 8 - Span;
        if (v && Expand) v += Expand;
        return static_cast<uint8_t>(std::min<uint32_t>(v, 255));
    }
};

// Progress of a read in ten steps over `total` bytes; none for small data.
class TTenths {
public:
    TTenths(TPixelGraphic& g, int64_t total) : FGraphic(g), FChunk(total >= 101 ? total / 10 : 0) {}
    // After `done` bytes; true when aborted.
    bool Reached(int64_t done) {
        while (FChunk && FNext <= 9 && done >= FNext * FChunk)
            if (FireProgress(FGraphic, FNext++, 10)) return true;
        return false;
    }
    void Finish() {
        if (FChunk) FireProgress(FGraphic, 10, 10);
    }

private:
    TPixelGraphic& FGraphic;
    int64_t FChunk;
    int FNext = 1;
};

int PictureRow(const TBMPHeader& h, int64_t fileRow) {
    return static_cast<int>(h.TopDown() ? fileRow : h.AbsHeight() - 1 - fileRow);
}

void ReadRawRows(TStream& s, TPixelGraphic& g, const TBMPHeader& h) {
    const int rowSize = g.GetRowSize();
    TTenths tenths(g, g.GetBitsSize());
    for (int64_t i = 0; i < g.GetHeight(); ++i) {
        ReadExact(s, g.GetScanLine(PictureRow(h, i)), rowSize);
        if (tenths.Reached((i + 1) * rowSize)) return;
    }
    tenths.Finish();
}

void ReadBitFieldRows(TStream& s, TPixelGraphic& g, const TBMPHeader& h) {
    static const uint32_t k16[3] = {0x7C00, 0x03E0, 0x001F};
    static const uint32_t k32[3] = {0xFF0000, 0x00FF00, 0x0000FF};
    const uint32_t* masks = h.Compression == biBitFields ? h.Masks : h.BitCount == 16 ? k16 : k32;
    const bool expand = h.BitCount == 16 && CodecOptions().BMP16BitExpand;
    const TChannel red(masks[0], expand), green(masks[1], expand), blue(masks[2], expand);
    const int64_t fileRow = RowSizeOf(h.BitCount, h.Width);
    std::vector<uint8_t> row(static_cast<size_t>(fileRow));
    const int width = g.GetWidth();
    for (int i = 0; i < g.GetHeight(); ++i) {
        ReadExact(s, row.data(), fileRow);
        uint8_t* out = g.GetScanLine(PictureRow(h, i));
        for (int x = 0; x < width; ++x) {
            const uint32_t px = h.BitCount == 16 ? Get16LE(&row[2 * size_t(x)]) : Get32LE(&row[4 * size_t(x)]);
            out[3 * x] = blue.Value(px);
            out[3 * x + 1] = green.Value(px);
            out[3 * x + 2] = red.Value(px);
        }
        if (FireProgress(g, i, g.GetHeight())) return;
    }
}

// Run-length data of 4 or 8 bits. Every run is clipped to the row and every
// absolute run to the data, so forged counts cannot reach past either.
void DecodeRLE(TPixelGraphic& g, const std::vector<uint8_t>& data, bool rle4) {
    const int64_t size = static_cast<int64_t>(data.size());
    const int64_t width = g.GetWidth();
    int64_t x = 0, y = g.GetHeight() - 1, pos = 0;
    const int64_t tenth = size / 10;
    auto put = [&](int64_t px, int v) {
        if (px < 0 || px >= width || y < 0) return;
        uint8_t* row = g.GetScanLine(static_cast<int>(y));
        if (!rle4) {
            row[px] = static_cast<uint8_t>(v);
        } else {
            uint8_t& b = row[px / 2];
            b = (px & 1) ? uint8_t((b & 0xF0) | (v & 0x0F)) : uint8_t((b & 0x0F) | ((v & 0x0F) << 4));
        }
    };
    while (pos < size - 1 && y >= 0) {
        const int n = data[pos];
        const int c = data[pos + 1];
        if (n > 0) {
            const int64_t count = std::min<int64_t>(n, std::max<int64_t>(width - x, 0));
            for (int64_t k = 0; k < count; ++k) put(x + k, rle4 ? ((k & 1) ? c & 0x0F : c >> 4) : c);
            x += n;
            pos += 2;
        } else if (c == 0) {
            x = 0;
            --y;
            pos += 2;
        } else if (c == 1) {
            break;
        } else if (c == 2) {
            if (size - pos < 4) break;
            x += data[pos + 2];
            y -= data[pos + 3];
            pos += 4;
        } else {
            const int64_t bytes = rle4 ? (c + 1) / 2 : c;
            const int64_t avail = std::min<int64_t>(bytes, size - (pos + 2));
            const int64_t pixels =
                std::min<int64_t>(rle4 ? std::min<int64_t>(c, 2 * avail) : avail, std::max<int64_t>(width - x, 0));
            const uint8_t* src = &data[pos + 2];
            for (int64_t k = 0; k < pixels; ++k)
                put(x + k, rle4 ? ((k & 1) ? src[k / 2] & 0x0F : src[k / 2] >> 4) : src[k]);
            x += c;
            pos += 2 + bytes + ((2 + bytes) & 1);
        }
        if (tenth > 0 && pos % tenth == 0 && FireProgress(g, static_cast<int>(pos / tenth), 10)) break;
    }
}

// Decodes a header, palette and pixels. `fileStart` is the position of the
// file header, or -1 for a packed DIB (pixels right behind the palette).
void DecodeBMP(TPixelGraphic& g, TStream& s, bool core, int64_t fileStart, uint32_t pixelOffset) {
    TProgressScope progress(g);
    const TBMPHeader h = ReadHeader(s, core);
    const bool trueColor = h.BitCount > 8;
    const int bitCountNum = trueColor ? 3 : BitCountToNum(h.BitCount);

    // A negative width is the picture's own failure (core headers have none).
    if (h.Width < 0) g.SetSize(static_cast<int>(h.Width), 0, bitCountNum);
    if (h.AbsHeight() > INT32_MAX) FieldInvalid(h.Field("bcHeight", "biHeight"));
    const bool empty = h.Width == 0 || h.Height == 0;
    if (!empty && !PictureSizeAcceptable(h.Width, h.AbsHeight(), trueColor ? 24 : h.BitCount))
        BMPError(FormatLangStr1(27, "Image"));

    // Palette: the colour-table size or the count used, never more entries
    // than the table holds; extra entries are skipped.
    const int tableSize = trueColor ? 0 : 1 << h.BitCount;
    int entries = tableSize;
    int64_t skipped = 0;
    if (!core && h.ColorsUsed > 0) {
        entries = static_cast<int>(std::min<uint32_t>(h.ColorsUsed, tableSize));
        skipped = (int64_t(h.ColorsUsed) - entries) * 4;
    }
    const int entrySize = core ? 3 : 4;
    const int64_t paletteAt = s.GetPosition();
    const int64_t paletteEnd = paletteAt + int64_t(entries) * entrySize;
    const int64_t pixelBytes = empty ? 0
                               : h.Compression == biRLE4 || h.Compression == biRLE8
                                   ? int64_t(h.SizeImage)
                                   : RowSizeOf(h.BitCount, h.Width) * h.AbsHeight();
    const int64_t streamSize = s.GetSize();
    // Pixels lie behind the palette, or where the file header says when
    // that is further on (and inside the file).
    int64_t pixelsAt = paletteEnd + skipped;
    if (fileStart >= 0) {
        const int64_t declared = fileStart + int64_t(pixelOffset);
        if (declared >= paletteEnd && declared + pixelBytes <= streamSize) pixelsAt = declared;
    }
    if (paletteEnd > streamSize || pixelsAt + pixelBytes > streamSize) UnexpectedEnd();
    // Run-length data may describe far more pixels than it has bytes, but a
    // few dozen bytes claiming a gigabyte picture are a forgery.
    const bool rle = h.Compression == biRLE4 || h.Compression == biRLE8;
    const int64_t pictureBytes = RowSizeOf(h.BitCount, h.Width) * h.AbsHeight();
    if (rle && pictureBytes > std::max(kRLEFreePixelBytes, kRLEMaxRatio * pixelBytes))
        BMPError(FormatLangStr1(27, "Image"));

    g.SetSize(static_cast<int>(h.Width), static_cast<int>(h.AbsHeight()), bitCountNum);
    if (trueColor) {
        g.SetPaletteType(pTrueColor);
    } else {
        g.SetPaletteCount(entries);
        if (entries == 0) {
            g.SetPaletteType(pNone);
        } else {
            std::vector<uint8_t> pal(size_t(entries) * entrySize);
            ReadExact(s, pal.data(), int64_t(pal.size()));
            for (int i = 0; i < entries; ++i) {
                const uint8_t* e = &pal[size_t(i) * entrySize];
                g.SetPaletteColor(i, RGB(e[2], e[1], e[0]));
            }
        }
    }
    if (empty) {
        progress.End();
        return;
    }
    s.SetPosition(pixelsAt);

    if (rle) {
        std::vector<uint8_t> data(h.SizeImage);
        ReadExact(s, data.data(), int64_t(data.size()));
        DecodeRLE(g, data, h.Compression == biRLE4);
    } else if (trueColor && h.BitCount != 24) {
        ReadBitFieldRows(s, g, h);
    } else {
        ReadRawRows(s, g, h);
    }
    progress.End();
}

std::vector<uint8_t> InfoHeader(const TPixelGraphic& g, uint32_t paletteEntries) {
    std::vector<uint8_t> b(kInfoHeaderSize, 0);
    Put32LE(&b[0], kInfoHeaderSize);
    Put32LE(&b[4], static_cast<uint32_t>(g.GetWidth()));
    Put32LE(&b[8], static_cast<uint32_t>(g.GetHeight()));
    Put16LE(&b[12], 1);
    Put16LE(&b[14], static_cast<uint32_t>(g.GetBitCount()));
    Put32LE(&b[20], static_cast<uint32_t>(g.GetBitsSize()));
    Put32LE(&b[32], paletteEntries);
    return b;
}

class TBMPFileFormatReader : public TFileFormatReader {
public:
    TBMPFileFormatReader() {
        Extension = "bmp";
        Description = "Bitmap";
        HasSignature = true;
    }
    std::string ClassName() const override { return "TBMPFileFormatReader"; }

    bool IsFormat(const uint8_t* header, int size) const override {
        return size >= 2 && header[0] == 'B' && header[1] == 'M';
    }

    void Read(TStream& stream, TPixelGraphic& graphic, int index) override {
        if (index != 0) BMPError(FormatLangStr1(7, "Index"));
        const int64_t fileStart = stream.GetPosition();
        const TFileHeader f = ReadFileHeader(stream);
        DecodeBMP(graphic, stream, f.HeaderSize == kCoreHeaderSize, fileStart, f.PixelOffset);
    }

    void GetInfo(TStream& stream, int index, TPictureInfo& info) override {
        TFileFormatReader::GetInfo(stream, index, info);
        if (index != 0) BMPError(FormatLangStr1(20, "Index"));
        const TBMPHeader h = ReadHeader(stream, ReadFileHeader(stream).HeaderSize == kCoreHeaderSize);
        info.Width = static_cast<int>(h.Width);
        info.Height = static_cast<int>(h.Height);
        info.BitsPerPixel = h.BitCount;
        switch (h.BitCount) {
            case 1: info.ColorCount = "2"; break;
            case 4: info.ColorCount = "16"; break;
            case 8: info.ColorCount = "256"; break;
            case 16: info.ColorCount = "64K"; break;
            default: info.ColorCount = "16.7M"; break;
        }
        if (h.Core) {
            info.SubFormat = "OS/2";
        } else {
            info.SubFormat = "Windows";
            switch (h.Compression) {
                case biRGB: info.SubFormat += ", RGB"; break;
                case biRLE8: info.SubFormat += ", RLE8"; break;
                case biRLE4: info.SubFormat += ", RLE4"; break;
                default: break;
            }
            if (h.TopDown()) info.SubFormat += ", Top-Down";
        }
    }

private:
    struct TFileHeader {
        uint32_t PixelOffset;
        uint32_t HeaderSize;
    };
    // Reads the file header and the size of the header behind it, raising
    // for sizes the decoder does not know; the stream is left at that header.
    static TFileHeader ReadFileHeader(TStream& s) {
        uint8_t b[kFileHeaderSize + 4];
        ReadExact(s, b, sizeof b);
        s.Seek(-4, soCurrent);
        const TFileHeader f{Get32LE(b + 10), Get32LE(b + kFileHeaderSize)};
        if (f.HeaderSize != kCoreHeaderSize && !IsInfoHeaderSize(f.HeaderSize))
            BMPError(FormatLangStr1(27, "BitmapInfoHeader/BitmapCoreHeader"));
        return f;
    }
};

class TDIBFileFormatReader : public TBMPFileFormatReader {
public:
    TDIBFileFormatReader() { Extension = "dib"; }
    std::string ClassName() const override { return "TDIBFileFormatReader"; }
};

class TRLEFileFormatReader : public TBMPFileFormatReader {
public:
    TRLEFileFormatReader() { Extension = "rle"; }
    std::string ClassName() const override { return "TRLEFileFormatReader"; }
};

class TBMPFileFormatWriter : public TFileFormatWriter {
public:
    TBMPFileFormatWriter() {
        Extension = "bmp";
        Description = "Bitmap";
        CanWriteResolutions = AllColorResolutions;
    }
    std::string ClassName() const override { return "TBMPFileFormatWriter"; }

    void Write(TStream& stream, TPixelGraphic& graphic) override {
        const uint32_t paletteBytes = 4 * static_cast<uint32_t>(PaletteForWriting(graphic).size());
        uint8_t b[kFileHeaderSize] = {'B', 'M'};
        Put32LE(b + 2, kFileHeaderSize + kInfoHeaderSize + paletteBytes + static_cast<uint32_t>(graphic.GetBitsSize()));
        Put32LE(b + 10, kFileHeaderSize + kInfoHeaderSize + paletteBytes);
        stream.WriteBuffer(b, sizeof b);
        graphic.WritePackedDIB(stream);
    }
};

class TDIBFileFormatWriter : public TBMPFileFormatWriter {
public:
    TDIBFileFormatWriter() { Extension = "dib"; }
    std::string ClassName() const override { return "TDIBFileFormatWriter"; }
};

}  // namespace

void TPixelGraphic::ReadBMP(TStream& stream, bool coreHeader) { DecodeBMP(*this, stream, coreHeader, -1, 0); }

void TPixelGraphic::WritePackedDIB(TStream& stream) {
    // A palette picture without entries is stored with a full black table:
    // zero colours used would make readers take the pixels for a palette.
    const std::vector<uint32_t> palette = PaletteForWriting(*this);
    const std::vector<uint8_t> header = InfoHeader(*this, static_cast<uint32_t>(palette.size()));
    stream.WriteBuffer(header.data(), int64_t(header.size()));
    std::vector<uint8_t> pal(palette.size() * 4, 0);
    for (size_t i = 0; i < palette.size(); ++i) {
        pal[4 * i] = GetBValue(palette[i]);
        pal[4 * i + 1] = GetGValue(palette[i]);
        pal[4 * i + 2] = GetRValue(palette[i]);
    }
    stream.WriteBuffer(pal.data(), int64_t(pal.size()));
    // A picture without pixels (a width of 0 with any height) has no rows to write.
    if (GetBitsSize() == 0) return;
    for (int y = GetHeight() - 1; y >= 0; --y) stream.WriteBuffer(GetScanLine(y), GetRowSize());
}

std::unique_ptr<TFileFormatWriter> MakeBMPFileFormatWriter() { return std::make_unique<TBMPFileFormatWriter>(); }

void RegisterBMPFileFormats() {
    RegisterFileFormatReader(std::make_unique<TBMPFileFormatReader>());
    RegisterFileFormatReader(std::make_unique<TDIBFileFormatReader>());
    RegisterFileFormatReader(std::make_unique<TRLEFileFormatReader>());
    RegisterFileFormatWriter(std::make_unique<TBMPFileFormatWriter>());
    RegisterFileFormatWriter(std::make_unique<TDIBFileFormatWriter>());
}
