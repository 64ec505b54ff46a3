#pragma once
#include "widgets/SkinnedWindow.h"

class QLabel;
class QPushButton;
namespace a11y {
class ProgressStandIn;
}

// Progress window: three status lines, the current one bold, a thin bar for
// the share of the input processed, a line for the file of a batch with its
// throughput and time left, and a Cancel button (Escape does the same). Stays
// on top; shown without modality.
class Tpopupfrm : public SkinnedWindow {
    Q_OBJECT
public:
    explicit Tpopupfrm(QWidget* parent = nullptr);

    QLabel* process1;
    QLabel* process2;
    QLabel* process3;
    QLabel* batchLine;  // "File 2 of 5: NAME"
    QLabel* speedLine;  // "42% · 3.1 MB/s · 0:12 left"
    QPushButton* Cancelbtn;

    // Sets the three lines; line boldIndex (1..3) is bold, 0 = none bold.
    void setLines(const QString& line1, const QString& line2, const QString& line3, int boldIndex);
    // Share of the input processed, 0..1 (clamped; NaN counts as 0).
    void setFraction(double fraction);
    double fraction() const { return m_fraction; }
    // Where a batch stands; empty texts hide the two lines.
    void setBatchText(const QString& file, const QString& speed);
    // Back to "-", "-", "-", an empty bar, no batch line and no cancel request.
    void resetLines();
    // True once Cancel (or Escape) was pressed since the window was last reset.
    bool cancelRequested() const { return m_cancel; }
    // Centres over the main window and shows without modality.
    void showOver(QWidget* mainWindow);
    int boldIndex() const { return m_bold; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    a11y::ProgressStandIn* m_bar; // where the bar is painted
    double m_fraction = 0.0;
    int m_bold = 0;
    bool m_cancel = false;
};
