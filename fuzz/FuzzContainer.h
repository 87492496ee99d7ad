#pragma once
// Shared start of the parameter-file fuzz targets: the input becomes a
// container file on disk. Input that starts with the container signature
// "QDB\0" is written as it is; any other input is a list of items, each
// "key" LF content, separated by LF "@@", and a container is built from
// them, so that mutations reach the items' contents directly.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>

#include "image/PGFormats.h"
#include "store/QDB.h"

inline std::string FuzzFolder() {
    static const std::string folder = [] {
        char name[] = "/tmp/param-fuzz-XXXXXX";
        if (!::mkdtemp(name)) std::abort();
        SetQDBWorkFolder(name);
        InitPixelGraphicLibrary();
        return std::string(name);
    }();
    return folder;
}

// The path of the file made from the input, or "" when the items cannot
// form a container (a duplicate key, for one).
inline std::string FuzzContainerFile(const uint8_t* data, size_t size, const std::string& name) {
    std::string path = FuzzFolder() + "/" + name;
    const std::string input(reinterpret_cast<const char*>(data), size);
    if (input.compare(0, 4, std::string("QDB\0", 4)) == 0) {
        std::ofstream f(path, std::ios::binary | std::ios::trunc);
        f.write(input.data(), static_cast<std::streamsize>(input.size()));
        return path;
    }
    try {
        TQDB db;
        db.Open(path, TQDB::omCreateNew);
        size_t pos = 0;
        while (pos <= input.size()) {
            size_t end = input.find("\n@@", pos);
            if (end == std::string::npos) end = input.size();
            const std::string chunk = input.substr(pos, end - pos);
            const size_t lf = chunk.find('\n');
            const std::string key = chunk.substr(0, lf);
            const std::string content = lf == std::string::npos ? "" : chunk.substr(lf + 1);
            if (!key.empty()) {
                TMemoryStream m(std::vector<uint8_t>(content.begin(), content.end()));
                db.AddItem(key, m);
            }
            pos = end + 3;
        }
        db.Close();
    } catch (const Exception&) {
        return "";
    }
    return path;
}
