#include "app/BaseAdjDlg.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include <QAbstractSpinBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include "app/SettingsKeys.h"
#include "app/VLGlobal.h"
#include "app/XMLRegFile.h"
#include "controls/TrackBar.h"
#include "controls/XGraphicCtrls.h"
#include "document/VLPicChildWn.h"
#include "raster/MaskedDrawing.h"
#include "raster/ScaleDown.h"

namespace vellum {

namespace {

int nearest(double x)
{
    return static_cast<int>(std::trunc(x + 0.5));
}

TVLPicChildWin* checkedDocument(TVLPicChildWin* document)
{
    if (document == nullptr)
        throw EVellumError(QStringLiteral("Can not adjust picture. Picture is invalid"));
    return document;
}

QString messageOf(const std::exception& e)
{
    if (dynamic_cast<const std::bad_alloc*>(&e) != nullptr)
        return EOutOfMemory().message();
    return QString::fromUtf8(e.what());
}

} // namespace

QSize AdjPreviewSize(int width, int height, QSize box)
{
    if (width <= 0 || height <= 0)
        return {1, 1};
    int w = 0;
    int h = 0;
    if (width < height) {
        h = std::min(box.height(), height);
        w = nearest(static_cast<double>(width) / height * h);
    } else {
        w = std::min(box.width(), width);
        h = nearest(static_cast<double>(height) / width * w);
    }
    // A very thin picture still gets a preview of one pixel across.
    return {std::max(w, 1), std::max(h, 1)};
}

QSize RotatePreviewSize(int width, int height, int boxSide)
{
    if (width <= 0 || height <= 0)
        return {1, 1};
    const double aspect = static_cast<double>(width) / height;
    const double side = std::min(boxSide / std::sqrt(aspect * aspect + 1.0), static_cast<double>(height));
    return {std::max(nearest(aspect * side), 1), std::max(nearest(side), 1)};
}

std::optional<QPoint> AdjDialogPlace(std::optional<int> left, std::optional<int> top, QSize dialog, const QRect& screen)
{
    if (!left || !top)
        return std::nullopt;
    // The upper bound first: a dialog larger than the screen keeps its title bar on it.
    auto clampAxis = [](int stored, int origin, int screenSide, int dialogSide) {
        const long long highest = static_cast<long long>(origin) + screenSide - dialogSide;
        return static_cast<int>(std::max<long long>(origin, std::min<long long>(stored, highest)));
    };
    return QPoint(clampAxis(*left, screen.left(), screen.width(), dialog.width()),
                  clampAxis(*top, screen.top(), screen.height(), dialog.height()));
}

void FillNonCanvas(TXBitmap& picture)
{
    const QImage tile = TVLGlobal::Exists() ? TVLGlobal::Instance().NonCanvasImage()
                                            : QImage(QStringLiteral(":/images/noncanvas.png"));
    picture.SetPixelFormat(TPixelFormat::pf24bit);
    if (tile.isNull()) {
        for (int y = 0; y < picture.Height(); ++y)
            std::fill_n(picture.ScanLine(y), 3 * picture.Width(), std::uint8_t(0xC0));
        return;
    }
    const QImage rgb = tile.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < picture.Height(); ++y) {
        std::uint8_t* row = picture.ScanLine(y);
        const auto* source = reinterpret_cast<const QRgb*>(rgb.constScanLine(y % rgb.height()));
        for (int x = 0; x < picture.Width(); ++x) {
            const QRgb c = source[x % rgb.width()];
            row[3 * x] = static_cast<std::uint8_t>(qBlue(c));
            row[3 * x + 1] = static_cast<std::uint8_t>(qGreen(c));
            row[3 * x + 2] = static_cast<std::uint8_t>(qRed(c));
        }
    }
}

// --- the base -----------------------------------------------------------------------------------

std::function<void(QWidget*, const QString&)> TBaseAdjDialog::ShowInformation = [](QWidget* parent, const QString& message) {
    QMessageBox::information(parent, QString::fromLatin1(ProductName), message, QMessageBox::Ok);
};

std::function<void(QWidget*, const QString&)> TBaseAdjDialog::ShowError = [](QWidget* parent, const QString& message) {
    QMessageBox::critical(parent, QStringLiteral("Error"), message, QMessageBox::Ok);
};

