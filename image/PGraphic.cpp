#include "image/PGraphic.h"

#include <cmath>
#include <cstring>
#include <mutex>
#include <new>

#include "image/PGCanvas.h"
#include "platform/MathUtil.h"

long double DisplayGamma = 1.8L;

namespace {
constexpr std::array<int32_t, 1021> MakeClampTable() {
    std::array<int32_t, 1021> t{};
    for (int i = 0; i < 1021; ++i) t[i] = i < 510 ? 0 : (i - 510 > 255 ? 255 : i - 510);
    return t;
}

// The fixed 252-colour palette: the 16 system colours, then levels of 0, 32,
// 64, ... 224, 255 per channel, as red, green, blue in hex.
const char* const Special252Hex =
    "000000 800000 008000 808000 000080 800080 008080 c0c0c0 808080 ff0000 00ff00 ffff00 0000ff ff00ff 00ffff ffffff "
    "000040 0000c0 004000 004040 004080 0040c0 0040ff 008040 0080c0 0080ff 00c000 00c040 00c080 00c0c0 00c0ff 00ff40 "
    "00ff80 00ffc0 400000 400040 400080 4000c0 4000ff 404000 404040 404080 4040c0 4040ff 408000 408040 408080 4080c0 "
    "4080ff 40c000 40c040 40c080 40c0c0 40c0ff 40ff00 40ff40 40ff80 40ffc0 40ffff 800040 8000c0 8000ff 804000 804040 "
    "804080 8040c0 8040ff 808040 8080c0 8080ff 80c000 80c040 80c080 80c0c0 80c0ff 80ff00 80ff40 80ff80 80ffc0 80ffff "
    "c00000 c00040 c00080 c000c0 c000ff c04000 c04040 c04080 c040c0 c040ff c08000 c08040 c08080 c080c0 c080ff c0c000 "
    "c0c040 c0c080 c0c0ff c0ff00 c0ff40 c0ff80 c0ffc0 c0ffff ff0040 ff0080 ff00c0 ff4000 ff4040 ff4080 ff40c0 ff40ff "
    "ff8000 ff8040 ff8080 ff80c0 ff80ff ffc000 ffc040 ffc080 ffc0c0 ffc0ff ffff40 ffff80 ffffc0 202020 606060 a0a0a0 "
    "e0e0e0 ffe0ff e0e0ff e0ffff e0ffe0 ffffe0 ffe0e0 ffc0e0 e0c0ff c0e0ff c0ffe0 e0ffc0 ffe0c0 e0c0e0 c0c0e0 c0e0e0 "
    "c0e0c0 e0e0c0 e0c0c0 ffa0c0 ffa0e0 ffa0ff e0a0ff c0a0ff a0a0ff a0c0ff a0e0ff a0ffff a0ffe0 a0ffc0 a0ffa0 c0ffa0 "
    "e0ffa0 ffffa0 ffe0a0 ffc0a0 ffa0a0 e0a0c0 e0a0e0 c0a0e0 a0a0e0 a0c0e0 a0e0e0 a0e0c0 a0e0a0 c0e0a0 e0e0a0 e0c0a0 "
    "e0a0a0 ff80a0 ff80e0 e080ff a080ff 80a0ff 80e0ff 80ffe0 80ffa0 a0ff80 e0ff80 ffe080 ffa080 c0a0c0 a0a0c0 a0c0c0 "
    "a0c0a0 c0c0a0 c0a0a0 e080a0 e080c0 e080e0 c080e0 a080e0 8080e0 80a0e0 80c0e0 80e0e0 80e0c0 80e0a0 80e080 a0e080 "
    "c0e080 e0e080 e0c080 e0a080 e08080 ff6080 ff60a0 ff60c0 ff60e0 ff60ff e060ff c060ff a060ff 8060ff 6060ff 6080ff "
    "60a0ff 60c0ff 60e0ff 60ffff 60ffe0 60ffc0 60ffa0 60ff80 60ff60 80ff60 a0ff60 c0ff60 e0ff60 ffff60 ffe060 ffc060 "
    "ffa060 ff8060 ff6060 c080a0 a080c0 80a0c0 80c0a0 a0c080 c0a080 e06080 e060a0 e060c0";

std::vector<uint32_t> Grey(int n, const std::function<int(int)>& level) {
    std::vector<uint32_t> v(n);
    for (int i = 0; i < n; ++i) v[i] = RGB(level(i), level(i), level(i));
    return v;
}

std::vector<uint32_t> Cube(int steps, int add) {
    std::vector<uint32_t> v;
    const int top = steps - 1;
    for (int r = 0; r < steps; ++r)
        for (int g = 0; g < steps; ++g)
            for (int b = 0; b < steps; ++b)
                v.push_back(RGB((r * 255 + add) / top, (g * 255 + add) / top, (b * 255 + add) / top));
    return v;
}

std::vector<uint32_t> ParseHexList(const char* text) {
    std::vector<uint32_t> v;
    for (const char* p = text; *p;) {
        if (*p == ' ') {
            ++p;
            continue;
        }
        const uint32_t rgb = static_cast<uint32_t>(std::strtoul(std::string(p, 6).c_str(), nullptr, 16));
        v.push_back(RGB(rgb >> 16, rgb >> 8, rgb));
        p += 6;
    }
    return v;
}

struct TFixedPalettes {
    std::vector<uint32_t> Tables[pSpecial252 + 1];
    TFixedPalettes() {
        Tables[pBlackWhite] = {RGB(0, 0, 0), RGB(255, 255, 255)};
        Tables[pSysGray4] = {RGB(0, 0, 0), RGB(128, 128, 128), RGB(192, 192, 192), RGB(255, 255, 255)};
        Tables[pSpecial252] = ParseHexList(Special252Hex);
        Tables[pSys16].assign(Tables[pSpecial252].begin(), Tables[pSpecial252].begin() + 16);
        Tables[pGray4] = Grey(4, [](int i) { return i * 255 / 3; });
        Tables[pGray16] = Grey(16, [](int i) { return i * 255 / 15; });
        Tables[pGray236] = Grey(236, [](int i) { return static_cast<int>(Round(i * 255.0 / 235.0)); });
        Tables[pGray256] = Grey(256, [](int i) { return i; });
        Tables[pSpecial125] = Cube(5, 3);
        Tables[pSpecial216] = Cube(6, 4);
    }
};

[[noreturn]] void RaiseOutOfRange() { throw EPGXYIndexOutOfRange(GetLangStr(1)); }
}  // namespace

