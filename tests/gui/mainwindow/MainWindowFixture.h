#pragma once
// A temporary program folder per test, the program's windows made over it, and
// helpers that drive the real controls.
#include <QColor>
#include <QPoint>
#include <QString>
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "TempDir.h"
#include "app/AppContext.h"
#include "app/Application.h"
#include "common/Messages.h"

class QWidget;
class TCryptForm;
class THNoShape;

namespace guitest {

// Two key pairs made once for the whole test program: "Alice Test" (its
// private key file is imported: a Pub/Priv row) and "Bob Test" (its public
// key file is imported: a Pub row).
struct SampleKeys {
    std::string folder;
    std::string ownPrivateFile, ownPublicFile, ownKeyId;
    std::string otherPrivateFile, otherPublicFile, otherKeyId;
    std::string passphrase;
};
const SampleKeys& sampleKeys();

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    std::string file(const std::string& name) const { return dir.file(name); }
    QString qfile(const std::string& name) const { return QString::fromStdString(dir.file(name)); }

    // Imports the sample keys into the key ring of the program folder (before start()).
    void importOwnKeyPair();
    void importOtherPublicKey();

    // Makes the windows over the program folder and shows the main window.
    void start();
    TCryptForm* mainWindow() const;

    int rowOfKey(const std::string& keyId) const;
    void clickRow(int row);
    void doubleClickRow(int row);
    void click(THNoShape* button);
    // Colour of the grid's row, sampled left in the User ID cell (right-aligned text).
    QColor rowColour(int row) const;

    // Chooses a file with the Select button of the encrypt or decrypt side.
    void chooseEncryptFile(const std::string& path);
    void chooseDecryptFile(const std::string& path);

    // The last box shown, and that exactly `count` boxes were shown since SetUp.
    static void expectLastBox(Messages::Kind kind, const QString& text);

    zerath::test::TempDir dir;
    std::unique_ptr<AppContext> ctx;
    std::unique_ptr<ZerathWindows> windows;
    int shownBefore = 0;
};

// Sends a mouse event to a widget as the window system would.
void sendMouse(QWidget* w, int type, QPoint local, Qt::MouseButton button, Qt::MouseButtons held);
// The colour #RRGGBB of an image pixel.
QString hex(const QColor& c);

} // namespace guitest
