// The View menu and the tool bars.

#include "app/VLMain.h"

#include <algorithm>

#include <QAction>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QToolBar>

#include "app/SettingsKeys.h"
#include "app/VLClipbrdViewer.h"
#include "app/ViewerFrm.h"
#include "controls/CollapsingPanel.h"
#include "document/VLPicChildWn.h"

namespace vellum {

void TVellumMain::createViewCommands()
{
    QMenu* viewMenu = menuBar()->addMenu(QStringLiteral("View"));
    m_actViewerStartStop = command(QStringLiteral("Viewer"), QStringLiteral("Viewer|Display the Viewer"),
                                   QStringLiteral("ActViewerStartStop"));
    m_actViewerStartStop->setCheckable(true);
    onTriggered(m_actViewerStartStop, [this] { viewerStartStop(m_actViewerStartStop->isChecked()); });
    viewMenu->addAction(m_actViewerStartStop);
    m_actCbViewerStartStop =
        command(QStringLiteral("Clipboard Viewer"), QStringLiteral("Clipboard Viewer|Display the Clipboard Viewer"),
                QStringLiteral("ActCbViewerStartStop"));
    m_actCbViewerStartStop->setCheckable(true);
    onTriggered(m_actCbViewerStartStop, [this] { cbViewerStartStop(m_actCbViewerStartStop->isChecked()); });
    viewMenu->addAction(m_actCbViewerStartStop);
    m_actShowHideZoomGrid =
        command(QStringLiteral("Zoom grid"), QStringLiteral("Show zoom grid|Show grid when picture is zoomed in by a large amount"),
                QStringLiteral("ActShowHideZoomGrid"));
    m_actShowHideZoomGrid->setCheckable(true);
    m_actShowHideZoomGrid->setChecked(true);
    connect(m_actShowHideZoomGrid, &QAction::toggled, this, [this](bool on) {
        runGuarded([this, on] {
            for (QMdiSubWindow* window : m_clientArea->subWindowList())
                if (auto* doc = qobject_cast<TVLPicChildWin*>(window))
                    doc->PictureScrollBox().SetShowZoomGrid(on);
        });
    });
    viewMenu->addAction(m_actShowHideZoomGrid);
    viewMenu->addSeparator();
    m_toolbarsMenu = viewMenu->addMenu(QStringLiteral("Toolbars"));
}

void TVellumMain::createToolBars()
{
    auto iconFor = [](QAction* action, const char* name) {
        action->setIcon(QIcon(QStringLiteral(":/images/commands/%1.png").arg(QLatin1String(name))));
    };
    iconFor(m_actNewPic, "new");
    iconFor(m_actOpenPic, "open");
    iconFor(m_actPicSave, "save");
    iconFor(m_actPicSaveAs, "saveas");
    iconFor(m_actPrintPic, "print");
    iconFor(m_actUndo, "undo");
    iconFor(m_actRedo, "redo");
    iconFor(m_actCutPic, "cut");
    iconFor(m_actCopyPic, "copy");
    iconFor(m_actPasteClever, "paste");
    iconFor(m_actPasteIntoPic, "paste");
    iconFor(m_actPasteAsNew, "pastenew");
    iconFor(m_actClearClipboard, "clearclip");
    iconFor(m_actCbViewerStartStop, "cbviewer");
    iconFor(m_actViewerStartStop, "viewer");
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
    // The caption is what a floating bar shows; the bars dock only in the area at the top.
    auto bar = [this](const QString& switchName, const QString& caption, const QString& name,
                      const QList<QAction*>& actions) {
        QToolBar* toolBar = addToolBar(caption);
        toolBar->setObjectName(name);
        toolBar->setAllowedAreas(Qt::TopToolBarArea);
        for (QAction* action : actions) {
            if (action == nullptr)
                toolBar->addSeparator();
            else
                toolBar->addAction(action);
        }
        QAction* toggle = toolBar->toggleViewAction();
        toggle->setText(switchName + QStringLiteral(" Toolbar"));
        toggle->setObjectName(QStringLiteral("Act%1Toolbar").arg(switchName));
        m_toolbarsMenu->addAction(toggle);
        return toolBar;
    };
    bar(QStringLiteral("File"), QStringLiteral("File"), QStringLiteral("FileToolbar"),
        {m_actNewPic, m_actOpenPic, m_actPicSave, m_actPicSaveAs, nullptr, m_actPrintPic});
    QToolBar* edit = bar(QStringLiteral("Edit"), QStringLiteral("Edit"), QStringLiteral("EditToolbar"),
                         {m_actUndo, m_actRedo, m_actCutPic, m_actCopyPic, m_actPasteClever, m_actClearClipboard});
    edit->widgetForAction(m_actCutPic)->setObjectName(QStringLiteral("CutPicTB"));
    edit->widgetForAction(m_actCopyPic)->setObjectName(QStringLiteral("CopyPicTB"));
    edit->widgetForAction(m_actPasteClever)->setObjectName(QStringLiteral("PastePicTB"));
    edit->widgetForAction(m_actClearClipboard)->setObjectName(QStringLiteral("ClearClipboardTB"));
    bar(QStringLiteral("View"), QStringLiteral("View"), QStringLiteral("ViewToolbar"),
        {m_actCbViewerStartStop, m_actViewerStartStop, m_actShowHideZoomGrid});
    bar(QStringLiteral("Image"), QStringLiteral("ImageToolbar"), QStringLiteral("ImageToolbar"),
        {m_actFlipPic, m_actMirrorPic, m_actRotatePic, nullptr, m_actClearPic, m_actEnlargePicCanvas, m_actResizePic,
         m_actResamplePic});
    bar(QStringLiteral("Colour"), QStringLiteral("ColourToolBar"), QStringLiteral("ColourToolbar"),
        {m_actBrightenPic, m_actGammaCorrectPic, m_actAdjustRGBPic, m_actGreyScalePic, m_actNegativePic});
}

void TVellumMain::createClipboardViewer()
{
    m_cbViewer = new TCbViewerForm(this, QLatin1String(settings::KeyCbViewer), m_sidePanelDockSite);
    connect(m_cbViewer, &QDockWidget::topLevelChanged, this, [this] { runGuarded([this] { pinnedDockingChanged(); }); });
    m_cbViewer->OnClose = [this](TVLBasePinnedForm*) {
        m_actCbViewerStartStop->setChecked(false);
        m_actCbViewerStartStop->setStatusTip(QStringLiteral("Display the Clipboard Viewer"));
    };
    m_cbViewer->OnPasteImage = [this](TCbViewerForm*, const TXBitmap& picture, bool pasteAsNew, int tag) {
        runGuarded([&] { PasteGivenPicture(picture, pasteAsNew, tag); });
    };
}

void TVellumMain::cbViewerStartStop(bool show)
{
    if (show) {
        m_actCbViewerStartStop->setStatusTip(QStringLiteral("Hide the Clipboard Viewer"));
        m_cbViewer->show();
    } else {
        m_cbViewer->close();
    }
}

void TVellumMain::createViewer()
{
    m_viewer = new TViewerForm(this, QLatin1String(settings::KeyViewer), m_sidePanelDockSite);
    connect(m_viewer, &QDockWidget::topLevelChanged, this, [this] { runGuarded([this] { pinnedDockingChanged(); }); });
    // Shown again (also by a side panel that expands while it is docked there): what it missed
    // while hidden.
    connect(m_viewer, &QDockWidget::visibilityChanged, this, [this](bool visible) {
        if (visible)
            runGuarded([this] { ViewerShowDocument(ActivePicture(), false); });
    });
    m_viewer->OnClose = [this](TVLBasePinnedForm*) {
        m_actViewerStartStop->setChecked(false);
        m_actViewerStartStop->setStatusTip(QStringLiteral("Display the Viewer"));
    };
    m_viewer->OnCentre = [this](TViewerForm*, int x, int y) {
        runGuarded([this, x, y] {
            if (TVLPicChildWin* doc = ActivePicture())
                doc->CentreOn(x, y);
        });
    };
}

void TVellumMain::viewerStartStop(bool show)
{
    if (show) {
        m_actViewerStartStop->setStatusTip(QStringLiteral("Hide the Viewer"));
        ViewerShowDocument(ActivePicture(), true);
        m_viewer->show();
    } else {
        m_viewer->close();
    }
}

void TVellumMain::ViewerShowDocument(QWidget* window, bool force)
{
    if (!force && !m_viewer->isVisible())
        return;
    auto* doc = qobject_cast<TVLPicChildWin*>(window);
    if (doc == nullptr) {
        m_viewer->Detach(true);
        return;
    }
    m_viewer->Freeze();
    // Thawed whatever happens, or the Viewer would stay frozen for good.
    struct Thaw {
        TViewerForm* viewer;
        ~Thaw() { viewer->Thaw(); }
    } thaw{m_viewer};
    m_viewer->SetPicture(&doc->Picture(), doc);
    m_viewer->SetSelection(doc->Selection());
    m_viewer->SetViewRect(doc->PictureScrollBox().VisibleRect());
}

void TVellumMain::wireViewer(TVLPicChildWin* document)
{
    auto before = std::move(document->OnPictureChange);
    document->OnPictureChange = [this, before = std::move(before)](TVLPicChildWin* sender, TChangeSet changes) {
        if (before)
            before(sender, changes);
        viewerPictureChange(sender, changes);
    };
    // Closing detaches the Viewer; this catches a window that goes another way.
    connect(document, &QObject::destroyed, m_viewer, [viewer = m_viewer, document] {
        if (viewer->PictureOwner() == document)
            viewer->Detach(viewer->isVisible());
    });
    ViewerShowDocument(document, false);
}

void TVellumMain::viewerPictureChange(TVLPicChildWin* document, std::uint16_t changes)
{
    if (!m_viewer->isVisible() || m_viewer->PictureOwner() != document)
        return;
    // Whatever came and went within one report, the document's selection now is the one.
    if ((changes & (chgSelCreated | chgSelRemoved)) != 0)
        m_viewer->SetSelection(document->Selection());
    if ((changes & chgPicSize) != 0) {
        m_viewer->Layout();
        m_viewer->SetViewRect(document->PictureScrollBox().VisibleRect());
    } else if ((changes & (chgScroll | chgZoom | chgViewSize)) == 0) {
        m_viewer->Redraw();
    } else {
        m_viewer->SetViewRect(document->PictureScrollBox().VisibleRect());
    }
}

void TVellumMain::pinnedDockingChanged()
{
    int width = 0;
    for (const TVLBasePinnedForm* form : {static_cast<TVLBasePinnedForm*>(m_viewer), static_cast<TVLBasePinnedForm*>(m_cbViewer)})
        if (form != nullptr && form->Docked())
            width = std::max(width, form->FloatingGeometry().width());
    m_sidePanel->SetExpandedWidth(width + m_sidePanel->BarWidth());
}

} // namespace vellum
