#include "clipboard/VLClipbrd.h"

#include <algorithm>
#include <chrono>
#include <limits>
#include <vector>
#include <cstdio>

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QMimeData>
#include <QtEndian>

#include "raster/PictureCodecs.h"
#include "raster/XBitmap.h"

namespace vellum {

namespace {

constexpr qint64 CountSize = TVLClipboardStream::FirstItemOffset;
constexpr int PrivateFormatNumber = 0xC000; // the first number of the registered-format range

TVLClipboard* g_store = nullptr;

void defaultReporter(const QString& message)
{
    std::fprintf(stderr, "%s\n", qPrintable(message));
}

TVLClipboard::TErrorReporter& errorReporter()
{
    static TVLClipboard::TErrorReporter reporter = defaultReporter;
    return reporter;
}

QByteArray int32Bytes(std::int32_t value)
{
    QByteArray bytes(4, Qt::Uninitialized);
    qToLittleEndian(value, bytes.data());
    return bytes;
}

// A byte array to append to that takes a picture's rows where they lie: the rows are copied
// once, straight into the stream.
class TAppendingBuffer final : public QBuffer, public TGatherWriter {
public:
    explicit TAppendingBuffer(QByteArray* bytes)
        : QBuffer(bytes)
    {
        open(QIODevice::WriteOnly | QIODevice::Append);
    }

    // Straight into place, the array grown once.
    void WriteGathered(const TRange* ranges, std::size_t count) override
    {
        std::size_t total = 0;
        for (std::size_t i = 0; i < count; ++i)
            total += ranges[i].Size;
        QByteArray& bytes = buffer();
        const qsizetype at = bytes.size();
        bytes.resize(at + qsizetype(total));
        CopyRanges(ranges, count, reinterpret_cast<std::uint8_t*>(bytes.data()) + at);
        seek(bytes.size());
    }
};

QClipboard& systemClipboard()
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    Q_ASSERT(clipboard != nullptr);
    return *clipboard;
}

} // namespace

// --- the stream ---------------------------------------------------------------------------------

TVLClipboardStream::TVLClipboardStream()
{
    open(QIODevice::ReadWrite);
}

TVLClipboardStream::TVLClipboardStream(const QByteArray& bytes)
{
    setData(bytes);
    open(QIODevice::ReadWrite);
}

std::int32_t TVLClipboardStream::NewIdentifier()
{
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                        std::chrono::steady_clock::now().time_since_epoch())
                        .count();
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(ms) & 0x7FFFFFFFu);
}

std::int32_t TVLClipboardStream::int32At(qint64 pos) const
{
    return qFromLittleEndian<std::int32_t>(data().constData() + pos);
}

qint64 TVLClipboardStream::itemSizeAt(qint64 pos) const
{
    const qint64 total = data().size();
    if (pos < CountSize || pos + HeaderSize > total)
        return 0;
    const qint64 size = int32At(pos + 4);
    return size >= HeaderSize && size <= total - pos ? size : 0;
}

std::int32_t TVLClipboardStream::identifierAbove(std::int32_t clock) const
{
    std::vector<std::int32_t> used;
    for (qint64 position = CountSize, itemSize = 0; (itemSize = itemSizeAt(position)) > 0; position += itemSize)
        used.push_back(int32At(position));
    const auto largest = std::max_element(used.begin(), used.end());
    if (largest == used.end() || *largest < clock)
        return clock;
    if (*largest < std::numeric_limits<std::int32_t>::max())
        return *largest + 1;
    // No room above the largest: the smallest free one (at most nine are taken) keeps the
    // identifiers apart and non-negative.
    std::int32_t identifier = 0;
    while (std::find(used.begin(), used.end(), identifier) != used.end())
        ++identifier;
    return identifier;
}

void TVLClipboardStream::replaceBytes(QByteArray bytes)
{
    const qint64 position = pos();
    close();
    setData(std::move(bytes));
    open(QIODevice::ReadWrite);
    seek(std::min<qint64>(position, size()));
}

