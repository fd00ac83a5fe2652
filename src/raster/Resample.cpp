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

#include <immintrin.h>

#include "raster/RowBands.h"
#include "raster/VectorPaths.h"
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

// --- portable kernels, one value at a time ---

// Horizontal pass over rows [0, count) of a block: out[r][3i + c] from in[r].
void horizontalRowsPortable(const std::uint8_t* const* in, std::uint8_t* const* out, int count,
                            const TResampleContributors& c, int destWidth)
{
    for (int r = 0; r < count; ++r)
        for (int i = 0; i < destWidth; ++i)
            for (int channel = 0; channel < 3; ++channel) {
                float sum = 0.0f;
                for (int k = c.Start[static_cast<std::size_t>(i)]; k < c.Start[static_cast<std::size_t>(i) + 1]; ++k)
                    sum += c.Weight[static_cast<std::size_t>(k)]
                           * static_cast<float>(in[r][3 * static_cast<std::size_t>(c.Index[static_cast<std::size_t>(k)]) + channel]);
                out[r][3 * static_cast<std::size_t>(i) + channel] = toChannel(sum);
            }
}

// Vertical pass over bytes [from, bytes) of one destination row: out[x] = sum over k of
// weights[k] * taps[k][x].
void verticalRowPortable(const std::uint8_t* const* taps, const float* weights, int count, std::uint8_t* out,
                         std::size_t from, std::size_t bytes)
{
    for (std::size_t x = from; x < bytes; ++x) {
        float sum = 0.0f;
        for (int k = 0; k < count; ++k)
            sum += weights[k] * static_cast<float>(taps[k][x]);
        out[x] = toChannel(sum);
    }
}

// --- AVX2 kernels: eight sums side by side, each in the portable kernels' order ---

// Eight sums limited to 0 to 255 and rounded, halves to even, as bytes.
__attribute__((target("avx2"))) inline __m128i channelsAvx2(__m256 sums)
{
    sums = _mm256_min_ps(_mm256_max_ps(sums, _mm256_setzero_ps()), _mm256_set1_ps(255.0f));
    const __m256i whole = _mm256_cvttps_epi32(_mm256_round_ps(sums, _MM_FROUND_TO_NEAREST_INT | _MM_FROUND_NO_EXC));
    const __m128i words = _mm_packus_epi32(_mm256_castsi256_si128(whole), _mm256_extracti128_si256(whole, 1));
    return _mm_packus_epi16(words, words);
}

__attribute__((target("avx2"))) inline __m256 bytesToFloatsAvx2(const std::uint8_t* p)
{
    return _mm256_cvtepi32_ps(_mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p))));
}

// Lanes of a block of eight rows: lanes[8 * k + r] is byte k of row r (rows beyond count
// repeat the last one; their results are never stored). Eight bytes of each row become eight
// vectors at a time through an 8 x 8 transposition.
__attribute__((target("avx2"))) void fillLanesAvx2(float* lanes, const std::uint8_t* const* rows, int count,
                                                   std::size_t bytes)
{
    const std::uint8_t* in[8];
    for (int r = 0; r < 8; ++r)
        in[r] = rows[std::min(r, count - 1)];
    std::size_t k = 0;
    for (; k + 8 <= bytes; k += 8) {
        __m256 v[8];
        for (int r = 0; r < 8; ++r)
            v[r] = bytesToFloatsAvx2(in[r] + k);
        const __m256 t0 = _mm256_unpacklo_ps(v[0], v[1]);
        const __m256 t1 = _mm256_unpackhi_ps(v[0], v[1]);
        const __m256 t2 = _mm256_unpacklo_ps(v[2], v[3]);
        const __m256 t3 = _mm256_unpackhi_ps(v[2], v[3]);
        const __m256 t4 = _mm256_unpacklo_ps(v[4], v[5]);
        const __m256 t5 = _mm256_unpackhi_ps(v[4], v[5]);
        const __m256 t6 = _mm256_unpacklo_ps(v[6], v[7]);
        const __m256 t7 = _mm256_unpackhi_ps(v[6], v[7]);
        const __m256 u0 = _mm256_shuffle_ps(t0, t2, 0x44);
        const __m256 u1 = _mm256_shuffle_ps(t0, t2, 0xEE);
        const __m256 u2 = _mm256_shuffle_ps(t1, t3, 0x44);
        const __m256 u3 = _mm256_shuffle_ps(t1, t3, 0xEE);
        const __m256 u4 = _mm256_shuffle_ps(t4, t6, 0x44);
        const __m256 u5 = _mm256_shuffle_ps(t4, t6, 0xEE);
        const __m256 u6 = _mm256_shuffle_ps(t5, t7, 0x44);
        const __m256 u7 = _mm256_shuffle_ps(t5, t7, 0xEE);
        float* out = lanes + 8 * k;
        _mm256_storeu_ps(out + 0, _mm256_permute2f128_ps(u0, u4, 0x20));
        _mm256_storeu_ps(out + 8, _mm256_permute2f128_ps(u1, u5, 0x20));
        _mm256_storeu_ps(out + 16, _mm256_permute2f128_ps(u2, u6, 0x20));
        _mm256_storeu_ps(out + 24, _mm256_permute2f128_ps(u3, u7, 0x20));
        _mm256_storeu_ps(out + 32, _mm256_permute2f128_ps(u0, u4, 0x31));
        _mm256_storeu_ps(out + 40, _mm256_permute2f128_ps(u1, u5, 0x31));
        _mm256_storeu_ps(out + 48, _mm256_permute2f128_ps(u2, u6, 0x31));
        _mm256_storeu_ps(out + 56, _mm256_permute2f128_ps(u3, u7, 0x31));
    }
    for (; k < bytes; ++k)
        for (int r = 0; r < 8; ++r)
            lanes[8 * k + static_cast<std::size_t>(r)] = in[r][k];
}

