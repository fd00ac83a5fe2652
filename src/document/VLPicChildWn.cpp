#include "document/VLPicChildWn.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include <QApplication>
#include <QEvent>
#include <QFontMetrics>
#include <QResizeEvent>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMdiArea>
#include <QMessageBox>
#include <QScrollBar>
#include <QStyle>
#include <QTimer>

#include "document/PaintTools.h"
#include "document/ToolCursors.h"
#include "document/VLToolVars.h"
#include "raster/Canvas.h"
#include "raster/ColourMatch.h"

namespace vellum {

namespace {

// Runs BeginWait/EndWait around a scope, also when it is left by an exception.
class WaitScope {
public:
    explicit WaitScope(TBasicVLChild& window) : m_window(window) { m_window.BeginWait(); }
    ~WaitScope() { m_window.EndWait(); }
    WaitScope(const WaitScope&) = delete;
    WaitScope& operator=(const WaitScope&) = delete;

private:
    TBasicVLChild& m_window;
};

// Rectangle x, y, width, height with negative sizes turned round: the same pixels, left and top
// the smaller edges.
QRect normalised(const QRect& r)
{
    const int x1 = r.x() + r.width();
    const int y1 = r.y() + r.height();
    return QRect(QPoint(std::min(r.x(), x1), std::min(r.y(), y1)), QSize(std::abs(r.width()), std::abs(r.height())));
}

QString messageOf(const std::exception& e)
{
    if (dynamic_cast<const std::bad_alloc*>(&e) != nullptr)
        return EOutOfMemory().message();
    return QString::fromUtf8(e.what());
}

} // namespace

std::function<void(QWidget* parent, const QString& message)> TVLPicChildWin::ShowError =
    [](QWidget* parent, const QString& message) {
        QMessageBox::critical(parent, QStringLiteral("Error"), message, QMessageBox::Ok);
    };

TVLPicChildWin::TVLPicChildWin(TDocumentArea* mainWindow, QWidget* parent)
    : TExtraBtnForm(ckPicture, parent)
    , m_mainWindow(mainWindow)
    , m_undoStack(this)
{
    m_view = new TPictureScrollBox(this);
    setWidget(m_view);
    SetExtraBtnHintStr(QStringLiteral("Resize window to best fit"));
    OnExtraBtnClick = [this](TExtraBtnForm*) {
        m_view->BeginUpdate();
        BestFit();
        m_view->EndUpdate();
        NotifyChange(chgViewSize, true);
    };

    TEffectsBitmap& picture = m_view->Bitmap();
    picture.OnProgressBegin = [this](TEffectsBitmap*, int steps) { DoProgressBegin(steps); };
    picture.OnProgressStep = [this](TEffectsBitmap*) { DoProgressStep(); };
    picture.OnProgressEnd = [this](TEffectsBitmap*) { DoProgressEnd(); };

    m_view->OnScroll = [this](TIdleScrollBox*) { NotifyChange(chgScroll, true); };
    m_view->OnEndResize = [this](TPictureScrollBox*) { NotifyChange(chgViewSize, true); };
    m_view->OnMouseWheel = [this](TPictureScrollBox*, int notches) {
        // One zoom step a notch, within 1 to 15; beyond them only the caption is refreshed.
        const int zoom = m_view->ZoomFactor();
        const int target = std::clamp(zoom + notches, TPictureScrollBox::MinZoom, TPictureScrollBox::MaxZoom);
        SetZoom(target == zoom ? zoom + notches : target);
    };
    // Mouse handlers run on Qt's event loop: a failure cancels the drag and ends in the error
    // box here; the press's undo record stays.
    auto guarded = [this](const std::function<void()>& body) {
        try {
            body();
        } catch (const std::exception& e) {
            DragFailed(e);
        }
    };
    m_view->OnMouseDown = [this, guarded](TPictureScrollBox*, Qt::MouseButton button, Qt::KeyboardModifiers, int x, int y) {
        guarded([&] { viewMouseDown(button, x, y, m_view->PressIsDoubleClick()); });
    };
    m_view->OnMouseMove = [this, guarded](TPictureScrollBox*, Qt::MouseButton, Qt::KeyboardModifiers, int x, int y) {
        guarded([&] { viewMouseMove(x, y); });
    };
    m_view->OnMouseUp = [this, guarded](TPictureScrollBox*, Qt::MouseButton button, Qt::KeyboardModifiers, int x, int y) {
        guarded([&] { viewMouseUp(button, x, y); });
    };
    m_view->OnBeforeZoomPaint = [this](TPictureScrollBox*, TXBitmap& image, const QRect& rect) {
        if (m_selection)
            m_selection->DrawImage(rect, image);
    };
    m_view->OnPainting = [this](TPictureScrollBox*, const TPixelRows& rows, const QPoint& at) {
        if (m_selection && !m_selection->Moving)
            m_selection->PaintOutline(rows, at, m_view->ZoomFactor(), m_view->PictureToView(m_selection->Bounds));
    };
    // The ants march only in the active document.
    connect(this, &QMdiSubWindow::windowStateChanged, this, [this](Qt::WindowStates before, Qt::WindowStates now) {
        if ((before & Qt::WindowActive) == (now & Qt::WindowActive))
            return;
        // A drag does not survive the loss of the window: what it drew on screen goes.
        if (!(now & Qt::WindowActive))
            CancelDrag();
        // The press being delivered, if any, is the one that activated the window.
        if (now & Qt::WindowActive) {
            m_justActivated = true;
            QTimer::singleShot(0, this, [this] { m_justActivated = false; });
        }
        if (!m_selection)
            return;
        if (now & Qt::WindowActive) {
            if (!m_selection->Moving)
                m_selection->StartAnts(true);
        } else {
            m_selection->StopAnts();
        }
    });
    // Ctrl+arrows reach the selection from whichever child has the focus.
    installEventFilter(this);
    for (QWidget* child : findChildren<QWidget*>())
        child->installEventFilter(this);
    m_view->OnExit = [this, guarded](TPictureScrollBox*) {
        if (m_active)
            setPanel(3, QString());
        if (m_tool)
            guarded([&] { m_tool->Leave(); });
    };
}

TVLPicChildWin::~TVLPicChildWin()
{
    // The base destructor still reports a state change; the selection is gone by then.
    disconnect(this, &QMdiSubWindow::windowStateChanged, this, nullptr);
}

QString TVLPicChildWin::SizeText(int width, int height)
{
    return QStringLiteral("%1w x %2h").arg(width).arg(height);
}

void TVLPicChildWin::refreshCaption()
{
    const QString zoom = QStringLiteral(" [%1:1]").arg(m_view->ZoomFactor());
    m_caption = m_title + zoom;
    // The caption bar would cut the zoom off a long name: the name is shortened instead, and the
    // window never gets too narrow to show the zoom and the name's start.
    const QFontMetrics metrics(QApplication::font("QMdiSubWindowTitleBar"));
    const QString ellipsis(QChar(0x2026));
    const QString least = m_title.size() <= 3 ? m_caption : m_title.left(3) + ellipsis + zoom;
    // Only a window in its normal state has a caption bar of its own to fit.
    if (!isMaximized() && !isMinimized())
        setMinimumWidth(captionChromeWidth() + metrics.horizontalAdvance(least) + 1);
    QString shown = m_caption;
    const int room = captionTextWidth();
    if (room > 0 && metrics.horizontalAdvance(shown) > room) {
        QString name = metrics.elidedText(m_title, Qt::ElideRight, std::max(room - metrics.horizontalAdvance(zoom), 0));
        if (name.isEmpty())
            name = ellipsis;
        shown = name + zoom;
    }
    if (shown != windowTitle())
        setWindowTitle(shown);
}

void TVLPicChildWin::resizeEvent(QResizeEvent* event)
{
    TExtraBtnForm::resizeEvent(event);
    if (!m_caption.isEmpty())
        refreshCaption();
}

void TVLPicChildWin::SetTitle(const QString& title)
{
    if (title == m_title && !m_caption.isEmpty())
        return;
    m_title = title;
    refreshCaption();
}

void TVLPicChildWin::SetModified(bool modified)
{
    if (modified == m_modified)
        return;
    m_modified = modified;
    setPanel(2, modified ? QStringLiteral("Modified") : QString());
}

void TVLPicChildWin::refreshStatus()
{
    if (StatusBar() == nullptr)
        return;
    setPanel(0, QString());
    setPanel(1, SizeText(Picture().Width(), Picture().Height()));
    setPanel(2, m_modified ? QStringLiteral("Modified") : QString());
    setPanel(3, QString());
}

void TVLPicChildWin::SetStatusBar(TStatusPanels* statusBar)
{
    TExtraBtnForm::SetStatusBar(statusBar);
    refreshStatus();
}

void TVLPicChildWin::Activate()
{
    m_active = true;
    refreshStatus();
    update();
}

void TVLPicChildWin::Deactivate()
{
    m_active = false;
}

bool TVLPicChildWin::isActiveDocument() const
{
    const QMdiArea* area = mdiArea();
    return area == nullptr || area->currentSubWindow() == this;
}

void TVLPicChildWin::setViewCursor(int cursorNumber)
{
    m_view->viewport()->setCursor(ToolCursor(cursorNumber));
}

QSize TVLPicChildWin::AvailableArea() const
{
    return m_mainWindow != nullptr ? m_mainWindow->AvailableDocumentArea() : m_view->viewport()->size();
}

// The common press: one drag at a time, in a document that was active before the press, inside
// the picture; then the tool's undo record and its treatment of a floating selection, then the
// tool's own step.
void TVLPicChildWin::viewMouseDown(Qt::MouseButton button, int x, int y, bool doubleClick)
{
    if (m_justActivated || !isActiveDocument()) {
        m_justActivated = false;
        return;
    }
    if (m_drag != TDrag::None) {
        if (m_tool && m_tool->CancelOnPress())
            CancelDrag();
        return;
    }
    const QPoint p = m_view->ViewToPicture(QPoint(x, y));
    if (!m_view->PtInPicture(p.x(), p.y()))
        return;
    TVLTool* tool = currentTool();
    if (tool == nullptr)
        return;
    m_drag = button == Qt::LeftButton ? TDrag::Left : TDrag::Right;
    // A selection tool's press without a selection changes nothing: its step is recorded only
    // when a selection is made.
    m_recordAtCreation = tool->RecordsUndo() && IsSelectionTool(m_toolKind) && !m_selection;
    if (tool->RecordsUndo() && !m_recordAtCreation)
        recordPictureAndSelection(true);
    if (m_selection) {
        switch (tool->Prelude()) {
        case TVLTool::TSelectionPrelude::Leave:
            break;
        case TVLTool::TSelectionPrelude::PauseAnts:
            m_selection->StopAnts();
            break;
        case TVLTool::TSelectionPrelude::GrabOrCommit:
            if (button == Qt::LeftButton && !m_selection->Moving && m_selection->HitTest(p.x(), p.y())) {
                m_selection->Moving = true;
                m_selection->StopAnts();
                break;
            }
            [[fallthrough]];
        case TVLTool::TSelectionPrelude::Commit:
            DropSelection(true, true);
            break;
        }
    }
    if (!tool->Press(TToolEvent{button, QPoint(x, y), p, doubleClick})) {
        m_drag = TDrag::None;
        m_recordAtCreation = false;
    }
}

TVLTool* TVLPicChildWin::currentTool()
{
    // A drag keeps the tool that started it.
    if (m_drag == TDrag::None && (!m_tool || m_toolKind != ToolSettings().Tool)) {
        m_tool = MakeTool(ToolSettings().Tool, *this);
        m_toolKind = ToolSettings().Tool;
    }
    return m_tool.get();
}

void TVLPicChildWin::viewMouseMove(int x, int y)
{
    if (!isActiveDocument())
        return;
    const QPoint p = m_view->ViewToPicture(QPoint(x, y));
    if (m_view->PtInPicture(p.x(), p.y()))
        setPanel(3, QStringLiteral("%1 , %2").arg(p.x()).arg(p.y()));
    const TTool current = ToolSettings().Tool;
    if (m_selection && current != TTool::Drag && current != TTool::Zoom)
        setViewCursor(IsSelectionTool(current) && m_selection->HitTest(p.x(), p.y()) ? int(crMove) : int(ToolSettings().ToolCursor));
    const TToolEvent event{Qt::NoButton, QPoint(x, y), p};
    TVLTool* tool = currentTool();
    if (tool == nullptr)
        return;
    tool->Hover(event);
    if (m_drag != TDrag::None)
        tool->Move(event);
}

void TVLPicChildWin::viewMouseUp(Qt::MouseButton button, int x, int y)
{
    const TDrag kind = button == Qt::LeftButton ? TDrag::Left : TDrag::Right;
    if (m_drag == TDrag::None || kind != m_drag || !m_tool)
        return;
    m_drag = TDrag::None;
    m_tool->Release(TToolEvent{button, QPoint(x, y), m_view->ViewToPicture(QPoint(x, y))});
    m_recordAtCreation = false;
}

void TVLPicChildWin::CancelDrag()
{
    m_recordAtCreation = false;
    if (m_drag == TDrag::None)
        return;
    m_drag = TDrag::None;
    if (m_tool)
        m_tool->Cancel();
    // Drag and Zoom paused the ants for the drag.
    if (m_selection && !m_selection->Moving && m_active)
        m_selection->StartAnts(false);
}

void TVLPicChildWin::DragFailed(const std::exception& error)
{
    try {
        CancelDrag();
    } catch (const std::exception&) {
        // The first failure is the one to tell.
        m_drag = TDrag::None;
    }
    ShowError(this, messageOf(error));
}

TSprayCan* TVLPicChildWin::SprayCan() const
{
    const auto* tool = dynamic_cast<const TSprayCanTool*>(m_tool.get());
    return tool != nullptr ? tool->SprayCan() : nullptr;
}

void TVLPicChildWin::PlaceTextPicture(const TXBitmap& picture, TColor background)
{
    // Recorded as a paste: undo takes the text away, and nothing older with it.
    recordPaste();
    CreateBitmapSelection(&picture, m_view->VisibleRect().topLeft(), background);
}

void TVLPicChildWin::closeEvent(QCloseEvent* event)
{
    CancelDrag();
    TExtraBtnForm::closeEvent(event);
}

void TVLPicChildWin::BeginWait()
{
    TExtraBtnForm::BeginWait();
    if (m_selection)
        m_selection->StopAnts();
}

void TVLPicChildWin::EndWait()
{
    TExtraBtnForm::EndWait();
    if (m_selection && !m_selection->Moving)
        m_selection->StartAnts(true);
}

bool TVLPicChildWin::eventFilter(QObject* watched, QEvent* event)
{
    // The mouse went elsewhere (a popup, another program): no release will come.
    if (m_drag != TDrag::None
        && (event->type() == QEvent::UngrabMouse || event->type() == QEvent::WindowDeactivate
            || (event->type() == QEvent::FocusOut
                && static_cast<QFocusEvent*>(event)->reason() == Qt::PopupFocusReason))) {
        try {
            CancelDrag();
        } catch (const std::exception& e) {
            ShowError(this, messageOf(e));
        }
    }
    if (m_selection && (event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride)) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool ctrlAlone = (key->modifiers() & ~Qt::KeypadModifier) == Qt::ControlModifier;
        int dx = 0, dy = 0;
        switch (key->key()) {
        case Qt::Key_Left: dx = -1; break;
        case Qt::Key_Right: dx = 1; break;
        case Qt::Key_Up: dy = -1; break;
        case Qt::Key_Down: dy = 1; break;
        default: break;
        }
        if (ctrlAlone && (dx != 0 || dy != 0)) {
            if (event->type() == QEvent::ShortcutOverride) {
                event->accept(); // no shortcut takes it: it comes back as a key press
            } else {
                // A key press runs like a command: no failure may reach Qt's event loop.
                try {
                    nudgeSelection(dx, dy);
                } catch (const std::exception& e) {
                    ShowError(this, messageOf(e));
                }
            }
            return true;
        }
    }
    return TExtraBtnForm::eventFilter(watched, event);
}

