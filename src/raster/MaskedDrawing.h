#pragma once

#include "raster/Colour.h"

namespace vellum {

class TBool2DArray;
class TXBitmap;

// Copies source onto destination with the source's top-left pixel at (x, y), clipped to the
// destination, skipping source pixels whose mask entry (in source coordinates) is true. Both
// pictures become 24-bit. A missing picture raises "DrawMaskedBitmap Error - Invalid bitmap/s";
// a mask that does not cover the copied part raises its index error before any pixel changes.
void DrawMaskedBitmap(TXBitmap* source, TXBitmap* destination, int x, int y, const TBool2DArray* mask);

// Every pixel whose mask entry is true becomes colour; nothing without a picture or a mask.
// A mask smaller than the picture raises its index error before any pixel changes.
void FillMasked(TXBitmap* picture, const TBool2DArray* mask, TColor colour);

} // namespace vellum
