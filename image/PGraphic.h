#pragma once
// TPixelGraphic: the one picture type of the system. A picture of 1, 4, 8 or
// 24 bits per pixel with a palette, a background value, dithering options,
// a gamma value and change and progress events.
//
// Pixel memory: rows are padded to 4 bytes as in a DIB but kept TOP-DOWN, row
// y at GetBits() + GetRowSize() * y, so that Qt can paint into the pixels in
// place (QImageView). Within a row: 1 bit, the leftmost pixel in the top bit;
// 4 bits, the left pixel in the high nibble; 8 bits, one index per byte;
// 24 bits, blue, green, red. Only BMP/DIB and clipboard code see the file's
// bottom-up order.
//
// Colours are $00BBGGRR (red in the low byte). A raw pixel value is a palette
// index for 1, 4 and 8 bits and a colour for 24 bits.
#include <QImage>
#include <QPainter>
#include <QRect>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "image/PGExceptions.h"
#include "image/PGMessages.h"
#include "platform/Colors.h"
#include "platform/Geometry.h"

class TStream;
class TPGCanvas;
class TPGFilter;
class TPixelGraphic;

// What the palette is. A picture's palette type takes the values
// pNone..pSpecial252 only; pOptimized252Sys16 and pSource name display
// palettes of the picture control.
enum TPaletteIdent : uint8_t {
    pNone = 0,
    pTrueColor = 1,
    pUnknown = 2,
    pBlackWhite = 3,
    pSysGray4 = 4,
    pSys16 = 5,
    pGray4 = 6,
    pGray16 = 7,
    pGray236 = 8,
    pGray256 = 9,
    pSpecial125 = 10,
    pSpecial216 = 11,
    pSpecial252 = 12,
    pOptimized252Sys16 = 13,
    pSource = 14
};
// Display palette choices of the picture control (subranges of TPaletteIdent:
// pBlackWhite..pSource and pBlackWhite..pOptimized252Sys16).
using TPalette8BitSys8BitGraphic = TPaletteIdent;
using TPalette8BitSys24BitGraphic = TPaletteIdent;

enum TStretchMode : uint8_t { smFast = 0, smMedium = 1, smPrecise = 2 };

// What a reader, writer or save does with a recoverable problem.
enum TPGWarningAction : uint8_t { pgwaIgnore = 0, pgwaOKBox = 1, pgwaOKCancelBox = 2, pgwaRaise = 3 };

// Copy modes of drawing one picture onto another (the raster operations
// SRCCOPY, SRCINVERT and SRCAND).
enum TCopyMode : uint8_t { cmSrcCopy = 0, cmSrcInvert = 1, cmSrcAnd = 2 };

// The clipboard format of a packed DIB.
constexpr int CF_DIB = 8;

using TPGNotifyEvent = std::function<void(TPixelGraphic* Sender)>;
using TPGProgressEvent = std::function<void(TPixelGraphic* Sender, int Step, int Max, bool& Abort)>;

// Library-wide settings read here (defaults set at start-up).
extern long double DisplayGamma;  // 1.8

// Largest pixel buffer a picture may hold (bytes); larger sizes are refused
// with "CreateDIBSection failed" before anything is allocated. Readers may
// test sizes against it before they call SetSize.
constexpr int64_t PGMaxBitsSize = int64_t(1) << 30;

// min(max(v, 0), 255) for v in -510..510, by table (dithering).
extern const std::array<int32_t, 1021> ClampTableData;
inline int32_t ClampTable(int v) { return ClampTableData[v + 510]; }

// Colour-table size of a bit-count number: 2, 16, 256, 0.
int ColorTableSizeOf(int bitCountNum);
// Bits per pixel of a bit-count number: 1, 4, 8, 24.
int BitCountOf(int bitCountNum);
// Bytes per padded row: ((bits * width + 31) div 32) * 4.
int64_t RowSizeOf(int bitCount, int64_t width);

// Luminance 0..765: weighted 3 * (299 R + 587 G + 114 B) div 1000, else R + G + B.
inline int ColorLuminance(uint32_t colour, bool weighted) {
    const int r = colour & 0xFF, g = (colour >> 8) & 0xFF, b = (colour >> 16) & 0xFF;
    return weighted ? 3 * (299 * r + 587 * g + 114 * b) / 1000 : r + g + b;
}

// Colour $00BBGGRR as the blue, green, red bytes of a 24-bit row.
inline void PutRowPixel(uint8_t* p, uint32_t c) {
    p[0] = static_cast<uint8_t>(c >> 16);
    p[1] = static_cast<uint8_t>(c >> 8);
    p[2] = static_cast<uint8_t>(c);
}

