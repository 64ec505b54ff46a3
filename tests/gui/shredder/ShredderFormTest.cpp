#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <memory>

#include "TempDir.h"
#include "common/FileIO.h"
#include "app/AppContext.h"
#include "common/Messages.h"
#include "widgets/ALProgressBar.h"
#include "widgets/ALStatusBar.h"
#include "widgets/FileListBox.h"
#include "widgets/FolderTree.h"
#include "windows/ShredderForm.h"
#include "windows/ShredderText.h"

using zerath::test::readFile;
using zerath::test::TempDir;
using zerath::test::writeFile;
using Kind = Messages::Kind;
using Answer = Messages::Answer;

namespace {

const QString kQuestion = "You will not be able to recover the files once shredded.\r\n Do you want to continue?";
const QString kNothing = "There are no files selected for shredding.";

QString q(const std::string& s)
{
    return QString::fromStdString(s);
}

bool exists(const QString& path)
{
    return QFileInfo::exists(path);
}

// A tree rooted at a temporary folder "root" with the folders alpha and beta.
class ShredderWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        Messages::reset();
        root = q(rootDir.path()).chopped(1);
        alpha = root + "/alpha";
        beta = root + "/beta";
        QDir().mkpath(alpha);
        QDir().mkpath(beta);
        put(alpha, "a.txt", 10);
        put(alpha, "b.doc", 1536);
        put(alpha, "c.txt", 1000);
        put(alpha, "d.bin", 3000);
        put(beta, "other.txt", 5);
        context = std::make_unique<AppContext>(q(programDir.path()));
        context->setPassCountProvider([this] { return passes; });
        form = std::make_unique<TShredderForm>(*context, QStringList{root});
    }
    void TearDown() override
    {
        form.reset();
        EXPECT_EQ(Messages::pendingAnswers(), 0);
        Messages::reset();
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    }

    static void put(const QString& folder, const QString& name, int size)
    {
        writeFile((folder + "/" + name).toStdString(), std::string(size_t(size), 'q'));
    }

    // Shows the window on the folder alpha.
    void showOnAlpha()
    {
        ASSERT_TRUE(form->FolderTree1->setSelectedPath(alpha));
        form->show();
        QApplication::processEvents();
        ASSERT_EQ(form->currentFolder(), alpha);
    }

    void select(const QStringList& names)
    {
        TFileListBox* list = form->FileListBox1;
        list->clearSelection();
        for (int i = 0; i < list->count(); ++i)
            if (names.contains(list->item(i)->text()))
                list->item(i)->setSelected(true);
    }

    // The drag the file list would start for its selection.
    std::unique_ptr<QMimeData> fileListDrag()
    {
        TFileListBox* list = form->FileListBox1;
        return std::unique_ptr<QMimeData>(list->model()->mimeData(list->selectionModel()->selectedIndexes()));
    }

    // Drags `data` from `source` over the shred list and drops it there; true
    // when enter, move and drop were all accepted.
    bool dragOntoShredList(const QMimeData& data, QObject* source)
    {
        TShredList::setSimulatedDragSource(source);
        QWidget* vp = form->ListBox1->viewport();
        const QPoint at = vp->rect().center();
        QDragEnterEvent enter(at, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(vp, &enter);
        QDragMoveEvent move(at, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(vp, &move);
        QDropEvent drop(QPointF(at), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(vp, &drop);
        TShredList::setSimulatedDragSource(nullptr);
        return enter.isAccepted() && move.isAccepted() && drop.isAccepted();
    }

    void doubleClick(QAbstractItemView* view, int row)
    {
        // A real double-click: the first click's press, then the double-click.
        const QRect r = view->visualRect(view->model()->index(row, 0));
        QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, r.center());
        QTest::mouseDClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, r.center());
    }

    QStringList shownTexts() const
    {
        QStringList out;
        for (const Messages::Shown& s : Messages::shown())
            out << s.text;
        return out;
    }

    TempDir programDir, rootDir;
    QString root, alpha, beta;
    int passes = 4;
    std::unique_ptr<AppContext> context;
    std::unique_ptr<TShredderForm> form;
};

