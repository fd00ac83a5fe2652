#pragma once

#include <QString>

#include "raster/Canvas.h"
#include "raster/XBitmap.h"

namespace vellum {

// A text drawn into a picture of its own, to be placed as a floating selection whose
// background is transparent.
struct TTextPicture {
    TXBitmap Picture;
    // Black for text of exactly white, white for any other colour.
    TColor Background = clWhite;
};

// The text in the font's colour on the background, aliased (the picture holds two colours). The
// picture is as wide as the longest line and as high as all lines (lines break only at line
// breaks); a single '&' underlines the next character, "&&" is one ampersand. Raises
// EVellumError, allocating nothing, when that size exceeds the picture limits.
[[nodiscard]] TTextPicture RenderTextPicture(const QString& text, const TFont& font);

} // namespace vellum