const std::array<int32_t, 1021> ClampTableData = MakeClampTable();

int ColorTableSizeOf(int n) { return n == 0 ? 2 : n == 1 ? 16 : n == 2 ? 256 : 0; }
int BitCountOf(int n) { return n == 0 ? 1 : n == 1 ? 4 : n == 2 ? 8 : 24; }
int64_t RowSizeOf(int bitCount, int64_t width) { return ((bitCount * width + 31) / 32) * 4; }

long double Power(long double base, long double exponent) {
    if (exponent == 0.0L) return 1.0L;
    if (base == 0.0L) return 0.0L;
    if (base == 1.0L) return 1.0L;
    if (base < 0.0L) throw EPixelGraphic("Invalid Argument");
    return std::exp(exponent * std::log(base));
}

const std::vector<uint32_t>& FixedPaletteColors(TPaletteIdent type) {
    static const TFixedPalettes palettes;
    static const std::vector<uint32_t> none;
    return type <= pSpecial252 ? palettes.Tables[type] : none;
}

// ---- life ------------------------------------------------------------------

TPixelGraphic::TPixelGraphic() : FErrorLimitTable(511, 0), FGamma(DisplayGamma) {}

TPixelGraphic::~TPixelGraphic() = default;

void TPixelGraphic::ReleasePixels() {
    FPixelStore.reset();
    FBits = nullptr;
}

// ---- size ------------------------------------------------------------------

void TPixelGraphic::SetSize(int width, int height, int n) { Resize(width, height, n, true); }

void TPixelGraphic::SetSizeForOverwrite(int width, int height, int n) { Resize(width, height, n, false); }

