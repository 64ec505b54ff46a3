// Public and private key files, one suite for both kinds: the committed sample
// files load with their passphrases (the public one under the fixed protection
// passphrase), saved files match an independent sealing, and damaged, foreign
// or hostile files are refused with the right message.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <functional>

#include "KeyFileOracle.h"
#include "TempDir.h"
#include "TestHelpers.h"
#include "symcrypto/FieldProtection.h"
#include "pubkey/KeyFile.h"
#include "pubkey/PrivateKey.h"

namespace zerath {
namespace {

using namespace zerath::test;

// What a loaded key holds, numbers as their file lines ("Modulus=..."), or the load error.
struct Loaded {
    std::string error, owner, date, time, fingerprint, keyId;
    std::vector<std::string> numbers;
};

std::string hexOf(const std::optional<TBigint>& v) { return v ? v->ToString(16) : "(none)"; }

template <class K>
Loaded loadAs(const std::string& path, const std::string& pass)
{
    K k;
    k.Passphrase = SecureString(pass);
    Loaded r;
    r.error = errorOf<Error>([&] { k.LoadFromFile(path); });
    r.owner = k.KeyOwner, r.date = k.KeyCreationDate, r.time = k.KeyCreationTime;
    r.fingerprint = k.FingerPrint, r.keyId = k.KeyID;
    if constexpr (std::is_same_v<K, TPublicKey>)
        r.numbers = {"Modulus=" + hexOf(k.Modulus), "Exponent=" + hexOf(k.Exponent)};
    else
        r.numbers = {"Modulus=" + hexOf(k.Modulus), "ExponentE=" + hexOf(k.ExponentE), "ExponentD=" + hexOf(k.ExponentD)};
    return r;
}

// Loads `from`, saves it to `to` under another owner and passphrase; gives the save error.
template <class K>
std::string resave(const std::string& from, const std::string& fromPass, const std::string& to, const std::string& owner,
                   const std::string& pass)
{
    K k;
    k.Passphrase = SecureString(fromPass);
    k.LoadFromFile(from);
    k.KeyOwner = owner;
    k.Passphrase = SecureString(pass);
    return errorOf<Error>([&] { k.SaveToFile(to); });
}

struct Kind {
    const char* name;
    std::string file, pass; // the committed sample and its passphrase
    std::string section, begin, end;
    mode_t mode;
    std::string fingerprint; // of the sample
    std::string emptyPassphrase; // the save message
    std::function<Loaded(const std::string&, const std::string&)> load;
    std::function<std::string(const std::string&, const std::string&, const std::string&, const std::string&, const std::string&)> resave;
};

const std::string kPrivatePass = "correct horse battery";
const Kind kPublic{"Public", "keys/alice-public.akf", std::string(FixedProtectionPassphrase()), "PublicKey",
                   std::string(kPublicKeyBeginMarker), std::string(kPublicKeyEndMarker), 0644,
                   "3B1FBF797BAB8AB702A78C9A954EB65EF2F41F4C",
                   "Key file passphrase cannot be empty", loadAs<TPublicKey>, resave<TPublicKey>};
const Kind kPrivate{"Private", "keys/alice-private.akf", kPrivatePass, "PrivateKey",
                    std::string(kPrivateKeyBeginMarker), std::string(kPrivateKeyEndMarker), 0600,
                    "DB92C4D3AB52118303B76D2A67B29BAF3BA042F6",
                    "Private Key file passphrase cannot be empty", loadAs<TPrivateKey>, resave<TPrivateKey>};

class KeyFile : public ::testing::TestWithParam<const Kind*> {
protected:
    const Kind& kind() const { return *GetParam(); }
    const Kind& other() const { return GetParam() == &kPublic ? kPrivate : kPublic; }
    std::string sample() const { return dataPath(kind().file); }
    std::string sampleBody() const { return OracleOpenFile(readFile(sample()), kind().pass); }
    // A key file around any body, sealed under the kind's passphrase.
    std::string fileAround(const std::string& body) const
    {
        return OracleFile(kind().begin, kind().end, OracleSeal(body, kind().pass));
    }
    static std::string withCrc(const std::string& lines) { return lines + OracleCrc(lines) + "\r\n"; }
    TempDir dir;
};

TEST_P(KeyFile, SampleLoadsAndSavesAsTheIndependentSealing)
{
    const Loaded original = kind().load(sample(), kind().pass);
    ASSERT_EQ(original.error, kNoError);
    EXPECT_EQ(original.fingerprint, kind().fingerprint);
    EXPECT_EQ(original.keyId, kind().fingerprint.substr(32));
    EXPECT_EQ(original.owner, "Alice Example <alice@example.org>");

    const std::string path = dir.file("saved.akf");
    writeFile(path, "an older file of that name");
    ASSERT_EQ(kind().resave(sample(), kind().pass, path, "Bob", "new passphrase"), kNoError);
    EXPECT_EQ(modeOf(path), kind().mode);
    std::string lines = "[" + kind().section + "]\r\nKeyOwner=Bob\r\n";
    for (const auto& n : original.numbers) lines += n + "\r\n";
    lines += "CDate=" + original.date + "\r\nCTime=" + original.time + "\r\n";
    const std::string file = readFile(path);
    EXPECT_EQ(file, OracleFile(kind().begin, kind().end, OracleSeal(withCrc(lines), "new passphrase")));

    const Loaded back = kind().load(path, "new passphrase");
    EXPECT_EQ(back.error, kNoError);
    EXPECT_EQ(back.owner, "Bob");
    EXPECT_EQ(back.numbers, original.numbers);
    EXPECT_EQ(back.fingerprint, original.fingerprint);
}

TEST_P(KeyFile, SaveErrorsComeInOrderAndWriteNothing)
{
    const std::string path = dir.file("x.akf");
    EXPECT_EQ(kind().resave(sample(), kind().pass, path, "", ""), "The Key Owner cannot be empty.");
    EXPECT_EQ(kind().resave(sample(), kind().pass, path, "Bob", ""), kind().emptyPassphrase);
    EXPECT_TRUE(folderNames(dir.path()).empty());
}

TEST_P(KeyFile, DamagedForeignAndHostileFilesAreRefused)
{
    const std::string body = sampleBody(), sampleText = readFile(sample());
    std::string tampered = body;
    tampered[tampered.find("Alice")] = 'B'; // CRC kept
    const std::string lines = body.substr(0, body.size() - 10); // without the CRC line
    const std::string lastNumber = GetParam() == &kPublic ? "Exponent=" : "ExponentD=";
    const std::size_t at = lines.find(lastNumber), eol = lines.find("\r\n", at);
    const std::string noNumber = lines.substr(0, at) + lines.substr(eol + 2);
    const std::string notHex = lines.substr(0, at) + lastNumber + "zz" + lines.substr(eol);
    const std::string bomb = OracleFile(kind().begin, kind().end,
                                        OracleBase64Encode(OracleCfb8(OracleCompress9(std::string(3u << 20, 'A')), kind().pass, true)));
    const std::string corrupted = "RSA Key decryption Error. Corrupted key file!";
    struct Case {
        const char* what;
        std::string content, pass, message;
    };
    const Case cases[] = {
        {"missing", "", kind().pass, "File not found"},
        {"no passphrase", sampleText, "", "The Key encryption passphrase cannot be empty!"},
        {"wrong passphrase", sampleText, kind().pass + "x", corrupted},
        {"body changed, CRC kept", fileAround(tampered), kind().pass, "Key file Corrupted, operation aborted"},
        {"shorter than a CRC", fileAround("ABC"), kind().pass, "Key file Corrupted, operation aborted"},
        {"a number missing", fileAround(withCrc(noNumber)), kind().pass, "Public RSA Key Loading Error"},
        {"a number not hex", fileAround(withCrc(notHex)), kind().pass, "Public RSA Key Loading Error"},
        {"the other kind", readFile(dataPath(other().file)), other().pass, "Public RSA Key Loading Error"},
        {"zlib bomb", bomb, kind().pass, corrupted},
        {"not base64", kind().begin + "\r\nnot base64 !!\r\n" + kind().end, kind().pass, corrupted},
    };
    for (const Case& c : cases) {
        const std::string path = dir.file(std::string(c.what) + ".akf");
        if (!c.content.empty()) writeFile(path, c.content);
        const Loaded got = kind().load(path, c.pass);
        EXPECT_EQ(got.error, c.message) << c.what;
        EXPECT_EQ(got.numbers.front(), "Modulus=(none)") << c.what << ": no half-loaded key";
    }
}

// Other line breaks, comment lines, blank lines, names in another case and an
// ignored incomplete last base64 group all load as the same key.
TEST_P(KeyFile, ToleratedVariantsLoad)
{
    const std::string text = readFile(sample()), body = sampleBody();
    auto replaced = [](std::string s, const std::string& from, const std::string& to) {
        for (std::size_t pos = 0; (pos = s.find(from, pos)) != std::string::npos; pos += to.size()) s.replace(pos, from.size(), to);
        return s;
    };
    std::string lower = body.substr(0, body.size() - 10);
    for (char& c : lower) c = char(std::tolower(static_cast<unsigned char>(c)));
    lower.insert(lower.find("\r\n") + 2, "\r\n");
    const std::vector<std::string> variants{
        replaced(text, "\r\n", "\n"),
        replaced(text, "\r\n", "\r"),
        replaced(text, "\r\n", "\n\r"),
        "# exported by hand\r\n" + replaced(text, "\r\n", "\r\n#\r\n") + "#trailer",
        replaced(text, "\r\n" + kind().end, "\r\n\r\n\r\n" + kind().end),
        fileAround(lower + OracleCrc(lower) + "\r\n"),
        OracleFile(kind().begin, kind().end, ArmouredTextOf(text) + "A"),
    };
    const std::string path = dir.file("variant.akf");
    for (std::size_t i = 0; i < variants.size(); ++i) {
        writeFile(path, variants[i]);
        const Loaded got = kind().load(path, kind().pass);
        EXPECT_EQ(got.error, kNoError) << "variant " << i;
        EXPECT_EQ(got.fingerprint, kind().fingerprint) << "variant " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(Kinds, KeyFile, ::testing::Values(&kPublic, &kPrivate),
                         [](const auto& info) { return std::string(info.param->name); });

// The armour's layout for lengths around the line width: 50-character lines,
// the text's own line break counted in.
TEST(KeyFileText, LayoutAroundTheLineWidth)
{
    for (std::size_t len : {4u, 48u, 49u, 50u, 51u, 100u, 149u}) {
        const std::string b64(len, 'Q');
        EXPECT_EQ(FormatKeyFile(kPublicKeyBeginMarker, kPublicKeyEndMarker, b64),
                  OracleFile(std::string(kPublicKeyBeginMarker), std::string(kPublicKeyEndMarker), b64)) << len;
    }
}

} // namespace
} // namespace zerath
