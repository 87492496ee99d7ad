#pragma once
// Picture files: the reader and writer base classes, the registry that picks
// a reader by content (else by extension) and a writer by extension, the
// colour resolutions a writer can store, and the library-wide settings the
// readers and writers consult.
//
// Adding a format: derive from TFileFormatReader / TFileFormatWriter in the
// format's own file, and register one instance of each class from a
// Register...FileFormats() function called by InitPixelGraphicLibrary():
//
//     void RegisterXYZFileFormats() {
//         RegisterFileFormatReader(std::make_unique<TXYZFileFormatReader>());
//         RegisterFileFormatWriter(std::make_unique<TXYZFileFormatWriter>());
//     }
//
// The lists are sorted by extension as each entry is added; lookups only
// read them, so the open dialog's preview thread may look up concurrently.
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "image/PGraphic.h"
#include "platform/Streams.h"

// ---- colour resolutions -------------------------------------------------
// Index 0..7: 1 bit black and white, 1 bit other, 4 bits grey, 4 bits
// system colours, 4 bits other, 8 bits grey, 8 bits other, 24 bits. A
// writer's set of them is a byte with bit i for resolution i.
enum TColorResolution : uint8_t {
    crBlackWhite = 0,
    cr2Colors = 1,
    crGray16 = 2,
    crSys16 = 3,
    cr16Colors = 4,
    crGray256 = 5,
    cr256Colors = 6,
    crTrueColor = 7
};
using TColorResolutions = uint8_t;
constexpr TColorResolutions AllColorResolutions = 0xFF;
constexpr TColorResolutions ColorResolutionBit(TColorResolution r) { return TColorResolutions(1u << r); }

// The resolution a picture has now (classify its palette first).
TColorResolution ColorResolutionOf(const TPixelGraphic& graphic);
// The text of a resolution ("black and white" .. "16.7 million colors").
std::string ColorResolutionText(TColorResolution r);
// First resolution of current's preference row that is in canWrite; false
// when there is none.
bool PreferredColorResolution(TColorResolution current, TColorResolutions canWrite, TColorResolution& result);

// ---- picture information ---------------------------------------------------
// What a reader tells from a file's header alone.
struct TPictureInfo {
    int ImageCount = 1;
    int BitsPerPixel = 0;
    std::string ColorCount;  // "2", "16", "256", "64K", "16.7M" ...
    int Height = 0;
    int Width = 0;
    std::string Extra;
    std::string SubFormat;
    std::string Description;  // the reader's description (GetPictureInfo)
};

// ---- base classes -------------------------------------------------------------
class TFileFormatReaderWriter {
public:
    virtual ~TFileFormatReaderWriter() = default;
    // Name of the class as messages print it ("TJPGFileFormatWriter").
    virtual std::string ClassName() const = 0;

    bool Enabled = true;      // listed by the open and save dialogs
    std::string Extension;    // lower case, without the dot ("bmp")
    std::string Description;  // "Bitmap"
};

class TFileFormatReader : public TFileFormatReaderWriter {
public:
    // Number of leading bytes handed to IsFormat.
    static constexpr int SignatureSize = 17;

    // Whether the first bytes of a stream are this format (size may be
    // below SignatureSize for short streams).
    virtual bool IsFormat(const uint8_t* header, int size) const;
    // Fills the graphic from the stream's current position.
    virtual void Read(TStream& stream, TPixelGraphic& graphic, int index);
    // Header information only. The base gives one image and nothing else.
    virtual void GetInfo(TStream& stream, int index, TPictureInfo& info);

    bool HasSignature = false;  // chosen by IsFormat rather than by extension
};

class TFileFormatWriter : public TFileFormatReaderWriter {
public:
    // Writes the graphic at the stream's position. The base runs
    // WriteHeader, WriteImage and WriteFinish; most formats override Write
    // itself.
    virtual void Write(TStream& stream, TPixelGraphic& graphic);
    virtual void WriteHeader(TStream& stream, TPixelGraphic& graphic);
    virtual void WriteImage(TStream& stream, TPixelGraphic& graphic);
    virtual void WriteFinish(TStream& stream, TPixelGraphic& graphic);

    bool StepwiseWrite = false;  // set by writers built on the three steps
    TColorResolutions CanWriteResolutions = 0;
};

// ---- registry ---------------------------------------------------------------
void RegisterFileFormatReader(std::unique_ptr<TFileFormatReader> reader);
void RegisterFileFormatWriter(std::unique_ptr<TFileFormatWriter> writer);
// The registered entries, sorted by extension.
const std::vector<TFileFormatReader*>& FileFormatReaders();
const std::vector<TFileFormatWriter*>& FileFormatWriters();
// The BMP writer outside the lists (SaveToStream, WriteData).
TFileFormatWriter& DefaultBMPWriter();

// The reader for a stream: by its first bytes among the readers with a
// signature, else by extension among the others; nullptr when none. The
// stream's position is kept.
TFileFormatReader* FindFileFormatReader(TStream& stream, const std::string& extension);
// The writer registered for an extension (leading dot allowed); nullptr
// when none.
TFileFormatWriter* FindFileFormatWriter(const std::string& extension);

