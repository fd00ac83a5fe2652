#pragma once

// The picture browser's database: the thumbnails of one folder, kept in memory and in the
// folder's "PicBrowser.pbf", brought up to date against the folder when it is opened and
// written back when it is left. All on one thread; only the thumbnails are made by workers.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include <QByteArray>
#include <QString>
#include <QStringList>

#include "browser/FileRecord.h"
#include "browser/PicBrowserFile.h"
#include "browser/Thumbnail.h"
#include "raster/Colour.h"
#include "raster/XBitmap.h"

class QObject;
class QFontMetrics;

namespace vellum {

class TThumbnailWorkers;

// What the last saving of the database file did.
enum class TSaveOutcome {
    None,        // nothing was tried (no folder)
    Written,
    Unchanged,   // not modified: the file was left as it was
    Deleted,     // no entries: the file was deleted
    Absent,      // no entries and no file
    Refused,     // the file is a link or no regular file: left alone
    Unwritable   // writing failed; the database stays modified
};

// What the last opening of a folder found and did.
struct TOpenReport {
    TDatabaseFileState OldFile = TDatabaseFileState::None;
    int Made = 0;      // thumbnails made from picture files
    int Reused = 0;    // entries taken over from the file
    int Dropped = 0;   // stored entries dropped (file gone, or a repeated name)
    // Files that got no entry, with the reason.
    std::vector<std::pair<QByteArray, QString>> Skipped;
};

class TCustomPictureDB {
public:
    using TProgressBeginEvent = std::function<void(TCustomPictureDB* sender, int steps)>;
    using TNotifyEvent = std::function<void(TCustomPictureDB* sender)>;

    // Sort keys.
    enum { skName = 0, skDate = 1, skType = 2, skSize = 3 };

    TCustomPictureDB(int cellWidth, int cellHeight, int margin, TColor selectedBackground, TColor textColour,
                     TColor selectedTextColour);
    // Saves a modified database.
    virtual ~TCustomPictureDB();
    TCustomPictureDB(const TCustomPictureDB&) = delete;
    TCustomPictureDB& operator=(const TCustomPictureDB&) = delete;

    // Extensions without the dot, from comma-separated text.
    void SetFileTypes(const QString& text);
    [[nodiscard]] const QStringList& FileTypes() const { return m_fileTypes; }
    [[nodiscard]] bool HandlesExtension(const QString& extension) const;

    // Leaves the current folder (saving it) and opens path: reads its database file and brings
    // it up to date, or builds it from the pictures. Returns when all is done.
    void OpenDirectory(const QString& path);
    // The same, returning at once: entries are appended in their final order as each and all
    // before it are ready (OnEntriesAdded), OnOpened when all are. Any other change of the
    // database, another opening or leaving first cancels it (CancelOpening).
    void BeginOpenDirectory(const QString& path);
    [[nodiscard]] bool IsOpening() const { return m_opening != nullptr; }
    // Stops the opening: no further thumbnail is started; the entries that are ready and the
    // stored entries of changed files not remade yet are kept (in order), to be remade next
    // time. An opening stopped before any entry never deletes the database file.
    void CancelOpening();

    // Replaces the entries with those of a database file's bytes, checked as when a folder is
    // opened but not compared with any folder; a damaged file leaves the database empty.
    TDatabaseFileState LoadStoredEntries(QByteArray bytes);

    // With deleteFile, deletes the database file and clears Modified; else SaveIfModified.
    // Then empties the database (the folder stays).
    void Clear(bool deleteFile);
    void SaveIfModified();

    [[nodiscard]] int Count() const { return int(m_entries.size()); }
    [[nodiscard]] int IndexOfName(const QString& name) const;
    bool AddFile(const QString& name);
    // AddFile with a thumbnail made elsewhere (off this thread) from the folder's file name.
    bool AddThumbnail(const QString& name, const TThumbnail& thumbnail);
    bool RefreshEntry(int index);
    // RefreshEntry with a thumbnail made elsewhere (off this thread) from the entry's file.
    bool RefreshEntry(int index, const TThumbnail& thumbnail);
    bool DeleteEntry(int index);
    bool MoveEntry(int from, int to);
    bool RenameEntry(int index, const QString& newName);
    bool Sort(int kind, bool ascending);

