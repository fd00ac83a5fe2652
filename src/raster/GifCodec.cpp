// GIF reading walks the records with giflib up to the first image, then reads that image's
// descriptor and decodes its LZW data itself: giflib refuses files web browsers show (a code
// table that stays full without a clear code, minimum code sizes above 8, an image without
// pixels and without data), and its whole-file reader would build every frame of a hostile
// file. Writing is giflib's.
#include <algorithm>
#include <atomic>
#include <thread>
#include <cstring>
#include <exception>
#include <memory>
#include <vector>

#include <gif_lib.h>

#include <QIODevice>

#include "raster/ColourQuantizer.h"
#include "raster/GifReader.h"
#include "raster/PictureCodecs.h"
#include "raster/XBitmap.h"

namespace vellum {

namespace {

// Pictures of fewer rows are dithered by one thread.
constexpr int kMinRowsToSplit = 256;
// Rows the dithering helper finishes before it tells the compressing thread.
constexpr int kRowsPerHandOver = 64;

int ReadFromDevice(GifFileType* gif, GifByteType* data, int size)
{
    auto* device = static_cast<QIODevice*>(gif->UserData);
    const qint64 got = device->read(reinterpret_cast<char*>(data), size);
    return got <= 0 ? 0 : int(got);
}

int WriteToDevice(GifFileType* gif, const GifByteType* data, int size)
{
    auto* device = static_cast<QIODevice*>(gif->UserData);
    const qint64 written = device->write(reinterpret_cast<const char*>(data), size);
    return written < 0 ? 0 : int(written);
}

QString GifMessage(int code)
{
    const char* text = GifErrorString(code);
    return QStringLiteral("GIF error #%1: %2").arg(code).arg(QString::fromUtf8(text ? text : "unknown error"));
}

struct DecoderCloser {
    void operator()(GifFileType* gif) const
    {
        int error = 0;
        DGifCloseFile(gif, &error);
    }
};

struct EncoderCloser {
    void operator()(GifFileType* gif) const
    {
        int error = 0;
        EGifCloseFile(gif, &error);
    }
};

struct MapFreer {
    void operator()(ColorMapObject* map) const { GifFreeMapObject(map); }
};

// Palette entries as pixel bytes; indices beyond a short map, and every index when there is
// no map at all, are black.
std::array<std::uint8_t, 256 * 3> PaletteBytes(const ColorMapObject* map)
{
    std::array<std::uint8_t, 256 * 3> bytes{};
    if (!map || !map->Colors)
        return bytes;
    const int count = std::clamp(map->ColorCount, 0, 256);
    for (int i = 0; i < count; ++i) {
        bytes[std::size_t(3 * i)] = map->Colors[i].Blue;
        bytes[std::size_t(3 * i + 1)] = map->Colors[i].Green;
        bytes[std::size_t(3 * i + 2)] = map->Colors[i].Red;
    }
    return bytes;
}

// The payload of a run of data sub-blocks, read from the device in large pieces (nothing
// after the first image is read any more, so reading ahead is harmless). The data ends at the
// empty block that closes the run, at the end of the stream or at a read error: a truncated
// file keeps what it holds.
class TSubBlockReader {
public:
    explicit TSubBlockReader(QIODevice& device) : m_device(device) {}

    // Copies up to size payload bytes to out; returns 0 only once the data has ended.
    std::size_t Read(std::uint8_t* out, std::size_t size)
    {
        std::size_t done = 0;
        while (done < size && !m_ended) {
            if (m_position == m_end && !Refill())
                break;
            if (m_blockLeft == 0) {
                m_blockLeft = m_raw[m_position++];
                m_ended = m_blockLeft == 0;
                continue;
            }
            const std::size_t count = std::min({size - done, m_end - m_position, m_blockLeft});
            std::memcpy(out + done, &m_raw[m_position], count);
            done += count;
            m_position += count;
            m_blockLeft -= count;
        }
        return done;
    }

private:
    static constexpr std::size_t kRawSize = 64 * 1024;

