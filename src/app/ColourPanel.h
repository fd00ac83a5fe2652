#pragma once

#include <functional>

#include <QWidget>

#include "controls/XGraphicCtrls.h"

class QFrame;
class QLabel;
class QToolButton;

namespace vellum {

class TColourSpectrum;
class TRecentColorsGrid;

// The colour panel of the side panel, top to bottom: recent colours, the spectrum, the
// foreground and background swatches with the swap button, and the colour read-out. It only
// shows and reports; the main window decides what a press does.
class TColourPanel : public QWidget {
public:
    explicit TColourPanel(QWidget* parent = nullptr);

    [[nodiscard]] TRecentColorsGrid* RecentColorsGrid() const { return m_recent; }
    [[nodiscard]] TColourSpectrum* ColourSpectrum() const { return m_spectrum; }
    [[nodiscard]] TColourShow* FGColourShow() const { return m_fore; }
    [[nodiscard]] TColourShow* BGColourShow() const { return m_back; }
    [[nodiscard]] QFrame* FGFrame() const { return m_foreFrame; }
    [[nodiscard]] QFrame* BGFrame() const { return m_backFrame; }
    [[nodiscard]] QToolButton* SwapColoursBut() const { return m_swap; }
    [[nodiscard]] QWidget* RGBPanel() const { return m_readout; }
    [[nodiscard]] TColourShow* ColourShow() const { return m_readoutShow; }

    // The read-out: "R: ", "G: ", "B: " and the bytes of a colour, and its swatch.
    void ShowReadout(TColor colour);
    void HideReadout();
    [[nodiscard]] QString ReadoutText() const;

    // A left or other press on the spectrum at a control point.
    std::function<void(Qt::MouseButton button, QPoint point)> OnSpectrumPress;
    // The pointer moved over the spectrum or the recent colours to a control point of theirs.
    std::function<void(QWidget* control, QPoint point)> OnHover;
    // A left click on a swatch, pressed and released over it (true: the foreground swatch).
    std::function<void(bool foreground)> OnSwatchClick;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    TRecentColorsGrid* m_recent = nullptr;
    TColourSpectrum* m_spectrum = nullptr;
    TColourShow* m_fore = nullptr;
    TColourShow* m_back = nullptr;
    QFrame* m_foreFrame = nullptr;
    QFrame* m_backFrame = nullptr;
    QToolButton* m_swap = nullptr;
    QWidget* m_readout = nullptr;
    QLabel* m_red = nullptr;
    QLabel* m_green = nullptr;
    QLabel* m_blue = nullptr;
    TColourShow* m_readoutShow = nullptr;
    // The swatch under a left press not yet released.
    QWidget* m_pressedSwatch = nullptr;
};

} // namespace vellum
