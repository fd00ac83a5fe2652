// The File menu: new, open, save and close pictures, the save prompt.

#include "app/VLMain.h"

#include <QAction>
#include <QFileInfo>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QMessageBox>
#include <QPointer>

#include "app/NewPicFrm.h"
#include "app/VLMainPrivate.h"
#include "browser/RFPicPopupMenu.h"
#include "browser/XExtDlgs.h"
#include "document/VLPicChildWn.h"
#include "document/VLToolVars.h"
#include "print/PrintPreviewDlg.h"

namespace vellum {

using namespace mainwindow;

namespace {

// The same file: equal paths, or two names of one existing file.
bool sameFile(const QString& a, const QString& b)
{
    if (a == b)
        return true;
    const QFileInfo left(a);
    const QFileInfo right(b);
    return left.exists() && right.exists() && left.canonicalFilePath() == right.canonicalFilePath();
}

// The failed save's line with the failure's own reason (target and cause) under it.
QString saveError(const QString& before, const QString& reason)
{
    QString text = QStringLiteral("Error Saving Picture %1").arg(before);
    if (!reason.isEmpty())
        text += QLatin1Char('\n') + reason;
    return text;
}

} // namespace

void TVellumMain::createFileCommands()
{
    QMenu* fileMenu = menuBar()->addMenu(QStringLiteral("&File"));
    fileMenu->menuAction()->setStatusTip(QStringLiteral("File related commands"));
    m_fileMenu = fileMenu;
    m_actNewPic = command(QStringLiteral("&New"), QStringLiteral("New|Create a new file"), QStringLiteral("ActNewPic"));
    m_actNewPic->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
    onTriggered(m_actNewPic, [this] { newPictureExecute(); });
    m_actOpenPic = command(QStringLiteral("&Open"), QStringLiteral("Open|Open a file"), QStringLiteral("ActOpenPic"));
    m_actOpenPic->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    onTriggered(m_actOpenPic, [this] { openPictureExecute(); });
    m_actPicSave = command(QStringLiteral("&Save"), QStringLiteral("Save|Save current file"), QStringLiteral("ActPicSave"));
    m_actPicSave->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    onTriggered(m_actPicSave, [this] {
        if (TVLPicChildWin* doc = ActivePicture())
            SavePicture(*doc);
    });
    m_actPicSaveAs = command(QStringLiteral("Save &As..."), QStringLiteral("Save As|Save current file with different name"),
                             QStringLiteral("ActPicSaveAs"));
    m_actPicSaveAs->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
    onTriggered(m_actPicSaveAs, [this] { saveAsExecute(); });
    m_actCloseChild = command(QStringLiteral("&Close"), QStringLiteral("Close|Close current picture"),
                              QStringLiteral("ActCloseChild"));
    onTriggered(m_actCloseChild, [this] { m_clientArea->closeActiveSubWindow(); });
    m_actCloseAllChildren = command(QStringLiteral("Close All"), QStringLiteral("Close All|Close all pictures"),
                                    QStringLiteral("ActCloseAllChildren"));
    onTriggered(m_actCloseAllChildren, [this] { closeAllChildren(); });
    m_actPrintPic = command(QStringLiteral("&Print"), QStringLiteral("Print|Print picture"), QStringLiteral("ActPrintPic"));
    m_actPrintPic->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
    onTriggered(m_actPrintPic, [this] { printPictureExecute(); });
    m_actFileExit = command(QStringLiteral("E&xit"), QStringLiteral("Exit|Exit Vellum"), QStringLiteral("ActFileExit"));
    onTriggered(m_actFileExit, [this] { close(); });
    fileMenu->addActions({m_actNewPic, m_actOpenPic});
    fileMenu->addSeparator();
    fileMenu->addActions({m_actPicSave, m_actPicSaveAs, m_actCloseChild, m_actCloseAllChildren});
    fileMenu->addSeparator();
    fileMenu->addAction(m_actPrintPic);
    fileMenu->addSeparator();
    fileMenu->addAction(m_actFileExit);
}

TVLPicChildWin* TVellumMain::newNumberedPicture(const std::function<TVLPicChildWin*(const QString& title)>& make)
{
    BusyCursor busy;
    ++m_newPictureCounter;
    try {
        TVLPicChildWin* document = make(QStringLiteral("New Picture #%1").arg(m_newPictureCounter));
        wirePicture(document);
        return document;
    } catch (const std::exception& e) {
        errorBox(this, e);
        return nullptr;
    }
}

TVLPicChildWin* TVellumMain::NewPicture(int width, int height, TColor colour)
{
    return newNumberedPicture(
        [&](const QString& title) { return new TVLNewPicChildWin(width, height, colour, title, this); });
}

void TVellumMain::newPictureExecute()
{
    TNewPicForm form(0, 0, ToolSettings().ForeColour(), ToolSettings().BackColour(), this);
    if (form.exec() == QDialog::Accepted)
        NewPicture(form.PicWidth(), form.PicHeight(), form.Colour());
}

bool TVellumMain::OpenPictureFile(const QString& fileName)
{
    BusyCursor busy;
    for (QMdiSubWindow* window : m_clientArea->subWindowList()) {
        auto* doc = qobject_cast<TVLPicChildWin*>(window);
        if (doc != nullptr && sameFile(doc->FileName(), fileName)) {
            if (doc->isMinimized())
                doc->showNormal();
            m_clientArea->setActiveSubWindow(doc);
            m_recentFiles->AddRecentFile(fileName);
            return true;
        }
    }
    try {
        auto* document = new TVLFilePicChildWin(fileName, this);
        wirePicture(document);
        m_recentFiles->AddRecentFile(fileName);
        if (document->Picture().LoadedIncomplete()) {
            // Saving over the original would destroy the part that could not be read.
            QMessageBox::information(
                this, QStringLiteral("Information"),
                QStringLiteral("The picture file %1 is incomplete: the part that is missing is shown grey.").arg(fileName),
                QMessageBox::Ok);
        }
        return true;
    } catch (const std::exception& e) {
        errorBox(this, e);
        m_recentFiles->RemoveRecentFile(fileName);
        return false;
    }
}

void TVellumMain::openPictureExecute()
{
    if (!m_openDialog->Execute()) {
        // Left with its Browse button: a browser on the folder it showed.
        if (m_openDialog->BrowseRequested())
            OpenBrowser(m_openDialog->CurrentFolder(), false);
        return;
    }
    for (const QString& file : m_openDialog->selectedFiles())
        OpenPictureFile(file);
}

QString TVellumMain::askSaveName(const QString& current)
{
    // One dialog for the run: a picture without a name finds it as it was last used.
    m_saveDialog->PresetFor(current);
    if (!m_saveDialog->Execute() || m_saveDialog->selectedFiles().isEmpty())
        return QString();
    return m_saveDialog->selectedFiles().first();
}

bool TVellumMain::SavePicture(TVLPicChildWin& document)
{
    const QString before = document.FileName();
    QString name = before;
    if (name.trimmed().isEmpty()) {
        name = askSaveName(QString());
        if (name.isEmpty())
            return false;
    }
    QString reason;
    if (document.SaveToFile(name, &reason)) {
        m_recentFiles->AddRecentFile(document.FileName());
        return true;
    }
    errorBox(this, saveError(before, reason));
    return false;
}

void TVellumMain::saveAsExecute()
{
    TVLPicChildWin* doc = ActivePicture();
    if (doc == nullptr)
        return;
    const QString before = doc->FileName();
    const QString name = askSaveName(before);
    if (name.isEmpty())
        return;
    QString reason;
    if (doc->SaveToFile(name, &reason))
        m_recentFiles->AddRecentFile(doc->FileName());
    else
        errorBox(this, saveError(before, reason));
}

void TVellumMain::printPictureExecute()
{
    // The picture as stored: a floating selection not yet committed is not printed.
    TVLPicChildWin* doc = ActivePicture();
    if (doc == nullptr)
        return;
    TPrintPreviewDialog dialog(this, doc->FileName(), &doc->Picture());
    dialog.exec();
}

void TVellumMain::queryClose(TVLPicChildWin* document, bool& canClose)
{
    canClose = true;
    if (!document->Modified())
        return;
    const auto answer = QMessageBox::question(
        this, QStringLiteral("Confirm"), QStringLiteral("Save changes to %1 ?").arg(document->Title()),
        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Yes);
    if (answer == QMessageBox::Cancel) {
        canClose = false;
    } else if (answer == QMessageBox::Yes) {
        // A Yes whose save did not happen (failed, or its dialog cancelled) keeps the changes.
        canClose = SavePicture(*document);
    }
}

void TVellumMain::closeAllChildren()
{
    // Back-most first; a window that refuses stays open and the others are still asked.
    QList<QPointer<QMdiSubWindow>> windows;
    for (QMdiSubWindow* window : m_clientArea->subWindowList(QMdiArea::StackingOrder))
        windows << window;
    for (const QPointer<QMdiSubWindow>& window : windows) {
        if (window.isNull())
            continue;
        window->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

} // namespace vellum
