#pragma once
// The options dialog: compression level and the number of wiping passes.
// Created once at program start; it reads zerath.ini then and sets the
// compression level in effect, and its pass counter is the pass count in
// effect for the whole run (the wiping routine reads it for every file).
#include <QWidget>

#include "widgets/SkinnedWindow.h"
#include "widgets/UpDown.h"

class AppContext;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;

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
