#pragma once
// Text follows the desktop: fonts are sized in points (so the font DPI, as
// QT_FONT_DPI sets it, and a larger desktop font make them larger), and the
// skinned windows grow with their text by the same factor, picture and
// placement alike, so that nothing is cut off.
#include <QFont>
#include <QRect>

namespace ui {

// Text size the desktop asks for over the pictures' design size (96 DPI, a
// 10-point desktop font); never below 1.
double scale();
// A design length in pixels at the current scale.
int px(int designPixels);
QRect px(const QRect& design);
// Sets the font's size in points for a design size given in pixels.
void setDesignSize(QFont& font, int designPixels);

} // namespace ui
