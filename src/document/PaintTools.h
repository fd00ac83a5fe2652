#pragma once

#include <memory>

#include "document/SprayCan.h"
#include "document/Tool.h"

namespace vellum {

class TCanvas;
class TEffectsBitmap;

// The painting tools: each press records undo and commits a floating selection first (the
// document does both), then paints into the picture with the button's colour: the foreground
// for the left button, the background for any other.
class TPaintTool : public TVLTool {
public:
    using TVLTool::TVLTool;

protected:
    [[nodiscard]] TEffectsBitmap& picture() const;
    // Repaints the segment's rectangle grown by margin + 1 and reports a changed picture.
    void paintedSegment(const QPoint& from, const QPoint& to, int margin) const;
    [[nodiscard]] static TColor buttonColour(const TToolEvent& event);
    [[nodiscard]] static TColor otherColour(const TToolEvent& event);
};

// Freehand strokes of the pen's shape and width.
class TPenTool : public TPaintTool {
public:
    using TPaintTool::TPaintTool;
    bool Press(const TToolEvent& event) override;
    void Move(const TToolEvent& event) override;

private:
    QPoint m_last;
    int m_width = 1;
};

// Fills the region around the press.
class TFillTool : public TPaintTool {
public:
    using TPaintTool::TPaintTool;
    bool Press(const TToolEvent& event) override;
};

// Smudges, or replaces the button's colour by the other one along the stroke; a double click
// with "Colour Replace" replaces it over the whole picture.
class TSpecialPenTool : public TPaintTool {
public:
    using TPaintTool::TPaintTool;
    bool Press(const TToolEvent& event) override;
    void Move(const TToolEvent& event) override;

private:
    void stroke(const QPoint& to);
    QPoint m_last;
    bool m_smudge = false;
    int m_width = 1;
};

// Sprays while the button is held: the spray can lives from the press to the release.
class TSprayCanTool : public TPaintTool {
public:
    using TPaintTool::TPaintTool;
    ~TSprayCanTool() override;
    bool Press(const TToolEvent& event) override;
    void Move(const TToolEvent& event) override;
    void Release(const TToolEvent& event) override;
    void Cancel() override;
    [[nodiscard]] TSprayCan* SprayCan() const { return m_can.get(); }

private:
    std::unique_ptr<TSprayCan> m_can;
};

// Lines, squares, rectangles, circles and ellipses. While the button is held the outline is
// drawn into the picture with the inverting pen; the release draws the figure in the button's
// colour, a press of another button takes the outline away.
class TShapesTool : public TPaintTool {
public:
    using TPaintTool::TPaintTool;
    [[nodiscard]] bool CancelOnPress() const override { return true; }
    bool Press(const TToolEvent& event) override;
    void Move(const TToolEvent& event) override;
    void Release(const TToolEvent& event) override;
    void Cancel() override;

    // A figure as drawn: its kind, start and far corner (picture coordinates) and pen width.
    struct TFigure {
        TShapeKind Kind = TShapeKind::Line;
        QPoint Start;
        QPoint Corner;
        int Width = 1;
        [[nodiscard]] QRect Rect() const;
    };
    // Draws the figure with the canvas's pen and brush as they are.
    static void Draw(TCanvas& canvas, const TFigure& figure);
    // The corner a move to point gives: squares and circles keep equal sides.
    [[nodiscard]] static QPoint Constrained(TShapeKind kind, const QPoint& start, const QPoint& point);

private:
    // Takes the outline last drawn out of the picture, if there is one.
    void eraseOutline();
    TFigure m_figure;
    bool m_outlined = false;
    bool m_left = true;
};

// Asks for a text and places it (the main window's Add Text flow).
class TTextTool : public TVLTool {
public:
    using TVLTool::TVLTool;
    [[nodiscard]] bool RecordsUndo() const override { return false; }
    [[nodiscard]] TSelectionPrelude Prelude() const override { return TSelectionPrelude::Leave; }
    bool Press(const TToolEvent& event) override;
};

// Picks the colour under the pointer; every move shows it in the main window's read-out.
class TDropperTool : public TVLTool {
public:
    using TVLTool::TVLTool;
    [[nodiscard]] bool RecordsUndo() const override { return false; }
    bool Press(const TToolEvent& event) override;
    void Hover(const TToolEvent& event) override;
    void Leave() override;
    // What the user sees at the picture point: the floating selection's pixel where it covers
    // the point, else the picture's; -1 outside both.
    [[nodiscard]] TColor SeenColour(const QPoint& point) const;
};

} // namespace vellum