// exp(exponent * ln base); exponent 0 gives 1, base 0 gives 0, base 1 gives
// 1; a negative base raises EPixelGraphic "Invalid Argument".
long double Power(long double base, long double exponent);

// The colours of a fixed palette type (empty for pNone, pTrueColor, pUnknown
// and the display-only types).
const std::vector<uint32_t>& FixedPaletteColors(TPaletteIdent type);

class TPixelGraphic {
public:
    TPixelGraphic();
    virtual ~TPixelGraphic();
    TPixelGraphic(const TPixelGraphic&) = delete;
    TPixelGraphic& operator=(const TPixelGraphic&) = delete;

    // ---- size and pixel memory ------------------------------------------
    // bitCountNum: 0 = 1 bit, 1 = 4 bits, 2 = 8 bits, 3 = 24 bits. The same
    // width, height and bit count again erase the picture to the background
    // value. A zero area leaves no pixels. Negative sizes raise EPGInvalidSize;
    // a picture too large raises EPixelGraphic and leaves an empty 0 x 0
    // picture. Fires OnChange.
    void SetSize(int width, int height, int bitCountNum);
    // SetSize for callers that write every row whole before anything reads
    // it: new pixels are not erased first (the bytes past each row's pixels
    // are zero all the same). Left is for rows a cancelled writer never
    // reached: ZeroRowsFrom erases them.
    void SetSizeForOverwrite(int width, int height, int bitCountNum);
    void ZeroRowsFrom(int y);
    void SetBitCountNum(int n);
    void SetWidth(int w) { SetSize(w, FHeight, FBitCountNum); }
    void SetHeight(int h) { SetSize(FWidth, h, FBitCountNum); }
    int GetWidth() const { return FWidth; }
    int GetHeight() const { return FHeight; }
    int GetBitCountNum() const { return FBitCountNum; }
    int GetBitCount() const { return BitCountOf(FBitCountNum); }
    int GetColorTableSize() const { return ColorTableSizeOf(FBitCountNum); }
    int GetRowSize() const { return FRowSize; }
    int64_t GetBitsSize() const { return FBitsSize; }
    // True when there are no pixels.
    bool GetEmpty() const { return FBits == nullptr; }
    uint8_t* GetBits() { return FBits; }
    const uint8_t* GetBits() const { return FBits; }
    // Row y (0 = top); nullptr when there are no pixels or y is outside.
    uint8_t* GetScanLine(int y);
    const uint8_t* GetScanLine(int y) const;
    // Upper bound of the packed DIB (clipboard block): 4 * PaletteCount + BitsSize + 58.
    int64_t GetStreamSize() const { return 4 * int64_t(FPaletteCount) + FBitsSize + 58; }

    // A QImage over the pixels in place (Format_BGR888, bytesPerLine =
    // RowSize) for a 24-bit picture; a null image otherwise. Painting on it
    // changes the picture (call DoChange afterwards).
    QImage QImageView();
    // A copy as Format_RGB32 at any depth (palette looked up).
    QImage ToQImage() const;

    // Fills with BackgroundValue, then DoChange.
    void Clear();

    // ---- pixels -----------------------------------------------------------
    // Outside the picture: the background value (or EPGXYIndexOutOfRange
    // with RangeCheck). A palette index at or above PaletteCount reads as
    // entry 0 in GetPixelColor.
    uint32_t GetPixel(int x, int y) const;
    // Outside: nothing (or EPGXYIndexOutOfRange with RangeCheck). 1 bit: only
    // the value 1 sets the bit. No change event.
    void SetPixel(int x, int y, uint32_t value);
    uint32_t GetPixelColor(int x, int y) const;
    void SetPixelColor(int x, int y, uint32_t colour);

    // ---- palette ----------------------------------------------------------
    int GetPaletteCount() const { return FPaletteCount; }
    // Resizes keeping the first entries (new ones black); type pUnknown, or
    // pNone for 0 entries.
    virtual void SetPaletteCount(int n);
    TPaletteIdent GetPaletteType() const { return FPaletteType; }
    // Builds the palette of a fixed type; pNone/pTrueColor drop the palette;
    // pUnknown changes only the type.
    virtual void SetPaletteType(TPaletteIdent t);
    // Entry index; for pTrueColor the index itself. EPGInvalidPaletteIndex
    // outside the palette.
    uint32_t GetPaletteColor(int index) const;
    // EPGNoPalette on pNone/pTrueColor, EPGInvalidPaletteIndex outside.
    virtual void SetPaletteColor(int index, uint32_t colour);
    const uint32_t* GetPalette() const { return FPalette.data(); }
    // Copies the source's palette entries, then ClassifyPalette.
    void AssignPalette(const TPixelGraphic& source);
    // Recomputes GreyPalette and PaletteType from the entries.
    void ClassifyPalette();
    bool GetGreyPalette() const { return FGreyPalette; }
    // Nearest palette index of a colour by palette type (a 24-bit picture
    // answers the colour itself). EPGNoPalette on pNone.
    virtual uint32_t NearestIndex(uint32_t colour);
    // Drops the nearest-colour cache (done by every palette change).
    virtual void FreeColorCache();
    // Palette as a Qt colour table (ARGB), entry i = palette entry i, or entry
    // 0 beyond the palette, or black when there is none; GetColorTableSize
    // entries.
    QVector<QRgb> GetColorTable() const;

