#pragma once

// The page image of the print preview: a white page with the picture's frame, which never
// leaves the printable rectangle and, with KeepAspect, keeps the picture's proportions while
// an edge or corner is dragged.
#include "print/SelectRectBitmap.h"

namespace vellum {

class TPrintPreviewBitmap : public TSelectRectBitmap {
public:
    static constexpr int DefaultHandleSize = 7;
    explicit TPrintPreviewBitmap(int handleSize = DefaultHandleSize);

    [[nodiscard]] bool KeepAspect() const { return m_keepAspect; }
    void SetKeepAspect(bool keep) { m_keepAspect = keep; }
    // Width / height the frame keeps while KeepAspect is set.
    [[nodiscard]] double Aspect() const { return m_aspect; }
    void SetAspect(double aspect) { m_aspect = aspect; }
    // The printable rectangle in this picture's pixels (right and bottom exclusive).
    void SetPrintRect(int left, int top, int right, int bottom);
    [[nodiscard]] int PrintLeftP() const { return m_printLeftP; }
    [[nodiscard]] int PrintTopP() const { return m_printTopP; }
    [[nodiscard]] int PrintRightP() const { return m_printRightP; }
    [[nodiscard]] int PrintBottomP() const { return m_printBottomP; }
    [[nodiscard]] int FrameWidth() const { return m_frameWidth; }
    [[nodiscard]] int FrameHeight() const { return m_frameHeight; }

    // Every pixel white.
    void FillWhite();

    void MoveTo(int x, int y) override;
    void SetTop(int y) override;
    void SetLeft(int x) override;
    void SetTopLeft(int x, int y) override;
    void SetTopRight(int x, int y) override;
    void SetRight(int x) override;
    void SetBottom(int y) override;
    void SetBottomLeft(int x, int y) override;
    void SetBottomRight(int x, int y) override;

protected:
    void UpdateGeometry() override;

private:
    bool m_keepAspect = false;
    double m_aspect = 1;
    int m_printLeftP = 0;
    int m_printTopP = 0;
    int m_printRightP = 0;
    int m_printBottomP = 0;
    int m_frameWidth = 0;
    int m_frameHeight = 0;
};

} // namespace vellum
