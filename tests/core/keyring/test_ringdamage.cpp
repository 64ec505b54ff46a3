// A key ring the table cannot read whole is opened read-only and never written
// back smaller; a lock held by another program ends the wait with a message.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "KeyRingFixture.h"
#include "TestHelpers.h"
#include "common/FileLock.h"
#include "common/Warnings.h"
#include "keyring/KeyRing.h"
#include "keyring/KeyRingText.h"
#include "settings/Settings.h"

using namespace zerath;
using namespace zerath::test;

namespace {

const std::string kLineA = KeyRingLine(sampleRecord("AAAA0001", "Owner", "dd")), kLineB = KeyRingLine(sampleRecord("BBBB0002"));

TEST(RingDamage, ADamagedRingIsReadOnlyAndKeepsEveryByte)
{
    TempDir d;
    std::vector<std::string> warnings;
    SetWarningSink([&](const std::string& t) { warnings.push_back(t); });
    // One NUL inside the first record: the table sees only its start, and a
    // rewrite from what it read would lose the second key.
    const std::string damaged = "Pub|Own" + std::string(1, '\0') + "er|CCCC0003\r\n" + kLineA + "\r\n" + kLineB + "\r\n";
    writeFile(d.file("ZerathKeys.db"), damaged);
    KeyRing ring(d.path());
    ring.DBOpen();
    ASSERT_EQ(ring.DamagedLine().value_or(0), 1u);
    const std::string text = ring.DamageText();
    EXPECT_TRUE(text.find("line 1 is damaged") != std::string::npos && warnings == std::vector<std::string>{text});
    EXPECT_EQ(ring.RecordCount(), 1); // what the table reads stays usable

    EXPECT_EQ(errorOf<UserMessage>([&] { ring.InsertNewRecord(sampleRecord("DDDD0004")); }), text);
    ring.DBOpen();
    EXPECT_EQ(errorOf<UserMessage>([&] { ring.DeleteCurrent(); }), text);
    EXPECT_EQ(errorOf<UserMessage>([&] { ring.UpdateExponentD("x"); }), text);
    ring.Close();
    EXPECT_EQ(readFile(ring.Path()), damaged);

    // Damaged after it was opened whole: the writer reads it again and refuses.
    writeFile(ring.Path(), kLineA + "\r\n");
    ring.DBOpen();
    writeFile(ring.Path(), damaged);
    EXPECT_NE(errorOf<UserMessage>([&] { ring.InsertNewRecord(sampleRecord("DDDD0004")); }).find("line 1"), std::string::npos);
    EXPECT_EQ(readFile(ring.Path()), damaged);
    SetWarningSink(nullptr);
}

TEST(RingDamage, ALockHeldTooLongSaysSo)
{
    TempDir d;
    FileLock::SetWaitLimit(std::chrono::milliseconds(100));
    KeyRing ring(d.path());
    ring.DBOpen();
    Settings settings(d.path());
    {
        const FileLock ringHeld(ring.Path()), settingsHeld(settings.path(), lockmsg::SettingsBusy);
        EXPECT_EQ(errorOf<ELockBusy>([&] { ring.InsertNewRecord(sampleRecord("AAAA0001")); }), lockmsg::KeyRingBusy);
        EXPECT_EQ(errorOf<ELockBusy>([&] { settings.SaveOptions(1, 4); }), lockmsg::SettingsBusy);
    }
    FileLock::SetWaitLimit(std::chrono::milliseconds(0));
}

} // namespace
