// The main window driven through its controls: Encrypt and Decrypt with every
// question and refusal and what each leaves on disk, the recipient selection,
// the settings it saves and the windows its buttons open.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <sys/stat.h>

#include "GuiFixture.h"
#include "TestHelpers.h"
#include "common/Secure.h"
#include "keyring/KeyRing.h"
#include "settings/Settings.h"
#include "widgets/HNoShape.h"
#include "windows/AboutDlg.h"
#include "windows/CryptForm.h"
#include "windows/GuiFileCommandUi.h"
#include "windows/KeyGenForm.h"
#include "windows/KeyRingGrid.h"
#include "windows/PopupFrm.h"

using namespace guitest;
using zerath::test::folderNames;
using zerath::test::readFile;
using zerath::test::writeFile;
using Names = std::vector<std::string>;

namespace {

struct MainWindowTest : GuiTest {
    void SetUp() override
    {
        GuiTest::SetUp();
        own = importKey(alice().privateFile, alice().passphrase);
        pub = importKey(alice().publicFile);
        startMain();
        w = mainWindow();
        w->CipherAutoSelectCB->setChecked(false);
    }
    void select(const std::string& keyId)
    {
        doubleClickRow(w->DBGrid, rowOf(w->DBGrid, keyId));
        ASSERT_EQ(w->MailBoxKeyID->text().toStdString(), keyId);
    }
    void chooseEnc(const std::string& name)
    {
        Messages::setNextFileName(qfile(name));
        click(w->SelectFileEnc);
    }
    void chooseDec(const std::string& name)
    {
        Messages::setNextFileName(qfile(name));
        click(w->SelectFileDec);
    }
    // Encrypts `name` for the key pair and answers the success box.
    void encrypt(const std::string& name, int cipher = 0)
    {
        select(own);
        chooseEnc(name);
        w->cbxCipher->setCurrentIndex(cipher);
        Messages::setNextAnswer(Answer::Ok);
        click(w->Encryptbtn);
    }
    Names names() const { return folderNames(dir.path()); }

    std::string own, pub;
    TCryptForm* w = nullptr;
};

struct Case {
    const char* name;
    std::function<void(MainWindowTest&)> act; // queues its answers and presses the button
    int boxes;                                // 0: silent
    Kind kind;
    Names after; // the program folder afterwards
};

} // namespace

TEST_F(MainWindowTest, EveryCipherRoundTripsThroughTheButtonsAndReplacesOnlyWhenAsked)
{
    const std::string plain = "The quick brown fox\n" + std::string(5000, 'z');
    for (int cipher = 0; cipher < 5; ++cipher) {
        SCOPED_TRACE(cipher);
        writeFile(file("letter.txt"), plain);
        writeFile(file("letter.txt.enc"), "older");
        Messages::setNextAnswer(Answer::Ok); // overwrite
        encrypt("letter.txt", cipher);
        expectBox(Kind::Information);
        const std::string enc = readFile(file("letter.txt.enc"));
        ASSERT_GT(enc.size(), 23u);
        EXPECT_EQ(enc[0], char(cipher));
        EXPECT_EQ(w->EncFileEdit->text(), qfile("letter.txt")); // kept: no wipe

        writeFile(file("letter.txt"), "older");
        w->cbxCipher->setCurrentIndex((cipher + 1) % 5);
        chooseDec("letter.txt.enc");
        Messages::setNextText(QString::fromStdString(alice().passphrase));
        Messages::setNextAnswer(Answer::Ok); // overwrite
        Messages::setNextAnswer(Answer::Ok);
        click(w->Decryptbtn);
        expectBox(Kind::Information);
        EXPECT_EQ(readFile(file("letter.txt")), plain);
        EXPECT_EQ(w->cbxCipher->currentIndex(), cipher) << "the file's cipher is shown";
        EXPECT_EQ(names(), (Names{"ZerathKeys.db", "letter.txt", "letter.txt.enc"}));
        EXPECT_FALSE(w->progressWindow()->isVisible());
        Messages::reset();
    }
}

