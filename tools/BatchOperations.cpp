// The operations vellum-batch offers, in the order --help lists them. Each entry names the
// operation, describes its arguments and applies it to the 24-bit picture.
#include "BatchCommand.h"

#include <cmath>
#include <limits>

#include "raster/Canvas.h"
#include "raster/EffectsBitmap.h"
#include "raster/PenMask.h"
#include "raster/ScaleDown.h"
#include "raster/XBitmap.h"
#include "selection/PicSelection.h"

namespace vellum::batch {

namespace {

double parseNumber(const QString& text)
{
    bool ok = false;
    const double value = text.toDouble(&ok);
    if (!ok || !std::isfinite(value))
        throw EBatchUsage(QStringLiteral("\"%1\" is not a number").arg(text));
    return value;
}

// Percentages, as the effects take them; far beyond the dialogs' -100 to 100, still bounded.
int parsePercent(const QString& text)
{
    return ParseInteger(text, -100000, 100000);
}

// Runs an effect on the picture as a TEffectsBitmap; the picture keeps whatever the effect did,
// also when it fails.
template <typename Effect>
void withEffects(TXBitmap& picture, Effect&& effect)
{
    TEffectsBitmap effects(std::move(picture));
    try {
        effect(effects);
    } catch (...) {
        picture = std::move(effects);
        throw;
    }
    picture = std::move(effects);
}

int parseCoordinate(const QString& text)
{
    return ParseInteger(text, std::numeric_limits<int>::min(), std::numeric_limits<int>::max());
}

int parseSide(const QString& text)
{
    return ParseInteger(text, 1, kMaxPictureSide);
}

// Readies the picture's pen as the painting tools do: shape built with BuildPenShape (shape
// 0 to 4), canvas pen width, pen mask and colour.
void preparePen(TEffectsBitmap& e, const QString& shapeText, const QString& widthText, TColor colour)
{
    const int shapeKind = ParseInteger(shapeText, PenShapeRound, PenShapeRightSlash);
    const int width = ParseInteger(widthText, 1, 4096);
    TXBitmap shape;
    BuildPenShape(shape, shapeKind, width);
    e.Canvas().Pen.Width = width;
    e.SetPenShape(&shape);
    e.SetPenColour(colour);
}

} // namespace

const std::vector<TBatchOperation>& Operations()
{
    static const std::vector<TBatchOperation> operations = {
        {QStringLiteral("grey"), QString(), QStringLiteral("grey scale"), 0, 0,
         [](TXBitmap& p, const QStringList&) { withEffects(p, [](TEffectsBitmap& e) { e.GreyScale(); }); },
         [](TPictureSelection& sel, const QStringList&) { sel.GreyScale(); }},
        {QStringLiteral("negative"), QString(), QStringLiteral("negative image"), 0, 0,
         [](TXBitmap& p, const QStringList&) { withEffects(p, [](TEffectsBitmap& e) { e.Negative(); }); },
         [](TPictureSelection& sel, const QStringList&) { sel.Negative(); }},
        {QStringLiteral("brighten"), QStringLiteral("P"), QStringLiteral("brightness by P percent (-100 to 100)"), 1,
         1,
         [](TXBitmap& p, const QStringList& a) {
             const int percent = parsePercent(a[0]);
             withEffects(p, [&](TEffectsBitmap& e) { e.Brighten(percent); });
         },
         [](TPictureSelection& sel, const QStringList& a) { sel.Brighten(parsePercent(a[0])); }},
        {QStringLiteral("rgb"), QStringLiteral("R,G,B"), QStringLiteral("RGB balance in percent (-100 to 100 each)"),
         3, 3,
         [](TXBitmap& p, const QStringList& a) {
             const int r = parsePercent(a[0]);
             const int g = parsePercent(a[1]);
             const int b = parsePercent(a[2]);
             withEffects(p, [&](TEffectsBitmap& e) { e.AdjustRGB(r, g, b); });
         },
         [](TPictureSelection& sel, const QStringList& a) {
             const int r = parsePercent(a[0]);
             const int g = parsePercent(a[1]);
             const int b = parsePercent(a[2]);
             sel.AdjustRGB(r, g, b);
         }},
        {QStringLiteral("gamma"), QStringLiteral("F"), QStringLiteral("gamma correction by factor F (0 to 4.99)"), 1, 1,
         [](TXBitmap& p, const QStringList& a) {
             const double factor = parseNumber(a[0]);
             withEffects(p, [&](TEffectsBitmap& e) { e.GammaCorrect(factor); });
         },
         [](TPictureSelection& sel, const QStringList& a) { sel.GammaCorrect(parseNumber(a[0])); }},
        {QStringLiteral("blur"), QStringLiteral("R"), QStringLiteral("Gaussian blur of radius R (0 to 20)"), 1, 1,
         [](TXBitmap& p, const QStringList& a) {
             const double radius = parseNumber(a[0]);
             withEffects(p, [&](TEffectsBitmap& e) { e.Blur(radius); });
         },
         [](TPictureSelection& sel, const QStringList& a) { sel.Blur(parseNumber(a[0])); }},
        {QStringLiteral("replace"), QStringLiteral("FROM,TO,TOL"),
         QStringLiteral("colours within TOL (0 to 255) of FROM become TO"), 3, 3,
         [](TXBitmap& p, const QStringList& a) {
             const TColor from = ParseColour(a[0]);
             const TColor to = ParseColour(a[1]);
             const int tolerance = ParseInteger(a[2], 0, 255);
             withEffects(p, [&](TEffectsBitmap& e) { e.ReplaceColour(from, to, tolerance); });
         }},
        {QStringLiteral("fill"), QStringLiteral("X,Y,TOL,COLOUR"),
         QStringLiteral("flood fill from (X, Y) within TOL (0 to 255) of its colour"), 4, 4,
         [](TXBitmap& p, const QStringList& a) {
             const int x = ParseInteger(a[0], std::numeric_limits<int>::min(), std::numeric_limits<int>::max());
             const int y = ParseInteger(a[1], std::numeric_limits<int>::min(), std::numeric_limits<int>::max());
             const int tolerance = ParseInteger(a[2], 0, 255);
             const TColor colour = ParseColour(a[3]);
             if (x < 0 || y < 0 || x >= p.Width() || y >= p.Height())
                 throw VellumException(QStringLiteral("fill: the point (%1, %2) lies outside the %3 x %4 picture")
                                           .arg(x)
                                           .arg(y)
                                           .arg(p.Width())
                                           .arg(p.Height()));
             withEffects(p, [&](TEffectsBitmap& e) { e.FloodFill(x, y, tolerance, colour); });
         }},
        {QStringLiteral("flip"), QString(), QStringLiteral("upside down"), 0, 0,
         [](TXBitmap& p, const QStringList&) { withEffects(p, [](TEffectsBitmap& e) { e.Flip(); }); },
         [](TPictureSelection& sel, const QStringList&) { sel.Flip(); }},
        {QStringLiteral("mirror"), QString(), QStringLiteral("left to right"), 0, 0,
         [](TXBitmap& p, const QStringList&) { withEffects(p, [](TEffectsBitmap& e) { e.Mirror(); }); },
         [](TPictureSelection& sel, const QStringList&) { sel.Mirror(); }},
        {QStringLiteral("rotate"), QStringLiteral("A,BG"),
         QStringLiteral("clockwise by A degrees, corners in colour BG"), 2, 2,
         [](TXBitmap& p, const QStringList& a) {
             const int angle = parseCoordinate(a[0]);
             const TColor background = ParseColour(a[1]);
             withEffects(p, [&](TEffectsBitmap& e) { e.Rotate(angle, background); });
         },
         [](TPictureSelection& sel, const QStringList& a) {
             const int angle = parseCoordinate(a[0]);
             (void)ParseColour(a[1]); // a rotated selection fills its corners with its own key
             sel.Rotate(angle);
         }},
        {QStringLiteral("resize"), QStringLiteral("W,H"), QStringLiteral("nearest-neighbour scaling to W x H"), 2, 2,
         [](TXBitmap& p, const QStringList& a) {
             const int width = parseSide(a[0]);
             const int height = parseSide(a[1]);
             withEffects(p, [&](TEffectsBitmap& e) { e.Resize(width, height); });
         },
         {}, false, {},
         [](const TXBitmap& p, const QStringList& a, const QString& fileName) {
             const int width = parseSide(a[0]);
             const int height = parseSide(a[1]);
             return SaveResizedBmp(p, width, height, fileName);
         },
         [](const QString& input, const QStringList& a, const QString& fileName) -> std::optional<TStreamedTimes> {
             // The file is looked at before the arguments, as a load comes before the operation.
             const std::unique_ptr<TBmpRowReader> source = TBmpRowReader::Open(input);
             if (!source)
                 return std::nullopt;
             const int width = parseSide(a[0]);
             const int height = parseSide(a[1]);
             return SaveResizedBmp(*source, width, height, fileName);
         }},
        {QStringLiteral("resample"), QStringLiteral("W,H"), QStringLiteral("windowed-sinc scaling to W x H"), 2, 2,
         [](TXBitmap& p, const QStringList& a) {
             const int width = parseSide(a[0]);
             const int height = parseSide(a[1]);
             withEffects(p, [&](TEffectsBitmap& e) { e.Resample(width, height); });
         }},
        {QStringLiteral("enlarge"), QStringLiteral("W,H,CENTRE,FILL"),
         QStringLiteral("canvas of W x H in colour FILL, picture centred when CENTRE is 1"), 4, 4,
         [](TXBitmap& p, const QStringList& a) {
             const int width = parseSide(a[0]);
             const int height = parseSide(a[1]);
             const bool centre = ParseInteger(a[2], 0, 1) == 1;
             const TColor fill = ParseColour(a[3]);
             withEffects(p, [&](TEffectsBitmap& e) { e.EnlargeCanvas(width, height, centre, fill); });
         },
         {}, true},
        {QStringLiteral("scaledown"), QStringLiteral("W,H"),
         QStringLiteral("box-average reduction to W x H (no larger than the picture)"), 2, 2,
         [](TXBitmap& p, const QStringList& a) {
             const int width = ParseInteger(a[0], 0, kMaxPictureSide);
             const int height = ParseInteger(a[1], 0, kMaxPictureSide);
             ScaleDown(p, width, height);
         }},
        {QStringLiteral("pen"), QStringLiteral("SHAPE,WIDTH,COLOUR,X0,Y0,X1,Y1"),
         QStringLiteral("pen stroke (shape 0 round, 1 square, 2 triangle, 3 left slash, 4 right slash)"), 7, 7,
         [](TXBitmap& p, const QStringList& a) {
             const TColor colour = ParseColour(a[2]);
             const int x0 = parseCoordinate(a[3]);
             const int y0 = parseCoordinate(a[4]);
             const int x1 = parseCoordinate(a[5]);
             const int y1 = parseCoordinate(a[6]);
             withEffects(p, [&](TEffectsBitmap& e) {
                 preparePen(e, a[0], a[1], colour);
                 e.PenStroke(x0, y0, x1, y1);
             });
         }},
        {QStringLiteral("replacepen"), QStringLiteral("SHAPE,WIDTH,COLOUR,SECOND,TOL,X0,Y0,X1,Y1"),
         QStringLiteral("stroke turning colours within TOL of COLOUR into SECOND"), 9, 9,
         [](TXBitmap& p, const QStringList& a) {
             const TColor colour = ParseColour(a[2]);
             const TColor second = ParseColour(a[3]);
             const int tolerance = ParseInteger(a[4], 0, 255);
             const int x0 = parseCoordinate(a[5]);
             const int y0 = parseCoordinate(a[6]);
             const int x1 = parseCoordinate(a[7]);
             const int y1 = parseCoordinate(a[8]);
             withEffects(p, [&](TEffectsBitmap& e) {
                 preparePen(e, a[0], a[1], colour);
                 e.SetSecondColour(second);
                 e.ReplaceStroke(x0, y0, x1, y1, tolerance);
             });
         }},
        {QStringLiteral("smudge"), QStringLiteral("SHAPE,WIDTH,OPACITY,X0,Y0,X1,Y1"),
         QStringLiteral("smudge stroke of OPACITY percent (0 to 100)"), 7, 7,
         [](TXBitmap& p, const QStringList& a) {
             const int opacity = ParseInteger(a[2], 0, 100);
             const int x0 = parseCoordinate(a[3]);
             const int y0 = parseCoordinate(a[4]);
             const int x1 = parseCoordinate(a[5]);
             const int y1 = parseCoordinate(a[6]);
             withEffects(p, [&](TEffectsBitmap& e) {
                 preparePen(e, a[0], a[1], clBlack);
                 e.SmudgeStroke(x0, y0, x1, y1, opacity);
             });
         }},
    };
    static const std::vector<TBatchOperation> all = [] {
        std::vector<TBatchOperation> list = operations;
        for (TBatchOperation& op : SelectionOperations())
            list.push_back(std::move(op));
        return list;
    }();
    return all;
}

} // namespace vellum::batch
