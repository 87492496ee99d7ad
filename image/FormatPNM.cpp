// The portable any-map family: bitmap (PBM, "P1" text / "P4" binary),
// graymap (PGM, "P2" / "P5") and pixmap (PPM, "P3" / "P6"), read and written.
//
// A file is "P" and the type digit, then width, height and (except for
// bitmaps) the maximum value as decimal numbers separated by blanks or
// comments ("#" to the end of the line), one blank, then the pixels from the
// top row: in text form as decimal numbers (a plain bitmap has one digit per
// pixel, blanks between them optional), in binary form as bytes (a bitmap
// eight pixels a byte, 1 = black).
#include <algorithm>
#include <cstring>
#include <vector>

#include "image/FormatIO.h"
#include "image/PGFormats.h"
#include "image/PGMessages.h"

namespace {

using namespace pgio;

const char* const kPrefix = "PBM, PGM, PPM: ";
// Numbers stop growing here: larger ones are refused or clamped later.
constexpr uint32_t kNumberLimit = 0x7FFFFFFF;

[[noreturn]] void PxMError(const std::string& text) { throw EPGPxMFileFormatReader(kPrefix + text); }
[[noreturn]] void UnexpectedEnd() { PxMError(GetLangStr(32)); }
[[noreturn]] void NotSupported() { PxMError(GetLangStr(30)); }

bool IsDigit(uint8_t b) { return b >= '0' && b <= '9'; }

// Skips blanks and comments up to the next digit, which is returned.
uint8_t NextDigit(TReadBuffer& in) {
    for (;;) {
        uint8_t b = in.Get();
        if (IsDigit(b)) return b;
        if (b == '#')
            while (b != '\n' && b != '\r') b = in.Get();
    }
}

// The next decimal number; the first byte behind it is consumed. The end of
// the stream may end the last number of a file.
uint32_t ReadNumber(TReadBuffer& in) {
    uint64_t v = NextDigit(in) - '0';
    uint8_t b;
    while (in.TryGet(b) && IsDigit(b)) v = std::min<uint64_t>(v * 10 + (b - '0'), kNumberLimit);
    return static_cast<uint32_t>(v);
}

struct TPxMHeader {
    int Type = 0;  // 1..6
    uint32_t Width = 0;
    uint32_t Height = 0;
    uint32_t MaxValue = 1;

