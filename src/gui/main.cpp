#include <zlib.h>

#include <QApplication>
#include <QSessionManager>
#include <QStringList>

#include "app/Application.h"
#include "pubkey/ProcessStartup.h"
#include "common/Resources.h"
#include "common/Screenshots.h"
#include "common/Temporaries.h"
#include "widgets/FocusFrameStyle.h"

#include <cstdio>
#include <cstring>

// `zerath [FILE...]` starts the program (the files go to their fields, a key
// file to the import dialog); `zerath --screenshots DIR` saves a picture of
// every registered window.
int main(int argc, char** argv)
{
    // Asked without a display.
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("zerath %s (zlib %s, Qt %s)\n", ZERATH_VERSION, zlibVersion(), qVersion());
            return 0;
        }
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::printf("usage: zerath [FILE...]\n       zerath --version | --help\n"
                        "Opens each FILE as a drop would, in the running program when there is one.\n");
            return 0;
        }
    }
    zerath::ProcessStartup();
    QApplication app(argc, argv);
    QApplication::setStyle(new FocusFrameStyle); // the desktop's style with a focus mark that shows
    // A session logout removes a running command's temporaries as the interrupt
    // signals do (a decryption's overwritten first); the command then fails.
#ifndef QT_NO_SESSIONMANAGER
    QObject::connect(&app, &QGuiApplication::commitDataRequest,
                     [](QSessionManager&) { zerath::LiveTemporaries::scrubAll(); });
#endif
    initZerathResources();
    const QStringList args = app.arguments();
    const int shots = int(args.indexOf(QStringLiteral("--screenshots")));
    if (shots >= 0) {
        // A longer pause per window lets a screen reader's view be read (scripts/a11y-tree.sh).
        const int settle = qEnvironmentVariableIntValue("ZERATH_SCREENSHOT_SETTLE_MS");
        return runScreenshots(shots + 1 < args.size() ? args[shots + 1] : QStringLiteral("docs/screenshots"),
                              settle > 0 ? settle : 400);
    }
    return runZerath(app);
}
