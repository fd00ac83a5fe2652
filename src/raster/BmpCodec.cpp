// The program's own reader and writer of Windows bitmap files.
#include <algorithm>
#include <bit>
#include <cstring>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include <QFile>
#include <QIODevice>

#include <sys/uio.h>
#include <climits>
#include <cerrno>

#include "raster/PictureCodecs.h"
#include "raster/XBitmap.h"

namespace vellum {

void ReadExact(QIODevice& stream, void* data, std::int64_t size)
{
    auto* out = static_cast<char*>(data);
    while (size > 0) {
        const qint64 got = stream.read(out, size);
        if (got <= 0)
            throw EReadError();
        out += got;
        size -= got;
    }
}

void WriteExact(QIODevice& stream, const void* data, std::int64_t size)
{
    if (size > 0 && stream.write(static_cast<const char*>(data), size) != size)
        throw EWriteError();
}

namespace {

constexpr std::uint32_t kBiRgb = 0;
constexpr std::uint32_t kBiRle8 = 1;
constexpr std::uint32_t kBiRle4 = 2;
constexpr std::uint32_t kBiBitfields = 3;
constexpr std::uint32_t kBiAlphaBitfields = 6;
constexpr std::uint32_t kCoreHeaderSize = 12;
constexpr std::uint32_t kInfoHeaderSize = 40;
// Longer headers than this (the longest known is 124 bytes) are taken for garbage.
constexpr std::uint32_t kMaxHeaderSize = 1024;

[[noreturn]] void Invalid()
{
    throw EInvalidGraphic(QStringLiteral("Bitmap image is not valid"));
}

std::uint16_t Le16(const std::uint8_t* p)
{
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

std::uint32_t Le32(const std::uint8_t* p)
{
    return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) | (std::uint32_t(p[3]) << 24);
}

void PutLe16(std::uint8_t* p, std::uint32_t v)
{
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}

void PutLe32(std::uint8_t* p, std::uint32_t v)
{
    PutLe16(p, v);
    PutLe16(p + 2, v >> 16);
}

// One colour channel of a bit-field pixel: the mask's lowest bit and the width of its span.
struct MaskChannel {
    std::uint32_t mask = 0;
    int shift = 0;
    int bits = 0;

    explicit MaskChannel(std::uint32_t m) : mask(m)
    {
        if (m == 0)
            return;
        shift = std::countr_zero(m);
        bits = std::bit_width(m >> shift);
    }

