// A file that appears at the output's name while a command runs is replaced
// only when the user says so when asked then.
#include <gtest/gtest.h>

#include "FileCommandFixture.h"
#include "TestHelpers.h"

using namespace zerath;
using namespace zerath::test;

namespace {

// Creates the output file at the first progress step.
class PlantingUi : public RecordingUi {
public:
    std::string plantAt;
    void setProgressFraction(double f) override
    {
        if (!plantAt.empty()) writeFile(std::exchange(plantAt, std::string()), "planted");
        RecordingUi::setProgressFraction(f);
    }
};

} // namespace

TEST(OutputRace, AFileCreatedAtTheOutputNameDuringACommandIsReplacedOnlyOnYes)
{
    KeyRingWithPair& keys = sharedKeyRing();
    KeyRing ring(keys.home.path());
    ring.DBOpen();
    for (const bool decrypt : {false, true}) {
        for (const bool yes : {false, true}) {
            TempDir work;
            writeFile(work.file("doc"), "the document");
            PlantingUi ui;
            ui.overwrite = yes;
            EncryptOptions e{keys.publicId, work.file("doc")};
            if (decrypt) {
                ASSERT_TRUE(EncryptFile(ring, e, ui).done);
                ::unlink(work.file("doc").c_str());
            }
            ui.plantAt = decrypt ? work.file("doc") : work.file("doc.enc");
            const std::string output = ui.plantAt;
            const FileCommandResult r =
                decrypt ? DecryptFile(ring, {keys.privateId, work.file("doc.enc")}, ui) : EncryptFile(ring, e, ui);
            EXPECT_EQ(r.done, yes);
            EXPECT_EQ(ui.questions.back(), overwriteQuestion(output));
            EXPECT_EQ(readFile(output) == "planted", !yes) << decrypt;
            EXPECT_EQ(folderNames(work.path()), (std::vector<std::string>{"doc", "doc.enc"}));
        }
    }
}
