#pragma once

// The recent-files file ("Vellum.rfp"): little-endian, a 24-byte header (a length-prefixed name
// of at most 15 characters in 16 bytes, version 1, entry count N), N records of 264 bytes (a
// length-prefixed path of at most 255 bytes, the offset of the entry's thumbnail BMP from the
// start of the file or -1, the file date the thumbnail was made from), then the thumbnails as
// complete BMP files back to back. No widgets.
#include <cstdint>
#include <optional>
#include <vector>

#include <QString>

#include "raster/XBitmap.h"

class QIODevice;

namespace vellum {

struct TRecentFileRecord {
    QString Path;
    std::int32_t Date = -1;
    // Empty when the record has no thumbnail.
    TXBitmap Thumbnail;
};

class TPicPopupThumbnailFile {
public:
    static constexpr std::int32_t Version = 1;
    static constexpr int HeaderSize = 24;
    static constexpr int RecordSize = 264;
    static constexpr int MaxPathBytes = 255;
    static constexpr int MaxRecords = 255;
    static constexpr int MaxThumbnailWidth = 80;
    static constexpr int MaxThumbnailHeight = 70;

    // The header's name as it is written: its first 15 characters.
    [[nodiscard]] static QString HeaderName(const QString& name);

    // The entry count of stream's header, or nothing when the stream is too short, the
    // header's name differs from headerName (ASCII case ignored), its length byte is above 15,
    // the version is not 1 or the count is negative.
    [[nodiscard]] static std::optional<std::int32_t> ReadHeader(QIODevice& stream, const QString& headerName);

    // The records of stream, in file order. Nothing when ReadHeader refuses the header. Records
    // are read one by one, at most MaxRecords: a record or thumbnail past the end, a thumbnail
    // offset outside the thumbnail area, a thumbnail that does not read or is larger than
    // 80 x 70 ends the reading with the records before it. A record whose path is empty,
    // relative or holds a NUL byte is skipped.
    [[nodiscard]] static std::vector<TRecentFileRecord> Read(QIODevice& stream, const QString& headerName);

    // Writes the records (in order) to stream, which must be empty and writable. A record whose
    // path takes more than 255 bytes is left out: cut, it would name another file. Raises
    // EWriteError when the device refuses bytes.
    static void Write(QIODevice& stream, const QString& headerName, const std::vector<const TRecentFileRecord*>& records);
};

} // namespace vellum
