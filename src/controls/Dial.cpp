#include "controls/Dial.h"

#include <cmath>
#include <numbers>

#include <QMouseEvent>
#include <QPainter>

namespace vellum {

namespace {

double Degrees(double radians) { return radians * 180.0 / std::numbers::pi; }

} // namespace

TDial::TDial(QWidget* parent) : TXGraphicControl(parent)
{
    resize(100, 100);
    MakeDefaultBackground();
    CentreNeedle();
}

void TDial::SetPosition(int position)
{
    m_position = position;
    if (OnChange)
        OnChange(this);
    update();
}

void TDial::SetIncrements(int increments)
{
    if (increments <= 0 || increments == m_increments)
        return;
    m_increments = increments;
    m_anglePerPosition = 360.0 / increments;
    update();
}

void TDial::SetNeedleGap(int gap)
{
    if (gap < 0 || gap >= std::min(m_centre.x(), m_centre.y()) || gap == m_needleGap)
        return;
    m_needleGap = gap;
    update();
}

void TDial::SetNeedleWidth(int width)
{
    if (width < 1 || width > 9 || width == m_needleWidth)
        return;
    m_needleWidth = width;
    update();
}

void TDial::SetNeedleColour(TColor colour)
{
    if (colour == m_needleColour)
        return;
    m_needleColour = colour;
    if (!m_needleInverse)
        update();
}

void TDial::SetNeedleInverse(bool inverse)
{
    if (inverse == m_needleInverse)
        return;
    m_needleInverse = inverse;
    update();
}

void TDial::SetBackground(const QImage& picture)
{
    if (picture.isNull()) {
        m_ownBackground = false;
        MakeDefaultBackground();
    } else {
        m_ownBackground = true;
        m_background = picture.convertToFormat(QImage::Format_RGB32);
        resize(m_background.size());
    }
    m_needleGap = 0;
    CentreNeedle();
    update();
}

void TDial::SetTransParent(bool transparent)
{
    m_transparent = transparent;
    update();
}

void TDial::MakeDefaultBackground()
{
    m_background = QImage(size().expandedTo(QSize(1, 1)), QImage::Format_RGB32);
    m_background.fill(palette().color(QPalette::Button));
    QPainter painter(&m_background);
    painter.setPen(Qt::white);
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(QRect(0, 0, m_background.width() - 1, m_background.height() - 1));
}

void TDial::CentreNeedle()
{
    m_centre = QPoint(width() / 2, height() / 2);
    m_needleEnd = QPoint(m_centre.x(), m_needleGap);
}

double TDial::BearingOf(QPoint point, QPoint centre)
{
    const double dx = point.x() - centre.x();
    const double dy = point.y() - centre.y();
    const double r = std::hypot(dx, dy);
    if (point.x() >= centre.x() && point.y() <= centre.y())
        return dx == 0 ? 0.0 : Degrees(std::asin(dx / r));
    if (point.x() >= centre.x())
        return 90.0 + Degrees(std::asin(dy / r));
    if (point.y() > centre.y())
        return 180.0 + Degrees(std::asin(-dx / r));
    return dy == 0 ? 270.0 : 270.0 + Degrees(std::asin(-dy / r));
}

int TDial::PositionAt(QPoint point) const
{
    return static_cast<int>(std::trunc(BearingOf(point, m_centre) / 360.0 * m_increments + 0.5));
}

QPoint TDial::NeedleEndForPosition() const
{
    const double a = m_position * m_anglePerPosition * std::numbers::pi / 180.0;
    return QPoint(m_centre.x() + static_cast<int>(std::trunc(std::sin(a) * (m_centre.x() - m_needleGap))),
                  m_centre.y() - static_cast<int>(std::trunc(std::cos(a) * (m_centre.y() - m_needleGap))));
}

const QImage& TDial::Face()
{
    // Built again only when the background, its colour key or the colour behind it changed:
    // the needle moves far more often than any of them.
    const QColor behind = palette().color(backgroundRole());
    if (!m_face.isNull() && m_faceSource == m_background.cacheKey() && m_faceBehind == behind
        && m_faceTransparent == m_transparent)
        return m_face;
    QImage face(m_background.size(), QImage::Format_RGB32);
    {
        QPainter painter(&face);
        if (m_transparent) {
            painter.fillRect(face.rect(), behind);
            const QRgb key = m_background.pixel(0, m_background.height() - 1);
            QImage keyed = m_background.convertToFormat(QImage::Format_ARGB32);
            for (int y = 0; y < keyed.height(); ++y) {
                auto* row = reinterpret_cast<QRgb*>(keyed.scanLine(y));
                for (int x = 0; x < keyed.width(); ++x)
                    if (row[x] == key)
                        row[x] = 0;
            }
            painter.drawImage(0, 0, keyed);
        } else {
            painter.drawImage(0, 0, m_background);
        }
    }
    m_face = face;
    m_faceSource = m_background.cacheKey();
    m_faceBehind = behind;
    m_faceTransparent = m_transparent;
    return m_face;
}

void TDial::paintEvent(QPaintEvent*)
{
    m_needleEnd = NeedleEndForPosition();
    QImage image = Face().copy();
    {
        QPainter painter(&image);
        QPen pen(m_needleInverse ? QColor(Qt::white) : QColorOfValue(m_needleColour));
        pen.setWidth(m_needleWidth);
        pen.setCapStyle(Qt::FlatCap);
        if (m_needleInverse)
            painter.setCompositionMode(QPainter::RasterOp_NotDestination);
        painter.setPen(pen);
        painter.drawLine(m_centre, m_needleEnd);
    }
    QPainter(this).drawImage(0, 0, image);
}

void TDial::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    m_dragging = true;
    SetPosition(PositionAt(event->position().toPoint()));
}

void TDial::mouseMoveEvent(QMouseEvent* event)
{
    if (m_dragging)
        SetPosition(PositionAt(event->position().toPoint()));
}

void TDial::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        m_dragging = false;
}

void TDial::resizeEvent(QResizeEvent* event)
{
    TXGraphicControl::resizeEvent(event);
    if (!m_ownBackground)
        MakeDefaultBackground();
    CentreNeedle();
}

} // namespace vellum
