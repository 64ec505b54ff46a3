#include "widgets/UiScale.h"

#include <QGuiApplication>
#include <QScreen>
#include <algorithm>
#include <cmath>

namespace ui {

namespace {

// The desktop's own font over the 10 points the pictures were drawn for.
double desktopFontFactor()
{
    if (!QGuiApplication::instance()) return 1.0;
    const double points = QGuiApplication::font().pointSizeF();
    return points > 0 ? std::max(1.0, points / 10.0) : 1.0;
}

} // namespace

double scale()
{
    static const double factor = [] {
        double dpi = 96.0;
        if (QGuiApplication::instance())
            if (const QScreen* screen = QGuiApplication::primaryScreen()) dpi = screen->logicalDotsPerInchY();
        return std::max(1.0, dpi / 96.0) * desktopFontFactor();
    }();
    return factor;
}

int px(int designPixels)
{
    return int(std::lround(designPixels * scale()));
}

QRect px(const QRect& design)
{
    return QRect(px(design.x()), px(design.y()), px(design.width()), px(design.height()));
}

void setDesignSize(QFont& font, int designPixels)
{
    // 96 pixels to the inch, 72 points: a design pixel is three quarters of a point.
    font.setPointSizeF(designPixels * 0.75 * desktopFontFactor());
}

} // namespace ui
