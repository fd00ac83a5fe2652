#include "document/VLToolVars.h"

#include <gtest/gtest.h>

namespace vellum {
namespace {

TEST(ToolSettings, AFreshStartHasTheDefaults)
{
    ToolSettings().Tool = TTool::Zoom;
    ToolSettings().SetForeColour(RGBColor(1, 2, 3));
    ToolSettings().SprayCan.Width = 7;
    ResetToolSettings();
    const TToolSettings& s = ToolSettings();
    EXPECT_EQ(s.Tool, TTool::Pen);
    EXPECT_EQ(s.ToolCursor, crPen);
    EXPECT_EQ(s.ForeColour(), clBlack);
    EXPECT_EQ(s.BackColour(), clWhite);
    EXPECT_EQ(s.PenWidth, 1);
    EXPECT_EQ(s.SpecialPen.Opacity, 40);
    EXPECT_FALSE(s.SpecialPen.Smudge);
    EXPECT_EQ(s.SprayCan.Width, 60);
    EXPECT_EQ(s.SprayCan.Interval, 10);
    EXPECT_EQ(s.SprayCan.Opacity, 60);
    EXPECT_EQ(s.ShapeKind, TShapeKind::Line);
    EXPECT_FALSE(s.ShapeFilled);
}

TEST(ToolSettings, TheShapesAreBuiltRoundAtTheirWidths)
{
    TToolSettings s;
    BuildToolShapes(s);
    EXPECT_EQ(s.PenShape.Width(), 1);
    EXPECT_EQ(s.PenShape.PixelColour(0, 0), clBlack); // a 1 x 1 pen touches its pixel
    EXPECT_EQ(s.SpecialPen.Shape.Width(), 1);
    ASSERT_EQ(s.SprayCan.Shape.Width(), 60);
    EXPECT_EQ(s.SprayCan.Shape.PixelColour(30, 30), clBlack);
    EXPECT_EQ(s.SprayCan.Shape.PixelColour(0, 0), clWhite); // round: the corner is outside
}

TEST(ToolSettings, TriplesFollowTheColours)
{
    TToolSettings s;
    s.SetForeColour(RGBColor(10, 20, 30));
    s.SetBackColour(RGBColor(200, 100, 0));
    EXPECT_EQ(ColourOfPixel(s.ForeTriple()), RGBColor(10, 20, 30));
    EXPECT_EQ(s.ForeTriple()[0], 30); // blue first
    EXPECT_EQ(ColourOfPixel(s.BackTriple()), RGBColor(200, 100, 0));
}

} // namespace
} // namespace vellum

#include "document/ToolCursors.h"

namespace vellum {
namespace {

TEST(ToolCursors, EachToolHasItsCursorFromOurArtwork)
{
    struct Case {
        TTool tool;
        TShapeKind kind;
        bool filled;
        int number;
    };
    for (const Case& c : {Case{TTool::Pen, TShapeKind::Line, false, 10}, Case{TTool::SpecialPen, TShapeKind::Line, false, 10},
                          Case{TTool::Fill, TShapeKind::Line, false, 11}, Case{TTool::SprayCan, TShapeKind::Line, false, 25},
                          Case{TTool::Shapes, TShapeKind::Line, true, 17}, Case{TTool::Shapes, TShapeKind::Square, true, 15},
                          Case{TTool::Shapes, TShapeKind::Rectangle, false, 16}, Case{TTool::Shapes, TShapeKind::Circle, true, 13},
                          Case{TTool::Shapes, TShapeKind::Ellipse, false, 14}, Case{TTool::Text, TShapeKind::Line, false, 23},
                          Case{TTool::Dropper, TShapeKind::Line, false, 12}, Case{TTool::Drag, TShapeKind::Line, false, 26},
                          Case{TTool::Zoom, TShapeKind::Line, false, 18}, Case{TTool::SelectRect, TShapeKind::Line, false, 19},
                          Case{TTool::SelectFreehand, TShapeKind::Line, false, 20},
                          Case{TTool::MagicWand, TShapeKind::Line, false, 21}}) {
        TToolSettings s;
        s.Tool = c.tool;
        s.ShapeKind = c.kind;
        s.ShapeFilled = c.filled;
        EXPECT_EQ(CursorNumberForTool(s), c.number) << static_cast<int>(c.tool);
    }
    for (int number = 10; number <= 26; ++number)
        EXPECT_FALSE(ToolCursor(number).pixmap().isNull()) << number;
    EXPECT_EQ(ToolCursor(99).shape(), Qt::ArrowCursor);
}

} // namespace
} // namespace vellum