std::int32_t TVLClipboardStream::ItemCount()
{
    if (size() < CountSize)
        return 0;
    seek(CountSize);
    return int32At(0);
}

void TVLClipboardStream::SetItemCount(std::int32_t count)
{
    seek(0);
    write(int32Bytes(count));
}

std::int32_t TVLClipboardStream::IncrementCount()
{
    const std::int32_t count = ItemCount() + 1;
    SetItemCount(count);
    return count;
}

std::int32_t TVLClipboardStream::DecrementCount()
{
    const std::int32_t count = ItemCount() - 1;
    SetItemCount(count);
    return count;
}

void TVLClipboardStream::InsertAtPosition(const QByteArray& bytes)
{
    const qint64 at = pos();
    const QByteArray& old = data();
    // One copy of the old bytes, straight into place.
    QByteArray result;
    result.reserve(old.size() + bytes.size());
    result.append(old.constData(), at);
    result.append(bytes);
    result.append(old.constData() + at, old.size() - at);
    replaceBytes(std::move(result));
    seek(at + bytes.size());
}

void TVLClipboardStream::TruncateItems(int max)
{
    if (size() < CountSize)
        return;
    qint64 position = CountSize;
    int passed = 0;
    while (passed < max) {
        const qint64 itemSize = itemSizeAt(position);
        if (itemSize == 0)
            break;
        position += itemSize;
        ++passed;
    }
    // Also drops whatever follows the last whole item, and sets a count that disagrees with
    // the items right.
    if (position < size())
        buffer().truncate(position);
    if (ItemCount() != passed)
        SetItemCount(passed);
}

std::int32_t TVLClipboardStream::AddItem(const TXBitmap& picture, std::int32_t tag)
{
    TruncateItems(MaxItems - 1);
    const std::int32_t identifier = identifierAbove(NewIdentifier());
    const std::int32_t count = ItemCount() + 1;

    // The new stream is built in one block: count, the new item with its picture encoded in
    // place, then the older items (none when the count was 0: truncation left nothing after
    // the count then).
    const QByteArray& old = data();
    const qint64 olderStart = std::min<qint64>(old.size(), CountSize);
    const qint64 olderBytes = old.size() - olderStart;
    const qint64 bmpEstimate = 14 + 40 + 16 + 4 * 256 + qint64(picture.BytesPerLine()) * picture.Height();
    const qint64 estimate = CountSize + HeaderSize + bmpEstimate + olderBytes;
    QByteArray result;
    // A huge page more than needed: the bytes then end inside the block's last huge page, not
    // among ordinary pages (the part never written costs no memory).
    result.reserve(estimate + (estimate >= qint64(HugePageSize) ? qint64(HugePageSize) : 0));
    const TFreshBlock fresh(result.data(), std::size_t(estimate), std::size_t(result.capacity()));
    result.append(int32Bytes(count));
    result.append(int32Bytes(identifier));
    result.append(int32Bytes(0)); // the item size, once known
    result.append(int32Bytes(tag));
    {
        TAppendingBuffer itemStream(&result);
        picture.SaveToStream(itemStream);
    }
    const qint64 itemSize = result.size() - CountSize;
    qToLittleEndian(static_cast<std::int32_t>(itemSize), result.data() + CountSize + 4);
    result.append(old.constData() + olderStart, olderBytes);
    replaceBytes(std::move(result));
    seek(CountSize + itemSize);
    return identifier;
}

void TVLClipboardStream::DeleteSection(qint64 start, qint64 end)
{
    if (start < 0 || start >= end || end > size())
        throw VellumException(QStringLiteral("Delete Section - Invalid positions"));
    buffer().remove(start, end - start);
    seek(std::min(pos(), size()));
}

bool TVLClipboardStream::FindItem(std::int32_t identifier, qint64& start, qint64& end)
{
    qint64 position = CountSize;
    while (position < size()) {
        const qint64 itemSize = itemSizeAt(position);
        if (itemSize == 0)
            break;
        if (int32At(position) == identifier) {
            start = position;
            end = position + itemSize;
            seek(position + 8);
            return true;
        }
        position += itemSize;
    }
    seek(std::min(position, size()));
    return false;
}

