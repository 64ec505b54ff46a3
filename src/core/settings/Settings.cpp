#include "settings/Settings.h"

#include "common/FileIO.h"
#include "common/FileLock.h"
#include "settings/IniFile.h"

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <optional>

namespace zerath {

namespace {

// A settings file is a few lines; anything larger is not one.
constexpr std::size_t kMaxSettingsSize = 1u << 20;

std::optional<int> parseInt(const std::string& text)
{
    if (text.empty()) return std::nullopt;
    std::size_t i = 0;
    bool negative = false;
    if (text[i] == '+' || text[i] == '-') negative = text[i++] == '-';
    if (i == text.size()) return std::nullopt;
    long long v = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9') return std::nullopt;
        v = v * 10 + (text[i] - '0');
        if (v > static_cast<long long>(INT_MAX) + 1) return std::nullopt;
    }
    if (negative) v = -v;
    if (v < INT_MIN || v > INT_MAX) return std::nullopt;
    return static_cast<int>(v);
}

bool equalsNoCase(const std::string& a, const char* b)
{
    std::size_t i = 0;
    for (; i < a.size() && b[i]; ++i) {
        char c = a[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
        if (c != b[i]) return false;
    }
    return i == a.size() && !b[i];
}

} // namespace

Settings::Settings(const std::string& folder)
{
    path_ = folder;
    if (!path_.empty() && path_.back() != '/') path_ += '/';
    path_ += kFileName;
}

std::string Settings::readText() const
{
    try {
        return readWholeFile(path_, kMaxSettingsSize);
    } catch (const EFileError&) {
        return std::string();
    }
}

bool Settings::stealthyCipher() const
{
    const auto v = IniFile(readText()).value("StealthyCipher", "Activate");
    if (!v) return true;
    if (*v == "1" || equalsNoCase(*v, "true")) return true;
    if (*v == "0" || equalsNoCase(*v, "false")) return false;
    return true;
}

int Settings::compressionLevel() const
{
    const auto v = IniFile(readText()).value("CompressionLevel", "level");
    const auto n = v ? parseInt(*v) : std::nullopt;
    return n ? *n : kDefaultLevel;
}

int Settings::shredCount() const
{
    const auto v = IniFile(readText()).value("FileShredder", "Count");
    const auto n = v ? parseInt(*v) : std::nullopt;
    return n ? *n : kDefaultCount;
}

void Settings::update(const std::function<void(IniFile&)>& change)
{
    // A linked file stays linked: its target is read and replaced, under a lock
    // shared with every other writer.
    const std::string target = resolvedPath(path_);
    const FileLock lock(target, lockmsg::SettingsBusy);
    IniFile ini;
    try {
        ini = IniFile(readWholeFile(target, kMaxSettingsSize));
    } catch (const EFileError& e) {
        // An absent file starts empty; one that cannot be read is not replaced
        // (its other settings would be lost).
        if (std::string(e.what()) != "File not found") throw;
    }
    change(ini);
    writeFileAtomically(target, ini.text(), kOwnerOnly);
}

void Settings::SaveOptions(int compressionIndex, int passCount)
{
    update([&](IniFile& ini) {
        ini.setValue("CompressionLevel", "level", std::to_string(compressionIndex));
        ini.setValue("FileShredder", "Count", std::to_string(passCount));
    });
}

void Settings::SaveStealthyCipher(bool activate)
{
    update([&](IniFile& ini) { ini.setValue("StealthyCipher", "Activate", activate ? "1" : "0"); });
}

int Settings::CompressionLevelInEffect(int stored)
{
    return stored >= 0 && stored <= 3 ? stored : 0;
}

int Settings::ClampPassCount(int stored)
{
    int v = static_cast<std::int16_t>(static_cast<std::uint16_t>(stored & 0xFFFF));
    if (v < kMinPasses) v = kMinPasses;
    if (v > kMaxPasses) v = kMaxPasses;
    return v - (v % 2);
}

} // namespace zerath
