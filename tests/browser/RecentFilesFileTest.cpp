#include <QBuffer>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "browser/FileAge.h"
#include "browser/PicPopupThumbnailFile.h"
#include "browser/RFPicPopupMenu.h"
#include "browser/RecentThumbnail.h"
#include "raster/PictureCodecs.h"
#include "raster/PictureTestSupport.h"

namespace vellum {
namespace {

using test::Bytes;
using test::GradientPicture;
using test::SamePixels;

QByteArray bmpOf(const TXBitmap& picture)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    WriteBmp(buffer, picture);
    return bytes;
}

Bytes header(const QByteArray& name, std::int64_t version, std::int64_t count)
{
    Bytes b;
    b.u8(int(name.size()));
    for (char c : name)
        b.u8(c);
    b.fill(15 - int(name.size()), 0).u32(version).u32(count);
    return b;
}

void record(Bytes& b, const QByteArray& path, std::int64_t offset, std::int64_t date)
{
    b.u8(int(path.size()));
    for (char c : path)
        b.u8(c);
    b.fill(255 - int(path.size()), 0).u32(offset).u32(date);
}

std::vector<TRecentFileRecord> readBytes(const QByteArray& bytes, const QString& name = QStringLiteral("Vellum RFP"))
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    return TPicPopupThumbnailFile::Read(buffer, name);
}

// Two records with thumbnails after a record without one.
QByteArray wellFormed(const TXBitmap& thumbA, const TXBitmap& thumbB)
{
    const QByteArray a = bmpOf(thumbA);
    const int start = 24 + 264 * 3;
    Bytes b = header("Vellum RFP", 1, 3);
    record(b, "/pics/a.bmp", start, 111);
    record(b, "/pics/none.bmp", -1, 222);
    record(b, "/pics/b.jpg", start + a.size(), 333);
    QByteArray bytes = b.data();
    bytes += a;
    bytes += bmpOf(thumbB);
    return bytes;
}

TEST(RecentFilesFileTest, ReadsRecordsWithThumbnailsAndWritesThemBackByteForByte)
{
    const TXBitmap thumbA = GradientPicture(80, 40);
    const TXBitmap thumbB = GradientPicture(35, 70);
    const QByteArray bytes = wellFormed(thumbA, thumbB);
    // The header name is compared ignoring case.
    const std::vector<TRecentFileRecord> records = readBytes(bytes, QStringLiteral("VELLUM rfp"));
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0].Path, QStringLiteral("/pics/a.bmp"));
    EXPECT_EQ(records[0].Date, 111);
    EXPECT_TRUE(SamePixels(records[0].Thumbnail, thumbA));
    EXPECT_TRUE(records[1].Thumbnail.Empty());
    EXPECT_EQ(records[2].Date, 333);
    EXPECT_TRUE(SamePixels(records[2].Thumbnail, thumbB));

    QByteArray written;
    QBuffer out(&written);
    out.open(QIODevice::WriteOnly);
    TPicPopupThumbnailFile::Write(out, QStringLiteral("Vellum RFP"), {&records[0], &records[1], &records[2]});
    EXPECT_EQ(written, bytes);
}

