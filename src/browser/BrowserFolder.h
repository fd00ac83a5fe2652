#pragma once

// The folder a picture browser shows: its database, the opening and refreshing of it in the
// background, the file actions applied to it and the thumbnails of files that appeared. All on
// the owner's thread; a window only calls in and observes the callbacks, so everything here
// runs without one.
#include <functional>
#include <memory>
#include <vector>

#include <QString>
#include <QStringList>

class QObject;

namespace vellum {

class TPictureDB;
class TThumbnailWorkers;

class TBrowserFolder {
public:
    explicit TBrowserFolder(std::unique_ptr<TPictureDB> database);
    // Stops everything in progress; the database saves a modified file.
    ~TBrowserFolder();
    TBrowserFolder(const TBrowserFolder&) = delete;
    TBrowserFolder& operator=(const TBrowserFolder&) = delete;

    [[nodiscard]] TPictureDB& Database() const { return *m_database; }
    // The open folder, ending in '/'; empty while none is.
    [[nodiscard]] const QString& Directory() const { return m_directory; }

    // Leaves the open folder (saving its database) and opens folder in the background; an
    // empty folder only leaves.
    void Open(const QString& folder);
    // Opens the same folder again, brought up to date against the files.
    void Refresh();
    // Stops the opening and the thumbnails of files that appeared; the folder stays open with
    // what is ready.
    void Stop();

    // The folder is still being read.
    [[nodiscard]] bool IsOpening() const;
    // Thumbnails for files that appeared are still being made.
    [[nodiscard]] bool AddsPending() const { return !m_adds.empty(); }

    // What happened to a file of the open folder (the name without the folder). Actions that
    // come while the folder is being read are applied once it is open.
    void FileAdded(const QString& name);
    void FileRemoved(const QString& name);
    void FileRenamed(const QString& name, const QString& newName);

    // Entries of the opening were appended.
    std::function<void()> OnEntriesAdded;
    // The opening of Directory is complete: once for each Open or Refresh.
    std::function<void()> OnOpened;
    // A file action removed the entry at index.
    std::function<void(int index)> OnEntryRemoved;
    // The thumbnail of a file that appeared was appended at index.
    std::function<void(int index)> OnEntryAppended;
    // The entry at index was remade from its file.
    std::function<void(int index)> OnEntryChanged;
    // The entry at index got a new name.
    std::function<void(int index)> OnEntryRenamed;
    // A failure in work finished in the background.
    std::function<void(const QString& message)> OnError;

private:
    struct TAction {
        enum { Added, Removed, Renamed } Kind;
        QString Name;
        QString NewName;
    };
    struct TAdd;

    void apply(const TAction& action);
    void opened();
    void addReady(int generation, const QString& name);
    void startAdds();
    void stopAdds();
    void leaveOpening();

    std::unique_ptr<TPictureDB> m_database;
    QString m_directory;
    // Counts openings: work of an older one is dropped.
    int m_generation = 0;
    int m_openedGeneration = -1;
    bool m_leaving = false;
    std::vector<TAction> m_pendingActions;
    std::vector<std::unique_ptr<TAdd>> m_adds;
    // Receives the workers' wake-up calls on the owner's thread.
    std::unique_ptr<QObject> m_wake;
};

} // namespace vellum
