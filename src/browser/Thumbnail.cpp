#include "browser/Thumbnail.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include <QBuffer>
#include <QFile>

#include "browser/FileAge.h"
#include "raster/PictureCodecs.h"
#include "raster/ScaleDown.h"
#include "raster/XBitmap.h"

namespace vellum {

namespace {

// Adds rows of the button face below a thumbnail less than 2 rows high.
TXBitmap PadToTwoRows(TXBitmap picture, int width)
{
    if (picture.Height() >= 2)
        return picture;
    TXBitmap padded(width, 2);
    std::uint8_t face[3];
    StorePixel(face, kButtonFace);
    for (int y = 0; y < 2; ++y) {
        std::uint8_t* row = padded.ScanLine(y);
        if (y < picture.Height()) {
            std::memcpy(row, picture.ScanLine(y), std::size_t(width) * 3);
            continue;
        }
        for (int x = 0; x < width; ++x)
            std::memcpy(row + 3 * x, face, 3);
    }
    return padded;
}

// The decoded pixels (of a picture decoded at 1/denominator) that cover full-size pixels first
// to last, each with the share of its area inside them.
struct TWeights {
    std::vector<int> Start;           // per thumbnail pixel: first index into Index/Weight
    std::vector<int> Index;
    std::vector<double> Weight;
};

TWeights AreaWeights(int fullSize, int scaledSize, int newSize, int denominator)
{
    const TBoxRanges ranges = BoxRanges(fullSize, newSize);
    TWeights weights;
    for (int k = 0; k < newSize; ++k) {
        weights.Start.push_back(int(weights.Index.size()));
        const int first = ranges.First[std::size_t(k)];
        const int end = ranges.Last[std::size_t(k)] + 1;
        const double span = end - first;
        for (int j = first / denominator; j < scaledSize && j * denominator < end; ++j) {
            const int from = std::max(first, j * denominator);
            const int to = std::min(end, std::min(fullSize, (j + 1) * denominator));
            if (to > from) {
                weights.Index.push_back(j);
                weights.Weight.push_back((to - from) / span);
            }
        }
    }
    weights.Start.push_back(int(weights.Index.size()));
    return weights;
}

// The picture's width and height from its first bytes, for BMP and GIF; false when unknown.
bool PeekSize(const QByteArray& head, std::int64_t& width, std::int64_t& height)
{
    const auto* b = reinterpret_cast<const std::uint8_t*>(head.constData());
    auto u16 = [&](int at) { return std::int64_t(b[at] | (b[at + 1] << 8)); };
    auto i32 = [&](int at) { return std::int64_t(std::int32_t(std::uint32_t(b[at]) | (std::uint32_t(b[at + 1]) << 8) | (std::uint32_t(b[at + 2]) << 16) | (std::uint32_t(b[at + 3]) << 24))); };
    if (head.size() >= 26 && b[0] == 'B' && b[1] == 'M') {
        if (i32(14) == 12) {
            width = u16(18);
            height = u16(20);
        } else {
            width = std::llabs(i32(18));
            height = std::llabs(i32(22));
        }
        return true;
    }
    if (head.size() >= 10 && head.startsWith("GIF")) {
        width = u16(6);
        height = u16(8);
        return true;
    }
    return false;
}

} // namespace

TThumbnailSize ThumbnailSize(int width, int height, int boxWidth, int boxHeight)
{
    const double q = double(height) / double(width);
    TThumbnailSize size{width, height};
    if (double(height) / boxHeight >= double(width) / boxWidth) {
        if (height > boxHeight)
            size = {int(std::trunc(boxHeight / q)), boxHeight};
    } else if (width > boxWidth) {
        size = {boxWidth, int(std::trunc(boxWidth * q))};
    }
    // A width of 0 could not be compressed; one column keeps every readable picture listed.
    size.Width = std::max(size.Width, 1);
    return size;
}

TXBitmap ExactThumbnailPicture(const TXBitmap& picture, int boxWidth, int boxHeight)
{
    const TThumbnailSize size = ThumbnailSize(picture.Width(), picture.Height(), boxWidth, boxHeight);
    TXBitmap reduced;
    ScaleDownTo(picture, reduced, size.Width, size.Height);
    return PadToTwoRows(std::move(reduced), size.Width);
}

int ReducedScaleDenominator(int width, int height, int boxWidth, int boxHeight, int minimum)
{
    const TThumbnailSize size = ThumbnailSize(width, height, boxWidth, boxHeight);
    for (int denominator : {8, 4, 2}) {
        const std::int64_t scaledWidth = (std::int64_t(width) + denominator - 1) / denominator;
        const std::int64_t scaledHeight = (std::int64_t(height) + denominator - 1) / denominator;
        const std::int64_t needed = std::int64_t(minimum) * (denominator > 2 ? 2 : 1);
        if (scaledWidth >= needed * size.Width && scaledHeight >= needed * std::max(size.Height, 1))
            return denominator;
    }
    return 1;
}

TXBitmap ReducedThumbnailPicture(const TXBitmap& scaled, int denominator, int width, int height, int boxWidth, int boxHeight)
{
    if (denominator == 1)
        return ExactThumbnailPicture(scaled, boxWidth, boxHeight);
    const TThumbnailSize size = ThumbnailSize(width, height, boxWidth, boxHeight);
    const TWeights columns = AreaWeights(width, scaled.Width(), size.Width, denominator);
    const TWeights rows = AreaWeights(height, scaled.Height(), size.Height, denominator);
    TXBitmap reduced(size.Width, size.Height);
    std::vector<double> sums(std::size_t(scaled.Width()) * 3);
    for (int y = 0; y < size.Height; ++y) {
        std::fill(sums.begin(), sums.end(), 0.0);
        for (int r = rows.Start[std::size_t(y)]; r < rows.Start[std::size_t(y) + 1]; ++r) {
            const std::uint8_t* in = scaled.ScanLine(rows.Index[std::size_t(r)]);
            const double w = rows.Weight[std::size_t(r)];
            for (std::size_t i = 0; i < sums.size(); ++i)
                sums[i] += w * in[i];
        }
        std::uint8_t* out = reduced.ScanLine(y);
        for (int x = 0; x < size.Width; ++x) {
            double total[3] = {0, 0, 0};
            for (int c = columns.Start[std::size_t(x)]; c < columns.Start[std::size_t(x) + 1]; ++c) {
                const double w = columns.Weight[std::size_t(c)];
                const std::size_t at = 3 * std::size_t(columns.Index[std::size_t(c)]);
                for (int k = 0; k < 3; ++k)
                    total[k] += w * sums[at + std::size_t(k)];
            }
            // The exact reduction truncates its averages; so does this one.
            for (int k = 0; k < 3; ++k)
                out[3 * x + k] = std::uint8_t(std::clamp(std::floor(total[k] + 1e-6), 0.0, 255.0));
        }
    }
    return PadToTwoRows(std::move(reduced), size.Width);
}

QByteArray EncodeThumbnail(const TXBitmap& thumbnail)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    WriteJpeg(buffer, thumbnail, kThumbnailQuality, TJpegDct::Fast);
    return bytes;
}

