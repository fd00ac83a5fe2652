#include <array>
#include <random>

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

#include <gtest/gtest.h>

#include "clipboard/VLClipbrd.h"
#include "raster/BothPaths.h"
#include "raster/MaskRows.h"
#include "raster/RegionGrowth.h"
#include "raster/VectorPaths.h"
#include "selection/PicSelection.h"
#include "selection/SelectionTestSupport.h"
#include "selection/VLCompactSelection.h"

using namespace vellum;
using namespace vellum::test;

namespace {

const TColor Bg = RGBColor(1, 2, 3);

template <typename F>
QString errorOf(F&& f)
{
    try {
        f();
    } catch (const EPicSelectionError& e) {
        return e.message();
    }
    return QString();
}

// Pixels of the picture inside rect equal to the image's, rect at the image's size.
bool sameAsPart(const TXBitmap& picture, const QRect& rect, const TXBitmap& image)
{
    if (rect.width() != image.Width() || rect.height() != image.Height())
        return false;
    for (int y = 0; y < rect.height(); ++y)
        for (int x = 0; x < rect.width(); ++x)
            if (!SameColour(picture.PixelColour(rect.left() + x, rect.top() + y), image.PixelColour(x, y)))
                return false;
    return true;
}

const std::vector<std::string> Mixed{"RGBKW", "GBKWR", "BKWRG"};

// Random pixels of the eight colours whose channels are 0 or 255 (any one is frequent), white
// in the rows and columns outside inner, so that a white key trims them away.
TEffectsBitmap eightColours(int width, int height, unsigned seed, const QRect& inner)
{
    std::mt19937 random(seed);
    TEffectsBitmap picture(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if (inner.contains(x, y))
                StorePixel(picture.ScanLine(y) + 3 * x,
                           RGBColor(random() % 2 * 255, random() % 2 * 255, random() % 2 * 255));
    return picture;
}

using test::OnBothPaths;

} // namespace

TEST(RectPictureSelection, BandsAreNormalisedClampedAndLifted)
{
    struct Case {
        QRect band;
        QRect bounds;
    };
    const Case cases[] = {
        {QRect(1, 0, 2, 2), QRect(1, 0, 2, 2)},
        {QRect(4, 3, -3, -2), QRect(1, 1, 3, 2)}, // dragged up and left
        {QRect(3, -5, 10, 7), QRect(3, 0, 2, 2)}, // beyond the edges
    };
    for (const Case& c : cases) {
        const TEffectsBitmap original = Drawn(Mixed);
        TEffectsBitmap picture = original;
        TRectPictureSelection s(&picture, -1, Bg, c.band);
        EXPECT_EQ(s.Bounds, c.bounds);
        EXPECT_FALSE(s.HasMask());
        EXPECT_TRUE(sameAsPart(original, c.bounds, s.Image));
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 5; ++x)
                EXPECT_EQ(picture.PixelColour(x, y), c.bounds.contains(x, y) ? Bg : original.PixelColour(x, y));
    }
}

TEST(RectPictureSelection, EmptyBandIsRefusedAndPictureUntouched)
{
    const TEffectsBitmap original = Drawn(Mixed);
    TEffectsBitmap picture = original;
    EXPECT_EQ(errorOf([&] { TRectPictureSelection(&picture, -1, Bg, QRect(2, 1, 0, 3)); }),
              "There was an error creating selection. Invalid selection rectangle.");
    EXPECT_EQ(errorOf([&] { TRectPictureSelection(&picture, -1, Bg, QRect(7, 0, 3, 3)); }),
              "There was an error creating selection. Invalid selection rectangle.");
    EXPECT_TRUE(sameAsPart(original, picture.BoundsRect(), picture));
}

