#include "document/Tool.h"

#include <array>

#include "document/DragTool.h"
#include "document/PaintTools.h"
#include "document/SelectionTools.h"
#include "document/ZoomTool.h"

namespace vellum {

namespace {

template <typename Tool>
std::unique_ptr<TVLTool> make(TToolHost& host)
{
    return std::make_unique<Tool>(host);
}

using TMaker = std::unique_ptr<TVLTool> (*)(TToolHost&);

// By tool number.
constexpr std::array<TMaker, 12> Makers = {
    make<TPenTool>,        make<TFillTool>,       make<TSpecialPenTool>,     make<TSprayCanTool>,
    make<TShapesTool>,     make<TTextTool>,       make<TDropperTool>,        make<TDragTool>,
    make<TZoomTool>,       make<TSelectRectTool>, make<TSelectFreehandTool>, make<TMagicWandTool>,
};

} // namespace

std::unique_ptr<TVLTool> MakeTool(TTool tool, TToolHost& host)
{
    const auto index = static_cast<std::size_t>(tool);
    return index < Makers.size() ? Makers[index](host) : nullptr;
}

} // namespace vellum
