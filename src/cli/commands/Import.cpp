#include <iostream>

#include "CliArgs.h"
#include "CliKeys.h"
#include "Command.h"
#include "Passphrase.h"

namespace zerath::cli {
namespace {

int import(const std::string& home, const std::vector<std::string>& args)
{
    CliArgs a(args, {"--passphrase-file"}, {});
    a.expectPositional(1, 1);
    const PassphraseSource source(a, "--passphrase-file");
    KeyManager manager(home);
    openKeyManager(manager);
    const auto id = manager.ImportKey(a.positional()[0], [&](SecureString& out) {
        if (!source.available()) return false;
        out = source.read("Passphrase: ");
        return true;
    });
    manager.Close();
    if (!id) throw UsageError{"a private key file needs --passphrase-file"};
    std::cout << *id << "\n";
    return 0;
}

const CommandRegistration registration({"import",
                                        "usage: zerath-cli import FILE [--passphrase-file F]\n"
                                        "Imports a key file into the key ring (a private key file needs its "
                                        "passphrase);\n"
                                        "prints the new key ID.\n",
                                        import});

} // namespace
} // namespace zerath::cli
