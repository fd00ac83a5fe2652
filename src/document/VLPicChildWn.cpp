#include "document/VLPicChildWn.h"

#include <algorithm>
#include <cstring>

#include <QEvent>
#include <QFileInfo>
#include <QStyle>

#include "document/VLToolVars.h"
#include "raster/Canvas.h"

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

} // namespace

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
    m_view->OnMouseDown = [this](TPictureScrollBox*, Qt::MouseButton button, Qt::KeyboardModifiers, int x, int y) {
        viewMouseDown(button, x, y);
    };
    m_view->OnMouseMove = [this](TPictureScrollBox*, Qt::MouseButton, Qt::KeyboardModifiers, int x, int y) {
        viewMouseMove(x, y);
    };
    m_view->OnMouseUp = [this](TPictureScrollBox*, Qt::MouseButton button, Qt::KeyboardModifiers, int x, int y) {
        viewMouseUp(button, x, y);
    };
    m_view->OnExit = [this](TPictureScrollBox*) {
        if (m_active)
            setPanel(3, QString());
    };
}

TVLPicChildWin::~TVLPicChildWin() = default;

QString TVLPicChildWin::SizeText(int width, int height)
{
    return QStringLiteral("%1w x %2h").arg(width).arg(height);
}

void TVLPicChildWin::refreshCaption()
{
    setWindowTitle(QStringLiteral("%1 [%2:1]").arg(m_title).arg(m_view->ZoomFactor()));
}

