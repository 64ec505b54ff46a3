// A key imported in the key manager serves the main window: encryption to it
// and decryption with its passphrase, the key manager opened through the main
// window's Keys Manager hook.
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "KeyWinFixture.h"
#include "app/Application.h"
#include "windows/CryptForm.h"
#include "windows/KeyGenForm.h"
#include "windows/KeyRingGrid.h"
#include "windows/KeyWindows.h"

using namespace kwtest;

namespace {

class MainWindowRoundTrip : public ::testing::Test {
protected:
    void SetUp() override
    {
        Messages::setScripted(true);
        Messages::reset();
        TCryptForm::setShowSplash(false);
    }
    void TearDown() override
    {
        EXPECT_EQ(Messages::pendingAnswers(), 0);
        windows.reset();
        ctx.reset();
        Messages::reset();
    }

    zerath::test::TempDir dir;
    std::unique_ptr<AppContext> ctx;
    std::unique_ptr<ZerathWindows> windows;
};

int rowOf(TKeyRingGrid* grid, const std::string& keyId)
{
    for (int r = 0; r < grid->keyModel().rowCount(); ++r)
        if (grid->keyModel().recordAt(r).KeyID == keyId) return r;
    return -1;
}

} // namespace

TEST_F(MainWindowRoundTrip, EncryptToAnImportedKeyAndDecrypt)
{
    ctx = std::make_unique<AppContext>(QString::fromStdString(dir.path()));
    windows = std::make_unique<ZerathWindows>(*ctx);
    TCryptForm* main = windows->mainWindow();
    TKeyGenForm* km = installKeyManager(*ctx, main);
    ASSERT_TRUE(bool(ctx->showKeyManager));
    main->move(40, 40);
    main->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(main));
    EXPECT_EQ(main->DBGrid->keyModel().rowCount(), 0);

    // The Keys Manager button opens the key manager modally over the main window.
    const GeneratedPair& g = generatedPair();
    bool mainTableClosed = false;
    whenModal(km, [&] {
        mainTableClosed = !ctx->mainKeyRing().Active();
        Messages::setNextFileName(QString::fromStdString(g.privateFile));
        Messages::setNextText(kPassphrase);
        click(km->ImportKeybtn);
        click(km->CloseBtn);
    });
    main->PGPKeyGenClick();
    EXPECT_TRUE(mainTableClosed);
    ASSERT_TRUE(ctx->mainKeyRing().Active());
    ASSERT_EQ(main->DBGrid->keyModel().rowCount(), 1) << "the main window's grid follows the reopened key ring";
    const int row = rowOf(main->DBGrid, g.privateKeyId);
    ASSERT_EQ(row, 0);

    // Encrypt a file to the imported key pair.
    const std::string plain = "a letter for Alice\r\n" + std::string(3000, 'x');
    zerath::test::writeFile(dir.file("letter.txt"), plain);
    main->DBGrid->selectRow(row);
    click(main->AddMailBoxbtn);
    EXPECT_EQ(main->MailBoxKeyID->text().toStdString(), g.privateKeyId);
    Messages::setNextFileName(QString::fromStdString(dir.file("letter.txt")));
    click(main->SelectFileEnc);
    Messages::setNextAnswer(Messages::Answer::Ok);
    main->EncryptbtnClick();
    ASSERT_EQ(Messages::lastShown().kind, Messages::Kind::Information) << Messages::lastShown().text.toStdString();
    ASSERT_TRUE(QFile::exists(QString::fromStdString(dir.file("letter.txt.enc"))));

    // Decrypt it with the key pair's passphrase.
    QFile::remove(QString::fromStdString(dir.file("letter.txt")));
    Messages::setNextFileName(QString::fromStdString(dir.file("letter.txt.enc")));
    click(main->SelectFileDec);
    Messages::setNextText(kPassphrase);
    Messages::setNextAnswer(Messages::Answer::Ok);
    main->DecryptbtnClick();
    ASSERT_EQ(Messages::lastShown().kind, Messages::Kind::Information) << Messages::lastShown().text.toStdString();
    EXPECT_EQ(fileText(dir.file("letter.txt")), plain);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}
