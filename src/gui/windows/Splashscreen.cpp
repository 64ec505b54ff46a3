#include "windows/Splashscreen.h"

#include <QApplication>
#include <QEvent>
#include <QWindow>
#include <QLabel>
#include <chrono>

#include "common/Resources.h"
#include "common/Screenshots.h"

namespace {
std::chrono::milliseconds g_defaultWait{4000};
}

TSplashscreen::TSplashscreen(QWidget* parent) : SkinnedWindow(parent, Qt::Dialog)
{
    setObjectName(QStringLiteral("Splashscreen"));
    setWindowTitle(QStringLiteral("Zerath"));
    setBackground(QString::fromLatin1(Pictures::Splash));
    if (background().isNull())
        setFixedSize(360, 360);
    setOutline(WindowOutline::ellipse(1, 1, width(), height() + 1));
    setModal(false);
    setEscapeCloses(false);
    // Another window of the program taking the focus also ends the splash, in
    // case the window manager never activated it.
    connect(qApp, &QGuiApplication::focusWindowChanged, this, [this](QWindow* focus) {
        if (focus && isVisible() && focus != windowHandle())
            close();
    });
}

void TSplashscreen::changeEvent(QEvent* event)
{
    // Closes itself as soon as it loses activation (the main window appears).
    if (event->type() == QEvent::ActivationChange && isVisible() && !isActiveWindow())
        close();
    SkinnedWindow::changeEvent(event);
}

void TSplashscreen::setDefaultWait(std::chrono::milliseconds wait)
{
    g_defaultWait = wait;
}

std::chrono::milliseconds TSplashscreen::defaultWait()
{
    return g_defaultWait;
}

TSplashscreen* TSplashscreen::showAndWait(std::chrono::milliseconds wait)
{
    auto* splash = new TSplashscreen(nullptr);
    splash->setAttribute(Qt::WA_DeleteOnClose, true);
    splash->centreOver(nullptr);
    splash->show();
    splash->raise();
    splash->activateWindow();
    splash->repaint();
    QApplication::processEvents();
    // Monotonic clock, so a change of the wall-clock time cannot stretch the wait.
    const auto until = std::chrono::steady_clock::now() + wait;
    while (std::chrono::steady_clock::now() < until) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - std::chrono::steady_clock::now());
        QApplication::processEvents(QEventLoop::AllEvents, int(std::clamp<long long>(left.count(), 1, 20)));
        if (left.count() > 1)
            QApplication::processEvents(QEventLoop::WaitForMoreEvents, int(std::min<long long>(left.count(), 10)));
    }
    return splash;
}

ZERATH_SCREENSHOT(splash, [] { return new TSplashscreen; })
