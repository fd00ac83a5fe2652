#pragma once

// The print preview: the printer's page in miniature with the picture on it, where the user
// chooses the picture's place and size (fields in inches or millimetres, the fit, centre and
// aspect options, or by dragging the frame), opens the page setup and prints one page. It sees
// only the picture and the document's file name, never the document.
#include <array>
#include <functional>
#include <memory>

#include <QDialog>
#include <QPrinter>
#include <QSize>

#include "print/PageLayout.h"
#include "print/PrintPreviewBitmap.h"
#include "raster/VellumError.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace vellum {

class EPrintError : public VellumException {
public:
    using VellumException::VellumException;
};

// The metrics of the printer's current page in device pixels.
[[nodiscard]] TPageMetrics ReadPrinterMetrics(const QPrinter& printer);

// The picture scaled to width x height for the preview: box averages on a side that shrinks,
// whole pixels repeated on a side that grows. copy becomes a 24-bit picture (empty for a size
// of 0).
void ScalePreviewCopy(const TXBitmap& picture, TXBitmap& copy, int width, int height);

// The print job's title: the file name, or "Vellum Picture" for a picture without one.
[[nodiscard]] QString PrintJobTitle(const QString& fileName);
// Where a page printed to a PDF file goes unless the user says otherwise: beside the picture
// under its name with ".pdf", or "Vellum Picture.pdf" in the home folder.
[[nodiscard]] QString PrintPdfDestination(const QString& fileName);

// The platform's print dialog for one page, printing to a file allowed; true when the user
// confirmed it. Printing to a file proposes pdfFileName unless the printer names a file already.
bool RunPrintDialog(QPrinter& printer, QWidget* parent, const QString& pdfFileName);

class TPreviewSurface;

class TPrintPreviewDialog : public QDialog {
    Q_OBJECT
public:
    // A step that shows a dialog on the printer; true when the user confirmed it.
    using TPrinterStep = std::function<bool(QPrinter& printer, QWidget* parent)>;

    // picture is not owned and must outlive the dialog; raises EPrintError "Unable to print -
    // invalid picture" without one. Without a printer the default printer is used (high
    // resolution).
    TPrintPreviewDialog(QWidget* owner, const QString& fileName, const TXBitmap* picture,
                        std::unique_ptr<QPrinter> printer = nullptr);
    ~TPrintPreviewDialog() override;

    // The platform's print dialog and page setup by default; tests put their own steps in.
    void SetPrintDialogStep(TPrinterStep step) { m_printDialogStep = std::move(step); }
    void SetSetupStep(TPrinterStep step) { m_setupStep = std::move(step); }

    [[nodiscard]] TPageLayout& Layout() { return m_layout; }
    [[nodiscard]] TPrintPreviewBitmap& PageImage() { return m_pageImage; }
    [[nodiscard]] const TXBitmap& ScaledCopy() const { return m_scaled; }
    [[nodiscard]] QPrinter& Printer() { return *m_printer; }
    [[nodiscard]] QWidget* Surface() const;
    [[nodiscard]] QLineEdit* Field(TLayoutField field) const { return m_fields[int(field)]; }
    [[nodiscard]] QCheckBox* FitToPageBox() const { return m_fitBox; }
    [[nodiscard]] QCheckBox* CentreBox() const { return m_centreBox; }
    [[nodiscard]] QCheckBox* KeepAspectBox() const { return m_aspectBox; }
    [[nodiscard]] QRadioButton* InchesButton() const { return m_inchesButton; }
    [[nodiscard]] QRadioButton* MmButton() const { return m_mmButton; }
    [[nodiscard]] QPushButton* SetupButton() const { return m_setupButton; }
    [[nodiscard]] QPushButton* OkButton() const { return m_okButton; }
    [[nodiscard]] QLabel* NoPrinterLabel() const { return m_noPrinterLabel; }

    // Draws the picture on one page of the printer where the layout places it; raises
    // EPrintError "Error Printing" when the printer fails.
    void PrintPage();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    friend class TPreviewSurface;
    void buildControls();
    void showOptions();
    void redraw();
    void placeSurface();
    void okClicked();
    // Why the layout changed when the page chosen for printing differs from the previewed one.
    [[nodiscard]] QString pageChangeMessage(TPageChange change) const;
    void setupClicked();
    void leaveField(TLayoutField field);
    void surfacePress(QPoint at);
    void surfaceMove(QPoint at, bool leftButton);
    void surfaceRelease();
    void endDrag();
    // Runs a slot's body; an exception becomes an error box (none reaches the event loop).
    void guarded(const std::function<void()>& body);

    QString m_fileName;
    const TXBitmap* m_picture;
    std::unique_ptr<QPrinter> m_printer;
    TPageLayout m_layout;
    TPrintPreviewBitmap m_pageImage;
    TXBitmap m_scaled;
    QSize m_scaledSize{-1, -1};
    TPrinterStep m_printDialogStep;
    TPrinterStep m_setupStep;
    bool m_guard = false;

    // Mouse state on the preview.
    int m_zone = 0;
    int m_offLeft = 0, m_offTop = 0, m_offRight = 0, m_offBottom = 0;
    bool m_dragging = false;

    QWidget* m_previewArea = nullptr;
    TPreviewSurface* m_surface = nullptr;
    QLabel* m_noPrinterLabel = nullptr;
    QRadioButton* m_inchesButton = nullptr;
    QRadioButton* m_mmButton = nullptr;
    QCheckBox* m_fitBox = nullptr;
    QCheckBox* m_centreBox = nullptr;
    QCheckBox* m_aspectBox = nullptr;
    std::array<QLineEdit*, 4> m_fields{};
    QPushButton* m_setupButton = nullptr;
    QPushButton* m_okButton = nullptr;
    QPushButton* m_cancelButton = nullptr;
};

} // namespace vellum
