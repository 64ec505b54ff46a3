// Several files in one go, the key pair found from a file's check value, and
// cancelling a command midway.
#include <gtest/gtest.h>

#include "KeyRingFixture.h"
#include "TestHelpers.h"
#include "TestUi.h"
#include "common/Cancelled.h"
#include "filecrypt/BatchCommands.h"
#include "keyring/KeyRing.h"

namespace zerath::test {
namespace {

using A = FileCommandUi::Answer;

// Alice's public key and key pair, or her public key alone; with a twin, a
// second pair record with her numbers (a check-value collision).
struct AliceRing {
    KeyRingFixture keys;
    KeyRing ring{keys.home()};
    std::string pairId = keys.idOf(TestKey::AlicePair);

    explicit AliceRing(bool withPair = true, bool twin = false)
        : keys(withPair ? std::vector<TestKey>{TestKey::AlicePublic, TestKey::AlicePair}
                        : std::vector<TestKey>{TestKey::AlicePublic})
    {
        ring.DBOpen(KeyRing::MissingFile::Create);
        if (!twin) return;
        KeyRecord copy = ring.Rows().back();
        copy.KeyID = "7A1B2C3D";
        ring.InsertNewRecord(copy);
    }
    EncryptOptions to(const std::string& source = std::string()) const
    {
        EncryptOptions o;
        o.keyId = pairId;
        o.sourcePath = source;
        return o;
    }
};

struct ScriptUi : ScriptedUi {
    std::vector<A> overwrites;
    std::vector<std::string> prompts, offered;
    int pick = -1, cancelAfter = -1, checks = 0;

