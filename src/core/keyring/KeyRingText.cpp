#include "keyring/KeyRingText.h"

#include "common/Error.h"
#include "keyring/KeyRing.h"
#include "keyring/SdfDataSet.h"

namespace zerath {

std::vector<std::string> SplitLinesKeepingNul(std::string_view content)
{
    std::vector<std::string> out;
    std::size_t start = 0, i = 0;
    while (i < content.size()) {
        const char c = content[i];
        if (c == '\n' || c == '\r') {
            out.emplace_back(content.substr(start, i - start));
            ++i;
            if (c == '\r' && i < content.size() && content[i] == '\n') ++i;
            start = i;
        } else {
            ++i;
        }
    }
    if (start < content.size()) out.emplace_back(content.substr(start));
    return out;
}

namespace {

bool readsWhole(const std::string& line)
{
    if (line.find('\0') != std::string::npos) return false;
    const auto items = TSdfDataSet::SplitLine(line, KeyRing::kDelimiter, kKeyRecordFieldCount + 1);
    if (items.size() > kKeyRecordFieldCount) return false;
    std::string joined;
    for (std::size_t k = 0; k < items.size(); ++k) {
        if (items[k].size() > kKeyRecordFields[k].declaredSize) return false;
        if (k) joined += KeyRing::kDelimiter;
        joined += items[k];
    }
    // One delimiter after the last value is read and dropped harmlessly.
    return line == joined || line == joined + KeyRing::kDelimiter;
}

} // namespace

std::optional<std::size_t> FirstDamagedLine(std::string_view content)
{
    const auto lines = SplitLinesKeepingNul(content);
    for (std::size_t i = 0; i < lines.size(); ++i)
        if (!readsWhole(lines[i])) return i + 1;
    return std::nullopt;
}

std::vector<KeyRecord> ReadKeyRingRecords(std::string_view content)
{
    std::vector<KeyRecord> records;
    for (const std::string& line : SplitKeyRingLines(content)) {
        const auto items = TSdfDataSet::SplitLine(line, KeyRing::kDelimiter, kKeyRecordFieldCount);
        KeyRecord r;
        for (std::size_t k = 0; k < items.size(); ++k) {
            std::string v = items[k].substr(0, kKeyRecordFields[k].declaredSize);
            while (!v.empty() && v.back() == ' ') v.pop_back();
            SetFieldByName(r, kKeyRecordFields[k].name, v);
        }
        records.push_back(std::move(r));
    }
    return records;
}

std::string KeyRingLine(const KeyRecord& record)
{
    std::string line;
    for (std::size_t k = 0; k < kKeyRecordFieldCount; ++k) {
        if (k) line += KeyRing::kDelimiter;
        line.append(FieldOf(record, k));
    }
    while (!line.empty() && line.back() == KeyRing::kDelimiter) line.pop_back();
    return line;
}

void CheckKeyRingText(std::string_view content, const std::vector<KeyRecord>& intended)
{
    if (const auto bad = FirstDamagedLine(content))
        throw Error("the key ring's line " + std::to_string(*bad) + " would not read back whole");
    if (ReadKeyRingRecords(content) != intended) throw Error("the key ring would not read back as intended");
}

} // namespace zerath
