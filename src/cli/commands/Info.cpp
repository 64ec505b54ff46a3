#include <iostream>

#include "CliArgs.h"
#include "CliKeys.h"
#include "Command.h"
#include "TerminalText.h"

namespace zerath::cli {
namespace {

int info(const std::string& home, const std::vector<std::string>& args)
{
    CliArgs a(args, {}, {});
    a.expectPositional(1, 1);
    KeyManager manager(home);
    openAtKey(manager, a.positional()[0], KeyArgumentUse::AnyKey);
    for (const std::string& line : manager.KeyInformationLines()) std::cout << escapeControls(line) << "\n";
    manager.Close();
    return 0;
}

const CommandRegistration registration({"info", "usage: zerath-cli info KEY\nPrints the key information, the key fingerprint last.\n", info});

} // namespace
} // namespace zerath::cli
