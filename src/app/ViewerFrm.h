#pragma once

#include <functional>

#include <QPointer>
#include <QRect>

#include "app/VLPinnedFrm.h"
#include "raster/XBitmap.h"

class QFrame;
class QToolButton;

namespace vellum {

class TPictureSelection;
class TXVellum;

// The Viewer: the active picture at 1:1 around the part in view in its document, with that
// part framed, in a pinned tool window. A click or a drag with the left button asks, through
// OnCentre, for the document's view to centre on the picture point under the mouse.
class TViewerForm : public TVLBasePinnedForm {
    Q_OBJECT
public:
    static constexpr QSize DesignedViewSize{206, 167};
    static constexpr int ButtonRowHeight = 30;
    static constexpr int PanelBorder = 3;

    TViewerForm(QMainWindow* mainWindow, const QString& keyPath, QMainWindow* dockSite = nullptr);
    ~TViewerForm() override;

    // The picture shown, not owned. owner, when given, is the object the picture lives as long
    // as: once it is gone the Viewer shows no picture, whoever forgot to detach it.
    void SetPicture(const TXBitmap* picture, QObject* owner = nullptr);
    [[nodiscard]] const TXBitmap* Picture() const;
    // The owner given with the shown picture, or none.
    [[nodiscard]] QObject* PictureOwner() const { return Picture() != nullptr ? m_owner.data() : nullptr; }
    // The floating selection drawn over the picture, not owned. With a picture document as the
    // owner it is drawn only while it is still that document's selection: a selection freed
    // without a word is never touched.
    void SetSelection(TPictureSelection* selection);
    [[nodiscard]] TPictureSelection* Selection() const;
    void SetViewRect(const QRect& rect);
    // Forgets the picture and the selection; redraws (as empty) when asked.
    void Detach(bool redraw);
    // While frozen nothing is redrawn; the last thaw redraws.
    void Freeze();
    void Thaw();
    [[nodiscard]] int FreezeCount() const { return m_freezeCount; }

    // Sizes and centres the drawing surface for the picture in the view panel.
    void Layout();
    // Builds the buffer from the picture and the frame, and paints it.
    void Redraw();

    [[nodiscard]] const QRect& ViewRect() const { return m_viewRect; }
    [[nodiscard]] int OffsetX() const { return m_offsetX; }
    [[nodiscard]] int OffsetY() const { return m_offsetY; }
    [[nodiscard]] const QRect& TargetRect() const { return m_targetRect; }
    [[nodiscard]] const TXBitmap& Buffer() const { return m_buffer; }
    [[nodiscard]] QFrame* ViewerPanel() const { return m_viewerPanel; }
    [[nodiscard]] TXVellum* Surface() const { return m_surface; }
    [[nodiscard]] QToolButton* FrameSB() const { return m_frameSB; }

    // A left click or drag at picture point (x, y).
    std::function<void(TViewerForm* sender, int x, int y)> OnCentre;

protected:
    void DoClosed() override;
    void LoadSettings() override;
    void SaveSettings() override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void updateFrameHint();
    void loadFrameSetting();
    void saveFrameSetting();
    void drawFrame();

    const TXBitmap* m_picture = nullptr;
    TPictureSelection* m_selection = nullptr;
    QPointer<QObject> m_owner;
    bool m_hasOwner = false;
    QRect m_viewRect;
    int m_offsetX = 0;
    int m_offsetY = 0;
    QRect m_targetRect;
    TXBitmap m_buffer;
    int m_freezeCount = 0;
    QFrame* m_viewerPanel = nullptr;
    TXVellum* m_surface = nullptr;
    QToolButton* m_frameSB = nullptr;
};

} // namespace vellum