void TVLClipboardStream::decodeItem(qint64 start, qint64 size, TXBitmap& picture, std::int32_t& tag) const
{
    tag = int32At(start + 8);
    // The picture is read from the item's own bytes only, whatever its headers claim.
    const QByteArray bmp =
        QByteArray::fromRawData(data().constData() + start + HeaderSize, static_cast<qsizetype>(size - HeaderSize));
    QBuffer bmpStream;
    bmpStream.setData(bmp);
    bmpStream.open(QIODevice::ReadOnly);
    // Straight into the picture, which keeps its block when the size matches; a failure
    // leaves it undefined, and every caller then drops it.
    picture.SetLoadedIncomplete(false);
    ReadBmp(bmpStream, picture);
}

bool TVLClipboardStream::DeleteItem(std::int32_t identifier, TXBitmap* picture, std::int32_t& tag)
{
    qint64 start = 0;
    qint64 end = 0;
    if (!FindItem(identifier, start, end))
        return false;
    DeleteSection(start, end);
    DecrementCount();
    if (picture != nullptr) {
        const qint64 firstSize = itemSizeAt(CountSize);
        if (firstSize > 0)
            decodeItem(CountSize, firstSize, *picture, tag);
    }
    return true;
}

bool TVLClipboardStream::PromoteItem(std::int32_t identifier, TXBitmap* picture, std::int32_t& tag)
{
    qint64 start = 0;
    qint64 end = 0;
    if (!FindItem(identifier, start, end))
        return false;
    if (start > CountSize) {
        const QByteArray& old = data();
        QByteArray result;
        result.reserve(old.size());
        result.append(old.constData(), CountSize);
        result.append(old.constData() + start, end - start);
        result.append(old.constData() + CountSize, start - CountSize);
        result.append(old.constData() + end, old.size() - end);
        replaceBytes(std::move(result));
        if (picture != nullptr)
            decodeItem(CountSize, end - start, *picture, tag);
    }
    return true;
}

bool TVLClipboardStream::ReadNextItem(std::int32_t& identifier, TXBitmap& picture, std::int32_t& tag)
{
    const qint64 start = pos();
    if (start >= size())
        return false;
    const qint64 itemSize = itemSizeAt(start);
    if (itemSize == 0)
        return false;
    try {
        std::int32_t itemTag = 0;
        decodeItem(start, itemSize, picture, itemTag);
        identifier = int32At(start);
        tag = itemTag;
    } catch (const std::exception&) {
        return false;
    }
    seek(start + itemSize);
    return true;
}

void TVLClipboardStream::GetFirstItem(TXBitmap& picture, std::int32_t& tag)
{
    if (ItemCount() <= 0)
        throw EVLClipboardStreamError(QStringLiteral("GetFirstItem - There are no items"));
    seek(CountSize);
    std::int32_t identifier = 0;
    if (!ReadNextItem(identifier, picture, tag))
        throw EVLClipboardStreamError(QStringLiteral("GetFirstItem - Error getting item"));
}

// --- the store ----------------------------------------------------------------------------------

TVLClipboard::TVLClipboard(int notifyMessage, TMode mode)
    : TClipboardChangeNotifier(notifyMessage)
{
    if (mode == TMode::MultiPicture) {
        m_privateFormat = PrivateFormatNumber;
        m_formatPriority.append(m_privateFormat);
    }
    m_formatPriority.append(StandardBitmapFormat);
    if (g_store == nullptr)
        g_store = this;
}

TVLClipboard::~TVLClipboard()
{
    if (g_store == this)
        g_store = nullptr;
}

TVLClipboard& TVLClipboard::Instance()
{
    Q_ASSERT(g_store != nullptr);
    return *g_store;
}

bool TVLClipboard::Exists()
{
    return g_store != nullptr;
}

void TVLClipboard::SetErrorReporter(TErrorReporter reporter)
{
    errorReporter() = reporter ? std::move(reporter) : TErrorReporter(defaultReporter);
}

