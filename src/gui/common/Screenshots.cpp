#include "common/Screenshots.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QPixmap>
#include <QScreen>
#include <QWidget>
#include <QWindow>
#include <cstdio>
#include <map>
#include <memory>

namespace {

std::map<QString, ScreenshotFactory>& registry()
{
    static std::map<QString, ScreenshotFactory> r;
    return r;
}

void settle(int ms)
{
    QDeadlineTimer until(ms);
    while (!until.hasExpired())
        QApplication::processEvents(QEventLoop::AllEvents, 20);
}

} // namespace

void registerScreenshot(const QString& name, ScreenshotFactory factory)
{
    registry()[name] = std::move(factory);
}

QStringList registeredScreenshots()
{
    QStringList names;
    for (const auto& [name, factory] : registry())
        names << name;
    return names;
}

int runScreenshots(const QString& directory, int settleMs)
{
    if (!QDir().mkpath(directory)) {
        std::fprintf(stderr, "cannot create %s\n", qPrintable(directory));
        return 1;
    }
    int failures = 0;
    for (const auto& [name, factory] : registry()) {
        std::unique_ptr<QWidget> w(factory());
        if (!w) {
            ++failures;
            continue;
        }
        QScreen* screen = QGuiApplication::primaryScreen();
        if (!w->testAttribute(Qt::WA_Moved) && screen) {
            const QRect area = screen->availableGeometry();
            w->move(area.center() - QPoint(w->width() / 2, w->height() / 2));
        }
        w->show();
        w->raise();
        w->activateWindow();
        settle(settleMs);
        if (!w->isVisible()) { // a window that hid itself (splash losing activation)
            w->show();
            settle(settleMs / 2);
        }
        const QRect g = w->frameGeometry();
        const QPixmap shot = screen ? screen->grabWindow(0, g.x(), g.y(), g.width(), g.height()) : QPixmap();
        const QString path = QDir(directory).filePath(name + QStringLiteral(".png"));
        if (shot.isNull() || !shot.save(path)) {
            std::fprintf(stderr, "screenshot %s failed\n", qPrintable(name));
            ++failures;
        } else {
            std::printf("%s\n", qPrintable(path));
        }
        w->hide();
        w.reset();
        settle(50);
    }
    return failures == 0 ? 0 : 2;
}
