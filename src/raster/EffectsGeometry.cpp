// Flip, mirror, rotate, resize, resample and enlarge canvas of TEffectsBitmap. Operations that
// change the size build a work picture and take it over with AssignOpaque, so a failure before
// that leaves the picture as it was. The rotation's coordinates are evaluated in double
// precision exactly as written, never fused into multiply-adds (-ffp-contract=off).
#include "raster/EffectsBitmap.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstring>
#include <new>
#include <optional>

#include <immintrin.h>

#include "raster/EffectsProgress.h"
#include "raster/Resample.h"
#include "raster/RowBands.h"
#include "raster/VectorPaths.h"

namespace vellum {

namespace {

std::vector<std::uint8_t*> rowStarts(TXBitmap& picture)
{
    std::vector<std::uint8_t*> rows(static_cast<std::size_t>(picture.Height()));
    for (int y = 0; y < picture.Height(); ++y)
        rows[static_cast<std::size_t>(y)] = picture.ScanLine(y);
    return rows;
}

// Runs body and re-raises any failure as EXBitmapError with prefix before the cause's message.
template <typename Body>
void wrapErrors(const QString& prefix, Body&& body)
{
    try {
        body();
    } catch (const std::bad_alloc&) {
        throw EXBitmapError(prefix + EOutOfMemory().message());
    } catch (const VellumException& e) {
        throw EXBitmapError(prefix + e.message());
    }
}

// A 24-bit picture whose every byte the caller writes.
TXBitmap workPicture(int width, int height)
{
    TXBitmap work;
    work.AllocateUninitialised(width, height, TPixelFormat::pf24bit);
    return work;
}

// Swaps count bytes of a and b through a small buffer that stays in the cache.
void swapBytes(std::uint8_t* a, std::uint8_t* b, std::size_t count)
{
    std::uint8_t buffer[4096];
    for (std::size_t done = 0; done < count; done += sizeof buffer) {
        const std::size_t n = std::min(sizeof buffer, count - done);
        std::memcpy(buffer, a + done, n);
        std::memcpy(a + done, b + done, n);
        std::memcpy(b + done, buffer, n);
    }
}

// out = in with its pixels in reverse order; out and in do not overlap.
void reversePixels(std::uint8_t* __restrict out, const std::uint8_t* __restrict in, int width)
{
    const std::uint8_t* p = in + 3 * static_cast<std::size_t>(width);
    for (int x = 0; x < width; ++x, out += 3) {
        p -= 3;
        out[0] = p[0];
        out[1] = p[1];
        out[2] = p[2];
    }
}

// out = in with its pixels in reverse order, five pixels per shuffle; out has room for 16
// bytes more than the row (each 16-byte store spills one byte that the next overwrites).
__attribute__((target("avx2"))) void reversePixelsAvx2(std::uint8_t* __restrict out, const std::uint8_t* __restrict in,
                                                       int width)
{
    const __m128i reverse = _mm_setr_epi8(12, 13, 14, 9, 10, 11, 6, 7, 8, 3, 4, 5, 0, 1, 2, 15);
    int x = width; // pixels [0, x) of in remain, landing at out from pixel width - x on
    // The last pixel alone, so that every 16-byte read ends inside the row.
    if (x > 0) {
        std::memcpy(out, in + 3 * static_cast<std::size_t>(x - 1), 3);
        --x;
    }
    for (; x >= 5; x -= 5) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + 3 * static_cast<std::size_t>(x - 5)));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 3 * static_cast<std::size_t>(width - x)), _mm_shuffle_epi8(v, reverse));
    }
    for (; x > 0; --x)
        std::memcpy(out + 3 * static_cast<std::size_t>(width - x), in + 3 * static_cast<std::size_t>(x - 1), 3);
}