void TVLPicChildWin::SetTitle(const QString& title)
{
    if (title == m_title && !windowTitle().isEmpty())
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

void TVLPicChildWin::drawZoomBand()
{
    TCanvas& canvas = m_view->ScreenCanvas();
    canvas.Pen.Mode = TPenMode::pmNot;
    canvas.Pen.Style = TPenStyle::psDot;
    canvas.Pen.Width = 1;
    canvas.Brush.Style = TBrushStyle::bsClear;
    canvas.Rectangle(m_band.left(), m_band.top(), m_band.right(), m_band.bottom());
    canvas.Pen.Mode = TPenMode::pmCopy;
    canvas.Pen.Style = TPenStyle::psSolid;
    m_view->ShowScreen();
}

// The Drag and Zoom tools act on the view; the other tools come with their own handlers.
void TVLPicChildWin::viewMouseDown(Qt::MouseButton button, int x, int y)
{
    const QPoint p = m_view->ViewToPicture(QPoint(x, y));
    if (m_dragButton != Qt::NoButton || !m_view->PtInPicture(p.x(), p.y()))
        return;
    if (button != Qt::LeftButton && button != Qt::RightButton)
        return;
    switch (ToolSettings().Tool) {
    case TTool::Drag:
        m_dragButton = button;
        m_lastPoint = QPoint(x, y);
        break;
    case TTool::Zoom: {
        m_dragButton = button;
        const QPoint corner(m_view->Snap(x), m_view->Snap(y));
        m_band = QRect(corner, corner); // right and bottom are the far corner, not a size
        drawZoomBand();
        break;
    }
    default:
        break;
    }
}

void TVLPicChildWin::viewMouseMove(int x, int y)
{
    const QPoint p = m_view->ViewToPicture(QPoint(x, y));
    if (m_view->PtInPicture(p.x(), p.y()))
        setPanel(3, QStringLiteral("%1 , %2").arg(p.x()).arg(p.y()));
    if (m_dragButton == Qt::NoButton)
        return;
    if (ToolSettings().Tool == TTool::Drag) {
        m_view->ScrollBy(m_lastPoint.x() - x, m_lastPoint.y() - y);
        m_lastPoint = QPoint(x, y);
    } else if (ToolSettings().Tool == TTool::Zoom) {
        drawZoomBand();
        m_band.setBottomRight(QPoint(m_view->Snap(x), m_view->Snap(y)));
        drawZoomBand();
    }
}

void TVLPicChildWin::viewMouseUp(Qt::MouseButton button, int, int)
{
    if (button != m_dragButton)
        return;
    m_dragButton = Qt::NoButton;
    if (ToolSettings().Tool != TTool::Zoom)
        return;
    drawZoomBand();
    const QPoint start = m_view->ViewToPicture(m_band.topLeft());
    const QPoint end = m_view->ViewToPicture(m_band.bottomRight());
    const int w = std::abs(end.x() - start.x());
    const int h = std::abs(end.y() - start.y());
    const QSize available = m_mainWindow != nullptr ? m_mainWindow->AvailableDocumentArea() : m_view->viewport()->size();
    const int zoom = TPictureScrollBox::ZoomForBand(w, h, available, m_view->ZoomFactor(), button);
    if (w <= 10 || h <= 10)
        SetZoom(zoom, start.x(), start.y());
    else if (zoom >= TPictureScrollBox::MinZoom)
        SetZoom(zoom, (start.x() + end.x()) / 2, (start.y() + end.y()) / 2);
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
    if (!m_modified && setModified && (changes & chgPicture))
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
    try {
        Picture().SavePicture(fileName);
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
    AddUndoAction<TVLPicGenUndoAction>().StoreBitmap(&Picture());
    Picture().GreyScale();
    m_view->Repaint();
    NotifyChange(chgPicture, true);
}

void TVLPicChildWin::Negative()
{
    WaitScope wait(*this);
    TVLUndoEdit edit = undoableEdit();
    AddUndoAction<TVLPicNegUndoAction>().Target = TVLPicRevUndoAction::rtPicture;
    Picture().Negative();
    m_view->Repaint();
    NotifyChange(chgPicture, true);
}

void TVLPicChildWin::Flip()
{
    WaitScope wait(*this);
    TVLUndoEdit edit = undoableEdit();
    AddUndoAction<TVLPicFlipUndoAction>().Target = TVLPicRevUndoAction::rtPicture;
    Picture().Flip();
    m_view->Repaint();
    NotifyChange(chgPicture, true);
}

void TVLPicChildWin::Mirror()
{
    WaitScope wait(*this);
    TVLUndoEdit edit = undoableEdit();
    AddUndoAction<TVLPicMirrorUndoAction>().Target = TVLPicRevUndoAction::rtPicture;
    Picture().Mirror();
    m_view->Repaint();
    NotifyChange(chgPicture, true);
}

void TVLPicChildWin::Clear()
{
    WaitScope wait(*this);
    TVLUndoEdit edit = undoableEdit();
    AddUndoAction<TVLPicGenUndoAction>().StoreBitmap(&Picture());
    Picture().ClearToColour(ToolSettings().BackColour());
    m_view->Repaint();
    NotifyChange(chgPicture, true);
}

template <typename Change>
void TVLPicChildWin::changeSize(Change&& change)
{
    WaitScope wait(*this);
    TVLUndoEdit edit = undoableEdit();
    AddUndoAction<TVLPicGenUndoAction>().StoreBitmap(&Picture());
    m_view->BeginUpdate();
    TChangeSet changes = 0;
    try {
        change(Picture());
        changes = chgPicture | chgViewSize | chgPicSize;
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
    changeSize([&](TEffectsBitmap& picture) { picture.Resize(width, height); });
}

void TVLPicChildWin::Resample(int width, int height)
{
    if (width == Picture().Width() && height == Picture().Height())
        return;
    changeSize([&](TEffectsBitmap& picture) { picture.Resample(width, height); });
}

void TVLPicChildWin::EnlargeCanvas(int width, int height, bool centre, TColor fill)
{
    if (width == Picture().Width() && height == Picture().Height())
        return;
    changeSize([&](TEffectsBitmap& picture) { picture.EnlargeCanvas(width, height, centre, fill); });
}

TVLUndoEdit TVLPicChildWin::undoableEdit()
{
    return TVLUndoEdit(m_undoStack, [this] { DoUndoChange(m_undoStack.Count()); });
}

bool TVLPicChildWin::UndoLast()
{
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
        m_pixels = std::vector<std::uint8_t>();
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
    m_width = source->Width();
    m_height = source->Height();
    const std::size_t rowBytes = 3 * static_cast<std::size_t>(m_width);
    m_pixels.resize(rowBytes * static_cast<std::size_t>(m_height));
    for (int y = 0; y < m_height; ++y)
        std::memcpy(m_pixels.data() + rowBytes * static_cast<std::size_t>(y), source->ScanLine(y), rowBytes);
}

void TVLPicGenUndoAction::DoUndo(TVLPicChildWin& window, TChangeSet& changes)
{
    if (!HasBitmap())
        return;
    TEffectsBitmap& picture = window.Picture();
    const bool resized = picture.Width() != m_width || picture.Height() != m_height;
    if (resized || picture.PixelFormat() != TPixelFormat::pf24bit)
        picture.AllocateUninitialised(m_width, m_height, TPixelFormat::pf24bit);
    const std::size_t rowBytes = 3 * static_cast<std::size_t>(m_width);
    for (int y = 0; y < m_height; ++y)
        std::memcpy(picture.ScanLine(y), m_pixels.data() + rowBytes * static_cast<std::size_t>(y), rowBytes);
    changes |= chgPicture;
    if (resized) {
        window.BestFit(picture.Width(), picture.Height());
        changes |= chgViewSize | chgPicSize;
    }
}

void TVLPicNegUndoAction::DoUndo(TVLPicChildWin& window, TChangeSet& changes)
{
    if (Target == rtPicture) {
        window.Picture().Negative();
        changes |= chgPicture;
    }
}

void TVLPicFlipUndoAction::DoUndo(TVLPicChildWin& window, TChangeSet& changes)
{
    if (Target == rtPicture) {
        window.Picture().Flip();
        changes |= chgPicture;
    }
}

void TVLPicMirrorUndoAction::DoUndo(TVLPicChildWin& window, TChangeSet& changes)
{
    if (Target == rtPicture) {
        window.Picture().Mirror();
        changes |= chgPicture;
    }
}

} // namespace vellum