TEST_F(ShredderWindow, ControlsCaptionsAndColours)
{
    EXPECT_EQ(form->size(), QSize(608, 467));
    EXPECT_FALSE(form->isDraggable());
    const WindowOutline o = form->outline();
    EXPECT_EQ(o.shape, WindowOutline::Shape::RoundRect);
    EXPECT_EQ(QRect(QPoint(o.left, o.top), QPoint(o.right, o.bottom)), QRect(QPoint(0, 0), QPoint(609, 468)));
    EXPECT_EQ(o.cornerWidth, 18);
    EXPECT_EQ(o.cornerHeight, 18);

    EXPECT_EQ(form->Label9->text(), "File Shredder");
    EXPECT_TRUE(form->Label9->font().bold());
    EXPECT_EQ(form->Label9->font().pixelSize(), 16);
    EXPECT_EQ(form->Label5->text(), "Select Folder");
    EXPECT_EQ(form->Label6->text(), "Current Folder Files");
    EXPECT_EQ(form->Label7->text(), " Shredder (Drag and Drop Files Here)");
    EXPECT_EQ(form->Label2->text(), "Filter Extension:");
    EXPECT_EQ(form->Label8->text(), "Total Files to Delete:");
    EXPECT_EQ(form->Label3->text(), "Selected File(s) Size:");
    EXPECT_EQ(form->Label4->text(), "Selected File(s):");
    EXPECT_EQ(form->Label1->text(), "0");
    EXPECT_EQ(form->filesizelabel->text(), "-"); // until the first count
    EXPECT_EQ(form->ExtFilter->text(), "*.*");
    EXPECT_EQ(form->Selectallbtn->text(), "Select All");
    EXPECT_EQ(form->refreshbtn->text(), "&Refresh");
    EXPECT_EQ(form->wipebtn->text(), "&Shred Files");
    EXPECT_EQ(form->clearbtn->text(), "&Clear");
    EXPECT_EQ(form->closebtn->text(), "Close");
    EXPECT_EQ(form->FolderTree1->roots(), QStringList{root});

    // The shred list: bold on RGB(FE, EF, ED), 16-pixel rows.
    EXPECT_EQ(form->ListBox1->palette().color(QPalette::Base), QColor(0xFE, 0xEF, 0xED));
    EXPECT_TRUE(form->ListBox1->font().bold());
    form->ListBox1->addNames({"x", "y"});
    form->show();
    QApplication::processEvents();
    form->ListBox1->addNames({"x", "y"}); // showing emptied it
    EXPECT_EQ(form->ListBox1->visualItemRect(form->ListBox1->item(1)).height(), 16);
    EXPECT_EQ(form->ListBox1->visualItemRect(form->ListBox1->item(1)).top(),
              form->ListBox1->visualItemRect(form->ListBox1->item(0)).top() + 16);
    EXPECT_TRUE(form->ListBox1->acceptDrops());
    EXPECT_TRUE(form->FileListBox1->dragEnabled());
    EXPECT_EQ(form->FileListBox1->selectionMode(), QAbstractItemView::ExtendedSelection);

    // Status bar and progress bar.
    EXPECT_EQ(form->Status->panelCount(), 2);
    EXPECT_EQ(form->Status->panelRect(0).width(), 392);
    EXPECT_GE(form->Status->panelRect(1).width(), 50);
    EXPECT_FALSE(form->Status->sizeGrip());
    EXPECT_FALSE(form->Status->simplePanel());
    EXPECT_EQ(form->Prog->parentWidget(), form->Status);
    EXPECT_TRUE(form->Status->panelRect(1).contains(form->Prog->geometry()));
    EXPECT_EQ(form->Prog->max(), 10);
    EXPECT_EQ(form->Prog->min(), 0);
    EXPECT_EQ(form->Prog->position(), 0);
    EXPECT_EQ(form->Prog->barColor1(), QColor(Qt::red));
    EXPECT_EQ(form->Prog->barColor2(), QColor(0, 255, 0));
    EXPECT_EQ(form->Prog->barColor3(), QColor(0, 255, 0));
    EXPECT_EQ(form->Prog->backgroundColor(), form->palette().color(QPalette::HighlightedText));
    EXPECT_EQ(form->Prog->borderColor1(), form->palette().color(QPalette::Button));
    EXPECT_TRUE(form->Prog->showPosText());
    EXPECT_EQ(form->Prog->barColorStyle(), TALProgressBar::ThreeColorGradient);

    // The wiping routine reports to this bar.
    EXPECT_NE(context->wipeProgress(), nullptr);
}

