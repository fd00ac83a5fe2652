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
    const std::int64_t shift = 3 * static_cast<std::int64_t>(x); // source byte to destination byte
    if (mask == nullptr) {
        for (auto j = static_cast<int>(firstRow); j < endRow; ++j)
            std::memcpy(destination->ScanLine(static_cast<int>(j + y)) + 3 * firstColumn + shift,
                        from->ScanLine(j) + 3 * firstColumn, 3 * static_cast<std::size_t>(endColumn - firstColumn));
        return;
    }
    // The mask is stored column by column: bands of rows read each column's entries together
    // while the rows stream.
    constexpr int Band = 64;
    const std::uint8_t* in[Band];
    std::uint8_t* out[Band];
    for (auto j0 = static_cast<int>(firstRow); j0 < endRow; j0 += Band) {
        const int rows = static_cast<int>(std::min<std::int64_t>(Band, endRow - j0));
        for (int k = 0; k < rows; ++k) {
            in[k] = from->ScanLine(j0 + k);
            out[k] = destination->ScanLine(static_cast<int>(j0 + k + y)) + shift;
        }
        for (auto i = static_cast<int>(firstColumn); i < endColumn; ++i) {
            const auto* column = mask->Column(i) + j0;
            const std::int64_t at = 3 * static_cast<std::int64_t>(i);
            for (int k = 0; k < rows; ++k)
                if (column[k] == 0)
                    std::memcpy(out[k] + at, in[k] + at, 3);
        }
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
    constexpr int Band = 64;
    std::uint8_t* rows[Band];
    for (int y0 = 0; y0 < picture->Height(); y0 += Band) {
        const int count = std::min(Band, picture->Height() - y0);
        for (int k = 0; k < count; ++k)
            rows[k] = picture->ScanLine(y0 + k);
        for (int x = 0; x < picture->Width(); ++x) {
            const auto* column = mask->Column(x) + y0;
            for (int k = 0; k < count; ++k)
                if (column[k] != 0)
                    std::memcpy(rows[k] + 3 * x, pixel, 3);
        }
    }
}

} // namespace vellum
