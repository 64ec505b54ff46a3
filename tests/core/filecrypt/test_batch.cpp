// Several files in one go, the key pair found from a file's check value, and
// a batch cancelled midway.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <thread>

#include "FileOracle.h"
#include "FileRig.h"
#include "TestHelpers.h"
#include "common/Cancelled.h"
#include "common/FileIO.h"
#include "filecrypt/BatchCommands.h"
#include "filecrypt/BatchSummary.h"
#include "filecrypt/PieceStage.h"
#include "filecrypt/SessionKey.h"
#include "filecrypt/SideBySide.h"
#include "keyring/KeyRing.h"

namespace zerath::test {
namespace {

using A = FileCommandUi::Answer;

// Alice's keys (or her public key alone), files encrypted to her pair; with a
// twin, a second pair record with her numbers: a check-value collision.
struct AliceRing : FileRig {
    explicit AliceRing(const std::vector<TestKey>& keys = {TestKey::AlicePublic, TestKey::AlicePair}, bool twin = false)
        : FileRig(keys)
    {
        recipient = pair;
        if (!twin) return;
        KeyRecord copy = ring.Rows().back();
        copy.KeyID = "7A1B2C3D";
        ring.InsertNewRecord(copy);
    }
};

struct ScriptUi : ScriptedUi {
    std::vector<A> overwrites; // answered in turn
    std::vector<std::string> prompts, offered, typed; // typed: the passphrases typed in turn
    int pick = -1, cancelAfter = 1 << 30, checks = 0;

