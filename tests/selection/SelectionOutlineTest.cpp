#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "raster/ArrayObjects.h"
#include "raster/XBitmap.h"
#include "selection/SelectionOutline.h"

using namespace vellum;

namespace {

// A mask from rows: '#' opaque (false), '.' transparent (true).
TBool2DArray maskOf(const std::vector<std::string>& rows)
{
    TBool2DArray mask(static_cast<int>(rows[0].size()), static_cast<int>(rows.size()));
    for (int y = 0; y < mask.Height(); ++y)
        for (int x = 0; x < mask.Width(); ++x)
            mask.SetItem(x, y, rows[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)] == '.');
    return mask;
}

std::vector<std::vector<QPoint>> polylines(const TPicSelectionPoints& set)
{
    std::vector<std::vector<QPoint>> result;
    for (int i = 0; i < set.Count(); ++i)
        result.push_back(set.Array(i).Points());
    return result;
}

// The image as rows: 'W' white, 'K' black, '.' untouched grey. Drawn on a picture and on
// opaque 32-bit rows, which must agree.
std::vector<std::string> drawn(const TPicSelectionPoints& set, int width, int height, int phase)
{
    TXBitmap image(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            StorePixel(image.ScanLine(y) + 3 * x, RGBColor(128, 128, 128));
    DrawOutline(image, set, phase);
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width) * height, 0xFF808080u);
    DrawOutline(TPixelRows{reinterpret_cast<std::uint8_t*>(pixels.data()), 4 * static_cast<std::ptrdiff_t>(width), width,
                           height, true},
                set, phase);
    std::vector<std::string> rows;
    for (int y = 0; y < height; ++y) {
        std::string row;
        for (int x = 0; x < width; ++x) {
            const TColor c = image.PixelColour(x, y);
            const char mark = c == clWhite ? 'W' : c == clBlack ? 'K' : '.';
            const std::uint32_t other = pixels[static_cast<std::size_t>(y) * width + x];
            EXPECT_EQ(other, mark == 'W' ? 0xFFFFFFFFu : mark == 'K' ? 0xFF000000u : 0xFF808080u)
                << "32-bit rows at " << x << ", " << y;
            row += mark;
        }
        rows.push_back(row);
    }
    return rows;
}

const std::vector<std::string> LShape{"#.", "#.", "##"};
const std::vector<std::string> Ring{"###", "#.#", "###"};

} // namespace

TEST(SelectionOutline, ShapesTraceAsPixelChainsAtZoomOne)
{
    struct Case {
        std::vector<std::string> shape;
        std::vector<std::vector<QPoint>> expected;
    };
    const Case cases[] = {
        {LShape, {{{0, 0}, {0, 1}, {1, 2}, {0, 2}}}},
        {Ring, {{{0, 0}, {1, 0}, {2, 0}, {2, 1}, {2, 2}, {1, 2}, {0, 2}, {0, 1}}}},
    };
    for (const Case& c : cases) {
        const TBool2DArray mask = maskOf(c.shape);
        TPicSelectionPoints outline;
        TraceOutline(&mask, mask.Width(), mask.Height(), 1, outline);
        EXPECT_EQ(polylines(outline), c.expected) << c.shape[1];
    }
}

TEST(SelectionOutline, ShapesTraceAsClockwiseContoursOnTheZoomedGrid)
{
    struct Case {
        std::vector<std::string> shape;
        std::vector<std::vector<QPoint>> expected;
    };
    const Case cases[] = {
        {LShape, {{{0, 2}, {0, 0}, {2, 0}, {2, 6}, {5, 6}, {5, 8}, {0, 8}, {0, 3}}}},
        // The outer contour, then the hole's, which runs the other way round.
        {Ring, {{{0, 2}, {0, 0}, {8, 0}, {8, 8}, {0, 8}, {0, 3}}, {{5, 2}, {2, 2}, {2, 6}, {6, 6}, {6, 3}}}},
    };
    for (const Case& c : cases) {
        const TBool2DArray mask = maskOf(c.shape);
        TPicSelectionPoints outline;
        TraceOutline(&mask, mask.Width(), mask.Height(), 3, outline);
        EXPECT_EQ(polylines(outline), c.expected) << c.shape[1];
    }
}

