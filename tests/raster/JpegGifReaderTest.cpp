// Readers of JPEG and GIF files made here with the codec libraries themselves, so each file
// has exactly the structure a case needs.
#include <cstdio>
#include <functional>
#include <map>
#include <vector>

#include <gif_lib.h>
#include <jpeglib.h>
#include <gtest/gtest.h>

#include <QBuffer>

#include "PictureTestSupport.h"
#include "raster/XBitmap.h"

using namespace vellum;
using namespace vellum::test;

namespace {

TXBitmap LoadBytes(const QByteArray& data, const QString& name)
{
    const QString path = TempPath(name);
    WriteFile(path, data);
    TXBitmap picture;
    picture.LoadPicture(path);
    return picture;
}

QString RefusalOf(const QByteArray& data, const QString& name)
{
    try {
        LoadBytes(data, name);
    } catch (const VellumException& e) {
        return e.message();
    }
    return QString();
}

// A JPEG of width x height from interleaved samples of the given colour space.
QByteArray EncodeJpeg(int width, int height, int components, J_COLOR_SPACE space, const std::vector<std::uint8_t>& samples,
                      bool progressive = false, bool fullChroma = false)
{
    jpeg_compress_struct cinfo;
    jpeg_error_mgr err;
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_compress(&cinfo);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &out, &size);
    cinfo.image_width = JDIMENSION(width);
    cinfo.image_height = JDIMENSION(height);
    cinfo.input_components = components;
    cinfo.in_color_space = space;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 100, TRUE);
    if (fullChroma)
        cinfo.comp_info[0].h_samp_factor = cinfo.comp_info[0].v_samp_factor = 1;
    if (progressive)
        jpeg_simple_progression(&cinfo);
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(&samples[std::size_t(cinfo.next_scanline) * width * components]);
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    QByteArray data(reinterpret_cast<const char*>(out), qsizetype(size));
    std::free(out);
    return data;
}

int WriteToArray(GifFileType* gif, const GifByteType* data, int size)
{
    static_cast<QByteArray*>(gif->UserData)->append(reinterpret_cast<const char*>(data), size);
    return size;
}

struct GifFrame {
    int left, top, width, height;
    bool interlace;
    std::vector<GifColorType> localColours; // empty: none
    std::vector<std::uint8_t> pixels;       // rows in display order
    int transparentIndex = -1;
};

QByteArray EncodeGif(int screenWidth, int screenHeight, const std::vector<GifColorType>& globalColours, int background,
                     const std::vector<GifFrame>& frames)
{
    QByteArray data;
    int error = 0;
    GifFileType* gif = EGifOpen(&data, WriteToArray, &error);
    ColorMapObject* global = globalColours.empty() ? nullptr : GifMakeMapObject(int(globalColours.size()), globalColours.data());
    EGifPutScreenDesc(gif, screenWidth, screenHeight, 8, background, global);
    for (const GifFrame& f : frames) {
        if (f.transparentIndex >= 0) {
            GraphicsControlBlock gcb{0, false, 0, f.transparentIndex};
            GifByteType ext[4];
            EGifGCBToExtension(&gcb, ext);
            EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, ext);
        }
        ColorMapObject* local = f.localColours.empty() ? nullptr : GifMakeMapObject(int(f.localColours.size()), f.localColours.data());
        EGifPutImageDesc(gif, f.left, f.top, f.width, f.height, f.interlace, local);
        std::vector<int> order;
        if (f.interlace) {
            for (int pass = 0; pass < 4; ++pass)
                for (int y = (int[]){0, 4, 2, 1}[pass]; y < f.height; y += (int[]){8, 8, 4, 2}[pass])
                    order.push_back(y);
        } else {
            for (int y = 0; y < f.height; ++y)
                order.push_back(y);
        }
        for (int y : order)
            EGifPutLine(gif, const_cast<GifPixelType*>(&f.pixels[std::size_t(y * f.width)]), f.width);
        GifFreeMapObject(local);
    }
    EGifCloseFile(gif, &error);
    GifFreeMapObject(global);
    return data;
}