    // The channel scaled to 0..255; a zero mask gives 0.
    [[nodiscard]] std::uint8_t Value(std::uint32_t pixel) const
    {
        if (bits == 0)
            return 0;
        const std::uint32_t v = (pixel & mask) >> shift;
        if (bits >= 8)
            return static_cast<std::uint8_t>(v >> (bits - 8));
        const std::uint32_t max = (1u << bits) - 1;
        return static_cast<std::uint8_t>((v * 255 + max / 2) / max);
    }
};

struct BmpHeader {
    std::int64_t width = 0;
    std::int64_t height = 0; // rows, always positive
    bool topDown = false;
    int bitCount = 0;
    std::uint32_t compression = kBiRgb;
    std::uint32_t sizeImage = 0;
    std::uint32_t masks[3] = {0, 0, 0};
    std::vector<TColor> palette;
};

TPixelFormat PaletteFormat(int bitCount)
{
    switch (bitCount) {
    case 1: return TPixelFormat::pf1bit;
    case 4: return TPixelFormat::pf4bit;
    default: return TPixelFormat::pf8bit;
    }
}

void SetIndex(std::uint8_t* row, std::int64_t x, int index, int bitCount)
{
    if (bitCount == 8) {
        row[x] = static_cast<std::uint8_t>(index);
    } else {
        std::uint8_t& b = row[x >> 1];
        b = (x & 1) ? static_cast<std::uint8_t>((b & 0xF0) | (index & 0xF))
                    : static_cast<std::uint8_t>((b & 0x0F) | ((index & 0xF) << 4));
    }
}

// Run-length data of 4 or 8 bits. Runs, literal groups and deltas are clipped to the picture;
// decoding stops at the end-of-bitmap code, after the last row or at the end of the data.
void DecodeRle(const std::vector<std::uint8_t>& data, const BmpHeader& h, TXBitmap& picture)
{
    const int bits = h.bitCount;
    const std::int64_t width = h.width;
    const std::int64_t height = h.height;
    const std::size_t n = data.size();
    std::int64_t x = 0;
    std::int64_t row = 0;
    std::size_t i = 0;
    auto rowPtr = [&](std::int64_t r) {
        return picture.ScanLine(static_cast<int>(h.topDown ? r : height - 1 - r));
    };
    while (i + 1 < n && row < height) {
        const int count = data[i];
        const int code = data[i + 1];
        i += 2;
        if (count > 0) {
            std::uint8_t* line = rowPtr(row);
            const std::int64_t end = std::min<std::int64_t>(x + count, width);
            if (bits == 8) {
                if (end > x)
                    std::memset(line + x, code, std::size_t(end - x));
            } else {
                for (std::int64_t k = x; k < end; ++k)
                    SetIndex(line, k, ((k - x) & 1) ? (code & 0xF) : (code >> 4), 4);
            }
            x = std::min<std::int64_t>(x + count, width);
            continue;
        }
        switch (code) {
        case 0: // end of line
            x = 0;
            ++row;
            break;
        case 1: // end of bitmap
            return;
        case 2: // delta
            if (i + 1 >= n)
                return;
            x = std::min<std::int64_t>(x + data[i], width);
            row += data[i + 1];
            i += 2;
            break;
        default: { // a literal group of `code` pixels, padded to a whole 16-bit word
            const std::size_t bytes = bits == 8 ? std::size_t(code) : std::size_t(code + 1) / 2;
            const std::size_t padded = (bytes + 1) & ~std::size_t(1);
            const std::size_t available = std::min(bytes, n - i);
            std::uint8_t* line = rowPtr(row);
            for (int k = 0; k < code; ++k) {
                const std::size_t byte = bits == 8 ? std::size_t(k) : std::size_t(k) / 2;
                if (byte >= available || x + k >= width)
                    break;
                const int index = bits == 8 ? data[i + byte] : ((k & 1) ? (data[i + byte] & 0xF) : (data[i + byte] >> 4));
                SetIndex(line, x + k, index, bits);
            }
            x = std::min<std::int64_t>(x + code, width);
            i += std::min(padded, n - i);
            break;
        }
        }
    }
}

BmpHeader ReadHeader(QIODevice& stream, std::int64_t base, std::int64_t& pixelOffset)
{
    std::uint8_t fileHeader[14];
    ReadExact(stream, fileHeader, sizeof fileHeader);
    if (fileHeader[0] != 'B' || fileHeader[1] != 'M')
        Invalid();
    const std::uint32_t offBits = Le32(fileHeader + 10);

    std::uint8_t sizeField[4];
    ReadExact(stream, sizeField, 4);
    const std::uint32_t headerSize = Le32(sizeField);
    if (headerSize != kCoreHeaderSize && (headerSize < kInfoHeaderSize || headerSize > kMaxHeaderSize))
        Invalid();
    std::vector<std::uint8_t> hdr(headerSize);
    std::memcpy(hdr.data(), sizeField, 4);
    ReadExact(stream, hdr.data() + 4, headerSize - 4);

    BmpHeader h;
    int planes = 0;
    std::uint32_t colorsUsed = 0;
    if (headerSize == kCoreHeaderSize) {
        h.width = Le16(&hdr[4]);
        h.height = Le16(&hdr[6]);
        planes = Le16(&hdr[8]);
        h.bitCount = Le16(&hdr[10]);
    } else {
        h.width = static_cast<std::int32_t>(Le32(&hdr[4]));
        const std::int64_t height = static_cast<std::int32_t>(Le32(&hdr[8]));
        h.topDown = height < 0;
        h.height = height < 0 ? -height : height;
        planes = Le16(&hdr[12]);
        h.bitCount = Le16(&hdr[14]);
        h.compression = Le32(&hdr[16]);
        h.sizeImage = Le32(&hdr[20]);
        colorsUsed = Le32(&hdr[32]);
        if (headerSize >= 52) {
            for (int c = 0; c < 3; ++c)
                h.masks[c] = Le32(&hdr[40 + 4 * c]);
        }
    }
    if (planes != 1 || h.width < 0)
        Invalid();
    CheckPictureSize(h.width, h.height);

    switch (h.bitCount) {
    case 1: case 4: case 8: case 16: case 24: case 32: break;
    default: Invalid();
    }
    const bool bitfields = h.compression == kBiBitfields || h.compression == kBiAlphaBitfields;
    const bool valid = h.compression == kBiRgb
        || (h.compression == kBiRle8 && h.bitCount == 8)
        || (h.compression == kBiRle4 && h.bitCount == 4)
        || (bitfields && (h.bitCount == 16 || h.bitCount == 32));
    if (!valid)
        Invalid();

    if (bitfields && headerSize < 52) {
        // The masks follow a 40-byte header (a fourth, alpha, with the alpha variant).
        std::uint8_t masks[16];
        const int size = h.compression == kBiAlphaBitfields ? 16 : 12;
        ReadExact(stream, masks, size);
        for (int c = 0; c < 3; ++c)
            h.masks[c] = Le32(masks + 4 * c);
    }
    if (!bitfields) {
        if (h.bitCount == 16) {
            h.masks[0] = 0x7C00; h.masks[1] = 0x03E0; h.masks[2] = 0x001F;
        } else {
            h.masks[0] = 0xFF0000; h.masks[1] = 0xFF00; h.masks[2] = 0xFF;
        }
    }

    if (h.bitCount <= 8) {
        const std::int64_t entrySize = headerSize == kCoreHeaderSize ? 3 : 4;
        std::int64_t count = std::int64_t(1) << h.bitCount;
        if (colorsUsed != 0)
            count = std::min<std::int64_t>(count, colorsUsed);
        // Some writers store fewer entries than the header claims: the rows start where the
        // file header says.
        const std::int64_t paletteStart = stream.pos() - base;
        if (offBits != 0 && offBits > paletteStart)
            count = std::min<std::int64_t>(count, (offBits - paletteStart) / entrySize);
        std::vector<std::uint8_t> entries(std::size_t(count * entrySize));
        ReadExact(stream, entries.data(), std::int64_t(entries.size()));
        h.palette.resize(std::size_t(count));
        for (std::int64_t i = 0; i < count; ++i) {
            const std::uint8_t* e = &entries[std::size_t(i * entrySize)];
            h.palette[std::size_t(i)] = RGBColor(e[2], e[1], e[0]);
        }
    }
    pixelOffset = offBits != 0 ? base + offBits : stream.pos();
    return h;
}

void ValidateMasks(const BmpHeader& h)
{
    const std::uint32_t limit = h.bitCount == 16 ? 0xFFFFu : 0xFFFFFFFFu;
    const std::uint32_t r = h.masks[0], g = h.masks[1], b = h.masks[2];
    if ((r | g | b) & ~limit)
        throw EInvalidGraphic(QStringLiteral("Bitmap image is not valid: a colour mask is wider than its pixels"));
    if ((r & g) || (r & b) || (g & b))
        throw EInvalidGraphic(QStringLiteral("Bitmap image is not valid: its colour masks overlap"));
}

} // namespace

void ReadBmp(QIODevice& stream, TXBitmap& picture)
{
    const std::int64_t base = stream.pos();
    std::int64_t pixelOffset = 0;
    const BmpHeader h = ReadHeader(stream, base, pixelOffset);
    if (!stream.isSequential() && pixelOffset != stream.pos()) {
        if (pixelOffset > stream.size() || !stream.seek(pixelOffset))
            throw EInvalidGraphic(QStringLiteral("Bitmap image is not valid: its pixel data lies past the end of the file"));
    }
    const std::int64_t remaining = stream.isSequential() ? -1 : stream.size() - stream.pos();
    const int width = static_cast<int>(h.width);
    const int height = static_cast<int>(h.height);

    if (h.compression == kBiRle8 || h.compression == kBiRle4) {
        std::int64_t size = remaining;
        if (h.sizeImage != 0 && (size < 0 || h.sizeImage < size))
            size = h.sizeImage;
        std::vector<std::uint8_t> data;
        if (size >= 0) {
            data.resize(std::size_t(size));
            ReadExact(stream, data.data(), size);
        } else {
            const QByteArray all = stream.readAll();
            data.assign(all.begin(), all.end());
        }
        picture.AllocateUninitialised(width, height, PaletteFormat(h.bitCount));
        picture.SetPalette(h.palette);
        for (int y = 0; y < height; ++y)
            std::memset(picture.ScanLine(y), 0, std::size_t(picture.BytesPerLine()));
        DecodeRle(data, h, picture);
        return;
    }

    const std::int64_t fileStride = (h.width * h.bitCount + 31) / 32 * 4;
    if (remaining >= 0 && fileStride * h.height > remaining)
        throw EInvalidGraphic(QStringLiteral("Bitmap image is not valid: its pixel rows run past the end of the file"));
    auto rowOf = [&](int i) { return h.topDown ? i : height - 1 - i; };

    const bool plainBitfields32 = h.bitCount == 32 && h.masks[0] == 0xFF0000 && h.masks[1] == 0xFF00 && h.masks[2] == 0xFF;
    if (h.bitCount <= 8 || h.bitCount == 24 || plainBitfields32) {
        // The file's rows have the picture's own layout: read them straight into place.
        const TPixelFormat format = h.bitCount <= 8 ? PaletteFormat(h.bitCount)
            : h.bitCount == 24 ? TPixelFormat::pf24bit : TPixelFormat::pf32bit;
        picture.AllocateUninitialised(width, height, format);
        const TPrefaultPixels prefault(picture, h.topDown ? TPrefaultPixels::Order::TopDown : TPrefaultPixels::Order::BottomUp);
        if (h.bitCount <= 8)
            picture.SetPalette(h.palette);
        for (int i = 0; i < height; ++i)
            ReadExact(stream, picture.ScanLine(rowOf(i)), fileStride);
        return;
    }

    // 16 bits, or 32 bits with other masks: decode each row through its masks.
    ValidateMasks(h);
    const MaskChannel red(h.masks[0]), green(h.masks[1]), blue(h.masks[2]);
    picture.AllocateUninitialised(width, height, TPixelFormat::pf24bit);
    std::vector<std::uint8_t> line(static_cast<std::size_t>(fileStride));
    for (int i = 0; i < height; ++i) {
        ReadExact(stream, line.data(), fileStride);
        std::uint8_t* out = picture.ScanLine(rowOf(i));
        const std::uint8_t* in = line.data();
        for (int x = 0; x < width; ++x, out += 3) {
            std::uint32_t pixel;
            if (h.bitCount == 16) {
                pixel = Le16(in);
                in += 2;
            } else {
                pixel = Le32(in);
                in += 4;
            }
            out[0] = blue.Value(pixel);
            out[1] = green.Value(pixel);
            out[2] = red.Value(pixel);
        }
    }
}

std::unique_ptr<TBmpRowReader> TBmpRowReader::Open(const QString& fileName)
{
    std::unique_ptr<TBmpRowReader> reader(new TBmpRowReader);
    reader->m_file = std::make_unique<QFile>();
    QFile& file = *reader->m_file;
    BmpHeader h;
    std::int64_t pixelOffset = 0;
    try {
        OpenPictureFile(fileName, file);
        h = ReadHeader(file, 0, pixelOffset);
    } catch (const VellumException&) {
        return nullptr;
    }
    // The cases ReadBmp reads straight into place, with every row in the file.
    const bool plain32 = h.bitCount == 32 && h.masks[0] == 0xFF0000 && h.masks[1] == 0xFF00 && h.masks[2] == 0xFF;
    const bool straight = (h.compression == kBiRgb && h.bitCount != 16) ||
        ((h.compression == kBiBitfields || h.compression == kBiAlphaBitfields) && plain32);
    const std::int64_t fileStride = (h.width * h.bitCount + 31) / 32 * 4;
    const std::int64_t size = file.size();
    if (!straight || h.width == 0 || h.height == 0 || pixelOffset > size || fileStride * h.height > size - pixelOffset)
        return nullptr;
    reader->m_width = int(h.width);
    reader->m_height = int(h.height);
    reader->m_topDown = h.topDown;
    reader->m_format = h.bitCount <= 8 ? PaletteFormat(h.bitCount)
        : h.bitCount == 24 ? TPixelFormat::pf24bit : TPixelFormat::pf32bit;
    reader->m_palette = std::move(h.palette);
    reader->m_pixelOffset = pixelOffset;
    reader->m_fileStride = fileStride;
    constexpr std::int64_t kReadBytes = 4 << 20;
    reader->m_maxRows = int(std::clamp<std::int64_t>(kReadBytes / fileStride, 1, h.height));
    return reader;
}

TBmpRowReader::~TBmpRowReader() = default;

const TXBitmap& TBmpRowReader::Read(int first, int count)
{
    Q_ASSERT(count >= 1 && count <= m_maxRows && first >= 0 && first + count <= m_height);
    // 24-bit rows are used as read, in one block for every read; others are converted, which
    // replaces the block.
    if (m_format != TPixelFormat::pf24bit) {
        m_rows.AllocateUninitialised(m_width, count, m_format);
        if (IsPaletteFormat(m_format))
            m_rows.SetPalette(m_palette);
    } else if (m_rows.Empty()) {
        m_rows.AllocateUninitialised(m_width, m_maxRows, m_format);
    }
    // The rows lie together in the file, bottom-up unless the file says otherwise: one
    // scattering read puts each where the picture has it.
    const std::int64_t firstInFile = m_topDown ? first : m_height - first - count;
    std::int64_t offset = m_pixelOffset + firstInFile * m_fileStride;
    std::vector<iovec> rows(static_cast<std::size_t>(count));
    for (int k = 0; k < count; ++k)
        rows[std::size_t(k)] = {m_rows.ScanLine(m_topDown ? k : count - 1 - k), std::size_t(m_fileStride)};
    std::size_t next = 0;
    while (next < rows.size()) {
        const int batch = int(std::min<std::size_t>(rows.size() - next, IOV_MAX));
        const ssize_t got = ::preadv(m_file->handle(), &rows[next], batch, offset);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            throw EReadError();
        offset += got;
        // Past the rows read whole, into the one read in part.
        std::size_t left = std::size_t(got);
        while (next < rows.size() && left >= rows[next].iov_len) {
            left -= rows[next].iov_len;
            ++next;
        }
        if (left > 0) {
            rows[next].iov_base = static_cast<std::uint8_t*>(rows[next].iov_base) + left;
            rows[next].iov_len -= left;
        }
    }
    m_rows.SetPixelFormat(TPixelFormat::pf24bit);
    return m_rows;
}

namespace {

// The file header, information header and palette of an uncompressed bottom-up BMP.
std::vector<std::uint8_t> FileHead(int width, int height, TPixelFormat format, const std::vector<TColor>& palette,
                                   std::uint32_t imageSize)
{
    const int bitCount = BitsPerPixel(format);
    const std::uint32_t paletteCount = IsPaletteFormat(format) ? (1u << bitCount) : 0;
    const std::uint32_t offBits = 14 + kInfoHeaderSize + paletteCount * 4;
    std::vector<std::uint8_t> head(offBits, 0);
    head[0] = 'B';
    head[1] = 'M';
    PutLe32(&head[2], offBits + imageSize);
    PutLe32(&head[10], offBits);
    std::uint8_t* info = &head[14];
    PutLe32(info, kInfoHeaderSize);
    PutLe32(info + 4, std::uint32_t(width));
    PutLe32(info + 8, std::uint32_t(height));
    PutLe16(info + 12, 1);
    PutLe16(info + 14, std::uint32_t(bitCount));
    PutLe32(info + 16, kBiRgb);
    PutLe32(info + 20, imageSize);
    for (std::uint32_t i = 0; i < paletteCount; ++i) {
        const TColor c = palette[i];
        std::uint8_t* e = &head[14 + kInfoHeaderSize + 4 * i];
        e[0] = static_cast<std::uint8_t>(GetBValue(c));
        e[1] = static_cast<std::uint8_t>(GetGValue(c));
        e[2] = static_cast<std::uint8_t>(GetRValue(c));
    }
    return head;
}

// Writes the ranges in order: gathered where the device takes that, one by one otherwise.
void WriteRanges(QIODevice& stream, const std::vector<TGatherWriter::TRange>& ranges)
{
    if (auto* gather = dynamic_cast<TGatherWriter*>(&stream)) {
        gather->WriteGathered(ranges.data(), ranges.size());
        return;
    }
    for (const TGatherWriter::TRange& range : ranges)
        WriteExact(stream, range.Data, std::int64_t(range.Size));
}

} // namespace

void WriteBmp(QIODevice& stream, const TXBitmap& picture)
{
    const std::uint32_t imageSize = std::uint32_t(picture.BytesPerLine()) * std::uint32_t(picture.Height());
    std::vector<std::uint8_t> head =
        FileHead(picture.Width(), picture.Height(), picture.PixelFormat(), picture.Palette(), imageSize);
    // Rows go bottom-up; each stored row already has the file's padding (zero bytes).
    const std::size_t stride = std::size_t(picture.BytesPerLine());
    if (auto* gather = dynamic_cast<TGatherWriter*>(&stream)) {
        // Straight from the rows, in large gathering writes: no copy on our side.
        std::vector<TGatherWriter::TRange> ranges;
        ranges.reserve(std::size_t(picture.Height()) + 1);
        ranges.push_back({head.data(), head.size()});
        for (int y = picture.Height() - 1; y >= 0; --y)
            ranges.push_back({picture.ScanLine(y), stride});
        gather->WriteGathered(ranges.data(), ranges.size());
        return;
    }
    // Other devices get chunks of about a megabyte: a device spends far more on many small
    // writes than on copying the rows once.
    constexpr std::size_t kChunk = 1 << 20;
    std::vector<std::uint8_t> chunk = std::move(head);
    chunk.reserve(std::max(kChunk, chunk.size()) + stride);
    for (int y = picture.Height() - 1; y >= 0; --y) {
        const std::uint8_t* row = picture.ScanLine(y);
        chunk.insert(chunk.end(), row, row + stride);
        if (chunk.size() >= kChunk) {
            WriteExact(stream, chunk.data(), std::int64_t(chunk.size()));
            chunk.clear();
        }
    }
    WriteExact(stream, chunk.data(), std::int64_t(chunk.size()));
}

namespace {

// Writes lists of ranges on one helper thread, a list at a time and in order, so that the
// caller can fill the next list meanwhile. One thread for the whole file: starting a thread
// per list costs milliseconds each on a busy machine.
class TRangesWriter {
public:
    explicit TRangesWriter(QIODevice& stream) : m_stream(stream), m_thread([this] { run(); }) {}

