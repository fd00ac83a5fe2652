#pragma once

#include <string>
#include <vector>

#include <QPoint>

#include "raster/EffectsBitmap.h"
#include "selection/PicSelection.h"

namespace vellum::test {

// A picture drawn as rows of letters, one per pixel, each letter a colour of the key below.
inline TEffectsBitmap Drawn(const std::vector<std::string>& rows)
{
    const int h = static_cast<int>(rows.size());
    const int w = h > 0 ? static_cast<int>(rows[0].size()) : 0;
    TEffectsBitmap picture(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const char c = rows[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)];
            TColor colour = clWhite;
            switch (c) {
            case 'K': colour = clBlack; break;
            case 'R': colour = RGBColor(200, 0, 0); break;
            case 'G': colour = RGBColor(0, 200, 0); break;
            case 'B': colour = RGBColor(0, 0, 200); break;
            case 'g': colour = RGBColor(0, 190, 0); break; // within 10 of G
            default: break;
            }
            StorePixel(picture.ScanLine(y) + 3 * x, colour);
        }
    return picture;
}

// The mask as rows: '#' opaque, '.' transparent.
inline std::vector<std::string> MaskRows(const TPictureSelection& s)
{
    std::vector<std::string> rows;
    for (int y = 0; y < s.Image.Height(); ++y) {
        std::string row;
        for (int x = 0; x < s.Image.Width(); ++x)
            row += (s.Mask && s.Mask->GetItem(x, y)) ? '.' : '#';
        rows.push_back(row);
    }
    return rows;
}

// With a mask: every transparent pixel holds TransparentColour and no opaque one does.
inline bool KeyInvariantHolds(const TPictureSelection& s)
{
    if (!s.Mask)
        return true;
    if (s.Mask->Width() != s.Image.Width() || s.Mask->Height() != s.Image.Height())
        return false;
    for (int y = 0; y < s.Image.Height(); ++y)
        for (int x = 0; x < s.Image.Width(); ++x)
            if (s.Mask->GetItem(x, y) != SameColour(s.Image.PixelColour(x, y), s.TransparentColour))
                return false;
    return true;
}

} // namespace vellum::test
