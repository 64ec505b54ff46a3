#include "filecrypt/FolderWalk.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>

#include "common/Temporaries.h"
#include "filecrypt/FileKind.h"

namespace zerath {

namespace {

// The wiping routine's "$000000.tmp" and the names it steps to when that one is taken.
bool isWipeTemporary(const std::string& name)
{
    if (name.size() != 11 || name[0] != '$' || name.compare(7, 4, ".tmp") != 0) return false;
    return std::all_of(name.begin() + 1, name.begin() + 7, [](char c) { return c >= '0' && c <= '9'; });
}

bool isOwnDataName(const std::string& name)
{
    static const char* const fixed[] = {"ZerathKeys.db", "zerath.ini", "ZerathKeys.db.lock", "zerath.ini.lock"};
    for (const char* f : fixed)
        if (name == f) return true;
    const bool keyFile = name.size() > 4 && name.compare(name.size() - 4, 4, ".akf") == 0;
    return keyFile && (name.rfind("Private", 0) == 0 || name.rfind("Public", 0) == 0);
}

struct FolderId {
    dev_t dev = 0;
    ino_t ino = 0;
    bool known = false;
};

class Walker {
public:
    Walker(const WalkOptions& o, FileSelection& out) : o_(o), out_(out)
    {
        struct stat st {};
        if (!o.dataFolder.empty() && ::stat(o.dataFolder.c_str(), &st) == 0) data_ = {st.st_dev, st.st_ino, true};
    }

    void walk(const std::string& root)
    {
        std::vector<std::string> pending{root};
        while (!pending.empty()) {
            const std::string folder = pending.back();
            pending.pop_back();
            if (o_.pump) o_.pump->processEvents();
            std::vector<std::string> sub = one(folder);
            // Visited in name order: the last pushed is taken first.
            pending.insert(pending.end(), sub.rbegin(), sub.rend());
        }
    }

private:
    // Takes the files of one folder and answers its subfolders.
    std::vector<std::string> one(const std::string& folder)
    {
        std::vector<std::string> folders;
        const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        DIR* dir = fd < 0 ? nullptr : ::fdopendir(fd);
        if (!dir) {
            const int err = errno;
            if (fd >= 0) ::close(fd);
            out_.skipped.push_back({folder, cannotBeRead(err)});
            return folders;
        }
        struct stat self {};
        const bool inData = data_.known && ::fstat(fd, &self) == 0 && self.st_dev == data_.dev &&
                            self.st_ino == data_.ino;
        std::vector<std::string> names;
        while (const dirent* e = ::readdir(dir)) {
            const std::string name = e->d_name;
            if (name != "." && name != "..") names.push_back(name);
        }
        std::sort(names.begin(), names.end());
        const std::string prefix = folder.empty() || folder.back() == '/' ? folder : folder + "/";
        for (const std::string& name : names) {
            if (o_.pump && ++seen_ % 1024 == 0) o_.pump->processEvents();
            const std::string path = prefix + name;
            struct stat st {};
            if (::fstatat(fd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
                out_.skipped.push_back({path, cannotBeRead(errno)});
                continue;
            }
            if (S_ISDIR(st.st_mode)) {
                folders.push_back(path);
                continue;
            }
            const char* reason = reasonToLeave(name, st, inData);
            if (reason) out_.skipped.push_back({path, reason});
            else out_.files.push_back(path);
        }
        ::closedir(dir);
        return folders;
    }

    const char* reasonToLeave(const std::string& name, const struct stat& st, bool inData) const
    {
        if (S_ISLNK(st.st_mode)) return kSkipLink;
        if (!S_ISREG(st.st_mode)) return kSkipSpecial;
        if (inData && isOwnDataName(name)) return kSkipOwnData;
        if (isTemporaryName(name) || isWipeTemporary(name)) return kSkipTemporary;
        const bool encrypted = HasEncryptedName(name);
        if (!o_.decrypt && encrypted) return kSkipEncrypted;
        if (o_.decrypt && !encrypted) return kSkipNotEncrypted;
        if (o_.wipe && st.st_nlink > 1) return kSkipLinked;
        return nullptr;
    }

    const WalkOptions& o_;
    FileSelection& out_;
    FolderId data_;
    std::size_t seen_ = 0;
};

} // namespace

std::string cannotBeRead(int err)
{
    std::string text = std::strerror(err);
    if (!text.empty()) text[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(text[0])));
    return "cannot be read: " + text;
}

bool isFolder(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

FileSelection SelectFiles(const std::vector<std::string>& paths, const WalkOptions& options)
{
    FileSelection out;
    Walker walker(options, out);
    for (const std::string& p : paths) {
        if (!isFolder(p)) {
            out.files.push_back(p);
            continue;
        }
        out.hadFolder = true;
        walker.walk(p);
    }
    return out;
}

} // namespace zerath
