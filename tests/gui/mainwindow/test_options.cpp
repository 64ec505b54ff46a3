// The options dialog behind the main window's Options button: what it reads
// at start, what OK and Cancel leave in the settings file and in effect.
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <functional>

#include "GuiFixture.h"
#include "settings/Settings.h"
#include "shredder/Shredder.h"
#include "widgets/HNoShape.h"
#include "windows/CryptForm.h"
#include "windows/OptionsDlg.h"

using namespace guitest;

namespace {

struct OptionsTest : GuiTest {
    TOptionsDlg* options() const { return windows->options(); }
    // Presses Options; `inside` runs while the dialog is up and closes it.
    void runOptions(const std::function<void(TOptionsDlg*)>& inside)
    {
        bool ran = false;
        QTimer::singleShot(0, [&] {
            ASSERT_EQ(QApplication::activeModalWidget(), options());
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

struct PassRecorder : zerath::WipeProgress {
    void setMax(int m) override { max = m; }
    void setPosition(int) override {}
    int max = -1;
};

} // namespace

TEST_F(OptionsTest, StoredValuesAreBroughtIntoRangeAtStart)
{
    const struct {
        int level, count; // stored; level -2: no settings file
        int shownIndex, shownCount, levelInEffect;
    } rows[] = {
        {-2, 0, 1, 4, 1}, {3, 8, 3, 8, 3}, {7, 12, -1, 10, 0}, {1, 5, 1, 4, 1}, {1, -3, 1, 4, 1},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.level * 100 + r.count);
        QFile::remove(qfile("zerath.ini"));
        if (r.level != -2) settings().SaveOptions(r.level, r.count);
        startMain();
        EXPECT_EQ(options()->cbxCompress->currentIndex(), r.shownIndex);
        EXPECT_EQ(options()->passCount(), r.shownCount);
        EXPECT_EQ(ctx->passCount(), r.shownCount);
        EXPECT_EQ(ctx->compressionLevel(), r.levelInEffect);
        windows.reset();
        ctx.reset();
    }
}

TEST_F(OptionsTest, OkWritesBothValuesAndEnterIsOk)
{
    settings().SaveOptions(7, 8);
    startMain();
    runOptions([](TOptionsDlg* d) { click(d->OKbtn); });
    EXPECT_EQ(settings().compressionLevel(), -1) << "an unknown level is written back as none selected";
    runOptions([](TOptionsDlg* d) {
        d->cbxCompress->setCurrentIndex(2);
        click(d->ShredCount->upButton());
        QTest::keyClick(d, Qt::Key_Return);
    });
    EXPECT_EQ(ctx->compressionLevel(), 2);
    EXPECT_EQ(settings().compressionLevel(), 2);
    EXPECT_EQ(settings().shredCount(), 10);
}

TEST_F(OptionsTest, CancelKeepsTheFileButTheCounterReachesTheNextWipe)
{
    settings().SaveOptions(2, 6);
    startMain();
    const std::string before = ini();
    runOptions([](TOptionsDlg* d) {
        click(d->ShredCount->upButton());
        click(d->ShredCount->upButton());
        d->cbxCompress->setCurrentIndex(3);
        click(d->cancelbtn);
    });
    EXPECT_EQ(ini(), before);
    EXPECT_EQ(ctx->compressionLevel(), 2);
    PassRecorder passes;
    ctx->setWipeProgress(&passes);
    zerath::test::writeFile(file("victim.txt"), std::string(3000, 'v'));
    ctx->shredder().ShredFile(file("victim.txt"));
    ctx->setWipeProgress(nullptr);
    EXPECT_EQ(passes.max, 10);
    runOptions([](TOptionsDlg* d) { QTest::keyClick(d, Qt::Key_Escape); });
    EXPECT_EQ(ini(), before);
}

TEST_F(OptionsTest, CounterStepsByTwoBetweenFourAndTenWithoutWrapping)
{
    startMain();
    TOptionsDlg* d = options();
    QStringList seen;
    for (QToolButton* b : {d->ShredCount->upButton(), d->ShredCount->downButton()})
        for (int i = 0; i < 4; ++i) {
            click(b);
            seen << d->Edit1->text();
        }
    EXPECT_EQ(seen, QStringList({"6", "8", "10", "10", "8", "6", "4", "4"}));
    QTest::keyClick(d->Edit1, Qt::Key_Up);
    QTest::keyClicks(d->Edit1, "9"); // typing does not change it
    EXPECT_EQ(d->passCount(), 6);
}
