#include "widgets/FileListBox.h"
#include "widgets/ReadableColours.h"

#include "widgets/FolderTree.h"

#include <QApplication>
#include <QDir>
#include <QDrag>
#include <QDropEvent>
#include <QFile>
#include <QMimeData>
#include <QPainter>
#include <QStyle>

#include <algorithm>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString kSourceType = TFileListBox::MimeType + QStringLiteral("-source");

QByteArray sourceTag(const TFileListBox* list)
{
    return QByteArray::number(qint64(::getpid())) + ':'
        + QByteArray::number(quintptr(list), 16);
}

// "*" any run, "?" one character, the rest literally; with case.
bool globMatch(const QList<uint>& name, const QList<uint>& pat)
{
    qsizetype n = 0, p = 0, starP = -1, starN = 0;
    while (n < name.size()) {
        if (p < pat.size() && (pat[p] == '?' || pat[p] == name[n])) {
            ++n;
            ++p;
        } else if (p < pat.size() && pat[p] == '*') {
            starP = p++;
            starN = n;
        } else if (starP >= 0) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pat.size() && pat[p] == '*')
        ++p;
    return p == pat.size();
}

QStringList maskPatterns(const QString& mask)
{
    QStringList out;
    for (const QString& part : mask.split(QLatin1Char(';'))) {
        const QString p = part.trimmed();
        if (p.isEmpty())
            continue;
        // "*.*" listed every file under Windows, those without a dot too.
        out.append(p == QLatin1String("*.*") ? QStringLiteral("*") : p);
    }
    return out;
}

class CursorScope {
public:
    CursorScope() = default;
    ~CursorScope()
    {
        if (m_on)
            QApplication::restoreOverrideCursor();
    }
    CursorScope(const CursorScope&) = delete;
    CursorScope& operator=(const CursorScope&) = delete;
    void busy()
    {
        if (!m_on) {
            QApplication::setOverrideCursor(Qt::WaitCursor);
            m_on = true;
        }
    }

private:
    bool m_on = false;
};

} // namespace

TFileListBox::TFileListBox(QWidget* parent) : QListWidget(parent)
{
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSortingEnabled(false); // entries are placed in order by reread()
    setDragEnabled(true);
    setDragDropMode(QAbstractItemView::DragOnly);
    setDefaultDropAction(Qt::CopyAction);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    readable::keepSelectionReadable(this);
    m_fileIcon = style()->standardIcon(QStyle::SP_FileIcon);
    m_exeIcon = QIcon::fromTheme(QStringLiteral("application-x-executable"),
                                 style()->standardIcon(QStyle::SP_CommandLink));
    connect(this, &QListWidget::itemSelectionChanged, this, [this] {
        if (!m_rereading)
            emit changed();
    });
}

bool TFileListBox::matchesMask(const QString& name, const QString& mask)
{
    // Letter case does not count: "*.PDF" lists a.pdf.
    const QList<uint> n = name.toCaseFolded().toUcs4();
    const QStringList pats = maskPatterns(mask);
    return std::any_of(pats.begin(), pats.end(),
                       [&](const QString& p) { return globMatch(n, p.toCaseFolded().toUcs4()); });
}

bool TFileListBox::isExecutableName(const QString& name, unsigned mode)
{
    if (mode & (S_IXUSR | S_IXGRP | S_IXOTH))
        return true;
    static const char* const exts[] = {".exe", ".com", ".bat", ".pif", ".sh"};
    return std::any_of(std::begin(exts), std::end(exts),
                       [&](const char* e) { return name.endsWith(QLatin1String(e), Qt::CaseInsensitive); });
}

void TFileListBox::setDirectory(const QString& path)
{
    if (path.isEmpty())
        return;
    m_dir = QDir::cleanPath(path);
    reread();
}

void TFileListBox::setMask(const QString& mask)
{
    m_mask = mask;
    reread();
}

