// Loading and saving a picture through the format registry, form streaming
// and the clipboard's packed DIB.
#include <cmath>
#include <functional>

#include "image/PGFormats.h"
#include "image/PGMessages.h"
#include "platform/MathUtil.h"

namespace {

// Brings the pixel values of a loaded picture from its own gamma to the
// display's.
void CorrectGamma(TPixelGraphic& g) {
    if (!CodecOptions().GammaCorrection || !(DisplayGamma > 0) || !(g.GetGamma() > 0)) return;  // no gamma to go by
    const long double ratio = g.GetGamma() / DisplayGamma;
    if (!std::isfinite(ratio) || std::fabs(ratio - 1) <= 0.05L) return;
    uint8_t table[256];
    for (int i = 0; i < 256; ++i) table[i] = static_cast<uint8_t>(Round(255 * Power(i / 255.0L, ratio)));
    if (g.GetBitCount() != 24) {
        for (int i = 0; i < g.GetPaletteCount(); ++i) {
            const uint32_t c = g.GetPaletteColor(i);
            g.SetPaletteColor(i, RGB(table[GetRValue(c)], table[GetGValue(c)], table[GetBValue(c)]));
        }
    } else if (g.GetWidth() > 0) {
        for (int y = 0; y < g.GetHeight(); ++y) {
            uint8_t* row = g.GetScanLine(y);
            for (int i = 0; i < 3 * g.GetWidth(); ++i) row[i] = table[row[i]];
        }
    }
    g.SetGamma(DisplayGamma);
}

// Runs body inside BeginUpdate / EndUpdate, so that the picture reports one
// change however the body ends.
void InsideUpdate(TPixelGraphic& g, const std::function<void()>& body) {
    g.BeginUpdate();
    try {
        body();
    } catch (...) {
        g.EndUpdate();
        throw;
    }
    g.EndUpdate();
}

// Picks the writer for an extension and hands it the picture, or a copy
// converted to the nearest colour resolution the writer can store.
void SaveThrough(TPixelGraphic& g, const std::string& extension,
                 const std::function<void(TFileFormatWriter&, TPixelGraphic&)>& write) {
    const TCodecOptionsScope options;
    if (FileFormatWriters().empty()) throw EPGFileFormatWritersEmpty(FormatLangStr1(16, "FileFormatWriters"));
    TFileFormatWriter* writer = FindFileFormatWriter(extension);
    if (!writer) throw EPGUnknownExtension(FormatLangStr1(19, NormalizedExtension(extension)));
    g.ClassifyPalette();
    const TColorResolution current = ColorResolutionOf(g);
    TColorResolution target;
    if (!PreferredColorResolution(current, writer->CanWriteResolutions, target))
        throw EPGCanWriteResolutionsEmpty(FormatLangStr1(16, writer->ClassName() + ".CanWriteResolutions"));
    if (target == current) {
        g.ClassifyPalette();
        write(*writer, g);
        return;
    }
    const std::string text =
        FormatLangStr3(17, writer->Description, ColorResolutionText(current), ColorResolutionText(target));
    if (AskWarning(g.GetSaveColorResWarningAction(), GetLangStr(28), text) != waGoOn)
        throw EPGCannotWriteColorRes(FormatLangStr2(18, writer->Description, ColorResolutionText(current)));

    TPixelGraphic converted;
    converted.OnProgress = g.OnProgress;
    converted.OnProgressEnd = g.OnProgressEnd;
    converted.OnProgressStart = g.OnProgressStart;
    static const int kBitCountNum[8] = {0, 0, 1, 1, 1, 2, 2, 3};
    converted.SetSize(0, 0, kBitCountNum[target]);
    switch (target) {
        case crBlackWhite: converted.SetPaletteType(pBlackWhite); break;
        case cr2Colors: ReduceColors(converted, g, 2, false); break;
        case crGray16: converted.SetPaletteType(pGray16); break;
        case crSys16: converted.SetPaletteType(pSys16); break;
        case cr16Colors: ReduceColors(converted, g, 16, false); break;
        case crGray256: converted.SetPaletteType(pGray256); break;
        case cr256Colors: ReduceColors(converted, g, 252, true); break;
        case crTrueColor: break;
    }
    converted.SetSize(g.GetWidth(), g.GetHeight(), kBitCountNum[target]);
    converted.StretchFrom(g);
    converted.ClassifyPalette();
    write(*writer, converted);
}

}  // namespace

