#include "app/VLClipbrdViewer.h"

#include <algorithm>

#include <QAction>
#include <QEvent>
#include <QIcon>
#include <QLabel>
#include <QMessageBox>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QSignalBlocker>
#include <QTabBar>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/VLGlobal.h"
#include "clipboard/VLClipbrd.h"
#include "raster/Canvas.h"
#include "raster/Colour.h"

namespace vellum {

namespace {

// Tabs of one fixed width, captioned "1", "2", ...
class TFixedTabBar : public QTabBar {
public:
    using QTabBar::QTabBar;

protected:
    QSize tabSizeHint(int index) const override
    {
        QSize size = QTabBar::tabSizeHint(index);
        size.setWidth(TCbViewerForm::TabWidth);
        return size;
    }
};

// The picture's pixels onto an RGB32 image at (left, top), those of its transparent colour
// left out.
void drawOnto(QImage& target, int left, int top, const TXBitmap& picture)
{
    if (picture.PixelFormat() != TPixelFormat::pf24bit) {
        TXBitmap converted(picture);
        converted.SetPixelFormat(TPixelFormat::pf24bit);
        drawOnto(target, left, top, converted);
        return;
    }
    const TColor skip = picture.Transparent() ? picture.TransparentColor() : clNone;
    const bool skipping = skip != clNone;
    const int width = std::min(picture.Width(), target.width() - left);
    const int height = std::min(picture.Height(), target.height() - top);
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* in = picture.ScanLine(y);
        auto* out = reinterpret_cast<QRgb*>(target.scanLine(top + y)) + left;
        for (int x = 0; x < width; ++x, in += 3) {
            if (skipping && SameColour(ColourOfPixel(in), skip))
                continue;
            out[x] = qRgb(in[2], in[1], in[0]);
        }
    }
}

} // namespace

// --- the entries ------------------------------------------------------------------------------

int TCbTabDataList::Add(std::int32_t identifier, TXBitmap picture, std::int32_t tag)
{
    auto entry = std::make_unique<TEntry>();
    entry->picture = std::move(picture);
    entry->picture.SetTransparent(false);
    entry->tag = NormalTag(tag);
    entry->identifier = identifier;
    if (entry->tag >= 0) {
        entry->picture.SetTransparentColor(static_cast<TColor>(entry->tag));
        entry->picture.SetTransparent(true);
    }
    m_entries.push_back(std::move(entry));
    return Count() - 1;
}

std::vector<TXBitmap> TCbTabDataList::TakePictures()
{
    std::vector<TXBitmap> pictures;
    pictures.reserve(m_entries.size());
    for (auto& entry : m_entries)
        pictures.push_back(std::move(entry->picture));
    m_entries.clear();
    return pictures;
}

const TCbTabDataList::TEntry& TCbTabDataList::Get(int index) const
{
    if (index < 0 || index >= Count())
        throw EVLClipbrdViewerError(QStringLiteral("Item index %1 out of bounds").arg(index));
    return *m_entries[static_cast<std::size_t>(index)];
}

// --- the drawing surface ----------------------------------------------------------------------

