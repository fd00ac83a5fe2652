#include "app/ColourPanel.h"

#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QToolButton>
#include <QVBoxLayout>

#include "controls/ColourSpectrum.h"
#include "controls/RecentColorsGrd.h"
#include "document/ToolCursors.h"

namespace vellum {

namespace {

constexpr int SwatchSide = 24;

// A swatch in a small raised frame.
QFrame* Framed(TColourShow* show, const char* frameName)
{
    auto* frame = new QFrame;
    frame->setObjectName(QLatin1String(frameName));
    frame->setFrameStyle(QFrame::Panel | QFrame::Raised);
    frame->setLineWidth(1);
    auto* layout = new QVBoxLayout(frame);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addWidget(show);
    return frame;
}

// Our own glyph: two arrows turning round each other.
QIcon SwapIcon()
{
    QPixmap pixmap(12, 12);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setPen(Qt::black);
    p.drawLine(2, 2, 9, 9);
    p.drawLine(9, 9, 9, 5);
    p.drawLine(9, 9, 5, 9);
    p.drawLine(2, 2, 2, 6);
    p.drawLine(2, 2, 6, 2);
    return QIcon(pixmap);
}

} // namespace

TColourPanel::TColourPanel(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("ColourPanel"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(4);

    m_recent = new TRecentColorsGrid;
    m_recent->setObjectName(QStringLiteral("RecentColorsGrid"));
    m_recent->SetColorColCount(5);
    m_recent->SetColorRowCount(3);
    m_recent->SetColorColWidth(12);
    m_recent->SetColorRowHeight(12);
    m_recent->SetDefaultColor(0xFFFFFF);
    m_recent->SetAutoPromote(false);
    m_recent->setCursor(ToolCursor(crSmallDropper));
    m_recent->setStatusTip(QStringLiteral("Select a recently used colour"));
    m_recent->setMouseTracking(true);
    m_recent->installEventFilter(this);
    layout->addWidget(m_recent, 0, Qt::AlignHCenter);

    m_spectrum = new TColourSpectrum;
    m_spectrum->setObjectName(QStringLiteral("ColourSpectrum"));
    m_spectrum->SetShowGreys(true);
    m_spectrum->setFixedHeight(105);
    m_spectrum->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    m_spectrum->setCursor(ToolCursor(crSmallDropper));
    m_spectrum->setStatusTip(QStringLiteral("Select a colour"));
    m_spectrum->setMouseTracking(true);
    m_spectrum->installEventFilter(this);
    layout->addWidget(m_spectrum);

    m_fore = new TColourShow;
    m_fore->setObjectName(QStringLiteral("FGColourShow"));
    m_back = new TColourShow;
    m_back->setObjectName(QStringLiteral("BGColourShow"));
    for (TColourShow* show : {m_fore, m_back}) {
        show->setFixedSize(SwatchSide, SwatchSide);
        show->SetBorderColour(0);
        show->installEventFilter(this);
    }
    m_fore->SetColour(0);
    m_fore->setStatusTip(QStringLiteral("'Click' to select a new foreground colour"));
    m_back->setStatusTip(QStringLiteral("'Click' to select a new background colour"));
    m_foreFrame = Framed(m_fore, "FGColourFrame");
    m_backFrame = Framed(m_back, "BGColourFrame");
    m_swap = new QToolButton;
    m_swap->setObjectName(QStringLiteral("SwapColoursBut"));
    m_swap->setIcon(SwapIcon());
    m_swap->setAutoRaise(true);
    m_swap->setStatusTip(QStringLiteral("Swap Foreground and BackGround colours around"));
    auto* swatches = new QGridLayout;
    swatches->setSpacing(0);
    swatches->addWidget(m_foreFrame, 0, 0, 2, 2);
    swatches->addWidget(m_swap, 0, 2, Qt::AlignCenter);
    swatches->addWidget(m_backFrame, 1, 2, 2, 2);
    layout->addLayout(swatches);

    m_readout = new QFrame;
    m_readout->setObjectName(QStringLiteral("RGBPanel"));
    auto* readout = new QGridLayout(m_readout);
    readout->setContentsMargins(0, 0, 0, 0);
    m_red = new QLabel(QStringLiteral("R:"));
    m_green = new QLabel(QStringLiteral("G:"));
    m_blue = new QLabel(QStringLiteral("B:"));
    m_readoutShow = new TColourShow;
    m_readoutShow->setObjectName(QStringLiteral("ColourShow"));
    m_readoutShow->setFixedSize(SwatchSide, SwatchSide);
    readout->addWidget(m_red, 0, 0);
    readout->addWidget(m_green, 1, 0);
    readout->addWidget(m_blue, 2, 0);
    readout->addWidget(m_readoutShow, 0, 1, 3, 1, Qt::AlignCenter);
    QSizePolicy keep = m_readout->sizePolicy();
    keep.setRetainSizeWhenHidden(true);
    m_readout->setSizePolicy(keep);
    layout->addWidget(m_readout);
    layout->addStretch(1);
}

void TColourPanel::ShowReadout(TColor colour)
{
    if (colour < 0)
        return;
    m_red->setText(QStringLiteral("R: %1").arg(colour & 0xFF));
    m_green->setText(QStringLiteral("G: %1").arg((colour >> 8) & 0xFF));
    m_blue->setText(QStringLiteral("B: %1").arg((colour >> 16) & 0xFF));
    m_readoutShow->SetColour(colour);
    m_readout->setVisible(true);
}

void TColourPanel::HideReadout()
{
    m_readout->setVisible(false);
}

QString TColourPanel::ReadoutText() const
{
    return m_red->text() + QLatin1Char('\n') + m_green->text() + QLatin1Char('\n') + m_blue->text();
}

bool TColourPanel::eventFilter(QObject* watched, QEvent* event)
{
    // A quick second press arrives as a double click; it is a press like any other.
    if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (watched == m_spectrum && OnSpectrumPress)
            OnSpectrumPress(mouse->button(), mouse->position().toPoint());
        else if ((watched == m_fore || watched == m_back) && mouse->button() == Qt::LeftButton)
            m_pressedSwatch = static_cast<QWidget*>(watched);
    } else if (event->type() == QEvent::MouseButtonRelease) {
        // A swatch acts on a click: released over the swatch that was pressed.
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton && watched == m_pressedSwatch) {
            m_pressedSwatch = nullptr;
            if (static_cast<QWidget*>(watched)->rect().contains(mouse->position().toPoint()) && OnSwatchClick)
                OnSwatchClick(watched == m_fore);
        }
    } else if (event->type() == QEvent::MouseMove) {
        if ((watched == m_spectrum || watched == m_recent) && OnHover)
            OnHover(static_cast<QWidget*>(watched), static_cast<QMouseEvent*>(event)->position().toPoint());
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace vellum