TEST(RectPictureSelection, TransparentColourTrimsToContentAndLiftsOnlyIt)
{
    struct Case {
        std::vector<std::string> picture;
        QRect bounds;
        std::vector<std::string> mask;
    };
    const Case cases[] = {
        {{"WWWWW", "WRGWW", "WWBWW", "WWWWW"}, QRect(1, 1, 2, 2), {"##", ".#"}},
        // Content one column wide is not trimmed.
        {{"WRW", "WGW", "WWW"}, QRect(0, 0, 3, 3), {".#.", ".#.", "..."}},
    };
    for (const Case& c : cases) {
        const TEffectsBitmap original = Drawn(c.picture);
        TEffectsBitmap picture = original;
        TRectPictureSelection s(&picture, clWhite, Bg, picture.BoundsRect());
        EXPECT_EQ(s.Bounds, c.bounds);
        EXPECT_TRUE(s.Transparent);
        EXPECT_EQ(MaskRows(s), c.mask);
        EXPECT_TRUE(KeyInvariantHolds(s));
        for (int y = 0; y < original.Height(); ++y)
            for (int x = 0; x < original.Width(); ++x) {
                const bool white = original.PixelColour(x, y) == clWhite;
                EXPECT_EQ(picture.PixelColour(x, y), white ? clWhite : Bg) << x << "," << y;
            }
    }
}

TEST(RectPictureSelection, LiftAndCommitFollowThePixelRulesOnLargerPictures)
{
    // Sizes across the 64-row bands and 16-entry blocks, odd widths; bands of the whole picture
    // (its pixel block changes hands) and of a part; plain and keyed; committed where lifted and
    // moved.
    const QRect parts[] = {QRect(0, 0, 1000, 1000), QRect(3, 2, 40, 90)};
    OnBothPaths([&] {
        for (const auto& [width, height] : {std::pair{67, 130}, std::pair{130, 67}, std::pair{31, 200}, std::pair{5, 3}}) {
            for (const QRect& part : parts)
                for (const TColor key : {TColor(-1), TColor(clWhite)})
                    for (const bool margin : {true, false})
                    for (const QPoint move : {QPoint(0, 0), QPoint(3, -2)}) {
                        SCOPED_TRACE(testing::Message() << width << "x" << height << " band " << part.x() << ","
                                                        << part.width() << " key " << key << " margin " << margin
                                                        << " move " << move.x());
                        const QRect band = part.intersected(QRect(0, 0, width, height));
                        // A white margin inside the band is trimmed away by the white key.
                        const TEffectsBitmap original = eightColours(width, height, static_cast<unsigned>(width + height),
                                                                     margin ? band.adjusted(2, 1, -1, -3) : band);
                        TEffectsBitmap picture = original;
                        TRectPictureSelection s(&picture, key, Bg, part);
                        // The box the key trims to: the band's non-key pixels', unless they lie
                        // in one row or column or there are none.
                        QRect box;
                        for (int y = band.top(); y <= band.bottom(); ++y)
                            for (int x = band.left(); x <= band.right(); ++x)
                                if (key < 0 || original.PixelColour(x, y) != key)
                                    box |= QRect(x, y, 1, 1);
                        if (box.width() < 2 || box.height() < 2)
                            box = band;
                        ASSERT_EQ(s.Bounds, box);
                        ASSERT_EQ(s.HasMask(), key >= 0);
                        EXPECT_TRUE(sameAsPart(original, box, s.Image));
                        EXPECT_TRUE(KeyInvariantHolds(s));
                        for (int y = 0; y < height; ++y)
                            for (int x = 0; x < width; ++x) {
                                const bool lifted = box.contains(x, y) && (key < 0 || original.PixelColour(x, y) != key);
                                ASSERT_EQ(picture.PixelColour(x, y), lifted ? Bg : original.PixelColour(x, y)) << x << "," << y;
                            }
                        // The picture may change under a floating selection: what its
                        // transparent places show then is the changed picture.
                        for (int y = 0; y < height; y += 3)
                            FillPixels(picture.ScanLine(y), width, std::array<std::uint8_t, 3>{7, 8, 9}.data());
                        const TEffectsBitmap lifted = picture;
                        const TEffectsBitmap image = s.Image;
                        s.OffsetBy(move.x(), move.y());
                        s.Commit();
                        EXPECT_TRUE(s.Image.Empty());
                        for (int y = 0; y < height; ++y)
                            for (int x = 0; x < width; ++x) {
                                const QPoint at = QPoint(x, y) - box.topLeft() - move;
                                const bool drawn = image.BoundsRect().contains(at)
                                                   && (key < 0 || image.PixelColour(at.x(), at.y()) != key);
                                ASSERT_EQ(picture.PixelColour(x, y),
                                          drawn ? image.PixelColour(at.x(), at.y()) : lifted.PixelColour(x, y))
                                    << x << "," << y;
                            }
                    }
        }
    });
}

