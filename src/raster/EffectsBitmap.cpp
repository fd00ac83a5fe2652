#include "raster/EffectsBitmap.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <new>

#include <immintrin.h>

#include "raster/ArrayObjects.h"
#include "raster/ColourMatch.h"
#include "raster/EffectsProgress.h"
#include "raster/RegionGrowth.h"
#include "raster/RowBands.h"
#include "raster/VectorPaths.h"

namespace vellum {

namespace {

// Row starts, fetched once on the calling thread for the duration of one operation.
std::vector<std::uint8_t*> rowTable(TXBitmap& picture)
{
    std::vector<std::uint8_t*> rows(static_cast<std::size_t>(picture.Height()));
    for (int y = 0; y < picture.Height(); ++y)
        rows[static_cast<std::size_t>(y)] = picture.ScanLine(y);
    return rows;
}

bool masked(const TBool2DArray* mask, int x, int y)
{
    return mask != nullptr && mask->Column(x)[y] != 0;
}

std::array<std::uint8_t, 256> offsetTable(int offset)
{
    std::array<std::uint8_t, 256> table{};
    for (int i = 0; i < 256; ++i)
        table[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(std::clamp(i + offset, 0, 255));
    return table;
}

// Nearest integer, halves to even, for |v| < 2^51: adding and taking away 1.5 * 2^52 leaves
// the processor's default rounding to do the work, and stays vectorisable.
inline double roundHalfEven(double v)
{
    constexpr double Magic = 6755399441055744.0;
    return (v + Magic) - Magic;
}

inline std::uint8_t toChannel(double sum)
{
    return static_cast<std::uint8_t>(std::clamp(roundHalfEven(sum), 0.0, 255.0));
}

} // namespace

void TEffectsBitmap::step()
{
    if (OnProgressStep)
        OnProgressStep(this);
}

// --- point effects ------------------------------------------------------------------------------

template <typename RowOp, typename PixelOp>
void TEffectsBitmap::pointEffect(const TBool2DArray* mask, RowOp rowOp, PixelOp pixelOp)
{
    SetPixelFormat(TPixelFormat::pf24bit);
    if (mask != nullptr)
        mask->CheckCovers(Width(), Height());
    const std::vector<std::uint8_t*> rows = rowTable(*this);
    const int width = Width();
    ProgressScope progress(*this, Height());
    RunRowBands(
        Height(), 3LL * width,
        [&](int first, int last) {
            for (int y = first; y < last; ++y) {
                std::uint8_t* row = rows[static_cast<std::size_t>(y)];
                if (mask == nullptr) {
                    rowOp(row, width);
                } else {
                    for (int x = 0; x < width; ++x)
                        if (!masked(mask, x, y))
                            pixelOp(row + 3 * x);
                }
            }
        },
        [this] { step(); });
}

template <typename PixelOp>
void TEffectsBitmap::pixelEffect(const TBool2DArray* mask, PixelOp pixelOp)
{
    pointEffect(
        mask,
        [&](std::uint8_t* row, int width) {
            for (int x = 0; x < width; ++x)
                pixelOp(row + 3 * x);
        },
        pixelOp);
}

void TEffectsBitmap::lookupEffect(const std::uint8_t* blue, const std::uint8_t* green, const std::uint8_t* red,
                                  const TBool2DArray* mask)
{
    auto pixel = [=](std::uint8_t* p) {
        p[0] = blue[p[0]];
        p[1] = green[p[1]];
        p[2] = red[p[2]];
    };
    if (blue == green && green == red) {
        // One table for two channels at a time (128 KB, stays in the cache): half the lookups.
        std::vector<std::uint16_t> pairs(65536);
        for (std::size_t v = 0; v < pairs.size(); ++v)
            pairs[v] = static_cast<std::uint16_t>(blue[v & 0xFF] | (blue[v >> 8] << 8));
        const std::uint16_t* pair = pairs.data();
        pointEffect(
            mask,
            [=](std::uint8_t* row, int width) {
                const int bytes = 3 * width;
                int i = 0;
                for (; i + 8 <= bytes; i += 8) {
                    std::uint64_t v;
                    std::memcpy(&v, row + i, 8);
                    const std::uint64_t r = std::uint64_t(pair[v & 0xFFFF]) | std::uint64_t(pair[(v >> 16) & 0xFFFF]) << 16
                                            | std::uint64_t(pair[(v >> 32) & 0xFFFF]) << 32
                                            | std::uint64_t(pair[v >> 48]) << 48;
                    std::memcpy(row + i, &r, 8);
                }
                for (; i < bytes; ++i)
                    row[i] = blue[row[i]];
            },
            pixel);
    } else {
        pixelEffect(mask, pixel);
    }
}

namespace {

// Sixteen 24-bit pixels (48 bytes) as three vectors of one channel each, and back: pixel k's
// channel c is byte k of plane c, and lies at byte 3k + c of the 48.
struct ShuffleTables {
    std::int8_t fromPart[3][3][16]; // [channel][part of the 48 bytes][pixel]
    std::int8_t spread[3][16];      // [part][byte]: the pixel whose channel the byte is
};

constexpr ShuffleTables makeShuffleTables()
{
    ShuffleTables t{};
    for (int c = 0; c < 3; ++c)
        for (int part = 0; part < 3; ++part)
            for (int k = 0; k < 16; ++k) {
                const int at = 3 * k + c;
                t.fromPart[c][part][k] = static_cast<std::int8_t>(at / 16 == part ? at % 16 : -1);
            }
    for (int part = 0; part < 3; ++part)
        for (int i = 0; i < 16; ++i)
            t.spread[part][i] = static_cast<std::int8_t>((16 * part + i) / 3);
    return t;
}

alignas(16) constexpr ShuffleTables Shuffles = makeShuffleTables();

// The shuffle controls in registers, loaded once per row.
struct PlaneShuffles {
    __m128i fromPart[3][3];
    __m128i spread[3];