    bool Binary() const { return Type >= 4; }
    int Kind() const { return Binary() ? Type - 3 : Type; }  // 1 bitmap, 2 graymap, 3 pixmap
    int BitCount() const { return Kind() == 1 ? 1 : Kind() == 2 ? 8 : 24; }
    int Channels() const { return Kind() == 3 ? 3 : 1; }
};

int ReadType(TReadBuffer& in) {
    if (in.Get() != 'P') PxMError(FormatLangStr1(34, "PBM, PGM, PPM"));
    const uint8_t digit = in.Get();
    if (digit < '1' || digit > '6') PxMError(GetLangStr(33));
    return digit - '0';
}

TPxMHeader ReadHeader(TReadBuffer& in) {
    TPxMHeader h;
    h.Type = ReadType(in);
    h.Width = ReadNumber(in);
    h.Height = ReadNumber(in);
    if (h.Kind() != 1) h.MaxValue = ReadNumber(in);
    return h;
}

// Least number of bytes the pixels can be stored in.
int64_t LeastPixelBytes(const TPxMHeader& h) {
    const int64_t samples = int64_t(h.Width) * h.Height * h.Channels();
    if (h.Type == 4) return (int64_t(h.Width) + 7) / 8 * h.Height;
    if (h.Binary() || h.Type == 1) return samples;  // a byte, or a digit, each
    return 2 * samples - 1;                         // digits and separators
}

// value * 255 div max, values above max taken as max.
class TScale {
public:
    explicit TScale(uint32_t max) : FMax(max) {
        if (max <= 255)
            for (uint32_t v = 0; v <= max; ++v) FTable[v] = uint8_t(v * 255 / max);
    }
    uint8_t operator()(uint32_t v) const {
        v = std::min(v, FMax);
        return FMax <= 255 ? FTable[v] : uint8_t(uint64_t(v) * 255 / FMax);
    }

private:
    uint32_t FMax;
    uint8_t FTable[256] = {};
};

void ReadTextRow(TReadBuffer& in, const TPxMHeader& h, const TScale& scale, uint8_t* row, int width) {
    switch (h.Type) {
        case 1:
            std::memset(row, 0, size_t(width + 7) / 8);
            for (int x = 0; x < width; ++x)
                if (NextDigit(in) == '0') row[x / 8] |= uint8_t(0x80 >> (x % 8));
            break;
        case 2:
            for (int x = 0; x < width; ++x) row[x] = scale(ReadNumber(in));
            break;
        default:
            for (int x = 0; x < width; ++x) {
                const uint8_t r = scale(ReadNumber(in)), g = scale(ReadNumber(in));
                row[3 * x] = scale(ReadNumber(in));
                row[3 * x + 1] = g;
                row[3 * x + 2] = r;
            }
            break;
    }
}

void ReadBinaryRow(TReadBuffer& in, const TPxMHeader& h, const TScale& scale, uint8_t* row, int width,
                   std::vector<uint8_t>& buffer) {
    switch (h.Type) {
        case 4: {
            const int bytes = (width + 7) / 8;
            in.Read(row, bytes);
            for (int i = 0; i < bytes; ++i) row[i] = uint8_t(~row[i]);
            if (width % 8) row[bytes - 1] &= uint8_t(0xFF << (8 - width % 8));  // no stray bits past the width
            break;
        }
        case 5:
            in.Read(row, width);
            if (h.MaxValue != 255)
                for (int x = 0; x < width; ++x) row[x] = scale(row[x]);
            break;
        default:
            in.Read(h.MaxValue == 255 ? row : buffer.data(), 3 * int64_t(width));
            if (h.MaxValue == 255) {
                // Read straight into the row: red and blue swap places.
                for (int x = 0; x < width; ++x) std::swap(row[3 * x], row[3 * x + 2]);
                break;
            }
            for (int x = 0; x < width; ++x) {
                row[3 * x] = scale(buffer[3 * size_t(x) + 2]);
                row[3 * x + 1] = scale(buffer[3 * size_t(x) + 1]);
                row[3 * x + 2] = scale(buffer[3 * size_t(x)]);
            }
            break;
    }
}

class TPxMFileFormatReader : public TFileFormatReader {
public:
    TPxMFileFormatReader(const char* extension, const char* description, char textType, char binaryType)
        : FTextType(textType), FBinaryType(binaryType) {
        Extension = extension;
        Description = description;
        HasSignature = true;
    }

    bool IsFormat(const uint8_t* header, int size) const override {
        return size >= 2 && header[0] == 'P' &&
               (header[1] == static_cast<uint8_t>(FTextType) || header[1] == static_cast<uint8_t>(FBinaryType));
    }

