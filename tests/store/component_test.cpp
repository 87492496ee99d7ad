// TQDB as its users see it: names, open modes, items, events, warnings,
// progress and the cache.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "ContainerBuilder.h"
#include "store/QDB.h"
#include "support/TestFiles.h"

using namespace qdbtest;

namespace {

struct ComponentTest : TStoreTest {};

}  // namespace

TEST_F(ComponentTest, FileNameExpandsAddsExtensionAndIgnoresSameName) {
    auto cwd = std::filesystem::current_path();
    std::filesystem::current_path(dir);
    TQDB db;
    int assigned = 0;
    db.OnFileAssigned = [&](TQDB*) { ++assigned; };
    db.SetFileName("sub/../parts");
    EXPECT_EQ(db.GetFileName(), dir + "/parts.QDB");
    EXPECT_TRUE(gwtest::ReadFile(dir + "/parts.QDB").size() == 21);
    Add(db, "k", "v");
    // The same name, with or without the extension: nothing happens.
    db.SetFileName(dir + "/parts");
    db.SetFileName("parts.QDB");
    EXPECT_EQ(assigned, 1);
    EXPECT_EQ(db.Count(), 1);
    std::filesystem::current_path(cwd);
    // An empty name closes (and saves).
    db.SetFileName("");
    EXPECT_FALSE(db.IsOpen());
    EXPECT_EQ(assigned, 2);
    EXPECT_EQ(ItemBytes(ParseContainer(gwtest::ReadFile(dir + "/parts.QDB")), "k"), "v");
    db.SetFileName(dir + "/parts.QDB");
    db.Close();
    db.SetFileName(dir + "/parts.QDB");  // closed: the same name opens again
    EXPECT_EQ(db.Count(), 1);
}

TEST_F(ComponentTest, OpenModes) {
    TQDB db;
    try {
        db.Open(Path("missing.qdb"), TQDB::omReadExisting);
        FAIL();
    } catch (const EQDBFileError& e) {
        EXPECT_EQ(e.Message(), "Could not find the file " + Path("missing.qdb"));
    }
    EXPECT_TRUE(gwtest::ListDir(dir).empty());
    EXPECT_EQ(db.GetFileName(), "");
    // A missing folder is reported when the file cannot be made.
    EXPECT_THROW(db.SetFileName(Path("no/such/folder/x.qdb")), EQDBFileError);
    EXPECT_THROW(db.Open(Path("no/such/x.qdb"), TQDB::omCreateNew), EQDBFileError);

    // A new store replaces the file only on a successful Close.
    gwtest::WriteFile(Path("p.qdb"), ContainerOf({{"old", "1"}}));
    const std::string old = gwtest::ReadFile(Path("p.qdb"));
    {
        TQDB writer;
        writer.Open(Path("p.qdb"), TQDB::omCreateNew);
        EXPECT_EQ(writer.Count(), 0);
        Add(writer, "new", "2");
        EXPECT_EQ(gwtest::ReadFile(Path("p.qdb")), old);
    }  // destroyed without Close: the writer gave up
    EXPECT_EQ(gwtest::ReadFile(Path("p.qdb")), old);
    db.Open(Path("p.qdb"), TQDB::omCreateNew);
    Add(db, "new", "2");
    db.Close();
    TContainer c = ParseContainer(gwtest::ReadFile(Path("p.qdb")));
    ASSERT_EQ(c.Entries.size(), 1u);
    EXPECT_EQ(ItemBytes(c, "new"), "2");
}

TEST_F(ComponentTest, KeysAreCaseInsensitiveAndUnique) {
    TQDB db;
    db.SetFileName(Path("k.qdb"));
    Add(db, "Settings", "s");
    try {
        Add(db, "SETTINGS", "t");
        FAIL();
    } catch (const EQDBIndexError& e) {
        EXPECT_EQ(e.Message(), "Duplicate keys are not allowed");
    }
    EXPECT_EQ(db.Count(), 1);
    EXPECT_TRUE(db.FindKey("settings"));
    EXPECT_EQ(db.CurrentKey(), "Settings");
    // Keys end at a zero byte and after 255 characters, both when stored and
    // when looked up.
    Add(db, std::string("cut\0tail", 8), "z");
    EXPECT_TRUE(db.FindKey("cut"));
    Add(db, std::string(300, 'k'), "long");
    EXPECT_TRUE(db.FindKey(std::string(255, 'k')));
    EXPECT_TRUE(db.FindKey(std::string(256, 'k')));
    EXPECT_EQ(db.CurrentKey(), std::string(255, 'k'));
}

