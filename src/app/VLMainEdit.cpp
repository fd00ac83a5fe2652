// The Edit menu.

#include "app/VLMain.h"

#include <QAction>
#include <QMenuBar>

#include "document/VLPicChildWn.h"
#include "document/VLToolVars.h"

namespace vellum {

void TVellumMain::createEditCommands()
{
    QMenu* editMenu = menuBar()->addMenu(QStringLiteral("&Edit"));
    m_actUndo = command(QStringLiteral("Undo"), QStringLiteral("Undo|Undo last action"), QStringLiteral("ActUndo"));
    m_actUndo->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Z), QKeySequence(Qt::Key_Escape)});
    onTriggered(m_actUndo, [this] {
        if (TVLPicChildWin* doc = ActivePicture())
            doc->UndoLast();
    });
    editMenu->addAction(m_actUndo);

    m_actSelectAll = command(QStringLiteral("Select All"), QStringLiteral("Select All"), QStringLiteral("ActSelectAll"));
    m_actSelectAll->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_A));
    onTriggered(m_actSelectAll, [this] {
        if (TVLPicChildWin* doc = ActivePicture()) {
            doc->SelectAll();
            ChooseTool(TTool::SelectRect);
        }
    });
    editMenu->addSeparator();
    editMenu->addAction(m_actSelectAll);
}

} // namespace vellum
