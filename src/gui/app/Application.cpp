#include "app/Application.h"

#include <QApplication>
#include <QTemporaryDir>

#include <exception>

#include "app/AppContext.h"
#include "common/Messages.h"
#include "common/Screenshots.h"
#include "keyring/KeyManager.h"
#include "windows/KeyWindows.h"
#include "windows/ShredderForm.h"
#include "keyring/KeyRing.h"
#include "pubkey/KeyPairGenerator.h"
#include "pubkey/BigInt.h"
#include "windows/AboutDlg.h"
#include "windows/CryptForm.h"
#include "windows/KeyRingGrid.h"
#include "windows/OptionsDlg.h"
#include "windows/PopupFrm.h"

ModuleScope::ModuleScope()
{
    zerath::BigMathStartup();
}

ModuleScope::~ModuleScope()
{
    zerath::BigMathShutdown();
}

ZerathWindows::ZerathWindows(AppContext& ctx)
{
    m_main = std::make_unique<TCryptForm>(ctx);
    // The shredder window comes next; it installs itself through ctx.showShredder
    // and shows the passes of every wipe, whoever starts it, in its bar.
    installShredderWindow(ctx, m_main.get());
    m_about = new Taboutdlg(m_main.get());
    m_progress = new Tpopupfrm(m_main.get());
    m_options = new TOptionsDlg(ctx, m_main.get());
    // The key manager and its dialogs install themselves through ctx.showKeyManager.
    installKeyManager(ctx, m_main.get());
    m_main->setAboutDialog(m_about);
    m_main->setProgressWindow(m_progress);
    m_main->setOptionsDialog(m_options);
}

ZerathWindows::~ZerathWindows() = default;

int runZerath(QApplication& app)
{
    ModuleScope modules;
    QApplication::setApplicationName(QStringLiteral("Zerath"));
    QApplication::setApplicationDisplayName(QStringLiteral("Zerath"));
    app.setQuitOnLastWindowClosed(false);
    try {
        AppContext ctx;
        ZerathWindows windows(ctx);
        TCryptForm* main = windows.mainWindow();
        QObject::connect(main, &QDialog::finished, &app, &QCoreApplication::quit);
        main->show();
        main->activateWindow();
        return app.exec();
    } catch (const std::exception& e) {
        // A key ring that cannot be opened or created stops the start.
        Messages::show(Messages::Kind::Error, QString::fromUtf8(e.what()));
        return 1;
    }
}

// ---- screenshot mode ----

namespace {

// A program folder of its own for the pictures, with a key pair and a
// correspondent's public key in its key ring, made afresh each time.
AppContext& screenshotContext()
{
    static QTemporaryDir dir;
    static std::unique_ptr<AppContext> ctx;
    if (!ctx) {
        static ModuleScope modules;
        const std::string folder = dir.path().toStdString();
        try {
            const char* pass = "sample passphrase";
            const auto own = zerath::GenerateKeyPairFiles(folder, "Alice Example", pass);
            const auto other = zerath::GenerateKeyPairFiles(folder, "Bob Smith", pass);
            {
                zerath::KeyRing ring(folder); // creates the empty key ring file
                ring.DBOpen(zerath::KeyRing::MissingFile::Create);
                ring.Close();
            }
            zerath::KeyManager keys(folder);
            keys.Open();
            keys.ImportKey(own.PrivateKeyFile, [&](zerath::SecureString& p) {
                p = zerath::SecureString(std::string_view(pass));
                return true;
            });
            keys.ImportKey(other.PublicKeyFile, [](zerath::SecureString&) { return false; });
            keys.Close();
        } catch (const std::exception& e) {
            // The pictures are still made, with an empty key ring.
            qWarning("sample keys: %s", e.what());
        }
        ctx = std::make_unique<AppContext>(dir.path());
    }
    return *ctx;
}

} // namespace

ZERATH_SCREENSHOT(main, [] {
    TCryptForm::setShowSplash(false);
    auto* w = new TCryptForm(screenshotContext());
    // Show the first key chosen as recipient, as after a double click.
    w->DBGrid->selectRow(0);
    w->AddMailBoxbtnClick();
    return w;
})

ZERATH_SCREENSHOT(options, [] { return new TOptionsDlg(screenshotContext()); })
