#pragma once

#include <QFont>
#include <QPoint>
#include <QPolygon>
#include <QRect>
#include <QString>

#include "raster/Colour.h"

class QPainter;

namespace vellum {

class TXBitmap;

enum class TPenStyle { psSolid, psDot, psClear };
// pmNot turns every drawn pixel into the inverse of the pixel under it, so drawing a figure a
// second time restores the picture exactly.
enum class TPenMode { pmCopy, pmNot };
enum class TBrushStyle { bsSolid, bsClear };

struct TPen {
    TColor Color = clBlack;
    int Width = 1;
    TPenStyle Style = TPenStyle::psSolid;
    TPenMode Mode = TPenMode::pmCopy;
};

struct TBrush {
    TColor Color = clWhite;
    TBrushStyle Style = TBrushStyle::bsSolid;
};

struct TFont {
    QString Name = QStringLiteral("DejaVu Sans");
    int Size = 8; // points, at 96 dots per inch
    bool Bold = false;
    bool Italic = false;
    bool Underline = false;
    bool StrikeOut = false;
    TColor Color = clBlack;
};

// The drawing surface of one TXBitmap, in picture coordinates. Rectangles follow the
// convention of the figures drawn in them: (left, top) is inside, (right, bottom) is the first
// column and row outside. Painting is aliased. Every call works on the picture's own rows.
class TCanvas {
public:
    explicit TCanvas(TXBitmap& bitmap) : m_bitmap(&bitmap) {}

    TPen Pen;
    TBrush Brush;
    TFont Font;

    // Fills the rectangle with the brush (no outline).
    void FillRect(const QRect& rect);
    // Outline in the pen, inside filled with the brush; the pen is centred on the boundary.
    void Rectangle(int x1, int y1, int x2, int y2);
    void Ellipse(int x1, int y1, int x2, int y2);
    // Alternate (even-odd) filling; the fill leaves out the right and bottom boundary.
    void Polygon(const QPolygon& points);
    void MoveTo(int x, int y) { m_penPos = QPoint(x, y); }
    // Draws from the pen position to (x, y), that end point excluded, and moves there.
    void LineTo(int x, int y);
    [[nodiscard]] QPoint PenPos() const { return m_penPos; }

    // Draws graphic with its top-left pixel at (x, y), skipping its transparent colour while
    // it is marked transparent.
    void Draw(int x, int y, const TXBitmap& graphic);
    // Stretches graphic into rect by whole-pixel replication (nearest pixel), honouring its
    // transparency like Draw.
    void StretchDraw(const QRect& rect, const TXBitmap& graphic);
    // Copies source rectangle sourceRect of canvas source into dest, stretching by whole-pixel
    // replication when the sizes differ.
    void CopyRect(const QRect& dest, const TCanvas& source, const QRect& sourceRect);

    // The colour of pixel (x, y); -1 outside the picture.
    [[nodiscard]] TColor Pixel(int x, int y) const;
    void SetPixel(int x, int y, TColor colour);
    // Fills the 4-connected region of exactly the colour at (x, y) with the brush colour.
    void FloodFill(int x, int y);

    // Replaces rect by the extent of text laid out from rect's top-left corner with word wrap
    // at rect's width (a single '&' marks an access key, "&&" is one ampersand).
    void MeasureText(QRect& rect, const QString& text) const;
    void DrawText(const QRect& rect, const QString& text);
    [[nodiscard]] QSize TextExtent(const QString& text) const;

    [[nodiscard]] TXBitmap& Bitmap() const { return *m_bitmap; }
    // Re-points the canvas after its picture moved.
    void Rebind(TXBitmap& bitmap) { m_bitmap = &bitmap; }

private:
    void SetupPainter(QPainter& painter) const;
    [[nodiscard]] QFont QtFont() const;
    void PlotLinePixel(int x, int y, int index);

    TXBitmap* m_bitmap;
    QPoint m_penPos;
};

// Rubber bands: figures drawn with the inverting pen of the width and style, no fill, so
// drawing one again takes it away. EndRubberBand puts the copying solid pen and brush back.
void BeginRubberBand(TCanvas& canvas, TPenStyle style, int width);
void EndRubberBand(TCanvas& canvas);

} // namespace vellum
