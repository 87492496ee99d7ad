#include "image/PGFormats.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <mutex>
#ifdef __GLIBC__
#include <malloc.h>
#endif

#include "image/PGMessages.h"

// ---- settings ------------------------------------------------------------------
TPGFontDescription PreviewInfoFont;
// The defaults are those of TCodecOptions.
const TCodecOptions kDefaultOptions;
bool BMP16BitExpand = kDefaultOptions.BMP16BitExpand;
uint8_t JpegDCTMethod = kDefaultOptions.JpegDCTMethod;
uint8_t JpegWriteDCTMethod = kDefaultOptions.JpegWriteDCTMethod;
uint8_t JpegQuality = kDefaultOptions.JpegQuality;
bool JpegProgressive = kDefaultOptions.JpegProgressive;
bool GammaCorrection = kDefaultOptions.GammaCorrection;
bool PngFileBackground = kDefaultOptions.PngFileBackground;
bool PngWriteGamma = kDefaultOptions.PngWriteGamma;
bool PxMWriteBinary = kDefaultOptions.PxMWriteBinary;
int32_t TiffMaxImages = kDefaultOptions.TiffMaxImages;
bool TiffCountImages = kDefaultOptions.TiffCountImages;
int32_t TiffCompression = kDefaultOptions.TiffCompression;
bool TiffWriteCMYK = kDefaultOptions.TiffWriteCMYK;
bool TiffWhiteIsZero = kDefaultOptions.TiffWhiteIsZero;
bool TiffBigEndian = kDefaultOptions.TiffBigEndian;
uint8_t TiffResolutionUnit = kDefaultOptions.TiffResolutionUnit;
int32_t TiffXResolution[2] = {kDefaultOptions.TiffXResolution[0], kDefaultOptions.TiffXResolution[1]};
int32_t TiffYResolution[2] = {kDefaultOptions.TiffYResolution[0], kDefaultOptions.TiffYResolution[1]};

