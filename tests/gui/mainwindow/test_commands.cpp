// Encrypt and Decrypt through the main window's buttons: round trips, every
// check and question as the user sees it, the progress window, the masked
// passphrase prompt.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "MainWindowFixture.h"
#include "common/Secure.h"
#include "widgets/ALStatusBar.h"
#include "widgets/HNoShape.h"
#include "windows/CryptForm.h"
#include "windows/GuiFileCommandUi.h"
#include "windows/PopupFrm.h"

using namespace guitest;
using Kind = Messages::Kind;

namespace {

const QString kNoMailBox = QStringLiteral("No mail box specified");
const QString kNoEncSource = QStringLiteral("File to encrypt does not exists or the name is empty.");
const QString kNoDecSource = QStringLiteral("File to decrypt does not exists or the name is empty.");
const QString kWipeQuestion = QStringLiteral(
    "You have selected to remove the original file permenently\rRemove after successful encryption?");

class CommandTest : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        importOwnKeyPair();
        importOtherPublicKey();
        start();
        w = mainWindow();
        w->CipherAutoSelectCB->setChecked(false);
    }

    void selectRecipient(const std::string& keyId)
    {
        const int row = rowOfKey(keyId);
        ASSERT_GE(row, 0);
        doubleClickRow(row);
        ASSERT_EQ(w->MailBoxKeyID->text().toStdString(), keyId);
    }

    // Encrypts `name` for the own key pair with the given cipher; the
    // information box is answered.
    void encrypt(const std::string& name, int cipher)
    {
        selectRecipient(sampleKeys().ownKeyId);
        chooseEncryptFile(file(name));
        w->cbxCipher->setCurrentIndex(cipher);
        Messages::setNextAnswer(Messages::Answer::Ok);
        click(w->Encryptbtn);
    }

    void expectNoBoxSince(int count) { EXPECT_EQ(Messages::shown().size(), count); }
    bool exists(const std::string& name) const { return QFile::exists(qfile(name)); }

    TCryptForm* w = nullptr;
};

} // namespace

TEST_F(CommandTest, EncryptAndDecryptRoundTripThroughTheButtons)
{
    const std::string plain = "The quick brown fox jumps over the lazy dog.\n" + std::string(5000, 'z');
    zerath::test::writeFile(file("letter.txt"), plain);

    encrypt("letter.txt", 3);
    expectLastBox(Kind::Information, QStringLiteral("File encrypted successfuly."));
    ASSERT_TRUE(exists("letter.txt.enc"));
    const std::string enc = zerath::test::readFile(file("letter.txt.enc"));
    ASSERT_GT(enc.size(), 23u);
    EXPECT_EQ(enc[0], char(3));
    EXPECT_EQ(w->Status->panelText(1), QStringLiteral("Cipher: Serpent, Key size: 256"));
    EXPECT_TRUE(w->Status->panelText(0).startsWith(QStringLiteral("Compression: ")));
    EXPECT_EQ(w->EncFileEdit->text(), qfile("letter.txt")); // kept: no wipe
    EXPECT_TRUE(exists("letter.txt"));
    // The search for the recipient leaves it selected and highlighted.
    EXPECT_TRUE(w->RecipientSelected());
    EXPECT_FALSE(w->progressWindow()->isVisible());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    // Decrypt with the same key pair into letter.txt (the source moved away).
    ASSERT_TRUE(QFile::rename(qfile("letter.txt"), qfile("original.txt")));
    w->cbxCipher->setCurrentIndex(0);
    chooseDecryptFile(file("letter.txt.enc"));
    Messages::setNextText(QString::fromStdString(sampleKeys().passphrase));
    Messages::setNextAnswer(Messages::Answer::Ok);
    const int asked = int(Messages::asked().size());
    click(w->Decryptbtn);
    expectLastBox(Kind::Information, QStringLiteral("File decrypted successfuly"));
    ASSERT_EQ(Messages::asked().size(), asked + 1);
    EXPECT_EQ(Messages::asked().last().title, QStringLiteral("Private Key Passphrase"));
    EXPECT_EQ(Messages::asked().last().prompt, QStringLiteral("Enter passphrase"));
    EXPECT_TRUE(Messages::asked().last().proposed.isEmpty());
    EXPECT_EQ(zerath::test::readFile(file("letter.txt")), plain);
    EXPECT_EQ(w->cbxCipher->currentIndex(), 3); // the file's cipher
    EXPECT_FALSE(w->progressWindow()->isVisible());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_FALSE(exists("letter.txt.tmp"));
}

