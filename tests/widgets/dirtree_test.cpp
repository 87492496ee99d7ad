#include <gtest/gtest.h>

#include <QDir>
#include <QTest>
#include <condition_variable>
#include <memory>
#include <mutex>

#include "platform/Streams.h"
#include "support/TestFiles.h"
#include "widgets/dirtree.h"

namespace {

// Records every folder read; can hold back the reading of one folder.
// Shared with the workers, which may outlive a test.
struct TCountingLister : std::enable_shared_from_this<TCountingLister> {
    std::mutex Lock;
    std::condition_variable Released;
    QStringList Calls;
    QString Blocked;  // a folder whose reading waits until Release()
    bool Open = true;

    TDirLister Lister() {
        return [self = shared_from_this()](const QString& folder) {
            std::unique_lock<std::mutex> lock(self->Lock);
            self->Calls << folder;
            if (folder == self->Blocked) self->Released.wait(lock, [&self] { return self->Open; });
            lock.unlock();
            return SystemDirLister(folder);
        };
    }
    QStringList TakeCalls() {
        std::lock_guard<std::mutex> lock(Lock);
        QStringList c = Calls;
        Calls.clear();
        return c;
    }
    void Block(const QString& folder) {
        std::lock_guard<std::mutex> lock(Lock);
        Blocked = folder;
        Open = false;
    }
    void Release() {
        {
            std::lock_guard<std::mutex> lock(Lock);
            Open = true;
        }
        Released.notify_all();
    }
};

// A temporary tree with three roots: Fixed (read at start), Stick
// (removable) and Net (network).
class DirTree : public ::testing::Test {
protected:
    void SetUp() override {
        Base = QString::fromStdString(gwtest::TempDir("dirtree"));
        for (const char* d :
             {"Fixed/MixedCase/Sub Folder/Deep", "Fixed/A/B/C", "Fixed/.hidden", "Fixed/Veto",
              "Fixed/.local/share/Trash/files/x", "Fixed/.Trash-1000/files", "Stick/Photos", "Net/Share"})
            ASSERT_TRUE(QDir().mkpath(Base + "/" + d));
        gwtest::WriteFile((Base + "/Fixed/a file").toStdString(), "not a folder");
        Fixed = Base + "/Fixed/";
        Tree = std::make_unique<Tdirtree>();
        Tree->SetLister(Counter->Lister());
        const QList<TDirRoot> roots = {
            {Fixed, "Fixed", drFixed}, {Base + "/Stick/", "Stick", drRemovable}, {Base + "/Net/", "Net", drNetwork}};
        // NOLINTNEXTLINE(performance-no-automatic-move): each call returns its own copy
        Tree->SetRootLister([roots] { return roots; });
        Tree->resize(300, 400);
    }
    void TearDown() override {
        Counter->Release();
        Tree.reset();
    }

    bool WaitIdle() {
        return QTest::qWaitFor([this] { return Tree->Idle(); }, 10000);
    }
    void Start() {
        Tree->ReadRoots();
        ASSERT_TRUE(WaitIdle());
    }
    // Names of the listed children of a node.
    QStringList Children(const QString& path) {
        QStringList names;
        QTreeWidgetItem* node = Tree->FindNode(path);
        if (!node) return {"<no node>"};
        for (int i = 0; i < node->childCount(); ++i)
            if (!Tree->NodePath(node->child(i)).isEmpty()) names << node->child(i)->text(0);
        return names;
    }

    QString Base, Fixed;
    std::shared_ptr<TCountingLister> Counter = std::make_shared<TCountingLister>();
    std::unique_ptr<Tdirtree> Tree;
};

TEST_F(DirTree, OnlyTheFixedRootsAreReadAtStartAndOneExpansionReadsOneFolder) {
    Start();
    EXPECT_EQ(Counter->TakeCalls(), QStringList({Fixed}));
    ASSERT_EQ(Tree->topLevelItemCount(), 3);
    EXPECT_EQ(Tree->topLevelItem(1)->text(0), "Stick");
    // The default [dtNormal, dtAll] lists dot folders too; sorted without
    // regard to case; files are not folders.
    EXPECT_EQ(Children(Fixed), QStringList({".hidden", ".local", ".Trash-1000", "A", "MixedCase", "Veto"}));
    // Every new node can be expanded, but none has been read.
    QTreeWidgetItem* a = Tree->FindNode(Fixed + "A/");
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->childCount(), 1);
    EXPECT_FALSE(Tree->NodeListed(a));

