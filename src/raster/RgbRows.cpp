#include "raster/RgbRows.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include <immintrin.h>

#include "raster/VectorPaths.h"

namespace vellum {

namespace {

// A pixel's three bytes as the low bytes of a word, the fourth (not the row's) never read.
// Put together in registers: a word loaded over three single-byte stores stalls.
inline std::uint32_t bgrAt(const std::uint8_t* p)
{
    return p[0] | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16;
}

// Eight pixels a step: two sixteen-byte reads twelve bytes apart (while they stay inside the
// row), the first twelve bytes of each spread into four pixels, the alpha bytes set.
__attribute__((target("avx2"))) int copyAvx2(const std::uint8_t* source, std::uint32_t* target, int count)
{
    const __m256i spread = _mm256_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1, //
                                            0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1);
    const __m256i alpha = _mm256_set1_epi32(static_cast<int>(0xFF000000u));
    int x = 0;
    for (; x + 10 <= count; x += 8) {
        const std::uint8_t* p = source + 3 * x;
        const __m256i bytes = _mm256_inserti128_si256(
            _mm256_castsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p))),
            _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 12)), 1);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(target + x), _mm256_or_si256(_mm256_shuffle_epi8(bytes, spread), alpha));
    }
    return x;
}

// One pixel's copies a step: its three bytes spread over 32 (ten and two thirds pixels), stored
// once or, from zoom 11, twice 30 bytes apart; each store runs on into the next pixel's place,
// which its own store then writes. The last pixels, whose stores would pass the row's end, are
// left to the caller.
__attribute__((target("avx2"))) int zoomAvx2(const std::uint8_t* source, int count, int zoom, std::uint8_t* target)
{
    const __m256i spread = _mm256_setr_epi8(0, 1, 2, 0, 1, 2, 0, 1, 2, 0, 1, 2, 0, 1, 2, 0, //
                                            1, 2, 0, 1, 2, 0, 1, 2, 0, 1, 2, 0, 1, 2, 0, 1);
    const std::size_t step = 3 * static_cast<std::size_t>(zoom);
    const std::size_t reach = zoom > 10 ? 62 : 32;
    const std::size_t end = step * static_cast<std::size_t>(count);
    int x = 0;
    for (std::size_t at = 0; x < count && at + reach <= end; ++x, at += step) {
        const std::uint32_t pixel = bgrAt(source + 3 * x);
        const __m256i copies = _mm256_shuffle_epi8(_mm256_set1_epi32(static_cast<int>(pixel)), spread);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(target + at), copies);
        if (zoom > 10)
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(target + at + 30), copies);
    }
    return x;
}

// One pixel's copies a step: one eight-pixel store or, from zoom 9, two that meet; each runs
// on into the next pixel's place, which its own store then writes. The last pixels, whose
// stores would pass the row's end, are left to the caller.
__attribute__((target("avx2"))) int zoomRgb32Avx2(const std::uint8_t* source, int count, int zoom,
                                                  std::uint32_t* target)
{
    const std::size_t step = static_cast<std::size_t>(zoom);
    const std::size_t reach = zoom > 8 ? step : 8;
    const std::size_t end = step * static_cast<std::size_t>(count);
    int x = 0;
    for (std::size_t at = 0; x < count && at + reach <= end; ++x, at += step) {
        const __m256i copies = _mm256_set1_epi32(static_cast<int>(bgrAt(source + 3 * x) | 0xFF000000u));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(target + at), copies);
        if (zoom > 8)
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(target + at + step - 8), copies);
    }
    return x;
}

} // namespace

void ZoomRowToRgb32(const std::uint8_t* source, int count, int zoom, std::uint32_t* target)
{
    if (count <= 0 || zoom <= 0)
        return;
    int x = UseAvx2() ? zoomRgb32Avx2(source, count, zoom, target) : 0;
    std::uint32_t* out = target + static_cast<std::size_t>(x) * zoom;
    for (; x < count; ++x, out += zoom)
        std::fill_n(out, zoom, bgrAt(source + 3 * x) | 0xFF000000u);
}

void ZoomRow(const std::uint8_t* source, int count, int zoom, std::uint8_t* target)
{
    if (count <= 0 || zoom <= 0)
        return;
    static_assert(std::endian::native == std::endian::little, "a pixel's bytes are its low bytes");
    int x = UseAvx2() ? zoomAvx2(source, count, zoom, target) : 0;
    std::uint8_t* out = target + 3 * static_cast<std::size_t>(x) * zoom;
    // Four bytes a store, each overlapping the next copy's first byte, which the next store
    // writes again; only the row's very last copy is stored in three bytes.
    for (; x + 1 < count; ++x) {
        const std::uint32_t pixel = bgrAt(source + 3 * x);
        for (int k = 0; k < zoom; ++k, out += 3)
            std::memcpy(out, &pixel, 4);
    }
    const std::uint32_t last = bgrAt(source + 3 * x);
    for (int k = 0; k + 1 < zoom; ++k, out += 3)
        std::memcpy(out, &last, 4);
    std::memcpy(out, &last, 3);
}

void CopyBgrToRgb32(const std::uint8_t* source, std::uint32_t* target, int count)
{
    int x = UseAvx2() ? copyAvx2(source, target, count) : 0;
    if constexpr (std::endian::native == std::endian::little) {
        // Blue, green and red are the low three bytes: four bytes are read at once where the
        // fourth still lies in the row, and replaced by the opaque alpha.
        for (; x + 1 < count; ++x) {
            std::uint32_t pixel;
            std::memcpy(&pixel, source + 3 * x, 4);
            target[x] = pixel | 0xFF000000u;
        }
    }
    for (; x < count; ++x) {
        const std::uint8_t* p = source + 3 * x;
        target[x] = 0xFF000000u | std::uint32_t(p[2]) << 16 | std::uint32_t(p[1]) << 8 | p[0];
    }
}

void CopyRgb32ToBgr(const std::uint32_t* source, std::uint8_t* target, int count)
{
    for (int x = 0; x < count; ++x, target += 3) {
        const std::uint32_t pixel = source[x];
        target[0] = static_cast<std::uint8_t>(pixel);
        target[1] = static_cast<std::uint8_t>(pixel >> 8);
        target[2] = static_cast<std::uint8_t>(pixel >> 16);
    }
}

} // namespace vellum
