#include "widgets/FolderTree.h"
#include "widgets/ReadableColours.h"

#include <QKeyEvent>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QHash>
#include <QHeaderView>
#include <QSocketNotifier>
#include <QStyle>
#include <QTimer>

#include <algorithm>
#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Shows the busy cursor and holds window updates for as long as it lives.
class BusyScope {
public:
    explicit BusyScope(QWidget* w) : m_w(w), m_wasEnabled(w->updatesEnabled())
    {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        m_w->setUpdatesEnabled(false);
    }
    ~BusyScope()
    {
        m_w->setUpdatesEnabled(m_wasEnabled);
        QApplication::restoreOverrideCursor();
    }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

private:
    QWidget* m_w;
    bool m_wasEnabled;
};

QString cleanPath(const QString& path)
{
    if (path.isEmpty())
        return {};
    return QDir::cleanPath(path); // "/" stays "/", others lose a final "/"
}

QString childPath(const QString& parent, const QString& name)
{
    return parent.endsWith(QLatin1Char('/')) ? parent + name : parent + QLatin1Char('/') + name;
}

// Whether `path` lies inside `folder` (or is it).
bool isWithin(const QString& path, const QString& folder)
{
    if (path == folder)
        return true;
    if (folder == QLatin1String("/"))
        return path.startsWith(QLatin1Char('/'));
    return path.startsWith(folder) && path.size() > folder.size() && path[folder.size()] == QLatin1Char('/');
}

bool isDirAt(const QByteArray& full, const struct dirent* d, bool* isLink)
{
    *isLink = false;
    struct stat st;
    switch (d->d_type) {
    case DT_DIR:
        return true;
    case DT_LNK:
        *isLink = true;
        return ::stat(full.constData(), &st) == 0 && S_ISDIR(st.st_mode);
    case DT_UNKNOWN:
        if (::lstat(full.constData(), &st) != 0)
            return false;
        if (S_ISLNK(st.st_mode)) {
            *isLink = true;
            return ::stat(full.constData(), &st) == 0 && S_ISDIR(st.st_mode);
        }
        return S_ISDIR(st.st_mode);
    default:
        return false;
    }
}

bool isDotOrDotDot(const char* n)
{
    return n[0] == '.' && (n[1] == 0 || (n[1] == '.' && n[2] == 0));
}

// Whether a folder has at least one subfolder; a folder that cannot be read
// answers true, so that its node keeps the mark that it may have children.
bool hasSubfolders(const QByteArray& path)
{
    DIR* dir = ::opendir(path.constData());
    if (!dir)
        return true;
    bool found = false;
    while (const struct dirent* d = ::readdir(dir)) {
        if (isDotOrDotDot(d->d_name))
            continue;
        bool link = false;
        if (isDirAt(path + '/' + d->d_name, d, &link)) {
            found = true;
            break;
        }
    }
    ::closedir(dir);
    return found;
}

QString canonical(const QString& path)
{
    const QString c = QFileInfo(path).canonicalFilePath();
    return c.isEmpty() ? path : c;
}

QString currentUserName()
{
    if (const struct passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_name)
        return QString::fromLocal8Bit(pw->pw_name);
    return qEnvironmentVariable("USER");
}

// /proc/self/mounts writes a space, tab, newline and backslash in a path as
// a backslash and three octal digits.
QByteArray decodeMountField(const QByteArray& f)
{
    QByteArray out;
    out.reserve(f.size());
    for (qsizetype i = 0; i < f.size(); ++i) {
        if (f[i] == '\\' && i + 3 < f.size() && f[i + 1] >= '0' && f[i + 1] <= '7' && f[i + 2] >= '0'
            && f[i + 2] <= '7' && f[i + 3] >= '0' && f[i + 3] <= '7') {
            out += char(((f[i + 1] - '0') << 6) | ((f[i + 2] - '0') << 3) | (f[i + 3] - '0'));
            i += 3;
        } else {
            out += f[i];
        }
    }
    return out;
}

} // namespace

