#include <iostream>

#include "CliArgs.h"
#include "CliKeys.h"
#include "Command.h"
#include "Passphrase.h"

namespace zerath::cli {
namespace {

int passwd(const std::string& home, const std::vector<std::string>& args)
{
    CliArgs a(args, {"--passphrase-file", "--new-passphrase-file"}, {});
    a.expectPositional(1, 1);
    const PassphraseSource current(a, "--passphrase-file");
    const PassphraseSource next(a, "--new-passphrase-file");
    current.require();
    next.require();
    if (a.value("--passphrase-file") == "-" && a.value("--new-passphrase-file") == "-" && !current.fromTerminal())
        throw UsageError{"only one passphrase can come from standard input"};
    KeyManager manager(home);
    openAtKey(manager, a.positional()[0], KeyArgumentUse::KeyPairById);
    const SecureString oldPass = current.read("Current passphrase: ");
    const PassphraseSource::NewPassphrase newPass = next.readNew();
    const UserMessage done = manager.ChangePassphrase(oldPass, newPass.passphrase, newPass.confirmation);
    manager.Close();
    std::cout << done.what() << "\n";
    return 0;
}

const CommandRegistration registration({"passwd",
                                        "usage: zerath-cli passwd KEYID [--passphrase-file OLD] "
                                        "[--new-passphrase-file NEW]\n"
                                        "Changes the passphrase of a key pair in the key ring.\n",
                                        passwd});

} // namespace
} // namespace zerath::cli
