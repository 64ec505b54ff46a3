#pragma once
#include <QString>
#include <QStringList>
#include <functional>

class QWidget;

// Hidden screenshot mode (`zerath --screenshots DIR`): every registered window
// is made, shown on the real screen, given time to paint, grabbed from the
// screen (so the outline shows as users see it) and saved as DIR/<name>.png.
// The factory returns a new top-level window; the runner deletes it after.
using ScreenshotFactory = std::function<QWidget*()>;
void registerScreenshot(const QString& name, ScreenshotFactory factory);
QStringList registeredScreenshots();
// Returns the process exit code (0 when every picture was saved).
int runScreenshots(const QString& directory, int settleMs = 400);

// Registration from a window's .cpp file (that file must be linked into the
// program, which it is when the program uses the window class):
//   ZERATH_SCREENSHOT(about, [] { return new Taboutdlg; });
#define ZERATH_SCREENSHOT(name, ...)                                                       \
    namespace {                                                                            \
    const bool zerathScreenshot_##name = (registerScreenshot(QStringLiteral(#name), __VA_ARGS__), true); \
    }
