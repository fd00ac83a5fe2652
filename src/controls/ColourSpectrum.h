#pragma once

#include <QImage>
#include <QPoint>
#include <QRect>

#include "controls/XGraphicCtrls.h"

namespace vellum {

// A hue, saturation and value field from which the user picks colours, with an optional grey
// band at the bottom and a two-circle marker on the selected colour. Rows run through the hues
// from red at the top; the left half of the columns runs from black to the full colour, the
// right half from the full colour to white. The field is rendered into an image only at
// creation, on a size change and when the grey band is switched; painting copies it.
class TColourSpectrum : public TXGraphicControl {
public:
    explicit TColourSpectrum(QWidget* parent = nullptr);

    [[nodiscard]] bool ShowGreys() const { return m_showGreys; }
    void SetShowGreys(bool show);
    [[nodiscard]] bool ShowSelection() const { return m_showSelection; }
    void SetShowSelection(bool show);

    // The colour of the field at a control point; -1 outside it (and everywhere when the
    // control is too small to hold a field).
    [[nodiscard]] TColor ColourAt(int x, int y) const;
    // Moves the marker to a point of the field and selects its colour.
    void SelectPoint(QPoint point);
    // Selects a colour and puts the marker where the field shows it (greys within 30).
    void SetSelectedColour(TColor colour);
    [[nodiscard]] TColor SelectedColour() const { return m_selected; }
    [[nodiscard]] QPoint MarkerPoint() const { return m_marker; }
    // Where the field shows a colour; (-1, -1) when nowhere. Colours whose channels lie within
    // the tolerance count as grey.
    [[nodiscard]] QPoint ColourToPoint(TColor colour, int tolerance) const;
    // The pixels the marker at a point covers.
    [[nodiscard]] static QRect MarkerBox(QPoint point);
    [[nodiscard]] const QImage& Image() const { return m_image; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void Rebuild();
    // Asks for the marker's pixels to be repainted (drawn or erased by the next paint).
    void UpdateMarker();

    bool m_showGreys = true;
    bool m_showSelection = true;
    QImage m_image; // null when the control is too small for a field
    QSize m_renderedSize{-1, -1};
    int m_greyHeight = 0;
    double m_columnStep = 0;
    double m_hueStep = 0;
    TColor m_selected = -1;
    QPoint m_marker{-1, -1};
};

} // namespace vellum
