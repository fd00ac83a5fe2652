#include "browser/PicDB.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <new>
#include <unordered_set>

#include <QFile>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QLocale>
#include <QObject>
#include <QPainter>
#include <QSaveFile>

#include "browser/FileAge.h"
#include "browser/FolderListing.h"
#include "browser/ThumbnailWorkers.h"
#include "raster/PictureCodecs.h"
#include "raster/VellumError.h"

namespace vellum {

namespace {

// The raised edge around a cell: outer light and dark, inner light and dark.
constexpr TColor kEdgeHighlight = RGBColor(255, 255, 255);
constexpr TColor kEdgeDarkShadow = RGBColor(105, 105, 105);
constexpr TColor kEdgeLight = RGBColor(227, 227, 227);
constexpr TColor kEdgeShadow = RGBColor(160, 160, 160);

// Fills the pixels x in [left, right), y in [top, bottom) of a 24-bit picture, clipped to it.
void FillPixels(TXBitmap& picture, int left, int top, int right, int bottom, TColor colour)
{
    left = std::max(left, 0);
    top = std::max(top, 0);
    right = std::min(right, picture.Width());
    bottom = std::min(bottom, picture.Height());
    std::uint8_t pixel[3];
    StorePixel(pixel, colour);
    for (int y = top; y < bottom; ++y) {
        std::uint8_t* row = picture.ScanLine(y);
        for (int x = left; x < right; ++x)
            std::memcpy(row + 3 * x, pixel, 3);
    }
}

// What the path names: nothing, a regular file (not a link), or something else.
enum class TPathKind { Missing, Regular, Other };

TPathKind PathKind(const QString& path)
{
    struct stat status {};
    if (::lstat(QFile::encodeName(path).constData(), &status) != 0)
        return TPathKind::Missing;
    return S_ISREG(status.st_mode) ? TPathKind::Regular : TPathKind::Other;
}

TFileRecord EntryOf(TStoredRecord record)
{
    TFileRecord entry;
    entry.Name = std::move(record.Name);
    entry.Width = record.Width;
    entry.Height = record.Height;
    entry.FileDate = record.FileDate;
    entry.ThumbOffset = record.ThumbOffset;
    entry.ThumbSize = record.ThumbSize;
    return entry;
}

// Whether a file's packed date is the stored one. A time without a packed form (before 1980 or
// after 2107) tells nothing: such a file is always taken as changed.
bool SameDate(std::int32_t current, std::int32_t stored)
{
    return current == stored && current != -1;
}

QString ExtensionWithDot(const QByteArray& name)
{
    const qsizetype dot = name.lastIndexOf('.');
    return dot < 0 ? QString() : QFile::decodeName(name.mid(dot));
}

} // namespace

// One opening in progress: the final order of the entries as slots, each either an entry
// taken over from the file or a thumbnail being made, applied strictly in order.
struct TCustomPictureDB::TOpening {
    struct TSlot {
        QByteArray Name;
        std::optional<TFileRecord> Reused; // else made by the workers
        // A changed file's stored entry: kept, to be remade next time, when the opening is
        // cancelled before its new thumbnail is ready.
        std::optional<TFileRecord> Old;
        std::size_t Job = 0;
        bool New = false;                  // counts as a progress step
    };
    std::vector<TSlot> Slots;
    std::size_t Next = 0;
    QByteArray OldData;
    std::unique_ptr<TThumbnailWorkers> Workers;
    int NewCount = 0;
    bool FromScratch = false;
    bool ProgressBegun = false;
    bool Changes = false; // the result may differ from what the file holds
    bool LostEntry = false; // a changed file that no longer loads
};

TCustomPictureDB::TCustomPictureDB(int cellWidth, int cellHeight, int margin, TColor selectedBackground,
                                   TColor textColour, TColor selectedTextColour)
    : m_cellWidth(cellWidth), m_cellHeight(cellHeight), m_margin(margin), m_boxWidth(cellWidth - 2 * margin),
      m_boxHeight(cellHeight - 4 * margin), m_captionWidth(cellWidth - 2 * margin),
      m_selectedBackground(selectedBackground), m_textColour(textColour), m_selectedTextColour(selectedTextColour),
      m_cell(std::max(cellWidth, 0), std::max(cellHeight, 0)), m_wake(std::make_unique<QObject>())
{
    FillPixels(m_cell, 0, 0, m_cell.Width(), m_cell.Height(), kButtonFace);
}

TCustomPictureDB::~TCustomPictureDB()
{
    try {
        CancelOpening();
        SaveIfModified();
    } catch (...) {
        // Nothing may leave a destructor; the file stays as it was.
    }
}

void TCustomPictureDB::SetFileTypes(const QString& text)
{
    m_fileTypes.clear();
    for (const QString& part : text.split(u','))
        if (!part.trimmed().isEmpty())
            m_fileTypes << part.trimmed();
}

bool TCustomPictureDB::HandlesExtension(const QString& extension) const
{
    return m_fileTypes.contains(extension, Qt::CaseInsensitive);
}

QString TCustomPictureDB::DatabasePath() const
{
    return m_directory + QLatin1String(kDatabaseFileName);
}

int TCustomPictureDB::CaptionTop() const
{
    const QFontMetrics* metrics = Metrics();
    return m_cellHeight - (metrics ? metrics->height() : 0) - m_margin;
}

const QFontMetrics* TCustomPictureDB::Metrics() const
{
    // Fonts need the application object; without one (vellum-batch) captions are the names.
    if (!m_metrics && qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        m_metrics = std::make_unique<QFontMetrics>(QGuiApplication::font());
    return m_metrics.get();
}

// --- opening

void TCustomPictureDB::OpenDirectory(const QString& path)
{
    StartOpening(path, false);
    ApplyReady(true);
}

void TCustomPictureDB::BeginOpenDirectory(const QString& path)
{
    StartOpening(path, true);
    ApplyReady(false);
}

void TCustomPictureDB::StartOpening(const QString& path, bool asynchronous)
{
    Clear(false);
    m_cleared = false;
    m_interrupted = false;
    m_directory = path.endsWith(u'/') ? path : path + u'/';
    m_report = TOpenReport();
    auto opening = std::make_unique<TOpening>();
    std::vector<QString> jobs;

    const TFolderListing listing = ListFolder(m_directory, m_fileTypes);
    auto addMade = [&](const QByteArray& name, bool isNew) {
        TOpening::TSlot slot;
        slot.Name = name;
        slot.Job = jobs.size();
        slot.New = isNew;
        jobs.push_back(m_directory + QFile::decodeName(name));
        opening->Slots.push_back(std::move(slot));
    };
    auto storable = [&](const QByteArray& name) {
        if (IsStorableName(name))
            return true;
        m_report.Skipped.emplace_back(name, QStringLiteral("The name is longer than %1 bytes").arg(TPicBrowserFile::kMaxNameLength));
        return false;
    };

    TPicBrowserFile file;
    TDatabaseFileState state = file.Load(DatabasePath(), m_boxWidth, m_boxHeight);
    std::vector<TStoredRecord> stored;
    int duplicates = 0;
    if (state == TDatabaseFileState::Current)
        state = file.Decode(m_boxWidth, m_boxHeight, stored, opening->OldData, duplicates);
    m_report.OldFile = state;
    // The older form is rewritten in the current one when the folder is left.
    m_modified = state == TDatabaseFileState::OldFormat;

    const TNameOrder order;
    if (state == TDatabaseFileState::Current || state == TDatabaseFileState::OldFormat) {
        // New files are found by their exact names: a name differing from an entry's only in
        // letter case is another file.
        std::unordered_set<QByteArray> known;
        for (const TStoredRecord& record : stored)
            known.insert(record.Name);
        std::vector<QByteArray> newNames;
        for (const QString& extension : m_fileTypes) {
            std::vector<QByteArray> group;
            for (const QByteArray& name : listing.Names)
                if (!known.contains(name) && MatchesExtension(name, {extension}) && storable(name)) {
                    group.push_back(name);
                    known.insert(name);
                }
            std::sort(group.begin(), group.end(), std::cref(order));
            newNames.insert(newNames.end(), group.begin(), group.end());
        }
        auto currentDate = [&](const QByteArray& name, std::int32_t& date) {
            const auto found = listing.FileDates.find(name);
            if (found != listing.FileDates.end()) {
                date = found->second;
                return true;
            }
            return RegularFileDate(m_directory, name, date);
        };
        bool rebuild = !newNames.empty() || duplicates > 0;
        for (std::size_t i = 0; i < stored.size() && !rebuild; ++i) {
            std::int32_t date = 0;
            rebuild = !currentDate(stored[i].Name, date) || !SameDate(date, stored[i].FileDate);
        }
        m_report.Dropped = duplicates;
        if (!rebuild) {
            // Nothing changed: the entries and their bytes are taken over as they are.
            m_entries.reserve(stored.size());
            for (TStoredRecord& record : stored)
                m_entries.push_back(EntryOf(std::move(record)));
            m_thumbnails = std::move(opening->OldData);
            m_report.Reused = Count();
            return;
        }
        opening->Changes = true;
        for (const TStoredRecord& record : stored) {
            std::int32_t date = 0;
            if (!currentDate(record.Name, date)) {
                ++m_report.Dropped;
                continue;
            }
            if (!SameDate(date, record.FileDate)) {
                addMade(record.Name, false);
                opening->Slots.back().Old = EntryOf(record);
                continue;
            }
            TOpening::TSlot slot;
            slot.Name = record.Name;
            slot.Reused = EntryOf(record);
            opening->Slots.push_back(std::move(slot));
        }
        for (const QByteArray& name : newNames)
            addMade(name, true);
        opening->NewCount = int(newNames.size());
    } else {
        std::vector<QByteArray> names;
        std::unordered_set<QByteArray> seen;
        for (const QByteArray& name : listing.Names)
            if (seen.insert(name).second && storable(name))
                names.push_back(name);
        std::sort(names.begin(), names.end(), std::cref(order));
        for (const QByteArray& name : names)
            addMade(name, true);
        opening->NewCount = int(names.size());
        opening->FromScratch = true;
        opening->Changes = !names.empty();
    }
    if (opening->Slots.empty() && !opening->Changes)
        return;
    if (!jobs.empty()) {
        std::function<void()> wake;
        if (asynchronous) {
            QObject* receiver = m_wake.get();
            wake = [this, receiver] {
                QMetaObject::invokeMethod(receiver, [this] { ApplyReady(false); }, Qt::QueuedConnection);
            };
        }
        opening->Workers = std::make_unique<TThumbnailWorkers>(std::move(jobs), m_boxWidth, m_boxHeight, m_mode,
                                                               m_threadCount, std::move(wake), m_background);
    }
    m_opening = std::move(opening);
    if (m_opening->FromScratch && OnProgressBegin) {
        m_opening->ProgressBegun = true;
        OnProgressBegin(this, m_opening->NewCount);
    }
}

TDatabaseFileState TCustomPictureDB::LoadStoredEntries(QByteArray bytes)
{
    CancelOpening();
    m_entries.clear();
    m_thumbnails.clear();
    TPicBrowserFile file;
    file.SetBytes(std::move(bytes));
    std::vector<TStoredRecord> stored;
    int duplicates = 0;
    const TDatabaseFileState state = file.Decode(m_boxWidth, m_boxHeight, stored, m_thumbnails, duplicates);
    if (state == TDatabaseFileState::Damaged) {
        m_thumbnails.clear();
        return state;
    }
    for (TStoredRecord& record : stored)
        m_entries.push_back(EntryOf(std::move(record)));
    return state;
}

void TCustomPictureDB::ApplyReady(bool wait)
{
    if (!m_opening)
        return;
    TOpening& opening = *m_opening;
    const int before = Count();
    while (opening.Next < opening.Slots.size()) {
        TOpening::TSlot& slot = opening.Slots[opening.Next];
        if (slot.New && !opening.ProgressBegun) {
            opening.ProgressBegun = true;
            if (OnProgressBegin)
                OnProgressBegin(this, opening.NewCount);
        }
        if (slot.Reused) {
            try {
                AppendReused(*slot.Reused, opening.OldData);
                ++m_report.Reused;
            } catch (const std::exception&) {
                ++m_report.Dropped;
            }
        } else {
            std::optional<TThumbnailWorkers::TResult> result = opening.Workers->Take(slot.Job, wait);
            if (!result) {
                if (!wait)
                    break;
                // Only after CancelOpening: what is not replaced stays as it was, and a new
                // file is found again next time.
                if (slot.Old) {
                    try {
                        AppendReused(*slot.Old, opening.OldData);
                        ++m_report.Reused;
                    } catch (const std::exception&) {
                        ++m_report.Dropped;
                    }
                } else {
                    m_interrupted = true;
                }
                ++opening.Next;
                continue;
            }
            bool added = false;
            if (result->Ok) {
                try {
                    AppendEntry(slot.Name, result->Thumbnail);
                    ++m_report.Made;
                    added = true;
                } catch (const VellumException& e) {
                    result->Message = e.message();
                } catch (const std::bad_alloc&) {
                    result->Message = QStringLiteral("Out of memory");
                }
            }
            if (!added) {
                m_report.Skipped.emplace_back(slot.Name, result->Message);
                opening.LostEntry = opening.LostEntry || !slot.New;
            }
            if (slot.New && OnProgressStep)
                OnProgressStep(this);
        }
        ++opening.Next;
    }
    if (Count() > before && OnEntriesAdded)
        OnEntriesAdded(this);
    if (opening.Next >= opening.Slots.size())
        FinishOpening();
}

void TCustomPictureDB::FinishOpening()
{
    std::unique_ptr<TOpening> opening = std::move(m_opening);
    if (opening->ProgressBegun && OnProgressEnd)
        OnProgressEnd(this);
    // A refresh whose only news were files that still cannot be read leaves every entry and
    // the order as they were: nothing needs writing.
    if (opening->Changes && (opening->FromScratch || opening->LostEntry || m_report.Made > 0 || m_report.Dropped > 0))
        m_modified = true;
    opening.reset();
    if (OnOpened)
        OnOpened(this);
}

void TCustomPictureDB::CancelOpening()
{
    if (!m_opening)
        return;
    if (m_opening->Workers)
        m_opening->Workers->Cancel();
    // Everything ready is applied; the files not started yet are left out.
    ApplyReady(true);
}

void TCustomPictureDB::AppendEntry(const QByteArray& name, const TThumbnail& thumbnail)
{
    const std::int64_t total = std::int64_t(TPicBrowserFile::kRecordSize) * (Count() + 1) + 24
        + m_thumbnails.size() + thumbnail.Jpeg.size();
    if (total > TPicBrowserFile::kMaxFileSize)
        throw EVellumError(QStringLiteral("The database of this folder is full"));
    TFileRecord entry;
    entry.Name = name;
    entry.Width = thumbnail.Width;
    entry.Height = thumbnail.Height;
    entry.FileDate = thumbnail.FileDate;
    entry.ThumbOffset = std::int32_t(m_thumbnails.size());
    entry.ThumbSize = std::int32_t(thumbnail.Jpeg.size());
    m_thumbnails.append(thumbnail.Jpeg);
    m_entries.push_back(std::move(entry));
}

void TCustomPictureDB::AppendReused(const TFileRecord& record, const QByteArray& oldData)
{
    TFileRecord entry = record;
    entry.ThumbOffset = std::int32_t(m_thumbnails.size());
    m_thumbnails.append(oldData.constData() + record.ThumbOffset, record.ThumbSize);
    m_entries.push_back(std::move(entry));
}

// --- leaving

void TCustomPictureDB::Clear(bool deleteFile)
{
    CancelOpening();
    if (deleteFile) {
        if (!m_directory.isEmpty() && PathKind(DatabasePath()) == TPathKind::Regular)
            QFile::remove(DatabasePath());
        m_modified = false;
    } else {
        SaveIfModified();
    }
    m_entries.clear();
    m_thumbnails.clear();
    // What was in memory has been saved or dropped: an empty database left this way must not
    // be taken for a folder without pictures, whose file a later save deletes.
    m_cleared = true;
}

void TCustomPictureDB::SaveIfModified()
{
    CancelOpening();
    if (m_directory.isEmpty()) {
        m_lastSave = TSaveOutcome::None;
        return;
    }
    if (m_cleared)
        return;
    const QString path = DatabasePath();
    const TPathKind kind = PathKind(path);
    // A link or special file named like the database is never followed: a hostile folder
    // could otherwise have any file of the user's overwritten or deleted.
    if (kind == TPathKind::Other) {
        m_lastSave = TSaveOutcome::Refused;
        return;
    }
    if (m_entries.empty()) {
        // An opening stopped before any picture was read says nothing about the folder.
        if (m_interrupted) {
            m_lastSave = TSaveOutcome::Unchanged;
            return;
        }
        if (kind == TPathKind::Missing) {
            m_lastSave = TSaveOutcome::Absent;
        } else {
            m_lastSave = QFile::remove(path) ? TSaveOutcome::Deleted : TSaveOutcome::Unwritable;
        }
        return;
    }
    if (!m_modified) {
        m_lastSave = TSaveOutcome::Unchanged;
        return;
    }
    std::vector<TStoredRecord> records;
    records.reserve(m_entries.size());
    for (const TFileRecord& entry : m_entries)
        records.push_back({entry.Name, entry.FileDate, entry.Width, entry.Height, entry.ThumbOffset, entry.ThumbSize});
    TPicBrowserFile file;
    const QByteArray header = file.EncodeHeader(records);
    m_lastSave = TSaveOutcome::Unwritable;
    if (header.size() + std::int64_t(m_thumbnails.size()) > TPicBrowserFile::kMaxFileSize)
        return;
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly))
        return;
    if (out.write(header) != header.size() || out.write(m_thumbnails) != m_thumbnails.size()) {
        out.cancelWriting();
        return;
    }
    if (!out.commit())
        return;
    m_modified = false;
    m_lastSave = TSaveOutcome::Written;
}

