// A small file that inflates to hundreds of megabytes: while one piece is
// inflated the windows go on painting, and Cancel stops the inflating itself.
#include <gtest/gtest.h>
#include <unistd.h>

#include "FileRig.h"
#include "TestHelpers.h"
#include "common/Cancelled.h"
#include "common/FileIO.h"

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
    FileRig rig;
    const std::string zeros = rig.work.file("zeros");
    writeFile(zeros, "");
    ASSERT_EQ(::truncate(zeros.c_str(), kZeros), 0);
    ASSERT_TRUE(EncryptFile(rig.ring, rig.to(zeros, 0, 3), rig.ui).done);
    ASSERT_LT(fileSize(zeros + ".enc"), 1 << 20); // one piece of the pipeline
    std::remove(zeros.c_str());

    FaultInjection::set({1ll << 40}); // counts what is written, fails nothing
    CancelOnOutputUi ui;
    const std::string message =
        errorOf<OperationCancelled>([&] { DecryptFile(rig.ring, {rig.pair, zeros + ".enc"}, ui); });
    FaultInjection::clear();
    EXPECT_EQ(message, OperationCancelled::kText);
    // Without a pump while the stage inflates, the first one comes after all of it.
    EXPECT_GT(ui.writtenAtCancel, 0);
    EXPECT_LT(ui.writtenAtCancel, kZeros * 3 / 4);
    EXPECT_EQ(folderNames(rig.work.path()), std::vector<std::string>{"zeros.enc"});
}

} // namespace
} // namespace zerath::test
