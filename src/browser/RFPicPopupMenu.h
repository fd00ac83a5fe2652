#pragma once

// The recent-files menu with thumbnails, kept between runs in the recent-files file.
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>

#include <QThreadPool>

#include "browser/RFPopupMenu.h"
#include "raster/XBitmap.h"

namespace vellum {

// One entry: its caption is the path; it carries the thumbnail (at most 80 x 70), the file
// date the thumbnail was made from (Tag) and the state of the job making it.
class TRecentFileEntry : public QAction {
    Q_OBJECT
public:
    TRecentFileEntry(const QString& path, QObject* parent);
    ~TRecentFileEntry() override;

    [[nodiscard]] const TXBitmap& Thumbnail() const { return m_thumbnail; }
    void SetThumbnail(TXBitmap thumbnail);
    std::int32_t Tag = -1;
    // A job is making the thumbnail / the last job failed.
    bool Pending = false;
    bool Failed = false;
    // Shared with the entry's job: set when the entry goes, so the job stops and its result is
    // dropped.
    std::shared_ptr<std::atomic_bool> Cancel = std::make_shared<std::atomic_bool>(false);

private:
    TXBitmap m_thumbnail;
};

class TRecentFilesPicPopupMenu : public TRecentFilesPopupMenu {
    Q_OBJECT
public:
    static constexpr std::int32_t FileVersion = 1;

    explicit TRecentFilesPicPopupMenu(QWidget* parent = nullptr);
    // Stops the running jobs and waits for them.
    ~TRecentFilesPicPopupMenu() override;

    [[nodiscard]] QString FileNamePath() const { return m_fileNamePath; }
    void SetFileNamePath(const QString& path) { m_fileNamePath = path; }
    // At most 15 characters: longer text is cut.
    [[nodiscard]] QString FileHeaderName() const { return m_fileHeaderName; }
    void SetFileHeaderName(const QString& name);
    bool AutoUpdateOnPopup = true;
    // Qt menus paint off-screen already: kept for the settings' sake only.
    bool DoubleBuffered = false;

    [[nodiscard]] TRecentFileEntry* PicEntry(int index) const;

    // Reads FileNamePath: entries whose file still exists and that have a thumbnail, appended
    // in file order; a stored date still matching the file keeps the stored thumbnail, else a
    // job makes a new one; at most MaxFileList entries in all. False when the file is missing,
    // unreadable, of another program or of another version.
    bool LoadRecentFiles();
    // Writes FileNamePath atomically; false on any error, the old file then stays.
    bool SaveRecentFiles();
    // Before the menu shows (with AutoUpdateOnPopup): drops entries whose file is gone or whose
    // thumbnail failed, and re-makes at once the thumbnail of a file changed since.
    void UpdateEntries();
    // Waits for the jobs of the listed entries and hands their results over (at close, before
    // SaveRecentFiles).
    void FinishThumbnails();

    // What makes a thumbnail (tests count calls through it). Called on worker threads.
    std::function<bool(const QString& path, TXBitmap& thumbnail)> ThumbnailMaker;

protected:
    QAction* CreateEntry(const QString& path) override;
    void DoAddItem(QAction* entry) override;
    void DoDeleteItem(int index) override;

private:
    void startJob(TRecentFileEntry* entry);
    void deliver(const QString& path, const std::shared_ptr<std::atomic_bool>& cancel, bool made,
                 const std::shared_ptr<TXBitmap>& thumbnail);

    QString m_fileNamePath;
    QString m_fileHeaderName = QStringLiteral("Pic Popup File");
    // The entry being added comes from the file with a date that still matches.
    bool m_loadingCurrent = false;
    QThreadPool m_pool;
};

} // namespace vellum
