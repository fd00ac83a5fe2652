#include "selection/SelectionOutline.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "raster/ArrayObjects.h"
#include "raster/XBitmap.h"

namespace vellum {

namespace {

enum Edge : std::uint8_t { eLeft = 1, eTop = 2, eRight = 4, eBottom = 8 };

// One byte per pixel, row by row: the edges of each opaque pixel that border the outside.
class EdgeFlags {
public:
    EdgeFlags(const TBool2DArray* mask, int width, int height)
        : m_width(width), m_height(height), m_flags(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0)
    {
        auto opaque = [&](int x, int y) {
            return x >= 0 && y >= 0 && x < width && y < height && (mask == nullptr || mask->Column(x)[y] == 0);
        };
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                if (!opaque(x, y))
                    continue;
                std::uint8_t f = 0;
                if (!opaque(x - 1, y))
                    f |= eLeft;
                if (!opaque(x, y - 1))
                    f |= eTop;
                if (!opaque(x + 1, y))
                    f |= eRight;
                if (!opaque(x, y + 1))
                    f |= eBottom;
                at(x, y) = f;
            }
    }

    [[nodiscard]] std::uint8_t& at(int x, int y) { return m_flags[static_cast<std::size_t>(y) * m_width + x]; }
    [[nodiscard]] std::uint8_t get(int x, int y) const
    {
        if (x < 0 || y < 0 || x >= m_width || y >= m_height)
            return 0;
        return m_flags[static_cast<std::size_t>(y) * m_width + x];
    }
    [[nodiscard]] int width() const { return m_width; }
    [[nodiscard]] int height() const { return m_height; }

private:
    int m_width;
    int m_height;
    std::vector<std::uint8_t> m_flags;
};

void traceChains(EdgeFlags& flags, TPicSelectionPoints& outline)
{
    static constexpr int Steps[8][2] = {{0, -1}, {1, -1}, {1, 0}, {1, 1}, {0, 1}, {-1, 1}, {-1, 0}, {-1, -1}};
    for (int y = 0; y < flags.height(); ++y)
        for (int x = 0; x < flags.width(); ++x) {
            if (flags.get(x, y) == 0)
                continue;
            TPicPointArray& chain = outline.AddArray();
            int cx = x, cy = y;
            for (;;) {
                flags.at(cx, cy) = 0;
                chain.Add(QPoint(cx, cy));
                bool moved = false;
                for (const auto& s : Steps)
                    if (flags.get(cx + s[0], cy + s[1]) != 0) {
                        cx += s[0];
                        cy += s[1];
                        moved = true;
                        break;
                    }
                if (!moved)
                    break;
            }
        }
}

struct EdgePos {
    int x;
    int y;
    Edge edge;
};

// The ends of an edge walked clockwise, on the zoomed grid.
QPoint edgeStart(const EdgePos& e, int z)
{
    switch (e.edge) {
    case eLeft: return {e.x * z, (e.y + 1) * z - 1};
    case eTop: return {e.x * z, e.y * z};
    case eRight: return {(e.x + 1) * z - 1, e.y * z};
    default: return {(e.x + 1) * z - 1, (e.y + 1) * z - 1};
    }
}

QPoint edgeEnd(const EdgePos& e, int z)
{
    switch (e.edge) {
    case eLeft: return {e.x * z, e.y * z};
    case eTop: return {(e.x + 1) * z - 1, e.y * z};
    case eRight: return {(e.x + 1) * z - 1, (e.y + 1) * z - 1};
    default: return {e.x * z, (e.y + 1) * z - 1};
    }
}

// Where the lines of two meeting edges cross: one is vertical, the other horizontal.
QPoint corner(const EdgePos& from, const EdgePos& to, int z)
{
    const bool fromVertical = from.edge == eLeft || from.edge == eRight;
    const QPoint a = edgeStart(from, z);
    const QPoint b = edgeStart(to, z);
    return fromVertical ? QPoint(a.x(), b.y()) : QPoint(b.x(), a.y());
}

void traceContours(EdgeFlags& flags, int z, TPicSelectionPoints& outline)
{
    auto has = [&](const EdgePos& e) { return (flags.get(e.x, e.y) & e.edge) != 0; };
    for (int y = 0; y < flags.height(); ++y)
        for (int x = 0; x < flags.width(); ++x)
            for (const Edge bit : {eLeft, eTop, eRight, eBottom}) {
                if ((flags.get(x, y) & bit) == 0)
                    continue;
                TPicPointArray& contour = outline.AddArray();
                EdgePos e{x, y, bit};
                contour.Add(edgeStart(e, z));
                for (;;) {
                    flags.at(e.x, e.y) &= static_cast<std::uint8_t>(~e.edge);
                    EdgePos convex{}, straight{}, concave{};
                    switch (e.edge) {
                    case eLeft:
                        convex = {e.x, e.y, eTop};
                        straight = {e.x, e.y - 1, eLeft};
                        concave = {e.x - 1, e.y - 1, eBottom};
                        break;
                    case eTop:
                        convex = {e.x, e.y, eRight};
                        straight = {e.x + 1, e.y, eTop};
                        concave = {e.x + 1, e.y - 1, eLeft};
                        break;
                    case eRight:
                        convex = {e.x, e.y, eBottom};
                        straight = {e.x, e.y + 1, eRight};
                        concave = {e.x + 1, e.y + 1, eTop};
                        break;
                    default:
                        convex = {e.x, e.y, eLeft};
                        straight = {e.x - 1, e.y, eBottom};
                        concave = {e.x - 1, e.y + 1, eRight};
                        break;
                    }
                    if (has(convex)) {
                        contour.Add(corner(e, convex, z));
                        e = convex;
                    } else if (has(straight)) {
                        e = straight;
                    } else if (has(concave)) {
                        contour.Add(corner(e, concave, z));
                        e = concave;
                    } else {
                        contour.Add(edgeEnd(e, z));
                        break;
                    }
                }
            }
}

// The dash of a polyline's pixels, counted from its start: m = (k - phase) mod 6, white below 3.
class Dash {
public:
    explicit Dash(int phase) : m_m(((-phase) % 6 + 6) % 6) {}
    [[nodiscard]] int At(int ahead) const { return (m_m + ahead) % 6; }
    void Advance(int steps) { m_m = At(steps); }

private:
    int m_m;
};

// The dash's white and black as the rows' pixels.
struct DashPixels {
    explicit DashPixels(const TPixelRows& rows) : size(rows.Rgb32 ? 4 : 3)
    {
        if (rows.Rgb32) {
            const std::uint32_t w = 0xFFFFFFFFu, k = 0xFF000000u;
            std::memcpy(white, &w, 4);
            std::memcpy(black, &k, 4);
        } else {
            StorePixel(white, clWhite);
            StorePixel(black, clBlack);
        }
    }
    [[nodiscard]] const std::uint8_t* At(int m) const { return m < 3 ? white : black; }
    std::uint8_t white[4] = {};
    std::uint8_t black[4] = {};
    std::size_t size;
};

void plot(const TPixelRows& rows, const DashPixels& pixels, int x, int y, int m)
{
    if (x < 0 || y < 0 || x >= rows.Width || y >= rows.Height)
        return;
    std::memcpy(rows.Pixel(x, y), pixels.At(m), pixels.size);
}

// The steps [first, end) of a walk from a along one axis (direction -1, 0 or 1) that stay
// inside [0, size).
void clipSteps(int a, int direction, int size, int& first, int& end)
{
    if (direction > 0) {
        first = std::max(first, -a);
        end = std::min(end, size - a);
    } else if (direction < 0) {
        first = std::max(first, a - size + 1);
        end = std::min(end, a + 1);
    } else if (a < 0 || a >= size) {
        end = first;
    }
}

// Steps 0 to n - 1 of a segment along an axis from a: only the visible ones are written, the
// dash advancing through the others.
void drawStraight(const TPixelRows& rows, const DashPixels& pixels, const QPoint& a, int dx, int dy, int n,
                  const Dash& dash)
{
    int first = 0, end = n;
    clipSteps(a.x(), dx, rows.Width, first, end);
    clipSteps(a.y(), dy, rows.Height, first, end);
    if (first >= end)
        return;
    std::uint8_t* start = rows.Pixel(a.x() + dx * first, a.y() + dy * first);
    // A fixed pixel size, so that each copy is one plain store.
    auto walk = [&]<std::size_t Size>() {
        const std::ptrdiff_t step = static_cast<std::ptrdiff_t>(Size) * dx + dy * rows.Stride;
        std::uint8_t* p = start;
        int m = dash.At(first);
        for (int i = first; i < end; ++i, p += step) {
            std::memcpy(p, pixels.At(m), Size);
            if (++m == 6)
                m = 0;
        }
    };
    if (pixels.size == 4)
        walk.template operator()<4>();
    else
        walk.template operator()<3>();
}

} // namespace

