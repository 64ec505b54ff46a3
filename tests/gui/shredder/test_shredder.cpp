// The shredder window: which drops it takes, what a run wipes and what it
// leaves after each answer or failure, and how a run keeps the lists still.
#include <QDir>
#include <QDropEvent>
#include <QMimeData>

#include "GuiFixture.h"
#include "widgets/ALProgressBar.h"
#include "widgets/FileListBox.h"
#include "widgets/FolderTree.h"
#include "windows/ShredderForm.h"
#include "windows/ShredderText.h"

using namespace guitest;
using Names = QStringList;

namespace {

// The tree is rooted at the test's folder, which holds alpha (shown) and beta.
struct ShredderTest : GuiTest {
    void SetUp() override
    {
        GuiTest::SetUp();
        for (const auto& [name, size] : {std::pair{"alpha/a.txt", 10}, {"alpha/b.doc", 1536}, {"alpha/c.txt", 1000},
                                         {"alpha/d.bin", 3000}, {"beta/other.txt", 5}}) {
            QDir().mkpath(QFileInfo(qfile(name)).path());
            zerath::test::writeFile(file(name), std::string(size, 'q'));
        }
        ctx = std::make_unique<AppContext>(qfile("program"));
        ctx->setPassCountProvider([this] { return passes; });
        form = std::make_unique<TShredderForm>(*ctx, QStringList{qfile("").chopped(1)});
        ASSERT_TRUE(form->FolderTree1->setSelectedPath(qfile("alpha")));
        form->show();
        QApplication::processEvents();
    }
    void TearDown() override
    {
        form.reset();
        GuiTest::TearDown();
    }
    // The drag the file list starts for `names`.
    std::unique_ptr<QMimeData> dragOf(const Names& names)
    {
        TFileListBox* list = form->FileListBox1;
        for (int i = 0; i < list->count(); ++i)
            list->item(i)->setSelected(names.contains(list->item(i)->text()));
        return std::unique_ptr<QMimeData>(list->model()->mimeData(list->selectionModel()->selectedIndexes()));
    }
    // Drags `data` from `source` over the shred list and drops it; true when
    // enter, move and drop were all accepted.
    bool drop(const QMimeData& data, QObject* source)
    {
        TShredList::setSimulatedDragSource(source);
        QWidget* vp = form->ListBox1->viewport();
        const QPoint at = vp->rect().center();
        const auto actions = Qt::CopyAction | Qt::MoveAction;
        QDragEnterEvent enter(at, actions, &data, Qt::LeftButton, {});
        QDragMoveEvent move(at, actions, &data, Qt::LeftButton, {});
        QDropEvent dropped(QPointF(at), actions, &data, Qt::LeftButton, {});
        for (QEvent* e : std::initializer_list<QEvent*>{&enter, &move, &dropped})
            QApplication::sendEvent(vp, e);
        TShredList::setSimulatedDragSource(nullptr);
        return enter.isAccepted() && move.isAccepted() && dropped.isAccepted();
    }
    void run(Answer answer)
    {
        Messages::setNextAnswer(answer);
        if (answer == Answer::Yes) Messages::setNextAnswer(Answer::Ok);
        click(form->wipebtn);
    }
    Names alpha() const { return QDir(qfile("alpha")).entryList(QDir::Files, QDir::Name); }

    int passes = 4;
    std::unique_ptr<TShredderForm> form;
};

} // namespace

TEST_F(ShredderTest, OnlyADragFromTheFileListIsTakenAndOnlyOnce)
{
    const auto data = dragOf({"a.txt", "b.doc", "d.bin"});
    QMimeData text;
    text.setText("a.txt");
    EXPECT_FALSE(drop(*data, nullptr)) << "from another program";
    EXPECT_FALSE(drop(*data, form->FolderTree1));
    EXPECT_FALSE(drop(text, form->FileListBox1));
    EXPECT_TRUE(form->shredNames().isEmpty());
    for (int i = 0; i < 2; ++i) {
        ASSERT_TRUE(drop(*data, form->FileListBox1));
        EXPECT_EQ(form->shredNames(), (Names{"a.txt", "b.doc", "d.bin"}));
    }
}

