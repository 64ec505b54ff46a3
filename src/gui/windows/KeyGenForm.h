#pragma once
// The key manager: the key ring in a grid, import of key files, export of
// public and private keys, removal, and the way to the generation, passphrase
// change, key information and fingerprint dialogs. While it is shown it holds
// the key ring's table and the main window's table is closed.
#include <QString>

#include "common/Messages.h"
#include "keyring/KeyManager.h"
#include "widgets/SkinnedWindow.h"

class AppContext;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;
class TChangePassFrm;
class TFPCheckFrm;
class TKeyGenNowForm;
class TKeyInfoFrm;
class TKeyRingGrid;
struct KeyGridColumn;

// The key manager's grid columns: Type 81, User ID 162 (values right-aligned,
// title centred), Key ID 73, Length 47, Creation 79.
std::vector<KeyGridColumn> keyManagerColumns();

class TKeyGenForm : public SkinnedWindow {
    Q_OBJECT
public:
    static constexpr int kWidth = 500;
    static constexpr int kHeight = 300;
    static constexpr const char* kImportTitle = "Import Key";
    static constexpr const char* kPassphraseTitle = "PrivateKey Passphrase";
    static constexpr const char* kPassphrasePrompt = "Enter passphrase";
    static constexpr const char* kExportPublicTitle = "Export Public Key";
    static constexpr const char* kExportPrivateTitle = "Export Private Key";
    // The grid's own question before Ctrl+Delete removes the current record.
    static constexpr const char* kGridDeleteQuestion = "Delete record?";

    // Makes the window and its four dialogs (owned by it).
    explicit TKeyGenForm(AppContext& context, QWidget* parent = nullptr);
    ~TKeyGenForm() override;

    zerath::KeyManager& manager() { return m_manager; }
    TKeyGenNowForm* generationDialog() const { return m_keyGen; }
    TChangePassFrm* changePassDialog() const { return m_changePass; }
    TKeyInfoFrm* keyInfoDialog() const { return m_keyInfo; }
    TFPCheckFrm* fpCheckDialog() const { return m_fpCheck; }

    // Centred over `over`, modal until closed.
    int execOver(QWidget* over);
    // Set by installKeyManager: the window then resets AppContext's hook when it goes.
    void setInstalled(bool installed) { m_installed = installed; }

    // Whether a double click on the grid opens the key information now.
    bool keyInfoAttached() const { return m_dblClickAttached; }

    // The handlers, as the controls call them.
    void DataSourceDataChange();
    // The import dialog proposes `proposed` when given.
    void ImportKeybtnClick(const QString& proposed = QString());
    void ExportprvkeybtnClick();
    void ExportpubkeybtnClick();
    void RemoveKeyClick();
    void GenKeysbtnClick();
    void ChangePassphraseClick();
    void DBGridDblClick();
    void SpeedButton1Click();
    // Ctrl+Delete in the grid: the grid's own question, then the removal.
    void GridDeleteKey();
    void showGridMenu(QPoint at);
    bool confirmDeletion(Messages::Kind kind, const QString& question);

    // Controls.
    QLabel* Label3;
    QLabel* Label1;
    QLineEdit* FPedit;
    QToolButton* SpeedButton1;
    TKeyRingGrid* DBGrid;
    QLineEdit* KeySearch;
    QGroupBox* GroupBox1;
    QPushButton* Exportprvkeybtn;
    QPushButton* ImportKeybtn;
    QPushButton* Exportpubkeybtn;
    QPushButton* GenKeysbtn;
    QPushButton* RemoveKey;
    QPushButton* ChangePassphrase;
    QGroupBox* GroupBox2;
    QLabel* CurrentRec;
    QPushButton* CloseBtn;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    void FormShow();
    void FormHide();
    // Another process changed the key ring: the table reads it again.
    void reloadChangedKeyRing();

    AppContext& m_ctx;
    zerath::KeyManager m_manager;
    TKeyGenNowForm* m_keyGen;
    TChangePassFrm* m_changePass;
    TKeyInfoFrm* m_keyInfo;
    TFPCheckFrm* m_fpCheck;
    bool m_dblClickAttached = false;
    bool m_open = false;
    bool m_installed = false;
};

// The masked question for a private key file's passphrase.
bool askPrivatePassphrase(zerath::SecureString& passphrase, const QString& keyFile = QString());
