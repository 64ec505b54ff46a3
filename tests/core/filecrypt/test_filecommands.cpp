#include <gtest/gtest.h>
#include <sys/stat.h>

#include <random>

#include "FileCommandFixture.h"
#include "common/Error.h"
#include "common/FileIO.h"
#include "keyring/KeyManager.h"
#include "pubkey/KeyPairGenerator.h"

using namespace zerath;
using namespace zerath::test;

namespace {

std::string randomText(std::size_t n, unsigned seed)
{
    std::mt19937 rng(seed);
    std::string s(n, '\0');
    // Half random bytes, half text, so every level has something to do.
    for (std::size_t i = 0; i < n; ++i)
        s[i] = i < n / 2 ? static_cast<char>(rng() & 0xFF) : "the quick brown fox "[i % 20];
    return s;
}

class FileCommands : public ::testing::Test {
protected:
    KeyRingWithPair& keys = sharedKeyRing();
    TempDir work;
    KeyRing ring{keys.home.path()};
    RecordingUi ui;

    void SetUp() override { ring.DBOpen(KeyRing::MissingFile::Create); }

    FileCommandResult encrypt(const std::string& path, int cipher = 0, int level = 1)
    {
        EncryptOptions o;
        o.keyId = keys.publicId;
        o.sourcePath = path;
        o.cipherIndex = cipher;
        o.compressionIndex = level;
        return EncryptFile(ring, o, ui);
    }
    FileCommandResult decrypt(const std::string& path, const std::string& keyId = std::string())
    {
        DecryptOptions o;
        o.keyId = keyId.empty() ? keys.privateId : keyId;
        o.encryptedPath = path;
        return DecryptFile(ring, o, ui);
    }
};

template <class F>
std::string messageOf(F&& f, UserMessage::Kind* kind = nullptr)
{
    try {
        f();
    } catch (const UserMessage& m) {
        if (kind) *kind = m.kind();
        return m.what();
    }
    return "(no message)";
}

} // namespace

TEST_F(FileCommands, RoundTripsEveryCipherLevelAndSize)
{
    const std::vector<std::size_t> allSizes = {0, 1, 15, 16, 17, 8191, 8192, 8193, 5 * 8192 * 16 + 7};
    const std::vector<std::size_t> someSizes = {0, 17, 8193};
    for (int cipher = 0; cipher < 5; ++cipher) {
        for (int level = 0; level < 4; ++level) {
            for (std::size_t size : level == 1 ? allSizes : someSizes) {
                SCOPED_TRACE("cipher " + std::to_string(cipher) + " level " + std::to_string(level) + " size " +
                             std::to_string(size));
                const std::string plain = randomText(size, unsigned(size * 31 + cipher * 7 + level));
                const std::string src = work.file("data.bin");
                writeFile(src, plain);
                const FileCommandResult enc = encrypt(src, cipher, level);
                ASSERT_TRUE(enc.done);
                EXPECT_EQ(enc.message, "File encrypted successfuly.");
                const std::string encrypted = readFile(src + ".enc");
                ASSERT_GE(encrypted.size(), 23u);
                EXPECT_EQ(static_cast<unsigned char>(encrypted[0]), cipher);
                const std::size_t L = std::uint8_t(encrypted[5]) | (std::size_t(std::uint8_t(encrypted[6])) << 8);
                EXPECT_GT(L, 0u);
                EXPECT_LE(L, 512u);
                std::remove(src.c_str());
                const FileCommandResult dec = decrypt(src + ".enc");
                ASSERT_TRUE(dec.done);
                EXPECT_EQ(dec.outputPath, src);
                EXPECT_EQ(dec.message, "File decrypted successfuly");
                EXPECT_EQ(ui.selectedCipher, cipher);
                EXPECT_EQ(readFile(src), plain);
                std::remove((src + ".enc").c_str());
            }
        }
    }
    EXPECT_EQ(folderNames(work.path()), std::vector<std::string>{"data.bin"});
}

