#include "CliArgs.h"
#include "CliFileUi.h"
#include "Command.h"
#include "Progress.h"
#include "common/FileIO.h"
#include "settings/Settings.h"

namespace zerath::cli {
namespace {

// The progress line of a run over several files: the share is the bytes
// overwritten over every pass of every file.
class LineProgress : public WipeProgress {
public:
    explicit LineProgress(bool quiet) : line_(quiet) {}
    // The next file begins once `before` of the run's `total` bytes are written.
    void next(const std::string& name, std::uint64_t before, std::uint64_t total)
    {
        before_ = before;
        line_.start(name, total);
    }
    void setMax(int) override {}
    void setPosition(int) override {}
    void setBytesWritten(std::uint64_t bytes) override { line_.update(before_ + bytes); }

private:
    ProgressLine line_;
    std::uint64_t before_ = 0;
};

// The bytes the passes write over a file: whole blocks, every pass.
std::uint64_t wipeBytes(const std::string& file, int passes)
{
    const std::int64_t size = fileSize(file);
    return size < 0 ? 0 : TShredder::BlocksFor(size) * TShredder::kBlockSize * static_cast<std::uint64_t>(passes);
}

int shred(const std::string& home, const std::vector<std::string>& args)
{
    CliArgs a(args, {"--passes"}, {"--quiet"});
    if (a.positional().empty()) throw UsageError{"missing argument"};
    const Settings settings(home);
    int passes = settings.shredCount();
    if (a.has("--passes")) {
        passes = parseInt(a.value("--passes"), "pass count");
        if (passes < Settings::kMinPasses || passes > Settings::kMaxPasses) throw UsageError{"the pass count is 4..10"};
    }
    // As the options counter holds a count: 4, 6, 8 or 10.
    passes = Settings::ClampPassCount(passes);
    std::vector<std::uint64_t> bytes;
    std::uint64_t total = 0;
    for (const std::string& file : a.positional()) total += bytes.emplace_back(wipeBytes(file, passes));
    LineProgress progress(a.has("--quiet"));
    TShredder shredder([passes] { return passes; }, progress, nullPump());
    std::uint64_t done = 0;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        progress.next(a.positional()[i], done, total);
        shredder.ShredFile(a.positional()[i]);
        done += bytes[i];
    }
    return 0;
}

const CommandRegistration registration(
    {"shred", "usage: zerath-cli shred [--passes N] [--quiet] FILE...\nWipes and deletes each FILE with N passes (4..10). On a terminal a line on standard error\nshows the progress of long work; --quiet hides it.\n", shred});

} // namespace
} // namespace zerath::cli
