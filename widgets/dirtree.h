#pragma once
// Tdirtree: a tree of folders to pick one from. The top-level nodes are the
// roots: "/", the home folder and each mounted volume below /media,
// /run/media and /mnt. Folders are read one level at a time on worker
// threads, only when a node is expanded (fixed roots are read at start to
// show their first level), so a slow or dead mount leaves its node waiting
// while the interface runs.
//
// Paths keep their case and end with "/". Hidden folders are those whose
// name starts with "."; Linux has no system or archive attribute. Trash
// folders (".local/share/Trash", ".Trash-<uid>") play the part of the
// recycle bin: without GoBelowRecycleBin nothing below them is listed.
#include <QFileIconProvider>
#include <QHash>
#include <QIcon>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTreeWidget>
#include <functional>
#include <memory>

#include "platform/Controls.h"

// Folder attributes that decide what is listed.
enum tdirattr : unsigned { dtReadonly = 1, dtHidden = 2, dtSystem = 4, dtArchive = 8, dtNormal = 16, dtAll = 32 };
using tdirattrs = unsigned;

// May veto each root or folder (full path with trailing "/") before it is shown.
using taddfileevent = std::function<void(QObject* Sender, const QString& Filename, bool& DoAdd)>;

enum TDirRootKind { drFixed, drRemovable, drNetwork };

// A top-level node: its path (trailing "/"), text and kind.
struct TDirRoot {
    QString Path;
    QString Text;
    TDirRootKind Kind = drFixed;
    bool operator==(const TDirRoot& o) const { return Path == o.Path && Text == o.Text && Kind == o.Kind; }
};

// A mounted file system as the system reports it.
struct TDirVolume {
    QString RootPath;
    QString FileSystemType;
    QString DisplayName;
};

// Names of the subfolders of folder (no "." or ".."); runs on a worker thread.
using TDirLister = std::function<QStringList(const QString& folder)>;
// The roots; runs on a worker thread.
using TDirRootLister = std::function<QList<TDirRoot>()>;

// The roots for a list of volumes: "/", home, then the real file systems
// mounted below /media, /run/media and /mnt in path order (those below
// /media and /run/media count as removable, network file systems as
// network whatever their place).
QList<TDirRoot> DirRootsOfVolumes(const QList<TDirVolume>& volumes, const QString& home);
// The roots of this system (DirRootsOfVolumes of the mounted volumes).
QList<TDirRoot> SystemDirRoots();
// The subfolders of a folder on disk, links to folders included.
QStringList SystemDirLister(const QString& folder);
// True when path lies below (not at) a Trash folder.
bool IsBelowTrash(const QString& path);
// Whether a folder of that name is listed under dirType.
bool DirAttributesAccepted(const QString& name, tdirattrs dirType);

class Tdirtree : public QTreeWidget {
    Q_OBJECT
public:
    explicit Tdirtree(QWidget* parent = nullptr);
    ~Tdirtree() override;

    // The selected folder with a trailing "/"; "?" when none is selected.
    QString GetDirectory() const;
    // Selects the folder, reading the levels on the way (on worker threads:
    // the selection follows when they arrive). "?", a relative path or a
    // folder that does not exist change nothing.
    void SetDirectory(const QString& value);

    bool GetReadOnStart() const { return FReadOnStart; }
    void SetReadOnStart(bool value) { FReadOnStart = value; }
    tdirattrs GetDirType() const { return FDirType; }
    void SetDirType(tdirattrs value);
    bool GetAllowNetwork() const { return FAllowNetwork; }
    void SetAllowNetwork(bool value);
    bool GetGoBelowRecycleBin() const { return FGoBelowRecycleBin; }
    void SetGoBelowRecycleBin(bool value);
    // No in-place editing of node texts.
    bool GetReadonly() const { return FReadonly; }
    void SetReadonly(bool value);
    // The selection is not shown while the tree has no focus.
    bool GetHideSelection() const { return FHideSelection; }
    void SetHideSelection(bool value);

    // For tests and special hosts: how folders and roots are read. Set them
    // before the roots are read.
    void SetLister(TDirLister lister) { FLister = std::move(lister); }
    void SetRootLister(TDirRootLister roots) { FRootLister = std::move(roots); }

    // Reads the roots afresh (the tree is emptied).
    void ReadRoots();
    // Reads the roots again and selects what was selected, or failing that
    // the nearest root.
    void Refresh();
    // True once the roots have arrived.
    bool Ready() const { return FReady; }
    // True while no roots or listings are awaited and no selection is pending.
    bool Idle() const;
    // The folder remembered for a root (the last one selected below it).
    QString RememberedFolder(const QString& root) const { return FRemembered.value(root); }
    // The node of a path (trailing "/"), nullptr when not in the tree.
    QTreeWidgetItem* FindNode(const QString& path) const;
    QString NodePath(const QTreeWidgetItem* node) const;
    // True when the node's folders have been read.
    bool NodeListed(const QTreeWidgetItem* node) const;

    TNotifyEvent OnChange;
    taddfileevent OnAddDir;

protected:
    void showEvent(QShowEvent* event) override;

private:
    enum TNodeState { nsUnlisted, nsPending, nsListed, nsPlaceholder };

    bool AddAccepted(const QString& path);
    QTreeWidgetItem* AddNode(QTreeWidgetItem* parent, const QString& path, const QString& text, const QIcon& icon,
                             const char* placeholder);
    void RequestListing(QTreeWidgetItem* node);
    void RootsArrived(quint64 generation, const QList<TDirRoot>& roots);
    void ListingArrived(quint64 request, const QStringList& names);
    void ContinuePending();
    void PendingFailed();
    void SelectNode(QTreeWidgetItem* node);
    void CurrentChanged(QTreeWidgetItem* current);
    QTreeWidgetItem* RootOf(const QString& path) const;
    void RefreshFallback();
    void ApplyHideSelection();

    bool FReadOnStart = true;
    tdirattrs FDirType = dtNormal | dtAll;
    bool FAllowNetwork = true;
    bool FGoBelowRecycleBin = true;
    bool FReadonly = true;
    bool FHideSelection = false;

    TDirLister FLister;
    TDirRootLister FRootLister;
    std::shared_ptr<struct TDirTreeChannel> FChannel;
    quint64 FGeneration = 0;
    quint64 FNextRequest = 0;
    QHash<quint64, QTreeWidgetItem*> FRequests;
    bool FRootsRead = false;
    bool FReady = false;
    bool FSelecting = false;

    // A Directory written before its levels were read.
    QString FPending;
    // Refresh: the root to fall back on when FPending cannot be reached.
    QString FFallbackRoot;
    QString FRefreshDirectory;
    bool FRefreshing = false;

    QHash<QString, QString> FRemembered;
    QFileIconProvider FIcons;
    QIcon FFolderIcon, FDriveIcon, FNetworkIcon, FRootIcon;
};