// --- entries

int TCustomPictureDB::IndexOfName(const QString& name) const
{
    const QByteArray bytes = QFile::encodeName(name);
    for (int i = 0; i < Count(); ++i)
        if (m_entries[std::size_t(i)].Name == bytes)
            return i;
    return -1;
}

bool TCustomPictureDB::AddFile(const QString& name)
{
    CancelOpening();
    const QByteArray bytes = QFile::encodeName(name);
    if (m_directory.isEmpty() || !IsStorableName(bytes))
        return false;
    try {
        const TThumbnail thumbnail = MakeThumbnail(m_directory + name, m_boxWidth, m_boxHeight, m_mode);
        AppendEntry(bytes, thumbnail);
    } catch (const std::exception&) {
        return false;
    }
    m_modified = true;
    m_cleared = false;
    return true;
}

bool TCustomPictureDB::AddThumbnail(const QString& name, const TThumbnail& thumbnail)
{
    CancelOpening();
    const QByteArray bytes = QFile::encodeName(name);
    if (m_directory.isEmpty() || !IsStorableName(bytes))
        return false;
    try {
        AppendEntry(bytes, thumbnail);
    } catch (const std::exception&) {
        return false;
    }
    m_modified = true;
    m_cleared = false;
    return true;
}

bool TCustomPictureDB::RefreshEntry(int index)
{
    CancelOpening();
    if (!ValidIndex(index))
        return false;
    TThumbnail thumbnail;
    try {
        const TFileRecord& entry = m_entries[std::size_t(index)];
        thumbnail = MakeThumbnail(m_directory + QFile::decodeName(entry.Name), m_boxWidth, m_boxHeight, m_mode);
    } catch (const std::exception&) {
        return false;
    }
    return RefreshEntry(index, thumbnail);
}

