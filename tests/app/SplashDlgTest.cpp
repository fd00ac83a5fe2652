#include "app/SplashDlg.h"

#include <QFontMetrics>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace vellum {
namespace {

// A picture whose every pixel differs from its neighbours, so any stray write shows.
QImage gradientArt()
{
    QImage art(TSplashDialog::WidthPx, TSplashDialog::HeightPx, QImage::Format_RGB32);
    for (int y = 0; y < art.height(); ++y)
        for (int x = 0; x < art.width(); ++x)
            art.setPixel(x, y, qRgb(x, y * 2, (x + y) % 256));
    return art;
}

TEST(SplashDlg, VersionIsDrawnInItsBandOnTheBandsFirstColour)
{
    const QImage art = gradientArt();
    QFont font(QStringLiteral("Sans Serif"));
    font.setPointSize(9);
    const QImage picture = TSplashDialog::RenderSplashPicture(art, font, QStringLiteral("Version 2.2.8"));
    const QRect band(118, 40, 95, 20);
    const QRgb background = art.pixel(118, 40);

    int textLeft = band.right() + 1, textRight = -1;
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            if (!band.contains(x, y)) {
                ASSERT_EQ(picture.pixel(x, y), art.pixel(x, y)) << "outside the band at " << x << "," << y;
            } else if (picture.pixel(x, y) != background) {
                textLeft = std::min(textLeft, x);
                textRight = std::max(textRight, x);
            }
        }
    }
    ASSERT_GE(textRight, textLeft) << "no text drawn";
    // Centred: the margins left and right of the ink differ by a few pixels at most (glyph
    // bearings), never by the band's slack.
    EXPECT_LE(std::abs((textLeft - band.left()) - (band.right() - textRight)), 4);
}

TEST(SplashDlg, TextWiderThanTheBandIsClipped)
{
    const QImage art = gradientArt();
    const QImage picture = TSplashDialog::RenderSplashPicture(art, QFont(QStringLiteral("Sans Serif"), 20),
                                                              QStringLiteral("A much longer version text"));
    const QRect band(118, 40, 95, 20);
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            if (!band.contains(x, y)) {
                ASSERT_EQ(picture.pixel(x, y), art.pixel(x, y)) << x << "," << y;
            }
        }
    }
}

TEST(SplashDlg, WindowIsBorderlessCentredAndBusy)
{
    TSplashDialog splash;
    EXPECT_EQ(splash.size(), QSize(231, 125));
    EXPECT_TRUE(splash.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(splash.cursor().shape(), Qt::WaitCursor);
    EXPECT_EQ(splash.geometry().center(), QGuiApplication::primaryScreen()->geometry().center());
    EXPECT_EQ(splash.SplashImage().size(), QSize(231, 125));
}

TEST(SplashDlg, MousePressClosesAtOnce)
{
    TSplashDialog splash;
    splash.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&splash));
    EXPECT_TRUE(splash.SplashTimer().isActive());
    QTest::mouseClick(&splash, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_FALSE(splash.isVisible());
    EXPECT_FALSE(splash.SplashTimer().isActive());
}

TEST(SplashDlg, ClosesByItselfAfterTwoSeconds)
{
    TSplashDialog splash;
    EXPECT_EQ(splash.SplashTimer().interval(), 2000);
    QSignalSpy closed(&splash, &QDialog::finished);
    splash.show();
    ASSERT_TRUE(closed.wait(3000));
    EXPECT_FALSE(splash.isVisible());
}

} // namespace
} // namespace vellum
