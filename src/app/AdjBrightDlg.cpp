#include "app/AdjBrightDlg.h"

#include <algorithm>
#include <cmath>

#include "controls/WholeNumberBox.h"
#include "document/VLPicChildWn.h"

namespace vellum {

TAdjBrightDialog::TAdjBrightDialog(QWidget* owner, TVLPicChildWin* document)
    : TTrackBarAdjDialog(owner, document)
    , m_box(new TWholeNumberBox(this))
{
    setWindowTitle(QStringLiteral("Adjust Brightness"));
    m_box->setObjectName(QStringLiteral("BFactorSpin"));
    m_box->setToolTip(QStringLiteral("Brightness factor"));
    m_box->setRange(-100, 100);
    // Invalid text stays in the box until OK names it.
    m_box->SetInvalidText(TInvalidText::Keep);
    buildControls(QStringLiteral("Brightness (%)"), m_box, -100, 100);
    prepare();
    m_guard = true;
    SetValue(10);
}

int TAdjBrightDialog::ValueToPosition(double value) const
{
    return static_cast<int>(value);
}

double TAdjBrightDialog::PositionToValue(int position) const
{
    return position;
}

bool TAdjBrightDialog::BoxNumber(double& value) const
{
    int number = 0;
    if (!m_box->NumberOfText(m_box->text(), number))
        return false;
    value = number;
    return true;
}

void TAdjBrightDialog::WriteBox(double value)
{
    m_box->setValue(static_cast<int>(value));
}

double TAdjBrightDialog::ClampValue(double value) const
{
    return std::clamp(std::trunc(value), -100.0, 100.0);
}

QString TAdjBrightDialog::InvalidMessage() const
{
    return QStringLiteral("The brightness factor is invalid");
}

void TAdjBrightDialog::applyEffect(TEffectsBitmap& preview, const TBool2DArray* mask)
{
    preview.Brighten(Brightness(), mask);
}

void TAdjBrightDialog::PreviewInDocument()
{
    Document()->Brighten(Brightness(), TAdjustMode::Preview);
}

} // namespace vellum
