#include "app/RotateDlg.h"

#include <algorithm>

#include <QCoreApplication>
#include <QEvent>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QToolButton>

#include "app/VLGlobal.h"
#include "controls/Dial.h"
#include "controls/WholeNumberBox.h"
#include "document/VLPicChildWn.h"
#include "raster/ColourMatch.h"
#include "raster/MaskedDrawing.h"
#include "raster/RgbRows.h"
#include "raster/ScaleDown.h"

namespace vellum {

TRotateDialog::TRotateDialog(QWidget* owner, TColor fillColour, TVLPicChildWin* document)
    : TBaseAdjDialog(owner, document)
    , m_fillColour(fillColour)
{
    setWindowTitle(QStringLiteral("Rotate Picture"));
    auto* layout = new QGridLayout(SettingsPanel());
    auto* label = new QLabel(QStringLiteral("Rotation angle"), SettingsPanel());
    m_box = new TRotateSpinEdit(SettingsPanel());
    m_box->setObjectName(QStringLiteral("RotateSpinEdit"));
    label->setBuddy(m_box);
    m_dial = new TDial(SettingsPanel());
    m_dial->setObjectName(QStringLiteral("RotateDial"));
    m_dial->SetIncrements(360);
    m_dial->setFixedSize(100, 100);
    m_anticlockwise = new QToolButton(SettingsPanel());
    m_anticlockwise->setObjectName(QStringLiteral("RotateAWBut"));
    m_anticlockwise->setToolTip(QStringLiteral("Rotate 90 AntiClockWise"));
    m_anticlockwise->setText(QStringLiteral("-90"));
    m_clockwise = new QToolButton(SettingsPanel());
    m_clockwise->setObjectName(QStringLiteral("RotateCWBut"));
    m_clockwise->setToolTip(QStringLiteral("Rotate 90 ClockWise"));
    m_clockwise->setText(QStringLiteral("+90"));
    layout->addWidget(label, 0, 0, 1, 2);
    layout->addWidget(m_box, 1, 0, 1, 2);
    layout->addWidget(m_dial, 2, 0, 1, 2, Qt::AlignCenter);
    layout->addWidget(m_anticlockwise, 3, 0);
    layout->addWidget(m_clockwise, 3, 1);
    layout->setRowStretch(4, 1);

    connect(m_box->Editor(), &QLineEdit::textChanged, this, [this] { guarded([this] { boxTextChanged(); }); });
    m_box->OnStep = [this](int steps) { guarded([this, steps] { boxStep(steps); }); };
    m_dial->OnChange = [this](TDial* dial) {
        if (m_guard)
            guarded([this, dial] { withGuardOff(dial->Position()); });
    };
    connect(m_anticlockwise, &QToolButton::clicked, this, [this] { guarded([this] { withGuardOff(m_angle - 90); }); });
    connect(m_clockwise, &QToolButton::clicked, this, [this] { guarded([this] { withGuardOff(m_angle + 90); }); });

    prepare();
    m_guard = true;
}

TRotateDialog::~TRotateDialog() = default;

void TRotateDialog::withGuardOff(int angle)
{
    const bool before = m_guard;
    m_guard = false;
    struct Restore {
        bool& guard;
        bool value;
        ~Restore() { guard = value; }
    } restore{m_guard, before};
    SetAngle(angle);
}

void TRotateDialog::boxTextChanged()
{
    if (!m_guard)
        return;
    int value = 0;
    if (!m_box->NumberOfText(m_box->text(), value))
        return;
    withGuardOff(value);
}

void TRotateDialog::boxStep(int steps)
{
    int shown = 0;
    if (!m_box->NumberOfText(m_box->text(), shown)) {
        withGuardOff(m_angle);
        return;
    }
    withGuardOff(m_angle + steps);
}

void TRotateDialog::SetAngle(int angle)
{
    // Any typed angle stands for one of 0 to 359 (720 is 0, -90 is 270).
    m_angle = ((angle % 360) + 360) % 360;
    if (m_box->text().trimmed() != QString::number(m_angle))
        m_box->setValue(m_angle);
    m_dial->SetPosition(m_angle);
    // Pending paints and timers run; no user input can reach a handler meanwhile.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    m_adjusted.Assign(m_source);
    m_adjusted.Rotate(m_angle, m_fillColour);
    ShowPreview(false);
}

void TRotateDialog::makeDisplay()
{
    if (m_display.isNull())
        m_display = QImage(PreviewSide, PreviewSide, QImage::Format_RGB32);
    if (m_previewsSelection) {
        const QImage& tile = TVLGlobal::Exists() ? TVLGlobal::Instance().NonCanvasImage() : QImage();
        QPainter painter(&m_display);
        painter.fillRect(m_display.rect(), tile.isNull() ? QBrush(Qt::lightGray) : QBrush(tile));
    } else {
        m_displayColour = palette().color(QPalette::Button);
        m_display.fill(m_displayColour);
    }
}

void TRotateDialog::PreparePicture(const TXBitmap& picture)
{
    const QSize size = RotatePreviewSize(picture.Width(), picture.Height(), PreviewSide);
    ScaleDownTo(picture, m_source, size.width(), size.height());
    m_adjusted.Assign(m_source);
    setPreviewArea(QSize(PreviewSide, PreviewSide), QSize(PreviewSide, PreviewSide));
    makeDisplay();
    ShowPreview(true);
    withGuardOff(0);
}

void TRotateDialog::PrepareSelection(const TPictureSelection& selection)
{
    m_previewsSelection = true;
    const TXBitmap& image = selection.Image;
    const QSize size = RotatePreviewSize(image.Width(), image.Height(), PreviewSide);
    if (selection.HasMask()) {
        TXBitmap reduced;
        TBool2DArray mask;
        ScaleDownMasked(image, reduced, size.width(), size.height(), *selection.Mask, mask, selection.TransparentColour);
        m_source.AssignOpaque(std::move(reduced));
        TColor colour = m_fillColour;
        if (FindUnusedColour(m_source, &mask, colour))
            m_fillColour = colour;
        FillMasked(&m_source, &mask, m_fillColour);
    } else {
        ScaleDownTo(image, m_source, size.width(), size.height());
        TColor colour = m_fillColour;
        if (FindUnusedColour(m_source, nullptr, colour))
            m_fillColour = colour;
    }
    m_adjusted.Assign(m_source);
    setPreviewArea(QSize(PreviewSide, PreviewSide), QSize(PreviewSide, PreviewSide));
    makeDisplay();
    ShowPreview(true);
    withGuardOff(0);
}

void TRotateDialog::ShowPreview(bool centre)
{
    if (m_display.isNull())
        return;
    const int left = std::max(0, m_display.width() - m_adjusted.Width()) / 2;
    const int top = std::max(0, m_display.height() - m_adjusted.Height()) / 2;
    const int width = std::min(m_adjusted.Width(), m_display.width() - left);
    const int height = std::min(m_adjusted.Height(), m_display.height() - top);
    if (m_previewsSelection) {
        makeDisplay();
        const TPixelTriple key = PixelTriple(m_fillColour);
        for (int y = 0; y < height; ++y) {
            const std::uint8_t* source = m_adjusted.ScanLine(y);
            auto* target = reinterpret_cast<QRgb*>(m_display.scanLine(top + y)) + left;
            for (int x = 0; x < width; ++x) {
                const std::uint8_t* p = source + 3 * x;
                // A selection's preview is drawn without the pixels of its fill colour.
                if (p[0] == key.Blue && p[1] == key.Green && p[2] == key.Red)
                    continue;
                target[x] = qRgb(p[2], p[1], p[0]);
            }
        }
    } else {
        // The preview changes with every angle: only the face around it is filled.
        fillDisplayAround(QRect(left, top, width, height));
        for (int y = 0; y < height; ++y)
            CopyBgrToRgb32(m_adjusted.ScanLine(y), reinterpret_cast<std::uint32_t*>(m_display.scanLine(top + y)) + left, width);
    }
    TBaseAdjDialog::ShowPreview(centre);
}

void TRotateDialog::fillDisplayAround(const QRect& picture)
{
    m_displayColour = palette().color(QPalette::Button);
    // The value QImage::fill stores for the colour.
    QImage one(1, 1, m_display.format());
    one.fill(m_displayColour);
    const QRgb face = reinterpret_cast<const QRgb*>(one.constScanLine(0))[0];
    const int side = m_display.width();
    for (int y = 0; y < m_display.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(m_display.scanLine(y));
        if (y < picture.top() || y > picture.bottom() || picture.isEmpty()) {
            std::fill_n(row, side, face);
            continue;
        }
        std::fill_n(row, picture.left(), face);
        std::fill_n(row + picture.left() + picture.width(), side - picture.left() - picture.width(), face);
    }
}

void TRotateDialog::paintPreview(QPainter& painter)
{
    if (!m_display.isNull())
        painter.drawImage(QPoint(0, 0), m_display);
}

void TRotateDialog::changeEvent(QEvent* event)
{
    TBaseAdjDialog::changeEvent(event);
    if (event->type() == QEvent::PaletteChange && !m_previewsSelection && !m_display.isNull())
        guarded([this] { ShowPreview(false); });
}

void TRotateDialog::PreviewInDocument()
{
    Document()->Rotate(m_angle, m_fillColour, TAdjustMode::Preview);
}

} // namespace vellum
