#include <cmath>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "BothPaths.h"
#include "EffectsTestSupport.h"
#include "PictureTestSupport.h"
#include "raster/EffectsBitmap.h"
#include "raster/Resample.h"

namespace vellum {
namespace {

using test::Effects;
using test::GradientPicture;
using test::ProgressLog;
using test::RandomPicture;
using test::SamePixels;

TEST(Geometry, FlipAndMirrorTwiceRestoreThePicture)
{
    for (const auto& [width, height] : {std::pair{7, 5}, std::pair{6, 4}, std::pair{1, 1}, std::pair{4, 2}, std::pair{303, 3000}}) {
        const TXBitmap original = GradientPicture(width, height);
        TEffectsBitmap picture = Effects(original);
        picture.Flip();
        EXPECT_EQ(height == 1 || SamePixels(picture, original), height == 1) << width << " x " << height;
        EXPECT_EQ(picture.PixelColour(0, 0), original.PixelColour(0, height - 1));
        picture.Flip();
        EXPECT_TRUE(SamePixels(picture, original));
        picture.Mirror();
        bool mirrored = true;
        for (int y = 0; y < height && mirrored; ++y)
            for (int x = 0; x < width && mirrored; ++x)
                mirrored = picture.PixelColour(x, y) == original.PixelColour(width - 1 - x, y);
        EXPECT_TRUE(mirrored) << width << " x " << height;
        picture.Mirror();
        EXPECT_TRUE(SamePixels(picture, original));
    }
}

TEST(Geometry, QuarterTurnsOfAThreeByTwoPicture)
{
    const TXBitmap original = GradientPicture(3, 2);
    TEffectsBitmap clockwise = Effects(original);
    clockwise.Rotate(90, clWhite);
    ASSERT_EQ(clockwise.Width(), 2);
    ASSERT_EQ(clockwise.Height(), 3);
    // Destination (height - 1 - y, x) is source (x, y).
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            EXPECT_EQ(clockwise.PixelColour(1 - y, x), original.PixelColour(x, y)) << x << "," << y;
    EXPECT_EQ(clockwise.PixelColour(1, 0), original.PixelColour(0, 0)); // top-right

    TEffectsBitmap anticlockwise = Effects(original);
    anticlockwise.Rotate(270, clWhite);
    ASSERT_EQ(anticlockwise.Width(), 2);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            EXPECT_EQ(anticlockwise.PixelColour(y, 2 - x), original.PixelColour(x, y));
    EXPECT_EQ(anticlockwise.PixelColour(0, 2), original.PixelColour(0, 0)); // bottom-left

    anticlockwise.Rotate(90, clWhite);
    EXPECT_TRUE(SamePixels(anticlockwise, original));
}

TEST(Geometry, QuarterTurnsOfLargePicturesMatchThePixelRule)
{
    // Larger than the tiles and the threading threshold, with ragged edges.
    const TEffectsBitmap original = RandomPicture(1000, 523, 3);
    for (const int angle : {90, 270}) {
        TEffectsBitmap picture = Effects(original);
        picture.Rotate(angle, clWhite);
        ASSERT_EQ(picture.Width(), 523);
        ASSERT_EQ(picture.Height(), 1000);
        bool same = true;
        for (int y = 0; y < 523 && same; ++y)
            for (int x = 0; x < 1000 && same; ++x) {
                const TColor want = original.PixelColour(x, y);
                same = angle == 90 ? picture.PixelColour(522 - y, x) == want : picture.PixelColour(y, 999 - x) == want;
            }
        EXPECT_TRUE(same) << angle;
    }
}

// The first place where a quarter turn of source breaks the plain rule (clockwise: source (x, y)
// lands at (height - 1 - y, x); anticlockwise: at (y, width - 1 - x)) or writes into a row's
// padding, which must stay zero; empty when it follows the rule.
std::string quarterTurnFault(const TXBitmap& source, const TXBitmap& turned, bool clockwise)
{
    const int width = source.Width();
    const int height = source.Height();
    if (turned.Width() != height || turned.Height() != width)
        return "size " + std::to_string(turned.Width()) + " x " + std::to_string(turned.Height());
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const int tx = clockwise ? height - 1 - y : y;
            const int ty = clockwise ? x : width - 1 - x;
            if (std::memcmp(turned.ScanLine(ty) + 3 * tx, source.ScanLine(y) + 3 * x, 3) != 0)
                return "source pixel " + std::to_string(x) + "," + std::to_string(y);
        }
    for (int y = 0; y < turned.Height(); ++y)
        for (int i = 3 * turned.Width(); i < turned.BytesPerLine(); ++i)
            if (turned.ScanLine(y)[i] != 0)
                return "padding of row " + std::to_string(y);
    return {};
}

TEST(Geometry, QuarterTurnsFollowThePlainRuleAtEverySizeOnBothPaths)
{
    // The turn works in tiles of 64 x 64 pixels and moves blocks of four pixels at a time on
    // the vector path: heights 1 to 131 leave a last tile of every row count (and every
    // remainder of four), the widths cover small pictures and every remainder of four on
    // either side of a tile's edge. 401 x 301 leaves a last tile of 45 rows.
    std::vector<int> widths;
    for (int w = 1; w <= 9; ++w)
        widths.push_back(w);
    for (int w = 62; w <= 67; ++w)
        widths.push_back(w);
    for (int w = 126; w <= 131; ++w)
        widths.push_back(w);
    std::vector<std::pair<int, int>> sizes;
    for (const int w : widths)
        for (int h = 1; h <= 131; ++h)
            sizes.emplace_back(w, h);
    sizes.emplace_back(401, 301);
    sizes.emplace_back(301, 401);

    const TEffectsBitmap random = RandomPicture(401, 401, 10);
    test::OnBothPaths([&] {
        for (const auto& [width, height] : sizes) {
            TEffectsBitmap source(width, height);
            for (int y = 0; y < height; ++y)
                std::memcpy(source.ScanLine(y), random.ScanLine(y), 3 * static_cast<std::size_t>(width));
            for (const bool clockwise : {true, false}) {
                TEffectsBitmap turned = source;
                turned.Rotate(clockwise ? 90 : 270, clWhite);
                const std::string fault = quarterTurnFault(source, turned, clockwise);
                ASSERT_EQ(fault, "") << width << " x " << height << (clockwise ? " clockwise" : " anticlockwise");
            }
        }
    });
}

TEST(Geometry, HalfTurnMirrorsTheOddMiddleRow)
{
    for (const int height : {3, 4, 1}) {
        const TXBitmap original = GradientPicture(5, height);
        TEffectsBitmap turned = Effects(original);
        turned.Rotate(180, clWhite);
        TEffectsBitmap flipped = Effects(original);
        flipped.Flip();
        flipped.Mirror();
        EXPECT_TRUE(SamePixels(turned, flipped)) << height;
        if (height % 2 == 1) {
            EXPECT_EQ(turned.PixelColour(0, height / 2), original.PixelColour(4, height / 2));
        }
    }
}

TEST(Geometry, FineRotationSizesAndCorners)
{
    struct Case {
        int width, height, angle, newWidth, newHeight;
    };
    for (const Case& c : std::vector<Case>{{100, 100, 45, 142, 142}, {200, 100, 30, 223, 187}, {100, 200, 120, 223, 187},
                                           {1000, 1, 5, 996, 88}}) {
        TEffectsBitmap picture = Effects(GradientPicture(c.width, c.height));
        picture.Rotate(c.angle, RGBColor(1, 2, 3));
        EXPECT_EQ(picture.Width(), c.newWidth) << c.angle;
        EXPECT_EQ(picture.Height(), c.newHeight) << c.angle;
    }
    const TXBitmap square = GradientPicture(100, 100);
    TEffectsBitmap picture = Effects(square);
    picture.Rotate(45, RGBColor(1, 2, 3));
    for (const auto& [x, y] : {std::pair{0, 0}, std::pair{141, 0}, std::pair{0, 141}, std::pair{141, 141}})
        EXPECT_EQ(picture.PixelColour(x, y), RGBColor(1, 2, 3));
    // The doubled centre (1, 1) of destination (71, 71) lands on source p = 1, t = 0.
    EXPECT_EQ(picture.PixelColour(71, 71), square.PixelColour(50, 50));
}

// The fine rotation's doubled-coordinate rule, one destination pixel at a time.
TXBitmap referenceFineRotation(const TXBitmap& source, int degrees, TColor background)
{
    const double sn = std::sin(-degrees * M_PI / 180.0);
    const double cs = std::cos(-degrees * M_PI / 180.0);
    const int w = source.Width();
    const int h = source.Height();
    const int newWidth = static_cast<int>(std::fabs(std::nearbyint(h * sn)) + std::fabs(std::nearbyint(w * cs)));
    const int newHeight = static_cast<int>(std::fabs(std::nearbyint(w * sn)) + std::fabs(std::nearbyint(h * cs)));
    const int ox = (newWidth - w) / 2;
    const int oy = (newHeight - h) / 2;
    TXBitmap result(newWidth, newHeight);
    for (int y = newHeight - 1; y >= 0; --y)
        for (int x = newWidth - 1; x >= 0; --x) {
            const double u = 2 * (x - ox - w / 2) + 1;
            const double v = 2 * (y - oy - h / 2) + 1;
            const double a = u * cs;
            const double b = v * sn;
            const double c = u * sn;
            const double d = v * cs;
            const int sx = (static_cast<int>(a - b) - 1) / 2 + w / 2;
            const int sy = (static_cast<int>(c + d) - 1) / 2 + h / 2;
            const bool inside = sx >= 0 && sx < w && sy >= 0 && sy < h;
            StorePixel(result.ScanLine(y) + 3 * x, inside ? source.PixelColour(sx, sy) : background);
        }
    return result;
}

TEST(Geometry, FineRotationFollowsTheDoubledCoordinateRule)
{
    // With the vector code (eight pixels' coordinates at a time) and with the portable code;
    // 191 x 127 is a dialog's preview.
    test::OnBothPaths([&] {
        for (const auto& [width, height] :
             {std::pair{37, 23}, std::pair{8, 61}, std::pair{1, 1}, std::pair{640, 480}, std::pair{191, 127}})
            for (const int degrees : {1, 17, 30, 45, 60, 89}) {
                const TEffectsBitmap source = RandomPicture(width, height, static_cast<unsigned>(degrees));
                TEffectsBitmap picture = Effects(source);
                picture.Rotate(degrees, RGBColor(1, 2, 3));
                EXPECT_TRUE(SamePixels(picture, referenceFineRotation(source, degrees, RGBColor(1, 2, 3))))
                    << width << " x " << height << " by " << degrees;
            }
    });
}

TEST(Geometry, RotationTurnsAQuarterFirstAndNormalisesAngles)
{
    const TXBitmap original = GradientPicture(40, 25);
    TEffectsBitmap stepwise = Effects(original);
    stepwise.Rotate(90, clBlack);
    stepwise.Rotate(30, clBlack);
    for (const int angle : {120, 480, -240}) {
        TEffectsBitmap picture = Effects(original);
        picture.Rotate(angle, clBlack);
        EXPECT_TRUE(SamePixels(picture, stepwise)) << angle;
    }
    for (const int angle : {0, 360, -720}) {
        TEffectsBitmap picture = Effects(original);
        ProgressLog progress;
        progress.attach(picture);
        picture.Rotate(angle, clBlack);
        EXPECT_TRUE(SamePixels(picture, original)) << angle;
        EXPECT_EQ(progress.begins, 0) << angle;
    }
}

TEST(Geometry, ResizePicksColumnsAndRowsByTheRatio)
{
    const TXBitmap original = GradientPicture(4, 3);
    TEffectsBitmap half = Effects(original);
    half.Resize(2, 3);
    EXPECT_EQ(half.PixelColour(0, 1), original.PixelColour(0, 1));
    EXPECT_EQ(half.PixelColour(1, 1), original.PixelColour(2, 1));
    TEffectsBitmap twice = Effects(original);
    twice.Resize(8, 6);
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 8; ++x)
            EXPECT_EQ(twice.PixelColour(x, y), original.PixelColour(x / 2, y / 2));
    // 3 rows to 2: y / (2 / 3) gives rows 0 and 1.
    TEffectsBitmap rows = Effects(original);
    rows.Resize(4, 2);
    EXPECT_EQ(rows.PixelColour(3, 1), original.PixelColour(3, 1));

