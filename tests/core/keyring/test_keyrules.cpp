// Keys the key ring cannot hold or that no file should be encrypted to: each
// hostile public key file, written with the program's own key-file writer, is
// refused at import with the ring unchanged byte for byte; a hand-edited record
// is refused before a session key is wrapped, with nothing written.
#include <gtest/gtest.h>

#include "CipherOracle.h"
#include "EditedRecord.h"
#include "FileRig.h"
#include "KeyRingFixture.h"
#include "TestHelpers.h"
#include "symcrypto/FieldProtection.h"
#include "keyring/KeyManager.h"
#include "keyring/KeyRules.h"
#include "pubkey/KeyFile.h"
#include "pubkey/PublicKey.h"

using namespace zerath;
using namespace zerath::test;

namespace {

struct Hostile {
    std::string name, n, e, owner, date, refusal; // no refusal: imported
};

// A data-file text with "c*N" standing for N copies of c.
std::string expanded(const std::string& text)
{
    const std::string s = unescapeText(text);
    std::string out;
    for (std::size_t i = 0, digits = 0; i < s.size(); ++i) {
        if (i + 1 < s.size() && s[i + 1] == '*')
            out.append(std::stoul(s.substr(i + 2), &digits), s[i]), i += 1 + digits;
        else
            out += s[i];
    }
    return out;
}

// A public key file as another program could write it: any texts for the numbers.
void writePublicKeyFile(const std::string& path, const Hostile& h)
{
    std::string body = "[PublicKey]\r\nKeyOwner=" + h.owner + "\r\nModulus=" + h.n + "\r\nExponent=" + h.e +
                       "\r\nCDate=" + h.date + "\r\nCTime=12:00:00\r\n";
    body += KeyCRCText(body) + "\r\n";
    WriteKeyFile(path, kPublicKeyBeginMarker, kPublicKeyEndMarker,
                 SealKeyBody(body, FixedProtectionPassphrase()), kDefaultMode);
}

} // namespace

TEST(KeyRules, HostileKeysAreRefusedAtImportWithTheRingUnchanged)
{
    KeyRingFixture ring({TestKey::AlicePublic});
    const std::string before = ring.ringText();
    const auto rows = readDataRows("keyring/hostile_keys.txt");
    ASSERT_EQ(rows.size(), 22u);
    for (const auto& row : rows) {
        const Hostile h{row.at(0), expanded(row.at(1)), row.at(2), expanded(row.at(3)), expanded(row.at(4)),
                        expanded(row.at(5))};
        writePublicKeyFile(ring.file("hostile.akf"), h);
        KeyManager manager(ring.home());
        manager.Open();
        const std::string error = errorOf<UserMessage>([&] { manager.ImportKey(ring.file("hostile.akf"), {}); });
        EXPECT_EQ(error, h.refusal.empty() ? std::string(kNoError) : h.refusal) << h.name;
        EXPECT_EQ(h.refusal.empty() || ring.ringText() == before, true) << h.name;
        EXPECT_TRUE(!h.refusal.empty() || manager.Ring().SearchDB("UserID", h.owner)) << h.name; // reads back whole
        manager.Close();
    }
}

TEST(KeyRules, AHandEditedRecipientIsRefusedBeforeAnythingIsWritten)
{
    FileRig rig({TestKey::AlicePublic});
    insertEditedCopy(rig.keys, TestKey::AlicePublic, [](KeyRecord& r) {
        r.ModulusN = ProtectField("c" + std::string(198, '5') + "b", FixedProtectionPassphrase()); // 800 bits
    });
    writeFile(rig.keys.file("plain.txt"), "secret");
    const Snapshot before = snapshotOf(rig.keys.home());
    rig.ring.DBOpen(); // again, with the edited record
    rig.recipient = kEditedKeyId;
    EncryptOptions o = rig.to(rig.keys.file("plain.txt"));
    o.wipeOriginal = true;
    o.shredFile = [](const std::string&) { FAIL(); };
    rig.ui.wipeAnswer = FileCommandUi::Answer::Yes;
    EXPECT_EQ(errorOf([&] { EncryptFile(rig.ring, o, rig.ui); }), keyrule::NotForEncryption);
    EXPECT_TRUE(rig.ui.questions.empty());
    EXPECT_EQ(snapshotOf(rig.keys.home()), before);
}

TEST(KeyRules, ARecordThatCannotBeFoundAgainIsNotInserted)
{
    KeyRingFixture ring({TestKey::AlicePublic});
    const std::string before = ring.ringText();
    // A leading quote opens a quoted value that swallows the KeyID.
    EXPECT_EQ(errorOf([&] { insertEditedCopy(ring, TestKey::AlicePublic, [](KeyRecord& r) { r.UserID = "\"Eve"; }); }),
              std::string(KeyRing::kInsertFailedText));
    EXPECT_EQ(ring.ringText(), before);
}

