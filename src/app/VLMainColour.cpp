// The Colour menu: colour effects on the active picture.

#include "app/VLMain.h"

#include <QAction>
#include <QMenuBar>

#include "document/VLPicChildWn.h"

namespace vellum {

void TVellumMain::createColourCommands()
{
    m_colourMenu = menuBar()->addMenu(QStringLiteral("Colour"));
    m_actGreyScalePic = command(QStringLiteral("Grey Scale"), QStringLiteral("Grey Scale|Set the picture to greyscale"),
                                QStringLiteral("ActGreyScalePic"));
    onTriggered(m_actGreyScalePic, [this] {
        if (TVLPicChildWin* doc = ActivePicture())
            doc->GreyScale();
    });
    m_actNegativePic = command(QStringLiteral("Negative Image"),
                               QStringLiteral("Negative Image|Set the picture to a negative image"),
                               QStringLiteral("ActNegativePic"));
    onTriggered(m_actNegativePic, [this] {
        if (TVLPicChildWin* doc = ActivePicture())
            doc->Negative();
    });
    m_colourMenu->addActions({m_actGreyScalePic, m_actNegativePic});
    createAdjustCommands(m_imageMenu, m_colourMenu);
}

} // namespace vellum
