#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <utility>
#include <vector>

#include <QBuffer>

#include "PictureTestSupport.h"
#include "raster/PictureCodecs.h"
#include "raster/XBitmap.h"

using namespace vellum;
using vellum::test::GradientPicture;
using vellum::test::SamePixels;

TEST(XBitmap, RowsAreTopDownBgrTriplesInFourByteAlignedRows)
{
    TXBitmap picture(5, 3);
    EXPECT_EQ(picture.BytesPerLine(), 16);
    StorePixel(picture.ScanLine(2) + 3 * 4, RGBColor(1, 2, 3));
    const std::uint8_t* p = picture.ScanLine(2) + 12;
    EXPECT_EQ(p[0], 3);
    EXPECT_EQ(p[1], 2);
    EXPECT_EQ(p[2], 1);
    EXPECT_EQ(picture.PixelColour(4, 2), RGBColor(1, 2, 3));
    EXPECT_EQ(picture.ScanLine(1) - picture.ScanLine(0), 16);
    EXPECT_EQ(picture.BoundsRect(), QRect(0, 0, 5, 3));
}

TEST(XBitmap, ResizingKeepsTheTopLeftPixelsAndWhitensTheRest)
{
    TXBitmap picture = GradientPicture(3, 2);
    const TXBitmap before = picture;
    picture.SetSize(4, 3);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(picture.PixelColour(x, y), x < 3 && y < 2 ? before.PixelColour(x, y) : clWhite) << x << "," << y;
    picture.SetWidth(2);
    EXPECT_EQ(picture.PixelColour(1, 1), before.PixelColour(1, 1));
}

TEST(XBitmap, PictureSizesBeyondTheLimitsAreRefused)
{
    struct Case { std::int64_t width, height; bool ok; };
    const Case cases[] = {
        {kMaxPictureSide, 1, true},
        {kMaxPictureSide + 1, 1, false},
        {1, kMaxPictureSide + 1, false},
        {16384, 16384, true},
        {16384, 16385, false}, // over 256 M pixels
        {-1, 5, false},
    };
    // A refused resize leaves the picture as it was.
    TXBitmap picture = GradientPicture(3, 2);
    EXPECT_THROW(picture.SetSize(kMaxPictureSide + 1, 2), EInvalidGraphic);
    EXPECT_TRUE(SamePixels(picture, GradientPicture(3, 2)));
    for (const Case& c : cases) {
        if (c.ok)
            EXPECT_NO_THROW(CheckPictureSize(c.width, c.height)) << c.width << "x" << c.height;
        else
            EXPECT_THROW(CheckPictureSize(c.width, c.height), EInvalidGraphic) << c.width << "x" << c.height;
    }
}

TEST(XBitmap, PaletteFormatsConvertTo24BitsThroughTheirPalette)
{
    struct Case { TPixelFormat format; std::vector<std::uint8_t> row; std::vector<int> indices; };
    const Case cases[] = {
        {TPixelFormat::pf1bit, {0b10100000}, {1, 0, 1}},
        {TPixelFormat::pf4bit, {0x3F, 0x20}, {3, 15, 2}},
        {TPixelFormat::pf8bit, {7, 255, 0}, {7, 255, 0}},
    };
    for (const Case& c : cases) {
        TXBitmap picture(3, 1, c.format);
        std::vector<TColor> palette;
        for (int i = 0; i < 256; ++i)
            palette.push_back(RGBColor(i, 255 - i, i / 2));
        picture.SetPalette(palette);
        std::copy(c.row.begin(), c.row.end(), picture.ScanLine(0));
        picture.SetPixelFormat(TPixelFormat::pf24bit);
        ASSERT_EQ(picture.PixelFormat(), TPixelFormat::pf24bit);
        for (int x = 0; x < 3; ++x)
            EXPECT_EQ(picture.PixelColour(x, 0), palette[std::size_t(c.indices[std::size_t(x)])]) << x;
    }
}