void TVLPicChildWin::nudgeSelection(int dx, int dy)
{
    MoveSelectionTo(m_selection->Bounds.topLeft() + QPoint(dx, dy));
}

void TVLPicChildWin::MoveSelectionTo(const QPoint& topLeft)
{
    if (!m_selection)
        return;
    const QRect before = m_selection->Bounds;
    m_selection->MoveTo(topLeft.x(), topLeft.y());
    m_view->RepaintRect(before.united(m_selection->Bounds), 0);
    NotifyChange(chgSelMoved, true);
}

TVLPicGenUndoAction& TVLPicChildWin::recordPictureAndSelection(bool reuseOldest)
{
    // Filled before it is recorded: a copy that fails leaves the history as it was.
    auto action = m_undoStack.MakeAction<TVLPicGenUndoAction>();
    // The oldest step goes when this one is recorded: its store is lent for the copy, and
    // given back when the copy fails.
    TVLPicGenUndoAction* oldest = nullptr;
    if (reuseOldest && m_undoStack.Count() == TVLUndoActionFactory::MaxActions)
        oldest = dynamic_cast<TVLPicGenUndoAction*>(&m_undoStack.Action(m_undoStack.Count() - 1));
    if (oldest != nullptr)
        action->AdoptPixelStore(oldest->TakePixelStore());
    try {
        // The picture last: its copy fails, if at all, before it writes into the lent store.
        action->StoreSelection(m_selection.get());
        action->StoreBitmap(&Picture());
    } catch (...) {
        if (oldest != nullptr)
            oldest->AdoptPixelStore(action->TakePixelStore());
        throw;
    }
    return RecordUndoAction(std::move(action));
}