TEST_F(ComponentTest, FailedFindDoesNotHandBackTheLastItem) {
    TQDB db;
    db.SetFileName(Path("f.qdb"));
    Add(db, "a", "AAA");
    Add(db, "b", "BBB");
    ASSERT_TRUE(db.FindKey("a"));
    EXPECT_FALSE(db.FindKey("zzz"));
    EXPECT_EQ(db.ItemIndex(), 0);  // the current item stays
    TMemoryStream m = Bytes("stale");
    try {
        db.GetItem(m);
        FAIL() << "read " << Text(m);
    } catch (const EQDBBadKey& e) {
        EXPECT_EQ(e.Message(), "The key 'zzz' does not exist");
    }
    EXPECT_FALSE(db.GetItemByKey("zzz", m));
    EXPECT_EQ(m.GetSize(), 0);
    ASSERT_TRUE(db.GetItemByKey("B", m));
    EXPECT_EQ(Text(m), "BBB");
    EXPECT_EQ(m.GetPosition(), 0);
}

TEST_F(ComponentTest, EventsAndUpdateNesting) {
    TQDB db;
    int added = 0, navigated = 0, found = 0;
    db.OnAdded = [&](TQDB*) { ++added; };
    db.OnNavigate = [&](TQDB*) { ++navigated; };
    db.OnFound = [&](TQDB*) { ++found; };
    db.SetFileName(Path("e.qdb"));
    db.BeginUpdate();
    db.BeginUpdate();
    for (int i = 0; i < 6; ++i) Add(db, "k" + std::to_string(i), "v");
    db.EndUpdate();
    EXPECT_EQ(navigated, 0);
    db.EndUpdate();
    EXPECT_EQ(added, 6);
    EXPECT_EQ(navigated, 1);
    EXPECT_TRUE(db.FindKey("k3"));
    EXPECT_EQ(navigated, 2);
    EXPECT_EQ(found, 1);
}

TEST_F(ComponentTest, WarningsReplaceExceptions) {
    TQDB db;
    TMemoryStream m;
    EXPECT_THROW(db.GetItem(m), EQDBNoFile);
    EXPECT_THROW(db.AddItem(m, "k"), EQDBNoFile);
    db.SetFileName(Path("w.qdb"));
    try {
        db.GetItem(m);
        FAIL();
    } catch (const EQDBNoData& e) {
        EXPECT_EQ(e.Message(), "File " + Path("w.qdb") + " is empty");
    }
    Add(db, "k", "v");
    EXPECT_THROW(db.GoToItem(1), EQDBOutOfBounds);
    int bounds = 0;
    db.WarnOutOfBounds = [&](TQDB*) { ++bounds; };
    EXPECT_EQ(db.GetKey(5), "");
    db.GoToItem(-1);
    EXPECT_EQ(bounds, 2);
    EXPECT_EQ(db.ItemIndex(), 0);
}

TEST_F(ComponentTest, ProgressReportsTenthsThenZero) {
    std::vector<std::pair<std::string, std::string>> items;
    items.reserve(25);
    for (int i = 0; i < 25; ++i) items.push_back({"key" + std::to_string(100 + i), "v"});
    gwtest::WriteFile(Path("p.qdb"), ContainerOf(items));
    std::vector<std::pair<int, int>> seen;  // outlives the store's closing reports
    TQDB db;
    db.ProgressUpdate = [&](TQDB*, int percent, TQDB::TProgressOrigin kind) { seen.push_back({kind, percent}); };
    db.SetFileName(Path("p.qdb"));
    std::vector<std::pair<int, int>> load;
    for (int p = 10; p <= 80; p += 10) load.push_back({0, p});
    load.push_back({0, 0});
    EXPECT_EQ(seen, load);
    seen.clear();
    Add(db, "new", "v");  // 26 keys: step 3, counted from 0 when writing
    db.FlushIndex();
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.front(), std::make_pair(2, 0));
    EXPECT_EQ(seen[1], std::make_pair(2, 10));
    EXPECT_EQ(seen.back(), std::make_pair(2, 0));
    seen.clear();
    db.Pack();  // counted from 1
    EXPECT_EQ(seen.front(), std::make_pair(3, 10));
}

