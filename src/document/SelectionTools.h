#pragma once

#include <memory>

#include "document/Tool.h"
#include "selection/PicPointArray.h"

namespace vellum {

class TCanvas;

// The steps the three selection tools share: a left press on the floating selection grabs it
// and the drag moves it (anywhere, also off the picture); otherwise the press point, clamped
// to the picture's edges, starts the tool's own step. The right button does nothing here.
class TSelectionTool : public TVLTool {
public:
    using TVLTool::TVLTool;
    [[nodiscard]] TSelectionPrelude Prelude() const override { return TSelectionPrelude::GrabOrCommit; }
    bool Press(const TToolEvent& event) override;
    void Move(const TToolEvent& event) override;
    void Release(const TToolEvent& event) override;
    // A moving selection stops where it is; otherwise the tool's own trace goes.
    void Cancel() override;

protected:
    virtual void cancelOwn() {}
    // Picture point clamped to 0..width, 0..height, and that point on the view.
    virtual bool pressAt(const QPoint& picture, const QPoint& view) = 0;
    virtual void moveAt(const QPoint&, const QPoint&) {}
    virtual void releaseAt() {}
    // The inverting dotted pen of bands and trails, and back to the normal pen.
    [[nodiscard]] TCanvas& bandCanvas() const;
    void normalPen() const;
    [[nodiscard]] static TColor transparentColour();

private:
    [[nodiscard]] std::pair<QPoint, QPoint> clamped(const QPoint& picture) const;
};

class TSelectRectTool : public TSelectionTool {
public:
    using TSelectionTool::TSelectionTool;

protected:
    void cancelOwn() override;
    bool pressAt(const QPoint& picture, const QPoint& view) override;
    void moveAt(const QPoint& picture, const QPoint& view) override;
    void releaseAt() override;

private:
    void drawBand() const;
    QRect m_band; // view coordinates; right and bottom are the far corner
};

class TSelectFreehandTool : public TSelectionTool {
public:
    using TSelectionTool::TSelectionTool;

protected:
    void cancelOwn() override;
    bool pressAt(const QPoint& picture, const QPoint& view) override;
    void moveAt(const QPoint& picture, const QPoint& view) override;
    void releaseAt() override;

private:
    std::unique_ptr<TFreehandPoints> m_points; // picture coordinates
};

class TMagicWandTool : public TSelectionTool {
public:
    using TSelectionTool::TSelectionTool;

protected:
    bool pressAt(const QPoint& picture, const QPoint& view) override;
};

} // namespace vellum
