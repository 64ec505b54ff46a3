#include "settings/DataFolder.h"

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>

#include "common/FileIO.h"
#include "common/Warnings.h"
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

// A group only the user is in: the user's own primary group, named after the
// user, listing no other member.
bool privateGroup(gid_t gid)
{
    const passwd* pw = ::getpwuid(::getuid());
    if (!pw || pw->pw_gid != gid) return false;
    const std::string user = pw->pw_name ? pw->pw_name : "";
    const group* gr = ::getgrgid(gid);
    if (!gr || !gr->gr_name || user != gr->gr_name) return false;
    for (char** m = gr->gr_mem; m && *m; ++m)
        if (user != *m) return false;
    return true;
}

// The warning for a folder of the user's choice: only writable by others matters there.
void warnIfOthersWrite(const std::string& folder)
{
    struct stat st{};
    if (::stat(folder.c_str(), &st) == 0 && (st.st_mode & S_IWOTH))
        Warn("The data folder " + folder + " can be written by other users, who could change its key ring.");
}

} // namespace

std::string UntrustedReason(const std::string& path, bool isFolder)
{
    struct stat st{};
    if (::lstat(path.c_str(), &st) != 0) return std::string();
    if (isFolder ? !S_ISDIR(st.st_mode) : !S_ISREG(st.st_mode)) return "it is a link or not a regular file";
    if (st.st_uid != ::getuid() && st.st_uid != 0) return "it belongs to another user";
    if (st.st_mode & S_IWOTH) return "it can be written by other users";
    if ((st.st_mode & S_IWGRP) && !privateGroup(st.st_gid)) return "it can be written by a group of users";
    return std::string();
}

std::string ResolveDataFolder(const std::string& homeOption, const std::string& executableFolder)
{
    std::string chosen = homeOption.empty() ? environment("ZERATH_HOME") : homeOption;
    if (!chosen.empty()) {
        chosen = withSlash(chosen);
        warnIfOthersWrite(chosen);
        return chosen;
    }

    std::string xdg = environment("XDG_DATA_HOME");
    if (xdg.empty() || xdg.front() != '/') xdg = withSlash(homeFolder()) + ".local/share";
    xdg = withSlash(xdg) + "zerath/";

    const std::string exe = withSlash(executableFolder);
    const std::string ring = exe + std::string(KeyRing::kFileName), ini = exe + Settings::kFileName;
    if (!(isFile(ring) || isFile(ini)) || !FolderWritable(exe)) return xdg;
    for (const auto& [path, folder] : {std::pair{exe, true}, std::pair{ring, false}, std::pair{ini, false}}) {
        const std::string reason = UntrustedReason(path, folder);
        if (reason.empty()) continue;
        Warn("The program's folder " + exe + " is not used for the key ring and settings: " + path + ": " + reason +
             ". Using " + xdg + " instead.");
        return xdg;
    }
    return exe;
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