    a->setExpanded(true);
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(Counter->TakeCalls(), QStringList({Fixed + "A/"}));  // no grandchildren
    EXPECT_EQ(Children(Fixed + "A/"), QStringList({"B"}));
    EXPECT_FALSE(Tree->NodeListed(Tree->FindNode(Fixed + "A/B/")));
    // Expanding again reads nothing; a removable root is read when expanded.
    a->setExpanded(false);
    a->setExpanded(true);
    Tree->topLevelItem(1)->setExpanded(true);
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(Counter->TakeCalls(), QStringList({Base + "/Stick/"}));
    EXPECT_EQ(Children(Base + "/Stick/"), QStringList({"Photos"}));
}

TEST_F(DirTree, DirectoryKeepsItsCaseAndEndsWithASlash) {
    Start();
    EXPECT_EQ(Tree->GetDirectory(), "?");
    int changes = 0;
    Tree->OnChange = [&](QObject*) { ++changes; };
    Tree->SetDirectory(Fixed + "MixedCase/Sub Folder");
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(Tree->GetDirectory(), Fixed + "MixedCase/Sub Folder/");
    EXPECT_EQ(changes, 1);
    // The levels on the way were read, nothing beside them.
    EXPECT_EQ(Counter->TakeCalls(), QStringList({Fixed, Fixed + "MixedCase/"}));
    EXPECT_TRUE(Tree->FindNode(Fixed + "MixedCase/")->isExpanded());
    EXPECT_EQ(Tree->RememberedFolder(Fixed), Fixed + "MixedCase/Sub Folder/");

    // Another case names another folder here; missing folders, "?" and
    // relative paths change nothing.
    for (const QString& p :
         {Fixed + "mixedcase/sub folder", Fixed + "Nowhere", QString("?"), QString("Fixed/A"), Fixed + "a file"}) {
        Tree->SetDirectory(p);
        ASSERT_TRUE(WaitIdle());
        EXPECT_EQ(Tree->GetDirectory(), Fixed + "MixedCase/Sub Folder/") << p.toStdString();
    }
    // A trailing slash and untidy separators are accepted.
    Tree->SetDirectory(Fixed + "A//B/");
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(Tree->GetDirectory(), Fixed + "A/B/");
    // A folder outside every root cannot be selected.
    Tree->SetDirectory(QDir::tempPath());
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(Tree->GetDirectory(), Fixed + "A/B/");
}

TEST_F(DirTree, WritingDirectoryBeforeTheRootsReadsThem) {
    Tree->SetDirectory(Fixed + "A/B/C");
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(Tree->GetDirectory(), Fixed + "A/B/C/");
    // Without ReadOnStart the roots wait for ReadRoots; the selection
    // follows then.
    Tdirtree lazy;
    lazy.SetReadOnStart(false);
    lazy.SetLister(SystemDirLister);
    lazy.SetRootLister([this] { return QList<TDirRoot>{{Fixed, "Fixed", drFixed}}; });
    lazy.SetDirectory(Fixed + "Veto");
    lazy.show();
    QTest::qWait(20);
    EXPECT_EQ(lazy.topLevelItemCount(), 0);
    lazy.ReadRoots();
    ASSERT_TRUE(QTest::qWaitFor([&] { return lazy.Idle(); }, 10000));
    EXPECT_EQ(lazy.GetDirectory(), Fixed + "Veto/");
}

TEST_F(DirTree, AddDirCanVetoFoldersAndRoots) {
    QStringList asked;
    Tree->OnAddDir = [&](QObject*, const QString& path, bool& add) {
        asked << path;
        if (path.endsWith("Veto/") || path.endsWith("Net/")) add = false;
    };
    Start();
    EXPECT_TRUE(asked.contains(Fixed + "A/"));
    EXPECT_TRUE(asked.contains(Base + "/Stick/"));
    EXPECT_EQ(Tree->topLevelItemCount(), 2);
    EXPECT_FALSE(Children(Fixed).contains("Veto"));
    EXPECT_TRUE(Children(Fixed).contains("A"));
}

