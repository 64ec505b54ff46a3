#include "Command.h"

#include <map>

namespace zerath::cli {

namespace {

std::map<std::string, Command>& table()
{
    static std::map<std::string, Command> commands;
    return commands;
}

} // namespace

CommandRegistration::CommandRegistration(const Command& command) { table().emplace(command.name, command); }

const Command* findCommand(const std::string& name)
{
    const auto it = table().find(name);
    return it == table().end() ? nullptr : &it->second;
}

} // namespace zerath::cli
