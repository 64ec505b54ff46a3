// Every write path, failed in every planned way (a full disk after 0 bytes, 1
// byte, half-way and one byte short; each flush to storage; each rename): the
// files that were there stay byte for byte, nothing new is left under a final
// or a temporary name, and the user hears the system's message.
#include <gtest/gtest.h>

#include <functional>
#include <iostream>

#include "FaultSupport.h"
#include "common/Error.h"
#include "filecrypt/FileCommands.h"
#include "keyring/KeyManager.h"
#include "keyring/KeyRing.h"
#include "pubkey/KeyPairGenerator.h"
#include "settings/Settings.h"
#include "shredder/Shredder.h"

namespace zerath::test {
namespace {

struct Outcome {
    bool failed = false;
    std::string message;
    Snapshot after; // the folder right after the failure, before any object is released
};

// Runs op; a failure is recorded with the folder as it is at that moment.
void attempt(const std::string& dir, Outcome& out, const std::function<void()>& op)
{
    try {
        op();
    } catch (const std::exception& e) {
        out.failed = true;
        out.message = e.what();
        out.after = snapshotOf(dir);
    }
}

using Prepare = std::function<void(const std::string& dir)>;
using Run = std::function<void(const std::string& dir, Outcome& out)>;
using Message = std::function<std::string(const FaultCase&, const std::string& dir)>;
// Checks the folder after a failure; the default wants it exactly as before.
using After = std::function<void(const FaultCase&, const Snapshot& before, const Snapshot& after, const std::string& dir)>;

void sameAsBefore(const FaultCase& c, const Snapshot& before, const Snapshot& after, const std::string&)
{
    EXPECT_EQ(before.size(), after.size()) << c.name;
    for (const auto& [name, content] : before) {
        const auto it = after.find(name);
        ASSERT_NE(it, after.end()) << c.name << ": " << name << " is gone";
        EXPECT_TRUE(it->second == content) << c.name << ": " << name << " changed";
    }
    for (const auto& [name, content] : after)
        EXPECT_TRUE(before.count(name)) << c.name << ": " << name << " was left behind";
}

// Fails the path in every planned way; answers how many cases failed it.
int failEveryWay(const Prepare& prepare, const Run& run, const Message& message, const After& after = sameAsBefore,
                 int maxSyncs = 4, int maxRenames = 4)
{
    const std::int64_t total = bytesWrittenBy(prepare, [&](const std::string& dir) {
        Outcome o;
        run(dir, o);
        EXPECT_FALSE(o.failed) << "without faults: " << o.message;
    });
    EXPECT_GT(total, 0);
    int failures = 0;
    for (const FaultCase& c : faultCases(total, maxSyncs, maxRenames)) {
        TempDir dir;
        prepare(dir.path());
        const Snapshot before = snapshotOf(dir.path());
        Outcome o;
        {
            FaultGuard guard(c.plan);
            run(dir.path(), o);
        }
        if (!o.failed) continue; // the path has fewer flushes or renames than tried
        ++failures;
        EXPECT_EQ(o.message, message(c, dir.path())) << c.name;
        after(c, before, o.after, dir.path());
        if (::testing::Test::HasFailure()) break; // one report per path is enough
    }
    std::cout << "[ faults   ] " << ::testing::UnitTest::GetInstance()->current_test_info()->name() << ": "
              << failures << " failures checked (" << total << " bytes when nothing fails)\n";
    return failures;
}

std::string fileError(const FaultCase& c, const std::string&) { return c.expectedFileError; }

const std::string kSourceText = [] {
    std::string s;
    for (int i = 0; i < 20000; ++i) s += "line " + std::to_string(i * 7919 % 10007) + " of the document\n";
    return s;
}();

// ---- key ring -------------------------------------------------------------------

TEST(Faults, ClosingTheKeyRingAfterADeletion)
{
    bool reopened = true;
    const int n = failEveryWay(
        [](const std::string& dir) { makeAliceKeyRing(dir); },
        [&](const std::string& dir, Outcome& out) {
            KeyManager m(dir);
            m.Open();
            m.Ring().First();
            ASSERT_TRUE(m.RemoveCurrentKey([](const UserMessage&) { return true; }));
            attempt(dir, out, [&] { m.Close(); });
            if (!out.failed) return;
            // The table stays open with the deletion pending; a later close writes it.
            reopened = reopened && m.Ring().Active() && m.Ring().RecordCount() == 1;
            FaultInjection::clear();
            m.Close();
            EXPECT_EQ(SplitKeyRingLines(readFile(dir + "ZerathKeys.db")).size(), 1u);
        },
        fileError);
    EXPECT_GE(n, 6);
    EXPECT_TRUE(reopened);
}

TEST(Faults, ClosingTheKeyRingAfterAPassphraseChange)
{
    const int n = failEveryWay(
        [](const std::string& dir) { makeAliceKeyRing(dir); },
        [&](const std::string& dir, Outcome& out) {
            KeyManager m(dir);
            m.Open();
            ASSERT_TRUE(m.Ring().SearchDB("KeyID", kAlicePrivateId));
            m.ChangePassphrase(kAlicePassphrase, "a new passphrase", "a new passphrase");
            attempt(dir, out, [&] { m.Close(); });
        },
        fileError);
    EXPECT_GE(n, 6);
}

TEST(Faults, InsertingARecord)
{
    bool stillOpen = true;
    const int n = failEveryWay(
        [](const std::string& dir) { makeAliceKeyRing(dir, false); },
        [&](const std::string& dir, Outcome& out) {
            KeyManager m(dir);
            m.Open();
            attempt(dir, out, [&] { m.ImportKey(dataPath("keys/alice-public.akf"), {}); });
            if (out.failed) stillOpen = stillOpen && m.Ring().Active() && m.Ring().RecordCount() == 1;
        },
        [](const FaultCase&, const std::string&) { return std::string(KeyRing::kInsertFailedText); });
    EXPECT_GE(n, 6);
    EXPECT_TRUE(stillOpen);
}

// ---- settings ---------------------------------------------------------------------

const char* const kIni = "[Other]\r\nkeep=this\r\n[CompressionLevel]\r\nlevel=2\r\n[FileShredder]\r\nCount=6\r\n";

TEST(Faults, SavingOptions)
{
    const int n = failEveryWay([](const std::string& dir) { writeFile(dir + "zerath.ini", kIni); writeFile(dir + "zerath.ini.lock", ""); },
                               [](const std::string& dir, Outcome& out) {
                                   Settings s(dir);
                                   attempt(dir, out, [&] { s.SaveOptions(3, 10); });
                               },
                               fileError);
    EXPECT_GE(n, 6);
}

TEST(Faults, SavingTheStealthyCipherSetting)
{
    const int n = failEveryWay([](const std::string& dir) { writeFile(dir + "zerath.ini", kIni); writeFile(dir + "zerath.ini.lock", ""); },
                               [](const std::string& dir, Outcome& out) {
                                   Settings s(dir);
                                   attempt(dir, out, [&] { s.SaveStealthyCipher(false); });
                               },
                               fileError);
    EXPECT_GE(n, 6);
}

// ---- file commands -------------------------------------------------------------------

// Options that encrypt the folder's doc.txt for Alice with stored blocks: the
// output is as long as the source.
EncryptOptions docForAlice(const std::string& dir)
{
    EncryptOptions o;
    o.keyId = kAlicePublicId;
    o.sourcePath = dir + "doc.txt";
    o.compressionIndex = 0;
    return o;
}

TEST(Faults, Encrypting)
{
    const int n = failEveryWay(
        [](const std::string& dir) {
            makeAliceKeyRing(dir);
            writeFile(dir + "doc.txt", kSourceText);
            writeFile(dir + "doc.txt.enc", "the previous encrypted file");
        },
        [](const std::string& dir, Outcome& out) {
            KeyRing ring(dir);
            ring.DBOpen();
            YesUi ui;
            EncryptOptions o = docForAlice(dir);
            o.cipherIndex = 3;
            attempt(dir, out, [&] { EncryptFile(ring, o, ui); });
        },
        [](const FaultCase&, const std::string&) { return std::string(kEncryptError); });
    EXPECT_GE(n, 5);
}

TEST(Faults, Decrypting)
{
    const int n = failEveryWay(
        [](const std::string& dir) {
            makeAliceKeyRing(dir);
            writeFile(dir + "doc.txt", kSourceText);
            {
                KeyRing ring(dir);
                ring.DBOpen();
                YesUi ui;
                EncryptFile(ring, docForAlice(dir), ui);
            }
            writeFile(dir + "doc.txt", "the previous decrypted file");
        },
        [](const std::string& dir, Outcome& out) {
            KeyRing ring(dir);
            ring.DBOpen();
            YesUi ui;
            attempt(dir, out, [&] {
                const auto r = DecryptFile(ring, DecryptOptions{kAlicePrivateId, dir + "doc.txt.enc"}, ui);
                EXPECT_EQ(readFile(r.outputPath), kSourceText);
            });
        },
        [](const FaultCase&, const std::string&) { return std::string(kDecryptError); });
    EXPECT_GE(n, 5);
}

// ---- key files ----------------------------------------------------------------------

void prepareExport(const std::string& dir)
{
    makeAliceKeyRing(dir);
    writeFile(dir + "export.akf", "the previous key file");
}

TEST(Faults, ExportingAPublicKey)
{
    const int n = failEveryWay(prepareExport,
                               [](const std::string& dir, Outcome& out) {
                                   KeyManager m(dir);
                                   m.Open();
                                   ASSERT_TRUE(m.Ring().SearchDB("KeyID", kAlicePublicId));
                                   attempt(dir, out, [&] {
                                       m.ExportPublicKey([&](std::string& p) {
                                           p = dir + "export.akf";
                                           return true;
                                       });
                                   });
                               },
                               fileError);
    EXPECT_GE(n, 6);
}

TEST(Faults, ExportingAPrivateKey)
{
    const int n = failEveryWay(prepareExport,
                               [](const std::string& dir, Outcome& out) {
                                   KeyManager m(dir);
                                   m.Open();
                                   ASSERT_TRUE(m.Ring().SearchDB("KeyID", kAlicePrivateId));
                                   attempt(dir, out, [&] {
                                       m.ExportPrivateKey(
                                           [](const UserMessage&) { return true; },
                                           [](SecureString& p) {
                                               p = SecureString(std::string(kAlicePassphrase));
                                               return true;
                                           },
                                           [&](std::string& p) {
                                               p = dir + "export.akf";
                                               return true;
                                           });
                                   });
                               },
                               fileError);
    EXPECT_GE(n, 6);
}

TEST(Faults, GeneratingKeyFiles)
{
    // A small key keeps each of the generations fast; the files are written the
    // same way whatever the key's size. The two files vary in length with the
    // numbers, so a case that happens to fit is simply not counted.
    const int n = failEveryWay([](const std::string& dir) { writeFile(dir + "PrivateOLD.akf", "an older key file"); },
                               [](const std::string& dir, Outcome& out) {
                                   attempt(dir, out, [&] {
                                       GenerateKeyPairFiles(dir, "Fault Owner", "fault passphrase", nullPump(), {}, 384);
                                   });
                               },
                               fileError);
    EXPECT_GE(n, 6);
}

// ---- wiping ---------------------------------------------------------------------------

class NoProgress : public WipeProgress {
public:
    void setMax(int) override {}
    void setPosition(int) override {}
};

TEST(Faults, Wiping)
{
    const std::string secret(5000, 'S');
    const int n = failEveryWay(
        [&](const std::string& dir) { writeFile(dir + "secret.bin", secret); },
        [](const std::string& dir, Outcome& out) {
            NoProgress progress;
            TShredder shredder([] { return 4; }, progress, nullPump());
            attempt(dir, out, [&] { shredder.ShredFile(dir + "secret.bin"); });
        },
        [](const FaultCase& c, const std::string& dir) {
            return c.plan.failOnRename >= 0 ? "Cannot find " + dir + "secret.bin !" : c.expectedFileError;
        },
        [&](const FaultCase& c, const Snapshot& before, const Snapshot& after, const std::string& dir) {
            if (c.plan.failOnRename >= 0) return sameAsBefore(c, before, after, dir); // not moved
            // A failure while overwriting leaves the file, partly overwritten, as
            // "$000000.tmp" (the next wipe in the folder removes it); nothing else.
            ASSERT_EQ(after.size(), 1u) << c.name;
            const auto it = after.find(TShredder::kTempName);
            ASSERT_NE(it, after.end()) << c.name;
            EXPECT_GE(it->second.size(), secret.size()) << c.name;
            if (c.plan.failOnSync >= 0) { // a whole pass was written before its flush failed
                EXPECT_EQ(it->second.find('S'), std::string::npos) << c.name;
            }
        });
    EXPECT_GE(n, 7);
}

} // namespace
} // namespace zerath::test