TEST_F(ShredderWindow, ShowingAppliesTheFolderAndStartsWithAnEmptyShredList)
{
    showOnAlpha();
    EXPECT_EQ(form->FileListBox1->names(), (QStringList{"a.txt", "b.doc", "c.txt", "d.bin"}));
    EXPECT_EQ(form->Status->panelText(0), ShortenPathText(alpha));
    EXPECT_EQ(form->filesizelabel->text(), "0 bytes");
    EXPECT_EQ(form->NoSelectedFiles->text(), "0");
    EXPECT_EQ(form->Label1->text(), "0");
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    // Hidden and shown again: the list starts empty, the filter stays.
    form->SelectallbtnClick();
    form->ExtFilter->setText("*.txt");
    form->hide();
    form->show();
    QApplication::processEvents();
    EXPECT_TRUE(form->shredNames().isEmpty());
    EXPECT_EQ(form->Label1->text(), "0");
    EXPECT_EQ(form->ExtFilter->text(), "*.txt");
    EXPECT_EQ(form->FileListBox1->names(), (QStringList{"a.txt", "c.txt"}));
}

TEST_F(ShredderWindow, ShredsThreeDroppedFiles)
{
    showOnAlpha();
    select({"a.txt", "b.doc", "d.bin"});
    EXPECT_EQ(form->NoSelectedFiles->text(), "3");
    EXPECT_EQ(form->filesizelabel->text(), FormatSizeText(10 + 1536 + 3000));
    const auto data = fileListDrag();
    EXPECT_EQ(TFileListBox::namesFromMime(data.get()), (QStringList{"a.txt", "b.doc", "d.bin"}));

    // A drag that comes from elsewhere is refused, whatever it carries.
    EXPECT_FALSE(dragOntoShredList(*data, nullptr));
    EXPECT_FALSE(dragOntoShredList(*data, form->FolderTree1));
    QMimeData text;
    text.setText("a.txt");
    EXPECT_FALSE(dragOntoShredList(text, form->FileListBox1));
    EXPECT_TRUE(form->shredNames().isEmpty());
    EXPECT_EQ(form->Label1->text(), "0");

    ASSERT_TRUE(dragOntoShredList(*data, form->FileListBox1));
    EXPECT_EQ(form->shredNames(), (QStringList{"a.txt", "b.doc", "d.bin"}));
    EXPECT_EQ(form->Label1->text(), "3");
    // The same drop again adds nothing.
    ASSERT_TRUE(dragOntoShredList(*data, form->FileListBox1));
    EXPECT_EQ(form->shredNames(), (QStringList{"a.txt", "b.doc", "d.bin"}));
    EXPECT_EQ(form->Label1->text(), "3");

    Messages::setNextAnswer(Answer::Yes);
    Messages::setNextAnswer(Answer::Ok);
    QTest::mouseClick(form->wipebtn, Qt::LeftButton);

    ASSERT_EQ(Messages::shown().size(), 2);
    EXPECT_EQ(Messages::shown()[0].kind, Kind::Information);
    EXPECT_EQ(Messages::shown()[0].text, kQuestion);
    EXPECT_EQ(Messages::shown()[0].buttons, Messages::Buttons::YesNo);
    EXPECT_EQ(Messages::shown()[1].kind, Kind::Information);
    EXPECT_EQ(Messages::shown()[1].text, "3 File(s) Securely Wiped");
    EXPECT_EQ(Messages::shown()[1].buttons, Messages::Buttons::Ok);
    EXPECT_EQ(context->shredder().WipedFileCount, 3);

    for (const char* gone : {"a.txt", "b.doc", "d.bin", "$000000.tmp"})
        EXPECT_FALSE(exists(alpha + "/" + gone)) << gone;
    EXPECT_TRUE(exists(alpha + "/c.txt"));
    EXPECT_EQ(form->FileListBox1->names(), QStringList{"c.txt"});
    EXPECT_TRUE(form->shredNames().isEmpty());
    EXPECT_EQ(form->Label1->text(), "0");
    EXPECT_EQ(form->Prog->position(), 0);
    EXPECT_TRUE(form->wipebtn->isEnabled());
    EXPECT_TRUE(form->FolderTree1->isEnabled());
}

