#include <climits>
#include <set>

#include <gtest/gtest.h>

#include "PictureTestSupport.h"
#include "raster/ArrayObjects.h"
#include "raster/Canvas.h"
#include "raster/EffectsBitmap.h"
#include "raster/MaskedDrawing.h"
#include "raster/PenMask.h"
#include "raster/Random.h"

namespace vellum {
namespace {

using test::GradientPicture;
using test::SamePixels;

const TColor Ink = RGBColor(200, 10, 30);

TEffectsBitmap canvasOf(int width, int height, TColor colour = clWhite)
{
    TEffectsBitmap picture(width, height);
    picture.ClearToColour(colour);
    return picture;
}

// Gives the picture a pen of the width whose mask lets only the stamp's top-left pixel
// through, so each stamp paints exactly the pixel (x - half, y - half).
void pointPen(TEffectsBitmap& picture, int width)
{
    TXBitmap shape(width, width);
    shape.Canvas().Brush.Color = clWhite;
    shape.Canvas().FillRect(QRect(0, 0, width, width));
    shape.Canvas().SetPixel(0, 0, clBlack);
    picture.Canvas().Pen.Width = width;
    picture.SetPenShape(&shape);
    picture.SetPenColour(Ink);
}

std::set<std::pair<int, int>> inked(const TXBitmap& picture)
{
    std::set<std::pair<int, int>> points;
    for (int y = 0; y < picture.Height(); ++y)
        for (int x = 0; x < picture.Width(); ++x)
            if (picture.PixelColour(x, y) == Ink)
                points.insert({x, y});
    return points;
}

TEST(PenShape, WidthOneIsOneBlackPixelWhateverTheShape)
{
    for (int kind = PenShapeRound; kind <= PenShapeRightSlash; ++kind) {
        TXBitmap shape(5, 5);
        BuildPenShape(shape, kind, 1);
        ASSERT_EQ(shape.Width(), 1);
        EXPECT_EQ(shape.PixelColour(0, 0), clBlack) << kind;
    }
}

TEST(PenShape, ShapesHaveTheirOrientation)
{
    const int w = 12;
    struct Case {
        int kind;
        std::vector<std::pair<int, int>> black, white;
    };
    const std::vector<Case> cases{
        {PenShapeRound, {{6, 6}, {0, 6}, {6, 0}}, {{0, 0}, {11, 11}, {0, 11}}},
        {PenShapeSquare, {{0, 0}, {11, 11}, {0, 11}}, {}},
        {PenShapeTriangle, {{6, 1}, {0, 11}, {11, 11}, {6, 6}}, {{0, 0}, {11, 0}}},
        {PenShapeLeftSlash, {{0, 0}, {6, 6}, {11, 11}}, {{11, 0}, {0, 11}}},
        {PenShapeRightSlash, {{0, 11}, {6, 6}, {11, 0}}, {{0, 0}, {11, 11}}},
    };
    for (const Case& c : cases) {
        TXBitmap shape;
        BuildPenShape(shape, c.kind, w);
        ASSERT_EQ(shape.Width(), w);
        for (const auto& [x, y] : c.black)
            EXPECT_EQ(shape.PixelColour(x, y), clBlack) << c.kind << " at " << x << "," << y;
        for (const auto& [x, y] : c.white)
            EXPECT_EQ(shape.PixelColour(x, y), clWhite) << c.kind << " at " << x << "," << y;
        TPenMaskArray mask;
        mask.LoadFromShape(shape);
        for (int y = 0; y < w; ++y)
            for (int x = 0; x < w; ++x)
                ASSERT_EQ(mask.GetItem(x, y), shape.PixelColour(x, y) == clWhite);
    }
}

TEST(PenStroke, StampPositionsAlongTheMajorAxis)
{
    struct Case {
        const char* name;
        int width, x0, y0, x1, y1;
        std::set<std::pair<int, int>> centres;
    };
    const std::vector<Case> cases{
        // Width 4: step 1; y = round(x * 3 / 9), halves to even (1.5 does not occur).
        {"shallow", 4, 10, 10, 19, 13,
         {{10, 10}, {11, 10}, {12, 11}, {13, 11}, {14, 11}, {15, 12}, {16, 12}, {17, 12}, {18, 13}, {19, 13}}},
        {"shallow reversed", 4, 19, 13, 10, 10,
         {{10, 10}, {11, 10}, {12, 11}, {13, 11}, {14, 11}, {15, 12}, {16, 12}, {17, 12}, {18, 13}, {19, 13}}},
        // Width 10: step 2, the last stamp falls short of the far end.
        {"steep", 10, 20, 10, 21, 19, {{20, 10}, {20, 12}, {20, 14}, {21, 16}, {21, 18}}},
        {"point", 10, 20, 20, 20, 20, {{20, 20}}},
        // Width 15: step 3; slope -2, so -1.5 and -4.5 round to the even -2 and -4.
        {"steep leftwards", 15, 25, 15, 19, 27, {{25, 15}, {23, 18}, {22, 21}, {21, 24}, {19, 27}}},
    };
    for (const Case& c : cases) {
        TEffectsBitmap picture = canvasOf(40, 40);
        pointPen(picture, c.width);
        picture.PenStroke(c.x0, c.y0, c.x1, c.y1);
        std::set<std::pair<int, int>> expected;
        for (const auto& [x, y] : c.centres)
            expected.insert({x - c.width / 2, y - c.width / 2});
        EXPECT_EQ(inked(picture), expected) << c.name;
    }
}

TEST(PenStroke, RoundPenPaintsExactlyItsMask)
{
    TXBitmap shape;
    BuildPenShape(shape, PenShapeRound, 10);
    TPenMaskArray mask;
    mask.LoadFromShape(shape);
    TEffectsBitmap picture = canvasOf(30, 30);
    picture.Canvas().Pen.Width = 10;
    picture.SetPenShape(&shape);
    picture.SetPenColour(Ink);
    picture.PenStroke(12, 14, 12, 14);
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 30; ++x) {
            const bool inStamp = x >= 7 && x < 17 && y >= 9 && y < 19;
            const bool painted = inStamp && !mask.GetItem(x - 7, y - 9);
            ASSERT_EQ(picture.PixelColour(x, y), painted ? Ink : clWhite) << x << "," << y;
        }
    // A mask narrower than the pen is ignored: the whole square is painted.
    picture.ClearToColour(clWhite);
    picture.Canvas().Pen.Width = 11;
    picture.PenStroke(12, 14, 12, 14);
    EXPECT_EQ(inked(picture).size(), 121u);
    // Without a shape, too.
    picture.SetPenShape(nullptr);
    EXPECT_FALSE(picture.PenMask.has_value());
}

TEST(PenStroke, StampsAtAndBeyondTheEdgesAreClipped)
{
    TEffectsBitmap picture = canvasOf(4, 4);
    picture.Canvas().Pen.Width = 6;
    picture.SetPenColour(Ink);
    picture.PenStroke(-3, -3, -3, -3); // covers -6 to -1: nothing
    EXPECT_TRUE(inked(picture).empty());
    picture.PenStroke(-2, 0, -2, 0); // columns -5 to 0, rows -3 to 2
    EXPECT_EQ(inked(picture), (std::set<std::pair<int, int>>{{0, 0}, {0, 1}, {0, 2}}));
    picture.PenStroke(INT_MIN, INT_MIN, INT_MAX, INT_MAX); // crosses the picture, far ends
    EXPECT_EQ(inked(picture).size(), 16u);
    picture.ClearToColour(clWhite);
    picture.PenStroke(INT_MIN, 1000000, INT_MAX, 1000000);
    EXPECT_TRUE(inked(picture).empty());
}

TEST(ReplaceStroke, ReplacesOnlyColoursWithinTolerance)
{
    auto picture = [] {
        TEffectsBitmap p(3, 1);
        StorePixel(p.ScanLine(0), RGBColor(100, 100, 100));
        StorePixel(p.ScanLine(0) + 3, RGBColor(101, 100, 100));
        StorePixel(p.ScanLine(0) + 6, RGBColor(110, 100, 90));
        p.Canvas().Pen.Width = 3;
        p.SetPenColour(RGBColor(100, 100, 100));
        p.SetSecondColour(RGBColor(0, 0, 255));
        return p;
    };
    TEffectsBitmap exact = picture();
    exact.ReplaceStroke(1, 0, 1, 0, 0);
    EXPECT_EQ(exact.PixelColour(0, 0), RGBColor(0, 0, 255));
    EXPECT_EQ(exact.PixelColour(1, 0), RGBColor(101, 100, 100));
    TEffectsBitmap within = picture();
    within.ReplaceStroke(1, 0, 1, 0, 10);
    for (int x = 0; x < 3; ++x)
        EXPECT_EQ(within.PixelColour(x, 0), RGBColor(0, 0, 255)) << x;
}

TEST(SmudgeStroke, AveragesInPlaceInVisitingOrder)
{
    const int greys[2][3] = {{0, 90, 180}, {30, 120, 240}};
    struct Case {
        int opacity;
        int expected[2][3];
    };
    // Worked by hand: (0, 0) takes (4 * 0 + 2 * 90 + ... ) div 9 = 40, and (1, 0) already
    // sees that 40 among its neighbours.
    const std::vector<Case> cases{{100, {{40, 112, 180}, {61, 130, 240}}},
                                  {50, {{20, 98, 180}, {42, 121, 240}}},
                                  {0, {{0, 90, 180}, {30, 120, 240}}},
                                  {-50, {{0, 90, 180}, {30, 120, 240}}}};
    for (const Case& c : cases) {
        TEffectsBitmap picture(3, 2);
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 3; ++x)
                StorePixel(picture.ScanLine(y) + 3 * x, RGBColor(greys[y][x], greys[y][x], greys[y][x]));
        picture.Canvas().Pen.Width = 2;
        picture.SmudgeStroke(1, 1, 1, 1, c.opacity);
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 3; ++x)
                EXPECT_EQ(GetBValue(picture.PixelColour(x, y)), c.expected[y][x]) << c.opacity << " at " << x << "," << y;
    }

    TEffectsBitmap uniform = canvasOf(10, 10, RGBColor(70, 80, 90));
    uniform.Canvas().Pen.Width = 5;
    uniform.SmudgeStroke(0, 0, 9, 9, 100);
    EXPECT_TRUE(SamePixels(uniform, canvasOf(10, 10, RGBColor(70, 80, 90))));
}

