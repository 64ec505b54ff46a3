// A file that appears at the output's name while a command runs survives it
// unless the user agrees to replace it when asked then.
#include <gtest/gtest.h>
#include <unistd.h>

#include "KeyRingFixture.h"
#include "TestHelpers.h"
#include "TestUi.h"
#include "filecrypt/FileCommands.h"
#include "keyring/KeyRing.h"

using namespace zerath;
using namespace zerath::test;

TEST(OutputRace, AFileCreatedAtTheOutputNameDuringACommandSurvivesIt)
{
    KeyRingFixture keys;
    KeyRing ring(keys.home());
    ring.DBOpen();
    TempDir work;
    ScriptedUi ui;
    ui.overwrite = false;
    writeFile(work.file("a"), "the document");
    writeFile(work.file("b"), "the document");
    ASSERT_TRUE(EncryptFile(ring, {keys.idOf(TestKey::AlicePublic), work.file("a")}, ui).done);
    ::unlink(work.file("a").c_str());
    const auto plantAt = [&](const std::string& name) {
        ui.counter.hook = [path = work.file(name)] { if (!fileExists(path)) writeFile(path, "planted"); };
    };

    plantAt("b.enc");
    EXPECT_FALSE(EncryptFile(ring, {keys.idOf(TestKey::AlicePublic), work.file("b")}, ui).done);
    plantAt("a");
    EXPECT_FALSE(DecryptFile(ring, {keys.idOf(TestKey::AlicePair), work.file("a.enc")}, ui).done);
    EXPECT_EQ(readFile(work.file("b.enc")), "planted");
    EXPECT_EQ(readFile(work.file("a")), "planted");
    EXPECT_EQ(ui.questions, (std::vector<std::string>{overwriteQuestion(work.file("b.enc")), "passphrase",
                                                      overwriteQuestion(work.file("a"))}));
    EXPECT_EQ(folderNames(work.path()), (std::vector<std::string>{"a", "a.enc", "b", "b.enc"}));
}