TFolderTree::TFolderTree(QWidget* parent) : QTreeWidget(parent)
{
    init();
    m_defaultRoots = true;
    buildRoots(defaultRoots());
}

TFolderTree::TFolderTree(const QStringList& roots, QWidget* parent) : QTreeWidget(parent)
{
    init();
    setRoots(roots);
}

TFolderTree::~TFolderTree()
{
    // No change events from a tree that is going away.
    blockSignals(true);
    clear();
    if (m_mountsFd >= 0)
        ::close(m_mountsFd);
}

void TFolderTree::init()
{
    setColumnCount(1);
    readable::keepSelectionReadable(this);
    header()->hide();
    // Long folder names are shown whole and scrolled to, not elided.
    header()->setStretchLastSection(false);
    header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setTextElideMode(Qt::ElideNone);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers); // labels are read-only
    setSortingEnabled(false);                            // the tree places children itself
    setUniformRowHeights(true);
    m_closedIcon = style()->standardIcon(QStyle::SP_DirClosedIcon);
    m_openIcon = style()->standardIcon(QStyle::SP_DirOpenIcon);

    m_watcher = new QFileSystemWatcher(this);
    connect(m_watcher, &QFileSystemWatcher::directoryChanged, this, &TFolderTree::onDirectoryChanged);
    // Bursts of changes (a folder tree being unpacked) are handled together.
    m_pendingTimer = new QTimer(this);
    m_pendingTimer->setSingleShot(true);
    m_pendingTimer->setInterval(40);
    connect(m_pendingTimer, &QTimer::timeout, this, &TFolderTree::processPending);

    connect(this, &QTreeWidget::itemExpanded, this, &TFolderTree::onItemExpanded);
    connect(this, &QTreeWidget::itemCollapsed, this, &TFolderTree::onItemCollapsed);
    connect(this, &QTreeWidget::itemDoubleClicked, this, &TFolderTree::onItemDoubleClicked);
    connect(this, &QTreeWidget::itemSelectionChanged, this, &TFolderTree::changed);

    // The kernel flags /proc/self/mounts as exceptional whenever a medium is
    // mounted or unmounted.
    m_mountsFd = ::open("/proc/self/mounts", O_RDONLY | O_CLOEXEC);
    if (m_mountsFd >= 0) {
        m_mountNotifier = new QSocketNotifier(m_mountsFd, QSocketNotifier::Exception, this);
        connect(m_mountNotifier, &QSocketNotifier::activated, this, &TFolderTree::onMountsChanged);
    }
}

// ---- roots ----

QStringList TFolderTree::mediaMountPoints(const QByteArray& mountsText, const QString& user)
{
    QStringList out;
    const QString runMedia = QStringLiteral("/run/media/") + user + QLatin1Char('/');
    for (const QByteArray& line : mountsText.split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() < 2)
            continue;
        const QString mp = QFile::decodeName(decodeMountField(fields[1]));
        const bool media = (mp.startsWith(QLatin1String("/media/")) && mp.size() > 7)
            || (mp.startsWith(runMedia) && mp.size() > runMedia.size()) || mp == QLatin1String("/mnt")
            || mp.startsWith(QLatin1String("/mnt/"));
        if (media && !out.contains(mp))
            out.append(mp);
    }
    return out;
}

QStringList TFolderTree::defaultRoots()
{
    QStringList roots{QStringLiteral("/")};
    const QString home = cleanPath(QDir::homePath());
    if (!home.isEmpty() && home != QLatin1String("/"))
        roots.append(home);
    QFile mounts(QStringLiteral("/proc/self/mounts"));
    if (mounts.open(QIODevice::ReadOnly)) {
        for (const QString& mp : mediaMountPoints(mounts.readAll(), currentUserName()))
            if (!roots.contains(mp))
                roots.append(mp);
    }
    return roots;
}

void TFolderTree::setRoots(const QStringList& roots)
{
    m_defaultRoots = roots.isEmpty();
    buildRoots(m_defaultRoots ? defaultRoots() : roots);
}