    ~TRangesWriter()
    {
        {
            const std::lock_guard lock(m_mutex);
            m_stop = true;
        }
        m_wake.notify_all();
        m_thread.join();
    }

    TRangesWriter(const TRangesWriter&) = delete;
    TRangesWriter& operator=(const TRangesWriter&) = delete;

    // Hands over ranges, which must stay as they are until the next Write or Wait returns.
    void Write(const std::vector<TGatherWriter::TRange>& ranges)
    {
        Wait();
        {
            const std::lock_guard lock(m_mutex);
            m_pending = &ranges;
        }
        m_wake.notify_all();
    }

    // Until the list handed over last is written; raises what writing it raised.
    void Wait()
    {
        std::unique_lock lock(m_mutex);
        m_wake.wait(lock, [this] { return m_pending == nullptr; });
        if (m_error)
            std::rethrow_exception(std::exchange(m_error, nullptr));
    }

private:
    void run()
    {
        std::unique_lock lock(m_mutex);
        for (;;) {
            m_wake.wait(lock, [this] { return m_stop || m_pending != nullptr; });
            if (m_pending == nullptr)
                return;
            const std::vector<TGatherWriter::TRange>* ranges = m_pending;
            lock.unlock();
            std::exception_ptr error;
            try {
                WriteRanges(m_stream, *ranges);
            } catch (...) {
                error = std::current_exception();
            }
            lock.lock();
            if (!m_error)
                m_error = error;
            m_pending = nullptr;
            m_wake.notify_all();
        }
    }

