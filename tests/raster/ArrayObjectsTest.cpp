#include "raster/ArrayObjects.h"
#include "raster/PixelPosList.h"

#include <gtest/gtest.h>

namespace vellum {
namespace {

template <typename Error, typename F>
void expectError(F&& f, const char* message)
{
    try {
        f();
        ADD_FAILURE() << "no exception, expected " << message;
    } catch (const Error& e) {
        EXPECT_EQ(e.message(), QString::fromLatin1(message));
    }
}

TEST(ByteArray2D, SetSizeKeepsTheOverlapAndZeroesTheRest)
{
    TByte2DArray a;
    EXPECT_EQ(a.Width(), 0);
    EXPECT_EQ(a.Height(), 0);
    a.SetSize(3, 2);
    for (int x = 0; x < 3; ++x)
        for (int y = 0; y < 2; ++y)
            a.SetItem(x, y, static_cast<std::uint8_t>(10 * x + y + 1));
    a.SetSize(2, 4);
    EXPECT_EQ(a.GetItem(0, 0), 1);
    EXPECT_EQ(a.GetItem(1, 1), 12);
    EXPECT_EQ(a.GetItem(1, 2), 0);
    EXPECT_EQ(a.GetItem(0, 3), 0);
    // Column by column: column 1 follows column 0.
    EXPECT_EQ(a.Column(1) - a.Column(0), 4);
    EXPECT_EQ(a.Column(1)[1], 12);
    a.SetSize(4, 4);
    EXPECT_EQ(a.GetItem(3, 3), 0);
    EXPECT_EQ(a.GetItem(1, 1), 12);
}

TEST(ByteArray2D, ErrorsCarryTheirMessages)
{
    TByte2DArray a(2, 2);
    expectError<EByte2DArrayError>([&] { a.SetSize(-1, 5); }, "SetSize - Invalid Dimensions");
    expectError<EByte2DArrayError>([&] { a.SetSize(5, -1); }, "SetSize - Invalid Dimensions");
    expectError<EByte2DArrayError>([&] { (void)a.GetItem(2, 0); }, "GetItem - Invalid Index");
    expectError<EByte2DArrayError>([&] { (void)a.GetItem(0, -1); }, "GetItem - Invalid Index");
    expectError<EByte2DArrayError>([&] { a.SetItem(0, 2, 1); }, "SetItem - Invalid Index");
    EXPECT_EQ(a.Width(), 2); // a refused SetSize leaves the array as it was
    a.Release();
    expectError<EByte2DArrayError>([&] { (void)a.GetItem(0, 0); }, "GetItem - Invalid Index");
}

TEST(BoolArray2D, FillClearAssign)
{
    TBool2DArray mask(3, 2);
    EXPECT_FALSE(mask.GetItem(2, 1));
    mask.Fill(true);
    EXPECT_TRUE(mask.GetItem(2, 1));
    mask.SetItem(1, 0, false);

    TBool2DArray copy;
    copy.Assign(&mask);
    EXPECT_EQ(copy.Width(), 3);
    EXPECT_FALSE(copy.GetItem(1, 0));
    EXPECT_TRUE(copy.GetItem(0, 0));
    mask.Clear();
    EXPECT_TRUE(copy.GetItem(0, 0)); // a copy, not a view
    EXPECT_FALSE(mask.GetItem(0, 0));

    copy.Assign(nullptr);
    EXPECT_EQ(copy.Width(), 0);
    EXPECT_EQ(copy.Height(), 0);
    expectError<EBool2DArrayError>([&] { copy.SetItem(0, 0, true); }, "SetItem - Invalid Index");
}

TEST(BoolArray2D, CoverCheckRefusesSmallerMasks)
{
    const TBool2DArray mask(4, 3);
    EXPECT_NO_THROW(mask.CheckCovers(4, 3));
    EXPECT_NO_THROW(mask.CheckCovers(2, 1));
    expectError<EBool2DArrayError>([&] { mask.CheckCovers(5, 3); }, "GetItem - Invalid Index");
    expectError<EBool2DArrayError>([&] { mask.CheckCovers(4, 4); }, "GetItem - Invalid Index");
}

TEST(PixelPosList, IsAStackOfPositions)
{
    TPixelPosList list;
    list.Push(3, 7);
    EXPECT_EQ(list.LastX(), 3);
    EXPECT_EQ(list.LastY(), 7);
    // Coordinates beyond 16 bits keep their value.
    list.Push(70000, 65536);
    EXPECT_EQ(list.Count(), 2);
    EXPECT_EQ(list.LastX(), 70000);
    EXPECT_EQ(list.LastY(), 65536);
    EXPECT_EQ(list.X(0), 3);
    EXPECT_EQ(list.Y(0), 7);
    list.Pop();
    EXPECT_EQ(list.LastX(), 3);
    expectError<EPixelPosListException>([&] { (void)list.X(1); }, "Invalid Index");
    expectError<EPixelPosListException>([&] { (void)list.Y(-1); }, "Invalid Index");
    list.Clear();
    expectError<EPixelPosListException>([&] { list.Pop(); }, "Can not get last item - the list is empty");
    expectError<EPixelPosListException>([&] { (void)list.LastX(); }, "Can not get last item - the list is empty");
    expectError<EPixelPosListException>([&] { (void)list.LastY(); }, "Can not get last item - the list is empty");
}

} // namespace
} // namespace vellum
