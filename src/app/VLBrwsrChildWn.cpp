#include "app/VLBrwsrChildWn.h"

#include <algorithm>

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QDrag>
#include <QFileInfo>
#include <QFrame>
#include <QLabel>
#include <QMdiArea>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QPainter>
#include <QSplitter>
#include <QStandardItem>
#include <QStyledItemDelegate>
#include <QVBoxLayout>

#include "app/SettingsKeys.h"
#include "app/XMLRegFile.h"
#include "browser/AdvSelectDrawGrid.h"
#include "browser/BrowserFolder.h"
#include "browser/DirTreeView.h"
#include "browser/FolderListing.h"
#include "browser/PicDB.h"
#include "raster/XBitmap.h"

namespace vellum {

namespace {

QString withSlash(const QString& path)
{
    return path.isEmpty() || path.endsWith(QLatin1Char('/')) ? path : path + QLatin1Char('/');
}

TColor toColour(const QColor& colour)
{
    return RGBColor(colour.red(), colour.green(), colour.blue());
}

QColor toQColor(TColor colour)
{
    return QColor(GetRValue(colour), GetGValue(colour), GetBValue(colour));
}

// Recent folders drawn shortened to the box's width; the chosen one highlighted, white text.
class TRecentDirDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        const bool selected = option.state & QStyle::State_Selected;
        painter->fillRect(option.rect, selected ? option.palette.highlight() : option.palette.base());
        painter->setPen(selected ? QColor(Qt::white) : option.palette.color(QPalette::Text));
        const QFontMetrics metrics(option.font);
        const QString text = ShortenPath(index.data().toString(), option.rect.width() - 4,
                                         [&](const QString& t) { return metrics.horizontalAdvance(t); });
        painter->drawText(option.rect.adjusted(2, 0, -2, 0), Qt::AlignVCenter | Qt::AlignLeft, text);
    }
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        return {QStyledItemDelegate::sizeHint(option, index).width(), 16};
    }
};

// Runs a browser reaction; a failure becomes the browser's error box.
template <typename Body>
void guarded(TVLBrowserChildWn* browser, Body&& body)
{
    try {
        body();
    } catch (const std::exception& e) {
        if (browser->ShowError)
            browser->ShowError(QString::fromUtf8(e.what()));
    }
}

} // namespace

