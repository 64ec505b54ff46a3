// The key pair generation dialog: its rules for the Generate button, the
// masking and direction controls, the mismatch warning, the one generation of
// this program on the worker thread, and the dialog after a failed generation.
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include "KeyWinFixture.h"
#include "pubkey/KeyPairGenerator.h"
#include "pubkey/PrivateKey.h"
#include "pubkey/PublicKey.h"
#include "filecrypt/FieldProtection.h"
#include "windows/KeyGenNowForm.h"

using namespace kwtest;

namespace {

class KeyGenNowFormTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Messages::setScripted(true);
        Messages::reset();
        ctx = std::make_unique<AppContext>(QString::fromStdString(dir.path()));
        dlg = std::make_unique<TKeyGenNowForm>(*ctx);
        dlg->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(dlg.get()));
    }
    void TearDown() override
    {
        EXPECT_EQ(Messages::pendingAnswers(), 0);
        dlg.reset();
        ctx.reset();
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
        Messages::reset();
    }
    int keyFiles() const
    {
        return int(QDir(QString::fromStdString(dir.path())).entryList({QStringLiteral("*.akf")}, QDir::Files).size());
    }
    void type(QLineEdit* e, const QString& text)
    {
        e->clear();
        QTest::keyClicks(e, text);
    }

    zerath::test::TempDir dir;
    std::unique_ptr<AppContext> ctx;
    std::unique_ptr<TKeyGenNowForm> dlg;
};

} // namespace

TEST_F(KeyGenNowFormTest, ControlsCaptionsAndStartState)
{
    EXPECT_EQ(dlg->size(), QSize(365, 260));
    EXPECT_TRUE(dlg->isDraggable());
    EXPECT_FALSE(dlg->mask().isEmpty());
    EXPECT_EQ(dlg->Label7->text(), QStringLiteral("Keys Generator"));
    EXPECT_EQ(dlg->Label1->text(), QStringLiteral("Key Pair Username:"));
    EXPECT_EQ(dlg->Label2->text(), QStringLiteral("Key Length:"));
    EXPECT_EQ(dlg->Label5->text(), QStringLiteral("Creation Date:"));
    EXPECT_EQ(dlg->Label3->text(), QStringLiteral("Passphrase:"));
    EXPECT_EQ(dlg->Label4->text(), QStringLiteral("Confirm Passphrase:"));
    EXPECT_EQ(dlg->Label6->text(), QStringLiteral("Status:"));
    EXPECT_EQ(dlg->HideTypeCBx->text(), QStringLiteral("Hide typing"));
    EXPECT_EQ(dlg->Clearbtn->text(), QStringLiteral("Clear All"));
    EXPECT_EQ(dlg->GenerateBtn->text(), QStringLiteral("&Generate Now"));
    EXPECT_EQ(dlg->Closebtn->text(), QStringLiteral("Close"));
    EXPECT_EQ(dlg->Latin_Dir->toolTip(), QStringLiteral("Arabic direction"));
    EXPECT_EQ(dlg->Arabic_Dir->toolTip(), QStringLiteral("Latin direction"));

    EXPECT_EQ(dlg->KeyLengthed->text(), QStringLiteral("2048"));
    EXPECT_TRUE(dlg->KeyLengthed->isReadOnly());
    EXPECT_TRUE(dlg->CDate->isReadOnly());
    EXPECT_TRUE(dlg->CDate->text().isEmpty());
    EXPECT_TRUE(dlg->KeyUsernameed->text().isEmpty());
    EXPECT_FALSE(dlg->GenerateBtn->isEnabled());
    EXPECT_TRUE(dlg->Clearbtn->isEnabled());
    EXPECT_TRUE(dlg->Closebtn->isEnabled());
    EXPECT_TRUE(dlg->HideTypeCBx->isChecked());
    EXPECT_EQ(dlg->Passphrase->echoMode(), QLineEdit::Password);
    EXPECT_EQ(dlg->ConfirmPassphrase->echoMode(), QLineEdit::Password);
    EXPECT_FALSE(dlg->Latin_Dir->isChecked());
    EXPECT_TRUE(dlg->Arabic_Dir->isChecked());
}

