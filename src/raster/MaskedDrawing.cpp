#include "raster/MaskedDrawing.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "raster/ArrayObjects.h"
#include "raster/MaskRows.h"
#include "raster/XBitmap.h"

namespace vellum {

void DrawMaskedBitmap(TXBitmap* source, TXBitmap* destination, int x, int y, const TBool2DArray* mask)
{
    if (source == nullptr || destination == nullptr)
        throw VellumException(QStringLiteral("DrawMaskedBitmap Error - Invalid bitmap/s"));
    source->SetPixelFormat(TPixelFormat::pf24bit);
    destination->SetPixelFormat(TPixelFormat::pf24bit);
    // Wide arithmetic: x and y may lie anywhere.
    const std::int64_t firstRow = std::max<std::int64_t>(0, -static_cast<std::int64_t>(y));
    const std::int64_t endRow = std::min<std::int64_t>(source->Height(), static_cast<std::int64_t>(destination->Height()) - y);
    const std::int64_t firstColumn = std::max<std::int64_t>(0, -static_cast<std::int64_t>(x));
    const std::int64_t endColumn = std::min<std::int64_t>(source->Width(), static_cast<std::int64_t>(destination->Width()) - x);
    if (firstRow >= endRow || firstColumn >= endColumn)
        return;
    if (mask != nullptr)
        mask->CheckCovers(static_cast<int>(endColumn), static_cast<int>(endRow));
    // Drawing a picture onto itself reads the pixels as they were.
    TXBitmap copy;
    const TXBitmap* from = source;
    if (source == destination) {
        copy = *source;
        from = &copy;
    }
    const std::int64_t shift = 3 * static_cast<std::int64_t>(x); // source byte to destination byte
    if (mask == nullptr) {
        for (auto j = static_cast<int>(firstRow); j < endRow; ++j)
            std::memcpy(destination->ScanLine(static_cast<int>(j + y)) + 3 * firstColumn + shift,
                        from->ScanLine(j) + 3 * firstColumn, 3 * static_cast<std::size_t>(endColumn - firstColumn));
        return;
    }
    const auto width = static_cast<int>(endColumn - firstColumn);
    ForEachMaskBand(width, static_cast<int>(endRow - firstRow), [&](int band, int count, std::uint8_t* marks) {
        const int j0 = static_cast<int>(firstRow) + band;
        MaskBandToRows(*mask, j0, count, static_cast<int>(firstColumn), width, marks, static_cast<std::size_t>(width));
        for (int k = 0; k < count; ++k) {
            const std::uint8_t* in = from->ScanLine(j0 + k) + 3 * firstColumn;
            std::uint8_t* out = destination->ScanLine(static_cast<int>(j0 + k + y)) + 3 * firstColumn + shift;
            ForEachRun(marks + static_cast<std::ptrdiff_t>(k) * width, width, 0, [&](int first, int end) {
                std::memcpy(out + 3 * first, in + 3 * first, 3 * static_cast<std::size_t>(end - first));
            });
        }
    });
}

void FillMasked(TXBitmap* picture, const TBool2DArray* mask, TColor colour)
{
    if (picture == nullptr || mask == nullptr)
        return;
    picture->SetPixelFormat(TPixelFormat::pf24bit);
    mask->CheckCovers(picture->Width(), picture->Height());
    std::uint8_t pixel[3];
    StorePixel(pixel, colour);
    const int width = picture->Width();
    ForEachMaskBand(width, picture->Height(), [&](int y0, int count, std::uint8_t* marks) {
        MaskBandToRows(*mask, y0, count, 0, width, marks, static_cast<std::size_t>(width));
        for (int k = 0; k < count; ++k) {
            std::uint8_t* row = picture->ScanLine(y0 + k);
            ForEachRun(marks + static_cast<std::ptrdiff_t>(k) * width, width, 1,
                       [&](int first, int end) { FillPixels(row + 3 * first, end - first, pixel); });
        }
    });
}

} // namespace vellum
