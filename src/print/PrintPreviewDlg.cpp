#include "print/PrintPreviewDlg.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPageSetupDialog>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "raster/ScaleDown.h"

namespace vellum {

namespace {

const TXBitmap* checkedPicture(const TXBitmap* picture)
{
    if (picture == nullptr || picture->Empty())
        throw EPrintError(QStringLiteral("Unable to print - invalid picture"));
    return picture;
}

constexpr std::array<TLayoutField, 4> AllFields{TLayoutField::FromLeft, TLayoutField::FromTop, TLayoutField::Width,
                                                TLayoutField::Height};

// The picture as an image over its own rows: no copy for a 24-bit picture.
QImage imageOf(const TXBitmap& picture)
{
    if (picture.PixelFormat() == TPixelFormat::pf24bit)
        return QImage(picture.ScanLine(0), picture.Width(), picture.Height(), picture.BytesPerLine(),
                      QImage::Format_BGR888);
    return picture.ToImage();
}

class BusyScope {
public:
    BusyScope() { QApplication::setOverrideCursor(QCursor(Qt::WaitCursor)); }
    ~BusyScope() { QApplication::restoreOverrideCursor(); }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;
};

} // namespace

TPageMetrics ReadPrinterMetrics(const QPrinter& printer)
{
    const QRect paper = printer.paperRect(QPrinter::DevicePixel).toRect();
    const QRect page = printer.pageRect(QPrinter::DevicePixel).toRect();
    TPageMetrics m;
    m.PhysWidth = paper.width();
    m.PhysHeight = paper.height();
    m.OffsetX = page.x() - paper.x();
    m.OffsetY = page.y() - paper.y();
    m.PageWidth = page.width();
    m.PageHeight = page.height();
    m.DpiX = printer.resolution();
    m.DpiY = printer.resolution();
    return m;
}

void ScalePreviewCopy(const TXBitmap& picture, TXBitmap& copy, int width, int height)
{
    if (width <= 0 || height <= 0 || picture.Empty()) {
        copy = TXBitmap();
        return;
    }
    const int reducedWidth = std::min(width, picture.Width());
    const int reducedHeight = std::min(height, picture.Height());
    if (reducedWidth == width && reducedHeight == height) {
        ScaleDownTo(picture, copy, width, height);
        return;
    }
    // A side that grows repeats whole pixels of the (possibly reduced) picture.
    TXBitmap reduced;
    ScaleDownTo(picture, reduced, reducedWidth, reducedHeight);
    copy = TXBitmap(width, height);
    std::vector<int> sourceX(static_cast<std::size_t>(width));
    for (int x = 0; x < width; ++x)
        sourceX[std::size_t(x)] = int(std::int64_t(x) * reducedWidth / width);
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* from = reduced.ScanLine(int(std::int64_t(y) * reducedHeight / height));
        std::uint8_t* to = copy.ScanLine(y);
        for (int x = 0; x < width; ++x)
            std::memcpy(to + 3 * x, from + 3 * sourceX[std::size_t(x)], 3);
    }
}

QString PrintJobTitle(const QString& fileName)
{
    return fileName.trimmed().isEmpty() ? QStringLiteral("Vellum Picture") : fileName;
}

QString PrintPdfDestination(const QString& fileName)
{
    if (fileName.trimmed().isEmpty())
        return QDir::home().filePath(QStringLiteral("Vellum Picture.pdf"));
    const QFileInfo info(fileName);
    return info.dir().filePath(info.completeBaseName() + QStringLiteral(".pdf"));
}

bool RunPrintDialog(QPrinter& printer, QWidget* parent, const QString& pdfFileName)
{
    QPrintDialog dialog(&printer, parent);
    dialog.setOption(QAbstractPrintDialog::PrintToFile, true);
    dialog.setMinMax(1, 1);
    // Qt proposes a file in the home or current folder named after the job title, which is a
    // full path here: a folder that does not exist. "filename" is the file field of Qt's form.
    // Presetting the printer's file name instead would make the file the default destination
    // over an installed printer.
    if (printer.outputFileName().isEmpty()) {
        if (auto* field = dialog.findChild<QLineEdit*>(QStringLiteral("filename")))
            field->setText(pdfFileName);
    }
    return dialog.exec() == QDialog::Accepted;
}

