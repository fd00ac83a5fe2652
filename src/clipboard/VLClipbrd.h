#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include <QBuffer>
#include <QByteArray>
#include <QList>
#include <QString>

#include "clipboard/CBWatcher.h"
#include "raster/VellumError.h"

class QMimeData;

namespace vellum {

class TXBitmap;

// The event type every registered receiver gets when the clipboard changes.
inline constexpr int ClipboardChangedMessage = 1034;

// A tag as the pictures use it: -1 (no transparent colour) for any negative tag, otherwise
// the colour in its low three bytes.
[[nodiscard]] constexpr std::int32_t NormalTag(std::int32_t tag)
{
    return tag < 0 ? -1 : tag & 0xFFFFFF;
}

class EVLClipboardStreamError : public VellumException {
public:
    using VellumException::VellumException;
};

// The private clipboard format: up to ten pictures, newest first. Little-endian:
//   int32 count, then per item: int32 identifier, int32 item size (header included),
//   int32 tag (-1, or the colour outside a cut-out shape), a whole BMP file.
// Walks go by the item size field. An item whose header does not fit, whose size is below the
// header or runs past the end ends a walk as if the stream ended there, so foreign or damaged
// streams are never read outside their bytes.
class TVLClipboardStream : public QBuffer {
    Q_OBJECT
public:
    static constexpr int TagSize = 4;
    static constexpr int HeaderSize = 12;      // identifier, item size, tag
    static constexpr int FirstItemOffset = 4;  // after the count
    static constexpr int MaxItems = 10;

    TVLClipboardStream();
    // Takes the bytes (shared, copied only when changed); the position is 0.
    explicit TVLClipboardStream(const QByteArray& bytes);

    // 0 for a stream shorter than 4 bytes; otherwise the count field (left at position 4).
    [[nodiscard]] std::int32_t ItemCount();
    void SetItemCount(std::int32_t count);
    std::int32_t IncrementCount();
    std::int32_t DecrementCount();

    // Inserts the bytes at the current position, before whatever follows it.
    void InsertAtPosition(const QByteArray& bytes);
    // Keeps at most max items (the newest) and nothing after the last whole item.
    void TruncateItems(int max);
    // Adds the picture as the newest item, dropping the oldest beyond ten; the identifier. It is
    // the clock's value, raised past every identifier already in the stream, so that items
    // added within one millisecond (an import followed by a copy) stay apart.
    std::int32_t AddItem(const TXBitmap& picture, std::int32_t tag);
    // Removes bytes [start, end). Raises unless 0 <= start < end <= size.
    void DeleteSection(qint64 start, qint64 end);
    // The first item with the identifier: its bytes are [start, end).
    bool FindItem(std::int32_t identifier, qint64& start, qint64& end);
    // Removes the item; when items remain and picture is given, decodes the new first item.
    bool DeleteItem(std::int32_t identifier, TXBitmap* picture, std::int32_t& tag);
    // Moves the item to the front; when it moved and picture is given, decodes it.
    bool PromoteItem(std::int32_t identifier, TXBitmap* picture, std::int32_t& tag);
    // Reads the item at the current position and moves past it. False at the end, and for an
    // item that is damaged or does not decode.
    bool ReadNextItem(std::int32_t& identifier, TXBitmap& picture, std::int32_t& tag);
    // The newest item; raises EVLClipboardStreamError when there is none or it does not decode.
    void GetFirstItem(TXBitmap& picture, std::int32_t& tag);

    [[nodiscard]] const QByteArray& Bytes() const { return data(); }