TEST(FreehandPictureSelection, SquarePathLiftsItsInsideWithTheLowestUnusedKey)
{
    struct Case {
        std::vector<std::string> picture;
        TColor key;
    };
    const Case cases[] = {
        {{"WWWWWW", "WWWWWW", "WWWWWW", "WWWWWW", "WWWWWW"}, clBlack},
        // Black in the picture: the key is red 1 and the marker black pixels still lift.
        {{"WWWWWW", "WWKWWW", "WWWWWW", "WWWWWW", "WWWWWW"}, RGBColor(1, 0, 0)},
    };
    for (const Case& c : cases) {
        const TEffectsBitmap original = Drawn(c.picture);
        TEffectsBitmap picture = original;
        TFreehandPoints points;
        for (const QPoint p : {QPoint(1, 1), QPoint(4, 1), QPoint(4, 4), QPoint(1, 4)})
            points.Add(p);
        TFreehandPictureSelection s(&picture, -1, Bg, points);
        EXPECT_EQ(s.Bounds, QRect(1, 1, 3, 3));
        EXPECT_EQ(s.TransparentColour, c.key);
        EXPECT_TRUE(s.Shaped);
        EXPECT_FALSE(s.Transparent);
        EXPECT_EQ(MaskRows(s), std::vector<std::string>({"###", "###", "###"}));
        EXPECT_TRUE(sameAsPart(original, s.Bounds, s.Image));
        EXPECT_EQ(points.First(), QPoint(0, 0)); // shifted into the selection's coordinates
        EXPECT_EQ(picture.PixelColour(2, 2), Bg);
        EXPECT_EQ(picture.PixelColour(4, 4), clWhite);
    }
}

TEST(FreehandPictureSelection, PathAlongTheLastColumnFindsAKey)
{
    const TEffectsBitmap original = Drawn({"RRRRR", "RRRRR", "RRRRR", "RRRRR"});
    TEffectsBitmap picture = original;
    TFreehandPoints points;
    for (const QPoint p : {QPoint(4, 0), QPoint(5, 0), QPoint(5, 4), QPoint(4, 4)})
        points.Add(p);
    TFreehandPictureSelection s(&picture, -1, Bg, points);
    EXPECT_EQ(s.Bounds, QRect(4, 0, 1, 4));
    EXPECT_EQ(s.TransparentColour, clBlack);
    EXPECT_EQ(MaskRows(s), std::vector<std::string>({"#", "#", "#", "#"}));
    EXPECT_EQ(picture.PixelColour(4, 3), Bg);
    EXPECT_EQ(picture.PixelColour(3, 3), original.PixelColour(3, 3));
}

TEST(FreehandPictureSelection, NoPointsIsRefused)
{
    TEffectsBitmap picture = Drawn(Mixed);
    TFreehandPoints points;
    EXPECT_EQ(errorOf([&] { TFreehandPictureSelection(&picture, -1, Bg, points); }),
              "There was an error creating selection. Invalid selection points.");
}

