// Limits on hostile inputs: each is refused early, in bounded memory, with the
// message the user would see.
#include <cryptopp/zlib.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include "FileOracle.h"
#include "KeyRingFixture.h"
#include "TestHelpers.h"
#include "TestUi.h"
#include "symcrypto/FieldProtection.h"
#include "filecrypt/FileCommands.h"
#include "filecrypt/SessionKey.h"
#include "keyring/KeyManager.h"
#include "keyring/KeyRing.h"
#include "pubkey/KeyFile.h"
#include "pubkey/PublicKey.h"

namespace zerath::test {
namespace {

// A file of `size` bytes that holds `head` and then a hole: it takes no room on
// disk, but reading it whole would take as long (and as much memory) as its size.
void writeSparse(const std::string& path, const std::string& head, off_t size)
{
    writeFile(path, head);
    ASSERT_EQ(::truncate(path.c_str(), size), 0);
}

struct Limits : ::testing::Test {
    KeyRingFixture home;
    std::string pairId = home.idOf(TestKey::AlicePair), db = home.file("ZerathKeys.db");
    ClearKey clear = clearKeyOf(home.home(), pairId, kAlicePassphrase);
    std::string loadingPublic(const std::string& path) { return errorOf([&] { loadPublicKey(path); }); }
};

TEST_F(Limits, AWrappedKeyLongerThanTheModulusIsRefusedBeforeTheArithmetic)
{
    KeyRing ring(home.home());
    ring.DBOpen();
    ASSERT_TRUE(ring.SearchDB("KeyID", pairId));
    std::uint32_t check = 0;
    SecureString text;
    // The number 1 written longer than the modulus (leading zeros), and the longest text a header holds.
    for (const std::string& wrapped : {std::string(clear.n.size(), '0') + "1", std::string(0xFFFF, 'f')})
        EXPECT_EQ(errorOf([&] { DecryptSymKey(ring.CurrentRecord(), wrapped, kAlicePassphrase, check, text); }),
                  "RSA Decryption Error");
}

TEST_F(Limits, KeyFilesAboveOneMebibyteAreRefusedUnread)
{
    const std::string path = home.file("huge.akf");
    writeSparse(path, std::string(kPublicKeyBeginMarker) + "\r\n", off_t(3) << 30); // 3 GiB
    EXPECT_EQ(loadingPublic(path), "File too large");
    // Importing reads only its first line to tell its kind, then refuses to load it.
    const std::string ring = readFile(db);
    KeyManager m(home.home());
    m.Open();
    EXPECT_EQ(errorOf([&] { m.ImportKey(path, {}); }), "File too large");
    m.Close();
    EXPECT_EQ(readFile(db), ring);

    writeFile(path, std::string(kMaxKeyFileBytes + 1, '#'));
    EXPECT_EQ(loadingPublic(path), "File too large");
    writeFile(path, std::string(kMaxKeyFileBytes, '#'));
    EXPECT_EQ(loadingPublic(path), "RSA Key decryption Error. Corrupted key file!");
    // A correctly enciphered body of 8 MiB, a few kilobytes on disk.
    writeFile(path, FormatKeyFile(kPublicKeyBeginMarker, kPublicKeyEndMarker,
                                  SealKeyBody(std::string(8u << 20, 'A'), FixedProtectionPassphrase())));
    EXPECT_EQ(loadingPublic(path), "RSA Key decryption Error. Corrupted key file!");
}

TEST_F(Limits, KeyRingsTooLargeOrTooWideAreRefused)
{
    const std::string keys = readFile(db);
    writeSparse(db, keys, off_t(TFixedFormatDataSet::kMaxFileSize) + 1);
    EXPECT_EQ(errorOf([&] { KeyRing(home.home()).DBOpen(); }), "File too large");
    // Every field is as wide as the longest line: ten fields of 4 MiB exceed the record width limit.
    writeFile(db, keys + std::string(4u << 20, 'x') + "\r\n");
    EXPECT_EQ(errorOf([&] { KeyRing(home.home()).DBOpen(); }), "Record too wide");
    // Lines of a few MiB open with their values cut: see the table store's tests.
}

TEST_F(Limits, AZlibBombThatFillsTheDiskLeavesTheOldOutputAndNoTemporary)
{
    std::string z; // 48 MiB of zeros in about 50 kB
    CryptoPP::ZlibCompressor deflater(new CryptoPP::StringSink(z), 9);
    const std::string zeros(1 << 20, '\0');
    for (int i = 0; i < 48; ++i) deflater.Put(reinterpret_cast<const CryptoPP::byte*>(zeros.data()), zeros.size());
    deflater.MessageEnd();
    writeFile(home.file("bomb.bin.enc"), sealWithOracle(0, Bytes(32, 0x55), Bytes(16, 1), Bytes(z.begin(), z.end()), clear));
    writeFile(home.file("bomb.bin"), "the previous output");
    const Snapshot before = snapshotOf(home.home());
    ScriptedUi ui;
    FaultGuard guard(FaultPlan{8 << 20, -1, -1}); // the disk fills after 8 MiB
    KeyRing ring(home.home());
    ring.DBOpen();
    EXPECT_EQ(errorOf([&] { DecryptFile(ring, DecryptOptions{pairId, home.file("bomb.bin.enc")}, ui); }), kDecryptError);
    EXPECT_EQ(FaultInjection::bytesWritten(), 8 << 20); // written while the stream was still inflating
    EXPECT_EQ(snapshotOf(home.home()), before);
}

} // namespace
} // namespace zerath::test
