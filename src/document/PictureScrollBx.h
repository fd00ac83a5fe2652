#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include <QAbstractScrollArea>
#include <QImage>
#include <QPoint>
#include <QRect>
#include <QRegion>

#include "raster/EffectsBitmap.h"
#include "raster/RgbRows.h"

namespace vellum {

class TCanvas;

// A scrolling container whose scroll bars only report position changes: moving a bar never
// moves the contents. OnScrolling (old position - new position on each axis) comes first,
// then the contents are drawn afresh, then OnScroll. Changes of position made while the
// ranges are recomputed report nothing.
class TIdleScrollBox : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit TIdleScrollBox(QWidget* parent = nullptr);

    std::function<void(TIdleScrollBox* sender, int dx, int dy)> OnScrolling;
    std::function<void(TIdleScrollBox* sender)> OnScroll;

protected:
    void scrollContentsBy(int dx, int dy) override;
    // Draws the contents after a scroll (not during a range update).
    virtual void scrolled() {}

    // True while the ranges are being recomputed: bar changes then report nothing.
    bool m_settingRanges = false;
};

// The view that fills a picture document: it owns the picture, shows it at a zoom factor from 1
// to 15 with an optional pixel grid, and renders only the part in view into an off-screen
// image whenever something changes. View coordinates are those of the paint surface (the
// viewport); picture coordinates are picture pixels.
class TPictureScrollBox : public TIdleScrollBox {
    Q_OBJECT
public:
    static constexpr int MinZoom = 1;
    static constexpr int MaxZoom = 15;
    static constexpr int GridZoom = 10;

    // Hooks called with the image being built and the picture rectangle it shows.
    using TPaintHook = std::function<void(TPictureScrollBox* sender, TXBitmap& image, const QRect& rect)>;
    using TMouseEvent = std::function<void(TPictureScrollBox* sender, Qt::MouseButton button,
                                           Qt::KeyboardModifiers modifiers, int x, int y)>;
    using TNotify = std::function<void(TPictureScrollBox* sender)>;

    explicit TPictureScrollBox(QWidget* parent = nullptr);
    ~TPictureScrollBox() override;

    // The picture: the object lives as long as the view; its pixels are replaced, never the
    // object, so references to it stay valid.
    [[nodiscard]] TEffectsBitmap& Bitmap() { return m_bitmap; }
    [[nodiscard]] const TEffectsBitmap& Bitmap() const { return m_bitmap; }
    // Copies the picture's size and pixels (none: empties the picture); zoom 1, positions 0.
    void SetBitmap(const TXBitmap* picture);
    void SetBitmap(TXBitmap&& picture);

    bool NewPicture(int width, int height, TColor colour);
    bool LoadFromFile(const QString& fileName, ForceBitmap forceBitmap = ForceBitmap::No);
    bool Assign(const TXBitmap* picture);

    [[nodiscard]] int ZoomFactor() const { return m_zoom; }
    void SetZoomFactor(int zoom) { SetZoom(zoom, 0, 0); }
    // False and nothing else outside 1 to 15; otherwise zooms and centres on (x, y).
    bool SetZoom(int zoom, int centreX, int centreY);

    [[nodiscard]] bool ShowZoomGrid() const { return m_showZoomGrid; }
    void SetShowZoomGrid(bool show);

    // The part of the picture in view (right and bottom exclusive), as of the last full paint.
    [[nodiscard]] const QRect& VisibleRect() const { return m_visibleRect; }

    // Coordinate mapping.
    [[nodiscard]] int Snap(int v) const { return (v / m_zoom) * m_zoom; }
    [[nodiscard]] QPoint ViewToPicture(const QPoint& view) const;
    [[nodiscard]] QPoint PictureToView(const QPoint& picture) const;
    [[nodiscard]] QRect PictureToView(const QRect& picture) const;
    [[nodiscard]] bool PtInPicture(int x, int y) const;

    // Centres the picture point (a negative coordinate: the centre of VisibleRect on that axis).
    void CentreOn(int x, int y);
    // Scrolls by view pixels.
    void ScrollBy(int dx, int dy);

    // Batches changes: inside, nothing paints; the outermost EndUpdate paints once, centred on
    // the kept centre when it was set or the picture's size changed.
    void BeginUpdate();
    void EndUpdate();
    [[nodiscard]] int UpdateCount() const { return m_updateCount; }

    // Partial repaints of a picture rectangle, or of the rectangle spanned by a segment, grown
    // by margin + 1 and clipped to what is in view.
    void RepaintRect(const QRect& rect, int margin);
    void RepaintSegment(int x1, int y1, int x2, int y2, int margin);
    // A full paint unless inside an update or painting is disabled.
    void Repaint();
    // Outside an update: ranges recomputed with the positions kept, then a full paint.
    void Refit();

    // The paint surface's canvas for rubber bands drawn with an inverting pen; call
    // ShowScreen after drawing on it.
    [[nodiscard]] TCanvas& ScreenCanvas();
    void ShowScreen(const QRect& viewRect = QRect());

