// The picture document's direct edits: effects without a preview, Clear and the size changes.

#include "document/VLPicChildWn.h"

#include "document/VLPicChildPrivate.h"
#include "document/VLToolVars.h"

namespace vellum {

void TVLPicChildWin::GreyScale()
{
    WaitScope wait(*this);
    TVLUndoEdit edit = undoableEdit();
    if (m_selection) {
        AddUndoAction<TVLPicGenUndoAction>().StoreSelection(m_selection.get());
        m_selection->GreyScale();
        m_view->RepaintRect(m_selection->Bounds, 0);
        NotifyChange(chgSelContent, true);
        return;
    }
    AddUndoAction<TVLPicGenUndoAction>().StoreBitmap(&Picture());
    Picture().GreyScale();
    m_view->Repaint();
    NotifyChange(chgPicture, true);
}

template <typename Action, typename OnSelection, typename OnPicture>
void TVLPicChildWin::reversibleEdit(OnSelection&& onSelection, OnPicture&& onPicture)
{
    WaitScope wait(*this);
    TVLUndoEdit edit = undoableEdit();
    if (m_selection) {
        AddUndoAction<Action>().Target = TVLPicRevUndoAction::rtSelection;
        const QRect before = m_selection->Bounds;
        onSelection(*m_selection);
        m_view->RepaintRect(before.united(m_selection->Bounds), 0);
        NotifyChange(chgSelContent, true);
        return;
    }
    AddUndoAction<Action>().Target = TVLPicRevUndoAction::rtPicture;
    onPicture(Picture());
    m_view->Repaint();
    NotifyChange(chgPicture, true);
}

void TVLPicChildWin::Negative()
{
    reversibleEdit<TVLPicNegUndoAction>([](TPictureSelection& s) { s.Negative(); }, [](TEffectsBitmap& p) { p.Negative(); });
}

void TVLPicChildWin::Flip()
{
    reversibleEdit<TVLPicFlipUndoAction>([](TPictureSelection& s) { s.Flip(); }, [](TEffectsBitmap& p) { p.Flip(); });
}

void TVLPicChildWin::Mirror()
{
    reversibleEdit<TVLPicMirrorUndoAction>([](TPictureSelection& s) { s.Mirror(); }, [](TEffectsBitmap& p) { p.Mirror(); });
}

void TVLPicChildWin::Clear()
{
    WaitScope wait(*this);
    TVLUndoEdit edit = undoableEdit();
    if (m_selection) {
        recordPictureAndSelection();
        DropSelection(false, true);
        NotifyChange(chgPicture, true);
        return;
    }
    AddUndoAction<TVLPicGenUndoAction>().StoreBitmap(&Picture());
    Picture().ClearToColour(ToolSettings().BackColour());
    m_view->Repaint();
    NotifyChange(chgPicture, true);
}

template <typename Change>
void TVLPicChildWin::changeSize(Change&& change, bool commitSelection, const QPoint& shift)
{
    WaitScope wait(*this);
    TVLUndoEdit edit = undoableEdit();
    // Picture and selection are stored apart, so undo brings back both.
    const TVLPicGenUndoAction& action = recordPictureAndSelection();
    const bool commit = commitSelection && m_selection;
    m_view->BeginUpdate();
    TChangeSet changes = 0;
    try {
        // The selection is drawn into the picture for the change, and ends only once the change
        // succeeded.
        if (commit)
            m_selection->CommitInto(&Picture());
        try {
            change(Picture());
        } catch (...) {
            if (commit)
                action.PutBackBitmap(Picture());
            throw;
        }
        changes = chgPicture | chgViewSize | chgPicSize;
        if (commit) {
            FreeSelection();
            changes |= chgSelRemoved;
        } else if (m_selection && !shift.isNull()) {
            m_selection->OffsetBy(shift.x(), shift.y());
            changes |= chgSelMoved;
        }
        BestFit();
    } catch (...) {
        m_view->EndUpdate();
        NotifyChange(changes, true);
        throw;
    }
    m_view->EndUpdate();
    NotifyChange(changes, true);
}

void TVLPicChildWin::Resize(int width, int height)
{
    changeSize([&](TEffectsBitmap& picture) { picture.Resize(width, height); }, true);
}

void TVLPicChildWin::Resample(int width, int height)
{
    if (width == Picture().Width() && height == Picture().Height())
        return;
    changeSize([&](TEffectsBitmap& picture) { picture.Resample(width, height); }, true);
}

void TVLPicChildWin::EnlargeCanvas(int width, int height, bool centre, TColor fill)
{
    if (width == Picture().Width() && height == Picture().Height())
        return;
    // A floating selection keeps its place on the picture: it moves as the picture does.
    const QPoint shift = centre ? QPoint((width - Picture().Width()) / 2, (height - Picture().Height()) / 2) : QPoint();
    changeSize([&](TEffectsBitmap& picture) { picture.EnlargeCanvas(width, height, centre, fill); }, false, shift);
}

} // namespace vellum
