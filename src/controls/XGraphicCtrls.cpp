#include "controls/XGraphicCtrls.h"

#include <QPainter>

namespace vellum {

TXGraphicControl::TXGraphicControl(QWidget* parent) : QWidget(parent) {}

void TXGraphicControl::DoMouseEnter()
{
    if (OnMouseEnter)
        OnMouseEnter(this);
}

void TXGraphicControl::DoMouseLeave()
{
    if (OnMouseLeave)
        OnMouseLeave(this);
}

void TXGraphicControl::enterEvent(QEnterEvent* event)
{
    QWidget::enterEvent(event);
    m_mouseInside = true;
    DoMouseEnter();
}

void TXGraphicControl::leaveEvent(QEvent* event)
{
    QWidget::leaveEvent(event);
    // A leave without an enter (a control shown under a resting pointer) is no leave.
    if (!m_mouseInside)
        return;
    m_mouseInside = false;
    DoMouseLeave();
}

TXVellum::TXVellum(QWidget* parent) : TXGraphicControl(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    resize(105, 105);
}

void TXVellum::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setFont(font());
    painter.setBrush(palette().brush(backgroundRole()));
    if (OnPaint)
        OnPaint(this, painter);
}

TColourShow::TColourShow(QWidget* parent) : TXGraphicControl(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    resize(40, 40);
}

void TColourShow::SetColour(TColor colour)
{
    if (colour == m_colour)
        return;
    m_colour = colour;
    repaint();
}

void TColourShow::SetBorderColour(TColor colour)
{
    if (colour == m_borderColour)
        return;
    m_borderColour = colour;
    if (m_showBorder)
        repaint();
}

void TColourShow::SetShowBorder(bool show)
{
    if (show == m_showBorder)
        return;
    m_showBorder = show;
    repaint();
}

void TColourShow::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QRect all = rect();
    painter.fillRect(all, QColorOfValue(m_colour));
    if (m_showBorder) {
        painter.setPen(QColorOfValue(m_borderColour));
        painter.setBrush(Qt::NoBrush);
        // A one-pixel frame on the outermost pixels.
        painter.drawRect(all.adjusted(0, 0, -1, -1));
    }
}

} // namespace vellum
