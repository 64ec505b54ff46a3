// The key manager window: its flows as one table of answers and what reaches
// the key ring file, exports, the key ring hand-over, and the passphrase and
// fingerprint dialogs it opens.

#include "GuiFixture.h"
#include "filecrypt/FieldProtection.h"
#include "pubkey/KeyFingerprint.h"
#include "pubkey/PrivateKey.h"
#include "windows/ChangePassFrm.h"
#include "windows/FPCheckFrm.h"
#include "windows/KeyGenForm.h"
#include "windows/KeyRingGrid.h"

using namespace guitest;

namespace {

struct KeyManagerTest : GuiTest {
    // Alice's key pair alone in the key ring (its row current), the window shown.
    void startWithPair()
    {
        useKeys({TestKey::AlicePair});
        pair = id(TestKey::AlicePair);
        startKeyManager();
    }
    void pickFile(const std::string& path) { Messages::setNextFileName(QString::fromStdString(path)); }
    static void text(const std::string& t) { Messages::setNextText(QString::fromStdString(t)); }
    static void answer(Answer a) { Messages::setNextAnswer(a); }
    int rows() const { return keyManager->DBGrid->keyModel().rowCount(); }
    int ringLines() const
    {
        const std::string text = keyRing();
        return int(std::count(text.begin(), text.end(), '\n'));
    }
    void hide() { keyManager->hide(); }

    std::string pair;
};

enum Press { Import, Remove, GridDelete };

struct Flow {
    const char* name;
    Press press;
    std::string file;   // the open dialog's answer ("": cancelled)
    const char* typed;  // the passphrase prompt's answer ("": cancelled)
    Answer answer;      // of the one box; None: no box
    Kind kind;
    bool fileChangesAtOnce;
    int rowsAfter; // also the key ring's lines once the window hides
};

void PrintTo(const Flow& f, std::ostream* os) { *os << f.name; }

struct KeyManagerFlow : KeyManagerTest, ::testing::WithParamInterface<Flow> {};

const std::string kPass = zerath::test::kAlicePassphrase;
const std::string kPair = keyFileOf(TestKey::AlicePair);

const Flow kFlows[] = {
    {"ImportPublic", Import, keyFileOf(TestKey::AlicePublic), nullptr, Answer::None, Kind::Plain, true, 2},
    {"ImportDuplicate", Import, kPair, kPass.c_str(), Answer::Ok, Kind::Warning, false, 1},
    {"ImportWrongPassphrase", Import, kPair, "wrong horse", Answer::Ok, Kind::Error, false, 1},
    {"ImportPassphraseCancelled", Import, kPair, "", Answer::None, Kind::Plain, false, 1},
    {"ImportFileDialogCancelled", Import, "", nullptr, Answer::None, Kind::Plain, false, 1},
    {"ImportNotAKeyFile", Import, zerath::test::dataPath("keys/README.md"), nullptr, Answer::Ok, Kind::Error, false, 1},
    {"RemoveCancelled", Remove, "", nullptr, Answer::Cancel, Kind::Warning, false, 1},
    {"RemoveWrittenOnHide", Remove, "", nullptr, Answer::Ok, Kind::Warning, false, 0},
    {"GridDeleteCancelled", GridDelete, "", nullptr, Answer::Cancel, Kind::Confirmation, false, 1},
    {"GridDeleteWrittenOnHide", GridDelete, "", nullptr, Answer::Ok, Kind::Confirmation, false, 0},
};

} // namespace

TEST_P(KeyManagerFlow, ReachesTheKeyRingFileAsAnswered)
{
    const Flow& f = GetParam();
    startWithPair();
    const std::string before = keyRing();
    if (f.press == Import) pickFile(f.file);
    if (f.typed && *f.typed) text(f.typed);
    if (f.typed && !*f.typed) Messages::setNextTextCancel();
    if (f.answer != Answer::None) answer(f.answer);
    keyManager->DBGrid->setFocus();
    if (f.press == GridDelete) QTest::keyClick(keyManager->DBGrid, Qt::Key_Delete, Qt::ControlModifier);
    else click(f.press == Import ? keyManager->ImportKeybtn : keyManager->RemoveKey);
    EXPECT_EQ(Messages::shown().size(), f.answer == Answer::None ? 0 : 1);
    if (!Messages::shown().isEmpty()) expectBox(f.kind);
    EXPECT_EQ(rows(), f.rowsAfter);
    EXPECT_EQ(keyRing() != before, f.fileChangesAtOnce);
    hide();
    EXPECT_EQ(ringLines(), f.rowsAfter);
    EXPECT_EQ(ctx->mainKeyRing().RecordCount(), f.rowsAfter) << "the main window sees it";
}