// LZW codes for indexes as a GIF encoder makes them: a clear code, then the code of the longest
// string the table holds at each step, then the end code. With clearWhenFull the encoder sends
// a clear code once the table holds 4096 codes, as most do; without it the table stays full
// and the codes go on (a deferred clear code).
struct LzwCodes {
    std::vector<int> codes;
    int codesWhileFull = 0;
};

LzwCodes EncodeLzw(const std::vector<std::uint8_t>& indexes, int codeSize, bool clearWhenFull)
{
    const int clear = 1 << codeSize;
    LzwCodes out;
    std::map<std::pair<int, int>, int> table;
    int nextFree = clear + 2;
    int current = -1;
    out.codes.push_back(clear);
    for (const std::uint8_t index : indexes) {
        if (current < 0) {
            current = index;
            continue;
        }
        const auto known = table.find({current, index});
        if (known != table.end()) {
            current = known->second;
            continue;
        }
        out.codes.push_back(current);
        if (nextFree < 4096) {
            table[{current, index}] = nextFree++;
        } else if (clearWhenFull) {
            out.codes.push_back(clear);
            table.clear();
            nextFree = clear + 2;
        } else {
            ++out.codesWhileFull;
        }
        current = index;
    }
    out.codes.push_back(current);
    out.codes.push_back(clear + 1);
    return out;
}

// Packs codes, low bits first, at the width a decoder reads each one: one bit more than the
// code size after a clear code, one more each time the table fills the width, at most 12.
QByteArray PackCodes(const std::vector<int>& codes, int codeSize)
{
    const int clear = 1 << codeSize;
    QByteArray packed;
    std::uint32_t bits = 0;
    int bitCount = 0;
    int width = codeSize + 1;
    int nextFree = clear + 2;
    bool first = true;
    for (const int code : codes) {
        bits |= std::uint32_t(code) << bitCount;
        for (bitCount += width; bitCount >= 8; bitCount -= 8, bits >>= 8)
            packed.append(char(bits & 0xFF));
        if (code == clear) {
            width = codeSize + 1;
            nextFree = clear + 2;
            first = true;
            continue;
        }
        if (!first && nextFree < 4096)
            ++nextFree;
        first = false;
        if (nextFree == 1 << width && width < 12)
            ++width;
    }
    if (bitCount > 0)
        packed.append(char(bits & 0xFF));
    return packed;
}

enum class DataEnd { Closed, NoTerminator };

// A GIF89a file of one image at (left, top) whose LZW data (in sub-blocks of 255 bytes) is
// given as is; transparentIndex -1 writes no graphic control block.
QByteArray GifWithData(int screenWidth, int screenHeight, const std::vector<GifColorType>& colours, int background,
                       int transparentIndex, int left, int top, int width, int height, int codeSize, const QByteArray& data,
                       DataEnd end = DataEnd::Closed)
{
    int tableBits = 0;
    while ((2 << tableBits) < int(colours.size()))
        ++tableBits;
    Bytes b;
    b.raw({'G', 'I', 'F', '8', '9', 'a'}).u16(screenWidth).u16(screenHeight).u8(0x80 | tableBits).u8(background).u8(0);
    for (int i = 0; i < (2 << tableBits); ++i) {
        const GifColorType c = i < int(colours.size()) ? colours[std::size_t(i)] : GifColorType{0, 0, 0};
        b.raw({c.Red, c.Green, c.Blue});
    }
    if (transparentIndex >= 0)
        b.raw({0x21, 0xF9, 4, 1, 0, 0, transparentIndex, 0});
    b.u8(0x2C).u16(left).u16(top).u16(width).u16(height).u8(0).u8(codeSize);
    QByteArray file = b.data();
    for (qsizetype at = 0; at < data.size(); at += 255) {
        const QByteArray block = data.mid(at, 255);
        file.append(char(block.size()));
        file.append(block);
    }
    if (end == DataEnd::Closed)
        file.append(QByteArray("\0;", 2));
    return file;
}

