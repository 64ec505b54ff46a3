#pragma once
// Small checks many test programs share: what a call throws, the names and
// files in a folder, a file's permission bits, and a scope that plans failing
// file writes.
#include <sys/types.h>

#include <exception>
#include <map>
#include <string>
#include <vector>

#include "common/FileIO.h"

namespace zerath::test {

// What errorOf gives for a call that returns normally.
inline constexpr const char* kNoError = "(no error)";

// The message of the exception of type E that `f` throws, kNoError when it
// returns. An exception of another type passes through (and fails the test).
template <class E = std::exception, class F>
std::string errorOf(F&& f)
{
    try {
        f();
    } catch (const E& e) {
        return e.what();
    }
    return kNoError;
}

// The names in a folder (without "." and ".."), sorted; none when it cannot be read.
std::vector<std::string> folderNames(const std::string& folder);

// Every file under a folder (relative name -> content), sub-folders included.
using Snapshot = std::map<std::string, std::string>;
Snapshot snapshotOf(const std::string& folder);

// Text with runs of random bytes, so that every compression level has work and
// matches reach back across pieces of the pipeline.
std::string mixedText(std::size_t n, unsigned seed);

// A data file's text with C's escapes \r \n \t \0 \xHH (and \ before any other character).
std::string unescapeText(const std::string& s);

// The permission bits of a file (with set-id and sticky bits); 0 when it is missing.
mode_t modeOf(const std::string& path);

// Makes the file layer fail as planned for as long as it lives.
struct FaultGuard {
    explicit FaultGuard(const FaultPlan& p) { FaultInjection::set(p); }
    ~FaultGuard() { FaultInjection::clear(); }
    FaultGuard(const FaultGuard&) = delete;
    FaultGuard& operator=(const FaultGuard&) = delete;
};

} // namespace zerath::test
