#pragma once
// One temporary program folder per test with the program's windows made over
// it on demand, the committed sample keys, and helpers that drive the real
// controls and answer the modal dialogs through the Messages seam.
#include <QString>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "TempDir.h"
#include "app/AppContext.h"
#include "app/Application.h"
#include "common/Messages.h"

class QAbstractItemView;
class QWidget;
class TCryptForm;
class TKeyGenForm;
class TKeyRingGrid;

namespace guitest {

using Kind = Messages::Kind;
using Answer = Messages::Answer;

// The committed key pair: its private key file (a Pub/Priv row when imported)
// and its public key file (a Pub row of its own).
struct SampleKey {
    std::string privateFile, publicFile, passphrase;
};
const SampleKey& alice();

// Runs `act` once `dialog` is the active modal window (shown by the call that
// follows); a dialog never shown, or left open by `act`, fails the test.
void whenModal(QWidget* dialog, std::function<void()> act);

// Mouse clicks as a user makes them: the centre of a widget, a row of a view.
void click(QWidget* w);
void clickRow(QAbstractItemView* view, int row, int column = 1);
void doubleClickRow(QAbstractItemView* view, int row, int column = 1);

// Public throughout, so that the rows of a test's table can drive it.
class GuiTest : public ::testing::Test {
public:
    GuiTest();
    ~GuiTest() override;
    void SetUp() override;
    void TearDown() override;

    std::string file(const std::string& name) const { return dir.file(name); }
    QString qfile(const std::string& name) const { return QString::fromStdString(dir.file(name)); }
    bool exists(const std::string& name) const;
    std::string keyRing() const;

    // Imports a key file into the program folder's key ring with the core
    // (before the windows are made); gives the new row's key ID.
    std::string importKey(const std::string& keyFile, const std::string& passphrase = {});

    // The program's windows over the program folder, the main window shown.
    void startMain();
    TCryptForm* mainWindow() const { return windows ? windows->mainWindow() : nullptr; }
    // The key manager alone, shown, over the key ring as the main window leaves it.
    void startKeyManager(bool openMainKeyRing = true);

    static int rowOf(TKeyRingGrid* grid, const std::string& keyId);
    // The kind of the last box, and that `count` boxes were shown since SetUp.
    static void expectBox(Kind kind, int count = -1);

    zerath::test::TempDir dir;
    std::unique_ptr<AppContext> ctx;
    std::unique_ptr<ZerathWindows> windows;
    std::unique_ptr<TKeyGenForm> keyManager;
};

} // namespace guitest
