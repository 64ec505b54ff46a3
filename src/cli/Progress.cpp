#include "Progress.h"

#include <unistd.h>

#include <cstdio>

namespace zerath::cli {

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kQuietStart = std::chrono::seconds(1);
constexpr auto kRedraw = std::chrono::milliseconds(200);

void put(const std::string& s)
{
    const ssize_t ignored = ::write(STDERR_FILENO, s.data(), s.size());
    (void)ignored;
}

// "12.3 MB" style sizes and "1:05" style durations.
std::string humanBytes(double bytes)
{
    static const char* const units[] = {"B", "kB", "MB", "GB", "TB"};
    int u = 0;
    while (bytes >= 1000 && u < 4) {
        bytes /= 1000;
        ++u;
    }
    char buf[32];
    std::snprintf(buf, sizeof buf, u == 0 ? "%.0f %s" : "%.1f %s", bytes, units[u]);
    return buf;
}

std::string humanDuration(double seconds)
{
    const long s = seconds < 0 ? 0 : static_cast<long>(seconds + 0.5);
    char buf[32];
    if (s >= 3600) std::snprintf(buf, sizeof buf, "%ld:%02ld:%02ld", s / 3600, s / 60 % 60, s % 60);
    else std::snprintf(buf, sizeof buf, "%ld:%02ld", s / 60, s % 60);
    return buf;
}

} // namespace

ProgressLine::ProgressLine(bool quiet) : enabled_(!quiet && ::isatty(STDERR_FILENO) == 1)
{
    began_ = last_ = Clock::now();
}

ProgressLine::~ProgressLine() { clear(); }

void ProgressLine::start(const std::string& name, std::uint64_t total)
{
    name_ = name;
    total_ = total;
}

bool ProgressLine::due()
{
    if (!enabled_) return false;
    const auto now = Clock::now();
    if (now - began_ < kQuietStart || now - last_ < kRedraw) return false;
    last_ = now;
    return true;
}

void ProgressLine::update(std::uint64_t done)
{
    if (!due()) return;
    const double seconds = std::chrono::duration<double>(Clock::now() - began_).count();
    const double speed = seconds > 0 ? double(done) / seconds : 0;
    if (total_ == 0) {
        draw(name_ + "  " + humanBytes(double(done)) + "  " + humanBytes(speed) + "/s");
        return;
    }
    const double left = speed > 0 && done < total_ ? double(total_ - done) / speed : 0;
    drawShare(name_, double(done) / double(total_), speed, left);
}

void ProgressLine::show(const std::string& name, double share, double bytesPerSecond, double secondsLeft)
{
    if (due()) drawShare(name, share, bytesPerSecond, secondsLeft);
}

void ProgressLine::drawShare(const std::string& name, double share, double bytesPerSecond, double secondsLeft)
{
    char percent[16];
    std::snprintf(percent, sizeof percent, "%3.0f%%", share * 100);
    draw(name + "  " + percent + "  " + humanBytes(bytesPerSecond) + "/s  " + humanDuration(secondsLeft) + " left");
}

void ProgressLine::draw(const std::string& line)
{
    put("\r\033[K" + line);
    shown_ = true;
}

void ProgressLine::clear()
{
    if (shown_) put("\r\033[K");
    shown_ = false;
}

} // namespace zerath::cli
