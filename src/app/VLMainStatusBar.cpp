// The status bar: four text panels and the progress bar.

#include "app/VLMain.h"

#include <QLabel>
#include <QProgressBar>
#include <QStatusBar>

namespace vellum {

void TVellumMain::createStatusBar()
{
    for (std::size_t i = 0; i < m_panels.size(); ++i) {
        m_panels[i] = new QLabel(this);
        m_panels[i]->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
        m_panels[i]->setMinimumWidth(i == 0 ? 200 : 90);
        if (i == 0)
            statusBar()->addWidget(m_panels[i], 1);
        else
            statusBar()->addPermanentWidget(m_panels[i]);
    }
    m_progress = new QProgressBar(this);
    m_progress->setMaximumWidth(120);
    m_progress->setTextVisible(false);
    m_progress->hide();
    statusBar()->addPermanentWidget(m_progress);
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