// Indexes of a width x height picture that LZW hardly compresses.
std::vector<std::uint8_t> NoiseIndexes(int width, int height, int colours)
{
    std::vector<std::uint8_t> indexes(std::size_t(width * height));
    std::uint32_t state = 12345;
    for (std::uint8_t& index : indexes) {
        state = state * 1103515245u + 12345u;
        index = std::uint8_t((state >> 16) % std::uint32_t(colours));
    }
    return indexes;
}

// 256 distinct colours: red is the index, green and blue follow from it.
std::vector<GifColorType> DistinctColours()
{
    std::vector<GifColorType> colours;
    for (int i = 0; i < 256; ++i)
        colours.push_back({GifByteType(i), GifByteType(255 - i), GifByteType((i * 7) & 0xFF)});
    return colours;
}

// The rows of picture as index names from DistinctColours, 'w' for white (which that palette
// lacks); '?' for any other colour.
std::vector<std::vector<int>> IndexesOf(const TXBitmap& picture)
{
    std::vector<std::vector<int>> rows;
    for (int y = 0; y < picture.Height(); ++y) {
        std::vector<int> row;
        for (int x = 0; x < picture.Width(); ++x) {
            const TColor c = picture.PixelColour(x, y);
            const int i = GetRValue(c);
            if (c == clWhite)
                row.push_back(-1);
            else if (GetGValue(c) == 255 - i && GetBValue(c) == ((i * 7) & 0xFF))
                row.push_back(i);
            else
                row.push_back(-2);
        }
        rows.push_back(row);
    }
    return rows;
}

// Rows of width from indexes, -1 (white) where indexes run out.
std::vector<std::vector<int>> Rows2D(const std::vector<std::uint8_t>& indexes, std::size_t count, int width, int height)
{
    std::vector<std::vector<int>> rows(std::size_t(height), std::vector<int>(std::size_t(width), -1));
    for (std::size_t i = 0; i < count && i < indexes.size(); ++i)
        rows[i / std::size_t(width)][i % std::size_t(width)] = indexes[i];
    return rows;
}

const std::vector<GifColorType> kFourColours = {{0, 0, 0}, {255, 0, 0}, {0, 255, 0}, {0, 0, 255}};
const std::map<TColor, char> kNames = {{clBlack, '.'}, {RGBColor(255, 0, 0), 'r'}, {RGBColor(0, 255, 0), 'g'},
                                       {RGBColor(0, 0, 255), 'b'}, {clWhite, 'w'}};

std::vector<std::string> Colours(const TXBitmap& picture)
{
    std::vector<std::string> rows;
    for (int y = 0; y < picture.Height(); ++y) {
        std::string row;
        for (int x = 0; x < picture.Width(); ++x) {
            const auto it = kNames.find(picture.PixelColour(x, y));
            row += it == kNames.end() ? '?' : it->second;
        }
        rows.push_back(row);
    }
    return rows;
}

using Rows = std::vector<std::string>;

} // namespace

TEST(JpegReader, GreyscaleAndCmykSourcesDecodeTo24Bits)
{
    const std::vector<std::uint8_t> grey(16 * 8, 100);
    const TXBitmap fromGrey = LoadBytes(EncodeJpeg(16, 8, 1, JCS_GRAYSCALE, grey), QStringLiteral("grey.jpg"));
    EXPECT_EQ(fromGrey.PixelFormat(), TPixelFormat::pf24bit);
    EXPECT_EQ(fromGrey.PixelColour(5, 5), RGBColor(100, 100, 100));

    // libjpeg marks CMYK files with an Adobe marker, whose samples readers take as inverted
    // (as Adobe writes them): 255, 0, 0, 255 is no cyan, full magenta and yellow, no black.
    std::vector<std::uint8_t> cmyk;
    for (int i = 0; i < 16 * 8; ++i)
        cmyk.insert(cmyk.end(), {255, 0, 0, 255});
    const TXBitmap fromCmyk = LoadBytes(EncodeJpeg(16, 8, 4, JCS_CMYK, cmyk), QStringLiteral("cmyk.jpg"));
    const TColor c = fromCmyk.PixelColour(3, 3);
    EXPECT_GE(GetRValue(c), 250);
    EXPECT_LE(GetGValue(c), 5);
    EXPECT_LE(GetBValue(c), 5);
}

