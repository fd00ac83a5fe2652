#include "raster/ScaleDown.h"

#include <gtest/gtest.h>

#include "PictureTestSupport.h"
#include "raster/ArrayObjects.h"
#include "raster/XBitmap.h"

namespace vellum {
namespace {

using test::GradientPicture;
using test::SamePixels;

TEST(ScaleDown, IndexRangesTileTheSource)
{
    struct Case {
        int oldSize, newSize;
        std::vector<int> first, last;
    };
    const std::vector<Case> cases{
        {5, 2, {0, 2}, {1, 4}},
        {10, 3, {0, 3, 6}, {2, 5, 9}},
        {7, 7, {0, 1, 2, 3, 4, 5, 6}, {0, 1, 2, 3, 4, 5, 6}},
        {4, 1, {0}, {3}},
        {3, 0, {}, {}},
    };
    for (const Case& c : cases) {
        const TBoxRanges ranges = BoxRanges(c.oldSize, c.newSize);
        EXPECT_EQ(ranges.First, c.first) << c.oldSize << " to " << c.newSize;
        EXPECT_EQ(ranges.Last, c.last) << c.oldSize << " to " << c.newSize;
    }
    // A thumbnail's blocks are contiguous and end at the last pixel.
    const TBoxRanges thumb = BoxRanges(6000, 94);
    for (int k = 1; k < 94; ++k)
        EXPECT_EQ(thumb.First[k], thumb.Last[k - 1] + 1);
    EXPECT_EQ(thumb.Last.back(), 5999);
}

TEST(ScaleDown, AveragesEachBlockTruncating)
{
    TXBitmap row(5, 1);
    const int reds[5] = {10, 21, 100, 101, 103};
    for (int x = 0; x < 5; ++x)
        StorePixel(row.ScanLine(0) + 3 * x, RGBColor(reds[x], 0, 255));
    TXBitmap small;
    ScaleDownTo(row, small, 2, 1);
    ASSERT_EQ(small.Width(), 2);
    EXPECT_EQ(small.PixelColour(0, 0), RGBColor(15, 0, 255));  // (10 + 21) div 2
    EXPECT_EQ(small.PixelColour(1, 0), RGBColor(101, 0, 255)); // (100 + 101 + 103) div 3

    // In place, on a picture large enough to run on two threads.
    const TXBitmap big = GradientPicture(600, 900);
    TXBitmap picture(big);
    ScaleDown(picture, 7, 9);
    ASSERT_EQ(picture.Width(), 7);
    ASSERT_EQ(picture.Height(), 9);
    const TBoxRanges columns = BoxRanges(600, 7);
    const TBoxRanges rows = BoxRanges(900, 9);
    int green = 0;
    for (int y = rows.First[4]; y <= rows.Last[4]; ++y)
        green += GetGValue(big.PixelColour(0, y));
    EXPECT_EQ(GetGValue(picture.PixelColour(3, 4)), green / (rows.Last[4] - rows.First[4] + 1));
    EXPECT_EQ(columns.Last.back(), 599);

    // Blocks taller than 257 rows, whose sums outgrow 16 bits.
    const TXBitmap tall = GradientPicture(3, 600);
    TXBitmap reduced;
    ScaleDownTo(tall, reduced, 1, 2);
    for (int k = 0; k < 2; ++k) {
        std::uint64_t sum = 0;
        for (int y = 300 * k; y < 300 * (k + 1); ++y)
            for (int x = 0; x < 3; ++x)
                sum += GetGValue(tall.PixelColour(x, y));
        EXPECT_EQ(GetGValue(reduced.PixelColour(0, k)), static_cast<int>(sum / 900)) << k;
    }
}

TEST(ScaleDown, EqualSizeCopiesAndLargerIsRefused)
{
    const TXBitmap original = GradientPicture(4, 3);
    TXBitmap copy;
    ScaleDownTo(original, copy, 4, 3);
    EXPECT_TRUE(SamePixels(copy, original));
    TXBitmap empty;
    ScaleDownTo(original, empty, 0, 3);
    EXPECT_EQ(empty.Width(), 0);
    for (const auto& [w, h] : {std::pair{5, 3}, std::pair{4, 4}, std::pair{-1, 2}}) {
        TXBitmap picture(original);
        EXPECT_THROW(ScaleDown(picture, w, h), EXBitmapError);
        EXPECT_TRUE(SamePixels(picture, original));
    }
}

TEST(ScaleDown, MaskedAveragesOnlyUnmaskedPixelsAndMarksEmptyBlocks)
{
    TXBitmap source(4, 2);
    const int reds[2][4] = {{10, 20, 30, 40}, {50, 60, 70, 80}};
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 4; ++x)
            StorePixel(source.ScanLine(y) + 3 * x, RGBColor(reds[y][x], 0, 0));
    TBool2DArray mask(4, 2);
    mask.SetItem(0, 0, true);         // left block keeps 20, 50, 60
    for (int y = 0; y < 2; ++y)       // right block fully masked
        for (int x = 2; x < 4; ++x)
            mask.SetItem(x, y, true);
    TXBitmap result;
    TBool2DArray resultMask(9, 9);
    resultMask.Fill(true);
    ScaleDownMasked(source, result, 2, 1, mask, resultMask, RGBColor(1, 2, 3));
    ASSERT_EQ(resultMask.Width(), 2);
    ASSERT_EQ(resultMask.Height(), 1);
    EXPECT_EQ(result.PixelColour(0, 0), RGBColor(43, 0, 0)); // 130 div 3
    EXPECT_FALSE(resultMask.GetItem(0, 0));
    EXPECT_EQ(result.PixelColour(1, 0), RGBColor(1, 2, 3));
    EXPECT_TRUE(resultMask.GetItem(1, 0));

    TBool2DArray copiedMask;
    ScaleDownMasked(source, result, 4, 2, mask, copiedMask, clBlack);
    EXPECT_TRUE(SamePixels(result, source));
    EXPECT_TRUE(copiedMask.GetItem(3, 1));
    EXPECT_FALSE(copiedMask.GetItem(1, 0));

    TBool2DArray small(3, 2);
    EXPECT_THROW(ScaleDownMasked(source, result, 2, 1, small, resultMask, clBlack), EBool2DArrayError);
}

} // namespace
} // namespace vellum