TEST_F(FileCommands, ZlibStreamOfWholeBlocksGivesCiphertextOfWholeBlocks)
{
    // At level 0 a 5-byte source becomes a 16-byte zlib stream, 21 bytes one of 32.
    for (std::size_t size : {5u, 21u}) {
        const std::string src = work.file("w.bin");
        writeFile(src, std::string(size, 'x'));
        ASSERT_TRUE(encrypt(src, 0, 0).done);
        const std::string e = readFile(src + ".enc");
        const std::size_t L = std::uint8_t(e[5]) | (std::size_t(std::uint8_t(e[6])) << 8);
        EXPECT_EQ(e.size() - 23 - L, size + 11);
        EXPECT_EQ((e.size() - 23 - L) % 16, 0u);
        ASSERT_TRUE(decrypt(src + ".enc").done);
        EXPECT_EQ(readFile(src), std::string(size, 'x'));
        std::remove((src + ".enc").c_str());
    }
}

TEST_F(FileCommands, ProgressStatusAndCipherNames)
{
    const std::string src = work.file("p.txt");
    writeFile(src, std::string(100000, 'a'));
    ASSERT_TRUE(encrypt(src, 4, 1).done);
    ASSERT_EQ(ui.triples.size(), 3u);
    EXPECT_EQ(ui.triples[0], "Compression started, please wait...|Encryption, waiting.|Saving data, waiting.|0");
    EXPECT_EQ(ui.triples[1], "Compression done.|Encrypting data, please wait...|Saving data, waiting.|1");
    EXPECT_EQ(ui.triples[2],
              "Compression done.|Encryption done.|Saving data and finalizing., please wait...|2");
    EXPECT_EQ(ui.firstLines, std::vector<std::string>{"Writing Compressed data, please wait..."});
    EXPECT_EQ(ui.panel1, "Cipher: Twofish, Key size: 256");
    EXPECT_EQ(ui.panel0.rfind("Compression: ", 0), 0u);
    EXPECT_EQ(ui.shows, 1);
    EXPECT_EQ(ui.hides, 1);
    EXPECT_FALSE(ui.busy);
    EXPECT_DOUBLE_EQ(ui.lastFraction, 1.0);

    ui = RecordingUi();
    std::remove(src.c_str());
    ASSERT_TRUE(decrypt(src + ".enc").done);
    ASSERT_EQ(ui.triples.size(), 3u);
    EXPECT_EQ(ui.triples[0], "Data Decryption started, please wait...|Data Uncompress, waiting.|Data Saving, waiting.|0");
    EXPECT_EQ(ui.triples[1], "Data decryption done.|Data uncompress started, please wait...|Saving data, waiting.|1");
    EXPECT_EQ(ui.triples[2],
              "Data decryption done.|Data uncompress done.|Saving data and finalizing., please wait...|2");

    ui = RecordingUi();
    const std::string src2 = work.file("q.txt");
    writeFile(src2, "abc");
    ASSERT_TRUE(encrypt(src2, 0, 2).done);
    EXPECT_EQ(ui.panel1, "Cipher: Rijndael (AES), Key size: 256");
}

TEST_F(FileCommands, CompressionStatusText)
{
    EXPECT_EQ(compressionStatus(0, 8), "Compression: 88.9%");
    EXPECT_EQ(compressionStatus(100, 100), "Compression:  0.0%");
    EXPECT_EQ(compressionStatus(1000, 100), "Compression: 900.0%");
    EXPECT_EQ(compressionStatus(100, 111), "Compression:  9.9%");
}

TEST_F(FileCommands, OutputNames)
{
    EXPECT_EQ(decryptedName("/a/secret.txt.enc"), "/a/secret.txt");
    EXPECT_EQ(decryptedName("/a/secret.txt.ENC"), "/a/secret.txt");
    EXPECT_EQ(decryptedName("/a/secret.bin"), "/a/secret.bin.dec");
    EXPECT_EQ(decryptedName("/a.enc/secret"), "/a.enc/secret.dec");
    EXPECT_EQ(overwriteQuestion("/x/y/report.doc.enc"), "Output file \"report.doc.enc\" already exists. Overwrite?");
}

