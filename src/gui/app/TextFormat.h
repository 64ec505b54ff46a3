#pragma once
#include <QString>

// Groups the digits of a decimal text in threes from the right, separated by
// ","; texts of three characters or fewer come back unchanged
// ("1234567" gives "1,234,567"). A leading sign stays in front of the groups.
QString FormatThousands(const QString& digits);
