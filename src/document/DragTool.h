#pragma once

#include "document/Tool.h"

namespace vellum {

// Drags the picture: the view scrolls with the mouse.
class TDragTool : public TVLTool {
public:
    using TVLTool::TVLTool;
    [[nodiscard]] bool RecordsUndo() const override { return false; }
    [[nodiscard]] TSelectionPrelude Prelude() const override { return TSelectionPrelude::PauseAnts; }
    bool Press(const TToolEvent& event) override;
    void Move(const TToolEvent& event) override;
    void Release(const TToolEvent& event) override;

private:
    QPoint m_lastPoint; // view coordinates
};

} // namespace vellum
