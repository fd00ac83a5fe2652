#include <functional>

#include <gtest/gtest.h>

#include "PictureTestSupport.h"
#include "raster/Canvas.h"
#include "raster/XBitmap.h"

using namespace vellum;
using vellum::test::GradientPicture;
using vellum::test::SamePixels;

namespace {

TXBitmap Solid(int width, int height, TColor colour)
{
    TXBitmap picture(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            StorePixel(picture.ScanLine(y) + 3 * x, colour);
    return picture;
}

// The picture as rows of characters: '#' for colour, '.' for anything else.
std::vector<std::string> Mask(const TXBitmap& picture, TColor colour)
{
    std::vector<std::string> rows;
    for (int y = 0; y < picture.Height(); ++y) {
        std::string row;
        for (int x = 0; x < picture.Width(); ++x)
            row += SameColour(picture.PixelColour(x, y), colour) ? '#' : '.';
        rows.push_back(row);
    }
    return rows;
}

using Rows = std::vector<std::string>;

} // namespace

TEST(Canvas, DrawingAFigureTwiceWithTheInvertingPenRestoresEveryPixel)
{
    const std::vector<std::pair<const char*, std::function<void(TCanvas&)>>> figures = {
        {"rectangle", [](TCanvas& c) { c.Rectangle(1, 1, 9, 6); }},
        {"filled ellipse", [](TCanvas& c) { c.Brush.Style = TBrushStyle::bsSolid; c.Ellipse(0, 0, 11, 8); }},
        {"polygon", [](TCanvas& c) { c.Polygon(QPolygon({QPoint(0, 0), QPoint(10, 3), QPoint(2, 7), QPoint(8, 0)})); }},
        {"line chain", [](TCanvas& c) { c.MoveTo(0, 0); c.LineTo(9, 4); c.LineTo(2, 7); c.LineTo(0, 0); }},
        {"dotted rectangle by lines", [](TCanvas& c) {
             c.Pen.Style = TPenStyle::psDot;
             c.MoveTo(1, 1); c.LineTo(9, 1); c.LineTo(9, 6); c.LineTo(1, 6); c.LineTo(1, 1); }},
        {"wide line", [](TCanvas& c) { c.Pen.Width = 3; c.MoveTo(1, 6); c.LineTo(9, 1); }},
        {"line leaving the picture", [](TCanvas& c) { c.MoveTo(-5, 2); c.LineTo(20, 5); }},
    };
    for (const auto& [name, draw] : figures) {
        TXBitmap picture = GradientPicture(11, 8);
        const TXBitmap original = picture;
        TCanvas& canvas = picture.Canvas();
        canvas.Pen.Mode = TPenMode::pmNot;
        canvas.Brush.Style = TBrushStyle::bsClear;
        draw(canvas);
        EXPECT_FALSE(SamePixels(picture, original)) << name;
        draw(canvas);
        EXPECT_TRUE(SamePixels(picture, original)) << name;
    }
}

TEST(Canvas, DrawingWorksOnThePicturesOwnRowsWhichStayPut)
{
    TXBitmap picture = Solid(8, 4, clWhite);
    const std::uint8_t* row = picture.ScanLine(2);
    TCanvas& canvas = picture.Canvas();
    canvas.Brush.Color = RGBColor(1, 2, 3);
    canvas.FillRect(QRect(0, 0, 8, 4));
    canvas.Rectangle(0, 0, 8, 4);
    canvas.MoveTo(0, 2);
    canvas.LineTo(8, 2);
    EXPECT_EQ(picture.ScanLine(2), row);
    EXPECT_EQ(ColourOfPixel(row + 3 * 4), clBlack);
    EXPECT_EQ(picture.PixelColour(4, 1), RGBColor(1, 2, 3));
}

TEST(Canvas, InvertingPenTurnsPixelsIntoTheirInverse)
{
    TXBitmap picture = Solid(4, 1, RGBColor(10, 200, 30));
    TCanvas& canvas = picture.Canvas();
    canvas.Pen.Mode = TPenMode::pmNot;
    canvas.MoveTo(0, 0);
    canvas.LineTo(4, 0);
    EXPECT_EQ(picture.PixelColour(2, 0), RGBColor(245, 55, 225));
}

TEST(Canvas, RectangleStaysInsideItsRightAndBottomEdges)
{
    TXBitmap picture = Solid(6, 5, clWhite);
    TCanvas& canvas = picture.Canvas();
    canvas.Brush.Color = RGBColor(0, 0, 255);
    canvas.Rectangle(1, 1, 5, 4);
    EXPECT_EQ(Mask(picture, clBlack), (Rows{"......", ".####.", ".#..#.", ".####.", "......"}));
    EXPECT_EQ(picture.PixelColour(2, 2), RGBColor(0, 0, 255));
}

TEST(Canvas, FilledFiguresHaveTheBrushInsideThePenOnTheOutlineAndNothingOutside)
{
    const std::vector<std::pair<const char*, std::function<void(TCanvas&)>>> figures = {
        {"ellipse", [](TCanvas& c) { c.Ellipse(2, 1, 13, 10); }},
        {"rectangle", [](TCanvas& c) { c.Rectangle(2, 1, 13, 10); }},
        {"polygon", [](TCanvas& c) { c.Polygon(QPolygon({QPoint(2, 1), QPoint(12, 1), QPoint(12, 9), QPoint(2, 9)})); }},
    };
    const TColor red = RGBColor(255, 0, 0);
    for (const auto& [name, draw] : figures) {
        TXBitmap picture = Solid(16, 12, clWhite);
        TCanvas& canvas = picture.Canvas();
        canvas.Brush.Color = red;
        draw(canvas);
        EXPECT_EQ(picture.PixelColour(7, 5), red) << name;
        EXPECT_EQ(picture.PixelColour(7, 1), clBlack) << name;
        for (int y = 0; y < 12; ++y) {
            for (int x = 0; x < 16; ++x) {
                if (!QRect(2, 1, 11, 9).contains(x, y)) {
                    EXPECT_EQ(picture.PixelColour(x, y), clWhite) << name << " " << x << "," << y;
                }
            }
        }
    }
}

TEST(Canvas, LineToLeavesOutItsEndPointAndMovesThePen)
{
    TXBitmap picture = Solid(6, 3, clWhite);
    TCanvas& canvas = picture.Canvas();
    canvas.MoveTo(0, 1);
    canvas.LineTo(5, 1);
    EXPECT_EQ(Mask(picture, clBlack), (Rows{"......", "#####.", "......"}));
    EXPECT_EQ(canvas.PenPos(), QPoint(5, 1));
}

TEST(Canvas, PolygonFillLeavesOutTheRightAndBottomBoundary)
{
    TXBitmap picture = Solid(6, 5, clWhite);
    TCanvas& canvas = picture.Canvas();
    canvas.Pen.Style = TPenStyle::psClear;
    canvas.Brush.Color = clBlack;
    canvas.Polygon(QPolygon({QPoint(1, 1), QPoint(5, 1), QPoint(5, 4), QPoint(1, 4)}));
    EXPECT_EQ(Mask(picture, clBlack), (Rows{"......", ".####.", ".####.", ".####.", "......"}));
}

TEST(Canvas, PolygonUsesAlternateFilling)
{
    // Two overlapping squares drawn as one outline: the overlap is crossed twice and stays empty.
    TXBitmap picture = Solid(8, 8, clWhite);
    TCanvas& canvas = picture.Canvas();
    canvas.Pen.Style = TPenStyle::psClear;
    canvas.Brush.Color = clBlack;
    canvas.Polygon(QPolygon({QPoint(0, 0), QPoint(6, 0), QPoint(6, 6), QPoint(2, 6), QPoint(2, 2), QPoint(8, 2),
                             QPoint(8, 8), QPoint(0, 8)}));
    EXPECT_EQ(picture.PixelColour(1, 1), clBlack);
    EXPECT_EQ(picture.PixelColour(3, 3), clWhite);
}

TEST(Canvas, DrawSkipsTheTransparentColourOnlyWhileMarked)
{
    TXBitmap sprite = Solid(2, 2, RGBColor(255, 0, 0));
    StorePixel(sprite.ScanLine(0), RGBColor(0, 255, 0));
    sprite.SetTransparentColor(RGBColor(0, 255, 0));
    for (bool transparent : {true, false}) {
        sprite.SetTransparent(transparent);
        TXBitmap picture = Solid(4, 3, clWhite);
        picture.Canvas().Draw(1, 1, sprite);
        EXPECT_EQ(picture.PixelColour(1, 1), transparent ? clWhite : RGBColor(0, 255, 0));
        EXPECT_EQ(picture.PixelColour(2, 2), RGBColor(255, 0, 0));
        EXPECT_EQ(picture.PixelColour(0, 0), clWhite);
    }
}

TEST(Canvas, StretchDrawReplicatesWholePixels)
{
    const TXBitmap source = GradientPicture(2, 2);
    TXBitmap picture = Solid(6, 4, clWhite);
    picture.Canvas().StretchDraw(QRect(0, 0, 6, 4), source);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x)
            EXPECT_EQ(picture.PixelColour(x, y), source.PixelColour(x / 3, y / 2)) << x << "," << y;
}