void TVLPicChildWin::FreeSelection()
{
    m_selection.reset();
    setViewCursor(ToolSettings().ToolCursor);
}

template <typename Make>
void TVLPicChildWin::createSelection(Make&& make, const QRect& repaint)
{
    if (m_selection) {
        FreeSelection();
        NotifyChange(chgSelRemoved, true);
    }
    // The step of the selection tool's press, when it waited for the selection: taken back
    // when none is made, and the oldest step it pushed out returns whole (its store is not
    // borrowed).
    TVLUndoEdit edit(m_undoStack, [this] { DoUndoChange(m_undoStack.Count()); });
    if (std::exchange(m_recordAtCreation, false))
        recordPictureAndSelection();
    std::unique_ptr<TPictureSelection> selection;
    try {
        selection = make();
    } catch (const std::exception& e) {
        edit.Discard();
        if (!repaint.isNull())
            m_view->RepaintRect(repaint, 0);
        const QString message = dynamic_cast<const std::bad_alloc*>(&e) != nullptr
                                    ? QStringLiteral("There was an error creating selection. %1").arg(messageOf(e))
                                    : messageOf(e);
        ShowError(this, message);
        return;
    }
    if (!repaint.isNull())
        m_view->RepaintRect(repaint, 0);
    // One that lifted no pixel (a freehand path without inside) is no selection.
    if (selection->Image.Empty()) {
        edit.Discard();
        return;
    }
    AttachSelection(std::move(selection));
}

