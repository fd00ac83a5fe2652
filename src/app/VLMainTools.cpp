// The tools: the tool commands and the Tools tool bar, the option pages of the Settings tool
// bar, choosing a tool and its cursor, and the zoom list.

#include "app/VLMain.h"

#include <optional>

#include <QAction>
#include <QActionGroup>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QToolBar>
#include <QToolButton>

#include "app/ToolOptionPages.h"
#include "browser/RFPopupMenu.h"
#include "document/ToolCursors.h"
#include "document/VLPicChildWn.h"

namespace vellum {

namespace {

struct ToolCommand {
    TTool tool;
    const char* name;
    const char* caption;
    const char* hint;
};

const ToolCommand ToolCommands[] = {
    {TTool::Pen, "ActPen", "Pen", "Pen|Draw freehand using the pen"},
    {TTool::Fill, "ActFill", "Fill", "Fill|Fill areas of the picture with colour"},
    {TTool::SpecialPen, "ActSpecialPen", "Special Pen", "Special Pen|Special Pen"},
    {TTool::SprayCan, "ActSprayCan", "Spray Can", "Spray Can|Produce a spray effect on the picture"},
    {TTool::Shapes, "ActShapes", "Shapes", "Shapes|Draw a shape on the picture"},
    {TTool::Text, "ActAddText", "Text", "Text|Add text to the picture"},
    {TTool::Dropper, "ActDropper", "Dropper", "Dropper|Get a colour by clicking on it from the picture"},
    {TTool::Drag, "ActDrag", "Drag", "Drag|Scroll Picture by dragging the cursor on the canvas"},
    {TTool::Zoom, "ActZoom", "Zoom", "Zoom|Zoom into the picture"},
    {TTool::SelectRect, "ActSelectRect", "Select Rect", "Rectangle Select|Select a rectangular region on the picture"},
    {TTool::SelectFreehand, "ActSelectFreehand", "Select Freehand",
     "Freehand Select|Select a region on the picture by freehand"},
    {TTool::MagicWand, "ActMagicWand", "Magic Wand", "MagicWand Select|Select a region of the same colour on the picture"},
};

// The option page each tool shows; the Dropper keeps the page shown before.
std::optional<TToolOptionPages::TPage> PageOfTool(TTool tool)
{
    switch (tool) {
    case TTool::Pen: return TToolOptionPages::pgPen;
    case TTool::Fill: return TToolOptionPages::pgFill;
    case TTool::SpecialPen: return TToolOptionPages::pgSpecialPen;
    case TTool::SprayCan: return TToolOptionPages::pgSprayCan;
    case TTool::Shapes: return TToolOptionPages::pgShapes;
    case TTool::Text: return TToolOptionPages::pgNone;
    case TTool::Dropper: return std::nullopt;
    case TTool::Drag:
    case TTool::Zoom: return TToolOptionPages::pgZoom;
    case TTool::SelectRect:
    case TTool::SelectFreehand: return TToolOptionPages::pgSelection;
    case TTool::MagicWand: return TToolOptionPages::pgMagicWand;
    }
    return std::nullopt;
}

// Our own tool-bar pictures, 16 x 16, drawn once.
QIcon ToolIcon(TTool tool)
{
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(Qt::NoBrush);
    switch (tool) {
    case TTool::Pen:
        p.setPen(QPen(Qt::black, 2));
        p.drawLine(3, 13, 12, 3);
        p.setPen(QPen(Qt::darkRed, 2));
        p.drawPoint(3, 13);
        break;
    case TTool::Fill:
        p.setBrush(Qt::lightGray);
        p.drawPolygon(QPolygon({QPoint(2, 7), QPoint(8, 1), QPoint(14, 7), QPoint(8, 13)}));
        p.fillRect(QRect(12, 9, 3, 6), Qt::blue);
        break;
    case TTool::SpecialPen:
        p.setPen(QPen(Qt::darkMagenta, 3));
        p.drawLine(3, 13, 12, 3);
        p.setPen(QPen(Qt::white, 1));
        p.drawLine(4, 11, 11, 4);
        break;
    case TTool::SprayCan:
        p.setBrush(Qt::gray);
        p.drawRect(QRect(7, 6, 6, 9));
        for (const QPoint pt : {QPoint(2, 2), QPoint(4, 4), QPoint(1, 5), QPoint(5, 1), QPoint(3, 7)})
            p.drawPoint(pt);
        break;
    case TTool::Shapes:
        p.drawRect(QRect(1, 6, 8, 8));
        p.drawEllipse(QRect(6, 1, 9, 9));
        break;
    case TTool::Text: {
        QFont font = p.font();
        font.setPixelSize(14);
        font.setBold(true);
        p.setFont(font);
        p.drawText(QRect(0, 0, 16, 16), Qt::AlignCenter, QStringLiteral("A"));
        break;
    }
    case TTool::Dropper:
        p.setPen(QPen(Qt::black, 2));
        p.drawLine(3, 13, 10, 6);
        p.setBrush(Qt::black);
        p.drawEllipse(QRect(9, 2, 5, 5));
        break;
    case TTool::Drag:
        p.drawLine(8, 1, 8, 15);
        p.drawLine(1, 8, 15, 8);
        p.drawPolyline(QPolygon({QPoint(6, 3), QPoint(8, 1), QPoint(10, 3)}));
        p.drawPolyline(QPolygon({QPoint(6, 13), QPoint(8, 15), QPoint(10, 13)}));
        p.drawPolyline(QPolygon({QPoint(3, 6), QPoint(1, 8), QPoint(3, 10)}));
        p.drawPolyline(QPolygon({QPoint(13, 6), QPoint(15, 8), QPoint(13, 10)}));
        break;
    case TTool::Zoom:
        p.drawEllipse(QRect(1, 1, 9, 9));
        p.setPen(QPen(Qt::black, 2));
        p.drawLine(9, 9, 14, 14);
        break;
    case TTool::SelectRect:
        p.setPen(QPen(Qt::black, 1, Qt::DashLine));
        p.drawRect(QRect(1, 3, 13, 10));
        break;
    case TTool::SelectFreehand: {
        p.setPen(QPen(Qt::black, 1, Qt::DashLine));
        QPainterPath path(QPointF(2, 8));
        path.cubicTo(2, 0, 14, 2, 13, 8);
        path.cubicTo(12, 15, 4, 15, 2, 8);
        p.drawPath(path);
        break;
    }
    case TTool::MagicWand:
        p.setPen(QPen(Qt::black, 2));
        p.drawLine(2, 14, 10, 6);
        p.setPen(QPen(Qt::darkYellow, 1));
        p.drawLine(12, 1, 12, 7);
        p.drawLine(9, 4, 15, 4);
        break;
    }
    return QIcon(pixmap);
}

} // namespace

void TVellumMain::createToolCommands()
{
    m_toolGroup = new QActionGroup(this);
    m_toolGroup->setExclusive(true);
    for (const ToolCommand& c : ToolCommands) {
        QAction* action = command(QLatin1String(c.caption), QLatin1String(c.hint), QLatin1String(c.name));
        action->setCheckable(true);
        action->setIcon(ToolIcon(c.tool));
        m_toolGroup->addAction(action);
        m_toolActions[static_cast<std::size_t>(c.tool)] = action;
        const TTool tool = c.tool;
        onTriggered(action, [this, tool] { ChooseTool(tool); });
    }

    // A row of their own with the option pages beside them: the first row is full already, and
    // a bar down the side would make the window taller than its smallest stored height.
    addToolBarBreak();
    m_toolsToolBar = addToolBar(QStringLiteral("Tools"));
    m_toolsToolBar->setObjectName(QStringLiteral("ToolsToolbar"));
    m_toolsToolBar->addActions(m_toolGroup->actions());
    // Like the other bars, these two dock only in the area at the top.
    m_toolsToolBar->setAllowedAreas(Qt::TopToolBarArea);
    // The Pen button's panel pop-up stays beside the button, not its menu: an empty menu would
    // draw an arrow on the button, open on a held press instead of choosing the Pen, and flash
    // its dummy entry.
    if (auto* pen = qobject_cast<QToolButton*>(m_toolsToolBar->widgetForAction(ToolAction(TTool::Pen)))) {
        auto* popup = new TPopupPanel(pen);
        popup->setObjectName(QStringLiteral("PenPopupPanel"));
    }
    QAction* toggle = m_toolsToolBar->toggleViewAction();
    toggle->setText(QStringLiteral("Tools Toolbar"));
    toggle->setObjectName(QStringLiteral("ActToolsToolbar"));
    m_toolbarsMenu->addAction(toggle);

    // The Settings tool bar has no caption and no switch: it always shows the current page.
    m_settingsToolBar = addToolBar(QString());
    m_settingsToolBar->setObjectName(QStringLiteral("SettingsToolbar"));
    m_settingsToolBar->toggleViewAction()->setVisible(false);
    m_settingsToolBar->setAllowedAreas(Qt::TopToolBarArea);
    m_optionPages = new TToolOptionPages(ToolSettings(), m_settingsToolBar);
    m_settingsToolBar->addWidget(m_optionPages);
    m_optionPages->OnShapeChange = [this] {
        // Only the Shapes tool wears a shape's cursor: with another tool chosen (the Dropper
        // keeps the Shapes page in view) the lists leave the cursor alone.
        runGuarded([this] {
            if (ToolSettings().Tool == TTool::Shapes)
                SetToolCursor(CursorNumberForTool(ToolSettings()));
        });
    };
    m_optionPages->OnZoomChosen = [this](int zoom) { runGuarded([this, zoom] { chooseZoom(zoom); }); };
    connect(m_clientArea, &QMdiArea::subWindowActivated, this, [this] { runGuarded([this] { showActiveZoom(); }); });
}

void TVellumMain::ChooseTool(TTool tool)
{
    m_toolActions[static_cast<std::size_t>(tool)]->setChecked(true);
    ToolSettings().Tool = tool;
    SetToolCursor(CursorNumberForTool(ToolSettings()));
    if (const auto page = PageOfTool(tool))
        m_optionPages->ShowPage(*page);
    if (tool == TTool::Text)
        PlaceText();
}

bool TVellumMain::IsSelectionTool() const
{
    const TTool tool = ToolSettings().Tool;
    return tool == TTool::SelectRect || tool == TTool::SelectFreehand || tool == TTool::MagicWand;
}

void TVellumMain::SetToolCursor(std::int16_t number)
{
    if (number == ToolSettings().ToolCursor)
        return;
    ToolSettings().ToolCursor = number;
    const QCursor cursor = ToolCursor(number);
    for (QMdiSubWindow* window : m_clientArea->subWindowList())
        if (auto* doc = qobject_cast<TVLPicChildWin*>(window))
            doc->PictureScrollBox().viewport()->setCursor(cursor);
}

void TVellumMain::startToolValues()
{
    TToolSettings& settings = ToolSettings();
    // Set outright: a start value replaces no colour the user chose.
    settings.SetForeColour(clBlack);
    settings.SetBackColour(clWhite);
    showColours();
    m_optionPages->SetTransparentColours(clBlack, clWhite);
    ChooseTool(TTool::Pen);
    m_optionPages->StartPen();
    m_optionPages->StartSpecialPen();
    m_optionPages->StartSprayCan();
    settings.ShapeWidth = 1;
}

void TVellumMain::wireToolOptions(TVLPicChildWin* document)
{
    // Chained behind whatever else watches the document's changes.
    auto previous = std::move(document->OnPictureChange);
    document->OnPictureChange = [this, previous = std::move(previous)](TVLPicChildWin* sender, TChangeSet changes) {
        if (previous)
            previous(sender, changes);
        if ((changes & chgZoom) != 0 && sender == ActivePicture())
            m_optionPages->ShowZoom(sender->PictureScrollBox().ZoomFactor());
    };
    m_optionPages->ShowZoom(document->PictureScrollBox().ZoomFactor());
}

void TVellumMain::showActiveZoom()
{
    if (TVLPicChildWin* doc = ActivePicture())
        m_optionPages->ShowZoom(doc->PictureScrollBox().ZoomFactor());
}

void TVellumMain::chooseZoom(int zoom)
{
    TVLPicChildWin* doc = ActivePicture();
    if (doc != nullptr && zoom != doc->PictureScrollBox().ZoomFactor())
        doc->SetZoom(zoom);
}

} // namespace vellum