TEST(JpegReader, CorruptDataCarriesTheCodecsMessage)
{
    QByteArray file = EncodeJpeg(8, 8, 1, JCS_GRAYSCALE, std::vector<std::uint8_t>(64, 7));
    const qsizetype sof = file.indexOf(QByteArray("\xFF\xC0", 2));
    file[sof + 5] = 0; // height 0
    file[sof + 6] = 0;
    file[sof + 7] = 0; // width 0
    file[sof + 8] = 0;
    EXPECT_TRUE(RefusalOf(file, QStringLiteral("corrupt.jpg")).startsWith(u"JPEG error #")) << RefusalOf(file, "corrupt.jpg").toStdString();
    EXPECT_TRUE(RefusalOf(QByteArray("\xFF\xD8\xFF\xE0", 4) + QByteArray(20, '\0'), "short.jpg").startsWith(u"JPEG error #"));
}

TEST(JpegReader, AFileCutShortLoadsMarkedIncomplete)
{
    std::vector<std::uint8_t> noise(64 * 64 * 3);
    for (std::size_t i = 0; i < noise.size(); ++i)
        noise[i] = std::uint8_t(i * 7919 % 251);
    for (const bool progressive : {false, true}) {
        SCOPED_TRACE(progressive ? "progressive" : "baseline");
        const QByteArray whole = EncodeJpeg(64, 64, 3, JCS_RGB, noise, progressive);
        EXPECT_FALSE(LoadBytes(whole, QStringLiteral("whole.jpg")).LoadedIncomplete());
        const TXBitmap cut = LoadBytes(whole.left(whole.size() / 2), QStringLiteral("cut.jpg"));
        EXPECT_EQ(cut.Width(), 64);
        EXPECT_TRUE(cut.LoadedIncomplete());
    }
    // A later complete load clears the mark.
    TXBitmap picture = LoadBytes(EncodeJpeg(64, 64, 3, JCS_RGB, noise).left(800), QStringLiteral("cut.jpg"));
    ASSERT_TRUE(picture.LoadedIncomplete());
    picture.LoadPicture(TempPath(QStringLiteral("whole.jpg")));
    EXPECT_FALSE(picture.LoadedIncomplete());
}

TEST(JpegReader, AFileNeedingMoreThan500ScansIsRefused)
{
    // A progressive file whose last scan is repeated: the decoder would accept the repeats
    // with warnings, one pass over its coefficients each.
    const QByteArray file = EncodeJpeg(16, 16, 1, JCS_GRAYSCALE, std::vector<std::uint8_t>(256, 50), true);
    const qsizetype lastScan = file.lastIndexOf(QByteArray("\xFF\xDA", 2));
    const QByteArray scan = file.mid(lastScan, file.size() - 2 - lastScan);
    const QByteArray head = file.left(lastScan);
    const QByteArray tail = file.right(2);
    EXPECT_EQ(LoadBytes(head + scan.repeated(10) + tail, QStringLiteral("fewscans.jpg")).Width(), 16);
    EXPECT_EQ(RefusalOf(head + scan.repeated(600) + tail, QStringLiteral("manyscans.jpg")),
              u"JPEG image is not valid: it needs more than 500 scans");
}

TEST(JpegReader, SizeLimitsAreCheckedAfterTheHeaderBeforeDecoding)
{
    // Small files whose frame header claims a huge picture: within the pixel limit, but a
    // progressive one with full-resolution colour needs a coefficient buffer twice the limit.
    struct Case { bool progressive; int width, height; bool refused; };
    const Case cases[] = {
        {false, 40000, 8, true},      // wider than the side limit
        {true, 16000, 16000, true},   // 1.5 GB of coefficients
    };
    for (const Case& c : cases) {
        QByteArray file = EncodeJpeg(16, 16, 3, JCS_RGB, std::vector<std::uint8_t>(16 * 16 * 3, 90), c.progressive, true);
        const qsizetype sof = file.indexOf(QByteArray(c.progressive ? "\xFF\xC2" : "\xFF\xC0", 2));
        ASSERT_GE(sof, 0);
        file[sof + 5] = char(c.height >> 8);
        file[sof + 6] = char(c.height);
        file[sof + 7] = char(c.width >> 8);
        file[sof + 8] = char(c.width);
        EXPECT_EQ(RefusalOf(file, QStringLiteral("huge.jpg")), u"JPEG image is larger than the picture size limit") << c.width;
    }
}

