#pragma once

#include <array>
#include <cstdint>
#include <optional>
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

// A palette that holds every colour of a picture of few colours: the static colours first and
// last and the picture's other colours between them. Empty when the picture has more colours
// than that leaves room for.
[[nodiscard]] std::optional<TPalette256> ExactPalette(const TXBitmap& picture);

// Maps rows of pixels whose colours are all in an exact palette to their indices.
class TExactColourMapper {
public:
    explicit TExactColourMapper(const TPalette256& palette);

    void MapRow(const std::uint8_t* bgr, std::uint8_t* indices, int width) const;

private:
    // Open addressing: colour + 1 (0 marks a free slot) and its palette index.
    std::array<std::uint32_t, 1024> m_keys{};
    std::array<std::uint8_t, 1024> m_indices{};
};

// Maps rows of 24-bit pixels to palette indices with Floyd-Steinberg error diffusion. Rows
// must be given top to bottom; the diffused error is carried from one row to the next. Each
// colour goes to the palette entry nearest to the centre of its cell of 6 bits a channel
// (within 3.5 of the colour): the diffused error makes up for the difference, and a small
// table keeps the per-pixel cost low.
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
    // Palette index of each cell, found on first use; -1 while unknown.
    std::vector<std::int16_t> m_cache;
};

} // namespace vellum
