// What a new user stumbled on in the main window, the shredder and the key
// dialogs, each where it is behaviour.
#include <QCheckBox>
#include <QComboBox>
#include <QAccessible>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "EditedRecord.h"
#include "GuiFixture.h"
#include "widgets/ElidedField.h"
#include "widgets/ALProgressBar.h"
#include "widgets/ALStatusBar.h"
#include "windows/ChangePassFrm.h"
#include "widgets/HNoShape.h"
#include "windows/CryptForm.h"
#include "windows/KeyRingGrid.h"
#include "windows/ShredderForm.h"

namespace guitest {
namespace {

TEST_F(GuiTest, EnterInAFileFieldKeepsTheRecipientAndAltLettersReachTheCommands)
{
    startMain();
    clickRow(mainWindow()->DBGrid, 0);
    mainWindow()->EncFileEdit->setFocus();
    QTest::keyClick(mainWindow()->EncFileEdit, Qt::Key_Return);
    EXPECT_TRUE(mainWindow()->MailBoxKeyID->text().isEmpty()); // Select was not pressed
    // Alt+E runs Encrypt: without a recipient it says so.
    Messages::setNextAnswer(Answer::Ok);
    QTest::keyClick(mainWindow(), Qt::Key_E, Qt::AltModifier);
    EXPECT_EQ(Messages::lastShown().text, QStringLiteral("No mail box specified"));
    // Every file shows in the dialogs, those without a dot too.
    Messages::setNextFileNames({});
    QTest::mouseClick(mainWindow()->SelectFileEnc, Qt::LeftButton);
    EXPECT_EQ(Messages::qtFilter(Messages::asked().last().prompt), QStringLiteral("All Files (*)"));
}

TEST_F(GuiTest, TheShredderOpensWithAnEmptyBarAndThePassphraseDialogTakesTyping)
{
    startMain();
    TShredderForm shredder(*ctx, {QString::fromStdString(home())});
    shredder.Prog->setMax(10);
    shredder.Prog->setPosition(10);
    shredder.show();
    EXPECT_EQ(shredder.Prog->position(), 0);

    TChangePassFrm dialog;
    dialog.edtCurrentpass->setText(QStringLiteral("old"));
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("typed"));
    EXPECT_EQ(dialog.edtNewPass->text(), QStringLiteral("typed"));
    bool applied = false;
    QObject::connect(&dialog, &QDialog::accepted, [&] { applied = true; });
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_TRUE(applied);
}

// The panels after each command against the figures of the file itself: its
// cipher, and R = |S - C| * 100 / C (C + 1 for an empty source) for S bytes of
// data in a zlib stream of C bytes, the ciphertext behind the header.
TEST_F(GuiTest, TheStatusPanelsShowTheFiguresOfTheFileEncryptedOrDecrypted)
{
    std::string text, noise(60000, '\0');
    for (int i = 0; i < 4000; ++i) text += "line " + std::to_string(i % 7) + "\n";
    for (char& c : noise) c = char(std::rand());
    const struct { std::string name, data, shown; } rows[] = {
        {"text.txt", text, "Rijndael (AES)"}, {"noise.bin", noise, "Twofish"}, {"empty", "", "RC6"}};
    startMain();
    TCryptForm* w = mainWindow();
    doubleClickRow(w->DBGrid, rowOf(w->DBGrid, id(TestKey::AlicePair))), w->CipherAutoSelectCB->setChecked(false);
    const auto expectFiguresOf = [&](const auto& row) {
        const std::string enc = readFile(file(row.name + ".enc"));
        const std::uint64_t s = row.data.size(), c = enc.size() - 23 - (std::uint8_t(enc[5]) | std::uint8_t(enc[6]) << 8);
        char r[64];
        std::snprintf(r, sizeof r, "Compression: %4.1f%%", double(s > c ? s - c : c - s) * 100 / double(s ? c : c + 1));
        EXPECT_EQ(w->Status->panelText(0).toStdString(), r) << row.name;
        EXPECT_EQ(w->Status->panelText(1).toStdString(), "Cipher: " + row.shown + ", Key size: 256");
    };
    for (const auto& row : rows) {
        writeFile(file(row.name), row.data), w->cbxCipher->setCurrentIndex(w->cbxCipher->findText(QString::fromStdString(row.shown.substr(0, 3)), Qt::MatchStartsWith));
        w->setFileList(w->EncFileEdit, {qfile(row.name)}, false), Messages::setNextAnswer(Answer::Ok);
        click(w->Encryptbtn);
        expectFiguresOf(row);
        QFile::remove(qfile(row.name));
    }
    for (const auto& row : rows) { // the first follows an RC6 file
        w->setFileList(w->DecFileEdit, {qfile(row.name + ".enc")}, true);
        Messages::setNextText(QString::fromLatin1(zerath::test::kAlicePassphrase)), Messages::setNextAnswer(Answer::Ok);
        click(w->Decryptbtn);
        ASSERT_EQ(readFile(file(row.name)), row.data);
        expectFiguresOf(row);
    }
    // A batch's files are told in its summary; no one file's figures stay.
    for (const auto& row : rows) QFile::remove(qfile(row.name + ".enc"));
    w->setFileList(w->EncFileEdit, {qfile("text.txt"), qfile("noise.bin")}, false), Messages::setNextAnswer(Answer::Ok);
    click(w->Encryptbtn);
    EXPECT_TRUE(exists("noise.bin.enc") && w->Status->panelText(0).isEmpty() && w->Status->panelText(1).isEmpty());
}

// The field shows a long owner's start; the command, the hint and a screen
// reader get all of it.
TEST_F(GuiTest, ALongRecipientIsShownElidedAndUsedWhole)
{
    const QString owner = QStringLiteral("Alice Example of the Long Department <alice.example@long-domain.example>");
    zerath::test::insertEditedCopy(*ring, TestKey::AlicePair, [&](zerath::KeyRecord& r) { r.UserID = owner.toStdString(); });
    startMain();
    TCryptForm* w = mainWindow();
    QLineEdit* field = w->MailBoxUserID;
    doubleClickRow(w->DBGrid, rowOf(w->DBGrid, zerath::test::kEditedKeyId));
    const QString shown = elided::shownText(field);
    QAccessibleInterface* spoken = QAccessible::queryAccessibleInterface(field);
    EXPECT_TRUE(shown.endsWith(QChar(0x2026)) && owner.startsWith(shown.chopped(1)) && shown.size() > 10) << shown.toStdString();
    EXPECT_TRUE(field->text() == owner && field->toolTip() == owner && spoken->text(QAccessible::Description) == owner);

    writeFile(file("a.txt"), "for the long one"), w->setFileList(w->EncFileEdit, {qfile("a.txt")}, false);
    Messages::setNextAnswer(Answer::Ok);
    click(w->Encryptbtn);
    QFile::remove(qfile("a.txt")), w->setFileList(w->DecFileEdit, {qfile("a.txt.enc")}, true);
    Messages::setNextText(QString::fromLatin1(zerath::test::kAlicePassphrase)), Messages::setNextAnswer(Answer::Ok);
    click(w->Decryptbtn);
    EXPECT_TRUE(readFile(file("a.txt")) == "for the long one" && Messages::asked().last().prompt.contains(owner));
    elided::setText(field, QStringLiteral("Bo <b@x.de>"));
    EXPECT_EQ(elided::shownText(field), field->text()); // a short one is shown whole, till the font grows
    field->setFont(QFont(field->font().family(), field->font().pointSize() * 3));
    EXPECT_TRUE(elided::shownText(field).endsWith(QChar(0x2026)));
}

} // namespace
} // namespace guitest