    __attribute__((target("avx2"))) PlaneShuffles()
    {
        for (int c = 0; c < 3; ++c)
            for (int part = 0; part < 3; ++part)
                fromPart[c][part] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(Shuffles.fromPart[c][part]));
        for (int part = 0; part < 3; ++part)
            spread[part] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(Shuffles.spread[part]));
    }

    __attribute__((target("avx2"))) void load(const std::uint8_t* p, __m128i planes[3]) const
    {
        __m128i parts[3];
        for (int part = 0; part < 3; ++part)
            parts[part] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * part));
        for (int c = 0; c < 3; ++c)
            planes[c] = _mm_or_si128(_mm_or_si128(_mm_shuffle_epi8(parts[0], fromPart[c][0]),
                                                  _mm_shuffle_epi8(parts[1], fromPart[c][1])),
                                     _mm_shuffle_epi8(parts[2], fromPart[c][2]));
    }

    // The 48 bytes whose byte 3k + c is byte k of a per-pixel vector, for every c.
    __attribute__((target("avx2"))) void spreadPixels(__m128i perPixel, __m128i out[3]) const
    {
        for (int part = 0; part < 3; ++part)
            out[part] = _mm_shuffle_epi8(perPixel, spread[part]);
    }
};

// Runs group(p, planes, shuffles) over the row's whole sixteen-pixel groups (p: the group's
// first byte, planes: its channels); returns how many pixels that covers.
template <typename Group>
__attribute__((target("avx2"), always_inline)) inline int eachSixteen(std::uint8_t* row, int width, Group&& group)
{
    const PlaneShuffles shuffles;
    int x = 0;
    for (; x + 16 <= width; x += 16) {
        std::uint8_t* p = row + 3 * x;
        __m128i planes[3];
        shuffles.load(p, planes);
        group(p, planes, shuffles);
    }
    return x;
}

// Grey levels of whole sixteen-pixel groups; returns how many pixels were done.
__attribute__((target("avx2"))) int greyAvx2(std::uint8_t* row, int width)
{
    // floor(s / 3) for every s up to 765 is (s * 21846) >> 16.
    const __m128i third = _mm_set1_epi16(21846);
    const __m128i zero = _mm_setzero_si128();
    // A lambda does not take its function's target: it is given its own.
    const auto group = [&](std::uint8_t* p, const __m128i* planes, const PlaneShuffles& shuffles)
                           __attribute__((target("avx2"))) {
        const __m128i low = _mm_add_epi16(
            _mm_add_epi16(_mm_unpacklo_epi8(planes[0], zero), _mm_unpacklo_epi8(planes[1], zero)),
            _mm_unpacklo_epi8(planes[2], zero));
        const __m128i high = _mm_add_epi16(
            _mm_add_epi16(_mm_unpackhi_epi8(planes[0], zero), _mm_unpackhi_epi8(planes[1], zero)),
            _mm_unpackhi_epi8(planes[2], zero));
        const __m128i grey = _mm_packus_epi16(_mm_mulhi_epu16(low, third), _mm_mulhi_epu16(high, third));
        __m128i out[3];
        shuffles.spreadPixels(grey, out);
        for (int part = 0; part < 3; ++part)
            _mm_storeu_si128(reinterpret_cast<__m128i*>(p + 16 * part), out[part]);
    };
    return eachSixteen(row, width, group);
}

