// The Help menu.

#include "app/VLMain.h"

#include <QAction>
#include <QMenuBar>
#include <QTextBrowser>
#include <QUrl>

#include "app/AboutDlg.h"

namespace vellum {

void TVellumMain::createHelpCommands()
{
    QMenu* helpMenu = menuBar()->addMenu(QStringLiteral("Help"));
    m_actHelp = command(QStringLiteral("Vellum Help"), QString(), QStringLiteral("ActHelp"));
    m_actHelp->setShortcut(QKeySequence(Qt::Key_F1));
    onTriggered(m_actHelp, [this] { showHelp(); });
    m_actAbout = command(QStringLiteral("About..."), QString(), QStringLiteral("ActAbout"));
    onTriggered(m_actAbout, [this] { TAboutBox(this).exec(); });
    helpMenu->addAction(m_actHelp);
    helpMenu->addSeparator();
    helpMenu->addAction(m_actAbout);
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

} // namespace vellum
