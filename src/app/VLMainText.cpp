// The Text tool: the Add Text dialog kept for the run, its remembered texts in the settings,
// and placing a text into the active picture document.

#include "app/VLMain.h"

#include <QAction>

#include "app/AddTextDlg.h"
#include "app/SettingsKeys.h"
#include "app/XMLRegFile.h"
#include "document/TextPicture.h"
#include "document/VLPicChildWn.h"

namespace vellum {

void TVellumMain::createAddText()
{
    m_addTextDialog = new TAddTextDialog(this);
}

void TVellumMain::loadRecentTexts(TXMLRegistryFile& reg)
{
    using namespace settings;
    m_addTextDialog->SetMaxRecentTexts(10);
    if (!reg.OpenKey(QLatin1String(KeyRecentText), false))
        return;
    if (reg.ValueExists(QLatin1String(MaxRecentList))) {
        m_addTextDialog->SetMaxRecentTexts(reg.ReadInteger(QLatin1String(MaxRecentList)));
        QStringList texts;
        for (int n = 1; n <= m_addTextDialog->MaxRecentTexts(); ++n) {
            const QString name = QLatin1String(RecentTextPrefix) + QString::number(n);
            if (!reg.ValueExists(name))
                break;
            // Line breaks may come back as CR LF: a text must match itself when used again.
            QString text = reg.ReadString(name);
            text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
            texts << text;
        }
        m_addTextDialog->SetRecentTexts(texts);
    }
    reg.CloseKey();
}

void TVellumMain::saveRecentTexts(TXMLRegistryFile& reg) const
{
    using namespace settings;
    if (!reg.OpenKey(QLatin1String(KeyRecentText), true))
        return;
    reg.WriteInteger(QLatin1String(MaxRecentList), m_addTextDialog->MaxRecentTexts());
    const QStringList& texts = m_addTextDialog->RecentTexts();
    for (qsizetype i = 0; i < texts.size(); ++i)
        reg.WriteString(QLatin1String(RecentTextPrefix) + QString::number(i + 1), texts[i]);
    // Older texts past the list's end would come back at the next start.
    for (qsizetype n = texts.size() + 1; reg.DeleteValue(QLatin1String(RecentTextPrefix) + QString::number(n)); ++n) {
    }
    reg.CloseKey();
}

void TVellumMain::PlaceText()
{
    runGuarded([this] {
        if (!m_addTextDialog->Execute())
            return;
        AddText(TrimmedAddText(m_addTextDialog->Text()), m_addTextDialog->Font());
    });
}

void TVellumMain::AddText(const QString& text, const TFont& font)
{
    if (text.trimmed().isEmpty())
        return;
    TVLPicChildWin* doc = ActivePicture();
    if (doc == nullptr)
        return;
    const TTextPicture rendered = RenderTextPicture(text, font);
    if (rendered.Picture.Empty())
        return;
    // A selection that cannot be made is shown by the document; the tool changes all the same.
    doc->PlaceTextPicture(rendered.Picture, rendered.Background);
    if (ToolSettings().Tool != TTool::SelectRect)
        ToolAction(TTool::SelectRect)->trigger();
}

} // namespace vellum
