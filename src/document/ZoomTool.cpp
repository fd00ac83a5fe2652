#include "document/ZoomTool.h"

#include <cstdlib>

#include "document/PictureScrollBx.h"
#include "raster/Canvas.h"
#include "selection/PicSelection.h"

namespace vellum {

void TZoomTool::drawBand()
{
    TPictureScrollBox& view = host().PictureScrollBox();
    TCanvas& canvas = view.ScreenCanvas();
    BeginRubberBand(canvas, TPenStyle::psDot, 1);
    canvas.Rectangle(m_band.left(), m_band.top(), m_band.right(), m_band.bottom());
    EndRubberBand(canvas);
    view.ShowScreen();
}

bool TZoomTool::Press(const TToolEvent& event)
{
    const TPictureScrollBox& view = host().PictureScrollBox();
    m_button = event.Button;
    const QPoint corner(view.Snap(event.View.x()), view.Snap(event.View.y()));
    m_band = QRect(corner, corner);
    drawBand();
    return true;
}

void TZoomTool::Move(const TToolEvent& event)
{
    const TPictureScrollBox& view = host().PictureScrollBox();
    drawBand();
    m_band.setBottomRight(QPoint(view.Snap(event.View.x()), view.Snap(event.View.y())));
    drawBand();
}

void TZoomTool::Cancel() { drawBand(); }

void TZoomTool::Release(const TToolEvent&)
{
    drawBand();
    TPictureScrollBox& view = host().PictureScrollBox();
    const QPoint start = view.ViewToPicture(m_band.topLeft());
    const QPoint end = view.ViewToPicture(m_band.bottomRight());
    const int w = std::abs(end.x() - start.x());
    const int h = std::abs(end.y() - start.y());
    const int zoom = TPictureScrollBox::ZoomForBand(w, h, host().AvailableArea(), view.ZoomFactor(), m_button);
    if (w <= 10 || h <= 10)
        host().SetZoom(zoom, start.x(), start.y());
    else if (zoom >= TPictureScrollBox::MinZoom)
        host().SetZoom(zoom, (start.x() + end.x()) / 2, (start.y() + end.y()) / 2);
    if (TPictureSelection* selection = host().Selection())
        selection->StartAnts(true);
}

} // namespace vellum
