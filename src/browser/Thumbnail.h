#pragma once

// Making one thumbnail: a pure function of the picture file, safe to run on any thread.
#include <cstdint>
#include <mutex>

#include <QByteArray>
#include <QString>

#include "raster/Colour.h"

namespace vellum {

class TXBitmap;

// The cell face and the colour of the rows that pad a flat thumbnail: fixed, not the theme's,
// so the stored thumbnails do not depend on the desktop.
constexpr TColor kButtonFace = RGBColor(240, 240, 240);
// The JPEG quality of the stored thumbnails.
constexpr int kThumbnailQuality = 80;
// A full-size picture beyond this many pixels is decoded by one thread at a time in the whole
// program: LargePictureBudget is held while it is in memory.
constexpr std::int64_t kLargePicturePixels = 64LL * 1024 * 1024;
[[nodiscard]] std::mutex& LargePictureBudget();

struct TThumbnailSize {
    int Width = 0;
    int Height = 0;
};

// The size a width x height picture is reduced to for a boxWidth x boxHeight box: the picture's
// proportions kept, never enlarged, the height possibly 0 (padding comes later), the width at
// least 1.
[[nodiscard]] TThumbnailSize ThumbnailSize(int width, int height, int boxWidth, int boxHeight);

// Exact: the box reduction of the full decode. Reduced: JPEG files are decoded at 1/2, 1/4 or
// 1/8 of their size first and reduced with area weights; the result stays close to the exact
// one (see ReducedScaleDenominator) and every other format is made exactly.
enum class TThumbnailMode { Reduced, Exact };

struct TThumbnail {
    std::int32_t Width = 0;    // of the picture
    std::int32_t Height = 0;
    std::int32_t FileDate = -1;
    QByteArray Jpeg;           // the complete thumbnail file
};

// Makes the thumbnail of the picture file at path for the box. Raises a VellumException with
// the reason when the file is no regular file or cannot be read as a picture. Holds
// LargePictureBudget while a picture of more than kLargePicturePixels pixels is in memory.
[[nodiscard]] TThumbnail MakeThumbnail(const QString& path, int boxWidth, int boxHeight, TThumbnailMode mode);

// The exact thumbnail picture of a loaded picture (reduced, then padded to 2 rows).
[[nodiscard]] TXBitmap ExactThumbnailPicture(const TXBitmap& picture, int boxWidth, int boxHeight);
// The thumbnail picture of a picture decoded at 1/denominator of its full width x height.
[[nodiscard]] TXBitmap ReducedThumbnailPicture(const TXBitmap& scaled, int denominator, int width, int height,
                                               int boxWidth, int boxHeight);
// The largest of 8, 4, 2 that leaves at least minimum x minimum decoded pixels for each
// thumbnail pixel at 1/2, twice that at 1/4 and 1/8, else 1. The decoder rounds its reduced
// pixels where the exact reduction truncates its averages; in fine grain that adds up to a
// bias, which the stricter rule keeps within half a level on photographs.
constexpr int kReducedMinimumPixels = 8;
[[nodiscard]] int ReducedScaleDenominator(int width, int height, int boxWidth, int boxHeight,
                                          int minimum = kReducedMinimumPixels);
// The stored form of a thumbnail picture: baseline JPEG, quality 80, fastest transform.
[[nodiscard]] QByteArray EncodeThumbnail(const TXBitmap& thumbnail);
// Decodes a stored thumbnail with the fastest transform; raises EInvalidGraphic for bad bytes.
void DecodeThumbnail(const char* data, std::int64_t size, TXBitmap& picture);

} // namespace vellum
