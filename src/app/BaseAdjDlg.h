#pragma once

#include <functional>
#include <memory>
#include <optional>

#include <QPoint>
#include <QRect>
#include <QSize>

#include "app/StandardDlg.h"
#include "raster/ArrayObjects.h"
#include "raster/EffectsBitmap.h"

class QAbstractSpinBox;
class QLabel;
class QPainter;
class QPushButton;

namespace vellum {

class TPictureSelection;
class TTrackBar;
class TVLPicChildWin;
class TXMLRegistryFile;
class TXVellum;

// The size of a dialog preview of a width x height picture within a box: the aspect kept, never
// larger than the picture, no side below 1.
[[nodiscard]] QSize AdjPreviewSize(int width, int height, QSize box);
// The same for the Rotate dialog: any rotation of the preview fits into a square box of the side.
[[nodiscard]] QSize RotatePreviewSize(int width, int height, int boxSide);
// Where an adjustment dialog of the size opens for a stored left and top: kept on the screen,
// at its left and top edges when larger. None without both values: the dialog is centred.
[[nodiscard]] std::optional<QPoint> AdjDialogPlace(std::optional<int> left, std::optional<int> top, QSize dialog,
                                                   const QRect& screen);
// Fills a picture with the pattern shown where there is no canvas.
void FillNonCanvas(TXBitmap& picture);

// The base of the adjustment dialogs: a preview of what is adjusted (the floating selection or
// the whole picture of the document), a settings panel, and a Preview button that shows the
// effect in the document itself. All of them open where the last one closed.
class TBaseAdjDialog : public TStandardDialog {
    Q_OBJECT
public:
    // Raises "Can not adjust picture. Picture is invalid" without a document.
    TBaseAdjDialog(QWidget* owner, TVLPicChildWin* document);
    ~TBaseAdjDialog() override;

    [[nodiscard]] TVLPicChildWin* Document() const { return m_document; }
    [[nodiscard]] const TEffectsBitmap& SourcePreview() const { return m_source; }
    [[nodiscard]] const TEffectsBitmap& AdjustedPreview() const { return m_adjusted; }
    [[nodiscard]] TXVellum* AdjImage() const { return m_adjImage; }
    [[nodiscard]] QWidget* AdjPanel() const { return m_adjPanel; }
    [[nodiscard]] QWidget* SettingsPanel() const { return m_settingsPanel; }
    [[nodiscard]] QPushButton* PreviewButton() const { return m_previewButton; }
    [[nodiscard]] bool PositionLoaded() const { return m_positionLoaded; }

    void done(int result) override;

    // Information boxes (an invalid value at OK) and error boxes (a failing document preview);
    // tests replace them.
    static std::function<void(QWidget* parent, const QString& message)> ShowInformation;
    static std::function<void(QWidget* parent, const QString& message)> ShowError;

protected:
    virtual void PreparePicture(const TXBitmap& picture) = 0;
    virtual void PrepareSelection(const TPictureSelection& selection) = 0;
    virtual void ShowPreview(bool centre);
    virtual void LoadPosition(TXMLRegistryFile& reg);
    virtual void SavePosition(TXMLRegistryFile& reg);
    // The document's effect with the current values, as a preview.
    virtual void PreviewInDocument() = 0;

    // The steps of creation that need the finished dialog: the preview from the selection or
    // the picture, then the stored position. Each dialog calls it at the end of its
    // constructor.
    void prepare();
    // Runs a handler of the dialog's controls: a failure shows the error box.
    void guarded(const std::function<void()>& body);
    // What AdjImage paints: the adjusted preview at 1:1.
    virtual void paintPreview(QPainter& painter);
    // The preview area's size and AdjImage's.
    void setPreviewArea(QSize box, QSize preview);

    TVLPicChildWin* m_document;
    TEffectsBitmap m_source;
    TEffectsBitmap m_adjusted;
    // True while change handling is allowed.
    bool m_guard = false;

private:
    QWidget* m_adjPanel = nullptr;
    TXVellum* m_adjImage = nullptr;
    QWidget* m_settingsPanel = nullptr;
    QPushButton* m_previewButton = nullptr;
    bool m_positionLoaded = false;
};

// The dialogs whose preview is an aspect-kept reduction; a shaped selection's preview carries
// its mask, the pattern showing outside.
class TSimpleAdjDialog : public TBaseAdjDialog {
    Q_OBJECT
public:
    static constexpr QSize PreviewBox{230, 228};

    TSimpleAdjDialog(QWidget* owner, TVLPicChildWin* document);

    [[nodiscard]] const TBool2DArray* PreviewMask() const { return m_previewMask.get(); }

protected:
    void PreparePicture(const TXBitmap& picture) override;
    void PrepareSelection(const TPictureSelection& selection) override;
    // The adjusted preview made afresh from the source with the current values, and shown.
    void redrawPreview();
    virtual void applyEffect(TEffectsBitmap& preview, const TBool2DArray* mask) = 0;

    std::unique_ptr<TBool2DArray> m_previewMask;
};

// One value shown in a caption, a value box and a track bar kept in step.
class TTrackBarAdjDialog : public TSimpleAdjDialog {
    Q_OBJECT
public:
    TTrackBarAdjDialog(QWidget* owner, TVLPicChildWin* document);

    [[nodiscard]] double Value() const { return m_value; }
    // Clamped to the range; a new value shows in the box and the track bar.
    void SetValue(double value);
    [[nodiscard]] QLabel* MainLabel() const { return m_mainLabel; }
    [[nodiscard]] TTrackBar* MainTrackBar() const { return m_trackBar; }
    [[nodiscard]] QAbstractSpinBox* ValueBox() const { return m_box; }

protected:
    virtual void ShowValue(bool fromTrackBar, double value);
    virtual void SetTrackPosition(double value);
    virtual int ValueToPosition(double value) const = 0;
    virtual double PositionToValue(int position) const = 0;
    // The number the box's text stands for; false when it is not one.
    virtual bool BoxNumber(double& value) const = 0;
    virtual void WriteBox(double value) = 0;
    [[nodiscard]] virtual double ClampValue(double value) const = 0;
    [[nodiscard]] virtual QString InvalidMessage() const = 0;

    bool okPressed() override;
    // Builds the caption, the box (made by the dialog) and the track bar of the range.
    void buildControls(const QString& caption, QAbstractSpinBox* box, int minimumPosition, int maximumPosition);
    void boxTextChanged();

    double m_value;

private:
    QLabel* m_mainLabel = nullptr;
    QAbstractSpinBox* m_box = nullptr;
    TTrackBar* m_trackBar = nullptr;
};

} // namespace vellum
