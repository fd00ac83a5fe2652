// The Browse menu and the Browser tool bar: picture browsers, and copying, moving, deleting
// and renaming the pictures they show.

#include "app/VLMain.h"

#include <QAction>
#include <QActionGroup>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QMimeData>
#include <QPointer>
#include <QToolBar>

#include "app/RenameFileDlg.h"
#include "app/RenameFilesDlg.h"
#include "app/VLBrwsrChildWn.h"
#include "app/VLMainPrivate.h"
#include "browser/FileAdmin.h"
#include "browser/PicDB.h"
#include "document/VLPicChildWn.h"

namespace vellum {

using namespace mainwindow;

namespace {

QString withSlash(const QString& path)
{
    return path.isEmpty() || path.endsWith(QLatin1Char('/')) ? path : path + QLatin1Char('/');
}

QIcon commandIcon(const char* name)
{
    return QIcon(QStringLiteral(":/images/commands/%1.png").arg(QLatin1String(name)));
}

} // namespace

void TVellumMain::createBrowseCommands()
{
    // Browse... in the File menu, after Open (the recent files come between at first show).
    m_actBrowseDir = command(QStringLiteral("Browse..."), QStringLiteral("Browse|Browse for pictures"),
                             QStringLiteral("ActBrowseDir"));
    m_actBrowseDir->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_B));
    m_actBrowseDir->setIcon(commandIcon("browse"));
    onTriggered(m_actBrowseDir, [this] { browseExecute(); });
    const QList<QAction*> fileEntries = m_fileMenu->actions();
    m_fileMenu->insertAction(fileEntries.value(2), m_actBrowseDir);

    m_browseMenu = menuBar()->addMenu(QStringLiteral("Browse"));
    m_browseMenu->setObjectName(QStringLiteral("BrowseMenu"));
    auto add = [this](const QString& caption, const QString& hint, const QString& name, const char* icon) {
        QAction* action = command(caption, hint, name);
        if (icon != nullptr)
            action->setIcon(commandIcon(icon));
        m_browseMenu->addAction(action);
        return action;
    };
    m_actBrwsrRefresh = add(QStringLiteral("Refresh"), QStringLiteral("Refresh browser|Refresh browser"),
                            QStringLiteral("ActBrwsrRefresh"), "refresh");
    onTriggered(m_actBrwsrRefresh, [this] {
        if (TVLBrowserChildWn* browser = ActiveBrowser())
            browser->RefreshBrowser();
    });
    m_actBrwsrShowTV = add(QStringLiteral("Show Directories"),
                           QStringLiteral("Display directory structure|Display directory structure in browser"),
                           QStringLiteral("ActBrwsrShowTV"), "tree");
    m_actBrwsrShowTV->setCheckable(true);
    m_actBrwsrShowTV->setChecked(true);
    onTriggered(m_actBrwsrShowTV, [this] {
        if (TVLBrowserChildWn* browser = ActiveBrowser())
            browser->ShowDirectories(m_actBrwsrShowTV->isChecked());
    });
    m_browseMenu->addSeparator();
    struct SortCommand {
        const char* caption;
        const char* hint;
        const char* name;
        const char* icon;
        int kind;
    };
    const SortCommand sorts[] = {
        {"Sort by name", "Sort by name|Sort browser files by name", "ActBrwsrSortByName", "sortname", TCustomPictureDB::skName},
        {"Sort by date", "Sort by date|Sort browser files by date", "ActBrwsrSortByDate", "sortdate", TCustomPictureDB::skDate},
        {"Sort by type", "Sort by type|Sort browser files by type", "ActBrwsrSortByType", "sorttype", TCustomPictureDB::skType},
        {"Sort by size", "Sort by size|Sort browser files by image size", "ActBrwsrSortBySize", "sortsize", TCustomPictureDB::skSize},
    };
    for (const SortCommand& sort : sorts) {
        QAction* action = add(QLatin1String(sort.caption), QLatin1String(sort.hint), QLatin1String(sort.name), sort.icon);
        const int kind = sort.kind;
        onTriggered(action, [this, kind] { browseSort(kind); });
        m_browseSortCommands << action;
    }
    auto* direction = new QActionGroup(this);
    m_actBrwsrSortAsc = add(QStringLiteral("Sort ascending"), QStringLiteral("Sort Ascending|Sort browser file in ascending order"),
                            QStringLiteral("ActBrwsrSortAsc"), "sortasc");
    QAction* descending = add(QStringLiteral("Sort descending"),
                              QStringLiteral("Sort Descending|Sort browser file in descending order"),
                              QStringLiteral("ActBrwsrSortDesc"), "sortdesc");
    for (QAction* action : {m_actBrwsrSortAsc, descending}) {
        action->setCheckable(true);
        direction->addAction(action);
        onTriggered(action, [this, action] {
            if (TVLBrowserChildWn* browser = ActiveBrowser())
                browser->Resort(action == m_actBrwsrSortAsc);
        });
        m_browseSortCommands << action;
    }
    m_actBrwsrSortAsc->setChecked(true);
    m_browseMenu->addSeparator();

    m_actBrwsrOpenImage = add(QStringLiteral("Open picture"), QString(), QStringLiteral("ActBrwsrOpenImage"), "openpic");
    onTriggered(m_actBrwsrOpenImage, [this] {
        if (TVLBrowserChildWn* browser = ActiveBrowser())
            for (const QString& path : browser->SelectedPaths())
                OpenPictureFile(path);
    });
    QAction* copy = add(QStringLiteral("Copy picture"), QString(), QStringLiteral("ActBrwsrCopyImage"), nullptr);
    onTriggered(copy, [this] { browseCopyMove(true); });
    QAction* move = add(QStringLiteral("Move picture"), QString(), QStringLiteral("ActBrwsrMoveImage"), nullptr);
    onTriggered(move, [this] { browseCopyMove(false); });
    QAction* remove = add(QStringLiteral("Delete picture"), QString(), QStringLiteral("ActBrwsrDeleteImage"), nullptr);
    onTriggered(remove, [this] { browseDelete(); });
    QAction* rename = add(QStringLiteral("Rename picture"), QString(), QStringLiteral("ActBrwsrRenameImage"), nullptr);
    onTriggered(rename, [this] { browseRename(); });
    QAction* renameAll = add(QStringLiteral("Rename pictures"), QString(), QStringLiteral("ActBrwsrRenameImages"), nullptr);
    onTriggered(renameAll, [this] { browseRenameAll(); });
    m_browseFileCommands = {m_actBrwsrOpenImage, copy, move, remove, rename, renameAll};
}

