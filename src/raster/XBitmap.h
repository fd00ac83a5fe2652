#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include <QImage>
#include <QRect>
#include <QSize>
#include <QString>

#include "raster/Colour.h"
#include "raster/GraphicsErrors.h"
#include "raster/VellumError.h"

class QFile;
class QIODevice;

namespace vellum {

class TCanvas;

// Failures inside the geometry operations and the flood fill.
class EXBitmapError : public VellumException {
public:
    using VellumException::VellumException;
};

// An allocation the machine could not satisfy.
class EOutOfMemory : public VellumException {
public:
    EOutOfMemory() : VellumException(QStringLiteral("Out of memory")) {}
};

// Pixel storage of a picture. Palette formats keep their indices packed as in a BMP row
// (the leftmost pixel in the high bits); pf32bit stores blue, green, red and one unused byte.
enum class TPixelFormat { pf1bit, pf4bit, pf8bit, pf24bit, pf32bit };

[[nodiscard]] int BitsPerPixel(TPixelFormat format);
[[nodiscard]] bool IsPaletteFormat(TPixelFormat format);

// Limits against hostile files: no reader allocates a picture beyond them.
constexpr int kMaxPictureSide = 32768;
constexpr std::int64_t kMaxPicturePixels = 256LL * 1024 * 1024;

// Raises EInvalidGraphic unless width x height is a picture size within the limits above.
void CheckPictureSize(std::int64_t width, std::int64_t height);

// Whether LoadPicture and SavePicture ignore content and extension and treat the file as BMP.
enum class ForceBitmap { No, Yes };

// The picture type: Width x Height pixels in rows of the current pixel format. Rows are stored
// top-down, each padded to a multiple of 4 bytes with zero bytes, in one block; a row stays put
// until the picture is resized or its format changes. Copies are deep.
class TXBitmap {
public:
    TXBitmap();
    TXBitmap(int width, int height, TPixelFormat format = TPixelFormat::pf24bit);
    TXBitmap(const TXBitmap& other);
    TXBitmap(TXBitmap&& other) noexcept;
    TXBitmap& operator=(const TXBitmap& other);
    TXBitmap& operator=(TXBitmap&& other) noexcept;
    virtual ~TXBitmap();

    [[nodiscard]] int Width() const { return m_width; }
    [[nodiscard]] int Height() const { return m_height; }
    [[nodiscard]] bool Empty() const { return m_width == 0 || m_height == 0; }
    // Resizing keeps the pixels of the overlapping top-left part; new pixels are white (index 0
    // in palette formats).
    void SetWidth(int width) { SetSize(width, m_height); }
    void SetHeight(int height) { SetSize(m_width, height); }
    void SetSize(int width, int height);

    [[nodiscard]] TPixelFormat PixelFormat() const { return m_format; }
    // Converts the pixels; only pf24bit and pf32bit are targets (a conversion to the current
    // format changes nothing).
    void SetPixelFormat(TPixelFormat format);

    // Row y (0 is the top row) of BytesPerLine() bytes, of which the first Width() * 3 are the
    // pixels (blue, green, red) in pf24bit.
    [[nodiscard]] std::uint8_t* ScanLine(int y);
    [[nodiscard]] const std::uint8_t* ScanLine(int y) const;
    [[nodiscard]] int BytesPerLine() const { return m_stride; }

    // Palette of a palette format: always 2 ^ bits entries, so every index has a colour.
    [[nodiscard]] const std::vector<TColor>& Palette() const { return m_palette; }
    void SetPalette(const std::vector<TColor>& colours);

    // Drawing this picture onto a canvas skips pixels of TransparentColor while Transparent is
    // set. Until a colour is set, TransparentColor is the colour of the bottom-left pixel.
    [[nodiscard]] bool Transparent() const { return m_transparent; }
    void SetTransparent(bool transparent) { m_transparent = transparent; }
    [[nodiscard]] TColor TransparentColor() const;
    void SetTransparentColor(TColor colour);

    // The colour of pixel (x, y), whatever the format; the point must lie inside.
    [[nodiscard]] TColor PixelColour(int x, int y) const;

    // Size, format, palette, pixels and transparency of other.
    void Assign(const TXBitmap& other);
    // Takes over size and every pixel of graphic as a 24-bit picture, the pixels of its
    // transparent colour included; this picture's own transparency settings stay.
    void AssignOpaque(const TXBitmap& graphic);
    void AssignOpaque(const QImage& graphic);
    // The same, taking graphic's pixel block over without a copy when graphic is 24-bit (it is
    // left empty then). The geometry operations hand over their work pictures this way.
    void AssignOpaque(TXBitmap&& graphic);

    [[nodiscard]] QRect BoundsRect() const { return QRect(0, 0, m_width, m_height); }

    // The canvas drawing on this picture. Using it converts the picture to 24 bits first.
    [[nodiscard]] TCanvas& Canvas();

    // A QImage (Format_BGR888) over this picture's own rows, for painting; valid until the
    // picture is resized or its format changes. Converts the picture to 24 bits first.
    [[nodiscard]] QImage SharedImage();
    // A deep copy as a QImage of the matching format.
    [[nodiscard]] QImage ToImage() const;

    // A picture in BMP file layout at the device's position; offsets inside are relative to
    // the start of the BMP, so it may lie inside a longer stream.
    void LoadFromStream(QIODevice& stream);
    void SaveToStream(QIODevice& stream) const;

