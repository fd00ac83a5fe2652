#include "browser/DirTreeView.h"

#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QFutureWatcher>
#include <QPainter>
#include <QPointer>
#include <QScrollBar>
#include <QStandardItemModel>
#include <QStorageInfo>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QtConcurrent/QtConcurrentRun>

namespace vellum {

namespace {

enum Roles {
    PathRole = Qt::UserRole + 1,
    LoadedRole,
    HasPicturesRole,
    PlaceholderRole,
};

QString withSlash(const QString& path)
{
    return path.endsWith(QLatin1Char('/')) ? path : path + QLatin1Char('/');
}

struct TFolderTest {
    QString Path;
    bool Readable = false;
    bool HasPictures = false;
    bool HasSubFolders = false;
};

// Runs off the user-interface thread: stops as soon as both answers are known.
TFolderTest testFolder(const QString& path, const QStringList& extensions)
{
    TFolderTest test;
    test.Path = path;
    test.Readable = QFileInfo(path).isReadable() && QDir(path).isReadable();
    if (!test.Readable)
        return test;
    QDirIterator it(path, QDir::Dirs | QDir::Files | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
    while (it.hasNext() && !(test.HasPictures && test.HasSubFolders)) {
        it.next();
        const QFileInfo info = it.fileInfo();
        const QString name = info.fileName();
        if (info.isDir()) {
            if (!name.startsWith(QLatin1Char('.')))
                test.HasSubFolders = true;
        } else if (!test.HasPictures) {
            const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
            if (dot >= 0 && extensions.contains(name.mid(dot + 1), Qt::CaseInsensitive))
                test.HasPictures = true;
        }
    }
    return test;
}

// Our mark for folders with pictures: 8 x 8.
QPixmap pictureMark()
{
    QPixmap mark(8, 8);
    mark.fill(Qt::transparent);
    QPainter painter(&mark);
    painter.setPen(QColor(0x5a, 0x3e, 0x1b));
    painter.setBrush(QColor(0xc0, 0x39, 0x2b));
    painter.drawRect(0, 1, 7, 6);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0xf4, 0xec, 0xd8));
    painter.drawRect(2, 3, 2, 2);
    return mark;
}

class TMarkDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QStyledItemDelegate::paint(painter, option, index);
        if (!index.data(HasPicturesRole).toBool())
            return;
        static const QPixmap mark = pictureMark();
        // Over the folder icon, 16 pixels left of the text.
        QStyleOptionViewItem item = option;
        initStyleOption(&item, index);
        const QWidget* widget = option.widget;
        QStyle* style = widget != nullptr ? widget->style() : QApplication::style();
        const QRect text = style->subElementRect(QStyle::SE_ItemViewItemText, &item, widget);
        painter->drawPixmap(text.left() - 16, text.center().y() - 3, mark);
    }
};

} // namespace

TDirTreeView::TDirTreeView(QWidget* parent)
    : QTreeView(parent)
{
    m_model = new QStandardItemModel(this);
    setModel(m_model);
    setHeaderHidden(true);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setItemDelegate(new TMarkDelegate(this));
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    setDropIndicatorShown(false);
    connect(this, &QTreeView::expanded, this, [this](const QModelIndex& index) {
        LoadChildren(m_model->itemFromIndex(index));
    });
    connect(selectionModel(), &QItemSelectionModel::currentChanged, this, &TDirTreeView::currentNodeChanged);
    m_expandTimer.setSingleShot(true);
    m_expandTimer.setInterval(ExpandOnDragOverTime);
    connect(&m_expandTimer, &QTimer::timeout, this, [this] {
        if (m_dragOver.isValid())
            expand(m_dragOver);
    });
    m_scrollTimer.setInterval(ScrollOnDragOverTime);
    connect(&m_scrollTimer, &QTimer::timeout, this, [this] {
        verticalScrollBar()->setValue(verticalScrollBar()->value() + m_scrollDirection);
    });
}

TDirTreeView::~TDirTreeView() = default;

void TDirTreeView::SetFileTypes(const QString& types)
{
    m_fileTypes = types;
}

