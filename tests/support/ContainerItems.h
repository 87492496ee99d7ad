#pragma once
// Keyed-blob containers as maps of item key to bytes, for tests that build
// or take apart parameter files, and a picture whose writer fails.
#include <algorithm>
#include <cstdint>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "image/PGraphic.h"
#include "platform/StringList.h"
#include "store/QDB.h"
#include "store/QDBCompress.h"

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

// A compressed item of `blocks` blocks that each expand to 32768 bytes of
// `fill`: every block is the compressor's own coding of such a run (eight
// run codes of the longest count and a copy, 40 bytes), so the item expands
// about 800 times. The blocks are repeated rather than compressed from a run
// of the whole length, which would need the plain bytes first.
inline std::string RunBlocks(int64_t blocks, char fill = 'x') {
    TMemoryStream run(std::vector<uint8_t>(qdb::kCompressBlock, static_cast<uint8_t>(fill))), packed;
    qdb::Compress(run, packed);
    const std::string one(packed.Data().begin(), packed.Data().end());
    std::string all;
    all.reserve(one.size() * static_cast<size_t>(blocks));
    for (int64_t i = 0; i < blocks; ++i) all += one;
    return all;
}

// The store's compression of bytes.
inline std::string Packed(const std::string& bytes) {
    TMemoryStream plain(std::vector<uint8_t>(bytes.begin(), bytes.end())), packed;
    qdb::Compress(plain, packed);
    return std::string(packed.Data().begin(), packed.Data().end());
}

// A container, field by field, of the plain items and of the packed ones as
// compressed items (flag bit 1): the programs' writers never compress, and
// the store's compressor needs the plain bytes of what it codes.
inline void WriteItems(const std::string& path, const TItems& plain, const TItems& packed) {
    auto int32 = [](std::string& s, int64_t v) {
        for (int i = 0; i < 4; ++i) s += static_cast<char>(static_cast<uint32_t>(v) >> (8 * i));
    };
    struct TEntry {
        std::string Key;
        int64_t Offset, Size;
        uint32_t Flags;
    };
    std::string data;
    std::vector<TEntry> entries;
    for (const TItems* items : {&plain, &packed})
        for (const auto& [key, bytes] : *items) {
            entries.push_back({key, static_cast<int64_t>(data.size()), static_cast<int64_t>(bytes.size()),
                               items == &packed ? 2u : 0u});
            data += bytes;
        }
    // The index lists the keys in descending order, as the store writes it.
    std::sort(entries.begin(), entries.end(), [](const TEntry& a, const TEntry& b) { return a.Key > b.Key; });
    std::string index;
    int32(index, static_cast<int64_t>(entries.size()));
    for (const TEntry& e : entries) {
        index += e.Key + std::string(1, '\0');
        int32(index, e.Offset);
        int32(index, e.Size);
        int32(index, e.Flags);
    }
    std::string file("QDB\0", 4);
    int32(file, static_cast<int64_t>(data.size()));
    file += data + std::string("QIX\0", 4);
    int32(file, static_cast<int64_t>(index.size()));
    file += index;
    std::ofstream(path, std::ios::binary).write(file.data(), static_cast<std::streamsize>(file.size()));
}

}  // namespace gwtest
