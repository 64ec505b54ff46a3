#include "CliArgs.h"
#include "CliFileUi.h"
#include "Command.h"
#include "settings/Settings.h"

namespace zerath::cli {
namespace {

int shred(const std::string& home, const std::vector<std::string>& args)
{
    CliArgs a(args, {"--passes"}, {});
    if (a.positional().empty()) throw UsageError{"missing argument"};
    const Settings settings(home);
    const int passes = a.has("--passes") ? parseInt(a.value("--passes"), "pass count") : settings.shredCount();
    NoProgress progress;
    TShredder shredder([passes] { return passes; }, progress, nullPump());
    for (const std::string& file : a.positional()) shredder.ShredFile(file);
    return 0;
}

const CommandRegistration registration(
    {"shred", "usage: zerath-cli shred [--passes N] FILE...\nWipes and deletes each FILE.\n", shred});

} // namespace
} // namespace zerath::cli