TEST(SelectionOutline, RingDrawnAtZoomOneCountsPixelsAlongTheChain)
{
    const TBool2DArray mask = maskOf(Ring);
    TPicSelectionPoints outline;
    TraceOutline(&mask, 3, 3, 1, outline);
    EXPECT_EQ(drawn(outline, 3, 3, 0), std::vector<std::string>({"WWW", "W.K", "WKK"}));
    EXPECT_EQ(drawn(outline, 3, 3, 3), std::vector<std::string>({"KKK", "K.W", "KWW"}));
}

TEST(SelectionOutline, DashStartsWhiteAtPhaseZeroAndBlackAtPhaseThree)
{
    TPicSelectionPoints outline;
    outline.AddArray().SetRect(0, 0, 6, 3);
    EXPECT_EQ(drawn(outline, 6, 3, 0), std::vector<std::string>({"WWWKKK", "W....W", "WKKKWW"}));
    EXPECT_EQ(drawn(outline, 6, 3, 3), std::vector<std::string>({"KKKWWW", "K....K", "KWWWKK"}));
}

TEST(SelectionOutline, PixelsOutsideTheImageAreSkippedButCounted)
{
    TPicSelectionPoints outline;
    outline.AddArray().SetRect(0, 0, 6, 3);
    outline.MoveOrigin({-2, 0});
    EXPECT_EQ(drawn(outline, 4, 3, 0), std::vector<std::string>({"WKKK", "...W", "KKWW"}));
}

TEST(SelectionOutline, SegmentsFollowTheDashRuleWhereverTheImageClipsThem)
{
    // Segments along both axes in both directions across every edge, slanting ones, a repeated
    // point, a lone point and a polyline wholly outside, against the rule: the k-th pixel of a
    // polyline (the minor axis rounded half to even) is white when (k - phase) mod 6 < 3.
    const std::vector<std::vector<QPoint>> lines = {
        {{-3, 1}, {9, 1}, {5, 1}, {5, 7}, {5, -3}, {10, 3}, {-5, 3}, {1, -4}, {1, 9}},
        {{2, 2}},
        {{0, 0}, {0, 0}, {6, 4}, {6, 0}},
        {{-5, -5}, {-1, -5}},
    };
    TPicSelectionPoints outline;
    for (const auto& line : lines) {
        TPicPointArray& array = outline.AddArray();
        for (const QPoint& p : line)
            array.Add(p);
    }
    const int width = 7, height = 5;
    for (int phase = 0; phase < 6; ++phase) {
        std::vector<std::string> expected(height, std::string(width, '.'));
        for (const auto& line : lines) {
            int k = 0;
            auto plot = [&](const QPoint& p) {
                if (p.x() >= 0 && p.y() >= 0 && p.x() < width && p.y() < height)
                    expected[p.y()][p.x()] = ((k - phase) % 6 + 6) % 6 < 3 ? 'W' : 'K';
            };
            for (std::size_t s = 0; s + 1 < line.size(); ++s) {
                const QPoint d = line[s + 1] - line[s];
                const int n = std::max(std::abs(d.x()), std::abs(d.y()));
                for (int step = 0; step < n; ++step, ++k) {
                    auto minor = [&](int extent) { return static_cast<int>(std::lrint(static_cast<double>(step) * extent / n)); };
                    plot(line[s] + (std::abs(d.x()) >= std::abs(d.y()) ? QPoint(d.x() > 0 ? step : -step, minor(d.y()))
                                                                         : QPoint(minor(d.x()), d.y() > 0 ? step : -step)));
                }
            }
            plot(line.back());
        }
        EXPECT_EQ(drawn(outline, width, height, phase), expected) << "phase " << phase;
    }
}
