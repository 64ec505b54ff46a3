// The options dialog: loading once at start, the counter, OK and Cancel from
// the main window's Options button, dragging.
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <functional>

#include "MainWindowFixture.h"
#include "settings/Settings.h"
#include "shredder/Shredder.h"
#include "widgets/HNoShape.h"
#include "windows/CryptForm.h"
#include "windows/OptionsDlg.h"

using namespace guitest;

namespace {

class OptionsTest : public MainWindowTest {
protected:
    TOptionsDlg* options() const { return windows->options(); }

    // Presses the main window's Options button; `inside` runs while the dialog is shown.
    void runOptions(const std::function<void(TOptionsDlg*)>& inside)
    {
        bool ran = false;
        QTimer::singleShot(0, [&] {
            ASSERT_EQ(QApplication::activeModalWidget(), options());
            EXPECT_TRUE(options()->isVisible());
            inside(options());
            ran = true;
        });
        click(mainWindow()->Optionsbtn);
        EXPECT_TRUE(ran);
        EXPECT_FALSE(options()->isVisible());
    }
    std::string ini() const { return zerath::test::readFile(file("zerath.ini")); }
    zerath::Settings settings() const { return zerath::Settings(dir.path()); }
};

class PassRecorder : public zerath::WipeProgress {
public:
    void setMax(int max) override { this->max = max; }
    void setPosition(int position) override { last = position; }
    int max = -1;
    int last = -1;
};

} // namespace

TEST_F(OptionsTest, NoSettingsFileGivesFastestCompressionAndFourPasses)
{
    start();
    TOptionsDlg* d = options();
    EXPECT_EQ(d->size(), QSize(365, 260));
    EXPECT_EQ(d->outline().shape, WindowOutline::Shape::RoundRect);
    EXPECT_EQ(d->outline().right, 366);
    EXPECT_EQ(d->outline().bottom, 261);
    EXPECT_EQ(d->outline().cornerWidth, 20);
    EXPECT_TRUE(d->isDraggable());
    EXPECT_EQ(d->Label3->text(), QStringLiteral("Options"));
    EXPECT_EQ(d->GroupBox1->title(), QStringLiteral("Compression Level "));
    EXPECT_EQ(d->GroupBox2->title(), QStringLiteral("File Shreddering "));
    EXPECT_EQ(d->Label1->text(), QStringLiteral("Number of times files are wiped out"));
    EXPECT_TRUE(d->compresshints->wordWrap());
    ASSERT_EQ(d->cbxCompress->count(), 4);
    EXPECT_EQ(d->cbxCompress->itemText(0), QStringLiteral("No Compression (Disabled)"));
    EXPECT_EQ(d->cbxCompress->itemText(2), QStringLiteral("Normal Compression"));
    EXPECT_TRUE(d->Edit1->isReadOnly());

    EXPECT_EQ(d->cbxCompress->currentText(), QStringLiteral("Fastest Compression"));
    EXPECT_EQ(d->Edit1->text(), QStringLiteral("4"));
    EXPECT_EQ(ctx->compressionLevel(), 1);
    EXPECT_EQ(ctx->passCount(), 4);
    EXPECT_FALSE(QFile::exists(qfile("zerath.ini")));
}

TEST_F(OptionsTest, StoredLevelThreeAndCountEightAreShownAndWrittenBackOnOk)
{
    zerath::Settings(dir.path()).SaveOptions(3, 8);
    start();
    EXPECT_EQ(ctx->compressionLevel(), 3);
    runOptions([](TOptionsDlg* d) {
        EXPECT_EQ(d->cbxCompress->currentText(), QStringLiteral("Maximum Compression (Slowest)"));
        EXPECT_EQ(d->Edit1->text(), QStringLiteral("8"));
        QTest::mouseClick(d->OKbtn, Qt::LeftButton);
    });
    EXPECT_EQ(settings().compressionLevel(), 3);
    EXPECT_EQ(settings().shredCount(), 8);

    // A changed level is in effect and written on OK; Enter is OK.
    runOptions([](TOptionsDlg* d) {
        d->cbxCompress->setCurrentIndex(0);
        QTest::keyClick(d, Qt::Key_Return);
    });
    EXPECT_EQ(ctx->compressionLevel(), 0);
    EXPECT_EQ(settings().compressionLevel(), 0);
    EXPECT_EQ(settings().shredCount(), 8);
}

