#pragma once

#include <cstdint>

#include "raster/Colour.h"
#include "raster/XBitmap.h"

namespace vellum {

// The tools, by the numbers the views and documents use.
enum class TTool : std::uint8_t {
    Pen = 0,
    Fill = 1,
    SpecialPen = 2,
    SprayCan = 3,
    Shapes = 4,
    Text = 5,
    Dropper = 6,
    Drag = 7,
    Zoom = 8,
    SelectRect = 9,
    SelectFreehand = 10,
    MagicWand = 11,
};

// The cursors of the program's resources, by their numbers.
enum TCursorNumber : std::int16_t {
    crPen = 10,
    crFill = 11,
    crDropper = 12,
    crCircleFill = 13,
    crCircleLine = 14,
    crRectFill = 15,
    crRectLine = 16,
    crLine = 17,
    crZoom = 18,
    crSelectRect = 19,
    crSelectFreehand = 20,
    crMagicWand = 21,
    crMove = 22,
    crText = 23,
    crSmallDropper = 24,
    crSprayCan = 25,
    crDrag = 26,
};

// The kinds of the Shapes tool.
enum class TShapeKind : std::uint8_t { Line = 0, Square = 1, Rectangle = 2, Circle = 3, Ellipse = 4 };

struct TSpecialPenSettings {
    bool Smudge = false; // false for "Colour Replace", true for every other action
    int Width = 1;
    int Tolerance = 0; // "Colour Replace"
    int Opacity = 40;  // the other actions
    TXBitmap Shape;    // built when the main window is created
};

struct TSprayCanSettings {
    int Width = 60;
    int Interval = 10; // milliseconds between two stamps
    int Opacity = 60;
    int Diffusion = 0;
    TXBitmap Shape; // always round
};

// The current tool and every tool option: one record for the whole run, never saved. The
// colour setters keep the pixel triples in step with the colour values.
struct TToolSettings {
    TToolSettings();

    void SetForeColour(TColor colour);
    void SetBackColour(TColor colour);
    [[nodiscard]] TColor ForeColour() const { return m_foreColour; }
    [[nodiscard]] TColor BackColour() const { return m_backColour; }
    // Blue, green, red.
    [[nodiscard]] const std::uint8_t* ForeTriple() const { return m_foreTriple; }
    [[nodiscard]] const std::uint8_t* BackTriple() const { return m_backTriple; }

    std::int16_t ToolCursor = crPen;
    int FillTolerance = 0;
    int WandTolerance = 0;
    TTool Tool = TTool::Pen;
    int PenWidth = 1;
    TXBitmap PenShape; // built when the main window is created
    TSpecialPenSettings SpecialPen;
    TSprayCanSettings SprayCan;
    int ShapeWidth = 1;
    TShapeKind ShapeKind = TShapeKind::Line;
    bool ShapeFilled = false;
    bool TransparentSelection = false;
    bool TransparentIsFore = false;

private:
    TColor m_foreColour = clBlack;
    TColor m_backColour = clWhite;
    std::uint8_t m_foreTriple[3] = {0, 0, 0};
    std::uint8_t m_backTriple[3] = {255, 255, 255};
};

// The transparent colour a new rectangle or freehand selection (and Select All) is made with:
// -1 without Transparent selection, else the foreground or the background colour.
[[nodiscard]] inline TColor SelectionTransparentColour(const TToolSettings& settings)
{
    if (!settings.TransparentSelection)
        return -1;
    return settings.TransparentIsFore ? settings.ForeColour() : settings.BackColour();
}

// The program-wide record.
[[nodiscard]] TToolSettings& ToolSettings();

// Puts the defaults back (a fresh start).
void ResetToolSettings();

// Builds the three pen-shape pictures from the current widths: the pen's and the special pen's
// round, the spray can's always round. The main window does this when it is created.
void BuildToolShapes(TToolSettings& settings);

} // namespace vellum
