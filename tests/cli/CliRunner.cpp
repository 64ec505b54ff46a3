#include "CliRunner.h"

#include <sys/wait.h>

#include <cstdlib>

#include "TempDir.h"

namespace zerath::test {

namespace {

std::string shellQuote(const std::string& s)
{
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

} // namespace

CliRun cli(const std::vector<std::string>& args, const std::string& input)
{
    TempDir io;
    writeFile(io.file("in"), input);
    std::string cmd = shellQuote(std::string(ZERATH_BINARY_DIR) + "/bin/zerath-cli");
    for (const auto& a : args) cmd += " " + shellQuote(a);
    cmd += " <" + shellQuote(io.file("in")) + " >" + shellQuote(io.file("out")) + " 2>" + shellQuote(io.file("err"));
    const int status = std::system(cmd.c_str());
    CliRun r;
    r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.out = readFile(io.file("out"));
    r.err = readFile(io.file("err"));
    return r;
}

} // namespace zerath::test