    A askOverwriteInBatch(const std::string&) override { return overwrites.at(asked++); }
    bool askPassphraseFor(const std::string&, const std::string& prompt, SecureString& out) override
    {
        prompts.push_back(prompt);
        if (!typed.empty()) passphrase = typed.at(prompts.size() - 1);
        return askPassphrase(out);
    }
    int chooseKeyPair(const std::vector<KeyChoice>& choices) override
    {
        for (const KeyChoice& c : choices) offered.push_back(c.keyId);
        return pick;
    }
    bool cancelRequested() override { return checks++ >= cancelAfter; }
    std::size_t asked = 0;
};

TEST(Batch, AFailureStopsOnlyItsOwnFileAndEachKeyPairIsAskedForOnce)
{
    AliceRing keys;
    TempDir work;
    const std::vector<std::string> plain{work.file("README"), work.file("missing"), work.file("b.bin")};
    writeFile(plain[0], "first file");
    writeFile(plain[2], std::string(40000, 'b'));
    ScriptUi ui;
    ui.wipeAnswer = A::Yes;
    EncryptOptions o = keys.to();
    o.wipeOriginal = true;
    o.shredFile = [](const std::string& p) { std::remove(p.c_str()); };
    const BatchResult enc = EncryptFiles(keys.ring, o, plain, ui);
    EXPECT_EQ(enc.files.at(1).message, "File to encrypt does not exists or the name is empty.");
    EXPECT_EQ(ui.questions.size(), 1u); // the wipe question, once

    const BatchResult dec = DecryptFiles(keys.ring, "", {plain[0] + ".enc", plain[1] + ".enc", plain[2] + ".enc"}, ui);
    EXPECT_EQ(enc.failures() + dec.failures(), 2);
    EXPECT_EQ(readFile(plain[0]) + readFile(plain[2]), "first file" + std::string(40000, 'b'));
    EXPECT_EQ(ui.prompts, std::vector<std::string>{"Passphrase for Alice Example <alice@example.org> (" +
                                                   keys.pair + "):"});
}

TEST(Batch, OverwriteAnswersForAllHoldForTheRestAndACancelKeepsWhatIsDone)
{
    const struct {
        std::vector<A> answers;
        std::string replaced;
    } cases[] = {{{A::NoToAll}, "---"}, {{A::YesToAll}, "+++"}, {{A::No, A::YesToAll}, "-++"},
                 {{A::Yes, A::No, A::Yes}, "+-+"}};
    AliceRing keys;
    for (const auto& c : cases) {
        TempDir work;
        const std::vector<std::string> files{work.file("a"), work.file("b"), work.file("c")};
        for (const auto& f : files) writeFile(f, ""), writeFile(f + ".enc", "old");
        ScriptUi ui;
        ui.overwrites = c.answers;
        EncryptFiles(keys.ring, keys.to(), files, ui);
        std::string replaced;
        for (const auto& f : files) replaced += readFile(f + ".enc") == "old" ? '-' : '+';
        EXPECT_EQ(replaced, c.replaced);
    }
    TempDir work;
    writeFile(work.file("a"), "small");
    writeFile(work.file("b"), std::string(3 << 20, 'b'));
    ScriptUi ui;
    ui.cancelAfter = 6; // more checks than the small file takes
    const BatchResult r = EncryptFiles(keys.ring, keys.to(), {work.file("a"), work.file("b"), work.file("c")}, ui);
    EXPECT_TRUE(r.cancelled);
    EXPECT_EQ(r.files.at(1).message, OperationCancelled::kText);
    EXPECT_EQ(folderNames(work.path()), (std::vector<std::string>{"a", "a.enc", "b"}));
}

TEST(Batch, AMistypedPassphraseIsAskedAgainThreeTimesThenThePairIsGivenUp)
{
    AliceRing keys;
    TempDir work;
    const std::vector<std::string> plain{work.file("a"), work.file("b")};
    ScriptUi quiet;
    for (const auto& f : plain) writeFile(f, f), EncryptFile(keys.ring, keys.to(f), quiet), std::remove(f.c_str());
    const std::vector<std::string> enc{plain[0] + ".enc", plain[1] + ".enc"};
    ScriptUi second;
    second.typed = {"wrong", kAlicePassphrase};
    EXPECT_EQ(DecryptFiles(keys.ring, "", enc, second).failures(), 0);
    EXPECT_EQ(second.questions.size(), 2u);
    EXPECT_EQ(readFile(plain[1]), plain[1]);

    for (const auto& f : plain) std::remove(f.c_str());
    ScriptUi never;
    never.typed = {"one", "two", "three", "four"};
    const BatchResult r = DecryptFiles(keys.ring, "", enc, never);
    EXPECT_EQ(never.questions.size(), 3u);
    EXPECT_EQ(r.files.at(0).message, kWrongPassphrase);
    EXPECT_EQ(r.files.at(1).message, kGivenUp);
    EXPECT_EQ(folderNames(work.path()), (std::vector<std::string>{"a.enc", "b.enc"}));
}

TEST(Batch, WhatWasNotDoneIsSaidInWordsAndEveryOtherFileIsDone)
{
    AliceRing keys;
    TempDir work;
    const std::vector<std::string> files{work.file("a"), work.file("b"), work.file("c"), work.file("d")};
    for (const auto& f : files) writeFile(f, f);
    writeFile(work.file("b.enc"), "old");
    ::chmod(files[2].c_str(), 0);
    ::chmod(work.path().c_str(), 0777);
    ScriptUi ui;
    ui.overwrites = {A::No};
    // Root reads any file: the batch runs as nobody for the unreadable one to show.
    ASSERT_EQ(::seteuid(geteuid() == 0 ? 65534 : geteuid()), 0);
    const BatchResult r = EncryptFiles(keys.ring, keys.to(), files, ui);
    ASSERT_EQ(::seteuid(0) == 0 || getuid() != 0, true);
    EXPECT_EQ(r.files.at(1).message, "kept the existing b.enc");
    EXPECT_EQ(r.files.at(2).message, "cannot be read: permission denied");
    EXPECT_EQ(r.failures(), 2);
    EXPECT_EQ(readFile(work.file("b.enc")), "old");
    EXPECT_EQ(folderNames(work.path()), (std::vector<std::string>{"a", "a.enc", "b", "b.enc", "c", "d", "d.enc"}));
}

TEST(BatchSummary, ReasonsGroupInOrderAndTheSavedTextNamesEveryFile)
{
    using O = BatchFileResult::Outcome;
    BatchResult r{{{"/t/a", O::Done, "/t/a.enc", ""}, {"/t/b", O::Failed, "", "cannot be read: permission denied"}},
                  {{"/t/l", kSkipLink}}, 1500};
    for (int i = 0; i < 1200; ++i) r.files.push_back({"/t/r" + std::to_string(i), O::Refused, "", "kept the existing x"});
    r.files.push_back({"/t/c", O::Failed, "", "cannot be read: permission denied"});
    const std::string report = BatchReport(r, false);
    EXPECT_EQ(report.substr(0, 123), "Encrypted 1 of 1,500 files. 1 skipped.\n\ncannot be read: permission denied (2):\n"
                                     "  /t/b\n  /t/c\n\nkept the existing x (1,200):\n");
    EXPECT_NE(report.find("  /t/r1199\n\nskipped: symbolic link, not followed (1):\n  /t/l\n"), std::string::npos);
    EXPECT_EQ(report.substr(report.size() - 25), "Done:\n  /t/a -> /t/a.enc\n");
}

TEST(KeyMatch, OnlyOwnKeyPairsCountAndACollisionIsTheUsersPick)
{
    TempDir work;
    const std::string src = work.file("s.txt"), enc = src + ".enc";
    ScriptUi ui;
    {
        AliceRing keys;
        writeFile(src, "secret");
        ASSERT_TRUE(EncryptFile(keys.ring, keys.to(src), ui).done);
        std::remove(src.c_str());
        AliceRing publicOnly({TestKey::AlicePublic}); // nothing found: the message stays as it was
        EXPECT_EQ(errorOf<UserMessage>([&] { DecryptFile(publicOnly.ring, {"", enc}, ui); }),
                  "No Private key selected. Double click on private key.");
    }
    AliceRing keys({TestKey::AlicePublic, TestKey::AlicePair}, true);
    EXPECT_FALSE(DecryptFile(keys.ring, {"", enc}, ui).done);
    EXPECT_EQ(ui.offered, (std::vector<std::string>{keys.pair, "7A1B2C3D"}));
    EXPECT_EQ(folderNames(work.path()), std::vector<std::string>{"s.txt.enc"});
    ui.pick = 1;
    EXPECT_TRUE(DecryptFile(keys.ring, {"", enc}, ui).done);
    EXPECT_EQ(keys.ring.FieldAsString("KeyID"), "7A1B2C3D"); // the pick is selected
    std::remove(src.c_str());
    EXPECT_TRUE(DecryptFile(keys.ring, {keys.pair, enc}, ui).done); // the selected pair opens it
    EXPECT_EQ(ui.offered.size(), 4u);                                 // with no choice offered
}

// The buffers of a large file serve the small one after it: what the small
// file's output holds is its own bytes and nothing more, on both roads.
TEST(Batch, ASmallFileAfterALargeOneHoldsNoByteOfIt)
{
    AliceRing keys;
    TempDir work;
    const std::string large = mixedText(3 << 20, 1), small = "small file";
    writeFile(work.file("large"), large);
    writeFile(work.file("small"), small);
    ScriptUi ui;
    ASSERT_EQ(EncryptFiles(keys.ring, keys.to(), {work.file("large"), work.file("small")}, ui).failures(), 0);
    const OpenedFile opened = openWithOracle(readFile(work.file("small.enc")),
                                             clearKeyOf(keys.keys.home(), keys.pair, kAlicePassphrase));
    const std::string zlib(opened.zlib.begin(), opened.zlib.end());
    EXPECT_LT(zlib.size(), small.size() + 16);
    EXPECT_EQ(inflateWithCryptopp(zlib), small);

    for (const char* name : {"large", "small"}) std::remove(work.file(name).c_str());
    const BatchResult dec = DecryptFiles(keys.ring, "", {work.file("large.enc"), work.file("small.enc")}, ui);
    ASSERT_EQ(dec.failures(), 0);
    EXPECT_EQ(readFile(work.file("small")), small);
    EXPECT_TRUE(readFile(work.file("large")) == large);
}

// A batch opens its recipient once, and each batch anew (the key ring may have
// been read again); every file still gets its own session key and vector.
TEST(Batch, TheRecipientIsOpenedOncePerBatchAndEachFileHasItsOwnKey)
{
    AliceRing keys;
    std::vector<std::string> files;
    for (const char* name : {"a", "b", "c"}) files.push_back(keys.work.file(name)), writeFile(files.back(), name);
    ScriptUi ui;
    ui.overwrites = {A::YesToAll};
    const ClearKey clear = clearKeyOf(keys.keys.home(), keys.pair, kAlicePassphrase);
    for (int batch = 0, before = RecipientKey::made(); batch < 2; ++batch, ++before) {
        ASSERT_EQ(EncryptFiles(keys.ring, keys.to(), files, ui).failures(), 0);
        EXPECT_EQ(RecipientKey::made(), before + 1);
        std::set<std::string> wrapped;
        for (const std::string& f : files) {
            const OpenedFile opened = openWithOracle(readFile(f + ".enc"), clear);
            EXPECT_EQ(inflateWithCryptopp(std::string(opened.zlib.begin(), opened.zlib.end())), baseNameOf(f));
            wrapped.insert(opened.wrappedKey), wrapped.insert(toHex(opened.iv));
        }
        EXPECT_EQ(wrapped.size(), 2 * files.size());
    }
}

// A folder flush the batch put off to its end and that fails makes the batch
// fail, in words with the system's reason (zerath-cli's tests: the folder).
TEST(Batch, AFolderFlushThatFailsAtTheBatchsEndIsTheBatchsFailure)
{
    AliceRing keys;
    writeFile(keys.work.file("a"), "a");
    FaultGuard guard(FaultPlan{.failOnFolderSync = 0});
    const BatchResult r = EncryptFiles(keys.ring, keys.to(), {keys.work.file("a")}, keys.ui);
    ASSERT_EQ(r.failures(), 1);
    EXPECT_EQ(NotDoneByReason(r).at(0).reason, std::string(kFolderNotFlushed) + ": Input/output error");
}

// The batch's buffers serve file after file: one given back is the same
// memory when taken again, for a piece large or small, and holds no byte of
// what any piece before wrote in it.
TEST(Batch, ABufferGivenBackHoldsNoByteOfItsFile)
{
    PieceStock stock;
    Piece piece = stock.take(1 << 16);
    const std::uint8_t* at = piece.data();
    for (std::size_t size : {std::size_t(100), std::size_t(1) << 16, std::size_t(5000)}) {
        std::memset(piece.data(), 0xA5, piece.capacity());
        stock.give(std::move(piece));
        piece = stock.take(size);
        ASSERT_EQ(piece.data(), at);
        EXPECT_EQ(piece.capacity(), size);
        EXPECT_EQ(std::count(piece.bytes.begin(), piece.bytes.end(), 0), 1 << 16);
    }
}

// Under a process limit (threads that fail to start, as std::thread does) a
// batch of small and multi-piece files runs with the threads it has, or none.
TEST(Batch, ThreadsThatCannotStartAreNoFailure)
{
    AliceRing keys;
    // The batch's flusher takes up to 8 threads first; past those the workers
    // of small files, then the stages and the compressor's workers get some or none.
    for (int allowed : {0, 1, 9, 10}) {
        TempDir work;
        const std::vector<std::string> contents{"tiny", mixedText(5000, 2) + std::string(3 << 20, 't'), ""};
        std::vector<std::string> files, encrypted;
        for (std::size_t i = 0; i < contents.size(); ++i) {
            files.push_back(work.file("f" + std::to_string(i)));
            encrypted.push_back(files.back() + ".enc");
            writeFile(files.back(), contents[i]);
        }
        FaultPlan plan;
        plan.threadStarts = allowed;
        FaultInjection::set(plan);
        ScriptUi ui;
        const int encFailures = EncryptFiles(keys.ring, keys.to(), files, ui).failures();
        for (const std::string& f : files) std::remove(f.c_str());
        FaultInjection::set(plan);
        const int decFailures = DecryptFiles(keys.ring, "", encrypted, ui).failures();
        FaultInjection::clear();
        EXPECT_EQ(encFailures + decFailures, 0) << allowed;
        for (std::size_t i = 0; i < files.size(); ++i) EXPECT_TRUE(readFile(files[i]) == contents[i]) << allowed;
    }
}

// Small files worked on side by side and flushed side by side: results and
// commits (renames, counted in turn) keep the batch's order, and a file
// missing or damaged, or whose flush or rename fails, stops only itself and
// leaves nothing. Flushes are counted as they run: the failing one is any file's.
TEST(Batch, SideBySideFilesKeepTheirOrderAndAFailureStopsOnlyItsOwn)
{
    constexpr std::size_t kAny = 99;
    const struct {
        bool decrypt;
        std::size_t broken;
        int renameFails, syncFails;
        std::size_t failing; // the file whose rename or flush fails
    } cases[] = {{false, 4, 6, -1, 7}, {true, 2, 0, -1, 0}, {true, 9, 9, -1, 10}, {false, 0, 10, -1, 11},
                 {false, 3, -1, 0, kAny}, {true, 11, -1, 4, kAny}};
    AliceRing keys;
    for (const auto& c : cases) {
        TempDir work;
        std::vector<std::string> plain;
        for (unsigned i = 0; i < 12; ++i) {
            plain.push_back(work.file("f" + std::to_string(i + 10)));
            writeFile(plain.back(), mixedText(3000 + 900 * i, i));
        }
        ScriptUi ui;
        std::vector<std::string> inputs = plain;
        if (c.decrypt) {
            ASSERT_EQ(EncryptFiles(keys.ring, keys.to(), plain, ui).failures(), 0);
            for (auto& f : inputs) std::remove(f.c_str()), f += ".enc";
            std::string bytes = readFile(inputs[c.broken]);
            bytes[bytes.size() - 20] ^= 0x55;
            writeFile(inputs[c.broken], bytes);
        } else {
            std::remove(plain[c.broken].c_str());
        }
        FaultPlan plan;
        plan.failOnRename = c.renameFails, plan.failOnSync = c.syncFails;
        FaultInjection::set(plan);
        const BatchResult r =
            c.decrypt ? DecryptFiles(keys.ring, "", inputs, ui) : EncryptFiles(keys.ring, keys.to(), inputs, ui);
        FaultInjection::clear();
        ASSERT_EQ(r.files.size(), inputs.size());
        std::string failed;
        for (unsigned i = 0; i < 12; ++i) {
            const bool done = r.files[i].outcome == BatchFileResult::Outcome::Done;
            failed += done ? '.' : 'x';
            EXPECT_EQ(r.files[i].path, inputs[i]);
            EXPECT_EQ(fileExists(c.decrypt ? plain[i] : plain[i] + ".enc"), done) << i;
            if (done && c.decrypt) EXPECT_TRUE(readFile(plain[i]) == mixedText(3000 + 900 * i, i)) << i;
        }
        std::string expected(12, '.'), others = failed;
        others[c.broken] = '.';
        const std::size_t failing = c.failing == kAny ? std::min<std::size_t>(others.find('x'), 11) : c.failing;
        expected[c.broken] = expected[failing] = 'x';
        EXPECT_EQ(failed, expected);
        EXPECT_EQ(r.files[failing].message, c.decrypt ? kDecryptError : kEncryptError);
        EXPECT_EQ(folderNames(work.path()).size(), 12u - !c.decrypt + 10u); // no temporary left
    }
}

// A cancel while files are decrypted side by side: each file reported done
// has its whole output; no other output and no temporary is left.
TEST(Batch, ACancelAmongSideBySideFilesRemovesOnlyUnfinishedOutputs)
{
    AliceRing keys;
    for (int cancelAfter : {0, 2, 5}) {
        TempDir work;
        std::vector<std::string> plain, enc, left;
        for (unsigned i = 0; i < 10; ++i) {
            plain.push_back(work.file("f" + std::to_string(i)));
            writeFile(plain.back(), mixedText(300000, i));
            left.push_back("f" + std::to_string(i) + ".enc");
        }
        ScriptUi ui;
        ASSERT_EQ(EncryptFiles(keys.ring, keys.to(), plain, ui).failures(), 0);
        for (const auto& f : plain) std::remove(f.c_str()), enc.push_back(f + ".enc");
        ui.checks = 0, ui.cancelAfter = cancelAfter;
        const BatchResult r = DecryptFiles(keys.ring, "", enc, ui);
        EXPECT_TRUE(r.cancelled);
        for (std::size_t i = 0; i < r.files.size(); ++i) {
            if (r.files[i].outcome != BatchFileResult::Outcome::Done) continue;
            left.push_back(baseNameOf(plain[i]));
            EXPECT_TRUE(readFile(plain[i]) == mixedText(300000, unsigned(i)));
        }
        EXPECT_LT(left.size(), 20u);
        std::sort(left.begin(), left.end());
        EXPECT_EQ(folderNames(work.path()), left) << cancelAfter;
    }
}

// Jobs handed over run at once (each waits for the other to start) and come
// back in order; one handed after a cancel never runs.
TEST(Batch, SideBySideJobsRunAtOnce)
{
    static std::atomic<int> arrived{0};
    struct Meeting : FileJob {
        FileCommandResult run(FileCommandUi&) override
        {
            ++arrived;
            for (int i = 0; i < 1000 && arrived < 2; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(5));
            return {arrived >= 2, "", -1, ""};
        }
    };
    arrived = 0;
    SideBySide side(2);
    ASSERT_EQ(side.workers(), 2u);
    const auto a = side.hand(std::make_unique<Meeting>()), b = side.hand(std::make_unique<Meeting>());
    ScriptUi ui;
    EXPECT_TRUE(side.take(*a, ui, {}).done && side.take(*b, ui, {}).done);
    side.cancel();
    const auto c = side.hand(std::make_unique<Meeting>());
    EXPECT_THROW(side.take(*c, ui, {}), OperationCancelled);
    EXPECT_EQ(arrived, 2);
}

} // namespace
} // namespace zerath::test
