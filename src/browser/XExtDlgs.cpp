#include "browser/XExtDlgs.h"

#include <QAbstractItemView>
#include <QCompleter>
#include <QDialog>
#include <QFileInfo>
#include <QFutureWatcher>
#include <QGridLayout>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QScreen>
#include <QToolTip>
#include <QToolButton>
#include <QVBoxLayout>
#include <QtConcurrent/QtConcurrentRun>

#include "browser/RecentThumbnail.h"
#include "raster/ScaleDown.h"
#include "raster/XBitmap.h"

namespace vellum {

namespace {

const QStringList OpenFilters{QStringLiteral("Windows Bitmap (*.bmp)"),
                              QStringLiteral("JPG Image File (*.jpg)"),
                              QStringLiteral("JPEG Image File (*.jpeg)"),
                              QStringLiteral("GIF (*.gif)"),
                              QStringLiteral("All picture files (*.bmp *.jpg *.jpeg *.gif)"),
                              QStringLiteral("All files (*)")};
const QStringList SaveExtensions{QStringLiteral("bmp"), QStringLiteral("jpg"), QStringLiteral("jpeg"),
                                 QStringLiteral("gif")};
constexpr int AllPictureFilesIndex = 5;
constexpr int ButtonSpacing = 26;

// The modal window of the Preview button: the picture at full size as far as 3/4 of the screen
// allows, proportionally shrunk beyond that.
class TLargePreview : public QDialog {
public:
    TLargePreview(const QString& fileName, QWidget* parent)
        : QDialog(parent, Qt::Tool)
    {
        setWindowTitle(QStringLiteral("Preview: %1").arg(QFileInfo(fileName).fileName()));
        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
        m_panel = new TXSilentPaintPanel(this);
        m_panel->setFrameStyle(QFrame::Box | QFrame::Plain);
        m_panel->setLineWidth(1);
        m_panel->setContentsMargins(5, 5, 5, 5);
        m_panel->setBackgroundRole(QPalette::Base);
        m_panel->setAutoFillBackground(true);
        layout->addWidget(m_panel);
        resize(300, 200);
        // The panel is measured below: it must have its place in the window first.
        layout->activate();
        try {
            TXBitmap picture;
            picture.LoadPicture(fileName);
            m_panel->SetImage(picture.ToImage());
        } catch (const std::exception&) {
            m_panel->SetText(QStringLiteral("Invalid image"));
        }
        const QImage& image = m_panel->Image();
        if (image.width() > 0) {
            const QRect screen = QGuiApplication::primaryScreen() != nullptr
                                     ? QGuiApplication::primaryScreen()->availableGeometry()
                                     : QRect(0, 0, 1024, 768);
            const QSize client = size();
            const QSize panelClient = m_panel->contentsRect().size();
            resize(std::min(screen.width() * 3 / 4, client.width() + image.width() - panelClient.width() + 10),
                   std::min(screen.height() * 3 / 4, client.height() + image.height() - panelClient.height() + 10));
        }
        if (QGuiApplication::primaryScreen() != nullptr)
            move(QGuiApplication::primaryScreen()->availableGeometry().center() - rect().center());
    }

private:
    TXSilentPaintPanel* m_panel = nullptr;
};

} // namespace

TXSilentPaintPanel::TXSilentPaintPanel(QWidget* parent)
    : QFrame(parent)
{
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(1);
    setContentsMargins(2, 2, 2, 2);
}

void TXSilentPaintPanel::SetImage(const QImage& image)
{
    m_image = image;
    m_text.clear();
    update();
}

void TXSilentPaintPanel::SetText(const QString& text)
{
    m_image = QImage();
    m_text = text;
    update();
}

void TXSilentPaintPanel::paintEvent(QPaintEvent* event)
{
    QFrame::paintEvent(event);
    try {
        QPainter painter(this);
        const QRect area = contentsRect();
        if (m_image.isNull()) {
            painter.drawText(area, Qt::AlignCenter, m_text);
            return;
        }
        // Shrunk to fit in device pixels, never enlarged, centred.
        const qreal ratio = devicePixelRatioF();
        QSize size = m_image.size();
        const QSize box = area.size() * ratio;
        if (size.width() > box.width() || size.height() > box.height())
            size.scale(box, Qt::KeepAspectRatio);
        const QSizeF logical = QSizeF(size) / ratio;
        const QRectF target(area.left() + (area.width() - logical.width()) / 2,
                            area.top() + (area.height() - logical.height()) / 2, logical.width(), logical.height());
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(target, m_image);
    } catch (const std::exception&) {
        m_image = QImage();
        m_text = QStringLiteral("Invalid image");
        update();
    }
}

TXCustomOpenPictureDialog::TXCustomOpenPictureDialog(QWidget* parent)
    : QFileDialog(parent)
{
    setOption(QFileDialog::DontUseNativeDialog);
    setOption(QFileDialog::ReadOnly, false);
    setSizeGripEnabled(true);
    // Picture names match their filters whatever the letter case of the extension.
    setFilter(filter() & ~QDir::CaseSensitive);

    m_picturePanel = new QFrame(this);
    m_picturePanel->setObjectName(QStringLiteral("PicturePanel"));
    m_picturePanel->setFixedWidth(180);
    auto* column = new QVBoxLayout(m_picturePanel);
    column->setContentsMargins(6, 6, 6, 6);
    auto* top = new QWidget(m_picturePanel);
    top->setFixedHeight(26);
    m_pictureLabel = new QLabel(QStringLiteral("Picture:"), top);
    m_pictureLabel->setObjectName(QStringLiteral("PictureLabel"));
    m_pictureLabel->move(0, 4);
    m_previewButton = makeButton(QStringLiteral(":/images/glyphs/xpreview.png"), QStringLiteral("Preview"));
    m_previewButton->setObjectName(QStringLiteral("PreviewButton"));
    m_browseButton = makeButton(QStringLiteral(":/images/glyphs/xbrowse.png"), QStringLiteral("Browse directory"));
    m_browseButton->setObjectName(QStringLiteral("BrowseButton"));
    m_optionsButton = makeButton(QStringLiteral(":/images/glyphs/xoptions.png"), QStringLiteral("Open picture options"));
    m_optionsButton->setObjectName(QStringLiteral("OptionsButton"));
    for (QToolButton* button : {m_previewButton, m_browseButton, m_optionsButton})
        button->setParent(top);
    column->addWidget(top);
    m_paintPanel = new TXSilentPaintPanel(m_picturePanel);
    m_paintPanel->setObjectName(QStringLiteral("PaintPanel"));
    m_paintPanel->SetText(QStringLiteral("(None)"));
    column->addWidget(m_paintPanel, 1);

    // A column at the right of the dialog's own grid; without one the plain dialog remains.
    if (auto* grid = qobject_cast<QGridLayout*>(layout()))
        grid->addWidget(m_picturePanel, 0, grid->columnCount(), grid->rowCount(), 1);
    else
        m_picturePanel->hide();

    connect(m_previewButton, &QToolButton::clicked, this, [this] { showLargePreview(); });
    connect(m_browseButton, &QToolButton::clicked, this, [this] {
        m_browseRequested = true;
        reject();
    });
    connect(m_optionsButton, &QToolButton::clicked, this, [this] {
        if (OnOptionsClick)
            OnOptionsClick(this);
    });
    connect(this, &QFileDialog::currentChanged, this, [this](const QString& path) { selectionChanged(path); });
    connect(this, &QFileDialog::directoryEntered, this, [this](const QString& folder) { m_currentFolder = folder; });
    SetExtraButtons(m_extraButtons);
}

TXCustomOpenPictureDialog::~TXCustomOpenPictureDialog()
{
    if (m_job)
        m_job->waitForFinished();
}

QToolButton* TXCustomOpenPictureDialog::makeButton(const QString& glyph, const QString& hint)
{
    auto* button = new QToolButton(this);
    button->setIcon(QIcon(glyph));
    button->setToolTip(hint);
    button->setAutoRaise(true);
    button->setFixedSize(24, 24);
    return button;
}

void TXCustomOpenPictureDialog::SetExtraButtons(int buttons)
{
    m_extraButtons = buttons;
    m_previewButton->setVisible((buttons & ebPreview) != 0);
    m_browseButton->setVisible((buttons & ebBrowse) != 0);
    m_optionsButton->setVisible((buttons & ebOptions) != 0);
    arrangeButtons();
}

void TXCustomOpenPictureDialog::arrangeButtons()
{
    // Right to left from the panel's right edge: preview, browse, options; hidden ones take no
    // place.
    const QWidget* row = m_previewButton->parentWidget();
    int x = row->width() - 24; // the preview button 30 pixels left of the panel's edge
    for (QToolButton* button : {m_previewButton, m_browseButton, m_optionsButton}) {
        if (button->isHidden())
            continue;
        button->move(x, 1);
        x -= ButtonSpacing;
    }
}

void TXCustomOpenPictureDialog::resizeEvent(QResizeEvent* event)
{
    QFileDialog::resizeEvent(event);
    arrangeButtons();
}

bool TXCustomOpenPictureDialog::Execute()
{
    return exec() == QDialog::Accepted;
}

int TXCustomOpenPictureDialog::FilterIndex() const
{
    return static_cast<int>(nameFilters().indexOf(selectedNameFilter())) + 1;
}

void TXCustomOpenPictureDialog::SetFilterIndex(int index)
{
    const QStringList filters = nameFilters();
    if (index >= 1 && index <= filters.size())
        selectNameFilter(filters[index - 1]);
}

void TXCustomOpenPictureDialog::showEvent(QShowEvent* event)
{
    QFileDialog::showEvent(event);
    m_lastPreviewed.clear();
    m_browseRequested = false;
    m_currentFolder = directory().absolutePath();
    showPreview(TPreview{});
    arrangeButtons();
}

void TXCustomOpenPictureDialog::done(int result)
{
    m_currentFolder = directory().absolutePath();
    hideLeftovers();
    QFileDialog::done(result);
}

void TXCustomOpenPictureDialog::hideEvent(QHideEvent* event)
{
    hideLeftovers();
    QFileDialog::hideEvent(event);
}

void TXCustomOpenPictureDialog::hideLeftovers()
{
    // The name completion's list is a window of its own that grabs the pointer and keys: left
    // open, it would sit over the main window and swallow the next click.
    for (QCompleter* completer : findChildren<QCompleter*>())
        if (QAbstractItemView* list = completer->popup(); list != nullptr && list->isVisible())
            list->hide();
    QToolTip::hideText();
}

void TXCustomOpenPictureDialog::selectionChanged(const QString& current)
{
    QString name = current;
    // Several files: the first one in the name box, in front of it the folder.
    if (const auto* edit = findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))) {
        const QString text = edit->text();
        const qsizetype open = text.indexOf(QLatin1Char('"'));
        const qsizetype close = open >= 0 ? text.indexOf(QLatin1Char('"'), open + 1) : -1;
        if (close > open + 1)
            name = directory().absoluteFilePath(text.mid(open + 1, close - open - 1));
    }
    if (name == m_lastPreviewed)
        return;
    m_lastPreviewed = name;
    startPreview(name);
}

