#include "app/VLMain.h"

#include <optional>

#include <QAction>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMimeData>
#include <QPointer>
#include <QProgressBar>
#include <QScreen>
#include <QUrl>

#include "app/SettingsKeys.h"
#include "app/StartUp.h"
#include "app/VLGlobal.h"
#include "app/VLMainPrivate.h"
#include "app/VLBrwsrChildWn.h"
#include "app/ViewerFrm.h"
#include "app/WindowPlacement.h"
#include "app/XMLRegFile.h"
#include "clipboard/VLClipbrd.h"
#include "browser/RFPicPopupMenu.h"
#include "document/ToolCursors.h"
#include "document/VLPicChildWn.h"
#include "document/VLToolVars.h"

namespace vellum {

using namespace mainwindow;

TVellumMain::TVellumMain(QWidget* parent)
    : QMainWindow(parent)
{
    setWindowTitle(QString::fromLatin1(ProductName));
    m_clientArea = new QMdiArea(this);
    setCentralWidget(m_clientArea);
    // Scroll bars show when a document window extends beyond the area.
    m_clientArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_clientArea->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    connect(m_clientArea, &QMdiArea::subWindowActivated, this, &TVellumMain::documentActivated);
    connect(m_clientArea, &QMdiArea::subWindowActivated, this, [this](QMdiSubWindow* window) {
        // None is reported while a tool window has the focus: the current document stays.
        if (window != nullptr)
            runGuarded([this, window] { ViewerShowDocument(window, false); });
    });
    BuildToolShapes(ToolSettings());
    createCommands();
    createToolBars();
    createBrowseToolBar();
    createToolCommands();
    createColourPanel();
    createStatusBar();
    startToolValues();
    setAcceptDrops(true);
    createRecentFiles();
    createAddText();
    loadSettings();
    createClipboardViewer();
    createViewer();
    ClipboardStore().AddWindow(this);
    updatePasteStates();
    updateCommandStates();
}

TVellumMain::~TVellumMain()
{
    // The documents go away after this object's own members: no command states then.
    disconnect(m_clientArea, nullptr, this, nullptr);
}

QAction* TVellumMain::command(const QString& caption, const QString& hint, const QString& name)
{
    auto* action = new QAction(caption, this);
    action->setObjectName(name);
    const qsizetype bar = hint.indexOf(QLatin1Char('|'));
    action->setToolTip(bar < 0 ? hint : hint.left(bar));
    action->setStatusTip(bar < 0 ? hint : hint.mid(bar + 1));
    return action;
}

void TVellumMain::runGuarded(const std::function<void()>& body)
{
    // No exception may reach Qt's event loop: that would end the program with every document.
    try {
        body();
    } catch (const std::exception& e) {
        errorBox(this, e);
    } catch (...) {
        errorBox(this, QStringLiteral("Unexpected error"));
    }
}

void TVellumMain::onTriggered(QAction* action, std::function<void()> slot)
{
    connect(action, &QAction::triggered, this, [this, slot = std::move(slot)] {
        runGuarded([&] {
            // A key pressed while a mouse button is held: the drag ends before the command acts.
            if (TVLPicChildWin* doc = ActivePicture())
                doc->CancelDrag();
            slot();
        });
    });
}

void TVellumMain::onActivePicture(const std::function<void(TVLPicChildWin&)>& edit)
{
    TVLPicChildWin* doc = ActivePicture();
    if (doc == nullptr)
        return;
    runGuarded([&] { edit(*doc); });
}

void TVellumMain::createCommands()
{
    // Menus in the menu bar's order; each menu's commands live in their own source file.
    createFileCommands();
    createEditCommands();
    createViewCommands();
    createImageCommands();
    createColourCommands();
    createBrowseCommands();
    createWindowCommands();
    createHelpCommands();
}

QSize TVellumMain::AvailableDocumentArea() const
{
    return m_clientArea->viewport()->size();
}

TVLPicChildWin* TVellumMain::ActivePicture() const
{
    // The current window stays current while a dialog or another program has the focus.
    return qobject_cast<TVLPicChildWin*>(m_clientArea->currentSubWindow());
}

void TVellumMain::documentActivated(QMdiSubWindow* window)
{
    runGuarded([this, window] {
        // Null also comes when the frame loses the focus: the current window stays the document.
        QMdiSubWindow* current = window != nullptr ? window : m_clientArea->currentSubWindow();
        if (current != m_activeDocument) {
            if (auto* before = qobject_cast<TVLPicChildWin*>(m_activeDocument.data()))
                before->Deactivate();
            m_activeDocument = current;
            if (auto* now = qobject_cast<TVLPicChildWin*>(current))
                now->Activate();
            if (auto* browser = qobject_cast<TVLBrowserChildWn*>(current))
                browser->UpdateStatus();
        }
        updateCommandStates();
    });
}

void TVellumMain::updateCommandStates()
{
    TVLPicChildWin* picture = ActivePicture();
    const bool any = m_clientArea->currentSubWindow() != nullptr;
    m_actUndo->setEnabled(picture != nullptr && picture->CanUndo());
    m_actRedo->setEnabled(picture != nullptr && picture->CanRedo());
    m_actCloseChild->setEnabled(any);
    m_actCloseAllChildren->setEnabled(any);
    m_actPicSave->setEnabled(picture != nullptr);
    m_actPicSaveAs->setEnabled(picture != nullptr);
    m_actPrintPic->setEnabled(picture != nullptr);
    m_colourMenu->menuAction()->setVisible(picture != nullptr);
    m_imageMenu->menuAction()->setVisible(picture != nullptr);
    for (QAction* action : m_windowCommands)
        action->setEnabled(any);
    for (QAction* action : {m_actFlipPic, m_actMirrorPic, m_actClearPic, m_actEnlargePicCanvas, m_actResizePic,
                            m_actResamplePic, m_actRotatePic, m_actBlurPic, m_actBrightenPic, m_actGammaCorrectPic,
                            m_actAdjustRGBPic})
        action->setEnabled(picture != nullptr);
    m_actGreyScalePic->setEnabled(picture != nullptr);
    m_actNegativePic->setEnabled(picture != nullptr);
    updateEditCommandStates(picture);
    m_actCropPic->setEnabled(picture != nullptr && picture->Selection() != nullptr);
    m_actSelectAll->setEnabled(any);
    updateBrowseCommandStates();
}

void TVellumMain::wireProgress(TBasicVLChild* document)
{
    document->OnProgressBegin = [this](TBasicVLChild*, int steps) {
        m_panels[2]->hide();
        m_progress->setRange(0, std::max(steps, 1));
        m_progress->setValue(0);
        m_progress->show();
    };
    document->OnProgressStep = [this](TBasicVLChild*) { m_progress->setValue(m_progress->value() + 1); };
    document->OnProgressEnd = [this](TBasicVLChild*) {
        m_progress->hide();
        m_panels[2]->show();
    };
}

bool TVellumMain::adoptDocument(QMdiSubWindow* window)
{
    const bool maximised = (window->windowState() & Qt::WindowMaximized) != 0;
    window->setWindowState(window->windowState() & ~Qt::WindowMaximized);
    m_clientArea->addSubWindow(window);
    return maximised;
}

void TVellumMain::wirePicture(TVLPicChildWin* document)
{
    m_clientArea->addSubWindow(document);
    document->OnQueryClose = [this](TBasicVLChild* sender, bool& canClose) {
        if (m_closeAgreed.contains(sender))
            canClose = true;
        else
            queryClose(static_cast<TVLPicChildWin*>(sender), canClose);
        // Visible or not, the Viewer lets go of a picture that is about to go.
        if (canClose && m_viewer->PictureOwner() == sender)
            m_viewer->Detach(m_viewer->isVisible());
        if (canClose && m_clientArea->subWindowList().size() == 1)
            lastDocumentClosing();
    };
    document->OnPictureChange = [this](TVLPicChildWin* sender, TChangeSet changes) { pictureChanged(sender, changes); };
    // The caption command is a command slot like the others.
    document->OnExtraBtnClick = [this, click = document->OnExtraBtnClick](TExtraBtnForm* sender) {
        if (click)
            runGuarded([&] { click(sender); });
    };
    document->OnUndoChange = [this](TVLPicChildWin* sender, int count) {
        if (sender == ActivePicture()) {
            m_actUndo->setEnabled(count > 0);
            m_actRedo->setEnabled(sender->CanRedo());
        }
    };
    wireProgress(document);
    document->SetStatusBar(this);
    document->PictureScrollBox().SetShowZoomGrid(m_actShowHideZoomGrid->isChecked());
    document->PictureScrollBox().viewport()->setCursor(ToolCursor(ToolSettings().ToolCursor));
    wireViewer(document);
    document->show();
    const int zoom = document->PictureScrollBox().ZoomFactor();
    placeNewDocument(document, QSize(document->Picture().Width() * zoom + document->NonClientWidth(),
                                     document->Picture().Height() * zoom + document->NonClientHeight()));
    document->BestFit();
    wireToolOptions(document);
    updateCommandStates();
}

void TVellumMain::pictureChanged(TVLPicChildWin* document, TChangeSet changes)
{
    // Commands that depend on the floating selection follow its coming and going.
    if (document == ActivePicture() && (changes & (chgSelCreated | chgSelRemoved)))
        updateCommandStates();
    emit PictureChanged(document, changes);
}

void TVellumMain::lastDocumentClosing()
{
    for (int i = 0; i < 4; ++i)
        SetPanelText(i, QString());
    m_newPictureCounter = 0;
}

void TVellumMain::loadSettings()
{
    using namespace settings;
    std::optional<TStoredPlacement> stored;
    bool maximized = false;
    {
        TXMLRegistryFile reg(settingsFile());
        // The recent files' length was read before their list (createRecentFiles).
        loadRecentTexts(reg);
        if (reg.OpenKey(QLatin1String(KeyMain), false)) {
            if (reg.ValueExists(QLatin1String(WinNormLeft)) && reg.ValueExists(QLatin1String(WinNormTop))
                && reg.ValueExists(QLatin1String(WinNormRight)) && reg.ValueExists(QLatin1String(WinNormBottom))) {
                stored = TStoredPlacement{reg.ReadInteger(QLatin1String(WinNormLeft)),
                                          reg.ReadInteger(QLatin1String(WinNormTop)),
                                          reg.ReadInteger(QLatin1String(WinNormRight)),
                                          reg.ReadInteger(QLatin1String(WinNormBottom))};
            }
            maximized = reg.ValueExists(QLatin1String(WinMaximized)) && reg.ReadBool(QLatin1String(WinMaximized));
            if (reg.ValueExists(QLatin1String(ShowZoomGrid)))
                m_actShowHideZoomGrid->setChecked(reg.ReadBool(QLatin1String(ShowZoomGrid)));
            if (reg.ValueExists(QLatin1String(CbViewerIsVisible)))
                m_pendingCbViewer = reg.ReadBool(QLatin1String(CbViewerIsVisible));
            if (reg.ValueExists(QLatin1String(ViewerIsVisible)))
                m_pendingViewer = reg.ReadBool(QLatin1String(ViewerIsVisible));
            if (reg.ValueExists(QLatin1String(BrowserTreeVisible)))
                m_actBrwsrShowTV->setChecked(reg.ReadBool(QLatin1String(BrowserTreeVisible)));
            reg.CloseKey();
        }
    }
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QRect desktop = screen != nullptr ? screen->geometry() : QRect(QPoint(0, 0), DesignedSize);
    setGeometry(PlaceMainWindow(stored, desktop, DesignedSize));
    if (maximized)
        setWindowState(windowState() | Qt::WindowMaximized);
    loadColourPanelSettings();
}

void TVellumMain::saveSettings() const
{
    using namespace settings;
    TXMLRegistryFile reg(settingsFile());
    if (reg.OpenKey(QLatin1String(KeyRecentFiles), true)) {
        reg.WriteInteger(QLatin1String(MaxFileList), m_recentFiles->MaxFileList());
        reg.CloseKey();
    }
    saveRecentTexts(reg);
    if (!reg.OpenKey(QLatin1String(KeyMain), true))
        return;
    reg.WriteBool(QLatin1String(ShowZoomGrid), m_actShowHideZoomGrid->isChecked());
    // Whether the user has it shown, whatever hides it for the moment.
    reg.WriteBool(QLatin1String(CbViewerIsVisible), m_actCbViewerStartStop->isChecked());
    reg.WriteBool(QLatin1String(ViewerIsVisible), m_actViewerStartStop->isChecked());
    reg.WriteBool(QLatin1String(BrowserTreeVisible), m_actBrwsrShowTV->isChecked());
    // The restored rectangle is the client area's, the one setGeometry takes back, so a
    // window comes back exactly where it was whatever the window manager's frame.
    const QRect normal = normalGeometry().isValid() ? normalGeometry() : geometry();
    reg.WriteBool(QLatin1String(WinMaximized), isMaximized());
    reg.WriteInteger(QLatin1String(WinNormLeft), normal.left());
    reg.WriteInteger(QLatin1String(WinNormTop), normal.top());
    reg.WriteInteger(QLatin1String(WinNormRight), normal.left() + normal.width());
    reg.WriteInteger(QLatin1String(WinNormBottom), normal.top() + normal.height());
    reg.CloseKey();
    saveColourPanelSettings(reg);
}

bool TVellumMain::closeDocuments()
{
    // Every document is asked before any closes: a Cancel at the last one must not find the
    // others already gone with their changes.
    QList<QPointer<QMdiSubWindow>> windows;
    const QList<QMdiSubWindow*> stacking = m_clientArea->subWindowList(QMdiArea::StackingOrder);
    for (auto it = stacking.crbegin(); it != stacking.crend(); ++it)
        windows << *it;
    for (const QPointer<QMdiSubWindow>& window : windows) {
        auto* picture = qobject_cast<TVLPicChildWin*>(window.data());
        if (picture == nullptr)
            continue;
        bool canClose = true;
        queryClose(picture, canClose);
        if (!canClose) {
            m_closeAgreed.clear();
            return false;
        }
        m_closeAgreed.insert(picture);
    }
    bool closed = true;
    for (const QPointer<QMdiSubWindow>& window : windows) {
        if (!window.isNull() && !window->close()) {
            closed = false;
            break;
        }
    }
    m_closeAgreed.clear();
    return closed;
}

void TVellumMain::closeEvent(QCloseEvent* event)
{
    if (!closeDocuments()) {
        event->ignore();
        return;
    }
    // Every document agreed: the thumbnails still being made are waited for and kept.
    m_recentFiles->FinishThumbnails();
    m_recentFiles->SaveRecentFiles();
    saveSettings();
    event->accept();
}

void TVellumMain::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::StyleChange || event->type() == QEvent::FontChange) {
        if (TVLGlobal::Exists())
            TVLGlobal::Instance().ReadWindowMetrics();
        // The documents' caption buttons follow the new metrics.
        const QList<QMdiSubWindow*> windows = m_clientArea ? m_clientArea->subWindowList() : QList<QMdiSubWindow*>();
        for (QMdiSubWindow* window : windows)
            if (auto* document = qobject_cast<TExtraBtnForm*>(window))
                document->SettingsChanged();
    }
    QMainWindow::changeEvent(event);
}

