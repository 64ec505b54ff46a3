#include "TempDir.h"
#include "widgets/FolderTree.h"

#include <QDir>
#include <QFile>
#include <QFileSystemWatcher>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString qs(const std::string& s) { return QString::fromStdString(s); }

struct TreeFixture : ::testing::Test {
    zerath::test::TempDir tmp;
    QString root = QDir::cleanPath(qs(tmp.path()));

    QString p(const QString& rel) const { return root + QLatin1Char('/') + rel; }
    void mk(const QString& rel) const { ASSERT_TRUE(QDir().mkpath(p(rel))) << rel.toStdString(); }
    // Opens a node (reading its folder) and gives it back.
    static QTreeWidgetItem* expanded(QTreeWidgetItem* n)
    {
        n->setExpanded(true);
        return n;
    }
    static QStringList childNames(QTreeWidgetItem* n)
    {
        QStringList out;
        for (int i = 0; i < n->childCount(); ++i)
            out.append(n->child(i)->data(0, TFolderTree::NameRole).toString());
        return out;
    }
    static bool mayHaveChildren(QTreeWidgetItem* n)
    {
        return n->childIndicatorPolicy() == QTreeWidgetItem::ShowIndicator;
    }
};

TEST_F(TreeFixture, RootedAtOneFolderFillsOnlyWhenOpened)
{
    mk("a/b/c");
    mk("leaf");
    ASSERT_TRUE(QFile(p("file.txt")).open(QIODevice::WriteOnly)); // files are not listed
    TFolderTree tree(QStringList{root + "/"});
    EXPECT_EQ(tree.roots(), QStringList{root});
    QTreeWidgetItem* top = tree.topLevelItem(0);
    EXPECT_EQ(top->childCount(), 0);
    EXPECT_TRUE(mayHaveChildren(top));

    top->setExpanded(true);
    EXPECT_EQ(childNames(top), (QStringList{"a", "leaf"}));
    QTreeWidgetItem* a = top->child(0);
    EXPECT_EQ(a->data(0, TFolderTree::PathRole).toString(), p("a"));
    EXPECT_EQ(a->childCount(), 0); // not read before it is opened
    EXPECT_TRUE(mayHaveChildren(a));
    EXPECT_FALSE(mayHaveChildren(top->child(1))); // no subfolders: no expander

    a->setExpanded(true);
    EXPECT_EQ(childNames(a), QStringList{"b"});
    EXPECT_EQ(a->child(0)->childCount(), 0);
    EXPECT_TRUE(tree.watchedPaths().contains(p("a")));
}

TEST_F(TreeFixture, SortsLettersWithoutCaseOtherCharactersByCode)
{
    for (const char* n : {"Gamma", "alpha", "Beta", "_x", "Zulu", "1num", "[br", "readme", "README", "~t"})
        mk(n);
    TFolderTree tree(QStringList{root});
    tree.topLevelItem(0)->setExpanded(true);
    // Letters fold to upper case, so "_" (0x5F) and "[" (0x5B) follow "Z";
    // names equal but for case are ordered by code.
    EXPECT_EQ(childNames(tree.topLevelItem(0)),
              (QStringList{"1num", "alpha", "Beta", "Gamma", "README", "readme", "Zulu", "[br", "_x", "~t"}));

    EXPECT_LT(TFolderTree::compareNames("a", "_x"), 0);
    EXPECT_LT(TFolderTree::compareNames("Beta", "gamma"), 0);
    EXPECT_LT(TFolderTree::compareNames("ab", "ABC"), 0);
    EXPECT_EQ(TFolderTree::compareNames("same", "same"), 0);
}

TEST_F(TreeFixture, HiddenFoldersAreListed)
{
    mk("h/.only");
    mk(".top");
    TFolderTree tree(QStringList{root});
    QTreeWidgetItem* top = expanded(tree.topLevelItem(0));
    EXPECT_EQ(childNames(top), (QStringList{".top", "h"}));
    QTreeWidgetItem* h = top->child(1);
    EXPECT_TRUE(mayHaveChildren(h)); // its only subfolder is hidden
    h->setExpanded(true);
    EXPECT_EQ(childNames(h), QStringList{".only"});
}

TEST_F(TreeFixture, DisplayModeChangesTextOnly)
{
    mk("MiXed");
    TFolderTree tree(QStringList{root});
    QTreeWidgetItem* top = expanded(tree.topLevelItem(0));
    QTreeWidgetItem* n = top->child(0);
    EXPECT_EQ(n->text(0), "MiXed");
    tree.setDisplayMode(1);
    EXPECT_EQ(n->text(0), "MIXED");
    tree.setDisplayMode(2);
    EXPECT_EQ(n->text(0), "mixed");
    EXPECT_EQ(n->data(0, TFolderTree::PathRole).toString(), p("MiXed"));
    tree.setDisplayMode(0);
    EXPECT_EQ(n->text(0), "MiXed");
}