TEST(MagicWandPictureSelection, RegionIsTheFloodFillRegion)
{
    const TEffectsBitmap original = Drawn({"GGRGG", "GgRGK", "RRRgG", "GGWGG"});
    struct Case {
        QPoint seed;
        int tolerance;
    };
    const Case cases[] = {{{0, 0}, 10}, {{0, 0}, 0}, {{4, 0}, 10}, {{2, 0}, 0}, {{0, 3}, 255}};
    const TColor paint = RGBColor(9, 9, 9);
    for (const Case& c : cases) {
        TEffectsBitmap filled = original;
        filled.FloodFill(c.seed.x(), c.seed.y(), c.tolerance, paint);
        TEffectsBitmap picture = original;
        TMagicWandPictureSelection s(&picture, Bg, c.tolerance, c.seed);
        EXPECT_TRUE(s.Shaped);
        EXPECT_FALSE(s.Transparent);
        EXPECT_TRUE(KeyInvariantHolds(s));
        for (int y = 0; y < original.Height(); ++y)
            for (int x = 0; x < original.Width(); ++x) {
                const bool inRegion = filled.PixelColour(x, y) == paint;
                EXPECT_EQ(s.HitTest(x, y) && !s.Mask->GetItem(x - s.Bounds.left(), y - s.Bounds.top()), inRegion)
                    << c.seed.x() << "," << c.seed.y() << " at " << x << "," << y;
                EXPECT_EQ(picture.PixelColour(x, y), inRegion ? Bg : original.PixelColour(x, y));
                if (inRegion) {
                    EXPECT_EQ(s.Image.PixelColour(x - s.Bounds.left(), y - s.Bounds.top()), original.PixelColour(x, y));
                }
            }
    }
}

TEST(MagicWandPictureSelection, ImageMaskAndLiftFollowTheRegionOnLargerPictures)
{
    OnBothPaths([] {
        for (const auto& [width, height] : {std::pair{67, 130}, std::pair{130, 67}, std::pair{33, 70}}) {
            const TEffectsBitmap original = eightColours(width, height, static_cast<unsigned>(width), QRect(0, 0, width, height));
            for (const QPoint seed : {QPoint(0, 0), QPoint(width / 2, height / 2), QPoint(width - 1, height - 1)}) {
                SCOPED_TRACE(testing::Message() << width << "x" << height << " seed " << seed.x() << "," << seed.y());
                TEffectsBitmap copy = original;
                TByte2DArray region;
                const QRect box = GrowRegion(copy, seed.x(), seed.y(), 0, region, {});
                TEffectsBitmap picture = original;
                TMagicWandPictureSelection s(&picture, Bg, 0, seed);
                ASSERT_EQ(s.Bounds, box);
                EXPECT_TRUE(KeyInvariantHolds(s));
                for (int y = 0; y < height; ++y)
                    for (int x = 0; x < width; ++x) {
                        const bool joined = region.Column(y)[x] != 0;
                        ASSERT_EQ(picture.PixelColour(x, y), joined ? Bg : original.PixelColour(x, y)) << x << "," << y;
                        if (!box.contains(x, y))
                            continue;
                        const int ix = x - box.left(), iy = y - box.top();
                        ASSERT_EQ(s.Mask->GetItem(ix, iy), !joined) << x << "," << y;
                        ASSERT_EQ(s.Image.PixelColour(ix, iy), joined ? original.PixelColour(x, y) : s.TransparentColour)
                            << x << "," << y;
                    }
                s.Commit();
                EXPECT_TRUE(sameAsPart(original, original.BoundsRect(), picture));
            }
        }
    });
}

TEST(MagicWandPictureSelection, OnePixelRegionsAtTheEdgeFindAKey)
{
    struct Case {
        std::vector<std::string> picture;
        QPoint seed;
        QRect bounds;
    };
    const Case cases[] = {
        {{"RRG", "RRG", "RRG"}, {2, 1}, QRect(2, 0, 1, 3)}, // last column
        {{"RRR", "RRR", "GGG"}, {0, 2}, QRect(0, 2, 3, 1)}, // last row
        {{"RGB"}, {1, 0}, QRect(1, 0, 1, 1)},               // one pixel high
        {{"R", "R", "G"}, {0, 0}, QRect(0, 0, 1, 2)},       // one pixel wide
    };
    for (const Case& c : cases) {
        TEffectsBitmap picture = Drawn(c.picture);
        TMagicWandPictureSelection s(&picture, Bg, 0, c.seed);
        EXPECT_EQ(s.Bounds, c.bounds);
        EXPECT_EQ(s.TransparentColour, clBlack);
        EXPECT_EQ(picture.PixelColour(c.seed.x(), c.seed.y()), Bg);
    }
}

