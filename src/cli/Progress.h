#pragma once
#include <chrono>
#include <cstdint>
#include <string>

namespace zerath::cli {

// One updating line on standard error while long work runs: the file, the
// share done, the speed and the time left (the amount done when the total is
// not known). It appears only when standard error is a terminal and the work
// has run for a second, and it is cleared when the work ends.
class ProgressLine {
public:
    explicit ProgressLine(bool quiet);
    ~ProgressLine();
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;
    // total 0: unknown.
    void start(const std::string& name, std::uint64_t total);
    void update(std::uint64_t done);
    // The same from a share 0..1, a speed and the time left measured elsewhere.
    void show(const std::string& name, double share, double bytesPerSecond, double secondsLeft);
    void clear();

private:
    bool due();
    void drawShare(const std::string& name, double share, double bytesPerSecond, double secondsLeft);
    void draw(const std::string& line);
    bool enabled_;
    bool shown_ = false;
    std::string name_;
    std::uint64_t total_ = 0;
    std::chrono::steady_clock::time_point began_, last_;
};

} // namespace zerath::cli
