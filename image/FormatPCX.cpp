// PCX (Paintbrush) files, read only: 1 bit, 4 bits in four planes, 8 bits
// with the 256-colour palette at the end of the file, 24 bits in three
// planes; every line run-length encoded.
//
// Header (128 bytes, little-endian): 0 manufacturer 10, 1 version, 2
// encoding, 3 bits per pixel per plane, 4..11 x min, y min, x max, y max,
// 16 a 16-entry palette (red, green, blue), 64 reserved 0, 65 planes, 66
// bytes per line per plane, 68 palette info 1.
#include <algorithm>
#include <cstring>
#include <vector>

#include "image/FormatIO.h"
#include "image/PGFormats.h"
#include "image/PGMessages.h"

namespace {

using namespace pgio;

constexpr int kHeaderSize = 128;
constexpr int kPaletteBlockSize = 769;  // marker 12 and 256 triples
constexpr int kMaxRun = 63;

[[noreturn]] void PCXError(const std::string& text) { throw EPGPCXFileFormatReader("PCX: " + text); }
[[noreturn]] void UnexpectedEnd() { PCXError(GetLangStr(32)); }
[[noreturn]] void UnknownSubformat() { PCXError(GetLangStr(33)); }

struct TPCXHeader {
    uint8_t Version = 0;
    uint8_t BitsPerPlane = 0;
    int64_t Width = 0;
    int64_t Height = 0;
    uint8_t Palette16[48] = {};
    uint8_t Planes = 0;
    int64_t BytesPerLine = 0;
    int BitCount = 0;  // 1, 4, 8 or 24 once Check has run

    int64_t LineLength() const { return int64_t(Planes) * BytesPerLine; }
};

TPCXHeader ReadHeader(TStream& s) {
    uint8_t b[kHeaderSize];
    if (s.Read(b, kHeaderSize) != kHeaderSize) UnexpectedEnd();
    TPCXHeader h;
    h.Version = b[1];
    h.BitsPerPlane = b[3];
    h.Width = int64_t(Get16LE(b + 8)) - Get16LE(b + 4) + 1;
    h.Height = int64_t(Get16LE(b + 10)) - Get16LE(b + 6) + 1;
    std::memcpy(h.Palette16, b + 16, sizeof h.Palette16);
    h.Planes = b[65];
    h.BytesPerLine = Get16LE(b + 66);
    if (Get16LE(b + 68) != 1 || b[64] != 0) UnknownSubformat();
    return h;
}

// The format of the header's combination of bits and planes.
void CheckFormat(TPCXHeader& h) {
    if (h.BitsPerPlane == 1 && h.Planes == 1) h.BitCount = 1;
    else if (h.BitsPerPlane == 1 && h.Planes == 4) h.BitCount = 4;
    else if (h.BitsPerPlane == 8 && h.Planes == 1) h.BitCount = 8;
    else if (h.BitsPerPlane == 8 && h.Planes == 3) h.BitCount = 24;
    else UnknownSubformat();
}

// The fewest bytes any encoding of a line of `length` bytes takes: runs of
// 63 cost two bytes each; of the rest, one byte can be a literal and two
// bytes cost two either way.
int64_t LeastEncodedLine(int64_t length) { return 2 * (length / kMaxRun) + std::min<int64_t>(length % kMaxRun, 2); }

// Size, line length and the least data the lines can be encoded in, checked
// before anything is allocated.
void CheckSizes(const TPCXHeader& h, int64_t bytesLeft) {
    if (!PictureSizeAcceptable(h.Width, h.Height, h.BitCount)) PCXError(FormatLangStr1(27, "Image"));
    const int64_t needed = h.BitsPerPlane == 1 ? (h.Width + 7) / 8 : h.Width;
    if (h.BytesPerLine < needed) PCXError(FormatLangStr1(7, "BytesPerLine"));
    if (LeastEncodedLine(h.LineLength()) * h.Height > bytesLeft) UnexpectedEnd();
}

// The palette block at the end of the stream; the position is kept.
void ReadTrailingPalette(TStream& s, TPixelGraphic& g) {
    const int64_t pos = s.GetPosition();
    const int64_t at = s.GetSize() - kPaletteBlockSize;
    if (at < pos) UnexpectedEnd();
    uint8_t block[kPaletteBlockSize];
    s.SetPosition(at);
    const int64_t n = s.Read(block, kPaletteBlockSize);
    s.SetPosition(pos);
    if (n != kPaletteBlockSize) UnexpectedEnd();
    if (block[0] != 12) UnknownSubformat();
    g.SetPaletteCount(256);
    for (int i = 0; i < 256; ++i) g.SetPaletteColor(i, RGB(block[1 + 3 * i], block[2 + 3 * i], block[3 + 3 * i]));
}

void SetPalette(TStream& s, TPixelGraphic& g, const TPCXHeader& h) {
    switch (h.BitCount) {
        case 1: g.SetPaletteType(pBlackWhite); break;
        case 4:
            if (h.Version == 3) {
                g.SetPaletteType(pSys16);
            } else {
                g.SetPaletteCount(16);
                for (int i = 0; i < 16; ++i)
                    g.SetPaletteColor(i, RGB(h.Palette16[3 * i], h.Palette16[3 * i + 1], h.Palette16[3 * i + 2]));
            }
            break;
        case 8: ReadTrailingPalette(s, g); break;
        default: g.SetPaletteType(pTrueColor); break;
    }
}

// One encoded line; values past its end are dropped, runs never carry over.
void DecodeLine(TReadBuffer& in, uint8_t* line, int64_t length) {
    int64_t x = 0;
    while (x < length) {
        uint8_t b = in.Get();
        int64_t count = 1;
        if (b >= 0xC0) {
            count = b & 0x3F;
            b = in.Get();
        }
        count = std::min(count, length - x);
        std::memset(line + x, b, static_cast<size_t>(count));
        x += count;
    }
}

void PlaceLine(TPixelGraphic& g, const TPCXHeader& h, const uint8_t* line, int y) {
    uint8_t* row = g.GetScanLine(y);
    const int width = g.GetWidth();
    const int64_t bpl = h.BytesPerLine;
    switch (h.BitCount) {
        case 1: {
            const int bytes = (width + 7) / 8;
            std::memcpy(row, line, size_t(bytes));
            if (width % 8) row[bytes - 1] &= uint8_t(0xFF << (8 - width % 8));
            break;
        }
        case 4:
            for (int x = 0; x < width; ++x) {
                const int byte = x / 8, bit = 7 - x % 8;
                const int v = ((line[byte] >> bit) & 1) | (((line[bpl + byte] >> bit) & 1) << 1) |
                              (((line[2 * bpl + byte] >> bit) & 1) << 2) | (((line[3 * bpl + byte] >> bit) & 1) << 3);
                if (x & 1) row[x / 2] = uint8_t(row[x / 2] | v);
                else row[x / 2] = uint8_t(v << 4);
            }
            break;
        case 8: std::memcpy(row, line, size_t(width)); break;
        default:
            for (int x = 0; x < width; ++x) {
                row[3 * x] = line[2 * bpl + x];
                row[3 * x + 1] = line[bpl + x];
                row[3 * x + 2] = line[x];
            }
            break;
    }
}

class TPCXFileFormatReader : public TFileFormatReader {
public:
    TPCXFileFormatReader() {
        Extension = "pcx";
        Description = "Paintbrush";
        HasSignature = true;
    }
    std::string ClassName() const override { return "TPCXFileFormatReader"; }