void TPixelGraphic::ZeroRowsFrom(int y) {
    if (!FBits || y >= FHeight) return;
    y = std::max(y, 0);
    std::memset(FBits + static_cast<int64_t>(FRowSize) * y, 0, static_cast<size_t>(int64_t(FRowSize) * (FHeight - y)));
}

void TPixelGraphic::Resize(int width, int height, int n, bool erase) {
    if (width < 0) throw EPGInvalidSize(GetLangStr(22));
    if (height < 0) throw EPGInvalidSize(GetLangStr(21));
    if (n < 0 || n > 3) throw EPGInvalidBitCountNum(FormatLangStr1(20, "BitCountNum"));
    if (width == FWidth && height == FHeight && n == FBitCountNum) {
        if (erase) Clear();
        else DoChange();
        return;
    }
    FWidth = width;
    FHeight = height;
    FBitCountNum = static_cast<uint8_t>(n);
    ReleasePixels();
    FreeDitherBuffers();

    // Sizes in 64 bits with a cap: a request too large for memory leaves an
    // empty picture instead of a short buffer.
    const int64_t rowSize = RowSizeOf(GetBitCount(), width);
    const bool tooLarge = rowSize > PGMaxBitsSize || (rowSize > 0 && height > PGMaxBitsSize / rowSize);
    const int64_t bitsSize = tooLarge ? 0 : rowSize * height;
    if (!tooLarge) {
        FRowSize = static_cast<int>(rowSize);
        FBitsSize = bitsSize;
        if (bitsSize > 0) {
            const int t = ColorTableSizeOf(n);
            if (FPaletteCount > t) SetPaletteCount(t);
            if (n == 3) FPaletteType = pTrueColor;
            if (erase) {
                FPixelStore.reset(new (std::nothrow) uint8_t[static_cast<size_t>(bitsSize)]());
            } else {
                FPixelStore.reset(new (std::nothrow) uint8_t[static_cast<size_t>(bitsSize)]);
                // Only the padding is set: rows are written whole, their ends never.
                const int64_t used = (GetBitCount() * int64_t(width) + 7) / 8;
                if (FPixelStore && used < rowSize)
                    for (int y = 0; y < height; ++y)
                        std::memset(FPixelStore.get() + rowSize * y + used, 0, static_cast<size_t>(rowSize - used));
            }
            FBits = FPixelStore.get();
        }
    }
    if (tooLarge || (bitsSize > 0 && !FBits)) {
        FWidth = FHeight = 0;
        FRowSize = 0;
        FBitsSize = 0;
        ReleasePixels();
        throw EPixelGraphic(FormatLangStr1(31, "CreateDIBSection"));
    }
    DoChange();
}

void TPixelGraphic::SetBitCountNum(int n) {
    if (n != FBitCountNum) SetSize(FWidth, FHeight, n);
}

uint8_t* TPixelGraphic::GetScanLine(int y) {
    if (!FBits || y < 0 || y >= FHeight) return nullptr;
    return FBits + int64_t(FRowSize) * y;
}

const uint8_t* TPixelGraphic::GetScanLine(int y) const { return const_cast<TPixelGraphic*>(this)->GetScanLine(y); }

QImage TPixelGraphic::QImageView() {
    if (!FBits || FBitCountNum != 3) return QImage();
    return QImage(FBits, FWidth, FHeight, FRowSize, QImage::Format_BGR888);
}

QImage TPixelGraphic::ToQImage() const {
    if (!FBits) return QImage();
    QImage img(FWidth, FHeight, QImage::Format_RGB32);
    for (int y = 0; y < FHeight; ++y) {
        QRgb* out = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < FWidth; ++x) {
            const uint32_t c = GetPixelColor(x, y);
            out[x] = qRgb(GetRValue(c), GetGValue(c), GetBValue(c));
        }
    }
    return img;
}