// The pixels of whole sixteen-pixel groups whose every channel lies within tolerance (0 to
// 255) of from's become to; returns how many pixels were done.
__attribute__((target("avx2"))) int replaceAvx2(std::uint8_t* row, int width, const std::uint8_t* from,
                                                const std::uint8_t* to, int tolerance)
{
    const __m128i limit = _mm_set1_epi8(static_cast<char>(tolerance));
    __m128i fromPlane[3];
    for (int c = 0; c < 3; ++c)
        fromPlane[c] = _mm_set1_epi8(static_cast<char>(from[c]));
    // The to colour laid over 48 bytes.
    alignas(16) std::uint8_t toBytes[48];
    for (int i = 0; i < 48; ++i)
        toBytes[i] = to[i % 3];
    __m128i toParts[3];
    for (int part = 0; part < 3; ++part)
        toParts[part] = _mm_load_si128(reinterpret_cast<const __m128i*>(toBytes + 16 * part));
    const auto group = [&](std::uint8_t* p, const __m128i* planes, const PlaneShuffles& shuffles)
                           __attribute__((target("avx2"))) {
        __m128i near = _mm_set1_epi8(-1);
        for (int c = 0; c < 3; ++c) {
            const __m128i distance =
                _mm_or_si128(_mm_subs_epu8(planes[c], fromPlane[c]), _mm_subs_epu8(fromPlane[c], planes[c]));
            near = _mm_and_si128(near, _mm_cmpeq_epi8(_mm_max_epu8(distance, limit), limit));
        }
        if (_mm_testz_si128(near, near))
            return;
        __m128i chosen[3];
        shuffles.spreadPixels(near, chosen);
        for (int part = 0; part < 3; ++part) {
            auto* at = reinterpret_cast<__m128i*>(p + 16 * part);
            _mm_storeu_si128(at, _mm_blendv_epi8(_mm_loadu_si128(at), toParts[part], chosen[part]));
        }
    };
    return eachSixteen(row, width, group);
}

} // namespace

void TEffectsBitmap::GreyScale(const TBool2DArray* mask)
{
    auto pixel = [](std::uint8_t* p) {
        const auto grey = static_cast<std::uint8_t>((p[0] + p[1] + p[2]) / 3);
        p[0] = p[1] = p[2] = grey;
    };
    const bool vector = UseAvx2();
    pointEffect(
        mask,
        [&](std::uint8_t* row, int width) {
            for (int x = vector ? greyAvx2(row, width) : 0; x < width; ++x)
                pixel(row + 3 * x);
        },
        pixel);
}

void TEffectsBitmap::Negative(const TBool2DArray* mask)
{
    pointEffect(
        mask,
        [](std::uint8_t* row, int width) {
            // Eight channels at a time.
            const int bytes = 3 * width;
            int i = 0;
            for (; i + 8 <= bytes; i += 8) {
                std::uint64_t v;
                std::memcpy(&v, row + i, 8);
                v = ~v;
                std::memcpy(row + i, &v, 8);
            }
            for (; i < bytes; ++i)
                row[i] = static_cast<std::uint8_t>(255 - row[i]);
        },
        [](std::uint8_t* p) {
            p[0] = static_cast<std::uint8_t>(255 - p[0]);
            p[1] = static_cast<std::uint8_t>(255 - p[1]);
            p[2] = static_cast<std::uint8_t>(255 - p[2]);
        });
}

namespace {

// Adds a channel's offset to each channel of a row (blue, green, red repeating), limited to 0
// to 255: saturating byte arithmetic, sixteen channels at a time where the processor has it.
void addOffsets(std::uint8_t* row, int width, const std::array<int, 3>& offsets,
                const std::array<std::array<std::uint8_t, 256>, 3>& tables)
{
    const int bytes = 3 * width;
    int i = 0;
#if defined(__SSE2__)
    // The offsets repeat every 48 bytes; each channel's offset is either added or taken away.
    alignas(16) std::uint8_t plus[48];
    alignas(16) std::uint8_t minus[48];
    for (int j = 0; j < 48; ++j) {
        const int offset = offsets[static_cast<std::size_t>(j % 3)];
        plus[j] = static_cast<std::uint8_t>(std::clamp(offset, 0, 255));
        minus[j] = static_cast<std::uint8_t>(std::clamp(-offset, 0, 255));
    }
    __m128i p[3];
    __m128i m[3];
    for (int k = 0; k < 3; ++k) {
        p[k] = _mm_load_si128(reinterpret_cast<const __m128i*>(plus + 16 * k));
        m[k] = _mm_load_si128(reinterpret_cast<const __m128i*>(minus + 16 * k));
    }
    for (; i + 48 <= bytes; i += 48) {
        for (int k = 0; k < 3; ++k) {
            auto* at = reinterpret_cast<__m128i*>(row + i + 16 * k);
            const __m128i v = _mm_loadu_si128(at);
            _mm_storeu_si128(at, _mm_subs_epu8(_mm_adds_epu8(v, p[k]), m[k]));
        }
    }
#endif
    for (; i < bytes; ++i)
        row[i] = tables[static_cast<std::size_t>(i % 3)][row[i]];
}

} // namespace

