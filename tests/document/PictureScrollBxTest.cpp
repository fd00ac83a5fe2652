#include "document/PictureScrollBx.h"

#include "raster/Canvas.h"

#include <QApplication>
#include <QScrollBar>
#include <QWheelEvent>
#include <QTest>

#include <gtest/gtest.h>

namespace vellum {
namespace {

// A view without a frame, so its usable size is its size.
class ScrollBoxTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_view.setFrameStyle(QFrame::NoFrame);
        m_view.resize(120, 90);
        m_view.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&m_view));
        m_view.OnPaint = [this](TPictureScrollBox*) { ++m_paints; };
    }

    [[nodiscard]] QImage screen() { return m_view.viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32); }

    TPictureScrollBox m_view;
    int m_paints = 0;
};

TEST_F(ScrollBoxTest, ZoomStaysWithinOneToFifteen)
{
    ASSERT_TRUE(m_view.NewPicture(40, 30, clWhite));
    EXPECT_FALSE(m_view.SetZoom(0, 0, 0));
    EXPECT_FALSE(m_view.SetZoom(16, 0, 0));
    EXPECT_EQ(m_view.ZoomFactor(), 1);
    EXPECT_TRUE(m_view.SetZoom(15, 0, 0));
    EXPECT_EQ(m_view.ZoomFactor(), 15);
}

void wheel(TPictureScrollBox& target, QPoint delta, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QWheelEvent event(QPointF(10, 10), target.mapToGlobal(QPointF(10, 10)), QPoint(), delta, Qt::NoButton, modifiers,
                      Qt::NoScrollPhase, false);
    QApplication::sendEvent(target.viewport(), &event);
}

TEST(ScrollBoxWheel, PartsOfANotchAddUpToWholeNotches)
{
    struct Case {
        std::vector<int> deltas;
        std::vector<int> notches;
    };
    const std::vector<Case> cases{
        {{120}, {1}},           {{-120}, {-1}},   {{40, 40, 40}, {1}},
        {{360}, {3}},           {{60, 90}, {1}},  {{100, -100, 100}, {}},
        {{-50, -50, -50}, {-1}},
    };
    for (const Case& c : cases) {
        TPictureScrollBox view; // nothing left over from another case
        std::vector<int> notches;
        view.OnMouseWheel = [&](TPictureScrollBox*, int n) { notches.push_back(n); };
        for (int d : c.deltas)
            wheel(view, QPoint(0, d));
        EXPECT_EQ(notches, c.notches);
    }
}

TEST_F(ScrollBoxTest, KeysAndTheShiftWheelScroll)
{
    ASSERT_TRUE(m_view.NewPicture(400, 300, clWhite));
    ASSERT_TRUE(m_view.SetZoom(2, 0, 0));
    m_view.setFocus();
    struct Case {
        const char* what;
        std::function<void()> act;
        int x;
        int y;
    };
    const int page = m_view.viewport()->height();
    const int right = m_view.horizontalScrollBar()->maximum();
    const std::vector<Case> cases{
        {"Right", [&] { QTest::keyClick(&m_view, Qt::Key_Right); }, 2, 0},
        {"Down", [&] { QTest::keyClick(&m_view, Qt::Key_Down); }, 2, 2},
        {"Page Down", [&] { QTest::keyClick(&m_view, Qt::Key_PageDown); }, 2, 2 + page},
        {"Page Up", [&] { QTest::keyClick(&m_view, Qt::Key_PageUp); }, 2, 2},
        {"Up", [&] { QTest::keyClick(&m_view, Qt::Key_Up); }, 2, 0},
        {"End", [&] { QTest::keyClick(&m_view, Qt::Key_End); }, right, 0},
        {"Left", [&] { QTest::keyClick(&m_view, Qt::Key_Left); }, right - 2, 0},
        {"Home", [&] { QTest::keyClick(&m_view, Qt::Key_Home); }, 0, 0},
        {"Ctrl+Right is not a scroll", [&] { QTest::keyClick(&m_view, Qt::Key_Right, Qt::ControlModifier); }, 0, 0},
        {"Shift and the wheel down", [&] { wheel(m_view, QPoint(0, -120), Qt::ShiftModifier); },
         QApplication::wheelScrollLines() * 2, 0},
        {"a sideways wheel back", [&] { wheel(m_view, QPoint(120, 0)); }, 0, 0},
    };
    int zoomed = 0;
    m_view.OnMouseWheel = [&](TPictureScrollBox*, int) { ++zoomed; };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        c.act();
        EXPECT_EQ(m_view.HorzPosition(), c.x);
        EXPECT_EQ(m_view.VertPosition(), c.y);
    }
    EXPECT_EQ(zoomed, 0);
}

