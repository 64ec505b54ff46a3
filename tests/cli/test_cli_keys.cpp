// Keys named on zerath-cli's command line, the key fingerprint in its output,
// keygen --import and one key imported by eight processes at once.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "CliRunner.h"
#include "KeyArgument.h"
#include "KeyRingFixture.h"
#include "symcrypto/FieldProtection.h"
#include "keyring/KeyIdentityOfRecord.h"
#include "pubkey/KeyFingerprint.h"

using namespace zerath;
using zerath::cli::KeyArgumentUse;
using zerath::cli::resolveKeyArgument;
using namespace zerath::test;

namespace {

const std::string kAlice = "Alice Example <alice@example.org>";

struct KeyRingNames {
    KeyRingFixture keys{{TestKey::AlicePublic, TestKey::AlicePair, TestKey::BobPublic, TestKey::BobPair}};
    std::map<std::string, std::string> names;
    KeyRingNames()
    {
        KeyRing ring(keys.home());
        ring.DBOpen();
        names = {{"$APUB", keys.idOf(TestKey::AlicePublic)},
                 {"$APAIR", keys.idOf(TestKey::AlicePair)},
                 {"$BPUB", keys.idOf(TestKey::BobPublic)},
                 {"$BPAIR", keys.idOf(TestKey::BobPair)},
                 {"$AFP", GroupedFingerprint(RecordKeyFingerprint(ring.RecordAt(0)))},
                 {"$ARECFP", ring.RecordAt(0).FP}};
    }
    std::string operator()(std::string s) const
    {
        for (const auto& [from, to] : names)
            for (std::size_t at; (at = s.find(from)) != std::string::npos;) s.replace(at, from.size(), to);
        return s;
    }
};

std::string lower(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

struct Argument {
    const char* name;
    std::string text;
    KeyArgumentUse use;
    std::string named; // the key ID, or the message of the refusal
    bool lowerText = false;
};
void PrintTo(const Argument& a, std::ostream* os) { *os << a.name; }

using U = KeyArgumentUse;
const std::string kTwoAlices = "\n$APUB " + kAlice + "\n$APAIR " + kAlice;
const Argument kArguments[] = {
    {"IdInLowerCase", "$APUB", U::AnyKey, "$APUB", true},
    {"IdWith0x", "0x$APAIR", U::KeyPairById, "$APAIR"},
    {"PublicIdWhereAPairIsNeeded", "$APUB", U::KeyPair, "No key in the key ring matches '$APUB'."},
    {"FingerprintWithSpacesToEncryptTo", "$AFP", U::Recipient, "$APUB"},
    {"FingerprintOfTwoRecords", "$AFP", U::AnyKeyById, "More than one key in the key ring matches '$AFP':" + kTwoAlices},
    {"FingerprintOfAPair", "$AFP", U::KeyPairById, "$APAIR", true},
    {"RecordFingerprint", "$ARECFP", U::AnyKeyById, "$APUB"},
    {"OwnerPart", "BOB", U::KeyPair, "$BPAIR"},
    {"OwnerPartOfOneKeyToEncryptTo", "alice", U::Recipient, "$APUB"},
    {"OwnerPartOfTwoRecords", "alice", U::AnyKey, "More than one key in the key ring matches 'alice':" + kTwoAlices},
    {"OwnerPartWhereNoneIsTaken", "bob", U::AnyKeyById, "No key in the key ring matches 'bob'."},
    {"AmbiguousOwnerPart", "example.org", U::Recipient,
     "More than one key in the key ring matches 'example.org':" + kTwoAlices +
         "\n$BPUB Bob Example <bob@example.org>\n$BPAIR Bob Example <bob@example.org>"},
    {"Unknown", "Carol", U::AnyKey, "No key in the key ring matches 'Carol'."},
    {"Empty", "", U::AnyKey, "No key in the key ring matches ''."},
};

struct KeyArguments : ::testing::TestWithParam<Argument> {};

TEST_P(KeyArguments, NameOneKeyOrRefuse)
{
    static const KeyRingNames names;
    const Argument& a = GetParam();
    KeyRing ring(names.keys.home());
    ring.DBOpen();
    std::string text = names(a.text);
    if (a.lowerText) text = lower(text);
    std::string named;
    try {
        named = resolveKeyArgument(ring, text, a.use).KeyID;
    } catch (const UserMessage& e) {
        named = e.what();
    }
    EXPECT_EQ(named, names(a.named));
}

INSTANTIATE_TEST_SUITE_P(Table, KeyArguments, ::testing::ValuesIn(kArguments),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(CliKeys, InfoAndListShowOneKeyFingerprintForAPairAndItsPublicKey)
{
    const KeyRingNames names;
    const std::string home = names.keys.home(), line = names("Key fingerprint: $AFP\n");
    for (const char* key : {"$APUB", "$APAIR"}) {
        const CliRun r = test::cli({"--home", home, "info", names(key)});
        EXPECT_EQ(r.code, 0) << r.err;
        EXPECT_TRUE(r.out.ends_with("\n" + line)) << r.out;
        EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 11);
    }
    KeyRing ring(home);
    ring.DBOpen();
    const CliRun r = test::cli({"--home", home, "list", "--fingerprints"});
    EXPECT_EQ(r.out.substr(0, r.out.find('\n')), names("Pub\t" + kAlice + "\t$APUB\t2048\t") + ring.RecordAt(0).Date +
                                                   names("\t$AFP"));
    // A record another program wrote: Alice's numbers upper case, zero-padded, under another key ID.
    const KeyRecord& alice = ring.RecordAt(0);
    KeyRecord foreign{"Pub", "Other Program", "0BADF00D", "2048", "today", "", {}, "", "FP", ""};
    foreign.ModulusN = "00" + std::string(UnprotectField(alice.ModulusN, FixedProtectionPassphrase()).view());
    std::transform(foreign.ModulusN.begin(), foreign.ModulusN.end(), foreign.ModulusN.begin(), ::toupper);
    foreign.ExponentE = "0" + std::string(UnprotectField(alice.ExponentE, FixedProtectionPassphrase()).view());
    foreign.KeyCRC32 = KeyRecordCRC("Pub", foreign.ModulusN, foreign.ExponentE, foreign.UserID, "FP", "0BADF00D", "today");
    ring.InsertNewRecord(ProtectKeyRecord(foreign, ""));
    EXPECT_TRUE(test::cli({"--home", home, "info", "0badf00d"}).out.ends_with("\n" + line));

    const CliRun ambiguous = test::cli({"--home", home, "info", "alice"});
    EXPECT_EQ(ambiguous.code, 1);
    EXPECT_EQ(ambiguous.err, names("zerath-cli: More than one key in the key ring matches 'alice':" + kTwoAlices + "\n"));
}

TEST(CliKeys, EightConcurrentImportsOfOneFileSucceedOnce)
{
    KeyRingFixture keys(std::vector<TestKey>{});
    const std::string c = std::string(ZERATH_BINARY_DIR) + "/bin/zerath-cli --home " + keys.home();
    const std::string script = "cd " + keys.home() + "; for i in 1 2 3 4 5 6 7 8; do (" + c + " import " +
                               keyFileOf(TestKey::BobPublic) + " >/dev/null 2>&1; echo $? >>codes) & done; wait";
    ASSERT_EQ(std::system(script.c_str()), 0);
    std::string codes = readFile(keys.file("codes"));
    std::sort(codes.begin(), codes.end());
    EXPECT_EQ(codes, std::string(8, '\n') + "0" + std::string(7, '1'));
    EXPECT_EQ(test::cli({"--home", keys.home(), "list"}).out.find('\n'), test::cli({"--home", keys.home(), "list"}).out.size() - 1);
}

TEST(CliKeys, KeygenImportsWhenAskedAndOtherwiseSaysHow)
{
    KeyRingFixture keys(std::vector<TestKey>{});
    writeFile(keys.file("pw"), "a long enough passphrase\n");
    const CliRun r = test::cli({"--home", keys.home(), "keygen", "--owner", "Dana Example", "--passphrase-file",
                          keys.file("pw"), "--import"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.err, "");
    const std::string privateFile = r.out.substr(0, r.out.find('\n'));
    const std::string id = r.out.substr(r.out.rfind('\n', r.out.size() - 2) + 1, 8);
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 3);
    EXPECT_EQ(privateFile, keys.home() + "Private" + id + ".akf");
    const CliRun list = test::cli({"--home", keys.home(), "list"});
    EXPECT_EQ(list.out, "Pub/Priv\tDana Example\t" + id + list.out.substr(list.out.find(id) + 8));
    EXPECT_EQ(std::count(list.out.begin(), list.out.end(), '\n'), 1);
}

} // namespace
