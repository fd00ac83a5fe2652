// Checks against public test pictures written by other projects. The test command fetches
// them once into a cache folder and names it in VELLUM_CORPORA_DIR; without the folder these
// tests are skipped.
#include <gif_lib.h>
#include <gtest/gtest.h>

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QFile>
#include <QImage>

#include "PictureTestSupport.h"
#include "raster/GifReader.h"
#include "raster/XBitmap.h"

using namespace vellum;

namespace {

QString CorporaDir()
{
    QString dir = qEnvironmentVariable("VELLUM_CORPORA_DIR");
    if (dir.isEmpty())
        dir = QDir::homePath() + QStringLiteral("/.cache/vellum-corpora");
    return QFileInfo::exists(dir + QStringLiteral("/.complete")) ? dir : QString();
}

#define REQUIRE_CORPORA(dir)                                                     \
    const QString dir = CorporaDir();                                            \
    if (dir.isEmpty())                                                           \
        GTEST_SKIP() << "no corpora folder (scripts/test.sh fetches it)"

// The first pixel where picture and reference differ by more than tolerance in red, green or
// blue, or an empty string.
std::string FirstDifference(const TXBitmap& picture, const QImage& reference, int tolerance = 0)
{
    if (picture.Width() != reference.width() || picture.Height() != reference.height())
        return "size " + std::to_string(picture.Width()) + "x" + std::to_string(picture.Height()) + " vs " +
               std::to_string(reference.width()) + "x" + std::to_string(reference.height());
    const QImage argb = reference.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < picture.Height(); ++y)
        for (int x = 0; x < picture.Width(); ++x) {
            const QRgb expected = argb.pixel(x, y);
            const TColor actual = picture.PixelColour(x, y);
            if (std::abs(GetRValue(actual) - qRed(expected)) > tolerance
                || std::abs(GetGValue(actual) - qGreen(expected)) > tolerance
                || std::abs(GetBValue(actual) - qBlue(expected)) > tolerance)
                return "pixel " + std::to_string(x) + "," + std::to_string(y) + ": " + std::to_string(GetRValue(actual)) + " " +
                       std::to_string(GetGValue(actual)) + " " + std::to_string(GetBValue(actual)) + " vs " +
                       std::to_string(qRed(expected)) + " " + std::to_string(qGreen(expected)) + " " +
                       std::to_string(qBlue(expected));
        }
    return std::string();
}

QStringList FilesUnder(const QString& dir)
{
    QStringList files;
    QDirIterator it(dir, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << it.next();
    files.sort();
    return files;
}

} // namespace

TEST(Corpora, EveryBmpVariantDecodesToItsReferencePixels)
{
    REQUIRE_CORPORA(dir);
    // Each variant against a PNG of its pixels, or against the same picture stored in a plainer
    // variant. The 16-bit variants hold the 24-bit picture with 5 or 4 bits a channel, so they
    // match it within one step of their channels.
    struct Case { const char* file; const char* reference; int tolerance; };
    const Case cases[] = {
        {"colormap.bmp", "colormap.png", 0},
        {"video-001.bmp", "video-001.png", 0},
        {"yellow_rose-small.bmp", "yellow_rose-small.png", 0},
        {"yellow_rose-small-v5.bmp", "yellow_rose-small-v5.png", 0},
        {"bit1.bmp", "bit1_out.bmp", 0},
        {"bit4.bmp", "bit4_out.bmp", 0},
        {"bit8.bmp", "bit8_out.bmp", 0},
        {"bit32.bmp", "bit32_out.bmp", 0},
        {"bit32_alpha.bmp", "bit32.bmp", 0},
        {"bit4_RLE.bmp", "bit4.bmp", 0},
        {"bit8_RLE.bmp", "bit8.bmp", 0},
        {"bit16_565.bmp", "bit24.bmp", 8},
        {"bit16_x555.bmp", "bit24.bmp", 8},
        {"bit16_a555.bmp", "bit24.bmp", 8},
        {"bit16_x444.bmp", "bit24.bmp", 17},
        {"bit16_a444.bmp", "bit24.bmp", 17},
    };
    const QString bmpDir = dir + QStringLiteral("/bmp/");
    for (const Case& c : cases) {
        const QString file = bmpDir + QString::fromUtf8(c.file);
        const QString reference = bmpDir + QString::fromUtf8(c.reference);
        if (!QFileInfo::exists(file) || !QFileInfo::exists(reference)) {
            ADD_FAILURE() << "missing " << c.file << " or " << c.reference;
            continue;
        }
        TXBitmap picture;
        ASSERT_NO_THROW(picture.LoadPicture(file)) << c.file;
        QImage expected;
        if (reference.endsWith(u".png")) {
            expected = QImage(reference);
        } else {
            TXBitmap referencePicture;
            referencePicture.LoadPicture(reference);
            expected = referencePicture.ToImage();
        }
        EXPECT_EQ(FirstDifference(picture, expected, c.tolerance), "") << c.file;
    }
}

TEST(Corpora, BadFilesEndInAnErrorOrAPicture)
{
    REQUIRE_CORPORA(dir);
    int refused = 0;
    const QStringList files = FilesUnder(dir + QStringLiteral("/bad"));
    for (const QString& file : files) {
        TXBitmap picture;
        try {
            picture.LoadPicture(file);
        } catch (const VellumException& e) {
            EXPECT_FALSE(e.message().isEmpty()) << file.toStdString();
            ++refused;
        }
    }
    EXPECT_GT(refused, 0);
    EXPECT_GE(files.size(), 20);
}

