#pragma once

#include <cstdint>
#include <exception>
#include <memory>

#include <QPoint>
#include <QRect>
#include <QSize>

#include "document/VLToolVars.h"

namespace vellum {

class TDocumentArea;
class TFreehandPoints;
class TPictureScrollBox;
class TPictureSelection;

// What changed in a picture document, reported after every change.
enum TChangeFlag : std::uint16_t {
    chgPicture = 1,
    chgScroll = 2,
    chgZoom = 4,
    chgViewSize = 8,
    chgPicSize = 16,
    chgSelCreated = 32,
    chgSelMoved = 64,
    chgSelContent = 128,
    chgSelRemoved = 256,
};
using TChangeSet = std::uint16_t;

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
    virtual void NotifyChange(TChangeSet changes, bool setModified) = 0;
    // A step of the drag failed: the drag is cancelled and the message shown in an error box.
    virtual void DragFailed(const std::exception& error) = 0;
    // The main window's part (colours, read-out, Add Text, tool choice); none without one.
    [[nodiscard]] virtual TDocumentArea* MainWindow() const = 0;
};

// A mouse event as tools see it: the button, the point on the view's surface and the picture
// point under it (possibly outside the picture).
struct TToolEvent {
    Qt::MouseButton Button = Qt::NoButton;
    QPoint View;
    QPoint Picture;
    // The press is the second press of a double click.
    bool DoubleClick = false;
    // The drag's colour: the foreground for a left drag, the background for any other.
    [[nodiscard]] bool Left() const { return Button == Qt::LeftButton; }
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

    // Whether a press while this tool's drag runs cancels the drag (else it is ignored).
    [[nodiscard]] virtual bool CancelOnPress() const { return false; }
    // Whether a press inside the picture records an undo action of picture and selection.
    [[nodiscard]] virtual bool RecordsUndo() const { return true; }
    [[nodiscard]] virtual TSelectionPrelude Prelude() const { return TSelectionPrelude::Commit; }
    // The tool's step of a press; false ends the drag at once.
    virtual bool Press(const TToolEvent& event) = 0;
    // A move while the drag goes on.
    virtual void Move(const TToolEvent&) {}
    // Every move over the view, before Move during a drag.
    virtual void Hover(const TToolEvent&) {}
    // The pointer left the view.
    virtual void Leave() {}
    // The release of the button that started the drag.
    virtual void Release(const TToolEvent&) {}
    // The drag ends without a release (a command, the window lost the mouse or a failure):
    // take back what is on screen; what the drag painted into the picture stays.
    virtual void Cancel() {}

protected:
    [[nodiscard]] TToolHost& host() const { return m_host; }

private:
    TToolHost& m_host;
};

// The tool object for a tool number.
[[nodiscard]] std::unique_ptr<TVLTool> MakeTool(TTool tool, TToolHost& host);

// Whether the tool is one of the three selection tools.
[[nodiscard]] constexpr bool IsSelectionTool(TTool tool)
{
    return tool == TTool::SelectRect || tool == TTool::SelectFreehand || tool == TTool::MagicWand;
}

} // namespace vellum
