#pragma once

#include "app/BaseAdjDlg.h"

namespace vellum {

class TWholeNumberBox;

// Brightness percent, -100 to 100, starting at 10.
class TAdjBrightDialog : public TTrackBarAdjDialog {
    Q_OBJECT
public:
    TAdjBrightDialog(QWidget* owner, TVLPicChildWin* document);
    [[nodiscard]] TWholeNumberBox* FactorBox() const { return m_box; }
    [[nodiscard]] int Brightness() const { return static_cast<int>(Value()); }

protected:
    int ValueToPosition(double value) const override;
    double PositionToValue(int position) const override;
    bool BoxNumber(double& value) const override;
    void WriteBox(double value) override;
    [[nodiscard]] double ClampValue(double value) const override;
    [[nodiscard]] QString InvalidMessage() const override;
    void applyEffect(TEffectsBitmap& preview, const TBool2DArray* mask) override;
    void PreviewInDocument() override;

private:
    TWholeNumberBox* m_box;
};

} // namespace vellum
