#include "CliArgs.h"
#include "CliKeys.h"
#include "Command.h"

namespace zerath::cli {
namespace {

int exportPublic(const std::string& home, const std::vector<std::string>& args)
{
    // --passphrase-file is accepted and unused, so scripts shared with export-private run.
    CliArgs a(args, {"--passphrase-file", "--output"}, {"--force"});
    const std::string target = exportTarget(a);
    KeyManager manager(home);
    openAtKey(manager, a.positional()[0], KeyArgumentUse::AnyKey);
    exportInto(target, a.has("--force"), [&](const SavePathPrompt& to) { manager.ExportPublicKey(to); });
    manager.Close();
    return 0;
}

const CommandRegistration registration(
    {"export-public",
     "usage: zerath-cli export-public [--force] KEY FILE\n"
     "       zerath-cli export-public [--force] -o FILE KEY\n"
     "Writes the key's public key file; FILE - (or -o -, --output) writes standard output;\n"
     "--force replaces an existing FILE.\n",
     exportPublic});

} // namespace
} // namespace zerath::cli
