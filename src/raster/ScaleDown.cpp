#include "raster/ScaleDown.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <new>

#include <immintrin.h>

#include "raster/ArrayObjects.h"
#include "raster/RowBands.h"
#include "raster/VectorPaths.h"
#include "raster/XBitmap.h"

namespace vellum {

namespace {

void checkSizes(const TXBitmap& source, int newWidth, int newHeight)
{
    if (newWidth < 0 || newHeight < 0 || newWidth > source.Width() || newHeight > source.Height())
        throw EXBitmapError(QStringLiteral("Can not scale a %1 x %2 picture down to %3 x %4")
                                .arg(source.Width())
                                .arg(source.Height())
                                .arg(newWidth)
                                .arg(newHeight));
}

// source itself when it is 24-bit, else a 24-bit copy kept in holder.
const TXBitmap& as24Bit(const TXBitmap& source, TXBitmap& holder)
{
    if (source.PixelFormat() == TPixelFormat::pf24bit)
        return source;
    holder = source;
    holder.SetPixelFormat(TPixelFormat::pf24bit);
    return holder;
}

// sums[i] += row[i] for i < bytes, sixteen at a time. Sums of up to 257 rows fit 16 bits.
__attribute__((target("avx2"))) void addRowAvx2(std::uint16_t* sums, const std::uint8_t* row, std::size_t bytes)
{
    std::size_t i = 0;
    for (; i + 16 <= bytes; i += 16) {
        auto* at = reinterpret_cast<__m256i*>(sums + i);
        const __m256i wide = _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(row + i)));
        _mm256_storeu_si256(at, _mm256_add_epi16(_mm256_loadu_si256(at), wide));
    }
    for (; i < bytes; ++i)
        sums[i] = static_cast<std::uint16_t>(sums[i] + row[i]);
}

// Each destination pixel of a row: the channel sums of its block of columns (s holds the
// row block's per-byte sums over height rows) divided by the block's pixel count.
template <typename Sum>
void averageColumns(const Sum* s, const TBoxRanges& columns, std::uint64_t height, std::uint8_t* out)
{
    const auto newWidth = static_cast<int>(columns.First.size());
    for (int x = 0; x < newWidth; ++x, out += 3) {
        const int left = columns.First[static_cast<std::size_t>(x)];
        const int right = columns.Last[static_cast<std::size_t>(x)];
        std::uint64_t total[3] = {0, 0, 0};
        for (int sx = left; sx <= right; ++sx)
            for (int c = 0; c < 3; ++c)
                total[c] += s[3 * static_cast<std::size_t>(sx) + c];
        const std::uint64_t count = height * static_cast<std::uint64_t>(right - left + 1);
        for (int c = 0; c < 3; ++c)
            out[c] = static_cast<std::uint8_t>(total[c] / count);
    }
}

TXBitmap reduce(const TXBitmap& source, int newWidth, int newHeight)
{
    const TBoxRanges columns = BoxRanges(source.Width(), newWidth);
    const TBoxRanges rows = BoxRanges(source.Height(), newHeight);
    TXBitmap result;
    result.AllocateUninitialised(newWidth, newHeight, TPixelFormat::pf24bit);
    if (result.Empty())
        return result;
    const std::size_t sourceBytes = 3 * static_cast<std::size_t>(source.Width());
    const bool avx2 = UseAvx2();
    std::atomic<bool> failed{false};
    // Each destination row first adds its block of source rows into one row of per-channel
    // sums, then adds those sums across each block of columns.
    RunRowBands(
        newHeight, static_cast<std::int64_t>(sourceBytes) * (source.Height() / newHeight),
        [&](int first, int last) {
            thread_local std::vector<std::uint32_t> sums;
            thread_local std::vector<std::uint16_t> shortSums;
            try {
                sums.resize(sourceBytes);
                shortSums.resize(avx2 ? sourceBytes : 0);
            } catch (const std::bad_alloc&) {
                failed = true;
                return;
            }
            for (int y = first; y < last; ++y) {
                const int top = rows.First[static_cast<std::size_t>(y)];
                const int bottom = rows.Last[static_cast<std::size_t>(y)];
                const auto height = static_cast<std::uint64_t>(bottom - top + 1);
                std::uint8_t* out = result.ScanLine(y);
                if (avx2 && height <= 257) {
                    std::fill(shortSums.begin(), shortSums.end(), std::uint16_t{0});
                    for (int sy = top; sy <= bottom; ++sy)
                        addRowAvx2(shortSums.data(), source.ScanLine(sy), sourceBytes);
                    averageColumns(shortSums.data(), columns, height, out);
                    continue;
                }
                std::uint32_t* s = sums.data();
                const std::uint8_t* in = source.ScanLine(top);
                for (std::size_t i = 0; i < sourceBytes; ++i)
                    s[i] = in[i];
                for (int sy = top + 1; sy <= bottom; ++sy) {
                    in = source.ScanLine(sy);
                    for (std::size_t i = 0; i < sourceBytes; ++i)
                        s[i] += in[i];
                }
                averageColumns(s, columns, height, out);
            }
        },
        {});
    if (failed)
        throw EOutOfMemory();
    return result;
}

} // namespace

