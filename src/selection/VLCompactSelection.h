#pragma once

#include <cstdint>
#include <vector>

#include <QPoint>

#include "raster/XBitmap.h"

namespace vellum {

class TPictureSelection;

// What undo keeps of a floating selection: its image (rows without padding), its top-left
// corner and its transparent colour when it is masked, else -1.
class TVLCompactSelection {
public:
    // Raises EPicSelectionError "Invalid Picture Selection" without a selection.
    explicit TVLCompactSelection(const TPictureSelection* selection);
    void Refresh(const TPictureSelection* selection);

    [[nodiscard]] TXBitmap Bitmap() const;
    [[nodiscard]] int Width() const { return m_width; }
    [[nodiscard]] int Height() const { return m_height; }
    [[nodiscard]] std::size_t ByteSize() const { return m_pixels.size(); }
    int Left = 0;
    int Top = 0;
    TColor TransparentColour = -1;

private:
    std::vector<std::uint8_t> m_pixels;
    int m_width = 0;
    int m_height = 0;
};

} // namespace vellum
