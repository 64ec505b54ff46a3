#include "Passphrase.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "TerminalPrompt.h"
#include "common/Error.h"

namespace zerath::cli {

namespace {

// Every passphrase earlier versions read whole (they stopped after the first
// 256-byte piece past 64 KiB) is still read; a longer one is refused, never cut.
constexpr std::size_t kMaxPassphraseBytes = 64 * 1024 + 256;
const char* const kTooLong = "the passphrase is longer than 65792 bytes";

// Reads fd to its end (or, with stopAtLineEnd, to the first LF) into text.
// False on a read error, errno set; an input beyond the limit is a read error
// with errno EFBIG.
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
        if (text.size() > kMaxPassphraseBytes + 2) { // room for the line break dropped later
            text.clear();
            ok = false;
            errno = EFBIG;
            break;
        }
    }
    secureZero(c, sizeof c);
    return ok;
}

// Drops one trailing LF or CR LF; false when what is left is over the limit.
bool dropLineEnd(SecureString& text)
{
    if (!text.empty() && text.back() == '\n') {
        text.pop_back();
        if (!text.empty() && text.back() == '\r') text.pop_back();
    }
    if (text.size() <= kMaxPassphraseBytes) return true;
    text.clear();
    errno = EFBIG;
    return false;
}

bool hasControllingTerminal()
{
    const int fd = ::open("/dev/tty", O_RDWR | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return false;
    ::close(fd);
    return true;
}

} // namespace

SecureString readPassphrase(const std::string& source)
{
    const bool in = source == "-";
    const int fd = in ? STDIN_FILENO : ::open(source.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) throw Error("Cannot read passphrase file " + source + ": " + std::strerror(errno));
    SecureString text;
    text.reserve(256);
    const bool ok = readAll(fd, text, false) && dropLineEnd(text);
    const int readErrno = errno;
    if (!in) ::close(fd);
    if (!ok)
        throw Error("Cannot read passphrase file " + source + ": " +
                    (readErrno == EFBIG ? kTooLong : std::strerror(readErrno)));
    return text;
}

PassphraseSource::PassphraseSource(const CliArgs& args, const std::string& option, bool dataOnStandardInput)
    : option_(option), file_(args.value(option))
{
    if (dataOnStandardInput && file_ == "-")
        throw UsageError{option + " - cannot read standard input: the data comes from there"};
    const bool terminal = dataOnStandardInput ? hasControllingTerminal() : ::isatty(STDIN_FILENO) == 1;
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
