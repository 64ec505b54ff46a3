#include <QApplication>
#include <QFont>
#include <QThreadPool>
#include <gtest/gtest.h>

#include "common/Messages.h"
#include "common/Resources.h"

// Widgets need an application object before the first one is made; the tests
// run on the offscreen platform unless the caller chose another. Message boxes
// and input prompts are scripted: a test queues the answers it expects to
// give, and a box that appears with nothing queued fails the test.
int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen")
                                                                      : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    if (const int points = qEnvironmentVariableIntValue("ZERATH_TEST_FONT_POINTS")) // a desktop's larger font
        QApplication::setFont(QFont(QApplication::font().family(), points));
    // Qt stretches large pictures on its pool's threads; the leak checker of
    // the sanitizer build misreads the thread-local blocks those threads leave
    // and crashes at exit. Painting on one thread changes no pixel.
    QThreadPool::globalInstance()->setMaxThreadCount(1);
    initZerathResources();
    Messages::setScripted(true);
    Messages::setUnansweredHandler(
        [](const QString& what) { ADD_FAILURE() << "unexpected dialog: " << what.toStdString(); });
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
