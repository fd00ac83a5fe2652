#pragma once

#include <cstdint>
#include <initializer_list>
#include <vector>

#include <QByteArray>
#include <QString>

#include "raster/XBitmap.h"

namespace vellum::test {

// A 24-bit picture whose pixel (x, y) has red = 10 * x + 1, green = 10 * y + 2, blue = x ^ y:
// every pixel differs from its neighbours, so shifted or mirrored rows show.
inline TXBitmap GradientPicture(int width, int height)
{
    TXBitmap picture(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            StorePixel(picture.ScanLine(y) + 3 * x, RGBColor(10 * x + 1, 10 * y + 2, x ^ y));
    return picture;
}

// True when both pictures have the same size and every pixel the same colour, whatever their
// formats.
inline bool SamePixels(const TXBitmap& a, const TXBitmap& b)
{
    if (a.Width() != b.Width() || a.Height() != b.Height())
        return false;
    for (int y = 0; y < a.Height(); ++y)
        for (int x = 0; x < a.Width(); ++x)
            if (!SameColour(a.PixelColour(x, y), b.PixelColour(x, y)))
                return false;
    return true;
}

// Little-endian byte builder for hand-made files.
class Bytes {
public:
    Bytes& u8(int v) { m_data.push_back(char(v & 0xFF)); return *this; }
    Bytes& u16(int v) { return u8(v).u8(v >> 8); }
    Bytes& u32(std::int64_t v) { return u16(int(v & 0xFFFF)).u16(int((v >> 16) & 0xFFFF)); }
    Bytes& raw(std::initializer_list<int> values) { for (int v : values) u8(v); return *this; }
    Bytes& fill(int count, int v) { for (int i = 0; i < count; ++i) u8(v); return *this; }
    [[nodiscard]] QByteArray data() const { return m_data; }
    [[nodiscard]] int size() const { return int(m_data.size()); }

private:
    QByteArray m_data;
};

// A BMP file header and 40-byte information header; the caller appends masks, palette and rows.
inline Bytes BmpHeaders(std::int64_t width, std::int64_t height, int bitCount, int compression,
                        int paletteEntries, int extraBeforeRows = 0, int planes = 1)
{
    const int offBits = 14 + 40 + extraBeforeRows + 4 * paletteEntries;
    Bytes b;
    b.raw({'B', 'M'}).u32(0).u32(0).u32(offBits);
    b.u32(40).u32(width).u32(height).u16(planes).u16(bitCount).u32(compression).u32(0).u32(0).u32(0)
        .u32(paletteEntries).u32(0);
    return b;
}

QString TempPath(const QString& name);
void WriteFile(const QString& path, const QByteArray& data);
QByteArray ReadFile(const QString& path);

} // namespace vellum::test
