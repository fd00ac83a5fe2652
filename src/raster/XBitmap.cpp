#include "raster/XBitmap.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <condition_variable>
#include <mutex>
#include <new>
#include <thread>
#include <utility>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <sys/mman.h>
#include <sys/uio.h>
#include <unistd.h>

#include <QFile>
#include <QSaveFile>

#include "raster/Canvas.h"
#include "raster/PictureCodecs.h"

namespace vellum {

int BitsPerPixel(TPixelFormat format)
{
    switch (format) {
    case TPixelFormat::pf1bit: return 1;
    case TPixelFormat::pf4bit: return 4;
    case TPixelFormat::pf8bit: return 8;
    case TPixelFormat::pf24bit: return 24;
    case TPixelFormat::pf32bit: return 32;
    }
    return 24;
}

bool IsPaletteFormat(TPixelFormat format)
{
    return BitsPerPixel(format) <= 8;
}

void CheckPictureSize(std::int64_t width, std::int64_t height)
{
    if (width < 0 || height < 0)
        throw EInvalidGraphic(QStringLiteral("Invalid picture size %1 x %2").arg(width).arg(height));
    if (width > kMaxPictureSide || height > kMaxPictureSide || width * height > kMaxPicturePixels)
        throw EInvalidGraphic(
            QStringLiteral("Picture of %1 x %2 pixels is larger than the limit of %3 pixels a side "
                           "and %4 million pixels")
                .arg(width).arg(height).arg(kMaxPictureSide).arg(kMaxPicturePixels / (1024 * 1024)));
}

namespace {

int StrideOf(int width, TPixelFormat format)
{
    return static_cast<int>((static_cast<std::int64_t>(width) * BitsPerPixel(format) + 31) / 32 * 4);
}

// The 2 ^ bits entries of a palette format's palette: given colours first, black after.
std::vector<TColor> FullPalette(const std::vector<TColor>& colours, TPixelFormat format)
{
    std::vector<TColor> palette(std::size_t(1) << BitsPerPixel(format), clBlack);
    std::copy_n(colours.begin(), std::min(colours.size(), palette.size()), palette.begin());
    return palette;
}

int PaletteIndex(const std::uint8_t* row, int x, TPixelFormat format)
{
    switch (format) {
    case TPixelFormat::pf1bit: return (row[x >> 3] >> (7 - (x & 7))) & 1;
    case TPixelFormat::pf4bit: return (row[x >> 1] >> ((x & 1) ? 0 : 4)) & 0xF;
    default: return row[x];
    }
}

constexpr std::size_t kHugePage = HugePageSize;

std::uint8_t* AllocatePixels(std::size_t size)
{
    void* pixels = AllocateLargeBlock(size);
    if (!pixels)
        throw EOutOfMemory();
    return static_cast<std::uint8_t*>(pixels);
}

} // namespace

void* AllocateLargeBlock(std::size_t size)
{
    if (size < 2 * kHugePage)
        return std::malloc(std::max<std::size_t>(size, 1));
    const std::size_t rounded = (size + kHugePage - 1) / kHugePage * kHugePage;
    void* block = std::aligned_alloc(kHugePage, rounded);
    if (block)
        AdviseHugePages(block, rounded);
    return block;
}

void AdviseHugePages(void* data, std::size_t size)
{
#ifdef MADV_HUGEPAGE
    if (data == nullptr || size < 2 * kHugePage)
        return;
    // Only whole huge pages inside the block: the advice must not reach a neighbour's memory.
    const auto start = reinterpret_cast<std::uintptr_t>(data);
    const std::uintptr_t first = (start + kHugePage - 1) / kHugePage * kHugePage;
    const std::uintptr_t last = (start + size) / kHugePage * kHugePage;
    if (last > first)
        madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
#else
    (void)data;
    (void)size;
#endif
}

TFreshBlock::TFreshBlock(void* data, std::size_t size, std::size_t capacity)
{
    capacity = std::max(capacity, size);
    if (data == nullptr || size == 0)
        return;
    AdviseHugePages(data, capacity);
#ifdef MADV_POPULATE_WRITE
    static const std::size_t page = std::size_t(sysconf(_SC_PAGESIZE));
    const auto start = reinterpret_cast<std::uintptr_t>(data);
    const std::uintptr_t firstPage = (start + page - 1) / page * page;
    const std::uintptr_t lastPage = (start + size) / page * page;
    if (lastPage <= firstPage)
        return;
    // The ordinary pages: all of a small block, else those outside its whole huge pages.
    std::uintptr_t hugeFirst = (start + kHugePage - 1) / kHugePage * kHugePage;
    std::uintptr_t hugeLast = (start + capacity) / kHugePage * kHugePage;
    if (capacity < 2 * kHugePage || hugeLast <= hugeFirst)
        hugeFirst = hugeLast = lastPage;
    m_thread = std::jthread([=] {
        // Mapped, then read once from here: the writer may be writing them already, and a
        // read is what makes its own first touch cheap.
        auto map = [](std::uintptr_t from, std::uintptr_t to) {
            if (to <= from || madvise(reinterpret_cast<void*>(from), to - from, MADV_POPULATE_WRITE) != 0)
                return;
            for (std::uintptr_t at = from; at < to; at += page)
                (void)__atomic_load_n(reinterpret_cast<const std::uint8_t*>(at), __ATOMIC_RELAXED);
        };
        map(std::max(hugeLast, firstPage), lastPage);
        map(firstPage, std::min(hugeFirst, lastPage));
        // Then the huge pages that will be written, from the end down, a few at a time: the
        // writer comes up from the start, and where it has been, mapping costs next to nothing.
        for (std::uintptr_t to = (std::min(hugeLast, lastPage) + kHugePage - 1) / kHugePage * kHugePage;
             to > hugeFirst && hugeFirst < hugeLast;) {
            const std::uintptr_t from = to - hugeFirst > 2 * kHugePage ? to - 2 * kHugePage : hugeFirst;
            if (madvise(reinterpret_cast<void*>(from), to - from, MADV_POPULATE_WRITE) != 0)
                return;
            to = from;
        }
    });
#else
    (void)size;
#endif
}

TPrefaultPixels::TPrefaultPixels(TXBitmap& picture, Order order)
    : TPrefaultPixels(picture.Empty() ? nullptr : picture.ScanLine(0),
                      picture.Empty() ? 0 : std::size_t(picture.BytesPerLine()) * std::size_t(picture.Height()), order)
{
}

TPrefaultPixels::TPrefaultPixels(void* block, std::size_t size, Order order)
{
#ifdef MADV_POPULATE_WRITE
    static constexpr std::size_t kStep = 4 * kHugePage;
    if (block == nullptr || size < 4 * kStep)
        return;
    // Whole pages only: the advice must not reach a neighbour's memory.
    static const std::size_t page = std::size_t(sysconf(_SC_PAGESIZE));
    const auto first = (reinterpret_cast<std::uintptr_t>(block) + page - 1) / page * page;
    const auto last = (reinterpret_cast<std::uintptr_t>(block) + size) / page * page;
    auto* start = reinterpret_cast<std::uint8_t*>(first);
    const std::size_t span = last > first ? last - first : 0;
    const std::size_t steps = (span + kStep - 1) / kStep;
    m_thread = std::jthread([start, steps, span, order] {
        for (std::size_t i = 0; i < steps; ++i) {
            const std::size_t step = order == Order::TopDown ? i : steps - 1 - i;
            const std::size_t offset = step * kStep;
            if (madvise(start + offset, std::min(kStep, span - offset), MADV_POPULATE_WRITE) != 0)
                return; // not supported: the writer's own page faults do the work
        }
    });
#else
    (void)block;
    (void)size;
    (void)order;
#endif
}

namespace {
// The bytes [from, to) of the ranges laid end to end, copied to the same offsets of target.
void copySpan(const TGatherWriter::TRange* ranges, std::size_t count, std::size_t from, std::size_t to,
              std::uint8_t* target)
{
    std::size_t offset = 0;
    for (std::size_t i = 0; i < count && offset < to; offset += ranges[i].Size, ++i) {
        const std::size_t end = offset + ranges[i].Size;
        if (end <= from)
            continue;
        const std::size_t first = std::max(offset, from);
        const std::size_t last = std::min(end, to);
        if (last > first)
            std::memcpy(target + first, ranges[i].Data + (first - offset), last - first);
    }
}
} // namespace

void CopyRanges(const TGatherWriter::TRange* ranges, std::size_t count, std::uint8_t* target)
{
    std::size_t total = 0;
    for (std::size_t i = 0; i < count; ++i)
        total += ranges[i].Size;
    const auto start = reinterpret_cast<std::uintptr_t>(target);
    const std::size_t head = std::min(total, (start + kHugePage - 1) / kHugePage * kHugePage - start);
    copySpan(ranges, count, head, total, target);
    copySpan(ranges, count, 0, head, target);
}

void TXBitmap::PixelsFree::operator()(std::uint8_t* pixels) const
{
    std::free(pixels);
}

TXBitmap::TXBitmap() = default;

TXBitmap::TXBitmap(int width, int height, TPixelFormat format)
{
    Allocate(width, height, format);
    if (IsPaletteFormat(format)) {
        m_palette = FullPalette({}, format);
        if (m_bits)
            std::memset(m_bits.get(), 0, std::size_t(m_stride) * m_height);
    } else if (m_bits) {
        std::memset(m_bits.get(), 0xFF, std::size_t(m_stride) * m_height);
        ZeroPadding();
    }
}

TXBitmap::TXBitmap(const TXBitmap& other)
{
    Assign(other);
}

TXBitmap::TXBitmap(TXBitmap&& other) noexcept
{
    *this = std::move(other);
}

TXBitmap& TXBitmap::operator=(const TXBitmap& other)
{
    if (this != &other)
        Assign(other);
    return *this;
}

TXBitmap& TXBitmap::operator=(TXBitmap&& other) noexcept
{
    if (this == &other)
        return *this;
    m_width = std::exchange(other.m_width, 0);
    m_height = std::exchange(other.m_height, 0);
    m_format = std::exchange(other.m_format, TPixelFormat::pf24bit);
    m_stride = std::exchange(other.m_stride, 0);
    m_bits = std::move(other.m_bits);
    m_palette = std::move(other.m_palette);
    m_transparent = other.m_transparent;
    m_transparentColourSet = other.m_transparentColourSet;
    m_transparentColour = other.m_transparentColour;
    // The canvas (pen, brush, font) stays with the object it was made for.
    return *this;
}

TXBitmap::~TXBitmap() = default;

void TXBitmap::Allocate(int width, int height, TPixelFormat format)
{
    CheckPictureSize(width, height);
    const int stride = StrideOf(width, format);
    const std::size_t size = std::size_t(stride) * std::size_t(height);
    std::unique_ptr<std::uint8_t[], PixelsFree> bits;
    if (width > 0 && height > 0) {
        // A block of the same size is kept: its pages are already mapped, where a fresh
        // picture-sized block costs the kernel's clearing of every page at first touch.
        if (m_bits && size == std::size_t(m_stride) * std::size_t(m_height))
            bits = std::move(m_bits);
        else
            bits.reset(AllocatePixels(size));
    }
    m_bits = std::move(bits);
    m_width = width;
    m_height = height;
    m_format = format;
    m_stride = stride;
    if (!IsPaletteFormat(format))
        m_palette.clear();
    else if (m_palette.size() != (std::size_t(1) << BitsPerPixel(format)))
        m_palette = FullPalette(m_palette, format);
}

void TXBitmap::ZeroPadding()
{
    const std::size_t used = (std::size_t(m_width) * BitsPerPixel(m_format) + 7) / 8;
    if (used == std::size_t(m_stride))
        return;
    for (int y = 0; y < m_height; ++y)
        std::memset(ScanLine(y) + used, 0, m_stride - used);
}

void TXBitmap::AllocateUninitialised(int width, int height, TPixelFormat format)
{
    Allocate(width, height, format);
    ZeroPadding();
}

void TXBitmap::SetSize(int width, int height)
{
    if (width == m_width && height == m_height)
        return;
    // Built aside, so a size beyond the limits or an exhausted allocation leaves the picture
    // as it was.
    TXBitmap resized;
    resized.m_palette = m_palette;
    resized.Allocate(width, height, m_format);
    if (resized.m_bits) {
        std::memset(resized.m_bits.get(), IsPaletteFormat(m_format) ? 0 : 0xFF, std::size_t(resized.m_stride) * height);
        const int rows = std::min(height, m_height);
        const int columns = std::min(width, m_width);
        const std::size_t bytes = std::size_t(columns) * BitsPerPixel(m_format) / 8;
        for (int y = 0; y < rows; ++y)
            std::memcpy(resized.ScanLine(y), ScanLine(y), bytes);
        // A partly used byte of a packed format: its pixels one by one.
        if (IsPaletteFormat(m_format)) {
            for (int y = 0; y < rows; ++y)
                for (int x = int(bytes * 8 / BitsPerPixel(m_format)); x < columns; ++x) {
                    const int index = PaletteIndex(ScanLine(y), x, m_format);
                    std::uint8_t* row = resized.ScanLine(y);
                    if (m_format == TPixelFormat::pf1bit)
                        row[x >> 3] = static_cast<std::uint8_t>((row[x >> 3] & ~(0x80 >> (x & 7))) | (index << (7 - (x & 7))));
                    else
                        row[x >> 1] = static_cast<std::uint8_t>((x & 1) ? ((row[x >> 1] & 0xF0) | index)
                                                                        : ((row[x >> 1] & 0x0F) | (index << 4)));
                }
        }
        resized.ZeroPadding();
    }
    m_bits = std::move(resized.m_bits);
    m_width = resized.m_width;
    m_height = resized.m_height;
    m_stride = resized.m_stride;
    m_palette = std::move(resized.m_palette);
}

void TXBitmap::SetPixelFormat(TPixelFormat format)
{
    if (format == m_format)
        return;
    Q_ASSERT(format == TPixelFormat::pf24bit || format == TPixelFormat::pf32bit);
    if (format != TPixelFormat::pf24bit && format != TPixelFormat::pf32bit)
        return;
    if (Empty()) {
        Allocate(m_width, m_height, format);
        return;
    }
    // Converted aside, so a failed allocation leaves the picture as it was.
    TXBitmap converted;
    converted.Allocate(m_width, m_height, format);
    std::swap(converted.m_bits, m_bits);
    std::swap(converted.m_stride, m_stride);
    std::swap(converted.m_format, m_format);
    std::swap(converted.m_palette, m_palette);
    const TXBitmap& old = converted; // now the old pixels
    const int outBytes = format == TPixelFormat::pf24bit ? 3 : 4;
    // Palette entries as pixel bytes, so the inner loop is a table lookup.
    std::vector<std::uint8_t> lookup(old.m_palette.size() * 3);
    for (std::size_t i = 0; i < old.m_palette.size(); ++i)
        StorePixel(&lookup[i * 3], old.m_palette[i]);
    for (int y = 0; y < m_height; ++y) {
        const std::uint8_t* in = old.ScanLine(y);
        std::uint8_t* out = ScanLine(y);
        if (IsPaletteFormat(old.m_format)) {
            for (int x = 0; x < m_width; ++x, out += outBytes) {
                const std::uint8_t* p = &lookup[PaletteIndex(in, x, old.m_format) * 3];
                out[0] = p[0];
                out[1] = p[1];
                out[2] = p[2];
                if (outBytes == 4)
                    out[3] = 0;
            }
        } else {
            const int inBytes = old.m_format == TPixelFormat::pf24bit ? 3 : 4;
            for (int x = 0; x < m_width; ++x, in += inBytes, out += outBytes) {
                out[0] = in[0];
                out[1] = in[1];
                out[2] = in[2];
                if (outBytes == 4)
                    out[3] = 0;
            }
        }
    }
    ZeroPadding();
}

std::uint8_t* TXBitmap::ScanLine(int y)
{
    Q_ASSERT(y >= 0 && y < m_height);
    return m_bits.get() + std::size_t(m_stride) * y;
}

const std::uint8_t* TXBitmap::ScanLine(int y) const
{
    Q_ASSERT(y >= 0 && y < m_height);
    return m_bits.get() + std::size_t(m_stride) * y;
}

void TXBitmap::SetPalette(const std::vector<TColor>& colours)
{
    if (IsPaletteFormat(m_format))
        m_palette = FullPalette(colours, m_format);
}

TColor TXBitmap::TransparentColor() const
{
    if (m_transparentColourSet)
        return m_transparentColour;
    if (Empty())
        return clNone;
    return PixelColour(0, m_height - 1);
}

void TXBitmap::SetTransparentColor(TColor colour)
{
    m_transparentColour = colour;
    m_transparentColourSet = true;
}

TColor TXBitmap::PixelColour(int x, int y) const
{
    const std::uint8_t* row = ScanLine(y);
    switch (m_format) {
    case TPixelFormat::pf24bit: return ColourOfPixel(row + 3 * x);
    case TPixelFormat::pf32bit: return ColourOfPixel(row + 4 * x);
    default: return m_palette[PaletteIndex(row, x, m_format)] & 0xFFFFFF;
    }
}

void TXBitmap::Assign(const TXBitmap& other)
{
    if (this == &other)
        return;
    m_palette = other.m_palette;
    Allocate(other.m_width, other.m_height, other.m_format);
    if (m_bits)
        std::memcpy(m_bits.get(), other.m_bits.get(), std::size_t(m_stride) * m_height);
    m_transparent = other.m_transparent;
    m_transparentColourSet = other.m_transparentColourSet;
    m_transparentColour = other.m_transparentColour;
}

void TXBitmap::AssignOpaque(const TXBitmap& graphic)
{
    if (this == &graphic) {
        SetPixelFormat(TPixelFormat::pf24bit);
        return;
    }
    const bool transparent = m_transparent;
    const bool colourSet = m_transparentColourSet;
    const TColor colour = m_transparentColour;
    if (graphic.m_format == TPixelFormat::pf24bit) {
        Assign(graphic);
    } else {
        TXBitmap converted(graphic);
        converted.SetPixelFormat(TPixelFormat::pf24bit);
        *this = std::move(converted);
    }
    m_transparent = transparent;
    m_transparentColourSet = colourSet;
    m_transparentColour = colour;
}

void TXBitmap::AssignOpaque(TXBitmap&& graphic)
{
    if (this == &graphic || graphic.m_format != TPixelFormat::pf24bit) {
        AssignOpaque(static_cast<const TXBitmap&>(graphic));
        return;
    }
    m_width = std::exchange(graphic.m_width, 0);
    m_height = std::exchange(graphic.m_height, 0);
    m_format = TPixelFormat::pf24bit;
    m_stride = std::exchange(graphic.m_stride, 0);
    m_bits = std::move(graphic.m_bits);
    m_palette.clear();
}

void TXBitmap::AssignOpaque(const QImage& graphic)
{
    const QImage image = graphic.format() == QImage::Format_BGR888
        ? graphic : graphic.convertToFormat(QImage::Format_BGR888);
    Allocate(image.width(), image.height(), TPixelFormat::pf24bit);
    for (int y = 0; y < m_height; ++y)
        std::memcpy(ScanLine(y), image.constScanLine(y), std::size_t(m_width) * 3);
    ZeroPadding();
}

TCanvas& TXBitmap::Canvas()
{
    SetPixelFormat(TPixelFormat::pf24bit);
    if (!m_canvas)
        m_canvas = std::make_unique<TCanvas>(*this);
    m_canvas->Rebind(*this);
    return *m_canvas;
}

QImage TXBitmap::SharedImage()
{
    SetPixelFormat(TPixelFormat::pf24bit);
    if (Empty())
        return QImage();
    return QImage(m_bits.get(), m_width, m_height, m_stride, QImage::Format_BGR888);
}

QImage TXBitmap::ToImage() const
{
    if (Empty())
        return QImage();
    if (m_format == TPixelFormat::pf24bit)
        return QImage(m_bits.get(), m_width, m_height, m_stride, QImage::Format_BGR888).copy();
    TXBitmap converted(*this);
    converted.SetPixelFormat(TPixelFormat::pf24bit);
    return converted.ToImage();
}

void TXBitmap::LoadFromStream(QIODevice& stream)
{
    TXBitmap loaded;
    ReadBmp(stream, loaded);
    m_palette = std::move(loaded.m_palette);
    m_width = loaded.m_width;
    m_height = loaded.m_height;
    m_format = loaded.m_format;
    m_stride = loaded.m_stride;
    m_bits = std::move(loaded.m_bits);
    m_loadedIncomplete = loaded.m_loadedIncomplete;
}

void TXBitmap::SaveToStream(QIODevice& stream) const
{
    WriteBmp(stream, *this);
}

namespace {

enum class PictureKind { Bmp, Jpeg, Gif, Unknown };

PictureKind ProbeKind(QIODevice& stream)
{
    // The BMP probe reads a whole file header, so a file shorter than that fails here with
    // the stream read error.
    const qint64 start = stream.pos();
    char header[14];
    ReadExact(stream, header, sizeof header);
    stream.seek(start);
    if (header[0] == 'B' && header[1] == 'M')
        return PictureKind::Bmp;
    if (static_cast<std::uint8_t>(header[0]) == 0xFF && static_cast<std::uint8_t>(header[1]) == 0xD8)
        return PictureKind::Jpeg;
    if (header[0] == 'G' && header[1] == 'I' && header[2] == 'F')
        return PictureKind::Gif;
    return PictureKind::Unknown;
}

// The temporary file of a save. Large pictures hand their bytes to the disk while later ones
// are still being produced, and a helper thread flushes what has reached the disk so far, so
// the flush before the rename has little left to wait for.
class TPictureSaveFile : public QSaveFile, public TGatherWriter {
public:
    using QSaveFile::QSaveFile;
    TPictureSaveFile(const TPictureSaveFile&) = delete;
    TPictureSaveFile& operator=(const TPictureSaveFile&) = delete;

