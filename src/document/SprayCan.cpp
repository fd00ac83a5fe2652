#include "document/SprayCan.h"

#include <algorithm>

#include "document/PictureScrollBx.h"
#include "document/Tool.h"
#include "raster/Canvas.h"

namespace vellum {

TSprayCan::TSprayCan(TToolHost& owner, int x, int y, int interval, int opacity, int diffusion)
    : X(x)
    , Y(y)
    , m_owner(owner)
    , m_diffusion(diffusion)
{
    SetOpacity(opacity);
    // A coarse timer would drift by up to 5 % per tick.
    m_timer.setTimerType(Qt::PreciseTimer);
    m_timer.setInterval(std::max(interval, 1));
    connect(&m_timer, &QTimer::timeout, this, [this] { Tick(); });
    m_timer.start();
}

void TSprayCan::SetOpacity(int opacity)
{
    m_opacity = std::clamp(opacity, 0, 100);
}

void TSprayCan::Tick()
{
    try {
        TPictureScrollBox& view = m_owner.PictureScrollBox();
        TEffectsBitmap& picture = view.Bitmap();
        picture.SprayStroke(X, Y, X, Y, m_opacity, m_diffusion);
        view.RepaintSegment(X, Y, X, Y, picture.Canvas().Pen.Width / 2);
        m_owner.NotifyChange(chgPicture, true);
    } catch (const std::exception& e) {
        // The timer stops first: the next tick must not report the same failure again.
        m_timer.stop();
        m_owner.DragFailed(e);
    }
}

} // namespace vellum
