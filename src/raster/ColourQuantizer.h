#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "raster/Colour.h"

namespace vellum {

class TXBitmap;

using TPalette256 = std::array<TColor, 256>;

// The 20 static colours of the system's default palette: entries 0 to 9 and 246 to 255.
[[nodiscard]] const std::array<TColor, 20>& StaticPaletteColours();

// A 256-entry palette for a 24-bit picture: the static colours first and last, and between
// them up to 236 colours chosen by octree quantisation of the picture's colours (unused middle
// entries are black). The octree is built from a histogram of 6 bits a channel.
[[nodiscard]] TPalette256 BuildOctreePalette(const TXBitmap& picture);

// Maps rows of 24-bit pixels to palette indices with Floyd-Steinberg error diffusion. Rows
// must be given top to bottom; the diffused error is carried from one row to the next.
class TFloydSteinbergDitherer {
public:
    TFloydSteinbergDitherer(const TPalette256& palette, int width);

    void DitherRow(const std::uint8_t* bgr, std::uint8_t* indices);

private:
    [[nodiscard]] int Nearest(int r, int g, int b);

    TPalette256 m_palette;
    std::array<std::array<int, 3>, 256> m_rgb{};
    int m_width;
    // Errors in sixteenths for this row and the next, three channels a pixel, one pixel of
    // margin on each side.
    std::vector<int> m_current;
    std::vector<int> m_next;
    // For each 6-bit-a-channel cell, found on first use: the offset in m_candidates of the
    // palette entries that can be nearest to a colour of the cell (a count, then the indices);
    // -1 while unknown.
    std::vector<std::int32_t> m_cache;
    std::vector<std::uint8_t> m_candidates;
};

} // namespace vellum
