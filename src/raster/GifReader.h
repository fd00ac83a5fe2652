#pragma once

#include <array>
#include <cstdint>
#include <memory>

class QIODevice;

namespace vellum {

// The first image of a GIF file: where it lies on the logical screen, its colours, and its
// colour indexes, decoded row by row in the order the file stores the rows.
class TGifFirstImage {
public:
    // Reads the file up to the first image's compressed data. Raises EInvalidGraphic on a
    // broken file or one without an image.
    explicit TGifFirstImage(QIODevice& stream);
    ~TGifFirstImage();
    TGifFirstImage(const TGifFirstImage&) = delete;
    TGifFirstImage& operator=(const TGifFirstImage&) = delete;

    // The logical screen; a screen of no size is taken to be the image's extent.
    [[nodiscard]] int ScreenWidth() const;
    [[nodiscard]] int ScreenHeight() const;
    [[nodiscard]] int Left() const;
    [[nodiscard]] int Top() const;
    // Either may be 0: such an image has no pixels.
    [[nodiscard]] int Width() const;
    [[nodiscard]] int Height() const;
    [[nodiscard]] bool Interlaced() const;
    // -1 when no graphic control block before the image names one.
    [[nodiscard]] int TransparentIndex() const;
    // The image's colours (its local map, else the global one) as blue, green, red bytes by
    // index; indexes beyond a short map, and all of them without a map, are black.
    [[nodiscard]] const std::array<std::uint8_t, 256 * 3>& Colours() const;

    // Decodes the next stored row into indexes (Width() bytes) and returns how many of them
    // the data holds: fewer than Width() once the data has ended early, and 0 for every row
    // after that. Raises EInvalidGraphic when the data names a code the table does not hold.
    int ReadRow(std::uint8_t* indexes);

private:
    struct TState;
    std::unique_ptr<TState> m;
};

} // namespace vellum
