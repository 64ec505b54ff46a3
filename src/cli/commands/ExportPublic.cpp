#include "CliArgs.h"
#include "CliKeys.h"
#include "Command.h"

namespace zerath::cli {
namespace {

int exportPublic(const std::string& home, const std::vector<std::string>& args)
{
    // --passphrase-file is accepted and unused, so scripts shared with export-private run.
    CliArgs a(args, {"--passphrase-file"}, {});
    a.expectPositional(2, 2);
    const std::string target = a.positional()[1];
    KeyManager manager(home);
    openAtKey(manager, a.positional()[0]);
    manager.ExportPublicKey([&](std::string& path) {
        path = target;
        return true;
    });
    manager.Close();
    return 0;
}

const CommandRegistration registration(
    {"export-public", "usage: zerath-cli export-public KEYID FILE\nWrites the key's public key file.\n", exportPublic});

} // namespace
} // namespace zerath::cli
