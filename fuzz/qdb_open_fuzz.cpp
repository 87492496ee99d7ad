// Opens a container made of the input and reads every item. The first byte
// picks the way in: read-only (in memory), open-or-create (work files), or
// open, add, pack, save and reopen, which must give back every item.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <map>
#include <string>

#include "store/QDB.h"
#include "tests/support/ContainerItems.h"

namespace {

const std::string& Folder() {
    static const std::string folder = [] {
        char name[] = "/tmp/qdb-fuzz-XXXXXX";
        if (!::mkdtemp(name)) std::abort();
        SetQDBWorkFolder(name);
        return std::string(name);
    }();
    return folder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const int mode = data[0] & 3;
    const std::string path = Folder() + "/in.qdb";
    {
        std::ofstream f(path, std::ios::binary | std::ios::trunc);
        f.write(reinterpret_cast<const char*>(data + 1), static_cast<std::streamsize>(size - 1));
    }
    auto password = [](TQDB*, std::string& pw) { pw = "pw"; };
    std::map<std::string, std::string> before;
    try {
        TQDB db;
        db.OnDemandPassword = password;
        db.SetCacheSize(mode == 1 ? 0 : 65536);
        db.Open(path, mode == 2 || mode == 3 ? TQDB::omOpenOrCreate : TQDB::omReadExisting);
        before = gwtest::ReadItems(db);
        if (mode != 3) return 0;
        TMemoryStream extra(std::vector<uint8_t>(data, data + std::min<size_t>(size, 300)));
        db.SetCompression(true);
        if (db.FindKey("fuzz-extra")) return 0;
        db.AddItem(extra, "fuzz-extra");
        before["fuzz-extra"] = std::string(extra.Data().begin(), extra.Data().end());
        db.Pack();
        db.Close();
    } catch (const EQDBError&) {
        return 0;
    }
    // What was read and written must read back the same.
    TQDB again;
    again.OnDemandPassword = password;
    again.Open(path, TQDB::omReadExisting);
    std::map<std::string, std::string> after = gwtest::ReadItems(again);
    if (after.size() != before.size()) std::abort();
    for (const auto& [key, bytes] : before) {
        TMemoryStream m;
        if (!again.GetItemByKey(key, m) || std::string(m.Data().begin(), m.Data().end()) != bytes) std::abort();
    }
    return 0;
}
