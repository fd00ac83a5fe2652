// The Window menu: arranging the document windows and the window list.

#include "app/VLMain.h"

#include <QAction>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QStyle>
#include <QStyleOptionTitleBar>

#include "document/VLPicChildWn.h"

namespace vellum {

void TVellumMain::createWindowCommands()
{
    QMenu* windowMenu = menuBar()->addMenu(QStringLiteral("&Window"));
    windowMenu->menuAction()->setStatusTip(QStringLiteral("Window related commands"));
    auto windowCommand = [this, windowMenu](const QString& caption, const QString& name, auto slot) {
        QAction* action = command(caption, QString(caption).remove(QLatin1Char('&')), name);
        onTriggered(action, slot);
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
            // A picture's whole caption, not the one its caption bar may show shortened.
            const auto* picture = qobject_cast<TVLPicChildWin*>(window);
            QAction* entry = windowMenu->addAction(picture ? picture->Caption() : window->windowTitle(), this, [this, window] {
                runGuarded([this, window] {
                    // A window chosen from the list is shown, not left as an icon.
                    if (window->isMinimized())
                        window->showNormal();
                    m_clientArea->setActiveSubWindow(window);
                });
            });
            entry->setCheckable(true);
            entry->setChecked(window == m_clientArea->currentSubWindow());
        }
    });
}

QMenu* TVellumMain::createPopupMenu()
{
    QMenu* menu = QMainWindow::createPopupMenu();
    // A bar or panel without a caption (the Settings bar, the side panel) has no entry: a
    // nameless line would say nothing.
    if (menu != nullptr)
        for (QAction* action : menu->actions())
            if (!action->isSeparator() && action->text().isEmpty())
                action->setVisible(false);
    return menu;
}

void TVellumMain::placeNewDocument(QMdiSubWindow* window, QSize wanted)
{
    const QSize area = m_clientArea->viewport()->size();
    // A tiny picture's window is still as wide as its caption needs.
    wanted = wanted.expandedTo(window->minimumSize());
    QStyleOptionTitleBar option;
    option.initFrom(window);
    const int step = std::max(window->style()->pixelMetric(QStyle::PM_TitleBarHeight, &option, window), 8);
    QList<QPoint> taken;
    for (QMdiSubWindow* other : m_clientArea->subWindowList())
        if (other != window && other->isVisible() && !other->isMinimized() && !other->isMaximized())
            taken << other->pos();
    QPoint place(0, 0);
    for (QPoint at(0, 0); at.x() + wanted.width() <= area.width() && at.y() + wanted.height() <= area.height();
         at += QPoint(step, step)) {
        if (!taken.contains(at)) {
            place = at;
            break;
        }
    }
    window->move(place);
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

// Lines the minimised windows up along the bottom of the client area, row above row when
// one row does not hold them all.
void TVellumMain::arrangeMinimized()
{
    const int areaWidth = m_clientArea->viewport()->width();
    int x = 0;
    int bottom = m_clientArea->viewport()->height();
    int rowHeight = 0;
    for (QMdiSubWindow* window : m_clientArea->subWindowList()) {
        if (!window->isMinimized())
            continue;
        if (x > 0 && x + window->width() > areaWidth) {
            bottom -= rowHeight;
            x = 0;
            rowHeight = 0;
        }
        window->move(x, bottom - window->height());
        x += window->width();
        rowHeight = std::max(rowHeight, window->height());
    }
}

} // namespace vellum
