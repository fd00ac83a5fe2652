#include "raster/MaskRows.h"

#include <algorithm>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

#include "raster/ArrayObjects.h"
#include "raster/VectorPaths.h"

namespace vellum {

namespace {

#ifdef __SSE2__
// The 16 x 16 block at in (rows inStride apart) transposed to out (rows outStride apart): four
// rounds of interleaving rows i and i + 8 move the row index bits into the byte index and the
// column index bits into the register index.
inline __attribute__((always_inline)) void transposeBlock(const std::uint8_t* in, std::size_t inStride,
                                                          std::uint8_t* out, std::size_t outStride)
{
    __m128i a[16];
#pragma GCC unroll 16
    for (int i = 0; i < 16; ++i)
        a[i] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i * inStride));
#pragma GCC unroll 4
    for (int round = 0; round < 4; ++round) {
        __m128i b[16];
#pragma GCC unroll 8
        for (int i = 0; i < 8; ++i) {
            b[2 * i] = _mm_unpacklo_epi8(a[i], a[i + 8]);
            b[2 * i + 1] = _mm_unpackhi_epi8(a[i], a[i + 8]);
        }
#pragma GCC unroll 16
        for (int i = 0; i < 16; ++i)
            a[i] = b[i];
    }
#pragma GCC unroll 16
    for (int j = 0; j < 16; ++j)
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + j * outStride), a[j]);
}
#endif

#if defined(__x86_64__) || defined(__i386__)
// Two 16 x 16 blocks side by side (16 rows of 32 bytes at in) transposed, as transposeBlock
// does, in the two halves of AVX2 registers: the left block's columns become out's rows 0 to
// 15, the right block's rows 16 to 31.
__attribute__((target("avx2"))) void transposeBlockPair(const std::uint8_t* in, std::size_t inStride, std::uint8_t* out,
                                                       std::size_t outStride)
{
    __m256i a[16];
#pragma GCC unroll 16
    for (int i = 0; i < 16; ++i)
        a[i] = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(in + i * inStride));
    // Masks are mostly wide areas of one value: such a block is its own transpose, stored as is.
    __m256i any = a[0], all = a[0];
#pragma GCC unroll 16
    for (int i = 1; i < 16; ++i) {
        any = _mm256_or_si256(any, a[i]);
        all = _mm256_and_si256(all, a[i]);
    }
    const bool zeros = _mm256_testz_si256(any, any) != 0;
    const __m256i ones = _mm256_set1_epi8(1);
    const __m256i oneEverywhere = _mm256_and_si256(_mm256_cmpeq_epi8(any, ones), _mm256_cmpeq_epi8(all, ones));
    if (zeros || _mm256_movemask_epi8(oneEverywhere) == -1) {
        // Every byte is 0, or every byte is 1 (each has bit 0, none has another bit).
        const __m128i value = zeros ? _mm_setzero_si128() : _mm_set1_epi8(1);
#pragma GCC unroll 32
        for (int j = 0; j < 32; ++j)
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + j * outStride), value);
        return;
    }
#pragma GCC unroll 4
    for (int round = 0; round < 4; ++round) {
        __m256i b[16];
#pragma GCC unroll 8
        for (int i = 0; i < 8; ++i) {
            b[2 * i] = _mm256_unpacklo_epi8(a[i], a[i + 8]);
            b[2 * i + 1] = _mm256_unpackhi_epi8(a[i], a[i + 8]);
        }
#pragma GCC unroll 16
        for (int i = 0; i < 16; ++i)
            a[i] = b[i];
    }
#pragma GCC unroll 16
    for (int j = 0; j < 16; ++j) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + j * outStride), _mm256_castsi256_si128(a[j]));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + (16 + j) * outStride), _mm256_extracti128_si256(a[j], 1));
    }
}
#endif

// out[j * outStride + i] = in[i * inStride + j] for i < rows, j < columns, where one of the two
// is a band's few rows and the other a picture's width. The band's side is the inner loop, so
// each mask column's entries of the band are read or written together, not once per block.
// Whole blocks of blockWide x blockBand entries go to block(i0, j0); the rest one by one.
template <typename Block>
void transposeIn(const std::uint8_t* in, std::size_t inStride, int rows, int columns, std::uint8_t* out,
                 std::size_t outStride, int blockWide, int blockBand, Block&& block)
{
    auto one = [&](int i, int j) { out[j * outStride + i] = in[i * inStride + j]; };
    const bool wideRows = rows > columns;
    const int wide = wideRows ? rows : columns;
    const int band = wideRows ? columns : rows;
    int w0 = 0;
    for (; w0 + blockWide <= wide; w0 += blockWide) {
        int b0 = 0;
        for (; b0 + blockBand <= band; b0 += blockBand)
            wideRows ? block(w0, b0) : block(b0, w0);
        for (int w = w0; w < w0 + blockWide; ++w)
            for (int b = b0; b < band; ++b)
                wideRows ? one(w, b) : one(b, w);
    }
    for (int w = w0; w < wide; ++w)
        for (int b = 0; b < band; ++b)
            wideRows ? one(w, b) : one(b, w);
}

