#include "Passphrase.h"

#include <fcntl.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

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

// Echo off on standard input for as long as it lives. A signal that ends the
// program meanwhile turns echo back on first.
class EchoOff {
public:
    explicit EchoOff(int fd) : fd_(fd)
    {
        if (::tcgetattr(fd_, &saved_) != 0) throw Error(std::string("Cannot use the terminal: ") + std::strerror(errno));
        restoreOnSignal_ = saved_;
        termios quiet = saved_;
        quiet.c_lflag &= static_cast<tcflag_t>(~ECHO);
        quiet.c_lflag |= ECHONL; // the typed line break still moves to the next line
        struct sigaction sa {};
        sa.sa_handler = &EchoOff::onSignal;
        sigemptyset(&sa.sa_mask);
        for (std::size_t i = 0; i < kSignalCount; ++i) ::sigaction(kSignals[i], &sa, &previous_[i]);
        restoreFd_ = fd_;
        ::tcsetattr(fd_, TCSAFLUSH, &quiet);
    }
    ~EchoOff()
    {
        ::tcsetattr(fd_, TCSAFLUSH, &saved_);
        for (std::size_t i = 0; i < kSignalCount; ++i) ::sigaction(kSignals[i], &previous_[i], nullptr);
    }
    EchoOff(const EchoOff&) = delete;
    EchoOff& operator=(const EchoOff&) = delete;

private:
    static constexpr std::size_t kSignalCount = 4;
    static constexpr int kSignals[kSignalCount] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};
    static void onSignal(int sig)
    {
        ::tcsetattr(restoreFd_, TCSANOW, &restoreOnSignal_);
        ::signal(sig, SIG_DFL);
        ::raise(sig);
    }
    static inline termios restoreOnSignal_{};
    static inline int restoreFd_ = STDIN_FILENO;
    int fd_;
    termios saved_{};
    struct sigaction previous_[kSignalCount] {};
};

// The terminal to ask on: standard input, or the controlling terminal when
// standard input carries the data.
class Terminal {
public:
    Terminal() : fd_(::isatty(STDIN_FILENO) == 1 ? STDIN_FILENO : ::open("/dev/tty", O_RDWR | O_CLOEXEC | O_NOCTTY)) {}
    ~Terminal()
    {
        if (fd_ > STDIN_FILENO) ::close(fd_);
    }
    Terminal(const Terminal&) = delete;
    Terminal& operator=(const Terminal&) = delete;
    int fd() const { return fd_; }

private:
    int fd_;
};

SecureString askOnTerminal(const char* prompt)
{
    const Terminal terminal;
    if (terminal.fd() < 0) throw Error(std::string("Cannot use the terminal: ") + std::strerror(errno));
    const EchoOff quiet(terminal.fd());
    const ssize_t ignored = ::write(STDERR_FILENO, prompt, std::strlen(prompt));
    (void)ignored;
    SecureString text;
    if (!readAll(terminal.fd(), text, true))
        throw Error(std::string("Cannot read the passphrase from the terminal: ") + std::strerror(errno));
    dropLineEnd(text);
    return text;
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
    const bool ok = readAll(fd, text, false);
    const int readErrno = errno;
    if (!in) ::close(fd);
    if (!ok) throw Error("Cannot read passphrase file " + source + ": " + std::strerror(readErrno));
    dropLineEnd(text);
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
