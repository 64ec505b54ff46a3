#pragma once
#include <QString>

#include <string_view>

// Groups the digits of a decimal text in threes from the right, separated by
// ","; texts of three characters or fewer come back unchanged
// ("1234567" gives "1,234,567"). A leading sign stays in front of the groups.
QString FormatThousands(const QString& digits);

// A key's text (owner, date, key ID) as the windows show it: control and text
// direction characters and bytes that are not UTF-8 escaped, as zerath-cli
// prints them, so one name cannot pass for another.
QString KeyText(std::string_view text);
