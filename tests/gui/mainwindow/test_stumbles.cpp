// What a new user stumbled on in the main window, the shredder and the key
// dialogs, each where it is behaviour.
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "GuiFixture.h"
#include "widgets/ALProgressBar.h"
#include "widgets/FileListBox.h"
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

TEST_F(GuiTest, TheShredderOpensWithAnEmptyBarAndACaseBlindFilterAndThePassphraseDialogTakesTyping)
{
    EXPECT_TRUE(TFileListBox::matchesMask(QStringLiteral("a.pdf"), QStringLiteral("*.PDF")));
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

} // namespace
} // namespace guitest
