#pragma once
// Helpers shared by the fuzz targets: a scratch folder for the files a target
// writes, and a check that stops the run with a message when an expectation fails.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zerath::fuzz {

// A folder of its own under /dev/shm (or the temporary folder), removed at exit.
// The path ends with '/'.
const std::string& scratchFolder();
// A fresh empty sub-folder of the scratch folder (emptied again on each call).
std::string freshFolder(const std::string& name);

void writeBytes(const std::string& path, const void* data, std::size_t n);
std::string readBytes(const std::string& path);
// The names in a folder, sorted, without the lock files writers leave.
std::vector<std::string> namesIn(const std::string& folder);

// Aborts (a crash the fuzzer reports) with the message when cond is false.
void expect(bool cond, std::string_view what);

// Splits "length byte, that many bytes, rest": the first part is a passphrase
// of at most maxLength bytes.
struct Split {
    std::string_view head;
    std::string_view rest;
};
Split splitHead(const std::uint8_t* data, std::size_t size, std::size_t maxLength);

inline constexpr const char* kAlicePassphrase = "correct horse battery";

} // namespace zerath::fuzz