TEST_F(ShredderWindow, EmptyListOnlyWarnsAndNoAnswerTouchesNothing)
{
    showOnAlpha();
    Messages::setNextAnswer(Answer::Ok);
    form->wipebtn->click();
    ASSERT_EQ(Messages::shown().size(), 1);
    EXPECT_EQ(Messages::shown()[0].kind, Kind::Warning);
    EXPECT_EQ(Messages::shown()[0].text, kNothing);
    EXPECT_EQ(Messages::shown()[0].buttons, Messages::Buttons::Ok);
    EXPECT_EQ(form->FileListBox1->count(), 4);

    Messages::reset();
    form->SelectallbtnClick();
    Messages::setNextAnswer(Answer::No);
    form->wipebtn->click();
    EXPECT_EQ(shownTexts(), QStringList{kQuestion});
    EXPECT_EQ(form->shredNames(), (QStringList{"a.txt", "b.doc", "c.txt", "d.bin"}));
    EXPECT_EQ(form->Label1->text(), "4");
    EXPECT_EQ(readFile((alpha + "/b.doc").toStdString()), std::string(1536, 'q'));
    EXPECT_EQ(form->FileListBox1->count(), 4);

    // Closing the question without a button is no Yes either.
    Messages::reset();
    Messages::setNextAnswer(Answer::Cancel);
    form->wipebtn->click();
    EXPECT_EQ(shownTexts(), QStringList{kQuestion});
    EXPECT_EQ(form->shredNames().size(), 4);
    EXPECT_TRUE(exists(alpha + "/a.txt"));
}

TEST_F(ShredderWindow, DoubleClicksAddAndRemove)
{
    showOnAlpha();
    doubleClick(form->FileListBox1, 2); // c.txt
    EXPECT_EQ(form->shredNames(), QStringList{"c.txt"});
    EXPECT_EQ(form->Label1->text(), "1");
    doubleClick(form->FileListBox1, 0); // a.txt, appended
    EXPECT_EQ(form->shredNames(), (QStringList{"c.txt", "a.txt"}));
    doubleClick(form->FileListBox1, 2); // already there
    EXPECT_EQ(form->shredNames(), (QStringList{"c.txt", "a.txt"}));
    EXPECT_EQ(form->Label1->text(), "2");

    doubleClick(form->ListBox1, 0);
    EXPECT_EQ(form->shredNames(), QStringList{"a.txt"});
    EXPECT_EQ(form->Label1->text(), "1");
    // A double-click below the entries removes nothing.
    const QPoint below(20, form->ListBox1->viewport()->height() - 5);
    QTest::mouseClick(form->ListBox1->viewport(), Qt::LeftButton, Qt::NoModifier, below);
    QTest::mouseDClick(form->ListBox1->viewport(), Qt::LeftButton, Qt::NoModifier, below);
    EXPECT_EQ(form->shredNames(), QStringList{"a.txt"});
    doubleClick(form->ListBox1, 0);
    EXPECT_TRUE(form->shredNames().isEmpty());
    EXPECT_EQ(form->Label1->text(), "0");
}

