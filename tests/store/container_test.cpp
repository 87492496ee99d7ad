// The container file: its bytes as written and read, work files, saving.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "ContainerBuilder.h"
#include "store/QDB.h"
#include "support/TestFiles.h"

using namespace qdbtest;

namespace {

std::vector<std::string> Keys(const TContainer& c) {
    std::vector<std::string> keys;
    for (const auto& e : c.Entries) keys.push_back(e.Key);
    return keys;
}

struct ContainerTest : TStoreTest {};

}  // namespace

TEST_F(ContainerTest, EmptyContainerBytes) {
    {
        TQDB db;
        db.SetFileName(Path("fresh"));
        EXPECT_EQ(db.GetFileName(), Path("fresh.QDB"));
        EXPECT_EQ(db.Count(), 0);
    }
    const std::string expected("QDB\0\0\0\0\0QIX\0\5\0\0\0\0\0\0\0\0", 21);
    EXPECT_EQ(gwtest::ReadFile(Path("fresh.QDB")), expected);
    // It opens again as an empty store.
    TQDB db;
    db.Open(Path("fresh.QDB"), TQDB::omReadExisting);
    EXPECT_EQ(db.Count(), 0);
}

TEST_F(ContainerTest, IndexInDescendingOrderDataInAdditionOrderUntilPacked) {
    for (bool pack : {false, true}) {
        SCOPED_TRACE(pack ? "packed" : "as added");
        std::string file = Path(pack ? "p.qdb" : "u.qdb");
        {
            TQDB db;
            db.SetFileName(file);
            Add(db, "b", "BB");
            Add(db, "a", "A");
            Add(db, "c", "CCC");
            if (pack) {
                db.FlushIndex();
                db.Pack();
            }
            db.Close();
        }
        TContainer c = ParseContainer(gwtest::ReadFile(file));
        EXPECT_EQ(Keys(c), (std::vector<std::string>{"c", "b", "a"}));
        EXPECT_EQ(c.Data, pack ? "ABBCCC" : "BBACCC");
        EXPECT_EQ(ItemBytes(c, "a"), "A");
        EXPECT_EQ(ItemBytes(c, "b"), "BB");
        EXPECT_EQ(ItemBytes(c, "c"), "CCC");
        for (const auto& e : c.Entries) EXPECT_EQ(e.Flags, 0u);
    }
}

TEST_F(ContainerTest, CaseSensitiveContainerKeepsKeysDifferingInCase) {
    // Listed out of order (the reader must not trust the order), with a
    // trailing zero byte after the entries.
    std::vector<TEntry> entries = {{"QDBCaseSensitive", 2, 1, 1}, {"a", 0, 1, 0}, {"A", 1, 1, 0}};
    std::string bytes = ContainerBytes(std::string("xy\1"), IndexBytes(entries) + std::string(1, '\0'));
    gwtest::WriteFile(Path("cs.qdb"), bytes);
    {
        TQDB db;
        db.SetFileName(Path("cs.qdb"));
        EXPECT_EQ(Read(db, "a"), "x");
        EXPECT_EQ(Read(db, "A"), "y");
        Add(db, "b", "z");
        db.Close();
    }
    // The administrative item and the case flag survive a rewrite.
    TContainer c = ParseContainer(gwtest::ReadFile(Path("cs.qdb")));
    EXPECT_EQ(c.Entries.front().Key, "QDBCaseSensitive");
    EXPECT_EQ(c.Entries.front().Flags, 1u);
    TQDB db;
    db.Open(Path("cs.qdb"), TQDB::omReadExisting);
    EXPECT_TRUE(db.CaseSensitive());
    EXPECT_EQ(db.GetKey(0) + db.GetKey(1) + db.GetKey(2), "aAb");
    EXPECT_FALSE(db.FindKey("B"));
}