TEST_F(FileCommands, EncryptChecksInOrder)
{
    const std::string src = work.file("s.txt");
    writeFile(src, "secret");
    UserMessage::Kind kind{};
    EncryptOptions o;
    o.sourcePath = src;
    EXPECT_EQ(messageOf([&] { EncryptFile(ring, o, ui); }, &kind), "No mail box specified");
    EXPECT_EQ(kind, UserMessage::PlainBox);
    o.keyId = "DEADBEEF";
    EXPECT_EQ(messageOf([&] { EncryptFile(ring, o, ui); }, &kind), kKeyNotInKeyRing);
    EXPECT_EQ(kind, UserMessage::WarningBox);
    o.keyId = keys.publicId;
    for (const std::string& bad : {std::string(), work.file("missing.txt"), work.path()}) {
        o.sourcePath = bad;
        EXPECT_EQ(messageOf([&] { EncryptFile(ring, o, ui); }, &kind),
                  "File to encrypt does not exists or the name is empty.");
        EXPECT_EQ(kind, UserMessage::WarningBox);
    }
    o.sourcePath = src;
    o.wipeOriginal = true;
    ui.wipeAnswer = FileCommandUi::Answer::Cancel;
    EXPECT_FALSE(EncryptFile(ring, o, ui).done);
    EXPECT_EQ(ui.questions.back(),
              "You have selected to remove the original file permenently\rRemove after successful encryption?");
    EXPECT_FALSE(fileExists(src + ".enc"));

    // An existing output and the answer Cancel leave it unchanged.
    writeFile(src + ".enc", "old");
    ui.wipeAnswer = FileCommandUi::Answer::No;
    ui.overwrite = false;
    EXPECT_FALSE(EncryptFile(ring, o, ui).done);
    EXPECT_EQ(ui.questions.back(), "Output file \"s.txt.enc\" already exists. Overwrite?");
    EXPECT_EQ(readFile(src + ".enc"), "old");
    EXPECT_EQ(ui.shows, 0);

    ui.overwrite = true;
    EXPECT_TRUE(EncryptFile(ring, o, ui).done);
    EXPECT_NE(readFile(src + ".enc"), "old");
    EXPECT_TRUE(fileExists(src)); // answered No: the source stays
}

TEST_F(FileCommands, StealthyCipherAndWipe)
{
    const std::string src = work.file("w.txt");
    std::set<int> seen;
    for (int i = 0; i < 40; ++i) {
        writeFile(src, "wipe me " + std::to_string(i));
        EncryptOptions o;
        o.keyId = keys.publicId;
        o.sourcePath = src;
        o.stealthyCipher = true;
        o.wipeOriginal = true;
        std::vector<std::string> shredded;
        o.shredFile = [&](const std::string& p) {
            shredded.push_back(p);
            std::remove(p.c_str());
        };
        ui.wipeAnswer = FileCommandUi::Answer::Yes;
        const FileCommandResult r = EncryptFile(ring, o, ui);
        ASSERT_TRUE(r.done);
        EXPECT_EQ(r.message, "File encrypted successfuly and original file permenently deleted");
        EXPECT_EQ(shredded, std::vector<std::string>{src});
        ASSERT_GE(ui.selectedCipher, 0);
        ASSERT_LT(ui.selectedCipher, 5);
        EXPECT_EQ(readFile(src + ".enc")[0], char(ui.selectedCipher));
        seen.insert(ui.selectedCipher);
    }
    EXPECT_GE(seen.size(), 3u);
}

TEST_F(FileCommands, FailedWipeIsAnErrorButKeepsTheEncryptedFile)
{
    const std::string src = work.file("k.txt");
    writeFile(src, "keep");
    EncryptOptions o;
    o.keyId = keys.publicId;
    o.sourcePath = src;
    o.wipeOriginal = true;
    o.shredFile = [](const std::string& p) { throw Error("Cannot find " + p + " !"); };
    ui.wipeAnswer = FileCommandUi::Answer::Yes;
    EXPECT_EQ(messageOf([&] { EncryptFile(ring, o, ui); }), kEncryptError);
    EXPECT_TRUE(fileExists(src + ".enc"));
    EXPECT_TRUE(fileExists(src));
}

