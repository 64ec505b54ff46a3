#pragma once
// The passphrase change dialog: the record's user ID, the current passphrase
// and the new one typed twice. The key manager reads the three entries after
// the dialog closed and then empties them, whichever way it was closed.
#include "common/Secure.h"
#include "widgets/SkinnedWindow.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

class TChangePassFrm : public SkinnedWindow {
    Q_OBJECT
public:
    static constexpr int kWidth = 365;
    static constexpr int kHeight = 260;

    explicit TChangePassFrm(QWidget* parent = nullptr);
    ~TChangePassFrm() override;

    void setUserID(const QString& userId);

    // The entries as secrets (UTF-8).
    zerath::SecureString currentPassphrase() const;
    zerath::SecureString newPassphrase() const;
    zerath::SecureString confirmPassphrase() const;
    // Overwrites and empties the three passphrase entries (the user ID stays).
    void clearPassphrases();

    // The handlers, as the controls call them.
    void HideTypingCBClick();
    void BitBtn1Click();

    // Controls.
    QLabel* Label4;
    QLabel* Label5;
    QLineEdit* UserID;
    QLabel* Label1;
    QLineEdit* edtCurrentpass;
    QLabel* Label2;
    QLineEdit* edtNewPass;
    QLabel* Label3;
    QLineEdit* edtConfirmPass;
    QCheckBox* HideTypingCB;
    QPushButton* Applybtn;
    QPushButton* BitBtn1;
    QPushButton* cancelBtn;

protected:
    // Typing starts in the first empty passphrase entry.
    void showEvent(QShowEvent* event) override;
};
