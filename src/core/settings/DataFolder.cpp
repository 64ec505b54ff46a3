#include "settings/DataFolder.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>

#include "common/FileIO.h"
#include "keyring/KeyRing.h"
#include "settings/Settings.h"

namespace zerath {

namespace {

bool realWritable(const std::string& folder)
{
    return ::access(folder.c_str(), W_OK | X_OK) == 0;
}

FolderWritableFn g_writable = &realWritable;

std::string withSlash(std::string folder)
{
    if (folder.empty() || folder.back() != '/') folder += '/';
    return folder;
}

std::string environment(const char* name)
{
    const char* v = std::getenv(name);
    return v ? std::string(v) : std::string();
}

bool isFile(const std::string& path)
{
    struct stat st{};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string homeFolder()
{
    std::string home = environment("HOME");
    if (home.empty()) {
        if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir) home = pw->pw_dir;
    }
    return home.empty() ? std::string("/") : home;
}

} // namespace

std::string ResolveDataFolder(const std::string& homeOption, const std::string& executableFolder)
{
    if (!homeOption.empty()) return withSlash(homeOption);
    if (const std::string env = environment("ZERATH_HOME"); !env.empty()) return withSlash(env);

    const std::string exe = withSlash(executableFolder);
    if ((isFile(exe + std::string(KeyRing::kFileName)) || isFile(exe + Settings::kFileName)) && FolderWritable(exe))
        return exe;

    std::string xdg = environment("XDG_DATA_HOME");
    if (xdg.empty() || xdg.front() != '/') xdg = withSlash(homeFolder()) + ".local/share";
    return withSlash(xdg) + "zerath/";
}

void CreateDataFolder(const std::string& folder)
{
    std::string path = withSlash(folder);
    for (std::size_t pos = path.find('/', 1); pos != std::string::npos; pos = path.find('/', pos + 1)) {
        const std::string part = path.substr(0, pos);
        if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) throwFileError(errno);
    }
    struct stat st{};
    if (::stat(path.c_str(), &st) != 0) throwFileError(errno);
    if (!S_ISDIR(st.st_mode)) throwFileError(ENOTDIR);
}

std::string ExecutableFolder()
{
    char buf[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return "./";
    const std::string path(buf, static_cast<std::size_t>(n));
    return path.substr(0, path.find_last_of('/') + 1);
}

bool FolderWritable(const std::string& folder)
{
    return g_writable(folder);
}

void SetFolderWritableCheck(FolderWritableFn check)
{
    g_writable = check ? check : &realWritable;
}

} // namespace zerath
