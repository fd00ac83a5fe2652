#pragma once

#include <QImage>
#include <QPoint>

#include "controls/XGraphicCtrls.h"

namespace vellum {

// A round dial with a needle from the centre (rotation angles). Positions count clockwise from
// straight up; one full turn is Increments positions. A new dial counts 360 positions per turn.
class TDial : public TXGraphicControl {
public:
    explicit TDial(QWidget* parent = nullptr);

    [[nodiscard]] int Position() const { return m_position; }
    // Stores the value, raises OnChange (even when unchanged) and repaints.
    void SetPosition(int position);

    [[nodiscard]] int Increments() const { return m_increments; }
    // Values of 0 or less and the current value are refused.
    void SetIncrements(int increments);

    [[nodiscard]] int NeedleGap() const { return m_needleGap; }
    // Accepted when 0 or more and below the smaller of the centre's coordinates.
    void SetNeedleGap(int gap);
    [[nodiscard]] int NeedleWidth() const { return m_needleWidth; }
    // Accepted from 1 to 9.
    void SetNeedleWidth(int width);
    [[nodiscard]] TColor NeedleColour() const { return m_needleColour; }
    void SetNeedleColour(TColor colour);
    [[nodiscard]] bool NeedleInverse() const { return m_needleInverse; }
    void SetNeedleInverse(bool inverse);

    // The background picture; a null image means the default background (the control's size,
    // button face with a white circle touching the edges). A given picture sizes the control.
    // Either way the needle points straight up and the needle gap becomes 0.
    [[nodiscard]] const QImage& Background() const { return m_background; }
    void SetBackground(const QImage& picture);
    [[nodiscard]] bool TransParent() const { return m_transparent; }
    // A transparent background leaves out its pixels of the colour of its bottom-left pixel.
    void SetTransParent(bool transparent);

    [[nodiscard]] QPoint Centre() const { return m_centre; }
    [[nodiscard]] QPoint NeedleEnd() const { return m_needleEnd; }
    [[nodiscard]] double AnglePerPosition() const { return m_anglePerPosition; }

    // The bearing of a point seen from a centre, degrees clockwise from straight up (0 to 360).
    [[nodiscard]] static double BearingOf(QPoint point, QPoint centre);
    // The position pointing at a control point.
    [[nodiscard]] int PositionAt(QPoint point) const;
    // The needle's end for the current position.
    [[nodiscard]] QPoint NeedleEndForPosition() const;

    std::function<void(TDial* sender)> OnChange;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void MakeDefaultBackground();
    void CentreNeedle();
    // The background as painted behind the needle, kept between paints.
    const QImage& Face();

    int m_position = 0;
    int m_increments = 360;
    double m_anglePerPosition = 1.0;
    int m_needleGap = 2;
    int m_needleWidth = 1;
    TColor m_needleColour = 0;
    bool m_needleInverse = false;
    bool m_transparent = true;
    bool m_ownBackground = false; // a picture was given
    bool m_dragging = false;
    QImage m_background;
    QImage m_face;
    qint64 m_faceSource = 0;
    QColor m_faceBehind;
    bool m_faceTransparent = false;
    QPoint m_centre;
    QPoint m_needleEnd;
};

} // namespace vellum
