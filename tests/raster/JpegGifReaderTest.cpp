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
    const QByteArray file = EncodeGif(4, 3, kFourColours, 3, {first, second});
    EXPECT_EQ(Colours(LoadBytes(file, QStringLiteral("offset.gif"))), (Rows{"bbbb", "bbrg", "bbbg"}));
}

TEST(GifReader, InterlacedRowsLandInDisplayOrder)
{
    GifFrame frame{0, 0, 1, 9, true, {}, {0, 1, 2, 3, 0, 1, 2, 3, 0}};
    EXPECT_EQ(Colours(LoadBytes(EncodeGif(1, 9, kFourColours, 0, {frame}), QStringLiteral("interlaced.gif"))),
              (Rows{".", "r", "g", "b", ".", "r", "g", "b", "."}));
}

TEST(GifReader, TransparentAndUnmappedIndicesGetDefinedColours)
{
    // Index 2 is transparent and shows the screen's background colour (green here).
    GifFrame frame{0, 0, 3, 1, false, {}, {1, 2, 3}, 2};
    EXPECT_EQ(Colours(LoadBytes(EncodeGif(3, 1, kFourColours, 2, {frame}), QStringLiteral("trans.gif"))), (Rows{"rgb"}));

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
    EXPECT_TRUE(RefusalOf(file.left(file.size() - 8), QStringLiteral("cut.gif")).startsWith(u"GIF error #"));
    EXPECT_EQ(RefusalOf(QByteArray("GIF89a\x04\0\x04\0\0\0\0;", 14), QStringLiteral("noframe.gif")),
              u"GIF image is not valid: it holds no frame");
}