TEST_F(MainWindowTest, EncryptRefusalsWriteNothing)
{
    const Case cases[] = {
        {"no recipient", [](MainWindowTest& t) { t.chooseEnc("a.txt"); }, 1, Kind::Plain, {}},
        {"no file", [](MainWindowTest& t) { t.select(t.pub); }, 1, Kind::Warning, {}},
        {"missing file", [](MainWindowTest& t) { t.select(t.pub), t.chooseEnc("gone.txt"); }, 1, Kind::Warning, {}},
        {"wipe question cancelled",
         [](MainWindowTest& t) {
             t.select(t.pub), t.chooseEnc("a.txt");
             t.w->WipeOutOriginalFileCB->setChecked(true);
             Messages::setNextAnswer(Answer::Cancel);
         },
         1, Kind::Warning, {}},
        {"overwrite cancelled",
         [](MainWindowTest& t) {
             t.select(t.pub), t.chooseEnc("a.txt");
             writeFile(t.file("a.txt.enc"), "older");
             Messages::setNextAnswer(Answer::Cancel);
         },
         1, Kind::Confirmation, {"a.txt.enc"}},
        {"key gone from the key ring",
         [](MainWindowTest& t) {
             t.select(t.pub), t.chooseEnc("a.txt");
             t.w->MailBoxKeyID->setText("DEADBEEF");
         },
         1, Kind::Warning, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        writeFile(file("a.txt"), "alpha");
        c.act(*this);
        if (Messages::pendingAnswers() == 0) Messages::setNextAnswer(Answer::Ok); // the one box
        click(w->Encryptbtn);
        expectBox(c.kind, c.boxes);
        Names expected{"ZerathKeys.db", "a.txt"};
        expected.insert(expected.end(), c.after.begin(), c.after.end());
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(names(), expected);
        EXPECT_EQ(readFile(file("a.txt")), "alpha");
        if (exists("a.txt.enc")) EXPECT_EQ(readFile(file("a.txt.enc")), "older");
        QFile::remove(qfile("a.txt.enc"));
        w->EncFileEdit->clear();
        w->WipeOutOriginalFileCB->setChecked(false);
        click(w->ClearRecipientbtn);
        Messages::reset();
    }
}

TEST_F(MainWindowTest, WipingTheSourceNeedsYesAndASuccessfulEncryption)
{
    for (const char* n : {"keep.txt", "burn.txt", "fail.txt"})
        writeFile(file(n), "content");
    w->WipeOutOriginalFileCB->setChecked(true);
    Messages::setNextAnswer(Answer::No);
    encrypt("keep.txt");
    Messages::setNextAnswer(Answer::Yes);
    encrypt("burn.txt");
    EXPECT_TRUE(w->EncFileEdit->text().isEmpty());
    {
        // The disk fills up while the encrypted file is written.
        zerath::FaultPlan plan;
        plan.failAfterBytes = 64;
        zerath::test::FaultGuard guard(plan);
        Messages::setNextAnswer(Answer::Yes);
        encrypt("fail.txt");
        expectBox(Kind::Error);
    }
    EXPECT_EQ(readFile(file("fail.txt")), "content");
    EXPECT_EQ(names(), (Names{"ZerathKeys.db", "burn.txt.enc", "fail.txt", "keep.txt", "keep.txt.enc"}));
}

TEST_F(MainWindowTest, DecryptRefusalsWriteNothing)
{
    writeFile(file("d.txt"), "delta");
    encrypt("d.txt", 1);
    QFile::remove(qfile("d.txt"));
    writeFile(file("cut.enc"), std::string("\x01\x00\x00", 3));
    Messages::reset();
    const auto ok = [] { Messages::setNextAnswer(Answer::Ok); };
    const auto pass = [](const char* p) { Messages::setNextText(QString::fromLatin1(p)); };
    const Case cases[] = {
        {"no file", [&](MainWindowTest& t) { t.w->DecFileEdit->clear(), ok(); }, 1, Kind::Warning, {}},
        // A file no key pair is known for (d.txt.enc itself opens with the pair found for it).
        {"no key", [&](MainWindowTest& t) { t.chooseDec("cut.enc"), click(t.w->ClearRecipientbtn), ok(); }, 1,
         Kind::Warning, {}},
        {"public key only: no passphrase asked",
         [&](MainWindowTest& t) { t.chooseDec("cut.enc"), t.select(t.pub), ok(); }, 1, Kind::Warning, {}},
        {"passphrase cancelled", [](MainWindowTest&) { Messages::setNextTextCancel(); }, 0, Kind::Plain, {}},
        {"wrong passphrase", [&](MainWindowTest&) { pass("not the passphrase"), ok(); }, 1, Kind::Error, {}},
        {"overwrite cancelled",
         [&](MainWindowTest& t) {
             writeFile(t.file("d.txt"), "existing");
             pass("correct horse battery");
             Messages::setNextAnswer(Answer::Cancel);
         },
         1, Kind::Confirmation, {"d.txt"}},
        {"file cut in its header", [&](MainWindowTest& t) { t.chooseDec("cut.enc"), pass("correct horse battery"), ok(); },
         1, Kind::Error, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        select(own);
        chooseDec("d.txt.enc");
        c.act(*this);
        const int asked = int(Messages::asked().size());
        click(w->Decryptbtn);
        EXPECT_EQ(Messages::shown().size(), c.boxes);
        if (c.boxes) expectBox(c.kind);
        if (std::string(c.name).starts_with("public")) EXPECT_EQ(Messages::asked().size(), asked);
        Names expected{"ZerathKeys.db", "cut.enc", "d.txt.enc"};
        expected.insert(expected.end(), c.after.begin(), c.after.end());
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(names(), expected);
        if (exists("d.txt")) EXPECT_EQ(readFile(file("d.txt")), "existing");
        QFile::remove(qfile("d.txt"));
        Messages::reset();
    }
}

TEST_F(MainWindowTest, StealthyCipherShowsTheCipherTheFileRecords)
{
    writeFile(file("s.txt"), "stealthy");
    w->CipherAutoSelectCB->setChecked(true);
    for (int i = 0; i < 3; ++i) {
        QFile::remove(qfile("s.txt.enc"));
        encrypt("s.txt", 0);
        EXPECT_EQ(int(readFile(file("s.txt.enc"))[0]), w->cbxCipher->currentIndex());
    }
}

TEST_F(MainWindowTest, ARunningCommandShowsProgressAndIgnoresOtherButtons)
{
    writeFile(file("p.txt"), std::string(200000, 'p'));
    select(own);
    chooseEnc("p.txt");
    int polls = 0;
    bool progressShown = false;
    QTimer probe;
    probe.setInterval(0);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        if (!w->isBusy()) return;
        progressShown = progressShown || w->progressWindow()->isVisible();
        EXPECT_NE(QApplication::overrideCursor(), nullptr);
        if (polls++ == 0) {
            click(w->Encryptbtn); // no second command, no question
            click(w->ClearRecipientbtn);
        }
    });
    probe.start();
    Messages::setNextAnswer(Answer::Ok);
    click(w->Encryptbtn);
    probe.stop();
    expectBox(Kind::Information, 1);
    EXPECT_GT(polls, 0);
    EXPECT_TRUE(progressShown);
    EXPECT_FALSE(w->progressWindow()->isVisible());
    EXPECT_TRUE(w->RecipientSelected()) << "Clear was ignored too";
}

