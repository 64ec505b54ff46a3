#include "CliArgs.h"
#include "CliFileUi.h"
#include "Command.h"
#include "settings/Settings.h"

namespace zerath::cli {
namespace {

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
    NoProgress progress;
    TShredder shredder([passes] { return passes; }, progress, nullPump());
    for (const std::string& file : a.positional()) shredder.ShredFile(file);
    return 0;
}

const CommandRegistration registration(
    {"shred", "usage: zerath-cli shred [--passes N] [--quiet] FILE...\nWipes and deletes each FILE with N passes (4..10); --quiet is accepted for scripts\nshared with encrypt.\n", shred});

} // namespace
} // namespace zerath::cli
