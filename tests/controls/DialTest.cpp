#include <QTest>

#include <gtest/gtest.h>

#include "controls/Dial.h"

using namespace vellum;

TEST(Dial, StartsWithItsDefaults)
{
    TDial dial;
    EXPECT_EQ(dial.size(), QSize(100, 100));
    EXPECT_EQ(dial.Increments(), 360);
    EXPECT_DOUBLE_EQ(dial.AnglePerPosition(), 1.0);
    EXPECT_EQ(dial.NeedleGap(), 2);
    EXPECT_EQ(dial.NeedleWidth(), 1);
    EXPECT_EQ(dial.NeedleColour(), 0);
    EXPECT_FALSE(dial.NeedleInverse());
    EXPECT_TRUE(dial.TransParent());
    EXPECT_EQ(dial.Centre(), QPoint(50, 50));
}

TEST(Dial, BearingsRunClockwiseFromStraightUp)
{
    const QPoint c(50, 50);
    struct Case { QPoint point; double bearing; };
    const Case cases[] = {
        {{50, 10}, 0}, {{50, 50}, 0}, {{90, 10}, 45}, {{90, 50}, 90}, {{90, 90}, 135},
        {{50, 90}, 180}, {{10, 90}, 225}, {{10, 50}, 270}, {{10, 10}, 315},
    };
    for (const Case& k : cases)
        EXPECT_NEAR(TDial::BearingOf(k.point, c), k.bearing, 1e-9) << k.point.x() << "," << k.point.y();
}

TEST(Dial, PressesAndDragsSetThePositionRounded)
{
    TDial dial;
    int changes = 0;
    dial.OnChange = [&](TDial*) { ++changes; };
    struct Case { int increments; QPoint point; int position; };
    const Case cases[] = {
        {360, {90, 50}, 90}, {360, {50, 90}, 180}, {360, {10, 50}, 270}, {360, {50, 5}, 0},
        {8, {90, 10}, 1}, {8, {10, 10}, 7}, {8, {50, 10}, 0},
        {4, {89, 40}, 1}, // 75.96 degrees, 0.84 of a quarter: rounds up
        {360, {51, 1}, 1}, // 1.17 degrees
    };
    for (const Case& k : cases) {
        dial.SetIncrements(k.increments);
        QTest::mousePress(&dial, Qt::LeftButton, {}, k.point);
        EXPECT_EQ(dial.Position(), k.position) << k.increments << " " << k.point.x() << "," << k.point.y();
        QTest::mouseRelease(&dial, Qt::LeftButton, {}, k.point);
    }
    dial.SetIncrements(360);
    QTest::mousePress(&dial, Qt::LeftButton, {}, QPoint(90, 50));
    QMouseEvent move(QEvent::MouseMove, QPointF(50, 90), QPointF(50, 90), Qt::NoButton, Qt::LeftButton, {});
    QCoreApplication::sendEvent(&dial, &move);
    EXPECT_EQ(dial.Position(), 180);
    QTest::mouseRelease(&dial, Qt::LeftButton, {}, QPoint(50, 90));
    QMouseEvent after(QEvent::MouseMove, QPointF(10, 50), QPointF(10, 50), Qt::NoButton, Qt::NoButton, {});
    QCoreApplication::sendEvent(&dial, &after);
    EXPECT_EQ(dial.Position(), 180); // no longer dragging
    QTest::mousePress(&dial, Qt::RightButton, {}, QPoint(10, 50));
    EXPECT_EQ(dial.Position(), 180);

    const int before = changes;
    dial.SetPosition(180);
    EXPECT_EQ(changes, before + 1); // raised even when unchanged
}

TEST(Dial, SettersRefuseOutOfRangeValues)
{
    TDial dial; // centre (50, 50)
    dial.SetIncrements(0);
    dial.SetIncrements(-4);
    EXPECT_EQ(dial.Increments(), 360);
    dial.SetIncrements(4);
    EXPECT_DOUBLE_EQ(dial.AnglePerPosition(), 90.0);

    struct WidthCase { int width; int expected; };
    for (const WidthCase& k : {WidthCase{10, 1}, {0, 1}, {9, 9}, {1, 1}, {5, 5}, {-1, 5}}) {
        dial.SetNeedleWidth(k.width);
        EXPECT_EQ(dial.NeedleWidth(), k.expected) << k.width;
    }
    struct GapCase { int gap; int expected; };
    for (const GapCase& k : {GapCase{50, 2}, {49, 49}, {-1, 49}, {0, 0}}) {
        dial.SetNeedleGap(k.gap);
        EXPECT_EQ(dial.NeedleGap(), k.expected) << k.gap;
    }
}

