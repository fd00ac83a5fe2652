#pragma once

#include "app/BaseAdjDlg.h"

namespace vellum {

class TDoubleSpinEdit;

// The base of the dialogs whose value is a decimal number with two decimals: the track bar
// counts hundredths.
class TDecimalAdjDialog : public TTrackBarAdjDialog {
    Q_OBJECT
public:
    TDecimalAdjDialog(QWidget* owner, TVLPicChildWin* document, double maximum);
    [[nodiscard]] TDoubleSpinEdit* FactorBox() const { return m_box; }

protected:
    int ValueToPosition(double value) const override;
    double PositionToValue(int position) const override;
    bool BoxNumber(double& value) const override;
    void WriteBox(double value) override;
    [[nodiscard]] double ClampValue(double value) const override;

    TDoubleSpinEdit* m_box;
    double m_maximum;
};

// Gamma factor, 0 to 4.99, starting at 1.00.
class TAdjGammaDialog : public TDecimalAdjDialog {
    Q_OBJECT
public:
    TAdjGammaDialog(QWidget* owner, TVLPicChildWin* document);

protected:
    [[nodiscard]] QString InvalidMessage() const override;
    void applyEffect(TEffectsBitmap& preview, const TBool2DArray* mask) override;
    void PreviewInDocument() override;
};

} // namespace vellum
