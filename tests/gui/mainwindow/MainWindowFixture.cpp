#include "MainWindowFixture.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTest>

#include "keyring/KeyManager.h"
#include "keyring/KeyRing.h"
#include "pubkey/KeyPairGenerator.h"
#include "widgets/HNoShape.h"
#include "windows/CryptForm.h"
#include "windows/KeyRingGrid.h"
#include "windows/Splashscreen.h"

namespace guitest {

namespace {

std::string importInto(const std::string& folder, const std::string& keyFile, const std::string& passphrase)
{
    {
        zerath::KeyRing ring(folder);
        ring.DBOpen(zerath::KeyRing::MissingFile::Create);
        ring.Close();
    }
    zerath::KeyManager manager(folder);
    manager.Open();
    const auto id = manager.ImportKey(keyFile, [&](zerath::SecureString& p) {
        p = zerath::SecureString(std::string_view(passphrase));
        return true;
    });
    manager.Close();
    return id.value_or(std::string());
}

} // namespace

const SampleKeys& sampleKeys()
{
    static zerath::test::TempDir keysDir;
    static SampleKeys keys = [] {
        SampleKeys k;
        k.folder = keysDir.path();
        k.passphrase = "gui test passphrase";
        // Short keys keep the test program quick; the commands do not depend on the length.
        const auto own = zerath::GenerateKeyPairFiles(k.folder, "Alice Test", k.passphrase, zerath::nullPump(), {}, 1024);
        const auto other = zerath::GenerateKeyPairFiles(k.folder, "Bob Test", "another passphrase", zerath::nullPump(), {}, 1024);
        k.ownPrivateFile = own.PrivateKeyFile;
        k.ownPublicFile = own.PublicKeyFile;
        k.otherPrivateFile = other.PrivateKeyFile;
        k.otherPublicFile = other.PublicKeyFile;
        // The key IDs as the key ring records them.
        zerath::test::TempDir scratch;
        k.ownKeyId = importInto(scratch.path(), k.ownPrivateFile, k.passphrase);
        k.otherKeyId = importInto(scratch.path(), k.otherPublicFile, std::string());
        return k;
    }();
    return keys;
}

void MainWindowTest::SetUp()
{
    Messages::setScripted(true);
    Messages::reset();
    TCryptForm::setShowSplash(false);
}

void MainWindowTest::TearDown()
{
    EXPECT_EQ(Messages::pendingAnswers(), 0) << "answers queued but not asked for";
    windows.reset();
    ctx.reset();
    Messages::reset();
}


void MainWindowTest::importOwnKeyPair()
{
    (void)importInto(dir.path(), sampleKeys().ownPrivateFile, sampleKeys().passphrase);
}

void MainWindowTest::importOtherPublicKey()
{
    (void)importInto(dir.path(), sampleKeys().otherPublicFile, std::string());
}

void MainWindowTest::start()
{
    ctx = std::make_unique<AppContext>(QString::fromStdString(dir.path()));
    windows = std::make_unique<ZerathWindows>(*ctx);
    mainWindow()->move(40, 40);
    mainWindow()->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(mainWindow()));
}

TCryptForm* MainWindowTest::mainWindow() const
{
    return windows ? windows->mainWindow() : nullptr;
}

int MainWindowTest::rowOfKey(const std::string& keyId) const
{
    KeyRingModel& m = mainWindow()->DBGrid->keyModel();
    for (int r = 0; r < m.rowCount(); ++r)
        if (m.recordAt(r).KeyID == keyId) return r;
    return -1;
}

void MainWindowTest::clickRow(int row)
{
    TKeyRingGrid* g = mainWindow()->DBGrid;
    const QRect cell = g->visualRect(g->keyModel().index(row, 1));
    QTest::mouseClick(g->viewport(), Qt::LeftButton, {}, cell.center());
}

void MainWindowTest::doubleClickRow(int row)
{
    TKeyRingGrid* g = mainWindow()->DBGrid;
    const QRect cell = g->visualRect(g->keyModel().index(row, 1));
    // As the window system delivers a double click: press, release, double click, release.
    QWidget* v = g->viewport();
    sendMouse(v, QEvent::MouseButtonPress, cell.center(), Qt::LeftButton, Qt::LeftButton);
    sendMouse(v, QEvent::MouseButtonRelease, cell.center(), Qt::LeftButton, Qt::NoButton);
    sendMouse(v, QEvent::MouseButtonDblClick, cell.center(), Qt::LeftButton, Qt::LeftButton);
    sendMouse(v, QEvent::MouseButtonRelease, cell.center(), Qt::LeftButton, Qt::NoButton);
}

void MainWindowTest::click(THNoShape* button)
{
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(button->width() / 2, button->height() / 2));
}

QColor MainWindowTest::rowColour(int row) const
{
    TKeyRingGrid* g = mainWindow()->DBGrid;
    const QRect cell = g->visualRect(g->keyModel().index(row, 1));
    const QImage img = g->viewport()->grab().toImage();
    return img.pixelColor(cell.left() + 4, cell.center().y());
}

void MainWindowTest::chooseEncryptFile(const std::string& path)
{
    Messages::setNextFileName(QString::fromStdString(path));
    QTest::mouseClick(mainWindow()->SelectFileEnc, Qt::LeftButton);
}

void MainWindowTest::chooseDecryptFile(const std::string& path)
{
    Messages::setNextFileName(QString::fromStdString(path));
    QTest::mouseClick(mainWindow()->SelectFileDec, Qt::LeftButton);
}

void MainWindowTest::expectLastBox(Messages::Kind kind, const QString& text)
{
    ASSERT_FALSE(Messages::shown().isEmpty()) << "no box shown, expected: " << text.toStdString();
    const Messages::Shown s = Messages::lastShown();
    EXPECT_EQ(int(s.kind), int(kind)) << s.text.toStdString();
    EXPECT_EQ(s.text.toStdString(), text.toStdString());
}

void sendMouse(QWidget* w, int type, QPoint local, Qt::MouseButton button, Qt::MouseButtons held)
{
    QMouseEvent e(QEvent::Type(type), QPointF(local), QPointF(w->mapToGlobal(local)), button, held,
                  Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

QString hex(const QColor& c)
{
    return c.name(QColor::HexRgb).toUpper();
}

} // namespace guitest
