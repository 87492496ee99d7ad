// PNG files through libpng 1.6 (and zlib underneath).
//
// libpng reports errors through a handler that must not return; ours
// longjmps back to the frame that started the codec work, which destroys
// the codec records and raises the library's exception. No C++ exception
// may unwind through libpng's frames: the callbacks catch what the stream or
// the message box raise, and the functions that run codec calls under
// setjmp keep only trivially destructible locals.
#include <png.h>
#include <zlib.h>

#include <cstdio>
#include <cstring>
#include <exception>

#include "image/PGFormats.h"
#include "image/PGMessages.h"
#include "platform/MathUtil.h"

namespace {

[[noreturn]] void PNGError(const std::string& text) { throw EPGPNGFileFormatReaderWriter("PNG: " + text); }

bool gLibraryOK = true;  // set by CheckPNGLibrary

struct TPngContext {
    char Message[512] = {};
    TPGWarningAction Mode = pgwaRaise;
    TCodecStream Stream;
    // Where the next chunk starts, counted in bytes read from the stream:
    // its length is checked against the bytes left before libpng sees it.
    int64_t Offset = 0;
    int64_t NextChunk = 8;
};

TPngContext* ContextOf(png_structp png) { return static_cast<TPngContext*>(png_get_error_ptr(png)); }

void ErrorFn(png_structp png, png_const_charp message) {
    TPngContext* ctx = ContextOf(png);
    std::snprintf(ctx->Message, sizeof ctx->Message, "%s", message);
    png_longjmp(png, 1);
}

void WarningFn(png_structp png, png_const_charp message) {
    TPngContext* ctx = ContextOf(png);
    if (!CodecWarningGoesOn(ctx->Mode, "PNG", message, ctx->Message, sizeof ctx->Message)) png_longjmp(png, 1);
}

[[noreturn]] void EndOfFile(png_structp png) {
    TPngContext* ctx = ContextOf(png);
    {
        const std::string text = GetLangStr(32);  // gone before the jump
        std::snprintf(ctx->Message, sizeof ctx->Message, "%s", text.c_str());
    }
    png_longjmp(png, 1);
}

void ReadFn(png_structp png, png_bytep data, size_t length) {
    TPngContext* ctx = static_cast<TPngContext*>(png_get_io_ptr(png));
    const int64_t n = ctx->Stream.Read(data, static_cast<int64_t>(length));
    if (n < 0) ErrorFn(png, "stream failure");
    if (n != static_cast<int64_t>(length)) EndOfFile(png);
    // libpng reads a chunk's length and type in one call. A length past the
    // end of the input (with the checksum behind the data) is refused here,
    // whatever the warning mode: libpng would take the memory for the whole
    // chunk before finding that the file ends.
    if (ctx->Offset == ctx->NextChunk && n >= 4) {
        const int64_t chunkLength = int64_t(data[0]) << 24 | int64_t(data[1]) << 16 | int64_t(data[2]) << 8 | data[3];
        const int64_t left = ctx->Stream.Stream->Remaining() + (n - 8);
        if (chunkLength + 4 > left) EndOfFile(png);
        ctx->NextChunk += 8 + chunkLength + 4;
    }
    ctx->Offset += n;
}

void WriteFn(png_structp png, png_bytep data, size_t length) {
    TPngContext* ctx = static_cast<TPngContext*>(png_get_io_ptr(png));
    if (!ctx->Stream.Write(data, static_cast<int64_t>(length))) ErrorFn(png, "stream failure");
}

void FlushFn(png_structp) {}

// After libpng bailed out: the stream's own failure, else the codec's.
[[noreturn]] void RaiseBailOut(const TPngContext& ctx) {
    if (ctx.Stream.Pending) std::rethrow_exception(ctx.Stream.Pending);
    PNGError(ctx.Message);
}

void CheckVersion() {
    if (!gLibraryOK) PNGError("Invalid library version");
}

// A colour component 0..255 as a sample of the given bit depth, and back.
png_uint_16 ToDepth(int c, int depth) {
    const int max = (1 << depth) - 1;
    return static_cast<png_uint_16>(Round(static_cast<double>(c) * max / 255));
}
int FromDepth(int v, int depth) {
    const int max = (1 << depth) - 1;
    return static_cast<int>(Round(static_cast<double>(v) * 255 / max));
}

// The read and info records of one decode, destroyed with it.
struct TReadRecords {
    png_structp Png = nullptr;
    png_infop Info = nullptr;
    ~TReadRecords() {
        if (Png) png_destroy_read_struct(&Png, Info ? &Info : nullptr, nullptr);
    }
};

// libpng's own allocation limits: any width and height a picture of the
// library can have (the pixel buffer is checked once the depth is known),
// no more than this for one ancillary chunk (decompressed), and only a few
// stored chunks.
constexpr png_uint_32 kMaxWidth = PNG_UINT_31_MAX;
const png_uint_32 kMaxHeight = static_cast<png_uint_32>(PGMaxBitsSize / RowSizeOf(1, 1));
constexpr png_alloc_size_t kChunkMallocMax = 8 << 20;
constexpr png_uint_32 kChunkCacheMax = 128;

void CreateReadRecords(TPngContext& ctx, TReadRecords& r) {
    r.Png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &ctx, ErrorFn, WarningFn);
    if (!r.Png) PNGError(FormatLangStr1(31, "png_create_read_struct"));
    r.Info = png_create_info_struct(r.Png);
    if (!r.Info) PNGError(FormatLangStr1(31, "png_create_info_struct"));
    png_set_user_limits(r.Png, kMaxWidth, kMaxHeight);
    png_set_chunk_malloc_max(r.Png, kChunkMallocMax);
    png_set_chunk_cache_max(r.Png, kChunkCacheMax);
    // Text and suggested palettes are never used; libpng would keep every
    // one of them in memory.
    static const png_byte kUnused[] = "tEXt\0zTXt\0iTXt\0sPLT";
    png_set_keep_unknown_chunks(r.Png, PNG_HANDLE_CHUNK_NEVER, kUnused, 4);
}