// Reverses the pixels of a row in place, pixel x swapping with pixel width - 1 - x.
void mirrorRow(std::uint8_t* row, int width)
{
    std::uint8_t* a = row;
    std::uint8_t* b = row + 3 * static_cast<std::size_t>(width - 1);
    for (int x = 0; x < width / 2; ++x, a += 3, b -= 3) {
        std::swap(a[0], b[0]);
        std::swap(a[1], b[1]);
        std::swap(a[2], b[2]);
    }
}

// Four columns of a tile's source rows (source[i] + at, i < count, in the order of the runs)
// become four runs of count pixels at out[0] to out[3]: 4 x 4 pixel blocks are widened to
// 32-bit lanes, transposed and narrowed again. A 16-byte store spills four bytes past its block,
// so it is used only where the run has at least sixteen bytes left, all written later by this
// call; other blocks store exactly twelve, and rows beyond the last whole block move one pixel
// at a time. (A run's end borders pixels of another tile or the row's padding.)
__attribute__((target("avx2"))) void transposeRunsAvx2(const std::uint8_t* const* source, int count, std::size_t at,
                                                       std::uint8_t* const* out)
{
    const __m128i widen = _mm_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1);
    const __m128i narrow = _mm_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1);
    int i = 0;
    for (; i + 4 <= count; i += 4) {
        __m128i r[4];
        for (int k = 0; k < 4; ++k)
            r[k] = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(source[i + k] + at)), widen);
        const __m128i t0 = _mm_unpacklo_epi32(r[0], r[1]);
        const __m128i t1 = _mm_unpackhi_epi32(r[0], r[1]);
        const __m128i t2 = _mm_unpacklo_epi32(r[2], r[3]);
        const __m128i t3 = _mm_unpackhi_epi32(r[2], r[3]);
        const __m128i c[4] = {_mm_unpacklo_epi64(t0, t2), _mm_unpackhi_epi64(t0, t2), _mm_unpacklo_epi64(t1, t3),
                              _mm_unpackhi_epi64(t1, t3)};
        const std::size_t offset = 3 * static_cast<std::size_t>(i);
        const bool roomToSpill = 3 * (count - i) >= 16;
        for (int k = 0; k < 4; ++k) {
            const __m128i packed = _mm_shuffle_epi8(c[k], narrow);
            if (roomToSpill) {
                _mm_storeu_si128(reinterpret_cast<__m128i*>(out[k] + offset), packed);
            } else {
                _mm_storel_epi64(reinterpret_cast<__m128i*>(out[k] + offset), packed);
                const int high = _mm_extract_epi32(packed, 2);
                std::memcpy(out[k] + offset + 8, &high, 4);
            }
        }
    }
    for (; i < count; ++i)
        for (int k = 0; k < 4; ++k)
            std::memcpy(out[k] + 3 * static_cast<std::size_t>(i), source[i] + at + 3 * static_cast<std::size_t>(k), 3);
}

// (t - 1) / 2 + c in each lane, the division truncating towards zero as C++ divides.
__attribute__((target("avx2"))) inline __m256i halfTowardsZeroPlus(const __m256i& t, const __m256i& c)
{
    const __m256i a = _mm256_sub_epi32(t, _mm256_set1_epi32(1));
    return _mm256_add_epi32(_mm256_srai_epi32(_mm256_add_epi32(a, _mm256_srli_epi32(a, 31)), 1), c);
}

