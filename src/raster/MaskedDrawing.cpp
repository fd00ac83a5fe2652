#include "raster/MaskedDrawing.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "raster/ArrayObjects.h"
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
    for (auto j = static_cast<int>(firstRow); j < endRow; ++j) {
        const std::uint8_t* in = from->ScanLine(j);
        std::uint8_t* out = destination->ScanLine(static_cast<int>(j + y));
        const std::int64_t shift = 3 * static_cast<std::int64_t>(x); // source byte to destination byte
        if (mask == nullptr) {
            std::memcpy(out + 3 * firstColumn + shift, in + 3 * firstColumn, 3 * static_cast<std::size_t>(endColumn - firstColumn));
            continue;
        }
        for (auto i = static_cast<int>(firstColumn); i < endColumn; ++i)
            if (mask->Column(i)[j] == 0)
                std::memcpy(out + 3 * static_cast<std::int64_t>(i) + shift, in + 3 * static_cast<std::int64_t>(i), 3);
    }
}

void FillMasked(TXBitmap* picture, const TBool2DArray* mask, TColor colour)
{
    if (picture == nullptr || mask == nullptr)
        return;
    picture->SetPixelFormat(TPixelFormat::pf24bit);
    mask->CheckCovers(picture->Width(), picture->Height());
    std::uint8_t pixel[3];
    StorePixel(pixel, colour);
    for (int x = 0; x < picture->Width(); ++x) {
        const auto* column = mask->Column(x);
        for (int y = 0; y < picture->Height(); ++y)
            if (column[y] != 0)
                std::memcpy(picture->ScanLine(y) + 3 * x, pixel, 3);
    }
}

} // namespace vellum