    void Read(TStream& stream, TPixelGraphic& g, int index) override {
        if (index != 0) throw EPGPxMFileFormatReader("PxM: " + FormatLangStr1(7, "Index"));
        g.SetGamma(DisplayGamma);
        TReadBuffer in(stream, UnexpectedEnd);
        const TPxMHeader h = ReadHeader(in);
        g.SetSize(0, 0, g.GetBitCountNum());
        if (h.Width < 1 || h.Height < 1 || h.MaxValue < 1 || (h.Binary() && h.MaxValue > 255)) NotSupported();
        if (!PictureSizeAcceptable(h.Width, h.Height, h.BitCount())) PxMError(FormatLangStr1(27, "Image"));
        if (LeastPixelBytes(h) > in.Remaining()) UnexpectedEnd();

        // Raw colour rows are stored whole or not at all, the others bit by
        // bit or number by number.
        const bool whole = h.Type == 6;
        if (whole) g.SetSizeForOverwrite(int(h.Width), int(h.Height), BitCountToNum(h.BitCount()));
        else g.SetSize(int(h.Width), int(h.Height), BitCountToNum(h.BitCount()));
        if (h.Kind() == 1) g.SetPaletteType(pBlackWhite);
        if (h.Kind() == 2) g.SetPaletteType(pGray256);

        const TScale scale(h.MaxValue);
        const int width = g.GetWidth();
        std::vector<uint8_t> buffer(h.Type == 6 && h.MaxValue != 255 ? 3 * size_t(width) : 0);
        TProgressScope progress(g);
        int stored = 0;  // rows read whole
        try {
            for (int y = 0; y < g.GetHeight(); ++y) {
                if (h.Binary()) ReadBinaryRow(in, h, scale, g.GetScanLine(y), width, buffer);
                else ReadTextRow(in, h, scale, g.GetScanLine(y), width);
                stored = y + 1;
                if (FireProgress(g, y, g.GetHeight())) break;
            }
        } catch (...) {
            if (whole) g.ZeroRowsFrom(stored);  // rows not read read as erased
            throw;
        }
        if (whole) g.ZeroRowsFrom(stored);
        progress.End();
    }

    void GetInfo(TStream& stream, int index, TPictureInfo& info) override {
        TFileFormatReader::GetInfo(stream, index, info);
        if (index != 0) PxMError(FormatLangStr1(20, "Index"));
        TReadBuffer in(stream, UnexpectedEnd);
        TPxMHeader h;
        h.Type = ReadType(in);
        info.SubFormat = h.Binary() ? "Binary" : "ASCII";
        info.BitsPerPixel = h.BitCount();
        info.ColorCount = ColorCountText(info.BitsPerPixel);
        info.Width = static_cast<int>(ReadNumber(in));
        info.Height = static_cast<int>(ReadNumber(in));
    }

private:
    char FTextType, FBinaryType;
};

class TPBMFileFormatReader : public TPxMFileFormatReader {
public:
    TPBMFileFormatReader() : TPxMFileFormatReader("pbm", "Portable Bitmap", '1', '4') {}
    std::string ClassName() const override { return "TPBMFileFormatReader"; }
};

class TPGMFileFormatReader : public TPxMFileFormatReader {
public:
    TPGMFileFormatReader() : TPxMFileFormatReader("pgm", "Portable Graymap", '2', '5') {}
    std::string ClassName() const override { return "TPGMFileFormatReader"; }
};

class TPPMFileFormatReader : public TPxMFileFormatReader {
public:
    TPPMFileFormatReader() : TPxMFileFormatReader("ppm", "Portable Pixelmap", '3', '6') {}
    std::string ClassName() const override { return "TPPMFileFormatReader"; }
};

// ---- writing -------------------------------------------------------------------
class TPXMFileFormatWriter : public TFileFormatWriter {
public:
    TPXMFileFormatWriter(const char* extension, const char* description, TColorResolution resolution) {
        Extension = extension;
        Description = description;
        CanWriteResolutions = ColorResolutionBit(resolution);
    }

