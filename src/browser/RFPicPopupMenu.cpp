#include "browser/RFPicPopupMenu.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <QProxyStyle>
#include <QSaveFile>
#include <QStyleOptionMenuItem>
#include <qdrawutil.h>

#include "browser/FileAge.h"
#include "browser/PicPopupThumbnailFile.h"
#include "browser/RecentThumbnail.h"

namespace vellum {

namespace {

// The entries' drawing: a column for the thumbnail (its icon), the full path beside it.
class TRecentFilesMenuStyle : public QProxyStyle {
public:
    static constexpr int ThumbnailColumn = 80;

    static QSize thumbnailSize(const QStyleOption* option)
    {
        const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
        if (item == nullptr || item->icon.isNull() || item->icon.availableSizes().isEmpty())
            return QSize(0, 0);
        return item->icon.availableSizes().first();
    }

    QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& contents,
                           const QWidget* widget) const override
    {
        const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
        if (type != CT_MenuItem || item == nullptr || item->menuItemType != QStyleOptionMenuItem::Normal)
            return QProxyStyle::sizeFromContents(type, option, contents, widget);
        // The text as it is: ampersands and tabs are part of the path.
        const QSize text(item->fontMetrics.horizontalAdvance(item->text), item->fontMetrics.height());
        const QSize standard = QProxyStyle::sizeFromContents(type, option, text, widget);
        return QSize(standard.width() + 100, std::max(thumbnailSize(option).height(), standard.height()) + 8);
    }

    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override
    {
        const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
        if (element != CE_MenuItem || item == nullptr || item->menuItemType != QStyleOptionMenuItem::Normal) {
            QProxyStyle::drawControl(element, option, painter, widget);
            return;
        }
        const bool selected = (item->state & State_Selected) != 0 && (item->state & State_Enabled) != 0;
        const QRect r = item->rect;
        painter->fillRect(r, item->palette.color(selected ? QPalette::Highlight : QPalette::Window));
        const QSize thumb = thumbnailSize(option);
        if (!thumb.isEmpty()) {
            const QPoint at(r.left() + 5 + (ThumbnailColumn - thumb.width()) / 2,
                            r.top() + (r.height() - thumb.height()) / 2);
            painter->drawPixmap(at, item->icon.pixmap(thumb));
            if (!selected)
                qDrawShadePanel(painter, QRect(at, thumb).adjusted(-2, -2, 2, 2), item->palette, true, 2);
        }
        painter->setPen(item->palette.color(selected ? QPalette::HighlightedText : QPalette::WindowText));
        const QRect text(r.left() + 95, r.top() + (r.height() - item->fontMetrics.height()) / 2,
                         r.width() - 95, item->fontMetrics.height());
        // No mnemonic and no tab handling: the caption is a path and shows as it is.
        painter->drawText(text, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, item->text);
    }
};

bool fileExists(const QString& path)
{
    return QFileInfo(path).isFile();
}

} // namespace

TRecentFileEntry::TRecentFileEntry(const QString& path, QObject* parent)
    : QAction(path, parent)
{
    setData(path);
}

TRecentFileEntry::~TRecentFileEntry()
{
    *Cancel = true;
}

void TRecentFileEntry::SetThumbnail(TXBitmap thumbnail)
{
    m_thumbnail = std::move(thumbnail);
    setIcon(m_thumbnail.Empty() ? QIcon() : QIcon(QPixmap::fromImage(m_thumbnail.ToImage())));
}

TRecentFilesPicPopupMenu::TRecentFilesPicPopupMenu(QWidget* parent)
    : TRecentFilesPopupMenu(parent)
    , ThumbnailMaker(MakeRecentThumbnail)
{
    auto* style = new TRecentFilesMenuStyle;
    style->setParent(this);
    setStyle(style);
    m_pool.setMaxThreadCount(QThread::idealThreadCount());
    m_pool.setThreadPriority(QThread::LowPriority);
    connect(this, &QMenu::aboutToShow, this, [this] {
        if (AutoUpdateOnPopup)
            UpdateEntries();
    });
}

TRecentFilesPicPopupMenu::~TRecentFilesPicPopupMenu()
{
    for (int i = 0; i < EntryCount(); ++i)
        *PicEntry(i)->Cancel = true;
    m_pool.waitForDone();
}

void TRecentFilesPicPopupMenu::SetFileHeaderName(const QString& name)
{
    m_fileHeaderName = TPicPopupThumbnailFile::HeaderName(name);
}

TRecentFileEntry* TRecentFilesPicPopupMenu::PicEntry(int index) const
{
    return static_cast<TRecentFileEntry*>(Entry(index));
}

QAction* TRecentFilesPicPopupMenu::CreateEntry(const QString& path)
{
    auto* entry = new TRecentFileEntry(path, this);
    connect(entry, &QAction::triggered, this, [this, entry] {
        if (DefaultOnItemClick)
            DefaultOnItemClick(entry);
    });
    return entry;
}

