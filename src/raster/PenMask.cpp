#include "raster/PenMask.h"

#include <QPolygon>

#include "raster/Canvas.h"
#include "raster/XBitmap.h"

namespace vellum {

void TPenMaskArray::LoadFromShape(TXBitmap& shape)
{
    shape.SetPixelFormat(TPixelFormat::pf24bit);
    SetSize(shape.Width(), shape.Height());
    for (int y = 0; y < shape.Height(); ++y) {
        const std::uint8_t* row = shape.ScanLine(y);
        for (int x = 0; x < shape.Width(); ++x) {
            const std::uint8_t* p = row + 3 * x;
            Column(x)[y] = p[0] == 255 && p[1] == 255 && p[2] == 255;
        }
    }
}

void BuildPenShape(TXBitmap& shape, int shapeKind, int width)
{
    shape.SetSize(width, width);
    TCanvas& canvas = shape.Canvas();
    canvas.Pen = TPen{};
    canvas.Brush = TBrush{};
    const QRect whole(0, 0, width, width);
    if (width > 1 && shapeKind != PenShapeSquare) {
        canvas.Brush.Color = clWhite;
        canvas.FillRect(whole);
    }
    canvas.Brush.Color = clBlack;
    canvas.Pen.Color = clBlack;
    canvas.Pen.Width = 1;
    if (width == 1 || shapeKind == PenShapeSquare) {
        canvas.FillRect(whole);
        return;
    }
    const int w = width;
    const int d = (w + 5) / 10 + 1; // truncate(w / 10 + 0.5) + 1
    switch (shapeKind) {
    case PenShapeRound:
        canvas.Ellipse(0, 0, w, w);
        break;
    case PenShapeTriangle:
        canvas.Polygon(QPolygon({QPoint(0, w), QPoint(w, w), QPoint(w / 2, 0)}));
        break;
    case PenShapeLeftSlash:
        canvas.Polygon(QPolygon({QPoint(0, 0), QPoint(d, 0), QPoint(w, w - d), QPoint(w, w), QPoint(w - d, w),
                                 QPoint(0, d)}));
        break;
    case PenShapeRightSlash:
        canvas.Polygon(QPolygon({QPoint(0, w), QPoint(d, w), QPoint(w, d), QPoint(w, 0), QPoint(w - d, 0),
                                 QPoint(0, w - d)}));
        break;
    default:
        break;
    }
}

} // namespace vellum
