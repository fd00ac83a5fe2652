#pragma once

#include <cstdint>
#include <thread>

class QIODevice;

namespace vellum {

class TXBitmap;

// The codecs behind TXBitmap's file operations. Readers replace picture's content and raise
// EInvalidGraphic (or EReadError for a stream that ends early) on bad input; writers take a
// picture of any format and raise EWriteError when the device refuses bytes.
void ReadBmp(QIODevice& stream, TXBitmap& picture);
void WriteBmp(QIODevice& stream, const TXBitmap& picture);

void ReadJpeg(QIODevice& stream, TXBitmap& picture);
// Baseline, full colour, the codec's defaults otherwise.
void WriteJpeg(QIODevice& stream, const TXBitmap& picture, int quality = 90);

// The first frame, drawn onto a picture of the logical screen's size; its transparent pixels,
// and the pixels it does not cover or its data never reaches, are white.
void ReadGif(QIODevice& stream, TXBitmap& picture);
// One frame of at most 256 colours, no transparency.
void WriteGif(QIODevice& stream, const TXBitmap& picture);

// While a reader fills a freshly allocated picture, a helper thread has the kernel map and
// clear the picture's pages ahead of it, so that work runs on another core instead of
// stalling the decoder at every new page. Only page tables are touched, never the bytes.
// Joined when destroyed.
class TPrefaultPixels {
public:
    // The order in which the reader fills the rows; the pages are mapped in the same order.
    enum class Order { TopDown, BottomUp };

    explicit TPrefaultPixels(TXBitmap& picture, Order order = Order::TopDown);

private:
    std::jthread m_thread;
};

// Reads exactly size bytes or raises EReadError.
void ReadExact(QIODevice& stream, void* data, std::int64_t size);
// Writes all size bytes or raises EWriteError.
void WriteExact(QIODevice& stream, const void* data, std::int64_t size);

} // namespace vellum
