// JPEG files through libjpeg (6b interface, libjpeg-turbo's BGR extension).
//
// libjpeg reports errors by calling a handler that must not return; ours
// longjmps back to the frame that started the codec work, which then
// destroys the codec record and raises the library's exception. No C++
// exception may unwind through libjpeg's frames: the callbacks catch what
// the stream or the message box raise, and every function that runs codec
// calls under setjmp keeps only trivially destructible locals.
#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <exception>

extern "C" {
#include <jerror.h>
#include <jpeglib.h>
}

#include "image/PGFormats.h"
#include "image/PGMessages.h"

#if JPEG_LIB_VERSION < 62
#error "the JPEG adapter is written against the 6b interface of libjpeg or later"
#endif
#ifndef JCS_EXTENSIONS
#error "the JPEG adapter needs a libjpeg with blue-green-red pixel order (JCS_EXT_BGR)"
#endif

namespace {

constexpr size_t kBufferSize = 64 * 1024;
// A forged progressive file can hold an endless series of tiny scans.
constexpr int kMaxScans = 1000;
// Working memory of one decode (progressive files keep every coefficient).
constexpr long kMaxCodecMemory = 512L << 20;

[[noreturn]] void JPGError(const std::string& text) { throw EPGJPGFileFormatReaderWriter("JPG: " + text); }

bool gLibraryOK = true;  // set by CheckJPEGLibrary

void CheckVersion() {
    if (!gLibraryOK) JPGError("Invalid library version");
}

// Everything the callbacks reach, through the codec record's client data.
struct TJpegContext {
    jpeg_error_mgr Err;
    jpeg_progress_mgr Progress;
    jmp_buf Jump;
    char Message[JMSG_LENGTH_MAX];
    TPGWarningAction Mode = pgwaRaise;
    bool VersionMismatch = false;
    TCodecStream Stream;
    uint8_t Buffer[kBufferSize];
};

TJpegContext* ContextOf(j_common_ptr cinfo) { return static_cast<TJpegContext*>(cinfo->client_data); }

void ErrorExit(j_common_ptr cinfo) {
    TJpegContext* ctx = ContextOf(cinfo);
    const int code = cinfo->err->msg_code;
    ctx->VersionMismatch = code == JERR_BAD_LIB_VERSION || code == JERR_BAD_STRUCT_SIZE;
    cinfo->err->format_message(cinfo, ctx->Message);
    longjmp(ctx->Jump, 1);
}

void OutputMessage(j_common_ptr cinfo) {
    TJpegContext* ctx = ContextOf(cinfo);
    char text[JMSG_LENGTH_MAX];
    cinfo->err->format_message(cinfo, text);
    if (!CodecWarningGoesOn(ctx->Mode, "JPG", text, ctx->Message, sizeof ctx->Message)) longjmp(ctx->Jump, 1);
}

void ProgressMonitor(j_common_ptr cinfo) {
    if (!cinfo->is_decompressor) return;
    if (reinterpret_cast<j_decompress_ptr>(cinfo)->input_scan_number > kMaxScans) {
        TJpegContext* ctx = ContextOf(cinfo);
        std::snprintf(ctx->Message, sizeof ctx->Message, "Too many scans");
        longjmp(ctx->Jump, 1);
    }
}

void InitErrorManager(TJpegContext* ctx, TPGWarningAction mode) {
    jpeg_std_error(&ctx->Err);
    ctx->Err.error_exit = ErrorExit;
    ctx->Err.output_message = OutputMessage;
    ctx->Mode = mode;
    ctx->Progress.progress_monitor = ProgressMonitor;
}

[[noreturn]] void StreamFailed(TJpegContext* ctx) {
    std::snprintf(ctx->Message, sizeof ctx->Message, "stream failure");
    longjmp(ctx->Jump, 1);
}

// ---- source manager over a TStream ------------------------------------------
void InitSource(j_decompress_ptr) {}

boolean FillInputBuffer(j_decompress_ptr cinfo) {
    TJpegContext* ctx = ContextOf(reinterpret_cast<j_common_ptr>(cinfo));
    int64_t n = ctx->Stream.Read(ctx->Buffer, kBufferSize);
    if (n < 0) StreamFailed(ctx);
    if (n == 0) {
        // A truncated file ends with a warning and an inserted end marker,
        // so that what was decoded can still be shown.
        WARNMS(cinfo, JWRN_JPEG_EOF);
        ctx->Buffer[0] = 0xFF;
        ctx->Buffer[1] = JPEG_EOI;
        n = 2;
    }
    cinfo->src->next_input_byte = ctx->Buffer;
    cinfo->src->bytes_in_buffer = static_cast<size_t>(n);
    return TRUE;
}

void SkipInputData(j_decompress_ptr cinfo, long count) {
    if (count <= 0) return;
    jpeg_source_mgr* src = cinfo->src;
    while (count > static_cast<long>(src->bytes_in_buffer)) {
        count -= static_cast<long>(src->bytes_in_buffer);
        FillInputBuffer(cinfo);
    }
    src->next_input_byte += count;
    src->bytes_in_buffer -= static_cast<size_t>(count);
}

void TermSource(j_decompress_ptr) {}

void InitSourceManager(TJpegContext* ctx, jpeg_decompress_struct* cinfo, jpeg_source_mgr* src) {
    src->init_source = InitSource;
    src->fill_input_buffer = FillInputBuffer;
    src->skip_input_data = SkipInputData;
    src->resync_to_restart = jpeg_resync_to_restart;
    src->term_source = TermSource;
    src->bytes_in_buffer = 0;
    src->next_input_byte = nullptr;
    cinfo->src = src;
    cinfo->progress = &ctx->Progress;
    cinfo->mem->max_memory_to_use = kMaxCodecMemory;
}

// ---- destination manager over a TStream --------------------------------------------
void InitDestination(j_compress_ptr cinfo) {
    TJpegContext* ctx = ContextOf(reinterpret_cast<j_common_ptr>(cinfo));
    cinfo->dest->next_output_byte = ctx->Buffer;
    cinfo->dest->free_in_buffer = kBufferSize;
}

boolean EmptyOutputBuffer(j_compress_ptr cinfo) {
    TJpegContext* ctx = ContextOf(reinterpret_cast<j_common_ptr>(cinfo));
    if (!ctx->Stream.Write(ctx->Buffer, kBufferSize)) StreamFailed(ctx);
    cinfo->dest->next_output_byte = ctx->Buffer;
    cinfo->dest->free_in_buffer = kBufferSize;
    return TRUE;
}

void TermDestination(j_compress_ptr cinfo) {
    TJpegContext* ctx = ContextOf(reinterpret_cast<j_common_ptr>(cinfo));
    const int64_t used = static_cast<int64_t>(kBufferSize - cinfo->dest->free_in_buffer);
    if (used > 0 && !ctx->Stream.Write(ctx->Buffer, used)) StreamFailed(ctx);
}

// After libjpeg bailed out: the stream's own failure, else the codec's.
[[noreturn]] void RaiseBailOut(const TJpegContext& ctx) {
    if (ctx.Stream.Pending) std::rethrow_exception(ctx.Stream.Pending);
    JPGError(ctx.VersionMismatch ? "Invalid library version" : ctx.Message);
}

J_DCT_METHOD DCTMethod(uint8_t m) { return m == 1 ? JDCT_IFAST : m == 2 ? JDCT_FLOAT : JDCT_ISLOW; }

// ---- reading ------------------------------------------------------------------------
struct TDecodeState {
    TPixelGraphic* Graphic;
    bool HeaderOnly;
    bool ProgressStarted;
    int BadSize;        // 1 when the picture is too large, 2 for an unsupported subformat
    int64_t Available;  // bytes the stream holds from the start of the file
};

// The fewest bytes the scans can take: the first scan that covers a
// component codes each of its 8 x 8 blocks in at least one bit. A frame
// header may claim far more than the file holds; this is checked before
// the picture (or the codec's coefficient buffers) is allocated.
int64_t LeastScanBytes(const jpeg_decompress_struct& cinfo) {
    int maxH = 1, maxV = 1;
    for (int c = 0; c < cinfo.num_components; ++c) {
        maxH = std::max(maxH, cinfo.comp_info[c].h_samp_factor);
        maxV = std::max(maxV, cinfo.comp_info[c].v_samp_factor);
    }
    int64_t blocks = 0;
    for (int c = 0; c < cinfo.num_components; ++c) {
        const jpeg_component_info& comp = cinfo.comp_info[c];
        const int64_t w = (int64_t(cinfo.image_width) * comp.h_samp_factor + maxH - 1) / maxH;
        const int64_t h = (int64_t(cinfo.image_height) * comp.v_samp_factor + maxV - 1) / maxV;
        blocks += ((w + 7) / 8) * ((h + 7) / 8);
    }
    return (blocks + 7) / 8;
}

// Codec steps of a read; false when libjpeg bailed out. Only plain data
// lives here (see the top of the file).
bool DecodeSteps(TJpegContext* ctx, jpeg_decompress_struct* cinfo, jpeg_source_mgr* src, TDecodeState* st) {
    if (setjmp(ctx->Jump)) return false;
    jpeg_create_decompress(cinfo);
    InitSourceManager(ctx, cinfo, src);
    jpeg_read_header(cinfo, TRUE);
    if (st->HeaderOnly) return true;
    TPixelGraphic& g = *st->Graphic;
    const int comps = cinfo->num_components;
    if (comps == 3) cinfo->out_color_space = JCS_EXT_BGR;
    cinfo->scale_num = cinfo->scale_denom = 1;
    cinfo->dct_method = g.GetFastRead() ? JDCT_IFAST : DCTMethod(CodecOptions().JpegDCTMethod);
    cinfo->quantize_colors = FALSE;
    cinfo->dither_mode = JDITHER_NONE;
    cinfo->two_pass_quantize = FALSE;
    if (comps != 1 && comps != 3) {
        st->BadSize = 2;
        return true;
    }
    if (!PictureSizeAcceptable(cinfo->image_width, cinfo->image_height, comps == 1 ? 8 : 24) ||
        LeastScanBytes(*cinfo) > st->Available) {
        st->BadSize = 1;
        return true;
    }
    jpeg_start_decompress(cinfo);
    if (cinfo->output_components != 1 && cinfo->output_components != 3) {
        st->BadSize = 2;
        return true;
    }
    const bool grey = cinfo->output_components == 1;
    g.SetSize(static_cast<int>(cinfo->output_width), static_cast<int>(cinfo->output_height), grey ? 2 : 3);
    if (grey) g.SetPaletteType(pGray256);
    FireProgressStart(g);
    st->ProgressStarted = true;
    const int height = static_cast<int>(cinfo->output_height);
    while (cinfo->output_scanline < cinfo->output_height) {
        JSAMPROW row = g.GetScanLine(static_cast<int>(cinfo->output_scanline));
        jpeg_read_scanlines(cinfo, &row, 1);
        if (FireProgress(g, static_cast<int>(cinfo->output_scanline), height)) {
            // Stopped by the user: keep the rows read so far.
            jpeg_abort_decompress(cinfo);
            return true;
        }
    }
    jpeg_finish_decompress(cinfo);
    return true;
}

void FillInfo(const jpeg_decompress_struct& cinfo, TPictureInfo& info) {
    info.Width = static_cast<int>(cinfo.image_width);
    info.Height = static_cast<int>(cinfo.image_height);
    info.BitsPerPixel = cinfo.num_components * 8;
    static const char* const kColors[] = {"?", "256", "64K", "16.7M", "4294.9M"};
    info.ColorCount = cinfo.num_components >= 1 && cinfo.num_components <= 4 ? kColors[cinfo.num_components] : "?";
    static const char* const kSpaces[] = {"unknown", "GrayScale", "RGB", "YCbCr", "CMYK", "YCbCrK"};
    const int space = static_cast<int>(cinfo.jpeg_color_space);
    info.SubFormat = space >= 0 && space <= 5 ? kSpaces[space] : "";
    if (cinfo.progressive_mode) info.SubFormat += ", Progressive";
    if (cinfo.saw_Adobe_marker) info.SubFormat = "Adope, " + info.SubFormat;
    if (cinfo.saw_JFIF_marker) info.SubFormat = "JFIF, " + info.SubFormat;
}

// Runs the codec steps of a read (into graphic, or only the header into
// info) and turns a bail-out into the library's exception. The codec record
// is destroyed and the progress end fired on every path.
void Decode(TStream& stream, TPixelGraphic* graphic, TPGWarningAction mode, TPictureInfo* info) {
    auto ctx = std::make_unique<TJpegContext>();
    InitErrorManager(ctx.get(), mode);
    ctx->Stream.Stream = &stream;
    jpeg_decompress_struct cinfo;
    std::memset(&cinfo, 0, sizeof cinfo);
    cinfo.err = &ctx->Err;
    cinfo.client_data = ctx.get();
    jpeg_source_mgr src;
    TDecodeState st{graphic, info != nullptr, false, 0, stream.Remaining()};
    // The codec record goes and the progress end runs after the work, failed
    // or not; what failed is raised after both.
    std::exception_ptr failure;
    try {
        if (!DecodeSteps(ctx.get(), &cinfo, &src, &st)) {
            RaiseBailOut(*ctx);
        }
        if (st.BadSize == 1) JPGError(FormatLangStr1(27, "Image"));
        if (st.BadSize == 2) JPGError(GetLangStr(30));
        if (info) {
            FillInfo(cinfo, *info);
        } else if (src.bytes_in_buffer > 0) {
            stream.Seek(-static_cast<int64_t>(src.bytes_in_buffer), soCurrent);  // give back what follows
        }
    } catch (...) {
        failure = std::current_exception();
    }
    jpeg_destroy_decompress(&cinfo);
    if (st.ProgressStarted) EndProgressAndRaise(*st.Graphic, true, failure);
    else if (failure) std::rethrow_exception(failure);
}

class TJPGFileFormatReader : public TFileFormatReader {
public:
    TJPGFileFormatReader() {
        Extension = "jpg";
        Description = "JPEG (JFIF compliant)";
        HasSignature = true;
    }
    std::string ClassName() const override { return "TJPGFileFormatReader"; }

