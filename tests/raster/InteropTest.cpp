// Pictures written here open in ImageMagick and vips with the same pixels, and pictures they
// write open here with the same pixels. The tools are installed by scripts/setup.sh; without
// them these tests are skipped. Pixels travel between the programs as binary PPM.
#include <gtest/gtest.h>

#include <QFileInfo>
#include <QProcess>

#include "PictureTestSupport.h"
#include "raster/XBitmap.h"

using namespace vellum;
using namespace vellum::test;

namespace {

const QString kConvert = QStringLiteral("/usr/bin/convert");
const QString kVips = QStringLiteral("/usr/bin/vips");

bool RunTool(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    return process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

QByteArray Ppm(const TXBitmap& picture)
{
    QByteArray data = QStringLiteral("P6\n%1 %2\n255\n").arg(picture.Width()).arg(picture.Height()).toLatin1();
    for (int y = 0; y < picture.Height(); ++y)
        for (int x = 0; x < picture.Width(); ++x) {
            const TColor c = picture.PixelColour(x, y);
            data.append(char(GetRValue(c))).append(char(GetGValue(c))).append(char(GetBValue(c)));
        }
    return data;
}

// Reads the binary PPM another program wrote: four header fields, '#' comments between them,
// one whitespace byte before the samples.
TXBitmap FromPpm(const QByteArray& data)
{
    qsizetype pos = 0;
    QList<QByteArray> fields;
    while (fields.size() < 4 && pos < data.size()) {
        const char c = data[pos];
        if (c == '#') {
            while (pos < data.size() && data[pos] != '\n')
                ++pos;
        } else if (QChar::isSpace(uchar(c))) {
            ++pos;
        } else {
            const qsizetype start = pos;
            while (pos < data.size() && !QChar::isSpace(uchar(data[pos])))
                ++pos;
            fields << data.mid(start, pos - start);
        }
    }
    ++pos;
    if (fields.size() < 4 || fields[0] != "P6")
        return TXBitmap();
    const int width = fields[1].toInt(), height = fields[2].toInt();
    if (data.size() - pos < qsizetype(width) * height * 3)
        return TXBitmap();
    TXBitmap picture(width, height);
    const auto* p = reinterpret_cast<const std::uint8_t*>(data.constData()) + pos;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x, p += 3)
            StorePixel(picture.ScanLine(y) + 3 * x, RGBColor(p[0], p[1], p[2]));
    return picture;
}

// How ImageMagick (or vips) decodes a file.
TXBitmap DecodedBy(const QString& tool, const QString& file)
{
    const QString ppm = file + QStringLiteral(".ppm");
    const bool ok = tool == kVips ? RunTool(kVips, {QStringLiteral("copy"), file, ppm})
                                  : RunTool(kConvert, {file + QStringLiteral("[0]"), ppm});
    return ok ? FromPpm(ReadFile(ppm)) : TXBitmap();
}

TXBitmap DecodedHere(const QString& file)
{
    TXBitmap picture;
    picture.LoadPicture(file);
    return picture;
}

#define REQUIRE_TOOLS()                                                          \
    if (!QFileInfo::exists(kConvert) || !QFileInfo::exists(kVips))               \
    GTEST_SKIP() << "ImageMagick or vips is not installed (scripts/setup.sh)"

} // namespace

TEST(Interop, PicturesWrittenHereOpenElsewhereWithTheSamePixels)
{
    REQUIRE_TOOLS();
    const TXBitmap picture = GradientPicture(23, 17);
    for (const char* name : {"ours.bmp", "ours.jpg", "ours.gif"}) {
        const QString file = TempPath(QString::fromUtf8(name));
        picture.SavePicture(file);
        // BMP holds the picture exactly; JPEG and GIF as this program reads them back.
        const TXBitmap expected = QString::fromUtf8(name).endsWith(u".bmp") ? picture : DecodedHere(file);
        for (const QString& tool : {kConvert, kVips})
            EXPECT_TRUE(SamePixels(DecodedBy(tool, file), expected)) << name << " in " << tool.toStdString();
    }
}

TEST(Interop, PicturesWrittenElsewhereOpenHereWithTheSamePixels)
{
    REQUIRE_TOOLS();
    const QString source = TempPath(QStringLiteral("source.ppm"));
    WriteFile(source, Ppm(GradientPicture(23, 17)));
    struct Case { QString tool; QStringList arguments; const char* output; };
    const Case cases[] = {
        {kConvert, {source, QStringLiteral("BMP3:%1")}, "im3.bmp"},
        {kConvert, {source, QStringLiteral("%1")}, "im.bmp"},
        {kConvert, {source, QStringLiteral("-type"), QStringLiteral("Palette"), QStringLiteral("BMP3:%1")}, "im8.bmp"},
        {kConvert, {source, QStringLiteral("-quality"), QStringLiteral("90"), QStringLiteral("%1")}, "im.jpg"},
        {kConvert, {source, QStringLiteral("-interlace"), QStringLiteral("Plane"), QStringLiteral("%1")}, "improg.jpg"},
        {kConvert, {source, QStringLiteral("%1")}, "im.gif"},
        {kVips, {QStringLiteral("jpegsave"), source, QStringLiteral("%1"), QStringLiteral("--Q"), QStringLiteral("90")}, "vips.jpg"},
        {kVips, {QStringLiteral("copy"), source, QStringLiteral("%1")}, "vips.gif"},
    };
    for (const Case& c : cases) {
        const QString file = TempPath(QString::fromUtf8(c.output));
        QStringList arguments = c.arguments;
        arguments.replaceInStrings(QStringLiteral("%1"), file);
        ASSERT_TRUE(RunTool(c.tool, arguments)) << c.output;
        EXPECT_TRUE(SamePixels(DecodedHere(file), DecodedBy(kConvert, file))) << c.output;
    }
}
