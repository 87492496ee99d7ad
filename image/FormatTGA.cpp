// Truevision Targa files: read at 8 (colour-mapped or grey), 16 (5-5-5), 24
// and 32 bits, plain or run-length encoded, in any of the four orientations;
// written as 8-bit colour-mapped or 24-bit true-colour, bottom-up, plain.
//
// Header (18 bytes, little-endian): 0 ID length, 1 colour-map type, 2 image
// type (bit 3: run-length encoded), 3 first colour-map index, 5 colour-map
// length, 7 colour-map entry size in bits, 8 x origin, 10 y origin, 12 width,
// 14 height, 16 pixel depth, 17 descriptor (bit 4 right-to-left, bit 5
// top-to-bottom). Then the ID field, the colour map and the pixels.
#include <algorithm>
#include <cstring>
#include <vector>

#include "image/FormatIO.h"
#include "image/PGFormats.h"
#include "image/PGMessages.h"

namespace {

using namespace pgio;

constexpr int kHeaderSize = 18;
constexpr int kMaxPacket = 128;

[[noreturn]] void TGAError(const std::string& text) { throw EPGTGAFileFormatReader("TGA: " + text); }
[[noreturn]] void UnexpectedEnd() { TGAError(GetLangStr(32)); }
[[noreturn]] void NotSupported() { TGAError(GetLangStr(30)); }

struct TTGAHeader {
    uint8_t IdLength = 0;
    uint8_t ColorMapType = 0;
    uint8_t ImageType = 0;
    uint16_t FirstEntry = 0;
    uint16_t MapLength = 0;
    uint8_t EntryBits = 0;
    uint16_t Width = 0;
    uint16_t Height = 0;
    uint8_t Depth = 0;
    uint8_t Descriptor = 0;

    bool RunLength() const { return ImageType & 8; }
    bool RightToLeft() const { return Descriptor & 0x10; }
    bool TopDown() const { return Descriptor & 0x20; }
    int BytesPerPixel() const { return Depth / 8; }
    bool HasColorMap() const { return ColorMapType == 1; }
    int64_t MapBytes() const { return HasColorMap() ? int64_t(MapLength) * ((EntryBits + 7) / 8) : 0; }
};

TTGAHeader ReadHeader(TStream& s) {
    uint8_t b[kHeaderSize];
    if (s.Read(b, kHeaderSize) != kHeaderSize) UnexpectedEnd();
    TTGAHeader h;
    h.IdLength = b[0];
    h.ColorMapType = b[1];
    h.ImageType = b[2];
    h.FirstEntry = Get16LE(b + 3);
    h.MapLength = Get16LE(b + 5);
    h.EntryBits = b[7];
    h.Width = Get16LE(b + 12);
    h.Height = Get16LE(b + 14);
    h.Depth = b[16];
    h.Descriptor = b[17];
    return h;
}

void Skip(TReadBuffer& in, int64_t count) {
    uint8_t scrap[256];
    while (count > 0) {
        const int64_t n = std::min<int64_t>(count, sizeof scrap);
        in.Read(scrap, n);
        count -= n;
    }
}

// A colour of a 16-bit (x-5-5-5) value.
uint32_t Color555(uint32_t v) { return RGB(((v >> 10) & 31) * 8, ((v >> 5) & 31) * 8, (v & 31) * 8); }

// Colour map entries land at their own index: the first stored entry is the
// header's first index, lower indices stay black.
void ReadColorMap(TReadBuffer& in, TPixelGraphic& g, const TTGAHeader& h) {
    if (h.EntryBits != 16 && h.EntryBits != 24 && h.EntryBits != 32) NotSupported();
    const int size = h.EntryBits / 8;
    g.SetPaletteCount(std::min(256, h.FirstEntry + h.MapLength));
    for (int i = 0; i < h.MapLength; ++i) {
        uint8_t e[4];
        in.Read(e, size);
        const uint32_t colour = size == 2 ? Color555(Get16LE(e)) : RGB(e[2], e[1], e[0]);
        if (h.FirstEntry + i < g.GetPaletteCount()) g.SetPaletteColor(h.FirstEntry + i, colour);
    }
}

// Pixels of run-length packets. A packet may run on into the next row: its
// rest is kept for that row rather than dropped.
class TPacketReader {
public:
    TPacketReader(TReadBuffer& in, int bytesPerPixel) : FIn(in), FSize(bytesPerPixel) {}