INSTANTIATE_TEST_SUITE_P(, KeyManagerFlow, ::testing::ValuesIn(kFlows),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(KeyManagerTest, RecordButtonsFollowTheCurrentRow)
{
    startKeyManager();
    const auto state = [&, k = keyManager.get()] {
        QString s;
        for (QWidget* b : {k->Exportprvkeybtn, k->Exportpubkeybtn, k->RemoveKey, k->ChangePassphrase})
            s += b->isEnabled() ? '1' : '0';
        return s;
    };
    clickRow(keyManager->DBGrid, 0);
    EXPECT_EQ(state(), "1111") << "key pair";
    clickRow(keyManager->DBGrid, 1);
    EXPECT_EQ(state(), "0110") << "public key";
    for (int i = 0; i < 2; ++i)
        answer(Answer::Ok), click(keyManager->RemoveKey);
    EXPECT_EQ(state(), "0000") << "no keys";
    EXPECT_TRUE(keyManager->ImportKeybtn->isEnabled() && keyManager->GenKeysbtn->isEnabled());
    // A double click or Ctrl+Delete on the empty grid asks nothing.
    QTest::mouseDClick(keyManager->DBGrid->viewport(), Qt::LeftButton, {}, QPoint(40, 10));
    QTest::keyClick(keyManager->DBGrid, Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(Messages::shown().size(), 2);
}

TEST_F(KeyManagerTest, TheKeyRingIsHandedOverOnShowAndHide)
{
    QFile::remove(qfile("ZerathKeys.db")); // behind the main window's back
    startKeyManager(false);
    EXPECT_FALSE(keyManager->manager().Ring().Active());
    pickFile(keyFileOf(TestKey::AlicePublic)), answer(Answer::Ok), click(keyManager->ImportKeybtn);
    expectBox(Kind::Plain, 1); // cannot add
    hide();
    EXPECT_TRUE(ctx->mainKeyRing().Active());
    EXPECT_EQ(zerath::test::modeOf(file("ZerathKeys.db")) & 0777, 0600u);

    keyManager->show();
    EXPECT_FALSE(ctx->mainKeyRing().Active()) << "one table open at a time";
    pickFile(keyFileOf(TestKey::AlicePublic)), click(keyManager->ImportKeybtn);
    int reopened = 0;
    QObject::connect(ctx.get(), &AppContext::keyRingReopened, [&] { ++reopened; });
    hide();
    EXPECT_FALSE(keyManager->manager().Ring().Active());
    EXPECT_EQ(reopened, 1);
    EXPECT_EQ(ctx->mainKeyRing().RecordCount(), 1);
}

TEST_F(KeyManagerTest, ExportsWriteKeyFilesThatLoadBack)
{
    startWithPair();
    // Public: no question but the file name, proposed beside the program.
    pickFile(file("pub.akf"));
    click(keyManager->Exportpubkeybtn);
    EXPECT_EQ(Messages::asked().last().proposed.toStdString(), home() + "Public" + pair + ".akf");
    EXPECT_TRUE(Messages::shown().isEmpty());
    pickFile(file("pub.akf")), click(keyManager->ImportKeybtn);
    EXPECT_EQ(rows(), 2) << "the exported public key imports";

    // Private: warning, passphrase, name; refused at each step.
    clickRow(keyManager->DBGrid, 0);
    const struct {
        std::function<void()> answers;
        bool written;
    } steps[] = {
        {[] { answer(Answer::Cancel); }, false},
        {[] { answer(Answer::Ok), Messages::setNextTextCancel(); }, false},
        {[] { answer(Answer::Ok), text("wrong horse"), answer(Answer::Ok); }, false},
        {[&] { answer(Answer::Ok), text(kPass), pickFile(""); }, false},
        {[&] { answer(Answer::Ok), text(kPass), pickFile(file("no/priv.akf")), answer(Answer::Ok); }, false},
        {[&] { answer(Answer::Ok), text(kPass), pickFile(file("priv.akf")); }, true},
    };
    for (const auto& s : steps) {
        s.answers();
        click(keyManager->Exportprvkeybtn);
        EXPECT_EQ(exists("priv.akf"), s.written);
    }
    EXPECT_EQ(zerath::test::modeOf(file("priv.akf")) & 0777, 0600u);
    zerath::TPrivateKey priv;
    priv.Passphrase = zerath::SecureString(kPass);
    EXPECT_NO_THROW(priv.LoadFromFile(file("priv.akf")));
}

TEST_F(KeyManagerTest, PassphraseChangeChecksEmptiesItsEntriesAndTouchesOnlyTheSelectedKey)
{
    useKeys({TestKey::BobPair, TestKey::AlicePair});
    pair = id(TestKey::AlicePair);
    const std::string bob = id(TestKey::BobPair);
    startKeyManager();
    clickRow(keyManager->DBGrid, rowOf(keyManager->DBGrid, pair));
    TChangePassFrm* d = keyManager->changePassDialog();
    const std::string before = keyRing();
    const struct {
        const char *current, *fresh, *confirm;
        bool apply;
        int boxes;
        Kind kind;
    } tries[] = {
        {"wrong horse", "new passphrase", "new passphrase", true, 1, Kind::Error},
        {"correct horse battery", "new passphrase", "New passphrase", true, 1, Kind::Error},
        {"correct horse battery", "1234567", "1234567", true, 1, Kind::Error},
        {"correct horse battery", "12345678", "12345678", false, 0, Kind::Plain},
        {"correct horse battery", "12345678", "12345678", true, 1, Kind::Information},
    };
    for (const auto& t : tries) {
        SCOPED_TRACE(t.fresh);
        QString leftOver = "-";
        whenModal(d, [&] {
            leftOver = d->edtCurrentpass->text() + d->edtNewPass->text() + d->edtConfirmPass->text();
            QTest::keyClicks(d->edtCurrentpass, t.current);
            QTest::keyClicks(d->edtNewPass, t.fresh);
            QTest::keyClicks(d->edtConfirmPass, t.confirm);
            if (t.boxes) answer(Answer::Ok);
            click(t.apply ? d->Applybtn : d->cancelBtn);
        });
        click(keyManager->ChangePassphrase);
        EXPECT_EQ(leftOver, QString()) << "nothing kept from the last time";
        EXPECT_TRUE((d->edtCurrentpass->text() + d->edtNewPass->text() + d->edtConfirmPass->text()).isEmpty());
        EXPECT_EQ(Messages::shown().size(), t.boxes);
        if (t.boxes) expectBox(t.kind);
        EXPECT_EQ(keyRing(), before) << "written when the window hides";
        Messages::reset();
    }
    hide();
    const auto lineOf = [](const std::string& text, const std::string& keyId) {
        const auto at = text.find("|" + keyId + "|"), from = text.rfind('\n', at) + 1; // 0 on the first line
        return text.substr(from, text.find('\n', at) - from);
    };
    EXPECT_NE(lineOf(keyRing(), pair), lineOf(before, pair));
    EXPECT_EQ(lineOf(keyRing(), bob), lineOf(before, bob));
    keyManager->show();
    clickRow(keyManager->DBGrid, rowOf(keyManager->DBGrid, pair));
    EXPECT_FALSE(keyManager->manager().CheckPrivatePassphrase(kPass));
    EXPECT_TRUE(keyManager->manager().CheckPrivatePassphrase("12345678"));
}

// The Fingerprint field shows the key fingerprint, which the public key file
// gives as well; the comparison accepts it however it is spaced or cased, and
// the record's own fingerprint, and nothing one digit away.
TEST_F(KeyManagerTest, FingerprintComparison)
{
    startWithPair();
    zerath::TPublicKey pub;
    pub.Passphrase = zerath::SecureString(zerath::FixedProtectionPassphrase());
    pub.LoadFromFile(keyFileOf(TestKey::AlicePublic));
    const QString key = QString::fromStdString(zerath::KeyFingerprint(*pub.Modulus, *pub.Exponent));
    const QString grouped = keyManager->FPedit->text();
    EXPECT_EQ(QString(grouped).remove(' '), key);
    EXPECT_EQ(grouped.size(), 49);
    QString oneDigitAway = grouped;
    oneDigitAway[5] = oneDigitAway[5] == 'A' ? 'B' : 'A';
    const QString record = QString::fromStdString(keyManager->manager().Ring().FieldAsString("FP"));
    TFPCheckFrm* d = keyManager->fpCheckDialog();
    whenModal(d, [&] {
        EXPECT_EQ(d->FPedit1->text(), grouped);
        const std::pair<QString, Kind> rows[] = {
            {"  " + grouped + " \t", Kind::Information}, {key.toLower(), Kind::Information},
            {"0x" + key, Kind::Information},               {record, Kind::Information},
            {oneDigitAway, Kind::Warning},                 {key.left(39), Kind::Warning},
        };
        for (const auto& [typed, kind] : rows) {
            d->FPedit2->clear();
            QTest::keyClicks(d->FPedit2, typed);
            answer(Answer::Ok);
            click(d->Verifybtn);
            expectBox(kind);
        }
        click(d->Closebtn);
    });
    click(keyManager->SpeedButton1);
}