TVLBrowserChildWn::TVLBrowserChildWn(QWidget* mainWindow, bool maximised, bool showTree, const QString& startFolder,
                                     const QString& settingsFile)
    : TBasicVLChild(ckBrowser)
    , m_mainWindow(mainWindow)
    , m_settingsFile(settingsFile)
    , m_startFolder(startFolder)
{
    setWindowTitle(QStringLiteral("Picture Browser"));
    ShowError = [this](const QString& message) {
        QMessageBox::critical(this, QStringLiteral("Error"), message, QMessageBox::Ok);
    };

    m_splitter = new QSplitter(Qt::Horizontal);
    m_splitter->setObjectName(QStringLiteral("BrowserSplitter"));
    m_leftPanel = new QFrame;
    m_leftPanel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    auto* left = new QVBoxLayout(m_leftPanel);
    left->setContentsMargins(1, 1, 1, 1);
    left->setSpacing(1);
    m_tree = new TDirTreeView;
    m_tree->setObjectName(QStringLiteral("DirTreeView"));
    m_recentDirs = new QComboBox;
    m_recentDirs->setObjectName(QStringLiteral("RecentDirsCombo"));
    m_recentDirs->setFixedHeight(24);
    m_recentDirs->setItemDelegate(new TRecentDirDelegate(m_recentDirs));
    m_recentDirs->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    left->addWidget(m_tree, 1);
    left->addWidget(m_recentDirs);
    m_grid = new TAdvSelectDrawGrid;
    m_grid->setObjectName(QStringLiteral("ThumbnailGrid"));
    m_grid->SetCellSize(CellWidth, CellHeight);
    m_grid->SetWrapCells(true);
    m_grid->Background = palette().color(QPalette::Base);
    m_splitter->addWidget(m_leftPanel);
    m_splitter->addWidget(m_grid);
    m_splitter->setChildrenCollapsible(false);
    m_leftPanel->setMinimumWidth(200);
    m_grid->setMinimumWidth(200);
    m_splitter->setStretchFactor(1, 1);
    m_splitter->setSizes({249, 600});
    setWidget(m_splitter);

    m_fileOptions = new QMenu(this);
    m_fileOptions->setObjectName(QStringLiteral("FileOptionsMenu"));
    m_fileOptions->addAction(QStringLiteral("Copy here"))->setData(1);
    m_fileOptions->addAction(QStringLiteral("Move here"))->setData(2);
    m_fileOptions->addSeparator();
    m_fileOptions->addAction(QStringLiteral("Cancel"))->setData(0);

    readSettings();
    m_selectTextColour = SelectTextColourFor(m_selectColour);
    auto database = std::make_unique<TPictureDB>(CellWidth, CellHeight, 8, m_selectColour, clBlack, m_selectTextColour);
    database->SetFileTypes(m_tree->FileTypes());
    database->SetBackgroundWorkers(true);
    // The progress bar is the active window's: a browser in the background shows none.
    database->OnProgressBegin = [this](TCustomPictureDB*, int steps) {
        m_showsProgress = isActiveDocument();
        if (m_showsProgress)
            DoProgressBegin(steps);
    };
    database->OnProgressStep = [this](TCustomPictureDB*) {
        if (m_showsProgress)
            DoProgressStep();
    };
    database->OnProgressEnd = [this](TCustomPictureDB*) {
        if (m_showsProgress)
            DoProgressEnd();
        m_showsProgress = false;
    };
    m_folder = std::make_unique<TBrowserFolder>(std::move(database));
    m_folder->OnEntriesAdded = [this] { guarded(this, [this] { entriesAdded(); }); };
    m_folder->OnOpened = [this] { guarded(this, [this] { folderOpened(); }); };
    m_folder->OnEntryRemoved = [this](int index) { guarded(this, [this, index] { entryRemoved(index); }); };
    m_folder->OnEntryAppended = [this](int index) { guarded(this, [this, index] { entryAppended(index); }); };
    m_folder->OnEntryChanged = [this](int index) {
        guarded(this, [this, index] {
            const QString prefix = QString::fromLatin1(Database().Record(index).Name.toHex()) + u':';
            m_cellCache.removeIf([&](const auto& cell) { return cell.key().startsWith(prefix); });
            m_grid->RedrawCell(index);
            UpdateStatus();
        });
    };
    m_folder->OnEntryRenamed = [this](int index) {
        guarded(this, [this, index] {
            m_grid->RedrawCell(index);
            m_grid->setFocus();
            UpdateStatus();
        });
    };
    m_folder->OnError = [this](const QString& message) { error(message); };

    m_grid->OnDrawCell = [this](QPainter& painter, int index, const QRect& rect, bool selected) {
        drawCell(painter, index, rect, selected);
    };
    m_grid->OnSelectionChange = [this] { UpdateStatus(); };
    m_grid->OnDblClick = [this] { guarded(this, [this] { openSelection(); }); };
    m_grid->OnStartDrag = [this](int source) { guarded(this, [this, source] { startDrag(source); }); };
    // Reordering waits until the folder is open: it would stop the reading.
    m_grid->OnAcceptDrag = [this](const QMimeData* data) { return IsOwnDrag(data) && !IsOpening(); };
    m_grid->OnDropOnCell = [this](const QMimeData*, int target) {
        guarded(this, [this, target] { MoveCell(m_dragSourceIndex, target); });
    };
    m_tree->OnNodeChange = [this](const QString&, const QString& now) {
        if (!m_selectingInTree)
            guarded(this, [this, now] { SetDirectory(now); });
    };
    m_tree->OnAcceptDrag = [this](const QMimeData* data) { return IsOwnDrag(data); };
    m_tree->OnDropOnFolder = [this](const QString& path, const QPoint& at) { dropOnFolder(path, at); };
    connect(m_recentDirs, &QComboBox::activated, this, [this](int index) {
        guarded(this, [this, index] { ChooseRecentDir(index); });
    });

    ShowDirectories(showTree);
    if (maximised)
        setWindowState(windowState() | Qt::WindowMaximized);
}