TEST_F(TreeFixture, SelectedPathRules)
{
    mk("a/b");
    TFolderTree tree(QStringList{root});
    QSignalSpy spy(&tree, &TFolderTree::changed);
    EXPECT_EQ(tree.SelectedPath(), QString());

    EXPECT_TRUE(tree.setSelectedPath(p("a/b/")));
    EXPECT_EQ(tree.SelectedPath(), p("a/b")); // no final "/"
    EXPECT_GE(spy.count(), 1);
    EXPECT_TRUE(tree.topLevelItem(0)->isExpanded());
    EXPECT_TRUE(tree.topLevelItem(0)->child(0)->isExpanded());

    tree.setCurrentItem(tree.topLevelItem(0));
    EXPECT_EQ(tree.SelectedPath(), root);

    // A path that is not there: the deepest existing node is selected.
    EXPECT_FALSE(tree.setSelectedPath(p("a/missing/deeper")));
    EXPECT_EQ(tree.SelectedPath(), p("a"));
    EXPECT_FALSE(tree.setSelectedPath("/nowhere/else"));

    spy.clear();
    tree.clearSelection();
    EXPECT_EQ(tree.SelectedPath(), QString());
    EXPECT_EQ(spy.count(), 1);

    TFolderTree fsRoot(QStringList{"/"});
    EXPECT_TRUE(fsRoot.setSelectedPath("/"));
    EXPECT_EQ(fsRoot.SelectedPath(), "/");
    EXPECT_TRUE(fsRoot.setSelectedPath(p("a")));
    EXPECT_EQ(fsRoot.SelectedPath(), p("a"));
}

TEST_F(TreeFixture, DefaultRootsStartWithRootAndHome)
{
    TFolderTree tree;
    const QStringList roots = tree.roots();
    ASSERT_FALSE(roots.isEmpty());
    EXPECT_EQ(roots.first(), "/");
    if (QDir::homePath() != "/") {
        EXPECT_EQ(roots.value(1), QDir::cleanPath(QDir::homePath()));
    }
    EXPECT_TRUE(tree.setSelectedPath(QDir::tempPath()));
    EXPECT_EQ(tree.SelectedPath(), QDir::cleanPath(QDir::tempPath()));
    tree.findNode("/")->setExpanded(true); // reading "/" (with /proc, /sys) stays quiet
    EXPECT_NE(tree.findNode("/proc"), nullptr);
    // The home folder is reached through its own root.
    if (QDir::homePath() != "/" && QDir(QDir::homePath()).exists()) {
        EXPECT_TRUE(tree.setSelectedPath(QDir::homePath()));
        EXPECT_EQ(tree.currentItem(), tree.topLevelItem(1));
    }
}

TEST(FolderTreeMounts, MediaMountPointsFromMountTable)
{
    const QByteArray text = "/dev/sda1 / ext4 rw 0 0\n"
                            "proc /proc proc rw 0 0\n"
                            "/dev/sdb1 /media/ann/MY\\040STICK vfat rw 0 0\n"
                            "/dev/sdc1 /run/media/ann/DISK ext4 rw 0 0\n"
                            "/dev/sdd1 /run/media/bob/OTHER ext4 rw 0 0\n"
                            "/dev/sde1 /mnt/data ext4 rw 0 0\n"
                            "/dev/sde1 /mnt/data ext4 rw 0 0\n"
                            "tmpfs /media tmpfs rw 0 0\n";
    EXPECT_EQ(TFolderTree::mediaMountPoints(text, "ann"),
              (QStringList{"/media/ann/MY STICK", "/run/media/ann/DISK", "/mnt/data"}));
}