    ~TPictureSaveFile() override { stopFlushing(); }

    // Stops the helper; the error number of a flush of it that failed, else 0. The commit's
    // own flush may not hear of such a failure again, so the caller must.
    int FinishFlushing()
    {
        stopFlushing();
        return m_flushError;
    }

    // Up to IOV_MAX ranges and about one writeback chunk per system call, resumed where a short
    // write stopped.
    void WriteGathered(const TRange* ranges, std::size_t count) override
    {
        if (handle() < 0) {
            for (std::size_t i = 0; i < count; ++i)
                WriteExact(*this, ranges[i].Data, std::int64_t(ranges[i].Size));
            return;
        }
        std::vector<iovec> batch;
        std::size_t next = 0; // the first range not yet in a batch
        std::size_t skip = 0; // bytes of that range already written
        qint64 total = 0;
        for (;;) {
            while (next < count && ranges[next].Size == skip) {
                ++next;
                skip = 0;
            }
            if (next == count)
                break;
            batch.clear();
            std::size_t bytes = 0;
            for (std::size_t i = next; i < count && batch.size() < std::size_t(IOV_MAX) && bytes < kWritebackChunk; ++i) {
                const std::size_t from = i == next ? skip : 0;
                batch.push_back({const_cast<std::uint8_t*>(ranges[i].Data) + from, ranges[i].Size - from});
                bytes += ranges[i].Size - from;
            }
            const ssize_t written = ::writev(handle(), batch.data(), int(batch.size()));
            if (written < 0 && errno == EINTR)
                continue;
            if (written <= 0)
                throw EWriteError();
            total += written;
            wrote(written);
            // Past the ranges written whole, into the one written in part.
            std::size_t left = std::size_t(written);
            while (next < count && left >= ranges[next].Size - skip) {
                left -= ranges[next].Size - skip;
                skip = 0;
                ++next;
            }
            skip += left;
        }
        // The device's own position follows the descriptor's.
        if (!seek(pos() + total))
            throw EWriteError();
    }

protected:
    qint64 writeData(const char* data, qint64 size) override
    {
        const qint64 written = QSaveFile::writeData(data, size);
        if (written > 0)
            wrote(written);
        return written;
    }

private:
    void wrote(qint64 bytes)
    {
        m_unflushed += bytes;
        if (m_unflushed >= kWritebackChunk) {
#ifdef SYNC_FILE_RANGE_WRITE
            sync_file_range(handle(), m_flushedUpTo, m_unflushed, SYNC_FILE_RANGE_WRITE);
#endif
            m_flushedUpTo += m_unflushed;
            m_unflushed = 0;
        }
        if (m_flushedUpTo - m_lastFlushAsked >= kFlushChunk) {
            m_lastFlushAsked = m_flushedUpTo;
            askFlush();
        }
    }

