#include <cstring>
#include <random>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "BothPaths.h"
#include "EffectsTestSupport.h"
#include "PictureTestSupport.h"
#include "raster/ArrayObjects.h"
#include "raster/MaskRows.h"
#include "raster/MaskedDrawing.h"
#include "raster/VectorPaths.h"

namespace vellum {
namespace {

using test::RandomPicture;
using test::SamePixels;

using test::OnBothPaths;

// Runs of 1 to 40 equal entries along each row, as masks of real shapes have, with single
// entries among them.
TBool2DArray runsMask(int width, int height, unsigned seed)
{
    std::mt19937 random(seed);
    TBool2DArray mask(width, height);
    for (int y = 0; y < height; ++y) {
        bool value = random() % 2 != 0;
        for (int x = 0; x < width;) {
            const int run = 1 + static_cast<int>(random() % 40);
            for (int end = std::min(width, x + run); x < end; ++x)
                mask.SetItem(x, y, value);
            value = !value;
        }
    }
    return mask;
}

// Wide areas of one value (as in keyed selections) with a few single entries of the other.
TBool2DArray areasMask(int width, int height, unsigned seed)
{
    std::mt19937 random(seed);
    TBool2DArray mask(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            mask.SetItem(x, y, ((x / 37 + y / 23) % 3 == 0) != (random() % 2000 == 0));
    return mask;
}

// Sizes on both sides of the 16-entry blocks and the 64-row bands, odd widths among them.
const std::vector<std::pair<int, int>> Sizes = {{1, 1},   {3, 2},   {15, 17}, {16, 16}, {17, 33},
                                                {33, 64}, {64, 65}, {67, 130}, {130, 67}, {31, 200}, {300, 200}};

TEST(MaskRows, BandsMoveBetweenColumnAndRowOrderExactly)
{
    OnBothPaths([] {
        for (const auto& [width, height] : Sizes)
        for (const bool areas : {false, true}) {
            const auto seed = static_cast<unsigned>(width * 1000 + height);
            const TBool2DArray mask = areas ? areasMask(width, height, seed) : runsMask(width, height, seed);
            // A part of the columns, as a clipped drawing reads them.
            const int firstColumn = width / 3;
            const int columns = width - firstColumn - width / 5;
            const std::size_t stride = static_cast<std::size_t>(columns) + 3;
            TBool2DArray rebuilt(width, height);
            for (int y0 = 0; y0 < height; y0 += kMaskBandRows) {
                const int count = std::min(kMaskBandRows, height - y0);
                std::vector<std::uint8_t> rows(stride * kMaskBandRows, 7);
                MaskBandToRows(mask, y0, count, firstColumn, columns, rows.data(), stride);
                for (int k = 0; k < count; ++k)
                    for (int i = 0; i < columns; ++i)
                        ASSERT_EQ(rows[k * stride + i], mask.GetItem(firstColumn + i, y0 + k))
                            << width << "x" << height << " at " << firstColumn + i << "," << y0 + k;
                // Whole rows back into a mask.
                std::vector<std::uint8_t> whole(static_cast<std::size_t>(width) * count);
                MaskBandToRows(mask, y0, count, 0, width, whole.data(), static_cast<std::size_t>(width));
                MaskBandFromRows(rebuilt, y0, count, whole.data(), static_cast<std::size_t>(width));
            }
            for (int x = 0; x < width; ++x)
                for (int y = 0; y < height; ++y)
                    ASSERT_EQ(rebuilt.GetItem(x, y), mask.GetItem(x, y)) << width << "x" << height << " at " << x << "," << y;
        }
    });
}

TEST(MaskRows, KeyPixelsAreMarkedWhereAllThreeChannelsMatch)
{
    const std::uint8_t key[3] = {10, 20, 30};
    OnBothPaths([&] {
        for (int width = 0; width <= 100; ++width) {
            std::mt19937 random(static_cast<unsigned>(width));
            // The key, and pixels one channel away from it.
            std::vector<std::uint8_t> pixels(3 * static_cast<std::size_t>(width) + 8, 0);
            for (int x = 0; x < width; ++x) {
                std::memcpy(&pixels[3 * x], key, 3);
                const int changed = static_cast<int>(random() % 5); // 3 and 4: the key itself
                if (changed < 3)
                    pixels[3 * x + changed] ^= static_cast<std::uint8_t>(1 << (random() % 8));
            }
            std::vector<std::uint8_t> marks(static_cast<std::size_t>(width) + 1, 9);
            MarkKeyPixels(pixels.data(), width, key, marks.data());
            for (int x = 0; x < width; ++x)
                ASSERT_EQ(marks[x], std::memcmp(&pixels[3 * x], key, 3) == 0 ? 1 : 0) << width << " at " << x;
            EXPECT_EQ(marks[width], 9) << width;
        }
    });
}

TEST(MaskRows, ZeroBytesAreMarkedWhateverTheOthersHold)
{
    for (int count = 0; count <= 40; ++count) {
        std::mt19937 random(static_cast<unsigned>(count));
        std::vector<std::uint8_t> bytes(static_cast<std::size_t>(count));
        // Zero and every other value, the top bit's among them.
        for (auto& b : bytes)
            b = random() % 3 == 0 ? 0 : static_cast<std::uint8_t>(random() % 256 | (random() % 2 ? 0x80 : 1));
        std::vector<std::uint8_t> marks(static_cast<std::size_t>(count) + 1, 9);
        MarkZeroBytes(bytes.data(), count, marks.data());
        for (int x = 0; x < count; ++x)
            ASSERT_EQ(marks[x], bytes[x] == 0 ? 1 : 0) << count << " at " << x << ": " << int(bytes[x]);
        EXPECT_EQ(marks[count], 9);
    }
}

TEST(MaskRows, RunsCoverEachEntryOfTheirValueOnceInOrder)
{
    for (const int width : {0, 1, 7, 8, 9, 31, 64, 200}) {
        const TBool2DArray mask = runsMask(width, 1, static_cast<unsigned>(width));
        std::vector<std::uint8_t> marks(static_cast<std::size_t>(width));
        for (int x = 0; x < width; ++x)
            marks[x] = mask.GetItem(x, 0);
        // Long runs as well, beyond the word steps.
        if (width == 200)
            std::fill(marks.begin() + 20, marks.begin() + 90, 1);
        for (const std::uint8_t value : {0, 1}) {
            std::vector<int> seen(static_cast<std::size_t>(width), 0);
            int lastEnd = -1;
            ForEachRun(marks.data(), width, value, [&](int first, int end) {
                EXPECT_LT(lastEnd, first) << "runs are maximal and in order";
                EXPECT_LT(first, end);
                for (int x = first; x < end; ++x)
                    ++seen[x];
                lastEnd = end;
            });
            for (int x = 0; x < width; ++x)
                ASSERT_EQ(seen[x], marks[x] == value ? 1 : 0) << width << " at " << x;
        }
    }
}

TEST(MaskRows, FillPixelsWritesExactlyTheCount)
{
    const std::uint8_t colour[3] = {1, 2, 3};
    for (int count = 0; count <= 40; ++count) {
        std::vector<std::uint8_t> row(3 * 41, 0xEE);
        FillPixels(row.data(), count, colour);
        for (int i = 0; i < 3 * 41; ++i)
            ASSERT_EQ(row[i], i < 3 * count ? colour[i % 3] : 0xEE) << count << " at byte " << i;
    }
}

TEST(MaskedDrawing, BandedDrawAndFillEqualThePixelRule)
{
    OnBothPaths([] {
        for (const auto& [width, height] : Sizes) {
            const auto seed = static_cast<unsigned>(width * 7 + height);
            const TXBitmap source = RandomPicture(width, height, seed);
            const TBool2DArray mask = runsMask(width, height, seed);
            // Places that clip every side, and none.
            for (const auto& [x, y] : {std::pair{0, 0}, std::pair{-width / 2, 3}, std::pair{5, -height / 3}}) {
                TXBitmap from(source);
                TXBitmap target = RandomPicture(width + 4, height + 2, seed + 1);
                const TXBitmap before(target);
                DrawMaskedBitmap(&from, &target, x, y, &mask);
                for (int ty = 0; ty < target.Height(); ++ty)
                    for (int tx = 0; tx < target.Width(); ++tx) {
                        const int i = tx - x;
                        const int j = ty - y;
                        const bool drawn = i >= 0 && i < width && j >= 0 && j < height && !mask.GetItem(i, j);
                        ASSERT_EQ(target.PixelColour(tx, ty), drawn ? source.PixelColour(i, j) : before.PixelColour(tx, ty))
                            << width << "x" << height << " drawn at " << x << "," << y << ", pixel " << tx << "," << ty;
                    }
            }
            TXBitmap filled(source);
            FillMasked(&filled, &mask, RGBColor(1, 2, 3));
            for (int y = 0; y < height; ++y)
                for (int x = 0; x < width; ++x)
                    ASSERT_EQ(filled.PixelColour(x, y), mask.GetItem(x, y) ? RGBColor(1, 2, 3) : source.PixelColour(x, y))
                        << width << "x" << height << " at " << x << "," << y;
        }
    });
}

TEST(ArrayObjects, UninitialisedSizeKeepsOrReplacesTheStorage)
{
    TBool2DArray mask(4, 3);
    mask.SetItem(3, 2, true);
    const auto* storage = mask.Column(0);
    // The same entry count keeps the block (its entries are then the caller's to write).
    mask.AllocateUninitialised(3, 4);
    EXPECT_EQ(mask.Column(0), storage);
    EXPECT_EQ(mask.Width(), 3);
    EXPECT_EQ(mask.Height(), 4);
    mask.AllocateUninitialised(5, 5);
    EXPECT_EQ(mask.Width(), 5);
    EXPECT_TRUE(mask.InRange(4, 4));
    EXPECT_THROW(mask.AllocateUninitialised(-1, 2), EBool2DArrayError);
    // A picture-sized array: writable end to end, and SetSize still clears new entries.
    TByte2DArray marks;
    marks.AllocateUninitialised(3000, 2000);
    marks.Column(2999)[1999] = 5;
    marks.SetSize(3000, 2001);
    EXPECT_EQ(marks.Column(2999)[1999], 5);
    EXPECT_EQ(marks.Column(2999)[2000], 0);
}

} // namespace
} // namespace vellum
