#include "CliArgs.h"

namespace zerath::cli {

namespace {

// The one-letter spellings of long options.
const std::map<std::string, std::string>& shortNames()
{
    static const std::map<std::string, std::string> names{
        {"-o", "--output"}, {"-f", "--force"}, {"-q", "--quiet"}, {"-r", "--recursive"}};
    return names;
}

} // namespace

CliArgs::CliArgs(const std::vector<std::string>& args, const std::set<std::string>& valued,
                 const std::set<std::string>& flags)
{
    bool onlyPositional = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string a = args[i];
        if (onlyPositional || a.size() < 2 || a[0] != '-') {
            positional_.push_back(a);
            continue;
        }
        if (a == "--") {
            onlyPositional = true;
            continue;
        }
        std::optional<std::string> inlineValue;
        if (a[1] != '-') {
            const auto s = shortNames().find(a);
            if (s == shortNames().end()) throw UsageError{"unknown option " + a};
            a = s->second;
        } else if (const std::size_t eq = a.find('='); eq != std::string::npos) {
            inlineValue = a.substr(eq + 1);
            a.resize(eq);
        }
        if (valued.count(a)) {
            if (values_.count(a)) throw UsageError{"option " + a + " given more than once"};
            if (!inlineValue) {
                if (i + 1 >= args.size()) throw UsageError{"option " + a + " needs a value"};
                inlineValue = args[++i];
            }
            values_[a] = *inlineValue;
        } else if (flags.count(a)) {
            if (inlineValue) throw UsageError{"option " + a + " takes no value"};
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
