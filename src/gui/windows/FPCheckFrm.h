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

    // FPa: the key manager's fingerprint text (the key fingerprint); the
    // record's stored fingerprint is accepted as well when typed.
    void setFingerprint(const QString& fingerprint, const QString& recordFingerprint = QString());

    // Compares FPb with the key (blanks, letter case and a leading "0x" do not
    // count) and shows the outcome; the dialog stays open.
    void VerifybtnClick();

    // Controls.
    QLabel* Label3;
    QLabel* Label1;
    QLineEdit* FPedit1;
    QLabel* Label2;
    QLineEdit* FPedit2;
    QPushButton* Verifybtn;
    QPushButton* Closebtn;

private:
    QString m_recordFingerprint;

protected:
    // Typing starts in FPb.
    void showEvent(QShowEvent* event) override;
};