void TPixelGraphic::Clear() {
    if (!FBits || FWidth <= 0 || FHeight <= 0) return;
    if (FBackgroundValue == 0) {
        std::memset(FBits, 0, static_cast<size_t>(FBitsSize));
    } else if (FBitCountNum == 2) {
        for (int y = 0; y < FHeight; ++y) std::memset(GetScanLine(y), static_cast<uint8_t>(FBackgroundValue), FWidth);
    } else if (FBitCountNum == 3) {
        const uint8_t bgr[3] = {GetBValue(FBackgroundValue), GetGValue(FBackgroundValue), GetRValue(FBackgroundValue)};
        for (int y = 0; y < FHeight; ++y) {
            uint8_t* p = GetScanLine(y);
            for (int x = 0; x < FWidth; ++x, p += 3) std::memcpy(p, bgr, 3);
        }
    } else {
        // Whole bytes by pattern, the pixels of a last partial byte one by one.
        const uint8_t pattern = FBitCountNum == 0 ? (FBackgroundValue == 1 ? 0xFF : 0x00)
                                                  : static_cast<uint8_t>((FBackgroundValue & 15) * 0x11);
        const int perByte = FBitCountNum == 0 ? 8 : 2;
        const int whole = FWidth / perByte;
        for (int y = 0; y < FHeight; ++y) {
            std::memset(GetScanLine(y), pattern, whole);
            for (int x = whole * perByte; x < FWidth; ++x) SetPixel(x, y, FBackgroundValue);
        }
    }
    DoChange();
}

// ---- pixels ----------------------------------------------------------------

uint32_t TPixelGraphic::GetPixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= FWidth || y >= FHeight || !FBits) {
        if (FRangeCheck) RaiseOutOfRange();
        return FBackgroundValue;
    }
    const uint8_t* row = FBits + int64_t(FRowSize) * y;
    switch (FBitCountNum) {
        case 0: return (row[x >> 3] >> (7 - (x & 7))) & 1;
        case 1: return (x & 1) ? row[x >> 1] & 15 : row[x >> 1] >> 4;
        case 2: return row[x];
        default: {
            const uint8_t* p = row + 3 * x;
            return RGB(p[2], p[1], p[0]);
        }
    }
}

void TPixelGraphic::SetPixel(int x, int y, uint32_t value) {
    if (x < 0 || y < 0 || x >= FWidth || y >= FHeight || !FBits) {
        if (FRangeCheck) RaiseOutOfRange();
        return;
    }
    uint8_t* row = FBits + int64_t(FRowSize) * y;
    switch (FBitCountNum) {
        case 0: {
            const uint8_t mask = static_cast<uint8_t>(0x80 >> (x & 7));
            if (value == 1) row[x >> 3] |= mask;
            else row[x >> 3] &= static_cast<uint8_t>(~mask);
            break;
        }
        case 1: {
            uint8_t& b = row[x >> 1];
            b = (x & 1) ? static_cast<uint8_t>((b & 0xF0) | (value & 15))
                        : static_cast<uint8_t>((b & 0x0F) | ((value & 15) << 4));
            break;
        }
        case 2: row[x] = static_cast<uint8_t>(value); break;
        default: {
            uint8_t* p = row + 3 * x;
            p[0] = static_cast<uint8_t>(value >> 16);
            p[1] = static_cast<uint8_t>(value >> 8);
            p[2] = static_cast<uint8_t>(value);
        }
    }
}

uint32_t TPixelGraphic::GetPixelColor(int x, int y) const {
    const uint32_t v = GetPixel(x, y);
    if (FBitCountNum == 3) return v & 0xFFFFFF;
    // An index beyond the palette reads as entry 0, as a DIB colour table
    // does, so that pictures with such indices still convert and save.
    if (v < static_cast<uint32_t>(FPaletteCount)) return FPalette[v];
    return FPaletteCount > 0 ? FPalette[0] : 0;
}

void TPixelGraphic::SetPixelColor(int x, int y, uint32_t colour) {
    if (x < 0 || y < 0 || x >= FWidth || y >= FHeight || !FBits) {
        if (FRangeCheck) RaiseOutOfRange();
        return;
    }
    SetPixel(x, y, FBitCountNum == 3 ? colour : NearestIndex(colour));
}

// ---- palette ---------------------------------------------------------------

void TPixelGraphic::SetPaletteCount(int n) {
    // A colour table has at most 256 entries (the cache stores byte indices).
    if (n < 0 || n > 256) throw EPGInvalidPaletteIndex(GetLangStr(3));
    if (n != FPaletteCount) {
        FPalette.resize(n, 0);
        FPaletteCount = n;
        FPaletteType = n > 0 ? pUnknown : pNone;
        FLastColorStale = true;
    }
    FreeColorCache();
}

