#include "document/PictureScrollBx.h"

#include <algorithm>
#include <cstring>

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QWheelEvent>

#include "raster/Canvas.h"
#include "raster/RgbRows.h"

namespace vellum {

namespace {

// The pattern shown where no picture is; a neutral checker when the artwork is missing.
QImage backgroundPattern()
{
    QImage pattern(QStringLiteral(":/images/noncanvas.png"));
    if (pattern.isNull()) {
        pattern = QImage(8, 8, QImage::Format_RGB32);
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x)
                pattern.setPixel(x, y, ((x / 4 + y / 4) % 2) ? qRgb(200, 200, 200) : qRgb(168, 168, 168));
    }
    return pattern;
}

// Restores a flag when the scope ends, also on exceptions.
class FlagScope {
public:
    FlagScope(bool& flag, bool value) : m_flag(flag), m_old(flag) { m_flag = value; }
    ~FlagScope() { m_flag = m_old; }
    FlagScope(const FlagScope&) = delete;
    FlagScope& operator=(const FlagScope&) = delete;

private:
    bool& m_flag;
    bool m_old;
};

} // namespace

// --- TIdleScrollBox -----------------------------------------------------------------------------

TIdleScrollBox::TIdleScrollBox(QWidget* parent)
    : QAbstractScrollArea(parent)
{
    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
}

void TIdleScrollBox::scrollContentsBy(int dx, int dy)
{
    if (m_settingRanges)
        return;
    if (OnScrolling)
        OnScrolling(this, dx, dy);
    scrolled();
    if (OnScroll)
        OnScroll(this);
}

// --- TPictureScrollBox --------------------------------------------------------------------------