void TRecentFilesPicPopupMenu::DoAddItem(QAction* action)
{
    auto* entry = static_cast<TRecentFileEntry*>(action);
    if (!m_loadingCurrent) {
        const QString path = EntryPath(entry);
        entry->Tag = FileAge(path);
        // Whether the file exists is asked directly: a file from before 1980 has no date.
        if (fileExists(path))
            startJob(entry);
    }
    TRecentFilesPopupMenu::DoAddItem(action);
}

void TRecentFilesPicPopupMenu::DoDeleteItem(int index)
{
    *PicEntry(index)->Cancel = true;
    TRecentFilesPopupMenu::DoDeleteItem(index);
}

void TRecentFilesPicPopupMenu::startJob(TRecentFileEntry* entry)
{
    entry->Pending = true;
    entry->Failed = false;
    const QString path = EntryPath(entry);
    const std::shared_ptr<std::atomic_bool> cancel = entry->Cancel;
    const auto maker = ThumbnailMaker;
    // The job owns copies of everything it uses; it reaches the menu only through the queued
    // hand-over, and the menu waits for its jobs before it goes.
    m_pool.start([this, path, cancel, maker] {
        if (*cancel)
            return;
        auto thumbnail = std::make_shared<TXBitmap>();
        const bool made = maker(path, *thumbnail);
        if (*cancel)
            return;
        QMetaObject::invokeMethod(
            this, [this, path, cancel, made, thumbnail] { deliver(path, cancel, made, thumbnail); },
            Qt::QueuedConnection);
    });
}

void TRecentFilesPicPopupMenu::deliver(const QString& path, const std::shared_ptr<std::atomic_bool>& cancel,
                                       bool made, const std::shared_ptr<TXBitmap>& thumbnail)
{
    if (*cancel)
        return;
    for (int i = 0; i < EntryCount(); ++i) {
        TRecentFileEntry* entry = PicEntry(i);
        if (EntryPath(entry) != path)
            continue;
        entry->Pending = false;
        entry->Failed = !made;
        if (made)
            entry->SetThumbnail(std::move(*thumbnail));
        return;
    }
}

void TRecentFilesPicPopupMenu::FinishThumbnails()
{
    m_pool.waitForDone();
    QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
}

void TRecentFilesPicPopupMenu::UpdateEntries()
{
    for (int i = 0; i < EntryCount();) {
        TRecentFileEntry* entry = PicEntry(i);
        const QString path = EntryPath(entry);
        if (!fileExists(path) || (entry->Thumbnail().Empty() && !entry->Pending)) {
            DeleteEntry(i);
            continue;
        }
        const std::int32_t age = FileAge(path);
        if (!entry->Pending && entry->Tag != age) {
            entry->Tag = age;
            TXBitmap thumbnail;
            if (ThumbnailMaker(path, thumbnail))
                entry->SetThumbnail(std::move(thumbnail));
        }
        ++i;
    }
}

bool TRecentFilesPicPopupMenu::LoadRecentFiles()
{
    QFile file(m_fileNamePath);
    if (!QFileInfo(m_fileNamePath).isFile() || !file.open(QIODevice::ReadOnly))
        return false;
    // A file of another program, format or version is no list of ours.
    if (!TPicPopupThumbnailFile::ReadHeader(file, m_fileHeaderName))
        return false;
    std::vector<TRecentFileRecord> records = TPicPopupThumbnailFile::Read(file, m_fileHeaderName);
    for (TRecentFileRecord& record : records) {
        // The list never holds more than MaxFileList, set before loading.
        if (EntryCount() >= MaxFileList())
            break;
        if (!fileExists(record.Path) || record.Thumbnail.Empty() || IndexOfPath(record.Path) >= 0)
            continue;
        auto* entry = static_cast<TRecentFileEntry*>(CreateEntry(record.Path));
        InsertEntry(EntryCount(), entry);
        m_loadingCurrent = record.Date == FileAge(record.Path);
        if (m_loadingCurrent) {
            entry->Tag = record.Date;
            entry->SetThumbnail(std::move(record.Thumbnail));
        }
        DoAddItem(entry);
        m_loadingCurrent = false;
    }
    return true;
}

bool TRecentFilesPicPopupMenu::SaveRecentFiles()
{
    std::vector<TRecentFileRecord> records;
    records.reserve(std::size_t(EntryCount()));
    for (int i = 0; i < EntryCount(); ++i) {
        const TRecentFileEntry* entry = PicEntry(i);
        records.push_back(TRecentFileRecord{EntryPath(entry), entry->Tag, entry->Thumbnail()});
    }
    std::vector<const TRecentFileRecord*> pointers;
    for (const TRecentFileRecord& record : records)
        pointers.push_back(&record);
    try {
        QSaveFile file(m_fileNamePath);
        if (!file.open(QIODevice::WriteOnly))
            return false;
        TPicPopupThumbnailFile::Write(file, m_fileHeaderName, pointers);
        return file.commit();
    } catch (const std::exception&) {
        return false;
    }
}

} // namespace vellum
