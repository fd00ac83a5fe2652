// The picture document's undo: recording steps, taking them back, and the actions that hold
// what each step needs.

#include "document/VLPicChildWn.h"

#include <cstring>

#include "document/VLPicChildPrivate.h"

namespace vellum {

TVLPicGenUndoAction& TVLPicChildWin::recordPictureAndSelection(bool reuseOldest)
{
    // Filled before it is recorded: a copy that fails leaves the history as it was.
    auto action = m_undoStack.MakeAction<TVLPicGenUndoAction>();
    // The oldest step goes when this one is recorded: its store is lent for the copy, and
    // given back when the copy fails.
    TVLPicGenUndoAction* oldest = nullptr;
    if (reuseOldest && m_undoStack.Count() == TVLUndoActionFactory::MaxActions)
        oldest = dynamic_cast<TVLPicGenUndoAction*>(&m_undoStack.Action(m_undoStack.Count() - 1));
    if (oldest != nullptr)
        action->AdoptPixelStore(oldest->TakePixelStore());
    try {
        // The picture last: its copy fails, if at all, before it writes into the lent store.
        action->StoreSelection(m_selection.get());
        action->StoreBitmap(&Picture());
    } catch (...) {
        if (oldest != nullptr)
            oldest->AdoptPixelStore(action->TakePixelStore());
        throw;
    }
    return RecordUndoAction(std::move(action));
}

void TVLPicChildWin::DoUndoChange(int count)
{
    if (OnUndoChange)
        OnUndoChange(this, count);
}

TVLUndoEdit TVLPicChildWin::undoableEdit()
{
    CancelDrag();
    return TVLUndoEdit(m_undoStack, [this] { DoUndoChange(m_undoStack.Count()); });
}

bool TVLPicChildWin::UndoLast()
{
    CancelDrag();
    const bool undone = m_undoStack.Undo();
    DoUndoChange(m_undoStack.Count());
    return undone;
}

bool TVLPicChildWin::RedoLast()
{
    CancelDrag();
    const bool redone = m_undoStack.Redo();
    DoUndoChange(m_undoStack.Count());
    return redone;
}

// --- the three ways to make a document ------------------------------------------------------------

TVLPicUndoAction::TVLPicUndoAction(QObject* parent)
    : TVLBaseUndoAction(parent)
{
    if (qobject_cast<TVLPicChildWin*>(parent) == nullptr)
        throw EVLUndoActionError(QStringLiteral("Parent Object must be a picture child window"));
}

void TVLPicUndoAction::Undo()
{
    auto& window = *qobject_cast<TVLPicChildWin*>(Parent());
    WaitScope wait(window);
    TChangeSet changes = 0;
    TPictureScrollBox& view = window.PictureScrollBox();
    view.BeginUpdate();
    auto finish = [&] {
        view.EndUpdate();
        window.NotifyChange(changes, false);
        window.SetModified(WasModified);
    };
    try {
        DoUndo(window, changes);
    } catch (...) {
        finish();
        throw;
    }
    finish();
}

std::unique_ptr<TVLBaseUndoAction> TVLPicUndoAction::MakeRedo()
{
    auto& window = *qobject_cast<TVLPicChildWin*>(Parent());
    std::unique_ptr<TVLPicUndoAction> action = makeInverse(window);
    if (action)
        action->WasModified = window.Modified();
    return action;
}

void TVLPicGenUndoAction::StoreBitmap(const TXBitmap* picture)
{
    if (picture == nullptr || picture->Empty()) {
        m_taken.Release();
        m_pixels.reset();
        m_storeBytes = 0;
        m_width = m_height = 0;
        return;
    }
    TXBitmap converted;
    const TXBitmap* source = picture;
    if (picture->PixelFormat() != TPixelFormat::pf24bit) {
        converted = *picture;
        converted.SetPixelFormat(TPixelFormat::pf24bit);
        source = &converted;
    }
    const int width = source->Width();
    const int height = source->Height();
    const std::size_t rowBytes = 3 * static_cast<std::size_t>(width);
    const std::size_t bytes = rowBytes * static_cast<std::size_t>(height);
    // Not zeroed first: every byte is copied over at once (a press records a whole picture).
    if (!m_pixels || m_storeBytes != bytes) {
        m_pixels.reset(new std::uint8_t[bytes]);
        m_storeBytes = bytes;
    }
    // Nothing below can fail.
    m_taken.Release();
    m_width = width;
    m_height = height;
    for (int y = 0; y < m_height; ++y)
        std::memcpy(m_pixels.get() + rowBytes * static_cast<std::size_t>(y), source->ScanLine(y), rowBytes);
}

TVLPicGenUndoAction::TPixelStore TVLPicGenUndoAction::TakePixelStore()
{
    TPixelStore store{std::move(m_pixels), m_storeBytes, m_width, m_height};
    m_storeBytes = 0;
    m_width = m_height = 0;
    return store;
}

void TVLPicGenUndoAction::AdoptPixelStore(TPixelStore store)
{
    if (HasBitmap() || !store.Pixels)
        return;
    m_pixels = std::move(store.Pixels);
    m_storeBytes = store.Bytes;
    m_width = store.Width;
    m_height = store.Height;
}

void TVLPicGenUndoAction::StoreSelection(const TPictureSelection* selection)
{
    if (selection == nullptr)
        m_selection.reset();
    else if (m_selection)
        m_selection->Refresh(selection);
    else
        m_selection = std::make_unique<TVLCompactSelection>(selection);
}

void TVLPicGenUndoAction::DoUndo(TVLPicChildWin& window, TChangeSet& changes)
{
    const bool resized = restorePicture(window, changes);
    if (m_selection) {
        TXBitmap image = m_selection->Bitmap();
        const QPoint topLeft(m_selection->Left, m_selection->Top);
        if (TPictureSelection* selection = window.Selection()) {
            selection->RestoreFrom(image, topLeft, m_selection->TransparentColour);
            changes |= chgSelContent;
        } else {
            window.CreateBitmapSelection(std::move(image), topLeft, m_selection->TransparentColour);
            changes |= chgSelCreated;
        }
    } else if (window.Selection() != nullptr) {
        window.FreeSelection();
        changes |= chgSelRemoved;
    }
    if (resized) {
        window.BestFit(window.Picture().Width(), window.Picture().Height());
        changes |= chgViewSize | chgPicSize;
    }
}

std::unique_ptr<TVLPicUndoAction> TVLPicGenUndoAction::makeInverse(TVLPicChildWin& window) const
{
    auto action = std::make_unique<TVLPicGenUndoAction>(&window);
    action->StoreSelection(window.Selection());
    if (HasBitmap())
        action->StoreBitmap(&window.Picture());
    return action;
}

bool TVLPicGenUndoAction::restorePicture(TVLPicChildWin& window, TChangeSet& changes)
{
    if (!HasBitmap())
        return false;
    const bool resized = PutBackBitmap(window.Picture());
    changes |= chgPicture;
    return resized;
}

bool TVLPicGenUndoAction::PutBackBitmap(TXBitmap& picture) const
{
    if (!m_taken.Empty())
        return m_taken.RestoreInto(picture);
    if (m_width == 0)
        return false;
    const bool resized = picture.Width() != m_width || picture.Height() != m_height;
    if (resized || picture.PixelFormat() != TPixelFormat::pf24bit)
        picture.AllocateUninitialised(m_width, m_height, TPixelFormat::pf24bit);
    const std::size_t rowBytes = 3 * static_cast<std::size_t>(m_width);
    for (int y = 0; y < m_height; ++y)
        std::memcpy(picture.ScanLine(y), m_pixels.get() + rowBytes * static_cast<std::size_t>(y), rowBytes);
    return resized;
}

void TVLPicGenUndoAction::TakeBitmap(TPictureBytes&& bytes)
{
    m_taken = std::move(bytes);
    m_pixels.reset();
    m_storeBytes = 0;
    m_width = m_height = 0;
}

void TVLPicNegUndoAction::DoUndo(TVLPicChildWin& window, TChangeSet& changes)
{
    if (Target == rtPicture) {
        window.Picture().Negative();
        changes |= chgPicture;
    } else if (TPictureSelection* selection = window.Selection()) {
        selection->Negative();
        changes |= chgSelContent;
    }
}

void TVLPicFlipUndoAction::DoUndo(TVLPicChildWin& window, TChangeSet& changes)
{
    if (Target == rtPicture) {
        window.Picture().Flip();
        changes |= chgPicture;
    } else if (TPictureSelection* selection = window.Selection()) {
        selection->Flip();
        changes |= chgSelContent;
    }
}

void TVLPicMirrorUndoAction::DoUndo(TVLPicChildWin& window, TChangeSet& changes)
{
    if (Target == rtPicture) {
        window.Picture().Mirror();
        changes |= chgPicture;
    } else if (TPictureSelection* selection = window.Selection()) {
        selection->Mirror();
        changes |= chgSelContent;
    }
}

} // namespace vellum