TEST_F(ScrollBoxTest, CoordinatesSnapToWholePicturePixels)
{
    ASSERT_TRUE(m_view.NewPicture(200, 200, clWhite));
    ASSERT_TRUE(m_view.SetZoom(3, 0, 0));
    m_view.horizontalScrollBar()->setValue(7); // snaps to 6
    m_view.verticalScrollBar()->setValue(12);
    EXPECT_EQ(m_view.ViewToPicture(QPoint(0, 0)), QPoint(2, 4));
    EXPECT_EQ(m_view.ViewToPicture(QPoint(5, 2)), QPoint(3, 4));
    EXPECT_EQ(m_view.PictureToView(QPoint(2, 4)), QPoint(0, 0));
    EXPECT_EQ(m_view.PictureToView(QRect(3, 5, 2, 1)), QRect(3, 3, 6, 3));
    EXPECT_TRUE(m_view.PtInPicture(199, 0));
    EXPECT_FALSE(m_view.PtInPicture(200, 0));
    EXPECT_FALSE(m_view.PtInPicture(0, -1));
}

TEST_F(ScrollBoxTest, RangesRoundUpToAWholePixelWhenThePageIsNot)
{
    // A 50 x 10 picture at zoom 3 is 150 x 30: only the horizontal bar shows.
    ASSERT_TRUE(m_view.NewPicture(50, 10, clWhite));
    ASSERT_TRUE(m_view.SetZoom(3, 0, 0));
    m_view.resize(100, 200);
    EXPECT_EQ(m_view.HorzRange(), 153);
    EXPECT_EQ(m_view.VertRange(), 0);
    m_view.resize(99, 200);
    EXPECT_EQ(m_view.HorzRange(), 150);
    EXPECT_EQ(m_view.horizontalScrollBar()->singleStep(), 3);
    EXPECT_EQ(m_view.horizontalScrollBar()->pageStep(), 24);
}

TEST_F(ScrollBoxTest, ASmallPictureShowsNoBarsAndThePatternAroundIt)
{
    ASSERT_TRUE(m_view.NewPicture(10, 8, RGBColor(255, 0, 0)));
    EXPECT_EQ(m_view.HorzRange(), 0);
    EXPECT_EQ(m_view.VertRange(), 0);
    EXPECT_EQ(m_view.VisibleRect(), QRect(0, 0, 10, 8));
    const QImage shown = screen();
    EXPECT_EQ(shown.pixel(9, 7), qRgb(255, 0, 0));
    EXPECT_NE(shown.pixel(10, 3), qRgb(255, 0, 0)); // pattern right of the picture
    EXPECT_NE(shown.pixel(3, 8), qRgb(255, 0, 0));  // and below it
}

TEST_F(ScrollBoxTest, TheGridIsInvertedLinesFromZoomTen)
{
    ASSERT_TRUE(m_view.NewPicture(8, 6, RGBColor(10, 20, 30)));
    const QRgb inverted = qRgb(245, 235, 225);
    struct Case {
        int zoom;
        bool grid;
    };
    for (const Case& c : {Case{9, false}, Case{10, true}, Case{15, true}}) {
        ASSERT_TRUE(m_view.SetZoom(c.zoom, 0, 0));
        const QImage shown = screen();
        EXPECT_EQ(shown.pixel(0, 5) == inverted, c.grid) << c.zoom;      // a vertical line
        EXPECT_EQ(shown.pixel(c.zoom, 3) == inverted, c.grid) << c.zoom; // the next one
        EXPECT_EQ(shown.pixel(4, c.zoom) == inverted, c.grid) << c.zoom; // a horizontal one
        EXPECT_EQ(shown.pixel(1, 1), qRgb(10, 20, 30)) << c.zoom;        // inside a block
        EXPECT_EQ(shown.pixel(0, 0), qRgb(10, 20, 30)) << c.zoom;        // crossings cancel out
    }
    m_view.SetShowZoomGrid(false);
    EXPECT_EQ(screen().pixel(0, 5), qRgb(10, 20, 30));
}