TEST_F(ShredderWindow, SelectAllClearAndEscape)
{
    showOnAlpha();
    form->ListBox1->addNames({"b.doc"});
    QTest::mouseClick(form->Selectallbtn, Qt::LeftButton);
    EXPECT_EQ(form->shredNames(), (QStringList{"a.txt", "b.doc", "c.txt", "d.bin"}));
    EXPECT_EQ(form->Label1->text(), "4");
    QTest::mouseClick(form->clearbtn, Qt::LeftButton);
    EXPECT_TRUE(form->shredNames().isEmpty());
    EXPECT_EQ(form->Label1->text(), "0");

    // Escape empties the list from wherever the focus is, and keeps the window.
    for (QWidget* focus : {static_cast<QWidget*>(form.get()), static_cast<QWidget*>(form->ExtFilter),
                           static_cast<QWidget*>(form->ListBox1), static_cast<QWidget*>(form->FileListBox1)}) {
        form->SelectallbtnClick();
        ASSERT_EQ(form->Label1->text(), "4");
        QTest::keyClick(focus, Qt::Key_Escape);
        EXPECT_TRUE(form->shredNames().isEmpty()) << focus->objectName().toStdString();
        EXPECT_EQ(form->Label1->text(), "0");
        EXPECT_TRUE(form->isVisible());
    }
    // Enter in the filter starts nothing.
    form->SelectallbtnClick();
    QTest::keyClick(form->ExtFilter, Qt::Key_Return);
    EXPECT_EQ(form->shredNames().size(), 4);
    EXPECT_TRUE(Messages::shown().isEmpty());
}

TEST_F(ShredderWindow, AnotherFolderOrRefreshEmptiesTheShredList)
{
    showOnAlpha();
    form->SelectallbtnClick();
    ASSERT_TRUE(form->FolderTree1->setSelectedPath(beta));
    EXPECT_EQ(form->currentFolder(), beta);
    EXPECT_EQ(form->FileListBox1->names(), QStringList{"other.txt"});
    EXPECT_TRUE(form->shredNames().isEmpty());
    EXPECT_EQ(form->Label1->text(), "0");
    EXPECT_EQ(form->Status->panelText(0), ShortenPathText(beta));

    // Refresh rereads the folder and empties the list too.
    form->SelectallbtnClick();
    put(beta, "new.txt", 1);
    QTest::mouseClick(form->refreshbtn, Qt::LeftButton);
    EXPECT_EQ(form->FileListBox1->names(), (QStringList{"new.txt", "other.txt"}));
    EXPECT_TRUE(form->shredNames().isEmpty());

    // A long folder shows shortened in the status bar.
    const QString deep = beta + "/" + QString(40, 'x') + "/" + QString(30, 'y');
    QDir().mkpath(deep);
    ASSERT_TRUE(form->FolderTree1->setSelectedPath(deep));
    EXPECT_EQ(form->Status->panelText(0), ShortenPathText(deep));
    EXPECT_EQ(form->Status->panelText(0).size(), 58);
    EXPECT_TRUE(form->FileListBox1->names().isEmpty());
}

TEST_F(ShredderWindow, FilterAndSelectionCounters)
{
    showOnAlpha();
    form->ExtFilter->setText("*.txt;*.doc");
    EXPECT_EQ(form->FileListBox1->names(), (QStringList{"a.txt", "b.doc", "c.txt"}));
    form->ExtFilter->setText("");
    EXPECT_TRUE(form->FileListBox1->names().isEmpty());
    EXPECT_EQ(form->NoSelectedFiles->text(), "0");
    form->ExtFilter->clear();
    QTest::keyClicks(form->ExtFilter, "*.bin");
    EXPECT_EQ(form->FileListBox1->names(), QStringList{"d.bin"});
    form->ExtFilter->setText("*.*");

    QLocale::setDefault(QLocale::c());
    select({"b.doc"});
    EXPECT_EQ(form->filesizelabel->text(), "1.54 Kb");
    EXPECT_EQ(form->NoSelectedFiles->text(), "1");
    select({"b.doc", "c.txt"});
    EXPECT_EQ(form->filesizelabel->text(), "2.54 Kb");
    EXPECT_EQ(form->NoSelectedFiles->text(), "2");
    // A file that vanished meanwhile counts -1 bytes.
    QFile::remove(alpha + "/a.txt");
    select({"a.txt", "c.txt"});
    EXPECT_EQ(form->filesizelabel->text(), "999 bytes");
    QLocale::setDefault(QLocale::system());
}