    // The scroll ranges as the view computed them: the content extent in view pixels (0 when
    // the bar is hidden), and the increments.
    [[nodiscard]] int HorzRange() const { return m_horzRange; }
    [[nodiscard]] int VertRange() const { return m_vertRange; }
    [[nodiscard]] int HorzPosition() const;
    [[nodiscard]] int VertPosition() const;

    // The zoom the Zoom tool asks for after a band of w x h picture pixels was drawn with the
    // button: a click or a small band (10 pixels or less either way) zooms in one step with the
    // left button and out with the right; a larger band is fitted into the available area (at
    // most 15; below 1 the caller refuses it).
    [[nodiscard]] static int ZoomForBand(int bandWidth, int bandHeight, const QSize& available, int zoom,
                                         Qt::MouseButton button);

    // The position that centres picture coordinate x (y) in the surface.
    [[nodiscard]] int CentreScrollX(int x) const;
    [[nodiscard]] int CentreScrollY(int y) const;

    // Inside OnMouseDown: the press is the second press of a double click.
    [[nodiscard]] bool PressIsDoubleClick() const { return m_doubleClick; }

    TMouseEvent OnMouseDown;
    TMouseEvent OnMouseMove;
    TMouseEvent OnMouseUp;
    TNotify OnClick;
    TNotify OnDblClick;
    TNotify OnEnter;
    TNotify OnExit;
    TNotify OnEndResize;
    TNotify OnPaint;
    TPaintHook OnBeforeZoomPaint;
    // Draws over the zoomed picture: rows show the view from view point at on.
    std::function<void(TPictureScrollBox* sender, const TPixelRows& rows, const QPoint& at)> OnPainting;
    // The wheel, in whole notches (parts of a notch add up): positive up, negative down.
    // Without a receiver the wheel does nothing here.
    std::function<void(TPictureScrollBox* sender, int notches)> OnMouseWheel;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool viewportEvent(QEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    // Plain arrows scroll by a line, Page Up and Page Down by the view's height, Home and End
    // to the picture's left and right edges.
    void keyPressEvent(QKeyEvent* event) override;
    void scrolled() override;

private:
    void resetView();
    // Recomputes the ranges; with setPositions the bars take (x, y).
    void setScrollRanges(bool setPositions, int x, int y);
    void paintAll();
    // The picture's pixels of rect, zoomed, with the hooks run and the grid drawn: image (at
    // zoom 1) or zoomed, whichever holds the result.
    [[nodiscard]] const TXBitmap& renderPart(const QRect& rect, TXBitmap& image, TXBitmap& zoomed);
    // The picture's pixels of rect, unzoomed, with OnBeforeZoomPaint run.
    void copyPart(const QRect& rect, TXBitmap& image);
    void blit(const TXBitmap& image, const QPoint& at);
    // Shows the image at the view point: into m_shown only, the screen catching up when its
    // canvas is next asked for. Returns where it went.
    QRect showPart(const TXBitmap& image, const QPoint& at);
    // The same for an unzoomed image, zoomed with the grid on the way.
    QRect showZoomed(const TXBitmap& image, const QPoint& at);
    void ensureScreen();
    // After the screen was replaced or drawn anew: m_shown at least its size, lagging it everywhere.
    void screenRedrawn();
    // Brings the screen up to what m_shown holds newer.
    void syncScreen();

    TEffectsBitmap m_bitmap;
    int m_zoom = 1;
    bool m_showZoomGrid = true;
    bool m_paintingEnabled = true;
    int m_updateCount = 0;
    QPoint m_keptCentre;
    bool m_keptCentreSet = false;
    QSize m_sizeAtBeginUpdate;
    QRect m_visibleRect;
    int m_horzRange = 0;
    int m_vertRange = 0;
    QImage m_pattern;
    TXBitmap m_screen; // what the surface shows
    // What the surface shows in the paint device's format: a 24-bit image would be converted by
    // the paint engine on every paint, in its thread pool. Full paints and the screen canvas's
    // drawings reach it at paint time (m_shownStale: where it lags the screen); partial repaints
    // are converted straight into it, and the screen catches up only when its canvas is asked
    // for (m_screenStale: the bounds of where the screen may lag it, outside m_shownStale).
    QImage m_shown;
    QRegion m_shownStale;
    QRect m_screenStale;
    TXBitmap m_partBuffer;
    TXBitmap m_zoomedBuffer;
    // RepaintRect's buffers, kept so that a stroke's repaints allocate nothing.
    TXBitmap m_rectPart;
    std::vector<std::uint32_t> m_zoomedRows; // showZoomed's block rows
    Qt::MouseButton m_pressedButton = Qt::NoButton;
    bool m_doubleClick = false;
    // The wheel's movement not yet making a whole notch (120 per notch).
    int m_wheelDelta = 0;
};

} // namespace vellum
