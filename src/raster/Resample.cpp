// Every weight, centre and channel sum is a single-precision value, computed in the order the
// filter's definition gives; the vector kernels sum each lane in exactly that order, so their
// results are bit for bit those of a plain loop. Multiplications and additions are never fused
// (-ffp-contract=off for this file).
#include "raster/Resample.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <new>

#include "raster/RowBands.h"
#include "raster/XBitmap.h"

namespace vellum {

namespace {

constexpr float Pi = 3.14159265358979323846f;
constexpr float Support = 5.0f;

float sinc(float x)
{
    if (x == 0.0f)
        return 1.0f;
    const float t = Pi * x;
    return std::sin(t) / t;
}

// Nearest integer, halves to even, limited to 0 to 255.
inline std::uint8_t toChannel(float sum)
{
    if (sum > 255.0f)
        return 255;
    if (sum < 0.0f)
        return 0;
    return static_cast<std::uint8_t>(std::nearbyint(sum));
}

using v8f = float __attribute__((vector_size(32)));
using v8i = std::int32_t __attribute__((vector_size(32)));
using v8b = std::uint8_t __attribute__((vector_size(8)));

// The rule of toChannel for eight sums; adding and taking away 1.5 * 2^23 rounds halves to even.
inline void storeChannels(std::uint8_t* out, const v8f& sums)
{
    constexpr float Magic = 12582912.0f;
    const v8f zero = {0, 0, 0, 0, 0, 0, 0, 0};
    const v8f top = zero + 255.0f;
    v8f r = sums < zero ? zero : sums;
    r = r > top ? top : r;
    r = (r + Magic) - Magic;
    const v8b bytes = __builtin_convertvector(__builtin_convertvector(r, v8i), v8b);
    std::memcpy(out, &bytes, 8);
}

// Lanes of a block of eight rows: lanes[8 * k + r] is byte k of row r (rows beyond count
// repeat the last one; their results are never stored).
void fillLanes(float* lanes, const std::uint8_t* const* rows, int count, std::size_t bytes)
{
    const std::uint8_t* in[8];
    for (int r = 0; r < 8; ++r)
        in[r] = rows[std::min(r, count - 1)];
    for (std::size_t k = 0; k < bytes; ++k) {
        float* out = lanes + 8 * k;
        for (int r = 0; r < 8; ++r)
            out[r] = in[r][k];
    }
}

// One block of eight rows through the horizontal pass: for each destination column, the three
// channels of the eight rows are summed side by side.
__attribute__((target_clones("avx2", "default"))) void horizontalBlock(const float* lanes,
                                                                        const TResampleContributors& c,
                                                                        std::uint8_t* const* out, int count,
                                                                        int destWidth)
{
    const int* start = c.Start.data();
    const int* index = c.Index.data();
    const float* weight = c.Weight.data();
    alignas(32) std::uint8_t bytes[3][8];
    for (int i = 0; i < destWidth; ++i) {
        v8f a0 = {0, 0, 0, 0, 0, 0, 0, 0};
        v8f a1 = a0;
        v8f a2 = a0;
        for (int k = start[i]; k < start[i + 1]; ++k) {
            const float* p = lanes + 24 * static_cast<std::size_t>(index[k]);
            const float s = weight[k];
            const v8f w = {s, s, s, s, s, s, s, s};
            v8f x0;
            v8f x1;
            v8f x2;
            std::memcpy(&x0, p, sizeof x0);
            std::memcpy(&x1, p + 8, sizeof x1);
            std::memcpy(&x2, p + 16, sizeof x2);
            a0 += w * x0;
            a1 += w * x1;
            a2 += w * x2;
        }
        storeChannels(bytes[0], a0);
        storeChannels(bytes[1], a1);
        storeChannels(bytes[2], a2);
        for (int r = 0; r < count; ++r) {
            std::uint8_t* o = out[r] + 3 * static_cast<std::size_t>(i);
            o[0] = bytes[0][r];
            o[1] = bytes[1][r];
            o[2] = bytes[2][r];
        }
    }
}

// One destination row of the vertical pass: out[x] = sum over k of weights[k] * taps[k][x].
__attribute__((target_clones("avx2", "default"))) void verticalRow(const std::uint8_t* const* taps,
                                                                    const float* weights, int count,
                                                                    std::uint8_t* out, std::size_t bytes)
{
    constexpr std::size_t Chunk = 64;
    std::size_t x = 0;
    for (; x + Chunk <= bytes; x += Chunk) {
        v8f acc[8];
#pragma GCC unroll 8
        for (int v = 0; v < 8; ++v)
            acc[v] = v8f{0, 0, 0, 0, 0, 0, 0, 0};
        for (int k = 0; k < count; ++k) {
            const float ws = weights[k];
            const v8f w = {ws, ws, ws, ws, ws, ws, ws, ws};
            const std::uint8_t* s = taps[k] + x;
#pragma GCC unroll 8
            for (int v = 0; v < 8; ++v) {
                v8b b;
                std::memcpy(&b, s + 8 * v, sizeof b);
                acc[v] += w * __builtin_convertvector(b, v8f);
            }
        }
#pragma GCC unroll 8
        for (int v = 0; v < 8; ++v)
            storeChannels(out + x + 8 * v, acc[v]);
    }
    for (; x < bytes; ++x) {
        float sum = 0.0f;
        for (int k = 0; k < count; ++k)
            sum += weights[k] * static_cast<float>(taps[k][x]);
        out[x] = toChannel(sum);
    }
}

} // namespace

float ResampleFilter(float x)
{
    x = std::fabs(x);
    if (!(x < Support))
        return 0.0f;
    return sinc(x) * sinc(x / Support);
}

TResampleContributors ResampleContributors(int sourceSize, int destSize, const std::function<void()>& step)
{
    Q_ASSERT(sourceSize > 0 && destSize > 0);
    // A single destination pixel from a longer line has no scale factor of its own ((n - 1) /
    // (o - 1) is 0): it takes the whole line's middle, as a reduction to one pixel.
    const bool single = destSize == 1 && sourceSize > 1;
    float scale;
    if (single)
        scale = 1.0f / static_cast<float>(sourceSize);
    else if (sourceSize == 1)
        scale = static_cast<float>(destSize);
    else
        scale = static_cast<float>(destSize - 1) / static_cast<float>(sourceSize - 1);

    TResampleContributors c;
    c.Start.reserve(static_cast<std::size_t>(destSize) + 1);
    c.Start.push_back(0);
    auto add = [&](int j, float weight) {
        if (weight == 0.0f)
            return;
        int n = j;
        if (j < 0)
            n = -j;
        else if (j >= sourceSize)
            n = 2 * sourceSize - 1 - j;
        // Mirroring alone leaves indices outside a short source.
        n = std::clamp(n, 0, sourceSize - 1);
        c.Index.push_back(n);
        c.Weight.push_back(weight);
    };
    for (int i = 0; i < destSize; ++i) {
        const float m = single ? static_cast<float>(sourceSize - 1) / 2.0f : static_cast<float>(i) / scale;
        if (scale >= 1.0f) {
            const int first = static_cast<int>(std::floor(m - Support));
            const int last = static_cast<int>(std::ceil(m + Support));
            for (int j = first; j <= last; ++j)
                add(j, ResampleFilter(m - static_cast<float>(j)));
        } else {
            const float width = Support / scale;
            const float f = 1.0f / scale;
            const int first = static_cast<int>(std::floor(m - width));
            const int last = static_cast<int>(std::ceil(m + width));
            for (int j = first; j <= last; ++j)
                add(j, ResampleFilter((m - static_cast<float>(j)) / f) / f);
        }
        c.Start.push_back(static_cast<int>(c.Index.size()));
        if (step)
            step();
    }
    return c;
}

void ResampleRows(const TXBitmap& source, TXBitmap& work, const TResampleContributors& columns,
                  const std::function<void()>& step)
{
    const int height = source.Height();
    const int destWidth = work.Width();
    const std::size_t bytes = 3 * static_cast<std::size_t>(source.Width());
    const int blocks = (height + 7) / 8;
    std::atomic<bool> failed{false};
    RunRowBands(
        blocks, 8 * static_cast<std::int64_t>(bytes),
        [&](int firstBlock, int lastBlock) {
            thread_local std::vector<float> lanes;
            try {
                lanes.resize(8 * bytes);
            } catch (const std::bad_alloc&) {
                failed = true;
                return;
            }
            for (int block = firstBlock; block < lastBlock; ++block) {
                const int top = 8 * block;
                const int count = std::min(8, height - top);
                const std::uint8_t* in[8];
                std::uint8_t* out[8];
                for (int r = 0; r < count; ++r) {
                    in[r] = source.ScanLine(top + r);
                    out[r] = work.ScanLine(top + r);
                }
                fillLanes(lanes.data(), in, count, bytes);
                horizontalBlock(lanes.data(), columns, out, count, destWidth);
            }
        },
        step, height);
    if (failed)
        throw EOutOfMemory();
}

void ResampleColumns(const TXBitmap& work, TXBitmap& result, const TResampleContributors& rows,
                     const std::function<void()>& step, int steps)
{
    const int destHeight = result.Height();
    const std::size_t bytes = 3 * static_cast<std::size_t>(result.Width());
    std::vector<const std::uint8_t*> workRows(static_cast<std::size_t>(work.Height()));
    for (int y = 0; y < work.Height(); ++y)
        workRows[static_cast<std::size_t>(y)] = work.ScanLine(y);
    std::vector<std::uint8_t*> resultRows(static_cast<std::size_t>(destHeight));
    for (int y = 0; y < destHeight; ++y)
        resultRows[static_cast<std::size_t>(y)] = result.ScanLine(y);
    std::atomic<bool> failed{false};
    RunRowBands(
        destHeight, static_cast<std::int64_t>(bytes),
        [&](int first, int last) {
            thread_local std::vector<const std::uint8_t*> taps;
            for (int y = first; y < last; ++y) {
                const int begin = rows.Start[static_cast<std::size_t>(y)];
                const int count = rows.Count(y);
                try {
                    taps.resize(static_cast<std::size_t>(count));
                } catch (const std::bad_alloc&) {
                    failed = true;
                    return;
                }
                for (int k = 0; k < count; ++k)
                    taps[static_cast<std::size_t>(k)] = workRows[static_cast<std::size_t>(rows.Index[static_cast<std::size_t>(begin + k)])];
                verticalRow(taps.data(), rows.Weight.data() + begin, count, resultRows[static_cast<std::size_t>(y)], bytes);
            }
        },
        step, steps);
    if (failed)
        throw EOutOfMemory();
}

} // namespace vellum