TEST(SprayStroke, SeededDrawsInTheirOrder)
{
    // Opacity 100 and diffusion 0 paint the whole shape.
    TXBitmap shape;
    BuildPenShape(shape, PenShapeRound, 9);
    TEffectsBitmap full = canvasOf(20, 20);
    full.Canvas().Pen.Width = 9;
    full.SetPenShape(&shape);
    full.SetPenColour(Ink);
    full.SprayStroke(10, 10, 10, 10, 100, 0);
    TEffectsBitmap pen = canvasOf(20, 20);
    pen.Canvas().Pen.Width = 9;
    pen.SetPenShape(&shape);
    pen.SetPenColour(Ink);
    pen.PenStroke(10, 10, 10, 10);
    EXPECT_TRUE(SamePixels(full, pen));

    // One pixel: a chance draw, then red, blue and green darkened by their own draws.
    SeedProgramRandom(1234);
    TEffectsBitmap dot = canvasOf(1, 1, clBlack);
    dot.SetPenColour(RGBColor(255, 200, 150));
    dot.SprayStroke(0, 0, 0, 0, 100, 50);
    std::mt19937 replay(1234);
    auto below = [&](std::uint64_t range) { return static_cast<int>((static_cast<std::uint64_t>(replay()) * range) >> 32); };
    (void)below(0);
    const int red = 255 - below(50);
    const int blue = 150 - below(50);
    const int green = 200 - below(50);
    EXPECT_EQ(dot.PixelColour(0, 0), RGBColor(red, green, blue));

    // Opacity 0: about one pixel in a hundred per stamp; the same seed, the same dots.
    auto spray = [](std::uint32_t seed) {
        SeedProgramRandom(seed);
        TEffectsBitmap picture = canvasOf(100, 100);
        picture.Canvas().Pen.Width = 100;
        picture.SetPenColour(Ink);
        picture.SprayStroke(50, 50, 50, 50, 0, 0);
        return picture;
    };
    const TEffectsBitmap first = spray(7);
    const std::size_t dots = inked(first).size();
    EXPECT_GT(dots, 60u);
    EXPECT_LT(dots, 150u);
    EXPECT_TRUE(SamePixels(first, spray(7)));
    EXPECT_FALSE(SamePixels(first, spray(8)));
}