void TVLPicChildWin::CreateRectSelection(const QRect& rect, TColor transparent)
{
    if (rect.width() == 0 || rect.height() == 0)
        return;
    createSelection([&] { return std::make_unique<TRectPictureSelection>(&Picture(), transparent, ToolSettings().BackColour(), rect); },
                    normalised(rect));
}

void TVLPicChildWin::CreateFreehandSelection(TFreehandPoints& points, TColor transparent)
{
    bool area = false;
    if (points.Count() > 0) {
        const QPoint first = points.First();
        for (const QPoint& p : points.Points())
            area = area || (p.x() != first.x() && p.y() != first.y());
    }
    if (!area) {
        m_view->Repaint();
        return;
    }
    const TPicPointArray::TBounds b = points.BoundsOf();
    const QRect repaint(QPoint(b.Left, b.Top), QPoint(b.Right + 1, b.Bottom + 1));
    createSelection([&] {
        return std::make_unique<TFreehandPictureSelection>(&Picture(), transparent, ToolSettings().BackColour(), points);
    }, repaint);
}

void TVLPicChildWin::CreateMagicWandSelection(const QPoint& point)
{
    createSelection([&] {
        return std::make_unique<TMagicWandPictureSelection>(&Picture(), ToolSettings().BackColour(),
                                                            ToolSettings().WandTolerance, point);
    }, QRect());
}

