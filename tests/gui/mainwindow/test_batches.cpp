// Drops on the main window, batches with their summary, cancelling a command
// from the progress window, and the key pair found for an encrypted file.
#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include "GuiFixture.h"
#include "TestHelpers.h"
#include "widgets/HNoShape.h"
#include "windows/CryptForm.h"
#include "windows/KeyRingGrid.h"
#include "windows/PopupFrm.h"

using namespace zerath::test;

namespace guitest {
namespace {

QString lastText()
{
    return Messages::lastShown().text;
}

class Batches : public GuiTest {
protected:
    std::string keyId;
    void SetUp() override
    {
        GuiTest::SetUp();
        keyId = id(TestKey::AlicePair);
        startMain();
        doubleClickRow(mainWindow()->DBGrid, rowOf(mainWindow()->DBGrid, keyId));
    }
    // A drop as the window system delivers it: enter, then drop.
    void drop(const std::vector<std::string>& files)
    {
        QMimeData mime;
        QList<QUrl> urls;
        for (const auto& f : files) urls << QUrl::fromLocalFile(QString::fromStdString(f));
        mime.setUrls(urls);
        const QPoint at(300, 300);
        QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(mainWindow(), &enter);
        ASSERT_TRUE(enter.isAccepted());
        QDropEvent dropped(QPointF(at), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(mainWindow(), &dropped);
    }
    // Presses Cancel (or Escape) once the command is under way.
    void cancelMidway(bool escape)
    {
        auto* timer = new QTimer(mainWindow());
        QObject::connect(timer, &QTimer::timeout, [this, timer, escape] {
            Tpopupfrm* p = mainWindow()->progressWindow();
            if (!p->isVisible() || p->fraction() <= 0) return;
            escape ? QTest::keyClick(p, Qt::Key_Escape) : QTest::mouseClick(p->Cancelbtn, Qt::LeftButton);
            timer->stop();
            timer->deleteLater();
        });
        timer->start(0);
    }
};

TEST_F(Batches, ADropFillsTheFieldsThenABatchOfThreeWithAFailingFileThenYesToAll)
{
    const std::vector<std::string> files{file("a.txt"), file("b.txt"), file("c.txt")};
    for (const auto& f : files) writeFile(f, f);
    writeFile(file("d.enc"), "d");
    drop({file("d.enc")});
    EXPECT_EQ(mainWindow()->DecFileEdit->text().toStdString(), file("d.enc"));
    drop(files);
    EXPECT_EQ(mainWindow()->EncFileEdit->text(), QStringLiteral("3 files"));
    EXPECT_TRUE(Messages::shown().isEmpty()); // nothing started
    std::remove(files[1].c_str());
    Messages::setNextAnswer(Answer::Ok);
    click(mainWindow()->Encryptbtn);
    EXPECT_EQ(lastText(), "Encrypted 2 of 3 files.\nDone:\n  a.txt \u2192 a.txt.enc\n  c.txt \u2192 c.txt.enc\nNot done:\n"
                          "  b.txt: File to encrypt does not exists or the name is empty.");

    writeFile(files[1], "b");
    for (const std::string& f : {files[0] + ".enc", files[2] + ".enc"}) writeFile(f, "old");
    Messages::setNextAnswer(Answer::YesToAll);
    Messages::setNextAnswer(Answer::Ok);
    click(mainWindow()->Encryptbtn);
    EXPECT_EQ(Messages::shown().at(Messages::shown().size() - 2).buttons, Messages::Buttons::YesNoAll);
    for (const auto& f : files) EXPECT_NE(readFile(f + ".enc"), "old") << f;
}

TEST_F(Batches, CancelLeavesNothingBehindAndTheKeyPairIsFoundWithoutASelection)
{
    std::string big(4 << 20, 'x'), src = file("big.bin");
    for (char& c : big) c = char(std::rand()); // incompressible: many pieces each way
    writeFile(src, big);
    drop({src});
    Messages::setNextAnswer(Answer::Ok);
    click(mainWindow()->Encryptbtn);
    ASSERT_EQ(lastText(), "File encrypted successfuly.");
    const std::string enc = readFile(src + ".enc");
    std::remove((src + ".enc").c_str());

    cancelMidway(false);
    Messages::setNextAnswer(Answer::Ok);
    click(mainWindow()->Encryptbtn);
    EXPECT_EQ(lastText(), "Operation cancelled.");
    EXPECT_EQ(folderNames(home()), (std::vector<std::string>{"ZerathKeys.db", "ZerathKeys.db.lock", "big.bin"}));
    EXPECT_EQ(readFile(src), big);

    writeFile(src + ".enc", enc);
    std::remove(src.c_str());
    QTest::mouseClick(mainWindow()->ClearRecipientbtn, Qt::LeftButton);
    drop({src + ".enc"});
    Messages::setNextText(QString::fromLatin1(zerath::test::kAlicePassphrase));
    cancelMidway(true);
    Messages::setNextAnswer(Answer::Ok);
    click(mainWindow()->Decryptbtn);
    EXPECT_EQ(lastText(), "Operation cancelled.");
    EXPECT_EQ(folderNames(home()), (std::vector<std::string>{"ZerathKeys.db", "ZerathKeys.db.lock", "big.bin.enc"}));
    EXPECT_EQ(Messages::asked().last().prompt.toStdString(),
              "Passphrase for Alice Example <alice@example.org> (" + keyId + "):");
    EXPECT_TRUE(mainWindow()->MailBoxKeyID->text().isEmpty()); // the recipient stays as it was chosen
}

} // namespace
} // namespace guitest
