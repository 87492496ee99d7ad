#include "widgets/dirtree.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QShowEvent>
#include <QStorageInfo>
#include <algorithm>
#include <mutex>
#include <thread>

#include "platform/Streams.h"

// Lets worker threads hand results to a tree that may be gone by then: the
// tree clears Receiver in its destructor, under the lock the workers post
// with, and Qt drops calls posted to an object that is then deleted.
struct TDirTreeChannel {
    std::mutex Lock;
    QObject* Receiver = nullptr;
};

namespace {

enum { RolePath = Qt::UserRole, RoleState, RolePlaceholder };

// Runs work on a thread of its own (a listing of a dead mount may never
// return; it must hold up nothing else, not even the program's exit), then
// deliver on the receiver's thread.
template <typename T>
void RunOnWorker(const std::shared_ptr<TDirTreeChannel>& channel, std::function<T()> work,
                 std::function<void(T)> deliver) {
    std::thread([channel, work = std::move(work), deliver = std::move(deliver)] {
        T result{};
        try {
            result = work();
        } catch (...) {
            // An unreadable folder lists nothing.
        }
        std::lock_guard<std::mutex> lock(channel->Lock);
        if (channel->Receiver)
            QMetaObject::invokeMethod(
                channel->Receiver, [deliver, result] { deliver(result); }, Qt::QueuedConnection);
    }).detach();
}

QString WithSlash(const QString& path) { return path.endsWith(QLatin1Char('/')) ? path : path + QLatin1Char('/'); }

bool IsBelow(const QString& path, const QString& folder) {
    return path == folder || path.startsWith(folder + QLatin1Char('/'));
}

}  // namespace

// ---- pure helpers --------------------------------------------------------------

QList<TDirRoot> DirRootsOfVolumes(const QList<TDirVolume>& volumes, const QString& home) {
    static const QStringList pseudo = {QStringLiteral("proc"), QStringLiteral("sysfs"), QStringLiteral("tmpfs"),
                                       QStringLiteral("devtmpfs"), QStringLiteral("autofs")};
    static const QStringList network = {QStringLiteral("nfs"),  QStringLiteral("nfs4"),  QStringLiteral("cifs"),
                                        QStringLiteral("smb3"), QStringLiteral("smbfs"), QStringLiteral("fuse.sshfs")};
    QList<TDirRoot> roots;
    roots.append({QStringLiteral("/"), QStringLiteral("/"), drFixed});
    const QString homePath = QDir::cleanPath(home);
    if (!home.isEmpty() && homePath != QLatin1String("/")) roots.append({WithSlash(homePath), homePath, drFixed});
    QList<TDirRoot> mounted;
    for (const TDirVolume& v : volumes) {
        const QString type = v.FileSystemType.toLower();
        if (pseudo.contains(type) || type.startsWith(QLatin1String("cgroup"))) continue;
        const QString path = QDir::cleanPath(v.RootPath);
        const bool removable = IsBelow(path, QStringLiteral("/media")) || IsBelow(path, QStringLiteral("/run/media"));
        if (!removable && !IsBelow(path, QStringLiteral("/mnt"))) continue;
        TDirRoot root;
        root.Path = WithSlash(path);
        const QString name = v.DisplayName.isEmpty() || QDir::cleanPath(v.DisplayName) == path ? QString()
                                                                                               : v.DisplayName;
        root.Text = name.isEmpty() ? path : name + QStringLiteral(" (") + path + QLatin1Char(')');
        root.Kind = network.contains(type) ? drNetwork : removable ? drRemovable : drFixed;
        bool known = false;
        for (const TDirRoot& r : roots + mounted) known = known || r.Path == root.Path;
        if (!known) mounted.append(root);
    }
    std::sort(mounted.begin(), mounted.end(), [](const TDirRoot& a, const TDirRoot& b) { return a.Path < b.Path; });
    return roots + mounted;
}

QList<TDirRoot> SystemDirRoots() {
    QList<TDirVolume> volumes;
    for (const QStorageInfo& s : QStorageInfo::mountedVolumes())
        volumes.append({s.rootPath(), QString::fromLatin1(s.fileSystemType()), s.displayName()});
    return DirRootsOfVolumes(volumes, QDir::homePath());
}

QStringList SystemDirLister(const QString& folder) {
    return QDir(folder).entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden, QDir::NoSort);
}

