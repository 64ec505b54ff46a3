#include "TerminalText.h"

namespace zerath::cli {

std::string terminalText(std::string s)
{
    for (char& c : s)
        if (c == '\r') c = '\n';
    return s;
}

std::string escapeControls(std::string_view s)
{
    static const char hex[] = "0123456789abcdef";
    std::string out;
    out.reserve(s.size());
    for (char c : s) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '\t') out += "\\t";
        else if (c == '\n') out += "\\n";
        else if (c == '\r') out += "\\r";
        else if (u < 0x20 || u == 0x7F) out.append("\\x").append(1, hex[u >> 4]).append(1, hex[u & 15]);
        else out += c;
    }
    return out;
}

} // namespace zerath::cli
