// The status bar: four text panels and the progress bar.

#include "app/VLMain.h"

#include <algorithm>

#include <QEvent>
#include <QLabel>
#include <QProgressBar>
#include <QStatusBar>

namespace vellum {

namespace {

// Panels 1 to 3 are 180, 200 and 50 pixels wide; panel 0 takes the rest less 480.
constexpr int PanelWidths[] = {0, 180, 200, 50};
constexpr int FixedPanelsWidth = 480;

// Keeps panel 0 as wide as the status bar less the fixed panels.
class PanelZeroWidth : public QObject {
public:
    PanelZeroWidth(QLabel* panel, QObject* parent) : QObject(parent), m_panel(panel) {}
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Resize)
            m_panel->setFixedWidth(std::max(0, static_cast<QWidget*>(watched)->width() - FixedPanelsWidth));
        return false;
    }

private:
    QLabel* m_panel;
};

} // namespace

void TVellumMain::createStatusBar()
{
    for (std::size_t i = 0; i < m_panels.size(); ++i) {
        m_panels[i] = new QLabel(this);
        m_panels[i]->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
        // A fixed width: a long text is clipped by its own panel and moves no other.
        m_panels[i]->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
        if (i == 0) {
            statusBar()->addWidget(m_panels[i]);
        } else {
            m_panels[i]->setFixedWidth(PanelWidths[i]);
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
    statusBar()->installEventFilter(new PanelZeroWidth(m_panels[0], this));
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
