#include "selection/PicSelection.h"

#include <algorithm>
#include <cstring>
#include <new>

#include <QTimer>

#include "clipboard/VLClipbrd.h"
#include "raster/Canvas.h"
#include "raster/ColourMatch.h"
#include "raster/MaskRows.h"
#include "raster/MaskedDrawing.h"
#include "raster/PictureCodecs.h"
#include "raster/RegionGrowth.h"
#include "selection/SelectionOutline.h"

namespace vellum {

namespace {

const QString UnusedColourMessage = QStringLiteral("Unable not find a suitable transparent colour");

QString creationError(const QString& inner)
{
    return QStringLiteral("There was an error creating selection. %1").arg(inner);
}

// The part of area (inside the picture) left when the rows and columns of pixels of the key
// colour around the others are cut away; the whole area when it has no other pixel, or when
// those pixels lie in a single row or column.
QRect contentBox(const TXBitmap& picture, const QRect& area, const std::uint8_t key[3])
{
    const int w = area.width();
    const int h = area.height();
    int firstCol = w, lastCol = -1, firstRow = -1, lastRow = -1;
    for (int y = 0; y < h; ++y) {
        const std::uint8_t* row = picture.ScanLine(area.top() + y) + 3 * area.left();
        int first = 0;
        while (first < w && std::memcmp(row + 3 * first, key, 3) == 0)
            ++first;
        if (first == w)
            continue;
        int last = w - 1;
        while (std::memcmp(row + 3 * last, key, 3) == 0)
            --last;
        firstCol = std::min(firstCol, first);
        lastCol = std::max(lastCol, last);
        if (firstRow < 0)
            firstRow = y;
        lastRow = y;
    }
    if (firstRow < 0 || !(firstRow < lastRow && firstCol < lastCol))
        return area;
    return QRect(QPoint(area.left() + firstCol, area.top() + firstRow), QPoint(area.left() + lastCol, area.top() + lastRow));
}

// Copies the picture's pixels of the rectangle (inside the picture) into image.
void copyRect(const TXBitmap& picture, const QRect& r, TXBitmap& image)
{
    image.AllocateUninitialised(r.width(), r.height(), TPixelFormat::pf24bit);
    for (int y = 0; y < r.height(); ++y)
        std::memcpy(image.ScanLine(y), picture.ScanLine(r.top() + y) + 3 * r.left(), 3 * static_cast<std::size_t>(r.width()));
}

} // namespace

bool FindKeyColour(const TXBitmap& picture, const QRect& box, TColor& colour)
{
    if (FindUnusedColourInRect(picture, box.left(), box.top(), box.left() + box.width(), box.top() + box.height(), colour))
        return true;
    // The search refuses a clipped rectangle under two pixels wide or high (a region in the
    // last column, or in a one-pixel picture): look at the box's own pixels instead.
    const QRect own = box.intersected(picture.BoundsRect());
    const int right = std::min(box.left() + box.width(), picture.Width() - 1);
    const int bottom = std::min(box.top() + box.height(), picture.Height() - 1);
    const bool refused = std::max(box.left(), 0) >= right || std::max(box.top(), 0) >= bottom;
    if (!refused || own.isEmpty())
        return false;
    TXBitmap part;
    copyRect(picture, own, part);
    return FindUnusedColour(part, nullptr, colour);
}

// --- base ---------------------------------------------------------------------------------------

TPictureSelection::TPictureSelection(TEffectsBitmap* parent)
    : Parent(parent)
{
    if (parent == nullptr || parent->Empty())
        throw EPicSelectionError(creationError(QStringLiteral("Parent Bitmap is invalid")));
    parent->SetPixelFormat(TPixelFormat::pf24bit);
}

TPictureSelection::~TPictureSelection() = default;

template <typename Step>
void TPictureSelection::construct(Step&& step)
{
    try {
        step();
    } catch (const std::bad_alloc&) {
        throw EPicSelectionError(creationError(EOutOfMemory().message()));
    } catch (const VellumException& e) {
        throw EPicSelectionError(creationError(e.message()));
    }
}

void TPictureSelection::DoChange()
{
    if (OnChange)
        OnChange(this);
}

void TPictureSelection::makeMask()
{
    if (!Mask)
        Mask = std::make_unique<TBool2DArray>();
}

void TPictureSelection::clear()
{
    Image.SetSize(0, Image.Height());
    Outline.Clear();
    if (Mask)
        Mask->Release();
    m_antTimer.reset();
    OutlineZoom = -1;
    Moving = false;
}

void TPictureSelection::TrimToContent()
{
    if (Image.Empty())
        return;
    std::uint8_t key[3];
    StorePixel(key, TransparentColour);
    const QRect keep = contentBox(Image, Image.BoundsRect(), key);
    if (keep == Image.BoundsRect())
        return;
    TEffectsBitmap cut;
    copyRect(Image, keep, cut);
    Image.AssignOpaque(std::move(cut));
    Bounds = QRect(Bounds.topLeft() + keep.topLeft(), keep.size());
}

void TPictureSelection::BuildMask()
{
    if (Image.Empty())
        throw EPicSelectionError(QStringLiteral("Error creating selection MaskArray"));
    makeMask();
    const int w = Image.Width();
    Mask->AllocateUninitialised(w, Image.Height());
    std::uint8_t key[3];
    StorePixel(key, TransparentColour);
    ForEachMaskBand(w, Image.Height(), [&](int y0, int count, std::uint8_t* marks) {
        for (int k = 0; k < count; ++k)
            MarkKeyPixels(Image.ScanLine(y0 + k), w, key, marks + static_cast<std::ptrdiff_t>(k) * w);
        MaskBandFromRows(*Mask, y0, count, marks, static_cast<std::size_t>(w));
    });
}

void TPictureSelection::liftShape(TColor background)
{
    std::uint8_t bg[3];
    StorePixel(bg, background);
    const int w = Image.Width();
    ForEachMaskBand(w, Image.Height(), [&](int y0, int count, std::uint8_t* marks) {
        MaskBandToRows(*Mask, y0, count, 0, w, marks, static_cast<std::size_t>(w));
        for (int k = 0; k < count; ++k) {
            std::uint8_t* row = Parent->ScanLine(Bounds.top() + y0 + k) + 3 * Bounds.left();
            ForEachRun(marks + static_cast<std::ptrdiff_t>(k) * w, w, 0,
                       [&](int first, int end) { FillPixels(row + 3 * first, end - first, bg); });
        }
    });
}

void TPictureSelection::Assign(const TPictureSelection* source)
{
    if (source == nullptr || source == this)
        return;
    Shaped = source->Shaped;
    Parent = source->Parent;
    Image.Assign(source->Image);
    Bounds = source->Bounds;
    if (source->Mask) {
        makeMask();
        Mask->Assign(source->Mask.get());
    } else {
        Mask.reset();
    }
    Transparent = source->Transparent;
    TransparentColour = source->TransparentColour;
    Outline.Assign(source->Outline);
    OutlineZoom = source->OutlineZoom;
    AntPhase = source->AntPhase;
    OnChange = source->OnChange;
}

void TPictureSelection::RestoreFrom(const TXBitmap& image, const QPoint& topLeft, TColor colour)
{
    if (image.Empty())
        throw EPicSelectionError(QStringLiteral("Picture is invalid"));
    // Built aside and taken over only when complete: a failure leaves this selection whole.
    TPictureSelection restored(Parent);
    restored.Image.AssignOpaque(image);
    restored.Bounds = QRect(topLeft, QSize(image.Width(), image.Height()));
    restored.TransparentColour = colour;
    if (colour >= 0) {
        restored.makeMask();
        restored.TrimToContent();
        restored.BuildMask();
    }
    // Nothing below can fail.
    Outline.Clear();
    m_antTimer.reset();
    OutlineZoom = -1;
    Moving = false;
    Shaped = false;
    Image.AssignOpaque(std::move(restored.Image));
    Bounds = restored.Bounds;
    TransparentColour = colour;
    Transparent = colour >= 0;
    Mask = std::move(restored.Mask);
}

bool TPictureSelection::CopyToClipboard()
{
    try {
        if (!TVLClipboard::Exists())
            return false;
        // The store's answer: the window system may refuse to take the data.
        return ClipboardStore().CopyPicture(&Image, HasMask() ? TransparentColour : -1);
    } catch (...) {
        return false;
    }
}

bool TPictureSelection::HitTest(int x, int y) const
{
    const int lx = x - Bounds.left();
    const int ly = y - Bounds.top();
    if (lx < 0 || ly < 0 || lx >= Bounds.width() || ly >= Bounds.height())
        return false;
    if (!Mask || !Mask->InRange(lx, ly))
        return true;
    if (Mask->Column(lx)[ly] == 0)
        return true;
    if (OutlineZoom > 2)
        return false;
    auto opaque = [&](int mx, int my) { return Mask->InRange(mx, my) && Mask->Column(mx)[my] == 0; };
    return opaque(lx - 1, ly) || opaque(lx, ly - 1) || opaque(lx + 1, ly) || opaque(lx, ly + 1);
}

void TPictureSelection::SetTransparentColour(TColor colour)
{
    if (colour == TransparentColour)
        return;
    TransparentColour = colour;
    if (Mask)
        FillMasked(&Image, Mask.get(), colour);
}

void TPictureSelection::FindTransparentColour()
{
    if (!Mask)
        return;
    TColor colour = 0;
    if (!FindUnusedColour(Image, Mask.get(), colour))
        throw EPicSelectionError(UnusedColourMessage);
    SetTransparentColour(colour);
}

void TPictureSelection::Commit()
{
    if (Parent == nullptr || Image.Empty())
        return;
    if (Bounds == Parent->BoundsRect() && Image.BoundsRect() == Parent->BoundsRect()) {
        // The image covers the picture: its transparent places take the picture's pixels and
        // the image becomes the picture, so only those places are written.
        Parent->SetPixelFormat(TPixelFormat::pf24bit);
        Image.SetPixelFormat(TPixelFormat::pf24bit);
        const int w = Image.Width();
        if (Mask) {
            Mask->CheckCovers(w, Image.Height());
            ForEachMaskBand(w, Image.Height(), [&](int y0, int count, std::uint8_t* marks) {
                MaskBandToRows(*Mask, y0, count, 0, w, marks, static_cast<std::size_t>(w));
                for (int k = 0; k < count; ++k) {
                    const std::uint8_t* from = Parent->ScanLine(y0 + k);
                    std::uint8_t* to = Image.ScanLine(y0 + k);
                    ForEachRun(marks + static_cast<std::ptrdiff_t>(k) * w, w, 1, [&](int first, int end) {
                        std::memcpy(to + 3 * first, from + 3 * first, 3 * static_cast<std::size_t>(end - first));
                    });
                }
            });
        }
        Parent->AssignOpaque(std::move(static_cast<TXBitmap&>(Image)));
    } else {
        CommitInto(Parent);
    }
    clear();
    Bounds = QRect();
}

void TPictureSelection::CommitInto(TXBitmap* picture)
{
    if (picture == nullptr || Image.Empty())
        return;
    DrawMaskedBitmap(&Image, picture, Bounds.left(), Bounds.top(), Mask.get());
}

void TPictureSelection::DrawImage(const QRect& rect, TXBitmap& image)
{
    if (Image.Empty() || !Bounds.intersects(rect))
        return;
    DrawMaskedBitmap(&Image, &image, Bounds.left() - rect.left(), Bounds.top() - rect.top(), Mask.get());
}

void TPictureSelection::PaintOutline(const TPixelRows& rows, const QPoint& rowsAt, int zoom, const QRect& selectionRect)
{
    if (Image.Empty())
        return;
    if (zoom != OutlineZoom) {
        OutlineZoom = zoom;
        Outline.Clear();
        if (!Shaped && !Transparent)
            Outline.AddArray().SetRect(0, 0, Bounds.width() * zoom, Bounds.height() * zoom);
        else
            TraceOutline(Mask.get(), Image.Width(), Image.Height(), zoom, Outline);
    }
    Outline.MoveOrigin(selectionRect.topLeft() - rowsAt);
    DrawOutline(rows, Outline, AntPhase);
}

void TPictureSelection::StartAnts(bool stepNow)
{
    m_antTimer = std::make_unique<QTimer>();
    m_antTimer->setInterval(AntInterval);
    QObject::connect(m_antTimer.get(), &QTimer::timeout, [this] { AntStep(); });
    m_antTimer->start();
    if (stepNow)
        AntStep();
}

void TPictureSelection::StopAnts() { m_antTimer.reset(); }

void TPictureSelection::AntStep()
{
    DoChange();
    AntPhase = (AntPhase + 1) % 6;
}

// --- effects --------------------------------------------------------------------------------------

void TPictureSelection::GreyScale()
{
    Image.GreyScale(Mask.get());
    if (Mask)
        SetTransparentColour(RGBColor(255, 0, 0)); // no grey pixel is pure red
}

void TPictureSelection::Negative()
{
    Image.Negative();
    if (Mask)
        TransparentColour = RGBColor(255 - GetRValue(TransparentColour), 255 - GetGValue(TransparentColour),
                                     255 - GetBValue(TransparentColour));
}

void TPictureSelection::Flip()
{
    Image.Flip();
    if (Mask) {
        BuildMask();
        OutlineZoom = -1;
    }
}

void TPictureSelection::Mirror()
{
    Image.Mirror();
    if (Mask) {
        BuildMask();
        OutlineZoom = -1;
    }
}

void TPictureSelection::Brighten(int amount)
{
    if (amount == 0)
        return;
    Image.Brighten(amount, Mask.get());
    FindTransparentColour();
}

void TPictureSelection::GammaCorrect(double gamma)
{
    if (gamma == 1.0)
        return;
    Image.GammaCorrect(gamma, Mask.get());
    FindTransparentColour();
}

void TPictureSelection::Blur(double amount)
{
    if (amount == 0)
        return;
    Image.Blur(amount, Mask.get());
    FindTransparentColour();
}

void TPictureSelection::AdjustRGB(int red, int green, int blue)
{
    if (red == 0 && green == 0 && blue == 0)
        return;
    Image.AdjustRGB(red, green, blue, Mask.get());
    FindTransparentColour();
}

void TPictureSelection::Rotate(int angle)
{
    if (angle <= 0 || Image.Empty())
        return;
    if (!Mask) {
        TColor colour = 0;
        if (!FindUnusedColour(Image, nullptr, colour))
            throw EPicSelectionError(UnusedColourMessage);
        Shaped = true;
        TransparentColour = colour;
        BuildMask();
    }
    Image.Rotate(angle, TransparentColour);
    Bounds.setSize(QSize(Image.Width(), Image.Height()));
    TrimToContent();
    BuildMask();
    OutlineZoom = -1;
}

// --- the four ways to make a selection --------------------------------------------------------------

TRectPictureSelection::TRectPictureSelection(TEffectsBitmap* parent, TColor transparent, TColor background,
                                             const QRect& rect)
    : TPictureSelection(parent)
{
    construct([&] {
        Transparent = transparent >= 0;
        if (Transparent) {
            makeMask();
            TransparentColour = transparent;
        }
        Shaped = false;
        const int x0 = rect.x(), x1 = rect.x() + rect.width();
        const int y0 = rect.y(), y1 = rect.y() + rect.height();
        const int left = std::clamp(std::min(x0, x1), 0, Parent->Width());
        const int right = std::clamp(std::max(x0, x1), 0, Parent->Width());
        const int top = std::clamp(std::min(y0, y1), 0, Parent->Height());
        const int bottom = std::clamp(std::max(y0, y1), 0, Parent->Height());
        if (left >= right || top >= bottom)
            throw EPicSelectionError(QStringLiteral("Invalid selection rectangle."));
        Bounds = QRect(left, top, right - left, bottom - top);
        std::uint8_t bg[3];
        StorePixel(bg, background);
        if (Transparent) {
            std::uint8_t key[3];
            StorePixel(key, TransparentColour);
            Bounds = contentBox(*Parent, Bounds, key);
            if (Bounds == Parent->BoundsRect())
                liftWhole(bg, key);
            else
                liftKeyed(bg, key);
        } else if (Bounds == Parent->BoundsRect()) {
            liftWhole(bg, nullptr);
        } else {
            liftRect(bg);
        }
    });
}

void TRectPictureSelection::liftKeyed(const std::uint8_t background[3], const std::uint8_t key[3])
{
    const int w = Bounds.width();
    Image.AllocateUninitialised(w, Bounds.height(), TPixelFormat::pf24bit);
    Mask->AllocateUninitialised(w, Bounds.height());
    // The image is fresh memory written from the top: another core maps its pages from the end.
    const TPrefaultPixels prefault(Image, TPrefaultPixels::Order::BottomUp);
    // One pass along the rows copies, marks and lifts; nothing in it can fail, so the picture
    // changes only once the image and the mask have their room.
    ForEachMaskBand(w, Bounds.height(), [&](int y0, int count, std::uint8_t* marks) {
        for (int k = 0; k < count; ++k) {
            std::uint8_t* from = Parent->ScanLine(Bounds.top() + y0 + k) + 3 * Bounds.left();
            std::uint8_t* to = Image.ScanLine(y0 + k);
            std::uint8_t* rowMarks = marks + static_cast<std::ptrdiff_t>(k) * w;
            std::memcpy(to, from, 3 * static_cast<std::size_t>(w));
            MarkKeyPixels(to, w, key, rowMarks);
            ForEachRun(rowMarks, w, 0, [&](int first, int end) { FillPixels(from + 3 * first, end - first, background); });
        }
        MaskBandFromRows(*Mask, y0, count, marks, static_cast<std::size_t>(w));
    });
}

void TRectPictureSelection::liftWhole(const std::uint8_t background[3], const std::uint8_t* key)
{
    // The picture's own pixels become the image and the picture gets a new block, background
    // where the selection's opaque pixels were: nothing is copied, and Commit hands the pixels
    // back the same way.
    const int w = Parent->Width();
    TXBitmap place;
    place.AllocateUninitialised(w, Parent->Height(), TPixelFormat::pf24bit);
    // Fresh memory written from the top: another core maps its pages from the end.
    const TPrefaultPixels prefault(place, TPrefaultPixels::Order::BottomUp);
    if (key == nullptr) {
        for (int y = 0; y < place.Height(); ++y)
            FillPixels(place.ScanLine(y), w, background);
    } else {
        Mask->AllocateUninitialised(w, Parent->Height());
        ForEachMaskBand(w, Parent->Height(), [&](int y0, int count, std::uint8_t* marks) {
            for (int k = 0; k < count; ++k) {
                std::uint8_t* rowMarks = marks + static_cast<std::ptrdiff_t>(k) * w;
                std::uint8_t* to = place.ScanLine(y0 + k);
                MarkKeyPixels(Parent->ScanLine(y0 + k), w, key, rowMarks);
                FillPixels(to, w, background);
                ForEachRun(rowMarks, w, 1, [&](int first, int end) { FillPixels(to + 3 * first, end - first, key); });
            }
            MaskBandFromRows(*Mask, y0, count, marks, static_cast<std::size_t>(w));
        });
    }
    Image.AssignOpaque(std::move(static_cast<TXBitmap&>(*Parent)));
    Parent->AssignOpaque(std::move(place));
}

void TRectPictureSelection::liftRect(const std::uint8_t background[3])
{
    const int w = Bounds.width();
    Image.AllocateUninitialised(w, Bounds.height(), TPixelFormat::pf24bit);
    for (int y = 0; y < Bounds.height(); ++y) {
        std::uint8_t* from = Parent->ScanLine(Bounds.top() + y) + 3 * Bounds.left();
        std::memcpy(Image.ScanLine(y), from, 3 * static_cast<std::size_t>(w));
        FillPixels(from, w, background);
    }
}

TFreehandPictureSelection::TFreehandPictureSelection(TEffectsBitmap* parent, TColor transparent, TColor background,
                                                     TPicPointArray& points)
    : TPictureSelection(parent)
{
    construct([&] {
        Shaped = true;
        makeMask();
        TransparentColour = transparent;
        Transparent = transparent >= 0;
        if (points.Count() == 0)
            throw EPicSelectionError(QStringLiteral("Invalid selection points."));
        const TPicPointArray::TBounds b = points.BoundsOf();
        const int left = std::max(b.Left, 0);
        const int top = std::max(b.Top, 0);
        const int right = std::min(b.Right, Parent->Width());
        const int bottom = std::min(b.Bottom, Parent->Height());
        Bounds = QRect(left, top, std::max(right - left, 0), std::max(bottom - top, 0));
        if (!Transparent) {
            TColor colour = 0;
            if (!FindKeyColour(*Parent, Bounds, colour))
                throw EPicSelectionError(QStringLiteral("Unable to find transparent colour."));
            TransparentColour = colour;
        }
        const TColor marker = SameColour(TransparentColour, clBlack) ? clWhite : clBlack;
        if (Bounds.isEmpty())
            throw EPicSelectionError(QStringLiteral("Error creating selection MaskArray"));
        Image.AllocateUninitialised(Bounds.width(), Bounds.height(), TPixelFormat::pf24bit);
        Image.ClearToColour(TransparentColour);
        points.Offset(-left, -top);
        QPolygon polygon;
        polygon.reserve(points.Count());
        for (const QPoint& p : points.Points())
            polygon.append(p);
        TCanvas& canvas = Image.Canvas();
        canvas.Pen.Style = TPenStyle::psClear;
        canvas.Brush.Style = TBrushStyle::bsSolid;
        canvas.Brush.Color = marker;
        canvas.Polygon(polygon);
        std::uint8_t mark[3];
        StorePixel(mark, marker);
        bool enclosed = false;
        for (int y = 0; y < Image.Height(); ++y) {
            std::uint8_t* row = Image.ScanLine(y);
            const std::uint8_t* from = Parent->ScanLine(top + y) + 3 * left;
            for (int x = 0; x < Image.Width(); ++x)
                if (std::memcmp(row + 3 * x, mark, 3) == 0) {
                    std::memcpy(row + 3 * x, from + 3 * x, 3);
                    enclosed = true;
                }
        }
        if (!enclosed) {
            // A path without inside (a straight flick): nothing to lift.
            Image.AssignOpaque(TXBitmap());
            Mask.reset();
            Bounds = QRect();
            return;
        }
        TrimToContent();
        BuildMask();
        liftShape(background);
    });
}

TBitmapPictureSelection::TBitmapPictureSelection(TEffectsBitmap* parent, TColor transparent, const QPoint& topLeft,
                                                 const TXBitmap* picture)
    : TPictureSelection(parent)
{
    place(transparent, topLeft, picture, [&] { Image.AssignOpaque(*picture); });
}

TBitmapPictureSelection::TBitmapPictureSelection(TEffectsBitmap* parent, TColor transparent, const QPoint& topLeft,
                                                 TXBitmap&& picture)
    : TPictureSelection(parent)
{
    place(transparent, topLeft, &picture, [&] { Image.AssignOpaque(std::move(picture)); });
}

template <typename Take>
void TBitmapPictureSelection::place(TColor transparent, const QPoint& topLeft, const TXBitmap* picture, Take&& take)
{
    construct([&] {
        Shaped = false;
        TransparentColour = transparent;
        if (transparent >= 0) {
            Transparent = true;
            makeMask();
        }
        if (picture == nullptr || picture->Empty())
            throw EPicSelectionError(QStringLiteral("Picture is invalid"));
        take();
        Bounds = QRect(topLeft, QSize(Image.Width(), Image.Height()));
        if (transparent >= 0) {
            TrimToContent();
            BuildMask();
        }
    });
}

TMagicWandPictureSelection::TMagicWandPictureSelection(TEffectsBitmap* parent, TColor background, int tolerance,
                                                       const QPoint& start)
    : TPictureSelection(parent)
{
    construct([&] {
        Shaped = true;
        makeMask();
        if (!Parent->BoundsRect().contains(start))
            throw EPicSelectionError(QStringLiteral("Invalid MagicWand start point."));
        TByte2DArray region; // Column(y)[x] != 0: (x, y) joined
        QRect box;
        try {
            box = GrowRegion(*Parent, start.x(), start.y(), tolerance, region, {});
        } catch (...) {
            throw EPicSelectionError(QStringLiteral("MagicWand Error."));
        }
        TColor colour = 0;
        if (!FindKeyColour(*Parent, box, colour))
            throw EPicSelectionError(UnusedColourMessage);
        TransparentColour = colour;
        Bounds = box;
        const int w = box.width();
        Image.AllocateUninitialised(w, box.height(), TPixelFormat::pf24bit);
        Mask->AllocateUninitialised(w, box.height());
        // The image is fresh memory written from the top: another core maps its pages from the end.
        const TPrefaultPixels prefault(Image, TPrefaultPixels::Order::BottomUp);
        std::uint8_t key[3];
        StorePixel(key, colour);
        std::uint8_t bg[3];
        StorePixel(bg, background);
        // One pass along the rows fills image and mask and lifts the region; nothing in it can
        // fail, so the picture changes only once the image and the mask have their room.
        ForEachMaskBand(w, box.height(), [&](int y0, int count, std::uint8_t* marks) {
            for (int k = 0; k < count; ++k) {
                const std::uint8_t* joined = region.Column(box.top() + y0 + k) + box.left();
                std::uint8_t* from = Parent->ScanLine(box.top() + y0 + k) + 3 * box.left();
                std::uint8_t* to = Image.ScanLine(y0 + k);
                std::uint8_t* rowMarks = marks + static_cast<std::ptrdiff_t>(k) * w;
                MarkZeroBytes(joined, w, rowMarks);
                std::memcpy(to, from, 3 * static_cast<std::size_t>(w));
                ForEachRun(rowMarks, w, 1, [&](int first, int end) { FillPixels(to + 3 * first, end - first, key); });
                ForEachRun(rowMarks, w, 0, [&](int first, int end) { FillPixels(from + 3 * first, end - first, bg); });
            }
            MaskBandFromRows(*Mask, y0, count, marks, static_cast<std::size_t>(w));
        });
    });
}

} // namespace vellum
