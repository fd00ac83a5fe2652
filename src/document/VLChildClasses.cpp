#include "document/VLChildClasses.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionTitleBar>
#include <QToolTip>

#include <algorithm>

namespace vellum {

TBasicVLChild::TBasicVLChild(TChildKind kind, QWidget* parent)
    : QMdiSubWindow(parent)
    , m_kind(kind)
{
    setAttribute(Qt::WA_DeleteOnClose);
}

void TBasicVLChild::setPanel(int panel, const QString& text) const
{
    if (m_statusBar != nullptr)
        m_statusBar->SetPanelText(panel, text);
}

void TBasicVLChild::DoProgressBegin(int steps)
{
    if (OnProgressBegin)
        OnProgressBegin(this, steps);
}

void TBasicVLChild::DoProgressStep()
{
    if (OnProgressStep)
        OnProgressStep(this);
}

void TBasicVLChild::DoProgressEnd()
{
    if (OnProgressEnd)
        OnProgressEnd(this);
}

void TBasicVLChild::BeginWait()
{
    QApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void TBasicVLChild::EndWait()
{
    QApplication::restoreOverrideCursor();
}

void TBasicVLChild::closeEvent(QCloseEvent* event)
{
    bool canClose = true;
    if (OnQueryClose)
        OnQueryClose(this, canClose);
    if (!canClose) {
        event->ignore();
        return;
    }
    QMdiSubWindow::closeEvent(event);
}

TExtraBtnForm::TExtraBtnForm(TChildKind kind, QWidget* parent)
    : TBasicVLChild(kind, parent)
{
    m_extraBtn = new QAction(this);
    QMenu* menu = systemMenu();
    if (menu != nullptr) {
        const QList<QAction*> actions = menu->actions();
        menu->insertAction(actions.isEmpty() ? nullptr : actions.first(), m_extraBtn);
        if (!actions.isEmpty())
            menu->insertSeparator(actions.first());
        // The entry's hint goes when another entry is pointed at or the menu closes.
        connect(menu, &QMenu::hovered, this, [this](QAction* action) {
            if (action != m_extraBtn)
                setPanel(0, QString());
        });
        connect(menu, &QMenu::aboutToHide, this, [this] { setPanel(0, QString()); });
    }
    connect(m_extraBtn, &QAction::hovered, this, [this] { setPanel(0, m_hint); });
    connect(m_extraBtn, &QAction::triggered, this, [this] { DoExtraBtnClick(); });
    // The caption bar reports moves without a button, so entering and leaving the button show.
    setMouseTracking(true);
}

TExtraBtnForm::~TExtraBtnForm()
{
    hideHint();
}

void TExtraBtnForm::SetShowExtraBtn(bool show)
{
    m_showExtraBtn = show;
    m_extraBtn->setVisible(show);
    if (!show)
        setOverBtn(false);
    update();
}

void TExtraBtnForm::SetExtraBtnHint(bool hint)
{
    m_extraBtnHint = hint;
    if (!hint)
        hideHint();
}

void TExtraBtnForm::SetExtraBtnHintStr(const QString& hint)
{
    m_hint = hint;
    m_extraBtn->setText(hint);
    m_extraBtn->setStatusTip(hint);
}

namespace {

bool hasCaptionBar(const QWidget& window)
{
    return !window.isMaximized() && (window.windowFlags() & Qt::WindowTitleHint)
           && !(window.windowFlags() & Qt::FramelessWindowHint);
}

QStyleOptionTitleBar captionBarOption(const QWidget& window)
{
    QStyleOptionTitleBar option;
    option.initFrom(&window);
    option.subControls = QStyle::SC_All;
    option.titleBarFlags = window.windowFlags();
    option.titleBarState = window.windowState();
    const int height = window.style()->pixelMetric(QStyle::PM_TitleBarHeight, &option, &window);
    option.rect = QRect(0, 0, window.width(), height);
    return option;
}

} // namespace

int TExtraBtnForm::captionTextWidth() const
{
    if (!hasCaptionBar(*this))
        return 0;
    const QStyleOptionTitleBar option = captionBarOption(*this);
    const QRect label = style()->subControlRect(QStyle::CC_TitleBar, &option, QStyle::SC_TitleBarLabel, this);
    const QRect button = ExtraBtnRect();
    // A small gap keeps the caption's last character off the button's edge.
    const int right = button.isEmpty() ? label.right() : std::min(label.right(), button.left() - 3);
    const int fromLeft = right - label.left() + 1;
    // Some styles (Fusion among them) centre the caption in the whole label, under the button
    // too: the text fits only as wide as twice the room between the label's middle and the button.
    const int centred = 2 * (right - (label.left() + label.right()) / 2);
    return std::max(std::min(fromLeft, centred), 0);
}

int TExtraBtnForm::captionChromeWidth() const
{
    return hasCaptionBar(*this) ? width() - captionTextWidth() : width();
}

QRect TExtraBtnForm::ExtraBtnRect() const
{
    if (!m_showExtraBtn || !hasCaptionBar(*this))
        return {};
    const QStyleOptionTitleBar option = captionBarOption(*this);
    const int height = option.rect.height();
    // Left of the leftmost standard button the caption bar shows.
    QRect leftmost;
    for (QStyle::SubControl control : {QStyle::SC_TitleBarCloseButton, QStyle::SC_TitleBarMaxButton,
                                       QStyle::SC_TitleBarMinButton, QStyle::SC_TitleBarNormalButton,
                                       QStyle::SC_TitleBarShadeButton, QStyle::SC_TitleBarUnshadeButton,
                                       QStyle::SC_TitleBarContextHelpButton}) {
        const QRect r = style()->subControlRect(QStyle::CC_TitleBar, &option, control, this);
        if (r.isValid() && (leftmost.isNull() || r.left() < leftmost.left()))
            leftmost = r;
    }
    const QRect label = style()->subControlRect(QStyle::CC_TitleBar, &option, QStyle::SC_TitleBarLabel, this);
    if (leftmost.isNull()) {
        const int side = std::max(height - 4, 1);
        leftmost = QRect(width() - 2, (height - side) / 2, side, side);
    }
    const int gap = 2;
    QRect button(leftmost.left() - gap - leftmost.width(), leftmost.top(), leftmost.width(), leftmost.height());
    // A window too narrow to leave the caption a little room has no button.
    if (button.left() < (label.isValid() ? label.left() : 0))
        return {};
    return button;
}

void TExtraBtnForm::paintEvent(QPaintEvent* event)
{
    QMdiSubWindow::paintEvent(event);
    const QRect button = ExtraBtnRect();
    if (button.isEmpty() || !event->rect().intersects(button))
        return;
    QPainter painter(this);
    QStyleOptionButton option;
    option.initFrom(this);
    option.rect = button;
    option.state |= QStyle::State_Raised;
    if (m_btnDown && m_overBtn)
        option.state = (option.state & ~QStyle::State_Raised) | QStyle::State_Sunken;
    if (m_overBtn)
        option.state |= QStyle::State_MouseOver;
    style()->drawControl(QStyle::CE_PushButtonBevel, &option, &painter, this);
    static const QImage glyph(QStringLiteral(":/images/extrabtn.png"));
    const int shift = (option.state & QStyle::State_Sunken) ? 1 : 0;
    if (!glyph.isNull()) {
        const QRect target(button.left() + (button.width() - glyph.width()) / 2 + shift,
                           button.top() + (button.height() - glyph.height()) / 2 + shift, glyph.width(), glyph.height());
        painter.drawImage(target, glyph);
    } else {
        painter.drawRect(button.adjusted(3 + shift, 3 + shift, -4 + shift, -4 + shift));
    }
}

void TExtraBtnForm::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && ExtraBtnRect().contains(event->position().toPoint())) {
        // The caption bar would start moving the window.
        m_btnDown = true;
        hideHint();
        update(ExtraBtnRect());
        event->accept();
        return;
    }
    QMdiSubWindow::mousePressEvent(event);
}