void TFileListBox::reread()
{
    struct Found {
        QString name;
        bool exe;
    };
    QList<Found> found;
    CursorScope cursor;
    const QStringList pats = maskPatterns(m_mask);
    if (!m_dir.isEmpty() && !pats.isEmpty()) {
        QList<QList<uint>> patCodes;
        for (const QString& p : pats)
            patCodes.append(p.toCaseFolded().toUcs4()); // "*.pdf" lists UPPER.PDF
        if (DIR* dir = ::opendir(QFile::encodeName(m_dir).constData())) {
            const int fd = ::dirfd(dir);
            while (const struct dirent* d = ::readdir(dir)) {
                if (d->d_type != DT_REG && d->d_type != DT_UNKNOWN)
                    continue;
                const QString name = QFile::decodeName(d->d_name);
                const QList<uint> codes = name.toCaseFolded().toUcs4();
                if (!std::any_of(patCodes.begin(), patCodes.end(),
                                 [&](const QList<uint>& p) { return globMatch(codes, p); }))
                    continue;
                struct stat st;
                if (::fstatat(fd, d->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(st.st_mode))
                    continue;
                found.append({name, isExecutableName(name, st.st_mode)});
                if (found.size() > 100)
                    cursor.busy();
            }
            ::closedir(dir);
        }
    }
    std::sort(found.begin(), found.end(),
              [](const Found& a, const Found& b) { return TFolderTree::nameLess(a.name, b.name); });

    m_rereading = true;
    const bool wasUpdating = updatesEnabled();
    setUpdatesEnabled(false);
    clear();
    for (const Found& f : found) {
        auto* item = new QListWidgetItem(f.exe ? m_exeIcon : m_fileIcon, f.name);
        item->setData(ExecutableRole, f.exe);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled);
        addItem(item);
    }
    setUpdatesEnabled(wasUpdating);
    m_rereading = false;
    emit changed();
}

QStringList TFileListBox::names() const
{
    QStringList out;
    for (int i = 0; i < count(); ++i)
        out.append(item(i)->text());
    return out;
}

QStringList TFileListBox::selectedNames() const
{
    QStringList out;
    for (int i = 0; i < count(); ++i)
        if (item(i)->isSelected())
            out.append(item(i)->text());
    return out;
}

void TFileListBox::applyIcons()
{
    for (int i = 0; i < count(); ++i)
        item(i)->setIcon(item(i)->data(ExecutableRole).toBool() ? m_exeIcon : m_fileIcon);
}

void TFileListBox::setExecutableIcon(const QIcon& icon)
{
    m_exeIcon = icon;
    applyIcons();
}

void TFileListBox::setFileIcon(const QIcon& icon)
{
    m_fileIcon = icon;
    applyIcons();
}

// ---- dragging ----

QStringList TFileListBox::mimeTypes() const
{
    return {MimeType, kSourceType};
}

QMimeData* TFileListBox::mimeData(const QList<QListWidgetItem*>& items) const
{
    QList<QListWidgetItem*> sorted = items;
    std::sort(sorted.begin(), sorted.end(),
              [this](QListWidgetItem* a, QListWidgetItem* b) { return row(a) < row(b); });
    QStringList names;
    for (QListWidgetItem* it : sorted)
        names.append(it->text());
    auto* data = new QMimeData;
    data->setData(MimeType, names.join(QLatin1Char('\n')).toUtf8());
    data->setData(kSourceType, sourceTag(this));
    return data;
}

QStringList TFileListBox::namesFromMime(const QMimeData* data)
{
    if (!data || !data->hasFormat(MimeType))
        return {};
    const QString text = QString::fromUtf8(data->data(MimeType));
    return text.isEmpty() ? QStringList() : text.split(QLatin1Char('\n'));
}

bool TFileListBox::isOwnDrag(const QDropEvent* event) const
{
    if (!event || event->source() != this)
        return false;
    const QMimeData* data = event->mimeData();
    return data && data->hasFormat(MimeType) && data->data(kSourceType) == sourceTag(this);
}

void TFileListBox::startDrag(Qt::DropActions supportedActions)
{
    QList<QListWidgetItem*> items = selectedItems();
    if (items.isEmpty())
        return;
    auto* drag = new QDrag(this);
    drag->setMimeData(mimeData(items));
    // One glyph for a single file, a small stack of glyphs for several.
    const int s = style()->pixelMetric(QStyle::PM_SmallIconSize, nullptr, this);
    const QPixmap one = items.first()->icon().pixmap(s, s);
    if (items.size() == 1) {
        drag->setPixmap(one);
    } else {
        QPixmap stack(s + 6, s + 6);
        stack.fill(Qt::transparent);
        QPainter p(&stack);
        for (int k = 2; k >= 0; --k)
            p.drawPixmap(k * 3, k * 3, one);
        p.end();
        drag->setPixmap(stack);
    }
    drag->exec(supportedActions & Qt::CopyAction ? Qt::CopyAction : supportedActions, Qt::CopyAction);
}