bool TCustomPictureDB::RefreshEntry(int index, const TThumbnail& thumbnail)
{
    CancelOpening();
    if (!ValidIndex(index))
        return false;
    TFileRecord& entry = m_entries[std::size_t(index)];
    try {
        // The entry changes only once the new thumbnail exists: a failure leaves it as it was.
        const std::int64_t total = std::int64_t(TPicBrowserFile::kRecordSize) * Count() + 24 + m_thumbnails.size()
            - entry.ThumbSize + thumbnail.Jpeg.size();
        if (total > TPicBrowserFile::kMaxFileSize)
            return false;
        CutThumbnail(entry.ThumbOffset, entry.ThumbSize);
        entry.ThumbOffset = std::int32_t(m_thumbnails.size());
        entry.ThumbSize = std::int32_t(thumbnail.Jpeg.size());
        m_thumbnails.append(thumbnail.Jpeg);
    } catch (const std::exception&) {
        return false;
    }
    entry.Width = thumbnail.Width;
    entry.Height = thumbnail.Height;
    entry.FileDate = thumbnail.FileDate;
    entry.LaidOut = false;
    m_modified = true;
    return true;
}

void TCustomPictureDB::CutThumbnail(std::int32_t offset, std::int32_t size)
{
    if (offset < 0 || size <= 0 || std::int64_t(offset) + size > m_thumbnails.size())
        return;
    m_thumbnails.remove(offset, size);
    for (TFileRecord& entry : m_entries)
        if (entry.ThumbOffset > offset)
            entry.ThumbOffset -= size;
}

