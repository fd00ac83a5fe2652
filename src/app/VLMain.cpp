#include "app/VLMain.h"

#include <optional>

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QPointer>
#include <QProgressBar>
#include <QScreen>
#include <QStatusBar>
#include <QTextBrowser>
#include <QToolBar>

#include "app/AboutDlg.h"
#include "app/NewPicFrm.h"
#include "app/ResizePicFrm.h"
#include "app/SettingsKeys.h"
#include "app/StartUp.h"
#include "app/VLGlobal.h"
#include "app/WindowPlacement.h"
#include "app/XMLRegFile.h"
#include "document/VLPicChildWn.h"
#include "document/ToolCursors.h"
#include "document/VLToolVars.h"

namespace vellum {

namespace {

QString settingsFile()
{
    return ProgramPath() + QLatin1String(settings::FileName);
}

const QString OpenFilter = QStringLiteral(
    "Windows Bitmap (*.bmp);;JPG Image File (*.jpg);;JPEG Image FIle (*.jpeg);;GIF (*.gif);;"
    "All picture files (*.bmp *.jpg *.jpeg *.gif);;All files (*)");
const QStringList SaveFilters{QStringLiteral("Windows Bitmap (*.bmp)"), QStringLiteral("JPG Image File (*.jpg)"),
                              QStringLiteral("JPEG Image FIle (*.jpeg)"), QStringLiteral("GIF (*.gif)")};

void errorBox(QWidget* parent, const QString& message)
{
    QMessageBox::critical(parent, QStringLiteral("Error"), message, QMessageBox::Ok);
}

// The busy cursor for a scope.
class BusyCursor {
public:
    BusyCursor() { QApplication::setOverrideCursor(QCursor(Qt::WaitCursor)); }
    ~BusyCursor() { QApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

} // namespace

TVellumMain::TVellumMain(QWidget* parent)
    : QMainWindow(parent)
{
    setWindowTitle(QString::fromLatin1(ProductName));
    m_clientArea = new QMdiArea(this);
    setCentralWidget(m_clientArea);
    connect(m_clientArea, &QMdiArea::subWindowActivated, this, [this] { updateCommandStates(); });
    BuildToolShapes(ToolSettings());
    createCommands();
    createToolBars();
    createStatusBar();
    setAcceptDrops(true);
    loadSettings();
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

void TVellumMain::createCommands()
{
    QMenu* fileMenu = menuBar()->addMenu(QStringLiteral("&File"));
    m_actNewPic = command(QStringLiteral("&New"), QStringLiteral("New|Create a new file"), QStringLiteral("ActNewPic"));
    m_actNewPic->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
    connect(m_actNewPic, &QAction::triggered, this, &TVellumMain::newPictureExecute);
    m_actOpenPic = command(QStringLiteral("&Open"), QStringLiteral("Open|Open a file"), QStringLiteral("ActOpenPic"));
    m_actOpenPic->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    connect(m_actOpenPic, &QAction::triggered, this, &TVellumMain::openPictureExecute);
    m_actPicSave = command(QStringLiteral("&Save"), QStringLiteral("Save|Save current file"), QStringLiteral("ActPicSave"));
    m_actPicSave->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    connect(m_actPicSave, &QAction::triggered, this, [this] {
        if (TVLPicChildWin* doc = ActivePicture())
            SavePicture(*doc);
    });
    m_actPicSaveAs = command(QStringLiteral("Save &As..."), QStringLiteral("Save As|Save current file with different name"),
                             QStringLiteral("ActPicSaveAs"));
    m_actPicSaveAs->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
    connect(m_actPicSaveAs, &QAction::triggered, this, &TVellumMain::saveAsExecute);
    m_actCloseChild = command(QStringLiteral("&Close"), QStringLiteral("Close|Close current picture"),
                              QStringLiteral("ActCloseChild"));
    connect(m_actCloseChild, &QAction::triggered, m_clientArea, &QMdiArea::closeActiveSubWindow);
    m_actCloseAllChildren = command(QStringLiteral("Close All"), QStringLiteral("Close All|Close all pictures"),
                                    QStringLiteral("ActCloseAllChildren"));
    connect(m_actCloseAllChildren, &QAction::triggered, this, &TVellumMain::closeAllChildren);
    m_actFileExit = command(QStringLiteral("E&xit"), QStringLiteral("Exit|Exit Vellum"), QStringLiteral("ActFileExit"));
    connect(m_actFileExit, &QAction::triggered, this, &QWidget::close);
    fileMenu->addActions({m_actNewPic, m_actOpenPic});
    fileMenu->addSeparator();
    fileMenu->addActions({m_actPicSave, m_actPicSaveAs, m_actCloseChild, m_actCloseAllChildren});
    fileMenu->addSeparator();
    fileMenu->addAction(m_actFileExit);

    QMenu* editMenu = menuBar()->addMenu(QStringLiteral("&Edit"));
    m_actUndo = command(QStringLiteral("Undo"), QStringLiteral("Undo|Undo last action"), QStringLiteral("ActUndo"));
    m_actUndo->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Z), QKeySequence(Qt::Key_Escape)});
    connect(m_actUndo, &QAction::triggered, this, [this] {
        if (TVLPicChildWin* doc = ActivePicture())
            doc->UndoLast();
    });
    editMenu->addAction(m_actUndo);

