#include "widgets/Accessibles.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QKeySequence>
#include <QLineEdit>

#include "widgets/ALProgressBar.h"
#include "widgets/ALStatusBar.h"
#include "widgets/HNoShape.h"
#include "widgets/UpDown.h"

namespace a11y {

QString spokenText(const QString& caption)
{
    QString s;
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption[i] == QLatin1Char('&') && i + 1 < caption.size()) ++i; // "&&" is one "&"
        s += caption[i];
    }
    return s.trimmed();
}

namespace {

// An image button: a push button whose press action is its click.
class ImageButtonAccessible : public QAccessibleWidget {
public:
    explicit ImageButtonAccessible(THNoShape* button) : QAccessibleWidget(button, QAccessible::Button) {}
    THNoShape* button() const { return static_cast<THNoShape*>(widget()); }

    QString text(QAccessible::Text t) const override
    {
        switch (t) {
        case QAccessible::Name: {
            QString name = button()->accessibleName();
            if (name.isEmpty()) name = spokenText(button()->caption());
            if (name.isEmpty()) name = button()->toolTip();
            return name;
        }
        case QAccessible::Description: {
            const QString tip = button()->toolTip();
            return tip == text(QAccessible::Name) ? button()->accessibleDescription() : tip;
        }
        case QAccessible::Accelerator: return shortcut();
        default: return QAccessibleWidget::text(t);
        }
    }
    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        s.pressed = button()->isPressed();
        return s;
    }
    QStringList actionNames() const override
    {
        return QStringList{pressAction()} + QAccessibleWidget::actionNames();
    }
    void doAction(const QString& action) override
    {
        if (action == pressAction())
            button()->click();
        else
            QAccessibleWidget::doAction(action);
    }
    QStringList keyBindingsForAction(const QString& action) const override
    {
        if (action == pressAction() && !shortcut().isEmpty()) return {shortcut()};
        return QAccessibleWidget::keyBindingsForAction(action);
    }

private:
    QString shortcut() const { return QKeySequence::mnemonic(button()->caption()).toString(QKeySequence::NativeText); }
};

// Value interface over a widget whose value lives elsewhere.
class ValueAccessible : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    using QAccessibleWidget::QAccessibleWidget;
    void* interface_cast(QAccessible::InterfaceType t) override
    {
        if (t == QAccessible::ValueInterface) return static_cast<QAccessibleValueInterface*>(this);
        return QAccessibleWidget::interface_cast(t);
    }
    void setCurrentValue(const QVariant&) override {}
    QVariant minimumStepSize() const override { return 1; }
};

class ProgressBarAccessible : public ValueAccessible {
public:
    explicit ProgressBarAccessible(TALProgressBar* bar) : ValueAccessible(bar, QAccessible::ProgressBar) {}
    TALProgressBar* bar() const { return static_cast<TALProgressBar*>(widget()); }
    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Value) return QString::number(bar()->position()) + QStringLiteral(" of ") + QString::number(bar()->max());
        if (t == QAccessible::Name && bar()->accessibleName().isEmpty()) return QStringLiteral("Progress");
        return QAccessibleWidget::text(t);
    }
    QVariant currentValue() const override { return bar()->position(); }
    QVariant maximumValue() const override { return bar()->max(); }
    QVariant minimumValue() const override { return bar()->min(); }
};

class StatusBarAccessible : public QAccessibleWidget {
public:
    explicit StatusBarAccessible(TALStatusBar* bar) : QAccessibleWidget(bar, QAccessible::StatusBar) {}
    TALStatusBar* bar() const { return static_cast<TALStatusBar*>(widget()); }
    QString text(QAccessible::Text t) const override
    {
        if (t != QAccessible::Name) return QAccessibleWidget::text(t);
        if (bar()->simplePanel()) return bar()->simpleText();
        QStringList texts;
        for (int i = 0; i < bar()->panelCount(); ++i)
            if (!bar()->panelText(i).isEmpty()) texts << bar()->panelText(i);
        return texts.isEmpty() ? QStringLiteral("Status") : texts.join(QStringLiteral("; "));
    }
};

// The read-only field of an up-down counter: a spin box whose value the
// arrow keys step.
class CounterAccessible : public ValueAccessible {
public:
    CounterAccessible(QLineEdit* field, TUpDown* counter) : ValueAccessible(field, QAccessible::SpinBox), m_counter(counter) {}
    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Value) return QString::number(m_counter->position());
        return QAccessibleWidget::text(t);
    }
    QVariant currentValue() const override { return m_counter->position(); }
    void setCurrentValue(const QVariant& value) override { m_counter->setPosition(value.toInt()); }
    QVariant maximumValue() const override { return m_counter->maximum(); }
    QVariant minimumValue() const override { return m_counter->minimum(); }
    QVariant minimumStepSize() const override { return m_counter->increment(); }
    QStringList actionNames() const override
    {
        return QStringList{increaseAction(), decreaseAction()} + QAccessibleWidget::actionNames();
    }
    void doAction(const QString& action) override
    {
        if (action == increaseAction()) m_counter->stepUp();
        else if (action == decreaseAction()) m_counter->stepDown();
        else QAccessibleWidget::doAction(action);
    }

private:
    TUpDown* m_counter;
};

class StandInAccessible : public ValueAccessible {
public:
    explicit StandInAccessible(ProgressStandIn* bar) : ValueAccessible(bar, QAccessible::ProgressBar) {}
    ProgressStandIn* bar() const { return static_cast<ProgressStandIn*>(widget()); }
    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Value) return QString::number(bar()->percent()) + QLatin1Char('%');
        if (t == QAccessible::Name) return QStringLiteral("Progress");
        return QAccessibleWidget::text(t);
    }
    QVariant currentValue() const override { return bar()->percent(); }
    QVariant maximumValue() const override { return 100; }
    QVariant minimumValue() const override { return 0; }
};

QAccessibleInterface* factory(const QString& className, QObject* object)
{
    if (!object || !object->isWidgetType()) return nullptr;
    if (className == QLatin1String("a11y::ProgressStandIn"))
        return new StandInAccessible(static_cast<ProgressStandIn*>(object));
    if (className == QLatin1String("THNoShape")) return new ImageButtonAccessible(static_cast<THNoShape*>(object));
    if (className == QLatin1String("TALProgressBar"))
        return new ProgressBarAccessible(static_cast<TALProgressBar*>(object));
    if (className == QLatin1String("TALStatusBar")) return new StatusBarAccessible(static_cast<TALStatusBar*>(object));
    if (className == QLatin1String("QLineEdit")) {
        if (auto* counter = TUpDown::counterOf(static_cast<QLineEdit*>(object)))
            return new CounterAccessible(static_cast<QLineEdit*>(object), counter);
    }
    return nullptr;
}

} // namespace

ProgressStandIn::ProgressStandIn(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_TransparentForMouseEvents, true);
    setAttribute(Qt::WA_NoSystemBackground, true);
    setFocusPolicy(Qt::NoFocus);
    install();
}

void ProgressStandIn::setPercent(int percent)
{
    if (percent == m_percent) return;
    m_percent = percent;
    valueChanged(this, percent);
}

void install()
{
    static const bool installed = [] {
        QAccessible::installFactory(factory);
        return true;
    }();
    (void)installed;
}

void nameChanged(QWidget* widget)
{
    if (!QAccessible::isActive()) return;
    QAccessibleEvent event(widget, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&event);
}

void valueChanged(QWidget* widget, int value)
{
    if (!QAccessible::isActive()) return;
    QAccessibleValueChangeEvent event(widget, value);
    QAccessible::updateAccessibility(&event);
}

} // namespace a11y
