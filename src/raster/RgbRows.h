#pragma once

#include <cstdint>

namespace vellum {

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