QStringList TFolderTree::roots() const
{
    QStringList out;
    for (int i = 0; i < topLevelItemCount(); ++i)
        out.append(topLevelItem(i)->data(0, PathRole).toString());
    return out;
}

void TFolderTree::buildRoots(const QStringList& roots)
{
    for (int i = 0; i < topLevelItemCount(); ++i)
        unwatchSubtree(topLevelItem(i));
    clear();
    QStringList seen;
    for (const QString& r : roots) {
        const QString p = cleanPath(r);
        if (p.isEmpty() || seen.contains(p))
            continue;
        seen.append(p);
        addTopLevelItem(makeRoot(p));
    }
}

QTreeWidgetItem* TFolderTree::makeRoot(const QString& path)
{
    auto* item = new QTreeWidgetItem;
    item->setData(0, PathRole, path);
    item->setData(0, NameRole, path);
    item->setData(0, KindRole, int(nkRoot));
    item->setData(0, FilledRole, false);
    item->setData(0, LoopRole, false);
    QIcon icon;
    if (path == QLatin1String("/"))
        icon = style()->standardIcon(QStyle::SP_DriveHDIcon);
    else if (path == cleanPath(QDir::homePath()))
        icon = style()->standardIcon(QStyle::SP_DirHomeIcon);
    else if (m_defaultRoots)
        icon = style()->standardIcon(QStyle::SP_DriveFDIcon);
    else
        icon = m_closedIcon;
    item->setIcon(0, icon);
    applyText(item);
    setMayHaveChildren(item, hasSubfolders(QFile::encodeName(path)));
    return item;
}

void TFolderTree::onMountsChanged()
{
    // The kernel reports each change once per poll; nothing to acknowledge.
    if (!m_defaultRoots)
        return;
    const QStringList wanted = defaultRoots();
    for (int i = topLevelItemCount() - 1; i >= 0; --i) {
        QTreeWidgetItem* item = topLevelItem(i);
        if (!wanted.contains(item->data(0, PathRole).toString())) {
            unwatchSubtree(item);
            delete takeTopLevelItem(i);
        }
    }
    for (int i = 0; i < wanted.size(); ++i) {
        if (i < topLevelItemCount() && topLevelItem(i)->data(0, PathRole).toString() == wanted[i])
            continue;
        insertTopLevelItem(i, makeRoot(wanted[i]));
    }
}

// ---- node text, marks and order ----

int TFolderTree::compareNames(const QString& a, const QString& b)
{
    const auto fold = [](char32_t c) -> char32_t { return (c >= U'a' && c <= U'z') ? c - 32 : c; };
    const QList<uint> ua = a.toUcs4();
    const QList<uint> ub = b.toUcs4();
    const qsizetype n = std::min(ua.size(), ub.size());
    for (qsizetype i = 0; i < n; ++i) {
        const char32_t ca = fold(ua[i]), cb = fold(ub[i]);
        if (ca != cb)
            return ca < cb ? -1 : 1;
    }
    if (ua.size() != ub.size())
        return ua.size() < ub.size() ? -1 : 1;
    // Names equal but for case ("readme" and "README" may both exist here):
    // order them by code so that the order is always the same.
    for (qsizetype i = 0; i < n; ++i)
        if (ua[i] != ub[i])
            return ua[i] < ub[i] ? -1 : 1;
    return 0;
}

void TFolderTree::applyText(QTreeWidgetItem* item) const
{
    const QString name = item->data(0, NameRole).toString();
    item->setText(0, m_displayMode == 1 ? name.toUpper() : m_displayMode == 2 ? name.toLower() : name);
    item->setToolTip(0, item->data(0, PathRole).toString());
}

void TFolderTree::setDisplayMode(int mode)
{
    if (mode < 0 || mode > 2 || mode == m_displayMode)
        return;
    m_displayMode = mode;
    QList<QTreeWidgetItem*> stack;
    for (int i = 0; i < topLevelItemCount(); ++i)
        stack.append(topLevelItem(i));
    while (!stack.isEmpty()) {
        QTreeWidgetItem* it = stack.takeLast();
        applyText(it);
        for (int i = 0; i < it->childCount(); ++i)
            stack.append(it->child(i));
    }
}

