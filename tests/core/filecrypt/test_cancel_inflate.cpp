// A small file that inflates to hundreds of megabytes: while one piece is
// inflated the windows go on painting, and Cancel stops the inflating itself.
#include <gtest/gtest.h>
#include <unistd.h>

#include "KeyRingFixture.h"
#include "TestHelpers.h"
#include "TestUi.h"
#include "common/Cancelled.h"
#include "common/FileIO.h"
#include "filecrypt/FileCommands.h"
#include "keyring/KeyRing.h"

namespace zerath::test {
namespace {

constexpr std::int64_t kZeros = 256ll << 20;

// Cancels at the first pump once output is written, and notes how much.
struct CancelOnOutputUi : ScriptedUi {
    std::int64_t writtenAtCancel = 0;
    bool cancelRequested() override
    {
        if (writtenAtCancel == 0) writtenAtCancel = FaultInjection::bytesWritten();
        return writtenAtCancel > 0;
    }
};

TEST(CancelInflating, APumpCallComesWhileOnePieceInflatesAndCancelStopsItMidway)
{
    KeyRingFixture fixture;
    KeyRing ring(fixture.home());
    ring.DBOpen(KeyRing::MissingFile::Create);
    TempDir work;
    const std::string zeros = work.file("zeros");
    writeFile(zeros, "");
    ASSERT_EQ(::truncate(zeros.c_str(), kZeros), 0);
    ScriptedUi quiet;
    EncryptOptions o;
    o.keyId = fixture.idOf(TestKey::AlicePair);
    o.sourcePath = zeros;
    o.compressionIndex = 3;
    ASSERT_TRUE(EncryptFile(ring, o, quiet).done);
    ASSERT_LT(fileSize(zeros + ".enc"), 1 << 20); // one piece of the pipeline
    std::remove(zeros.c_str());

    FaultInjection::set({1ll << 40}); // counts what is written, fails nothing
    CancelOnOutputUi ui;
    const std::string message =
        errorOf<OperationCancelled>([&] { DecryptFile(ring, {o.keyId, zeros + ".enc"}, ui); });
    FaultInjection::clear();
    EXPECT_EQ(message, OperationCancelled::kText);
    // Without a pump while the stage inflates, the first one comes after all of it.
    EXPECT_GT(ui.writtenAtCancel, 0);
    EXPECT_LT(ui.writtenAtCancel, kZeros * 3 / 4);
    EXPECT_EQ(folderNames(work.path()), std::vector<std::string>{"zeros.enc"});
}

} // namespace
} // namespace zerath::test