enum TReadProblem { rpNone, rpTooLarge, rpRowBytes, rpShort };

constexpr int64_t kMaxInflation = 1032;

struct TReadState {
    TPixelGraphic* Graphic;
    bool HeaderOnly;
    uint32_t Background;  // the picture's background colour before the read
    bool ProgressStarted;
    bool Aborted;
    bool BackgroundFromFile;
    png_color_16 FileBackground;
    TReadProblem Problem;
};

// Codec steps of a read; false when libpng bailed out. Only plain data
// lives here (see the top of the file).
bool ReadSteps(TPngContext* ctx, png_structp png, png_infop info, TReadState* st) {
    if (setjmp(png_jmpbuf(png))) return false;
    // Harmless files with a slightly-off sRGB profile would otherwise warn.
    png_set_option(png, PNG_SKIP_sRGB_CHECK_PROFILE, PNG_OPTION_ON);
    png_set_read_fn(png, ctx, ReadFn);
    png_read_info(png, info);
    if (st->HeaderOnly) return true;

    TPixelGraphic& g = *st->Graphic;
    const png_uint_32 width = png_get_image_width(png, info);
    const png_uint_32 height = png_get_image_height(png, info);
    const int depth = png_get_bit_depth(png, info);
    const int colorType = png_get_color_type(png, info);
    const int channels = png_get_channels(png, info);
    int bitCountNum = 3;
    bool unpack2 = false;
    if (channels < 3) {
        switch (depth) {
            case 1: bitCountNum = 0; break;
            case 2:
                bitCountNum = 1;
                unpack2 = true;
                break;
            case 4: bitCountNum = 1; break;
            default: bitCountNum = 2; break;
        }
    }
    // libpng keeps two rows of the file's own depth (up to 64 bits a pixel):
    // together they stay within the memory a picture may take.
    if (!PictureSizeAcceptable(width, height, BitCountOf(bitCountNum)) ||
        2 * (int64_t(png_get_rowbytes(png, info)) + 1) > PGMaxBitsSize) {
        st->Problem = rpTooLarge;
        return true;
    }
    // Deflate expands at most 1032-fold: a file too short for its rows is
    // refused before their memory is taken.
    const int64_t filtered = (int64_t(png_get_rowbytes(png, info)) + 1) * height;
    if (filtered > kMaxInflation * ctx->Stream.Stream->Remaining() + 65536) {
        st->Problem = rpShort;
        return true;
    }

    // Transparency is composed onto a background given in the file's own
    // sample depth (8 bits for palette files).
    if (png_get_valid(png, info, PNG_INFO_tRNS) || (colorType & PNG_COLOR_MASK_ALPHA)) {
        png_color_16p fileBackground = nullptr;
        if (CodecOptions().PngFileBackground && png_get_bKGD(png, info, &fileBackground) && fileBackground) {
            st->BackgroundFromFile = true;
            st->FileBackground = *fileBackground;
            png_set_background(png, fileBackground, PNG_BACKGROUND_GAMMA_FILE, 0, 1.0);
        } else {
            const int r = GetRValue(st->Background), gr = GetGValue(st->Background), b = GetBValue(st->Background);
            const int sampleDepth = colorType == PNG_COLOR_TYPE_PALETTE ? 8 : depth;
            png_color_16 bg;
            bg.index = 0;
            bg.red = ToDepth(r, sampleDepth);
            bg.green = ToDepth(gr, sampleDepth);
            bg.blue = ToDepth(b, sampleDepth);
            bg.gray = ToDepth((r + gr + b) / 3, sampleDepth);
            png_set_background(png, &bg, PNG_BACKGROUND_GAMMA_SCREEN, 0, 1.0);
        }
    }
    double fileGamma = 0;
    g.SetGamma(DisplayGamma);
    if (png_get_gAMA(png, info, &fileGamma) && fileGamma > 0) g.SetGamma(1.0L / fileGamma);
    if (depth == 16) png_set_strip_16(png);
    if (colorType == PNG_COLOR_TYPE_RGB || colorType == PNG_COLOR_TYPE_RGB_ALPHA) png_set_bgr(png);
    const int passes = png_set_interlace_handling(png);
    png_read_update_info(png, info);

    g.SetSize(static_cast<int>(width), static_cast<int>(height), bitCountNum);
    if (png_get_rowbytes(png, info) > static_cast<size_t>(g.GetRowSize())) {
        st->Problem = rpRowBytes;
        return true;
    }
    if (channels < 3) {
        if (colorType & PNG_COLOR_MASK_PALETTE) {
            // Read after the update: libpng composes transparency into it.
            png_colorp palette = nullptr;
            int count = 0;
            png_get_PLTE(png, info, &palette, &count);
            count = std::min(count, g.GetColorTableSize());
            g.SetPaletteCount(count);
            for (int i = 0; i < count; ++i)
                g.SetPaletteColor(i, RGB(palette[i].red, palette[i].green, palette[i].blue));
        } else {
            g.SetPaletteType(depth == 1 ? pBlackWhite : depth == 2 ? pGray4 : depth == 4 ? pGray16 : pGray256);
        }
    }

    FireProgressStart(g);
    st->ProgressStarted = true;
    const int h = static_cast<int>(height);
    for (int pass = 0; pass < passes && !st->Aborted; ++pass) {
        for (int y = 0; y < h; ++y) {
            png_read_row(png, g.GetScanLine(y), nullptr);
            if (FireProgress(g, pass * h + y, h * passes)) {
                st->Aborted = true;
                break;
            }
        }
    }
    if (st->Aborted) return true;  // a user's stop keeps what was read
    if (unpack2) {
        // Four 2-bit pixels per byte become 4-bit pixels, from the right end
        // so that no byte is overwritten before it is read.
        for (int y = 0; y < h; ++y) {
            uint8_t* row = g.GetScanLine(y);
            for (int x = static_cast<int>(width) - 1; x >= 0; --x) {
                const int v = (row[x / 4] >> (6 - 2 * (x % 4))) & 3;
                uint8_t& b = row[x / 2];
                b = (x & 1) ? uint8_t((b & 0xF0) | v) : uint8_t((b & 0x0F) | (v << 4));
            }
        }
    }
    png_read_end(png, nullptr);
    return true;
}