TEST_F(FileCommands, FailingWritesLeaveNothingAndKeepTheOldOutput)
{
    const std::string src = work.file("big.bin");
    writeFile(src, randomText(300000, 5));
    writeFile(src + ".enc", "previous");
    for (FaultPlan plan : {FaultPlan{100, -1, -1}, FaultPlan{150000, -1, -1}, FaultPlan{-1, 0, -1},
                           FaultPlan{-1, -1, 0}}) {
        FaultInjection::set(plan);
        UserMessage::Kind kind{};
        EXPECT_EQ(messageOf([&] { encrypt(src); }, &kind), kEncryptError);
        FaultInjection::clear();
        EXPECT_EQ(kind, UserMessage::ErrorBox);
        EXPECT_EQ(readFile(src + ".enc"), "previous");
        EXPECT_EQ(folderNames(work.path()), (std::vector<std::string>{"big.bin", "big.bin.enc"}));
        EXPECT_EQ(ui.shows, ui.hides);
        EXPECT_FALSE(ui.busy);
    }

    ASSERT_TRUE(encrypt(src).done);
    const std::string plain = readFile(src);
    writeFile(src, "old plain");
    for (FaultPlan plan : {FaultPlan{10, -1, -1}, FaultPlan{200000, -1, -1}, FaultPlan{-1, 0, -1},
                           FaultPlan{-1, -1, 0}}) {
        FaultInjection::set(plan);
        EXPECT_EQ(messageOf([&] { decrypt(src + ".enc"); }), kDecryptError);
        FaultInjection::clear();
        EXPECT_EQ(readFile(src), "old plain");
        EXPECT_EQ(folderNames(work.path()), (std::vector<std::string>{"big.bin", "big.bin.enc"}));
    }
    ASSERT_TRUE(decrypt(src + ".enc").done);
    EXPECT_EQ(readFile(src), plain);
}

TEST_F(FileCommands, DecryptChecksInOrder)
{
    const std::string src = work.file("d.txt");
    writeFile(src, "decrypt me");
    ASSERT_TRUE(encrypt(src).done);
    std::remove(src.c_str());
    const std::string enc = src + ".enc";
    UserMessage::Kind kind{};

    DecryptOptions o;
    o.encryptedPath = work.file("nothing.enc");
    o.keyId = keys.privateId;
    EXPECT_EQ(messageOf([&] { DecryptFile(ring, o, ui); }, &kind),
              "File to decrypt does not exists or the name is empty.");
    EXPECT_EQ(kind, UserMessage::WarningBox);
    // A file no key pair of the key ring was made for: the selected key is taken as it is.
    std::string foreign = readFile(enc);
    foreign[1] = char(foreign[1] ^ 0x5A);
    o.encryptedPath = work.file("foreign.enc");
    writeFile(o.encryptedPath, foreign);
    o.keyId.clear();
    EXPECT_EQ(messageOf([&] { DecryptFile(ring, o, ui); }, &kind),
              "No Private key selected. Double click on private key.");
    EXPECT_EQ(kind, UserMessage::WarningBox);
    o.keyId = "0BADF00D";
    EXPECT_EQ(messageOf([&] { DecryptFile(ring, o, ui); }), kKeyNotInKeyRing);
    o.keyId = keys.publicId; // a public key only: stops before any passphrase is asked
    EXPECT_EQ(messageOf([&] { DecryptFile(ring, o, ui); }, &kind), "Select a private key and try again.");
    EXPECT_EQ(kind, UserMessage::WarningBox);
    EXPECT_TRUE(ui.questions.empty());
    std::remove(o.encryptedPath.c_str());

    o.encryptedPath = enc;
    o.keyId = keys.privateId;
    ui.givePassphrase = false;
    EXPECT_FALSE(DecryptFile(ring, o, ui).done);
    ui.givePassphrase = true;
    for (const std::string& wrong : {std::string("wrong passphrase"), std::string()}) {
        ui.passphrase = wrong;
        EXPECT_EQ(messageOf([&] { DecryptFile(ring, o, ui); }, &kind),
                  "Uncorrect Passphrase for the private key. Decryption aborted");
        EXPECT_EQ(kind, UserMessage::ErrorBox);
    }
    ui.passphrase = kPairPassphrase;
    writeFile(src, "existing");
    ui.overwrite = false;
    EXPECT_FALSE(DecryptFile(ring, o, ui).done);
    EXPECT_EQ(ui.questions.back(), "Output file \"d.txt\" already exists. Overwrite?");
    EXPECT_EQ(readFile(src), "existing");
    ui.overwrite = true;
    EXPECT_TRUE(DecryptFile(ring, o, ui).done);
    EXPECT_EQ(readFile(src), "decrypt me");
}

