// The pen stamping of TEffectsBitmap: a w x w stamp, shaped by PenMask, repeated along a
// segment, with one rule per tool for what a stamp does to each pixel under it.
#include "raster/EffectsBitmap.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "raster/Canvas.h"
#include "raster/ColourMatch.h"
#include "raster/Random.h"

namespace vellum {

void TEffectsBitmap::SetPenShape(TXBitmap* shape)
{
    if (shape == nullptr) {
        PenMask.reset();
        return;
    }
    if (!PenMask)
        PenMask.emplace();
    PenMask->LoadFromShape(*shape);
}

void TEffectsBitmap::SetPenColour(TColor colour)
{
    Canvas().Pen.Color = colour;
    PenColour = PixelTriple(colour);
}

void TEffectsBitmap::SetSecondColour(TColor colour)
{
    SecondColour = PixelTriple(colour);
}

void TEffectsBitmap::ClearToColour(TColor colour)
{
    SetPixelFormat(TPixelFormat::pf24bit);
    std::uint8_t pixel[3];
    StorePixel(pixel, colour);
    for (int y = 0; y < Height(); ++y) {
        std::uint8_t* row = ScanLine(y);
        for (int x = 0; x < Width(); ++x)
            std::memcpy(row + 3 * x, pixel, 3);
    }
}

// Stamps centred on points of the segment, step pixels apart along its major axis; the ends
// are ordered so that the walk runs towards larger coordinates. Each stamp visits its pixels
// inside the picture row by row, skipping those the pen mask excludes, and calls
// rule(pixel, x, y) on each. Stamps that cannot touch the picture are skipped without a visit,
// so far-away coordinates cost nothing.
template <typename Rule>
void TEffectsBitmap::stampSegment(int x0, int y0, int x1, int y1, Rule&& rule)
{
    SetPixelFormat(TPixelFormat::pf24bit);
    const int w = std::max(1, Canvas().Pen.Width);
    const std::int64_t width = Width();
    const std::int64_t height = Height();
    if (width == 0 || height == 0)
        return;
    const int half = w / 2;
    const std::int64_t step = (w + 5) / 10 + 1; // truncate(w / 10 + 0.5) + 1

    // The mask row by row, as the stamps visit it; unused when smaller than the stamp.
    const bool useMask = PenMask && PenMask->Width() >= w && PenMask->Height() >= w;
    std::vector<std::uint8_t> skip;
    if (useMask) {
        skip.resize(static_cast<std::size_t>(w) * w);
        for (int x = 0; x < w; ++x) {
            const auto* column = PenMask->Column(x);
            for (int y = 0; y < w; ++y)
                skip[static_cast<std::size_t>(y) * w + x] = column[y];
        }
    }

    auto stamp = [&](std::int64_t cx, std::int64_t cy) {
        const std::int64_t left = cx - half;
        const std::int64_t top = cy - half;
        const std::int64_t firstX = std::max<std::int64_t>(left, 0);
        const std::int64_t endX = std::min<std::int64_t>(left + w, width);
        const std::int64_t firstY = std::max<std::int64_t>(top, 0);
        const std::int64_t endY = std::min<std::int64_t>(top + w, height);
        for (std::int64_t y = firstY; y < endY; ++y) {
            std::uint8_t* row = ScanLine(static_cast<int>(y));
            const std::uint8_t* skipRow = useMask ? skip.data() + (y - top) * w : nullptr;
            for (std::int64_t x = firstX; x < endX; ++x) {
                if (skipRow != nullptr && skipRow[x - left] != 0)
                    continue;
                rule(row + 3 * x, static_cast<int>(x), static_cast<int>(y));
            }
        }
    };
    // The first multiple of step from `from` that is at least `low`.
    auto firstOnGrid = [step](std::int64_t from, std::int64_t low) {
        return from >= low ? from : from + (low - from + step - 1) / step * step;
    };
    // Stamp centres from lowCentre to length - 1 + half along an axis of that length have
    // squares that meet the picture.
    const std::int64_t lowCentre = static_cast<std::int64_t>(half) - w + 1;

    std::int64_t ax = x0, ay = y0, bx = x1, by = y1;
    if (std::abs(bx - ax) > std::abs(by - ay)) {
        if (ax > bx) {
            std::swap(ax, bx);
            std::swap(ay, by);
        }
        const double slope = static_cast<double>(by - ay) / static_cast<double>(bx - ax);
        const std::int64_t last = std::min(bx, width - 1 + half);
        for (std::int64_t x = firstOnGrid(ax, lowCentre); x <= last; x += step)
            stamp(x, ay + static_cast<std::int64_t>(std::nearbyint(static_cast<double>(x - ax) * slope)));
    } else {
        if (ay > by) {
            std::swap(ax, bx);
            std::swap(ay, by);
        }
        const double slope = ax == bx ? 0.0 : static_cast<double>(by - ay) / static_cast<double>(bx - ax);
        const std::int64_t last = std::min(by, height - 1 + half);
        for (std::int64_t y = firstOnGrid(ay, lowCentre); y <= last; y += step) {
            const std::int64_t x = slope == 0.0 ? ax : ax + static_cast<std::int64_t>(std::nearbyint(static_cast<double>(y - ay) / slope));
            stamp(x, y);
        }
    }
}

void TEffectsBitmap::PenStroke(int x0, int y0, int x1, int y1)
{
    const std::uint8_t paint[3] = {PenColour.Blue, PenColour.Green, PenColour.Red};
    stampSegment(x0, y0, x1, y1, [&](std::uint8_t* p, int, int) { std::memcpy(p, paint, 3); });
}

void TEffectsBitmap::ReplaceStroke(int x0, int y0, int x1, int y1, int tolerance)
{
    const std::uint8_t from[3] = {PenColour.Blue, PenColour.Green, PenColour.Red};
    const std::uint8_t to[3] = {SecondColour.Blue, SecondColour.Green, SecondColour.Red};
    stampSegment(x0, y0, x1, y1, [&](std::uint8_t* p, int, int) {
        if (WithinTolerance(tolerance, p, from))
            std::memcpy(p, to, 3);
    });
}

void TEffectsBitmap::SmudgeStroke(int x0, int y0, int x1, int y1, int opacity)
{
    // Opacity below 0 would push channels away from the average and out of 0 to 255.
    const double f = std::clamp(opacity, 0, 100) / 100.0;
    const int width = Width();
    const int height = Height();
    stampSegment(x0, y0, x1, y1, [&](std::uint8_t* p, int x, int y) {
        const std::uint8_t* rows[3];
        int columns[3];
        for (int d = -1; d <= 1; ++d) {
            rows[d + 1] = ScanLine(std::clamp(y + d, 0, height - 1));
            columns[d + 1] = 3 * std::clamp(x + d, 0, width - 1);
        }
        for (int c = 0; c < 3; ++c) {
            int sum = 0;
            for (const std::uint8_t* row : rows)
                for (const int column : columns)
                    sum += row[column + c];
            const int value = p[c];
            p[c] = static_cast<std::uint8_t>(value - static_cast<int>((value - sum / 9) * f));
        }
    });
}

void TEffectsBitmap::SprayStroke(int x0, int y0, int x1, int y1, int opacity, int diffusion)
{
    const auto chanceRange = static_cast<int>(std::clamp<std::int64_t>(100LL - opacity, 0, 1LL << 30));
    stampSegment(x0, y0, x1, y1, [&](std::uint8_t* p, int, int) {
        if (RandomBelow(chanceRange) != 0)
            return;
        // Three draws, in the order red, blue, green.
        const int red = std::max(0, PenColour.Red - RandomBelow(diffusion));
        const int blue = std::max(0, PenColour.Blue - RandomBelow(diffusion));
        const int green = std::max(0, PenColour.Green - RandomBelow(diffusion));
        p[0] = static_cast<std::uint8_t>(blue);
        p[1] = static_cast<std::uint8_t>(green);
        p[2] = static_cast<std::uint8_t>(red);
    });
}

} // namespace vellum