    QMenu* viewMenu = menuBar()->addMenu(QStringLiteral("View"));
    m_actShowHideZoomGrid =
        command(QStringLiteral("Zoom grid"), QStringLiteral("Show zoom grid|Show grid when picture is zoomed in by a large amount"),
                QStringLiteral("ActShowHideZoomGrid"));
    m_actShowHideZoomGrid->setCheckable(true);
    m_actShowHideZoomGrid->setChecked(true);
    connect(m_actShowHideZoomGrid, &QAction::toggled, this, [this](bool on) {
        for (QMdiSubWindow* window : m_clientArea->subWindowList())
            if (auto* doc = qobject_cast<TVLPicChildWin*>(window))
                doc->PictureScrollBox().SetShowZoomGrid(on);
    });
    viewMenu->addAction(m_actShowHideZoomGrid);
    viewMenu->addSeparator();
    m_toolbarsMenu = viewMenu->addMenu(QStringLiteral("Toolbars"));

    createImageCommands();

    m_colourMenu = menuBar()->addMenu(QStringLiteral("Colour"));
    m_actGreyScalePic = command(QStringLiteral("Grey Scale"), QStringLiteral("Grey Scale|Set the picture to greyscale"),
                                QStringLiteral("ActGreyScalePic"));
    connect(m_actGreyScalePic, &QAction::triggered, this, [this] {
        if (TVLPicChildWin* doc = ActivePicture())
            doc->GreyScale();
    });
    m_actNegativePic = command(QStringLiteral("Negative Image"),
                               QStringLiteral("Negative Image|Set the picture to a negative image"),
                               QStringLiteral("ActNegativePic"));
    connect(m_actNegativePic, &QAction::triggered, this, [this] {
        if (TVLPicChildWin* doc = ActivePicture())
            doc->Negative();
    });
    m_colourMenu->addActions({m_actGreyScalePic, m_actNegativePic});