void ApplyFileBackground(TPixelGraphic& g, const TReadState& st, int depth, int colorType) {
    const png_color_16& b = st.FileBackground;
    uint32_t colour;
    if (colorType == PNG_COLOR_TYPE_PALETTE) {
        colour = RGB(b.red, b.green, b.blue);
    } else if (!(colorType & PNG_COLOR_MASK_COLOR)) {
        const int v = FromDepth(b.gray, depth);
        colour = RGB(v, v, v);
    } else {
        colour = RGB(FromDepth(b.red, depth), FromDepth(b.green, depth), FromDepth(b.blue, depth));
    }
    g.SetBackgroundColor(colour);
}

std::string ChunkNames(png_structp png, png_infop info) {
    static const struct {
        png_uint_32 Flag;
        const char* Name;
    } kChunks[] = {{PNG_INFO_gAMA, "gama"}, {PNG_INFO_sBIT, "sbit"}, {PNG_INFO_cHRM, "chrm"}, {PNG_INFO_PLTE, "plte"},
                   {PNG_INFO_tRNS, "trns"}, {PNG_INFO_bKGD, "bkgd"}, {PNG_INFO_hIST, "hist"}, {PNG_INFO_pHYs, "phys"},
                   {PNG_INFO_oFFs, "offs"}, {PNG_INFO_tIME, "time"}};
    std::string names;
    for (const auto& c : kChunks) {
        if (!png_get_valid(png, info, c.Flag)) continue;
        if (!names.empty()) names += ", ";
        names += c.Name;
    }
    return names.empty() ? names : "(" + names + ")";
}

