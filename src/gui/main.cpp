#include <QApplication>
#include <QStringList>

#include "app/Application.h"
#include "common/ProcessStartup.h"
#include "common/Resources.h"
#include "common/Screenshots.h"

// `zerath --screenshots DIR` saves a picture of every registered window.
int main(int argc, char** argv)
{
    zerath::ProcessStartup();
    QApplication app(argc, argv);
    initZerathResources();
    const QStringList args = app.arguments();
    const int shots = int(args.indexOf(QStringLiteral("--screenshots")));
    if (shots >= 0)
        return runScreenshots(shots + 1 < args.size() ? args[shots + 1] : QStringLiteral("docs/screenshots"));
    return runZerath(app);
}
