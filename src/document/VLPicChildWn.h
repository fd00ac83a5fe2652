#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include <QString>

#include "document/PictureScrollBx.h"
#include "document/VLChildClasses.h"
#include "document/VLUndo.h"

namespace vellum {

// What changed in a picture document, reported after every change.
enum TChangeFlag : std::uint16_t {
    chgPicture = 1,
    chgScroll = 2,
    chgZoom = 4,
    chgViewSize = 8,
    chgPicSize = 16,
    chgSelCreated = 32,
    chgSelMoved = 64,
    chgSelContent = 128,
    chgSelRemoved = 256,
};
using TChangeSet = std::uint16_t;

// A picture document: a window that owns one picture (through its view), knows its file, title
// and modified state, and keeps a five-step undo history. Every change is reported through
// OnPictureChange with the set of change flags.
class TVLPicChildWin : public TExtraBtnForm {
    Q_OBJECT
public:
    ~TVLPicChildWin() override;

    [[nodiscard]] TPictureScrollBox& PictureScrollBox() const { return *m_view; }
    [[nodiscard]] TEffectsBitmap& Picture() const { return m_view->Bitmap(); }
    [[nodiscard]] TDocumentArea* MainWindow() const { return m_mainWindow; }

    [[nodiscard]] const QString& FileName() const { return m_fileName; }
    [[nodiscard]] const QString& Title() const { return m_title; }
    void SetTitle(const QString& title);
    [[nodiscard]] bool Modified() const { return m_modified; }
    void SetModified(bool modified);

    // The window's extent besides the picture's surface: frame, caption and the view's edge.
    [[nodiscard]] int NonClientWidth() const;
    [[nodiscard]] int NonClientHeight() const;

    std::function<void(TVLPicChildWin* sender, TChangeSet changes)> OnPictureChange;
    std::function<void(TVLPicChildWin* sender, int count)> OnUndoChange;

    void SetStatusBar(TStatusPanels* statusBar) override;
    virtual void DoUndoChange(int count);

    // Sets Modified when asked to and the picture changed, shows the size when it changed, and
    // tells OnPictureChange. An empty set does nothing.
    void NotifyChange(TChangeSet changes, bool setModified);

    // Sizes the window to show the whole picture at its zoom, within the main window's area.
    // False when nothing changed (also for a minimised or maximised window).
    bool BestFit(int pictureWidth, int pictureHeight);
    bool BestFit() { return BestFit(Picture().Width(), Picture().Height()); }

    // Zooms (1 to 15; other values keep the zoom) centred on a picture point, -1 for the centre
    // of what is in view; the caption follows.
    void SetZoom(int zoom, int centreX = -1, int centreY = -1);
    void CentreOn(int x, int y);

    // Saves in the format the name's extension chooses; a new name becomes the document's.
    // False, with nothing changed, when the picture cannot be saved.
    bool SaveToFile(const QString& fileName);

    void GreyScale();
    void Negative();
    void Flip();
    void Mirror();
    // The whole picture in the background colour.
    void Clear();
    // Puts the picture on the clipboard; Cut then clears it (with its undo step). False, with
    // the document unchanged, when the clipboard did not take the picture.
    bool Copy();
    bool Cut();
    // Pastes the clipboard's newest picture into the document; false when the clipboard holds
    // none. A damaged private stream raises.
    bool PasteFromClipboard();
    // Pastes the picture into the document at the top-left of the part in view; its pixels of
    // the tag colour (a tag of 0 or more) stay transparent. False when no picture is given.
    bool PasteIntoDocument(const TXBitmap* picture, int tag);
    // New sizes; Resample and EnlargeCanvas do nothing at all when the size is unchanged. A
    // failure still ends the update and reports what changed, then reaches the caller.
    void Resize(int width, int height);
    void Resample(int width, int height);
    void EnlargeCanvas(int width, int height, bool centre, TColor fill);

    // Records an action just before an edit: it notes the modified flag to restore.
    template <typename Action, typename... Args>
    Action& AddUndoAction(Args&&... args)
    {
        Action& action = m_undoStack.AddAction<Action>(std::forward<Args>(args)...);
        action.WasModified = m_modified;
        DoUndoChange(m_undoStack.Count());
        return action;
    }
    bool UndoLast();
    [[nodiscard]] bool CanUndo() const { return m_undoStack.Count() > 0; }
    [[nodiscard]] const TVLUndoActionFactory& UndoStack() const { return m_undoStack; }

