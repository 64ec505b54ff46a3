// Drops on the main window, batches with their summary, cancelling a command
// from the progress window, and the key pair found for an encrypted file.
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include <unistd.h>

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
    void drop(const std::vector<std::string>& files, QPoint at = QPoint(300, 300))
    {
        QMimeData mime;
        QList<QUrl> urls;
        for (const auto& f : files) urls << QUrl::fromLocalFile(QString::fromStdString(f));
        mime.setUrls(urls);
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
    EXPECT_EQ(lastText(), "Encrypted 2 of 3 files.\nFile to encrypt does not exists or the name is empty.\n  b.txt");

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
    EXPECT_EQ(mainWindow()->MailBoxKeyID->text().toStdString(), keyId);
}

// The program folder as a tree: its own files, a link, an encrypted file and a
// hard-linked file (wipe on) are left out and named; the rest round-trips, each
// output beside its source, the passphrase right at the second try.
TEST_F(Batches, AFolderDroppedOnEachFieldRoundTripsAndNamesWhatItLeftOut)
{
    const std::string tree = file("tree");
    for (const std::string& d : {tree, tree + "/sub", tree + "/sub/deep"}) QDir().mkpath(QString::fromStdString(d));
    const std::vector<std::string> plain{tree + "/.hidden", tree + "/sub/deep/c.bin", file("top.txt")};
    for (const std::string& f : plain) writeFile(f, "content of " + f);
    writeFile(tree + "/old.enc", "not ours");
    writeFile(tree + "/shared", "two names");
    ASSERT_EQ(::link((tree + "/shared").c_str(), (tree + "/sub/twin").c_str()), 0);
    ASSERT_EQ(::symlink("shared", (tree + "/link").c_str()), 0);

    drop({home()});
    EXPECT_EQ(QDir(mainWindow()->EncFileEdit->text()).absolutePath(), QDir(qfile("")).absolutePath());
    mainWindow()->WipeOutOriginalFileCB->setChecked(true);
    Messages::setNextAnswer(Answer::Yes); // the wipe
    Messages::setNextAnswer(Answer::Ok);
    click(mainWindow()->Encryptbtn);
    EXPECT_EQ(lastText().toStdString(),
              "Encrypted 3 of 3 files. 6 skipped.\nskipped: Zerath's own data file (2 files)\n  ZerathKeys.db\n"
              "  ZerathKeys.db.lock\nskipped: symbolic link, not followed\n  link\nskipped: already encrypted\n"
              "  old.enc\nskipped: has other hard links, which the wipe would destroy too (2 files)\n  shared\n  twin");
    for (const std::string& f : plain) EXPECT_FALSE(QFile::exists(QString::fromStdString(f))) << f;
    EXPECT_EQ(readFile(tree + "/shared"), "two names");

    const QRect decryptField = mainWindow()->DecFileEdit->geometry();
    drop({tree, file("top.txt.enc")}, decryptField.center());
    Messages::setNextText(QStringLiteral("mistyped"));
    Messages::setNextText(QString::fromLatin1(zerath::test::kAlicePassphrase));
    Messages::setNextAnswer(Answer::Ok);
    click(mainWindow()->Decryptbtn);
    EXPECT_EQ(lastText().toStdString().substr(0, 24), "Decrypted 3 of 4 files. "); // old.enc is no file of ours
    for (const std::string& f : plain) EXPECT_EQ(readFile(f), "content of " + f);
}

// The overwrite question of a batch opens in front, the progress window stepped back.
TEST_F(Batches, AQuestionDuringABatchIsTheActiveWindow)
{
    const std::vector<std::string> files{file("a.txt"), file("b.txt")};
    for (const auto& f : files) writeFile(f, f), writeFile(f + ".enc", "old");
    drop(files);
    bool inFront = false, progressBack = false;
    int waited = 0; // polls until the window system activates the question
    auto* poll = new QTimer(mainWindow());
    QObject::connect(poll, &QTimer::timeout, [&, poll] {
        QWidget* question = QApplication::activeModalWidget();
        if (!question || (QApplication::activeWindow() != question && ++waited < 100)) return;
        poll->stop();
        poll->deleteLater();
        inFront = QApplication::activeWindow() == question;
        progressBack = !mainWindow()->progressWindow()->isVisible();
        Messages::setScripted(true); // the boxes after this one
        auto* box = qobject_cast<QMessageBox*>(question);
        ASSERT_NE(box, nullptr);
        box->button(QMessageBox::No)->click(); // keep it
    });
    poll->start(5);
    Messages::setScripted(false);
    Messages::setNextAnswer(Answer::No);
    Messages::setNextAnswer(Answer::Ok);
    click(mainWindow()->Encryptbtn);
    Messages::setScripted(true);
    EXPECT_TRUE(inFront);
    EXPECT_TRUE(progressBack);
    EXPECT_EQ(readFile(files[0] + ".enc"), "old");
}

} // namespace
} // namespace guitest