TEST(XBitmap, CopiesAreDeepAndCarryTransparency)
{
    TXBitmap original = GradientPicture(4, 3);
    original.SetTransparent(true);
    original.SetTransparentColor(RGBColor(1, 2, 3));
    TXBitmap copy(original);
    StorePixel(original.ScanLine(0), clBlack);
    EXPECT_NE(copy.PixelColour(0, 0), clBlack);
    EXPECT_TRUE(copy.Transparent());
    EXPECT_EQ(copy.TransparentColor(), RGBColor(1, 2, 3));
}

TEST(XBitmap, AssigningKeepsTheStorageOfTheSameSizeOnly)
{
    // Kept storage must never leak the old pixels, whatever the formats of the same byte size.
    struct Case {
        int width, height;
        TPixelFormat format;
        bool kept;
    };
    const Case cases[] = {
        {4, 3, TPixelFormat::pf24bit, true},
        {3, 4, TPixelFormat::pf24bit, false},
        {3, 3, TPixelFormat::pf32bit, true}, // 36 bytes, as the 4 x 3 of 24 bits
        {5, 3, TPixelFormat::pf24bit, false},
    };
    for (const Case& c : cases) {
        TXBitmap target = GradientPicture(4, 3);
        const std::uint8_t* before = target.ScanLine(0);
        TXBitmap source = GradientPicture(c.width, c.height);
        source.SetPixelFormat(c.format);
        StorePixel(source.ScanLine(0), RGBColor(7, 8, 9));
        target = source;
        EXPECT_EQ(target.ScanLine(0) == before, c.kept) << c.width << "x" << c.height;
        EXPECT_EQ(target.PixelFormat(), c.format);
        ASSERT_EQ(target.Width(), c.width);
        for (int y = 0; y < c.height; ++y)
            for (int x = 0; x < c.width; ++x)
                EXPECT_EQ(target.PixelColour(x, y), source.PixelColour(x, y)) << x << "," << y;
    }
}

TEST(XBitmap, TransparentColourDefaultsToTheBottomLeftPixel)
{
    TXBitmap picture = GradientPicture(4, 3);
    EXPECT_EQ(picture.TransparentColor(), picture.PixelColour(0, 2));
}

TEST(XBitmap, AssignOpaqueCopiesTransparentPixelsAndLeavesTheSourceMarked)
{
    TXBitmap source = GradientPicture(3, 2);
    const TColor key = source.PixelColour(1, 1);
    source.SetTransparent(true);
    source.SetTransparentColor(key);
    TXBitmap target(1, 1);
    target.AssignOpaque(source);
    EXPECT_TRUE(SamePixels(target, source));
    EXPECT_EQ(target.PixelColour(1, 1), key);
    EXPECT_FALSE(target.Transparent());
    EXPECT_TRUE(source.Transparent());
    EXPECT_EQ(source.TransparentColor(), key);
}

TEST(XBitmap, StreamRoundTripKeepsFormatPaletteAndPixels)
{
    for (TPixelFormat format : {TPixelFormat::pf1bit, TPixelFormat::pf4bit, TPixelFormat::pf8bit,
                                TPixelFormat::pf24bit, TPixelFormat::pf32bit}) {
        TXBitmap picture(7, 3, format);
        if (IsPaletteFormat(format)) {
            picture.SetPalette({RGBColor(9, 8, 7), RGBColor(200, 100, 50), clWhite});
            for (int y = 0; y < 3; ++y)
                for (int i = 0; i < picture.BytesPerLine(); ++i)
                    picture.ScanLine(y)[i] = std::uint8_t(format == TPixelFormat::pf8bit ? (i + y) % 3 : 0x12 * (i + y));
            picture.SetSize(7, 3); // no-op; the padding stays zero
        } else {
            TXBitmap gradient = GradientPicture(7, 3);
            gradient.SetPixelFormat(format);
            picture = gradient;
        }
        QBuffer buffer;
        buffer.open(QIODevice::ReadWrite);
        buffer.write("prefix");
        picture.SaveToStream(buffer);
        buffer.seek(6);
        TXBitmap loaded;
        loaded.LoadFromStream(buffer);
        EXPECT_EQ(loaded.PixelFormat(), format);
        EXPECT_TRUE(SamePixels(loaded, picture)) << BitsPerPixel(format);
        EXPECT_EQ(buffer.pos(), buffer.size());
    }
}