int TVLClipboard::availableFormat(const QMimeData* data) const
{
    if (data == nullptr || data->formats().isEmpty())
        return 0;
    for (const int format : m_formatPriority) {
        if (format == m_privateFormat && data->hasFormat(QLatin1String(PrivateFormatName)))
            return format;
        if (format == StandardBitmapFormat && data->hasImage())
            return format;
    }
    return -1;
}

int TVLClipboard::AvailableFormat() const
{
    return availableFormat(systemClipboard().mimeData());
}

bool TVLClipboard::readPrivateStream(const QMimeData* data, TVLClipboardStream& stream) const
{
    if (data == nullptr || m_privateFormat == 0)
        return false;
    const QByteArray bytes = data->data(QLatin1String(PrivateFormatName));
    if (bytes.size() > MaxForeignStream)
        return false;
    stream.close();
    stream.setData(bytes);
    stream.open(QIODevice::ReadWrite);
    return true;
}

bool TVLClipboard::readSystemBitmap(const QMimeData* data, TXBitmap& picture)
{
    if (data == nullptr || !data->hasImage())
        return false;
    QImage image = qvariant_cast<QImage>(data->imageData());
    if (image.isNull() || image.width() > kMaxPictureSide || image.height() > kMaxPictureSide
        || std::int64_t(image.width()) * image.height() > kMaxPicturePixels)
        return false;
    if (image.hasAlphaChannel()) {
        // Another program's picture with alpha: what it shows over a white page.
        QImage opaque(image.size(), QImage::Format_RGB32);
        opaque.fill(Qt::white);
        QPainter painter(&opaque);
        painter.drawImage(0, 0, image);
        painter.end();
        image = std::move(opaque);
    }
    picture.AssignOpaque(image);
    return true;
}