    for (const auto& [w, h] : {std::pair{0, 3}, std::pair{3, -1}}) {
        TEffectsBitmap unchanged = Effects(original);
        unchanged.Resize(w, h);
        EXPECT_TRUE(SamePixels(unchanged, original));
    }
    TEffectsBitmap empty;
    empty.Resize(5, 5);
    EXPECT_TRUE(empty.Empty());
}

// The resample's formula written out plainly, one pixel at a time, as the oracle for the vector
// kernels.
TXBitmap referenceResample(const TXBitmap& source, int newWidth, int newHeight)
{
    const TResampleContributors columns = ResampleContributors(source.Width(), newWidth);
    const TResampleContributors rows = ResampleContributors(source.Height(), newHeight);
    auto channel = [](float sum) {
        return sum > 255.0f ? 255 : sum < 0.0f ? 0 : static_cast<int>(std::nearbyint(sum));
    };
    TXBitmap work(newWidth, source.Height());
    for (int y = 0; y < source.Height(); ++y)
        for (int x = 0; x < newWidth; ++x)
            for (int c = 0; c < 3; ++c) {
                float sum = 0.0f;
                for (int k = columns.Start[x]; k < columns.Start[x + 1]; ++k)
                    sum = sum + columns.Weight[k] * static_cast<float>(source.ScanLine(y)[3 * columns.Index[k] + c]);
                work.ScanLine(y)[3 * x + c] = static_cast<std::uint8_t>(channel(sum));
            }
    TXBitmap result(newWidth, newHeight);
    for (int y = 0; y < newHeight; ++y)
        for (int x = 0; x < newWidth; ++x)
            for (int c = 0; c < 3; ++c) {
                float sum = 0.0f;
                for (int k = rows.Start[y]; k < rows.Start[y + 1]; ++k)
                    sum = sum + rows.Weight[k] * static_cast<float>(work.ScanLine(rows.Index[k])[3 * x + c]);
                result.ScanLine(y)[3 * x + c] = static_cast<std::uint8_t>(channel(sum));
            }
    return result;
}

