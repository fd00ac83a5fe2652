// Compares the reduced thumbnails of the JPEG files of a folder with the exact ones (before
// encoding) and prints the worst PSNR and the worst mean signed difference of a channel.
//   vellum_thumbnail_tolerance DIR [MINIMUM]
// MINIMUM: decoded pixels per thumbnail pixel and direction the reduced decode keeps (default
// the browser's).
#include <cmath>
#include <cstdio>

#include <QBuffer>
#include <QDir>
#include <QFile>

#include "browser/Thumbnail.h"
#include "raster/PictureCodecs.h"
#include "raster/XBitmap.h"

using namespace vellum;

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: vellum_thumbnail_tolerance DIR [MINIMUM]\n");
        return 2;
    }
    const int minimum = argc > 2 ? std::atoi(argv[2]) : kReducedMinimumPixels;
    const QDir dir(QString::fromLocal8Bit(argv[1]));
    double worstPsnr = 1e9;
    double worstMean = 0;
    QString worstPsnrName;
    QString worstMeanName;
    int files = 0;
    for (const QString& name : dir.entryList({QStringLiteral("*.jpg"), QStringLiteral("*.jpeg")}, QDir::Files, QDir::Name)) {
        QFile file(dir.filePath(name));
        if (!file.open(QIODevice::ReadOnly))
            continue;
        QByteArray bytes = file.readAll();
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::ReadOnly);
        TXBitmap full;
        try {
            ReadJpeg(buffer, full);
        } catch (const VellumException&) {
            continue;
        }
        const TXBitmap exact = ExactThumbnailPicture(full, 94, 98);
        buffer.seek(0);
        int denominator = 1;
        TJpegReadOptions options;
        options.ScaleDenominator = [&](int width, int height) {
            return denominator = ReducedScaleDenominator(width, height, 94, 98, minimum);
        };
        TXBitmap scaled;
        ReadJpeg(buffer, scaled, options);

        const TXBitmap reduced = ReducedThumbnailPicture(scaled, denominator, full.Width(), full.Height(), 94, 98);
        double squares = 0;
        double sums[3] = {0, 0, 0};
        for (int y = 0; y < exact.Height(); ++y)
            for (int i = 0; i < 3 * exact.Width(); ++i) {
                const double d = double(reduced.ScanLine(y)[i]) - exact.ScanLine(y)[i];
                squares += d * d;
                sums[i % 3] += d;
            }
        const double samples = double(exact.Width()) * exact.Height();
        const double psnr = 10 * std::log10(255.0 * 255.0 / std::max(squares / (3 * samples), 1e-9));
        if (psnr < worstPsnr) {
            worstPsnr = psnr;
            worstPsnrName = name;
        }
        if (qEnvironmentVariableIsSet("VERBOSE"))
            std::printf("%s d=%d psnr=%.2f mean=%+.3f %+.3f %+.3f\n", qPrintable(name), denominator, psnr,
                        sums[0] / samples, sums[1] / samples, sums[2] / samples);
        for (double sum : sums)
            if (std::abs(sum / samples) > std::abs(worstMean)) {
                worstMean = sum / samples;
                worstMeanName = name;
            }
        ++files;
    }
    std::printf("files=%d minimum=%d worst_psnr_db=%.2f (%s) worst_mean_difference=%+.3f (%s)\n", files, minimum,
                worstPsnr, qPrintable(worstPsnrName), worstMean, qPrintable(worstMeanName));
    return 0;
}
