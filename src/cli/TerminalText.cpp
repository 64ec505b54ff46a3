#include "TerminalText.h"

#include "pubkey/OwnerRules.h"

namespace zerath::cli {

std::string terminalText(std::string s)
{
    for (char& c : s)
        if (c == '\r') c = '\n';
    return s;
}

std::string escapeControls(std::string_view s)
{
    return EscapeHiddenText(s);
}

} // namespace zerath::cli