TEST(GifReader, FirstFrameIsDrawnOnTheLogicalScreenAndClippedToIt)
{
    GifFrame first{2, 1, 3, 2, false, {}, {1, 2, 3, 3, 2, 1}};
    GifFrame second{0, 0, 1, 1, false, {}, {2}};
    // The background index names blue, which the image uses: uncovered pixels are white all
    // the same.
    const QByteArray file = EncodeGif(4, 3, kFourColours, 3, {first, second});
    EXPECT_EQ(Colours(LoadBytes(file, QStringLiteral("offset.gif"))), (Rows{"wwww", "wwrg", "wwbg"}));
}

TEST(GifReader, InterlacedRowsLandInDisplayOrder)
{
    GifFrame frame{0, 0, 1, 9, true, {}, {0, 1, 2, 3, 0, 1, 2, 3, 0}};
    EXPECT_EQ(Colours(LoadBytes(EncodeGif(1, 9, kFourColours, 0, {frame}), QStringLiteral("interlaced.gif"))),
              (Rows{".", "r", "g", "b", ".", "r", "g", "b", "."}));
}

TEST(GifReader, TransparentAndUnmappedIndicesGetDefinedColours)
{
    // Index 2 is transparent and shows white, though the background index names red, a
    // colour of the image.
    GifFrame frame{0, 0, 3, 1, false, {}, {1, 2, 3}, 2};
    EXPECT_EQ(Colours(LoadBytes(EncodeGif(3, 1, kFourColours, 1, {frame}), QStringLiteral("trans.gif"))), (Rows{"rwb"}));

    // No colour map anywhere (made by hand: the library refuses to write one): every index
    // is black. The frame holds indices 1 and 3 in 3-bit codes: clear, 1, 3, end.
    Bytes bare;
    bare.raw({'G', 'I', 'F', '8', '9', 'a'}).u16(2).u16(1).raw({0, 0, 0});
    bare.raw({0x2C}).u16(0).u16(0).u16(2).u16(1).raw({0});
    bare.raw({2, 2, 0xCC, 0x0A, 0, 0x3B});
    EXPECT_EQ(Colours(LoadBytes(bare.data(), QStringLiteral("nomap.gif"))), (Rows{".."}));

    // A local map wins over the global one.
    GifFrame local{0, 0, 2, 1, false, {{255, 255, 255}, {0, 0, 255}}, {0, 1}};
    EXPECT_EQ(Colours(LoadBytes(EncodeGif(2, 1, kFourColours, 0, {local}), QStringLiteral("local.gif"))), (Rows{"wb"}));
}

TEST(GifReader, BrokenFilesAreRefusedWithTheCodecsMessage)
{
    GifFrame frame{0, 0, 4, 4, false, {}, std::vector<std::uint8_t>(16, 1)};
    const QByteArray file = EncodeGif(4, 4, kFourColours, 0, {frame});
    // Cut in the colour map and in the image descriptor.
    EXPECT_TRUE(RefusalOf(file.left(20), QStringLiteral("cut.gif")).startsWith(u"GIF error #"));
    EXPECT_TRUE(RefusalOf(file.left(30), QStringLiteral("cut.gif")).startsWith(u"GIF error #"));
    EXPECT_EQ(RefusalOf(QByteArray("GIF89a\x04\0\x04\0\0\0\0;", 14), QStringLiteral("noframe.gif")),
              u"GIF image is not valid: it holds no frame");
}

