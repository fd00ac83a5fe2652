#include "raster/RegionGrowth.h"

#include <cstring>
#include <vector>

#include "raster/ColourMatch.h"
#include "raster/XBitmap.h"

namespace vellum {

QRect GrowRegion(TXBitmap& picture, int x, int y, int tolerance, TByte2DArray& marks,
                 const std::function<void(int row, int left, int right)>& onSpan)
{
    const int width = picture.Width();
    const int height = picture.Height();
    Q_ASSERT(picture.PixelFormat() == TPixelFormat::pf24bit);
    Q_ASSERT(x >= 0 && x < width && y >= 0 && y < height);
    std::vector<std::uint8_t*> rows(static_cast<std::size_t>(height));
    for (int r = 0; r < height; ++r)
        rows[static_cast<std::size_t>(r)] = picture.ScanLine(r);
    std::uint8_t seed[3];
    std::memcpy(seed, rows[static_cast<std::size_t>(y)] + 3 * x, 3);

    // A pixel joins once: joined pixels are marked, so they are never tested again, and every
    // unmarked pixel still has its own colour whatever onSpan paints.
    marks.Release();
    marks.SetSize(height, width); // column y holds row y's marks
    auto joins = [&](int px, int py) {
        return marks.Column(py)[px] == 0 && WithinTolerance(tolerance, rows[static_cast<std::size_t>(py)] + 3 * px, seed);
    };
    struct Seed {
        int x;
        int y;
    };
    int boxLeft = x, boxTop = y, boxRight = x, boxBottom = y;
    std::vector<Seed> stack{{x, y}};
    while (!stack.empty()) {
        const Seed s = stack.back();
        stack.pop_back();
        if (!joins(s.x, s.y))
            continue;
        int left = s.x;
        while (left > 0 && joins(left - 1, s.y))
            --left;
        int right = s.x;
        while (right + 1 < width && joins(right + 1, s.y))
            ++right;
        std::memset(marks.Column(s.y) + left, 1, static_cast<std::size_t>(right - left + 1));
        boxLeft = std::min(boxLeft, left);
        boxRight = std::max(boxRight, right);
        boxTop = std::min(boxTop, s.y);
        boxBottom = std::max(boxBottom, s.y);
        if (onSpan)
            onSpan(s.y, left, right);
        // One seed for each run of joining pixels next to the span, above and below.
        for (const int ny : {s.y - 1, s.y + 1}) {
            if (ny < 0 || ny >= height)
                continue;
            bool inRun = false;
            for (int px = left; px <= right; ++px) {
                const bool can = joins(px, ny);
                if (can && !inRun)
                    stack.push_back({px, ny});
                inRun = can;
            }
        }
    }
    return QRect(QPoint(boxLeft, boxTop), QPoint(boxRight, boxBottom));
}

} // namespace vellum