// The run of a fine rotation's destination row from x on: the source coordinates of eight
// pixels at a time, each lane evaluated as the scalar rule does ((int)(u cs - v sn) - 1) / 2 + cx,
// then the pixels copied one by one. Stops eight pixels short of end, so that every pixel of a
// block has a next one in the run to take its spilled fourth byte; returns where it stopped.
__attribute__((target("avx2"))) int fineRotationRunAvx2(const double* ucs, const double* usn, double vsn, double vcs,
                                                        int cx, int cy, int width, const std::uint8_t* const* in,
                                                        std::uint8_t* out, int x, int end)
{
    const __m256d vsnv = _mm256_set1_pd(vsn);
    const __m256d vcsv = _mm256_set1_pd(vcs);
    const __m256i cxv = _mm256_set1_epi32(cx);
    const __m256i cyv = _mm256_set1_epi32(cy);
    alignas(32) std::int32_t sx[8];
    alignas(32) std::int32_t sy[8];
    for (; x + 8 < end; x += 8) {
        const __m256i tx = _mm256_set_m128i(_mm256_cvttpd_epi32(_mm256_sub_pd(_mm256_loadu_pd(ucs + x + 4), vsnv)),
                                            _mm256_cvttpd_epi32(_mm256_sub_pd(_mm256_loadu_pd(ucs + x), vsnv)));
        const __m256i ty = _mm256_set_m128i(_mm256_cvttpd_epi32(_mm256_add_pd(_mm256_loadu_pd(usn + x + 4), vcsv)),
                                            _mm256_cvttpd_epi32(_mm256_add_pd(_mm256_loadu_pd(usn + x), vcsv)));
        _mm256_store_si256(reinterpret_cast<__m256i*>(sx), halfTowardsZeroPlus(tx, cxv));
        _mm256_store_si256(reinterpret_cast<__m256i*>(sy), halfTowardsZeroPlus(ty, cyv));
        std::uint8_t* d = out + 3 * static_cast<std::size_t>(x);
        for (int k = 0; k < 8; ++k, d += 3) {
            const std::uint8_t* p = in[sy[k]] + 3 * static_cast<std::ptrdiff_t>(sx[k]);
            if (sx[k] + 1 < width) {
                std::uint32_t pixel;
                std::memcpy(&pixel, p, 4);
                std::memcpy(d, &pixel, 4);
            } else {
                std::memcpy(d, p, 3);
            }
        }
    }
    return x;
}

struct TSize {
    int Width;
    int Height;
};

// The size a fine rotation by sn = sin(-r), cs = cos(-r) gives a width x height picture.
TSize fineRotationSize(int width, int height, double sn, double cs)
{
    const auto side = [](double a, double b) {
        return static_cast<int>(std::fabs(std::nearbyint(a)) + std::fabs(std::nearbyint(b)));
    };
    return {side(height * sn, width * cs), side(width * sn, height * cs)};
}

} // namespace

// --- flip and mirror -----------------------------------------------------------------------------

void TEffectsBitmap::Flip()
{
    SetPixelFormat(TPixelFormat::pf24bit);
    const int height = Height();
    const std::size_t bytes = 3 * static_cast<std::size_t>(Width());
    const std::vector<std::uint8_t*> rows = rowStarts(*this);
    ProgressScope progress(*this, height / 2);
    RunRowBands(
        height / 2, 2 * static_cast<std::int64_t>(bytes),
        [&](int first, int last) {
            for (int y = first; y < last; ++y)
                swapBytes(rows[static_cast<std::size_t>(y)], rows[static_cast<std::size_t>(height - 1 - y)], bytes);
        },
        [this] { step(); });
}

void TEffectsBitmap::Mirror()
{
    SetPixelFormat(TPixelFormat::pf24bit);
    const int width = Width();
    const std::vector<std::uint8_t*> rows = rowStarts(*this);
    const bool avx2 = UseAvx2();
    const std::size_t bytes = 3 * static_cast<std::size_t>(width);
    std::atomic<bool> failed{false};
    ProgressScope progress(*this, Height());
    RunRowBands(
        Height(), 3LL * width,
        [&](int first, int last) {
            thread_local std::vector<std::uint8_t> buffer;
            if (avx2) {
                try {
                    buffer.resize(bytes + 16);
                } catch (const std::bad_alloc&) {
                    failed = true;
                    return;
                }
            }
            for (int y = first; y < last; ++y) {
                std::uint8_t* row = rows[static_cast<std::size_t>(y)];
                if (avx2) {
                    reversePixelsAvx2(buffer.data(), row, width);
                    std::memcpy(row, buffer.data(), bytes);
                } else {
                    mirrorRow(row, width);
                }
            }
        },
        [this] { step(); });
    if (failed)
        throw EOutOfMemory();
}