void TExtraBtnForm::mouseReleaseEvent(QMouseEvent* event)
{
    if (m_btnDown && event->button() == Qt::LeftButton) {
        m_btnDown = false;
        const QRect button = ExtraBtnRect();
        update(button);
        event->accept();
        if (button.contains(event->position().toPoint()))
            DoExtraBtnClick();
        return;
    }
    QMdiSubWindow::mouseReleaseEvent(event);
}

void TExtraBtnForm::mouseDoubleClickEvent(QMouseEvent* event)
{
    // Two quick clicks on the button are two clicks, not the caption's maximise.
    if (event->button() == Qt::LeftButton && ExtraBtnRect().contains(event->position().toPoint())) {
        mousePressEvent(event);
        return;
    }
    QMdiSubWindow::mouseDoubleClickEvent(event);
}

void TExtraBtnForm::mouseMoveEvent(QMouseEvent* event)
{
    setOverBtn(ExtraBtnRect().contains(event->position().toPoint()));
    if (m_btnDown) {
        event->accept();
        return;
    }
    QMdiSubWindow::mouseMoveEvent(event);
}

void TExtraBtnForm::leaveEvent(QEvent* event)
{
    setOverBtn(false);
    QMdiSubWindow::leaveEvent(event);
}

void TExtraBtnForm::setOverBtn(bool over)
{
    if (over == m_overBtn)
        return;
    m_overBtn = over;
    update(ExtraBtnRect());
    if (over)
        DoExtraBtnEnter();
    else
        DoExtraBtnLeave();
}

void TExtraBtnForm::DoExtraBtnClick()
{
    if (OnExtraBtnClick)
        OnExtraBtnClick(this);
}

void TExtraBtnForm::DoExtraBtnEnter()
{
    setPanel(0, m_hint);
    if (m_extraBtnHint)
        ShowExtraBtnHint();
    if (OnExtraBtnEnter)
        OnExtraBtnEnter(this);
}

void TExtraBtnForm::DoExtraBtnLeave()
{
    // The hint belongs to the button: it goes with the pointer.
    setPanel(0, QString());
    hideHint();
    if (OnExtraBtnLeave)
        OnExtraBtnLeave(this);
}

void TExtraBtnForm::ShowExtraBtnHint()
{
    if (m_hintOpen && QToolTip::isVisible())
        return;
    const QRect button = ExtraBtnRect();
    if (button.isEmpty())
        return;
    QToolTip::showText(mapToGlobal(button.bottomLeft() + QPoint(0, 2)), m_hint, this, button);
    m_hintOpen = true;
}

void TExtraBtnForm::SettingsChanged()
{
    update();
}

void TExtraBtnForm::hideHint()
{
    if (m_hintOpen)
        QToolTip::hideText();
    m_hintOpen = false;
}

} // namespace vellum
