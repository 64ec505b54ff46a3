// The main window: start-up state, the key ring grid and its colours, the
// recipient selection, the file fields, Stealthy Cipher and closing.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <sys/stat.h>
#include <unistd.h>

#include "MainWindowFixture.h"
#include "app/TextFormat.h"
#include "keyring/KeyRing.h"
#include "settings/Settings.h"
#include "widgets/ALStatusBar.h"
#include "widgets/HNoShape.h"
#include "windows/CryptForm.h"
#include "windows/KeyRingGrid.h"
#include "windows/OptionsDlg.h"

using namespace guitest;

TEST(FormatThousands, GroupsDigitsInThreesFromTheRight)
{
    EXPECT_EQ(FormatThousands(QStringLiteral("123")), QStringLiteral("123"));
    EXPECT_EQ(FormatThousands(QStringLiteral("1234")), QStringLiteral("1,234"));
    EXPECT_EQ(FormatThousands(QStringLiteral("123456")), QStringLiteral("123,456"));
    EXPECT_EQ(FormatThousands(QStringLiteral("1234567")), QStringLiteral("1,234,567"));
    EXPECT_EQ(FormatThousands(QStringLiteral("0")), QStringLiteral("0"));
    EXPECT_EQ(FormatThousands(QString()), QString());
    EXPECT_EQ(FormatThousands(QStringLiteral("12345678901")), QStringLiteral("12,345,678,901"));
}

