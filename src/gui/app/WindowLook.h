#pragma once
// Colours and fonts shared by the main window and the options dialog: light
// text on the dark window pictures.
#include "widgets/UiScale.h"
#include <QColor>
#include <QFont>
#include <QWidget>

namespace look {

inline const QColor kLightText{0xE6, 0xEE, 0xF5};
inline const QColor kHeading{0xF3, 0xD9, 0x8B};
inline const QColor kDimText{0xA9, 0xBD, 0xCF};

// The colour of a label's, check box's or group box's own text in every state.
inline void setTextColour(QWidget* w, const QColor& colour)
{
    QPalette pal = w->palette();
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        pal.setColor(group, QPalette::WindowText, colour);
    }
    w->setPalette(pal);
}

inline QFont uiFont(int pixelSize = 12, bool bold = false)
{
    QFont f(QStringLiteral("Arial"));
    ui::setDesignSize(f, pixelSize);
    f.setBold(bold);
    return f;
}

} // namespace look
