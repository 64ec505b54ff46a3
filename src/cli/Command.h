#pragma once
#include <string>
#include <vector>

namespace zerath::cli {

// One zerath-cli command: its name, its --help text and what it runs. The
// command's arguments are everything after its name; home ends with '/'.
struct Command {
    const char* name;
    const char* usage;
    int (*run)(const std::string& home, const std::vector<std::string>& args);
};

// Each command file adds its command to main's table through one static
// registration object.
struct CommandRegistration {
    explicit CommandRegistration(const Command& command);
};

// The registered command of that name, or nullptr.
const Command* findCommand(const std::string& name);

} // namespace zerath::cli
