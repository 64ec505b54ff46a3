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

#include <cerrno>
#include <cstring>

#include "common/Error.h"

namespace zerath::cli {

std::string failureText(const std::string& file, const std::string& message, int osError)
{
    std::string s = file + ": " + terminalText(message);
    if (osError != 0) s += std::string(": ") + std::strerror(osError);
    return s;
}

void rethrowNaming(const std::string& file)
{
    const int osError = currentOsError();
    if (osError == EPIPE) throw;
    try {
        throw;
    } catch (const UserMessage& e) {
        throw UserMessage(e.kind(), failureText(file, e.what(), osError), osError);
    } catch (const std::exception& e) {
        throw Error(failureText(file, e.what(), osError));
    }
}

} // namespace zerath::cli
