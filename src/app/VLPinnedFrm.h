#pragma once

#include <functional>

#include <QDockWidget>
#include <QMargins>
#include <QRect>
#include <QSize>
#include <QString>

class QHBoxLayout;
class QMainWindow;
class QToolButton;
class QVBoxLayout;

namespace vellum {

// A small tool window that floats above the main window or docks in its dock site (the side
// panel's docking area, or else the main window's right edge). While
// pinned and floating it keeps its distance from the main window's top-right corner when the
// main window moves or changes size: XDiff is the distance between the two right edges, YDiff
// the main window's top less its own. Position, size, pin state and offsets are kept under its
// settings key (none without a key); docking is not kept: every start floats. While docked it
// keeps its last floating rectangle, which is also what it saves.
//
// The offsets are measured between the frames the window manager draws around both windows, as
// the user sees them; every other rectangle here (the stored place and size among them) is a
// client rectangle in screen coordinates.
class TVLBasePinnedForm : public QDockWidget {
    Q_OBJECT
public:
    static constexpr int BorderWidth = 3;
    static constexpr int MinStoredSide = 100;

    // Created hidden and floating. designedSize is the size of its contents (the client area and
    // the button row, inside the border), without a title bar the toolkit may draw. Without a
    // key path it starts unpinned and centred on the main window; otherwise the settings
    // decide, a missing position again meaning centred. dockSite, when given, is where the
    // window docks instead of the main window's right edge.
    TVLBasePinnedForm(QMainWindow* mainWindow, const QString& keyPath, const QString& caption,
                      const QSize& designedSize, QMainWindow* dockSite = nullptr);
    // Saves the settings when there is a key path.
    ~TVLBasePinnedForm() override;

    // The first show of a floating window places it (placeInitially) before it maps.
    void setVisible(bool visible) override;

    [[nodiscard]] QMainWindow* MainWindow() const { return m_mainWindow; }
    [[nodiscard]] QMainWindow* DockSite() const { return m_dockSite; }
    [[nodiscard]] const QString& KeyPath() const { return m_keyPath; }
    [[nodiscard]] bool Pinned() const { return m_pinned; }
    virtual void SetPinned(bool pinned);
    [[nodiscard]] bool Docked() const { return !isFloating(); }
    [[nodiscard]] int XDiff() const { return m_xDiff; }
    [[nodiscard]] int YDiff() const { return m_yDiff; }
    // The rectangle the window has, or would have, floating.
    [[nodiscard]] QRect FloatingGeometry() const;

    // Moves to (x, y), clamped to the screen, keeping the size; nothing while it is moving
    // itself already. A docked window only moves its floating rectangle.
    virtual void MoveTo(int x, int y);
    // Takes the place the offsets give beside the main window, when pinned and floating.
    void FollowMain();

    [[nodiscard]] QToolButton* PinSB() const { return m_pinSB; }
    [[nodiscard]] QWidget* PinButtonPanel() const { return m_pinButtonPanel; }
    // The area above the button row, for the window's own controls.
    [[nodiscard]] QWidget* ClientArea() const { return m_clientArea; }
    // Adds a button to the button row, after those added before and left of the pin button.
    void AddButton(QWidget* button);

    // Raised after the window closed, by whatever close action.
    std::function<void(TVLBasePinnedForm* sender)> OnClose;

protected:
    virtual void DoClosed();
    // Each value only when present; the size at least MinStoredSide on each side.
    virtual void LoadSettings();
    virtual void SaveSettings();
    virtual void UpdatePinHint();
    // Clamps a left or top so that the window lies on the virtual desktop (all screens).
    [[nodiscard]] QPoint Clamped(int x, int y) const;

    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void geometryChanged();
    void moveBesideMain();
    // The stored place, or centred on the main window as it is now; the stored size, or the
    // designed one plus chrome (what the window puts around its contents).
    void placeInitially(const QSize& chrome);
    // The window manager's frame around a window's client rectangle (none before it is framed).
    [[nodiscard]] static QMargins frameMargins(const QWidget* window);
    [[nodiscard]] QMargins ownFrameMargins() const;
    void setFloatingGeometry(const QRect& rect);
    [[nodiscard]] QRect screenRect() const;

    QMainWindow* m_mainWindow;
    QMainWindow* m_dockSite;
    QString m_keyPath;
    bool m_pinned = false;
    int m_xDiff = 0;
    int m_yDiff = 0;
    int m_storedLeft = -1;
    int m_storedTop = -1;
    QSize m_designedSize;
    QSize m_storedSize{-1, -1}; // a side below 0: none stored
    bool m_moving = false;
    // Placed for good: shown once, or moved or sized by the user.
    bool m_placed = false;
    QRect m_floatingGeometry;
    QWidget* m_clientArea = nullptr;
    QWidget* m_pinButtonPanel = nullptr;
    QHBoxLayout* m_buttonRow = nullptr;
    int m_buttonCount = 0;
    QToolButton* m_pinSB = nullptr;
};

} // namespace vellum