// The drawing surface: shows the page image in a sunken frame and hands the mouse to the
// dialog in the page image's pixels.
class TPreviewSurface : public QFrame {
public:
    explicit TPreviewSurface(TPrintPreviewDialog* dialog) : QFrame(dialog), m_dialog(dialog)
    {
        setFrameStyle(QFrame::Panel | QFrame::Sunken);
        setLineWidth(1);
        setMouseTracking(true);
    }

    [[nodiscard]] QPoint imagePoint(const QPoint& at) const { return at - contentsRect().topLeft(); }

protected:
    void paintEvent(QPaintEvent* event) override
    {
        QFrame::paintEvent(event);
        TPrintPreviewBitmap& page = m_dialog->m_pageImage;
        if (page.Empty())
            return;
        QPainter painter(this);
        painter.drawImage(contentsRect().topLeft(), page.SharedImage());
    }
    void mousePressEvent(QMouseEvent* event) override
    {
        if (event->button() == Qt::LeftButton)
            m_dialog->guarded([&] { m_dialog->surfacePress(imagePoint(event->position().toPoint())); });
    }
    void mouseMoveEvent(QMouseEvent* event) override
    {
        const bool left = (event->buttons() & Qt::LeftButton) != 0;
        m_dialog->guarded([&] { m_dialog->surfaceMove(imagePoint(event->position().toPoint()), left); });
    }
    void mouseReleaseEvent(QMouseEvent* event) override
    {
        if (event->button() == Qt::LeftButton)
            m_dialog->guarded([&] { m_dialog->surfaceRelease(); });
    }

private:
    TPrintPreviewDialog* m_dialog;
};

TPrintPreviewDialog::TPrintPreviewDialog(QWidget* owner, const QString& fileName, const TXBitmap* picture,
                                         std::unique_ptr<QPrinter> printer)
    : QDialog(owner), m_fileName(fileName), m_picture(checkedPicture(picture)), m_printer(std::move(printer))
{
    if (!m_printer)
        m_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    m_printDialogStep = [this](QPrinter& target, QWidget* parent) {
        return RunPrintDialog(target, parent, PrintPdfDestination(m_fileName));
    };
    m_setupStep = [](QPrinter& target, QWidget* parent) {
        QPageSetupDialog dialog(&target, parent);
        return dialog.exec() == QDialog::Accepted;
    };
    setWindowTitle(QStringLiteral("Print Picture"));
    buildControls();

    m_layout.OnShowField = [this](TLayoutField field, const QString& text) { m_fields[int(field)]->setText(text); };
    m_layout.OnShowOptions = [this] { showOptions(); };
    m_layout.OnRedraw = [this](bool) { redraw(); };
    m_pageImage.OnChange = [this](TSelectRectBitmap*, bool) { m_surface->update(); };
    m_layout.Open(ReadPrinterMetrics(*m_printer), m_picture->Width(), m_picture->Height());
}

TPrintPreviewDialog::~TPrintPreviewDialog()
{
    endDrag();
}

QWidget* TPrintPreviewDialog::Surface() const
{
    return m_surface;
}

