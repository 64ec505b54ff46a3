#include "CliArgs.h"
#include "CliKeys.h"
#include "Command.h"

namespace zerath::cli {
namespace {

int exportPublic(const std::string& home, const std::vector<std::string>& args)
{
    // --passphrase-file is accepted and unused, so scripts shared with export-private run.
    CliArgs a(args, {"--passphrase-file"}, {"--force"});
    a.expectPositional(2, 2);
    KeyManager manager(home);
    openAtKey(manager, a.positional()[0], KeyArgumentUse::AnyKey);
    manager.ExportPublicKey(exportTo(a.positional()[1], a.has("--force")));
    manager.Close();
    return 0;
}

const CommandRegistration registration(
    {"export-public",
     "usage: zerath-cli export-public [--force] KEY FILE\n"
     "Writes the key's public key file; --force replaces an existing FILE.\n",
     exportPublic});

} // namespace
} // namespace zerath::cli