TPictureScrollBox::TPictureScrollBox(QWidget* parent)
    : TIdleScrollBox(parent)
    , m_pattern(backgroundPattern())
{
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    viewport()->setMouseTracking(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
}

TPictureScrollBox::~TPictureScrollBox() = default;

void TPictureScrollBox::resetView()
{
    m_zoom = 1;
    {
        FlagScope quiet(m_settingRanges, true);
        horizontalScrollBar()->setValue(0);
        verticalScrollBar()->setValue(0);
    }
    setScrollRanges(true, 0, 0);
    m_paintingEnabled = true;
    paintAll();
}

void TPictureScrollBox::SetBitmap(const TXBitmap* picture)
{
    m_paintingEnabled = false;
    if (picture == nullptr) {
        static_cast<TXBitmap&>(m_bitmap) = TXBitmap();
    } else {
        m_bitmap.Assign(*picture);
        m_bitmap.SetPixelFormat(TPixelFormat::pf24bit);
    }
    resetView();
}

void TPictureScrollBox::SetBitmap(TXBitmap&& picture)
{
    m_paintingEnabled = false;
    static_cast<TXBitmap&>(m_bitmap) = std::move(picture);
    m_bitmap.SetPixelFormat(TPixelFormat::pf24bit);
    resetView();
}

bool TPictureScrollBox::NewPicture(int width, int height, TColor colour)
{
    m_paintingEnabled = false;
    try {
        TXBitmap picture(width, height);
        for (int y = 0; y < height; ++y) {
            std::uint8_t* row = picture.ScanLine(y);
            for (int x = 0; x < width; ++x)
                StorePixel(row + 3 * x, colour);
        }
        static_cast<TXBitmap&>(m_bitmap) = std::move(picture);
        resetView();
        return true;
    } catch (const std::exception&) {
        m_paintingEnabled = true;
        return false;
    }
}

bool TPictureScrollBox::LoadFromFile(const QString& fileName, ForceBitmap forceBitmap)
{
    m_paintingEnabled = false;
    try {
        m_bitmap.LoadPicture(fileName, forceBitmap);
        m_bitmap.SetPixelFormat(TPixelFormat::pf24bit);
        resetView();
        return true;
    } catch (const std::exception&) {
        m_paintingEnabled = true;
        return false;
    }
}

bool TPictureScrollBox::Assign(const TXBitmap* picture)
{
    if (picture == nullptr || picture->Empty())
        return false;
    try {
        SetBitmap(picture);
        return true;
    } catch (const std::exception&) {
        m_paintingEnabled = true;
        return false;
    }
}

bool TPictureScrollBox::SetZoom(int zoom, int centreX, int centreY)
{
    if (zoom < MinZoom || zoom > MaxZoom)
        return false;
    m_zoom = zoom;
    CentreOn(centreX, centreY);
    return true;
}

void TPictureScrollBox::SetShowZoomGrid(bool show)
{
    if (show == m_showZoomGrid)
        return;
    m_showZoomGrid = show;
    if (m_zoom >= GridZoom)
        Repaint();
}

QPoint TPictureScrollBox::ViewToPicture(const QPoint& view) const
{
    return {(view.x() + Snap(HorzPosition())) / m_zoom, (view.y() + Snap(VertPosition())) / m_zoom};
}

QPoint TPictureScrollBox::PictureToView(const QPoint& picture) const
{
    return {picture.x() * m_zoom - Snap(HorzPosition()), picture.y() * m_zoom - Snap(VertPosition())};
}

QRect TPictureScrollBox::PictureToView(const QRect& picture) const
{
    const QPoint topLeft = PictureToView(picture.topLeft());
    return {topLeft, QSize(picture.width() * m_zoom, picture.height() * m_zoom)};
}

bool TPictureScrollBox::PtInPicture(int x, int y) const
{
    return x >= 0 && x < m_bitmap.Width() && y >= 0 && y < m_bitmap.Height();
}

int TPictureScrollBox::HorzPosition() const
{
    return horizontalScrollBar()->value();
}

int TPictureScrollBox::VertPosition() const
{
    return verticalScrollBar()->value();
}

int TPictureScrollBox::ZoomForBand(int bandWidth, int bandHeight, const QSize& available, int zoom,
                                   Qt::MouseButton button)
{
    if (bandWidth <= 10 || bandHeight <= 10)
        return button == Qt::LeftButton ? zoom + 1 : zoom - 1;
    return std::min({available.width() / bandWidth, available.height() / bandHeight, MaxZoom});
}

int TPictureScrollBox::CentreScrollX(int x) const
{
    const int surface = viewport()->width();
    const int extent = m_bitmap.Width() * m_zoom;
    const int p = std::max(x * m_zoom - surface / 2, 0);
    return p + surface < extent ? p : std::max(extent - surface, 0);
}

int TPictureScrollBox::CentreScrollY(int y) const
{
    const int surface = viewport()->height();
    const int extent = m_bitmap.Height() * m_zoom;
    const int p = std::max(y * m_zoom - surface / 2, 0);
    return p + surface < extent ? p : std::max(extent - surface, 0);
}

void TPictureScrollBox::setScrollRanges(bool setPositions, int x, int y)
{
    FlagScope quiet(m_settingRanges, true);
    const int border = 2 * frameWidth();
    const int scrollBar = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
    int usableWidth = width() - border;
    int usableHeight = height() - border;
    const int pictureWidth = m_bitmap.Width() * m_zoom;
    const int pictureHeight = m_bitmap.Height() * m_zoom;
    if (usableHeight < pictureHeight)
        usableWidth -= scrollBar;
    const bool showHorz = usableWidth < pictureWidth;
    if (showHorz)
        usableHeight -= scrollBar;
    const bool showVert = usableHeight < pictureHeight;

    // A range one picture pixel longer when the page is not a whole number of them, so that
    // the last column can come fully into view.
    auto range = [this](int usable, int pixels) {
        return usable % m_zoom != 0 ? (pixels + 1) * m_zoom : pixels * m_zoom;
    };
    m_horzRange = showHorz ? range(usableWidth, m_bitmap.Width()) : 0;
    m_vertRange = showVert ? range(usableHeight, m_bitmap.Height()) : 0;

    auto configure = [&](QScrollBar* bar, bool show, int rangeExtent, int page, int position) {
        bar->setRange(0, show ? std::max(0, rangeExtent - page) : 0);
        bar->setSingleStep(m_zoom);
        bar->setPageStep(8 * m_zoom);
        if (!show)
            bar->setValue(0);
        else if (setPositions)
            bar->setValue(position);
    };
    setHorizontalScrollBarPolicy(showHorz ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(showVert ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    configure(horizontalScrollBar(), showHorz, m_horzRange, usableWidth, x);
    configure(verticalScrollBar(), showVert, m_vertRange, usableHeight, y);
}

void TPictureScrollBox::CentreOn(int x, int y)
{
    {
        FlagScope noPaint(m_paintingEnabled, false);
        if (x < 0)
            x = (m_visibleRect.left() + m_visibleRect.left() + m_visibleRect.width()) / 2;
        if (y < 0)
            y = (m_visibleRect.top() + m_visibleRect.top() + m_visibleRect.height()) / 2;
        if (m_updateCount == 1) {
            m_keptCentre = QPoint(x, y);
            m_keptCentreSet = true;
            return;
        }
        if (m_updateCount > 1)
            return;
        // Twice: showing or hiding a bar changes the surface the centring is measured on.
        setScrollRanges(true, CentreScrollX(x), CentreScrollY(y));
        setScrollRanges(true, CentreScrollX(x), CentreScrollY(y));
    }
    paintAll();
}

void TPictureScrollBox::ScrollBy(int dx, int dy)
{
    {
        FlagScope noPaint(m_paintingEnabled, false);
        if (isVisible()) {
            QScrollBar* horz = horizontalScrollBar();
            QScrollBar* vert = verticalScrollBar();
            horz->setValue(std::clamp(horz->value() + dx, 0, horz->maximum()));
            vert->setValue(std::clamp(vert->value() + dy, 0, vert->maximum()));
        }
    }
    if (m_updateCount == 0)
        paintAll();
}

void TPictureScrollBox::BeginUpdate()
{
    if (++m_updateCount == 1) {
        m_keptCentre = QPoint((m_visibleRect.left() + m_visibleRect.left() + m_visibleRect.width()) / 2,
                              (m_visibleRect.top() + m_visibleRect.top() + m_visibleRect.height()) / 2);
        m_keptCentreSet = false;
        m_sizeAtBeginUpdate = QSize(m_bitmap.Width(), m_bitmap.Height());
    }
}

void TPictureScrollBox::EndUpdate()
{
    if (m_updateCount == 1) {
        const bool resized = m_sizeAtBeginUpdate != QSize(m_bitmap.Width(), m_bitmap.Height());
        m_updateCount = 0;
        if (m_keptCentreSet || resized) {
            setScrollRanges(true, CentreScrollX(m_keptCentre.x()), CentreScrollY(m_keptCentre.y()));
            setScrollRanges(true, CentreScrollX(m_keptCentre.x()), CentreScrollY(m_keptCentre.y()));
        }
        paintAll();
        return;
    }
    m_updateCount = std::max(0, m_updateCount - 1);
}

void TPictureScrollBox::Repaint()
{
    if (m_updateCount == 0 && m_paintingEnabled)
        paintAll();
}

void TPictureScrollBox::Refit()
{
    if (m_updateCount > 0)
        return;
    setScrollRanges(false, 0, 0);
    paintAll();
}

// The screen covers at least the surface; after a full paint it may be the rendered part itself,
// up to one zoomed pixel larger than the surface.
void TPictureScrollBox::ensureScreen()
{
    const QSize size = viewport()->size();
    if (m_screen.Width() < size.width() || m_screen.Height() < size.height()) {
        m_screen = TXBitmap(std::max(size.width(), 0), std::max(size.height(), 0));
        screenRedrawn();
    }
}

void TPictureScrollBox::screenRedrawn()
{
    const QRect bounds(0, 0, m_screen.Width(), m_screen.Height());
    if (m_shown.width() < bounds.width() || m_shown.height() < bounds.height())
        m_shown = QImage(bounds.size(), QImage::Format_RGB32);
    m_screenStale = QRect();
    m_shownStale = QRegion(bounds);
}

void TPictureScrollBox::syncScreen()
{
    if (m_screenStale.isEmpty())
        return;
    const QRegion back = QRegion(m_screenStale) - m_shownStale;
    m_screenStale = QRect();
    for (const QRect& r : back)
        for (int y = r.top(); y <= r.bottom(); ++y)
            CopyRgb32ToBgr(reinterpret_cast<const std::uint32_t*>(m_shown.constScanLine(y)) + r.left(),
                           m_screen.ScanLine(y) + 3 * r.left(), r.width());
}

namespace {
// Gives the picture the size, keeping its block when the size is the same already.
void reuse(TXBitmap& image, int width, int height)
{
    if (image.Width() != width || image.Height() != height || image.PixelFormat() != TPixelFormat::pf24bit)
        image.AllocateUninitialised(width, height, TPixelFormat::pf24bit);
}

TPixelRows rowsOf(TXBitmap& image)
{
    return {image.ScanLine(0), image.BytesPerLine(), image.Width(), image.Height(), false};
}
} // namespace

void TPictureScrollBox::copyPart(const QRect& rect, TXBitmap& image)
{
    reuse(image, rect.width(), rect.height());
    const std::size_t rowBytes = 3 * static_cast<std::size_t>(rect.width());
    for (int y = 0; y < rect.height(); ++y)
        std::memcpy(image.ScanLine(y), m_bitmap.ScanLine(rect.top() + y) + 3 * rect.left(), rowBytes);
    if (OnBeforeZoomPaint)
        OnBeforeZoomPaint(this, image, rect);
}

const TXBitmap& TPictureScrollBox::renderPart(const QRect& rect, TXBitmap& image, TXBitmap& zoomed)
{
    copyPart(rect, image);
    if (m_zoom == 1) {
        if (OnPainting)
            OnPainting(this, rowsOf(image), PictureToView(rect.topLeft()));
        return image;
    }

    // Each picture pixel becomes a Z x Z block: one zoomed row is built, then repeated. With the
    // grid (one-pixel inverting lines on the first column and row of every block, inverted
    // twice and so unchanged where they cross) a block's first row is the built row inverted
    // but at the crossings, and its other rows are the built row inverted on the grid columns.
    const int z = m_zoom;
    reuse(zoomed, rect.width() * z, rect.height() * z);
    const std::size_t zoomedBytes = 3 * static_cast<std::size_t>(zoomed.Width());
    const bool grid = m_showZoomGrid && z >= GridZoom;
    auto invertColumns = [&](std::uint8_t* row) {
        for (std::size_t i = 0; i < zoomedBytes; i += 3 * static_cast<std::size_t>(z)) {
            row[i] = static_cast<std::uint8_t>(~row[i]);
            row[i + 1] = static_cast<std::uint8_t>(~row[i + 1]);
            row[i + 2] = static_cast<std::uint8_t>(~row[i + 2]);
        }
    };
    for (int y = 0; y < rect.height(); ++y) {
        const std::uint8_t* src = image.ScanLine(y);
        std::uint8_t* first = zoomed.ScanLine(y * z);
        ZoomRow(src, rect.width(), z, first);
        std::uint8_t* second = zoomed.ScanLine(y * z + 1);
        std::memcpy(second, first, zoomedBytes);
        if (grid)
            invertColumns(second);
        for (int k = 2; k < z; ++k)
            std::memcpy(zoomed.ScanLine(y * z + k), second, zoomedBytes);
        if (grid) {
            std::size_t i = 0;
            for (; i + 8 <= zoomedBytes; i += 8) {
                std::uint64_t v;
                std::memcpy(&v, first + i, 8);
                v = ~v;
                std::memcpy(first + i, &v, 8);
            }
            for (; i < zoomedBytes; ++i)
                first[i] = static_cast<std::uint8_t>(~first[i]);
            invertColumns(first);
        }
    }
    if (OnPainting)
        OnPainting(this, rowsOf(zoomed), PictureToView(rect.topLeft()));
    return zoomed;
}

// Copies the image into the screen at the view point, clipped to the screen.
void TPictureScrollBox::blit(const TXBitmap& image, const QPoint& at)
{
    const QRect target =
        QRect(at, QSize(image.Width(), image.Height())) & QRect(0, 0, m_screen.Width(), m_screen.Height());
    if (target.isEmpty())
        return;
    const std::size_t bytes = 3 * static_cast<std::size_t>(target.width());
    for (int y = target.top(); y <= target.bottom(); ++y)
        std::memcpy(m_screen.ScanLine(y) + 3 * target.left(), image.ScanLine(y - at.y()) + 3 * (target.left() - at.x()),
                    bytes);
}

QRect TPictureScrollBox::showPart(const TXBitmap& image, const QPoint& at)
{
    const QRect target =
        QRect(at, QSize(image.Width(), image.Height())) & QRect(0, 0, m_screen.Width(), m_screen.Height());
    if (target.isEmpty())
        return target;
    std::uint8_t* shown = m_shown.bits();
    const qsizetype shownStride = m_shown.bytesPerLine();
    for (int y = target.top(); y <= target.bottom(); ++y)
        CopyBgrToRgb32(image.ScanLine(y - at.y()) + 3 * (target.left() - at.x()),
                       reinterpret_cast<std::uint32_t*>(shown + y * shownStride) + target.left(), target.width());
    if (!m_shownStale.isEmpty())
        m_shownStale -= target;
    m_screenStale |= target;
    return target;
}

QRect TPictureScrollBox::showZoomed(const TXBitmap& image, const QPoint& at)
{
    const int z = m_zoom;
    const int width = image.Width() * z;
    const QRect target =
        QRect(at, QSize(width, image.Height() * z)) & QRect(0, 0, m_screen.Width(), m_screen.Height());
    if (target.isEmpty())
        return target;
    // One row of blocks per picture row, copied to the block's view rows. With the grid (as in
    // renderPart) a block's first row is the plain row inverted but on the grid columns, its
    // other rows the plain row inverted on them.
    const bool grid = m_showZoomGrid && z >= GridZoom;
    m_zoomedRows.resize(static_cast<std::size_t>(grid ? 2 : 1) * width);
    std::uint32_t* plain = m_zoomedRows.data();
    std::uint32_t* first = grid ? plain + width : plain;
    constexpr std::uint32_t Colour = 0x00FFFFFFu;
    std::uint8_t* shown = m_shown.bits();
    const qsizetype shownStride = m_shown.bytesPerLine();
    const std::size_t bytes = 4 * static_cast<std::size_t>(target.width());
    const int skip = target.left() - at.x();
    for (int y = 0; y < image.Height(); ++y) {
        const int top = at.y() + y * z;
        const int from = std::max(top, target.top());
        const int to = std::min(top + z - 1, target.bottom());
        if (from > to)
            continue;
        ZoomRowToRgb32(image.ScanLine(y), image.Width(), z, plain);
        if (grid) {
            for (int i = 0; i < width; ++i)
                first[i] = plain[i] ^ Colour;
            for (int i = 0; i < width; i += z) {
                first[i] ^= Colour;
                plain[i] ^= Colour;
            }
        }
        for (int row = from; row <= to; ++row)
            std::memcpy(shown + row * shownStride + 4 * static_cast<qsizetype>(target.left()),
                        (row == top ? first : plain) + skip, bytes);
    }
    if (!m_shownStale.isEmpty())
        m_shownStale -= target;
    m_screenStale |= target;
    return target;
}

void TPictureScrollBox::paintAll()
{
    ensureScreen();
    QImage screen = m_screen.SharedImage();
    if (m_bitmap.Empty()) {
        QPainter(&screen).fillRect(screen.rect(), QBrush(m_pattern));
        screenRedrawn();
        viewport()->update();
        return;
    }
    try {
        const int left = std::max(HorzPosition() / m_zoom, 0);
        const int top = std::max(VertPosition() / m_zoom, 0);
        const QSize surface = viewport()->size();
        const int right = std::min(surface.width() / m_zoom + left + 1, m_bitmap.Width());
        const int bottom = std::min(surface.height() / m_zoom + top + 1, m_bitmap.Height());
        m_visibleRect = QRect(QPoint(left, top), QPoint(right - 1, bottom - 1));
        if (!m_visibleRect.isEmpty()) {
            // The render buffers are kept between full paints: no allocation per paint.
            const TXBitmap& part = renderPart(m_visibleRect, m_partBuffer, m_zoomedBuffer);
            if (part.Width() >= surface.width() && part.Height() >= surface.height()) {
                // The part covers the surface: it becomes the screen, and the old screen the
                // next render buffer. No copy.
                std::swap(m_screen, &part == &m_partBuffer ? m_partBuffer : m_zoomedBuffer);
            } else {
                // The pattern right of and below the picture; the picture at the top-left.
                QPainter painter(&screen);
                painter.fillRect(QRect(part.Width(), 0, screen.width() - part.Width(), part.Height()), QBrush(m_pattern));
                painter.fillRect(QRect(0, part.Height(), screen.width(), screen.height() - part.Height()),
                                 QBrush(m_pattern));
                painter.end();
                blit(part, QPoint(0, 0));
            }
        }
    } catch (const std::exception&) {
        // What could be drawn stays; the owner still hears of the paint.
    }
    screenRedrawn();
    viewport()->update();
    if (OnPaint)
        OnPaint(this);
}

void TPictureScrollBox::RepaintRect(const QRect& rect, int margin)
{
    if (m_updateCount > 0 || m_bitmap.Empty())
        return;
    const int grow = margin + 1;
    const QRect r = rect.normalized().adjusted(-grow, -grow, grow, grow) & m_visibleRect;
    if (r.isEmpty())
        return;
    ensureScreen();
    try {
        // Zoomed once, straight into the shown image, and drawn over there.
        const QRect view = PictureToView(r);
        copyPart(r, m_rectPart);
        const QRect shown = m_zoom > 1 ? showZoomed(m_rectPart, view.topLeft()) : showPart(m_rectPart, view.topLeft());
        if (OnPainting && !shown.isEmpty()) {
            const TPixelRows rows{m_shown.bits() + shown.top() * m_shown.bytesPerLine() + 4 * shown.left(),
                                  m_shown.bytesPerLine(), shown.width(), shown.height(), true};
            OnPainting(this, rows, shown.topLeft());
        }
        viewport()->update(view);
    } catch (const std::exception&) {
    }
}

void TPictureScrollBox::RepaintSegment(int x1, int y1, int x2, int y2, int margin)
{
    RepaintRect(QRect(QPoint(std::min(x1, x2), std::min(y1, y2)), QPoint(std::max(x1, x2), std::max(y1, y2))),
                margin);
}

TCanvas& TPictureScrollBox::ScreenCanvas()
{
    ensureScreen();
    syncScreen();
    return m_screen.Canvas();
}

void TPictureScrollBox::ShowScreen(const QRect& viewRect)
{
    const QRect bounds(0, 0, m_screen.Width(), m_screen.Height());
    // Parts where the screen lags (repainted since its canvas was asked for) keep what is shown.
    m_shownStale += QRegion(viewRect.isNull() ? bounds : viewRect & bounds) - QRegion(m_screenStale);
    if (viewRect.isNull())
        viewport()->update();
    else
        viewport()->update(viewRect);
}

void TPictureScrollBox::scrolled()
{
    if (m_paintingEnabled && m_updateCount == 0)
        paintAll();
}

void TPictureScrollBox::paintEvent(QPaintEvent* event)
{
    QPainter painter(viewport());
    if (m_screen.Empty()) {
        painter.fillRect(event->rect(), QBrush(m_pattern));
        return;
    }
    // Whole picture pixels on every screen: no smoothing when the device pixels are finer.
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    const QRect screen(0, 0, m_screen.Width(), m_screen.Height());
    for (const QRect& exposed : event->region()) {
        const QRect r = exposed & screen;
        if (r.isEmpty())
            continue;
        if (!m_shownStale.isEmpty()) {
            for (const QRect& lagging : m_shownStale & r)
                for (int y = lagging.top(); y <= lagging.bottom(); ++y)
                    CopyBgrToRgb32(m_screen.ScanLine(y) + 3 * lagging.left(),
                                   reinterpret_cast<std::uint32_t*>(m_shown.scanLine(y)) + lagging.left(),
                                   lagging.width());
            m_shownStale -= r;
        }
        painter.drawImage(r, m_shown, r);
    }
    // A surface grown since the last full paint shows the pattern until the next.
    const QRegion uncovered = event->region() - screen;
    for (const QRect& rest : uncovered)
        painter.fillRect(rest, QBrush(m_pattern));
}

void TPictureScrollBox::resizeEvent(QResizeEvent* event)
{
    TIdleScrollBox::resizeEvent(event);
    if (m_updateCount > 0)
        return;
    setScrollRanges(false, 0, 0);
    if (m_paintingEnabled)
        paintAll();
    if (OnEndResize)
        OnEndResize(this);
}

bool TPictureScrollBox::viewportEvent(QEvent* event)
{
    auto mouse = [&](const TMouseEvent& handler) {
        if (!handler)
            return;
        const auto* e = static_cast<QMouseEvent*>(event);
        const QPoint p = e->position().toPoint();
        handler(this, e->button(), e->modifiers(), p.x(), p.y());
    };
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        m_pressedButton = static_cast<QMouseEvent*>(event)->button();
        mouse(OnMouseDown);
        return true;
    case QEvent::MouseMove:
        mouse(OnMouseMove);
        return true;
    case QEvent::MouseButtonRelease: {
        mouse(OnMouseUp);
        const bool click = static_cast<QMouseEvent*>(event)->button() == m_pressedButton
                           && viewport()->rect().contains(static_cast<QMouseEvent*>(event)->position().toPoint());
        m_pressedButton = Qt::NoButton;
        if (click && OnClick)
            OnClick(this);
        return true;
    }
    case QEvent::MouseButtonDblClick:
        m_pressedButton = static_cast<QMouseEvent*>(event)->button();
        m_doubleClick = true;
        mouse(OnMouseDown);
        m_doubleClick = false;
        if (OnDblClick)
            OnDblClick(this);
        return true;
    case QEvent::Enter:
        if (OnEnter)
            OnEnter(this);
        break;
    case QEvent::Leave:
        if (OnExit)
            OnExit(this);
        break;
    default:
        break;
    }
    return TIdleScrollBox::viewportEvent(event);
}

void TPictureScrollBox::wheelEvent(QWheelEvent* event)
{
    const QPoint delta = event->angleDelta();
    // Shift with the wheel, or a sideways wheel, scrolls sideways; the plain wheel zooms.
    const bool sideways = (event->modifiers() & Qt::ShiftModifier) || (delta.y() == 0 && delta.x() != 0);
    if (sideways) {
        const int amount = delta.y() != 0 ? delta.y() : delta.x();
        const int pixels = amount * QApplication::wheelScrollLines() * horizontalScrollBar()->singleStep() / 120;
        if (pixels != 0)
            ScrollBy(-pixels, 0);
        event->accept();
        return;
    }
    if (!OnMouseWheel) {
        event->ignore();
        return;
    }
    // Touchpads and fine wheels send parts of a notch: they add up to whole notches.
    m_wheelDelta += delta.y();
    const int notches = m_wheelDelta / 120;
    m_wheelDelta -= notches * 120;
    if (notches != 0)
        OnMouseWheel(this, notches);
    event->accept();
}

void TPictureScrollBox::keyPressEvent(QKeyEvent* event)
{
    // Keys with modifiers are the document's (Ctrl and an arrow move a floating selection).
    if ((event->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier) {
        event->ignore();
        return;
    }
    const int line = m_zoom;
    switch (event->key()) {
    case Qt::Key_Left: ScrollBy(-line, 0); break;
    case Qt::Key_Right: ScrollBy(line, 0); break;
    case Qt::Key_Up: ScrollBy(0, -line); break;
    case Qt::Key_Down: ScrollBy(0, line); break;
    case Qt::Key_PageUp: ScrollBy(0, -viewport()->height()); break;
    case Qt::Key_PageDown: ScrollBy(0, viewport()->height()); break;
    case Qt::Key_Home: ScrollBy(-HorzPosition(), 0); break;
    case Qt::Key_End: ScrollBy(horizontalScrollBar()->maximum() - HorzPosition(), 0); break;
    default: event->ignore(); return;
    }
    event->accept();
}

} // namespace vellum
