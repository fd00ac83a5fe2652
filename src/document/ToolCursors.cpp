#include "document/ToolCursors.h"

#include <QHash>
#include <QPixmap>

namespace vellum {

namespace {

struct CursorArt {
    const char* file;
    int hotX;
    int hotY;
};

const QHash<int, CursorArt>& cursorArt()
{
    static const QHash<int, CursorArt> art{
        {crPen, {"pen", 1, 30}},
        {crFill, {"fill", 4, 24}},
        {crDropper, {"dropper", 1, 30}},
        {crCircleFill, {"circle_fill", 7, 7}},
        {crCircleLine, {"circle_line", 7, 7}},
        {crRectFill, {"rect_fill", 7, 7}},
        {crRectLine, {"rect_line", 7, 7}},
        {crLine, {"line", 7, 7}},
        {crZoom, {"zoom", 12, 12}},
        {crSelectRect, {"selectrect", 7, 7}},
        {crSelectFreehand, {"selectfreehand", 7, 7}},
        {crMagicWand, {"magicwand", 4, 28}},
        {crMove, {"move", 16, 16}},
        {crText, {"text", 16, 16}},
        {crSmallDropper, {"sml_dropper", 1, 20}},
        {crSprayCan, {"spraycan", 6, 8}},
        {crDrag, {"drag", 16, 16}},
    };
    return art;
}

} // namespace

QCursor ToolCursor(int number)
{
    // Loaded once each and kept for the whole run.
    static QHash<int, QCursor> loaded;
    const auto found = loaded.constFind(number);
    if (found != loaded.constEnd())
        return *found;
    const auto art = cursorArt().constFind(number);
    if (art == cursorArt().constEnd())
        return QCursor(Qt::ArrowCursor);
    const QPixmap pixmap(QStringLiteral(":/images/cursors/%1.png").arg(QLatin1String(art->file)));
    const QCursor cursor = pixmap.isNull() ? QCursor(Qt::CrossCursor) : QCursor(pixmap, art->hotX, art->hotY);
    loaded.insert(number, cursor);
    return cursor;
}

std::int16_t CursorNumberForTool(const TToolSettings& settings)
{
    switch (settings.Tool) {
    case TTool::Pen:
    case TTool::SpecialPen:
        return crPen;
    case TTool::Fill:
        return crFill;
    case TTool::SprayCan:
        return crSprayCan;
    case TTool::Shapes:
        switch (settings.ShapeKind) {
        case TShapeKind::Line:
            return crLine;
        case TShapeKind::Square:
        case TShapeKind::Rectangle:
            return settings.ShapeFilled ? crRectFill : crRectLine;
        case TShapeKind::Circle:
        case TShapeKind::Ellipse:
            return settings.ShapeFilled ? crCircleFill : crCircleLine;
        }
        return crLine;
    case TTool::Text:
        return crText;
    case TTool::Dropper:
        return crDropper;
    case TTool::Drag:
        return crDrag;
    case TTool::Zoom:
        return crZoom;
    case TTool::SelectRect:
        return crSelectRect;
    case TTool::SelectFreehand:
        return crSelectFreehand;
    case TTool::MagicWand:
        return crMagicWand;
    }
    return crPen;
}

} // namespace vellum
