#include "document/VLPicChildWn.h"

#include <algorithm>

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

#include "document/ToolCursors.h"
#include "document/VLPicChildPrivate.h"
#include "document/VLToolVars.h"

namespace vellum {

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

} // namespace vellum