    void ReadRow(uint8_t* out, int pixels) {
        while (pixels > 0) {
            if (FLeft == 0) {
                const uint8_t head = FIn.Get();
                FLeft = (head & 127) + 1;
                FRun = head & 128;
                if (FRun) FIn.Read(FValue, FSize);
            }
            const int n = std::min(FLeft, pixels);
            if (FRun) {
                for (int i = 0; i < n; ++i) std::memcpy(out + size_t(i) * FSize, FValue, size_t(FSize));
            } else {
                FIn.Read(out, int64_t(n) * FSize);
            }
            out += size_t(n) * FSize;
            pixels -= n;
            FLeft -= n;
        }
    }

private:
    TReadBuffer& FIn;
    int FSize;
    int FLeft = 0;
    bool FRun = false;
    uint8_t FValue[4] = {};
};

// Puts one file row into its picture row, in normal orientation.
void PlaceRow(TPixelGraphic& g, const TTGAHeader& h, const uint8_t* src, int fileRow) {
    const int width = g.GetWidth();
    uint8_t* row = g.GetScanLine(h.TopDown() ? fileRow : g.GetHeight() - 1 - fileRow);
    const int bpp = h.BytesPerPixel();
    for (int x = 0; x < width; ++x) {
        const int dx = h.RightToLeft() ? width - 1 - x : x;
        const uint8_t* p = src + size_t(x) * bpp;
        if (bpp == 1) {
            row[dx] = p[0];
            continue;
        }
        uint8_t* d = row + 3 * size_t(dx);
        if (bpp == 2) {
            const uint32_t c = Color555(Get16LE(p));
            d[0] = GetBValue(c), d[1] = GetGValue(c), d[2] = GetRValue(c);
        } else {
            d[0] = p[0], d[1] = p[1], d[2] = p[2];
        }
    }
}

class TTGAFileFormatReader : public TFileFormatReader {
public:
    TTGAFileFormatReader() {
        Extension = "tga";
        Description = "Truevision Targa";
    }
    std::string ClassName() const override { return "TTGAFileFormatReader"; }

    void Read(TStream& stream, TPixelGraphic& g, int index) override {
        if (index != 0) TGAError(FormatLangStr1(7, "Index"));
        const TTGAHeader h = ReadHeader(stream);
        if (h.Depth != 8 && h.Depth != 16 && h.Depth != 24 && h.Depth != 32) NotSupported();
        const int bpp = h.BytesPerPixel();
        const int64_t pixels = int64_t(h.Width) * h.Height;
        const int64_t leastData = h.RunLength() ? (pixels + kMaxPacket - 1) / kMaxPacket * (1 + bpp) : pixels * bpp;
        if (h.IdLength + h.MapBytes() + leastData > stream.Remaining()) UnexpectedEnd();

        TReadBuffer in(stream, UnexpectedEnd);
        Skip(in, h.IdLength);
        const bool mapped = h.Depth == 8 && h.HasColorMap();
        g.SetSize(h.Width, h.Height, h.Depth == 8 ? 2 : 3);
        if (mapped) ReadColorMap(in, g, h);
        else Skip(in, h.MapBytes());
        if (h.Depth == 8 && !mapped) g.SetPaletteType(pGray256);
        if (h.Height == 0) return;

        const bool direct = !h.RunLength() && (h.Depth == 8 || h.Depth == 24) && !h.RightToLeft();
        std::vector<uint8_t> buffer(direct ? 0 : size_t(h.Width) * bpp);
        TPacketReader packets(in, bpp);
        TProgressScope progress(g);
        for (int r = 0; r < h.Height; ++r) {
            if (direct) {
                in.Read(g.GetScanLine(h.TopDown() ? r : h.Height - 1 - r), int64_t(h.Width) * bpp);
            } else {
                if (h.RunLength()) packets.ReadRow(buffer.data(), h.Width);
                else in.Read(buffer.data(), int64_t(buffer.size()));
                PlaceRow(g, h, buffer.data(), r);
            }
            if (FireProgress(g, r, h.Height)) break;
        }
        progress.End();
    }

