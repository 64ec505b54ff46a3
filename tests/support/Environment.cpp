#include "Environment.h"

#include <cstdlib>

#include "settings/DataFolder.h"

namespace zerath::test {

namespace {

void apply(const std::string& name, const char* value)
{
    if (value)
        ::setenv(name.c_str(), value, 1);
    else
        ::unsetenv(name.c_str());
}

} // namespace

EnvironmentScope::EnvironmentScope(std::initializer_list<std::pair<const char*, const char*>> values)
{
    for (const auto& [name, value] : values) {
        const char* old = std::getenv(name);
        saved_.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
        apply(name, value);
    }
}

EnvironmentScope::~EnvironmentScope()
{
    for (const auto& [name, old] : saved_)
        apply(name, old ? old->c_str() : nullptr);
    SetFolderWritableCheck(nullptr);
}

} // namespace zerath::test
