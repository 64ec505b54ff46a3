#pragma once
// The options dialog: compression level and the number of wiping passes.
// Created once at program start; it reads zerath.ini then and sets the
// compression level in effect, and its pass counter is the pass count in
// effect for the whole run (the wiping routine reads it for every file).
#include <QWidget>

#include "widgets/SkinnedWindow.h"

class AppContext;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
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

class TOptionsDlg : public SkinnedWindow {
    Q_OBJECT
public:
    static constexpr int kWidth = 365;
    static constexpr int kHeight = 260;

    // Loads the settings of ctx once and installs the pass counter as the pass
    // count in effect (until the dialog is destroyed).
    explicit TOptionsDlg(AppContext& ctx, QWidget* parent = nullptr);
    ~TOptionsDlg() override;

    // The list's current index, -1 when nothing is chosen.
    int compressionIndex() const;
    // The counter's value, 4..10.
    int passCount() const;

    // Shows the dialog modally centred over `mainWindow` (its values as the
    // controls hold them); true for OK.
    bool showModalOver(QWidget* mainWindow);

    QLabel* Label3;
    QGroupBox* GroupBox1;
    QComboBox* cbxCompress;
    QLabel* compresshints;
    QGroupBox* GroupBox2;
    QLabel* Label1;
    QLineEdit* Edit1;
    TUpDown* ShredCount;
    QPushButton* OKbtn;
    QPushButton* cancelbtn;

private:
    void loadSettings();

    AppContext& m_ctx;
};
