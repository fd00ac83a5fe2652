#include "print/PrintPreviewBitmap.h"

#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include <gtest/gtest.h>

namespace vellum {
namespace {

std::vector<std::uint8_t> pixels(const TXBitmap& picture)
{
    std::vector<std::uint8_t> bytes;
    for (int y = 0; y < picture.Height(); ++y)
        bytes.insert(bytes.end(), picture.ScanLine(y), picture.ScanLine(y) + 3 * picture.Width());
    return bytes;
}

void fillNoise(TXBitmap& picture, unsigned seed)
{
    std::mt19937 random(seed);
    for (int y = 0; y < picture.Height(); ++y)
        for (int x = 0; x < 3 * picture.Width(); ++x)
            picture.ScanLine(y)[x] = std::uint8_t(random());
}

const TFrameEdges Frame{10, 20, 60, 50}; // 50 x 30; handle size 7: bands 7 wide, middles at 35

TEST(SelectRectBitmap, HitTestZonesAtTheBandEdges)
{
    TSelectRectBitmap image(7);
    image.SetSize(100, 80);
    image.SetFrameRect(Frame);
    struct Case {
        int x, y, zone;
    };
    const Case cases[] = {
        {10, 20, 1}, {16, 26, 1}, {17, 20, 9}, {10, 27, 9}, {9, 20, 0},  {10, 19, 0},
        {33, 20, 2}, {38, 26, 2}, {32, 20, 9}, {39, 26, 9}, {38, 27, 9},
        {59, 20, 3}, {53, 26, 3}, {52, 26, 9}, {60, 20, 0},
        {10, 33, 4}, {16, 38, 4}, {10, 32, 9}, {10, 39, 9},
        {59, 33, 5}, {53, 38, 5}, {60, 35, 0},
        {10, 49, 6}, {16, 43, 6}, {10, 42, 9}, {10, 50, 0},
        {33, 49, 7}, {38, 43, 7}, {35, 42, 9},
        {59, 49, 8}, {53, 43, 8}, {59, 50, 0},
        {35, 35, 9}, {30, 20, 9}, {59, 30, 9},
    };
    for (const Case& c : cases)
        EXPECT_EQ(image.HitTest(c.x, c.y), c.zone) << c.x << ", " << c.y;
    // No frame yet: nothing is inside.
    TSelectRectBitmap fresh(7);
    fresh.SetSize(20, 20);
    EXPECT_EQ(fresh.HitTest(0, 0), 0);
}

TEST(SelectRectBitmap, ZoneCursors)
{
    const Qt::CursorShape expected[] = {Qt::ArrowCursor,   Qt::SizeFDiagCursor, Qt::SizeVerCursor, Qt::SizeBDiagCursor,
                                        Qt::SizeHorCursor, Qt::SizeHorCursor,   Qt::SizeBDiagCursor, Qt::SizeVerCursor,
                                        Qt::SizeFDiagCursor, Qt::SizeAllCursor};
    for (int zone = 0; zone <= 9; ++zone)
        EXPECT_EQ(ZoneCursor(zone), expected[zone]) << zone;
}

TEST(SelectRectBitmap, DrawingInvertsTheOutlineAndHandlesOnceAndTwiceRestores)
{
    struct Case {
        TFrameEdges frame;
    };
    // Inside, reaching over the picture's edges, and smaller than the handles.
    const Case cases[] = {{Frame}, {{-5, -8, 30, 25}}, {{70, 60, 110, 95}}, {{40, 40, 44, 43}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.frame.Left << "," << c.frame.Top);
        TSelectRectBitmap image(7);
        image.SetSize(100, 80);
        fillNoise(image, 7);
        const std::vector<std::uint8_t> before = pixels(image);
        image.SetFrameRect(c.frame);
        image.DrawFrame();
        const std::vector<std::uint8_t> once = pixels(image);
        const TFrameEdges& f = c.frame;
        for (int y = 0; y < 80; ++y) {
            for (int x = 0; x < 100; ++x) {
                const bool inFrame = x >= f.Left && x < f.Right && y >= f.Top && y < f.Bottom;
                const bool outline = inFrame && (x == f.Left || x == f.Right - 1 || y == f.Top || y == f.Bottom - 1);
                bool handle = false;
                for (int zone = 1; zone <= 8; ++zone)
                    handle = handle || image.HandleRect(zone).contains(x, y);
                for (int k = 0; k < 3; ++k) {
                    const std::size_t i = std::size_t(3 * (y * 100 + x) + k);
                    const int expected = outline || handle ? 255 - before[i] : before[i];
                    ASSERT_EQ(once[i], expected) << x << ", " << y;
                }
            }
        }
        image.DrawFrame();
        EXPECT_EQ(pixels(image), before);
    }
}

TEST(SelectRectBitmap, SettersNeverTurnTheFrameInsideOut)
{
    struct Case {
        const char* what;
        std::function<void(TSelectRectBitmap&)> set;
        TFrameEdges expected;
    };
    const Case cases[] = {
        {"top below bottom", [](auto& b) { b.SetTop(70); }, {10, 50, 60, 50}},
        {"left past right", [](auto& b) { b.SetLeft(100); }, {60, 20, 60, 50}},
        {"right before left", [](auto& b) { b.SetRight(0); }, {10, 20, 10, 50}},
        {"bottom above top", [](auto& b) { b.SetBottom(0); }, {10, 20, 60, 20}},
        {"top-left past the opposite corner", [](auto& b) { b.SetTopLeft(100, 100); }, {60, 50, 60, 50}},
        {"top-right", [](auto& b) { b.SetTopRight(0, 0); }, {10, 0, 10, 50}},
        {"bottom-left", [](auto& b) { b.SetBottomLeft(5, 60); }, {5, 20, 60, 60}},
        {"bottom-right", [](auto& b) { b.SetBottomRight(70, 0); }, {10, 20, 70, 20}},
        {"move keeps the size", [](auto& b) { b.MoveTo(-3, 4); }, {-3, 4, 47, 34}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TSelectRectBitmap image(7);
        image.SetSize(100, 80);
        image.SetFrameRect(Frame);
        c.set(image);
        EXPECT_EQ(image.FrameRect(), c.expected);
        EXPECT_TRUE(image.Changed());
    }
}

TEST(SelectRectBitmap, AShownFrameMovesWithoutTraceAndReportsEachChange)
{
    TSelectRectBitmap image(7);
    image.SetSize(100, 80);
    fillNoise(image, 3);
    const std::vector<std::uint8_t> clean = pixels(image);
    image.SetFrameRect(Frame);
    std::vector<bool> reports;
    image.OnChange = [&](TSelectRectBitmap* sender, bool shown) {
        EXPECT_EQ(sender, &image);
        reports.push_back(shown);
    };
    image.ShowFrame(true);
    image.ShowFrame(true); // no change, no report
    image.MoveTo(30, 30);
    image.MoveTo(30, 30); // the same frame: nothing happens
    EXPECT_EQ(reports, (std::vector<bool>{true, true}));

    // The picture shows the frame at its new place only.
    TSelectRectBitmap expected(7);
    expected.SetSize(100, 80);
    fillNoise(expected, 3);
    expected.SetFrameRect({30, 30, 80, 60});
    expected.DrawFrame();
    EXPECT_EQ(pixels(image), pixels(expected));

    image.SetChanged(false);
    image.ShowFrame(false);
    EXPECT_EQ(reports.back(), true);
    EXPECT_FALSE(image.Changed());
    EXPECT_EQ(pixels(image), clean);
}

// The page image with its printable rectangle (5, 5) - (95, 75).
TPrintPreviewBitmap pageImage(bool keepAspect)
{
    TPrintPreviewBitmap image;
    image.SetSize(100, 80);
    image.SetPrintRect(5, 5, 95, 75);
    image.SetFrameRect(Frame);
    image.SetAspect(50.0 / 30.0);
    image.SetKeepAspect(keepAspect);
    return image;
}

TEST(PrintPreviewBitmap, TheFrameStaysOnThePrintableRectangle)
{
    struct Case {
        const char* what;
        bool keep;
        std::function<void(TPrintPreviewBitmap&)> set;
        TFrameEdges expected;
    };
    const Case cases[] = {
        {"left", false, [](auto& b) { b.SetLeft(0); }, {5, 20, 60, 50}},
        {"right", false, [](auto& b) { b.SetRight(200); }, {10, 20, 95, 50}},
        {"top", false, [](auto& b) { b.SetTop(-10); }, {10, 5, 60, 50}},
        {"bottom", false, [](auto& b) { b.SetBottom(100); }, {10, 20, 60, 75}},
        {"top-left", false, [](auto& b) { b.SetTopLeft(-1, -1); }, {5, 5, 60, 50}},
        {"bottom-right", false, [](auto& b) { b.SetBottomRight(99, 99); }, {10, 20, 95, 75}},
        {"move before the corner", false, [](auto& b) { b.MoveTo(-5, -5); }, {5, 5, 55, 35}},
        {"move past the far corner", false, [](auto& b) { b.MoveTo(90, 70); }, {45, 45, 95, 75}},
        // With the aspect kept: 55 high wants 92 wide, 85 fit; the height follows (51).
        {"kept bottom-right", true, [](auto& b) { b.SetBottomRight(200, 200); }, {10, 20, 95, 71}},
        {"kept top-left", true, [](auto& b) { b.SetTopLeft(0, 0); }, {5, 17, 60, 50}},
        {"kept top", true, [](auto& b) { b.SetTop(0); }, {10, 5, 85, 50}},
        {"kept right", true, [](auto& b) { b.SetRight(70); }, {10, 14, 70, 50}},
        {"kept right up to the top", true, [](auto& b) { b.SetRight(90); }, {10, 5, 85, 50}},
        {"kept bottom-left", true, [](auto& b) { b.SetBottomLeft(0, 75); }, {5, 20, 60, 53}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TPrintPreviewBitmap image = pageImage(c.keep);
        c.set(image);
        EXPECT_EQ(image.FrameRect(), c.expected);
        EXPECT_EQ(image.FrameWidth(), c.expected.Width());
        EXPECT_EQ(image.FrameHeight(), c.expected.Height());
    }
}

// Random drags of every handle with the aspect kept: the frame never leaves the printable
// rectangle and keeps its proportions within a pixel's rounding.
TEST(PrintPreviewBitmap, KeptAspectDragsStayInsideAndInProportion)
{
    std::mt19937 random(11);
    auto any = [&](int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); };
    for (int run = 0; run < 100; ++run) {
        TPrintPreviewBitmap image = pageImage(true);
        fillNoise(image, unsigned(run));
        const std::vector<std::uint8_t> clean = pixels(image);
        image.ShowFrame(true);
        for (int step = 0; step < 50; ++step) {
            const int x = any(-20, 120), y = any(-20, 100);
            switch (any(0, 8)) {
            case 0: image.SetTopLeft(x, y); break;
            case 1: image.SetTop(y); break;
            case 2: image.SetTopRight(x, y); break;
            case 3: image.SetLeft(x); break;
            case 4: image.SetRight(x); break;
            case 5: image.SetBottomLeft(x, y); break;
            case 6: image.SetBottom(y); break;
            case 7: image.SetBottomRight(x, y); break;
            default: image.MoveTo(x, y); break;
            }
            const TFrameEdges& f = image.FrameRect();
            ASSERT_GE(f.Left, 5);
            ASSERT_GE(f.Top, 5);
            ASSERT_LE(f.Right, 95);
            ASSERT_LE(f.Bottom, 75);
            ASSERT_LE(std::abs(f.Width() - f.Height() * image.Aspect()), 0.5 * image.Aspect() + 1e-9)
                << f.Left << "," << f.Top << "," << f.Right << "," << f.Bottom;
        }
        image.ShowFrame(false);
        ASSERT_EQ(pixels(image), clean);
    }
}

} // namespace
} // namespace vellum
