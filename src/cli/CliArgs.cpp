#include "CliArgs.h"

namespace zerath::cli {

CliArgs::CliArgs(const std::vector<std::string>& args, const std::set<std::string>& valued,
                 const std::set<std::string>& flags)
{
    bool onlyPositional = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (!onlyPositional && flags.count(a)) { // a short flag such as -r too
            flags_.insert(a);
            continue;
        }
        if (onlyPositional || a.size() < 2 || a.compare(0, 2, "--") != 0) {
            positional_.push_back(a);
        } else if (a == "--") {
            onlyPositional = true;
        } else if (valued.count(a)) {
            if (i + 1 >= args.size()) throw UsageError{"option " + a + " needs a value"};
            values_[a] = args[++i];
        } else if (flags.count(a)) {
            flags_.insert(a);
        } else {
            throw UsageError{"unknown option " + a};
        }
    }
}

std::string CliArgs::value(const std::string& name, const std::string& fallback) const
{
    const auto it = values_.find(name);
    return it == values_.end() ? fallback : it->second;
}

std::string CliArgs::required(const std::string& name) const
{
    const auto it = values_.find(name);
    if (it == values_.end()) throw UsageError{"missing option " + name};
    return it->second;
}

void CliArgs::expectPositional(std::size_t min, std::size_t max) const
{
    if (positional_.size() < min) throw UsageError{"missing argument"};
    if (positional_.size() > max) throw UsageError{"unexpected argument " + positional_[max]};
}

int parseInt(const std::string& text, const std::string& what)
{
    try {
        std::size_t used = 0;
        const int v = std::stoi(text, &used);
        if (used != text.size()) throw 0;
        return v;
    } catch (...) {
        throw UsageError{"invalid " + what + " " + text};
    }
}

} // namespace zerath::cli
