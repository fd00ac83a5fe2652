#include "app/AdjRGBDlg.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>

#include "controls/TrackBar.h"
#include "controls/WholeNumberBox.h"
#include "document/VLPicChildWn.h"

namespace vellum {

TAdjRGBDialog::TAdjRGBDialog(QWidget* owner, TVLPicChildWin* document)
    : TSimpleAdjDialog(owner, document)
{
    setWindowTitle(QStringLiteral("Adjust RGB"));
    auto* layout = new QGridLayout(SettingsPanel());
    const char* names[3] = {"Red", "Green", "Blue"};
    for (int i = 0; i < 3; ++i) {
        const auto channel = static_cast<TChannel>(i);
        const QString name = QLatin1String(names[i]);
        auto* label = new QLabel(QStringLiteral("%1 (%)").arg(name), SettingsPanel());
        auto* box = new TWholeNumberBox(SettingsPanel());
        box->setObjectName(name + QStringLiteral("FactorSpin"));
        box->setToolTip(QStringLiteral("Brightness factor"));
        box->setRange(-100, 100);
        box->setValue(0);
        label->setBuddy(box);
        auto* track = new TTrackBar(SettingsPanel());
        track->setObjectName(name + QStringLiteral("TrackBar"));
        track->setRange(-100, 100);
        track->setPageStep(20);
        track->setTickInterval(20);
        track->setValue(0);
        layout->addWidget(label, 2 * i, 0);
        layout->addWidget(box, 2 * i, 1);
        layout->addWidget(track, 2 * i + 1, 0, 1, 2);
        m_boxes[channel] = box;
        m_trackBars[channel] = track;
        connect(box->Editor(), &QLineEdit::textChanged, this,
                [this, channel] { guarded([this, channel] { boxChanged(channel); }); });
        // The box's change handling does the rest.
        connect(track, &QSlider::valueChanged, this, [this, channel](int position) {
            guarded([this, channel, position] {
                m_boxes[channel]->setValue(position);
                boxChanged(channel);
            });
        });
    }
    prepare();
    m_guard = true;
    redrawPreview();
}

void TAdjRGBDialog::boxChanged(TChannel channel)
{
    if (!m_guard)
        return;
    TWholeNumberBox* box = m_boxes[channel];
    int value = 0;
    if (!box->NumberOfText(box->text(), value))
        return;
    m_guard = false;
    struct Restore {
        bool& guard;
        ~Restore() { guard = true; }
    } restore{m_guard};
    m_values[channel] = value;
    if (box->text().trimmed() != QString::number(value))
        box->setValue(value);
    if (m_trackBars[channel]->value() != value)
        m_trackBars[channel]->setValue(value);
    redrawPreview();
}

void TAdjRGBDialog::applyEffect(TEffectsBitmap& preview, const TBool2DArray* mask)
{
    preview.AdjustRGB(m_values[Red], m_values[Green], m_values[Blue], mask);
}

void TAdjRGBDialog::PreviewInDocument()
{
    Document()->AdjustRGB(m_values[Red], m_values[Green], TAdjustMode::Preview, m_values[Blue]);
}

} // namespace vellum