TBaseAdjDialog::TBaseAdjDialog(QWidget* owner, TVLPicChildWin* document)
    : TStandardDialog(owner)
    , m_document(checkedDocument(document))
{
    m_source.SetPixelFormat(TPixelFormat::pf24bit);
    m_adjusted.SetPixelFormat(TPixelFormat::pf24bit);
    auto* row = new QHBoxLayout;
    m_adjPanel = new QWidget(this);
    m_adjPanel->setObjectName(QStringLiteral("AdjPanel"));
    m_adjPanel->setAutoFillBackground(true);
    m_adjImage = new TXVellum(m_adjPanel);
    m_adjImage->setObjectName(QStringLiteral("AdjImage"));
    m_adjImage->OnPaint = [this](TXVellum*, QPainter& painter) { paintPreview(painter); };
    row->addWidget(m_adjPanel, 0, Qt::AlignTop);
    m_settingsPanel = new QWidget(this);
    m_settingsPanel->setObjectName(QStringLiteral("SettingsPanel"));
    row->addWidget(m_settingsPanel, 1);
    Body()->addLayout(row);

    m_previewButton = new QPushButton(QStringLiteral("Pre&view"), this);
    m_previewButton->setObjectName(QStringLiteral("PreviewButton"));
    m_previewButton->setAutoDefault(false);
    AddButtonLeftOfOK(m_previewButton);
    OKButton()->setObjectName(QStringLiteral("OKButton"));
    CancelButton()->setObjectName(QStringLiteral("CancelButton"));
    connect(m_previewButton, &QPushButton::clicked, this, [this] { guarded([this] { PreviewInDocument(); }); });
}

TBaseAdjDialog::~TBaseAdjDialog() = default;

void TBaseAdjDialog::prepare()
{
    if (const TPictureSelection* selection = m_document->Selection())
        PrepareSelection(*selection);
    else
        PreparePicture(m_document->Picture());
    adjustSize();
    TXMLRegistryFile reg(ProgramPath() + QLatin1String(settings::FileName));
    LoadPosition(reg);
}

void TBaseAdjDialog::setPreviewArea(QSize box, QSize preview)
{
    m_adjPanel->setFixedSize(box);
    m_adjImage->resize(preview);
}

void TBaseAdjDialog::ShowPreview(bool centre)
{
    if (centre)
        m_adjImage->move((m_adjPanel->width() - m_adjImage->width()) / 2,
                         (m_adjPanel->height() - m_adjImage->height()) / 2);
    m_adjImage->update();
}

void TBaseAdjDialog::paintPreview(QPainter& painter)
{
    if (!m_adjusted.Empty())
        painter.drawImage(QPoint(0, 0), m_adjusted.SharedImage());
}

void TBaseAdjDialog::guarded(const std::function<void()>& body)
{
    // Handlers run on Qt's event loop: no exception may leave them.
    try {
        body();
    } catch (const std::exception& e) {
        ShowError(this, messageOf(e));
    } catch (...) {
        ShowError(this, QStringLiteral("Unexpected error"));
    }
}

void TBaseAdjDialog::LoadPosition(TXMLRegistryFile& reg)
{
    if (!reg.OpenKey(QLatin1String(settings::KeyDialogs), false))
        return;
    // A value that is not a whole number counts as missing.
    auto read = [&reg](const char* name) -> std::optional<int> {
        if (!reg.ValueExists(QLatin1String(name)))
            return std::nullopt;
        bool ok = false;
        const int value = reg.ReadString(QLatin1String(name)).trimmed().toInt(&ok, 10);
        return ok ? std::optional<int>(value) : std::nullopt;
    };
    const std::optional<int> left = read(settings::WinLeft);
    const std::optional<int> top = read(settings::WinTop);
    reg.CloseKey();
    const QScreen* screen = parentWidget() != nullptr ? parentWidget()->screen() : QGuiApplication::primaryScreen();
    if (screen == nullptr)
        return;
    const std::optional<QPoint> place = AdjDialogPlace(left, top, size(), screen->geometry());
    if (!place)
        return;
    move(*place);
    m_positionLoaded = true;
    setPlaced(true);
}

void TBaseAdjDialog::SavePosition(TXMLRegistryFile& reg)
{
    if (!reg.OpenKey(QLatin1String(settings::KeyDialogs), true))
        return;
    reg.WriteInteger(QLatin1String(settings::WinLeft), x());
    reg.WriteInteger(QLatin1String(settings::WinTop), y());
    reg.CloseKey();
}

void TBaseAdjDialog::done(int result)
{
    guarded([this] {
        TXMLRegistryFile reg(ProgramPath() + QLatin1String(settings::FileName));
        SavePosition(reg);
    });
    TStandardDialog::done(result);
}

// --- simple dialogs -------------------------------------------------------------------------------

TSimpleAdjDialog::TSimpleAdjDialog(QWidget* owner, TVLPicChildWin* document)
    : TBaseAdjDialog(owner, document)
{
}