// Header information through the reader for the stream; false when no
// reader is found or anything fails. The stream position is restored.
bool GetPictureInfo(TStream& stream, const std::string& extension, int index, TPictureInfo& info);
// The same for a file, by its lower-case extension; false when the file
// cannot be read.
bool GetPictureFileInfo(const std::string& fileName, int index, TPictureInfo& info);

// Lower-case extension without the leading dot ("Photo.JPG" -> "jpg").
std::string ExtensionOf(const std::string& fileName);
// An extension as lookups compare it: lower case, one leading dot dropped.
std::string NormalizedExtension(const std::string& extension);
// 1, 4, 8, 24 -> 0, 1, 2, 3; anything else raises EPGInvalidBitCountNum.
int BitCountToNum(int bits);

// Saves with a JPEG quality for this one call (the library-wide JpegQuality
// stays as it is), so a thumbnail save does not change later exports.
// (Runs the save in a TCodecOptionsScope holding that quality.)
void SaveToStreamExtWithJpegQuality(TPixelGraphic& graphic, TStream& stream, const std::string& extension,
                                    int jpegQuality);
// The quality a JPEG writer uses now: CodecOptions().JpegQuality.
int CurrentJpegQuality();

// ---- helpers for readers and writers ------------------------------------------
// True when a picture of this size and depth may be created: positive
// dimensions within 32 bits and a pixel buffer within PGMaxBitsSize,
// computed in 64 bits.
bool PictureSizeAcceptable(int64_t width, int64_t height, int bitCount);

// Fires the graphic's progress events (each handler optional). Progress
// returns true when the handler asked to abort.
void FireProgressStart(TPixelGraphic& graphic);
bool FireProgress(TPixelGraphic& graphic, int step, int max);
void FireProgressEnd(TPixelGraphic& graphic);

// Fires OnProgressEnd once a reader's or writer's work and cleanup are over,
// and raises what went wrong: the work's own failure first (a failing end
// handler is dropped then: the picture's failure is the one to report),
// else the end handler's. Call it from no destructor.
inline void EndProgressAndRaise(TPixelGraphic& graphic, bool started, std::exception_ptr failure) {
    if (started) {
        try {
            FireProgressEnd(graphic);
        } catch (...) {
            if (!failure) failure = std::current_exception();
        }
    }
    if (failure) std::rethrow_exception(failure);
}

// Fires OnProgressStart now and OnProgressEnd at the end. The normal path
// calls End, where a failing end handler raises; leaving the scope without
// End (a failure passing) still fires the event, but drops the handler's
// failure: a destructor must not throw, least of all while unwinding.
class TProgressScope {
public:
    explicit TProgressScope(TPixelGraphic& graphic) : FGraphic(graphic) { FireProgressStart(graphic); }
    ~TProgressScope() {
        if (FEnded) return;
        try {
            FireProgressEnd(FGraphic);
        } catch (...) {  // NOLINT(bugprone-empty-catch): the failure already passing wins
        }
    }
    void End() {
        if (FEnded) return;
        FEnded = true;
        FireProgressEnd(FGraphic);
    }
    TProgressScope(const TProgressScope&) = delete;
    TProgressScope& operator=(const TProgressScope&) = delete;

private:
    TPixelGraphic& FGraphic;
    bool FEnded = false;
};

// A recoverable problem met by a reader or writer, handled by a warning
// mode: pgwaIgnore goes on; pgwaOKBox shows the text with OK and goes on;
// pgwaOKCancelBox shows it with OK and Cancel and aborts unless OK was
// chosen; pgwaRaise asks the caller to raise. The showing is the warning
// handler's of the running load or save (CodecOptions().Warning); without
// one, and off the GUI thread, a box mode goes on without showing anything.
enum TWarningAnswer { waGoOn, waAbort, waRaise };
TWarningAnswer AskWarning(TPGWarningAction mode, const std::string& caption, const std::string& text);
// The answer when nobody can be asked: pgwaRaise raises, the rest go on.
TWarningAnswer AnswerWarningUnasked(TPGWarningAction mode);
using TWarningHandler =
    std::function<TWarningAnswer(TPGWarningAction mode, const std::string& caption, const std::string& text)>;

// For the callbacks of C codec libraries, which must not let a C++
// exception pass: stream calls that keep a failure for the C++ side.
struct TCodecStream {
    TStream* Stream = nullptr;
    std::exception_ptr Pending;  // the stream's failure, rethrown after the codec is closed
    // Bytes read, or -1 after a failure.
    int64_t Read(void* buffer, int64_t count) noexcept;
    // False after a failure.
    bool Write(const void* buffer, int64_t count) noexcept;
};
// AskWarning for a codec's warning, captioned "<formatName> Warning": true
// to go on; false with message holding the text to raise (the warning, or
// the user's abort). Raises nothing.
bool CodecWarningGoesOn(TPGWarningAction mode, const char* formatName, const char* text, char* message,
                        size_t messageSize) noexcept;

