// A key ring the table cannot read whole is opened read-only and never written
// back smaller; every writer refuses a text that would not read back as the
// records it meant; a lock held by another program ends the wait with a message.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "TempDir.h"
#include "TestHelpers.h"
#include "common/FileLock.h"
#include "common/Warnings.h"
#include "keyring/KeyRing.h"
#include "keyring/KeyRingText.h"
#include "settings/Settings.h"

using namespace zerath;
using namespace zerath::test;

namespace {

KeyRecord rec(const std::string& id, const std::string& d = "")
{
    return {d.empty() ? "Pub" : "Pub/Priv", "Owner " + id, id, "2048", "01/02/2024", "E" + id, SecureString(d),
            "N" + id, "FP" + id, "CRC" + id};
}

const std::string kLineA = KeyRingLine(rec("AAAA0001", "dd")), kLineB = KeyRingLine(rec("BBBB0002"));

TEST(RingDamage, TheFirstLineThatDoesNotReadWholeIsNamed)
{
    const struct {
        std::string content;
        std::size_t line; // 0: every line reads whole
    } rows[] = {
        {kLineA + "\r\n" + kLineB + "\r\n", 0},
        {kLineA + "|\r\n\r\n" + kLineB, 0},                                   // a last delimiter, a blank line
        {kLineA + "\r\nPub|Own" + std::string(1, '\0') + "er|BBBB0002\r\n", 2}, // the table stops at the NUL
        {kLineA + "\r\nPub| Owner|BBBB0002\r\n", 2},                          // a leading blank is skipped
        {"Pub|\"Eve|AAAA0001\"|x\r\n", 1},                                    // a quote swallows a field
        {"Pub|\x01Owner|AAAA0001\r\n", 1},
        {kLineA + "|" + "extra\r\n", 1},                                      // an eleventh item is dropped
        {"Pub|" + std::string(74, 'o') + "|AAAA0001\r\n", 1},                 // beyond the declared size
        {"Pub|" + std::string(73, 'o') + "|AAAA0001\r\n", 0},
        {kLineB + "\nPub|x|y||\n\r" + kLineA + "\r\n", 0},
    };
    for (const auto& r : rows) EXPECT_EQ(FirstDamagedLine(r.content).value_or(0), r.line) << r.content;
}

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
    EXPECT_NE(text.find("line 1 is damaged"), std::string::npos);
    EXPECT_EQ(warnings, std::vector<std::string>{text});
    EXPECT_EQ(ring.RecordCount(), 1); // what the table reads stays usable

    EXPECT_EQ(errorOf<UserMessage>([&] { ring.InsertNewRecord(rec("DDDD0004")); }), text);
    ring.DBOpen();
    EXPECT_EQ(errorOf<UserMessage>([&] { ring.DeleteCurrent(); }), text);
    EXPECT_EQ(errorOf<UserMessage>([&] { ring.UpdateExponentD("x"); }), text);
    ring.Close();
    EXPECT_EQ(readFile(ring.Path()), damaged);

    // Damaged after it was opened whole: the writer reads it again and refuses.
    writeFile(ring.Path(), kLineA + "\r\n");
    ring.DBOpen();
    ASSERT_TRUE(ring.SearchDB("KeyID", "AAAA0001"));
    ring.DeleteCurrent();
    writeFile(ring.Path(), damaged);
    const std::string refusal = errorOf<UserMessage>([&] { ring.Close(); });
    EXPECT_EQ(refusal, ring.DamageText());
    EXPECT_EQ(readFile(ring.Path()), damaged);
    SetWarningSink(nullptr);
}

TEST(RingDamage, WritersRefuseATextThatWouldNotReadBackAsMeant)
{
    TempDir d;
    KeyRing ring(d.path());
    writeFile(ring.Path(), kLineA + "\r\n" + kLineB + "\r\n");
    ::chmod(ring.Path().c_str(), 0644);
    ring.DBOpen();
    ring.InsertNewRecord(rec("CCCC0003"));
    EXPECT_EQ(modeOf(ring.Path()), 0600u); // owner-only after an insert too
    const std::string before = readFile(ring.Path());

    for (const std::string& owner : {std::string(74, 'o'), std::string(" Eve")}) {
        KeyRecord r = rec("EEEE0005");
        r.UserID = owner;
        EXPECT_EQ(errorOf<UserMessage>([&] { ring.InsertNewRecord(r); }), KeyRing::kInsertFailedText);
    }
    for (const std::string& exponent : {std::string(751, 'd'), std::string(" d"), std::string("d|e")}) {
        KeyRing editor(d.path());
        editor.DBOpen();
        ASSERT_TRUE(editor.SearchDB("KeyID", "AAAA0001"));
        editor.UpdateExponentD(exponent);
        EXPECT_NE(errorOf([&] { editor.Close(); }), kNoError) << exponent;
        EXPECT_EQ(readFile(ring.Path()), before) << exponent;
    }
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
        EXPECT_EQ(errorOf<ELockBusy>([&] { ring.InsertNewRecord(rec("AAAA0001")); }), lockmsg::KeyRingBusy);
        EXPECT_EQ(errorOf<ELockBusy>([&] { settings.SaveOptions(1, 4); }), lockmsg::SettingsBusy);
    }
    EXPECT_EQ(readFile(ring.Path()), "");
    ring.InsertNewRecord(rec("AAAA0001")); // free again
    FileLock::SetWaitLimit(std::chrono::milliseconds(0));
}

} // namespace
