// The main window driven through its controls: Encrypt and Decrypt with every
// question and refusal and what each leaves in the folder, the recipient
// selection, the settings it saves and the windows its buttons open.
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>

#include "GuiFixture.h"
#include "widgets/HNoShape.h"
#include "windows/AboutDlg.h"
#include "windows/CryptForm.h"
#include "windows/GuiFileCommandUi.h"
#include "windows/KeyGenForm.h"
#include "windows/KeyRingGrid.h"
#include "windows/PopupFrm.h"

using namespace guitest;
using zerath::test::kAlicePassphrase;
using Names = std::vector<std::string>;

namespace {

struct MainWindowTest : GuiTest {
    void SetUp() override
    {
        GuiTest::SetUp();
        startMain();
        w = mainWindow();
        w->CipherAutoSelectCB->setChecked(false);
    }
    void select(TestKey k)
    {
        doubleClickRow(w->DBGrid, rowOf(w->DBGrid, id(k)));
        ASSERT_EQ(w->MailBoxKeyID->text().toStdString(), id(k));
    }
    void choose(QAbstractButton* button, const std::string& name)
    {
        Messages::setNextFileName(qfile(name));
        click(button);
    }
    // Encrypts `name` for `k` and answers the last box.
    void encrypt(const std::string& name, int cipher = 0, TestKey k = TestKey::AlicePair)
    {
        select(k);
        choose(w->SelectFileEnc, name);
        w->cbxCipher->setCurrentIndex(cipher);
        Messages::setNextAnswer(Answer::Ok);
        click(w->Encryptbtn);
    }
    // The program folder afterwards: the key ring and `names`, without the key
    // ring's lock file, which every writer leaves.
    void expectFolder(Names names) const
    {
        names.push_back("ZerathKeys.db");
        std::sort(names.begin(), names.end());
        Names found = zerath::test::folderNames(home());
        std::erase(found, "ZerathKeys.db.lock");
        EXPECT_EQ(found, names);
    }

    TCryptForm* w = nullptr;
};

void ok() { Messages::setNextAnswer(Answer::Ok); }
void pass(const char* p) { Messages::setNextText(QString::fromLatin1(p)); }

} // namespace

TEST_F(MainWindowTest, EveryCipherRoundTripsThroughTheButtonsAndReplacesOnlyWhenAsked)
{
    const std::string plain = "The quick brown fox\n" + std::string(5000, 'z');
    for (int cipher = 0; cipher < 5; ++cipher) {
        SCOPED_TRACE(cipher);
        writeFile(file("letter.txt"), plain);
        writeFile(file("letter.txt.enc"), "older");
        ok(); // overwrite
        encrypt("letter.txt", cipher);
        expectBox(Kind::Information);
        EXPECT_EQ(readFile(file("letter.txt.enc"))[0], char(cipher));

        writeFile(file("letter.txt"), "older");
        w->cbxCipher->setCurrentIndex((cipher + 1) % 5);
        choose(w->SelectFileDec, "letter.txt.enc");
        pass(kAlicePassphrase), ok(), ok(); // passphrase, overwrite, done
        click(w->Decryptbtn);
        expectBox(Kind::Information);
        EXPECT_EQ(readFile(file("letter.txt")), plain);
        EXPECT_EQ(w->cbxCipher->currentIndex(), cipher) << "the file's cipher is shown";
        expectFolder({"letter.txt", "letter.txt.enc"});
    }
}

