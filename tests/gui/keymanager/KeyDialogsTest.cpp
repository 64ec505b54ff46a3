// The passphrase change, key information and fingerprint dialogs as the key
// manager opens them.
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include "KeyWinFixture.h"
#include "keyring/KeyManager.h"
#include "pubkey/PrivateKey.h"
#include "windows/ChangePassFrm.h"
#include "windows/FPCheckFrm.h"
#include "windows/KeyGenForm.h"
#include "windows/KeyInfoFrm.h"

using namespace kwtest;

namespace {

// Opens the passphrase dialog with the button, types the three entries and
// presses Apply (or Cancel); returns what the entries held when the dialog
// was shown, to see that nothing was kept from the last time.
QString changePassphrase(TKeyGenForm& form, const QString& current, const QString& fresh, const QString& confirm,
                         bool apply = true)
{
    TChangePassFrm* d = form.changePassDialog();
    QString leftOver;
    whenModal(d, [=, &leftOver] {
        leftOver = d->edtCurrentpass->text() + d->edtNewPass->text() + d->edtConfirmPass->text();
        QTest::keyClicks(d->edtCurrentpass, current);
        QTest::keyClicks(d->edtNewPass, fresh);
        QTest::keyClicks(d->edtConfirmPass, confirm);
        click(apply ? d->Applybtn : d->cancelBtn);
    });
    click(form.ChangePassphrase);
    return leftOver;
}

bool entriesEmpty(const TChangePassFrm* d)
{
    return d->edtCurrentpass->text().isEmpty() && d->edtNewPass->text().isEmpty() &&
           d->edtConfirmPass->text().isEmpty();
}

} // namespace

TEST_F(KeyManagerTest, PassphraseChangeChecksInOrderAndEmptiesTheEntries)
{
    start();
    importGeneratedPair();
    clickRow(0);
    TChangePassFrm* d = form->changePassDialog();
    Messages::reset();

    // Wrong current passphrase, reported before the others are compared.
    Messages::setNextAnswer(Messages::Answer::Ok);
    EXPECT_TRUE(changePassphrase(*form, "wrong horse", "new passphrase", "other passphrase").isEmpty());
    expectLastBox(Messages::Kind::Error, QStringLiteral("Uncorrect passphrase, operation aboted"));
    EXPECT_TRUE(entriesEmpty(d));
    EXPECT_EQ(d->UserID->text(), kOwner);
    EXPECT_TRUE(d->UserID->isReadOnly());

    // New and confirmation differ (only in case).
    Messages::setNextAnswer(Messages::Answer::Ok);
    EXPECT_TRUE(changePassphrase(*form, kPassphrase, "new passphrase", "New passphrase").isEmpty());
    expectLastBox(Messages::Kind::Error, QStringLiteral("The new passphrase does not match the confirmed passphrase"));
    EXPECT_TRUE(entriesEmpty(d));

    // Seven characters.
    Messages::setNextAnswer(Messages::Answer::Ok);
    EXPECT_TRUE(changePassphrase(*form, kPassphrase, "1234567", "1234567").isEmpty());
    expectLastBox(Messages::Kind::Error, QStringLiteral("The new passphrase length must have 8 characters minimum! "));
    EXPECT_TRUE(entriesEmpty(d));

    // Cancel: no box, the entries emptied as well.
    const qsizetype boxes = Messages::shown().size();
    EXPECT_TRUE(changePassphrase(*form, kPassphrase, "12345678", "12345678", false).isEmpty());
    EXPECT_EQ(Messages::shown().size(), boxes);
    EXPECT_TRUE(entriesEmpty(d));

    // Eight characters: done.
    const std::string before = fileText(keyRingPath());
    Messages::setNextAnswer(Messages::Answer::Ok);
    EXPECT_TRUE(changePassphrase(*form, kPassphrase, "12345678", "12345678").isEmpty());
    expectLastBox(Messages::Kind::Information, QStringLiteral("Passphrase was changed succussfully "));
    EXPECT_TRUE(entriesEmpty(d));
    EXPECT_EQ(fileText(keyRingPath()), before) << "written when the window hides";

    EXPECT_FALSE(form->manager().CheckPrivatePassphrase(kPassphrase.toStdString()));
    EXPECT_TRUE(form->manager().CheckPrivatePassphrase("12345678"));
    hideManager();
    EXPECT_NE(fileText(keyRingPath()), before);

    // After reopening: the old passphrase no longer exports, the new one does.
    showManager();
    clickRow(0);
    Messages::setNextAnswer(Messages::Answer::Ok);
    Messages::setNextText(kPassphrase);
    Messages::setNextAnswer(Messages::Answer::Ok);
    click(form->Exportprvkeybtn);
    expectLastBox(Messages::Kind::Error, QStringLiteral("Uncorrect Private Key passphrase?"));
    Messages::setNextAnswer(Messages::Answer::Ok);
    Messages::setNextText(QStringLiteral("12345678"));
    Messages::setNextFileName(qfile("after-change.akf"));
    click(form->Exportprvkeybtn);
    zerath::TPrivateKey priv;
    priv.Passphrase = zerath::SecureString(std::string_view("12345678"));
    EXPECT_NO_THROW(priv.LoadFromFile(file("after-change.akf")));
}