TEST(RecentFilesFileTest, RefusesForeignHeadersAndStopsAtDamage)
{
    const TXBitmap thumb = GradientPicture(10, 10);
    const QByteArray bmp = bmpOf(thumb);
    const int start1 = 24 + 264;
    auto one = [&](const QByteArray& path, std::int64_t offset, const QByteArray& tail) {
        Bytes b = header("Vellum RFP", 1, 1);
        record(b, path, offset, 7);
        return b.data() + tail;
    };
    QByteArray longName = header("Vellum RFP", 1, 0).data();
    longName[0] = 16;
    QByteArray tooLarge = bmpOf(GradientPicture(81, 10));
    QByteArray cut = bmp.left(bmp.size() - 5);

    struct Case {
        const char* what;
        QByteArray bytes;
        std::size_t records;
    };
    const Case cases[] = {
        {"length byte above 15", longName, 0},
        {"another name", header("Other RFP", 1, 0).data(), 0},
        {"version 2", header("Vellum RFP", 2, 0).data(), 0},
        {"negative count", header("Vellum RFP", 1, -1).data(), 0},
        {"record past the end", header("Vellum RFP", 1, 1).data() + QByteArray(100, '\0'), 0},
        {"offset inside the records", one("/a.bmp", 24, bmp), 0},
        {"offset past the end", one("/a.bmp", start1 + bmp.size(), bmp), 0},
        {"thumbnail running past the end", one("/a.bmp", start1, cut), 0},
        {"thumbnail above 80 x 70", one("/a.bmp", start1, tooLarge), 0},
        {"relative path skipped", one("a.bmp", start1, bmp), 0},
        {"empty path skipped", one("", -1, QByteArray()), 0},
        {"path with a NUL skipped", one(QByteArray("/a\0b", 4), -1, QByteArray()), 0},
        {"good record", one("/a.bmp", start1, bmp), 1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(readBytes(c.bytes).size(), c.records) << c.what;

    // A damaged second record keeps the first.
    Bytes b = header("Vellum RFP", 1, 2);
    record(b, "/a.bmp", 24 + 2 * 264, 1);
    record(b, "/b.bmp", 3, 2);
    EXPECT_EQ(readBytes(b.data() + bmp).size(), 1u);
}

TEST(RecentFilesFileTest, CountsAreNeverTrustedForAllocation)
{
    // A count of two billion with no records behind it reads nothing and allocates nothing.
    EXPECT_TRUE(readBytes(header("Vellum RFP", 1, 0x7FFFFFFF).data()).empty());
}

TEST(RecentFilesFileTest, PathsTooLongForARecordAreLeftOut)
{
    TRecentFileRecord longPath{QStringLiteral("/") + QString(300, QLatin1Char('x')), 5, TXBitmap()};
    TRecentFileRecord shortPath{QStringLiteral("/short.bmp"), 6, TXBitmap()};
    QByteArray written;
    QBuffer out(&written);
    out.open(QIODevice::WriteOnly);
    TPicPopupThumbnailFile::Write(out, QStringLiteral("Vellum RFP"), {&longPath, &shortPath});
    ASSERT_EQ(written.size(), 24 + 264);
    EXPECT_EQ(written.mid(1, 10), QByteArray("Vellum RFP"));
    EXPECT_EQ(written.at(20), 1);
    EXPECT_EQ(written.mid(25, 10), QByteArray("/short.bmp"));
}

TEST(RecentFilesFileTest, FitsThumbnailsIntoTheirBox)
{
    struct Case {
        int w, h, tw, th;
    };
    const Case cases[] = {{200, 100, 80, 40}, {100, 200, 35, 70}, {60, 50, 60, 50}, {1000, 5, 80, 1},
                          {5, 1000, 1, 70},   {80, 70, 80, 70},   {160, 140, 80, 70}, {1, 1, 1, 1}};
    for (const Case& c : cases)
        EXPECT_EQ(FitPictureSize(c.w, c.h, 80, 70), QSize(c.tw, c.th)) << c.w << " x " << c.h;
}

TEST(RecentFilesFileTest, MakesThumbnailsAndFailsOnWhatIsNoPicture)
{
    QTemporaryDir dir;
    const QString picture = dir.filePath(QStringLiteral("wide.bmp"));
    GradientPicture(200, 100).SavePicture(picture);
    TXBitmap thumbnail;
    ASSERT_TRUE(MakeRecentThumbnail(picture, thumbnail));
    EXPECT_EQ(QSize(thumbnail.Width(), thumbnail.Height()), QSize(80, 40));

    const QString text = dir.filePath(QStringLiteral("text.bmp"));
    QFile file(text);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("not a picture");
    file.close();
    TXBitmap unchanged = GradientPicture(3, 3);
    EXPECT_FALSE(MakeRecentThumbnail(text, unchanged));
    EXPECT_FALSE(MakeRecentThumbnail(dir.path(), unchanged));
    EXPECT_TRUE(SamePixels(unchanged, GradientPicture(3, 3)));
}

} // namespace
} // namespace vellum