void TFolderTree::setMayHaveChildren(QTreeWidgetItem* item, bool may) const
{
    item->setChildIndicatorPolicy(may ? QTreeWidgetItem::ShowIndicator
                                      : QTreeWidgetItem::DontShowIndicatorWhenChildless);
}

void TFolderTree::insertSorted(QTreeWidgetItem* parent, QTreeWidgetItem* child)
{
    const QString name = child->data(0, NameRole).toString();
    int lo = 0, hi = parent->childCount();
    while (lo < hi) {
        const int mid = (lo + hi) / 2;
        if (compareNames(parent->child(mid)->data(0, NameRole).toString(), name) < 0)
            lo = mid + 1;
        else
            hi = mid;
    }
    parent->insertChild(lo, child);
}

// ---- reading folders ----

bool TFolderTree::readChildren(QTreeWidgetItem* node, QList<Entry>& out) const
{
    const QString path = node->data(0, PathRole).toString();
    const QByteArray enc = QFile::encodeName(path);
    DIR* dir = ::opendir(enc.constData());
    if (!dir)
        return false;

    // Folders of this node and its ancestors, to recognise links that lead back.
    QStringList chain;
    for (QTreeWidgetItem* it = node; it; it = it->parent())
        chain.append(canonical(it->data(0, PathRole).toString()));

    const QByteArray base = enc.endsWith('/') ? enc : enc + '/';
    while (const struct dirent* d = ::readdir(dir)) {
        if (isDotOrDotDot(d->d_name))
            continue;
        const QByteArray full = base + d->d_name;
        bool link = false;
        if (!isDirAt(full, d, &link))
            continue;
        Entry e;
        e.name = QFile::decodeName(d->d_name);
        if (link && chain.contains(canonical(QFile::decodeName(full))))
            e.loop = true;
        else
            e.hasSubfolders = hasSubfolders(full);
        out.append(e);
    }
    ::closedir(dir);
    std::sort(out.begin(), out.end(), [](const Entry& a, const Entry& b) { return nameLess(a.name, b.name); });
    return true;
}

QTreeWidgetItem* TFolderTree::makeChild(const QString& parentPath, const Entry& e)
{
    auto* item = new QTreeWidgetItem;
    const QString path = childPath(parentPath, e.name);
    item->setData(0, PathRole, path);
    item->setData(0, NameRole, e.name);
    item->setData(0, KindRole, int(nkFolder));
    item->setData(0, FilledRole, false);
    item->setData(0, LoopRole, e.loop);
    item->setIcon(0, e.loop ? style()->standardIcon(QStyle::SP_DirLinkIcon) : m_closedIcon);
    applyText(item);
    setMayHaveChildren(item, e.hasSubfolders);
    return item;
}

void TFolderTree::fillNode(QTreeWidgetItem* node)
{
    if (node->data(0, LoopRole).toBool() || node->data(0, FilledRole).toBool())
        return;
    QList<Entry> entries;
    {
        BusyScope busy(this);
        if (!readChildren(node, entries)) {
            // Unreadable: keep the mark, try again the next time it is opened.
            setMayHaveChildren(node, true);
            return;
        }
        const QString path = node->data(0, PathRole).toString();
        QList<QTreeWidgetItem*> items;
        items.reserve(entries.size());
        for (const Entry& e : entries)
            items.append(makeChild(path, e));
        node->addChildren(items);
        node->setData(0, FilledRole, true);
        setMayHaveChildren(node, !entries.isEmpty());
        watch(path);
    }
}

