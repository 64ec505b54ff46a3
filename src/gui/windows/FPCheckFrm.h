#pragma once
// The fingerprint comparison: the current key's fingerprint beside one the
// user pastes or types.
#include "widgets/SkinnedWindow.h"

class QLabel;
class QLineEdit;
class QPushButton;

class TFPCheckFrm : public SkinnedWindow {
    Q_OBJECT
public:
    static constexpr int kWidth = 365;
    static constexpr int kHeight = 150;

    explicit TFPCheckFrm(QWidget* parent = nullptr);

    // FPa: the key manager's fingerprint text.
    void setFingerprint(const QString& fingerprint);

    // Compares the two fields (blanks and control characters around them do
    // not count, letter case does) and shows the outcome; the dialog stays open.
    void VerifybtnClick();

    // Controls.
    QLabel* Label3;
    QLabel* Label1;
    QLineEdit* FPedit1;
    QLabel* Label2;
    QLineEdit* FPedit2;
    QPushButton* Verifybtn;
    QPushButton* Closebtn;

protected:
    // Typing starts in FPb.
    void showEvent(QShowEvent* event) override;
};
