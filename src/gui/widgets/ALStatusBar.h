#pragma once
#include <QList>
#include <QRect>
#include <QString>
#include <QWidget>

// Status bar with fixed-width panels (the last one reaching the right edge)
// that also holds child controls placed at absolute positions, such as a
// progress bar laid over a panel. 19 pixels high unless resized.
class TALStatusBar : public QWidget {
    Q_OBJECT
public:
    explicit TALStatusBar(QWidget* parent = nullptr);

    void setPanelWidths(const QList<int>& widths);
    int panelCount() const { return int(m_widths.size()); }
    QRect panelRect(int index) const;
    void setPanelText(int index, const QString& text); // ignored for a missing panel
    QString panelText(int index) const;
    void setSizeGrip(bool on);
    bool sizeGrip() const { return m_sizeGrip; }
    // Single-panel mode: the whole bar shows simpleText().
    void setSimplePanel(bool on);
    bool simplePanel() const { return m_simple; }
    void setSimpleText(const QString& text);
    const QString& simpleText() const { return m_simpleText; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QList<int> m_widths;
    QList<QString> m_texts;
    bool m_sizeGrip = false;
    bool m_simple = false;
    QString m_simpleText;
};
