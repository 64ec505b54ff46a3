#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

namespace zerath {

// A file open for reading (POSIX descriptor). Failures throw EFileError with the
// runtime's text for the cause.
class InputFile {
public:
    explicit InputFile(const std::string& path);
    // An open descriptor (standard input: 0), read from where it stands; size()
    // is 0 unless it is a regular file. The descriptor itself stays open.
    explicit InputFile(int descriptor);
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;
    ~InputFile();

    // Reads up to n bytes; fewer only at the end of the file.
    std::size_t read(void* buf, std::size_t n);
    // Reads exactly n bytes or fails with "Unexpected end of file".
    void readExact(void* buf, std::size_t n);
    std::uint64_t size() const { return size_; }
    std::uint64_t position() const { return position_; }

private:
    int fd_ = -1;
    std::uint64_t size_ = 0;
    std::uint64_t position_ = 0;
};

} // namespace zerath