    bool Refill()
    {
        const qint64 got = m_device.read(reinterpret_cast<char*>(m_raw.data()), qint64(m_raw.size()));
        if (got <= 0) {
            m_ended = true;
            return false;
        }
        m_position = 0;
        m_end = std::size_t(got);
        return true;
    }

    QIODevice& m_device;
    std::array<std::uint8_t, kRawSize> m_raw;
    std::size_t m_position = 0;
    std::size_t m_end = 0;
    std::size_t m_blockLeft = 0;
    bool m_ended = false;
};

// GIF codes are at most 12 bits wide.
constexpr int kMaxCodes = 4096;
constexpr int kMaxBits = 12;

// Minimum code sizes up to 11 leave room in the table for the clear and end codes; browsers
// decode them all, giflib only those up to 8.
constexpr int kMaxCodeSize = kMaxBits - 1;

// The variable-length LZW decoder of GIF image data. The string table is kept as prefix and
// suffix arrays with each string's first index and length, so a string is written straight
// into the output from its last index back to its first.
class TGifLzwDecoder {
public:
    // codeSize: 0 to kMaxCodeSize. Literal codes above 255 stand for the index of their low
    // eight bits, as in browsers.
    TGifLzwDecoder(QIODevice& device, int codeSize)
        : m_blocks(device), m_codeSize(codeSize), m_clearCode(1 << codeSize), m_endCode(m_clearCode + 1)
    {
        for (int i = 0; i < m_clearCode; ++i) {
            m_suffix[std::size_t(i)] = std::uint8_t(i);
            m_first[std::size_t(i)] = std::uint8_t(i);
            m_length[std::size_t(i)] = 1;
        }
        Reset();
    }

    // Fills out with up to count indexes; fewer only once the data has ended.
    int Decode(std::uint8_t* out, int count)
    {
        int done = 0;
        if (m_pendingFrom < m_pendingEnd) {
            done = std::min(count, m_pendingEnd - m_pendingFrom);
            std::memcpy(out, &m_pending[std::size_t(m_pendingFrom)], std::size_t(done));
            m_pendingFrom += done;
        }
        while (done < count && !m_ended) {
            const int code = NextCode();
            if (code < 0 || code == m_endCode) {
                m_ended = true;
                break;
            }
            if (code == m_clearCode) {
                Reset();
                continue;
            }
            if (m_previous < 0) {
                // After a clear code only single indexes are defined.
                if (code >= m_clearCode)
                    throw BadCode();
            } else if (m_nextFree < kMaxCodes) {
                if (code > m_nextFree)
                    throw BadCode();
                // The new string is the previous one plus the first index of this code's
                // string, which is the previous string's own first index when this code is
                // the one being defined.
                const auto entry = std::size_t(m_nextFree++);
                const auto previous = std::size_t(m_previous);
                m_prefix[entry] = std::uint16_t(m_previous);
                m_first[entry] = m_first[previous];
                m_suffix[entry] = m_first[std::size_t(code)];
                m_length[entry] = std::uint16_t(m_length[previous] + 1);
            }
            // A full table takes no new strings until the next clear code.
            m_previous = code;

            const int length = m_length[std::size_t(code)];
            if (length <= count - done) {
                WriteString(code, length, out + done);
                done += length;
            } else {
                WriteString(code, length, m_pending.data());
                const int taken = count - done;
                std::memcpy(out + done, m_pending.data(), std::size_t(taken));
                done = count;
                m_pendingFrom = taken;
                m_pendingEnd = length;
            }
        }
        return done;
    }

private:
    static constexpr std::size_t kInputSize = 16 * 1024;

    static EInvalidGraphic BadCode()
    {
        return EInvalidGraphic(QStringLiteral("GIF image is not valid: its data holds a code the code table does not hold"));
    }

