#pragma once

// The 6000 x 4000 picture the benchmarks work on: the photograph bench/compare.sh uses when
// VELLUM_BENCH_PHOTO names it (or it lies in the default cache folder); otherwise a synthetic
// one with smooth areas, edges and noise.
#include <random>

#include <QDir>
#include <QFileInfo>
#include <QString>

#include "raster/XBitmap.h"

namespace vellum::bench {

inline TXBitmap SyntheticPhoto(int width, int height)
{
    TXBitmap picture(width, height);
    std::mt19937 random(1);
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = picture.ScanLine(y);
        for (int x = 0; x < width; ++x) {
            const int noise = int(random() % 16);
            row[3 * x] = std::uint8_t((x * 255 / width + noise) & 0xFF);
            row[3 * x + 1] = std::uint8_t(((x / 200 + y / 200) % 2 ? 180 : 60) + noise);
            row[3 * x + 2] = std::uint8_t((y * 255 / height) ^ (noise >> 2));
        }
    }
    return picture;
}

inline const TXBitmap& Photo()
{
    static const TXBitmap photo = [] {
        QString path = qEnvironmentVariable("VELLUM_BENCH_PHOTO");
        if (path.isEmpty())
            path = QDir::homePath() + QStringLiteral("/.cache/vellum-photos/big/photo-6000x4000.bmp");
        TXBitmap picture;
        if (QFileInfo::exists(path)) {
            picture.LoadPicture(path);
            picture.SetPixelFormat(TPixelFormat::pf24bit);
        } else {
            picture = SyntheticPhoto(6000, 4000);
        }
        return picture;
    }();
    return photo;
}

} // namespace vellum::bench