// One block of eight rows through the horizontal pass: for each destination column, the three
// channels of the eight rows are summed side by side.
__attribute__((target("avx2"))) void horizontalBlockAvx2(const float* lanes, const TResampleContributors& c,
                                                         std::uint8_t* const* out, int count, int destWidth)
{
    const int* start = c.Start.data();
    const int* index = c.Index.data();
    const float* weight = c.Weight.data();
    alignas(16) std::uint8_t bytes[3][16];
    for (int i = 0; i < destWidth; ++i) {
        __m256 a0 = _mm256_setzero_ps();
        __m256 a1 = a0;
        __m256 a2 = a0;
        for (int k = start[i]; k < start[i + 1]; ++k) {
            const float* p = lanes + 24 * static_cast<std::size_t>(index[k]);
            const __m256 w = _mm256_set1_ps(weight[k]);
            a0 = _mm256_add_ps(a0, _mm256_mul_ps(w, _mm256_loadu_ps(p)));
            a1 = _mm256_add_ps(a1, _mm256_mul_ps(w, _mm256_loadu_ps(p + 8)));
            a2 = _mm256_add_ps(a2, _mm256_mul_ps(w, _mm256_loadu_ps(p + 16)));
        }
        _mm_store_si128(reinterpret_cast<__m128i*>(bytes[0]), channelsAvx2(a0));
        _mm_store_si128(reinterpret_cast<__m128i*>(bytes[1]), channelsAvx2(a1));
        _mm_store_si128(reinterpret_cast<__m128i*>(bytes[2]), channelsAvx2(a2));
        for (int r = 0; r < count; ++r) {
            std::uint8_t* o = out[r] + 3 * static_cast<std::size_t>(i);
            o[0] = bytes[0][r];
            o[1] = bytes[1][r];
            o[2] = bytes[2][r];
        }
    }
}

__attribute__((target("avx2"))) void verticalRowAvx2(const std::uint8_t* const* taps, const float* weights, int count,
                                                     std::uint8_t* out, std::size_t bytes)
{
    constexpr std::size_t Chunk = 64;
    std::size_t x = 0;
    for (; x + Chunk <= bytes; x += Chunk) {
        __m256 acc[8];
        for (auto& a : acc)
            a = _mm256_setzero_ps();
        for (int k = 0; k < count; ++k) {
            const __m256 w = _mm256_set1_ps(weights[k]);
            const std::uint8_t* s = taps[k] + x;
#pragma GCC unroll 8
            for (int v = 0; v < 8; ++v)
                acc[v] = _mm256_add_ps(acc[v], _mm256_mul_ps(w, bytesToFloatsAvx2(s + 8 * v)));
        }
        for (int v = 0; v < 8; ++v)
            _mm_storel_epi64(reinterpret_cast<__m128i*>(out + x + 8 * v), channelsAvx2(acc[v]));
    }
    verticalRowPortable(taps, weights, count, out, x, bytes);
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
    const bool avx2 = UseAvx2();
    std::atomic<bool> failed{false};
    RunRowBands(
        blocks, 8 * static_cast<std::int64_t>(bytes),
        [&](int firstBlock, int lastBlock) {
            thread_local std::vector<float> lanes;
            try {
                lanes.resize(avx2 ? 8 * bytes : 0);
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
                if (avx2) {
                    fillLanesAvx2(lanes.data(), in, count, bytes);
                    horizontalBlockAvx2(lanes.data(), columns, out, count, destWidth);
                } else {
                    horizontalRowsPortable(in, out, count, columns, destWidth);
                }
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
    const bool avx2 = UseAvx2();
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
                const float* weights = rows.Weight.data() + begin;
                std::uint8_t* out = resultRows[static_cast<std::size_t>(y)];
                if (avx2)
                    verticalRowAvx2(taps.data(), weights, count, out, bytes);
                else
                    verticalRowPortable(taps.data(), weights, count, out, 0, bytes);
            }
        },
        step, steps);
    if (failed)
        throw EOutOfMemory();
}

} // namespace vellum
