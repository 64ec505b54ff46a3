#include <unistd.h>

#include <iostream>

#include "CliArgs.h"
#include "CliKeys.h"
#include "Command.h"
#include "TerminalText.h"

namespace zerath::cli {
namespace {

// "Delete the key pair OWNER (KEYID)? ..." answered on the terminal; y or yes
// deletes.
bool askOnTerminal(const KeyRecord& r)
{
    std::cerr << "Delete the key pair " << escapeControls(r.UserID) << " (" << r.KeyID
              << ")? Its private key cannot be recovered. [y/N] " << std::flush;
    std::string answer;
    if (!std::getline(std::cin, answer)) return false;
    return answer == "y" || answer == "Y" || answer == "yes" || answer == "Yes";
}

int remove(const std::string& home, const std::vector<std::string>& args)
{
    CliArgs a(args, {}, {"--force"});
    a.expectPositional(1, 1);
    KeyManager manager(home);
    openAtKey(manager, a.positional()[0], KeyArgumentUse::AnyKeyById);
    const KeyRecord record = manager.Ring().CurrentRecord();
    // A key pair holds a private key that exists nowhere else.
    if (record.Type == kKeyTypePair && !a.has("--force")) {
        if (::isatty(STDIN_FILENO) != 1)
            throw UsageError{"removing a key pair needs --force when there is no terminal to ask on"};
        if (!askOnTerminal(record)) {
            manager.Close();
            return 1;
        }
    }
    manager.RemoveCurrentKey([](const UserMessage&) { return true; });
    manager.Close();
    return 0;
}

const CommandRegistration registration({"remove",
                                        "usage: zerath-cli remove [--force] KEY\n"
                                        "Removes the key from the key ring. A key pair is removed only after a yes\n"
                                        "on the terminal, or with --force.\n",
                                        remove});

} // namespace
} // namespace zerath::cli
