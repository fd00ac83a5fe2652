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
        // A JPEG is decoded at the smallest scale that still leaves twice the thumbnail each
        // way, then box-reduced from there; the fit is computed from the full size.
        QSize fit;
        TXBitmap picture;
        LoadPictureScaled(path, picture, [&](int width, int height) {
            fit = FitPictureSize(width, height, kRecentThumbnailWidth, kRecentThumbnailHeight);
            for (int d : {8, 4, 2})
                if ((width + d - 1) / d >= 2 * fit.width() && (height + d - 1) / d >= 2 * fit.height())
                    return d;
            return 1;
        });
        if (picture.Empty())
            return false;
        if (fit.isEmpty())
            fit = FitPictureSize(picture.Width(), picture.Height(), kRecentThumbnailWidth, kRecentThumbnailHeight);
        TXBitmap result;
        ScaleDownTo(picture, result, std::min(fit.width(), picture.Width()), std::min(fit.height(), picture.Height()));
        thumbnail = std::move(result);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

} // namespace vellum