TEST(Corpora, SamplePicturesDecodeLikeTheReferenceDecoder)
{
    REQUIRE_CORPORA(dir);
    // Qt's own JPEG and GIF readers stand for "as libjpeg decodes it" and "the first frame".
    int compared = 0;
    for (const QString& sub : {QStringLiteral("/jpeg"), QStringLiteral("/gif")}) {
        for (const QString& file : FilesUnder(dir + sub)) {
            if (!file.endsWith(u".jpg") && !file.endsWith(u".gif"))
                continue;
            // A file the reference cannot read either (12-bit samples) must be refused.
            const QImage reference(file);
            TXBitmap picture;
            try {
                picture.LoadPicture(file);
            } catch (const VellumException& e) {
                EXPECT_TRUE(reference.isNull()) << file.toStdString() << ": " << e.what();
                continue;
            }
            if (reference.isNull() || reference.hasAlphaChannel())
                continue; // transparency: pixels under it are ours to choose
            EXPECT_EQ(FirstDifference(picture, reference), "") << file.toStdString();
            ++compared;
        }
    }
    EXPECT_GE(compared, 5);
}

TEST(Corpora, GifIndexesMatchGiflibOnEveryFileItReads)
{
    REQUIRE_CORPORA(dir);
    // Every GIF of the corpora, found by its first bytes, that giflib's whole-file reader
    // takes: our first image has the same place, colours and indexes, and the picture shows
    // those colours, with white where the image is transparent or does not reach.
    int compared = 0;
    for (const QString& path : FilesUnder(dir)) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly) || file.peek(3) != "GIF")
            continue;
        const std::string name = path.toStdString();
        int error = 0;
        GifFileType* gif = DGifOpenFileName(path.toUtf8().constData(), &error);
        if (!gif)
            continue;
        if (DGifSlurp(gif) != GIF_OK) {
            DGifCloseFile(gif, &error);
            continue;
        }
        const SavedImage& first = gif->SavedImages[0];
        const GifImageDesc& desc = first.ImageDesc;
        GraphicsControlBlock control{};
        const int transparent =
            DGifSavedExtensionToGCB(gif, 0, &control) == GIF_OK ? control.TransparentColor : NO_TRANSPARENT_COLOR;

        TGifFirstImage image(file);
        EXPECT_EQ(image.Left(), desc.Left) << name;
        EXPECT_EQ(image.Top(), desc.Top) << name;
        ASSERT_EQ(image.Width(), desc.Width) << name;
        ASSERT_EQ(image.Height(), desc.Height) << name;
        ASSERT_EQ(image.Interlaced(), desc.Interlace) << name;
        EXPECT_EQ(image.TransparentIndex(), transparent) << name;
        const ColorMapObject* map = desc.ColorMap ? desc.ColorMap : gif->SColorMap;
        for (int i = 0; map && i < map->ColorCount; ++i)
            EXPECT_EQ(RGBColor(image.Colours()[std::size_t(3 * i + 2)], image.Colours()[std::size_t(3 * i + 1)],
                               image.Colours()[std::size_t(3 * i)]),
                      RGBColor(map->Colors[i].Red, map->Colors[i].Green, map->Colors[i].Blue))
                << name << " colour " << i;

        std::vector<int> order;
        for (int pass = 0; pass < (desc.Interlace ? 4 : 1); ++pass) {
            const int start = desc.Interlace ? (int[]){0, 4, 2, 1}[pass] : 0;
            const int step = desc.Interlace ? (int[]){8, 8, 4, 2}[pass] : 1;
            for (int y = start; y < desc.Height; y += step)
                order.push_back(y);
        }
        std::vector<std::uint8_t> row(std::size_t(desc.Width));
        int differentRows = 0;
        for (const int y : order) {
            ASSERT_EQ(image.ReadRow(row.data()), desc.Width) << name << " row " << y;
            differentRows += !std::equal(row.begin(), row.end(), first.RasterBits + std::size_t(y) * std::size_t(desc.Width));
        }
        EXPECT_EQ(differentRows, 0) << name;

        TXBitmap picture;
        picture.LoadPicture(path);
        const int screenWidth = gif->SWidth > 0 && gif->SHeight > 0 ? gif->SWidth : desc.Left + desc.Width;
        const int screenHeight = gif->SWidth > 0 && gif->SHeight > 0 ? gif->SHeight : desc.Top + desc.Height;
        ASSERT_EQ(picture.Width(), screenWidth) << name;
        ASSERT_EQ(picture.Height(), screenHeight) << name;
        int differentPixels = 0;
        for (int y = 0; y < screenHeight; ++y)
            for (int x = 0; x < screenWidth; ++x) {
                TColor expected = clWhite;
                const int ix = x - desc.Left;
                const int iy = y - desc.Top;
                if (ix >= 0 && ix < desc.Width && iy >= 0 && iy < desc.Height) {
                    const int index = first.RasterBits[std::size_t(iy) * std::size_t(desc.Width) + std::size_t(ix)];
                    if (index != transparent)
                        expected = map && index < map->ColorCount
                            ? RGBColor(map->Colors[index].Red, map->Colors[index].Green, map->Colors[index].Blue)
                            : clBlack;
                }
                differentPixels += picture.PixelColour(x, y) != expected;
            }
        EXPECT_EQ(differentPixels, 0) << name;
        DGifCloseFile(gif, &error);
        ++compared;
    }
    EXPECT_GE(compared, 20);
}