void TVLPicChildWin::CreateBitmapSelection(const TXBitmap* picture, const QPoint& topLeft, TColor transparent)
{
    if (picture == nullptr)
        return;
    createSelection([&] { return std::make_unique<TBitmapPictureSelection>(&Picture(), transparent, topLeft, picture); },
                    QRect());
}

void TVLPicChildWin::CreateBitmapSelection(TXBitmap&& picture, const QPoint& topLeft, TColor transparent)
{
    createSelection([&] {
        return std::make_unique<TBitmapPictureSelection>(&Picture(), transparent, topLeft, std::move(picture));
    }, QRect());
}

void TVLPicChildWin::AttachSelection(std::unique_ptr<TPictureSelection> selection)
{
    m_selection = std::move(selection);
    TEffectsBitmap& image = m_selection->Image;
    image.OnProgressBegin = [this](TEffectsBitmap*, int steps) { DoProgressBegin(steps); };
    image.OnProgressStep = [this](TEffectsBitmap*) { DoProgressStep(); };
    image.OnProgressEnd = [this](TEffectsBitmap*) { DoProgressEnd(); };
    m_selection->OnChange = [this](TPictureSelection* sender) { m_view->RepaintRect(sender->Bounds, 0); };
    m_selection->StartAnts(true);
    NotifyChange(chgPicture | chgSelCreated, true);
}

void TVLPicChildWin::DropSelection(bool commit, bool repaint)
{
    if (!m_selection)
        return;
    const QRect bounds = m_selection->Bounds;
    try {
        if (commit)
            m_selection->Commit();
    } catch (...) {
        setViewCursor(ToolSettings().ToolCursor);
        throw;
    }
    FreeSelection();
    NotifyChange(chgSelRemoved, true);
    // A discard changes what a save writes.
    if (!commit)
        SetModified(true);
    if (repaint)
        m_view->RepaintRect(bounds, 0);
}

void TVLPicChildWin::Crop()
{
    CancelDrag();
    if (!m_selection)
        return;
    WaitScope wait(*this);
    // A crop that fails leaves no step behind: picture and selection are still as recorded.
    TVLUndoEdit edit = undoableEdit();
    m_view->BeginUpdate();
    TChangeSet changes = 0;
    auto finish = [&] {
        m_view->EndUpdate();
        NotifyChange(changes, true);
        setViewCursor(ToolSettings().ToolCursor);
    };
    try {
        recordPictureAndSelection();
        TEffectsBitmap& picture = Picture();
        picture.AssignOpaque(m_selection->Image);
        changes = chgPicture | chgViewSize | chgPicSize;
        if (m_selection->HasMask())
            ReplaceColour(picture, m_selection->TransparentColour, ToolSettings().BackColour(), 0);
        m_selection.reset();
        changes |= chgSelRemoved;
        BestFit(picture.Width(), picture.Height());
    } catch (...) {
        finish();
        throw;
    }
    finish();
}

void TVLPicChildWin::SelectAll()
{
    CancelDrag();
    recordPictureAndSelection();
    DropSelection(true, true);
    CreateRectSelection(Picture().BoundsRect(), SelectionTransparentColour(ToolSettings()));
}

void TVLPicChildWin::DoUndoChange(int count)
{
    if (OnUndoChange)
        OnUndoChange(this, count);
}

void TVLPicChildWin::NotifyChange(TChangeSet changes, bool setModified)
{
    if (changes == 0)
        return;
    // Moving the selection or changing its pixels changes what a save writes, too.
    if (!m_modified && setModified && (changes & (chgPicture | chgSelMoved | chgSelContent)))
        SetModified(true);
    if (changes & chgPicSize)
        setPanel(1, SizeText(Picture().Width(), Picture().Height()));
    if (OnPictureChange)
        OnPictureChange(this, changes);
}

int TVLPicChildWin::NonClientWidth() const
{
    const QMargins frame = contentsMargins();
    return frame.left() + frame.right() + 2 * m_view->frameWidth();
}

int TVLPicChildWin::NonClientHeight() const
{
    const QMargins frame = contentsMargins();
    return frame.top() + frame.bottom() + 2 * m_view->frameWidth();
}

bool TVLPicChildWin::BestFit(int pictureWidth, int pictureHeight)
{
    if (m_mainWindow == nullptr || (windowState() & (Qt::WindowMinimized | Qt::WindowMaximized)))
        return false;
    const QSize available = m_mainWindow->AvailableDocumentArea();
    const int availW = available.width() - x();
    const int availH = available.height() - y();
    const int zoom = m_view->ZoomFactor();
    const int wantW = pictureWidth * zoom + NonClientWidth();
    const int wantH = pictureHeight * zoom + NonClientHeight();
    const int scrollBar = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, m_view);
    const int width = wantW <= availW ? std::min(availW, wantH > availH ? wantW + scrollBar : wantW) : availW;
    const int height = wantH <= availH ? std::min(availH, wantW > availW ? wantH + scrollBar : wantH) : availH;
    if (QSize(width, height) == size())
        return false;
    resize(width, height);
    return true;
}

