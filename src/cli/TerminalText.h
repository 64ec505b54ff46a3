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