TEST_F(MainWindowTest, FirstStartCreatesAnEmptyKeyRingAndReadsDefaults)
{
    start();
    TCryptForm* w = mainWindow();
    const std::string ring = file("ZerathKeys.db");
    struct stat st {};
    ASSERT_EQ(::stat(ring.c_str(), &st), 0);
    EXPECT_EQ(st.st_size, 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_EQ(w->DBGrid->keyModel().rowCount(), 0);
    EXPECT_FALSE(w->RecipientSelected());

    EXPECT_EQ(w->size(), QSize(609, 467));
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Zerath"));
    EXPECT_TRUE(w->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_TRUE(w->isDraggable());
    EXPECT_EQ(w->outline().shape, WindowOutline::Shape::RoundRect);
    EXPECT_EQ(w->outline().right, 609);
    EXPECT_EQ(w->outline().bottom, 467);
    EXPECT_EQ(w->outline().cornerWidth, 24);

    // No settings file: Stealthy Cipher on, compression level 1 from the options dialog.
    EXPECT_TRUE(w->CipherAutoSelectCB->isChecked());
    EXPECT_EQ(ctx->compressionLevel(), 1);
    ASSERT_EQ(w->cbxCipher->count(), 5);
    EXPECT_EQ(w->cbxCipher->currentIndex(), 0);
    EXPECT_EQ(w->cbxCipher->itemText(0), QStringLiteral("Rijndael with 256 bit key (AES)"));

    // Captions, labels, hints and the status bar.
    EXPECT_EQ(w->Encryptbtn->caption().trimmed(), QStringLiteral("Encrypt"));
    EXPECT_EQ(w->Decryptbtn->caption().trimmed(), QStringLiteral("Decrypt"));
    EXPECT_EQ(w->Shredderbtn->caption().trimmed(), QStringLiteral("File Shredder"));
    EXPECT_EQ(w->PGPKeyGen->caption().trimmed(), QStringLiteral("Keys Manager"));
    EXPECT_EQ(w->Optionsbtn->caption().trimmed(), QStringLiteral("Options"));
    EXPECT_EQ(w->Aboutbtn->caption().trimmed(), QStringLiteral("About"));
    EXPECT_EQ(w->CloseBtn->caption().trimmed(), QStringLiteral("Exit"));
    for (THNoShape* b : {w->Encryptbtn, w->Decryptbtn, w->Shredderbtn, w->PGPKeyGen, w->Optionsbtn, w->Aboutbtn,
                         w->CloseBtn, w->closetopbtn, w->Minimizebtn})
        EXPECT_EQ(b->transparentColor(), QColor(Qt::black)) << b->objectName().toStdString();
    EXPECT_EQ(w->AddMailBoxbtn->toolTip(), QStringLiteral("Select Recipient"));
    EXPECT_EQ(w->SaveConfig->toolTip(), QStringLiteral("Save Configuration"));
    EXPECT_EQ(w->Label6->text(), QStringLiteral("Anti-Symmetric RSA Keys"));
    EXPECT_EQ(w->Label12->text(), QStringLiteral("Version 1.0"));
    EXPECT_EQ(w->WipeOutOriginalFileCB->text(),
              QStringLiteral("Wipe Out Original File (Permenent file deletion for increased security)"));
    EXPECT_EQ(w->Status->panelCount(), 2);
    EXPECT_EQ(w->Status->panelRect(0).width(), 212);

    // The grid's columns.
    KeyRingModel& m = w->DBGrid->keyModel();
    ASSERT_EQ(m.columnCount(), 5);
    const char* titles[] = {"Type", "User ID", "Key ID", "Length", "Creation"};
    const int widths[] = {76, 143, 73, 39, 74};
    for (int c = 0; c < 5; ++c) {
        EXPECT_EQ(m.headerData(c, Qt::Horizontal).toString(), QString::fromLatin1(titles[c]));
        EXPECT_EQ(w->DBGrid->columnWidth(c), widths[c]);
    }
    EXPECT_EQ(m.columns()[1].valueAlignment, Qt::AlignRight);
    EXPECT_EQ(m.columns()[1].titleAlignment, Qt::AlignHCenter);
    EXPECT_EQ(w->DBGrid->selectionBehavior(), QAbstractItemView::SelectRows);
    EXPECT_TRUE(w->DBGrid->showGrid());
}

TEST_F(MainWindowTest, RecipientHighlightFollowsSelectionAndCursor)
{
    importOwnKeyPair();
    importOtherPublicKey();
    start();
    TCryptForm* w = mainWindow();
    const int own = rowOfKey(sampleKeys().ownKeyId);
    const int other = rowOfKey(sampleKeys().otherKeyId);
    ASSERT_GE(own, 0);
    ASSERT_GE(other, 0);

    clickRow(own);
    EXPECT_EQ(hex(rowColour(own)), QStringLiteral("#FFFFBF"));
    EXPECT_EQ(hex(rowColour(other)), QStringLiteral("#DAEEEF"));

    // Double click: the row is the recipient, dark red.
    doubleClickRow(own);
    EXPECT_TRUE(w->RecipientSelected());
    EXPECT_EQ(w->MailBoxKeyID->text().toStdString(), sampleKeys().ownKeyId);
    EXPECT_EQ(w->MailBoxUserID->text(), QStringLiteral("Alice Test"));
    EXPECT_EQ(hex(rowColour(own)), QStringLiteral("#9C0606"));

    // Another row: light yellow, the fields keep their texts, the key pair row is pink.
    clickRow(other);
    EXPECT_FALSE(w->RecipientSelected());
    EXPECT_EQ(hex(rowColour(other)), QStringLiteral("#FFFFBF"));
    EXPECT_EQ(hex(rowColour(own)), QStringLiteral("#FEDCD8"));
    EXPECT_EQ(w->MailBoxKeyID->text().toStdString(), sampleKeys().ownKeyId);

    // The Select Recipient button selects the cursor row.
    QTest::mouseClick(w->AddMailBoxbtn, Qt::LeftButton);
    EXPECT_TRUE(w->RecipientSelected());
    EXPECT_EQ(w->MailBoxKeyID->text().toStdString(), sampleKeys().otherKeyId);
    EXPECT_EQ(hex(rowColour(other)), QStringLiteral("#9C0606"));

    // Clear empties the fields and drops the highlight.
    QTest::mouseClick(w->ClearRecipientbtn, Qt::LeftButton);
    EXPECT_FALSE(w->RecipientSelected());
    EXPECT_TRUE(w->MailBoxKeyID->text().isEmpty());
    EXPECT_TRUE(w->MailBoxUserID->text().isEmpty());
    EXPECT_EQ(hex(rowColour(other)), QStringLiteral("#FFFFBF"));

    // The keyboard moves the cursor (and the key ring's current record) too.
    doubleClickRow(other);
    ASSERT_TRUE(w->RecipientSelected());
    w->DBGrid->setFocus();
    QTest::keyClick(w->DBGrid, other > own ? Qt::Key_Up : Qt::Key_Down);
    EXPECT_FALSE(w->RecipientSelected());
    EXPECT_EQ(ctx->mainKeyRing().CurrentRow(), own);
}

TEST_F(MainWindowTest, KeyPairColourNeedsAnExponentDLongerThan128)
{
    // Record 1 is the cursor row; record 2 holds 128 characters, record 3 129.
    const std::string d128(128, 'A'), d129(129, 'A');
    zerath::test::writeFile(file("ZerathKeys.db"),
                            "Pub|first|00000001|2048|d|e||n|fp|crc\r\n"
                            "Pub/Priv|exact|00000002|2048|d|e|" + d128 + "|n|fp|crc\r\n"
                            "Pub/Priv|longer|00000003|2048|d|e|" + d129 + "|n|fp|crc\r\n");
    start();
    ASSERT_EQ(mainWindow()->DBGrid->keyModel().rowCount(), 3);
    clickRow(0);
    EXPECT_EQ(hex(rowColour(1)), QStringLiteral("#DAEEEF"));
    EXPECT_EQ(hex(rowColour(2)), QStringLiteral("#FEDCD8"));
}

TEST_F(MainWindowTest, FileFieldsShowTheFileStateInTheStatusBar)
{
    start();
    TCryptForm* w = mainWindow();
    zerath::test::writeFile(file("big.bin"), std::string(1234567, 'x'));

    chooseEncryptFile(file("big.bin"));
    EXPECT_EQ(w->EncFileEdit->text(), qfile("big.bin"));
    EXPECT_EQ(w->Status->panelText(0), QStringLiteral("File size: 1,234,567 bytes"));
    ASSERT_EQ(Messages::asked().size(), 1);
    EXPECT_EQ(Messages::asked()[0].title, QStringLiteral("Select File to Encrypt"));
    EXPECT_EQ(Messages::asked()[0].prompt, QStringLiteral("All Files (*.*)|*.*"));
    EXPECT_TRUE(Messages::asked()[0].proposed.isEmpty());

    chooseDecryptFile(file("gone.enc"));
    EXPECT_EQ(w->DecFileEdit->text(), qfile("gone.enc"));
    EXPECT_EQ(w->Status->panelText(0), QStringLiteral("File do not exist!"));
    EXPECT_EQ(Messages::asked()[1].title, QStringLiteral("Select File to Decrypt"));
    EXPECT_EQ(Messages::asked()[1].prompt, QStringLiteral("Encrypted Files (*.enc)|*.enc"));

    chooseEncryptFile(file("gone.txt"));
    EXPECT_EQ(w->Status->panelText(0), QStringLiteral("File Do not exist!"));

    // A cancelled dialog changes nothing.
    Messages::setNextFileName(QString());
    QTest::mouseClick(w->SelectFileEnc, Qt::LeftButton);
    EXPECT_EQ(w->EncFileEdit->text(), qfile("gone.txt"));

    zerath::test::writeFile(file("small.txt"), "123");
    chooseDecryptFile(file("small.txt"));
    EXPECT_EQ(w->Status->panelText(0), QStringLiteral("File size: 3 bytes"));

    EXPECT_EQ(TCryptForm::fileStatusText(QString(), false), QStringLiteral("No file loaded"));
    EXPECT_EQ(TCryptForm::fileStatusText(QString(), true), QStringLiteral("No file loaded"));
    if (::geteuid() != 0) { // the superuser reads any file
        zerath::test::writeFile(file("locked.bin"), "secret");
        ::chmod(file("locked.bin").c_str(), 0);
        EXPECT_EQ(TCryptForm::fileStatusText(qfile("locked.bin"), false), QStringLiteral("Cannot open file"));
        EXPECT_EQ(TCryptForm::fileStatusText(qfile("locked.bin"), true), QStringLiteral("Cannot open file!"));
    }
}

TEST_F(MainWindowTest, StealthyCipherSettingIsSavedAsOneOrZero)
{
    start();
    TCryptForm* w = mainWindow();
    ASSERT_TRUE(w->CipherAutoSelectCB->isChecked());
    QTest::mouseClick(w->SaveConfig, Qt::LeftButton);
    EXPECT_NE(zerath::test::readFile(file("zerath.ini")).find("Activate=1"), std::string::npos);

    w->CipherAutoSelectCB->click();
    ASSERT_FALSE(w->CipherAutoSelectCB->isChecked());
    QTest::mouseClick(w->SaveConfig, Qt::LeftButton);
    const std::string ini = zerath::test::readFile(file("zerath.ini"));
    EXPECT_NE(ini.find("[StealthyCipher]"), std::string::npos);
    EXPECT_NE(ini.find("Activate=0"), std::string::npos);
    EXPECT_FALSE(zerath::Settings(dir.path()).stealthyCipher());

    // The next start reads it.
    windows.reset();
    ctx.reset();
    start();
    EXPECT_FALSE(mainWindow()->CipherAutoSelectCB->isChecked());
}

TEST_F(MainWindowTest, ClosingAsksAndCancelKeepsTheWindow)
{
    start();
    TCryptForm* w = mainWindow();
    Messages::setNextAnswer(Messages::Answer::Cancel);
    click(w->CloseBtn);
    expectLastBox(Messages::Kind::Warning, QStringLiteral("Do you want to close Zerath?"));
    EXPECT_EQ(int(Messages::lastShown().buttons), int(Messages::Buttons::OkCancel));
    EXPECT_TRUE(w->isVisible());

    Messages::setNextAnswer(Messages::Answer::Cancel);
    click(w->closetopbtn);
    EXPECT_TRUE(w->isVisible());

    Messages::setNextAnswer(Messages::Answer::Ok);
    click(w->closetopbtn);
    EXPECT_EQ(Messages::shown().size(), 3);
    EXPECT_FALSE(w->isVisible());
}

TEST_F(MainWindowTest, ButtonsOpenTheirWindowsAndAboutIsPlacedByItsRule)
{
    start();
    TCryptForm* w = mainWindow();
    // The shredder and key manager buttons open what their hooks name.
    ASSERT_TRUE(ctx->showShredder);
    ASSERT_TRUE(ctx->showKeyManager);
    int calls = 0;
    ctx->showShredder = [&](QWidget* over) {
        EXPECT_EQ(over, w);
        ++calls;
    };
    ctx->showKeyManager = [&](QWidget* over) {
        EXPECT_EQ(over, w);
        calls += 10;
    };
    click(w->Shredderbtn);
    click(w->PGPKeyGen);
    EXPECT_EQ(calls, 11);

    QPoint aboutPos;
    QTimer::singleShot(0, [&] {
        QWidget* about = QApplication::activeModalWidget();
        ASSERT_NE(about, nullptr);
        aboutPos = about->pos();
        QTest::mouseClick(about, Qt::LeftButton, {}, QPoint(180, 180));
    });
    click(w->Aboutbtn);
    const QRect frame = w->frameGeometry();
    EXPECT_EQ(aboutPos, QPoint(frame.left() + (frame.width() - 360) / 2 + 7, frame.top() + (frame.height() - 360) / 2 + 4));
}

TEST_F(MainWindowTest, KeyManagerHandOverReopensTheKeyRingAndRefreshesTheGrid)
{
    start();
    TCryptForm* w = mainWindow();
    ASSERT_EQ(w->DBGrid->keyModel().rowCount(), 0);
    ctx->showKeyManager = [&](QWidget*) {
        ctx->closeMainKeyRing();
        EXPECT_FALSE(ctx->mainKeyRing().Active());
        importOwnKeyPair();
        ctx->reopenMainKeyRing();
    };
    click(w->PGPKeyGen);
    EXPECT_TRUE(ctx->mainKeyRing().Active());
    EXPECT_EQ(w->DBGrid->keyModel().rowCount(), 1);
    EXPECT_EQ(w->DBGrid->keyModel().recordAt(0).KeyID, sampleKeys().ownKeyId);
}