    QMenu* windowMenu = menuBar()->addMenu(QStringLiteral("&Window"));
    auto windowCommand = [this, windowMenu](const QString& caption, const QString& name, auto slot) {
        QAction* action = command(caption, QString(caption).remove(QLatin1Char('&')), name);
        connect(action, &QAction::triggered, this, slot);
        windowMenu->addAction(action);
        m_windowCommands << action;
    };
    windowCommand(QStringLiteral("&Cascade"), QStringLiteral("ActWindowCascade"), [this] { m_clientArea->cascadeSubWindows(); });
    windowCommand(QStringLiteral("Tile &Horizontally"), QStringLiteral("ActWindowTileHorizontal"),
                  [this] { tileDocuments(Qt::Horizontal); });
    windowCommand(QStringLiteral("Tile &Vertically"), QStringLiteral("ActWindowTileVertical"),
                  [this] { tileDocuments(Qt::Vertical); });
    windowCommand(QStringLiteral("&Minimize All"), QStringLiteral("ActWindowMinimizeAll"), [this] {
        for (QMdiSubWindow* window : m_clientArea->subWindowList())
            window->showMinimized();
    });
    windowCommand(QStringLiteral("&Arrange All"), QStringLiteral("ActWindowArrangeAll"), [this] { arrangeMinimized(); });
    windowMenu->addSeparator();
    const int fixedEntries = static_cast<int>(windowMenu->actions().size());
    connect(windowMenu, &QMenu::aboutToShow, this, [this, windowMenu, fixedEntries] {
        // The window list after the fixed entries.
        const QList<QAction*> actions = windowMenu->actions();
        for (qsizetype i = fixedEntries; i < actions.size(); ++i) {
            windowMenu->removeAction(actions[i]);
            actions[i]->deleteLater();
        }
        for (QMdiSubWindow* window : m_clientArea->subWindowList()) {
            QAction* entry = windowMenu->addAction(window->windowTitle(), this, [this, window] {
                m_clientArea->setActiveSubWindow(window);
            });
            entry->setCheckable(true);
            entry->setChecked(window == m_clientArea->activeSubWindow());
        }
    });

