#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <thread>

class QIODevice;

namespace vellum {

class TXBitmap;
struct TRowBand;
using TRowBandProducer = std::function<void(TRowBand& band)>;

// The codecs behind TXBitmap's file operations. Readers replace picture's content and raise
// EInvalidGraphic (or EReadError for a stream that ends early) on bad input; writers take a
// picture of any format and raise EWriteError when the device refuses bytes.
void ReadBmp(QIODevice& stream, TXBitmap& picture);
void WriteBmp(QIODevice& stream, const TXBitmap& picture);

// WriteBmp of a 24-bit picture whose rows come from produce in bands (see SaveBmpRows);
// each band is written on a helper thread while produce fills the next.
void WriteBmpRows(QIODevice& stream, int width, int height, const TRowBandProducer& produce);

void ReadJpeg(QIODevice& stream, TXBitmap& picture);
// Baseline, full colour, the codec's defaults otherwise.
void WriteJpeg(QIODevice& stream, const TXBitmap& picture, int quality = 90);

// The discrete cosine transform the codec runs: the library's default (exact integer) or its
// fastest (less exact) one.
enum class TJpegDct { Default, Fast };

struct TJpegReadOptions {
    TJpegDct Dct = TJpegDct::Default;
    // Called once with the file's picture size before anything of that size is allocated; the
    // result (1, 2, 4 or 8) divides the decoded size, each side rounded up. None: full size.
    std::function<int(int width, int height)> ScaleDenominator;
};
void ReadJpeg(QIODevice& stream, TXBitmap& picture, const TJpegReadOptions& options);
void WriteJpeg(QIODevice& stream, const TXBitmap& picture, int quality, TJpegDct dct);

// The picture size declared by the frame header of the JPEG at the start of data, found by
// walking its marker segments only (no tables are read, nothing is decoded). False unless a
// start-of-image marker is followed by well-formed segments up to a frame header of a non-zero
// size within data.
[[nodiscard]] bool JpegFrameSize(const std::uint8_t* data, std::int64_t size, int& width, int& height);

// The first frame, drawn onto a picture of the logical screen's size; its transparent pixels,
// and the pixels it does not cover or its data never reaches, are white.
void ReadGif(QIODevice& stream, TXBitmap& picture);
// One frame of at most 256 colours, no transparency.
void WriteGif(QIODevice& stream, const TXBitmap& picture);

// The size of a huge page on the machines we run on.
inline constexpr std::size_t HugePageSize = 2 * 1024 * 1024;

// Asks the kernel to back the whole 2 MB pages inside a large block with huge pages: one page
// fault then maps 2 MB instead of 4 KB, which makes the first touch of a fresh picture-sized
// block several times cheaper. Blocks below a few megabytes are left alone.
void AdviseHugePages(void* data, std::size_t size);

// A block of size bytes for pixels or masks (std::free releases it); null when memory is short.
// Blocks of two huge pages or more start and end on huge-page boundaries, advised as above, so
// that all of them can be huge pages.
[[nodiscard]] void* AllocateLargeBlock(std::size_t size);

// A device that takes many separate byte ranges at once, in order (a file: one system call for
// many of them), raising EWriteError when it refuses bytes. Writers that would otherwise copy
// scattered rows together first hand them over where they lie.
class TGatherWriter {
public:
    struct TRange {
        const std::uint8_t* Data;
        std::size_t Size;
    };
    virtual void WriteGathered(const TRange* ranges, std::size_t count) = 0;

protected:
    ~TGatherWriter() = default;
};

// Copies the ranges one after another to target: the bytes from the target's first huge-page
// boundary on first, those before it last (see TFreshBlock).
void CopyRanges(const TGatherWriter::TRange* ranges, std::size_t count, std::uint8_t* target);

// While a reader fills a freshly allocated picture, a helper thread has the kernel map and
// clear the picture's pages ahead of it, so that work runs on another core instead of
// stalling the decoder at every new page. Only page tables are touched, never the bytes.
// Joined when destroyed.
class TPrefaultPixels {
public:
    // The order in which the reader fills the rows; the pages are mapped in the same order.
    enum class Order { TopDown, BottomUp };

    explicit TPrefaultPixels(TXBitmap& picture, Order order = Order::TopDown);
    // The same for any writable block about to be filled (the pages wholly inside it); with
    // BottomUp for a block written from its start, the two meet halfway.
    TPrefaultPixels(void* block, std::size_t size, Order order);

private:
    std::jthread m_thread;
};

// Readies a fresh block from the general allocator whose first size bytes are about to be
// written from the start (capacity: the whole block, at least size), while a helper thread
// maps its pages. The block's whole huge pages are advised as above. Its ordinary pages among
// those bytes (all of a small block; else those before its first huge-page boundary and after
// its last) are mapped first: on a virtual machine the first touch of an ordinary page can
// cost several microseconds, and the ends of such a block rarely fall on huge-page
// boundaries, which leaves up to a thousand of them. A capacity a huge page beyond size leaves
// none at the end; a writer that writes the start last (CopyRanges) finds them ready. Then the
// huge pages are mapped from the end down, to meet the writer. Joined when destroyed.
class TFreshBlock {
public:
    TFreshBlock(void* data, std::size_t size, std::size_t capacity = 0);

private:
    std::jthread m_thread;
};

// Reads exactly size bytes or raises EReadError.
void ReadExact(QIODevice& stream, void* data, std::int64_t size);
// Writes all size bytes or raises EWriteError.
void WriteExact(QIODevice& stream, const void* data, std::int64_t size);

} // namespace vellum
