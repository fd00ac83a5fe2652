#pragma once

#include "raster/ArrayObjects.h"

namespace vellum {

class TXBitmap;

// The shapes of the freehand pens, numbered as the shape lists offer them.
enum TPenShapeKind : int {
    PenShapeRound = 0,
    PenShapeSquare = 1,
    PenShapeTriangle = 2,
    PenShapeLeftSlash = 3,
    PenShapeRightSlash = 4,
};

// The shape of a stamping pen: entry (x, y) is true where the pen does not touch (the shape
// picture's pixel is white) and false where it does.
class TPenMaskArray : public TBool2DArray {
public:
    using TBool2DArray::TBool2DArray;

    // Takes the shape picture's size; converts the picture to 24 bits first.
    void LoadFromShape(TXBitmap& shape);
};

// Makes shape a width x width picture holding the pen shape in black on white. Width 1 and
// the square give a full black square; an unknown shape number leaves the picture white.
void BuildPenShape(TXBitmap& shape, int shapeKind, int width);

} // namespace vellum