void transposeBytes(const std::uint8_t* in, std::size_t inStride, int rows, int columns, std::uint8_t* out,
                    std::size_t outStride)
{
#if defined(__x86_64__) || defined(__i386__)
    if (UseAvx2()) {
        // Pairs of blocks lie side by side along in's rows.
        const bool wideRows = rows > columns;
        transposeIn(in, inStride, rows, columns, out, outStride, wideRows ? 16 : 32, wideRows ? 32 : 16, [&](int i0, int j0) {
            // The mask's columns of the next blocks along the width, one line each, are fetched
            // ahead: a new column every few thousand bytes defeats the hardware's prefetching.
            if (wideRows && j0 == 0)
                for (int i = 16; i < 32; ++i)
                    _mm_prefetch(reinterpret_cast<const char*>(in + (i0 + i) * inStride), _MM_HINT_T0);
            if (!wideRows && i0 == 0)
                for (int j = 32; j < 64; ++j)
                    _mm_prefetch(reinterpret_cast<const char*>(out + (j0 + j) * outStride), _MM_HINT_T0);
            transposeBlockPair(in + i0 * inStride + j0, inStride, out + j0 * outStride + i0, outStride);
        });
        return;
    }
#endif
#ifdef __SSE2__
    transposeIn(in, inStride, rows, columns, out, outStride, 16, 16,
                [&](int i0, int j0) { transposeBlock(in + i0 * inStride + j0, inStride, out + j0 * outStride + i0, outStride); });
#else
    transposeIn(in, inStride, rows, columns, out, outStride, 1, 1,
                [&](int i0, int j0) { out[j0 * outStride + i0] = in[i0 * inStride + j0]; });
#endif
}

#if defined(__x86_64__) || defined(__i386__)
// 32 pixels at a time: each lane of four registers takes twelve bytes (four pixels) of the
// first or the second sixteen, widened to 32-bit lanes and compared with the key; packing keeps
// the pixels in order within each half. A load reads four bytes past its pixels, so the caller
// stops while two more pixels follow.
__attribute__((target("avx2"))) int markKeyPixelsAvx2(const std::uint8_t* pixels, int width, const std::uint8_t key[3],
                                                      std::uint8_t* marks)
{
    const __m256i widen = _mm256_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1, 0, 1, 2, -1, 3, 4, 5,
                                           -1, 6, 7, 8, -1, 9, 10, 11, -1);
    const __m256i keys = _mm256_set1_epi32(key[0] | (key[1] << 8) | (key[2] << 16));
    const __m256i ones = _mm256_set1_epi8(1);
    int x = 0;
    for (; x + 34 <= width; x += 32) {
        const std::uint8_t* p = pixels + 3 * static_cast<std::size_t>(x);
        __m256i equal[4];
        for (int k = 0; k < 4; ++k) {
            const __m256i both = _mm256_loadu2_m128i(reinterpret_cast<const __m128i*>(p + 48 + 12 * k),
                                                     reinterpret_cast<const __m128i*>(p + 12 * k));
            equal[k] = _mm256_cmpeq_epi32(_mm256_shuffle_epi8(both, widen), keys);
        }
        const __m256i words = _mm256_packs_epi32(equal[0], equal[1]);
        const __m256i words2 = _mm256_packs_epi32(equal[2], equal[3]);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(marks + x), _mm256_and_si256(_mm256_packs_epi16(words, words2), ones));
    }
    return x;
}
#endif

} // namespace

void MaskBandToRows(const TBool2DArray& mask, int firstRow, int count, int firstColumn, int width, std::uint8_t* rows,
                    std::size_t stride)
{
    if (count <= 0 || width <= 0)
        return;
    transposeBytes(mask.Column(firstColumn) + firstRow, static_cast<std::size_t>(mask.Height()), width, count, rows,
                   stride);
}

void MaskBandFromRows(TBool2DArray& mask, int firstRow, int count, const std::uint8_t* rows, std::size_t stride)
{
    if (count <= 0 || mask.Width() <= 0)
        return;
    transposeBytes(rows, stride, count, mask.Width(), mask.Column(0) + firstRow, static_cast<std::size_t>(mask.Height()));
}

void MarkKeyPixels(const std::uint8_t* pixels, int width, const std::uint8_t key[3], std::uint8_t* marks)
{
    int x = 0;
#if defined(__x86_64__) || defined(__i386__)
    if (UseAvx2())
        x = markKeyPixelsAvx2(pixels, width, key, marks);
#endif
    for (const std::uint8_t* p = pixels + 3 * static_cast<std::size_t>(x); x < width; ++x, p += 3)
        marks[x] = static_cast<std::uint8_t>(p[0] == key[0] && p[1] == key[1] && p[2] == key[2]);
}

void MarkZeroBytes(const std::uint8_t* bytes, int count, std::uint8_t* marks)
{
    constexpr std::uint64_t Low7 = 0x7F7F7F7F7F7F7F7FULL;
    constexpr std::uint64_t Ones = 0x0101010101010101ULL;
    int x = 0;
    for (; x + 8 <= count; x += 8) {
        std::uint64_t word;
        std::memcpy(&word, bytes + x, 8);
        // The top bit of each byte of t is set exactly where the byte is not zero.
        const std::uint64_t t = ((word & Low7) + Low7) | word;
        const std::uint64_t zero = ((t >> 7) & Ones) ^ Ones;
        std::memcpy(marks + x, &zero, 8);
    }
    for (; x < count; ++x)
        marks[x] = bytes[x] == 0;
}

void FillPixels(std::uint8_t* pixels, int count, const std::uint8_t colour[3])
{
    if (count < 16) {
        for (int x = 0; x < count; ++x)
            std::memcpy(pixels + 3 * x, colour, 3);
        return;
    }
    // Sixteen pixels of the colour, copied as a block while whole blocks fit.
    constexpr int Block = 16;
    std::uint8_t block[3 * Block];
    for (int i = 0; i < Block; ++i)
        std::memcpy(block + 3 * i, colour, 3);
    int x = 0;
    for (; x + Block <= count; x += Block)
        std::memcpy(pixels + 3 * static_cast<std::size_t>(x), block, sizeof block);
    std::memcpy(pixels + 3 * static_cast<std::size_t>(x), block, 3 * static_cast<std::size_t>(count - x));
}

} // namespace vellum