// --- rotate --------------------------------------------------------------------------------------

void TEffectsBitmap::Rotate(int angle, TColor background)
{
    // Whole turns fold away; a negative angle turns anticlockwise.
    angle %= 360;
    if (angle < 0)
        angle += 360;
    if (angle == 0)
        return;
    wrapErrors(QStringLiteral("Rotate Error. "), [&] {
        SetPixelFormat(TPixelFormat::pf24bit);
        const int quarter = angle / 90 * 90;
        const int rest = angle - quarter;
        const double radians = -rest * M_PI / 180.0;
        const double sn = std::sin(radians);
        const double cs = std::cos(radians);
        const bool turned = quarter == 90 || quarter == 270;
        const int width = turned ? Height() : Width();
        const int height = turned ? Width() : Height();
        int steps = rest > 0 ? fineRotationSize(width, height, sn, cs).Height : 0;
        if (quarter == 180)
            steps += Height() / 2;
        else if (turned)
            steps += Height();
        ProgressScope progress(*this, steps);
        if (quarter != 0)
            quarterTurn(quarter);
        if (rest > 0)
            fineRotation(rest, background);
    });
}

void TEffectsBitmap::quarterTurn(int quarter)
{
    const int width = Width();
    const int height = Height();
    const std::size_t bytes = 3 * static_cast<std::size_t>(width);
    if (quarter == 180) {
        const std::vector<std::uint8_t*> rows = rowStarts(*this);
        std::atomic<bool> failed{false};
        RunRowBands(
            height / 2, 2 * static_cast<std::int64_t>(bytes),
            [&](int first, int last) {
                thread_local std::vector<std::uint8_t> buffer;
                try {
                    buffer.resize(bytes);
                } catch (const std::bad_alloc&) {
                    failed = true;
                    return;
                }
                for (int y = first; y < last; ++y) {
                    std::uint8_t* a = rows[static_cast<std::size_t>(y)];
                    std::uint8_t* b = rows[static_cast<std::size_t>(height - 1 - y)];
                    reversePixels(buffer.data(), a, width);
                    reversePixels(a, b, width);
                    std::memcpy(b, buffer.data(), bytes);
                }
            },
            [this] { step(); });
        if (failed)
            throw EOutOfMemory();
        if (height % 2 == 1)
            mirrorRow(rows[static_cast<std::size_t>(height / 2)], width);
        return;
    }

    // A clockwise quarter turn sends source (x, y) to (height - 1 - y, x); the anticlockwise
    // one to (y, width - 1 - x). Done in square tiles, so that the source rows read and the
    // destination rows written stay in the cache. Each column of a tile becomes a run of pixels
    // in one destination row, written towards higher addresses so that each pixel can be moved
    // as four bytes, the fourth being overwritten by the next pixel (the last pixel of a run,
    // and reads of a row's last pixel, move three).
    const bool clockwise = quarter == 90;
    TXBitmap work = workPicture(height, width);
    const std::vector<std::uint8_t*> in = rowStarts(*this);
    const std::vector<std::uint8_t*> out = rowStarts(work);
    constexpr int Tile = 64;
    const bool avx2 = UseAvx2();
    // Strips of Tile source columns are whole destination rows, so each thread writes its own
    // rows from start to end (reads of partial cache lines cost less than partial writes).
    const int strips = (width + Tile - 1) / Tile;
    RunRowBands(
        strips, Tile * 3LL * height,
        [&](int firstStrip, int lastStrip) {
            const std::uint8_t* source[Tile];
            for (int strip = firstStrip; strip < lastStrip; ++strip) {
                const int left = strip * Tile;
                const int right = std::min(width, left + Tile);
                for (int top = 0; top < height; top += Tile) {
                    const int count = std::min(height, top + Tile) - top;
                    // The tile's source rows in the order a run visits them.
                    for (int i = 0; i < count; ++i)
                        source[i] = in[static_cast<std::size_t>(clockwise ? top + count - 1 - i : top + i)];
                    const std::size_t column = 3 * static_cast<std::size_t>(clockwise ? height - top - count : top);
                    // The rows of the next tile lie too far apart for the processor to foresee.
                    for (int y = top + Tile; y < std::min(height, top + 2 * Tile); ++y)
                        for (int b = 0; b < 3 * (right - left) + 64; b += 64)
                            __builtin_prefetch(in[static_cast<std::size_t>(y)] + 3 * static_cast<std::size_t>(left) + b);
                    int x = left;
                    if (avx2) {
                        // Four columns at a time while their 16-byte reads stay inside the rows.
                        for (; x + 4 <= right && x + 6 <= width; x += 4) {
                            std::uint8_t* o[4];
                            for (int c = 0; c < 4; ++c)
                                o[c] = out[static_cast<std::size_t>(clockwise ? x + c : width - 1 - x - c)] + column;
                            transposeRunsAvx2(source, count, 3 * static_cast<std::size_t>(x), o);
                        }
                    }
                    for (; x < right; ++x) {
                        std::uint8_t* o = out[static_cast<std::size_t>(clockwise ? x : width - 1 - x)] + column;
                        const std::size_t at = 3 * static_cast<std::size_t>(x);
                        int i = 0;
                        if (x + 1 < width) {
                            for (; i + 1 < count; ++i, o += 3) {
                                std::uint32_t pixel;
                                std::memcpy(&pixel, source[i] + at, 4);
                                std::memcpy(o, &pixel, 4);
                            }
                        }
                        for (; i < count; ++i, o += 3)
                            std::memcpy(o, source[i] + at, 3);
                    }
                }
            }
        },
        [this] { step(); }, height);
    AssignOpaque(std::move(work));
}

