// Forged and damaged containers, failing writes during a save, and a save
// killed at random moments.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <random>
#include <thread>

#include "ContainerBuilder.h"
#include "store/QDB.h"
#include "store/QDBCompress.h"
#include "support/PeakMemory.h"
#include "support/TestFiles.h"

using namespace qdbtest;

namespace {

constexpr int kOpened = 0;

// Opens the file and reads every item: kOpened, or the message id of the
// store's error. Any other exception fails the test.
int OpenAndReadAll(const std::string& path, const std::string& password = "") {
    TQDB db;
    db.OnDemandPassword = [&](TQDB*, std::string& pw) { pw = password; };
    try {
        db.Open(path, TQDB::omReadExisting);
        for (int i = 0; i < db.Count(); ++i) {
            TMemoryStream m;
            db.GoToItem(i);
            db.GetItem(m);
        }
        return kOpened;
    } catch (const EQDBError& e) {
        return e.Ident();
    }
}

// Writes beyond this many bytes fail with EFBIG while it lives.
class TFileSizeLimit {
public:
    explicit TFileSizeLimit(rlim_t bytes) {
        ::signal(SIGXFSZ, SIG_IGN);
        ::getrlimit(RLIMIT_FSIZE, &FSaved);
        rlimit lim = FSaved;
        lim.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &lim);
    }
    ~TFileSizeLimit() { ::setrlimit(RLIMIT_FSIZE, &FSaved); }

private:
    rlimit FSaved;
};

int32_t GetInt32Le(const std::string& s, size_t at) {
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<uint8_t>(s[at + size_t(i)]);
    return static_cast<int32_t>(v);
}

std::string CompressedContainer(const std::string& password) {
    std::string dir = gwtest::TempDir("qdb-seed");
    {
        TQDB db;
        db.Open(dir + "/seed.qdb", TQDB::omCreateNew);
        db.SetCompression(true);
        std::string text;
        for (int i = 0; i < 40; ++i) text += "line " + std::to_string(i % 7) + " of the settings\r\n";
        Add(db, "settings", text);
        Add(db, "run", std::string(300, 'r'));
        db.SetCompression(false);
        Add(db, "plain", "plain bytes");
        db.Close();
    }
    std::string bytes = gwtest::ReadFile(dir + "/seed.qdb");
    if (!password.empty()) {
        TContainer c = ParseContainer(bytes);
        bytes = ContainerBytes(c.Data, IndexBytes(c.Entries), password);
    }
    return bytes;
}

struct HostileTest : TStoreTest {
    int Try(const std::string& bytes, const std::string& password = "") {
        gwtest::WriteFile(Path("t.qdb"), bytes);
        return OpenAndReadAll(Path("t.qdb"), password);
    }
};

}  // namespace

TEST_F(HostileTest, TruncatedAndBitFlippedContainersAreRefusedCleanly) {
    std::mt19937 rng(1234);
    for (std::string password : {"", "pw"}) {
        SCOPED_TRACE(password.empty() ? "plain" : "protected");
        const std::string seed = CompressedContainer(password);
        ASSERT_EQ(Try(seed, password), kOpened);
        for (size_t n = 0; n < seed.size(); ++n) EXPECT_NE(Try(seed.substr(0, n), password), kOpened) << n;
        int opened = 0;
        for (int round = 0; round < 150; ++round) {
            std::string bad = seed;
            int flips = 1 + int(rng() % 3);
            for (int f = 0; f < flips; ++f) bad[rng() % bad.size()] ^= static_cast<char>(1 << (rng() % 8));
            opened += Try(bad, password) == kOpened;
        }
        // Some flips land in item bytes and still open; most headers do not.
        EXPECT_LT(opened, 150);
    }
}