void TPixelGraphic::SetPaletteType(TPaletteIdent t) {
    if (t == FPaletteType || t > pSpecial252) return;
    if (t == pNone || t == pTrueColor) {
        SetPaletteCount(0);
        FPaletteType = t;
    } else if (t == pUnknown) {
        FPaletteType = t;
    } else {
        const std::vector<uint32_t>& table = FixedPaletteColors(t);
        SetPaletteCount(static_cast<int>(table.size()));
        for (int i = 0; i < static_cast<int>(table.size()); ++i) SetPaletteColor(i, table[i]);
        FPaletteType = t;
    }
    FLastColorStale = true;
    FreeColorCache();
}

uint32_t TPixelGraphic::GetPaletteColor(int index) const {
    if (FPaletteType == pTrueColor && FBitCountNum == 3) return static_cast<uint32_t>(index);
    if (index < 0 || index >= FPaletteCount) throw EPGInvalidPaletteIndex(GetLangStr(3));
    return FPalette[index];
}

void TPixelGraphic::SetPaletteColor(int index, uint32_t colour) {
    if (FPaletteType == pNone || FPaletteType == pTrueColor) throw EPGNoPalette(GetLangStr(2));
    if (index < 0 || index >= FPaletteCount) throw EPGInvalidPaletteIndex(GetLangStr(3));
    FPalette[index] = colour & 0xFFFFFF;
    FPaletteType = pUnknown;
    FLastColorStale = true;
    FreeColorCache();
}

QVector<QRgb> TPixelGraphic::GetColorTable() const {
    QVector<QRgb> table(GetColorTableSize());
    for (int i = 0; i < table.size(); ++i) {
        const uint32_t c = i < FPaletteCount ? FPalette[i] : (FPaletteCount > 0 ? FPalette[0] : 0);
        table[i] = qRgb(GetRValue(c), GetGValue(c), GetBValue(c));
    }
    return table;
}

void TPixelGraphic::AssignPalette(const TPixelGraphic& source) {
    if (&source == this) return;
    SetPaletteCount(source.FPaletteCount);
    for (int i = 0; i < source.FPaletteCount; ++i) SetPaletteColor(i, source.FPalette[i]);
    ClassifyPalette();
}

void TPixelGraphic::ClassifyPalette() {
    FGreyPalette = FBitCountNum != 3;
    if (FGreyPalette)
        for (uint32_t c : FPalette)
            if (GetRValue(c) != GetGValue(c) || GetGValue(c) != GetBValue(c)) {
                FGreyPalette = false;
                break;
            }
    static const TPaletteIdent order[] = {pBlackWhite, pGray4, pSysGray4,   pGray16,     pGray236,
                                          pGray256,    pSys16, pSpecial216, pSpecial125, pSpecial252};
    for (TPaletteIdent t : order)
        if (FPalette == FixedPaletteColors(t)) {
            FPaletteType = t;
            return;
        }
    if (FPaletteCount > 0) FPaletteType = pUnknown;
    else FPaletteType = FBitCountNum == 3 ? pTrueColor : pNone;
}

// ---- background and options -------------------------------------------------

void TPixelGraphic::SetBackgroundColor(uint32_t colour) {
    FBackgroundValue = FBitCountNum == 3 ? colour : NearestIndex(colour);
}

uint32_t TPixelGraphic::GetBackgroundColor() const {
    if (FBitCountNum == 3) return FBackgroundValue;
    return GetPaletteColor(static_cast<int>(FBackgroundValue));
}

void TPixelGraphic::SetUseColorCache(bool v) {
    if (v == FUseColorCache) return;
    FUseColorCache = v;
    FLastColorStale = true;
    DoChange();
}

void TPixelGraphic::SetRGBWeighting(bool v) {
    FRGBWeighting = v;
    FLastColorStale = true;
}

// ---- copying ---------------------------------------------------------------

