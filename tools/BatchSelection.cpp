// The floating selection of a vellum-batch run: made, moved, committed, discarded and cropped
// to as a picture document does, and acted on by the effects while it floats.
#include "BatchCommand.h"

#include <limits>

#include "raster/ColourMatch.h"
#include "raster/XBitmap.h"
#include "selection/PicSelection.h"

namespace vellum::batch {

namespace {

constexpr int MaxMove = 1000000;

int coordinate(const QString& text)
{
    return ParseInteger(text, std::numeric_limits<int>::min(), std::numeric_limits<int>::max());
}

// -1 (none) or a colour.
TColor transparentColour(const QString& text)
{
    return text == u"-1" ? TColor(-1) : ParseColour(text);
}

// A new selection commits the old one first.
void attach(TBatchSession& session, const std::function<std::unique_ptr<TPictureSelection>()>& make)
{
    session.CommitSelection();
    session.Selection = make();
}

} // namespace

TBatchSession::TBatchSession() = default;
TBatchSession::~TBatchSession() = default;

void TBatchSession::CommitSelection()
{
    if (!Selection)
        return;
    Selection->Commit();
    Selection.reset();
}

TXBitmap TBatchSession::Merged() const
{
    TXBitmap merged = Picture;
    if (Selection)
        Selection->CommitInto(&merged);
    return merged;
}

void ApplyStep(TBatchSession& session, const TBatchStep& step)
{
    const TBatchOperation& op = *step.Operation;
    if (op.ApplyToSession) {
        op.ApplyToSession(session, step.Arguments);
        return;
    }
    if (session.Selection) {
        if (op.ApplyToSelection) {
            op.ApplyToSelection(*session.Selection, step.Arguments);
            return;
        }
        if (!op.KeepsSelection)
            session.CommitSelection();
    }
    op.Apply(session.Picture, step.Arguments);
}

std::vector<TBatchOperation> SelectionOperations()
{
    auto session = [](QString name, QString arguments, QString help, int minArguments, int maxArguments,
                      std::function<void(TBatchSession&, const QStringList&)> apply) {
        TBatchOperation op{std::move(name), std::move(arguments), std::move(help), minArguments, maxArguments,
                           [](TXBitmap&, const QStringList&) {}};
        op.ApplyToSession = std::move(apply);
        return op;
    };
    return {
        session(QStringLiteral("selrect"), QStringLiteral("L,T,R,B,TRANS,BG"),
                QStringLiteral("lift the rectangle (R, B exclusive) as a floating selection; TRANS -1: opaque"), 6, 6,
                [](TBatchSession& s, const QStringList& a) {
                    const int l = coordinate(a[0]), t = coordinate(a[1]), r = coordinate(a[2]), b = coordinate(a[3]);
                    const TColor transparent = transparentColour(a[4]);
                    const TColor background = ParseColour(a[5]);
                    const QRect rect(l, t, static_cast<int>(qint64(r) - l), static_cast<int>(qint64(b) - t));
                    attach(s, [&] { return std::make_unique<TRectPictureSelection>(&s.Picture, transparent, background, rect); });
                }),
        session(QStringLiteral("selfree"), QStringLiteral("TRANS,BG,X0,Y0,X1,Y1[,...]"),
                QStringLiteral("lift the polygon through the points as a floating selection"), 4,
                2 + 2 * 1000000,
                [](TBatchSession& s, const QStringList& a) {
                    if (a.size() % 2 != 0)
                        throw EBatchUsage(QStringLiteral("selfree: the points need an x and a y each"));
                    const TColor transparent = transparentColour(a[0]);
                    const TColor background = ParseColour(a[1]);
                    TFreehandPoints points;
                    for (qsizetype i = 2; i < a.size(); i += 2)
                        points.Add(QPoint(coordinate(a[i]), coordinate(a[i + 1])));
                    bool area = false;
                    for (const QPoint& p : points.Points())
                        area = area || (p.x() != points.First().x() && p.y() != points.First().y());
                    if (!area)
                        throw VellumException(QStringLiteral("selfree: the points enclose no area"));
                    attach(s, [&] { return std::make_unique<TFreehandPictureSelection>(&s.Picture, transparent, background, points); });
                }),
        session(QStringLiteral("selwand"), QStringLiteral("X,Y,TOL,BG"),
                QStringLiteral("lift the region of colours within TOL (0 to 255) of (X, Y)'s"), 4, 4,
                [](TBatchSession& s, const QStringList& a) {
                    const QPoint start(coordinate(a[0]), coordinate(a[1]));
                    const int tolerance = ParseInteger(a[2], 0, 255);
                    const TColor background = ParseColour(a[3]);
                    attach(s, [&] { return std::make_unique<TMagicWandPictureSelection>(&s.Picture, background, tolerance, start); });
                }),
        session(QStringLiteral("selmove"), QStringLiteral("DX,DY"),
                QStringLiteral("move the floating selection (at most 1000000 pixels each way)"), 2, 2,
                [](TBatchSession& s, const QStringList& a) {
                    const int dx = ParseInteger(a[0], -MaxMove, MaxMove);
                    const int dy = ParseInteger(a[1], -MaxMove, MaxMove);
                    if (s.Selection)
                        s.Selection->OffsetBy(dx, dy);
                }),
        session(QStringLiteral("commit"), QString(), QStringLiteral("draw the floating selection back"), 0, 0,
                [](TBatchSession& s, const QStringList&) { s.CommitSelection(); }),
        session(QStringLiteral("discard"), QString(), QStringLiteral("drop the floating selection"), 0, 0,
                [](TBatchSession& s, const QStringList&) { s.Selection.reset(); }),
        session(QStringLiteral("crop"), QStringLiteral("BG"),
                QStringLiteral("the floating selection becomes the picture, outside its shape BG"), 1, 1,
                [](TBatchSession& s, const QStringList& a) {
                    const TColor background = ParseColour(a[0]);
                    if (!s.Selection)
                        return;
                    s.Picture.AssignOpaque(s.Selection->Image);
                    if (s.Selection->HasMask())
                        ReplaceColour(s.Picture, s.Selection->TransparentColour, background, 0);
                    s.Selection.reset();
                }),
    };
}

} // namespace vellum::batch
