#include "FuzzSupport.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace zerath::fuzz {

namespace fs = std::filesystem;

namespace {

struct Scratch {
    std::string path;
    Scratch()
    {
        const char* base = fs::is_directory("/dev/shm") ? "/dev/shm" : (std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp");
        std::string tmpl = std::string(base) + "/zerath-fuzz-XXXXXX";
        if (!::mkdtemp(tmpl.data())) {
            std::perror("mkdtemp");
            std::abort();
        }
        path = tmpl + "/";
    }
    ~Scratch()
    {
        std::error_code ec;
        fs::remove_all(path, ec);
    }
};

} // namespace

const std::string& scratchFolder()
{
    static Scratch scratch;
    return scratch.path;
}

std::string freshFolder(const std::string& name)
{
    const std::string p = scratchFolder() + name + "/";
    std::error_code ec;
    fs::remove_all(p, ec);
    fs::create_directories(p);
    return p;
}

void writeBytes(const std::string& path, const void* data, std::size_t n)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(static_cast<const char*>(data), static_cast<std::streamsize>(n));
    expect(static_cast<bool>(out), "cannot write the scratch file");
}

std::string readBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::vector<std::string> namesIn(const std::string& folder)
{
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(folder)) {
        // The key ring's and the settings' lock files stay beside them once made.
        std::string name = e.path().filename().string();
        if (!name.ends_with(".lock")) names.push_back(std::move(name));
    }
    std::sort(names.begin(), names.end());
    return names;
}

void expect(bool cond, std::string_view what)
{
    if (cond) return;
    std::fprintf(stderr, "fuzz expectation failed: %.*s\n", static_cast<int>(what.size()), what.data());
    std::abort();
}

Split splitHead(const std::uint8_t* data, std::size_t size, std::size_t maxLength)
{
    if (size == 0) return {};
    std::size_t n = data[0] % (maxLength + 1);
    if (n > size - 1) n = size - 1;
    const char* p = reinterpret_cast<const char*>(data);
    return {std::string_view(p + 1, n), std::string_view(p + 1 + n, size - 1 - n)};
}

} // namespace zerath::fuzz
