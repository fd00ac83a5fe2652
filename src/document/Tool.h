#pragma once

#include <memory>

#include <QPoint>
#include <QRect>
#include <QSize>

#include "document/VLToolVars.h"

namespace vellum {

class TFreehandPoints;
class TPictureScrollBox;
class TPictureSelection;

// What a tool reaches of its picture document.
class TToolHost {
public:
    virtual ~TToolHost() = default;
    [[nodiscard]] virtual TPictureScrollBox& PictureScrollBox() const = 0;
    // The floating selection, or none.
    [[nodiscard]] virtual TPictureSelection* Selection() const = 0;
    // The area the main window offers documents (the Zoom tool fits bands into it).
    [[nodiscard]] virtual QSize AvailableArea() const = 0;
    virtual void SetZoom(int zoom, int centreX, int centreY) = 0;
    // Picture coordinates; failures are reported to the user by the document.
    virtual void CreateRectSelection(const QRect& rect, TColor transparent) = 0;
    virtual void CreateFreehandSelection(TFreehandPoints& points, TColor transparent) = 0;
    virtual void CreateMagicWandSelection(const QPoint& point) = 0;
    // Moves the floating selection's top-left corner, repaints and reports the move.
    virtual void MoveSelectionTo(const QPoint& topLeft) = 0;
};

// A mouse event as tools see it: the button, the point on the view's surface and the picture
// point under it (possibly outside the picture).
struct TToolEvent {
    Qt::MouseButton Button = Qt::NoButton;
    QPoint View;
    QPoint Picture;
};

// One tool's part of the document's press, move and release protocol. The document first
// checks the press (no drag under way, active window, inside the picture), records undo and
// treats a floating selection as Prelude() says, then calls Press; Move and Release follow
// only while the drag goes on.
class TVLTool {
public:
    // What a press does to a floating selection before the tool's own step.
    enum class TSelectionPrelude {
        Leave,        // nothing
        PauseAnts,    // paused until the release
        Commit,       // drawn back into the picture
        GrabOrCommit, // a left press on it starts moving it; any other press commits it
    };

    explicit TVLTool(TToolHost& host) : m_host(host) {}
    virtual ~TVLTool() = default;
    TVLTool(const TVLTool&) = delete;
    TVLTool& operator=(const TVLTool&) = delete;

    // Whether a press inside the picture records an undo action of picture and selection.
    [[nodiscard]] virtual bool RecordsUndo() const { return true; }
    [[nodiscard]] virtual TSelectionPrelude Prelude() const { return TSelectionPrelude::Commit; }
    // The tool's step of a press; false ends the drag at once.
    virtual bool Press(const TToolEvent& event) = 0;
    // A move while the drag goes on.
    virtual void Move(const TToolEvent&) {}
    // A move without a drag.
    virtual void Hover(const TToolEvent&) {}
    // The release of the button that started the drag.
    virtual void Release(const TToolEvent&) {}
    // The drag ends without a release (the window lost the mouse): take back what is on screen.
    virtual void Cancel() {}

protected:
    [[nodiscard]] TToolHost& host() const { return m_host; }

private:
    TToolHost& m_host;
};

// The tool object for a tool number; none for tools whose steps the document does not run.
[[nodiscard]] std::unique_ptr<TVLTool> MakeTool(TTool tool, TToolHost& host);

// Whether the tool is one of the three selection tools.
[[nodiscard]] constexpr bool IsSelectionTool(TTool tool)
{
    return tool == TTool::SelectRect || tool == TTool::SelectFreehand || tool == TTool::MagicWand;
}

} // namespace vellum
