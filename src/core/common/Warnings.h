#pragma once
// Warnings the user must see while the work goes on: a data folder that is not
// used because others could have planted files in it, a key ring opened
// read-only. The command-line program prints them on standard error, the
// desktop program shows a warning box. A text is given once per process.
#include <functional>
#include <string>

namespace zerath {

using WarningSink = std::function<void(const std::string& text)>;

// nullptr restores the default: "warning: TEXT" on standard error.
void SetWarningSink(WarningSink sink);
void Warn(const std::string& text);

} // namespace zerath
