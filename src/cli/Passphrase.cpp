#include "Passphrase.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "TerminalPrompt.h"
#include "common/Error.h"

namespace zerath::cli {

namespace {

constexpr std::size_t kMaxPassphraseBytes = 64 * 1024;

// Reads fd to its end (or, with stopAtLineEnd, to the first LF) into text.
// False on a read error, errno set.
bool readAll(int fd, SecureString& text, bool stopAtLineEnd)
{
    char c[256];
    const std::size_t piece = stopAtLineEnd ? 1 : sizeof c;
    bool ok = true;
    for (;;) {
        const ssize_t r = ::read(fd, c, piece);
        if (r < 0 && errno == EINTR) continue;
        if (r < 0) ok = false;
        if (r <= 0) break;
        text.append(c, static_cast<std::size_t>(r));
        if (stopAtLineEnd && c[0] == '\n') break;
        if (text.size() > kMaxPassphraseBytes) break;
    }
    secureZero(c, sizeof c);
    return ok;
}

void dropLineEnd(SecureString& text)
{
    if (!text.empty() && text.back() == '\n') {
        text.pop_back();
        if (!text.empty() && text.back() == '\r') text.pop_back();
    }
}

} // namespace

SecureString readPassphrase(const std::string& source)
{
    const bool in = source == "-";
    const int fd = in ? STDIN_FILENO : ::open(source.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) throw Error("Cannot read passphrase file " + source + ": " + std::strerror(errno));
    SecureString text;
    text.reserve(256);
    const bool ok = readAll(fd, text, false);
    const int readErrno = errno;
    if (!in) ::close(fd);
    if (!ok) throw Error("Cannot read passphrase file " + source + ": " + std::strerror(readErrno));
    dropLineEnd(text);
    return text;
}

PassphraseSource::PassphraseSource(const CliArgs& args, const std::string& option)
    : option_(option), file_(args.value(option))
{
    const bool terminal = ::isatty(STDIN_FILENO) == 1;
    if (terminal && (file_.empty() || file_ == "-")) {
        fromTerminal_ = true;
        file_.clear();
    }
}

void PassphraseSource::require() const
{
    if (!available()) throw UsageError{"missing option " + option_};
}

SecureString PassphraseSource::read(const char* prompt) const
{
    require();
    return fromTerminal_ ? askOnTerminal(prompt) : readPassphrase(file_);
}

PassphraseSource::NewPassphrase PassphraseSource::readNew() const
{
    NewPassphrase p;
    p.passphrase = read("New passphrase: ");
    p.confirmation = fromTerminal_ ? askOnTerminal("Repeat passphrase: ") : p.passphrase;
    return p;
}

} // namespace zerath::cli