    void GetInfo(TStream& stream, int index, TPictureInfo& info) override {
        TFileFormatReader::GetInfo(stream, index, info);
        if (index != 0) TGAError(FormatLangStr1(20, "Index"));
        const TTGAHeader h = ReadHeader(stream);
        static const char* const kKinds[] = {"Color-mapped", "True-color", "\"Black-and-white\""};
        const int kind = h.ImageType & 7;
        if ((h.ImageType & ~8) < 1 || (h.ImageType & ~8) > 3) TGAError(FormatLangStr1(20, "ImageType"));
        info.SubFormat = h.RunLength() ? "Run-length encoded" : "Uncompressed";
        info.Extra = kKinds[kind - 1];
        info.Width = h.Width;
        info.Height = h.Height;
        info.BitsPerPixel = h.Depth;
        info.ColorCount = h.Depth > 24 ? "16.7M ?" : ColorCountText(h.Depth);
    }
};

class TTGAFileFormatWriter : public TFileFormatWriter {
public:
    TTGAFileFormatWriter() {
        Extension = "tga";
        Description = "Truevision Targa";
        CanWriteResolutions = ColorResolutionBit(cr256Colors) | ColorResolutionBit(crTrueColor);
    }
    std::string ClassName() const override { return "TTGAFileFormatWriter"; }

    void Write(TStream& stream, TPixelGraphic& g) override {
        // The header holds 16-bit sizes: a larger picture would be stored
        // with wrong ones.
        if (g.GetWidth() > 0xFFFF || g.GetHeight() > 0xFFFF) throw EPixelGraphic("TGA: " + FormatLangStr1(27, "Image"));
        const bool trueColor = g.GetBitCount() == 24;
        const std::vector<uint32_t> palette = PaletteForWriting(g);
        uint8_t header[kHeaderSize] = {};
        if (trueColor) {
            header[2] = 2;
            header[16] = 24;
        } else {
            header[1] = 1;
            header[2] = 1;
            Put16LE(header + 5, uint32_t(palette.size()));
            header[7] = 24;
            header[16] = 8;
        }
        Put16LE(header + 12, uint32_t(g.GetWidth()));
        Put16LE(header + 14, uint32_t(g.GetHeight()));
        stream.WriteBuffer(header, kHeaderSize);

        std::vector<uint8_t> map(palette.size() * 3);
        for (size_t i = 0; i < palette.size(); ++i) {
            map[3 * i] = GetBValue(palette[i]);
            map[3 * i + 1] = GetGValue(palette[i]);
            map[3 * i + 2] = GetRValue(palette[i]);
        }
        stream.WriteBuffer(map.data(), int64_t(map.size()));

        // 1- and 4-bit pictures are stored as 8-bit indices.
        const int width = g.GetWidth(), bits = g.GetBitCount();
        std::vector<uint8_t> indices(bits < 8 ? size_t(width) : 0);
        TWriteBuffer out(stream);
        {
            TProgressScope progress(g);
            for (int y = g.GetHeight() - 1, step = 0; y >= 0; --y, ++step) {
                const uint8_t* row = g.GetScanLine(y);
                if (bits < 8) {
                    for (int x = 0; x < width; ++x) indices[size_t(x)] = uint8_t(g.GetPixel(x, y));
                    row = indices.data();
                }
                out.Write(row, size_t(width) * (trueColor ? 3 : 1));
                FireProgress(g, step, g.GetHeight());
            }
            progress.End();
        }
        out.Flush();
    }
};

}  // namespace

void RegisterTGAFileFormats() {
    RegisterFileFormatReader(std::make_unique<TTGAFileFormatReader>());
    RegisterFileFormatWriter(std::make_unique<TTGAFileFormatWriter>());
}