void TEffectsBitmap::Brighten(int percent, const TBool2DArray* mask)
{
    if (percent == 0)
        return;
    AdjustRGB(percent, percent, percent, mask);
}

void TEffectsBitmap::AdjustRGB(int redPercent, int greenPercent, int bluePercent, const TBool2DArray* mask)
{
    const std::array<int, 3> offsets{BrightnessOffset(bluePercent), BrightnessOffset(greenPercent),
                                     BrightnessOffset(redPercent)};
    const std::array<std::array<std::uint8_t, 256>, 3> tables{offsetTable(offsets[0]), offsetTable(offsets[1]),
                                                               offsetTable(offsets[2])};
    pointEffect(
        mask, [&](std::uint8_t* row, int width) { addOffsets(row, width, offsets, tables); },
        [&](std::uint8_t* px) {
            for (std::size_t c = 0; c < 3; ++c)
                px[c] = tables[c][px[c]];
        });
}

void TEffectsBitmap::GammaCorrect(double factor, const TBool2DArray* mask)
{
    if (factor == 1.0)
        return;
    std::array<std::uint8_t, 256> table{};
    if (factor > 0) {
        for (int i = 1; i < 256; ++i)
            table[static_cast<std::size_t>(i)] =
                static_cast<std::uint8_t>(std::nearbyint(255.0 * std::exp(std::log(i / 255.0) / factor)));
    }
    lookupEffect(table.data(), table.data(), table.data(), mask);
}

void TEffectsBitmap::ReplaceColour(TColor from, TColor to, int tolerance)
{
    std::uint8_t fromPixel[3];
    std::uint8_t toPixel[3];
    StorePixel(fromPixel, from);
    StorePixel(toPixel, to);
    // near[c][v]: channel c of value v lies within tolerance of the from colour's channel c.
    std::array<std::array<std::uint8_t, 256>, 3> near{};
    for (std::size_t c = 0; c < 3; ++c)
        for (int v = 0; v < 256; ++v)
            near[c][static_cast<std::size_t>(v)] = std::abs(v - fromPixel[c]) <= tolerance ? 1 : 0;
    auto pixel = [&](std::uint8_t* p) {
        if (near[0][p[0]] & near[1][p[1]] & near[2][p[2]]) {
            p[0] = toPixel[0];
            p[1] = toPixel[1];
            p[2] = toPixel[2];
        }
    };
    // Below 0 nothing is near; from 255 everything is.
    const bool vector = UseAvx2() && tolerance >= 0;
    const int limit = std::min(tolerance, 255);
    pointEffect(
        nullptr,
        [&](std::uint8_t* row, int width) {
            for (int x = vector ? replaceAvx2(row, width, fromPixel, toPixel, limit) : 0; x < width; ++x)
                pixel(row + 3 * x);
        },
        pixel);
}

void ReplaceColour(TXBitmap& picture, TColor from, TColor to, int tolerance)
{
    TEffectsBitmap quiet(std::move(picture));
    try {
        quiet.ReplaceColour(from, to, tolerance);
    } catch (...) {
        picture = std::move(quiet);
        throw;
    }
    picture = std::move(quiet);
}

// --- blur ---------------------------------------------------------------------------------------