    [[nodiscard]] static QString SizeText(int width, int height);

protected:
    TVLPicChildWin(TDocumentArea* mainWindow, QWidget* parent);

    void changeEvent(QEvent* event) override;
    // FileName := the name; Title := the name without its folder.
    void setFileName(const QString& fileName);

private:
    // Records the picture, runs the size change inside a wait and a view update, fits the
    // window and reports 25 (picture, view size, picture size).
    template <typename Change>
    void changeSize(Change&& change);
    void refreshCaption();
    void refreshStatus();
    void viewMouseDown(Qt::MouseButton button, int x, int y);
    void viewMouseMove(int x, int y);
    void viewMouseUp(Qt::MouseButton button, int x, int y);
    // The Zoom tool's band on the screen, drawn (or taken away) with the inverting pen.
    void drawZoomBand();

    TPictureScrollBox* m_view = nullptr;
    TDocumentArea* m_mainWindow;
    TVLUndoActionFactory m_undoStack;
    QString m_fileName;
    QString m_title;
    bool m_modified = false;
    // A drag of the Drag or Zoom tool: the button that started it, the last mouse point (view
    // coordinates) and the Zoom tool's band (view coordinates, snapped to picture pixels).
    Qt::MouseButton m_dragButton = Qt::NoButton;
    QPoint m_lastPoint;
    QRect m_band;
};

// A blank document of one colour.
class TVLNewPicChildWin : public TVLPicChildWin {
    Q_OBJECT
public:
    TVLNewPicChildWin(int width, int height, TColor colour, const QString& title, TDocumentArea* mainWindow,
                      QWidget* parent = nullptr);
};

// A document made from a picture in memory (the clipboard's); modified from the start.
class TVLCopyPicChildWin : public TVLPicChildWin {
    Q_OBJECT
public:
    TVLCopyPicChildWin(const TXBitmap* picture, const QString& title, TDocumentArea* mainWindow,
                       QWidget* parent = nullptr);
};

// A document read from a picture file.
class TVLFilePicChildWin : public TVLPicChildWin {
    Q_OBJECT
public:
    TVLFilePicChildWin(const QString& fileName, TDocumentArea* mainWindow, QWidget* parent = nullptr);
};

// --- undo actions -------------------------------------------------------------------------------

// The base of the picture actions: undoing runs DoUndo inside the document's wait state and a
// view update, reports the changes and puts back the modified flag noted when recorded.
class TVLPicUndoAction : public TVLBaseUndoAction {
public:
    // Raises EVLUndoActionError unless the parent is a picture document.
    explicit TVLPicUndoAction(QObject* parent);

    bool WasModified = false;

    void Undo() override;

protected:
    virtual void DoUndo(TVLPicChildWin& window, TChangeSet& changes) = 0;
};

// The general action: a copy of the picture (or nothing).
class TVLPicGenUndoAction : public TVLPicUndoAction {
public:
    using TVLPicUndoAction::TVLPicUndoAction;

    // Keeps a copy of the (24-bit) picture; none frees a kept one.
    void StoreBitmap(const TXBitmap* picture);
    [[nodiscard]] bool HasBitmap() const { return m_width > 0; }

protected:
    void DoUndo(TVLPicChildWin& window, TChangeSet& changes) override;

private:
    // The pixels row after row without padding: a history of five steps holds exactly five
    // pictures' bytes.
    std::vector<std::uint8_t> m_pixels;
    int m_width = 0;
    int m_height = 0;
};

// The base of the actions undone by doing the edit again; they keep no pixels.
class TVLPicRevUndoAction : public TVLPicUndoAction {
public:
    enum TTarget : unsigned char { rtPicture = 0, rtSelection = 1 };
    using TVLPicUndoAction::TVLPicUndoAction;
    TTarget Target = rtPicture;
};

class TVLPicNegUndoAction : public TVLPicRevUndoAction {
public:
    using TVLPicRevUndoAction::TVLPicRevUndoAction;

protected:
    void DoUndo(TVLPicChildWin& window, TChangeSet& changes) override;
};

class TVLPicFlipUndoAction : public TVLPicRevUndoAction {
public:
    using TVLPicRevUndoAction::TVLPicRevUndoAction;

protected:
    void DoUndo(TVLPicChildWin& window, TChangeSet& changes) override;
};

class TVLPicMirrorUndoAction : public TVLPicRevUndoAction {
public:
    using TVLPicRevUndoAction::TVLPicRevUndoAction;

protected:
    void DoUndo(TVLPicChildWin& window, TChangeSet& changes) override;
};

} // namespace vellum
