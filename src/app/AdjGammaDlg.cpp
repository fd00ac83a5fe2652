#include "app/AdjGammaDlg.h"

#include <algorithm>
#include <cmath>

#include "controls/DoubleSpinEdit.h"
#include "document/VLPicChildWn.h"

namespace vellum {

TDecimalAdjDialog::TDecimalAdjDialog(QWidget* owner, TVLPicChildWin* document, double maximum)
    : TTrackBarAdjDialog(owner, document)
    , m_box(new TDoubleSpinEdit(this))
    , m_maximum(maximum)
{
    m_box->setRange(0.0, maximum);
    m_box->setSingleStep(0.01);
    // Invalid text stays in the box until OK names it.
    m_box->SetInvalidText(TInvalidText::Keep);
}

int TDecimalAdjDialog::ValueToPosition(double value) const
{
    // Hundredths, truncated; the small allowance keeps 2.51 (249.99999... in binary) at 251.
    return static_cast<int>(std::trunc(value * 100.0 + 1e-7));
}

double TDecimalAdjDialog::PositionToValue(int position) const
{
    return position / 100.0;
}

bool TDecimalAdjDialog::BoxNumber(double& value) const
{
    return m_box->NumberOfText(m_box->text(), value);
}

void TDecimalAdjDialog::WriteBox(double value)
{
    m_box->setValue(value);
}

double TDecimalAdjDialog::ClampValue(double value) const
{
    // In hundredths, as the box shows it: the value applied is the value shown.
    const double shown = QString::number(std::clamp(value, 0.0, m_maximum), 'f', 2).toDouble();
    return std::clamp(shown, 0.0, m_maximum);
}

TAdjGammaDialog::TAdjGammaDialog(QWidget* owner, TVLPicChildWin* document)
    : TDecimalAdjDialog(owner, document, 4.99)
{
    setWindowTitle(QStringLiteral("Gamma Correction"));
    m_box->setObjectName(QStringLiteral("GCFactorSpin"));
    buildControls(QStringLiteral("Factor"), m_box, 0, 499);
    prepare();
    m_guard = true;
    SetValue(1.0);
}

QString TAdjGammaDialog::InvalidMessage() const
{
    return QStringLiteral("The correction factor is invalid");
}

void TAdjGammaDialog::applyEffect(TEffectsBitmap& preview, const TBool2DArray* mask)
{
    preview.GammaCorrect(Value(), mask);
}

void TAdjGammaDialog::PreviewInDocument()
{
    Document()->GammaCorrect(Value(), TAdjustMode::Preview);
}

} // namespace vellum
