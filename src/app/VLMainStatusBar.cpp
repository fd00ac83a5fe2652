// The status bar: four text panels and the progress bar.

#include "app/VLMain.h"

#include <algorithm>

#include <QLabel>
#include <QProgressBar>
#include <QStatusBar>

namespace vellum {

namespace {

// Panels 1 to 3 always have at least these widths; panel 0 takes what is left of the bar.
constexpr int PanelWidths[] = {0, 180, 200, 50};

// The widest text panel 3 holds: a pointer position far out on the largest picture, or a
// browser's place among tens of thousands of pictures. Fifty pixels would clip both.
const QString WidestPositionText = QStringLiteral("-00000 , -00000");

int panelWidth(std::size_t panel, const QLabel& label)
{
    if (panel != 3)
        return PanelWidths[panel];
    const int margins = label.contentsMargins().left() + label.contentsMargins().right() + 2 * label.margin() + 8;
    return std::max(PanelWidths[panel], label.fontMetrics().horizontalAdvance(WidestPositionText) + margins);
}

} // namespace

void TVellumMain::createStatusBar()
{
    for (std::size_t i = 0; i < m_panels.size(); ++i) {
        m_panels[i] = new QLabel(this);
        m_panels[i]->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
        // A long text is clipped by its own panel and moves no other.
        if (i == 0) {
            // Stretches over the rest, down to nothing; its text never asks for room.
            m_panels[i]->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
            statusBar()->addWidget(m_panels[i], 1);
        } else {
            // Fixed, not ignored: the layout would give an ignored width nothing at all.
            m_panels[i]->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
            m_panels[i]->setFixedWidth(panelWidth(i, *m_panels[i]));
            m_panels[i]->setAlignment(Qt::AlignCenter);
            statusBar()->addPermanentWidget(m_panels[i]);
        }
        if (i == 2) {
            // The progress bar takes panel 2's place while it shows.
            m_progress = new QProgressBar(this);
            m_progress->setObjectName(QStringLiteral("StatusProgress"));
            m_progress->setFixedWidth(PanelWidths[2]);
            m_progress->setTextVisible(false);
            m_progress->hide();
            statusBar()->addPermanentWidget(m_progress);
        }
    }
}

void TVellumMain::SetPanelText(int panel, const QString& text)
{
    if (panel >= 0 && panel < static_cast<int>(m_panels.size()))
        m_panels[static_cast<std::size_t>(panel)]->setText(text);
}

QString TVellumMain::PanelText(int panel) const
{
    return panel >= 0 && panel < static_cast<int>(m_panels.size()) ? m_panels[static_cast<std::size_t>(panel)]->text()
                                                                   : QString();
}

} // namespace vellum
