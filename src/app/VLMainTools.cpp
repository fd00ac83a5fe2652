// Choosing a tool.

#include "app/VLMain.h"

#include <QMdiArea>
#include <QMdiSubWindow>

#include "document/ToolCursors.h"
#include "document/VLPicChildWn.h"
#include "document/VLToolVars.h"

namespace vellum {

void TVellumMain::ChooseTool(TTool tool)
{
    TToolSettings& settings = ToolSettings();
    settings.Tool = tool;
    setToolCursor(CursorNumberForTool(settings));
}

void TVellumMain::setToolCursor(int number)
{
    TToolSettings& settings = ToolSettings();
    if (number == settings.ToolCursor)
        return;
    settings.ToolCursor = static_cast<std::int16_t>(number);
    const QCursor cursor = ToolCursor(number);
    for (QMdiSubWindow* window : m_clientArea->subWindowList())
        if (auto* picture = qobject_cast<TVLPicChildWin*>(window))
            picture->PictureScrollBox().viewport()->setCursor(cursor);
}

} // namespace vellum