bool TCustomPictureDB::DeleteEntry(int index)
{
    CancelOpening();
    if (!ValidIndex(index))
        return false;
    const TFileRecord entry = m_entries[std::size_t(index)];
    m_entries.erase(m_entries.begin() + index);
    if (m_entries.empty())
        m_thumbnails.clear();
    else
        CutThumbnail(entry.ThumbOffset, entry.ThumbSize);
    m_modified = true;
    return true;
}

bool TCustomPictureDB::MoveEntry(int from, int to)
{
    CancelOpening();
    if (!ValidIndex(from) || !ValidIndex(to) || from == to)
        return false;
    const auto first = m_entries.begin();
    if (from < to)
        std::rotate(first + from, first + from + 1, first + to + 1);
    else
        std::rotate(first + to, first + from, first + from + 1);
    m_modified = true;
    return true;
}

bool TCustomPictureDB::RenameEntry(int index, const QString& newName)
{
    CancelOpening();
    const QByteArray bytes = QFile::encodeName(newName);
    if (!ValidIndex(index) || !IsStorableName(bytes))
        return false;
    TFileRecord& entry = m_entries[std::size_t(index)];
    entry.Name = bytes;
    entry.LaidOut = false;
    m_modified = true;
    return true;
}

bool TCustomPictureDB::Sort(int kind, bool ascending)
{
    CancelOpening();
    m_sortKind = kind;
    try {
        const TNameOrder names;
        // Every key falls back to the names, which are unique: the order is total, so
        // descending is the exact reverse of ascending.
        auto less = [&](const TFileRecord& a, const TFileRecord& b) {
            int c = 0;
            switch (kind) {
            case skDate:
                // Unsigned: the packed form's year field uses the sign bit from 2044 on, and
                // -1 (no date) sorts last.
                c = std::uint32_t(a.FileDate) < std::uint32_t(b.FileDate) ? -1 : (std::uint32_t(a.FileDate) > std::uint32_t(b.FileDate) ? 1 : 0);
                break;
            case skType:
                c = ExtensionWithDot(a.Name).compare(ExtensionWithDot(b.Name), Qt::CaseInsensitive);
                break;
            case skSize: {
                const std::int64_t pa = std::int64_t(a.Width) * a.Height;
                const std::int64_t pb = std::int64_t(b.Width) * b.Height;
                c = pa < pb ? -1 : (pa > pb ? 1 : 0);
                break;
            }
            default:
                break;
            }
            if (c == 0)
                c = names.Compare(a.Name, b.Name);
            return ascending ? c < 0 : c > 0;
        };
        std::stable_sort(m_entries.begin(), m_entries.end(), less);
    } catch (const std::exception&) {
        return false;
    }
    m_modified = true;
    return true;
}