TCbItemImage::TCbItemImage(QWidget* parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TCbItemImage::SetImage(QImage image)
{
    m_image = std::move(image);
    Shown();
}

QImage& TCbItemImage::Surface(QSize size)
{
    if (m_image.size() != size || m_image.format() != QImage::Format_RGB32)
        m_image = QImage(size, QImage::Format_RGB32);
    return m_image;
}

void TCbItemImage::Shown()
{
    resize(m_image.size());
    update();
}

void TCbItemImage::paintEvent(QPaintEvent* event)
{
    if (m_image.isNull())
        return;
    QPainter painter(this);
    for (const QRect& rect : event->region())
        painter.drawImage(rect.topLeft(), m_image, rect);
}

// --- the window -------------------------------------------------------------------------------

TCbViewerForm::TCbViewerForm(QMainWindow* mainWindow, const QString& keyPath, QMainWindow* dockSite)
    : TVLBasePinnedForm(mainWindow, keyPath, QStringLiteral("Clipboard Viewer"), DesignedSize, dockSite)
{
    setObjectName(QStringLiteral("CbViewerForm"));
    m_pages = new QWidget(ClientArea());
    m_pages->setObjectName(QStringLiteral("ClipboardPages"));
    auto* clientLayout = new QVBoxLayout(ClientArea());
    clientLayout->setContentsMargins(0, 0, 0, 0);
    clientLayout->addWidget(m_pages);
    auto* pagesLayout = new QVBoxLayout(m_pages);
    pagesLayout->setContentsMargins(0, 0, 0, 0);
    pagesLayout->setSpacing(0);
    m_tabs = new TFixedTabBar(m_pages);
    m_tabs->setExpanding(false);
    m_tabs->setUsesScrollButtons(true);
    pagesLayout->addWidget(m_tabs);
    m_pageArea = new QWidget(m_pages);
    m_pageArea->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    pagesLayout->addWidget(m_pageArea, 1);

    // The label lies behind the scroll box and shows while there is no tab.
    m_emptyLabel = new QLabel(QStringLiteral("The clipboard is empty"), m_pageArea);
    m_emptyLabel->setObjectName(QStringLiteral("CBIsEmptyLabel"));
    m_emptyLabel->adjustSize();
    m_scrollBox = new QScrollArea(m_pageArea);
    m_scrollBox->setObjectName(QStringLiteral("ImageScrollBox"));
    m_scrollBox->setWidgetResizable(false);
    m_scrollBox->setFrameShape(QFrame::NoFrame);
    m_itemImage = new TCbItemImage;
    m_itemImage->setObjectName(QStringLiteral("CbItemImage"));
    m_scrollBox->setWidget(m_itemImage);
    m_scrollBox->hide();
    m_pageArea->installEventFilter(this);
    m_scrollBox->viewport()->installEventFilter(this);

    auto action = [this](const QString& hint, const char* icon, const QString& name, const QString& button) {
        auto* act = new QAction(QIcon(QStringLiteral(":/images/commands/%1.png").arg(QLatin1String(icon))), hint, this);
        act->setObjectName(name);
        act->setToolTip(hint);
        act->setStatusTip(hint);
        auto* tool = new QToolButton;
        tool->setObjectName(button);
        tool->setDefaultAction(act);
        tool->setAutoRaise(true);
        tool->setFixedSize(26, 25);
        AddButton(tool);
        return act;
    };
    m_paste = action(QStringLiteral("Paste image into the active picture."), "paste", QStringLiteral("PasteCbImage"),
                     QStringLiteral("PasteButton"));
    m_pasteAsNew = action(QStringLiteral("Paste image as new picture."), "pastenew", QStringLiteral("PasteCbImageAsNew"),
                          QStringLiteral("PasteAsNewButton"));
    m_promote = action(QStringLiteral("Make image the main clipboard image\n(This allows other programs to paste it)."),
                       "promote", QStringLiteral("PromoteCbImage"), QStringLiteral("PromoteButton"));
    m_delete = action(QStringLiteral("Delete image from the clipboard."), "delete", QStringLiteral("DeleteCbImage"),
                      QStringLiteral("DeleteButton"));
    m_clear = action(QStringLiteral("Clear all images from the clipboard"), "clearclip", QStringLiteral("ClearCb"),
                     QStringLiteral("ClearButton"));

    connect(m_paste, &QAction::triggered, this, [this] {
        runAction([this](const TCbTabDataList::TEntry& entry) {
            if (OnPasteImage)
                OnPasteImage(this, entry.picture, false, entry.tag);
        });
    });
    connect(m_pasteAsNew, &QAction::triggered, this, [this] {
        runAction([this](const TCbTabDataList::TEntry& entry) {
            if (OnPasteImage)
                OnPasteImage(this, entry.picture, true, entry.tag);
        });
    });
    // The store's change comes back as a notification, which rebuilds the tabs.
    connect(m_promote, &QAction::triggered, this, [this] {
        runAction([](const TCbTabDataList::TEntry& entry) { ClipboardStore().PromoteItem(entry.identifier); });
    });
    connect(m_delete, &QAction::triggered, this, [this] {
        runAction([](const TCbTabDataList::TEntry& entry) { ClipboardStore().DeleteItem(entry.identifier); });
    });
    connect(m_clear, &QAction::triggered, this, [this] {
        runAction([](const TCbTabDataList::TEntry&) { ClipboardStore().Clear(); });
    });
    connect(m_tabs, &QTabBar::currentChanged, this, [this] {
        drawSelected();
        updateActions();
    });
    updateActions();
}

TCbViewerForm::~TCbViewerForm()
{
    if (m_registered && TVLClipboard::Exists())
        ClipboardStore().RemoveWindow(this);
}

void TCbViewerForm::runAction(const std::function<void(const TCbTabDataList::TEntry&)>& action)
{
    // No exception may reach Qt's event loop.
    try {
        if (const TCbTabDataList::TEntry* entry = selected())
            action(*entry);
    } catch (const std::exception& e) {
        QMessageBox::critical(this, QStringLiteral("Error"), QString::fromUtf8(e.what()), QMessageBox::Ok);
    }
}

const TCbTabDataList::TEntry* TCbViewerForm::selected() const
{
    const int index = m_tabs->currentIndex();
    return index >= 0 && index < m_items.Count() ? &m_items.Get(index) : nullptr;
}

void TCbViewerForm::Refresh()
{
    {
        const QSignalBlocker blocker(m_tabs);
        m_tabs->setUpdatesEnabled(false);
        while (m_tabs->count() > 0)
            m_tabs->removeTab(m_tabs->count() - 1);
        // The last refresh's pictures lend their storage to the decoding of the new ones: a
        // history mostly holds the same pictures as before.
        std::vector<TXBitmap> spares = m_items.TakePictures();
        std::size_t nextSpare = 0;
        const auto spare = [&] { return nextSpare < spares.size() ? std::move(spares[nextSpare++]) : TXBitmap(); };
        ClipboardStore().EnumItems(
            [&](std::int32_t identifier, TXBitmap& picture, std::int32_t tag, bool&) {
                m_items.Add(identifier, std::move(picture), tag);
                picture = spare();
                m_tabs->addTab(QString::number(m_items.Count()));
            },
            spare());
        if (m_tabs->count() > 0)
            m_tabs->setCurrentIndex(0);
        m_tabs->setUpdatesEnabled(true);
    }
    m_scrollBox->setVisible(m_tabs->count() > 0);
    m_composedFor = QSize();
    drawSelected();
    updateActions();
}

void TCbViewerForm::updateActions()
{
    const bool any = m_tabs->count() > 0;
    m_paste->setEnabled(any);
    m_pasteAsNew->setEnabled(any);
    m_promote->setEnabled(any && m_tabs->currentIndex() > 0);
    m_delete->setEnabled(any);
    m_clear->setEnabled(any);
}

void TCbViewerForm::drawSelected()
{
    const TCbTabDataList::TEntry* entry = selected();
    if (entry == nullptr) {
        m_itemImage->SetImage(QImage());
        return;
    }
    const TXBitmap& picture = entry->picture;
    const QSize client = viewportFor(QSize(picture.Width(), picture.Height()));
    const QSize surface(std::max(client.width(), picture.Width()), std::max(client.height(), picture.Height()));
    m_composedFor = m_scrollBox->maximumViewportSize();
    // Composed in the screen's format, so that a paint only copies pixels.
    QImage& target = m_itemImage->Surface(surface);
    const bool covered = surface == QSize(picture.Width(), picture.Height());
    if (!covered || picture.Transparent()) {
        QPainter painter(&target);
        painter.fillRect(target.rect(), QBrush(TVLGlobal::Instance().NonCanvasImage()));
    }
    drawOnto(target, std::max((surface.width() - picture.Width()) / 2, 0),
             std::max((surface.height() - picture.Height()) / 2, 0), picture);
    m_itemImage->Shown();
}

QSize TCbViewerForm::viewportFor(const QSize& content) const
{
    // As the scroll box lays itself out: a bar takes its room only when the content needs it,
    // and the room one bar takes may bring the other. Bars that float over the content take none.
    const QSize full = m_scrollBox->maximumViewportSize();
    const QScrollBar* vBar = m_scrollBox->verticalScrollBar();
    const QScrollBar* hBar = m_scrollBox->horizontalScrollBar();
    if (m_scrollBox->style()->styleHint(QStyle::SH_ScrollBar_Transient, nullptr, vBar) != 0)
        return full;
    const int barWidth = vBar->sizeHint().width();
    const int barHeight = hBar->sizeHint().height();
    bool horizontal = content.width() > full.width();
    bool vertical = content.height() > full.height();
    if (vertical && !horizontal)
        horizontal = content.width() > full.width() - barWidth;
    if (horizontal && !vertical)
        vertical = content.height() > full.height() - barHeight;
    return {std::max(full.width() - (vertical ? barWidth : 0), 0), std::max(full.height() - (horizontal ? barHeight : 0), 0)};
}

void TCbViewerForm::layoutPages()
{
    const QSize area = m_pageArea->size();
    m_scrollBox->setGeometry(QRect(QPoint(0, 0), area));
    const QSize label = m_emptyLabel->size();
    m_emptyLabel->move(std::max(area.width() - label.width(), 0) / 2, std::max(area.height() - label.height(), 0) / 2);
}

bool TCbViewerForm::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Resize) {
        if (watched == m_pageArea)
            layoutPages();
        else if (watched == m_scrollBox->viewport() && m_scrollBox->maximumViewportSize() != m_composedFor)
            drawSelected();
    }
    return TVLBasePinnedForm::eventFilter(watched, event);
}

bool TCbViewerForm::event(QEvent* event)
{
    if (event->type() == static_cast<QEvent::Type>(ClipboardChangedMessage)) {
        try {
            Refresh();
        } catch (const std::exception& e) {
            QMessageBox::critical(this, QStringLiteral("Error"), QString::fromUtf8(e.what()), QMessageBox::Ok);
        }
        return true;
    }
    return TVLBasePinnedForm::event(event);
}

void TCbViewerForm::showEvent(QShowEvent* event)
{
    TVLBasePinnedForm::showEvent(event);
    // Docking and undocking hide and show the window again: one registration at a time.
    if (!m_registered) {
        ClipboardStore().AddWindow(this);
        m_registered = true;
    }
    Refresh();
}

void TCbViewerForm::hideEvent(QHideEvent* event)
{
    if (m_registered) {
        ClipboardStore().RemoveWindow(this);
        m_registered = false;
    }
    TVLBasePinnedForm::hideEvent(event);
}

} // namespace vellum