// A writer copies ranges into a target that starts anywhere around a huge-page boundary: every
// byte lands at its place, whether the ranges end before the boundary, cross it or start there.
TEST(XBitmap, CopiedRangesLandInOrderAroundAHugePageBoundary)
{
    constexpr std::size_t Huge = 2 * 1024 * 1024;
    std::vector<std::uint8_t> source(3 * Huge);
    for (std::size_t i = 0; i < source.size(); ++i)
        source[i] = static_cast<std::uint8_t>(i * 7 + i / 251);
    // Ranges of uneven sizes, taken out of order from the source.
    const std::vector<std::pair<std::size_t, std::size_t>> pieces = {
        {100, 1}, {Huge + 3, 18000}, {0, 54}, {Huge / 2, Huge + 777}, {5, 0}, {2 * Huge, 4096}};
    std::vector<TGatherWriter::TRange> ranges;
    std::vector<std::uint8_t> expected;
    for (const auto& [from, size] : pieces) {
        ranges.push_back({source.data() + from, size});
        expected.insert(expected.end(), source.begin() + std::ptrdiff_t(from), source.begin() + std::ptrdiff_t(from + size));
    }
    std::vector<std::uint8_t> block(4 * Huge);
    const auto base = reinterpret_cast<std::uintptr_t>(block.data());
    const std::size_t boundary = (base + Huge - 1) / Huge * Huge - base + Huge;
    for (std::size_t before : {std::size_t(0), std::size_t(1), std::size_t(53), std::size_t(20000), expected.size(),
                               expected.size() + 9}) {
        std::fill(block.begin(), block.end(), std::uint8_t(0xA5));
        std::uint8_t* target = block.data() + boundary - before;
        CopyRanges(ranges.data(), ranges.size(), target);
        EXPECT_TRUE(std::equal(expected.begin(), expected.end(), target)) << before;
        EXPECT_EQ(target[-1], 0xA5) << before;
        EXPECT_EQ(target[expected.size()], 0xA5) << before;
    }
}

// Mapping a fresh block's pages on another thread never changes what the writer puts there,
// however early it writes, for blocks of every shape: small, unaligned, several huge pages, and
// larger than what is written.
TEST(XBitmap, AFreshBlockHoldsWhatIsWrittenWhileItsPagesAreMapped)
{
    constexpr std::size_t Huge = 2 * 1024 * 1024;
    const std::vector<std::pair<std::size_t, std::size_t>> cases = {
        {1, 1}, {5000, 5000}, {3 * Huge + 123, 3 * Huge + 123}, {9 * Huge + 4001, 9 * Huge + 4001},
        {9 * Huge + 4001, 10 * Huge + 4001}};
    for (const auto& [size, capacity] : cases) {
        std::unique_ptr<std::uint8_t, decltype(&std::free)> block(static_cast<std::uint8_t*>(std::malloc(capacity + 1)),
                                                                  &std::free);
        ASSERT_TRUE(block);
        std::uint8_t* data = block.get() + 1;
        {
            const TFreshBlock fresh(data, size, capacity);
            for (std::size_t i = 0; i < size; ++i)
                data[i] = static_cast<std::uint8_t>(i % 253);
        }
        std::size_t wrong = 0;
        for (std::size_t i = 0; i < size; ++i)
            wrong += data[i] != static_cast<std::uint8_t>(i % 253);
        EXPECT_EQ(wrong, 0U) << size << " of " << capacity;
    }
}
