#include "CliArgs.h"
#include "CliKeys.h"
#include "Command.h"

namespace zerath::cli {
namespace {

int remove(const std::string& home, const std::vector<std::string>& args)
{
    CliArgs a(args, {}, {});
    a.expectPositional(1, 1);
    KeyManager manager(home);
    openAtKey(manager, a.positional()[0], KeyArgumentUse::AnyKeyById);
    manager.RemoveCurrentKey([](const UserMessage&) { return true; });
    manager.Close();
    return 0;
}

const CommandRegistration registration({"remove", "usage: zerath-cli remove KEYID\nRemoves the key from the key ring.\n",
                                        remove});

} // namespace
} // namespace zerath::cli
