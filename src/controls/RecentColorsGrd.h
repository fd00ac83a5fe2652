#pragma once

#include <functional>
#include <vector>

#include <QWidget>

#include "controls/XGraphicCtrls.h"

namespace vellum {

// A list of colour values with a default colour: reading outside the list gives the default,
// writing outside it does nothing, growing it fills with the default.
class TColorList {
public:
    [[nodiscard]] int Count() const { return static_cast<int>(m_items.size()); }
    void SetCount(int count);
    [[nodiscard]] TColor Item(int index) const;
    void SetItem(int index, TColor colour);
    [[nodiscard]] int IndexOf(TColor colour) const;
    [[nodiscard]] TColor DefaultColour() const { return m_default; }
    void SetDefaultColour(TColor colour) { m_default = colour; }

private:
    std::vector<TColor> m_items;
    TColor m_default = 0xFFFFFF;
};

// A grid of recently used colours, most recent first, each kept once. Cell (col, row) shows
// entry col + row x ColorColCount. Each cell owns its one-pixel gap to the right and below, so
// every point of the grid lies on a cell.
class TRecentColorsGrid : public QWidget {
public:
    explicit TRecentColorsGrid(QWidget* parent = nullptr);

    [[nodiscard]] int ColorColCount() const { return m_cols; }
    [[nodiscard]] int ColorRowCount() const { return m_rows; }
    // Counts of 0 or less and the current count are refused.
    void SetColorColCount(int cols);
    void SetColorRowCount(int rows);
    [[nodiscard]] int ColorColWidth() const { return m_colWidth; }
    [[nodiscard]] int ColorRowHeight() const { return m_rowHeight; }
    void SetColorColWidth(int width);
    void SetColorRowHeight(int height);
    [[nodiscard]] TColor DefaultColor() const { return m_list.DefaultColour(); }
    void SetDefaultColor(TColor colour) { m_list.SetDefaultColour(colour); }
    [[nodiscard]] bool AutoPromote() const { return m_autoPromote; }
    void SetAutoPromote(bool promote) { m_autoPromote = promote; }

    [[nodiscard]] int Count() const { return m_list.Count(); }
    [[nodiscard]] TColor Colours(int index) const { return m_list.Item(index); }
    // Writes an entry inside the list when it differs.
    void SetColour(int index, TColor colour);
    // The entry of the cell under a grid point (entry 0 when the point is on no cell).
    [[nodiscard]] TColor ColourAtPoint(int x, int y) const;
    // Puts a colour first: an entry already first stays; one further on moves to the front;
    // otherwise every entry moves one place on and the last falls off.
    void AddColour(TColor colour);

    std::function<void(TRecentColorsGrid* sender, Qt::MouseButton button,
                       Qt::KeyboardModifiers shift, TColor colour)>
        OnColorDown;
    std::function<void(TRecentColorsGrid* sender)> OnMouseEnter;
    std::function<void(TRecentColorsGrid* sender)> OnMouseLeave;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void Resized();

    TColorList m_list;
    int m_cols = 5;
    int m_rows = 5;
    int m_colWidth = 20;
    int m_rowHeight = 20;
    bool m_autoPromote = false;
    bool m_mouseInside = false;
};

} // namespace vellum
