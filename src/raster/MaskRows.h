#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

namespace vellum {

class TBool2DArray;

// Masks are stored column by column while pictures are stored row by row. Masked passes over
// whole pictures move a band of the mask's rows into row order (one byte per entry, as in the
// mask), work along the picture's rows, and move the band back when they built the mask.
constexpr int kMaskBandRows = 64;

// rows[k * stride + i] = mask.Column(firstColumn + i)[firstRow + k] for k < count, i < width.
void MaskBandToRows(const TBool2DArray& mask, int firstRow, int count, int firstColumn, int width,
                    std::uint8_t* rows, std::size_t stride);

// mask.Column(x)[firstRow + k] = rows[k * stride + x] for k < count and every column x.
void MaskBandFromRows(TBool2DArray& mask, int firstRow, int count, const std::uint8_t* rows, std::size_t stride);

// marks[x] = 1 where pixel x of the 24-bit row is the key (blue, green, red), else 0.
void MarkKeyPixels(const std::uint8_t* pixels, int width, const std::uint8_t key[3], std::uint8_t* marks);

// marks[x] = 1 where bytes[x] is 0, else 0 (region marks to mask entries).
void MarkZeroBytes(const std::uint8_t* bytes, int count, std::uint8_t* marks);

// count pixels of the 24-bit row, from its start, become colour (blue, green, red).
void FillPixels(std::uint8_t* pixels, int count, const std::uint8_t colour[3]);

// Walks the rows of a width x height area in bands of kMaskBandRows: band(firstRow, count, marks)
// where marks has room for count rows of width entries, row k at marks + k * width. The room is
// taken before the first band, so a pass that changes pixels fails before it starts.
template <typename Band>
void ForEachMaskBand(int width, int height, Band&& band)
{
    if (width <= 0 || height <= 0)
        return;
    const auto marks = std::make_unique_for_overwrite<std::uint8_t[]>(static_cast<std::size_t>(kMaskBandRows) * width);
    for (int y0 = 0; y0 < height; y0 += kMaskBandRows)
        band(y0, std::min(kMaskBandRows, height - y0), marks.get());
}

// Calls run(first, end) for each maximal run [first, end) of marks (each 0 or 1) equal to value,
// left to right. Runs of opaque or transparent pixels are long in pictures, so whole words are
// skipped.
template <typename Run>
void ForEachRun(const std::uint8_t* marks, int width, std::uint8_t value, Run&& run)
{
    const std::uint64_t same = 0x0101010101010101ULL * value;
    int x = 0;
    while (x < width) {
        // Skip entries of the other value.
        while (x + 8 <= width) {
            std::uint64_t word;
            std::memcpy(&word, marks + x, 8);
            if (word != (same ^ 0x0101010101010101ULL))
                break;
            x += 8;
        }
        while (x < width && marks[x] != value)
            ++x;
        if (x == width)
            return;
        const int first = x;
        while (x + 8 <= width) {
            std::uint64_t word;
            std::memcpy(&word, marks + x, 8);
            if (word != same)
                break;
            x += 8;
        }
        while (x < width && marks[x] == value)
            ++x;
        run(first, x);
    }
}

} // namespace vellum