    [[nodiscard]] QString GetName(int index) const;
    [[nodiscard]] QString GetSizeText(int index) const;
    [[nodiscard]] QString GetDateText(int index) const;
    // Draws the cell of entry index into the cell image; an invalid index leaves it unchanged.
    // Raises EInvalidGraphic, the cell unchanged, when the entry's thumbnail cannot be decoded.
    const TXBitmap& GetCellImage(int index, bool selected);

    // The entry at a valid index, laid out.
    [[nodiscard]] const TFileRecord& Record(int index) const;
    [[nodiscard]] const QByteArray& ThumbnailData() const { return m_thumbnails; }
    [[nodiscard]] int SortKind() const { return m_sortKind; }
    [[nodiscard]] bool Modified() const { return m_modified; }
    [[nodiscard]] const QString& Directory() const { return m_directory; }

    [[nodiscard]] int CellWidth() const { return m_cellWidth; }
    [[nodiscard]] int CellHeight() const { return m_cellHeight; }
    [[nodiscard]] int Margin() const { return m_margin; }
    [[nodiscard]] int BoxWidth() const { return m_boxWidth; }
    [[nodiscard]] int BoxHeight() const { return m_boxHeight; }
    [[nodiscard]] int CaptionWidth() const { return m_captionWidth; }
    [[nodiscard]] int CaptionTop() const;

    // Worker threads for thumbnails (0: one per core) and how JPEG files are reduced.
    void SetThreadCount(int count) { m_threadCount = count; }
    void SetThumbnailMode(TThumbnailMode mode) { m_mode = mode; }
    [[nodiscard]] TThumbnailMode ThumbnailMode() const { return m_mode; }
    // Thumbnails of an opening made at a lower priority than the caller's thread (a window
    // that stays responsive while they are made).
    void SetBackgroundWorkers(bool background) { m_background = background; }

    [[nodiscard]] const TOpenReport& LastOpen() const { return m_report; }
    [[nodiscard]] TSaveOutcome LastSave() const { return m_lastSave; }

    static constexpr char kDatabaseFileName[] = "PicBrowser.pbf";

    TProgressBeginEvent OnProgressBegin;
    TNotifyEvent OnProgressStep;
    TNotifyEvent OnProgressEnd;
    TNotifyEvent OnEntriesAdded;
    TNotifyEvent OnOpened;

private:
    struct TOpening;

    void StartOpening(const QString& path, bool asynchronous);
    void ApplyReady(bool wait);
    void FinishOpening();
    void AppendEntry(const QByteArray& name, const TThumbnail& thumbnail);
    void AppendReused(const TFileRecord& record, const QByteArray& oldData);
    void CutThumbnail(std::int32_t offset, std::int32_t size);
    void LayOut(TFileRecord& record) const;
    [[nodiscard]] QString DatabasePath() const;
    [[nodiscard]] bool ValidIndex(int index) const { return index >= 0 && index < Count(); }
    [[nodiscard]] const QFontMetrics* Metrics() const;

    int m_cellWidth;
    int m_cellHeight;
    int m_margin;
    int m_boxWidth;
    int m_boxHeight;
    int m_captionWidth;
    TColor m_selectedBackground;
    TColor m_textColour;
    TColor m_selectedTextColour;

    QStringList m_fileTypes;
    QString m_directory;
    mutable std::vector<TFileRecord> m_entries;
    QByteArray m_thumbnails;
    int m_sortKind = skName;
    bool m_modified = false;
    bool m_cleared = false; // emptied by Clear, nothing added since
    bool m_interrupted = false; // the last opening was cancelled before every file was read
    TXBitmap m_cell;
    mutable std::unique_ptr<QFontMetrics> m_metrics;

    int m_threadCount = 0;
    bool m_background = false;
    TThumbnailMode m_mode = TThumbnailMode::Reduced;
    TOpenReport m_report;
    TSaveOutcome m_lastSave = TSaveOutcome::None;
    std::unique_ptr<TOpening> m_opening;
    // Receives the workers' wake-up calls on this database's thread.
    std::unique_ptr<QObject> m_wake;
};

// The database of the picture browser window.
class TPictureDB : public TCustomPictureDB {
public:
    using TCustomPictureDB::TCustomPictureDB;
};

} // namespace vellum
