// What a save's name names: pipes, sockets, folders, links, read-only files
// and folders, long names; each refused with a message that says which, or
// saved through, and nothing left behind.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <functional>
#include <string>

#include "ContainerBuilder.h"
#include "store/QDB.h"
#include "store/QDBFiles.h"
#include "support/SaveTargets.h"
#include "support/TestFiles.h"

using namespace qdbtest;
using namespace qdb;

namespace {

struct SaveTarget : TStoreTest {
    void SetUp() override { SetLockWaitSetting(5000); }
};

// A writer's save as the programs make it: a new container, one item.
void SaveNew(const std::string& path) {
    TQDB db;
    db.Open(path, TQDB::omCreateNew);
    Add(db, "k", "new");
    db.Close();
}

// The store's message for what run raised, "" when it raised nothing.
std::string MessageOf(const std::function<void()>& run) {
    try {
        run();
    } catch (const EQDBError& e) {
        return e.Message();
    }
    return "";
}

// MessageOf in a child with a deadline: a hang is reported, not suffered.
std::string MessageInChild(const std::function<void()>& run) {
    std::string text;
    const int result = gwtest::RunInChild(
        [&](std::string& said) {
            said = MessageOf(run);
            return 0;
        },
        &text, 8000);
    if (result == gwtest::kChildHung) return "<hung>";
    if (result != 0) return "<child " + std::to_string(result) + ">";
    return text;
}

TEST_F(SaveTarget, PipesAndSocketsAreRefusedAtOnceAndStayWhatTheyAre) {
    const std::string fifo = Path("f.qdb");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    const std::string notAFile = fifo + " is a pipe, socket or device, not a file";
    // The writer's open, the open by name (which would make a container in
    // its place) and the reader all refuse before any work.
    EXPECT_EQ(MessageInChild([&] { SaveNew(fifo); }), notAFile);
    EXPECT_EQ(MessageInChild([&] {
                  TQDB db;
                  db.SetFileName(fifo);
              }),
              notAFile);
    EXPECT_EQ(MessageInChild([&] {
                  TQDB db;
                  db.Open(fifo, TQDB::omReadExisting);
              }),
              notAFile);
    EXPECT_TRUE(gwtest::IsFifo(fifo));
    EXPECT_EQ(gwtest::SortedEntries(dir), std::vector<std::string>{"f.qdb"});

    // A pipe put in the file's place while the store is open: the save
    // does not wait for a writer to come.
    gwtest::WriteFile(Path("late.qdb"), ContainerOf({{"old", "1"}}));
    EXPECT_EQ(MessageInChild([&] {
                  TQDB db;
                  db.SetFileName(Path("late.qdb"));
                  Add(db, "k", "v");
                  ::unlink(Path("late.qdb").c_str());
                  ::mkfifo(Path("late.qdb").c_str(), 0644);
                  db.Close();
              }),
              Path("late.qdb") + " is a pipe, socket or device, not a file");
    EXPECT_TRUE(gwtest::IsFifo(Path("late.qdb")));

    // The lock itself (the one step after the check) waits for no writer.
    EXPECT_EQ(MessageInChild([&] { TContainerLock lock(fifo); }), notAFile);

    std::string sockets = gwtest::UnprivilegedFolder("/tmp");
    ASSERT_FALSE(sockets.empty());
    const std::string socket = sockets + "/s.qdb";
    ASSERT_TRUE(gwtest::MakeSocketAt(socket));
    EXPECT_EQ(MessageInChild([&] { SaveNew(socket); }), socket + " is a pipe, socket or device, not a file");
    struct stat st;
    EXPECT_TRUE(::lstat(socket.c_str(), &st) == 0 && S_ISSOCK(st.st_mode));
    ::unlink(socket.c_str());
    ::rmdir(sockets.c_str());
}

TEST_F(SaveTarget, FoldersAndLinksToFoldersAreRefusedAsFolders) {
    ASSERT_EQ(::mkdir(Path("d.qdb").c_str(), 0755), 0);
    ASSERT_EQ(::symlink("d.qdb", Path("to-d.qdb").c_str()), 0);
    EXPECT_EQ(MessageOf([&] { SaveNew(Path("d.qdb")); }), Path("d.qdb") + " is a folder, not a file");
    EXPECT_EQ(MessageOf([&] { SaveNew(Path("to-d.qdb")); }), Path("to-d.qdb") + " is a folder, not a file");
    EXPECT_EQ(MessageOf([&] {
                  TQDB db;
                  db.Open(Path("d.qdb"), TQDB::omReadExisting);
              }),
              Path("d.qdb") + " is a folder, not a file");
    EXPECT_TRUE(gwtest::IsLink(Path("to-d.qdb")));
    EXPECT_TRUE(gwtest::SortedEntries(Path("d.qdb")).empty());
    EXPECT_EQ(gwtest::SortedEntries(dir), (std::vector<std::string>{"d.qdb", "to-d.qdb"}));
}

TEST_F(SaveTarget, ALinkIsSavedThroughAndStaysALink) {
    ASSERT_EQ(::mkdir(Path("real").c_str(), 0755), 0);
    gwtest::WriteFile(Path("real/b.qdb"), ContainerOf({{"old", "1"}}));
    ASSERT_EQ(::symlink("real/b.qdb", Path("link.qdb").c_str()), 0);
    SaveNew(Path("link.qdb"));
    EXPECT_TRUE(gwtest::IsLink(Path("link.qdb")));
    TContainer c = ParseContainer(gwtest::ReadFile(Path("real/b.qdb")));
    ASSERT_EQ(c.Entries.size(), 1u);
    EXPECT_EQ(ItemBytes(c, "k"), "new");

    // Opened by name through the link: read through it, saved through it.
    {
        TQDB db;
        db.SetFileName(Path("link.qdb"));
        EXPECT_EQ(Read(db, "k"), "new");
        Add(db, "more", "2");
    }
    EXPECT_TRUE(gwtest::IsLink(Path("link.qdb")));
    EXPECT_EQ(ParseContainer(gwtest::ReadFile(Path("real/b.qdb"))).Entries.size(), 2u);

    // Changed by someone else meanwhile: the copy goes beside the real file.
    {
        TQDB db;
        db.SetFileName(Path("link.qdb"));
        Add(db, "mine", "3");
        gwtest::WriteFile(Path("real/b.qdb.tmp"), ContainerOf({{"theirs", "4"}}));
        ASSERT_EQ(::rename(Path("real/b.qdb.tmp").c_str(), Path("real/b.qdb").c_str()), 0);
        db.Close();
        EXPECT_EQ(db.GetFileName(), Path("real/1.b.qdb"));
    }
    EXPECT_EQ(gwtest::SortedEntries(dir), (std::vector<std::string>{"link.qdb", "real"}));
    EXPECT_EQ(gwtest::SortedEntries(Path("real")), (std::vector<std::string>{"1.b.qdb", "b.qdb"}));

    // A dangling link makes the file it names when that folder is there, and
    // is refused, unchanged, when it is not.
    ASSERT_EQ(::symlink("real/c.qdb", Path("dangling.qdb").c_str()), 0);
    SaveNew(Path("dangling.qdb"));
    EXPECT_TRUE(gwtest::IsLink(Path("dangling.qdb")));
    EXPECT_EQ(ItemBytes(ParseContainer(gwtest::ReadFile(Path("real/c.qdb"))), "k"), "new");
    ASSERT_EQ(::symlink("gone/c.qdb", Path("nowhere.qdb").c_str()), 0);
    EXPECT_THROW(SaveNew(Path("nowhere.qdb")), EQDBFileError);
    EXPECT_TRUE(gwtest::IsLink(Path("nowhere.qdb")));
    EXPECT_FALSE(FolderExists(Path("gone")));
}

TEST_F(SaveTarget, AReadOnlyFileIsRefusedByItsModeAndKept) {
    const std::string file = Path("ro.qdb");
    gwtest::WriteFile(file, ContainerOf({{"old", "1"}}));
    const std::string old = gwtest::ReadFile(file);
    ASSERT_EQ(::chmod(file.c_str(), 0444), 0);
    // Refused at the writer's open, before any item is made (the superuser
    // too: the mode says so).
    TQDB db;
    try {
        db.Open(file, TQDB::omCreateNew);
        FAIL() << "opened";
    } catch (const EQDBReadOnly& e) {
        EXPECT_EQ(e.Message(), file + " is marked as read-only");
    }
    // A link to it likewise, named as the user named it.
    ASSERT_EQ(::symlink("ro.qdb", Path("to-ro.qdb").c_str()), 0);
    EXPECT_EQ(MessageOf([&] { SaveNew(Path("to-ro.qdb")); }), Path("to-ro.qdb") + " is marked as read-only");
    // Opened by name it reads and refuses additions, as before.
    TQDB byName;
    byName.SetFileName(file);
    EXPECT_EQ(MessageOf([&] { Add(byName, "k", "v"); }), file + " is marked as read-only");
    byName.Close();
    EXPECT_EQ(gwtest::ReadFile(file), old);
    struct stat st;
    ASSERT_EQ(::stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0444u);
    EXPECT_EQ(gwtest::SortedEntries(dir), (std::vector<std::string>{"ro.qdb", "to-ro.qdb"}));
}

TEST_F(SaveTarget, MessagesSayWhatIsWrong) {
    // A name longer than a folder entry may be: said before any work.
    const std::string longName = Path(std::string(252, 'n') + ".qdb");
    EXPECT_EQ(MessageOf([&] { SaveNew(longName); }), "The file name " + longName + " is too long");
    EXPECT_EQ(MessageOf([&] {
                  TQDB db;
                  db.SetFileName(longName);
              }),
              "The file name " + longName + " is too long");
    // A missing design is one that does not exist.
    EXPECT_EQ(MessageOf([&] {
                  TQDB db;
                  db.Open(Path("missing.qdb"), TQDB::omReadExisting);
              }),
              "Could not find the file " + Path("missing.qdb"));
    EXPECT_TRUE(gwtest::SortedEntries(dir).empty());
}

// A folder the saver may not write: refused at the writer's open with the
// folder's name, for a new file and for a writable file in it alike. The
// superuser writes anywhere, so the save runs as an ordinary user.
TEST_F(SaveTarget, AFolderThatCannotBeWrittenIsSaidAsSuch) {
    const std::string folder = gwtest::UnprivilegedFolder(dir);
    ASSERT_FALSE(folder.empty());
    std::string said;
    const int result = gwtest::RunUnprivileged(
        [&](std::string& out) {
            SetWorkFolderSetting("/tmp");  // the test run's own may be closed to this user
            gwtest::WriteFile(folder + "/w.qdb", ContainerOf({{"old", "1"}}));
            if (::chmod(folder.c_str(), 0555) != 0) return 3;
            out = MessageOf([&] { SaveNew(folder + "/new.qdb"); }) + "\n" +
                  MessageOf([&] { SaveNew(folder + "/w.qdb"); }) + "\n" + MessageOf([&] {
                      TQDB db;
                      db.SetFileName(folder + "/w.qdb");
                      Add(db, "k", "v");
                      db.Close();
                  });
            return 0;
        },
        &said);
    if (result == 124) GTEST_SKIP() << "cannot run as an ordinary user";
    ASSERT_EQ(result, 0);
    const std::string refused = "The folder " + folder + " cannot be written";
    EXPECT_EQ(said, refused + "\n" + refused + "\n" + refused);
    EXPECT_EQ(gwtest::SortedEntries(folder), std::vector<std::string>{"w.qdb"});
    EXPECT_EQ(ParseContainer(gwtest::ReadFile(folder + "/w.qdb")).Entries.size(), 1u);
    ::chmod(folder.c_str(), 0755);
    ::unlink((folder + "/w.qdb").c_str());
    ::rmdir(folder.c_str());
}

// A file another saver holds is the one case that is "in use".
TEST_F(SaveTarget, OnlyALockedFileIsInUse) {
    const std::string file = Path("held.qdb");
    gwtest::WriteFile(file, ContainerOf({{"old", "1"}}));
    SetLockWaitSetting(50);
    TContainerLock held(file);
    EXPECT_EQ(MessageOf([&] { SaveNew(file); }), "The file " + file + " seems to be in use by another program");
}

}  // namespace
