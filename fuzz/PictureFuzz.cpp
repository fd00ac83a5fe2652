// Fuzz target for LoadPicture: any bytes, read as BMP, JPEG or GIF by content, must end in a
// picture or a VellumException, within the picture size limits.
#include <cstdint>

#include <QBuffer>
#include <QByteArray>

#include "raster/XBitmap.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    vellum::TXBitmap picture;
    try {
        picture.LoadPictureFromStream(buffer);
        // Touch the conversion the editor does right after reading.
        picture.SetPixelFormat(vellum::TPixelFormat::pf24bit);
    } catch (const vellum::VellumException&) {
    }
    return 0;
}
