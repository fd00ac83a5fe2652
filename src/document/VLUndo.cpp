#include "document/VLUndo.h"

#include <algorithm>
#include <exception>
#include <utility>

#include <QCursor>
#include <QGuiApplication>

namespace vellum {

namespace {

// The busy cursor for the duration of a scope, also when it is left by an exception.
class WaitCursor {
public:
    WaitCursor()
        : m_active(qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr)
    {
        if (m_active)
            QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    }
    ~WaitCursor()
    {
        if (m_active)
            QGuiApplication::restoreOverrideCursor();
    }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

private:
    bool m_active;
};

} // namespace

TVLBaseUndoAction::TVLBaseUndoAction(QObject* parent)
    : m_parent(parent)
{
    if (parent == nullptr)
        throw EVLUndoActionError(QStringLiteral("Parent Object is invalid"));
}

TVLBaseUndoAction::~TVLBaseUndoAction()
{
    m_parent = nullptr;
}

void TVLUndoActionFactory::DeleteAction(int index)
{
    if (index < 0 || index >= Count())
        return;
    m_actions.erase(m_actions.begin() + index);
}

void TVLUndoActionFactory::Clear()
{
    m_actions.clear();
    m_redo.clear();
}

bool TVLUndoActionFactory::EndEdit(bool failed)
{
    if (m_editDepth == 0 || --m_editDepth > 0)
        return false;
    const int added = std::exchange(m_addedInEdit, 0);
    std::vector<std::unique_ptr<TVLBaseUndoAction>> pushedOut = std::move(m_pushedOut);
    m_pushedOut.clear();
    std::vector<std::unique_ptr<TVLBaseUndoAction>> redoAside = std::move(m_redoAside);
    m_redoAside.clear();
    if (!failed || added == 0)
        return false;
    m_actions.erase(m_actions.begin(), m_actions.begin() + std::min(added, Count()));
    for (auto it = pushedOut.rbegin(); it != pushedOut.rend(); ++it)
        m_actions.push_back(std::move(*it));
    if (!redoAside.empty())
        m_redo = std::move(redoAside);
    return true;
}

TVLUndoEdit::TVLUndoEdit(TVLUndoActionFactory& stack, std::function<void()> onRevoked)
    : m_stack(stack)
    , m_onRevoked(std::move(onRevoked))
    , m_uncaught(std::uncaught_exceptions())
{
    m_stack.BeginEdit();
}

TVLUndoEdit::~TVLUndoEdit()
{
    if (m_stack.EndEdit(m_discarded || std::uncaught_exceptions() > m_uncaught) && m_onRevoked) {
        // Already unwinding: a second exception here would end the program.
        try {
            m_onRevoked();
        } catch (...) {
        }
    }
}

bool TVLUndoActionFactory::Undo()
{
    if (m_actions.empty())
        return false;
    std::unique_ptr<TVLBaseUndoAction> redo;
    {
        WaitCursor wait;
        TVLBaseUndoAction& action = *m_actions.front();
        // Undo works as it did before there was a redo: a redo step that cannot be kept only
        // costs the redo list.
        try {
            redo = action.MakeRedo();
        } catch (const std::exception&) {
            redo.reset();
        }
        action.Undo();
    }
    m_actions.erase(m_actions.begin());
    if (redo)
        m_redo.insert(m_redo.begin(), std::move(redo));
    else
        m_redo.clear();
    return true;
}

bool TVLUndoActionFactory::Redo()
{
    if (m_redo.empty())
        return false;
    std::unique_ptr<TVLBaseUndoAction> undo;
    {
        WaitCursor wait;
        TVLBaseUndoAction& action = *m_redo.front();
        // Without its undo step the older steps would no longer lead back: no redo then.
        undo = action.MakeRedo();
        if (!undo)
            throw EVLUndoActionError(QStringLiteral("The step cannot be redone"));
        action.Undo();
    }
    m_redo.erase(m_redo.begin());
    m_actions.insert(m_actions.begin(), std::move(undo));
    while (Count() > MaxActions)
        m_actions.pop_back();
    return true;
}

} // namespace vellum
