// A second `zerath FILE...` hands its files to the program already running on
// the same data folder: two processes under the offscreen platform.
#include <QCheckBox>
#include <QDeadlineTimer>
#include <QProcess>
#include <QTemporaryDir>

#include "GuiFixture.h"
#include "app/SingleInstance.h"
#include "windows/CryptForm.h"

namespace guitest {
namespace {

class HandOver : public GuiTest {
protected:
    QTemporaryDir runtime;
    QByteArray savedRuntime = qgetenv("XDG_RUNTIME_DIR");
    void SetUp() override
    {
        GuiTest::SetUp();
        qputenv("XDG_RUNTIME_DIR", runtime.path().toUtf8());
    }
    void TearDown() override
    {
        qputenv("XDG_RUNTIME_DIR", savedRuntime);
        GuiTest::TearDown();
    }
    // Runs `zerath args` on this data folder; its exit code, -1 when it had
    // not ended after a few seconds.
    int secondProgram(const QStringList& args)
    {
        QProcess second;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("ZERATH_HOME"), QString::fromStdString(home()));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        second.setProcessEnvironment(env);
        second.start(QStringLiteral(ZERATH_BINARY_DIR "/bin/zerath"), args);
        // The event loop runs meanwhile, so this program answers.
        for (QDeadlineTimer end(8000); second.state() != QProcess::NotRunning && !end.hasExpired();)
            QTest::qWait(20);
        // Still running: it started a program of its own, which ~QProcess ends.
        return second.state() == QProcess::NotRunning ? second.exitCode() : -1;
    }
};

TEST_F(HandOver, ASecondStartFillsTheRunningProgramsFieldsAndEnds)
{
    startMain();
    SingleInstance instance(SingleInstance::socketPath(QString::fromStdString(home())));
    ASSERT_TRUE(instance.listening());
    QObject::connect(&instance, &SingleInstance::filesReceived, mainWindow(),
                     [this](const QStringList& files) { openHandedOver(mainWindow(), files); });
    writeFile(file("letter.txt"), "dear bob");
    writeFile(file("letter.txt.enc"), std::string(100, '\1'));
    mainWindow()->showMinimized();

    EXPECT_EQ(secondProgram({qfile("letter.txt"), qfile("letter.txt.enc")}), 0);
    EXPECT_EQ(mainWindow()->EncFileEdit->text(), qfile("letter.txt"));
    EXPECT_EQ(mainWindow()->DecFileEdit->text(), qfile("letter.txt.enc"));
    EXPECT_FALSE(mainWindow()->WipeOutOriginalFileCB->isChecked());
    EXPECT_FALSE(mainWindow()->isMinimized());
}

} // namespace
} // namespace guitest
