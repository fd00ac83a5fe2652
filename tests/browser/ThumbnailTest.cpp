#include "browser/Thumbnail.h"

#include <unistd.h>

#include <atomic>
#include <cmath>
#include <memory>
#include <random>

#include <QBuffer>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include "BrowserTestSupport.h"
#include "browser/FileAge.h"
#include "browser/ThumbnailWorkers.h"
#include "raster/PictureCodecs.h"

namespace vellum {
namespace {

TEST(Thumbnail, SizeKeepsProportionsWithinTheBoxNeverEnlarging)
{
    struct Case {
        int width, height, thumbWidth, thumbHeight; // thumbHeight before padding
    };
    const Case cases[] = {
        {1000, 10, 94, 0}, {200, 300, 65, 98}, {50, 40, 50, 40}, {1, 1000, 1, 98}, {6000, 4000, 94, 62},
        {94, 98, 94, 98}, {188, 196, 94, 98}, {95, 1, 94, 0}, {1, 1, 1, 1}, {100000, 1, 94, 0}, {20000, 98, 94, 0},
    };
    for (const Case& c : cases) {
        const TThumbnailSize size = ThumbnailSize(c.width, c.height, 94, 98);
        EXPECT_EQ(size.Width, c.thumbWidth) << c.width << " x " << c.height;
        EXPECT_EQ(size.Height, c.thumbHeight) << c.width << " x " << c.height;
    }
}

TEST(Thumbnail, MadeFromTheFileWithPaddingToTwoRows)
{
    QTemporaryDir dir;
    struct Case {
        const char* name;
        int width, height, thumbWidth, thumbHeight;
    };
    const Case cases[] = {
        {"flat.bmp", 1000, 10, 94, 2}, {"tall.jpg", 200, 300, 65, 98}, {"small.gif", 50, 40, 50, 40},
        {"thin.bmp", 1, 1000, 1, 98}, {"one.bmp", 3, 1, 3, 2},
    };
    for (const Case& c : cases) {
        const QString path = dir.filePath(QString::fromLatin1(c.name));
        test::WritePicture(path, c.width, c.height);
        const TThumbnail thumbnail = MakeThumbnail(path, 94, 98, TThumbnailMode::Reduced);
        EXPECT_EQ(thumbnail.Width, c.width) << c.name;
        EXPECT_EQ(thumbnail.Height, c.height) << c.name;
        EXPECT_EQ(thumbnail.FileDate, FileAge(path)) << c.name;
        int width = 0;
        int height = 0;
        ASSERT_TRUE(JpegFrameSize(reinterpret_cast<const std::uint8_t*>(thumbnail.Jpeg.constData()), thumbnail.Jpeg.size(), width, height));
        EXPECT_EQ(width, c.thumbWidth) << c.name;
        EXPECT_EQ(height, c.thumbHeight) << c.name;
    }

    // The added rows have the button face: both of a reduction 0 rows high, the second of one
    // row kept.
    for (const int width : {1000, 50}) {
        const int height = width == 1000 ? 10 : 1;
        TXBitmap picture(width, height);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                StorePixel(picture.ScanLine(y) + 3 * x, RGBColor(200, 10, 30));
        const TXBitmap padded = ExactThumbnailPicture(picture, 94, 98);
        ASSERT_EQ(padded.Height(), 2);
        ASSERT_EQ(padded.Width(), std::min(width, 94));
        for (int x = 0; x < padded.Width(); ++x) {
            EXPECT_EQ(padded.PixelColour(x, 0), height == 1 ? RGBColor(200, 10, 30) : kButtonFace) << width;
            EXPECT_EQ(padded.PixelColour(x, 1), kButtonFace) << width;
        }
    }
}

TEST(Thumbnail, ExactModeStoresTheEncodedBoxReduction)
{
    QTemporaryDir dir;
    for (const char* name : {"p.bmp", "p.jpg", "p.gif"}) {
        const QString path = dir.filePath(QString::fromLatin1(name));
        test::WritePicture(path, 301, 203, 3);
        TXBitmap loaded;
        loaded.LoadPicture(path);
        const QByteArray expected = EncodeThumbnail(ExactThumbnailPicture(loaded, 94, 98));
        EXPECT_EQ(MakeThumbnail(path, 94, 98, TThumbnailMode::Exact).Jpeg, expected) << name;
        // Baseline with the codec's quality-80 tables and the fastest transform.
        EXPECT_TRUE(expected.contains(QByteArray("\xFF\xC0", 2))) << name;
        EXPECT_FALSE(expected.contains(QByteArray("\xFF\xC2", 2))) << name;
        TXBitmap picture = ExactThumbnailPicture(loaded, 94, 98);
        QByteArray fast;
        QBuffer buffer(&fast);
        buffer.open(QIODevice::WriteOnly);
        WriteJpeg(buffer, picture, 80, TJpegDct::Fast);
        EXPECT_EQ(expected, fast) << name;
    }
}

TEST(Thumbnail, NoPictureNoThumbnail)
{
    QTemporaryDir dir;
    const QString junk = dir.filePath(QStringLiteral("junk.jpg"));
    test::WriteAll(junk, QByteArray("not a picture"));
    EXPECT_THROW((void)MakeThumbnail(junk, 94, 98, TThumbnailMode::Reduced), VellumException);
    EXPECT_THROW((void)MakeThumbnail(dir.filePath(QStringLiteral("missing.bmp")), 94, 98, TThumbnailMode::Reduced), VellumException);
    // A FIFO named like a picture fails at once instead of waiting for a writer.
    const QString fifo = dir.filePath(QStringLiteral("pipe.jpg"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    EXPECT_THROW((void)MakeThumbnail(fifo, 94, 98, TThumbnailMode::Reduced), VellumException);
}

// A photograph-like picture: smooth light, texture and noise, some hard edges.
TXBitmap PhotoLike(int width, int height, unsigned seed)
{
    std::mt19937 random(seed);
    std::normal_distribution<double> noise(0.0, 6.0);
    TXBitmap picture(width, height);
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = picture.ScanLine(y);
        for (int x = 0; x < width; ++x) {
            const double u = double(x) / width;
            const double v = double(y) / height;
            double r = 120 + 90 * std::sin(3 * u + 2 * v) + 20 * std::sin(x * 0.05) * std::cos(y * 0.07);
            double g = 100 + 80 * std::cos(4 * v - u) + 15 * std::sin((x + y) * 0.11);
            double b = 140 + 70 * std::sin(5 * u * v + 1);
            if ((x / 97 + y / 131) % 5 == 0) { // blocks with hard edges
                r = 240 - r / 4;
                b = 30;
            }
            const double n = noise(random);
            row[3 * x] = std::uint8_t(std::clamp(b + n, 0.0, 255.0));
            row[3 * x + 1] = std::uint8_t(std::clamp(g + n, 0.0, 255.0));
            row[3 * x + 2] = std::uint8_t(std::clamp(r + n, 0.0, 255.0));
        }
    }
    return picture;
}

TEST(Thumbnail, ReducedDecodeStaysWithinToleranceOfTheExactOne)
{
    // Small boxes reach the larger divisors with pictures of test size.
    struct Case {
        int width, height, boxWidth, boxHeight, denominator;
    };
    const Case cases[] = {
        {1600, 1067, 94, 98, 2}, {1203, 3805, 94, 98, 2}, {1600, 1200, 20, 20, 4}, {3000, 2000, 20, 20, 8}, {700, 500, 94, 98, 1},
    };
    for (const Case& c : cases) {
        QByteArray jpeg;
        QBuffer out(&jpeg);
        out.open(QIODevice::WriteOnly);
        WriteJpeg(out, PhotoLike(c.width, c.height, unsigned(c.width)), 90);
        out.close();

        QBuffer in(&jpeg);
        in.open(QIODevice::ReadOnly);
        TXBitmap full;
        ReadJpeg(in, full);
        const TXBitmap exact = ExactThumbnailPicture(full, c.boxWidth, c.boxHeight);

        in.seek(0);
        int denominator = 0;
        TJpegReadOptions options;
        options.ScaleDenominator = [&](int width, int height) {
            return denominator = ReducedScaleDenominator(width, height, c.boxWidth, c.boxHeight);
        };
        TXBitmap scaled;
        ReadJpeg(in, scaled, options);
        EXPECT_EQ(denominator, c.denominator) << c.width << " x " << c.height;
        EXPECT_EQ(scaled.Width(), (c.width + denominator - 1) / denominator);
        const TXBitmap reduced = ReducedThumbnailPicture(scaled, denominator, c.width, c.height, c.boxWidth, c.boxHeight);
        ASSERT_EQ(reduced.Width(), exact.Width());
        ASSERT_EQ(reduced.Height(), exact.Height());

        double squares = 0;
        double signedSum[3] = {0, 0, 0};
        for (int y = 0; y < exact.Height(); ++y)
            for (int i = 0; i < 3 * exact.Width(); ++i) {
                const double d = double(reduced.ScanLine(y)[i]) - exact.ScanLine(y)[i];
                squares += d * d;
                signedSum[i % 3] += d;
            }
        const double samples = double(exact.Width()) * exact.Height();
        const double psnr = 10 * std::log10(255.0 * 255.0 / std::max(squares / (3 * samples), 1e-9));
        EXPECT_GE(psnr, 40.0) << c.width << " x " << c.height;
        for (double sum : signedSum)
            EXPECT_LE(std::abs(sum / samples), 0.5) << c.width << " x " << c.height;
    }
}

TEST(ThumbnailWorkers, CancelStopsTheCallsAndNeverWaitsForAWorker)
{
    QTemporaryDir dir;
    std::vector<QString> paths;
    for (int i = 0; i < 8; ++i) {
        paths.push_back(dir.filePath(QStringLiteral("p%1.bmp").arg(i)));
        test::WritePicture(paths.back(), 600, 400, i);
    }
    auto calls = std::make_shared<std::atomic<int>>(0);
    int afterCancel = 0;
    {
        TThumbnailWorkers workers(paths, 94, 98, TThumbnailMode::Reduced, 2, [calls] { ++*calls; });
        workers.Cancel();
        afterCancel = *calls;
        // Results not ready at the cancel never come: taking them does not wait.
        int taken = 0;
        for (std::size_t i = 0; i < paths.size(); ++i)
            taken += workers.Take(i, true).has_value() ? 1 : 0;
        EXPECT_LE(taken, int(paths.size()));
    }
    QTest::qWait(300); // a worker still making its thumbnail finishes meanwhile
    EXPECT_EQ(*calls, afterCancel);
}

// A file that names itself a 10000 x 10000 bitmap: making its thumbnail takes the large-picture
// budget first (and then fails).
QString LargePictureHeader(const QTemporaryDir& dir, const QString& name)
{
    QByteArray bytes(64, '\0');
    bytes[0] = 'B';
    bytes[1] = 'M';
    bytes[14] = 40;
    bytes[18] = char(0x10); // 10000 = 0x2710
    bytes[19] = char(0x27);
    bytes[22] = char(0x10);
    bytes[23] = char(0x27);
    const QString path = dir.filePath(name);
    test::WriteAll(path, bytes);
    return path;
}

TEST(ThumbnailWorkers, TheLargePictureBudgetIsOneForTheWholeProgram)
{
    QTemporaryDir dir;
    const QString large = LargePictureHeader(dir, QStringLiteral("large.bmp"));
    const QString small = dir.filePath(QStringLiteral("small.bmp"));
    test::WritePicture(small, 60, 40);
    std::unique_lock<std::mutex> budget(LargePictureBudget());
    // Another set's large picture waits for the budget; small pictures do not.
    TThumbnailWorkers first({large}, 94, 98, TThumbnailMode::Reduced, 1, {});
    TThumbnailWorkers second({small}, 94, 98, TThumbnailMode::Reduced, 1, {});
    const std::optional<TThumbnailWorkers::TResult> made = second.Take(0, true);
    ASSERT_TRUE(made.has_value());
    EXPECT_TRUE(made->Ok);
    QTest::qWait(200);
    EXPECT_FALSE(first.IsReady(0)) << "decoded while the budget was held elsewhere";
    budget.unlock();
    const std::optional<TThumbnailWorkers::TResult> failed = first.Take(0, true);
    ASSERT_TRUE(failed.has_value());
    EXPECT_FALSE(failed->Ok);
}

TEST(ThumbnailWorkers, CancelledWorkersStopAtTheirNextPictureAndAreWaitedFor)
{
    QTemporaryDir dir;
    std::vector<QString> paths{LargePictureHeader(dir, QStringLiteral("large.bmp"))};
    for (int i = 0; i < 4; ++i) {
        paths.push_back(dir.filePath(QStringLiteral("p%1.bmp").arg(i)));
        test::WritePicture(paths.back(), 60, 40, i);
    }
    ASSERT_TRUE(TThumbnailWorkers::WaitForAll(10000));
    std::unique_lock<std::mutex> budget(LargePictureBudget());
    TThumbnailWorkers workers(paths, 94, 98, TThumbnailMode::Reduced, 1, {});
    QTest::qWait(100); // the worker waits for the budget with the first picture
    workers.Cancel();
    EXPECT_EQ(TThumbnailWorkers::Running(), 1) << "the cancelled worker is still counted";
    EXPECT_FALSE(TThumbnailWorkers::WaitForAll(50));
    budget.unlock();
    EXPECT_TRUE(TThumbnailWorkers::WaitForAll(10000));
    EXPECT_EQ(TThumbnailWorkers::Running(), 0);
    for (std::size_t i = 1; i < paths.size(); ++i)
        EXPECT_FALSE(workers.IsReady(i)) << "picture " << i << " was started after the cancel";
}

TEST(FileAge, PacksLocalTimeInTwoSecondSteps)
{
    struct Case {
        int year, month, day, hour, minute, second;
        std::int32_t packed;
    };
    const Case cases[] = {
        {1980, 1, 1, 0, 0, 0, (1 << 21) | (1 << 16)},
        {2026, 12, 10, 13, 45, 59, std::int32_t((46u << 25) | (12u << 21) | (10u << 16) | (13u << 11) | (45u << 5) | 29u)},
        {2044, 3, 1, 8, 0, 2, std::int32_t((64u << 25) | (3u << 21) | (1u << 16) | (8u << 11) | 1u)},
        {2107, 12, 31, 23, 59, 58, std::int32_t((127u << 25) | (12u << 21) | (31u << 16) | (23u << 11) | (59u << 5) | 29u)},
        {1979, 12, 31, 23, 59, 59, -1},
    };
    for (const Case& c : cases) {
        std::tm local{};
        local.tm_year = c.year - 1900;
        local.tm_mon = c.month - 1;
        local.tm_mday = c.day;
        local.tm_hour = c.hour;
        local.tm_min = c.minute;
        local.tm_sec = c.second;
        local.tm_isdst = -1;
        const std::int32_t packed = DosDateTime(std::mktime(&local));
        EXPECT_EQ(packed, c.packed) << c.year;
        if (packed != -1) {
            EXPECT_EQ(DosDateTimeToDateTime(packed), QDateTime(QDate(c.year, c.month, c.day), QTime(c.hour, c.minute, c.second / 2 * 2)));
        }
    }
    // Values that name no real date or time.
    for (const std::int32_t value : {-1, 0, std::int32_t((2u << 21) | (30u << 16)), std::int32_t((1u << 21) | (1u << 16) | (24u << 11))})
        EXPECT_FALSE(DosDateTimeToDateTime(value).isValid()) << value;
}

} // namespace
} // namespace vellum