void TVellumMain::createBrowseToolBar()
{
    // Browse on the File bar, after Open.
    if (auto* fileBar = findChild<QToolBar*>(QStringLiteral("FileToolbar")))
        fileBar->insertAction(m_actPicSave, m_actBrowseDir);
    QToolBar* bar = addToolBar(QStringLiteral("Browser"));
    bar->setObjectName(QStringLiteral("BrowseToolbar"));
    bar->setAllowedAreas(Qt::TopToolBarArea);
    // The button has a hint of its own; the command has none.
    QAction* open = command(m_actBrwsrOpenImage->text(), QStringLiteral("Open selected picture/s in browser"),
                            QStringLiteral("BrwsrOpenImageTB"));
    open->setIcon(m_actBrwsrOpenImage->icon());
    open->setEnabled(m_actBrwsrOpenImage->isEnabled());
    connect(open, &QAction::triggered, m_actBrwsrOpenImage, &QAction::trigger);
    connect(m_actBrwsrOpenImage, &QAction::enabledChanged, open, &QAction::setEnabled);
    bar->addAction(open);
    bar->addSeparator();
    bar->addActions({m_actBrwsrRefresh, m_actBrwsrShowTV});
    bar->addActions(m_browseSortCommands);
    QAction* toggle = bar->toggleViewAction();
    toggle->setText(QStringLiteral("Browse Toolbar"));
    toggle->setObjectName(QStringLiteral("ActBrowseToolbar"));
    m_toolbarsMenu->addAction(toggle);
}

TVLBrowserChildWn* TVellumMain::ActiveBrowser() const
{
    return qobject_cast<TVLBrowserChildWn*>(m_clientArea->currentSubWindow());
}

