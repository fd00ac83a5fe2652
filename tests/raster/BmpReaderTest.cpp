#include <functional>
#include <map>

#include <gtest/gtest.h>

#include <QBuffer>

#include "PictureTestSupport.h"
#include "raster/XBitmap.h"

using namespace vellum;
using namespace vellum::test;

namespace {

TXBitmap Decode(const QByteArray& file)
{
    QBuffer buffer;
    buffer.setData(file);
    buffer.open(QIODevice::ReadOnly);
    TXBitmap picture;
    picture.LoadFromStream(buffer);
    return picture;
}

QString RefusalOf(const QByteArray& file)
{
    try {
        Decode(file);
    } catch (const VellumException& e) {
        return e.message();
    }
    return QString();
}

std::vector<std::string> Colours(const TXBitmap& picture, const std::map<TColor, char>& names)
{
    std::vector<std::string> rows;
    for (int y = 0; y < picture.Height(); ++y) {
        std::string row;
        for (int x = 0; x < picture.Width(); ++x) {
            const auto it = names.find(picture.PixelColour(x, y));
            row += it == names.end() ? '?' : it->second;
        }
        rows.push_back(row);
    }
    return rows;
}

const TColor kRed = RGBColor(255, 0, 0);
const TColor kGreen = RGBColor(0, 255, 0);
const TColor kBlue = RGBColor(0, 0, 255);

// A 4-entry palette: 0 black, 1 red, 2 green, 3 blue.
Bytes& Palette4(Bytes& b)
{
    return b.raw({0, 0, 0, 0}).raw({0, 0, 255, 0}).raw({0, 255, 0, 0}).raw({255, 0, 0, 0});
}

using Rows = std::vector<std::string>;
const std::map<TColor, char> kNames = {{clBlack, '.'}, {kRed, 'r'}, {kGreen, 'g'}, {kBlue, 'b'}, {clWhite, 'w'}};

} // namespace

TEST(BmpReader, CoreHeaderWithThreeBytePalette)
{
    Bytes b;
    b.raw({'B', 'M'}).u32(0).u32(0).u32(14 + 12 + 6);
    b.u32(12).u16(3).u16(2).u16(1).u16(1);
    b.raw({0, 0, 255}).raw({255, 255, 255}); // 0 red, 1 white
    b.raw({0b01000000, 0, 0, 0}).raw({0b10100000, 0, 0, 0}); // bottom row first
    const TXBitmap picture = Decode(b.data());
    EXPECT_EQ(picture.PixelFormat(), TPixelFormat::pf1bit);
    EXPECT_EQ(Colours(picture, kNames), (Rows{"wrw", "rwr"}));
}

TEST(BmpReader, TopDownRowsAndLongHeaders)
{
    for (int headerSize : {40, 108, 124}) {
        Bytes b;
        b.raw({'B', 'M'}).u32(0).u32(0).u32(14 + headerSize);
        b.u32(headerSize).u32(2).u32(-2).u16(1).u16(24).u32(0).u32(0).u32(0).u32(0).u32(0).u32(0);
        b.fill(headerSize - 40, 0);
        b.raw({0, 0, 255, 0, 255, 0, 0, 0}).raw({255, 0, 0, 255, 255, 255, 0, 0});
        EXPECT_EQ(Colours(Decode(b.data()), kNames), (Rows{"rg", "bw"})) << headerSize;
    }
}

TEST(BmpReader, BitFieldsAndDefaultMasks)
{
    struct Case { const char* name; int bits; int compression; std::vector<std::int64_t> masks; std::vector<std::int64_t> pixels; };
    const Case cases[] = {
        // 5-6-5: full red, full green, full blue, white
        {"565", 16, 3, {0xF800, 0x07E0, 0x001F}, {0xF800, 0x07E0, 0x001F, 0xFFFF}},
        // no masks: 5-5-5
        {"555 default", 16, 0, {}, {0x7C00, 0x03E0, 0x001F, 0x7FFF}},
        // 32 bits with the masks in an unusual order
        {"32 bgr order", 32, 3, {0x000000FF, 0x0000FF00, 0x00FF0000}, {0xFF, 0xFF00, 0xFF0000, 0xFFFFFF}},
        // 10-bit channels scale down to 8
        {"32 wide channels", 32, 3, {0x3FF00000, 0x000FFC00, 0x000003FF}, {0x3FF00000, 0x000FFC00, 0x3FF, 0x3FFFFFFF}},
    };
    for (const Case& c : cases) {
        const int rowBytes = (2 * c.bits + 31) / 32 * 4;
        Bytes b = BmpHeaders(2, 2, c.bits, c.compression, 0, int(c.masks.size()) * 4);
        for (std::int64_t m : c.masks)
            b.u32(m);
        for (int row = 0; row < 2; ++row) {
            // bottom row holds pixels 2 and 3
            for (int x = 0; x < 2; ++x) {
                const std::int64_t v = c.pixels[std::size_t((1 - row) * 2 + x)];
                c.bits == 16 ? b.u16(int(v)) : b.u32(v);
            }
            b.fill(rowBytes - 2 * c.bits / 8, 0);
        }
        EXPECT_EQ(Colours(Decode(b.data()), kNames), (Rows{"rg", "bw"})) << c.name;
    }
}

