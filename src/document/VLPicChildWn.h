#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include <QString>

#include "document/PictureScrollBx.h"
#include "document/PicturePreview.h"
#include "document/Tool.h"
#include "document/VLChildClasses.h"
#include "document/VLUndo.h"
#include "selection/PicSelection.h"
#include "selection/VLCompactSelection.h"

namespace vellum {

class TVLPicGenUndoAction;
class TSprayCan;

// A picture document: a window that owns one picture (through its view), knows its file, title
// and modified state, and keeps a five-step undo history with the steps undone since the last
// edit, to redo. Every change is reported through OnPictureChange with the set of change flags.
class TVLPicChildWin : public TExtraBtnForm, public TToolHost {
    Q_OBJECT
public:
    ~TVLPicChildWin() override;

    [[nodiscard]] TPictureScrollBox& PictureScrollBox() const override { return *m_view; }
    [[nodiscard]] TEffectsBitmap& Picture() const { return m_view->Bitmap(); }
    [[nodiscard]] TDocumentArea* MainWindow() const override { return m_mainWindow; }

    [[nodiscard]] const QString& FileName() const { return m_fileName; }
    [[nodiscard]] const QString& Title() const { return m_title; }
    // The whole caption, "title [zoom:1]"; the caption bar may show the title shortened.
    [[nodiscard]] const QString& Caption() const { return m_caption; }
    void SetTitle(const QString& title);
    [[nodiscard]] bool Modified() const { return m_modified; }
    void SetModified(bool modified);

    // The window's extent besides the picture's surface: frame, caption and the view's edge.
    [[nodiscard]] int NonClientWidth() const;
    [[nodiscard]] int NonClientHeight() const;

    std::function<void(TVLPicChildWin* sender, TChangeSet changes)> OnPictureChange;
    std::function<void(TVLPicChildWin* sender, int count)> OnUndoChange;

    void SetStatusBar(TStatusPanels* statusBar) override;

    // The main window's document area made this document the active one (Qt sends no
    // activation event to a window inside it): the status bar shows this document.
    virtual void Activate();
    virtual void Deactivate();
    [[nodiscard]] bool Active() const { return m_active; }
    virtual void DoUndoChange(int count);

    // Sets Modified when asked to and the picture changed, shows the size when it changed, and
    // tells OnPictureChange. An empty set does nothing.
    void NotifyChange(TChangeSet changes, bool setModified) override;

    // Sizes the window to show the whole picture at its zoom, within the main window's area.
    // False when nothing changed (also for a minimised or maximised window).
    bool BestFit(int pictureWidth, int pictureHeight);
    bool BestFit() { return BestFit(Picture().Width(), Picture().Height()); }

    // Zooms (1 to 15; other values keep the zoom) centred on a picture point, -1 for the centre
    // of what is in view; the caption follows.
    void SetZoom(int zoom, int centreX = -1, int centreY = -1) override;
    void CentreOn(int x, int y);

    // Saves in the format the name's extension chooses; a new name becomes the document's, and
    // every step of the undo and redo history now leads to a modified picture. False, with
    // nothing changed and the failure's message in error, when the picture cannot be saved.
    bool SaveToFile(const QString& fileName, QString* error = nullptr);

    // The floating selection acts instead of the picture where there is one.
    void GreyScale();
    void Negative();
    void Flip();
    void Mirror();
    // Discards the floating selection, or fills the whole picture with the background colour.
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
    // The same, taking over the picture's pixels instead of copying them.
    bool PasteIntoDocument(TXBitmap&& picture, int tag);
    // New sizes; Resample and EnlargeCanvas do nothing at all when the size is unchanged. A
    // failure (a size beyond the picture limits, memory) leaves picture, selection and undo
    // history as they were and reaches the caller. Resize and Resample commit a floating
    // selection; EnlargeCanvas leaves it floating on the picture (moved with a centred one).
    void Resize(int width, int height);
    void Resample(int width, int height);
    void EnlargeCanvas(int width, int height, bool centre, TColor fill);