QString TCustomPictureDB::GetName(int index) const
{
    return ValidIndex(index) ? QFile::decodeName(m_entries[std::size_t(index)].Name) : QString();
}

QString TCustomPictureDB::GetSizeText(int index) const
{
    if (!ValidIndex(index))
        return QStringLiteral("????");
    const TFileRecord& entry = m_entries[std::size_t(index)];
    return QStringLiteral("%1 x %2").arg(entry.Width).arg(entry.Height);
}

QString TCustomPictureDB::GetDateText(int index) const
{
    if (!ValidIndex(index))
        return QStringLiteral("????");
    const QDateTime time = DosDateTimeToDateTime(m_entries[std::size_t(index)].FileDate);
    if (!time.isValid())
        return QStringLiteral("????");
    return QLocale().toString(time, QLocale::ShortFormat);
}

// --- layout and drawing

const TFileRecord& TCustomPictureDB::Record(int index) const
{
    TFileRecord& entry = m_entries.at(std::size_t(index));
    if (!entry.LaidOut)
        LayOut(entry);
    return entry;
}

void TCustomPictureDB::LayOut(TFileRecord& entry) const
{
    entry.LaidOut = true;
    const QString name = QFile::decodeName(entry.Name);
    const QFontMetrics* metrics = Metrics();
    const int nameWidth = metrics ? metrics->horizontalAdvance(name) : 0;
    if (nameWidth <= m_captionWidth) {
        entry.Caption = name;
        entry.CaptionX = (m_captionWidth - nameWidth) / 2 + m_margin;
    } else {
        const int ellipsis = metrics->horizontalAdvance(QStringLiteral("..."));
        int fitting = 0;
        int fittingWidth = 0;
        for (qsizetype k = 1; k <= name.size(); ++k) {
            if (k < name.size() && name.at(k - 1).isHighSurrogate())
                continue; // never split a character
            const int width = metrics->horizontalAdvance(name.left(k));
            if (width + ellipsis > m_captionWidth)
                break;
            fitting = int(k);
            fittingWidth = width;
        }
        entry.Caption = name.left(fitting) + QStringLiteral("...");
        entry.CaptionX = (m_captionWidth - (fittingWidth + ellipsis)) / 2 + m_margin;
    }
    int width = 0;
    int height = 0;
    const std::int64_t end = std::int64_t(entry.ThumbOffset) + entry.ThumbSize;
    if (entry.ThumbOffset >= 0 && entry.ThumbSize > 0 && end <= m_thumbnails.size()
        && JpegFrameSize(reinterpret_cast<const std::uint8_t*>(m_thumbnails.constData()) + entry.ThumbOffset,
                         entry.ThumbSize, width, height)) {
        entry.ThumbX = (m_boxWidth - width) / 2 + m_margin;
        entry.ThumbY = (m_boxHeight - height) / 2 + m_margin;
    } else {
        entry.ThumbX = m_margin;
        entry.ThumbY = m_margin;
    }
}

