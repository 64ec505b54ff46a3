#pragma once
// The search field above a key grid: as one types, the grid shows only the
// keys whose owner, key ID or fingerprint holds the text, without regard to
// case (spaces and colons in a fingerprint do not count).
#include <QString>

class QLineEdit;
class QWidget;
class TKeyRingGrid;
namespace zerath {
struct KeyRecord;
}

namespace keysearch {

// Whether a record is found by `text` (an empty text finds every record).
bool matches(const zerath::KeyRecord& record, const QString& text);

// Makes the field, a child of `parent`, that filters `grid`; the filter holds
// across reloads of the grid. The caller places it.
QLineEdit* addSearchField(TKeyRingGrid* grid, QWidget* parent);

} // namespace keysearch