TEST_F(TreeFixture, FollowsFoldersMadeRenamedAndRemovedByOthers)
{
    mk("Beta/inner");
    mk("gamma");
    TFolderTree tree(QStringList{root});
    QTreeWidgetItem* top = expanded(tree.topLevelItem(0));
    QTreeWidgetItem* beta = top->child(0);
    beta->setExpanded(true);
    ASSERT_EQ(childNames(beta), QStringList{"inner"});

    mk("alpha");
    EXPECT_TRUE(QTest::qWaitFor([&] { return childNames(top).size() == 3; }, 5000));
    EXPECT_EQ(childNames(top), (QStringList{"alpha", "Beta", "gamma"}));
    EXPECT_EQ(top->child(1), beta); // kept, with its expansion and children
    EXPECT_TRUE(beta->isExpanded());
    EXPECT_EQ(childNames(beta), QStringList{"inner"});

    // A change deeper down, in an expanded child.
    mk("Beta/Another");
    EXPECT_TRUE(QTest::qWaitFor([&] { return childNames(beta).size() == 2; }, 5000));
    EXPECT_EQ(childNames(beta), (QStringList{"Another", "inner"}));

    ASSERT_TRUE(QDir(root).rename("alpha", "zeta"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return childNames(top).contains("zeta"); }, 5000));
    EXPECT_EQ(childNames(top), (QStringList{"Beta", "gamma", "zeta"}));

    ASSERT_TRUE(QDir(p("Beta")).removeRecursively());
    EXPECT_TRUE(QTest::qWaitFor([&] { return childNames(top).size() == 2; }, 5000));
    EXPECT_EQ(childNames(top), (QStringList{"gamma", "zeta"}));
    EXPECT_FALSE(tree.watchedPaths().contains(p("Beta")));
    EXPECT_EQ(tree.findNode(p("Beta")), nullptr);

    // A leaf folder that was never opened is read afresh when it is opened.
    QTreeWidgetItem* gamma = tree.findNode(p("gamma"));
    ASSERT_NE(gamma, nullptr);
    EXPECT_FALSE(mayHaveChildren(gamma));
    mk("gamma/sub");
    gamma->setExpanded(true);
    EXPECT_EQ(childNames(gamma), QStringList{"sub"});
}

TEST_F(TreeFixture, DoubleClickOnAGoneFolderReloadsItsParent)
{
    mk("keep");
    mk("gone");
    TFolderTree tree(QStringList{root});
    tree.findChild<QFileSystemWatcher*>()->blockSignals(true); // only the double-click may notice
    QTreeWidgetItem* top = expanded(tree.topLevelItem(0));
    ASSERT_EQ(childNames(top), (QStringList{"gone", "keep"}));
    ASSERT_TRUE(QDir(root).rmdir("gone"));
    QTest::qWait(100);
    EXPECT_EQ(childNames(top).size(), 2);
    emit tree.itemDoubleClicked(top->child(0), 0);
    EXPECT_TRUE(QTest::qWaitFor([&] { return childNames(top).size() == 1; }, 2000));
    EXPECT_EQ(childNames(top), QStringList{"keep"});
}

TEST_F(TreeFixture, LinksBackToAnAncestorAreNotFollowed)
{
    mk("a/b");
    mk("elsewhere/x");
    ASSERT_EQ(::symlink(p("a").toUtf8().constData(), p("a/b/up").toUtf8().constData()), 0);
    ASSERT_EQ(::symlink(p("elsewhere").toUtf8().constData(), p("a/side").toUtf8().constData()), 0);
    TFolderTree tree(QStringList{root});
    ASSERT_TRUE(tree.setSelectedPath(p("a/b")));
    QTreeWidgetItem* b = tree.currentItem();
    b->setExpanded(true);
    ASSERT_EQ(childNames(b), QStringList{"up"});
    QTreeWidgetItem* up = b->child(0);
    EXPECT_TRUE(up->data(0, TFolderTree::LoopRole).toBool());
    EXPECT_FALSE(mayHaveChildren(up));
    up->setExpanded(true);
    EXPECT_EQ(up->childCount(), 0);

    // A link elsewhere is an ordinary folder.
    QTreeWidgetItem* side = tree.findNode(p("a/side"));
    ASSERT_NE(side, nullptr);
    EXPECT_FALSE(side->data(0, TFolderTree::LoopRole).toBool());
    side->setExpanded(true);
    EXPECT_EQ(childNames(side), QStringList{"x"});
}

TEST_F(TreeFixture, UnreadableFolderKeepsItsMark)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "permissions do not bind the super-user";
    mk("locked/inside");
    ASSERT_EQ(::chmod(p("locked").toUtf8().constData(), 0), 0);
    TFolderTree tree(QStringList{root});
    tree.topLevelItem(0)->setExpanded(true);
    QTreeWidgetItem* locked = tree.findNode(p("locked"));
    ASSERT_NE(locked, nullptr);
    EXPECT_TRUE(mayHaveChildren(locked));
    locked->setExpanded(true);
    EXPECT_EQ(locked->childCount(), 0);
    EXPECT_TRUE(mayHaveChildren(locked));
    ::chmod(p("locked").toUtf8().constData(), 0755);
}

} // namespace
