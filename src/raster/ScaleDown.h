#pragma once

// The box-averaging reduction that makes thumbnails and dialog previews of any picture: each
// destination pixel is the average of a block of source pixels, the blocks tiling the source.
// New sizes lie between 0 and the old size (a size of 0 gives an empty picture in that
// direction); larger or negative ones raise EXBitmapError before anything changes. No progress
// notifications.
#include <vector>

#include "raster/Colour.h"

namespace vellum {

class TBool2DArray;
class TXBitmap;

// The source blocks of one direction: destination index k covers source indices First[k] to
// Last[k].
struct TBoxRanges {
    std::vector<int> First;
    std::vector<int> Last;
};
[[nodiscard]] TBoxRanges BoxRanges(int oldSize, int newSize);

// Reduces the picture in place (it becomes 24-bit).
void ScaleDown(TXBitmap& picture, int newWidth, int newHeight);
// The reduction of source into destination, which becomes a 24-bit picture of the new size
// and keeps its transparency settings. An equal size copies the pixels.
void ScaleDownTo(const TXBitmap& source, TXBitmap& destination, int newWidth, int newHeight);
// The same averaging only source pixels whose sourceMask entry is false; destinationMask gets
// the new size, and a destination pixel without any such source pixel gets fill and a true
// mask entry. An equal size copies the pixels and the mask. sourceMask must cover the source.
void ScaleDownMasked(const TXBitmap& source, TXBitmap& destination, int newWidth, int newHeight,
                     const TBool2DArray& sourceMask, TBool2DArray& destinationMask, TColor fill);

} // namespace vellum