TEST_F(ComponentTest, PackKeepsCurrentItemAndMarksIndexForSaving) {
    TQDB db;
    db.SetFileName(Path("p.qdb"));
    db.Pack();  // empty: completes without a no-data error
    Add(db, "b", "2");
    Add(db, "a", "1");
    db.FlushIndex();
    EXPECT_FALSE(db.Modified());
    ASSERT_TRUE(db.FindKey("b"));
    db.Pack();
    EXPECT_TRUE(db.Modified());
    EXPECT_EQ(db.CurrentKey(), "b");
    TMemoryStream m;
    db.SetCacheSize(0);  // read through the packed data work file
    db.GetItem(m);
    EXPECT_EQ(Text(m), "2");
    db.SetSaveOnClose(false);
    db.FlushIndex();  // the packed offsets reach the index work file
    db.Close();
    TContainer c = ParseContainer(gwtest::ReadFile(Path("p.qdb")));
    EXPECT_EQ(c.Data, "12");
    EXPECT_EQ(ItemBytes(c, "b"), "2");
}

TEST_F(ComponentTest, CacheBudgetAndHitRate) {
    TQDB db;
    EXPECT_EQ(db.GetCacheFrequency(), 0);
    db.SetCacheSize(10);
    db.SetFileName(Path("c.qdb"));
    Add(db, "big", std::string(11, 'b'));  // above the budget: never cached
    Add(db, "small", "123456");            // cached when added: one lookup
    TMemoryStream m;
    db.GetItemByKey("small", m);  // hit
    db.GetItemByKey("big", m);    // read from the file
    db.GetItemByKey("big", m);
    EXPECT_EQ(Text(m), std::string(11, 'b'));
    EXPECT_EQ(db.GetCacheFrequency(), 50);

    qdb::TCacheList cache(10);
    TMemoryStream a = Bytes("aaaa"), b = Bytes("bbbb"), c = Bytes("cccc");
    cache.Add("a", a);
    cache.Add("b", b);
    EXPECT_TRUE(cache.Get("a", m));  // a is now younger than b
    cache.Add("c", c);               // evicts b, the oldest
    EXPECT_TRUE(cache.Contains("a"));
    EXPECT_FALSE(cache.Contains("b"));
    cache.Add("a", c);  // already cached: unchanged, not counted twice
    EXPECT_EQ(cache.BytesCached(), 8);
    ASSERT_TRUE(cache.Get("a", m));
    EXPECT_EQ(Text(m), "aaaa");
}

TEST_F(ComponentTest, ClosingReportsFailureDestructorDoesNot) {
    std::string sub = Path("sub");
    ASSERT_EQ(::mkdir(sub.c_str(), 0755), 0);
    TQDB db;
    db.Open(sub + "/x.qdb", TQDB::omCreateNew);
    Add(db, "k", "v");
    ASSERT_EQ(::rmdir(sub.c_str()), 0);  // the target folder vanished
    EXPECT_THROW(db.Close(), EQDBFileError);
    EXPECT_FALSE(db.IsOpen());
    {
        TQDB lost;
        ASSERT_EQ(::mkdir(sub.c_str(), 0755), 0);
        lost.SetFileName(sub + "/y.qdb");
        Add(lost, "k", "v");
        ASSERT_EQ(::unlink((sub + "/y.qdb").c_str()), 0);
        ASSERT_EQ(::rmdir(sub.c_str()), 0);
    }  // must not throw
}
