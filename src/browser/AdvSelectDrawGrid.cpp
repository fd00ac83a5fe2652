#include "browser/AdvSelectDrawGrid.h"

#include <algorithm>

#include <QApplication>
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>

namespace vellum {

namespace {
// Room kept beside the columns when the cells are wrapped.
constexpr int kWrapMargin = 8;
} // namespace

TAdvSelectDrawGrid::TAdvSelectDrawGrid(QWidget* parent)
    : QAbstractScrollArea(parent)
{
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setFocusPolicy(Qt::StrongFocus);
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    layOut();
}

void TAdvSelectDrawGrid::SetCellSize(int width, int height)
{
    m_cellWidth = std::max(width, 1);
    m_cellHeight = std::max(height, 1);
    layOut();
}

void TAdvSelectDrawGrid::SetNumOfCells(int count)
{
    m_numOfCells = std::max(count, 0);
    layOut();
}

void TAdvSelectDrawGrid::SetWrapCells(bool wrap)
{
    m_wrapCells = wrap;
    layOut();
}

void TAdvSelectDrawGrid::layOut()
{
    if (m_wrapCells) {
        const int frame = frameWidth();
        const int clientWidth = width() - 2 * frame;
        const int clientHeight = height() - 2 * frame;
        auto rowsFor = [this](int columns) { return std::max(1, (m_numOfCells + columns - 1) / columns); };
        m_colCount = std::max(1, (clientWidth - kWrapMargin) / m_cellWidth);
        m_rowCount = rowsFor(m_colCount);
        if (m_rowCount * m_cellHeight > clientHeight) {
            // The vertical scroll bar takes its width from the client area.
            const int bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
            m_colCount = std::max(1, (clientWidth - bar - kWrapMargin) / m_cellWidth);
            m_rowCount = rowsFor(m_colCount);
        }
    } else {
        m_colCount = std::max(1, m_numOfCells);
        m_rowCount = 1;
    }
    // Selected cells keep their indexes; those without a picture now are dropped.
    const auto beyond = std::remove_if(m_selection.begin(), m_selection.end(), [this](int i) { return !selectable(i); });
    const bool dropped = beyond != m_selection.end();
    m_selection.erase(beyond, m_selection.end());
    if (m_current >= m_colCount * m_rowCount)
        m_current = -1;
    updateScrollBar();
    viewport()->update();
    if (dropped)
        selectionChanged();
}

void TAdvSelectDrawGrid::updateScrollBar()
{
    const int content = m_rowCount * m_cellHeight;
    verticalScrollBar()->setRange(0, std::max(0, content - viewport()->height()));
    verticalScrollBar()->setSingleStep(m_cellHeight);
    verticalScrollBar()->setPageStep(std::max(viewport()->height(), 1));
}

bool TAdvSelectDrawGrid::IsSelected(int index) const
{
    return std::binary_search(m_selection.begin(), m_selection.end(), index);
}

void TAdvSelectDrawGrid::SetSelection(std::vector<int> indexes)
{
    indexes.erase(std::remove_if(indexes.begin(), indexes.end(), [this](int i) { return !selectable(i); }),
                  indexes.end());
    std::sort(indexes.begin(), indexes.end());
    indexes.erase(std::unique(indexes.begin(), indexes.end()), indexes.end());
    if (indexes == m_selection)
        return;
    m_selection = std::move(indexes);
    viewport()->update();
    selectionChanged();
}

void TAdvSelectDrawGrid::SelectAll()
{
    std::vector<int> all(static_cast<std::size_t>(m_numOfCells));
    for (int i = 0; i < m_numOfCells; ++i)
        all[std::size_t(i)] = i;
    SetSelection(std::move(all));
}

void TAdvSelectDrawGrid::selectionChanged()
{
    if (OnSelectionChange)
        OnSelectionChange();
}

void TAdvSelectDrawGrid::SetCurrentCell(int index)
{
    m_current = index >= 0 && index < m_colCount * m_rowCount ? index : -1;
    if (m_current >= 0) {
        const int top = (m_current / m_colCount) * m_cellHeight;
        QScrollBar* bar = verticalScrollBar();
        if (top < bar->value())
            bar->setValue(top);
        else if (top + m_cellHeight > bar->value() + viewport()->height())
            bar->setValue(top + m_cellHeight - viewport()->height());
    }
    viewport()->update();
    selectionChanged();
}

void TAdvSelectDrawGrid::FocusCell(int index)
{
    SetSelection(selectable(index) ? std::vector<int>{index} : std::vector<int>{});
    SetCurrentCell(index);
}

int TAdvSelectDrawGrid::CellAt(const QPoint& point) const
{
    if (point.x() < 0 || point.y() < 0)
        return -1;
    const int column = point.x() / m_cellWidth;
    const int row = (point.y() + verticalScrollBar()->value()) / m_cellHeight;
    if (column >= m_colCount || row >= m_rowCount)
        return -1;
    return column + row * m_colCount;
}

QRect TAdvSelectDrawGrid::CellRect(int index) const
{
    if (index < 0)
        return {};
    const int column = index % m_colCount;
    const int row = index / m_colCount;
    return {column * m_cellWidth, row * m_cellHeight - verticalScrollBar()->value(), m_cellWidth, m_cellHeight};
}

void TAdvSelectDrawGrid::RedrawCell(int index)
{
    viewport()->update(CellRect(index));
}

void TAdvSelectDrawGrid::RedrawCells(int first, int last)
{
    for (int i = std::min(first, last); i <= std::max(first, last); ++i)
        RedrawCell(i);
}

void TAdvSelectDrawGrid::ClickCell(int index, Qt::KeyboardModifiers modifiers)
{
    if (!selectable(index))
        return;
    if (modifiers & Qt::ShiftModifier) {
        if (m_selection.empty()) {
            SetSelection({index});
        } else {
            // From the first selected cell in display order, either direction.
            const int from = m_selection.front();
            std::vector<int> range;
            for (int i = std::min(from, index); i <= std::max(from, index); ++i)
                range.push_back(i);
            SetSelection(std::move(range));
        }
    } else if (modifiers & Qt::ControlModifier) {
        std::vector<int> selection = m_selection;
        const auto found = std::lower_bound(selection.begin(), selection.end(), index);
        if (found != selection.end() && *found == index) {
            if (selection.size() > 1)
                selection.erase(found);
        } else {
            selection.insert(found, index);
        }
        SetSelection(std::move(selection));
    } else {
        SetSelection({index});
    }
    SetCurrentCell(index);
}

void TAdvSelectDrawGrid::paintEvent(QPaintEvent* event)
{
    QPainter painter(viewport());
    const QRect area = event->rect();
    painter.fillRect(area, Background);
    const int offset = verticalScrollBar()->value();
    const int firstRow = std::max(0, (area.top() + offset) / m_cellHeight);
    const int lastRow = std::min(m_rowCount - 1, (area.bottom() + offset) / m_cellHeight);
    for (int row = firstRow; row <= lastRow; ++row) {
        for (int column = 0; column < m_colCount; ++column) {
            const int index = column + row * m_colCount;
            const QRect rect = CellRect(index);
            if (!rect.intersects(area) || !selectable(index) || !OnDrawCell)
                continue;
            painter.save();
            OnDrawCell(painter, index, rect, IsSelected(index));
            painter.restore();
        }
    }
    if (hasFocus() && m_current >= 0) {
        painter.setPen(QPen(palette().color(QPalette::WindowText), 1, Qt::DotLine));
        painter.drawRect(CellRect(m_current).adjusted(0, 0, -1, -1));
    }
}

void TAdvSelectDrawGrid::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    layOut();
}

