#include <QEnterEvent>
#include <QTest>

#include <gtest/gtest.h>

#include "controls/RecentColorsGrd.h"

using namespace vellum;

namespace {

std::vector<TColor> Entries(const TRecentColorsGrid& grid)
{
    std::vector<TColor> out;
    for (int i = 0; i < grid.Count(); ++i)
        out.push_back(grid.Colours(i));
    return out;
}

struct Grid5x3 {
    TRecentColorsGrid grid;
    Grid5x3()
    {
        grid.SetColorColCount(5);
        grid.SetColorRowCount(3);
        grid.SetColorColWidth(12);
        grid.SetColorRowHeight(12);
    }
};

} // namespace

TEST(ColorList, ReadsOutsideGiveTheDefaultAndWritesOutsideDoNothing)
{
    TColorList list;
    list.SetDefaultColour(7);
    list.SetCount(2);
    list.SetItem(1, 5);
    list.SetItem(2, 9);
    list.SetItem(-1, 9);
    EXPECT_EQ(list.Item(0), 7);
    EXPECT_EQ(list.Item(1), 5);
    EXPECT_EQ(list.Item(2), 7);
    EXPECT_EQ(list.Item(-1), 7);
    EXPECT_EQ(list.IndexOf(5), 1);
    EXPECT_EQ(list.IndexOf(9), -1);
    list.SetCount(3);
    EXPECT_EQ(list.Item(2), 7);
}

TEST(RecentColorsGrid, SizesFollowCountsAndCellsAndRefuseNonsense)
{
    TRecentColorsGrid grid;
    EXPECT_EQ(grid.size(), QSize(105, 105));
    EXPECT_EQ(grid.Count(), 25);
    EXPECT_EQ(grid.Colours(24), 0xFFFFFF);
    grid.SetColorColCount(0);
    grid.SetColorRowCount(-2);
    EXPECT_EQ(grid.Count(), 25);
    Grid5x3 g;
    EXPECT_EQ(g.grid.size(), QSize(65, 39));
    EXPECT_EQ(g.grid.Count(), 15);
}

TEST(RecentColorsGrid, KeepsEachColourOnceNewestFirst)
{
    Grid5x3 g;
    for (TColor c = 1; c <= 16; ++c)
        g.grid.AddColour(c);
    std::vector<TColor> newest;
    for (TColor c = 16; c >= 2; --c)
        newest.push_back(c);
    EXPECT_EQ(Entries(g.grid), newest);

    struct Case { TColor added; std::vector<TColor> front; };
    const Case cases[] = {
        {14, {14, 16, 15, 13, 12}}, // third place moves to the front
        {14, {14, 16, 15, 13, 12}}, // already first: nothing
        {2, {2, 14, 16, 15, 13}},   // last place: everything moves on
        {99, {99, 2, 14, 16, 15}},
    };
    for (const Case& k : cases) {
        g.grid.AddColour(k.added);
        const auto all = Entries(g.grid);
        EXPECT_EQ(std::vector<TColor>(all.begin(), all.begin() + 5), k.front) << k.added;
        EXPECT_EQ(all.size(), 15u);
        std::vector<TColor> sorted = all;
        std::sort(sorted.begin(), sorted.end());
        EXPECT_EQ(std::adjacent_find(sorted.begin(), sorted.end()), sorted.end()) << k.added;
    }
}

TEST(RecentColorsGrid, PressesLandOnTheCellWithItsGapAndReportItsColour)
{
    Grid5x3 g;
    for (int i = 0; i < 15; ++i)
        g.grid.SetColour(i, 100 + i);
    struct Case { QPoint point; TColor colour; };
    const Case cases[] = {
        {{1, 0}, 100}, {{11, 11}, 100}, {{12, 12}, 100}, {{13, 0}, 101},
        {{64, 38}, 114}, {{0, 13}, 105}, {{26, 26}, 112},
    };
    for (const Case& k : cases) {
        TColor got = -5;
        Qt::MouseButton button = Qt::NoButton;
        g.grid.OnColorDown = [&](TRecentColorsGrid*, Qt::MouseButton b, Qt::KeyboardModifiers, TColor c) {
            button = b;
            got = c;
        };
        QTest::mousePress(&g.grid, Qt::RightButton, {}, k.point);
        EXPECT_EQ(got, k.colour) << k.point.x() << "," << k.point.y();
        EXPECT_EQ(button, Qt::RightButton);
        EXPECT_EQ(g.grid.ColourAtPoint(k.point.x(), k.point.y()), k.colour);
    }
    EXPECT_EQ(g.grid.ColourAtPoint(65, 0), 100); // on no cell: entry 0
    EXPECT_EQ(g.grid.Colours(0), 100);            // no promotion by default
    g.grid.SetAutoPromote(true);
    QTest::mousePress(&g.grid, Qt::LeftButton, {}, QPoint(30, 30));
    EXPECT_EQ(g.grid.Colours(0), 112);
    EXPECT_EQ(g.grid.Colours(1), 100);
}

TEST(RecentColorsGrid, PaintsEachCellInItsColour)
{
    Grid5x3 g;
    g.grid.SetColour(6, 0x0000FF);
    const QImage shot = g.grid.grab().toImage();
    EXPECT_EQ(shot.pixelColor(13 + 6, 13 + 6), QColor(255, 0, 0));
    EXPECT_EQ(shot.pixelColor(6, 6), QColor(255, 255, 255));
}

TEST(RecentColorsGrid, LeaveOnlyAfterEnter)
{
    Grid5x3 g;
    QStringList log;
    g.grid.OnMouseEnter = [&](TRecentColorsGrid*) { log << "enter"; };
    g.grid.OnMouseLeave = [&](TRecentColorsGrid*) { log << "leave"; };
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(&g.grid, &leave);
    QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
    QCoreApplication::sendEvent(&g.grid, &enter);
    QCoreApplication::sendEvent(&g.grid, &leave);
    EXPECT_EQ(log, QStringList({"enter", "leave"}));
}
