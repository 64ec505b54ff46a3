#pragma once
#include <QIcon>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QTreeWidget>

class QFileSystemWatcher;
class QSocketNotifier;
class QTimer;

// A tree of folders rooted at the file system's roots: the root folder "/",
// the user's home folder and the mounted media (mount points under
// /media/$USER, /run/media/$USER and /mnt, as listed in /proc/self/mounts),
// in that order. setRoots() roots it at any given folders instead.
//
// Behaviour:
// - Folders are read only when their node is first opened; only folders are
//   listed, hidden ones included. A node shows an expander when its folder
//   has subfolders; a folder that cannot be read keeps the expander.
// - Children sort by text, letters A to Z compared without regard to case
//   (ASCII letters are folded to upper case), every other character by its
//   code; roots keep the order in which they were given.
// - Symbolic links to folders are listed. A link whose target is the folder
//   of the node itself or of one of its ancestors is a loop: it is shown
//   without children and is never read, so the tree cannot descend forever.
// - Every folder whose node has been read is watched (QFileSystemWatcher,
//   that is inotify); a folder created, removed or renamed in it is added or
//   dropped at its sorted place. Surviving children keep their own subtrees
//   and expansion state. The roots follow mounts and unmounts of media.
// - Double-clicking a node whose folder has gone reloads its parent.
//
// The Windows shell version raised "Could not register SHChangeNotify" when
// change notification could not be registered; a QFileSystemWatcher cannot
// fail when it is created, so this tree raises nothing. A folder that cannot
// be watched (inotify limits) is still shown, it just does not follow changes.
class TFolderTree : public QTreeWidget {
    Q_OBJECT
public:
    enum NodeKind { nkFolder = 0, nkRoot = 4 };
    enum Roles {
        PathRole = Qt::UserRole + 1,   // full path, "/" or without a final "/"
        NameRole,                      // name as the file system spells it
        KindRole,                      // NodeKind
        FilledRole,                    // children have been read
        LoopRole,                      // a link back to an ancestor: never read
    };

    // Roots at "/", the home folder and the mounted media.
    explicit TFolderTree(QWidget* parent = nullptr);
    // Roots at the given folders, in the given order (tests use one temporary folder).
    explicit TFolderTree(const QStringList& roots, QWidget* parent = nullptr);
    ~TFolderTree() override;

    // Replaces the roots; an empty list goes back to the default roots.
    void setRoots(const QStringList& roots);
    void setRootPath(const QString& root) { setRoots(QStringList{root}); }
    QStringList roots() const;
    static QStringList defaultRoots();
    // Mount points of removable media in a /proc/self/mounts text for the given user.
    static QStringList mediaMountPoints(const QByteArray& mountsText, const QString& user);

    // 0 names unchanged, 1 upper case, 2 lower case.
    int DisplayMode() const { return m_displayMode; }
    void setDisplayMode(int mode);

    // Path of the selected node: "/" for the root folder, other folders without
    // a final "/"; empty when nothing is selected.
    QString SelectedPath() const;
    // Opens the tree down to path and selects the deepest node reached; true
    // when that node is the path itself.
    bool setSelectedPath(const QString& path);

    // Node of the path among the nodes read so far, or nullptr.
    QTreeWidgetItem* findNode(const QString& path) const;
    // Rereads the children of a node that has been read: new folders are
    // added in place, vanished ones removed, the others kept as they are.
    void refreshNode(QTreeWidgetItem* node);
    // Paths currently watched for changes (for diagnostics and tests).
    QStringList watchedPaths() const;

    // Name order of the tree (and of the file list): < 0, 0 or > 0.
    static int compareNames(const QString& a, const QString& b);
    static bool nameLess(const QString& a, const QString& b) { return compareNames(a, b) < 0; }

signals:
    // The selection changed (the shredder binds this to "apply folder").
    void changed();

protected:
    // "*" opens the current node alone: opening every folder below it would
    // read the whole file system while the window waits.
    void keyPressEvent(QKeyEvent* event) override;

private slots:
    void onItemExpanded(QTreeWidgetItem* item);
    void onItemCollapsed(QTreeWidgetItem* item);
    void onItemDoubleClicked(QTreeWidgetItem* item, int column);
    void onDirectoryChanged(const QString& path);
    void onMountsChanged();
    void processPending();

private:
    struct Entry {
        QString name;
        bool hasSubfolders = false;
        bool loop = false;
    };
    void init();
    void buildRoots(const QStringList& roots);
    QTreeWidgetItem* makeRoot(const QString& path);
    QTreeWidgetItem* makeChild(const QString& parentPath, const Entry& e);
    void fillNode(QTreeWidgetItem* node);
    bool readChildren(QTreeWidgetItem* node, QList<Entry>& out) const;
    void insertSorted(QTreeWidgetItem* parent, QTreeWidgetItem* child);
    void applyText(QTreeWidgetItem* item) const;
    void setMayHaveChildren(QTreeWidgetItem* item, bool may) const;
    void unwatchSubtree(QTreeWidgetItem* item);
    void watch(const QString& path);
    void collectNodes(QTreeWidgetItem* item, const QString& path, QList<QTreeWidgetItem*>& out) const;
    QList<QTreeWidgetItem*> nodesOf(const QString& path) const;
    QTreeWidgetItem* walkTo(const QString& path, bool fill);

    int m_displayMode = 0;
    bool m_defaultRoots = true;
    bool m_opening = false; // setSelectedPath() opens nodes it has just read
    QFileSystemWatcher* m_watcher = nullptr;
    QSocketNotifier* m_mountNotifier = nullptr;
    int m_mountsFd = -1;
    QTimer* m_pendingTimer = nullptr;
    QSet<QString> m_pending;
    QIcon m_closedIcon, m_openIcon;
};