TEST(Geometry, ResampleKernelsGiveTheFormulasBitForBit)
{
    struct Case {
        int width, height, newWidth, newHeight;
    };
    for (const Case& c : std::vector<Case>{{40, 19, 30, 45}, {33, 17, 61, 8}, {9, 9, 1, 4}, {2, 3, 50, 2}, {300, 200, 150, 300}}) {
        const TEffectsBitmap source = RandomPicture(c.width, c.height, static_cast<unsigned>(c.width));
        TEffectsBitmap picture = Effects(source);
        picture.Resample(c.newWidth, c.newHeight);
        EXPECT_TRUE(SamePixels(picture, referenceResample(source, c.newWidth, c.newHeight)))
            << c.width << " x " << c.height << " to " << c.newWidth << " x " << c.newHeight;
    }
}

TEST(Geometry, ResampleContributorsStayInsideShortSources)
{
    for (int source = 1; source <= 6; ++source)
        for (int dest = 1; dest <= 8; ++dest) {
            const TResampleContributors c = ResampleContributors(source, dest);
            for (int i = 0; i < dest; ++i) {
                ASSERT_GT(c.Count(i), 0) << source << " to " << dest;
                for (int k = c.Start[i]; k < c.Start[i + 1]; ++k) {
                    EXPECT_GE(c.Index[k], 0) << source << " to " << dest;
                    EXPECT_LT(c.Index[k], source) << source << " to " << dest;
                    EXPECT_TRUE(std::isfinite(c.Weight[k]));
                }
            }
        }
    // A 1-pixel-wide source uses scale factor 3 when it becomes 3 wide: the middle column's
    // centre is 1 / 3.
    const TResampleContributors c = ResampleContributors(1, 3);
    EXPECT_EQ(c.Count(1), 10); // j = -4 to 5; -5 and 6 lie 5 or more away
    EXPECT_FLOAT_EQ(c.Weight[c.Start[1] + 4], ResampleFilter(1.0f / 3.0f));
}