    void Reset()
    {
        m_width = m_codeSize + 1;
        m_widthLimit = 1 << m_width;
        m_running = m_endCode + 1;
        m_nextFree = m_endCode + 1;
        m_previous = -1;
    }

    // The next code, or -1 once the data ends before a whole code.
    int NextCode()
    {
        while (m_bitCount < m_width) {
            if (m_inputFrom == m_inputEnd) {
                m_inputFrom = 0;
                m_inputEnd = m_blocks.Read(m_input.data(), m_input.size());
                if (m_inputEnd == 0)
                    return -1;
            }
            m_bits |= std::uint32_t(m_input[m_inputFrom++]) << m_bitCount;
            m_bitCount += 8;
        }
        const int code = int(m_bits & ((1u << m_width) - 1));
        m_bits >>= m_width;
        m_bitCount -= m_width;
        // Every code read moves the count on, up to one past the full table; the code width
        // grows when the count passes the width's range, never beyond 12 bits. For minimum
        // code sizes of 2 and more this is the usual rule (the width grows once the table
        // holds a string for every code of the width); giflib times sizes 0 and 1 this way.
        if (m_running < kMaxCodes + 1 && ++m_running > m_widthLimit && m_width < kMaxBits) {
            m_widthLimit <<= 1;
            ++m_width;
        }
        return code;
    }

    void WriteString(int code, int length, std::uint8_t* out) const
    {
        for (int i = length - 1; i >= 0; --i) {
            out[i] = m_suffix[std::size_t(code)];
            code = m_prefix[std::size_t(code)];
        }
    }

