// Limits on hostile inputs: each is refused early, in bounded memory, with the
// message the user would see.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <iostream>

#include "KeyRingFixture.h"
#include "TestHelpers.h"
#include "TestUi.h"
#include "common/Error.h"
#include "common/InputFile.h"
#include "filecrypt/CryptStreams.h"
#include "filecrypt/EncryptedFileHeader.h"
#include "filecrypt/FieldProtection.h"
#include "filecrypt/FileCommands.h"
#include "filecrypt/SessionKey.h"
#include "keyring/KeyManager.h"
#include "keyring/KeyRing.h"
#include "pubkey/KeyFile.h"
#include "pubkey/PrivateKey.h"
#include "pubkey/PublicKey.h"
#include "symcrypto/CipherList.h"

namespace zerath::test {
namespace {

// A file of `size` bytes that holds `head` and then a hole: it takes no room on
// disk, but reading it whole would take as long (and as much memory) as its size.
void writeSparse(const std::string& path, const std::string& head, off_t size)
{
    writeFile(path, head);
    ASSERT_EQ(::truncate(path.c_str(), size), 0);
}

const char* const kAlicePublicId = "F2F41F4C";
const char* const kAlicePrivateId = "3BA042F6";

class Limits : public ::testing::Test {
protected:
    void SetUp() override
    {
        ring = std::make_unique<KeyRing>(home.home());
        ring->DBOpen();
    }
    KeyRecord record(const char* id)
    {
        EXPECT_TRUE(ring->SearchDB("KeyID", id));
        return ring->CurrentRecord();
    }
    std::string modulusText()
    {
        return std::string(UnprotectField(record(kAlicePrivateId).ModulusN, FixedProtectionPassphrase()).view());
    }
    // An encrypted file for alice whose zlib stream inflates to `inflated` zero bytes.
    std::string zlibBomb(const std::string& path, std::uint64_t inflated)
    {
        // Session key: sixteen bytes 0x55, then sixteen bytes 0xAA.
        const SecureString keyText(std::string(32, '5') + std::string(32, 'A'));
        EncryptedFileHeader h;
        h.cipherNumber = 0;
        EncryptSymKey(record(kAlicePublicId), keyText, h.keyCheck, h.wrappedKey);
        for (std::size_t i = 0; i < h.iv.size(); ++i) h.iv[i] = static_cast<std::uint8_t>(i);
        SecureBytes sessionKey(32);
        for (int i = 0; i < 32; ++i) sessionKey[i] = static_cast<std::uint8_t>(i < 16 ? 0x55 : 0xAA);
        auto cipher = makeCipher(0);
        cipher->SetKey(sessionKey.data(), 256, h.iv.data());
        cipher->CipherMode = cmCBC;

        std::ofstream out(path, std::ios::binary);
        const std::string head = h.serialize();
        out.write(head.data(), static_cast<std::streamsize>(head.size()));
        StdByteSink sink(out);
        CbcEncryptingSink cbc(*cipher, sink);
        Deflater deflater(9, cbc);
        const std::vector<std::uint8_t> zeros(1 << 20, 0);
        for (std::uint64_t done = 0; done < inflated; done += zeros.size()) deflater.write(zeros.data(), zeros.size());
        deflater.finish();
        cbc.finish();
        return path;
    }

