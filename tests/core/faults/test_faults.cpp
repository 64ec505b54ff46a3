// Every write path, failed in every planned way (a full disk after 0 bytes, 1
// byte, half-way and one byte short; each flush to storage; each rename): the
// files that were there stay byte for byte, nothing new is left under a final
// or a temporary name, and the user hears the expected message. Without
// faults, every commit's rename is followed by a flush of its folder.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <iostream>

#include "KeyRingFixture.h"
#include "TestHelpers.h"
#include "TestUi.h"
#include "filecrypt/FileCommands.h"
#include "keyring/KeyManager.h"
#include "keyring/KeyRing.h"
#include "pubkey/KeyPairGenerator.h"
#include "settings/Settings.h"
#include "shredder/Shredder.h"

namespace zerath::test {
namespace {

struct FaultCase {
    std::string name;
    FaultPlan plan;
    std::string fileError; // the file layer's text for this failure
};

// The failures to try for a path that writes `total` bytes when nothing fails.
std::vector<FaultCase> faultCases(std::int64_t total)
{
    std::vector<FaultCase> cases;
    std::vector<std::int64_t> sizes{0, 1, total / 2, total - 1};
    sizes.erase(std::unique(sizes.begin(), sizes.end()), sizes.end());
    for (std::int64_t n : sizes) cases.push_back({"after " + std::to_string(n) + " bytes", FaultPlan{n, -1, -1}, "Disk full"});
    for (int i = 0; i < 4; ++i) {
        cases.push_back({"sync " + std::to_string(i), FaultPlan{-1, i, -1}, "I/O error 5"});
        cases.push_back({"rename " + std::to_string(i), FaultPlan{-1, -1, i}, "I/O error 5"});
    }
    return cases;
}

struct Outcome {
    bool failed = false;
    std::string message;
    Snapshot after; // the folder right at the failure, before any object is released
};

void attempt(const std::string& dir, Outcome& out, const std::function<void()>& op)
{
    out.message = errorOf(op);
    out.failed = out.message != kNoError;
    if (out.failed) out.after = snapshotOf(dir);
}

using Run = std::function<void(const std::string& dir, Outcome&)>;
using After = std::function<void(const FaultCase&, const Snapshot& before, const Snapshot& after)>;

struct WritePath {
    std::string name;
    std::vector<TestKey> keys;                        // in the key ring beforehand
    std::function<void(const std::string&)> prepare; // other files beforehand
    Run run;
    std::string message;                             // empty: the file layer's text
    int minFailures;
    After after;                                     // empty: the folder as before
};

void PrintTo(const WritePath& p, std::ostream* os) { *os << p.name; }

void sameAsBefore(const FaultCase& c, const Snapshot& before, const Snapshot& after)
{
    EXPECT_TRUE(before == after) << c.name << ": the folder changed";
}

const std::string kSourceText = [] {
    std::string s;
    for (int i = 0; i < 20000; ++i) s += "line " + std::to_string(i * 7919 % 10007) + " of the document\n";
    return s;
}();
const char* const kIni = "[Other]\r\nkeep=this\r\n[CompressionLevel]\r\nlevel=2\r\n[FileShredder]\r\nCount=6\r\n";

EncryptOptions docFor(const std::string& dir, const std::string& keyId)
{
    EncryptOptions o;
    o.keyId = keyId;
    o.sourcePath = dir + "doc.txt";
    o.compressionIndex = 0; // stored blocks: the output is as long as the source
    o.cipherIndex = 3;
    return o;
}

// The key ring's IDs are fixed by the committed key files.
const std::string kAlicePub = "F2F41F4C", kAlicePair = "3BA042F6";

void encrypting(const std::string& dir, Outcome& out, bool wipe)
{
    KeyRing ring(dir);
    ring.DBOpen();
    ScriptedUi ui;
    ui.wipeAnswer = FileCommandUi::Answer::Yes;
    EncryptOptions o = docFor(dir, kAlicePub);
    o.wipeOriginal = wipe;
    o.shredFile = [](const std::string& p) { removeFile(p); };
    attempt(dir, out, [&] { EncryptFile(ring, o, ui); });
    EXPECT_EQ(ui.shows, ui.hides);
    EXPECT_FALSE(ui.busy);
}

// Alice's public key or key pair exported over an older file.
void exporting(const std::string& dir, Outcome& out, const std::string& id)
{
    KeyManager m(dir);
    m.Open();
    ASSERT_TRUE(m.Ring().SearchDB("KeyID", id));
    const auto choose = [&](std::string& p) { return p = dir + "export.akf", true; };
    attempt(dir, out, [&] {
        if (id == kAlicePub) return (void)m.ExportPublicKey(choose);
        m.ExportPrivateKey([](const UserMessage&) { return true; },
                           [](SecureString& p) { return p = SecureString(std::string(kAlicePassphrase)), true; }, choose);
    });
}
void oldExport(const std::string& dir) { writeFile(dir + "export.akf", "the previous key file"); }
// With the lock file every settings writer leaves beside them.
void oldIni(const std::string& dir) { writeFile(dir + "zerath.ini", kIni); writeFile(dir + "zerath.ini.lock", ""); }

struct NoProgress : WipeProgress {
    void setMax(int) override {}
    void setPosition(int) override {}
};

const std::vector<WritePath> kWritePaths = {
    // Edits (a passphrase change) and deletions are written by the same close.
    {"closing the key ring after a deletion", {TestKey::AlicePublic, TestKey::AlicePair}, {},
     [](const std::string& dir, Outcome& out) {
         KeyManager m(dir);
         m.Open();
         m.Ring().First();
         ASSERT_TRUE(m.RemoveCurrentKey([](const UserMessage&) { return true; }));
         attempt(dir, out, [&] { m.Close(); });
         if (!out.failed) return;
         // The table stays open with the deletion pending; a later close writes it.
         EXPECT_TRUE(m.Ring().Active() && m.Ring().RecordCount() == 1);
         FaultInjection::clear();
         m.Close();
         EXPECT_EQ(SplitKeyRingLines(readFile(dir + "ZerathKeys.db")).size(), 1u);
     },
     "", 6},
    {"inserting a record", {TestKey::AlicePair}, {},
     [](const std::string& dir, Outcome& out) {
         KeyManager m(dir);
         m.Open();
         attempt(dir, out, [&] { m.ImportKey(keyFileOf(TestKey::AlicePublic), {}); });
         if (out.failed) EXPECT_TRUE(m.Ring().Active() && m.Ring().RecordCount() == 1);
     },
     std::string(KeyRing::kInsertFailedText), 6},
    {"saving the options", {}, oldIni,
     [](const std::string& dir, Outcome& out) { attempt(dir, out, [&] { Settings(dir).SaveOptions(3, 10); }); }, "", 6},
    {"encrypting", {TestKey::AlicePublic},
     [](const std::string& dir) {
         writeFile(dir + "doc.txt", kSourceText);
         writeFile(dir + "doc.txt.enc", "the previous encrypted file");
     },
     [](const std::string& dir, Outcome& out) { encrypting(dir, out, false); }, kEncryptError, 5},
    // With "wipe original" on, a failed encryption keeps the source.
    {"encrypting with the original to be wiped", {TestKey::AlicePublic},
     [](const std::string& dir) { writeFile(dir + "doc.txt", kSourceText); },
     [](const std::string& dir, Outcome& out) { encrypting(dir, out, true); }, kEncryptError, 5},
    {"decrypting", {TestKey::AlicePublic, TestKey::AlicePair},
     [](const std::string& dir) {
         KeyRing ring(dir);
         ring.DBOpen();
         ScriptedUi ui;
         writeFile(dir + "doc.txt", kSourceText);
         EncryptFile(ring, docFor(dir, kAlicePub), ui);
         writeFile(dir + "doc.txt", "the previous decrypted file");
     },
     [](const std::string& dir, Outcome& out) {
         KeyRing ring(dir);
         ring.DBOpen();
         ScriptedUi ui;
         attempt(dir, out, [&] {
             const auto r = DecryptFile(ring, DecryptOptions{kAlicePair, dir + "doc.txt.enc"}, ui);
             EXPECT_EQ(readFile(r.outputPath), kSourceText);
         });
     },
     kDecryptError, 5},
    {"exporting a public key", {TestKey::AlicePublic, TestKey::AlicePair}, oldExport,
     [](const std::string& dir, Outcome& out) { exporting(dir, out, kAlicePub); }, "", 6},
    {"exporting a private key", {TestKey::AlicePublic, TestKey::AlicePair}, oldExport,
     [](const std::string& dir, Outcome& out) { exporting(dir, out, kAlicePair); }, "", 6},
    // The two files vary in length with the numbers, so a case that happens to
    // fit is simply not counted.
    {"generating key files", {}, [](const std::string& dir) { writeFile(dir + "PrivateOLD.akf", "an older key file"); },
     [](const std::string& dir, Outcome& out) {
         attempt(dir, out, [&] { GenerateKeyPairFiles(dir, "Fault Owner", "fault passphrase", nullPump(), {}, 1024); });
     },
     "", 6},
    // A failed rename keeps the file as it was ("Cannot find"); a failure while
    // overwriting moves it back to its own name, partly overwritten.
    {"wiping", {}, [](const std::string& dir) { writeFile(dir + "secret.bin", std::string(5000, 'S')); },
     [](const std::string& dir, Outcome& out) {
         NoProgress progress;
         TShredder shredder([] { return 4; }, progress, nullPump());
         attempt(dir, out, [&] { shredder.ShredFile(dir + "secret.bin"); });
         if (out.failed && out.message.rfind("Cannot find ", 0) == 0) out.message = "Cannot find";
     },
     "", 7,
     [](const FaultCase& c, const Snapshot& before, const Snapshot& after) {
         if (c.plan.failOnRename >= 0) return sameAsBefore(c, before, after);
         ASSERT_EQ(after.size(), before.size()) << c.name; // no scratch name left
         const std::string back = after.at("secret.bin");
         EXPECT_GE(back.size(), 5000u) << c.name;
         if (c.plan.failOnSync >= 0) EXPECT_EQ(back.find('S'), std::string::npos) << c.name; // a whole pass written
     }},
};

class Faults : public ::testing::TestWithParam<WritePath> {};

TEST_P(Faults, EveryFailureLeavesTheFilesAsTheyWere)
{
    const WritePath& p = GetParam();
    std::int64_t total = 0;
    {
        KeyRingFixture home(p.keys);
        if (p.prepare) p.prepare(home.home());
        FaultGuard guard(FaultPlan{});
        Outcome o;
        p.run(home.home(), o);
        ASSERT_FALSE(o.failed) << "without faults: " << o.message;
        total = FaultInjection::bytesWritten();
        // A rename is durable only once its folder is flushed.
        if (p.name != "wiping") { EXPECT_EQ(FaultInjection::folderSyncs(), FaultInjection::renames()); }
    }
    ASSERT_GT(total, 0);
    int failures = 0;
    for (const FaultCase& c : faultCases(total)) {
        KeyRingFixture home(p.keys);
        if (p.prepare) p.prepare(home.home());
        const Snapshot before = snapshotOf(home.home());
        Outcome o;
        {
            FaultGuard guard(c.plan);
            p.run(home.home(), o);
        }
        if (!o.failed) continue; // the path has fewer flushes or renames than tried
        ++failures;
        const std::string want = p.message.empty() ? (c.plan.failOnRename >= 0 && p.after ? "Cannot find" : c.fileError)
                                                   : p.message;
        EXPECT_EQ(o.message, want) << c.name;
        (p.after ? p.after : After(sameAsBefore))(c, before, o.after);
        if (::testing::Test::HasFailure()) break; // one report per path is enough
    }
    std::cout << "[ faults   ] " << p.name << ": " << failures << " failures (" << total << " bytes)\n";
    EXPECT_GE(failures, p.minFailures);
}

INSTANTIATE_TEST_SUITE_P(WritePaths, Faults, ::testing::ValuesIn(kWritePaths));

} // namespace
} // namespace zerath::test
