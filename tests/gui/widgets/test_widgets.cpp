// The presentation widgets where a pixel or a mouse event is the behaviour:
// the progress bar's covered length, the image button's transparent parts,
// dragging and closing skinned windows.
#include <QApplication>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include "common/Resources.h"
#include "widgets/ALProgressBar.h"
#include "widgets/HNoShape.h"
#include "widgets/SkinnedWindow.h"

namespace {

const QColor kBack(0xFF, 0x00, 0xFF); // never produced by the default gradient

void sendMouse(QWidget* w, QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons held)
{
    QMouseEvent e(type, QPointF(at), QPointF(w->mapToGlobal(at)), button, held, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

QPixmap picture(int w, int h)
{
    QPixmap p(w, h);
    p.fill(QColor(30, 50, 70));
    return p;
}

} // namespace

TEST(ALProgressBar, CoversItsShareOfTheInnerLengthFromItsStartSide)
{
    using D = TALProgressBar::Direction;
    const struct {
        int w, h, min, max, position;
        D direction;
        int coveredFrom, covered; // along the bar, in frame pixels
    } rows[] = {
        {191, 20, 0, 10, 5, D::LeftToRight, 1, 94}, // 94.5 of 189: halves to even
        {191, 20, 0, 10, 7, D::LeftToRight, 1, 132},
        {191, 20, 0, 10, 10, D::LeftToRight, 1, 189},
        {191, 20, 0, 10, 11, D::LeftToRight, 1, 0}, // beyond the range: ignored
        {191, 20, 2, 10, 2, D::LeftToRight, 1, 0},  // at the minimum
        {50, 10, 0, 0, 0, D::LeftToRight, 1, 0},    // equal bounds
        {102, 12, 0, 100, 30, D::RightToLeft, 71, 30},
        {12, 102, 0, 100, 30, D::BottomToTop, 71, 30},
        {12, 102, 0, 100, 30, D::TopToBottom, 1, 30},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(testing::Message() << r.w << "x" << r.h << " at " << r.position << " dir " << r.direction);
        TALProgressBar bar;
        bar.resize(r.w, r.h);
        bar.setBackgroundColor(kBack);
        bar.setShowPosText(false);
        bar.setDirection(r.direction);
        bar.setMax(r.max);
        bar.setMin(r.min);
        bar.setPosition(r.position);
        const QImage f = bar.renderFrame();
        const bool across = r.direction == D::LeftToRight || r.direction == D::RightToLeft;
        const int length = (across ? r.w : r.h) - 2;
        std::vector<int> covered;
        for (int i = 1; i <= length; ++i)
            if (QColor(across ? f.pixel(i, r.h / 2) : f.pixel(r.w / 2, i)) != kBack) covered.push_back(i);
        EXPECT_EQ(int(covered.size()), r.covered);
        if (!covered.empty()) {
            EXPECT_EQ(covered.front(), r.coveredFrom);
            EXPECT_EQ(covered.back(), r.coveredFrom + r.covered - 1);
        }
    }
}

// The Encrypt button's face, black (transparent) at its corners, on a parent.
struct ImageButton : ::testing::Test {
    void SetUp() override
    {
        parent.resize(200, 100);
        button = new THNoShape(&parent);
        button->setBitmap(loadImage(Pictures::BtnEncrypt));
        button->setTransparentColor(Qt::black);
        centre = button->rect().center();
        parent.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&parent));
    }
    QWidget parent;
    THNoShape* button = nullptr;
    QPoint centre, corner{1, 1}; // (0, 0) would be the centre to QTest
};

TEST_F(ImageButton, OnlyAReleaseOverTheShapeOfAnEnabledButtonClicks)
{
    for (const char* face : {Pictures::BtnExitIdle, Pictures::BtnClose, Pictures::BtnMinimize}) {
        THNoShape b;
        b.setBitmap(loadImage(face));
        b.setTransparentColor(Qt::black);
        EXPECT_FALSE(b.isOnShape(corner)) << face;
        EXPECT_TRUE(b.isOnShape(b.rect().center())) << face;
    }
    QSignalSpy clicks(button, &THNoShape::clicked);
    QTest::mouseClick(button, Qt::LeftButton, {}, centre);
    QTest::mouseClick(button, Qt::RightButton, {}, centre);
    EXPECT_EQ(clicks.count(), 2);
    QTest::mousePress(button, Qt::LeftButton, {}, centre);
    QTest::mouseMove(button, corner);
    QTest::mouseRelease(button, Qt::LeftButton, {}, corner);
    QTest::mousePress(button, Qt::LeftButton, {}, corner);
    EXPECT_FALSE(button->isPressed());
    QTest::mouseRelease(button, Qt::LeftButton, {}, corner);
    button->setEnabled(false);
    QTest::mouseClick(button, Qt::LeftButton, {}, centre);
    EXPECT_EQ(clicks.count(), 2);
}

TEST_F(ImageButton, TheAcceleratorOfItsCaptionClicks)
{
    QSignalSpy clicks(button, &THNoShape::clicked);
    button->setCaption(QStringLiteral("&Encrypt"));
    parent.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&parent));
    QTest::keyClick(&parent, Qt::Key_E, Qt::AltModifier);
    QTest::keyClick(&parent, Qt::Key_X, Qt::AltModifier);
    EXPECT_EQ(clicks.count(), 1);
}

TEST(SkinnedWindow, DraggingMovesADraggableWindowByThePointersWay)
{
    for (bool draggable : {true, false}) {
        SkinnedWindow w;
        w.setBackgroundPixmap(picture(365, 260));
        w.setDraggable(draggable);
        w.move(100, 100);
        w.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
        const QPoint start = w.pos();
        sendMouse(&w, QEvent::MouseButtonPress, QPoint(50, 40), Qt::LeftButton, Qt::LeftButton);
        sendMouse(&w, QEvent::MouseMove, QPoint(60, 45), Qt::NoButton, Qt::LeftButton);
        sendMouse(&w, QEvent::MouseMove, QPoint(50, 40), Qt::NoButton, Qt::LeftButton); // relative to the grip
        sendMouse(&w, QEvent::MouseButtonRelease, QPoint(50, 40), Qt::LeftButton, Qt::NoButton);
        sendMouse(&w, QEvent::MouseMove, QPoint(80, 80), Qt::NoButton, Qt::NoButton);
        EXPECT_EQ(w.pos(), start + (draggable ? QPoint(10, 5) : QPoint()));
    }
}

TEST(SkinnedWindow, EscapeClosesADialogButNotAMainWindow)
{
    SkinnedWindow main(nullptr, Qt::Window), dialog;
    for (SkinnedWindow* w : {&main, &dialog}) {
        w->setBackgroundPixmap(picture(100, 100));
        w->show();
        QTest::keyClick(w, Qt::Key_Escape);
    }
    EXPECT_TRUE(main.isVisible());
    EXPECT_FALSE(dialog.isVisible());
}
