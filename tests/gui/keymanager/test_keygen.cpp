// The key pair generation dialog: when Generate may be pressed, the typed
// passphrases it masks and forgets, the refusals, and the one generation of
// this test program on the worker thread.
#include <QCheckBox>
#include <QFileInfo>

#include "GuiFixture.h"
#include "symcrypto/FieldProtection.h"
#include "pubkey/PrivateKey.h"
#include "pubkey/PublicKey.h"
#include "windows/KeyGenNowForm.h"

using namespace guitest;

namespace {

struct KeyGenTest : GuiTest {
    void SetUp() override
    {
        GuiTest::SetUp();
        QFile::remove(qfile("ZerathKeys.db"));
        ctx = std::make_unique<AppContext>(qfile(""));
        dlg = std::make_unique<TKeyGenNowForm>(*ctx);
        dlg->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(dlg.get()));
    }
    void TearDown() override
    {
        dlg.reset();
        GuiTest::TearDown();
    }
    void fill(const QString& user, const QString& pass, const QString& confirm)
    {
        for (auto [edit, text] : {std::pair{dlg->KeyUsernameed, user}, {dlg->Passphrase, pass},
                                  {dlg->ConfirmPassphrase, confirm}}) {
            edit->clear();
            QTest::keyClicks(edit, text);
        }
    }
    // Without the key ring's lock file, which the key manager's table may leave.
    std::vector<std::string> names() const
    {
        std::vector<std::string> n = zerath::test::folderNames(home());
        std::erase(n, "ZerathKeys.db.lock");
        return n;
    }

    std::unique_ptr<TKeyGenNowForm> dlg;
};

} // namespace

TEST_F(KeyGenTest, GenerateNeedsFiveCharactersOfNameAndEightOfPassphrase)
{
    const struct {
        const char *user, *pass, *confirm;
        bool enabled;
    } rows[] = {
        {"Alic", "12345678", "12345678", false}, {"Alice", "12345678", "12345678", true},
        {"Alice", "1234567", "1234567", false},  {"Alice", "12345678", "", true}, // the confirmation takes no part
        {"", "", "", false},
    };
    for (const auto& r : rows) {
        fill(r.user, r.pass, r.confirm);
        EXPECT_EQ(dlg->GenerateBtn->isEnabled(), r.enabled) << r.user << r.pass;
    }
}

TEST_F(KeyGenTest, PassphrasesAreMaskedUnlessAskedAndForgottenOnClearAndShow)
{
    fill("Alice Example", "secret one", "secret one");
    EXPECT_EQ(dlg->ConfirmPassphrase->displayText(), QString(10, '*'));
    QTest::mouseClick(dlg->HideTypeCBx, Qt::LeftButton, {}, QPoint(6, dlg->HideTypeCBx->height() / 2));
    EXPECT_EQ(dlg->ConfirmPassphrase->displayText(), QStringLiteral("secret one"));
    click(dlg->Clearbtn);
    EXPECT_TRUE((dlg->KeyUsernameed->text() + dlg->Passphrase->text() + dlg->ConfirmPassphrase->text()).isEmpty());
    fill("Alice Example", "secret one", "secret one");
    click(dlg->Closebtn);
    dlg->show();
    EXPECT_TRUE((dlg->KeyUsernameed->text() + dlg->Passphrase->text() + dlg->ConfirmPassphrase->text()).isEmpty());
}

TEST_F(KeyGenTest, RefusalsWriteNoKeyFileAndLeaveTheDialogUsable)
{
    const QString pass = QStringLiteral("correct horse"), tooLong(4097, QLatin1Char('p'));
    const struct {
        QString user, pass, confirm;
    } rows[] = {
        {"Alice Example", pass, "Correct horse"}, // a confirmation differing in case
        {"Alice|Example", pass, pass},            // the key ring's separator
        {QString(74, 'a'), pass, pass},           // longer than the key ring holds
        {"Alice Example", tooLong, tooLong},     // 4097 characters
    };
    for (const auto& [user, typed, confirm] : rows) {
        fill(user, typed, confirm);
        Messages::setNextAnswer(Answer::Ok);
        click(dlg->GenerateBtn);
        ASSERT_TRUE(QTest::qWaitFor([&] { return !dlg->isGenerating(); }, 20000));
        EXPECT_EQ(Messages::shown().size(), 1);
        EXPECT_TRUE(dlg->GenerateBtn->isEnabled() && dlg->Closebtn->isEnabled());
        EXPECT_TRUE(names().empty());
        Messages::reset();
    }
}

TEST_F(KeyGenTest, GeneratesOnAWorkerAndWritesBothFilesOnly)
{
    fill("Alice Example", "correct horse", "correct horse");
    Messages::setStartFolder(QStringLiteral("/"));
    QTest::keyClick(dlg->ConfirmPassphrase, Qt::Key_Return); // Enter generates once the fields allow it
    // The worker runs: nothing may start again or close the dialog.
    EXPECT_TRUE(dlg->isGenerating());
    EXPECT_FALSE(dlg->GenerateBtn->isEnabled() || dlg->Clearbtn->isEnabled() || dlg->Closebtn->isEnabled());
    ASSERT_NE(QApplication::overrideCursor(), nullptr);
    QTest::keyClick(dlg.get(), Qt::Key_Escape);
    dlg->reject();
    EXPECT_TRUE(dlg->isVisible());
    Messages::setNextAnswer(Answer::Ok);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !dlg->isGenerating(); }, 120000));
    ASSERT_EQ(Messages::shown().size(), 1); // where the two files are, and how to use them
    EXPECT_GT(dlg->candidatesTried(), 0);
    EXPECT_TRUE(dlg->GenerateBtn->isEnabled() && dlg->Closebtn->isEnabled());
    EXPECT_EQ(dlg->CDate->text().toStdString(), dlg->lastResult().CreationDate);

    const zerath::KeyPairResult& r = dlg->lastResult();
    const QString told = Messages::lastShown().text;
    EXPECT_TRUE(told.contains(QString::fromStdString(r.PrivateKeyFile)) && told.contains(QString::fromStdString(r.PublicKeyFile)));
    EXPECT_EQ(names(), (std::vector<std::string>{"Private" + r.PrivateKeyID + ".akf", "Public" + r.PublicKeyID + ".akf"}))
        << "two key files and no key ring";
    EXPECT_EQ(zerath::test::modeOf(r.PrivateKeyFile) & 0777, 0600u);
    zerath::TPrivateKey priv;
    priv.Passphrase = zerath::SecureString(std::string_view("correct horse"));
    ASSERT_NO_THROW(priv.LoadFromFile(r.PrivateKeyFile));
    zerath::TPublicKey pub;
    pub.Passphrase = zerath::SecureString(zerath::FixedProtectionPassphrase());
    ASSERT_NO_THROW(pub.LoadFromFile(r.PublicKeyFile));
    EXPECT_EQ(priv.KeyOwner, "Alice Example");
    EXPECT_EQ(pub.Modulus->ToString(16), priv.Modulus->ToString(16));
    EXPECT_GE(priv.Modulus->BitLength(), 2030);
    // The next import dialog opens where the new files are.
    Messages::setNextFileName(QString());
    (void)Messages::openFileName(QStringLiteral("Import Key"), QStringLiteral("*.akf"));
    EXPECT_EQ(Messages::asked().last().folder, QFileInfo(QString::fromStdString(r.PrivateKeyFile)).absolutePath());
}
