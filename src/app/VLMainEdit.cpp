// The Edit menu: undo, redo and the clipboard commands, whose states follow the clipboard.

#include "app/VLMain.h"

#include <QAction>
#include <QEvent>
#include <QMenuBar>
#include <QMessageBox>

#include "app/VLBrwsrChildWn.h"
#include "app/VLMainPrivate.h"
#include "clipboard/VLClipbrd.h"
#include "document/VLPicChildWn.h"
#include "document/VLToolVars.h"
#include "raster/EffectsBitmap.h"

namespace vellum {

using namespace mainwindow;

void TVellumMain::createEditCommands()
{
    QMenu* editMenu = menuBar()->addMenu(QStringLiteral("&Edit"));
    m_actUndo = command(QStringLiteral("Undo"), QStringLiteral("Undo|Undo last action"), QStringLiteral("ActUndo"));
    m_actUndo->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Z), QKeySequence(Qt::Key_Escape)});
    onTriggered(m_actUndo, [this] {
        if (TVLPicChildWin* doc = ActivePicture())
            doc->UndoLast();
    });
    m_actRedo = command(QStringLiteral("Redo"), QStringLiteral("Redo|Redo the last undone change"),
                        QStringLiteral("ActRedo"));
    m_actRedo->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
    onTriggered(m_actRedo, [this] {
        if (TVLPicChildWin* doc = ActivePicture())
            doc->RedoLast();
    });

    m_actCutPic = command(QStringLiteral("Cu&t"), QStringLiteral("Cut|Cuts the selection and puts it on the Clipboard"),
                          QStringLiteral("ActCutPic"));
    m_actCutPic->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_X), QKeySequence(Qt::SHIFT | Qt::Key_Delete)});
    onTriggered(m_actCutPic, [this] { copyExecute(true); });
    m_actCopyPic = command(QStringLiteral("&Copy"), QStringLiteral("Copy|Copies the selection and puts it on the Clipboard"),
                           QStringLiteral("ActCopyPic"));
    m_actCopyPic->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_C));
    onTriggered(m_actCopyPic, [this] { copyExecute(false); });
    m_actPasteIntoPic = command(QStringLiteral("&Paste into Picture"),
                                QStringLiteral("Paste into Picture|Inserts Clipboard contents into Picture"),
                                QStringLiteral("ActPasteIntoPic"));
    m_actPasteIntoPic->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_V), QKeySequence(Qt::SHIFT | Qt::Key_Insert)});
    onTriggered(m_actPasteIntoPic, [this] { pasteIntoExecute(); });
    m_actPasteAsNew = command(QStringLiteral("Paste as &New Picture"),
                              QStringLiteral("Paste as new Picture|Pastes the Clipboard into a new picture"),
                              QStringLiteral("ActPasteAsNew"));
    onTriggered(m_actPasteAsNew, [this] { pasteAsNewExecute(); });
    m_actPasteClever = command(QStringLiteral("Paste Clever"), QStringLiteral("Paste|Pastes the Clipboard"),
                               QStringLiteral("ActPasteClever"));
    onTriggered(m_actPasteClever, [this] {
        if (ActivePicture() != nullptr)
            pasteIntoExecute();
        else
            pasteAsNewExecute();
    });
    m_actClearClipboard = command(QStringLiteral("Clear Clipboard"),
                                  QStringLiteral("Clear Clipboard|Removes any picture from the clipboard"),
                                  QStringLiteral("ActClearClipboard"));
    // The change reaches every window as a clipboard notification, which disables the paste
    // commands.
    onTriggered(m_actClearClipboard, [] { ClipboardStore().Clear(); });

    editMenu->addActions({m_actUndo, m_actRedo});
    editMenu->addSeparator();
    editMenu->addActions({m_actCutPic, m_actCopyPic});
    QMenu* pasteMenu = editMenu->addMenu(QStringLiteral("Paste"));
    pasteMenu->setObjectName(QStringLiteral("EditPasteMenu"));
    pasteMenu->addActions({m_actPasteIntoPic, m_actPasteAsNew});
    editMenu->addAction(m_actClearClipboard);
    editMenu->addSeparator();

    m_actSelectAll = command(QStringLiteral("Select All"), QStringLiteral("Select All"), QStringLiteral("ActSelectAll"));
    m_actSelectAll->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_A));
    onTriggered(m_actSelectAll, [this] {
        if (TVLPicChildWin* doc = ActivePicture()) {
            doc->SelectAll();
            ChooseTool(TTool::SelectRect);
        } else if (TVLBrowserChildWn* browser = ActiveBrowser()) {
            browser->SelectAll();
        }
    });
    editMenu->addAction(m_actSelectAll);
}

