#include "browser/RFPopupMenu.h"

#include <filesystem>

#include <QFile>
#include <QFileInfo>
#include <QTimer>
#include <QWidgetAction>

namespace vellum {

namespace {

// The same file: equal absolute paths, or two names of one existing file (a link, "..").
bool sameFile(const QString& a, const QString& b)
{
    if (a == b)
        return true;
    std::error_code error;
    return std::filesystem::equivalent(std::filesystem::path(QFile::encodeName(a).toStdString()),
                                       std::filesystem::path(QFile::encodeName(b).toStdString()), error)
           && !error;
}

} // namespace

TRecentFilesPopupMenu::TRecentFilesPopupMenu(QWidget* parent)
    : QMenu(parent)
{
}

TRecentFilesPopupMenu::~TRecentFilesPopupMenu() = default;

void TRecentFilesPopupMenu::SetMaxFileList(int n)
{
    m_maxFileList = n & 0xFF;
    while (EntryCount() > m_maxFileList)
        DeleteEntry(EntryCount() - 1);
}

int TRecentFilesPopupMenu::EntryCount() const
{
    return static_cast<int>(actions().size());
}

QAction* TRecentFilesPopupMenu::Entry(int index) const
{
    const QList<QAction*> entries = actions();
    return index >= 0 && index < entries.size() ? entries[index] : nullptr;
}

QString TRecentFilesPopupMenu::EntryPath(const QAction* entry)
{
    return entry != nullptr ? entry->data().toString() : QString();
}

int TRecentFilesPopupMenu::IndexOfPath(const QString& path) const
{
    const QString absolute = QFileInfo(path).absoluteFilePath();
    const QList<QAction*> entries = actions();
    for (int i = 0; i < entries.size(); ++i)
        if (sameFile(EntryPath(entries[i]), absolute))
            return i;
    return -1;
}

QAction* TRecentFilesPopupMenu::AddRecentFile(const QString& path)
{
    if (m_maxFileList == 0)
        return nullptr;
    const int index = IndexOfPath(path);
    if (index < 0) {
        QAction* entry = CreateEntry(QFileInfo(path).absoluteFilePath());
        InsertEntry(0, entry);
        DoAddItem(entry);
        while (EntryCount() > m_maxFileList)
            DeleteEntry(EntryCount() - 1);
    } else if (index > 0) {
        // The entry itself moves, so its thumbnail, date and handler go with it.
        QAction* entry = Entry(index);
        removeAction(entry);
        InsertEntry(0, entry);
    }
    return Entry(0);
}

void TRecentFilesPopupMenu::RemoveRecentFile(const QString& path)
{
    const int index = IndexOfPath(path);
    if (index >= 0)
        DeleteEntry(index);
}

void TRecentFilesPopupMenu::checkIndex(int index) const
{
    if (index < 0 || index >= EntryCount())
        throw ERecentFilesPopUpMenuError(QStringLiteral("Invalid item index %1").arg(index));
}

void TRecentFilesPopupMenu::DeleteEntry(int index)
{
    checkIndex(index);
    DoDeleteItem(index);
    QAction* entry = Entry(index);
    removeAction(entry);
    delete entry;
}

void TRecentFilesPopupMenu::SetEntryCaption(int index, const QString& text)
{
    checkIndex(index);
    QAction* entry = Entry(index);
    entry->setText(text);
    entry->setData(QFileInfo(text).absoluteFilePath());
}

void TRecentFilesPopupMenu::ClearEntries()
{
    for (int i = EntryCount() - 1; i >= 0; --i)
        DeleteEntry(i);
}

QAction* TRecentFilesPopupMenu::CreateEntry(const QString& path)
{
    auto* entry = new QAction(path, this);
    entry->setData(path);
    connect(entry, &QAction::triggered, this, [this, entry] {
        if (DefaultOnItemClick)
            DefaultOnItemClick(entry);
    });
    return entry;
}

void TRecentFilesPopupMenu::DoAddItem(QAction* entry)
{
    if (OnAddItem)
        OnAddItem(this, entry);
}

void TRecentFilesPopupMenu::DoDeleteItem(int index)
{
    if (OnDeleteItem)
        OnDeleteItem(this, index);
}

void TRecentFilesPopupMenu::InsertEntry(int index, QAction* entry)
{
    insertAction(Entry(index), entry);
}

TPopupPanel::TPopupPanel(QWidget* parent)
    : QMenu(parent)
{
    m_dummy = addAction(QStringLiteral("<<DO NOT REMOVE>>"));
}

void TPopupPanel::SetPanel(QWidget* panel)
{
    if (m_panel == panel)
        return;
    delete m_panelAction; // and the old panel with it
    m_panelAction = nullptr;
    m_panel = panel;
    if (panel != nullptr) {
        m_panelAction = new QWidgetAction(this);
        m_panelAction->setDefaultWidget(panel);
        addAction(m_panelAction);
    }
    m_dummy->setVisible(panel == nullptr);
}

void TPopupPanel::showEvent(QShowEvent* event)
{
    QMenu::showEvent(event);
    // Without a panel there is nothing to show: close at once (a blocking exec returns then).
    if (m_panel == nullptr)
        QTimer::singleShot(0, this, &QMenu::close);
}

} // namespace vellum