    // Wakes the helper (started on the first call), which flushes once more.
    void askFlush()
    {
        {
            const std::lock_guard lock(m_flushMutex);
            ++m_flushesAsked;
        }
        if (!m_flusher.joinable()) {
            const int fd = handle();
            m_flusher = std::thread([this, fd] {
                std::unique_lock lock(m_flushMutex);
                for (;;) {
                    m_flushWake.wait(lock, [this] { return m_stopFlushing || m_flushesDone < m_flushesAsked; });
                    if (m_stopFlushing)
                        return;
                    m_flushesDone = m_flushesAsked;
                    lock.unlock();
                    const int result = ::fdatasync(fd);
                    const int error = result == 0 ? 0 : errno;
                    lock.lock();
                    if (error != 0 && m_flushError == 0)
                        m_flushError = error;
                }
            });
        }
        m_flushWake.notify_one();
    }

    void stopFlushing()
    {
        if (!m_flusher.joinable())
            return;
        {
            const std::lock_guard lock(m_flushMutex);
            m_stopFlushing = true;
        }
        m_flushWake.notify_one();
        m_flusher.join();
    }

    static constexpr qint64 kWritebackChunk = 8 * 1024 * 1024;
    static constexpr qint64 kFlushChunk = 32 * 1024 * 1024;
    qint64 m_flushedUpTo = 0;
    qint64 m_unflushed = 0;
    qint64 m_lastFlushAsked = 0;
    std::thread m_flusher;
    std::mutex m_flushMutex;
    std::condition_variable m_flushWake;
    std::uint64_t m_flushesAsked = 0;
    std::uint64_t m_flushesDone = 0;
    bool m_stopFlushing = false;
    int m_flushError = 0;
};

// While a large file is being replaced, a helper thread releases the cached pages of the old
// one: the rename that replaces it then has less to free, and the new file's pages can reuse
// them. The old file's content is not touched. Joined when destroyed.
class TReleaseOldPages {
public:
    explicit TReleaseOldPages(const QString& fileName)
    {
        const int fd = ::open(QFile::encodeName(fileName).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            return;
        struct stat status {};
        if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode) || status.st_size < kLargeFile) {
            ::close(fd);
            return;
        }
        m_thread = std::jthread([fd] {
            ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
            ::close(fd);
        });
    }

private:
    static constexpr off_t kLargeFile = 32 * 1024 * 1024;
    std::jthread m_thread;
};

// Runs write on a temporary file beside fileName that replaces it only when everything was
// written.
template <typename Write>
void saveAtomically(const QString& fileName, Write&& write)
{
    TPictureSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        throw EFOpenError(QStringLiteral("Cannot create file \"%1\". %2").arg(fileName, file.errorString()));
    {
        const TReleaseOldPages release(fileName);
        write(file);
    }
    if (const int error = file.FinishFlushing())
        throw EWriteError(QStringLiteral("Cannot write file \"%1\". %2").arg(fileName, QString::fromLocal8Bit(std::strerror(error))));
    if (!file.commit())
        throw EWriteError(QStringLiteral("Cannot write file \"%1\". %2").arg(fileName, file.errorString()));
}

} // namespace