void TraceOutline(const TBool2DArray* mask, int width, int height, int zoom, TPicSelectionPoints& outline)
{
    outline.Clear();
    if (width <= 0 || height <= 0)
        return;
    EdgeFlags flags(mask, width, height);
    if (zoom <= 1)
        traceChains(flags, outline);
    else
        traceContours(flags, zoom, outline);
}

void DrawOutline(const TPixelRows& rows, const TPicSelectionPoints& outline, int phase)
{
    const DashPixels pixels(rows);
    for (int i = 0; i < outline.Count(); ++i) {
        const std::vector<QPoint>& points = outline.Array(i).Points();
        if (points.empty())
            continue;
        Dash dash(phase);
        for (std::size_t s = 0; s + 1 < points.size(); ++s) {
            const QPoint a = points[s];
            const QPoint d = points[s + 1] - a;
            const int n = std::max(std::abs(d.x()), std::abs(d.y()));
            if (d.x() == 0 || d.y() == 0) {
                // Along an axis (every segment of rectangles and contours): no rounding.
                drawStraight(rows, pixels, a, (d.x() > 0) - (d.x() < 0), (d.y() > 0) - (d.y() < 0), n, dash);
                dash.Advance(n);
                continue;
            }
            const bool alongX = std::abs(d.x()) >= std::abs(d.y());
            for (int step = 0; step < n; ++step) {
                // Nearest pixel on the minor axis, halves to even (the default rounding mode).
                if (alongX) {
                    const int dx = d.x() > 0 ? step : -step;
                    const auto dy = static_cast<int>(std::lrint(static_cast<double>(step) * d.y() / n));
                    plot(rows, pixels, a.x() + dx, a.y() + dy, dash.At(step));
                } else {
                    const int dy = d.y() > 0 ? step : -step;
                    const auto dx = static_cast<int>(std::lrint(static_cast<double>(step) * d.x() / n));
                    plot(rows, pixels, a.x() + dx, a.y() + dy, dash.At(step));
                }
            }
            dash.Advance(n);
        }
        plot(rows, pixels, points.back().x(), points.back().y(), dash.At(0));
    }
}

void DrawOutline(TXBitmap& image, const TPicSelectionPoints& outline, int phase)
{
    image.SetPixelFormat(TPixelFormat::pf24bit);
    if (image.Empty())
        return;
    DrawOutline(TPixelRows{image.ScanLine(0), image.BytesPerLine(), image.Width(), image.Height(), false}, outline,
                phase);
}

} // namespace vellum
