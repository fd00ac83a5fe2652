#include "raster/EffectsBitmap.h"

#include <cmath>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "BothPaths.h"
#include "EffectsTestSupport.h"
#include "PictureTestSupport.h"
#include "raster/ArrayObjects.h"
#include "raster/ColourMatch.h"

namespace vellum {
namespace {

using test::Effects;
using test::GradientPicture;
using test::ProgressLog;
using test::RandomPicture;
using test::SamePixels;

TEffectsBitmap solid(int width, int height, TColor colour)
{
    TEffectsBitmap picture(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            StorePixel(picture.ScanLine(y) + 3 * x, colour);
    return picture;
}

TEST(Effects, BrightnessOffsetsFollowTheIntegerRule)
{
    const std::vector<std::pair<int, int>> table{{100, 255}, {90, 230},  {50, 128},   {1, 3},     {0, 0},
                                                 {-1, -2},   {-50, -127}, {-90, -229}, {-100, -254}};
    for (const auto& [percent, offset] : table)
        EXPECT_EQ(BrightnessOffset(percent), offset) << percent;
}

TEST(Effects, PointEffectsOnKnownPixels)
{
    struct Case {
        const char* name;
        std::function<void(TEffectsBitmap&)> apply;
        TColor before;
        TColor after;
    };
    const std::vector<Case> cases{
        {"grey", [](TEffectsBitmap& p) { p.GreyScale(); }, RGBColor(255, 0, 1), RGBColor(85, 85, 85)},
        {"negative", [](TEffectsBitmap& p) { p.Negative(); }, RGBColor(0, 100, 255), RGBColor(255, 155, 0)},
        {"brighten 100", [](TEffectsBitmap& p) { p.Brighten(100); }, RGBColor(0, 0, 0), RGBColor(255, 255, 255)},
        {"brighten -100", [](TEffectsBitmap& p) { p.Brighten(-100); }, RGBColor(255, 255, 0), RGBColor(1, 1, 0)},
        {"brighten 50", [](TEffectsBitmap& p) { p.Brighten(50); }, RGBColor(10, 200, 127), RGBColor(138, 255, 255)},
        {"rgb", [](TEffectsBitmap& p) { p.AdjustRGB(50, -1, -100); }, RGBColor(10, 10, 200), RGBColor(138, 8, 0)},
        {"gamma 2", [](TEffectsBitmap& p) { p.GammaCorrect(2.0); }, RGBColor(64, 0, 255), RGBColor(128, 0, 255)},
        {"gamma 0", [](TEffectsBitmap& p) { p.GammaCorrect(0.0); }, RGBColor(64, 1, 255), RGBColor(0, 0, 0)},
        {"gamma -1", [](TEffectsBitmap& p) { p.GammaCorrect(-1.0); }, RGBColor(64, 1, 255), RGBColor(0, 0, 0)},
        {"gamma 0.5", [](TEffectsBitmap& p) { p.GammaCorrect(0.5); }, RGBColor(128, 0, 255), RGBColor(64, 0, 255)},
    };
    for (const Case& c : cases) {
        TEffectsBitmap picture = solid(3, 2, c.before);
        c.apply(picture);
        EXPECT_EQ(picture.PixelColour(2, 1), c.after) << c.name;
    }
}

TEST(Effects, NegativeTwiceRestoresEveryByte)
{
    const TXBitmap original = GradientPicture(13, 5);
    TEffectsBitmap picture = Effects(original);
    picture.Negative();
    EXPECT_FALSE(SamePixels(picture, original));
    picture.Negative();
    EXPECT_TRUE(SamePixels(picture, original));
}

TEST(Effects, ProgressCountsAndEarlyReturns)
{
    struct Case {
        const char* name;
        std::function<void(TEffectsBitmap&)> apply;
        int expectedSteps; // -1: no notification at all
    };
    constexpr int W = 7;
    constexpr int H = 4;
    const std::vector<Case> cases{
        {"grey", [](TEffectsBitmap& p) { p.GreyScale(); }, H},
        {"negative", [](TEffectsBitmap& p) { p.Negative(); }, H},
        {"brighten", [](TEffectsBitmap& p) { p.Brighten(5); }, H},
        {"brighten 0", [](TEffectsBitmap& p) { p.Brighten(0); }, -1},
        {"rgb 0 0 0", [](TEffectsBitmap& p) { p.AdjustRGB(0, 0, 0); }, H},
        {"gamma", [](TEffectsBitmap& p) { p.GammaCorrect(1.5); }, H},
        {"gamma 1", [](TEffectsBitmap& p) { p.GammaCorrect(1.0); }, -1},
        {"blur", [](TEffectsBitmap& p) { p.Blur(2.0); }, W + H},
        {"blur masked", [](TEffectsBitmap& p) { TBool2DArray m(W, H); p.Blur(2.0, &m); }, W + H},
        {"blur 0", [](TEffectsBitmap& p) { p.Blur(0.0); }, -1},
        {"blur negative", [](TEffectsBitmap& p) { p.Blur(-3.0); }, -1},
        {"replace", [](TEffectsBitmap& p) { p.ReplaceColour(clBlack, clWhite, 3); }, H},
        {"fill", [](TEffectsBitmap& p) { p.FloodFill(0, 0, 10, clBlack); }, -1},
    };
    const TXBitmap original = GradientPicture(W, H);
    for (const Case& c : cases) {
        TEffectsBitmap picture = Effects(original);
        ProgressLog log;
        log.attach(picture);
        c.apply(picture);
        if (c.expectedSteps < 0) {
            EXPECT_EQ(log.begins + log.steps + log.ends, 0) << c.name;
            if (std::string(c.name) != "fill") {
                EXPECT_TRUE(SamePixels(picture, original)) << c.name;
            }
        } else {
            EXPECT_EQ(log.begins, 1) << c.name;
            EXPECT_EQ(log.count, c.expectedSteps) << c.name;
            EXPECT_EQ(log.steps, c.expectedSteps) << c.name;
            EXPECT_EQ(log.ends, 1) << c.name;
        }
    }
}

TEST(Effects, ProgressStepsStayCompleteOnBothCores)
{
    // Large enough for the second thread; every step still arrives, between begin and end.
    TEffectsBitmap picture = RandomPicture(800, 600, 3);
    ProgressLog log;
    log.attach(picture);
    picture.Blur(1.5);
    EXPECT_EQ(log.steps, 800 + 600);
    picture.GreyScale();
    EXPECT_EQ(log.steps, 800 + 600 + 600);
    EXPECT_EQ(log.ends, 2);
}

// Every masked effect, and which of them may still change an unmasked pixel of a gradient.
const std::vector<std::pair<const char*, std::function<void(TEffectsBitmap&, const TBool2DArray*)>>>& maskedEffects()
{
    static const std::vector<std::pair<const char*, std::function<void(TEffectsBitmap&, const TBool2DArray*)>>> list{
        {"grey", [](TEffectsBitmap& p, const TBool2DArray* m) { p.GreyScale(m); }},
        {"negative", [](TEffectsBitmap& p, const TBool2DArray* m) { p.Negative(m); }},
        {"brighten", [](TEffectsBitmap& p, const TBool2DArray* m) { p.Brighten(40, m); }},
        {"rgb", [](TEffectsBitmap& p, const TBool2DArray* m) { p.AdjustRGB(30, -20, 10, m); }},
        {"gamma", [](TEffectsBitmap& p, const TBool2DArray* m) { p.GammaCorrect(0.7, m); }},
        {"blur", [](TEffectsBitmap& p, const TBool2DArray* m) { p.Blur(3.0, m); }},
    };
    return list;
}

TEST(Effects, MaskedPixelsAreLeftAlone)
{
    const TXBitmap original = GradientPicture(9, 6);
    TBool2DArray mask(9, 6);
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 9; ++x)
            mask.SetItem(x, y, (x + y) % 3 == 0);
    for (const auto& [name, apply] : maskedEffects()) {
        TEffectsBitmap picture = Effects(original);
        apply(picture, &mask);
        bool someChanged = false;
        for (int y = 0; y < 6; ++y)
            for (int x = 0; x < 9; ++x) {
                if (mask.GetItem(x, y)) {
                    EXPECT_EQ(picture.PixelColour(x, y), original.PixelColour(x, y)) << name << " at " << x << "," << y;
                } else {
                    someChanged = someChanged || picture.PixelColour(x, y) != original.PixelColour(x, y);
                }
            }
        EXPECT_TRUE(someChanged) << name;

        TBool2DArray all(9, 6);
        all.Fill(true);
        TEffectsBitmap untouched = Effects(original);
        apply(untouched, &all);
        EXPECT_TRUE(SamePixels(untouched, original)) << name;
    }
}

TEST(Effects, WholeRowsGiveWhatPixelByPixelGives)
{
    // Without a mask the effects work on whole rows (several channels at a time); an all-false
    // mask takes the pixel-by-pixel way. Both must agree, also on the row's last channels.
    const TEffectsBitmap original = RandomPicture(53, 7, 11);
    const TBool2DArray none(53, 7);
    for (const auto& [name, apply] : maskedEffects()) {
        TEffectsBitmap rows = original;
        TEffectsBitmap pixels = original;
        apply(rows, nullptr);
        apply(pixels, &none);
        EXPECT_TRUE(SamePixels(rows, pixels)) << name;
    }
    for (const auto& [r, g, b] : std::vector<std::tuple<int, int, int>>{{37, -55, 100}, {-100, 100, 0}, {120, -130, 5}}) {
        TEffectsBitmap rows = original;
        TEffectsBitmap pixels = original;
        rows.AdjustRGB(r, g, b);
        pixels.AdjustRGB(r, g, b, &none);
        EXPECT_TRUE(SamePixels(rows, pixels)) << r << "," << g << "," << b;
        // And against the rule itself, at the start of a row and at its last pixel.
        for (const auto& [x, y] : {std::pair{0, 0}, std::pair{5, 0}, std::pair{52, 6}}) {
            const TColor before = original.PixelColour(x, y);
            EXPECT_EQ(rows.PixelColour(x, y), RGBColor(std::clamp(GetRValue(before) + BrightnessOffset(r), 0, 255),
                                                       std::clamp(GetGValue(before) + BrightnessOffset(g), 0, 255),
                                                       std::clamp(GetBValue(before) + BrightnessOffset(b), 0, 255)));
        }
    }
}

TEST(Effects, ASmallMaskIsRefusedBeforeAnythingChanges)
{
    const TXBitmap original = GradientPicture(9, 6);
    const TBool2DArray small(9, 5);
    for (const auto& [name, apply] : maskedEffects()) {
        TEffectsBitmap picture = Effects(original);
        ProgressLog log;
        log.attach(picture);
        EXPECT_THROW(apply(picture, &small), EBool2DArrayError) << name;
        EXPECT_TRUE(SamePixels(picture, original)) << name;
        EXPECT_EQ(log.begins + log.steps + log.ends, 0) << name;
    }
}

TEST(Blur, KernelTrimming)
{
    const TBlurKernel tiny = MakeBlurKernel(0.1);
    EXPECT_EQ(tiny.Size, 1);
    EXPECT_LT(tiny.Weights[0], 1e-20);
    // The loop always takes at least one tap off: even the widest kernel has 79 taps.
    EXPECT_EQ(MakeBlurKernel(20).Size, 39);
    // Sizes grow with the radius and the weights are symmetric.
    int last = 0;
    for (const double radius : {0.5, 1.0, 2.0, 5.0, 10.0, 15.0}) {
        const TBlurKernel k = MakeBlurKernel(radius);
        EXPECT_GE(k.Size, last) << radius;
        last = k.Size;
        for (int n = 1; n <= k.Size; ++n)
            EXPECT_EQ(k.Weights[k.Size + n], k.Weights[k.Size - n]);
    }
    TEffectsBitmap picture = Effects(GradientPicture(6, 5));
    const TXBitmap before = picture;
    picture.Blur(0.1);
    EXPECT_TRUE(SamePixels(picture, before));
}

// Whether a + b is exact in double precision (the rounding error of the sum is zero).
bool exactSum(double a, double b)
{
    const double s = a + b;
    const double bb = s - a;
    return (a - (s - bb)) + (b - bb) == 0 && std::isfinite(s);
}

TEST(Blur, KernelsMarkedExactSumWithoutRoundingInEitherOrder)
{
    // Over the radii the program offers, a kernel marked exact in any order must not round
    // any product or partial sum, in the rule's order or with taps n and -n added first, for
    // channels at their largest and at random. Every kernel from radius 0.3 on qualifies; the
    // tiny side weights below about 0.2 do not.
    std::mt19937 random(7);
    std::uniform_int_distribution<int> channel(0, 255);
    EXPECT_FALSE(MakeBlurKernel(0.1).ExactInAnyOrder);
    for (int hundredths = 1; hundredths <= 2000; ++hundredths) {
        const double radius = hundredths / 100.0;
        const TBlurKernel kernel = MakeBlurKernel(radius);
        if (radius >= 0.3) {
            ASSERT_TRUE(kernel.ExactInAnyOrder) << radius;
        }
        if (!kernel.ExactInAnyOrder)
            continue;
        const int size = kernel.Size;
        const double* w = kernel.Weights.data() + size;
        std::vector<double> v(kernel.Weights.size());
        for (int trial = 0; trial < 40; ++trial) {
            for (double& c : v)
                c = trial == 0 ? 255 : channel(random);
            const double* t = v.data() + size;
            bool exact = true;
            double inOrder = 0;
            for (int n = -size; n <= size; ++n) {
                const double product = w[n] * t[n];
                exact = exact && std::fma(w[n], t[n], -product) == 0 && exactSum(inOrder, product);
                inOrder += product;
            }
            double paired = w[0] * t[0];
            exact = exact && std::fma(w[0], t[0], -paired) == 0;
            for (int n = 1; n <= size; ++n) {
                const double product = w[n] * (t[n] + t[-n]);
                exact = exact && std::fma(w[n], t[n] + t[-n], -product) == 0 && exactSum(paired, product);
                paired += product;
            }
            ASSERT_TRUE(exact) << "radius " << radius << ", trial " << trial;
            ASSERT_EQ(inOrder, paired) << "radius " << radius;
        }
    }
}

TEST(Blur, FlatAreasKeepTheirColourAtEveryRadius)
{
    for (const TColor colour : {clWhite, clBlack, RGBColor(1, 128, 254), RGBColor(77, 200, 13)}) {
        TEffectsBitmap picture = solid(9, 4, colour);
        for (int hundredths = 1; hundredths <= 2000; ++hundredths) {
            picture.Blur(hundredths / 100.0);
            ASSERT_EQ(picture.PixelColour(4, 2), colour) << "radius " << hundredths / 100.0;
            ASSERT_EQ(picture.PixelColour(0, 0), colour) << "radius " << hundredths / 100.0;
        }
    }
}

TEST(Blur, EdgesRepeatAndMaskedPixelsLendNothing)
{
    // A red dot between black pixels: blurred, it spreads; masked, it stays and nothing
    // spreads, since each neighbour uses its own colour in its place.
    TEffectsBitmap dot = solid(5, 1, clBlack);
    StorePixel(dot.ScanLine(0) + 6, RGBColor(255, 0, 0));
    TEffectsBitmap blurred = dot;
    blurred.Blur(1.0);
    EXPECT_GT(GetRValue(blurred.PixelColour(1, 0)), 0);
    EXPECT_LT(GetRValue(blurred.PixelColour(2, 0)), 255);

    TBool2DArray mask(5, 1);
    mask.SetItem(2, 0, true);
    TEffectsBitmap kept = dot;
    kept.Blur(1.0, &mask);
    EXPECT_TRUE(SamePixels(kept, dot));

    // A one-pixel-high picture blurred down its columns repeats its only row: unchanged there.
    TEffectsBitmap edge = Effects(GradientPicture(1, 1));
    const TXBitmap single = edge;
    edge.Blur(7.0);
    EXPECT_TRUE(SamePixels(edge, single));
}

TEST(Blur, FastPathEqualsThePixelByPixelRule)
{
    // The unmasked path sums whole rows at once, on two threads for large pictures; with an
    // all-false mask the pixel-by-pixel rule runs instead. Both must agree to the last bit, with
    // taps paired (radius 0.5 on) and in the rule's order (radius 0.15), with the rows widened
    // and summed by the vector code and by the portable code.
    test::OnBothPaths([&] {
        for (const auto& [width, height, radius] : std::vector<std::tuple<int, int, double>>{
                 {17, 11, 0.15}, {17, 11, 0.5}, {17, 11, 2.5}, {30, 3, 13.7}, {5, 40, 20.0}, {700, 520, 5.0},
                 // A dialog's preview at radius 20; rows of exactly one block plus one vector.
                 {230, 153, 20.0 * 230 / 6000}, {12, 9, 1.0}, {12, 9, 0.15}}) {
            // Pictures of only 0 and 255 as well: sums at both ends of the channel range.
            for (const int levels : {256, 2}) {
                TEffectsBitmap fast = RandomPicture(width, height, static_cast<unsigned>(width * height), levels);
                TEffectsBitmap exact = fast;
                const TBool2DArray none(width, height);
                fast.Blur(radius);
                exact.Blur(radius, &none);
                EXPECT_TRUE(SamePixels(fast, exact)) << width << "x" << height << " radius " << radius << ", " << levels
                                                     << " levels";
            }
        }
    });
}

// Grey scale and colour replacement work on groups of sixteen pixels where the processor has
// the instructions: widths on both sides of a group, pictures of 0 and 255 only (the largest
// sums) and of every level, on both paths, each pixel as the per-pixel rule has it.
TEST(Effects, GreyAndReplaceFollowThePixelRuleAtEveryWidth)
{
    test::OnBothPaths([] {
        for (const int width : {1, 15, 16, 17, 33, 47, 701})
            for (const int levels : {2, 7, 256}) {
                const TEffectsBitmap original = RandomPicture(width, 5, static_cast<unsigned>(width * levels), levels);
                TEffectsBitmap grey = original;
                grey.GreyScale();
                for (int y = 0; y < 5; ++y)
                    for (int x = 0; x < width; ++x) {
                        const std::uint8_t* p = original.ScanLine(y) + 3 * x;
                        const int level = (p[0] + p[1] + p[2]) / 3;
                        ASSERT_EQ(grey.PixelColour(x, y), RGBColor(level, level, level))
                            << "grey, width " << width << ", " << levels << " levels, at " << x << ", " << y;
                    }
                // Every tolerance edge: below 0 nothing, 255 and above everything.
                const TColor from = original.PixelColour(width / 2, 2);
                for (const int tolerance : {-1, 0, 1, 40, 254, 255, 300}) {
                    TEffectsBitmap replaced = original;
                    replaced.ReplaceColour(from, RGBColor(1, 2, 3), tolerance);
                    for (int y = 0; y < 5; ++y)
                        for (int x = 0; x < width; ++x) {
                            const TColor c = original.PixelColour(x, y);
                            const bool near = std::abs(GetRValue(c) - GetRValue(from)) <= tolerance
                                              && std::abs(GetGValue(c) - GetGValue(from)) <= tolerance
                                              && std::abs(GetBValue(c) - GetBValue(from)) <= tolerance;
                            ASSERT_EQ(replaced.PixelColour(x, y), near ? RGBColor(1, 2, 3) : c)
                                << "replace, tolerance " << tolerance << ", width " << width << ", " << levels
                                << " levels, at " << x << ", " << y;
                        }
                }
            }
    });
}

TEST(ReplaceColour, ToleranceIsPerChannel)
{
    TEffectsBitmap picture(4, 1);
    const TColor from = RGBColor(100, 100, 100);
    const std::vector<TColor> row{RGBColor(100, 100, 100), RGBColor(105, 95, 100), RGBColor(100, 106, 100),
                                  RGBColor(0, 0, 0)};
    for (int x = 0; x < 4; ++x)
        StorePixel(picture.ScanLine(0) + 3 * x, row[static_cast<std::size_t>(x)]);
    struct Case {
        int tolerance;
        std::vector<bool> replaced;
    };
    for (const Case& c : {Case{0, {true, false, false, false}}, Case{5, {true, true, false, false}},
                          Case{6, {true, true, true, false}}, Case{255, {true, true, true, true}}}) {
        TEffectsBitmap copy = picture;
        copy.ReplaceColour(from, clWhite, c.tolerance);
        TXBitmap plain = picture;
        ReplaceColour(plain, from, clWhite, c.tolerance);
        for (int x = 0; x < 4; ++x) {
            const TColor expected = c.replaced[static_cast<std::size_t>(x)] ? clWhite : row[static_cast<std::size_t>(x)];
            EXPECT_EQ(copy.PixelColour(x, 0), expected) << c.tolerance << " at " << x;
            EXPECT_EQ(plain.PixelColour(x, 0), expected) << c.tolerance << " at " << x;
        }
    }
}

// The fill as a stack of single pixels, tested against the seed colour: the set it paints is
// what a fill must paint.
std::vector<bool> referenceFill(const TXBitmap& picture, int sx, int sy, int tolerance)
{
    const int w = picture.Width();
    const int h = picture.Height();
    const TColor seed = picture.PixelColour(sx, sy);
    std::vector<bool> painted(static_cast<std::size_t>(w * h));
    std::vector<std::pair<int, int>> stack{{sx, sy}};
    while (!stack.empty()) {
        const auto [x, y] = stack.back();
        stack.pop_back();
        if (painted[static_cast<std::size_t>(y * w + x)])
            continue;
        painted[static_cast<std::size_t>(y * w + x)] = true;
        for (const auto& [nx, ny] : {std::pair{x - 1, y}, std::pair{x, y - 1}, std::pair{x + 1, y}, std::pair{x, y + 1}})
            if (nx >= 0 && ny >= 0 && nx < w && ny < h && !painted[static_cast<std::size_t>(ny * w + nx)]
                && WithinTolerance(tolerance, picture.PixelColour(nx, ny), seed))
                stack.push_back({nx, ny});
    }
    return painted;
}

TEST(FloodFill, PaintsTheFourConnectedRegionWithinToleranceOfTheSeed)
{
    // Pictures of few colours make large, twisted regions.
    for (unsigned seed = 1; seed <= 40; ++seed) {
        const TEffectsBitmap original = RandomPicture(23, 17, seed, 3);
        const int tolerance = static_cast<int>(seed % 4) * 60;
        const int sx = static_cast<int>(seed * 7 % 23);
        const int sy = static_cast<int>(seed * 5 % 17);
        const TColor fill = (seed % 2) ? RGBColor(1, 2, 3) : original.PixelColour(sx, sy);
        const std::vector<bool> expected = referenceFill(original, sx, sy, tolerance);
        TEffectsBitmap picture = original;
        picture.FloodFill(sx, sy, tolerance, fill);
        if (tolerance == 0 && SameColour(fill, original.PixelColour(sx, sy))) {
            EXPECT_TRUE(SamePixels(picture, original));
            continue;
        }
        for (int y = 0; y < 17; ++y)
            for (int x = 0; x < 23; ++x)
                ASSERT_EQ(picture.PixelColour(x, y),
                          expected[static_cast<std::size_t>(y * 23 + x)] ? fill : original.PixelColour(x, y))
                    << "seed " << seed << " at " << x << "," << y;
    }
}

TEST(FloodFill, ToleranceCountsFromTheSeedNotTheNeighbour)
{
    // Each pixel is 5 greener than the one before; tolerance 10 reaches two steps only.
    TEffectsBitmap chain(6, 1);
    for (int x = 0; x < 6; ++x)
        StorePixel(chain.ScanLine(0) + 3 * x, RGBColor(50, 50 + 5 * x, 50));
    chain.FloodFill(0, 0, 10, clWhite);
    EXPECT_EQ(chain.PixelColour(2, 0), clWhite);
    EXPECT_EQ(chain.PixelColour(3, 0), RGBColor(50, 65, 50));

    // Green 11 away stops the fill even with red and blue equal.
    TEffectsBitmap wall = solid(3, 1, RGBColor(50, 50, 50));
    StorePixel(wall.ScanLine(0) + 3, RGBColor(50, 61, 50));
    wall.FloodFill(0, 0, 10, clWhite);
    EXPECT_EQ(wall.PixelColour(1, 0), RGBColor(50, 61, 50));
    EXPECT_EQ(wall.PixelColour(2, 0), RGBColor(50, 50, 50));
}

TEST(FloodFill, CornersDoNotJoinAndWholePictureAtFullTolerance)
{
    // Two black pixels touching only at a corner.
    TEffectsBitmap diagonal = solid(2, 2, clWhite);
    StorePixel(diagonal.ScanLine(0), clBlack);
    StorePixel(diagonal.ScanLine(1) + 3, clBlack);
    diagonal.FloodFill(0, 0, 0, RGBColor(255, 0, 0));
    EXPECT_EQ(diagonal.PixelColour(0, 0), RGBColor(255, 0, 0));
    EXPECT_EQ(diagonal.PixelColour(1, 1), clBlack);

    TEffectsBitmap any = RandomPicture(12, 9, 99);
    any.FloodFill(5, 5, 255, RGBColor(9, 9, 9));
    EXPECT_TRUE(SamePixels(any, solid(12, 9, RGBColor(9, 9, 9))));

    // A fill colour within tolerance of the seed still ends, each pixel painted once.
    TEffectsBitmap near = solid(40, 30, RGBColor(100, 100, 100));
    near.FloodFill(3, 3, 5, RGBColor(102, 100, 100));
    EXPECT_TRUE(SamePixels(near, solid(40, 30, RGBColor(102, 100, 100))));
}

} // namespace
} // namespace vellum