TEST_F(OptionsTest, CounterStepsByTwoBetweenFourAndTenWithoutWrapping)
{
    start();
    TOptionsDlg* d = options();
    QToolButton* up = d->ShredCount->upButton();
    QToolButton* down = d->ShredCount->downButton();
    QStringList seen;
    for (int i = 0; i < 4; ++i) {
        QTest::mouseClick(up, Qt::LeftButton);
        seen << d->Edit1->text();
    }
    EXPECT_EQ(seen, QStringList({"6", "8", "10", "10"}));
    seen.clear();
    for (int i = 0; i < 4; ++i) {
        QTest::mouseClick(down, Qt::LeftButton);
        seen << d->Edit1->text();
    }
    EXPECT_EQ(seen, QStringList({"8", "6", "4", "4"}));
    // The arrow keys in the field step it too; typing does not change it.
    QTest::keyClick(d->Edit1, Qt::Key_Up);
    EXPECT_EQ(d->passCount(), 6);
    QTest::keyClicks(d->Edit1, "9");
    EXPECT_EQ(d->passCount(), 6);
    EXPECT_EQ(d->Edit1->text(), QStringLiteral("6"));
}

TEST_F(OptionsTest, CancelKeepsTheFileButTheCounterStaysInEffect)
{
    zerath::Settings(dir.path()).SaveOptions(2, 6);
    start();
    const std::string before = ini();
    runOptions([](TOptionsDlg* d) {
        EXPECT_EQ(d->Edit1->text(), QStringLiteral("6"));
        QTest::mouseClick(d->ShredCount->upButton(), Qt::LeftButton);
        QTest::mouseClick(d->ShredCount->upButton(), Qt::LeftButton);
        d->cbxCompress->setCurrentIndex(3);
        QTest::mouseClick(d->cancelbtn, Qt::LeftButton);
    });
    EXPECT_EQ(ini(), before);
    EXPECT_EQ(ctx->compressionLevel(), 2);
    EXPECT_EQ(ctx->passCount(), 10);

    // The next wipe makes ten passes.
    PassRecorder passes;
    ctx->setWipeProgress(&passes);
    zerath::test::writeFile(file("victim.txt"), std::string(3000, 'v'));
    ctx->shredder().ShredFile(file("victim.txt"));
    EXPECT_EQ(passes.max, 10);
    EXPECT_EQ(passes.last, 10);
    EXPECT_FALSE(QFile::exists(qfile("victim.txt")));
    ctx->setWipeProgress(nullptr);

    // The next showing shows what the user left; Escape cancels.
    runOptions([](TOptionsDlg* d) {
        EXPECT_EQ(d->Edit1->text(), QStringLiteral("10"));
        EXPECT_EQ(d->cbxCompress->currentIndex(), 3);
        QTest::keyClick(d, Qt::Key_Escape);
    });
    EXPECT_EQ(ini(), before);
}

TEST_F(OptionsTest, StoredLevelSevenSelectsNothingAndOkWritesMinusOne)
{
    zerath::Settings(dir.path()).SaveOptions(7, 12);
    start();
    EXPECT_EQ(options()->cbxCompress->currentIndex(), -1);
    EXPECT_EQ(ctx->compressionLevel(), 0);
    // A stored count above ten is brought down to ten.
    EXPECT_EQ(options()->Edit1->text(), QStringLiteral("10"));
    runOptions([](TOptionsDlg* d) { QTest::mouseClick(d->OKbtn, Qt::LeftButton); });
    EXPECT_EQ(settings().compressionLevel(), -1);
    EXPECT_EQ(settings().shredCount(), 10);
    EXPECT_EQ(ctx->compressionLevel(), 0);
}

TEST_F(OptionsTest, OddAndSmallStoredCountsAreBroughtIntoTheCounterRange)
{
    zerath::Settings(dir.path()).SaveOptions(1, 5);
    start();
    EXPECT_EQ(options()->passCount(), 4);
    windows.reset();
    ctx.reset();
    zerath::Settings(dir.path()).SaveOptions(1, -3);
    start();
    EXPECT_EQ(options()->passCount(), 4);
}

TEST_F(OptionsTest, DraggingByTenAndFiveMovesTheDialogExactlyThatMuch)
{
    start();
    TOptionsDlg* d = options();
    d->move(100, 100);
    d->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(d));
    const QPoint before = d->pos();
    const QPoint grip(200, 20); // the picture's title band, clear of the controls
    ASSERT_EQ(d->childAt(grip), nullptr);
    sendMouse(d, QEvent::MouseButtonPress, grip, Qt::LeftButton, Qt::LeftButton);
    sendMouse(d, QEvent::MouseMove, grip + QPoint(10, 5), Qt::NoButton, Qt::LeftButton);
    sendMouse(d, QEvent::MouseButtonRelease, grip + QPoint(10, 5), Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(d->pos(), before + QPoint(10, 5));
    d->hide();
}