void DecodeThumbnail(const char* data, std::int64_t size, TXBitmap& picture)
{
    QByteArray bytes = QByteArray::fromRawData(data, qsizetype(size));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    TJpegReadOptions options;
    options.Dct = TJpegDct::Fast;
    ReadJpeg(buffer, picture, options);
}

std::mutex& LargePictureBudget()
{
    // Never destroyed: a worker may still hold it while the program ends.
    static auto* budget = new std::mutex;
    return *budget;
}

TThumbnail MakeThumbnail(const QString& path, int boxWidth, int boxHeight, TThumbnailMode mode)
{
    // Opened without blocking and checked before reading: a FIFO or device named like a
    // picture would otherwise hang the build.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        throw EFOpenError(QStringLiteral("Cannot open file \"%1\". %2").arg(path, QString::fromLocal8Bit(std::strerror(errno))));
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly | QIODevice::Unbuffered, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        throw EFOpenError(QStringLiteral("Cannot open file \"%1\". %2").arg(path, file.errorString()));
    }
    struct stat status {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode))
        throw EFOpenError(QStringLiteral("Cannot open file \"%1\". It is not a regular file").arg(path));

    TThumbnail result;
    result.FileDate = DosDateTime(status.st_mtime);
    std::unique_lock<std::mutex> large;
    auto guardSize = [&](std::int64_t pixels) {
        if (pixels > kLargePicturePixels && !large.owns_lock())
            large = std::unique_lock<std::mutex>(LargePictureBudget());
    };

    const QByteArray head = file.peek(32);
    TXBitmap thumbnail;
    if (head.size() >= 2 && std::uint8_t(head[0]) == 0xFF && std::uint8_t(head[1]) == 0xD8) {
        int denominator = 1;
        TJpegReadOptions options;
        options.ScaleDenominator = [&](int width, int height) {
            result.Width = width;
            result.Height = height;
            if (mode == TThumbnailMode::Reduced)
                denominator = ReducedScaleDenominator(width, height, boxWidth, boxHeight);
            const std::int64_t scaledWidth = (std::int64_t(width) + denominator - 1) / denominator;
            const std::int64_t scaledHeight = (std::int64_t(height) + denominator - 1) / denominator;
            guardSize(scaledWidth * scaledHeight);
            return denominator;
        };
        TXBitmap picture;
        ReadJpeg(file, picture, options);
        if (picture.Empty())
            throw EInvalidGraphic(QStringLiteral("The picture is empty"));
        thumbnail = ReducedThumbnailPicture(picture, denominator, result.Width, result.Height, boxWidth, boxHeight);
    } else {
        std::int64_t width = 0;
        std::int64_t height = 0;
        guardSize(PeekSize(head, width, height) ? width * height : kLargePicturePixels + 1);
        TXBitmap picture;
        picture.LoadPictureFromStream(file);
        if (picture.Empty())
            throw EInvalidGraphic(QStringLiteral("The picture is empty"));
        result.Width = picture.Width();
        result.Height = picture.Height();
        thumbnail = ExactThumbnailPicture(picture, boxWidth, boxHeight);
    }
    if (large.owns_lock())
        large.unlock();
    result.Jpeg = EncodeThumbnail(thumbnail);
    return result;
}

} // namespace vellum
