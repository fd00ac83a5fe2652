#include "app/VLMain.h"

#include <optional>

#include <QAction>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QScreen>

#include "app/SettingsKeys.h"
#include "app/VLGlobal.h"
#include "app/WindowPlacement.h"
#include "app/XMLRegFile.h"

namespace vellum {

namespace {
QString settingsFile()
{
    return ProgramPath() + QLatin1String(settings::FileName);
}
} // namespace

TVellumMain::TVellumMain(QWidget* parent)
    : QMainWindow(parent)
{
    setWindowTitle(QString::fromLatin1(ProductName));
    m_clientArea = new QMdiArea(this);
    setCentralWidget(m_clientArea);
    createCommands();
    loadPlacement();
}

TVellumMain::~TVellumMain() = default;

void TVellumMain::createCommands()
{
    QMenu* fileMenu = menuBar()->addMenu(QStringLiteral("&File"));
    fileMenu->setStatusTip(QStringLiteral("File related commands"));

    m_actFileExit = new QAction(QStringLiteral("E&xit"), this);
    m_actFileExit->setObjectName(QStringLiteral("ActFileExit"));
    connect(m_actFileExit, &QAction::triggered, this, &QWidget::close);
    fileMenu->addAction(m_actFileExit);
}

void TVellumMain::loadPlacement()
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

} // namespace vellum
