#include "document/SelectionTools.h"

#include <algorithm>

#include "document/PictureScrollBx.h"
#include "raster/Canvas.h"
#include "selection/PicSelection.h"

namespace vellum {

// --- shared steps ---------------------------------------------------------------------------------

std::pair<QPoint, QPoint> TSelectionTool::clamped(const QPoint& picture) const
{
    const TPictureScrollBox& view = host().PictureScrollBox();
    const QPoint p(std::clamp(picture.x(), 0, view.Bitmap().Width()), std::clamp(picture.y(), 0, view.Bitmap().Height()));
    return {p, view.PictureToView(p)};
}

TCanvas& TSelectionTool::bandCanvas() const
{
    TCanvas& canvas = host().PictureScrollBox().ScreenCanvas();
    BeginRubberBand(canvas, TPenStyle::psDot, 1);
    return canvas;
}

void TSelectionTool::normalPen() const
{
    EndRubberBand(host().PictureScrollBox().ScreenCanvas());
}

TColor TSelectionTool::transparentColour()
{
    return SelectionTransparentColour(ToolSettings());
}

bool TSelectionTool::Press(const TToolEvent& event)
{
    if (event.Button != Qt::LeftButton)
        return false;
    if (TPictureSelection* selection = host().Selection(); selection != nullptr && selection->Moving) {
        selection->GrabX = event.Picture.x() - selection->Bounds.left();
        selection->GrabY = event.Picture.y() - selection->Bounds.top();
        return true;
    }
    const auto [picture, view] = clamped(event.Picture);
    return pressAt(picture, view);
}

void TSelectionTool::Move(const TToolEvent& event)
{
    TPictureSelection* selection = host().Selection();
    if (selection != nullptr) {
        if (selection->Moving)
            host().MoveSelectionTo(event.Picture - QPoint(selection->GrabX, selection->GrabY));
        return;
    }
    const auto [picture, view] = clamped(event.Picture);
    moveAt(picture, view);
}

void TSelectionTool::Release(const TToolEvent&)
{
    TPictureSelection* selection = host().Selection();
    if (selection != nullptr) {
        if (selection->Moving) {
            selection->Moving = false;
            selection->StartAnts(true);
        }
        return;
    }
    releaseAt();
}

void TSelectionTool::Cancel()
{
    if (TPictureSelection* selection = host().Selection()) {
        selection->Moving = false;
        return;
    }
    cancelOwn();
}

// --- Select Rect ----------------------------------------------------------------------------------

void TSelectRectTool::drawBand() const
{
    bandCanvas().Rectangle(m_band.left(), m_band.top(), m_band.right(), m_band.bottom());
    host().PictureScrollBox().ShowScreen();
}

bool TSelectRectTool::pressAt(const QPoint&, const QPoint& view)
{
    m_band = QRect(view, view);
    drawBand();
    return true;
}

void TSelectRectTool::moveAt(const QPoint&, const QPoint& view)
{
    drawBand();
    m_band.setBottomRight(view);
    drawBand();
}

void TSelectRectTool::cancelOwn()
{
    drawBand();
    normalPen();
}

void TSelectRectTool::releaseAt()
{
    drawBand();
    normalPen();
    const TPictureScrollBox& view = host().PictureScrollBox();
    const QPoint a = view.ViewToPicture(m_band.topLeft());
    const QPoint b = view.ViewToPicture(m_band.bottomRight());
    // The far corner is the pixel under the mouse: its row and column stay outside.
    host().CreateRectSelection(QRect(a.x(), a.y(), b.x() - a.x(), b.y() - a.y()), transparentColour());
}

// --- Select Freehand ------------------------------------------------------------------------------

bool TSelectFreehandTool::pressAt(const QPoint& picture, const QPoint& view)
{
    bandCanvas().MoveTo(view.x(), view.y());
    m_points = std::make_unique<TFreehandPoints>();
    m_points->Add(picture);
    return true;
}

void TSelectFreehandTool::moveAt(const QPoint& picture, const QPoint& view)
{
    if (!m_points)
        return;
    bandCanvas().LineTo(std::max(view.x() - 1, 0), std::max(view.y() - 1, 0));
    host().PictureScrollBox().ShowScreen();
    if (picture != m_points->Last())
        m_points->Add(picture);
}

void TSelectFreehandTool::cancelOwn()
{
    normalPen();
    m_points.reset();
    host().PictureScrollBox().Repaint();
}

void TSelectFreehandTool::releaseAt()
{
    normalPen();
    if (!m_points)
        return;
    const std::unique_ptr<TFreehandPoints> points = std::move(m_points);
    host().CreateFreehandSelection(*points, transparentColour());
}

// --- Magic Wand -----------------------------------------------------------------------------------

bool TMagicWandTool::pressAt(const QPoint& picture, const QPoint&)
{
    host().CreateMagicWandSelection(picture);
    return true;
}

} // namespace vellum