std::vector<TDirTreeView::TRootFolder> TDirTreeView::RootFolders()
{
    std::vector<TRootFolder> roots;
    roots.push_back({QStringLiteral("/"), QStringLiteral("/")});
    const QString home = withSlash(QDir::homePath());
    if (home != QLatin1String("/"))
        roots.push_back({QStringLiteral("Home (%1)").arg(QDir::homePath()), home});
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        // Real volumes only: a device behind it, not the system's own file systems.
        if (!volume.isValid() || !volume.isReady() || !volume.device().startsWith("/dev/"))
            continue;
        const QString path = withSlash(volume.rootPath());
        bool known = false;
        for (const TRootFolder& root : roots)
            known = known || root.Path == path;
        if (known || path.startsWith(QLatin1String("/boot/")))
            continue;
        const QString name = volume.displayName();
        roots.push_back({name == volume.rootPath() ? path : QStringLiteral("%1 (%2)").arg(name, volume.rootPath()), path});
    }
    return roots;
}

QStandardItem* TDirTreeView::makeFolderItem(const QString& name, const QString& path)
{
    if (m_folderIcon.isNull())
        m_folderIcon = style()->standardIcon(QStyle::SP_DirIcon);
    auto* item = new QStandardItem(m_folderIcon, name);
    item->setData(path, PathRole);
    item->setData(false, LoadedRole);
    item->setEditable(false);
    // An expand button until the folder is known to have no sub-folders.
    auto* placeholder = new QStandardItem;
    placeholder->setData(true, PlaceholderRole);
    placeholder->setEditable(false);
    placeholder->setSelectable(false);
    item->appendRow(placeholder);
    return item;
}

void TDirTreeView::BuildRoots()
{
    ++m_generation;
    m_pendingTests = 0;
    m_model->clear();
    QStandardItem* top = m_model->invisibleRootItem();
    for (const TRootFolder& root : RootFolders())
        top->appendRow(makeFolderItem(root.DisplayName, root.Path));
    startTests(top);
}

void TDirTreeView::Rebuild()
{
    // The expanded folders by path, parents before children.
    QStringList expandedPaths;
    std::function<void(QStandardItem*)> collect = [&](QStandardItem* parent) {
        for (int row = 0; row < parent->rowCount(); ++row) {
            QStandardItem* child = parent->child(row);
            if (child != nullptr && isExpanded(child->index())) {
                expandedPaths << ItemPath(child);
                collect(child);
            }
        }
    };
    collect(m_model->invisibleRootItem());
    const QString selected = SelectedPath();
    m_walking = true;
    BuildRoots();
    for (const QString& path : expandedPaths)
        if (QStandardItem* item = ItemForPath(path))
            expand(item->index());
    m_walking = false;
    if (!selected.isEmpty()) {
        m_walking = true;
        SelectPath(selected);
        m_walking = false;
    }
}

QString TDirTreeView::ItemPath(const QStandardItem* item)
{
    return item != nullptr ? item->data(PathRole).toString() : QString();
}

bool TDirTreeView::HasPictures(const QStandardItem* item)
{
    return item != nullptr && item->data(HasPicturesRole).toBool();
}

void TDirTreeView::SetHasPictures(QStandardItem* item, bool has)
{
    if (item != nullptr && HasPictures(item) != has)
        item->setData(has, HasPicturesRole);
}

void TDirTreeView::LoadChildren(QStandardItem* item)
{
    if (item == nullptr || item->data(LoadedRole).toBool() || item->data(PlaceholderRole).toBool())
        return;
    item->setData(true, LoadedRole);
    const QString path = ItemPath(item);
    QDir dir(path);
    const QStringList names =
        dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name | QDir::IgnoreCase | QDir::LocaleAware);
    QList<QStandardItem*> children;
    for (const QString& name : names)
        if (!name.startsWith(QLatin1Char('.')))
            children << makeFolderItem(name, path + name + QLatin1Char('/'));
    // An unreadable folder keeps no children: its button goes once it was tried.
    item->removeRows(0, item->rowCount());
    for (QStandardItem* child : children)
        item->appendRow(child);
    startTests(item);
}

