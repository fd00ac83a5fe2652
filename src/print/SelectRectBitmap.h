#pragma once

// A picture with a selection frame drawn on it by inverting pixels: the outline and eight handle
// squares, each pixel of their union inverted once, so drawing the frame twice restores every
// pixel. The frame's edges are in the picture's pixels; right and bottom are exclusive.
#include <array>
#include <functional>

#include <QRect>
#include <Qt>

#include "raster/XBitmap.h"

namespace vellum {

struct TFrameEdges {
    int Left = -1;
    int Top = -1;
    int Right = -1;
    int Bottom = -1;

    [[nodiscard]] int Width() const { return Right - Left; }
    [[nodiscard]] int Height() const { return Bottom - Top; }
    [[nodiscard]] QRect Rect() const { return QRect(Left, Top, Width(), Height()); }
    bool operator==(const TFrameEdges&) const = default;
};

// Zones of the hit test: 0 outside, 1 to 8 the handles (top-left, top-middle, top-right,
// left-middle, right-middle, bottom-left, bottom-middle, bottom-right), 9 elsewhere inside.
[[nodiscard]] Qt::CursorShape ZoneCursor(int zone);

class TSelectRectBitmap : public TXBitmap {
public:
    explicit TSelectRectBitmap(int handleSize);

    [[nodiscard]] int HandleSize() const { return m_handleSize; }
    [[nodiscard]] const TFrameEdges& FrameRect() const { return m_frame; }
    // Sets the frame without drawing or erasing it (for a picture just painted anew).
    void SetFrameRect(const TFrameEdges& frame);
    // The handle square of a zone (1 to 8).
    [[nodiscard]] QRect HandleRect(int zone) const { return m_handles[zone - 1]; }

    [[nodiscard]] bool FrameShown() const { return m_frameShown; }
    void ShowFrame(bool show);
    // Inverts the frame's pixels (outline and handles) once.
    void DrawFrame();

    // Whether a setter moved the frame since the flag was last cleared.
    [[nodiscard]] bool Changed() const { return m_changed; }
    void SetChanged(bool changed) { m_changed = changed; }
    // After every change of the frame or its visibility: sender, frame shown.
    std::function<void(TSelectRectBitmap* sender, bool frameShown)> OnChange;

    [[nodiscard]] int HitTest(int x, int y) const;

    // Each setter moves the whole frame (keeping its size), one edge or one corner; none lets
    // the frame turn inside out.
    virtual void MoveTo(int x, int y);
    virtual void SetTop(int y);
    virtual void SetLeft(int x);
    virtual void SetTopLeft(int x, int y);
    virtual void SetTopRight(int x, int y);
    virtual void SetRight(int x);
    virtual void SetBottom(int y);
    virtual void SetBottomLeft(int x, int y);
    virtual void SetBottomRight(int x, int y);

protected:
    virtual void UpdateGeometry();
    // OnChange with the frame shown flag to report.
    virtual void NotifyChange(bool frameShown);
    // Replaces the frame: the shown frame is erased and drawn again at its new place.
    void ApplyFrame(TFrameEdges frame);

private:
    int m_handleSize;
    TFrameEdges m_frame;
    std::array<QRect, 8> m_handles{};
    bool m_frameShown = false;
    bool m_changed = false;
};

} // namespace vellum
