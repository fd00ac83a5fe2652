// The picture document's floating selection: making, moving, dropping, cropping to it and
// selecting all.

#include "document/VLPicChildWn.h"

#include <algorithm>
#include <cstdlib>
#include <utility>

#include "document/VLPicChildPrivate.h"
#include "document/VLToolVars.h"

namespace vellum {

namespace {

// Rectangle x, y, width, height with negative sizes turned round: the same pixels, left and top
// the smaller edges.
QRect normalised(const QRect& r)
{
    const int x1 = r.x() + r.width();
    const int y1 = r.y() + r.height();
    return QRect(QPoint(std::min(r.x(), x1), std::min(r.y(), y1)), QSize(std::abs(r.width()), std::abs(r.height())));
}

} // namespace

void TVLPicChildWin::PlaceTextPicture(const TXBitmap& picture, TColor background)
{
    // Recorded as a paste: undo takes the text away, and nothing older with it.
    recordPaste();
    CreateBitmapSelection(&picture, m_view->VisibleRect().topLeft(), background);
}

void TVLPicChildWin::nudgeSelection(int dx, int dy)
{
    MoveSelectionTo(m_selection->Bounds.topLeft() + QPoint(dx, dy));
}

void TVLPicChildWin::MoveSelectionTo(const QPoint& topLeft)
{
    if (!m_selection)
        return;
    const QRect before = m_selection->Bounds;
    m_selection->MoveTo(topLeft.x(), topLeft.y());
    m_view->RepaintRect(before.united(m_selection->Bounds), 0);
    NotifyChange(chgSelMoved, true);
}

void TVLPicChildWin::FreeSelection()
{
    m_selection.reset();
    setViewCursor(ToolSettings().ToolCursor);
}

template <typename Make>
void TVLPicChildWin::createSelection(Make&& make, const QRect& repaint)
{
    if (m_selection) {
        FreeSelection();
        NotifyChange(chgSelRemoved, true);
    }
    // The step of the selection tool's press, when it waited for the selection: taken back
    // when none is made, and the oldest step it pushed out returns whole (its store is not
    // borrowed).
    TVLUndoEdit edit(m_undoStack, [this] { DoUndoChange(m_undoStack.Count()); });
    if (std::exchange(m_recordAtCreation, false))
        recordPictureAndSelection();
    std::unique_ptr<TPictureSelection> selection;
    try {
        selection = make();
    } catch (const std::exception& e) {
        edit.Discard();
        if (!repaint.isNull())
            m_view->RepaintRect(repaint, 0);
        const QString message = dynamic_cast<const std::bad_alloc*>(&e) != nullptr
                                    ? QStringLiteral("There was an error creating selection. %1").arg(messageOf(e))
                                    : messageOf(e);
        ShowError(this, message);
        return;
    }
    if (!repaint.isNull())
        m_view->RepaintRect(repaint, 0);
    // One that lifted no pixel (a freehand path without inside) is no selection.
    if (selection->Image.Empty()) {
        edit.Discard();
        return;
    }
    AttachSelection(std::move(selection));
}

void TVLPicChildWin::CreateRectSelection(const QRect& rect, TColor transparent)
{
    if (rect.width() == 0 || rect.height() == 0)
        return;
    createSelection([&] { return std::make_unique<TRectPictureSelection>(&Picture(), transparent, ToolSettings().BackColour(), rect); },
                    normalised(rect));
}

void TVLPicChildWin::CreateFreehandSelection(TFreehandPoints& points, TColor transparent)
{
    bool area = false;
    if (points.Count() > 0) {
        const QPoint first = points.First();
        for (const QPoint& p : points.Points())
            area = area || (p.x() != first.x() && p.y() != first.y());
    }
    if (!area) {
        m_view->Repaint();
        return;
    }
    const TPicPointArray::TBounds b = points.BoundsOf();
    const QRect repaint(QPoint(b.Left, b.Top), QPoint(b.Right + 1, b.Bottom + 1));
    createSelection([&] {
        return std::make_unique<TFreehandPictureSelection>(&Picture(), transparent, ToolSettings().BackColour(), points);
    }, repaint);
}

void TVLPicChildWin::CreateMagicWandSelection(const QPoint& point)
{
    createSelection([&] {
        return std::make_unique<TMagicWandPictureSelection>(&Picture(), ToolSettings().BackColour(),
                                                            ToolSettings().WandTolerance, point);
    }, QRect());
}

void TVLPicChildWin::CreateBitmapSelection(const TXBitmap* picture, const QPoint& topLeft, TColor transparent)
{
    if (picture == nullptr)
        return;
    createSelection([&] { return std::make_unique<TBitmapPictureSelection>(&Picture(), transparent, topLeft, picture); },
                    QRect());
}

void TVLPicChildWin::CreateBitmapSelection(TXBitmap&& picture, const QPoint& topLeft, TColor transparent)
{
    createSelection([&] {
        return std::make_unique<TBitmapPictureSelection>(&Picture(), transparent, topLeft, std::move(picture));
    }, QRect());
}

void TVLPicChildWin::AttachSelection(std::unique_ptr<TPictureSelection> selection)
{
    m_selection = std::move(selection);
    TEffectsBitmap& image = m_selection->Image;
    image.OnProgressBegin = [this](TEffectsBitmap*, int steps) { DoProgressBegin(steps); };
    image.OnProgressStep = [this](TEffectsBitmap*) { DoProgressStep(); };
    image.OnProgressEnd = [this](TEffectsBitmap*) { DoProgressEnd(); };
    m_selection->OnChange = [this](TPictureSelection* sender) { m_view->RepaintRect(sender->Bounds, 0); };
    m_selection->StartAnts(true);
    NotifyChange(chgPicture | chgSelCreated, true);
}

void TVLPicChildWin::DropSelection(bool commit, bool repaint)
{
    if (!m_selection)
        return;
    const QRect bounds = m_selection->Bounds;
    try {
        if (commit)
            m_selection->Commit();
    } catch (...) {
        setViewCursor(ToolSettings().ToolCursor);
        throw;
    }
    FreeSelection();
    NotifyChange(chgSelRemoved, true);
    // A discard changes what a save writes.
    if (!commit)
        SetModified(true);
    if (repaint)
        m_view->RepaintRect(bounds, 0);
}

void TVLPicChildWin::Crop()
{
    CancelDrag();
    if (!m_selection)
        return;
    WaitScope wait(*this);
    // A crop that fails leaves no step behind: picture and selection are still as recorded.
    TVLUndoEdit edit = undoableEdit();
    m_view->BeginUpdate();
    TChangeSet changes = 0;
    auto finish = [&] {
        m_view->EndUpdate();
        NotifyChange(changes, true);
        setViewCursor(ToolSettings().ToolCursor);
    };
    try {
        recordPictureAndSelection();
        TEffectsBitmap& picture = Picture();
        picture.AssignOpaque(m_selection->Image);
        changes = chgPicture | chgViewSize | chgPicSize;
        if (m_selection->HasMask())
            ReplaceColour(picture, m_selection->TransparentColour, ToolSettings().BackColour(), 0);
        m_selection.reset();
        changes |= chgSelRemoved;
        BestFit(picture.Width(), picture.Height());
    } catch (...) {
        finish();
        throw;
    }
    finish();
}

void TVLPicChildWin::SelectAll()
{
    CancelDrag();
    recordPictureAndSelection();
    DropSelection(true, true);
    CreateRectSelection(Picture().BoundsRect(), SelectionTransparentColour(ToolSettings()));
}

} // namespace vellum
