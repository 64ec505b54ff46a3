#pragma once
#include <string>
#include <string_view>

namespace zerath::cli {

// Windows-style line separators in messages become line breaks on a terminal.
std::string terminalText(std::string s);

// Key ring values as printed by list and info: a control character (one an old
// key ring may hold in an owner name) is shown as an escape, \t, \n, \r or
// \xHH, so it can neither forge columns nor drive the terminal.
std::string escapeControls(std::string_view s);

} // namespace zerath::cli

namespace zerath::cli {

// "FILE: MESSAGE: REASON": what went wrong with a file, and the system's
// words for its error number when there is one.
std::string failureText(const std::string& file, const std::string& message, int osError);

// Inside a catch block: the caught failure again, now naming the file. A
// failed write to a closed pipe passes through as it is, to end quietly.
[[noreturn]] void rethrowNaming(const std::string& file);

} // namespace zerath::cli