TEST(GifReader, TransparentShapesKeepTheirOutline)
{
    // Written by ImageMagick (convert -size 100x80 xc:none -fill red -draw "circle 50,40
    // 50,10"): red and black, index 1 transparent, background index 0 (red).
    const QString path = QStringLiteral(VELLUM_TEST_DATA_DIR "/transparent-circle.gif");
    TXBitmap picture;
    picture.LoadPicture(path);
    ASSERT_EQ(picture.Width(), 100);
    ASSERT_EQ(picture.Height(), 80);
    int error = 0;
    GifFileType* gif = DGifOpenFileName(path.toUtf8().constData(), &error);
    ASSERT_NE(gif, nullptr);
    ASSERT_EQ(DGifSlurp(gif), GIF_OK);
    const GifByteType* indexes = gif->SavedImages[0].RasterBits;
    int red = 0;
    for (int y = 0; y < 80; ++y)
        for (int x = 0; x < 100; ++x) {
            const bool opaque = indexes[y * 100 + x] == 0;
            red += opaque;
            EXPECT_EQ(picture.PixelColour(x, y), opaque ? RGBColor(255, 0, 0) : clWhite) << x << "," << y;
        }
    DGifCloseFile(gif, &error);
    // About the circle's area, pi * 30 * 30.
    EXPECT_GT(red, 2700);
    EXPECT_LT(red, 2950);
}

TEST(GifReader, AFullCodeTableGoesOnAt12BitsWithoutAClearCode)
{
    const std::vector<std::uint8_t> indexes = NoiseIndexes(100, 100, 256);
    const LzwCodes deferred = EncodeLzw(indexes, 8, false);
    ASSERT_GT(deferred.codesWhileFull, 1000);
    const QByteArray file = GifWithData(100, 100, DistinctColours(), 0, -1, 0, 0, 100, 100, 8, PackCodes(deferred.codes, 8));
    EXPECT_EQ(IndexesOf(LoadBytes(file, QStringLiteral("deferred.gif"))), Rows2D(indexes, indexes.size(), 100, 100));

    // The same encoder with a clear code at the full table makes a file giflib reads alike:
    // the codes and their packing are those of a GIF encoder.
    const QByteArray cleared =
        GifWithData(100, 100, DistinctColours(), 0, -1, 0, 0, 100, 100, 8, PackCodes(EncodeLzw(indexes, 8, true).codes, 8));
    QByteArray copy = cleared;
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    int error = 0;
    GifFileType* gif = DGifOpen(&buffer, [](GifFileType* g, GifByteType* data, int size) {
        return int(static_cast<QBuffer*>(g->UserData)->read(reinterpret_cast<char*>(data), size));
    }, &error);
    ASSERT_NE(gif, nullptr);
    ASSERT_EQ(DGifSlurp(gif), GIF_OK);
    EXPECT_EQ(std::vector<std::uint8_t>(gif->SavedImages[0].RasterBits, gif->SavedImages[0].RasterBits + 10000), indexes);
    DGifCloseFile(gif, &error);
    EXPECT_EQ(IndexesOf(LoadBytes(cleared, QStringLiteral("cleared.gif"))), Rows2D(indexes, indexes.size(), 100, 100));
}

TEST(GifReader, AnImageWithoutPixelsLeavesTheScreenWhite)
{
    // After the descriptor: a code size and data, the trailer at once, or nothing at all.
    enum class Tail { Data, Trailer, EndOfFile };
    struct Case { int width, height; };
    for (const Case c : {Case{0, 3}, Case{3, 0}, Case{0, 0}}) {
        for (const Tail tail : {Tail::Data, Tail::Trailer, Tail::EndOfFile}) {
            QByteArray file = GifWithData(4, 3, kFourColours, 1, -1, 0, 0, c.width, c.height, 2, PackCodes({4, 5}, 2));
            if (tail != Tail::Data) {
                // Everything from the code size on goes.
                file = GifWithData(4, 3, kFourColours, 1, -1, 0, 0, c.width, c.height, 2, {}, DataEnd::NoTerminator).chopped(1);
                if (tail == Tail::Trailer)
                    file.append(';');
            }
            EXPECT_EQ(Colours(LoadBytes(file, QStringLiteral("empty.gif"))), (Rows{"wwww", "wwww", "wwww"}))
                << c.width << "x" << c.height << " tail " << int(tail);
        }
    }
}