TEST_F(ShredderTest, OnlyYesWipesTheListedFiles)
{
    run(Answer::Ok);
    expectBox(Kind::Warning, 1); // nothing listed
    ASSERT_TRUE(drop(*dragOf({"a.txt", "b.doc", "d.bin"}), form->FileListBox1));
    for (Answer no : {Answer::No, Answer::Cancel}) {
        run(no);
        EXPECT_EQ(alpha(), (Names{"a.txt", "b.doc", "c.txt", "d.bin"}));
        EXPECT_EQ(form->shredNames().size(), 3);
    }
    run(Answer::Yes);
    expectBox(Kind::Information, 5);
    EXPECT_EQ(alpha(), Names{"c.txt"});
    EXPECT_EQ(readFile(file("alpha/c.txt")), std::string(1000, 'q'));
    EXPECT_EQ(form->FileListBox1->names(), Names{"c.txt"});
    EXPECT_TRUE(form->shredNames().isEmpty());
    EXPECT_EQ(ctx->shredder().WipedFileCount, 3);
}

TEST_F(ShredderTest, ListButtonsAndDoubleClicks)
{
    const auto dbl = [](QAbstractItemView* v, int row) { doubleClickRow(v, row, 0); };
    dbl(form->FileListBox1, 2);
    dbl(form->FileListBox1, 0);
    dbl(form->FileListBox1, 2); // already listed
    EXPECT_EQ(form->shredNames(), (Names{"c.txt", "a.txt"}));
    dbl(form->ListBox1, 0);
    EXPECT_EQ(form->shredNames(), Names{"a.txt"});
    click(form->Selectallbtn);
    EXPECT_EQ(form->shredNames().size(), 4);
    click(form->clearbtn);
    EXPECT_TRUE(form->shredNames().isEmpty());
    for (QWidget* focus : {static_cast<QWidget*>(form->ExtFilter), static_cast<QWidget*>(form->ListBox1)}) {
        click(form->Selectallbtn);
        QTest::keyClick(focus, Qt::Key_Escape);
        EXPECT_TRUE(form->shredNames().isEmpty());
        EXPECT_TRUE(form->isVisible());
    }
}

TEST_F(ShredderTest, AnotherFolderOrRefreshEmptiesTheShredList)
{
    // The listed names belong to the folder shown: they must not follow to another.
    click(form->Selectallbtn);
    ASSERT_TRUE(form->FolderTree1->setSelectedPath(qfile("beta")));
    EXPECT_EQ(form->FileListBox1->names(), Names{"other.txt"});
    EXPECT_TRUE(form->shredNames().isEmpty());
    click(form->Selectallbtn);
    zerath::test::writeFile(file("beta/new.txt"), "n");
    click(form->refreshbtn);
    EXPECT_EQ(form->FileListBox1->names(), (Names{"new.txt", "other.txt"}));
    EXPECT_TRUE(form->shredNames().isEmpty());
    form->hide();
    form->SelectallbtnClick();
    form->show();
    EXPECT_TRUE(form->shredNames().isEmpty());
}

