#include "controls/ColourSpectrum.h"

#include <algorithm>
#include <cmath>

#include <QPaintEvent>
#include <QPainter>

namespace vellum {

namespace {

int Channel(double c) { return static_cast<int>(std::trunc(c * 255.0 + 0.5)); }

// Hue in degrees (360 counts as 0), saturation and value from 0 to 1.
QRgb HsvToRgb(double hue, double s, double v)
{
    if (s == 0)
        return qRgb(Channel(v), Channel(v), Channel(v));
    if (hue >= 360)
        hue = 0;
    const int sector = static_cast<int>(std::trunc(hue / 60.0));
    const double f = hue / 60.0 - sector;
    const double p = v * (1 - s);
    const double q = v * (1 - s * f);
    const double t = v * (1 - s * (1 - f));
    double r = 0, g = 0, b = 0;
    switch (sector) {
    case 0: r = v; g = t; b = p; break;
    case 1: r = q; g = v; b = p; break;
    case 2: r = p; g = v; b = t; break;
    case 3: r = p; g = q; b = v; break;
    case 4: r = t; g = p; b = v; break;
    default: r = v; g = p; b = q; break;
    }
    return qRgb(Channel(r), Channel(g), Channel(b));
}

} // namespace

TColourSpectrum::TColourSpectrum(QWidget* parent) : TXGraphicControl(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    resize(105, 105);
    Rebuild();
}

void TColourSpectrum::Rebuild()
{
    const int w = width();
    const int h = height();
    m_renderedSize = size();
    m_greyHeight = m_showGreys ? h / 12 : 0;
    const int half = w / 2;
    const int hueRows = h - m_greyHeight;
    // Too small for a field: the steps would divide by zero.
    if (half < 2 || hueRows < 1) {
        m_image = QImage();
        m_columnStep = 0;
        m_hueStep = 0;
        return;
    }
    m_columnStep = 1.0 / (half - 1);
    m_hueStep = 360.0 / hueRows;
    m_image = QImage(w, h, QImage::Format_RGB32);
    std::vector<double> sat(w), val(w);
    for (int i = 0; i < w; ++i) {
        if (i <= half) {
            val[i] = std::min(1.0, i * m_columnStep);
            sat[i] = 1.0;
        } else {
            val[i] = 1.0;
            sat[i] = std::max(0.0, 1.0 - (i - half) * m_columnStep);
        }
    }
    for (int r = 0; r < hueRows; ++r) {
        const double hue = std::min(360.0, r * m_hueStep);
        auto* row = reinterpret_cast<QRgb*>(m_image.scanLine(r));
        for (int i = 0; i < w; ++i)
            row[i] = HsvToRgb(hue, sat[i], val[i]);
    }
    for (int r = hueRows; r < h; ++r) {
        auto* row = reinterpret_cast<QRgb*>(m_image.scanLine(r));
        for (int i = 0; i < w; ++i) {
            const double level = std::min(255.0, i * 255.0 / (w - 1));
            const int l = static_cast<int>(std::trunc(level + 0.5));
            row[i] = qRgb(l, l, l);
        }
    }
}

TColor TColourSpectrum::ColourAt(int x, int y) const
{
    if (m_image.isNull() || x < 0 || y < 0 || x >= m_image.width() || y >= m_image.height())
        return -1;
    const QRgb p = reinterpret_cast<const QRgb*>(m_image.constScanLine(y))[x];
    return static_cast<TColor>(qRed(p) | (qGreen(p) << 8) | (qBlue(p) << 16));
}

QPoint TColourSpectrum::ColourToPoint(TColor colour, int tolerance) const
{
    if (colour < 0 || m_image.isNull())
        return {-1, -1};
    const int w = m_image.width();
    const int h = m_image.height();
    const int g = m_greyHeight;
    const int red = colour & 0xFF;
    const int green = (colour >> 8) & 0xFF;
    const int blue = (colour >> 16) & 0xFF;
    const int mx = std::max({red, green, blue});
    const int mn = std::min({red, green, blue});
    if (mx - mn <= tolerance) {
        if (m_showGreys)
            return {static_cast<int>(std::trunc(red * (w - 1) / 255.0 + 0.5)), h - g / 2};
        if (mn == 0)
            return {0, (h - g) / 2};
        if (mx == 255)
            return {w - 1, (h - g) / 2};
        return {-1, -1};
    }
    const double range = mx - mn;
    double hue = 0;
    if (mx == red)
        hue = 60.0 * (green - blue) / range;
    else if (mx == green)
        hue = 120.0 + 60.0 * (blue - red) / range;
    else
        hue = 240.0 + 60.0 * (red - green) / range;
    if (hue < 0)
        hue += 360.0;
    const double s = range / mx;
    const double v = mx / 255.0;
    int x = 0;
    if (mn == 0) // fully saturated
        x = static_cast<int>(std::trunc(v / m_columnStep + 0.5));
    else if (mx == 255) // full value
        x = w / 2 + static_cast<int>(std::trunc((1.0 - s) / m_columnStep + 0.5));
    else // no exact place: the middle of the field, kept inside the control
        x = std::min((h - g) / 2, w - 1);
    int y = static_cast<int>(std::trunc(hue / m_hueStep + 0.5));
    // Hues just under 360 round to the row past the last: that is hue 0, the top row.
    if (y >= h - g)
        y = 0;
    return {x, y};
}

QRect TColourSpectrum::MarkerBox(QPoint point)
{
    // The outer circle's box runs from x - 3 to x + 3 inclusive: seven pixels.
    return QRect(point.x() - 3, point.y() - 3, 7, 7);
}

void TColourSpectrum::UpdateMarker()
{
    if (m_marker.x() >= 0)
        update(MarkerBox(m_marker));
}

void TColourSpectrum::SelectPoint(QPoint point)
{
    if (ColourAt(point.x(), point.y()) < 0 || point == m_marker)
        return;
    UpdateMarker();
    m_marker = point;
    m_selected = ColourAt(point.x(), point.y());
    UpdateMarker();
}

void TColourSpectrum::SetSelectedColour(TColor colour)
{
    if (colour == m_selected)
        return;
    UpdateMarker();
    m_selected = colour;
    m_marker = ColourToPoint(colour, 30);
    UpdateMarker();
}

void TColourSpectrum::SetShowGreys(bool show)
{
    if (show == m_showGreys)
        return;
    m_showGreys = show;
    Rebuild();
    m_marker = ColourToPoint(m_selected, 30);
    update();
}

void TColourSpectrum::SetShowSelection(bool show)
{
    if (show == m_showSelection)
        return;
    m_showSelection = show;
    UpdateMarker();
}

void TColourSpectrum::paintEvent(QPaintEvent* event)
{
    if (size() != m_renderedSize) {
        Rebuild();
        m_marker = ColourToPoint(m_selected, 0);
    }
    QPainter painter(this);
    if (m_image.isNull()) {
        painter.fillRect(event->rect(), palette().color(QPalette::Window));
        return;
    }
    // Only the exposed pieces: a marker move exposes two small boxes far apart.
    for (const QRect& piece : event->region())
        painter.drawImage(piece.topLeft(), m_image, piece);
    if (m_showSelection && m_marker.x() >= 0 && event->region().intersects(MarkerBox(m_marker))) {
        painter.setBrush(Qt::NoBrush);
        painter.setPen(Qt::black);
        painter.drawEllipse(QRect(m_marker.x() - 3, m_marker.y() - 3, 6, 6));
        painter.setPen(Qt::white);
        painter.drawEllipse(QRect(m_marker.x() - 2, m_marker.y() - 2, 4, 4));
    }
}

} // namespace vellum