void TEffectsBitmap::fineRotation(int degrees, TColor background)
{
    const double radians = -degrees * M_PI / 180.0;
    const double sn = std::sin(radians);
    const double cs = std::cos(radians);
    const int width = Width();
    const int height = Height();
    const TSize size = fineRotationSize(width, height, sn, cs);
    const int cx = width / 2;
    const int cy = height / 2;
    const int ox = (size.Width - width) / 2;
    const int oy = (size.Height - height) / 2;

    TXBitmap work = workPicture(size.Width, size.Height);
    const std::vector<std::uint8_t*> in = rowStarts(*this);
    const std::vector<std::uint8_t*> out = rowStarts(work);
    // u depends on the column only, so its two products are formed once per column.
    std::vector<double> ucs(static_cast<std::size_t>(size.Width));
    std::vector<double> usn(static_cast<std::size_t>(size.Width));
    for (int x = 0; x < size.Width; ++x) {
        const double u = 2 * (x - ox - cx) + 1;
        ucs[static_cast<std::size_t>(x)] = u * cs;
        usn[static_cast<std::size_t>(x)] = u * sn;
    }
    // Sixteen background pixels, written a block at a time.
    std::uint8_t fill[48];
    for (int i = 0; i < 16; ++i)
        StorePixel(fill + 3 * i, background);
    auto fillPixels = [&fill](std::uint8_t* d, int count) {
        for (; count >= 16; count -= 16, d += sizeof fill)
            std::memcpy(d, fill, sizeof fill);
        if (count > 0)
            std::memcpy(d, fill, 3 * static_cast<std::size_t>(count));
    };
    // Along a destination row the source column never decreases (cs > 0) and the source row
    // never increases (sn < 0), so the pixels that land inside the source form one run: found
    // by bisection, copied without bounds tests, with background on either side.
    const std::size_t rowBytes = 3 * static_cast<std::size_t>(size.Width);
    const bool avx2 = UseAvx2();
    RunRowBands(
        size.Height, static_cast<std::int64_t>(rowBytes),
        [&](int first, int last) {
            for (int y = first; y < last; ++y) {
                const double v = 2 * (y - oy - cy) + 1;
                const double vsn = v * sn;
                const double vcs = v * cs;
                auto sourceX = [&](int x) { return (static_cast<int>(ucs[static_cast<std::size_t>(x)] - vsn) - 1) / 2 + cx; };
                auto sourceY = [&](int x) { return (static_cast<int>(usn[static_cast<std::size_t>(x)] + vcs) - 1) / 2 + cy; };
                // The first column at which the (monotone) test turns true, or size.Width.
                auto firstWhere = [&](auto&& test) {
                    int lo = 0;
                    int hi = size.Width;
                    while (lo < hi) {
                        const int mid = lo + (hi - lo) / 2;
                        if (test(mid))
                            hi = mid;
                        else
                            lo = mid + 1;
                    }
                    return lo;
                };
                const int begin = std::max(firstWhere([&](int x) { return sourceX(x) >= 0; }),
                                           firstWhere([&](int x) { return sourceY(x) <= height - 1; }));
                const int end = std::max(begin, std::min(firstWhere([&](int x) { return sourceX(x) > width - 1; }),
                                                         firstWhere([&](int x) { return sourceY(x) < 0; })));
                std::uint8_t* o = out[static_cast<std::size_t>(y)];
                fillPixels(o, begin);
                int x = begin;
                if (avx2)
                    x = fineRotationRunAvx2(ucs.data(), usn.data(), vsn, vcs, cx, cy, width, in.data(), o, x, end);
                for (; x < end; ++x) {
                    const int sx = sourceX(x);
                    const std::uint8_t* p = in[static_cast<std::size_t>(sourceY(x))] + 3 * static_cast<std::size_t>(sx);
                    std::uint8_t* d = o + 3 * static_cast<std::size_t>(x);
                    // Four bytes where both the read and the spill stay inside their rows; the
                    // spilled byte belongs to the next pixel, written after.
                    if (sx + 1 < width && x + 1 < end) {
                        std::uint32_t pixel;
                        std::memcpy(&pixel, p, 4);
                        std::memcpy(d, &pixel, 4);
                    } else {
                        std::memcpy(d, p, 3);
                    }
                }
                fillPixels(o + 3 * static_cast<std::size_t>(end), size.Width - end);
            }
        },
        [this] { step(); });
    AssignOpaque(std::move(work));
}

