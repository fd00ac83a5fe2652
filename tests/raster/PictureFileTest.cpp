#include <functional>
#include <set>
#include <utility>
#include <vector>

#include <QBuffer>
#include <QDir>

#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QImage>

#include "PictureTestSupport.h"
#include "raster/ColourQuantizer.h"
#include "raster/XBitmap.h"

using namespace vellum;
using namespace vellum::test;

namespace {

QString Saved(const TXBitmap& picture, const QString& name)
{
    const QString path = TempPath(name);
    picture.SavePicture(path);
    return path;
}

QByteArray FirstBytes(const QString& path, int count)
{
    return ReadFile(path).left(count);
}

template <typename Exception>
QString MessageOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const Exception& e) {
        return e.message();
    }
    return QStringLiteral("<no exception>");
}

} // namespace

TEST(PictureFile, FormatIsRecognisedByContentNotByName)
{
    const TXBitmap picture = GradientPicture(8, 5);
    // Written under the right name, then copied under a misleading one.
    struct Case { QString written, misnamed; TPixelFormat format; };
    const Case cases[] = {
        {QStringLiteral("a.bmp"), QStringLiteral("bmp-named.jpg"), TPixelFormat::pf24bit},
        {QStringLiteral("a.jpg"), QStringLiteral("jpeg-named.bmp"), TPixelFormat::pf24bit},
        {QStringLiteral("a.gif"), QStringLiteral("gif-named.png"), TPixelFormat::pf24bit},
    };
    for (const Case& c : cases) {
        const QString path = TempPath(c.misnamed);
        WriteFile(path, ReadFile(Saved(picture, c.written)));
        TXBitmap loaded;
        loaded.LoadPicture(path);
        EXPECT_EQ(loaded.Width(), 8) << c.misnamed.toStdString();
        EXPECT_EQ(loaded.Height(), 5);
    }
}

TEST(PictureFile, UnrecognisedContentShortFilesAndMissingFilesFailEachInTheirWay)
{
    const QString lowerGif = TempPath(QStringLiteral("lower.gif"));
    WriteFile(lowerGif, QByteArray("gif89a") + QByteArray(20, '\0'));
    const QString thirteen = TempPath(QStringLiteral("thirteen.bmp"));
    WriteFile(thirteen, QByteArray("BM") + QByteArray(11, '\0'));
    TXBitmap picture;
    EXPECT_EQ(MessageOf<EInvalidGraphic>([&] { picture.LoadPicture(lowerGif); }), u"Bitmap image is not valid");
    EXPECT_EQ(MessageOf<EReadError>([&] { picture.LoadPicture(thirteen); }), u"Stream read error");
    EXPECT_THROW(picture.LoadPicture(TempPath(QStringLiteral("missing.bmp"))), EFOpenError);
}

TEST(PictureFile, ForceBitmapReadsAnyContentAsBmp)
{
    const QString path = Saved(GradientPicture(3, 3), QStringLiteral("force.jpg"));
    TXBitmap picture;
    EXPECT_EQ(MessageOf<EInvalidGraphic>([&] { picture.LoadPicture(path, ForceBitmap::Yes); }),
              u"Bitmap image is not valid");
    picture.SavePicture(TempPath(QStringLiteral("forced.gif")), ForceBitmap::Yes);
    EXPECT_EQ(FirstBytes(TempPath(QStringLiteral("forced.gif")), 2), "BM");
}

