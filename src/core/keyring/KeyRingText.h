#pragma once
// The key ring's text as records, independent of the table that shows it: which
// line the table cannot read whole, and whether a text about to replace the key
// ring reads back as exactly the records meant.
//
// A line reads whole when every byte of it comes back in a field: no NUL (the
// table stops reading there), at most ten items, no value the reader changes
// (leading blanks or control characters skipped, a leading double quote taken
// as quoting), none longer than its field's declared size.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "keyring/KeyRecord.h"

namespace zerath {

// Lines as the table splits them (LF, CR or CR LF end one; a last line without
// an ending counts), except that a NUL stays in its line.
std::vector<std::string> SplitLinesKeepingNul(std::string_view content);
// 1-based number of the first line that does not read whole; nullopt when all do.
std::optional<std::size_t> FirstDamagedLine(std::string_view content);
// The records as the table reads them: each field cut to its declared size,
// trailing blanks removed.
std::vector<KeyRecord> ReadKeyRingRecords(std::string_view content);
// A record's line: the ten values joined with "|", trailing empty fields dropped.
std::string KeyRingLine(const KeyRecord& record);
// Refuses (Error) a text that has a damaged line or does not read back as
// exactly the intended records, in order.
void CheckKeyRingText(std::string_view content, const std::vector<KeyRecord>& intended);

} // namespace zerath
