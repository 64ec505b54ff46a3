#include "filecrypt/BatchSummary.h"

#include <cstring>
#include <map>

#include "common/Cancelled.h"

namespace zerath {

namespace {

void add(std::vector<ReasonGroup>& groups, std::map<std::string, std::size_t>& at, const std::string& reason,
         const std::string* path)
{
    const auto found = at.find(reason);
    if (found != at.end()) {
        groups[found->second].paths.push_back(path);
        return;
    }
    at.emplace(reason, groups.size());
    groups.push_back({reason, {path}});
}

// 5000 as "5,000".
std::string counted(std::size_t n)
{
    std::string digits = std::to_string(n);
    for (std::size_t i = digits.size(); i > 3; i -= 3) digits.insert(i - 3, ",");
    return digits;
}

} // namespace

std::vector<ReasonGroup> NotDoneByReason(const BatchResult& r)
{
    std::vector<ReasonGroup> groups;
    std::map<std::string, std::size_t> at;
    for (const BatchFileResult& f : r.files)
        if (f.outcome != BatchFileResult::Outcome::Done) add(groups, at, f.message, &f.path);
    for (const SkippedFile& s : r.skipped) add(groups, at, "skipped: " + s.reason, &s.path);
    for (const BatchFileResult& f : r.folders)
        add(groups, at, f.osError != 0 ? f.message + ": " + std::strerror(f.osError) : f.message, &f.path);
    return groups;
}

std::string BatchHeadline(const BatchResult& r, bool decrypt)
{
    std::size_t done = 0;
    for (const BatchFileResult& f : r.files) done += f.outcome == BatchFileResult::Outcome::Done;
    std::string text;
    if (r.cancelled) text.append(OperationCancelled::kText).append("\n");
    text.append(decrypt ? "Decrypted " : "Encrypted ").append(counted(done));
    text.append(" of ").append(counted(r.total)).append(" files.");
    if (!r.skipped.empty()) text.append(" ").append(counted(r.skipped.size())).append(" skipped.");
    return text;
}

std::string BatchReport(const BatchResult& r, bool decrypt)
{
    std::string text = BatchHeadline(r, decrypt) + "\n";
    for (const ReasonGroup& g : NotDoneByReason(r)) {
        text += "\n" + g.reason + " (" + counted(g.paths.size()) + "):\n";
        for (const std::string* p : g.paths) text.append("  ").append(*p).append("\n");
    }
    bool first = true;
    for (const BatchFileResult& f : r.files) {
        if (f.outcome != BatchFileResult::Outcome::Done) continue;
        if (first) text += "\nDone:\n";
        first = false;
        text += "  " + f.path + " -> " + f.outputPath + "\n";
    }
    return text;
}

} // namespace zerath
