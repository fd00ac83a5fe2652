#include "print/PrintPreviewBitmap.h"

#include <algorithm>
#include <cstring>

#include "print/PageLayout.h"

namespace vellum {

namespace {

// v limited to [low, high]; the lower limit wins when they cross.
int limit(int v, int low, int high)
{
    return std::max(low, std::min(v, high));
}

int round(double v)
{
    return int(RoundHalfUp(v));
}

} // namespace

TPrintPreviewBitmap::TPrintPreviewBitmap(int handleSize) : TSelectRectBitmap(handleSize)
{
    UpdateGeometry();
}

void TPrintPreviewBitmap::SetPrintRect(int left, int top, int right, int bottom)
{
    m_printLeftP = left;
    m_printTopP = top;
    m_printRightP = right;
    m_printBottomP = bottom;
}

void TPrintPreviewBitmap::FillWhite()
{
    SetPixelFormat(TPixelFormat::pf24bit);
    for (int y = 0; y < Height(); ++y)
        std::memset(ScanLine(y), 255, 3 * std::size_t(Width()));
}

void TPrintPreviewBitmap::UpdateGeometry()
{
    TSelectRectBitmap::UpdateGeometry();
    m_frameWidth = FrameRect().Width();
    m_frameHeight = FrameRect().Height();
}

void TPrintPreviewBitmap::MoveTo(int x, int y)
{
    const int w = m_frameWidth;
    const int h = m_frameHeight;
    if (x < m_printLeftP)
        x = m_printLeftP;
    else if (x + w >= m_printRightP)
        x = std::max(m_printLeftP, m_printRightP - w);
    if (y < m_printTopP)
        y = m_printTopP;
    else if (y + h >= m_printBottomP)
        y = std::max(m_printTopP, m_printBottomP - h);
    TSelectRectBitmap::MoveTo(x, y);
}

void TPrintPreviewBitmap::SetTop(int y)
{
    const TFrameEdges& f = FrameRect();
    if (!m_keepAspect) {
        TSelectRectBitmap::SetTop(std::max(y, m_printTopP));
        return;
    }
    int t = limit(y, m_printTopP, f.Bottom);
    int w = round((f.Bottom - t) * m_aspect);
    if (f.Left + w > m_printRightP) {
        w = m_printRightP - f.Left;
        t = f.Bottom - round(w / m_aspect);
    }
    ApplyFrame({f.Left, t, f.Left + w, f.Bottom});
}

void TPrintPreviewBitmap::SetLeft(int x)
{
    const TFrameEdges& f = FrameRect();
    if (!m_keepAspect) {
        TSelectRectBitmap::SetLeft(std::max(x, m_printLeftP));
        return;
    }
    int l = limit(x, m_printLeftP, f.Right);
    int h = round((f.Right - l) / m_aspect);
    if (f.Bottom - h < m_printTopP) {
        h = f.Bottom - m_printTopP;
        l = f.Right - round(h * m_aspect);
    }
    ApplyFrame({l, f.Bottom - h, f.Right, f.Bottom});
}

void TPrintPreviewBitmap::SetTopLeft(int x, int y)
{
    if (m_keepAspect)
        SetLeft(x);
    else
        TSelectRectBitmap::SetTopLeft(std::max(x, m_printLeftP), std::max(y, m_printTopP));
}

void TPrintPreviewBitmap::SetTopRight(int x, int y)
{
    if (m_keepAspect)
        SetTop(y);
    else
        TSelectRectBitmap::SetTopRight(std::min(x, m_printRightP), std::max(y, m_printTopP));
}

void TPrintPreviewBitmap::SetRight(int x)
{
    const TFrameEdges& f = FrameRect();
    if (!m_keepAspect) {
        TSelectRectBitmap::SetRight(std::min(x, m_printRightP));
        return;
    }
    int r = limit(x, f.Left, m_printRightP);
    int h = round((r - f.Left) / m_aspect);
    if (f.Bottom - h < m_printTopP) {
        h = f.Bottom - m_printTopP;
        r = f.Left + round(h * m_aspect);
    }
    ApplyFrame({f.Left, f.Bottom - h, r, f.Bottom});
}

void TPrintPreviewBitmap::SetBottom(int y)
{
    const TFrameEdges& f = FrameRect();
    if (!m_keepAspect) {
        TSelectRectBitmap::SetBottom(std::min(y, m_printBottomP));
        return;
    }
    int b = limit(y, f.Top, m_printBottomP);
    int w = round((b - f.Top) * m_aspect);
    if (f.Left + w > m_printRightP) {
        w = m_printRightP - f.Left;
        b = f.Top + round(w / m_aspect);
    }
    ApplyFrame({f.Left, f.Top, f.Left + w, b});
}

void TPrintPreviewBitmap::SetBottomLeft(int x, int y)
{
    const TFrameEdges& f = FrameRect();
    if (!m_keepAspect) {
        TSelectRectBitmap::SetBottomLeft(std::max(x, m_printLeftP), std::min(y, m_printBottomP));
        return;
    }
    int b = limit(y, f.Top, m_printBottomP);
    int w = round((b - f.Top) * m_aspect);
    if (f.Right - w < m_printLeftP) {
        w = f.Right - m_printLeftP;
        b = f.Top + round(w / m_aspect);
    }
    ApplyFrame({f.Right - w, f.Top, f.Right, b});
}

void TPrintPreviewBitmap::SetBottomRight(int x, int y)
{
    if (m_keepAspect)
        SetBottom(y);
    else
        TSelectRectBitmap::SetBottomRight(std::min(x, m_printRightP), std::min(y, m_printBottomP));
}

} // namespace vellum