    QMenu* helpMenu = menuBar()->addMenu(QStringLiteral("Help"));
    m_actHelp = command(QStringLiteral("Vellum Help"), QString(), QStringLiteral("ActHelp"));
    m_actHelp->setShortcut(QKeySequence(Qt::Key_F1));
    connect(m_actHelp, &QAction::triggered, this, &TVellumMain::showHelp);
    m_actAbout = command(QStringLiteral("About..."), QString(), QStringLiteral("ActAbout"));
    connect(m_actAbout, &QAction::triggered, this, [this] { TAboutBox(this).exec(); });
    helpMenu->addAction(m_actHelp);
    helpMenu->addSeparator();
    helpMenu->addAction(m_actAbout);
}

void TVellumMain::onActivePicture(const std::function<void(TVLPicChildWin&)>& edit)
{
    TVLPicChildWin* doc = ActivePicture();
    if (doc == nullptr)
        return;
    try {
        edit(*doc);
    } catch (const std::exception& e) {
        errorBox(this, QString::fromUtf8(e.what()));
    }
}

void TVellumMain::createImageCommands()
{
    m_imageMenu = menuBar()->addMenu(QStringLiteral("Image"));
    m_actFlipPic = command(QStringLiteral("Flip"), QStringLiteral("Flip Picture|Flip Picture Vertically"),
                           QStringLiteral("ActFlipPic"));
    connect(m_actFlipPic, &QAction::triggered, this, [this] { onActivePicture([](TVLPicChildWin& d) { d.Flip(); }); });
    m_actMirrorPic = command(QStringLiteral("Mirror"), QStringLiteral("Mirror Picture|Flip Picture Horizontally"),
                             QStringLiteral("ActMirrorPic"));
    connect(m_actMirrorPic, &QAction::triggered, this,
            [this] { onActivePicture([](TVLPicChildWin& d) { d.Mirror(); }); });
    m_actClearPic = command(QStringLiteral("Clear"),
                            QStringLiteral("Clear|Clear current selection or whole picture canvas"),
                            QStringLiteral("ActClearPic"));
    m_actClearPic->setShortcut(QKeySequence(Qt::Key_Delete));
    connect(m_actClearPic, &QAction::triggered, this, [this] { onActivePicture([](TVLPicChildWin& d) { d.Clear(); }); });
    m_actEnlargePicCanvas = command(QStringLiteral("Enlarge canvas"),
                                    QStringLiteral("Enlarge canvas|Increase the size of the picture canvas"),
                                    QStringLiteral("ActEnlargePicCanvas"));
    connect(m_actEnlargePicCanvas, &QAction::triggered, this, &TVellumMain::enlargeCanvasExecute);
    m_actResizePic = command(QStringLiteral("Resize"), QStringLiteral("Resize|Resize picture"), QStringLiteral("ActResizePic"));
    connect(m_actResizePic, &QAction::triggered, this, [this] { resizeExecute(false); });
    m_actResamplePic = command(QStringLiteral("Resample"), QStringLiteral("Resample|Resample picture"),
                               QStringLiteral("ActResamplePic"));
    connect(m_actResamplePic, &QAction::triggered, this, [this] { resizeExecute(true); });
    m_imageMenu->addActions({m_actFlipPic, m_actMirrorPic});
    m_imageMenu->addSeparator();
    m_imageMenu->addActions({m_actClearPic, m_actEnlargePicCanvas, m_actResizePic, m_actResamplePic});
}

void TVellumMain::resizeExecute(bool resample)
{
    TVLPicChildWin* doc = ActivePicture();
    if (doc == nullptr)
        return;
    TResizePicForm form(doc->Picture().Width(), doc->Picture().Height(), this);
    form.setWindowTitle(resample ? QStringLiteral("Resample Picture") : QStringLiteral("Resize Picture"));
    if (form.exec() != QDialog::Accepted)
        return;
    onActivePicture([&](TVLPicChildWin& d) {
        if (resample)
            d.Resample(form.PicWidth(), form.PicHeight());
        else
            d.Resize(form.PicWidth(), form.PicHeight());
    });
}

void TVellumMain::enlargeCanvasExecute()
{
    TVLPicChildWin* doc = ActivePicture();
    if (doc == nullptr)
        return;
    TEnlargeCanvasForm form(doc->Picture().Height(), doc->Picture().Width(), this);
    if (form.exec() != QDialog::Accepted)
        return;
    onActivePicture([&](TVLPicChildWin& d) {
        d.EnlargeCanvas(form.NewWidth(), form.NewHeight(), form.CentrePicture(), ToolSettings().BackColour());
    });
}

// Side by side: horizontally one above the other (full width), vertically one beside the
// other (full height), the minimised ones left alone.
void TVellumMain::tileDocuments(Qt::Orientation orientation)
{
    QList<QMdiSubWindow*> windows;
    for (QMdiSubWindow* window : m_clientArea->subWindowList())
        if (!window->isMinimized())
            windows << window;
    if (windows.isEmpty())
        return;
    const QSize area = m_clientArea->viewport()->size();
    const int count = static_cast<int>(windows.size());
    for (int i = 0; i < count; ++i) {
        windows[i]->showNormal();
        if (orientation == Qt::Horizontal) {
            const int h = area.height() / count;
            windows[i]->setGeometry(0, i * h, area.width(), h);
        } else {
            const int w = area.width() / count;
            windows[i]->setGeometry(i * w, 0, w, area.height());
        }
    }
}

// Lines the minimised windows up along the bottom of the client area.
void TVellumMain::arrangeMinimized()
{
    int x = 0;
    const int bottom = m_clientArea->viewport()->height();
    for (QMdiSubWindow* window : m_clientArea->subWindowList()) {
        if (!window->isMinimized())
            continue;
        window->move(x, bottom - window->height());
        x += window->width();
    }
}

void TVellumMain::createToolBars()
{
    auto iconFor = [](QAction* action, const char* name) {
        action->setIcon(QIcon(QStringLiteral(":/images/commands/%1.png").arg(QLatin1String(name))));
    };
    iconFor(m_actNewPic, "new");
    iconFor(m_actOpenPic, "open");
    iconFor(m_actPicSave, "save");
    iconFor(m_actUndo, "undo");
    iconFor(m_actGreyScalePic, "grey");
    iconFor(m_actNegativePic, "negative");
    iconFor(m_actShowHideZoomGrid, "grid");
    iconFor(m_actFlipPic, "flip");
    iconFor(m_actMirrorPic, "mirror");
    iconFor(m_actClearPic, "clear");
    iconFor(m_actEnlargePicCanvas, "enlarge");
    iconFor(m_actResizePic, "resize");
    iconFor(m_actResamplePic, "resample");

    // Each bar has its switch in View > Toolbars; the tick follows the bar however it is hidden.
    auto bar = [this](const QString& title, const QString& name, const QList<QAction*>& actions) {
        QToolBar* toolBar = addToolBar(title);
        toolBar->setObjectName(name);
        toolBar->addActions(actions);
        QAction* toggle = toolBar->toggleViewAction();
        toggle->setText(title + QStringLiteral(" Toolbar"));
        m_toolbarsMenu->addAction(toggle);
    };
    bar(QStringLiteral("File"), QStringLiteral("FileToolbar"), {m_actNewPic, m_actOpenPic, m_actPicSave});
    bar(QStringLiteral("Edit"), QStringLiteral("EditToolbar"), {m_actUndo});
    bar(QStringLiteral("View"), QStringLiteral("ViewToolbar"), {m_actShowHideZoomGrid});
    bar(QStringLiteral("Image"), QStringLiteral("ImageToolbar"),
        {m_actFlipPic, m_actMirrorPic, m_actClearPic, m_actEnlargePicCanvas, m_actResizePic, m_actResamplePic});
    bar(QStringLiteral("Colour"), QStringLiteral("ColourToolbar"), {m_actGreyScalePic, m_actNegativePic});
}

void TVellumMain::showHelp()
{
    if (m_helpWindow == nullptr) {
        m_helpWindow = new QTextBrowser(this);
        m_helpWindow->setWindowFlag(Qt::Window);
        m_helpWindow->setWindowTitle(QStringLiteral("Vellum Help"));
        m_helpWindow->setSource(QUrl(QStringLiteral("qrc:/help/vellum-help.html")));
        m_helpWindow->resize(560, 480);
    }
    m_helpWindow->show();
    m_helpWindow->raise();
}

void TVellumMain::createStatusBar()
{
    for (std::size_t i = 0; i < m_panels.size(); ++i) {
        m_panels[i] = new QLabel(this);
        m_panels[i]->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
        m_panels[i]->setMinimumWidth(i == 0 ? 200 : 90);
        if (i == 0)
            statusBar()->addWidget(m_panels[i], 1);
        else
            statusBar()->addPermanentWidget(m_panels[i]);
    }
    m_progress = new QProgressBar(this);
    m_progress->setMaximumWidth(120);
    m_progress->setTextVisible(false);
    m_progress->hide();
    statusBar()->addPermanentWidget(m_progress);
}

void TVellumMain::SetPanelText(int panel, const QString& text)
{
    if (panel >= 0 && panel < static_cast<int>(m_panels.size()))
        m_panels[static_cast<std::size_t>(panel)]->setText(text);
}

QString TVellumMain::PanelText(int panel) const
{
    return panel >= 0 && panel < static_cast<int>(m_panels.size()) ? m_panels[static_cast<std::size_t>(panel)]->text()
                                                                   : QString();
}

QSize TVellumMain::AvailableDocumentArea() const
{
    return m_clientArea->viewport()->size();
}

TVLPicChildWin* TVellumMain::ActivePicture() const
{
    return qobject_cast<TVLPicChildWin*>(m_clientArea->activeSubWindow());
}

void TVellumMain::updateCommandStates()
{
    TVLPicChildWin* picture = ActivePicture();
    const bool any = m_clientArea->activeSubWindow() != nullptr;
    m_actUndo->setEnabled(picture != nullptr && picture->CanUndo());
    m_actCloseChild->setEnabled(any);
    m_actCloseAllChildren->setEnabled(any);
    m_actPicSave->setEnabled(picture != nullptr);
    m_actPicSaveAs->setEnabled(picture != nullptr);
    m_colourMenu->menuAction()->setVisible(picture != nullptr);
    m_imageMenu->menuAction()->setVisible(picture != nullptr);
    for (QAction* action : m_windowCommands)
        action->setEnabled(any);
    for (QAction* action : {m_actFlipPic, m_actMirrorPic, m_actClearPic, m_actEnlargePicCanvas, m_actResizePic,
                            m_actResamplePic})
        action->setEnabled(picture != nullptr);
    m_actGreyScalePic->setEnabled(picture != nullptr);
    m_actNegativePic->setEnabled(picture != nullptr);
}

void TVellumMain::wirePicture(TVLPicChildWin* document)
{
    m_clientArea->addSubWindow(document);
    document->OnQueryClose = [this](TBasicVLChild* sender, bool& canClose) {
        queryClose(static_cast<TVLPicChildWin*>(sender), canClose);
        if (canClose && m_clientArea->subWindowList().size() == 1)
            lastDocumentClosing();
    };
    document->OnUndoChange = [this](TVLPicChildWin* sender, int count) {
        if (sender == ActivePicture())
            m_actUndo->setEnabled(count > 0);
    };
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
    document->SetStatusBar(this);
    document->PictureScrollBox().SetShowZoomGrid(m_actShowHideZoomGrid->isChecked());
    document->PictureScrollBox().viewport()->setCursor(ToolCursor(ToolSettings().ToolCursor));
    document->show();
    document->BestFit();
    updateCommandStates();
}

TVLPicChildWin* TVellumMain::NewPicture(int width, int height, TColor colour)
{
    BusyCursor busy;
    ++m_newPictureCounter;
    try {
        auto* document = new TVLNewPicChildWin(width, height, colour,
                                               QStringLiteral("New Picture #%1").arg(m_newPictureCounter), this);
        wirePicture(document);
        return document;
    } catch (const std::exception& e) {
        errorBox(this, QString::fromUtf8(e.what()));
        return nullptr;
    }
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
        if (doc != nullptr && doc->FileName().compare(fileName, Qt::CaseInsensitive) == 0) {
            if (doc->isMinimized())
                doc->showNormal();
            m_clientArea->setActiveSubWindow(doc);
            return true;
        }
    }
    try {
        wirePicture(new TVLFilePicChildWin(fileName, this));
        return true;
    } catch (const std::exception& e) {
        errorBox(this, QString::fromUtf8(e.what()));
        return false;
    }
}