void TPrintPreviewDialog::buildControls()
{
    auto* mainLayout = new QVBoxLayout(this);
    m_previewArea = new QWidget(this);
    m_previewArea->setFixedHeight(TPageLayout::PreviewHeight + 2);
    m_previewArea->setMinimumWidth(TPageLayout::PreviewWidth + 2);
    m_previewArea->installEventFilter(this);
    m_surface = new TPreviewSurface(this);
    m_surface->setParent(m_previewArea);
    m_surface->setFixedSize(TPageLayout::PreviewWidth + 2, TPageLayout::PreviewHeight + 2);
    mainLayout->addWidget(m_previewArea);

    m_noPrinterLabel = new QLabel(QStringLiteral("No printer installed: the page goes to a PDF file"), this);
    m_noPrinterLabel->setVisible(QPrinterInfo::availablePrinters().isEmpty());
    mainLayout->addWidget(m_noPrinterLabel);

    auto* settings = new QHBoxLayout;
    auto* unitsGroup = new QGroupBox(this);
    auto* unitsLayout = new QVBoxLayout(unitsGroup);
    m_inchesButton = new QRadioButton(QStringLiteral("Inches"), unitsGroup);
    m_mmButton = new QRadioButton(QStringLiteral("mm"), unitsGroup);
    m_inchesButton->setChecked(true);
    unitsLayout->addWidget(m_inchesButton);
    unitsLayout->addWidget(m_mmButton);
    settings->addWidget(unitsGroup);

    auto* boxes = new QVBoxLayout;
    m_fitBox = new QCheckBox(QStringLiteral("Fit to Page"), this);
    m_centreBox = new QCheckBox(QStringLiteral("Centre Picture"), this);
    m_aspectBox = new QCheckBox(QStringLiteral("Maintain Aspect Ratio"), this);
    m_fitBox->setChecked(true);
    m_aspectBox->setChecked(true);
    for (QCheckBox* box : {m_fitBox, m_centreBox, m_aspectBox})
        boxes->addWidget(box);
    settings->addLayout(boxes);

    auto* fields = new QGridLayout;
    const std::array<QString, 4> labels{QStringLiteral("From Left.."), QStringLiteral("From Top.."),
                                        QStringLiteral("Width"), QStringLiteral("Height")};
    for (TLayoutField field : AllFields) {
        const int i = int(field);
        auto* edit = new QLineEdit(QStringLiteral("0.00"), this);
        auto* label = new QLabel(labels[std::size_t(i)], this);
        label->setBuddy(edit);
        fields->addWidget(label, i, 0);
        fields->addWidget(edit, i, 1);
        m_fields[std::size_t(i)] = edit;
        connect(edit, &QLineEdit::editingFinished, this, [this, field] { guarded([&] { leaveField(field); }); });
    }
    settings->addLayout(fields);
    mainLayout->addLayout(settings);

    auto* buttons = new QHBoxLayout;
    m_setupButton = new QPushButton(QStringLiteral("Se&tup..."), this);
    m_okButton = new QPushButton(QStringLiteral("&OK"), this);
    m_cancelButton = new QPushButton(QStringLiteral("&Cancel"), this);
    m_okButton->setDefault(true);
    buttons->addWidget(m_setupButton);
    buttons->addStretch();
    buttons->addWidget(m_okButton);
    buttons->addWidget(m_cancelButton);
    mainLayout->addLayout(buttons);

    connect(m_inchesButton, &QRadioButton::toggled, this, [this](bool on) {
        if (on && !m_guard)
            guarded([&] { m_layout.SetUnits(TPrintUnits::Inches); });
    });
    connect(m_mmButton, &QRadioButton::toggled, this, [this](bool on) {
        if (on && !m_guard)
            guarded([&] { m_layout.SetUnits(TPrintUnits::Millimetres); });
    });
    connect(m_fitBox, &QCheckBox::toggled, this, [this](bool on) {
        if (!m_guard)
            guarded([&] { m_layout.SetFitToPage(on); });
    });
    connect(m_centreBox, &QCheckBox::toggled, this, [this](bool on) {
        if (!m_guard)
            guarded([&] { m_layout.SetCentrePicture(on); });
    });
    connect(m_aspectBox, &QCheckBox::toggled, this, [this](bool on) {
        if (!m_guard)
            guarded([&] { m_layout.SetKeepAspect(on); });
    });
    connect(m_setupButton, &QPushButton::clicked, this, [this] { guarded([&] { setupClicked(); }); });
    connect(m_okButton, &QPushButton::clicked, this, [this] { guarded([&] { okClicked(); }); });
    connect(m_cancelButton, &QPushButton::clicked, this, &QDialog::reject);
}

bool TPrintPreviewDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_previewArea && event->type() == QEvent::Resize)
        placeSurface();
    return QDialog::eventFilter(watched, event);
}

void TPrintPreviewDialog::guarded(const std::function<void()>& body)
{
    try {
        body();
    } catch (const std::exception& e) {
        QMessageBox::critical(this, QStringLiteral("Error"), QString::fromUtf8(e.what()), QMessageBox::Ok);
    } catch (...) {
        QMessageBox::critical(this, QStringLiteral("Error"), QStringLiteral("Unexpected error"), QMessageBox::Ok);
    }
}