TEST(Geometry, ResampleOfOnePixelWideAndToOnePixel)
{
    TEffectsBitmap narrow(1, 2);
    StorePixel(narrow.ScanLine(0), RGBColor(200, 100, 50));
    StorePixel(narrow.ScanLine(1), RGBColor(200, 100, 50));
    narrow.Resample(3, 2);
    ASSERT_EQ(narrow.Width(), 3);
    EXPECT_EQ(narrow.PixelColour(0, 0), RGBColor(200, 100, 50));
    for (int x = 1; x < 3; ++x)
        EXPECT_NEAR(GetRValue(narrow.PixelColour(x, 1)), 200, 3);

    // One destination pixel from five: the source's middle, a sum of weights near 1.
    TEffectsBitmap wide(5, 3);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x)
            StorePixel(wide.ScanLine(y) + 3 * x, RGBColor(100, 100, 100));
    wide.Resample(1, 3);
    ASSERT_EQ(wide.Width(), 1);
    for (int y = 0; y < 3; ++y)
        EXPECT_NEAR(GetGValue(wide.PixelColour(0, y)), 100, 3);
}

TEST(Geometry, ResampleClampsOvershootAtHardEdges)
{
    TEffectsBitmap edge(8, 1);
    for (int x = 0; x < 8; ++x)
        StorePixel(edge.ScanLine(0) + 3 * x, x < 4 ? clBlack : clWhite);
    edge.Resample(29, 1);
    bool sawBlack = false;
    bool sawWhite = false;
    for (int x = 0; x < 29; ++x) {
        const int value = GetRValue(edge.PixelColour(x, 0));
        // A wrapped overshoot would put a bright value on the dark side or the other way round.
        if (x < 12) {
            EXPECT_LT(value, 128) << x;
        }
        if (x > 16) {
            EXPECT_GT(value, 128) << x;
        }
        sawBlack |= value == 0;
        sawWhite |= value == 255;
    }
    EXPECT_TRUE(sawBlack);
    EXPECT_TRUE(sawWhite);
}

