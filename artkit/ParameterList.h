#pragma once
// Parameter lists: the text items of both programs' parameter files, one
// value per line (numbers in decimal, Booleans "true" / "false", colours in
// the framework's colour-to-text form), and the picture items beside them.
// Readers raise errors that name the item and the line, so that a damaged
// file says where it is damaged.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/Colors.h"
#include "platform/StringList.h"

class TQDB;
class TPixelGraphic;

// Builds a list line by line.
class TParameterWriter {
public:
    // A line break inside a value would shift every later line, so it is
    // written as a blank.
    void Add(const std::string& text);
    void AddInt(int64_t value) { Add(std::to_string(value)); }
    void AddBool(bool value);
    void AddColor(TColor value) { Add(ColorToString(value)); }
    const TStringList& Lines() const { return FLines; }

private:
    TStringList FLines;
};

// The lines of one item. Lines past those a reader asks for are ignored.
class TParameterReader {
public:
    TParameterReader(std::string key, TStringList lines) : FKey(std::move(key)), FLines(std::move(lines)) {}

    const std::string& Key() const { return FKey; }
    int Count() const { return FLines.Count(); }
    bool Has(int line) const { return line >= 0 && line < FLines.Count(); }
    // EListError unless the item holds at least count lines.
    void Require(int count) const;

    // A missing line raises EListError; a line that does not convert raises
    // EConvertError.
    const std::string& Text(int line) const;
    int32_t Int(int line) const;  // strict: the runtime's integer conversion
    int32_t IntDef(int line, int32_t fallback) const;
    bool Bool(int line) const;  // only "true" is true
    TColor Color(int line) const;
    // A palette text that its reader accepts ("default" included).
    const std::string& PaletteText(int line) const;

private:
    [[noreturn]] void Missing(int line) const;
    [[noreturn]] void Invalid(int line, const std::string& why) const;

    std::string FKey;
    TStringList FLines;
};

// ---- items of a container --------------------------------------------------

void AddParameterItem(TQDB& db, const std::string& key, const TParameterWriter& lines);
// The item's lines, or nothing when the item is absent. An item of more
// than 1 MiB raises the store's error for damaged data before it is read.
std::optional<TParameterReader> ReadParameterItem(TQDB& db, const std::string& key);

// Writes picture as an image file of the extension ("jpg", "png", "bmp");
// a JPEG at the quality given (the library-wide quality stays as it is).
void AddPictureItem(TQDB& db, const std::string& key, TPixelGraphic& picture, const std::string& extension,
                    int jpegQuality);
// The item's picture (format told by its content), or null when the item is
// absent. With a required size, a picture of another size raises
// EPGInvalidSize before its pixels are decoded where the header tells it.
std::shared_ptr<TPixelGraphic> ReadPictureItem(TQDB& db, const std::string& key, int requiredWidth = 0,
                                               int requiredHeight = 0);