void TPrintPreviewDialog::showOptions()
{
    // The program ticks the boxes itself here: their signals must not act again.
    const bool was = m_guard;
    m_guard = true;
    m_fitBox->setChecked(m_layout.FitToPage());
    m_centreBox->setChecked(m_layout.CentrePicture());
    m_aspectBox->setChecked(m_layout.KeepAspect());
    (m_layout.Units() == TPrintUnits::Inches ? m_inchesButton : m_mmButton)->setChecked(true);
    m_guard = was;
    for (TLayoutField field : AllFields)
        m_fields[int(field)]->setEnabled(m_layout.FieldEnabled(field));
    m_pageImage.SetKeepAspect(m_layout.KeepAspect());
}

void TPrintPreviewDialog::redraw()
{
    const QSize pageSize = m_layout.PageImageSize();
    if (m_pageImage.Width() != pageSize.width() || m_pageImage.Height() != pageSize.height())
        m_pageImage.SetSize(std::max(0, pageSize.width()), std::max(0, pageSize.height()));
    m_pageImage.FillWhite();

    // The scaled copy is made again only when its size changes.
    const QRect picture = m_layout.PictureRectP();
    if (picture.size() != m_scaledSize) {
        ScalePreviewCopy(*m_picture, m_scaled, picture.width(), picture.height());
        m_scaledSize = picture.size();
    }
    const QRect visible = picture.intersected(m_pageImage.BoundsRect());
    if (!visible.isEmpty() && !m_scaled.Empty()) {
        for (int y = visible.top(); y <= visible.bottom(); ++y)
            std::memcpy(m_pageImage.ScanLine(y) + 3 * visible.left(),
                        m_scaled.ScanLine(y - picture.top()) + 3 * (visible.left() - picture.left()),
                        3 * std::size_t(visible.width()));
    }

    const QRect printable = m_layout.PrintableRectP();
    m_pageImage.SetPrintRect(printable.left(), printable.top(), printable.left() + printable.width(),
                             printable.top() + printable.height());
    m_pageImage.SetAspect(m_layout.PictureAspect());
    m_pageImage.SetKeepAspect(m_layout.KeepAspect());
    m_pageImage.SetFrameRect({picture.left(), picture.top(), picture.left() + picture.width(),
                              picture.top() + picture.height()});
    if (m_pageImage.FrameShown())
        m_pageImage.DrawFrame();
    placeSurface();
    m_surface->update();
}

void TPrintPreviewDialog::placeSurface()
{
    const int frame = 2 * m_surface->frameWidth();
    const QSize size(m_pageImage.Width() + frame, m_pageImage.Height() + frame);
    if (m_surface->size() != size)
        m_surface->setFixedSize(size);
    m_surface->move((m_previewArea->width() - size.width()) / 2, 0);
}

void TPrintPreviewDialog::leaveField(TLayoutField field)
{
    m_layout.LeaveField(field, m_fields[int(field)]->text());
}

void TPrintPreviewDialog::surfacePress(QPoint at)
{
    m_zone = m_pageImage.HitTest(at.x(), at.y());
    m_pageImage.ShowFrame(m_zone != 0);
    const TFrameEdges& f = m_pageImage.FrameRect();
    m_offLeft = at.x() - f.Left;
    m_offTop = at.y() - f.Top;
    m_offRight = at.x() - f.Right;
    m_offBottom = at.y() - f.Bottom;
    m_pageImage.SetChanged(false);
    endDrag();
    QApplication::setOverrideCursor(QCursor(ZoneCursor(m_zone)));
    m_dragging = true;
}

void TPrintPreviewDialog::surfaceMove(QPoint at, bool leftButton)
{
    if (!leftButton || !m_dragging) {
        const int zone = m_pageImage.FrameShown() ? m_pageImage.HitTest(at.x(), at.y()) : 0;
        m_surface->setCursor(ZoneCursor(zone));
        return;
    }
    const int left = at.x() - m_offLeft, top = at.y() - m_offTop;
    const int right = at.x() - m_offRight, bottom = at.y() - m_offBottom;
    switch (m_zone) {
    case 1: m_pageImage.SetTopLeft(left, top); break;
    case 2: m_pageImage.SetTop(top); break;
    case 3: m_pageImage.SetTopRight(right, top); break;
    case 4: m_pageImage.SetLeft(left); break;
    case 5: m_pageImage.SetRight(right); break;
    case 6: m_pageImage.SetBottomLeft(left, bottom); break;
    case 7: m_pageImage.SetBottom(bottom); break;
    case 8: m_pageImage.SetBottomRight(right, bottom); break;
    default:
        if (m_pageImage.FrameShown())
            m_pageImage.MoveTo(left, top);
        break;
    }
}

