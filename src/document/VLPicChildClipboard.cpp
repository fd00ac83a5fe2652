// The picture document's clipboard operations.

#include "clipboard/VLClipbrd.h"
#include "document/VLPicChildWn.h"

namespace vellum {

bool TVLPicChildWin::Copy()
{
    // Without a floating selection the whole picture goes, as it is: the document does not
    // change.
    if (!m_selection)
        return ClipboardStore().CopyPlainPicture(&Picture());
    // Nothing changes unless the clipboard took the selection.
    if (!m_selection->CopyToClipboard())
        return false;
    TVLUndoEdit edit = undoableEdit();
    recordPictureAndSelection();
    DropSelection(true, true);
    return true;
}

bool TVLPicChildWin::Cut()
{
    if (!m_selection) {
        // Nothing is cleared unless the clipboard took the picture.
        if (!ClipboardStore().CopyPlainPicture(&Picture()))
            return false;
        Clear();
        return true;
    }
    if (!m_selection->CopyToClipboard())
        return false;
    // The place it was lifted from keeps the background it was filled with: only the
    // selection is needed to undo.
    TVLUndoEdit edit = undoableEdit();
    AddUndoAction<TVLPicGenUndoAction>().StoreSelection(m_selection.get());
    DropSelection(false, true);
    return true;
}

bool TVLPicChildWin::PasteFromClipboard()
{
    TXBitmap picture;
    std::int32_t tag = -1;
    // An empty fetch (the clipboard changed since it was asked) is no picture.
    if (!ClipboardStore().HasPicture() || !ClipboardStore().PastePicture(&picture, tag))
        return false;
    // The scratch picture's pixels become the selection's: no second copy of a large picture.
    return PasteIntoDocument(std::move(picture), tag);
}

void TVLPicChildWin::recordPaste()
{
    TVLUndoEdit edit = undoableEdit();
    // Without an earlier selection the record holds nothing: undoing it removes the pasted
    // selection.
    auto& action = AddUndoAction<TVLPicGenUndoAction>();
    if (m_selection) {
        action.StoreBitmap(&Picture());
        action.StoreSelection(m_selection.get());
        DropSelection(true, true);
    }
}

bool TVLPicChildWin::PasteIntoDocument(const TXBitmap* picture, int tag)
{
    if (picture == nullptr || picture->Empty())
        return false;
    recordPaste();
    // A selection that cannot be made shows its message; the record above stays.
    CreateBitmapSelection(picture, m_view->VisibleRect().topLeft(), NormalTag(tag));
    return true;
}

bool TVLPicChildWin::PasteIntoDocument(TXBitmap&& picture, int tag)
{
    if (picture.Empty())
        return false;
    recordPaste();
    CreateBitmapSelection(std::move(picture), m_view->VisibleRect().topLeft(), NormalTag(tag));
    return true;
}

} // namespace vellum