bool TVLClipboard::writeSystemBitmap(QMimeData& data, const TXBitmap& picture)
{
    try {
        data.setImageData(picture.ToImage());
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

void TVLClipboard::importSystemBitmap(const QMimeData* data, TVLClipboardStream& stream)
{
    TXBitmap foreign;
    if (readSystemBitmap(data, foreign))
        stream.AddItem(foreign, -1);
}

bool TVLClipboard::setClipboardData(std::unique_ptr<QMimeData> data)
{
    // The clipboard owns the data from here on, also when it could not publish it; on X11 it
    // then answers with the selection owner's data, not ours.
    const QMimeData* given = data.get();
    systemClipboard().setMimeData(data.release());
    return systemClipboard().mimeData() == given;
}

namespace {

// The private stream, and for other programs its newest picture, decoded from the stream only
// when one of them asks: a copy writes its picture once.
class TStreamMimeData : public QMimeData {
public:
    [[nodiscard]] QStringList formats() const override
    {
        QStringList result = QMimeData::formats();
        if (!result.contains(imageFormat()))
            result.append(imageFormat());
        return result;
    }
    [[nodiscard]] bool hasFormat(const QString& format) const override
    {
        return format == imageFormat() || QMimeData::hasFormat(format);
    }

protected:
    QVariant retrieveData(const QString& format, QMetaType type) const override
    {
        if (format != imageFormat())
            return QMimeData::retrieveData(format, type);
        if (m_image.isNull()) {
            try {
                TVLClipboardStream stream(QMimeData::data(QLatin1String(TVLClipboard::PrivateFormatName)));
                TXBitmap picture;
                std::int32_t tag = -1;
                stream.GetFirstItem(picture, tag);
                m_image = picture.ToImage();
            } catch (const std::exception&) {
                return {}; // no picture to give
            }
        }
        return m_image;
    }

private:
    static QString imageFormat() { return QStringLiteral("application/x-qt-image"); }
    mutable QImage m_image;
};

} // namespace

bool TVLClipboard::writeClipboard(const TVLClipboardStream* stream, const TXBitmap& picture)
{
    if (stream == nullptr) {
        auto data = std::make_unique<QMimeData>();
        writeSystemBitmap(*data, picture);
        return setClipboardData(std::move(data));
    }
    // The stream's newest item is the picture.
    auto data = std::make_unique<TStreamMimeData>();
    data->setData(QLatin1String(PrivateFormatName), stream->Bytes());
    return setClipboardData(std::move(data));
}

void TVLClipboard::Clear()
{
    systemClipboard().clear();
}

bool TVLClipboard::CopyPicture(const TXBitmap* picture, std::int32_t tag)
{
    if (picture == nullptr)
        return false;
    if (m_privateFormat == 0)
        return writeClipboard(nullptr, *picture);
    const QMimeData* current = systemClipboard().mimeData();
    TVLClipboardStream stream;
    if (availableFormat(current) == StandardBitmapFormat)
        importSystemBitmap(current, stream); // another program's picture becomes an older item
    else
        readPrivateStream(current, stream);
    stream.AddItem(*picture, tag);
    return writeClipboard(&stream, *picture);
}

bool TVLClipboard::PastePicture(TXBitmap* picture, std::int32_t& tag)
{
    if (picture == nullptr)
        return false;
    const QMimeData* current = systemClipboard().mimeData();
    const int format = availableFormat(current);
    TXBitmap fetched;
    std::int32_t fetchedTag = -1;
    if (format > 0 && format == m_privateFormat) {
        TVLClipboardStream stream;
        if (!readPrivateStream(current, stream))
            return false;
        stream.GetFirstItem(fetched, fetchedTag);
    } else if (format != StandardBitmapFormat || !readSystemBitmap(current, fetched)) {
        return false;
    }
    // The data can be gone by now (another program took the clipboard after the check): an
    // empty fetch is no picture.
    if (fetched.Empty())
        return false;
    *picture = std::move(fetched);
    tag = fetchedTag;
    return true;
}

void TVLClipboard::DeleteItem(std::int32_t identifier)
{
    if (identifier < 0) {
        Clear();
        return;
    }
    const QMimeData* current = systemClipboard().mimeData();
    if (m_privateFormat == 0 || availableFormat(current) != m_privateFormat)
        return;
    TVLClipboardStream stream;
    readPrivateStream(current, stream);
    TXBitmap first;
    std::int32_t tag = -1;
    if (!stream.DeleteItem(identifier, &first, tag) || stream.ItemCount() <= 0) {
        Clear();
        return;
    }
    writeClipboard(&stream, first);
}

void TVLClipboard::PromoteItem(std::int32_t identifier)
{
    const QMimeData* current = systemClipboard().mimeData();
    if (m_privateFormat == 0 || availableFormat(current) != m_privateFormat)
        return;
    TVLClipboardStream stream;
    readPrivateStream(current, stream);
    qint64 start = 0;
    qint64 end = 0;
    // The first item is already the newest; a missing one changes nothing either.
    if (!stream.FindItem(identifier, start, end) || start == TVLClipboardStream::FirstItemOffset)
        return;
    TXBitmap promoted;
    std::int32_t tag = -1;
    stream.PromoteItem(identifier, &promoted, tag);
    writeClipboard(&stream, promoted);
}

void TVLClipboard::EnumItems(const TEnumCallback& callback)
{
    EnumItems(callback, TXBitmap());
}

void TVLClipboard::EnumItems(const TEnumCallback& callback, TXBitmap recycled)
{
    if (!callback)
        return;
    try {
        const QMimeData* current = systemClipboard().mimeData();
        const int format = availableFormat(current);
        TXBitmap picture = std::move(recycled);
        bool cont = true;
        if (format == StandardBitmapFormat) {
            if (readSystemBitmap(current, picture))
                callback(-1, picture, -1, cont);
        } else if (format > 0 && format == m_privateFormat) {
            TVLClipboardStream stream;
            readPrivateStream(current, stream);
            stream.seek(TVLClipboardStream::FirstItemOffset);
            std::int32_t identifier = 0;
            std::int32_t tag = 0;
            while (cont && stream.ReadNextItem(identifier, picture, tag))
                callback(identifier, picture, tag, cont);
        }
    } catch (const std::exception& e) {
        errorReporter()(QStringLiteral("ENumVLClipboardItems error") + QString::fromUtf8(e.what()));
    }
}

} // namespace vellum
