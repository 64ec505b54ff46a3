#include "CliArgs.h"
#include "CliKeys.h"
#include "Command.h"
#include "Passphrase.h"

namespace zerath::cli {
namespace {

int exportPrivate(const std::string& home, const std::vector<std::string>& args)
{
    CliArgs a(args, {"--passphrase-file", "--output"}, {"--force"});
    const std::string target = exportTarget(a);
    const PassphraseSource source(a, "--passphrase-file");
    source.require();
    KeyManager manager(home);
    openAtKey(manager, a.positional()[0], KeyArgumentUse::KeyPairById);
    exportInto(target, a.has("--force"), [&](const SavePathPrompt& to) {
        manager.ExportPrivateKey([](const UserMessage&) { return true; },
                                 [&](SecureString& out) {
                                     out = source.read("Passphrase: ");
                                     return true;
                                 },
                                 to);
    });
    manager.Close();
    return 0;
}

const CommandRegistration registration(
    {"export-private",
     "usage: zerath-cli export-private [--force] KEYID FILE [--passphrase-file F]\n"
     "       zerath-cli export-private [--force] -o FILE KEYID [--passphrase-file F]\n"
     "Writes the key pair's private key file under its passphrase; FILE - (or -o -,\n"
     "--output) writes standard output; --force replaces an existing FILE.\n",
     exportPrivate});

} // namespace
} // namespace zerath::cli
