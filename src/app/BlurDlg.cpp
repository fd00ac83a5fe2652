#include "app/BlurDlg.h"

#include "controls/DoubleSpinEdit.h"
#include "document/VLPicChildWn.h"

namespace vellum {

TBlurDialog::TBlurDialog(QWidget* owner, TVLPicChildWin* document)
    : TDecimalAdjDialog(owner, document, 20.0)
{
    setWindowTitle(QStringLiteral("Blur Picture"));
    m_box->setObjectName(QStringLiteral("BlurFactorSpin"));
    buildControls(QStringLiteral("Blur Radius"), m_box, 0, 2000);
    prepare();
    m_guard = true;
    SetValue(1.0);
}

void TBlurDialog::setScale(int fullWidth)
{
    // The preview is at least one pixel wide, so the scale never drops to 0.
    m_previewScale = fullWidth > 0 ? static_cast<double>(m_source.Width()) / fullWidth : 1.0;
}

void TBlurDialog::PreparePicture(const TXBitmap& picture)
{
    TDecimalAdjDialog::PreparePicture(picture);
    setScale(picture.Width());
}

void TBlurDialog::PrepareSelection(const TPictureSelection& selection)
{
    TDecimalAdjDialog::PrepareSelection(selection);
    setScale(selection.Image.Width());
}

QString TBlurDialog::InvalidMessage() const
{
    return QStringLiteral("The blur radius is invalid");
}

void TBlurDialog::applyEffect(TEffectsBitmap& preview, const TBool2DArray* mask)
{
    preview.Blur(Value() * m_previewScale, mask);
}

void TBlurDialog::PreviewInDocument()
{
    Document()->Blur(Value(), TAdjustMode::Preview);
}

} // namespace vellum
