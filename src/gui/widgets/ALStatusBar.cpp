#include "widgets/ALStatusBar.h"

#include "widgets/Accessibles.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOption>

TALStatusBar::TALStatusBar(QWidget* parent) : QWidget(parent)
{
    resize(200, 19);
    a11y::install();
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

void TALStatusBar::setPanelWidths(const QList<int>& widths)
{
    m_widths = widths;
    m_texts.resize(widths.size());
    update();
}

QRect TALStatusBar::panelRect(int index) const
{
    if (index < 0 || index >= m_widths.size())
        return QRect();
    int left = 0;
    for (int i = 0; i < index; ++i)
        left += m_widths[i];
    int w = m_widths[index];
    if (index == m_widths.size() - 1)
        w = std::max(w, width() - left); // the last panel reaches the right edge
    return QRect(left, 0, w, height());
}

void TALStatusBar::setPanelText(int index, const QString& text)
{
    if (index < 0 || index >= m_texts.size() || m_texts[index] == text)
        return;
    m_texts[index] = text;
    update(panelRect(index));
    a11y::nameChanged(this);
}

QString TALStatusBar::panelText(int index) const
{
    return (index >= 0 && index < m_texts.size()) ? m_texts[index] : QString();
}

void TALStatusBar::setSizeGrip(bool on)
{
    m_sizeGrip = on;
    update();
}

void TALStatusBar::setSimplePanel(bool on)
{
    m_simple = on;
    update();
}

void TALStatusBar::setSimpleText(const QString& text)
{
    m_simpleText = text;
    update();
    a11y::nameChanged(this);
}

QSize TALStatusBar::sizeHint() const
{
    return QSize(200, std::max(19, fontMetrics().height() + 6));
}

void TALStatusBar::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), palette().color(QPalette::Window));
    const QColor shadow = palette().color(QPalette::Dark);
    const QColor light = palette().color(QPalette::Light);
    const auto sunken = [&](QRect r) {
        r.adjust(0, 2, -2, 0);
        p.setPen(shadow);
        p.drawLine(r.topLeft(), r.topRight());
        p.drawLine(r.topLeft(), r.bottomLeft());
        p.setPen(light);
        p.drawLine(r.bottomLeft(), r.bottomRight());
        p.drawLine(r.topRight(), r.bottomRight());
        return r.adjusted(3, 1, -2, -1);
    };
    p.setFont(font());
    if (m_simple) {
        const QRect text = sunken(rect());
        p.setPen(palette().color(QPalette::WindowText));
        p.drawText(text, Qt::AlignVCenter | Qt::AlignLeft | Qt::TextSingleLine, m_simpleText);
    } else {
        for (int i = 0; i < m_widths.size(); ++i) {
            const QRect text = sunken(panelRect(i));
            p.setPen(palette().color(QPalette::WindowText));
            p.drawText(text, Qt::AlignVCenter | Qt::AlignLeft | Qt::TextSingleLine, m_texts[i]);
        }
    }
    if (m_sizeGrip) {
        QStyleOptionSizeGrip opt;
        opt.initFrom(this);
        opt.rect = QRect(width() - 14, height() - 14, 14, 14);
        opt.corner = Qt::BottomRightCorner;
        style()->drawControl(QStyle::CE_SizeGrip, &opt, &p, this);
    }
}