TEST_F(DirTree, DirTypeDecidesAboutDotFolders) {
    Start();
    Tree->SetDirType(dtNormal);
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(Children(Fixed), QStringList({"A", "MixedCase", "Veto"}));
    Tree->SetDirType(dtNormal | dtHidden);
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(Children(Fixed), QStringList({".hidden", ".local", ".Trash-1000", "A", "MixedCase", "Veto"}));
    Tree->SetDirType(dtHidden);
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(Children(Fixed), QStringList({".hidden", ".local", ".Trash-1000"}));
    // Attributes this system does not have change nothing.
    Tree->SetDirType(dtNormal | dtSystem | dtArchive | dtReadonly);
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(Children(Fixed), QStringList({"A", "MixedCase", "Veto"}));
}

TEST_F(DirTree, NothingIsListedBelowATrashFolderUnlessAllowed) {
    Tree->SetGoBelowRecycleBin(false);
    Start();
    Tree->SetDirectory(Fixed + ".local/share/Trash");
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(Tree->GetDirectory(), Fixed + ".local/share/Trash/");  // the folder itself is shown
    Tree->FindNode(Fixed + ".local/share/Trash/")->setExpanded(true);
    Tree->FindNode(Fixed + ".Trash-1000/")->setExpanded(true);
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(Children(Fixed + ".local/share/Trash/"), QStringList());
    EXPECT_EQ(Children(Fixed + ".Trash-1000/"), QStringList());

    Tree->SetGoBelowRecycleBin(true);  // rebuilds, keeping the selection
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(Tree->GetDirectory(), Fixed + ".local/share/Trash/");
    Tree->FindNode(Fixed + ".local/share/Trash/")->setExpanded(true);
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(Children(Fixed + ".local/share/Trash/"), QStringList({"files"}));
}

TEST_F(DirTree, NetworkRootsOnlyWhenAllowed) {
    Start();
    EXPECT_NE(Tree->FindNode(Base + "/Net/"), nullptr);
    Tree->SetAllowNetwork(false);
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(Tree->FindNode(Base + "/Net/"), nullptr);
    EXPECT_EQ(Tree->topLevelItemCount(), 2);
}

TEST_F(DirTree, RefreshFallsBackOnTheRoot) {
    Start();
    Tree->SetDirectory(Fixed + "A/B");
    ASSERT_TRUE(WaitIdle());
    // The folder vanishes: after a rebuild its root is selected.
    ASSERT_TRUE(QDir(Fixed + "A/B").removeRecursively());
    Tree->SetDirType(dtNormal);
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(Tree->GetDirectory(), Fixed);
    // With nothing selected the first readable root's remembered folder.
    Tree->setCurrentItem(nullptr);
    EXPECT_EQ(Tree->GetDirectory(), "?");
    Tree->SetDirectory(Fixed + "MixedCase");
    ASSERT_TRUE(WaitIdle());
    Tree->setCurrentItem(nullptr);
    Tree->Refresh();
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(Tree->GetDirectory(), Fixed + "MixedCase/");
}

TEST_F(DirTree, ASlowFolderLeavesTheTreeWorking) {
    Start();
    Counter->TakeCalls();
    Counter->Block(Base + "/Stick/");
    Tree->topLevelItem(1)->setExpanded(true);
    // The stuck node waits; other nodes are read meanwhile.
    Tree->SetDirectory(Fixed + "A/B");
    ASSERT_TRUE(QTest::qWaitFor([this] { return Tree->GetDirectory() == Fixed + "A/B/"; }, 10000));
    EXPECT_FALSE(Tree->Idle());
    EXPECT_FALSE(Tree->NodeListed(Tree->topLevelItem(1)));
    Counter->Release();
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(Children(Base + "/Stick/"), QStringList({"Photos"}));
    // The user's choice made meanwhile is not overruled by a late selection.
    Counter->Block(Fixed + "MixedCase/");
    Tree->SetDirectory(Fixed + "MixedCase/Sub Folder");
    Tree->setCurrentItem(Tree->FindNode(Fixed + "Veto/"));
    Counter->Release();
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(Tree->GetDirectory(), Fixed + "Veto/");
}