void TVLPicChildWin::SetZoom(int zoom, int centreX, int centreY)
{
    m_view->BeginUpdate();
    if (zoom >= TPictureScrollBox::MinZoom && zoom <= TPictureScrollBox::MaxZoom) {
        m_view->SetZoom(zoom, centreX, centreY);
        BestFit();
    }
    m_view->EndUpdate();
    refreshCaption();
    NotifyChange(chgZoom | chgViewSize, true);
}

void TVLPicChildWin::CentreOn(int x, int y)
{
    m_view->CentreOn(x, y);
    NotifyChange(chgScroll, true);
}

void TVLPicChildWin::setFileName(const QString& fileName)
{
    m_fileName = fileName;
    SetTitle(QFileInfo(fileName).fileName());
}

bool TVLPicChildWin::SaveToFile(const QString& fileName, QString* error)
{
    CancelDrag();
    try {
        if (m_selection) {
            // A merged copy is saved; the selection floats on.
            TXBitmap merged = Picture();
            m_selection->CommitInto(&merged);
            merged.SavePicture(fileName);
        } else {
            Picture().SavePicture(fileName);
        }
    } catch (const std::exception& e) {
        if (error != nullptr)
            *error = QString::fromUtf8(e.what());
        return false;
    }
    if (fileName != m_fileName)
        setFileName(fileName);
    SetModified(false);
    // The file now holds this state: undoing to any earlier one leaves a picture that differs
    // from the file.
    for (int i = 0; i < m_undoStack.Count(); ++i)
        if (auto* action = dynamic_cast<TVLPicUndoAction*>(&m_undoStack.Action(i)))
            action->WasModified = true;
    return true;
}

void TVLPicChildWin::GreyScale()
{
    WaitScope wait(*this);
    TVLUndoEdit edit = undoableEdit();
    if (m_selection) {
        AddUndoAction<TVLPicGenUndoAction>().StoreSelection(m_selection.get());
        m_selection->GreyScale();
        m_view->RepaintRect(m_selection->Bounds, 0);
        NotifyChange(chgSelContent, true);
        return;
    }
    AddUndoAction<TVLPicGenUndoAction>().StoreBitmap(&Picture());
    Picture().GreyScale();
    m_view->Repaint();
    NotifyChange(chgPicture, true);
}

template <typename Action, typename OnSelection, typename OnPicture>
void TVLPicChildWin::reversibleEdit(OnSelection&& onSelection, OnPicture&& onPicture)
{
    WaitScope wait(*this);
    TVLUndoEdit edit = undoableEdit();
    if (m_selection) {
        AddUndoAction<Action>().Target = TVLPicRevUndoAction::rtSelection;
        const QRect before = m_selection->Bounds;
        onSelection(*m_selection);
        m_view->RepaintRect(before.united(m_selection->Bounds), 0);
        NotifyChange(chgSelContent, true);
        return;
    }
    AddUndoAction<Action>().Target = TVLPicRevUndoAction::rtPicture;
    onPicture(Picture());
    m_view->Repaint();
    NotifyChange(chgPicture, true);
}

void TVLPicChildWin::Negative()
{
    reversibleEdit<TVLPicNegUndoAction>([](TPictureSelection& s) { s.Negative(); }, [](TEffectsBitmap& p) { p.Negative(); });
}

void TVLPicChildWin::Flip()
{
    reversibleEdit<TVLPicFlipUndoAction>([](TPictureSelection& s) { s.Flip(); }, [](TEffectsBitmap& p) { p.Flip(); });
}

void TVLPicChildWin::Mirror()
{
    reversibleEdit<TVLPicMirrorUndoAction>([](TPictureSelection& s) { s.Mirror(); }, [](TEffectsBitmap& p) { p.Mirror(); });
}

void TVLPicChildWin::Clear()
{
    WaitScope wait(*this);
    TVLUndoEdit edit = undoableEdit();
    if (m_selection) {
        recordPictureAndSelection();
        DropSelection(false, true);
        NotifyChange(chgPicture, true);
        return;
    }
    AddUndoAction<TVLPicGenUndoAction>().StoreBitmap(&Picture());
    Picture().ClearToColour(ToolSettings().BackColour());
    m_view->Repaint();
    NotifyChange(chgPicture, true);
}

