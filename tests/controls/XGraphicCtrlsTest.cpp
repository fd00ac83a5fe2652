#include <QEnterEvent>
#include <QPainter>
#include <QTest>

#include <gtest/gtest.h>

#include "controls/XGraphicCtrls.h"

using namespace vellum;

namespace {

void SendEnter(QWidget& w)
{
    QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
    QCoreApplication::sendEvent(&w, &enter);
}

void SendLeave(QWidget& w)
{
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(&w, &leave);
}

} // namespace

TEST(XGraphicControl, EnterThenLeaveRaiseTheirEventsAndALeaveWithoutEnterIsIgnored)
{
    TXGraphicControl control;
    QStringList log;
    control.OnMouseEnter = [&](TXGraphicControl* s) { log << (s == &control ? "enter" : "?"); };
    control.OnMouseLeave = [&](TXGraphicControl* s) { log << (s == &control ? "leave" : "?"); };

    SendLeave(control);
    EXPECT_TRUE(log.isEmpty());
    SendEnter(control);
    EXPECT_TRUE(control.MouseInside());
    SendLeave(control);
    EXPECT_FALSE(control.MouseInside());
    SendLeave(control);
    EXPECT_EQ(log, QStringList({"enter", "leave"}));
}

TEST(XVellum, IsAnOpaque105SquareAndPaintsWithItsFontAndBrush)
{
    TXVellum vellum;
    EXPECT_EQ(vellum.size(), QSize(105, 105));
    EXPECT_TRUE(vellum.testAttribute(Qt::WA_OpaquePaintEvent));
    QFont font = vellum.font();
    font.setPointSize(17);
    vellum.setFont(font);
    int fontSize = 0;
    vellum.OnPaint = [&](TXVellum*, QPainter& painter) {
        fontSize = painter.font().pointSize();
        painter.fillRect(QRect(0, 0, 105, 105), Qt::red);
    };
    const QImage shot = vellum.grab().toImage();
    EXPECT_EQ(fontSize, 17);
    EXPECT_EQ(shot.pixelColor(50, 50), QColor(Qt::red));
}

TEST(ColourShow, PaintsItsColourInsideABorderOrEverywhere)
{
    TColourShow show;
    EXPECT_EQ(show.size(), QSize(40, 40));
    EXPECT_EQ(show.Colour(), 0xFFFFFF);
    EXPECT_EQ(show.BorderColour(), 0);
    EXPECT_TRUE(show.ShowBorder());
    show.resize(6, 5);
    show.SetColour(0x0000FF); // red
    show.SetBorderColour(0xFF0000); // blue
    QImage shot = show.grab().toImage();
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 6; ++x) {
            const bool edge = x == 0 || y == 0 || x == 5 || y == 4;
            EXPECT_EQ(shot.pixelColor(x, y), edge ? QColor(0, 0, 255) : QColor(255, 0, 0))
                << x << "," << y;
        }
    show.SetShowBorder(false);
    shot = show.grab().toImage();
    EXPECT_EQ(shot.pixelColor(0, 0), QColor(255, 0, 0));
    EXPECT_EQ(shot.pixelColor(5, 4), QColor(255, 0, 0));
}

TEST(ColourShow, ColourValuesAndQtColoursConvertBothWays)
{
    EXPECT_EQ(QColorOfValue(0x123456), QColor(0x56, 0x34, 0x12));
    EXPECT_EQ(ValueOfQColor(QColor(0x56, 0x34, 0x12)), 0x123456);
}
