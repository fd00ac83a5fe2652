#pragma once

#include <sys/stat.h>
#include <utime.h>

#include <cmath>
#include <ctime>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "browser/PicDB.h"
#include "raster/XBitmap.h"

namespace vellum::test {

// A picture in the file format its extension names, of the given size, with pixels that vary.
inline void WritePicture(const QString& path, int width, int height, int seed = 0)
{
    TXBitmap picture(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            StorePixel(picture.ScanLine(y) + 3 * x, RGBColor((x * 7 + seed * 40) & 0xFF, (y * 5 + seed) & 0xFF, (x + y + 3 * seed) & 0xFF));
    picture.SavePicture(path);
}

// Sets the modification time of path to the local date-time given.
inline void SetFileTime(const QString& path, int year, int month, int day, int hour = 12, int minute = 0, int second = 0)
{
    std::tm local{};
    local.tm_year = year - 1900;
    local.tm_mon = month - 1;
    local.tm_mday = day;
    local.tm_hour = hour;
    local.tm_min = minute;
    local.tm_sec = second;
    local.tm_isdst = -1;
    const std::time_t time = std::mktime(&local);
    const utimbuf times{time, time};
    ASSERT_EQ(::utime(QFile::encodeName(path).constData(), &times), 0) << path.toStdString();
}

inline QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
}

inline void WriteAll(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

// The database of the picture browser window, as it creates it.
inline std::unique_ptr<TPictureDB> BrowserDatabase(int threads = 0)
{
    auto database = std::make_unique<TPictureDB>(110, 130, 8, RGBColor(0, 120, 215), clBlack, clWhite);
    database->SetFileTypes(QStringLiteral("bmp,jpg,jpeg,gif"));
    database->SetThreadCount(threads);
    return database;
}

inline QStringList Names(const TCustomPictureDB& database)
{
    QStringList names;
    for (int i = 0; i < database.Count(); ++i)
        names << database.GetName(i);
    return names;
}

// The thumbnail bytes of entry index.
inline QByteArray Thumbnail(const TCustomPictureDB& database, int index)
{
    const TFileRecord& entry = database.Record(index);
    return database.ThumbnailData().mid(entry.ThumbOffset, entry.ThumbSize);
}

} // namespace vellum::test
