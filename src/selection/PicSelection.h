#pragma once

#include <functional>
#include <memory>

#include <QPoint>
#include <QRect>

#include "raster/ArrayObjects.h"
#include "raster/EffectsBitmap.h"
#include "raster/RgbRows.h"
#include "selection/PicPointArray.h"
#include "selection/PicSelectionError.h"

class QTimer;

namespace vellum {

// A floating selection: pixels lifted out of a document's picture (Parent, not owned) into an
// image of its own that lies above the picture at Bounds (picture coordinates, possibly partly
// or wholly outside the picture) until it is committed back or discarded. With a mask (true =
// outside the shape) every transparent image pixel holds TransparentColour and no opaque one
// does; every operation keeps that so.
class TPictureSelection {
public:
    using TChangeEvent = std::function<void(TPictureSelection* sender)>;
    static constexpr int AntInterval = 400; // milliseconds

    // An empty selection on the picture; raises "There was an error creating selection. Parent
    // Bitmap is invalid" for a missing or empty picture.
    explicit TPictureSelection(TEffectsBitmap* parent);
    virtual ~TPictureSelection();
    TPictureSelection(const TPictureSelection&) = delete;
    TPictureSelection& operator=(const TPictureSelection&) = delete;

    TEffectsBitmap* Parent = nullptr;
    TEffectsBitmap Image;
    // Left and top inclusive; width and height are the image's.
    QRect Bounds;
    bool Shaped = false;
    bool Transparent = false;
    TColor TransparentColour = 0;
    std::unique_ptr<TBool2DArray> Mask;
    TPicSelectionPoints Outline;
    int OutlineZoom = -1;
    int AntPhase = 0;
    // Raised on every ant step; the document repaints the bounds.
    TChangeEvent OnChange;
    bool Moving = false;
    int GrabX = 0;
    int GrabY = 0;

    [[nodiscard]] bool HasMask() const { return Mask != nullptr; }
    [[nodiscard]] bool AntsRunning() const { return m_antTimer != nullptr; }

    virtual void DoChange();
    // Copies everything but the ant timer and the drag state; nothing for a missing source.
    virtual void Assign(const TPictureSelection* source);
    // Becomes a plain (colour < 0) or colour-keyed selection of the image at the top-left. A
    // failure (an empty image, memory) raises and leaves the selection as it was.
    virtual void RestoreFrom(const TXBitmap& image, const QPoint& topLeft, TColor colour);
    // Puts the image on the clipboard store, tagged with the transparent colour when masked;
    // false instead of raising.
    virtual bool CopyToClipboard();

    // Picture coordinates. At zoom 2 or less (or before any outline) a shaped selection is also
    // hit one pixel outside its edge.
    [[nodiscard]] bool HitTest(int x, int y) const;
    void MoveTo(int x, int y) { Bounds.moveTo(x, y); }
    void OffsetBy(int dx, int dy) { Bounds.translate(dx, dy); }
    void SetTransparentColour(TColor colour);
    // The lowest colour no opaque pixel has becomes the transparent colour; raises
    // "Unable not find a suitable transparent colour" when there is none.
    void FindTransparentColour();

    // Draws the selection into its parent at its place, masked, clipped, and empties the
    // selection. An image exactly over the whole parent becomes the parent's pixel block (its
    // transparent places first take the parent's pixels) instead of being copied.
    void Commit();
    // Draws the selection into the picture at its place, masked, clipped; the selection stays.
    void CommitInto(TXBitmap* picture);
    // The part inside rect (picture coordinates) drawn into image, which shows rect at 1:1.
    void DrawImage(const QRect& rect, TXBitmap& image);
    // The outline for the zoom, shifted to the selection's place in rows (view coordinates of
    // the rows' first pixel and the selection's view rectangle), drawn with the current phase.
    void PaintOutline(const TPixelRows& rows, const QPoint& rowsAt, int zoom, const QRect& selectionRect);

    void StartAnts(bool stepNow);
    void StopAnts();
    void AntStep();

    // Image effects; the mask, where present, keeps transparent pixels out of them.
    void GreyScale();
    void Negative();
    void Flip();
    void Mirror();
    void Brighten(int amount);
    void GammaCorrect(double gamma);
    void Blur(double amount);
    void AdjustRGB(int red, int green, int blue);
    void Rotate(int angle);

protected:
    // Empties image, outline and mask and stops the ants.
    void clear();
    // Cuts the image to the box of its pixels that are not TransparentColour.
    void TrimToContent();
    // The mask from the image: true where a pixel is TransparentColour.
    void BuildMask();
    void makeMask();
    // Every parent pixel under an opaque pixel of the (masked) selection becomes background.
    void liftShape(TColor background);
    // Runs a construction step; any failure becomes "There was an error creating selection. %s".
    template <typename Step>
    void construct(Step&& step);

private:
    std::unique_ptr<QTimer> m_antTimer;
};

// A rectangle (right and bottom exclusive, any corner order) lifted out of the picture, the
// place filled with background; with a transparent colour (>= 0) only the other pixels.
class TRectPictureSelection : public TPictureSelection {
public:
    TRectPictureSelection(TEffectsBitmap* parent, TColor transparent, TColor background, const QRect& rect);

private:
    void liftKeyed(const std::uint8_t background[3], const std::uint8_t key[3]);
    // key: none for a plain selection.
    void liftWhole(const std::uint8_t background[3], const std::uint8_t* key);
    void liftRect(const std::uint8_t background[3]);
};

// The polygon through the points (picture coordinates, shifted into the selection's own by
// this constructor) lifted out of the picture. A polygon that encloses no pixel lifts nothing
// and leaves the selection empty (no image).
class TFreehandPictureSelection : public TPictureSelection {
public:
    TFreehandPictureSelection(TEffectsBitmap* parent, TColor transparent, TColor background, TPicPointArray& points);
};

// A picture placed above the parent, which is not touched (paste, undo).
class TBitmapPictureSelection : public TPictureSelection {
public:
    TBitmapPictureSelection(TEffectsBitmap* parent, TColor transparent, const QPoint& topLeft, const TXBitmap* picture);
    // Takes over the picture's pixels (a 24-bit picture is not copied); the picture is left
    // empty or unchanged.
    TBitmapPictureSelection(TEffectsBitmap* parent, TColor transparent, const QPoint& topLeft, TXBitmap&& picture);

private:
    template <typename Take>
    void place(TColor transparent, const QPoint& topLeft, const TXBitmap* picture, Take&& take);
};

// The region of colours within tolerance of the start point's, grown as the flood fill grows.
class TMagicWandPictureSelection : public TPictureSelection {
public:
    TMagicWandPictureSelection(TEffectsBitmap* parent, TColor background, int tolerance, const QPoint& start);
};

// The key colour for a selection's box (right and bottom exclusive): the lowest colour the
// picture lacks within the box grown by one column and row. When that search refuses a box
// whose clipped form is under two pixels wide or high, the lowest colour the box itself lacks.
[[nodiscard]] bool FindKeyColour(const TXBitmap& picture, const QRect& box, TColor& colour);

} // namespace vellum
