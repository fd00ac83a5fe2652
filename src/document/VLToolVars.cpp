#include "document/VLToolVars.h"

#include "raster/PenMask.h"

namespace vellum {

TToolSettings::TToolSettings()
{
    SetForeColour(clBlack);
    SetBackColour(clWhite);
}

void TToolSettings::SetForeColour(TColor colour)
{
    m_foreColour = colour;
    StorePixel(m_foreTriple, colour);
}

void TToolSettings::SetBackColour(TColor colour)
{
    m_backColour = colour;
    StorePixel(m_backTriple, colour);
}

TToolSettings& ToolSettings()
{
    static TToolSettings settings;
    return settings;
}

void ResetToolSettings()
{
    ToolSettings() = TToolSettings();
}

void BuildToolShapes(TToolSettings& settings)
{
    BuildPenShape(settings.PenShape, PenShapeRound, settings.PenWidth);
    BuildPenShape(settings.SpecialPen.Shape, PenShapeRound, settings.SpecialPen.Width);
    BuildPenShape(settings.SprayCan.Shape, PenShapeRound, settings.SprayCan.Width);
}

} // namespace vellum
