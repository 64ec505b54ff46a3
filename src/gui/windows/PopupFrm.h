#pragma once
#include "widgets/SkinnedWindow.h"

class QLabel;

// Progress window: three status lines, the current one bold, and a thin bar
// for the share of the input processed. Stays on top; shown without modality.
class Tpopupfrm : public SkinnedWindow {
    Q_OBJECT
public:
    explicit Tpopupfrm(QWidget* parent = nullptr);

    QLabel* process1;
    QLabel* process2;
    QLabel* process3;

    // Sets the three lines; line boldIndex (1..3) is bold, 0 = none bold.
    void setLines(const QString& line1, const QString& line2, const QString& line3, int boldIndex);
    // Share of the input processed, 0..1 (clamped; NaN counts as 0).
    void setFraction(double fraction);
    double fraction() const { return m_fraction; }
    // Back to "-", "-", "-" and an empty bar.
    void resetLines();
    // Centres over the main window and shows without modality.
    void showOver(QWidget* mainWindow);
    int boldIndex() const { return m_bold; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QRect barRect() const;
    double m_fraction = 0.0;
    int m_bold = 0;
};
