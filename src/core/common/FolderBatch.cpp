#include "common/FolderBatch.h"

#include <mutex>
#include <set>

#include "common/FileIO.h"
#include "common/Temporaries.h"

namespace zerath {

namespace {

struct State {
    std::mutex lock;
    int depth = 0;
    std::set<std::string> swept; // folders cleared in this batch
    std::set<std::string> owed;  // folders (as folderOf gives them) whose flush waits for the end
};

State& state()
{
    static State s;
    return s;
}

} // namespace

FolderBatch::FolderBatch()
{
    std::lock_guard<std::mutex> g(state().lock);
    ++state().depth;
}

FolderBatch::~FolderBatch()
{
    std::set<std::string> owed;
    {
        std::lock_guard<std::mutex> g(state().lock);
        if (--state().depth > 0) return;
        owed.swap(state().owed);
        state().swept.clear();
    }
    for (const std::string& folder : owed) zerath::syncFolderOf(folder + ".");
}

std::vector<FolderBatch::Failure> FolderBatch::finish()
{
    std::set<std::string> owed;
    {
        std::lock_guard<std::mutex> g(state().lock);
        if (state().depth > 1) return {};
        owed.swap(state().owed);
    }
    std::vector<Failure> failed;
    for (const std::string& folder : owed) {
        try {
            flushFolderOf(folder + ".");
        } catch (const std::exception& e) {
            std::string shown = folder.size() > 1 ? folder.substr(0, folder.size() - 1) : folder;
            failed.push_back({shown.empty() ? "." : shown, e.what(), currentOsError()});
        }
    }
    return failed;
}

void FolderBatch::sweepStaleTemporaries(const std::string& folder)
{
    {
        std::lock_guard<std::mutex> g(state().lock);
        if (state().depth > 0 && !state().swept.insert(folder).second) return;
    }
    removeStaleTemporaries(folder);
}

void FolderBatch::syncFolderOf(const std::string& path)
{
    {
        std::lock_guard<std::mutex> g(state().lock);
        if (state().depth > 0) {
            state().owed.insert(folderOf(path));
            return;
        }
    }
    flushFolderOf(path);
}

void FolderBatch::flushNow(const std::string& path)
{
    {
        std::lock_guard<std::mutex> g(state().lock);
        if (state().owed.erase(folderOf(path)) == 0) return;
    }
    flushFolderOf(path);
}

} // namespace zerath
