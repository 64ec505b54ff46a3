#pragma once
#include <QWidget>

class QLineEdit;
class QToolButton;

// Up-down counter bound to a read-only text field: steps within a range, no
// wrap-around. The arrow keys in the bound field step it as well.
class TUpDown : public QWidget {
    Q_OBJECT
public:
    explicit TUpDown(QWidget* parent = nullptr);

    void setRange(int minimum, int maximum);
    void setIncrement(int step) { m_step = step; }
    int minimum() const { return m_min; }
    int maximum() const { return m_max; }
    int increment() const { return m_step; }
    int position() const { return m_position; }
    // Clamped to the range.
    void setPosition(int position);
    void stepUp() { setPosition(m_position + m_step); }
    void stepDown() { setPosition(m_position - m_step); }

    // The field that shows the position.
    void setAssociate(QLineEdit* edit);
    // The counter whose position a field shows, or null.
    static TUpDown* counterOf(const QLineEdit* edit);
    QToolButton* upButton() const { return m_up; }
    QToolButton* downButton() const { return m_down; }

signals:
    void positionChanged(int position);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    int m_min = 0, m_max = 100, m_step = 1, m_position = 0;
    QLineEdit* m_associate = nullptr;
    QToolButton* m_up;
    QToolButton* m_down;
};
