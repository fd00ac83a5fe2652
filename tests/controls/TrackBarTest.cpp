#include <QMouseEvent>
#include <QTest>

#include <gtest/gtest.h>

#include "controls/TrackBar.h"

using namespace vellum;

TEST(TrackBar, ReleasePositionSpreadsTheRangeOverTheGrooveLessTheThumb)
{
    struct Case { int min, max, groove, thumb, x, expected; };
    const Case cases[] = {
        {0, 100, 110, 10, 5, 0},        // at the thumb's half: the minimum
        {0, 100, 110, 10, 55, 50},
        {0, 100, 110, 10, 105, 100},
        {0, 100, 110, 10, 500, 100},    // beyond the end: clamped
        {0, 100, 110, 10, -40, 0},
        {-100, 100, 210, 10, 105, 0},   // trunc(1 * 100) - 100
        {0, 499, 110, 10, 30, 124},     // trunc(4.99 * 25)
        {0, 100, 10, 10, 80, 0},        // groove no longer than the thumb: factor 0
        {0, 100, 8, 10, 80, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TTrackBar::ReleasePosition(c.min, c.max, c.groove, c.thumb, c.x), c.expected)
            << c.min << " " << c.max << " " << c.groove << " " << c.thumb << " " << c.x;
}

TEST(TrackBar, AClickAwayFromTheThumbMovesItToTheReleasedPoint)
{
    TTrackBar bar;
    bar.setRange(0, 2000);
    bar.resize(300, 40);
    bar.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&bar));
    bar.setValue(0);
    const QRect groove = bar.GrooveRect();
    const int x = groove.left() + groove.width() * 3 / 4;
    const QPoint at(x, groove.center().y());
    int changes = 0;
    QObject::connect(&bar, &QSlider::valueChanged, [&changes] { ++changes; });
    QTest::mousePress(&bar, Qt::LeftButton, {}, at);
    EXPECT_EQ(bar.value(), 0); // nothing until the release
    QTest::mouseRelease(&bar, Qt::LeftButton, {}, at);
    EXPECT_EQ(bar.value(), TTrackBar::ReleasePosition(0, 2000, groove.width(), bar.ThumbLength(), x - groove.left()));
    EXPECT_EQ(changes, 1);
}
