#include <gtest/gtest.h>

#include "KeyRingFixture.h"
#include "TestHelpers.h"
#include "symcrypto/FieldProtection.h"
#include "filecrypt/SessionKey.h"
#include "keyring/KeyIdentityOfRecord.h"
#include "keyring/KeyManager.h"
#include "pubkey/KeyFile.h"
#include "pubkey/OwnerRules.h"
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

// A committed key file loaded under `passphrase`, changed by `edit` and saved
// at `path`: under another owner or passphrase, or with an empty creation time
// as an export writes it (the same numbers under another record fingerprint and key ID).
template <class Key, class Edit>
std::string resaved(TestKey k, std::string_view passphrase, const std::string& path, Edit edit)
{
    Key key = loadKey<Key>(keyFileOf(k), passphrase);
    edit(key);
    key.SaveToFile(path);
    return path;
}
const auto noCreationTime = [](auto& key) { key.KeyCreationTime.clear(); };

const std::string kImportFailed(keymsg::ImportFailed), kUnknown(keymsg::UnknownKeyFile);
// A public key file needs no passphrase of the user's: when it does not open, the file is damaged.
const std::string kDamagedKeyFile = "RSA Key decryption Error. Corrupted key file!";

using Action = std::function<UserMessage(KeyManager&, const KeyRingFixture&)>;
UserMessage quiet(bool) { return UserMessage(UserMessage::PlainBox, ""); }
// Imports a file named `name` under the program folder, made by `make`.
Action importing(std::function<std::string(const std::string& path)> make, PassphrasePrompt ask = cancelPassphrase)
{
    return [=](KeyManager& m, const KeyRingFixture& f) { return quiet(m.ImportKey(make(f.file("in.akf")), ask).has_value()); };
}
Action importing(TestKey k, PassphrasePrompt ask = cancelPassphrase)
{
    return importing([k](const std::string&) { return keyFileOf(k); }, ask);
}
Action importingText(const std::string& content)
{
    return importing([content](const std::string& p) { return writeFile(p, content), p; });
}
Action importingOwner(const std::string& owner, std::string_view passphrase = FixedProtectionPassphrase())
{
    return importing([=](const std::string& p) {
        return resaved<TPublicKey>(TestKey::BobPublic, FixedProtectionPassphrase(), p, [&](TPublicKey& k) {
            k.KeyOwner = owner, k.Passphrase = SecureString(passphrase);
        });
    });
}
Action changing(const char* current, const char* fresh, const char* again)
{
    return [=](KeyManager& m, const KeyRingFixture&) { return m.ChangePassphrase(current, fresh, again); };
}
Action exportingPrivate(const ConfirmPrompt& warning, const char* passphrase)
{
    return [=](KeyManager& m, const KeyRingFixture& f) {
        return quiet(m.ExportPrivateKey(warning, answer(passphrase), saveTo(f.file("x.akf"))));
    };
}
Action removing(const ConfirmPrompt& confirm)
{
    return [=](KeyManager& m, const KeyRingFixture&) { return quiet(m.RemoveCurrentKey(confirm)); };
}

struct Flow {
    std::string name;
    TestKey current; // selected before the action
    Action action;   // gives the message shown
    UserMessage::Kind kind;
    std::string message; // empty: the action ends quietly (cancelled or done)
    bool ringChanged;    // once the key manager has closed its table
};
void PrintTo(const Flow& f, std::ostream* os) { *os << f.name; }

