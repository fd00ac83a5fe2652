#pragma once

#include "app/AdjGammaDlg.h"

namespace vellum {

// Blur radius, 0 to 20, starting at 1.00. The preview shows the blur as it will look on the
// full-size picture, reduced: its radius is scaled by the preview's reduction.
class TBlurDialog : public TDecimalAdjDialog {
    Q_OBJECT
public:
    TBlurDialog(QWidget* owner, TVLPicChildWin* document);
    [[nodiscard]] double PreviewScale() const { return m_previewScale; }

protected:
    void PreparePicture(const TXBitmap& picture) override;
    void PrepareSelection(const TPictureSelection& selection) override;
    [[nodiscard]] QString InvalidMessage() const override;
    void applyEffect(TEffectsBitmap& preview, const TBool2DArray* mask) override;
    void PreviewInDocument() override;

private:
    void setScale(int fullWidth);
    double m_previewScale = 1.0;
};

} // namespace vellum
