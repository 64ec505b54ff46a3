// Another process changes the key ring or the settings while the program is
// open: the windows read them again when activated or before a command.
#include <QCheckBox>
#include <QEvent>

#include "GuiFixture.h"
#include "windows/CryptForm.h"
#include "windows/KeyGenForm.h"
#include "windows/KeyRingGrid.h"

namespace guitest {
namespace {

class OutsideChanges : public GuiTest {
protected:
    int cli(const std::string& args)
    {
        return std::system((ZERATH_BINARY_DIR "/bin/zerath-cli --home " + home() + " " + args + " >/dev/null").c_str());
    }
    static void activate(QWidget* w) { QEvent e(QEvent::WindowActivate); QApplication::sendEvent(w, &e); }
};

TEST_F(OutsideChanges, AKeyImportedByZerathCliShowsInAnOpenKeyManager)
{
    startKeyManager();
    TKeyRingGrid* grid = keyManager->DBGrid;
    const std::string bob = id(TestKey::BobPublic);
    ASSERT_GE(rowOf(grid, bob), 0);
    ASSERT_EQ(cli("remove " + bob), 0);
    activate(keyManager.get());
    EXPECT_EQ(rowOf(grid, bob), -1);
    ASSERT_EQ(cli("import " + keyFileOf(TestKey::BobPublic)), 0);
    activate(keyManager.get());
    EXPECT_GE(rowOf(grid, bob), 0);
}

TEST_F(OutsideChanges, TheMainWindowReadsTheKeyRingAndSettingsBeforeACommand)
{
    startMain();
    const int before = mainWindow()->DBGrid->keyModel().rowCount();
    writeFile(file("zerath.ini"), "[StealthyCipher]\nActivate=0\n");
    ASSERT_EQ(cli("remove " + id(TestKey::BobPublic)), 0);
    activate(mainWindow());
    EXPECT_EQ(mainWindow()->DBGrid->keyModel().rowCount(), before - 1);
    EXPECT_FALSE(mainWindow()->CipherAutoSelectCB->isChecked());
}

} // namespace
} // namespace guitest