TEST_F(DirTree, ATreeFreedWhileAFolderIsReadIsNotCalledBack) {
    // Every listing that reaches the tree passes its folders by OnAddDir.
    auto added = std::make_shared<QStringList>();
    Tree->OnAddDir = [added](QObject*, const QString& path, bool&) { *added << path; };
    Start();
    ASSERT_FALSE(added->isEmpty());
    added->clear();

    Counter->Block(Base + "/Stick/");
    Tree->topLevelItem(1)->setExpanded(true);
    ASSERT_TRUE(QTest::qWaitFor([this] { return Counter->TakeCalls().contains(Base + "/Stick/"); }, 10000));
    Tree.reset();
    Counter->Release();
    // The worker holds the lister until it has handed its result on; once
    // it has let go, whatever it posted is in the queue.
    ASSERT_TRUE(QTest::qWaitFor([this] { return Counter.use_count() == 1; }, 10000));
    QTest::qWait(20);
    EXPECT_TRUE(added->isEmpty()) << added->join(", ").toStdString();
}

TEST(DirTreeRoots, VolumesBecomeRoots) {
    const QList<TDirVolume> volumes = {
        {"/", "ext4", "/"},
        {"/proc", "proc", "/proc"},
        {"/sys/fs/cgroup", "cgroup2", "cgroup"},
        {"/mnt/tmp", "tmpfs", "tmp"},
        {"/run/media/ann/STICK", "vfat", "STICK"},
        {"/mnt/data", "ext4", "/mnt/data"},
        {"/mnt/nas", "nfs", "nas:/export"},
        {"/media/ann/CD", "iso9660", "CD"},
        {"/srv/other", "ext4", "other"},
        {"/mnt/sftp", "fuse.sshfs", "/mnt/sftp"},
    };
    const QList<TDirRoot> roots = DirRootsOfVolumes(volumes, "/home/ann");
    const QList<TDirRoot> expected = {
        {"/", "/", drFixed},
        {"/home/ann/", "/home/ann", drFixed},
        {"/media/ann/CD/", "CD (/media/ann/CD)", drRemovable},
        {"/mnt/data/", "/mnt/data", drFixed},
        {"/mnt/nas/", "nas:/export (/mnt/nas)", drNetwork},
        {"/mnt/sftp/", "/mnt/sftp", drNetwork},
        {"/run/media/ann/STICK/", "STICK (/run/media/ann/STICK)", drRemovable},
    };
    ASSERT_EQ(roots.size(), expected.size());
    for (int i = 0; i < roots.size(); ++i) {
        EXPECT_EQ(roots[i].Path, expected[i].Path) << i;
        EXPECT_EQ(roots[i].Text, expected[i].Text) << i;
        EXPECT_EQ(roots[i].Kind, expected[i].Kind) << i;
    }
    // This system's own list starts with "/" and home.
    const QList<TDirRoot> own = SystemDirRoots();
    ASSERT_GE(own.size(), 1);
    EXPECT_EQ(own[0].Path, "/");
}

TEST(DirTreeRules, TrashAttributesAndFolderExists) {
    EXPECT_FALSE(IsBelowTrash("/home/ann/.local/share/Trash/"));
    EXPECT_TRUE(IsBelowTrash("/home/ann/.local/share/Trash/files/"));
    EXPECT_FALSE(IsBelowTrash("/media/ann/STICK/.Trash-1000/"));
    EXPECT_TRUE(IsBelowTrash("/media/ann/STICK/.Trash-1000/files/"));
    EXPECT_FALSE(IsBelowTrash("/data/.Trash-abc/files/"));
    EXPECT_FALSE(IsBelowTrash("/data/share/Trash/files/"));
    EXPECT_FALSE(IsBelowTrash("/data/.local/share/trash/files/"));

    EXPECT_TRUE(DirAttributesAccepted(".git", dtNormal | dtAll));
    EXPECT_FALSE(DirAttributesAccepted(".git", dtNormal));
    EXPECT_TRUE(DirAttributesAccepted("src", dtNormal));
    EXPECT_FALSE(DirAttributesAccepted("src", dtHidden));
    EXPECT_TRUE(DirAttributesAccepted(".git", dtHidden));
    EXPECT_FALSE(DirAttributesAccepted("src", 0));

    const std::string dir = gwtest::TempDir("folderexists");
    gwtest::WriteFile(dir + "/file", "x");
    EXPECT_TRUE(FolderExists(dir));
    EXPECT_TRUE(FolderExists(dir + "/"));
    EXPECT_FALSE(FolderExists(dir + "/file"));
    EXPECT_FALSE(FolderExists(dir + "/missing"));
    EXPECT_FALSE(FolderExists(""));
    EXPECT_TRUE(FileExists(dir + "/file"));
    EXPECT_FALSE(FileExists(dir));
}

}  // namespace