void OpenPictureFile(const QString& fileName, QFile& file)
{
    // Opened without blocking and checked before anything is read: a FIFO or a device named
    // like a picture would otherwise hang the reader, and a folder has no bytes to give.
    const int fd = ::open(QFile::encodeName(fileName).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        throw EFOpenError(QStringLiteral("Cannot open file \"%1\". %2").arg(fileName, QString::fromLocal8Bit(std::strerror(errno))));
    struct stat status {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(fd);
        throw EFOpenError(QStringLiteral("Cannot open file \"%1\". Not a regular file").arg(fileName));
    }
    // A regular file never blocks; clear the flag anyway so reads behave as usual.
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    // Unbuffered: the readers fetch whole rows, which would only pass through Qt's buffer.
    if (!file.open(fd, QIODevice::ReadOnly | QIODevice::Unbuffered, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        throw EFOpenError(QStringLiteral("Cannot open file \"%1\". %2").arg(fileName, file.errorString()));
    }
}

void TXBitmap::LoadPicture(const QString& fileName, ForceBitmap forceBitmap)
{
    QFile file;
    OpenPictureFile(fileName, file);
    LoadPictureFromStream(file, forceBitmap);
}

QSize LoadPictureScaled(const QString& fileName, TXBitmap& picture, const std::function<int(int, int)>& denominatorFor)
{
    QFile file;
    OpenPictureFile(fileName, file);
    if (ProbeKind(file) != PictureKind::Jpeg) {
        picture.LoadPictureFromStream(file);
        return QSize(picture.Width(), picture.Height());
    }
    QSize full;
    TJpegReadOptions options;
    options.ScaleDenominator = [&](int width, int height) {
        full = QSize(width, height);
        return denominatorFor(width, height);
    };
    TXBitmap loaded;
    ReadJpeg(file, loaded, options);
    picture = std::move(loaded);
    return full;
}

void TXBitmap::LoadPictureFromStream(QIODevice& stream, ForceBitmap forceBitmap)
{
    TXBitmap loaded;
    const PictureKind kind = forceBitmap == ForceBitmap::Yes ? PictureKind::Bmp : ProbeKind(stream);
    switch (kind) {
    case PictureKind::Bmp: ReadBmp(stream, loaded); break;
    case PictureKind::Jpeg: ReadJpeg(stream, loaded); break;
    case PictureKind::Gif: ReadGif(stream, loaded); break;
    case PictureKind::Unknown: throw EInvalidGraphic(QStringLiteral("Bitmap image is not valid"));
    }
    m_palette = std::move(loaded.m_palette);
    m_width = loaded.m_width;
    m_height = loaded.m_height;
    m_format = loaded.m_format;
    m_stride = loaded.m_stride;
    m_bits = std::move(loaded.m_bits);
    m_loadedIncomplete = loaded.m_loadedIncomplete;
}

QString PictureExtension(const QString& fileName)
{
    for (qsizetype i = fileName.size() - 1; i >= 0; --i) {
        const QChar c = fileName.at(i);
        if (c == u'.')
            return fileName.mid(i + 1).toUpper();
        if (c == u'/' || c == u'\\' || c == u':')
            break;
    }
    return QString();
}

void TXBitmap::SavePicture(const QString& fileName, ForceBitmap forceBitmap) const
{
    enum class Kind { Bmp, Jpeg, Gif } kind = Kind::Bmp;
    if (forceBitmap == ForceBitmap::No) {
        const QString ext = PictureExtension(fileName);
        if (ext.isEmpty() || ext == u"BMP")
            kind = Kind::Bmp;
        else if (ext == u"JPG" || ext == u"JPEG")
            kind = Kind::Jpeg;
        else if (ext == u"GIF")
            kind = Kind::Gif;
        else
            throw EInvalidGraphic(QStringLiteral("Unknown picture format :%1").arg(ext));
    }
    saveAtomically(fileName, [&](QIODevice& file) {
        switch (kind) {
        case Kind::Bmp: WriteBmp(file, *this); break;
        case Kind::Jpeg: WriteJpeg(file, *this); break;
        case Kind::Gif: WriteGif(file, *this); break;
        }
    });
}

void SaveBmpRows(const QString& fileName, int width, int height, const TRowBandProducer& produce)
{
    saveAtomically(fileName, [&](QIODevice& file) { WriteBmpRows(file, width, height, produce); });
}

} // namespace vellum
