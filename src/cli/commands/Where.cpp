#include <iostream>

#include "CliArgs.h"
#include "Command.h"

namespace zerath::cli {
namespace {

int where(const std::string& home, const std::vector<std::string>& args)
{
    CliArgs(args, {}, {}).expectPositional(0, 0);
    std::cout << (home.size() > 1 ? home.substr(0, home.size() - 1) : home) << "\n";
    return 0;
}

const CommandRegistration registration(
    {"where", "usage: zerath-cli where\nPrints the data folder (zerath.ini, ZerathKeys.db, generated key files).\n",
     where});

} // namespace
} // namespace zerath::cli