TEST(Dial, NeedleEndFollowsThePosition)
{
    TDial dial;
    dial.SetIncrements(4);
    struct Case { int position; QPoint end; };
    for (const Case& k : {Case{0, {50, 2}}, {1, {98, 50}}, {2, {50, 98}}, {3, {2, 50}}}) {
        dial.SetPosition(k.position);
        EXPECT_EQ(dial.NeedleEndForPosition(), k.end) << k.position;
    }
}

TEST(Dial, PaintsTheNeedleOverTheBackground)
{
    TDial dial;
    dial.SetTransParent(false);
    dial.SetNeedleWidth(1);
    dial.SetNeedleColour(0x0000FF);
    dial.SetPosition(90); // to the right
    QImage shot = dial.grab().toImage();
    const QColor face = dial.palette().color(QPalette::Button);
    EXPECT_EQ(shot.pixelColor(70, 50), QColor(255, 0, 0));
    EXPECT_EQ(shot.pixelColor(50, 70), face);
    EXPECT_EQ(shot.pixelColor(5, 5), face);
    EXPECT_EQ(shot.pixelColor(50, 0), QColor(Qt::white)); // the circle touches the edges

    // Inverting needle: white circle pixel under the needle's far end turns black.
    dial.SetNeedleGap(0);
    dial.SetPosition(0);
    dial.SetNeedleInverse(true);
    shot = dial.grab().toImage();
    EXPECT_EQ(shot.pixelColor(50, 0), QColor(Qt::black));
}

TEST(Dial, TransparentBackgroundShowsTheControlColourWhereItsKeyColourIs)
{
    TDial dial;
    QPalette palette = dial.palette();
    palette.setColor(QPalette::Button, QColor(10, 20, 30));
    palette.setColor(dial.backgroundRole(), QColor(200, 100, 0));
    dial.setPalette(palette);
    dial.SetBackground(QImage()); // default background in the new face colour
    EXPECT_EQ(dial.NeedleGap(), 0);
    QImage shot = dial.grab().toImage();
    EXPECT_EQ(shot.pixelColor(5, 5), QColor(200, 100, 0));
    EXPECT_EQ(shot.pixelColor(50, 99), QColor(Qt::white));
    dial.SetTransParent(false);
    shot = dial.grab().toImage();
    EXPECT_EQ(shot.pixelColor(5, 5), QColor(10, 20, 30));
}

TEST(Dial, AGivenBackgroundSizesTheDial)
{
    TDial dial;
    QImage picture(40, 30, QImage::Format_RGB32);
    picture.fill(QColor(0, 128, 0));
    picture.setPixelColor(3, 3, QColor(1, 2, 3));
    dial.SetTransParent(false);
    dial.SetBackground(picture);
    EXPECT_EQ(dial.size(), QSize(40, 30));
    EXPECT_EQ(dial.Centre(), QPoint(20, 15));
    EXPECT_EQ(dial.NeedleGap(), 0);
    EXPECT_EQ(dial.NeedleEnd(), QPoint(20, 0));
    const QImage shot = dial.grab().toImage();
    EXPECT_EQ(shot.pixelColor(3, 3), QColor(1, 2, 3));
    EXPECT_EQ(shot.pixelColor(20, 5), QColor(0, 0, 0)); // needle straight up
}

TEST(Dial, EachPaintShowsTheCurrentNeedleBackgroundAndColours)
{
    // The background behind the needle is kept between paints: an old needle must not stay in
    // it, and a new colour behind it, a new key rule or a new background must show at once.
    TDial dial;
    dial.show(); // a hidden widget gets a resize, and so a new background, with each grab
    dial.SetNeedleGap(0);
    const QColor face = dial.palette().color(QPalette::Button);
    dial.SetPosition(90);
    EXPECT_EQ(dial.grab().toImage().pixelColor(70, 50), QColor(Qt::black));
    dial.SetPosition(180);
    QImage shot = dial.grab().toImage();
    EXPECT_EQ(shot.pixelColor(70, 50), face);
    EXPECT_EQ(shot.pixelColor(50, 70), QColor(Qt::black));

    QPalette palette = dial.palette();
    palette.setColor(dial.backgroundRole(), QColor(200, 100, 0));
    dial.setPalette(palette);
    EXPECT_EQ(dial.grab().toImage().pixelColor(5, 5), QColor(200, 100, 0));
    dial.SetTransParent(false);
    EXPECT_EQ(dial.grab().toImage().pixelColor(5, 5), face);

    QImage picture(100, 100, QImage::Format_RGB32);
    picture.fill(QColor(0, 128, 0));
    dial.SetBackground(picture);
    shot = dial.grab().toImage();
    EXPECT_EQ(shot.pixelColor(5, 5), QColor(0, 128, 0));
    EXPECT_EQ(shot.pixelColor(50, 70), QColor(Qt::black));
}