TEST(PictureFile, ExtensionIsTheTextAfterTheLastDotOfTheLastPathPart)
{
    struct Case { const char* name; const char* extension; };
    const Case cases[] = {
        {"picture.jpg", "JPG"},  {"picture.Jpeg", "JPEG"}, {"picture", ""},
        {"dir.d/picture", ""},   {"dir.d\\picture", ""},   {"c:picture", ""},
        {"a.b.gif", "GIF"},      {"picture.", ""},         {"x.tar.bmp", "BMP"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(PictureExtension(QString::fromUtf8(c.name)), QString::fromUtf8(c.extension)) << c.name;
}

TEST(PictureFile, SavingChoosesTheFormatByExtension)
{
    struct Case { const char* name; QByteArray magic; };
    const Case cases[] = {
        {"noext", QByteArray("BM")},
        {"plain.bmp", QByteArray("BM")},
        {"photo.Jpg", QByteArray("\xFF\xD8", 2)},
        {"photo.JPEG", QByteArray("\xFF\xD8", 2)},
        {"anim.GIF", QByteArray("GIF")},
    };
    const TXBitmap picture = GradientPicture(4, 4);
    for (const Case& c : cases)
        EXPECT_EQ(FirstBytes(Saved(picture, QString::fromUtf8(c.name)), c.magic.size()), c.magic) << c.name;

    // A '.' in a folder name is no extension.
    const QString folder = TempPath(QStringLiteral("folder.jpg"));
    QDir().mkpath(folder);
    picture.SavePicture(folder + QStringLiteral("/inside"));
    EXPECT_EQ(FirstBytes(folder + QStringLiteral("/inside"), 2), "BM");
}

TEST(PictureFile, UnknownExtensionIsRefusedAndWritesNothing)
{
    const QString path = TempPath(QStringLiteral("picture.png"));
    EXPECT_EQ(MessageOf<EInvalidGraphic>([&] { GradientPicture(2, 2).SavePicture(path); }),
              u"Unknown picture format :PNG");
    EXPECT_FALSE(QFileInfo::exists(path));
    EXPECT_EQ(MessageOf<EInvalidGraphic>([&] { GradientPicture(2, 2).SavePicture(TempPath("p.tif")); }),
              u"Unknown picture format :TIF");
}

TEST(PictureFile, FailedSaveLeavesTheOldFileByteIdentical)
{
    const QString path = Saved(GradientPicture(5, 5), QStringLiteral("keep.jpg"));
    const QByteArray before = ReadFile(path);
    // An empty picture cannot be encoded as JPEG: the codec fails after the file was opened.
    EXPECT_THROW(TXBitmap().SavePicture(path), EInvalidGraphic);
    EXPECT_EQ(ReadFile(path), before);
    EXPECT_EQ(QDir(QFileInfo(path).path()).entryList(QDir::Files).filter(QStringLiteral("keep")).size(), 1);
}

TEST(PictureFile, BmpRoundTripIsExact)
{
    const TXBitmap picture = GradientPicture(7, 5);
    TXBitmap loaded;
    loaded.LoadPicture(Saved(picture, QStringLiteral("exact.bmp")));
    EXPECT_EQ(loaded.PixelFormat(), TPixelFormat::pf24bit);
    EXPECT_TRUE(SamePixels(loaded, picture));
    EXPECT_EQ(ReadFile(TempPath(QStringLiteral("exact.bmp"))).size(), 54 + 24 * 5);
}

TEST(PictureFile, SavedBmpHoldsTheSameBytesAsTheStreamWriter)
{
    // A file takes the rows where they lie, many per system call; any other device gets them
    // copied into chunks. Both must give the same bytes: padded rows, more rows than one call
    // takes, calls that end on the byte limit, and a palette format.
    TXBitmap palette(33, 1500, TPixelFormat::pf8bit);
    for (int y = 0; y < palette.Height(); ++y)
        for (int x = 0; x < palette.Width(); ++x)
            palette.ScanLine(y)[x] = static_cast<std::uint8_t>(x * 7 + y);
    const std::vector<std::pair<QString, TXBitmap>> pictures{
        {QStringLiteral("7 x 5"), GradientPicture(7, 5)},
        {QStringLiteral("1 x 3000"), GradientPicture(1, 3000)},
        {QStringLiteral("3001 x 1100"), GradientPicture(3001, 1100)},
        {QStringLiteral("8-bit 33 x 1500"), palette},
    };
    for (const auto& [name, picture] : pictures) {
        QBuffer stream;
        stream.open(QIODevice::WriteOnly);
        picture.SaveToStream(stream);
        const QString path = Saved(picture, QStringLiteral("gathered.bmp"));
        EXPECT_TRUE(ReadFile(path) == stream.data()) << name.toStdString();
    }
}

TEST(PictureFile, JpegRoundTripKeepsSizeAndIsCloseToTheOriginal)
{
    TXBitmap picture(33, 17);
    for (int y = 0; y < 17; ++y)
        for (int x = 0; x < 33; ++x)
            StorePixel(picture.ScanLine(y) + 3 * x, RGBColor(x * 7, y * 15, 128));
    TXBitmap loaded;
    loaded.LoadPicture(Saved(picture, QStringLiteral("close.jpg")));
    ASSERT_EQ(loaded.Width(), 33);
    ASSERT_EQ(loaded.Height(), 17);
    int worst = 0;
    for (int y = 0; y < 17; ++y)
        for (int x = 0; x < 33; ++x)
            for (int c = 0; c < 3; ++c)
                worst = std::max(worst, std::abs(loaded.ScanLine(y)[3 * x + c] - picture.ScanLine(y)[3 * x + c]));
    EXPECT_LE(worst, 12);
    // Quality 90, baseline: Qt's reader agrees on the pixels.
    const QImage qt(TempPath(QStringLiteral("close.jpg")));
    EXPECT_EQ(qt.size(), QSize(33, 17));
    const QByteArray bytes = ReadFile(TempPath(QStringLiteral("close.jpg")));
    EXPECT_TRUE(bytes.contains(QByteArray("\xFF\xC0", 2))); // SOF0: baseline
    EXPECT_FALSE(bytes.contains(QByteArray("\xFF\xC2", 2)));
}

TEST(PictureFile, GifOfManyColoursHasAtMost256WithTheStaticColoursFirstAndLast)
{
    TXBitmap picture(64, 64);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x)
            StorePixel(picture.ScanLine(y) + 3 * x, RGBColor(x * 4, y * 4, (x * y) & 255));
    TXBitmap loaded;
    loaded.LoadPicture(Saved(picture, QStringLiteral("many.gif")));
    ASSERT_EQ(loaded.Width(), 64);
    std::set<TColor> colours;
    double error = 0;
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            colours.insert(loaded.PixelColour(x, y));
            for (int c = 0; c < 3; ++c)
                error += std::abs(loaded.ScanLine(y)[3 * x + c] - picture.ScanLine(y)[3 * x + c]);
        }
    EXPECT_LE(colours.size(), 256u);
    EXPECT_GT(colours.size(), 100u);
    EXPECT_LT(error / (64 * 64 * 3), 16.0); // dithered, but close on average

    // The global colour table follows the 6-byte signature and the 7-byte screen descriptor.
    const QByteArray file = ReadFile(TempPath(QStringLiteral("many.gif")));
    ASSERT_GE(file.size(), 13 + 768);
    EXPECT_EQ(std::uint8_t(file[10]) & 0x87, 0x87); // a global table of 256 entries
    auto entry = [&file](int i) {
        const auto* p = reinterpret_cast<const std::uint8_t*>(file.constData()) + 13 + 3 * i;
        return RGBColor(p[0], p[1], p[2]);
    };
    const auto& statics = StaticPaletteColours();
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(entry(i), statics[std::size_t(i)]) << i;
        EXPECT_EQ(entry(246 + i), statics[std::size_t(10 + i)]) << 246 + i;
    }
}

