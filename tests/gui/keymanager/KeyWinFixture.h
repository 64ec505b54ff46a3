#pragma once
// A temporary program folder per test with the key manager made over it, the
// one key pair this test program generates (through the generation dialog),
// and helpers that drive the real controls and answer the modal dialogs.
#include <QColor>
#include <QString>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "TempDir.h"
#include "app/AppContext.h"
#include "common/Messages.h"

class QAbstractButton;
class QWidget;
class TKeyGenForm;

namespace kwtest {

inline const QString kOwner = QStringLiteral("Alice Example");
inline const QString kPassphrase = QStringLiteral("correct horse");

// The pair made once for the whole program by typing into the generation
// dialog and pressing its button, with what was seen while the worker ran.
struct GeneratedPair {
    std::string folder;
    std::string privateFile, publicFile;
    std::string privateKeyId, publicKeyId;
    std::string creationDate;
    qint64 elapsedMs = 0;
    // Observations of the generation.
    bool finished = false;
    bool buttonsDisabledWhileRunning = false;
    bool closeRefusedWhileRunning = false;
    bool busyCursorWhileRunning = false;
    QString statusWhileRunning;
    QString statusAfter;
    QString cdateAfter;
    int candidatesSeen = 0;
    bool buttonsEnabledAfter = false;
    bool cursorRestored = false;
    QString userAfter;
    QString passphraseAfter;
    int boxesShown = 0;
    bool keyRingUntouched = false;
};
const GeneratedPair& generatedPair();

// Runs `act` once `dialog` is up as the active modal window (it is shown by
// the call that follows); a dialog still open after 20 s is rejected and the
// test fails.
void whenModal(QWidget* dialog, std::function<void()> act);

// Processes events until pred holds or ms pass.
bool waitFor(const std::function<bool()>& pred, int ms = 20000);

void click(QAbstractButton* button);
std::string fileText(const std::string& path);
int fileMode(const std::string& path);

class KeyManagerTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // The program folder's key ring opened as the main window keeps it, the
    // key manager made and shown.
    void start(bool openMainKeyRing = true);
    void hideManager();
    void showManager();

    std::string file(const std::string& name) const { return dir.file(name); }
    QString qfile(const std::string& name) const { return QString::fromStdString(dir.file(name)); }
    std::string keyRingPath() const { return dir.file("ZerathKeys.db"); }

    // Import through the button: the file dialog's answer, then the passphrase.
    void importPrivate(const std::string& path, const QString& passphrase = kPassphrase);
    void importPublic(const std::string& path);
    // Both files of the generated pair: a Pub/Priv row, then a Pub row.
    void importGeneratedPair();

    int rowCount() const;
    int currentRow() const;
    void clickRow(int row);
    void doubleClickRow(int row);
    QColor cellColour(int row, int column) const;

    // The last box, and the number of boxes since the last call of boxesSince().
    static void expectLastBox(Messages::Kind kind, const QString& text);
    int newBoxes();

    zerath::test::TempDir dir;
    std::unique_ptr<AppContext> ctx;
    std::unique_ptr<TKeyGenForm> form;
    int m_boxesSeen = 0;
};

} // namespace kwtest
