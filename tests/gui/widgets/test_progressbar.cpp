#include <gtest/gtest.h>

#include <QImage>
#include <cmath>

#include "widgets/ALProgressBar.h"
#include "widgets/ALStatusBar.h"

namespace {

const QColor kBack(0xFF, 0x00, 0xFF); // never produced by the default gradient

// Pixels of row y in [x0, x1) that show the bar rather than the background.
int barPixels(const QImage& frame, int y, int x0, int x1)
{
    int n = 0;
    for (int x = x0; x < x1; ++x)
        n += QColor(frame.pixel(x, y)) != kBack;
    return n;
}

int barPixelsColumn(const QImage& frame, int x, int y0, int y1)
{
    int n = 0;
    for (int y = y0; y < y1; ++y)
        n += QColor(frame.pixel(x, y)) != kBack;
    return n;
}

struct Bar {
    TALProgressBar bar;
    Bar(int w, int h)
    {
        bar.resize(w, h);
        bar.setBackgroundColor(kBack);
        bar.setShowPosText(false);
    }
};

// The frame of a bar of that size at position 30 (of 100), filling in `direction`.
QImage frameAt30(int w, int h, TALProgressBar::Direction direction)
{
    Bar t(w, h);
    t.bar.setDirection(direction);
    t.bar.setPosition(30);
    return t.bar.renderFrame();
}

} // namespace

TEST(ALProgressBar, DefaultsMatchTheDesignerValues)
{
    TALProgressBar b;
    EXPECT_EQ(b.size(), QSize(200, 20));
    EXPECT_EQ(b.min(), 0);
    EXPECT_EQ(b.max(), 100);
    EXPECT_EQ(b.position(), 0);
    EXPECT_EQ(b.direction(), TALProgressBar::LeftToRight);
    EXPECT_EQ(b.barColorStyle(), TALProgressBar::ThreeColorGradient);
    EXPECT_EQ(b.barColor1(), QColor(0x00, 0x80, 0x00));
    EXPECT_EQ(b.barColor2(), QColor(0xFF, 0xFF, 0x00));
    EXPECT_EQ(b.barColor3(), QColor(0xFF, 0x00, 0x00));
    EXPECT_TRUE(b.barBitmap().isNull());
    EXPECT_TRUE(b.showBorder());
    EXPECT_TRUE(b.showPosText());
    EXPECT_FALSE(b.percentage());
    EXPECT_TRUE(b.posTextPrefix().isEmpty());
    EXPECT_TRUE(b.posTextSuffix().isEmpty());
}

TEST(ALProgressBar, HalfWayOnAnOddLengthRoundsToEven)
{
    Bar t(191, 20);
    t.bar.setMax(10);
    t.bar.setPosition(5);
    EXPECT_EQ(t.bar.coveredLength(), 94); // 94.5 of 189 inner pixels
    const QImage f = t.bar.renderFrame();
    EXPECT_EQ(barPixels(f, 10, 1, 190), 94);
    EXPECT_NE(QColor(f.pixel(94, 10)), kBack);
    EXPECT_EQ(QColor(f.pixel(95, 10)), kBack);
    // position 7: 132.3 -> 132; position 10: all 189
    t.bar.setPosition(7);
    EXPECT_EQ(barPixels(t.bar.renderFrame(), 10, 1, 190), 132);
    t.bar.setPosition(10);
    EXPECT_EQ(barPixels(t.bar.renderFrame(), 10, 1, 190), 189);
}

TEST(ALProgressBar, PositionOutsideTheRangeIsIgnored)
{
    TALProgressBar b;
    b.setMax(10);
    b.setPosition(4);
    b.setPosition(11);
    EXPECT_EQ(b.position(), 4);
    b.setMin(2);
    b.setPosition(1);
    EXPECT_EQ(b.position(), 4);
    b.setPosition(10);
    EXPECT_EQ(b.position(), 10);
    b.setPosition(2);
    EXPECT_EQ(b.position(), 2);
    EXPECT_EQ(b.coveredLength(), 0); // Min < Position is required
}

TEST(ALProgressBar, EqualMinAndMaxCoverNothing)
{
    Bar t(50, 10);
    t.bar.setMax(0);
    t.bar.setMin(0);
    EXPECT_EQ(t.bar.coveredLength(), 0);
    EXPECT_EQ(barPixels(t.bar.renderFrame(), 5, 1, 49), 0);
}

