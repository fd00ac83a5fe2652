#pragma once

#include <QSlider>

namespace vellum {

// A horizontal track bar. A click away from the thumb moves the thumb to the released point
// (instead of paging towards it); the thumb's length and the groove come from the style.
class TTrackBar : public QSlider {
    Q_OBJECT
public:
    explicit TTrackBar(QWidget* parent = nullptr);

    // The position for a release at x (groove coordinates): the range spread over the groove
    // less the thumb, counted from the thumb's half; factor 0 when the groove is not longer than
    // the thumb; clamped to the range.
    [[nodiscard]] static int ReleasePosition(int minimum, int maximum, int grooveWidth, int thumbLength, int x);
    [[nodiscard]] QRect ThumbRect() const;
    [[nodiscard]] QRect GrooveRect() const;
    [[nodiscard]] int ThumbLength() const;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool m_pressedAway = false;
};

} // namespace vellum
