#include "Passphrase.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "common/Error.h"

namespace zerath::cli {

SecureString readPassphrase(const std::string& source)
{
    const int fd = source == "-" ? STDIN_FILENO : ::open(source.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) throw Error("Cannot read passphrase file " + source + ": " + std::strerror(errno));
    SecureString text;
    text.reserve(256);
    char chunk[256];
    for (;;) {
        const ssize_t r = ::read(fd, chunk, sizeof chunk);
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) break;
        text.append(chunk, static_cast<std::size_t>(r));
        if (text.size() > 64 * 1024) break;
    }
    secureZero(chunk, sizeof chunk);
    if (fd != STDIN_FILENO) ::close(fd);
    if (!text.empty() && text.back() == '\n') {
        text.pop_back();
        if (!text.empty() && text.back() == '\r') text.pop_back();
    }
    return text;
}

} // namespace zerath::cli
