#include "widgets/UpDown.h"
#include "widgets/UiScale.h"

#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QToolButton>

#include "widgets/Accessibles.h"

namespace {
const char* const kCounterProperty = "zerathCounter";
} // namespace

TUpDown* TUpDown::counterOf(const QLineEdit* edit)
{
    return edit ? qobject_cast<TUpDown*>(edit->property(kCounterProperty).value<QObject*>()) : nullptr;
}

TUpDown::TUpDown(QWidget* parent) : QWidget(parent)
{
    m_up = new QToolButton(this);
    m_down = new QToolButton(this);
    m_up->setText(QStringLiteral("\u25B2"));
    m_down->setText(QStringLiteral("\u25BC"));
    QFont arrows = font();
    ui::setDesignSize(arrows, 7);
    m_up->setObjectName(QStringLiteral("upButton"));
    m_down->setObjectName(QStringLiteral("downButton"));
    for (QToolButton* b : {m_up, m_down}) {
        b->setFont(arrows);
        b->setToolButtonStyle(Qt::ToolButtonTextOnly);
        b->setAutoRepeat(true);
        b->setFocusPolicy(Qt::NoFocus);
    }
    // Spoken names instead of the arrow glyphs.
    m_up->setAccessibleName(QStringLiteral("Increase"));
    m_down->setAccessibleName(QStringLiteral("Decrease"));
    a11y::install();
    connect(m_up, &QToolButton::clicked, this, &TUpDown::stepUp);
    connect(m_down, &QToolButton::clicked, this, &TUpDown::stepDown);
    resize(17, 22);
}

void TUpDown::setRange(int minimum, int maximum)
{
    m_min = minimum;
    m_max = maximum < minimum ? minimum : maximum;
    setPosition(m_position);
}

void TUpDown::setPosition(int position)
{
    const int p = position < m_min ? m_min : (position > m_max ? m_max : position);
    const bool changed = p != m_position;
    m_position = p;
    if (m_associate) m_associate->setText(QString::number(m_position));
    if (changed && m_associate) a11y::valueChanged(m_associate, m_position);
    if (changed) emit positionChanged(m_position);
}

void TUpDown::setAssociate(QLineEdit* edit)
{
    if (m_associate) {
        m_associate->removeEventFilter(this);
        m_associate->setProperty(kCounterProperty, QVariant());
    }
    m_associate = edit;
    if (m_associate) {
        m_associate->setProperty(kCounterProperty, QVariant::fromValue<QObject*>(this));
        m_associate->installEventFilter(this);
        m_associate->setText(QString::number(m_position));
    }
}

bool TUpDown::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_associate && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Up) {
            stepUp();
            return true;
        }
        if (key == Qt::Key_Down) {
            stepDown();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TUpDown::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    const int half = height() / 2;
    m_up->setGeometry(0, 0, width(), half);
    m_down->setGeometry(0, half, width(), height() - half);
}