TXCustomOpenPictureDialog::TPreview TXCustomOpenPictureDialog::MakePreview(const QString& fileName, QSize panelPixels,
                                                                           bool resample)
{
    TPreview preview;
    preview.FileName = fileName;
    QSize header;
    try {
        TXBitmap picture;
        const int boxWidth = std::max(panelPixels.width(), 1);
        const int boxHeight = std::max(panelPixels.height(), 1);
        preview.FullSize = LoadPictureScaled(fileName, picture, [&](int width, int height) {
            header = QSize(width, height);
            // The picture is shown shrunk to fit: the decode needs to cover that size only.
            const QSize shown = FitPictureSize(width, height, boxWidth, boxHeight);
            for (int d : {8, 4, 2})
                if ((width + d - 1) / d >= shown.width() && (height + d - 1) / d >= shown.height())
                    return d;
            return 1;
        });
        if (picture.Empty())
            return preview;
        if (resample) {
            const QSize fit = FitPictureSize(picture.Width(), picture.Height(), boxWidth, boxHeight);
            TXBitmap reduced;
            ScaleDownTo(picture, reduced, fit.width(), fit.height());
            picture = std::move(reduced);
        }
        preview.Image = picture.ToImage();
        preview.Ok = true;
    } catch (const std::exception&) {
        // A good header whose data then fail: a picture of a known size that cannot be shown.
        if (!header.isEmpty()) {
            preview.FullSize = header;
            preview.Image = QImage();
            preview.Ok = true;
        }
    }
    return preview;
}