TEST_F(KeyManagerTest, PassphraseDialogControls)
{
    start();
    importGeneratedPair();
    clickRow(0);
    TChangePassFrm* d = form->changePassDialog();
    EXPECT_EQ(d->size(), QSize(365, 260));
    EXPECT_TRUE(d->isDraggable());
    EXPECT_EQ(d->Label4->text(), QStringLiteral("Change Passphrase"));
    EXPECT_EQ(d->Label5->text(), QStringLiteral("User ID:"));
    EXPECT_EQ(d->Label1->text(), QStringLiteral("Current Passphrase:"));
    EXPECT_EQ(d->Label2->text(), QStringLiteral("New Passphrase:"));
    EXPECT_EQ(d->Label3->text(), QStringLiteral("Confirm Passphrase:"));
    EXPECT_EQ(d->Applybtn->text(), QStringLiteral("&Apply Change"));
    EXPECT_EQ(d->BitBtn1->text(), QStringLiteral("Clear"));
    EXPECT_EQ(d->HideTypingCB->text(), QStringLiteral("Hide Typing"));
    whenModal(d, [d] {
        EXPECT_FALSE(d->mask().isEmpty());
        QTest::keyClicks(d->edtCurrentpass, "abc");
        QTest::keyClicks(d->edtNewPass, "defgh");
        QTest::keyClicks(d->edtConfirmPass, "ij");
        for (QLineEdit* e : {d->edtCurrentpass, d->edtNewPass, d->edtConfirmPass})
            EXPECT_EQ(e->echoMode(), QLineEdit::Password);
        EXPECT_EQ(d->edtNewPass->displayText(), QStringLiteral("*****"));
        QTest::mouseClick(d->HideTypingCB, Qt::LeftButton, {}, QPoint(6, d->HideTypingCB->height() / 2));
        for (QLineEdit* e : {d->edtCurrentpass, d->edtNewPass, d->edtConfirmPass})
            EXPECT_EQ(e->echoMode(), QLineEdit::Normal);
        EXPECT_EQ(d->edtNewPass->displayText(), QStringLiteral("defgh"));
        QTest::mouseClick(d->HideTypingCB, Qt::LeftButton, {}, QPoint(6, d->HideTypingCB->height() / 2));
        click(d->BitBtn1);
        EXPECT_TRUE(entriesEmpty(d));
        EXPECT_EQ(d->UserID->text(), kOwner) << "Clear keeps the user ID";
        QTest::keyClick(d, Qt::Key_Escape);
    });
    click(form->ChangePassphrase);
    EXPECT_FALSE(d->isVisible());
    EXPECT_EQ(newBoxes(), 0);
}

