#include "TerminalText.h"

#include <cerrno>
#include <cstring>

#include "common/Error.h"
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
