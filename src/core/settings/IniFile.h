#pragma once
// An INI text held in memory: "[Section]" lines and "key=value" lines below them.
// Section and key names match in any letter case, surrounding blanks ignored; the
// first of two equal keys counts. Changing a value keeps every other line as it was.
#include <optional>
#include <string>
#include <vector>

namespace zerath {

class IniFile {
public:
    IniFile() = default;
    explicit IniFile(const std::string& text);

    std::optional<std::string> value(const std::string& section, const std::string& key) const;
    // Replaces the key's value in place, or adds the key at the end of its section,
    // or adds the section at the end of the text.
    void setValue(const std::string& section, const std::string& key, const std::string& value);
    std::string text() const;

private:
    // [first, last) lines of a section's body; npos when the section is absent.
    bool findSection(const std::string& section, std::size_t& first, std::size_t& last) const;
    static bool keyOf(const std::string& line, std::string& key, std::string& value);

    std::vector<std::string> lines_;
    std::string eol_ = "\n"; // the text's own line ending is kept
};

} // namespace zerath
