#pragma once
// What assistive technology (a screen reader through AT-SPI) learns about the
// program's own drawn controls: the image buttons are push buttons with a
// press action and their Alt key, the progress bars report their value, the
// status bars their panels' texts, and a read-only field stepped by an
// up-down counter is a spin box.
#include <QString>
#include <QWidget>

namespace a11y {

// Registers the interfaces with Qt's accessibility once; every custom
// control calls it when it is made, so no start-up code can forget it.
void install();

// Tells listeners that a control's name (a status panel, a changing line) or
// value (a bar's position) changed.
void nameChanged(QWidget* widget);
void valueChanged(QWidget* widget, int value);

// Stands, for assistive technology only, for a bar its window paints itself:
// it draws nothing and takes no clicks, and reports a percentage.
class ProgressStandIn : public QWidget {
    Q_OBJECT
public:
    explicit ProgressStandIn(QWidget* parent);
    int percent() const { return m_percent; }
    void setPercent(int percent);

private:
    int m_percent = 0;
};

// A caption as it is spoken: without its "&" marks and surrounding spaces.
QString spokenText(const QString& caption);

} // namespace a11y