TEST_F(CommandTest, EncryptChecksComeInOrderAndStopWithoutWriting)
{
    zerath::test::writeFile(file("a.txt"), "alpha");
    // No recipient.
    chooseEncryptFile(file("a.txt"));
    Messages::setNextAnswer(Messages::Answer::Ok);
    click(w->Encryptbtn);
    expectLastBox(Kind::Plain, kNoMailBox);

    // No file (an empty name included).
    selectRecipient(sampleKeys().otherKeyId);
    w->EncFileEdit->clear();
    Messages::setNextAnswer(Messages::Answer::Ok);
    click(w->Encryptbtn);
    expectLastBox(Kind::Warning, kNoEncSource);
    chooseEncryptFile(file("missing.txt"));
    Messages::setNextAnswer(Messages::Answer::Ok);
    click(w->Encryptbtn);
    expectLastBox(Kind::Warning, kNoEncSource);

    // Wipe question: Cancel stops.
    chooseEncryptFile(file("a.txt"));
    w->WipeOutOriginalFileCB->setChecked(true);
    Messages::setNextAnswer(Messages::Answer::Cancel);
    click(w->Encryptbtn);
    expectLastBox(Kind::Warning, kWipeQuestion);
    EXPECT_EQ(int(Messages::lastShown().buttons), int(Messages::Buttons::YesNoCancel));
    EXPECT_FALSE(exists("a.txt.enc"));

    // Overwrite question: Cancel leaves the existing output alone.
    w->WipeOutOriginalFileCB->setChecked(false);
    zerath::test::writeFile(file("a.txt.enc"), "older");
    Messages::setNextAnswer(Messages::Answer::Cancel);
    click(w->Encryptbtn);
    expectLastBox(Kind::Confirmation, QStringLiteral("Output file \"a.txt.enc\" already exists. Overwrite?"));
    EXPECT_EQ(int(Messages::lastShown().buttons), int(Messages::Buttons::OkCancel));
    EXPECT_EQ(zerath::test::readFile(file("a.txt.enc")), "older");

    // OK replaces it (for the public key only row).
    Messages::setNextAnswer(Messages::Answer::Ok);
    Messages::setNextAnswer(Messages::Answer::Ok);
    click(w->Encryptbtn);
    expectLastBox(Kind::Information, QStringLiteral("File encrypted successfuly."));
    EXPECT_NE(zerath::test::readFile(file("a.txt.enc")), "older");
}

TEST_F(CommandTest, WipingAfterEncryptionDeletesTheSourceAndClearsTheField)
{
    zerath::test::writeFile(file("keep.txt"), "keep me");
    zerath::test::writeFile(file("burn.txt"), "burn me");
    w->WipeOutOriginalFileCB->setChecked(true);

    // No: encrypted, the source stays.
    selectRecipient(sampleKeys().ownKeyId);
    chooseEncryptFile(file("keep.txt"));
    Messages::setNextAnswer(Messages::Answer::No);
    Messages::setNextAnswer(Messages::Answer::Ok);
    click(w->Encryptbtn);
    expectLastBox(Kind::Information, QStringLiteral("File encrypted successfuly."));
    EXPECT_TRUE(exists("keep.txt"));
    EXPECT_TRUE(exists("keep.txt.enc"));

    // Yes: the source is wiped with the shared wiping routine.
    chooseEncryptFile(file("burn.txt"));
    Messages::setNextAnswer(Messages::Answer::Yes);
    Messages::setNextAnswer(Messages::Answer::Ok);
    click(w->Encryptbtn);
    expectLastBox(Kind::Information,
                  QStringLiteral("File encrypted successfuly and original file permenently deleted"));
    EXPECT_FALSE(exists("burn.txt"));
    EXPECT_FALSE(exists("$000000.tmp"));
    EXPECT_TRUE(exists("burn.txt.enc"));
    EXPECT_TRUE(w->EncFileEdit->text().isEmpty());
}

TEST_F(CommandTest, StealthyCipherShowsTheCipherTheFileRecords)
{
    zerath::test::writeFile(file("s.txt"), "stealthy");
    w->CipherAutoSelectCB->setChecked(true);
    for (int i = 0; i < 3; ++i) {
        if (i) QFile::remove(qfile("s.txt.enc"));
        encrypt("s.txt", 0);
        const std::string enc = zerath::test::readFile(file("s.txt.enc"));
        ASSERT_FALSE(enc.empty());
        EXPECT_EQ(int(enc[0]), w->cbxCipher->currentIndex());
    }
}