void TXCustomOpenPictureDialog::startPreview(const QString& fileName)
{
    if (m_job) {
        // One job at a time; the last name chosen meanwhile goes next.
        m_waiting = fileName;
        return;
    }
    m_waiting.clear();
    if (!QFileInfo(fileName).isFile()) {
        showPreview(TPreview{});
        return;
    }
    const QSize pixels = m_paintPanel->contentsRect().size() * m_paintPanel->devicePixelRatioF();
    const bool resample = ResampleSmlPreview;
    m_job = std::make_unique<QFutureWatcher<TPreview>>();
    connect(m_job.get(), &QFutureWatcher<TPreview>::finished, this, [this] { previewFinished(); });
    m_job->setFuture(QtConcurrent::run([fileName, pixels, resample] { return MakePreview(fileName, pixels, resample); }));
}

void TXCustomOpenPictureDialog::previewFinished()
{
    if (!m_job)
        return;
    const TPreview preview = m_job->result();
    m_job.release()->deleteLater();
    // A result for a name no longer the last previewed is dropped.
    if (preview.FileName == m_lastPreviewed)
        showPreview(preview);
    if (!m_waiting.isEmpty()) {
        const QString next = m_waiting;
        startPreview(next);
    }
}

void TXCustomOpenPictureDialog::FinishPreview()
{
    while (m_job) {
        m_job->waitForFinished();
        QCoreApplication::processEvents();
    }
}

