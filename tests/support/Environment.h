#pragma once
// Environment variables and the folder-writable answer set for one test and
// restored afterwards.
#include <map>
#include <optional>
#include <string>

namespace zerath::test {

class EnvironmentScope {
public:
    // Values to set; a nullopt value unsets the variable. ZERATH_HOME,
    // XDG_DATA_HOME and HOME are always saved, so a test starts from a known
    // state by naming the ones it wants.
    explicit EnvironmentScope(const std::map<std::string, std::optional<std::string>>& values);
    ~EnvironmentScope();
    EnvironmentScope(const EnvironmentScope&) = delete;
    EnvironmentScope& operator=(const EnvironmentScope&) = delete;

    // Folders FolderWritable() answers false for, until the scope ends.
    void makeUnwritable(const std::string& folder);

private:
    std::map<std::string, std::optional<std::string>> saved_;
};

} // namespace zerath::test
