#include "document/DragTool.h"

#include "document/PictureScrollBx.h"
#include "selection/PicSelection.h"

namespace vellum {

bool TDragTool::Press(const TToolEvent& event)
{
    m_lastPoint = event.View;
    return true;
}

void TDragTool::Move(const TToolEvent& event)
{
    host().PictureScrollBox().ScrollBy(m_lastPoint.x() - event.View.x(), m_lastPoint.y() - event.View.y());
    m_lastPoint = event.View;
}

void TDragTool::Release(const TToolEvent&)
{
    if (TPictureSelection* selection = host().Selection())
        selection->StartAnts(true);
}

} // namespace vellum