template <typename Change>
void TVLPicChildWin::changeSize(Change&& change, bool commitSelection, const QPoint& shift)
{
    WaitScope wait(*this);
    TVLUndoEdit edit = undoableEdit();
    // Picture and selection are stored apart, so undo brings back both.
    const TVLPicGenUndoAction& action = recordPictureAndSelection();
    const bool commit = commitSelection && m_selection;
    m_view->BeginUpdate();
    TChangeSet changes = 0;
    try {
        // The selection is drawn into the picture for the change, and ends only once the change
        // succeeded.
        if (commit)
            m_selection->CommitInto(&Picture());
        try {
            change(Picture());
        } catch (...) {
            if (commit)
                action.PutBackBitmap(Picture());
            throw;
        }
        changes = chgPicture | chgViewSize | chgPicSize;
        if (commit) {
            FreeSelection();
            changes |= chgSelRemoved;
        } else if (m_selection && !shift.isNull()) {
            m_selection->OffsetBy(shift.x(), shift.y());
            changes |= chgSelMoved;
        }
        BestFit();
    } catch (...) {
        m_view->EndUpdate();
        NotifyChange(changes, true);
        throw;
    }
    m_view->EndUpdate();
    NotifyChange(changes, true);
}

void TVLPicChildWin::Resize(int width, int height)
{
    changeSize([&](TEffectsBitmap& picture) { picture.Resize(width, height); }, true);
}

void TVLPicChildWin::Resample(int width, int height)
{
    if (width == Picture().Width() && height == Picture().Height())
        return;
    changeSize([&](TEffectsBitmap& picture) { picture.Resample(width, height); }, true);
}

void TVLPicChildWin::EnlargeCanvas(int width, int height, bool centre, TColor fill)
{
    if (width == Picture().Width() && height == Picture().Height())
        return;
    // A floating selection keeps its place on the picture: it moves as the picture does.
    const QPoint shift = centre ? QPoint((width - Picture().Width()) / 2, (height - Picture().Height()) / 2) : QPoint();
    changeSize([&](TEffectsBitmap& picture) { picture.EnlargeCanvas(width, height, centre, fill); }, false, shift);
}

TVLUndoEdit TVLPicChildWin::undoableEdit()
{
    CancelDrag();
    return TVLUndoEdit(m_undoStack, [this] { DoUndoChange(m_undoStack.Count()); });
}

bool TVLPicChildWin::UndoLast()
{
    CancelDrag();
    const bool undone = m_undoStack.Undo();
    DoUndoChange(m_undoStack.Count());
    return undone;
}

// --- the three ways to make a document ------------------------------------------------------------

TVLNewPicChildWin::TVLNewPicChildWin(int width, int height, TColor colour, const QString& title,
                                     TDocumentArea* mainWindow, QWidget* parent)
    : TVLPicChildWin(mainWindow, parent)
{
    SetTitle(title);
    if (!PictureScrollBox().NewPicture(width, height, colour))
        throw EVellumError(QStringLiteral("Cannot make a picture of %1 x %2 pixels").arg(width).arg(height));
    BestFit();
}

TVLCopyPicChildWin::TVLCopyPicChildWin(const TXBitmap* picture, const QString& title, TDocumentArea* mainWindow,
                                       QWidget* parent)
    : TVLPicChildWin(mainWindow, parent)
{
    if (picture == nullptr)
        throw EVellumError(QStringLiteral("Invalid Picture"));
    SetTitle(title);
    PictureScrollBox().SetBitmap(picture);
    BestFit();
    SetModified(true);
}

TVLCopyPicChildWin::TVLCopyPicChildWin(TXBitmap&& picture, const QString& title, TDocumentArea* mainWindow,
                                       QWidget* parent)
    : TVLPicChildWin(mainWindow, parent)
{
    SetTitle(title);
    PictureScrollBox().SetBitmap(std::move(picture));
    BestFit();
    SetModified(true);
}

TVLFilePicChildWin::TVLFilePicChildWin(const QString& fileName, TDocumentArea* mainWindow, QWidget* parent)
    : TVLPicChildWin(mainWindow, parent)
{
    if (!QFileInfo(fileName).isFile())
        throw EVellumError(QStringLiteral("File %1 does not exist").arg(fileName));
    if (!PictureScrollBox().LoadFromFile(fileName))
        throw EVellumError(QStringLiteral("Invalid Picture format in %1").arg(fileName));
    setFileName(fileName);
    BestFit();
}

// --- undo actions -------------------------------------------------------------------------------

TVLPicUndoAction::TVLPicUndoAction(QObject* parent)
    : TVLBaseUndoAction(parent)
{
    if (qobject_cast<TVLPicChildWin*>(parent) == nullptr)
        throw EVLUndoActionError(QStringLiteral("Parent Object must be a picture child window"));
}

void TVLPicUndoAction::Undo()
{
    auto& window = *qobject_cast<TVLPicChildWin*>(Parent());
    WaitScope wait(window);
    TChangeSet changes = 0;
    TPictureScrollBox& view = window.PictureScrollBox();
    view.BeginUpdate();
    auto finish = [&] {
        view.EndUpdate();
        window.NotifyChange(changes, false);
        window.SetModified(WasModified);
    };
    try {
        DoUndo(window, changes);
    } catch (...) {
        finish();
        throw;
    }
    finish();
}