TEST(Geometry, EnlargeCanvasPlacesThePicture)
{
    const TXBitmap original = GradientPicture(3, 3);
    for (const bool centre : {true, false}) {
        TEffectsBitmap picture = Effects(original);
        picture.EnlargeCanvas(6, 6, centre, RGBColor(9, 8, 7));
        ASSERT_EQ(picture.Width(), 6);
        const int at = centre ? 1 : 0;
        for (int y = 0; y < 6; ++y)
            for (int x = 0; x < 6; ++x) {
                const bool inside = x >= at && x < at + 3 && y >= at && y < at + 3;
                EXPECT_EQ(picture.PixelColour(x, y), inside ? original.PixelColour(x - at, y - at) : RGBColor(9, 8, 7));
            }
    }
}

TEST(Geometry, ProgressCountsAnnouncedAndSent)
{
    struct Case {
        const char* name;
        std::function<void(TEffectsBitmap&)> apply;
        int steps; // for a 20 x 7 picture
    };
    const int turned30 = [] {
        TEffectsBitmap p = Effects(GradientPicture(7, 20));
        p.Rotate(30, clBlack);
        return p.Height();
    }();
    const std::vector<Case> cases{
        {"flip", [](TEffectsBitmap& p) { p.Flip(); }, 3},
        {"mirror", [](TEffectsBitmap& p) { p.Mirror(); }, 7},
        {"rotate 180", [](TEffectsBitmap& p) { p.Rotate(180, clBlack); }, 3},
        {"rotate 90", [](TEffectsBitmap& p) { p.Rotate(90, clBlack); }, 7},
        {"rotate 120", [](TEffectsBitmap& p) { p.Rotate(120, clBlack); }, 7 + turned30},
        {"rotate 210", [](TEffectsBitmap& p) { p.Rotate(210, clBlack); }, 3 + 16},
        {"resize", [](TEffectsBitmap& p) { p.Resize(11, 13); }, 13},
        {"resample", [](TEffectsBitmap& p) { p.Resample(11, 13); }, 2 * 11 + 13 + 7},
        {"enlarge", [](TEffectsBitmap& p) { p.EnlargeCanvas(30, 9, true, clBlack); }, 2},
    };
    for (const Case& c : cases) {
        TEffectsBitmap picture = Effects(GradientPicture(20, 7));
        ProgressLog progress;
        progress.attach(picture);
        c.apply(picture);
        EXPECT_EQ(progress.begins, 1) << c.name;
        EXPECT_EQ(progress.count, c.steps) << c.name;
        EXPECT_EQ(progress.steps, c.steps) << c.name;
        EXPECT_EQ(progress.ends, 1) << c.name;
    }
    for (const auto& quiet : std::vector<std::function<void(TEffectsBitmap&)>>{
             [](TEffectsBitmap& p) { p.Resample(20, 7); }, [](TEffectsBitmap& p) { p.Resize(0, 7); },
             [](TEffectsBitmap& p) { p.EnlargeCanvas(20, 7, false, clBlack); }}) {
        TEffectsBitmap picture = Effects(GradientPicture(20, 7));
        ProgressLog progress;
        progress.attach(picture);
        quiet(picture);
        EXPECT_EQ(progress.begins + progress.steps + progress.ends, 0);
    }
}

