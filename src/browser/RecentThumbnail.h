#pragma once

// Thumbnails of the recent-files menu and the file dialogs' previews: pure functions, safe on
// any thread.
#include <QSize>
#include <QString>

namespace vellum {

class TXBitmap;

// The size a width x height picture takes in a boxWidth x boxHeight box: proportions kept by
// truncation, never enlarged; each side at least 1 (a 1000 x 5 picture in 80 x 70 is 80 x 1).
[[nodiscard]] QSize FitPictureSize(int width, int height, int boxWidth, int boxHeight);

constexpr int kRecentThumbnailWidth = 80;
constexpr int kRecentThumbnailHeight = 70;

// The thumbnail of the picture file at path, fitted into 80 x 70 from its full size and reduced
// by box averaging. A JPEG is decoded at 1/8, 1/4 or 1/2 of its size when that still leaves
// twice the thumbnail each way. False on any failure (thumbnail then unchanged).
[[nodiscard]] bool MakeRecentThumbnail(const QString& path, TXBitmap& thumbnail);

} // namespace vellum