    bool IsFormat(const uint8_t* header, int size) const override { return size >= 1 && header[0] == 10; }

    void Read(TStream& stream, TPixelGraphic& g, int index) override {
        if (index != 0) PCXError(FormatLangStr1(7, "Index"));
        g.SetGamma(DisplayGamma);
        TPCXHeader h = ReadHeader(stream);
        g.SetSize(0, 0, g.GetBitCountNum());
        CheckFormat(h);
        // A negative size is the picture's own failure.
        if (h.Width < 0 || h.Height < 0)
            g.SetSize(static_cast<int>(h.Width), static_cast<int>(h.Height), BitCountToNum(h.BitCount));
        CheckSizes(h, stream.Remaining());
        g.SetSize(static_cast<int>(h.Width), static_cast<int>(h.Height), BitCountToNum(h.BitCount));
        SetPalette(stream, g, h);

        std::vector<uint8_t> line(static_cast<size_t>(h.LineLength()));
        TReadBuffer in(stream, UnexpectedEnd);
        TProgressScope progress(g);
        for (int y = 0; y < g.GetHeight(); ++y) {
            DecodeLine(in, line.data(), h.LineLength());
            PlaceLine(g, h, line.data(), y);
            if (FireProgress(g, y, g.GetHeight())) break;
        }
        progress.End();
    }

    void GetInfo(TStream& stream, int index, TPictureInfo& info) override {
        TFileFormatReader::GetInfo(stream, index, info);
        if (index != 0) PCXError(FormatLangStr1(20, "Index"));
        const TPCXHeader h = ReadHeader(stream);
        info.BitsPerPixel = h.Planes * h.BitsPerPlane;
        info.ColorCount = ColorCountText(info.BitsPerPixel);
        info.Width = static_cast<int>(h.Width);
        info.Height = static_cast<int>(h.Height);
        switch (h.Version) {
            case 0: info.SubFormat = "Version 2.5 (0)"; break;
            case 2: info.SubFormat = "Version 2.8 (2) with Palette"; break;
            case 3: info.SubFormat = "Version 2.8 (3) without Palette"; break;
            case 5: info.SubFormat = "Version 3.0 (5)"; break;
            default: break;
        }
    }
};

}  // namespace

void RegisterPCXFileFormats() { RegisterFileFormatReader(std::make_unique<TPCXFileFormatReader>()); }