TEST(Geometry, FailuresAreWrappedAndKeepThePicture)
{
    struct Case {
        std::function<void(TEffectsBitmap&)> apply;
        const char* prefix;
    };
    const std::vector<Case> cases{
        {[](TEffectsBitmap& p) { p.Resize(40000, 40000); }, "Resizing Error. "},
        {[](TEffectsBitmap& p) { p.Resample(30000, 30000); }, "Resampling Error. "},
        {[](TEffectsBitmap& p) { p.Resample(0, 3); }, "Resampling Error. "},
        {[](TEffectsBitmap& p) { p.Rotate(45, clBlack); }, "Rotate Error. "},
    };
    // Rotating a 32768 x 8 strip by 45 degrees needs 23176 x 23176 pixels, beyond the limit.
    const TXBitmap strip = GradientPicture(32768, 8);
    for (const Case& c : cases) {
        TEffectsBitmap picture = Effects(strip);
        ProgressLog progress;
        progress.attach(picture);
        try {
            c.apply(picture);
            ADD_FAILURE() << c.prefix << "raised nothing";
        } catch (const EXBitmapError& e) {
            EXPECT_TRUE(e.message().startsWith(QString::fromLatin1(c.prefix))) << e.message().toStdString();
            EXPECT_GT(e.message().size(), qsizetype(strlen(c.prefix))) << "the cause follows the prefix";
        }
        EXPECT_TRUE(SamePixels(picture, strip)) << c.prefix;
        EXPECT_EQ(progress.begins, progress.ends) << c.prefix;
    }
}

} // namespace
} // namespace vellum
