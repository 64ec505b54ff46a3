#include "Environment.h"

#include <cstdlib>
#include <set>

#include "settings/DataFolder.h"

namespace zerath::test {

namespace {

std::set<std::string> g_unwritable;

std::string slashed(std::string folder)
{
    if (folder.empty() || folder.back() != '/') folder += '/';
    return folder;
}

bool writableUnlessListed(const std::string& folder)
{
    return !g_unwritable.count(slashed(folder));
}

void apply(const std::string& name, const std::optional<std::string>& value)
{
    if (value)
        ::setenv(name.c_str(), value->c_str(), 1);
    else
        ::unsetenv(name.c_str());
}

} // namespace

EnvironmentScope::EnvironmentScope(const std::map<std::string, std::optional<std::string>>& values)
{
    for (const char* name : {"ZERATH_HOME", "XDG_DATA_HOME", "HOME"})
        saved_[name] = std::nullopt;
    for (const auto& [name, value] : values)
        saved_[name] = std::nullopt;
    for (auto& [name, old] : saved_)
        if (const char* v = std::getenv(name.c_str())) old = v;
    for (const auto& [name, value] : values)
        apply(name, value);
}

EnvironmentScope::~EnvironmentScope()
{
    for (const auto& [name, old] : saved_)
        apply(name, old);
    g_unwritable.clear();
    SetFolderWritableCheck(nullptr);
}

void EnvironmentScope::makeUnwritable(const std::string& folder)
{
    g_unwritable.insert(slashed(folder));
    SetFolderWritableCheck(&writableUnlessListed);
}

} // namespace zerath::test
