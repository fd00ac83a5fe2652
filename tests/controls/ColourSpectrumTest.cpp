#include <cmath>

#include <QPaintEvent>
#include <QTest>

#include <gtest/gtest.h>

#include "controls/ColourSpectrum.h"

using namespace vellum;

namespace {

TColor Rgb(int r, int g, int b) { return r | (g << 8) | (b << 16); }

// The field's formulas, written out on their own as the oracle.
TColor Expected(int i, int r, int w, int h, bool greys)
{
    const int g = greys ? h / 12 : 0;
    const int half = w / 2;
    const double s = 1.0 / (half - 1);
    auto ch = [](double c) { return static_cast<int>(std::trunc(c * 255 + 0.5)); };
    if (r >= h - g) {
        const int l = static_cast<int>(std::trunc(std::min(255.0, i * 255.0 / (w - 1)) + 0.5));
        return Rgb(l, l, l);
    }
    const double v = i <= half ? std::min(1.0, i * s) : 1.0;
    const double sat = i <= half ? 1.0 : std::max(0.0, 1 - (i - half) * s);
    double hue = std::min(360.0, r * (360.0 / (h - g)));
    if (hue >= 360)
        hue = 0;
    const int sector = static_cast<int>(hue / 60);
    const double f = hue / 60 - sector;
    const double p = v * (1 - sat), q = v * (1 - sat * f), t = v * (1 - sat * (1 - f));
    const double rgb[6][3] = {{v, t, p}, {q, v, p}, {p, v, t}, {p, q, v}, {t, p, v}, {v, p, q}};
    return Rgb(ch(rgb[sector][0]), ch(rgb[sector][1]), ch(rgb[sector][2]));
}

struct PaintSpy : QObject {
    QRegion region;
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == QEvent::Paint)
            region += static_cast<QPaintEvent*>(e)->region();
        return false;
    }
};

} // namespace

TEST(ColourSpectrum, EveryPixelFollowsTheFormulas)
{
    for (bool greys : {true, false}) {
        TColourSpectrum spectrum;
        spectrum.SetShowGreys(greys);
        spectrum.resize(66, 111);
        spectrum.grab(); // paints: the size change rebuilds the field
        int wrong = 0;
        for (int y = 0; y < 111; ++y)
            for (int x = 0; x < 66; ++x)
                if (spectrum.ColourAt(x, y) != Expected(x, y, 66, 111, greys))
                    ++wrong;
        EXPECT_EQ(wrong, 0) << "greys " << greys;
    }
}

TEST(ColourSpectrum, LandmarksOfA66By111Field)
{
    TColourSpectrum spectrum;
    spectrum.resize(66, 111);
    spectrum.grab();
    struct Case { int x, y; TColor colour; };
    const Case cases[] = {
        {0, 0, Rgb(0, 0, 0)}, {33, 0, Rgb(255, 0, 0)}, {65, 0, Rgb(255, 255, 255)},
        {32, 0, Rgb(255, 0, 0)}, {0, 102, 0}, {65, 110, Rgb(255, 255, 255)},
        {-1, 0, -1}, {66, 0, -1}, {0, 111, -1},
    };
    for (const Case& k : cases)
        EXPECT_EQ(spectrum.ColourAt(k.x, k.y), k.colour) << k.x << "," << k.y;
    EXPECT_NE(spectrum.ColourAt(0, 101), spectrum.ColourAt(0, 102) + 1); // band starts at 102
    EXPECT_EQ(spectrum.ColourAt(10, 102), spectrum.ColourAt(10, 110));
    EXPECT_NE(spectrum.ColourAt(33, 101), Rgb(255, 255, 255));
}

TEST(ColourSpectrum, MarkersOfColours)
{
    struct Case { bool greys; TColor colour; QPoint point; };
    const Case cases[] = {
        {true, Rgb(255, 0, 0), {32, 0}},
        {true, Rgb(128, 128, 128), {static_cast<int>(std::trunc(128 * 65 / 255.0 + 0.5)), 107}},
        {true, Rgb(150, 140, 160), {static_cast<int>(std::trunc(150 * 65 / 255.0 + 0.5)), 107}},
        {false, Rgb(128, 128, 128), {-1, -1}},
        {false, Rgb(0, 0, 0), {0, 55}},
        {false, Rgb(255, 255, 255), {65, 55}},
        {true, Rgb(255, 0, 6), {32, 0}}, // hue 358.6 rounds past the last row: hue 0
        {false, Rgb(255, 0, 6), {32, 0}},
        {true, Rgb(0, 255, 0), {32, 34}},
        {true, Rgb(255, 128, 128), {33 + static_cast<int>(std::trunc((128 / 255.0) * 31 + 0.5)), 0}},
        {true, Rgb(100, 50, 50), {51, 0}}, // neither saturated nor bright: middle column
        {true, -1, {-1, -1}},
    };
    for (const Case& k : cases) {
        TColourSpectrum spectrum;
        spectrum.SetShowGreys(k.greys);
        spectrum.resize(66, 111);
        spectrum.grab();
        spectrum.SetSelectedColour(k.colour);
        EXPECT_EQ(spectrum.MarkerPoint(), k.point) << std::hex << k.colour << " greys " << k.greys;
    }
}

