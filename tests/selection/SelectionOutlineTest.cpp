#include <gtest/gtest.h>

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

// The image as rows: 'W' white, 'K' black, '.' untouched grey.
std::vector<std::string> drawn(const TPicSelectionPoints& set, int width, int height, int phase)
{
    TXBitmap image(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            StorePixel(image.ScanLine(y) + 3 * x, RGBColor(128, 128, 128));
    DrawOutline(image, set, phase);
    std::vector<std::string> rows;
    for (int y = 0; y < height; ++y) {
        std::string row;
        for (int x = 0; x < width; ++x) {
            const TColor c = image.PixelColour(x, y);
            row += c == clWhite ? 'W' : c == clBlack ? 'K' : '.';
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
