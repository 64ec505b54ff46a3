#pragma once
// Runs the built zerath-cli as a process and keeps its exit code and output.
#include <string>
#include <vector>

namespace zerath::test {

struct CliRun {
    int code = -1;
    std::string out;
    std::string err;
};

// The arguments as given, standard input from a string.
CliRun cli(const std::vector<std::string>& args, const std::string& input = std::string());

} // namespace zerath::test
