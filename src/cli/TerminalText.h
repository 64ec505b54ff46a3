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

} // namespace zerath::cli
