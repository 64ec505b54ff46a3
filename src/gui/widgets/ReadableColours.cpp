#include "widgets/ReadableColours.h"

#include <QPalette>
#include <QWidget>

#include <algorithm>
#include <cmath>

namespace readable {
namespace {

double luminance(const QColor& c)
{
    const auto linear = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
    return 0.2126 * linear(c.redF()) + 0.7152 * linear(c.greenF()) + 0.0722 * linear(c.blueF());
}

} // namespace

double contrast(const QColor& a, const QColor& b)
{
    const double x = luminance(a), y = luminance(b);
    return (std::max(x, y) + 0.05) / (std::min(x, y) + 0.05);
}

void keepSelectionReadable(QWidget* view)
{
    QPalette pal = view->palette();
    bool changed = false;
    for (auto group : {QPalette::Active, QPalette::Inactive}) {
        const QColor text = pal.color(group, QPalette::HighlightedText);
        QColor behind = pal.color(group, QPalette::Highlight);
        const bool darken = luminance(text) > luminance(behind);
        for (int step = 0; step < 40 && contrast(text, behind) < kMinimumContrast; ++step) {
            behind = darken ? behind.darker(110) : behind.lighter(110);
            pal.setColor(group, QPalette::Highlight, behind);
            changed = true;
        }
    }
    if (changed) view->setPalette(pal);
}

} // namespace readable