    QIODevice& m_stream;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    const std::vector<TGatherWriter::TRange>* m_pending = nullptr;
    std::exception_ptr m_error;
    bool m_stop = false;
    std::thread m_thread; // last: started once the rest is ready
};

} // namespace

void WriteBmpRows(QIODevice& stream, int width, int height, const TRowBandProducer& produce)
{
    const std::size_t stride = (3 * std::size_t(width) + 3) & ~std::size_t(3);
    const std::vector<std::uint8_t> head =
        FileHead(width, height, TPixelFormat::pf24bit, {}, std::uint32_t(stride * std::size_t(height)));
    // Bands of up to 6 MB (three whole huge pages); two of them, one filled while the other is
    // written.
    constexpr std::size_t kBandBytes = 6 << 20;
    const int bandRows = int(std::clamp<std::size_t>(kBandBytes / stride, 1, std::size_t(height)));
    struct Slot {
        TXBitmap buffer; // a picture's block: huge pages spare most first-touch faults
        TRowBand band;
        std::vector<TGatherWriter::TRange> ranges;
    };
    Slot pair[2];
    for (Slot& slot : pair) {
        slot.buffer.AllocateUninitialised(width, bandRows, TPixelFormat::pf24bit);
        slot.band.Buffer = slot.buffer.ScanLine(0);
        slot.band.Stride = stride;
    }
    WriteRanges(stream, {{head.data(), head.size()}});
    // After the slots: stopped (its writing finished) before they go.
    TRangesWriter writer(stream);
    // The file holds the rows bottom-up, so the bands go from the bottom.
    int next = 0; // slot to fill
    for (int last = height; last > 0; last -= bandRows) {
        Slot& slot = pair[next];
        next ^= 1;
        slot.band.First = std::max(0, last - bandRows);
        slot.band.Last = last;
        slot.band.Rows.assign(std::size_t(last - slot.band.First), nullptr);
        produce(slot.band);
        slot.ranges.clear();
        for (int y = last - 1; y >= slot.band.First; --y)
            slot.ranges.push_back({slot.band.Rows[std::size_t(y - slot.band.First)], stride});
        // The band before is written first; its slot is filled next.
        writer.Write(slot.ranges);
    }
    writer.Wait();
}

} // namespace vellum
