// Placement that grows with the texts: the grid solver, a container whose label
// outgrows its place, a window whose picture and outline follow.
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <gtest/gtest.h>

#include "widgets/DesignLayout.h"
#include "widgets/SkinnedWindow.h"
#include "widgets/UiScale.h"

using design::Span;

TEST(DesignAxis, GrownSpansPushOnlyTheLinesAfterThem)
{
    const struct { const char* what; std::vector<int> lines; double scale; std::vector<Span> spans; std::vector<int> expected; } rows[] = {
        {"design at scale 1", {0, 10, 20, 40}, 1.0, {{0, 10, 10}, {10, 40, 5}}, {0, 10, 20, 40}},
        {"gaps round as coordinates", {0, 7, 13, 40}, 1.5, {}, {0, 11, 20, 60}},
        {"one wide control", {0, 10, 20, 30, 40}, 1.0, {{10, 20, 25}}, {0, 10, 35, 45, 55}},
        {"overlapping spans", {0, 10, 20, 30, 40}, 1.0, {{0, 20, 30}, {10, 30, 40}}, {0, 10, 30, 50, 60}},
        {"edges given backwards", {0, 10, 20}, 1.0, {{20, 10, 30}}, {0, 10, 40}},
        {"need below the gaps", {0, 10, 20}, 2.0, {{0, 20, 15}}, {0, 20, 40}},
        {"nested spans", {0, 5, 15, 20}, 1.0, {{5, 15, 30}, {0, 20, 50}}, {0, 5, 35, 50}},
    };
    for (const auto& r : rows)
        EXPECT_EQ(design::solveAxis(r.lines, r.scale, r.spans), r.expected) << r.what;
    const std::vector<int> lines{0, 10, 20}, pos{0, 10, 40}; // a coordinate between and beyond the lines
    for (auto [at, expected] : {std::pair{-4, -6}, {5, 5}, {15, 25}, {30, 55}})
        EXPECT_EQ(design::mapAxis(lines, pos, 1.5, at), expected) << at;
}

TEST(DesignLayout, ALongLabelMovesWhatLiesAfterItAndTheContainerGrows)
{
    QWidget box;
    auto* layout = new DesignLayout(&box);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->setDesignSize(QSize(200, 80));
    auto* label = new QLabel(QStringLiteral("Key"), &box);
    auto* edit = new QLineEdit(&box);
    auto* below = new QPushButton(QStringLiteral("OK"), &box);
    const QRect labelAt(10, 10, 40, 20), editAt(60, 10, 100, 20), belowAt(10, 40, 60, 24);
    for (auto [w, at] : {std::pair<QWidget*, QRect>{label, labelAt}, {edit, editAt}, {below, belowAt}}) layout->place(w, at);
    layout->activate();
    if (ui::scale() == 1.0 && label->sizeHint().width() <= 40) // exactly the design
        EXPECT_TRUE(label->geometry() == labelAt && edit->geometry() == editAt && box.size() == QSize(200, 80));

    label->setText(QStringLiteral("A much longer caption than its place"));
    layout->activate();
    const int grown = label->sizeHint().width() - ui::px(40);
    ASSERT_GT(grown, 0);
    EXPECT_EQ(edit->x(), ui::px(60) + grown);
    EXPECT_EQ(edit->width(), ui::px(100));
    // Below, a control across the label's end widens with it; its start stays.
    EXPECT_EQ(below->geometry(), ui::px(belowAt).adjusted(0, 0, grown, 0));
    EXPECT_EQ(layout->mapRect(QRect(0, 0, 200, 80)).size(), box.size());
    EXPECT_EQ(box.width(), ui::px(200) + grown);

    // Given twice the room it needs, the container spreads its controls in proportion.
    const QRect before = edit->geometry();
    layout->setSizeConstraint(QLayout::SetNoConstraint);
    box.setFixedSize(box.size() * 2);
    layout->setGeometry(box.rect());
    EXPECT_EQ(edit->geometry(), QRect(before.topLeft() * 2, before.size() * 2));
}

TEST(DesignLayout, AWindowGrownByItsTextKeepsItsPictureEdgesAndOutline)
{
    QPixmap picture(100, 50);
    picture.fill(Qt::darkGray);
    QPainter(&picture).fillRect(QRect(90, 0, 10, 50), Qt::red); // the picture's right frame
    SkinnedWindow w;
    w.setBackgroundPixmap(picture);
    w.setOutline(WindowOutline::roundRect(0, 0, w.width() + 1, w.height() + 1, 10, 10));
    w.addLabel(QStringLiteral("A caption far wider than its place"), 10, 10, 20, 16);
    w.centreOver(nullptr); // before it shows, at the size its text gives it
    ASSERT_GT(w.width(), ui::px(100));
    EXPECT_LE((w.geometry().center() - QGuiApplication::primaryScreen()->availableGeometry().center()).manhattanLength(), 2);
    w.show();
    const QImage shot = w.grab().toImage();
    EXPECT_EQ(shot.pixelColor(w.width() - 3, w.height() / 2), QColor(Qt::red));
    EXPECT_EQ(shot.pixelColor(w.width() / 2, w.height() - 3), QColor(Qt::darkGray));
    EXPECT_EQ(w.mask().boundingRect(), w.rect().adjusted(0, 0, 1, 1)); // the outline follows the grown window
}
