#include "pubkey/KeyDateTime.h"

#include <cstdio>

namespace zerath {

KeyDateTime FormatKeyDateTime(const std::tm& local)
{
    char date[32];
    char time[32];
    std::snprintf(date, sizeof date, "%02d/%02d/%04d", local.tm_mday, local.tm_mon + 1, local.tm_year + 1900);
    std::snprintf(time, sizeof time, "%02d:%02d:%02d", local.tm_hour, local.tm_min, local.tm_sec);
    return KeyDateTime{date, time};
}

KeyDateTime CurrentKeyDateTime()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return FormatKeyDateTime(local);
}

} // namespace zerath
