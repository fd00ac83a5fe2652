#include "controls/RecentColorsGrd.h"

#include <algorithm>

#include <QMouseEvent>
#include <QPainter>

namespace vellum {

void TColorList::SetCount(int count)
{
    m_items.resize(static_cast<std::size_t>(std::max(0, count)), m_default);
}

TColor TColorList::Item(int index) const
{
    if (index < 0 || index >= Count())
        return m_default;
    return m_items[static_cast<std::size_t>(index)];
}

void TColorList::SetItem(int index, TColor colour)
{
    if (index >= 0 && index < Count())
        m_items[static_cast<std::size_t>(index)] = colour;
}

int TColorList::IndexOf(TColor colour) const
{
    const auto it = std::find(m_items.begin(), m_items.end(), colour);
    return it == m_items.end() ? -1 : static_cast<int>(it - m_items.begin());
}

TRecentColorsGrid::TRecentColorsGrid(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    Resized();
}

void TRecentColorsGrid::Resized()
{
    m_list.SetCount(m_cols * m_rows);
    setFixedSize((m_colWidth + 1) * m_cols, (m_rowHeight + 1) * m_rows);
    update();
}

void TRecentColorsGrid::SetColorColCount(int cols)
{
    if (cols <= 0 || cols == m_cols)
        return;
    m_cols = cols;
    Resized();
}

void TRecentColorsGrid::SetColorRowCount(int rows)
{
    if (rows <= 0 || rows == m_rows)
        return;
    m_rows = rows;
    Resized();
}

void TRecentColorsGrid::SetColorColWidth(int width)
{
    if (width <= 0 || width == m_colWidth)
        return;
    m_colWidth = width;
    Resized();
}

void TRecentColorsGrid::SetColorRowHeight(int height)
{
    if (height <= 0 || height == m_rowHeight)
        return;
    m_rowHeight = height;
    Resized();
}

void TRecentColorsGrid::SetColour(int index, TColor colour)
{
    if (index < 0 || index >= m_list.Count() || m_list.Item(index) == colour)
        return;
    m_list.SetItem(index, colour);
    update();
}

TColor TRecentColorsGrid::ColourAtPoint(int x, int y) const
{
    if (x < 0 || y < 0)
        return m_list.Item(0);
    const int col = x / (m_colWidth + 1);
    const int row = y / (m_rowHeight + 1);
    if (col >= m_cols || row >= m_rows)
        return m_list.Item(0);
    return m_list.Item(col + row * m_cols);
}

void TRecentColorsGrid::AddColour(TColor colour)
{
    const int i = m_list.IndexOf(colour);
    if (i == 0)
        return;
    const int count = m_list.Count();
    const int last = (i > 0 && i < count - 1) ? i : count - 1;
    for (int k = last; k > 0; --k)
        m_list.SetItem(k, m_list.Item(k - 1));
    m_list.SetItem(0, colour);
    update();
}

void TRecentColorsGrid::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setPen(Qt::black);
    for (int row = 0; row < m_rows; ++row)
        for (int col = 0; col < m_cols; ++col) {
            // The cell with its gap: a one-pixel outline around the colour.
            const QRect cell(col * (m_colWidth + 1), row * (m_rowHeight + 1), m_colWidth + 1,
                             m_rowHeight + 1);
            painter.setBrush(QColorOfValue(m_list.Item(col + row * m_cols)));
            painter.drawRect(cell.adjusted(0, 0, -1, -1));
        }
}

void TRecentColorsGrid::mousePressEvent(QMouseEvent* event)
{
    const QPoint p = event->position().toPoint();
    const TColor colour = ColourAtPoint(p.x(), p.y());
    if (OnColorDown)
        OnColorDown(this, event->button(), event->modifiers(), colour);
    if (m_autoPromote)
        AddColour(colour);
    QWidget::mousePressEvent(event);
}

void TRecentColorsGrid::enterEvent(QEnterEvent* event)
{
    QWidget::enterEvent(event);
    m_mouseInside = true;
    if (OnMouseEnter)
        OnMouseEnter(this);
}

void TRecentColorsGrid::leaveEvent(QEvent* event)
{
    QWidget::leaveEvent(event);
    if (!m_mouseInside)
        return;
    m_mouseInside = false;
    if (OnMouseLeave)
        OnMouseLeave(this);
}

} // namespace vellum
