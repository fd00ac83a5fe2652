#pragma once

#include <functional>

#include <QRect>

#include "raster/ArrayObjects.h"

namespace vellum {

class TXBitmap;

// The 4-connected region of pixels within tolerance of the seed pixel's colour that contains
// (x, y), which must lie inside the 24-bit picture. The region is found span by span: onSpan
// (row, first column, last column, both inclusive) runs once for each run of region pixels,
// and may repaint those pixels, because a pixel is tested only before it joins. On return
// marks is Height x Width with Column(y)[x] != 0 exactly for the region's pixels (row y's marks
// are contiguous). Returns the region's bounding box. Allocation failures raise std::bad_alloc.
QRect GrowRegion(TXBitmap& picture, int x, int y, int tolerance, TByte2DArray& marks,
                 const std::function<void(int row, int left, int right)>& onSpan);

} // namespace vellum
