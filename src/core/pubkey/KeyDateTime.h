#pragma once
// Creation date and time of a new key, as text. The texts are stored in the key
// files and the key ring, hashed into the fingerprint and shown as they stand;
// they are never parsed back. A fixed form keeps them the same whatever the
// user's regional settings: the date as "dd/MM/yyyy" (for example 07/03/2024)
// and the time as "HH:mm:ss" on a 24-hour clock (for example 09:05:01), both in
// local time, digits only from the C locale.
#include <ctime>
#include <string>

namespace zerath {

struct KeyDateTime {
    std::string Date; // "dd/MM/yyyy"
    std::string Time; // "HH:mm:ss"
};

KeyDateTime FormatKeyDateTime(const std::tm& local);
// The current local date and time.
KeyDateTime CurrentKeyDateTime();

} // namespace zerath
