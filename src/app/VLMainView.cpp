// The View menu and the tool bars.

#include "app/VLMain.h"

#include <QAction>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QToolBar>

#include "document/VLPicChildWn.h"

namespace vellum {

void TVellumMain::createViewCommands()
{
    QMenu* viewMenu = menuBar()->addMenu(QStringLiteral("View"));
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
    iconFor(m_actPicSaveAs, "save");
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
        m_toolbarsMenu->addAction(toggle);
    };
    bar(QStringLiteral("File"), QStringLiteral("File"), QStringLiteral("FileToolbar"),
        {m_actNewPic, m_actOpenPic, m_actPicSave, m_actPicSaveAs});
    bar(QStringLiteral("Edit"), QStringLiteral("Edit"), QStringLiteral("EditToolbar"), {m_actUndo});
    bar(QStringLiteral("View"), QStringLiteral("View"), QStringLiteral("ViewToolbar"), {m_actShowHideZoomGrid});
    bar(QStringLiteral("Image"), QStringLiteral("ImageToolbar"), QStringLiteral("ImageToolbar"),
        {m_actFlipPic, m_actMirrorPic, nullptr, m_actClearPic, m_actEnlargePicCanvas, m_actResizePic,
         m_actResamplePic});
    bar(QStringLiteral("Colour"), QStringLiteral("ColourToolBar"), QStringLiteral("ColourToolbar"),
        {m_actGreyScalePic, m_actNegativePic});
}

} // namespace vellum