const TXBitmap& TCustomPictureDB::GetCellImage(int index, bool selected)
{
    if (!ValidIndex(index) || m_cell.Empty())
        return m_cell;
    const TFileRecord& entry = Record(index);
    // Decoded first: a damaged thumbnail raises before the cell is touched.
    TXBitmap thumbnail;
    const std::int64_t end = std::int64_t(entry.ThumbOffset) + entry.ThumbSize;
    if (entry.ThumbOffset >= 0 && entry.ThumbSize > 0 && end <= m_thumbnails.size())
        DecodeThumbnail(m_thumbnails.constData() + entry.ThumbOffset, entry.ThumbSize, thumbnail);
    const TColor brush = selected ? m_selectedBackground : kButtonFace;
    const TColor text = selected ? m_selectedTextColour : m_textColour;
    const int right = m_cellWidth - 1;   // the inner rectangle, right and bottom exclusive
    const int bottom = m_cellHeight - 1;
    FillPixels(m_cell, 1, 1, right, bottom, brush);
    FillPixels(m_cell, 1, 1, right - 1, 2, kEdgeHighlight);
    FillPixels(m_cell, 1, 1, 2, bottom - 1, kEdgeHighlight);
    FillPixels(m_cell, 1, bottom - 1, right, bottom, kEdgeDarkShadow);
    FillPixels(m_cell, right - 1, 1, right, bottom, kEdgeDarkShadow);
    FillPixels(m_cell, 2, 2, right - 2, 3, kEdgeLight);
    FillPixels(m_cell, 2, 2, 3, bottom - 2, kEdgeLight);
    FillPixels(m_cell, 2, bottom - 2, right - 1, bottom - 1, kEdgeShadow);
    FillPixels(m_cell, right - 2, 2, right - 1, bottom - 1, kEdgeShadow);

    if (!thumbnail.Empty()) {
        const int left = std::max(0, entry.ThumbX);
        const int top = std::max(0, entry.ThumbY);
        const int width = std::min(thumbnail.Width() - (left - entry.ThumbX), m_cellWidth - left);
        for (int y = top; y < m_cellHeight && y - entry.ThumbY < thumbnail.Height() && width > 0; ++y)
            std::memcpy(m_cell.ScanLine(y) + 3 * left, thumbnail.ScanLine(y - entry.ThumbY) + 3 * (left - entry.ThumbX),
                        std::size_t(width) * 3);
    }

    if (const QFontMetrics* metrics = Metrics()) {
        QImage image = m_cell.SharedImage();
        QPainter painter(&image);
        painter.setFont(QGuiApplication::font());
        painter.setPen(QColor(GetRValue(text), GetGValue(text), GetBValue(text)));
        painter.setBackgroundMode(Qt::OpaqueMode);
        painter.setBackground(QColor(GetRValue(brush), GetGValue(brush), GetBValue(brush)));
        painter.drawText(QPoint(entry.CaptionX, CaptionTop() + metrics->ascent()), entry.Caption);
    }
    return m_cell;
}

} // namespace vellum
