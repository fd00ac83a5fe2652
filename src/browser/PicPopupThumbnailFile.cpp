#include "browser/PicPopupThumbnailFile.h"

#include <array>
#include <cstring>

#include <QBuffer>
#include <QFile>
#include <QIODevice>
#include <QtEndian>

#include "raster/PictureCodecs.h"

namespace vellum {

namespace {

std::int32_t int32At(const char* bytes)
{
    return qFromLittleEndian<std::int32_t>(bytes);
}

// Whether the BMP at the stream's position declares a picture that fits a thumbnail, so that
// nothing larger is ever allocated for a hostile file. The position is left where it was.
bool thumbnailSizeFits(QIODevice& stream)
{
    const qint64 start = stream.pos();
    std::array<char, 26> header{};
    const bool read = stream.read(header.data(), header.size()) == qint64(header.size());
    stream.seek(start);
    if (!read || header[0] != 'B' || header[1] != 'M')
        return false;
    const std::int32_t infoSize = int32At(header.data() + 14);
    std::int64_t width = 0;
    std::int64_t height = 0;
    if (infoSize == 12) {
        width = qFromLittleEndian<std::int16_t>(header.data() + 18);
        height = qFromLittleEndian<std::int16_t>(header.data() + 20);
    } else if (infoSize >= 40) {
        width = int32At(header.data() + 18);
        height = int32At(header.data() + 22);
    } else {
        return false;
    }
    if (height < 0)
        height = -height;
    return width >= 1 && width <= TPicPopupThumbnailFile::MaxThumbnailWidth && height >= 1
           && height <= TPicPopupThumbnailFile::MaxThumbnailHeight;
}

} // namespace

QString TPicPopupThumbnailFile::HeaderName(const QString& name)
{
    return name.left(15);
}

std::optional<std::int32_t> TPicPopupThumbnailFile::ReadHeader(QIODevice& stream, const QString& headerName)
{
    std::array<char, HeaderSize> header{};
    if (!stream.seek(0) || stream.read(header.data(), HeaderSize) != HeaderSize)
        return std::nullopt;
    const int nameLength = static_cast<unsigned char>(header[0]);
    if (nameLength > 15)
        return std::nullopt;
    const QString name = QString::fromLatin1(header.data() + 1, nameLength);
    if (name.compare(HeaderName(headerName), Qt::CaseInsensitive) != 0)
        return std::nullopt;
    if (int32At(header.data() + 16) != Version)
        return std::nullopt;
    const std::int32_t count = int32At(header.data() + 20);
    if (count < 0)
        return std::nullopt;
    return count;
}

std::vector<TRecentFileRecord> TPicPopupThumbnailFile::Read(QIODevice& stream, const QString& headerName)
{
    std::vector<TRecentFileRecord> records;
    const std::optional<std::int32_t> header = ReadHeader(stream, headerName);
    if (!header)
        return records;
    const std::int32_t count = *header;

    const qint64 fileSize = stream.size();
    const qint64 thumbnailsStart = HeaderSize + qint64(RecordSize) * count;
    const int toRead = std::min<std::int32_t>(count, MaxRecords);
    for (int i = 0; i < toRead; ++i) {
        std::array<char, RecordSize> record{};
        if (!stream.seek(HeaderSize + qint64(RecordSize) * i) || stream.read(record.data(), RecordSize) != RecordSize)
            break;
        const int pathLength = static_cast<unsigned char>(record[0]);
        const QByteArray pathBytes(record.data() + 1, pathLength);
        const std::int32_t offset = int32At(record.data() + 256);
        TRecentFileRecord entry;
        entry.Date = int32At(record.data() + 260);
        if (offset >= 0) {
            if (offset < thumbnailsStart || offset >= fileSize || !stream.seek(offset) || !thumbnailSizeFits(stream))
                break;
            try {
                entry.Thumbnail.LoadFromStream(stream);
            } catch (const std::exception&) {
                break;
            }
        }
        if (pathBytes.isEmpty() || pathBytes.contains('\0') || pathBytes.front() != '/')
            continue;
        entry.Path = QFile::decodeName(pathBytes);
        records.push_back(std::move(entry));
    }
    return records;
}

void TPicPopupThumbnailFile::Write(QIODevice& stream, const QString& headerName,
                                   const std::vector<const TRecentFileRecord*>& records)
{
    std::vector<std::pair<const TRecentFileRecord*, QByteArray>> written;
    for (const TRecentFileRecord* record : records) {
        QByteArray path = QFile::encodeName(record->Path);
        if (!path.isEmpty() && path.size() <= MaxPathBytes && written.size() < std::size_t(MaxRecords))
            written.emplace_back(record, std::move(path));
    }
    const auto count = static_cast<std::int32_t>(written.size());

    std::array<char, HeaderSize> header{};
    const QByteArray name = HeaderName(headerName).toLatin1();
    header[0] = static_cast<char>(name.size());
    std::memcpy(header.data() + 1, name.constData(), std::size_t(name.size()));
    qToLittleEndian<std::int32_t>(Version, header.data() + 16);
    qToLittleEndian<std::int32_t>(count, header.data() + 20);
    WriteExact(stream, header.data(), HeaderSize);

    // The records first, with their thumbnails' offsets worked out in advance, so that the
    // file is written front to back in one pass.
    std::vector<QByteArray> thumbnails;
    qint64 end = HeaderSize + qint64(RecordSize) * count;
    for (const auto& [record, path] : written) {
        std::array<char, RecordSize> bytes{};
        bytes[0] = static_cast<char>(path.size());
        std::memcpy(bytes.data() + 1, path.constData(), std::size_t(path.size()));
        std::int32_t offset = -1;
        if (!record->Thumbnail.Empty()) {
            QByteArray bmp;
            {
                QBuffer buffer(&bmp);
                buffer.open(QIODevice::WriteOnly);
                WriteBmp(buffer, record->Thumbnail);
            }
            offset = static_cast<std::int32_t>(end);
            end += bmp.size();
            thumbnails.push_back(std::move(bmp));
        }
        qToLittleEndian<std::int32_t>(offset, bytes.data() + 256);
        qToLittleEndian<std::int32_t>(record->Date, bytes.data() + 260);
        WriteExact(stream, bytes.data(), RecordSize);
    }
    for (const QByteArray& bmp : thumbnails)
        WriteExact(stream, bmp.constData(), bmp.size());
}

} // namespace vellum