TEST(PictureFile, GifRowsOfATallPictureStayInPlace)
{
    // Tall enough for the rows to be dithered in two bands. Red and blue carry many colours;
    // green marks each row dark or light in an irregular pattern, so a row that lands in the
    // wrong place shows.
    const int width = 48, height = 400;
    auto light = [](int y) { return (y * 37) % 11 < 5; };
    TXBitmap picture(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            StorePixel(picture.ScanLine(y) + 3 * x, RGBColor(x * 5, light(y) ? 255 : 0, (x * y) & 255));
    TXBitmap loaded;
    loaded.LoadPicture(Saved(picture, QStringLiteral("tall.gif")));
    ASSERT_EQ(loaded.Height(), height);
    for (int y = 0; y < height; ++y) {
        int green = 0;
        for (int x = 0; x < width; ++x)
            green += loaded.ScanLine(y)[3 * x + 1];
        EXPECT_EQ(green / width > 128, light(y)) << "row " << y;
    }
}

TEST(PictureFile, GifOfFewColoursIsExact)
{
    TXBitmap picture(6, 4);
    const TColor colours[] = {RGBColor(12, 34, 56), RGBColor(200, 10, 90), clWhite};
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x)
            StorePixel(picture.ScanLine(y) + 3 * x, colours[(x + y) % 3]);
    TXBitmap loaded;
    loaded.LoadPicture(Saved(picture, QStringLiteral("few.gif")));
    EXPECT_TRUE(SamePixels(loaded, picture));
}