bool IsBelowTrash(const QString& path) {
    static const QRegularExpression volumeTrash(QStringLiteral("^\\.Trash-[0-9]+$"));
    const QStringList parts = path.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    for (int k = 0; k + 1 < parts.size(); ++k) {
        const bool homeTrash = k >= 2 && parts[k] == QLatin1String("Trash") && parts[k - 1] == QLatin1String("share") &&
                               parts[k - 2] == QLatin1String(".local");
        if (homeTrash || volumeTrash.match(parts[k]).hasMatch()) return true;
    }
    return false;
}

bool DirAttributesAccepted(const QString& name, tdirattrs dirType) {
    if (dirType & dtAll) return true;
    const bool hidden = name.startsWith(QLatin1Char('.'));
    if (hidden && !(dirType & dtHidden)) return false;
    return (dirType & dtNormal) || hidden;
}

// ---- Tdirtree ----------------------------------------------------------------

Tdirtree::Tdirtree(QWidget* parent)
    : QTreeWidget(parent),
      FLister(SystemDirLister),
      FRootLister(SystemDirRoots),
      FChannel(std::make_shared<TDirTreeChannel>()) {
    FChannel->Receiver = this;
    setColumnCount(1);
    setHeaderHidden(true);
    setSortingEnabled(false);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformRowHeights(true);
    setAnimated(false);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    FFolderIcon = FIcons.icon(QFileIconProvider::Folder);
    FDriveIcon = FIcons.icon(QFileIconProvider::Drive);
    FNetworkIcon = FIcons.icon(QFileIconProvider::Network);
    FRootIcon = FIcons.icon(QFileIconProvider::Computer);
    connect(this, &QTreeWidget::itemExpanded, this, [this](QTreeWidgetItem* node) {
        if (node->data(0, RoleState).toInt() == nsUnlisted) RequestListing(node);
    });
    connect(this, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* current, QTreeWidgetItem*) { CurrentChanged(current); });
}

Tdirtree::~Tdirtree() {
    std::lock_guard<std::mutex> lock(FChannel->Lock);
    FChannel->Receiver = nullptr;
}

QString Tdirtree::NodePath(const QTreeWidgetItem* node) const {
    return node ? node->data(0, RolePath).toString() : QString();
}

bool Tdirtree::NodeListed(const QTreeWidgetItem* node) const {
    return node && node->data(0, RoleState).toInt() == nsListed;
}

QString Tdirtree::GetDirectory() const {
    const QTreeWidgetItem* node = currentItem();
    if (!node || node->data(0, RoleState).toInt() == nsPlaceholder) return QStringLiteral("?");
    return NodePath(node);
}

bool Tdirtree::Idle() const { return FReady && FRequests.isEmpty() && FPending.isEmpty(); }

QTreeWidgetItem* Tdirtree::FindNode(const QString& path) const {
    for (QTreeWidgetItemIterator it(const_cast<Tdirtree*>(this)); *it; ++it)
        if ((*it)->data(0, RoleState).toInt() != nsPlaceholder && NodePath(*it) == path) return *it;
    return nullptr;
}

QTreeWidgetItem* Tdirtree::RootOf(const QString& path) const {
    QTreeWidgetItem* best = nullptr;
    for (int i = 0; i < topLevelItemCount(); ++i) {
        QTreeWidgetItem* root = topLevelItem(i);
        const QString rootPath = NodePath(root);
        if (path.startsWith(rootPath) && (!best || rootPath.size() > NodePath(best).size())) best = root;
    }
    return best;
}

// ---- properties -------------------------------------------------------------------

void Tdirtree::SetDirType(tdirattrs value) {
    if (ChangeField(FDirType, value) && FRootsRead) Refresh();
}

void Tdirtree::SetAllowNetwork(bool value) {
    if (ChangeField(FAllowNetwork, value) && FRootsRead) Refresh();
}

void Tdirtree::SetGoBelowRecycleBin(bool value) {
    if (ChangeField(FGoBelowRecycleBin, value) && FRootsRead) Refresh();
}

void Tdirtree::SetReadonly(bool value) {
    FReadonly = value;
    setEditTriggers(value ? QAbstractItemView::NoEditTriggers
                          : QAbstractItemView::SelectedClicked | QAbstractItemView::EditKeyPressed);
}

void Tdirtree::SetHideSelection(bool value) {
    FHideSelection = value;
    ApplyHideSelection();
}