// Palette entries to store for a palette picture: its own entries, or, for
// a palette picture without any, a full table of black (as it draws).
std::vector<uint32_t> PaletteForWriting(const TPixelGraphic& graphic);

// ---- library settings (defaults set by InitPixelGraphicLibrary) ------------------
// Font of the open dialog's picture information text.
struct TPGFontDescription {
    int Height = 8;
    int Width = 0;
    int Escapement = 0;
    int Orientation = 0;
    int Weight = 400;
    bool Italic = false;
    bool Underline = false;
    bool StrikeOut = false;
    uint8_t CharSet = 1;
    uint8_t OutPrecision = 0;
    uint8_t ClipPrecision = 0;
    uint8_t Quality = 0;
    uint8_t PitchAndFamily = 0;
    std::string FaceName = "MS Sans Serif";
};
extern TPGFontDescription PreviewInfoFont;
extern bool BMP16BitExpand;         // true: 5- and 6-bit channels reach 255
extern uint8_t JpegDCTMethod;       // reading: 0 slow integer, 1 fast integer, 2 float
extern uint8_t JpegWriteDCTMethod;  // writing: 2 float
extern uint8_t JpegQuality;         // 80
extern bool JpegProgressive;        // false
extern bool GammaCorrection;        // true: loaded pixels are brought to DisplayGamma
extern bool PngFileBackground;      // true: compose transparency on the file's background
extern bool PngWriteGamma;          // true: the PNG writer stores a gamma chunk
extern bool PxMWriteBinary;         // false
extern int32_t TiffMaxImages;       // 1000
extern bool TiffCountImages;        // false
extern int32_t TiffCompression;     // 1 none, 32773 PackBits
extern bool TiffWriteCMYK;
extern bool TiffWhiteIsZero;
extern bool TiffBigEndian;
extern uint8_t TiffResolutionUnit;  // 1
extern int32_t TiffXResolution[2];  // numerator, denominator: 300 / 1
extern int32_t TiffYResolution[2];

// ---- the options of one load or save ------------------------------------------------
// The settings above as one value. A load or save takes a copy of the
// settings on the thread that starts it, so that a form changing them, or
// a reader on another thread, never meets a half-changed value; readers and
// writers read only this value.
struct TCodecOptions {
    bool BMP16BitExpand = true;
    uint8_t JpegDCTMethod = 0;
    uint8_t JpegWriteDCTMethod = 2;
    uint8_t JpegQuality = 80;
    bool JpegProgressive = false;
    bool GammaCorrection = true;
    bool PngFileBackground = true;
    bool PngWriteGamma = true;
    bool PxMWriteBinary = false;
    int32_t TiffMaxImages = 1000;
    bool TiffCountImages = false;
    int32_t TiffCompression = 1;
    bool TiffWriteCMYK = false;
    bool TiffWhiteIsZero = false;
    bool TiffBigEndian = false;
    uint8_t TiffResolutionUnit = 1;
    int32_t TiffXResolution[2] = {300, 1};
    int32_t TiffYResolution[2] = {300, 1};
    TWarningHandler Warning;  // empty: AnswerWarningUnasked
};
// The library settings and the installed warning handler, copied now.
TCodecOptions DefaultCodecOptions();
// The handler DefaultCodecOptions copies (the widget layer installs the
// message boxes; empty: nobody is asked); returns the old one. Install it
// on the GUI thread before any load or save starts.
TWarningHandler SetWarningHandler(TWarningHandler handler);
// The options of the load or save running on this thread: the innermost
// TCodecOptionsScope's, else DefaultCodecOptions() copied at this call.
const TCodecOptions& CodecOptions();
// Makes options the current ones of this thread while it lives. Without
// an argument: the current ones, so that the loads and saves a load or save
// runs inside keep its options.
class TCodecOptionsScope {
public:
    TCodecOptionsScope();
    explicit TCodecOptionsScope(TCodecOptions options);
    ~TCodecOptionsScope();
    TCodecOptionsScope(const TCodecOptionsScope&) = delete;
    TCodecOptionsScope& operator=(const TCodecOptionsScope&) = delete;

private:
    TCodecOptions FOptions;
    const TCodecOptions* FOuter;
};

// ---- start-up and shutdown ---------------------------------------------------------
// Checks the message table, sets the defaults above, creates the default BMP
// writer and registers every reader and writer, then checks the codec
// libraries. The programs and the tests call it once at start; later calls
// do nothing.
void InitPixelGraphicLibrary();
// Frees the registry (InitPixelGraphicLibrary may then run again).
void ShutdownPixelGraphicLibrary();

// Registration of the formats, one function per format file.
void RegisterBMPFileFormats();
void RegisterJPEGFileFormats();
void RegisterPNGFileFormats();
void RegisterPCXFileFormats();
void RegisterPNMFileFormats();  // pbm, pgm, ppm
void RegisterTGAFileFormats();
void RegisterTIFFFileFormats();  // tif, tiff
// Version checks of the codec libraries, run at start-up; a library of
// another version makes its reader and writer raise "Invalid library
// version".
void CheckJPEGLibrary();
void CheckPNGLibrary();