void TAdvSelectDrawGrid::scrollContentsBy(int /*dx*/, int /*dy*/)
{
    viewport()->update();
}

void TAdvSelectDrawGrid::mousePressEvent(QMouseEvent* event)
{
    setFocus(Qt::MouseFocusReason);
    const int index = CellAt(event->position().toPoint());
    m_pressPoint = event->position().toPoint();
    m_pressCell = selectable(index) ? index : -1;
    m_pendingClick = -1;
    m_dragging = false;
    if (event->button() != Qt::LeftButton || !selectable(index))
        return;
    const Qt::KeyboardModifiers modifiers = event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier);
    if (modifiers == Qt::NoModifier && IsSelected(index)) {
        // A selection may be about to be dragged: it stays until the button comes up here.
        m_pendingClick = index;
        SetCurrentCell(index);
        return;
    }
    ClickCell(index, modifiers);
}

void TAdvSelectDrawGrid::mouseMoveEvent(QMouseEvent* event)
{
    if (m_dragging || m_pressCell < 0 || !(event->buttons() & (Qt::LeftButton | Qt::RightButton)))
        return;
    if ((event->position().toPoint() - m_pressPoint).manhattanLength() < QApplication::startDragDistance())
        return;
    m_dragging = true;
    m_pendingClick = -1;
    const int source = m_pressCell;
    m_pressCell = -1;
    if (OnStartDrag)
        OnStartDrag(source);
}

void TAdvSelectDrawGrid::mouseReleaseEvent(QMouseEvent* event)
{
    const int index = CellAt(event->position().toPoint());
    if (m_pendingClick >= 0 && index == m_pendingClick && event->button() == Qt::LeftButton
        && (event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier)) == Qt::NoModifier)
        ClickCell(index, Qt::NoModifier);
    m_pendingClick = -1;
    m_pressCell = -1;
    m_dragging = false;
}

void TAdvSelectDrawGrid::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && selectable(CellAt(event->position().toPoint())) && OnDblClick)
        OnDblClick();
}

void TAdvSelectDrawGrid::keyPressEvent(QKeyEvent* event)
{
    const int current = std::max(m_current, 0);
    int next = -1;
    switch (event->key()) {
    case Qt::Key_Left:
        next = current > 0 ? current - 1 : -1;
        break;
    case Qt::Key_Right:
        next = current + 1 < m_numOfCells ? current + 1 : -1;
        break;
    case Qt::Key_Up:
        next = current - m_colCount >= 0 ? current - m_colCount : -1;
        break;
    case Qt::Key_Down:
        next = current + m_colCount < m_colCount * m_rowCount ? current + m_colCount : -1;
        break;
    default:
        QAbstractScrollArea::keyPressEvent(event);
        return;
    }
    event->accept();
    if (next < 0)
        return;
    const Qt::KeyboardModifiers modifiers = event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier);
    if (selectable(next))
        ClickCell(next, modifiers);
    else
        SetCurrentCell(next);
}

void TAdvSelectDrawGrid::dragEnterEvent(QDragEnterEvent* event)
{
    if (OnAcceptDrag && OnAcceptDrag(event->mimeData()))
        event->acceptProposedAction();
    else
        event->ignore();
}

void TAdvSelectDrawGrid::dragMoveEvent(QDragMoveEvent* event)
{
    const bool over = selectable(CellAt(event->position().toPoint()));
    if (over && OnAcceptDrag && OnAcceptDrag(event->mimeData()))
        event->acceptProposedAction();
    else
        event->ignore();
}

void TAdvSelectDrawGrid::dropEvent(QDropEvent* event)
{
    const int index = CellAt(event->position().toPoint());
    if (!selectable(index) || !OnAcceptDrag || !OnAcceptDrag(event->mimeData())) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    if (OnDropOnCell)
        OnDropOnCell(event->mimeData(), index);
}

} // namespace vellum
