#pragma once
// An independent writer and reader of container bytes for the store tests:
// fixtures are built field by field, and what the store writes is taken
// apart the same way.
#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "store/QDB.h"
#include "support/TestFiles.h"

namespace qdbtest {

// A fixture with a fresh folder per test.
struct TStoreTest : ::testing::Test {
    std::string dir = gwtest::TempDir("qdb");
    std::string Path(const std::string& name) { return dir + "/" + name; }
};

TMemoryStream Bytes(const std::string& s);
std::string Text(const TMemoryStream& m);
void Add(TQDB& db, const std::string& key, const std::string& bytes);
// The item's bytes through GetItemByKey (a test failure when absent).
std::string Read(TQDB& db, const std::string& key);

struct TEntry {
    std::string Key;
    int32_t Offset = 0;
    int32_t Size = 0;
    uint32_t Flags = 0;
};

struct TContainer {
    bool Protected = false;
    std::string Data;             // plain data section
    std::vector<TEntry> Entries;  // in file order
};

std::string Int32(int64_t v);
// Raw index section: count, then the entries in the given order.
std::string IndexBytes(const std::vector<TEntry>& entries);
// Magic, optional password block, data section, "QIX", index section; with a
// password each section is enciphered in its chunks.
std::string ContainerBytes(const std::string& data, const std::string& index, const std::string& password = "");
// Items written to the data section in the given order and listed in the
// index in descending key order (as a store writes them).
std::string ContainerOf(const std::vector<std::pair<std::string, std::string>>& items,
                        const std::string& password = "");
// Takes a container apart; throws std::runtime_error when it is malformed.
TContainer ParseContainer(const std::string& bytes, const std::string& password = "");
// The plain bytes of the entry with key (uncompressed entries only).
std::string ItemBytes(const TContainer& c, const std::string& key);

}  // namespace qdbtest
