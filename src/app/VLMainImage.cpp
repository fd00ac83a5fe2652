// The Image menu: geometry and canvas commands on the active picture.

#include "app/VLMain.h"

#include <QAction>
#include <QMenuBar>

#include "app/ResizePicFrm.h"
#include "document/VLPicChildWn.h"
#include "document/VLToolVars.h"

namespace vellum {

void TVellumMain::createImageCommands()
{
    m_imageMenu = menuBar()->addMenu(QStringLiteral("Image"));
    m_actFlipPic = command(QStringLiteral("Flip"), QStringLiteral("Flip Picture|Flip Picture Vertically"),
                           QStringLiteral("ActFlipPic"));
    onTriggered(m_actFlipPic, [this] { onActivePicture([](TVLPicChildWin& d) { d.Flip(); }); });
    m_actMirrorPic = command(QStringLiteral("Mirror"), QStringLiteral("Mirror Picture|Flip Picture Horizontally"),
                             QStringLiteral("ActMirrorPic"));
    onTriggered(m_actMirrorPic, [this] { onActivePicture([](TVLPicChildWin& d) { d.Mirror(); }); });
    m_actCropPic = command(QStringLiteral("Crop Picture"), QStringLiteral("Crop|Crop picture"), QStringLiteral("ActCropPic"));
    onTriggered(m_actCropPic, [this] { onActivePicture([](TVLPicChildWin& d) { d.Crop(); }); });
    m_actClearPic = command(QStringLiteral("Clear"),
                            QStringLiteral("Clear|Clear current selection or whole picture canvas"),
                            QStringLiteral("ActClearPic"));
    m_actClearPic->setShortcut(QKeySequence(Qt::Key_Delete));
    onTriggered(m_actClearPic, [this] { onActivePicture([](TVLPicChildWin& d) { d.Clear(); }); });
    m_actEnlargePicCanvas = command(QStringLiteral("Enlarge canvas"),
                                    QStringLiteral("Enlarge canvas|Increase the size of the picture canvas"),
                                    QStringLiteral("ActEnlargePicCanvas"));
    onTriggered(m_actEnlargePicCanvas, [this] { enlargeCanvasExecute(); });
    m_actResizePic = command(QStringLiteral("Resize"), QStringLiteral("Resize|Resize picture"), QStringLiteral("ActResizePic"));
    onTriggered(m_actResizePic, [this] { resizeExecute(false); });
    m_actResamplePic = command(QStringLiteral("Resample"), QStringLiteral("Resample|Resample picture"),
                               QStringLiteral("ActResamplePic"));
    onTriggered(m_actResamplePic, [this] { resizeExecute(true); });
    m_imageMenu->addActions({m_actFlipPic, m_actMirrorPic});
    m_imageMenu->addSeparator();
    m_imageMenu->addActions({m_actCropPic, m_actClearPic, m_actEnlargePicCanvas, m_actResizePic, m_actResamplePic});
}

void TVellumMain::resizeExecute(bool resample)
{
    TVLPicChildWin* doc = ActivePicture();
    if (doc == nullptr)
        return;
    TResizePicForm form(doc->Picture().Width(), doc->Picture().Height(), this);
    form.setWindowTitle(resample ? QStringLiteral("Resample Picture") : QStringLiteral("Resize Picture"));
    if (form.exec() != QDialog::Accepted)
        return;
    onActivePicture([&](TVLPicChildWin& d) {
        if (resample)
            d.Resample(form.PicWidth(), form.PicHeight());
        else
            d.Resize(form.PicWidth(), form.PicHeight());
    });
}

void TVellumMain::enlargeCanvasExecute()
{
    TVLPicChildWin* doc = ActivePicture();
    if (doc == nullptr)
        return;
    TEnlargeCanvasForm form(doc->Picture().Height(), doc->Picture().Width(), this);
    if (form.exec() != QDialog::Accepted)
        return;
    onActivePicture([&](TVLPicChildWin& d) {
        d.EnlargeCanvas(form.NewWidth(), form.NewHeight(), form.CentrePicture(), ToolSettings().BackColour());
    });
}

} // namespace vellum
