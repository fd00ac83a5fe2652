#include "browser/PicBrowserFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <unordered_set>

#include <QFile>

#include "raster/PictureCodecs.h"

namespace vellum {

namespace {

constexpr char kMagicText[] = "Picture Browser";
constexpr int kMagicSize = 16;

std::int32_t ReadInt32(const char* at)
{
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
        value = (value << 8) | std::uint8_t(at[i]);
    return static_cast<std::int32_t>(value);
}

void WriteInt32(char* at, std::int32_t value)
{
    const auto bits = static_cast<std::uint32_t>(value);
    for (int i = 0; i < 4; ++i)
        at[i] = static_cast<char>((bits >> (8 * i)) & 0xFF);
}

bool HasMagic(const QByteArray& bytes)
{
    if (bytes.size() < kMagicSize || std::uint8_t(bytes[0]) != 15)
        return false;
    return QByteArrayView(bytes.constData() + 1, 15).compare(QByteArrayView(kMagicText), Qt::CaseInsensitive) == 0;
}

} // namespace

bool IsStorableName(const QByteArray& name)
{
    return !name.isEmpty() && name.size() <= TPicBrowserFile::kMaxNameLength && name != "." && name != ".."
        && !name.contains('/') && !name.contains('\0');
}

void TPicBrowserFile::SetVersion(std::int32_t version)
{
    m_version = version;
    m_headerSize = version > 0 ? 24 : 4;
}

std::int64_t TPicBrowserFile::MaxThumbnailSize(int boxWidth, int boxHeight)
{
    const std::int64_t blocks = ((std::int64_t(std::max(boxWidth, 1)) + 7) / 8) * ((std::int64_t(std::max(boxHeight, 1)) + 7) / 8);
    // 64 coefficients of at most 16 code and 11 value bits, doubled for stuffed bytes.
    constexpr std::int64_t kBlockBytes = 64 * (16 + 11) / 8 * 2;
    constexpr std::int64_t kMarkerBytes = 65536;
    return 3 * blocks * kBlockBytes + kMarkerBytes;
}

std::int64_t TPicBrowserFile::MaxFileSize(std::int64_t count, int headerSize, int boxWidth, int boxHeight)
{
    return headerSize + count * (kRecordSize + MaxThumbnailSize(boxWidth, boxHeight));
}

TDatabaseFileState TPicBrowserFile::Load(const QString& path, int boxWidth, int boxHeight)
{
    m_bytes.clear();
    const QByteArray native = QFile::encodeName(path);
    struct stat status {};
    if (::lstat(native.constData(), &status) != 0)
        return errno == ENOENT ? TDatabaseFileState::None : TDatabaseFileState::Damaged;
    if (!S_ISREG(status.st_mode))
        return TDatabaseFileState::Refused;
    // No link is followed and nothing blocks, even if the file was swapped since.
    const int fd = ::open(native.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return errno == ELOOP ? TDatabaseFileState::Refused : TDatabaseFileState::Damaged;
    TDatabaseFileState state = TDatabaseFileState::Current;
    if (::fstat(fd, &status) != 0)
        state = TDatabaseFileState::Damaged;
    else if (!S_ISREG(status.st_mode))
        state = TDatabaseFileState::Refused;
    else if (status.st_size > kMaxFileSize)
        state = TDatabaseFileState::Damaged;
    if (state == TDatabaseFileState::Current) {
        // The header's count tells how much the file could need: a longer file is damaged or
        // hostile and is not read at all.
        QByteArray head(24, '\0');
        const ssize_t got = ::pread(fd, head.data(), std::size_t(head.size()), 0);
        if (got < 0) {
            state = TDatabaseFileState::Damaged;
        } else {
            head.resize(got);
            const bool magic = HasMagic(head) && head.size() >= 24 && ReadInt32(head.constData() + 16) > 0;
            const int headerSize = magic ? 24 : 4;
            if (head.size() >= headerSize) {
                const std::int64_t count = ReadInt32(head.constData() + headerSize - 4);
                if (count < 0 || status.st_size > MaxFileSize(count, headerSize, boxWidth, boxHeight))
                    state = TDatabaseFileState::Damaged;
            }
        }
    }
    if (state == TDatabaseFileState::Current) {
        m_bytes.resize(qsizetype(status.st_size));
        qsizetype done = 0;
        while (done < m_bytes.size()) {
            const ssize_t got = ::read(fd, m_bytes.data() + done, std::size_t(m_bytes.size() - done));
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0)
                break;
            done += got;
        }
        m_bytes.resize(done);
    }
    ::close(fd);
    return state;
}

TDatabaseFileState TPicBrowserFile::Decode(int boxWidth, int boxHeight, std::vector<TStoredRecord>& records,
                                           QByteArray& thumbnails, int& dropped)
{
    records.clear();
    thumbnails.clear();
    dropped = 0;
    QByteArray bytes = std::move(m_bytes);
    m_bytes = QByteArray();
    const std::int64_t size = bytes.size();
    if (size > kMaxFileSize)
        return TDatabaseFileState::Damaged;
    if (HasMagic(bytes)) {
        if (size < 24)
            return TDatabaseFileState::Damaged;
        SetVersion(ReadInt32(bytes.constData() + kMagicSize));
        // A magic followed by a version of 0 or less is neither form.
        if (m_version <= 0)
            return TDatabaseFileState::Damaged;
    } else {
        SetVersion(0);
        if (size < 4)
            return TDatabaseFileState::Damaged;
    }
    const std::int64_t count = ReadInt32(bytes.constData() + m_headerSize - 4);
    if (count < 0 || m_headerSize + std::int64_t(kRecordSize) * count > size
        || size > MaxFileSize(count, m_headerSize, boxWidth, boxHeight))
        return TDatabaseFileState::Damaged;
    const std::int64_t dataStart = m_headerSize + std::int64_t(kRecordSize) * count;
    const std::int64_t dataSize = size - dataStart;
    const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.constData() + dataStart);