    // Records an action just before an edit: it notes the modified flag to restore.
    template <typename Action, typename... Args>
    Action& AddUndoAction(Args&&... args)
    {
        return RecordUndoAction(m_undoStack.MakeAction<Action>(std::forward<Args>(args)...));
    }
    // Records an action made with the stack's MakeAction and already filled.
    template <typename Action>
    Action& RecordUndoAction(std::unique_ptr<Action> filled)
    {
        Action& action = m_undoStack.Push(std::move(filled));
        action.WasModified = m_modified;
        DoUndoChange(m_undoStack.Count());
        return action;
    }
    bool UndoLast();
    // Brings back the picture, floating selection, size and modified flag of the step undone
    // last; false when there is none.
    bool RedoLast();

    // --- the floating selection (picture coordinates) ---

    [[nodiscard]] TPictureSelection* Selection() const override { return m_selection.get(); }
    [[nodiscard]] QSize AvailableArea() const override;
    // Each frees an existing selection first (reporting its removal) and attaches the new one;
    // a selection that cannot be made leaves none and shows the message in an error box. A
    // rectangle (x, y, width, height; negative sizes are normalised) empty either way, and
    // points without an area or enclosing no pixel, make none and show nothing.
    void CreateRectSelection(const QRect& rect, TColor transparent) override;
    void CreateFreehandSelection(TFreehandPoints& points, TColor transparent) override;
    void CreateMagicWandSelection(const QPoint& point) override;
    void CreateBitmapSelection(const TXBitmap* picture, const QPoint& topLeft, TColor transparent);
    // The same, taking over the picture's pixels.
    void CreateBitmapSelection(TXBitmap&& picture, const QPoint& topLeft, TColor transparent);
    // Takes the new selection: its progress and ant steps are wired, the ants start, and 33
    // (picture, selection created) is reported.
    void AttachSelection(std::unique_ptr<TPictureSelection> selection);
    // Ends the floating selection, drawing it into the picture when committing; a discard
    // marks the document modified.
    void DropSelection(bool commit, bool repaint);
    void MoveSelectionTo(const QPoint& topLeft) override;
    // Frees the selection without drawing it back or reporting; the caller reports.
    void FreeSelection();
    // The picture becomes the selection's image, unselected places in the background colour.
    void Crop();
    // Commits any selection and lifts the whole picture as a rectangle selection.
    void SelectAll();
    // Shows a failure in an error box; tests replace it.
    static std::function<void(QWidget* parent, const QString& message)> ShowError;
    [[nodiscard]] bool CanUndo() const { return m_undoStack.Count() > 0; }
    [[nodiscard]] bool CanRedo() const { return m_undoStack.RedoCount() > 0; }

    // --- tools ---

    // Ends a running drag without its release: what it drew on screen goes (a Shapes outline is
    // taken out of the picture), a spray can stops; strokes just end. Every command on the
    // document runs this first.
    void CancelDrag();
    [[nodiscard]] bool Dragging() const { return m_drag != TDrag::None; }
    // The spray can of a running Spray Can drag, or none.
    [[nodiscard]] TSprayCan* SprayCan() const;
    void DragFailed(const std::exception& error) override;
    // A text picture becomes the floating selection at the top-left of the part in view, its
    // background transparent, with the undo step of a paste: an existing selection is recorded
    // and committed first.
    void PlaceTextPicture(const TXBitmap& picture, TColor background);
    [[nodiscard]] const TVLUndoActionFactory& UndoStack() const { return m_undoStack; }

    [[nodiscard]] static QString SizeText(int width, int height);

