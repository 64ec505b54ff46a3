#pragma once
// A program folder per test whose key ring holds committed sample keys, the
// program's windows made over it on demand, and helpers that drive the real
// controls and answer the modal dialogs through the Messages seam.
#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "KeyRingFixture.h"
#include "TestHelpers.h"
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
using zerath::test::keyFileOf;
using zerath::test::readFile;
using zerath::test::TestKey;
using zerath::test::writeFile;

// Runs `act` once `dialog` is the active modal window (shown by the call that
// follows); a dialog never shown, or left open by `act`, fails the test.
void whenModal(QWidget* dialog, std::function<void()> act);

// Mouse clicks as a user makes them: the centre of a widget, a cell of a view.
void click(QWidget* w);
void clickRow(QAbstractItemView* view, int row, int column = 1);
void doubleClickRow(QAbstractItemView* view, int row, int column = 1);

// The palette of a desktop colour scheme file as qt6ct writes it: per colour
// group a list of colours in the order of QPalette's roles.
QPalette schemePalette(const QString& path);

// Public throughout, so that the rows of a test's table can drive it.
class GuiTest : public ::testing::Test {
public:
    GuiTest();
    ~GuiTest() override;
    void SetUp() override;
    void TearDown() override;

    // A fresh program folder whose key ring holds `keys`, in that order.
    void useKeys(const std::vector<TestKey>& keys) { ring = std::make_unique<zerath::test::KeyRingFixture>(keys); }
    const std::string& home() const { return ring->home(); }
    std::string file(const std::string& name) const { return ring->file(name); }
    QString qfile(const std::string& name) const { return QString::fromStdString(file(name)); }
    bool exists(const std::string& name) const { return QFile::exists(qfile(name)); }
    std::string keyRing() const { return ring->ringText(); }
    const std::string& id(TestKey k) const { return ring->idOf(k); }

    // The program's windows over the program folder, the main window shown.
    void startMain();
    TCryptForm* mainWindow() const { return windows ? windows->mainWindow() : nullptr; }
    // The key manager alone, shown, over the key ring as the main window leaves it.
    void startKeyManager(bool openMainKeyRing = true);

    static int rowOf(TKeyRingGrid* grid, const std::string& keyId);
    // The kind of the last box, and that `count` boxes were shown since the last reset.
    static void expectBox(Kind kind, int count = -1);

    std::unique_ptr<zerath::test::KeyRingFixture> ring;
    std::unique_ptr<AppContext> ctx;
    std::unique_ptr<ZerathWindows> windows;
    std::unique_ptr<TKeyGenForm> keyManager;
};

} // namespace guitest
