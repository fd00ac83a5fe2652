#pragma once

// The browser's folder tree on our own model: the roots ("/", the home folder, mounted
// volumes), sub-folders loaded when a folder is first expanded, and a mark on folders that hold
// pictures. Whether a folder holds pictures or sub-folders is found off the user-interface
// thread. Linux folders have no compressed attribute, so none is drawn differently.
#include <functional>
#include <memory>
#include <vector>

#include <QIcon>
#include <QPersistentModelIndex>
#include <QPixmap>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QTreeView>

class QMimeData;
class QStandardItem;
class QStandardItemModel;

namespace vellum {

class TDirTreeView : public QTreeView {
    Q_OBJECT
public:
    struct TRootFolder {
        QString DisplayName;
        QString Path; // ends in '/'
    };

    static constexpr int ExpandOnDragOverTime = 1000;
    static constexpr int ScrollOnDragOverTime = 500;

    explicit TDirTreeView(QWidget* parent = nullptr);
    ~TDirTreeView() override;

    // Comma-separated picture extensions.
    [[nodiscard]] const QString& FileTypes() const { return m_fileTypes; }
    void SetFileTypes(const QString& types);

    // The roots of this machine: "/", the home folder, then mounted real volumes.
    [[nodiscard]] static std::vector<TRootFolder> RootFolders();
    // Makes the roots again (everything loaded is forgotten).
    void BuildRoots();
    // BuildRoots keeping the expanded folders and the selected one.
    void Rebuild();

    // Selects the folder: its longest-prefix root, then each component among the children
    // (exact names). Stops at the first component not found. OnNodeChange fires once when
    // the selected node changed.
    void SelectPath(const QString& path);
    // The selected folder, ending in '/', or empty.
    [[nodiscard]] QString SelectedPath() const;
    // The folder of the node the last drop landed on.
    [[nodiscard]] const QString& DragDropPath() const { return m_dragDropPath; }

    // The node of a folder, only through already loaded nodes; null when not present.
    [[nodiscard]] QStandardItem* ItemForPath(const QString& path) const;
    [[nodiscard]] static bool HasPictures(const QStandardItem* item);
    void SetHasPictures(QStandardItem* item, bool has);
    // Whether the off-thread tests of some loaded folders are still running.
    [[nodiscard]] bool TestsPending() const { return m_pendingTests > 0; }
    [[nodiscard]] QStandardItemModel* TreeModel() const { return m_model; }
    [[nodiscard]] static QString ItemPath(const QStandardItem* item);

    // Loads the children of a node now (as its first expansion does).
    void LoadChildren(QStandardItem* item);

    std::function<void(const QString& oldPath, const QString& newPath)> OnNodeChange;
    std::function<bool(const QMimeData* data)> OnAcceptDrag;
    // Something was dropped on the folder path at the global point.
    std::function<void(const QString& path, const QPoint& globalPoint)> OnDropOnFolder;

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    QStandardItem* makeFolderItem(const QString& name, const QString& path);
    void startTests(QStandardItem* parent);
    void currentNodeChanged(const QModelIndex& current, const QModelIndex& previous);
    void stopDragTimers();

    QStandardItemModel* m_model = nullptr;
    QIcon m_folderIcon; // looked up once: the style's lookup is slow for long folders
    QString m_fileTypes = QStringLiteral("bmp,jpg,jpeg,gif");
    QString m_dragDropPath;
    int m_pendingTests = 0;
    // Bumped by BuildRoots: results for nodes of an older tree are dropped.
    int m_generation = 0;
    bool m_walking = false;
    QTimer m_expandTimer;
    QTimer m_scrollTimer;
    QPersistentModelIndex m_dragOver;
    int m_scrollDirection = 0;
};

// The path text shortened to maxWidth (as measured by width): the leading "/" stays and the
// leading folders become ".../" one at a time until it fits.
[[nodiscard]] QString ShortenPath(const QString& path, int maxWidth, const std::function<int(const QString&)>& width);

} // namespace vellum