TEST(ALProgressBar, TheFourDirectionsLeaveTheRightEndUncovered)
{
    {
        const QImage f = frameAt30(102, 12, TALProgressBar::RightToLeft); // inner length 100
        EXPECT_EQ(barPixels(f, 6, 1, 71), 0);   // uncovered part on the left
        EXPECT_EQ(barPixels(f, 6, 71, 101), 30); // covered part on the right
    }
    {
        const QImage f = frameAt30(12, 102, TALProgressBar::BottomToTop);
        EXPECT_EQ(barPixelsColumn(f, 6, 1, 71), 0);
        EXPECT_EQ(barPixelsColumn(f, 6, 71, 101), 30);
    }
    {
        const QImage f = frameAt30(12, 102, TALProgressBar::TopToBottom);
        EXPECT_EQ(barPixelsColumn(f, 6, 1, 31), 30);
        EXPECT_EQ(barPixelsColumn(f, 6, 31, 101), 0);
    }
}

TEST(ALProgressBar, GradientRunsThroughTheThreeColours)
{
    TALProgressBar b;
    b.resize(100, 10);
    b.setShowBorder(false);
    b.setShowPosText(false);
    b.setPosition(100);
    QImage f = b.renderFrame();
    EXPECT_EQ(QColor(f.pixel(0, 5)), b.barColor1());
    EXPECT_EQ(QColor(f.pixel(49, 5)), b.barColor2()); // end of the first half
    EXPECT_EQ(QColor(f.pixel(50, 5)), b.barColor2()); // start of the second
    EXPECT_EQ(QColor(f.pixel(99, 5)), b.barColor3());
    b.setDirection(TALProgressBar::RightToLeft);
    f = b.renderFrame();
    EXPECT_EQ(QColor(f.pixel(0, 5)), b.barColor3());
    EXPECT_EQ(QColor(f.pixel(99, 5)), b.barColor1());
    b.setBarColorStyle(TALProgressBar::TwoColorGradient);
    b.setDirection(TALProgressBar::LeftToRight);
    f = b.renderFrame();
    EXPECT_EQ(QColor(f.pixel(0, 5)), b.barColor1());
    EXPECT_EQ(QColor(f.pixel(99, 5)), b.barColor2());
    b.setBarColorStyle(TALProgressBar::PlainColor);
    f = b.renderFrame();
    EXPECT_EQ(QColor(f.pixel(40, 5)), b.barColor1());
    EXPECT_EQ(QColor(f.pixel(99, 5)), b.barColor1());
}

TEST(ALProgressBar, BarPictureIsTiled)
{
    QImage tile(3, 2, QImage::Format_RGB32);
    tile.fill(Qt::blue);
    tile.setPixel(0, 0, qRgb(1, 2, 3));
    TALProgressBar b;
    b.resize(10, 5);
    b.setShowBorder(false);
    b.setShowPosText(false);
    b.setBarBitmap(tile);
    b.setPosition(100);
    const QImage f = b.renderFrame();
    EXPECT_EQ(f.pixel(0, 0), qRgb(1, 2, 3));
    EXPECT_EQ(f.pixel(9, 4), qRgb(1, 2, 3)); // ninth column and fifth row start a tile
    EXPECT_EQ(f.pixel(1, 0), QColor(Qt::blue).rgb());
}

TEST(ALProgressBar, BorderColours)
{
    TALProgressBar b;
    b.resize(20, 8);
    b.setBorderColor1(QColor(10, 20, 30));
    b.setBorderColor2(QColor(200, 210, 220));
    const QImage f = b.renderFrame();
    EXPECT_EQ(QColor(f.pixel(19, 0)), QColor(10, 20, 30)); // top line starts at the top-right
    EXPECT_EQ(QColor(f.pixel(0, 0)), QColor(10, 20, 30));
    EXPECT_EQ(QColor(f.pixel(0, 6)), QColor(10, 20, 30));
    EXPECT_EQ(QColor(f.pixel(0, 7)), QColor(200, 210, 220));
    EXPECT_EQ(QColor(f.pixel(19, 7)), QColor(200, 210, 220));
    EXPECT_EQ(QColor(f.pixel(19, 1)), QColor(200, 210, 220));
}

