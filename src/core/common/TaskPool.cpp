#include "common/TaskPool.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

#include "common/FileIO.h"

namespace zerath {

struct TaskPool::State {
    std::mutex lock;
    std::condition_variable ready;
    std::deque<std::packaged_task<void()>> jobs;
    bool stop = false;
    std::vector<std::thread> threads;

    void run()
    {
        for (;;) {
            std::packaged_task<void()> job;
            {
                std::unique_lock<std::mutex> g(lock);
                ready.wait(g, [&] { return stop || !jobs.empty(); });
                if (jobs.empty()) return;
                job = std::move(jobs.front());
                jobs.pop_front();
            }
            job();
        }
    }
};

TaskPool::TaskPool(unsigned threads) : state_(std::make_unique<State>())
{
    try {
        for (unsigned i = 0; i < threads; ++i) {
            FaultInjection::threadStarting();
            state_->threads.emplace_back([s = state_.get()] { s->run(); });
        }
    } catch (const std::system_error&) {
        // With the threads that started, or none.
    }
}

TaskPool::~TaskPool()
{
    {
        std::lock_guard<std::mutex> g(state_->lock);
        state_->stop = true;
    }
    state_->ready.notify_all();
    for (std::thread& t : state_->threads) t.join();
}

unsigned TaskPool::threads() const { return unsigned(state_->threads.size()); }

std::shared_future<void> TaskPool::start(std::function<void()> job)
{
    std::packaged_task<void()> task(std::move(job));
    std::shared_future<void> done = task.get_future().share();
    if (state_->threads.empty()) {
        task();
        return done;
    }
    {
        std::lock_guard<std::mutex> g(state_->lock);
        state_->jobs.push_back(std::move(task));
    }
    state_->ready.notify_one();
    return done;
}

} // namespace zerath