    // Replaces the picture with the one stored in the file, recognised by its first bytes
    // (BMP, JPEG, GIF). On failure the picture keeps its previous content.
    void LoadPicture(const QString& fileName, ForceBitmap forceBitmap = ForceBitmap::No);
    // The same from a stream positioned at the picture's first byte.
    void LoadPictureFromStream(QIODevice& stream, ForceBitmap forceBitmap = ForceBitmap::No);
    // Whether the last load met the end of a file cut short and filled the missing part in
    // (grey for JPEG); the readers mark it.
    [[nodiscard]] bool LoadedIncomplete() const { return m_loadedIncomplete; }
    void SetLoadedIncomplete(bool incomplete) { m_loadedIncomplete = incomplete; }
    // Writes the picture in the format the file name's extension chooses (BMP when there is
    // none), atomically: a failed save leaves an existing file untouched.
    void SavePicture(const QString& fileName, ForceBitmap forceBitmap = ForceBitmap::No) const;

    // Gives the picture the size and format with every pixel byte undefined (the row padding
    // is zero). For readers that overwrite every row.
    void AllocateUninitialised(int width, int height, TPixelFormat format);

private:
    void Allocate(int width, int height, TPixelFormat format);
    void ZeroPadding();

    int m_width = 0;
    int m_height = 0;
    TPixelFormat m_format = TPixelFormat::pf24bit;
    int m_stride = 0;
    struct PixelsFree {
        void operator()(std::uint8_t* pixels) const;
    };
    std::unique_ptr<std::uint8_t[], PixelsFree> m_bits;
    std::vector<TColor> m_palette;
    bool m_transparent = false;
    bool m_transparentColourSet = false;
    bool m_loadedIncomplete = false;
    TColor m_transparentColour = clNone;
    std::unique_ptr<TCanvas> m_canvas;
};

// One band of rows of a 24-bit picture being written as it is computed: rows [First, Last),
// from the top. The producer sets Rows[y - First] to row y's 3 * width pixel bytes, normally
// written into Buffer at (y - First) * Stride, where each row's padding bytes are already zero;
// a row may also point at another row of the same band that it repeats.
struct TRowBand {
    int First = 0;
    int Last = 0;
    std::uint8_t* Buffer = nullptr;
    std::size_t Stride = 0;
    std::vector<const std::uint8_t*> Rows;
};
using TRowBandProducer = std::function<void(TRowBand& band)>;

// Saves a 24-bit picture of width x height (both above 0) as the BMP file fileName, the same
// bytes SavePicture would write, asking produce for bands of rows from the bottom up and
// writing each while the next is computed: only a few bands are ever held. Atomic like
// SavePicture, with its errors.
void SaveBmpRows(const QString& fileName, int width, int height, const TRowBandProducer& produce);

// Opens fileName for reading pictures without ever blocking: raises EFOpenError "Cannot open
// file "%s". Not a regular file" for a folder, FIFO, socket or device.
void OpenPictureFile(const QString& fileName, QFile& file);

// The rows of a BMP file that keeps them uncompressed in a picture's own layout (1, 4 or 8
// bits with a palette, 24 bits, 32 bits of plain colour masks), read a range at a time as the
// 24-bit rows of the picture LoadPicture and SetPixelFormat(pf24bit) would make, so that
// picture is never held whole.
class TBmpRowReader {
public:
    // Null when fileName cannot be opened or is not such a file with all its rows and at least
    // one pixel: LoadPicture then has the whole file to read or to refuse.
    [[nodiscard]] static std::unique_ptr<TBmpRowReader> Open(const QString& fileName);
    ~TBmpRowReader();
    TBmpRowReader(const TBmpRowReader&) = delete;
    TBmpRowReader& operator=(const TBmpRowReader&) = delete;

    [[nodiscard]] int Width() const { return m_width; }
    [[nodiscard]] int Height() const { return m_height; }
    // The most rows one Read gives (a few megabytes of them, at least one).
    [[nodiscard]] int MaxRows() const { return m_maxRows; }
    // Picture rows [first, first + count), count from 1 to MaxRows, as rows 0 to count - 1 of a
    // 24-bit picture that stays valid until the next Read. Raises EReadError when the file has
    // lost the rows since it was opened.
    const TXBitmap& Read(int first, int count);

private:
    TBmpRowReader() = default;

    std::unique_ptr<QFile> m_file;
    int m_width = 0;
    int m_height = 0;
    bool m_topDown = false;
    TPixelFormat m_format = TPixelFormat::pf24bit;
    std::vector<TColor> m_palette;
    std::int64_t m_pixelOffset = 0;
    std::int64_t m_fileStride = 0;
    int m_maxRows = 1;
    TXBitmap m_rows;
};

// Loads the picture of fileName like LoadPicture, a JPEG decoded at 1/d of its size where d is
// what denominatorFor (1, 2, 4 or 8) answers for its full size. Returns the full size.
QSize LoadPictureScaled(const QString& fileName, TXBitmap& picture, const std::function<int(int, int)>& denominatorFor);

// The upper-cased extension that SavePicture goes by: the text after the last '.' when that
// '.' comes after every '/', '\' and ':', else empty.
[[nodiscard]] QString PictureExtension(const QString& fileName);

} // namespace vellum
