// The folder tree and the file list the shredder picks files from: what they
// list, in which order, and how they follow the disk.
#include <QDir>
#include <QFile>
#include <QTest>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include "TempDir.h"
#include "widgets/FileListBox.h"
#include "widgets/FolderTree.h"

namespace {

struct FolderTest : ::testing::Test {
    zerath::test::TempDir tmp;
    QString root = QDir::cleanPath(QString::fromStdString(tmp.path()));

    QString p(const QString& rel) const { return root + "/" + rel; }
    void mk(const QString& rel) const { ASSERT_TRUE(QDir().mkpath(p(rel))); }
    void touch(const QString& rel) const { zerath::test::writeFile(p(rel).toStdString(), "x"); }
    static QStringList children(QTreeWidgetItem* n)
    {
        n->setExpanded(true);
        QStringList out;
        for (int i = 0; i < n->childCount(); ++i)
            out << n->child(i)->data(0, TFolderTree::NameRole).toString();
        return out;
    }
    static bool expander(QTreeWidgetItem* n) { return n->childIndicatorPolicy() == QTreeWidgetItem::ShowIndicator; }
};

TEST_F(FolderTest, TreeListsFoldersOnlyWhenOpenedInItsOrder)
{
    for (const char* n : {"Gamma/x", "alpha", "Beta", "_x", "1num", "readme", "README", ".hidden/.only"})
        mk(n);
    touch("file.txt");
    TFolderTree tree(QStringList{root + "/"});
    QTreeWidgetItem* top = tree.topLevelItem(0);
    EXPECT_EQ(top->childCount(), 0) << "read when opened";
    // Letters fold to upper case, so "_" (0x5F) follows "Z"; equal but for case: by code.
    EXPECT_EQ(children(top), (QStringList{".hidden", "1num", "alpha", "Beta", "Gamma", "README", "readme", "_x"}));
    EXPECT_TRUE(expander(tree.findNode(p(".hidden"))));
    EXPECT_FALSE(expander(tree.findNode(p("alpha"))));
    EXPECT_EQ(tree.findNode(p("Gamma"))->childCount(), 0);
}

TEST_F(FolderTest, SelectingAPathOpensItsAncestorsOrStopsAtTheDeepestThere)
{
    mk("a/b");
    TFolderTree tree(QStringList{root});
    EXPECT_TRUE(tree.setSelectedPath(p("a/b/")));
    EXPECT_EQ(tree.SelectedPath(), p("a/b"));
    EXPECT_FALSE(tree.setSelectedPath(p("a/missing/deeper")));
    EXPECT_EQ(tree.SelectedPath(), p("a"));
    EXPECT_FALSE(tree.setSelectedPath("/nowhere/else"));
}

TEST_F(FolderTest, TreeFollowsFoldersMadeRenamedAndRemovedByOthers)
{
    mk("Beta/inner");
    TFolderTree tree(QStringList{root});
    QTreeWidgetItem* top = tree.topLevelItem(0);
    ASSERT_EQ(children(top), QStringList{"Beta"});
    QTreeWidgetItem* beta = tree.findNode(p("Beta"));
    ASSERT_EQ(children(beta), QStringList{"inner"});
    const auto waitFor = [&](QTreeWidgetItem* n, const QStringList& names) {
        return QTest::qWaitFor([&] { return children(n) == names; }, 5000);
    };
    mk("alpha");
    EXPECT_TRUE(waitFor(top, {"alpha", "Beta"}));
    EXPECT_EQ(tree.findNode(p("Beta")), beta) << "kept, with its children";
    mk("Beta/Another");
    EXPECT_TRUE(waitFor(beta, {"Another", "inner"}));
    ASSERT_TRUE(QDir(root).rename("alpha", "zeta"));
    EXPECT_TRUE(waitFor(top, {"Beta", "zeta"}));
    ASSERT_TRUE(QDir(p("Beta")).removeRecursively());
    EXPECT_TRUE(waitFor(top, {"zeta"}));
    EXPECT_EQ(tree.findNode(p("Beta")), nullptr);
}

TEST_F(FolderTest, LinksBackToAnAncestorAreNotFollowed)
{
    mk("a/b");
    mk("elsewhere/x");
    ASSERT_EQ(::symlink(p("a").toUtf8().constData(), p("a/b/up").toUtf8().constData()), 0);
    ASSERT_EQ(::symlink(p("elsewhere").toUtf8().constData(), p("a/side").toUtf8().constData()), 0);
    TFolderTree tree(QStringList{root});
    ASSERT_TRUE(tree.setSelectedPath(p("a/b")));
    ASSERT_EQ(children(tree.currentItem()), QStringList{"up"});
    EXPECT_TRUE(children(tree.findNode(p("a/b/up"))).isEmpty());
    EXPECT_EQ(children(tree.findNode(p("a/side"))), QStringList{"x"});
}

TEST_F(FolderTest, FileListShowsRegularFilesMatchingTheMaskWithoutCase)
{
    for (const char* n : {"a.txt", "b.doc", "noext", ".hidden", "Upper.TXT", "ab.txt"})
        touch(n);
    mk("folder.txt");
    ASSERT_EQ(::symlink("a.txt", p("link.txt").toUtf8().constData()), 0);
    ASSERT_EQ(::mkfifo(p("pipe.txt").toUtf8().constData(), 0600), 0);
    TFileListBox list;
    list.setDirectory(root);
    const std::pair<const char*, QStringList> rows[] = {
        {"*.*", {".hidden", "a.txt", "ab.txt", "b.doc", "noext", "Upper.TXT"}},
        {"*.txt;*.doc", {"a.txt", "ab.txt", "b.doc", "Upper.TXT"}},
        {" ?.txt ; *.TXT;", {"a.txt", "ab.txt", "Upper.TXT"}},
        {"", {}},
    };
    for (const auto& [mask, names] : rows) {
        list.setMask(mask);
        EXPECT_EQ(list.names(), names) << mask;
    }
}

} // namespace
