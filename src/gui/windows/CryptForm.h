#pragma once
// The main window: the key ring grid with the recipient selection, the file
// fields, the cipher list and the commands (encrypt, decrypt, file shredder,
// keys manager, options, about, exit).
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

#include "filecrypt/FolderWalk.h"
#include "widgets/SkinnedWindow.h"

class AppContext;
class GuiFileCommandUi;
namespace zerath {
struct BatchResult;
struct KeyChoice;
} // namespace zerath
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;
class TALStatusBar;
class THNoShape;
class TKeyRingGrid;
class TOptionsDlg;
class Taboutdlg;
class Tpopupfrm;

class TCryptForm : public SkinnedWindow {
    Q_OBJECT
public:
    static constexpr int kWidth = 609;
    static constexpr int kHeight = 467;
    static constexpr const char* kCloseQuestion = "Do you want to close Zerath?";

    // Creation: splash window (unless switched off), cipher list, the key ring
    // opened (created empty when missing), the Stealthy Cipher setting read.
    // A failure opening the key ring passes through.
    explicit TCryptForm(AppContext& ctx, QWidget* parent = nullptr);
    ~TCryptForm() override;

    // Whether creation shows the splash window (on by default; tests and the
    // screenshot mode switch it off). Its duration is TSplashscreen's default wait.
    static void setShowSplash(bool show);

    // The other windows it opens; until set, their buttons do nothing.
    void setOptionsDialog(TOptionsDlg* dialog) { m_options = dialog; }
    void setAboutDialog(Taboutdlg* dialog) { m_about = dialog; }
    void setProgressWindow(Tpopupfrm* window) { m_progress = window; }
    Tpopupfrm* progressWindow() const { return m_progress; }

    AppContext& context() { return m_ctx; }

    // True while the cursor row is the chosen recipient / own key (highlight).
    bool RecipientSelected() const { return m_recipientSelected; }
    // True while an encryption or decryption runs.
    bool isBusy() const { return m_busy; }

    // Status bar panel 0 for the text of a file field ("No file loaded",
    // "File size: 1,234 bytes", ...); the decrypt side has its own spellings.
    static QString fileStatusText(const QString& fileName, bool decryptSide);

    // The files of the encryption or decryption field: several are shown as
    // "N files" with the list as a tooltip and run as a batch.
    void setFileList(QLineEdit* field, const QStringList& files, bool decryptSide);
    QStringList fileList(bool decryptSide) const;
    // Asks, then imports a key file into the key ring.
    void importKeyFile(const QString& path);

    // Files named on the command line ("Open with" in a file manager): a key
    // file is offered for import in the key manager's import dialog, an
    // encrypted file goes into the decryption field, any other file into the
    // encryption field. Of several files of one kind the first is used.
    void openFiles(const QStringList& files);

    // Controls.
    THNoShape* closetopbtn;
    THNoShape* Minimizebtn;
    THNoShape* Encryptbtn;
    THNoShape* Decryptbtn;
    THNoShape* Shredderbtn;
    THNoShape* PGPKeyGen;
    THNoShape* Optionsbtn;
    THNoShape* Aboutbtn;
    THNoShape* CloseBtn;
    TKeyRingGrid* DBGrid;
    QLineEdit* KeySearch;
    QPushButton* AddMailBoxbtn;
    QPushButton* ClearRecipientbtn;
    QLineEdit* MailBoxKeyID;
    QLineEdit* MailBoxUserID;
    QComboBox* cbxCipher;
    QCheckBox* CipherAutoSelectCB;
    QToolButton* SaveConfig;
    QLineEdit* EncFileEdit;
    QToolButton* SelectFileEnc; // a click picks files; its menu also offers "Folder…"
    QLineEdit* DecFileEdit;
    QToolButton* SelectFileDec;
    QCheckBox* WipeOutOriginalFileCB;
    TALStatusBar* Status;
    QLabel* Label6;
    QLabel* Label12;

public slots:
    void EncryptbtnClick();
    void DecryptbtnClick();
    void ShredderbtnClick();
    void PGPKeyGenClick();
    void OptionsbtnClick();
    void AboutbtnClick();
    void AddMailBoxbtnClick();
    void ClearRecipientbtnClick();
    void SaveConfigClick();
    void SelectFileEncClick();
    void SelectFileDecClick();
    void selectFolder(bool decryptSide);

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void InitButtons();
    void buildControls();
    void DataSourceDataChange();
    void refreshGrid();
    bool startCommand();
    void showRecipient(const QString& keyId, const QString& userId);
    void keepRecipientHighlight();
    void blankStatus();
    // The files of a batch when the field holds several files or a folder.
    std::optional<zerath::FileSelection> batchFiles(bool decryptSide, bool wipe) const;
    // Runs a batch with the progress window and shows its summary; false when
    // it stopped before any file.
    bool runBatch(bool decryptSide, std::vector<zerath::SkippedFile> skipped,
                  const std::function<zerath::BatchResult(GuiFileCommandUi&)>& run);

    AppContext& m_ctx;
    TOptionsDlg* m_options = nullptr;
    Taboutdlg* m_about = nullptr;
    Tpopupfrm* m_progress = nullptr;
    bool m_recipientSelected = false;
    bool m_busy = false;
    QStringList m_encFiles;
    QStringList m_decFiles;
};
