#include "TempDir.h"
#include "widgets/FileListBox.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMimeData>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct ListFixture : ::testing::Test {
    zerath::test::TempDir tmp;
    QString dir = QDir::cleanPath(QString::fromStdString(tmp.path()));

    void touch(const QString& name, mode_t mode = 0644) const
    {
        QFile f(dir + "/" + name);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << name.toStdString();
        f.write("x");
        f.close();
        ASSERT_EQ(::chmod(QFile::encodeName(f.fileName()).constData(), mode), 0);
    }
};

TEST_F(ListFixture, MaskSelectsRegularFilesOnly)
{
    for (const char* n : {"a.txt", "b.doc", "c.bin", "noext", ".hidden", "Upper.TXT", "ab.txt"})
        touch(n);
    ASSERT_TRUE(QDir(dir).mkdir("folder.txt"));
    ASSERT_EQ(::symlink("a.txt", QFile::encodeName(dir + "/link.txt").constData()), 0);
    ASSERT_EQ(::mkfifo(QFile::encodeName(dir + "/pipe.txt").constData(), 0600), 0);

    TFileListBox list;
    EXPECT_EQ(list.mask(), "*.*");
    list.setDirectory(dir);
    EXPECT_EQ(list.directory(), dir);
    // "*.*" lists every file, those without a dot and hidden ones too.
    EXPECT_EQ(list.names(), (QStringList{".hidden", "a.txt", "ab.txt", "b.doc", "c.bin", "noext", "Upper.TXT"}));

    list.setMask("*.txt;*.doc");
    EXPECT_EQ(list.names(), (QStringList{"a.txt", "ab.txt", "b.doc"})); // with case: not Upper.TXT
    list.setMask(" ?.txt ; *.TXT;");
    EXPECT_EQ(list.names(), (QStringList{"a.txt", "Upper.TXT"}));
    list.setMask("*");
    EXPECT_EQ(list.names().size(), 7);
    list.setMask("");
    EXPECT_TRUE(list.names().isEmpty());
    list.setMask(";");
    EXPECT_TRUE(list.names().isEmpty());

    EXPECT_TRUE(TFileListBox::matchesMask("a.b.c", "*.c"));
    EXPECT_TRUE(TFileListBox::matchesMask("abc", "a*c*"));
    EXPECT_FALSE(TFileListBox::matchesMask("abc", "a?"));
    EXPECT_FALSE(TFileListBox::matchesMask("a[1]", "a[0-9]"));
    EXPECT_TRUE(TFileListBox::matchesMask("a[1]", "a[?]"));
    EXPECT_TRUE(TFileListBox::matchesMask("x", "*.*"));
    EXPECT_FALSE(TFileListBox::matchesMask("x", "*.x"));
}

TEST_F(ListFixture, SortedByNameWithoutCase)
{
    for (const char* n : {"Gamma", "alpha", "Beta", "_u", "10", "README", "readme"})
        touch(n);
    TFileListBox list;
    list.setDirectory(dir);
    EXPECT_EQ(list.names(), (QStringList{"10", "alpha", "Beta", "Gamma", "README", "readme", "_u"}));
}

TEST_F(ListFixture, GlyphsMarkExecutables)
{
    touch("tool", 0755);
    touch("onlygroup", 0610);
    touch("SETUP.EXE");
    touch("run.sh");
    touch("x.com");
    touch("y.bat");
    touch("z.pif");
    touch("notes.txt");
    touch("exe");
    TFileListBox list;
    QPixmap red(16, 16), blue(16, 16);
    red.fill(Qt::red);
    blue.fill(Qt::blue);
    list.setDirectory(dir);
    const QIcon exeIcon(red), fileIcon(blue);
    list.setExecutableIcon(exeIcon);
    list.setFileIcon(fileIcon);
    for (int i = 0; i < list.count(); ++i) {
        const QString n = list.item(i)->text();
        const bool exe = n != "notes.txt" && n != "exe";
        EXPECT_EQ(list.item(i)->data(TFileListBox::ExecutableRole).toBool(), exe) << n.toStdString();
        EXPECT_EQ(list.item(i)->icon().cacheKey(), (exe ? exeIcon : fileIcon).cacheKey()) << n.toStdString();
    }
    list.reread(); // the glyphs stay in use for later reads
    EXPECT_EQ(list.item(0)->icon().cacheKey(), fileIcon.cacheKey()); // "exe"
}

TEST_F(ListFixture, ChangedAfterEveryRereadAndSelection)
{
    touch("one");
    touch("two");
    const QString cwd = QDir::currentPath();
    TFileListBox list;
    QSignalSpy spy(&list, &TFileListBox::changed);
    list.setDirectory(dir);
    EXPECT_EQ(spy.count(), 1);
    EXPECT_EQ(QDir::currentPath(), cwd); // the process's folder stays where it was
    list.item(0)->setSelected(true);
    EXPECT_EQ(spy.count(), 2);
    list.reread(); // drops the selection, one event all the same
    EXPECT_EQ(spy.count(), 3);
    list.setMask("o*");
    EXPECT_EQ(spy.count(), 4);
    list.setDirectory(""); // an empty path leaves the list as it was
    EXPECT_EQ(spy.count(), 4);
    EXPECT_EQ(list.names(), QStringList{"one"});
    EXPECT_EQ(list.directory(), dir);
    list.setDirectory(dir + "/missing");
    EXPECT_EQ(spy.count(), 5);
    EXPECT_TRUE(list.names().isEmpty());
}

TEST_F(ListFixture, DragCarriesSelectedNamesInListOrder)
{
    for (const char* n : {"a", "b", "c", "d"})
        touch(n);
    TFileListBox list;
    list.setDirectory(dir);
    EXPECT_EQ(list.selectionMode(), QAbstractItemView::ExtendedSelection);
    list.item(3)->setSelected(true);
    list.item(0)->setSelected(true);
    list.item(2)->setSelected(true);
    EXPECT_EQ(list.selectedNames(), (QStringList{"a", "c", "d"}));

    const QModelIndexList sel = list.selectionModel()->selectedIndexes();
    std::unique_ptr<QMimeData> data(list.model()->mimeData(sel));
    ASSERT_NE(data, nullptr);
    EXPECT_TRUE(data->hasFormat(TFileListBox::MimeType));
    EXPECT_EQ(TFileListBox::namesFromMime(data.get()), (QStringList{"a", "c", "d"}));

    // Mime data alone does not make a drop acceptable: only a drag that
    // started in this list does, and none is under way here.
    QDropEvent drop(QPointF(1, 1), Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
    EXPECT_FALSE(list.isOwnDrag(&drop));
    QMimeData foreign;
    foreign.setText("a\nc");
    EXPECT_TRUE(TFileListBox::namesFromMime(&foreign).isEmpty());
    EXPECT_TRUE(TFileListBox::namesFromMime(nullptr).isEmpty());
}

TEST_F(ListFixture, ManyEntriesRestoreTheCursor)
{
    for (int i = 0; i < 150; ++i)
        touch(QString("f%1.dat").arg(i, 3, 10, QLatin1Char('0')));
    TFileListBox list;
    list.setDirectory(dir);
    EXPECT_EQ(list.count(), 150);
    EXPECT_EQ(list.names().first(), "f000.dat");
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

} // namespace