TEST_F(HostileTest, ForgedFieldsAreRefusedBeforeAllocating) {
    const std::string data = "abcdef";
    auto withIndex = [&](const std::string& index) { return ContainerBytes(data, index); };
    std::vector<std::pair<const char*, std::string>> cases = {
        {"data length beyond file", std::string("QDB\0", 4) + Int32(0x7FFFFFF0) + "xx"},
        {"negative data length", std::string("QDB\0", 4) + Int32(-5) + std::string("QIX\0", 4) + Int32(4) + Int32(0)},
        {"index length beyond file", std::string("QDB\0", 4) + Int32(0) + std::string("QIX\0", 4) + Int32(1 << 30)},
        {"missing index magic", std::string("QDB\0", 4) + Int32(0) + std::string("QIY\0", 4) + Int32(4) + Int32(0)},
        {"empty index", withIndex("")},
        {"huge count", withIndex(Int32(0x7FFFFFFF))},
        {"negative count", withIndex(Int32(-1))},
        {"count beyond entries",
         withIndex(IndexBytes({{"a", 0, 1, 0}}).replace(0, 4, Int32(2)) + std::string(12, 'x'))},
        {"key without zero", withIndex(Int32(1) + std::string(40, 'k'))},
        {"key longer than 255", withIndex(IndexBytes({{std::string(256, 'k'), 0, 1, 0}}))},
        {"offset beyond data", withIndex(IndexBytes({{"a", 7, 0, 0}}))},
        {"size beyond data", withIndex(IndexBytes({{"a", 2, 5, 0}}))},
        {"negative offset", withIndex(IndexBytes({{"a", -1, 1, 0}}))},
        {"negative size", withIndex(IndexBytes({{"a", 0, -1, 0}}))},
        {"offset plus size overflows", withIndex(IndexBytes({{"a", 0x7FFFFFFF, 0x7FFFFFFF, 0}}))},
        {"duplicate administrative key", withIndex(IndexBytes({{"x", 0, 1, 1}, {"X", 1, 1, 1}}))},
        {"duplicate data key", withIndex(IndexBytes({{"b", 0, 1, 0}, {"a", 1, 1, 0}, {"B", 2, 1, 0}}))},
        {"compressed item with bad copy",
         ContainerBytes(std::string("\6\0\x40\x40\0a\0\x20", 8), IndexBytes({{"c", 0, 8, 2}}))},
        {"password block cut short", std::string("QDB\0QPW\0", 8) + "0123456789"},
    };
    for (const auto& [name, bytes] : cases) {
        int id = Try(bytes);
        EXPECT_TRUE(id == qmNotValid || id == qmNoIndexMemory) << name << ": " << id;
    }
}

TEST_F(HostileTest, ContainerCutAtItsIndexMagicHasABadMagic) {
    for (const std::string password : {"", "pw"}) {
        const std::string whole = ContainerOf({{"a", "first"}, {"bb", "second item"}}, password);
        const size_t lengthAt = password.empty() ? 4 : 28;
        const size_t indexMagicAt = lengthAt + 4 + size_t(GetInt32Le(whole, lengthAt));
        ASSERT_EQ(whole.substr(indexMagicAt, 4), std::string("QIX\0", 4));
        for (size_t cut = indexMagicAt; cut < indexMagicAt + 4; ++cut) {
            gwtest::WriteFile(Path("cut.qdb"), whole.substr(0, cut));
            for (auto mode : {TQDB::omReadExisting, TQDB::omOpenOrCreate}) {
                TQDB db;
                db.OnDemandPassword = [&](TQDB*, std::string& pw) { pw = password; };
                try {
                    db.Open(Path("cut.qdb"), mode);
                    ADD_FAILURE() << "opened a cut container";
                } catch (const EQDBIndexError& e) {
                    ADD_FAILURE() << "index error at cut " << cut << ": " << e.Message();
                } catch (const EQDBFileError& e) {
                    EXPECT_EQ(e.Ident(), qmNotValid) << cut;
                    EXPECT_EQ(e.Message(), "The file " + Path("cut.qdb") + " is not a valid QDB file");
                }
            }
        }
    }
}

TEST_F(HostileTest, FailingWriteAtEveryPointOfSaveKeepsOldFile) {
    // Sweeping the file-size limit over the new container's size fails the
    // save at every byte.
    const std::string old = ContainerOf({{"keep", "the old contents"}, {"also", "kept"}});
    auto save = [&](rlim_t limit) {
        gwtest::WriteFile(Path("s.qdb"), old);
        TQDB db;
        db.SetFileName(Path("s.qdb"));
        Add(db, "new item", std::string(40, 'n'));
        db.SetCompression(true);
        Add(db, "packed", std::string(60, 'p') + "tail");
        TFileSizeLimit lim(limit);
        try {
            db.Close();
            return true;
        } catch (const EQDBError&) {
            return false;
        }
    };
    ASSERT_TRUE(save(RLIM_INFINITY));
    const std::string fresh = gwtest::ReadFile(Path("s.qdb"));
    for (rlim_t limit = 0; limit < fresh.size(); ++limit) {
        EXPECT_FALSE(save(limit)) << limit;
        ASSERT_EQ(gwtest::ReadFile(Path("s.qdb")), old) << limit;
    }
    EXPECT_TRUE(save(fresh.size()));
    EXPECT_EQ(gwtest::ReadFile(Path("s.qdb")), fresh);
    // No temporary file is left beside the container.
    EXPECT_EQ(gwtest::ListDir(dir), std::vector<std::string>{"s.qdb"});
}

