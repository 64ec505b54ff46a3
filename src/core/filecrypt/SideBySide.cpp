#include "filecrypt/SideBySide.h"

#include <chrono>
#include <map>

#include "common/Cancelled.h"

namespace zerath {

namespace {

constexpr std::chrono::milliseconds kWaitStep{40};

// What a worker's file shows: the status bar's texts and the cipher, kept
// for the caller's thread; a cancel comes from the batch.
class WorkerUi : public FileCommandUi {
public:
    explicit WorkerUi(const std::atomic<bool>& cancelled) : cancelled_(cancelled) {}
    void setStatusPanel(int panel, const std::string& text) override { panels[panel] = text; }
    void selectCipher(int index) override { cipher = index; }
    bool cancelRequested() override { return cancelled_; }

    std::map<int, std::string> panels;
    int cipher = -1;

private:
    const std::atomic<bool>& cancelled_;
};

} // namespace

struct SideBySide::Handed {
    explicit Handed(const std::atomic<bool>& cancelled) : ui(cancelled) {}
    std::unique_ptr<FileJob> job;
    WorkerUi ui;
    FileCommandResult result;
    std::shared_future<void> done;
};

SideBySide::SideBySide(unsigned workers) : pool_(workers) {}

SideBySide::~SideBySide() { cancel(); }

std::shared_ptr<SideBySide::Handed> SideBySide::hand(std::unique_ptr<FileJob> job)
{
    auto file = std::make_shared<Handed>(cancelled_);
    file->job = std::move(job);
    // The task holds the file weakly: the file holds the task's future.
    file->done = pool_.start([this, weak = std::weak_ptr<Handed>(file)] {
        const std::shared_ptr<Handed> file = weak.lock();
        if (!file) return;
        // The job, and the source it holds open, goes as soon as it has run.
        const std::unique_ptr<FileJob> job = std::move(file->job);
        if (cancelled_) throw OperationCancelled();
        file->result = job->run(file->ui);
    });
    return file;
}

FileCommandResult SideBySide::take(Handed& file, FileCommandUi& ui, const std::function<void()>& whileWaiting)
{
    while (file.done.wait_for(kWaitStep) != std::future_status::ready)
        if (whileWaiting) whileWaiting();
    for (const auto& [panel, text] : file.ui.panels) ui.setStatusPanel(panel, text);
    if (file.ui.cipher >= 0) ui.selectCipher(file.ui.cipher);
    file.done.get();
    return std::move(file.result);
}

} // namespace zerath