TEST(Canvas, CopyRectCopiesBetweenCanvasesAndWithinOne)
{
    TXBitmap source = GradientPicture(5, 4);
    TXBitmap picture = Solid(5, 4, clWhite);
    picture.Canvas().CopyRect(QRect(1, 1, 2, 2), source.Canvas(), QRect(3, 2, 2, 2));
    EXPECT_EQ(picture.PixelColour(1, 1), source.PixelColour(3, 2));
    EXPECT_EQ(picture.PixelColour(2, 2), source.PixelColour(4, 3));
    EXPECT_EQ(picture.PixelColour(0, 0), clWhite);

    // Overlapping source and destination on one picture copy the pixels as they were.
    const TXBitmap before = source;
    source.Canvas().CopyRect(QRect(1, 0, 4, 4), source.Canvas(), QRect(0, 0, 4, 4));
    for (int x = 1; x < 5; ++x)
        EXPECT_EQ(source.PixelColour(x, 3), before.PixelColour(x - 1, 3));
}

TEST(Canvas, PixelOutsideThePictureIsMinusOne)
{
    TXBitmap picture = GradientPicture(3, 2);
    EXPECT_EQ(picture.Canvas().Pixel(2, 1), picture.PixelColour(2, 1));
    EXPECT_EQ(picture.Canvas().Pixel(3, 0), -1);
    EXPECT_EQ(picture.Canvas().Pixel(0, -1), -1);
}

