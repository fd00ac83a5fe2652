#pragma once

#include <functional>

#include <QWidget>

#include "controls/XGraphicCtrls.h"

class QTimer;
class QToolButton;

namespace vellum {

// A side panel that folds to a narrow bar. Its bar (at the left edge, as wide as a scroll bar)
// carries the lock button and, while collapsed, two colour squares. While unlocked, the panel
// expands when the pointer has stayed inside it for HoverDelayMs and collapses when the pointer
// has stayed outside for as long, judged by where the pointer really is when the delay ends;
// while a modal dialog is open it keeps its state.
class TCollapsingPanel : public QWidget {
public:
    static constexpr int ExpandedWidth = 89;
    static constexpr int HoverDelayMs = 400;

    explicit TCollapsingPanel(QWidget* parent = nullptr);

    // The area for the panel's contents; hidden while collapsed.
    [[nodiscard]] QWidget* Contents() const { return m_contents; }
    [[nodiscard]] bool Expanded() const { return m_expanded; }
    void SetExpanded(bool expanded);
    [[nodiscard]] bool Locked() const { return m_locked; }
    // Unlocking a collapsed panel expands it.
    void SetLocked(bool locked);
    [[nodiscard]] QToolButton* LockButton() const { return m_lockButton; }
    [[nodiscard]] int BarWidth() const;
    // The width while expanded: ExpandedWidth unless something wider sits inside.
    [[nodiscard]] int ExpandedWidthNow() const { return m_expandedWidth; }
    void SetExpandedWidth(int width);
    // The two colours the collapsed bar shows.
    void SetBarColours(TColor fore, TColor back);
    [[nodiscard]] QWidget* Bar() const { return m_bar; }
    // The delay between the pointer crossing the edge and the panel following it.
    [[nodiscard]] QTimer* HoverTimer() const { return m_hoverTimer; }
    [[nodiscard]] bool PointerInside() const { return m_pointerInside; }
    // Whether the pointer is over the shown panel now.
    [[nodiscard]] bool PointerReallyInside() const;

    std::function<void(TCollapsingPanel* sender)> OnChange; // expanded or locked changed

protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void HoverElapsed();
    void Arrange();

    QWidget* m_bar = nullptr;
    QWidget* m_contents = nullptr;
    QToolButton* m_lockButton = nullptr;
    QTimer* m_hoverTimer = nullptr;
    bool m_expanded = true;
    int m_expandedWidth = ExpandedWidth;
    bool m_locked = false;
    bool m_pointerInside = false;
    TColor m_fore = 0;
    TColor m_back = 0xFFFFFF;

    friend class TCollapsingPanelBar;
};

} // namespace vellum