void TVellumMain::openPictureExecute()
{
    const QStringList files = QFileDialog::getOpenFileNames(this, QStringLiteral("Open"), m_lastSaveFolder, OpenFilter,
                                                            nullptr, QFileDialog::DontUseNativeDialog);
    for (const QString& file : files)
        OpenPictureFile(file);
}

QString TVellumMain::askSaveName(const QString& current)
{
    QFileDialog dialog(this, QStringLiteral("Save As"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilters(SaveFilters);
    if (!current.isEmpty()) {
        // The filter follows the file's extension: jpg 2, jpeg 3, gif 4, anything else 1.
        const QString ext = QFileInfo(current).suffix().toLower();
        const int filter = ext == QLatin1String("jpg") ? 1 : ext == QLatin1String("jpeg") ? 2 : ext == QLatin1String("gif") ? 3 : 0;
        dialog.selectNameFilter(SaveFilters[filter]);
        dialog.setDefaultSuffix(QFileInfo(current).suffix());
        dialog.selectFile(current);
    } else if (!m_lastSaveFolder.isEmpty()) {
        dialog.setDirectory(m_lastSaveFolder);
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    m_lastSaveFolder = dialog.directory().absolutePath();
    return dialog.selectedFiles().first();
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
    if (document.SaveToFile(name))
        return true;
    errorBox(this, QStringLiteral("Error Saving Picture %1").arg(before));
    return false;
}

void TVellumMain::saveAsExecute()
{
    TVLPicChildWin* doc = ActivePicture();
    if (doc == nullptr)
        return;
    const QString before = doc->FileName();
    const QString name = askSaveName(before);
    if (!name.isEmpty() && !doc->SaveToFile(name))
        errorBox(this, QStringLiteral("Error Saving Picture %1").arg(before));
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
        // The window closes whether or not the save succeeded.
        SavePicture(*document);
    }
}

void TVellumMain::lastDocumentClosing()
{
    for (int i = 0; i < 4; ++i)
        SetPanelText(i, QString());
    m_newPictureCounter = 0;
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

void TVellumMain::loadSettings()
{
    using namespace settings;
    std::optional<TStoredPlacement> stored;
    bool maximized = false;
    {
        TXMLRegistryFile reg(settingsFile());
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
            reg.CloseKey();
        }
    }
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QRect desktop = screen != nullptr ? screen->geometry() : QRect(QPoint(0, 0), DesignedSize);
    setGeometry(PlaceMainWindow(stored, desktop, DesignedSize));
    if (maximized)
        setWindowState(windowState() | Qt::WindowMaximized);
}

void TVellumMain::saveSettings() const
{
    using namespace settings;
    TXMLRegistryFile reg(settingsFile());
    if (!reg.OpenKey(QLatin1String(KeyMain), true))
        return;
    reg.WriteBool(QLatin1String(ShowZoomGrid), m_actShowHideZoomGrid->isChecked());
    // The restored rectangle is the client area's, the one setGeometry takes back, so a
    // window comes back exactly where it was whatever the window manager's frame.
    const QRect normal = normalGeometry().isValid() ? normalGeometry() : geometry();
    reg.WriteBool(QLatin1String(WinMaximized), isMaximized());
    reg.WriteInteger(QLatin1String(WinNormLeft), normal.left());
    reg.WriteInteger(QLatin1String(WinNormTop), normal.top());
    reg.WriteInteger(QLatin1String(WinNormRight), normal.left() + normal.width());
    reg.WriteInteger(QLatin1String(WinNormBottom), normal.top() + normal.height());
    reg.CloseKey();
}

bool TVellumMain::closeDocuments()
{
    QList<QMdiSubWindow*> windows = m_clientArea->subWindowList(QMdiArea::StackingOrder);
    for (auto it = windows.crbegin(); it != windows.crend(); ++it) {
        if (!(*it)->close())
            return false;
    }
    return true;
}

void TVellumMain::closeEvent(QCloseEvent* event)
{
    if (!closeDocuments()) {
        event->ignore();
        return;
    }
    saveSettings();
    event->accept();
}

void TVellumMain::changeEvent(QEvent* event)
{
    if ((event->type() == QEvent::StyleChange || event->type() == QEvent::FontChange) && TVLGlobal::Exists())
        TVLGlobal::Instance().ReadWindowMetrics();
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
    if (params.Has(TAppParams::apOpenFiles)) {
        for (int i = 0; i < params.FileCount(); ++i)
            OpenPictureFile(params.Files(i));
        params.Exclude(TAppParams::apOpenFiles);
    }
}

void TVellumMain::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void TVellumMain::dropEvent(QDropEvent* event)
{
    event->acceptProposedAction();
    OpenDroppedFiles(event->mimeData()->urls());
}

void TVellumMain::OpenDroppedFiles(const QList<QUrl>& urls)
{
    if (!urls.isEmpty() && urls.first().isLocalFile())
        OpenPictureFile(urls.first().toLocalFile());
}

} // namespace vellum