bool TVellumMain::event(QEvent* event)
{
    if (event->type() == static_cast<QEvent::Type>(ClipboardChangedMessage)) {
        runGuarded([this] { updatePasteStates(); });
        return true;
    }
    return QMainWindow::event(event);
}

void TVellumMain::updatePasteStates()
{
    m_clipboardHasPicture = ClipboardStore().HasPicture();
    m_actPasteClever->setEnabled(m_clipboardHasPicture);
    // Pasting into a picture needs one: without it the command would do nothing.
    m_actPasteIntoPic->setEnabled(m_clipboardHasPicture && ActivePicture() != nullptr);
    m_actPasteAsNew->setEnabled(m_clipboardHasPicture);
    m_actClearClipboard->setEnabled(m_clipboardHasPicture);
}

void TVellumMain::updateEditCommandStates(TVLPicChildWin* picture)
{
    m_actCutPic->setEnabled(picture != nullptr);
    m_actCopyPic->setEnabled(picture != nullptr);
    m_actPasteClever->setEnabled(m_clipboardHasPicture);
    m_actPasteIntoPic->setEnabled(m_clipboardHasPicture && picture != nullptr);
}

void TVellumMain::copyExecute(bool cut)
{
    TVLPicChildWin* doc = ActivePicture();
    if (doc == nullptr)
        return;
    if (!(cut ? doc->Cut() : doc->Copy()))
        errorBox(this, QStringLiteral("Unable to put the picture on the Clipboard"));
}

void TVellumMain::pasteIntoExecute()
{
    if (TVLPicChildWin* doc = ActivePicture(); doc != nullptr && doc->PasteFromClipboard())
        chooseSelectRectAfterPaste();
}

void TVellumMain::chooseSelectRectAfterPaste()
{
    // The pasted selection is ready to be moved.
    if (ToolSettings().Tool != TTool::SelectRect)
        ChooseTool(TTool::SelectRect);
}

void TVellumMain::pasteAsNewExecute()
{
    // Asked afresh: the state of the command may be older than the clipboard's contents.
    TXBitmap picture;
    std::int32_t tag = -1;
    if (!ClipboardStore().HasPicture() || !ClipboardStore().PastePicture(&picture, tag)) {
        QMessageBox::information(this, QStringLiteral("Information"), QStringLiteral("There is not a bitmap on the Clipboard"),
                                 QMessageBox::Ok);
        return;
    }
    NewPictureFromPicture(std::move(picture), tag);
}

TVLPicChildWin* TVellumMain::NewPictureFromPicture(TXBitmap picture, int tag)
{
    tag = NormalTag(tag);
    if (tag >= 0)
        ReplaceColour(picture, static_cast<TColor>(tag), ToolSettings().BackColour(), 0);
    picture.SetTransparent(false);
    return newNumberedPicture(
        [&](const QString& title) { return new TVLCopyPicChildWin(std::move(picture), title, this); });
}

void TVellumMain::PasteGivenPicture(const TXBitmap& picture, bool pasteAsNew, int tag)
{
    TVLPicChildWin* doc = ActivePicture();
    if (pasteAsNew || doc == nullptr) {
        NewPictureFromPicture(picture, tag);
        return;
    }
    if (doc->PasteIntoDocument(&picture, tag))
        chooseSelectRectAfterPaste();
}

} // namespace vellum