void FillInfo(png_structp png, png_infop info, TPictureInfo& out) {
    out.Width = static_cast<int>(png_get_image_width(png, info));
    out.Height = static_cast<int>(png_get_image_height(png, info));
    const int pixelDepth = png_get_bit_depth(png, info) * png_get_channels(png, info);
    out.BitsPerPixel = pixelDepth;
    switch (pixelDepth) {
        case 1: out.ColorCount = "2"; break;
        case 2: out.ColorCount = "4"; break;
        case 4: out.ColorCount = "16"; break;
        case 8: out.ColorCount = "256"; break;
        case 16: out.ColorCount = "64K?"; break;
        case 24: out.ColorCount = "16.7M"; break;
        case 32: out.ColorCount = "16.7M?"; break;
        default: out.ColorCount = "?"; break;
    }
    const int colorType = png_get_color_type(png, info);
    out.SubFormat = (colorType & PNG_COLOR_MASK_PALETTE) ? "palette"
                    : (colorType & PNG_COLOR_MASK_COLOR) ? "RGB"
                                                         : "GrayScale";
    if (colorType & PNG_COLOR_MASK_ALPHA) out.SubFormat += ", alpha";
    if (png_get_interlace_type(png, info) == PNG_INTERLACE_ADAM7) out.SubFormat += ", interlaced";
    out.Extra = ChunkNames(png, info);
}

// Reads into graphic, or only the header into info.
void Decode(TStream& stream, TPixelGraphic* graphic, TPGWarningAction mode, TPictureInfo* info) {
    CheckVersion();
    TPngContext ctx;
    ctx.Mode = mode;
    ctx.Stream.Stream = &stream;
    TReadState st{graphic, info != nullptr, 0, false, false, false, {}, rpNone};
    if (graphic) {
        // Read before the picture changes depth: the colour transparency
        // is composed on.
        try {
            st.Background = graphic->GetBackgroundColor();
        } catch (const EPixelGraphic&) {
            st.Background = 0;
        }
    }
    TReadRecords records;
    CreateReadRecords(ctx, records);
    // The progress end runs after the work, failed or not; what failed is
    // raised after it.
    std::exception_ptr failure;
    try {
        if (!ReadSteps(&ctx, records.Png, records.Info, &st)) RaiseBailOut(ctx);
        if (st.Problem == rpTooLarge) PNGError(FormatLangStr1(27, "Image"));
        if (st.Problem == rpRowBytes) PNGError(FormatLangStr1(7, "RowBytes"));
        if (st.Problem == rpShort) PNGError(GetLangStr(32));
        if (info) {
            FillInfo(records.Png, records.Info, *info);
        } else if (st.BackgroundFromFile && !st.Aborted) {
            ApplyFileBackground(*graphic, st, png_get_bit_depth(records.Png, records.Info),
                                png_get_color_type(records.Png, records.Info));
        }
    } catch (...) {
        failure = std::current_exception();
    }
    if (st.ProgressStarted) EndProgressAndRaise(*st.Graphic, true, failure);
    else if (failure) std::rethrow_exception(failure);
}

class TPNGFileFormatReader : public TFileFormatReader {
public:
    TPNGFileFormatReader() {
        Extension = "png";
        Description = "Portable Network Graphics";
        HasSignature = true;
    }
    std::string ClassName() const override { return "TPNGFileFormatReader"; }

    bool IsFormat(const uint8_t* header, int size) const override {
        static const uint8_t kSignature[8] = {137, 80, 78, 71, 13, 10, 26, 10};
        return size >= 8 && std::memcmp(header, kSignature, 8) == 0;
    }

