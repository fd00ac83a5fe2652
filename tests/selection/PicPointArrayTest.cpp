#include <gtest/gtest.h>

#include "selection/PicPointArray.h"
#include "selection/PicSelectionError.h"

using namespace vellum;

TEST(PicPointArray, SetRectMakesFiveCornerPointsOnTheLastColumnAndRow)
{
    TPicPointArray a;
    a.SetRect(2, 3, 6, 5);
    const std::vector<QPoint> expected{{2, 3}, {5, 3}, {5, 4}, {2, 4}, {2, 3}};
    EXPECT_EQ(a.Points(), expected);
}

TEST(PicPointArray, BoundsAreInclusiveAndEmptyArrayGivesZero)
{
    TPicPointArray a;
    EXPECT_EQ(a.BoundsOf().Right, 0);
    a.Add({4, 1});
    a.Add({-2, 7});
    a.Add({3, 3});
    const auto b = a.BoundsOf();
    EXPECT_EQ(std::vector<int>({b.Left, b.Top, b.Right, b.Bottom}), std::vector<int>({-2, 1, 4, 7}));
}

TEST(PicPointArray, BadIndexesRaiseTheirMessages)
{
    TPicPointArray a;
    auto message = [](auto&& f) {
        try {
            f();
        } catch (const EPicSelectionError& e) {
            return e.message();
        }
        return QString();
    };
    EXPECT_EQ(message([&] { (void)a.First(); }), "Can not get first point");
    EXPECT_EQ(message([&] { (void)a.Last(); }), "Can not get last point");
    EXPECT_EQ(message([&] { a.SetLastX(1); }), "Can not get last point");
    a.Add({1, 1});
    EXPECT_EQ(message([&] { (void)a.Point(1); }), "Get Point - Point index invalid");
    TPicSelectionPoints set;
    EXPECT_EQ(message([&] { (void)set.Array(0); }), "Get Point - index invalid");
}

TEST(PicSelectionPoints, MoveOriginShiftsEveryPolylineByTheDifference)
{
    TPicSelectionPoints set;
    set.AddArray().Add({1, 2});
    set.AddArray().Add({0, 0});
    set.MoveOrigin({10, 20});
    set.MoveOrigin({12, 20});
    EXPECT_EQ(set.Array(0).Point(0), QPoint(13, 22));
    EXPECT_EQ(set.Array(1).Point(0), QPoint(12, 20));
    TPicSelectionPoints copy;
    copy.Assign(set);
    set.Clear();
    EXPECT_EQ(copy.Count(), 2);
    EXPECT_EQ(copy.Origin(), QPoint(12, 20));
    EXPECT_EQ(set.Origin(), QPoint(0, 0));
}
