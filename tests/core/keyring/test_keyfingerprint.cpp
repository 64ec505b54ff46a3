// One key, one key fingerprint: a pair, its public key file, exports from
// either record and a record another program wrote all give the digest an
// independent SHA-256 takes over "<N>|<E>" in upper case.
#include <gtest/gtest.h>
#include <openssl/sha.h>

#include <cctype>

#include "CipherOracle.h"
#include "KeyRingFixture.h"
#include "symcrypto/FieldProtection.h"
#include "keyring/KeyIdentityOfRecord.h"
#include "keyring/KeyManager.h"
#include "pubkey/KeyFingerprint.h"
#include "pubkey/KeyPairGenerator.h"
#include "pubkey/PrivateKey.h"
#include "pubkey/PublicKey.h"

using namespace zerath;
using namespace zerath::test;

namespace {

std::string upper(std::string s)
{
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

// OpenSSL's SHA-256 of the text, the first 20 bytes in upper-case hexadecimal.
std::string oracleFingerprint(const std::string& n, const std::string& e)
{
    const std::string text = upper(n) + "|" + upper(e);
    unsigned char d[SHA256_DIGEST_LENGTH];
    SHA256(reinterpret_cast<const unsigned char*>(text.data()), text.size(), d);
    return upper(toHex(Bytes(d, d + 20)));
}

std::string exportedFrom(const KeyRingFixture& f, TestKey record, const std::string& name)
{
    KeyManager m(f.home());
    m.Open();
    EXPECT_TRUE(m.Ring().SearchDB("KeyID", f.idOf(record)));
    m.ExportPublicKey([&](std::string& p) { return p = f.file(name), true; });
    m.Close();
    return f.file(name);
}

// A record as another program may write it: numbers in upper case with leading zeros.
KeyRecord foreignRecord(const TPublicKey& k)
{
    KeyRecord r{"Pub", "Alice", "0BADF00D", "2048", "today", "", {}, "", "FP", ""};
    r.ModulusN = ProtectField("000" + upper(k.Modulus->ToString(16)), FixedProtectionPassphrase());
    r.ExponentE = ProtectField("0" + upper(k.Exponent->ToString(16)), FixedProtectionPassphrase());
    return r;
}

} // namespace

TEST(KeyFingerprint, EveryFormOfOneKeyGivesTheIndependentDigest)
{
    KeyRingFixture f;
    const TPrivateKey pair = loadPrivateKey(keyFileOf(TestKey::AlicePair));
    const TPublicKey generated = loadPublicKey(keyFileOf(TestKey::AlicePublic));
    const TPublicKey fromPair = loadPublicKey(exportedFrom(f, TestKey::AlicePair, "pair.akf"));
    const TPublicKey fromPublic = loadPublicKey(exportedFrom(f, TestKey::AlicePublic, "pub.akf"));
    const std::string expected = oracleFingerprint(generated.Modulus->ToString(16), generated.Exponent->ToString(16));

    KeyRing ring(f.home());
    ring.DBOpen();
    const std::pair<const char*, std::string> forms[] = {
        {"pair file", KeyFingerprint(*pair.Modulus, *pair.ExponentE)},
        {"generated public key file", KeyFingerprint(*generated.Modulus, *generated.Exponent)},
        {"export of the pair record", KeyFingerprint(*fromPair.Modulus, *fromPair.Exponent)},
        {"export of the public record", KeyFingerprint(*fromPublic.Modulus, *fromPublic.Exponent)},
        {"public record", RecordKeyFingerprint(ring.RecordAt(0))},
        {"pair record", RecordKeyFingerprint(ring.RecordAt(1))},
        {"record in upper case with leading zeros", RecordKeyFingerprint(foreignRecord(generated))},
    };
    for (const auto& [form, fp] : forms) EXPECT_EQ(fp, expected) << form;
    // The record fingerprints the files carry all differ.
    EXPECT_NE(fromPair.FingerPrint, generated.FingerPrint);
    EXPECT_NE(fromPair.FingerPrint, pair.FingerPrint);

    const KeyRecord damaged{"Pub", "x", "1", "2048", "d", "not base64!", {}, "", "FP", ""};
    EXPECT_EQ(RecordKeyFingerprint(damaged), "");
    EXPECT_EQ(RecordKeyFingerprint({"Pub", "y", "1", "2048", "d", "", "", "", "FP", ""}), ""); // no numbers
}

TEST(KeyFingerprint, KeyInformationKeepsItsLinesAndAddsTheKeyFingerprintLast)
{
    KeyRingFixture f({TestKey::BobPublic});
    KeyRing ring(f.home());
    ring.DBOpen();
    const KeyRecord r = ring.RecordAt(0);
    const TPublicKey bob = loadPublicKey(keyFileOf(TestKey::BobPublic));
    const std::string fp = oracleFingerprint(bob.Modulus->ToString(16), bob.Exponent->ToString(16));
    std::string grouped;
    for (std::size_t i = 0; i < 40; i += 4) grouped += (i ? " " : "") + fp.substr(i, 4);

    SaveKeyInformation(f.file("info.txt"), KeyInformationLines(r));
    EXPECT_EQ(readFile(f.file("info.txt")),
              "Type: Pub\r\nUsername: " + r.UserID + "\r\nkey ID: " + r.KeyID + "\r\nLength: 2048\r\nCreation Date: " +
                  r.Date + "\r\n\r\nFingerprint:\r\n\r\n" + r.FP.substr(0, 20) + "\r\n" + r.FP.substr(20) +
                  "\r\nKey fingerprint: " + grouped + "\r\n");
}

// The dialog's rule: the key fingerprint however it is spaced or cased, or the
// record's stored fingerprint as the program showed it before.
TEST(KeyFingerprint, ComparisonAcceptsTheKeyAndTheRecordFingerprintOnly)
{
    const std::string key = "D761E257A18C1D5BA573BAD17FDAD3CA7AA5A154", record = "5F7E0A1B2C3D4E5F60718293A4B5C6D7F2F41F4C";
    std::string oneDigitAway = key;
    oneDigitAway[17] = 'E';
    const std::pair<std::string, bool> rows[] = {
        {GroupedFingerprint(key), true},
        {"0x" + key, true},
        {"  d761 e257 a18c 1d5b a573 bad1 7fda d3ca 7aa5 a154\n", true},
        {record, true},
        {" " + record + "\t", true},
        {"0x" + record, false},
        {GroupedFingerprint(oneDigitAway), false},
        {key.substr(0, 39), false},
        {"", false},
    };
    for (const auto& [typed, same] : rows) {
        const UserMessage m = CompareFingerprints(GroupedFingerprint(key), record, typed);
        EXPECT_EQ(std::string(m.what()), same ? keymsg::FingerprintsSame : keymsg::FingerprintsDifferent) << typed;
        EXPECT_EQ(m.kind(), same ? UserMessage::InformationBox : UserMessage::WarningBox) << typed;
    }
    EXPECT_EQ(CompareFingerprints("", "", "").kind(), UserMessage::WarningBox);
}

namespace {

// The first line and the last line of a file's bytes, each with its line end.
std::pair<std::string, std::string> markerLines(const std::string& bytes)
{
    const std::size_t firstEnd = bytes.find("\r\n") + 2;
    const std::size_t lastStart = bytes.rfind("\r\n", bytes.size() - 3) + 2;
    return {bytes.substr(0, firstEnd), bytes.substr(lastStart)};
}

} // namespace

// Other programs find a key file by its marker lines: generated and exported
// files carry exactly those of the committed files, byte for byte.
TEST(KeyFiles, GeneratedAndExportedFilesCarryTheCommittedMarkerLines)
{
    KeyRingFixture f;
    const KeyPairResult generated = GenerateKeyPairFiles(f.home(), "Marker Test", "marker passphrase", nullPump(), {}, 512);
    KeyManager m(f.home());
    m.Open();
    ASSERT_TRUE(m.Ring().SearchDB("KeyID", f.idOf(TestKey::AlicePair)));
    m.ExportPublicKey([&](std::string& p) { return p = f.file("pub.akf"), true; });
    m.ExportPrivateKey([](const UserMessage&) { return true; },
                       [](SecureString& p) { return p = SecureString(std::string(kAlicePassphrase)), true; },
                       [&](std::string& p) { return p = f.file("priv.akf"), true; });
    m.Close();
    const std::string pub = readFile(keyFileOf(TestKey::AlicePublic)), priv = readFile(keyFileOf(TestKey::AlicePair));
    const std::pair<std::string, const std::string*> files[] = {
        {generated.PublicKeyFile, &pub}, {f.file("pub.akf"), &pub},
        {generated.PrivateKeyFile, &priv}, {f.file("priv.akf"), &priv},
    };
    for (const auto& [file, committed] : files) EXPECT_EQ(markerLines(readFile(file)), markerLines(*committed)) << file;
    EXPECT_NE(markerLines(pub), markerLines(priv));
}