TEST_F(ScrollBoxTest, SwitchingTheGridRepaintsOnlyWhenItShows)
{
    ASSERT_TRUE(m_view.NewPicture(8, 6, clWhite));
    ASSERT_TRUE(m_view.SetZoom(5, 0, 0));
    const int before = m_paints;
    m_view.SetShowZoomGrid(false);
    EXPECT_EQ(m_paints, before);
    ASSERT_TRUE(m_view.SetZoom(10, 0, 0));
    const int atTen = m_paints;
    m_view.SetShowZoomGrid(true);
    EXPECT_EQ(m_paints, atTen + 1);
}

TEST_F(ScrollBoxTest, HooksSeeTheVisiblePartBeforeAndAfterZooming)
{
    ASSERT_TRUE(m_view.NewPicture(100, 100, clWhite));
    QRect beforeRect;
    QSize beforeSize;
    QSize afterSize;
    m_view.OnBeforeZoomPaint = [&](TPictureScrollBox*, TXBitmap& image, const QRect& rect) {
        beforeRect = rect;
        beforeSize = QSize(image.Width(), image.Height());
        StorePixel(image.ScanLine(0), RGBColor(0, 0, 255)); // a floating selection's pixel, say
    };
    m_view.OnPainting = [&](TPictureScrollBox*, const TPixelRows& rows, const QPoint&) {
        afterSize = QSize(rows.Width, rows.Height);
    };
    ASSERT_TRUE(m_view.SetZoom(4, 0, 0));
    // The surface (the view less its bars) at zoom 4, and one more column and row.
    const int columns = m_view.viewport()->width() / 4 + 1;
    const int rows = m_view.viewport()->height() / 4 + 1;
    EXPECT_EQ(beforeRect, QRect(0, 0, columns, rows));
    EXPECT_EQ(beforeSize, QSize(columns, rows));
    EXPECT_EQ(afterSize, QSize(4 * columns, 4 * rows));
    EXPECT_EQ(screen().pixel(3, 3), qRgb(0, 0, 255));
    EXPECT_EQ(m_view.Bitmap().PixelColour(0, 0), clWhite); // the picture itself is untouched

    m_view.RepaintRect(QRect(10, 10, 1, 1), 2);
    EXPECT_EQ(beforeRect, QRect(7, 7, 7, 7));
    m_view.RepaintRect(QRect(1, 1, 1, 1), 3); // clipped to what is in view
    EXPECT_EQ(beforeRect, QRect(0, 0, 6, 6));
}