TEST(MaskedDrawing, DrawsTheOverlapThroughTheMask)
{
    const TXBitmap source = GradientPicture(3, 3);
    TBool2DArray mask(3, 3);
    mask.SetItem(2, 2, true);
    for (const auto& [x, y] : {std::pair{-1, -2}, std::pair{2, 1}, std::pair{0, 0}}) {
        TXBitmap from(source);
        TXBitmap target(4, 4);
        DrawMaskedBitmap(&from, &target, x, y, &mask);
        for (int ty = 0; ty < 4; ++ty)
            for (int tx = 0; tx < 4; ++tx) {
                const int i = tx - x;
                const int j = ty - y;
                const bool drawn = i >= 0 && i < 3 && j >= 0 && j < 3 && !(i == 2 && j == 2);
                EXPECT_EQ(target.PixelColour(tx, ty), drawn ? source.PixelColour(i, j) : clWhite)
                    << x << "," << y << " at " << tx << "," << ty;
            }
    }
    TXBitmap target(4, 4);
    TXBitmap from(source);
    DrawMaskedBitmap(&from, &target, INT_MIN, INT_MAX, nullptr);
    EXPECT_TRUE(SamePixels(target, TXBitmap(4, 4)));
    try {
        DrawMaskedBitmap(nullptr, &target, 0, 0, nullptr);
        ADD_FAILURE();
    } catch (const VellumException& e) {
        EXPECT_EQ(e.message(), QStringLiteral("DrawMaskedBitmap Error - Invalid bitmap/s"));
    }
    TBool2DArray small(2, 2);
    EXPECT_THROW(DrawMaskedBitmap(&from, &target, 0, 0, &small), EBool2DArrayError);
    EXPECT_TRUE(SamePixels(target, TXBitmap(4, 4)));
}

TEST(MaskedDrawing, FillMaskedPaintsTheTrueEntries)
{
    TXBitmap picture = GradientPicture(3, 2);
    const TXBitmap original(picture);
    TBool2DArray mask(3, 2);
    mask.SetItem(1, 1, true);
    FillMasked(&picture, &mask, Ink);
    FillMasked(nullptr, &mask, Ink);
    FillMasked(&picture, nullptr, Ink);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            EXPECT_EQ(picture.PixelColour(x, y), x == 1 && y == 1 ? Ink : original.PixelColour(x, y));
}

} // namespace
} // namespace vellum