void TFolderTree::refreshNode(QTreeWidgetItem* node)
{
    if (!node)
        return;
    const QString path = node->data(0, PathRole).toString();
    if (!node->data(0, FilledRole).toBool()) {
        if (!node->data(0, LoopRole).toBool())
            setMayHaveChildren(node, hasSubfolders(QFile::encodeName(path)));
        return;
    }
    QList<Entry> entries;
    if (!readChildren(node, entries)) {
        // Gone or no longer readable: drop what was read, keep the mark.
        if (!QFileInfo(path).isDir()) {
            unwatchSubtree(node);
            qDeleteAll(node->takeChildren());
            node->setData(0, FilledRole, false);
        }
        setMayHaveChildren(node, true);
        return;
    }
    QHash<QString, const Entry*> fresh;
    for (const Entry& e : entries)
        fresh.insert(e.name, &e);

    const bool wasUpdating = updatesEnabled();
    setUpdatesEnabled(false);
    for (int i = node->childCount() - 1; i >= 0; --i) {
        QTreeWidgetItem* child = node->child(i);
        const QString name = child->data(0, NameRole).toString();
        const auto it = fresh.constFind(name);
        if (it == fresh.constEnd() || (*it)->loop != child->data(0, LoopRole).toBool()) {
            unwatchSubtree(child);
            delete node->takeChild(i);
            continue;
        }
        if (!child->data(0, FilledRole).toBool())
            setMayHaveChildren(child, (*it)->hasSubfolders);
        fresh.remove(name);
    }
    for (const Entry& e : entries)
        if (fresh.contains(e.name))
            insertSorted(node, makeChild(path, e));
    setMayHaveChildren(node, node->childCount() > 0);
    setUpdatesEnabled(wasUpdating);
}

// ---- watching ----

void TFolderTree::watch(const QString& path)
{
    // One folder may be shown by several nodes (the home folder is a root
    // and lies under "/"); the watcher holds each path once.
    if (!m_watcher->directories().contains(path))
        m_watcher->addPath(path);
}

void TFolderTree::unwatchSubtree(QTreeWidgetItem* item)
{
    QList<QTreeWidgetItem*> stack{item};
    QStringList filled;
    while (!stack.isEmpty()) {
        QTreeWidgetItem* it = stack.takeLast();
        if (it->data(0, FilledRole).toBool())
            filled.append(it->data(0, PathRole).toString());
        for (int i = 0; i < it->childCount(); ++i)
            stack.append(it->child(i));
    }
    for (const QString& p : filled) {
        // Keep the watch when another node still shows this folder read.
        const QList<QTreeWidgetItem*> others = nodesOf(p);
        const bool stillUsed = std::any_of(others.begin(), others.end(), [&](QTreeWidgetItem* o) {
            if (!o->data(0, FilledRole).toBool())
                return false;
            for (QTreeWidgetItem* a = o; a; a = a->parent())
                if (a == item)
                    return false;
            return true;
        });
        if (!stillUsed && m_watcher->directories().contains(p))
            m_watcher->removePath(p);
    }
}

QStringList TFolderTree::watchedPaths() const
{
    return m_watcher->directories();
}

void TFolderTree::onDirectoryChanged(const QString& path)
{
    m_pending.insert(path);
    m_pendingTimer->start();
}

void TFolderTree::processPending()
{
    const QSet<QString> paths = std::exchange(m_pending, {});
    for (const QString& path : paths) {
        if (QFileInfo(path).isDir()) {
            for (QTreeWidgetItem* node : nodesOf(path))
                refreshNode(node);
        } else {
            // The folder itself went away: its parent drops it.
            for (QTreeWidgetItem* node : nodesOf(path)) {
                if (node->parent())
                    refreshNode(node->parent());
                else
                    refreshNode(node);
            }
        }
    }
}

// ---- finding nodes ----

void TFolderTree::collectNodes(QTreeWidgetItem* item, const QString& path, QList<QTreeWidgetItem*>& out) const
{
    const QString p = item->data(0, PathRole).toString();
    if (p == path)
        out.append(item);
    if (!isWithin(path, p) || p == path)
        return;
    for (int i = 0; i < item->childCount(); ++i)
        collectNodes(item->child(i), path, out);
}

