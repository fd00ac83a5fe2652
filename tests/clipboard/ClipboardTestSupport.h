#pragma once

#include "raster/XBitmap.h"

namespace vellum::testing {

// A w x h picture of one colour.
inline TXBitmap SolidPicture(int width, int height, TColor colour)
{
    TXBitmap picture(width, height);
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = picture.ScanLine(y);
        for (int x = 0; x < width; ++x)
            StorePixel(row + 3 * x, colour);
    }
    return picture;
}

} // namespace vellum::testing
