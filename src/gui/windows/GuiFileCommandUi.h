#pragma once
// The desktop side of an encryption or decryption: questions and the
// passphrase prompt through Messages, the progress window, the busy cursor,
// the status bar panels and the cipher list of the main window.
#include <QElapsedTimer>
#include <QPointer>

#include "filecrypt/FileCommandUi.h"

class QComboBox;
class QWidget;
class TALStatusBar;
class Tpopupfrm;

class GuiFileCommandUi : public zerath::FileCommandUi {
public:
    // Any of the widgets may be null (then that part is not shown). The
    // progress window is centred over `window`.
    GuiFileCommandUi(QWidget* window, Tpopupfrm* progress, TALStatusBar* status, QComboBox* ciphers,
                     zerath::MessagePump& pump);
    // Restores the cursor and hides the progress window if a command left them.
    ~GuiFileCommandUi() override;

    GuiFileCommandUi(const GuiFileCommandUi&) = delete;
    GuiFileCommandUi& operator=(const GuiFileCommandUi&) = delete;

    static constexpr const char* kPassphraseTitle = "Private Key Passphrase";
    static constexpr const char* kPassphrasePrompt = "Enter passphrase";
    static constexpr const char* kChooseKeyTitle = "Choose Key Pair";
    static constexpr const char* kChooseKeyPrompt = "Several of your key pairs can open this file. Use:";

    Answer askWipeOriginal(const std::string& text) override;
    bool confirmOverwrite(const std::string& text) override;
    // Masked prompt; the typed text is copied into `passphrase` as UTF-8 and
    // every other copy is overwritten.
    bool askPassphrase(zerath::SecureString& passphrase) override;
    // The same prompt naming the key pair.
    bool askPassphraseFor(const std::string& keyId, const std::string& prompt,
                          zerath::SecureString& passphrase) override;
    Answer askOverwriteInBatch(const std::string& text) override;
    int chooseKeyPair(const std::vector<zerath::KeyChoice>& choices) override;
    void setBatchProgress(const zerath::BatchProgress& progress) override;
    bool cancelRequested() override;

    void setBusy(bool busy) override;
    void showProgress(bool visible) override;
    void setProgressLines(const std::string& l1, const std::string& l2, const std::string& l3, int bold) override;
    void setProgressFirstLine(const std::string& l1) override;
    void setProgressFraction(double fraction) override;
    void setStatusPanel(int panel, const std::string& text) override;
    void selectCipher(int index) override;

    zerath::MessagePump& pump() override { return m_pump; }

private:
    // While a question is open the progress window, which stays on top, steps
    // back so the question is in front and takes the keyboard.
    class StepBack;
    QPointer<QWidget> m_window;
    QPointer<Tpopupfrm> m_progress;
    QPointer<TALStatusBar> m_status;
    QPointer<QComboBox> m_ciphers;
    zerath::MessagePump& m_pump;
    int m_busy = 0;
    bool m_progressShown = false;
    bool m_inBatch = false;      // a batch writes its own share and time left
    QElapsedTimer m_fileClock;   // since the progress window showed
};