TEST(BmpReader, Rle8RunsLiteralsDeltasAndEndCodesStayInsideThePicture)
{
    Bytes b = BmpHeaders(4, 3, 8, 1, 4);
    Palette4(b);
    b.raw({2, 1, 0, 3, 2, 1, 1, 0}); // bottom row: run of 2 red, literal g r r (padded); the last r is cut
    b.raw({0, 0});                  // end of line
    b.raw({9, 2});                  // run longer than the row: clipped
    b.raw({0, 2, 250, 0});          // delta far past the right edge: clipped
    b.raw({0, 0});
    b.raw({0, 2, 1, 0, 1, 3});      // delta 1 right: x = 1, one blue
    b.raw({0, 1});                  // end of bitmap
    b.raw({0, 2, 0, 200});          // after the end: ignored
    EXPECT_EQ(Colours(Decode(b.data()), kNames), (Rows{".b..", "gggg", "rrgr"}));
}

TEST(BmpReader, Rle4NibblesAlternate)
{
    Bytes b = BmpHeaders(5, 2, 4, 2, 4);
    Palette4(b);
    b.raw({5, 0x12, 0, 0});         // bottom row: r g r g r
    b.raw({0, 3, 0x31, 0x20, 0, 1}); // literal b r g (3 nibbles, padded to a word), end
    EXPECT_EQ(Colours(Decode(b.data()), kNames), (Rows{"brg..", "rgrgr"}));
}

TEST(BmpReader, PaletteIndicesBeyondTheStoredEntriesAreBlack)
{
    Bytes b = BmpHeaders(3, 1, 8, 0, 2);
    b.raw({0, 0, 255, 0}).raw({0, 255, 0, 0});
    b.raw({1, 0, 200, 0});
    EXPECT_EQ(Colours(Decode(b.data()), kNames), (Rows{"gr."}));
}

TEST(BmpReader, HostileHeadersAreRefusedWithAMessage)
{
    struct Case { const char* name; QByteArray file; const char* message; };
    const auto withRows = [](Bytes b, int bytes) { return b.fill(bytes, 0).data(); };
    const Case cases[] = {
        {"planes 2", withRows(BmpHeaders(1, 1, 24, 0, 0, 0, 2), 4), "Bitmap image is not valid"},
        {"bits 7", withRows(BmpHeaders(1, 1, 7, 0, 0), 4), "Bitmap image is not valid"},
        {"rle8 with 24 bits", withRows(BmpHeaders(1, 1, 24, 1, 0), 4), "Bitmap image is not valid"},
        {"compression 9", withRows(BmpHeaders(1, 1, 24, 9, 0), 4), "Bitmap image is not valid"},
        {"header size 20", QByteArray("BM\0\0\0\0\0\0\0\0\0\0\0\0\x14\0\0\0", 18) + QByteArray(16, '\0'),
         "Bitmap image is not valid"},
        {"rows past the end", withRows(BmpHeaders(100, 100, 24, 0, 0), 1000),
         "Bitmap image is not valid: its pixel rows run past the end of the file"},
        {"too wide", withRows(BmpHeaders(40000, 1, 1, 0, 0), 5000),
         "Picture of 40000 x 1 pixels is larger than the limit of 32768 pixels a side and 256 million pixels"},
        {"too many pixels", withRows(BmpHeaders(32768, -32768, 1, 1, 0), 2),
         "Picture of 32768 x 32768 pixels is larger than the limit of 32768 pixels a side and 256 million pixels"},
        {"mask over 16 bits", withRows(BmpHeaders(1, 1, 16, 3, 0, 12).u32(0x1F0000).u32(0x3E0).u32(0x1F), 4),
         "Bitmap image is not valid: a colour mask is wider than its pixels"},
        {"masks overlap", withRows(BmpHeaders(1, 1, 32, 3, 0, 12).u32(0xFFFF00).u32(0xFF00).u32(0xFF), 4),
         "Bitmap image is not valid: its colour masks overlap"},
        {"no rows", BmpHeaders(2, 2, 24, 0, 0).data(), "Bitmap image is not valid: its pixel rows run past the end of the file"},
        {"cut header", BmpHeaders(2, 2, 24, 0, 0).data().left(30), "Stream read error"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(RefusalOf(c.file), QString::fromUtf8(c.message)) << c.name;
}

TEST(BmpReader, ZeroMasksGiveBlackChannelsWithoutFailing)
{
    Bytes b = BmpHeaders(1, 1, 32, 3, 0, 12).u32(0).u32(0xFF00).u32(0);
    b.u32(0xFFFFFFFF);
    EXPECT_EQ(Decode(b.data()).PixelColour(0, 0), RGBColor(0, 255, 0));
}