QList<QTreeWidgetItem*> TFolderTree::nodesOf(const QString& path) const
{
    QList<QTreeWidgetItem*> out;
    for (int i = 0; i < topLevelItemCount(); ++i)
        collectNodes(topLevelItem(i), path, out);
    return out;
}

QTreeWidgetItem* TFolderTree::walkTo(const QString& rawPath, bool fill)
{
    const QString path = cleanPath(rawPath);
    if (path.isEmpty())
        return nullptr;
    // Start at the root that holds the path most closely.
    QTreeWidgetItem* node = nullptr;
    qsizetype best = -1;
    for (int i = 0; i < topLevelItemCount(); ++i) {
        const QString r = topLevelItem(i)->data(0, PathRole).toString();
        if (isWithin(path, r) && r.size() > best) {
            best = r.size();
            node = topLevelItem(i);
        }
    }
    if (!node)
        return nullptr;
    const QString rootPath = node->data(0, PathRole).toString();
    const QStringList parts = path.mid(rootPath.size()).split(QLatin1Char('/'), Qt::SkipEmptyParts);
    for (const QString& part : parts) {
        if (fill)
            fillNode(node);
        QTreeWidgetItem* next = nullptr;
        for (int i = 0; i < node->childCount(); ++i)
            if (node->child(i)->data(0, NameRole).toString() == part) {
                next = node->child(i);
                break;
            }
        if (!next)
            break;
        node = next;
    }
    return node;
}

QTreeWidgetItem* TFolderTree::findNode(const QString& path) const
{
    QTreeWidgetItem* node = const_cast<TFolderTree*>(this)->walkTo(path, false);
    return node && node->data(0, PathRole).toString() == cleanPath(path) ? node : nullptr;
}

void TFolderTree::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Asterisk) {
        if (QTreeWidgetItem* item = currentItem()) item->setExpanded(true);
        event->accept();
        return;
    }
    QTreeWidget::keyPressEvent(event);
}

QString TFolderTree::SelectedPath() const
{
    const QList<QTreeWidgetItem*> sel = selectedItems();
    return sel.isEmpty() ? QString() : sel.first()->data(0, PathRole).toString();
}

bool TFolderTree::setSelectedPath(const QString& path)
{
    QTreeWidgetItem* node = walkTo(path, true);
    if (!node)
        return false;
    m_opening = true;
    for (QTreeWidgetItem* a = node->parent(); a; a = a->parent())
        a->setExpanded(true);
    m_opening = false;
    setCurrentItem(node);
    scrollToItem(node);
    return node->data(0, PathRole).toString() == cleanPath(path);
}

// ---- user actions ----

void TFolderTree::onItemExpanded(QTreeWidgetItem* item)
{
    if (!item->data(0, LoopRole).toBool() && item->data(0, KindRole).toInt() == nkFolder)
        item->setIcon(0, m_openIcon);
    if (item->data(0, FilledRole).toBool()) {
        if (!m_opening)
            refreshNode(item); // catches what was missed while it was closed
    }
    else
        fillNode(item);
}

void TFolderTree::onItemCollapsed(QTreeWidgetItem* item)
{
    if (!item->data(0, LoopRole).toBool() && item->data(0, KindRole).toInt() == nkFolder)
        item->setIcon(0, m_closedIcon);
}

void TFolderTree::onItemDoubleClicked(QTreeWidgetItem* item, int)
{
    if (!item)
        return;
    const QString path = item->data(0, PathRole).toString();
    if (!item->parent()) {
        refreshNode(item);
        return;
    }
    // The view still works on the clicked row after this signal, so the
    // reload (which may delete it) runs once the event has been handled.
    const bool gone = !QFileInfo(path).isDir();
    const QString target = gone ? item->parent()->data(0, PathRole).toString() : path;
    QTimer::singleShot(0, this, [this, target] {
        for (QTreeWidgetItem* node : nodesOf(target))
            refreshNode(node); // a gone folder's parent drops it; else re-check its subfolders
    });
}
