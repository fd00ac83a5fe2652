// GIF through giflib, record by record: only the first frame is decoded, one row at a time,
// so a hostile file never makes the library build its whole frame list.
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
    return got < 0 ? 0 : int(got);
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

} // namespace

void ReadGif(QIODevice& stream, TXBitmap& picture)
{
    int error = 0;
    std::unique_ptr<GifFileType, DecoderCloser> gif(DGifOpen(&stream, ReadFromDevice, &error));
    if (!gif)
        throw EInvalidGraphic(GifMessage(error));

    int transparentIndex = -1;
    for (;;) {
        GifRecordType record = UNDEFINED_RECORD_TYPE;
        if (DGifGetRecordType(gif.get(), &record) == GIF_ERROR)
            throw EInvalidGraphic(GifMessage(gif->Error));
        if (record == TERMINATE_RECORD_TYPE)
            throw EInvalidGraphic(QStringLiteral("GIF image is not valid: it holds no frame"));
        if (record == EXTENSION_RECORD_TYPE) {
            int code = 0;
            GifByteType* block = nullptr;
            if (DGifGetExtension(gif.get(), &code, &block) == GIF_ERROR)
                throw EInvalidGraphic(GifMessage(gif->Error));
            // block[0] is the sub-block's length; a graphic control block has 4 data bytes.
            if (code == GRAPHICS_EXT_FUNC_CODE && block && block[0] >= 4 && (block[1] & 1))
                transparentIndex = block[4];
            while (block) {
                if (DGifGetExtensionNext(gif.get(), &block) == GIF_ERROR)
                    throw EInvalidGraphic(GifMessage(gif->Error));
            }
            continue;
        }
        if (record != IMAGE_DESC_RECORD_TYPE)
            continue;

        if (DGifGetImageDesc(gif.get()) == GIF_ERROR)
            throw EInvalidGraphic(GifMessage(gif->Error));
        const GifImageDesc& frame = gif->Image;
        int screenWidth = gif->SWidth;
        int screenHeight = gif->SHeight;
        // A screen of no size is taken to be the frame's extent.
        if (screenWidth <= 0 || screenHeight <= 0) {
            screenWidth = std::max(0, frame.Left) + std::max(0, frame.Width);
            screenHeight = std::max(0, frame.Top) + std::max(0, frame.Height);
        }
        CheckPictureSize(screenWidth, screenHeight);
        if (frame.Width <= 0 || frame.Height <= 0 || frame.Width > 65535 || frame.Height > 65535)
            throw EInvalidGraphic(QStringLiteral("GIF image is not valid: its first frame has no size"));

        const auto colours = PaletteBytes(frame.ColorMap ? frame.ColorMap : gif->SColorMap);
        std::uint8_t background[3] = {0, 0, 0};
        if (gif->SColorMap && gif->SBackGroundColor >= 0 && gif->SBackGroundColor < gif->SColorMap->ColorCount) {
            const auto screenColours = PaletteBytes(gif->SColorMap);
            std::memcpy(background, &screenColours[std::size_t(3 * gif->SBackGroundColor)], 3);
        }
        picture.AllocateUninitialised(screenWidth, screenHeight, TPixelFormat::pf24bit);
        for (int y = 0; y < screenHeight; ++y) {
            std::uint8_t* row = picture.ScanLine(y);
            for (int x = 0; x < screenWidth; ++x)
                std::memcpy(row + 3 * x, background, 3);
        }

        // Interlaced frames store every 8th row from 0, every 8th from 4, every 4th from 2,
        // then every 2nd from 1.
        std::vector<int> order;
        order.reserve(std::size_t(frame.Height));
        if (frame.Interlace) {
            const int start[4] = {0, 4, 2, 1};
            const int step[4] = {8, 8, 4, 2};
            for (int pass = 0; pass < 4; ++pass)
                for (int y = start[pass]; y < frame.Height; y += step[pass])
                    order.push_back(y);
        } else {
            for (int y = 0; y < frame.Height; ++y)
                order.push_back(y);
        }
        // Rows after the last one that lands on the screen are not decoded at all.
        while (!order.empty() && frame.Top + order.back() >= screenHeight)
            order.pop_back();
        std::vector<GifPixelType> line(std::size_t(frame.Width));
        const int firstX = std::max(0, frame.Left);
        const int endX = std::min(screenWidth, frame.Left + frame.Width);
        for (int frameRow : order) {
            if (DGifGetLine(gif.get(), line.data(), frame.Width) == GIF_ERROR)
                throw EInvalidGraphic(GifMessage(gif->Error));
            const int y = frame.Top + frameRow;
            if (y < 0 || y >= screenHeight)
                continue;
            std::uint8_t* out = picture.ScanLine(y);
            for (int x = firstX; x < endX; ++x) {
                const int index = line[std::size_t(x - frame.Left)];
                if (index == transparentIndex)
                    continue;
                std::memcpy(out + 3 * x, &colours[std::size_t(3 * index)], 3);
            }
        }
        return;
    }
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
