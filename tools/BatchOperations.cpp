// The operations vellum-batch offers, in the order --help lists them. Each entry names the
// operation, describes its arguments and applies it to the 24-bit picture.
#include "BatchCommand.h"

#include <cmath>
#include <limits>

#include "raster/EffectsBitmap.h"
#include "raster/XBitmap.h"

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

} // namespace

const std::vector<TBatchOperation>& Operations()
{
    static const std::vector<TBatchOperation> operations = {
        {QStringLiteral("grey"), QString(), QStringLiteral("grey scale"), 0, 0,
         [](TXBitmap& p, const QStringList&) { withEffects(p, [](TEffectsBitmap& e) { e.GreyScale(); }); }},
        {QStringLiteral("negative"), QString(), QStringLiteral("negative image"), 0, 0,
         [](TXBitmap& p, const QStringList&) { withEffects(p, [](TEffectsBitmap& e) { e.Negative(); }); }},
        {QStringLiteral("brighten"), QStringLiteral("P"), QStringLiteral("brightness by P percent (-100 to 100)"), 1,
         1,
         [](TXBitmap& p, const QStringList& a) {
             const int percent = parsePercent(a[0]);
             withEffects(p, [&](TEffectsBitmap& e) { e.Brighten(percent); });
         }},
        {QStringLiteral("rgb"), QStringLiteral("R,G,B"), QStringLiteral("RGB balance in percent (-100 to 100 each)"),
         3, 3,
         [](TXBitmap& p, const QStringList& a) {
             const int r = parsePercent(a[0]);
             const int g = parsePercent(a[1]);
             const int b = parsePercent(a[2]);
             withEffects(p, [&](TEffectsBitmap& e) { e.AdjustRGB(r, g, b); });
         }},
        {QStringLiteral("gamma"), QStringLiteral("F"), QStringLiteral("gamma correction by factor F (0 to 4.99)"), 1, 1,
         [](TXBitmap& p, const QStringList& a) {
             const double factor = parseNumber(a[0]);
             withEffects(p, [&](TEffectsBitmap& e) { e.GammaCorrect(factor); });
         }},
        {QStringLiteral("blur"), QStringLiteral("R"), QStringLiteral("Gaussian blur of radius R (0 to 20)"), 1, 1,
         [](TXBitmap& p, const QStringList& a) {
             const double radius = parseNumber(a[0]);
             withEffects(p, [&](TEffectsBitmap& e) { e.Blur(radius); });
         }},
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
    };
    return operations;
}

} // namespace vellum::batch