void TVellumMain::updateBrowseCommandStates()
{
    TVLBrowserChildWn* browser = ActiveBrowser();
    const int count = browser != nullptr ? browser->EntryCount() : 0;
    m_browseMenu->menuAction()->setVisible(browser != nullptr);
    m_actBrwsrRefresh->setEnabled(browser != nullptr);
    m_actBrwsrShowTV->setEnabled(browser != nullptr);
    if (browser != nullptr)
        m_actBrwsrShowTV->setChecked(browser->TreeVisible());
    for (QAction* action : m_browseSortCommands)
        action->setEnabled(count > 1);
    for (QAction* action : m_browseFileCommands)
        action->setEnabled(count > 0);
}

TVLBrowserChildWn* TVellumMain::OpenBrowser(const QString& directory, bool maximised)
{
    BusyCursor busy;
    try {
        auto* browser = new TVLBrowserChildWn(this, maximised, m_actBrwsrShowTV->isChecked(), directory, settingsFile());
        wireBrowser(browser);
        return browser;
    } catch (const std::exception& e) {
        errorBox(this, e);
        return nullptr;
    }
}

void TVellumMain::wireBrowser(TVLBrowserChildWn* browser)
{
    const bool maximised = adoptDocument(browser);
    browser->OnQueryClose = [this](TBasicVLChild*, bool& canClose) {
        canClose = true;
        if (m_clientArea->subWindowList().size() == 1)
            lastDocumentClosing();
    };
    wireProgress(browser);
    browser->OnOpenFile = [this](TVLBrowserChildWn*, const QString& path) {
        runGuarded([this, &path] { OpenPictureFile(path); });
    };
    browser->OnContentsChange = [this](TVLBrowserChildWn* sender) {
        if (sender == ActiveBrowser())
            updateBrowseCommandStates();
    };
    browser->OnCopyFile = [this](TVLBrowserChildWn*, const QString& name, const QString& from, const QString& to) {
        runGuarded([&] { CopyOne(name, from, to); });
    };
    browser->OnMoveFile = [this](TVLBrowserChildWn*, const QString& name, const QString& from, const QString& to) {
        runGuarded([&] { MoveOne(name, from, to); });
    };
    browser->SetStatusBar(this);
    if (maximised)
        browser->showMaximized();
    else
        browser->show();
    m_clientArea->setActiveSubWindow(browser);
    updateCommandStates();
}

void TVellumMain::browseExecute()
{
    QString directory;
    if (TVLPicChildWin* picture = ActivePicture())
        if (!picture->FileName().isEmpty())
            directory = QFileInfo(picture->FileName()).absolutePath();
    OpenBrowser(directory, false);
}

void TVellumMain::browseSort(int kind)
{
    if (TVLBrowserChildWn* browser = ActiveBrowser())
        browser->SortBy(kind, m_actBrwsrSortAsc->isChecked());
}

// --- file operations

void TVellumMain::sendFileAction(const TFileActionRecord& record)
{
    QList<QPointer<QMdiSubWindow>> windows;
    for (QMdiSubWindow* window : m_clientArea->subWindowList(QMdiArea::CreationOrder))
        windows << window;
    for (const QPointer<QMdiSubWindow>& window : windows) {
        if (window.isNull())
            continue;
        TFileActionEvent event(record, this);
        QCoreApplication::sendEvent(window.data(), &event);
    }
}

bool TVellumMain::CopyOne(const QString& name, const QString& from, const QString& to)
{
    if (!ShellCopy(name, from, to, true))
        return false;
    sendFileAction({TFileActionRecord::faAdded, to, name, QString()});
    return true;
}

bool TVellumMain::MoveOne(const QString& name, const QString& from, const QString& to)
{
    bool copied = false;
    if (!ShellMove(name, from, to, true, &copied)) {
        // Both files stayed: the destination's browsers show the new one.
        if (copied)
            sendFileAction({TFileActionRecord::faAdded, to, name, QString()});
        return false;
    }
    TFileActionRecord record{TFileActionRecord::faRemoved, from, name, QString()};
    sendFileAction(record);
    record.Action = TFileActionRecord::faAdded;
    record.Directory = to;
    sendFileAction(record);
    return true;
}

bool TVellumMain::DeleteOne(const QString& name, const QString& folder)
{
    if (!ShellDelete(folder + name, true))
        return false;
    sendFileAction({TFileActionRecord::faRemoved, folder, name, QString()});
    return true;
}