TEST_F(CommandTest, DecryptChecksAndAnswersStopWithoutWriting)
{
    zerath::test::writeFile(file("d.txt"), "delta");
    encrypt("d.txt", 1);
    ASSERT_TRUE(exists("d.txt.enc"));
    QFile::remove(qfile("d.txt"));

    // No file.
    Messages::setNextAnswer(Messages::Answer::Ok);
    click(w->Decryptbtn);
    expectLastBox(Kind::Warning, kNoDecSource);

    // No key selected.
    chooseDecryptFile(file("d.txt.enc"));
    QTest::mouseClick(w->ClearRecipientbtn, Qt::LeftButton);
    Messages::setNextAnswer(Messages::Answer::Ok);
    click(w->Decryptbtn);
    expectLastBox(Kind::Warning, QStringLiteral("No Private key selected. Double click on private key."));

    // A public key only: no passphrase is asked.
    selectRecipient(sampleKeys().otherKeyId);
    const int asked = int(Messages::asked().size());
    Messages::setNextAnswer(Messages::Answer::Ok);
    click(w->Decryptbtn);
    expectLastBox(Kind::Warning, QStringLiteral("Select a private key and try again."));
    EXPECT_EQ(Messages::asked().size(), asked);

    // Passphrase cancelled: nothing shown, nothing written.
    selectRecipient(sampleKeys().ownKeyId);
    const int shown = int(Messages::shown().size());
    Messages::setNextTextCancel();
    click(w->Decryptbtn);
    expectNoBoxSince(shown);
    EXPECT_FALSE(exists("d.txt"));

    // Wrong passphrase.
    Messages::setNextText(QStringLiteral("not the passphrase"));
    Messages::setNextAnswer(Messages::Answer::Ok);
    click(w->Decryptbtn);
    expectLastBox(Kind::Error, QStringLiteral("Uncorrect Passphrase for the private key. Decryption aborted"));
    EXPECT_FALSE(exists("d.txt"));

    // Overwrite question: Cancel leaves the existing output alone.
    zerath::test::writeFile(file("d.txt"), "existing");
    Messages::setNextText(QString::fromStdString(sampleKeys().passphrase));
    Messages::setNextAnswer(Messages::Answer::Cancel);
    click(w->Decryptbtn);
    expectLastBox(Kind::Confirmation, QStringLiteral("Output file \"d.txt\" already exists. Overwrite?"));
    EXPECT_EQ(zerath::test::readFile(file("d.txt")), "existing");

    // OK replaces it.
    Messages::setNextText(QString::fromStdString(sampleKeys().passphrase));
    Messages::setNextAnswer(Messages::Answer::Ok);
    Messages::setNextAnswer(Messages::Answer::Ok);
    click(w->Decryptbtn);
    expectLastBox(Kind::Information, QStringLiteral("File decrypted successfuly"));
    EXPECT_EQ(zerath::test::readFile(file("d.txt")), "delta");
}

