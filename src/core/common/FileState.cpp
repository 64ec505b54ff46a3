#include "common/FileState.h"

#include <sys/stat.h>

namespace zerath {

FileState fileStateOf(const std::string& path) noexcept
{
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) return {};
    return {st.st_dev, st.st_ino, static_cast<std::int64_t>(st.st_size), static_cast<std::int64_t>(st.st_mtim.tv_sec),
            st.st_mtim.tv_nsec};
}

} // namespace zerath