TEST_F(FileCommands, DamagedFilesCreateNoOutput)
{
    const std::string src = work.file("m.txt");
    writeFile(src, randomText(20000, 9));
    ASSERT_TRUE(encrypt(src, 2, 3).done);
    std::remove(src.c_str());
    const std::string good = readFile(src + ".enc");
    const std::size_t L = std::uint8_t(good[5]) | (std::size_t(std::uint8_t(good[6])) << 8);
    const std::string enc = work.file("m.enc");

    auto expectFailure = [&](const std::string& content, const std::string& message) {
        writeFile(enc, content);
        EXPECT_EQ(messageOf([&] { decrypt(enc); }), message);
        EXPECT_FALSE(fileExists(work.file("m")));
        EXPECT_EQ(ui.shows, ui.hides);
    };
    // Truncated inside the header, inside the vector, and a header only.
    for (std::size_t cut : {std::size_t(3), std::size_t(6), std::size_t(7 + L / 2), std::size_t(7 + L + 8)})
        expectFailure(good.substr(0, cut), kDecryptError);
    expectFailure(good.substr(0, 23 + L), kDecryptError);

    // L = 0: an empty wrapped key cannot be unwrapped.
    std::string zeroL = good.substr(0, 5) + std::string("\0\0", 2) + good.substr(7 + L);
    expectFailure(zeroL, "Decryption Error!, operation aborted");

    // A cipher byte above 4.
    std::string badCipher = good;
    badCipher[0] = 7;
    expectFailure(badCipher, kDecryptError);

    // Damaged ciphertext.
    std::string damaged = good;
    damaged[23 + L + 100] ^= 0x5A;
    expectFailure(damaged, kDecryptError);

    // Another key check value.
    std::string otherCheck = good;
    otherCheck[2] ^= 1;
    expectFailure(otherCheck, "The Private Key does not match the public key used for encryption.");
    EXPECT_EQ(folderNames(work.path()), (std::vector<std::string>{"m.enc", "m.txt.enc"}));
}

TEST_F(FileCommands, FileForAnotherPairStopsBeforeWriting)
{
    TempDir otherHome;
    const KeyPairResult other = GenerateKeyPairFiles(otherHome.path(), "Someone Else", "another passphrase");
    KeyManager manager(keys.home.path());
    ring.Close();
    manager.Open();
    const std::string otherId = *manager.ImportKey(other.PublicKeyFile, [](SecureString&) { return false; });
    manager.Close();
    ring.DBOpen(KeyRing::MissingFile::Create);

    const std::string src = work.file("o.txt");
    writeFile(src, "for someone else");
    EncryptOptions eo;
    eo.keyId = otherId;
    eo.sourcePath = src;
    ASSERT_TRUE(EncryptFile(ring, eo, ui).done);
    std::remove(src.c_str());
    const std::string message = messageOf([&] { decrypt(src + ".enc"); });
    EXPECT_TRUE(message == "The Private Key does not match the public key used for encryption." ||
                message == "Decryption Error!, operation aborted")
        << message;
    EXPECT_FALSE(fileExists(src));

    ring.Close();
    manager.Open();
    ASSERT_TRUE(manager.Ring().SearchDB("KeyID", otherId));
    manager.RemoveCurrentKey([](const UserMessage&) { return true; });
    manager.Close();
}
