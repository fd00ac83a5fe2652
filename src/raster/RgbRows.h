#pragma once

#include <cstddef>
#include <cstdint>

namespace vellum {

// Rows of pixels to draw on: 24-bit (blue, green, red) or opaque 32-bit (0xffRRGGBB, as
// CopyBgrToRgb32 writes them), Stride bytes apart from the first.
struct TPixelRows {
    std::uint8_t* Bits = nullptr;
    std::ptrdiff_t Stride = 0;
    int Width = 0;
    int Height = 0;
    bool Rgb32 = false;

    [[nodiscard]] std::uint8_t* Pixel(int x, int y) const { return Bits + y * Stride + x * (Rgb32 ? 4 : 3); }
};

// count pixels of a 24-bit row (blue, green, red) as opaque 32-bit pixels (0xffRRGGBB, the
// layout of QRgb and of QImage::Format_RGB32), for handing rows to the screen: drawing a 24-bit
// image makes the paint engine convert it at every paint.
void CopyBgrToRgb32(const std::uint8_t* source, std::uint32_t* target, int count);
// The way back: count 32-bit pixels as a 24-bit row, alpha dropped.
void CopyRgb32ToBgr(const std::uint32_t* source, std::uint8_t* target, int count);

// count pixels of a 24-bit row, each repeated zoom times (zoom from 1 to 15): the target's
// 3 * count * zoom bytes are written, none beyond.
void ZoomRow(const std::uint8_t* source, int count, int zoom, std::uint8_t* target);
// The same into opaque 32-bit pixels (as CopyBgrToRgb32): count * zoom of them, none beyond.
void ZoomRowToRgb32(const std::uint8_t* source, int count, int zoom, std::uint32_t* target);

} // namespace vellum
