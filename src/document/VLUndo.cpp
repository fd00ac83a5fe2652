#include "document/VLUndo.h"

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
}

bool TVLUndoActionFactory::Undo()
{
    if (m_actions.empty())
        return false;
    {
        WaitCursor wait;
        m_actions.front()->Undo();
    }
    m_actions.erase(m_actions.begin());
    return true;
}

} // namespace vellum
