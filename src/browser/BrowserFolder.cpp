#include "browser/BrowserFolder.h"

#include <algorithm>

#include <QObject>

#include "browser/PicDB.h"
#include "browser/ThumbnailWorkers.h"

namespace vellum {

// The thumbnail of one file that appeared, being made.
struct TBrowserFolder::TAdd {
    QString Name;
    std::unique_ptr<TThumbnailWorkers> Workers;
};

TBrowserFolder::TBrowserFolder(std::unique_ptr<TPictureDB> database)
    : m_database(std::move(database)), m_wake(std::make_unique<QObject>())
{
    m_database->OnEntriesAdded = [this](TCustomPictureDB*) {
        if (!m_leaving && OnEntriesAdded)
            OnEntriesAdded();
    };
    m_database->OnOpened = [this](TCustomPictureDB*) {
        if (!m_leaving)
            opened();
    };
}

TBrowserFolder::~TBrowserFolder()
{
    stopAdds();
    // The database goes first (it saves a modified file); nothing may call back then.
    m_database->OnEntriesAdded = nullptr;
    m_database->OnOpened = nullptr;
    m_database->OnProgressBegin = nullptr;
    m_database->OnProgressStep = nullptr;
    m_database->OnProgressEnd = nullptr;
    m_database.reset();
}

bool TBrowserFolder::IsOpening() const
{
    return m_database->IsOpening();
}

// --- opening

void TBrowserFolder::Open(const QString& folder)
{
    const int generation = ++m_generation;
    m_pendingActions.clear();
    stopAdds();
    leaveOpening();
    m_directory = folder;
    if (folder.isEmpty()) {
        m_database->Clear(false);
        return;
    }
    m_database->BeginOpenDirectory(folder);
    // Nothing to make: the folder is open already, perhaps without saying so.
    if (generation == m_generation && !m_database->IsOpening() && m_openedGeneration != m_generation)
        opened();
}

void TBrowserFolder::Refresh()
{
    if (!m_directory.isEmpty())
        Open(m_directory);
}

void TBrowserFolder::Stop()
{
    ++m_generation;
    m_pendingActions.clear();
    stopAdds();
    leaveOpening();
}

void TBrowserFolder::leaveOpening()
{
    // An opening left unfinished ends unseen: its end is not that of the folder opened next,
    // nor is what it kept a complete folder.
    m_leaving = true;
    try {
        m_database->CancelOpening();
    } catch (...) {
        m_leaving = false;
        throw;
    }
    m_leaving = false;
}

void TBrowserFolder::opened()
{
    m_openedGeneration = m_generation;
    if (OnOpened)
        OnOpened();
    // File actions for this folder that came while it was being read.
    const std::vector<TAction> pending = std::move(m_pendingActions);
    m_pendingActions.clear();
    for (const TAction& action : pending)
        apply(action);
}

// --- file actions

void TBrowserFolder::FileAdded(const QString& name)
{
    const TAction action{TAction::Added, name, QString()};
    if (IsOpening())
        m_pendingActions.push_back(action);
    else
        apply(action);
}

void TBrowserFolder::FileRemoved(const QString& name)
{
    const TAction action{TAction::Removed, name, QString()};
    if (IsOpening())
        m_pendingActions.push_back(action);
    else
        apply(action);
}

void TBrowserFolder::FileRenamed(const QString& name, const QString& newName)
{
    const TAction action{TAction::Renamed, name, newName};
    if (IsOpening())
        m_pendingActions.push_back(action);
    else
        apply(action);
}

void TBrowserFolder::apply(const TAction& action)
{
    switch (action.Kind) {
    case TAction::Added: {
        // A new file, or one replaced: its thumbnail is made in the background.
        if (m_directory.isEmpty())
            return;
        const auto same = [&](const std::unique_ptr<TAdd>& add) { return add->Name == action.Name; };
        if (std::any_of(m_adds.begin(), m_adds.end(), same))
            return;
        auto add = std::make_unique<TAdd>();
        add->Name = action.Name;
        m_adds.push_back(std::move(add));
        startAdds();
        return;
    }
    case TAction::Removed: {
        std::erase_if(m_adds, [&](const std::unique_ptr<TAdd>& add) { return add->Name == action.Name; });
        startAdds();
        const int index = m_database->IndexOfName(action.Name);
        if (index < 0 || !m_database->DeleteEntry(index))
            return;
        if (OnEntryRemoved)
            OnEntryRemoved(index);
        return;
    }
    case TAction::Renamed: {
        const int index = m_database->IndexOfName(action.Name);
        if (index >= 0 && m_database->RenameEntry(index, action.NewName) && OnEntryRenamed)
            OnEntryRenamed(index);
        return;
    }
    }
}

void TBrowserFolder::addReady(int generation, const QString& name)
{
    const auto found = std::find_if(m_adds.begin(), m_adds.end(),
                                    [&](const std::unique_ptr<TAdd>& add) { return add->Name == name; });
    if (generation != m_generation || found == m_adds.end())
        return;
    if (!(*found)->Workers || !(*found)->Workers->IsReady(0))
        return;
    const std::unique_ptr<TAdd> add = std::move(*found);
    m_adds.erase(found);
    // From the event loop: nothing may leave this.
    try {
        startAdds();
        std::optional<TThumbnailWorkers::TResult> result = add->Workers->Take(0, false);
        if (!result || !result->Ok)
            return;
        if (const int index = m_database->IndexOfName(name); index >= 0) {
            if (m_database->RefreshEntry(index, result->Thumbnail) && OnEntryChanged)
                OnEntryChanged(index);
            return;
        }
        if (m_database->AddThumbnail(name, result->Thumbnail) && OnEntryAppended)
            OnEntryAppended(m_database->Count() - 1);
    } catch (const std::exception& e) {
        if (OnError)
            OnError(QString::fromUtf8(e.what()));
    }
}

void TBrowserFolder::startAdds()
{
    // A few at a time: a folder copied in at once must not start a thread per file.
    const int most = TThumbnailWorkers::DefaultThreadCount();
    int running = 0;
    for (const std::unique_ptr<TAdd>& add : m_adds) {
        if (add->Workers) {
            ++running;
            continue;
        }
        if (running >= most)
            return;
        const int generation = m_generation;
        QObject* receiver = m_wake.get();
        auto wake = [this, receiver, generation, name = add->Name] {
            QMetaObject::invokeMethod(receiver, [this, generation, name] { addReady(generation, name); },
                                      Qt::QueuedConnection);
        };
        add->Workers = std::make_unique<TThumbnailWorkers>(std::vector<QString>{m_directory + add->Name},
                                                           m_database->BoxWidth(), m_database->BoxHeight(),
                                                           m_database->ThumbnailMode(), 1, std::move(wake));
        ++running;
    }
}

void TBrowserFolder::stopAdds()
{
    for (const std::unique_ptr<TAdd>& add : m_adds)
        if (add->Workers)
            add->Workers->Cancel();
    m_adds.clear();
}

} // namespace vellum
