#pragma once

// The picture browser: a document window with the folder tree and the recent folders on the
// left and a grid of thumbnail cells for the open folder on the right, backed by the folder's
// picture database. Folders open in the background: cells appear in display order as their
// thumbnails are ready, and the grid stays usable meanwhile.
#include <functional>
#include <memory>
#include <vector>

#include <QHash>
#include <QPixmap>
#include <QString>
#include <QStringList>

#include "browser/FileAdmin.h"
#include "document/VLChildClasses.h"
#include "raster/Colour.h"

class QComboBox;
class QMenu;
class QMimeData;
class QPainter;
class QSplitter;
class QFrame;
class QRect;

namespace vellum {

class TAdvSelectDrawGrid;
class TBrowserFolder;
class TDirTreeView;
class TPictureDB;

class TVLBrowserChildWn : public TBasicVLChild {
    Q_OBJECT
public:
    // Cell drags carry the source browser under this type.
    static constexpr char DragMimeType[] = "application/x-vellum-browser-cells";
    static constexpr int CellWidth = 110;
    static constexpr int CellHeight = 130;
    static constexpr int MaxRecentDirs = 5;

    // mainWindow: the only sender whose file-action messages are taken. settingsFile: where
    // the selection colour and the recent folders are kept.
    TVLBrowserChildWn(QWidget* mainWindow, bool maximised, bool showTree, const QString& startFolder,
                      const QString& settingsFile);
    ~TVLBrowserChildWn() override;

    [[nodiscard]] const QString& Directory() const;
    void SetDirectory(const QString& path);
    void RefreshBrowser();
    void ShowDirectories(bool show);
    [[nodiscard]] bool TreeVisible() const;
    void SortBy(int kind, bool ascending);
    void Resort(bool ascending);
    void SelectAll();
    [[nodiscard]] QStringList SelectedNames() const;
    [[nodiscard]] QStringList SelectedPaths() const;
    [[nodiscard]] int EntryCount() const;
    // True while the open folder is still being read.
    [[nodiscard]] bool IsOpening() const;
    // Thumbnails for files that appeared are still being made.
    [[nodiscard]] bool AddsPending() const;

    [[nodiscard]] TColor SelectColour() const { return m_selectColour; }
    [[nodiscard]] TColor SelectTextColour() const { return m_selectTextColour; }
    // White or black text for a selection colour (its bytes taken as red, green, blue).
    [[nodiscard]] static TColor SelectTextColourFor(TColor colour);

    [[nodiscard]] TDirTreeView* DirTreeView() const { return m_tree; }
    [[nodiscard]] QComboBox* RecentDirsCombo() const { return m_recentDirs; }
    [[nodiscard]] TAdvSelectDrawGrid* ThumbnailGrid() const { return m_grid; }
    [[nodiscard]] QMenu* FileOptionsMenu() const { return m_fileOptions; }
    [[nodiscard]] QSplitter* Splitter() const { return m_splitter; }
    [[nodiscard]] TPictureDB& Database() const;
    // The open folder's state, which this window shows.
    [[nodiscard]] TBrowserFolder& Folder() const { return *m_folder; }
    [[nodiscard]] QStringList RecentDirs() const;

    // Choosing entry index of the recent-folders box.
    void ChooseRecentDir(int index);
    // What FileOptionsMenu does: copy (true) or move the selection to folder.
    void TransferSelection(bool copy, const QString& folder);
    // Moving cell source onto cell target inside the grid.
    void MoveCell(int source, int target);
    // Status panels for the current cell; on activation.
    void UpdateStatus();
    // Whether data is a cell drag of this browser.
    [[nodiscard]] bool IsOwnDrag(const QMimeData* data) const;
    // The browser a cell drag came from, among candidates.
    [[nodiscard]] static QByteArray DragId(const QMimeData* data);
    [[nodiscard]] QByteArray OwnDragId() const;

    std::function<void(TVLBrowserChildWn* sender, const QString& path)> OnOpenFile;
    std::function<void(TVLBrowserChildWn* sender)> OnContentsChange;
    std::function<void(TVLBrowserChildWn* sender, const QString& name, const QString& from, const QString& to)> OnCopyFile;
    std::function<void(TVLBrowserChildWn* sender, const QString& name, const QString& from, const QString& to)> OnMoveFile;
    // Error boxes of the browser (replaceable for tests).
    std::function<void(const QString& message)> ShowError;

protected:
    // Draws one cell's picture; raises when it cannot.
    virtual void DrawCellImage(QPainter& painter, int index, const QRect& rect, bool selected);
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void readSettings();
    void writeSettings();
    void firstShow();
    void addRecentDir(const QString& path);
    // Opens folder in the background; keepCurrent keeps the current cell (refresh).
    void openFolder(const QString& folder, bool keepCurrent);
    void entriesAdded();
    void folderOpened();
    void entryRemoved(int index);
    void entryAppended(int index);
    void contentsChanged();
    [[nodiscard]] bool isActiveDocument() const;
    void clearStatus();
    void drawCell(QPainter& painter, int index, const QRect& rect, bool selected);
    void startDrag(int source);
    void dropOnFolder(const QString& path, const QPoint& globalPoint);
    void fileAction(const TFileActionRecord& record);
    void treeMark(const QString& directory);
    void error(const QString& message);
    void openSelection();

    QWidget* m_mainWindow;
    QString m_settingsFile;
    QString m_startFolder;
    TColor m_selectColour = 0;
    TColor m_selectTextColour = 0;
    bool m_drawing = true;
    bool m_refreshing = false;
    bool m_shown = false;
    bool m_showsProgress = false;
    int m_dragSourceIndex = -1;
    int m_keepCurrent = -1;
    bool m_cellErrorShown = false;
    // A tree selection made by the browser itself opens nothing on its own.
    bool m_selectingInTree = false;
    // A sort asked for while the folder was being read, done once it is open.
    int m_pendingSortKind = -1;
    bool m_pendingSortAscending = true;

    // Drawn cells by entry and state: a repaint shows them without decoding again.
    QHash<QString, QPixmap> m_cellCache;

    QSplitter* m_splitter = nullptr;
    QFrame* m_leftPanel = nullptr;
    TDirTreeView* m_tree = nullptr;
    QComboBox* m_recentDirs = nullptr;
    TAdvSelectDrawGrid* m_grid = nullptr;
    QMenu* m_fileOptions = nullptr;
    std::unique_ptr<TBrowserFolder> m_folder;
};

} // namespace vellum