void TDirTreeView::startTests(QStandardItem* parent)
{
    QStringList paths;
    for (int row = 0; row < parent->rowCount(); ++row)
        paths << ItemPath(parent->child(row));
    if (paths.isEmpty())
        return;
    QStringList extensions;
    for (const QString& part : m_fileTypes.split(QLatin1Char(',')))
        if (!part.trimmed().isEmpty())
            extensions << part.trimmed();
    ++m_pendingTests;
    const int generation = m_generation;
    const QPersistentModelIndex parentIndex = parent->index();
    const bool topLevel = parent == m_model->invisibleRootItem();
    auto* watcher = new QFutureWatcher<std::vector<TFolderTest>>(this);
    connect(watcher, &QFutureWatcher<std::vector<TFolderTest>>::finished, this,
            [this, watcher, generation, parentIndex, topLevel] {
                watcher->deleteLater();
                if (generation != m_generation)
                    return;
                --m_pendingTests;
                QStandardItem* parent =
                    topLevel ? m_model->invisibleRootItem() : (parentIndex.isValid() ? m_model->itemFromIndex(parentIndex) : nullptr);
                if (parent == nullptr)
                    return;
                const std::vector<TFolderTest> tests = watcher->result();
                for (int row = 0; row < parent->rowCount(); ++row) {
                    QStandardItem* child = parent->child(row);
                    const QString path = ItemPath(child);
                    for (const TFolderTest& test : tests) {
                        if (test.Path != path)
                            continue;
                        SetHasPictures(child, test.HasPictures);
                        // A folder that cannot be listed keeps its button.
                        if (test.Readable && !test.HasSubFolders && !child->data(LoadedRole).toBool())
                            child->removeRows(0, child->rowCount());
                        break;
                    }
                }
            });
    watcher->setFuture(QtConcurrent::run([paths, extensions] {
        std::vector<TFolderTest> tests;
        tests.reserve(std::size_t(paths.size()));
        for (const QString& path : paths)
            tests.push_back(testFolder(path, extensions));
        return tests;
    }));
}

QStandardItem* TDirTreeView::ItemForPath(const QString& path) const
{
    const QString target = withSlash(path);
    QStandardItem* best = nullptr;
    QStandardItem* top = m_model->invisibleRootItem();
    // The longest root that is a prefix; names compare exactly.
    for (int row = 0; row < top->rowCount(); ++row) {
        QStandardItem* root = top->child(row);
        const QString rootPath = ItemPath(root);
        if (target.startsWith(rootPath) && (best == nullptr || rootPath.size() > ItemPath(best).size()))
            best = root;
    }
    QStandardItem* node = best;
    while (node != nullptr && ItemPath(node) != target) {
        if (!node->data(LoadedRole).toBool())
            return nullptr;
        const QString rest = target.mid(ItemPath(node).size());
        const QString component = rest.section(QLatin1Char('/'), 0, 0, QString::SectionSkipEmpty);
        QStandardItem* next = nullptr;
        for (int row = 0; row < node->rowCount() && next == nullptr; ++row)
            if (node->child(row)->text() == component && !node->child(row)->data(PlaceholderRole).toBool())
                next = node->child(row);
        node = next;
    }
    return node;
}

void TDirTreeView::SelectPath(const QString& path)
{
    const QString target = withSlash(QDir::cleanPath(path));
    const QString before = SelectedPath();
    const bool outerWalk = m_walking;
    m_walking = true;
    QStandardItem* top = m_model->invisibleRootItem();
    QStandardItem* node = nullptr;
    for (int row = 0; row < top->rowCount(); ++row) {
        QStandardItem* root = top->child(row);
        const QString rootPath = ItemPath(root);
        if (target.startsWith(rootPath) && (node == nullptr || rootPath.size() > ItemPath(node).size()))
            node = root;
    }
    if (node != nullptr) {
        QStandardItem* found = node;
        const QStringList components = target.mid(ItemPath(node).size()).split(QLatin1Char('/'), Qt::SkipEmptyParts);
        expand(node->index());
        LoadChildren(node);
        auto childNamed = [](QStandardItem* parent, const QString& component) -> QStandardItem* {
            for (int row = 0; row < parent->rowCount(); ++row)
                if (parent->child(row)->text() == component && !parent->child(row)->data(PlaceholderRole).toBool())
                    return parent->child(row);
            return nullptr;
        };
        for (const QString& component : components) {
            QStandardItem* next = childNamed(found, component);
            if (next == nullptr && QFileInfo(ItemPath(found) + component).isDir()) {
                // Made after the node was loaded: load it again.
                found->setData(false, LoadedRole);
                LoadChildren(found);
                next = childNamed(found, component);
            }
            if (next == nullptr)
                break;
            found = next;
            expand(found->index());
            LoadChildren(found);
        }
        setCurrentIndex(found->index());
        scrollTo(found->index());
    }
    m_walking = outerWalk;
    const QString after = SelectedPath();
    if (!m_walking && after != before && OnNodeChange)
        OnNodeChange(before, after);
}