bool TVellumMain::RenameOne(const QString& oldName, const QString& newName, const QString& folder)
{
    // Names are compared exactly: one differing only in letter case is another name.
    if (newName == oldName)
        return false;
    if (!ShellRename(oldName, newName, folder, true))
        return false;
    sendFileAction({TFileActionRecord::faRenamed, folder, oldName, newName});
    return true;
}

void TVellumMain::browseCopyMove(bool copy)
{
    TVLBrowserChildWn* browser = ActiveBrowser();
    if (browser == nullptr)
        return;
    const QString from = browser->Directory();
    for (const QString& name : browser->SelectedNames()) {
        QString folder = from;
        const QString title = QStringLiteral("Choose directory to %1 '%2' to..").arg(copy ? QStringLiteral("copy") : QStringLiteral("move"), name);
        if (!SelectFolder(title, folder))
            continue;
        if (copy)
            CopyOne(name, from, withSlash(folder));
        else
            MoveOne(name, from, withSlash(folder));
    }
}

void TVellumMain::browseDelete()
{
    TVLBrowserChildWn* browser = ActiveBrowser();
    if (browser == nullptr)
        return;
    const QString folder = browser->Directory();
    for (const QString& name : browser->SelectedNames())
        DeleteOne(name, folder);
}

void TVellumMain::browseRename()
{
    TVLBrowserChildWn* browser = ActiveBrowser();
    if (browser == nullptr)
        return;
    const QStringList names = browser->SelectedNames();
    if (names.isEmpty())
        return;
    const QString folder = browser->Directory();
    TRenameFileDialog dialog(names.first(), this);
    if (dialog.exec() == QDialog::Accepted)
        RenameOne(names.first(), dialog.NewName(), folder);
}

void TVellumMain::browseRenameAll()
{
    TVLBrowserChildWn* browser = ActiveBrowser();
    if (browser == nullptr)
        return;
    const QStringList names = browser->SelectedNames();
    if (names.isEmpty())
        return;
    const QString folder = browser->Directory();
    TRenameFilesDialog dialog(this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const int count = int(names.size());
    const QString pattern = RenamePattern(dialog.Template(), count);
    // Every name is made before any file is renamed: a bad template renames nothing.
    QStringList newNames;
    for (int i = 1; i <= count; ++i) {
        const std::optional<QString> base = FormatRenamePattern(pattern, i);
        if (!base) {
            errorBox(this, QStringLiteral("The template %1 cannot be formatted with one number.").arg(dialog.Template()));
            return;
        }
        const QString& old = names[i - 1];
        const qsizetype dot = old.lastIndexOf(QLatin1Char('.'));
        newNames << *base + (dot < 0 ? QString() : old.mid(dot));
    }
    for (int i = 0; i < count; ++i)
        RenameOne(names[i], newNames[i], folder);
}

// --- drags from a browser onto the empty client area

bool TVellumMain::browserDragEnter(QDragEnterEvent* event)
{
    const QByteArray id = TVLBrowserChildWn::DragId(event->mimeData());
    if (id.isEmpty())
        return false;
    for (QMdiSubWindow* window : m_clientArea->subWindowList())
        if (auto* browser = qobject_cast<TVLBrowserChildWn*>(window); browser != nullptr && browser->OwnDragId() == id) {
            event->acceptProposedAction();
            return true;
        }
    return true;
}

bool TVellumMain::browserDrop(QDropEvent* event)
{
    const QByteArray id = TVLBrowserChildWn::DragId(event->mimeData());
    if (id.isEmpty())
        return false;
    for (QMdiSubWindow* window : m_clientArea->subWindowList()) {
        auto* browser = qobject_cast<TVLBrowserChildWn*>(window);
        if (browser == nullptr || browser->OwnDragId() != id)
            continue;
        event->acceptProposedAction();
        // Opened once the drop is over, in the browser's order.
        QMetaObject::invokeMethod(
            this,
            [this, paths = browser->SelectedPaths()] {
                for (const QString& path : paths)
                    runGuarded([this, &path] { OpenPictureFile(path); });
            },
            Qt::QueuedConnection);
        return true;
    }
    return true;
}

} // namespace vellum