TEST_F(ShredderWindow, AFailingEntryStopsTheRun)
{
    showOnAlpha();
    for (const char* name : {"a.txt", "b.doc", "c.txt", "d.bin"})
        form->ListBox1->addNames({name});
    QFile::remove(alpha + "/b.doc"); // behind the window's back
    Messages::setNextAnswer(Answer::Yes);
    Messages::setNextAnswer(Answer::Ok);
    form->wipebtn->click();

    ASSERT_EQ(Messages::shown().size(), 2);
    EXPECT_EQ(Messages::shown()[1].kind, Kind::Error);
    EXPECT_EQ(Messages::shown()[1].text, "Cannot find " + alpha + "/b.doc !");
    // a.txt was wiped and left the list; the failing entry and those below stay.
    EXPECT_EQ(form->shredNames(), (QStringList{"b.doc", "c.txt", "d.bin"}));
    EXPECT_EQ(form->Label1->text(), "3");
    EXPECT_FALSE(exists(alpha + "/a.txt"));
    EXPECT_EQ(readFile((alpha + "/c.txt").toStdString()), std::string(1000, 'q'));
    EXPECT_EQ(readFile((alpha + "/d.bin").toStdString()), std::string(3000, 'q'));
    EXPECT_EQ(context->shredder().WipedFileCount, 1);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(form->FileListBox1->names(), (QStringList{"c.txt", "d.bin"}));
    EXPECT_TRUE(form->wipebtn->isEnabled());

    // The rest goes through on the next run.
    form->ListBox1DblClick(0);
    Messages::reset();
    Messages::setNextAnswer(Answer::Yes);
    Messages::setNextAnswer(Answer::Ok);
    form->wipebtn->click();
    EXPECT_EQ(shownTexts(), (QStringList{kQuestion, "2 File(s) Securely Wiped"}));
    EXPECT_TRUE(form->FileListBox1->names().isEmpty());
}

TEST_F(ShredderWindow, AFileSystemErrorIsShownAndTheFileStaysUnderTheTemporaryName)
{
    showOnAlpha();
    form->ListBox1->addNames({"a.txt", "c.txt", "d.bin"});
    // a.txt takes 4 passes of one block; the disk fills up during c.txt's first pass.
    zerath::FaultPlan plan;
    plan.failAfterBytes = 4 * 1024;
    zerath::FaultInjection::set(plan);
    Messages::setNextAnswer(Answer::Yes);
    Messages::setNextAnswer(Answer::Ok);
    form->wipebtn->click();
    zerath::FaultInjection::clear();

    ASSERT_EQ(Messages::shown().size(), 2);
    EXPECT_EQ(Messages::shown()[1].kind, Kind::Error);
    EXPECT_EQ(Messages::shown()[1].text, "Disk full");
    EXPECT_EQ(form->shredNames(), (QStringList{"c.txt", "d.bin"}));
    EXPECT_EQ(form->Label1->text(), "2");
    EXPECT_TRUE(exists(alpha + "/$000000.tmp"));
    EXPECT_FALSE(exists(alpha + "/a.txt"));
    EXPECT_EQ(form->FileListBox1->names(), (QStringList{"$000000.tmp", "b.doc", "d.bin"}));
    EXPECT_EQ(form->Prog->position(), 0);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(ShredderWindow, PassesShowInTheBarAndARunCannotBeDisturbed)
{
    showOnAlpha();
    form->ListBox1->addNames({"a.txt", "d.bin"});
    struct Seen {
        int max, position;
    };
    QList<Seen> seen;
    int pokes = 0;
    QTimer probe;
    probe.setInterval(0);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        if (!form->isShredding())
            return;
        seen.append({form->Prog->max(), form->Prog->position()});
        if (pokes++ == 0) {
            // Events run between passes: nothing may start or change the lists.
            EXPECT_EQ(form->wipebtn->text(), QStringLiteral("Cancel")); // the one way to stop the run
            EXPECT_FALSE(form->FolderTree1->isEnabled());
            EXPECT_FALSE(form->refreshbtn->isEnabled());
            EXPECT_FALSE(form->clearbtn->isEnabled());
            EXPECT_FALSE(form->Selectallbtn->isEnabled());
            EXPECT_FALSE(form->closebtn->isEnabled());
            EXPECT_FALSE(form->ListBox1->isEnabled());
            EXPECT_FALSE(form->ExtFilter->isEnabled());
            EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
            const QStringList before = form->shredNames();
            form->clearbtnClick();
            form->SelectallbtnClick();
            form->refreshbtnClick();
            EXPECT_FALSE(form->close());
            EXPECT_TRUE(form->isVisible());
            EXPECT_TRUE(form->FolderTree1->setSelectedPath(beta)); // e.g. the tree following the disk
            EXPECT_EQ(form->shredNames(), before);
            EXPECT_EQ(form->currentFolder(), alpha);
        }
    });
    probe.start();
    Messages::setNextAnswer(Answer::Yes);
    Messages::setNextAnswer(Answer::Ok);
    form->wipebtn->click();
    probe.stop();

    EXPECT_EQ(shownTexts(), (QStringList{kQuestion, "2 File(s) Securely Wiped"}));
    // Two files of 4 passes each: the bar counted 1 to 4 for each.
    QList<int> positions;
    for (const Seen& s : seen) {
        EXPECT_EQ(s.max, 4);
        if (positions.isEmpty() || positions.last() != s.position)
            positions.append(s.position);
    }
    EXPECT_EQ(positions, (QList<int>{1, 2, 3, 4, 1, 2, 3, 4}));
    EXPECT_EQ(form->Prog->max(), 4);
    EXPECT_EQ(form->Prog->position(), 0);
    // The folder chosen during the run is applied once it is over.
    EXPECT_EQ(form->currentFolder(), beta);
    EXPECT_EQ(form->FileListBox1->names(), QStringList{"other.txt"});
}

