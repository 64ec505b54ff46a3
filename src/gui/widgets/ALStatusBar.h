#pragma once
#include <QList>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QWidget>

// Status bar with panels side by side, each at least as wide as its text. A
// panel of width Rest takes what the others leave of the bar; without one the
// last panel reaches the right edge. Child controls laid over a panel, such as
// a progress bar, follow it as the bar and its panels change size. 19 pixels
// high unless resized.
class TALStatusBar : public QWidget {
    Q_OBJECT
public:
    static constexpr int Rest = -1;

    explicit TALStatusBar(QWidget* parent = nullptr);

    void setPanelWidths(const QList<int>& widths);
    // Keeps the child over the panel, `inset` pixels inside its edges.
    void putInPanel(QWidget* child, int index, int inset = 2);
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
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    struct Docked {
        QPointer<QWidget> child;
        int panel, inset;
    };
    QList<QRect> panelRects() const;
    void placeDocked();

    QList<int> m_widths;
    QList<Docked> m_docked;
    QList<QString> m_texts;
    bool m_sizeGrip = false;
    bool m_simple = false;
    QString m_simpleText;
};
