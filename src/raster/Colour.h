#pragma once

#include <cstdint>

namespace vellum {

// A colour value: red in bits 0 to 7, green in bits 8 to 15, blue in bits 16 to 23; bits 24 to
// 31 are 0 for a real colour. Negative values are system colours.
using TColor = std::int32_t;

// No colour at all (for example no transparent colour).
constexpr TColor clNone = 0x1FFFFFFF;
constexpr TColor clBlack = 0x000000;
constexpr TColor clWhite = 0xFFFFFF;

[[nodiscard]] constexpr TColor RGBColor(int red, int green, int blue)
{
    return static_cast<TColor>((red & 0xFF) | ((green & 0xFF) << 8) | ((blue & 0xFF) << 16));
}

[[nodiscard]] constexpr int GetRValue(TColor c) { return c & 0xFF; }
[[nodiscard]] constexpr int GetGValue(TColor c) { return (c >> 8) & 0xFF; }
[[nodiscard]] constexpr int GetBValue(TColor c) { return (c >> 16) & 0xFF; }

// Two colours are equal when their three channels are; bits 24 to 31 take no part.
[[nodiscard]] constexpr bool SameColour(TColor a, TColor b)
{
    return ((a ^ b) & 0xFFFFFF) == 0;
}

// The colour of a pixel triple stored blue, green, red.
[[nodiscard]] inline TColor ColourOfPixel(const std::uint8_t* bgr)
{
    return RGBColor(bgr[2], bgr[1], bgr[0]);
}

inline void StorePixel(std::uint8_t* bgr, TColor c)
{
    bgr[0] = static_cast<std::uint8_t>(GetBValue(c));
    bgr[1] = static_cast<std::uint8_t>(GetGValue(c));
    bgr[2] = static_cast<std::uint8_t>(GetRValue(c));
}

} // namespace vellum
