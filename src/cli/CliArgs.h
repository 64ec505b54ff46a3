#pragma once
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace zerath::cli {

// A usage error: the command-line program prints the usage text and exits 2.
struct UsageError {
    std::string text;
};

// Options of one command: "--name value" or "--name=value" for valued options
// (each at most once), "--name" for flags, -o -f -q -r for --output --force
// --quiet --recursive; "-" alone is positional (standard input or output),
// the rest positional.
class CliArgs {
public:
    CliArgs(const std::vector<std::string>& args, const std::set<std::string>& valued,
            const std::set<std::string>& flags);
    bool has(const std::string& name) const { return values_.count(name) || flags_.count(name); }
    std::string value(const std::string& name, const std::string& fallback = std::string()) const;
    std::string required(const std::string& name) const;
    const std::vector<std::string>& positional() const { return positional_; }
    void expectPositional(std::size_t min, std::size_t max) const;

private:
    std::map<std::string, std::string> values_;
    std::set<std::string> flags_;
    std::vector<std::string> positional_;
};

// The whole text as a decimal number, or a usage error "invalid WHAT TEXT".
int parseInt(const std::string& text, const std::string& what);

} // namespace zerath::cli