void Tdirtree::ApplyHideSelection() {
    QPalette p = palette();
    const QPalette active = QPalette();
    p.setColor(QPalette::Inactive, QPalette::Highlight,
               FHideSelection ? p.color(QPalette::Inactive, QPalette::Base)
                              : active.color(QPalette::Inactive, QPalette::Highlight));
    p.setColor(QPalette::Inactive, QPalette::HighlightedText,
               FHideSelection ? p.color(QPalette::Inactive, QPalette::Text)
                              : active.color(QPalette::Inactive, QPalette::HighlightedText));
    setPalette(p);
}

void Tdirtree::showEvent(QShowEvent* event) {
    QTreeWidget::showEvent(event);
    if (FReadOnStart && !FRootsRead) ReadRoots();
}

// ---- reading -----------------------------------------------------------------------

bool Tdirtree::AddAccepted(const QString& path) {
    if (!FGoBelowRecycleBin && IsBelowTrash(path)) return false;
    bool add = true;
    if (OnAddDir) OnAddDir(this, path, add);
    return add;
}

QTreeWidgetItem* Tdirtree::AddNode(QTreeWidgetItem* parent, const QString& path, const QString& text, const QIcon& icon,
                                   const char* placeholder) {
    auto* node = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(this);
    node->setText(0, text);
    node->setIcon(0, icon);
    node->setData(0, RolePath, path);
    node->setData(0, RoleState, nsUnlisted);
    node->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsEditable);
    // Gives the node its expand button until its folders have been read.
    auto* dummy = new QTreeWidgetItem(node);
    dummy->setData(0, RoleState, nsPlaceholder);
    dummy->setData(0, RolePlaceholder, QString::fromLatin1(placeholder));
    dummy->setFlags(Qt::NoItemFlags);
    return node;
}

void Tdirtree::ReadRoots() {
    FRootsRead = true;
    FReady = false;
    const quint64 generation = ++FGeneration;
    FRequests.clear();
    FSelecting = true;
    clear();
    FSelecting = false;
    RunOnWorker<QList<TDirRoot>>(FChannel, FRootLister,
                                 [this, generation](const QList<TDirRoot>& roots) { RootsArrived(generation, roots); });
}

void Tdirtree::RootsArrived(quint64 generation, const QList<TDirRoot>& roots) {
    if (generation != FGeneration) return;
    const QString current = WithSlash(QDir::currentPath());
    QString currentRoot;
    for (const TDirRoot& root : roots) {
        if (root.Kind == drNetwork && !FAllowNetwork) continue;
        if (!AddAccepted(root.Path)) continue;
        const bool fixed = root.Kind == drFixed;
        const QIcon& icon = root.Kind == drNetwork                     ? FNetworkIcon
                            : root.Path == QLatin1String("/")          ? FRootIcon
                            : root.Path == WithSlash(QDir::homePath()) ? FFolderIcon
                                                                       : FDriveIcon;
        QTreeWidgetItem* node = AddNode(nullptr, root.Path, root.Text, icon, fixed ? " " : "u**");
        if (!FRemembered.contains(root.Path)) {
            FRemembered.insert(root.Path, root.Path);
            if (current.startsWith(root.Path) && root.Path.size() > currentRoot.size()) currentRoot = root.Path;
        }
        if (fixed) RequestListing(node);
    }
    if (!currentRoot.isEmpty()) FRemembered.insert(currentRoot, current);
    FReady = true;
    ContinuePending();
    if (FRefreshing && FPending.isEmpty()) RefreshFallback();
    if (currentItem()) scrollToItem(currentItem(), QAbstractItemView::PositionAtTop);
}

void Tdirtree::RequestListing(QTreeWidgetItem* node) {
    node->setData(0, RoleState, nsPending);
    const quint64 request = ++FNextRequest;
    FRequests.insert(request, node);
    const QString path = NodePath(node);
    TDirLister lister = FLister;
    RunOnWorker<QStringList>(
        FChannel, [lister, path] { return lister(path); },
        [this, request](const QStringList& names) { ListingArrived(request, names); });
}

void Tdirtree::ListingArrived(quint64 request, const QStringList& names) {
    QTreeWidgetItem* node = FRequests.take(request);
    if (!node) return;  // the tree was read afresh meanwhile
    qDeleteAll(node->takeChildren());
    node->setData(0, RoleState, nsListed);
    const QString path = NodePath(node);
    QStringList accepted;
    for (const QString& name : names)
        if (!name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..") &&
            DirAttributesAccepted(name, FDirType) && AddAccepted(path + name + QLatin1Char('/')))
            accepted.append(name);
    std::sort(accepted.begin(), accepted.end(), [](const QString& a, const QString& b) {
        const int c = a.compare(b, Qt::CaseInsensitive);
        return c != 0 ? c < 0 : a < b;
    });
    for (const QString& name : accepted) AddNode(node, path + name + QLatin1Char('/'), name, FFolderIcon, " ");
    ContinuePending();
}

