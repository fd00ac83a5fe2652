#pragma once

// A drawn grid of equal cells that wraps a number of cells to its width, with a selection of
// many cells (kept in display order) and a current cell. The owner draws the cells and decides
// what dragging means; the grid only says where.
#include <functional>
#include <vector>

#include <QAbstractScrollArea>
#include <QColor>
#include <QPoint>

class QMimeData;

namespace vellum {

class TAdvSelectDrawGrid : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit TAdvSelectDrawGrid(QWidget* parent = nullptr);

    void SetCellSize(int width, int height);
    [[nodiscard]] int CellWidth() const { return m_cellWidth; }
    [[nodiscard]] int CellHeight() const { return m_cellHeight; }

    // Cells that hold something; the others are empty and cannot be selected.
    [[nodiscard]] int NumOfCells() const { return m_numOfCells; }
    void SetNumOfCells(int count);
    [[nodiscard]] bool WrapCells() const { return m_wrapCells; }
    void SetWrapCells(bool wrap);
    // Columns and rows as laid out; never below 1 x 1.
    [[nodiscard]] int ColCount() const { return m_colCount; }
    [[nodiscard]] int RowCount() const { return m_rowCount; }

    // Selected cell indexes (column + row x columns), ascending: display order.
    [[nodiscard]] const std::vector<int>& Selection() const { return m_selection; }
    [[nodiscard]] bool IsSelected(int index) const;
    void SetSelection(std::vector<int> indexes);
    void SelectAll();
    [[nodiscard]] int CurrentCell() const { return m_current; }
    // Makes index the current cell and scrolls it into view; -1 for none.
    void SetCurrentCell(int index);
    // The current cell alone selected.
    void FocusCell(int index);

    [[nodiscard]] int CellAt(const QPoint& viewportPoint) const;
    [[nodiscard]] QRect CellRect(int index) const;
    void RedrawCell(int index);
    void RedrawCells(int first, int last);

    // A click with modifiers on cell index, as the mouse or the keys do it.
    void ClickCell(int index, Qt::KeyboardModifiers modifiers);

    QColor Background{Qt::white};
    std::function<void(QPainter& painter, int index, const QRect& rect, bool selected)> OnDrawCell;
    std::function<void()> OnDblClick;
    std::function<void()> OnSelectionChange;
    // The mouse moved far enough with a button down over a picture cell.
    std::function<void(int sourceIndex)> OnStartDrag;
    // Whether dragged data may be dropped on the grid; it lands only on a picture cell.
    std::function<bool(const QMimeData* data)> OnAcceptDrag;
    std::function<void(const QMimeData* data, int index)> OnDropOnCell;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    void layOut();
    void updateScrollBar();
    void selectionChanged();
    [[nodiscard]] bool selectable(int index) const { return index >= 0 && index < m_numOfCells; }

    int m_cellWidth = 110;
    int m_cellHeight = 130;
    int m_numOfCells = 0;
    bool m_wrapCells = true;
    int m_colCount = 1;
    int m_rowCount = 1;
    std::vector<int> m_selection;
    int m_current = -1;
    // A press on a selected cell without modifiers: the click takes effect on release.
    int m_pendingClick = -1;
    QPoint m_pressPoint;
    int m_pressCell = -1;
    bool m_dragging = false;
};

} // namespace vellum
