// What killed processes leave behind: work folders and temporary files are
// named after their process, and the next store or save removes those of
// processes that are gone, never those of running ones. The plain bytes of
// a work folder go on Close whatever happens.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>

#include "ContainerBuilder.h"
#include "platform/Leftovers.h"
#include "store/QDB.h"
#include "support/TestFiles.h"

using namespace qdbtest;

namespace {

// A child process that waits until it is killed.
struct TLiveChild {
    pid_t Pid = ::fork();
    TLiveChild() {
        if (Pid == 0) {
            ::pause();
            ::_exit(0);
        }
    }
    ~TLiveChild() {
        ::kill(Pid, SIGKILL);
        ::waitpid(Pid, nullptr, 0);
    }
};

// The id of a process that has ended and been reaped.
pid_t GonePid() {
    const pid_t pid = ::fork();
    if (pid == 0) ::_exit(0);
    ::waitpid(pid, nullptr, 0);
    return pid;
}

void MakeFolderWithFile(const std::string& folder) {
    ASSERT_EQ(::mkdir(folder.c_str(), 0700), 0) << folder;
    gwtest::WriteFile(folder + "/QDBabcdef", "plain bytes");
}

struct LeftoverTest : TStoreTest {
    std::string work = Path("work");
    void SetUp() override {
        ASSERT_EQ(::mkdir(work.c_str(), 0700), 0);
        SetQDBWorkFolder(work);
    }
    void TearDown() override { InitializeQDB(); }
    std::vector<std::string> Work() { return gwtest::ListDir(work); }
};

}  // namespace

TEST(OwnerTags, NameThisProcessAndTellGoneOnes) {
    const std::string self = ProcessOwnerTag();
    EXPECT_TRUE(IsOwnerTag(self));
    EXPECT_EQ(self.substr(0, self.find('-')), std::to_string(::getpid()));
    EXPECT_NE(self.substr(self.find('-') + 1), "0");  // the start time is known here
    EXPECT_TRUE(OwnerTagAlive(self));
    EXPECT_FALSE(OwnerTagAlive(std::to_string(GonePid()) + "-5"));
    // This process's id with another start time: the id was reused.
    const long long start = std::stoll(self.substr(self.find('-') + 1));
    EXPECT_FALSE(OwnerTagAlive(std::to_string(::getpid()) + "-" + std::to_string(start + 1)));
    TLiveChild child;
    EXPECT_TRUE(OwnerTagAlive(OwnerTagOf(child.Pid)));
    EXPECT_NE(OwnerTagOf(child.Pid), self);
    EXPECT_FALSE(IsOwnerTag("12-ab"));
    EXPECT_TRUE(OwnerTagAlive("not a tag"));  // nothing to judge: kept
}

TEST_F(LeftoverTest, GoneProcessesWorkFoldersAndTemporaryFilesGoLiveOnesStay) {
    TLiveChild child;
    const std::string live = OwnerTagOf(child.Pid), gone = std::to_string(GonePid()) + "-77";
    MakeFolderWithFile(work + "/qdb-" + live + "-aB3dE5");
    MakeFolderWithFile(work + "/qdb-" + gone + "-xY9zW1");
    MakeFolderWithFile(work + "/qdb-Q1w2E3");  // no owner in the name: not ours to judge
    MakeFolderWithFile(work + "/other");
    const std::string liveTemp = ".k.qdb." + live + ".abcdefghijkl.tmp";
    const std::string goneTemp = ".k.qdb." + gone + ".mnopqrstuvwx.tmp";
    const std::string otherTarget = ".j.qdb." + gone + ".mnopqrstuvwx.tmp";
    for (const std::string& n : {liveTemp, goneTemp, otherTarget}) gwtest::WriteFile(Path(n), "partial container");
    bool foreignKept = false;
    if (::getuid() == 0) {
        // Another user's leftovers are theirs to remove.
        MakeFolderWithFile(work + "/qdb-" + gone + "-fOrEiG");
        ASSERT_EQ(::chown((work + "/qdb-" + gone + "-fOrEiG").c_str(), 65534, 65534), 0);
        foreignKept = true;
    }

    TQDB db;
    db.SetFileName(Path("k.qdb"));  // opening removes the gone process's work folder
    std::vector<std::string> folders = Work();
    EXPECT_EQ(std::count(folders.begin(), folders.end(), "qdb-" + gone + "-xY9zW1"), 0);
    for (const std::string& kept : {"qdb-" + live + "-aB3dE5", std::string("qdb-Q1w2E3"), std::string("other")})
        EXPECT_EQ(std::count(folders.begin(), folders.end(), kept), 1) << kept;
    if (foreignKept) {
        EXPECT_EQ(std::count(folders.begin(), folders.end(), "qdb-" + gone + "-fOrEiG"), 1);
    }
    // This store's own folder carries this process.
    const std::string own = "qdb-" + ProcessOwnerTag() + "-";
    EXPECT_EQ(std::count_if(folders.begin(), folders.end(), [&](const std::string& f) { return f.rfind(own, 0) == 0; }),
              1);

    Add(db, "item", "bytes");
    db.Close();  // saving removes the gone process's temporary file of this target
    std::vector<std::string> beside = gwtest::ListDir(dir);
    std::sort(beside.begin(), beside.end());
    std::vector<std::string> expected = {otherTarget, liveTemp, "k.qdb", "work"};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(beside, expected);
    TQDB again;
    again.Open(Path("k.qdb"), TQDB::omReadExisting);
    EXPECT_EQ(Read(again, "item"), "bytes");
}

TEST_F(LeftoverTest, PlainBytesGoOnCloseEvenWhenTheSaveFails) {
    const std::string sub = Path("sub");
    ASSERT_EQ(::mkdir(sub.c_str(), 0700), 0);
    gwtest::WriteFile(sub + "/p.qdb", ContainerOf({{"key", "the deciphered contents"}}, "secret"));
    TQDB db;
    db.OnDemandPassword = [](TQDB*, std::string& pw) { pw = "secret"; };
    db.SetFileName(sub + "/p.qdb");
    Add(db, "more", "further plain bytes");
    db.FlushIndex();
    ASSERT_EQ(Work().size(), 1u);
    const std::string folder = work + "/" + Work()[0];
    // A second name for the data work file (the items' plain bytes) would
    // outlive the folder.
    std::vector<std::string> links;
    for (const std::string& f : gwtest::ListDir(folder)) {
        if (f.rfind("QDB", 0) != 0) continue;
        links.push_back(Path("link-" + f));
        ASSERT_EQ(::link((folder + "/" + f).c_str(), links.back().c_str()), 0);
    }
    ASSERT_EQ(links.size(), 1u);
    ASSERT_NE(gwtest::ReadFile(links[0]).find("further plain bytes"), std::string::npos);
    // The container's folder is gone: the save fails.
    ASSERT_EQ(::rename(sub.c_str(), (sub + "-moved").c_str()), 0);
    EXPECT_THROW(db.Close(), EQDBError);
    EXPECT_TRUE(Work().empty());
    for (const std::string& l : links) EXPECT_EQ(gwtest::ReadFile(l), "") << l;
}