TBlurKernel MakeBlurKernel(double radius)
{
    constexpr int Reach = 40;
    std::array<float, 2 * Reach + 1> w{};
    for (int j = -Reach; j <= Reach; ++j) {
        const double q = j / radius;
        w[static_cast<std::size_t>(j + Reach)] = static_cast<float>(std::exp(-(q * q) / 2));
    }
    double sum = 0;
    for (const float v : w)
        sum += v;
    for (float& v : w)
        v = static_cast<float>(v / sum);

    int size = Reach;
    double tail = 0;
    while (tail < 1.0 / 510 && size > 1) {
        tail += 2.0 * w[static_cast<std::size_t>(Reach + size)];
        --size;
    }
    sum = 0;
    for (int n = -size; n <= size; ++n)
        sum += w[static_cast<std::size_t>(Reach + n)];

    TBlurKernel kernel;
    kernel.Size = size;
    for (int n = -size; n <= size; ++n)
        kernel.Weights.push_back(static_cast<float>(w[static_cast<std::size_t>(Reach + n)] / sum));

    // A float weight of at least 2^-20 is a multiple of 2^-43, and so is every larger weight and
    // every product with a whole number. Sums of products of channels (at most 255) stay below
    // 2^8 while the weights add up to less than 256 / 255, so they need at most 51 of a double's
    // 53 bits: every partial sum is exact.
    const double smallest = *std::min_element(kernel.Weights.begin(), kernel.Weights.end());
    double total = 0;
    for (const double weight : kernel.Weights)
        total += weight;
    kernel.ExactInAnyOrder = smallest >= 0x1p-20 && 255 * total < 256;
    return kernel;
}

void TEffectsBitmap::Blur(double radius, const TBool2DArray* mask)
{
    if (radius <= 0)
        return;
    SetPixelFormat(TPixelFormat::pf24bit);
    if (mask != nullptr)
        mask->CheckCovers(Width(), Height());
    const TBlurKernel kernel = MakeBlurKernel(radius);
    ProgressScope progress(*this, Width() + Height());
    if (mask != nullptr)
        blurMasked(kernel, *mask);
    else
        blurUnmasked(kernel);
}

// The blur exactly as the masked rule reads, one pixel at a time.
void TEffectsBitmap::blurMasked(const TBlurKernel& kernel, const TBool2DArray& mask)
{
    const int width = Width();
    const int height = Height();
    const int size = kernel.Size;
    const double* w = kernel.Weights.data() + size; // w[n], -size <= n <= size

    // One pass over a line of count pixels: at(i) is pixel i of the line, isMasked(i) its mask.
    std::vector<std::uint8_t> line;
    std::vector<std::uint8_t> out;
    auto pass = [&](int count, auto&& at, auto&& isMasked) {
        line.resize(3 * static_cast<std::size_t>(count));
        out.resize(line.size());
        for (int i = 0; i < count; ++i)
            std::memcpy(&line[3 * static_cast<std::size_t>(i)], at(i), 3);
        for (int i = 0; i < count; ++i) {
            const std::uint8_t* own = &line[3 * static_cast<std::size_t>(i)];
            std::uint8_t* result = &out[3 * static_cast<std::size_t>(i)];
            if (isMasked(i)) {
                std::memcpy(result, own, 3);
                continue;
            }
            double sums[3] = {0, 0, 0};
            for (int n = -size; n <= size; ++n) {
                const int s = std::clamp(i - n, 0, count - 1);
                const std::uint8_t* sample = isMasked(s) ? own : &line[3 * static_cast<std::size_t>(s)];
                for (int c = 0; c < 3; ++c)
                    sums[c] += w[n] * static_cast<double>(sample[c]);
            }
            for (int c = 0; c < 3; ++c)
                result[c] = toChannel(sums[c]);
        }
        for (int i = 0; i < count; ++i)
            std::memcpy(at(i), &out[3 * static_cast<std::size_t>(i)], 3);
    };

    const std::vector<std::uint8_t*> rows = rowTable(*this);
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = rows[static_cast<std::size_t>(y)];
        pass(
            width, [&](int x) { return row + 3 * x; }, [&](int x) { return mask.Column(x)[y] != 0; });
        step();
    }
    for (int x = 0; x < width; ++x) {
        const auto* column = mask.Column(x);
        pass(
            height, [&](int y) { return rows[static_cast<std::size_t>(y)] + 3 * x; },
            [&](int y) { return column[y] != 0; });
        step();
    }
}

// --- the unmasked blur, a vector of pixels' channels at a time -------------------------------------
//
// Each vector lane sums its own taps in the rule's order (tap -size first), and products of a
// float weight and a channel are exact in double precision, so every lane's result is bit for
// bit the rule's. Where the kernel's sums are exact in any order, taps n and -n share one
// multiplication instead, with the same results. The kernels are compiled for AVX2 as well as
// the baseline; the processor picks (UseAvx2). Multiplications and additions are never fused
// (-ffp-contract=off for this file).

