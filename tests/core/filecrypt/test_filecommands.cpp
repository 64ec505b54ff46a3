#include <gtest/gtest.h>
#include <unistd.h>

#include <random>
#include <set>

#include "FileOracle.h"
#include "KeyRingFixture.h"
#include "TestHelpers.h"
#include "TestUi.h"
#include "common/Error.h"
#include "filecrypt/FileCommands.h"
#include "filecrypt/SessionKey.h"
#include "keyring/KeyRing.h"

using namespace zerath;
using namespace zerath::test;

namespace {

std::string randomText(std::size_t n, unsigned seed)
{
    std::mt19937 rng(seed);
    std::string s(n, '\0');
    // Half random bytes, half text, so every level has something to do.
    for (std::size_t i = 0; i < n; ++i) s[i] = i < n / 2 ? static_cast<char>(rng()) : "the quick brown fox "[i % 20];
    return s;
}

std::string messageOf(const std::function<void()>& f, UserMessage::Kind* kind = nullptr)
{
    try {
        f();
    } catch (const UserMessage& m) {
        if (kind) *kind = m.kind();
        return m.what();
    }
    return "(no message)";
}

class FileCommands : public ::testing::Test {
protected:
    KeyRingFixture keys{{TestKey::AlicePublic, TestKey::AlicePair, TestKey::BobPublic, TestKey::BobPair}};
    TempDir work;
    KeyRing ring{keys.home()};
    ScriptedUi ui;
    std::string alice = keys.idOf(TestKey::AlicePublic), alicePair = keys.idOf(TestKey::AlicePair);