void TSimpleAdjDialog::PreparePicture(const TXBitmap& picture)
{
    const QSize size = AdjPreviewSize(picture.Width(), picture.Height(), PreviewBox);
    ScaleDownTo(picture, m_source, size.width(), size.height());
    setPreviewArea(PreviewBox, size);
    m_adjusted.Assign(m_source);
    ShowPreview(true);
}

void TSimpleAdjDialog::PrepareSelection(const TPictureSelection& selection)
{
    if (!selection.HasMask()) {
        PreparePicture(selection.Image);
        return;
    }
    const QSize size = AdjPreviewSize(selection.Image.Width(), selection.Image.Height(), PreviewBox);
    TXBitmap reduced;
    auto mask = std::make_unique<TBool2DArray>();
    ScaleDownMasked(selection.Image, reduced, size.width(), size.height(), *selection.Mask, *mask,
                    selection.TransparentColour);
    // Outside the selection the preview shows the pattern, which the effects leave alone.
    m_source = TEffectsBitmap(size.width(), size.height());
    FillNonCanvas(m_source);
    DrawMaskedBitmap(&reduced, &m_source, 0, 0, mask.get());
    m_previewMask = std::move(mask);
    setPreviewArea(PreviewBox, size);
    m_adjusted.Assign(m_source);
    ShowPreview(true);
}

void TSimpleAdjDialog::redrawPreview()
{
    m_adjusted.Assign(m_source);
    applyEffect(m_adjusted, m_previewMask.get());
    ShowPreview(false);
}

// --- one value with a track bar ---------------------------------------------------------------

TTrackBarAdjDialog::TTrackBarAdjDialog(QWidget* owner, TVLPicChildWin* document)
    : TSimpleAdjDialog(owner, document)
    , m_value(std::numeric_limits<double>::quiet_NaN()) // unequal to any start value: it shows
{
}

void TTrackBarAdjDialog::buildControls(const QString& caption, QAbstractSpinBox* box, int minimumPosition,
                                       int maximumPosition)
{
    auto* layout = new QVBoxLayout(SettingsPanel());
    m_mainLabel = new QLabel(caption, SettingsPanel());
    m_mainLabel->setObjectName(QStringLiteral("MainLabel"));
    m_box = box;
    box->setParent(SettingsPanel());
    m_mainLabel->setBuddy(box);
    m_trackBar = new TTrackBar(SettingsPanel());
    m_trackBar->setObjectName(QStringLiteral("MainTrackBar"));
    m_trackBar->setRange(minimumPosition, maximumPosition);
    m_trackBar->setPageStep(std::max(1, (maximumPosition - minimumPosition) / 10));
    m_trackBar->setTickInterval(std::max(1, (maximumPosition - minimumPosition) / 10));
    layout->addWidget(m_mainLabel);
    layout->addWidget(box);
    layout->addWidget(m_trackBar);
    layout->addStretch(1);
    if (auto* editor = box->findChild<QLineEdit*>())
        connect(editor, &QLineEdit::textChanged, this, [this] { guarded([this] { boxTextChanged(); }); });
    // Only a move of the user's: a track bar that follows the box must not write over the typing.
    connect(m_trackBar, &QSlider::valueChanged, this, [this](int position) {
        if (m_guard)
            guarded([this, position] { ShowValue(true, PositionToValue(position)); });
    });
}

void TTrackBarAdjDialog::SetValue(double value)
{
    value = ClampValue(value);
    if (value == m_value)
        return;
    m_value = value;
    ShowValue(false, value);
}

void TTrackBarAdjDialog::ShowValue(bool fromTrackBar, double value)
{
    // A spin box rewrites its text without telling its editor's listeners: the box's change
    // handling runs here, as after typing.
    WriteBox(value);
    boxTextChanged();
    if (!fromTrackBar)
        SetTrackPosition(value);
}

void TTrackBarAdjDialog::SetTrackPosition(double value)
{
    const int position = ValueToPosition(value);
    if (m_trackBar->value() != position)
        m_trackBar->setValue(position);
}

void TTrackBarAdjDialog::boxTextChanged()
{
    if (!m_guard)
        return;
    double value = 0;
    if (!BoxNumber(value))
        return;
    m_guard = false;
    struct Restore {
        bool& guard;
        ~Restore() { guard = true; }
    } restore{m_guard};
    // The text stays the user's while typing: the value and the track bar follow it.
    value = ClampValue(value);
    if (value != m_value) {
        m_value = value;
        SetTrackPosition(value);
    }
    redrawPreview();
}

bool TTrackBarAdjDialog::okPressed()
{
    double value = 0;
    if (!BoxNumber(value)) {
        ShowInformation(this, InvalidMessage());
        return false;
    }
    // The box shows in its own format the value that is applied.
    m_box->interpretText();
    return true;
}

} // namespace vellum
