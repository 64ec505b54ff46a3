#include "settings/IniFile.h"

namespace zerath {

namespace {

std::string trim(const std::string& s)
{
    std::size_t b = 0, e = s.size();
    while (b < e && (s[b] == ' ' || s[b] == '\t')) ++b;
    while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t')) --e;
    return s.substr(b, e - b);
}

bool sameName(const std::string& a, const std::string& b)
{
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 32);
        if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 32);
        if (x != y) return false;
    }
    return true;
}

// The name of a "[name]" line, or false for any other line.
bool sectionOf(const std::string& line, std::string& name)
{
    const std::string t = trim(line);
    if (t.size() < 2 || t.front() != '[') return false;
    const auto close = t.find(']');
    if (close == std::string::npos) return false;
    name = trim(t.substr(1, close - 1));
    return true;
}

} // namespace

IniFile::IniFile(const std::string& text)
{
    std::size_t start = 0;
    bool sawEol = false;
    while (start < text.size()) {
        auto nl = text.find('\n', start);
        std::string line = text.substr(start, nl == std::string::npos ? std::string::npos : nl - start);
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
            if (!sawEol) eol_ = "\r\n";
        }
        if (nl != std::string::npos) sawEol = true;
        lines_.push_back(std::move(line));
        if (nl == std::string::npos) break;
        start = nl + 1;
    }
}

bool IniFile::keyOf(const std::string& line, std::string& key, std::string& value)
{
    const std::string t = trim(line);
    if (t.empty() || t[0] == ';' || t[0] == '#' || t[0] == '[') return false;
    const auto eq = t.find('=');
    if (eq == std::string::npos) return false;
    key = trim(t.substr(0, eq));
    value = trim(t.substr(eq + 1));
    return true;
}

bool IniFile::findSection(const std::string& section, std::size_t& first, std::size_t& last) const
{
    std::string name;
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        if (!sectionOf(lines_[i], name) || !sameName(name, section)) continue;
        first = i + 1;
        last = first;
        while (last < lines_.size() && !sectionOf(lines_[last], name)) ++last;
        return true;
    }
    return false;
}

std::optional<std::string> IniFile::value(const std::string& section, const std::string& key) const
{
    std::size_t first, last;
    if (!findSection(section, first, last)) return std::nullopt;
    std::string k, v;
    for (std::size_t i = first; i < last; ++i)
        if (keyOf(lines_[i], k, v) && sameName(k, key)) return v;
    return std::nullopt;
}

void IniFile::setValue(const std::string& section, const std::string& key, const std::string& value)
{
    const std::string line = key + "=" + value;
    std::size_t first, last;
    if (!findSection(section, first, last)) {
        if (!lines_.empty() && !trim(lines_.back()).empty()) lines_.push_back("");
        lines_.push_back("[" + section + "]");
        lines_.push_back(line);
        return;
    }
    std::string k, v;
    for (std::size_t i = first; i < last; ++i) {
        if (keyOf(lines_[i], k, v) && sameName(k, key)) {
            lines_[i] = line;
            return;
        }
    }
    // After the section's last non-blank line, so a blank separator stays below it.
    std::size_t at = last;
    while (at > first && trim(lines_[at - 1]).empty()) --at;
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at), line);
}

std::string IniFile::text() const
{
    std::string out;
    for (const auto& l : lines_) {
        out += l;
        out += eol_;
    }
    return out;
}

} // namespace zerath
