#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTest>
#include <QWidget>

#include "common/Resources.h"
#include "widgets/HNoShape.h"

namespace {

// 40 x 20 face: a filled ellipse on black, with a colour that changes by column
// so that a shifted drawing can be told apart.
QImage ellipseFace(QRgb outside = qRgb(0, 0, 0))
{
    QImage img(40, 20, QImage::Format_RGB32);
    img.fill(outside);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 40; ++x) {
            const double dx = (x + 0.5 - 20) / 20, dy = (y + 0.5 - 10) / 10;
            if (dx * dx + dy * dy < 1)
                img.setPixel(x, y, qRgb(60 + 4 * x, 100, 160));
        }
    return img;
}

struct Fixture {
    QWidget parent;
    THNoShape* button;
    Fixture()
    {
        parent.resize(200, 100);
        QPalette pal = parent.palette();
        pal.setColor(QPalette::Window, QColor(0, 200, 0));
        parent.setPalette(pal);
        parent.setAutoFillBackground(true);
        button = new THNoShape(&parent);
        button->setBitmap(ellipseFace());
        QImage idle = ellipseFace();
        idle.setPixel(20, 10, qRgb(9, 9, 9));
        button->setIdleBitmap(idle);
        button->move(10, 10);
        parent.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&parent));
    }
    void settle() { QCoreApplication::processEvents(); QCoreApplication::processEvents(); }
};

const QPoint kCentre(20, 10), kCorner(1, 1);

} // namespace

TEST(HNoShape, SizeFollowsTheBitmapAndMaskFollowsTheShape)
{
    THNoShape b;
    b.setBitmap(ellipseFace());
    b.setGeometry(0, 0, 100, 100);
    EXPECT_EQ(b.size(), QSize(40, 20));
    EXPECT_EQ(b.transparentColor(), QColor(Qt::black)); // the bottom-left pixel
    EXPECT_TRUE(b.isOnShape(kCentre));
    EXPECT_FALSE(b.isOnShape(kCorner));
    EXPECT_FALSE(b.isOnShape(QPoint(39, 19)));
    EXPECT_FALSE(b.isOnShape(QPoint(40, 10)));
    EXPECT_EQ(qAlpha(b.bitmapUp().pixel(kCorner)), 0);
    EXPECT_EQ(qAlpha(b.bitmapDown().pixel(kCentre)), 255);

    // Another transparent colour.
    THNoShape w;
    w.setBitmap(ellipseFace(qRgb(255, 255, 255)));
    EXPECT_EQ(w.transparentColor(), QColor(Qt::white));
    EXPECT_FALSE(w.isOnShape(kCorner));
    w.setTransparentColor(Qt::black); // nothing is black: the whole rectangle counts
    EXPECT_TRUE(w.isOnShape(kCorner));
    w.resetTransparentColor();
    EXPECT_FALSE(w.isOnShape(kCorner));

    // Without a bitmap the state images are empty and the rectangle counts.
    THNoShape e;
    e.resize(30, 30);
    EXPECT_TRUE(e.bitmapUp().isNull());
    EXPECT_TRUE(e.isOnShape(QPoint(0, 0)));
}

TEST(HNoShape, BevelRaisesAndSinksAlongTheOutline)
{
    THNoShape b;
    b.setBitmap(ellipseFace());
    const QImage& face = b.bitmap();
    const auto lum = [](QRgb c) { return qRed(c) + qGreen(c) + qBlue(c); };
    // Topmost and bottommost shape pixels of the middle column (same face colour):
    // highlight above and shadow below when raised, the other way round when sunken.
    ASSERT_EQ(face.pixel(20, 0), face.pixel(20, 19));
    EXPECT_GT(lum(b.bitmapUp().pixel(20, 0)), lum(b.bitmapUp().pixel(20, 19)));
    EXPECT_LT(lum(b.bitmapDown().pixel(20, 0)), lum(b.bitmapDown().pixel(20, 19)));
    EXPECT_NE(b.bitmapUp().pixel(20, 0), face.pixel(20, 0));
    // Second step, dark, on both sides when raised and on the upper side only when sunken.
    EXPECT_LT(lum(b.bitmapUp().pixel(20, 1)), lum(face.pixel(20, 1)));
    EXPECT_LT(lum(b.bitmapUp().pixel(20, 18)), lum(face.pixel(20, 18)));
    EXPECT_LT(lum(b.bitmapDown().pixel(20, 1)), lum(face.pixel(20, 1)));
    EXPECT_EQ(b.bitmapDown().pixel(20, 18) | 0xFF000000u, face.pixel(20, 18));
    // The interior is the face itself.
    EXPECT_EQ(b.bitmapUp().pixel(kCentre) | 0xFF000000u, face.pixel(kCentre));
}

TEST(HNoShape, MovingOntoATransparentPartRepaintsIdle)
{
    Fixture f;
    QTest::mouseMove(f.button, kCentre);
    f.settle();
    EXPECT_TRUE(f.button->isOver());
    EXPECT_EQ(f.button->lastPaintedFace(), THNoShape::Face::Up);
    QTest::mouseMove(f.button, kCorner);
    f.settle();
    EXPECT_TRUE(f.button->isInside());
    EXPECT_FALSE(f.button->isOver());
    EXPECT_EQ(f.button->lastPaintedFace(), THNoShape::Face::IdleUp);
    const QImage shot = f.parent.grab().toImage();
    EXPECT_EQ(QColor(shot.pixel(10 + 20, 10 + 10)), QColor(9, 9, 9)); // the idle face
    // Leaving the rectangle from the shape repaints idle as well.
    QTest::mouseMove(f.button, kCentre);
    f.settle();
    EXPECT_EQ(f.button->lastPaintedFace(), THNoShape::Face::Up);
    QTest::mouseMove(&f.parent, QPoint(150, 80));
    f.settle();
    EXPECT_FALSE(f.button->isInside());
    EXPECT_EQ(f.button->lastPaintedFace(), THNoShape::Face::IdleUp);
}