TEST_F(ShredderWindow, TheRoutineShowsItsPassesHereWhoeverCallsIt)
{
    // Encryption's wiping of its source goes through the same routine while
    // this window is hidden.
    passes = 6;
    const std::string path = (beta + "/other.txt").toStdString();
    context->shredder().ShredFile(path);
    EXPECT_FALSE(exists(beta + "/other.txt"));
    EXPECT_EQ(form->Prog->max(), 6);
    EXPECT_EQ(form->Prog->position(), 6);
    EXPECT_FALSE(form->isVisible());

    // Without the window the routine reports to no one.
    form.reset();
    EXPECT_EQ(context->wipeProgress(), nullptr);
    put(beta, "again.txt", 3);
    context->shredder().ShredFile((beta + "/again.txt").toStdString());
    EXPECT_FALSE(exists(beta + "/again.txt"));
}

TEST_F(ShredderWindow, InstalledAsTheMainWindowsShredder)
{
    form.reset();
    QWidget owner;
    TShredderForm* installed = installShredderWindow(*context, &owner);
    ASSERT_NE(installed, nullptr);
    ASSERT_TRUE(bool(context->showShredder));
    EXPECT_EQ(installed->parentWidget(), &owner);
    EXPECT_TRUE(installed->isModal());
    // The default tree has the file system's roots.
    EXPECT_EQ(installed->FolderTree1->roots(), TFolderTree::defaultRoots());

    bool sawIt = false;
    QTimer::singleShot(0, installed, [&] {
        sawIt = installed->isVisible() && QApplication::activeModalWidget() == installed;
        installed->closebtn->click();
    });
    context->showShredder(&owner);
    EXPECT_TRUE(sawIt);
    EXPECT_FALSE(installed->isVisible());

    // The routine reports to its bar until the window goes with its owner.
    passes = 4;
    put(beta, "x.txt", 3);
    context->shredder().ShredFile((beta + "/x.txt").toStdString());
    EXPECT_EQ(installed->Prog->position(), 4);
    delete installed;
    EXPECT_FALSE(bool(context->showShredder));
    EXPECT_EQ(context->wipeProgress(), nullptr);
}

} // namespace
