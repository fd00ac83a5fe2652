#include "print/SelectRectBitmap.h"

#include <algorithm>
#include <utility>

#include <QRegion>

namespace vellum {

Qt::CursorShape ZoneCursor(int zone)
{
    switch (zone) {
    case 1:
    case 8: return Qt::SizeFDiagCursor;
    case 2:
    case 7: return Qt::SizeVerCursor;
    case 3:
    case 6: return Qt::SizeBDiagCursor;
    case 4:
    case 5: return Qt::SizeHorCursor;
    case 9: return Qt::SizeAllCursor;
    default: return Qt::ArrowCursor;
    }
}

TSelectRectBitmap::TSelectRectBitmap(int handleSize) : m_handleSize(handleSize)
{
    UpdateGeometry();
}

void TSelectRectBitmap::UpdateGeometry()
{
    const int h = m_handleSize;
    const int a = h / 2;
    const TFrameEdges& f = m_frame;
    const int mx = (f.Left + f.Right) / 2;
    const int my = (f.Top + f.Bottom) / 2;
    // Bands as [first, last) pairs; the handles are their intersections.
    const std::pair<int, int> top{f.Top, f.Top + h}, bottom{f.Bottom - h, f.Bottom};
    const std::pair<int, int> left{f.Left, f.Left + h}, right{f.Right - h, f.Right};
    const std::pair<int, int> column{mx - a + 1, mx + h - a}, row{my - a + 1, my + h - a};
    auto square = [](std::pair<int, int> xs, std::pair<int, int> ys) {
        return QRect(xs.first, ys.first, xs.second - xs.first, ys.second - ys.first);
    };
    m_handles = {square(left, top),    square(column, top),    square(right, top),    square(left, row),
                 square(right, row),   square(left, bottom),   square(column, bottom), square(right, bottom)};
}

void TSelectRectBitmap::NotifyChange(bool frameShown)
{
    if (OnChange)
        OnChange(this, frameShown);
}

void TSelectRectBitmap::SetFrameRect(const TFrameEdges& frame)
{
    m_frame = frame;
    if (m_frame.Right < m_frame.Left)
        std::swap(m_frame.Left, m_frame.Right);
    if (m_frame.Bottom < m_frame.Top)
        std::swap(m_frame.Top, m_frame.Bottom);
    UpdateGeometry();
}

void TSelectRectBitmap::ShowFrame(bool show)
{
    if (show == m_frameShown)
        return;
    m_frameShown = show;
    DrawFrame();
    // Reported as shown either way: the receiver repaints, and a hidden frame must vanish.
    NotifyChange(true);
}

void TSelectRectBitmap::DrawFrame()
{
    const TFrameEdges& f = m_frame;
    if (f.Width() <= 0 || f.Height() <= 0 || Empty())
        return;
    // The union, so a pixel where the outline and a handle meet is inverted only once.
    QRegion region;
    region += QRect(f.Left, f.Top, f.Width(), 1);
    region += QRect(f.Left, f.Bottom - 1, f.Width(), 1);
    region += QRect(f.Left, f.Top, 1, f.Height());
    region += QRect(f.Right - 1, f.Top, 1, f.Height());
    for (const QRect& handle : m_handles)
        region += handle;
    region &= BoundsRect();
    SetPixelFormat(TPixelFormat::pf24bit);
    for (const QRect& rect : region) {
        for (int y = rect.top(); y <= rect.bottom(); ++y) {
            std::uint8_t* p = ScanLine(y) + 3 * rect.left();
            std::uint8_t* end = p + 3 * rect.width();
            for (; p != end; ++p)
                *p = std::uint8_t(255 - *p);
        }
    }
}

int TSelectRectBitmap::HitTest(int x, int y) const
{
    // Only points inside the frame (its outline included) have a zone.
    if (!m_frame.Rect().contains(x, y))
        return 0;
    for (int zone = 1; zone <= 8; ++zone)
        if (m_handles[zone - 1].contains(x, y))
            return zone;
    return 9;
}

void TSelectRectBitmap::ApplyFrame(TFrameEdges frame)
{
    if (frame.Right < frame.Left)
        std::swap(frame.Left, frame.Right);
    if (frame.Bottom < frame.Top)
        std::swap(frame.Top, frame.Bottom);
    if (frame == m_frame)
        return;
    if (m_frameShown)
        DrawFrame();
    m_frame = frame;
    UpdateGeometry();
    if (m_frameShown)
        DrawFrame();
    m_changed = true;
    NotifyChange(m_frameShown);
}

void TSelectRectBitmap::MoveTo(int x, int y)
{
    ApplyFrame({x, y, x + m_frame.Width(), y + m_frame.Height()});
}

void TSelectRectBitmap::SetTop(int y)
{
    ApplyFrame({m_frame.Left, std::min(y, m_frame.Bottom), m_frame.Right, m_frame.Bottom});
}

void TSelectRectBitmap::SetLeft(int x)
{
    ApplyFrame({std::min(x, m_frame.Right), m_frame.Top, m_frame.Right, m_frame.Bottom});
}

void TSelectRectBitmap::SetTopLeft(int x, int y)
{
    ApplyFrame({std::min(x, m_frame.Right), std::min(y, m_frame.Bottom), m_frame.Right, m_frame.Bottom});
}

void TSelectRectBitmap::SetTopRight(int x, int y)
{
    ApplyFrame({m_frame.Left, std::min(y, m_frame.Bottom), std::max(x, m_frame.Left), m_frame.Bottom});
}

void TSelectRectBitmap::SetRight(int x)
{
    ApplyFrame({m_frame.Left, m_frame.Top, std::max(x, m_frame.Left), m_frame.Bottom});
}

void TSelectRectBitmap::SetBottom(int y)
{
    ApplyFrame({m_frame.Left, m_frame.Top, m_frame.Right, std::max(y, m_frame.Top)});
}

void TSelectRectBitmap::SetBottomLeft(int x, int y)
{
    ApplyFrame({std::min(x, m_frame.Right), m_frame.Top, m_frame.Right, std::max(y, m_frame.Top)});
}

void TSelectRectBitmap::SetBottomRight(int x, int y)
{
    ApplyFrame({m_frame.Left, m_frame.Top, std::max(x, m_frame.Left), std::max(y, m_frame.Top)});
}

} // namespace vellum
