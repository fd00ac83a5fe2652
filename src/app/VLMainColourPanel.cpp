// The side panel with the colour panel: picking the foreground and background colours, the
// recent colours, the read-out, and the panel's settings.

#include "app/VLMain.h"

#include <QColorDialog>
#include <QDockWidget>
#include <QFrame>
#include <QMainWindow>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/ColourPanel.h"
#include "app/ToolOptionPages.h"
#include "app/VLMainPrivate.h"
#include "app/XMLRegFile.h"
#include "controls/CollapsingPanel.h"
#include "controls/ColourSpectrum.h"
#include "controls/RecentColorsGrd.h"

namespace vellum {

using namespace mainwindow;

namespace {

constexpr int RecentColourCount = 15;

} // namespace

void TVellumMain::createColourPanel()
{
    // The side panel sits in a fixed dock at the right edge: the document area stays the
    // central widget and still measures only itself.
    auto* dock = new QDockWidget(this);
    dock->setObjectName(QStringLiteral("SidePanelDock"));
    dock->setFeatures(QDockWidget::NoDockWidgetFeatures);
    dock->setTitleBarWidget(new QWidget(dock));
    m_sidePanel = new TCollapsingPanel(dock);
    m_sidePanel->setObjectName(QStringLiteral("SidePanel"));
    // The panel never decides how small the window may be: a short window clips its bottom.
    m_sidePanel->setMinimumHeight(100);
    dock->setWidget(m_sidePanel);
    addDockWidget(Qt::RightDockWidgetArea, dock);

    auto* contents = new QVBoxLayout(m_sidePanel->Contents());
    contents->setContentsMargins(0, 0, 0, 0);
    m_colourPanel = new TColourPanel(m_sidePanel->Contents());
    // As designed also when a docked window widens the panel.
    m_colourPanel->setFixedWidth(TCollapsingPanel::ExpandedWidth - m_sidePanel->BarWidth());
    contents->addWidget(m_colourPanel, 0, Qt::AlignLeft);
    // The pinned tool windows dock here: a docking area of its own below the colours.
    m_sidePanelDockSite = new QMainWindow(m_sidePanel->Contents());
    m_sidePanelDockSite->setWindowFlags(Qt::Widget);
    m_sidePanelDockSite->setObjectName(QStringLiteral("SidePanelDockSite"));
    m_sidePanelDockSite->setDockNestingEnabled(true);
    // In a short window the docked windows give up their room, never the colours.
    m_sidePanelDockSite->setMinimumHeight(1);
    contents->addWidget(m_sidePanelDockSite, 1);

    TColourPanel* panel = m_colourPanel;
    panel->RecentColorsGrid()->OnColorDown = [this](TRecentColorsGrid*, Qt::MouseButton button,
                                                    Qt::KeyboardModifiers, TColor colour) {
        runGuarded([&] {
            if (button == Qt::LeftButton)
                SetForegroundColour(colour, true);
            else
                SetBackgroundColour(colour, true);
        });
    };
    panel->OnSpectrumPress = [this](Qt::MouseButton button, QPoint point) {
        runGuarded([&] {
            TColourSpectrum* spectrum = m_colourPanel->ColourSpectrum();
            const TColor colour = spectrum->ColourAt(point.x(), point.y());
            // Outside the field (or no field at all) there is no colour to take.
            if (colour < 0)
                return;
            if (button == Qt::LeftButton)
                SetForegroundColour(colour, false);
            else
                SetBackgroundColour(colour, false);
            spectrum->SelectPoint(point);
        });
    };
    panel->OnHover = [this](QWidget* control, QPoint point) {
        runGuarded([&] {
            if (control == m_colourPanel->ColourSpectrum())
                ShowColourReadout(m_colourPanel->ColourSpectrum()->ColourAt(point.x(), point.y()));
            else
                ShowColourReadout(m_colourPanel->RecentColorsGrid()->ColourAtPoint(point.x(), point.y()));
        });
    };
    panel->OnSwatchClick = [this](bool foreground) { runGuarded([&] { swatchClicked(foreground); }); };
    auto hide = [this](auto*) { HideColourReadout(); };
    panel->RecentColorsGrid()->OnMouseLeave = hide;
    panel->ColourSpectrum()->OnMouseLeave = hide;
    panel->FGColourShow()->OnMouseLeave = hide;
    panel->BGColourShow()->OnMouseLeave = hide;
    panel->FGColourShow()->OnMouseEnter = [this](TXGraphicControl*) {
        ShowColourReadout(m_colourPanel->FGColourShow()->Colour());
    };
    panel->BGColourShow()->OnMouseEnter = [this](TXGraphicControl*) {
        ShowColourReadout(m_colourPanel->BGColourShow()->Colour());
    };
    connect(panel->SwapColoursBut(), &QToolButton::clicked, this, [this] { runGuarded([this] { swapColours(); }); });
}

void TVellumMain::showColours()
{
    const TToolSettings& settings = ToolSettings();
    m_colourPanel->FGColourShow()->SetColour(settings.ForeColour());
    m_colourPanel->BGColourShow()->SetColour(settings.BackColour());
    m_sidePanel->SetBarColours(settings.ForeColour(), settings.BackColour());
}

void TVellumMain::SetForegroundColour(TColor colour, bool moveMarker)
{
    TToolSettings& settings = ToolSettings();
    if (colour == settings.ForeColour())
        return;
    m_colourPanel->RecentColorsGrid()->AddColour(settings.ForeColour());
    settings.SetForeColour(colour);
    m_colourPanel->FGColourShow()->SetColour(colour);
    if (moveMarker)
        m_colourPanel->ColourSpectrum()->SetSelectedColour(colour);
    m_optionPages->SetForeItemColour(colour);
    m_sidePanel->SetBarColours(settings.ForeColour(), settings.BackColour());
}

void TVellumMain::SetBackgroundColour(TColor colour, bool moveMarker)
{
    TToolSettings& settings = ToolSettings();
    if (colour == settings.BackColour())
        return;
    m_colourPanel->RecentColorsGrid()->AddColour(settings.BackColour());
    settings.SetBackColour(colour);
    m_colourPanel->BGColourShow()->SetColour(colour);
    if (moveMarker)
        m_colourPanel->ColourSpectrum()->SetSelectedColour(colour);
    m_optionPages->SetBackItemColour(colour);
    m_sidePanel->SetBarColours(settings.ForeColour(), settings.BackColour());
}

void TVellumMain::ShowColourReadout(TColor colour)
{
    m_colourPanel->ShowReadout(colour);
}

void TVellumMain::HideColourReadout()
{
    m_colourPanel->HideReadout();
}

void TVellumMain::swatchClicked(bool foreground)
{
    QFrame* frame = foreground ? m_colourPanel->FGFrame() : m_colourPanel->BGFrame();
    const TColor current = foreground ? ToolSettings().ForeColour() : ToolSettings().BackColour();
    if (m_colourDialog == nullptr) {
        m_colourDialog = new QColorDialog(this);
        m_colourDialog->setObjectName(QStringLiteral("ColourDialog"));
    }
    m_colourDialog->setCurrentColor(QColorOfValue(current));
    frame->setFrameShadow(QFrame::Sunken);
    const bool confirmed = m_colourDialog->exec() == QDialog::Accepted;
    frame->setFrameShadow(QFrame::Raised);
    if (!confirmed)
        return;
    const TColor chosen = ValueOfQColor(m_colourDialog->currentColor());
    if (foreground)
        SetForegroundColour(chosen, true);
    else
        SetBackgroundColour(chosen, true);
}

void TVellumMain::swapColours()
{
    const TColor oldFore = ToolSettings().ForeColour();
    SetForegroundColour(ToolSettings().BackColour(), true);
    SetBackgroundColour(oldFore, true);
}

void TVellumMain::loadColourPanelSettings()
{
    using namespace settings;
    TXMLRegistryFile reg(settingsFile());
    if (reg.OpenKey(QLatin1String(KeyColourPanel), false)) {
        if (reg.ValueExists(QLatin1String(Expanded)))
            m_sidePanel->SetExpanded(reg.ReadBool(QLatin1String(Expanded)));
        if (reg.ValueExists(QLatin1String(Locked)))
            m_sidePanel->SetLocked(reg.ReadBool(QLatin1String(Locked)));
        reg.CloseKey();
    }
    if (reg.OpenKey(QLatin1String(KeyRecentColours), false)) {
        TRecentColorsGrid* grid = m_colourPanel->RecentColorsGrid();
        for (int i = 0; i < RecentColourCount; ++i) {
            const QString name = QLatin1String(ColourPrefix) + QString::number(i);
            if (!reg.ValueExists(name))
                continue;
            // Not a colour at all: the cell keeps its white.
            const int colour = reg.ReadInteger(name);
            if (colour >= 0 && colour <= 0xFFFFFF)
                grid->SetColour(i, colour);
        }
        reg.CloseKey();
    }
}

void TVellumMain::saveColourPanelSettings(TXMLRegistryFile& reg) const
{
    using namespace settings;
    if (reg.OpenKey(QLatin1String(KeyColourPanel), true)) {
        reg.WriteBool(QLatin1String(Expanded), m_sidePanel->Expanded());
        reg.WriteBool(QLatin1String(Locked), m_sidePanel->Locked());
        reg.CloseKey();
    }
    if (reg.OpenKey(QLatin1String(KeyRecentColours), true)) {
        for (int i = 0; i < RecentColourCount; ++i)
            reg.WriteInteger(QLatin1String(ColourPrefix) + QString::number(i),
                             m_colourPanel->RecentColorsGrid()->Colours(i));
        reg.CloseKey();
    }
}

} // namespace vellum
