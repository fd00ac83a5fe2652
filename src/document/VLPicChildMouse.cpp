// The picture document's mouse handling: the common press, move and release of every tool's
// drag, and its cancellation.

#include "document/VLPicChildWn.h"

#include "document/PaintTools.h"
#include "document/VLPicChildPrivate.h"
#include "document/VLToolVars.h"

namespace vellum {

// The common press: one drag at a time, in a document that was active before the press, inside
// the picture; then the tool's undo record and its treatment of a floating selection, then the
// tool's own step.
void TVLPicChildWin::viewMouseDown(Qt::MouseButton button, int x, int y, bool doubleClick)
{
    if (m_justActivated || !isActiveDocument()) {
        m_justActivated = false;
        return;
    }
    if (m_drag != TDrag::None) {
        if (m_tool && m_tool->CancelOnPress())
            CancelDrag();
        return;
    }
    const QPoint p = m_view->ViewToPicture(QPoint(x, y));
    if (!m_view->PtInPicture(p.x(), p.y()))
        return;
    TVLTool* tool = currentTool();
    if (tool == nullptr)
        return;
    m_drag = button == Qt::LeftButton ? TDrag::Left : TDrag::Right;
    // A selection tool's press without a selection changes nothing: its step is recorded only
    // when a selection is made.
    m_recordAtCreation = tool->RecordsUndo() && IsSelectionTool(m_toolKind) && !m_selection;
    if (tool->RecordsUndo() && !m_recordAtCreation)
        recordPictureAndSelection(true);
    if (m_selection) {
        switch (tool->Prelude()) {
        case TVLTool::TSelectionPrelude::Leave:
            break;
        case TVLTool::TSelectionPrelude::PauseAnts:
            m_selection->StopAnts();
            break;
        case TVLTool::TSelectionPrelude::GrabOrCommit:
            if (button == Qt::LeftButton && !m_selection->Moving && m_selection->HitTest(p.x(), p.y())) {
                m_selection->Moving = true;
                m_selection->StopAnts();
                break;
            }
            [[fallthrough]];
        case TVLTool::TSelectionPrelude::Commit:
            DropSelection(true, true);
            break;
        }
    }
    if (!tool->Press(TToolEvent{button, QPoint(x, y), p, doubleClick})) {
        m_drag = TDrag::None;
        m_recordAtCreation = false;
    }
}

TVLTool* TVLPicChildWin::currentTool()
{
    // A drag keeps the tool that started it.
    if (m_drag == TDrag::None && (!m_tool || m_toolKind != ToolSettings().Tool)) {
        m_tool = MakeTool(ToolSettings().Tool, *this);
        m_toolKind = ToolSettings().Tool;
    }
    return m_tool.get();
}

void TVLPicChildWin::viewMouseMove(int x, int y)
{
    if (!isActiveDocument())
        return;
    const QPoint p = m_view->ViewToPicture(QPoint(x, y));
    if (m_view->PtInPicture(p.x(), p.y()))
        setPanel(3, QStringLiteral("%1 , %2").arg(p.x()).arg(p.y()));
    const TTool current = ToolSettings().Tool;
    if (m_selection && current != TTool::Drag && current != TTool::Zoom)
        setViewCursor(IsSelectionTool(current) && m_selection->HitTest(p.x(), p.y()) ? int(crMove) : int(ToolSettings().ToolCursor));
    const TToolEvent event{Qt::NoButton, QPoint(x, y), p};
    TVLTool* tool = currentTool();
    if (tool == nullptr)
        return;
    tool->Hover(event);
    if (m_drag != TDrag::None)
        tool->Move(event);
}

void TVLPicChildWin::viewMouseUp(Qt::MouseButton button, int x, int y)
{
    const TDrag kind = button == Qt::LeftButton ? TDrag::Left : TDrag::Right;
    if (m_drag == TDrag::None || kind != m_drag || !m_tool)
        return;
    m_drag = TDrag::None;
    m_tool->Release(TToolEvent{button, QPoint(x, y), m_view->ViewToPicture(QPoint(x, y))});
    m_recordAtCreation = false;
}

void TVLPicChildWin::CancelDrag()
{
    m_recordAtCreation = false;
    if (m_drag == TDrag::None)
        return;
    m_drag = TDrag::None;
    if (m_tool)
        m_tool->Cancel();
    // Drag and Zoom paused the ants for the drag.
    if (m_selection && !m_selection->Moving && m_active)
        m_selection->StartAnts(false);
}

void TVLPicChildWin::DragFailed(const std::exception& error)
{
    try {
        CancelDrag();
    } catch (const std::exception&) {
        // The first failure is the one to tell.
        m_drag = TDrag::None;
    }
    ShowError(this, messageOf(error));
}

TSprayCan* TVLPicChildWin::SprayCan() const
{
    const auto* tool = dynamic_cast<const TSprayCanTool*>(m_tool.get());
    return tool != nullptr ? tool->SprayCan() : nullptr;
}

} // namespace vellum