namespace {

using v4d = double __attribute__((vector_size(32)));
using v4i = std::int32_t __attribute__((vector_size(16)));
using v4b = std::uint8_t __attribute__((vector_size(4)));

// Inlined into each version, and taken by reference: a 32-byte vector passed by value would
// change the calling convention between the AVX2 and the baseline code.
[[gnu::always_inline]] inline void storeChannels(std::uint8_t* out, const v4d& sums)
{
    constexpr double Magic = 6755399441055744.0;
    const v4d zero = {0, 0, 0, 0};
    const v4d top = {255, 255, 255, 255};
    v4d r = (sums + Magic) - Magic;
    r = r < zero ? zero : r;
    r = r > top ? top : r;
    const v4i q = __builtin_convertvector(r, v4i);
    const v4b bytes = __builtin_convertvector(q, v4b);
    std::memcpy(out, &bytes, 4);
}

// Lanes summed side by side in one block: enough independent sums to keep the adder busy
// while each waits for its previous addition.
constexpr int BlockVectors = 8;
constexpr std::size_t BlockElements = 4 * BlockVectors;

// Adds w * (a + b) to acc: taps a and b share one multiplication.
[[gnu::always_inline]] inline void addPair(v4d& acc, double w, const double* a, const double* b)
{
    v4d va;
    v4d vb;
    std::memcpy(&va, a, sizeof va);
    std::memcpy(&vb, b, sizeof vb);
    acc += w * (va + vb);
}

// Adds w * a to acc.
[[gnu::always_inline]] inline void addTap(v4d& acc, double w, const double* a)
{
    v4d va;
    std::memcpy(&va, a, sizeof va);
    acc += w * va;
}

// Stores the rounded, clamped sums of one vector and of a block of BlockVectors vectors.
struct PortableStore {
    [[gnu::always_inline]] static void One(std::uint8_t* out, const v4d& sums) { storeChannels(out, sums); }
    [[gnu::always_inline]] static void Block(std::uint8_t* out, const v4d* sums)
    {
#pragma GCC unroll 8
        for (int k = 0; k < BlockVectors; ++k)
            storeChannels(out + 4 * k, sums[k]);
    }
};

// The same with AVX2: converting with the processor's rounding (to nearest, ties to even, as
// storeChannels' additions round) and narrowing to bytes with saturating packs, which clamp to
// [0, 255], gives storeChannels' bytes for any sum within the range of int32, and the sums of
// positive weights adding up to about 1 lie in [0, 256). Far fewer instructions.
struct Avx2Store {
    __attribute__((target("avx2"))) static __m128i rounded(const v4d& sums)
    {
        __m256d r;
        std::memcpy(&r, &sums, sizeof r);
        return _mm256_cvtpd_epi32(r);
    }
    __attribute__((target("avx2"))) static void One(std::uint8_t* out, const v4d& sums)
    {
        const __m128i words = _mm_packus_epi32(rounded(sums), _mm_setzero_si128());
        const int bytes = _mm_cvtsi128_si32(_mm_packus_epi16(words, words));
        std::memcpy(out, &bytes, 4);
    }
    __attribute__((target("avx2"))) static void Block(std::uint8_t* out, const v4d* sums)
    {
        static_assert(BlockVectors == 8);
        __m128i q[BlockVectors];
#pragma GCC unroll 8
        for (int k = 0; k < BlockVectors; ++k)
            q[k] = rounded(sums[k]);
        const __m128i low = _mm_packus_epi16(_mm_packus_epi32(q[0], q[1]), _mm_packus_epi32(q[2], q[3]));
        const __m128i high = _mm_packus_epi16(_mm_packus_epi32(q[4], q[5]), _mm_packus_epi32(q[6], q[7]));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out), low);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 16), high);
    }
};

// The sums of lanes [i, i + 4 * vectors) into acc[0, vectors).
template <int Vectors>
[[gnu::always_inline]] inline void sumTaps(v4d* acc, const double* const* taps, std::size_t i, const double* w, int size,
                                           bool paired)
{
    if (paired) {
        const double* centre = taps[0] + i;
#pragma GCC unroll 8
        for (int k = 0; k < Vectors; ++k) {
            acc[k] = v4d{0, 0, 0, 0};
            addTap(acc[k], w[0], centre + 4 * k);
        }
        for (int n = 1; n <= size; ++n) {
            const double* a = taps[n] + i;
            const double* b = taps[-n] + i;
#pragma GCC unroll 8
            for (int k = 0; k < Vectors; ++k)
                addPair(acc[k], w[n], a + 4 * k, b + 4 * k);
        }
    } else {
#pragma GCC unroll 8
        for (int k = 0; k < Vectors; ++k)
            acc[k] = v4d{0, 0, 0, 0};
        for (int n = -size; n <= size; ++n) {
            const double* s = taps[n] + i;
#pragma GCC unroll 8
            for (int k = 0; k < Vectors; ++k)
                addTap(acc[k], w[n], s + 4 * k);
        }
    }
}

