#include "controls/TrackBar.h"

#include <algorithm>
#include <cmath>

#include <QMouseEvent>
#include <QStyle>
#include <QStyleOptionSlider>

namespace vellum {

TTrackBar::TTrackBar(QWidget* parent) : QSlider(Qt::Horizontal, parent)
{
    setTickPosition(QSlider::TicksBelow);
}

int TTrackBar::ReleasePosition(int minimum, int maximum, int grooveWidth, int thumbLength, int x)
{
    const int span = grooveWidth - thumbLength;
    const double factor = span < 1 ? 0.0 : static_cast<double>(maximum - minimum) / span;
    const double offset = std::trunc(factor * (x - thumbLength / 2));
    const double position = std::clamp(offset + minimum, static_cast<double>(minimum), static_cast<double>(maximum));
    return static_cast<int>(position);
}

QRect TTrackBar::ThumbRect() const
{
    QStyleOptionSlider option;
    initStyleOption(&option);
    return style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this);
}

QRect TTrackBar::GrooveRect() const
{
    QStyleOptionSlider option;
    initStyleOption(&option);
    return style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderGroove, this);
}

int TTrackBar::ThumbLength() const
{
    QStyleOptionSlider option;
    initStyleOption(&option);
    return style()->pixelMetric(QStyle::PM_SliderLength, &option, this);
}

void TTrackBar::mousePressEvent(QMouseEvent* event)
{
    m_pressedAway = event->button() == Qt::LeftButton && !ThumbRect().contains(event->position().toPoint());
    if (m_pressedAway) {
        // The position comes with the release.
        event->accept();
        return;
    }
    QSlider::mousePressEvent(event);
}

void TTrackBar::mouseReleaseEvent(QMouseEvent* event)
{
    if (m_pressedAway && event->button() == Qt::LeftButton) {
        m_pressedAway = false;
        const QRect groove = GrooveRect();
        setValue(ReleasePosition(minimum(), maximum(), groove.width(), ThumbLength(),
                                 event->position().toPoint().x() - groove.left()));
        event->accept();
        return;
    }
    QSlider::mouseReleaseEvent(event);
}

} // namespace vellum