// Partial repaints reach the surface by their own way, full paints and rubber bands by the
// screen's: whatever their order, the surface shows the picture as it is now, and a band drawn
// over a repainted part inverts what is shown there, not what was shown before.
TEST_F(ScrollBoxTest, PartialRepaintsAndScreenDrawingsShowTheCurrentPicture)
{
    constexpr int Zoom = 2;
    TXBitmap picture(60, 45);
    for (int y = 0; y < picture.Height(); ++y)
        for (int x = 0; x < picture.Width(); ++x)
            StorePixel(picture.ScanLine(y) + 3 * x, RGBColor(4 * x, 5 * y, (x * y) & 255));
    m_view.SetBitmap(&picture);
    ASSERT_TRUE(m_view.SetZoom(Zoom, 0, 0));
    ASSERT_EQ(m_view.HorzRange(), 0);
    auto repaint = [&](const QRect& rect, TColor colour) {
        for (int y = rect.top(); y <= rect.bottom(); ++y)
            for (int x = rect.left(); x <= rect.right(); ++x)
                StorePixel(m_view.Bitmap().ScanLine(y) + 3 * x, colour);
        m_view.RepaintRect(rect, 0);
    };
    auto showsPicture = [&](const char* step) {
        const QImage shown = screen();
        for (int y = 0; y < shown.height(); ++y)
            for (int x = 0; x < shown.width(); ++x) {
                const TColor c = m_view.Bitmap().PixelColour(x / Zoom, y / Zoom);
                ASSERT_EQ(shown.pixel(x, y), qRgb(GetRValue(c), GetGValue(c), GetBValue(c)))
                    << step << " at " << x << ", " << y;
            }
    };
    showsPicture("full paint");
    repaint(QRect(10, 10, 8, 6), RGBColor(1, 2, 3));
    showsPicture("partial repaint");
    // A full paint not yet shown, then a repaint inside it.
    repaint(QRect(40, 30, 5, 5), RGBColor(7, 8, 9));
    m_view.Repaint();
    repaint(QRect(30, 2, 4, 9), RGBColor(200, 100, 0));
    showsPicture("repaint after a full paint");

    // A band across the first repainted part, drawn and erased on the screen's canvas.
    repaint(QRect(12, 12, 10, 10), RGBColor(90, 60, 30));
    const QImage before = screen();
    auto band = [&] {
        TCanvas& canvas = m_view.ScreenCanvas();
        BeginRubberBand(canvas, TPenStyle::psSolid, 1);
        canvas.Rectangle(30, 30, 70, 60);
        EndRubberBand(canvas);
        m_view.ShowScreen();
    };
    band();
    const QImage banded = screen();
    int inverted = 0;
    for (int y = 0; y < banded.height(); ++y)
        for (int x = 0; x < banded.width(); ++x) {
            if (banded.pixel(x, y) == before.pixel(x, y))
                continue;
            ASSERT_EQ(banded.pixel(x, y), qRgb(255 - qRed(before.pixel(x, y)), 255 - qGreen(before.pixel(x, y)),
                                               255 - qBlue(before.pixel(x, y))))
                << x << ", " << y;
            ++inverted;
        }
    EXPECT_GT(inverted, 0);
    EXPECT_EQ(banded.pixel(30, 36), qRgb(255 - 90, 255 - 60, 255 - 30)); // on the band, in the repainted part
    band();
    EXPECT_EQ(screen(), before);
}

// A partial repaint at a zoom shows what a full paint of the same picture shows, with and
// without the grid, at two scroll positions, with the blocks cut at the view's right and bottom
// edges, and with what the paint hook draws at a view point wherever the rows it gets cover it.
TEST_F(ScrollBoxTest, ZoomedRepaintsShowWhatAFullPaintShows)
{
    TXBitmap picture(60, 45);
    auto colour = [](int x, int y, int shift) { return RGBColor(4 * x + shift, 5 * y, (x * y + shift) & 255); };
    for (int y = 0; y < picture.Height(); ++y)
        for (int x = 0; x < picture.Width(); ++x)
            StorePixel(picture.ScanLine(y) + 3 * x, colour(x, y, 0));
    m_view.SetBitmap(&picture);
    const QPoint dot(13, 7);
    m_view.OnPainting = [&](TPictureScrollBox*, const TPixelRows& rows, const QPoint& at) {
        if (!QRect(at, QSize(rows.Width, rows.Height)).contains(dot))
            return;
        std::uint8_t* p = rows.Pixel(dot.x() - at.x(), dot.y() - at.y());
        p[0] = 1;
        p[1] = 2;
        p[2] = 3;
    };
    int shift = 0;
    for (int zoom : {1, 3, 12})
        for (bool grid : {false, true})
            for (int scroll : {0, zoom / 2 + 1}) {
                m_view.SetShowZoomGrid(grid);
                ASSERT_TRUE(m_view.SetZoom(zoom, 30, 22));
                m_view.ScrollBy(scroll, scroll);
                // The whole view, then a small part inside it.
                for (const QRect& rect :
                     {m_view.VisibleRect(), QRect(m_view.VisibleRect().topLeft() + QPoint(2, 1), QSize(3, 2))}) {
                    shift += 7;
                    for (int y = rect.top(); y <= rect.bottom(); ++y)
                        for (int x = rect.left(); x <= rect.right(); ++x)
                            StorePixel(m_view.Bitmap().ScanLine(y) + 3 * x, colour(x, y, shift));
                    m_view.RepaintRect(rect, 0);
                    const QImage repainted = screen();
                    m_view.Repaint();
                    const QImage full = screen();
                    ASSERT_EQ(full.pixel(dot), qRgb(3, 2, 1));
                    ASSERT_EQ(repainted, full) << "zoom " << zoom << ", grid " << grid << ", scroll " << scroll
                                               << ", part " << rect.width();
                }
            }
}