    // A new identifier: the milliseconds of the monotonic clock, kept non-negative because a
    // negative identifier means "the whole clipboard" to the store.
    [[nodiscard]] static std::int32_t NewIdentifier();

private:
    // Size of the whole item at pos, or 0 when no whole item starts there.
    [[nodiscard]] qint64 itemSizeAt(qint64 pos) const;
    [[nodiscard]] std::int32_t int32At(qint64 pos) const;
    void decodeItem(qint64 start, qint64 size, TXBitmap& picture, std::int32_t& tag) const;
    // clock, or above every identifier in the stream when one is not below it.
    [[nodiscard]] std::int32_t identifierAbove(std::int32_t clock) const;
    void replaceBytes(QByteArray bytes);
};

// The multi-picture clipboard: the private stream of up to ten pictures shared by every
// running copy, plus the newest picture as standard image data for other programs. Every
// operation reads the clipboard once and writes it at most once; nothing is kept in between.
class TVLClipboard : public TClipboardChangeNotifier {
    Q_OBJECT
public:
    static constexpr char PrivateFormatName[] = "Harrow_Progs Vellum";
    static constexpr int StandardBitmapFormat = 2;
    // Streams handed over by another process beyond this size are refused.
    static constexpr qint64 MaxForeignStream = qint64(1) << 30;

    enum class TMode { MultiPicture, SinglePicture };

    using TEnumCallback =
        std::function<void(std::int32_t identifier, TXBitmap& picture, std::int32_t tag, bool& cont)>;
    using TErrorReporter = std::function<void(const QString& message)>;

    explicit TVLClipboard(int notifyMessage, TMode mode = TMode::MultiPicture);
    ~TVLClipboard() override;

    // The private format's number; 0 in single-picture mode.
    [[nodiscard]] int PrivateFormat() const { return m_privateFormat; }
    [[nodiscard]] const QList<int>& FormatPriority() const { return m_formatPriority; }

    void Clear();
    // The first format of FormatPriority on the clipboard; 0 when it is empty, -1 when it
    // holds only other data.
    [[nodiscard]] int AvailableFormat() const;
    [[nodiscard]] bool HasPicture() const { return AvailableFormat() > 0; }

    // Puts the picture on the clipboard as the newest. False when the clipboard did not take
    // the data (the window system may refuse us the ownership); nothing was copied then.
    bool CopyPicture(const TXBitmap* picture, std::int32_t tag);
    bool CopyPlainPicture(const TXBitmap* picture) { return CopyPicture(picture, -1); }
    // Fetches the newest picture. False, with the picture and tag untouched, when the clipboard
    // holds none or what it holds yields an empty picture (it changed since it was asked, or
    // another program's picture does not decode). A damaged private stream raises.
    bool PastePicture(TXBitmap* picture, std::int32_t& tag);
    // A negative identifier empties the clipboard.
    void DeleteItem(std::int32_t identifier);
    void PromoteItem(std::int32_t identifier);
    // Once per picture, newest first; the picture is valid only during the call. The callback
    // may take the picture and leave another in its place: the next picture is decoded into
    // that one's storage when the sizes match, as the first is into recycled's.
    void EnumItems(const TEnumCallback& callback);
    void EnumItems(const TEnumCallback& callback, TXBitmap recycled);

    // Receives "ENumVLClipboardItems error" + message; the application shows it in a box.
    static void SetErrorReporter(TErrorReporter reporter);

    // The program-wide store, valid from start-up to the end of the program.
    [[nodiscard]] static TVLClipboard& Instance();
    [[nodiscard]] static bool Exists();

protected:
    // Hands the data to the system clipboard; false when the clipboard did not take it.
    virtual bool setClipboardData(std::unique_ptr<QMimeData> data);

private:
    [[nodiscard]] int availableFormat(const QMimeData* data) const;
    bool readPrivateStream(const QMimeData* data, TVLClipboardStream& stream) const;
    static bool readSystemBitmap(const QMimeData* data, TXBitmap& picture);
    static bool writeSystemBitmap(QMimeData& data, const TXBitmap& picture);
    static void importSystemBitmap(const QMimeData* data, TVLClipboardStream& stream);
    bool writeClipboard(const TVLClipboardStream* stream, const TXBitmap& picture);

    int m_privateFormat = 0;
    QList<int> m_formatPriority;
};

// The program's clipboard store.
inline TVLClipboard& ClipboardStore()
{
    return TVLClipboard::Instance();
}

} // namespace vellum
