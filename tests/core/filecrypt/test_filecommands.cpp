#include <gtest/gtest.h>
#include <unistd.h>

#include <functional>

#include "FileOracle.h"
#include "FileRig.h"
#include "TestHelpers.h"
#include "common/Error.h"
#include "filecrypt/SessionKey.h"

using namespace zerath;
using namespace zerath::test;

namespace {

struct FileCommands : ::testing::Test, FileRig {
    FileCommands() : FileRig({TestKey::AlicePublic, TestKey::AlicePair, TestKey::BobPublic, TestKey::BobPair}) {}
    FileCommandResult encrypt(const std::string& path, int cipher = 0, int level = 1)
    {
        return EncryptFile(ring, to(path, cipher, level), ui);
    }
};

// zlib levels 0, 1, 6, 9 carry level bits 0, 0, 2, 3; level 0 stores every block.
TEST_F(FileCommands, CompressionIndexSetsTheZlibLevel)
{
    const std::string src = work.file("level.txt");
    writeFile(src, mixedText(200000, 3));
    const int levelBits[] = {0, 0, 2, 3};
    const ClearKey clear = clearKeyOf(keys.home(), pair, kAlicePassphrase);
    for (int index = 0; index < 4; ++index) {
        ASSERT_TRUE(encrypt(src, 4, index).done);
        const OpenedFile f = openWithOracle(readFile(src + ".enc"), clear);
        EXPECT_EQ(zlibLevelBits(f.zlib), levelBits[index]) << index;
        EXPECT_EQ(onlyStoredBlocks(f.zlib), index == 0) << index;
    }
}

TEST_F(FileCommands, OutputNamesAndAFolderAsSource)
{
    const std::pair<const char*, const char*> names[] = {{"/a/secret.txt.enc", "/a/secret.txt"},
                                                         {"/a/secret.txt.ENC", "/a/secret.txt"},
                                                         {"/a/secret.bin", "/a/secret.bin.dec"},
                                                         {"/a.enc/secret", "/a.enc/secret.dec"}};
    for (auto [in, out] : names) EXPECT_EQ(decryptedName(in), out);
    // The main window's tests hold the other refusals; a folder is no file to encrypt.
    EXPECT_EQ(errorOf<UserMessage>([&] { encrypt(work.path()); }), "File to encrypt does not exists or the name is empty.");
}

// Stealthy Cipher's spread over the ciphers is checked through zerath-cli.
TEST_F(FileCommands, TheOriginalIsWipedOnlyAfterTheOutputIsComplete)
{
    const std::string src = work.file("w.txt");
    writeFile(src, "wipe me");
    EncryptOptions o = to(src, 0);
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
    EXPECT_EQ(outputAtWipe, readFile(src + ".enc"));
    EXPECT_EQ(readFile(src + ".enc")[0], char(ui.selectedCipher));

    // A failed wipe is an error, but keeps the encrypted file.
    writeFile(src, "keep");
    o.shredFile = [](const std::string& p) { throw Error("Cannot find " + p + " !"); };
    EXPECT_EQ(errorOf<UserMessage>([&] { EncryptFile(ring, o, ui); }), kEncryptError);
    EXPECT_TRUE(fileExists(src + ".enc") && fileExists(src));
}

// A source that grows, is replaced or rewritten while it is read gives
// no output and is not wiped.
TEST_F(FileCommands, ASourceThatChangesWhileItIsEncryptedFailsAndStays)
{
    const std::string src = work.file("moving.txt");
    const std::pair<const char*, std::function<void()>> changes[] = {
        {"appended", [&] { writeFile(src, readFile(src) + "more"); }},
        {"replaced", [&] { writeFile(src + ".new", readFile(src)), ::rename((src + ".new").c_str(), src.c_str()); }},
        {"rewritten in place", [&] { writeFile(src, std::string(200000, 'x')); }},
    };
    for (const auto& [name, change] : changes) {
        writeFile(src, mixedText(200000, 5));
        EncryptOptions o = to(src);
        o.pieceSize = 16384, o.wipeOriginal = true, o.shredFile = [](const std::string& p) { removeFile(p); };
        ui.wipeAnswer = FileCommandUi::Answer::Yes;
        ui.counter.calls = 0; // the first call comes before the source is opened, the second after a piece
        ui.counter.hook = [&, &change = change] { ui.counter.calls == 2 ? (::usleep(20000), change()) : void(); };
        EXPECT_EQ(errorOf<UserMessage>([&] { EncryptFile(ring, o, ui); }), kSourceChanged) << name;
        EXPECT_EQ(folderNames(work.path()), std::vector<std::string>{"moving.txt"}) << name; // no output, not wiped
    }
}

TEST_F(FileCommands, DecryptionStopsAndDamagedFilesCreateNoOutput)
{
    const std::string src = work.file("d.txt"), enc = src + ".enc", plain = mixedText(20000, 9);
    writeFile(src, plain);
    ASSERT_TRUE(encrypt(src, 2, 3).done);
    removeFile(src);
    const std::string good = readFile(enc);
    const std::size_t L = std::uint8_t(good[5]) | (std::size_t(std::uint8_t(good[6])) << 8);
    auto flip = [&](std::size_t at) {
        std::string s = good;
        s[at] ^= 0x5A;
        return s;
    };
    const std::string wrong = "Uncorrect Passphrase for the private key. Decryption aborted";
    const auto warning = UserMessage::WarningBox, error = UserMessage::ErrorBox;
    struct Row {
        std::string content, keyId, passphrase, message; // no content: no file
        UserMessage::Kind kind;
    };
    const Row rows[] = {
        {"", pair, kAlicePassphrase, "File to decrypt does not exists or the name is empty.", warning},
        // A file no key pair of the ring was made for: the selected key is taken as it is.
        {flip(1), "", kAlicePassphrase, "No Private key selected. Double click on private key.", warning},
        {flip(1), "0BADF00D", kAlicePassphrase, kKeyNotInKeyRing, warning},
        {flip(1), recipient, kAlicePassphrase, "Select a private key and try again.", warning},
        {good, pair, "wrong passphrase", wrong, error},
        {good, pair, "", wrong, error},
        {good.substr(0, 3), pair, kAlicePassphrase, kDecryptError, error}, // inside the header
        {good.substr(0, 6), pair, kAlicePassphrase, kDecryptError, error},
        {good.substr(0, 7 + L / 2), pair, kAlicePassphrase, kDecryptError, error}, // inside the wrapped key
        {good.substr(0, 7 + L + 8), pair, kAlicePassphrase, kDecryptError, error}, // inside the vector
        {good.substr(0, 23 + L), pair, kAlicePassphrase, kDecryptError, error},    // a header only
        {good.substr(0, 5) + std::string("\0\0", 2) + good.substr(7 + L), pair, kAlicePassphrase,
         "Decryption Error!, operation aborted", error},
        {std::string(1, '\7') + good.substr(1), pair, kAlicePassphrase, kDecryptError, error}, // cipher above 4
        {flip(23 + L + 100), pair, kAlicePassphrase, kDecryptError, error},
        {flip(good.size() - 1), pair, kAlicePassphrase, kDecryptError, error},
        {flip(2), pair, kAlicePassphrase, "The Private Key does not match the public key used for encryption.", error},
    };
    for (const Row& r : rows) {
        if (!r.content.empty()) writeFile(work.file("m.enc"), r.content);
        ui.passphrase = r.passphrase;
        UserMessage::Kind kind{};
        EXPECT_EQ(errorOf<UserMessage>([&] {
            try {
                DecryptFile(ring, DecryptOptions{r.keyId, work.file("m.enc")}, ui);
            } catch (const UserMessage& m) {
                kind = m.kind();
                throw;
            }
        }), r.message);
        EXPECT_EQ(kind, r.kind) << r.message;
        EXPECT_EQ(ui.shows, ui.hides);
        removeFile(work.file("m.enc"));
        EXPECT_EQ(folderNames(work.path()), std::vector<std::string>{"d.txt.enc"}) << r.message;
    }
    // Another pair's key either fails to unwrap the session key or gives another check value.
    ui.passphrase = kBobPassphrase;
    writeFile(work.file("m.enc"), flip(1));
    const std::string other = errorOf<UserMessage>([&] { DecryptFile(ring, {keys.idOf(TestKey::BobPair), work.file("m.enc")}, ui); });
    removeFile(work.file("m.enc"));
    EXPECT_TRUE(other == "The Private Key does not match the public key used for encryption." ||
                other == "Decryption Error!, operation aborted") << other;
    ui.passphrase = kAlicePassphrase;
    ui.givePassphrase = false;
    EXPECT_FALSE(decrypt(enc).done);
    EXPECT_EQ(folderNames(work.path()), std::vector<std::string>{"d.txt.enc"});
    ui.givePassphrase = true;
    writeFile(src, "existing");
    ui.overwrite = false;
    EXPECT_FALSE(decrypt(enc).done);
    EXPECT_EQ(readFile(src), "existing");
    ui.overwrite = true;
    EXPECT_TRUE(decrypt(enc).done);
    EXPECT_EQ(readFile(src), plain);
}

TEST_F(FileCommands, APrivateExponentOfUnder128StoredCharactersIsNoKeyPair)
{
    const std::string enc = work.file("t.txt.enc");
    writeFile(work.file("t.txt"), "x");
    ASSERT_TRUE(encrypt(work.file("t.txt")).done);
    for (std::size_t length : {127u, 128u}) {
        ASSERT_TRUE(ring.SearchDB("KeyID", pair));
        KeyRecord r = ring.CurrentRecord();
        r.KeyID = "LEN" + std::to_string(length);
        r.ExponentD = SecureString(std::string(length, 'A'));
        ring.InsertNewRecord(r);
        ui.questions.clear();
        ui.givePassphrase = false;
        const std::string m = errorOf<UserMessage>([&] { DecryptFile(ring, {r.KeyID, enc}, ui); });
        EXPECT_EQ(m, length < 128 ? "Select a private key and try again." : kNoError) << length;
        EXPECT_EQ(ui.questions, std::vector<std::string>(length < 128 ? 0 : 1, "passphrase")) << length;
    }
}

TEST_F(FileCommands, AFailedDecryptionLeavesNoDecipheredBytesOnDisk)
{
    const std::string src = work.file("p.txt");
    const std::string plain = mixedText(3000000, 4);
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
        // In small pieces the inflater runs out of the stages' few buffers unless the
        // writer has put the earlier ones on disk: however the threads are scheduled,
        // all but the last few pieces are on disk before the Adler-32 is checked.
        EXPECT_EQ(errorOf<UserMessage>([&] { decrypt(src + ".enc", 1 << 16); }), kDecryptError);
        EXPECT_EQ(folderNames(work.path()), std::vector<std::string>{"p.txt.enc"});
    }
    const auto seen = folderNames(peek.path());
    ASSERT_EQ(seen.size(), 2u); // one temporary per run
    for (const std::string& n : seen) {
        const std::string left = readFile(peek.file(n));
        EXPECT_GT(left.size(), plain.size() / 2) << n;
        EXPECT_EQ(left.find_first_not_of('\0'), std::string::npos) << n << " keeps deciphered bytes";
    }
}

} // namespace