// out[i] = sum over n of w[n] * taps[n][i], for i in [0, count): taps[n] is where tap n reads,
// a widened row already clamped to the picture (or, along a row, shifted by the tap). In the
// rule's order (tap -size first), or, where the kernel's sums are exact in any order, with
// taps n and -n added before their one multiplication. Blocks of vectors first, then single
// vectors, then single channels; every lane sums the same way.
template <typename Store>
inline void blurTapsWith(const double* const* taps, std::uint8_t* __restrict out, std::size_t count, const double* w,
                         int size, bool paired)
{
    std::size_t i = 0;
    for (; i + BlockElements <= count; i += BlockElements) {
        v4d acc[BlockVectors];
        sumTaps<BlockVectors>(acc, taps, i, w, size, paired);
        Store::Block(out + i, acc);
    }
    for (; i + 4 <= count; i += 4) {
        v4d acc[1];
        sumTaps<1>(acc, taps, i, w, size, paired);
        Store::One(out + i, acc[0]);
    }
    for (; i < count; ++i) {
        double sum = 0;
        for (int n = -size; n <= size; ++n)
            sum += w[n] * taps[n][i];
        out[i] = toChannel(sum);
    }
}

void blurTapsPortable(const double* const* taps, std::uint8_t* __restrict out, std::size_t count, const double* w,
                      int size, bool paired)
{
    blurTapsWith<PortableStore>(taps, out, count, w, size, paired);
}

// Everything inlined, so the vector code and the stores are compiled for AVX2 together.
__attribute__((target("avx2"), flatten)) void blurTapsAvx2(const double* const* taps, std::uint8_t* __restrict out,
                                                          std::size_t count, const double* w, int size, bool paired)
{
    blurTapsWith<Avx2Store>(taps, out, count, w, size, paired);
}

// dst[i] = src[i] for i in [0, count): channels widened for blurTaps.
void widenChannels(double* __restrict dst, const std::uint8_t* __restrict src, std::size_t count)
{
    for (std::size_t i = 0; i < count; ++i)
        dst[i] = src[i];
}

// The same, eight channels at a time (the compiler keeps the plain loop scalar).
__attribute__((target("avx2"))) void widenChannelsAvx2(double* __restrict dst, const std::uint8_t* __restrict src,
                                                       std::size_t count)
{
    std::size_t i = 0;
    for (; i + 8 <= count; i += 8) {
        const __m256i ints = _mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(src + i)));
        _mm256_storeu_pd(dst + i, _mm256_cvtepi32_pd(_mm256_castsi256_si128(ints)));
        _mm256_storeu_pd(dst + i + 4, _mm256_cvtepi32_pd(_mm256_extracti128_si256(ints, 1)));
    }
    widenChannels(dst + i, src + i, count - i);
}

} // namespace

