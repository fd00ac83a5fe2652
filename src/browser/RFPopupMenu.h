#pragma once

// The recent-files menu: entries whose captions are full file paths, most recent first, and
// TPopupPanel, a pop-up that shows a panel instead of entries.
#include <functional>

#include <QMenu>

#include "raster/VellumError.h"

class QWidgetAction;

namespace vellum {

class ERecentFilesPopUpMenuError : public VellumException {
public:
    using VellumException::VellumException;
};

class TRecentFilesPopupMenu : public QMenu {
    Q_OBJECT
public:
    explicit TRecentFilesPopupMenu(QWidget* parent = nullptr);
    ~TRecentFilesPopupMenu() override;

    // Given to every new entry: what choosing it does (the entry is the argument).
    std::function<void(QAction*)> DefaultOnItemClick;
    std::function<void(TRecentFilesPopupMenu*, QAction*)> OnAddItem;
    std::function<void(TRecentFilesPopupMenu*, int)> OnDeleteItem;

    // Held in 8 bits: n is taken modulo 256. Trims entries from the bottom.
    [[nodiscard]] int MaxFileList() const { return m_maxFileList; }
    void SetMaxFileList(int n);

    [[nodiscard]] int EntryCount() const;
    [[nodiscard]] QAction* Entry(int index) const;
    // The absolute path an entry stands for.
    [[nodiscard]] static QString EntryPath(const QAction* entry);
    // The index of the entry for the same file as path (equal absolute paths, or two names of
    // one file), or -1.
    [[nodiscard]] int IndexOfPath(const QString& path) const;

    // Puts path at the top: a new entry, or the existing one moved up with everything it
    // carries; then trims to MaxFileList. The top entry, or none when MaxFileList is 0.
    QAction* AddRecentFile(const QString& path);
    void RemoveRecentFile(const QString& path);
    // Raises ERecentFilesPopUpMenuError "Invalid item index %d" for an index out of range.
    void DeleteEntry(int index);
    void SetEntryCaption(int index, const QString& text);
    void ClearEntries();

protected:
    // A new entry for path, not yet in the menu.
    virtual QAction* CreateEntry(const QString& path);
    // The add-item step, run for every entry added; ends with OnAddItem.
    virtual void DoAddItem(QAction* entry);
    // Runs before the entry at index is freed; raises OnDeleteItem.
    virtual void DoDeleteItem(int index);
    // Inserts entry at index (the bottom when index is the count).
    void InsertEntry(int index, QAction* entry);

private:
    void checkIndex(int index) const;

    int m_maxFileList = 5;
};

// A pop-up menu that shows Panel in a borderless pop-up in place of entries, and nothing without
// one. It holds a dummy entry so that it is never empty.
class TPopupPanel : public QMenu {
    Q_OBJECT
public:
    explicit TPopupPanel(QWidget* parent = nullptr);

    [[nodiscard]] QWidget* Panel() const { return m_panel; }
    // The menu owns the panel from then on (and frees the one it replaces).
    void SetPanel(QWidget* panel);

protected:
    void showEvent(QShowEvent* event) override;

private:
    QAction* m_dummy = nullptr;
    QWidgetAction* m_panelAction = nullptr;
    QWidget* m_panel = nullptr;
};

} // namespace vellum
