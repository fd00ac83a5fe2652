#include "document/PaintTools.h"

#include <algorithm>
#include <cstdlib>

#include "document/PictureScrollBx.h"
#include "document/VLChildClasses.h"
#include "document/VLToolVars.h"
#include "raster/Canvas.h"
#include "selection/PicSelection.h"

namespace vellum {

// --- shared ---------------------------------------------------------------------------------------

TEffectsBitmap& TPaintTool::picture() const
{
    return host().PictureScrollBox().Bitmap();
}

void TPaintTool::paintedSegment(const QPoint& from, const QPoint& to, int margin) const
{
    host().PictureScrollBox().RepaintSegment(from.x(), from.y(), to.x(), to.y(), margin);
    host().NotifyChange(chgPicture, true);
}

TColor TPaintTool::buttonColour(const TToolEvent& event)
{
    return event.Left() ? ToolSettings().ForeColour() : ToolSettings().BackColour();
}

TColor TPaintTool::otherColour(const TToolEvent& event)
{
    return event.Left() ? ToolSettings().BackColour() : ToolSettings().ForeColour();
}

// --- Pen ------------------------------------------------------------------------------------------

bool TPenTool::Press(const TToolEvent& event)
{
    TToolSettings& settings = ToolSettings();
    TEffectsBitmap& pic = picture();
    m_last = event.Picture;
    m_width = settings.PenWidth;
    pic.SetPenShape(&settings.PenShape);
    pic.Canvas().Pen.Width = m_width;
    pic.SetPenColour(buttonColour(event));
    pic.PenStroke(m_last.x(), m_last.y(), m_last.x(), m_last.y());
    paintedSegment(m_last, m_last, m_width / 2);
    return true;
}

void TPenTool::Move(const TToolEvent& event)
{
    const QPoint p = event.Picture;
    picture().PenStroke(m_last.x(), m_last.y(), p.x(), p.y());
    paintedSegment(m_last, p, m_width / 2);
    m_last = p;
}

// --- Fill -----------------------------------------------------------------------------------------

bool TFillTool::Press(const TToolEvent& event)
{
    picture().FloodFill(event.Picture.x(), event.Picture.y(), ToolSettings().FillTolerance, buttonColour(event));
    host().PictureScrollBox().Repaint();
    host().NotifyChange(chgPicture, true);
    return false;
}

// --- Special Pen ----------------------------------------------------------------------------------

bool TSpecialPenTool::Press(const TToolEvent& event)
{
    TSpecialPenSettings& settings = ToolSettings().SpecialPen;
    TEffectsBitmap& pic = picture();
    m_smudge = settings.Smudge;
    if (!m_smudge && event.DoubleClick) {
        pic.ReplaceColour(buttonColour(event), otherColour(event), settings.Tolerance);
        host().PictureScrollBox().Refit();
        host().NotifyChange(chgPicture, true);
        return false;
    }
    m_last = event.Picture;
    m_width = settings.Width;
    pic.SetPenShape(&settings.Shape);
    pic.Canvas().Pen.Width = m_width;
    if (!m_smudge) {
        pic.SetPenColour(buttonColour(event));
        pic.SetSecondColour(otherColour(event));
    }
    stroke(m_last);
    return true;
}

void TSpecialPenTool::Move(const TToolEvent& event)
{
    stroke(event.Picture);
}

void TSpecialPenTool::stroke(const QPoint& to)
{
    const TSpecialPenSettings& settings = ToolSettings().SpecialPen;
    if (m_smudge)
        picture().SmudgeStroke(m_last.x(), m_last.y(), to.x(), to.y(), settings.Opacity);
    else
        picture().ReplaceStroke(m_last.x(), m_last.y(), to.x(), to.y(), settings.Tolerance);
    paintedSegment(m_last, to, m_width / 2);
    m_last = to;
}

// --- Spray Can ------------------------------------------------------------------------------------

TSprayCanTool::~TSprayCanTool() = default;

bool TSprayCanTool::Press(const TToolEvent& event)
{
    TSprayCanSettings& settings = ToolSettings().SprayCan;
    TEffectsBitmap& pic = picture();
    pic.Canvas().Pen.Width = settings.Width;
    pic.SetPenShape(&settings.Shape);
    pic.SetPenColour(buttonColour(event));
    m_can = std::make_unique<TSprayCan>(host(), event.Picture.x(), event.Picture.y(), settings.Interval,
                                        settings.Opacity, settings.Diffusion);
    return true;
}

void TSprayCanTool::Move(const TToolEvent& event)
{
    if (m_can) {
        m_can->X = event.Picture.x();
        m_can->Y = event.Picture.y();
    }
}

void TSprayCanTool::Release(const TToolEvent&)
{
    m_can.reset();
}

void TSprayCanTool::Cancel()
{
    if (!m_can)
        return;
    // A failing tick cancels the drag from inside the can's own timer slot: the can goes once
    // that slot has returned.
    m_can->Timer().stop();
    m_can.release()->deleteLater();
}

// --- Shapes ---------------------------------------------------------------------------------------

QRect TShapesTool::TFigure::Rect() const
{
    return QRect(QPoint(std::min(Start.x(), Corner.x()), std::min(Start.y(), Corner.y())),
                 QPoint(std::max(Start.x(), Corner.x()), std::max(Start.y(), Corner.y())));
}

void TShapesTool::Draw(TCanvas& canvas, const TFigure& figure)
{
    canvas.Pen.Width = figure.Width;
    const QPoint& a = figure.Start;
    const QPoint& b = figure.Corner;
    switch (figure.Kind) {
    case TShapeKind::Line:
        canvas.MoveTo(a.x(), a.y());
        canvas.LineTo(b.x(), b.y());
        break;
    case TShapeKind::Square:
    case TShapeKind::Rectangle: canvas.Rectangle(a.x(), a.y(), b.x(), b.y()); break;
    case TShapeKind::Circle:
    case TShapeKind::Ellipse: canvas.Ellipse(a.x(), a.y(), b.x(), b.y()); break;
    }
}

QPoint TShapesTool::Constrained(TShapeKind kind, const QPoint& start, const QPoint& point)
{
    if (kind != TShapeKind::Square && kind != TShapeKind::Circle)
        return point;
    const int s = std::min(std::abs(point.x() - start.x()), std::abs(point.y() - start.y()));
    return {point.x() > start.x() ? start.x() + s : start.x() - s, point.y() > start.y() ? start.y() + s : start.y() - s};
}

bool TShapesTool::Press(const TToolEvent& event)
{
    const TToolSettings& settings = ToolSettings();
    m_left = event.Left();
    m_figure = TFigure{settings.ShapeKind, event.Picture, event.Picture, settings.ShapeWidth};
    m_outlined = false;
    TCanvas& canvas = picture().Canvas();
    BeginRubberBand(canvas, TPenStyle::psSolid, m_figure.Width);
    if (m_figure.Kind == TShapeKind::Line) {
        Draw(canvas, m_figure);
        m_outlined = true;
        host().PictureScrollBox().RepaintRect(m_figure.Rect(), m_figure.Width / 2);
    }
    return true;
}

void TShapesTool::eraseOutline()
{
    if (m_outlined)
        Draw(picture().Canvas(), m_figure);
    m_outlined = false;
}

void TShapesTool::Move(const TToolEvent& event)
{
    TPictureScrollBox& view = host().PictureScrollBox();
    const QRect before = m_figure.Rect();
    eraseOutline();
    m_figure.Corner = Constrained(m_figure.Kind, m_figure.Start, event.Picture);
    Draw(picture().Canvas(), m_figure);
    m_outlined = true;

    // Near an edge the view follows the pointer; a scroll repaints everything in view.
    const QPoint pointer = view.PictureToView(m_figure.Corner);
    const QSize surface = view.viewport()->size();
    const int edge = m_figure.Width;
    auto overshoot = [edge](int at, int size, int position) {
        if (at > size)
            return at - size;
        if (at < edge && position > 0)
            return at - edge;
        return 0;
    };
    const int dx = overshoot(pointer.x(), surface.width(), view.HorzPosition());
    const int dy = overshoot(pointer.y(), surface.height(), view.VertPosition());
    const QPoint position(view.HorzPosition(), view.VertPosition());
    if (dx != 0 || dy != 0)
        view.ScrollBy(dx, dy);
    // A view already at its end does not move: then the outline is repainted here.
    if (position == QPoint(view.HorzPosition(), view.VertPosition())) {
        view.RepaintRect(before.united(m_figure.Rect()), edge / 2);
        host().NotifyChange(chgPicture, true);
    }
}

void TShapesTool::Release(const TToolEvent&)
{
    const TToolSettings& settings = ToolSettings();
    TCanvas& canvas = picture().Canvas();
    EndRubberBand(canvas);
    // The figure in copy mode covers exactly the outline's pixels.
    const TColor colour = m_left ? settings.ForeColour() : settings.BackColour();
    canvas.Pen.Color = colour;
    canvas.Brush.Color = colour;
    canvas.Brush.Style = settings.ShapeFilled && m_figure.Kind != TShapeKind::Line ? TBrushStyle::bsSolid
                                                                                  : TBrushStyle::bsClear;
    Draw(canvas, m_figure);
    canvas.Brush.Style = TBrushStyle::bsSolid;
    m_outlined = false;
    host().PictureScrollBox().RepaintRect(m_figure.Rect(), m_figure.Width / 2);
    // The figure is in the picture even when the moves only scrolled: the document is modified.
    host().NotifyChange(chgPicture, true);
}

void TShapesTool::Cancel()
{
    eraseOutline();
    EndRubberBand(picture().Canvas());
    host().PictureScrollBox().RepaintRect(m_figure.Rect(), m_figure.Width / 2);
}

// --- Text -----------------------------------------------------------------------------------------

bool TTextTool::Press(const TToolEvent&)
{
    if (TDocumentArea* main = host().MainWindow())
        main->PlaceText();
    return false;
}

// --- Dropper --------------------------------------------------------------------------------------

TColor TDropperTool::SeenColour(const QPoint& point) const
{
    if (const TPictureSelection* selection = host().Selection(); selection != nullptr && !selection->Moving) {
        const int lx = point.x() - selection->Bounds.left();
        const int ly = point.y() - selection->Bounds.top();
        if (lx >= 0 && ly >= 0 && lx < selection->Image.Width() && ly < selection->Image.Height()) {
            const bool transparent = selection->HasMask() && selection->Mask->InRange(lx, ly)
                                     && selection->Mask->Column(lx)[ly] != 0;
            if (!transparent)
                return selection->Image.PixelColour(lx, ly);
        }
    }
    const TEffectsBitmap& pic = host().PictureScrollBox().Bitmap();
    if (point.x() < 0 || point.y() < 0 || point.x() >= pic.Width() || point.y() >= pic.Height())
        return -1;
    return pic.PixelColour(point.x(), point.y());
}

bool TDropperTool::Press(const TToolEvent& event)
{
    // The floating selection is committed by now: the picture holds what the user saw.
    const TColor colour = SeenColour(event.Picture);
    if (colour < 0)
        return false;
    TDocumentArea* main = host().MainWindow();
    if (event.Left()) {
        if (main != nullptr)
            main->SetForegroundColour(colour, true);
        else
            ToolSettings().SetForeColour(colour);
    } else {
        if (main != nullptr)
            main->SetBackgroundColour(colour, true);
        else
            ToolSettings().SetBackColour(colour);
    }
    return false;
}

void TDropperTool::Hover(const TToolEvent& event)
{
    TDocumentArea* main = host().MainWindow();
    if (main == nullptr || !host().PictureScrollBox().PtInPicture(event.Picture.x(), event.Picture.y()))
        return;
    main->ShowColourReadout(SeenColour(event.Picture));
}

void TDropperTool::Leave()
{
    if (TDocumentArea* main = host().MainWindow())
        main->HideColourReadout();
}

} // namespace vellum