    void SetUp() override { ring.DBOpen(); }
    EncryptOptions optionsFor(const std::string& path, int cipher = 0, int level = 1)
    {
        EncryptOptions o;
        o.keyId = alice;
        o.sourcePath = path;
        o.cipherIndex = cipher;
        o.compressionIndex = level;
        return o;
    }
    FileCommandResult encrypt(const std::string& path, int cipher = 0, int level = 1)
    {
        return EncryptFile(ring, optionsFor(path, cipher, level), ui);
    }
    FileCommandResult decrypt(const std::string& path, const std::string& keyId = "")
    {
        return DecryptFile(ring, DecryptOptions{keyId.empty() ? alicePair : keyId, path}, ui);
    }
    OpenedFile opened(const std::string& path)
    {
        return openWithOracle(readFile(path), clearKeyOf(keys.home(), alicePair, kAlicePassphrase));
    }
};

TEST_F(FileCommands, RoundTripsEveryCipherLevelAndSize)
{
    const std::vector<std::size_t> allSizes = {0, 1, 15, 16, 17, 8191, 8192, 8193, 5 * 8192 * 16 + 7};
    const std::vector<std::size_t> someSizes = {0, 5, 17, 21, 8193}; // at level 0, 5 and 21 give whole blocks
    const std::string src = work.file("data.bin");
    for (int cipher = 0; cipher < 5; ++cipher) {
        for (int level = 0; level < 4; ++level) {
            for (std::size_t size : level == 1 ? allSizes : someSizes) {
                SCOPED_TRACE("cipher " + std::to_string(cipher) + " level " + std::to_string(level) + " size " +
                             std::to_string(size));
                const std::string plain = randomText(size, unsigned(size * 31 + cipher * 7 + level));
                writeFile(src, plain);
                ASSERT_TRUE(encrypt(src, cipher, level).done);
                EXPECT_EQ(readFile(src + ".enc")[0], char(cipher));
                removeFile(src);
                const FileCommandResult dec = decrypt(src + ".enc");
                ASSERT_TRUE(dec.done);
                EXPECT_EQ(dec.outputPath, src);
                EXPECT_EQ(ui.selectedCipher, cipher);
                EXPECT_EQ(readFile(src), plain);
                removeFile(src + ".enc");
            }
        }
    }
    EXPECT_EQ(folderNames(work.path()), std::vector<std::string>{"data.bin"});
}

TEST_F(FileCommands, EveryFileGetsItsOwnSessionKeyAndVector)
{
    const std::string src = work.file("same.txt");
    writeFile(src, "the same text twice");
    std::set<std::string> keysSeen, vectorsSeen;
    for (int i = 0; i < 2; ++i) {
        ASSERT_TRUE(encrypt(src).done);
        const OpenedFile f = opened(src + ".enc");
        EXPECT_NE(f.key, Bytes(32, 0));
        keysSeen.insert(toHex(f.key));
        vectorsSeen.insert(toHex(f.iv));
        removeFile(src + ".enc");
    }
    EXPECT_EQ(keysSeen.size(), 2u);
    EXPECT_EQ(vectorsSeen.size(), 2u);
}

TEST_F(FileCommands, CompressionIndexSetsTheZlibLevel)
{
    // zlib levels 0, 1, 6, 9 carry level bits 0, 0, 2, 3; level 0 stores every block.
    const std::string src = work.file("level.txt");
    writeFile(src, randomText(200000, 3));
    const int levelBits[] = {0, 0, 2, 3};
    for (int index = 0; index < 4; ++index) {
        ASSERT_TRUE(encrypt(src, 4, index).done);
        const Bytes z = opened(src + ".enc").zlib;
        EXPECT_EQ(zlibLevelBits(z), levelBits[index]) << index;
        EXPECT_EQ(onlyStoredBlocks(z), index == 0) << index;
        removeFile(src + ".enc");
    }
}

TEST_F(FileCommands, OutputNamesAndCompressionStatus)
{
    const std::pair<const char*, const char*> names[] = {{"/a/secret.txt.enc", "/a/secret.txt"},
                                                         {"/a/secret.txt.ENC", "/a/secret.txt"},
                                                         {"/a/secret.bin", "/a/secret.bin.dec"},
                                                         {"/a.enc/secret", "/a.enc/secret.dec"}};
    for (auto [in, out] : names) EXPECT_EQ(decryptedName(in), out);
    EXPECT_EQ(overwriteQuestion("/x/y/report.doc.enc"), "Output file \"report.doc.enc\" already exists. Overwrite?");
    EXPECT_EQ(compressionStatus(0, 8), "Compression: 88.9%");
    EXPECT_EQ(compressionStatus(1000, 100), "Compression: 900.0%");
    EXPECT_EQ(compressionStatus(100, 111), "Compression:  9.9%");
}

TEST_F(FileCommands, EncryptionStopsInOrderAndWritesNothing)
{
    const std::string src = work.file("s.txt");
    writeFile(src, "secret");
    struct Row {
        std::function<void(EncryptOptions&)> change;
        const char* message;
        UserMessage::Kind kind;
    };
    const Row rows[] = {
        {[](EncryptOptions& o) { o.keyId.clear(); }, "No mail box specified", UserMessage::PlainBox},
        {[](EncryptOptions& o) { o.keyId = "DEADBEEF"; }, kKeyNotInKeyRing, UserMessage::WarningBox},
        {[](EncryptOptions& o) { o.sourcePath.clear(); }, "File to encrypt does not exists or the name is empty.",
         UserMessage::WarningBox},
        {[&](EncryptOptions& o) { o.sourcePath = work.file("missing.txt"); },
         "File to encrypt does not exists or the name is empty.", UserMessage::WarningBox},
        {[&](EncryptOptions& o) { o.sourcePath = work.path(); }, "File to encrypt does not exists or the name is empty.",
         UserMessage::WarningBox},
    };
    for (const Row& r : rows) {
        EncryptOptions o = optionsFor(src);
        r.change(o);
        UserMessage::Kind kind{};
        EXPECT_EQ(messageOf([&] { EncryptFile(ring, o, ui); }, &kind), r.message);
        EXPECT_EQ(kind, r.kind) << r.message;
    }
    EncryptOptions o = optionsFor(src);
    o.wipeOriginal = true;
    ui.wipeAnswer = FileCommandUi::Answer::Cancel;
    EXPECT_FALSE(EncryptFile(ring, o, ui).done);
    EXPECT_EQ(folderNames(work.path()), std::vector<std::string>{"s.txt"});

    // An existing output and the answer Cancel leave it unchanged.
    writeFile(src + ".enc", "old");
    ui.wipeAnswer = FileCommandUi::Answer::No;
    ui.overwrite = false;
    EXPECT_FALSE(EncryptFile(ring, o, ui).done);
    EXPECT_EQ(ui.questions.back(), "Output file \"s.txt.enc\" already exists. Overwrite?");
    EXPECT_EQ(readFile(src + ".enc"), "old");
    ui.overwrite = true;
    EXPECT_TRUE(EncryptFile(ring, o, ui).done);
    EXPECT_NE(readFile(src + ".enc"), "old");
    EXPECT_TRUE(fileExists(src)); // answered No: the source stays
}

TEST_F(FileCommands, StealthyCipherAndWipeAfterTheOutputIsComplete)
{
    const std::string src = work.file("w.txt");
    std::set<int> seen;
    for (int i = 0; i < 30; ++i) {
        writeFile(src, "wipe me " + std::to_string(i));
        EncryptOptions o = optionsFor(src, 0);
        o.stealthyCipher = o.wipeOriginal = true;
        std::string outputAtWipe;
        o.shredFile = [&](const std::string& p) {
            outputAtWipe = fileExists(src + ".enc") ? readFile(src + ".enc") : "";
            removeFile(p);
        };
        ui.wipeAnswer = FileCommandUi::Answer::Yes;
        const FileCommandResult r = EncryptFile(ring, o, ui);
        ASSERT_TRUE(r.done);
        EXPECT_EQ(r.message, "File encrypted successfuly and original file permenently deleted");
        EXPECT_EQ(outputAtWipe, readFile(src + ".enc")); // the output was complete before the wipe
        EXPECT_EQ(readFile(src + ".enc")[0], char(ui.selectedCipher));
        seen.insert(ui.selectedCipher);
    }
    EXPECT_GE(seen.size(), 3u);

    // A failed wipe is an error, but keeps the encrypted file.
    writeFile(src, "keep");
    EncryptOptions o = optionsFor(src);
    o.wipeOriginal = true;
    o.shredFile = [](const std::string& p) { throw Error("Cannot find " + p + " !"); };
    EXPECT_EQ(messageOf([&] { EncryptFile(ring, o, ui); }), kEncryptError);
    EXPECT_TRUE(fileExists(src + ".enc") && fileExists(src));
}

TEST_F(FileCommands, DecryptionStopsInOrderAndCreatesNoOutput)
{
    const std::string src = work.file("d.txt");
    writeFile(src, "decrypt me");
    ASSERT_TRUE(encrypt(src).done);
    removeFile(src);
    const std::string enc = src + ".enc";
    // A file no key pair of the key ring was made for: the selected key is taken as it is.
    TempDir elsewhere;
    std::string bytes = readFile(enc);
    bytes[1] = char(bytes[1] ^ 0x5A);
    const std::string foreign = elsewhere.file("f.enc");
    writeFile(foreign, bytes);
    struct Row {
        std::string path, keyId, passphrase, message;
        UserMessage::Kind kind;
    };
    const Row rows[] = {
        {work.file("nothing.enc"), alicePair, kAlicePassphrase, "File to decrypt does not exists or the name is empty.",
         UserMessage::WarningBox},
        {foreign, "", kAlicePassphrase, "No Private key selected. Double click on private key.",
         UserMessage::WarningBox},
        {foreign, "0BADF00D", kAlicePassphrase, kKeyNotInKeyRing, UserMessage::WarningBox},
        {foreign, alice, kAlicePassphrase, "Select a private key and try again.", UserMessage::WarningBox},
        {enc, alicePair, "wrong passphrase", "Uncorrect Passphrase for the private key. Decryption aborted",
         UserMessage::ErrorBox},
        {enc, alicePair, "", "Uncorrect Passphrase for the private key. Decryption aborted", UserMessage::ErrorBox},
    };
    for (const Row& r : rows) {
        ui.passphrase = r.passphrase;
        UserMessage::Kind kind{};
        EXPECT_EQ(messageOf([&] { DecryptFile(ring, DecryptOptions{r.keyId, r.path}, ui); }, &kind), r.message);
        EXPECT_EQ(kind, r.kind) << r.message;
        EXPECT_EQ(folderNames(work.path()), std::vector<std::string>{"d.txt.enc"}) << r.message;
    }
    // Another pair's key either fails to unwrap the session key or gives another check value.
    ui.passphrase = kBobPassphrase;
    const std::string other = messageOf([&] { decrypt(foreign, keys.idOf(TestKey::BobPair)); });
    EXPECT_TRUE(other == "The Private Key does not match the public key used for encryption." ||
                other == "Decryption Error!, operation aborted") << other;
    EXPECT_EQ(folderNames(work.path()), std::vector<std::string>{"d.txt.enc"});
    ui.passphrase = kAlicePassphrase;
    ui.givePassphrase = false;
    EXPECT_FALSE(decrypt(enc).done);
    ui.givePassphrase = true;
    writeFile(src, "existing");
    ui.overwrite = false;
    EXPECT_FALSE(decrypt(enc).done);
    EXPECT_EQ(readFile(src), "existing");
    ui.overwrite = true;
    EXPECT_TRUE(decrypt(enc).done);
    EXPECT_EQ(readFile(src), "decrypt me");
}

TEST_F(FileCommands, APrivateExponentOfUnder128StoredCharactersIsNoKeyPair)
{
    const std::string enc = work.file("t.txt.enc");
    writeFile(work.file("t.txt"), "x");
    ASSERT_TRUE(encrypt(work.file("t.txt")).done);
    for (std::size_t length : {127u, 128u}) {
        ASSERT_TRUE(ring.SearchDB("KeyID", alicePair));
        KeyRecord r = ring.CurrentRecord();
        r.KeyID = "LEN" + std::to_string(length);
        r.ExponentD = SecureString(std::string(length, 'A'));
        ring.InsertNewRecord(r);
        ui.questions.clear();
        ui.givePassphrase = false;
        const std::string m = messageOf([&] { decrypt(enc, r.KeyID); });
        EXPECT_EQ(m, length < 128 ? "Select a private key and try again." : "(no message)") << length;
        EXPECT_EQ(ui.questions, std::vector<std::string>(length < 128 ? 0 : 1, "passphrase")) << length;
    }
}

TEST_F(FileCommands, DamagedFilesCreateNoOutput)
{
    const std::string src = work.file("m.txt");
    writeFile(src, randomText(20000, 9));
    ASSERT_TRUE(encrypt(src, 2, 3).done);
    removeFile(src);
    const std::string good = readFile(src + ".enc");
    const std::size_t L = std::uint8_t(good[5]) | (std::size_t(std::uint8_t(good[6])) << 8);
    auto flip = [&](std::size_t at) {
        std::string s = good;
        s[at] ^= 0x5A;
        return s;
    };
    const std::pair<std::string, std::string> rows[] = {
        {good.substr(0, 3), kDecryptError},          // inside the header
        {good.substr(0, 6), kDecryptError},
        {good.substr(0, 7 + L / 2), kDecryptError},  // inside the wrapped key
        {good.substr(0, 7 + L + 8), kDecryptError},  // inside the vector
        {good.substr(0, 23 + L), kDecryptError},     // a header only
        {good.substr(0, 5) + std::string("\0\0", 2) + good.substr(7 + L), "Decryption Error!, operation aborted"},
        {std::string(1, '\7') + good.substr(1), kDecryptError}, // a cipher byte above 4
        {flip(23 + L + 100), kDecryptError},
        {flip(good.size() - 1), kDecryptError},
        {flip(2), "The Private Key does not match the public key used for encryption."},
    };
    for (const auto& [content, message] : rows) {
        writeFile(work.file("m.enc"), content);
        EXPECT_EQ(messageOf([&] { decrypt(work.file("m.enc")); }), message);
        EXPECT_EQ(ui.shows, ui.hides);
    }
    EXPECT_EQ(folderNames(work.path()), (std::vector<std::string>{"m.enc", "m.txt.enc"}));
}

TEST_F(FileCommands, AFailedDecryptionLeavesNoDecipheredBytesOnDisk)
{
    const std::string src = work.file("p.txt");
    const std::string plain = randomText(300000, 4);
    writeFile(src, plain);
    ASSERT_TRUE(encrypt(src).done);
    removeFile(src);
    const std::string good = readFile(src + ".enc");
    TempDir peek;
    // Whatever new file appears beside the output while the command runs gets a
    // second name, which keeps its content visible after its removal.
    ui.counter.hook = [&] {
        for (const std::string& n : folderNames(work.path()))
            if (n != "p.txt.enc" && !fileExists(peek.file(n))) ::link(work.file(n).c_str(), peek.file(n).c_str());
    };
    std::string damaged = good;
    damaged.back() ^= 1; // the Adler-32 fails at the very end
    for (int kind = 0; kind < 2; ++kind) {
        writeFile(src + ".enc", kind == 0 ? damaged : good);
        FaultGuard guard(kind == 0 ? FaultPlan{} : FaultPlan{-1, -1, 0}); // or the final rename fails
        EXPECT_EQ(messageOf([&] { decrypt(src + ".enc"); }), kDecryptError);
        EXPECT_EQ(folderNames(work.path()), std::vector<std::string>{"p.txt.enc"});
    }
    const auto seen = folderNames(peek.path());
    ASSERT_EQ(seen.size(), 2u); // one temporary per run
    for (const std::string& n : seen) {
        const std::string left = readFile(peek.file(n));
        EXPECT_FALSE(left.empty()) << n;
        EXPECT_EQ(left.find_first_not_of('\0'), std::string::npos) << n << " keeps deciphered bytes";
    }
}

} // namespace