TEST_F(KeyGenNowFormTest, GenerateButtonFollowsUserNameAndPassphraseOnly)
{
    type(dlg->KeyUsernameed, QStringLiteral("Alic"));  // 4
    type(dlg->Passphrase, QStringLiteral("12345678")); // 8
    EXPECT_FALSE(dlg->GenerateBtn->isEnabled());
    type(dlg->ConfirmPassphrase, QStringLiteral("12345678"));
    EXPECT_FALSE(dlg->GenerateBtn->isEnabled());

    type(dlg->KeyUsernameed, QStringLiteral("Alice")); // 5
    EXPECT_TRUE(dlg->GenerateBtn->isEnabled());
    type(dlg->Passphrase, QStringLiteral("1234567")); // 7
    EXPECT_FALSE(dlg->GenerateBtn->isEnabled());
    type(dlg->ConfirmPassphrase, QStringLiteral("123456789012"));
    EXPECT_FALSE(dlg->GenerateBtn->isEnabled()) << "the confirmation takes no part";
    type(dlg->Passphrase, QStringLiteral("12345678"));
    EXPECT_TRUE(dlg->GenerateBtn->isEnabled());
    dlg->ConfirmPassphrase->clear();
    EXPECT_TRUE(dlg->GenerateBtn->isEnabled());

    // Deleting one character of the name disables it again.
    dlg->KeyUsernameed->setFocus();
    dlg->KeyUsernameed->end(false);
    QTest::keyClick(dlg->KeyUsernameed, Qt::Key_Backspace);
    EXPECT_FALSE(dlg->GenerateBtn->isEnabled());
}

TEST_F(KeyGenNowFormTest, HideTypingMasksBothPassphraseEntries)
{
    type(dlg->Passphrase, QStringLiteral("secret one"));
    QTest::mouseClick(dlg->HideTypeCBx, Qt::LeftButton, {}, QPoint(6, dlg->HideTypeCBx->height() / 2));
    EXPECT_FALSE(dlg->HideTypeCBx->isChecked());
    EXPECT_EQ(dlg->Passphrase->echoMode(), QLineEdit::Normal);
    EXPECT_EQ(dlg->ConfirmPassphrase->echoMode(), QLineEdit::Normal);
    EXPECT_EQ(dlg->Passphrase->displayText(), QStringLiteral("secret one"));
    QTest::mouseClick(dlg->HideTypeCBx, Qt::LeftButton, {}, QPoint(6, dlg->HideTypeCBx->height() / 2));
    EXPECT_EQ(dlg->Passphrase->echoMode(), QLineEdit::Password);
    EXPECT_EQ(dlg->ConfirmPassphrase->echoMode(), QLineEdit::Password);
    EXPECT_EQ(dlg->Passphrase->displayText(), QString(10, QLatin1Char('*')));
}

TEST_F(KeyGenNowFormTest, DirectionButtonsSwitchTheEntriesDirection)
{
    click(dlg->Latin_Dir);
    EXPECT_TRUE(dlg->Latin_Dir->isChecked());
    EXPECT_FALSE(dlg->Arabic_Dir->isChecked());
    for (QLineEdit* e : {dlg->KeyUsernameed, dlg->Passphrase, dlg->ConfirmPassphrase})
        EXPECT_EQ(e->layoutDirection(), Qt::RightToLeft) << e->objectName().toStdString();
    EXPECT_EQ(dlg->KeyLengthed->layoutDirection(), Qt::LeftToRight);
    click(dlg->Latin_Dir); // a down button stays down
    EXPECT_TRUE(dlg->Latin_Dir->isChecked());
    click(dlg->Arabic_Dir);
    EXPECT_TRUE(dlg->Arabic_Dir->isChecked());
    EXPECT_FALSE(dlg->Latin_Dir->isChecked());
    for (QLineEdit* e : {dlg->KeyUsernameed, dlg->Passphrase, dlg->ConfirmPassphrase})
        EXPECT_EQ(e->layoutDirection(), Qt::LeftToRight);
}