TEST_F(CommandTest, DecryptingAFileForAnotherKeyOrADamagedFileFails)
{
    zerath::test::writeFile(file("o.txt"), "for bob");
    selectRecipient(sampleKeys().otherKeyId);
    chooseEncryptFile(file("o.txt"));
    w->cbxCipher->setCurrentIndex(4);
    Messages::setNextAnswer(Messages::Answer::Ok);
    click(w->Encryptbtn);
    expectLastBox(Kind::Information, QStringLiteral("File encrypted successfuly."));
    EXPECT_EQ(w->Status->panelText(1), QStringLiteral("Cipher: Twofish, Key size: 256"));
    QFile::remove(qfile("o.txt"));

    // Alice's key pair cannot open Bob's file.
    selectRecipient(sampleKeys().ownKeyId);
    chooseDecryptFile(file("o.txt.enc"));
    Messages::setNextText(QString::fromStdString(sampleKeys().passphrase));
    Messages::setNextAnswer(Messages::Answer::Ok);
    click(w->Decryptbtn);
    const QString text = Messages::lastShown().text;
    EXPECT_EQ(int(Messages::lastShown().kind), int(Kind::Error));
    EXPECT_TRUE(text == QStringLiteral("The Private Key does not match the public key used for encryption.") ||
                text == QStringLiteral("Decryption Error!, operation aborted"))
        << text.toStdString();
    EXPECT_FALSE(exists("o.txt"));
    EXPECT_FALSE(w->progressWindow()->isVisible());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    // A file cut inside its header.
    zerath::test::writeFile(file("cut.enc"), std::string("\x01\x00\x00", 3));
    chooseDecryptFile(file("cut.enc"));
    Messages::setNextText(QString::fromStdString(sampleKeys().passphrase));
    Messages::setNextAnswer(Messages::Answer::Ok);
    click(w->Decryptbtn);
    expectLastBox(Kind::Error, QStringLiteral("An error occurred while decrypting the file"));
    EXPECT_FALSE(exists("cut"));
    EXPECT_FALSE(w->progressWindow()->isVisible());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(CommandTest, AKeyRemovedFromTheKeyRingIsReportedNotUsed)
{
    zerath::test::writeFile(file("r.txt"), "removed");
    selectRecipient(sampleKeys().ownKeyId);
    w->MailBoxKeyID->setText(QStringLiteral("DEADBEEF")); // as after a removal in the key manager
    chooseEncryptFile(file("r.txt"));
    Messages::setNextAnswer(Messages::Answer::Ok);
    click(w->Encryptbtn);
    expectLastBox(Kind::Warning,
                  QStringLiteral("The selected key is no longer in the key ring. Select a key and try again."));
    EXPECT_FALSE(exists("r.txt.enc"));
    EXPECT_FALSE(w->RecipientSelected());
}

TEST_F(CommandTest, ProgressWindowShowsThreeLinesWithTheCurrentOneBoldAndBlocksSecondCommands)
{
    zerath::test::writeFile(file("p.txt"), std::string(200000, 'p'));
    selectRecipient(sampleKeys().ownKeyId);
    chooseEncryptFile(file("p.txt"));
    QStringList firstLines;
    int busyClicks = 0;
    // While the command runs, its pump lets this timer look at the windows and
    // press Encrypt again.
    QTimer probe;
    probe.setInterval(0);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        if (!w->isBusy()) return;
        Tpopupfrm* p = w->progressWindow();
        if (p->isVisible()) firstLines << p->process1->text() + QLatin1Char('|') + QString::number(p->boldIndex());
        if (busyClicks == 0) {
            ++busyClicks;
            click(w->Encryptbtn); // ignored: a command is running
            QTest::mouseClick(w->ClearRecipientbtn, Qt::LeftButton);
        }
        EXPECT_NE(QApplication::overrideCursor(), nullptr);
    });
    probe.start();
    Messages::setNextAnswer(Messages::Answer::Ok);
    click(w->Encryptbtn);
    probe.stop();
    expectLastBox(Kind::Information, QStringLiteral("File encrypted successfuly."));
    EXPECT_EQ(Messages::shown().size(), 1);
    EXPECT_EQ(busyClicks, 1);
    EXPECT_FALSE(w->MailBoxKeyID->text().isEmpty()); // Clear was ignored too
    ASSERT_FALSE(firstLines.isEmpty());
    EXPECT_TRUE(firstLines.contains(QStringLiteral("Compression started, please wait...|1")))
        << firstLines.join(QLatin1Char(',')).toStdString();
    EXPECT_EQ(w->progressWindow()->process1->text(), QStringLiteral("-"));
}

TEST(GuiFileCommandUi, ThePassphrasePromptIsMaskedAndItsTextIsHandedOverOnly)
{
    Messages::reset();
    Messages::setScripted(false);
    GuiFileCommandUi ui(nullptr, nullptr, nullptr, nullptr, zerath::nullPump());
    bool checked = false;
    QTimer::singleShot(0, [&] {
        auto* dlg = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dlg, nullptr);
        EXPECT_EQ(dlg->windowTitle(), QStringLiteral("Private Key Passphrase"));
        auto* edit = dlg->findChild<QLineEdit*>();
        ASSERT_NE(edit, nullptr);
        EXPECT_EQ(edit->echoMode(), QLineEdit::Password);
        EXPECT_TRUE(edit->text().isEmpty());
        bool prompt = false;
        for (QLabel* l : dlg->findChildren<QLabel*>())
            prompt = prompt || l->text() == QStringLiteral("Enter passphrase");
        EXPECT_TRUE(prompt);
        QTest::keyClicks(edit, QStringLiteral("s3cr"));
        edit->insert(QStringLiteral("\u00e9t pass")); // typed through an input method
        checked = true;
        dlg->accept();
    });
    zerath::SecureString pass;
    const bool ok = ui.askPassphrase(pass);
    Messages::setScripted(true);
    EXPECT_TRUE(checked);
    ASSERT_TRUE(ok);
    EXPECT_EQ(std::string(pass.view()), std::string("s3cr\xc3\xa9t pass"));
    Messages::reset();
}