    bool IsFormat(const uint8_t* header, int size) const override {
        return size >= 2 && header[0] == 0xFF && header[1] == 0xD8;
    }

    void Read(TStream& stream, TPixelGraphic& graphic, int index) override {
        if (index != 0) JPGError(FormatLangStr1(7, "Index"));
        CheckVersion();
        graphic.SetGamma(DisplayGamma);
        Decode(stream, &graphic, graphic.GetReadWarningAction(), nullptr);
    }

    void GetInfo(TStream& stream, int index, TPictureInfo& info) override {
        TFileFormatReader::GetInfo(stream, index, info);
        if (index != 0) JPGError(FormatLangStr1(20, "Index"));
        CheckVersion();
        Decode(stream, nullptr, pgwaRaise, &info);
    }
};

class TJPEGFileFormatReader : public TJPGFileFormatReader {
public:
    TJPEGFileFormatReader() { Extension = "jpeg"; }
    std::string ClassName() const override { return "TJPEGFileFormatReader"; }
};

class TJIFFileFormatReader : public TJPGFileFormatReader {
public:
    TJIFFileFormatReader() { Extension = "jif"; }
    std::string ClassName() const override { return "TJIFFileFormatReader"; }
};

// ---- writing ------------------------------------------------------------------------
bool EncodeSteps(TJpegContext* ctx, jpeg_compress_struct* cinfo, jpeg_destination_mgr* dest, TPixelGraphic* g,
                 bool* progressStarted) {
    if (setjmp(ctx->Jump)) return false;
    jpeg_create_compress(cinfo);
    dest->init_destination = InitDestination;
    dest->empty_output_buffer = EmptyOutputBuffer;
    dest->term_destination = TermDestination;
    cinfo->dest = dest;
    const bool grey = g->GetBitCount() == 8;
    cinfo->image_width = static_cast<JDIMENSION>(g->GetWidth());
    cinfo->image_height = static_cast<JDIMENSION>(g->GetHeight());
    cinfo->input_components = grey ? 1 : 3;
    cinfo->in_color_space = grey ? JCS_GRAYSCALE : JCS_EXT_BGR;
    jpeg_set_defaults(cinfo);
    if (CodecOptions().JpegProgressive) jpeg_simple_progression(cinfo);
    jpeg_set_quality(cinfo, CurrentJpegQuality(), TRUE);
    cinfo->dct_method = DCTMethod(CodecOptions().JpegWriteDCTMethod);
    jpeg_start_compress(cinfo, TRUE);
    FireProgressStart(*g);
    *progressStarted = true;
    const int height = g->GetHeight();
    while (cinfo->next_scanline < cinfo->image_height) {
        JSAMPROW row = g->GetScanLine(static_cast<int>(cinfo->next_scanline));
        jpeg_write_scanlines(cinfo, &row, 1);
        FireProgress(*g, static_cast<int>(cinfo->next_scanline), height);  // a save runs to its end
    }
    jpeg_finish_compress(cinfo);
    return true;
}

class TJPGFileFormatWriter : public TFileFormatWriter {
public:
    TJPGFileFormatWriter() {
        Extension = "jpg";
        Description = "JPEG (JFIF compliant)";
        CanWriteResolutions = ColorResolutionBit(crGray256) | ColorResolutionBit(crTrueColor);
    }
    std::string ClassName() const override { return "TJPGFileFormatWriter"; }

