#pragma once
#include <QProxyStyle>

// The desktop's style, with a focus mark that can be seen on the dark window
// pictures: a push button or tool button holding the keyboard focus gets a
// two-pixel frame in the highlight colour.
class FocusFrameStyle : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget = nullptr) const override;
    void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option, QPainter* painter,
                            const QWidget* widget = nullptr) const override;
};