TEST(Canvas, FloodFillCoversTheFourConnectedRegionOfExactlyTheSeedColour)
{
    // The diagonal wall shuts off the top-left corner (no 4-connected path crosses it); the
    // near-white pixel is not the seed colour and shuts off the pixel left of it.
    const Rows layout = {
        "..#...",
        ".#....",
        "#..##.",
        "...#..",
    };
    TXBitmap picture = Solid(6, 4, clWhite);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x)
            if (layout[std::size_t(y)][std::size_t(x)] == '#')
                StorePixel(picture.ScanLine(y) + 3 * x, clBlack);
    StorePixel(picture.ScanLine(3) + 3 * 5, RGBColor(255, 255, 254)); // near white, not the same
    TCanvas& canvas = picture.Canvas();
    canvas.Brush.Color = RGBColor(255, 0, 0);
    canvas.FloodFill(4, 0);
    EXPECT_EQ(Mask(picture, RGBColor(255, 0, 0)), (Rows{"...###", "..####", ".##..#", "###..."}));
}

TEST(Canvas, TextWrapsToTheRectangleWidthAndHonoursTheAmpersandPrefix)
{
    TXBitmap picture = Solid(200, 100, clWhite);
    TCanvas& canvas = picture.Canvas();
    canvas.Font.Size = 10;
    QRect wide(0, 0, 1000, 0);
    canvas.MeasureText(wide, QStringLiteral("several words of text"));
    QRect narrow(5, 7, 40, 0);
    canvas.MeasureText(narrow, QStringLiteral("several words of text"));
    EXPECT_EQ(narrow.topLeft(), QPoint(5, 7));
    EXPECT_GT(narrow.height(), wide.height());
    EXPECT_LE(narrow.width(), 40 + 20); // a single word may stick out
    EXPECT_GT(canvas.TextExtent(QStringLiteral("A&&B")).width(), canvas.TextExtent(QStringLiteral("AB")).width());
    EXPECT_EQ(canvas.TextExtent(QStringLiteral("&File")), canvas.TextExtent(QStringLiteral("File")));

    canvas.Brush.Style = TBrushStyle::bsClear;
    canvas.Font.Color = clBlack;
    canvas.DrawText(QRect(10, 10, 100, 50), QStringLiteral("Hi"));
    bool inked = false;
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 200; ++x)
            if (picture.PixelColour(x, y) == clBlack) {
                inked = true;
                EXPECT_TRUE(QRect(10, 10, 100, 50).contains(x, y));
            }
    EXPECT_TRUE(inked);
}
