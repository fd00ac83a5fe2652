#pragma once

// The database file "PicBrowser.pbf" of one folder, as bytes. Little-endian. Version 1: byte 0x0F
// and "Picture Browser" (16 bytes, the text compared ignoring ASCII case), the version, the entry
// count, 275-byte records and then the thumbnail data, the records' offsets counted from the
// start of that data. The older form has no magic and no version: the count at 0, records from
// 4, offsets counted from the start of the file.
#include <cstdint>
#include <vector>

#include <QByteArray>
#include <QString>

namespace vellum {

// One stored record; the name is the file system's bytes.
struct TStoredRecord {
    QByteArray Name;
    std::int32_t FileDate = 0;
    std::int32_t Width = 0;
    std::int32_t Height = 0;
    std::int32_t ThumbOffset = 0;
    std::int32_t ThumbSize = 0;
};

// What reading a folder's database file found.
enum class TDatabaseFileState {
    None,       // no such file
    Current,    // read, version 1 or later
    OldFormat,  // read in the header-less form
    Damaged,    // exists but was not read: it is rebuilt
    Refused     // a link or no regular file: never read, written or deleted
};

// Whether name can be stored and used as a file of the folder: 1 to 254 bytes, not "." or
// "..", no '/' and no NUL.
[[nodiscard]] bool IsStorableName(const QByteArray& name);

class TPicBrowserFile {
public:
    static constexpr int kRecordSize = 275;
    static constexpr int kMaxNameLength = 254;
    // Offsets are 32-bit: a longer file cannot be addressed.
    static constexpr std::int64_t kMaxFileSize = 0x7FFFFFFF;

    [[nodiscard]] std::int32_t Version() const { return m_version; }
    // Any version above 0 has the 24-byte header; 0 is the older 4-byte one.
    void SetVersion(std::int32_t version);
    [[nodiscard]] std::int32_t HeaderSize() const { return m_headerSize; }

    // The most bytes one thumbnail for a boxWidth x boxHeight box can take: three full-size
    // components with every coefficient at the longest code and every byte stuffed, plus room
    // for the markers and tables.
    [[nodiscard]] static std::int64_t MaxThumbnailSize(int boxWidth, int boxHeight);
    // The most bytes a file of count entries with a header of headerSize bytes can need.
    [[nodiscard]] static std::int64_t MaxFileSize(std::int64_t count, int headerSize, int boxWidth, int boxHeight);

    // Reads the file at path: None when it does not exist, Refused when it is a link or no
    // regular file, Damaged when it cannot be read, is longer than kMaxFileSize or longer than
    // the entries its header counts could need (nothing is read then), else Current (Decode
    // tells the final state).
    [[nodiscard]] TDatabaseFileState Load(const QString& path, int boxWidth, int boxHeight);
    // The loaded bytes' records and thumbnail data, every record checked: a thumbnail outside
    // the data, a bad name, a thumbnail whose JPEG header is bad or whose size lies outside
    // 1..boxWidth x 1..boxHeight, or more bytes than the entries could need, make the whole
    // file Damaged. A later record of a name already seen is dropped and counted in dropped.
    // Returns Current, OldFormat or Damaged; the loaded bytes become the thumbnail data
    // without being copied.
    [[nodiscard]] TDatabaseFileState Decode(int boxWidth, int boxHeight, std::vector<TStoredRecord>& records,
                                            QByteArray& thumbnails, int& dropped);
    // Decodes bytes already in memory.
    void SetBytes(QByteArray bytes) { m_bytes = std::move(bytes); }

    // The version 1 header and records for records in order (the thumbnail data follows them).
    [[nodiscard]] QByteArray EncodeHeader(const std::vector<TStoredRecord>& records);

private:
    std::int32_t m_version = 0;
    std::int32_t m_headerSize = 4;
    QByteArray m_bytes;
};

} // namespace vellum
