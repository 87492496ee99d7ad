#pragma once
// Keyed-blob containers as maps of item key to bytes, for tests that build
// or take apart parameter files, and a picture whose writer fails.
#include <map>
#include <string>
#include <vector>

#include "image/PGraphic.h"
#include "platform/StringList.h"
#include "store/QDB.h"

namespace gwtest {

inline std::map<std::string, std::string> ReadItems(TQDB& db) {
    std::map<std::string, std::string> items;
    for (int i = 0; i < db.Count(); ++i) {
        TMemoryStream m;
        db.GoToItem(i);
        db.GetItem(m);
        items[db.CurrentKey()] = std::string(m.Data().begin(), m.Data().end());
    }
    return items;
}

inline std::map<std::string, std::string> ReadItems(const std::string& path) {
    TQDB db;
    db.Open(path, TQDB::omReadExisting);
    return ReadItems(db);
}

inline void WriteItems(const std::string& path, const std::map<std::string, std::string>& items) {
    TQDB db;
    db.Open(path, TQDB::omCreateNew);
    for (const auto& [key, bytes] : items) {
        TMemoryStream m(std::vector<uint8_t>(bytes.begin(), bytes.end()));
        db.AddItem(key, m);
    }
    db.Close();
}

inline TStringList Lines(const std::string& text) {
    TStringList l;
    l.SetText(text);
    return l;
}

// The text with line `line` replaced, or cut off there (value "<cut>").
inline std::string EditLine(const std::string& text, int line, const std::string& value) {
    TStringList l = Lines(text);
    if (value == "<cut>") {
        while (l.Count() > line) l.Delete(l.Count() - 1);
    } else {
        l.Put(line, value);
    }
    return l.GetText();
}

using TItems = std::map<std::string, std::string>;

// items with key's bytes replaced, or the item removed (bytes "<none>").
inline TItems WithItem(TItems items, const std::string& key, const std::string& bytes) {
    if (bytes == "<none>") items.erase(key);
    else items[key] = bytes;
    return items;
}
inline TItems WithLine(const TItems& items, const std::string& key, int line, const std::string& value) {
    return WithItem(items, key, EditLine(items.at(key), line, value));
}

// Breaks a save half-way.
class TUnwritablePicture : public TPixelGraphic {
public:
    void SaveToStreamExt(TStream&, const std::string&) override { throw EWriteError("Stream write error"); }
};

}  // namespace gwtest