TBoxRanges BoxRanges(int oldSize, int newSize)
{
    TBoxRanges ranges;
    if (newSize <= 0)
        return ranges;
    ranges.First.resize(static_cast<std::size_t>(newSize));
    ranges.Last.resize(static_cast<std::size_t>(newSize));
    const double ratio = static_cast<double>(oldSize) / newSize;
    int start = 0;
    for (int k = 0; k < newSize; ++k) {
        const auto i = static_cast<std::size_t>(k);
        ranges.First[i] = start;
        ranges.Last[i] = std::max(start, static_cast<int>(ratio * (k + 1)) - 1);
        start = ranges.Last[i] + 1;
    }
    ranges.Last.back() = oldSize - 1;
    return ranges;
}

void ScaleDown(TXBitmap& picture, int newWidth, int newHeight)
{
    ScaleDownTo(picture, picture, newWidth, newHeight);
}

void ScaleDownTo(const TXBitmap& source, TXBitmap& destination, int newWidth, int newHeight)
{
    checkSizes(source, newWidth, newHeight);
    if (newWidth == source.Width() && newHeight == source.Height()) {
        destination.AssignOpaque(source);
        return;
    }
    TXBitmap holder;
    destination.AssignOpaque(reduce(as24Bit(source, holder), newWidth, newHeight));
}

void ScaleDownMasked(const TXBitmap& source, TXBitmap& destination, int newWidth, int newHeight,
                     const TBool2DArray& sourceMask, TBool2DArray& destinationMask, TColor fill)
{
    checkSizes(source, newWidth, newHeight);
    sourceMask.CheckCovers(source.Width(), source.Height());
    if (newWidth == source.Width() && newHeight == source.Height()) {
        destination.AssignOpaque(source);
        destinationMask.Assign(&sourceMask);
        return;
    }
    TXBitmap holder;
    const TXBitmap& from = as24Bit(source, holder);
    const TBoxRanges columns = BoxRanges(source.Width(), newWidth);
    const TBoxRanges rows = BoxRanges(source.Height(), newHeight);
    TXBitmap result;
    result.AllocateUninitialised(newWidth, newHeight, TPixelFormat::pf24bit);
    TBool2DArray mask(newWidth, newHeight);
    std::uint8_t fillPixel[3];
    StorePixel(fillPixel, fill);
    for (int y = 0; y < newHeight; ++y) {
        const int top = rows.First[static_cast<std::size_t>(y)];
        const int bottom = rows.Last[static_cast<std::size_t>(y)];
        std::uint8_t* out = result.ScanLine(y);
        for (int x = 0; x < newWidth; ++x, out += 3) {
            std::uint64_t total[3] = {0, 0, 0};
            std::uint64_t count = 0;
            for (int sx = columns.First[static_cast<std::size_t>(x)]; sx <= columns.Last[static_cast<std::size_t>(x)]; ++sx) {
                const auto* skip = sourceMask.Column(sx);
                for (int sy = top; sy <= bottom; ++sy) {
                    if (skip[sy] != 0)
                        continue;
                    const std::uint8_t* p = from.ScanLine(sy) + 3 * static_cast<std::size_t>(sx);
                    for (int c = 0; c < 3; ++c)
                        total[c] += p[c];
                    ++count;
                }
            }
            if (count == 0) {
                std::memcpy(out, fillPixel, 3);
                mask.Column(x)[y] = 1;
                continue;
            }
            for (int c = 0; c < 3; ++c)
                out[c] = static_cast<std::uint8_t>(total[c] / count);
        }
    }
    destination.AssignOpaque(std::move(result));
    destinationMask.Assign(&mask);
}

} // namespace vellum