    void Read(TStream& stream, TPixelGraphic& graphic, int index) override {
        if (index != 0) PNGError(FormatLangStr1(7, "Index"));
        Decode(stream, &graphic, graphic.GetReadWarningAction(), nullptr);
    }

    void GetInfo(TStream& stream, int index, TPictureInfo& info) override {
        TFileFormatReader::GetInfo(stream, index, info);
        if (index != 0) PNGError(FormatLangStr1(20, "Index"));
        Decode(stream, nullptr, pgwaRaise, &info);
    }
};

// ---- writing ------------------------------------------------------------------------
struct TWriteRecords {
    png_structp Png = nullptr;
    png_infop Info = nullptr;
    ~TWriteRecords() {
        if (Png) png_destroy_write_struct(&Png, Info ? &Info : nullptr);
    }
};

bool WriteSteps(TPngContext* ctx, png_structp png, png_infop info, TPixelGraphic* g, const png_color* palette,
                int paletteCount, bool* progressStarted) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_set_write_fn(png, ctx, WriteFn, FlushFn);
    const bool trueColor = g->GetBitCount() == 24;
    const int colorType = trueColor                         ? PNG_COLOR_TYPE_RGB
                          : g->GetPaletteType() == pGray256 ? PNG_COLOR_TYPE_GRAY
                                                            : PNG_COLOR_TYPE_PALETTE;
    png_set_IHDR(png, info, static_cast<png_uint_32>(g->GetWidth()), static_cast<png_uint_32>(g->GetHeight()),
                 trueColor ? 8 : g->GetBitCount(), colorType, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    if (colorType == PNG_COLOR_TYPE_PALETTE) png_set_PLTE(png, info, palette, paletteCount);
    if (CodecOptions().PngWriteGamma && g->GetGamma() > 0)
        png_set_gAMA(png, info, static_cast<float>(1.0L / g->GetGamma()));
    png_write_info(png, info);
    png_set_bgr(png);
    FireProgressStart(*g);
    *progressStarted = true;
    const int height = g->GetHeight();
    for (int y = 0; y < height; ++y) {
        png_write_row(png, g->GetScanLine(y));
        FireProgress(*g, y, height - 1);  // a save runs to its end
    }
    png_write_end(png, info);
    return true;
}

class TPNGFileFormatWriter : public TFileFormatWriter {
public:
    TPNGFileFormatWriter() {
        Extension = "png";
        Description = "Portable Network Graphics";
        CanWriteResolutions = AllColorResolutions;
    }
    std::string ClassName() const override { return "TPNGFileFormatWriter"; }

    void Write(TStream& stream, TPixelGraphic& graphic) override {
        CheckVersion();
        TPngContext ctx;
        ctx.Mode = graphic.GetReadWarningAction();
        ctx.Stream.Stream = &stream;
        std::vector<png_color> palette;
        for (uint32_t c : PaletteForWriting(graphic))
            palette.push_back(png_color{GetRValue(c), GetGValue(c), GetBValue(c)});
        TWriteRecords records;
        records.Png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &ctx, ErrorFn, WarningFn);
        if (!records.Png) PNGError(FormatLangStr1(31, "png_create_write_struct"));
        records.Info = png_create_info_struct(records.Png);
        if (!records.Info) PNGError(FormatLangStr1(31, "png_create_info_struct"));
        bool progressStarted = false;
        std::exception_ptr failure;
        try {
            if (!WriteSteps(&ctx, records.Png, records.Info, &graphic, palette.data(), static_cast<int>(palette.size()),
                            &progressStarted))
                RaiseBailOut(ctx);
        } catch (...) {
            failure = std::current_exception();
        }
        EndProgressAndRaise(graphic, progressStarted, failure);
    }
};

}  // namespace

void RegisterPNGFileFormats() {
    RegisterFileFormatReader(std::make_unique<TPNGFileFormatReader>());
    RegisterFileFormatWriter(std::make_unique<TPNGFileFormatWriter>());
}

void CheckPNGLibrary() {
    // The code is compiled against these headers; a library of another
    // release series would lay its records out differently.
    const bool pngOK = png_access_version_number() / 100 == PNG_LIBPNG_VER / 100;
    const bool zlibOK = zlibVersion()[0] == ZLIB_VERSION[0];
    gLibraryOK = pngOK && zlibOK;
}
