#include "raster/ColourMatch.h"

#include <algorithm>
#include <bit>
#include <vector>

#include "raster/ArrayObjects.h"
#include "raster/XBitmap.h"

namespace vellum {

namespace {

// One bit per colour value: 2 MiB, one pass over the pixels.
class ColourSet {
public:
    ColourSet() : m_words(WordCount, 0) {}

    void Add(TColor c)
    {
        const auto value = static_cast<std::uint32_t>(c) & 0xFFFFFFu;
        m_words[value >> 6] |= std::uint64_t(1) << (value & 63);
    }

    // The lowest colour value not in the set.
    bool FirstMissing(TColor& colour) const
    {
        for (std::size_t i = 0; i < WordCount; ++i) {
            if (m_words[i] != ~std::uint64_t(0)) {
                colour = static_cast<TColor>(i * 64 + static_cast<std::size_t>(std::countr_one(m_words[i])));
                return true;
            }
        }
        return false;
    }

private:
    static constexpr std::size_t WordCount = (std::size_t(1) << 24) / 64;
    std::vector<std::uint64_t> m_words;
};

// Adds the colours of row y's pixels x0..x1 (inclusive) whose mask entry is not set.
void addRow(ColourSet& set, const TXBitmap& picture, int y, int x0, int x1, const TBool2DArray* mask)
{
    if (picture.PixelFormat() != TPixelFormat::pf24bit) {
        for (int x = x0; x <= x1; ++x)
            if (mask == nullptr || !mask->Column(x)[y])
                set.Add(picture.PixelColour(x, y));
        return;
    }
    const std::uint8_t* row = picture.ScanLine(y);
    for (int x = x0; x <= x1; ++x)
        if (mask == nullptr || !mask->Column(x)[y])
            set.Add(ColourOfPixel(row + 3 * x));
}

} // namespace

bool FindUnusedColour(const TXBitmap& picture, const TBool2DArray* mask, TColor& colour)
{
    if (mask != nullptr)
        mask->CheckCovers(picture.Width(), picture.Height());
    ColourSet set;
    for (int y = 0; y < picture.Height(); ++y)
        addRow(set, picture, y, 0, picture.Width() - 1, mask);
    return set.FirstMissing(colour);
}

bool FindUnusedColourInRect(const TXBitmap& picture, int left, int top, int right, int bottom, TColor& colour)
{
    if (left > right)
        std::swap(left, right);
    if (top > bottom)
        std::swap(top, bottom);
    left = std::max(left, 0);
    top = std::max(top, 0);
    right = std::min(right, picture.Width() - 1);
    bottom = std::min(bottom, picture.Height() - 1);
    if (left >= right || top >= bottom)
        return false;
    ColourSet set;
    for (int y = top; y <= bottom; ++y)
        addRow(set, picture, y, left, right, nullptr);
    return set.FirstMissing(colour);
}

} // namespace vellum
