#include "selection/VLCompactSelection.h"

#include <cstring>

#include "selection/PicSelection.h"

namespace vellum {

TVLCompactSelection::TVLCompactSelection(const TPictureSelection* selection) { Refresh(selection); }

void TVLCompactSelection::Refresh(const TPictureSelection* selection)
{
    if (selection == nullptr)
        throw EPicSelectionError(QStringLiteral("Invalid Picture Selection"));
    const TXBitmap& image = selection->Image;
    Q_ASSERT(image.Empty() || image.PixelFormat() == TPixelFormat::pf24bit);
    m_width = image.Width();
    m_height = image.Height();
    const std::size_t rowBytes = 3 * static_cast<std::size_t>(m_width);
    std::vector<std::uint8_t> pixels(rowBytes * static_cast<std::size_t>(m_height));
    for (int y = 0; y < m_height; ++y)
        std::memcpy(pixels.data() + rowBytes * static_cast<std::size_t>(y), image.ScanLine(y), rowBytes);
    m_pixels = std::move(pixels);
    Left = selection->Bounds.left();
    Top = selection->Bounds.top();
    TransparentColour = selection->HasMask() ? selection->TransparentColour : -1;
}

TXBitmap TVLCompactSelection::Bitmap() const
{
    TXBitmap image;
    image.AllocateUninitialised(m_width, m_height, TPixelFormat::pf24bit);
    const std::size_t rowBytes = 3 * static_cast<std::size_t>(m_width);
    for (int y = 0; y < m_height; ++y)
        std::memcpy(image.ScanLine(y), m_pixels.data() + rowBytes * static_cast<std::size_t>(y), rowBytes);
    return image;
}

} // namespace vellum
