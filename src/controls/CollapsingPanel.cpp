#include "controls/CollapsingPanel.h"

#include <algorithm>

#include <QApplication>
#include <QCursor>
#include <QHBoxLayout>
#include <QPainter>
#include <QStyle>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <qdrawutil.h>

namespace vellum {

// The panel's bar: the colour squares while collapsed, the lock button at the bottom.
class TCollapsingPanelBar : public QWidget {
public:
    explicit TCollapsingPanelBar(TCollapsingPanel* panel) : QWidget(panel), m_panel(panel) {}

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.fillRect(rect(), palette().color(QPalette::Window));
        if (m_panel->m_expanded)
            return;
        const int w = width();
        const int side = w - 4;
        const QRect fore(2, 2, side, side);
        const QRect back = fore.translated(0, w - 2);
        qDrawShadePanel(&painter, fore, palette(), true, 1, nullptr);
        painter.fillRect(fore.adjusted(1, 1, -1, -1), QColorOfValue(m_panel->m_fore));
        qDrawShadePanel(&painter, back, palette(), true, 1, nullptr);
        painter.fillRect(back.adjusted(1, 1, -1, -1), QColorOfValue(m_panel->m_back));
    }

private:
    TCollapsingPanel* m_panel;
};

namespace {

// Our own padlock glyph: closed when locked.
QIcon PadlockIcon()
{
    QIcon icon;
    for (bool closed : {false, true}) {
        QPixmap pixmap(12, 12);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setPen(Qt::black);
        p.setBrush(Qt::NoBrush);
        // The shackle, open (shifted up and right) or closed.
        p.drawArc(closed ? QRect(3, 0, 6, 8) : QRect(5, -2, 6, 8), 0, 180 * 16);
        p.drawLine(closed ? 3 : 5, closed ? 4 : 2, closed ? 3 : 5, 5);
        p.drawLine(closed ? 9 : 11, closed ? 4 : 2, closed ? 9 : 11, 5);
        p.fillRect(QRect(2, 5, 8, 7), Qt::darkYellow);
        p.drawRect(QRect(2, 5, 7, 6));
        p.end();
        icon.addPixmap(pixmap, QIcon::Normal, closed ? QIcon::On : QIcon::Off);
    }
    return icon;
}

} // namespace

TCollapsingPanel::TCollapsingPanel(QWidget* parent) : QWidget(parent)
{
    m_bar = new TCollapsingPanelBar(this);
    m_bar->setFixedWidth(BarWidth());
    m_lockButton = new QToolButton(m_bar);
    m_lockButton->setCheckable(true);
    m_lockButton->setAutoRaise(true);
    m_lockButton->setIcon(PadlockIcon());
    m_lockButton->setIconSize(QSize(12, 12));
    m_lockButton->setFixedSize(BarWidth(), BarWidth());
    m_lockButton->setToolTip(QStringLiteral("Lock the panel"));
    auto* barLayout = new QVBoxLayout(m_bar);
    barLayout->setContentsMargins(0, 0, 0, 0);
    barLayout->addStretch(1);
    barLayout->addWidget(m_lockButton);

    m_contents = new QWidget(this);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_bar);
    layout->addWidget(m_contents, 1);

    m_hoverTimer = new QTimer(this);
    m_hoverTimer->setSingleShot(true);
    m_hoverTimer->setInterval(HoverDelayMs);
    connect(m_hoverTimer, &QTimer::timeout, this, [this] { HoverElapsed(); });
    connect(m_lockButton, &QToolButton::clicked, this, [this](bool down) { SetLocked(down); });
    Arrange();
}

int TCollapsingPanel::BarWidth() const
{
    return style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
}

void TCollapsingPanel::Arrange()
{
    m_contents->setVisible(m_expanded);
    setFixedWidth(m_expanded ? m_expandedWidth : BarWidth());
    m_bar->update();
}

void TCollapsingPanel::SetExpandedWidth(int width)
{
    width = std::max(width, int(ExpandedWidth));
    if (width == m_expandedWidth)
        return;
    m_expandedWidth = width;
    Arrange();
}

void TCollapsingPanel::SetExpanded(bool expanded)
{
    m_hoverTimer->stop();
    if (expanded == m_expanded)
        return;
    m_expanded = expanded;
    Arrange();
    if (OnChange)
        OnChange(this);
}

void TCollapsingPanel::SetLocked(bool locked)
{
    m_lockButton->setChecked(locked);
    if (locked == m_locked)
        return;
    m_locked = locked;
    m_hoverTimer->stop();
    if (!m_locked && !m_expanded)
        SetExpanded(true);
    if (OnChange)
        OnChange(this);
}

void TCollapsingPanel::SetBarColours(TColor fore, TColor back)
{
    m_fore = fore;
    m_back = back;
    if (!m_expanded)
        m_bar->update();
}

void TCollapsingPanel::enterEvent(QEnterEvent* event)
{
    QWidget::enterEvent(event);
    m_pointerInside = true;
    if (!m_locked && !m_expanded)
        m_hoverTimer->start();
}

void TCollapsingPanel::leaveEvent(QEvent* event)
{
    QWidget::leaveEvent(event);
    m_pointerInside = false;
    if (!m_locked && m_expanded)
        m_hoverTimer->start();
}

bool TCollapsingPanel::PointerReallyInside() const
{
    return isVisible() && rect().contains(mapFromGlobal(QCursor::pos()));
}

void TCollapsingPanel::HoverElapsed()
{
    if (m_locked)
        return;
    // A modal dialog blocks the panel, and the toolkit tells it the pointer left although it
    // did not: nothing changes until the dialog has closed, then the panel looks again.
    const QWidget* modal = QApplication::activeModalWidget();
    if (modal != nullptr && modal != window()) {
        m_hoverTimer->start();
        return;
    }
    // Where the pointer is now decides, not the last enter or leave.
    const bool inside = PointerReallyInside();
    if (inside && !m_expanded)
        SetExpanded(true);
    else if (!inside && m_expanded)
        SetExpanded(false);
}

} // namespace vellum