// ---- Directory --------------------------------------------------------------------

void Tdirtree::SetDirectory(const QString& value) {
    if (value == QLatin1String("?") || !QDir::isAbsolutePath(value)) return;
    QString path = QDir::cleanPath(value);
    if (path != QLatin1String("/")) {
        if (!FolderExists(QFile::encodeName(path).toStdString())) return;
        path += QLatin1Char('/');
    }
    if (!FRootsRead && FReadOnStart) ReadRoots();
    FPending = path;
    ContinuePending();
}

void Tdirtree::ContinuePending() {
    if (FPending.isEmpty() || !FReady) return;
    QTreeWidgetItem* node = RootOf(FPending);
    while (node) {
        const QString path = NodePath(node);
        if (path == FPending) {
            FPending.clear();
            FRefreshing = false;
            FFallbackRoot.clear();
            SelectNode(node);
            return;
        }
        const int state = node->data(0, RoleState).toInt();
        if (state == nsUnlisted) RequestListing(node);
        if (state != nsListed) return;  // resumed when the listing arrives
        const QString next = FPending.left(FPending.indexOf(QLatin1Char('/'), path.size()) + 1);
        QTreeWidgetItem* child = nullptr;
        for (int i = 0; i < node->childCount() && !child; ++i)
            if (NodePath(node->child(i)) == next) child = node->child(i);
        node = child;
    }
    PendingFailed();
}

void Tdirtree::PendingFailed() {
    FPending.clear();
    if (FRefreshing) RefreshFallback();
}

void Tdirtree::SelectNode(QTreeWidgetItem* node) {
    FSelecting = true;
    for (QTreeWidgetItem* p = node->parent(); p; p = p->parent()) p->setExpanded(true);
    setCurrentItem(node);
    scrollToItem(node, QAbstractItemView::PositionAtTop);
    FSelecting = false;
}

void Tdirtree::CurrentChanged(QTreeWidgetItem* current) {
    if (!FSelecting) {
        // The user chose: a selection still on its way must not overrule it.
        FPending.clear();
        FRefreshing = false;
        FFallbackRoot.clear();
    }
    if (FReady && current && current->data(0, RoleState).toInt() != nsPlaceholder) {
        QTreeWidgetItem* root = current;
        while (root->parent()) root = root->parent();
        FRemembered.insert(NodePath(root), NodePath(current));
    }
    if (OnChange) OnChange(this);
}

void Tdirtree::Refresh() {
    FRefreshDirectory = GetDirectory();
    FFallbackRoot.clear();
    ReadRoots();
    FRefreshing = true;
    if (FRefreshDirectory != QLatin1String("?")) FPending = FRefreshDirectory;
}

void Tdirtree::RefreshFallback() {
    if (!FFallbackRoot.isEmpty()) {
        // Not even the remembered folder of the chosen root: the root itself.
        const QString root = FFallbackRoot;
        FRefreshing = false;
        FFallbackRoot.clear();
        for (int i = 0; i < topLevelItemCount(); ++i)
            if (NodePath(topLevelItem(i)) == root) SelectNode(topLevelItem(i));
        return;
    }
    if (currentItem() || topLevelItemCount() == 0) {
        FRefreshing = false;
        return;
    }
    if (QTreeWidgetItem* root = RootOf(FRefreshDirectory)) {
        FRefreshing = false;
        SelectNode(root);
        return;
    }
    // The first root known to be readable: one whose first child is not the
    // placeholder of a removable or network root.
    QTreeWidgetItem* chosen = topLevelItem(topLevelItemCount() - 1);
    for (int i = 0; i < topLevelItemCount(); ++i) {
        const QTreeWidgetItem* first = topLevelItem(i)->child(0);
        if (!first || first->data(0, RolePlaceholder).toString() != QLatin1String("u**")) {
            chosen = topLevelItem(i);
            break;
        }
    }
    FFallbackRoot = NodePath(chosen);
    FPending = FRemembered.value(FFallbackRoot, FFallbackRoot);
    ContinuePending();
}