TEST_F(ScrollBoxTest, UpdatesPaintOnceAndKeepTheCentre)
{
    ASSERT_TRUE(m_view.NewPicture(300, 300, clWhite));
    m_view.CentreOn(150, 120);
    const QPoint centre = m_view.VisibleRect().center();
    EXPECT_LE((centre - QPoint(150, 120)).manhattanLength(), 2);

    const int before = m_paints;
    m_view.BeginUpdate();
    m_view.BeginUpdate();
    m_view.Repaint();
    m_view.RepaintRect(QRect(150, 120, 5, 5), 0);
    TXBitmap bigger(400, 400);
    static_cast<TXBitmap&>(m_view.Bitmap()) = std::move(bigger);
    m_view.EndUpdate();
    EXPECT_EQ(m_paints, before);
    m_view.EndUpdate();
    EXPECT_EQ(m_paints, before + 1);
    EXPECT_LE((m_view.VisibleRect().center() - QPoint(150, 120)).manhattanLength(), 2);
    m_view.EndUpdate(); // never below zero
    EXPECT_EQ(m_view.UpdateCount(), 0);
}

TEST_F(ScrollBoxTest, CentringStopsAtThePictureEdges)
{
    ASSERT_TRUE(m_view.NewPicture(100, 100, clWhite));
    ASSERT_TRUE(m_view.SetZoom(2, 0, 0));
    const int surface = m_view.viewport()->width();
    EXPECT_EQ(m_view.CentreScrollX(0), 0);
    EXPECT_EQ(m_view.CentreScrollX(50), 100 - surface / 2);
    EXPECT_EQ(m_view.CentreScrollX(99), 200 - surface);
}

TEST_F(ScrollBoxTest, ScrollBarsReportWithoutMovingAndRepaint)
{
    ASSERT_TRUE(m_view.NewPicture(300, 300, clWhite));
    std::vector<std::pair<int, int>> deltas;
    int scrolls = 0;
    m_view.OnScrolling = [&](TIdleScrollBox*, int dx, int dy) { deltas.emplace_back(dx, dy); };
    m_view.OnScroll = [&](TIdleScrollBox*) { ++scrolls; };
    const int before = m_paints;
    m_view.horizontalScrollBar()->setValue(30);
    ASSERT_EQ(deltas.size(), 1u);
    EXPECT_EQ(deltas[0], std::make_pair(-30, 0));
    EXPECT_EQ(scrolls, 1);
    EXPECT_EQ(m_paints, before + 1);
    EXPECT_EQ(m_view.VisibleRect().left(), 30);
}

} // namespace
} // namespace vellum

namespace vellum {
namespace {

TEST(ZoomTool, BandArithmetic)
{
    struct Case {
        int w, h;
        Qt::MouseButton button;
        int zoom;
        int expected;
    };
    const QSize area(440, 330);
    for (const Case& c : {Case{11, 11, Qt::LeftButton, 1, 15}, Case{200, 100, Qt::LeftButton, 1, 2},
                          Case{500, 20, Qt::LeftButton, 3, 0}, Case{10, 40, Qt::LeftButton, 3, 4},
                          Case{40, 3, Qt::RightButton, 3, 2}, Case{0, 0, Qt::RightButton, 1, 0}})
        EXPECT_EQ(TPictureScrollBox::ZoomForBand(c.w, c.h, area, c.zoom, c.button), c.expected)
            << c.w << "x" << c.h << " at " << c.zoom;
}

} // namespace
} // namespace vellum