TVLBrowserChildWn::~TVLBrowserChildWn()
{
    // The folder goes first (its database saves a modified file); nothing may call back then.
    if (m_folder) {
        m_folder->OnEntriesAdded = nullptr;
        m_folder->OnOpened = nullptr;
        m_folder->OnEntryRemoved = nullptr;
        m_folder->OnEntryAppended = nullptr;
        m_folder->OnEntryChanged = nullptr;
        m_folder->OnEntryRenamed = nullptr;
        m_folder->OnError = nullptr;
    }
    m_folder.reset();
}

const QString& TVLBrowserChildWn::Directory() const
{
    return m_folder->Directory();
}

TPictureDB& TVLBrowserChildWn::Database() const
{
    return m_folder->Database();
}

bool TVLBrowserChildWn::AddsPending() const
{
    return m_folder->AddsPending();
}

TColor TVLBrowserChildWn::SelectTextColourFor(TColor colour)
{
    const int sum = (GetRValue(colour) > 136 ? 1 : 0) + (GetGValue(colour) > 136 ? 1 : 0) - (GetBValue(colour) > 136 ? 1 : 0);
    return sum < 1 ? clWhite : clBlack;
}

// --- settings

void TVLBrowserChildWn::readSettings()
{
    using namespace settings;
    m_selectColour = toColour(QApplication::palette().color(QPalette::Highlight));
    TXMLRegistryFile reg(m_settingsFile);
    if (reg.OpenKey(QLatin1String(KeyPictureBrowser), false)) {
        if (reg.ValueExists(QLatin1String(settings::SelectColour)))
            m_selectColour = reg.ReadInteger(QLatin1String(settings::SelectColour)) & 0xFFFFFF;
        reg.CloseKey();
    }
    if (reg.OpenKey(QLatin1String(KeyRecentDirs), false)) {
        for (int n = 1; n <= MaxRecentDirs; ++n) {
            const QString name = QLatin1String(DirPrefix) + QString::number(n);
            if (!reg.ValueExists(name))
                break;
            const QString folder = withSlash(reg.ReadString(name));
            if (!folder.isEmpty() && m_recentDirs->findText(folder, Qt::MatchExactly | Qt::MatchCaseSensitive) < 0)
                m_recentDirs->addItem(folder);
        }
        reg.CloseKey();
    }
    m_recentDirs->setCurrentIndex(m_recentDirs->count() > 0 ? 0 : -1);
}

void TVLBrowserChildWn::writeSettings()
{
    using namespace settings;
    TXMLRegistryFile reg(m_settingsFile);
    if (reg.OpenKey(QLatin1String(KeyPictureBrowser), true)) {
        reg.WriteInteger(QLatin1String(settings::SelectColour), m_selectColour);
        reg.CloseKey();
    }
    if (reg.OpenKey(QLatin1String(KeyRecentDirs), true)) {
        const int count = m_recentDirs->count();
        for (int i = 0; i < count; ++i)
            reg.WriteString(QLatin1String(DirPrefix) + QString::number(i + 1), m_recentDirs->itemText(i));
        // A folder taken out of the list must not come back at the next start.
        for (int n = count + 1; n <= 2 * MaxRecentDirs; ++n)
            reg.DeleteValue(QLatin1String(DirPrefix) + QString::number(n));
        reg.CloseKey();
    }
}

QStringList TVLBrowserChildWn::RecentDirs() const
{
    QStringList folders;
    for (int i = 0; i < m_recentDirs->count(); ++i)
        folders << m_recentDirs->itemText(i);
    return folders;
}