TEST_F(HostileTest, FailedAddLeavesNoKeyAndNoPartialBytes) {
    for (bool compressed : {false, true}) {
        SCOPED_TRACE(compressed ? "compressed" : "plain");
        TQDB db;
        db.Open(Path("a.qdb"), TQDB::omCreateNew);
        db.SetCompression(compressed);
        Add(db, "first", "1234");
        try {
            TFileSizeLimit lim(64);
            Add(db, "second", std::string(5000, 'x') + "unique tail that does not compress away 0123456789");
            ADD_FAILURE() << "write beyond the limit succeeded";
        } catch (const EQDBFileError& e) {
            EXPECT_EQ(e.Message(), "The drive is full");
        }
        EXPECT_EQ(db.Count(), 1);
        EXPECT_FALSE(db.FindKey("second"));
        Add(db, "third", "3");
        db.SetCompression(false);
        Add(db, "fourth", "4");
        db.Close();
        EXPECT_EQ(OpenAndReadAll(Path("a.qdb")), kOpened);
        TContainer c = ParseContainer(gwtest::ReadFile(Path("a.qdb")));
        EXPECT_EQ(c.Data.find('x'), std::string::npos);  // nothing of the failed item
        EXPECT_EQ(c.Entries.size(), 3u);
        EXPECT_EQ(ItemBytes(c, "fourth"), "4");
    }
}

// 2 MB of compressed blocks of the longest codes would expand to 1.6 GB: the
// item read ends in the store's message for damaged data, in either way of
// opening, having taken little more memory than the file.
TEST_F(HostileTest, ACompressionBombIsRefusedWithLittleMemory) {
    constexpr int64_t kMiB = int64_t(1) << 20;
    TMemoryStream run(std::vector<uint8_t>(qdb::kCompressBlock, 'x')), one;
    qdb::Compress(run, one);
    std::string bomb;
    for (int i = 0; i < 50000; ++i) bomb.append(one.Data().begin(), one.Data().end());
    const std::string path = Path("bomb.qdb");
    gwtest::WriteFile(
        path, ContainerBytes("abc" + bomb, IndexBytes({{"plain", 0, 3, 0}, {"bomb", 3, int32_t(bomb.size()), 2}})));
    for (auto mode : {TQDB::omReadExisting, TQDB::omOpenOrCreate}) {
        auto read = [&] {
            TQDB db;
            db.Open(path, mode);
            TMemoryStream m;
            db.GetItemByKey("bomb", m);
        };
        const int64_t peak = gwtest::PeakMemoryOf(read);
        std::printf("%s: peak %.1f MiB\n", mode == TQDB::omReadExisting ? "read-only" : "work files",
                    double(peak) / kMiB);
        EXPECT_GE(peak, 0);
        EXPECT_LT(peak, 100 * kMiB);
        if (peak < 0 || peak >= 100 * kMiB) continue;  // not safe to read here
        try {
            read();
            ADD_FAILURE() << "expanded";
        } catch (const EQDBIndexError& e) {
            EXPECT_EQ(e.Message(), "The file " + path + " is not a valid QDB file");
        }
        TQDB db;
        db.Open(path, mode);
        EXPECT_EQ(Read(db, "plain"), "abc") << "the other items stay readable";
    }
}

// A reader that knows how large its items can be refuses a larger one as
// damaged data, plain, compressed or cached alike.
TEST_F(HostileTest, ItemsLargerThanTheReaderAllowsAreDamagedData) {
    {
        TQDB db;
        db.Open(Path("s.qdb"), TQDB::omCreateNew);
        Add(db, "plain", "0123456789");
        db.SetCompression(true);
        Add(db, "packed", std::string(100, 'p'));
        db.Close();
    }
    for (auto mode : {TQDB::omReadExisting, TQDB::omOpenOrCreate}) {
        TQDB db;
        db.Open(Path("s.qdb"), mode);
        for (const auto& [key, size] : {std::pair<const char*, int>{"plain", 10}, {"packed", 100}}) {
            SCOPED_TRACE(key);
            auto refused = [&, key = key, size = size] {
                TMemoryStream m(std::vector<uint8_t>(3, 'o'));
                try {
                    db.GetItemByKey(key, m, size - 1);
                } catch (const EQDBIndexError& e) {
                    EXPECT_EQ(e.Message(), "The file " + Path("s.qdb") + " is not a valid QDB file");
                    return m.GetSize() == 0;
                }
                return false;
            };
            EXPECT_TRUE(refused());
            TMemoryStream m;
            ASSERT_TRUE(db.GetItemByKey(key, m, size));
            EXPECT_EQ(m.GetSize(), size);
            EXPECT_TRUE(refused()) << "from the cache";
        }
    }
}