TEST_F(ContainerTest, BadMagicAndWrongPassword) {
    gwtest::WriteFile(Path("bad.qdb"), std::string("QDX\0", 4) + std::string(17, '\0'));
    TQDB db;
    try {
        db.Open(Path("bad.qdb"), TQDB::omReadExisting);
        FAIL();
    } catch (const EQDBFileError& e) {
        EXPECT_EQ(e.Message(), "The file " + Path("bad.qdb") + " is not a valid QDB file");
    }
    // A container without a password block never asks for one.
    gwtest::WriteFile(Path("plain.qdb"), ContainerOf({{"k", "v"}}));
    bool asked = false;
    db.OnDemandPassword = [&](TQDB*, std::string&) { asked = true; };
    db.Open(Path("plain.qdb"), TQDB::omReadExisting);
    EXPECT_FALSE(asked);
    gwtest::WriteFile(Path("locked.qdb"), ContainerOf({{"k", "v"}}, "right"));
    db.OnDemandPassword = [](TQDB*, std::string& pw) { pw = "wrong"; };
    try {
        db.Open(Path("locked.qdb"), TQDB::omReadExisting);
        FAIL();
    } catch (const EQDBInvalidPW& e) {
        EXPECT_EQ(e.Message(), "The password you have provided is invalid");
    }
    EXPECT_FALSE(db.IsOpen());
}

TEST_F(ContainerTest, ProtectedAndCompressedItemsRoundTrip) {
    // Sections above one chunk (524,288 bytes) exercise the per-chunk key
    // stream on both sides.
    std::string big(700000, '\0');
    for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>((i * 7919) >> 5);
    gwtest::WriteFile(Path("p.qdb"), ContainerOf({{"old", big}}, "secret"));
    auto password = [](TQDB*, std::string& pw) { pw = "secret"; };
    {
        TQDB db;
        db.OnDemandPassword = password;
        db.SetFileName(Path("p.qdb"));
        EXPECT_EQ(Read(db, "old"), big);
        db.SetCompression(true);
        Add(db, "empty", "");
        Add(db, "one", "1");
        Add(db, "big", big + big);
        db.Close();
    }
    std::string bytes = gwtest::ReadFile(Path("p.qdb"));
    TContainer c = ParseContainer(bytes, "secret");
    EXPECT_TRUE(c.Protected);
    EXPECT_EQ(ItemBytes(c, "old"), big);
    for (const auto& e : c.Entries) EXPECT_EQ(e.Flags, e.Key == "old" ? 0u : 2u) << e.Key;
    EXPECT_EQ(bytes.find("secret"), std::string::npos);

    TQDB db;
    db.OnDemandPassword = password;
    db.SetCacheSize(0);
    db.Open(Path("p.qdb"), TQDB::omReadExisting);
    EXPECT_EQ(Read(db, "empty"), "");
    EXPECT_EQ(Read(db, "one"), "1");
    EXPECT_EQ(Read(db, "big"), big + big);
    EXPECT_EQ(Read(db, "old"), big);
}

TEST_F(ContainerTest, DataSectionThatWouldReadAsPasswordBlockIsPadded) {
    const size_t n = 5722193;  // "QPW\0" read as a length
    std::string item(n, 'q');
    {
        TQDB db;
        db.Open(Path("qpw.qdb"), TQDB::omCreateNew);
        Add(db, "big", item);
        db.Close();
    }
    std::string bytes = gwtest::ReadFile(Path("qpw.qdb"));
    EXPECT_NE(bytes.compare(4, 4, std::string("QPW\0", 4)), 0);
    TContainer c = ParseContainer(bytes);
    EXPECT_EQ(c.Data.size(), n + 1);
    TQDB db;
    db.Open(Path("qpw.qdb"), TQDB::omReadExisting);
    EXPECT_EQ(Read(db, "big"), item);
}

