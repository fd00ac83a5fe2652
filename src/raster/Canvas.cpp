#include "raster/Canvas.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include <QFontMetrics>
#include <QPainter>

#include "raster/XBitmap.h"

namespace vellum {

namespace {

QColor QtColour(TColor c)
{
    return QColor(GetRValue(c), GetGValue(c), GetBValue(c));
}

// Text layout flags shared by measuring and drawing.
constexpr int kTextFlags = Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap | Qt::TextShowMnemonic;

// Thin lines are dotted three pixels on, three off.
constexpr int kDotRun = 3;

// The picture's rows as a QImage at 96 dots per inch, so font sizes in points map to the same
// pixels everywhere.
QImage ImageOf(TXBitmap& bitmap)
{
    QImage image = bitmap.SharedImage();
    image.setDotsPerMeterX(3780);
    image.setDotsPerMeterY(3780);
    return image;
}

QRect Normalised(int x1, int y1, int x2, int y2)
{
    return QRect(QPoint(std::min(x1, x2), std::min(y1, y2)), QPoint(std::max(x1, x2) - 1, std::max(y1, y2) - 1));
}

// For whole-pixel replication: the source column (or row) of each destination one.
std::vector<int> NearestMap(int destSize, int sourceStart, int sourceSize)
{
    std::vector<int> map(std::size_t(std::max(0, destSize)));
    for (int i = 0; i < destSize; ++i)
        map[std::size_t(i)] = sourceStart + int(std::int64_t(i) * sourceSize / destSize);
    return map;
}

// Copies source pixels (24-bit) into dest through the maps, destination rectangle clipped;
// pixels of `skip` are left out unless skip is clNone.
void CopyMapped(TXBitmap& dest, const QRect& destRect, const TXBitmap& source, const std::vector<int>& columns,
                const std::vector<int>& rows, TColor skip)
{
    const QRect clip = destRect.intersected(dest.BoundsRect());
    const bool skipping = skip != clNone;
    for (int y = clip.top(); y <= clip.bottom(); ++y) {
        const int sy = rows[std::size_t(y - destRect.top())];
        if (sy < 0 || sy >= source.Height())
            continue;
        const std::uint8_t* in = source.ScanLine(sy);
        std::uint8_t* out = dest.ScanLine(y);
        for (int x = clip.left(); x <= clip.right(); ++x) {
            const int sx = columns[std::size_t(x - destRect.left())];
            if (sx < 0 || sx >= source.Width())
                continue;
            const std::uint8_t* p = in + 3 * sx;
            if (skipping && SameColour(ColourOfPixel(p), skip))
                continue;
            std::memcpy(out + 3 * x, p, 3);
        }
    }
}

} // namespace

QFont TCanvas::QtFont() const
{
    QFont font(Font.Name);
    font.setPointSize(std::max(1, Font.Size));
    font.setBold(Font.Bold);
    font.setItalic(Font.Italic);
    font.setUnderline(Font.Underline);
    font.setStrikeOut(Font.StrikeOut);
    return font;
}

void TCanvas::SetupPainter(QPainter& painter) const
{
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setRenderHint(QPainter::TextAntialiasing, false);
    if (Pen.Style == TPenStyle::psClear) {
        painter.setPen(Qt::NoPen);
    } else {
        QPen pen(QtColour(Pen.Color), std::max(1, Pen.Width));
        if (Pen.Style == TPenStyle::psDot && Pen.Width <= 1)
            pen.setDashPattern({qreal(kDotRun), qreal(kDotRun)});
        pen.setCapStyle(Pen.Width > 1 ? Qt::RoundCap : Qt::SquareCap);
        pen.setJoinStyle(Pen.Width > 1 ? Qt::RoundJoin : Qt::MiterJoin);
        painter.setPen(pen);
    }
    painter.setBrush(Brush.Style == TBrushStyle::bsSolid ? QBrush(QtColour(Brush.Color)) : QBrush(Qt::NoBrush));
    if (Pen.Mode == TPenMode::pmNot)
        painter.setCompositionMode(QPainter::RasterOp_NotDestination);
}

void TCanvas::FillRect(const QRect& rect)
{
    if (Brush.Style == TBrushStyle::bsClear || m_bitmap->Empty())
        return;
    const QRect r = rect.normalized().intersected(m_bitmap->BoundsRect());
    std::uint8_t pixel[3];
    StorePixel(pixel, Brush.Color);
    for (int y = r.top(); y <= r.bottom(); ++y) {
        std::uint8_t* out = m_bitmap->ScanLine(y) + 3 * r.left();
        for (int x = r.left(); x <= r.right(); ++x, out += 3)
            std::memcpy(out, pixel, 3);
    }
}

void TCanvas::Rectangle(int x1, int y1, int x2, int y2)
{
    QImage image = ImageOf(*m_bitmap);
    if (image.isNull())
        return;
    QPainter painter(&image);
    SetupPainter(painter);
    const QRect r = Normalised(x1, y1, x2, y2);
    // A stroked QRect covers one pixel more than its size: this keeps the figure inside
    // (x1, y1)-(x2, y2) with the right and bottom edge outside.
    painter.drawRect(QRect(r.topLeft(), QSize(r.width() - 1, r.height() - 1)));
}

void TCanvas::Ellipse(int x1, int y1, int x2, int y2)
{
    QImage image = ImageOf(*m_bitmap);
    if (image.isNull())
        return;
    QPainter painter(&image);
    SetupPainter(painter);
    const QRect r = Normalised(x1, y1, x2, y2);
    painter.drawEllipse(QRect(r.topLeft(), QSize(r.width() - 1, r.height() - 1)));
}

void TCanvas::Polygon(const QPolygon& points)
{
    QImage image = ImageOf(*m_bitmap);
    if (image.isNull() || points.isEmpty())
        return;
    QPainter painter(&image);
    SetupPainter(painter);
    painter.drawPolygon(points, Qt::OddEvenFill);
}

void TCanvas::PlotLinePixel(int x, int y, int index)
{
    if (Pen.Style == TPenStyle::psDot && (index / kDotRun) % 2 == 1)
        return;
    if (x < 0 || y < 0 || x >= m_bitmap->Width() || y >= m_bitmap->Height())
        return;
    std::uint8_t* p = m_bitmap->ScanLine(y) + 3 * x;
    if (Pen.Mode == TPenMode::pmNot) {
        p[0] = static_cast<std::uint8_t>(~p[0]);
        p[1] = static_cast<std::uint8_t>(~p[1]);
        p[2] = static_cast<std::uint8_t>(~p[2]);
    } else {
        StorePixel(p, Pen.Color);
    }
}

void TCanvas::LineTo(int x, int y)
{
    const QPoint from = m_penPos;
    m_penPos = QPoint(x, y);
    if (Pen.Style == TPenStyle::psClear || m_bitmap->Empty())
        return;
    m_bitmap->SetPixelFormat(TPixelFormat::pf24bit);
    if (Pen.Width > 1) {
        QImage image = ImageOf(*m_bitmap);
        QPainter painter(&image);
        SetupPainter(painter);
        painter.drawLine(from, m_penPos);
        return;
    }
    // Thin lines: Bresenham from the pen position up to, not including, the end point, so a
    // chain of LineTo calls touches each joint once.
    int cx = from.x(), cy = from.y();
    const int dx = std::abs(x - cx), dy = -std::abs(y - cy);
    const int sx = cx < x ? 1 : -1, sy = cy < y ? 1 : -1;
    int error = dx + dy;
    for (int index = 0; cx != x || cy != y; ++index) {
        PlotLinePixel(cx, cy, index);
        const int e2 = 2 * error;
        if (e2 >= dy) {
            error += dy;
            cx += sx;
        }
        if (e2 <= dx) {
            error += dx;
            cy += sy;
        }
    }
}

void TCanvas::Draw(int x, int y, const TXBitmap& graphic)
{
    if (graphic.Empty() || m_bitmap->Empty())
        return;
    if (graphic.PixelFormat() != TPixelFormat::pf24bit) {
        TXBitmap converted(graphic);
        converted.SetPixelFormat(TPixelFormat::pf24bit);
        Draw(x, y, converted);
        return;
    }
    const TXBitmap* source = &graphic;
    TXBitmap copy;
    if (&graphic == m_bitmap) {
        copy = graphic;
        source = &copy;
    }
    const QRect destRect(x, y, graphic.Width(), graphic.Height());
    CopyMapped(*m_bitmap, destRect, *source, NearestMap(destRect.width(), 0, graphic.Width()),
               NearestMap(destRect.height(), 0, graphic.Height()),
               graphic.Transparent() ? graphic.TransparentColor() : clNone);
}

void TCanvas::StretchDraw(const QRect& rect, const TXBitmap& graphic)
{
    const QRect r = rect.normalized();
    if (graphic.Empty() || m_bitmap->Empty() || r.isEmpty())
        return;
    if (graphic.PixelFormat() != TPixelFormat::pf24bit || &graphic == m_bitmap) {
        TXBitmap converted(graphic);
        converted.SetPixelFormat(TPixelFormat::pf24bit);
        StretchDraw(r, converted);
        return;
    }
    CopyMapped(*m_bitmap, r, graphic, NearestMap(r.width(), 0, graphic.Width()), NearestMap(r.height(), 0, graphic.Height()),
               graphic.Transparent() ? graphic.TransparentColor() : clNone);
}

void TCanvas::CopyRect(const QRect& dest, const TCanvas& source, const QRect& sourceRect)
{
    const QRect d = dest.normalized();
    const QRect s = sourceRect.normalized();
    if (d.isEmpty() || s.isEmpty() || m_bitmap->Empty() || source.m_bitmap->Empty())
        return;
    TXBitmap copy;
    const TXBitmap* from = source.m_bitmap;
    if (from == m_bitmap || from->PixelFormat() != TPixelFormat::pf24bit) {
        copy = *from;
        copy.SetPixelFormat(TPixelFormat::pf24bit);
        from = &copy;
    }
    CopyMapped(*m_bitmap, d, *from, NearestMap(d.width(), s.left(), s.width()), NearestMap(d.height(), s.top(), s.height()),
               clNone);
}

TColor TCanvas::Pixel(int x, int y) const
{
    if (x < 0 || y < 0 || x >= m_bitmap->Width() || y >= m_bitmap->Height())
        return -1;
    return m_bitmap->PixelColour(x, y);
}

void TCanvas::SetPixel(int x, int y, TColor colour)
{
    if (x < 0 || y < 0 || x >= m_bitmap->Width() || y >= m_bitmap->Height())
        return;
    m_bitmap->SetPixelFormat(TPixelFormat::pf24bit);
    StorePixel(m_bitmap->ScanLine(y) + 3 * x, colour);
}

void TCanvas::FloodFill(int x, int y)
{
    if (x < 0 || y < 0 || x >= m_bitmap->Width() || y >= m_bitmap->Height())
        return;
    m_bitmap->SetPixelFormat(TPixelFormat::pf24bit);
    const TColor target = m_bitmap->PixelColour(x, y);
    const TColor fill = Brush.Color & 0xFFFFFF;
    if (SameColour(target, fill))
        return;
    const int width = m_bitmap->Width();
    const int height = m_bitmap->Height();
    std::uint8_t fillPixel[3];
    StorePixel(fillPixel, fill);
    auto matches = [&](int px, int py) { return SameColour(ColourOfPixel(m_bitmap->ScanLine(py) + 3 * px), target); };
    // Span fill: each stack entry is a seed; its whole run is filled, and the rows above and
    // below are scanned for new seeds.
    std::vector<QPoint> stack{QPoint(x, y)};
    while (!stack.empty()) {
        const QPoint seed = stack.back();
        stack.pop_back();
        const int sy = seed.y();
        if (!matches(seed.x(), sy))
            continue;
        int left = seed.x();
        while (left > 0 && matches(left - 1, sy))
            --left;
        int right = seed.x();
        while (right + 1 < width && matches(right + 1, sy))
            ++right;
        std::uint8_t* row = m_bitmap->ScanLine(sy);
        for (int px = left; px <= right; ++px)
            std::memcpy(row + 3 * px, fillPixel, 3);
        for (int ny : {sy - 1, sy + 1}) {
            if (ny < 0 || ny >= height)
                continue;
            bool inRun = false;
            for (int px = left; px <= right; ++px) {
                const bool m = matches(px, ny);
                if (m && !inRun)
                    stack.emplace_back(px, ny);
                inRun = m;
            }
        }
    }
}

void TCanvas::MeasureText(QRect& rect, const QString& text) const
{
    QImage probe(1, 1, QImage::Format_BGR888);
    probe.setDotsPerMeterX(3780);
    probe.setDotsPerMeterY(3780);
    const QFontMetrics metrics(QtFont(), &probe);
    const int width = rect.width() > 0 ? rect.width() : 1 << 20;
    const QRect bounds = metrics.boundingRect(QRect(rect.left(), rect.top(), width, 1 << 20), kTextFlags, text);
    rect = QRect(rect.topLeft(), bounds.size());
}

QSize TCanvas::TextExtent(const QString& text) const
{
    QRect rect(0, 0, 0, 0);
    MeasureText(rect, text);
    return rect.size();
}

void TCanvas::DrawText(const QRect& rect, const QString& text)
{
    QImage image = ImageOf(*m_bitmap);
    if (image.isNull())
        return;
    QRect extent = rect;
    MeasureText(extent, text);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::TextAntialiasing, false);
    QFont font = QtFont();
    font.setStyleStrategy(QFont::NoAntialias);
    painter.setFont(font);
    painter.setClipRect(rect);
    // An opaque brush paints the text's background, as the text is laid out.
    if (Brush.Style == TBrushStyle::bsSolid)
        painter.fillRect(extent.intersected(rect), QtColour(Brush.Color));
    painter.setPen(QtColour(Font.Color));
    painter.drawText(rect, kTextFlags, text);
}

void BeginRubberBand(TCanvas& canvas, TPenStyle style, int width)
{
    canvas.Pen.Width = width;
    canvas.Pen.Mode = TPenMode::pmNot;
    canvas.Pen.Style = style;
    canvas.Brush.Style = TBrushStyle::bsClear;
}

void EndRubberBand(TCanvas& canvas)
{
    canvas.Pen.Mode = TPenMode::pmCopy;
    canvas.Pen.Style = TPenStyle::psSolid;
    canvas.Brush.Style = TBrushStyle::bsSolid;
}

} // namespace vellum
