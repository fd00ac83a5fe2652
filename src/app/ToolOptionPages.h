#pragma once

#include <functional>

#include <QStackedWidget>

#include "document/VLToolVars.h"

class QComboBox;
class QLabel;
class QToolButton;

namespace vellum {

class TWholeNumberBox;

// The option pages of the Settings tool bar, one visible at a time. Each control writes its
// field of the tool settings as soon as it changes; the pages know nothing of the main window
// beyond the two callbacks.
class TToolOptionPages : public QStackedWidget {
public:
    enum TPage { pgFill, pgMagicWand, pgPen, pgSelection, pgShapes, pgSprayCan, pgZoom, pgSpecialPen, pgNone };

    explicit TToolOptionPages(TToolSettings& settings, QWidget* parent = nullptr);

    void ShowPage(TPage page);
    [[nodiscard]] TPage CurrentPage() const { return static_cast<TPage>(currentIndex()); }

    // Start values of the option controls, in their order (the colour-list items excepted).
    void StartPen();
    void StartSpecialPen();
    void StartSprayCan();
    // The transparent-colour list: its two items show the current colours.
    void SetTransparentColours(TColor fore, TColor back);
    void SetForeItemColour(TColor fore);
    void SetBackItemColour(TColor back);
    // The zoom list shows a zoom without asking for it.
    void ShowZoom(int zoom);

    // The Shapes page's shape or style changed (the cursor may follow).
    std::function<void()> OnShapeChange;
    // The user chose a zoom (1 to 15) in the zoom list.
    std::function<void(int zoom)> OnZoomChosen;
    // Shows a reaction's failure in an error box; tests replace it.
    static std::function<void(QWidget* parent, const QString& message)> ShowError;

private:
    QWidget* addPage(TPage page);
    // A control's reaction; a failure shows the error box.
    void guarded(const std::function<void()>& body);
    // The pen's shape for the width and the chosen shape, then the width.
    void setPen(int width);
    void setSpecialPen(int width);
    void setSpray(int width);
    void specialPenActionChanged(int index);
    void transparentButtonToggled(bool down);

    TToolSettings& m_settings;
    TWholeNumberBox* m_fillTolerance = nullptr;
    TWholeNumberBox* m_wandTolerance = nullptr;
    TWholeNumberBox* m_penWidth = nullptr;
    QComboBox* m_penShape = nullptr;
    QToolButton* m_transSel = nullptr;
    QLabel* m_transColLabel = nullptr;
    QComboBox* m_transCol = nullptr;
    TWholeNumberBox* m_shapeWidth = nullptr;
    QComboBox* m_shapeShape = nullptr;
    QComboBox* m_shapeStyle = nullptr;
    TWholeNumberBox* m_sprayWidth = nullptr;
    TWholeNumberBox* m_sprayOpacity = nullptr;
    TWholeNumberBox* m_sprayDiffusion = nullptr;
    QComboBox* m_zoom = nullptr;
    QComboBox* m_specPenAction = nullptr;
    TWholeNumberBox* m_specPenWidth = nullptr;
    QComboBox* m_specPenShape = nullptr;
    QLabel* m_specPenSettingsLabel = nullptr;
    TWholeNumberBox* m_specPenSetting1 = nullptr;
    // Set while the special pen's setting box is switched between its two settings: what the
    // box shows then is no choice of the user.
    bool m_switchingSetting = false;
};

} // namespace vellum