    std::unordered_set<QByteArray> seen;
    records.reserve(std::size_t(count));
    for (std::int64_t i = 0; i < count; ++i) {
        const char* at = bytes.constData() + m_headerSize + kRecordSize * i;
        const int length = std::uint8_t(at[0]);
        TStoredRecord record;
        record.Name = QByteArray(at + 1, std::min(length, kMaxNameLength));
        record.FileDate = ReadInt32(at + 255);
        record.Width = ReadInt32(at + 259);
        record.Height = ReadInt32(at + 263);
        std::int64_t offset = ReadInt32(at + 267);
        record.ThumbSize = ReadInt32(at + 271);
        if (m_version == 0)
            offset -= dataStart;
        // A name with '/' would let delete and rename reach outside the folder.
        if (length > kMaxNameLength || !IsStorableName(record.Name))
            return TDatabaseFileState::Damaged;
        if (offset < 0 || record.ThumbSize <= 0 || offset + record.ThumbSize > dataSize)
            return TDatabaseFileState::Damaged;
        int width = 0;
        int height = 0;
        if (!JpegFrameSize(data + offset, record.ThumbSize, width, height) || width > boxWidth || height > boxHeight)
            return TDatabaseFileState::Damaged;
        record.ThumbOffset = static_cast<std::int32_t>(offset);
        if (!seen.insert(record.Name).second) {
            ++dropped;
            continue;
        }
        records.push_back(std::move(record));
    }
    // The records go from the front of the same block: the data is never copied.
    thumbnails = std::move(bytes);
    thumbnails.remove(0, qsizetype(dataStart));
    return m_version == 0 ? TDatabaseFileState::OldFormat : TDatabaseFileState::Current;
}

QByteArray TPicBrowserFile::EncodeHeader(const std::vector<TStoredRecord>& records)
{
    SetVersion(1);
    QByteArray header(qsizetype(m_headerSize + std::int64_t(kRecordSize) * std::int64_t(records.size())), '\0');
    char* out = header.data();
    out[0] = 15;
    std::memcpy(out + 1, kMagicText, 15);
    WriteInt32(out + 16, m_version);
    WriteInt32(out + 20, std::int32_t(records.size()));
    char* at = out + m_headerSize;
    for (const TStoredRecord& record : records) {
        const auto length = std::min<qsizetype>(record.Name.size(), kMaxNameLength);
        at[0] = static_cast<char>(length);
        std::memcpy(at + 1, record.Name.constData(), std::size_t(length));
        WriteInt32(at + 255, record.FileDate);
        WriteInt32(at + 259, record.Width);
        WriteInt32(at + 263, record.Height);
        WriteInt32(at + 267, record.ThumbOffset);
        WriteInt32(at + 271, record.ThumbSize);
        at += kRecordSize;
    }
    return header;
}

} // namespace vellum
