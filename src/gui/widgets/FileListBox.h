#pragma once
#include <QIcon>
#include <QListWidget>
#include <QString>
#include <QStringList>

class QDropEvent;
class QMimeData;

// The files of one folder that match a mask, sorted by name, each with a
// glyph; several can be selected and dragged out.
//
// - Only regular files are listed, hidden ones included: no folders, and no
//   symbolic links, pipes or devices. A link would let the shredder overwrite
//   the file it points to somewhere else, and a pipe would block it.
// - The mask holds patterns separated by ";"; spaces around a pattern are
//   ignored. "*" stands for any run of characters, "?" for one character,
//   everything else for itself; names are compared with case, as the file
//   system does. "*.*" means every file, those without a dot included. An
//   empty mask lists nothing.
// - Names are sorted as the folder tree sorts them (ASCII letters without
//   regard to case, other characters by code).
// - The executable glyph marks files with an execute permission bit and the
//   extensions .exe, .com, .bat, .pif and .sh (in any case); the file glyph
//   marks the others. Both glyphs can be replaced.
// - setDirectory() does not change the process's current directory: the
//   names are only meaningful beside directory(), so a user of the list (the
//   shredder) keeps the folder with the names it takes.
// - changed() is raised once after every reread and whenever the selection
//   changes.
// - A drag carries the selected names, one per line (UTF-8), under
//   MimeType; a drop target takes it only when isOwnDrag() says it comes from
//   this very list.
class TFileListBox : public QListWidget {
    Q_OBJECT
public:
    static inline const QString MimeType = QStringLiteral("application/x-zerath-filelist");
    enum Roles { ExecutableRole = Qt::UserRole + 1 };

    explicit TFileListBox(QWidget* parent = nullptr);

    QString directory() const { return m_dir; }
    // Rereads; an empty path leaves the list as it was.
    void setDirectory(const QString& path);
    QString mask() const { return m_mask; }
    void setMask(const QString& mask); // rereads
    void reread();

    QStringList names() const;         // every entry, top to bottom
    QStringList selectedNames() const; // selected entries, top to bottom

    void setExecutableIcon(const QIcon& icon);
    void setFileIcon(const QIcon& icon);
    QIcon executableIcon() const { return m_exeIcon; }
    QIcon fileIcon() const { return m_fileIcon; }

    // Whether name matches the mask as the list applies it.
    static bool matchesMask(const QString& name, const QString& mask);
    // Whether a file would get the executable glyph (by name and permission bits).
    static bool isExecutableName(const QString& name, unsigned mode);

    // The names carried by mime data of a drag from a file list.
    static QStringList namesFromMime(const QMimeData* data);
    // Whether a drop event carries a drag that started in this list.
    bool isOwnDrag(const QDropEvent* event) const;

signals:
    void changed();

protected:
    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QList<QListWidgetItem*>& items) const override;
    void startDrag(Qt::DropActions supportedActions) override;

private:
    void applyIcons();

    QString m_dir;
    QString m_mask = QStringLiteral("*.*");
    QIcon m_exeIcon, m_fileIcon;
    bool m_rereading = false;
};