    // --- adjustments with a preview ---
    // Each shows its effect on the floating selection, or else on the whole picture. A preview
    // keeps a copy of what it changes until it is committed or cancelled; a commit records the
    // undo step (holding the state from before any preview) and applies the effect once. When
    // the copy a preview needs cannot be made, nothing starts and the error reaches the caller.
    // A value without effect (angle 0, amount 0, gamma 1, radius 0, RGB 0, 0, 0) still
    // records its undo step when committed but changes nothing.
    void Rotate(int angle, TColor background, TAdjustMode mode);
    void Brighten(int amount, TAdjustMode mode);
    void GammaCorrect(double gamma, TAdjustMode mode);
    void Blur(double amount, TAdjustMode mode);
    void AdjustRGB(int red, int green, TAdjustMode mode, int blue);
    [[nodiscard]] bool IsPreviewing() const { return m_preview.Active(); }
    [[nodiscard]] const TPicturePreview& Preview() const { return m_preview; }
    // Puts back what the preview changed and ends it; nothing without a preview.
    void CancelPreview();

protected:
    TVLPicChildWin(TDocumentArea* mainWindow, QWidget* parent);

    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void BeginWait() override;
    void EndWait() override;
    // FileName := the name; Title := the name without its folder.
    void setFileName(const QString& fileName);

private:
    // Records picture and selection, runs the size change inside a wait and a view update, fits
    // the window and reports 25 (picture, view size, picture size). A selection to commit is
    // drawn into the picture for the change and ends only when the change succeeded; one kept
    // floating moves by shift. A failed change leaves picture, selection and history as they
    // were.
    template <typename Change>
    void changeSize(Change&& change, bool commitSelection, const QPoint& shift = QPoint());
    // Negative, Flip, Mirror: on the selection (undone on it) or on the picture.
    template <typename Action, typename OnSelection, typename OnPicture>
    void reversibleEdit(OnSelection&& onSelection, OnPicture&& onPicture);
    // Brackets an edit: the undo record of an edit that fails is taken back.
    [[nodiscard]] TVLUndoEdit undoableEdit();
    void refreshCaption();
    void refreshStatus();
    void viewMouseDown(Qt::MouseButton button, int x, int y, bool doubleClick);
    void viewMouseMove(int x, int y);
    void viewMouseUp(Qt::MouseButton button, int x, int y);
    [[nodiscard]] bool isActiveDocument() const;
    // The tool object of the current tool, made afresh when the tool changed (never during a
    // drag); none for tools whose steps live elsewhere.
    TVLTool* currentTool();
    void setViewCursor(int cursorNumber);
    // Runs a selection construction; its failure is shown and leaves no selection.
    template <typename Make>
    void createSelection(Make&& make, const QRect& repaint);
    void nudgeSelection(int dx, int dy);
    // Paste's undo record and the commit of an earlier selection.
    void recordPaste();
    // The undo record of an edit: the picture and (if any) the selection. A press's record
    // reuses the pixel store of the step it pushes out of a full history.
    TVLPicGenUndoAction& recordPictureAndSelection(bool reuseOldest = false);
    // The preview protocol: StartPreview saves (or puts back) the state an effect changes;
    // ApplyAdjustment answers whether the result is already in place.
    void StartPreview();
    // Puts the saved state back (without reporting), keeping the saved copy or handing its
    // block over; the changes it made.
    TChangeSet putBackPreview(bool keepCopy);
    bool ApplyAdjustment(TAdjustMode mode, const TPreviewParam& param);
    // One adjustment inside the wait state and a view update; the effect runs on the selection
    // or on the picture when it is not in place yet.
    template <typename OnSelection, typename OnPicture>
    void adjust(TAdjustMode mode, const TPreviewParam& param, bool effective, bool resizesPicture,
                OnSelection&& onSelection, OnPicture&& onPicture);

    TPictureScrollBox* m_view = nullptr;
    TDocumentArea* m_mainWindow;
    TVLUndoActionFactory m_undoStack;
    QString m_fileName;
    QString m_title;
    QString m_caption;
    bool m_modified = false;
    std::unique_ptr<TPictureSelection> m_selection;
    bool m_active = false;
    // The drag under way: left for the left button, right for any other; and the tool that
    // runs it.
    enum class TDrag : unsigned char { None, Left, Right };
    TDrag m_drag = TDrag::None;
    // The window became the active one during the event being handled: the press that
    // activates a window paints nothing.
    bool m_justActivated = false;
    std::unique_ptr<TVLTool> m_tool;
    TTool m_toolKind = TTool::Pen;
    // The press of the drag under way left its undo step to the selection it may make.
    bool m_recordAtCreation = false;
    TPicturePreview m_preview;
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
    // Takes the picture's pixels over instead of copying them.
    TVLCopyPicChildWin(TXBitmap&& picture, const QString& title, TDocumentArea* mainWindow, QWidget* parent = nullptr);
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
    // The inverse step, noting the document's modified flag of now.
    std::unique_ptr<TVLBaseUndoAction> MakeRedo() final;

protected:
    virtual void DoUndo(TVLPicChildWin& window, TChangeSet& changes) = 0;
    // An action that puts back what DoUndo is about to replace in the window; none when the
    // step cannot be redone.
    [[nodiscard]] virtual std::unique_ptr<TVLPicUndoAction> makeInverse(TVLPicChildWin&) const { return nullptr; }
};

// The general action: a copy of the picture and a snapshot of the floating selection, each
// or both or neither. Undoing without a snapshot removes a floating selection.
class TVLPicGenUndoAction : public TVLPicUndoAction {
public:
    using TVLPicUndoAction::TVLPicUndoAction;

