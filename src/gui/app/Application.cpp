#include "app/Application.h"

#include <QApplication>
#include <QTimer>

#include <exception>

#include "app/AppContext.h"
#include "app/SingleInstance.h"
#include "common/Messages.h"
#include "common/Screenshots.h"
#include "common/Warnings.h"
#include "windows/KeyWindows.h"
#include "windows/ShredderForm.h"
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
    m_about->setDataFolder(ctx.dataFolder());
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
    // An untrusted data folder or a damaged key ring is said in a box, once.
    zerath::SetWarningSink(
        [](const std::string& text) { Messages::show(Messages::Kind::Warning, QString::fromUtf8(text)); });
    try {
        AppContext ctx;
        // `zerath FILE...`: the files go to their places once the window is up,
        // in the program already running on this data folder when there is one.
        QStringList files = app.arguments().mid(1);
        files.removeIf([](const QString& a) { return a.startsWith(QLatin1Char('-')); });
        const QString socket = SingleInstance::socketPath(ctx.dataFolder());
        if (SingleInstance::handOver(socket, files)) return 0;
        ZerathWindows windows(ctx);
        TCryptForm* main = windows.mainWindow();
        SingleInstance instance(socket);
        QObject::connect(&instance, &SingleInstance::filesReceived, main,
                         [main](const QStringList& handed) { openHandedOver(main, handed); });
        QObject::connect(main, &QDialog::finished, &app, &QCoreApplication::quit);
        main->show();
        main->activateWindow();
        if (!files.isEmpty()) QTimer::singleShot(0, main, [main, files] { main->openFiles(files); });
        return app.exec();
    } catch (const std::exception& e) {
        // A key ring that cannot be opened or created stops the start.
        Messages::show(Messages::Kind::Error, QString::fromUtf8(e.what()));
        return 1;
    }
}

// ---- screenshot mode ----

ZERATH_SCREENSHOT(main, [] {
    TCryptForm::setShowSplash(false);
    auto* w = new TCryptForm(keywin::screenshotContext());
    // Show the first key chosen as recipient, as after a double click.
    w->DBGrid->selectRow(0);
    w->AddMailBoxbtnClick();
    return w;
})

ZERATH_SCREENSHOT(options, [] { return new TOptionsDlg(keywin::screenshotContext()); })
