// Several savers of one container: processes saving at once lose no save
// that reported success, every state of the file opens, a saver that cannot
// get at the file in time or cannot name a copy beside it is refused and
// keeps its work.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <map>
#include <set>
#include <thread>

#include "ContainerBuilder.h"
#include "store/QDB.h"
#include "support/SaveTargets.h"
#include "support/TestFiles.h"

using namespace qdbtest;

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kSavers = 4;
constexpr auto kRunTime = std::chrono::seconds(3);
constexpr int kMaxSnapshotsEach = 25;

struct ConcurrentSaveTest : TStoreTest {
    ~ConcurrentSaveTest() override {
        qdb::SetLockWaitSetting(5000);
        InitializeQDB();
    }
};

void AppendLine(const std::string& path, const std::string& line) {
    std::ofstream(path, std::ios::app) << line << '\n';
}

std::vector<std::string> Lines(const std::string& path) {
    std::vector<std::string> lines;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// While the children run, takes the bytes of the file again and again;
// afterwards reaps them and expects each to have ended well.
std::set<std::string> CopiesWhileRunning(const std::vector<pid_t>& children, const std::string& path) {
    std::set<std::string> copies;
    std::set<pid_t> running(children.begin(), children.end());
    while (!running.empty()) {
        if (copies.size() < 200) copies.insert(gwtest::ReadFile(path));
        for (auto it = running.begin(); it != running.end();) {
            int status = 0;
            if (::waitpid(*it, &status, WNOHANG) == *it) {
                EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "child " << *it;
                it = running.erase(it);
            } else {
                ++it;
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return copies;
}

// Every item of a container file through the store, key to bytes; a file
// that does not open is a test failure.
std::map<std::string, std::string> ItemsOf(const std::string& path) {
    std::map<std::string, std::string> items;
    try {
        TQDB db;
        db.Open(path, TQDB::omReadExisting);
        for (int i = 0; i < db.Count(); ++i) {
            const std::string key = db.GetKey(i);
            items[key] = Read(db, key);
        }
    } catch (const Exception& e) {
        ADD_FAILURE() << path << ": " << e.Message();
    }
    return items;
}

// Opens each copy (written to a file of its own) through the store.
std::vector<std::map<std::string, std::string>> OpenEach(const std::set<std::string>& copies,
                                                         const std::string& folder) {
    std::vector<std::map<std::string, std::string>> opened;
    int n = 0;
    for (const std::string& bytes : copies) {
        const std::string path = folder + "/copy" + std::to_string(n++) + ".qdb";
        gwtest::WriteFile(path, bytes);
        opened.push_back(ItemsOf(path));
    }
    return opened;
}

// A store on a container holding "k" = "v", with "mine" = "m" added.
void OpenAndAddMine(TQDB& db, const std::string& path) {
    gwtest::WriteFile(path, ContainerOf({{"k", "v"}}));
    db.SetFileName(path);
    Add(db, "mine", "m");
}

// Takes the lock on path that savers take, as another saver would; -1 when
// it cannot.
int HoldLock(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY);
    if (fd >= 0 && ::flock(fd, LOCK_EX) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

}  // namespace

TEST_F(ConcurrentSaveTest, ProcessesAddingToOneContainerLoseNoSaveAndEveryStateOpens) {
    const std::string path = Path("c.qdb");
    const std::string work = gwtest::TempDir("qdb-work");
    SetQDBWorkFolder(work);
    {
        TQDB db;
        db.SetFileName(path);  // the empty container
    }
    std::vector<pid_t> children;
    children.reserve(kSavers);
    for (int s = 0; s < kSavers; ++s) {
        children.push_back(gwtest::Spawn([&, s] {
            const auto end = Clock::now() + kRunTime;
            for (int n = 0; Clock::now() < end; ++n) {
                const std::string key = "saver" + std::to_string(s) + "-" + std::to_string(n);
                try {
                    TQDB db;
                    db.SetFileName(path);
                    Add(db, key, "bytes of " + key);
                    db.Close();
                    AppendLine(Path("saved" + std::to_string(s)), key);
                } catch (const EQDBError& e) {
                    AppendLine(Path("refused" + std::to_string(s)), std::to_string(e.Ident()) + " " + e.Message());
                }
            }
        }));
    }
    const std::set<std::string> copies = CopiesWhileRunning(children, path);

    // What the container and its side copies hold.
    std::map<std::string, std::string> kept;
    int sideCopies = 0;
    for (const std::string& name : gwtest::ListDir(dir)) {
        if (name != "c.qdb" && (name.size() < 7 || name.compare(name.size() - 7, 7, "1.c.qdb") != 0)) continue;
        if (name != "c.qdb") ++sideCopies;
        for (const auto& [key, bytes] : ItemsOf(dir + "/" + name)) kept[key] = bytes;
    }
    int saved = 0, lost = 0, refused = 0;
    for (int s = 0; s < kSavers; ++s) {
        const std::vector<std::string> keys = Lines(Path("saved" + std::to_string(s)));
        EXPECT_FALSE(keys.empty()) << "saver " << s << " never saved";
        for (const std::string& key : keys) {
            ++saved;
            auto it = kept.find(key);
            if (it == kept.end() || it->second != "bytes of " + key) {
                ++lost;
                ADD_FAILURE() << key << " reported saved but is in no file";
            }
        }
        // A refused save says why: the file stayed busy past the lock wait,
        // or the chain of copies beside it has reached the name length limit
        // (a short name allows 125 copies, which this run may well exceed).
        for (const std::string& why : Lines(Path("refused" + std::to_string(s)))) {
            const int ident = std::stoi(why);
            EXPECT_TRUE(ident == qmInUse || ident == qmNoCopyName) << why;
            ++refused;
        }
    }
    EXPECT_EQ(lost, 0) << "of " << saved << " saves (" << sideCopies << " side copies, " << refused << " refused)";

    // Every state of the file anybody could have read was a whole container
    // whose items are those the savers wrote.
    EXPECT_FALSE(copies.empty());
    for (const auto& items : OpenEach(copies, gwtest::TempDir("copies")))
        for (const auto& [key, bytes] : items) EXPECT_EQ(bytes, "bytes of " + key);
    EXPECT_TRUE(gwtest::ListDir(work).empty()) << "work folders left behind";
}

TEST_F(ConcurrentSaveTest, ProcessesCreatingTheSameNewContainerLoseNoSave) {
    // Each round the savers start together on a name that names no file yet:
    // each creates the container, adds its item and saves.
    constexpr int kRounds = 40;
    SetQDBWorkFolder(gwtest::TempDir("qdb-work"));
    int saved = 0, lost = 0, sideCopies = 0;
    for (int round = 0; round < kRounds; ++round) {
        const std::string base = "new" + std::to_string(round) + ".qdb";
        int start[2];
        ASSERT_EQ(::pipe(start), 0);
        std::vector<pid_t> children;
        children.reserve(kSavers);
        for (int s = 0; s < kSavers; ++s) {
            children.push_back(gwtest::Spawn([&, s] {
                ::close(start[1]);
                char c;
                (void)::read(start[0], &c, 1);  // the end of the pipe: go
                const std::string key = "saver" + std::to_string(s);
                TQDB db;
                db.Open(Path(base), TQDB::omOpenOrCreate);
                Add(db, key, "bytes of " + key);
                db.Close();
                AppendLine(Path("saved-" + base), key);
            }));
        }
        ::close(start[0]);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        ::close(start[1]);
        for (pid_t child : children) {
            int status = 0;
            ::waitpid(child, &status, 0);
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "round " << round;
        }
        // The container and the copies beside it ("1." + name, "1.1." + name, ...).
        std::map<std::string, std::string> kept;
        for (const std::string& name : gwtest::ListDir(dir)) {
            std::string rest = name;
            while (rest.compare(0, 2, "1.") == 0 && rest != base) rest.erase(0, 2);
            if (rest != base) continue;
            if (name != base) ++sideCopies;
            for (const auto& [key, bytes] : ItemsOf(dir + "/" + name)) kept[key] = bytes;
        }
        for (const std::string& key : Lines(Path("saved-" + base))) {
            ++saved;
            auto it = kept.find(key);
            if (it == kept.end() || it->second != "bytes of " + key) {
                ++lost;
                ADD_FAILURE() << key << " of round " << round << " reported saved but is in no file";
            }
        }
    }
    EXPECT_EQ(saved, kRounds * kSavers);
    EXPECT_EQ(lost, 0) << "of " << saved << " saves (" << sideCopies << " side copies)";
}

TEST_F(ConcurrentSaveTest, ProcessesWritingWholeFilesLeaveOneWholeSnapshotAtEveryMoment) {
    // The parameter files' way: a new container of all items replaces the
    // file each time.
    const std::string path = Path("whole.glw");
    const std::vector<std::string> keys = {"alpha", "beta", "gamma", "delta", "epsilon", "zeta", "eta", "theta"};
    std::vector<pid_t> children;
    children.reserve(3);
    for (int s = 0; s < 3; ++s) {
        children.push_back(gwtest::Spawn([&, s] {
            const auto end = Clock::now() + kRunTime;
            for (int n = 0; n < kMaxSnapshotsEach && Clock::now() < end; ++n) {
                TQDB db;
                db.Open(path, TQDB::omCreateNew);
                for (const std::string& key : keys) Add(db, key, std::to_string(s) + "/" + std::to_string(n));
                db.Close();
            }
        }));
    }
    std::set<std::string> copies = CopiesWhileRunning(children, path);
    copies.erase("");  // before the first save
    copies.insert(gwtest::ReadFile(path));
    for (const auto& items : OpenEach(copies, gwtest::TempDir("copies"))) {
        ASSERT_EQ(items.size(), keys.size());
        // One snapshot: every item from the same save.
        for (const auto& [key, bytes] : items) EXPECT_EQ(bytes, items.begin()->second) << key;
    }
    EXPECT_EQ(gwtest::ListDir(dir), std::vector<std::string>{"whole.glw"});
}

TEST_F(ConcurrentSaveTest, ASaverWaitingForTheLockSeesTheFileTheHolderPutInPlace) {
    const std::string path = Path("w.qdb");
    TQDB db;
    OpenAndAddMine(db, path);
    // Another saver holds the lock ...
    const int held = HoldLock(path);
    ASSERT_GE(held, 0);
    std::thread closing([&] { EXPECT_NO_THROW(db.Close()); });
    // ... while our save, written beside the file, waits for it ...
    const auto giveUp = Clock::now() + std::chrono::seconds(3);
    while (gwtest::ListDir(dir).size() < 2 && Clock::now() < giveUp)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_EQ(gwtest::ListDir(dir).size(), 2u) << "our save never started";
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    // ... and puts its own file in place before letting go.
    gwtest::WriteFile(Path("theirs.tmp"), ContainerOf({{"theirs", "t"}}));
    ASSERT_EQ(::rename(Path("theirs.tmp").c_str(), path.c_str()), 0);
    ::close(held);
    closing.join();

    EXPECT_EQ(ItemBytes(ParseContainer(gwtest::ReadFile(path)), "theirs"), "t");
    TContainer mine = ParseContainer(gwtest::ReadFile(Path("1.w.qdb")));
    EXPECT_EQ(ItemBytes(mine, "mine"), "m");
    EXPECT_EQ(ItemBytes(mine, "k"), "v");
    EXPECT_EQ(db.GetFileName(), Path("1.w.qdb"));
}

TEST_F(ConcurrentSaveTest, ASaverThatCannotGetTheLockIsRefusedAndKeepsItsWork) {
    qdb::SetLockWaitSetting(200);
    const std::string path = Path("busy.qdb");
    TQDB db;
    OpenAndAddMine(db, path);
    const std::string before = gwtest::ReadFile(path);
    const int held = HoldLock(path);
    ASSERT_GE(held, 0);
    try {
        db.Close();
        ADD_FAILURE() << "a save reported success while another saver held the file";
    } catch (const EQDBFileError& e) {
        EXPECT_EQ(e.Ident(), qmInUse);
        EXPECT_EQ(e.Message(), "The file " + path + " seems to be in use by another program");
    }
    EXPECT_EQ(gwtest::ReadFile(path), before);
    EXPECT_EQ(gwtest::ListDir(dir), std::vector<std::string>{"busy.qdb"});
    // The work is still there: once the file is free the save goes through.
    EXPECT_TRUE(db.IsOpen());
    EXPECT_EQ(db.Count(), 2);
    EXPECT_EQ(Read(db, "mine"), "m");
    ::close(held);
    db.Close();
    TContainer c = ParseContainer(gwtest::ReadFile(path));
    EXPECT_EQ(ItemBytes(c, "mine"), "m");
    EXPECT_EQ(ItemBytes(c, "k"), "v");
}

TEST_F(ConcurrentSaveTest, SideCopyNamesGoUpTo255BytesAndALongerOneIsRefusedWithTheWorkKept) {
    auto changeBehind = [&](const std::string& path) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        gwtest::WriteFile(path, ContainerOf({{"theirs", "t"}}));
    };
    {
        // 253 bytes: its copy "1." + name has 255, the longest a folder takes.
        const std::string name = std::string(249, 'a') + ".qdb";
        TQDB db;
        db.SetFileName(Path(name));
        Add(db, "mine", "m");
        changeBehind(Path(name));
        db.Close();
        EXPECT_EQ(ItemBytes(ParseContainer(gwtest::ReadFile(Path("1." + name))), "mine"), "m");
    }
    // 250 bytes with the copies of 252 and 254 taken: the next would have 256.
    const std::string name = std::string(246, 'b') + ".qdb";
    const std::string path = Path(name);
    gwtest::WriteFile(Path("1." + name), "first copy");
    gwtest::WriteFile(Path("1.1." + name), "second copy");
    TQDB db;
    db.SetFileName(path);
    Add(db, "mine", "m");
    changeBehind(path);
    const std::set<std::string> beforeNames = [&] {
        auto v = gwtest::ListDir(dir);
        return std::set<std::string>(v.begin(), v.end());
    }();
    try {
        db.Close();
        ADD_FAILURE() << "a save with no name to go to reported success";
    } catch (const EQDBFileError& e) {
        EXPECT_EQ(e.Ident(), qmNoCopyName);
        EXPECT_EQ(
            e.Message(),
            "The file " + path + " was changed by another program, and the name of a copy beside it would be too long");
    }
    auto after = gwtest::ListDir(dir);
    EXPECT_EQ(std::set<std::string>(after.begin(), after.end()), beforeNames);
    EXPECT_EQ(gwtest::ReadFile(Path("1.1." + name)), "second copy");
    EXPECT_EQ(ItemBytes(ParseContainer(gwtest::ReadFile(path)), "theirs"), "t");
    // Still open with the item; allowed to overwrite, the same save succeeds.
    ASSERT_TRUE(db.IsOpen());
    EXPECT_EQ(Read(db, "mine"), "m");
    db.BeforeOverWrite = [](TQDB*, bool& ok) { ok = true; };
    db.Close();
    EXPECT_EQ(ItemBytes(ParseContainer(gwtest::ReadFile(path)), "mine"), "m");
}

TEST_F(ConcurrentSaveTest, AFilePutInPlaceWithinTheSameClockTickIsStillSeenAsChanged) {
    // File times may be coarser than the time between two saves: a file
    // another saver put in place carries the very time ours had.
    const std::string path = Path("tick.qdb");
    TQDB db;
    OpenAndAddMine(db, path);
    struct stat old;
    ASSERT_EQ(::stat(path.c_str(), &old), 0);
    gwtest::WriteFile(Path("theirs.tmp"), ContainerOf({{"theirs", "t"}}));
    const struct timespec times[2] = {old.st_atim, old.st_mtim};
    ASSERT_EQ(::utimensat(AT_FDCWD, Path("theirs.tmp").c_str(), times, 0), 0);
    ASSERT_EQ(::rename(Path("theirs.tmp").c_str(), path.c_str()), 0);
    db.Close();
    EXPECT_EQ(ItemBytes(ParseContainer(gwtest::ReadFile(path)), "theirs"), "t");
    EXPECT_EQ(ItemBytes(ParseContainer(gwtest::ReadFile(Path("1.tick.qdb"))), "mine"), "m");
}