TEST_F(ShredderTest, AFailureStopsTheRunAndLeavesTheRestAlone)
{
    const struct {
        const char* name;
        zerath::FaultPlan plan;
        Names shredAfter, alphaAfter;
    } rows[] = {
        // b.doc vanished behind the window's back.
        {"missing", {}, {"b.doc", "c.txt", "d.bin"}, {"c.txt", "d.bin"}},
        // a.txt takes 4 passes of a block; the disk fills during b.doc's first,
        // which goes back to its name.
        {"disk full", {4 * 1024, -1, -1}, {"b.doc", "c.txt", "d.bin"}, {"b.doc", "c.txt", "d.bin"}},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        form->ListBox1->addNames({"a.txt", "b.doc", "c.txt", "d.bin"});
        if (r.plan.failAfterBytes < 0) QFile::remove(qfile("alpha/b.doc"));
        {
            zerath::test::FaultGuard guard(r.plan);
            run(Answer::Yes);
        }
        expectBox(Kind::Error, 2);
        EXPECT_EQ(form->shredNames(), r.shredAfter);
        EXPECT_EQ(alpha(), r.alphaAfter);
        EXPECT_EQ(readFile(file("alpha/d.bin")), std::string(3000, 'q'));
        EXPECT_EQ(form->Prog->position(), 0);
        EXPECT_TRUE(form->wipebtn->isEnabled());
        TearDown();
        SetUp();
    }
}

// During a run the wipe button is Cancel: the run stops after the file in hand.
TEST_F(ShredderTest, ARunShowsItsPassesAndOnlyCancelReachesIt)
{
    form->ListBox1->addNames({"a.txt", "d.bin"});
    QList<int> positions;
    int polls = 0;
    QTimer probe;
    probe.setInterval(0);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        if (!form->isShredding()) return;
        EXPECT_EQ(form->Prog->max(), 4);
        if (positions.isEmpty() || positions.last() != form->Prog->position())
            positions.append(form->Prog->position());
        if (polls++) return;
        // Events run between passes: nothing may start or change the lists.
        for (QPushButton* b : {form->clearbtn, form->Selectallbtn, form->refreshbtn})
            EXPECT_FALSE(b->isEnabled());
        form->wipebtnClick();
        form->clearbtnClick();
        form->SelectallbtnClick();
        form->refreshbtnClick();
        QTest::keyClick(form.get(), Qt::Key_Escape);
        EXPECT_FALSE(form->close());
        EXPECT_TRUE(form->FolderTree1->setSelectedPath(qfile("beta")));
        EXPECT_EQ(form->shredNames(), (Names{"a.txt", "d.bin"}));
        EXPECT_EQ(form->currentFolder(), qfile("alpha"));
    });
    probe.start();
    run(Answer::Yes);
    probe.stop();
    expectBox(Kind::Information, 2);
    EXPECT_EQ(positions, (QList<int>{1, 2, 3, 4}));
    EXPECT_EQ(alpha(), (Names{"b.doc", "c.txt", "d.bin"}));
    EXPECT_EQ(readFile(file("alpha/d.bin")), std::string(3000, 'q'));
    EXPECT_EQ(form->currentFolder(), qfile("beta")) << "the folder chosen meanwhile, once the run is over";
}

TEST_F(ShredderTest, TheWipingRoutineReportsToTheInstalledWindowWhoeverCallsIt)
{
    form.reset();
    QWidget owner;
    TShredderForm* installed = installShredderWindow(*ctx, &owner);
    QTimer::singleShot(0, installed, [&] { click(installed->closebtn); });
    ctx->showShredder(&owner);
    EXPECT_FALSE(installed->isVisible());
    passes = 6; // encryption's wipe of its source, while the window is hidden
    ctx->shredder().ShredFile(file("beta/other.txt"));
    EXPECT_EQ(installed->Prog->max(), 6);
    EXPECT_EQ(installed->Prog->position(), 6);
    delete installed;
    EXPECT_FALSE(bool(ctx->showShredder));
    EXPECT_EQ(ctx->wipeProgress(), nullptr);
    ctx->shredder().ShredFile(file("alpha/a.txt"));
    EXPECT_FALSE(exists("alpha/a.txt"));
}

TEST(ShredderText, PathsInAFolderAndVanishedFiles)
{
    for (const char* folder : {"/tmp/x", "/tmp/x/"})
        EXPECT_EQ(PathInFolder(folder, "a.txt"), "/tmp/x/a.txt");
    EXPECT_EQ(PathInFolder("/", "a.txt"), "/a.txt");
    EXPECT_EQ(GetFileSizeOf("/no/such/file"), -1);
}
