#include "raster/RgbRows.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include <gtest/gtest.h>

#include <QRgb>

#include "BothPaths.h"

namespace vellum {
namespace {

// Every length from nothing to a few vector steps past the point where the fast loop stops
// (it must never read or write past the row), on both paths: each pixel becomes the opaque QRgb of its colour and
// nothing beyond the count is written; converted back, the row is unchanged.
TEST(RgbRows, RowsBecomeOpaqueRgb32PixelsOfTheSameColoursAndBack)
{
    test::OnBothPaths([] {
        for (int count = 0; count <= 21; ++count) {
            // Exactly the row's bytes, so a sanitizer catches an overread.
            std::vector<std::uint8_t> row(3 * static_cast<std::size_t>(count));
            for (std::size_t i = 0; i < row.size(); ++i)
                row[i] = static_cast<std::uint8_t>(37 * i + 11 * count + 5);
            std::vector<std::uint32_t> out(count + 1, 0x12345678u);
            CopyBgrToRgb32(row.data(), out.data(), count);
            for (int x = 0; x < count; ++x) {
                const QRgb expected = qRgb(row[3 * x + 2], row[3 * x + 1], row[3 * x]);
                ASSERT_EQ(out[x], expected) << "pixel " << x << " of " << count;
            }
            EXPECT_EQ(out[count], 0x12345678u) << count;

            // And back: the same row, nothing written past it.
            std::vector<std::uint8_t> back(row.size() + 1, 0xA5);
            CopyRgb32ToBgr(out.data(), back.data(), count);
            EXPECT_TRUE(std::equal(row.begin(), row.end(), back.begin())) << count;
            EXPECT_EQ(back[row.size()], 0xA5) << count;
        }
    });
}

// Every zoom and the short widths where the fast path's stores meet the row's end, on both
// paths: pixel x's copies fill bytes [3 * x * zoom, 3 * (x + 1) * zoom), nothing past the row.
TEST(RgbRows, ZoomedRowsRepeatEachPixel)
{
    test::OnBothPaths([] {
        for (int zoom = 1; zoom <= 15; ++zoom)
            for (int count = 1; count <= 12; ++count) {
                std::vector<std::uint8_t> row(3 * static_cast<std::size_t>(count));
                for (std::size_t i = 0; i < row.size(); ++i)
                    row[i] = static_cast<std::uint8_t>(29 * i + 7 * zoom + 1);
                const std::size_t bytes = row.size() * zoom;
                std::vector<std::uint8_t> out(bytes + 64, 0xA5);
                ZoomRow(row.data(), count, zoom, out.data());
                for (std::size_t i = 0; i < bytes; ++i) {
                    const std::size_t pixel = i / (3 * zoom);
                    ASSERT_EQ(out[i], row[3 * pixel + i % 3])
                        << "byte " << i << ", zoom " << zoom << ", width " << count;
                }
                for (std::size_t i = bytes; i < out.size(); ++i)
                    ASSERT_EQ(out[i], 0xA5) << "past the row: zoom " << zoom << ", width " << count;
            }
    });
}

// The same into 32-bit pixels: pixel x's copies are [x * zoom, (x + 1) * zoom), each the opaque
// QRgb of its colour, nothing past the row.
TEST(RgbRows, RowsZoomedInto32BitPixelsRepeatEachPixel)
{
    test::OnBothPaths([] {
        for (int zoom = 1; zoom <= 15; ++zoom)
            for (int count = 1; count <= 12; ++count) {
                std::vector<std::uint8_t> row(3 * static_cast<std::size_t>(count));
                for (std::size_t i = 0; i < row.size(); ++i)
                    row[i] = static_cast<std::uint8_t>(31 * i + 5 * zoom + 3);
                const std::size_t pixels = static_cast<std::size_t>(count) * zoom;
                std::vector<std::uint32_t> out(pixels + 16, 0x12345678u);
                ZoomRowToRgb32(row.data(), count, zoom, out.data());
                for (std::size_t i = 0; i < pixels; ++i) {
                    const std::size_t x = i / zoom;
                    ASSERT_EQ(out[i], qRgb(row[3 * x + 2], row[3 * x + 1], row[3 * x]))
                        << "pixel " << i << ", zoom " << zoom << ", width " << count;
                }
                for (std::size_t i = pixels; i < out.size(); ++i)
                    ASSERT_EQ(out[i], 0x12345678u) << "past the row: zoom " << zoom << ", width " << count;
            }
    });
}

} // namespace
} // namespace vellum
