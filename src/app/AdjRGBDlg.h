#pragma once

#include <array>

#include "app/BaseAdjDlg.h"

namespace vellum {

class TWholeNumberBox;

// Red, green and blue percents, -100 to 100 each, starting at 0; each with a box and a track bar.
class TAdjRGBDialog : public TSimpleAdjDialog {
    Q_OBJECT
public:
    enum TChannel { Red = 0, Green = 1, Blue = 2 };

    TAdjRGBDialog(QWidget* owner, TVLPicChildWin* document);

    [[nodiscard]] int ChannelValue(TChannel channel) const { return m_values[channel]; }
    [[nodiscard]] TWholeNumberBox* Box(TChannel channel) const { return m_boxes[channel]; }
    [[nodiscard]] TTrackBar* TrackBar(TChannel channel) const { return m_trackBars[channel]; }

protected:
    void applyEffect(TEffectsBitmap& preview, const TBool2DArray* mask) override;
    void PreviewInDocument() override;

private:
    void boxChanged(TChannel channel);

    std::array<int, 3> m_values{0, 0, 0};
    std::array<TWholeNumberBox*, 3> m_boxes{};
    std::array<TTrackBar*, 3> m_trackBars{};
};

} // namespace vellum