const auto Pair = TestKey::AlicePair, Pub = TestKey::AlicePublic;
const auto Plain = UserMessage::PlainBox, ErrorBox = UserMessage::ErrorBox;
const std::string k4097(4097, 'p');
const std::vector<Flow> kFlows = {
    {"duplicate import", Pair, importing(TestKey::AlicePublic), UserMessage::WarningBox, keymsg::DuplicateKey("F2F41F4C"), false},
    {"same public key under another key ID", Pair,
     importing([](const std::string& p) { return resaved<TPublicKey>(TestKey::AlicePublic, FixedProtectionPassphrase(), p, noCreationTime); }),
     UserMessage::WarningBox, AlreadyInKeyRing("F2F41F4C"), false},
    {"same key pair under another key ID", Pub,
     importing([](const std::string& p) { return resaved<TPrivateKey>(TestKey::AlicePair, kAlicePassphrase, p, noCreationTime); },
               answer(kAlicePassphrase)),
     UserMessage::WarningBox, AlreadyInKeyRing("3BA042F6"), false},
    {"import with a wrong passphrase", Pair, importing(TestKey::BobPair, answer("wrong")), ErrorBox, kImportFailed, false},
    {"import cancelled at the passphrase", Pair, importing(TestKey::BobPair), Plain, "", false},
    {"import of a public key under another passphrase", Pair, importingOwner("Bob", "not the fixed one"), ErrorBox, kDamagedKeyFile, false},
    {"import of a text file", Pair, importingText("hello\r\n"), ErrorBox, kUnknown, false},
    {"import of an empty file", Pair, importingText(""), ErrorBox, kUnknown, false},
    {"import of a damaged body", Pair, importingText(std::string(kPublicKeyBeginMarker) + "\r\nAAAA\r\n"), ErrorBox, kDamagedKeyFile, false},
    {"import of an owner with the delimiter", Pair, importingOwner("Eve|Mallory"), ErrorBox, "The Key Owner cannot contain the character |.", false},
    {"import of an owner of 74 characters", Pair, importingOwner(std::string(74, 'o')), ErrorBox, "The Key Owner cannot be longer than 73 characters.", false},
    {"import of an owner of 73 characters", Pair, importingOwner(std::string(73, 'o')), Plain, "", true},
    {"import of a key pair", Pair, importing(TestKey::BobPair, answer(kBobPassphrase)), Plain, "", true},
    {"private export refused at the warning", Pair, exportingPrivate(sayCancel, kAlicePassphrase), Plain, "", false},
    {"private export with a wrong passphrase", Pair, exportingPrivate(sayOk, "wrong"), ErrorBox, std::string(keymsg::WrongExportPassphrase), false},
    {"passphrase change with a wrong current one", Pair, changing("wrong", "a", "b"), ErrorBox, std::string(keymsg::WrongCurrentPassphrase), false},
    {"passphrase change with another confirmation", Pair, changing(kAlicePassphrase, "new phrase", "new phrase "), ErrorBox, std::string(keymsg::PassphraseMismatch), false},
    {"passphrase change to 7 characters", Pair, changing(kAlicePassphrase, "1234567", "1234567"), ErrorBox, std::string(keymsg::PassphraseTooShort), false},
    {"passphrase change of a public key", Pub, changing("", "12345678", "12345678"), ErrorBox, std::string(keymsg::WrongCurrentPassphrase), false},
    {"passphrase change to 4097 characters", Pair, changing(kAlicePassphrase, k4097.c_str(), k4097.c_str()), ErrorBox, std::string(keyrule::PassphraseTooLong), false},
    {"passphrase change to 8 characters", Pair, changing(kAlicePassphrase, "12345678", "12345678"), UserMessage::InformationBox, std::string(keymsg::PassphraseChanged), true},
    {"removal cancelled", Pub, removing(sayCancel), Plain, "", false},
    {"removal", Pub, removing(sayOk), Plain, "", true},
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
    std::vector<std::string> after = SplitKeyRingLines(f.ringText());
    ASSERT_EQ(after.size(), 3u);
    EXPECT_NE(after[1], before[1]);
    after[1] = before[1];
    EXPECT_EQ(after, before);
    KeyRing ring(f.home());
    ring.DBOpen();
    ASSERT_TRUE(ring.SearchDB("KeyID", f.idOf(TestKey::BobPair)));
    EXPECT_TRUE(VerifyStoredKeyRecord(ring.CurrentRecord()));
    EXPECT_TRUE(CheckPrivatePassphrase(ring.CurrentRecord(), "bob's new passphrase"));
    EXPECT_FALSE(CheckPrivatePassphrase(ring.CurrentRecord(), kBobPassphrase));
}

// The exported pair holds the committed key's numbers: its exponent is deciphered once.
TEST(KeyManager, APrivateExportHoldsTheSameNumbers)
{
    KeyRingFixture f;
    KeyManager m(f.home());
    m.Open();
    ASSERT_TRUE(m.Ring().SearchDB("KeyID", f.idOf(TestKey::AlicePair)));
    ASSERT_TRUE(m.ExportPrivateKey(sayOk, answer(kAlicePassphrase), saveTo(f.file("priv.akf"))));
    const TPrivateKey original = loadPrivateKey(keyFileOf(TestKey::AlicePair)), back = loadPrivateKey(f.file("priv.akf"));
    EXPECT_EQ(back.ExponentD.value().ToString(16), original.ExponentD.value().ToString(16));
    EXPECT_EQ(back.Modulus.value().ToString(16), original.Modulus.value().ToString(16));
}

TEST(KeyManager, AlteredRecordsAreNotExported)
{
    KeyRingFixture f;
    std::string ring = f.ringText();
    const std::string owner = "|Alice Example <alice@example.org>|";
    writeFile(f.file("ZerathKeys.db"), ring.replace(ring.find(owner), owner.size(), "|Mallory|"));
    KeyManager m(f.home());
    m.Open();
    ASSERT_TRUE(m.Ring().SearchDB("KeyID", f.idOf(TestKey::AlicePublic)));
    EXPECT_EQ(errorOf<UserMessage>([&] { m.ExportPublicKey(saveTo(f.file("p.akf"))); }), keymsg::PublicKeyCorrupted);
    EXPECT_FALSE(fileExists(f.file("p.akf")));
}

} // namespace
