#include "browser/RecentThumbnail.h"

#include <algorithm>

#include "raster/ScaleDown.h"
#include "raster/XBitmap.h"

namespace vellum {

QSize FitPictureSize(int width, int height, int boxWidth, int boxHeight)
{
    if (width <= 0 || height <= 0)
        return QSize(0, 0);
    const double q = double(height) / double(width);
    int w = width;
    int h = height;
    if (double(height) / boxHeight >= double(width) / boxWidth) {
        if (height > boxHeight) {
            w = static_cast<int>(boxHeight / q);
            h = boxHeight;
        }
    } else if (width > boxWidth) {
        w = boxWidth;
        h = static_cast<int>(boxWidth * q);
    }
    return QSize(std::max(w, 1), std::max(h, 1));
}

bool MakeRecentThumbnail(const QString& path, TXBitmap& thumbnail)
{
    try {
        TXBitmap picture;
        picture.LoadPicture(path);
        if (picture.Empty())
            return false;
        const QSize size = FitPictureSize(picture.Width(), picture.Height(), kRecentThumbnailWidth,
                                          kRecentThumbnailHeight);
        TXBitmap result;
        ScaleDownTo(picture, result, size.width(), size.height());
        thumbnail = std::move(result);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

} // namespace vellum