    void Write(TStream& stream, TPixelGraphic& graphic) override {
        CheckVersion();
        graphic.ClassifyPalette();
        const bool grey = graphic.GetBitCount() == 8 && graphic.GetPaletteType() == pGray256;
        if (!grey && graphic.GetBitCount() != 24) JPGError(FormatLangStr1(20, "BitCount"));
        auto ctx = std::make_unique<TJpegContext>();
        InitErrorManager(ctx.get(), graphic.GetReadWarningAction());
        ctx->Stream.Stream = &stream;
        jpeg_compress_struct cinfo;
        std::memset(&cinfo, 0, sizeof cinfo);
        cinfo.err = &ctx->Err;
        cinfo.client_data = ctx.get();
        jpeg_destination_mgr dest;
        bool progressStarted = false;
        std::exception_ptr failure;
        try {
            if (!EncodeSteps(ctx.get(), &cinfo, &dest, &graphic, &progressStarted)) {
                RaiseBailOut(*ctx);
            }
        } catch (...) {
            failure = std::current_exception();
        }
        jpeg_destroy_compress(&cinfo);
        EndProgressAndRaise(graphic, progressStarted, failure);
    }
};

class TJPEGFileFormatWriter : public TJPGFileFormatWriter {
public:
    TJPEGFileFormatWriter() {
        Extension = "jpeg";
        Enabled = false;
    }
    std::string ClassName() const override { return "TJPEGFileFormatWriter"; }
};

class TJIFFileFormatWriter : public TJPGFileFormatWriter {
public:
    TJIFFileFormatWriter() {
        Extension = "jif";
        Enabled = false;
    }
    std::string ClassName() const override { return "TJIFFileFormatWriter"; }
};

}  // namespace