    void Write(TStream& stream, TPixelGraphic& g) override {
        const std::string ext = NormalizedExtension(Extension);
        const int kind = ext == "pbm" ? 1 : ext == "pgm" ? 2 : ext == "ppm" ? 3 : 0;
        if (kind == 0) throw EPGPxMFileFormatWriter(kPrefix + FormatLangStr1(19, ext));
        if (g.GetWidth() < 1 || g.GetHeight() < 1) throw EPGPxMFileFormatWriter(kPrefix + GetLangStr(35));
        // Checked before anything is written, so a refused picture leaves
        // the stream as it was.
        const bool fits = kind == 1   ? g.GetBitCount() == 1 && g.GetPaletteType() == pBlackWhite
                          : kind == 2 ? g.GetBitCount() == 8 && g.GetPaletteType() == pGray256
                                      : g.GetBitCount() == 24;
        if (!fits) {
            static const char* const kNames[] = {"", "PBM: ", "PGM: ", "PPM: "};
            throw EPGPxMFileFormatWriter(kNames[kind] + GetLangStr(36));
        }

        const bool binary = CodecOptions().PxMWriteBinary;
        TWriteBuffer out(stream);
        out.Put('P');
        out.Put(uint8_t('0' + kind + (binary ? 3 : 0)));
        out.Put('\n');
        out.WriteNumber(uint32_t(g.GetWidth()));
        out.Put(' ');
        out.WriteNumber(uint32_t(g.GetHeight()));
        out.Put('\n');
        if (kind != 1) out.WriteText("255\n");

        const int width = g.GetWidth();
        std::vector<uint8_t> buffer(size_t(3) * width);
        TProgressScope progress(g);
        for (int y = 0; y < g.GetHeight(); ++y) {
            const uint8_t* row = g.GetScanLine(y);
            if (binary) WriteBinaryRow(out, kind, row, width, buffer);
            else WriteTextRow(out, kind, row, width);
            FireProgress(g, y, g.GetHeight());
        }
        out.Flush();
        progress.End();
    }

private:
    static void WriteBinaryRow(TWriteBuffer& out, int kind, const uint8_t* row, int width,
                               std::vector<uint8_t>& buffer) {
        switch (kind) {
            case 1: {
                const int bytes = (width + 7) / 8;
                for (int i = 0; i < bytes; ++i) buffer[size_t(i)] = uint8_t(~row[i]);
                out.Write(buffer.data(), size_t(bytes));
                break;
            }
            case 2: out.Write(row, size_t(width)); break;
            default:
                for (int x = 0; x < width; ++x) {
                    buffer[3 * size_t(x)] = row[3 * x + 2];
                    buffer[3 * size_t(x) + 1] = row[3 * x + 1];
                    buffer[3 * size_t(x) + 2] = row[3 * x];
                }
                out.Write(buffer.data(), buffer.size());
                break;
        }
    }

    static void WriteTextRow(TWriteBuffer& out, int kind, const uint8_t* row, int width) {
        for (int x = 0; x < width; ++x) {
            if (x) out.Put(' ');
            switch (kind) {
                case 1: out.Put((row[x / 8] >> (7 - x % 8)) & 1 ? '0' : '1'); break;
                case 2: out.WriteNumber(row[x]); break;
                default:
                    out.WriteNumber(row[3 * x + 2]);
                    out.Put(' ');
                    out.WriteNumber(row[3 * x + 1]);
                    out.Put(' ');
                    out.WriteNumber(row[3 * x]);
                    break;
            }
        }
        out.Put('\n');
    }
};

class TPBMFileFormatWriter : public TPXMFileFormatWriter {
public:
    TPBMFileFormatWriter() : TPXMFileFormatWriter("pbm", "Portable Bitmap", crBlackWhite) {}
    std::string ClassName() const override { return "TPBMFileFormatWriter"; }
};

class TPGMFileFormatWriter : public TPXMFileFormatWriter {
public:
    TPGMFileFormatWriter() : TPXMFileFormatWriter("pgm", "Portable Graymap", crGray256) {}
    std::string ClassName() const override { return "TPGMFileFormatWriter"; }
};

class TPPMFileFormatWriter : public TPXMFileFormatWriter {
public:
    TPPMFileFormatWriter() : TPXMFileFormatWriter("ppm", "Portable Pixelmap", crTrueColor) {}
    std::string ClassName() const override { return "TPPMFileFormatWriter"; }
};

}  // namespace

void RegisterPNMFileFormats() {
    RegisterFileFormatReader(std::make_unique<TPBMFileFormatReader>());
    RegisterFileFormatReader(std::make_unique<TPGMFileFormatReader>());
    RegisterFileFormatReader(std::make_unique<TPPMFileFormatReader>());
    RegisterFileFormatWriter(std::make_unique<TPBMFileFormatWriter>());
    RegisterFileFormatWriter(std::make_unique<TPGMFileFormatWriter>());
    RegisterFileFormatWriter(std::make_unique<TPPMFileFormatWriter>());
}
