// The manual page and the bash completion against what zerath-cli --help
// says: the same commands, and for each command the same long options.
#include <gtest/gtest.h>

#include <map>
#include <regex>
#include <sstream>

#include "CliRunner.h"
#include "TempDir.h"
#include "TestHelpers.h"

using namespace zerath::test;

namespace {

using Options = std::map<std::string, std::set<std::string>>;

std::string source(const std::string& path) { return readFile(std::string(ZERATH_TEST_DATA_DIR) + "/../../" + path); }

std::set<std::string> longOptions(const std::string& text)
{
    static const std::regex option("--[a-z][a-z-]*");
    std::set<std::string> found;
    for (std::sregex_iterator i(text.begin(), text.end(), option), end; i != end; ++i) found.insert(i->str());
    found.erase("--help");
    return found;
}

// Each command of the overview, with the options its own --help names.
Options fromHelp()
{
    Options o;
    std::istringstream overview(cli({"--help"}).out);
    bool inCommands = false;
    for (std::string line; std::getline(overview, line);) {
        inCommands = line == "commands:" || (inCommands && !line.empty());
        const std::string name = inCommands ? line.substr(2, line.find(' ', 2) - 2) : "";
        if (inCommands && line != "commands:") o[name] = longOptions(cli({name, "--help"}).out);
    }
    return o;
}

// Each ".TP" entry of COMMANDS: its first word and every option it names.
Options fromManual()
{
    std::string page = source("dist/zerath-cli.1");
    for (std::size_t at; (at = page.find("\\-")) != std::string::npos;) page.replace(at, 2, "-");
    const std::size_t start = page.find(".SH COMMANDS"), end = page.find(".SH", start + 1);
    std::istringstream commands(page.substr(start, end - start));
    Options o;
    std::string current;
    for (std::string line; std::getline(commands, line);) {
        if (line == ".TP") {
            std::getline(commands, line);
            current = line.substr(3, line.find(' ', 3) - 3);
            o[current];
        }
        if (!current.empty()) o[current].merge(longOptions(line));
    }
    return o;
}

Options fromCompletion()
{
    const std::string script = source("dist/zerath-cli.bash-completion");
    Options o;
    const std::size_t list = script.find("local commands=\"") + 16;
    std::istringstream names(script.substr(list, script.find('"', list) - list));
    for (std::string name; names >> name;) o[name];
    static const std::regex entry(R"(\n\s*([a-z-]+)\) options\+=\"([^"]*)\")");
    for (std::sregex_iterator i(script.begin(), script.end(), entry), end; i != end; ++i)
        o[(*i)[1]] = longOptions((*i)[2]);
    return o;
}

TEST(CliManual, ManualPageAndCompletionDescribeWhatHelpSays)
{
    const Options help = fromHelp();
    ASSERT_GE(help.size(), 13u);
    EXPECT_EQ(fromManual(), help);
    EXPECT_EQ(fromCompletion(), help);
}

} // namespace