TEST_F(KeyGenNowFormTest, ClearAllAndEveryShowEmptyTheEntriesButKeepTheSwitches)
{
    type(dlg->KeyUsernameed, QStringLiteral("Alice Example"));
    type(dlg->Passphrase, QStringLiteral("correct horse"));
    type(dlg->ConfirmPassphrase, QStringLiteral("correct horse"));
    dlg->CDate->setText(QStringLiteral("1/2/2025"));
    dlg->Status->setText(QStringLiteral("x"));
    click(dlg->Clearbtn);
    for (QLineEdit* e : {dlg->KeyUsernameed, dlg->CDate, dlg->Passphrase, dlg->ConfirmPassphrase})
        EXPECT_TRUE(e->text().isEmpty()) << e->objectName().toStdString();
    EXPECT_TRUE(dlg->Status->text().isEmpty());
    EXPECT_FALSE(dlg->GenerateBtn->isEnabled());
    EXPECT_EQ(dlg->KeyLengthed->text(), QStringLiteral("2048"));

    type(dlg->KeyUsernameed, QStringLiteral("Alice Example"));
    type(dlg->Passphrase, QStringLiteral("correct horse"));
    click(dlg->Latin_Dir);
    QTest::mouseClick(dlg->HideTypeCBx, Qt::LeftButton, {}, QPoint(6, dlg->HideTypeCBx->height() / 2));
    click(dlg->Closebtn);
    EXPECT_FALSE(dlg->isVisible());
    EXPECT_EQ(dlg->result(), QDialog::Rejected);
    dlg->show();
    EXPECT_TRUE(dlg->KeyUsernameed->text().isEmpty());
    EXPECT_TRUE(dlg->Passphrase->text().isEmpty());
    EXPECT_FALSE(dlg->GenerateBtn->isEnabled());
    EXPECT_TRUE(dlg->Latin_Dir->isChecked());
    EXPECT_FALSE(dlg->HideTypeCBx->isChecked());
    EXPECT_EQ(dlg->KeyUsernameed->layoutDirection(), Qt::RightToLeft);
}

TEST_F(KeyGenNowFormTest, ConfirmationDifferingInCaseIsRefused)
{
    type(dlg->KeyUsernameed, QStringLiteral("Alice Example"));
    type(dlg->Passphrase, QStringLiteral("correct horse"));
    type(dlg->ConfirmPassphrase, QStringLiteral("Correct horse"));
    Messages::setNextAnswer(Messages::Answer::Ok);
    click(dlg->GenerateBtn);
    ASSERT_EQ(Messages::shown().size(), 1);
    EXPECT_EQ(Messages::lastShown().kind, Messages::Kind::Warning);
    EXPECT_EQ(Messages::lastShown().text, QStringLiteral("The Passphrase does not mutch!."));
    EXPECT_EQ(Messages::lastShown().buttons, Messages::Buttons::Ok);
    EXPECT_FALSE(dlg->isGenerating());
    EXPECT_TRUE(dlg->GenerateBtn->isEnabled());
    EXPECT_TRUE(dlg->Closebtn->isEnabled());
    EXPECT_EQ(keyFiles(), 0);
}

