#pragma once

#include <QObject>
#include <QTimer>

namespace vellum {

class TToolHost;

// The spray can of a Spray Can drag: while it exists its timer stamps random dots of the
// picture's pen at (X, Y) every Interval milliseconds. Destroying it stops the spraying.
class TSprayCan : public QObject {
    Q_OBJECT
public:
    TSprayCan(TToolHost& owner, int x, int y, int interval, int opacity, int diffusion);

    [[nodiscard]] TToolHost& Owner() const { return m_owner; }
    [[nodiscard]] QTimer& Timer() { return m_timer; }
    [[nodiscard]] int Interval() const { return m_timer.interval(); }
    [[nodiscard]] int Opacity() const { return m_opacity; }
    void SetOpacity(int opacity);
    [[nodiscard]] int Diffusion() const { return m_diffusion; }

    // One stamp at the spray point, repainted and reported. A failure cancels the owner's drag
    // (which ends this can) and shows its message once.
    void Tick();

    // Picture coordinates of the spray point; the document moves it with the mouse.
    int X = 0;
    int Y = 0;

private:
    TToolHost& m_owner;
    QTimer m_timer;
    int m_opacity = 0;
    int m_diffusion = 0;
};

} // namespace vellum