void TEffectsBitmap::blurUnmasked(const TBlurKernel& kernel)
{
    const int width = Width();
    const int height = Height();
    const int size = kernel.Size;
    const double* w = kernel.Weights.data() + size;
    const bool paired = kernel.ExactInAnyOrder;
    const auto widen = UseAvx2() ? widenChannelsAvx2 : widenChannels;
    const auto blurTaps = UseAvx2() ? blurTapsAvx2 : blurTapsPortable;
    const std::size_t rowBytes = 3 * static_cast<std::size_t>(width);
    if (width == 0 || height == 0) {
        for (int i = 0; i < width + height; ++i)
            step();
        return;
    }

    // Both passes work in place, reading widened copies of the rows they overwrite: no second
    // picture to allocate and first touch.
    const std::vector<std::uint8_t*> rows = rowTable(*this);

    // First pass: each row widened to doubles with size border pixels repeated on each side,
    // then overwritten by its sums.
    RunRowBands(
        height, static_cast<std::int64_t>(rowBytes),
        [&](int first, int last) {
            const std::size_t border = 3 * static_cast<std::size_t>(size);
            // Kept per thread: work runs once per block of rows.
            thread_local std::vector<double> wide;
            thread_local std::vector<const double*> shifted;
            wide.resize(rowBytes + 2 * border);
            shifted.resize(2 * static_cast<std::size_t>(size) + 1);
            for (int n = -size; n <= size; ++n) // tap n reads the pixel n places to the left
                shifted[static_cast<std::size_t>(n + size)] = wide.data() + border - 3 * static_cast<std::ptrdiff_t>(n);
            for (int y = first; y < last; ++y) {
                const std::uint8_t* src = rows[static_cast<std::size_t>(y)];
                for (std::size_t i = 0; i < border; ++i) {
                    wide[i] = src[i % 3];
                    wide[border + rowBytes + i] = src[rowBytes - 3 + i % 3];
                }
                widen(wide.data() + border, src, rowBytes);
                blurTaps(shifted.data() + size, rows[static_cast<std::size_t>(y)], rowBytes, w, size, paired);
            }
        },
        [this] { step(); });

    // Second pass down the columns, in strips of columns narrow enough that the widened rows
    // a strip's sums need stay in the cache: each source row of a strip is widened once, into a
    // ring of 2 * size + 1 rows, before the sums of its own row overwrite it. Strips are
    // columns, so the pass's steps are spread over them.
    constexpr std::size_t StripBytes = 192; // 64 pixels
    constexpr int PrefetchRows = 8;
    const int strips = static_cast<int>((rowBytes + StripBytes - 1) / StripBytes);
    const int ringRows = 2 * size + 1;
    RunRowBands(
        strips, static_cast<std::int64_t>(StripBytes) * height,
        [&](int firstStrip, int lastStrip) {
            thread_local std::vector<double> ring;
            thread_local std::vector<const double*> taps;
            ring.resize(static_cast<std::size_t>(ringRows) * StripBytes);
            taps.resize(static_cast<std::size_t>(ringRows));
            for (int strip = firstStrip; strip < lastStrip; ++strip) {
                const std::size_t left = static_cast<std::size_t>(strip) * StripBytes;
                const std::size_t count = std::min(StripBytes, rowBytes - left);
                // Row r lives in slot r mod ringRows; any ringRows consecutive rows differ there.
                auto slot = [&](int sourceRow) { return ring.data() + static_cast<std::size_t>(sourceRow % ringRows) * StripBytes; };
                int widened = -1; // source rows 0 to widened are in the ring (the newest ringRows of them)
                for (int y = 0; y < height; ++y) {
                    for (const int last = std::min(height - 1, y + size); widened < last;) {
                        ++widened;
                        widen(slot(widened), rows[static_cast<std::size_t>(widened)] + left, count);
                        // Rows a strip apart lie too far apart for the processor to foresee.
                        if (widened + PrefetchRows < height)
                            for (std::size_t b = 0; b < count; b += 64)
                                __builtin_prefetch(rows[static_cast<std::size_t>(widened + PrefetchRows)] + left + b);
                    }
                    // Tap n reads row clamp(y - n); rows y - size to y + size take consecutive
                    // slots from the one of row y - size, wrapping once at most.
                    const int firstRow = y - size;
                    int firstSlot = firstRow % ringRows;
                    if (firstSlot < 0)
                        firstSlot += ringRows;
                    for (int n = -size; n <= size; ++n) {
                        const int row = std::clamp(y - n, 0, height - 1);
                        int index = firstSlot + (row - firstRow);
                        if (index >= ringRows)
                            index -= ringRows;
                        taps[static_cast<std::size_t>(n + size)] = ring.data() + static_cast<std::size_t>(index) * StripBytes;
                    }
                    blurTaps(taps.data() + size, rows[static_cast<std::size_t>(y)] + left, count, w, size, paired);
                }
            }
        },
        [this] { step(); }, width);
}

// --- flood fill ---------------------------------------------------------------------------------

void TEffectsBitmap::FloodFill(int x, int y, int tolerance, TColor fill)
{
    try {
        SetPixelFormat(TPixelFormat::pf24bit);
        Q_ASSERT(x >= 0 && x < Width() && y >= 0 && y < Height());
        if (tolerance == 0 && SameColour(PixelColour(x, y), fill))
            return;
        std::uint8_t paint[3];
        StorePixel(paint, fill);
        TByte2DArray marks;
        GrowRegion(*this, x, y, tolerance, marks, [&](int row, int left, int right) {
            std::uint8_t* p = ScanLine(row) + 3 * left;
            for (int px = left; px <= right; ++px, p += 3)
                std::memcpy(p, paint, 3);
        });
    } catch (const std::bad_alloc&) {
        throw EXBitmapError(QStringLiteral("FloodFill Error. ") + EOutOfMemory().message());
    } catch (const VellumException& e) {
        throw EXBitmapError(QStringLiteral("FloodFill Error. ") + e.message());
    }
}

} // namespace vellum