void TVellumMain::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (!m_shown) {
        m_shown = true;
        // After the window is on screen, so that the documents fit its real client area.
        QMetaObject::invokeMethod(this, &TVellumMain::firstShow, Qt::QueuedConnection);
    }
}

void TVellumMain::firstShow()
{
    TAppParams& params = AppParams();
    const bool filesNamed = params.FileCount() > 0;
    if (params.Has(TAppParams::apOpenFiles)) {
        for (int i = 0; i < params.FileCount(); ++i)
            OpenPictureFile(params.Files(i));
        params.Exclude(TAppParams::apOpenFiles);
    }
    if (params.Has(TAppParams::apBrowseDir)) {
        // Maximised when no picture file was named.
        params.Exclude(TAppParams::apBrowseDir);
        OpenBrowser(params.Directory(), !filesNamed);
    }
    if (m_pendingViewer) {
        m_pendingViewer = false;
        m_actViewerStartStop->setChecked(true);
        runGuarded([this] { viewerStartStop(true); });
    }
    if (m_pendingCbViewer) {
        m_pendingCbViewer = false;
        m_actCbViewerStartStop->setChecked(true);
        cbViewerStartStop(true);
    }
    showRecentFiles();
}

namespace {

// A file the Open dialog lists as a picture, by its name.
bool isPictureFileName(const QUrl& url)
{
    if (!url.isLocalFile())
        return false;
    static const QStringList extensions{QStringLiteral("bmp"), QStringLiteral("jpg"), QStringLiteral("jpeg"),
                                        QStringLiteral("gif")};
    return extensions.contains(QFileInfo(url.toLocalFile()).suffix().toLower());
}

} // namespace

void TVellumMain::dragEnterEvent(QDragEnterEvent* event)
{
    if (browserDragEnter(event))
        return;
    // Only the first file would be opened: the copy cursor promises that it is a picture.
    const QList<QUrl> urls = event->mimeData()->urls();
    if (!urls.isEmpty() && isPictureFileName(urls.first()))
        event->acceptProposedAction();
}

void TVellumMain::dropEvent(QDropEvent* event)
{
    if (browserDrop(event))
        return;
    event->acceptProposedAction();
    // Opened once the drop has finished: an error box inside the drop would hold the file
    // manager until it is closed.
    QMetaObject::invokeMethod(
        this, [this, urls = event->mimeData()->urls()] { runGuarded([&] { OpenDroppedFiles(urls); }); },
        Qt::QueuedConnection);
}

void TVellumMain::OpenDroppedFiles(const QList<QUrl>& urls)
{
    if (!urls.isEmpty() && urls.first().isLocalFile())
        OpenPictureFile(urls.first().toLocalFile());
}

} // namespace vellum