QString TDirTreeView::SelectedPath() const
{
    return ItemPath(m_model->itemFromIndex(currentIndex()));
}

void TDirTreeView::currentNodeChanged(const QModelIndex& current, const QModelIndex& previous)
{
    if (m_walking || !OnNodeChange)
        return;
    OnNodeChange(ItemPath(m_model->itemFromIndex(previous)), ItemPath(m_model->itemFromIndex(current)));
}

void TDirTreeView::stopDragTimers()
{
    m_expandTimer.stop();
    m_scrollTimer.stop();
    m_dragOver = QPersistentModelIndex();
}

void TDirTreeView::dragEnterEvent(QDragEnterEvent* event)
{
    if (OnAcceptDrag && OnAcceptDrag(event->mimeData()))
        event->acceptProposedAction();
    else
        event->ignore();
}

void TDirTreeView::dragMoveEvent(QDragMoveEvent* event)
{
    if (!OnAcceptDrag || !OnAcceptDrag(event->mimeData())) {
        event->ignore();
        return;
    }
    const QPoint point = event->position().toPoint();
    const QModelIndex index = indexAt(point);
    if (index != QModelIndex(m_dragOver)) {
        m_dragOver = index;
        if (index.isValid())
            m_expandTimer.start();
        else
            m_expandTimer.stop();
    }
    // Resting on the first or last visible node scrolls by a line.
    const QModelIndex first = indexAt(QPoint(1, 1));
    const QModelIndex last = indexAt(QPoint(1, viewport()->height() - 2));
    const int direction = index.isValid() && index == first ? -1 : (index.isValid() && index == last ? 1 : 0);
    if (direction != m_scrollDirection || (direction != 0 && !m_scrollTimer.isActive())) {
        m_scrollDirection = direction;
        if (direction != 0)
            m_scrollTimer.start();
        else
            m_scrollTimer.stop();
    }
    if (index.isValid())
        event->acceptProposedAction();
    else
        event->ignore();
}

void TDirTreeView::dragLeaveEvent(QDragLeaveEvent* event)
{
    stopDragTimers();
    event->accept();
}

void TDirTreeView::dropEvent(QDropEvent* event)
{
    stopDragTimers();
    const QModelIndex index = indexAt(event->position().toPoint());
    if (!index.isValid() || !OnAcceptDrag || !OnAcceptDrag(event->mimeData())) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    m_dragDropPath = ItemPath(m_model->itemFromIndex(index));
    if (OnDropOnFolder)
        OnDropOnFolder(m_dragDropPath, viewport()->mapToGlobal(event->position().toPoint()));
}

QString ShortenPath(const QString& path, int maxWidth, const std::function<int(const QString&)>& width)
{
    if (width(path) <= maxWidth)
        return path;
    const bool rooted = path.startsWith(QLatin1Char('/'));
    const QStringList parts = path.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    const QString lead = rooted ? QStringLiteral("/.../") : QStringLiteral(".../");
    QString text = path;
    for (qsizetype dropped = 1; dropped < parts.size(); ++dropped) {
        text = lead + parts.mid(dropped).join(QLatin1Char('/')) + (path.endsWith(QLatin1Char('/')) ? QStringLiteral("/") : QString());
        if (width(text) <= maxWidth)
            break;
    }
    return text;
}

} // namespace vellum
