// The adjustment commands: Rotate and Blur in the Image menu, brightness, gamma and RGB in the
// Colour menu, each running its dialog on the active picture.

#include "app/VLMain.h"

#include <cmath>
#include <memory>

#include <QAction>
#include <QIcon>
#include <QMenu>

#include "app/AdjBrightDlg.h"
#include "app/AdjGammaDlg.h"
#include "app/AdjRGBDlg.h"
#include "app/BlurDlg.h"
#include "app/RotateDlg.h"
#include "document/VLPicChildWn.h"
#include "document/VLToolVars.h"

namespace vellum {

void TVellumMain::createAdjustCommands(QMenu* imageMenu, QMenu* colourMenu)
{
    auto make = [this](const char* caption, const char* hint, const char* name, const char* icon) {
        QAction* action = command(QLatin1String(caption), QLatin1String(hint), QLatin1String(name));
        action->setIcon(QIcon(QStringLiteral(":/images/commands/%1.png").arg(QLatin1String(icon))));
        return action;
    };
    m_actRotatePic = make("Rotate", "Rotate|Rotate picture", "ActRotatePic", "rotate");
    m_actBlurPic = make("Blur Picture", "Blur|Blur picture", "ActBlurPic", "blur");
    m_actBrightenPic = make("Adjust Brightness", "Brighten|Adjust the brightness of the picture", "ActBrightenPic", "brighten");
    m_actGammaCorrectPic = make("Gamma Correct", "Gamma Correct|Gamma correct the picture", "ActGammaCorrectPic", "gamma");
    m_actAdjustRGBPic = make("Adjust RGB", "Adjust RGB|Adjust the RGB values of the picture", "ActAdjustRGBPic", "rgb");

    // Each command: the dialog for the active picture, then what OK applies.
    auto run = [this](auto makeDialog, auto commit) {
        TVLPicChildWin* document = ActivePicture();
        if (document == nullptr)
            return;
        auto dialog = makeDialog(*document);
        RunAdjustDialog(*dialog, *document, [&](TVLPicChildWin& d) { commit(*dialog, d); });
    };
    onTriggered(m_actRotatePic, [this, run] {
        // Corners uncovered by the turn take the background colour of the moment.
        const TColor background = ToolSettings().BackColour();
        run([this, background](TVLPicChildWin& d) { return std::make_unique<TRotateDialog>(this, background, &d); },
            [background](TRotateDialog& dialog, TVLPicChildWin& d) { d.Rotate(dialog.Angle(), background, TAdjustMode::Commit); });
    });
    onTriggered(m_actBlurPic, [this, run] {
        run([this](TVLPicChildWin& d) { return std::make_unique<TBlurDialog>(this, &d); },
            [](TBlurDialog& dialog, TVLPicChildWin& d) { d.Blur(dialog.Value(), TAdjustMode::Commit); });
    });
    onTriggered(m_actBrightenPic, [this, run] {
        run([this](TVLPicChildWin& d) { return std::make_unique<TAdjBrightDialog>(this, &d); },
            [](TAdjBrightDialog& dialog, TVLPicChildWin& d) { d.Brighten(dialog.Brightness(), TAdjustMode::Commit); });
    });
    onTriggered(m_actGammaCorrectPic, [this, run] {
        run([this](TVLPicChildWin& d) { return std::make_unique<TAdjGammaDialog>(this, &d); },
            [](TAdjGammaDialog& dialog, TVLPicChildWin& d) { d.GammaCorrect(dialog.Value(), TAdjustMode::Commit); });
    });
    onTriggered(m_actAdjustRGBPic, [this, run] {
        run([this](TVLPicChildWin& d) { return std::make_unique<TAdjRGBDialog>(this, &d); },
            [](TAdjRGBDialog& dialog, TVLPicChildWin& d) {
                d.AdjustRGB(dialog.ChannelValue(TAdjRGBDialog::Red), dialog.ChannelValue(TAdjRGBDialog::Green),
                            TAdjustMode::Commit, dialog.ChannelValue(TAdjRGBDialog::Blue));
            });
    });

    // Image menu: Rotate after Mirror, the Effects sub-menu last; Colour menu: the three
    // dialogs before Grey Scale.
    const QList<QAction*> imageItems = imageMenu->actions();
    QAction* afterMirror = nullptr;
    for (qsizetype i = 0; i + 1 < imageItems.size(); ++i)
        if (imageItems[i] == m_actMirrorPic)
            afterMirror = imageItems[i + 1];
    imageMenu->insertAction(afterMirror, m_actRotatePic);
    imageMenu->addSeparator();
    m_effectsMenu = imageMenu->addMenu(QStringLiteral("Effects"));
    m_effectsMenu->setObjectName(QStringLiteral("EffectsMenu"));
    m_effectsMenu->addAction(m_actBlurPic);
    const QList<QAction*> colourItems = colourMenu->actions();
    QAction* first = colourItems.isEmpty() ? nullptr : colourItems.first();
    colourMenu->insertActions(first, {m_actBrightenPic, m_actGammaCorrectPic, m_actAdjustRGBPic});
}

void TVellumMain::RunAdjustDialog(TBaseAdjDialog& dialog, TVLPicChildWin& document,
                                  const std::function<void(TVLPicChildWin&)>& commit)
{
    const bool accepted = dialog.exec() == QDialog::Accepted;
    try {
        if (accepted)
            commit(document);
    } catch (...) {
        // A failed commit leaves no preview behind: the document shows its picture as it was.
        if (document.IsPreviewing())
            runGuarded([&] { document.CancelPreview(); });
        throw;
    }
    if (!accepted && document.IsPreviewing())
        document.CancelPreview();
}

} // namespace vellum