TEST(HNoShape, ReleaseOverATransparentCornerDoesNotClick)
{
    Fixture f;
    QSignalSpy clicks(f.button, &THNoShape::clicked);
    QTest::mouseMove(f.button, kCentre);
    QTest::mousePress(f.button, Qt::LeftButton, {}, kCentre);
    f.settle();
    EXPECT_TRUE(f.button->isPressed());
    EXPECT_EQ(f.button->lastPaintedFace(), THNoShape::Face::Down);
    QTest::mouseMove(f.button, kCorner);
    QTest::mouseRelease(f.button, Qt::LeftButton, {}, kCorner);
    f.settle();
    EXPECT_EQ(clicks.count(), 0);
    EXPECT_FALSE(f.button->isPressed());
    EXPECT_EQ(f.button->lastPaintedFace(), THNoShape::Face::IdleUp);
    // Drawn up: the face sits at its own place, not one pixel right and down.
    const QImage shot = f.parent.grab().toImage();
    EXPECT_EQ(QColor(shot.pixel(10 + 20, 10 + 10)), QColor(9, 9, 9));
    EXPECT_EQ(QColor(shot.pixel(10 + 1, 10 + 1)), QColor(0, 200, 0)); // the parent shows through
}

TEST(HNoShape, ClickOverTheShape)
{
    Fixture f;
    QSignalSpy clicks(f.button, &THNoShape::clicked);
    QTest::mouseClick(f.button, Qt::LeftButton, {}, kCentre);
    EXPECT_EQ(clicks.count(), 1);
    // Whichever button is released over the shape runs the action.
    QTest::mouseClick(f.button, Qt::RightButton, {}, kCentre);
    EXPECT_EQ(clicks.count(), 2);
    // A right press does not press the button down.
    QTest::mousePress(f.button, Qt::RightButton, {}, kCentre);
    EXPECT_FALSE(f.button->isPressed());
    QTest::mouseRelease(f.button, Qt::RightButton, {}, kCentre);
    // A press on the transparent part does not press it.
    QTest::mousePress(f.button, Qt::LeftButton, {}, kCorner);
    EXPECT_FALSE(f.button->isPressed());
    QTest::mouseRelease(f.button, Qt::LeftButton, {}, kCorner);
    EXPECT_EQ(clicks.count(), 3);
    // Disabled: no action.
    f.button->setEnabled(false);
    QTest::mouseClick(f.button, Qt::LeftButton, {}, kCentre);
    EXPECT_EQ(clicks.count(), 3);
}

TEST(HNoShape, PressedFaceIsDrawnOnePixelRightAndDown)
{
    Fixture f;
    QTest::mouseMove(f.button, kCentre);
    QTest::mousePress(f.button, Qt::LeftButton, {}, kCentre);
    f.settle();
    const QImage shot = f.parent.grab().toImage();
    for (int x = 12; x < 28; ++x)
        EXPECT_EQ(QColor(shot.pixel(10 + x + 1, 10 + 10 + 1)), QColor(f.button->bitmapDown().pixel(x, 10))) << x;
    QTest::mouseRelease(f.button, Qt::LeftButton, {}, kCentre);
}

TEST(HNoShape, AcceleratorRunsTheClick)
{
    Fixture f;
    QSignalSpy clicks(f.button, &THNoShape::clicked);
    f.button->setCaption(QStringLiteral("&Encrypt"));
    f.parent.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&f.parent));
    QTest::keyClick(&f.parent, Qt::Key_E, Qt::AltModifier);
    EXPECT_EQ(clicks.count(), 1);
    QTest::keyClick(&f.parent, Qt::Key_X, Qt::AltModifier);
    EXPECT_EQ(clicks.count(), 1);
    f.button->setEnabled(false);
    QTest::keyClick(&f.parent, Qt::Key_E, Qt::AltModifier);
    EXPECT_EQ(clicks.count(), 1);
    f.button->setEnabled(true);
    f.button->setCaption(QStringLiteral("Deco&de"));
    QTest::keyClick(&f.parent, Qt::Key_E, Qt::AltModifier);
    QTest::keyClick(&f.parent, Qt::Key_D, Qt::AltModifier);
    EXPECT_EQ(clicks.count(), 2);
}

TEST(HNoShape, ProgramFacesLoadWithBlackAsTransparent)
{
    for (const char* path : {Pictures::BtnEncrypt, Pictures::BtnExitIdle, Pictures::BtnClose, Pictures::BtnMinimize}) {
        const QImage img = loadImage(path);
        ASSERT_FALSE(img.isNull()) << path;
        THNoShape b;
        b.setBitmap(img);
        b.setTransparentColor(Qt::black);
        EXPECT_FALSE(b.isOnShape(QPoint(0, 0))) << path;
        EXPECT_TRUE(b.isOnShape(QPoint(img.width() / 2, img.height() / 2))) << path;
    }
}
