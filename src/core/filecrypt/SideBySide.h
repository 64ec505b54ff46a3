#pragma once
// Files of one piece worked on side by side, one per worker, while the
// caller's thread asks each file's questions before handing it over and takes
// the results back in the order it handed the files, so that outputs are
// committed in the batch's order. A worker asks nothing and shows nothing:
// what a file would show in the status bar is shown when its result is taken.
// When no worker can start (a process limit), available() is false and the
// caller works on its files itself.
#include <atomic>
#include <functional>
#include <memory>

#include "common/TaskPool.h"
#include "filecrypt/FileCommands.h"

namespace zerath {

class SideBySide {
public:
    explicit SideBySide(unsigned workers);
    ~SideBySide(); // files at work stop at their next check
    SideBySide(const SideBySide&) = delete;
    SideBySide& operator=(const SideBySide&) = delete;

    bool available() const { return pool_.threads() > 0; }
    unsigned workers() const { return pool_.threads(); }

    struct Handed;
    std::shared_ptr<Handed> hand(std::unique_ptr<FileJob> job);
    // The file's result once its worker is done, its status shown on ui; or its
    // failure thrown, OperationCancelled for one stopped or never started
    // after cancel(). whileWaiting runs every few tens of milliseconds meanwhile.
    FileCommandResult take(Handed& file, FileCommandUi& ui, const std::function<void()>& whileWaiting);
    // Files at work stop at their next check; those not started do not start.
    void cancel() { cancelled_ = true; }
    bool cancelled() const { return cancelled_; }

private:
    std::atomic<bool> cancelled_{false};
    TaskPool pool_;
};

} // namespace zerath
