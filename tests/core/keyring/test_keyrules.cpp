// Keys the key ring cannot hold or that no file should be encrypted to: each
// hostile public key file, written with the program's own key-file writer, is
// refused at import with the ring unchanged byte for byte; a hand-edited record
// is refused before a session key is wrapped, with nothing written.
#include <gtest/gtest.h>

#include "EditedRecord.h"
#include "KeyRingFixture.h"
#include "TestHelpers.h"
#include "TestUi.h"
#include "symcrypto/FieldProtection.h"
#include "filecrypt/FileCommands.h"
#include "keyring/KeyManager.h"
#include "keyring/KeyRules.h"
#include "pubkey/KeyFile.h"
#include "pubkey/PublicKey.h"

using namespace zerath;
using namespace zerath::test;

namespace {

// Odd, top digit c: "c5...5b" of the given number of hex digits.
std::string hexNumber(std::size_t digits, char last = 'b') { return "c" + std::string(digits - 2, '5') + last; }

struct Hostile {
    const char* name;
    std::string n, e, owner, date;
    std::string_view refusal; // empty: imported
};

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
    const std::string n2048 = hexNumber(512), owner = "Mallory Example", date = "1.1.2001";
    const Hostile cases[] = {
        {"4096-bit modulus", hexNumber(1024), "10001", owner, date, keyrule::BadModulus},
        {"modulus text of 1025 digits", hexNumber(1025), "10001", owner, date, "Public RSA Key Loading Error"},
        {"modulus not hexadecimal", "xyz" + n2048.substr(3), "10001", owner, date, "Public RSA Key Loading Error"},
        {"1023-bit modulus", "7" + hexNumber(256).substr(1), "10001", owner, date, keyrule::BadModulus},
        {"2049-bit modulus", "1" + hexNumber(512), "10001", owner, date, keyrule::BadModulus},
        {"modulus 1", "1", "10001", owner, date, keyrule::BadModulus},
        {"127-bit modulus", "7" + hexNumber(32).substr(1), "10001", owner, date, keyrule::BadModulus},
        {"even modulus", hexNumber(512, 'a'), "10001", owner, date, keyrule::BadModulus},
        {"negative modulus", "-" + n2048, "10001", owner, date, keyrule::BadModulus},
        {"exponent 1", n2048, "1", owner, date, keyrule::BadExponent},
        {"exponent 0", n2048, "0", owner, date, keyrule::BadExponent},
        {"even exponent", n2048, "10000", owner, date, keyrule::BadExponent},
        {"owner with a TAB", n2048, "10001", "Mallory\tExample", date, keyrule::OwnerControl},
        {"owner with ESC", n2048, "10001", "Mallory\x1b[2J", date, keyrule::OwnerControl},
        {"owner opening a quote", n2048, "10001", "\"Mallory", date, keyrule::OwnerQuote},
        {"empty owner", n2048, "10001", "", date, keyrule::OwnerEmpty},
        {"date longer than its column", n2048, "10001", owner, std::string(74, '1'), keyrule::FieldTooLong},
        {"date opening a quote", n2048, "10001", owner, "\"1.1.2001|x", keyrule::BadDate},
        {"date with a TAB", n2048, "10001", owner, "1.1.\t2001", keyrule::BadDate},
        {"date with the delimiter", n2048, "10001", owner, "1|1", keyrule::BadDate},
        // Key files are 8-bit text in other programs' code pages: import takes these.
        {"1024-bit modulus", hexNumber(256), "10001", "Caf\xe9 \xc2\x85 \xe2\x80\xae", date, ""},
        {"2048-bit modulus", n2048, "3", owner, "\xff", ""},
    };
    KeyRingFixture ring({TestKey::AlicePublic});
    const std::string before = ring.ringText();
    for (const Hostile& h : cases) {
        writePublicKeyFile(ring.file("hostile.akf"), h);
        KeyManager manager(ring.home());
        manager.Open();
        const std::string error = errorOf<UserMessage>([&] { manager.ImportKey(ring.file("hostile.akf"), {}); });
        EXPECT_EQ(error, h.refusal.empty() ? std::string(kNoError) : std::string(h.refusal)) << h.name;
        EXPECT_EQ(h.refusal.empty() || ring.ringText() == before, true) << h.name;
        EXPECT_TRUE(!h.refusal.empty() || manager.Ring().SearchDB("UserID", h.owner)) << h.name; // reads back whole
        manager.Close();
    }
}

TEST(KeyRules, AHandEditedRecipientIsRefusedBeforeAnythingIsWritten)
{
    KeyRingFixture ring({TestKey::AlicePublic});
    insertEditedCopy(ring, TestKey::AlicePublic, [](KeyRecord& r) {
        r.ModulusN = ProtectField(hexNumber(200), FixedProtectionPassphrase()); // 800 bits
    });
    writeFile(ring.file("plain.txt"), "secret");
    const Snapshot before = snapshotOf(ring.home());

    KeyRing keys(ring.home());
    keys.DBOpen();
    ScriptedUi ui;
    ui.wipeAnswer = FileCommandUi::Answer::Yes;
    EncryptOptions o;
    o.keyId = kEditedKeyId;
    o.sourcePath = ring.file("plain.txt");
    o.wipeOriginal = true;
    o.shredFile = [](const std::string&) { FAIL(); };
    EXPECT_EQ(errorOf([&] { EncryptFile(keys, o, ui); }), keyrule::NotForEncryption);
    EXPECT_TRUE(ui.questions.empty());
    EXPECT_EQ(snapshotOf(ring.home()), before);
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

