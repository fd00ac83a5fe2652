#pragma once

#include <QImage>

#include "app/BaseAdjDlg.h"
#include "controls/WholeNumberBox.h"
#include "raster/Colour.h"

class QToolButton;

namespace vellum {

class TDial;

// The angle box: whole numbers without a range of their own; its arrows ask the dialog.
class TRotateSpinEdit : public TWholeNumberBox {
    Q_OBJECT
public:
    explicit TRotateSpinEdit(QWidget* parent) : TWholeNumberBox(parent) { setRange(-99, 999); }
    std::function<void(int steps)> OnStep;
    void stepBy(int steps) override
    {
        if (OnStep)
            OnStep(steps);
    }

protected:
    StepEnabled stepEnabled() const override { return StepUpEnabled | StepDownEnabled; }
};

// The angle of a rotation, 0 to 359, chosen with a box, a dial and quarter-turn buttons. The
// preview is small enough for any rotation of it to fit into the square preview area.
class TRotateDialog : public TBaseAdjDialog {
    Q_OBJECT
public:
    static constexpr int PreviewSide = 229;

    TRotateDialog(QWidget* owner, TColor fillColour, TVLPicChildWin* document);
    ~TRotateDialog() override;

    [[nodiscard]] int Angle() const { return m_angle; }
    // Any whole number: normalised to 0 to 359, shown in the box and the dial, the preview
    // turned.
    void SetAngle(int angle);
    [[nodiscard]] TColor FillColour() const { return m_fillColour; }
    [[nodiscard]] bool PreviewsSelection() const { return m_previewsSelection; }
    [[nodiscard]] const QImage& DisplayPicture() const { return m_display; }
    [[nodiscard]] TRotateSpinEdit* AngleBox() const { return m_box; }
    [[nodiscard]] TDial* Dial() const { return m_dial; }

protected:
    void PreparePicture(const TXBitmap& picture) override;
    void PrepareSelection(const TPictureSelection& selection) override;
    void ShowPreview(bool centre) override;
    void PreviewInDocument() override;
    void paintPreview(QPainter& painter) override;
    void changeEvent(QEvent* event) override;

private:
    // Runs a change of the angle with the guard off.
    void withGuardOff(int angle);
    void boxTextChanged();
    // The box's arrows: invalid text shows the angle again; otherwise one step, wrapping.
    void boxStep(int steps);
    void makeDisplay();
    // The face colour everywhere in the display but the picture's rectangle.
    void fillDisplayAround(const QRect& picture);

    int m_angle = 0;
    TColor m_fillColour;
    bool m_previewsSelection = false;
    QImage m_display;
    QColor m_displayColour;
    TRotateSpinEdit* m_box = nullptr;
    TDial* m_dial = nullptr;
    QToolButton* m_anticlockwise = nullptr;
    QToolButton* m_clockwise = nullptr;
};

} // namespace vellum