namespace {

struct TRegistry {
    std::vector<std::unique_ptr<TFileFormatReader>> OwnedReaders;
    std::vector<std::unique_ptr<TFileFormatWriter>> OwnedWriters;
    std::vector<TFileFormatReader*> Readers;
    std::vector<TFileFormatWriter*> Writers;
    std::unique_ptr<TFileFormatWriter> DefaultBMP;
};

TRegistry& Registry() {
    static TRegistry registry;
    return registry;
}

std::mutex gInitMutex;
bool gInitialised = false;

thread_local const TCodecOptions* gCodecOptions = nullptr;
TWarningHandler gWarningHandler;

std::string LowerCase(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

std::string WithoutLeadingDot(const std::string& ext) { return !ext.empty() && ext[0] == '.' ? ext.substr(1) : ext; }

template <typename T>
void InsertSorted(std::vector<T*>& list, T* entry) {
    // Sorted once here, so that lookups never reorder the list under a
    // reader on another thread.
    auto pos = std::upper_bound(list.begin(), list.end(), entry, [](const T* a, const T* b) {
        return LowerCase(a->Extension) < LowerCase(b->Extension);
    });
    list.insert(pos, entry);
}

// Preference rows: the first resolution a writer can store is taken.
constexpr uint8_t kPreference[8][8] = {
    {0, 1, 2, 3, 4, 5, 6, 7}, {1, 4, 6, 7, 3, 0, 2, 5}, {2, 4, 5, 6, 7, 3, 0, 1}, {3, 4, 6, 7, 2, 5, 0, 1},
    {4, 6, 7, 3, 2, 5, 0, 1}, {5, 6, 7, 2, 4, 3, 0, 1}, {6, 7, 4, 3, 5, 2, 0, 1}, {7, 6, 4, 3, 5, 2, 0, 1},
};

}  // namespace

// ---- colour resolutions ---------------------------------------------------------
TColorResolution ColorResolutionOf(const TPixelGraphic& g) {
    const TPaletteIdent t = g.GetPaletteType();
    switch (g.GetBitCount()) {
        case 1: return t == pBlackWhite ? crBlackWhite : cr2Colors;
        case 4: return t == pSys16 ? crSys16 : t == pGray16 ? crGray16 : cr16Colors;
        case 8: return t == pGray256 ? crGray256 : cr256Colors;
        default: return crTrueColor;
    }
}

std::string ColorResolutionText(TColorResolution r) { return GetLangStr(8 + r); }

bool PreferredColorResolution(TColorResolution current, TColorResolutions canWrite, TColorResolution& result) {
    for (uint8_t r : kPreference[current]) {
        if (canWrite & (1u << r)) {
            result = static_cast<TColorResolution>(r);
            return true;
        }
    }
    return false;
}

// ---- base classes ----------------------------------------------------------------
bool TFileFormatReader::IsFormat(const uint8_t*, int) const { return false; }
void TFileFormatReader::Read(TStream&, TPixelGraphic&, int) {}
void TFileFormatReader::GetInfo(TStream&, int, TPictureInfo& info) { info = TPictureInfo(); }

void TFileFormatWriter::Write(TStream& stream, TPixelGraphic& graphic) {
    WriteHeader(stream, graphic);
    WriteImage(stream, graphic);
    WriteFinish(stream, graphic);
}
void TFileFormatWriter::WriteHeader(TStream&, TPixelGraphic&) {}
void TFileFormatWriter::WriteImage(TStream&, TPixelGraphic&) {}
void TFileFormatWriter::WriteFinish(TStream&, TPixelGraphic&) {}

// ---- registry ------------------------------------------------------------------------
void RegisterFileFormatReader(std::unique_ptr<TFileFormatReader> reader) {
    TRegistry& r = Registry();
    InsertSorted(r.Readers, reader.get());
    r.OwnedReaders.push_back(std::move(reader));
}

void RegisterFileFormatWriter(std::unique_ptr<TFileFormatWriter> writer) {
    TRegistry& r = Registry();
    InsertSorted(r.Writers, writer.get());
    r.OwnedWriters.push_back(std::move(writer));
}

const std::vector<TFileFormatReader*>& FileFormatReaders() { return Registry().Readers; }
const std::vector<TFileFormatWriter*>& FileFormatWriters() { return Registry().Writers; }

TFileFormatReader* FindFileFormatReader(TStream& stream, const std::string& extension) {
    try {
        const std::string ext = NormalizedExtension(extension);
        uint8_t header[TFileFormatReader::SignatureSize] = {};
        const int64_t pos = stream.GetPosition();
        const int size = static_cast<int>(stream.Read(header, sizeof header));
        stream.SetPosition(pos);
        for (TFileFormatReader* r : Registry().Readers)
            if (r->HasSignature && r->IsFormat(header, size)) return r;
        if (ext.empty()) return nullptr;
        for (TFileFormatReader* r : Registry().Readers)
            if (!r->HasSignature && LowerCase(r->Extension) == ext) return r;
    } catch (const std::exception&) {
    }
    return nullptr;
}

TFileFormatWriter* FindFileFormatWriter(const std::string& extension) {
    const std::string ext = NormalizedExtension(extension);
    for (TFileFormatWriter* w : Registry().Writers)
        if (LowerCase(w->Extension) == ext) return w;
    return nullptr;
}

bool GetPictureInfo(TStream& stream, const std::string& extension, int index, TPictureInfo& info) {
    int64_t pos = 0;
    try {
        pos = stream.GetPosition();
        TFileFormatReader* reader = FindFileFormatReader(stream, extension);
        if (!reader) return false;
        info = TPictureInfo();
        bool ok = true;
        try {
            reader->GetInfo(stream, index, info);
            info.Description = reader->Description;
        } catch (const std::exception&) {
            ok = false;
        }
        stream.SetPosition(pos);
        return ok;
    } catch (const std::exception&) {
        return false;
    }
}

bool GetPictureFileInfo(const std::string& fileName, int index, TPictureInfo& info) {
    try {
        if (ExtractFileName(fileName).empty() || !FileExists(fileName)) return false;
        TFileStream stream(fileName, fmOpenRead);
        return GetPictureInfo(stream, ExtensionOf(fileName), index, info);
    } catch (const std::exception&) {
        return false;
    }
}

std::string NormalizedExtension(const std::string& extension) { return LowerCase(WithoutLeadingDot(extension)); }

std::string ExtensionOf(const std::string& fileName) { return LowerCase(WithoutLeadingDot(ExtractFileExt(fileName))); }

int BitCountToNum(int bits) {
    switch (bits) {
        case 1: return 0;
        case 4: return 1;
        case 8: return 2;
        case 24: return 3;
        default: throw EPGInvalidBitCountNum(FormatLangStr1(20, "BitCountNum"));
    }
}

void SaveToStreamExtWithJpegQuality(TPixelGraphic& graphic, TStream& stream, const std::string& extension,
                                    int jpegQuality) {
    TCodecOptions options = CodecOptions();
    options.JpegQuality = uint8_t(std::clamp(jpegQuality, 0, 100));
    TCodecOptionsScope scope(std::move(options));
    graphic.SaveToStreamExt(stream, extension);
}

int CurrentJpegQuality() { return CodecOptions().JpegQuality; }

namespace {

template <class T>
void CopySetting(T& to, const T& from) {
    to = from;
}
template <class T, size_t N>
void CopySetting(T (&to)[N], const T (&from)[N]) {
    std::copy(from, from + N, to);
}

// Calls copy(library setting, its field of options) for every setting.
template <class F>
void EachSetting(TCodecOptions& o, F copy) {
    copy(BMP16BitExpand, o.BMP16BitExpand);
    copy(JpegDCTMethod, o.JpegDCTMethod);
    copy(JpegWriteDCTMethod, o.JpegWriteDCTMethod);
    copy(JpegQuality, o.JpegQuality);
    copy(JpegProgressive, o.JpegProgressive);
    copy(GammaCorrection, o.GammaCorrection);
    copy(PngFileBackground, o.PngFileBackground);
    copy(PngWriteGamma, o.PngWriteGamma);
    copy(PxMWriteBinary, o.PxMWriteBinary);
    copy(TiffMaxImages, o.TiffMaxImages);
    copy(TiffCountImages, o.TiffCountImages);
    copy(TiffCompression, o.TiffCompression);
    copy(TiffWriteCMYK, o.TiffWriteCMYK);
    copy(TiffWhiteIsZero, o.TiffWhiteIsZero);
    copy(TiffBigEndian, o.TiffBigEndian);
    copy(TiffResolutionUnit, o.TiffResolutionUnit);
    copy(TiffXResolution, o.TiffXResolution);
    copy(TiffYResolution, o.TiffYResolution);
}

}  // namespace

TCodecOptions DefaultCodecOptions() {
    TCodecOptions o;
    EachSetting(o, [](auto& setting, auto& field) { CopySetting(field, setting); });
    o.Warning = gWarningHandler;
    return o;
}

TWarningHandler SetWarningHandler(TWarningHandler handler) {
    std::swap(gWarningHandler, handler);
    return handler;
}

const TCodecOptions& CodecOptions() {
    if (gCodecOptions) return *gCodecOptions;
    thread_local TCodecOptions now;
    now = DefaultCodecOptions();
    return now;
}

TCodecOptionsScope::TCodecOptionsScope() : TCodecOptionsScope(CodecOptions()) {}

TCodecOptionsScope::TCodecOptionsScope(TCodecOptions options) : FOptions(std::move(options)), FOuter(gCodecOptions) {
    gCodecOptions = &FOptions;
}

TCodecOptionsScope::~TCodecOptionsScope() { gCodecOptions = FOuter; }

// ---- helpers -----------------------------------------------------------------------
bool PictureSizeAcceptable(int64_t width, int64_t height, int bitCount) {
    if (width <= 0 || height <= 0 || width > INT32_MAX || height > INT32_MAX) return false;
    const int64_t rowSize = RowSizeOf(bitCount, width);
    return rowSize <= PGMaxBitsSize / height;
}

void FireProgressStart(TPixelGraphic& g) {
    if (g.OnProgressStart) g.OnProgressStart(&g);
}

bool FireProgress(TPixelGraphic& g, int step, int max) {
    bool abort = false;
    if (g.OnProgress) g.OnProgress(&g, step, max, abort);
    return abort;
}

void FireProgressEnd(TPixelGraphic& g) {
    if (g.OnProgressEnd) g.OnProgressEnd(&g);
}

TWarningAnswer AnswerWarningUnasked(TPGWarningAction mode) { return mode == pgwaRaise ? waRaise : waGoOn; }

TWarningAnswer AskWarning(TPGWarningAction mode, const std::string& caption, const std::string& text) {
    if (mode == pgwaIgnore) return waGoOn;
    if (mode == pgwaRaise) return waRaise;
    const TCodecOptions& options = CodecOptions();
    return options.Warning ? options.Warning(mode, caption, text) : AnswerWarningUnasked(mode);
}

int64_t TCodecStream::Read(void* buffer, int64_t count) noexcept {
    try {
        return Stream->Read(buffer, count);
    } catch (...) {
        Pending = std::current_exception();
        return -1;
    }
}

bool TCodecStream::Write(const void* buffer, int64_t count) noexcept {
    try {
        Stream->WriteBuffer(buffer, count);
        return true;
    } catch (...) {
        Pending = std::current_exception();
        return false;
    }
}

bool CodecWarningGoesOn(TPGWarningAction mode, const char* formatName, const char* text, char* message,
                        size_t messageSize) noexcept {
    try {
        switch (AskWarning(mode, std::string(formatName) + " " + GetLangStr(28), text)) {
            case waGoOn: return true;
            case waAbort: std::snprintf(message, messageSize, "%s", GetLangStr(29).c_str()); return false;
            case waRaise: break;
        }
    } catch (const std::exception& e) {
        std::snprintf(message, messageSize, "%s", e.what());
        return false;
    } catch (...) {
    }
    std::snprintf(message, messageSize, "%s", text);
    return false;
}

std::vector<uint32_t> PaletteForWriting(const TPixelGraphic& g) {
    if (g.GetBitCount() == 24) return {};
    if (g.GetPaletteCount() == 0) return std::vector<uint32_t>(g.GetColorTableSize(), 0);
    const int n = std::min(g.GetPaletteCount(), g.GetColorTableSize());
    return std::vector<uint32_t>(g.GetPalette(), g.GetPalette() + n);
}

// ---- start-up ----------------------------------------------------------------------
// The default BMP writer is made by the BMP file (it knows the class); the
// registry only keeps it.
std::unique_ptr<TFileFormatWriter> MakeBMPFileFormatWriter();

void InitPixelGraphicLibrary() {
    std::lock_guard<std::mutex> lock(gInitMutex);
    if (gInitialised) return;
#ifdef __GLIBC__
    // Pictures and codec buffers of a few hundred KiB are made and dropped
    // on every render: keep freed memory in the process instead of handing
    // it back to the kernel and faulting fresh pages in on the next render.
    mallopt(M_MMAP_THRESHOLD, 32 << 20);
    mallopt(M_TRIM_THRESHOLD, 64 << 20);
#endif
    CheckLangStrOrder();
    LanguageIndex = 0;
    PreviewInfoFont = TPGFontDescription();
    TCodecOptions defaults;
    EachSetting(defaults, [](auto& setting, auto& field) { CopySetting(setting, field); });
    DisplayGamma = 1.8L;

    Registry().DefaultBMP = MakeBMPFileFormatWriter();
    RegisterBMPFileFormats();
    RegisterJPEGFileFormats();
    RegisterPNGFileFormats();
    RegisterPCXFileFormats();
    RegisterPNMFileFormats();
    RegisterTGAFileFormats();
    RegisterTIFFFileFormats();

    CheckJPEGLibrary();
    CheckPNGLibrary();
    gInitialised = true;
}

void ShutdownPixelGraphicLibrary() {
    std::lock_guard<std::mutex> lock(gInitMutex);
    TRegistry& r = Registry();
    r.Readers.clear();
    r.Writers.clear();
    r.OwnedReaders.clear();
    r.OwnedWriters.clear();
    r.DefaultBMP.reset();
    gInitialised = false;
}

TFileFormatWriter& DefaultBMPWriter() {
    TRegistry& r = Registry();
    if (!r.DefaultBMP) r.DefaultBMP = MakeBMPFileFormatWriter();
    return *r.DefaultBMP;
}
