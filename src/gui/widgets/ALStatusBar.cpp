#include "widgets/ALStatusBar.h"

#include "widgets/Accessibles.h"

#include <QEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>

#include <algorithm>
#include <utility>

TALStatusBar::TALStatusBar(QWidget* parent) : QWidget(parent)
{
    resize(200, 19);
    a11y::install();
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

namespace {
// A panel's text sits 3 pixels inside its sunken frame on the left, 4 on the right.
constexpr int kTextMargins = 7;
} // namespace

void TALStatusBar::setPanelWidths(const QList<int>& widths)
{
    m_widths = widths;
    m_texts.resize(widths.size());
    placeDocked();
    update();
}

void TALStatusBar::putInPanel(QWidget* child, int index, int inset)
{
    m_docked.append({child, index, inset});
    placeDocked();
}

QList<QRect> TALStatusBar::panelRects() const
{
    const auto textNeed = [this](int i) {
        return m_texts[i].isEmpty() ? 0 : fontMetrics().horizontalAdvance(m_texts[i]) + kTextMargins;
    };
    int fixed = 0;
    for (int i = 0; i < m_widths.size(); ++i)
        if (m_widths[i] != Rest)
            fixed += std::max(m_widths[i], textNeed(i));
    const bool hasRest = m_widths.contains(Rest);
    QList<QRect> rects;
    int left = 0;
    for (int i = 0; i < m_widths.size(); ++i) {
        int w = m_widths[i] == Rest ? std::max(0, width() - fixed) : std::max(m_widths[i], textNeed(i));
        if (!hasRest && i == m_widths.size() - 1)
            w = std::max(w, width() - left); // the last panel reaches the right edge
        rects.append(QRect(left, 0, w, height()));
        left += w;
    }
    return rects;
}

void TALStatusBar::placeDocked()
{
    const QList<QRect> rects = panelRects();
    for (const Docked& d : std::as_const(m_docked))
        if (d.child && d.panel >= 0 && d.panel < rects.size())
            d.child->setGeometry(rects[d.panel].adjusted(d.inset, d.inset, -d.inset, -d.inset));
}

QRect TALStatusBar::panelRect(int index) const
{
    const QList<QRect> rects = panelRects();
    return (index >= 0 && index < rects.size()) ? rects[index] : QRect();
}

void TALStatusBar::setPanelText(int index, const QString& text)
{
    if (index < 0 || index >= m_texts.size() || m_texts[index] == text)
        return;
    const QList<QRect> before = panelRects();
    m_texts[index] = text;
    const QList<QRect> after = panelRects();
    if (after == before) {
        update(after[index]);
    } else {
        placeDocked();
        update();
    }
    a11y::nameChanged(this);
}

void TALStatusBar::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    placeDocked();
}

void TALStatusBar::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        placeDocked();
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
        const QList<QRect> panels = panelRects();
        for (int i = 0; i < panels.size(); ++i) {
            const QRect text = sunken(panels[i]);
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
