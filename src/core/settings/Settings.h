#pragma once
// The settings file zerath.ini in the program's folder:
//   [StealthyCipher]   Activate = 1 or 0   (default true)
//   [CompressionLevel] level    = integer  (default 1)
//   [FileShredder]     Count    = integer  (default 4)
// A missing or unreadable file, a missing key or a value not of its type reads
// as the default. Writes replace the file through a temporary beside it, so a
// failed write leaves the previous zerath.ini as it was; other sections and keys
// of the file are kept. Write errors reach the caller as EFileError.
#include <string>

namespace zerath {

class Settings {
public:
    static constexpr const char* kFileName = "zerath.ini";
    static constexpr int kDefaultLevel = 1;
    static constexpr int kDefaultCount = 4;
    static constexpr int kMinPasses = 4;
    static constexpr int kMaxPasses = 10;

    // folder: the program's folder, with or without a trailing "/".
    explicit Settings(const std::string& folder);
    const std::string& path() const { return path_; }

    // "Activate" accepts 0 and 1, and true and false in any letter case.
    bool stealthyCipher() const;
    // Integers are decimal with an optional sign and surrounding blanks, within
    // the 32-bit range.
    int compressionLevel() const;
    int shredCount() const;

    // Writes "level" of "CompressionLevel", then "Count" of "FileShredder" (the
    // level is written as given, -1 included).
    void SaveOptions(int compressionIndex, int passCount);
    // Writes "Activate" of "StealthyCipher" as 1 or 0.
    void SaveStealthyCipher(bool activate);

    // A stored pass count as the options counter holds it: taken as a 16-bit
    // value, clamped to 4..10, an odd value rounded down to the even step below
    // (5 -> 4, 9 -> 8); so never more than 10 and never below 4.
    static int ClampPassCount(int stored);
    // The compression index a stored level puts in effect: the level when it is
    // 0..3, else 0 (the desktop program leaves its start value then).
    static int CompressionLevelInEffect(int stored);

private:
    std::string readText() const; // empty when the file is absent
    std::string path_;
};

} // namespace zerath