void TXCustomOpenPictureDialog::showPreview(const TPreview& preview)
{
    if (preview.Ok) {
        m_pictureLabel->setText(QStringLiteral(" (%1 x %2)").arg(preview.FullSize.width()).arg(preview.FullSize.height()));
        m_pictureLabel->adjustSize();
        m_previewButton->setEnabled(true);
        if (preview.Image.isNull())
            m_paintPanel->SetText(QStringLiteral("Invalid image"));
        else
            m_paintPanel->SetImage(preview.Image);
    } else {
        m_pictureLabel->setText(QStringLiteral("Picture:"));
        m_pictureLabel->adjustSize();
        m_previewButton->setEnabled(false);
        m_paintPanel->SetText(QStringLiteral("(None)"));
    }
}

void TXCustomOpenPictureDialog::showLargePreview()
{
    TLargePreview window(m_lastPreviewed, this);
    window.exec();
}

TXOpenPictureDialog::TXOpenPictureDialog(QWidget* parent)
    : TXCustomOpenPictureDialog(parent)
{
    setWindowTitle(QStringLiteral("Open Picture"));
    setAcceptMode(QFileDialog::AcceptOpen);
    setFileMode(QFileDialog::ExistingFiles);
    setNameFilters(OpenFilters);
    // On the first filter JPEG and GIF files would stay hidden.
    SetFilterIndex(AllPictureFilesIndex);
    SetExtraButtons(ebPreview | ebBrowse);
}

TXSavePictureDialog::TXSavePictureDialog(QWidget* parent)
    : TXCustomOpenPictureDialog(parent)
{
    setWindowTitle(QStringLiteral("Save Picture"));
    setAcceptMode(QFileDialog::AcceptSave);
    setFileMode(QFileDialog::AnyFile);
    setNameFilters(OpenFilters.mid(0, 4));
    OptionsButton()->setToolTip(QStringLiteral("Save picture options"));
    SetExtraButtons(ebPreview | ebOptions);
    // A name typed without an extension takes the selected filter's.
    setDefaultSuffix(SaveExtensions.first());
    connect(this, &QFileDialog::filterSelected, this,
            [this] { setDefaultSuffix(SaveExtensions.value(FilterIndex() - 1, SaveExtensions.first())); });
}

void TXSavePictureDialog::PresetFor(const QString& fileName)
{
    if (fileName.trimmed().isEmpty())
        return;
    SetFilterIndex(SaveFilterIndexFor(fileName));
    setDefaultSuffix(SaveExtensions.value(FilterIndex() - 1, SaveExtensions.first()));
    selectFile(fileName);
}

int SaveFilterIndexFor(const QString& fileName)
{
    const QString extension = QFileInfo(fileName).suffix().toLower();
    const qsizetype index = SaveExtensions.indexOf(extension);
    return index > 0 ? int(index) + 1 : 1;
}

} // namespace vellum
