#include "raster/ColourMatch.h"

#include <gtest/gtest.h>

#include "raster/ArrayObjects.h"
#include "raster/XBitmap.h"

namespace vellum {
namespace {

TXBitmap pictureOf(int width, int height, std::initializer_list<TColor> colours)
{
    TXBitmap picture(width, height);
    auto it = colours.begin();
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            StorePixel(picture.ScanLine(y) + 3 * x, it != colours.end() ? *it++ : clWhite);
    return picture;
}

TEST(WithinTolerance, LargestChannelDifferenceCounts)
{
    struct Case {
        int tolerance;
        TColor a, b;
        bool expected;
    };
    for (const Case& c : {Case{0, RGBColor(1, 2, 3), RGBColor(1, 2, 3), true},
                          Case{0, RGBColor(1, 2, 3), RGBColor(1, 2, 4), false},
                          Case{10, RGBColor(50, 50, 50), RGBColor(50, 61, 50), false},
                          Case{10, RGBColor(50, 50, 50), RGBColor(60, 40, 60), true},
                          Case{255, clBlack, clWhite, true},
                          Case{254, clBlack, clWhite, false},
                          Case{0, RGBColor(1, 2, 3) | 0x7F000000, RGBColor(1, 2, 3), true}}) {
        EXPECT_EQ(WithinTolerance(c.tolerance, c.a, c.b), c.expected) << c.tolerance << " " << c.a << " " << c.b;
        std::uint8_t pa[3];
        std::uint8_t pb[3];
        StorePixel(pa, c.a);
        StorePixel(pb, c.b);
        EXPECT_EQ(WithinTolerance(c.tolerance, pa, pb), c.expected);
    }
}

TEST(FindUnusedColour, FirstColourValueNoPixelHas)
{
    TColor colour = -5;
    ASSERT_TRUE(FindUnusedColour(pictureOf(2, 1, {clWhite, RGBColor(0, 0, 1)}), nullptr, colour));
    EXPECT_EQ(colour, 0);
    ASSERT_TRUE(FindUnusedColour(pictureOf(3, 1, {clBlack, RGBColor(1, 0, 0), RGBColor(3, 0, 0)}), nullptr, colour));
    EXPECT_EQ(colour, 2);
    // Red varies fastest: after every red of green 0 comes green 1.
    TXBitmap reds(256, 1);
    for (int x = 0; x < 256; ++x)
        StorePixel(reds.ScanLine(0) + 3 * x, RGBColor(x, 0, 0));
    ASSERT_TRUE(FindUnusedColour(reds, nullptr, colour));
    EXPECT_EQ(colour, RGBColor(0, 1, 0));
}

TEST(FindUnusedColour, MaskedPixelsDoNotCount)
{
    const TXBitmap picture = pictureOf(2, 2, {clBlack, RGBColor(1, 0, 0), clWhite, clWhite});
    TBool2DArray mask(2, 2);
    mask.SetItem(0, 0, true); // black is outside the shape
    TColor colour = -1;
    ASSERT_TRUE(FindUnusedColour(picture, &mask, colour));
    EXPECT_EQ(colour, 0);
    const TBool2DArray small(1, 2);
    EXPECT_THROW(FindUnusedColour(picture, &small, colour), EBool2DArrayError);
}

TEST(FindUnusedColour, PictureWithEveryColourHasNone)
{
    TXBitmap all(4096, 4096);
    for (int y = 0; y < 4096; ++y) {
        std::uint8_t* row = all.ScanLine(y);
        for (int x = 0; x < 4096; ++x)
            StorePixel(row + 3 * x, static_cast<TColor>(y * 4096 + x));
    }
    TColor colour = 7;
    EXPECT_FALSE(FindUnusedColour(all, nullptr, colour));
    StorePixel(all.ScanLine(4095) + 3 * 4095, clBlack); // white is gone now
    ASSERT_TRUE(FindUnusedColour(all, nullptr, colour));
    EXPECT_EQ(colour, clWhite);
}

TEST(FindUnusedColourInRect, NormalisesClipsAndCountsTheFarEdges)
{
    // Row 0: black, red 1, red 2; row 1: red 3, red 4, red 5.
    const TXBitmap picture = pictureOf(
        3, 2, {clBlack, RGBColor(1, 0, 0), RGBColor(2, 0, 0), RGBColor(3, 0, 0), RGBColor(4, 0, 0), RGBColor(5, 0, 0)});
    struct Case {
        int left, top, right, bottom;
        bool found;
        TColor colour;
    };
    for (const Case& c : {Case{0, 0, 2, 1, true, 6}, Case{2, 1, 0, 0, true, 6}, // reversed corners
                          Case{1, 0, 2, 1, true, 0},                          // black left out
                          Case{-5, -5, 1, 1, true, 2},                        // clipped, edges inside
                          Case{0, 0, 50, 50, true, 6},
                          Case{1, 0, 1, 1, false, 0},  // left = right after clipping
                          Case{0, 1, 2, 1, false, 0},  // top = bottom
                          Case{5, 0, 9, 1, false, 0}}) // wholly outside
    {
        TColor colour = -1;
        EXPECT_EQ(FindUnusedColourInRect(picture, c.left, c.top, c.right, c.bottom, colour), c.found)
            << c.left << "," << c.top << "," << c.right << "," << c.bottom;
        if (c.found) {
            EXPECT_EQ(colour, c.colour) << c.left << "," << c.top << "," << c.right << "," << c.bottom;
        }
    }
}

} // namespace
} // namespace vellum
