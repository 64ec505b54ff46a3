#include "TestHelpers.h"

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <random>

#include "TempDir.h"

namespace zerath::test {

std::vector<std::string> folderNames(const std::string& folder)
{
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(folder, ec)) names.push_back(e.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

Snapshot snapshotOf(const std::string& folder)
{
    Snapshot s;
    for (const auto& e : std::filesystem::recursive_directory_iterator(folder))
        if (e.is_regular_file()) s[std::filesystem::relative(e.path(), folder)] = readFile(e.path());
    return s;
}

std::string mixedText(std::size_t n, unsigned seed)
{
    std::mt19937 rng(seed);
    std::string s(n, '\0');
    for (std::size_t i = 0; i < n; ++i)
        s[i] = (i / 1500) % 3 == 1 ? static_cast<char>(rng()) : "pack my box with five dozen jugs "[(i * 7 / 5) % 33];
    return s;
}

std::string unescapeText(const std::string& s)
{
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        char c = s[i];
        if (c == '\\') {
            const char e = s.at(++i);
            c = e == 'x' ? char(std::stoi(s.substr(i + 1, 2), nullptr, 16)) : e == 'r' ? '\r' : e == 'n' ? '\n' : e == 't' ? '\t' : e == '0' ? '\0' : e;
            if (e == 'x') i += 2;
        }
        out += c;
    }
    return out;
}

mode_t modeOf(const std::string& path)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return 0;
    return st.st_mode & 07777;
}

} // namespace zerath::test
