#pragma once
// Flushes finished outputs to storage on threads of its own, several at once,
// while the batch goes on with the next file: a file system makes one journal
// commit of many flushes that wait together, where one after the other each
// waits for its own. Started once per batch; when no thread can start (a
// process limit), each flush runs at once on the caller's thread.
#include <functional>
#include <future>
#include <memory>

namespace zerath {

class OutputFlusher {
public:
    explicit OutputFlusher(unsigned threads);
    ~OutputFlusher(); // runs what is queued, then stops its threads
    OutputFlusher(const OutputFlusher&) = delete;
    OutputFlusher& operator=(const OutputFlusher&) = delete;

    // Runs the job; its failure comes back from the future's get().
    std::shared_future<void> start(std::function<void()> job);

private:
    struct State;
    std::unique_ptr<State> state_;
};

} // namespace zerath