TEST(ALProgressBar, TextRules)
{
    Bar t(200, 20);
    t.bar.setShowPosText(true);
    t.bar.setMax(10);
    // Position 0: nothing is written, even with a prefix.
    t.bar.setPosTextPrefix(QStringLiteral("Pass "));
    EXPECT_TRUE(t.bar.positionText().isEmpty());
    const QImage withText = t.bar.renderFrame();
    t.bar.setShowPosText(false);
    EXPECT_EQ(withText, t.bar.renderFrame());
    t.bar.setShowPosText(true);

    t.bar.setPosition(3);
    t.bar.setPosTextSuffix(QStringLiteral(" of 10"));
    EXPECT_EQ(t.bar.positionText(), QStringLiteral("Pass 3 of 10"));
    const QImage three = t.bar.renderFrame();
    t.bar.setTextColor(kBack);
    EXPECT_NE(three, t.bar.renderFrame()); // the text is drawn
    t.bar.setShowPosText(false);
    EXPECT_EQ(t.bar.positionText(), QStringLiteral("Pass "));

    TALProgressBar p;
    p.setPercentage(true);
    p.setMax(4);
    p.setPosition(3);
    EXPECT_EQ(p.positionText(), QStringLiteral("75"));
    p.setMax(8);
    EXPECT_EQ(p.positionText(), QStringLiteral("38")); // 37.5 -> 38 (even)
    p.setPosition(1);
    EXPECT_EQ(p.positionText(), QStringLiteral("12")); // 12.5 -> 12 (even)
    // Max 0 with a position left above it: no fault.
    p.setMax(0);
    EXPECT_EQ(p.positionText(), QStringLiteral("0"));
    EXPECT_FALSE(p.renderFrame().isNull());
}

TEST(ALProgressBar, GradientColor)
{
    const QColor green(0, 128, 0), yellow(255, 255, 0);
    EXPECT_EQ(TALProgressBar::GradientColor(green, yellow, 1, 3), green);
    EXPECT_EQ(TALProgressBar::GradientColor(green, yellow, 2, 3), QColor(128, 192, 0)); // halves away from zero
    EXPECT_EQ(TALProgressBar::GradientColor(green, yellow, 3, 3), yellow);
    EXPECT_EQ(TALProgressBar::GradientColor(yellow, green, 2, 3), QColor(127, 191, 0));
    EXPECT_EQ(TALProgressBar::GradientColor(yellow, green, 1, 1), yellow); // a part of one line
    try {
        TALProgressBar::GradientColor(green, yellow, 0, 5);
        FAIL() << "no error";
    } catch (const zerath::Error& e) {
        EXPECT_STREQ(e.what(), "ColorIndex can't be less than 1 or greater than 5");
    }
    try {
        TALProgressBar::GradientColor(green, yellow, 6, 5);
        FAIL() << "no error";
    } catch (const EGradientColorError& e) {
        EXPECT_STREQ(e.what(), "ColorIndex can't be less than 1 or greater than 5");
    }
    EXPECT_THROW(TALProgressBar::GradientColor(green, yellow, 1, 0), EGradientColorError);
}

TEST(ALProgressBar, PositionChangesReuseTheCachedBar)
{
    TALProgressBar b;
    b.setMax(1000);
    b.renderFrame();
    const int built = b.barBuildCount();
    for (int i = 1; i <= 1000; i += 7) {
        b.setPosition(i);
        b.renderFrame();
    }
    EXPECT_EQ(b.barBuildCount(), built);
    b.setBarColor2(Qt::cyan);
    b.renderFrame();
    EXPECT_EQ(b.barBuildCount(), built + 1);
    b.resize(300, 20);
    b.renderFrame();
    EXPECT_EQ(b.barBuildCount(), built + 2);
}

TEST(ALProgressBar, TinySizesDoNotFault)
{
    TALProgressBar b;
    b.setPosition(50);
    for (QSize s : {QSize(1, 1), QSize(2, 2), QSize(3, 1), QSize(1, 3), QSize(0, 5)}) {
        b.resize(s);
        for (int d = 0; d < 4; ++d) {
            b.setDirection(TALProgressBar::Direction(d));
            b.renderFrame();
        }
    }
    SUCCEED();
}

TEST(ALStatusBar, PanelsTextsAndChildren)
{
    TALStatusBar s;
    s.resize(460, 19);
    s.setPanelWidths({392, 50});
    EXPECT_EQ(s.panelCount(), 2);
    EXPECT_EQ(s.panelRect(0), QRect(0, 0, 392, 19));
    EXPECT_EQ(s.panelRect(1), QRect(392, 0, 68, 19)); // the last reaches the edge
    s.setPanelText(1, QStringLiteral("3 files"));
    s.setPanelText(5, QStringLiteral("ignored"));
    EXPECT_EQ(s.panelText(1), QStringLiteral("3 files"));
    EXPECT_TRUE(s.panelText(5).isEmpty());
    auto* bar = new TALProgressBar(&s);
    bar->setGeometry(200, 2, 190, 16);
    EXPECT_EQ(bar->parentWidget(), &s);
    EXPECT_FALSE(s.grab().isNull());
}