    TSubBlockReader m_blocks;
    const int m_codeSize;
    const int m_clearCode;
    const int m_endCode;
    int m_width = 0;
    int m_widthLimit = 0;
    int m_running = 0;
    int m_nextFree = 0;
    int m_previous = -1;
    bool m_ended = false;
    std::uint32_t m_bits = 0;
    int m_bitCount = 0;
    std::array<std::uint8_t, kInputSize> m_input;
    std::size_t m_inputFrom = 0;
    std::size_t m_inputEnd = 0;
    std::array<std::uint16_t, kMaxCodes> m_prefix{};
    std::array<std::uint8_t, kMaxCodes> m_suffix{};
    std::array<std::uint8_t, kMaxCodes> m_first{};
    std::array<std::uint16_t, kMaxCodes> m_length{};
    // The rest of a string that did not fit the caller's row.
    std::array<std::uint8_t, kMaxCodes> m_pending;
    int m_pendingFrom = 0;
    int m_pendingEnd = 0;
};

} // namespace

struct TGifFirstImage::TState {
    std::unique_ptr<GifFileType, DecoderCloser> gif;
    int screenWidth = 0;
    int screenHeight = 0;
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    bool interlaced = false;
    int transparentIndex = -1;
    std::array<std::uint8_t, 256 * 3> colours{};
    // None for an image without pixels, whose data is never read.
    std::unique_ptr<TGifLzwDecoder> decoder;
};

namespace {

// Exactly size bytes from the device, else the codec's read error.
void ReadExactly(QIODevice& stream, std::uint8_t* data, int size)
{
    if (stream.read(reinterpret_cast<char*>(data), size) != size)
        throw EInvalidGraphic(GifMessage(D_GIF_ERR_READ_FAILED));
}

} // namespace

TGifFirstImage::TGifFirstImage(QIODevice& stream) : m(std::make_unique<TState>())
{
    int error = 0;
    m->gif.reset(DGifOpen(&stream, ReadFromDevice, &error));
    GifFileType* gif = m->gif.get();
    if (!gif)
        throw EInvalidGraphic(GifMessage(error));

    for (;;) {
        GifRecordType record = UNDEFINED_RECORD_TYPE;
        if (DGifGetRecordType(gif, &record) == GIF_ERROR)
            throw EInvalidGraphic(GifMessage(gif->Error));
        if (record == TERMINATE_RECORD_TYPE)
            throw EInvalidGraphic(QStringLiteral("GIF image is not valid: it holds no frame"));
        if (record == EXTENSION_RECORD_TYPE) {
            int code = 0;
            GifByteType* block = nullptr;
            if (DGifGetExtension(gif, &code, &block) == GIF_ERROR)
                throw EInvalidGraphic(GifMessage(gif->Error));
            // block[0] is the sub-block's length; a graphic control block has 4 data bytes.
            if (code == GRAPHICS_EXT_FUNC_CODE && block && block[0] >= 4 && (block[1] & 1))
                m->transparentIndex = block[4];
            while (block) {
                if (DGifGetExtensionNext(gif, &block) == GIF_ERROR)
                    throw EInvalidGraphic(GifMessage(gif->Error));
            }
            continue;
        }
        if (record == IMAGE_DESC_RECORD_TYPE)
            break;
    }

    // The image descriptor after its introducer: left, top, width and height (16 bits, low
    // byte first), then flags: a local colour map, interlacing, the map's size.
    std::array<std::uint8_t, 9> descriptor{};
    ReadExactly(stream, descriptor.data(), int(descriptor.size()));
    const auto word = [&descriptor](int at) { return descriptor[std::size_t(at)] | descriptor[std::size_t(at + 1)] << 8; };
    m->left = word(0);
    m->top = word(2);
    m->width = word(4);
    m->height = word(6);
    const std::uint8_t flags = descriptor[8];
    m->interlaced = (flags & 0x40) != 0;
    if (flags & 0x80) {
        const int count = 2 << (flags & 0x07);
        std::array<std::uint8_t, 256 * 3> rgb{};
        ReadExactly(stream, rgb.data(), 3 * count);
        for (int i = 0; i < count; ++i) {
            m->colours[std::size_t(3 * i)] = rgb[std::size_t(3 * i + 2)];
            m->colours[std::size_t(3 * i + 1)] = rgb[std::size_t(3 * i + 1)];
            m->colours[std::size_t(3 * i + 2)] = rgb[std::size_t(3 * i)];
        }
    } else {
        m->colours = PaletteBytes(gif->SColorMap);
    }
    m->screenWidth = gif->SWidth;
    m->screenHeight = gif->SHeight;
    if (m->screenWidth <= 0 || m->screenHeight <= 0) {
        m->screenWidth = m->left + m->width;
        m->screenHeight = m->top + m->height;
    }
    // An image without pixels needs no data: what follows (data, the trailer or nothing) is
    // not read.
    if (m->width == 0 || m->height == 0)
        return;
    std::uint8_t codeSize = 0;
    ReadExactly(stream, &codeSize, 1);
    if (codeSize > kMaxCodeSize)
        throw EInvalidGraphic(GifMessage(D_GIF_ERR_READ_FAILED));
    m->decoder = std::make_unique<TGifLzwDecoder>(stream, codeSize);
}

TGifFirstImage::~TGifFirstImage() = default;

int TGifFirstImage::ScreenWidth() const { return m->screenWidth; }
int TGifFirstImage::ScreenHeight() const { return m->screenHeight; }
int TGifFirstImage::Left() const { return m->left; }
int TGifFirstImage::Top() const { return m->top; }
int TGifFirstImage::Width() const { return m->width; }
int TGifFirstImage::Height() const { return m->height; }
bool TGifFirstImage::Interlaced() const { return m->interlaced; }
int TGifFirstImage::TransparentIndex() const { return m->transparentIndex; }
const std::array<std::uint8_t, 256 * 3>& TGifFirstImage::Colours() const { return m->colours; }

int TGifFirstImage::ReadRow(std::uint8_t* indexes)
{
    return m->decoder ? m->decoder->Decode(indexes, Width()) : 0;
}

void ReadGif(QIODevice& stream, TXBitmap& picture)
{
    TGifFirstImage image(stream);
    const int screenWidth = image.ScreenWidth();
    const int screenHeight = image.ScreenHeight();
    CheckPictureSize(screenWidth, screenHeight);
    const int left = image.Left();
    const int top = image.Top();
    const int width = image.Width();
    const int height = image.Height();

    // Transparent pixels, like those the image does not cover or its data never reaches, show
    // white: what a viewer shows on a white page.
    auto colours = image.Colours();
    if (image.TransparentIndex() >= 0)
        std::memset(&colours[std::size_t(3 * image.TransparentIndex())], 0xFF, 3);

    picture.AllocateUninitialised(screenWidth, screenHeight, TPixelFormat::pf24bit);
    const TPrefaultPixels prefault(picture);
    const std::size_t rowBytes = std::size_t(screenWidth) * 3;

    // Interlaced images store every 8th row from 0, every 8th from 4, every 4th from 2, then
    // every 2nd from 1.
    std::vector<int> order;
    order.reserve(std::size_t(height));
    if (image.Interlaced()) {
        const int start[4] = {0, 4, 2, 1};
        const int step[4] = {8, 8, 4, 2};
        for (int pass = 0; pass < 4; ++pass)
            for (int y = start[pass]; y < height; y += step[pass])
                order.push_back(y);
    } else {
        for (int y = 0; y < height; ++y)
            order.push_back(y);
    }
    // Rows after the last one that lands on the screen are not decoded at all.
    while (!order.empty() && top + order.back() >= screenHeight)
        order.pop_back();

    std::vector<std::uint8_t> filled(std::size_t(screenHeight), 0);
    std::vector<std::uint8_t> line(std::size_t(std::max(1, width)));
    const int firstX = std::max(0, left);
    const int endX = std::min(screenWidth, left + width);
    for (int imageRow : order) {
        const int decoded = image.ReadRow(line.data());
        if (decoded == 0)
            break;
        const int y = top + imageRow;
        if (y < 0 || y >= screenHeight)
            continue;
        std::uint8_t* out = picture.ScanLine(y);
        const int endDecoded = std::min(endX, left + decoded);
        int x = 0;
        if (firstX < endDecoded) {
            std::memset(out, 0xFF, std::size_t(3 * firstX));
            const std::uint8_t* indexes = line.data() + (firstX - left);
            for (x = firstX; x < endDecoded; ++x)
                std::memcpy(out + 3 * x, &colours[std::size_t(3 * *indexes++)], 3);
        }
        std::memset(out + 3 * x, 0xFF, rowBytes - std::size_t(3 * x));
        filled[std::size_t(y)] = 1;
    }
    for (int y = 0; y < screenHeight; ++y)
        if (!filled[std::size_t(y)])
            std::memset(picture.ScanLine(y), 0xFF, rowBytes);
}

void WriteGif(QIODevice& stream, const TXBitmap& picture)
{
    if (picture.PixelFormat() != TPixelFormat::pf24bit) {
        TXBitmap converted(picture);
        converted.SetPixelFormat(TPixelFormat::pf24bit);
        WriteGif(stream, converted);
        return;
    }
    if (picture.Width() > 65535 || picture.Height() > 65535)
        throw EInvalidGraphic(QStringLiteral("A GIF image is at most 65535 pixels a side"));

    // A picture of few colours keeps them all, undithered; others get an octree palette.
    const std::optional<TPalette256> exact = ExactPalette(picture);
    const TPalette256 palette = exact ? *exact : BuildOctreePalette(picture);
    GifColorType colours[256];
    for (int i = 0; i < 256; ++i) {
        colours[i].Red = static_cast<GifByteType>(GetRValue(palette[std::size_t(i)]));
        colours[i].Green = static_cast<GifByteType>(GetGValue(palette[std::size_t(i)]));
        colours[i].Blue = static_cast<GifByteType>(GetBValue(palette[std::size_t(i)]));
    }
    std::unique_ptr<ColorMapObject, MapFreer> map(GifMakeMapObject(256, colours));
    if (!map)
        throw EOutOfMemory();

    int error = 0;
    std::unique_ptr<GifFileType, EncoderCloser> gif(EGifOpen(&stream, WriteToDevice, &error));
    if (!gif)
        throw EWriteError(GifMessage(error));
    if (EGifPutScreenDesc(gif.get(), picture.Width(), picture.Height(), 8, 0, map.get()) == GIF_ERROR
        || EGifPutImageDesc(gif.get(), 0, 0, picture.Width(), picture.Height(), false, nullptr) == GIF_ERROR)
        throw EWriteError(GifMessage(gif->Error));

    const int width = picture.Width();
    const int height = picture.Height();
    if (exact) {
        const TExactColourMapper mapper(palette);
        std::vector<GifPixelType> indices(std::size_t(std::max(1, width)));
        for (int y = 0; y < height; ++y) {
            mapper.MapRow(picture.ScanLine(y), indices.data(), width);
            if (EGifPutLine(gif.get(), indices.data(), width) == GIF_ERROR)
                throw EWriteError(GifMessage(gif->Error));
        }
        GifFileType* raw = gif.release();
        if (EGifCloseFile(raw, &error) == GIF_ERROR)
            throw EWriteError(GifMessage(error));
        return;
    }

    // Dithering costs several times what compressing costs, so a helper thread dithers the
    // lower band of rows while this thread dithers and compresses the upper band, then
    // compresses the lower one as the helper finishes its rows. The error diffusion restarts
    // at the band's first row, which no eye finds in a photograph.
    const int split = height >= kMinRowsToSplit ? height * 20 / 100 : height;
    // Filled row by row by the helper: no need to clear it first.
    const auto lower = std::make_unique_for_overwrite<GifPixelType[]>(std::size_t(height - split) * std::size_t(width) + 1);
    std::atomic<int> lowerRowsDone{0};
    // A failure of the helper (only an exhausted allocation) is handed to this thread.
    std::exception_ptr helperFailure;
    std::jthread helper;
    if (split < height) {
        helper = std::jthread([&] {
            try {
                TFloydSteinbergDitherer ditherer(palette, width);
                for (int y = split; y < height; ++y) {
                    ditherer.DitherRow(picture.ScanLine(y), &lower[std::size_t(y - split) * std::size_t(width)]);
                    // Published in batches: a wake-up per row would cost more than the row
                    // on a busy machine.
                    const int done = y - split + 1;
                    if (done % kRowsPerHandOver == 0 || y + 1 == height) {
                        lowerRowsDone.store(done, std::memory_order_release);
                        lowerRowsDone.notify_one();
                    }
                }
            } catch (...) {
                helperFailure = std::current_exception();
                lowerRowsDone.store(height - split, std::memory_order_release);
                lowerRowsDone.notify_one();
            }
        });
    }
    TFloydSteinbergDitherer ditherer(palette, width);
    std::vector<GifPixelType> indices(std::size_t(std::max(1, width)));
    for (int y = 0; y < split; ++y) {
        ditherer.DitherRow(picture.ScanLine(y), indices.data());
        if (EGifPutLine(gif.get(), indices.data(), width) == GIF_ERROR)
            throw EWriteError(GifMessage(gif->Error));
    }
    for (int y = split; y < height; ++y) {
        int done = lowerRowsDone.load(std::memory_order_acquire);
        while (done <= y - split) {
            // Sleeps until the helper publishes its next batch of rows.
            lowerRowsDone.wait(done, std::memory_order_acquire);
            done = lowerRowsDone.load(std::memory_order_acquire);
        }
        if (helperFailure) {
            helper.join();
            std::rethrow_exception(helperFailure);
        }
        if (EGifPutLine(gif.get(), &lower[std::size_t(y - split) * std::size_t(width)], width) == GIF_ERROR)
            throw EWriteError(GifMessage(gif->Error));
    }
    GifFileType* raw = gif.release();
    if (EGifCloseFile(raw, &error) == GIF_ERROR)
        throw EWriteError(GifMessage(error));
}

} // namespace vellum
