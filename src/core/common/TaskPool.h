#pragma once
// Threads of a batch's own that run jobs handed to them, in the order they
// were handed, several at once: outputs flushed to storage while the batch
// goes on (a file system makes one journal commit of many flushes that wait
// together, where one after the other each waits for its own), or small files
// worked on side by side. Started once per batch; when no thread can start
// (a process limit), each job runs at once on the caller's thread.
#include <functional>
#include <future>
#include <memory>

namespace zerath {

class TaskPool {
public:
    explicit TaskPool(unsigned threads);
    ~TaskPool(); // runs what is queued, then stops its threads
    TaskPool(const TaskPool&) = delete;
    TaskPool& operator=(const TaskPool&) = delete;

    // Runs the job; its failure comes back from the future's get().
    std::shared_future<void> start(std::function<void()> job);
    // The threads that started.
    unsigned threads() const;

private:
    struct State;
    std::unique_ptr<State> state_;
};

} // namespace zerath
