// The recent-files menu (File menu, Open button's drop-down, New button's right click) and the
// picture open and save dialogs the main window keeps for the run.

#include "app/VLMain.h"

#include <QAction>
#include <QMenu>
#include <QToolBar>
#include <QToolButton>

#include "app/SettingsKeys.h"
#include "app/VLGlobal.h"
#include "app/VLMainPrivate.h"
#include "app/XMLRegFile.h"
#include "browser/RFPicPopupMenu.h"
#include "browser/SaveOptionsFrm.h"
#include "browser/XExtDlgs.h"

namespace vellum {

using namespace mainwindow;

void TVellumMain::createRecentFiles()
{
    m_recentFiles = new TRecentFilesPicPopupMenu(this);
    m_recentFiles->setObjectName(QStringLiteral("RecentFilesPopupMenu"));
    m_recentFiles->setTitle(QStringLiteral("Recent Files"));
    m_recentFiles->DoubleBuffered = true;
    m_recentFiles->DefaultOnItemClick = [this](QAction* entry) {
        runGuarded([this, entry] { OpenPictureFile(TRecentFilesPopupMenu::EntryPath(entry)); });
    };
    m_recentFiles->SetFileNamePath(ProgramPath() + QStringLiteral("Vellum.rfp"));
    m_recentFiles->SetFileHeaderName(QStringLiteral("Vellum RFP"));
    // The stored length first: loading into the default length would lose the entries beyond it.
    {
        using namespace settings;
        TXMLRegistryFile reg(settingsFile());
        if (reg.OpenKey(QLatin1String(KeyRecentFiles), false)) {
            if (reg.ValueExists(QLatin1String(MaxFileList)))
                m_recentFiles->SetMaxFileList(reg.ReadInteger(QLatin1String(MaxFileList)));
            reg.CloseKey();
        }
    }
    m_recentFiles->LoadRecentFiles();

    m_openDialog = new TXOpenPictureDialog(this);
    m_saveDialog = new TXSavePictureDialog(this);
    m_saveDialog->OnOptionsClick = [this](TXCustomOpenPictureDialog* dialog) {
        runGuarded([dialog] { TSaveOptionsForm(dialog).exec(); });
    };
}

void TVellumMain::showRecentFiles()
{
    // Position 2 of the File menu: after New and Open.
    const QList<QAction*> entries = m_fileMenu->actions();
    m_fileMenu->insertMenu(entries.value(2), m_recentFiles);

    auto* fileBar = findChild<QToolBar*>(QStringLiteral("FileToolbar"));
    if (fileBar == nullptr)
        return;
    if (auto* open = qobject_cast<QToolButton*>(fileBar->widgetForAction(m_actOpenPic))) {
        open->setMenu(m_recentFiles);
        open->setPopupMode(QToolButton::MenuButtonPopup);
    }
    if (auto* button = qobject_cast<QToolButton*>(fileBar->widgetForAction(m_actNewPic))) {
        button->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(button, &QWidget::customContextMenuRequested, this,
                [this, button](const QPoint& at) { m_recentFiles->popup(button->mapToGlobal(at)); });
    }
}

} // namespace vellum