TEST_F(MainWindowTest, EncryptRefusalsWriteNothing)
{
    const struct {
        const char* name;
        bool recipient;
        const char* source;
        bool wipe, olderOutput, keyGone;
        Answer answer;
        Kind kind;
    } cases[] = {
        {"no recipient", false, "a.txt", false, false, false, Answer::Ok, Kind::Plain},
        {"no file", true, nullptr, false, false, false, Answer::Ok, Kind::Warning},
        {"missing file", true, "gone.txt", false, false, false, Answer::Ok, Kind::Warning},
        {"wipe question cancelled", true, "a.txt", true, false, false, Answer::Cancel, Kind::Warning},
        {"overwrite cancelled", true, "a.txt", false, true, false, Answer::Cancel, Kind::Confirmation},
        {"key gone from the key ring", true, "a.txt", false, false, true, Answer::Ok, Kind::Warning},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        writeFile(file("a.txt"), "alpha");
        if (c.olderOutput) writeFile(file("a.txt.enc"), "older");
        if (c.recipient) select(TestKey::BobPublic);
        if (c.source) choose(w->SelectFileEnc, c.source);
        if (c.keyGone) w->MailBoxKeyID->setText("DEADBEEF");
        w->WipeOutOriginalFileCB->setChecked(c.wipe);
        Messages::setNextAnswer(c.answer);
        click(w->Encryptbtn);
        expectBox(c.kind, 1);
        expectFolder(c.olderOutput ? Names{"a.txt", "a.txt.enc"} : Names{"a.txt"});
        EXPECT_EQ(readFile(file("a.txt")), "alpha");
        if (c.olderOutput) EXPECT_EQ(readFile(file("a.txt.enc")), "older");
        QFile::remove(qfile("a.txt.enc"));
        w->EncFileEdit->clear();
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
    zerath::FaultPlan plan; // the disk fills up while the encrypted file is written
    plan.failAfterBytes = 64;
    {
        zerath::test::FaultGuard guard(plan);
        Messages::setNextAnswer(Answer::Yes);
        encrypt("fail.txt");
    }
    expectBox(Kind::Error);
    EXPECT_EQ(readFile(file("fail.txt")), "content");
    expectFolder({"burn.txt.enc", "fail.txt", "keep.txt", "keep.txt.enc"});
}

TEST_F(MainWindowTest, DecryptRefusalsWriteNothing)
{
    writeFile(file("d.txt"), "delta");
    encrypt("d.txt", 1);
    writeFile(file("bob.txt"), "for bob");
    encrypt("bob.txt", 4, TestKey::BobPublic);
    for (const char* n : {"d.txt", "bob.txt"})
        QFile::remove(qfile(n));
    writeFile(file("cut.enc"), std::string("\x01\x00\x00", 3));
    Messages::reset();
    const char* kPass = kAlicePassphrase;
    const struct {
        const char* name;
        TestKey key;
        bool clearKey;
        const char* source;
        const char* typed; // nullptr: not asked; "": cancelled
        bool olderOutput;
        Answer answer; // None: no box
        Kind kind;
    } cases[] = {
        {"no file", TestKey::AlicePair, false, "", nullptr, false, Answer::Ok, Kind::Warning},
        // Bob's file: the ring holds no pair it was made for, so the selection counts.
        {"no key", TestKey::AlicePair, true, "bob.txt.enc", nullptr, false, Answer::Ok, Kind::Warning},
        {"public key", TestKey::BobPublic, false, "bob.txt.enc", nullptr, false, Answer::Ok, Kind::Warning},
        {"passphrase cancelled", TestKey::AlicePair, false, "d.txt.enc", "", false, Answer::None, Kind::Plain},
        {"wrong passphrase", TestKey::AlicePair, false, "d.txt.enc", "not it", false, Answer::Ok, Kind::Error},
        {"overwrite cancelled", TestKey::AlicePair, false, "d.txt.enc", kPass, true, Answer::Cancel, Kind::Confirmation},
        {"file for another key", TestKey::AlicePair, false, "bob.txt.enc", kPass, false, Answer::Ok, Kind::Error},
        {"file cut in its header", TestKey::AlicePair, false, "cut.enc", kPass, false, Answer::Ok, Kind::Error},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.olderOutput) writeFile(file("d.txt"), "older");
        select(c.key);
        if (c.clearKey) click(w->ClearRecipientbtn);
        if (*c.source) choose(w->SelectFileDec, c.source);
        else w->DecFileEdit->clear();
        if (c.typed && *c.typed) pass(c.typed);
        if (c.typed && !*c.typed) Messages::setNextTextCancel();
        if (c.answer != Answer::None) Messages::setNextAnswer(c.answer);
        const qsizetype asked = Messages::asked().size();
        click(w->Decryptbtn);
        EXPECT_EQ(Messages::shown().size(), c.answer == Answer::None ? 0 : 1);
        if (!Messages::shown().isEmpty()) expectBox(c.kind);
        EXPECT_EQ(Messages::asked().size(), asked + (c.typed ? 1 : 0)) << "the passphrase prompt";
        expectFolder(c.olderOutput ? Names{"bob.txt.enc", "cut.enc", "d.txt", "d.txt.enc"}
                                   : Names{"bob.txt.enc", "cut.enc", "d.txt.enc"});
        if (c.olderOutput) EXPECT_EQ(readFile(file("d.txt")), "older");
        QFile::remove(qfile("d.txt"));
        Messages::reset();
    }
}

TEST_F(MainWindowTest, ARunningCommandShowsProgressAndIgnoresOtherButtons)
{
    writeFile(file("p.txt"), std::string(200000, 'p'));
    int polls = 0;
    bool progressShown = false;
    QTimer probe;
    probe.setInterval(0);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        if (!w->isBusy()) return;
        progressShown = progressShown || w->progressWindow()->isVisible();
        EXPECT_NE(QApplication::overrideCursor(), nullptr);
        if (polls++) return;
        click(w->Encryptbtn); // no second command, no question
        click(w->ClearRecipientbtn);
    });
    probe.start();
    encrypt("p.txt");
    expectBox(Kind::Information, 1);
    EXPECT_TRUE(polls > 0 && progressShown);
    EXPECT_FALSE(w->progressWindow()->isVisible());
    EXPECT_TRUE(w->RecipientSelected()) << "Clear was ignored too";
}