// The store compresses no item that it would refuse to expand.
TEST_F(HostileTest, ItemsPastTheExpansionLimitAreNotCompressed) {
    TQDB db;
    db.Open(Path("big.qdb"), TQDB::omCreateNew);
    db.SetCompression(true);
    TMemoryStream atLimit(std::vector<uint8_t>(size_t(qdb::kMaxExpandedSize), 'b'));
    db.AddItem(atLimit, "at limit");
    TMemoryStream past(std::vector<uint8_t>(size_t(qdb::kMaxExpandedSize) + 1, 'p'));
    try {
        db.AddItem(past, "past");
        ADD_FAILURE() << "compressed";
    } catch (const EQDBNoCompress& e) {
        EXPECT_EQ(e.Message(), "Insufficient memory to compress or expand");
    }
    EXPECT_FALSE(db.FindKey("past"));
    db.Close();
    db.Open(Path("big.qdb"), TQDB::omReadExisting);
    TMemoryStream back;
    ASSERT_TRUE(db.GetItemByKey("at limit", back));
    EXPECT_EQ(back.Data(), atLimit.Data());
}

TEST(SaveKill, RandomKillsLeaveOldOrNewWhole) {
    std::string dir = gwtest::TempDir("qdb-kill");
    std::string target = dir + "/k.qdb", work = dir + "/work";
    ASSERT_EQ(::mkdir(work.c_str(), 0700), 0);
    SetQDBWorkFolder(work);
    const std::string old = ContainerOf({{"old", "old contents"}});
    std::string big(3 << 20, '\0');
    for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 2654435761u >> 13);

    // Forks a child that adds an item and saves; kills it delayUs after the
    // save starts (negative: lets it finish and returns how long it took).
    // The test process has a single thread, so the child may use the heap.
    auto runChild = [&](long delayUs) -> long {
        gwtest::WriteFile(target, old);
        int fds[2];
        EXPECT_EQ(::pipe(fds), 0);
        pid_t pid = ::fork();
        if (pid == 0) {
            TQDB db;
            db.SetFileName(target);
            Add(db, "big", big);
            Add(db, "small", "s");
            bool ok = ::write(fds[1], "s", 1) == 1;
            db.Close();
            ok = ok && ::write(fds[1], "d", 1) == 1;
            ::_exit(ok ? 0 : 1);
        }
        ::close(fds[1]);
        char c;
        EXPECT_EQ(::read(fds[0], &c, 1), 1);
        auto start = std::chrono::steady_clock::now();
        if (delayUs >= 0) {
            std::this_thread::sleep_for(std::chrono::microseconds(delayUs));
            ::kill(pid, SIGKILL);
        } else {
            EXPECT_EQ(::read(fds[0], &c, 1), 1);
        }
        auto took = std::chrono::steady_clock::now() - start;
        int status = 0;
        ::waitpid(pid, &status, 0);
        ::close(fds[0]);
        return long(std::chrono::duration_cast<std::chrono::microseconds>(took).count());
    };

    long saveUs = runChild(-1);
    const std::string fresh = gwtest::ReadFile(target);
    ASSERT_EQ(ItemBytes(ParseContainer(fresh), "small"), "s");
    std::mt19937 rng(99);
    int sawOld = 0, sawNew = 0;
    const int rounds = 16;
    for (int i = 0; i < rounds; ++i) {
        long delay = long(rng() % uint32_t(saveUs * 5 / 4 + 1));
        runChild(delay);
        std::string now = gwtest::ReadFile(target);
        sawOld += now == old;
        sawNew += now == fresh;
        // A killed save may leave its temporary file and work folder behind;
        // the next store and save remove them.
    }
    {
        TQDB db;
        db.SetFileName(target);
        Add(db, "last", "l");
    }
    EXPECT_EQ(gwtest::ListDir(work), std::vector<std::string>{});
    std::vector<std::string> beside = gwtest::ListDir(dir);
    std::sort(beside.begin(), beside.end());
    EXPECT_EQ(beside, (std::vector<std::string>{"k.qdb", "work"}));
    InitializeQDB();
    EXPECT_EQ(sawOld + sawNew, rounds) << "a kill left neither the old nor the new container";
    std::printf("save %ld us; kills left the old file %d times, the new file %d times\n", saveUs, sawOld, sawNew);
}