TEST_F(KeyGenNowFormTest, TheGenerationRunsOnAWorkerAndWritesBothFiles)
{
    const GeneratedPair& g = generatedPair();
    ASSERT_TRUE(g.finished) << "the worker did not finish";
    EXPECT_EQ(g.boxesShown, 1) << Messages::lastShown().text.toStdString(); // where the files are
    EXPECT_EQ(g.statusWhileRunning, QStringLiteral("Key generation started, please wait..."));
    EXPECT_TRUE(g.buttonsDisabledWhileRunning);
    EXPECT_TRUE(g.busyCursorWhileRunning);
    EXPECT_TRUE(g.closeRefusedWhileRunning);
    EXPECT_GT(g.candidatesSeen, 0) << "no progress reached the window";

    EXPECT_EQ(g.statusAfter.toStdString(), zerath::KeyPairGeneratedStatus(g.elapsedMs));
    EXPECT_TRUE(g.statusAfter.startsWith(QStringLiteral("Key Pair generated in ")));
    EXPECT_FALSE(g.cdateAfter.isEmpty());
    EXPECT_EQ(g.cdateAfter.toStdString(), g.creationDate);
    EXPECT_TRUE(g.buttonsEnabledAfter);
    EXPECT_TRUE(g.cursorRestored);
    EXPECT_EQ(g.userAfter, kOwner) << "the entries keep their texts";
    EXPECT_EQ(g.passphraseAfter, kPassphrase);
    EXPECT_TRUE(g.keyRingUntouched);

    // The two files, named by their own key IDs.
    EXPECT_EQ(g.privateFile, g.folder + "Private" + g.privateKeyId + ".akf");
    EXPECT_EQ(g.publicFile, g.folder + "Public" + g.publicKeyId + ".akf");
    EXPECT_NE(g.privateKeyId, g.publicKeyId);
    EXPECT_EQ(fileMode(g.privateFile), 0600);

    zerath::TPrivateKey priv;
    priv.Passphrase = zerath::SecureString(kPassphrase.toStdString());
    ASSERT_NO_THROW(priv.LoadFromFile(g.privateFile));
    EXPECT_EQ(priv.KeyOwner, kOwner.toStdString());
    EXPECT_EQ(priv.KeyID, g.privateKeyId);
    // The primes' top bits are not forced, so n may be a few bits short of 2048.
    EXPECT_LE(priv.Modulus->BitLength(), 2048);
    EXPECT_GE(priv.Modulus->BitLength(), 2030);
    zerath::TPublicKey pub;
    pub.Passphrase = zerath::SecureString(zerath::FixedProtectionPassphrase());
    ASSERT_NO_THROW(pub.LoadFromFile(g.publicFile));
    EXPECT_EQ(pub.KeyOwner, kOwner.toStdString());
    EXPECT_EQ(pub.KeyID, g.publicKeyId);
    EXPECT_EQ(pub.Modulus->ToString(16), priv.Modulus->ToString(16));
}

TEST_F(KeyGenNowFormTest, AFailedGenerationLeavesTheDialogUsable)
{
    // The owner name is refused before anything is generated.
    type(dlg->KeyUsernameed, QStringLiteral("Alice|Example"));
    type(dlg->Passphrase, QStringLiteral("correct horse"));
    type(dlg->ConfirmPassphrase, QStringLiteral("correct horse"));
    Messages::setNextAnswer(Messages::Answer::Ok);
    click(dlg->GenerateBtn);
    ASSERT_TRUE(waitFor([&] { return !dlg->isGenerating(); }, 20000));
    ASSERT_EQ(Messages::shown().size(), 1);
    EXPECT_EQ(Messages::lastShown().kind, Messages::Kind::Error);
    EXPECT_EQ(Messages::lastShown().text, QStringLiteral("The Key Owner cannot contain the character |."));
    EXPECT_TRUE(dlg->GenerateBtn->isEnabled());
    EXPECT_TRUE(dlg->Clearbtn->isEnabled());
    EXPECT_TRUE(dlg->Closebtn->isEnabled());
    EXPECT_FALSE(dlg->KeyUsernameed->isReadOnly());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_TRUE(dlg->CDate->text().isEmpty());
    EXPECT_EQ(keyFiles(), 0);

    // A name longer than the key ring can hold.
    type(dlg->KeyUsernameed, QString(74, QLatin1Char('a')));
    Messages::setNextAnswer(Messages::Answer::Ok);
    click(dlg->GenerateBtn);
    ASSERT_TRUE(waitFor([&] { return !dlg->isGenerating(); }, 20000));
    EXPECT_EQ(Messages::lastShown().text, QStringLiteral("The Key Owner cannot be longer than 73 characters."));
    EXPECT_EQ(keyFiles(), 0);
    click(dlg->Closebtn);
    EXPECT_FALSE(dlg->isVisible());
}
