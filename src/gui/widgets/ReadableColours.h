#pragma once
// Text a user can read against what is behind it, whatever colours the
// desktop hands out.
#include <QColor>

class QWidget;

namespace readable {

// How far apart two colours are to the eye: the ratio of their relative
// luminances, each plus 0.05 (1 for equal colours, 21 for black on white).
double contrast(const QColor& a, const QColor& b);

// The smallest ratio between a text and its background a reader can rely on.
inline constexpr double kMinimumContrast = 4.5;

// A view's selected rows keep the palette's selection colour unless the
// selected text cannot be read on it (white on the stock light blue): then
// the selection takes a darker (or, under dark text, lighter) shade of it.
void keepSelectionReadable(QWidget* view);

} // namespace readable
