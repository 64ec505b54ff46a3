#pragma once
// What tells a file's content changed without reading it: the file the name
// leads to (device and inode), its size and its last change.
#include <sys/types.h>

#include <cstdint>
#include <string>

namespace zerath {

struct FileState {
    dev_t device = 0;
    ino_t inode = 0;
    std::int64_t size = -1;
    std::int64_t changedSeconds = 0;
    long changedNanoseconds = 0;
    bool operator==(const FileState&) const = default;
};

// The state of the file at path, links followed; size -1 when it cannot be read.
FileState fileStateOf(const std::string& path) noexcept;

} // namespace zerath
