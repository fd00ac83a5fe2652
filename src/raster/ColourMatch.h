#pragma once

#include <cstdint>
#include <cstdlib>

#include "raster/Colour.h"

namespace vellum {

class TBool2DArray;
class TXBitmap;

// Each channel differs by at most tolerance (the largest channel difference, not a distance):
// 0 means equality, 255 accepts everything.
[[nodiscard]] constexpr bool WithinTolerance(int tolerance, TColor a, TColor b)
{
    return std::abs(GetRValue(a) - GetRValue(b)) <= tolerance && std::abs(GetGValue(a) - GetGValue(b)) <= tolerance
           && std::abs(GetBValue(a) - GetBValue(b)) <= tolerance;
}

// The same for two pixel triples (blue, green, red).
[[nodiscard]] inline bool WithinTolerance(int tolerance, const std::uint8_t* a, const std::uint8_t* b)
{
    return std::abs(a[0] - b[0]) <= tolerance && std::abs(a[1] - b[1]) <= tolerance
           && std::abs(a[2] - b[2]) <= tolerance;
}

// The lowest colour value (red varies fastest) that no pixel of the picture has, pixels whose
// mask entry is true not counting. False when the picture uses every colour. A mask smaller
// than the picture raises its index error.
bool FindUnusedColour(const TXBitmap& picture, const TBool2DArray* mask, TColor& colour);

// The same over the pixels of the rectangle only, after normalising it (left <= right,
// top <= bottom) and clipping it to the picture; its right and bottom edges count as inside.
// False without searching when the clipped rectangle has left >= right or top >= bottom.
bool FindUnusedColourInRect(const TXBitmap& picture, int left, int top, int right, int bottom, TColor& colour);

} // namespace vellum