    // ---- background -------------------------------------------------------
    uint32_t GetBackgroundValue() const { return FBackgroundValue; }
    void SetBackgroundValue(uint32_t v) { FBackgroundValue = v; }
    // 24 bits: the colour; otherwise NearestIndex(colour).
    void SetBackgroundColor(uint32_t colour);
    uint32_t GetBackgroundColor() const;

    // ---- options ------------------------------------------------------------
    long double GetGamma() const { return FGamma; }
    void SetGamma(long double value) { FGamma = value; }
    bool GetDither() const { return FDither; }
    void SetDither(bool v) { FDither = v; }
    uint8_t GetDitherErrorLimit() const { return FDitherErrorLimit; }
    void SetDitherErrorLimit(uint8_t v) { FDitherErrorLimit = v; }
    bool GetDitherErrorLimitAuto() const { return FDitherErrorLimitAuto; }
    void SetDitherErrorLimitAuto(bool v) { FDitherErrorLimitAuto = v; }
    bool GetDitherErrorLimitSoft() const { return FDitherErrorLimitSoft; }
    void SetDitherErrorLimitSoft(bool v) { FDitherErrorLimitSoft = v; }
    bool GetUseColorCache() const { return FUseColorCache; }
    virtual void SetUseColorCache(bool v);
    bool GetRGBWeighting() const { return FRGBWeighting; }
    virtual void SetRGBWeighting(bool v);
    bool GetFastRead() const { return FFastRead; }
    void SetFastRead(bool v) { FFastRead = v; }
    bool GetRangeCheck() const { return FRangeCheck; }
    void SetRangeCheck(bool v) { FRangeCheck = v; }
    TStretchMode GetStretchMode() const { return FStretchMode; }
    void SetStretchMode(TStretchMode v) { FStretchMode = v; }
    TPGWarningAction GetReadWarningAction() const { return FReadWarningAction; }
    void SetReadWarningAction(TPGWarningAction v) { FReadWarningAction = v; }
    TPGWarningAction GetSaveColorResWarningAction() const { return FSaveColorResWarningAction; }
    void SetSaveColorResWarningAction(TPGWarningAction v) { FSaveColorResWarningAction = v; }
    // Set by the picture control while it paints several pictures in one pass.
    bool GetPaletteRealized() const { return FPaletteRealized; }
    void SetPaletteRealized(bool v) { FPaletteRealized = v; }

    // ---- copying ------------------------------------------------------------
    // Copies size, pixels, palette and options of source (nullptr empties the
    // picture to 0 x 0, 24 bits). One change event. Assigning a picture to
    // itself does nothing.
    void Assign(const TPixelGraphic* source);
    // StretchRect of the whole source onto the whole picture.
    void StretchFrom(const TPixelGraphic& source);
    // Resampling copy (sampler by StretchMode and direction), dithered into a
    // palette picture when Dither is on. Equal sizes are a CopyRect.
    void StretchRect(int destX, int destY, int destWidth, int destHeight, const TPixelGraphic& source, int sourceX,
                     int sourceY, int sourceWidth, int sourceHeight);
    // 1:1 copy, clipped to both pictures.
    void CopyRect(int destX, int destY, const TPixelGraphic& source, int sourceX, int sourceY, int width, int height);
    // Runs filter from source into this picture (source may be this picture
    // when the filter can work in place, else EPGFilter).
    void ApplyFilter(TPGFilter& filter, TPixelGraphic& source);

    // ---- colour matching and dithering (PGColorMatch.cpp) -------------------
    // Writes a pixel of a palette picture with error diffusion. Rows of even y
    // run left to right, odd rows right to left.
    void SetPixelDithered(int x, int y, int blue, int green, int red);
    void InitDitherBuffers();
    void SwapErrorRows();
    void FreeDitherBuffers();
    // The error limit for errors -255..255 as used by the current run.
    int ErrorLimit(int e) const { return FErrorLimitTable[e + 255]; }

    // ---- change notification ----------------------------------------------
    void BeginUpdate() { ++FUpdateCount; }
    void EndUpdate();
    void DoChange();
    int GetUpdateCount() const { return FUpdateCount; }

