#pragma once

#include "document/Tool.h"

namespace vellum {

// Zooms in or out a step on a click, or fits a band drawn on the view into the document area.
class TZoomTool : public TVLTool {
public:
    using TVLTool::TVLTool;
    [[nodiscard]] bool RecordsUndo() const override { return false; }
    [[nodiscard]] TSelectionPrelude Prelude() const override { return TSelectionPrelude::PauseAnts; }
    bool Press(const TToolEvent& event) override;
    void Move(const TToolEvent& event) override;
    void Release(const TToolEvent& event) override;
    void Cancel() override;

private:
    // The band on the screen, drawn (or taken away) with the inverting pen.
    void drawBand();

    // View coordinates snapped to picture pixels; right and bottom are the far corner.
    QRect m_band;
    Qt::MouseButton m_button = Qt::NoButton;
};

} // namespace vellum
