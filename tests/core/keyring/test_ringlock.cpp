// Two writers of one key ring: neither loses what the other wrote meanwhile, and
// a key ring that is a symbolic link stays one.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "TempDir.h"
#include "keyring/KeyRing.h"

using namespace zerath;
using namespace zerath::test;

TEST(RingLock, AWriterKeepsAKeyInsertedMeanwhileAndALinkStaysALink)
{
    const auto record = [](const char* id) { return KeyRecord{"Pub", "Owner", id, "2048", "", "E", {}, "N", "", ""}; };
    for (const bool linked : {false, true}) {
        TempDir home, elsewhere;
        KeyRing first(home.path()), second(home.path());
        if (linked) ::symlink(elsewhere.file("real.db").c_str(), first.Path().c_str());
        first.DBOpen();
        first.InsertNewRecord(record("AAAA0001"));
        first.InsertNewRecord(record("BBBB0002"));
        first.DeleteCurrent(); // the record just inserted
        ASSERT_TRUE(first.SearchDB("KeyID", "AAAA0001"));
        first.UpdateExponentD("D1");
        second.DBOpen(); // another process, writing before the first one closes
        second.InsertNewRecord(record("CCCC0003"));
        first.Close();

        second.DBOpen();
        std::string ids;
        for (const KeyRecord& r : second.Rows()) ids += r.KeyID + "=" + std::string(r.ExponentD.view()) + " ";
        EXPECT_EQ(ids, "AAAA0001=D1 CCCC0003= ") << linked;
        EXPECT_EQ(std::filesystem::is_symlink(first.Path()), linked);
    }
}
