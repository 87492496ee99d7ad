#include "artkit/ParameterList.h"

#include <cstdlib>

#include "artkit/Painters.h"
#include "artkit/PaletteText.h"
#include "image/PGFormats.h"
#include "image/PGraphic.h"
#include "platform/IntText.h"
#include "store/QDB.h"

// ---- writing -------------------------------------------------------------------

void TParameterWriter::Add(const std::string& text) {
    std::string line = text;
    for (char& ch : line)
        if (ch == '\r' || ch == '\n') ch = ' ';
    FLines.Add(line);
}

void TParameterWriter::AddBool(bool value) { Add(BoolToText(value)); }

// ---- reading -------------------------------------------------------------------

void TParameterReader::Missing(int line) const {
    throw EListError("\"" + FKey + "\" holds " + std::to_string(Count()) + " lines; line " + std::to_string(line) +
                     " is missing");
}

void TParameterReader::Invalid(int line, const std::string& why) const {
    throw EConvertError("\"" + FKey + "\" line " + std::to_string(line) + ": " + why);
}

void TParameterReader::Require(int count) const {
    if (Count() < count) Missing(Count());
}

const std::string& TParameterReader::Text(int line) const {
    if (!Has(line)) Missing(line);
    return FLines[line];
}

int32_t TParameterReader::Int(int line) const {
    int32_t v;
    if (!TryStrToInt(Text(line), v)) Invalid(line, "'" + Text(line) + "' is not a valid integer value");
    return v;
}

int32_t TParameterReader::IntDef(int line, int32_t fallback) const { return StrToIntDef(Text(line), fallback); }

bool TParameterReader::Bool(int line) const { return TextToBool(Text(line)); }

TColor TParameterReader::Color(int line) const {
    try {
        return StringToColor(Text(line));
    } catch (const EConvertError& e) {
        Invalid(line, e.Message());
    }
}

const std::string& TParameterReader::PaletteText(int line) const {
    const std::string& text = Text(line);
    try {
        PaletteTextToStops(text);
    } catch (const EConvertError& e) {
        Invalid(line, "palette: " + e.Message());
    }
    return text;
}

// ---- items ------------------------------------------------------------------------

void AddParameterItem(TQDB& db, const std::string& key, const TParameterWriter& lines) {
    TMemoryStream stream;
    lines.Lines().SaveToStream(stream);
    db.AddItem(key, stream);
}

namespace {
// The text items hold a few dozen short lines, a few KB. A list keeps some
// 30 bytes a line beside the text, so an item of line breaks alone would
// need 30 times its size: past this, the item is damaged data.
constexpr int64_t kMaxParameterItem = int64_t(1) << 20;
}  // namespace

std::optional<TParameterReader> ReadParameterItem(TQDB& db, const std::string& key) {
    TMemoryStream stream;
    if (!db.GetItemByKey(key, stream, kMaxParameterItem)) return std::nullopt;
    TStringList lines;
    lines.LoadFromStream(stream);
    return TParameterReader(key, std::move(lines));
}

void AddPictureItem(TQDB& db, const std::string& key, TPixelGraphic& picture, const std::string& extension,
                    int jpegQuality) {
    TMemoryStream stream;
    SaveToStreamExtWithJpegQuality(picture, stream, extension, jpegQuality);
    db.AddItem(key, stream);
}

std::shared_ptr<TPixelGraphic> ReadPictureItem(TQDB& db, const std::string& key, int requiredWidth,
                                               int requiredHeight) {
    TMemoryStream stream;
    if (!db.GetItemByKey(key, stream)) return nullptr;
    const bool sized = requiredWidth > 0 && requiredHeight > 0;
    auto wrongSize = [&](int w, int h) {
        return EPGInvalidSize("\"" + key + "\": a picture of " + std::to_string(w) + " x " + std::to_string(h) +
                              " pixels; " + std::to_string(requiredWidth) + " x " + std::to_string(requiredHeight) +
                              " expected");
    };
    TPictureInfo info;
    // The header tells the size before any pixel memory is taken (BMP
    // headers give top-down pictures a negative height).
    if (sized && GetPictureInfo(stream, "", 0, info) &&
        (std::abs(info.Width) != requiredWidth || std::abs(info.Height) != requiredHeight))
        throw wrongSize(info.Width, info.Height);
    stream.SetPosition(0);
    auto picture = std::make_shared<TPixelGraphic>();
    // A picture that needs forgiving is a damaged file: no question boxes.
    picture->SetReadWarningAction(pgwaRaise);
    picture->LoadFromStream(stream);
    if (sized && (picture->GetWidth() != requiredWidth || picture->GetHeight() != requiredHeight))
        throw wrongSize(picture->GetWidth(), picture->GetHeight());
    return picture;
}