void TPixelGraphic::LoadFromStreamIndex(TStream& stream, const std::string& extension, int index) {
    const TCodecOptionsScope options;
    InsideUpdate(*this, [&] {
        SetSize(0, 0, 3);
        SetGamma(DisplayGamma);
        TFileFormatReader* reader = FindFileFormatReader(stream, extension);
        if (!reader) throw EPGUnknownFileFormat(GetLangStr(6));
        reader->Read(stream, *this, index);
        CorrectGamma(*this);
        ClassifyPalette();
    });
}

void TPixelGraphic::LoadFromStreamExt(TStream& stream, const std::string& extension) {
    LoadFromStreamIndex(stream, extension, 0);
}

void TPixelGraphic::LoadFromStream(TStream& stream) { LoadFromStreamIndex(stream, "", 0); }

void TPixelGraphic::LoadFromFile(const std::string& fileName) { LoadFromFileExt(fileName, 0); }

void TPixelGraphic::LoadFromFileExt(const std::string& fileName, int index) {
    TFileStream stream(fileName, fmOpenRead);
    LoadFromStreamIndex(stream, ExtensionOf(fileName), index);
}

void TPixelGraphic::SaveToStreamExt(TStream& stream, const std::string& extension) {
    SaveThrough(*this, extension, [&](TFileFormatWriter& w, TPixelGraphic& g) { w.Write(stream, g); });
}

void TPixelGraphic::SaveToFile(const std::string& fileName) {
    // The old file is replaced only when the new one is complete; a failed
    // save leaves it as it was and leaves nothing under a new name.
    SaveThrough(*this, ExtensionOf(fileName), [&](TFileFormatWriter& w, TPixelGraphic& g) {
        TSafeFileStream out(fileName);
        w.Write(out, g);
        out.Commit();
    });
}

void TPixelGraphic::SaveToStream(TStream& stream) { DefaultBMPWriter().Write(stream, *this); }

void TPixelGraphic::ReadData(TStream& stream) {
    const uint32_t length = stream.ReadValue<uint32_t>();
    const int64_t start = stream.GetPosition();
    // The picture is read from its own bytes only: what follows them in the
    // stream belongs to others.
    TStreamSection section(stream, start, length);
    try {
        LoadFromStreamExt(section, "bmp");
    } catch (...) {
        stream.SetPosition(start + length);
        throw;
    }
    stream.SetPosition(start + length);
}

void TPixelGraphic::WriteData(TStream& stream) {
    const int64_t lengthAt = stream.GetPosition();
    stream.WriteValue<uint32_t>(0);
    DefaultBMPWriter().Write(stream, *this);
    const int64_t end = stream.GetPosition();
    stream.SetPosition(lengthAt);
    stream.WriteValue<uint32_t>(static_cast<uint32_t>(end - lengthAt - 4));
    stream.SetPosition(end);
}

void TPixelGraphic::LoadFromClipboardFormat(int format, TStream* data) {
    if (format != CF_DIB || !data) throw EPGUnknownClipboardFormat(GetLangStr(4));
    InsideUpdate(*this, [&] {
        ReadBMP(*data, false);
        SetGamma(DisplayGamma);
    });
    ClassifyPalette();
}

void TPixelGraphic::SaveToClipboardFormat(int& format, TStream& data) {
    WritePackedDIB(data);
    format = CF_DIB;
}