    A askOverwriteInBatch(const std::string& text) override
    {
        questions.push_back(text);
        const A a = overwrites.at(0);
        overwrites.erase(overwrites.begin());
        return a;
    }
    bool askPassphraseFor(const std::string&, const std::string& prompt, SecureString& out) override
    {
        prompts.push_back(prompt);
        return askPassphrase(out);
    }
    int chooseKeyPair(const std::vector<KeyChoice>& choices) override
    {
        for (const KeyChoice& c : choices) offered.push_back(c.keyId);
        return pick;
    }
    bool cancelRequested() override { return cancelAfter >= 0 && checks++ >= cancelAfter; }
};

std::string bulk(std::size_t n)
{
    std::string s(n, '\0');
    std::uint32_t x = 12345;
    for (char& c : s) c = char((x = x * 1103515245u + 12345u) >> 23);
    return s;
}

TEST(Batch, AFailureStopsOnlyItsOwnFileAndEachKeyPairIsAskedForOnce)
{
    AliceRing keys;
    TempDir work;
    const std::vector<std::string> plain{work.file("README"), work.file("missing"), work.file("b.bin")};
    writeFile(plain[0], "first file");
    writeFile(plain[2], bulk(40000));
    ScriptUi ui;
    ui.wipeAnswer = A::Yes;
    EncryptOptions o = keys.to();
    o.wipeOriginal = true;
    o.shredFile = [](const std::string& p) { std::remove(p.c_str()); };
    const BatchResult enc = EncryptFiles(keys.ring, o, plain, ui);
    EXPECT_EQ(enc.failures(), 1);
    EXPECT_EQ(enc.files.at(1).message, "File to encrypt does not exists or the name is empty.");
    EXPECT_EQ(ui.questions.size(), 1u); // the wipe question, once

    const BatchResult dec = DecryptFiles(keys.ring, "", {plain[0] + ".enc", plain[1] + ".enc", plain[2] + ".enc"}, ui);
    EXPECT_EQ(dec.failures(), 1);
    EXPECT_EQ(dec.files.at(1).message, "File to decrypt does not exists or the name is empty.");
    EXPECT_EQ(readFile(plain[0]), "first file");
    EXPECT_EQ(readFile(plain[2]), bulk(40000));
    EXPECT_EQ(ui.prompts, std::vector<std::string>{"Passphrase for Alice Example <alice@example.org> (" +
                                                   keys.pairId + "):"});
}

TEST(Batch, OverwriteAnswersForAllHoldForTheRestOfTheBatch)
{
    const struct {
        std::vector<A> answers;
        std::string replaced;
    } cases[] = {{{A::NoToAll}, "---"}, {{A::YesToAll}, "+++"}, {{A::No, A::YesToAll}, "-++"},
                 {{A::Yes, A::No, A::Yes}, "+-+"}};
    AliceRing keys;
    for (const auto& c : cases) {
        TempDir work;
        std::vector<std::string> files{work.file("a"), work.file("b"), work.file("c")};
        for (const auto& f : files) writeFile(f, ""), writeFile(f + ".enc", "old");
        ScriptUi ui;
        ui.overwrites = c.answers;
        EncryptFiles(keys.ring, keys.to(), files, ui);
        EXPECT_TRUE(ui.overwrites.empty());
        std::string replaced;
        for (const auto& f : files) replaced += readFile(f + ".enc") == "old" ? '-' : '+';
        EXPECT_EQ(replaced, c.replaced);
    }
}

TEST(Cancel, LeavesTheSourceAndNoOutputOrTemporaryAndABatchKeepsWhatIsDone)
{
    AliceRing keys;
    TempDir work;
    const std::string src = work.file("big.bin");
    writeFile(src, bulk(3 << 20));
    ScriptUi ui;
    ASSERT_TRUE(EncryptFile(keys.ring, keys.to(src), ui).done);
    const std::string enc = readFile(src + ".enc");
    std::remove(src.c_str());
    for (int after : {1, 4}) {
        ui.checks = 0;
        ui.cancelAfter = after;
        EXPECT_EQ(errorOf<UserMessage>([&] { DecryptFile(keys.ring, {keys.pairId, src + ".enc"}, ui); }),
                  OperationCancelled::kText);
        EXPECT_EQ(folderNames(work.path()), std::vector<std::string>{"big.bin.enc"});
        EXPECT_EQ(readFile(src + ".enc"), enc);
    }
    std::rename((src + ".enc").c_str(), work.file("a.enc").c_str());
    writeFile(work.file("a"), "small");
    writeFile(src, bulk(3 << 20));
    ui.checks = 0;
    ui.cancelAfter = 6; // more checks than the small file takes
    ui.overwrites = {A::Yes};
    const BatchResult r = EncryptFiles(keys.ring, keys.to(), {work.file("a"), src, work.file("c")}, ui);
    EXPECT_TRUE(r.cancelled);
    ASSERT_EQ(r.files.size(), 2u);
    EXPECT_EQ(r.files[1].message, OperationCancelled::kText);
    EXPECT_EQ(folderNames(work.path()), (std::vector<std::string>{"a", "a.enc", "big.bin"}));
    EXPECT_EQ(readFile(src), bulk(3 << 20));
}

TEST(KeyMatch, OnlyOwnKeyPairsCountAndACollisionIsTheUsersPick)
{
    TempDir work;
    const std::string src = work.file("s.txt");
    {
        AliceRing keys;
        writeFile(src, "secret");
        ScriptUi ui;
        ASSERT_TRUE(EncryptFile(keys.ring, keys.to(src), ui).done);
        std::remove(src.c_str());
        AliceRing publicOnly(false); // nothing found: the message stays as it was
        EXPECT_EQ(errorOf<UserMessage>([&] { DecryptFile(publicOnly.ring, {"", src + ".enc"}, ui); }),
                  "No Private key selected. Double click on private key.");
    }
    AliceRing keys(true, true);
    ScriptUi ui;
    EXPECT_FALSE(DecryptFile(keys.ring, {"", src + ".enc"}, ui).done);
    EXPECT_EQ(ui.offered, (std::vector<std::string>{keys.pairId, "7A1B2C3D"}));
    EXPECT_EQ(folderNames(work.path()), std::vector<std::string>{"s.txt.enc"});
    ui.pick = 1;
    EXPECT_TRUE(DecryptFile(keys.ring, {"", src + ".enc"}, ui).done);
    EXPECT_EQ(keys.ring.FieldAsString("KeyID"), "7A1B2C3D"); // the pick is selected
    EXPECT_EQ(readFile(src), "secret");
    std::remove(src.c_str());
    ui.offered.clear();
    EXPECT_TRUE(DecryptFile(keys.ring, {keys.pairId, src + ".enc"}, ui).done); // the selected pair opens it
    EXPECT_TRUE(ui.offered.empty());
}

} // namespace
} // namespace zerath::test