    // Keeps a copy of the (24-bit) picture; none frees a kept one. A failure keeps what was
    // kept before.
    void StoreBitmap(const TXBitmap* picture);
    // Takes kept bytes over without a copy (a preview's saved picture); they replace a stored
    // picture.
    void TakeBitmap(TPictureBytes&& bytes);
    // The pixel store of a step about to go, for a newer action to copy into without mapping
    // fresh memory; the step then restores no picture. The store names the picture it holds,
    // so that it can go back to its step when the newer action could not be filled.
    struct TPixelStore {
        std::unique_ptr<std::uint8_t[]> Pixels;
        std::size_t Bytes = 0;
        int Width = 0;
        int Height = 0;
    };
    [[nodiscard]] TPixelStore TakePixelStore();
    // Takes a store (and the picture it holds) over; nothing when a picture is kept already.
    void AdoptPixelStore(TPixelStore store);
    [[nodiscard]] bool HasBitmap() const { return m_width > 0 || !m_taken.Empty(); }
    // Copies the kept picture into the picture (taking its size), reporting nothing; true when
    // the size changed. Nothing when none is kept.
    bool PutBackBitmap(TXBitmap& picture) const;
    // Keeps a snapshot of the selection; none frees a kept one.
    void StoreSelection(const TPictureSelection* selection);
    [[nodiscard]] const TVLCompactSelection* SelectionSnapshot() const { return m_selection.get(); }

protected:
    void DoUndo(TVLPicChildWin& window, TChangeSet& changes) override;
    // The picture when this action puts one back, and the selection (or its absence) always.
    [[nodiscard]] std::unique_ptr<TVLPicUndoAction> makeInverse(TVLPicChildWin& window) const override;

private:
    // Puts the stored picture back; true when that changed its size.
    bool restorePicture(TVLPicChildWin& window, TChangeSet& changes);
    // The pixels row after row without padding: a history of five steps holds exactly five
    // pictures' bytes.
    std::unique_ptr<std::uint8_t[]> m_pixels;
    std::size_t m_storeBytes = 0;
    int m_width = 0;
    int m_height = 0;
    TPictureBytes m_taken;
    std::unique_ptr<TVLCompactSelection> m_selection;
};

// The base of the actions undone by doing the edit again; they keep no pixels.
class TVLPicRevUndoAction : public TVLPicUndoAction {
public:
    enum TTarget : unsigned char { rtPicture = 0, rtSelection = 1 };
    using TVLPicUndoAction::TVLPicUndoAction;
    TTarget Target = rtPicture;

protected:
    // The edit is its own inverse: the same action on the same target.
    template <typename Action>
    [[nodiscard]] std::unique_ptr<TVLPicUndoAction> inverse(TVLPicChildWin& window) const
    {
        auto action = std::make_unique<Action>(&window);
        action->Target = Target;
        return action;
    }
};

class TVLPicNegUndoAction : public TVLPicRevUndoAction {
public:
    using TVLPicRevUndoAction::TVLPicRevUndoAction;

protected:
    void DoUndo(TVLPicChildWin& window, TChangeSet& changes) override;
    [[nodiscard]] std::unique_ptr<TVLPicUndoAction> makeInverse(TVLPicChildWin& window) const override
    {
        return inverse<TVLPicNegUndoAction>(window);
    }
};

class TVLPicFlipUndoAction : public TVLPicRevUndoAction {
public:
    using TVLPicRevUndoAction::TVLPicRevUndoAction;

protected:
    void DoUndo(TVLPicChildWin& window, TChangeSet& changes) override;
    [[nodiscard]] std::unique_ptr<TVLPicUndoAction> makeInverse(TVLPicChildWin& window) const override
    {
        return inverse<TVLPicFlipUndoAction>(window);
    }
};

class TVLPicMirrorUndoAction : public TVLPicRevUndoAction {
public:
    using TVLPicRevUndoAction::TVLPicRevUndoAction;

protected:
    void DoUndo(TVLPicChildWin& window, TChangeSet& changes) override;
    [[nodiscard]] std::unique_ptr<TVLPicUndoAction> makeInverse(TVLPicChildWin& window) const override
    {
        return inverse<TVLPicMirrorUndoAction>(window);
    }
};

} // namespace vellum