    KeyRingFixture home;
    std::unique_ptr<KeyRing> ring;
};

// ---- wrapped session keys ----------------------------------------------------------

TEST_F(Limits, AWrappedKeyLongerThanTheModulusIsRefusedBeforeTheArithmetic)
{
    const KeyRecord priv = record(kAlicePrivateId);
    const std::string n = modulusText();
    std::uint32_t check = 0;
    SecureString text;
    // The number 1 unwraps to 1 ...
    DecryptSymKey(priv, "1", kAlicePassphrase, check, text);
    EXPECT_EQ(text.view(), "1");
    // ... but not when it is written longer than the modulus (leading zeros): the
    // length alone refuses it.
    EXPECT_EQ(errorOf([&] { DecryptSymKey(priv, std::string(n.size(), '0') + "1", kAlicePassphrase, check, text); }),
              "RSA Decryption Error");
    // The longest text a header can hold fails as fast.
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(errorOf([&] { DecryptSymKey(priv, std::string(0xFFFF, 'f'), kAlicePassphrase, check, text); }),
              "RSA Decryption Error");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

TEST_F(Limits, AFileWithAnOverlongWrappedKeyStopsWithTheUnwrappingMessage)
{
    EncryptedFileHeader h;
    h.keyCheck = 0x12345678;
    h.wrappedKey = std::string(modulusText().size() + 1, '7');
    const std::string path = home.file("long.bin.enc");
    writeFile(path, h.serialize() + std::string(64, 'x'));
    const auto before = snapshotOf(home.home());
    ScriptedUi ui;
    try {
        DecryptFile(*ring, DecryptOptions{kAlicePrivateId, path}, ui);
        FAIL() << "decrypted";
    } catch (const UserMessage& m) {
        EXPECT_EQ(std::string(m.what()), "Decryption Error!, operation aborted");
        EXPECT_EQ(m.kind(), UserMessage::ErrorBox);
    }
    EXPECT_EQ(snapshotOf(home.home()), before);
}

// ---- key files -----------------------------------------------------------------------

TEST_F(Limits, AKeyFileOfManyMegabytesIsRefusedUnread)
{
    const std::string path = home.file("huge.akf");
    writeSparse(path, std::string(kPublicKeyBeginMarker) + "\r\n", off_t(3) << 30); // 3 GiB
    TPublicKey pub;
    pub.Passphrase = SecureString(FixedProtectionPassphrase());
    EXPECT_EQ(errorOf([&] { pub.LoadFromFile(path); }), "File too large");
    TPrivateKey priv;
    priv.Passphrase = SecureString(std::string(kAlicePassphrase));
    EXPECT_EQ(errorOf([&] { priv.LoadFromFile(path); }), "File too large");

    // Importing it reads only its first line to tell its kind, then fails to load.
    EXPECT_EQ(KeyType(path), kKeyTypePublic);
    ring->Close();
    KeyManager m(home.home());
    m.Open();
    const std::string db = readFile(home.file("ZerathKeys.db"));
    EXPECT_EQ(errorOf([&] { m.ImportKey(path, {}); }), keymsg::ImportFailed);
    m.Close();
    EXPECT_EQ(readFile(home.file("ZerathKeys.db")), db);

    // Just above the limit is refused, the limit itself is read.
    writeFile(path, std::string(kMaxKeyFileBytes + 1, '#'));
    EXPECT_EQ(errorOf([&] { pub.LoadFromFile(path); }), "File too large");
    writeFile(path, std::string(kMaxKeyFileBytes, '#'));
    EXPECT_EQ(errorOf([&] { pub.LoadFromFile(path); }), "RSA Key decryption Error. Corrupted key file!");
}

TEST_F(Limits, AKeyFileBodyThatInflatesWithoutEndIsRefused)
{
    // A correctly enciphered body of 8 MiB (a few kilobytes on disk).
    const std::string body(8u << 20, 'A');
    const std::string armour = SealKeyBody(body, FixedProtectionPassphrase());
    const std::string path = home.file("bomb.akf");
    writeFile(path, FormatKeyFile(kPublicKeyBeginMarker, kPublicKeyEndMarker, armour));
    EXPECT_LT(readFile(path).size(), kMaxKeyFileBytes);
    TPublicKey pub;
    pub.Passphrase = SecureString(FixedProtectionPassphrase());
    EXPECT_EQ(errorOf([&] { pub.LoadFromFile(path); }), "RSA Key decryption Error. Corrupted key file!");
}

// ---- key ring ---------------------------------------------------------------------------

TEST_F(Limits, AKeyRingAboveSixteenMebibytesIsRefused)
{
    ring->Close();
    const std::string db = home.file("ZerathKeys.db");
    writeSparse(db, readFile(db), off_t(TFixedFormatDataSet::kMaxFileSize) + 1);
    KeyRing big(home.home());
    EXPECT_EQ(errorOf([&] { big.DBOpen(); }), "File too large");
    EXPECT_FALSE(big.Active());
}

TEST_F(Limits, AKeyRingLineOfUnboundedLengthIsRefusedOrCut)
{
    ring->Close();
    const std::string db = home.file("ZerathKeys.db");
    const std::string keys = readFile(db);
    // Every field is as wide as the longest line: ten fields of 4 MiB exceed the
    // record width limit, so the table is refused rather than built.
    writeFile(db, keys + std::string(4u << 20, 'x') + "\r\n");
    {
        KeyRing wide(home.home());
        EXPECT_EQ(errorOf([&] { wide.DBOpen(); }), "Record too wide");
        EXPECT_FALSE(wide.Active());
    }
    // A line of 2 MiB opens; its values come back cut to their declared sizes.
    std::string line = "Pub|" + std::string(1u << 20, 'U') + "|ID|2048|date|" + std::string(1u << 20, 'E');
    writeFile(db, keys + line + "\r\n");
    KeyRing ok(home.home());
    ok.DBOpen();
    ASSERT_EQ(ok.RowCount(), 3);
    const KeyRecord r = ok.RecordAt(2);
    EXPECT_EQ(r.UserID, std::string(73, 'U'));
    EXPECT_EQ(r.ExponentE, std::string(750, 'E'));
    EXPECT_TRUE(ok.SearchDB("KeyID", kAlicePrivateId));
}

// ---- decompression ---------------------------------------------------------------------

std::int64_t peakRssKb()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0) return std::stoll(line.substr(6));
    return -1;
}

bool resetPeakRss()
{
    std::ofstream clear("/proc/self/clear_refs");
    clear << "5";
    clear.flush();
    return static_cast<bool>(clear);
}

constexpr std::uint64_t kBombSize = 48u << 20; // 48 MiB of zeros

TEST_F(Limits, AZlibBombIsDecryptedInPiecesInBoundedMemory)
{
    const std::string path = zlibBomb(home.file("bomb.bin.enc"), kBombSize);
    const std::uint64_t onDisk = readFile(path).size();
    EXPECT_LT(onDisk * 100, kBombSize) << "the file inflates to more than a hundred times its size";

    // The measure works here when touching 32 MiB shows in it.
    bool measured = resetPeakRss();
    if (measured) {
        const std::int64_t start = peakRssKb();
        std::vector<char> probe(32u << 20);
        for (std::size_t i = 0; i < probe.size(); i += 4096) probe[i] = static_cast<char>(i);
        measured = peakRssKb() - start >= 30 * 1024 && probe[4096] == static_cast<char>(4096);
    }
    if (measured) resetPeakRss();
    const std::int64_t before = peakRssKb();
    ScriptedUi ui;
    const auto result = DecryptFile(*ring, DecryptOptions{kAlicePrivateId, path}, ui);
    const std::int64_t after = peakRssKb();
    EXPECT_EQ(fileSize(result.outputPath), static_cast<std::int64_t>(kBombSize));
    std::cout << "[ limits   ] " << (measured ? "" : "(not measurable here) ") << "peak memory grew by " << (after - before) << " KiB decrypting " << (kBombSize >> 20)
              << " MiB from a file of " << onDisk << " bytes\n";
    if (measured && before > 0) {
        // Holding the output whole would add 48 MiB; streaming adds the buffers.
        EXPECT_LT(after - before, 16 * 1024) << "peak memory grew by " << (after - before) << " KiB";
    }
    removeFile(result.outputPath);
}

TEST_F(Limits, AZlibBombThatFillsTheDiskLeavesTheOldOutputAndNoTemporary)
{
    const std::string path = zlibBomb(home.file("bomb.bin.enc"), kBombSize);
    writeFile(home.file("bomb.bin"), "the previous output");
    const Snapshot before = snapshotOf(home.home());
    FaultPlan plan;
    plan.failAfterBytes = 8 << 20; // the disk fills after 8 MiB
    ScriptedUi ui;
    std::string message;
    std::int64_t written = 0;
    {
        FaultGuard guard(plan);
        message = errorOf([&] { DecryptFile(*ring, DecryptOptions{kAlicePrivateId, path}, ui); });
        written = FaultInjection::bytesWritten();
    }
    EXPECT_EQ(message, kDecryptError);
    // The output was being written while the stream was still inflating.
    EXPECT_EQ(written, 8 << 20);
    EXPECT_EQ(snapshotOf(home.home()), before);
}

} // namespace
} // namespace zerath::test