void RegisterJPEGFileFormats() {
    RegisterFileFormatReader(std::make_unique<TJPGFileFormatReader>());
    RegisterFileFormatReader(std::make_unique<TJPEGFileFormatReader>());
    RegisterFileFormatReader(std::make_unique<TJIFFileFormatReader>());
    RegisterFileFormatWriter(std::make_unique<TJPGFileFormatWriter>());
    RegisterFileFormatWriter(std::make_unique<TJPEGFileFormatWriter>());
    RegisterFileFormatWriter(std::make_unique<TJIFFileFormatWriter>());
}

void CheckJPEGLibrary() {
    // The library refuses a record laid out for another version; try one.
    auto ctx = std::make_unique<TJpegContext>();
    InitErrorManager(ctx.get(), pgwaRaise);
    jpeg_decompress_struct cinfo;
    std::memset(&cinfo, 0, sizeof cinfo);
    cinfo.err = &ctx->Err;
    cinfo.client_data = ctx.get();
    struct TSteps {
        static bool Run(TJpegContext* c, jpeg_decompress_struct* i) {
            if (setjmp(c->Jump)) return false;
            jpeg_create_decompress(i);
            return true;
        }
    };
    gLibraryOK = TSteps::Run(ctx.get(), &cinfo);
    jpeg_destroy_decompress(&cinfo);
}
