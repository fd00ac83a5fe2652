#include "app/VLPinnedFrm.h"

#include <algorithm>
#include <cstdint>
#include <limits>

#include <QCloseEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLayout>
#include <QIcon>
#include <QMainWindow>
#include <QScreen>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/SettingsKeys.h"
#include "app/VLGlobal.h"
#include "app/XMLRegFile.h"

namespace vellum {

namespace {

QString settingsFileName()
{
    return ProgramPath() + QLatin1String(settings::FileName);
}

} // namespace

TVLBasePinnedForm::TVLBasePinnedForm(QMainWindow* mainWindow, const QString& keyPath, const QString& caption,
                                     const QSize& designedSize, QMainWindow* dockSite)
    : QDockWidget(caption, dockSite != nullptr ? dockSite : mainWindow)
    , m_mainWindow(mainWindow)
    , m_dockSite(dockSite != nullptr ? dockSite : mainWindow)
    , m_keyPath(keyPath)
    , m_designedSize(designedSize)
{
    // A docking area of its own takes the window anywhere in it.
    setAllowedAreas(dockSite != nullptr ? Qt::AllDockWidgetAreas : Qt::RightDockWidgetArea);
    setFeatures(QDockWidget::DockWidgetClosable | QDockWidget::DockWidgetMovable | QDockWidget::DockWidgetFloatable);

    auto* frame = new QWidget(this);
    auto* frameLayout = new QVBoxLayout(frame);
    frameLayout->setContentsMargins(BorderWidth, BorderWidth, BorderWidth, BorderWidth);
    frameLayout->setSpacing(BorderWidth);
    m_clientArea = new QWidget(frame);
    m_clientArea->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    frameLayout->addWidget(m_clientArea, 1);
    m_pinButtonPanel = new QWidget(frame);
    m_pinButtonPanel->setObjectName(QStringLiteral("PinButtonPanel"));
    m_buttonRow = new QHBoxLayout(m_pinButtonPanel);
    m_buttonRow->setContentsMargins(0, 0, 0, 0);
    m_buttonRow->setSpacing(1);
    m_buttonRow->addStretch(1);
    m_pinSB = new QToolButton(m_pinButtonPanel);
    m_pinSB->setObjectName(QStringLiteral("PinSB"));
    m_pinSB->setCheckable(true);
    m_pinSB->setAutoRaise(true);
    m_pinSB->setFixedSize(26, 25);
    m_pinSB->setIcon(QIcon(QStringLiteral(":/images/commands/pin.png")));
    m_buttonRow->addWidget(m_pinSB);
    frameLayout->addWidget(m_pinButtonPanel);
    setWidget(frame);

    connect(m_pinSB, &QToolButton::clicked, this, [this](bool down) {
        m_pinned = down;
        UpdatePinHint();
    });
    // The pin means nothing while docked.
    connect(this, &QDockWidget::topLevelChanged, this, [this](bool floating) { m_pinSB->setVisible(floating); });

    if (m_dockSite != nullptr)
        m_dockSite->addDockWidget(Qt::RightDockWidgetArea, this);
    if (m_mainWindow != nullptr)
        m_mainWindow->installEventFilter(this);
    // Hidden first: a floating window that is not hidden is shown at once, and a window the
    // window system has seen before may be put where the window manager likes when it shows.
    hide();
    setFloating(true);

    UpdatePinHint();
    if (m_keyPath.trimmed().isEmpty())
        SetPinned(m_pinSB->isChecked());
    else
        LoadSettings();

    // Provisional: the main window has its real place only once it is shown, and this window's
    // title bar is measured only then; the first show places the window again.
    placeInitially(QSize(0, 0));
}

TVLBasePinnedForm::~TVLBasePinnedForm()
{
    if (m_mainWindow != nullptr)
        m_mainWindow->removeEventFilter(this);
    if (!m_keyPath.trimmed().isEmpty())
        TVLBasePinnedForm::SaveSettings();
}

void TVLBasePinnedForm::AddButton(QWidget* button)
{
    button->setParent(m_pinButtonPanel);
    m_buttonRow->insertWidget(m_buttonCount++, button);
}

void TVLBasePinnedForm::placeInitially(const QSize& chrome)
{
    // The designed size is the contents'; a window with the toolkit's own title bar (a floating
    // dock window on X11) adds that bar and its frame, known once its layout has run. A stored
    // size is the whole window's.
    QSize size = m_designedSize + chrome;
    if (m_storedSize.width() >= 0)
        size.setWidth(m_storedSize.width());
    if (m_storedSize.height() >= 0)
        size.setHeight(m_storedSize.height());
    QRect rect(QPoint(0, 0), size);
    m_floatingGeometry = rect; // Clamped takes the size from it
    if (m_storedLeft < 0 || m_storedTop < 0) {
        // Centred as the user sees the two windows: frame on frame.
        const QRect around = m_mainWindow != nullptr ? m_mainWindow->frameGeometry() : screenRect();
        const QMargins margins = ownFrameMargins();
        const QSize frame = rect.size().grownBy(margins);
        rect.moveTopLeft(around.topLeft()
                         + QPoint((around.width() - frame.width()) / 2 + margins.left(),
                                  (around.height() - frame.height()) / 2 + margins.top()));
    } else {
        rect.moveTopLeft(Clamped(m_storedLeft, m_storedTop));
    }
    setFloatingGeometry(rect);
}

QMargins TVLBasePinnedForm::frameMargins(const QWidget* window)
{
    const QRect frame = window->frameGeometry();
    const QRect client = window->geometry();
    return {client.left() - frame.left(), client.top() - frame.top(), frame.right() - client.right(),
            frame.bottom() - client.bottom()};
}

QMargins TVLBasePinnedForm::ownFrameMargins() const
{
    // A window that draws its own title bar has no other frame. Otherwise, until the window
    // system has framed it, the main window's frame is the best guess: the same window manager
    // frames both.
    const QMargins own = frameMargins(this);
    if (!own.isNull() || m_mainWindow == nullptr || windowFlags().testFlag(Qt::FramelessWindowHint))
        return own;
    return frameMargins(m_mainWindow);
}

QRect TVLBasePinnedForm::FloatingGeometry() const
{
    return m_floatingGeometry;
}

void TVLBasePinnedForm::setFloatingGeometry(const QRect& rect)
{
    m_floatingGeometry = rect;
    if (isFloating())
        setGeometry(rect);
}

QRect TVLBasePinnedForm::screenRect() const
{
    // The whole desktop: a window may stand on any screen.
    const QScreen* screen = m_mainWindow != nullptr ? m_mainWindow->screen() : QGuiApplication::primaryScreen();
    return screen != nullptr ? screen->virtualGeometry() : QRect(0, 0, 640, 480);
}

QPoint TVLBasePinnedForm::Clamped(int x, int y) const
{
    const QRect screen = screenRect();
    const QSize own = m_floatingGeometry.size();
    const auto clamp = [](std::int64_t v, int low, std::int64_t high) {
        return static_cast<int>(std::max<std::int64_t>(low, std::min(v, high)));
    };
    return {clamp(x, screen.left(), std::int64_t{screen.left()} + screen.width() - own.width()),
            clamp(y, screen.top(), std::int64_t{screen.top()} + screen.height() - own.height())};
}

void TVLBasePinnedForm::SetPinned(bool pinned)
{
    if (pinned == m_pinned)
        return;
    m_pinned = pinned;
    m_pinSB->setChecked(pinned);
    UpdatePinHint();
}

void TVLBasePinnedForm::UpdatePinHint()
{
    const QString hint = m_pinned ? QStringLiteral("Unpin Viewer from Vellum window")
                                  : QStringLiteral("Pin Viewer to Vellum window");
    m_pinSB->setToolTip(hint);
    m_pinSB->setStatusTip(hint);
}

void TVLBasePinnedForm::MoveTo(int x, int y)
{
    if (m_moving)
        return;
    m_moving = true;
    m_placed = true;
    const QPoint to = Clamped(x, y);
    QRect rect = FloatingGeometry();
    if (to != rect.topLeft()) {
        rect.moveTopLeft(to);
        setFloatingGeometry(rect);
    }
    m_moving = false;
}

void TVLBasePinnedForm::FollowMain()
{
    if (!m_pinned || Docked() || m_mainWindow == nullptr)
        return;
    moveBesideMain();
}

void TVLBasePinnedForm::moveBesideMain()
{
    // The offsets come from the settings file and may be anything: wide arithmetic, then the
    // screen's clamping.
    const QRect main = m_mainWindow->frameGeometry();
    const QMargins margins = ownFrameMargins();
    const auto toInt = [](std::int64_t v) {
        return static_cast<int>(std::clamp<std::int64_t>(v, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
    };
    // The offsets are between frames; MoveTo takes the client rectangle's corner.
    const int frameWidth = FloatingGeometry().width() + margins.left() + margins.right();
    MoveTo(toInt(std::int64_t{main.left()} + main.width() - m_xDiff - frameWidth + margins.left()),
           toInt(std::int64_t{main.top()} - m_yDiff + margins.top()));
}

void TVLBasePinnedForm::geometryChanged()
{
    // Only what the user or the window system does changes the offsets; our own placing does
    // not, nor do the events a hidden window receives when it is first shown.
    if (m_moving || !isFloating() || !isVisible())
        return;
    m_floatingGeometry = geometry();
    m_placed = true;
    if (m_mainWindow == nullptr)
        return;
    const QRect main = m_mainWindow->frameGeometry();
    const QRect own = m_floatingGeometry.marginsAdded(ownFrameMargins());
    m_xDiff = (main.left() + main.width()) - (own.left() + own.width());
    m_yDiff = main.top() - own.top();
}

void TVLBasePinnedForm::moveEvent(QMoveEvent* event)
{
    QDockWidget::moveEvent(event);
    geometryChanged();
}

void TVLBasePinnedForm::resizeEvent(QResizeEvent* event)
{
    QDockWidget::resizeEvent(event);
    geometryChanged();
}

void TVLBasePinnedForm::setVisible(bool visible)
{
    // Placed before the window system sees the window: a window manager takes the place a
    // window has when it first maps, and may ignore a later one.
    if (visible && !m_placed && isFloating() && !isVisible()) {
        m_placed = true;
        ensurePolished();
        // Laid out at its present size, the contents show what the title bar and frame take.
        if (layout() != nullptr)
            layout()->setGeometry(rect());
        placeInitially((size() - widget()->size()).expandedTo(QSize(0, 0)));
    }
    QDockWidget::setVisible(visible);
}

void TVLBasePinnedForm::showEvent(QShowEvent* event)
{
    // A docked window stays where its docking area has it; its floating place is kept as it
    // was when it last floated.
    if (m_mainWindow != nullptr && m_pinned && isFloating())
        moveBesideMain();
    QDockWidget::showEvent(event);
}

bool TVLBasePinnedForm::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_mainWindow && (event->type() == QEvent::Move || event->type() == QEvent::Resize)
        && isVisible())
        FollowMain();
    return QDockWidget::eventFilter(watched, event);
}

void TVLBasePinnedForm::closeEvent(QCloseEvent* event)
{
    QDockWidget::closeEvent(event);
    if (event->isAccepted())
        DoClosed();
}

void TVLBasePinnedForm::DoClosed()
{
    if (OnClose)
        OnClose(this);
}

void TVLBasePinnedForm::LoadSettings()
{
    namespace k = settings;
    TXMLRegistryFile reg(settingsFileName());
    if (!reg.OpenKey(m_keyPath, false))
        return;
    auto has = [&reg](const char* name) { return reg.ValueExists(QLatin1String(name)); };
    auto integer = [&reg](const char* name) { return reg.ReadInteger(QLatin1String(name)); };
    if (has(k::Pinned))
        SetPinned(reg.ReadBool(QLatin1String(k::Pinned)));
    if (has(k::Left))
        m_storedLeft = integer(k::Left);
    if (has(k::Top))
        m_storedTop = integer(k::Top);
    // At least the minimum, at most the screen.
    const QSize screen = screenRect().size();
    if (has(k::Width))
        m_storedSize.setWidth(std::max(std::min(integer(k::Width), screen.width()), MinStoredSide));
    if (has(k::Height))
        m_storedSize.setHeight(std::max(std::min(integer(k::Height), screen.height()), MinStoredSide));
    if (has(k::XDiff))
        m_xDiff = integer(k::XDiff);
    if (has(k::YDiff))
        m_yDiff = integer(k::YDiff);
    reg.CloseKey();
}

void TVLBasePinnedForm::SaveSettings()
{
    namespace k = settings;
    TXMLRegistryFile reg(settingsFileName());
    if (!reg.OpenKey(m_keyPath, true))
        return;
    const QRect rect = FloatingGeometry();
    reg.WriteBool(QLatin1String(k::Pinned), m_pinned);
    reg.WriteInteger(QLatin1String(k::Left), rect.left());
    reg.WriteInteger(QLatin1String(k::Top), rect.top());
    reg.WriteInteger(QLatin1String(k::Width), rect.width());
    reg.WriteInteger(QLatin1String(k::Height), rect.height());
    reg.WriteInteger(QLatin1String(k::XDiff), m_xDiff);
    reg.WriteInteger(QLatin1String(k::YDiff), m_yDiff);
    reg.CloseKey();
}

} // namespace vellum