void TVLPicGenUndoAction::StoreBitmap(const TXBitmap* picture)
{
    if (picture == nullptr || picture->Empty()) {
        m_taken.Release();
        m_pixels.reset();
        m_storeBytes = 0;
        m_width = m_height = 0;
        return;
    }
    TXBitmap converted;
    const TXBitmap* source = picture;
    if (picture->PixelFormat() != TPixelFormat::pf24bit) {
        converted = *picture;
        converted.SetPixelFormat(TPixelFormat::pf24bit);
        source = &converted;
    }
    const int width = source->Width();
    const int height = source->Height();
    const std::size_t rowBytes = 3 * static_cast<std::size_t>(width);
    const std::size_t bytes = rowBytes * static_cast<std::size_t>(height);
    // Not zeroed first: every byte is copied over at once (a press records a whole picture).
    if (!m_pixels || m_storeBytes != bytes) {
        m_pixels.reset(new std::uint8_t[bytes]);
        m_storeBytes = bytes;
    }
    // Nothing below can fail.
    m_taken.Release();
    m_width = width;
    m_height = height;
    for (int y = 0; y < m_height; ++y)
        std::memcpy(m_pixels.get() + rowBytes * static_cast<std::size_t>(y), source->ScanLine(y), rowBytes);
}

TVLPicGenUndoAction::TPixelStore TVLPicGenUndoAction::TakePixelStore()
{
    TPixelStore store{std::move(m_pixels), m_storeBytes, m_width, m_height};
    m_storeBytes = 0;
    m_width = m_height = 0;
    return store;
}

void TVLPicGenUndoAction::AdoptPixelStore(TPixelStore store)
{
    if (HasBitmap() || !store.Pixels)
        return;
    m_pixels = std::move(store.Pixels);
    m_storeBytes = store.Bytes;
    m_width = store.Width;
    m_height = store.Height;
}

void TVLPicGenUndoAction::StoreSelection(const TPictureSelection* selection)
{
    if (selection == nullptr)
        m_selection.reset();
    else if (m_selection)
        m_selection->Refresh(selection);
    else
        m_selection = std::make_unique<TVLCompactSelection>(selection);
}

void TVLPicGenUndoAction::DoUndo(TVLPicChildWin& window, TChangeSet& changes)
{
    const bool resized = restorePicture(window, changes);
    if (m_selection) {
        TXBitmap image = m_selection->Bitmap();
        const QPoint topLeft(m_selection->Left, m_selection->Top);
        if (TPictureSelection* selection = window.Selection()) {
            selection->RestoreFrom(image, topLeft, m_selection->TransparentColour);
            changes |= chgSelContent;
        } else {
            window.CreateBitmapSelection(std::move(image), topLeft, m_selection->TransparentColour);
            changes |= chgSelCreated;
        }
    } else if (window.Selection() != nullptr) {
        window.FreeSelection();
        changes |= chgSelRemoved;
    }
    if (resized) {
        window.BestFit(window.Picture().Width(), window.Picture().Height());
        changes |= chgViewSize | chgPicSize;
    }
}

bool TVLPicGenUndoAction::restorePicture(TVLPicChildWin& window, TChangeSet& changes)
{
    if (!HasBitmap())
        return false;
    const bool resized = PutBackBitmap(window.Picture());
    changes |= chgPicture;
    return resized;
}

bool TVLPicGenUndoAction::PutBackBitmap(TXBitmap& picture) const
{
    if (!m_taken.Empty())
        return m_taken.RestoreInto(picture);
    if (m_width == 0)
        return false;
    const bool resized = picture.Width() != m_width || picture.Height() != m_height;
    if (resized || picture.PixelFormat() != TPixelFormat::pf24bit)
        picture.AllocateUninitialised(m_width, m_height, TPixelFormat::pf24bit);
    const std::size_t rowBytes = 3 * static_cast<std::size_t>(m_width);
    for (int y = 0; y < m_height; ++y)
        std::memcpy(picture.ScanLine(y), m_pixels.get() + rowBytes * static_cast<std::size_t>(y), rowBytes);
    return resized;
}

void TVLPicGenUndoAction::TakeBitmap(TPictureBytes&& bytes)
{
    m_taken = std::move(bytes);
    m_pixels.reset();
    m_storeBytes = 0;
    m_width = m_height = 0;
}

void TVLPicNegUndoAction::DoUndo(TVLPicChildWin& window, TChangeSet& changes)
{
    if (Target == rtPicture) {
        window.Picture().Negative();
        changes |= chgPicture;
    } else if (TPictureSelection* selection = window.Selection()) {
        selection->Negative();
        changes |= chgSelContent;
    }
}

void TVLPicFlipUndoAction::DoUndo(TVLPicChildWin& window, TChangeSet& changes)
{
    if (Target == rtPicture) {
        window.Picture().Flip();
        changes |= chgPicture;
    } else if (TPictureSelection* selection = window.Selection()) {
        selection->Flip();
        changes |= chgSelContent;
    }
}

void TVLPicMirrorUndoAction::DoUndo(TVLPicChildWin& window, TChangeSet& changes)
{
    if (Target == rtPicture) {
        window.Picture().Mirror();
        changes |= chgPicture;
    } else if (TPictureSelection* selection = window.Selection()) {
        selection->Mirror();
        changes |= chgSelContent;
    }
}

} // namespace vellum
