#pragma once
// The key pair generation dialog: a user name, a passphrase typed twice, a
// 2048-bit pair written as a private and a public key file into the program's
// folder. The generation runs on a worker thread; the dialog stays responsive,
// shows how many prime candidates were tried and keeps its three buttons
// disabled until the worker is done. The key ring is left alone.
#include <QString>

#include <memory>

#include "pubkey/KeyPairGenerator.h"
#include "widgets/SkinnedWindow.h"

class AppContext;
class QButtonGroup;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QThread;
class QToolButton;

class TKeyGenNowForm : public SkinnedWindow {
    Q_OBJECT
public:
    static constexpr const char* kImportHint = "Import them with Import Key... to use them.";
    static constexpr int kWidth = 365;
    static constexpr int kHeight = 260;
    static constexpr int kMinUserNameLength = 5;
    static constexpr int kMinPassphraseLength = 8;
    static constexpr const char* kMismatchText = "The Passphrase does not mutch!.";
    static constexpr const char* kStartedText = "Key generation started, please wait...";

    explicit TKeyGenNowForm(AppContext& context, QWidget* parent = nullptr);
    // Waits for a generation still running.
    ~TKeyGenNowForm() override;

    // True from the start of a generation until its worker is done.
    bool isGenerating() const { return m_job != nullptr; }
    // Prime candidates tried so far by the running (or last) generation.
    int candidatesTried() const { return m_candidates; }
    // The files, key IDs and time of the last successful generation.
    const zerath::KeyPairResult& lastResult() const { return m_last; }

    // The handlers, as the controls call them.
    void EnableKeyGen();
    void ClearbtnClick();
    void HideTypeCBxClick();
    void Latin_DirClick();
    void Arabic_DirClick();
    void GenerateBtnClick();

    // While a generation runs the dialog cannot be closed.
    void reject() override;

    // Controls.
    QLabel* Label7;
    QLabel* Label1;
    QLineEdit* KeyUsernameed;
    QLabel* Label2;
    QLineEdit* KeyLengthed;
    QLabel* Label5;
    QLineEdit* CDate;
    QLabel* Label3;
    QLineEdit* Passphrase;
    QLabel* Label4;
    QLineEdit* ConfirmPassphrase;
    QCheckBox* HideTypeCBx;
    QToolButton* Latin_Dir;
    QToolButton* Arabic_Dir;
    QButtonGroup* DirGroup;
    QPushButton* Clearbtn;
    QPushButton* GenerateBtn;
    QPushButton* Closebtn;
    QLabel* Label6;
    QLabel* Status;
    QLabel* Candidates; // candidates tried, while a generation runs

signals:
    // A generation ended (ok: both files written).
    void generationFinished(bool ok);

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    struct Job;
    void buildControls();
    void setBusy(bool busy);
    void setDirection(Qt::LayoutDirection direction);
    void onProgress(int candidates);
    void onWorkerFinished();

    AppContext& m_ctx;
    std::shared_ptr<Job> m_job;
    QThread* m_worker = nullptr;
    bool m_cursorShown = false;
    int m_candidates = 0;
    zerath::KeyPairResult m_last;
};