TEST_F(ContainerTest, UnchangedStoreLeavesFileAlone) {
    gwtest::WriteFile(Path("keep.qdb"), ContainerOf({{"k", "v"}, {"j", "w"}}));
    std::string before = gwtest::ReadFile(Path("keep.qdb"));
    struct stat st0;
    ASSERT_EQ(::stat(Path("keep.qdb").c_str(), &st0), 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    {
        TQDB db;
        db.SetFileName(Path("keep.qdb"));
        EXPECT_EQ(Read(db, "k"), "v");
        db.FlushIndex();
    }  // closed by the destructor
    struct stat st1;
    ASSERT_EQ(::stat(Path("keep.qdb").c_str(), &st1), 0);
    EXPECT_EQ(gwtest::ReadFile(Path("keep.qdb")), before);
    EXPECT_EQ(st0.st_mtim.tv_sec, st1.st_mtim.tv_sec);
    EXPECT_EQ(st0.st_mtim.tv_nsec, st1.st_mtim.tv_nsec);
    EXPECT_EQ(st0.st_ino, st1.st_ino);
}

TEST_F(ContainerTest, ChangedBehindOurBackSavesBesideIt) {
    gwtest::WriteFile(Path("parts.qdb"), ContainerOf({{"k", "v"}}));
    gwtest::WriteFile(Path("1.parts.qdb"), "occupied");
    TQDB db;
    db.SetFileName(Path("parts.qdb"));
    Add(db, "mine", "m");
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    gwtest::WriteFile(Path("parts.qdb"), "theirs");
    db.Close();
    EXPECT_EQ(gwtest::ReadFile(Path("parts.qdb")), "theirs");
    EXPECT_EQ(gwtest::ReadFile(Path("1.parts.qdb")), "occupied");
    TContainer c = ParseContainer(gwtest::ReadFile(Path("1.1.parts.qdb")));
    EXPECT_EQ(ItemBytes(c, "mine"), "m");
}

TEST_F(ContainerTest, ReadOnlyFileRefusesChangesAndIsNotWritten) {
    gwtest::WriteFile(Path("ro.qdb"), ContainerOf({{"k", "v"}}));
    ::chmod(Path("ro.qdb").c_str(), 0444);
    std::string before = gwtest::ReadFile(Path("ro.qdb"));
    TQDB db;
    db.SetFileName(Path("ro.qdb"));
    EXPECT_TRUE(db.GetReadOnly());
    TMemoryStream m = Bytes("x");
    try {
        db.AddItem("new", m);
        FAIL();
    } catch (const EQDBReadOnly& e) {
        EXPECT_EQ(e.Message(), Path("ro.qdb") + " is marked as read-only");
    }
    int warned = 0;
    db.WarnReadOnly = [&](TQDB*) { ++warned; };
    db.AddItem("new", m);
    db.Pack();
    EXPECT_EQ(warned, 2);
    db.Close();
    EXPECT_FALSE(db.GetReadOnly());
    EXPECT_EQ(gwtest::ReadFile(Path("ro.qdb")), before);
}

TEST_F(ContainerTest, SaveOnCloseOffKeepsTheFlushedIndex) {
    TQDB db;
    db.SetFileName(Path("s.qdb"));
    Add(db, "first", "1");
    db.FlushIndex();
    Add(db, "second", "2");
    db.SetSaveOnClose(false);
    db.Close();
    TContainer c = ParseContainer(gwtest::ReadFile(Path("s.qdb")));
    EXPECT_EQ(Keys(c), std::vector<std::string>{"first"});
    EXPECT_EQ(c.Data, "12");
}

TEST_F(ContainerTest, WorkFilesLiveInAPrivateFolderAndGoAway) {
    std::string work = gwtest::TempDir("qdb-work");
    SetQDBWorkFolder(work + "/");
    EXPECT_EQ(GetQDBWorkFolder(), work);
    {
        TQDB db;
        db.SetFileName(Path("w.qdb"));
        auto folders = gwtest::ListDir(work);
        ASSERT_EQ(folders.size(), 1u);
        struct stat st;
        ASSERT_EQ(::stat((work + "/" + folders[0]).c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0700u);
        // Data, index and the lock its owner holds.
        EXPECT_EQ(gwtest::ListDir(work + "/" + folders[0]).size(), 3u);
        Add(db, "k", "v");
        db.Pack();
    }
    EXPECT_TRUE(gwtest::ListDir(work).empty());
    // Nothing but the container is left beside it.
    EXPECT_EQ(gwtest::ListDir(dir), std::vector<std::string>{"w.qdb"});
    InitializeQDB();
    EXPECT_EQ(GetQDBWorkFolder(), "");
}