TEST(GifReader, CodeSizesOf9To11DecodeAsTheSmallerOnesDo)
{
    // Codes start at 10 to 12 bits and never grow past 12; the table fills well within the
    // picture, with and without a clear code at the full table.
    const std::vector<std::uint8_t> indexes = NoiseIndexes(60, 50, 256);
    for (const int codeSize : {9, 10, 11}) {
        for (const bool clearWhenFull : {true, false}) {
            const QByteArray data = PackCodes(EncodeLzw(indexes, codeSize, clearWhenFull).codes, codeSize);
            const QByteArray file = GifWithData(60, 50, DistinctColours(), 0, -1, 0, 0, 60, 50, codeSize, data);
            EXPECT_EQ(IndexesOf(LoadBytes(file, QStringLiteral("wide.gif"))), Rows2D(indexes, indexes.size(), 60, 50))
                << "code size " << codeSize << (clearWhenFull ? " with" : " without") << " clear codes";
        }
    }
    // A literal code beyond the palette names the index of its low eight bits, as browsers
    // take it: code size 9, clear 512, end 513.
    const QByteArray file = GifWithData(2, 1, DistinctColours(), 0, -1, 0, 0, 2, 1, 9, PackCodes({512, 300, 7, 513}, 9));
    EXPECT_EQ(IndexesOf(LoadBytes(file, QStringLiteral("literal.gif"))), (std::vector<std::vector<int>>{{44, 7}}));
    // 12 bits leave no room for a single code beyond the literals: refused.
    EXPECT_TRUE(RefusalOf(GifWithData(2, 1, DistinctColours(), 0, -1, 0, 0, 2, 1, 12, QByteArray(4, '\0')),
                          QStringLiteral("twelve.gif"))
                    .startsWith(u"GIF error #"));
}

TEST(GifReader, ACodeTheTableDoesNotHoldIsRefused)
{
    // Code size 2: clear 4, end 5, the first string code 6.
    const std::vector<std::vector<int>> cases = {
        {4, 6},          // a string code right after a clear code
        {4, 1, 7},       // one past the next free code
        {4, 1, 2, 3, 9}, // further past, after the table has grown
        {4, 1, 2, 4, 7}, // a code the clear code dropped
    };
    for (const std::vector<int>& codes : cases) {
        const QByteArray file = GifWithData(4, 4, kFourColours, 0, -1, 0, 0, 4, 4, 2, PackCodes(codes, 2));
        EXPECT_EQ(RefusalOf(file, QStringLiteral("badcode.gif")),
                  u"GIF image is not valid: its data holds a code the code table does not hold")
            << codes.back();
    }
}

TEST(GifReader, DataEndingEarlyKeepsWhatWasDecoded)
{
    // 37 of a 10 x 10 image's indexes, in 9-bit codes: no padding holds a whole code.
    const std::vector<std::uint8_t> indexes = NoiseIndexes(10, 10, 256);
    const std::vector<std::uint8_t> head(indexes.begin(), indexes.begin() + 37);
    std::vector<int> codes = EncodeLzw(head, 8, true).codes;
    const QByteArray withEnd = PackCodes(codes, 8);
    codes.pop_back();
    const QByteArray withoutEnd = PackCodes(codes, 8);
    struct Case { const char* name; QByteArray data; DataEnd end; };
    const Case cases[] = {
        {"end code", withEnd, DataEnd::Closed},
        {"empty block", withoutEnd, DataEnd::Closed},
        {"end of file", withoutEnd, DataEnd::NoTerminator},
    };
    for (const Case& c : cases) {
        const QByteArray file = GifWithData(12, 10, DistinctColours(), 0, -1, 1, 0, 10, 10, 8, c.data, c.end);
        std::vector<std::vector<int>> expected = Rows2D(indexes, head.size(), 10, 10);
        for (auto& row : expected) {
            row.insert(row.begin(), -1);
            row.push_back(-1);
        }
        EXPECT_EQ(IndexesOf(LoadBytes(file, QStringLiteral("short.gif"))), expected) << c.name;
    }
}
