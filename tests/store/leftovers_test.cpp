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
#include <memory>
#include <string>
#include <vector>

#include "ContainerBuilder.h"
#include "platform/Leftovers.h"
#include "store/QDB.h"
#include "store/QDBFiles.h"
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

// A child process that makes a work folder as a store does and starts a
// save of target, and holds both until it is killed.
struct THoldingChild {
    pid_t Pid = -1;
    std::string Folder, Temp;
    explicit THoldingChild(const std::string& target) {
        int fds[2];
        if (::pipe(fds) != 0) return;
        Pid = ::fork();
        if (Pid == 0) {
            ::close(fds[0]);
            const std::string folder = qdb::MakePrivateFolder();
            TSafeFileStream save(target);
            const std::string paths = folder + "\n" + save.TempName() + "\n";
            if (::write(fds[1], paths.data(), paths.size()) != static_cast<ssize_t>(paths.size())) ::_exit(1);
            ::pause();
            ::_exit(0);
        }
        ::close(fds[1]);
        std::string got;
        char buf[512];
        for (ssize_t n; (n = ::read(fds[0], buf, sizeof buf)) > 0;) {
            got.append(buf, static_cast<size_t>(n));
            if (std::count(got.begin(), got.end(), '\n') == 2) break;
        }
        ::close(fds[0]);
        const size_t end = got.find('\n');
        if (end == std::string::npos) return;
        Folder = got.substr(0, end);
        Temp = got.substr(end + 1, got.size() - end - 2);
    }
    ~THoldingChild() { Stop(); }
    void Stop() {
        if (Pid <= 0) return;
        ::kill(Pid, SIGKILL);
        ::waitpid(Pid, nullptr, 0);
        Pid = -1;
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

TEST_F(LeftoverTest, CleaningFollowsNoLink) {
    const std::string gone = std::to_string(GonePid()) + "-77";
    // Another folder and file, behind links named like a gone owner's work
    // folder and temporary file, and behind a link inside its work folder.
    const std::string victim = Path("victim");
    ASSERT_EQ(::mkdir(victim.c_str(), 0700), 0);
    gwtest::WriteFile(victim + "/precious", "keep me");
    gwtest::WriteFile(Path("precious.glw"), "keep me too");
    ASSERT_EQ(::symlink(victim.c_str(), (work + "/qdb-" + gone + "-abcdef").c_str()), 0);
    MakeFolderWithFile(work + "/qdb-" + gone + "-ghijkl");
    ASSERT_EQ(::symlink(Path("precious.glw").c_str(), (work + "/qdb-" + gone + "-ghijkl/QDBlinked").c_str()), 0);
    ASSERT_EQ(::symlink(Path("precious.glw").c_str(), Path(".k.qdb." + gone + ".abcdefghijkl.tmp").c_str()), 0);

    TQDB db;
    db.SetFileName(Path("k.qdb"));
    Add(db, "item", "bytes");
    db.Close();

    EXPECT_EQ(gwtest::ListDir(victim), std::vector<std::string>{"precious"});
    EXPECT_EQ(gwtest::ReadFile(victim + "/precious"), "keep me");
    EXPECT_EQ(gwtest::ReadFile(Path("precious.glw")), "keep me too");
    // The gone owner's links went as links, its folder as a folder.
    EXPECT_TRUE(Work().empty());
    std::vector<std::string> beside = gwtest::ListDir(dir);
    std::sort(beside.begin(), beside.end());
    EXPECT_EQ(beside, (std::vector<std::string>{"k.qdb", "precious.glw", "victim", "work"}));
}

TEST_F(LeftoverTest, ScratchHeldByItsOwnerStaysWhateverItsTagSaysAndGoesWithIt) {
    // Seen from outside its PID namespace, a sandboxed saver's tag names
    // another process (a running one, or this one, started at another time)
    // or one that is gone.
    TLiveChild other;
    const std::string otherTag = OwnerTagOf(other.Pid), self = ProcessOwnerTag();
    auto startOf = [](const std::string& tag) { return std::stoll(tag.substr(tag.find('-') + 1)); };
    const std::vector<std::string> tags = {std::to_string(other.Pid) + "-" + std::to_string(startOf(otherTag) + 1),
                                           std::to_string(::getpid()) + "-" + std::to_string(startOf(self) + 1),
                                           std::to_string(GonePid()) + "-77"};
    const std::string target = Path("k.qdb");
    std::vector<std::unique_ptr<THoldingChild>> holders;
    std::vector<std::string> heldFolders, heldTemps, freeFolders, freeTemps;
    for (size_t i = 0; i < tags.size(); ++i) {
        const std::string n = std::to_string(i);
        // Made and held by a live saver, under the names a sandbox gives.
        holders.push_back(std::make_unique<THoldingChild>(target));
        ASSERT_FALSE(holders.back()->Temp.empty());
        heldFolders.push_back("qdb-" + tags[i] + "-sandb" + n);
        heldTemps.push_back(".k.qdb." + tags[i] + ".sandboxsave" + n + ".tmp");
        ASSERT_EQ(::rename(holders.back()->Folder.c_str(), (work + "/" + heldFolders.back()).c_str()), 0);
        ASSERT_EQ(::rename(holders.back()->Temp.c_str(), Path(heldTemps.back()).c_str()), 0);
        // Left by savers that ended: nobody holds them.
        freeFolders.push_back("qdb-" + tags[i] + "-freed" + n);
        MakeFolderWithFile(work + "/" + freeFolders.back());
        gwtest::WriteFile(work + "/" + freeFolders.back() + "/owner.lock", "");
        freeTemps.push_back(".k.qdb." + tags[i] + ".unheld-save" + n + ".tmp");
        gwtest::WriteFile(Path(freeTemps.back()), "partial container");
    }
    // A work folder whose lock nobody holds is its dead owner's, whatever
    // running process its tag names.
    freeFolders.push_back("qdb-" + otherTag + "-freedL");
    MakeFolderWithFile(work + "/" + freeFolders.back());
    gwtest::WriteFile(work + "/" + freeFolders.back() + "/owner.lock", "");

    int saves = 0;
    auto save = [&] {
        TQDB db;
        db.SetFileName(target);
        Add(db, "item" + std::to_string(++saves), "bytes");
        db.Close();
    };
    auto has = [](const std::vector<std::string>& names, const std::string& name) {
        return std::count(names.begin(), names.end(), name) == 1;
    };
    save();
    std::vector<std::string> folders = Work(), beside = gwtest::ListDir(dir);
    for (const std::string& f : heldFolders) {
        EXPECT_TRUE(has(folders, f)) << f << " was removed while its owner ran";
        if (has(folders, f)) {
            EXPECT_EQ(gwtest::ListDir(work + "/" + f).size(), 1u) << f;  // its lock file
        }
    }
    for (const std::string& t : heldTemps) EXPECT_TRUE(has(beside, t)) << t << " was removed while its owner ran";
    for (const std::string& f : freeFolders) EXPECT_FALSE(has(folders, f)) << f;
    for (const std::string& t : freeTemps) EXPECT_FALSE(has(beside, t)) << t;

    // Their owners end: the next save removes what they left.
    for (auto& h : holders) h->Stop();
    save();
    EXPECT_TRUE(Work().empty());
    std::vector<std::string> after = gwtest::ListDir(dir);
    std::sort(after.begin(), after.end());
    EXPECT_EQ(after, (std::vector<std::string>{"k.qdb", "work"}));
}