// --- resize and resample -------------------------------------------------------------------------

TNearestRows::TNearestRows(int sourceWidth, int sourceHeight, int newWidth, int newHeight)
    : m_sourceHeight(sourceHeight), m_width(newWidth), m_columns(static_cast<std::size_t>(newWidth))
{
    CheckPictureSize(newWidth, newHeight);
    const double rx = static_cast<double>(newWidth) / sourceWidth;
    m_ry = static_cast<double>(newHeight) / sourceHeight;
    for (int x = 0; x < newWidth; ++x)
        m_columns[static_cast<std::size_t>(x)] = std::min(sourceWidth - 1, static_cast<int>(x / rx));
    // Columns before this one read a source pixel with at least one more pixel after it, so
    // they may copy four bytes (the fourth is overwritten by the next pixel).
    m_wide = static_cast<int>(std::lower_bound(m_columns.begin(), m_columns.end(), sourceWidth - 1) - m_columns.begin());
}

int TNearestRows::SourceRow(int y) const
{
    return std::min(m_sourceHeight - 1, static_cast<int>(y / m_ry));
}

void TNearestRows::Row(const std::uint8_t* in, std::uint8_t* out) const
{
    const int* c = m_columns.data();
    int x = 0;
    for (; x < m_wide && x + 1 < m_width; ++x)
        std::memcpy(out + 3 * static_cast<std::size_t>(x), in + 3 * static_cast<std::size_t>(c[x]), 4);
    for (; x < m_width; ++x)
        std::memcpy(out + 3 * static_cast<std::size_t>(x), in + 3 * static_cast<std::size_t>(c[x]), 3);
}