TEST(MagicWandPictureSelection, OneColourPictureIsSelectedWhole)
{
    TEffectsBitmap picture = Drawn({"GGG", "GGG"});
    TMagicWandPictureSelection s(&picture, Bg, 0, {1, 1});
    EXPECT_EQ(s.Bounds, QRect(0, 0, 3, 2));
    EXPECT_EQ(MaskRows(s), std::vector<std::string>({"###", "###"}));
    EXPECT_EQ(picture.PixelColour(0, 0), Bg);
    EXPECT_EQ(picture.PixelColour(2, 1), Bg);
}

TEST(PictureSelection, InvalidInputsGiveTheirMessagesAndLeaveThePicture)
{
    const TEffectsBitmap original = Drawn(Mixed);
    TEffectsBitmap picture = original;
    TEffectsBitmap empty;
    const TXBitmap none;
    struct Case {
        std::function<void()> make;
        QString message;
    };
    const Case cases[] = {
        {[&] { TMagicWandPictureSelection(&picture, Bg, 0, {5, 0}); },
         "There was an error creating selection. Invalid MagicWand start point."},
        {[&] { TBitmapPictureSelection(&picture, -1, {0, 0}, nullptr); },
         "There was an error creating selection. Picture is invalid"},
        {[&] { TBitmapPictureSelection(&picture, -1, {0, 0}, &none); },
         "There was an error creating selection. Picture is invalid"},
        {[&] { TBitmapPictureSelection(&picture, -1, {0, 0}, TXBitmap()); },
         "There was an error creating selection. Picture is invalid"},
        {[&] { TRectPictureSelection(&empty, -1, Bg, QRect(0, 0, 1, 1)); },
         "There was an error creating selection. Parent Bitmap is invalid"},
        {[&] { TRectPictureSelection(nullptr, -1, Bg, QRect(0, 0, 1, 1)); },
         "There was an error creating selection. Parent Bitmap is invalid"},
        {[&] { TVLCompactSelection(nullptr); }, "Invalid Picture Selection"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(errorOf(c.make), c.message);
    EXPECT_TRUE(sameAsPart(original, picture.BoundsRect(), picture));
}

TEST(BitmapPictureSelection, TakesOrCopiesThePictureAndLeavesTheParent)
{
    const TEffectsBitmap original = Drawn(Mixed);
    for (const bool take : {false, true}) {
        for (const TColor key : {TColor(-1), clWhite}) {
            SCOPED_TRACE(std::string(take ? "taken" : "copied") + (key >= 0 ? ", keyed" : ""));
            TEffectsBitmap picture = original;
            TXBitmap piece = Drawn({"WRW", "RGW"});
            const TXBitmap expected = piece;
            std::unique_ptr<TBitmapPictureSelection> s =
                take ? std::make_unique<TBitmapPictureSelection>(&picture, key, QPoint(-1, 2), std::move(piece))
                     : std::make_unique<TBitmapPictureSelection>(&picture, key, QPoint(-1, 2), &piece);
            EXPECT_TRUE(sameAsPart(original, picture.BoundsRect(), picture));
            EXPECT_EQ(s->HasMask(), key >= 0);
            if (key >= 0) {
                // Cut to its opaque pixels: the white last column goes.
                EXPECT_EQ(s->Bounds, QRect(-1, 2, 2, 2));
                EXPECT_EQ(MaskRows(*s), std::vector<std::string>({".#", "##"}));
            } else {
                EXPECT_EQ(s->Bounds, QRect(-1, 2, 3, 2));
                EXPECT_TRUE(sameAsPart(expected, expected.BoundsRect(), s->Image));
            }
        }
    }
}

TEST(PictureSelection, ShapedSelectionIsGrabbedOnePixelOutsideOnlyAtLowZoom)
{
    TEffectsBitmap picture = Drawn({"GWW", "GWW", "GGW"});
    TMagicWandPictureSelection s(&picture, Bg, 0, {0, 0});
    ASSERT_EQ(MaskRows(s), std::vector<std::string>({"#.", "#.", "##"}));
    struct Case {
        int zoom;
        QPoint point;
        bool hit;
    };
    const Case cases[] = {
        {-1, {1, 0}, true}, {1, {1, 0}, true},  {1, {1, 1}, true},  {2, {1, 1}, true},  {1, {2, 0}, false},
        {3, {1, 0}, false}, {3, {1, 1}, false}, {3, {0, 1}, true},  {3, {1, 2}, true},  {1, {-1, 0}, false},
    };
    for (const Case& c : cases) {
        s.OutlineZoom = c.zoom;
        EXPECT_EQ(s.HitTest(c.point.x(), c.point.y()), c.hit) << c.zoom << ": " << c.point.x() << "," << c.point.y();
    }
}

TEST(PictureSelection, EffectsKeepTheKeyInvariant)
{
    struct Case {
        const char* name;
        std::function<void(TPictureSelection&)> apply;
    };
    const Case cases[] = {
        {"grey", [](TPictureSelection& s) { s.GreyScale(); }},
        {"negative", [](TPictureSelection& s) { s.Negative(); }},
        {"flip", [](TPictureSelection& s) { s.Flip(); }},
        {"mirror", [](TPictureSelection& s) { s.Mirror(); }},
        {"brighten", [](TPictureSelection& s) { s.Brighten(40); }},
        {"gamma", [](TPictureSelection& s) { s.GammaCorrect(2.2); }},
        {"blur", [](TPictureSelection& s) { s.Blur(1.5); }},
        {"rgb", [](TPictureSelection& s) { s.AdjustRGB(10, -20, 30); }},
        {"rotate", [](TPictureSelection& s) { s.Rotate(30); }},
    };
    for (const Case& c : cases) {
        // A shape whose key (black) lies next to pixels the effects turn black or grey.
        TEffectsBitmap picture = Drawn({"KRRWK", "RGBRW", "RRRRW", "WRWWW"});
        TMagicWandPictureSelection s(&picture, Bg, 255 - 56, {1, 0});
        ASSERT_TRUE(s.HasMask());
        c.apply(s);
        EXPECT_TRUE(KeyInvariantHolds(s)) << c.name;
    }
}

TEST(PictureSelection, EffectsOnMaskedSelectionsFollowTheirRules)
{
    TEffectsBitmap picture = Drawn({"WRW", "RGR", "WRW"});
    TRectPictureSelection s(&picture, clWhite, Bg, picture.BoundsRect());
    const std::vector<std::string> shape = MaskRows(s);
    s.GreyScale();
    EXPECT_EQ(s.TransparentColour, RGBColor(255, 0, 0));
    EXPECT_EQ(MaskRows(s), shape);
    EXPECT_EQ(s.Image.PixelColour(1, 1), RGBColor(66, 66, 66));
    const TXBitmap grey = s.Image;
    s.Negative();
    EXPECT_EQ(s.TransparentColour, RGBColor(0, 255, 255));
    s.Negative();
    EXPECT_EQ(s.TransparentColour, RGBColor(255, 0, 0));
    EXPECT_TRUE(sameAsPart(grey, grey.BoundsRect(), s.Image));
}

TEST(PictureSelection, RotatingAPlainSelectionMakesItShaped)
{
    TEffectsBitmap picture = Drawn({"RGB", "GBR"});
    TRectPictureSelection s(&picture, -1, Bg, picture.BoundsRect());
    s.Rotate(90);
    EXPECT_TRUE(s.Shaped);
    ASSERT_TRUE(s.HasMask());
    EXPECT_EQ(s.Bounds, QRect(0, 0, 2, 3));
    EXPECT_EQ(MaskRows(s), std::vector<std::string>({"##", "##", "##"}));
    EXPECT_TRUE(KeyInvariantHolds(s));
    s.Rotate(0); // no-op
    EXPECT_EQ(s.Bounds, QRect(0, 0, 2, 3));
}

TEST(PictureSelection, CommitDrawsOpaquePixelsAtTheCurrentPlaceClipped)
{
    struct Case {
        QPoint moveTo;
        std::vector<std::string> after;
    };
    const Case cases[] = {
        {{0, 0}, {"WRW", "RGR", "WRW"}},
        {{1, 1}, {"WKW", "KKR", "WRG"}},
        {{-2, 0}, {"WKW", "RKK", "WKW"}},
        {{3, 0}, {"WKW", "KKK", "WKW"}}, // wholly off the picture: only the lifted places show
    };
    for (const Case& c : cases) {
        TEffectsBitmap picture = Drawn({"WRW", "RGR", "WRW"});
        TRectPictureSelection s(&picture, clWhite, clBlack, picture.BoundsRect());
        s.MoveTo(c.moveTo.x(), c.moveTo.y());
        s.Commit();
        const TEffectsBitmap expected = Drawn(c.after);
        EXPECT_TRUE(sameAsPart(expected, expected.BoundsRect(), picture)) << c.moveTo.x() << "," << c.moveTo.y();
    }
}

TEST(PictureSelection, SnapshotRoundTripRestoresImagePlaceAndShape)
{
    for (const TColor transparent : {TColor(-1), TColor(clWhite)}) {
        TEffectsBitmap picture = Drawn({"WWWW", "WRGW", "WBWW"});
        TRectPictureSelection s(&picture, transparent, Bg, picture.BoundsRect());
        s.OffsetBy(2, -1);
        const TVLCompactSelection snapshot(&s);
        EXPECT_EQ(snapshot.ByteSize(), 3u * s.Image.Width() * s.Image.Height());
        TPictureSelection restored(&picture);
        restored.RestoreFrom(snapshot.Bitmap(), QPoint(snapshot.Left, snapshot.Top), snapshot.TransparentColour);
        EXPECT_EQ(restored.Bounds, s.Bounds);
        EXPECT_EQ(restored.HasMask(), s.HasMask());
        EXPECT_EQ(MaskRows(restored), MaskRows(s));
        EXPECT_TRUE(sameAsPart(s.Image, s.Image.BoundsRect(), restored.Image));
        EXPECT_TRUE(KeyInvariantHolds(restored));
    }
}

TEST(PictureSelection, ARestoreThatFailsLeavesTheSelectionWhole)
{
    // An image it cannot take (an empty one, as from a snapshot of nothing), plain or keyed.
    for (const TColor colour : {TColor(-1), TColor(clWhite)}) {
        TEffectsBitmap picture = Drawn({"GWW", "GWW", "GGW"});
        TMagicWandPictureSelection s(&picture, Bg, 0, {0, 0});
        s.OffsetBy(1, 1);
        const QRect bounds = s.Bounds;
        const std::vector<std::string> mask = MaskRows(s);
        const TXBitmap image = s.Image;
        EXPECT_THROW(s.RestoreFrom(TXBitmap(), QPoint(5, 5), colour), EPicSelectionError) << colour;
        EXPECT_EQ(s.Bounds, bounds) << colour;
        EXPECT_TRUE(s.Shaped) << colour;
        EXPECT_EQ(MaskRows(s), mask) << colour;
        EXPECT_TRUE(sameAsPart(image, image.BoundsRect(), s.Image)) << colour;
        EXPECT_TRUE(KeyInvariantHolds(s)) << colour;
    }
}

TEST(PictureSelection, AssignCopiesIntoAPlainSelection)
{
    TEffectsBitmap picture = Drawn({"GWW", "GWW", "GGW"});
    TMagicWandPictureSelection wand(&picture, Bg, 0, {0, 0});
    TPictureSelection copy(&picture);
    copy.Assign(&wand);
    EXPECT_EQ(copy.Bounds, wand.Bounds);
    EXPECT_TRUE(copy.Shaped);
    EXPECT_EQ(MaskRows(copy), MaskRows(wand));
    copy.Assign(nullptr);
    EXPECT_EQ(copy.Bounds, wand.Bounds);
}

TEST(PictureSelection, DrawImagePutsTheVisiblePartAtItsPlace)
{
    TEffectsBitmap picture = Drawn({"WRW", "RGR", "WRW"});
    TRectPictureSelection s(&picture, clWhite, clBlack, picture.BoundsRect());
    TXBitmap view = Drawn({"KK", "KK"}); // shows picture rectangle (1, 1, 2, 2)
    s.DrawImage(QRect(1, 1, 2, 2), view);
    EXPECT_EQ(view.PixelColour(0, 0), Drawn({"G"}).PixelColour(0, 0));
    EXPECT_EQ(view.PixelColour(1, 0), Drawn({"R"}).PixelColour(0, 0));
    EXPECT_EQ(view.PixelColour(1, 1), clBlack); // transparent corner left alone
}

TEST(PictureSelection, AntStepsRaiseOnChangeAndAdvanceThePhase)
{
    TEffectsBitmap picture = Drawn(Mixed);
    TRectPictureSelection s(&picture, -1, Bg, QRect(0, 0, 2, 2));
    int changes = 0;
    s.OnChange = [&](TPictureSelection*) { ++changes; };
    s.StartAnts(true);
    EXPECT_TRUE(s.AntsRunning());
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(s.AntPhase, 1);
    for (int i = 0; i < 5; ++i)
        s.AntStep();
    EXPECT_EQ(s.AntPhase, 0);
    s.StopAnts();
    EXPECT_FALSE(s.AntsRunning());
}

TEST(PictureSelection, CopyToClipboardTagsMaskedSelectionsWithTheirKey)
{
    TEffectsBitmap picture = Drawn({"WRW", "RGR", "WRW"});
    {
        TRectPictureSelection plain(&picture, -1, Bg, QRect(0, 0, 2, 2));
        EXPECT_FALSE(plain.CopyToClipboard()); // no store
    }
    TVLClipboard store(1034);
    struct Case {
        TColor transparent;
        std::int32_t tag;
    };
    for (const Case c : {Case{-1, -1}, Case{clWhite, clWhite}}) {
        TEffectsBitmap p = Drawn({"WRW", "RGR", "WRW"});
        TRectPictureSelection s(&p, c.transparent, Bg, p.BoundsRect());
        ASSERT_TRUE(s.CopyToClipboard());
        TXBitmap pasted;
        std::int32_t tag = 0;
        store.PastePicture(&pasted, tag);
        EXPECT_EQ(tag, c.tag);
        EXPECT_TRUE(sameAsPart(s.Image, s.Image.BoundsRect(), pasted));
    }
}

// A store whose writes the window system refuses.
class RefusingStore : public TVLClipboard {
public:
    RefusingStore() : TVLClipboard(1034) {}

protected:
    bool setClipboardData(std::unique_ptr<QMimeData>) override { return false; }
};

TEST(PictureSelection, CopyToClipboardReportsARefusedWrite)
{
    QGuiApplication::clipboard()->clear();
    RefusingStore store;
    TEffectsBitmap p = Drawn({"WRW", "RGR", "WRW"});
    TRectPictureSelection s(&p, -1, Bg, p.BoundsRect());
    EXPECT_FALSE(s.CopyToClipboard());
    EXPECT_FALSE(store.HasPicture());
}