TEST(GuiFileCommandUi, ThePassphrasePromptIsMaskedAndHandsOverWhatWasTyped)
{
    Messages::reset();
    Messages::setScripted(false);
    GuiFileCommandUi ui(nullptr, nullptr, nullptr, nullptr, zerath::nullPump());
    bool checked = false;
    QTimer::singleShot(0, [&] {
        auto* dlg = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dlg, nullptr);
        auto* edit = dlg->findChild<QLineEdit*>();
        ASSERT_NE(edit, nullptr);
        EXPECT_EQ(edit->echoMode(), QLineEdit::Password);
        EXPECT_TRUE(edit->text().isEmpty());
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
}

TEST_F(MainWindowTest, RecipientFollowsDoubleClickSelectButtonClearAndCursor)
{
    const int ownRow = rowOf(w->DBGrid, own), pubRow = rowOf(w->DBGrid, pub);
    clickRow(w->DBGrid, ownRow);
    EXPECT_FALSE(w->RecipientSelected());
    select(own);
    EXPECT_TRUE(w->RecipientSelected());
    clickRow(w->DBGrid, pubRow); // another row: deselected, the fields keep their text
    EXPECT_FALSE(w->RecipientSelected());
    EXPECT_EQ(w->MailBoxKeyID->text().toStdString(), own);
    click(w->AddMailBoxbtn); // the cursor row
    EXPECT_TRUE(w->RecipientSelected());
    EXPECT_EQ(w->MailBoxKeyID->text().toStdString(), pub);
    click(w->ClearRecipientbtn);
    EXPECT_FALSE(w->RecipientSelected());
    EXPECT_TRUE(w->MailBoxKeyID->text().isEmpty() && w->MailBoxUserID->text().isEmpty());
    select(pub);
    w->DBGrid->setFocus();
    QTest::keyClick(w->DBGrid, pubRow > ownRow ? Qt::Key_Up : Qt::Key_Down);
    EXPECT_FALSE(w->RecipientSelected());
    EXPECT_EQ(ctx->mainKeyRing().CurrentRow(), ownRow);
}

TEST(KeyRingGrid, AKeyPairNeedsAStoredExponentDLongerThan128)
{
    zerath::KeyRecord r;
    r.ExponentD = std::string(128, 'A');
    EXPECT_FALSE(storedExponentDIsPrivate(r));
    r.ExponentD += 'A';
    EXPECT_TRUE(storedExponentDIsPrivate(r));
}

TEST_F(GuiTest, FirstStartCreatesAPrivateEmptyKeyRingAndClosingAsks)
{
    startMain();
    struct stat st {};
    ASSERT_EQ(::stat(file("ZerathKeys.db").c_str(), &st), 0);
    EXPECT_EQ(st.st_size, 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    for (QWidget* b : std::initializer_list<QWidget*>{mainWindow()->CloseBtn, mainWindow()->closetopbtn}) {
        Messages::setNextAnswer(Answer::Cancel);
        click(b);
        expectBox(Kind::Warning);
        EXPECT_TRUE(mainWindow()->isVisible());
    }
    Messages::setNextAnswer(Answer::Ok);
    click(mainWindow()->closetopbtn);
    EXPECT_FALSE(mainWindow()->isVisible());
}

TEST_F(GuiTest, StealthyCipherIsSavedAndReadAtTheNextStart)
{
    startMain();
    for (bool on : {true, false}) {
        mainWindow()->CipherAutoSelectCB->setChecked(on);
        click(mainWindow()->SaveConfig);
        EXPECT_EQ(zerath::Settings(dir.path()).stealthyCipher(), on);
    }
    windows.reset();
    ctx.reset();
    startMain();
    EXPECT_FALSE(mainWindow()->CipherAutoSelectCB->isChecked());
}

TEST_F(GuiTest, ButtonsOpenTheirWindows)
{
    startMain();
    TCryptForm* w = mainWindow();
    QStringList opened;
    ctx->showShredder = [&](QWidget* over) { opened << (over == w ? "shredder" : "?"); };
    ctx->showKeyManager = [&](QWidget* over) { opened << (over == w ? "keys" : "?"); };
    click(w->Shredderbtn);
    click(w->PGPKeyGen);
    QTimer::singleShot(0, [&] {
        if (QWidget* about = QApplication::activeModalWidget()) {
            opened << (about == windows->about() ? "about" : "?");
            QTest::mouseClick(about, Qt::LeftButton, {}, QPoint(180, 180));
        }
    });
    click(w->Aboutbtn);
    EXPECT_EQ(opened, (QStringList{"shredder", "keys", "about"}));
}

TEST_F(GuiTest, AKeyImportedInTheKeyManagerServesTheMainWindow)
{
    startMain();
    TCryptForm* w = mainWindow();
    TKeyGenForm* km = w->findChild<TKeyGenForm*>();
    ASSERT_NE(km, nullptr);
    bool mainTableClosed = false;
    whenModal(km, [&] {
        mainTableClosed = !ctx->mainKeyRing().Active();
        Messages::setNextFileName(QString::fromStdString(alice().privateFile));
        Messages::setNextText(QString::fromStdString(alice().passphrase));
        click(km->ImportKeybtn);
        click(km->CloseBtn);
    });
    click(w->PGPKeyGen);
    EXPECT_TRUE(mainTableClosed);
    ASSERT_TRUE(ctx->mainKeyRing().Active());
    ASSERT_EQ(w->DBGrid->keyModel().rowCount(), 1) << "the grid follows the reopened key ring";

    writeFile(file("letter.txt"), "a letter for Alice");
    doubleClickRow(w->DBGrid, 0);
    Messages::setNextFileName(qfile("letter.txt"));
    click(w->SelectFileEnc);
    Messages::setNextAnswer(Answer::Ok);
    click(w->Encryptbtn);
    QFile::remove(qfile("letter.txt"));
    Messages::setNextFileName(qfile("letter.txt.enc"));
    click(w->SelectFileDec);
    Messages::setNextText(QString::fromStdString(alice().passphrase));
    Messages::setNextAnswer(Answer::Ok);
    click(w->Decryptbtn);
    expectBox(Kind::Information, 2);
    EXPECT_EQ(readFile(file("letter.txt")), "a letter for Alice");
}
