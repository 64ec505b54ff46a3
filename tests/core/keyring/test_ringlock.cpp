// Two writers of one key ring: neither loses what the other wrote meanwhile, a
// key ring that is a symbolic link stays one, and one key imported at once by
// several processes enters once.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <set>

#include "KeyRingFixture.h"
#include "TempDir.h"
#include "keyring/KeyManager.h"
#include "keyring/KeyRing.h"

using namespace zerath;
using namespace zerath::test;

TEST(RingLock, AWriterKeepsAKeyInsertedMeanwhileAndALinkStaysALink)
{
    for (const bool linked : {false, true}) {
        TempDir home, elsewhere;
        KeyRing first(home.path()), second(home.path());
        if (linked) ::symlink(elsewhere.file("real.db").c_str(), first.Path().c_str());
        first.DBOpen();
        first.InsertNewRecord(sampleRecord("AAAA0001"));
        first.InsertNewRecord(sampleRecord("BBBB0002"));
        first.DeleteCurrent(); // the record just inserted
        ASSERT_TRUE(first.SearchDB("KeyID", "AAAA0001"));
        first.UpdateExponentD("D1");
        second.DBOpen(); // another process, writing before the first one closes
        second.InsertNewRecord(sampleRecord("CCCC0003"));
        first.Close();

        second.DBOpen();
        std::string ids;
        for (const KeyRecord& r : second.Rows()) ids += r.KeyID + "=" + std::string(r.ExponentD.view()) + " ";
        EXPECT_EQ(ids, "AAAA0001=D1 CCCC0003= ") << linked;
        EXPECT_EQ(std::filesystem::is_symlink(first.Path()), linked);
    }
}

// Eight processes that all read the key ring before any of them writes import
// one file: the duplicate check runs on the file under the lock, so one adds
// the key and seven are told it is there.
TEST(RingLock, EightConcurrentImportsOfOneFileLeaveOneRow)
{
    KeyRingFixture f({TestKey::AlicePublic});
    const std::string before = f.ringText();
    int ready[2], go[2];
    ASSERT_EQ(::pipe(ready), 0);
    ASSERT_EQ(::pipe(go), 0);
    std::vector<pid_t> children;
    for (int i = 0; i < 8; ++i) {
        const pid_t pid = ::fork();
        if (pid == 0) {
            int code = 3;
            try {
                KeyManager m(f.home());
                m.Open();
                char c = 'r';
                if (::write(ready[1], &c, 1) != 1 || ::read(go[0], &c, 1) != 1) ::_exit(4);
                code = m.ImportKey(keyFileOf(TestKey::BobPublic), {}) ? 0 : 2;
                m.Close();
            } catch (const UserMessage& e) {
                code = std::string(e.what()) == keymsg::DuplicateKey("CF8922D8") ? 1 : 2;
            } catch (...) {
            }
            ::_exit(code);
        }
        children.push_back(pid);
    }
    char c;
    for (int i = 0; i < 8; ++i) ASSERT_EQ(::read(ready[0], &c, 1), 1);
    ASSERT_EQ(::write(go[1], "gggggggg", 8), 8);
    std::multiset<int> codes;
    for (const pid_t pid : children) {
        int status = 0;
        ::waitpid(pid, &status, 0);
        codes.insert(WIFEXITED(status) ? WEXITSTATUS(status) : -1);
    }
    EXPECT_EQ(codes, (std::multiset<int>{0, 1, 1, 1, 1, 1, 1, 1}));
    const std::vector<std::string> lines = SplitKeyRingLines(f.ringText());
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], SplitKeyRingLines(before)[0]);
}