void TEffectsBitmap::Resize(int newWidth, int newHeight)
{
    // An empty picture has no pixel to repeat.
    if (newWidth <= 0 || newHeight <= 0 || Empty())
        return;
    wrapErrors(QStringLiteral("Resizing Error. "), [&] {
        CheckPictureSize(newWidth, newHeight);
        SetPixelFormat(TPixelFormat::pf24bit);
        ProgressScope progress(*this, newHeight);
        const TNearestRows rule(Width(), Height(), newWidth, newHeight);
        TXBitmap work = workPicture(newWidth, newHeight);
        const std::vector<std::uint8_t*> out = rowStarts(work);
        const std::size_t bytes = 3 * static_cast<std::size_t>(newWidth);
        RunRowBands(
            newHeight, static_cast<std::int64_t>(bytes),
            [&](int first, int last) {
                for (int y = first; y < last; ++y) {
                    std::uint8_t* o = out[static_cast<std::size_t>(y)];
                    if (y > first && rule.SourceRow(y - 1) == rule.SourceRow(y))
                        std::memcpy(o, out[static_cast<std::size_t>(y - 1)], bytes);
                    else
                        rule.Row(ScanLine(rule.SourceRow(y)), o);
                }
            },
            [this] { step(); });
        AssignOpaque(std::move(work));
    });
}

namespace {

// Source rows [First, First + Count) of a resize, row First at Rows.
struct TSourceRows {
    const std::uint8_t* Rows = nullptr;
    std::size_t Stride = 0;
    int First = 0;
    int Count = 0;
};

// The streamed save of a resize: rowsFrom(first, last) gives source rows from first on, at
// least one of them and at most up to last.
template <typename RowsFrom>
double saveNearestRows(const TNearestRows& rule, int newWidth, int newHeight, const QString& fileName, RowsFrom&& rowsFrom)
{
    std::chrono::steady_clock::duration computing{};
    SaveBmpRows(fileName, newWidth, newHeight, [&](TRowBand& band) {
        const int lastSource = rule.SourceRow(band.Last - 1) + 1;
        int y = band.First;
        while (y < band.Last) {
            const TSourceRows source = rowsFrom(rule.SourceRow(y), lastSource);
            const auto start = std::chrono::steady_clock::now();
            const int end = source.First + source.Count;
            for (; y < band.Last; ++y) {
                const int sourceRow = rule.SourceRow(y);
                if (sourceRow >= end)
                    break;
                const std::size_t i = static_cast<std::size_t>(y - band.First);
                // Rows that repeat a source row repeat the bytes of the row before.
                if (y > band.First && rule.SourceRow(y - 1) == sourceRow) {
                    band.Rows[i] = band.Rows[i - 1];
                    continue;
                }
                std::uint8_t* row = band.Buffer + i * band.Stride;
                rule.Row(source.Rows + static_cast<std::size_t>(sourceRow - source.First) * source.Stride, row);
                band.Rows[i] = row;
            }
            computing += std::chrono::steady_clock::now() - start;
        }
    });
    return std::chrono::duration<double, std::milli>(computing).count();
}

} // namespace

double SaveResizedBmp(const TXBitmap& picture, int newWidth, int newHeight, const QString& fileName)
{
    std::optional<TNearestRows> rule;
    wrapErrors(QStringLiteral("Resizing Error. "),
               [&] { rule.emplace(picture.Width(), picture.Height(), newWidth, newHeight); });
    const TSourceRows whole{picture.ScanLine(0), static_cast<std::size_t>(picture.BytesPerLine()), 0, picture.Height()};
    return saveNearestRows(*rule, newWidth, newHeight, fileName, [&](int, int) { return whole; });
}