TEST(ColourSpectrum, MarkerIsTwoCirclesAndMovingItRestoresTheField)
{
    TColourSpectrum spectrum;
    spectrum.resize(66, 111);
    spectrum.grab();
    spectrum.SelectPoint(QPoint(20, 40));
    EXPECT_EQ(spectrum.SelectedColour(), spectrum.ColourAt(20, 40));
    QImage shot = spectrum.grab().toImage();
    EXPECT_EQ(shot.pixelColor(20, 37), QColor(Qt::black));
    EXPECT_EQ(shot.pixelColor(20, 38), QColor(Qt::white));
    EXPECT_EQ(shot.pixelColor(20, 40).rgb(), spectrum.Image().pixel(20, 40)); // no fill

    spectrum.SelectPoint(QPoint(50, 80));
    shot = spectrum.grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QRect old = TColourSpectrum::MarkerBox(QPoint(20, 40));
    for (int y = old.top(); y <= old.bottom(); ++y)
        for (int x = old.left(); x <= old.right(); ++x)
            EXPECT_EQ(shot.pixel(x, y), spectrum.Image().pixel(x, y)) << x << "," << y;

    spectrum.SetShowSelection(false);
    shot = spectrum.grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(shot, spectrum.Image());
}

TEST(ColourSpectrum, AMarkerMoveRepaintsOnlyTheTwoMarkerBoxes)
{
    TColourSpectrum spectrum;
    spectrum.resize(105, 105);
    spectrum.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&spectrum));
    spectrum.SelectPoint(QPoint(10, 10));
    QCoreApplication::processEvents();
    PaintSpy spy;
    spectrum.installEventFilter(&spy);
    spectrum.SelectPoint(QPoint(80, 90));
    QCoreApplication::processEvents();
    EXPECT_EQ(spy.region, QRegion(TColourSpectrum::MarkerBox({10, 10})) +
                              QRegion(TColourSpectrum::MarkerBox({80, 90})));
    // Selecting the same point, or a point outside, repaints nothing.
    spy.region = QRegion();
    spectrum.SelectPoint(QPoint(80, 90));
    spectrum.SelectPoint(QPoint(200, 5));
    QCoreApplication::processEvents();
    EXPECT_TRUE(spy.region.isEmpty());
}

TEST(ColourSpectrum, SwitchingGreysRebuildsAndMovesTheMarker)
{
    TColourSpectrum spectrum;
    spectrum.resize(66, 111);
    spectrum.grab();
    spectrum.SetSelectedColour(Rgb(0, 0, 0));
    EXPECT_EQ(spectrum.MarkerPoint(), QPoint(0, 107));
    spectrum.SetShowGreys(false);
    EXPECT_EQ(spectrum.MarkerPoint(), QPoint(0, 55));
    EXPECT_NE(spectrum.ColourAt(10, 110), spectrum.ColourAt(10, 105)); // hues down to the bottom
}

TEST(ColourSpectrum, TooSmallAFieldShowsNothingAndMapsNowhere)
{
    const QSize sizes[] = {{3, 50}, {1, 1}, {50, 0}, {40, 1}};
    for (bool greys : {true, false})
        for (QSize size : sizes) {
            if (size.height() == 0)
                continue; // a widget has at least one row
            TColourSpectrum spectrum;
            spectrum.SetShowGreys(greys);
            spectrum.resize(size);
            const QImage shot = spectrum.grab().toImage();
            const bool field = size.width() / 2 >= 2 && size.height() - (greys ? size.height() / 12 : 0) >= 1;
            if (field)
                continue;
            EXPECT_EQ(spectrum.ColourAt(0, 0), -1);
            EXPECT_EQ(spectrum.ColourToPoint(Rgb(255, 0, 0), 0), QPoint(-1, -1));
            EXPECT_EQ(shot.pixelColor(0, 0), spectrum.palette().color(QPalette::Window));
            spectrum.SelectPoint(QPoint(0, 0));
            EXPECT_EQ(spectrum.SelectedColour(), -1);
        }
}
