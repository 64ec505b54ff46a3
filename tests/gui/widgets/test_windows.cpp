#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QTest>
#include <QTimer>
#include <chrono>

#include "common/Resources.h"
#include "common/Screenshots.h"
#include "widgets/SkinnedWindow.h"
#include "windows/AboutDlg.h"
#include "windows/PopupFrm.h"
#include "windows/Splashscreen.h"

namespace {

void sendMouse(QWidget* w, QEvent::Type type, QPoint local, Qt::MouseButton button, Qt::MouseButtons held)
{
    QMouseEvent e(type, QPointF(local), QPointF(w->mapToGlobal(local)), button, held, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

QPixmap plainPicture(int w, int h)
{
    QPixmap p(w, h);
    p.fill(QColor(30, 50, 70));
    return p;
}

} // namespace

TEST(Outline, RoundedRectangleExcludesTheCornersAndTheRightAndBottomEdge)
{
    EXPECT_EQ(roundRectRegion(0, 0, 10, 10, 0, 0), QRegion(0, 0, 10, 10));
    const QRegion r = roundRectRegion(0, 0, 367, 151, 18, 18); // progress window 366 x 150
    EXPECT_EQ(r.boundingRect(), QRect(0, 0, 367, 151));
    for (QPoint corner : {QPoint(0, 0), QPoint(366, 0), QPoint(0, 150), QPoint(366, 150), QPoint(2, 2)})
        EXPECT_FALSE(r.contains(corner)) << corner.x() << "," << corner.y();
    for (QPoint in : {QPoint(183, 0), QPoint(0, 75), QPoint(366, 75), QPoint(183, 150), QPoint(9, 9), QPoint(5, 5)})
        EXPECT_TRUE(r.contains(in)) << in.x() << "," << in.y();
    // Symmetric in both directions.
    for (int y = 0; y < 151; ++y)
        for (int x = 0; x < 20; ++x) {
            ASSERT_EQ(r.contains(QPoint(x, y)), r.contains(QPoint(366 - x, y)));
            ASSERT_EQ(r.contains(QPoint(x, y)), r.contains(QPoint(x, 150 - y)));
        }
}

TEST(Outline, Ellipse)
{
    const QRegion e = ellipticRegion(0, 0, 361, 362); // about window
    EXPECT_TRUE(e.contains(QPoint(180, 181)));
    EXPECT_TRUE(e.contains(QPoint(180, 0)));
    EXPECT_TRUE(e.contains(QPoint(0, 181)));
    EXPECT_FALSE(e.contains(QPoint(0, 0)));
    EXPECT_FALSE(e.contains(QPoint(359, 359)));
    EXPECT_FALSE(e.contains(QPoint(361, 181)));
    EXPECT_TRUE(QRect(0, 0, 361, 362).contains(e.boundingRect()));
    const QRegion s = ellipticRegion(1, 1, 360, 361); // splash window
    EXPECT_FALSE(s.contains(QPoint(0, 180)));
    EXPECT_TRUE(s.contains(QPoint(1, 181)));
}

TEST(SkinnedWindow, TakesThePictureSizeAndAppliesItsOutlineOnShow)
{
    SkinnedWindow w;
    w.setBackgroundPixmap(plainPicture(365, 260));
    EXPECT_EQ(w.size(), QSize(365, 260));
    w.resize(500, 500);
    EXPECT_EQ(w.size(), QSize(365, 260));
    w.setOutline(WindowOutline::roundRect(0, 0, 366, 261, 20, 20));
    EXPECT_TRUE(w.mask().isEmpty());
    w.show();
    EXPECT_FALSE(w.mask().isEmpty());
    EXPECT_FALSE(w.mask().contains(QPoint(0, 0)));
    EXPECT_TRUE(w.mask().contains(QPoint(182, 130)));
    EXPECT_TRUE(w.windowFlags().testFlag(Qt::FramelessWindowHint));
}

TEST(SkinnedWindow, DraggingByTenAndFiveMovesExactlyThatMuch)
{
    SkinnedWindow w;
    w.setBackgroundPixmap(plainPicture(365, 260));
    w.setDraggable(true);
    EXPECT_EQ(w.cursor().shape(), Qt::SizeAllCursor);
    w.move(100, 100);
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    const QPoint start = w.pos();
    sendMouse(&w, QEvent::MouseButtonPress, QPoint(50, 40), Qt::LeftButton, Qt::LeftButton);
    EXPECT_TRUE(w.isDragging());
    sendMouse(&w, QEvent::MouseMove, QPoint(60, 45), Qt::NoButton, Qt::LeftButton);
    EXPECT_EQ(w.pos(), start + QPoint(10, 5));
    // The remembered point stays under the pointer: the next move is relative to it.
    sendMouse(&w, QEvent::MouseMove, QPoint(50, 40), Qt::NoButton, Qt::LeftButton);
    EXPECT_EQ(w.pos(), start + QPoint(10, 5));
    sendMouse(&w, QEvent::MouseButtonRelease, QPoint(50, 40), Qt::LeftButton, Qt::NoButton);
    EXPECT_FALSE(w.isDragging());
    sendMouse(&w, QEvent::MouseMove, QPoint(80, 80), Qt::NoButton, Qt::NoButton);
    EXPECT_EQ(w.pos(), start + QPoint(10, 5));
    // Any mouse button drags.
    sendMouse(&w, QEvent::MouseButtonPress, QPoint(50, 40), Qt::RightButton, Qt::RightButton);
    sendMouse(&w, QEvent::MouseMove, QPoint(47, 38), Qt::NoButton, Qt::RightButton);
    sendMouse(&w, QEvent::MouseButtonRelease, QPoint(47, 38), Qt::RightButton, Qt::NoButton);
    EXPECT_EQ(w.pos(), start + QPoint(7, 3));
}

TEST(SkinnedWindow, AWindowThatIsNotDraggableStaysPut)
{
    SkinnedWindow w;
    w.setBackgroundPixmap(plainPicture(365, 150));
    w.move(100, 100);
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    const QPoint start = w.pos();
    sendMouse(&w, QEvent::MouseButtonPress, QPoint(50, 40), Qt::LeftButton, Qt::LeftButton);
    sendMouse(&w, QEvent::MouseMove, QPoint(60, 45), Qt::NoButton, Qt::LeftButton);
    sendMouse(&w, QEvent::MouseButtonRelease, QPoint(60, 45), Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(w.pos(), start);
    EXPECT_NE(w.cursor().shape(), Qt::SizeAllCursor);
}

TEST(SkinnedWindow, EscapeDoesNotCloseAMainWindow)
{
    SkinnedWindow main(nullptr, Qt::Window);
    main.setBackgroundPixmap(plainPicture(100, 100));
    main.show();
    QTest::keyClick(&main, Qt::Key_Escape);
    EXPECT_TRUE(main.isVisible());
    SkinnedWindow dialog;
    dialog.setBackgroundPixmap(plainPicture(100, 100));
    dialog.show();
    QTest::keyClick(&dialog, Qt::Key_Escape);
    EXPECT_FALSE(dialog.isVisible());
}

TEST(SkinnedWindow, CentresOverItsOwnerAndPlacesControls)
{
    SkinnedWindow owner(nullptr, Qt::Window);
    owner.setBackgroundPixmap(plainPicture(609, 467));
    owner.move(40, 30);
    SkinnedWindow w;
    w.setBackgroundPixmap(plainPicture(365, 260));
    w.centreOver(&owner);
    EXPECT_EQ(w.pos(), QPoint(40 + (609 - 365) / 2, 30 + (467 - 260) / 2));
    QLabel* title = w.addTitle(QStringLiteral("Options"));
    EXPECT_EQ(title->pos(), QPoint(14, 9));
    EXPECT_TRUE(title->font().bold());
    EXPECT_EQ(title->font().pixelSize(), 16);
    auto* child = w.place(new QWidget, 20, 30, 100, 24);
    EXPECT_EQ(child->geometry(), QRect(20, 30, 100, 24));
    EXPECT_EQ(child->parentWidget(), &w);
}

TEST(AboutWindow, PictureOutlineAndPlacement)
{
    Taboutdlg about;
    EXPECT_EQ(about.size(), QSize(360, 360));
    EXPECT_EQ(about.outline().shape, WindowOutline::Shape::Ellipse);
    EXPECT_EQ(about.outline().right, 361);
    EXPECT_EQ(about.outline().bottom, 362);
    EXPECT_FALSE(about.isDraggable());
    // left + (609 - 360) / 2 + 7, top + (467 - 360) / 2 + 4
    EXPECT_EQ(Taboutdlg::placementFor(QRect(100, 50, 609, 467), QSize(360, 360)), QPoint(231, 107));
    // Halves are rounded toward zero, also when the owner is the smaller one.
    EXPECT_EQ(Taboutdlg::placementFor(QRect(0, 0, 301, 299), QSize(360, 360)), QPoint(-29 + 7, -30 + 4));
}

TEST(AboutWindow, AClickOnThePictureClosesIt)
{
    SkinnedWindow owner(nullptr, Qt::Window);
    owner.setBackgroundPixmap(plainPicture(609, 467));
    owner.move(100, 50);
    owner.show();
    Taboutdlg about;
    bool clicked = false;
    QTimer::singleShot(0, &about, [&] {
        EXPECT_TRUE(about.isVisible());
        EXPECT_EQ(about.pos(), QPoint(231, 107));
        EXPECT_FALSE(about.mask().contains(QPoint(0, 0)));
        sendMouse(&about, QEvent::MouseButtonPress, QPoint(180, 100), Qt::LeftButton, Qt::LeftButton);
        sendMouse(&about, QEvent::MouseButtonRelease, QPoint(180, 100), Qt::LeftButton, Qt::NoButton);
        clicked = true;
    });
    QTimer::singleShot(5000, &about, [&] { about.reject(); }); // safety net
    EXPECT_EQ(about.execOver(&owner), QDialog::Accepted);
    EXPECT_TRUE(clicked);
    EXPECT_FALSE(about.isVisible());
}

TEST(SplashWindow, WaitsOnAMonotonicClockAndClosesWhenAnotherWindowIsActivated)
{
    using namespace std::chrono;
    const auto t0 = steady_clock::now();
    QPointer<TSplashscreen> splash = TSplashscreen::showAndWait(milliseconds(120));
    EXPECT_GE(steady_clock::now() - t0, milliseconds(120));
    ASSERT_TRUE(splash);
    EXPECT_TRUE(splash->isVisible());
    EXPECT_EQ(splash->size(), QSize(360, 360));
    EXPECT_EQ(splash->parentWidget(), nullptr);
    EXPECT_EQ(splash->outline().left, 1);
    EXPECT_EQ(splash->outline().right, 360);
    EXPECT_EQ(splash->outline().bottom, 361);

    SkinnedWindow main(nullptr, Qt::Window);
    main.setBackgroundPixmap(plainPicture(200, 200));
    main.show();
    main.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&main));
    for (int i = 0; i < 20 && splash; ++i)
        QTest::qWait(5);
    EXPECT_TRUE(splash.isNull()); // closed and deleted itself

    TSplashscreen::setDefaultWait(milliseconds(0));
    EXPECT_EQ(TSplashscreen::defaultWait(), milliseconds(0));
    QPointer<TSplashscreen> quick = TSplashscreen::showAndWaitDefault();
    ASSERT_TRUE(quick);
    quick->close();
    QTest::qWait(1);
    TSplashscreen::setDefaultWait(milliseconds(4000));
}

TEST(ProgressWindow, LinesBoldLineAndFraction)
{
    Tpopupfrm w;
    EXPECT_EQ(w.size(), QSize(366, 150));
    EXPECT_EQ(w.outline().shape, WindowOutline::Shape::RoundRect);
    EXPECT_EQ(w.outline().right, 367);
    EXPECT_EQ(w.outline().cornerWidth, 18);
    EXPECT_TRUE(w.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_FALSE(w.isModal());
    EXPECT_EQ(w.process1->text(), QStringLiteral("-"));
    EXPECT_EQ(w.process2->text(), QStringLiteral("-"));
    EXPECT_EQ(w.process3->text(), QStringLiteral("-"));
    w.setLines(QStringLiteral("Reading"), QStringLiteral("Encrypting"), QStringLiteral("-"), 2);
    EXPECT_EQ(w.process2->text(), QStringLiteral("Encrypting"));
    EXPECT_FALSE(w.process1->font().bold());
    EXPECT_TRUE(w.process2->font().bold());
    EXPECT_FALSE(w.process3->font().bold());
    w.setFraction(1.5);
    EXPECT_EQ(w.fraction(), 1.0);
    w.setFraction(std::nan(""));
    EXPECT_EQ(w.fraction(), 0.0);
    w.setFraction(0.25);
    EXPECT_EQ(w.fraction(), 0.25);
    w.resetLines();
    EXPECT_EQ(w.process1->text(), QStringLiteral("-"));
    EXPECT_EQ(w.boldIndex(), 0);

    SkinnedWindow owner(nullptr, Qt::Window);
    owner.setBackgroundPixmap(plainPicture(609, 467));
    owner.move(0, 0);
    w.showOver(&owner);
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(w.pos(), QPoint((609 - 366) / 2, (467 - 150) / 2));
    EXPECT_FALSE(w.mask().contains(QPoint(0, 0)));
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST(Pictures, EveryBackgroundHasItsWindowSize)
{
    const struct {
        const char* path;
        QSize size;
    } expected[] = {
        {Pictures::MainWindow, {609, 467}}, {Pictures::Shredder, {608, 467}},  {Pictures::Options, {365, 260}},
        {Pictures::KeyManager, {500, 300}}, {Pictures::KeyGeneration, {365, 260}},
        {Pictures::ChangePassphrase, {365, 260}}, {Pictures::KeyInformation, {365, 260}},
        {Pictures::FingerprintCheck, {365, 150}}, {Pictures::Progress, {366, 150}}, {Pictures::About, {360, 360}},
        {Pictures::Splash, {360, 360}}, {Pictures::PubKeyLarge, {110, 138}}, {Pictures::PrivKeyLarge, {110, 138}},
        {Pictures::PubKeySmall, {16, 16}}, {Pictures::PrivKeySmall, {16, 16}},
    };
    for (const auto& e : expected)
        EXPECT_EQ(loadImage(e.path).size(), e.size) << e.path;
    // Small key icons sit on white, the grid's transparent colour.
    EXPECT_EQ(loadImage(Pictures::PubKeySmall).pixel(0, 15), qRgb(255, 255, 255));
}

TEST(Screenshots, DecorativeWindowsAreRegistered)
{
    const QStringList names = registeredScreenshots();
    for (const char* n : {"about", "splash", "progress"})
        EXPECT_TRUE(names.contains(QString::fromLatin1(n))) << n;
}