TEST(GuiFileCommandUi, ThePassphrasePromptIsMaskedAndHandsOverWhatWasTyped)
{
    Messages::setScripted(false);
    GuiFileCommandUi ui(nullptr, nullptr, nullptr, nullptr, zerath::nullPump());
    QTimer::singleShot(0, [&] {
        auto* dlg = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        auto* edit = dlg ? dlg->findChild<QLineEdit*>() : nullptr;
        ASSERT_NE(edit, nullptr);
        EXPECT_EQ(edit->echoMode(), QLineEdit::Password);
        QTest::keyClicks(edit, QStringLiteral("s3cr"));
        edit->insert(QStringLiteral("\u00e9t pass")); // typed through an input method
        dlg->accept();
    });
    zerath::SecureString typed;
    const bool given = ui.askPassphrase(typed);
    Messages::setScripted(true);
    ASSERT_TRUE(given);
    EXPECT_EQ(std::string(typed.view()), std::string("s3cr\xc3\xa9t pass"));
}

TEST_F(MainWindowTest, RecipientFollowsDoubleClickSelectButtonClearAndCursor)
{
    const int alice = rowOf(w->DBGrid, id(TestKey::AlicePair)), bob = rowOf(w->DBGrid, id(TestKey::BobPublic));
    clickRow(w->DBGrid, alice);
    EXPECT_FALSE(w->RecipientSelected());
    select(TestKey::AlicePair);
    clickRow(w->DBGrid, bob); // another row: deselected, the fields keep their text
    EXPECT_FALSE(w->RecipientSelected());
    EXPECT_EQ(w->MailBoxKeyID->text().toStdString(), id(TestKey::AlicePair));
    click(w->AddMailBoxbtn); // the cursor row
    EXPECT_EQ(w->MailBoxKeyID->text().toStdString(), id(TestKey::BobPublic));
    EXPECT_TRUE(w->RecipientSelected());
    click(w->ClearRecipientbtn);
    EXPECT_FALSE(w->RecipientSelected());
    EXPECT_TRUE(w->MailBoxKeyID->text().isEmpty() && w->MailBoxUserID->text().isEmpty());
    select(TestKey::BobPublic);
    QTest::keyClick(w->DBGrid, bob > alice ? Qt::Key_Up : Qt::Key_Down); // the key ring's cursor follows
    EXPECT_FALSE(w->RecipientSelected() || ctx->mainKeyRing().CurrentRow() != alice);
}

TEST_F(GuiTest, FirstStartCreatesAPrivateEmptyKeyRingAndClosingAsks)
{
    QFile::remove(qfile("ZerathKeys.db"));
    startMain();
    EXPECT_EQ(keyRing(), "");
    EXPECT_EQ(zerath::test::modeOf(file("ZerathKeys.db")) & 0777, 0600u);
    for (QWidget* b : std::initializer_list<QWidget*>{mainWindow()->CloseBtn, mainWindow()->closetopbtn}) {
        Messages::setNextAnswer(Answer::Cancel);
        click(b);
        EXPECT_TRUE(mainWindow()->isVisible());
    }
    ok();
    click(mainWindow()->closetopbtn);
    expectBox(Kind::Warning, 3);
    EXPECT_FALSE(mainWindow()->isVisible());
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
        opened << (QApplication::activeModalWidget() == windows->about() ? "about" : "?");
        QTest::mouseClick(windows->about(), Qt::LeftButton, {}, QPoint(180, 180));
    });
    click(w->Aboutbtn);
    EXPECT_EQ(opened, (QStringList{"shredder", "keys", "about"}));
}

TEST_F(GuiTest, AKeyImportedInTheKeyManagerServesTheMainWindow)
{
    useKeys({});
    startMain();
    TCryptForm* w = mainWindow();
    TKeyGenForm* km = w->findChild<TKeyGenForm*>();
    bool mainTableClosed = false;
    whenModal(km, [&] {
        mainTableClosed = !ctx->mainKeyRing().Active();
        Messages::setNextFileName(QString::fromStdString(zerath::test::keyFileOf(TestKey::AlicePair)));
        pass(kAlicePassphrase);
        click(km->ImportKeybtn);
        click(km->CloseBtn);
    });
    click(w->PGPKeyGen);
    EXPECT_TRUE(mainTableClosed && ctx->mainKeyRing().Active());
    ASSERT_EQ(w->DBGrid->keyModel().rowCount(), 1) << "the grid follows the reopened key ring";

    writeFile(file("letter.txt"), "a letter for Alice");
    doubleClickRow(w->DBGrid, 0);
    Messages::setNextFileName(qfile("letter.txt"));
    click(w->SelectFileEnc);
    ok(), click(w->Encryptbtn);
    QFile::remove(qfile("letter.txt"));
    Messages::setNextFileName(qfile("letter.txt.enc"));
    click(w->SelectFileDec);
    pass(kAlicePassphrase), ok(), click(w->Decryptbtn);
    expectBox(Kind::Information, 2);
    EXPECT_EQ(readFile(file("letter.txt")), "a letter for Alice");
}
