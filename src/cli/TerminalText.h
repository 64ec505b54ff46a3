#pragma once
#include <string>
#include <string_view>

namespace zerath::cli {

// Windows-style line separators in messages become line breaks on a terminal.
std::string terminalText(std::string s);

// Key ring values as printed by list, info and inspect: a control character,
// a direction override or a byte that is not UTF-8 (what an old key ring or an
// imported key may hold in an owner name) is shown as an escape (\t, \n, \r,
// \xHH, \uHHHH), so it can neither forge columns nor drive the terminal.
std::string escapeControls(std::string_view s);

// "FILE: MESSAGE: REASON": what went wrong with a file, and the system's
// words for its error number when there is one.
std::string failureText(const std::string& file, const std::string& message, int osError);

// Inside a catch block: the caught failure again, now naming the file. A
// failed write to a closed pipe passes through as it is, to end quietly.
[[noreturn]] void rethrowNaming(const std::string& file);

} // namespace zerath::cli
