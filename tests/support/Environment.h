#pragma once
#include <initializer_list>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace zerath::test {

// Sets environment variables (a nullptr value unsets one) until the scope ends;
// FolderWritable() answers as usual again then too.
class EnvironmentScope {
public:
    explicit EnvironmentScope(std::initializer_list<std::pair<const char*, const char*>> values);
    ~EnvironmentScope();
    EnvironmentScope(const EnvironmentScope&) = delete;
    EnvironmentScope& operator=(const EnvironmentScope&) = delete;

private:
    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

} // namespace zerath::test
