#pragma once
// Preset folders for the browser's tests: button parameter files with flat
// thumbnails, containers of other kinds, and the size and time of every
// entry of a folder (browsing must change none).
#include <sys/stat.h>

#include <map>
#include <string>

#include "glimmo/ButtonFile.h"
#include "image/PGFormats.h"
#include "image/PGraphic.h"
#include "support/ContainerItems.h"
#include "support/PictureUtil.h"
#include "support/TestFiles.h"

namespace gwtest {

// The helpers below register the picture formats first.

// The bytes of a flat w x h picture written in the format of extension.
inline std::string FlatPictureBytes(int w, int h, uint32_t colour, const std::string& extension) {
    InitPixelGraphicLibrary();
    TPixelGraphic g;
    MakeFlat(g, w, h, colour);
    TMemoryStream m;
    g.SaveToStreamExt(m, extension);
    return std::string(m.Data().begin(), m.Data().end());
}

// A button parameter file whose rendered button is flat w x h.
inline void WriteButtonPreset(const std::string& path, int w, int h, uint32_t colour) {
    InitPixelGraphicLibrary();
    TPixelGraphic button;
    MakeFlat(button, w, h, colour);
    WriteButtonFile(path, TButtonParameters{}, button);
}

// A button preset folder: four good files (a.glw.glw 70 x 70 blue, B.GLW
// 200 x 1 yellow, b1.glw 25 x 100 green, c2.glw 200 x 50 red) and entries
// the browser passes over: a file that is no container, containers without
// the thumbnail or with an empty or unreadable one, a folder named d.glw
// and files of other extensions.
inline std::string MakeButtonPresetFolder(const std::string& name) {
    std::string dir = TempDir(name);
    WriteButtonPreset(dir + "/c2.glw", 200, 50, RGB(200, 30, 30));
    WriteButtonPreset(dir + "/b1.glw", 25, 100, RGB(30, 200, 30));
    WriteButtonPreset(dir + "/a.glw.glw", 70, 70, RGB(30, 30, 200));
    WriteButtonPreset(dir + "/B.GLW", 200, 1, RGB(200, 200, 30));
    WriteFile(dir + "/bad.glw", std::string("QDB\0\x10\0\0\0broken", 13));
    WriteItems(dir + "/nothumb.glw", {{"settings", "1\n2\n"}});
    WriteItems(dir + "/empty.glw", {{"pgimage1", ""}});
    WriteItems(dir + "/junk.glw", {{"pgimage1", "no picture at all"}});
    ::mkdir((dir + "/d.glw").c_str(), 0700);
    WriteButtonPreset(dir + "/d.glw/inside.glw", 10, 10, 0);
    WriteButtonPreset(dir + "/other.txt", 10, 10, 0);
    WriteButtonPreset(dir + "/x.glwy", 10, 10, 0);
    return dir;
}

struct TEntryStamp {
    long long Size = 0;
    long long ModifiedNs = 0;
    long long ChangedNs = 0;
    bool operator==(const TEntryStamp& o) const {
        return Size == o.Size && ModifiedNs == o.ModifiedNs && ChangedNs == o.ChangedNs;
    }
};

// Every entry of dir (by name) with its size and times.
inline std::map<std::string, TEntryStamp> Stamps(const std::string& dir) {
    std::map<std::string, TEntryStamp> out;
    for (const std::string& name : ListDir(dir)) {
        struct stat st {};
        if (::lstat((dir + "/" + name).c_str(), &st) != 0) continue;
        out[name] = TEntryStamp{static_cast<long long>(st.st_size),
                                st.st_mtim.tv_sec * 1000000000LL + st.st_mtim.tv_nsec,
                                st.st_ctim.tv_sec * 1000000000LL + st.st_ctim.tv_nsec};
    }
    return out;
}

}  // namespace gwtest
