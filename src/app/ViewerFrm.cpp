#include "app/ViewerFrm.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include <QFrame>
#include <QHBoxLayout>
#include <QIcon>
#include <QMouseEvent>
#include <QPainter>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/SettingsKeys.h"
#include "app/VLGlobal.h"
#include "app/XMLRegFile.h"
#include "controls/XGraphicCtrls.h"
#include "document/ToolCursors.h"
#include "document/VLPicChildWn.h"
#include "selection/PicSelection.h"

namespace vellum {

namespace {

constexpr int DragCursor = 26;

// The contents' size for the designed view panel and button row.
constexpr QSize designedWindowSize()
{
    return {TViewerForm::DesignedViewSize.width() + 2 * TVLBasePinnedForm::BorderWidth,
            TViewerForm::DesignedViewSize.height() + TViewerForm::ButtonRowHeight
                + 3 * TVLBasePinnedForm::BorderWidth};
}

// Where a side of the surface starts in the picture: centred on the middle of the part in view,
// never beyond the picture's edges. Wide arithmetic: the rectangle may be anything.
int centredOffset(int viewStart, int viewLength, int pictureLength, int surfaceLength)
{
    if (pictureLength == surfaceLength)
        return 0;
    const std::int64_t middle = (2 * std::int64_t{viewStart} + viewLength) / 2;
    std::int64_t offset = middle - surfaceLength / 2;
    offset = std::max<std::int64_t>(offset, 0);
    if (offset + surfaceLength > pictureLength)
        offset = std::int64_t{pictureLength} - surfaceLength;
    return static_cast<int>(std::max<std::int64_t>(offset, 0));
}

void invertSpan(std::uint8_t* row, int from, int to, int width)
{
    from = std::max(from, 0);
    to = std::min(to, width);
    for (int i = from * 3; i < to * 3; ++i)
        row[i] = static_cast<std::uint8_t>(~row[i]);
}

} // namespace

TViewerForm::TViewerForm(QMainWindow* mainWindow, const QString& keyPath, QMainWindow* dockSite)
    : TVLBasePinnedForm(mainWindow, keyPath, QStringLiteral("Viewer"), designedWindowSize(), dockSite)
    , m_buffer(0, 0, TPixelFormat::pf24bit)
{
    setObjectName(QStringLiteral("ViewerForm"));
    auto* clientLayout = new QVBoxLayout(ClientArea());
    clientLayout->setContentsMargins(0, 0, 0, 0);
    m_viewerPanel = new QFrame(ClientArea());
    m_viewerPanel->setObjectName(QStringLiteral("ViewerPanel"));
    m_viewerPanel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    m_viewerPanel->setLineWidth(1);
    m_viewerPanel->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    clientLayout->addWidget(m_viewerPanel);
    m_surface = new TXVellum(m_viewerPanel);
    m_surface->setObjectName(QStringLiteral("ViewerSurface"));
    m_surface->setCursor(ToolCursor(DragCursor));
    m_surface->OnPaint = [this](TXVellum*, QPainter& painter) {
        if (m_freezeCount > 0 || m_buffer.Empty())
            return;
        painter.drawImage(QPoint(0, 0), m_buffer.SharedImage());
    };
    m_surface->installEventFilter(this);

    m_frameSB = new QToolButton;
    m_frameSB->setObjectName(QStringLiteral("FrameSB"));
    m_frameSB->setCheckable(true);
    m_frameSB->setAutoRaise(true);
    m_frameSB->setFixedSize(26, 25);
    m_frameSB->setIcon(QIcon(QStringLiteral(":/images/commands/frame.png")));
    AddButton(m_frameSB);
    connect(m_frameSB, &QToolButton::clicked, this, [this] {
        updateFrameHint();
        Redraw();
    });
    PinButtonPanel()->setFixedHeight(ButtonRowHeight);
    m_viewerPanel->installEventFilter(this);

    // The base read its own values; the frame's follows them.
    if (!KeyPath().trimmed().isEmpty())
        loadFrameSetting();
    updateFrameHint();
    Layout();
    Redraw();
}

TViewerForm::~TViewerForm()
{
    Detach(false);
    m_surface->OnPaint = nullptr;
    m_buffer.SetSize(0, 0);
    // The base writes its values when it goes; the frame's is written here, beside them.
    if (!KeyPath().trimmed().isEmpty())
        saveFrameSetting();
}

const TXBitmap* TViewerForm::Picture() const
{
    // A picture whose owner went away is no picture.
    return m_hasOwner && m_owner.isNull() ? nullptr : m_picture;
}

void TViewerForm::SetPicture(const TXBitmap* picture, QObject* owner)
{
    if (picture == Picture() && (picture == nullptr || owner == m_owner))
        return;
    m_picture = picture;
    m_owner = owner;
    m_hasOwner = owner != nullptr;
    if (picture != nullptr)
        Layout();
    else
        Redraw();
}

void TViewerForm::SetSelection(TPictureSelection* selection)
{
    m_selection = selection;
}

TPictureSelection* TViewerForm::Selection() const
{
    if (m_selection == nullptr || Picture() == nullptr)
        return nullptr;
    // Asked afresh: a document may free its selection without reporting it (a failed
    // creation frees the old one first).
    if (const auto* document = qobject_cast<const TVLPicChildWin*>(m_owner.data()))
        return document->Selection() == m_selection ? m_selection : nullptr;
    return m_selection;
}

void TViewerForm::Detach(bool redraw)
{
    m_picture = nullptr;
    m_selection = nullptr;
    m_owner = nullptr;
    m_hasOwner = false;
    if (redraw)
        Redraw();
}

void TViewerForm::Freeze()
{
    ++m_freezeCount;
}

void TViewerForm::Thaw()
{
    if (m_freezeCount == 0)
        return;
    if (--m_freezeCount == 0)
        Redraw();
}

void TViewerForm::Layout()
{
    const int b = PanelBorder;
    const int areaWidth = std::max(m_viewerPanel->width() - 2 * b, 0);
    const int areaHeight = std::max(m_viewerPanel->height() - 2 * b, 0);
    const TXBitmap* picture = Picture();
    const int shownWidth = picture != nullptr ? std::min(areaWidth, picture->Width()) : areaWidth;
    const int shownHeight = picture != nullptr ? std::min(areaHeight, picture->Height()) : areaHeight;
    m_targetRect = QRect(0, 0, shownWidth, shownHeight);
    m_surface->setGeometry((m_viewerPanel->width() - shownWidth) / 2, (m_viewerPanel->height() - shownHeight) / 2,
                           shownWidth, shownHeight);
    m_viewerPanel->update();
}

void TViewerForm::SetViewRect(const QRect& rect)
{
    m_viewRect = rect;
    if (const TXBitmap* picture = Picture()) {
        m_offsetX = centredOffset(rect.left(), rect.width(), picture->Width(), m_surface->width());
        m_offsetY = centredOffset(rect.top(), rect.height(), picture->Height(), m_surface->height());
    }
    if (m_buffer.Width() != m_surface->width() || m_buffer.Height() != m_surface->height())
        m_buffer.SetSize(std::max(m_surface->width(), 0), std::max(m_surface->height(), 0));
    Redraw();
}

void TViewerForm::Redraw()
{
    if (m_freezeCount > 0)
        return;
    const int width = m_buffer.Width();
    const int height = m_buffer.Height();
    const TXBitmap* picture = Picture();
    if (picture == nullptr) {
        m_offsetX = m_offsetY = 0;
        const QColor face = palette().color(QPalette::Button);
        for (int y = 0; y < height; ++y) {
            std::uint8_t* row = m_buffer.ScanLine(y);
            for (int x = 0; x < width; ++x) {
                row[3 * x] = static_cast<std::uint8_t>(face.blue());
                row[3 * x + 1] = static_cast<std::uint8_t>(face.green());
                row[3 * x + 2] = static_cast<std::uint8_t>(face.red());
            }
        }
    } else {
        // At 1:1; a buffer out of step with a picture that shrank keeps its old pixels where
        // the picture has none.
        const int copyWidth = std::clamp(picture->Width() - m_offsetX, 0, width);
        const int copyHeight = std::clamp(picture->Height() - m_offsetY, 0, height);
        const bool direct = picture->PixelFormat() == TPixelFormat::pf24bit;
        TPictureSelection* selection = Selection();
        // An opaque selection hides the picture pixels under it: they are not copied.
        QRect covered;
        if (selection != nullptr && !selection->HasMask() && !selection->Image.Empty())
            covered = selection->Bounds.intersected(QRect(m_offsetX, m_offsetY, copyWidth, copyHeight))
                          .translated(-m_offsetX, -m_offsetY);
        for (int y = 0; y < copyHeight; ++y) {
            std::uint8_t* row = m_buffer.ScanLine(y);
            if (direct) {
                const std::uint8_t* from = picture->ScanLine(m_offsetY + y) + 3 * std::size_t(m_offsetX);
                if (covered.isEmpty() || y < covered.top() || y > covered.bottom()) {
                    std::memcpy(row, from, 3 * std::size_t(copyWidth));
                } else {
                    const std::size_t right = 3 * std::size_t(covered.right() + 1);
                    std::memcpy(row, from, 3 * std::size_t(covered.left()));
                    std::memcpy(row + right, from + right, 3 * std::size_t(copyWidth) - right);
                }
                continue;
            }
            for (int x = 0; x < copyWidth; ++x) {
                const TColor colour = picture->PixelColour(m_offsetX + x, m_offsetY + y);
                row[3 * x] = static_cast<std::uint8_t>(colour >> 16);
                row[3 * x + 1] = static_cast<std::uint8_t>(colour >> 8);
                row[3 * x + 2] = static_cast<std::uint8_t>(colour);
            }
        }
        if (selection != nullptr)
            selection->DrawImage(QRect(m_offsetX, m_offsetY, width, height), m_buffer);
        if (m_frameSB->isChecked())
            drawFrame();
    }
    m_surface->update();
}

void TViewerForm::drawFrame()
{
    // A ring two pixels wide inside the part in view, each pixel inverted once so that it
    // shows on any picture; a rectangle four pixels or less across is inverted whole.
    if (m_viewRect.width() <= 0 || m_viewRect.height() <= 0)
        return;
    const std::int64_t left = std::int64_t{m_viewRect.left()} - m_offsetX;
    const std::int64_t top = std::int64_t{m_viewRect.top()} - m_offsetY;
    const std::int64_t right = left + m_viewRect.width();
    const std::int64_t bottom = top + m_viewRect.height();
    const int width = m_buffer.Width();
    const int height = m_buffer.Height();
    auto cut = [](std::int64_t v, int limit) { return static_cast<int>(std::clamp<std::int64_t>(v, -1, limit + 1)); };
    const int l = cut(left, width);
    const int r = cut(right, width);
    const int innerLeft = cut(std::min(left + 2, right), width);
    const int innerRight = cut(std::max(right - 2, left + 2), width);
    for (int y = std::max<int>(cut(top, height), 0); y < std::min(cut(bottom, height), height); ++y) {
        std::uint8_t* row = m_buffer.ScanLine(y);
        if (y < top + 2 || y >= bottom - 2) {
            invertSpan(row, l, r, width);
        } else {
            invertSpan(row, l, innerLeft, width);
            invertSpan(row, innerRight, r, width);
        }
    }
}

void TViewerForm::updateFrameHint()
{
    const QString verb = m_frameSB->isChecked() ? QStringLiteral("Hide") : QStringLiteral("Display");
    m_frameSB->setToolTip(QStringLiteral("%1 window frame").arg(verb));
    m_frameSB->setStatusTip(QStringLiteral("%1 frame around picture area that's in view").arg(verb));
}

void TViewerForm::showEvent(QShowEvent* event)
{
    TVLBasePinnedForm::showEvent(event);
    // While hidden (closed, or docked in a collapsed side panel) the picture may have changed
    // its size unseen, and showing the same picture again is no change to SetPicture.
    Layout();
    SetViewRect(m_viewRect);
}

void TViewerForm::DoClosed()
{
    TVLBasePinnedForm::DoClosed();
    Detach(false);
}

void TViewerForm::LoadSettings()
{
    TVLBasePinnedForm::LoadSettings();
    loadFrameSetting();
}

void TViewerForm::SaveSettings()
{
    TVLBasePinnedForm::SaveSettings();
    saveFrameSetting();
}

void TViewerForm::loadFrameSetting()
{
    TXMLRegistryFile reg(ProgramPath() + QLatin1String(settings::FileName));
    if (!reg.OpenKey(KeyPath(), false))
        return;
    if (reg.ValueExists(QLatin1String(settings::DisplayFrame)))
        m_frameSB->setChecked(reg.ReadBool(QLatin1String(settings::DisplayFrame)));
    reg.CloseKey();
}

void TViewerForm::saveFrameSetting()
{
    TXMLRegistryFile reg(ProgramPath() + QLatin1String(settings::FileName));
    if (!reg.OpenKey(KeyPath(), true))
        return;
    reg.WriteBool(QLatin1String(settings::DisplayFrame), m_frameSB->isChecked());
    reg.CloseKey();
}

bool TViewerForm::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_viewerPanel && event->type() == QEvent::Resize) {
        Layout();
        SetViewRect(m_viewRect);
    } else if (watched == m_surface
               && (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseMove)) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        const bool left = event->type() == QEvent::MouseButtonPress ? mouse->button() == Qt::LeftButton
                                                                     : (mouse->buttons() & Qt::LeftButton) != 0;
        if (left && Picture() != nullptr && OnCentre) {
            const QPoint at = mouse->position().toPoint();
            OnCentre(this, at.x() + m_offsetX, at.y() + m_offsetY);
        }
        return left;
    }
    return TVLBasePinnedForm::eventFilter(watched, event);
}

} // namespace vellum
