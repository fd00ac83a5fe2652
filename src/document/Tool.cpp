#include "document/Tool.h"

#include "document/DragTool.h"
#include "document/SelectionTools.h"
#include "document/ZoomTool.h"

namespace vellum {

std::unique_ptr<TVLTool> MakeTool(TTool tool, TToolHost& host)
{
    switch (tool) {
    case TTool::Drag: return std::make_unique<TDragTool>(host);
    case TTool::Zoom: return std::make_unique<TZoomTool>(host);
    case TTool::SelectRect: return std::make_unique<TSelectRectTool>(host);
    case TTool::SelectFreehand: return std::make_unique<TSelectFreehandTool>(host);
    case TTool::MagicWand: return std::make_unique<TMagicWandTool>(host);
    default: return nullptr;
    }
}

} // namespace vellum
