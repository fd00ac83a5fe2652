#pragma once

#include "raster/RgbRows.h"
#include "selection/PicPointArray.h"

namespace vellum {

class TBool2DArray;
class TXBitmap;

// Traces the marching-ants outline of a shaped selection of width x height pixels in its own
// coordinates (origin 0, 0) for a zoom factor; mask entries true are outside the shape (no
// mask: every pixel is inside). At zoom 1 the polylines are chains of edge pixels; above it,
// closed contours on the zoomed grid along the outermost view pixels of the shape.
void TraceOutline(const TBool2DArray* mask, int width, int height, int zoom, TPicSelectionPoints& outline);

// Draws each polyline as straight segments, dashed three white and three black pixels counted
// from the polyline's start and shifted by phase (0 to 5); pixels outside the image are
// skipped but counted.
void DrawOutline(const TPixelRows& rows, const TPicSelectionPoints& outline, int phase);
// The same on a picture, made 24-bit first.
void DrawOutline(TXBitmap& image, const TPicSelectionPoints& outline, int phase);

} // namespace vellum