void TVLBrowserChildWn::addRecentDir(const QString& path)
{
    // Linux names are case-sensitive: only the same spelling is the same folder.
    const int found = m_recentDirs->findText(path, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (found >= 0)
        m_recentDirs->removeItem(found);
    m_recentDirs->insertItem(0, path);
    while (m_recentDirs->count() > MaxRecentDirs)
        m_recentDirs->removeItem(m_recentDirs->count() - 1);
    m_recentDirs->setCurrentIndex(0);
}

void TVLBrowserChildWn::ChooseRecentDir(int index)
{
    if (index < 0 || index >= m_recentDirs->count())
        return;
    const QString folder = m_recentDirs->itemText(index);
    if (folder == Directory()) {
        m_recentDirs->setCurrentIndex(0);
        return;
    }
    if (!QFileInfo(folder).isDir()) {
        m_recentDirs->removeItem(index);
        m_recentDirs->setCurrentIndex(m_recentDirs->count() > 0 ? 0 : -1);
        error(folder + QStringLiteral(" does not exist."));
        return;
    }
    addRecentDir(folder);
    m_selectingInTree = true;
    m_tree->SelectPath(folder);
    m_selectingInTree = false;
    SetDirectory(folder);
    m_tree->setFocus();
}

// --- showing and closing

void TVLBrowserChildWn::showEvent(QShowEvent* event)
{
    TBasicVLChild::showEvent(event);
    if (!m_shown) {
        m_shown = true;
        guarded(this, [this] { firstShow(); });
    }
}

void TVLBrowserChildWn::firstShow()
{
    m_tree->BuildRoots();
    QString folder;
    if (!m_startFolder.isEmpty() && QFileInfo(m_startFolder).isDir())
        folder = QFileInfo(m_startFolder).absoluteFilePath();
    else if (m_recentDirs->count() > 0 && QFileInfo(m_recentDirs->itemText(0)).isDir())
        folder = m_recentDirs->itemText(0);
    else
        folder = QDir::currentPath();
    folder = withSlash(QDir::cleanPath(folder));
    m_selectingInTree = true;
    m_tree->SelectPath(folder);
    m_selectingInTree = false;
    SetDirectory(folder);
    m_grid->setFocus();
}

void TVLBrowserChildWn::closeEvent(QCloseEvent* event)
{
    TBasicVLChild::closeEvent(event);
    if (!event->isAccepted())
        return;
    guarded(this, [this] { writeSettings(); });
    m_folder->Stop();
}

void TVLBrowserChildWn::error(const QString& message)
{
    if (ShowError)
        ShowError(message);
}

// --- opening folders

bool TVLBrowserChildWn::IsOpening() const
{
    return m_folder->IsOpening();
}

int TVLBrowserChildWn::EntryCount() const
{
    return Database().Count();
}

void TVLBrowserChildWn::SetDirectory(const QString& path)
{
    const QString folder = withSlash(path);
    // Exact comparison: folders whose names differ only in letter case are different folders.
    if (folder == Directory())
        return;
    if (folder.isEmpty()) {
        m_grid->FocusCell(0);
        m_grid->SetNumOfCells(0);
        clearStatus();
        m_folder->Open(folder);
        setWindowTitle(QStringLiteral("Picture Browser"));
        contentsChanged();
        return;
    }
    addRecentDir(folder);
    openFolder(folder, false);
}

void TVLBrowserChildWn::openFolder(const QString& folder, bool keepCurrent)
{
    m_cellCache.clear();
    m_cellErrorShown = false;
    m_pendingSortKind = -1;
    m_keepCurrent = keepCurrent ? m_grid->CurrentCell() : -1;
    m_grid->SetSelection({});
    m_grid->SetCurrentCell(-1);
    m_grid->SetNumOfCells(0);
    setWindowTitle(QStringLiteral("Browsing %1").arg(folder));
    m_drawing = true;
    m_folder->Open(folder);
    contentsChanged();
}

void TVLBrowserChildWn::entriesAdded()
{
    const int count = Database().Count();
    m_grid->SetNumOfCells(count);
    if (m_grid->CurrentCell() < 0 && count > 0)
        m_grid->FocusCell(0);
    contentsChanged();
    UpdateStatus();
}

void TVLBrowserChildWn::folderOpened()
{
    const int count = Database().Count();
    m_grid->SetNumOfCells(count);
    if (count == 0) {
        clearStatus();
    } else if (m_keepCurrent >= 0 && m_keepCurrent < count) {
        m_grid->FocusCell(m_keepCurrent);
    } else if (m_grid->CurrentCell() < 0 || m_grid->CurrentCell() >= count) {
        m_grid->FocusCell(0);
    }
    m_keepCurrent = -1;
    m_grid->viewport()->update();
    contentsChanged();
    UpdateStatus();
    if (m_pendingSortKind >= 0) {
        const int kind = m_pendingSortKind;
        m_pendingSortKind = -1;
        SortBy(kind, m_pendingSortAscending);
    }
}

void TVLBrowserChildWn::RefreshBrowser()
{
    if (m_refreshing)
        return;
    m_refreshing = true;
    BeginWait();
    try {
        m_selectingInTree = true;
        m_tree->Rebuild();
        m_selectingInTree = false;
        if (!Directory().isEmpty())
            openFolder(Directory(), true);
    } catch (...) {
        m_selectingInTree = false;
        EndWait();
        m_refreshing = false;
        throw;
    }
    EndWait();
    m_refreshing = false;
}

void TVLBrowserChildWn::contentsChanged()
{
    if (OnContentsChange)
        OnContentsChange(this);
}

// --- the tree panel

void TVLBrowserChildWn::ShowDirectories(bool show)
{
    m_leftPanel->setVisible(show);
    UpdateStatus();
}

bool TVLBrowserChildWn::TreeVisible() const
{
    return !m_leftPanel->isHidden();
}

// --- selection

void TVLBrowserChildWn::SelectAll()
{
    m_grid->SelectAll();
}

QStringList TVLBrowserChildWn::SelectedNames() const
{
    QStringList names;
    for (int index : m_grid->Selection())
        if (index < Database().Count())
            names << Database().GetName(index);
    return names;
}

QStringList TVLBrowserChildWn::SelectedPaths() const
{
    QStringList paths;
    for (const QString& name : SelectedNames())
        paths << Directory() + name;
    return paths;
}

void TVLBrowserChildWn::openSelection()
{
    for (const QString& path : SelectedPaths())
        if (OnOpenFile)
            OnOpenFile(this, path);
}

// --- sorting

void TVLBrowserChildWn::SortBy(int kind, bool ascending)
{
    if (Database().IsOpening()) {
        // Sorting now would stop the reading: it waits until the folder is open.
        m_pendingSortKind = kind;
        m_pendingSortAscending = ascending;
        return;
    }
    m_drawing = false;
    const QString current = Database().GetName(m_grid->CurrentCell());
    const QStringList selected = SelectedNames();
    const bool sorted = Database().Sort(kind, ascending);
    // The selection stays on the same pictures wherever they went.
    std::vector<int> selection;
    for (const QString& name : selected)
        selection.push_back(Database().IndexOfName(name));
    m_grid->SetSelection(std::move(selection));
    const int now = Database().IndexOfName(current);
    if (now >= 0)
        m_grid->SetCurrentCell(now);
    m_drawing = true;
    m_grid->viewport()->update();
    if (!sorted)
        error(QStringLiteral("Error Sorting Data."));
}

void TVLBrowserChildWn::Resort(bool ascending)
{
    SortBy(Database().SortKind(), ascending);
}

// --- drawing and status

void TVLBrowserChildWn::DrawCellImage(QPainter& painter, int index, const QRect& rect, bool selected)
{
    // What the cell shows: the name, the thumbnail's place and size, the file's time and size.
    // A remade entry may get its old place back, so its cells are dropped when it changes.
    const TFileRecord& record = Database().Record(index);
    QString key = QString::fromLatin1(record.Name.toHex());
    key += QStringLiteral(":%1:%2:%3:%4:%5:%6")
               .arg(record.ThumbOffset)
               .arg(record.ThumbSize)
               .arg(record.FileDate)
               .arg(record.Width)
               .arg(record.Height)
               .arg(selected ? 1 : 0);
    auto found = m_cellCache.constFind(key);
    if (found == m_cellCache.constEnd()) {
        // The cell image is the database's own; it is only read here.
        auto& cell = const_cast<TXBitmap&>(Database().GetCellImage(index, selected));
        // Bounded: a few screens of cells.
        if (m_cellCache.size() >= 512)
            m_cellCache.clear();
        found = m_cellCache.insert(key, QPixmap::fromImage(cell.SharedImage()));
    }
    painter.drawPixmap(rect.topLeft(), *found);
}

void TVLBrowserChildWn::drawCell(QPainter& painter, int index, const QRect& rect, bool selected)
{
    if (!m_drawing || index >= Database().Count()) {
        painter.fillRect(rect, m_grid->Background);
        return;
    }
    try {
        DrawCellImage(painter, index, rect, selected);
    } catch (...) {
        // Frame and caption only. The box comes once per folder and never from inside
        // painting: it would repaint this cell and come again.
        painter.fillRect(rect.adjusted(1, 1, -1, -1), selected ? toQColor(m_selectColour) : QColor(240, 240, 240));
        painter.setPen(QColor(160, 160, 160));
        painter.drawRect(rect.adjusted(1, 1, -2, -2));
        painter.setPen(selected ? toQColor(m_selectTextColour) : QColor(Qt::black));
        painter.drawText(rect.adjusted(8, 0, -8, -8), Qt::AlignHCenter | Qt::AlignBottom,
                         painter.fontMetrics().elidedText(Database().GetName(index), Qt::ElideRight, rect.width() - 16));
        if (!m_cellErrorShown) {
            m_cellErrorShown = true;
            QMetaObject::invokeMethod(this, [this] { error(QStringLiteral("Can not display image.")); },
                                      Qt::QueuedConnection);
        }
    }
}

bool TVLBrowserChildWn::isActiveDocument() const
{
    return mdiArea() == nullptr || mdiArea()->currentSubWindow() == this;
}

void TVLBrowserChildWn::clearStatus()
{
    // Only the active document window writes the panels.
    if (!isActiveDocument())
        return;
    for (int panel = 0; panel < 4; ++panel)
        setPanel(panel, QString());
}

void TVLBrowserChildWn::UpdateStatus()
{
    if (!isActiveDocument())
        return;
    const int index = m_grid->CurrentCell();
    const int count = Database().Count();
    if (index < 0 || index >= count) {
        clearStatus();
        return;
    }
    const QString name = Database().GetName(index);
    QString first = name;
    if (!TreeVisible()) {
        const QLabel* panel = m_mainWindow != nullptr ? m_mainWindow->findChild<QLabel*>(QStringLiteral("StatusPanel0")) : nullptr;
        first = Directory() + name;
        if (panel != nullptr && panel->width() > 0) {
            const QFontMetrics metrics(panel->font());
            first = ShortenPath(first, panel->width() - 4, [&](const QString& t) { return metrics.horizontalAdvance(t); });
        }
    }
    setPanel(0, first);
    setPanel(1, Database().GetDateText(index));
    setPanel(2, Database().GetSizeText(index));
    setPanel(3, QStringLiteral("%1 of %2").arg(index + 1).arg(count));
}

// --- dragging

QByteArray TVLBrowserChildWn::OwnDragId() const
{
    return QByteArray::number(QCoreApplication::applicationPid()) + ':' + QByteArray::number(quintptr(this), 16);
}

QByteArray TVLBrowserChildWn::DragId(const QMimeData* data)
{
    return data != nullptr && data->hasFormat(QLatin1String(DragMimeType)) ? data->data(QLatin1String(DragMimeType))
                                                                            : QByteArray();
}

bool TVLBrowserChildWn::IsOwnDrag(const QMimeData* data) const
{
    return DragId(data) == OwnDragId();
}

void TVLBrowserChildWn::startDrag(int source)
{
    m_dragSourceIndex = source;
    auto* drag = new QDrag(m_grid);
    auto* data = new QMimeData;
    data->setData(QLatin1String(DragMimeType), OwnDragId());
    drag->setMimeData(data);
    drag->exec(Qt::CopyAction | Qt::MoveAction, Qt::CopyAction);
}

void TVLBrowserChildWn::MoveCell(int source, int target)
{
    const int count = Database().Count();
    if (source < 0 || target < 0 || source >= count || target >= count || source == target)
        return;
    if (!Database().MoveEntry(source, target))
        return;
    // The selection follows the pictures, the dragged one included: every command acts on
    // what shows highlighted.
    auto movedTo = [&](int index) {
        if (index == source)
            return target;
        if (source < target && index > source && index <= target)
            return index - 1;
        if (target < source && index >= target && index < source)
            return index + 1;
        return index;
    };
    std::vector<int> selection{target};
    for (int index : m_grid->Selection())
        selection.push_back(movedTo(index));
    m_grid->SetSelection(std::move(selection));
    m_grid->SetCurrentCell(target);
    m_grid->RedrawCells(source, target);
}

void TVLBrowserChildWn::dropOnFolder(const QString& path, const QPoint& globalPoint)
{
    // The menu comes once the drop is over: the drag's own loop must end first.
    QMetaObject::invokeMethod(
        this,
        [this, path, globalPoint] {
            QAction* chosen = m_fileOptions->exec(globalPoint);
            const int choice = chosen != nullptr ? chosen->data().toInt() : 0;
            if (choice != 0)
                guarded(this, [&] { TransferSelection(choice == 1, path); });
        },
        Qt::QueuedConnection);
}

void TVLBrowserChildWn::TransferSelection(bool copy, const QString& folder)
{
    const QString destination = withSlash(folder);
    const QString source = Directory();
    for (const QString& name : SelectedNames()) {
        if (copy && OnCopyFile)
            OnCopyFile(this, name, source, destination);
        else if (!copy && OnMoveFile)
            OnMoveFile(this, name, source, destination);
    }
}

// --- file actions

bool TVLBrowserChildWn::event(QEvent* event)
{
    if (event->type() == TFileActionEvent::FileActionType) {
        auto* action = static_cast<TFileActionEvent*>(event);
        // Only the main window tells browsers what changed.
        if (m_mainWindow != nullptr && action->Sender == m_mainWindow)
            guarded(this, [&] { fileAction(action->Record); });
        return true;
    }
    return TBasicVLChild::event(event);
}

void TVLBrowserChildWn::treeMark(const QString& directory)
{
    QStandardItem* node = m_tree->ItemForPath(directory);
    if (node == nullptr)
        return;
    const TFolderListing listing = ListFolder(directory, Database().FileTypes());
    m_tree->SetHasPictures(node, !listing.Names.empty());
}

void TVLBrowserChildWn::fileAction(const TFileActionRecord& record)
{
    const qsizetype dot = record.FileName.lastIndexOf(QLatin1Char('.'));
    if (dot < 0 || !Database().HandlesExtension(record.FileName.mid(dot + 1)))
        return;
    if (Directory().isEmpty() || record.Directory != Directory()) {
        if (record.Action == TFileActionRecord::faAdded || record.Action == TFileActionRecord::faRemoved)
            treeMark(record.Directory);
        return;
    }
    switch (record.Action) {
    case TFileActionRecord::faAdded:
        m_folder->FileAdded(record.FileName);
        return;
    case TFileActionRecord::faRemoved:
        m_folder->FileRemoved(record.FileName);
        return;
    case TFileActionRecord::faRenamed:
        m_folder->FileRenamed(record.FileName, record.NewFileName);
        return;
    default:
        return;
    }
}

void TVLBrowserChildWn::entryRemoved(int index)
{
    m_drawing = false;
    const int current = m_grid->CurrentCell();
    contentsChanged();
    const int count = Database().Count();
    if (count == 0)
        m_tree->SetHasPictures(m_tree->ItemForPath(Directory()), false);
    // The selection stays on the same pictures: those after the gone one move up.
    std::vector<int> selection;
    for (int selected : m_grid->Selection())
        if (selected != index)
            selection.push_back(selected > index ? selected - 1 : selected);
    m_grid->SetNumOfCells(count);
    m_grid->SetSelection(std::move(selection));
    if (current >= count)
        m_grid->SetCurrentCell(count - 1);
    else if (current > index)
        m_grid->SetCurrentCell(current - 1);
    m_drawing = true;
    m_grid->viewport()->update();
    UpdateStatus();
}

void TVLBrowserChildWn::entryAppended(int index)
{
    contentsChanged();
    m_tree->SetHasPictures(m_tree->ItemForPath(Directory()), true);
    const int count = Database().Count();
    m_grid->SetNumOfCells(count);
    if (count == 1)
        m_grid->FocusCell(0);
    m_grid->RedrawCell(index);
    UpdateStatus();
}

} // namespace vellum