TStreamedTimes SaveResizedBmp(TBmpRowReader& source, int newWidth, int newHeight, const QString& fileName)
{
    std::optional<TNearestRows> rule;
    wrapErrors(QStringLiteral("Resizing Error. "),
               [&] { rule.emplace(source.Width(), source.Height(), newWidth, newHeight); });
    TStreamedTimes times;
    std::chrono::steady_clock::duration reading{};
    times.ComputingMs = saveNearestRows(*rule, newWidth, newHeight, fileName, [&](int first, int last) {
        const auto start = std::chrono::steady_clock::now();
        const int count = std::min(last - first, source.MaxRows());
        const TXBitmap& rows = source.Read(first, count);
        reading += std::chrono::steady_clock::now() - start;
        return TSourceRows{rows.ScanLine(0), static_cast<std::size_t>(rows.BytesPerLine()), first, count};
    });
    times.ReadingMs = std::chrono::duration<double, std::milli>(reading).count();
    return times;
}

void TEffectsBitmap::Resample(int newWidth, int newHeight)
{
    if ((newWidth == Width() && newHeight == Height()) || Empty())
        return;
    wrapErrors(QStringLiteral("Resampling Error. "), [&] {
        if (newWidth <= 0 || newHeight <= 0)
            throw EInvalidGraphic(QStringLiteral("Invalid picture size %1 x %2").arg(newWidth).arg(newHeight));
        CheckPictureSize(newWidth, newHeight);
        CheckPictureSize(newWidth, Height());
        SetPixelFormat(TPixelFormat::pf24bit);
        ProgressScope progress(*this, 2 * newWidth + newHeight + Height());
        const std::function<void()> stepOnce = [this] { step(); };
        const TResampleContributors columns = ResampleContributors(Width(), newWidth, stepOnce);
        TXBitmap work = workPicture(newWidth, Height());
        ResampleRows(*this, work, columns, stepOnce);
        const TResampleContributors rows = ResampleContributors(Height(), newHeight, stepOnce);
        TXBitmap result = workPicture(newWidth, newHeight);
        ResampleColumns(work, result, rows, stepOnce, newWidth);
        AssignOpaque(std::move(result));
    });
}

// --- enlarge canvas ------------------------------------------------------------------------------

void TEffectsBitmap::EnlargeCanvas(int newWidth, int newHeight, bool centre, TColor fill)
{
    if (newWidth == Width() && newHeight == Height())
        return;
    SetPixelFormat(TPixelFormat::pf24bit);
    ProgressScope progress(*this, 2);
    TXBitmap work = workPicture(newWidth, newHeight);
    if (!work.Empty()) {
        std::vector<std::uint8_t> row(3 * static_cast<std::size_t>(newWidth));
        for (int x = 0; x < newWidth; ++x)
            StorePixel(row.data() + 3 * static_cast<std::size_t>(x), fill);
        for (int y = 0; y < newHeight; ++y)
            std::memcpy(work.ScanLine(y), row.data(), row.size());
    }
    step();
    const int left = centre ? (newWidth - Width()) / 2 : 0;
    const int top = centre ? (newHeight - Height()) / 2 : 0;
    // The old picture, clipped to the new canvas (callers never shrink it, but may).
    const int firstX = std::max(0, -left);
    const int lastX = std::min(Width(), newWidth - left);
    for (int y = std::max(0, -top); y < std::min(Height(), newHeight - top) && firstX < lastX; ++y)
        std::memcpy(work.ScanLine(y + top) + 3 * static_cast<std::size_t>(left + firstX),
                    ScanLine(y) + 3 * static_cast<std::size_t>(firstX), 3 * static_cast<std::size_t>(lastX - firstX));
    AssignOpaque(std::move(work));
    step();
}

} // namespace vellum
