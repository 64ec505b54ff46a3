#include "widgets/FocusFrameStyle.h"

#include <QPainter>
#include <QStyleOption>

namespace {

void drawFocusFrame(const QStyleOption* option, QPainter* painter)
{
    if (!(option->state & QStyle::State_HasFocus)) return;
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing, true);
    painter->setPen(QPen(option->palette.color(QPalette::Highlight), 2));
    painter->setBrush(Qt::NoBrush);
    painter->drawRoundedRect(QRectF(option->rect).adjusted(1.5, 1.5, -1.5, -1.5), 3, 3);
    painter->restore();
}

} // namespace

void FocusFrameStyle::drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                                  const QWidget* widget) const
{
    QProxyStyle::drawControl(element, option, painter, widget);
    if (element == CE_PushButton) drawFocusFrame(option, painter);
}

void FocusFrameStyle::drawComplexControl(ComplexControl control, const QStyleOptionComplex* option, QPainter* painter,
                                         const QWidget* widget) const
{
    QProxyStyle::drawComplexControl(control, option, painter, widget);
    if (control == CC_ToolButton) drawFocusFrame(option, painter);
}