void TPrintPreviewDialog::surfaceRelease()
{
    endDrag();
    if (m_pageImage.Changed()) {
        m_pageImage.SetChanged(false);
        m_layout.ApplyPreviewFrame(m_pageImage.FrameRect().Rect());
    }
}

void TPrintPreviewDialog::endDrag()
{
    if (m_dragging) {
        m_dragging = false;
        QApplication::restoreOverrideCursor();
    }
}

void TPrintPreviewDialog::setupClicked()
{
    if (m_setupStep && m_setupStep(*m_printer, this))
        m_layout.Setup(ReadPrinterMetrics(*m_printer));
}

void TPrintPreviewDialog::okClicked()
{
    // A half-typed value counts: the focused field is applied first.
    for (TLayoutField field : AllFields)
        if (focusWidget() == m_fields[int(field)])
            leaveField(field);

    m_printer->setDocName(PrintJobTitle(m_fileName));
    m_printer->setCopyCount(1);
    // Qt would derive a PDF file's name from the job title, a full path that names no folder:
    // the destination is preset when no printer is installed.
    if (m_printer->outputFileName().isEmpty() && QPrinterInfo::availablePrinters().isEmpty())
        m_printer->setOutputFileName(PrintPdfDestination(m_fileName));
    if (!m_printDialogStep || !m_printDialogStep(*m_printer, this)) {
        reject();
        return;
    }
    // Another printer, paper or resolution chosen in the print dialog keeps the picture's
    // place on paper; where it no longer fits, the user sees the new page before printing.
    const TPageChange change = m_layout.ChangePage(ReadPrinterMetrics(*m_printer));
    if (change != TPageChange::Kept) {
        QMessageBox::information(this, windowTitle(), pageChangeMessage(change));
        return;
    }
    try {
        BusyScope busy;
        QCoreApplication::processEvents();
        PrintPage();
    } catch (const std::exception&) {
        QMessageBox::critical(this, QStringLiteral("Error"), QStringLiteral("Error Printing"), QMessageBox::Ok);
        return;
    }
    accept();
}

QString TPrintPreviewDialog::pageChangeMessage(TPageChange change) const
{
    const TPageMetrics& page = m_layout.Metrics();
    const QString area = QStringLiteral("%1 x %2 %3")
                             .arg(m_layout.FieldValue(TLayoutField::Width, page.PageWidth),
                                  m_layout.FieldValue(TLayoutField::Height, page.PageHeight),
                                  m_layout.Units() == TPrintUnits::Inches ? QStringLiteral("in") : QStringLiteral("mm"));
    const QString what = change == TPageChange::Fitted
                             ? QStringLiteral("The picture is larger than the printable area of the page chosen for "
                                              "printing (%1), so it has been fitted to that area.")
                             : QStringLiteral("The picture's place lies outside the printable area of the page chosen "
                                              "for printing (%1), so the picture has been moved inside it.");
    return what.arg(area) + QStringLiteral("\n\nCheck the preview, then click OK to print.");
}

void TPrintPreviewDialog::PrintPage()
{
    const TPageMetrics& page = m_layout.Metrics();
    QPainter painter;
    if (!painter.begin(m_printer.get()))
        throw EPrintError(QStringLiteral("Error Printing"));
    // Exact pixels in a PDF, no smoothing on a printer.
    painter.setRenderHint(QPainter::LosslessImageRendering, true);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.drawImage(QRect(m_layout.PrintX() - page.OffsetX, m_layout.PrintY() - page.OffsetY, m_layout.PrintWidth(),
                            m_layout.PrintHeight()),
                      imageOf(*m_picture));
    if (!painter.end() || m_printer->printerState() == QPrinter::Error)
        throw EPrintError(QStringLiteral("Error Printing"));
}

} // namespace vellum