TEST_F(KeyManagerTest, KeyInformationShowsCopiesAndSaves)
{
    start();
    importGeneratedPair();
    const GeneratedPair& g = generatedPair();
    TKeyInfoFrm* d = form->keyInfoDialog();
    const std::string fp = form->manager().Ring().FieldAsString("FP"); // the public row is current
    ASSERT_EQ(fp.size(), 40u);

    // The public key's information, through a double click on its row.
    zerath::test::writeFile(file("info.txt"), "an older file that is replaced without a question");
    whenModal(d, [&] {
        EXPECT_EQ(d->Label3->text(), QStringLiteral("Key Information"));
        EXPECT_EQ(d->picture(), 0);
        EXPECT_EQ(d->KeyIMG->pixmap().size(), QSize(110, 138));
        EXPECT_EQ(d->KeyIMG->pixmap().toImage(), d->keyList[0].toImage());
        EXPECT_TRUE(d->keyinfoMemo->isReadOnly());
        const QStringList memo = d->keyinfoMemo->toPlainText().split(QLatin1Char('\n'));
        const QStringList expected{
            QStringLiteral("Type: Pub"),
            QStringLiteral("Username: ") + kOwner,
            QString::fromStdString("key ID: " + g.publicKeyId),
            QStringLiteral("Length: 2048"),
            QString::fromStdString("Creation Date: " + g.creationDate),
            QString(),
            QStringLiteral("Fingerprint:"),
            QString(),
            QString::fromStdString(fp.substr(0, 20)),
            QString::fromStdString(fp.substr(20, 20)),
        };
        EXPECT_EQ(memo, expected);

        click(d->Copybtn);
        EXPECT_EQ(QApplication::clipboard()->text(), expected.join(QStringLiteral("\r\n")));

        Messages::setNextFileName(qfile("info.txt"));
        click(d->savebtn);
        ASSERT_FALSE(Messages::asked().isEmpty());
        EXPECT_EQ(Messages::asked().last().what, Messages::Asked::What::SaveFile);
        EXPECT_EQ(Messages::asked().last().title, QStringLiteral("Save key Info"));
        EXPECT_EQ(Messages::asked().last().prompt, QStringLiteral("Text file (*.txt)|*.txt"));
        EXPECT_EQ(fileText(file("info.txt")), (expected.join(QStringLiteral("\r\n")) + "\r\n").toStdString());

        // Cancelled: nothing happens; a folder that is not there: the error box.
        Messages::setNextFileName(QString());
        click(d->savebtn);
        Messages::setNextFileName(qfile("missing/info.txt"));
        Messages::setNextAnswer(Messages::Answer::Ok);
        click(d->savebtn);
        EXPECT_EQ(Messages::lastShown().kind, Messages::Kind::Error);
        EXPECT_TRUE(d->isVisible());
        click(d->closebtn);
    });
    doubleClickRow(1);
    EXPECT_FALSE(d->isVisible());
    EXPECT_EQ(d->result(), QDialog::Rejected);

    // The key pair's picture.
    whenModal(d, [&] {
        EXPECT_EQ(d->picture(), 1);
        EXPECT_EQ(d->KeyIMG->pixmap().toImage(), d->keyList[1].toImage());
        EXPECT_EQ(d->keyinfoMemo->toPlainText().section(QLatin1Char('\n'), 0, 0), QStringLiteral("Type: Pub/Priv"));
        click(d->closebtn);
    });
    doubleClickRow(0);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(KeyManagerTest, FingerprintComparison)
{
    start();
    importGeneratedPair();
    TFPCheckFrm* d = form->fpCheckDialog();
    const QString fp = form->FPedit->text();
    ASSERT_EQ(fp.size(), 40);
    EXPECT_FALSE(d->isDraggable());
    EXPECT_EQ(d->size(), QSize(365, 150));

    whenModal(d, [&] {
        EXPECT_EQ(d->Label3->text(), QStringLiteral("Compare Fingerprints"));
        EXPECT_EQ(d->Label1->text(), QStringLiteral("FPa:"));
        EXPECT_EQ(d->Label2->text(), QStringLiteral("FPb:"));
        EXPECT_EQ(d->Verifybtn->text(), QStringLiteral("&Verify"));
        EXPECT_EQ(d->FPedit1->text(), fp);
        EXPECT_TRUE(d->FPedit1->isReadOnly());
        EXPECT_FALSE(d->FPedit2->isReadOnly());

        const auto verify = [&](const QString& typed) {
            d->FPedit2->clear();
            QTest::keyClicks(d->FPedit2, typed);
            Messages::setNextAnswer(Messages::Answer::Ok);
            click(d->Verifybtn);
            EXPECT_TRUE(d->isVisible()) << "the dialog stays open";
        };
        verify(QStringLiteral("  ") + fp + QStringLiteral(" \t"));
        expectLastBox(Messages::Kind::Information, QStringLiteral("The two fingerprints are the same"));
        verify(fp.toLower());
        expectLastBox(Messages::Kind::Warning, QStringLiteral("The two fingerprints are different"));
        verify(fp.left(39));
        expectLastBox(Messages::Kind::Warning, QStringLiteral("The two fingerprints are different"));
        verify(QString());
        expectLastBox(Messages::Kind::Warning, QStringLiteral("The two fingerprints are different"));
        QTest::keyClicks(d->FPedit2, QStringLiteral("ABC"));
        click(d->Closebtn);
    });
    click(form->SpeedButton1);
    EXPECT_FALSE(d->isVisible());

    // FPb keeps its text for the next showing.
    whenModal(d, [&] {
        EXPECT_EQ(d->FPedit2->text(), QStringLiteral("ABC"));
        click(d->Closebtn);
    });
    click(form->SpeedButton1);
}
