#include "TerminalPrompt.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "common/Error.h"

namespace zerath::cli {

namespace {

constexpr std::size_t kMaxLineBytes = 64 * 1024;

constexpr int kEnding[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};
constexpr int kStopping[] = {SIGTSTP, SIGTTIN, SIGTTOU};
constexpr std::size_t kHandled = std::size(kEnding) + std::size(kStopping);

termios g_restoreOnSignal{};
// Standard input, or the controlling terminal when standard input carries the data.
int g_terminal = STDIN_FILENO;
volatile sig_atomic_t g_stopSignal = 0;

void onEnding(int sig)
{
    ::tcsetattr(g_terminal, TCSANOW, &g_restoreOnSignal);
    ::signal(sig, SIG_DFL);
    ::raise(sig);
}

// Interrupts the read; the prompt's owner restores the terminal and stops.
void onStopping(int sig) { g_stopSignal = sig; }

// Echo off on standard input, and the handlers above, for as long as it lives.
// The stop signals are blocked but while waiting for input (see readLine), so
// that one cannot come between a look at the flag and the wait.
class EchoOff {
public:
    EchoOff()
    {
        sigset_t stops;
        sigemptyset(&stops);
        for (int sig : kStopping) sigaddset(&stops, sig);
        ::sigprocmask(SIG_BLOCK, &stops, &waitMask_);
        if (::tcgetattr(g_terminal, &saved_) != 0)
            throw Error(std::string("Cannot use the terminal: ") + std::strerror(errno));
        g_restoreOnSignal = saved_;
        g_stopSignal = 0;
        termios quiet = saved_;
        quiet.c_lflag &= static_cast<tcflag_t>(~ECHO);
        quiet.c_lflag |= ECHONL; // the typed line break still moves to the next line
        std::size_t i = 0;
        for (int sig : kEnding) install(sig, &onEnding, i++);
        for (int sig : kStopping) install(sig, &onStopping, i++); // no restart: the read returns
        ::tcsetattr(g_terminal, TCSAFLUSH, &quiet);
    }
    ~EchoOff()
    {
        ::tcsetattr(g_terminal, TCSAFLUSH, &saved_);
        std::size_t i = 0;
        for (int sig : kEnding) ::sigaction(sig, &previous_[i++], nullptr);
        for (int sig : kStopping) ::sigaction(sig, &previous_[i++], nullptr);
        ::sigprocmask(SIG_SETMASK, &waitMask_, nullptr);
    }
    const sigset_t& waitMask() const { return waitMask_; }
    EchoOff(const EchoOff&) = delete;
    EchoOff& operator=(const EchoOff&) = delete;

private:
    void install(int sig, void (*handler)(int), std::size_t i)
    {
        struct sigaction sa {};
        sa.sa_handler = handler;
        sigemptyset(&sa.sa_mask);
        ::sigaction(sig, &sa, &previous_[i]);
    }
    termios saved_{};
    sigset_t waitMask_{};
    struct sigaction previous_[kHandled] {};
};

// One line into text, without its line break. 0 when it was read, the stop
// signal when one came first; a read error throws.
int readLine(SecureString& text, const sigset_t& waitMask)
{
    for (;;) {
        if (g_stopSignal != 0) return g_stopSignal;
        pollfd ready{g_terminal, POLLIN, 0};
        if (::ppoll(&ready, 1, nullptr, &waitMask) < 0) {
            if (errno == EINTR) continue;
            throw Error(std::string("Cannot read the passphrase from the terminal: ") + std::strerror(errno));
        }
        char c = 0;
        const ssize_t r = ::read(g_terminal, &c, 1);
        if (r < 0 && errno == EINTR) continue;
        if (r < 0) throw Error(std::string("Cannot read the passphrase from the terminal: ") + std::strerror(errno));
        if (r == 0 || c == '\n') break;
        if (text.size() >= kMaxLineBytes) throw Error("Cannot read the passphrase from the terminal: the line is too long");
        text.push_back(c);
        c = 0;
    }
    if (!text.empty() && text.back() == '\r') text.pop_back();
    return 0;
}

} // namespace

SecureString askOnTerminal(const char* prompt)
{
    const bool standardInput = ::isatty(STDIN_FILENO) == 1;
    g_terminal = standardInput ? STDIN_FILENO : ::open("/dev/tty", O_RDWR | O_CLOEXEC | O_NOCTTY);
    if (g_terminal < 0) throw Error(std::string("Cannot use the terminal: ") + std::strerror(errno));
    struct CloseTerminal {
        bool own;
        ~CloseTerminal()
        {
            if (own) ::close(g_terminal);
            g_terminal = STDIN_FILENO;
        }
    } closeTerminal{!standardInput};
    for (;;) {
        SecureString text;
        int stop = 0;
        {
            const EchoOff quiet;
            const ssize_t ignored = ::write(STDERR_FILENO, prompt, std::strlen(prompt));
            (void)ignored;
            stop = readLine(text, quiet.waitMask());
        }
        if (stop == 0) return text;
        // The terminal is as it was: stop as asked, and ask again once continued.
        ::kill(::getpid(), stop);
    }
}

} // namespace zerath::cli
