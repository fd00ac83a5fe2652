#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include <QImage>
#include <QWidget>

#include "app/VLPinnedFrm.h"
#include "raster/VellumError.h"
#include "raster/XBitmap.h"

class QAction;
class QLabel;
class QScrollArea;
class QTabBar;

namespace vellum {

class EVLClipbrdViewerError : public VellumException {
public:
    using VellumException::VellumException;
};

// One entry per tab of the Clipboard Viewer, in tab order.
class TCbTabDataList {
public:
    struct TEntry {
        // A copy of the clipboard picture; a tag of 0 or more marks it transparent in that colour.
        TXBitmap picture;
        std::int32_t tag = -1;
        // -1 for another program's picture.
        std::int32_t identifier = -1;
    };

    // The new entry's index.
    int Add(std::int32_t identifier, TXBitmap picture, std::int32_t tag);
    // Empties the list, handing back its pictures, newest first, for their storage.
    [[nodiscard]] std::vector<TXBitmap> TakePictures();
    // Raises EVLClipbrdViewerError "Item index %d out of bounds" outside 0 to Count - 1.
    [[nodiscard]] const TEntry& Get(int index) const;
    [[nodiscard]] int Count() const { return static_cast<int>(m_entries.size()); }
    void Clear() { m_entries.clear(); }

private:
    std::vector<std::unique_ptr<TEntry>> m_entries;
};

// The drawing surface of the selected picture. It paints only the exposed part of the image
// its viewer composes when the tab or the size changes.
class TCbItemImage : public QWidget {
    Q_OBJECT
public:
    explicit TCbItemImage(QWidget* parent = nullptr);
    void SetImage(QImage image);
    // The image, of the size and in the screen's plain format, to compose into: the one shown
    // when it fits (its contents then undefined), so a refresh draws into memory in use.
    // Show the result with Shown().
    [[nodiscard]] QImage& Surface(QSize size);
    void Shown();
    [[nodiscard]] const QImage& Image() const { return m_image; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage m_image;
};

// A pinned tool window listing every picture of the clipboard store as numbered tabs, newest
// first, showing the selected one over the no-canvas pattern. Its buttons paste the picture
// (into the active picture or as a new one), make it the newest, delete it or clear the
// clipboard. It reads the clipboard once per change, and only while it is shown: showing
// registers it for clipboard notifications and refreshes it; hiding or closing unregisters it.
class TCbViewerForm : public TVLBasePinnedForm {
    Q_OBJECT
public:
    static constexpr int TabWidth = 40;
    static constexpr QSize DesignedSize{220, 210};

    TCbViewerForm(QMainWindow* mainWindow, const QString& keyPath, QMainWindow* dockSite = nullptr);
    ~TCbViewerForm() override;

    // Rebuilds the tabs from the clipboard and selects the first.
    void Refresh();
    [[nodiscard]] const TCbTabDataList& Items() const { return m_items; }

    [[nodiscard]] QTabBar* ClipboardPages() const { return m_tabs; }
    [[nodiscard]] QLabel* CBIsEmptyLabel() const { return m_emptyLabel; }
    [[nodiscard]] QScrollArea* ImageScrollBox() const { return m_scrollBox; }
    [[nodiscard]] TCbItemImage* CbItemImage() const { return m_itemImage; }
    [[nodiscard]] QAction* PasteCbImage() const { return m_paste; }
    [[nodiscard]] QAction* PasteCbImageAsNew() const { return m_pasteAsNew; }
    [[nodiscard]] QAction* PromoteCbImage() const { return m_promote; }
    [[nodiscard]] QAction* DeleteCbImage() const { return m_delete; }
    [[nodiscard]] QAction* ClearCb() const { return m_clear; }
    [[nodiscard]] bool Registered() const { return m_registered; }

    // A paste request: the selected tab's picture, whether as a new picture, and its tag.
    std::function<void(TCbViewerForm* sender, const TXBitmap& picture, bool pasteAsNew, int tag)> OnPasteImage;

protected:
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Composes the selected picture for the drawing surface, which takes the larger of the
    // scroll box's client size and the picture's size.
    void drawSelected();
    // The scroll box's viewport once it shows content of that size: less the bars it needs.
    [[nodiscard]] QSize viewportFor(const QSize& content) const;
    void layoutPages();
    void updateActions();
    [[nodiscard]] const TCbTabDataList::TEntry* selected() const;
    void runAction(const std::function<void(const TCbTabDataList::TEntry&)>& action);

    TCbTabDataList m_items;
    QWidget* m_pages = nullptr;
    QTabBar* m_tabs = nullptr;
    QWidget* m_pageArea = nullptr;
    QLabel* m_emptyLabel = nullptr;
    QScrollArea* m_scrollBox = nullptr;
    TCbItemImage* m_itemImage = nullptr;
    QAction* m_paste = nullptr;
    QAction* m_pasteAsNew = nullptr;
    QAction* m_promote = nullptr;
    QAction* m_delete = nullptr;
    QAction* m_clear = nullptr;
    bool m_registered = false;
    QSize m_composedFor;
};

} // namespace vellum