void TPixelGraphic::Assign(const TPixelGraphic* source) {
    // Assigning a picture to itself would first clear it.
    if (source == this) return;
    BeginUpdate();
    try {
        if (!source) {
            SetSize(0, 0, 3);
        } else {
            SetSize(source->FWidth, source->FHeight, source->FBitCountNum);
            if (FBits && source->FBits) std::memcpy(FBits, source->FBits, static_cast<size_t>(FBitsSize));
            SetPaletteType(source->FPaletteType);
            SetPaletteCount(source->FPaletteCount);
            FBackgroundValue = source->FBackgroundValue;
            FDither = source->FDither;
            FDitherErrorLimit = source->FDitherErrorLimit;
            FDitherErrorLimitAuto = source->FDitherErrorLimitAuto;
            FDitherErrorLimitSoft = source->FDitherErrorLimitSoft;
            FUseColorCache = source->FUseColorCache;
            FGamma = source->FGamma;
            FRGBWeighting = source->FRGBWeighting;
            FStretchMode = source->FStretchMode;
            FReadWarningAction = source->FReadWarningAction;
            FRangeCheck = source->FRangeCheck;
            FSaveColorResWarningAction = source->FSaveColorResWarningAction;
            if (FPaletteType != pNone && FPaletteType != pTrueColor)
                for (int i = 0; i < source->FPaletteCount; ++i) SetPaletteColor(i, source->FPalette[i]);
            ClassifyPalette();
            FLastColorStale = true;
        }
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

// ---- change and progress -----------------------------------------------------

void TPixelGraphic::EndUpdate() {
    if (FUpdateCount > 0) --FUpdateCount;
    DoChange();
}

void TPixelGraphic::DoChange() {
    if (FUpdateCount > 0) return;
    if (OnChange) OnChange(this);
}

void TPixelGraphic::ProgressStart() {
    if (OnProgressStart) OnProgressStart(this);
}

bool TPixelGraphic::Progress(int step, int max) {
    bool abort = false;
    if (OnProgress) OnProgress(this, step, max, abort);
    return abort;
}

void TPixelGraphic::ProgressEnd() {
    if (OnProgressEnd) OnProgressEnd(this);
}

// ---- drawing ----------------------------------------------------------------

TPGCanvas* TPixelGraphic::GetCanvas() {
    if (!FCanvas) {
        FCanvas.reset(new TPGCanvas(this));
        FCanvas->OnChange = [this] { DoChange(); };
    }
    return FCanvas.get();
}

void TPixelGraphic::FreeCanvasHandle() {
    if (FCanvas) FCanvas->FreeHandle();
}

void TPixelGraphic::Draw(QPainter& painter, const TRect& rect, TCopyMode mode) { DrawToDC(painter, rect, true, mode); }

void TPixelGraphic::DrawToDC(QPainter& painter, const TRect& rect, bool forceBackground, TCopyMode mode) {
    (void)forceBackground;  // no logical palettes to realise on this platform
    if (FWidth <= 0 || FHeight <= 0 || !FBits) return;
    QImage img;
    switch (FBitCountNum) {
        case 3: img = QImageView(); break;
        case 2:
        case 0:
            img = QImage(FBits, FWidth, FHeight, FRowSize,
                         FBitCountNum == 2 ? QImage::Format_Indexed8 : QImage::Format_Mono);
            img.setColorTable(GetColorTable());
            break;
        default: img = ToQImage();
    }
    // A rectangle with Right < Left (Bottom < Top) mirrors, as a stretch
    // with a negative extent does.
    const bool flipX = rect.Right < rect.Left, flipY = rect.Bottom < rect.Top;
    if (flipX || flipY) img = img.mirrored(flipX, flipY);
    const int left = flipX ? rect.Right + 1 : rect.Left, top = flipY ? rect.Bottom + 1 : rect.Top;
    const QRect target(left, top, std::abs(rect.Width()), std::abs(rect.Height()));
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.setCompositionMode(mode == cmSrcInvert ? QPainter::RasterOp_SourceXorDestination
                               : mode == cmSrcAnd  ? QPainter::RasterOp_SourceAndDestination
                                                   : QPainter::CompositionMode_Source);
    painter.drawImage(target, img);
    painter.restore();
}
