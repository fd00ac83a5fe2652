// The picture document's saving: the file it writes and the modified state that follows.

#include "document/VLPicChildWn.h"

#include <QFileInfo>

namespace vellum {

void TVLPicChildWin::setFileName(const QString& fileName)
{
    m_fileName = fileName;
    SetTitle(QFileInfo(fileName).fileName());
}

bool TVLPicChildWin::SaveToFile(const QString& fileName, QString* error)
{
    CancelDrag();
    try {
        if (m_selection) {
            // A merged copy is saved; the selection floats on.
            TXBitmap merged = Picture();
            m_selection->CommitInto(&merged);
            merged.SavePicture(fileName);
        } else {
            Picture().SavePicture(fileName);
        }
    } catch (const std::exception& e) {
        if (error != nullptr)
            *error = QString::fromUtf8(e.what());
        return false;
    }
    if (fileName != m_fileName)
        setFileName(fileName);
    SetModified(false);
    // The file now holds this state: undoing to any earlier one leaves a picture that differs
    // from the file.
    for (int i = 0; i < m_undoStack.Count(); ++i)
        if (auto* action = dynamic_cast<TVLPicUndoAction*>(&m_undoStack.Action(i)))
            action->WasModified = true;
    for (int i = 0; i < m_undoStack.RedoCount(); ++i)
        if (auto* action = dynamic_cast<TVLPicUndoAction*>(&m_undoStack.RedoAction(i)))
            action->WasModified = true;
    return true;
}

} // namespace vellum
