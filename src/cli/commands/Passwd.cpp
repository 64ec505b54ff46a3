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
    const std::string oldFile = a.required("--passphrase-file");
    const std::string newFile = a.required("--new-passphrase-file");
    if (oldFile == "-" && newFile == "-") throw UsageError{"only one passphrase can come from standard input"};
    const SecureString oldPass = readPassphrase(oldFile);
    const SecureString newPass = readPassphrase(newFile);
    KeyManager manager(home);
    openAtKey(manager, a.positional()[0]);
    const UserMessage done = manager.ChangePassphrase(oldPass, newPass, newPass);
    manager.Close();
    std::cout << done.what() << "\n";
    return 0;
}

const CommandRegistration registration({"passwd",
                                        "usage: zerath-cli passwd KEYID --passphrase-file OLD "
                                        "--new-passphrase-file NEW\n"
                                        "Changes the passphrase of a key pair in the key ring.\n",
                                        passwd});

} // namespace
} // namespace zerath::cli
