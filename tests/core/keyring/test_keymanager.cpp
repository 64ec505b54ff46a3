#include <gtest/gtest.h>

#include "KeyRingFixture.h"
#include "TestHelpers.h"
#include "filecrypt/FieldProtection.h"
#include "filecrypt/SessionKey.h"
#include "keyring/KeyManager.h"
#include "pubkey/KeyFile.h"
#include "pubkey/PrivateKey.h"
#include "pubkey/PublicKey.h"

using namespace zerath;
using namespace zerath::test;

namespace {

PassphrasePrompt answer(const std::string& text)
{
    return [text](SecureString& p) { return p = SecureString(text), true; };
}
const PassphrasePrompt cancelPassphrase = [](SecureString&) { return false; };
const ConfirmPrompt sayOk = [](const UserMessage&) { return true; };
const ConfirmPrompt sayCancel = [](const UserMessage&) { return false; };
SavePathPrompt saveTo(const std::string& path)
{
    return [path](std::string& p) { return p = path, true; };
}

// A copy of a committed public key file under another owner name or passphrase.
std::string publicKeyFile(const std::string& path, const std::string& owner, std::string_view passphrase)
{
    TPublicKey pub;
    pub.Passphrase = SecureString(FixedProtectionPassphrase());
    pub.LoadFromFile(keyFileOf(TestKey::BobPublic));
    pub.KeyOwner = owner;
    pub.Passphrase = SecureString(passphrase);
    pub.SaveToFile(path);
    return path;
}

const std::string kImportFailed(keymsg::ImportFailed);
const std::string kBob = "Bob Example <bob@example.org>";

struct Flow {
    std::string name;
    TestKey current;                                       // selected before the action
    std::function<UserMessage(KeyManager&, const KeyRingFixture&)> action; // gives the message shown
    UserMessage::Kind kind;
    std::string message; // empty: the action ends quietly (cancelled or done)
    bool ringChanged;    // once the key manager has closed its table
};
void PrintTo(const Flow& f, std::ostream* os) { *os << f.name; }

UserMessage quiet(bool) { return UserMessage(UserMessage::PlainBox, ""); }
UserMessage importing(KeyManager& m, const std::string& file, const PassphrasePrompt& ask)
{
    return quiet(m.ImportKey(file, ask).has_value());
}

const std::vector<Flow> kFlows = {
    {"duplicate import", TestKey::AlicePair,
     [](KeyManager& m, const KeyRingFixture&) { return importing(m, keyFileOf(TestKey::AlicePublic), cancelPassphrase); },
     UserMessage::WarningBox, keymsg::DuplicateKey("F2F41F4C"), false},
    {"import with a wrong passphrase", TestKey::AlicePair,
     [](KeyManager& m, const KeyRingFixture&) { return importing(m, keyFileOf(TestKey::BobPair), answer("wrong")); },
     UserMessage::ErrorBox, kImportFailed, false},
    {"import cancelled at the passphrase", TestKey::AlicePair,
     [](KeyManager& m, const KeyRingFixture&) { return importing(m, keyFileOf(TestKey::BobPair), cancelPassphrase); },
     UserMessage::PlainBox, "", false},
    {"import of a public key under another passphrase", TestKey::AlicePair,
     [](KeyManager& m, const KeyRingFixture& f) {
         return importing(m, publicKeyFile(f.file("other.akf"), kBob, "not the fixed one"), cancelPassphrase);
     },
     UserMessage::ErrorBox, kImportFailed, false},
    {"import of a text file", TestKey::AlicePair,
     [](KeyManager& m, const KeyRingFixture& f) {
         writeFile(f.file("text.akf"), "hello\r\n");
         return importing(m, f.file("text.akf"), cancelPassphrase);
     },
     UserMessage::ErrorBox, std::string(keymsg::UnknownKeyFile), false},
    {"import of an empty file", TestKey::AlicePair,
     [](KeyManager& m, const KeyRingFixture& f) {
         writeFile(f.file("empty.akf"), "");
         return importing(m, f.file("empty.akf"), cancelPassphrase);
     },
     UserMessage::ErrorBox, std::string(keymsg::UnknownKeyFile), false},
    {"import of a damaged body", TestKey::AlicePair,
     [](KeyManager& m, const KeyRingFixture& f) {
         writeFile(f.file("damaged.akf"), std::string(kPublicKeyBeginMarker) + "\r\nAAAA\r\n");
         return importing(m, f.file("damaged.akf"), cancelPassphrase);
     },
     UserMessage::ErrorBox, kImportFailed, false},
    {"import of an owner with the delimiter", TestKey::AlicePair,
     [](KeyManager& m, const KeyRingFixture& f) {
         return importing(m, publicKeyFile(f.file("bar.akf"), "Eve|Mallory", FixedProtectionPassphrase()), {});
     },
     UserMessage::ErrorBox, "The Key Owner cannot contain the character |.", false},
    {"import of an owner of 74 characters", TestKey::AlicePair,
     [](KeyManager& m, const KeyRingFixture& f) {
         return importing(m, publicKeyFile(f.file("o.akf"), std::string(74, 'o'), FixedProtectionPassphrase()), {});
     },
     UserMessage::ErrorBox, "The Key Owner cannot be longer than 73 characters.", false},
    {"import of an owner of 73 characters", TestKey::AlicePair,
     [](KeyManager& m, const KeyRingFixture& f) {
         return importing(m, publicKeyFile(f.file("o.akf"), std::string(73, 'o'), FixedProtectionPassphrase()), {});
     },
     UserMessage::PlainBox, "", true},
    {"import of a key pair", TestKey::AlicePair,
     [](KeyManager& m, const KeyRingFixture&) { return importing(m, keyFileOf(TestKey::BobPair), answer(kBobPassphrase)); },
     UserMessage::PlainBox, "", true},
    {"private export refused at the warning", TestKey::AlicePair,
     [](KeyManager& m, const KeyRingFixture& f) {
         return quiet(m.ExportPrivateKey(sayCancel, answer(kAlicePassphrase), saveTo(f.file("x.akf"))));
     },
     UserMessage::PlainBox, "", false},
    {"private export with a wrong passphrase", TestKey::AlicePair,
     [](KeyManager& m, const KeyRingFixture& f) {
         return quiet(m.ExportPrivateKey(sayOk, answer("wrong"), saveTo(f.file("x.akf"))));
     },
     UserMessage::ErrorBox, std::string(keymsg::WrongExportPassphrase), false},
    {"passphrase change with a wrong current one", TestKey::AlicePair,
     [](KeyManager& m, const KeyRingFixture&) { return m.ChangePassphrase("wrong", "a", "b"); }, UserMessage::ErrorBox,
     std::string(keymsg::WrongCurrentPassphrase), false},
    {"passphrase change with another confirmation", TestKey::AlicePair,
     [](KeyManager& m, const KeyRingFixture&) { return m.ChangePassphrase(kAlicePassphrase, "new phrase", "new phrase "); },
     UserMessage::ErrorBox, std::string(keymsg::PassphraseMismatch), false},
    {"passphrase change to 7 characters", TestKey::AlicePair,
     [](KeyManager& m, const KeyRingFixture&) { return m.ChangePassphrase(kAlicePassphrase, "1234567", "1234567"); },
     UserMessage::ErrorBox, std::string(keymsg::PassphraseTooShort), false},
    {"passphrase change of a public key", TestKey::AlicePublic,
     [](KeyManager& m, const KeyRingFixture&) { return m.ChangePassphrase("", "12345678", "12345678"); },
     UserMessage::ErrorBox, std::string(keymsg::WrongCurrentPassphrase), false},
    {"passphrase change to 8 characters", TestKey::AlicePair,
     [](KeyManager& m, const KeyRingFixture&) { return m.ChangePassphrase(kAlicePassphrase, "12345678", "12345678"); },
     UserMessage::InformationBox, std::string(keymsg::PassphraseChanged), true},
    {"removal cancelled", TestKey::AlicePublic,
     [](KeyManager& m, const KeyRingFixture&) { return quiet(m.RemoveCurrentKey(sayCancel)); }, UserMessage::PlainBox, "",
     false},
    {"removal", TestKey::AlicePublic,
     [](KeyManager& m, const KeyRingFixture&) { return quiet(m.RemoveCurrentKey(sayOk)); }, UserMessage::PlainBox, "",
     true},
};

class KeyManagerFlows : public ::testing::TestWithParam<Flow> {};

TEST_P(KeyManagerFlows, MessageBoxAndKeyRing)
{
    const Flow& flow = GetParam();
    KeyRingFixture f;
    const std::string before = f.ringText();
    KeyManager m(f.home());
    m.Open();
    ASSERT_TRUE(m.Ring().SearchDB("KeyID", f.idOf(flow.current)));
    UserMessage shown(UserMessage::PlainBox, "");
    try {
        shown = flow.action(m, f);
    } catch (const UserMessage& e) {
        shown = e;
    }
    EXPECT_EQ(std::string(shown.what()), flow.message);
    EXPECT_EQ(shown.kind(), flow.kind);
    m.Close();
    EXPECT_EQ(f.ringText() != before, flow.ringChanged);
    EXPECT_FALSE(fileExists(f.file("x.akf")));
}

INSTANTIATE_TEST_SUITE_P(Flows, KeyManagerFlows, ::testing::ValuesIn(kFlows));

TEST(KeyManager, APassphraseChangeTouchesOnlyTheSelectedPair)
{
    KeyRingFixture f({TestKey::AlicePair, TestKey::BobPair, TestKey::AlicePublic});
    const std::vector<std::string> before = SplitKeyRingLines(f.ringText());
    KeyManager m(f.home());
    m.Open();
    ASSERT_TRUE(m.Ring().SearchDB("KeyID", f.idOf(TestKey::BobPair)));
    m.ChangePassphrase(kBobPassphrase, "bob's new passphrase", "bob's new passphrase");
    m.Close();
    const std::vector<std::string> after = SplitKeyRingLines(f.ringText());
    ASSERT_EQ(after.size(), 3u);
    EXPECT_EQ(after[0], before[0]);
    EXPECT_NE(after[1], before[1]);
    EXPECT_EQ(after[2], before[2]);
    KeyRing ring(f.home());
    ring.DBOpen();
    ASSERT_TRUE(ring.SearchDB("KeyID", f.idOf(TestKey::AlicePair)));
    EXPECT_TRUE(zerath::CheckPrivatePassphrase(ring.CurrentRecord(), kAlicePassphrase));
    ASSERT_TRUE(ring.SearchDB("KeyID", f.idOf(TestKey::BobPair)));
    EXPECT_TRUE(VerifyStoredKeyRecord(ring.CurrentRecord()));
    EXPECT_TRUE(zerath::CheckPrivatePassphrase(ring.CurrentRecord(), "bob's new passphrase"));
    EXPECT_FALSE(zerath::CheckPrivatePassphrase(ring.CurrentRecord(), kBobPassphrase));
}

TEST(KeyManager, ExportsLoadBackWithTheSameNumbers)
{
    KeyRingFixture f;
    KeyManager m(f.home());
    m.Open();
    ASSERT_TRUE(m.Ring().SearchDB("KeyID", f.idOf(TestKey::AlicePair)));
    std::string proposed;
    ASSERT_TRUE(m.ExportPrivateKey(sayOk, answer(kAlicePassphrase), [&](std::string& p) {
        proposed = p;
        return p = f.file("priv.akf"), true;
    }));
    EXPECT_EQ(proposed, f.home() + "Private" + f.idOf(TestKey::AlicePair) + ".akf");
    EXPECT_EQ(modeOf(f.file("priv.akf")), 0600u);
    ASSERT_TRUE(m.ExportPublicKey(saveTo(f.file("pub.akf"))));
    TPrivateKey original, back;
    original.Passphrase = back.Passphrase = SecureString(std::string(kAlicePassphrase));
    original.LoadFromFile(keyFileOf(TestKey::AlicePair));
    back.LoadFromFile(f.file("priv.akf"));
    EXPECT_EQ(back.KeyCreationTime, ""); // the key ring keeps no creation time
    EXPECT_EQ(back.KeyOwner, original.KeyOwner);
    EXPECT_EQ(back.ExponentD.value().ToString(16), original.ExponentD.value().ToString(16));
    EXPECT_EQ(back.Modulus.value().ToString(16), original.Modulus.value().ToString(16));
    TPublicKey pub;
    pub.Passphrase = SecureString(FixedProtectionPassphrase());
    pub.LoadFromFile(f.file("pub.akf"));
    EXPECT_EQ(pub.Modulus.value().ToString(16), original.Modulus.value().ToString(16));
    EXPECT_EQ(pub.Exponent.value().ToString(16), original.GetPublicKey()->Exponent.value().ToString(16));
}

TEST(KeyManager, AlteredRecordsAreNotExported)
{
    KeyRingFixture f;
    std::string ring = f.ringText();
    const std::string owner = "|Alice Example <alice@example.org>|";
    ring.replace(ring.find(owner), owner.size(), "|Mallory|");
    writeFile(f.ringPath(), ring);
    KeyManager m(f.home());
    m.Open();
    ASSERT_TRUE(m.Ring().SearchDB("KeyID", f.idOf(TestKey::AlicePublic)));
    EXPECT_EQ(errorOf<UserMessage>([&] { m.ExportPublicKey(saveTo(f.file("p.akf"))); }), keymsg::PublicKeyCorrupted);
    EXPECT_FALSE(fileExists(f.file("p.akf")));
}

TEST(KeyManager, RemovalIsWrittenAtCloseOrAtTheNextImport)
{
    KeyRingFixture f({TestKey::AlicePublic, TestKey::AlicePair});
    const std::string pairLine = SplitKeyRingLines(f.ringText()).at(1) + "\r\n";
    KeyManager m(f.home());
    m.Open();
    ASSERT_TRUE(m.Ring().SearchDB("KeyID", f.idOf(TestKey::AlicePublic)));
    EXPECT_TRUE(m.RemoveCurrentKey(sayOk));
    ASSERT_TRUE(m.ImportKey(keyFileOf(TestKey::CarolPublic), {}).has_value());
    const std::string written = f.ringText();
    EXPECT_EQ(written.find(pairLine), 0u);
    EXPECT_EQ(SplitKeyRingLines(written).size(), 2u);
    EXPECT_TRUE(m.RemoveCurrentKey(sayOk));
    EXPECT_EQ(f.ringText(), written);
    m.Close();
    EXPECT_EQ(f.ringText(), pairLine);
}

TEST(KeyManager, KeyInformationAndFingerprints)
{
    KeyRingFixture f({TestKey::CarolPublic});
    KeyManager m(f.home());
    m.Open();
    const KeyRecord r = m.Ring().CurrentRecord();
    const std::vector<std::string> expected = {"Type: Pub", "Username: Carol Example <carol@example.org>",
                                               "key ID: " + r.KeyID, "Length: 2048", "Creation Date: " + r.Date, "",
                                               "Fingerprint:", "", r.FP.substr(0, 20), r.FP.substr(20, 20)};
    EXPECT_EQ(m.KeyInformationLines(), expected);
    writeFile(f.file("info.txt"), std::string(4000, 'x'));
    SaveKeyInformation(f.file("info.txt"), expected);
    std::string want;
    for (const auto& l : expected) want += l + "\r\n";
    EXPECT_EQ(readFile(f.file("info.txt")), want);

    const std::string fp = "0123456789ABCDEF0123456789ABCDEF01234567";
    EXPECT_STREQ(CompareFingerprints(fp, " \t" + fp + "\r\n ").what(), keymsg::FingerprintsSame.data());
    EXPECT_STREQ(CompareFingerprints(fp, fp.substr(0, 10) + "a" + fp.substr(11)).what(),
                 keymsg::FingerprintsDifferent.data());
    EXPECT_STREQ(CompareFingerprints(fp, fp.substr(1)).what(), keymsg::FingerprintsDifferent.data());
}

TEST(KeyManager, AMissingKeyRingIsNotCreatedByAnImport)
{
    TempDir d;
    KeyManager km(d.path());
    km.Open();
    EXPECT_EQ(km.View().countText, "No keys");
    EXPECT_EQ(errorOf<UserMessage>([&] { km.ImportKey(keyFileOf(TestKey::AlicePublic), {}); }),
              "Cannot add new key to database");
    EXPECT_FALSE(fileExists(d.file("ZerathKeys.db")));
}

} // namespace