    TPGNotifyEvent OnChange;
    TPGNotifyEvent OnProgressStart;
    TPGProgressEvent OnProgress;
    TPGNotifyEvent OnProgressEnd;

    // ---- drawing ------------------------------------------------------------
    // The canvas over the picture's own pixels, created on first use; its
    // drawing fires DoChange.
    TPGCanvas* GetCanvas();
    void FreeCanvasHandle();
    // Draws the whole picture stretched into rect (nearest sampling).
    void Draw(QPainter& painter, const TRect& rect, TCopyMode mode = cmSrcCopy);
    void DrawToDC(QPainter& painter, const TRect& rect, bool forceBackground, TCopyMode mode);

    // ---- files and clipboard ------------------------------------------------
    // DEFINED ELSEWHERE: the format registry's file (image/PGFiles.cpp)
    // implements these; they are declared here so that callers need only
    // this header.
    void LoadFromFile(const std::string& fileName);
    void LoadFromFileExt(const std::string& fileName, int index);
    void SaveToFile(const std::string& fileName);
    void LoadFromStream(TStream& stream);
    void SaveToStream(TStream& stream);
    void LoadFromStreamExt(TStream& stream, const std::string& extension);
    void LoadFromStreamIndex(TStream& stream, const std::string& extension, int index);
    virtual void SaveToStreamExt(TStream& stream, const std::string& extension);
    // Form streaming: 32-bit length, then a BMP.
    void ReadData(TStream& stream);
    void WriteData(TStream& stream);
    // The clipboard's packed DIB: format must be CF_DIB with data, anything
    // else raises EPGUnknownClipboardFormat. Saving writes a packed DIB and
    // sets format to CF_DIB.
    void LoadFromClipboardFormat(int format, TStream* data);
    void SaveToClipboardFormat(int& format, TStream& data);
    // BMP decoder from a core (true) or info (false) header on; packed-DIB writer.
    void ReadBMP(TStream& stream, bool coreHeader);
    void WritePackedDIB(TStream& stream);

protected:
    // Progress helpers of the long pixel loops (each handler optional).
    void ProgressStart();
    bool Progress(int step, int max);  // true when aborted
    void ProgressEnd();

private:
    friend class TPGCanvas;

    // SetSize; erase: whether new pixels start erased.
    void Resize(int width, int height, int bitCountNum, bool erase);

    // Runs rows between OnProgressStart and OnProgressEnd with the dithering
    // buffers prepared when dithered; both are ended also on failure.
    void RunPixelLoop(bool dithered, const std::function<void()>& rows);
    uint32_t ExactNearestIndex(uint32_t colour) const;
    uint32_t CachedNearestIndex(uint32_t colour);
    void FillColorCache();
    void ReleasePixels();

    uint32_t FBackgroundValue = 0;
    uint8_t FBitCountNum = 3;
    uint8_t* FBits = nullptr;
    std::unique_ptr<uint8_t[]> FPixelStore;
    std::unique_ptr<TPGCanvas> FCanvas;
    bool FDither = true;
    uint8_t FDitherErrorLimit = 32;
    bool FDitherErrorLimitAuto = true;
    std::vector<int32_t> FErrorLimitTable;
    bool FDitherErrorLimitSoft = true;
    std::vector<int32_t> FErrorRowCurrent;
    std::vector<int32_t> FErrorRowNext;
    bool FUseColorCache = true;
    bool FFastRead = false;
    int FHeight = 0;
    bool FPaletteRealized = false;
    bool FGreyPalette = false;
    long double FGamma;
    int64_t FBitsSize = 0;
    int FPaletteCount = 0;
    int FRowSize = 0;
    std::unique_ptr<uint8_t[]> FColorCache;
    bool FColorCacheStale = true;
    uint32_t FLastColor = 0;
    bool FLastColorStale = true;
    std::unique_ptr<uint8_t[]> FColorCacheFilled;
    uint32_t FLastIndex = 0;
    std::vector<uint32_t> FPalette;
    TPaletteIdent FPaletteType = pNone;
    bool FRGBWeighting = true;
    TStretchMode FStretchMode = smPrecise;
    int FUpdateCount = 0;
    TPGWarningAction FReadWarningAction = pgwaOKCancelBox;
    bool FRangeCheck = false;
    TPGWarningAction FSaveColorResWarningAction = pgwaOKCancelBox;
    int FWidth = 0;
};

// Gives target a palette of at most count colours for source's pixels
// (median cut for 24-bit sources, octree for palette sources), followed by
// the 16 system colours when withSystemColors. The caller then copies the
// pixels. Progress and Abort through target's OnProgress.
void ReduceColors(TPixelGraphic& target, const TPixelGraphic& source, int count, bool withSystemColors);
